/*
** The client commands: SET, SHOW, DEFINE, ACCEPT, PROMPT, @, SPOOL,
** WHENEVER, EXIT, CONNECT and the rest, as SQL*Plus reads them.
*/
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <fstream>

#include "Logon.h"
#include "Shell.h"
#include "TextQuery.h"

namespace kestrel_sql {

namespace {

constexpr int kMaxDepth = 20;  // nested @ scripts

std::string TrimText(const std::string &text) {
  const size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return std::string();
  const size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(start, end - start + 1);
}

// The text after the command's first word.
std::string Rest(const std::string &line) {
  size_t i = 0;
  if (!line.empty() && line[0] == '@') {
    i = line.compare(0, 2, "@@") == 0 ? 2 : 1;
    return TrimText(line.substr(i));
  }
  if (!line.empty() && line[0] == '!') return TrimText(line.substr(1));
  while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
  return TrimText(line.substr(i));
}

bool HasExtension(const std::string &path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

const char kHelpText[] =
    "kestrel-sql commands (abbreviations as in SQL*Plus):\n"
    "  SQL statements      end with ';' or a line holding '/'; blocks with '/'\n"
    "  / or RUN            run the last statement again (RUN lists it first)\n"
    "  LIST                show the last statement\n"
    "  @file [args]        run a script; START is the same, @@ looks beside\n"
    "                      the running script; args are &1, &2, ...\n"
    "  SET option value    ECHO FEEDBACK HEADING LINESIZE PAGESIZE NULL\n"
    "                      NUMWIDTH COLSEP TIMING VERIFY DEFINE TRIMSPOOL TAB\n"
    "                      TERMOUT SERVEROUTPUT AUTOCOMMIT LONG VERTICAL,\n"
    "                      MARKUP CSV ON|OFF\n"
    "  SHOW option|ALL|USER|SPOOL|RELEASE|SQLCODE\n"
    "  SHOW ERRORS [PROCEDURE|FUNCTION|PACKAGE [BODY]|TRIGGER|VIEW|TYPE [BODY] [schema.]name]\n"
    "                      compilation errors of the last CREATE, or of the one named\n"
    "  SET SERVEROUTPUT ON [SIZE n|UNLIMITED] [FORMAT WRAPPED|WORD_WRAPPED|TRUNCATED]|OFF\n"
    "                      print DBMS_OUTPUT's lines after each statement\n"
    "  SET NUMWIDTH n      width of numbers without a COLUMN format (10)\n"
    "  DEFINE [name [= value]]  UNDEFINE name...  &name  &&name  &1\n"
    "  ACCEPT name [NUMBER|CHAR] [DEFAULT d] [PROMPT text|NOPROMPT] [HIDE]\n"
    "  PROMPT text         REMARK text         -- comment   /* comment */\n"
    "  SPOOL file [CREATE|REPLACE|APPEND] | OFF\n"
    "  WHENEVER SQLERROR|OSERROR EXIT [SUCCESS|FAILURE|WARNING|n|SQL.SQLCODE]\n"
    "           [COMMIT|ROLLBACK] | CONTINUE [COMMIT|ROLLBACK|NONE]\n"
    "                      (EXIT without a code: FAILURE)\n"
    "  COLUMN name [HEADING text] [FORMAT An|9,990.99] [NOPRINT] [NEW_VALUE var] [CLEAR]\n"
    "                      number formats: 9 0 , . $ B S MI PR EEEE; dates follow\n"
    "                      NLS_DATE_FORMAT (ALTER SESSION), as in SQL*Plus\n"
    "  CLEAR COLUMNS\n"
    "  DESCRIBE name       a table's or view's columns, NOT NULL and types; a\n"
    "                      procedure's, function's or package's arguments\n"
    "  (your tables: SELECT table_name FROM user_tables; every object with its\n"
    "   owner: SELECT owner, object_name, object_type FROM all_objects)\n"
    "  EXECUTE statement   runs BEGIN statement; END;\n"
    "  CONNECT user[/password][@link]\n"
    "  EXIT|QUIT [SUCCESS|FAILURE|WARNING|n|variable|SQL.SQLCODE] [COMMIT|ROLLBACK]\n"
    "  HELP                this text\n"
    "  Ctrl-C              while a statement runs: stops it (ORA-01013);\n"
    "                      at the prompt: drops the statement being typed\n"
    "Accepted and ignored: BREAK BTITLE COMPUTE PAUSE TTITLE, other formats.\n"
    "  HOST command, !command  with --allow-host only\n"
    "Not available yet: VARIABLE, PRINT. SET TAB is accepted; output uses spaces.\n"
    "On a terminal: Ctrl-C clears the statement being typed, or stops printing\n"
    "a result and the running script; Ctrl-D on an empty line leaves; the\n"
    "arrows (or Ctrl-P, Ctrl-N) recall whole statements.\n";

}  // namespace

void Shell::RunCommand(const std::string &name, const std::string &original,
                       Frame &frame) {
  output_.SetTerminal(settings_.termOut || frame.interactive);
  if (name == "REMARK") return;
  std::string line = original;
  if (name != "PROMPT" && !SubstituteText(original, frame, &line)) return;
  if (name != "PROMPT" && !line.empty() && line.back() == ';') {
    line.pop_back();
    line = TrimText(line);
  }
  const std::string rest = Rest(line);
  const std::vector<std::string> words = CommandWords(rest);
  auto client = [&](const std::string &message) {
    Error(ErrorKind::kClient, frame, frame.line, message);
  };

  if (name == "/" || name == "RUN") {
    if (buffer_.empty()) {
      client("SP2-0103: Nothing in SQL buffer to run.");
      return;
    }
    if (name == "RUN") {
      size_t start = 0;
      for (int n = 1;; ++n) {
        const size_t end = buffer_.find('\n', start);
        char number[16];
        snprintf(number, sizeof number, "%3d%c ", n, end == std::string::npos ? '*' : ' ');
        Print(number + buffer_.substr(start, end == std::string::npos ? end : end - start) + "\n");
        if (end == std::string::npos) break;
        start = end + 1;
      }
    }
    RunSql(buffer_, frame, frame.line);
  } else if (name == "LIST") {
    if (buffer_.empty()) client("SP2-0223: No lines in SQL buffer.");
    else Print(buffer_ + "\n");
  } else if (name == "START") {
    const bool relative = original.compare(0, 2, "@@") == 0;
    if (rest.empty()) {
      client("SP2-1506: START, @ or @@ command has no arguments");
      return;
    }
    RunFile(rest, relative, frame);
  } else if (name == "EXIT" || name == "QUIT") {
    std::string code, action;
    for (const std::string &w : words) {
      const std::string u = Upper(w);
      if (u == "COMMIT" || u == "ROLLBACK") action = u;
      else code = w;
    }
    Exit(code, action);
  } else if (name == "SET") {
    std::string error, note;
    const int serverOutputSets = settings_.serverOutputSets;
    if (!settings_.Apply(rest, &error, &note)) client(error);
    else if (!note.empty()) Print(note + "\n");
    if (settings_.serverOutputSets != serverOutputSets) SwitchServerOutput(frame);
  } else if (name == "SHOW") {
    Show(words, frame);
  } else if (name == "PROMPT") {
    // PROMPT's text is substituted but keeps its own quotes and ';'.
    std::string text;
    if (!SubstituteText(Rest(original), frame, &text)) return;
    Print(text + "\n");
  } else if (name == "DEFINE") {
    const size_t eq = rest.find('=');
    if (rest.empty()) {
      Print(defines_.List());
    } else if (eq == std::string::npos) {
      if (words.size() > 1) {
        client("SP2-0553: DEFINE needs '=': DEFINE " + words[0] + " = text");
      } else if (const std::optional<std::string> v = defines_.Get(words[0])) {
        Print(Defines::Describe(words[0], *v) + "\n");
      } else {
        client("SP2-0135: symbol " + words[0] + " is UNDEFINED");
      }
    } else {
      const std::string variable = TrimText(rest.substr(0, eq));
      const std::vector<std::string> value = CommandWords(rest.substr(eq + 1));
      std::string text = TrimText(rest.substr(eq + 1));
      if (!text.empty() && (text[0] == '\'' || text[0] == '"') && !value.empty())
        text = value[0];
      if (variable.empty()) client("SP2-0553: Illegal variable name \"\".");
      else defines_.Set(variable, text);
    }
  } else if (name == "UNDEFINE") {
    for (const std::string &w : words) defines_.Remove(w);
  } else if (name == "ACCEPT") {
    Accept(words, frame);
  } else if (name == "SPOOL") {
    Spool(words, frame);
  } else if (name == "WHENEVER") {
    Whenever(words, frame);
  } else if (name == "EXECUTE") {
    if (rest.empty()) {
      client("SP2-0450: EXECUTE needs a statement");
      return;
    }
    std::string body = rest;
    if (body.back() != ';') body += ';';
    buffer_ = "BEGIN " + body + " END;";
    RunSql(buffer_, frame, frame.line);
  } else if (name == "CONNECT") {
    Connect(words, frame);
  } else if (name == "DISCONNECT") {
    if (connected_) connection_.DisConnect();
    connected_ = false;
    Print("Disconnected.\n");
  } else if (name == "COLUMN") {
    std::string error;
    if (!rest.empty() && !settings_.ApplyColumn(rest, &error)) client(error);
  } else if (name == "CLEAR") {
    if (!words.empty() && Abbreviates(words[0], "COLUMNS", 3)) settings_.columns.clear();
  } else if (name == "HELP") {
    Print(kHelpText);
  } else if (name == "HOST") {
    if (!options_.allowHost) {
      client("SP2-0738: HOST is refused: start kestrel-sql with --allow-host");
      return;
    }
    output_.Stream().flush();
    // The command's own output goes straight to the terminal, unspooled.
    const pid_t child = fork();
    if (child == 0) {
      execl("/bin/sh", "sh", "-c", rest.empty() ? "exec \"${SHELL:-/bin/sh}\"" : rest.c_str(),
            static_cast<char *>(nullptr));
      _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
      Error(ErrorKind::kOs, frame, frame.line, "SP2-0738: HOST could not start /bin/sh", errno);
  } else if (name == "DESCRIBE") {
    Describe(words, frame);
  } else if (name == "VARIABLE" || name == "PRINT" ||
             name == "PASSWORD" || name == "HISTORY" || name == "TIMING") {
    client("SP2-0734: " + name + " is not available in kestrel-sql yet");
  }
  // BREAK, BTITLE, COMPUTE, PAUSE, TTITLE: accepted, no effect.
}

void Shell::RunFile(const std::string &text, bool relative, const Frame &frame) {
  std::vector<std::string> words = CommandWords(text);
  std::string path = words.empty() ? text : words[0];
  if (!HasExtension(path)) path += ".sql";
  if (relative && !path.empty() && path[0] != '/' && !frame.directory.empty())
    path = frame.directory + "/" + path;
  if (frame.depth >= kMaxDepth) {
    Error(ErrorKind::kClient, frame, frame.line,
          "SP2-0309: scripts nested deeper than " + std::to_string(kMaxDepth));
    return;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    Error(ErrorKind::kOs, frame, frame.line,
          "SP2-0310: unable to open file \"" + path + "\"", errno);
    return;
  }
  for (size_t i = 1; i < words.size(); ++i) defines_.Set(std::to_string(i), words[i]);
  StreamLineReader reader(file);
  Frame inner;
  inner.source = path;
  const size_t slash = path.rfind('/');
  inner.directory = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  inner.depth = frame.depth + 1;
  // The script's own errors were reported there and follow its rules; the
  // command that started it succeeded.
  const int errors = errors_;
  RunFrame(reader, inner);
  errors_ = errors;
}

void Shell::Show(const std::vector<std::string> &words, const Frame &frame) {
  if (words.empty()) {
    Error(ErrorKind::kClient, frame, frame.line, "SP2-0158: SHOW needs an option");
    return;
  }
  const std::string what = Upper(words[0]);
  std::string text;
  if (what == "USER") {
    text = "USER is \"" + Upper(user_) + "\"";
  } else if (what == "SPOOL" || what == "SPOO") {
    text = output_.Spooling() ? "spool \"" + output_.SpoolPath() + "\""
                              : "not spooling currently";
  } else if (what == "RELEASE" || what == "REL") {
    text = "release " KESTREL_SQL_VERSION;
  } else if (Abbreviates(what, "ERRORS", 3)) {
    ShowErrors(std::vector<std::string>(words.begin() + 1, words.end()), frame);
    return;
  } else if (what == "SQLCODE" || what == "SQLC") {
    text = "sqlcode " + std::to_string(lastSqlCode_);
  } else if (!settings_.Show(words[0], &text)) {
    Error(ErrorKind::kClient, frame, frame.line,
          "SP2-0158: unknown SHOW option \"" + words[0] + "\"");
    return;
  }
  Print(text + "\n");
}

void Shell::Accept(const std::vector<std::string> &words, const Frame &frame) {
  if (words.empty()) {
    Error(ErrorKind::kClient, frame, frame.line, "SP2-0003: Ill-formed ACCEPT command");
    return;
  }
  const std::string variable = words[0];
  std::string prompt = "Enter value for " + variable + ": ";
  std::optional<std::string> fallback;
  bool hidden = false, number = false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string w = words[i];
    if (Abbreviates(w, "NUMBER", 3)) number = true;
    else if (Abbreviates(w, "PROMPT", 3) && i + 1 < words.size()) prompt = words[++i];
    else if (Abbreviates(w, "NOPROMPT", 4)) prompt.clear();
    else if (Abbreviates(w, "DEFAULT", 3) && i + 1 < words.size()) fallback = words[++i];
    else if (Abbreviates(w, "FORMAT", 3) && i + 1 < words.size()) ++i;
    else if (Abbreviates(w, "HIDE", 3)) hidden = true;
  }
  std::optional<std::string> answer = Ask(prompt, hidden);
  if (!answer) {
    Error(ErrorKind::kClient, frame, frame.line,
          "SP2-0546: no value for ACCEPT " + variable + " (end of input)");
    return;
  }
  if (answer->empty() && fallback) answer = fallback;
  if (number) {
    char *end = nullptr;
    strtod(answer->c_str(), &end);
    if (answer->empty() || *end != '\0') {
      Error(ErrorKind::kClient, frame, frame.line,
            "SP2-0425: \"" + *answer + "\" is not a valid NUMBER");
      return;
    }
  }
  defines_.Set(variable, *answer);
}

void Shell::Spool(const std::vector<std::string> &words, const Frame &frame) {
  std::string error;
  if (words.empty()) {
    Print(output_.Spooling() ? "currently spooling to " + output_.SpoolPath() + "\n"
                             : "not spooling currently\n");
    return;
  }
  const std::string first = Upper(words[0]);
  if (first == "OFF" || first == "OUT") {
    if (!output_.Spooling()) {
      Error(ErrorKind::kClient, frame, frame.line, "SP2-0332: not spooling currently");
    } else if (!output_.StopSpool(&error)) {
      Error(ErrorKind::kOs, frame, frame.line, error);
    }
    return;
  }
  std::string path = words[0];
  if (!HasExtension(path)) path += ".lst";
  bool append = false;
  if (words.size() > 1) append = Abbreviates(words[1], "APPEND", 3);
  if (!output_.StartSpool(path, append, &error))
    Error(ErrorKind::kOs, frame, frame.line,
          "SP2-0606: Cannot create SPOOL file \"" + path + "\" (" + error + ")", errno);
}

void Shell::Whenever(const std::vector<std::string> &words, const Frame &frame) {
  auto bad = [&] {
    Error(ErrorKind::kClient, frame, frame.line,
          "SP2-0591: Unable to parse WHENEVER: use WHENEVER SQLERROR|OSERROR "
          "EXIT [code] [COMMIT|ROLLBACK] | CONTINUE [COMMIT|ROLLBACK|NONE]");
  };
  if (words.size() < 2) return bad();
  const std::string kind = Upper(words[0]);
  if (kind != "SQLERROR" && kind != "OSERROR") return bad();
  struct Whenever rule;
  const std::string what = Upper(words[1]);
  if (what == "EXIT") rule.exit = true;
  else if (what != "CONTINUE") return bad();
  for (size_t i = 2; i < words.size(); ++i) {
    const std::string w = Upper(words[i]);
    if (w == "COMMIT" || w == "ROLLBACK" || (w == "NONE" && !rule.exit)) rule.action = w;
    else if (rule.exit && rule.code.empty()) rule.code = words[i];
    else return bad();
  }
  (kind == "SQLERROR" ? sqlError_ : osError_) = rule;
}

void Shell::Connect(const std::vector<std::string> &words, const Frame &frame) {
  if (words.empty()) {
    Error(ErrorKind::kClient, frame, frame.line, "SP2-0306: Invalid option: CONNECT needs user[/password][@link]");
    return;
  }
  std::string text = words[0];
  Logon logon;
  std::string error;
  if (!ParseLogon(text, &logon, &error)) {
    Error(ErrorKind::kClient, frame, frame.line, "SP2-0306: " + error);
    return;
  }
  if (logon.link.empty()) logon.link = link_;
  if (!logon.hasPassword) {
    const std::optional<std::string> password = Ask("Enter password: ", true);
    if (!password) {
      Error(ErrorKind::kClient, frame, frame.line, "SP2-0306: no password given");
      return;
    }
    logon.password = *password;
  }
  std::string resolved;
  if (!ResolveLink(logon.link, false, &resolved, &error)) {
    Error(ErrorKind::kOs, frame, frame.line, error);
    return;
  }
  if (prompter_ != nullptr) prompter_->BreakTarget(nullptr);
  if (connected_) connection_.DisConnect();
  connected_ = connection_.Connect(resolved.c_str(), logon.user.c_str(),
                                   logon.password.c_str()) != 0;
  if (!connected_) {
    Error(ErrorKind::kSql, frame, frame.line, ErrorRecordText());
    return;
  }
  if (prompter_ != nullptr) prompter_->BreakTarget(connection_.ServiceContext());
  SetLogon(logon.user, logon.link);
  Print("Connected.\n");
  if (settings_.serverOutput) SwitchServerOutput(frame);
}

void Shell::Describe(const std::vector<std::string> &words, const Frame &frame) {
  // A table or view named as SQL names it: [schema.]name, quoted or not.
  // Until the data dictionary exists, its columns come from describing a
  // query over it that returns no rows.
  const std::string object = words.empty() ? std::string() : words[0];
  bool plain = !object.empty();
  for (const char c : object)
    plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
                      c == '$' || c == '#' || c == '.');
  if (!plain) {
    Error(ErrorKind::kClient, frame, frame.line,
          "SP2-0565: Illegal identifier \"" + object + "\"");
    return;
  }
  if (!connected_) {
    Error(ErrorKind::kSql, frame, frame.line, "SP2-0640: Not connected");
    return;
  }
  TextQuery query(connection_.Environment(), connection_.ServiceContext(),
                  connection_.ErrorHandle(), 0);
  std::vector<ResultColumn> columns;
  if (query.Prepare("SELECT * FROM " + object + " WHERE 1 = 0") != TextQuery::Kind::kQuery ||
      !query.Execute(&columns)) {
    if ((query.ErrorCode() == 942 || query.ErrorCode() == 0) && DescribeCode(object, frame))
      return;
    Error(ErrorKind::kClient, frame, frame.line,
          query.ErrorCode() == 942 || query.ErrorCode() == 0
              ? "ERROR:\nORA-04043: object " + object + " does not exist"
              : query.ErrorText());
    return;
  }
  auto pad = [](std::string text, size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
  };
  std::string text = " " + pad("Name", 32) + " " + pad("Null?", 8) + " Type\n" + " " +
                     std::string(32, '-') + " " + std::string(8, '-') + " " +
                     std::string(20, '-') + "\n";
  for (const ColumnDescription &c : query.Described())
    text += " " + pad(c.name, 32) + " " + pad(c.nullable ? "" : "NOT NULL", 8) + " " +
            TypeName(c) + "\n";
  Print(text);
}

}  // namespace kestrel_sql
