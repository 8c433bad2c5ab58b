// The backup engine against a real FTP server on loopback.
#include "ftpbackup/EngineHarness.h"
#include "ftpbackup/TemporaryCopy.h"
#include "support/TempRoot.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

#ifndef Q_OS_WIN
#include <sys/resource.h>

#include <csignal>
#endif

using namespace dc;
using namespace dc::test;

namespace {

const QString kFinishedAt1025 = QStringLiteral("10:25Respaldo Terminado!");

QString day(const QString& date = kRunDate)
{
    return kShopUser + QLatin1Char('/') + kShopPassword + QLatin1Char('/') + date + QLatin1Char('/');
}

// Temporary copies left on disk, or partial uploads left on the server.
QStringList leftoverCopies(const QString& folder,
                           const QStringList& patterns = {QStringLiteral("*.resp"), QStringLiteral("*.resp-journal")})
{
    QStringList found;
    QDirIterator it(folder, patterns, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) found << it.next();
    return found;
}

QStringList startingWith(const QStringList& lines, const QString& prefix)
{
    QStringList out;
    for (const QString& l : lines)
        if (l.startsWith(prefix)) out << l;
    return out;
}

// A file of `size` bytes that costs no disk (a hole), with a few marks.
void writeSparse(const QString& path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("INICIO");
    ASSERT_TRUE(f.resize(size - 3));
    ASSERT_TRUE(f.seek(size - 3));
    f.write("FIN");
}

// The FTP trace's lines while it lives (they come from the run's thread too).
class TraceCapture {
public:
    TraceCapture()
    {
        lines().clear();
        QLoggingCategory::setFilterRules(QStringLiteral("dc.ftp.debug=true"));
        m_previous = qInstallMessageHandler(&record);
    }
    ~TraceCapture()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QStringLiteral("dc.ftp.debug=false"));
    }
    static QStringList& lines()
    {
        static QStringList l;
        return l;
    }

private:
    static void record(QtMsgType, const QMessageLogContext& context, const QString& text)
    {
        static std::mutex mutex;
        std::lock_guard lock(mutex);
        if (qstrcmp(context.category, "dc.ftp") == 0) lines() << text;
    }
    QtMessageHandler m_previous;
};

#ifndef Q_OS_WIN
// A full disk for this process while it lives: no file may grow past `bytes`
// (writes past it fail with EFBIG instead of ending the process).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_previous {};
    void (*m_handler)(int);
};
#endif

// Waits until the run has sent some data bytes of its file (the harness
// records progress on the test's thread).
bool waitForDataSent(EngineHarness& h)
{
    return QTest::qWaitFor(
        [&] { return std::any_of(h.progress.begin(), h.progress.end(), [](const auto& p) { return std::get<0>(p) > 0; }); },
        30'000);
}

}  // namespace

