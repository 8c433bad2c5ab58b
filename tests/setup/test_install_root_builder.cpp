#include "ftpbackup/TemporaryCopy.h"
#include "platform/FolderAccess.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "setup/InstallRootBuilder.h"
#include "setup/Schema.h"
#include "support/TempRoot.h"
#include "support/ToolProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <iostream>

#ifdef Q_OS_WIN
extern Q_CORE_EXPORT int qt_ntfs_permission_lookup;  // QFileInfo reads ACLs while it is not 0
#endif

using namespace dc;

namespace {
int count(const QString& db, const QString& sql)
{
    return test::TempRoot::scalar(db, sql).toInt();
}

// Every row of the database's kind, and no other, with its name and first value.
void expectFirstValues(const QString& db, SettingsDatabase database)
{
    const QList<SettingsRowEntry> rows = settingsRowsOf(database);
    EXPECT_EQ(count(db, QStringLiteral("select count(*) from tbl_app_configuracion")), rows.size()) << db.toStdString();
    // (A company's branch name is written after its rows, a null text when there is none.)
    const QString select = QStringLiteral("select %1 || '=' || coalesce(Valor, '') from tbl_app_configuracion where Id = ?")
                               .arg(schema::settingsNameColumn(database));
    for (const SettingsRowEntry& row : rows)
        EXPECT_EQ(test::TempRoot::scalar(db, select, {static_cast<int>(row.id)}).toString(),
                  QString::fromUtf8(row.name) + QLatin1Char('=') + QString::fromUtf8(row.defaultValue))
            << row.id;
}
}  // namespace

TEST(InstallRootBuilder, LaysOutBothEditionsAndThePointOfSaleDatabases)
{
    test::TempRoot t;
    const InstallRoot& r = t.root();
    for (int edition : {1, 2}) {
        const QString db = r.dataCenterDb(edition);
        EXPECT_EQ(count(db, QStringLiteral("select count(*) from tbl_app_configuracion where Id between 1 and 13")), 13);
        EXPECT_EQ(count(db, QStringLiteral("select count(*) from tbl_app_configuracion where Descripcion = ''")), 0);
        expectFirstValues(db, SettingsDatabase::DataCenter);
        for (const char* sys : {"PDV4", "REFA", "PDV3"})
            EXPECT_GT(count(db, QStringLiteral("select count(*) from tbl_app_archivostemplates where Sistema = '%1' and Interno = 1")
                                    .arg(QLatin1String(sys))), 0) << sys;
        EXPECT_EQ(count(db, QStringLiteral("select count(*) from tbl_app_Log")), 0);
        EXPECT_EQ(count(db, QStringLiteral("select count(*) from tbl_app_TareasManuales")), 0);
        EXPECT_EQ(count(db, QStringLiteral("select count(*) from tbl_app_registros")), 0);
        EXPECT_EQ(test::TempRoot::scalar(db, QStringLiteral("pragma journal_mode")).toString(), QStringLiteral("wal"));
    }
    // Template rows point at things that exist under the root.
    Connection c(QStringLiteral("t"), r.dataCenterDb(2));
    QSqlQuery q = c.query(QStringLiteral("select Ruta, Tipo from tbl_app_archivostemplates"));
    while (q.next()) {
        const QString ruta = q.value(0).toString();
        EXPECT_TRUE(ruta.startsWith(r.drive())) << ruta.toStdString();
        EXPECT_TRUE(QFileInfo::exists(ruta)) << ruta.toStdString();
        if (q.value(1).toInt() == 2) {
            EXPECT_TRUE(ruta.endsWith(QDir::separator()));
        }
    }
    // Company 1 is the point-of-sale database itself; at least two more, each with its own file.
    const QString pos = r.pointOfSale5Db();
    EXPECT_EQ(test::TempRoot::scalar(pos, QStringLiteral("select BaseDeDatos from tbl_app_empresas where Id = 1")).toString(),
              QStringLiteral("KOVA_PuntoDeVenta.mdb"));
    Connection p(QStringLiteral("p"), pos);
    QSqlQuery companies = p.query(QStringLiteral("select Empresa, BaseDeDatos from tbl_app_empresas"));
    int n = 0;
    while (companies.next()) {
        ++n;
        const QString file = r.companyDb(companies.value(1).toString());
        EXPECT_EQ(count(file, QStringLiteral("select count(*) from tbl_app_configuracion where Id between 168 and 172")), 5);
        expectFirstValues(file, SettingsDatabase::Company);
        EXPECT_EQ(count(file, QStringLiteral("select count(*) from tbl_web_acciones")), 0);
        EXPECT_TRUE(QFileInfo(r.pointOfSale4ReportsDir(companies.value(0).toString())).isDir());
    }
    EXPECT_GE(n, 3);
    EXPECT_TRUE(QFileInfo(r.outboxDir()).isDir());
    EXPECT_TRUE(QFileInfo::exists(r.pointOfSale4Db()));
    // The root holds credentials in clear: owner only (on Windows, its ACL).
#ifdef Q_OS_WIN
    ++qt_ntfs_permission_lookup;
    if (test::runningUnderWine())
        std::cout << "[ NOTE     ] Wine reads no effective rights from an ACL: the root's owner-only ACL is not checked\n";
    else
        EXPECT_EQ(QFileInfo(r.drive()).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);
    --qt_ntfs_permission_lookup;
#else
    EXPECT_EQ(QFileInfo(r.drive()).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);
#endif
}

