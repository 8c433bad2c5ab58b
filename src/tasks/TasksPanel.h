#pragma once

#include "mainwindow/WindowContext.h"

#include <QObject>
#include <QSqlQueryModel>

namespace dc {

class TFrmTareaManual;

// The manual tasks on the cloud panel: the task list, newest first, and the
// "Agregar Tarea" button that opens the manual task form.
class TasksPanel : public QObject {
    Q_OBJECT
public:
    // Creates the form, hidden, owned by `window`.
    TasksPanel(WindowContext& ctx, QWidget* window);

    // Opens (or reopens) the task list grid.
    void openTaskList();
    // Both calendars on today, then the form shown modally.
    void BitBtn5Click();

    TFrmTareaManual* form() const { return m_form; }
    QSqlQueryModel* taskModel() const { return m_tasks; }

private:
    WindowContext& m_ctx;
    QSqlQueryModel* m_tasks;
    TFrmTareaManual* m_form;
};

}  // namespace dc
