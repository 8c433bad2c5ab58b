#pragma once

#include "ftpbackup/BackupService.h"

#include <QString>
#include <QStringList>

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
    QString problem;  // why the settings cannot be used; empty when they can
};

// Reads rows 8 to 10. Throws DbError.
CloudTarget readCloudTarget(Connection& dataCenter);

struct SendReport {
    QStringList sent;     // delivered and removed from the outbox
    QStringList failed;   // still in the outbox (or delivered but not removed)
};

// The outbox's files that are ready to go: the outbox listing without
// exports still being written. Throws FolderError.
QStringList filesToSend(const QString& outbox);

// Sends the files, one log row each. A file leaves the outbox only when the
// data bytes sent and the server's SIZE both equal its local size; any
// failure leaves it for the next run. After a failed connection the remaining
// files fail with the same reason, without a new attempt.
SendReport sendOutbox(FtpClient& client, const CloudTarget& target, const QString& outbox, const QStringList& files,
                      CloudLogWriter& log);

}  // namespace dc
