#include "mainwindow/GridModels.h"

#include "settings/Database.h"

#include <QSqlError>
#include <QHeaderView>
#include <QSqlQuery>
#include <QSqlRecord>

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

}  // namespace dc
