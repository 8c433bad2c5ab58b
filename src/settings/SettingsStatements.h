#pragma once

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

// "update tbl_app_configuracion set valor = ? where id = <row> "
// (rows 1-4, 6, 8-13 and 169).
SettingsWrite settingsValueUpdate(int row, const QString& value);
// Row 5: the backup switch.
SettingsWrite backupSwitchUpdate(bool on);
// Row 7: the cloud switch (the number without quotes; the column keeps the text).
SettingsWrite cloudSwitchUpdate(bool on);
// Rows 168, 170, 171, 172: "update tbl_app_configuracion set valor = ? where Id = <row>".
SettingsWrite branchFlagUpdate(int row, const QString& value);

// The start-up read of every row.
inline constexpr char kSettingsSelect[] = "select * from tbl_app_configuracion";
// One branch row by number.
inline constexpr char kBranchSettingSelect[] = "select * from tbl_app_configuracion where Id = :id";

// Runs a settings write on its connection. Throws DbError (a text that is not
// valid Unicode is refused there too).
void storeSetting(Connection& c, const SettingsWrite& write);

}  // namespace dc
