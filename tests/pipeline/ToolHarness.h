#pragma once

#include "cloud/OutboxListing.h"
#include "settings/Database.h"
#include "settings/SettingsRows.h"
#include "setup/InstallRootBuilder.h"
#include "support/FtpServer.h"
#include "support/TempRoot.h"
#include "support/ToolProcess.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QXmlStreamReader>

#include <memory>

namespace dc::test {

// The outgoing account of the demo data (rows 9 and 10).
inline const QString kCloudUser = QStringLiteral("nube_demo");
inline const QString kCloudPassword = QStringLiteral("NubeDemo2026");

inline std::unique_ptr<FtpServer> cloudServer(const QString& fault = {}, int faultCount = -1)
{
    FtpServer::Options o;
    o.accounts = {{kCloudUser, kCloudPassword}};
    o.fault = fault;
    o.faultCount = faultCount;
    return std::make_unique<FtpServer>(o);
}

inline void pointAtCloud(const TempRoot& root, quint16 port)
{
    TempRoot::setSetting(root.root().dataCenterDb(2), RowCloudServer, QStringLiteral("127.0.0.1:%1").arg(port));
}

inline QString companyDb(const TempRoot& root, int companyId)
{
    for (const CompanySeed& c : installedCompanies())
        if (c.id == companyId) return root.root().companyDb(c.baseDeDatos);
    return {};
}

// A demo root whose companies have no pending actions yet.
inline std::unique_ptr<TempRoot> demoRootWithoutActions()
{
    auto root = std::make_unique<TempRoot>(true, true);
    for (const CompanySeed& c : installedCompanies())
        TempRoot::exec(root->root().companyDb(c.baseDeDatos), QStringLiteral("delete from tbl_web_acciones"));
    return root;
}

inline int pendingActions(const QString& dbFile)
{
    return TempRoot::scalar(dbFile, QStringLiteral("select count(*) from tbl_web_acciones where Status = 'N'")).toInt();
}

// The cloud log, oldest first.
inline QStringList logRows(const TempRoot& root)
{
    Connection c(QStringLiteral("log"), root.root().dataCenterDb(2));
    QSqlQuery q = c.query(QStringLiteral("select [Desc] from tbl_app_Log order by Id"));
    QStringList rows;
    while (q.next()) rows << q.value(0).toString();
    return rows;
}

// Every entry of the outbox, hidden ones too.
inline QStringList outboxEntries(const TempRoot& root)
{
    return QDir(root.root().outboxDir()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline ToolRun generate(const TempRoot& root)
{
    return runTool(root.root().generateTool(), {}, root.root().outboxDir());
}

inline ToolRun send(const TempRoot& root)
{
    return runTool(root.root().sendTool(), {}, root.root().outboxDir());
}

// What an export holds, read back with an XML reader.
struct Export {
    QString error;  // the reader's, when the file is not well-formed
    int companyId = 0;
    QString empresa;
    QString branch;
    QMap<int, QString> settings;  // Configuracion Id -> Valor
    int total = -1;
    QStringList actions;          // "Tabla:Id", in file order
};

inline Export readExport(const QString& path)
{
    Export e;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        e.error = f.errorString();
        return e;
    }
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = xml.attributes();
        const auto name = xml.name();
        if (name == QLatin1String("Empresa")) {
            e.companyId = a.value(QLatin1String("Id")).toInt();
            e.empresa = a.value(QLatin1String("Nombre")).toString();
        } else if (name == QLatin1String("Sucursal")) {
            e.branch = a.value(QLatin1String("Nombre")).toString();
        } else if (name == QLatin1String("Configuracion")) {
            e.settings.insert(a.value(QLatin1String("Id")).toInt(), a.value(QLatin1String("Valor")).toString());
        } else if (name == QLatin1String("Acciones")) {
            e.total = a.value(QLatin1String("Total")).toInt();
        } else if (name == QLatin1String("Accion")) {
            e.actions << a.value(QLatin1String("Tabla")).toString() + QLatin1Char(':') + a.value(QLatin1String("Id")).toString();
        }
    }
    if (xml.hasError()) e.error = xml.errorString();
    return e;
}

}  // namespace dc::test
