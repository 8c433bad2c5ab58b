// The daily check, the launch of the backup tool and the cancel.
#include "panels/BackupPanel.h"
#include "backup/RunHistory.h"
#include "window/LastBackupWatch.h"
#include "window/TrayIcon.h"
#include "settings/Database.h"
#include "support/WindowFixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace dc;
using dc::test::WindowFixture;

namespace {
void arm(WindowFixture& f, TFrmPrincipal& w)
{
    w.backup().ui().txtusuario->setText(QStringLiteral("tienda"));
    w.backup().ui().txtpass->setText(QStringLiteral("clave"));
    w.backup().ui().HR1->setTime(QTime(20, 0));
    w.backup().ui().ChkActivaRespaldos->setChecked(true);
    ASSERT_TRUE(w.backup().ui().Timer1->isActive());
    (void)f;
}
int companyRows(WindowFixture& f, const QString& where = QStringLiteral("1 = 1"))
{
    return test::TempRoot::scalar(f.db(), QStringLiteral("select count(*) from tbl_app_archivos where Interno = 2 and ") + where).toInt();
}
}  // namespace

TEST(BackupLaunch, TheDailyCheckLaunchesOnceInItsMinute)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    arm(f, w);
    const QDate day(2026, 12, 8);
    f.clock.t = QDateTime(day, QTime(19, 59, 55));
    w.backup().Timer1Timer();
    EXPECT_TRUE(f.launcher.starts.isEmpty());
    f.clock.t = QDateTime(day, QTime(20, 0, 2));
    w.backup().Timer1Timer();
    ASSERT_EQ(f.launcher.starts.size(), 1);
    EXPECT_TRUE(w.backup().ui().Timer1->isActive()) << "the launch restarts the daily check";
    EXPECT_EQ(w.tray().lastNotice(), QString()) << "only a launch by hand is announced";
    // The restarted period falls in the same minute: no second instance.
    f.clock.t = QDateTime(day, QTime(20, 0, 52));
    w.backup().Timer1Timer();
    EXPECT_EQ(f.launcher.starts.size(), 1);
    // A later time set the same day launches at its minute.
    w.backup().ui().ChkActivaRespaldos->setChecked(false);
    w.backup().ui().HR1->setTime(QTime(21, 15));
    w.backup().ui().ChkActivaRespaldos->setChecked(true);
    f.clock.t = QDateTime(day, QTime(21, 15, 20));
    w.backup().Timer1Timer();
    EXPECT_EQ(f.launcher.starts.size(), 2);
    // The next day, again.
    f.clock.t = QDateTime(day.addDays(1), QTime(21, 15, 45));
    w.backup().Timer1Timer();
    EXPECT_EQ(f.launcher.starts.size(), 3);
}

// The machine was off or asleep at the daily time: the day's run starts at
// the next tick, once, and says why. Backups behind for more than two days
// put a badge on the icon and a notice once a day, until a complete run.
TEST(BackupLaunch, AMissedDayRunsOnceAndBackupsBehindWarnUntilACompleteRun)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    arm(f, w);
    const QDate day(2026, 12, 8);
    f.clock.t = QDateTime(day, QTime(23, 10));
    w.backup().Timer1Timer();
    ASSERT_EQ(f.launcher.starts.size(), 1);
    EXPECT_EQ(w.tray().lastNotice(), kNoticeMissedRun.arg(QStringLiteral("20:00")));
    f.clock.t = f.clock.t.addSecs(50);
    w.backup().Timer1Timer();
    EXPECT_EQ(f.launcher.starts.size(), 1) << "once a day";

    RunHistory history(w.cnn());
    RunRecord run;
    run.start = QDateTime(day.addDays(-3), QTime(20, 0));
    run.outcome = kOutcomeComplete;
    history.record(run);
    w.backupWatch().refresh();
    EXPECT_TRUE(w.tray().showsWarning());
    EXPECT_EQ(w.tray().lastNotice(), kNoticeBackupsBehind.arg(QStringLiteral("05/12/2026 20:00")));
    EXPECT_EQ(w.tray().toolTip(), applicationTitle() + QStringLiteral("\nÚltimo respaldo completo: 05/12/2026 20:00"));
    w.context().notify(QStringLiteral("otra"));
    w.backupWatch().refresh();
    EXPECT_EQ(w.tray().lastNotice(), QStringLiteral("otra")) << "one warning a day";
    f.clock.t = f.clock.t.addDays(1);
    w.backupWatch().refresh();
    EXPECT_EQ(w.tray().lastNotice(), kNoticeBackupsBehind.arg(QStringLiteral("05/12/2026 20:00")));
    // With automatic backups off the shop chose so: no badge.
    w.backup().ui().ChkActivaRespaldos->setChecked(false);
    w.backupWatch().refresh();
    EXPECT_FALSE(w.tray().showsWarning());
    w.backup().ui().ChkActivaRespaldos->setChecked(true);
    // A complete run takes the badge away.
    run.start = f.clock.t.addSecs(-60);
    history.record(run);
    w.backupWatch().refresh();
    EXPECT_FALSE(w.tray().showsWarning());
    EXPECT_TRUE(w.tray().toolTip().endsWith(QStringLiteral(": 09/12/2026 23:09"))) << w.tray().toolTip().toStdString();
}

