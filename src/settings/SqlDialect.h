#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace dc {

// Another program (a companion tool, the point of sale) holding a lock on a
// database file: a statement waits for it up to waitMs, then fails as busy.
// SQLite waits inside the engine (its busy time-out, set at every open); Jet
// answers a lock at once, so the statement is tried again every retryMs.
struct BusyPolicy {
    int waitMs;
    int retryMs;
};
inline constexpr BusyPolicy kBusyPolicy{5000, 100};

// The options of Qt's SQLite driver for the files the system opens: URI file
// names, and the busy time-out of kBusyPolicy.
QString sqliteConnectOptions();

// Where the two SQL engines the system meets differ: SQLite (our own files,
// and every file on Linux) and Jet (the shops' Access files, on Windows). The
// statements of the system keep to what both understand; what they cannot
// say alike comes from here. A connection owns the dialect of the file it
// opened.
class SqlDialect {
public:
    enum class Engine { Sqlite, Jet };

    static const SqlDialect& sqlite();
    static const SqlDialect& jet();

    Engine engine() const { return m_engine; }
    QString name() const;

    // A query that fails at once on a file that is not a database of this
    // engine; empty when opening already tells.
    QString probe() const;

    // The literal of a yes/no value (Jet keeps True as -1, SQLite 1).
    QString boolean(bool value) const;
    // A date and time as the engine compares them: ISO text for SQLite (the
    // files hold "yyyy-MM-dd HH:mm:ss"), a date value for Jet.
    QVariant dateTime(const QDateTime& value) const;

    // A write transaction that takes the write lock at once (SQLite), or the
    // driver's transaction (Jet).
    void begin(QSqlDatabase& db) const;
    void commit(QSqlDatabase& db) const;
    void rollback(QSqlDatabase& db) const;

    // Many single-row writes in a row (the manual tasks): what to run before
    // and after them so each row still commits, without one disk flush per
    // row where the engine allows it. Empty lists where nothing is needed.
    QStringList bulkWritesBegin() const;
    QStringList bulkWritesEnd() const;

    // The engine's answer was "wait": another program holds the lock.
    bool isLockError(const QString& nativeCode) const;

private:
    explicit SqlDialect(Engine engine) : m_engine(engine) {}
    Engine m_engine;
};

// A construct of one engine only in a statement that did not come from the
// dialect: the first one found, empty when there is none.
QString outsideCommonSql(const QString& statement);

}  // namespace dc
