#pragma once

#include <QStringList>

namespace dc {

// The names of the ODBC drivers installed for programs like this one (on
// Windows those of the process's own word size: a 32-bit program sees the
// 32-bit drivers).
QStringList installedOdbcDrivers();

}  // namespace dc
