#include "platform/FileNames.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace dc {

void sortFileNames(QStringList& names)
{
    QCollator collator{QLocale(QLocale::Spanish)};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Names equal to the collator ("a" and "A" side by side) keep one order.
    std::sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        const int c = collator.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
}

}  // namespace dc
