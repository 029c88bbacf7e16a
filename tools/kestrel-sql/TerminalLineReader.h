/*
** Lines typed at a terminal, through libedit: a prompt, line editing, and
** a history kept across sessions in ~/.kestrel_sql_history.
*/
#ifndef KESTREL_SQL_TERMINAL_LINE_READER_H
#define KESTREL_SQL_TERMINAL_LINE_READER_H

#include <string>

#include "LineReader.h"

namespace kestrel_sql {

class TerminalLineReader : public LineReader {
 public:
  TerminalLineReader();
  ~TerminalLineReader() override;
  TerminalLineReader(const TerminalLineReader &) = delete;
  TerminalLineReader &operator=(const TerminalLineReader &) = delete;

  bool ReadLine(const std::string &prompt, std::string *line) override;

 private:
  std::string historyFile_;  // empty when there is no home folder
};

}  // namespace kestrel_sql

#endif
