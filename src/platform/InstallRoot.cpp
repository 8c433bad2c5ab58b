#include "platform/InstallRoot.h"

#include <QDir>
#include <QStandardPaths>

namespace dc {

namespace {
const QChar kSep = QDir::separator();
}

InstallRoot::InstallRoot(const QString& driveRoot)
{
    m_drive = QDir::toNativeSeparators(QDir::cleanPath(QDir(driveRoot).absolutePath()));
    if (!m_drive.endsWith(kSep)) m_drive += kSep;
}

QString InstallRoot::defaultDriveRoot()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kova-datacenter");
#endif
}

QString InstallRoot::editionDir(int edition) const
{
    return m_drive + QStringLiteral("KOVA_VazivoZeRurov_") + QString::number(edition) + kSep;
}

QString InstallRoot::dataDir(int edition) const
{
    return editionDir(edition) + QStringLiteral("Db") + kSep;
}

QString InstallRoot::dataCenterDb(int edition) const
{
    return dataDir(edition) + QStringLiteral("KOVA_VazivoZeRurov.mdb");
}

QString InstallRoot::ftpServerMemoryFile(int edition) const
{
    return dataDir(edition) + QStringLiteral("KOVA_ServidoresFtp.txt");
}

QString InstallRoot::pointOfSale5Dir() const
{
    return m_drive + QStringLiteral("KOVA_PuntoDeVenta_5") + kSep;
}

QString InstallRoot::pointOfSale5Db() const
{
    return pointOfSale5Dir() + QStringLiteral("KOVA_PuntoDeVenta.mdb");
}

QString InstallRoot::companyDb(const QString& baseDeDatos) const
{
    return pointOfSale5Dir() + baseDeDatos;
}

QString InstallRoot::pointOfSale4Dir() const
{
    return m_drive + QStringLiteral("KOVA_PuntoDeVenta_4") + kSep;
}

QString InstallRoot::pointOfSale4Db() const
{
    return pointOfSale4Dir() + QStringLiteral("KOVA_PuntoDeVenta.mdb");
}

QString InstallRoot::pointOfSale4ImagesDir() const
{
    return pointOfSale4Dir() + QStringLiteral("Imagenes") + kSep;
}

QString InstallRoot::pointOfSale4CompanyDb(const QString& baseDeDatos) const
{
    return pointOfSale4Dir() + baseDeDatos;
}

QString InstallRoot::pointOfSale4ReportsDir(const QString& empresa) const
{
    return pointOfSale4Dir() + empresa + kSep + QStringLiteral("Reportes") + kSep;
}

QString InstallRoot::outboxDir() const
{
    return editionDir(2) + QStringLiteral("Bandeja_De_Salida");
}

QString InstallRoot::backupTool() const
{
    return editionDir(2) + QLatin1String(kBackupToolName);
}

QString InstallRoot::generateTool() const
{
    return editionDir(2) + QLatin1String(kGenerateToolName);
}

QString InstallRoot::sendTool() const
{
    return editionDir(2) + QLatin1String(kSendToolName);
}

// The tools' own files lie in edition 2's data folder, where the accounts
// that run them may write: never beside the programs.
QString InstallRoot::backupToolLog() const
{
    return dataDir(2) + QStringLiteral("KOVA_BackUp.log");
}

QString InstallRoot::toolLockFile(const QString& toolName) const
{
    return dataDir(2) + toolName + QStringLiteral(".lock");
}

QStringList InstallRoot::dataFolders(int edition) const
{
    QString db = dataDir(edition);
    db.chop(1);
    if (edition == 2) return {db, outboxDir()};
    return {db};
}

}  // namespace dc
