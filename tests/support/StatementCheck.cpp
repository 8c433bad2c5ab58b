#include "support/StatementCheck.h"

#include "settings/Database.h"
#include "settings/SqlDialect.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>

#include <cstdio>

namespace dc::test {

namespace {
QString& tracePath()
{
    static QString path;
    return path;
}
}  // namespace

void startStatementTrace()
{
    if (qEnvironmentVariableIsSet(kSqlTraceVariable)) return;  // a test program started by another
    tracePath() = QDir::temp().filePath(QStringLiteral("dc-sql-trace-%1.txt").arg(QCoreApplication::applicationPid()));
    QFile::remove(tracePath());
    qputenv(kSqlTraceVariable, QFile::encodeName(tracePath()));
}

bool statementsKeptToCommonSql()
{
    if (tracePath().isEmpty()) return true;
    QFile f(tracePath());
    bool kept = true;
    if (f.open(QIODevice::ReadOnly)) {
        QSet<QString> seen;
        while (!f.atEnd()) {
            const QString sql = QString::fromUtf8(f.readLine()).trimmed();
            if (sql.isEmpty() || seen.contains(sql)) continue;
            seen.insert(sql);
            if (const QString construct = outsideCommonSql(sql); !construct.isEmpty()) {
                std::fprintf(stderr, "Statement outside what SQLite and Jet both understand (%s): %s\n",
                             construct.toUtf8().constData(), sql.toUtf8().constData());
                kept = false;
            }
        }
        f.close();
    }
    QFile::remove(tracePath());
    return kept;
}

}  // namespace dc::test
