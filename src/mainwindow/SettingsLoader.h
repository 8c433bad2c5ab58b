#pragma once

#include "platform/Failure.h"

#include <QString>
#include <QTime>

#include <functional>
#include <stdexcept>

namespace dc {

struct WindowContext;

// A stored value that cannot be read as what its row holds.
class ConversionError : public Failure {
public:
    using Failure::Failure;
};

// A whole number in decimal (blanks around it allowed); throws ConversionError.
int toWholeNumber(const QString& value);
// A time of day as "H:mm" or "H:mm:ss"; throws ConversionError.
QTime toTimeOfDay(const QString& value);

// The start-up read of the settings rows: walks every row in ascending Id and
// applies rows 1 to `lastRow` to their controls. Filling a text box or a
// switch runs its reaction; filling a list or the time picker runs nothing.
// `cloudOn` is called when row 7 turns the cloud on. A conversion or database
// error stops the read at that row.
void loadSettings(WindowContext& ctx, int lastRow, const std::function<void()>& cloudOn);

}  // namespace dc
