/*
** kestrel-sql's reading loop: lines from a reader, cut into statements,
** each run as soon as it ends. In batch mode the first failing statement
** ends the run; interactively the session goes on.
*/
#ifndef KESTREL_SQL_SHELL_H
#define KESTREL_SQL_SHELL_H

#include <string>

#include "LineReader.h"
#include "StatementRunner.h"

namespace kestrel_sql {

// The prompts: "SQL> " for a new statement, the line number after that.
std::string PromptFor(int pendingLines);

// True for a line that ends the session where a statement would begin:
// EXIT or QUIT, in any case, with or without ';'.
bool IsExitCommand(const std::string &line);

// Runs every statement read; returns the exit status: 1 when a statement
// failed in batch mode, else 0. A statement left unended at the end of
// input runs as if it had been ended.
int RunShell(LineReader &reader, StatementRunner &runner, bool interactive);

}  // namespace kestrel_sql

#endif
