// The temporary copy: byte copies with holes, and databases with their WAL.
#include "ftpbackup/TemporaryCopy.h"
#include "ftpbackup/EngineHarness.h"
#include "support/TempRoot.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace dc;
using namespace dc::test;

namespace {

int rowCount(const QString& dbFile, const QString& table)
{
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(dbFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select count(*) from ") + table) && q.next()) n = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return n;
}

}  // namespace

TEST(TemporaryCopy, ByteCopyKeepsZeroRunsAndATrailingHoleExact)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("datos.bin"));
    const QByteArray data = randomBytes(100'000, 20) + QByteArray(600 * 1024, '\0') + randomBytes(10, 21)
                            + QByteArray(300 * 1024, '\0');
    writeFile(source, data);
    const QString copy = temporaryCopyPath(source);
    EXPECT_EQ(copy, source + QStringLiteral(".resp"));
    EXPECT_EQ(makeTemporaryCopy(source, copy), data.size());
    EXPECT_EQ(readAll(copy), data);

    // A copy that cannot be made leaves no older one behind.
    writeFile(copy, "de ayer");
    EXPECT_THROW(makeTemporaryCopy(dir.filePath(QStringLiteral("no_existe.bin")), copy), CopyError);
    EXPECT_FALSE(QFileInfo::exists(copy));
}

TEST(TemporaryCopy, DatabaseCopyHoldsTheTransactionsStillInItsWriteAheadLog)
{
    QTemporaryDir dir;
    const QString dbFile = dir.filePath(QStringLiteral("tienda.mdb"));
    {
        // The shop's program keeps the database open, its last sales not yet checkpointed.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("shop"));
        db.setDatabaseName(dbFile);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA journal_mode=WAL")));
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")));
        ASSERT_TRUE(q.exec(QStringLiteral("create table ventas (id integer primary key, total real)")));
        for (int i = 0; i < 300; ++i)
            ASSERT_TRUE(q.exec(QStringLiteral("insert into ventas (total) values (%1)").arg(i * 1.5)));

        // What a byte copy of the database file alone would hold.
        const QString raw = dir.filePath(QStringLiteral("crudo.mdb"));
        ASSERT_TRUE(QFile::copy(dbFile, raw));
        EXPECT_LT(rowCount(raw, QStringLiteral("ventas")), 300);

        const QString copy = temporaryCopyPath(dbFile);
        const qint64 size = makeTemporaryCopy(dbFile, copy);
        EXPECT_EQ(size, QFileInfo(copy).size());
        EXPECT_EQ(rowCount(copy, QStringLiteral("ventas")), 300);

        // The shop's connection goes on writing.
        EXPECT_TRUE(q.exec(QStringLiteral("insert into ventas (total) values (1)"))) << q.lastError().text().toStdString();
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("shop"));
}
