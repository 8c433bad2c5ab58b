#pragma once

#include <QString>

#include <exception>
#include <stdexcept>

namespace dc {

// A failure the user may read: every failure the system raises carries its
// text in Spanish, complete, as it is shown (error line, message box,
// standard error, log row).
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};

// The text of any exception: a Failure's own, else what() read as UTF-8.
inline QString errorText(const std::exception& e)
{
    if (const auto* failure = dynamic_cast<const Failure*>(&e)) return failure->text();
    return QString::fromStdString(e.what());
}

// What a step stopped by a cancel says, whichever step it was (a copy, a
// transfer, a wait on the server).
inline const QString kOperationCancelled = QStringLiteral("Operación cancelada");

}  // namespace dc
