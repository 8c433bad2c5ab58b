// File names on Windows: "\", "/" and a drive's ":" separate; letter case
// does not count.
#include "platform/FileNames.h"

#include <algorithm>

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

}  // namespace dc
