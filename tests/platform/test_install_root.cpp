#include "platform/Failure.h"
#include "platform/FolderAccess.h"
#include "platform/InstallRoot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#endif

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
    // What the programs and tools write lies in the data folders.
    const QString db1 = r.editionDir(1) + QStringLiteral("Db");
    const QString db2 = r.editionDir(2) + QStringLiteral("Db");
    EXPECT_EQ(r.dataFolders(1), QStringList{db1});
    EXPECT_EQ(r.dataFolders(2), (QStringList{db2, r.outboxDir()}));
    EXPECT_EQ(r.dataDir(2), db2 + s);
    EXPECT_EQ(r.backupToolLog(), db2 + s + QStringLiteral("KOVA_BackUp.log"));
    EXPECT_EQ(r.toolLockFile(QStringLiteral("KOVA_EnviaXML")), db2 + s + QStringLiteral("KOVA_EnviaXML.lock"));
}

// The access lists of the install's folders on a shared PC: nothing handed
// down from C:\ (protected), programs that only administrators change, data
// that only the accounts running the programs (and administrators) reach.
TEST(FolderAccess, ProgramsAreAdministratorsAndDataAreTheAccountsOwn)
{
    const QString owner = QStringLiteral("S-1-5-21-1004336348-1177238915-682003330-1001");
    const QString other = QStringLiteral("S-1-5-21-1004336348-1177238915-682003330-1002");
    const QString programs = QStringLiteral("D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    EXPECT_EQ(dc::folderAccessSddl(dc::FolderKind::Programs, {owner}), programs);
    EXPECT_EQ(dc::folderAccessSddl(dc::FolderKind::Programs, {}), programs);
    // Each account once, in the order given.
    EXPECT_EQ(dc::folderAccessSddl(dc::FolderKind::Data, {owner, other, owner}),
              QStringLiteral("D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;") + owner
                  + QStringLiteral(")(A;OICI;0x1301bf;;;") + other + QLatin1Char(')'));
    // Every user, authenticated, anyone, interactive: no entry on the data.
    for (const QString& group : {QStringLiteral(";BU)"), QStringLiteral(";AU)"), QStringLiteral(";WD)"), QStringLiteral(";IU)")})
        EXPECT_FALSE(dc::folderAccessSddl(dc::FolderKind::Data, {owner}).contains(group)) << group.toStdString();
    // Data nobody could reach but administrators, an entry that is not an
    // account, or a group of every user given as an account.
    EXPECT_THROW(dc::folderAccessSddl(dc::FolderKind::Data, {}), dc::Failure);
    EXPECT_THROW(dc::folderAccessSddl(dc::FolderKind::Data, {QStringLiteral("S-1-5-21)(A;OICI;FA;;;WD")}), dc::Failure);
    for (const QString& everybody : {QStringLiteral("S-1-1-0"), QStringLiteral("S-1-5-11"), QStringLiteral("S-1-5-32-545")})
        EXPECT_THROW(dc::folderAccessSddl(dc::FolderKind::Data, {owner, everybody}), dc::Failure) << everybody.toStdString();
}

#ifdef _WIN32
namespace {
// The name of a well-known account on this PC (the names depend on its language).
QString wellKnownName(const wchar_t* sidText)
{
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(sidText, &sid)) return {};
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameSize = 256;
    DWORD domainSize = 256;
    SID_NAME_USE use;
    const bool found = LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use);
    LocalFree(sid);
    return found ? QString::fromWCharArray(name) : QString();
}
}  // namespace
#endif

// The accounts and folders of this PC: the running account is found, an
// unknown name and a group are refused by name; applying both lists to a
// folder succeeds, and it stays usable by this account.
TEST(FolderAccess, AccountsAreFoundAndFoldersTakeTheirLists)
{
#ifdef _WIN32
    const QString me = dc::accountSid({});
    EXPECT_TRUE(me.startsWith(QStringLiteral("S-1-5-"))) << me.toStdString();
    EXPECT_EQ(dc::accountSid(QString::fromLocal8Bit(qgetenv("USERNAME"))), me);
    for (const QString& refused : {QStringLiteral("cuenta-que-no-existe-en-este-equipo"), wellKnownName(L"S-1-1-0"),
                                   wellKnownName(L"S-1-5-32-545")}) {
        ASSERT_FALSE(refused.isEmpty());
        try {
            dc::accountSid(refused);
            ADD_FAILURE() << refused.toStdString() << " must be refused";
        } catch (const dc::Failure& e) {
            EXPECT_TRUE(e.text().contains(QLatin1Char('"') + refused + QLatin1Char('"'))) << e.text().toStdString();
        }
    }

    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Db"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Db")));
    QFile before(dir.filePath(QStringLiteral("Db/antes.txt")));
    ASSERT_TRUE(before.open(QIODevice::WriteOnly));
    before.close();
    dc::applyFolderAccess(dir.path(), dc::FolderKind::Programs, {me});
    dc::applyFolderAccess(db, dc::FolderKind::Data, {me});
    // Applying again (an upgrade) is a repair, not a failure.
    dc::applyFolderAccess(db, dc::FolderKind::Data, {me});
    // What the folders allow now is Windows's to enforce: Wine maps a list to
    // Unix modes and reads back one of its own making (owner, SYSTEM,
    // everyone), so the lists themselves are checked above.
    QFile file(dir.filePath(QStringLiteral("Db/prueba.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write("dato"), 4);
    file.close();
    EXPECT_TRUE(QFile::remove(before.fileName()));
    EXPECT_TRUE(QFile::rename(file.fileName(), before.fileName()));
    try {
        dc::applyFolderAccess(dir.filePath(QStringLiteral("no-existe")), dc::FolderKind::Data, {me});
        ADD_FAILURE() << "a missing folder must be said";
    } catch (const dc::Failure& e) {
        EXPECT_TRUE(e.text().contains(QDir::toNativeSeparators(dir.filePath(QStringLiteral("no-existe")))))
            << e.text().toStdString();
    }
#else
    // Elsewhere there are no Windows accounts, and asking for one says so.
    EXPECT_THROW(dc::accountSid(QStringLiteral("caja")), dc::Failure);
#endif
}
