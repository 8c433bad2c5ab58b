#pragma once

#include <QSqlQueryModel>
#include <QString>
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

}  // namespace dc
