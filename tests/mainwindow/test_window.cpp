// The window's panels, the tray menu and the ways of ending.
#include "panels/HistoryPanel.h"
#include "widgets/ErrorReporter.h"
#include "widgets/QtPrompts.h"
#include "window/TrayIcon.h"
#include "support/WindowFixture.h"
#include "panels/TFrmTareaManual.h"
#include "panels/TasksPanel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMessageBox>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
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

// Every caption of a form that its control cannot show whole at its fixed
// size ("Activar Nube KOVA" losing its last letter), and every label that
// runs into the control beside it.
std::string cutCaptions(QWidget* form)
{
    QStringList cut;
    const auto report = [&cut](QWidget* w, const QString& text, int need, int room) {
        if (need > room) cut << QStringLiteral("%1 \"%2\": %3 > %4").arg(w->objectName(), text).arg(need).arg(room);
    };
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(form)) continue;
        const QFontMetrics fm = w->fontMetrics();
        if (auto* l = qobject_cast<QLabel*>(w); l && l->wordWrap() && !l->text().isEmpty()) {
            // A wrapped text fits when its lines fit the label's height.
            report(l, l->text(), l->heightForWidth(l->width()), l->height());
        } else if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) {
            report(l, l->text(), fm.horizontalAdvance(l->text()), l->contentsRect().width());
            const QRect ink = l->geometry().adjusted(0, 0, fm.horizontalAdvance(l->text()) - l->width(), 0);
            for (QWidget* other : l->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                const auto* frame = qobject_cast<QFrame*>(other);  // a drawn frame around the label is no collision
                if (other != l && other->isVisibleTo(form) && !qobject_cast<QLabel*>(other)
                    && other->geometry().intersects(ink) && !(frame && frame->frameShape()))
                    cut << QStringLiteral("%1 runs into %2").arg(l->objectName(), other->objectName());
            }
        } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
            QStyleOptionButton o;
            o.initFrom(c);
            report(c, c->text(), fm.horizontalAdvance(c->text()), c->style()->subElementRect(QStyle::SE_CheckBoxContents, &o, c).width());
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            QStyleOptionButton o;
            o.initFrom(b);
            const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
            report(b, b->text(), fm.horizontalAdvance(b->text()) + icon,
                   b->style()->subElementRect(QStyle::SE_PushButtonContents, &o, b).width());
        } else if (auto* box = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox o;
            o.initFrom(box);
            const int room = box->style()->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, box).width() - 2;
            for (int i = 0; i < box->count(); ++i) report(box, box->itemText(i), fm.horizontalAdvance(box->itemText(i)), room);
        } else if (auto* list = qobject_cast<QListWidget*>(w)) {
            for (int i = 0; i < list->count(); ++i) {
                const QRect r = list->visualItemRect(list->item(i));
                const int indicator = list->item(i)->flags() & Qt::ItemIsUserCheckable ? 20 : 0;
                report(list, list->item(i)->text(), fm.horizontalAdvance(list->item(i)->text()) + indicator, r.width());
                if (!list->viewport()->rect().contains(r)) cut << list->objectName() + QStringLiteral(" item out of view");
            }
        } else if (auto* grid = qobject_cast<QTableView*>(w); grid && grid->model()) {
            QHeaderView* h = grid->horizontalHeader();
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                if (!grid->isColumnHidden(c)) {
                    const QString title = grid->model()->headerData(c, Qt::Horizontal).toString();
                    report(grid, title, h->fontMetrics().horizontalAdvance(title), h->sectionSize(c) - 8);
                }
        }
    }
    return cut.join(QLatin1Char('\n')).toStdString();
}
}  // namespace

