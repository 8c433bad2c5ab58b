#pragma once

#include "mainwindow/WindowContext.h"

#include <QObject>
#include <QSqlQueryModel>

namespace dc {

// The outbox and log panel: the files waiting in the outbox folder and the
// cloud log, newest first.
class OutboxLogPanel : public QObject {
    Q_OBJECT
public:
    explicit OutboxLogPanel(WindowContext& ctx, QObject* parent = nullptr);

    // Points the file list at the outbox folder, which becomes the current
    // directory, and re-reads it. Throws FolderError when it is missing.
    void pointAtOutbox();
    // Closes and reopens the log grid.
    void reloadLog();
    void Timer2Timer() { pointAtOutbox(); }

private:
    WindowContext& m_ctx;
    QSqlQueryModel* m_logModel;
};

}  // namespace dc
