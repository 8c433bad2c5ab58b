#include "settings/SettingsStatements.h"

#include "settings/Database.h"

#include <stdexcept>

namespace dc {

SettingsWrite settingsUpdate(int row, const QString& value)
{
    const SettingsRowEntry& entry = settingsRow(row);
    const QString id = QString::number(entry.id);
    switch (entry.write) {
    case SettingWrite::Bound:
        return {QStringLiteral("update tbl_app_configuracion set valor = ? where id = ") + id + QLatin1Char(' '), {value}};
    case SettingWrite::BranchBound:
        return {QStringLiteral("update tbl_app_configuracion set valor = ? where Id = ") + id, {value}};
    case SettingWrite::QuotedSwitch:
        return {QStringLiteral("update tbl_app_configuracion set valor = '") + switchText(toSwitch(value))
                    + QStringLiteral("' where id = ") + id + QLatin1Char(' '),
                {}};
    case SettingWrite::NumberSwitch:
        return {QStringLiteral("update tbl_app_configuracion set Valor = ") + switchText(toSwitch(value))
                    + QStringLiteral(" where Id = ") + id,
                {}};
    }
    throw std::logic_error("unknown settings write");
}

void storeSetting(Connection& c, const SettingsWrite& write)
{
    c.exec(write.sql, write.values);
}

}  // namespace dc
