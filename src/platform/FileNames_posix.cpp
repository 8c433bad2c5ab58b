// File names on POSIX systems: "/" alone separates, letter case counts.
#include "platform/FileNames.h"

namespace dc {

QString fileNamePart(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool sameFileName(const QString& a, const QString& b)
{
    return a == b;
}

QString hostPath(const QString& path)
{
    return path;
}

}  // namespace dc
