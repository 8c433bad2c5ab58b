#include "settings/SettingValues.h"

#include <QRegularExpression>

namespace dc {

int toWholeNumber(const QString& value)
{
    bool ok = false;
    const int n = value.trimmed().toInt(&ok, 10);
    if (!ok) throw ConversionError(QStringLiteral("'%1' no es un valor entero válido").arg(value));
    return n;
}

QTime toTimeOfDay(const QString& value)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*$"));
    const QRegularExpressionMatch m = re.match(value);
    const QTime t = m.hasMatch() ? QTime(m.captured(1).toInt(), m.captured(2).toInt(),
                                         m.captured(3).isEmpty() ? 0 : m.captured(3).toInt())
                                 : QTime();
    if (!t.isValid()) throw ConversionError(QStringLiteral("'%1' no es una hora válida").arg(value));
    return t;
}

}  // namespace dc
