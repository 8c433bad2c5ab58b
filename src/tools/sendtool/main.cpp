// KOVA_EnviaXML.exe: the send tool of the cloud cycle. Installed in
// <root>/KOVA_VazivoZeRurov_2/ and started by the data center without
// arguments, with the outbox as its current directory. Uploads every ordinary
// file of the current directory by FTP to the cloud server of settings rows 8
// to 10 (row 15: TLS), checks that the server holds all of it and only then removes it; a
// file that did not go, or that changed meanwhile, stays for the next run.
// Links, FIFOs, devices, sockets and names that are not UTF-8 are never sent:
// each is reported and counts as not sent. One cloud log row per file. It
// refuses to run in any other folder than the outbox of its install root.
// --root DIR names another install root (for use by hand). Prints one summary
// line.
//
// Exit status:
//   0  every file was delivered (or there was none)
//   1  some file was not delivered and stays in the outbox, or a log row could
//      not be written (each failure is on the standard error)
//   2  nothing done: bad arguments, not started in the outbox, another run
//      under way, the outbox cannot be listed, or the data-center database
//      cannot be read
#include "cloud/OutboxListing.h"
#include "ftpbackup/FtpClientFactory.h"
#include "platform/Clock.h"
#include "settings/Database.h"
#include "setup/tools/CloudSend.h"
#include "setup/tools/ToolSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

enum ExitStatus { kAllSent = 0, kSomeNotSent = 1, kCannotStart = 2 };

const QString kTool = QStringLiteral("KOVA_EnviaXML");

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(kTool);
    QTextStream out(stdout);
    QTextStream err(stderr);

    dc::InstallRoot root(QString{});
    const QString description = QStringLiteral("Sube por FTP al servidor de la Nube KOVA los archivos de la carpeta actual.");
    // Two runs would send the same files at the same time.
    const auto running = dc::startOutboxTool(app, kTool, description, QStringLiteral("ya hay un envío en curso; no se inicia otro"), &root);
    if (!running) return kCannotStart;

    const QString outbox = QDir::currentPath();
    dc::OutboxContents waiting;
    try {
        waiting = dc::filesToSend(outbox);
    } catch (const dc::FolderError& e) {
        err << kTool << ": " << QString::fromStdString(e.what()) << '\n';
        return kCannotStart;
    }

    dc::Connection dataCenter(QStringLiteral("send"), root.dataCenterDb(2));
    dc::CloudTarget target;
    try {
        target = dc::readCloudTarget(dataCenter);
    } catch (const dc::DbError& e) {
        err << kTool << ": " << e.text() << '\n';
        return kCannotStart;
    }
    if (waiting.files.empty() && waiting.refused.empty()) {
        out << kTool << ": no hay archivos por enviar\n";
        return kAllSent;
    }

    const dc::SystemClock clock;
    dc::CloudLogWriter log(dataCenter, kTool, clock);
    dc::FtpClientOptions ftp;
    ftp.serverMemoryFile = root.ftpServerMemoryFile(2);
    const std::unique_ptr<dc::FtpClient> client = dc::makeFtpClient(ftp);
    const dc::SendReport report = dc::sendOutbox(*client, target, outbox, waiting, log);
    QString line = QStringLiteral("%1 archivo(s) enviado(s)").arg(report.sent.size());
    if (!report.failed.isEmpty())
        line += QStringLiteral("; %1 no enviado(s), quedan en la bandeja de salida").arg(report.failed.size());
    out << kTool << ": " << line << '\n';
    return report.failed.isEmpty() && !log.failed() ? kAllSent : kSomeNotSent;
}
