#include "backup/RunHistory.h"

#include "settings/Database.h"

#include <QSqlQuery>

#include <algorithm>

namespace dc {

namespace {

constexpr int kTextMax = 255;
constexpr int kOutcomeMax = 40;

// A text as the history stores it: each unpaired UTF-16 surrogate (Windows
// allows them in file names; no database takes them) becomes U+FFFD, and the
// text fits its column, never cut in the middle of a character.
QString storable(const QString& text, qsizetype max = kTextMax)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if (c.isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            out[i] = QChar(QChar::ReplacementCharacter);
    }
    if (out.size() <= max) return out;
    out.truncate(max);
    if (out.back().isHighSurrogate()) out.chop(1);
    return out;
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

QString moreFilesLeftOutText(qsizetype count)
{
    return QStringLiteral("y otros %1 archivo(s) sin respaldar").arg(count);
}

void RunHistory::record(const RunRecord& run)
{
    const SqlDialect& sql = m_db.dialect();
    WriteTransaction t(m_db);
    m_db.exec(QStringLiteral("insert into tbl_app_historial (Inicio, Fin, Resultado, Archivos, Bytes, Servicio, Detalle) "
                             "values (?, ?, ?, ?, ?, ?, ?)"),
              {sql.dateTime(run.start), sql.dateTime(run.end), storable(run.outcome, kOutcomeMax), run.files,
               double(run.bytes), storable(run.service), storable(run.detail)});
    const qint64 id = m_db.scalar(QStringLiteral("select max(Id) from tbl_app_historial")).toLongLong();
    const auto addFailure = [&](const QString& file, const QString& error) {
        m_db.exec(QStringLiteral("insert into tbl_app_historial_fallas (Corrida, Archivo, Error) values (?, ?, ?)"),
                  {id, storable(file), storable(error)});
    };
    const qsizetype listed = std::min<qsizetype>(run.failures.size(), kFailuresListed);
    for (qsizetype i = 0; i < listed; ++i) addFailure(run.failures[i].file, run.failures[i].error);
    if (run.failures.size() > listed) addFailure(kMoreFilesLeftOut, moreFilesLeftOutText(run.failures.size() - listed));
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
