// The company selection: the companies of the point-of-sale database, the
// selected company's branch settings and their writes.
#include "cloud/CompanyPanel.h"
#include "settings/Database.h"
#include "tasks/TasksPanel.h"
#include "support/WindowFixture.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

using namespace dc;
using dc::test::TempRoot;
using dc::test::WindowFixture;

namespace {

QString companyFile(const WindowFixture& f, const char* baseDeDatos)
{
    return f.temp.root().companyDb(QLatin1String(baseDeDatos));
}

void setBranch(const QString& db, int id, const QString& value)
{
    TempRoot::setSetting(db, id, value);
}

QList<bool> ticks(TFrmPrincipal& w)
{
    QList<bool> out;
    for (int i = 0; i < w.ui().LstDatosASubir->count(); ++i)
        out << (w.ui().LstDatosASubir->item(i)->checkState() == Qt::Checked);
    return out;
}

// A user's tick or untick of an item.
void click(TFrmPrincipal& w, int item)
{
    QListWidgetItem* it = w.ui().LstDatosASubir->item(item);
    it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

// The user picks the company shown in row `row` from the drop-down list.
void pick(TFrmPrincipal& w, int row)
{
    QComboBox* box = w.ui().CmbEmpresas;
    box->setCurrentIndex(row);
    Q_EMIT box->activated(row);
}

}  // namespace

TEST(CompanySelection, StartUpSelectsTheMainCompanyAndShowsItsBranchSettings)
{
    WindowFixture f;
    const QString pos = f.temp.root().pointOfSale5Db();
    setBranch(pos, 169, QStringLiteral("Matriz"));
    setBranch(pos, 168, QStringLiteral("0"));
    setBranch(pos, 170, QStringLiteral("2"));
    setBranch(pos, 171, QStringLiteral("1"));
    setBranch(pos, 172, QStringLiteral("01"));
    f.traceWrites(pos);
    TFrmPrincipal& w = f.start();

    QComboBox* box = w.ui().CmbEmpresas;
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(0), QStringLiteral("KOVA Punto de Venta"));
    EXPECT_EQ(box->itemText(1), QStringLiteral("Abarrotes Centro"));
    EXPECT_EQ(box->itemText(2), QStringLiteral("Ferretería Norte"));
    EXPECT_EQ(box->currentText(), QStringLiteral("KOVA Punto de Venta"));
    EXPECT_EQ(w.companies()->key(), kMainCompanyDb);
    EXPECT_TRUE(w.company().isOpen());
    EXPECT_EQ(QFileInfo(w.company().filePath()).canonicalFilePath(), QFileInfo(pos).canonicalFilePath());

