#pragma once

#include "ftpbackup/FtpClient.h"

#include <QIODevice>
#include <QString>

namespace dc {

// The name a file is uploaded under until it is known to be whole: the real
// name with ".kova-parcial" added, in the same remote folder. A different
// ending, so that no reader of the folder takes it for the file itself. A
// name too long for that (more than 255 bytes in all) keeps its beginning
// and gets a short fingerprint of the whole name instead of its end.
QString partialRemoteName(const QString& remoteName);
// Where the copy that was there waits while the new one takes its name, on a
// server that does not rename onto an existing file: ".kova-anterior" added.
QString asideRemoteName(const QString& remoteName);

// Stores the bytes of `source` (from its current position to its end) under
// `remoteName` in the current remote folder, so that the name only ever
// shows a complete copy, and at every moment a whole copy stands under the
// name or under its aside name:
//   1. a partial file left by an attempt or a run that was cut is removed
//      (servers that do not overwrite would refuse the new one);
//   2. the data goes to partialRemoteName(remoteName); `size` bytes must go
//      (-1: whatever the source gives), and the size the server kept
//      (FtpClient::remoteSize) must be the size sent: a completion reply
//      alone proves nothing, servers answer 226 and keep a truncated file;
//   3. the partial file is renamed to the real name; a server that refuses
//      to rename onto the old copy gets the old copy renamed aside first, the
//      new one renamed in, and the old one deleted (renamed back when the new
//      one cannot take its place).
// Nothing is deleted on a refusal that is not understood.
//
// Throws FtpError when a step fails: the real name then still shows the copy
// that was there before (or, after a lost connection in step 3, the aside
// name does). FtpCannotReplace when the server refuses renames, or a folder
// stands in the way: another attempt would meet the same refusal; the text
// says where the whole copy stays. After a failed upload or check the partial
// file is removed when the session is still usable.
// Returns the bytes stored.
qint64 uploadVerified(FtpClient& client, QIODevice& source, qint64 size, const QString& remoteName,
                      const FtpClient::Progress& progress = {});

}  // namespace dc
