// The cloud cycle in the window, the outbox list and the log grid.
#include "panels/CloudPanel.h"
#include "panels/OutboxLogPanel.h"
#include "support/WindowFixture.h"

#include "widgets/GridModels.h"
#include "window/TrayIcon.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
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
    for (int i = 0; i < w.outbox()->ui().LstArchivos->count(); ++i) out << w.outbox()->ui().LstArchivos->item(i)->text();
    return out;
}

// Runs `minutes` ticks of the cloud timer, as its signal does; lists what
// started at which of them ("5:KOVA_GeneraXML.exe").
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

const QString G = QStringLiteral("KOVA_GeneraXML.exe");
const QString S = QStringLiteral("KOVA_EnviaXML.exe");

}  // namespace

TEST(CloudCycleWindow, TheToolsStartMinimisedFromTheOutboxAtTheHalfAndTheEnd)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    // Switched on without a server or an outgoing account: on all the same, and the owner is told what is missing.
    w.cloud()->ui().TxtServidor->setText(QStringLiteral("nube:99999"));
    w.cloud()->ui().ChkNubeActivado->setChecked(true);
    ASSERT_TRUE(w.cloud()->ui().TNube->isActive());
    EXPECT_TRUE(w.tray().lastNotice().contains(QStringLiteral("el servidor «nube:99999» no es válido")))
        << w.tray().lastNotice().toStdString();
    EXPECT_TRUE(w.tray().lastNotice().contains(QStringLiteral("falta el usuario saliente, falta la contraseña saliente")));
    EXPECT_EQ(runMinutes(f, 20), (QStringList{QStringLiteral("5:") + G, QStringLiteral("10:") + S,
                                              QStringLiteral("15:") + G, QStringLiteral("20:") + S}));
    EXPECT_EQ(w.cloud()->ticks(), 0);
    EXPECT_EQ(f.launcher.starts.first().program, f.temp.root().generateTool());
    for (const auto& s : f.launcher.starts) {
        EXPECT_EQ(s.mode, WindowMode::MinimizedNoActivate);
        EXPECT_EQ(s.owner, w.winId()) << "the main window owns the start";
        EXPECT_EQ(canonical(s.currentDir), canonical(f.temp.root().outboxDir())) << "the tool's inherited directory";
    }

    // The interval is read at every tick; lowered below the count, the send comes next.
    f.launcher.starts.clear();
    w.cloud()->ui().CmbTiempo->setCurrentIndex(5);
    EXPECT_EQ(runMinutes(f, 35), QStringList{QStringLiteral("30:") + G});
    w.cloud()->ui().CmbTiempo->setCurrentIndex(0);
    EXPECT_EQ(runMinutes(f, 6), (QStringList{QStringLiteral("1:") + S, QStringLiteral("6:") + G}));

    // A tool that cannot be started is told, with the reason, and tried again later.
    f.launcher.startResult = false;
    EXPECT_EQ(runMinutes(f, 10), (QStringList{QStringLiteral("5:") + S, QStringLiteral("10:") + G}));
    EXPECT_TRUE(w.tray().lastNotice().contains(G + QStringLiteral(" (") + f.launcher.startError + QLatin1Char(')')))
        << w.tray().lastNotice().toStdString();
    f.launcher.startResult = true;

    // Switching off freezes the count; switching on restarts it.
    w.cloud()->ui().ChkNubeActivado->setChecked(false);
    EXPECT_FALSE(w.cloud()->ui().TNube->isActive());
    EXPECT_EQ(w.cloud()->ticks(), 5);
    w.cloud()->ui().ChkNubeActivado->setChecked(true);
    EXPECT_EQ(runMinutes(f, 5), QStringList{QStringLiteral("5:") + G});
}

