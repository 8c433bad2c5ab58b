// The start-up read of the settings into the controls.
#include "panels/BackupPanel.h"
#include "panels/CloudPanel.h"
#include "settings/Database.h"
#include "settings/SettingsWriter.h"
#include "support/WindowFixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace dc;
using dc::test::WindowFixture;

TEST(Startup, BackupSwitchIsOnForEveryValueButZero)
{
    struct Case {
        const char* stored;
        bool on;
    };
    for (const Case c : {Case{"0", false}, Case{"", true}, Case{"yes", true}, Case{" 0", true}, Case{"1", true}}) {
        WindowFixture f;
        f.setSetting(2, QStringLiteral("tienda"));
        f.setSetting(3, QStringLiteral("secreta"));
        f.setSetting(5, QString::fromUtf8(c.stored));
        TFrmPrincipal& w = f.start();
        EXPECT_EQ(w.backup().ui().ChkActivaRespaldos->isChecked(), c.on) << c.stored;
        EXPECT_EQ(w.backup().ui().Timer1->isActive(), c.on) << c.stored;
        EXPECT_EQ(w.backup().ui().txtusuario->isEnabled(), !c.on) << "locked controls, " << c.stored;
        EXPECT_EQ(f.setting(5), c.on ? QStringLiteral("1") : QStringLiteral("0")) << c.stored;
        EXPECT_TRUE(f.prompts.shown.isEmpty()) << c.stored;
    }
}

TEST(Startup, BackupSwitchWithoutCredentialsAsksAndFallsBackToOff)
{
    WindowFixture f;
    f.setSetting(2, QStringLiteral("   "));
    f.setSetting(3, QStringLiteral("clave"));
    f.setSetting(5, QStringLiteral("1"));
    TFrmPrincipal& w = f.start();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgCredentials});
    EXPECT_FALSE(w.backup().ui().ChkActivaRespaldos->isChecked());
    EXPECT_FALSE(w.backup().ui().Timer1->isActive());
    EXPECT_TRUE(w.backup().ui().txtusuario->isEnabled());
    EXPECT_EQ(f.setting(5), QStringLiteral("0"));
    EXPECT_FALSE(w.isVisible()) << "the start-up never shows the window";
}

TEST(Startup, OnlyExactlyOneTurnsTheCloudOnAndOtherValuesAreNotRewritten)
{
    for (const char* stored : {"0", "", "2", "1 "}) {
        WindowFixture f;
        f.setSetting(7, QString::fromUtf8(stored));
        TFrmPrincipal& w = f.start();
        EXPECT_FALSE(w.cloud()->ui().ChkNubeActivado->isChecked()) << stored;
        EXPECT_FALSE(w.cloud()->ui().TNube->isActive()) << stored;
        EXPECT_EQ(f.setting(7), QString::fromUtf8(stored)) << "start-up stored something";
    }
    WindowFixture f;
    f.setSetting(7, QStringLiteral("1"));
    TFrmPrincipal& w = f.start();
    EXPECT_TRUE(w.cloud()->ui().ChkNubeActivado->isChecked());
    EXPECT_TRUE(w.cloud()->ui().TNube->isActive());
    EXPECT_EQ(w.cloud()->ticks(), 0);
    EXPECT_EQ(f.setting(7), QStringLiteral("1"));
}

TEST(Startup, ListsTakeTheirIndexAndStoreNothing)
{
    WindowFixture f;
    f.setSetting(1, QStringLiteral("5"));
    f.setSetting(6, QStringLiteral("3"));
    f.setSetting(13, QStringLiteral("15"));
    f.setSetting(4, QStringLiteral("07:45"));
    f.traceWrites(f.db());
    TFrmPrincipal& w = f.start();
    EXPECT_EQ(w.backup().ui().CmbServer->currentText(), QStringLiteral("KOVA Server 6"));
    EXPECT_EQ(w.backup().ui().CmbSistema->currentText(), QStringLiteral("Ninguno"));
    EXPECT_EQ(w.cloud()->ui().CmbTiempo->currentText(), QStringLiteral("10 Minutos"));
    EXPECT_EQ(w.backup().ui().HR1->time(), QTime(7, 45));
    for (int row : {1, 4, 6, 13}) EXPECT_TRUE(f.writesOf(f.db(), row).isEmpty()) << row;
    EXPECT_EQ(f.setting(13), QStringLiteral("15"));
    // "Ninguno" chosen by the start-up must not replace the template rows.
    EXPECT_GT(test::TempRoot::scalar(f.db(), QStringLiteral("select count(*) from tbl_app_archivos where Interno = 1")).toInt(), 0);

    WindowFixture g;
    g.setSetting(1, QStringLiteral("30"));
    g.setSetting(13, QStringLiteral("40"));
    TFrmPrincipal& v = g.start();
    EXPECT_EQ(v.backup().ui().CmbServer->currentIndex(), -1) << "a number past the list selects no server";
    EXPECT_EQ(v.cloud()->ui().CmbTiempo->currentText(), QStringLiteral("40 Minutos"));
}

