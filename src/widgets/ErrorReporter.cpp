#include "widgets/ErrorReporter.h"

#include <QLoggingCategory>

#include <stdexcept>

namespace dc {

Q_LOGGING_CATEGORY(lcErrors, "dc.errors")

QString errorBoxText(const QString& text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.')) return text + QLatin1Char('.');
    return text;
}

void ErrorReporter::report(const QString& text)
{
    const QString shown = errorBoxText(text);
    qCWarning(lcErrors).noquote() << shown;
    if (m_open.contains(shown)) return;
    m_open.insert(shown);
    try {
        m_prompts.showError(shown);
    } catch (...) {
    }
    m_open.remove(shown);
}

void ErrorReporter::reportCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        report(QString::fromUtf8(e.what()));
    } catch (...) {
        report(QStringLiteral("Error desconocido"));
    }
}

}  // namespace dc
