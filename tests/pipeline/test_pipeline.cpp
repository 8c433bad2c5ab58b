// From a manual task to the cloud: the task queues actions, the generate tool
// exports exactly those, the send tool delivers the export and empties the
// outbox; an outage of the cloud server delays a file but never loses it.
// The tools run as real processes in the outbox of a temporary install root,
// as the data center starts them; the backup tool beside them uses a service
// of its own.
#include "pipeline/ToolHarness.h"
#include "tasks/ManualTasks.h"

#include <QDate>
#include <QFileInfo>
#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>

using namespace dc;
using namespace dc::test;

namespace {

QStringList expectedActions(const QString& tabla, QList<qint64> ids)
{
    std::sort(ids.begin(), ids.end());
    QStringList list;
    for (qint64 id : ids) list << tabla + QLatin1Char(':') + QString::number(id);
    return list;
}

// "Tabla:Id" entries in the order of their ids.
QStringList sorted(QStringList list)
{
    std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
        return a.section(QLatin1Char(':'), 1).toLongLong() < b.section(QLatin1Char(':'), 1).toLongLong();
    });
    return list;
}

}  // namespace

TEST(Pipeline, AManualTaskReachesTheCloudOnceAndAnOutageOnlyDelaysIt)
{
    auto root = demoRootWithoutActions();
    auto cloud = cloudServer();
    pointAtCloud(*root, cloud->port());
    const QString centro = companyDb(*root, 2);
    const QString norte = companyDb(*root, 3);

    // A sales task for yesterday and today of Abarrotes Centro, as the form adds it.
    const QDate today = QDate::currentDate();
    QList<qint64> sales;
    {
        Connection company(QStringLiteral("task"), centro);
        Connection dataCenter(QStringLiteral("task-dc"), root->root().dataCenterDb(2));
        sales = salesBetween(company, today.addDays(-1), today);
        ASSERT_GE(sales.size(), 8) << "the demo sells every day";
        postActions(company, sales, kTablaSaldos, [](int) {});
        recordTask(dataCenter, salesTask(QDateTime::currentDateTime(), QStringLiteral("Abarrotes Centro"),
                                         today.addDays(-1), today, QLocale()));
    }
    qsizetype logBefore = logRows(*root).size();

    // The generate tool writes one well-formed export with exactly those actions.
    const ToolRun generated = generate(*root);
    ASSERT_TRUE(generated.ended);
    EXPECT_EQ(generated.exitCode, 0) << generated.text();
    EXPECT_TRUE(generated.out.contains(QStringLiteral("KOVA_GeneraXML: 1 archivo(s) generado(s) con %1 accion(es)")
                                           .arg(sales.size())))
        << generated.text();
    const QStringList files = outboxEntries(*root);
    ASSERT_EQ(files.size(), 1) << files.join(QLatin1Char(' ')).toStdString();
    const QString file = files.first();
    EXPECT_TRUE(file.startsWith(QStringLiteral("Abarrotes_Centro_Matriz_2_") + today.toString(QStringLiteral("yyyyMMdd"))))
        << file.toStdString();
    EXPECT_TRUE(file.endsWith(QStringLiteral(".xml")));

    const QString exportPath = QDir(root->root().outboxDir()).filePath(file);
    const Export x = readExport(exportPath);
    ASSERT_TRUE(x.error.isEmpty()) << x.error.toStdString();
    EXPECT_EQ(x.companyId, 2);
    EXPECT_EQ(x.empresa, QStringLiteral("Abarrotes Centro"));
    EXPECT_EQ(x.branch, QStringLiteral("Abarrotes Centro - Matriz"));
    EXPECT_EQ(x.settings.keys(), (QList<int>{168, 169, 170, 171, 172}));
    EXPECT_EQ(x.total, sales.size());
    EXPECT_EQ(sorted(x.actions), expectedActions(kTablaSaldos, sales));
    EXPECT_EQ(pendingActions(centro), 0);

    QStringList log = logRows(*root);
    ASSERT_EQ(log.size(), logBefore + 1);
    EXPECT_TRUE(log.last().contains(QStringLiteral("Generado: %1 (Abarrotes Centro, %2 acciones)").arg(file).arg(sales.size())))
        << log.last().toStdString();
    const QByteArray bytes = fileBytes(exportPath);

    // The send tool delivers it whole, then takes it out of the outbox.
    const ToolRun sent = send(*root);
    ASSERT_TRUE(sent.ended);
    EXPECT_EQ(sent.exitCode, 0) << sent.text();
    EXPECT_TRUE(sent.out.contains(QStringLiteral("KOVA_EnviaXML: 1 archivo(s) enviado(s)"))) << sent.text();
    EXPECT_TRUE(outboxEntries(*root).isEmpty());
    EXPECT_EQ(fileBytes(cloud->path(file)), bytes);
    EXPECT_EQ(cloud->count(QStringLiteral("SIZE ") + file), 1) << "the upload is checked";
    log = logRows(*root);
    // The cloud setting takes TLS when offered: the log says that it went in clear.
    ASSERT_GE(log.size(), 2);
    EXPECT_TRUE(log[log.size() - 2].endsWith(cloud->inClearNotice())) << log[log.size() - 2].toStdString();
    ++logBefore;
    ASSERT_EQ(log.size(), logBefore + 2);
    EXPECT_TRUE(log.last().endsWith(QStringLiteral("Enviado: ") + file)) << log.last().toStdString();

    // A second generate has nothing new to export.
    const ToolRun again = generate(*root);
    EXPECT_EQ(again.exitCode, 0) << again.text();
    EXPECT_TRUE(again.out.contains(QStringLiteral("no hay acciones pendientes"))) << again.text();
    EXPECT_TRUE(outboxEntries(*root).isEmpty());
    EXPECT_EQ(logRows(*root).size(), logBefore + 2);

    // A products task while the cloud server is down: the export waits in the outbox.
    QList<qint64> products;
    {
        Connection company(QStringLiteral("task"), norte);
        products = activeProducts(company);
        postActions(company, products, kTablaProductos, [](int) {});
    }
    ASSERT_EQ(generate(*root).exitCode, 0);
    const QStringList waiting = outboxEntries(*root);
    ASSERT_EQ(waiting.size(), 1);
    EXPECT_EQ(sorted(readExport(QDir(root->root().outboxDir()).filePath(waiting.first())).actions),
              expectedActions(kTablaProductos, products));
    const QByteArray productBytes = fileBytes(QDir(root->root().outboxDir()).filePath(waiting.first()));
    cloud.reset();

    const ToolRun down = send(*root);
    ASSERT_TRUE(down.ended);
    EXPECT_EQ(down.exitCode, 1) << down.text();
    EXPECT_TRUE(down.out.contains(QStringLiteral("0 archivo(s) enviado(s); 1 no enviado(s)"))) << down.text();
    EXPECT_EQ(outboxEntries(*root), waiting);
    log = logRows(*root);
    EXPECT_TRUE(log.last().contains(QStringLiteral("Error al enviar %1: No se pudo conectar").arg(waiting.first())))
        << log.last().toStdString();

    // The server is back (row 8 names it): the next send delivers the file.
    cloud = cloudServer();
    pointAtCloud(*root, cloud->port());
    const ToolRun up = send(*root);
    EXPECT_EQ(up.exitCode, 0) << up.text();
    EXPECT_TRUE(outboxEntries(*root).isEmpty());
    EXPECT_EQ(fileBytes(cloud->path(waiting.first())), productBytes);
    EXPECT_TRUE(logRows(*root).last().endsWith(QStringLiteral("Enviado: ") + waiting.first()));
}

