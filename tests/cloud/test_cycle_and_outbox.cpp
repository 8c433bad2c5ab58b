// The cloud cycle in the window, the outbox list and the log grid.
#include "cloud/CloudPanel.h"
#include "cloud/OutboxLogPanel.h"
#include "support/WindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlRecord>

#include <gtest/gtest.h>

using namespace dc;
using dc::test::TempRoot;
using dc::test::WindowFixture;
using dc::test::writeFile;

namespace {

QString canonical(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

QStringList listed(TFrmPrincipal& w)
{
    QStringList out;
    for (int i = 0; i < w.ui().LstArchivos->count(); ++i) out << w.ui().LstArchivos->item(i)->text();
    return out;
}

// The programs started at each minute of `minutes` ticks, by file name.
QStringList runMinutes(WindowFixture& f, int minutes)
{
    QStringList out;
    for (int m = 1; m <= minutes; ++m) {
        const qsizetype before = f.launcher.starts.size();
        f.window->errors().run([&] { f.window->cloud()->TNubeTimer(); });
        for (qsizetype i = before; i < f.launcher.starts.size(); ++i)
            out << QStringLiteral("%1:%2").arg(m).arg(QFileInfo(f.launcher.starts.at(i).program).fileName());
    }
    return out;
}

}  // namespace

TEST(CloudCycleWindow, TenMinutesStartTheToolsMinimisedFromTheOutbox)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.ui().ChkNubeActivado->setChecked(true);
    ASSERT_TRUE(w.ui().TNube->isActive());
    EXPECT_EQ(runMinutes(f, 20), (QStringList{QStringLiteral("5:KOVA_GeneraXML.exe"), QStringLiteral("10:KOVA_EnviaXML.exe"),
                                              QStringLiteral("15:KOVA_GeneraXML.exe"), QStringLiteral("20:KOVA_EnviaXML.exe")}));
    EXPECT_EQ(w.cloud()->ticks(), 0);
    for (const auto& s : f.launcher.starts) {
        EXPECT_EQ(s.mode, WindowMode::MinimizedNoActivate);
        EXPECT_EQ(canonical(s.currentDir), canonical(f.temp.root().outboxDir())) << "the tool's inherited directory";
    }
    EXPECT_EQ(f.launcher.starts.first().program, f.temp.root().generateTool());
    EXPECT_EQ(f.launcher.starts.at(1).program, f.temp.root().sendTool());
}

TEST(CloudCycleWindow, TheIntervalIsReadAtEveryTickAndALoweredOneNeverStallsTheCycle)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.ui().CmbTiempo->setCurrentIndex(5);
    w.ui().ChkNubeActivado->setChecked(true);
    EXPECT_EQ(runMinutes(f, 35), QStringList{QStringLiteral("30:KOVA_GeneraXML.exe")});
    w.ui().CmbTiempo->setCurrentIndex(0);
    EXPECT_EQ(runMinutes(f, 10), (QStringList{QStringLiteral("1:KOVA_EnviaXML.exe"), QStringLiteral("6:KOVA_GeneraXML.exe")}));
}

TEST(CloudCycleWindow, SwitchingOffAndOnRestartsTheCount)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.ui().ChkNubeActivado->setChecked(true);
    runMinutes(f, 4);
    w.ui().ChkNubeActivado->setChecked(false);
    EXPECT_FALSE(w.ui().TNube->isActive());
    EXPECT_EQ(w.cloud()->ticks(), 4) << "switched off, the count is frozen";
    w.ui().ChkNubeActivado->setChecked(true);
    EXPECT_EQ(w.cloud()->ticks(), 0);
    EXPECT_EQ(runMinutes(f, 5), QStringList{QStringLiteral("5:KOVA_GeneraXML.exe")});
}

TEST(CloudCycleWindow, AToolThatCannotStartIsNotReported)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    f.launcher.startResult = false;
    w.ui().ChkNubeActivado->setChecked(true);
    runMinutes(f, 10);
    EXPECT_EQ(f.launcher.starts.size(), 2);
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(OutboxList, AFileShowsAndGoesWithinOneTickAndOnlyOrdinaryFilesAreListed)
{
    WindowFixture f;
    const QString outbox = f.temp.root().outboxDir() + QDir::separator();
    TFrmPrincipal& w = f.start();
    EXPECT_TRUE(listed(w).isEmpty()) << "an empty outbox gives an empty list";

    writeFile(outbox + QStringLiteral("ventas_2.xml"), "v");
    writeFile(outbox + QStringLiteral("catalogo_1.xml"), "c");
    writeFile(outbox + QStringLiteral(".parcial.xml"), "h");
    QDir().mkpath(outbox + QStringLiteral("procesados"));
    w.outbox()->Timer2Timer();
    EXPECT_EQ(listed(w), (QStringList{QStringLiteral("catalogo_1.xml"), QStringLiteral("ventas_2.xml")}));

    QFile::remove(outbox + QStringLiteral("catalogo_1.xml"));
    w.outbox()->Timer2Timer();
    EXPECT_EQ(listed(w), QStringList{QStringLiteral("ventas_2.xml")});
}

