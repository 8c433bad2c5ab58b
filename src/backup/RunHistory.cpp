#include "backup/RunHistory.h"

#include "settings/Database.h"

#include <QSqlQuery>

namespace dc {

namespace {

constexpr int kTextMax = 255;

// A text that fits its column, never cut in the middle of a character.
QString fit(const QString& text)
{
    if (text.size() <= kTextMax) return text;
    QString cut = text.left(kTextMax);
    if (cut.back().isHighSurrogate()) cut.chop(1);
    return cut;
}

// A date the engine gave back: a date value (Jet) or the ISO text (SQLite).
QDateTime dateOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
    return QDateTime::fromString(v.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

QString lastCompleteText(const QDateTime& lastComplete)
{
    if (!lastComplete.isValid()) return QStringLiteral("Aún no hay un respaldo completo");
    return QStringLiteral("Último respaldo completo: ") + lastComplete.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

bool backupOverdue(const QDateTime& now, const QDateTime& lastComplete, const QDateTime& firstStart)
{
    const QDateTime since = lastComplete.isValid() ? lastComplete : firstStart;
    return since.isValid() && since.secsTo(now) > qint64(kOverdueDays) * 24 * 3600;
}

void RunHistory::record(const RunRecord& run)
{
    const SqlDialect& sql = m_db.dialect();
    WriteTransaction t(m_db);
    m_db.exec(QStringLiteral("insert into tbl_app_historial (Inicio, Fin, Resultado, Archivos, Bytes, Servicio, Detalle) "
                             "values (?, ?, ?, ?, ?, ?, ?)"),
              {sql.dateTime(run.start), sql.dateTime(run.end), run.outcome, run.files, double(run.bytes), fit(run.service),
               fit(run.detail)});
    const qint64 id = m_db.scalar(QStringLiteral("select max(Id) from tbl_app_historial")).toLongLong();
    for (const RunRecord::Failure& f : run.failures)
        m_db.exec(QStringLiteral("insert into tbl_app_historial_fallas (Corrida, Archivo, Error) values (?, ?, ?)"),
                  {id, fit(f.file), fit(f.error)});
    m_db.exec(QStringLiteral("delete from tbl_app_historial_fallas where Corrida <= ?"), {id - kKept});
    m_db.exec(QStringLiteral("delete from tbl_app_historial where Id <= ?"), {id - kKept});
    t.commit();
}

RunHistory::Times RunHistory::times()
{
    Times t;
    t.lastComplete = dateOf(
        m_db.scalar(QStringLiteral("select max(Inicio) from tbl_app_historial where Resultado = ?"), {kOutcomeComplete}));
    t.lastStart = dateOf(m_db.scalar(QStringLiteral("select max(Inicio) from tbl_app_historial")));
    t.firstStart = dateOf(m_db.scalar(QStringLiteral("select min(Inicio) from tbl_app_historial")));
    return t;
}

QList<RunRecord> RunHistory::runs()
{
    QList<RunRecord> list;
    QSqlQuery q = m_db.query(QStringLiteral("select Id, Inicio, Fin, Resultado, Archivos, Bytes, Servicio, Detalle "
                                            "from tbl_app_historial order by Id desc"));
    while (q.next()) {
        RunRecord r;
        r.id = q.value(0).toLongLong();
        r.start = dateOf(q.value(1));
        r.end = dateOf(q.value(2));
        r.outcome = q.value(3).toString();
        r.files = q.value(4).toInt();
        r.bytes = qRound64(q.value(5).toDouble());
        r.service = q.value(6).toString();
        r.detail = q.value(7).toString();
        list << r;
    }
    return list;
}

QList<RunRecord::Failure> RunHistory::failures(qint64 runId)
{
    QList<RunRecord::Failure> list;
    QSqlQuery q = m_db.query(QStringLiteral("select Archivo, Error from tbl_app_historial_fallas where Corrida = ? order by Id"),
                             {runId});
    while (q.next()) list.append({q.value(0).toString(), q.value(1).toString()});
    return list;
}

}  // namespace dc
