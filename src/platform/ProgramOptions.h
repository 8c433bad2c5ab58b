#pragma once

#include "platform/ServiceAddress.h"

#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;

namespace dc {

// The options that the programs and the companion tools share, declared and
// read in one place, besides --help:
//   --root DIR                     the install root (its drive root)
//   --backup-service HOST[:PORT]   another FTP backup service (tests, the demo)

// Which of them a program takes, and what its --help tells.
struct ProgramOptionSet {
    QString description;            // the first line of --help
    bool root = false;              // takes --root DIR
    QString rootDefault;            // --root's value when it is left out
    QString rootDefaultText;        // how --help names that default; rootDefault when empty
    bool backupService = false;     // takes --backup-service HOST[:PORT]
    QString backupServiceDefault;   // how --help names the service used without it; empty: not named
};

// What a command line said.
struct ProgramOptions {
    QString root;                                 // --root DIR, else ProgramOptionSet::rootDefault
    std::optional<ServiceAddress> backupService;  // --backup-service; nullopt when left out
};

// Reads `arguments` (the program's path first). --help, an unknown option or
// an option without its value end the program as QCommandLineParser::process
// does (the help on the standard output and status 0; the reason on the
// standard error and status 1). A value that is not valid returns nullopt
// with *error naming the option, the value and the reason. `own`, when
// given, is a parser holding the program's own options besides these: the
// program reads them from it after the call.
std::optional<ProgramOptions> parseCommandLine(const QStringList& arguments, const ProgramOptionSet& set,
                                               QString* error, QCommandLineParser* own = nullptr);

}  // namespace dc
