#include "support/ScriptedPrompts.h"

#include <QDir>

namespace dc::test {

bool RecordingLauncher::start(const QString& program, WindowMode mode)
{
    starts.append({program, mode, QDir::currentPath()});
    return startResult;
}

}  // namespace dc::test
