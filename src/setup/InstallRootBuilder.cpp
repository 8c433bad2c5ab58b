#include "setup/InstallRootBuilder.h"

#include "settings/Database.h"
#include "setup/DemoData.h"
#include "setup/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <filesystem>
#include <functional>
#include <stdexcept>

namespace dc {

namespace {

const QFileDevice::Permissions kOwnerOnlyDir =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
const QFileDevice::Permissions kOwnerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString native(const QString& p)
{
    return QDir::toNativeSeparators(p);
}

void execAll(QSqlDatabase& db, const QStringList& statements)
{
    for (const QString& s : statements) {
        QSqlQuery q(db);
        if (!q.exec(s)) throw DbError(sqlErrorText(q.lastError()) + QStringLiteral(" [") + s + QLatin1Char(']'));
    }
}

// A database is built under this name beside its place and takes the real
// name only once complete, so a failure (a full disk) never leaves a database
// without its tables where the programs look for it, and --force never loses
// the old one to a build that did not finish.
QString buildingName(const QString& path)
{
    return path + QStringLiteral(".nueva");
}

void removeOrThrow(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return;
    if (!QFile::remove(path)) throw std::runtime_error((QStringLiteral("No se pudo quitar ") + native(path)).toStdString());
}

// Creates a fresh SQLite database file (WAL mode), owner-only from its
// creation, and fills it through `fill` inside one transaction. Keeps an
// existing file unless `force`.
bool createDatabase(const QString& path, bool force, QStringList& report,
                    const std::function<void(Connection&)>& fill)
{
    if (QFileInfo::exists(path) && !force) {
        report << QStringLiteral("ya existe, se conserva (use --force para reemplazarla): ") + native(path);
        return false;
    }
    makeFolder(QFileInfo(path).absolutePath(), report);
    const QString building = buildingName(path);
    const QStringList journals = {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")};
    removeOrThrow(building);  // left by a setup that did not finish
    for (const QString& suffix : journals) removeOrThrow(building + suffix);
    {
        // SQLite takes an empty file as a new database and gives its journal
        // files the database file's mode.
        QFile file(building);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnlyFile))
            throw std::runtime_error(
                (QStringLiteral("No se pudo crear ") + native(building) + QStringLiteral(": ") + file.errorString())
                    .toStdString());
    }
    try {
        const QString name = QStringLiteral("setup-create-") + building;
        {
            // Creating needs a plain open; the programs' connections never create.
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(building);
            if (!db.open())
                throw DbError(QStringLiteral("No se pudo crear ") + native(building) + QStringLiteral(": ")
                              + sqlErrorText(db.lastError()));
            execAll(db, {QStringLiteral("PRAGMA journal_mode=WAL")});
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        {
            Connection c(QStringLiteral("setup"), building);
            WriteTransaction t(c);
            fill(c);
            t.commit();
        }  // the last close folds the write-ahead log into the file
        // A write-ahead log left by the old database would be replayed into
        // the new one: it goes first.
        for (const QString& suffix : journals) removeOrThrow(path + suffix);
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(building).toStdString(), QFile::encodeName(path).toStdString(), error);
        if (error)
            throw std::runtime_error((QStringLiteral("No se pudo poner en su lugar ") + native(path) + QStringLiteral(": ")
                                      + QString::fromStdString(error.message()))
                                         .toStdString());
    } catch (...) {
        QFile::remove(building);
        for (const QString& suffix : journals) QFile::remove(building + suffix);
        throw;
    }
    report << QStringLiteral("base de datos creada: ") + native(path);
    return true;
}


QString settingsInsert(SettingsDatabase database)
{
    return QStringLiteral("insert into tbl_app_configuracion (Id, %1, Valor) values (?, ?, ?)")
        .arg(schema::settingsNameColumn(database));
}

QVariantList settingsInsertValues(const SettingsRowEntry& row)
{
    return {static_cast<int>(row.id), QString::fromUtf8(row.name), QString::fromUtf8(row.defaultValue)};
}

void seedSettings(Connection& c, SettingsDatabase database)
{
    const QString sql = settingsInsert(database);
    for (const SettingsRowEntry& row : settingsRowsOf(database)) c.exec(sql, settingsInsertValues(row));
}

// Brings a database that an earlier setup made up to the current layout: the
// tables and settings rows it lacks are added, the rows with their first
// values; what it has (every row and value) stays as it is. Existence is
// asked with a select first, so the statements run on Jet as well.
void completeDatabase(const QString& path, const QList<schema::Table>& tables, SettingsDatabase database,
                      QStringList& report)
{
    Connection c(QStringLiteral("setup-complete"), path);
    WriteTransaction t(c);
    const QStringList existing = c.database().tables();
    for (const schema::Table& table : tables) {
        if (existing.contains(table.name, Qt::CaseInsensitive)) continue;
        c.createSchema({table.create});
        report << QStringLiteral("tabla %1 agregada a %2").arg(table.name, native(path));
    }
    const QString insert = settingsInsert(database);
    for (const SettingsRowEntry& row : settingsRowsOf(database)) {
        const QVariant found =
            c.scalar(QStringLiteral("select count(*) from tbl_app_configuracion where Id = ?"), {static_cast<int>(row.id)});
        if (found.toInt() > 0) continue;
        c.exec(insert, settingsInsertValues(row));
        report << QStringLiteral("fila de configuración %1 agregada a %2").arg(static_cast<int>(row.id)).arg(native(path));
    }
    t.commit();
}

struct TemplateRow {
    QString sistema;
    QString ruta;
    QString nombre;
    int tipo;
};

QList<TemplateRow> templateRows(const InstallRoot& root)
{
    const QChar sep = QDir::separator();
    const QString refa = root.drive() + QStringLiteral("KOVA_Refaccionaria_1") + sep;
    const QString pdv3 = root.drive() + QStringLiteral("KOVA_PuntoDeVenta_3") + sep;
    return {
        {QStringLiteral("PDV4"), root.pointOfSale4Db(), QStringLiteral("KOVA_PuntoDeVenta.mdb"), 1},
        {QStringLiteral("PDV4"), root.pointOfSale4ImagesDir(), QStringLiteral("Imagenes"), 2},
        {QStringLiteral("REFA"), refa + QStringLiteral("KOVA_Refaccionaria.mdb"), QStringLiteral("KOVA_Refaccionaria.mdb"), 1},
        {QStringLiteral("REFA"), refa + QStringLiteral("Imagenes") + sep, QStringLiteral("Imagenes_Refaccionaria"), 2},
        {QStringLiteral("PDV3"), pdv3 + QStringLiteral("KOVA_PuntoDeVenta3.mdb"), QStringLiteral("KOVA_PuntoDeVenta3.mdb"), 1},
        {QStringLiteral("PDV3"), pdv3 + QStringLiteral("Respaldos") + sep, QStringLiteral("Respaldos_PDV3"), 2},
    };
}

void fillCompanyDb(Connection& c, const QString& branchName)
{
    c.createSchema(schema::companyTables());
    seedSettings(c, SettingsDatabase::Company);
    c.exec(QStringLiteral("update tbl_app_configuracion set Valor = ? where Id = %1").arg(static_cast<int>(RowBranchName)),
           {branchName});
}

void installTools(const InstallRoot& root, const QString& toolsDir, QStringList& report)
{
    if (toolsDir.isEmpty()) return;
    for (const char* tool : {kBackupToolName, kGenerateToolName, kSendToolName}) {
        const QString from = QDir(toolsDir).filePath(QLatin1String(tool));
        const QString to = root.editionDir(2) + QLatin1String(tool);
        if (!QFileInfo::exists(from)) {
            report << QStringLiteral("no se encontró la herramienta para instalar: ") + native(from);
            continue;
        }
        // Installed by a package beside the programs already: that very file.
        if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath()) {
            report << QStringLiteral("herramienta ya instalada: ") + native(to);
            continue;
        }
        QFile::remove(to);
        if (!QFile::copy(from, to))
            throw std::runtime_error((QStringLiteral("No se pudo instalar ") + native(to)).toStdString());
        QFile::setPermissions(to, kOwnerOnlyFile | QFileDevice::ExeOwner);
        report << QStringLiteral("herramienta instalada: ") + native(to);
    }
}

}  // namespace

