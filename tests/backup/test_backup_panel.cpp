// The backup list on the backup panel: adding, removing, the system choice,
// the switch with its credential rule and the lock.
#include "panels/BackupPanel.h"
#include "widgets/QtPrompts.h"
#include "support/WindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QSqlRecord>
#include <QTimer>

#include <gtest/gtest.h>

using namespace dc;
using dc::test::WindowFixture;

namespace {
const QString sep = QDir::separator();

QStringList gridNames(TFrmPrincipal& w)
{
    QStringList names;
    QSqlQueryModel* m = w.backup().listModel();
    for (int r = 0; r < m->rowCount(); ++r) names << m->record(r).value(QStringLiteral("Nombre")).toString();
    return names;
}

int rowOf(TFrmPrincipal& w, const QString& nombre)
{
    return static_cast<int>(gridNames(w).indexOf(nombre));
}

void selectRow(TFrmPrincipal& w, const QString& nombre)
{
    w.backup().ui().DBGrid1->setCurrentIndex(w.backup().listModel()->index(rowOf(w, nombre), 1));
}
}  // namespace

TEST(BackupPanel, AddingFilesStopsAtTheFirstDuplicateWithOneMessage)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    const QString d = f.temp.path() + sep;
    f.prompts.fileSelections.enqueue({d + QStringLiteral("a.txt"), d + QStringLiteral("KOVA_PuntoDeVenta.mdb"), d + QStringLiteral("c.txt")});
    w.backup().ui().BitBtn2->click();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgDuplicateFile});
    EXPECT_TRUE(gridNames(w).contains(QStringLiteral("a.txt"))) << "the grid shows the row added before the duplicate";
    EXPECT_FALSE(gridNames(w).contains(QStringLiteral("c.txt")));
    // Cancelling the dialog does nothing.
    f.prompts.clear();
    w.backup().ui().BitBtn2->click();
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(BackupPanel, AddingFoldersWarnsFirstWhateverTheAnswer)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    const QString datos = f.temp.path() + sep + QStringLiteral("Datos");
    f.prompts.answers.enqueue(false);  // Cancel on the warning: the dialog opens all the same
    f.prompts.folderSelections.enqueue({datos});
    w.backup().BitBtn4Click();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("warn")), QStringList{kMsgFolderWarning});
    EXPECT_EQ(test::TempRoot::scalar(f.db(), QStringLiteral("select Ruta from tbl_app_archivos where Nombre = 'Datos' and Tipo = 2")).toString(),
              QDir::toNativeSeparators(datos) + sep);
    f.prompts.folderSelections.enqueue({f.temp.path() + sep + QStringLiteral("otra") + sep + QStringLiteral("Datos")});
    w.backup().BitBtn4Click();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgDuplicateFolder});
}

TEST(BackupPanel, OnlyUserRowsCanBeRemovedAndOnlyAfterYes)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    // The first row is current from the start (a template row): the button answers at once.
    w.backup().ui().BitBtn3->click();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgProtectedRow});

    selectRow(w, QStringLiteral("Imagenes"));  // a template row
    w.backup().ui().BitBtn3->click();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), (QStringList{kMsgProtectedRow, kMsgProtectedRow}));
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("confirm")).isEmpty()) << "no confirmation for a protected row";

    f.prompts.fileSelections.enqueue({f.temp.path() + sep + QStringLiteral("mio.txt")});
    w.backup().ui().BitBtn2->click();
    selectRow(w, QStringLiteral("mio.txt"));
    f.prompts.answers.enqueue(false);
    w.backup().ui().BitBtn3->click();
    EXPECT_TRUE(gridNames(w).contains(QStringLiteral("mio.txt")));
    selectRow(w, QStringLiteral("mio.txt"));
    f.prompts.answers.enqueue(true);
    w.backup().ui().BitBtn3->click();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("confirm")), (QStringList{kMsgConfirmRemove, kMsgConfirmRemove}));
    EXPECT_FALSE(gridNames(w).contains(QStringLiteral("mio.txt")));
    EXPECT_EQ(test::TempRoot::scalar(f.db(), QStringLiteral("select count(*) from tbl_app_archivos where Nombre = 'mio.txt'")).toInt(), 0);
    EXPECT_EQ(w.backup().ui().DBGrid1->currentIndex().row(), 0) << "a row is current again after the reload";

    // An empty list: nothing to remove, nothing asked.
    test::TempRoot::exec(f.db(), QStringLiteral("delete from tbl_app_archivos"));
    w.backup().openList();
    f.prompts.clear();
    w.backup().ui().BitBtn3->click();
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(BackupPanel, ChoosingNingunoDropsTheTemplatesAndStoresThree)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    f.prompts.fileSelections.enqueue({f.temp.path() + sep + QStringLiteral("mio.txt")});
    w.backup().ui().BitBtn2->click();
    w.backup().ui().CmbSistema->setCurrentIndex(3);
    EXPECT_EQ(f.setting(6), QStringLiteral("3"));
    EXPECT_EQ(gridNames(w), QStringList{QStringLiteral("mio.txt")});
    w.backup().ui().CmbSistema->setCurrentIndex(2);
    EXPECT_EQ(f.setting(6), QStringLiteral("2"));
    EXPECT_TRUE(gridNames(w).contains(QStringLiteral("mio.txt")));
    EXPECT_TRUE(gridNames(w).contains(QStringLiteral("KOVA_PuntoDeVenta3.mdb")));
    EXPECT_FALSE(gridNames(w).contains(QStringLiteral("KOVA_PuntoDeVenta.mdb")));
}

