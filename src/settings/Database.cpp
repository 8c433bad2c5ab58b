#include "settings/Database.h"

#include "platform/OdbcDrivers.h"
#include "settings/DbErrorText.h"

#include <QAtomicInt>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QThread>
#include <QUrl>

#include <mutex>
#include <sqlite3.h>

namespace dc {

namespace {

QAtomicInt g_connectionCounter;

// SQLite's answer for a file that is not a database.
constexpr int kSqliteNotADatabase = 26;

QString uriFor(const QString& path)
{
    // A URI keeps SQLite from creating a missing file (mode=rw); the path is
    // percent-encoded so names with '#', '?', '%' or blanks open correctly.
    QString uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    return uri + QStringLiteral("?mode=rw");
}

// "Standard Jet DB" (Jet 3/4, .mdb) or "Standard ACE DB" (.accdb) at offset 4.
bool isJetFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(20);
    return head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB";
}

// The statement trace of the tests (kSqlTraceVariable).
void trace(const QString& sql)
{
    static const QString path = qEnvironmentVariable(kSqlTraceVariable);
    if (path.isEmpty()) return;
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    QString line = sql;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // Each statement once per process (the reader wants no more): opening
    // the file costs milliseconds on Windows, and a setup runs thousands.
    // Never destroyed: another thread may still trace while the process ends.
    static auto* written = new QSet<QString>;
    if (written->contains(line)) return;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    f.write(line.toUtf8() + '\n');
    written->insert(line);
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

bool sqliteThroughOdbc()
{
    static const bool on = qEnvironmentVariable("DC_SQLITE_THROUGH_ODBC") == QStringLiteral("1");
    return on;
}

QString sqlErrorText(const QSqlError& error)
{
    return spanishDbErrorText(error);
}

Connection::Connection(const QString& role, const QString& filePath, DatabaseRole databaseRole)
    : m_connectionName(role + QStringLiteral("#") + QString::number(g_connectionCounter.fetchAndAddRelaxed(1))),
      m_filePath(filePath),
      m_role(databaseRole)
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

QString Connection::cannotOpen(const QString& why) const
{
    return QStringLiteral("No se pudo abrir la base de datos ") + QDir::toNativeSeparators(m_filePath) + QStringLiteral(": ")
           + why;
}

void Connection::open()
{
    if (m_open) return;
    if (m_filePath.isEmpty()) throw DbError(QStringLiteral("No se indicó el archivo de la base de datos."));
    // Never a new file, whatever the driver would do with a missing one.
    if (!QFileInfo(m_filePath).isFile()) throw DbError(cannotOpen(QStringLiteral("el archivo no existe")));
    if (QSqlDatabase::contains(m_connectionName)) QSqlDatabase::removeDatabase(m_connectionName);
    QString notADatabase;
    if (!openSqlite(m_connectionName, &notADatabase)) {
        // Only now is the header read: SQLite holds no lock on this file.
        QSqlDatabase::removeDatabase(m_connectionName);
        if (!isJetFile(m_filePath))
            throw DbError(cannotOpen(QStringLiteral("el archivo no es una base de datos (") + notADatabase
                                     + QLatin1Char(')')));
        openJet(m_connectionName);
    }
    m_open = true;
}

bool Connection::openSqlite(const QString& name, QString* notADatabase)
{
    QSqlDatabase db;
    if (sqliteThroughOdbc()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(sqliteOdbcConnectionString(m_filePath));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(uriFor(m_filePath));
        db.setConnectOptions(sqliteConnectOptions());
    }
    if (!db.open()) {
        const QString text = sqlErrorText(db.lastError());
        db.close();
        throw DbError(cannotOpen(text));
    }
    QSqlQuery probe(db);
    if (!probe.exec(SqlDialect::sqlite().probe())) {
        const QSqlError error = probe.lastError();
        probe = QSqlQuery();
        db.close();
        if (error.nativeErrorCode().toInt() == kSqliteNotADatabase) {
            *notADatabase = sqlErrorText(error);
            return false;
        }
        throw DbError(cannotOpen(sqlErrorText(error)));
    }
    m_dialect = &SqlDialect::sqlite();
    return true;
}

void Connection::openJet(const QString& name)
{
    const QStringList installed = installedOdbcDrivers();
    QStringList wanted;
    QString lastError;
    for (const char* known : kAccessOdbcDrivers) {
        const QString driver = QLatin1String(known);
        wanted << QStringLiteral("«") + driver + QStringLiteral("»");
        if (!installed.contains(driver, Qt::CaseInsensitive)) continue;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
            db.setDatabaseName(odbcConnectionString(m_role, m_filePath, driver));
            if (db.open()) {
                m_dialect = &SqlDialect::jet();
                return;
            }
            lastError = sqlErrorText(db.lastError());
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (lastError.isEmpty())
        throw DbError(cannotOpen(QStringLiteral("es una base de datos de Access (Jet) y en este equipo no hay un "
                                                "controlador ODBC de Access (se buscó ")
                                 + wanted.join(QStringLiteral(" y ")) + QStringLiteral(")")));
    throw DbError(cannotOpen(QStringLiteral("es una base de datos de Access (Jet) y el controlador ODBC de Access no "
                                            "la abrió: ")
                             + lastError));
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

const SqlDialect& Connection::dialect()
{
    open();
    return *m_dialect;
}

QSqlQuery Connection::prepare(const QString& sql)
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    trace(sql);
    // The last guard: a construct of one engine never reaches a Jet file.
    if (m_dialect == &SqlDialect::jet()) {
        if (const QString construct = outsideCommonSql(sql); !construct.isEmpty())
            throw DbError(QStringLiteral("Sentencia no válida para una base de datos de Access (") + construct
                          + QStringLiteral("): ") + sql);
    }
    if (!q.prepare(sql)) fail(q.lastError());
    return q;
}

void Connection::fail(const QSqlError& error) const
{
    throw DbError(sqlErrorText(error));
}

bool Connection::execWithLockWait(QSqlQuery& q, int waitMs)
{
    if (q.exec()) return true;
    // SQLite waited its busy time-out already; Jet answers a lock at once.
    if (m_dialect != &SqlDialect::jet()) return false;
    const QDeadlineTimer deadline(waitMs);
    while (m_dialect->isLockError(q.lastError().nativeErrorCode()) && !deadline.hasExpired()) {
        QThread::msleep(kBusyPolicy.retryMs);
        if (q.exec()) return true;
    }
    return false;
}

namespace {
void bindAll(QSqlQuery& q, const QVariantList& binds)
{
    for (const QVariant& v : binds) {
        checkBindable(v);
        q.addBindValue(v);
    }
}
}  // namespace

int Connection::exec(const QString& sql, const QVariantList& binds)
{
    QSqlQuery q = prepare(sql);
    bindAll(q, binds);
    if (!execWithLockWait(q)) fail(q.lastError());
    return q.numRowsAffected();
}

int Connection::execWaitingAtMost(const QString& sql, const QVariantList& binds, int waitMs)
{
    const QVariant handle = database().driver()->handle();
    sqlite3* sqlite = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                          ? *static_cast<sqlite3* const*>(handle.data())
                          : nullptr;
    if (sqlite) sqlite3_busy_timeout(sqlite, waitMs);
    const auto restore = qScopeGuard([sqlite] {
        if (sqlite) sqlite3_busy_timeout(sqlite, kBusyPolicy.waitMs);  // the connection's own, set at open
    });
    QSqlQuery q = prepare(sql);
    bindAll(q, binds);
    if (!execWithLockWait(q, waitMs)) {
        if (dbFaultOf(q.lastError()) == DbFault::Busy) throw DbBusyError(sqlErrorText(q.lastError()));
        fail(q.lastError());
    }
    return q.numRowsAffected();
}

QSqlQuery Connection::query(const QString& sql, const QVariantList& binds)
{
    QSqlQuery q = prepare(sql);
    bindAll(q, binds);
    if (!execWithLockWait(q)) fail(q.lastError());
    return q;
}

QSqlQuery Connection::query(const QString& sql, const QVariantMap& binds)
{
    QSqlQuery q = prepare(sql);
    for (auto it = binds.begin(); it != binds.end(); ++it) {
        checkBindable(it.value());
        q.bindValue(QLatin1Char(':') + it.key(), it.value());
    }
    if (!execWithLockWait(q)) fail(q.lastError());
    return q;
}

QVariant Connection::scalar(const QString& sql, const QVariantList& binds)
{
    QSqlQuery q = query(sql, binds);
    if (q.next()) return q.value(0);
    return {};
}

void Connection::beginWrite()
{
    QSqlDatabase db = database();
    m_dialect->begin(db);
}

void Connection::commit()
{
    QSqlDatabase db = database();
    m_dialect->commit(db);
}

void Connection::rollback()
{
    QSqlDatabase db = database();
    m_dialect->rollback(db);
}

void Connection::runDialect(const QString& sql)
{
    QSqlQuery q(database());
    if (!q.exec(sql)) fail(q.lastError());
}

void Connection::createSchema(const QStringList& statements)
{
    if (dialect().engine() != SqlDialect::Engine::Sqlite)
        throw DbError(QStringLiteral("Las tablas propias se crean solo en archivos SQLite: ")
                      + QDir::toNativeSeparators(m_filePath));
    for (const QString& sql : statements) runDialect(sql);
}

Connection::BulkWrites::BulkWrites(Connection& c) : m_c(c)
{
    for (const QString& sql : m_c.dialect().bulkWritesBegin()) m_c.runDialect(sql);
}

Connection::BulkWrites::~BulkWrites()
{
    try {
        for (const QString& sql : m_c.dialect().bulkWritesEnd()) m_c.runDialect(sql);
    } catch (...) {
        // The connection's next open starts from the engine's defaults again.
    }
}

}  // namespace dc
