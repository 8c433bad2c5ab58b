#pragma once

#include <QString>
#include <QStringList>

namespace dc {

// Every message box and file dialog of the programs goes through this
// interface. The real one shows Qt dialogs; tests use a scripted one.
class Prompts {
public:
    virtual ~Prompts() = default;
    // A message with an OK button.
    virtual void inform(const QString& text) = 0;
    // A warning with OK and Cancel; true for OK.
    virtual bool warnOkCancel(const QString& text) = 0;
    // A question with Yes and No; true only for Yes.
    virtual bool confirm(const QString& text) = 0;
    // The general error box: error icon, OK.
    virtual void showError(const QString& text) = 0;
    // Several files; empty when cancelled.
    virtual QStringList openFiles() = 0;
    // Several folders; empty when cancelled.
    virtual QStringList openFolders() = 0;
};

}  // namespace dc
