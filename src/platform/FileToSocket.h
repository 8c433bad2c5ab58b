#pragma once

#include <QtGlobal>

namespace dc {

// Sends bytes of an open file straight to a connected socket: the system
// copies them from its file cache, nothing passes through the program.
struct FileToSocket {
    enum class Result {
        Sent,         // `sent` bytes went (at least one)
        WouldBlock,   // the socket takes nothing now (it does not block)
        EndOfFile,    // nothing left at `offset`
        Unsupported,  // the system cannot do it for this file or socket: read and send instead
        Failed,       // the socket or the file failed: `error` says how
    };
    Result result = Result::Unsupported;
    qint64 sent = 0;
    int error = 0;  // the system's error number
};

// At most `count` bytes of file descriptor `fileHandle` from `offset` to
// the socket `socketHandle` (a native socket handle).
FileToSocket sendFileBytes(qintptr socketHandle, int fileHandle, qint64 offset, qint64 count);

}  // namespace dc
