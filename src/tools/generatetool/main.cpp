// KOVA_GeneraXML.exe: the generate tool of the cloud cycle. Installed in
// <root>/KOVA_VazivoZeRurov_2/ and started by the data center without
// arguments, with the outbox as its current directory. For every company of
// the point-of-sale 5 database with pending actions it writes one XML export
// into the current directory and marks those actions as exported; every file
// and every failure gets a row in the cloud log. It refuses to run in any
// other folder than the outbox of its install root. --root DIR names another
// install root (for use by hand). Prints one summary line.
//
// Exit status:
//   0  every company with pending actions was exported (or none had any)
//   1  some company could not be exported, or a log row could not be written
//      (the others were exported; each failure is on the standard error)
//   2  nothing done: bad arguments, not started in the outbox, another run
//      under way, or the data-center database or the company list could not
//      be read
#include "platform/InstallRoot.h"
#include "tools/generatetool/GenerateTool.h"
#include "tools/toolsupport/ToolSupport.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    namespace tool = dc::generatetool;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(tool::kName);
    dc::InstallRoot root(QString{});
    const QString description = QStringLiteral("Genera en la carpeta actual un archivo XML por empresa con sus acciones pendientes.");
    const auto running = dc::startOutboxTool(app, tool::kName, description, QStringLiteral("ya hay una generación en curso; no se inicia otra"), &root);
    if (!running) return tool::kCannotStart;
    return tool::run(root);
}
