#pragma once

namespace dc {

// What one minute of the cloud cycle starts.
enum class CycleStep { Nothing, Generate, Send };

// The cloud cycle's minute counter: the generate tool halfway through the
// interval, the send tool at its end, and the count back to zero.
class CloudCycle {
public:
    // Minutes of the interval list's item `index`: 10 to 50 for items 0 to 4,
    // 60 for any other index.
    static int intervalMinutes(int index);

    // Counts from zero again (the cloud switch turned on).
    void restart() { m_ticks = 0; }
    int ticks() const { return m_ticks; }

    // One more minute of an interval of `minutes`. A count that has already
    // passed the end (the interval was lowered below it) ends the cycle at
    // this minute, so the cycle never stalls.
    CycleStep tick(int minutes);

private:
    int m_ticks = 0;
};

}  // namespace dc
