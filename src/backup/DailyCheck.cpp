#include "backup/DailyCheck.h"

namespace dc {

namespace {
QString stamp(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}
}  // namespace

DailyCheck::Due DailyCheck::due(const QDateTime& now, const QTime& configured, const QDateTime& lastComplete,
                                const QDateTime& lastStart) const
{
    const QDate today = now.date();
    const QString time = minuteText(configured);
    // The check's own minute is remembered apart: a launch by hand after it
    // must not let a repeated hour launch it again.
    if (stamp(now) == m_lastLaunchMinute || stamp(now) == m_lastCheckMinute) return Due::No;
    if (minuteText(now.time()) == time) return Due::AtTheMinute;
    if (minuteText(now.time()) < time || m_lastCheckLaunchDay == today) return Due::No;
    const bool completeToday = lastComplete.isValid() && lastComplete.date() == today;
    const bool triedToday = lastStart.isValid() && lastStart.date() == today && minuteText(lastStart.time()) >= time;
    return completeToday || triedToday ? Due::No : Due::Missed;
}

void DailyCheck::launched(const QDateTime& now, bool byTheCheck)
{
    m_lastLaunchMinute = stamp(now);
    if (!byTheCheck) return;
    m_lastCheckMinute = m_lastLaunchMinute;
    m_lastCheckLaunchDay = now.date();
}

}  // namespace dc
