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

std::optional<ServiceAddress> parseServiceAddress(const QString& text, QString* why)
{
    const auto refuse = [&](const QString& reason) -> std::optional<ServiceAddress> {
        if (why) *why = reason;
        return std::nullopt;
    };
    ServiceAddress address;
    QString host = text.trimmed();
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        const QString portText = host.mid(colon + 1);
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port < 1 || port > 65535 || portText.startsWith(QLatin1Char('+')))
            return refuse(QStringLiteral("el puerto debe ser un número de 1 a 65535"));
        address.port = static_cast<quint16>(port);
        host.truncate(colon);
    }
    if (host.isEmpty()) return refuse(QStringLiteral("falta el servidor"));
    for (const QChar c : host) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_')))
            return refuse(QStringLiteral("el servidor debe ser una dirección IPv4 o un nombre de host"));
    }
    address.host = host;
    return address;
}

std::optional<ServiceAddress> parseBackupService(const QString& text, QString* error)
{
    QString why;
    std::optional<ServiceAddress> address = parseServiceAddress(text, &why);
    if (!address && error)
        *error = QStringLiteral("--") + QLatin1String(kBackupServiceOption) + QStringLiteral(" ") + text
                 + QStringLiteral(": ") + why;
    return address;
}

}  // namespace dc
