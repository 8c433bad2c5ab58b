#include "tools/generatetool/CloudExport.h"

#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "tools/toolsupport/ToolSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <QXmlStreamWriter>

#include <stdexcept>

namespace dc {

namespace {

class ExportError : public Failure {
public:
    using Failure::Failure;
};

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Text as XML 1.0 can carry it: characters it does not allow (control
// characters, unpaired surrogates) become U+FFFD.
QString xmlText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u < 0xD800) || (u >= 0xE000 && u <= 0xFFFD)) {
            out += c;
        } else {
            out += QChar(QChar::ReplacementCharacter);
        }
    }
    return out;
}

struct Action {
    QString id;
    QString tabla;
    QString accion;
};

struct BranchRow {
    int id = 0;
    QString nombre;
    QString valor;
};

QList<Action> pendingActions(Connection& company)
{
    QList<Action> actions;
    QSqlQuery q = company.query(QStringLiteral("select Id, Tabla, Accion from tbl_web_acciones where Status = ?"),
                                {kActionPending});
    while (q.next()) actions.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    return actions;
}

QList<BranchRow> branchRows(Connection& company)
{
    QList<BranchRow> rows;
    QSqlQuery q = company.query(
        QStringLiteral("select Id, Nombre, Valor from tbl_app_configuracion where Id between ? and ? order by Id"),
        {static_cast<int>(RowSendSales), static_cast<int>(RowSendDetailedSales)});
    while (q.next()) rows.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toString()});
    return rows;
}

QString branchName(const QList<BranchRow>& rows)
{
    for (const BranchRow& r : rows)
        if (r.id == RowBranchName) return r.valor.trimmed();
    return {};
}

// Writes the whole export under `path`, synced to the disk before it gets
// that name (QSaveFile), so a file that exists is complete.
void writeExport(const QString& path, int companyId, const QString& empresa, const QString& baseDeDatos,
                 const QList<BranchRow>& branch, const QList<Action>& actions, const QDateTime& when)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ExportError(QStringLiteral("no se pudo crear ") + native(path) + QStringLiteral(": ") + file.errorString());
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("ExportacionNube"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    // With the UTC offset, so the cloud can order exports of shops in other time zones.
    xml.writeAttribute(QStringLiteral("generado"), when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODate));

    xml.writeEmptyElement(QStringLiteral("Empresa"));
    xml.writeAttribute(QStringLiteral("Id"), QString::number(companyId));
    xml.writeAttribute(QStringLiteral("Nombre"), xmlText(empresa));
    xml.writeAttribute(QStringLiteral("BaseDeDatos"), xmlText(baseDeDatos));

    xml.writeStartElement(QStringLiteral("Sucursal"));
    xml.writeAttribute(QStringLiteral("Nombre"), xmlText(branchName(branch)));
    for (const BranchRow& r : branch) {
        xml.writeEmptyElement(QStringLiteral("Configuracion"));
        xml.writeAttribute(QStringLiteral("Id"), QString::number(r.id));
        xml.writeAttribute(QStringLiteral("Nombre"), xmlText(r.nombre));
        xml.writeAttribute(QStringLiteral("Valor"), xmlText(r.valor));
    }
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("Acciones"));
    xml.writeAttribute(QStringLiteral("Total"), QString::number(actions.size()));
    for (const Action& a : actions) {
        xml.writeEmptyElement(QStringLiteral("Accion"));
        xml.writeAttribute(QStringLiteral("Tabla"), xmlText(a.tabla));
        xml.writeAttribute(QStringLiteral("Id"), xmlText(a.id));
        xml.writeAttribute(QStringLiteral("Accion"), xmlText(a.accion));
    }
    xml.writeEndElement();

    xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError() || !file.commit())
        throw ExportError(QStringLiteral("no se pudo escribir ") + native(path) + QStringLiteral(": ")
                          + file.errorString());
}

}  // namespace

QString exportFileName(const QString& branch, const QString& empresa, int companyId, const QDateTime& when)
{
    // Names travel by FTP to another system: ASCII letters and digits, words joined by '_'.
    const QString source = (branch.trimmed().isEmpty() ? empresa : branch).normalized(QString::NormalizationForm_D);
    QString part;
    for (const QChar c : source) {
        if (c.category() == QChar::Mark_NonSpacing) continue;  // the accent of a decomposed letter
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                           || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
        if (plain)
            part += c;
        else if (!part.isEmpty() && !part.endsWith(QLatin1Char('_')))
            part += QLatin1Char('_');
        if (part.size() >= 40) break;
    }
    while (part.endsWith(QLatin1Char('_'))) part.chop(1);
    if (part.isEmpty()) part = QStringLiteral("Sucursal");
    return part + QLatin1Char('_') + QString::number(companyId) + QLatin1Char('_')
           + when.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + QStringLiteral(".xml");
}

