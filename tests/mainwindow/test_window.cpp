// The window's panels, the tray menu and the ways of ending.
#include "mainwindow/ErrorReporter.h"
#include "mainwindow/TrayIcon.h"
#include "support/WindowFixture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

#include <gtest/gtest.h>

using namespace dc;
using dc::test::WindowFixture;

namespace {
// Which work panels show, and whether the start picture and the logo do.
struct Look {
    bool respaldos, reportes, registro, logo, startPicture;
    bool operator==(const Look&) const = default;
};
Look look(TFrmPrincipal& w)
{
    const MainWindowUi& u = w.ui();
    return {!u.PnRespaldos->isHidden(), !u.PnReportesWeb->isHidden(), !u.PnRegistro->isHidden(), !u.Image23->isHidden(),
            u.Image2->pixmap().toImage() == startPicture().toImage()};
}
}  // namespace

TEST(Window, ControlsAreWhereTheyBelong)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KOVA Vazivo ze Rurov"));
    EXPECT_EQ(w.size(), QSize(703, 436));
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    // A sample of object names, geometry and visibility.
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("ChkActivaRespaldos"))->geometry(), QRect(12, 7, 185, 17));
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("DBGrid1"))->geometry(), QRect(12, 128, 461, 197));
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("DBGrid2"))->geometry(), QRect(8, 259, 465, 120));
    EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("LstArchivos"))->geometry(), QRect(5, 27, 468, 119));
    for (const char* hidden : {"BitBtn4", "BitBtn1", "LstTmp", "Label5", "Label6", "ProgressBar1", "BtnEnvia", "BtnGenera"})
        EXPECT_TRUE(w.findChild<QWidget*>(QLatin1String(hidden))->isHidden()) << hidden;
    EXPECT_EQ(w.ui().CmbServer->count(), 23);
    EXPECT_EQ(w.ui().CmbServer->itemText(22), QStringLiteral("KOVA Server 23"));
    EXPECT_EQ(w.ui().LstDatosASubir->count(), 5);
    EXPECT_EQ(w.ui().txtpass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.ui().Timer1->interval(), 50000);
    EXPECT_EQ(w.ui().TNube->interval(), 60000);
    EXPECT_TRUE(w.ui().Timer2->isActive());
    EXPECT_EQ(w.ui().Timer2->interval(), 1000);
}

TEST(Window, LinksOpenOnePanelAndCollapsesCloseOnlyTheirOwn)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    ASSERT_FALSE(startPicture().isNull());
    EXPECT_EQ(look(w), (Look{false, false, false, true, true})) << "start: start picture and logo, no panel";

    w.ui().PRespaldoDatos->expand();
    EXPECT_EQ(look(w), (Look{false, false, false, true, true})) << "expanding opens nothing";
    w.Label1Click();
    EXPECT_EQ(look(w), (Look{true, false, false, false, false}));
    EXPECT_EQ(w.ui().PnRespaldos->pos(), QPoint(206, 8));
    w.Label11Click();
    EXPECT_EQ(look(w), (Look{false, true, false, false, false}));
    EXPECT_EQ(w.ui().PnReportesWeb->pos(), QPoint(206, 8));
    // Collapsing the backup category while the cloud panel is open: the
    // picture and logo come back, the cloud panel stays.
    w.ui().PRespaldoDatos->collapse();
    EXPECT_EQ(look(w), (Look{false, true, false, true, true}));
    w.Image6Click();
    EXPECT_EQ(look(w), (Look{false, false, true, false, false}));
    w.ui().PCatalogoWeb->expand();
    w.ui().PCatalogoWeb->collapse();
    EXPECT_EQ(look(w), (Look{false, false, true, false, false})) << "the catalogue category has no reaction";
    w.ui().PReportesWeb->expand();
    w.ui().PReportesWeb->collapse();
    EXPECT_EQ(look(w), (Look{false, false, false, true, true}));
}

