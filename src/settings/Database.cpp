#include "settings/Database.h"

#include "settings/DbErrorText.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <sqlite3.h>

namespace dc {

namespace {
QAtomicInt g_connectionCounter;

QString uriFor(const QString& path)
{
    // A URI keeps SQLite from creating a missing file (mode=rw); the path is
    // percent-encoded so names with '#', '?', '%' or blanks open correctly.
    QString uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    return uri + QStringLiteral("?mode=rw");
}
}  // namespace

QString invalidUnicodeText()
{
    return QStringLiteral("El texto no es Unicode válido (tiene un carácter sustituto UTF-16 sin pareja); no se usó");
}

void checkBindable(const QVariant& value)
{
    // SQLite decodes a lone surrogate together with the code unit after it,
    // so such a text is refused before it reaches any statement.
    if (value.typeId() == QMetaType::QString && !value.toString().isValidUtf16()) throw DbError(invalidUnicodeText());
}

QString sqlErrorText(const QSqlError& error)
{
    return spanishDbErrorText(error);
}

Connection::Connection(const QString& role, const QString& filePath)
    : m_connectionName(role + QStringLiteral("#") + QString::number(g_connectionCounter.fetchAndAddRelaxed(1))),
      m_filePath(filePath)
{
}

Connection::~Connection()
{
    close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void Connection::setFilePath(const QString& filePath)
{
    close();
    m_filePath = filePath;
}

bool Connection::isOpen() const
{
    return m_open;
}

void Connection::open()
{
    if (m_open) return;
    QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
                          ? QSqlDatabase::database(m_connectionName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    if (m_filePath.isEmpty())
        throw DbError(QStringLiteral("No se indicó el archivo de la base de datos."));
    db.setDatabaseName(uriFor(m_filePath));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const QString text = sqlErrorText(db.lastError());
        db.close();
        throw DbError(QStringLiteral("No se pudo abrir la base de datos ") + QDir::toNativeSeparators(m_filePath) + QStringLiteral(": ") + text);
    }
    // A file that is not a database opens "fine" and fails at its first query.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("select count(*) from sqlite_master"))) {
        const QString text = sqlErrorText(probe.lastError());
        probe = QSqlQuery();
        db.close();
        throw DbError(QStringLiteral("No se pudo abrir la base de datos ") + QDir::toNativeSeparators(m_filePath) + QStringLiteral(": ") + text);
    }
    m_open = true;
}

void Connection::close()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    m_open = false;
}

QSqlDatabase Connection::database()
{
    open();
    return QSqlDatabase::database(m_connectionName, false);
}

QSqlQuery Connection::prepare(const QString& sql)
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.prepare(sql)) fail(sql, q.lastError());
    return q;
}

void Connection::bindAll(QSqlQuery& q, const QVariantList& binds)
{
    for (const QVariant& v : binds) {
        checkBindable(v);
        q.addBindValue(v);
    }
}

void Connection::fail(const QString& /*what*/, const QSqlError& error) const
{
    throw DbError(sqlErrorText(error));
}

int Connection::exec(const QString& sql, const QVariantList& binds)
{
    QSqlQuery q = prepare(sql);
    bindAll(q, binds);
    if (!q.exec()) fail(sql, q.lastError());
    return q.numRowsAffected();
}

int Connection::execWaitingAtMost(const QString& sql, const QVariantList& binds, int waitMs)
{
    constexpr int kBusyTimeoutMs = 5000;  // the connection's own, set at open
    const QVariant handle = database().driver()->handle();
    sqlite3* sqlite = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                          ? *static_cast<sqlite3* const*>(handle.data())
                          : nullptr;
    if (sqlite) sqlite3_busy_timeout(sqlite, waitMs);
    const auto restore = qScopeGuard([sqlite] {
        if (sqlite) sqlite3_busy_timeout(sqlite, kBusyTimeoutMs);
    });
    QSqlQuery q = prepare(sql);
    bindAll(q, binds);
    if (!q.exec()) {
        if (dbFaultOf(q.lastError()) == DbFault::Busy) throw DbBusyError(sqlErrorText(q.lastError()));
        fail(sql, q.lastError());
    }
    return q.numRowsAffected();
}

QSqlQuery Connection::query(const QString& sql, const QVariantList& binds)
{
    QSqlQuery q = prepare(sql);
    bindAll(q, binds);
    if (!q.exec()) fail(sql, q.lastError());
    return q;
}

QSqlQuery Connection::query(const QString& sql, const QVariantMap& binds)
{
    QSqlQuery q = prepare(sql);
    for (auto it = binds.begin(); it != binds.end(); ++it) {
        checkBindable(it.value());
        q.bindValue(QLatin1Char(':') + it.key(), it.value());
    }
    if (!q.exec()) fail(sql, q.lastError());
    return q;
}

QVariant Connection::scalar(const QString& sql, const QVariantList& binds)
{
    QSqlQuery q = query(sql, binds);
    if (q.next()) return q.value(0);
    return {};
}

void Connection::beginImmediate()
{
    // A deferred BEGIN fails at once with "database is locked" when another
    // process writes; BEGIN IMMEDIATE waits for the busy time-out instead.
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) fail(QString(), q.lastError());
}

void Connection::commit()
{
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("COMMIT"))) fail(QString(), q.lastError());
}

void Connection::rollback()
{
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("ROLLBACK"))) fail(QString(), q.lastError());
}

}  // namespace dc
