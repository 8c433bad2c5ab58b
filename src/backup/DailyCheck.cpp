#include "backup/DailyCheck.h"

namespace dc {

namespace {
QString stamp(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}
}  // namespace

bool DailyCheck::due(const QDateTime& now, const QTime& configured) const
{
    if (minuteText(now.time()) != minuteText(configured)) return false;
    return stamp(now) != m_lastLaunchMinute;
}

void DailyCheck::launched(const QDateTime& now)
{
    m_lastLaunchMinute = stamp(now);
}

}  // namespace dc
