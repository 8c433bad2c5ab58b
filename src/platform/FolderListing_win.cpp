// Folder listing with Windows file attributes: every entry whose attribute
// value is not exactly "directory" alone, so plain folders, "." and ".." are
// skipped while a folder that also carries another attribute is listed.
#include "platform/FolderListing.h"

#include <windows.h>

namespace dc {

bool listFolderFiles(const QString& folder, QStringList& list, QString* why)
{
    const std::wstring pattern = (folder + QStringLiteral("*.*")).toStdWString();
    WIN32_FIND_DATAW data{};
    HANDLE h = FindFirstFileW(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
        // An existing folder always lists "." and "..": nothing found means it cannot be read.
        if (why) *why = qt_error_string(static_cast<int>(GetLastError()));
        return false;
    }
    do {
        if (data.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY) list.append(QString::fromWCharArray(data.cFileName));
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return true;
}

}  // namespace dc