TEST(BackupPanel, TheSwitchLocksInOrderAndNeedsCredentials)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    QStringList order;
    for (QWidget* c : w.backup().lockedControls()) order << c->objectName();
    EXPECT_EQ(order, (QStringList{QStringLiteral("DBGrid1"), QStringLiteral("txtusuario"), QStringLiteral("txtpass"),
                                  QStringLiteral("HR1"), QStringLiteral("BitBtn2"), QStringLiteral("BitBtn3"),
                                  QStringLiteral("BitBtn4"), QStringLiteral("CmbServer"), QStringLiteral("CmbSistema")}));

    w.backup().ui().txtusuario->setText(QStringLiteral(" \t\x01 "));  // blanks and control characters only
    w.backup().ui().txtpass->setText(QStringLiteral("clave"));
    w.backup().ui().ChkActivaRespaldos->setChecked(true);
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgCredentials});
    EXPECT_FALSE(w.backup().ui().ChkActivaRespaldos->isChecked());
    EXPECT_EQ(f.setting(5), QStringLiteral("0"));
    EXPECT_FALSE(w.backup().ui().Timer1->isActive());
    for (QWidget* c : w.backup().lockedControls()) EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();

    w.backup().ui().txtusuario->setText(QStringLiteral("tienda"));
    w.backup().ui().ChkActivaRespaldos->setChecked(true);
    EXPECT_TRUE(w.backup().ui().Timer1->isActive());
    for (QWidget* c : w.backup().lockedControls()) EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    for (QWidget* c : {static_cast<QWidget*>(w.backup().ui().ChkActivaRespaldos), static_cast<QWidget*>(w.backup().ui().Button1),
                       static_cast<QWidget*>(w.backup().ui().Button2)})
        EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
}

TEST(BackupPanel, HiddenListingCheckShowsEveryImageAgainOnEachRun)
{
    WindowFixture f(Edition::Two, /*demo=*/true);
    TFrmPrincipal& w = f.start();
    const int images = static_cast<int>(QDir(f.temp.root().pointOfSale4ImagesDir()).entryList(QDir::Files).size());
    ASSERT_GT(images, 0);
    w.backup().BitBtn1Click();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")).size(), images);
    w.backup().BitBtn1Click();
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")).size(), images + 2 * images) << "earlier items stay and show again";
}

TEST(BackupPanel, FileDialogsLeaveTheCurrentDirectoryAlone)
{
    WindowFixture f;
    TFrmPrincipal& w = f.start();
    const QString outbox = QDir::currentPath();
    ASSERT_EQ(outbox, QDir(f.temp.root().outboxDir()).canonicalPath());
    const QString elsewhere = f.temp.path() + sep + QStringLiteral("otra");
    test::writeFile(elsewhere + sep + QStringLiteral("x.txt"), "x");
    w.move(30, 40);
    w.OpAbrirClick();
    QtPrompts prompts(&w);
    QStringList texts;
    QPoint centre;
    QString startedIn;
    test::answerDialog<QFileDialog>([&](QFileDialog* dialog) {
        startedIn = dialog->directory().absolutePath();
        for (auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::Accept, QFileDialog::Reject})
            texts << dialog->labelText(label);
        centre = dialog->geometry().center();
        dialog->setDirectory(elsewhere);
        // A platform dialog moves the process into the folder it browsed.
        QDir::setCurrent(elsewhere);
        static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    });
    prompts.openFiles();
    ASSERT_FALSE(texts.isEmpty()) << "the dialog never showed";
    EXPECT_EQ(QDir::currentPath(), outbox);
    // The dialog speaks Spanish and opens over the window.
    EXPECT_EQ(texts.join(QLatin1Char('|')), QStringLiteral("Ver en:|&Nombre de fichero:|&Abrir|Cancelar"));
    EXPECT_LE((centre - w.geometry().center()).manhattanLength(), 4);
    // It opens in the user's home folder, not in the outbox, then where the user last chose.
    EXPECT_EQ(startedIn, QDir::homePath());
    test::answerDialog<QFileDialog>([&](QFileDialog* dialog) {
        startedIn = dialog->directory().absolutePath();
        static_cast<QDialog*>(dialog)->done(QDialog::Rejected);
    });
    prompts.openFolders();
    EXPECT_EQ(QDir(startedIn).canonicalPath(), QDir(elsewhere).canonicalPath());
}
