#pragma once

#include "settings/SettingsRows.h"  // ConversionError, toWholeNumber, toTimeOfDay

#include <functional>
#include <stdexcept>

namespace dc {

struct WindowContext;

// The start-up read of the settings rows: walks every row in ascending Id and
// applies rows 1 to `lastRow` to their controls. Filling a text box or a
// switch runs its reaction; filling a list or the time picker runs nothing.
// `cloudOn` is called when row 7 turns the cloud on. A conversion or database
// error stops the read at that row.
void loadSettings(WindowContext& ctx, int lastRow, const std::function<void()>& cloudOn);

}  // namespace dc
