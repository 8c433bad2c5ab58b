// KOVA_GeneraXML.exe on its own: what a company's failure does to the others,
// awkward names, files left by an interrupted run, and marks that fail.
#include "cloud/CloudLog.h"
#include "pipeline/ToolHarness.h"
#include "tools/toolsupport/ToolSupport.h"

#include <gtest/gtest.h>

using namespace dc;
using namespace dc::test;

TEST(CloudLog, RowsFitTheColumnOnOneLine)
{
    const QDateTime when(QDate(2026, 3, 12), QTime(9, 5));
    EXPECT_EQ(cloudLogText(when, QStringLiteral("Enviado: a.xml")), QStringLiteral("12/03/2026 09:05 Enviado: a.xml"));
    EXPECT_EQ(cloudLogText(when, QStringLiteral("Error: uno\r\ndos")), QStringLiteral("12/03/2026 09:05 Error: uno  dos"));
    const QString longText = QString(300, QLatin1Char('x'));
    EXPECT_EQ(cloudLogText(when, longText).size(), kCloudLogTextMax);
    // A character outside the basic plane is never cut in two.
    const QString emoji = QString(237, QLatin1Char('y')) + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("zz");
    const QString cut = cloudLogText(when, emoji);
    EXPECT_EQ(cut.size(), kCloudLogTextMax - 1);
    EXPECT_FALSE(cut.back().isHighSurrogate());
}

TEST(GenerateTool, AMissingCompanyDatabaseIsLoggedAndTheOthersAreStillExported)
{
    TempRoot root(true, true);  // every demo company has 12 pending actions
    const QString centro = companyDb(root, 2);
    ASSERT_TRUE(QFile::rename(centro, centro + QStringLiteral(".moved")));

    const ToolRun r = generate(root);
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.exitCode, 1) << r.text();
    EXPECT_TRUE(r.out.contains(QStringLiteral("2 archivo(s) generado(s) con 24 accion(es); 1 empresa(s) con error")))
        << r.text();
    const QStringList files = outboxEntries(root);
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(files.at(0).startsWith(QStringLiteral("Ferreteria_Norte_Matriz_3_")));
    EXPECT_TRUE(files.at(1).startsWith(QStringLiteral("KOVA_Punto_de_Venta_Matriz_1_")));
    EXPECT_EQ(pendingActions(companyDb(root, 1)), 0);
    EXPECT_EQ(pendingActions(companyDb(root, 3)), 0);

    const QStringList errors = logRows(root).filter(QStringLiteral("Error al generar"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("Error al generar la exportación de Abarrotes Centro: No se pudo "
                                                       "abrir la base de datos ")
                                        + QDir::toNativeSeparators(centro)))
        << errors.first().toStdString();
    EXPECT_LE(errors.first().size(), kCloudLogTextMax);

    // Back in place, its actions go at the next run.
    ASSERT_TRUE(QFile::rename(centro + QStringLiteral(".moved"), centro));
    EXPECT_EQ(generate(root).exitCode, 0);
    EXPECT_EQ(outboxEntries(root).size(), 3);
    EXPECT_EQ(pendingActions(centro), 0);
}

