#include "settings/ConnectionStrings.h"

#include "platform/FileNames.h"
#include "settings/SqlDialect.h"

namespace dc {

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

QString odbcConnectionString(DatabaseRole role, const QString& file, const QString& driver)
{
    return QStringLiteral("DRIVER={") + driver + QStringLiteral("};DBQ=") + odbcValue(file)
           + QStringLiteral(";UID=Admin;PWD=") + odbcValue(jetPassword(role)) + QStringLiteral(";Exclusive=0;ExtendedAnsiSQL=1;");
}

QString sqliteOdbcConnectionString(const QString& file)
{
    // The driver opens the file itself: under Wine it is Linux's (Wine's ODBC hands on to unixODBC).
    return QStringLiteral("DRIVER=SQLite3;Database=") + odbcValue(hostPath(file)) + QStringLiteral(";NoCreat=1;Timeout=")
           + QString::number(kBusyPolicy.waitMs) + QLatin1Char(';');
}

}  // namespace dc