TEST(Startup, ANonNumberStopsTheReadAtItsRow)
{
    WindowFixture f;
    f.setSetting(1, QStringLiteral("uno"));
    f.setSetting(2, QStringLiteral("juan"));
    f.setSetting(8, QStringLiteral("nube.example"));
    TFrmPrincipal& w = f.start();
    ASSERT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).first().contains(QStringLiteral("'uno'")));
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).first().endsWith(QLatin1Char('.')));
    EXPECT_EQ(w.backup().ui().txtusuario->text(), QString()) << "rows after the failing one were applied";
    EXPECT_EQ(w.cloud()->ui().TxtServidor->text(), QString());
    EXPECT_EQ(w.backup().ui().HR1->time(), QTime(20, 0));
    EXPECT_EQ(w.backup().listModel()->rowCount(), 0) << "the list grid opens only after the settings";
    // The start-up ended early; the system choice stores all the same.
    w.backup().ui().CmbSistema->setCurrentIndex(3);
    EXPECT_EQ(f.setting(6), QStringLiteral("3"));
}

TEST(Startup, TextBoxesStoreTheirTextBackAndATimeThatIsNotATimeStops)
{
    WindowFixture f;
    f.setSetting(2, QStringLiteral("tienda'01"));
    f.setSetting(4, QStringLiteral("25:99"));
    f.setSetting(8, QStringLiteral("nube"));
    f.traceWrites(f.db());
    TFrmPrincipal& w = f.start();
    EXPECT_EQ(w.backup().ui().txtusuario->text(), QStringLiteral("tienda'01"));
    EXPECT_EQ(f.writesOf(f.db(), 2), QStringList{QStringLiteral("tienda'01")});
    EXPECT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
    EXPECT_EQ(w.cloud()->ui().TxtServidor->text(), QString());
}

TEST(Startup, AMissingOutboxStopsTheStartAndTheRefreshReportsIt)
{
    WindowFixture f;
    f.setSetting(2, QStringLiteral("juan"));
    QDir(f.temp.root().outboxDir()).removeRecursively();
    TFrmPrincipal& w = f.start();
    ASSERT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).first().contains(QStringLiteral("Bandeja_De_Salida")));
    EXPECT_EQ(w.backup().ui().txtusuario->text(), QString()) << "no settings may be loaded";
    EXPECT_TRUE(w.outbox()->ui().Timer2->isActive()) << "the outbox refresh keeps running";
    EXPECT_NE(w.ui().Image23, nullptr);
    EXPECT_TRUE(w.ui().PRespaldoDatos->isCollapsed());
    w.backup().ui().CmbSistema->setCurrentIndex(2);
    EXPECT_EQ(f.setting(6), QStringLiteral("2")) << "the loading flag stayed raised";
}

TEST(Startup, AMissingDatabaseIsReportedAndTheProgramGoesOn)
{
    WindowFixture f;
    for (const QString& s : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) QFile::remove(f.db() + s);
    TFrmPrincipal& w = f.start();
    const QStringList errors = f.prompts.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("KOVA_VazivoZeRurov.mdb"))) << errors.first().toStdString();
    EXPECT_FALSE(QFile::exists(f.db())) << "the program created its database";
    // The window lives on; a later store tries again and reports again.
    w.cloud()->ui().TxtServidor->setText(QStringLiteral("x"));
    EXPECT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 2);
}

TEST(Startup, ALockedDatabaseKeepsTheWritesUntilFreeAndTellsWhenItStaysHeld)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    f.traceWrites(f.db());
    SettingsWriter& writer = w.context().settings;
    Connection other(QStringLiteral("otro"), f.db());
    other.beginWrite();  // another program holds the write lock
    for (const char* typed : {"n", "nu", "nube"}) w.cloud()->ui().TxtServidor->setText(QString::fromLatin1(typed));
    w.cloud()->ui().ChkNubeActivado->setChecked(true);
    EXPECT_TRUE(f.prompts.shown.isEmpty()) << "each keystroke waited out the busy time-out and failed";
    writer.retry();
    EXPECT_TRUE(writer.hasPending());
    other.rollback();  // the tool lets go: the writes go in, newest value of each row
    writer.retry();
    EXPECT_FALSE(writer.hasPending());
    EXPECT_EQ(f.writesOf(f.db(), 8), QStringList{QStringLiteral("nube")});
    EXPECT_EQ(f.setting(7), QStringLiteral("1"));

    // Held past the give-up time: told in Spanish, with the driver's words for support.
    other.beginWrite();
    w.cloud()->ui().TxtServidor->setText(QStringLiteral("nube2"));
    f.clock.t = f.clock.t.addMSecs(SettingsWriter::kGiveUpMs);
    writer.retry();
    other.rollback();
    const QStringList errors = f.prompts.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("ocupada por otro programa"))) << errors.first().toStdString();
    EXPECT_TRUE(errors.first().contains(QStringLiteral("(detalle: "))) << errors.first().toStdString();
    EXPECT_TRUE(errors.first().contains(QStringLiteral("database is locked"))) << errors.first().toStdString();
    EXPECT_EQ(f.setting(8), QStringLiteral("nube"));
    EXPECT_EQ(w.cloud()->ui().TxtServidor->text(), QStringLiteral("nube2")) << "the box keeps what the user typed";
}
