#include "window/ProgramStart.h"

#include "widgets/Appearance.h"
#include "widgets/Pictures.h"

#include "window/TFrmPrincipal.h"
#include "window/TrayIcon.h"
#include "platform/InstallRoot.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLoggingCategory>

namespace dc {

Q_LOGGING_CATEGORY(lcStartup, "dc.startup", QtWarningMsg)


void prepareApplication()
{
    QApplication::setQuitOnLastWindowClosed(false);
    // No application display name: the window system would add it to every
    // caption ("KOVA Vazivo ze Rurov — datacenter2").
    QApplication::setWindowIcon(QIcon(programPicture()));
    QApplication::setStyle(new WindowStyle);
    installSpanishTranslations();
    // One font for the main window, the task form and every message box.
    QApplication::setFont(windowFont());
}

ProgramOptions parseProgramOptions(const QStringList& arguments, Edition edition)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(edition == Edition::Two
                                         ? QStringLiteral("KOVA Vazivo ze Rurov: backups, cloud sync and manual tasks.")
                                         : QStringLiteral("KOVA Vazivo ze Rurov: backs up the file list over FTP at every start."));
    parser.addHelpOption();
    const QCommandLineOption root(QStringLiteral("root"),
                                  QStringLiteral("Install root (default: %1).").arg(InstallRoot::defaultDriveRoot()),
                                  QStringLiteral("DIR"), InstallRoot::defaultDriveRoot());
    parser.addOption(root);
    const QCommandLineOption service(QStringLiteral("backup-service"),
                                     QStringLiteral("Host and port of the FTP backup service."),
                                     QStringLiteral("HOST[:PORT]"));
    if (edition == Edition::One) parser.addOption(service);
    parser.process(arguments);
    ProgramOptions o;
    o.driveRoot = parser.value(root);
    if (edition == Edition::One) o.backupService = parser.value(service);
    return o;
}

int runProgram(const ProgramOptions& options, Edition edition,
               const std::function<void(TFrmPrincipal&)>& addEditionParts)
{
    WindowDeps deps;
    deps.driveRoot = options.driveRoot;
    deps.edition = edition;
    TFrmPrincipal window(deps);
    if (addEditionParts) addEditionParts(window);
    window.FormCreate();
    // One line for whoever follows the start (QT_LOGGING_RULES="dc.startup.info=true").
    qCInfo(lcStartup).noquote() << QStringLiteral("arranque terminado; icono en la bandeja: %1")
                                       .arg(window.tray().isRegistered() ? QStringLiteral("sí") : QStringLiteral("no"));
    if (window.isEnding()) return window.exitStatus();
    return QApplication::exec();
}

}  // namespace dc
