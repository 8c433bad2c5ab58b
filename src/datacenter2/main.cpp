// datacenter2: the tray agent with automatic backup, cloud sync and manual tasks.
#include "window/ProgramStart.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    dc::prepareApplication();
    const std::optional<dc::ProgramOptions> options =
        dc::parseProgramOptions(QApplication::arguments(), dc::Edition::Two);
    if (!options) return 2;
    return dc::runProgram(*options, dc::Edition::Two, {});
}
