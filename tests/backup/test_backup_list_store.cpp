#include "backup/BackupListStore.h"
#include "platform/FileNames.h"
#include "settings/Database.h"
#include "support/TempRoot.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace dc;

namespace {
struct Store {
    test::TempRoot t;
    Connection c{QStringLiteral("cnn"), t.root().dataCenterDb(2)};
    BackupListStore s{c};
    int count(const QString& where)
    {
        return c.scalar(QStringLiteral("select count(*) from tbl_app_archivos where ") + where).toInt();
    }
};
const QString sep = QDir::separator();
}  // namespace

TEST(BackupListStore, DuplicateRuleIsByNameAndTypeAndStopsAtTheFirst)
{
    Store st;
    const QString a = sep + QStringLiteral("datos") + sep;
    // The second path has the name of a template row (the point-of-sale database).
    const auto out = st.s.addFiles({a + QStringLiteral("uno.txt"), a + QStringLiteral("KOVA_PuntoDeVenta.mdb"),
                                    a + QStringLiteral("tres.txt")});
    EXPECT_EQ(out.added, 1);
    EXPECT_TRUE(out.duplicate);
    EXPECT_EQ(st.count(QStringLiteral("Nombre = 'tres.txt'")), 0);
    // Same name in another folder: refused.
    EXPECT_TRUE(st.s.addFiles({sep + QStringLiteral("otra") + sep + QStringLiteral("uno.txt")}).duplicate);
    // A file named like a folder row is accepted (the type differs), and the reverse.
    EXPECT_FALSE(st.s.addFiles({a + QStringLiteral("Imagenes")}).duplicate);
    EXPECT_FALSE(st.s.addFolders({a + QStringLiteral("uno.txt")}).duplicate);
    EXPECT_TRUE(st.s.addFolders({sep + QStringLiteral("x") + sep + QStringLiteral("Imagenes")}).duplicate);
    // Letter case follows the platform's file names.
#ifdef Q_OS_WIN
    EXPECT_TRUE(st.s.addFiles({a + QStringLiteral("UNO.TXT")}).duplicate);
#else
    EXPECT_FALSE(st.s.addFiles({a + QStringLiteral("UNO.TXT")}).duplicate);
    // Times in names: two reports of one day are two files, each named whole.
    EXPECT_EQ(st.s.addFiles({QStringLiteral("/home/tienda/Corte 10:30.pdf"), QStringLiteral("/home/tienda/Cierre 11:30.pdf")}).added, 2);
    EXPECT_EQ(st.count(QStringLiteral("Nombre = 'Cierre 11:30.pdf'")), 1);
#endif
}

TEST(BackupListStore, NamesWithBlanksAccentsAndQuotesAreStoredAsTheyAre)
{
    Store st;
    const QStringList names = {QStringLiteral("Corte de caja.pdf"), QStringLiteral("Año 2026 ñandú.xls"),
                               QStringLiteral("O'Brien's notas.txt")};
    QStringList paths;
    for (const QString& n : names) paths << sep + QStringLiteral("docs") + sep + n;
    EXPECT_EQ(st.s.addFiles(paths).added, 3);
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(st.c.scalar(QStringLiteral("select Ruta from tbl_app_archivos where Nombre = ?"), {names[i]}).toString(),
                  paths[i]);
    }
    // The quoted name is found again by the duplicate rule.
    EXPECT_TRUE(st.s.addFiles({sep + QStringLiteral("z") + sep + names[2]}).duplicate);
}

TEST(BackupListStore, FoldersEndWithTheSeparatorAndAreNamedByTheirLastPart)
{
    Store st;
    const QString datos = sep + QStringLiteral("home") + sep + QStringLiteral("Datos");
    st.s.addFolders({datos, datos + QStringLiteral("2") + sep});
    EXPECT_EQ(st.c.scalar(QStringLiteral("select Ruta from tbl_app_archivos where Nombre = 'Datos'")).toString(), datos + sep);
    EXPECT_EQ(st.c.scalar(QStringLiteral("select Ruta from tbl_app_archivos where Nombre = 'Datos2'")).toString(), datos + QStringLiteral("2") + sep);
#ifdef Q_OS_WIN
    EXPECT_EQ(fileNamePart(QStringLiteral("C:\\Datos")), QStringLiteral("Datos"));
    EXPECT_EQ(fileNamePart(QStringLiteral("C:archivo.txt")), QStringLiteral("archivo.txt"));
#else
    EXPECT_EQ(fileNamePart(QStringLiteral("/srv/C:\\Datos")), QStringLiteral("C:\\Datos"));
    st.s.addFolders({QStringLiteral("/home/tienda/Cortes 10:30")});
    EXPECT_EQ(st.count(QStringLiteral("Nombre = 'Cortes 10:30'")), 1);
#endif
}

TEST(BackupListStore, SystemChoiceReplacesOnlyTemplateRows)
{
    Store st;
    st.s.addFiles({sep + QStringLiteral("mio.txt")});
    st.s.replaceCompanyRows(st.t.root(), QStringLiteral("Abarrotes Centro"), QStringLiteral("Abarrotes_Centro.mdb"));
    st.s.chooseSystem(3);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 1")), 0);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 0")), 1);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 2")), 2);
    st.s.chooseSystem(1);
    EXPECT_GT(st.count(QStringLiteral("Interno = 1")), 0);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 1 and Nombre like '%Refaccionaria%'")), 2);
    st.s.chooseSystem(2);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 1 and Nombre like '%Refaccionaria%'")), 0);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 0")) + st.count(QStringLiteral("Interno = 2")), 3);

    // The templates cannot be read: the rows of the system chosen before stay.
    const int before = st.count(QStringLiteral("Interno = 1"));
    test::TempRoot::exec(st.t.root().dataCenterDb(2),
                         QStringLiteral("alter table tbl_app_archivostemplates rename to plantillas_movidas"));
    EXPECT_THROW(st.s.chooseSystem(0), DbError);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 1")), before);
}

TEST(BackupListStore, CompanyRowsPointAtThePointOfSale4Folder)
{
    Store st;
    st.s.replaceCompanyRows(st.t.root(), QStringLiteral("Abarrotes Centro"), QStringLiteral("Abarrotes_Centro.mdb"));
    st.s.replaceCompanyRows(st.t.root(), QStringLiteral("Ferretería Norte"), QStringLiteral("Ferreteria_Norte.mdb"));
    const BackupList rows = st.s.rows();
    BackupList company;
    for (const BackupRow& r : rows)
        if (r.interno == 2) company << r;
    ASSERT_EQ(company.size(), 2);
    EXPECT_EQ(company[0].ruta, st.t.root().pointOfSale4Dir() + QStringLiteral("Ferreteria_Norte.mdb"));
    EXPECT_EQ(company[0].tipo, 1);
    EXPECT_EQ(company[1].ruta, st.t.root().pointOfSale4Dir() + QStringLiteral("Ferretería Norte") + sep + QStringLiteral("Reportes") + sep);
    EXPECT_EQ(company[1].nombre, QStringLiteral("Reportes_Ferretería Norte"));
    EXPECT_EQ(company[1].tipo, 2);
}

TEST(BackupListStore, ARowOverTheColumnSizeIsRefused)
{
    Store st;
    EXPECT_THROW(st.s.addFiles({sep + QString(300, QLatin1Char('a'))}), DbError);
    EXPECT_EQ(st.count(QStringLiteral("Interno = 0")), 0);
}
