// datacenter1: the tray agent that backs up its list over FTP at every start
// and ends when a run has gone through the whole list.
#include "datacenter1/FtpBackupController.h"
#include "ftpbackup/BackupService.h"
#include "ftpbackup/FtpClientFactory.h"
#include "window/ProgramStart.h"
#include "platform/InstallRoot.h"
#include "platform/TerminationRequest.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dc::prepareApplication();
    const dc::ProgramOptions options = dc::parseProgramOptions(QApplication::arguments(), dc::Edition::One);
    dc::BackupEngine::Parts parts;
    if (!options.backupService.isEmpty()) {
        QString why;
        const std::optional<dc::ServiceAddress> service = dc::parseBackupService(options.backupService, &why);
        if (!service) {
            QTextStream(stderr) << QApplication::applicationName() << ": " << why << '\n';
            return 2;
        }
        parts.service = *service;
    }
    // What the client learns of the service stays for the next start, beside edition 1's database.
    dc::FtpClientOptions ftp;
    ftp.serverMemoryFile = dc::InstallRoot(options.driveRoot).ftpServerMemoryFile(1);
    parts.client = dc::makeFtpClient(ftp);
    return dc::runProgram(options, dc::Edition::One, [&parts](dc::TFrmPrincipal& window) {
        auto* backup = new dc::FtpBackupController(window, std::move(parts));
        dc::onTerminationRequest(backup, [backup] { backup->endOnRequest(); });
    });
}