    EXPECT_EQ(w.ui().txtSucursal->text(), QStringLiteral("Matriz"));
    // Row 170 = "2": download ticked, send not; "01" is not "1".
    EXPECT_EQ(ticks(w), (QList<bool>{false, false, true, true, false}));
    // Loading the branch name stores it back; loading the ticks stores nothing.
    EXPECT_EQ(f.writesOf(pos, 169), QStringList{QStringLiteral("Matriz")});
    for (int row : {168, 170, 171, 172}) EXPECT_TRUE(f.writesOf(pos, row).isEmpty()) << row;
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(CompanySelection, PickingACompanyOpensItsOwnDatabase)
{
    WindowFixture f;
    const QString abarrotes = companyFile(f, "Abarrotes_Centro.mdb");
    setBranch(abarrotes, 169, QStringLiteral("Centro"));
    setBranch(abarrotes, 172, QStringLiteral("1"));
    TFrmPrincipal& w = f.start();
    QTest::keyClick(w.ui().CmbEmpresas, Qt::Key_Down);  // with the keyboard
    EXPECT_EQ(w.companies()->key(), QStringLiteral("Abarrotes_Centro.mdb"));
    EXPECT_EQ(w.ui().txtSucursal->text(), QStringLiteral("Centro"));
    EXPECT_EQ(ticks(w), (QList<bool>{true, false, false, false, true}));
    // The writes now go to that company's database, not to the main one.
    QTest::keyClicks(w.ui().txtSucursal, QStringLiteral(" 2"));
    EXPECT_EQ(TempRoot::setting(abarrotes, 169), QStringLiteral("Centro 2"));
    EXPECT_EQ(TempRoot::setting(f.temp.root().pointOfSale5Db(), 169), QString());
}

TEST(CompanySelection, BranchNameIsStoredOnEveryKeystrokeAndAQuoteStaysIntact)
{
    WindowFixture f;
    const QString pos = f.temp.root().pointOfSale5Db();
    f.traceWrites(pos);
    TFrmPrincipal& w = f.start();
    QTest::keyClicks(w.ui().txtSucursal, QStringLiteral("O'H"));
    EXPECT_EQ(f.writesOf(pos, 169), (QStringList{QStringLiteral("O"), QStringLiteral("O'"), QStringLiteral("O'H")}));
    w.ui().txtSucursal->setText(QStringLiteral("Sucursal O'Higgins' where id = 168 --"));
    EXPECT_EQ(TempRoot::setting(pos, 169), QStringLiteral("Sucursal O'Higgins' where id = 168 --"));
    EXPECT_EQ(TempRoot::setting(pos, 168), QStringLiteral("1")) << "a quote changed another row";
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(CompanySelection, EveryTickRewritesTheFourRows)
{
    WindowFixture f;
    const QString pos = f.temp.root().pointOfSale5Db();
    setBranch(pos, 170, QStringLiteral("1"));
    f.traceWrites(pos);
    TFrmPrincipal& w = f.start();
    ASSERT_EQ(ticks(w), (QList<bool>{true, true, false, false, false}));

    click(w, 3);
    EXPECT_EQ(f.writesOf(pos, 168), QStringList{QStringLiteral("1")});
    EXPECT_EQ(f.writesOf(pos, 170), QStringList{QStringLiteral("1")}) << "the catalogue row as its items stand";
    EXPECT_EQ(f.writesOf(pos, 171), QStringList{QStringLiteral("1")});
    EXPECT_EQ(f.writesOf(pos, 172), QStringList{QStringLiteral("0")});
    // In this order.
    EXPECT_EQ(TempRoot::scalar(pos, QStringLiteral("select group_concat(Id, ',') from (select Id from test_writes "
                                                   "order by seq)"))
                  .toString(),
              QStringLiteral("168,170,171,172"));

    // Unticking the only catalogue item writes "0".
    click(w, 1);
    EXPECT_EQ(TempRoot::setting(pos, 170), QStringLiteral("0"));
    click(w, 2);
    EXPECT_EQ(TempRoot::setting(pos, 170), QStringLiteral("2"));
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(CompanySelection, BothCatalogueDirectionsAreRefused)
{
    WindowFixture f;
    const QString pos = f.temp.root().pointOfSale5Db();
    setBranch(pos, 170, QStringLiteral("1"));
    TFrmPrincipal& w = f.start();
    f.traceWrites(pos);

    click(w, 2);  // download while send is ticked
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgCatalogueBothWays});
    EXPECT_TRUE(kMsgCatalogueBothWays.contains(QStringLiteral("\"Subir catálogo y Descargar Catálogo\"")));
    EXPECT_EQ(ticks(w), (QList<bool>{true, false, false, false, false}));
    EXPECT_EQ(TempRoot::setting(pos, 170), QStringLiteral("1")) << "the row keeps its value";
    EXPECT_TRUE(f.writesOf(pos, 170).isEmpty());
    EXPECT_EQ(f.writesOf(pos, 171), QStringList{QStringLiteral("0")}) << "the other rows are still written";
    EXPECT_EQ(f.writesOf(pos, 172), QStringList{QStringLiteral("0")});

    // The next click on any item writes the catalogue row as it now stands.
    click(w, 4);
    EXPECT_EQ(TempRoot::setting(pos, 170), QStringLiteral("0"));
    EXPECT_EQ(TempRoot::setting(pos, 172), QStringLiteral("1"));
    EXPECT_EQ(f.prompts.shown.size(), 1);
}

TEST(CompanySelection, ACompanyWithoutBranchRowsShowsNothingAndGetsNoRows)
{
    WindowFixture f;
    const QString abarrotes = companyFile(f, "Abarrotes_Centro.mdb");
    TempRoot::exec(abarrotes, QStringLiteral("delete from tbl_app_configuracion where Id between 168 and 172"));
    setBranch(f.temp.root().pointOfSale5Db(), 169, QStringLiteral("Matriz"));
    TFrmPrincipal& w = f.start();
    ASSERT_EQ(w.ui().txtSucursal->text(), QStringLiteral("Matriz"));
    ASSERT_TRUE(ticks(w).first());
    pick(w, 1);
    EXPECT_EQ(w.ui().txtSucursal->text(), QString());
    EXPECT_EQ(ticks(w), (QList<bool>{false, false, false, false, false}));
    click(w, 0);
    QTest::keyClicks(w.ui().txtSucursal, QStringLiteral("x"));
    EXPECT_EQ(TempRoot::scalar(abarrotes, QStringLiteral("select count(*) from tbl_app_configuracion where Id between "
                                                         "168 and 172"))
                  .toInt(),
              0);
    EXPECT_TRUE(f.prompts.shown.isEmpty());
    EXPECT_EQ(TempRoot::setting(f.temp.root().pointOfSale5Db(), 169), QStringLiteral("Matriz"))
        << "the main company's rows were written";
}

TEST(CompanySelection, AMissingCompanyDatabaseIsReportedAndRetriedOnTheNextWrite)
{
    WindowFixture f;
    const QString ferreteria = companyFile(f, "Ferreteria_Norte.mdb");
    for (const char* s : {"", "-wal", "-shm"}) QFile::remove(ferreteria + QLatin1String(s));
    setBranch(f.temp.root().pointOfSale5Db(), 169, QStringLiteral("Matriz"));
    TFrmPrincipal& w = f.start();
    pick(w, 2);
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgCompanyDbUnavailable});
    EXPECT_FALSE(w.company().isOpen());
    EXPECT_EQ(w.ui().txtSucursal->text(), QStringLiteral("Matriz")) << "the panel keeps what it showed";
    EXPECT_TRUE(ticks(w).first());
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).isEmpty());

    // A later write tries the company's database again and reports its failure.
    QTest::keyClicks(w.ui().txtSucursal, QStringLiteral("x"));
    QStringList errors = f.prompts.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("Ferreteria_Norte.mdb"))) << errors.first().toStdString();
    click(w, 3);
    EXPECT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 2);
    EXPECT_FALSE(QFile::exists(ferreteria)) << "the program created the company's database";
    EXPECT_EQ(TempRoot::setting(f.temp.root().pointOfSale5Db(), 169), QStringLiteral("Matriz"));

    // Picking a company that opens recovers.
    pick(w, 0);
    EXPECT_TRUE(w.company().isOpen());
    EXPECT_EQ(w.ui().txtSucursal->text(), QStringLiteral("Matriz"));
}

