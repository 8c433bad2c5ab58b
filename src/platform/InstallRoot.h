#pragma once

#include <QString>
#include <QStringList>

namespace dc {

// Every fixed path of the system, built from one drive root. On Windows the
// root is "C:\"; elsewhere it is a folder (--root DIR, or the per-user default).
// Paths use the native separator; folders end with it where the programs
// append names to them.
class InstallRoot {
public:
    explicit InstallRoot(const QString& driveRoot);

    // The default drive root: "C:\" on Windows, else
    // $XDG_DATA_HOME/kova-datacenter (usually ~/.local/share/kova-datacenter).
    static QString defaultDriveRoot();

    QString drive() const { return m_drive; }

    // "KOVA_VazivoZeRurov_<edition>" with its separator: the edition's
    // programs and libraries (on Windows only administrators change them).
    QString editionDir(int edition) const;
    // Its "Db" folder, with its separator: the data-center database and what
    // the edition's programs and tools keep beside it.
    QString dataDir(int edition) const;
    QString dataCenterDb(int edition) const;
    // Beside that database: what the edition's FTP clients learned of each
    // server (the backup engine's, and edition 2's tools').
    QString ftpServerMemoryFile(int edition) const;

    QString pointOfSale5Dir() const;   // ends with the separator
    QString pointOfSale5Db() const;
    // A company database: the point-of-sale 5 folder followed directly by BaseDeDatos.
    QString companyDb(const QString& baseDeDatos) const;

    QString pointOfSale4Dir() const;   // ends with the separator
    QString pointOfSale4Db() const;
    QString pointOfSale4ImagesDir() const;  // ends with the separator
    // Company rows of the backup list.
    QString pointOfSale4CompanyDb(const QString& baseDeDatos) const;
    QString pointOfSale4ReportsDir(const QString& empresa) const;  // ends with the separator

    QString outboxDir() const;         // no trailing separator
    QString backupTool() const;
    QString generateTool() const;
    QString sendTool() const;
    // The backup tool's own record of its starts and ends.
    QString backupToolLog() const;
    // What a companion tool holds while it runs, so that one runs at a time.
    QString toolLockFile(const QString& toolName) const;

    // Every folder in which the programs and the companion tools of an
    // edition write while they run (databases and their journals, what the
    // FTP clients learned, temporary copies' record, logs, locks, the
    // outbox), below editionDir(edition), without the trailing separator.
    // Nothing else under the edition folder is written after setup.
    QStringList dataFolders(int edition) const;

private:
    QString m_drive;  // ends with the separator
};

inline constexpr char kBackupToolName[] = "KOVA_BackUp.exe";
inline constexpr char kGenerateToolName[] = "KOVA_GeneraXML.exe";
inline constexpr char kSendToolName[] = "KOVA_EnviaXML.exe";

}  // namespace dc
