#pragma once

#include "platform/InstallRoot.h"

#include <QString>

#include <functional>

namespace dc {

class Clock;
class Connection;
class ErrorReporter;
class Launcher;
class Prompts;
class SettingsWriter;

// The services the window's panels share: the connections, the prompts, the
// error box, the clock, the launcher, the settings writer and the tray's
// notices. No control: each panel owns its own.
struct WindowContext {
    InstallRoot root;
    Connection& cnn;      // the data-center database
    Connection& pdv;      // the point-of-sale database (its companies)
    Connection& company;  // the selected company's own database (edition 2)
    Prompts& prompts;
    ErrorReporter& errors;
    const Clock& clock;
    Launcher& launcher;
    // Every settings write of the controls goes through it.
    SettingsWriter& settings;
    // -1 while the start-up reads the settings, 0 afterwards.
    int loading = 0;
    // Tells the user something beside the tray icon (that a backup started,
    // that a tool could not be started) without stopping the work.
    std::function<void(const QString&)> notify = [](const QString&) {};
};

// Raises the loading flag for its lifetime: lowered whatever way the
// start-up's reading ends, a failure included (a raised flag would make the
// system choice store nothing for the rest of the session).
class LoadingFlag {
public:
    explicit LoadingFlag(WindowContext& ctx) : m_ctx(ctx) { m_ctx.loading = -1; }
    ~LoadingFlag() { m_ctx.loading = 0; }
    LoadingFlag(const LoadingFlag&) = delete;
    LoadingFlag& operator=(const LoadingFlag&) = delete;

private:
    WindowContext& m_ctx;
};

}  // namespace dc
