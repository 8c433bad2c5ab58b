// The company selection: the companies of the point-of-sale database, the
// selected company's branch settings and their writes.
#include "panels/CompanyPanel.h"
#include "settings/Database.h"
#include "support/WindowFixture.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

using namespace dc;
using dc::test::TempRoot;
using dc::test::WindowFixture;

namespace {

QList<bool> ticks(TFrmPrincipal& w)
{
    QList<bool> out;
    for (int i = 0; i < w.companies()->ui().LstDatosASubir->count(); ++i)
        out << (w.companies()->ui().LstDatosASubir->item(i)->checkState() == Qt::Checked);
    return out;
}

// A user's tick or untick of an item.
void click(TFrmPrincipal& w, int item)
{
    QListWidgetItem* it = w.companies()->ui().LstDatosASubir->item(item);
    it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

// The user picks the company shown in row `row` from the drop-down list.
void pick(TFrmPrincipal& w, int row)
{
    w.companies()->ui().CmbEmpresas->setCurrentIndex(row);
    Q_EMIT w.companies()->ui().CmbEmpresas->activated(row);
}

}  // namespace

TEST(CompanySelection, TheMainCompanyAtStartUpThenAnotherPickedWithTheKeyboard)
{
    WindowFixture f;
    const QString pos = f.temp.root().pointOfSale5Db();
    const QString abarrotes = f.temp.root().companyDb(QStringLiteral("Abarrotes_Centro.mdb"));
    for (const auto& [id, v] : {std::pair{169, "Matriz"}, {168, "0"}, {170, "2"}, {171, "1"}, {172, "01"}})
        TempRoot::setSetting(pos, id, QLatin1String(v));
    TempRoot::setSetting(abarrotes, 169, QStringLiteral("Centro"));
    f.traceWrites(pos);
    TFrmPrincipal& w = f.start();

    QComboBox* box = w.companies()->ui().CmbEmpresas;
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(2), QStringLiteral("Ferretería Norte"));
    EXPECT_EQ(box->currentText(), QStringLiteral("KOVA Punto de Venta"));
    EXPECT_EQ(QFileInfo(w.company().filePath()).canonicalFilePath(), QFileInfo(pos).canonicalFilePath());
    EXPECT_EQ(w.companies()->ui().txtSucursal->text(), QStringLiteral("Matriz"));
    // Row 170 = "2": download ticked, send not; "01" is not "1".
    EXPECT_EQ(ticks(w), (QList<bool>{false, false, true, true, false}));
    // Loading the branch name stores it back; loading the ticks stores nothing.
    EXPECT_EQ(f.writesOf(pos, 169), QStringList{QStringLiteral("Matriz")});
    for (int row : {168, 170, 171, 172}) EXPECT_TRUE(f.writesOf(pos, row).isEmpty()) << row;

    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(w.companies()->key(), QStringLiteral("Abarrotes_Centro.mdb"));
    EXPECT_EQ(w.companies()->ui().txtSucursal->text(), QStringLiteral("Centro"));
    EXPECT_EQ(ticks(w), (QList<bool>{true, false, false, false, false}));
    // Every keystroke goes to that company's row, quotes intact.
    QTest::keyClicks(w.companies()->ui().txtSucursal, QStringLiteral(" O'H"));
    EXPECT_EQ(TempRoot::setting(abarrotes, 169), QStringLiteral("Centro O'H"));
    w.companies()->ui().txtSucursal->setText(QStringLiteral("O'Higgins' where id = 168 --"));
    EXPECT_EQ(TempRoot::setting(abarrotes, 169), QStringLiteral("O'Higgins' where id = 168 --"));
    EXPECT_EQ(TempRoot::setting(abarrotes, 168), QStringLiteral("1"));
    EXPECT_EQ(TempRoot::setting(pos, 169), QStringLiteral("Matriz"));
    EXPECT_TRUE(f.prompts.shown.isEmpty());
}

TEST(CompanySelection, ABranchNameThatIsNotUnicodeInAUtf16DatabaseRewritesNothing)
{
    if (sqliteThroughOdbc())
        GTEST_SKIP() << "the SQLite ODBC driver reads text as UTF-8, and SQLite pairs a lone surrogate with the "
                        "code unit after it on the way: such a text never reaches the program through it";
    WindowFixture f;
    // Abarrotes Centro's database in UTF-16, its branch name holding a lone
    // high surrogate before a quote, as another program may have written it.
    const QString abarrotes = f.temp.root().companyDb(QStringLiteral("Abarrotes_Centro.mdb"));
    const QString utf16 = abarrotes + QStringLiteral(".utf16");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("utf16"));
        db.setDatabaseName(utf16);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA encoding = 'UTF-16le'")));
        ASSERT_TRUE(q.exec(QStringLiteral("create table tbl_app_configuracion (Id integer primary key, Nombre text, Valor text)")));
        ASSERT_TRUE(q.prepare(QStringLiteral("insert into tbl_app_configuracion (Id, Valor) values (?, ?)")));
        for (int row = 168; row <= 172; ++row) {
            q.addBindValue(row);
            q.addBindValue(row == 169 ? QString(QChar(0xD83D)) + QStringLiteral("' --") : QStringLiteral("0"));
            ASSERT_TRUE(q.exec());
        }
        q = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("utf16"));
    ASSERT_TRUE(QFile::remove(abarrotes) && QFile::rename(utf16, abarrotes));
    EXPECT_EQ(TempRoot::scalar(abarrotes, QStringLiteral("PRAGMA encoding")).toString(), QStringLiteral("UTF-16le"));
    QStringList before;
    for (int row = 168; row <= 172; ++row) before << TempRoot::setting(abarrotes, row);

    TFrmPrincipal& w = f.start();
    pick(w, 1);
    QStringList after;
    for (int row = 168; row <= 172; ++row) after << TempRoot::setting(abarrotes, row);
    EXPECT_EQ(after, before);
    ASSERT_EQ(f.prompts.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(f.prompts.texts(QStringLiteral("error")).first().startsWith(invalidUnicodeText()));
}

