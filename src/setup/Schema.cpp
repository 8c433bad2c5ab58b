#include "setup/Schema.h"

#include "settings/SettingsRows.h"

namespace dc::schema {

namespace {
QString text(const char* column, int size)
{
    return QStringLiteral("%1 varchar(%2) check (length(%1) <= %2)").arg(QLatin1String(column)).arg(size);
}
}  // namespace

QList<Table> dataCenterTables()
{
    return {
        {QStringLiteral("tbl_app_configuracion"),
         QStringLiteral("create table tbl_app_configuracion (Id integer primary key autoincrement, %1, %2)")
             .arg(text("Descripcion", 255), text("Valor", settingValueMaxLength(SettingsDatabase::DataCenter)))},
        {QStringLiteral("tbl_app_archivos"),
         QStringLiteral("create table tbl_app_archivos (Id integer primary key autoincrement, %1, %2, Tipo integer, "
                        "Interno integer)")
             .arg(text("Ruta", 255), text("Nombre", 255))},
        {QStringLiteral("tbl_app_archivostemplates"),
         QStringLiteral("create table tbl_app_archivostemplates (Id integer primary key autoincrement, %1, %2, "
                        "Tipo integer, Interno integer, %3)")
             .arg(text("Ruta", 255), text("Nombre", 255), text("Sistema", 10))},
        {QStringLiteral("tbl_app_TareasManuales"),
         QStringLiteral("create table tbl_app_TareasManuales (Id integer primary key autoincrement, %1, %2, "
                        "Fecha1 datetime, Fecha2 datetime)")
             .arg(text("Descripcion", 255), text("Valores", 255))},
        {QStringLiteral("tbl_app_Log"),
         QStringLiteral("create table tbl_app_Log (Id integer primary key autoincrement, %1)").arg(text("\"Desc\"", 255))},
        {QStringLiteral("tbl_app_registros"), QStringLiteral("create table tbl_app_registros (Saldos datetime, Productos datetime)")},
        // The backup runs: one row each (the last 365), and the files each left out.
        // Bytes is a float: a Jet integer stops at 2 GiB.
        {QStringLiteral("tbl_app_historial"),
         QStringLiteral("create table tbl_app_historial (Id integer primary key autoincrement, Inicio datetime, Fin datetime, "
                        "%1, Archivos integer, Bytes float, %2, %3)")
             .arg(text("Resultado", 40), text("Servicio", 255), text("Detalle", 255))},
        {QStringLiteral("tbl_app_historial_fallas"),
         QStringLiteral("create table tbl_app_historial_fallas (Id integer primary key autoincrement, Corrida integer, %1, %2)")
             .arg(text("Archivo", 255), text("Error", 255))},
    };
}

QStringList pointOfSaleCompanyList()
{
    return {
        QStringLiteral("create table tbl_app_empresas (Id integer primary key autoincrement, %1, %2, "
                       "Sincronizar boolean default 0, ConfiguracionSeparada boolean default 0)")
            .arg(text("Empresa", 255), text("BaseDeDatos", 255)),
    };
}

QStringList pointOfSale4CompanyList()
{
    return {
        QStringLiteral("create table tbl_app_empresas (Id integer primary key autoincrement, %1, %2)")
            .arg(text("Empresa", 255), text("BaseDeDatos", 255)),
    };
}

QStringList companyTables()
{
    return {
        QStringLiteral("create table tbl_app_configuracion (Id integer primary key autoincrement, %1, %2)")
            .arg(text("Nombre", 50), text("Valor", settingValueMaxLength(SettingsDatabase::Company))),
        // One row per queued record: Id is the record's, not a key.
        QStringLiteral("create table tbl_web_acciones (Id integer, %1, %2, %3)")
            .arg(text("Tabla", 255), text("Accion", 255), text("Status", 255)),
        QStringLiteral("create index ix_web_acciones_status on tbl_web_acciones (Status)"),
        // Dates are ISO-8601 text ("yyyy-mm-dd hh:mm:ss") so ranges compare correctly.
        QStringLiteral("create table tbl_app_saldos (Id integer primary key, fecha datetime, Total numeric, %1)")
            .arg(text("Cliente", 255)),
        QStringLiteral("create index ix_saldos_fecha on tbl_app_saldos (fecha)"),
        QStringLiteral("create table tbl_app_productos (Id integer primary key, %1, Precio numeric, "
                       "Existencia numeric, Inactivo boolean not null default 0)")
            .arg(text("Descripcion", 255)),
    };
}

QString settingsNameColumn(SettingsDatabase database)
{
    return database == SettingsDatabase::DataCenter ? QStringLiteral("Descripcion") : QStringLiteral("Nombre");
}

}  // namespace dc::schema
