#include "tools/generatetool/GenerateTool.h"

#include "platform/Clock.h"
#include "platform/InstallRoot.h"
#include "settings/Database.h"
#include "tools/generatetool/CloudExport.h"
#include "tools/toolsupport/ToolSupport.h"

#include <QDir>
#include <QTextStream>

namespace dc::generatetool {

namespace {

QString summary(const ExportReport& r)
{
    QString line = r.written.isEmpty()
                       ? QStringLiteral("no hay acciones pendientes por exportar")
                       : QStringLiteral("%1 archivo(s) generado(s) con %2 accion(es)").arg(r.written.size()).arg(r.actions);
    if (r.failures > 0) line += QStringLiteral("; %1 empresa(s) con error (ver el registro)").arg(r.failures);
    return line;
}

}  // namespace

int run(const InstallRoot& root)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    Connection dataCenter(QStringLiteral("generate-log"), root.dataCenterDb(2));
    try {
        dataCenter.open();
    } catch (const DbError& e) {
        err << kName << ": " << e.text() << '\n';
        return kCannotStart;
    }
    const SystemClock clock;
    CloudLogWriter log(dataCenter, kName, clock);
    CloudExporter exporter(root, QDir::currentPath(), log, clock);
    ExportReport report;
    try {
        report = exporter.run();
    } catch (const DbError& e) {
        log.write(QStringLiteral("Error al generar: no se pudo leer la lista de empresas (%1): %2")
                      .arg(QDir::toNativeSeparators(root.pointOfSale5Db()), e.text()));
        out << kName << ": nada generado\n";
        return kCannotStart;
    }
    out << kName << ": " << summary(report) << '\n';
    return report.failures > 0 || log.failed() ? kSomeFailed : kExported;
}

}  // namespace dc::generatetool
