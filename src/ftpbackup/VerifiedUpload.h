#pragma once

#include "ftpbackup/FtpClient.h"

#include <QIODevice>
#include <QString>

namespace dc {

// The name a file is uploaded under until it is known to be whole: the real
// name with ".kova-parcial" added, in the same remote folder. A different
// ending, so that no reader of the folder takes it for the file itself.
QString partialRemoteName(const QString& remoteName);

// Stores `size` bytes of `source` (from its current position) under
// `remoteName` in the current remote folder, so that the name only ever
// shows a complete copy: the data goes to partialRemoteName(remoteName), the
// size the server kept is learned (FtpClient::remoteSize) and compared, and
// only then is the file renamed to its real name, replacing the copy that
// was there. A completion reply alone proves nothing: servers answer 226 and
// keep a truncated file after an early close.
//
// Throws FtpError when the upload fails, when fewer bytes were sent, when
// the server kept another size or told none, or when the rename fails. The
// real name then still shows the copy that was there before (or none, when
// the server refused to rename onto it and the second rename failed too; the
// new copy then stays whole under the partial name). After a failed upload or
// check the partial file is removed when the session is still usable.
void uploadVerified(FtpClient& client, QIODevice& source, qint64 size, const QString& remoteName,
                    const FtpClient::Progress& progress = {});

}  // namespace dc
