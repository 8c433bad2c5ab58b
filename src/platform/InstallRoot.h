#pragma once

#include <QString>

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

    // "KOVA_VazivoZeRurov_<edition>" with its separator.
    QString editionDir(int edition) const;
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

private:
    QString m_drive;  // ends with the separator
};

inline constexpr char kBackupToolName[] = "KOVA_BackUp.exe";
inline constexpr char kGenerateToolName[] = "KOVA_GeneraXML.exe";
inline constexpr char kSendToolName[] = "KOVA_EnviaXML.exe";

}  // namespace dc
