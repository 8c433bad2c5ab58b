#pragma once

#include <QSqlQueryModel>
#include <QString>

namespace dc {

class Connection;

// Runs `sql` on the connection into the model of a grid and reads every row,
// so no statement stays open between refreshes (an open statement would pin
// an old snapshot of the database).
void loadGrid(QSqlQueryModel* model, Connection& c, const QString& sql);

}  // namespace dc
