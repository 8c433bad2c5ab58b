#include "cloud/BranchSettings.h"

#include "settings/Database.h"
#include "settings/SettingsStatements.h"

namespace dc {

QString readBranchSetting(Connection& company, int row)
{
    QSqlQuery q = company.query(QLatin1String(kBranchSettingSelect), QVariantMap{{QStringLiteral("id"), row}});
    return q.next() ? q.value(QStringLiteral("Valor")).toString() : QString();
}

QString branchFlagValue(bool ticked)
{
    return ticked ? QStringLiteral("1") : QStringLiteral("0");
}

std::optional<QString> catalogueValue(bool send, bool download)
{
    if (send && download) return std::nullopt;
    if (send) return QStringLiteral("1");
    if (download) return QStringLiteral("2");
    return QStringLiteral("0");
}

}  // namespace dc
