#include "ftpbackup/BackupService.h"

#include "settings/Database.h"
#include "settings/SettingsRows.h"

namespace dc {

ServiceAddress defaultBackupService()
{
    return {QStringLiteral("respaldos.kovasistemas.mx"), 21};
}

const std::array<ServiceAccount, 4>& backupServiceAccounts()
{
    static const std::array<ServiceAccount, 4> accounts = {{
        {QStringLiteral("respaldo1@kovasistemas.mx"), QStringLiteral("bqt275")},
        {QStringLiteral("respaldo2@kovasistemas.mx"), QStringLiteral("Vukt#Almacena4827")},
        {QStringLiteral("respaldo3@kovasistemas.mx"), QStringLiteral("Vukt#Almacena4827")},
        {QStringLiteral("respaldo4@kovasistemas.mx"), QStringLiteral("Vukt#Almacena4827")},
    }};
    return accounts;
}

std::optional<ServiceAccount> accountForServerIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(backupServiceAccounts().size())) return std::nullopt;
    return backupServiceAccounts()[static_cast<size_t>(index)];
}

FtpSecurity storedFtpSecurity(Connection& dataCenter, int row)
{
    const QVariant stored =
        dataCenter.scalar(QStringLiteral("select Valor from tbl_app_configuracion where Id = ?"), {row});
    // A row an older setup did not add reads as its first value.
    const QString value = stored.isValid() ? stored.toString() : QString::fromUtf8(settingsRow(row).defaultValue);
    if (const std::optional<FtpSecurity> security = parseFtpSecurity(value)) return *security;
    throw DbError(QStringLiteral("la conexión segura guardada en la fila %1 (\"%2\") no es 0, 1 ni 2")
                      .arg(row)
                      .arg(stored.toString()));
}

}  // namespace dc
