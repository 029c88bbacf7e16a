/*
** The interpreter: client commands, statements, substitution and the
** rules for going on after an error.
*/
#include "Shell.h"

#include <cctype>
#include <cstdlib>

#include "COCIRecordset.h"
#include "ServerOutput.h"

namespace kestrel_sql {

namespace {

std::string Trim(const std::string &text) {
  const size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return std::string();
  const size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(start, end - start + 1);
}

struct CommandName {
  const char *name;
  size_t least;
};

// Client commands by full name and shortest abbreviation.
const CommandName kCommands[] = {
    {"ACCEPT", 3},  {"BREAK", 3},    {"BTITLE", 3},   {"CLEAR", 2},
    {"COLUMN", 3},  {"COMPUTE", 4},  {"CONNECT", 4},  {"DEFINE", 3},
    {"DESCRIBE", 4}, {"DISCONNECT", 4}, {"EXECUTE", 4}, {"EXIT", 3},
    {"HELP", 4},    {"HOST", 2},     {"PAUSE", 3},    {"PRINT", 3},
    {"PROMPT", 3},  {"QUIT", 4},     {"REMARK", 3},   {"RUN", 1},
    {"SET", 3},     {"SHOW", 3},     {"SPOOL", 3},    {"START", 3},
    {"TTITLE", 3},  {"UNDEFINE", 5}, {"VARIABLE", 3}, {"WHENEVER", 5},
    {"LIST", 1},    {"HISTORY", 4},  {"PASSWORD", 4}, {"TIMING", 4},
};

// Words that begin SQL statements (the engine's own few included, so that
// the engine, not the client, answers for them).
const char *const kSqlWords[] = {
    "SELECT", "INSERT", "UPDATE", "DELETE", "MERGE", "CREATE", "DROP",
    "ALTER", "GRANT", "REVOKE", "COMMIT", "ROLLBACK", "SAVEPOINT",
    "TRUNCATE", "COMMENT", "WITH", "BEGIN", "DECLARE", "CALL", "EXPLAIN",
    "LOCK", "ANALYZE", "AUDIT", "NOAUDIT", "RENAME", "PURGE", "FLASHBACK",
    "ASSOCIATE", "DISASSOCIATE", "ADMINISTER", "VALUES", "REPLACE",
    "VACUUM", "PRAGMA", "REINDEX", "ATTACH", "DETACH", "TABLE"};

std::string FirstWord(const std::string &text, size_t *end) {
  size_t i = 0;
  while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) ||
                             text[i] == '_' || text[i] == '$' || text[i] == '#'))
    ++i;
  *end = i;
  return Upper(text.substr(0, i));
}

}  // namespace

std::string PromptFor(int pendingLines) {
  if (pendingLines == 0) return "SQL> ";
  char prompt[16];
  snprintf(prompt, sizeof prompt, "%3d  ", pendingLines + 1);
  return prompt;
}

bool IsExitCommand(const std::string &line) {
  std::string name;
  return ClassifyLine(Trim(line), &name) == LineKind::kCommand &&
         (name == "EXIT" || name == "QUIT");
}

LineKind ClassifyLine(const std::string &line, std::string *command) {
  const std::string text = Trim(line);
  command->clear();
  if (text.empty() || text[0] == '(' || text.compare(0, 2, "--") == 0 ||
      text.compare(0, 2, "/*") == 0)
    return LineKind::kSql;
  if (text[0] == '@') {
    *command = "START";
    return LineKind::kCommand;
  }
  if (text[0] == '!') {
    *command = "HOST";
    return LineKind::kCommand;
  }
  if (text == "/") {
    *command = "/";
    return LineKind::kCommand;
  }
  size_t end = 0;
  const std::string word = FirstWord(text, &end);
  if (word.empty()) return LineKind::kUnknown;
  for (const char *sql : kSqlWords) {
    if (word == sql) return LineKind::kSql;  // "select*from t" too
  }
  // A word glued to punctuation other than ';' is no command ("set-x").
  if (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) &&
      text[end] != ';')
    return LineKind::kUnknown;
  if (word == "SET") {
    size_t next = 0;
    const std::string second = FirstWord(Trim(text.substr(end)), &next);
    if (second == "TRANSACTION" || second == "ROLE" || second == "CONSTRAINT" ||
        second == "CONSTRAINTS")
      return LineKind::kSql;
  }
  for (const CommandName &c : kCommands) {
    if (Abbreviates(word, c.name, c.least)) {
      *command = c.name;
      return LineKind::kCommand;
    }
  }
  return LineKind::kUnknown;
}

