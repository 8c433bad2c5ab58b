#pragma once

#include <QObject>

#include <functional>

namespace dc {

// Calls `handler` on the thread of `context`, from its event loop, whenever
// the process is asked to end (SIGTERM, SIGINT or SIGHUP; on Windows WM_CLOSE
// to its thread, the end of the session, a console's Ctrl+C, Ctrl+Break or
// close), so that a program can stop its work
// and remove its temporary files before it ends. For programs only: the
// handler stays installed for the life of the process.
void onTerminationRequest(QObject* context, std::function<void()> handler);

}  // namespace dc
