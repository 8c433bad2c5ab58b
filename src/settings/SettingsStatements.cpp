#include "settings/SettingsStatements.h"

#include "settings/Database.h"

namespace dc {

QString sqlQuoted(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('\''), QStringLiteral("''"));
    return v;
}

QString settingsValueUpdate(int row, const QString& value)
{
    return QStringLiteral("update tbl_app_configuracion set valor = '") + sqlQuoted(value)
           + QStringLiteral("' where id = ") + QString::number(row) + QLatin1Char(' ');
}

QString backupSwitchUpdate(bool on)
{
    return on ? QStringLiteral("update tbl_app_configuracion set valor = '1' where id = 5 ")
              : QStringLiteral("update tbl_app_configuracion set valor = '0' where id = 5 ");
}

QString cloudSwitchUpdate(bool on)
{
    return on ? QStringLiteral("update tbl_app_configuracion set Valor = 1 where Id = 7")
              : QStringLiteral("update tbl_app_configuracion set Valor = 0 where Id = 7");
}

QString branchFlagUpdate(int row, const QString& value)
{
    return QStringLiteral("update tbl_app_configuracion set valor = '") + sqlQuoted(value)
           + QStringLiteral("' where Id = ") + QString::number(row);
}

void storeSetting(Connection& c, const QString& statement)
{
    c.exec(statement);
}

}  // namespace dc
