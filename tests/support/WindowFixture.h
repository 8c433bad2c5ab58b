#pragma once

#include "mainwindow/TFrmPrincipal.h"
#include "support/ScriptedPrompts.h"
#include "support/TempRoot.h"

#include <memory>

namespace dc::test {

// A main window over a temporary install root, with scripted prompts, a fake
// clock and a recording launcher. The window is built but its creation
// reaction is left to the test, so settings can be prepared first.
struct WindowFixture {
    explicit WindowFixture(Edition edition = Edition::Two, bool demo = false);
    ~WindowFixture();
    TFrmPrincipal& make();  // builds the window
    TFrmPrincipal& start(); // builds it and runs its creation reaction

    QString db() const { return temp.root().dataCenterDb(static_cast<int>(edition)); }
    QString setting(int id) const { return TempRoot::setting(db(), id); }
    void setSetting(int id, const QString& v) const { TempRoot::setSetting(db(), id, v); }
    // Counts every later write of a settings row into a table of the test's own.
    void traceWrites(const QString& dbFile);
    QStringList writesOf(const QString& dbFile, int id) const;

    Edition edition;
    TempRoot temp;
    ScriptedPrompts prompts;
    FakeClock clock;
    RecordingLauncher launcher;
    std::unique_ptr<TFrmPrincipal> window;
    QString savedCwd;
};

}  // namespace dc::test
