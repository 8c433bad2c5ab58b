#pragma once

#include "platform/ProgramOptions.h"
#include "window/Edition.h"

#include <QString>

#include <functional>
#include <optional>

namespace dc {

class TFrmPrincipal;

// Sets up the application object for a tray program: no quit when the last
// window closes, "*" in masked boxes, Qt's own dialogs in Spanish, the
// windows' font; unless the command line asks only for help, the window's
// large pictures start being read on a thread of their own meanwhile. Call
// before any widget exists.
void prepareApplication();

// Reads the command line of the programs: --root DIR, and for edition 1
// --backup-service HOST[:PORT]. Nullopt, after writing the reason to the
// standard error, when a value is not valid.
std::optional<ProgramOptions> parseProgramOptions(const QStringList& arguments, Edition edition);

// Creates the main window hidden, lets the edition add its parts, runs the
// creation reaction and then the message loop.
int runProgram(const ProgramOptions& options, Edition edition,
               const std::function<void(TFrmPrincipal&)>& addEditionParts);

}  // namespace dc