TEST(InstallRootBuilder, KeepsExistingDatabasesUnlessForcedAndTheModesOfFoldersItDidNotMake)
{
    // A shared folder as the root: it keeps its mode (sticky bit included);
    // what setup makes inside is owner-only from its creation.
    QTemporaryDir dir;
    const InstallRoot r(dir.path());
#ifdef Q_OS_WIN  // no mode bits: the ACLs are checked above
    buildInstallRoot(r, {});
#else
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 01777), 0);
    const mode_t umaskBefore = ::umask(022);
    buildInstallRoot(r, {});
    ::umask(umaskBefore);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(dir.path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 01777u);
    for (const QString& made : {r.editionDir(2), r.outboxDir(), r.pointOfSale5Dir(), r.dataCenterDb(2), r.pointOfSale5Db()}) {
        ASSERT_EQ(::stat(QFile::encodeName(made).constData(), &st), 0) << made.toStdString();
        EXPECT_EQ(st.st_mode & 077, 0u) << made.toStdString();
    }
#endif
    // A database of an earlier setup (without the TLS rows and the log table)
    // gets what it lacks; what it has keeps its values.
    test::TempRoot::setSetting(r.dataCenterDb(2), 2, QStringLiteral("mi_tienda"));
    test::TempRoot::setSetting(r.dataCenterDb(2), 15, QStringLiteral("2"));
    test::TempRoot::exec(r.dataCenterDb(1), QStringLiteral("delete from tbl_app_configuracion where Id > 13"));
    test::TempRoot::exec(r.dataCenterDb(1), QStringLiteral("drop table tbl_app_Log"));
    const QStringList again = buildInstallRoot(r, {});
    EXPECT_EQ(test::TempRoot::setting(r.dataCenterDb(2), 2), QStringLiteral("mi_tienda"));
    EXPECT_EQ(test::TempRoot::setting(r.dataCenterDb(2), 15), QStringLiteral("2"));
    EXPECT_EQ(test::TempRoot::setting(r.dataCenterDb(1), 14), QStringLiteral("0"));
    EXPECT_EQ(test::TempRoot::setting(r.dataCenterDb(1), 15), QStringLiteral("1"));
    expectFirstValues(r.dataCenterDb(1), SettingsDatabase::DataCenter);
    EXPECT_EQ(count(r.dataCenterDb(1), QStringLiteral("select count(*) from tbl_app_Log")), 0);
    const QString report = again.join(QLatin1Char('\n'));
    EXPECT_TRUE(report.contains(QStringLiteral("se conserva")));
    qsizetype laterRows = 0;
    for (const SettingsRowEntry& row : settingsRowsOf(SettingsDatabase::DataCenter)) laterRows += row.id > 13 ? 1 : 0;
    EXPECT_EQ(again.filter(QStringLiteral("agregada a ")).size(), 1 + laterRows) << report.toStdString();

    SetupOptions force;
    force.force = true;
    // A replacement that cannot be completed leaves the old database as it was.
    ASSERT_TRUE(QDir().mkpath(r.dataCenterDb(2) + QStringLiteral(".nueva/ocupado")));
    EXPECT_THROW(buildInstallRoot(r, force), std::runtime_error);
    EXPECT_EQ(test::TempRoot::setting(r.dataCenterDb(2), 2), QStringLiteral("mi_tienda"));
    ASSERT_TRUE(QDir(r.dataCenterDb(2) + QStringLiteral(".nueva")).removeRecursively());

    const QStringList forced = buildInstallRoot(r, force);
    EXPECT_EQ(test::TempRoot::setting(r.dataCenterDb(2), 2), QString());
    EXPECT_TRUE(forced.join(QLatin1Char('\n')).contains(QStringLiteral("base de datos creada")));
    EXPECT_FALSE(QFileInfo::exists(r.dataCenterDb(2) + QStringLiteral(".nueva")));

    // Roots that would lay out somebody else's folders are refused.
    EXPECT_FALSE(installRootProblem(QString()).isEmpty());
    EXPECT_FALSE(installRootProblem(QStringLiteral("/")).isEmpty());
    EXPECT_FALSE(installRootProblem(r.dataCenterDb(2)).isEmpty());
    EXPECT_TRUE(installRootProblem(dir.path()).isEmpty());
}

