// The temporary copy: byte copies with holes, written as the file is read,
// databases with their WAL, owner only, and a cancel in the middle of a
// large database.
#include "ftpbackup/TemporaryCopy.h"
#include "ftpbackup/CopyingReader.h"
#include "ftpbackup/EngineHarness.h"
#include "support/TempRoot.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <atomic>
#include <thread>

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

#ifdef Q_OS_WIN
// No owner-only bits to read: Windows keeps who may read a file in its ACL,
// which a copy inherits from its folder, as its source did.
#define EXPECT_OWNER_ONLY(path)
#else
// The permission bits of a file, as the system stores them.
unsigned modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0xffff;
}
#define EXPECT_OWNER_ONLY(path) EXPECT_EQ(modeOf(path), 0600u)
#endif

// The shop's files are owner-only; the process umask lets everyone read new files.
class OwnerOnlySource {
public:
    OwnerOnlySource() : m_umask(::umask(022)) {}
    ~OwnerOnlySource() { ::umask(m_umask); }

private:
    mode_t m_umask;
};

}  // namespace

TEST(TemporaryCopy, ByteCopyKeepsZeroRunsAndATrailingHoleExact)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("datos.bin"));
    const QByteArray data = randomBytes(100'000, 20) + QByteArray(600 * 1024, '\0') + randomBytes(10, 21)
                            + QByteArray(300 * 1024, '\0');
    writeFile(source, data);
    const OwnerOnlySource umask022;
    ASSERT_TRUE(QFile::setPermissions(source, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const QString copy = temporaryCopyPath(source);
    EXPECT_EQ(copy, source + QStringLiteral(".resp"));
    // A link placed where the copy goes is replaced, never written through.
    const QString elsewhere = dir.filePath(QStringLiteral("ajeno.txt"));
    writeFile(elsewhere, "ajeno");
    ASSERT_TRUE(QFile::link(elsewhere, copy));
    const CopyOutcome made = makeTemporaryCopy(source, copy);
    EXPECT_EQ(made.size, data.size());
    EXPECT_TRUE(made.warning.isEmpty());
    EXPECT_EQ(readAll(copy), data);
    EXPECT_FALSE(QFileInfo(copy).isSymLink());
    EXPECT_EQ(readAll(elsewhere), QByteArray("ajeno"));
    EXPECT_OWNER_ONLY(copy);

    // A copy that cannot be made leaves no older one behind.
    writeFile(copy, "de ayer");
    EXPECT_THROW(makeTemporaryCopy(dir.filePath(QStringLiteral("no_existe.bin")), copy), CopyError);
    EXPECT_FALSE(QFileInfo::exists(copy));
}

TEST(TemporaryCopy, ReaderWritesTheCopyOfWhatItGivesKeepingHolesAndTheSizeItFoundAtTheStart)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("grande.bin"));
    constexpr qint64 kSize = 16 * 1024 * 1024;
    {
        // Data, a hole of almost 8 MiB, a little data and a trailing hole.
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(randomBytes(100'000, 22));
        ASSERT_TRUE(f.seek(8 * 1024 * 1024));
        f.write(randomBytes(10, 23));
        ASSERT_TRUE(f.resize(kSize));
    }
    const QByteArray whole = readAll(source);
    const QString copy = temporaryCopyPath(source);
    CopyingReader reader(source, copy);
    reader.start();
    EXPECT_EQ(reader.fileSize(), kSize);
    // The shop's program goes on writing: the upload gets the file as it was.
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("mas");
    }
    QByteArray given;
    std::vector<char> buffer(100'003);
    for (qint64 n; (n = reader.read(buffer.data(), qint64(buffer.size()))) > 0;) given.append(buffer.data(), n);
    EXPECT_EQ(reader.failure(), QString());
    EXPECT_TRUE(reader.isComplete());
    EXPECT_TRUE(given == whole);
    EXPECT_EQ(reader.finish(), kSize);
    EXPECT_TRUE(readAll(copy) == whole);
    EXPECT_OWNER_ONLY(copy);
#ifndef Q_OS_WIN
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(copy).constData(), &st), 0);
    EXPECT_LT(st.st_blocks * 512, 1024 * 1024) << "the holes were written out";
#endif
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
        const OwnerOnlySource umask022;
        ASSERT_TRUE(QFile::setPermissions(dbFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const CopyOutcome made = makeTemporaryCopy(dbFile, copy);
        EXPECT_EQ(made.size, QFileInfo(copy).size());
        EXPECT_TRUE(made.warning.isEmpty()) << made.warning.toStdString();
        EXPECT_OWNER_ONLY(copy);
        EXPECT_EQ(rowCount(copy, QStringLiteral("ventas")), 300);

        // The shop's connection goes on writing.
        EXPECT_TRUE(q.exec(QStringLiteral("insert into ventas (total) values (1)"))) << q.lastError().text().toStdString();
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("shop"));
}

TEST(TemporaryCopy, CancelDuringALargeDatabaseCopyEndsItWithinASecondAndLeavesNothing)
{
    QTemporaryDir dir;
    const QString dbFile = dir.filePath(QStringLiteral("grande.db"));
    // About 150 MB of incompressible rows, written in one transaction.
    ASSERT_TRUE(TempRoot::createDatabase(
        dbFile, {QStringLiteral("create table datos (b blob)"),
                 QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 150000) "
                                "insert into datos select randomblob(1000) from n")}));
    const QString copy = temporaryCopyPath(dbFile);

    std::atomic_bool cancel{false};
    std::atomic_bool ended{false};
    QString failure;
    std::thread copier([&] {
        try {
            makeTemporaryCopy(dbFile, copy, [&] { return cancel.load(); });
        } catch (const CopyError& e) {
            failure = e.text();
        }
        ended = true;
    });
    // Well under way: a tenth of it is written.
    QElapsedTimer t;
    t.start();
    while (!ended && QFileInfo(copy).size() < 15'000'000 && t.elapsed() < 30'000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    t.restart();
    cancel = true;
    copier.join();
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(failure, kOperationCancelled);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_FALSE(QFileInfo::exists(copy + QStringLiteral("-journal")));
}

