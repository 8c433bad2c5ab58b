#include "cloud/CloudLog.h"

#include "settings/Database.h"

namespace dc {

QString cloudLogText(const QDateTime& when, const QString& text)
{
    QString row = when.toString(QStringLiteral("dd/MM/yyyy HH:mm ")) + text;
    // Line breaks (a driver's multi-line error) would make the grid rows ragged.
    row.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (row.size() > kCloudLogTextMax) {
        row.truncate(kCloudLogTextMax);
        // Never cut a character in two.
        if (row.back().isHighSurrogate()) row.chop(1);
    }
    return row;
}

void appendCloudLog(Connection& dataCenter, const QDateTime& when, const QString& text)
{
    // Desc is a word of SQL: brackets quote it alike on both engines.
    dataCenter.exec(QStringLiteral("insert into tbl_app_Log ([Desc]) values (?)"), {cloudLogText(when, text)});
}

}  // namespace dc
