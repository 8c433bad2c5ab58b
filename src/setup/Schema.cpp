#include "setup/Schema.h"

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
             .arg(text("Descripcion", 255), text("Valor", 255))},
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
            .arg(text("Nombre", 50), text("Valor", 250)),
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

const SettingsSeed* dataCenterSettings(int* count)
{
    static const SettingsSeed rows[] = {
        {1, "Servidor de respaldo (índice de la lista KOVA Server 1 a 23)", "0"},
        {2, "Usuario de la cuenta de respaldo", ""},
        {3, "Contraseña de la cuenta de respaldo", ""},
        {4, "Hora del respaldo diario (HH:MM)", "20:00"},
        {5, "Respaldos automáticos activados (1 sí, 0 no)", "0"},
        {6, "Sistema de punto de venta (0 PDV 4.0, 1 Refaccionaria 1.0, 2 PDV 3.0, 3 Ninguno)", "0"},
        {7, "Nube KOVA activada (1 sí, 0 no)", "0"},
        {8, "Servidor de la Nube KOVA", ""},
        {9, "Usuario saliente de la Nube KOVA", ""},
        {10, "Contraseña saliente de la Nube KOVA", ""},
        {11, "Usuario entrante de la Nube KOVA", ""},
        {12, "Contraseña entrante de la Nube KOVA", ""},
        {13, "Tiempo de actualización de la Nube KOVA en minutos", "10"},
        {14, "Conexión segura (TLS) con el servicio de respaldo (0 no, 1 si el servidor la ofrece, 2 obligatoria)", "0"},
        {15, "Conexión segura (TLS) con la Nube KOVA (0 no, 1 si el servidor la ofrece, 2 obligatoria)", "1"},
    };
    *count = static_cast<int>(std::size(rows));
    return rows;
}

const SettingsSeed* branchSettings(int* count)
{
    static const SettingsSeed rows[] = {
        {168, "NubeVentasGenerales", "1"},
        {169, "NubeSucursal", ""},
        {170, "NubeCatalogoProductos", "0"},
        {171, "NubeExistencias", "0"},
        {172, "NubeVentasDetalladas", "0"},
    };
    *count = static_cast<int>(std::size(rows));
    return rows;
}

}  // namespace dc::schema
