#pragma once

#include <QString>
#include <QStringList>

namespace dc::test {

// How a companion tool run as a real process ended.
struct ToolRun {
    bool ended = false;  // within the time-out (else it was killed)
    int exitCode = -1;
    QString out;
    QString err;
    // For failure messages.
    std::string text() const { return (out + err).toStdString(); }
};

// Runs `program` with `args` in `workDir`, as the data center starts the tools
// (their current directory is inherited), and waits for its end. The tools
// trust the test FTP servers' CA besides the system's store.
ToolRun runTool(const QString& program, const QStringList& args, const QString& workDir, int timeoutMs = 30'000);

}  // namespace dc::test
