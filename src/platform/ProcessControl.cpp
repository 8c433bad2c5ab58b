#include "platform/ProcessControl.h"

namespace dc {

namespace {
QString upperAscii(const QString& s)
{
    QString r = s;
    for (QChar& c : r)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    return r;
}
}  // namespace

bool executableNameMatches(const QString& field, const QString& name)
{
    const qsizetype cut = std::max({field.lastIndexOf(QLatin1Char('\\')), field.lastIndexOf(QLatin1Char('/')),
                                    field.lastIndexOf(QLatin1Char(':'))});
    const QString wanted = upperAscii(name);
    return upperAscii(field.mid(cut + 1)) == wanted || upperAscii(field) == wanted;
}

}  // namespace dc
