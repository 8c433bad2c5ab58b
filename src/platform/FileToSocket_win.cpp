#include "platform/FileToSocket.h"

namespace dc {

// Windows sends a file with TransmitFile, which blocks until the whole range
// went and cannot be cut short by a cancel: the caller reads and sends.
FileToSocket sendFileBytes(qintptr, int, qint64, qint64)
{
    return {};
}

}  // namespace dc
