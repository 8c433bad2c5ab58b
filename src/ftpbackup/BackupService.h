#pragma once

#include "ftpbackup/FtpClient.h"
#include "platform/ServiceAddress.h"

#include <QString>

#include <array>
#include <optional>

namespace dc {

class Connection;

// One of the service's shared accounts.
struct ServiceAccount {
    QString user;
    QString password;
};

// The service host and its four accounts, chosen by the CmbServer index 0 to 3.
ServiceAddress defaultBackupService();
const std::array<ServiceAccount, 4>& backupServiceAccounts();
// The account of a CmbServer index; nullopt for any other index (4 to 22, or
// no entry selected), where the client keeps the account it already has.
std::optional<ServiceAccount> accountForServerIndex(int index);

// The stored TLS setting of a service: settings row RowBackupTls (the backup
// service) or RowCloudTls (the cloud server). A row that is missing reads as
// the row's first value (plain FTP for the backup, as the system first
// shipped; TLS when offered for the cloud). Throws DbError, also for a value
// other than 0, 1 or 2.
FtpSecurity storedFtpSecurity(Connection& dataCenter, int row);

}  // namespace dc
