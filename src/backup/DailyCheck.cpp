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
    if (m_lastCheckLaunchDay == today || stamp(now) == m_lastLaunchMinute) return Due::No;
    if (minuteText(now.time()) == time) return Due::AtTheMinute;
    if (minuteText(now.time()) < time) return Due::No;
    const bool completeToday = lastComplete.isValid() && lastComplete.date() == today;
    const bool triedToday = lastStart.isValid() && lastStart.date() == today && minuteText(lastStart.time()) >= time;
    return completeToday || triedToday ? Due::No : Due::Missed;
}

void DailyCheck::launched(const QDateTime& now, bool byTheCheck)
{
    m_lastLaunchMinute = stamp(now);
    if (byTheCheck) m_lastCheckLaunchDay = now.date();
}

}  // namespace dc
