// The data center's programs (datacenter1, the backup tool, the send tool)
// as real processes against Debian's FTP servers, vsftpd, proftpd and
// pure-ftpd, each started by the test on loopback with the configuration of
// this folder (support/InteropServer.h). Whatever a server's defaults, every
// file must arrive whole under its name with nothing left beside it, and the
// program must end with 0. A case skips, saying why, where its server is not
// installed (scripts/install-deps.sh interop) or cannot run that way.
#include "ftpbackup/EngineHarness.h"
#include "pipeline/ToolHarness.h"
#include "support/InteropServer.h"

#include <QBuffer>
#include <QDate>
#include <QDirIterator>
#include <QTemporaryDir>

#include <cstring>

using namespace dc;
using namespace dc::test;

namespace dc::test {
// The server's name in the cases' failure lines.
inline void PrintTo(InteropServer::Kind kind, std::ostream* os)
{
    *os << InteropServer::name(kind).toStdString();
}
}  // namespace dc::test

namespace {

using Kind = InteropServer::Kind;
using Data = InteropServer::DataConnections;

const QString kReportFolder = QStringLiteral("Reportes de Caja");  // a folder row
const QString kAccented = QStringLiteral("Cierre año ñandú.pdf");   // in that folder
const QString kOrdinary = QStringLiteral("Proveedores.csv");
const QString kBig = QStringLiteral("Respaldo_Anual.bak");
constexpr qint64 kBigSize = 300LL * 1024 * 1024;
const QString kAccentedExport = QStringLiteral("Ferretería Norte año 2026.xml");
const QString kExport = QStringLiteral("Abarrotes_Centro_Matriz_2_20261208-191410-853.xml");

InteropServer::Options serverOptions(Kind kind, Data data = Data::Both, bool tls = false)
{
    InteropServer::Options o;
    o.kind = kind;
    o.data = data;
    o.tlsRequired = tls;
    o.accounts = serviceAccounts();
    o.accounts.append({kCloudUser, kCloudPassword});
    return o;
}

#define SKIP_WHERE_UNAVAILABLE(options)                                                 \
    if (const QString why = InteropServer::unavailable(options); !why.isEmpty())       \
        GTEST_SKIP() << why.toStdString();                                              \
    else                                                                                \
        (void)0

QByteArray bytes(qsizetype size, quint32 seed)
{
    QByteArray b(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(b.data()), size / 4);
    return b;
}

// 300 MB in 1 MiB blocks of one random pattern, each carrying its number, so
// that a block lost, doubled or out of place shows.
void writeBig(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << f.errorString().toStdString();
    QByteArray block = bytes(1 << 20, 300);
    for (qint64 i = 0; i < kBigSize / block.size(); ++i) {
        memcpy(block.data(), &i, sizeof i);
        ASSERT_EQ(f.write(block), block.size()) << f.errorString().toStdString();
    }
}

// The file on the server holds exactly what `expected` reads (in blocks: it may be 300 MB).
testing::AssertionResult holds(const QString& stored, QIODevice& expected)
{
    QFile b(stored);
    if (!b.open(QIODevice::ReadOnly)) return testing::AssertionFailure() << stored.toStdString() << " is not on the server";
    if (!expected.isOpen() && !expected.open(QIODevice::ReadOnly))
        return testing::AssertionFailure() << "the source of " << stored.toStdString() << " cannot be read";
    if (expected.size() != b.size())
        return testing::AssertionFailure() << stored.toStdString() << " holds " << b.size() << " bytes, not " << expected.size();
    for (qint64 at = 0; !expected.atEnd(); at += 4 << 20) {
        if (expected.read(4 << 20) != b.read(4 << 20))
            return testing::AssertionFailure() << stored.toStdString() << " differs within 4 MiB from byte " << at;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult sameBytes(const QString& source, const QString& stored)
{
    QFile a(source);
    return holds(stored, a);
}

testing::AssertionResult holds(const QString& stored, QByteArray expected)
{
    QBuffer b(&expected);
    return holds(stored, b);
}

// What a run left unfinished on the server.
QStringList partialsOn(const InteropServer& server)
{
    QStringList found;
    QDirIterator it(server.root(), {QStringLiteral("*.kova-parcial")}, QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) found << it.next().mid(server.root().size() + 1);
    return found;
}

QString shopFolder()
{
    return kShopUser + QLatin1Char('/') + kShopPassword;
}

QString dayName(const QDate& day)
{
    return day.toString(QStringLiteral("ddMMyyyy"));
}

// The day folder of a run started on `started` (one that started just before
// midnight may have gone into the next day's).
QString dayFolder(const InteropServer& server, const QDate& started)
{
    const QString start = shopFolder() + QLatin1Char('/') + dayName(started) + QLatin1Char('/');
    return QFileInfo::exists(server.path(start)) ? start
                                                 : shopFolder() + QLatin1Char('/') + dayName(QDate::currentDate()) + QLatin1Char('/');
}

// The shop's files, in a folder of the test's: a folder row holding a file
// whose name has accents and blanks, and an ordinary file.
struct ShopFiles {
    QTemporaryDir dir;
    QString folder() const { return dir.filePath(kReportFolder); }
    QString accented() const { return folder() + QLatin1Char('/') + kAccented; }
    QString ordinary() const { return dir.filePath(kOrdinary); }
    QString big() const { return dir.filePath(kBig); }
    // Other bytes, and another size, for each `version`.
    void write(quint32 version) const
    {
        writeFile(accented(), bytes(96 * 1024 + 4 * version, version));
        writeFile(ordinary(), QByteArray("Clave,Proveedor,Saldo\n").repeated(500 + version));
    }
};

// Replaces an edition's backup list (paths of files, or of folders: Tipo 2)
// and gives it the shop's credentials.
void listOnly(const QString& db, const QList<QPair<QString, int>>& entries)
{
    TempRoot::exec(db, QStringLiteral("delete from tbl_app_archivos"));
    for (const auto& [path, tipo] : entries)
        TempRoot::exec(db, QStringLiteral("insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) values (?, ?, ?, 0)"),
                       {tipo == 2 ? path + QLatin1Char('/') : path, QFileInfo(path).fileName(), tipo});
    TempRoot::setSetting(db, RowSystem, QStringLiteral("3"));  // no system's files
    TempRoot::setSetting(db, RowBackupUser, kShopUser);
    TempRoot::setSetting(db, RowBackupPassword, kShopPassword);
}

QStringList serviceArgs(const InteropServer& server)
{
    return {QStringLiteral("--backup-service"), QStringLiteral("127.0.0.1:%1").arg(server.port())};
}

ToolRun runDatacenter1(const TempRoot& root, const InteropServer& server)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir work;
    return runTool(QStringLiteral(DC_BUILD_BIN_DIR "/datacenter1"),
                   QStringList{QStringLiteral("--root"), root.root().drive()} + serviceArgs(server), work.path(), 150'000);
}

ToolRun runBackupTool(const TempRoot& root, const InteropServer& server)
{
    QTemporaryDir work;
    return runTool(root.root().backupTool(), serviceArgs(server), work.path(), 120'000);
}

// An export waiting in the outbox long enough to be sent at once.
void putInOutbox(const TempRoot& root, const QString& name, const QByteArray& data)
{
    const QString path = QDir(root.root().outboxDir()).filePath(name);
    writeFile(path, data);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
}

// The backup tool backs up one file and the send tool sends one export: both
// end with 0 and the server holds both whole. `tls`: settings rows 14 and 15
// say TLS or no log-in.
void backUpAndSend(const InteropServer& server, bool tls = false)
{
    server.plantFolder(shopFolder());
    TempRoot root(true, true);
    const QString db = root.root().dataCenterDb(2);
    ShopFiles files;
    files.write(1);
    listOnly(db, {{files.ordinary(), 1}});
    pointAtCloud(root, server.port());
    if (tls) {
        TempRoot::setSetting(db, RowBackupTls, QStringLiteral("2"));
        TempRoot::setSetting(db, RowCloudTls, QStringLiteral("2"));
    }
    const QByteArray xml = bytes(20'000, 15);
    putInOutbox(root, kExport, xml);
    const QDate started = QDate::currentDate();

    const ToolRun backup = runBackupTool(root, server);
    EXPECT_EQ(backup.exitCode, 0) << backup.text() << server.log();
    EXPECT_TRUE(sameBytes(files.ordinary(), server.path(dayFolder(server, started) + kOrdinary)));

    const ToolRun sent = send(root);
    EXPECT_EQ(sent.exitCode, 0) << sent.text() << server.log();
    EXPECT_TRUE(outboxEntries(root).isEmpty());
    EXPECT_TRUE(holds(server.path(kExport), xml));
    EXPECT_EQ(partialsOn(server), QStringList());
}

}  // namespace

class Interop : public testing::TestWithParam<Kind> {};

TEST_P(Interop, Datacenter1BacksUpItsListWholeAndEndsWithZero)
{
    const InteropServer::Options o = serverOptions(GetParam());
    SKIP_WHERE_UNAVAILABLE(o);
    InteropServer server(o);
    server.plantFolder(shopFolder());
    TempRoot root;
    ShopFiles files;
    files.write(1);
    writeBig(files.big());
    listOnly(root.root().dataCenterDb(1), {{files.folder(), 2}, {files.big(), 1}, {files.ordinary(), 1}});
    const QDate started = QDate::currentDate();

    const ToolRun r = runDatacenter1(root, server);
    ASSERT_TRUE(r.ended) << "datacenter1 did not end by itself\n" << r.text() << server.log();
    EXPECT_EQ(r.exitCode, 0) << r.text() << server.log();
    const QString day = dayFolder(server, started);
    EXPECT_TRUE(sameBytes(files.accented(), server.path(day + kReportFolder + QLatin1Char('/') + kAccented)));
    EXPECT_TRUE(sameBytes(files.big(), server.path(day + kBig)));
    EXPECT_TRUE(sameBytes(files.ordinary(), server.path(day + kOrdinary)));
    EXPECT_EQ(partialsOn(server), QStringList());
}

TEST_P(Interop, BackupToolReplacesTheDaysCopyOnASecondRun)
{
    const InteropServer::Options o = serverOptions(GetParam());
    SKIP_WHERE_UNAVAILABLE(o);
    InteropServer server(o);
    server.plantFolder(shopFolder());
    TempRoot root(false, true);
    ShopFiles files;
    listOnly(root.root().dataCenterDb(2), {{files.folder(), 2}, {files.ordinary(), 1}});

    for (const quint32 version : {1u, 2u}) {
        SCOPED_TRACE(version == 1 ? "first run of the day" : "second run of the day, the files changed");
        files.write(version);
        const QDate started = QDate::currentDate();
        const ToolRun r = runBackupTool(root, server);
        ASSERT_TRUE(r.ended) << r.text() << server.log();
        EXPECT_EQ(r.exitCode, 0) << r.text() << server.log();
        const QString day = dayFolder(server, started);
        EXPECT_TRUE(sameBytes(files.accented(), server.path(day + kReportFolder + QLatin1Char('/') + kAccented)));
        EXPECT_TRUE(sameBytes(files.ordinary(), server.path(day + kOrdinary)));
        EXPECT_EQ(partialsOn(server), QStringList());
    }
}

TEST_P(Interop, SendToolSendsTheOutboxAndEndsWithZero)
{
    const InteropServer::Options o = serverOptions(GetParam());
    SKIP_WHERE_UNAVAILABLE(o);
    InteropServer server(o);
    TempRoot root(true, true);
    pointAtCloud(root, server.port());
    const QByteArray accented = bytes(40'000, 21), ordinary = bytes(12'000, 22);
    putInOutbox(root, kAccentedExport, accented);
    putInOutbox(root, kExport, ordinary);

    const ToolRun r = send(root);
    EXPECT_EQ(r.exitCode, 0) << r.text() << server.log();
    EXPECT_TRUE(outboxEntries(root).isEmpty()) << outboxEntries(root).join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(holds(server.path(kAccentedExport), accented));
    EXPECT_TRUE(holds(server.path(kExport), ordinary));
    EXPECT_EQ(partialsOn(server), QStringList());
}

// A run killed in the middle of an upload leaves "<name>.kova-parcial" on the
// server; the next run must still deliver the whole file and nothing else.
TEST_P(Interop, ThePartialFileOfAKilledRunDoesNotStopTheNextOne)
{
    const InteropServer::Options o = serverOptions(GetParam());
    SKIP_WHERE_UNAVAILABLE(o);
    InteropServer server(o);
    TempRoot root(true, true);
    ShopFiles files;
    files.write(1);
    const QString day = shopFolder() + QLatin1Char('/') + dayName(QDate::currentDate()) + QLatin1Char('/');
    server.plantFile(day + kOrdinary + QStringLiteral(".kova-parcial"), fileBytes(files.ordinary()).left(5000));
    const QByteArray xml = bytes(30'000, 31);
    server.plantFile(kExport + QStringLiteral(".kova-parcial"), xml.left(7000));
    listOnly(root.root().dataCenterDb(2), {{files.ordinary(), 1}});
    pointAtCloud(root, server.port());
    putInOutbox(root, kExport, xml);

    const ToolRun backup = runBackupTool(root, server);
    EXPECT_EQ(backup.exitCode, 0) << backup.text() << server.log();
    EXPECT_TRUE(sameBytes(files.ordinary(), server.path(day + kOrdinary)));
    const ToolRun sent = send(root);
    EXPECT_EQ(sent.exitCode, 0) << sent.text() << server.log();
    EXPECT_TRUE(holds(server.path(kExport), xml));
    EXPECT_EQ(partialsOn(server), QStringList());
}

TEST_P(Interop, AServerThatRefusesActiveDataConnectionsGetsEveryFile)
{
    const InteropServer::Options o = serverOptions(GetParam(), Data::PassiveOnly);
    SKIP_WHERE_UNAVAILABLE(o);
    InteropServer server(o);
    backUpAndSend(server);
}

TEST_P(Interop, AServerThatRefusesPassiveDataConnectionsGetsEveryFile)
{
    const InteropServer::Options o = serverOptions(GetParam(), Data::ActiveOnly);
    SKIP_WHERE_UNAVAILABLE(o);
    InteropServer server(o);
    backUpAndSend(server);
}

TEST_P(Interop, AServerThatRequiresTlsGetsEveryFileWhenTheSettingsRequireIt)
{
    if (!FtpServer::programsHaveTls()) GTEST_SKIP() << "this build's programs have no TLS";
    const InteropServer::Options o = serverOptions(GetParam(), Data::Both, true);
    SKIP_WHERE_UNAVAILABLE(o);
    InteropServer server(o);
    std::unique_ptr<FtpClient> plain = testClient();
    plain->setSecurity(FtpSecurity::Off);
    const QPair<QString, QString> account = serviceAccounts().first();
    EXPECT_THROW(plain->open(QStringLiteral("127.0.0.1"), server.port(), account.first, account.second), FtpError)
        << "the server lets a log-in in clear through";
    backUpAndSend(server, true);
}

INSTANTIATE_TEST_SUITE_P(Servers, Interop, testing::Values(Kind::Vsftpd, Kind::Proftpd, Kind::PureFtpd),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return InteropServer::name(info.param).remove(QLatin1Char('-')).toStdString();
                         });
