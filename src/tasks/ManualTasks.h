#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QVariant>

#include <functional>

namespace dc {

class Connection;

// Manual tasks: one pending action row per sale of a range of days, or per
// active product, in the selected company's database, and one task row that
// records the request in the data-center database.

inline const QString kTablaSaldos = QStringLiteral("Tbl_App_Saldos");
inline const QString kTablaProductos = QStringLiteral("Tbl_App_Productos");

// The ids of the sales from the start of `first` to the end of `last`, in the
// order the database returns them.
QList<qint64> salesBetween(Connection& company, QDate first, QDate last);
// The ids of the products that are not inactive.
QList<qint64> activeProducts(Connection& company);

// Posts one action row (id, `tabla`, "N", "N") per id, in short
// transactions: one ends after kActionsPerCommit rows or kCommitEveryMs,
// whichever comes first (the first row of a run commits alone), so other
// programs see the rows as they come. `committed(n)` runs after each commit,
// outside any transaction, with the rows stored so far: the place to let
// events through. A failure keeps the rows posted before it and throws
// DbError saying how many of the ids were stored.
void postActions(Connection& company, const QList<qint64>& ids, const QString& tabla,
                 const std::function<void(int)>& committed);
inline constexpr int kActionsPerCommit = 5000;
inline constexpr int kCommitEveryMs = 25;

// A row of the task list.
struct TaskRow {
    QString descripcion;
    QString valores;
    QDateTime fecha1;  // the chosen days at 00:00:00; invalid (stored as null) for a products task
    QDateTime fecha2;
};

// The date and time separators of a locale ("/" and ":" when it has none).
QChar dateSeparator(const QLocale& locale);
QChar timeSeparator(const QLocale& locale);

// "dd/mm/yyyy hh:nn-<company>: Agregar ventas por día." and
// "dd/mmmm/yyyy A dd/mmmm/yyyy", with the locale's separators and month names.
TaskRow salesTask(const QDateTime& now, const QString& company, QDate first, QDate last, const QLocale& locale);
// "dd/mm/yyyy hh:nn-<company>: Agregar productos." and "Todo".
TaskRow productsTask(const QDateTime& now, const QString& company, const QLocale& locale);

// Appends the task row to the task list.
void recordTask(Connection& dataCenter, const TaskRow& task);

inline constexpr char kTaskListSelect[] = "select * from tbl_app_TareasManuales\norder by id desc";

}  // namespace dc
