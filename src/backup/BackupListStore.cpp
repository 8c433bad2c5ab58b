#include "backup/BackupListStore.h"

#include "platform/FileNames.h"
#include "platform/InstallRoot.h"
#include "settings/Database.h"

#include <QDir>

namespace dc {

QString BackupListStore::systemCode(int index)
{
    switch (index) {
    case 0: return QStringLiteral("PDV4");
    case 1: return QStringLiteral("REFA");
    case 2: return QStringLiteral("PDV3");
    default: return {};
    }
}

BackupListStore::AddOutcome BackupListStore::add(const QStringList& paths, int tipo)
{
    AddOutcome out;
    for (const QString& selected : paths) {
        QString path = QDir::toNativeSeparators(selected);
        if (tipo == 2) {
            while (path.size() > 1 && path.endsWith(QDir::separator())) path.chop(1);
        }
        const QString name = fileNamePart(path);
        if (isListed(name, tipo)) {
            out.duplicate = true;
            return out;
        }
        const QString ruta = tipo == 2 ? path + QDir::separator() : path;
        m_cnn.exec(QStringLiteral("insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) values (?, ?, ?, 0)"),
                   {ruta, name, tipo});
        ++out.added;
    }
    return out;
}

bool BackupListStore::isListed(const QString& name, int tipo)
{
    // Names are compared by the platform's rule for file names (without
    // regard to letter case on Windows), which the database's "=" does not know.
    QSqlQuery q = m_cnn.query(QStringLiteral("select Nombre from tbl_app_archivos where tipo = ?"), {tipo});
    while (q.next())
        if (sameFileName(q.value(0).toString(), name)) return true;
    return false;
}

BackupListStore::AddOutcome BackupListStore::addFiles(const QStringList& paths)
{
    return add(paths, 1);
}

BackupListStore::AddOutcome BackupListStore::addFolders(const QStringList& paths)
{
    return add(paths, 2);
}

int BackupListStore::internoOf(qint64 id)
{
    const QVariant v = m_cnn.scalar(QStringLiteral("select Interno from tbl_app_archivos where Id = ?"), {id});
    return v.isValid() ? v.toInt() : -1;
}

void BackupListStore::remove(qint64 id)
{
    m_cnn.exec(QStringLiteral("delete from tbl_app_archivos where Id = ?"), {id});
}

void BackupListStore::chooseSystem(int index)
{
    // The old template rows go only together with the new ones coming.
    WriteTransaction t(m_cnn);
    m_cnn.exec(QStringLiteral("delete from tbl_app_archivos where interno = 1"));
    const QString code = systemCode(index);
    if (!code.isEmpty())
        m_cnn.exec(QStringLiteral("insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) select Ruta, Nombre, Tipo, "
                              "Interno from tbl_app_archivostemplates where Sistema = ?"),
                   {code});
    t.commit();
}

void BackupListStore::replaceCompanyRows(const InstallRoot& root, const QString& empresa, const QString& baseDeDatos)
{
    WriteTransaction t(m_cnn);
    m_cnn.exec(QStringLiteral("delete from tbl_app_archivos where interno = 2"));
    m_cnn.exec(QStringLiteral("insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) values (?, ?, 1, 2)"),
               {root.pointOfSale4CompanyDb(baseDeDatos), baseDeDatos});
    m_cnn.exec(QStringLiteral("insert into tbl_app_archivos (Ruta, Nombre, Tipo, Interno) values (?, ?, 2, 2)"),
               {root.pointOfSale4ReportsDir(empresa), QStringLiteral("Reportes_") + empresa});
    t.commit();
}

BackupList BackupListStore::rows()
{
    BackupList list;
    QSqlQuery q = m_cnn.query(QStringLiteral("select Id, Ruta, Nombre, Tipo, Interno from tbl_app_archivos"));
    while (q.next()) {
        BackupRow r;
        r.id = q.value(0).toLongLong();
        r.ruta = q.value(1).toString();
        r.nombre = q.value(2).toString();
        r.tipo = q.value(3).toInt();
        r.interno = q.value(4).toInt();
        list << r;
    }
    return list;
}

}  // namespace dc
