#pragma once

#include <QList>
#include <QString>

namespace dc {

// One row of the backup file list (tbl_app_archivos).
struct BackupRow {
    qint64 id = 0;
    QString ruta;     // a file's full path; a folder's path ending with the separator
    QString nombre;   // the file's name; a folder's last component (or a made name)
    int tipo = 1;     // 1 file, 2 folder (any other value is handled as a folder)
    int interno = 0;  // 0 user row, 1 template row, 2 company row
};

using BackupList = QList<BackupRow>;

}  // namespace dc