TEST(TemporaryCopy, OnlyRecordedCopiesAreReplacedSweptOrLeftOutOfAListingAndEachIsForgottenOnceGone)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QString record = temporaryCopyRecordFile(dir.filePath(QStringLiteral("Db/datos.mdb")));
    EXPECT_EQ(record, dir.filePath(QStringLiteral("Db/copias_temporales_respaldo.dat")));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(record).path()));
    writeFile(folder + QStringLiteral("ventas.dat"), "ventas");
    writeFile(folder + QStringLiteral("ventas.dat.resp"), "de la tienda");
    writeFile(folder + QStringLiteral("otro.dat.resp-journal"), "de la tienda");
    const QString ours = folder + QStringLiteral("datos.db.resp");
    // A name with a line break and an unpaired surrogate is recorded as it is.
    const QString odd = folder + QStringLiteral("a\nb") + QChar(0xd800) + QStringLiteral(".resp");
    {
        const OwnerOnlySource umask022;
        TemporaryCopies run(record);
        EXPECT_THROW(run.claim(folder + QStringLiteral("ventas.dat.resp")), CopyError);
        EXPECT_THROW(run.claim(folder + QStringLiteral("otro.dat.resp")), CopyError) << "its journal is the shop's";
        EXPECT_TRUE(run.release(folder + QStringLiteral("ventas.dat.resp")));
        run.claim(ours);
        run.claim(odd);
        EXPECT_OWNER_ONLY(record);
        makeTemporaryCopy(folder + QStringLiteral("ventas.dat"), ours);
        writeFile(ours + QStringLiteral("-journal"), "diario");
    }
    EXPECT_EQ(readAll(folder + QStringLiteral("ventas.dat.resp")), QByteArray("de la tienda"));
    EXPECT_EQ(TemporaryCopies(record).withoutOurs(folder, QDir(folder).entryList(QDir::Files)),
              (QStringList{QStringLiteral("otro.dat.resp-journal"), QStringLiteral("ventas.dat"),
                           QStringLiteral("ventas.dat.resp")}));
    EXPECT_TRUE(TemporaryCopies(record).withoutOurs(folder, {QStringLiteral("a\nb") + QChar(0xd800) + QStringLiteral(".resp")})
                    .isEmpty());

    // The next run sweeps them and forgets them: a file of such a name made
    // later is the shop's, and a second sweep leaves it.
    TemporaryCopies next(record);
    next.sweep();
    EXPECT_FALSE(QFileInfo::exists(ours));
    EXPECT_FALSE(QFileInfo::exists(ours + QStringLiteral("-journal")));
    writeFile(ours, "de la tienda");
    TemporaryCopies(record).sweep();
    EXPECT_EQ(readAll(ours), QByteArray("de la tienda"));
    EXPECT_THROW(next.claim(ours), CopyError);
    QFile::remove(ours);

    // A copy removed when its attempt ends is forgotten too.
    next.claim(ours);
    makeTemporaryCopy(folder + QStringLiteral("ventas.dat"), ours);
    EXPECT_TRUE(next.release(ours));
    EXPECT_FALSE(QFileInfo::exists(ours));
    writeFile(ours, "de la tienda");
    TemporaryCopies(record).sweep();
    EXPECT_EQ(readAll(ours), QByteArray("de la tienda"));

    // A record that is not ours to read holds nothing.
    writeFile(record, "basura");
    TemporaryCopies(record).sweep();
    EXPECT_EQ(readAll(ours), QByteArray("de la tienda"));
}
