#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

namespace dc {

// The daily backup check. The clock and the configured time, both as "HH:mm",
// are compared to the minute, as always; besides, a day whose configured time
// has passed without a complete run (the machine was off or asleep at the
// minute, the clock jumped over it) gets its run at the next check, once.
//
// Never two launches in one minute of a day: not for a restarted 50-second
// period that falls in the same minute, nor when the clock is put back or a
// daylight-saving hour comes twice. A later time the user sets the same day
// launches at its minute again. A missed time is caught up at most once a
// day, and not on a day the check has launched already. Launches by hand do
// not use up the day's minute.
class DailyCheck {
public:
    enum class Due {
        No,
        AtTheMinute,  // the configured minute
        Missed,       // the day's time has passed without a complete run today
    };

    // What the run history tells (invalid when nothing is known): when the
    // last complete run started, and when the last run of any outcome did. A
    // run today after the time, even one that left files out, was the day's:
    // a program started again the same day does not catch it up again.
    Due due(const QDateTime& now, const QTime& configured, const QDateTime& lastComplete = {},
            const QDateTime& lastStart = {}) const;
    // Marks a launch: its minute, and the day when the check made it.
    void launched(const QDateTime& now, bool byTheCheck);

    static QString minuteText(const QTime& t) { return t.toString(QStringLiteral("HH:mm")); }

private:
    QString m_lastLaunchMinute;  // "yyyy-MM-dd HH:mm" of the last launch
    QString m_lastCheckMinute;   // the same, of the check's last launch
    QDate m_lastCheckLaunchDay;  // the day of the check's last launch
};

}  // namespace dc
