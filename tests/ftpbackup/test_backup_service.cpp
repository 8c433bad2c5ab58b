// Where the backup service is (--backup-service HOST[:PORT]), and what the
// clients keep of each server.
#include "ftpbackup/BackupService.h"
#include "ftpbackup/FtpServerMemoryFile.h"
#include "platform/ProgramOptions.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "support/TempRoot.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace dc;

TEST(BackupService, ParsesHostAndPortOnTheCommandLine)
{
    ProgramOptionSet set;
    set.root = true;
    set.rootDefault = QStringLiteral("/raiz");
    set.backupService = true;
    const auto parse = [&set](const QStringList& arguments, QString* why = nullptr) {
        return parseCommandLine(QStringList{QStringLiteral("programa")} + arguments, set, why);
    };
    const auto a = parse({QStringLiteral("--backup-service"), QStringLiteral("127.0.0.1:2121")});
    ASSERT_TRUE(a && a->backupService);
    EXPECT_EQ(a->backupService->host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(a->backupService->port, 2121);
    EXPECT_EQ(a->root, QStringLiteral("/raiz"));
    const auto b = parse({QStringLiteral("--backup-service"), QStringLiteral("respaldos.ejemplo.mx"), QStringLiteral("--root"),
                          QStringLiteral("/otra")});
    ASSERT_TRUE(b && b->backupService);
    EXPECT_EQ(b->backupService->port, 21);
    EXPECT_EQ(b->root, QStringLiteral("/otra"));
    const auto c = parse({});
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->backupService) << "left out: the program's default service";

    for (const char* bad : {"", ":21", "host:", "host:0", "host:65536", "host:+21", "host:x", "[::1]:21", "a b:21",
                            "host\r\n:21"}) {
        QString why;
        EXPECT_FALSE(parse({QStringLiteral("--backup-service"), QString::fromLatin1(bad)}, &why)) << bad;
        EXPECT_TRUE(why.startsWith(QStringLiteral("--backup-service ") + QString::fromLatin1(bad) + QStringLiteral(": ")))
            << why.toStdString();
    }
}

TEST(BackupService, TheStoredTlsSettingAndARowAnOlderSetupDidNotAdd)
{
    test::TempRoot root;
    const QString db = root.root().dataCenterDb(2);
    Connection c(QStringLiteral("t"), db);
    test::TempRoot::setSetting(db, RowBackupTls, QStringLiteral(" 2 "));
    EXPECT_EQ(storedFtpSecurity(c, RowBackupTls), FtpSecurity::Required);
    test::TempRoot::setSetting(db, RowCloudTls, QStringLiteral("si"));
    EXPECT_THROW(storedFtpSecurity(c, RowCloudTls), DbError);
    test::TempRoot::exec(db, QStringLiteral("delete from tbl_app_configuracion where Id > 13"));
    EXPECT_EQ(storedFtpSecurity(c, RowBackupTls), FtpSecurity::Off);
    EXPECT_EQ(storedFtpSecurity(c, RowCloudTls), FtpSecurity::WhenOffered);
}

// What the clients learned of each server, kept in a file between runs and
// between the programs that share it.
TEST(FtpServerMemoryFile, KeepsEachServerApartSurvivesDamageAndIsNeverSeenHalfWritten)
{
    using Mode = FtpServerFacts::DataMode;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("servidores.txt"));
    FtpServerMemoryFile memory(path);
    const FtpServerFacts passiveTls{Mode::Pasv, true};
    const FtpServerFacts epsvPlain{Mode::Epsv, false};

    EXPECT_EQ(memory.recall(QStringLiteral("respaldos.ejemplo.mx"), 21), FtpServerFacts{}) << "no file yet";
    memory.remember(QStringLiteral("Respaldos.Ejemplo.mx"), 21, passiveTls);
    memory.remember(QStringLiteral("respaldos.ejemplo.mx"), 2121, epsvPlain);
    memory.remember(QStringLiteral("127.0.0.1"), 21, {Mode::Active, false});
    // Another program reading the same file: by host (any letter case) and port.
    const FtpServerMemoryFile other(path);
    EXPECT_EQ(other.recall(QStringLiteral("respaldos.ejemplo.MX"), 21), passiveTls);
    EXPECT_EQ(other.recall(QStringLiteral("respaldos.ejemplo.mx"), 2121), epsvPlain);
    EXPECT_EQ(other.recall(QStringLiteral("127.0.0.1"), 21), (FtpServerFacts{Mode::Active, false}));
    EXPECT_EQ(other.recall(QStringLiteral("127.0.0.1"), 2121), FtpServerFacts{});
    memory.remember(QStringLiteral("respaldos.ejemplo.mx"), 21, epsvPlain);
    EXPECT_EQ(other.recall(QStringLiteral("respaldos.ejemplo.mx"), 21), epsvPlain);
    EXPECT_EQ(other.recall(QStringLiteral("127.0.0.1"), 21), (FtpServerFacts{Mode::Active, false}));
