#pragma once

#include <QString>

namespace dc {

// Passwords of the installed databases (the companion tools and the
// point-of-sale programs open the same files with them).
inline constexpr char kDataCenterDbPassword[] = "H7w2k9P4s1M8";
inline constexpr char kPointOfSaleDbPassword[] = "RaPT5831VinoLA#";
inline constexpr char kPointOfSale4DbPassword[] = "bqt275";

// The Jet 4.0 OLE DB connection string of the data-center and point-of-sale
// databases. Edition 1 adds "Persist Security Info=False".
QString jetOleDbConnectionString(const QString& file, const QString& password, bool persistSecurityInfoOption);

// The connection string of a company's own database.
QString companyOleDbConnectionString(const QString& file, const QString& password);

// The databases of the system, as their connection strings tell them apart.
enum class DatabaseRole {
    DataCenter,          // edition 2's data-center database
    DataCenterEdition1,  // edition 1's (the same options and "Persist Security Info=False")
    PointOfSale,         // the point-of-sale 5 database
    PointOfSale4,        // the point-of-sale 4 database (edition 1)
    Company,             // a company's own database
};

// The OLE DB connection string of a database of that role in that file.
QString jetOleDbConnectionString(DatabaseRole role, const QString& file);

// The Access ODBC drivers, in the order they are tried: the one installed
// with newer Office and the Access runtime, then the Jet 4.0 driver of Windows.
inline constexpr const char* kAccessOdbcDrivers[] = {"Microsoft Access Driver (*.mdb, *.accdb)",
                                                     "Microsoft Access Driver (*.mdb)"};

// The database password of a role.
QString jetPassword(DatabaseRole role);

// The ODBC connection string with the options of the role's OLE DB string
// that ODBC has: the file (DBQ), the user (UID), the database password (PWD),
// shared mode (Exclusive=0), through the given Access driver. Values that
// hold ';', '{' or '}' are braced so they cannot add attributes of their own.
QString odbcConnectionString(DatabaseRole role, const QString& file, const QString& driver);

// An SQLite file through the SQLite ODBC driver: never created when missing,
// the same 5 s busy time-out as the SQLite driver.
QString sqliteOdbcConnectionString(const QString& file);

}  // namespace dc
