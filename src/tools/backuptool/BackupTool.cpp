#include "tools/backuptool/BackupTool.h"

#include "ftpbackup/BackupEngine.h"
#include "ftpbackup/BackupJob.h"
#include "platform/InstallRoot.h"
#include "platform/TerminationRequest.h"
#include "settings/Database.h"
#include "tools/toolsupport/ToolSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTextStream>

namespace dc::backuptool {

namespace {

QString timestamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString summary(const BackupResult& r)
{
    switch (r.outcome) {
    case BackupOutcome::Completed:
        if (r.failedFiles.isEmpty())
            return QStringLiteral("respaldo terminado: %1 archivo(s) respaldado(s)").arg(r.uploadedFiles.size());
        return QStringLiteral("respaldo terminado con fallas: %1 archivo(s) respaldado(s), no se respaldaron %2: %3")
            .arg(r.uploadedFiles.size())
            .arg(r.failedFiles.size())
            .arg(r.failedFiles.join(QStringLiteral(", ")));
    case BackupOutcome::Cancelled:
        return QStringLiteral("respaldo cancelado: %1 archivo(s) respaldado(s)").arg(r.uploadedFiles.size());
    case BackupOutcome::CredentialsStop:
        return QStringLiteral("respaldo detenido: ") + r.stopText;
    case BackupOutcome::BlankCredentials:
        return QStringLiteral("respaldo no realizado: falta el usuario o la contraseña");
    case BackupOutcome::Failed:
        break;
    }
    return QStringLiteral("respaldo interrumpido por un error");
}

int exitStatus(const BackupResult& r)
{
    switch (r.outcome) {
    case BackupOutcome::Completed:
        return r.failedFiles.isEmpty() ? kAllBackedUp : kFilesNotBackedUp;
    case BackupOutcome::Failed:
        return kFilesNotBackedUp;
    default:
        return kStopped;
    }
}

}  // namespace

void appendToLog(const QString& line)
{
    QFile log(toolInstallRoot().backupToolLog());
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        QTextStream(stderr) << kName << ": no se pudo escribir " << QDir::toNativeSeparators(log.fileName()) << ": "
                            << log.errorString() << '\n';
        return;
    }
    log.write((timestamp() + QLatin1Char(' ') + line + QLatin1Char('\n')).toUtf8());
}

int run(const std::optional<ServiceAddress>& service)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto refuse = [&err](const QString& why) {
        err << kName << ": " << why << '\n';
        appendToLog(QStringLiteral("fin: ") + why);
        return kCannotStart;
    };

    // One run at a time: a second one would upload the same files into the
    // same folders and replace the first one's temporary copies under it.
    const InstallRoot root = toolInstallRoot();
    const SingleRun running(root.toolLockFile(kName));
    if (!running.acquired()) return refuse(running.refusal(QStringLiteral("ya hay un respaldo en curso; no se inicia otro")));

    Connection cnn(QStringLiteral("backup-tool"), root.dataCenterDb(2));
    BackupJob job(cnn, BackupJob::engineParts(root, 2, service));
    BackupRequest request;
    try {
        request = job.requestWithStoredLogin();
    } catch (const std::exception& e) {
        return refuse(QStringLiteral("no se pudo leer la base de datos ") + QDir::toNativeSeparators(root.dataCenterDb(2))
                      + QStringLiteral(": ") + QString::fromStdString(e.what()));
    }

    BackupEngine& engine = job.engine();
    int status = kStopped;
    QObject::connect(&engine, &BackupEngine::finished, QCoreApplication::instance(), [&](const BackupResult& result) {
        const QString line = summary(result);
        out << kName << ": " << line << '\n';
        out.flush();
        appendToLog(QStringLiteral("fin: ") + line);
        // The run in edition 2's history, where the data center shows it.
        if (const QString why = job.record(result); !why.isEmpty()) {
            err << kName << ": " << why << '\n';
            appendToLog(why);
        }
        status = exitStatus(result);
        QCoreApplication::exit(status);
    });
    onTerminationRequest(QCoreApplication::instance(), [&engine] {
        QTextStream(stderr) << kName << ": se pidió terminar; cancelando el respaldo\n";
        engine.cancel();
    });
    engine.start(request);
    QCoreApplication::exec();
    return status;
}

}  // namespace dc::backuptool