Shell::Shell(ClientConnection &connection, Output &output, std::ostream &err,
             ShellOptions options)
    : connection_(connection),
      output_(output),
      err_(err),
      options_(options),
      runner_(&connection, settings_, output.Stream()) {
  runner_.SetInterruptCheck([this] { return output_.Failed() || TakeInterrupt(); });
  runner_.SetServerOutput([this] { return ShowServerOutput(); });
}

void Shell::SwitchServerOutput(const Frame &frame) {
  if (!connected_) return;  // CONNECT enables it on the new session
  std::string message;
  if (!kestrel_sql::SwitchServerOutput(connection_.Environment(), connection_.ServiceContext(),
                                       connection_.ErrorHandle(), settings_.serverOutput,
                                       settings_.serverOutputSize, &message))
    Error(ErrorKind::kSql, frame, frame.line, message);
}

bool Shell::ShowServerOutput() {
  if (!settings_.serverOutput || !connected_) return false;
  bool any = false;
  std::string message;
  const size_t width = settings_.layout.lineSize > 0
                           ? static_cast<size_t>(settings_.layout.lineSize) : 0;
  const bool ok = ReadServerOutput(
      connection_.Environment(), connection_.ServiceContext(), connection_.ErrorHandle(),
      [&](const std::string &line) {
        any = true;
        for (const std::string &piece : WrapOutputLine(line, width, settings_.serverOutputWrap))
          Print(piece + "\n");
      },
      &message);
  if (!ok) err_ << "kestrel-sql: reading the server output: " << message << std::endl;
  return any;
}

void Shell::SetLogon(const std::string &user, const std::string &link) {
  user_ = user;
  link_ = link;
  defines_.Set("_USER", Upper(user));
  defines_.Set("_CONNECT_IDENTIFIER", link);
}

bool Shell::TakeInterrupt() {
  // The terminal may be the prompter while a script's reader is current.
  if (prompter_ != nullptr && prompter_->Interrupted()) interrupted_ = true;
  if (current_ != nullptr && current_ != prompter_ && current_->Interrupted())
    interrupted_ = true;
  return interrupted_;
}

void Shell::Print(const std::string &text) { output_.Stream() << text; }

void Shell::CheckOutput() {
  const std::string failure = output_.Check();
  if (failure.empty() || done_) return;
  err_ << "kestrel-sql: " << failure << std::endl;
  done_ = true;
  status_ = 1;
}

void Shell::Error(ErrorKind kind, const Frame &frame, int line,
                  const std::string &message, int code) {
  std::string text;
  if (!frame.source.empty()) text = frame.source + ":" + std::to_string(line) + ": ";
  text += message + "\n";
  err_ << text << std::flush;
  output_.CopyToSpool(text);
  ++errors_;
  if (kind == ErrorKind::kSql) lastSqlCode_ = code;
  const struct Whenever &rule = kind == ErrorKind::kSql ? sqlError_ : osError_;
  if (kind != ErrorKind::kClient && rule.exit) {
    // Without a code SQL*Plus exits with SUCCESS; an error must not end
    // in a status that reads as success, so FAILURE stands in.
    Exit(rule.code.empty() ? "FAILURE"
         : Upper(rule.code) == "OSCODE" ? std::to_string(code)
                                        : rule.code,
         rule.action.empty() ? "COMMIT" : rule.action);
    return;
  }
  if (kind != ErrorKind::kClient && !rule.action.empty()) Transaction(rule.action);
  if (options_.bail && !frame.interactive) {
    done_ = true;
    status_ = 1;
  }
}

std::optional<std::string> Shell::Ask(const std::string &prompt, bool hidden) {
  if (prompter_ == nullptr) return std::nullopt;
  if (!prompter_->Interactive()) Print(prompt);  // shown as SQL*Plus shows it
  output_.Stream().flush();
  std::string answer;
  const bool got = hidden ? prompter_->ReadHidden(prompt, &answer)
                          : prompter_->ReadLine(prompt, &answer);
  if (!got) {
    prompter_->Interrupted();  // a Ctrl-C here must not stop the next fetch
    return std::nullopt;
  }
  return answer;
}

