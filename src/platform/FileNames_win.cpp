// File names on Windows: "\", "/" and a drive's ":" separate; letter case
// does not count; under Wine, a path has a Linux one too.
#include "platform/FileNames.h"

#include <QDir>

#include <algorithm>

#include <windows.h>

namespace dc {

QString fileNamePart(const QString& path)
{
    const qsizetype cut = std::max({path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')),
                                    path.lastIndexOf(QLatin1Char(':'))});
    return path.mid(cut + 1);
}

bool sameFileName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString hostPath(const QString& path)
{
    // Wine's kernel32 has wine_get_unix_file_name (what winepath uses); Windows has not.
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return path;
    char* host = toUnix(QDir::toNativeSeparators(path).toStdWString().c_str());
    if (!host) return path;
    const QString result = QString::fromLocal8Bit(host);
    HeapFree(GetProcessHeap(), 0, host);
    return result;
}

}  // namespace dc
