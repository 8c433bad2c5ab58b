#pragma once

#include <QString>

namespace dc {

// True when nothing is left once blanks (any white space, a no-break space
// included) and control characters are taken off both ends. Arming the daily
// backup and starting a run ask the same question.
inline bool isBlankCredential(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 0x20 && !c.isSpace()) return false;
    return true;
}

}  // namespace dc