TEST(GenerateTool, ExportsEveryPendingRowAsIsUnderAPlainNameAndLeavesNoPartialFile)
{
    auto root = demoRootWithoutActions();
    const QString centro = companyDb(*root, 2);
    // Names that XML and file names must both survive.
    const QString branch = QStringLiteral("Sucursal \"Centro\" <Sur> & Ñandú") + QChar(0x01);
    TempRoot::exec(centro, QStringLiteral("update tbl_app_configuracion set Valor = ? where Id = 169"), {branch});
    // Pending twice (two tasks over the same day), another status, and a product.
    for (const auto& [id, tabla, status] : {std::tuple{7, "Tbl_App_Saldos", "N"}, std::tuple{7, "Tbl_App_Saldos", "N"},
                                            std::tuple{8, "Tbl_App_Saldos", "X"}, std::tuple{9, "Tbl_App_Productos", "N"}})
        TempRoot::exec(centro, QStringLiteral("insert into tbl_web_acciones (Id, Tabla, Accion, Status) values (?, ?, 'N', ?)"),
                       {id, QLatin1String(tabla), QLatin1String(status)});
    // A run that was killed before renaming its export left this behind.
    writeFile(QDir(root->root().outboxDir()).filePath(partialExportName(QStringLiteral("Viejo_2_20200101-000000-000.xml"))),
              "<ExportacionNube");

    const ToolRun r = generate(*root);
    EXPECT_EQ(r.exitCode, 0) << r.text();
    const QStringList files = outboxEntries(*root);
    ASSERT_EQ(files.size(), 1) << files.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(files.first().startsWith(QStringLiteral("Sucursal_Centro_Sur_Nandu_2_"))) << files.first().toStdString();

    const Export x = readExport(QDir(root->root().outboxDir()).filePath(files.first()));
    ASSERT_TRUE(x.error.isEmpty()) << x.error.toStdString();
    EXPECT_EQ(x.branch, QStringLiteral("Sucursal \"Centro\" <Sur> & Ñandú") + QChar(QChar::ReplacementCharacter));
    EXPECT_EQ(x.settings.value(169), x.branch);
    EXPECT_EQ(x.actions, (QStringList{QStringLiteral("Tbl_App_Saldos:7"), QStringLiteral("Tbl_App_Saldos:7"),
                                      QStringLiteral("Tbl_App_Productos:9")}));
    EXPECT_EQ(TempRoot::scalar(centro, QStringLiteral("select group_concat(Status, '') from (select Status from "
                                                      "tbl_web_acciones order by rowid)"))
                  .toString(),
              QStringLiteral("EEXE"));
}

TEST(GenerateTool, ActionsThatCannotBeMarkedStayPendingAndTheirFileIsTakenBack)
{
    auto root = demoRootWithoutActions();
    const QString centro = companyDb(*root, 2);
    TempRoot::exec(centro, QStringLiteral("insert into tbl_web_acciones (Id, Tabla, Accion, Status) values (5, "
                                          "'Tbl_App_Saldos', 'N', 'N')"));
    TempRoot::exec(centro, QStringLiteral("create trigger no_marks before update on tbl_web_acciones "
                                          "begin select raise(abort, 'marcas rechazadas'); end"));

    const ToolRun r = generate(*root);
    EXPECT_EQ(r.exitCode, 1) << r.text();
    EXPECT_TRUE(outboxEntries(*root).isEmpty()) << "a file whose actions stay pending would be sent twice";
    EXPECT_EQ(pendingActions(centro), 1);
    // What happened in Spanish, the database's own words after it.
    EXPECT_TRUE(logRows(*root).last().contains(QStringLiteral("Error al generar la exportación de Abarrotes Centro: La "
                                                              "base de datos no aceptó el dato")))
        << logRows(*root).last().toStdString();
    EXPECT_TRUE(logRows(*root).last().contains(QStringLiteral("marcas rechazadas"))) << logRows(*root).last().toStdString();
}

TEST(GenerateTool, WithoutTheCompanyListNothingIsDoneAndTheLogSaysWhy)
{
    TempRoot root(false, true);
    TempRoot::exec(root.root().pointOfSale5Db(), QStringLiteral("drop table tbl_app_empresas"));
    const ToolRun r = generate(root);
    EXPECT_EQ(r.exitCode, 2) << r.text();
    EXPECT_TRUE(r.out.contains(QStringLiteral("KOVA_GeneraXML: nada generado"))) << r.text();
    const QStringList log = logRows(root);
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log.first().contains(QStringLiteral("Error al generar: no se pudo leer la lista de empresas")))
        << log.first().toStdString();
}