TEST(CompanySelection, EveryTickRewritesTheFourRowsAndBothCatalogueWaysAreRefused)
{
    WindowFixture f;
    const QString pos = f.temp.root().pointOfSale5Db();
    TempRoot::setSetting(pos, 170, QStringLiteral("1"));
    TFrmPrincipal& w = f.start();
    f.traceWrites(pos);
    const auto order = [&] {
        return TempRoot::scalar(pos, QStringLiteral("select group_concat(Id || '=' || Valor) from test_writes")).toString();
    };

    click(w, 3);
    EXPECT_EQ(order(), QStringLiteral("168=1,170=1,171=1,172=0"));

    TempRoot::exec(pos, QStringLiteral("delete from test_writes"));
    click(w, 2);  // download while send is ticked
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgCatalogueBothWays});
    EXPECT_TRUE(kMsgCatalogueBothWays.contains(QStringLiteral("\"Subir catálogo y Descargar Catálogo\"")));
    EXPECT_EQ(ticks(w), (QList<bool>{true, false, false, true, false}));
    EXPECT_EQ(order(), QStringLiteral("168=1,171=1,172=0")) << "row 170 keeps its value";

    // The next click, on any item, writes the catalogue row as it now stands.
    click(w, 4);
    EXPECT_EQ(TempRoot::setting(pos, 170), QStringLiteral("0"));
    click(w, 2);
    EXPECT_EQ(TempRoot::setting(pos, 170), QStringLiteral("2"));
    click(w, 2);
    EXPECT_EQ(TempRoot::setting(pos, 170), QStringLiteral("0")) << "unticking the only catalogue item";
    EXPECT_EQ(f.prompts.shown.size(), 1);
}

TEST(CompanySelection, ACompanyWithoutBranchRowsShowsNothingAndGetsNoRows)
{
    WindowFixture f;
    const QString abarrotes = f.temp.root().companyDb(QStringLiteral("Abarrotes_Centro.mdb"));
    TempRoot::exec(abarrotes, QStringLiteral("delete from tbl_app_configuracion where Id between 168 and 172"));
    TempRoot::setSetting(f.temp.root().pointOfSale5Db(), 169, QStringLiteral("Matriz"));
    TFrmPrincipal& w = f.start();
    pick(w, 1);
    EXPECT_EQ(w.companies()->ui().txtSucursal->text(), QString());
    EXPECT_EQ(ticks(w), (QList<bool>{false, false, false, false, false}));
    click(w, 0);
    QTest::keyClicks(w.companies()->ui().txtSucursal, QStringLiteral("x"));
    EXPECT_EQ(TempRoot::scalar(abarrotes, QStringLiteral("select count(*) from tbl_app_configuracion where Id > 13")).toInt(), 0);
    EXPECT_TRUE(f.prompts.shown.isEmpty());
    EXPECT_EQ(TempRoot::setting(f.temp.root().pointOfSale5Db(), 169), QStringLiteral("Matriz"));
}

TEST(CompanySelection, AMissingCompanyDatabaseIsReportedAndRetriedOnTheNextWrite)
{
    WindowFixture f;
    const QString ferreteria = f.temp.root().companyDb(QStringLiteral("Ferreteria_Norte.mdb"));
    for (const char* s : {"", "-wal", "-shm"}) QFile::remove(ferreteria + QLatin1String(s));
    TempRoot::setSetting(f.temp.root().pointOfSale5Db(), 169, QStringLiteral("Matriz"));
    TFrmPrincipal& w = f.start();
    pick(w, 2);
    EXPECT_EQ(f.prompts.texts(QStringLiteral("inform")), QStringList{kMsgCompanyDbUnavailable});
    EXPECT_FALSE(w.company().isOpen());
    EXPECT_EQ(w.companies()->ui().txtSucursal->text(), QStringLiteral("Matriz")) << "the panel keeps what it showed";
    EXPECT_TRUE(ticks(w).first());

    // Each later write tries the company's database again and reports its failure.
    QTest::keyClicks(w.companies()->ui().txtSucursal, QStringLiteral("x"));
    click(w, 3);
    const QStringList errors = f.prompts.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("Ferreteria_Norte.mdb"))) << errors.first().toStdString();
    EXPECT_FALSE(QFile::exists(ferreteria)) << "the program created the company's database";
    EXPECT_EQ(TempRoot::setting(f.temp.root().pointOfSale5Db(), 169), QStringLiteral("Matriz"));

    pick(w, 0);
    EXPECT_TRUE(w.company().isOpen());
    EXPECT_EQ(w.companies()->ui().txtSucursal->text(), QStringLiteral("Matriz"));
}

TEST(CloudSettings, AnIntervalThatIsNotInTheListLeavesTheFirstItemAndIsNotRewritten)
{
    WindowFixture f;
    f.setSetting(13, QStringLiteral("45"));
    f.traceWrites(f.db());
    TFrmPrincipal& w = f.start();
    EXPECT_EQ(w.cloud()->ui().CmbTiempo->currentText(), QStringLiteral("10 Minutos"));
    EXPECT_TRUE(f.writesOf(f.db(), 13).isEmpty());
    EXPECT_EQ(f.setting(13), QStringLiteral("45"));
}
