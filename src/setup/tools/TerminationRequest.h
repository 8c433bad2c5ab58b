#pragma once

#include <QObject>

#include <functional>

namespace dc {

// Calls `handler` on the thread of `context`, from its event loop, whenever
// the process is asked to end (SIGTERM or SIGINT; on Windows a console
// Ctrl+C, Ctrl+Break or close), so that a tool can stop its work and remove
// its temporary files before it ends.
void onTerminationRequest(QObject* context, std::function<void()> handler);

}  // namespace dc
