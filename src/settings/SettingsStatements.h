#pragma once

#include <QString>

namespace dc {

class Connection;

// A value placed between single quotes in statement text: quotes are doubled so
// that a value can never change what the statement does.
QString sqlQuoted(const QString& value);

// The settings write statements, exactly as the installed companion tools
// expect the rows to be written.

// "update tbl_app_configuracion set valor = '<value>' where id = <row> "
// (rows 1-4, 6, 8-13 and 169).
QString settingsValueUpdate(int row, const QString& value);
// Row 5: the backup switch.
QString backupSwitchUpdate(bool on);
// Row 7: the cloud switch (the number without quotes; the column keeps the text).
QString cloudSwitchUpdate(bool on);
// Rows 168, 170, 171, 172: "update tbl_app_configuracion set valor = '<v>' where Id = <row>".
QString branchFlagUpdate(int row, const QString& value);

// The start-up read of every row.
inline constexpr char kSettingsSelect[] = "select * from tbl_app_configuracion";
// One branch row by number.
inline constexpr char kBranchSettingSelect[] = "select * from tbl_app_configuracion where Id = :id";

// Runs a settings statement on its connection.
void storeSetting(Connection& c, const QString& statement);

}  // namespace dc
