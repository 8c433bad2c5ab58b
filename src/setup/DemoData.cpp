#include "setup/DemoData.h"

#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "setup/InstallRootBuilder.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

namespace dc::demo {

namespace {
const char* const kProducts[] = {
    "Refresco de cola 600 ml", "Agua natural 1 L", "Pan blanco grande", "Leche entera 1 L", "Huevo blanco 12 pzas",
    "Arroz 1 kg", "Frijol negro 1 kg", "Azúcar estándar 1 kg", "Aceite vegetal 1 L", "Café soluble 200 g",
    "Galletas surtidas", "Jabón de tocador", "Detergente 1 kg", "Papel higiénico 4 rollos", "Tornillo 1/4\" x 2\"",
    "Martillo de uña", "Cinta aislante", "Foco LED 9 W", "Pintura vinílica 1 L", "Brocha 2\"",
};
}  // namespace

void fillDataCenter(Connection& c, const InstallRoot& root, int edition)
{
    const auto set = [&](int id, const QString& v) {
        c.exec(QStringLiteral("update tbl_app_configuracion set Valor = ? where Id = ?"), {v, id});
    };
    set(RowBackupUser, QStringLiteral("tienda_demo"));
    set(RowBackupPassword, QStringLiteral("Clave2026"));
    set(RowBackupTime, QStringLiteral("21:30"));
    if (edition == 2) {
        set(RowCloudServer, QStringLiteral("127.0.0.1:2122"));
        set(RowCloudOutUser, QStringLiteral("nube_demo"));
        set(RowCloudOutPassword, QStringLiteral("NubeDemo2026"));
        set(RowCloudInUser, QStringLiteral("nube_demo"));
        set(RowCloudInPassword, QStringLiteral("NubeDemo2026"));
        set(RowCloudInterval, QStringLiteral("10"));
        const QDateTime now = QDateTime::currentDateTime();
        const QStringList log = {
            QStringLiteral("Generado: ventas de Abarrotes Centro"),
            QStringLiteral("Enviado: ventas de Abarrotes Centro"),
            QStringLiteral("Generado: catálogo de KOVA Punto de Venta"),
            QStringLiteral("Enviado: catálogo de KOVA Punto de Venta"),
        };
        for (int i = 0; i < log.size(); ++i)
            c.exec(QStringLiteral("insert into tbl_app_Log ([Desc]) values (?)"),
                   {now.addSecs(-3600 * (log.size() - i)).toString(QStringLiteral("dd/MM/yyyy HH:mm ")) + log.at(i)});
    }
    // A user row: the shop's own spreadsheet of suppliers.
    const QString docs = root.drive() + QStringLiteral("Documentos") + QDir::separator();
    c.exec(QStringLiteral("insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) values (?, ?, 1, 0)"),
           {docs + QStringLiteral("Proveedores.csv"), QStringLiteral("Proveedores.csv")});
}

void fillCompany(Connection& c, int companyId)
{
    QRandomGenerator rng(static_cast<quint32>(20260000 + companyId));
    const int productCount = 120;
    for (int id = 1; id <= productCount; ++id) {
        const QString name = QString::fromUtf8(kProducts[(id - 1) % std::size(kProducts)])
                             + QStringLiteral(" (%1)").arg(id);
        c.exec(QStringLiteral("insert into tbl_app_productos (Id, Descripcion, Precio, Existencia, Inactivo) "
                              "values (?, ?, ?, ?, ?)"),
               {id, name, 5 + rng.bounded(500), rng.bounded(200), id % 9 == 0 ? 1 : 0});
    }
    // Six months of sales, 8 to 24 a day, between 08:00 and 21:59.
    const QDate today = QDate::currentDate();
    int saleId = 1;
    for (QDate d = today.addMonths(-6); d <= today; d = d.addDays(1)) {
        const int perDay = 8 + rng.bounded(17);
        for (int i = 0; i < perDay; ++i) {
            const QTime t(8 + rng.bounded(14), rng.bounded(60), rng.bounded(60));
            c.exec(QStringLiteral("insert into tbl_app_saldos (Id, fecha, Total, Cliente) values (?, ?, ?, ?)"),
                   {saleId++, QDateTime(d, t).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                    (50 + rng.bounded(5000)) / 10.0, QStringLiteral("Público en general")});
        }
    }
    // Pending actions, as a manual task leaves them: the last sales of the day.
    for (int id = saleId - 12; id < saleId; ++id)
        c.exec(QStringLiteral("insert into tbl_web_acciones (Id, Tabla, Accion, Status) values (?, "
                              "'Tbl_App_Saldos', 'N', 'N')"),
               {id});
}

void fillFiles(const InstallRoot& root, QStringList& report)
{
    const auto write = [&](const QString& path, int size) {
        makeFolder(QFileInfo(path).absolutePath(), report);
        QFile f(path);
        if (f.exists()) return;
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) return;
        QRandomGenerator rng(static_cast<quint32>(qHash(path)));
        QByteArray data(size, Qt::Uninitialized);
        for (char& ch : data) ch = static_cast<char>(rng.bounded(256));
        f.write(data);
        report << QStringLiteral("archivo de ejemplo: ") + QDir::toNativeSeparators(path);
    };
    const QString images = root.pointOfSale4ImagesDir();
    for (const char* name : {"producto_001.jpg", "producto_002.jpg", "producto_003.jpg", "logo_tienda.png"})
        write(images + QLatin1String(name), 20000 + static_cast<int>(qHash(QLatin1String(name)) % 40000));
    write(root.pointOfSale4ReportsDir(QStringLiteral("Abarrotes Centro")) + QStringLiteral("Corte_de_caja.pdf"), 35000);
    write(root.pointOfSale4ReportsDir(QStringLiteral("Abarrotes Centro")) + QStringLiteral("Inventario.xls"), 52000);
    write(root.drive() + QStringLiteral("Documentos") + QDir::separator() + QStringLiteral("Proveedores.csv"), 4000);
}

}  // namespace dc::demo
