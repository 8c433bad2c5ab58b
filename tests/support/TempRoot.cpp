#include "support/TempRoot.h"

#include "settings/ConnectionStrings.h"
#include "settings/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace dc::test {

TempRoot::TempRoot(bool demo, bool withTools)
{
    m_root = std::make_unique<InstallRoot>(m_dir.path() + QStringLiteral("/C"));
    SetupOptions options;
    options.demo = demo;
    if (withTools) options.toolsDir = QStringLiteral(DC_BUILD_BIN_DIR);
    buildInstallRoot(*m_root, options);
}

bool TempRoot::createDatabase(const QString& dbFile, const QStringList& statements)
{
    const QString name = QStringLiteral("test-create");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(dbFile);  // a plain name: SQLite creates the file
        ok = db.open();
        QSqlQuery q(db);
        for (const QString& sql : statements) {
            if (!ok) break;
            ok = q.exec(sql);
            EXPECT_TRUE(ok) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        }
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

namespace {
// The test's own look at a file: SQLite directly, whatever way the programs
// open it, and outside the statement check (a test may say what it likes).
// Under Wine, programs that go through ODBC reach Linux's SQLite ODBC driver
// and the SQLite inside it, whose locks and writes the Windows SQLite in the
// same process does not see: the look goes through that driver too then.
QVariant ownStatement(const QString& dbFile, const QString& sql, const QVariantList& binds)
{
    const QString name = QStringLiteral("test-own");
    QVariant result;
    {
        QSqlDatabase db;
        if (sqliteThroughOdbc() && runningUnderWine()) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
            db.setDatabaseName(sqliteOdbcConnectionString(dbFile));
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(dbFile).absoluteFilePath()).toString(QUrl::FullyEncoded)
                               + QStringLiteral("?mode=rw"));
            db.setConnectOptions(sqliteConnectOptions());
        }
        if (!db.open()) throw DbError(dbFile + QStringLiteral(": ") + sqlErrorText(db.lastError()));
        QSqlQuery q(db);
        if (!q.prepare(sql)) throw DbError(sql + QStringLiteral(": ") + sqlErrorText(q.lastError()));
        for (const QVariant& v : binds) q.addBindValue(v);
        if (!q.exec()) throw DbError(sql + QStringLiteral(": ") + sqlErrorText(q.lastError()));
        if (q.next()) result = q.value(0);
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}
}  // namespace

void TempRoot::exec(const QString& dbFile, const QString& sql, const QVariantList& binds)
{
    ownStatement(dbFile, sql, binds);
}

QVariant TempRoot::scalar(const QString& dbFile, const QString& sql, const QVariantList& binds)
{
    return ownStatement(dbFile, sql, binds);
}

QString TempRoot::setting(const QString& dbFile, int id)
{
    return scalar(dbFile, QStringLiteral("select Valor from tbl_app_configuracion where Id = ?"), {id}).toString();
}

void TempRoot::setSetting(const QString& dbFile, int id, const QString& value)
{
    exec(dbFile, QStringLiteral("update tbl_app_configuracion set Valor = ? where Id = ?"), {value, id});
}

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}

bool runningUnderWine()
{
#ifdef Q_OS_WIN
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

bool writeFileIfAllowed(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

}  // namespace dc::test
