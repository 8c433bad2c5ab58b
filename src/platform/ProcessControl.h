#pragma once

#include <QString>

namespace dc {

// How a started program shows its window, where the platform has windows.
enum class WindowMode { Normal, MinimizedNoActivate };

// Starts a program detached: no arguments, no working directory of its own
// (it inherits the current directory), never waited for. Returns false and
// fills *error when it could not be started.
bool startProgramDetached(const QString& program, WindowMode mode, QString* error = nullptr);

// Ends every process whose executable name is `name` (ASCII letters compared
// without case). Returns the outcome of the last termination attempt; false
// when no process matched. Never ends the calling process.
bool killProcessByName(const QString& name);

// True when a process's executable field names `name`: either the whole field
// or its file-name part (after the last '\', '/' or ':') equals it, with the
// letters a-z compared without case.
bool executableNameMatches(const QString& field, const QString& name);

// What the windows and panels use to start and end outside programs; tests
// put a recording one in its place.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual bool start(const QString& program, WindowMode mode) = 0;
    virtual bool killByName(const QString& name) = 0;
};

class SystemLauncher final : public Launcher {
public:
    bool start(const QString& program, WindowMode mode) override { return startProgramDetached(program, mode); }
    bool killByName(const QString& name) override { return killProcessByName(name); }
};

}  // namespace dc
