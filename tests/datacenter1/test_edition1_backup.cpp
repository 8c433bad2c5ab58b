// Edition 1's window running its backup against a real FTP server: the
// start-up run, how it ends the program, its stops, cancel, the close
// question and runs that never overlap.
#include "panels/BackupPanel.h"
#include "datacenter1/Edition1Fixture.h"
#include "window/TrayIcon.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace dc;
using namespace dc::test;

namespace {

const QString kCredentialsMsg =
    QStringLiteral("Por favor captura tu usuario y contraseña para poder hacer tus respaldos");

bool controlsLocked(TFrmPrincipal& w)
{
    for (QWidget* c : w.backup().lockedControls())
        if (c->isEnabled()) return false;
    return true;
}

bool controlsUnlocked(TFrmPrincipal& w)
{
    for (QWidget* c : w.backup().lockedControls())
        if (!c->isEnabled()) return false;
    return true;
}

// A 16 MiB file that costs no disk.
QString bigFile(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("grande.bin"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("INICIO");
    f.resize(16 * 1024 * 1024);
    return path;
}

// Tells when the run has sent data of its file (the server is then holding
// it). The engine's progress comes from its run's thread: it is received on
// the test's thread, through a queued connection, never recorded on the
// run's thread as a spy would.
class DataSentWatch {
public:
    explicit DataSentWatch(BackupEngine& engine)
    {
        QObject::connect(&engine, &BackupEngine::progressChanged, &m_receiver,
                         [this](qint64 sent, qint64, int) { m_sent = m_sent || sent > 0; }, Qt::QueuedConnection);
    }
    bool wait() { return QTest::qWaitFor([this] { return m_sent; }, 30'000); }

private:
    QObject m_receiver;
    bool m_sent = false;
};

}  // namespace

TEST(Edition1Startup, UploadsTheListAndEndsTheProgramByItselfWithStatusZero)
{
    for (const bool backupsOn : {false, true}) {
        SCOPED_TRACE(backupsOn ? "automatic backups on" : "automatic backups off");
        Edition1 e;
        e.f.setSetting(RowBackupsOn, backupsOn ? QStringLiteral("1") : QStringLiteral("0"));
        e.f.clock.t = QDateTime(QDate(2026, 3, 14), QTime(10, 24));  // the run's day
        TFrmPrincipal& w = e.start();
        EXPECT_TRUE(e.controller->engine().isRunning()) << "the creation reaction starts the run";
        EXPECT_FALSE(w.backup().ui().Button1->isEnabled());
        EXPECT_TRUE(w.backup().ui().Button2->isEnabled());

        EXPECT_EQ(Edition1::runUntilEnd(), 0);

        const InstallRoot& root = e.f.temp.root();
        EXPECT_TRUE(QFileInfo(e.server->path(kShopDay + QStringLiteral("KOVA_PuntoDeVenta.mdb"))).size() > 0);
        // The company rows of the run: the first company other than company 1.
        EXPECT_TRUE(QFileInfo::exists(e.server->path(kShopDay + QStringLiteral("Abarrotes_Centro.mdb"))));
        EXPECT_EQ(TempRoot::scalar(e.f.db(), QStringLiteral("select count(*) from tbl_app_archivos where Interno = 2")).toInt(), 2);
        EXPECT_TRUE(leftoverCopies(root.drive()).isEmpty());

        EXPECT_TRUE(w.isEnding());
        EXPECT_EQ(w.backup().ui().Label5->text(), QStringLiteral("10:25Respaldo Terminado!"));
        EXPECT_EQ(w.backup().ui().Label6->text(), QString());
        EXPECT_EQ(w.backup().ui().ProgressBar1->value(), 100);
        EXPECT_TRUE(w.backup().ui().Button1->isEnabled());
        EXPECT_FALSE(w.backup().ui().Button2->isEnabled());
        EXPECT_TRUE(w.backup().ui().Timer1->isActive());
        // The controls are unlocked at the end only when automatic backups are off.
        EXPECT_EQ(controlsLocked(w), backupsOn);
        EXPECT_EQ(controlsUnlocked(w), !backupsOn);
        EXPECT_TRUE(e.f.prompts.shown.isEmpty()) << e.f.prompts.shown.first().text.toStdString();
        // The run is in the history, and the icon's tip tells it.
        EXPECT_EQ(TempRoot::scalar(e.f.db(), QStringLiteral("select count(*) from tbl_app_historial where Resultado = ? "
                                                             "and Archivos > 1"), {kOutcomeComplete}).toInt(), 1);
        EXPECT_TRUE(w.tray().toolTip().endsWith(QStringLiteral("\nÚltimo respaldo completo: 14/03/2026 10:25")))
            << w.tray().toolTip().toStdString();
        EXPECT_FALSE(w.tray().showsWarning());
    }
}

// The point-of-sale 4 database is gone: the access message, the run goes on,
// and the database file it cannot back up is counted, shown and noticed, and
// the program ends with a non-zero status. While the message is open, the
// daily check and the button find a run under way and start nothing.
TEST(Edition1Startup, AFileLeftOutEndsWithANonZeroStatusAndSaysHowMany)
{
    Edition1 e;
    const InstallRoot& root = e.f.temp.root();
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(root.pointOfSale4Db() + suffix);
    e.f.setSetting(RowBackupsOn, QStringLiteral("1"));
    TFrmPrincipal& w = e.make();
    ASSERT_EQ(e.f.prompts.texts(QStringLiteral("error")).size(), 1) << "the point-of-sale 4 database could not be opened";

    bool timerRanOn = false;
    bool inside = false;  // a nested run would show the message again
    e.f.prompts.onShow = [&](const ScriptedPrompts::Shown& s) {
        if (s.text != kMsgCompanyRows || inside) return;
        inside = true;
        e.f.clock.t = QDateTime(QDate(2026, 12, 8), w.backup().ui().HR1->time());
        w.backup().Timer1Timer();
        w.backup().Button1Click();
        timerRanOn = w.backup().ui().Timer1->isActive();
    };
    w.FormCreate();

    EXPECT_EQ(Edition1::runUntilEnd(), FtpBackupController::kFilesNotBackedUp);

    EXPECT_EQ(e.f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgCompanyRows}) << "one run only";
    EXPECT_TRUE(timerRanOn) << "a tick during a run leaves the daily check running";
    EXPECT_EQ(e.server->count(QStringLiteral("CONNECT")), 0) << "nothing else to upload";
    EXPECT_EQ(w.backup().ui().Label6->text(), QStringLiteral("No se respaldaron 1 archivo(s)"));
    EXPECT_EQ(w.tray().lastNotice(), QStringLiteral("No se respaldaron 1 archivo(s)"));
    EXPECT_TRUE(w.backup().ui().Label5->text().endsWith(QStringLiteral("Respaldo Terminado!")));
    EXPECT_EQ(w.exitStatus(), FtpBackupController::kFilesNotBackedUp);
}

TEST(Edition1Startup, BlankUserWithBackupsOnAsksTwiceUploadsNothingAndStays)
{
    Edition1 e;
    e.f.setSetting(RowBackupUser, QStringLiteral("  \t"));
    e.f.setSetting(RowBackupsOn, QStringLiteral("1"));
    TFrmPrincipal& w = e.make();
    QSignalSpy finished(&e.controller->engine(), &BackupEngine::finished);
    w.FormCreate();
    ASSERT_TRUE(Edition1::waitForEnd(finished));

    EXPECT_EQ(finished.first().first().value<BackupResult>().outcome, BackupOutcome::BlankCredentials);
    EXPECT_EQ(e.f.prompts.texts(QStringLiteral("inform")), (QStringList{kCredentialsMsg, kCredentialsMsg}));
    EXPECT_EQ(e.f.setting(RowBackupsOn), QStringLiteral("0"));
    EXPECT_EQ(e.server->count(QStringLiteral("CONNECT")), 0);
    EXPECT_FALSE(w.isEnding());
    EXPECT_FALSE(w.backup().ui().Timer1->isActive());
    EXPECT_TRUE(w.backup().ui().Button1->isEnabled());
    EXPECT_FALSE(w.backup().ui().Button2->isEnabled());
    EXPECT_TRUE(controlsLocked(w));
    EXPECT_EQ(w.backup().ui().Label5->text(), QStringLiteral("Sin Actividad"));
}

// The shop's folder is missing: the run stops and the program stays; the
// daily check starts a new run at its minute. A connection that cannot be
// protected as asked ends the program once its message is closed, and so
// does a refused account.
TEST(Edition1Startup, MissingUserFolderStopsTheRunAndTheProgramStaysARefusedServiceEndsIt)
{
    Edition1 e(QString(), false);
    e.f.setSetting(RowBackupsOn, QStringLiteral("1"));
    TFrmPrincipal& w = e.make();
    QSignalSpy finished(&e.controller->engine(), &BackupEngine::finished);
    w.FormCreate();
    ASSERT_TRUE(Edition1::waitForEnd(finished));

    EXPECT_EQ(e.f.prompts.texts(QStringLiteral("inform")), QStringList{QStringLiteral("Usuario Incorrecto!")});
    EXPECT_EQ(e.server->count(QStringLiteral("STOR")), 0);
    EXPECT_FALSE(w.isEnding());
    EXPECT_TRUE(w.backup().ui().Button1->isEnabled());
    EXPECT_FALSE(w.backup().ui().Button2->isEnabled());
    EXPECT_TRUE(controlsLocked(w));
    EXPECT_TRUE(w.backup().ui().Timer1->isActive());
    EXPECT_FALSE(e.controller->engine().isConnectionOpen());
    EXPECT_TRUE(e.controller->FormCloseQuery()) << "no connection open: closing asks nothing";
    EXPECT_TRUE(e.f.prompts.texts(QStringLiteral("confirm")).isEmpty());
    EXPECT_TRUE(leftoverCopies(e.f.temp.root().drive()).isEmpty());

    // The daily check's minute: a new run, which reads the settings again
    // (TLS required now, which this server does not offer) and stops too;
    // the run's end arrives while its message is still open.
    finished.clear();
    e.f.setSetting(RowBackupTls, QStringLiteral("2"));
    e.f.clock.t = QDateTime(QDate(2026, 12, 8), QTime(20, 0, 10));
    bool endingWhileOpen = true;
    e.f.prompts.onShow = [&](const ScriptedPrompts::Shown&) {
        // A box runs the message loop while it is open, and posts events of
        // its own as it opens; the run's end arrives meanwhile.
        QSignalSpy ended(&e.controller->engine(), &BackupEngine::finished);
        QMetaObject::invokeMethod(&w, [] {}, Qt::QueuedConnection);
        EXPECT_TRUE(ended.wait(30'000));
        endingWhileOpen = w.isEnding();
    };
    w.backup().Timer1Timer();
    EXPECT_TRUE(e.controller->engine().isRunning());
    EXPECT_EQ(Edition1::runUntilEnd(), FtpBackupController::kNoCompleteRun);
    const QStringList shown = e.f.prompts.texts(QStringLiteral("inform"));
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[1].contains(FtpServer::programsHaveTls() ? QStringLiteral("no ofrece conexión segura (TLS)")
                                                                : e.server->noTlsRefusal()))
        << shown[1].toStdString();
    EXPECT_FALSE(endingWhileOpen) << "the message is not taken away while it is open";
    EXPECT_TRUE(w.isEnding()) << "a refused protected connection ends the program";
    EXPECT_EQ(w.exitStatus(), FtpBackupController::kNoCompleteRun);
    EXPECT_FALSE(w.backup().ui().Timer1->isActive()) << "only a completed run starts the daily check again";
    // Ending: no run starts any more.
    w.backup().ui().Button1->click();
    EXPECT_FALSE(e.controller->engine().isRunning());
    EXPECT_EQ(e.server->count(QStringLiteral("CONNECT")), 2);
}

TEST(Edition1Startup, ASettingThatIsNotAWholeNumberStopsTheCreationWithoutARun)
{
    Edition1 e;
    e.f.setSetting(RowServer, QStringLiteral("uno"));
    TFrmPrincipal& w = e.start();

    const QStringList errors = e.f.prompts.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("no es un valor entero válido"))) << errors.first().toStdString();
    EXPECT_FALSE(e.controller->engine().isRunning());
    EXPECT_TRUE(w.backup().ui().Button1->isEnabled());
    EXPECT_FALSE(w.backup().ui().Button2->isEnabled());
    EXPECT_EQ(w.backup().ui().Label5->text(), QStringLiteral("Sin Actividad"));
    EXPECT_FALSE(w.isEnding());
    EXPECT_EQ(e.server->count(QStringLiteral("CONNECT")), 0);
}

// While a transfer is under way: a second start (the button, the daily check)
// is ignored, and "Cancelar Respaldo" stops the run without ending the program.
TEST(Edition1Run, StartsDuringARunAreIgnoredAndButton2CancelsIt)
{
    QTemporaryDir src;
    const QString big = bigFile(src);
    Edition1 e(QStringLiteral("stall-data"));
    e.onlyInList(big, QStringLiteral("grande.bin"));
    e.f.setSetting(RowBackupsOn, QStringLiteral("1"));
    TFrmPrincipal& w = e.make();
    BackupEngine& engine = e.controller->engine();
    QSignalSpy finished(&engine, &BackupEngine::finished);
    DataSentWatch dataSent(engine);
    w.FormCreate();
    ASSERT_TRUE(dataSent.wait()) << "the upload never started";
    EXPECT_EQ(w.backup().ui().Label5->text(), QStringLiteral("Respaldando... Archivo: ") + big);

    e.f.clock.t = QDateTime(QDate(2026, 12, 8), w.backup().ui().HR1->time());
    w.backup().Timer1Timer();
    w.backup().Button1Click();
    EXPECT_TRUE(w.backup().ui().Timer1->isActive());
    EXPECT_FALSE(w.backup().ui().Button1->isEnabled());
    EXPECT_TRUE(w.backup().ui().Button2->isEnabled());
    EXPECT_TRUE(finished.isEmpty());

    w.backup().ui().Button2->click();
    ASSERT_TRUE(Edition1::waitForEnd(finished, 5'000));
    EXPECT_EQ(finished.first().first().value<BackupResult>().outcome, BackupOutcome::Cancelled);
    EXPECT_EQ(e.server->count(QStringLiteral("CONNECT")), 1);
    EXPECT_EQ(w.backup().ui().Label5->text(), QStringLiteral("Sin Actividad"));
    EXPECT_EQ(w.backup().ui().ProgressBar1->value(), 0);
    EXPECT_TRUE(w.backup().ui().Button1->isEnabled());
    EXPECT_FALSE(w.backup().ui().Button2->isEnabled());
    EXPECT_TRUE(controlsLocked(w));
    EXPECT_TRUE(e.f.prompts.shown.isEmpty()) << "a file row is cancelled without a message";
    EXPECT_FALSE(w.isEnding());
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());

    // The daily check's minute, now that no run is under way: it starts one.
    finished.clear();
    w.backup().Timer1Timer();
    EXPECT_TRUE(engine.isRunning());
    w.backup().ui().Button2->click();
    EXPECT_TRUE(Edition1::waitForEnd(finished, 5'000));
}

TEST(Edition1Run, ClosingAsksOnlyWhileConnectedNoKeepsTheRunYesEndsIt)
{
    QTemporaryDir src;
    const QString big = bigFile(src);
    Edition1 e(QStringLiteral("stall-data"));
    e.onlyInList(big, QStringLiteral("grande.bin"));
    TFrmPrincipal& w = e.make();
    BackupEngine& engine = e.controller->engine();
    QSignalSpy finished(&engine, &BackupEngine::finished);
    DataSentWatch dataSent(engine);
    w.FormCreate();
    ASSERT_TRUE(dataSent.wait()) << "the upload never started";
    ASSERT_TRUE(engine.isConnectionOpen());

    EXPECT_FALSE(w.close()) << "No refuses the close";
    EXPECT_EQ(e.f.prompts.texts(QStringLiteral("confirm")), QStringList{kMsgConfirmStopBackup});
    EXPECT_FALSE(w.isEnding());
    EXPECT_TRUE(engine.isRunning());
    EXPECT_TRUE(engine.isConnectionOpen());
    EXPECT_NE(w.backup().ui().Label5->text(), QStringLiteral("Cancelando..."));

    e.f.prompts.answers.enqueue(true);
    QTimer::singleShot(0, &w, [&w] { w.close(); });
    EXPECT_EQ(Edition1::runUntilEnd(), FtpBackupController::kNoCompleteRun) << "nothing was backed up";
    EXPECT_EQ(e.f.prompts.texts(QStringLiteral("confirm")).size(), 2);
    ASSERT_TRUE(Edition1::waitForEnd(finished, 5'000)) << "Yes cancels the transfer";
    EXPECT_EQ(finished.first().first().value<BackupResult>().outcome, BackupOutcome::Cancelled);
    EXPECT_FALSE(engine.isConnectionOpen());
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
}

// "Cerrar Aplicación" in the middle of a transfer ends the program at once;
// the run is stopped on the way out and leaves no temporary copy behind.
TEST(Edition1Run, CerrarAplicacionDuringATransferStopsTheRunOnTheWayOut)
{
    QTemporaryDir src;
    const QString big = bigFile(src);
    Edition1 e(QStringLiteral("stall-data"));
    e.onlyInList(big, QStringLiteral("grande.bin"));
    TFrmPrincipal& w = e.make();
    DataSentWatch dataSent(e.controller->engine());
    w.FormCreate();
    ASSERT_TRUE(dataSent.wait()) << "the upload never started";

    QTimer::singleShot(0, &w, [&w] { w.tray().DetenerAplicacin1->trigger(); });
    EXPECT_EQ(Edition1::runUntilEnd(), FtpBackupController::kNoCompleteRun) << "nothing was backed up";
    EXPECT_TRUE(e.f.prompts.shown.isEmpty()) << "no question";

    QElapsedTimer t;
    t.start();
    e.f.window.reset();
    EXPECT_LT(t.elapsed(), 2'000) << "the transfer must not hold the end";
    EXPECT_TRUE(leftoverCopies(src.path()).isEmpty());
}