TEST(OutboxList, AnUnchangedListKeepsItsItemsAndSelection)
{
    WindowFixture f;
    const QString outbox = f.temp.root().outboxDir() + QDir::separator();
    for (const char* n : {"a.xml", "b.xml", "c.xml"}) writeFile(outbox + QLatin1String(n), "x");
    TFrmPrincipal& w = f.start();
    QListWidget* list = w.ui().LstArchivos;
    list->setCurrentRow(1);
    QListWidgetItem* item = list->item(1);
    for (int i = 0; i < 3; ++i) w.outbox()->Timer2Timer();
    EXPECT_EQ(list->item(1), item) << "the list was rebuilt without a change";
    EXPECT_EQ(list->currentRow(), 1);

    // A change keeps the selected file selected.
    writeFile(outbox + QStringLiteral("0.xml"), "x");
    w.outbox()->Timer2Timer();
    EXPECT_EQ(listed(w).size(), 4);
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("b.xml"));
}

TEST(OutboxList, AMissingFolderIsReportedOnceAndTheListRecovers)
{
    WindowFixture f;
    const QString outbox = f.temp.root().outboxDir();
    writeFile(outbox + QStringLiteral("/ventas.xml"), "x");
    TFrmPrincipal& w = f.start();
    w.ui().ChkNubeActivado->setChecked(true);
    runMinutes(f, 2);
    ASSERT_EQ(listed(w), QStringList{QStringLiteral("ventas.xml")});
    ASSERT_TRUE(QDir(outbox).removeRecursively());

    for (int i = 0; i < 5; ++i) w.outbox()->Timer2Timer();
    runMinutes(f, 3);
    const QStringList errors = f.prompts.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1) << "one box, not one per second";
    EXPECT_TRUE(errors.first().contains(QDir::toNativeSeparators(outbox))) << errors.first().toStdString();
    EXPECT_TRUE(listed(w).isEmpty());
    EXPECT_EQ(w.cloud()->ticks(), 2) << "minutes without the outbox are not counted";

    writeFile(outbox + QStringLiteral("/nuevo.xml"), "x");
    w.outbox()->Timer2Timer();
    EXPECT_EQ(listed(w), QStringList{QStringLiteral("nuevo.xml")});
    EXPECT_EQ(runMinutes(f, 3), QStringList{QStringLiteral("3:KOVA_GeneraXML.exe")});
    EXPECT_EQ(canonical(f.launcher.starts.last().currentDir), canonical(outbox));
    EXPECT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
}

TEST(LogGrid, NewestFirstAfterEveryTickAndActivation)
{
    WindowFixture f;
    TempRoot::exec(f.db(), QStringLiteral("insert into tbl_app_Log (\"Desc\") values ('primero'), ('segundo')"));
    TFrmPrincipal& w = f.start();
    QSqlQueryModel* log = w.outbox()->logModel();
    EXPECT_EQ(log->columnCount(), 0) << "the log opens at the first activation, not at start-up";

    w.OpAbrirClick();
    QApplication::setActiveWindow(&w);
    QApplication::processEvents();
    ASSERT_EQ(log->rowCount(), 2);
    EXPECT_EQ(log->record(0).value(QStringLiteral("Desc")).toString(), QStringLiteral("segundo"));
    EXPECT_EQ(log->record().count(), 2);
    EXPECT_EQ(log->record().fieldName(0), QStringLiteral("Id"));
    EXPECT_EQ(log->record().fieldName(1), QStringLiteral("Desc"));

    TempRoot::exec(f.db(), QStringLiteral("insert into tbl_app_Log (\"Desc\") values ('tercero')"));
    w.ui().ChkNubeActivado->setChecked(true);
    w.cloud()->TNubeTimer();
    ASSERT_EQ(log->rowCount(), 3);
    EXPECT_EQ(log->record(0).value(QStringLiteral("Desc")).toString(), QStringLiteral("tercero"));

    // Without the log table the tick stops there: reported, not counted.
    TempRoot::exec(f.db(), QStringLiteral("drop table tbl_app_Log"));
    w.errors().run([&] { w.cloud()->TNubeTimer(); });
    EXPECT_EQ(w.cloud()->ticks(), 1);
    EXPECT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
}
