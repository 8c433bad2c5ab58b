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

void makeDir(const QString& path, QStringList& report)
{
    if (QFileInfo(path).isDir()) return;
    if (!QDir().mkpath(path)) throw std::runtime_error((QStringLiteral("No se pudo crear la carpeta ") + native(path)).toStdString());
    QFile::setPermissions(path, kOwnerOnlyDir);
    report << QStringLiteral("carpeta creada: ") + native(path);
}

void execAll(QSqlDatabase& db, const QStringList& statements)
{
    for (const QString& s : statements) {
        QSqlQuery q(db);
        if (!q.exec(s)) throw DbError(sqlErrorText(q.lastError()) + QStringLiteral(" [") + s + QLatin1Char(']'));
    }
}

// Creates a fresh SQLite database file (WAL mode), fills it through `fill`
// inside one transaction. Keeps an existing file unless `force`.
bool createDatabase(const QString& path, bool force, QStringList& report,
                    const std::function<void(Connection&)>& fill)
{
    if (QFileInfo::exists(path)) {
        if (!force) {
            report << QStringLiteral("ya existe, se conserva (use --force para reemplazarla): ") + native(path);
            return false;
        }
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(path + suffix);
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        // Creating needs a plain open; the programs' connections never create.
        const QString name = QStringLiteral("setup-create-") + path;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            if (!db.open()) throw DbError(QStringLiteral("No se pudo crear ") + native(path) + QStringLiteral(": ") + sqlErrorText(db.lastError()));
            execAll(db, {QStringLiteral("PRAGMA journal_mode=WAL")});
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    QFile::setPermissions(path, kOwnerOnlyFile);
    {
        Connection c(QStringLiteral("setup"), path);
        WriteTransaction t(c);
        fill(c);
        t.commit();
    }
    report << QStringLiteral("base de datos creada: ") + native(path);
    return true;
}

void run(Connection& c, const QStringList& statements)
{
    for (const QString& s : statements) c.exec(s);
}

void seedSettings(Connection& c, const schema::SettingsSeed* rows, int count, const char* descColumn)
{
    const QString sql = QStringLiteral("insert into tbl_app_configuracion (Id, %1, Valor) values (?, ?, ?)")
                            .arg(QLatin1String(descColumn));
    for (int i = 0; i < count; ++i)
        c.exec(sql, {rows[i].id, QString::fromUtf8(rows[i].descripcion), QString::fromUtf8(rows[i].valor)});
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
    run(c, schema::companyTables());
    int n = 0;
    const schema::SettingsSeed* rows = schema::branchSettings(&n);
    seedSettings(c, rows, n, "Nombre");
    c.exec(QStringLiteral("update tbl_app_configuracion set Valor = ? where Id = 169"), {branchName});
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
        QFile::remove(to);
        if (!QFile::copy(from, to))
            throw std::runtime_error((QStringLiteral("No se pudo instalar ") + native(to)).toStdString());
        QFile::setPermissions(to, kOwnerOnlyFile | QFileDevice::ExeOwner);
        report << QStringLiteral("herramienta instalada: ") + native(to);
    }
}

}  // namespace

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
    makeDir(root.drive(), report);
    QFile::setPermissions(root.drive(), kOwnerOnlyDir);
    for (int edition : {1, 2}) makeDir(root.editionDir(edition) + QStringLiteral("Db"), report);
    makeDir(root.outboxDir(), report);
    makeDir(root.pointOfSale5Dir(), report);
    makeDir(root.pointOfSale4ImagesDir(), report);
    const QList<CompanySeed> companies = installedCompanies();
    for (const CompanySeed& co : companies) makeDir(root.pointOfSale4ReportsDir(co.empresa), report);
    const QList<TemplateRow> templates = templateRows(root);
    for (const TemplateRow& t : templates)
        if (t.tipo == 2) makeDir(t.ruta, report);

    const bool force = options.force;
    // The data-center databases of both editions.
    for (int edition : {1, 2}) {
        const bool created = createDatabase(root.dataCenterDb(edition), force, report, [&](Connection& c) {
            run(c, schema::dataCenterTables());
            int n = 0;
            const schema::SettingsSeed* rows = schema::dataCenterSettings(&n);
            seedSettings(c, rows, n, "Descripcion");
            for (const TemplateRow& t : templates)
                c.exec(QStringLiteral("insert into tbl_app_archivostemplates (Ruta, Nombre, Tipo, Interno, Sistema) "
                                      "values (?, ?, ?, 1, ?)"),
                       {t.ruta, t.nombre, t.tipo, t.sistema});
            // The installed list starts with the templates of the stored system (PDV4).
            c.exec(QStringLiteral("insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) select Ruta, Nombre, "
                                  "Tipo, Interno from tbl_app_archivostemplates where Sistema = 'PDV4'"));
            if (options.demo) demo::fillDataCenter(c, root, edition);
        });
        (void)created;
    }

    // Point-of-sale 5: the company list lives in company 1's own database.
    for (const CompanySeed& co : companies) {
        const QString path = root.companyDb(co.baseDeDatos);
        createDatabase(path, force, report, [&](Connection& c) {
            if (co.id == 1) {
                run(c, schema::pointOfSaleCompanyList());
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
        run(c, schema::pointOfSale4CompanyList());
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

}  // namespace dc
