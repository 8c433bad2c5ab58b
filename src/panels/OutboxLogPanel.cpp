#include "panels/OutboxLogPanel.h"

#include "widgets/EmptyState.h"
#include "widgets/ErrorReporter.h"
#include "widgets/Pictures.h"
#include "widgets/WidgetFactory.h"

#include <QHeaderView>

namespace dc {

OutboxLogPanel::OutboxLogPanel(WindowContext& ctx, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_watcher(ctx.root.outboxDir()), m_logModel(new CloudLogModel(ctx.cnn, this))
{
    m_logModel->setFailureHandler([this](const QString& text) { m_ctx.errors.report(text); });
    m_ui.Timer2 = timer(parent ? parent : this, "Timer2", 1000);
    connect(m_ui.Timer2, &QTimer::timeout, this, ctx.errors.guard([this] { Timer2Timer(); }));
}

PanelPlace OutboxLogPanel::place() const
{
    return {"PReportesWeb", "PnRegistro", QStringLiteral("Registro"), "Label18", "Image6", logPicture()};
}

void OutboxLogPanel::build(QWidget* p)
{
    m_ui.Label26 = heading(p, "Label26", QStringLiteral("Archivos pendientes a subir"), 6, 5);
    m_ui.Shape3 = line(p, "Shape3", 6, 20, 465, 1);
    m_ui.LstArchivos = makeControl<QListWidget>(p, "LstArchivos", 5, 27, 468, 119);
    m_ui.Label20 = heading(p, "Label20", QStringLiteral("Registro"), 6, 150);
    m_ui.Shape4 = line(p, "Shape4", 6, 165, 465, 1);
    m_ui.DBGrid3 = grid(p, "DBGrid3", 8, 172, 465, 213);
    // The description fills the grid's width; cut, it keeps its start and its end (the reason).
    m_ui.DBGrid3->horizontalHeader()->setStretchLastSection(true);
    m_ui.DBGrid3->setTextElideMode(Qt::ElideMiddle);
    m_ui.DBGrid3->setModel(m_logModel);
    showWhenEmpty(m_ui.LstArchivos, [] {
        return QStringLiteral("No hay archivos pendientes de subir. Aquí aparecen los que la Nube KOVA genera, hasta "
                              "que se suben.");
    });
    showWhenEmpty(m_ui.DBGrid3, [] {
        return QStringLiteral("Todavía no hay registro. Aquí aparece cada archivo que la Nube KOVA genera o sube, y "
                              "cada error.");
    });
}

QList<QWidget*> OutboxLogPanel::tabOrder() const
{
    return {m_ui.LstArchivos, m_ui.DBGrid3};
}

OutboxWatcher::Refresh OutboxLogPanel::refreshList()
{
    const OutboxWatcher::Refresh r = m_watcher.refresh();
    if (r.changed) {
        // The file the user had selected stays selected if it is still there.
        QListWidget* list = m_ui.LstArchivos;
        const QString current = list->currentItem() ? list->currentItem()->text() : QString();
        list->setUpdatesEnabled(false);
        list->clear();
        list->addItems(m_watcher.files());
        if (!current.isEmpty()) {
            const int row = m_watcher.files().indexOf(current);
            if (row >= 0) list->setCurrentRow(row);
        }
        list->setUpdatesEnabled(true);
    }
    return r;
}

bool OutboxLogPanel::refreshOutbox()
{
    const OutboxWatcher::Refresh r = refreshList();
    if (!r.newlyMissing.isEmpty()) m_ctx.errors.report(r.newlyMissing);
    return r.present;
}

void OutboxLogPanel::pointAtOutbox()
{
    const OutboxWatcher::Refresh r = refreshList();
    if (!r.present) throw FolderError(missingFolderText(m_watcher.folder()));
}

void OutboxLogPanel::reloadLog()
{
    m_logModel->reload();
    QTableView* grid = m_ui.DBGrid3;
    grid->setColumnWidth(CloudLogModel::kIdColumn, 50);
    grid->setColumnWidth(CloudLogModel::kDescColumn, 390);
    // The newest row current, as a reopened grid has it.
    if (m_logModel->rowCount() > 0) grid->setCurrentIndex(m_logModel->index(0, CloudLogModel::kIdColumn));
}

}  // namespace dc
