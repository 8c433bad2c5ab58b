#pragma once

#include "ftpbackup/BackupService.h"
#include "platform/PlainFile.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace dc {

class CloudLogWriter;
class Connection;
class FtpClient;

// The send tool's work: every file waiting in the outbox goes by FTP to the
// cloud server, into the account's log-in folder under its own name, and
// leaves the outbox only once the server holds all of it.

// Where the files go: settings rows 8 (HOST[:PORT], port 21 when left out),
// 9 and 10 (the outgoing account) of edition 2's data-center database.
struct CloudTarget {
    ServiceAddress server;
    ServiceAccount account;
    FtpSecurity security = FtpSecurity::WhenOffered;  // row 15
    QString problem;  // why the settings cannot be used; empty when they can
};

// Reads rows 8 to 10 and 15. Throws DbError.
CloudTarget readCloudTarget(Connection& dataCenter);

struct SendReport {
    QStringList sent;     // delivered and removed from the outbox
    QStringList failed;   // still in the outbox (or delivered but not removed)
};

// What one run finds in the outbox.
struct OutboxContents {
    struct File {
        QString name;
        FileStamp stamp;  // as listed: the file must still be this one when it leaves the outbox
    };
    struct Refusal {
        QString name;
        QString reason;
    };
    std::vector<File> files;        // ordinary files that are ready to go, by name
    std::vector<Refusal> refused;   // entries that are never sent: links, FIFOs, devices, sockets, names that are not UTF-8

    // How long a file must have been left alone before it goes.
    static constexpr qint64 kSettleMs = 2000;
};

// The outbox's ordinary files that are ready to go, seen without following
// links. Sub-folders, hidden files and exports still being written are left
// out; so is a file changed within the last two seconds: when there is one, the
// listing waits until it is that old (two seconds at most) and keeps it only if
// it did not change meanwhile. Throws FolderError.
OutboxContents filesToSend(const QString& outbox);

// Sends the files, one log row each; what the client tells (passive mode, no
// TLS) gets a log row too. A file whose data connection could not be made in
// active mode is tried once more at once, in passive mode like the rest. A refused entry gets its log row and
// counts as not sent. A file is opened only as an ordinary file, and leaves
// the outbox only when the data bytes sent and the server's SIZE both equal
// its local size and it is still, unchanged, the file that was listed; any
// failure leaves it for the next run. After a failed connection the
// remaining files fail with the same reason, without a new attempt.
SendReport sendOutbox(FtpClient& client, const CloudTarget& target, const QString& outbox, const OutboxContents& contents,
                      CloudLogWriter& log);

}  // namespace dc