CloudExporter::CloudExporter(const InstallRoot& root, QString outbox, CloudLogWriter& log, const Clock& clock)
    : m_root(root), m_outbox(std::move(outbox)), m_log(log), m_clock(clock)
{
}

ExportReport CloudExporter::run()
{
    const QList<Company> list = companies();
    removeLeftovers();
    ExportReport report;
    for (const Company& company : list) {
        try {
            int actions = 0;
            const QString file = exportCompany(company, &actions);
            if (file.isEmpty()) continue;
            report.written << file;
            report.actions += actions;
            m_log.write(QStringLiteral("Generado: %1 (%2, %3 acciones)").arg(file, company.empresa).arg(actions));
        } catch (const std::exception& e) {
            ++report.failures;
            m_log.write(QStringLiteral("Error al generar la exportación de %1: %2").arg(company.empresa, errorText(e)));
        }
    }
    return report;
}

QList<CloudExporter::Company> CloudExporter::companies()
{
    QList<Company> list;
    Connection pointOfSale(QStringLiteral("export-companies"), m_root.pointOfSale5Db(), DatabaseRole::PointOfSale);
    QSqlQuery q = pointOfSale.query(QStringLiteral("select Id, Empresa, BaseDeDatos from tbl_app_empresas order by Id"));
    while (q.next()) list.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toString()});
    return list;
}

void CloudExporter::removeLeftovers()
{
    // Only one run at a time: a partial file found now is from a run that
    // ended before renaming it, and its actions are still pending.
    const QDir dir(m_outbox);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (isPartialExport(name) && !QFile::remove(dir.filePath(name)))
            QTextStream(stderr) << "KOVA_GeneraXML: no se pudo borrar el archivo incompleto "
                                << native(dir.filePath(name)) << '\n';
    }
}

QString CloudExporter::exportCompany(const Company& company, int* actions)
{
    Connection db(QStringLiteral("export"), m_root.companyDb(company.baseDeDatos), DatabaseRole::Company);
    // The write lock is taken before the pending actions are read and held
    // until they are marked, so no action can be queued in between: exactly
    // the rows in the file are the rows marked.
    //
    // Order: the file is complete on disk under its final name before the
    // marks are committed. A crash before the commit leaves the actions
    // pending (the transaction rolls back) and the next run exports them
    // again: the cloud may receive an action twice, but never loses one. The
    // other order (mark, then write) could lose them.
    WriteTransaction tx(db);
    const QList<Action> pending = pendingActions(db);
    if (pending.isEmpty()) return {};
    const QList<BranchRow> branch = branchRows(db);
    const QDateTime when = m_clock.now();
    const QString name = freeFileName(branchName(branch), company, when);
    const QString partial = QDir(m_outbox).filePath(partialExportName(name));
    const QString complete = QDir(m_outbox).filePath(name);
    try {
        writeExport(partial, company.id, company.empresa, company.baseDeDatos, branch, pending, when);
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    if (!QFile::rename(partial, complete)) {
        QFile::remove(partial);
        throw ExportError(QStringLiteral("no se pudo renombrar ") + native(partial) + QStringLiteral(" a ") + name);
    }
    try {
        const int marked = db.exec(QStringLiteral("update tbl_web_acciones set Status = ? where Status = ?"),
                                   {kActionExported, kActionPending});
        if (marked != pending.size())
            throw ExportError(QStringLiteral("se exportaron %1 acciones pero se iban a marcar %2; se exportarán de nuevo")
                                  .arg(pending.size())
                                  .arg(marked));
        tx.commit();
    } catch (...) {
        // Not marked: take the file back so the next run exports the actions
        // once. If the send tool took it already, they are sent twice.
        QFile::remove(complete);
        throw;
    }
    *actions = static_cast<int>(pending.size());
    return name;
}

QString CloudExporter::freeFileName(const QString& branch, const Company& company, const QDateTime& when) const
{
    const QDir dir(m_outbox);
    const QString base = exportFileName(branch, company.empresa, company.id, when);
    QString name = base;
    for (int n = 2; QFileInfo::exists(dir.filePath(name)) || QFileInfo::exists(dir.filePath(partialExportName(name)));
         ++n)
        name = base.chopped(4) + QLatin1Char('_') + QString::number(n) + QStringLiteral(".xml");
    return name;
}

}  // namespace dc
