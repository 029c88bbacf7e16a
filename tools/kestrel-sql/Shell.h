/*
** kestrel-sql's interpreter: lines from a reader, each either a client
** command (SET, DEFINE, @file, SPOOL, WHENEVER, EXIT, ...) run at once, or
** part of an SQL statement cut by the splitter and run when it ends, with
** &-substitution first. Errors are printed with where they came from;
** what follows an error is decided by WHENEVER, by --bail, and by where
** the text came from (see Options' usage text).
*/
#ifndef KESTREL_SQL_SHELL_H
#define KESTREL_SQL_SHELL_H

#include <string>
#include <vector>

#include "ClientConnection.h"
#include "LineReader.h"
#include "Output.h"
#include "Settings.h"
#include "StatementRunner.h"
#include "StatementSplitter.h"
#include "Substitution.h"

namespace kestrel_sql {

// The prompts: "SQL> " for a new statement, the line number after that.
std::string PromptFor(int pendingLines);

// True for a line that ends the session where a statement would begin:
// EXIT or QUIT, in any case, with or without ';' or an exit code.
bool IsExitCommand(const std::string &line);

enum class LineKind { kSql, kCommand, kUnknown };

// What a line that begins a statement is: SQL (or a comment), a client
// command, or neither. `command` gets the command's full name.
LineKind ClassifyLine(const std::string &line, std::string *command);

struct ShellOptions {
  bool bail = false;  // --bail: the first error ends the run with status 1
  bool create = false;
  bool allowHost = false;  // HOST and ! run commands through /bin/sh
};

class Shell {
 public:
  Shell(ClientConnection &connection, Output &output, std::ostream &err,
        ShellOptions options);

  Settings &settings() { return settings_; }
  Defines &defines() { return defines_; }
  // Where &-values, ACCEPT answers and passwords are read from; may be
  // null (then an undefined variable is an error).
  void SetPrompter(LineReader *prompter) { prompter_ = prompter; }
  // The user and link shown by SHOW USER and reused by CONNECT.
  // Also defines _USER and _CONNECT_IDENTIFIER, as SQL*Plus does.
  void SetLogon(const std::string &user, const std::string &link);

  // Runs every line of `reader`. `source` names it in error messages
  // (empty: no prefix); `directory` is where @@ looks.
  void RunReader(LineReader &reader, const std::string &source,
                 const std::string &directory);
  // Runs one command-line argument, a statement or a client command;
  // false when it failed.
  bool RunText(const std::string &text);

  // True once EXIT, WHENEVER ... EXIT, --bail or a failed write ended the run.
  bool Done() const { return done_; }
  int ExitStatus() const { return status_; }

 private:
  struct Frame {
    std::string source;
    std::string directory;
    int line = 0;
    int statementLine = 0;  // where the pending statement began
    bool interactive = false;
    int depth = 0;
  };
  enum class ErrorKind { kSql, kOs, kClient };
  struct Whenever {
    bool exit = false;
    std::string code;    // EXIT's code word
    std::string action;  // COMMIT, ROLLBACK or NONE
  };

  void RunFrame(LineReader &reader, Frame &frame);
  void RunLine(const std::string &line, LineReader &reader, Frame &frame,
               StatementSplitter &splitter, int *poisoned);
  void RunStatement(const Statement &statement, const Frame &frame, int poisoned);
  void RunSql(const std::string &sql, const Frame &frame, int line);
  void RunCommand(const std::string &name, const std::string &line, Frame &frame);
  void RunFile(const std::string &text, bool relative, const Frame &frame);
  void Exit(const std::string &code, const std::string &action);
  void Error(ErrorKind kind, const Frame &frame, int line, const std::string &message,
             int code = 0);
  void Print(const std::string &text);
  void CheckOutput();
  // True once Ctrl-C was pressed since the session last prompted.
  bool TakeInterrupt();
  bool SubstituteText(const std::string &text, const Frame &frame, std::string *out);
  std::optional<std::string> Ask(const std::string &prompt, bool hidden);
  int ExitCode(const std::string &word) const;
  void Transaction(const std::string &action);
  void Connect(const std::vector<std::string> &words, const Frame &frame);
  void Show(const std::vector<std::string> &words, const Frame &frame);
  void Accept(const std::vector<std::string> &words, const Frame &frame);
  void Spool(const std::vector<std::string> &words, const Frame &frame);
  void Whenever(const std::vector<std::string> &words, const Frame &frame);
  void Describe(const std::vector<std::string> &words, const Frame &frame);
  // SHOW ERRORS [type [schema.]name] and DESCRIBE of stored code, from
  // the data dictionary (CodeCommands.cpp).
  void ShowErrors(const std::vector<std::string> &words, const Frame &frame);
  bool DescribeCode(const std::string &object, const Frame &frame);
  // Runs a dictionary query; false with `error` (the ORA- text) on failure.
  bool Dictionary(const std::string &sql, std::vector<std::vector<Cell>> *rows,
                  std::string *error, int *code);
  // SET SERVEROUTPUT's ENABLE or DISABLE on the session.
  void SwitchServerOutput(const Frame &frame);
  // Prints the session's DBMS_OUTPUT lines when SERVEROUTPUT is on; true
  // when there were any.
  bool ShowServerOutput();

  ClientConnection &connection_;
  Output &output_;
  std::ostream &err_;
  ShellOptions options_;
  Settings settings_;
  Defines defines_;
  StatementRunner runner_;
  LineReader *prompter_ = nullptr;
  LineReader *current_ = nullptr;  // the reader whose lines run now
  std::string user_;
  std::string link_;
  bool connected_ = true;
  std::string buffer_;  // the last SQL statement, for '/' and RUN
  CodeUnit lastUnit_;  // the last stored code created, for SHOW ERRORS
  bool hasLastUnit_ = false;
  struct Whenever sqlError_;
  struct Whenever osError_;
  int lastSqlCode_ = 0;
  int errors_ = 0;
  bool done_ = false;
  bool interrupted_ = false;
  int status_ = 0;
};

}  // namespace kestrel_sql

#endif
