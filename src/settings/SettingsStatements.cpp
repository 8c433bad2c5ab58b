#include "settings/SettingsStatements.h"

#include "settings/Database.h"

namespace dc {

SettingsWrite settingsValueUpdate(int row, const QString& value)
{
    return {QStringLiteral("update tbl_app_configuracion set valor = ? where id = ") + QString::number(row)
                + QLatin1Char(' '),
            {value}};
}

SettingsWrite backupSwitchUpdate(bool on)
{
    return {on ? QStringLiteral("update tbl_app_configuracion set valor = '1' where id = 5 ")
               : QStringLiteral("update tbl_app_configuracion set valor = '0' where id = 5 "),
            {}};
}

SettingsWrite cloudSwitchUpdate(bool on)
{
    return {on ? QStringLiteral("update tbl_app_configuracion set Valor = 1 where Id = 7")
               : QStringLiteral("update tbl_app_configuracion set Valor = 0 where Id = 7"),
            {}};
}

SettingsWrite branchFlagUpdate(int row, const QString& value)
{
    return {QStringLiteral("update tbl_app_configuracion set valor = ? where Id = ") + QString::number(row), {value}};
}

void storeSetting(Connection& c, const SettingsWrite& write)
{
    c.exec(write.sql, write.values);
}

}  // namespace dc
