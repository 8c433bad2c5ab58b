#include "platform/FileToSocket.h"

#include <cerrno>

#if defined(__linux__)
#include <sys/sendfile.h>
#endif

namespace dc {

FileToSocket sendFileBytes(qintptr socketHandle, int fileHandle, qint64 offset, qint64 count)
{
    FileToSocket r;
#if defined(__linux__)
    off_t at = static_cast<off_t>(offset);
    const ssize_t n = ::sendfile(static_cast<int>(socketHandle), fileHandle, &at, static_cast<size_t>(count));
    if (n > 0) {
        r.result = FileToSocket::Result::Sent;
        r.sent = n;
    } else if (n == 0) {
        r.result = FileToSocket::Result::EndOfFile;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        r.result = FileToSocket::Result::WouldBlock;
    } else if (errno == EINVAL || errno == ENOSYS || errno == EOVERFLOW) {
        r.result = FileToSocket::Result::Unsupported;  // a file the system cannot map (a pipe, a special file system)
    } else {
        r.result = FileToSocket::Result::Failed;
        r.error = errno;
    }
#else
    (void)socketHandle;
    (void)fileHandle;
    (void)offset;
    (void)count;
#endif
    return r;
}

}  // namespace dc
