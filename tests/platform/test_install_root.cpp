#include "platform/InstallRoot.h"

#include <QDir>

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
