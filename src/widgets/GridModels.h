#pragma once

#include <QHeaderView>
#include <QSqlQueryModel>
#include <QString>
#include <QStyledItemDelegate>
#include <QTableView>

namespace dc {

class Connection;

// A column a grid shows: the query's field, its width, and a title when it
// is not the field's name.
struct GridColumn {
    QString field;
    int width;
    QString title = {};
};

// Runs `sql` on the connection into the model of a grid and reads every row,
// so no statement stays open between refreshes (an open statement would pin
// an old snapshot of the database).
void loadGrid(QSqlQueryModel* model, Connection& c, const QString& sql);

// Shows only `columns`, in that order, with their widths and titles.
void showColumns(QTableView* grid, QSqlQueryModel* model, const QList<GridColumn>& columns);

// Closes and reopens a grid: its rows read anew, its columns shown, and its
// first row current (the row the grid's buttons act on).
void reloadGrid(QTableView* grid, QSqlQueryModel* model, Connection& c, const QString& sql,
                const QList<GridColumn>& columns);

// The indicator column of a grid: no row numbers (they would count against
// the rows' own Id), an arrow at the current row.
class IndicatorHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit IndicatorHeader(QWidget* parent);
    // The row the arrow points at, or -1.
    int indicatedRow() const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
};

// Shows the whole text of a cell that the grid cuts (elided, or past the
// grid's edge) as its tooltip.
class CutTextDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

}  // namespace dc
