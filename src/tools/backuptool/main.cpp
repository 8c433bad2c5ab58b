// KOVA_BackUp.exe: the backup tool of edition 2. Installed in
// <root>/KOVA_VazivoZeRurov_2/, it reads that edition's data-center database
// (settings rows 1 to 5 and 14, and the backup list), runs one backup with the FTP
// engine without a window, keeps it in that database's run history, prints a
// summary line and ends with status 0 only when every file was backed up. The data center starts it without arguments;
// --backup-service HOST[:PORT] points it at another service.
#include "ftpbackup/BackupService.h"
#include "platform/ProgramOptions.h"
#include "tools/backuptool/BackupTool.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv)
{
    namespace tool = dc::backuptool;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(tool::kName);
    tool::appendToLog(QStringLiteral("inicio; carpeta de trabajo: ") + QDir::toNativeSeparators(QDir::currentPath()));

    dc::ProgramOptionSet set;
    set.description = QStringLiteral("Respalda los archivos de la lista de respaldo en el servicio FTP.");
    set.backupService = true;
    set.backupServiceDefault = dc::defaultBackupService().toString();
    QString why;
    const std::optional<dc::ProgramOptions> options = dc::parseCommandLine(QCoreApplication::arguments(), set, &why);
    if (!options) {
        QTextStream(stderr) << tool::kName << ": " << why << '\n';
        tool::appendToLog(QStringLiteral("fin: ") + why);
        return tool::kCannotStart;
    }
    return tool::run(options->backupService);
}
