#pragma once

namespace dc::test {

// Every statement the programs prepare, in this test process and in the
// programs and tools it starts, is written to a trace file; at the end each
// must keep to what both SQL engines understand (what one engine alone says
// comes from the dialect and is not traced). Returns false, after naming each
// statement that does not and the construct found, when one does not.
void startStatementTrace();
bool statementsKeptToCommonSql();

}  // namespace dc::test
