#include "settings/SqlDialect.h"

#include "settings/Database.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace dc {

namespace {

void run(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql)) throw DbError(sqlErrorText(q.lastError()));
}

}  // namespace

QString sqliteConnectOptions()
{
    return QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyPolicy.waitMs);
}

const SqlDialect& SqlDialect::sqlite()
{
    static const SqlDialect d(Engine::Sqlite);
    return d;
}

const SqlDialect& SqlDialect::jet()
{
    static const SqlDialect d(Engine::Jet);
    return d;
}

QString SqlDialect::name() const
{
    return m_engine == Engine::Sqlite ? QStringLiteral("SQLite") : QStringLiteral("Jet");
}

QString SqlDialect::probe() const
{
    // A file that is not SQLite opens "fine" and fails at its first query.
    return m_engine == Engine::Sqlite ? QStringLiteral("select count(*) from sqlite_master") : QString();
}

QString SqlDialect::boolean(bool value) const
{
    if (m_engine == Engine::Jet) return value ? QStringLiteral("True") : QStringLiteral("False");
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QVariant SqlDialect::dateTime(const QDateTime& value) const
{
    if (!value.isValid()) return QVariant();
    if (m_engine == Engine::Jet) return value;
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void SqlDialect::begin(QSqlDatabase& db) const
{
    if (m_engine == Engine::Sqlite) {
        // A deferred BEGIN fails at once with "database is locked" when
        // another process writes; BEGIN IMMEDIATE waits for the busy time-out.
        run(db, QStringLiteral("BEGIN IMMEDIATE"));
    } else if (!db.transaction()) {
        throw DbError(sqlErrorText(db.lastError()));
    }
}

void SqlDialect::commit(QSqlDatabase& db) const
{
    if (m_engine == Engine::Sqlite)
        run(db, QStringLiteral("COMMIT"));
    else if (!db.commit())
        throw DbError(sqlErrorText(db.lastError()));
}

void SqlDialect::rollback(QSqlDatabase& db) const
{
    if (m_engine == Engine::Sqlite)
        run(db, QStringLiteral("ROLLBACK"));
    else if (!db.rollback())
        throw DbError(sqlErrorText(db.lastError()));
}

QStringList SqlDialect::bulkWritesBegin() const
{
    // The write-ahead log is synced at checkpoints instead of at every row:
    // a posted row survives an end of the program, not necessarily a power cut.
    if (m_engine == Engine::Sqlite) return {QStringLiteral("PRAGMA synchronous = NORMAL")};
    return {};
}

QStringList SqlDialect::bulkWritesEnd() const
{
    if (m_engine == Engine::Sqlite) return {QStringLiteral("PRAGMA synchronous = FULL")};
    return {};
}

bool SqlDialect::isLockError(const QString& nativeCode) const
{
    // SQLite: SQLITE_BUSY (5) and SQLITE_LOCKED (6), with their extended codes.
    // Jet: 3218 "could not update; currently locked", 3260 "locked by user",
    // 3261 "table locked", 3186/3187/3188 "could not save/read; locked".
    bool ok = false;
    const int code = nativeCode.trimmed().toInt(&ok);
    if (!ok) return false;
    if (m_engine == Engine::Sqlite) return (code & 0xff) == 5 || (code & 0xff) == 6;
    const int jet = code < 0 ? -code : code;
    return jet == 3218 || jet == 3260 || jet == 3261 || jet == 3186 || jet == 3187 || jet == 3188;
}

QString outsideCommonSql(const QString& statement)
{
    // Each of these reads differently, or not at all, on the other engine.
    static const struct {
        const char* pattern;
        const char* what;
    } kOneEngineOnly[] = {
        {R"(\blimit\s+\d)", "LIMIT"},
        {R"(\bselect\s+(distinct\s+)?top\s+\d)", "TOP"},
        {R"(\|\|)", "|| (concatenation)"},
        {R"(\b(true|false)\b)", "true/false literal"},
        {R"(\bpragma\b)", "PRAGMA"},
        {R"(\binsert\s+or\b)", "INSERT OR"},
        {R"(\bon\s+conflict\b)", "ON CONFLICT"},
        {R"(\breplace\s+into\b)", "REPLACE INTO"},
        {R"(\breturning\b)", "RETURNING"},
        {"`", "backquote"},
        {R"(")", "double quote"},
        {R"(!=|==)", "!= or =="},
        {R"(\bsqlite_)", "sqlite_ name"},
        {R"(\b(ifnull|coalesce|substr|length|strftime|datetime|julianday|printf|glob|cast|typeof|random|randomblob|iif|nz|mid|len|format)\s*\()",
         "function of one engine"},
        {R"(\b(create|drop|alter)\s+(table|index|view|trigger)\b)", "schema statement"},
        {R"(\b(begin|commit|rollback)\b)", "transaction statement"},
        {R"(#\d)", "date literal"},
        {R"(\bautoincrement\b)", "AUTOINCREMENT"},
    };
    // Quoted strings say nothing about the engine: leave them out first.
    QString sql = statement;
    sql.replace(QRegularExpression(QStringLiteral("'([^']|'')*'")), QStringLiteral("''"));
    for (const auto& c : kOneEngineOnly) {
        const QRegularExpression re(QString::fromUtf8(c.pattern), QRegularExpression::CaseInsensitiveOption);
        if (re.match(sql).hasMatch()) return QString::fromUtf8(c.what);
    }
    return {};
}

}  // namespace dc
