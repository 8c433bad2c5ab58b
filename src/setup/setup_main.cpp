// datacenter-setup: lays out an install root for both editions.
#include "platform/Failure.h"
#include "platform/FolderAccess.h"
#include "platform/InstallRoot.h"
#include "setup/InstallRootBuilder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <exception>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("datacenter-setup"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lays out an install root for the data center: databases, templates, outbox and companion tools."));
    parser.addHelpOption();
    const QCommandLineOption rootOpt(QStringLiteral("root"),
                                     QStringLiteral("Install root (default: %1).").arg(dc::InstallRoot::defaultDriveRoot()),
                                     QStringLiteral("DIR"), dc::InstallRoot::defaultDriveRoot());
    const QCommandLineOption demoOpt(QStringLiteral("demo"), QStringLiteral("Add realistic sample data."));
    const QCommandLineOption forceOpt(QStringLiteral("force"), QStringLiteral("Replace databases that already exist."));
    // DC_TOOLS_FROM_BIN: the installed tools folder, relative to this program's (set by the build).
    const QString toolsDir = dc::defaultToolsDir(QCoreApplication::applicationDirPath(), QStringLiteral(DC_TOOLS_FROM_BIN));
    const QCommandLineOption toolsOpt(
        QStringLiteral("tools"),
        QStringLiteral("Folder holding the built companion tools (default: %1).")
            .arg(QDir::toNativeSeparators(toolsDir)),
        QStringLiteral("DIR"), toolsDir);
    // The installer (run as an administrator) gives the install's folders their
    // access lists: the accounts that run the programs are the one running
    // setup and each --cuenta.
    const QCommandLineOption accessOpt(
        QStringLiteral("permisos"),
        QStringLiteral("Windows: give the install's folders their access lists (programs: administrators change them, "
                       "users run them; databases and outbox: only the accounts that run the programs)."));
    const QCommandLineOption accountOpt(QStringLiteral("cuenta"),
                                        QStringLiteral("With --permisos: another account that runs the programs."),
                                        QStringLiteral("NOMBRE"));
    parser.addOptions({rootOpt, demoOpt, forceOpt, toolsOpt, accessOpt, accountOpt});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (const QString why = dc::installRootProblem(parser.value(rootOpt)); !why.isEmpty()) {
        err << "datacenter-setup: " << why << '\n';
        return 1;
    }
    const dc::InstallRoot root(parser.value(rootOpt));
    dc::SetupOptions options;
    options.demo = parser.isSet(demoOpt);
    options.force = parser.isSet(forceOpt);
    options.toolsDir = parser.value(toolsOpt);
    try {
        QStringList report = dc::buildInstallRoot(root, options);
        if (parser.isSet(accessOpt)) {
#ifdef _WIN32
            QStringList sids{dc::accountSid({})};
            for (const QString& account : parser.values(accountOpt)) sids << dc::accountSid(account);
            sids.removeDuplicates();
            report << dc::applyInstallAccess(root, sids);
#else
            report << QStringLiteral("permisos: las carpetas ya son solo de su dueño (las listas de acceso son de Windows)");
#endif
        }
        for (const QString& line : report) out << line << '\n';
        out << "Raíz de instalación lista: " << QDir::toNativeSeparators(root.drive()) << '\n';
        return 0;
    } catch (const std::exception& e) {
        err << "datacenter-setup: " << dc::errorText(e) << '\n';
        return 1;
    }
}