TEST(BackupRun, UploadsFileRowsAndFolderRowsIntoUserPasswordAndDateFolders)
{
    QTemporaryDir src;
    const QString sales = src.filePath(QStringLiteral("ventas.csv"));
    writeFile(sales, randomBytes(300'000, 1));
    const QString docs = src.filePath(QStringLiteral("Docs/"));
    writeFile(docs + QStringLiteral("vacio.txt"), QByteArray());
    writeFile(docs + QStringLiteral("impar.bin"), randomBytes(12'345, 2));
    QFile::setPermissions(docs + QStringLiteral("impar.bin"), QFileDevice::ReadOwner);  // read-only backs up too
    const QString loose = src.filePath(QStringLiteral("Sueltos/"));
    writeFile(loose + QStringLiteral("nota.txt"), "nota del día");
    const QString close = src.filePath(QStringLiteral("cierre.dat"));
    writeFile(close, randomBytes(70'000, 3));

    auto server = shopServer();
    EngineHarness h(server->port());
    const BackupResult r = h.run({fileRow(sales), folderRow(docs, QStringLiteral("Documentos")),
                                  folderRow(loose, QStringLiteral("Sueltos"), 3), fileRow(close)});

    EXPECT_EQ(r.outcome, BackupOutcome::Completed);
    EXPECT_TRUE(r.failedFiles.isEmpty()) << r.failedFiles.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(r.uploadedFiles.size(), 5);
    // What the history keeps of it.
    const RunRecord kept = runRecordOf(r, QStringLiteral("respaldo:21"));
    EXPECT_EQ(kept.outcome, kOutcomeComplete);
    EXPECT_EQ(kept.files, 5);
    EXPECT_EQ(kept.bytes, 300'000 + 0 + 12'345 + QByteArray("nota del día").size() + 70'000);
    EXPECT_EQ(kept.start, kRunStart);
    EXPECT_TRUE(kept.failures.isEmpty());
    EXPECT_EQ(readAll(server->path(day() + QStringLiteral("ventas.csv"))), readAll(sales));
    EXPECT_EQ(readAll(server->path(day() + QStringLiteral("Documentos/vacio.txt"))), QByteArray());
    EXPECT_EQ(readAll(server->path(day() + QStringLiteral("Documentos/impar.bin"))), readAll(docs + QStringLiteral("impar.bin")));
    EXPECT_EQ(readAll(server->path(day() + QStringLiteral("nota.txt"))), QByteArray("nota del día"));  // Tipo 3: no folder of its own
    EXPECT_EQ(readAll(server->path(day() + QStringLiteral("cierre.dat"))), readAll(close));
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty()) << leftoverCopies(src.path()).join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(leftoverCopies(server->root(), {QStringLiteral("*.kova-parcial")}).isEmpty());

    // One connection for the whole list; each file climbs back to the log-in
    // folder first: 3 levels after a file row or a Tipo 3 entry, 4 after a Tipo 2 entry.
    EXPECT_EQ(server->count(QStringLiteral("CONNECT")), 1);
    EXPECT_EQ(server->count(QStringLiteral("CDUP")), 3 + 4 + 4 + 3);
    EXPECT_TRUE(h.statuses.contains(QStringLiteral("Respaldando... Archivo: ") + sales));
    EXPECT_TRUE(h.statuses.contains(QStringLiteral("Respaldando... Archivo: ") + docs + QStringLiteral("impar.bin")));
    EXPECT_EQ(lastOf(h.statuses), kFinishedAt1025);
    EXPECT_TRUE(h.errors.isEmpty()) << h.errors.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(h.messages.isEmpty());
    EXPECT_NE(std::find(h.progress.begin(), h.progress.end(), std::make_tuple(qint64(300'000), qint64(300'000), 100)),
              h.progress.end());
    EXPECT_FALSE(h.engine->isRunning());
}

TEST(BackupRun, ReusesAnExistingDateFolderAndReplacesItsFilesOnlyWithWholeCopies)
{
    QTemporaryDir src;
    const QString sales = src.filePath(QStringLiteral("ventas.csv"));
    writeFile(sales, randomBytes(20'000, 4));
    const QByteArray morning(50'000, 'v');  // this morning's copy, longer
    // A server that renames onto an existing name, one that will not, one
    // that overwrites nothing (a partial file left by a killed run included),
    // and one that keeps every upload truncated: the morning's copy stays.
    for (const QString& fault : {QString(), QStringLiteral("rnto-no-replace"), QStringLiteral("no-overwrite"),
                                 QStringLiteral("truncate-stored")}) {
        SCOPED_TRACE(fault.toStdString());
        auto server = shopServer(fault);
        writeFile(server->path(day() + QStringLiteral("ventas.csv")), morning);
        writeFile(server->path(day() + QStringLiteral("ventas.csv.kova-parcial")), "cortado");

        EngineHarness h(server->port());
        const BackupResult r = h.run({fileRow(sales)});

        const bool fails = fault == QStringLiteral("truncate-stored");
        EXPECT_EQ(r.outcome, BackupOutcome::Completed);
        EXPECT_EQ(r.failedFiles.size(), fails ? 1 : 0);
        EXPECT_EQ(server->count(QStringLiteral("MKD")), 0);
        EXPECT_EQ(server->count(QStringLiteral("STOR")), fails ? 5 : 1);
        EXPECT_EQ(readAll(server->path(day() + QStringLiteral("ventas.csv"))), fails ? morning : readAll(sales));
        EXPECT_TRUE(leftoverCopies(server->root(), {QStringLiteral("*.kova-parcial"), QStringLiteral("*.kova-anterior")}).isEmpty());
    }
}

TEST(BackupRun, AServerThatRefusesRenamesOrAFolderInTheWayCostsOneUploadAndKeepsTheOldCopy)
{
    QTemporaryDir src;
    const QString sales = src.filePath(QStringLiteral("ventas.csv"));
    writeFile(sales, randomBytes(20'000, 4));
    const struct {
        const char* fault;
        const char* folder;  // made on the server where the file goes
        const char* why;
    } cases[] = {
        {"no-rename", nullptr, "El servidor no permite reemplazar \"ventas.csv\" ni cambiarle el nombre (550 Rename not allowed.)"},
        {"", "ventas.csv.kova-parcial", "En el servidor hay una carpeta llamada \"ventas.csv.kova-parcial\" que impide enviar"},
        {"", "ventas.csv", "En el servidor hay una carpeta llamada \"ventas.csv\" donde va el archivo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto server = shopServer(QString::fromLatin1(c.fault));
        if (c.folder) QDir().mkpath(server->path(day() + QString::fromLatin1(c.folder)));
        else writeFile(server->path(day() + QStringLiteral("ventas.csv")), "copia de la mañana");

        EngineHarness h(server->port());
        const BackupResult r = h.run({fileRow(sales)});
        EXPECT_EQ(r.failedFiles, QStringList{sales});
        EXPECT_TRUE(r.failureReasons.value(0).startsWith(QString::fromUtf8(c.why))) << r.failureReasons.value(0).toStdString();
        EXPECT_LE(server->count(QStringLiteral("STOR")), 1) << "another attempt would meet the same refusal";
        if (!c.folder) {
            EXPECT_EQ(readAll(server->path(day() + QStringLiteral("ventas.csv"))), QByteArray("copia de la mañana"));
            EXPECT_EQ(readAll(server->path(day() + QStringLiteral("ventas.csv.kova-parcial"))), readAll(sales));
        }
    }
}

TEST(BackupRun, MissingShopFolderOrRefusedLogInStopsTheRunWithItsMessage)
{
    enum Case { UserMissing, PasswordMissing, LogInRefused, CertificateRefused };
    for (const Case c : {UserMissing, PasswordMissing, LogInRefused, CertificateRefused}) {
        if (c == CertificateRefused && !FtpServer::programsHaveTls()) continue;
        SCOPED_TRACE(c);
        QTemporaryDir src;
        const QString a = src.filePath(QStringLiteral("a.txt"));
        const QString b = src.filePath(QStringLiteral("b.txt"));
        writeFile(a, "a");
        writeFile(b, "b");
        FtpServer::Options o;
        o.accounts = serviceAccounts();
        if (c == LogInRefused) o.accounts[0].second = QStringLiteral("otra");
        if (c == CertificateRefused) o.tls = FtpServer::Tls::SelfSigned;
        FtpServer server(o);
        if (c == PasswordMissing) QDir().mkpath(server.path(kShopUser));

        EngineHarness h(server.port());
        BackupRequest request = h.request({fileRow(a), fileRow(b)});
        if (c == CertificateRefused) request.security = FtpSecurity::WhenOffered;
        const BackupResult r = h.run(request);

        EXPECT_EQ(r.outcome, BackupOutcome::CredentialsStop);
        const QString shown[] = {
            QStringLiteral("Usuario Incorrecto!"), QStringLiteral("Password Incorrecto!"),
            QStringLiteral("El servidor no aceptó la cuenta \"respaldo1@kovasistemas.mx\" (530 Authentication failed.)"),
            QStringLiteral("No se pudo establecer la conexión segura con 127.0.0.1:%1: el certificado del servidor está "
                           "firmado por él mismo, no por una autoridad de confianza; no se envió la cuenta")
                .arg(server.port())};
        const CredentialsRefusal refusal[] = {CredentialsRefusal::ShopFolders, CredentialsRefusal::ShopFolders,
                                              CredentialsRefusal::Account, CredentialsRefusal::Security};
        EXPECT_EQ(h.messages, QStringList{shown[c]});
        EXPECT_EQ(r.stopText, shown[c]);
        EXPECT_EQ(r.refusal, refusal[c]);
        EXPECT_EQ(runRecordOf(r, {}).outcome, c == CertificateRefused ? kOutcomeSecurity : kOutcomeCredentials);
        EXPECT_EQ(runRecordOf(r, {}).detail, shown[c]);
        EXPECT_EQ(server.count(QStringLiteral("STOR")), 0);
        // No later file is tried: a refused account is not asked again (servers ban that).
        EXPECT_EQ(server.count(QStringLiteral("USER ")), c == CertificateRefused ? 0 : 1);
        EXPECT_EQ(server.count(QStringLiteral("CWD ") + kShopUser), c >= LogInRefused ? 0 : 1);
        EXPECT_EQ(lastOf(h.statuses), QStringLiteral("Respaldando... Archivo: ") + a);
        EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
        EXPECT_FALSE(h.engine->isConnectionOpen());
        EXPECT_FALSE(h.engine->isRunning());
    }
}

TEST(BackupRun, ServerThatStopsAnsweringIsAnAttemptErrorNotAWrongUser)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.txt"));
    writeFile(a, "a");
    auto server = shopServer(QStringLiteral("stall-replies"));
    EngineHarness h(server->port(), 0.01, std::chrono::milliseconds(300));
    const BackupResult r = h.run({fileRow(a)});

    EXPECT_EQ(r.outcome, BackupOutcome::Completed);
    EXPECT_TRUE(h.messages.isEmpty()) << firstOf(h.messages).toStdString();
    EXPECT_EQ(r.failedFiles, QStringList{a});
    EXPECT_EQ(server->count(QStringLiteral("CONNECT")), 5) << "each attempt opens a new connection";
    EXPECT_TRUE(firstOf(h.errors).contains(QStringLiteral("no respondió"))) << firstOf(h.errors).toStdString();
}

TEST(BackupRun, ABusyPasswordFolderIsAnAttemptErrorThatNeverShowsThePassword)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.txt"));
    writeFile(a, "a");
    auto server = shopServer(QStringLiteral("cwd-busy"), 1);  // its reply names the folder
    TraceCapture trace;
    EngineHarness h(server->port());
    const BackupResult r = h.run({fileRow(a)});

    EXPECT_EQ(r.uploadedFiles, QStringList{a});
    EXPECT_TRUE(h.messages.isEmpty()) << firstOf(h.messages).toStdString();
    ASSERT_EQ(h.errors.size(), 1);
    EXPECT_EQ(h.errors.first(), QStringLiteral("10:25 ERROR, intento No.1 Desc: No se pudo entrar a la carpeta \"****\" "
                                               "(450 /tienda_centro/****: busy, try again later.)"));
    const QString traced = trace.lines().join(QLatin1Char('\n'));
    EXPECT_TRUE(traced.contains(QStringLiteral("-> CWD ****"))) << traced.toStdString();
    for (const QString& secret : {kShopPassword, backupServiceAccounts()[0].password})
        EXPECT_FALSE(traced.contains(secret, Qt::CaseInsensitive)) << traced.toStdString();
}

TEST(BackupRun, EarlyDataCloseFailsTheAttemptAndIsRetried)
{
    QTemporaryDir src;
    const QString sales = src.filePath(QStringLiteral("ventas.csv"));
    writeFile(sales, randomBytes(2 * 1024 * 1024, 5));
    auto server = shopServer(QStringLiteral("close-data-early"), 2);
    EngineHarness h(server->port());
    const BackupResult r = h.run({fileRow(sales)});

    EXPECT_EQ(r.outcome, BackupOutcome::Completed);
    EXPECT_EQ(r.uploadedFiles, QStringList{sales});
    ASSERT_EQ(h.errors.size(), 2) << h.errors.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(firstOf(h.errors).startsWith(QStringLiteral("10:25 ERROR, intento No.1 Desc: "))) << firstOf(h.errors).toStdString();
    EXPECT_TRUE(h.errors[1].startsWith(QStringLiteral("10:25 ERROR, intento No.2 Desc: "))) << h.errors[1].toStdString();
    EXPECT_EQ(server->count(QStringLiteral("STOR")), 3);
    EXPECT_EQ(readAll(server->path(day() + QStringLiteral("ventas.csv"))), readAll(sales));
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
}

TEST(BackupRun, AttemptAfterTheCopyWasWholeSendsThatCopyAgainAndADatabaseGoesWithItsWriteAheadLog)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.bin"));
    const QByteArray first = randomBytes(300'000, 31);
    writeFile(a, first);
    const QString dbFile = src.filePath(QStringLiteral("tienda.db"));
    {
        // The shop's program keeps the database open, its sales still in the write-ahead log.
        QSqlDatabase shop = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("shop"));
        shop.setDatabaseName(dbFile);
        ASSERT_TRUE(shop.open());
        QSqlQuery q(shop);
        for (const char* sql : {"PRAGMA journal_mode=WAL", "PRAGMA wal_autocheckpoint=0", "create table ventas (total real)",
                                "with recursive n(i) as (select 1 union all select i + 1 from n where i < 300) "
                                "insert into ventas select i from n"})
            ASSERT_TRUE(q.exec(QString::fromLatin1(sql)));

        // The first upload is kept one byte short: its attempt fails after
        // the copy was whole. The file changes before the next attempt.
        auto server = shopServer(QStringLiteral("truncate-stored"), 1);
        EngineHarness h(server->port());
        std::atomic_bool changed{false};
        h.pacing->onWait = [&](std::chrono::milliseconds) {
            if (server->count(QStringLiteral("STOR")) == 1 && !changed.exchange(true)) writeFile(a, randomBytes(300'000, 32));
        };
        const BackupResult r = h.run({fileRow(a), fileRow(dbFile)});

        EXPECT_EQ(r.uploadedFiles, (QStringList{a, dbFile}));
        EXPECT_EQ(h.errors, QStringList{QStringLiteral("10:25 ERROR, intento No.1 Desc: El servidor guardó 299999 de 300000 bytes")});
        EXPECT_TRUE(changed);
        EXPECT_TRUE(readAll(server->path(day() + QStringLiteral("a.bin"))) == first);
        EXPECT_EQ(TempRoot::scalar(server->path(day() + QStringLiteral("tienda.db")), QStringLiteral("select count(*) from ventas")).toInt(),
                  300);
        EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
        q = QSqlQuery();
        shop.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("shop"));
}

#ifndef Q_OS_WIN
TEST(BackupRun, CopyThatCannotBeWrittenFailsEachAttemptWithItsReasonAndLeavesNothing)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.bin"));
    writeFile(a, randomBytes(3 * 1024 * 1024, 33));
    auto server = shopServer();
    EngineHarness h(server->port());
    BackupResult r;
    {
        const FileSizeLimit fullDisk(1024 * 1024);
        r = h.run({fileRow(a)});
    }
    EXPECT_EQ(r.failedFiles, QStringList{a});
    EXPECT_EQ(startingWith(h.errors, QStringLiteral("10:25 ERROR, intento No.")).size(), 5);
    EXPECT_TRUE(firstOf(h.errors).contains(QStringLiteral(" Desc: No se pudo escribir la copia temporal ")
                                           + QDir::toNativeSeparators(temporaryCopyPath(a)) + QStringLiteral(": ")))
        << firstOf(h.errors).toStdString();
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(server->path(day() + QStringLiteral("a.bin"))));
}
#endif

TEST(BackupRun, FileThatNeverArrivesWholeIsSkippedAfterFiveAttemptsAndTheRunSaysSo)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.bin"));
    const QString b = src.filePath(QStringLiteral("b.bin"));
    writeFile(a, randomBytes(200'000, 6));
    writeFile(b, randomBytes(200'000, 7));
    auto server = shopServer(QStringLiteral("close-data-early"));
    EngineHarness h(server->port());
    const BackupResult r = h.run({fileRow(a), fileRow(b)});

    EXPECT_EQ(r.outcome, BackupOutcome::Completed);
    EXPECT_EQ(r.failedFiles, (QStringList{a, b}));
    const RunRecord kept = runRecordOf(r, {});
    EXPECT_EQ(kept.outcome, kOutcomeFilesLeftOut);
    EXPECT_EQ(kept.detail, QStringLiteral("No se respaldaron 2 archivo(s)"));
    ASSERT_EQ(kept.failures.size(), 2);
    EXPECT_EQ(kept.failures[1].file, b);
    EXPECT_FALSE(kept.failures[1].error.isEmpty()) << "the last attempt's error stays with the file";
    EXPECT_EQ(server->count(QStringLiteral("STOR")), 10);
    EXPECT_EQ(startingWith(h.errors, QStringLiteral("10:25 ERROR, intento No.5 Desc: ")).size(), 2);
    EXPECT_EQ(lastOf(h.errors), QStringLiteral("No se respaldaron 2 archivo(s)"));
    EXPECT_EQ(lastOf(h.statuses), kFinishedAt1025);
    EXPECT_TRUE(h.messages.isEmpty());
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
}

TEST(BackupRun, CompletionReplyIsNoProofTheRemoteSizeMustMatch)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.bin"));
    writeFile(a, randomBytes(200'000, 8));
    // The server answers 226 and keeps one byte less, once; told by SIZE, or
    // by MLST or LIST where SIZE and MLST are refused. A 550 to SIZE alone is
    // no failed upload.
    const struct {
        const char* fault;
        const char* askedLast;
        bool truncates;
    } cases[] = {
        {"truncate-stored", "SIZE", true},
        {"no-size,truncate-stored", "MLST", true},
        {"no-size,no-mlst,truncate-stored", "LIST", true},
        {"size-550", "MLST", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        auto server = shopServer(QString::fromLatin1(c.fault), 1);
        EngineHarness h(server->port());
        const BackupResult r = h.run({fileRow(a)});
        EXPECT_EQ(r.outcome, BackupOutcome::Completed);
        EXPECT_EQ(r.uploadedFiles, QStringList{a});
        EXPECT_EQ(h.errors.size(), c.truncates ? 1 : 0) << h.errors.join(QLatin1Char('|')).toStdString();
        if (c.truncates) {
            EXPECT_TRUE(firstOf(h.errors).endsWith(QStringLiteral("Desc: El servidor guardó 199999 de 200000 bytes")))
                << firstOf(h.errors).toStdString();
        }
        EXPECT_EQ(server->count(QStringLiteral("STOR")), c.truncates ? 2 : 1);
        EXPECT_EQ(server->count(QString::fromLatin1(c.askedLast)), c.truncates ? 2 : 1);
        EXPECT_EQ(readAll(server->path(day() + QStringLiteral("a.bin"))), readAll(a));
    }
}

TEST(BackupRun, UnreachableServiceGetsFiveAttemptsPerFileAndTheRunStillEnds)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.txt"));
    const QString b = src.filePath(QStringLiteral("b.txt"));
    writeFile(a, "a");
    writeFile(b, "b");
    EngineHarness h(closedLoopbackPort());
    const BackupResult r = h.run({fileRow(a), fileRow(b)});

    EXPECT_EQ(r.outcome, BackupOutcome::Completed);
    EXPECT_EQ(r.failedFiles, (QStringList{a, b}));
    EXPECT_EQ(runRecordOf(r, {}).outcome, kOutcomeNoConnection);
    EXPECT_TRUE(runRecordOf(r, {}).detail.startsWith(QStringLiteral("No se pudo conectar con 127.0.0.1:")));
    ASSERT_EQ(h.errors.size(), 11) << h.errors.join(QLatin1Char('|')).toStdString();
    for (int i = 0; i < 10; ++i) {
        const QString expected = QStringLiteral("10:25 ERROR, intento No.%1 Desc: No se pudo conectar con 127.0.0.1:").arg(i % 5 + 1);
        EXPECT_TRUE(h.errors[i].startsWith(expected)) << h.errors[i].toStdString();
        // What to do, in Spanish, before the system's own words.
        EXPECT_LT(h.errors[i].indexOf(QStringLiteral("revisa la conexión a Internet")),
                  h.errors[i].indexOf(QStringLiteral("(detalle: ")))
            << h.errors[i].toStdString();
    }
    EXPECT_EQ(lastOf(h.statuses), kFinishedAt1025);
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
}

TEST(BackupRun, ConnectionDroppedBetweenFilesIsOpenedAgainAndClimbsBack)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.bin"));
    const QString b = src.filePath(QStringLiteral("b.bin"));
    writeFile(a, randomBytes(50'000, 9));
    writeFile(b, randomBytes(50'000, 10));
    auto server = shopServer(QStringLiteral("drop-after-upload"), 1);
    EngineHarness h(server->port());
    const BackupResult r = h.run({fileRow(a), fileRow(b)});

    EXPECT_EQ(r.uploadedFiles, (QStringList{a, b}));
    EXPECT_EQ(server->count(QStringLiteral("CONNECT")), 2);
    EXPECT_EQ(h.errors.size(), 1) << h.errors.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(readAll(server->path(day() + QStringLiteral("b.bin"))), readAll(b));
}

// Behind a router that refuses the server's connections: the first attempt
// fails, the next one and the rest of the run go passive (EPSV, else PASV);
// the next run tries active again first.
TEST(BackupRun, ServerThatCannotConnectBackGetsTheFilesInPassiveModeFromTheSecondAttemptAndTheNextRunStartsSo)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.bin"));
    const QString b = src.filePath(QStringLiteral("b.bin"));
    writeFile(a, randomBytes(150'000, 13));
    writeFile(b, randomBytes(70'000, 14));
    const QString refused = QStringLiteral("10:25 ERROR, intento No.1 Desc: El servidor no aceptó el puerto de datos (425 ");
    const struct {
        const char* fault;
        const char* passive;  // the command of the passive connections that worked
        QString firstError;
    } cases[] = {
        {"refuse-port", "EPSV", refused},
        {"refuse-port,no-epsv", "PASV", refused},
        {"refuse-port,no-epsv,bare-pasv", "PASV", refused},
        {"refuse-port,epsv-malformed", "PASV", refused},
        // Only the server may deliver the data connection: one from another
        // address is turned away, and the wait runs out.
        {"port-from-other-address", "EPSV",
         QStringLiteral("10:25 ERROR, intento No.1 Desc: El servidor no abrió la conexión de datos en 1.5 segundos")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        auto server = shopServer(QString::fromLatin1(c.fault));
        EngineHarness h(server->port(), 0.01, std::chrono::milliseconds(1500));
        for (int run = 1; run <= 2; ++run) {
            BackupResult r = h.run({fileRow(a), fileRow(b)});
            EXPECT_EQ(r.uploadedFiles, (QStringList{a, b}));
            // The kind that worked is remembered: the second run starts with it.
            EXPECT_EQ(server->count(QStringLiteral("PORT")), 1);
            EXPECT_EQ(server->count(QString::fromLatin1(c.passive)), 2 * run);
            EXPECT_EQ(h.statuses.count(kPassiveModeNotice), 1);
            EXPECT_EQ(startingWith(h.errors, c.firstError).size(), 1) << h.errors.join(QLatin1Char('|')).toStdString();
            // Told once in the run's history too, after what the run itself says.
            EXPECT_EQ(r.notices, run == 1 ? QStringList{kPassiveModeNotice} : QStringList{});
            if (run == 1) {
                BackupResult left = r;
                left.failedFiles << a;
                EXPECT_EQ(runRecordOf(left, {}).detail, filesNotBackedUpText(1) + QStringLiteral("; ") + kPassiveModeNotice);
            }
        }
        EXPECT_EQ(server->count(QStringLiteral("RECEIVED")), 4) << "no file goes twice";
        EXPECT_EQ(server->count(QStringLiteral("STRANGER")), 0);
        EXPECT_EQ(readAll(server->path(day() + QStringLiteral("a.bin"))), readAll(a));
        EXPECT_EQ(readAll(server->path(day() + QStringLiteral("b.bin"))), readAll(b));
    }
}

TEST(BackupRun, CancelDuringAFileRowStopsWithinASecondWithoutAMessage)
{
    QTemporaryDir src;
    const QString big = src.filePath(QStringLiteral("grande.bin"));
    writeSparse(big, 16 * 1024 * 1024);
    const QString next = src.filePath(QStringLiteral("siguiente.txt"));
    writeFile(next, "x");
    auto server = shopServer(QStringLiteral("stall-data"));
    EngineHarness h(server->port());
    QSignalSpy done(h.engine.get(), &BackupEngine::finished);
    ASSERT_TRUE(h.engine->start(h.request({fileRow(big), fileRow(next)})));
    ASSERT_TRUE(waitForDataSent(h)) << "the upload never started";

    EXPECT_FALSE(h.engine->start(h.request({fileRow(next)}))) << "runs must never overlap";
    EXPECT_TRUE(h.engine->isConnectionOpen());
    QElapsedTimer t;
    t.start();
    h.engine->cancel();
    const BackupResult r = EngineHarness::waitForEnd(done, 10'000);
    EXPECT_LT(t.elapsed(), 1000);

    EXPECT_EQ(r.outcome, BackupOutcome::Cancelled);
    EXPECT_EQ(runRecordOf(r, {}).outcome, kOutcomeCancelled);
    EXPECT_TRUE(h.messages.isEmpty());
    EXPECT_TRUE(h.statuses.contains(QStringLiteral("Cancelando...")));
    EXPECT_EQ(lastOf(h.statuses), QStringLiteral("Sin Actividad"));
    EXPECT_TRUE(h.errors.contains(QString()));
    ASSERT_FALSE(h.progress.empty());
    EXPECT_EQ(std::get<0>(h.progress.back()), 0);
    EXPECT_EQ(server->count(QStringLiteral("CONNECT")), 1);
    EXPECT_FALSE(h.engine->isConnectionOpen());
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
}

TEST(BackupRun, CancelDuringAFolderEntryShowsRespaldoCanceladoWithTheRealWaits)
{
    QTemporaryDir src;
    const QString docs = src.filePath(QStringLiteral("Docs/"));
    writeSparse(docs + QStringLiteral("grande.bin"), 16 * 1024 * 1024);
    auto server = shopServer(QStringLiteral("stall-data"));
    EngineHarness h(server->port(), 1.0);
    QSignalSpy done(h.engine.get(), &BackupEngine::finished);
    ASSERT_TRUE(h.engine->start(h.request({folderRow(docs, QStringLiteral("Docs"))})));
    ASSERT_TRUE(waitForDataSent(h)) << "the upload never started";

    QElapsedTimer t;
    t.start();
    h.engine->cancel();
    const BackupResult r = EngineHarness::waitForEnd(done, 10'000);
    EXPECT_LT(t.elapsed(), 1000) << "the 1-second wait after the failed attempt must not hold the cancel";

    EXPECT_EQ(r.outcome, BackupOutcome::Cancelled);
    EXPECT_EQ(h.messages, QStringList{QStringLiteral("Respaldo Cancelado!")});
    EXPECT_EQ(lastOf(h.statuses), QStringLiteral("Sin Actividad"));
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
}

TEST(BackupRun, FolderEntryThatIsAHiddenSubFolderFailsOnlyOurStaleCopyIsSweptAndTheShopsOwnIsKeptAndSent)
{
    QTemporaryDir src;
    const QString docs = src.filePath(QStringLiteral("Docs/"));
    auto server = shopServer();
    EngineHarness h(server->port());
    writeFile(docs + QStringLiteral("a.txt"), "a");
    h.leaveCopy(docs + QStringLiteral("a.txt.resp"), "copia de una corrida terminada a la fuerza");
    // The shop's own files that merely look like copies: no run of ours made them.
    writeFile(docs + QStringLiteral("b.dat"), "b");
    writeFile(docs + QStringLiteral("b.dat.resp"), "de la tienda");
    writeFile(docs + QStringLiteral("notas.resp"), "del usuario");
    QDir().mkpath(docs + QStringLiteral(".oculta"));
    writeFile(docs + QStringLiteral("z.txt"), "z");
    const BackupResult r = h.run({folderRow(docs, QStringLiteral("Docs"))});

    EXPECT_EQ(r.outcome, BackupOutcome::Completed);
    // b.dat's copy would take the shop's file's place: it is left out, saying why.
    EXPECT_EQ(r.failedFiles, (QStringList{docs + QStringLiteral(".oculta"), docs + QStringLiteral("b.dat")}));
    EXPECT_TRUE(r.failureReasons.value(1).startsWith(QStringLiteral("Ya existe ") + QDir::toNativeSeparators(docs)
                                                     + QStringLiteral("b.dat.resp, un archivo que no hizo este programa")))
        << r.failureReasons.value(1).toStdString();
    EXPECT_EQ(r.uploadedFiles, (QStringList{docs + QStringLiteral("a.txt"), docs + QStringLiteral("b.dat.resp"),
                                            docs + QStringLiteral("notas.resp"), docs + QStringLiteral("z.txt")}));
    EXPECT_FALSE(QFileInfo::exists(docs + QStringLiteral("a.txt.resp")));
    EXPECT_EQ(readAll(docs + QStringLiteral("b.dat.resp")), QByteArray("de la tienda"));
    EXPECT_EQ(readAll(server->path(day() + QStringLiteral("Docs/b.dat.resp"))), QByteArray("de la tienda"));
    EXPECT_EQ(readAll(docs + QStringLiteral("notas.resp")), QByteArray("del usuario"));
    EXPECT_EQ(startingWith(h.errors, QStringLiteral("10:25 ERROR, intento No.")).size(), 10);
    EXPECT_TRUE(firstOf(h.errors).endsWith(QStringLiteral(" no es un archivo"))) << firstOf(h.errors).toStdString();
    EXPECT_EQ(lastOf(h.errors), QStringLiteral("No se respaldaron 2 archivo(s)"));
    EXPECT_EQ(readAll(server->path(day() + QStringLiteral("Docs/z.txt"))), QByteArray("z"));
    QStringList left = leftoverCopies(src.path());
    left.sort();
    EXPECT_EQ(left, (QStringList{docs + QStringLiteral("b.dat.resp"), docs + QStringLiteral("notas.resp")}));
}

TEST(BackupRun, DamagedDatabaseIsUploadedAsItIsWithAWarning)
{
    QTemporaryDir src;
    const QString dbFile = src.filePath(QStringLiteral("tienda.db"));
    ASSERT_TRUE(TempRoot::createDatabase(dbFile, {QStringLiteral("create table ventas (id integer primary key, total real)"),
                                                  QStringLiteral("insert into ventas (total) values (12.5)")}));
    // The first page's table header gets a page type that does not exist.
    QByteArray bytes = readAll(dbFile);
    ASSERT_GT(bytes.size(), 100);
    bytes[100] = 0x42;
    writeFile(dbFile, bytes);

    auto server = shopServer();
    EngineHarness h(server->port());
    const BackupResult r = h.run({fileRow(dbFile)});

    EXPECT_EQ(r.uploadedFiles, QStringList{dbFile});
    EXPECT_EQ(readAll(server->path(day() + QStringLiteral("tienda.db"))), bytes);
    ASSERT_EQ(h.errors.size(), 1) << h.errors.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(firstOf(h.errors).startsWith(QStringLiteral("Advertencia: la base de datos ") + QDir::toNativeSeparators(dbFile)
                                             + QStringLiteral(" está dañada (")))
        << firstOf(h.errors).toStdString();
    EXPECT_TRUE(firstOf(h.errors).endsWith(QStringLiteral("se respalda tal como está"))) << firstOf(h.errors).toStdString();
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
}

TEST(BackupRun, RunCrossingMidnightMovesFolderEntriesAndLaterFilesToTheNewDay)
{
    QTemporaryDir src;
    const QString first = src.filePath(QStringLiteral("primero.txt"));
    const QString last = src.filePath(QStringLiteral("ultimo.txt"));
    const QString docs = src.filePath(QStringLiteral("Docs/"));
    writeFile(first, "1");
    writeFile(last, "2");
    writeFile(docs + QStringLiteral("a.txt"), "a");
    writeFile(docs + QStringLiteral("b.txt"), "b");
    auto server = shopServer();
    EngineHarness h(server->port());
    h.clock->set(QDateTime(QDate(2026, 3, 14), QTime(23, 59, 50)));
    // Midnight passes while the first folder entry is being copied.
    h.pacing->onWait = [&](std::chrono::milliseconds nominal) {
        if (nominal.count() == 1500) h.clock->set(QDateTime(QDate(2026, 3, 15), QTime(0, 0, 5)));
    };
    const BackupResult r = h.run({fileRow(first), folderRow(docs, QStringLiteral("Docs")), fileRow(last)});

    EXPECT_EQ(r.uploadedFiles.size(), 4);
    EXPECT_EQ(readAll(server->path(day(QStringLiteral("14032026")) + QStringLiteral("primero.txt"))), QByteArray("1"));
    EXPECT_EQ(readAll(server->path(day(QStringLiteral("15032026")) + QStringLiteral("Docs/a.txt"))), QByteArray("a"));
    EXPECT_EQ(readAll(server->path(day(QStringLiteral("15032026")) + QStringLiteral("Docs/b.txt"))), QByteArray("b"));
    EXPECT_EQ(readAll(server->path(day(QStringLiteral("15032026")) + QStringLiteral("ultimo.txt"))), QByteArray("2"));
    EXPECT_EQ(lastOf(h.statuses), QStringLiteral("00:00Respaldo Terminado!"));
}

TEST(BackupRun, FileOfMoreThanTwoGibibytesIsUploadedAndVerified)
{
    QTemporaryDir src;
    const QString big = src.filePath(QStringLiteral("grande.bin"));
    const qint64 size = (qint64(2) << 30) + 103;
    writeSparse(big, size);
    auto server = shopServer();
    EngineHarness h(server->port());
    const BackupResult r = h.run({fileRow(big)}, 300'000);

    EXPECT_EQ(r.uploadedFiles, QStringList{big});
    const QString stored = server->path(day() + QStringLiteral("grande.bin"));
    EXPECT_EQ(QFileInfo(stored).size(), size);
    QFile f(stored);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(6), QByteArray("INICIO"));
    ASSERT_TRUE(f.seek(size - 3));
    EXPECT_EQ(f.read(3), QByteArray("FIN"));
    ASSERT_FALSE(h.progress.empty());
    EXPECT_EQ(h.progress.back(), std::make_tuple(size, size, 100));
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
}

TEST(BackupRun, BlankCredentialsOrCredentialsWithLineBreaksStopBeforeAnyConnection)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.txt"));
    writeFile(a, "a");
    auto server = shopServer();
    // Copies left by a run ended by force are swept at the start even of a
    // run that stops at once, and forgotten; the shop's files of such names stay.
    const QString docs = src.filePath(QStringLiteral("Docs/"));
    for (const char* name : {"b.mdb", "c.mdb", "c.mdb.resp", "c.mdb.resp-journal", "notas.resp"})
        writeFile(docs + QLatin1String(name), "x");
    {
        EngineHarness h(server->port());
        h.leaveCopy(a + QStringLiteral(".resp"), "copia");
        h.leaveCopy(docs + QStringLiteral("b.mdb.resp"), "copia");
        writeFile(docs + QStringLiteral("b.mdb.resp-journal"), "diario");
        BackupRequest request = h.request({fileRow(a), folderRow(docs, QStringLiteral("Docs"))});
        request.user = QString();
        EXPECT_EQ(h.run(request).outcome, BackupOutcome::BlankCredentials);
        EXPECT_EQ(QDir(docs).entryList(QDir::Files), (QStringList{QStringLiteral("b.mdb"), QStringLiteral("c.mdb"),
                                                                  QStringLiteral("c.mdb.resp"), QStringLiteral("c.mdb.resp-journal"),
                                                                  QStringLiteral("notas.resp")}));
        EXPECT_FALSE(QFileInfo::exists(a + QStringLiteral(".resp")));
        // Forgotten: a file of that name made later is the shop's.
        writeFile(a + QStringLiteral(".resp"), "de la tienda");
        EXPECT_EQ(h.run(request).outcome, BackupOutcome::BlankCredentials);
        EXPECT_EQ(readAll(a + QStringLiteral(".resp")), QByteArray("de la tienda"));
    }
    for (const auto& [user, password] : {std::pair{QStringLiteral(" \t\n"), kShopPassword},
                                         std::pair{kShopUser, QStringLiteral("\x01 ")},
                                         std::pair{kShopUser, QStringLiteral("Clave\r\nDELE x")},
                                         std::pair{QStringLiteral("tienda\n"), kShopPassword}}) {
        EngineHarness h(server->port());
        BackupRequest request = h.request({fileRow(a)});
        request.user = user;
        request.password = password;
        const BackupResult r = h.run(request);
        if (user.trimmed().isEmpty() || password.startsWith(QLatin1Char('\x01'))) {
            EXPECT_EQ(r.outcome, BackupOutcome::BlankCredentials);
            EXPECT_EQ(h.messages,
                      QStringList{QStringLiteral("Por favor captura tu usuario y contraseña para poder hacer tus respaldos")});
        } else {
            EXPECT_EQ(r.outcome, BackupOutcome::CredentialsStop);
            ASSERT_EQ(h.messages.size(), 1);
            EXPECT_TRUE(h.messages.first().startsWith(QStringLiteral("Tu usuario o tu contraseña de respaldo contiene un salto de línea")));
        }
    }
    EXPECT_EQ(server->count(QStringLiteral("CONNECT")), 0);
}

TEST(BackupRun, NamesWithLineBreaksFailOnceWithoutAConnectionAndTheOthersUpload)
{
    QTemporaryDir src;
    const QString good = src.filePath(QStringLiteral("bien.txt"));
    writeFile(good, "bien");
    BackupRow badFile = fileRow(good);
    badFile.nombre = QStringLiteral("bien.txt\r\nDELE bien.txt");
    const QString docs = src.filePath(QStringLiteral("Docs/"));
    // Windows refuses a line break in a file name: there only the list's own names can hold one.
    const bool lineBreakNames = writeFileIfAllowed(docs + QStringLiteral("mal\nnombre.txt"), "m");
    writeFile(docs + QStringLiteral("otro.txt"), "o");
    const QString more = src.filePath(QStringLiteral("Mas/"));
    writeFile(more + QStringLiteral("x.txt"), "x");
    auto server = shopServer();
    EngineHarness h(server->port());
    const BackupResult r = h.run({badFile, folderRow(docs, QStringLiteral("Docs")),
                                  folderRow(more, QStringLiteral("Mas\nRMD Docs")), fileRow(good)});

    EXPECT_EQ(r.uploadedFiles, (QStringList{docs + QStringLiteral("otro.txt"), good}));
    if (!lineBreakNames) {
        EXPECT_EQ(r.failedFiles, (QStringList{good, more + QStringLiteral("x.txt")}));
        EXPECT_EQ(lastOf(h.errors), QStringLiteral("No se respaldaron 2 archivo(s)"));
        return;
    }
    EXPECT_EQ(r.failedFiles, (QStringList{good, docs + QStringLiteral("mal\nnombre.txt"), more + QStringLiteral("x.txt")}));
    ASSERT_EQ(h.errors.size(), 4) << h.errors.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(h.errors[0], QStringLiteral("10:25 ERROR, no se respalda %1: el nombre \"bien.txt\\r\\nDELE bien.txt\" contiene "
                                          "un salto de línea y no se puede enviar al servidor").arg(good));
    EXPECT_TRUE(h.errors[1].contains(QStringLiteral("\"mal\\nnombre.txt\""))) << h.errors[1].toStdString();
    EXPECT_TRUE(h.errors[2].startsWith(QStringLiteral("10:25 ERROR, no se respalda la carpeta ") + more)) << h.errors[2].toStdString();
    EXPECT_EQ(h.errors[3], QStringLiteral("No se respaldaron 3 archivo(s)"));
    EXPECT_EQ(server->count(QStringLiteral("CONNECT")), 1);
    EXPECT_EQ(server->count(QStringLiteral("STOR")), 2);
    // Only the partial names are ever deleted (a leftover is cleared before each upload).
    EXPECT_EQ(server->count(QStringLiteral("DELE")), server->count(QStringLiteral("STOR")));
    EXPECT_EQ(server->count(QStringLiteral("RMD")), 0);
}

TEST(BackupRun, TheServerIndexChoosesTheAccountAndOtherIndexesKeepTheLastOne)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.txt"));
    writeFile(a, "a");
    auto server = shopServer();
    const auto& accounts = backupServiceAccounts();
    {
        EngineHarness h(server->port());
        BackupRequest request = h.request({fileRow(a)});
        request.serverIndex = 2;
        EXPECT_EQ(h.run(request).uploadedFiles.size(), 1);
        request.serverIndex = 7;  // "KOVA Server 8"
        EXPECT_EQ(h.run(request).uploadedFiles.size(), 1);
        EXPECT_EQ(server->count(QStringLiteral("USER ") + accounts[2].user), 2);
    }
    EngineHarness fresh(server->port());
    BackupRequest request = fresh.request({fileRow(a)});
    request.serverIndex = 7;
    EXPECT_EQ(fresh.run(request).uploadedFiles.size(), 1);
    EXPECT_EQ(server->count(QStringLiteral("USER ") + accounts[0].user), 1);
}

TEST(BackupRun, MissingSourceOrFolderIsAFailureAndAnOlderCopyIsNeverSent)
{
    QTemporaryDir src;
    const QString gone = src.filePath(QStringLiteral("falta.csv"));
    const QString noFolder = src.filePath(QStringLiteral("Reportes_Borrados/"));
    auto server = shopServer();
    EngineHarness h(server->port());
    h.leaveCopy(gone + QStringLiteral(".resp"), "copia de ayer");
    const BackupResult r = h.run({fileRow(gone), folderRow(noFolder, QStringLiteral("Reportes_Borrados"))});

    EXPECT_EQ(r.outcome, BackupOutcome::Completed);
    EXPECT_EQ(r.failedFiles, (QStringList{gone, noFolder}));
    EXPECT_TRUE(firstOf(h.errors).contains(QStringLiteral("No se encontró el archivo"))) << firstOf(h.errors).toStdString();
    EXPECT_EQ(startingWith(h.errors, QStringLiteral("10:25 ERROR, no se pudo leer la carpeta ") + QDir::toNativeSeparators(noFolder)).size(), 1)
        << h.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lastOf(h.errors), QStringLiteral("No se respaldaron 2 archivo(s)"));
    EXPECT_EQ(server->count(QStringLiteral("STOR")), 0);
    EXPECT_FALSE(QFileInfo::exists(gone + QStringLiteral(".resp")));
}

TEST(BackupRun, WaitsAreOneSecondPerFolderStepAndFailedAttemptAndOneAndAHalfAfterAnEntryCopy)
{
    QTemporaryDir src;
    const QString a = src.filePath(QStringLiteral("a.txt"));
    writeFile(a, "a");
    const QString docs = src.filePath(QStringLiteral("Docs/"));
    writeFile(docs + QStringLiteral("b.txt"), "b");
    auto server = shopServer();
    EngineHarness h(server->port(), 0.0);
    h.run({fileRow(a), folderRow(docs, QStringLiteral("Docs")), fileRow(src.filePath(QStringLiteral("falta.txt")))});

    const std::vector<long long> expected = {
        1000, 1000, 1000, 1000,              // a: user, password, date folder made, entered
        1500,                                // b copied
        1000, 1000, 1000,                    // three levels back up
        1000, 1000, 1000, 1000,              // user, password, date folder, Docs made and entered
        1000, 1000, 1000, 1000, 1000,        // five failed attempts of the missing file
    };
    EXPECT_EQ(h.pacing->waits(), expected);

    // The programs' pacing waits the whole time, and a cancel cuts it short.
    Pacing real;
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(real.wait(BackupRun::kStepWait));
    EXPECT_GE(t.elapsed(), 1000);
    EXPECT_LT(t.elapsed(), 1400);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        real.interrupt();
    });
    t.restart();
    EXPECT_FALSE(real.wait(BackupRun::kCopyWait * 10));
    canceller.join();
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_FALSE(real.wait(BackupRun::kStepWait)) << "every later wait returns at once";
    real.rearm();
    t.restart();
    EXPECT_TRUE(real.wait(BackupRun::kCopyWait));
    EXPECT_GE(t.elapsed(), 1500);
}
