#pragma once

#include "mainwindow/MainWindowUi.h"
#include "platform/InstallRoot.h"

namespace dc {

class Clock;
class Connection;
class ErrorReporter;
class Launcher;
class Prompts;

// What the window's parts get from the window: the controls, the
// connections, the prompts, the platform and the clock.
struct WindowContext {
    MainWindowUi& ui;
    InstallRoot root;
    Connection& cnn;   // the data-center database
    Connection& pdv;   // the point-of-sale database (its companies)
    Connection& company;  // the selected company's own database (edition 2)
    Prompts& prompts;
    ErrorReporter& errors;
    const Clock& clock;
    Launcher& launcher;
    // -1 while the start-up reads the settings, 0 afterwards.
    int loading = 0;
};

}  // namespace dc
