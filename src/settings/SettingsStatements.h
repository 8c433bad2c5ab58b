#pragma once

#include "settings/SettingsRows.h"

#include <QString>
#include <QVariantList>

namespace dc {

class Connection;

// A settings write: the statement's text, in the shape the installed
// companion tools expect the rows to be written, with the value bound to its
// placeholder (never spliced into the text, so no value can change what the
// statement does).
struct SettingsWrite {
    QString sql;
    QVariantList values;
};

// The write of one row, in the row's shape (SettingsRowEntry::write). A switch
// row's value is part of the text: anything but "1" or "0" throws
// ConversionError. std::out_of_range for a number that names no row.
SettingsWrite settingsUpdate(int row, const QString& value);

// The writes as the controls name them, each settingsUpdate of its row.
inline SettingsWrite settingsValueUpdate(int row, const QString& value)
{
    return settingsUpdate(row, value);
}
inline SettingsWrite backupSwitchUpdate(bool on)
{
    return settingsUpdate(RowBackupsOn, switchText(on));
}
inline SettingsWrite cloudSwitchUpdate(bool on)
{
    return settingsUpdate(RowCloudOn, switchText(on));
}
inline SettingsWrite branchFlagUpdate(int row, const QString& value)
{
    return settingsUpdate(row, value);
}

// The start-up read of every row.
inline constexpr char kSettingsSelect[] = "select * from tbl_app_configuracion";
// One branch row by number.
inline constexpr char kBranchSettingSelect[] = "select * from tbl_app_configuracion where Id = :id";

// Runs a settings write on its connection. Throws DbError (a text that is not
// valid Unicode is refused there too).
void storeSetting(Connection& c, const SettingsWrite& write);

}  // namespace dc
