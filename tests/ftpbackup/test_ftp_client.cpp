// The Poco FTP client against a real server, with its faults.
#include "ftpbackup/EngineHarness.h"
#include "ftpbackup/VerifiedUpload.h"
#include "support/TempRoot.h"

#include "ftpbackup/FtpTls.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>

using namespace dc;
using namespace dc::test;

namespace {

PocoFtpClient::Timeouts quick()
{
    PocoFtpClient::Timeouts t;
    t.reply = std::chrono::milliseconds(700);
    t.dataConnection = std::chrono::milliseconds(700);
    return t;
}

void logIn(FtpClient& client, const FtpServer& server)
{
    const ServiceAccount& a = backupServiceAccounts()[0];
    client.open(QStringLiteral("127.0.0.1"), server.port(), a.user, a.password);
}

}  // namespace

TEST(PocoFtpClient, UploadCountsOnlyDataBytesAndTheServerConfirmsTheSize)
{
    QTemporaryDir src;
    const QString file = src.filePath(QStringLiteral("a.bin"));
    writeFile(file, randomBytes(200'001, 11));
    auto server = shopServer();
    auto client = testClient();
    logIn(*client, *server);
    EXPECT_TRUE(client->isOpen());
    client->enterFolder(kShopUser);
    client->makeFolder(QStringLiteral("nueva carpeta"));
    client->enterFolder(QStringLiteral("nueva carpeta"));
    client->setBinary();
    std::vector<qint64> reports;
    QFile source(file);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(client->upload(source, QStringLiteral("destino ñ.bin"), [&](qint64 n) { reports.push_back(n); }), 200'001);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), 200'001);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(client->remoteSize(QStringLiteral("destino ñ.bin")), std::optional<qint64>(200'001));
    client->leaveFolder();
    client->close();
    EXPECT_FALSE(client->isOpen());
    EXPECT_EQ(readAll(server->path(kShopUser + QStringLiteral("/nueva carpeta/destino ñ.bin"))), readAll(file));
    EXPECT_EQ(lastOf(server->log()), QStringLiteral("QUIT"));
    EXPECT_EQ(server->count(QStringLiteral("PORT 127,0,0,1,")), 1);
    EXPECT_EQ(server->count(QStringLiteral("EPRT")), 0) << "active mode announces itself with PORT";
}

TEST(FtpReplies, ListingsAndRepliesAreReadAsServersSendThemAndNothingIsGuessed)
{
    const QString name = QStringLiteral("ventas.dat.kova-parcial");
    const struct {
        const char* listing;
        std::optional<qint64> size;
    } listings[] = {
        // vsftpd, proftpd, pure-ftpd; without the group; a year instead of the time.
        {"-rw-------    1 1000     1000         4321 Dec 09 19:15 ventas.dat.kova-parcial\r\n", 4321},
        {"-rw-r--r--   1 tienda   tienda       4321 Dec  9 19:15 ventas.dat.kova-parcial\r\n", 4321},
        {"-rw-r--r--    1 tienda     4321 Mar 14  2026 ventas.dat.kova-parcial\r\n", 4321},
        // The DOS form of IIS.
        {"12-08-26  07:15PM                 4321 ventas.dat.kova-parcial\r\n", 4321},
        {"12-08-26  07:15PM       <DIR>          ventas.dat.kova-parcial\r\n", std::nullopt},
        // Only the exact name counts: a neighbour that ends like it, or whose
        // name carries a forged size, says nothing of this file.
        {"-rw-r--r-- 1 o g 999999 Dec  9 19:15 a ventas.dat.kova-parcial\r\n"
         "-rw-r--r-- 1 o g 10 Dec  9 19:15 x 4321 Dec  9 19:15 ventas.dat.kova-parcial\r\n", std::nullopt},
        {"-rw-r--r-- 1 o g 999999 Dec  9 19:15 a ventas.dat.kova-parcial\r\n"
         "-rw-r--r-- 1 o g 4321 Dec  9 19:15 ventas.dat.kova-parcial\r\n", 4321},
        // A folder, a link, a line that cannot be read, the name twice.
        {"drwxr-xr-x 2 o g 4096 Dec  9 19:15 ventas.dat.kova-parcial\r\n", std::nullopt},
        {"lrwxrwxrwx 1 o g 7 Dec  9 19:15 ventas.dat.kova-parcial -> x\r\n", std::nullopt},
        {"ventas.dat.kova-parcial 4321\r\n", std::nullopt},
        {"-rw-r--r-- 1 o g 4321 Dec  9 19:15 ventas.dat.kova-parcial\n-rw-r--r-- 1 o g 1 Dec  9 19:16 ventas.dat.kova-parcial\n",
         std::nullopt},
    };
    for (const auto& c : listings) {
        SCOPED_TRACE(c.listing);
        EXPECT_EQ(sizeInListing(QString::fromUtf8(c.listing), name), c.size);
    }
    EXPECT_EQ(sizeInListing(QStringLiteral("-rw-r--r-- 1 o g 12 Jan  1 00:00  dos  espacios \r\n"), QStringLiteral(" dos  espacios ")), 12);

    EXPECT_EQ(portInPasvReply(QStringLiteral("227 Entering Passive Mode (127,0,0,1,195,80).")), 50000);
    EXPECT_EQ(portInPasvReply(QStringLiteral("227 =127,0,0,1,195,80")), 50000);
    EXPECT_EQ(portInPasvReply(QStringLiteral("227 Entering Passive Mode (127,0,0,1,300,80)")), std::nullopt);
    EXPECT_EQ(portInEpsvReply(QStringLiteral("229 Entering Extended Passive Mode (|||6446|)")), 6446);
    EXPECT_EQ(portInEpsvReply(QStringLiteral("229 Entering Extended Passive Mode (!!!6446!)")), 6446);
    EXPECT_EQ(portInEpsvReply(QStringLiteral("229 Entering Extended Passive Mode (|||port|)")), std::nullopt);
    EXPECT_EQ(portInEpsvReply(QStringLiteral("229 Entering Extended Passive Mode (|||70000|)")), std::nullopt);
    EXPECT_EQ(sizeInMlstReply({QStringLiteral("250-Listing"), QStringLiteral(" Type=file;Size=77;Modify=20261209; a b"),
                               QStringLiteral("250 End")}),
              77);
    EXPECT_EQ(sizeInMlstReply({QStringLiteral("250-x"), QStringLiteral(" type=dir;size=4096; a"), QStringLiteral("250 End")}),
              std::nullopt);

    // Replies: multi-line ones end at their code with a space; a server that
    // never ends one is cut off at the bound.
    FtpReplyReader reader;
    EXPECT_EQ(reader.add(QStringLiteral("230-Bienvenido")), FtpReplyReader::Step::More);
    EXPECT_EQ(reader.add(QStringLiteral("230-sigue")), FtpReplyReader::Step::More);
    EXPECT_EQ(reader.add(QStringLiteral("231 no es el final")), FtpReplyReader::Step::More);
    EXPECT_EQ(reader.add(QStringLiteral("230 Listo")), FtpReplyReader::Step::Done);
    EXPECT_EQ(reader.reply().code, 230);
    reader.reset();
    EXPECT_EQ(reader.add(QStringLiteral("hola")), FtpReplyReader::Step::Malformed);
    reader.reset();
    FtpReplyReader::Step step = reader.add(QStringLiteral("250-x"));
    for (int i = 0; i < 100'000 && step == FtpReplyReader::Step::More; ++i) step = reader.add(QStringLiteral("250-x"));
    EXPECT_EQ(step, FtpReplyReader::Step::TooLong);

    // Temporary names fit the 255 bytes a server's file system takes, and two
    // long names keep apart.
    const QString longName = QString(120, QChar(0x00f1)) + QStringLiteral(".mdb");  // 244 bytes
    const QString partial = partialRemoteName(longName);
    EXPECT_LE(partial.toUtf8().size(), 255);
    EXPECT_TRUE(partial.endsWith(QStringLiteral(".kova-parcial")));
    EXPECT_TRUE(partial.startsWith(QString(100, QChar(0x00f1))));
    EXPECT_NE(partial, partialRemoteName(QString(120, QChar(0x00f1)) + QStringLiteral(".xls")));
    EXPECT_LE(asideRemoteName(longName).toUtf8().size(), 255);
    EXPECT_EQ(partialRemoteName(QStringLiteral("a.txt")), QStringLiteral("a.txt.kova-parcial"));
}

TEST(PocoFtpClient, FailuresCarryTheServersReply)
{
    auto server = shopServer();
    auto client = testClient();
    try {
        client->open(QStringLiteral("127.0.0.1"), server->port(), backupServiceAccounts()[0].user, QStringLiteral("mala"));
        FAIL() << "a wrong password must fail";
    } catch (const FtpLoginRefused& e) {
        EXPECT_EQ(e.replyCode(), 530);
        EXPECT_TRUE(e.text().contains(QStringLiteral("530 Authentication failed."))) << e.text().toStdString();
    }
    EXPECT_FALSE(client->isOpen());

    logIn(*client, *server);
    try {
        client->enterFolder(QStringLiteral("no_existe"));
        FAIL() << "a missing folder must fail";
    } catch (const FtpError& e) {
        EXPECT_EQ(e.replyCode(), 550);
        EXPECT_TRUE(e.isNegativeReply());
        EXPECT_TRUE(e.text().contains(QStringLiteral("\"no_existe\""))) << e.text().toStdString();
    }
    EXPECT_TRUE(client->isOpen()) << "a refusal leaves the session in step";
}

TEST(PocoFtpClient, LineBreaksInNamesAreRefusedBeforeAnythingIsSent)
{
    auto server = shopServer();
    auto client = testClient();
    logIn(*client, *server);
    for (const QString& name : {QStringLiteral("a\r\nDELE b"), QStringLiteral("a\nRMD c")}) {
        EXPECT_THROW(client->enterFolder(name), FtpError);
        EXPECT_THROW(client->makeFolder(name), FtpError);
    }
    EXPECT_THROW(client->open(QStringLiteral("127.0.0.1"), server->port(), QStringLiteral("u\r\nSITE x"), QStringLiteral("p")),
                 FtpError);
    EXPECT_EQ(server->count(QStringLiteral("DELE")) + server->count(QStringLiteral("RMD")) + server->count(QStringLiteral("SITE")), 0);
    EXPECT_EQ(server->count(QStringLiteral("CWD")) + server->count(QStringLiteral("MKD")), 0);
}

TEST(PocoFtpClient, AReplyWithoutEndIsCutOffAtItsBound)
{
    auto server = shopServer(QStringLiteral("long-reply"));
    auto client = testClient(quick());
    logIn(*client, *server);
    try {
        client->enterFolder(kShopUser);
        FAIL() << "an endless reply must fail";
    } catch (const FtpError& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("El servidor envió una respuesta demasiado larga"))) << e.text().toStdString();
    }
    EXPECT_FALSE(client->isOpen());
}

TEST(PocoFtpClient, ServerThatStopsAnsweringTimesOutAndTheSessionIsDropped)
{
    auto server = shopServer(QStringLiteral("stall-replies"));
    auto client = testClient(quick());
    // A secret that is also a word of the client's own texts masks only itself.
    client->setSecrets({QStringLiteral("servidor")});
    logIn(*client, *server);
    QElapsedTimer t;
    t.start();
    try {
        client->enterFolder(kShopUser);
        FAIL() << "no reply must fail";
    } catch (const FtpError& e) {
        EXPECT_EQ(e.replyCode(), 0);
        EXPECT_TRUE(e.text().contains(QStringLiteral("el servidor no respondió"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("revisa la conexión a Internet"))) << e.text().toStdString();
    }
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_FALSE(client->isOpen()) << "after a time-out the control connection is out of step";
}

TEST(PocoFtpClient, ServerThatNeverOpensOrStopsReadingTheDataConnectionFailsTheUploadInTime)
{
    QTemporaryDir src;
    const QString file = src.filePath(QStringLiteral("a.bin"));
    QFile big(file);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(64 * 1024 * 1024));  // a hole: more than the socket buffers
    big.close();
    const struct {
        const char* fault;
        const char* says;
    } cases[] = {{"no-data-connection", "no abrió la conexión de datos"},
                 {"stall-data", "El servidor dejó de recibir datos: no aceptó nada en 0.7 segundos"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        auto server = shopServer(QString::fromLatin1(c.fault));
        auto client = testClient(quick());
        QStringList notices;
        client->setNoticeHandler([&](const QString& text) { notices << text; });
        logIn(*client, *server);
        QFile source(file);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        QElapsedTimer t;
        t.start();
        try {
            client->upload(source, QStringLiteral("a.bin"), {});
            FAIL() << "the upload must fail";
        } catch (const FtpError& e) {
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.says))) << e.text().toStdString();
        }
        // The reply time-out, and no second one waiting for the completion reply.
        EXPECT_GE(t.elapsed(), 700);
        EXPECT_LT(t.elapsed(), 700 + 1500);
        EXPECT_FALSE(client->isOpen());

        // The server could not connect back: from now on the client connects to it.
        const bool noConnection = c.fault == std::string("no-data-connection");
        EXPECT_EQ(client->isPassive(), noConnection);
        EXPECT_EQ(notices, noConnection ? QStringList{kPassiveModeNotice} : QStringList{});
        if (!noConnection) continue;
        logIn(*client, *server);
        QBuffer small;
        small.setData("pasivo");
        ASSERT_TRUE(small.open(QIODevice::ReadOnly));
        EXPECT_EQ(client->upload(small, QStringLiteral("b.bin"), {}), 6);
        EXPECT_EQ(readAll(server->path(QStringLiteral("b.bin"))), QByteArray("pasivo"));
        EXPECT_EQ(server->count(QStringLiteral("EPSV")), 1);
    }
}

// FTP over TLS: the certificate must verify against the trust store and the
// host name, a connection never goes plain once TLS was asked for and started,
// and nothing of the account travels in clear (the wire is recorded).
TEST(FtpSecurity, TheCertificateMustVerifyAndTheAccountNeverTravelsInClear)
{
    using Tls = FtpServer::Tls;
    const QString refused = QStringLiteral("No se pudo establecer la conexión segura con 127.0.0.1:%1: ");
    const struct {
        Tls server;
        FtpSecurity client;
        const char* refusal;  // null: it logs in
    } cases[] = {
        {Tls::Good, FtpSecurity::WhenOffered, nullptr},
        {Tls::None, FtpSecurity::WhenOffered, nullptr},
        {Tls::WrongHost, FtpSecurity::WhenOffered,
         "el certificado del servidor es de otro servidor, no de 127.0.0.1; no se envió la cuenta"},
        {Tls::SelfSigned, FtpSecurity::Required,
         "el certificado del servidor está firmado por él mismo, no por una autoridad de confianza; no se envió la cuenta"},
        {Tls::None, FtpSecurity::Required,
         "no ofrece conexión segura (TLS), que es obligatoria para este servicio: no se envió la cuenta (500 "},
    };
    const QByteArray password = backupServiceAccounts()[0].password.toUtf8();
    // A build without TLS: the cases with a plain server, refused or in clear.
    const bool tlsBuilt = FtpServer::programsHaveTls();
    for (const auto& c : cases) {
        if (!tlsBuilt && c.server != Tls::None) continue;
        SCOPED_TRACE(static_cast<int>(c.server) * 10 + static_cast<int>(c.client));
        FtpServer::Options o;
        o.accounts = serviceAccounts();
        o.tls = c.server;
        o.tlsRequired = false;
        o.capture = true;
        FtpServer server(o);
        std::unique_ptr<FtpClient> client = makeFtpClient({{}, FtpServer::caFile(), {}});
        client->setSecurity(c.client);
        if (c.refusal) {
            try {
                logIn(*client, server);
                ADD_FAILURE() << "the log-in must be refused";
            } catch (const FtpLoginRefused& e) {
                EXPECT_TRUE(e.text().contains(tlsBuilt ? QString::fromUtf8(c.refusal) : server.noTlsRefusal()))
                    << e.text().toStdString();
                if (c.server != Tls::None) {
                    EXPECT_TRUE(e.text().startsWith(refused.arg(server.port()))) << e.text().toStdString();
                }
            }
            EXPECT_EQ(server.count(QStringLiteral("USER")), 0);
            EXPECT_FALSE(server.captured().contains("USER"));
            continue;
        }
        logIn(*client, server);
        client->setBinary();
        QBuffer data;
        data.setData(randomBytes(100'000, 12));
        ASSERT_TRUE(data.open(QIODevice::ReadOnly));
        uploadVerified(*client, data, 100'000, QStringLiteral("a.bin"));
        client->close();
        const bool tls = c.server != Tls::None;
        EXPECT_EQ(readAll(server.path(QStringLiteral("a.bin"))), data.data());
        EXPECT_EQ(server.count(QStringLiteral("RECEIVED a.bin.kova-parcial 100000 TLS")), tls ? 1 : 0);
        // What a client sends in clear, the recording sees.
        const QByteArray wire = server.captured();
        EXPECT_EQ(wire.contains("AUTH TLS"), tlsBuilt);
        EXPECT_EQ(wire.contains("USER "), !tls);
        EXPECT_EQ(wire.contains("PASS "), !tls);
        EXPECT_EQ(wire.contains(password), !tls);
    }

#ifdef _WIN32
    // On Windows the authorities are Windows's own: its "ROOT" store, read
    // into each connection's trust (Wine fills it from the host's). A store
    // that cannot be read or decoded would leave every real server refused.
    if (tlsBuilt) {
        EXPECT_GT(systemStoreAuthorities(), 20);
    }
#endif

    // "When offered" tells when it goes in clear; a server that offered TLS
    // once is not talked to in clear again.
    {
        auto plain = shopServer();
        auto memory = std::make_shared<MemoryOfServers>();
        std::unique_ptr<FtpClient> client = makeFtpClient({{}, FtpServer::caFile(), {}});
        client->setServerMemory(memory);
        client->setSecurity(FtpSecurity::WhenOffered);
        QStringList notices;
        client->setNoticeHandler([&](const QString& text) { notices << text; });
        logIn(*client, *plain);
        EXPECT_EQ(notices, QStringList{plain->inClearNotice()});
        if (tlsBuilt) {
            FtpServer::Options o;
            o.accounts = serviceAccounts();
            o.tls = Tls::Good;
            o.tlsRequired = false;
            FtpServer secure(o);
            logIn(*client, secure);
            EXPECT_TRUE(memory->recall(QStringLiteral("127.0.0.1"), secure.port()).offeredTls);
            memory->remember(QStringLiteral("127.0.0.1"), plain->port(), memory->recall(QStringLiteral("127.0.0.1"), secure.port()));
            EXPECT_THROW(logIn(*client, *plain), FtpSecurityRefused);
            EXPECT_EQ(plain->count(QStringLiteral("USER")), 1) << "the account went once, before TLS was seen";
        }
    }

    // A build without TLS refuses "required" and takes "when offered" as off, saying so once.
    auto plain = shopServer();
    PocoFtpClient noTls({}, nullptr);
    QStringList notices;
    noTls.setNoticeHandler([&](const QString& text) { notices << text; });
    noTls.setSecurity(FtpSecurity::Required);
    try {
        logIn(noTls, *plain);
        ADD_FAILURE() << "the log-in must be refused";
    } catch (const FtpLoginRefused& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Esta versión del programa no puede hacer conexiones seguras (TLS)")));
    }
    noTls.setSecurity(FtpSecurity::WhenOffered);
    logIn(noTls, *plain);
    logIn(noTls, *plain);
    EXPECT_EQ(notices.size(), 1);
    EXPECT_TRUE(firstOf(notices).endsWith(QStringLiteral(" va sin cifrar"))) << firstOf(notices).toStdString();
    EXPECT_EQ(plain->count(QStringLiteral("USER")), 2);
    EXPECT_EQ(plain->count(QStringLiteral("AUTH")), 0);
}
