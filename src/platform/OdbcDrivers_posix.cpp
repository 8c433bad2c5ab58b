// ODBC drivers of unixODBC: the sections of its odbcinst.ini, in the folder
// ODBCSYSINI names (else /etc), and of the user's ~/.odbcinst.ini.
#include "platform/OdbcDrivers.h"

#include <QDir>
#include <QSettings>

namespace dc {

QStringList installedOdbcDrivers()
{
    const QString system = qEnvironmentVariableIsSet("ODBCSYSINI") ? qEnvironmentVariable("ODBCSYSINI")
                                                                   : QStringLiteral("/etc");
    QStringList drivers;
    for (const QString& file : {QDir(system).filePath(QStringLiteral("odbcinst.ini")),
                                QDir::home().filePath(QStringLiteral(".odbcinst.ini"))}) {
        const QSettings ini(file, QSettings::IniFormat);
        for (const QString& section : ini.childGroups())
            if (section != QStringLiteral("ODBC") && !drivers.contains(section)) drivers << section;
    }
    return drivers;
}

}  // namespace dc
