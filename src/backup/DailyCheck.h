#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>

namespace dc {

// The daily backup check: the clock and the configured time, both as
// "HH:mm", compared to the minute. It remembers the minute of its last
// launch, so a restarted 50-second period that falls in the same minute does
// not launch a second time.
class DailyCheck {
public:
    // True when `now` is the configured minute and no launch happened in it.
    bool due(const QDateTime& now, const QTime& configured) const;
    // Marks the minute of a launch.
    void launched(const QDateTime& now);

    static QString minuteText(const QTime& t) { return t.toString(QStringLiteral("HH:mm")); }

private:
    QString m_lastLaunchMinute;  // "yyyy-MM-dd HH:mm" of the last launch
};

}  // namespace dc
