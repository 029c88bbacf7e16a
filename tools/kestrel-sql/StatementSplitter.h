/*
** Cutting script text into statements, line by line, the way the
** vendor's shell does: a statement ends with ';' at the end of a line
** outside quotes and comments, or with a line holding only '/'; a block
** (BEGIN, DECLARE, CREATE [OR REPLACE] PROCEDURE, FUNCTION, PACKAGE,
** TRIGGER or TYPE) ends only with '/', since its own text holds ';'.
*/
#ifndef KESTREL_SQL_STATEMENT_SPLITTER_H
#define KESTREL_SQL_STATEMENT_SPLITTER_H

#include <optional>
#include <string>

namespace kestrel_sql {

struct Statement {
  std::string text;   // without the terminator: no final ';' unless a block
  bool block = false;
  int firstLine = 0;  // 1-based line of the input where it began
};

// True when a statement whose text begins so must end with '/'.
bool StartsBlock(const std::string &text);

// One statement given whole (a command-line argument): trailing blanks
// and, unless it is a block, a final ';' are dropped.
Statement StatementFromText(const std::string &text);

class StatementSplitter {
 public:
  // Takes one line without its newline. Returns the statement it ends, if
  // any; blank and comment-only text between statements is dropped.
  std::optional<Statement> AddLine(const std::string &line);
  // At the end of input: the unfinished statement, if it holds any SQL.
  std::optional<Statement> Finish();
  // True while a statement has begun and not ended.
  bool Pending() const { return significant_; }
  // True when no statement has begun and no comment is open: the next
  // line may be a client command.
  bool Idle() const { return !significant_ && state_ == State::kCode; }
  // Lines the pending statement has so far.
  int PendingLines() const { return pendingLines_; }

 private:
  enum class State { kCode, kSingleQuote, kDoubleQuote, kBlockComment };

  std::optional<Statement> Take(std::string text);
  void Reset();

  State state_ = State::kCode;
  std::string buffer_;
  bool significant_ = false;  // the buffer holds more than blanks and comments
  int pendingLines_ = 0;
  int lineNumber_ = 0;
  int firstLine_ = 0;
};

}  // namespace kestrel_sql

#endif
