#pragma once

#include "widgets/WindowContext.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include <functional>

namespace dc {

// The manual task form: queues the sales of a range of days, or the whole
// active product catalogue, for upload in the selected company's database and
// records the task. Created once, hidden, and shown modally again and again.
class TFrmTareaManual : public QDialog {
    Q_OBJECT
public:
    // `taskAdded` runs once a task is recorded (the main window's task list
    // reloads).
    // `companyName` tells the company selected now, which names the task.
    TFrmTareaManual(WindowContext& ctx, std::function<QString()> companyName, std::function<void()> taskAdded,
                    QWidget* parent);

    // Both calendars on `today`, ready to be shown.
    void prepare(QDate today);

    // Reactions. A press while a task is being added is ignored.
    void BitBtn1Click();  // sales of the range of days
    void BitBtn2Click();  // the product catalogue, when ChkTodo is ticked

    bool isBusy() const { return m_busy; }

    // The form stays open while a task is being added: closed, it would let
    // the main window change the company under the run.
    void reject() override;

    // Controls.
    QTabWidget* Tabs;
    QWidget* TabVentas;
    QWidget* TabProductos;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QCalendarWidget* ventasdate1;
    QCalendarWidget* ventasdate2;
    QPushButton* BitBtn1;
    QProgressBar* Pb;
    QCheckBox* ChkTodo;
    QPushButton* BitBtn2;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Posts the action rows with the bar advancing and the window responsive.
    void queue(const QList<qint64>& ids, const QString& tabla);

    WindowContext& m_ctx;
    std::function<QString()> m_companyName;
    std::function<void()> m_taskAdded;
    bool m_busy = false;
};

inline const QString kMsgTaskAdded = QStringLiteral("Tarea agregada correctamente!");
// A range that cannot queue anything is refused, and no task is recorded.
inline const QString kMsgReversedRange = QStringLiteral(
    "¡La fecha inicial es posterior a la final! Elige una fecha inicial igual o anterior a la final. No se agregó "
    "ninguna tarea.");
// %1, %2: the first and last day ("dd/MM/yyyy").
inline const QString kMsgNoSalesInRange =
    QStringLiteral("No hay ventas del %1 al %2: no se agregó ninguna tarea.");

}  // namespace dc
