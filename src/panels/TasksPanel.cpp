#include "panels/TasksPanel.h"

#include "widgets/ErrorReporter.h"
#include "widgets/EmptyState.h"
#include "widgets/GridModels.h"
#include "widgets/Pictures.h"
#include "widgets/WidgetFactory.h"
#include "panels/CompanyPanel.h"
#include "platform/Clock.h"
#include "tasks/ManualTasks.h"
#include "panels/TFrmTareaManual.h"

#include <QHeaderView>
#include <QSqlRecord>

namespace dc {

TasksPanel::TasksPanel(WindowContext& ctx, CompanyPanel& companies, QWidget* window)
    : QObject(window), m_ctx(ctx), m_companies(companies), m_window(window), m_tasks(new QSqlQueryModel(this))
{
}

PanelPlace TasksPanel::place() const
{
    return {"PReportesWeb", "PnReportesWeb", QStringLiteral("Configuración"), "Label11", "Image5", backupPicture()};
}

void TasksPanel::build(QWidget* p)
{
    m_ui.Label19 = heading(p, "Label19", QStringLiteral("Tareas Manuales"), 8, 237);
    m_ui.Shape2 = line(p, "Shape2", 8, 252, 465, 1);
    m_ui.BitBtn5 = button(p, "BitBtn5", QStringLiteral("Agregar Tarea"), 368, 226, 101, 25);
    m_ui.BitBtn5->setIcon(QIcon(addPicture()));
    m_ui.DBGrid2 = grid(p, "DBGrid2", 8, 259, 465, 120);
    m_ui.DBGrid2->setModel(m_tasks);
    showWhenEmpty(m_ui.DBGrid2, [] {
        return QStringLiteral("Todavía no hay tareas manuales. Usa «Agregar Tarea» para subir las ventas de unos días o el "
                              "catálogo de productos.");
    });
    connect(m_ui.BitBtn5, &QPushButton::clicked, this, m_ctx.errors.guard([this] { BitBtn5Click(); }));
}

QList<QWidget*> TasksPanel::tabOrder() const
{
    return {m_ui.BitBtn5, m_ui.DBGrid2};
}

TFrmTareaManual* TasksPanel::form()
{
    if (!m_form)
        m_form = new TFrmTareaManual(
            m_ctx, [this] { return m_companies.companyName(); }, [this] { openTaskList(); }, m_window);
    return m_form;
}

void TasksPanel::openTaskList()
{
    reloadGrid(m_ui.DBGrid2, m_tasks, m_ctx.cnn, QLatin1String(kTaskListSelect),
               {{QStringLiteral("Descripcion"), 180, QStringLiteral("Descripción")}, {QStringLiteral("Valores"), 250}});
}

void TasksPanel::BitBtn5Click()
{
    form()->prepare(m_ctx.clock.now().date());
    form()->exec();
}

}  // namespace dc
