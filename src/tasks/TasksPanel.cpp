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
    reloadGrid(m_ctx.ui.DBGrid2, m_tasks, m_ctx.cnn, QLatin1String(kTaskListSelect),
               {{QStringLiteral("Descripcion"), 180, QStringLiteral("Descripción")}, {QStringLiteral("Valores"), 250}});
}

void TasksPanel::BitBtn5Click()
{
    m_form->prepare(m_ctx.clock.now().date());
    m_form->exec();
}

}  // namespace dc
