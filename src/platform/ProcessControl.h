#pragma once

#include <QString>

namespace dc {

// How a started program shows its window, where the platform has windows.
enum class WindowMode { Normal, MinimizedNoActivate };

// The native handle of the window a start is made for (a QWidget's winId()),
// 0 for none. On Windows the shell starts the program with that window as
// owner: what it shows about the start belongs to the window. Elsewhere there
// is no such owner and it is not used.
using OwnerWindow = quintptr;

// Starts a program detached: no arguments, no working directory of its own
// (it inherits the current directory), never waited for. Returns false and
// fills *error when it could not be started.
bool startProgramDetached(const QString& program, WindowMode mode, OwnerWindow owner = 0, QString* error = nullptr);

// Ends the running instances of an installed program ("Cancelar Respaldo"
// ends the backup tool so), only this user's: each is asked to end (a
// termination request), and ended for good when it has not gone within 1.5 s
// (a tool sweeps what that leaves behind at its next start). On Windows: every
// process whose executable name is the file name of `program` (letters a-z
// compared without case), as the tool has always been stopped there.
// Elsewhere, where any user may run a program of that name from any folder:
// the processes whose executable is that very file. Returns the outcome of the
// last termination attempt; false when no process matched. Never ends the
// calling process.
bool killProcessByName(const QString& program);

// True when a process's executable field names `name`: either the whole field
// or its file-name part (after the last '\', '/' or ':') equals it, with the
// letters a-z compared without case.
bool executableNameMatches(const QString& field, const QString& name);

// What the windows and panels use to start and end outside programs; tests
// put a recording one in its place.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts a program (startProgramDetached); false with the reason, in
    // Spanish, in *why when it could not be started.
    virtual bool start(const QString& program, WindowMode mode, OwnerWindow owner, QString* why) = 0;
    // Ends the running instances of an installed program (killProcessByName).
    virtual bool killByName(const QString& program) = 0;
};

class SystemLauncher final : public Launcher {
public:
    bool start(const QString& program, WindowMode mode, OwnerWindow owner, QString* why) override
    {
        return startProgramDetached(program, mode, owner, why);
    }
    bool killByName(const QString& program) override { return killProcessByName(program); }
};

}  // namespace dc