bool Shell::SubstituteText(const std::string &text, const Frame &frame,
                           std::string *out) {
  if (!settings_.define) {
    *out = text;
    return true;
  }
  std::string error;
  const bool ok = Substitute(
      text, settings_.defineChar, defines_,
      [this](const std::string &name) {
        return Ask("Enter value for " + name + ": ", false);
      },
      out, &error);
  if (!ok) Error(ErrorKind::kClient, frame, frame.line, error);
  return ok;
}

void Shell::RunReader(LineReader &reader, const std::string &source,
                      const std::string &directory) {
  Frame frame;
  frame.source = source;
  frame.directory = directory;
  frame.interactive = reader.Interactive();
  RunFrame(reader, frame);
}

void Shell::RunFrame(LineReader &reader, Frame &frame) {
  LineReader *outer = current_;
  current_ = &reader;
  StatementSplitter splitter;
  int poisoned = 0;
  std::string input;
  while (!done_) {
    output_.Stream().flush();
    if (reader.Interactive()) {
      interrupted_ = false;  // back at the prompt: a Ctrl-C has done its work
    } else if (TakeInterrupt()) {
      break;  // Ctrl-C during a script started from the prompt ends the script
    }
    if (!reader.ReadLine(PromptFor(splitter.PendingLines()), &input)) {
      if (!reader.Interrupted()) break;
      // Ctrl-C at the prompt: the statement being typed is dropped.
      splitter = StatementSplitter();
      poisoned = 0;
      continue;
    }
    size_t start = 0;
    for (;;) {  // a recalled statement comes as several lines at once
      const size_t end = input.find('\n', start);
      RunLine(input.substr(start, end == std::string::npos ? std::string::npos
                                                           : end - start),
              reader, frame, splitter, &poisoned);
      if (end == std::string::npos || done_) break;
      start = end + 1;
    }
  }
  if (!done_ && !interrupted_) {
    if (std::optional<Statement> last = splitter.Finish()) {
      last->firstLine = frame.statementLine;
      RunStatement(*last, frame, poisoned);
    } else if (poisoned) {
      Error(ErrorKind::kSql, frame, poisoned,
            "ORA-00911: invalid character (a NUL byte in the input)", 911);
    }
  }
  current_ = outer;
}

void Shell::RunLine(const std::string &raw, LineReader &reader, Frame &frame,
                    StatementSplitter &splitter, int *poisoned) {
  ++frame.line;
  std::string line = raw;
  if (settings_.echo && !frame.interactive) {
    output_.SetTerminal(settings_.termOut);
    Print(PromptFor(splitter.PendingLines()) + line + "\n");
  }
  const bool hasNul = line.find('\0') != std::string::npos;
  if (hasNul) {
    // The statement is refused whole: never run the text before a NUL.
    if (*poisoned == 0) *poisoned = frame.line;
    for (char &c : line) {
      if (c == '\0') c = ' ';
    }
  }
  if (splitter.Idle()) {
    std::string command;
    const LineKind kind = ClassifyLine(line, &command);
    if (kind != LineKind::kSql) {
      if (hasNul) {
        *poisoned = 0;
        Error(ErrorKind::kSql, frame, frame.line,
              "ORA-00911: invalid character (a NUL byte in the input)", 911);
        return;
      }
      reader.Remember(Trim(line));
      if (kind == LineKind::kCommand) {
        RunCommand(command, Trim(line), frame);
      } else {
        Error(ErrorKind::kClient, frame, frame.line,
              "SP2-0734: unknown command beginning \"" + Trim(line).substr(0, 10) +
                  "...\" - rest of line ignored.");
      }
      CheckOutput();
      return;
    }
  }
  const int before = splitter.PendingLines();
  if (before == 0) frame.statementLine = frame.line;
  std::optional<Statement> statement = splitter.AddLine(line);
  if (statement) {
    statement->firstLine = frame.statementLine;
    reader.Remember(statement->text + (statement->block ? "\n/" : ";"));
    RunStatement(*statement, frame, *poisoned);
    *poisoned = 0;
  } else if (hasNul && before == 0 && !splitter.Pending()) {
    *poisoned = 0;
    Error(ErrorKind::kSql, frame, frame.line,
          "ORA-00911: invalid character (a NUL byte in the input)", 911);
  }
}

