// Folder listing on systems without Windows file attributes.
//
// Windows lists every entry whose attributes are not exactly "directory"
// alone. The closest equivalent here: every entry that is not a plain
// directory, that is files of every kind (regular files, links, devices,
// sockets), and directories that are hidden (name starting with ".", except
// "." and "..") or read-only (no write permission for their owner).
#include "platform/FolderListing.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace dc {

bool listFolderFiles(const QString& folder, QStringList& list, QString* why)
{
    const QByteArray dirPath = QFile::encodeName(folder);
    DIR* dir = ::opendir(dirPath.constData());
    if (!dir) {
        if (why) *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    QStringList found;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::lstat((dirPath + name).constData(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            const bool hidden = name.startsWith('.');
            const bool readOnly = (st.st_mode & S_IWUSR) == 0;
            if (!hidden && !readOnly) continue;  // a plain directory
        }
        found.append(QFile::decodeName(name));
    }
    ::closedir(dir);
    // The directory's own order is arbitrary here; list by name, as NTFS does.
    found.sort();
    list.append(found);
    return true;
}

}  // namespace dc
