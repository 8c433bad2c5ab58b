#include "mainwindow/GridModels.h"

#include "settings/Database.h"

#include <QSqlError>
#include <QSqlQuery>

namespace dc {

void loadGrid(QSqlQueryModel* model, Connection& c, const QString& sql)
{
    QSqlQuery q(c.database());
    if (!q.exec(sql)) throw DbError(sqlErrorText(q.lastError()));
    model->setQuery(std::move(q));
    while (model->canFetchMore()) model->fetchMore();
    if (model->lastError().isValid()) throw DbError(sqlErrorText(model->lastError()));
}

}  // namespace dc
