#pragma once

#include <QString>

namespace dc {

// Passwords of the installed databases (the companion tools and the
// point-of-sale programs open the same files with them).
inline constexpr char kDataCenterDbPassword[] = "H7w2k9P4s1M8";
inline constexpr char kPointOfSaleDbPassword[] = "RaPT5831VinoLA#";
inline constexpr char kPointOfSale4DbPassword[] = "bqt275";

// The databases of the system, each opened with its own password.
enum class DatabaseRole {
    DataCenter,          // edition 2's data-center database
    DataCenterEdition1,  // edition 1's (the same password)
    PointOfSale,         // the point-of-sale 5 database
    PointOfSale4,        // the point-of-sale 4 database (edition 1)
    Company,             // a company's own database
};

// The Access ODBC drivers, in the order they are tried: the one installed
// with newer Office and the Access runtime, then the Jet 4.0 driver of Windows.
inline constexpr const char* kAccessOdbcDrivers[] = {"Microsoft Access Driver (*.mdb, *.accdb)",
                                                     "Microsoft Access Driver (*.mdb)"};

// The database password of a role.
QString jetPassword(DatabaseRole role);

// The ODBC connection string of a Jet file, through the given Access driver:
// the file (DBQ), the user Admin (UID), the role's database password (PWD),
// the file opened shared (Exclusive=0: the point of sale and the companion
// tools keep it open meanwhile) and ANSI-92 SQL (ExtendedAnsiSQL=1). Values that hold ';', '{' or '}' are braced so they
// cannot add attributes of their own.
QString odbcConnectionString(DatabaseRole role, const QString& file, const QString& driver);

// An SQLite file through the SQLite ODBC driver: never created when missing,
// the busy time-out of kBusyPolicy.
QString sqliteOdbcConnectionString(const QString& file);

}  // namespace dc
