#pragma once

#include "panels/BackupPanel.h"
#include "panels/CloudPanel.h"
#include "panels/CompanyPanel.h"
#include "panels/HistoryPanel.h"
#include "panels/OutboxLogPanel.h"
#include "panels/TasksPanel.h"
#include "widgets/Pictures.h"
#include "window/TFrmPrincipal.h"
#include "support/ScriptedPrompts.h"
#include "support/TempRoot.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
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

    QString db() const { return temp.root().dataCenterDb(edition.number); }
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

// Answers the next dialog of type D that shows: `answer` runs while it is
// open and closes it. A dialog still open after five seconds is rejected, so
// a test never hangs on one.
template <class D>
void answerDialog(std::function<void(D*)> answer)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, tries = 0]() mutable {
        QDialog* open = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(top); d && d->isVisible()) open = d;
        if (auto* d = qobject_cast<D*>(open)) {
            poll->deleteLater();
            poll->stop();
            answer(d);
        } else if (++tries > 100) {
            poll->deleteLater();
            poll->stop();
            if (open) open->reject();
        }
    });
    poll->start(50);
}

}  // namespace dc::test
