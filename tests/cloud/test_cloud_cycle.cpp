// The cloud cycle's count: generate at the half, send at the end.
#include "cloud/CloudCycle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace dc;

namespace {
using Starts = std::vector<std::pair<int, CycleStep>>;
constexpr CycleStep G = CycleStep::Generate;
constexpr CycleStep S = CycleStep::Send;

// Runs `count` minutes of an interval and lists what started at which of them (1-based).
Starts run(CloudCycle& c, int minutes, int count)
{
    Starts out;
    for (int m = 1; m <= count; ++m)
        if (const CycleStep s = c.tick(minutes); s != CycleStep::Nothing) out.emplace_back(m, s);
    return out;
}
}  // namespace

TEST(CloudCycle, EveryIntervalGeneratesAtItsHalfAndSendsAtItsEnd)
{
    for (int n = 10; n <= 60; n += 10) {
        CloudCycle c;
        EXPECT_EQ(run(c, n, 3 * n), (Starts{{n / 2, G}, {n, S}, {3 * n / 2, G}, {2 * n, S}, {5 * n / 2, G}, {3 * n, S}}))
            << n;
        EXPECT_EQ(c.ticks(), 0) << n;
    }
}

TEST(CloudCycle, RaisingTheIntervalKeepsTheCount)
{
    CloudCycle c;
    EXPECT_EQ(run(c, 10, 7), (Starts{{5, G}}));
    EXPECT_EQ(c.ticks(), 7);
    // From 10 to 20 minutes at count 7: generate at count 10, send at 20.
    EXPECT_EQ(run(c, 20, 13), (Starts{{3, G}, {13, S}}));
}

TEST(CloudCycle, LoweringTheIntervalPastItsHalfSkipsTheGenerateOnce)
{
    CloudCycle c;
    run(c, 60, 7);
    // From 60 to 10 at count 7: only the send, at count 10; then cycles as usual.
    EXPECT_EQ(run(c, 10, 13), (Starts{{3, S}, {8, G}, {13, S}}));
}

TEST(CloudCycle, LoweringTheIntervalBelowTheCountEndsTheCycleAtTheNextMinute)
{
    CloudCycle c;
    EXPECT_EQ(run(c, 60, 35), (Starts{{30, G}}));
    // From 60 to 10 at count 35: the count is past the end, so the send comes
    // at once instead of never.
    EXPECT_EQ(run(c, 10, 1), (Starts{{1, S}}));
    EXPECT_EQ(c.ticks(), 0);
    EXPECT_EQ(run(c, 10, 10), (Starts{{5, G}, {10, S}}));
}
