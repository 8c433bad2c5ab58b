#include "tools/sendtool/CloudSend.h"

#include "cloud/OutboxListing.h"
#include "ftpbackup/FtpClient.h"
#include "ftpbackup/VerifiedUpload.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "tools/toolsupport/ToolSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

namespace dc {

namespace {

// An upload that the server did not receive whole.
class NotDelivered : public Failure {
public:
    using Failure::Failure;
};

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
    target.security = storedFtpSecurity(dataCenter, RowCloudTls);
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

OutboxContents filesToSend(const QString& outbox)
{
    const std::optional<std::vector<FolderEntry>> entries = readFolder(outbox);
    if (!entries) throw FolderError(missingFolderText(outbox));
    OutboxContents contents;
    std::vector<OutboxContents::File> recent;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 settle = OutboxContents::kSettleMs;
    qint64 wait = 0;
    for (const FolderEntry& e : *entries) {
        // A leading dot hides a file on POSIX only; on Windows an export still
        // being written shows in the listing and is left alone here.
        if (e.hidden || isPartialExport(e.name) || e.kind == EntryKind::Folder) continue;
        if (!e.validName) {
            contents.refused.push_back({e.name, QStringLiteral("el nombre del archivo no es UTF-8 válido; cámbialo para enviarlo")});
        } else if (e.kind == EntryKind::Link) {
            contents.refused.push_back({e.name, QStringLiteral("es un enlace simbólico; solo se envían archivos ordinarios")});
        } else if (e.kind == EntryKind::Special) {
            contents.refused.push_back(
                {e.name, QStringLiteral("no es un archivo ordinario (tubería, dispositivo o socket); no se envía")});
        } else if (const qint64 age = now - e.stamp.modifiedMs(); age < settle && age > -settle) {
            recent.push_back({e.name, e.stamp});
            wait = std::max(wait, std::min(settle - age, settle));
        } else {
            contents.files.push_back({e.name, e.stamp});
        }
    }
    if (!recent.empty()) {
        // Maybe still being written: it goes only if it stays as it is until
        // it has been left alone long enough; else it waits for the next run.
        QThread::msleep(static_cast<unsigned long>(wait));
        const QDir dir(outbox);
        for (const OutboxContents::File& f : recent)
            if (plainFileStamp(dir.filePath(f.name)) == f.stamp) contents.files.push_back(f);
    }
    const auto byName = [](const auto& a, const auto& b) { return a.name < b.name; };
    std::sort(contents.files.begin(), contents.files.end(), byName);
    std::sort(contents.refused.begin(), contents.refused.end(), byName);
    return contents;
}

SendReport sendOutbox(FtpClient& client, const CloudTarget& target, const QString& outbox, const OutboxContents& contents,
                      CloudLogWriter& log)
{
    SendReport report;
    for (const OutboxContents::Refusal& r : contents.refused) {
        report.failed << r.name;
        log.write(QStringLiteral("No se envía %1: %2").arg(r.name, r.reason));
    }
    client.setSecurity(target.security);
    client.setNoticeHandler([&log](const QString& text) { log.write(text); });
    QString connectionProblem = target.problem;
    const QDir dir(outbox);
    const QString changed = QStringLiteral("el archivo cambió mientras se enviaba; queda para el próximo envío");
    const auto sendOne = [&](const OutboxContents::File& listed) {
        const QString path = dir.filePath(listed.name);
        if (!connectionProblem.isEmpty()) throw NotDelivered(connectionProblem);
        if (!client.isOpen()) {
            try {
                client.open(target.server.host, target.server.port, target.account.user, target.account.password);
                client.setBinary();
            } catch (const FtpError& e) {
                connectionProblem = e.text();
                if (!connectionProblem.contains(target.server.toString()))
                    connectionProblem += QStringLiteral(" (servidor %1)").arg(target.server.toString());
                throw NotDelivered(connectionProblem);
            }
        }
        QFile file;
        FileStamp opened;
        QString why;
        if (!openPlainFile(path, file, opened, why)) throw NotDelivered(QStringLiteral("no se pudo leer: ") + why);
        if (opened != listed.stamp) throw NotDelivered(changed);
        deliver(client, file, listed.name);
        // What went must be what stays behind to be removed.
        if (plainFileStamp(path) != listed.stamp) throw NotDelivered(changed);
    };
    for (const OutboxContents::File& listed : contents.files) {
        const QString& name = listed.name;
        try {
            const bool wasPassive = client.isPassive();
            try {
                sendOne(listed);
            } catch (const FtpDataConnectionError&) {
                // The server could not connect back: at once again, passive.
                if (wasPassive || !client.isPassive()) throw;
                sendOne(listed);
            }
        } catch (const std::exception& e) {
            report.failed << name;
            log.write(QStringLiteral("Error al enviar %1: %2").arg(name, errorText(e)));
            continue;
        }
        QFile file(dir.filePath(name));
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
    client.setNoticeHandler({});
    return report;
}

}  // namespace dc
