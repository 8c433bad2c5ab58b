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
#include "platform/Clock.h"
#include "settings/Database.h"
#include "setup/tools/CloudExport.h"
#include "setup/tools/ToolSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

enum ExitStatus { kExported = 0, kSomeFailed = 1, kCannotStart = 2 };

const QString kTool = QStringLiteral("KOVA_GeneraXML");

QString summary(const dc::ExportReport& r)
{
    QString line = r.written.isEmpty()
                       ? QStringLiteral("no hay acciones pendientes por exportar")
                       : QStringLiteral("%1 archivo(s) generado(s) con %2 accion(es)").arg(r.written.size()).arg(r.actions);
    if (r.failures > 0) line += QStringLiteral("; %1 empresa(s) con error (ver el registro)").arg(r.failures);
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(kTool);
    QTextStream out(stdout);
    QTextStream err(stderr);

    dc::InstallRoot root(QString{});
    const QString description = QStringLiteral("Genera en la carpeta actual un archivo XML por empresa con sus acciones pendientes.");
    const auto running = dc::startOutboxTool(app, kTool, description, QStringLiteral("ya hay una generación en curso; no se inicia otra"), &root);
    if (!running) return kCannotStart;

    dc::Connection dataCenter(QStringLiteral("generate-log"), root.dataCenterDb(2));
    try {
        dataCenter.open();
    } catch (const dc::DbError& e) {
        err << kTool << ": " << e.text() << '\n';
        return kCannotStart;
    }
    const dc::SystemClock clock;
    dc::CloudLogWriter log(dataCenter, kTool, clock);
    dc::CloudExporter exporter(root, QDir::currentPath(), log, clock);
    dc::ExportReport report;
    try {
        report = exporter.run();
    } catch (const dc::DbError& e) {
        log.write(QStringLiteral("Error al generar: no se pudo leer la lista de empresas (%1): %2")
                      .arg(QDir::toNativeSeparators(root.pointOfSale5Db()), e.text()));
        out << kTool << ": nada generado\n";
        return kCannotStart;
    }
    out << kTool << ": " << summary(report) << '\n';
    return report.failures > 0 || log.failed() ? kSomeFailed : kExported;
}
