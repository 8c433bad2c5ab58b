// KOVA_BackUp.exe: the backup tool of edition 2. Installed in
// <root>/KOVA_VazivoZeRurov_2/, it reads that edition's data-center database
// (settings rows 1 to 5 and 14, and the backup list), runs one backup with the FTP
// engine without a window, keeps it in that database's run history, prints a
// summary line and ends with status 0 only when every file was backed up. The data center starts it without arguments;
// --backup-service HOST[:PORT] points it at another service.
#include "backup/BackupListStore.h"
#include "ftpbackup/BackupEngine.h"
#include "ftpbackup/BackupService.h"
#include "ftpbackup/FtpClientFactory.h"
#include "ftpbackup/TemporaryCopy.h"
#include "platform/Failure.h"
#include "platform/InstallRoot.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "platform/TerminationRequest.h"
#include "setup/tools/ToolSupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTextStream>

namespace {

enum ExitStatus {
    kAllBackedUp = 0,
    kFilesNotBackedUp = 1,  // the run ended, but some files used up their attempts
    kCannotStart = 2,       // bad arguments, the database could not be read, or another run is under way
    kStopped = 3,           // cancelled, log-in or shop user or password refused, no protected connection, blank credentials
};

QString timestamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// One line per start and per end, in edition 2's data folder.
void appendToLog(const QString& line)
{
    QFile log(dc::toolInstallRoot().backupToolLog());
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        QTextStream(stderr) << "KOVA_BackUp: no se pudo escribir " << QDir::toNativeSeparators(log.fileName()) << ": "
                            << log.errorString() << '\n';
        return;
    }
    log.write((timestamp() + QLatin1Char(' ') + line + QLatin1Char('\n')).toUtf8());
}

struct Settings {
    int serverIndex = -1;
    QString user;
    QString password;
};

Settings readSettings(dc::Connection& cnn)
{
    Settings s;
    QSqlQuery q = cnn.query(QStringLiteral("select Id, Valor from tbl_app_configuracion where Id between 1 and 5"));
    while (q.next()) {
        const int id = q.value(0).toInt();
        const QString value = q.value(1).toString();
        if (id == dc::RowServer) {
            bool ok = false;
            s.serverIndex = value.trimmed().toInt(&ok);
            if (!ok)
                throw dc::DbError(QStringLiteral("el servidor de respaldo guardado (\"") + value
                                  + QStringLiteral("\") no es un número"));
        } else if (id == dc::RowBackupUser) {
            s.user = value;
        } else if (id == dc::RowBackupPassword) {
            s.password = value;
        }
    }
    return s;
}

QString summary(const dc::BackupResult& r)
{
    switch (r.outcome) {
    case dc::BackupOutcome::Completed:
        if (r.failedFiles.isEmpty())
            return QStringLiteral("respaldo terminado: %1 archivo(s) respaldado(s)").arg(r.uploadedFiles.size());
        return QStringLiteral("respaldo terminado con fallas: %1 archivo(s) respaldado(s), no se respaldaron %2: %3")
            .arg(r.uploadedFiles.size())
            .arg(r.failedFiles.size())
            .arg(r.failedFiles.join(QStringLiteral(", ")));
    case dc::BackupOutcome::Cancelled:
        return QStringLiteral("respaldo cancelado: %1 archivo(s) respaldado(s)").arg(r.uploadedFiles.size());
    case dc::BackupOutcome::CredentialsStop:
        return QStringLiteral("respaldo detenido: ") + r.stopText;
    case dc::BackupOutcome::BlankCredentials:
        return QStringLiteral("respaldo no realizado: falta el usuario o la contraseña");
    case dc::BackupOutcome::Failed:
        break;
    }
    return QStringLiteral("respaldo interrumpido por un error");
}

