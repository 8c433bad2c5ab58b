#include "backup/DailyCheck.h"

#include <gtest/gtest.h>

using namespace dc;

TEST(DailyCheck, ComparesToTheMinuteAndLaunchesOncePerMinute)
{
    DailyCheck check;
    const QDate day(2026, 12, 8);
    const QTime at(20, 0);
    EXPECT_FALSE(check.due(QDateTime(day, QTime(19, 59, 55)), at));
    const QDateTime first(day, QTime(20, 0, 5));
    ASSERT_TRUE(check.due(first, at));
    check.launched(first);
    // The restarted 50-second period ends at 20:00:55: same minute, no second launch.
    EXPECT_FALSE(check.due(QDateTime(day, QTime(20, 0, 55)), at));
    EXPECT_FALSE(check.due(QDateTime(day, QTime(20, 1, 45)), at));
    // The next day the same minute launches again.
    EXPECT_TRUE(check.due(QDateTime(day.addDays(1), QTime(20, 0, 40)), at));
    // Seconds of the configured time do not matter.
    EXPECT_TRUE(DailyCheck().due(QDateTime(day, QTime(7, 5, 59)), QTime(7, 5, 30)));
}
