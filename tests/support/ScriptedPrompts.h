#pragma once

#include "widgets/Prompts.h"
#include "platform/Clock.h"
#include "platform/ProcessControl.h"

#include <QDateTime>
#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

namespace dc::test {

// Prompts that answer as told and record what was shown. Unscripted
// questions answer No/Cancel; unscripted dialogs are cancelled.
class ScriptedPrompts final : public Prompts {
public:
    struct Shown {
        QString kind;  // "inform", "warn", "confirm", "error"
        QString text;
    };
    QList<Shown> shown;
    QQueue<bool> answers;              // for warnOkCancel and confirm
    QQueue<QStringList> fileSelections;
    QQueue<QStringList> folderSelections;
    std::function<void(const Shown&)> onShow;  // runs while the "box" is open

    void inform(const QString& t) override { record(QStringLiteral("inform"), t); }
    bool warnOkCancel(const QString& t) override { record(QStringLiteral("warn"), t); return next(); }
    bool confirm(const QString& t) override { record(QStringLiteral("confirm"), t); return next(); }
    void showError(const QString& t) override { record(QStringLiteral("error"), t); }
    QStringList openFiles() override { return fileSelections.isEmpty() ? QStringList() : fileSelections.dequeue(); }
    QStringList openFolders() override { return folderSelections.isEmpty() ? QStringList() : folderSelections.dequeue(); }

    QStringList texts(const QString& kind) const
    {
        QStringList out;
        for (const Shown& s : shown)
            if (s.kind == kind) out << s.text;
        return out;
    }
    void clear() { shown.clear(); }

private:
    void record(const QString& kind, const QString& text)
    {
        shown.append({kind, text});
        if (onShow) onShow(shown.last());
    }
    bool next() { return answers.isEmpty() ? false : answers.dequeue(); }
};

class FakeClock final : public Clock {
public:
    QDateTime t = QDateTime(QDate(2026, 12, 8), QTime(12, 0));
    QDateTime now() const override { return t; }
};

// Records the programs started and ended instead of touching processes.
class RecordingLauncher final : public Launcher {
public:
    struct Start {
        QString program;
        WindowMode mode;
        OwnerWindow owner;
        QString currentDir;
    };
    QList<Start> starts;
    QStringList kills;
    bool startResult = true;
    QString startError = QStringLiteral("no se encontró el programa");  // the reason of a refused start
    bool killResult = false;  // whether a process was ended
    bool start(const QString& program, WindowMode mode, OwnerWindow owner, QString* why) override;
    bool killByName(const QString& program) override
    {
        kills << program;
        return killResult;
    }
};

}  // namespace dc::test
