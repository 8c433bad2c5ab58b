#include "cloud/OutboxLogPanel.h"

#include "cloud/OutboxListing.h"
#include "mainwindow/ErrorReporter.h"
#include "mainwindow/GridModels.h"

namespace dc {

OutboxLogPanel::OutboxLogPanel(WindowContext& ctx, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_logModel(new QSqlQueryModel(this))
{
    ctx.ui.DBGrid3->setModel(m_logModel);
    connect(ctx.ui.Timer2, &QTimer::timeout, this, ctx.errors.guard([this] { Timer2Timer(); }));
}

void OutboxLogPanel::pointAtOutbox()
{
    const QString folder = m_ctx.root.outboxDir();
    enterFolder(folder);
    const QStringList files = outboxFiles(folder);
    QListWidget* list = m_ctx.ui.LstArchivos;
    QStringList shown;
    for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text();
    if (shown == files) return;  // unchanged: keep the selection and the scroll position
    list->clear();
    list->addItems(files);
}

void OutboxLogPanel::reloadLog()
{
    loadGrid(m_logModel, m_ctx.cnn, QStringLiteral("select * from tbl_app_Log Order By Id DESC"));
}

}  // namespace dc
