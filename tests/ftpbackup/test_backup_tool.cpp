// KOVA_BackUp.exe, installed by the setup code into a temporary root, against
// a real FTP server.
#include "ftpbackup/BackupJob.h"
#include "ftpbackup/EngineHarness.h"
#include "ftpbackup/TemporaryCopy.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "support/TempRoot.h"
#include "support/ToolProcess.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace dc;
using namespace dc::test;

namespace {

// An install root whose edition 2 database holds the shop's credentials.
std::unique_ptr<TempRoot> installedRoot()
{
    auto root = std::make_unique<TempRoot>(false, true);
    const QString db = root->root().dataCenterDb(2);
    TempRoot::setSetting(db, RowBackupUser, kShopUser);
    TempRoot::setSetting(db, RowBackupPassword, kShopPassword);
    return root;
}

QStringList serviceArgs(quint16 port)
{
    return {QStringLiteral("--backup-service"), QStringLiteral("127.0.0.1:%1").arg(port)};
}

ToolRun runTool(const TempRoot& root, const QStringList& args, const QString& workDir, int timeoutMs)
{
    return dc::test::runTool(root.root().backupTool(), args, workDir, timeoutMs);
}

int empresas(const QString& dbFile)
{
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("uploaded"));
        db.setDatabaseName(dbFile);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select count(*) from tbl_app_empresas")) && q.next()) n = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("uploaded"));
    return n;
}

}  // namespace

// What the tool shares with edition 1's window around the engine: the run's
// request from the database, and its record in the history.
TEST(BackupJob, ReadsTheRunFromTheDatabaseAndTellsAHistoryItCannotKeep)
{
    auto root = installedRoot();
    const QString db = root->root().dataCenterDb(2);
    TempRoot::setSetting(db, RowServer, QStringLiteral("2"));
    TempRoot::setSetting(db, RowBackupTls, QStringLiteral("1"));
    Connection cnn(QStringLiteral("job"), db);
    BackupJob job(cnn, BackupJob::engineParts(root->root(), 2, std::nullopt));
    EXPECT_EQ(job.engine().service().toString(), defaultBackupService().toString());

    const BackupRequest stored = job.requestWithStoredLogin();
    EXPECT_EQ(stored.serverIndex, 2);
    EXPECT_EQ(stored.user, kShopUser);
    EXPECT_EQ(stored.password, kShopPassword);
    EXPECT_EQ(stored.security, FtpSecurity::WhenOffered);
    EXPECT_EQ(static_cast<int>(stored.rows.size()),
              TempRoot::scalar(db, QStringLiteral("select count(*) from tbl_app_archivos")).toInt());
    EXPECT_FALSE(stored.rows.empty());
    EXPECT_EQ(stored.copyRecord, temporaryCopyRecordFile(db));
    const BackupRequest forWindow = job.request();
    EXPECT_TRUE(forWindow.user.isEmpty() && forWindow.password.isEmpty() && forWindow.serverIndex == -1)
        << "the window's controls give the log-in";
    TempRoot::setSetting(db, RowServer, QStringLiteral("dos"));
    EXPECT_THROW(job.requestWithStoredLogin(), DbError);

    BackupResult result;
    result.started = result.ended = QDateTime::currentDateTime();
    EXPECT_EQ(job.record(result), QString());
    EXPECT_EQ(TempRoot::scalar(db, QStringLiteral("select Servicio from tbl_app_historial")).toString(),
              defaultBackupService().toString());
    TempRoot::exec(db, QStringLiteral("drop table tbl_app_historial_fallas"));
    TempRoot::exec(db, QStringLiteral("drop table tbl_app_historial"));
    EXPECT_TRUE(job.record(result).startsWith(kMsgHistoryNotWritten));
}

