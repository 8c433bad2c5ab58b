#include "support/ScriptedPrompts.h"

#include <QDir>

namespace dc::test {

bool RecordingLauncher::start(const QString& program, WindowMode mode, OwnerWindow owner, QString* why)
{
    starts.append({program, mode, owner, QDir::currentPath()});
    if (!startResult && why) *why = startError;
    return startResult;
}

}  // namespace dc::test
