#pragma once

#include <QString>

namespace dc {

class InstallRoot;

// The work of KOVA_GeneraXML.exe, the generate tool of the cloud cycle
// (main.cpp reads the command line, checks the outbox and takes the lock).
namespace generatetool {

inline const QString kName = QStringLiteral("KOVA_GeneraXML");

enum ExitStatus { kExported = 0, kSomeFailed = 1, kCannotStart = 2 };

// Writes one export per company with pending actions into the current
// directory (the outbox of `root`), logs every file and failure, prints the
// summary line and returns the exit status.
int run(const InstallRoot& root);

}  // namespace generatetool
}  // namespace dc
