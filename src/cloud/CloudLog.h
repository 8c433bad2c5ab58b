#pragma once

#include <QDateTime>
#include <QString>

namespace dc {

class Connection;

// The cloud log, table tbl_app_Log of edition 2's data-center database: one
// row per file generated or sent and one per failure, written by the
// companion tools and shown newest first on the log panel.

// The longest text a row holds.
inline constexpr int kCloudLogTextMax = 255;

// "dd/MM/yyyy HH:mm <text>", cut to what the column holds.
QString cloudLogText(const QDateTime& when, const QString& text);

// Appends one row. Throws DbError.
void appendCloudLog(Connection& dataCenter, const QDateTime& when, const QString& text);

}  // namespace dc
