#include "setup/tools/CloudSend.h"

#include "cloud/OutboxListing.h"
#include "ftpbackup/FtpClient.h"
#include "ftpbackup/VerifiedUpload.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "setup/tools/CloudExport.h"
#include "setup/tools/ToolSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace dc {

namespace {

// An upload that the server did not receive whole.
class NotDelivered : public std::runtime_error {
public:
    explicit NotDelivered(const QString& text) : std::runtime_error(text.toStdString()) {}
};

QString errorText(const std::exception& e)
{
    if (const auto* ftp = dynamic_cast<const FtpError*>(&e)) return ftp->message();
    return QString::fromStdString(e.what());
}

void deliver(FtpClient& client, QFile& file, const QString& name)
{
    // The cloud server never sees a partial export under its real name, and
    // an export whose arrival cannot be checked is not taken out of the outbox.
    uploadVerified(client, file, file.size(), name);
}

}  // namespace

CloudTarget readCloudTarget(Connection& dataCenter)
{
    QString rows[3];
    QSqlQuery q = dataCenter.query(QStringLiteral("select Id, Valor from tbl_app_configuracion where Id between ? and ?"),
                                   {static_cast<int>(RowCloudServer), static_cast<int>(RowCloudOutPassword)});
    while (q.next()) rows[q.value(0).toInt() - RowCloudServer] = q.value(1).toString();

    CloudTarget target;
    target.account = {rows[1], rows[2]};
    QString why;
    if (rows[0].trimmed().isEmpty()) {
        target.problem = QStringLiteral("no está configurado el servidor de la Nube KOVA");
    } else if (const std::optional<ServiceAddress> server = parseServiceAddress(rows[0], &why)) {
        target.server = *server;
        if (target.account.user.trimmed().isEmpty() || target.account.password.isEmpty())
            target.problem = QStringLiteral("falta el usuario o la contraseña saliente de la Nube KOVA");
    } else {
        target.problem = QStringLiteral("el servidor de la Nube KOVA (\"%1\") no es válido: %2").arg(rows[0], why);
    }
    return target;
}

QStringList filesToSend(const QString& outbox)
{
    // A leading dot hides a file on POSIX only; on Windows an export still
    // being written shows in the listing and is left alone here.
    QStringList files = outboxFiles(outbox);
    files.removeIf([](const QString& name) { return isPartialExport(name); });
    return files;
}

SendReport sendOutbox(FtpClient& client, const CloudTarget& target, const QString& outbox, const QStringList& files,
                      CloudLogWriter& log)
{
    SendReport report;
    QString connectionProblem = target.problem;
    const QDir dir(outbox);
    for (const QString& name : files) {
        const QString path = dir.filePath(name);
        try {
            if (!connectionProblem.isEmpty()) throw NotDelivered(connectionProblem);
            if (!client.isOpen()) {
                try {
                    client.open(target.server.host, target.server.port, target.account.user, target.account.password);
                    client.setBinary();
                } catch (const FtpError& e) {
                    connectionProblem = e.message();
                    if (!connectionProblem.contains(target.server.toString()))
                        connectionProblem += QStringLiteral(" (servidor %1)").arg(target.server.toString());
                    throw NotDelivered(connectionProblem);
                }
            }
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                throw NotDelivered(QStringLiteral("no se pudo leer: ") + file.errorString());
            deliver(client, file, name);
        } catch (const std::exception& e) {
            report.failed << name;
            log.write(QStringLiteral("Error al enviar %1: %2").arg(name, errorText(e)));
            continue;
        }
        QFile file(path);
        if (!file.remove()) {
            // Delivered, but it would go again next time.
            report.failed << name;
            log.write(QStringLiteral("Enviado: %1, pero no se pudo quitar de la bandeja de salida: %2")
                          .arg(name, file.errorString()));
            continue;
        }
        report.sent << name;
        log.write(QStringLiteral("Enviado: %1").arg(name));
    }
    client.close();
    return report;
}

}  // namespace dc