#ifndef Q_OS_WIN
    EXPECT_FALSE(QFileInfo(path).permissions()
                 & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther));
#endif
    // A name that would make lines of its own is not kept.
    memory.remember(QStringLiteral("x 21 pasv tls\notro.mx:21"), 21, passiveTls);
    EXPECT_EQ(memory.recall(QStringLiteral("otro.mx"), 21), FtpServerFacts{});

    // Damaged: what cannot be read is not known; the next write starts clean.
    const auto write = [&](const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    write(QByteArray("respaldos.ejemplo.mx:21 pasv tls\r\n127.0.0.1:21 sideways tls\n127.0.0.1:0 pasv tls\n:21 pasv tls\n"
                     "127.0.0.1:2121 pasv maybe\nbasura"));
    EXPECT_EQ(memory.recall(QStringLiteral("respaldos.ejemplo.mx"), 21), passiveTls) << "a good line still counts";
    EXPECT_EQ(memory.recall(QStringLiteral("127.0.0.1"), 21), FtpServerFacts{});
    EXPECT_EQ(memory.recall(QStringLiteral("127.0.0.1"), 2121), FtpServerFacts{});
    write(QByteArray("respaldos.ejemplo.mx:21 pasv tls\n") + QByteArray(FtpServerMemoryFile::kMaxFileSize, 'x'));
    EXPECT_EQ(memory.recall(QStringLiteral("respaldos.ejemplo.mx"), 21), FtpServerFacts{}) << "too large: not ours";
    static const char binary[] = "\x00\xff\xfe respaldos.ejemplo.mx:21 pasv tls";
    write(QByteArray(binary, sizeof binary - 1));
    EXPECT_EQ(memory.recall(QStringLiteral("respaldos.ejemplo.mx"), 21), FtpServerFacts{});
    memory.remember(QStringLiteral("127.0.0.1"), 21, epsvPlain);
    EXPECT_EQ(other.recall(QStringLiteral("127.0.0.1"), 21), epsvPlain);
    QFile::remove(path);
    EXPECT_EQ(memory.recall(QStringLiteral("127.0.0.1"), 21), FtpServerFacts{});

    // A folder that cannot take the file: it forgets, nothing fails.
    FtpServerMemoryFile nowhere(dir.filePath(QStringLiteral("no-existe/servidores.txt")));
    nowhere.remember(QStringLiteral("127.0.0.1"), 21, passiveTls);
    EXPECT_EQ(nowhere.recall(QStringLiteral("127.0.0.1"), 21), FtpServerFacts{});

    // The oldest server goes once the file holds its most.
    for (int i = 0; i <= FtpServerMemoryFile::kMaxServers; ++i)
        memory.remember(QStringLiteral("servidor%1.mx").arg(i), 21, passiveTls);
    EXPECT_EQ(memory.recall(QStringLiteral("servidor0.mx"), 21), FtpServerFacts{});
    EXPECT_EQ(memory.recall(QStringLiteral("servidor1.mx"), 21), passiveTls);

    // Two programs writing while a third reads: the reader always finds a
    // whole file (a server written before is never missing).
    std::atomic_bool stop{false};
    std::thread writer([&] {
        FtpServerMemoryFile w(path);
        for (int i = 0; i < 300 && !stop; ++i) w.remember(QStringLiteral("a.mx"), 21, i % 2 ? passiveTls : epsvPlain);
    });
    FtpServerMemoryFile second(path);
    int missing = 0;
    for (int i = 0; i < 300; ++i) {
        second.remember(QStringLiteral("b.mx"), 21, i % 2 ? passiveTls : epsvPlain);
        if (other.recall(QStringLiteral("servidor%1.mx").arg(FtpServerMemoryFile::kMaxServers), 21) != passiveTls)
            ++missing;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(missing, 0);
}
