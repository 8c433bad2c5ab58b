#include "cloud/OutboxLogPanel.h"


#include "mainwindow/ErrorReporter.h"
#include "mainwindow/GridModels.h"

namespace dc {

OutboxLogPanel::OutboxLogPanel(WindowContext& ctx, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_watcher(ctx.root.outboxDir()), m_logModel(new QSqlQueryModel(this))
{
    ctx.ui.DBGrid3->setModel(m_logModel);
    connect(ctx.ui.Timer2, &QTimer::timeout, this, ctx.errors.guard([this] { Timer2Timer(); }));
}

OutboxWatcher::Refresh OutboxLogPanel::refreshList()
{
    const OutboxWatcher::Refresh r = m_watcher.refresh();
    if (r.changed) {
        // The file the user had selected stays selected if it is still there.
        QListWidget* list = m_ctx.ui.LstArchivos;
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
    reloadGrid(m_ctx.ui.DBGrid3, m_logModel, m_ctx.cnn, logSelect(),
               {{QStringLiteral("Id"), 50}, {QStringLiteral("Desc"), 390}});
}

}  // namespace dc
