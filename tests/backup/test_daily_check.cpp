#include "backup/DailyCheck.h"

#include <gtest/gtest.h>

using namespace dc;

using Due = DailyCheck::Due;

TEST(DailyCheck, ComparesToTheMinuteAndLaunchesOncePerMinute)
{
    DailyCheck check;
    const QDate day(2026, 12, 8);
    const QTime at(20, 0);
    EXPECT_EQ(check.due(QDateTime(day, QTime(19, 59, 55)), at, {}), Due::No) << "a start before the minute waits";
    const QDateTime first(day, QTime(20, 0, 5));
    ASSERT_EQ(check.due(first, at, {}), Due::AtTheMinute);
    check.launched(first, true);
    // The restarted 50-second period ends at 20:00:55: same minute, no second launch.
    EXPECT_EQ(check.due(QDateTime(day, QTime(20, 0, 55)), at, {}), Due::No);
    EXPECT_EQ(check.due(QDateTime(day, QTime(20, 1, 45)), at, {}), Due::No) << "the run failed: not again today";
    // A later time set the same day launches at its minute, once; the day had
    // its launch, so a later time passed by is not caught up.
    const QDateTime later(day, QTime(22, 30, 10));
    ASSERT_EQ(check.due(later, QTime(22, 30), {}), Due::AtTheMinute) << "a later time set the same day";
    check.launched(later, true);
    EXPECT_EQ(check.due(later.addSecs(40), QTime(22, 30), {}), Due::No);
    EXPECT_EQ(check.due(QDateTime(day, QTime(23, 0)), QTime(22, 45), {}), Due::No);
    // A launch by hand in the minute: no second one in it.
    DailyCheck byHand;
    byHand.launched(QDateTime(day, QTime(7, 5, 10)), false);
    EXPECT_EQ(byHand.due(QDateTime(day, QTime(7, 5, 40)), QTime(7, 5), {}), Due::No);
    // The next day the same minute launches again.
    EXPECT_EQ(check.due(QDateTime(day.addDays(1), QTime(20, 0, 40)), at, {}), Due::AtTheMinute);
    // Seconds of the configured time do not matter.
    EXPECT_EQ(DailyCheck().due(QDateTime(day, QTime(7, 5, 59)), QTime(7, 5, 30), {}), Due::AtTheMinute);
}

TEST(DailyCheck, AMissedMinuteLaunchesOnceUnlessTheDayHasItsCompleteRun)
{
    const QDate day(2026, 12, 8);
    const QTime at(20, 0);
    // Started (or woken) after the minute, no complete run today: once.
    DailyCheck check;
    const QDateTime wake(day, QTime(23, 10));
    EXPECT_EQ(check.due(wake, at, QDateTime(day.addDays(-1), QTime(20, 0))), Due::Missed);
    check.launched(wake, true);
    EXPECT_EQ(check.due(wake.addSecs(50), at, {}), Due::No);
    EXPECT_EQ(check.due(wake.addSecs(3600), at, {}), Due::No) << "never twice a day for a missed minute";
    // The program started again the same day, after that run left files out: not again.
    EXPECT_EQ(DailyCheck().due(wake.addSecs(600), at, {}, wake), Due::No);
    // A run by hand before the time does not make the day's.
    EXPECT_EQ(DailyCheck().due(wake, at, {}, QDateTime(day, QTime(9, 0))), Due::Missed);
    // A complete run today (an earlier start of the program, or by hand): nothing to catch up.
    EXPECT_EQ(DailyCheck().due(wake, at, QDateTime(day, QTime(9, 30))), Due::No);
    // A launch by hand does not use up the day's: the minute still launches.
    DailyCheck byHand;
    byHand.launched(QDateTime(day, QTime(10, 0)), false);
    EXPECT_EQ(byHand.due(QDateTime(day, QTime(20, 0, 30)), at, {}), Due::AtTheMinute);
}

TEST(DailyCheck, ClocksMovedOrRepeatedNeitherLoseTheDayNorRunItTwice)
{
    const QDate day(2026, 10, 25);
    // Daylight saving ends: 01:00 to 02:00 comes twice; the run at 01:30 once.
    DailyCheck repeated;
    const QDateTime first(day, QTime(1, 30, 10));
    ASSERT_EQ(repeated.due(first, QTime(1, 30), {}), Due::AtTheMinute);
    repeated.launched(first, true);
    EXPECT_EQ(repeated.due(QDateTime(day, QTime(1, 30, 20)), QTime(1, 30), {}), Due::No);
    // The hour comes again after a launch by hand in between: still not twice.
    repeated.launched(QDateTime(day, QTime(1, 45)), false);
    EXPECT_EQ(repeated.due(QDateTime(day, QTime(1, 30, 30)), QTime(1, 30), {}), Due::No);
    // Daylight saving starts: 02:30 never comes; the first check after it launches.
    DailyCheck skipped;
    EXPECT_EQ(skipped.due(QDateTime(QDate(2026, 3, 29), QTime(3, 0, 40)), QTime(2, 30), {}), Due::Missed);
    // A clock put back by hand to before the minute, after the day's run.
    DailyCheck putBack;
    putBack.launched(QDateTime(day, QTime(20, 0, 5)), true);
    EXPECT_EQ(putBack.due(QDateTime(day, QTime(20, 0, 10)), QTime(20, 0), {}), Due::No);
    // A clock put forward over the minute: the day's run is not lost.
    EXPECT_EQ(DailyCheck().due(QDateTime(day, QTime(22, 0)), QTime(20, 0), {}), Due::Missed);
}
