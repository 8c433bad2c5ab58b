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
#include "platform/InstallRoot.h"
#include "tools/sendtool/SendTool.h"
#include "tools/toolsupport/ToolSupport.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    namespace tool = dc::sendtool;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(tool::kName);
    dc::InstallRoot root(QString{});
    const QString description = QStringLiteral("Sube por FTP al servidor de la Nube KOVA los archivos de la carpeta actual.");
    // Two runs would send the same files at the same time.
    const auto running = dc::startOutboxTool(app, tool::kName, description, QStringLiteral("ya hay un envío en curso; no se inicia otro"), &root);
    if (!running) return tool::kCannotStart;
    return tool::run(root);
}
