#include "support/TempRoot.h"

#include "settings/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace dc::test {

TempRoot::TempRoot(bool demo, bool withTools)
{
    m_root = std::make_unique<InstallRoot>(m_dir.path() + QStringLiteral("/C"));
    SetupOptions options;
    options.demo = demo;
    if (withTools) options.toolsDir = QStringLiteral(DC_BUILD_BIN_DIR);
    buildInstallRoot(*m_root, options);
}

void TempRoot::exec(const QString& dbFile, const QString& sql, const QVariantList& binds)
{
    Connection c(QStringLiteral("test"), dbFile);
    c.exec(sql, binds);
}

QVariant TempRoot::scalar(const QString& dbFile, const QString& sql, const QVariantList& binds)
{
    Connection c(QStringLiteral("test"), dbFile);
    return c.scalar(sql, binds);
}

QString TempRoot::setting(const QString& dbFile, int id)
{
    return scalar(dbFile, QStringLiteral("select Valor from tbl_app_configuracion where Id = ?"), {id}).toString();
}

void TempRoot::setSetting(const QString& dbFile, int id, const QString& value)
{
    exec(dbFile, QStringLiteral("update tbl_app_configuracion set Valor = ? where Id = ?"), {value, id});
}

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}

}  // namespace dc::test
