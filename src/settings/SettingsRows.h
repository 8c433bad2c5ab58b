#pragma once

#include "platform/Failure.h"

#include <QList>
#include <QString>
#include <QTime>

#include <span>

namespace dc {

// Rows of the settings table, named by their fixed number.
enum SettingsRow : int {
    RowServer = 1,
    RowBackupUser = 2,
    RowBackupPassword = 3,
    RowBackupTime = 4,
    RowBackupsOn = 5,
    RowSystem = 6,
    RowCloudOn = 7,
    RowCloudServer = 8,
    RowCloudOutUser = 9,
    RowCloudOutPassword = 10,
    RowCloudInUser = 11,
    RowCloudInPassword = 12,
    RowCloudInterval = 13,
    // Added after the first installations (datacenter-setup adds them to an
    // existing database): how each service's FTP connection is protected,
    // "0" plain, "1" TLS when the server offers it, "2" TLS required.
    RowBackupTls = 14,
    RowCloudTls = 15,
    // Branch settings, in the selected company's own database.
    RowSendSales = 168,
    RowBranchName = 169,
    RowCatalogue = 170,
    RowSendStock = 171,
    RowSendDetailedSales = 172,
};

// The database that holds a row.
enum class SettingsDatabase {
    DataCenter,  // the data-center database: Id, Descripcion, Valor
    Company,     // each company's own database: Id, Nombre, Valor
};

// How many characters a setting's Valor column holds: the controls take no more.
constexpr int settingValueMaxLength(SettingsDatabase database)
{
    return database == SettingsDatabase::DataCenter ? 255 : 250;
}

// What a row's text stands for, and so how it is read (checkSettingValue).
enum class SettingType {
    Text,         // any text, as typed
    WholeNumber,  // a number in decimal: toWholeNumber
    ListIndex,    // the number of one of a list's items, 0 the first: toWholeNumber
    TimeOfDay,    // "H:mm" or "H:mm:ss": toTimeOfDay
    Switch,       // "1" on, "0" off: toSwitch
};

// The statement a row is written with, in the shape the installed companion
// tools write it (settingsUpdate gives the text).
enum class SettingWrite {
    Bound,         // "update tbl_app_configuracion set valor = ? where id = <row> "
    BranchBound,   // "update tbl_app_configuracion set valor = ? where Id = <row>"
    QuotedSwitch,  // "update tbl_app_configuracion set valor = '<1|0>' where id = <row> "
    NumberSwitch,  // "update tbl_app_configuracion set Valor = <1|0> where Id = <row>" (reads back as text)
};

// One settings row: everything the programs, the tools and setup know of it.
struct SettingsRowEntry {
    SettingsRow id;
    SettingsDatabase database;
    // The row's name as setup stores it beside the value (Descripcion or Nombre).
    const char* name;
    SettingType type;
    // The first value, as setup writes it into a new database and adds the
    // row to an older one.
    const char* defaultValue;
    SettingWrite write;
};

// Every row, in ascending Id.
std::span<const SettingsRowEntry> settingsRows();
// The rows of one database, in ascending Id.
QList<SettingsRowEntry> settingsRowsOf(SettingsDatabase database);
// One row by its number; std::out_of_range for a number that names no row.
const SettingsRowEntry& settingsRow(int id);

// A stored value that cannot be read as what its row holds.
class ConversionError : public Failure {
public:
    using Failure::Failure;
};

// A whole number in decimal (blanks around it allowed); throws ConversionError.
int toWholeNumber(const QString& value);
// A time of day as "H:mm" or "H:mm:ss"; throws ConversionError.
QTime toTimeOfDay(const QString& value);
// "1" on, "0" off; throws ConversionError for anything else.
bool toSwitch(const QString& value);
// The stored text of a switch.
QString switchText(bool on);

// Throws ConversionError when `value` cannot be read as the row's type.
void checkSettingValue(const SettingsRowEntry& row, const QString& value);

}  // namespace dc