void makeFolder(const QString& path, QStringList& report)
{
    const QString folder = QDir::cleanPath(path);
    if (QFileInfo(folder).isDir()) return;
    const QString parent = QFileInfo(folder).path();
    if (parent != folder) makeFolder(parent, report);
    if (!QDir().mkdir(folder, kOwnerOnlyDir) || !QFile::setPermissions(folder, kOwnerOnlyDir))
        throw std::runtime_error((QStringLiteral("No se pudo crear la carpeta ") + native(folder)).toStdString());
    report << QStringLiteral("carpeta creada: ") + native(folder);
}

QString installRootProblem(const QString& given)
{
    if (given.trimmed().isEmpty()) return QStringLiteral("no se indicó la carpeta de la raíz de instalación");
    const QFileInfo info(given);
    const QString absolute = QDir::cleanPath(info.absoluteFilePath());
    if (info.exists() && !info.isDir())
        return QStringLiteral("la raíz de instalación ") + native(absolute) + QStringLiteral(" no es una carpeta");
    // The top of a file system holds everybody's folders; only the platform's
    // own drive root (C:\ on Windows) is an install root.
    if (QDir(absolute).isRoot() && InstallRoot(absolute).drive() != InstallRoot(InstallRoot::defaultDriveRoot()).drive())
        return QStringLiteral("la raíz de instalación no puede ser ") + native(absolute);
    return {};
}

