#include "tasks/ManualTasks.h"

#include "settings/Database.h"

#include <QScopeGuard>
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

QString firstMomentOf(QDate day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

QString lastMomentOf(QDate day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59");
}

QList<qint64> salesBetween(Connection& company, QDate first, QDate last)
{
    return ids(company.query(QStringLiteral("select Id from tbl_app_saldos where fecha between :fecha1 and :fecha2"),
                             QVariantMap{{QStringLiteral("fecha1"), firstMomentOf(first)},
                                         {QStringLiteral("fecha2"), lastMomentOf(last)}}));
}

QList<qint64> activeProducts(Connection& company)
{
    return ids(company.query(QStringLiteral("select Id from tbl_app_productos where Inactivo = false")));
}

void postActions(Connection& company, const QList<qint64>& ids, const QString& tabla,
                 const std::function<void(int)>& afterRow)
{
    // One statement prepared once and run per row. Each row is its own
    // transaction; during the run the store syncs its write-ahead log at
    // checkpoints instead of at every row, so each row is committed as it is
    // posted (an end of the program keeps it) without one disk flush per row.
    const int previous = company.scalar(QStringLiteral("PRAGMA synchronous")).toInt();
    company.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    const auto restore = qScopeGuard([&] {
        try {
            company.exec(QStringLiteral("PRAGMA synchronous = ") + QString::number(previous));
        } catch (...) {
        }
    });

    QSqlDatabase db = company.database();
    QSqlQuery insert(db);
    if (!insert.prepare(QStringLiteral("insert into tbl_web_acciones (Id, Tabla, Accion, Status) values (?, ?, ?, ?)")))
        throw DbError(sqlErrorText(insert.lastError()));
    const QString n = QStringLiteral("N");
    int posted = 0;
    for (const qint64 id : ids) {
        insert.bindValue(0, id);
        insert.bindValue(1, tabla);
        insert.bindValue(2, n);
        insert.bindValue(3, n);
        if (!insert.exec()) throw DbError(sqlErrorText(insert.lastError()));
        afterRow(++posted);
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
            dayWithMonthName(first, locale) + QStringLiteral(" A ") + dayWithMonthName(last, locale), firstMomentOf(first),
            firstMomentOf(last)};
}

TaskRow productsTask(const QDateTime& now, const QString& company, const QLocale& locale)
{
    return {stamp(now, locale) + QLatin1Char('-') + company + QStringLiteral(": Agregar productos."),
            QStringLiteral("Todo"), QVariant(), QVariant()};
}

void recordTask(Connection& dataCenter, const TaskRow& task)
{
    dataCenter.exec(QStringLiteral("insert into tbl_app_TareasManuales (Descripcion, Valores, Fecha1, Fecha2) "
                                   "values (?, ?, ?, ?)"),
                    {task.descripcion, task.valores, task.fecha1, task.fecha2});
}

}  // namespace dc
