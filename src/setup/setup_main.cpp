// datacenter-setup: lays out an install root for both editions.
#include "platform/Failure.h"
#include "platform/FolderAccess.h"
#include "platform/InstallRoot.h"
#include "platform/ProgramOptions.h"
#include "setup/InstallRootBuilder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <exception>

namespace {
// Exit statuses besides 0: the root could not be laid out; an account is
// unknown or a folder could not get its access list (the installer says which).
constexpr int kLayoutFailed = 1;
constexpr int kAccessFailed = 2;
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("datacenter-setup"));
    dc::ProgramOptionSet set;
    set.description =
        QStringLiteral("Lays out an install root for the data center: databases, templates, outbox and companion tools.");
    set.root = true;
    set.rootDefault = dc::InstallRoot::defaultDriveRoot();
    QCommandLineParser parser;  // this program's own options besides the shared ones
    const QCommandLineOption demoOpt(QStringLiteral("demo"), QStringLiteral("Add realistic sample data."));
    const QCommandLineOption forceOpt(QStringLiteral("force"), QStringLiteral("Replace databases that already exist."));
    // DC_TOOLS_FROM_BIN: the installed tools folder, relative to this program's (set by the build).
    const QString toolsDir = dc::defaultToolsDir(QCoreApplication::applicationDirPath(), QStringLiteral(DC_TOOLS_FROM_BIN));
    const QCommandLineOption toolsOpt(
        QStringLiteral("tools"),
        QStringLiteral("Folder holding the built companion tools (default: %1).")
            .arg(QDir::toNativeSeparators(toolsDir)),
        QStringLiteral("DIR"), toolsDir);
    // Windows: the installer (run as an administrator) has the install's
    // folders get their access lists; the accounts that run the programs are
    // the one running setup and each --cuenta.
    const QCommandLineOption accountOpt(
        QStringLiteral("cuenta"),
        QStringLiteral("Windows: otra cuenta que usa los programas (se puede repetir). Junto con la cuenta que ejecuta "
                       "este programa, es la única que lee y cambia las bases de datos y la bandeja de salida; los "
                       "programas los cambian solo los administradores."),
        QStringLiteral("NOMBRE"));
    parser.addOptions({demoOpt, forceOpt, toolsOpt, accountOpt});
    QString why;
    const std::optional<dc::ProgramOptions> given = dc::parseCommandLine(app.arguments(), set, &why, &parser);

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (given) why = dc::installRootProblem(given->root);
    if (!given || !why.isEmpty()) {
        err << "datacenter-setup: " << why << '\n';
        return kLayoutFailed;
    }
    const dc::InstallRoot root(given->root);
    dc::SetupOptions options;
    options.demo = parser.isSet(demoOpt);
    options.force = parser.isSet(forceOpt);
    options.toolsDir = parser.value(toolsOpt);
    // The accounts first: an unknown one stops setup before it changes anything.
    QStringList accountSids;
    try {
#ifdef _WIN32
        accountSids << dc::accountSid({});
#endif
        for (const QString& account : parser.values(accountOpt)) accountSids << dc::accountSid(account);
    } catch (const std::exception& e) {
        err << "datacenter-setup: " << dc::errorText(e) << '\n';
        return kAccessFailed;
    }
    QStringList report;
    try {
        report = dc::buildInstallRoot(root, options);
#ifdef _WIN32
        try {
            dc::applyInstallAccess(root, accountSids, report);
        } catch (const std::exception& e) {
            for (const QString& line : report) out << line << '\n';
            err << "datacenter-setup: " << dc::errorText(e) << '\n';
            return kAccessFailed;
        }
#endif
        for (const QString& line : report) out << line << '\n';
        out << "Raíz de instalación lista: " << QDir::toNativeSeparators(root.drive()) << '\n';
        return 0;
    } catch (const std::exception& e) {
        err << "datacenter-setup: " << dc::errorText(e) << '\n';
        return kLayoutFailed;
    }
}