void Shell::RunStatement(const Statement &statement, const Frame &frame,
                         int poisoned) {
  if (poisoned != 0) {
    Error(ErrorKind::kSql, frame, poisoned,
          "ORA-00911: invalid character (a NUL byte in the input)", 911);
    return;
  }
  std::string sql;
  Frame at = frame;
  at.line = statement.firstLine;
  if (!SubstituteText(statement.text, at, &sql)) return;
  output_.SetTerminal(settings_.termOut || frame.interactive);
  if (settings_.verify && sql != statement.text) {
    // SQL*Plus's old/new listing, for the lines that changed.
    size_t a = 0, b = 0;
    for (int n = 1;; ++n) {
      const size_t ae = statement.text.find('\n', a), be = sql.find('\n', b);
      const std::string oldLine = statement.text.substr(a, ae == std::string::npos ? ae : ae - a);
      const std::string newLine = sql.substr(b, be == std::string::npos ? be : be - b);
      if (oldLine != newLine) {
        char number[16];
        snprintf(number, sizeof number, "%4d: ", n);
        Print(std::string("old") + number + oldLine + "\nnew" + number + newLine + "\n");
      }
      if (ae == std::string::npos || be == std::string::npos) break;
      a = ae + 1;
      b = be + 1;
    }
  }
  buffer_ = sql;
  RunSql(sql, frame, statement.firstLine);
}

void Shell::RunSql(const std::string &sql, const Frame &frame, int line) {
  if (!connected_) {
    Error(ErrorKind::kSql, frame, line, "SP2-0640: Not connected");
    return;
  }
  const RunResult result = runner_.Run(sql);
  CheckOutput();
  if (done_) return;
  for (const auto &value : result.newValues) defines_.Set(value.first, value.second);
  if (result.compiled) {
    lastUnit_ = result.unit;
    hasLastUnit_ = true;
  }
  if (!result.ok) Error(ErrorKind::kSql, frame, line, result.message, result.code);
  // After an error too: what the block put before it failed is shown.
  if (!result.outputShown && !done_) ShowServerOutput();
}

bool Shell::RunText(const std::string &text) {
  Frame frame;
  frame.line = 1;
  const int before = errors_;
  std::string command;
  const LineKind kind = ClassifyLine(text, &command);
  if (kind == LineKind::kSql) {
    const Statement statement = StatementFromText(text);
    if (!statement.text.empty()) RunStatement(statement, frame, 0);
  } else if (kind == LineKind::kCommand) {
    std::string one = Trim(text);
    RunCommand(command, one, frame);
  } else {
    Error(ErrorKind::kClient, frame, 1,
          "SP2-0734: unknown command beginning \"" + Trim(text).substr(0, 10) +
              "...\" - rest of line ignored.");
  }
  CheckOutput();
  return errors_ == before && status_ == 0;
}

int Shell::ExitCode(const std::string &word) const {
  const std::string w = Upper(word);
  if (w.empty() || w == "SUCCESS") return 0;
  if (w == "FAILURE") return 1;
  if (w == "WARNING") return 2;
  if (w == "SQL.SQLCODE") return lastSqlCode_;
  std::string value = word;
  if (!value.empty() && value[0] == settings_.defineChar) value = value.substr(1);
  if (const std::optional<std::string> defined = defines_.Get(value)) value = *defined;
  char *end = nullptr;
  const long n = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0') return 1;  // not a number: FAILURE
  return static_cast<int>(n);
}

void Shell::Transaction(const std::string &action) {
  const std::string a = Upper(action);
  if (a != "COMMIT" && a != "ROLLBACK") return;
  if (!connected_) return;
  // The library commits each statement as it runs; this keeps the promise
  // for a library with open transactions and changes nothing otherwise.
  COCIRecordset recordset;
  if (!recordset.InitRecordset(&connection_)) return;
  try {
    recordset.OpenRecordset(a.c_str());
  } catch (...) {
  }
  recordset.CloseRecordset();
}

void Shell::Exit(const std::string &code, const std::string &action) {
  Transaction(action.empty() ? "COMMIT" : action);
  status_ = ExitCode(code) & 0xFF;
  done_ = true;
}

}  // namespace kestrel_sql
