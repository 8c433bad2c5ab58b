#pragma once

#include "cloud/CloudLog.h"
#include "cloud/OutboxListing.h"
#include "widgets/Panel.h"
#include "widgets/WindowContext.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QObject>
#include <QTableView>
#include <QTimer>

namespace dc {

// The outbox and log panel's controls.
struct OutboxLogPanelUi {
    QLabel* Label26 = nullptr;
    QFrame* Shape3 = nullptr;
    QListWidget* LstArchivos = nullptr;
    QLabel* Label20 = nullptr;
    QFrame* Shape4 = nullptr;
    QTableView* DBGrid3 = nullptr;
    QTimer* Timer2 = nullptr;  // outbox listing, 1 s
};

// The outbox and log panel: the files waiting in the outbox folder and the
// cloud log, newest first.
class OutboxLogPanel : public QObject, public Panel {
    Q_OBJECT
public:
    explicit OutboxLogPanel(WindowContext& ctx, QObject* parent = nullptr);

    PanelPlace place() const override;
    void build(QWidget* page) override;
    QList<QWidget*> tabOrder() const override;
    OutboxLogPanelUi& ui() { return m_ui; }

    // Points the file list at the outbox folder, which becomes the current
    // directory, and shows its files; the list widget is touched only when
    // the files changed, so its selection and scroll position stay. A missing
    // folder empties the list and is reported in the error box once, until it
    // comes back. Returns whether the folder is there.
    bool refreshOutbox();
    // The start-up's pointing at the outbox: as refreshOutbox(), but a missing
    // folder throws FolderError, which ends the start-up (and counts as the
    // one report).
    void pointAtOutbox();
    // Closes and reopens the log grid: the newest rows, the older ones read
    // as the grid scrolls down.
    void reloadLog();
    void Timer2Timer() { refreshOutbox(); }

    CloudLogModel* logModel() const { return m_logModel; }
    const OutboxWatcher& watcher() const { return m_watcher; }

private:
    OutboxWatcher::Refresh refreshList();

    WindowContext& m_ctx;
    OutboxLogPanelUi m_ui;
    OutboxWatcher m_watcher;
    CloudLogModel* m_logModel;
};

}  // namespace dc
