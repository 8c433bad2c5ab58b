#pragma once

#include "backup/BackupRow.h"

#include <QString>
#include <QStringList>

namespace dc {

class Connection;
class InstallRoot;

// The backup file list in the data-center database: adding user rows with the
// duplicate rule, removing them, the per-system template rows and the company
// rows of a launch.
class BackupListStore {
public:
    explicit BackupListStore(Connection& cnn) : m_cnn(cnn) {}

    struct AddOutcome {
        int added = 0;           // rows posted, one by one
        bool duplicate = false;  // stopped at a path whose name is already listed
    };
    // Files (Tipo 1): stops at the first whose name a row of Tipo 1 already
    // has. A row's Nombre is the path's file-name part (platform rule).
    AddOutcome addFiles(const QStringList& paths);
    // Folders (Tipo 2): Ruta gets the separator, Nombre is the last component.
    AddOutcome addFolders(const QStringList& paths);

    // Interno of a row, or -1 when the row is gone.
    int internoOf(qint64 id);
    void remove(qint64 id);

    // Replaces the template rows by those of the system at `index`
    // (0 PDV4, 1 REFA, 2 PDV3, anything else none).
    void chooseSystem(int index);

    // Replaces the company rows by the database file and the reports folder
    // of one company of the point-of-sale 4 folder.
    void replaceCompanyRows(const InstallRoot& root, const QString& empresa, const QString& baseDeDatos);

    // Every row, in the database's order.
    BackupList rows();

    // The system code of a system index, or empty for none.
    static QString systemCode(int index);

private:
    AddOutcome add(const QStringList& paths, int tipo);
    // Whether a row of that type has the same file name.
    bool isListed(const QString& name, int tipo);
    Connection& m_cnn;
};

inline constexpr char kBackupListSelect[] = "select * from tbl_app_archivos";

}  // namespace dc
