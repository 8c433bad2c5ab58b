#pragma once

#include "settings/SettingsRows.h"

#include <QList>
#include <QString>
#include <QTime>

#include <functional>
#include <stdexcept>

namespace dc {

class Connection;
class Panel;

// The start-up read of the settings rows: walks every row in ascending Id and
// brings rows 1 to `lastRow` into the controls of the panel that shows each.
// Filling a text box or a switch runs its reaction; filling a list or the
// time picker runs nothing. A conversion or database error stops the read at
// that row.
void loadSettings(Connection& cnn, int lastRow, const QList<Panel*>& panels);

}  // namespace dc
