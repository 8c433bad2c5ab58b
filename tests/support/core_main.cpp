#include "support/StatementCheck.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    dc::test::startStatementTrace();
    const int status = RUN_ALL_TESTS();
    return dc::test::statementsKeptToCommonSql() ? status : 1;
}
