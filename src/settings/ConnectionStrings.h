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

// ODBC connection string for the Access driver on Windows, used to open the
// shop's real Jet files through Qt's ODBC driver. Values that hold ';', '{' or
// '}' are braced so they cannot add attributes of their own.
QString odbcAccessConnectionString(const QString& file, const QString& password);

}  // namespace dc
