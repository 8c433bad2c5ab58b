#include "tasks/TasksPanel.h"

#include "mainwindow/ErrorReporter.h"
#include "mainwindow/GridModels.h"
#include "platform/Clock.h"
#include "tasks/ManualTasks.h"
#include "tasks/TFrmTareaManual.h"

#include <QHeaderView>
#include <QSqlRecord>

namespace dc {

TasksPanel::TasksPanel(WindowContext& ctx, QWidget* window)
    : QObject(window), m_ctx(ctx), m_tasks(new QSqlQueryModel(this)),
      m_form(new TFrmTareaManual(ctx, [this] { openTaskList(); }, window))
{
    ctx.ui.DBGrid2->setModel(m_tasks);
    connect(ctx.ui.BitBtn5, &QPushButton::clicked, this, ctx.errors.guard([this] { BitBtn5Click(); }));
}

void TasksPanel::openTaskList()
{
    loadGrid(m_tasks, m_ctx.cnn, QLatin1String(kTaskListSelect));
    QTableView* grid = m_ctx.ui.DBGrid2;
    const int descripcion = m_tasks->record().indexOf(QStringLiteral("Descripcion"));
    const int valores = m_tasks->record().indexOf(QStringLiteral("Valores"));
    for (int c = 0; c < m_tasks->columnCount(); ++c) grid->setColumnHidden(c, c != descripcion && c != valores);
    m_tasks->setHeaderData(descripcion, Qt::Horizontal, QStringLiteral("Descripción"));
    QHeaderView* header = grid->horizontalHeader();
    header->moveSection(header->visualIndex(descripcion), 0);
    grid->setColumnWidth(descripcion, 180);
    grid->setColumnWidth(valores, 250);
}

void TasksPanel::BitBtn5Click()
{
    m_form->prepare(m_ctx.clock.now().date());
    m_form->exec();
}

}  // namespace dc