TEST(OutboxList, ShowsOrdinaryFilesWithinOneTickAndIsLeftAloneWhenNothingChanged)
{
    WindowFixture f;
    const QString outbox = f.temp.root().outboxDir() + QDir::separator();
    TFrmPrincipal& w = f.start();
    EXPECT_TRUE(listed(w).isEmpty()) << "an empty outbox gives an empty list";

    for (const char* n : {"ventas_2.xml", "catalogo_1.xml", "Ventas_10.xml", ".parcial.xml", "procesados/viejo.xml"})
        writeFile(outbox + QLatin1String(n), "x");
    w.outbox()->Timer2Timer();
    // As a file manager lists them: letter case ignored, numbers by value.
    EXPECT_EQ(listed(w), (QStringList{QStringLiteral("catalogo_1.xml"), QStringLiteral("ventas_2.xml"),
                                      QStringLiteral("Ventas_10.xml")}));

    QListWidget* list = w.outbox()->ui().LstArchivos;
    list->setCurrentRow(1);
    QListWidgetItem* item = list->item(1);
    w.outbox()->Timer2Timer();
    EXPECT_EQ(list->item(1), item) << "the list was rebuilt without a change";

    QFile::remove(outbox + QStringLiteral("catalogo_1.xml"));
    w.outbox()->Timer2Timer();
    EXPECT_EQ(listed(w), (QStringList{QStringLiteral("ventas_2.xml"), QStringLiteral("Ventas_10.xml")}));
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("ventas_2.xml")) << "the selected file stays selected";
}

TEST(OutboxList, AMissingFolderIsReportedOnceAndTheListRecovers)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows refuses to remove a process's current folder: the outbox cannot go while datacenter2 runs";
#endif
    WindowFixture f;
    const QString outbox = f.temp.root().outboxDir();
    writeFile(outbox + QStringLiteral("/ventas.xml"), "x");
    TFrmPrincipal& w = f.start();
    w.cloud()->ui().ChkNubeActivado->setChecked(true);
    runMinutes(f, 2);
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
    EXPECT_EQ(runMinutes(f, 3), QStringList{QStringLiteral("3:") + G});
    EXPECT_EQ(canonical(f.launcher.starts.last().currentDir), canonical(outbox));

    // Gone a second time: reported a second time.
    QDir(outbox).removeRecursively();
    w.outbox()->Timer2Timer();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 2);
}

TEST(CloudCycleWindow, AFailedSendIsToldOnceForEachCauseUntilADelivery)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    TempRoot::exec(f.db(), QStringLiteral("insert into tbl_app_Log (\"Desc\") values ('09/12/2026 10:00 Error al enviar viejo.xml: antes')"));
    const auto logged = [&](const QString& text) {
        TempRoot::exec(f.db(), QStringLiteral("insert into tbl_app_Log (\"Desc\") values (?)"),
                       {QStringLiteral("10/12/2026 10:00 ") + text});
    };
    const QString refused = QStringLiteral("el servidor rechazó la cuenta (servidor nube:21)");
    w.cloud()->TNubeTimer();  // the first look marks where the log ends: what came before is not told
    EXPECT_TRUE(w.tray().lastNotice().isEmpty()) << w.tray().lastNotice().toStdString();
    logged(QStringLiteral("Error al enviar a.xml: ") + refused);
    logged(QStringLiteral("Error al enviar b.xml: ") + refused);
    w.cloud()->TNubeTimer();
    EXPECT_EQ(w.tray().lastNotice(), kNoticeSendFailed.arg(refused));
    w.context().notify(QStringLiteral("otro aviso"));
    logged(QStringLiteral("Error al enviar a.xml: ") + refused);
    w.cloud()->TNubeTimer();
    EXPECT_EQ(w.tray().lastNotice(), QStringLiteral("otro aviso")) << "the same cause is not told every cycle";
    logged(QStringLiteral("Enviado: c.xml"));
    logged(QStringLiteral("Error al enviar a.xml: ") + refused);
    w.cloud()->TNubeTimer();
    EXPECT_EQ(w.tray().lastNotice(), kNoticeSendFailed.arg(refused)) << "after a delivery it is new again";
}