TEST(InstallRootBuilder, DemoDataIsRealistic)
{
    test::TempRoot t(/*demo=*/true);
    const InstallRoot& r = t.root();
    const QString company = r.companyDb(QStringLiteral("Abarrotes_Centro.mdb"));
    EXPECT_GT(count(company, QStringLiteral("select count(distinct substr(fecha, 1, 7)) from tbl_app_saldos")), 5);
    EXPECT_GT(count(company, QStringLiteral("select count(*) from tbl_app_productos where Inactivo = true")), 0);
    EXPECT_GT(count(company, QStringLiteral("select count(*) from tbl_app_productos where Inactivo = false")), 50);
    // Dates are ISO text so ranges compare correctly.
    EXPECT_EQ(count(company, QStringLiteral("select count(*) from tbl_app_saldos where fecha not glob "
                                            "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'")), 0);
    EXPECT_GT(count(r.dataCenterDb(2), QStringLiteral("select count(*) from tbl_app_Log")), 0);
    QStringList images = QDir(r.pointOfSale4ImagesDir()).entryList(QDir::Files);
    EXPECT_GE(images.size(), 3);
}

// The folders that get access lists, in their order: each edition folder
// (programs, read-only to users) before the folders below it that its
// programs and tools write, and every file they write in one of those.
TEST(InstallRootBuilder, EveryFileTheProgramsWriteIsInADataFolderAfterItsEditionFolder)
{
    test::TempRoot t;
    const InstallRoot& r = t.root();
    const QList<FolderRule> rules = installAccessRules(r);
    QStringList order;
    for (const FolderRule& rule : rules)
        order << (rule.kind == FolderKind::Programs ? QStringLiteral("P ") : QStringLiteral("D ")) + rule.folder;
    const QString s = QDir::separator();
    const QString e1 = r.drive() + QStringLiteral("KOVA_VazivoZeRurov_1");
    const QString e2 = r.drive() + QStringLiteral("KOVA_VazivoZeRurov_2");
    EXPECT_EQ(order, (QStringList{QStringLiteral("P ") + e1, QStringLiteral("D ") + e1 + s + QStringLiteral("Db"),
                                  QStringLiteral("P ") + e2, QStringLiteral("D ") + e2 + s + QStringLiteral("Db"),
                                  QStringLiteral("D ") + e2 + s + QStringLiteral("Bandeja_De_Salida")}));
    for (const FolderRule& rule : rules) EXPECT_TRUE(QFileInfo(rule.folder).isDir()) << rule.folder.toStdString();

    const auto inDataFolder = [&](const QString& file, int edition) {
        for (const QString& folder : r.dataFolders(edition))
            if (QFileInfo(file).absolutePath() == QFileInfo(folder).absoluteFilePath()) return true;
        return false;
    };
    for (int edition : {1, 2}) {
        for (const QString& file : {r.dataCenterDb(edition), r.dataCenterDb(edition) + QStringLiteral("-wal"),
                                    r.ftpServerMemoryFile(edition), temporaryCopyRecordFile(r.dataCenterDb(edition))})
            EXPECT_TRUE(inDataFolder(file, edition)) << file.toStdString();
    }
    for (const QString& file : {r.backupToolLog(), r.toolLockFile(QStringLiteral("KOVA_BackUp")),
                                r.toolLockFile(QStringLiteral("KOVA_GeneraXML")), r.toolLockFile(QStringLiteral("KOVA_EnviaXML")),
                                r.outboxDir() + s + QStringLiteral("exportacion.xml")})
        EXPECT_TRUE(inDataFolder(file, 2)) << file.toStdString();
    // The programs themselves are in the edition folders, which are not data.
    EXPECT_FALSE(inDataFolder(r.backupTool(), 2));

#ifdef _WIN32
    // Given to a laid-out root, and again (an upgrade repairs): one line per
    // folder, in order, and the databases stay usable by this account.
    const QString me = accountSid({});
    for (int pass = 0; pass < 2; ++pass) {
        QStringList report;
        applyInstallAccess(r, {me}, report);
        ASSERT_EQ(report.size(), rules.size()) << report.join(QLatin1Char('\n')).toStdString();
        for (qsizetype i = 0; i < rules.size(); ++i)
            EXPECT_TRUE(report[i].startsWith(QStringLiteral("permisos fijados")) && report[i].endsWith(rules[i].folder))
                << report[i].toStdString();
    }
    test::TempRoot::setSetting(r.dataCenterDb(2), 2, QStringLiteral("mi_tienda"));
    EXPECT_EQ(test::TempRoot::setting(r.dataCenterDb(2), 2), QStringLiteral("mi_tienda"));
#endif
}

