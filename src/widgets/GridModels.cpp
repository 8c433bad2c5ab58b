#include "widgets/GridModels.h"

#include "settings/Database.h"

#include <QHelpEvent>
#include <QPainter>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QToolTip>

namespace dc {

void loadGrid(QSqlQueryModel* model, Connection& c, const QString& sql)
{
    QSqlQuery q(c.database());
    if (!q.exec(sql)) throw DbError(sqlErrorText(q.lastError()));
    model->setQuery(std::move(q));
    while (model->canFetchMore()) model->fetchMore();
    if (model->lastError().isValid()) throw DbError(sqlErrorText(model->lastError()));
}

void showColumns(QTableView* grid, QSqlQueryModel* model, const QList<GridColumn>& columns)
{
    const QSqlRecord record = model->record();
    QHeaderView* header = grid->horizontalHeader();
    for (int c = 0; c < model->columnCount(); ++c) grid->setColumnHidden(c, true);
    int position = 0;
    for (const GridColumn& column : columns) {
        const int index = record.indexOf(column.field);
        if (index < 0) continue;
        grid->setColumnHidden(index, false);
        header->moveSection(header->visualIndex(index), position++);
        grid->setColumnWidth(index, column.width);
        if (!column.title.isEmpty()) model->setHeaderData(index, Qt::Horizontal, column.title);
    }
}

void reloadGrid(QTableView* grid, QSqlQueryModel* model, Connection& c, const QString& sql,
                const QList<GridColumn>& columns)
{
    loadGrid(model, c, sql);
    showColumns(grid, model, columns);
    if (model->rowCount() > 0) grid->setCurrentIndex(model->index(0, grid->horizontalHeader()->logicalIndex(0)));
}

IndicatorHeader::IndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent)
{
    setSectionResizeMode(QHeaderView::Fixed);
    setFixedWidth(12);
}

int IndicatorHeader::indicatedRow() const
{
    return selectionModel() ? selectionModel()->currentIndex().row() : -1;
}

void IndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    QStyleOptionHeader section;
    initStyleOption(&section);
    section.rect = rect;
    section.section = logicalIndex;
    style()->drawControl(QStyle::CE_HeaderSection, &section, painter, this);
    if (logicalIndex != indicatedRow()) return;
    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = rect.adjusted(2, 3, -2, -3);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowRight, &arrow, painter, this);
}

void IndicatorHeader::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QHeaderView::currentChanged(current, previous);
    viewport()->update();
}

bool CutTextDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    // Room for the text: its place in the cell less the style's margins, less
    // whatever of the cell lies past the grid's edge.
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const QRect text = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
    const int hidden = option.rect.width() - option.rect.intersected(view->viewport()->rect()).width();
    const int room = text.width() - 2 * margin - hidden;
    if (!item.text.isEmpty() && item.fontMetrics.horizontalAdvance(item.text) > room)
        QToolTip::showText(event->globalPos(), item.text, view->viewport(), option.rect);
    else
        QToolTip::hideText();
    return true;
}

}  // namespace dc
