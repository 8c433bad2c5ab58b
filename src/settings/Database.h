#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include "platform/Failure.h"

#include <stdexcept>

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
// - Opens on first use and never creates a missing file (the installed
//   databases come from datacenter-setup, never from the programs).
// - After a failed open every later use tries to open it again.
// - SQLite in WAL mode with a busy time-out, so the companion tools and the
//   point-of-sale programs can use the same files at the same time.
class Connection {
public:
    Connection(const QString& role, const QString& filePath);
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

    // Starts a write transaction that takes the write lock at once.
    void beginImmediate();
    void commit();
    void rollback();

private:
    QSqlQuery prepare(const QString& sql);
    static void bindAll(QSqlQuery& q, const QVariantList& binds);
    [[noreturn]] void fail(const QString& what, const QSqlError& error) const;

    QString m_connectionName;
    QString m_filePath;
    bool m_open = false;
};

// RAII write transaction: BEGIN IMMEDIATE now, ROLLBACK unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Connection& c) : m_c(c) { m_c.beginImmediate(); }
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

}  // namespace dc
