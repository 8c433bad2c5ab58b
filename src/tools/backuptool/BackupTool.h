#pragma once

#include "platform/ServiceAddress.h"

#include <QString>

#include <optional>

namespace dc {

// The work of KOVA_BackUp.exe, the backup tool of edition 2 (main.cpp reads
// the command line and calls it).
namespace backuptool {

inline const QString kName = QStringLiteral("KOVA_BackUp");

enum ExitStatus {
    kAllBackedUp = 0,
    kFilesNotBackedUp = 1,  // the run ended, but some files used up their attempts
    kCannotStart = 2,       // bad arguments, the database could not be read, or another run is under way
    kStopped = 3,           // cancelled, log-in or shop user or password refused, no protected connection, blank credentials
};

// One line of the tool's own record of its starts and ends, in edition 2's
// data folder, with the time before it.
void appendToLog(const QString& line);

// Runs one backup of edition 2's list with its settings, on `service` (the
// default service when nullopt), one run at a time, in the application's
// event loop (a QCoreApplication must exist). Prints the summary line, keeps
// the run in edition 2's history and returns the exit status.
int run(const std::optional<ServiceAddress>& service);

}  // namespace backuptool
}  // namespace dc