TEST(Window, EveryCaptionFitsItsControlInTheWindowsFont)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    EXPECT_EQ(QFontInfo(w.font()).family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(QFontInfo(w.font()).pixelSize(), 11) << "8 points at 96 dots per inch";
    w.OpAbrirClick();  // the category column is laid out when shown
    for (CategoryPanel* p : {w.ui().PRespaldoDatos, w.ui().PCatalogoWeb, w.ui().PReportesWeb}) p->expand();
    for (QFrame* panel : {w.ui().PnRespaldos, w.ui().PnHistorial, w.ui().PnReportesWeb, w.ui().PnRegistro}) {
        w.openWorkPanel(panel);
        EXPECT_EQ(cutCaptions(&w), "") << panel->objectName().toStdString();
    }
    TFrmTareaManual* form = w.tasks()->form();
    EXPECT_EQ(form->font(), w.font()) << "one font for the window and the task form";
    for (int tab = 0; tab < form->Tabs->count(); ++tab) {
        form->Tabs->setCurrentIndex(tab);
        EXPECT_EQ(cutCaptions(form), "") << tab;
    }
    WindowFixture one(Edition::One);
    EXPECT_EQ(cutCaptions(&one.start()), "");
}

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
    EXPECT_EQ(w.backup().ui().CmbServer->count(), 23);
    EXPECT_EQ(w.backup().ui().CmbServer->itemText(22), QStringLiteral("KOVA Server 23"));
    EXPECT_EQ(w.companies()->ui().LstDatosASubir->count(), 5);
    EXPECT_EQ(w.backup().ui().txtpass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.backup().ui().Timer1->interval(), 50000);
    EXPECT_EQ(w.cloud()->ui().TNube->interval(), 60000);
    EXPECT_TRUE(w.outbox()->ui().Timer2->isActive());
    EXPECT_EQ(w.outbox()->ui().Timer2->interval(), 1000);
    // Paths and reasons keep their ends in sight; the log's description fills its grid.
    for (QTableView* grid : {w.backup().ui().DBGrid1, w.outbox()->ui().DBGrid3, w.history()->ui().DBGrid5})
        EXPECT_EQ(grid->textElideMode(), Qt::ElideMiddle) << grid->objectName().toStdString();
    EXPECT_TRUE(w.outbox()->ui().DBGrid3->horizontalHeader()->stretchLastSection());
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

TEST(Window, TheKeyboardOpensThePanelsAndTabLeavesTheGrids)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    MainWindowUi& u = w.ui();
    w.OpAbrirClick();
    QApplication::setActiveWindow(&w);
    u.PRespaldoDatos->expand();
    const auto tab = [] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    };
    u.PRespaldoDatos->header()->setFocus();
    EXPECT_EQ(tab(), QStringLiteral("Label1")) << "the category link takes the focus";
    QTest::keyClick(w.findChild<QLabel*>(QStringLiteral("Label1")), Qt::Key_Return);
    EXPECT_FALSE(u.PnRespaldos->isHidden());
    EXPECT_EQ(QApplication::focusWidget(), w.backup().ui().ChkActivaRespaldos) << "the focus goes into the panel opened";
    QStringList walked;
    for (int i = 0; i < 10; ++i) walked << tab();
    EXPECT_EQ(walked, QString::fromLatin1("CmbServer txtusuario txtpass CmbSistema HR1 Button2 Button1 DBGrid1 BitBtn3 BitBtn2")
                          .split(QLatin1Char(' ')));
    // Inside the grid the arrows move; Tab leaves it.
    w.backup().ui().DBGrid1->setFocus();
    ASSERT_EQ(w.backup().ui().DBGrid1->currentIndex().row(), 0) << "the list has a current row from the start";
    QTest::keyClick(w.backup().ui().DBGrid1, Qt::Key_Down);
    EXPECT_EQ(w.backup().ui().DBGrid1->currentIndex().row(), 1);
    EXPECT_EQ(tab(), QStringLiteral("BitBtn3"));

    u.PReportesWeb->expand();
    w.findChild<QLabel*>(QStringLiteral("Label18"))->setFocus();
    QTest::keyClick(w.findChild<QLabel*>(QStringLiteral("Label18")), Qt::Key_Space);
    EXPECT_FALSE(u.PnRegistro->isHidden());
    EXPECT_EQ(QApplication::focusWidget(), w.outbox()->ui().LstArchivos);
    EXPECT_EQ(tab(), QStringLiteral("DBGrid3"));
    w.findChild<QLabel*>(QStringLiteral("Label11"))->setFocus();
    QTest::keyClick(w.findChild<QLabel*>(QStringLiteral("Label11")), Qt::Key_Enter);
    EXPECT_EQ(QApplication::focusWidget(), w.cloud()->ui().ChkNubeActivado);
    w.tasks()->ui().DBGrid2->setFocus();
    EXPECT_NE(tab(), QStringLiteral("DBGrid2"));
}

