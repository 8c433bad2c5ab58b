#pragma once

#include "widgets/Prompts.h"

#include <QSet>
#include <QString>

#include <exception>
#include <type_traits>
#include <utility>

namespace dc {

// The general error box: a failure that a reaction does not handle ends the
// reaction and is shown here, and the program goes on. While a box with the
// same text is open, a repeated failure (a timer firing every second) does not
// open another.
class ErrorReporter {
public:
    explicit ErrorReporter(Prompts& prompts) : m_prompts(prompts) {}
    void report(const QString& text);
    void reportCurrentException();

    // Wraps a reaction so that no exception reaches Qt.
    template <class F>
    auto guard(F f)
    {
        return [this, f = std::move(f)](auto&&... args) {
            try {
                // A reaction may ignore what the signal carries (clicked(bool)).
                if constexpr (std::is_invocable_v<const F&, decltype(args)...>)
                    f(std::forward<decltype(args)>(args)...);
                else
                    f();
            } catch (...) {
                reportCurrentException();
            }
        };
    }

    // Runs f now, reporting a failure; true when it ran through.
    template <class F>
    bool run(F&& f)
    {
        try {
            f();
            return true;
        } catch (...) {
            reportCurrentException();
            return false;
        }
    }

private:
    Prompts& m_prompts;
    QSet<QString> m_open;
};

// The text of the error box: a full stop is added when the text ends in a
// character that sorts after ".".
QString errorBoxText(const QString& text);

}  // namespace dc