TEST(Window, MinimisingHidesAndTheTrayBringsItBackAsItWas)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.OpAbrirClick();
    w.Label18Click();
    EXPECT_TRUE(w.isVisible());
    w.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    w.tray().OpAbrir->trigger();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(w.ui().PnRegistro->isHidden());
    w.OpAbrirClick();  // already shown: stays shown
    EXPECT_TRUE(w.isVisible());
}

TEST(Window, ClosingAsksAndNoKeepsEverythingRunning)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.OpAbrirClick();
    f.prompts.answers.enqueue(false);
    EXPECT_FALSE(w.close());
    EXPECT_EQ(f.prompts.texts(QStringLiteral("confirm")), QStringList{kMsgConfirmStop});
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isEnding());
    EXPECT_TRUE(w.ui().Timer2->isActive());

    // Yes ends the program: the message loop stops.
    f.prompts.answers.enqueue(true);
    QTimer::singleShot(0, &w, [&] { w.close(); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(w.isEnding());
}

TEST(Window, CloseAppEndsWithoutAQuestion)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    EXPECT_EQ(w.tray().PopupMenu1->actions().size(), 3);
    EXPECT_EQ(w.tray().OpAbrir->text(), QStringLiteral("Abrir Aplicación"));
    EXPECT_TRUE(w.tray().N1->isSeparator());
    EXPECT_EQ(w.tray().DetenerAplicacin1->text(), QStringLiteral("Cerrar Aplicación"));
    QTimer::singleShot(0, &w, [&] { w.tray().DetenerAplicacin1->trigger(); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(f.prompts.shown.isEmpty());
    // Closing while ending asks nothing either.
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(Window, TitleAndTip)
{
    EXPECT_EQ(applicationTitle(QStringLiteral("datacenter2")), QStringLiteral("datacenter2"));
    EXPECT_EQ(applicationTitle(QStringLiteral("KOVA_VazivoZeRurov.exe")), QStringLiteral("Kova_vazivozerurov"));
    EXPECT_EQ(applicationTitle(QStringLiteral("Data.Center.exe")), QStringLiteral("Data"));
    EXPECT_EQ(trayTip(QString(300, QLatin1Char('a'))).size(), 127);
}

TEST(ErrorBox, FullStopRuleAndNoPilingUp)
{
    EXPECT_EQ(errorBoxText(QStringLiteral("falló")), QStringLiteral("falló."));
    EXPECT_EQ(errorBoxText(QStringLiteral("falló.")), QStringLiteral("falló."));
    EXPECT_EQ(errorBoxText(QStringLiteral("falló!")), QStringLiteral("falló!")) << "'!' sorts before '.'";
    EXPECT_EQ(errorBoxText(QStringLiteral("(x)")), QStringLiteral("(x)"));
    EXPECT_EQ(errorBoxText(QStringLiteral("x 5")), QStringLiteral("x 5."));

    test::ScriptedPrompts prompts;
    ErrorReporter errors(prompts);
    int nested = 0;
    // While the box is open, the same failure comes again (a timer), and another one.
    prompts.onShow = [&](const test::ScriptedPrompts::Shown&) {
        if (nested++ == 0) {
            errors.report(QStringLiteral("sin carpeta"));
            errors.report(QStringLiteral("otro error"));
        }
    };
    errors.report(QStringLiteral("sin carpeta"));
    EXPECT_EQ(prompts.texts(QStringLiteral("error")), (QStringList{QStringLiteral("sin carpeta."), QStringLiteral("otro error.")}));
    // Once closed, the same text shows again.
    errors.report(QStringLiteral("sin carpeta"));
    EXPECT_EQ(prompts.texts(QStringLiteral("error")).size(), 3);

    // A guarded reaction never lets an exception through.
    auto reaction = errors.guard([] { throw std::runtime_error("roto"); });
    EXPECT_NO_THROW(reaction());
    EXPECT_EQ(prompts.texts(QStringLiteral("error")).last(), QStringLiteral("roto."));
}
