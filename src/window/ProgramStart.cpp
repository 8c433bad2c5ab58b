#include "window/ProgramStart.h"

#include "widgets/Appearance.h"
#include "widgets/Pictures.h"

#include "window/TFrmPrincipal.h"
#include "window/TrayIcon.h"
#include "platform/InstallRoot.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QTextStream>

namespace dc {

Q_LOGGING_CATEGORY(lcStartup, "dc.startup", QtWarningMsg)


void prepareApplication()
{
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (std::none_of(arguments.begin(), arguments.end(), [](const QString& a) {
            return a == QLatin1String("-h") || a == QLatin1String("-?") || a.startsWith(QLatin1String("--help"));
        }))
        preloadPictures();
    QApplication::setQuitOnLastWindowClosed(false);
    // No application display name: the window system would add it to every
    // caption ("KOVA Vazivo ze Rurov — datacenter2").
    QApplication::setWindowIcon(QIcon(programPicture()));
    QApplication::setStyle(new WindowStyle);
    installSpanishTranslations();
    // One font for the main window, the task form and every message box.
    QApplication::setFont(windowFont());
}

std::optional<ProgramOptions> parseProgramOptions(const QStringList& arguments, Edition edition)
{
    ProgramOptionSet set;
    set.description = edition == Edition::Two
                          ? QStringLiteral("KOVA Vazivo ze Rurov: backups, cloud sync and manual tasks.")
                          : QStringLiteral("KOVA Vazivo ze Rurov: backs up the file list over FTP at every start.");
    set.root = true;
    set.rootDefault = InstallRoot::defaultDriveRoot();
    set.backupService = edition == Edition::One;
    QString why;
    std::optional<ProgramOptions> options = parseCommandLine(arguments, set, &why);
    if (!options) QTextStream(stderr) << QCoreApplication::applicationName() << ": " << why << '\n';
    return options;
}

int runProgram(const ProgramOptions& options, Edition edition,
               const std::function<void(TFrmPrincipal&)>& addEditionParts)
{
    WindowDeps deps;
    deps.driveRoot = options.root;
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