TEST(BackupLaunch, StartsTheToolInTheOutboxFolder)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.backup().ui().Button1->click();
    ASSERT_EQ(f.launcher.starts.size(), 1);
    EXPECT_EQ(f.launcher.starts[0].program, f.temp.root().backupTool());
    EXPECT_EQ(f.launcher.starts[0].mode, WindowMode::Normal);
    EXPECT_EQ(f.launcher.starts[0].owner, w.winId()) << "the main window owns the start";
    EXPECT_EQ(f.launcher.starts[0].currentDir, QDir(f.temp.root().outboxDir()).canonicalPath());
    // By hand with backups off: the controls lock and the daily check runs.
    EXPECT_FALSE(w.backup().ui().ChkActivaRespaldos->isChecked());
    EXPECT_TRUE(w.backup().ui().Timer1->isActive());
    EXPECT_FALSE(w.backup().ui().txtusuario->isEnabled());
    // Blank credentials do not hold back a launch by hand.
    EXPECT_TRUE(f.prompts.shown.isEmpty());
    EXPECT_EQ(w.tray().lastNotice(), kNoticeBackupStarted);
}

TEST(BackupLaunch, CompanyRowsComeFromTheFirstOtherCompanyOnly)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    ASSERT_EQ(w.backup().ui().CmbSistema->currentIndex(), 0);
    w.backup().ui().Button1->click();
    EXPECT_EQ(companyRows(f), 2);
    EXPECT_EQ(companyRows(f, QStringLiteral("Nombre = 'Abarrotes_Centro.mdb' and Tipo = 1")), 1);
    EXPECT_EQ(companyRows(f, QStringLiteral("Nombre = 'Reportes_Abarrotes Centro' and Tipo = 2")), 1);
    // A second launch replaces them, it does not add more.
    w.backup().ui().Button1->click();
    EXPECT_EQ(companyRows(f), 2);
    EXPECT_EQ(f.launcher.starts.size(), 2);
}

TEST(BackupLaunch, OtherSystemsNeverTouchThePointOfSaleDatabase)
{
    for (int system : {1, 2, 3}) {
        WindowFixture f;
        f.setSetting(6, QString::number(system));
        QFile::remove(f.temp.root().pointOfSale5Db());
        TFrmPrincipal& w = f.start();
        f.prompts.clear();
        w.backup().ui().Button1->click();
        EXPECT_TRUE(f.prompts.shown.isEmpty()) << system;
        EXPECT_EQ(f.launcher.starts.size(), 1) << system;
        EXPECT_EQ(companyRows(f), 0);
    }
}

TEST(BackupLaunch, AMissingPointOfSaleDatabaseIsReportedAndTheToolStillStarts)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.backup().ui().Button1->click();  // company rows of an earlier launch
    w.pdv().close();
    for (const QString& s : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(f.temp.root().pointOfSale5Db() + s);
    if (QFileInfo::exists(f.temp.root().pointOfSale5Db()))
        GTEST_SKIP() << "Windows removes no file that is open: the selected company's connection holds this database";
    f.prompts.clear();
    w.backup().ui().Button1->click();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgCompanyRows});
    EXPECT_EQ(f.launcher.starts.size(), 2);
    EXPECT_EQ(companyRows(f), 2) << "the rows of the earlier launch stay";
}

TEST(BackupLaunch, AToolThatCannotStartIsReported)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    f.launcher.startResult = false;
    f.launcher.startError = QStringLiteral("sin permiso de ejecución");
    w.backup().ui().Button1->click();
    ASSERT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).first().contains(QStringLiteral("KOVA_BackUp.exe")));
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).first().contains(f.launcher.startError)) << "the reason";
    EXPECT_EQ(w.tray().lastNotice(), QString()) << "no start announced";
    EXPECT_TRUE(w.backup().ui().Timer1->isActive());
}

TEST(BackupLaunch, CancelEndsTheToolByNameAndChangesNothingElse)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.backup().ui().Button2->click();
    EXPECT_EQ(f.launcher.kills, QStringList{f.temp.root().backupTool()});
    EXPECT_FALSE(w.backup().ui().Timer1->isActive());
    EXPECT_TRUE(w.backup().ui().txtusuario->isEnabled());
    EXPECT_TRUE(f.prompts.shown.isEmpty()) << "nothing running: no box";
    EXPECT_EQ(w.tray().lastNotice(), QString()) << "nothing running: no notice either";
    f.launcher.killResult = true;
    w.backup().ui().Button2->click();
    EXPECT_EQ(w.tray().lastNotice(), kNoticeBackupCancelled);
}
