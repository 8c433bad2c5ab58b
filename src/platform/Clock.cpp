#include "platform/Clock.h"

namespace dc {

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

}  // namespace dc
