#pragma once

#include "platform/Failure.h"

#include <QString>
#include <QTime>

namespace dc {

// A stored value that cannot be read as what its row holds.
class ConversionError : public Failure {
public:
    using Failure::Failure;
};

// A whole number in decimal (blanks around it allowed); throws ConversionError.
int toWholeNumber(const QString& value);
// A time of day as "H:mm" or "H:mm:ss"; throws ConversionError.
QTime toTimeOfDay(const QString& value);

}  // namespace dc
