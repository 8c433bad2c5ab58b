#pragma once

#include "platform/Failure.h"
#include "settings/ConnectionStrings.h"
#include "settings/SqlDialect.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace dc {

// A database failure. The text carries the driver's own message so the user
// (and support) can see what the database said.
class DbError : public Failure {
public:
    using Failure::Failure;
};

// One database file behind a named Qt Sql connection, used only by the thread
// that opened it.
//
// - The file decides the engine: an SQLite file opens with Qt's SQLite
//   driver; a Jet (Access) file through Qt's ODBC driver and the Access ODBC
//   driver, with the connection options of its role. SQLite is asked first:
//   reading the file's header ourselves would mean opening and closing
//   another handle on a file this process may have open through SQLite,
//   which drops SQLite's locks on it (POSIX); only when SQLite says "not a
//   database" is the header read, to tell a Jet file.
// - Opens on first use and never creates a missing file (the installed
//   databases come from datacenter-setup, never from the programs). After a
//   failed open every later use tries to open it again.
// - SQLite in WAL mode, so the companion tools and the point-of-sale
//   programs can use the same files at the same time; a statement that meets
//   another program's lock waits for it as kBusyPolicy says.
// - Statements keep to what both engines understand; dialect() supplies what
//   they cannot say alike. Values are always bound.
class Connection {
public:
    Connection(const QString& role, const QString& filePath, DatabaseRole databaseRole = DatabaseRole::DataCenter);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Changing the file closes the connection; the next use opens the new file.
    void setFilePath(const QString& filePath);
    QString filePath() const { return m_filePath; }

    bool isOpen() const;
    void open();    // throws DbError
    void close();

    // The open Qt connection (opened if needed).
    QSqlDatabase database();
    // The engine of the open file (opened if needed).
    const SqlDialect& dialect();

    // Runs one statement with bound values; returns the rows it changed.
    int exec(const QString& sql, const QVariantList& binds = {});
    // As exec(), but waits at most `waitMs` (not the connection's busy
    // time-out) for a lock another program holds; then throws DbBusyError.
    int execWaitingAtMost(const QString& sql, const QVariantList& binds, int waitMs);
    // Runs a query with bound values; the result is positioned before its first row.
    QSqlQuery query(const QString& sql, const QVariantList& binds = {});
    // Named binds (":id" style).
    QSqlQuery query(const QString& sql, const QVariantMap& binds);
    // First column of the first row, or an invalid QVariant when there is none.
    QVariant scalar(const QString& sql, const QVariantList& binds = {});
    // A statement prepared once, to run many times with new values (checkBindable
    // each value bound).
    QSqlQuery prepare(const QString& sql);

    // Write transactions that take the write lock at once.
    void beginWrite();
    void commit();
    void rollback();

    // Schema statements of our own new files, which are SQLite (setup only).
    void createSchema(const QStringList& statements);

    // While it lives, many single-row writes go without one disk flush each
    // (each row still commits); see SqlDialect::bulkWritesBegin().
    class BulkWrites {
    public:
        explicit BulkWrites(Connection& c);
        ~BulkWrites();
        BulkWrites(const BulkWrites&) = delete;
        BulkWrites& operator=(const BulkWrites&) = delete;

    private:
        Connection& m_c;
    };

private:
    // False, with SQLite's words, when the file is not an SQLite database.
    bool openSqlite(const QString& name, QString* notADatabase);
    void openJet(const QString& name);
    void runDialect(const QString& sql);
    // Runs a prepared statement; a Jet one that meets a lock is tried again
    // for up to `waitMs` (SQLite waits inside the driver).
    bool execWithLockWait(QSqlQuery& q, int waitMs = kBusyPolicy.waitMs);
    [[noreturn]] void fail(const QSqlError& error) const;
    QString cannotOpen(const QString& why) const;

    QString m_connectionName;
    QString m_filePath;
    DatabaseRole m_role;
    const SqlDialect* m_dialect = nullptr;
    bool m_open = false;
};

// RAII write transaction: begins now, rolls back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Connection& c) : m_c(c) { m_c.beginWrite(); }
    ~WriteTransaction() {
        if (!m_done) {
            try { m_c.rollback(); } catch (...) {}
        }
    }
    void commit() { m_c.commit(); m_done = true; }

private:
    Connection& m_c;
    bool m_done = false;
};

// Error text of a Qt Sql error: what happened and what to do, in Spanish,
// then the driver's part (spanishDbErrorText).
QString sqlErrorText(const QSqlError& error);

// Every value is bound through here: a text that is not valid UTF-16 (a lone
// surrogate) throws DbError with invalidUnicodeText().
void checkBindable(const QVariant& value);
QString invalidUnicodeText();

// SQLite files open through ODBC instead of Qt's SQLite driver while the
// environment variable DC_SQLITE_THROUGH_ODBC is "1" (the SQLite ODBC driver
// must be installed): the tests run the ODBC path this way on machines
// without a Jet driver. Read once per process.
bool sqliteThroughOdbc();

// Every statement the programs prepare is appended, one per line, to the file
// named by the environment variable DC_SQL_TRACE when it is set: the tests
// check that each keeps to what both engines understand. Statements that come
// from the dialect are not written.
inline constexpr char kSqlTraceVariable[] = "DC_SQL_TRACE";

}  // namespace dc