TEST(LogGrid, NewestFirstAtEveryActivationAndTick)
{
    WindowFixture f;
    TempRoot::exec(f.db(), QStringLiteral("insert into tbl_app_Log (\"Desc\") values ('primero'), ('segundo')"));
    TFrmPrincipal& w = f.start();
    CloudLogModel* log = w.outbox()->logModel();
    const auto desc = [log](int row) { return log->index(row, CloudLogModel::kDescColumn).data().toString(); };
    EXPECT_EQ(log->columnCount(), 0) << "the log opens at the first activation, not at start-up";

    w.OpAbrirClick();
    QApplication::setActiveWindow(&w);
    QApplication::processEvents();
    ASSERT_EQ(log->rowCount(), 2);
    EXPECT_EQ(desc(0), QStringLiteral("segundo"));

    const QString whole = QStringLiteral("Enviado: ") + QString(120, QLatin1Char('x')) + QStringLiteral(".xml");
    TempRoot::exec(f.db(), QStringLiteral("insert into tbl_app_Log (\"Desc\") values (?)"), {whole});
    w.cloud()->ui().ChkNubeActivado->setChecked(true);
    runMinutes(f, 1);
    ASSERT_EQ(log->rowCount(), 3);
    EXPECT_EQ(desc(0), whole);
    // Two columns with the fields' names; the newest row is current, the
    // indicator on it; a cut cell tells its whole text.
    QTableView* grid = w.outbox()->ui().DBGrid3;
    ASSERT_EQ(log->columnCount(), 2);
    EXPECT_EQ(log->headerData(CloudLogModel::kIdColumn, Qt::Horizontal).toString(), QStringLiteral("Id"));
    EXPECT_EQ(log->headerData(CloudLogModel::kDescColumn, Qt::Horizontal).toString(), QStringLiteral("Desc"));
    EXPECT_EQ(grid->columnWidth(CloudLogModel::kIdColumn), 50);
    EXPECT_GE(grid->columnWidth(CloudLogModel::kDescColumn), 390) << "the description fills the grid";
    w.Label18Click();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(qobject_cast<IndicatorHeader*>(grid->verticalHeader())->indicatedRow(), 0);
    const auto tip = [grid](int row) {
        const QRect cell = grid->visualRect(grid->model()->index(row, grid->model()->columnCount() - 1));
        QHelpEvent help(QEvent::ToolTip, cell.center(), grid->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(grid->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tip(1), QString()) << "a text shown whole needs no tooltip";
    EXPECT_EQ(tip(0), whole);

    // The whole log, newest first, though the table grows without end: a
    // reload reads one page, and the grid reads the older ones as it is
    // scrolled down, over a gap of rows taken out too.
    TempRoot::exec(f.db(), QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 700) "
                                          "insert into tbl_app_Log (\"Desc\") select 'fila ' || i from n"));
    TempRoot::exec(f.db(), QStringLiteral("delete from tbl_app_Log where Id between 100 and 450"));
    runMinutes(f, 1);
    ASSERT_EQ(log->rowCount(), CloudLogModel::kPageRows);
    EXPECT_EQ(desc(0), QStringLiteral("fila 700"));
    // No statement stays open meanwhile: a tool writes the log, and a setting
    // is still stored on the same connection.
    TempRoot::exec(f.db(), QStringLiteral("insert into tbl_app_Log (\"Desc\") values ('herramienta')"));
    w.backup().ui().txtusuario->setText(QStringLiteral("tienda2"));
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).isEmpty());
    EXPECT_EQ(TempRoot::scalar(f.db(), QStringLiteral("select Valor from tbl_app_configuracion where Id = 2")).toString(),
              QStringLiteral("tienda2"));
    for (int page = 0; page < 10 && log->canFetchMore({}); ++page) {
        grid->scrollToBottom();
        QApplication::processEvents();
    }
    EXPECT_FALSE(log->canFetchMore({}));
    ASSERT_EQ(log->rowCount(), 703 - 351);
    EXPECT_EQ(desc(log->rowCount() - 1), QStringLiteral("primero"));
    for (int row = 1; row < log->rowCount(); ++row)
        ASSERT_GT(log->index(row - 1, 0).data().toLongLong(), log->index(row, 0).data().toLongLong()) << row;

    // Without the log table the tick stops there: reported, not counted.
    TempRoot::exec(f.db(), QStringLiteral("drop table tbl_app_Log"));
    runMinutes(f, 1);
    EXPECT_EQ(w.cloud()->ticks(), 2);
    ASSERT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).first().contains(QStringLiteral("le falta una tabla")));
}