// datacenter-setup: an account that cannot run the programs stops it before
// it lays out anything (status 2, which the installer tells apart); on
// Windows a plain run sets the lists of every folder of the rules.
TEST(InstallRootBuilder, SetupRefusesAnUnknownAccountAndSetsTheListsOnWindows)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("raiz"));
    const QString setup = QStringLiteral(DC_BUILD_BIN_DIR "/datacenter-setup");
    const test::ToolRun refused = test::runTool(
        setup, {QStringLiteral("--root"), root, QStringLiteral("--cuenta"), QStringLiteral("cuenta-que-no-existe")}, dir.path());
    EXPECT_EQ(refused.exitCode, 2) << refused.text();
#ifdef _WIN32
    EXPECT_TRUE(refused.err.contains(QStringLiteral("\"cuenta-que-no-existe\""))) << refused.text();
#else
    EXPECT_TRUE(refused.err.contains(QStringLiteral("solo existen en Windows"))) << refused.text();
#endif
    EXPECT_FALSE(QFileInfo::exists(root));
#ifdef _WIN32
    const test::ToolRun run = test::runTool(setup, {QStringLiteral("--root"), root}, dir.path(), 120'000);
    ASSERT_EQ(run.exitCode, 0) << run.text();
    const QStringList lines = run.out.split(QLatin1Char('\n')).filter(QStringLiteral("permisos fijados"));
    const QList<FolderRule> rules = installAccessRules(InstallRoot(root));
    ASSERT_EQ(lines.size(), rules.size()) << run.text();
    for (qsizetype i = 0; i < rules.size(); ++i)
        EXPECT_TRUE(lines[i].trimmed().endsWith(rules[i].folder)) << lines[i].toStdString();
#endif
}
