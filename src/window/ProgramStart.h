#pragma once

#include "window/MainWindowUi.h"

#include <QString>

#include <functional>

namespace dc {

class TFrmPrincipal;

struct ProgramOptions {
    QString driveRoot;       // --root DIR
    QString backupService;   // --backup-service HOST[:PORT] (edition 1)
};

// Sets up the application object for a tray program: no quit when the last
// window closes, "*" in masked boxes, Qt's own dialogs in Spanish, the
// windows' font. Call before any widget exists.
void prepareApplication();

// Reads the command line of the programs.
ProgramOptions parseProgramOptions(const QStringList& arguments, Edition edition);

// Creates the main window hidden, lets the edition add its parts, runs the
// creation reaction and then the message loop.
int runProgram(const ProgramOptions& options, Edition edition,
               const std::function<void(TFrmPrincipal&)>& addEditionParts);

}  // namespace dc
