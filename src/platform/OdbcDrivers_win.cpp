// ODBC drivers of Windows: the values of ODBCINST.INI\ODBC Drivers in the
// registry view of this process (WOW64 shows a 32-bit program its 32-bit drivers).
#include "platform/OdbcDrivers.h"

#include <QSettings>

namespace dc {

QStringList installedOdbcDrivers()
{
    const QSettings registry(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers"),
                             QSettings::NativeFormat);
    QStringList drivers;
    for (const QString& name : registry.childKeys())
        if (registry.value(name).toString().compare(QStringLiteral("Installed"), Qt::CaseInsensitive) == 0) drivers << name;
    return drivers;
}

}  // namespace dc
