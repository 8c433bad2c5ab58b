#pragma once

#include "widgets/Panel.h"
#include "widgets/WindowContext.h"

#include <QFrame>
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QTableView>
#include <QSqlQueryModel>

namespace dc {

class CompanyPanel;
class TFrmTareaManual;

// The manual tasks' controls.
struct TasksPanelUi {
    QLabel* Label19 = nullptr;
    QFrame* Shape2 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QTableView* DBGrid2 = nullptr;
};

// The manual tasks on the cloud panel: the task list, newest first, and the
// "Agregar Tarea" button that opens the manual task form.
class TasksPanel : public QObject, public Panel {
    Q_OBJECT
public:
    // The form is made, owned by `window`, the first time it is needed; a
    // task is recorded under the company `companies` has selected.
    TasksPanel(WindowContext& ctx, CompanyPanel& companies, QWidget* window);

    // On the cloud settings' page.
    PanelPlace place() const override;
    void build(QWidget* page) override;
    QList<QWidget*> tabOrder() const override;
    TasksPanelUi& ui() { return m_ui; }

    // Opens (or reopens) the task list grid.
    void openTaskList();
    // Both calendars on today, then the form shown modally.
    void BitBtn5Click();

    TFrmTareaManual* form();
    QSqlQueryModel* taskModel() const { return m_tasks; }

private:
    WindowContext& m_ctx;
    CompanyPanel& m_companies;
    QWidget* m_window;
    TasksPanelUi m_ui;
    QSqlQueryModel* m_tasks;
    TFrmTareaManual* m_form = nullptr;
};

}  // namespace dc
