#pragma once

#include <QDateTime>

namespace dc {

// The source of the current local time; tests inject a fake one.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
};

}  // namespace dc
