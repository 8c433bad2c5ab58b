// datacenter1: the tray agent that backs up its list over FTP at every start
// and ends when a run has gone through the whole list.
#include "datacenter1/FtpBackupController.h"
#include "window/ProgramStart.h"
#include "platform/InstallRoot.h"
#include "platform/TerminationRequest.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dc::prepareApplication();
    const std::optional<dc::ProgramOptions> options =
        dc::parseProgramOptions(QApplication::arguments(), dc::Edition::One);
    if (!options) return 2;
    // What the client learns of the service stays for the next start, beside edition 1's database.
    dc::BackupEngine::Parts parts = dc::BackupJob::engineParts(dc::InstallRoot(options->root), 1, options->backupService);
    return dc::runProgram(*options, dc::Edition::One, [&parts](dc::TFrmPrincipal& window) {
        auto* backup = new dc::FtpBackupController(window, std::move(parts));
        dc::onTerminationRequest(backup, [backup] { backup->endOnRequest(); });
    });
}
