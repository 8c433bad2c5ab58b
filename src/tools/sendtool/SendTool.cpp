#include "tools/sendtool/SendTool.h"

#include "cloud/OutboxListing.h"
#include "ftpbackup/FtpClientFactory.h"
#include "platform/Clock.h"
#include "platform/InstallRoot.h"
#include "settings/Database.h"
#include "tools/sendtool/CloudSend.h"
#include "tools/toolsupport/ToolSupport.h"

#include <QDir>
#include <QTextStream>

namespace dc::sendtool {

int run(const InstallRoot& root)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString outbox = QDir::currentPath();
    OutboxContents waiting;
    try {
        waiting = filesToSend(outbox);
    } catch (const FolderError& e) {
        err << kName << ": " << QString::fromStdString(e.what()) << '\n';
        return kCannotStart;
    }

    Connection dataCenter(QStringLiteral("send"), root.dataCenterDb(2));
    CloudTarget target;
    try {
        target = readCloudTarget(dataCenter);
    } catch (const DbError& e) {
        err << kName << ": " << e.text() << '\n';
        return kCannotStart;
    }
    if (waiting.files.empty() && waiting.refused.empty()) {
        out << kName << ": no hay archivos por enviar\n";
        return kAllSent;
    }

    const SystemClock clock;
    CloudLogWriter log(dataCenter, kName, clock);
    FtpClientOptions ftp;
    ftp.serverMemoryFile = root.ftpServerMemoryFile(2);
    const std::unique_ptr<FtpClient> client = makeFtpClient(ftp);
    const SendReport report = sendOutbox(*client, target, outbox, waiting, log);
    QString line = QStringLiteral("%1 archivo(s) enviado(s)").arg(report.sent.size());
    if (!report.failed.isEmpty())
        line += QStringLiteral("; %1 no enviado(s), quedan en la bandeja de salida").arg(report.failed.size());
    out << kName << ": " << line << '\n';
    return report.failed.isEmpty() && !log.failed() ? kAllSent : kSomeNotSent;
}

}  // namespace dc::sendtool