TEST(BackupTool, BacksUpTheInstalledListRecordsItsStartAndEndsWithZero)
{
    auto root = installedRoot();
    auto server = shopServer();
    QTemporaryDir workDir;
    const ToolRun r = runTool(*root, serviceArgs(server->port()), workDir.path(), 60'000);

    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("KOVA_BackUp: respaldo terminado: 1 archivo(s) respaldado(s)"))) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Respaldando... Archivo: ") + root->root().pointOfSale4Db())) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Respaldo Terminado!")));

    // The point-of-sale database arrives as a database.
    const QString date = QDate::currentDate().toString(QStringLiteral("ddMMyyyy"));
    const QString stored = server->path(kShopUser + QLatin1Char('/') + kShopPassword + QLatin1Char('/') + date
                                        + QStringLiteral("/KOVA_PuntoDeVenta.mdb"));
    EXPECT_EQ(empresas(stored), 3);
    EXPECT_FALSE(QFileInfo::exists(root->root().pointOfSale4Db() + QStringLiteral(".resp")));

    const QString log = QString::fromUtf8(readAll(root->root().backupToolLog()));
    EXPECT_TRUE(log.contains(QStringLiteral("inicio; carpeta de trabajo: ") + QDir::toNativeSeparators(workDir.path())))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("fin: respaldo terminado"))) << log.toStdString();
    // The run is in edition 2's history, where the data center reads it.
    const QString db = root->root().dataCenterDb(2);
    EXPECT_EQ(TempRoot::scalar(db, QStringLiteral("select Resultado from tbl_app_historial")).toString(), kOutcomeComplete);
    EXPECT_EQ(TempRoot::scalar(db, QStringLiteral("select Archivos from tbl_app_historial")).toInt(), 1);
    EXPECT_EQ(TempRoot::scalar(db, QStringLiteral("select Servicio from tbl_app_historial")).toString(),
              QStringLiteral("127.0.0.1:%1").arg(server->port()));
}

TEST(BackupTool, FilesNotBackedUpAreNamedAndTheExitStatusSaysSo)
{
    auto root = installedRoot();
    QTemporaryDir workDir;
    const ToolRun r = runTool(*root, serviceArgs(closedLoopbackPort()), workDir.path(), 60'000);

    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains(QStringLiteral("no se respaldaron 1: ") + root->root().pointOfSale4Db())) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("No se respaldaron 1 archivo(s)"))) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QStringLiteral("ERROR, intento No.")), 5);
    const QString db = root->root().dataCenterDb(2);
    EXPECT_EQ(TempRoot::scalar(db, QStringLiteral("select Resultado from tbl_app_historial")).toString(), kOutcomeNoConnection);
    EXPECT_EQ(TempRoot::scalar(db, QStringLiteral("select Archivo from tbl_app_historial_fallas")).toString(),
              root->root().pointOfSale4Db());
}

TEST(BackupTool, ASettingThatRequiresTlsNeverLogsInWithoutIt)
{
    auto root = installedRoot();
    TempRoot::setSetting(root->root().dataCenterDb(2), RowBackupTls, QStringLiteral("2"));
    auto server = shopServer();
    QTemporaryDir workDir;
    const ToolRun r = runTool(*root, serviceArgs(server->port()), workDir.path(), 60'000);

    EXPECT_EQ(r.exitCode, 3) << r.text();
    const QString why = FtpServer::programsHaveTls()
                            ? QStringLiteral("El servidor 127.0.0.1:%1 no ofrece conexión segura (TLS)").arg(server->port())
                            : server->noTlsRefusal();
    EXPECT_TRUE(r.out.contains(QStringLiteral("respaldo detenido: ") + why)) << r.text();
    EXPECT_EQ(server->count(QStringLiteral("USER")), 0);
}

TEST(BackupTool, RunsOneAtATimeAndEndsCleanlyOnSigterm)
{
    auto root = installedRoot();
    const QString big = root->path() + QStringLiteral("/datos/grande.bin");
    writeFile(big, QByteArray());
    QFile(big).resize(64 * 1024 * 1024);
    const QString db = root->root().dataCenterDb(2);
    TempRoot::exec(db, QStringLiteral("delete from tbl_app_archivos"));
    TempRoot::exec(db, QStringLiteral("insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) values (?, ?, 1, 0)"),
                   {big, QStringLiteral("grande.bin")});
    auto server = shopServer(QStringLiteral("stall-data"));

    QProcess p;
    p.start(root->root().backupTool(), serviceArgs(server->port()));
    QDeadlineTimer deadline(30'000);
    while (server->count(QStringLiteral("STOR")) == 0 && !deadline.hasExpired()) p.waitForFinished(100);
    ASSERT_EQ(server->count(QStringLiteral("STOR")), 1) << "the upload never started";
    ASSERT_EQ(p.state(), QProcess::Running);

    // Started again meanwhile (two launches in one minute), it leaves the running one alone.
    QTemporaryDir workDir;
    const ToolRun second = runTool(*root, serviceArgs(server->port()), workDir.path(), 10'000);
    EXPECT_EQ(second.exitCode, 2);
    EXPECT_TRUE(second.err.contains(QStringLiteral("ya hay un respaldo en curso"))) << second.err.toStdString();
    EXPECT_EQ(server->count(QStringLiteral("CONNECT")), 1);

    p.terminate();
    EXPECT_TRUE(p.waitForFinished(1500)) << "the data center ends it for good after 1.5 s";
    EXPECT_EQ(p.exitCode(), 3);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("respaldo cancelado")));
    EXPECT_FALSE(QFileInfo::exists(big + QStringLiteral(".resp")));
}
