#include "tasks/ManualTasks.h"

#include "settings/Database.h"

#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>

namespace dc {

namespace {

QList<qint64> ids(QSqlQuery q)
{
    QList<qint64> out;
    while (q.next()) out.append(q.value(0).toLongLong());
    return out;
}

QChar firstSeparator(const QString& format, QChar fallback)
{
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        else if (!quoted && !c.isLetterOrNumber() && !c.isSpace()) return c;
    }
    return fallback;
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString stamp(const QDateTime& now, const QLocale& locale)
{
    const QChar d = dateSeparator(locale);
    const QChar t = timeSeparator(locale);
    const QDate day = now.date();
    return twoDigits(day.day()) + d + twoDigits(day.month()) + d + QString::number(day.year()) + QLatin1Char(' ')
           + twoDigits(now.time().hour()) + t + twoDigits(now.time().minute());
}

QString dayWithMonthName(QDate day, const QLocale& locale)
{
    const QChar d = dateSeparator(locale);
    return twoDigits(day.day()) + d + locale.monthName(day.month(), QLocale::LongFormat) + d
           + QString::number(day.year());
}

}  // namespace

QList<qint64> salesBetween(Connection& company, QDate first, QDate last)
{
    const SqlDialect& sql = company.dialect();
    return ids(company.query(QStringLiteral("select Id from tbl_app_saldos where fecha between :fecha1 and :fecha2"),
                             QVariantMap{{QStringLiteral("fecha1"), sql.dateTime(QDateTime(first, QTime(0, 0, 0)))},
                                         {QStringLiteral("fecha2"), sql.dateTime(QDateTime(last, QTime(23, 59, 59)))}}));
}

QList<qint64> activeProducts(Connection& company)
{
    return ids(company.query(QStringLiteral("select Id from tbl_app_productos where Inactivo = ")
                             + company.dialect().boolean(false)));
}

void postActions(Connection& company, const QList<qint64>& ids, const QString& tabla,
                 const std::function<void(int)>& committed)
{
    // One statement prepared once and run per row. The log is synced at
    // checkpoints, not at every commit: a committed row survives an end of
    // the program.
    const Connection::BulkWrites bulk(company);
    QSqlQuery insert = company.prepare(QStringLiteral("insert into tbl_web_acciones (Id, Tabla, Accion, Status) values (?, ?, ?, ?)"));
    const QString n = QStringLiteral("N");
    const auto stoppedAfter = [&](int stored, const QString& why) {
        return DbError(QStringLiteral("Se agregaron %1 de %2 acciones antes del error. ").arg(stored).arg(ids.size()) + why);
    };
    int stored = 0;
    QElapsedTimer open;
    while (stored < ids.size()) {
        try {
            company.beginWrite();
        } catch (const DbError& e) {
            throw stoppedAfter(stored, e.text());
        }
        open.start();
        const int limit = stored == 0 ? 1 : kActionsPerCommit;
        int pending = 0;
        QString failure;
        while (stored + pending < ids.size() && pending < limit && (pending == 0 || open.elapsed() < kCommitEveryMs)) {
            insert.bindValue(0, ids.at(stored + pending));
            insert.bindValue(1, tabla);
            insert.bindValue(2, n);
            insert.bindValue(3, n);
            if (!insert.exec()) {
                failure = sqlErrorText(insert.lastError());
                break;
            }
            ++pending;
        }
        // The rows before a refused one are kept, as they would be on their own.
        try {
            company.commit();
            stored += pending;
        } catch (const DbError& e) {
            if (failure.isEmpty()) failure = e.text();
            try { company.rollback(); } catch (const DbError&) {}
        }
        if (!failure.isEmpty()) throw stoppedAfter(stored, failure);
        committed(stored);
    }
}

QChar dateSeparator(const QLocale& locale)
{
    return firstSeparator(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
}

QChar timeSeparator(const QLocale& locale)
{
    return firstSeparator(locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
}

TaskRow salesTask(const QDateTime& now, const QString& company, QDate first, QDate last, const QLocale& locale)
{
    return {stamp(now, locale) + QLatin1Char('-') + company + QStringLiteral(": Agregar ventas por día."),
            dayWithMonthName(first, locale) + QStringLiteral(" A ") + dayWithMonthName(last, locale),
            QDateTime(first, QTime(0, 0, 0)), QDateTime(last, QTime(0, 0, 0))};
}

TaskRow productsTask(const QDateTime& now, const QString& company, const QLocale& locale)
{
    return {stamp(now, locale) + QLatin1Char('-') + company + QStringLiteral(": Agregar productos."),
            QStringLiteral("Todo"), QDateTime(), QDateTime()};
}

void recordTask(Connection& dataCenter, const TaskRow& task)
{
    dataCenter.exec(QStringLiteral("insert into tbl_app_TareasManuales (Descripcion, Valores, Fecha1, Fecha2) "
                                   "values (?, ?, ?, ?)"),
                    {task.descripcion, task.valores, dataCenter.dialect().dateTime(task.fecha1),
                     dataCenter.dialect().dateTime(task.fecha2)});
}

}  // namespace dc
