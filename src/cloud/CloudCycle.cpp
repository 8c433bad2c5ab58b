#include "cloud/CloudCycle.h"

namespace dc {

int CloudCycle::intervalMinutes(int index)
{
    return index >= 0 && index <= 4 ? (index + 1) * 10 : 60;
}

CycleStep CloudCycle::tick(int minutes)
{
    ++m_ticks;
    if (m_ticks == minutes / 2) return CycleStep::Generate;
    if (m_ticks >= minutes) {
        m_ticks = 0;
        return CycleStep::Send;
    }
    return CycleStep::Nothing;
}

}  // namespace dc