TEST(Window, EmptyGridsSayWhatWillAppearThere)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.OpAbrirClick();
    w.ui().PRespaldoDatos->expand();
    w.Label27Click();
    const auto line = [&](QAbstractItemView* view) {
        auto* label = view->viewport()->findChild<QLabel*>(view->objectName() + QStringLiteral("Vacio"));
        return label && label->isVisible() ? label->text() : QString();
    };
    w.backup().ui().HR1->setTime(QTime(21, 0));
    EXPECT_EQ(line(w.history()->ui().DBGrid4), kEmptyHistoryOff) << "backups off: how to start one";
    w.backup().ui().txtusuario->setText(QStringLiteral("u"));
    w.backup().ui().txtpass->setText(QStringLiteral("p"));
    w.backup().ui().ChkActivaRespaldos->setChecked(true);
    w.history()->reload();
    EXPECT_EQ(line(w.history()->ui().DBGrid4), kEmptyHistoryNext.arg(QStringLiteral("21:00")));
    EXPECT_EQ(line(w.history()->ui().DBGrid5), kEmptyFilesLeftOut);
    w.history()->ui().BitBtn6->click();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kNoRunsYet}) << "the button without a run says why";
    w.Label11Click();
    EXPECT_TRUE(line(w.tasks()->ui().DBGrid2).startsWith(QStringLiteral("Todavía no hay tareas manuales")));
    EXPECT_FALSE(line(w.backup().ui().DBGrid1).isEmpty() && w.backup().listModel()->rowCount() == 0);

    // A row makes the line go.
    RunRecord run;
    run.start = QDateTime(QDate(2026, 12, 7), QTime(21, 0));
    run.end = run.start.addSecs(60);
    run.outcome = kOutcomeComplete;
    RunHistory(w.cnn()).record(run);
    w.Label27Click();
    EXPECT_EQ(line(w.history()->ui().DBGrid4), QString());
}

TEST(Window, HistoryShowsTheRunsNewestFirstAndTheFilesLeftOutOnDemand)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    MainWindowUi& u = w.ui();
    RunHistory history(w.cnn());
    RunRecord run;
    run.start = QDateTime(QDate(2026, 12, 7), QTime(20, 0, 4));
    run.end = run.start.addSecs(75);
    run.outcome = kOutcomeFilesLeftOut;
    run.files = 4;
    run.bytes = 3'250'000;
    run.failures = {{QStringLiteral("/datos/ventas.mdb"), QStringLiteral("intento No.5: sin respuesta")}};
    history.record(run);
    run.start = run.start.addDays(1);
    run.outcome = kOutcomeComplete;
    run.failures.clear();
    history.record(run);

    w.OpAbrirClick();
    QApplication::setActiveWindow(&w);
    u.PRespaldoDatos->expand();
    w.findChild<QLabel*>(QStringLiteral("Label27"))->setFocus();
    QTest::keyClick(w.findChild<QLabel*>(QStringLiteral("Label27")), Qt::Key_Return);
    EXPECT_FALSE(u.PnHistorial->isHidden());
    EXPECT_TRUE(u.PnRespaldos->isHidden());
    EXPECT_EQ(QApplication::focusWidget(), w.history()->ui().DBGrid4);
    QAbstractItemModel* runs = w.history()->ui().DBGrid4->model();
    ASSERT_EQ(runs->rowCount(), 2);
    EXPECT_EQ(runs->index(0, 0).data().toString(), QStringLiteral("08/12/2026 20:00")) << "newest first";
    EXPECT_EQ(runs->index(1, 2).data().toString(), kOutcomeFilesLeftOut);
    EXPECT_EQ(runs->index(1, 4).data().toString(), QStringLiteral("3.1 MB").replace(QLatin1Char('.'), w.locale().decimalPoint()));
    EXPECT_EQ(w.history()->ui().DBGrid5->model()->rowCount(), 0) << "the files only on demand";
    w.history()->ui().BitBtn6->click();
    EXPECT_EQ(w.history()->ui().DBGrid5->model()->index(0, 0).data().toString(), kNoFilesLeftOut);
    QTest::keyClick(w.history()->ui().DBGrid4, Qt::Key_Down);
    EXPECT_EQ(w.history()->ui().DBGrid5->model()->rowCount(), 0) << "another run: its files asked anew";
    QTest::keyClick(w.history()->ui().DBGrid4, Qt::Key_Return);
    ASSERT_EQ(w.history()->ui().DBGrid5->model()->rowCount(), 1);
    EXPECT_EQ(w.history()->ui().DBGrid5->model()->index(0, 1).data().toString(), QStringLiteral("intento No.5: sin respuesta"));
    EXPECT_TRUE(f.prompts.shown.isEmpty());
    // Collapsing its category closes it.
    u.PRespaldoDatos->collapse();
    EXPECT_TRUE(u.PnHistorial->isHidden());
}

