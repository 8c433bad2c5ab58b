#include "platform/Failure.h"
#include "platform/FolderAccess.h"
#include "platform/InstallRoot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace dc;

TEST(InstallRoot, EveryFixedPathHangsFromTheDriveRoot)
{
#ifdef Q_OS_WIN
    EXPECT_EQ(InstallRoot::defaultDriveRoot(), QStringLiteral("C:\\"));
    EXPECT_EQ(InstallRoot(QStringLiteral("C:/")).dataCenterDb(2), QStringLiteral("C:\\KOVA_VazivoZeRurov_2\\Db\\KOVA_VazivoZeRurov.mdb"));
    const InstallRoot r(QStringLiteral("C:/tmp/raiz/"));
    const QString s = QDir::separator();
    EXPECT_EQ(r.drive(), QStringLiteral("C:\\tmp\\raiz\\"));
#else
    const InstallRoot r(QStringLiteral("/tmp/raiz/"));
    const QString s = QDir::separator();
    EXPECT_EQ(r.drive(), QStringLiteral("/tmp/raiz") + s);
#endif
    EXPECT_EQ(r.dataCenterDb(2), r.drive() + QStringLiteral("KOVA_VazivoZeRurov_2") + s + QStringLiteral("Db") + s
                                     + QStringLiteral("KOVA_VazivoZeRurov.mdb"));
    EXPECT_EQ(r.dataCenterDb(1), r.drive() + QStringLiteral("KOVA_VazivoZeRurov_1") + s + QStringLiteral("Db") + s
                                     + QStringLiteral("KOVA_VazivoZeRurov.mdb"));
    EXPECT_EQ(r.companyDb(QStringLiteral("E2.mdb")), r.drive() + QStringLiteral("KOVA_PuntoDeVenta_5") + s + QStringLiteral("E2.mdb"));
    EXPECT_EQ(r.pointOfSale4ReportsDir(QStringLiteral("Abarrotes")),
              r.drive() + QStringLiteral("KOVA_PuntoDeVenta_4") + s + QStringLiteral("Abarrotes") + s
                  + QStringLiteral("Reportes") + s);
    EXPECT_EQ(r.outboxDir(), r.drive() + QStringLiteral("KOVA_VazivoZeRurov_2") + s + QStringLiteral("Bandeja_De_Salida"));
    EXPECT_EQ(r.backupTool(), r.editionDir(2) + QStringLiteral("KOVA_BackUp.exe"));
    EXPECT_EQ(r.pointOfSale4ImagesDir(), r.pointOfSale4Dir() + QStringLiteral("Imagenes") + s);
}

// The access lists of the install's folders on a shared PC: nothing handed
// down from C:\ (protected), programs that only administrators change, data
// that only the accounts running the programs (and administrators) reach.
TEST(FolderAccess, ProgramsAreAdministratorsAndDataAreTheAccountsOwn)
{
    const QString owner = QStringLiteral("S-1-5-21-1004336348-1177238915-682003330-1001");
    const QString other = QStringLiteral("S-1-5-21-1004336348-1177238915-682003330-1002");
    EXPECT_EQ(dc::folderAccessSddl(dc::FolderKind::Programs, {owner}),
              QStringLiteral("D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"));
    EXPECT_EQ(dc::folderAccessSddl(dc::FolderKind::Data, {owner, other}),
              QStringLiteral("D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;") + owner
                  + QStringLiteral(")(A;OICI;0x1301bf;;;") + other + QLatin1Char(')'));
    for (const QString& group : {QStringLiteral(";BU)"), QStringLiteral(";AU)"), QStringLiteral(";WD)"), QStringLiteral(";IU)")})
        EXPECT_FALSE(dc::folderAccessSddl(dc::FolderKind::Data, {owner}).contains(group)) << group.toStdString();
    // Data nobody could reach but administrators, or an entry that is not an account.
    EXPECT_THROW(dc::folderAccessSddl(dc::FolderKind::Data, {}), dc::Failure);
    EXPECT_THROW(dc::folderAccessSddl(dc::FolderKind::Data, {QStringLiteral("S-1-5-21)(A;OICI;FA;;;WD")}), dc::Failure);
#ifdef _WIN32
    // Windows: the running account and a named one are found, an unknown name
    // is said; applying both lists succeeds and the folder stays usable by
    // this account (Wine maps the list to Unix modes: the list itself is
    // checked above).
    const QString me = dc::accountSid({});
    EXPECT_TRUE(me.startsWith(QStringLiteral("S-1-5-"))) << me.toStdString();
    try {
        dc::accountSid(QStringLiteral("cuenta-que-no-existe-en-este-equipo"));
        ADD_FAILURE() << "an unknown account must be refused";
    } catch (const dc::Failure& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("cuenta-que-no-existe-en-este-equipo"))) << e.text().toStdString();
    }
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Db")));
    dc::applyFolderAccess(dir.path(), dc::FolderKind::Programs, {me});
    dc::applyFolderAccess(dir.filePath(QStringLiteral("Db")), dc::FolderKind::Data, {me});
    QFile file(dir.filePath(QStringLiteral("Db/prueba.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write("dato"), 4);
    file.close();
    EXPECT_THROW(dc::applyFolderAccess(dir.filePath(QStringLiteral("no-existe")), dc::FolderKind::Data, {me}), dc::Failure);
#endif
}
