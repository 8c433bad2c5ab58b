#pragma once

#include "platform/Clock.h"
#include "platform/InstallRoot.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace dc {

class CloudLogWriter;

// The generate tool's work: one XML export per company of the point-of-sale 5
// database that has pending actions (tbl_web_acciones, Status "N"), written
// into the outbox, its actions then marked as exported (Status "E").
//
// The export:
//   <ExportacionNube version="1" generado="2026-03-12T10:15:00">
//     <Empresa Id="2" Nombre="Abarrotes Centro" BaseDeDatos="Abarrotes_Centro.mdb"/>
//     <Sucursal Nombre="Centro">
//       <Configuracion Id="168" Nombre="NubeVentasGenerales" Valor="1"/>   (rows 168 to 172)
//     </Sucursal>
//     <Acciones Total="12">
//       <Accion Tabla="Tbl_App_Saldos" Id="4711" Accion="N"/>
//     </Acciones>
//   </ExportacionNube>

inline const QString kActionPending = QStringLiteral("N");
inline const QString kActionExported = QStringLiteral("E");

// The file name of an export: the branch (row 169, or the company's name when
// the branch has none; letters without accents and digits, its words joined
// by '_'), the company's id and the time to the millisecond, e.g.
// "Abarrotes_Centro_Matriz_2_20260312-101500-123.xml".
QString exportFileName(const QString& branch, const QString& empresa, int companyId, const QDateTime& when);

struct ExportReport {
    QStringList written;   // file names, in the order written
    int actions = 0;       // actions exported, over all files
    int failures = 0;      // companies that could not be exported
};

class CloudExporter {
public:
    CloudExporter(const InstallRoot& root, QString outbox, CloudLogWriter& log, const Clock& clock);

    // Exports every company. A company that fails is logged and the others
    // still go; throws DbError only when the company list cannot be read.
    ExportReport run();

private:
    struct Company {
        int id = 0;
        QString empresa;
        QString baseDeDatos;
    };
    QList<Company> companies();
    void removeLeftovers();
    // Exports one company; returns the file written, empty when it had nothing pending.
    QString exportCompany(const Company& company, int* actions);
    QString freeFileName(const QString& branch, const Company& company, const QDateTime& when) const;

    const InstallRoot& m_root;
    QString m_outbox;
    CloudLogWriter& m_log;
    const Clock& m_clock;
};

}  // namespace dc
