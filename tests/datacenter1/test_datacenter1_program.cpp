// The datacenter1 program itself, started as a process on an install root
// made by the setup code, against a real FTP server and with its real waits.
#include "datacenter1/Edition1Fixture.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

using namespace dc;
using namespace dc::test;

namespace {

struct ProgramRun {
    bool ended = false;
    int exitCode = -1;
    QString err;
};

// Runs the program until it ends; `whileRunning`, when given, is called once
// the program has started and may end it.
ProgramRun runDatacenter1(const TempRoot& root, const QString& service, int timeoutMs,
                          const std::function<void(QProcess&)>& whileRunning = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(DC_BUILD_BIN_DIR "/datacenter1"),
            {QStringLiteral("--root"), root.root().drive(), QStringLiteral("--backup-service"), service});
    ProgramRun r;
    if (whileRunning && p.waitForStarted(10'000)) whileRunning(p);
    r.ended = p.waitForFinished(timeoutMs);
    if (!r.ended) {
        p.kill();
        p.waitForFinished(5'000);
    }
    r.exitCode = p.exitCode();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

}  // namespace

TEST(Datacenter1Program, BacksUpAtStartAndEndsByItselfWithStatusZero)
{
    TempRoot root;
    const QString db = root.root().dataCenterDb(1);
    TempRoot::setSetting(db, RowBackupUser, kShopUser);
    TempRoot::setSetting(db, RowBackupPassword, kShopPassword);
    auto server = backupServer();
    const QDate started = QDate::currentDate();

    const ProgramRun r = runDatacenter1(root, QStringLiteral("127.0.0.1:%1").arg(server->port()), 120'000);

    ASSERT_TRUE(r.ended) << "the program did not end by itself\n" << r.err.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Respaldo Terminado!"))) << r.err.toStdString();
    // The day of the run's start (a start just before midnight lands in the next one).
    QString day = kShopUser + QLatin1Char('/') + kShopPassword + QLatin1Char('/');
    const QString startDay = started.toString(QStringLiteral("ddMMyyyy"));
    day += QFileInfo::exists(server->path(day + startDay)) ? startDay : QDate::currentDate().toString(QStringLiteral("ddMMyyyy"));
    day += QLatin1Char('/');
    for (const char* name : {"KOVA_PuntoDeVenta.mdb", "Abarrotes_Centro.mdb"})
        EXPECT_GT(QFileInfo(server->path(day + QLatin1String(name))).size(), 0) << name;
    EXPECT_TRUE(leftoverCopies(root.root().drive()).isEmpty());
    // What the client learned of the service waits for the next start.
    EXPECT_TRUE(QFileInfo::exists(root.root().ftpServerMemoryFile(1)));
}

// The service refuses the account, or the connection cannot be protected as
// the setting asks: the message is shown and, with nobody there to close it,
// the program ends by itself with the status of a run that did not go through
// the list; the history says which refusal it was.
TEST(Datacenter1Program, ARefusedAccountOrUnprotectedConnectionEndsByItselfWithStatusThree)
{
    for (const bool tlsRequired : {false, true}) {
        SCOPED_TRACE(tlsRequired ? "TLS required, plain server" : "account refused");
        TempRoot root;
        const QString db = root.root().dataCenterDb(1);
        TempRoot::setSetting(db, RowBackupUser, kShopUser);
        TempRoot::setSetting(db, RowBackupPassword, kShopPassword);
        FtpServer::Options o;
        for (const ServiceAccount& a : backupServiceAccounts())
            o.accounts.append({a.user, tlsRequired ? a.password : QStringLiteral("otra")});
        o.tls = FtpServer::Tls::None;
        o.tlsRequired = false;
        FtpServer server(o);
        TempRoot::setSetting(db, RowBackupTls, tlsRequired ? QStringLiteral("2") : QStringLiteral("0"));

        const ProgramRun r = runDatacenter1(root, QStringLiteral("127.0.0.1:%1").arg(server.port()),
                                            FtpBackupController::kStopMessageTime + 30'000);

        ASSERT_TRUE(r.ended) << "the program did not end by itself\n" << r.err.toStdString();
        EXPECT_EQ(r.exitCode, FtpBackupController::kNoCompleteRun) << r.err.toStdString();
        const QString said = tlsRequired ? (FtpServer::programsHaveTls() ? QStringLiteral("no ofrece conexión segura (TLS)")
                                                                          : server.noTlsRefusal())
                                         : QStringLiteral("El servidor no aceptó la cuenta");
        EXPECT_TRUE(r.err.contains(said)) << r.err.toStdString();
        EXPECT_EQ(server.count(QStringLiteral("USER")), tlsRequired ? 0 : 1) << "a refused account is not asked again";
        EXPECT_EQ(server.count(QStringLiteral("STOR")), 0);
        EXPECT_EQ(TempRoot::scalar(db, QStringLiteral("select Resultado from tbl_app_historial")).toString(),
                  tlsRequired ? kOutcomeSecurity : kOutcomeCredentials);
        EXPECT_TRUE(TempRoot::scalar(db, QStringLiteral("select Detalle from tbl_app_historial")).toString().contains(said));
        EXPECT_TRUE(leftoverCopies(root.root().drive()).isEmpty());
    }
}

TEST(Datacenter1Program, EndedByTheSystemMidUploadItCancelsLeavesNoCopyAndSaysNothingWasBackedUp)
{
    TempRoot root;
    const QString db = root.root().dataCenterDb(1);
    TempRoot::setSetting(db, RowBackupUser, kShopUser);
    TempRoot::setSetting(db, RowBackupPassword, kShopPassword);
    auto server = backupServer(QStringLiteral("stall-data"));
    QElapsedTimer sinceTerm;
    const ProgramRun r = runDatacenter1(root, QStringLiteral("127.0.0.1:%1").arg(server->port()), 20'000, [&](QProcess& p) {
        QDeadlineTimer deadline(60'000);
        while (server->count(QStringLiteral("STOR")) == 0 && !deadline.hasExpired()) p.waitForFinished(100);
        ASSERT_EQ(p.state(), QProcess::Running) << "the upload never started";
        sinceTerm.start();
        p.terminate();  // SIGTERM to the process this test started
    });
    ASSERT_TRUE(r.ended) << r.err.toStdString();
    EXPECT_LT(sinceTerm.elapsed(), 5'000);
    EXPECT_EQ(r.exitCode, FtpBackupController::kNoCompleteRun) << r.err.toStdString();
    EXPECT_TRUE(leftoverCopies(root.root().drive()).isEmpty());
}

TEST(Datacenter1Program, RefusesABadServiceAddressBeforeStarting)
{
    TempRoot root;
    const ProgramRun r = runDatacenter1(root, QStringLiteral("127.0.0.1:99999"), 30'000);
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--backup-service 127.0.0.1:99999"))) << r.err.toStdString();
}