int exitStatus(const dc::BackupResult& r)
{
    switch (r.outcome) {
    case dc::BackupOutcome::Completed:
        return r.failedFiles.isEmpty() ? kAllBackedUp : kFilesNotBackedUp;
    case dc::BackupOutcome::Failed:
        return kFilesNotBackedUp;
    default:
        return kStopped;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("KOVA_BackUp"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    appendToLog(QStringLiteral("inicio; carpeta de trabajo: ") + QDir::toNativeSeparators(QDir::currentPath()));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Respalda los archivos de la lista de respaldo en el servicio FTP."));
    parser.addHelpOption();
    const QCommandLineOption serviceOpt(QLatin1String(dc::kBackupServiceOption),
                                        QStringLiteral("Servicio de respaldo (por omisión %1).")
                                            .arg(dc::defaultBackupService().toString()),
                                        QStringLiteral("HOST[:PUERTO]"));
    parser.addOption(serviceOpt);
    parser.process(app);

    dc::ServiceAddress service = dc::defaultBackupService();
    if (parser.isSet(serviceOpt)) {
        QString why;
        const std::optional<dc::ServiceAddress> parsed = dc::parseBackupService(parser.value(serviceOpt), &why);
        if (!parsed) {
            err << "KOVA_BackUp: " << why << '\n';
            appendToLog(QStringLiteral("fin: ") + why);
            return kCannotStart;
        }
        service = *parsed;
    }

    // One run at a time: a second one would upload the same files into the
    // same folders and replace the first one's temporary copies under it.
    const dc::InstallRoot root = dc::toolInstallRoot();
    const dc::SingleRun running(root.toolLockFile(QStringLiteral("KOVA_BackUp")));
    if (!running.acquired()) {
        const QString why = running.refusal(QStringLiteral("ya hay un respaldo en curso; no se inicia otro"));
        err << "KOVA_BackUp: " << why << '\n';
        appendToLog(QStringLiteral("fin: ") + why);
        return kCannotStart;
    }

    dc::BackupRequest request;
    dc::Connection cnn(QStringLiteral("backup-tool"), root.dataCenterDb(2));
    try {
        const Settings settings = readSettings(cnn);
        request.serverIndex = settings.serverIndex;
        request.user = settings.user;
        request.password = settings.password;
        request.rows = dc::BackupListStore(cnn).rows();
        request.security = dc::storedFtpSecurity(cnn, dc::RowBackupTls);
        request.copyRecord = dc::temporaryCopyRecordFile(root.dataCenterDb(2));
    } catch (const std::exception& e) {
        const QString why = QStringLiteral("no se pudo leer la base de datos ")
                            + QDir::toNativeSeparators(root.dataCenterDb(2)) + QStringLiteral(": ")
                            + QString::fromStdString(e.what());
        err << "KOVA_BackUp: " << why << '\n';
        appendToLog(QStringLiteral("fin: ") + why);
        return kCannotStart;
    }

    dc::BackupEngine::Parts parts;
    parts.service = service;
    dc::FtpClientOptions ftp;
    ftp.serverMemoryFile = root.ftpServerMemoryFile(2);
    parts.client = dc::makeFtpClient(ftp);
    dc::BackupEngine engine(std::move(parts));
    int status = kStopped;
    QObject::connect(&engine, &dc::BackupEngine::finished, &app, [&](const dc::BackupResult& result) {
        const QString line = summary(result);
        out << "KOVA_BackUp: " << line << '\n';
        out.flush();
        appendToLog(QStringLiteral("fin: ") + line);
        // The run in edition 2's history, where the data center shows it.
        try {
            dc::RunHistory(cnn).record(dc::runRecordOf(result, service.toString()));
        } catch (const std::exception& e) {
            const QString why = dc::kMsgHistoryNotWritten + dc::errorText(e);
            err << "KOVA_BackUp: " << why << '\n';
            appendToLog(why);
        }
        status = exitStatus(result);
        QCoreApplication::exit(status);
    });
    dc::onTerminationRequest(&app, [&engine] {
        QTextStream(stderr) << "KOVA_BackUp: se pidió terminar; cancelando el respaldo\n";
        engine.cancel();
    });
    engine.start(request);
    app.exec();
    return status;
}