QString defaultToolsDir(const QString& programDir, const QString& installedToolsRelative)
{
    if (QFileInfo::exists(QDir(programDir).filePath(QLatin1String(kBackupToolName)))) return programDir;
    return QDir::cleanPath(QDir(programDir).filePath(installedToolsRelative));
}

QList<CompanySeed> installedCompanies()
{
    return {
        {1, QStringLiteral("KOVA Punto de Venta"), QStringLiteral("KOVA_PuntoDeVenta.mdb")},
        {2, QStringLiteral("Abarrotes Centro"), QStringLiteral("Abarrotes_Centro.mdb")},
        {3, QStringLiteral("Ferretería Norte"), QStringLiteral("Ferreteria_Norte.mdb")},
    };
}

QStringList buildInstallRoot(const InstallRoot& root, const SetupOptions& options)
{
    QStringList report;
    if (const QString why = installRootProblem(root.drive()); !why.isEmpty())
        throw std::runtime_error(why.toStdString());
    // Only what setup creates is made owner-only: a root that already exists
    // (a shared folder, say) keeps its mode.
    makeFolder(root.drive(), report);
    for (int edition : {1, 2})
        for (const QString& folder : root.dataFolders(edition)) makeFolder(folder, report);
    makeFolder(root.pointOfSale5Dir(), report);
    makeFolder(root.pointOfSale4ImagesDir(), report);
    const QList<CompanySeed> companies = installedCompanies();
    for (const CompanySeed& co : companies) makeFolder(root.pointOfSale4ReportsDir(co.empresa), report);
    const QList<TemplateRow> templates = templateRows(root);
    for (const TemplateRow& t : templates)
        if (t.tipo == 2) makeFolder(t.ruta, report);

    const bool force = options.force;
    // The data-center databases of both editions.
    for (int edition : {1, 2}) {
        const bool created = createDatabase(root.dataCenterDb(edition), force, report, [&](Connection& c) {
            for (const schema::Table& table : schema::dataCenterTables()) c.createSchema({table.create});
            seedSettings(c, SettingsDatabase::DataCenter);
            for (const TemplateRow& t : templates)
                c.exec(QStringLiteral("insert into tbl_app_archivostemplates (Ruta, Nombre, Tipo, Interno, Sistema) "
                                      "values (?, ?, ?, 1, ?)"),
                       {t.ruta, t.nombre, t.tipo, t.sistema});
            // The installed list starts with the templates of the stored system (PDV4).
            c.exec(QStringLiteral("insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) select Ruta, Nombre, "
                                  "Tipo, Interno from tbl_app_archivostemplates where Sistema = 'PDV4'"));
            if (options.demo) demo::fillDataCenter(c, root, edition);
        });
        if (!created)
            completeDatabase(root.dataCenterDb(edition), schema::dataCenterTables(), SettingsDatabase::DataCenter, report);
    }

    // Point-of-sale 5: the company list lives in company 1's own database.
    for (const CompanySeed& co : companies) {
        const QString path = root.companyDb(co.baseDeDatos);
        createDatabase(path, force, report, [&](Connection& c) {
            if (co.id == 1) {
                c.createSchema(schema::pointOfSaleCompanyList());
                for (const CompanySeed& e : companies)
                    c.exec(QStringLiteral("insert into tbl_app_empresas (Id, Empresa, BaseDeDatos, Sincronizar, "
                                          "ConfiguracionSeparada) values (?, ?, ?, 1, 0)"),
                           {e.id, e.empresa, e.baseDeDatos});
            }
            fillCompanyDb(c, options.demo ? co.empresa + QStringLiteral(" - Matriz") : QString());
            if (options.demo) demo::fillCompany(c, co.id);
        });
    }

    // Point-of-sale 4: its company list and each company's database file.
    createDatabase(root.pointOfSale4Db(), force, report, [&](Connection& c) {
        c.createSchema(schema::pointOfSale4CompanyList());
        for (const CompanySeed& e : companies)
            c.exec(QStringLiteral("insert into tbl_app_empresas (Id, Empresa, BaseDeDatos) values (?, ?, ?)"),
                   {e.id, e.empresa, e.baseDeDatos});
    });
    for (const CompanySeed& co : companies) {
        if (co.id == 1) continue;
        createDatabase(root.pointOfSale4CompanyDb(co.baseDeDatos), force, report, [&](Connection& c) {
            fillCompanyDb(c, QString());
            if (options.demo) demo::fillCompany(c, co.id);
        });
    }
    // The other systems' databases named by the templates.
    for (const TemplateRow& t : templates)
        if (t.tipo == 1 && t.sistema != QStringLiteral("PDV4"))
            createDatabase(t.ruta, force, report, [&](Connection& c) { fillCompanyDb(c, QString()); });

    if (options.demo) demo::fillFiles(root, report);
    installTools(root, options.toolsDir, report);
    return report;
}

QList<FolderRule> installAccessRules(const InstallRoot& root)
{
    // An edition folder's list reaches its data folders until they get their
    // own: each data folder comes after its edition folder.
    QList<FolderRule> rules;
    for (int edition : {1, 2}) {
        QString programs = root.editionDir(edition);
        programs.chop(1);  // the separator
        rules.append({programs, FolderKind::Programs});
        for (const QString& folder : root.dataFolders(edition)) rules.append({folder, FolderKind::Data});
    }
    return rules;
}

void applyInstallAccess(const InstallRoot& root, const QStringList& accountSids, QStringList& report)
{
    for (const FolderRule& rule : installAccessRules(root)) {
        applyFolderAccess(rule.folder, rule.kind, accountSids);
        report << (rule.kind == FolderKind::Programs
                       ? QStringLiteral("permisos fijados (programas: los cambian solo los administradores): ")
                       : QStringLiteral("permisos fijados (datos: solo las cuentas que usan los programas): "))
                      + native(rule.folder);
    }
}

}  // namespace dc
