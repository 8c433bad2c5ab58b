#include "panels/TFrmTareaManual.h"

#include "widgets/Appearance.h"
#include "widgets/ErrorReporter.h"
#include "widgets/Prompts.h"
#include "widgets/WidgetFactory.h"
#include "platform/Clock.h"
#include "tasks/ManualTasks.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScopeGuard>

namespace dc {

TFrmTareaManual::TFrmTareaManual(WindowContext& ctx, std::function<QString()> companyName,
                                 std::function<void()> taskAdded, QWidget* parent)
    : QDialog(parent, Qt::Tool), m_ctx(ctx), m_companyName(std::move(companyName)), m_taskAdded(std::move(taskAdded))
{
    setObjectName(QStringLiteral("TFrmTareaManual"));
    setWindowTitle(QStringLiteral("Agregar Tarea Manual"));
    setFixedSize(520, 290);
    setLocale(windowLocale());
    setModal(true);

    Tabs = makeControl<QTabWidget>(this, "Tabs", 4, 4, 512, 282);
    TabVentas = new QWidget;
    TabVentas->setObjectName(QStringLiteral("TabVentas"));
    TabProductos = new QWidget;
    TabProductos->setObjectName(QStringLiteral("TabProductos"));
    Tabs->addTab(TabVentas, QStringLiteral("Ventas por Día"));
    Tabs->addTab(TabProductos, QStringLiteral("Productos"));

    Label1 = makeLabel(TabVentas, "Label1", QStringLiteral("Subir ventas del siguiente rango de fechas:"), 8, 8);
    Label2 = makeLabel(TabVentas, "Label2", QStringLiteral("De:"), 8, 30);
    ventasdate1 = makeControl<QCalendarWidget>(TabVentas, "ventasdate1", 8, 46, 240, 160);
    Label3 = makeLabel(TabVentas, "Label3", QStringLiteral("A:"), 256, 30);
    ventasdate2 = makeControl<QCalendarWidget>(TabVentas, "ventasdate2", 256, 46, 240, 160);
    for (QCalendarWidget* c : {ventasdate1, ventasdate2}) c->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    BitBtn1 = makeControl<QPushButton>(TabVentas, "BitBtn1", 396, 212, 100, 25);
    BitBtn1->setText(QStringLiteral("Agregar Tarea"));
    Pb = makeControl<QProgressBar>(TabVentas, "Pb", 0, 240, 506, 14);
    Pb->setTextVisible(false);
    Pb->hide();

    ChkTodo = makeControl<QCheckBox>(TabProductos, "ChkTodo", 8, 12, 300, 17);
    ChkTodo->setText(QStringLiteral("Agregar todo el catálogo de productos."));
    BitBtn2 = makeControl<QPushButton>(TabProductos, "BitBtn2", 396, 212, 100, 25);
    BitBtn2->setText(QStringLiteral("Agregar Tarea"));

    ErrorReporter& e = ctx.errors;
    connect(BitBtn1, &QPushButton::clicked, this, e.guard([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, e.guard([this] { BitBtn2Click(); }));
}

void TFrmTareaManual::prepare(QDate today)
{
    ventasdate1->setSelectedDate(today);
    ventasdate2->setSelectedDate(today);
}

void TFrmTareaManual::reject()
{
    if (!m_busy) QDialog::reject();
}

void TFrmTareaManual::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnWindow(this);
}

void TFrmTareaManual::closeEvent(QCloseEvent* event)
{
    if (m_busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFrmTareaManual::queue(const QList<qint64>& ids, const QString& tabla)
{
    Pb->setRange(0, static_cast<int>(ids.size()));
    Pb->setValue(0);
    Pb->show();
    // The bar shows what is stored, and events run between the run's short
    // transactions, never inside one.
    postActions(m_ctx.company, ids, tabla, [this](int stored) {
        Pb->setValue(stored);
        QApplication::processEvents();
    });
    Pb->setValue(static_cast<int>(ids.size()));
    Pb->hide();
}

void TFrmTareaManual::BitBtn1Click()
{
    if (m_busy) return;
    m_busy = true;
    const auto done = qScopeGuard([this] { m_busy = false; });
    const QDate first = ventasdate1->selectedDate();
    const QDate last = ventasdate2->selectedDate();
    // The texts are the window's Spanish, whatever the system's language.
    const QLocale spanish = windowLocale();
    if (first > last) {
        m_ctx.prompts.inform(kMsgReversedRange);
        return;
    }
    const QList<qint64> sales = salesBetween(m_ctx.company, first, last);
    if (sales.isEmpty()) {
        m_ctx.prompts.inform(kMsgNoSalesInRange.arg(first.toString(QStringLiteral("dd/MM/yyyy")),
                                                   last.toString(QStringLiteral("dd/MM/yyyy"))));
        return;
    }
    queue(sales, kTablaSaldos);
    recordTask(m_ctx.cnn, salesTask(m_ctx.clock.now(), m_companyName(), first, last, spanish));
    m_taskAdded();
    m_ctx.prompts.inform(kMsgTaskAdded);
}

void TFrmTareaManual::BitBtn2Click()
{
    if (m_busy || !ChkTodo->isChecked()) return;
    m_busy = true;
    const auto done = qScopeGuard([this] { m_busy = false; });
    ChkTodo->setChecked(false);
    queue(activeProducts(m_ctx.company), kTablaProductos);
    recordTask(m_ctx.cnn, productsTask(m_ctx.clock.now(), m_companyName(), windowLocale()));
    m_taskAdded();
    m_ctx.prompts.inform(kMsgTaskAdded);
}

}  // namespace dc
