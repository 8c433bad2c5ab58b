#pragma once

#include <QString>

namespace dc {

class InstallRoot;

// The work of KOVA_EnviaXML.exe, the send tool of the cloud cycle (main.cpp
// reads the command line, checks the outbox and takes the lock).
namespace sendtool {

inline const QString kName = QStringLiteral("KOVA_EnviaXML");

enum ExitStatus { kAllSent = 0, kSomeNotSent = 1, kCannotStart = 2 };

// Sends the files of the current directory (the outbox of `root`) to the
// cloud server of edition 2's settings, logs every file, prints the summary
// line and returns the exit status.
int run(const InstallRoot& root);

}  // namespace sendtool
}  // namespace dc
