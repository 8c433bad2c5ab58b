#include "window/ProgramStart.h"
#include "support/StatementCheck.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The GUI tests run offscreen unless told otherwise (listing the cases
    // for ctest included).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dc::prepareApplication();
    ::testing::InitGoogleTest(&argc, argv);
    dc::test::startStatementTrace();
    const int status = RUN_ALL_TESTS();
    return dc::test::statementsKeptToCommonSql() ? status : 1;
}
