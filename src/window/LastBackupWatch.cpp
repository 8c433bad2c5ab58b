#include "window/LastBackupWatch.h"

#include "backup/RunHistory.h"
#include "window/TrayIcon.h"
#include "platform/Clock.h"
#include "platform/Failure.h"

#include <QLoggingCategory>

namespace dc {

Q_LOGGING_CATEGORY(lcBackupWatch, "dc.backupwatch")

LastBackupWatch::LastBackupWatch(WindowContext& ctx, TrayIcon& tray, std::function<bool()> expectsRuns, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_tray(tray), m_expectsRuns(std::move(expectsRuns))
{
    m_timer.setInterval(kPeriod);
    connect(&m_timer, &QTimer::timeout, this, &LastBackupWatch::refresh);
}

void LastBackupWatch::start()
{
    refresh();
    m_timer.start();
}

void LastBackupWatch::refresh()
{
    RunHistory::Times times;
    try {
        times = RunHistory(m_ctx.cnn).times();
    } catch (const std::exception& e) {
        // The tip says so; the history panel shows the whole error when opened.
        qCWarning(lcBackupWatch).noquote() << kHistoryUnreadable << errorText(e);
        m_tray.showBackupState(kHistoryUnreadable, false);
        return;
    }
    const QDateTime now = m_ctx.clock.now();
    const bool behind = m_expectsRuns() && backupOverdue(now, times.lastComplete, times.firstStart);
    m_tray.showBackupState(lastCompleteText(times.lastComplete), behind);
    if (!behind || m_warnedOn == now.date()) return;
    m_warnedOn = now.date();
    m_ctx.notify(times.lastComplete.isValid()
                     ? kNoticeBackupsBehind.arg(times.lastComplete.toString(QStringLiteral("dd/MM/yyyy HH:mm")))
                     : kNoticeNoCompleteBackup);
}

}  // namespace dc
