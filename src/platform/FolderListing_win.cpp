// Folder listing with Windows file attributes: every entry whose attribute
// value is not exactly "directory" alone, so plain folders, "." and ".." are
// skipped while a folder that also carries another attribute is listed.
#include "platform/FolderListing.h"

#include <windows.h>

namespace dc {

void listFolderFiles(const QString& folder, QStringList& list)
{
    const std::wstring pattern = (folder + QStringLiteral("*.*")).toStdWString();
    WIN32_FIND_DATAW data{};
    HANDLE h = FindFirstFileW(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        if (data.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY) list.append(QString::fromWCharArray(data.cFileName));
    } while (FindNextFileW(h, &data));
    FindClose(h);
}

}  // namespace dc