TEST(Pipeline, TheBackupAndTheCloudExportTravelToTheirOwnServices)
{
    auto root = demoRootWithoutActions();
    auto cloud = cloudServer();
    pointAtCloud(*root, cloud->port());
    FtpServer::Options backupOptions;
    backupOptions.accounts = {{QStringLiteral("respaldo1@kovasistemas.mx"), QStringLiteral("bqt275")}};
    FtpServer backup(backupOptions);
    QDir().mkpath(backup.path(QStringLiteral("tienda_demo/Clave2026")));  // the shop's folders on the service
    const QString db = root->root().dataCenterDb(2);
    // One file to back up keeps the tool's pacing short.
    TempRoot::exec(db, QStringLiteral("delete from tbl_app_archivos where Nombre <> 'Proveedores.csv'"));
    TempRoot::setSetting(db, RowServer, QStringLiteral("0"));
    {
        Connection company(QStringLiteral("task"), companyDb(*root, 2));
        postActions(company, activeProducts(company), kTablaProductos, [](int) {});
    }

    // The backup tool, as datacenter2 starts it, and the cloud cycle's two tools.
    const ToolRun backedUp = runTool(root->root().backupTool(),
                                     {QStringLiteral("--backup-service"), QStringLiteral("127.0.0.1:%1").arg(backup.port())},
                                     root->root().outboxDir(), 60'000);
    ASSERT_TRUE(backedUp.ended);
    EXPECT_EQ(backedUp.exitCode, 0) << backedUp.text();
    ASSERT_EQ(generate(*root).exitCode, 0);
    const QStringList exported = outboxEntries(*root);
    ASSERT_EQ(exported.size(), 1);
    ASSERT_EQ(send(*root).exitCode, 0);

    const QString day = QDate::currentDate().toString(QStringLiteral("ddMMyyyy"));
    const QString original = root->root().drive() + QStringLiteral("Documentos/Proveedores.csv");
    EXPECT_EQ(fileBytes(backup.path(QStringLiteral("tienda_demo/Clave2026/") + day + QStringLiteral("/Proveedores.csv"))),
              fileBytes(original));
    EXPECT_TRUE(QFileInfo::exists(cloud->path(exported.first())));
    EXPECT_FALSE(QFileInfo::exists(backup.path(exported.first()))) << "the export went to the backup service";
    EXPECT_EQ(cloud->count(QStringLiteral("STOR Proveedores.csv")), 0) << "the backup went to the cloud service";
    EXPECT_TRUE(outboxEntries(*root).isEmpty());
}