TEST(CompanySelection, TheKeyStaysSetWhenNoCompanyHasIt)
{
    WindowFixture f;
    TempRoot::exec(f.temp.root().pointOfSale5Db(),
                   QStringLiteral("update tbl_app_empresas set BaseDeDatos = 'Otra.mdb' where Id = 1"));
    TFrmPrincipal& w = f.start();
    EXPECT_EQ(w.ui().CmbEmpresas->currentIndex(), -1);
    EXPECT_EQ(w.companies()->key(), kMainCompanyDb);
    EXPECT_TRUE(w.company().isOpen()) << "the key names the main company's file, which exists";
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(CompanySelection, WithoutThePointOfSaleDatabaseTheStartUpStopsBeforeTheTaskList)
{
    WindowFixture f;
    for (const char* s : {"", "-wal", "-shm"}) QFile::remove(f.temp.root().pointOfSale5Db() + QLatin1String(s));
    f.setSetting(8, QStringLiteral("nube"));
    TFrmPrincipal& w = f.start();
    ASSERT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).first().contains(QStringLiteral("KOVA_PuntoDeVenta.mdb")));
    EXPECT_EQ(w.ui().TxtServidor->text(), QStringLiteral("nube")) << "the settings were read before";
    EXPECT_EQ(w.ui().CmbEmpresas->count(), 0);
    EXPECT_FALSE(w.company().isOpen());
    EXPECT_EQ(w.tasks()->taskModel()->columnCount(), 0) << "the task grid was opened";
}

TEST(CloudSettings, AnIntervalThatIsNotInTheListLeavesTheFirstItemAndIsNotRewritten)
{
    WindowFixture f;
    f.setSetting(13, QStringLiteral("45"));
    f.traceWrites(f.db());
    TFrmPrincipal& w = f.start();
    EXPECT_EQ(w.ui().CmbTiempo->currentText(), QStringLiteral("10 Minutos"));
    EXPECT_TRUE(f.writesOf(f.db(), 13).isEmpty());
    EXPECT_EQ(f.setting(13), QStringLiteral("45"));
    w.ui().CmbTiempo->setCurrentIndex(2);
    EXPECT_EQ(f.setting(13), QStringLiteral("30"));
}
