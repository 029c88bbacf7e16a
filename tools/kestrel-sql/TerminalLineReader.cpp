/*
** Terminal input through libedit's readline interface. libedit keeps its
** editing state and history in globals of its own; kestrel-sql makes one
** reader at most.
*/
#include "TerminalLineReader.h"

#include <stdio.h>
#include <stdlib.h>

#include <editline/readline.h>

namespace kestrel_sql {

TerminalLineReader::TerminalLineReader() {
  using_history();
  stifle_history(1000);
  if (const char *home = getenv("HOME"); home != nullptr && *home != '\0') {
    historyFile_ = std::string(home) + "/.kestrel_sql_history";
    read_history(historyFile_.c_str());  // none yet is fine
  }
}

TerminalLineReader::~TerminalLineReader() {
  if (!historyFile_.empty()) write_history(historyFile_.c_str());
}

bool TerminalLineReader::ReadLine(const std::string &prompt,
                                  std::string *line) {
  char *text = readline(prompt.c_str());
  if (text == nullptr) {
    // End of input (Ctrl-D): end the prompt's line.
    fputc('\n', stdout);
    fflush(stdout);
    return false;
  }
  *line = text;
  free(text);
  if (line->find_first_not_of(" \t") != std::string::npos)
    add_history(line->c_str());
  return true;
}

}  // namespace kestrel_sql