TEST(Window, QuestionBoxesSpeakSpanishOverTheWindowInItsFont)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    w.move(30, 40);
    w.OpAbrirClick();
    QtPrompts prompts(&w);
    QStringList buttons;
    QString caption;
    QPoint centre;
    QFont font;
    test::answerDialog<QMessageBox>([&](QMessageBox* box) {
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        caption = box->windowTitle();
        centre = box->geometry().center();
        font = box->font();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(prompts.confirm(QStringLiteral("¿Seguro?")));
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("&No"), QStringLiteral("&Sí")}));
    EXPECT_EQ(caption, applicationTitle());
    EXPECT_LE((centre - w.geometry().center()).manhattanLength(), 4) << "the box opens over the window";
    EXPECT_EQ(font, w.font());

    // An error's technical detail stays out of the sentence, behind "Mostrar detalles…".
    QString shown, detail;
    test::answerDialog<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        detail = box->detailedText();
        box->button(QMessageBox::Ok)->click();
    });
    prompts.showError(QStringLiteral("El texto es demasiado largo para guardarse. Acórtalo y vuelve a intentarlo "
                                     "(detalle: CHECK constraint failed: length(Valor) <= 255)"));
    EXPECT_EQ(shown, QStringLiteral("El texto es demasiado largo para guardarse. Acórtalo y vuelve a intentarlo."));
    EXPECT_EQ(detail, QStringLiteral("CHECK constraint failed: length(Valor) <= 255"));
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
    EXPECT_TRUE(w.outbox()->ui().Timer2->isActive());

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
    // Only the right button opens the menu, at the pointer.
    QSystemTrayIcon* icon = w.tray().findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    for (const auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::MiddleClick,
                              QSystemTrayIcon::Unknown}) {
        Q_EMIT icon->activated(reason);
        EXPECT_FALSE(w.tray().PopupMenu1->isVisible()) << reason;
    }
    EXPECT_EQ(icon->contextMenu(), nullptr) << "a menu of the icon's own opens on a left click on some desktops";
    QCursor::setPos(200, 150);
    Q_EMIT icon->activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(w.tray().PopupMenu1->isVisible());
    EXPECT_EQ(w.tray().PopupMenu1->pos(), QPoint(200, 150));
    w.tray().PopupMenu1->hide();
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
    // Captions are the title alone: a display name of the application, once
    // set, is added by the window system to every caption ("… — datacenter2").
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("otro"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("otro")) << "a display name is set";
    QCoreApplication::setApplicationName(name);
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
