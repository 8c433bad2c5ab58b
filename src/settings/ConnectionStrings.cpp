#include "settings/ConnectionStrings.h"

#include "platform/FileNames.h"

#include <QStringList>

namespace dc {

QString jetOleDbConnectionString(const QString& file, const QString& password, bool persistSecurityInfoOption)
{
    QStringList o;
    o << QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0") << QStringLiteral("User ID=Admin")
      << QStringLiteral("Data Source=") + file << QStringLiteral("Mode=Share Deny None");
    if (persistSecurityInfoOption) o << QStringLiteral("Persist Security Info=False");
    o << QStringLiteral("Jet OLEDB:System database=\"\"") << QStringLiteral("Jet OLEDB:Registry Path=\"\"")
      << QStringLiteral("Jet OLEDB:Database Password=") + password << QStringLiteral("Jet OLEDB:Engine Type=5")
      << QStringLiteral("Jet OLEDB:Database Locking Mode=1") << QStringLiteral("Jet OLEDB:Global Partial Bulk Ops=2")
      << QStringLiteral("Jet OLEDB:Global Bulk Transactions=1") << QStringLiteral("Jet OLEDB:New Database Password=\"\"")
      << QStringLiteral("Jet OLEDB:Create System Database=False") << QStringLiteral("Jet OLEDB:Encrypt Database=False")
      << QStringLiteral("Jet OLEDB:Don't Copy Locale on Compact=False")
      << QStringLiteral("Jet OLEDB:Compact Without Replica Repair=False") << QStringLiteral("Jet OLEDB:SFP=False");
    return o.join(QLatin1Char(';')) + QLatin1Char(';');
}

QString companyOleDbConnectionString(const QString& file, const QString& password)
{
    QStringList o;
    o << QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0") << QStringLiteral("Password=\"\"")
      << QStringLiteral("User ID=Admin") << QStringLiteral("Data Source=") + file
      << QStringLiteral("Mode=Share Deny None") << QStringLiteral("Extended Properties=\"\"")
      << QStringLiteral("Jet OLEDB:System database=\"\"") << QStringLiteral("Jet OLEDB:Registry Path=\"\"")
      << QStringLiteral("Jet OLEDB:Database Password=") + password << QStringLiteral("Jet OLEDB:Engine Type=5")
      << QStringLiteral("Jet OLEDB:Database Locking Mode=1") << QStringLiteral("Jet OLEDB:Global Partial Bulk Ops=2")
      << QStringLiteral("Jet OLEDB:Global Bulk Transactions=1") << QStringLiteral("Jet OLEDB:New Database Password=\"\"")
      << QStringLiteral("Jet OLEDB:Create System Database=False") << QStringLiteral("Jet OLEDB:Encrypt Database=False")
      << QStringLiteral("Jet OLEDB:Don't Copy Locale on Compact=False")
      << QStringLiteral("Jet OLEDB:Compact Without Replica Repair=False") << QStringLiteral("Jet OLEDB:SFP=False");
    return o.join(QLatin1Char(';'));
}

namespace {
QString odbcValue(const QString& v)
{
    if (!v.contains(QLatin1Char(';')) && !v.contains(QLatin1Char('{')) && !v.contains(QLatin1Char('}'))
        && v.trimmed() == v)
        return v;
    QString escaped = v;
    escaped.replace(QStringLiteral("}"), QStringLiteral("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}
}  // namespace

QString jetPassword(DatabaseRole role)
{
    switch (role) {
    case DatabaseRole::DataCenter:
    case DatabaseRole::DataCenterEdition1: return QLatin1String(kDataCenterDbPassword);
    case DatabaseRole::PointOfSale:
    case DatabaseRole::Company: return QLatin1String(kPointOfSaleDbPassword);
    case DatabaseRole::PointOfSale4: return QLatin1String(kPointOfSale4DbPassword);
    }
    return {};
}

QString jetOleDbConnectionString(DatabaseRole role, const QString& file)
{
    if (role == DatabaseRole::Company) return companyOleDbConnectionString(file, jetPassword(role));
    return jetOleDbConnectionString(file, jetPassword(role), role == DatabaseRole::DataCenterEdition1);
}

QString odbcConnectionString(DatabaseRole role, const QString& file, const QString& driver)
{
    // The OLE DB options that ODBC has too: the file, the user Admin, the
    // database password, and "Mode=Share Deny None" (Exclusive=0): other
    // programs keep the file open meanwhile. No log-in prompt either way.
    return QStringLiteral("DRIVER={") + driver + QStringLiteral("};DBQ=") + odbcValue(file)
           + QStringLiteral(";UID=Admin;PWD=") + odbcValue(jetPassword(role)) + QStringLiteral(";Exclusive=0;ExtendedAnsiSQL=1;");
}

QString sqliteOdbcConnectionString(const QString& file)
{
    // The driver opens the file itself: under Wine it is Linux's (Wine's ODBC hands on to unixODBC).
    return QStringLiteral("DRIVER=SQLite3;Database=") + odbcValue(hostPath(file)) + QStringLiteral(";NoCreat=1;Timeout=5000;");
}

}  // namespace dc
