/*
** The mapping from SQLite's result codes and messages to Oracle error
** numbers. SQLite reports most statement errors as SQLITE_ERROR with a
** message, so those are told apart by the message's opening words.
*/
#include "errors/SqliteErrors.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace kestrel_engine {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char &c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// "ORA-01438: ..." raised by the engine's own triggers and functions.
bool VendorNumber(std::string_view message, int *code) {
  if (message.size() < 10 || !StartsWith(message, "ORA-")) return false;
  int value = 0;
  for (size_t i = 4; i < 9; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(message[i]))) return false;
    value = value * 10 + (message[i] - '0');
  }
  if (message[9] != ':') return false;
  *code = value;
  return true;
}

// The text after "...: " in messages like "no such table: T".
std::string_view After(std::string_view message, std::string_view prefix) {
  std::string_view rest = message.substr(prefix.size());
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  return rest;
}

OraError FromConstraint(int extendedCode, std::string_view message,
                        int statementType) {
  switch (extendedCode) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
      return OraError::Make(1, Upper(After(message, "UNIQUE constraint failed:")));
    case SQLITE_CONSTRAINT_NOTNULL:
      return OraError::Make(1400,
                            Upper(After(message, "NOT NULL constraint failed:")));
    case SQLITE_CONSTRAINT_CHECK:
      return OraError::Make(2290, After(message, "CHECK constraint failed:"));
    case SQLITE_CONSTRAINT_FOREIGNKEY:
      return OraError::Make(statementType == 3 ? 2292 : 2291, "FOREIGN KEY");
    default:
      return OraError::Make(2290, message);
  }
}

// "table T has 2 columns but 3 values were supplied" and
// "3 values for 2 columns": too many values or not enough.
int ValueCountError(std::string_view message) {
  const char *text = message.data();
  const char *has = std::strstr(text, " has ");
  if (has != nullptr) {
    const long columns = std::strtol(has + 5, nullptr, 10);
    const char *but = std::strstr(has, " but ");
    const long values = but ? std::strtol(but + 5, nullptr, 10) : 0;
    return values > columns ? 913 : 947;
  }
  char *end = nullptr;
  const long values = std::strtol(text, &end, 10);
  const char *for_ = std::strstr(end, " for ");
  const long columns = for_ ? std::strtol(for_ + 5, nullptr, 10) : 0;
  return values > columns ? 913 : 947;
}

OraError FromMessage(std::string_view message, int statementType) {
  if (StartsWith(message, "no such table:") ||
      StartsWith(message, "no such view:")) {
    return OraError::Make(942, message);
  }
  if (StartsWith(message, "no such column:")) {
    return OraError::Make(904,
                          "\"" + Upper(After(message, "no such column:")) + "\"");
  }
  if (StartsWith(message, "no such function:")) {
    return OraError::Make(904,
                          "\"" + Upper(After(message, "no such function:")) + "\"");
  }
  if (StartsWith(message, "near \"") || message == "incomplete input") {
    return OraError::Make(statementType == 0 ? 900 : 933, message);
  }
  if (StartsWith(message, "not authorized") ||
      message.find("may not be modified") != std::string_view::npos) {
    return OraError::Make(1031, message);  // the schema, in defensive mode
  }
  if (StartsWith(message, "cannot modify ") &&
      message.find(" because it is a view") != std::string_view::npos) {
    return OraError::Make(1732);  // a view without an INSTEAD OF trigger
  }
  if (StartsWith(message, "unrecognized token:")) {
    return OraError::Make(911, message);
  }
  if (StartsWith(message, "ambiguous column name:")) {
    return OraError::Make(918, message);
  }
  if (message.find("already exists") != std::string_view::npos) {
    return OraError::Make(955, message);
  }
  if (message.find(" values for ") != std::string_view::npos ||
      (StartsWith(message, "table ") &&
       message.find(" values were supplied") != std::string_view::npos)) {
    return OraError::Make(ValueCountError(message), message);
  }
  if (StartsWith(message, "wrong number of arguments")) {
    return OraError::Make(909, message);
  }
  if (StartsWith(message, "misuse of aggregate")) {
    return OraError::Make(934, message);
  }
  if (StartsWith(message, "no such savepoint:")) {
    return OraError::Make(1086, Upper(After(message, "no such savepoint:")));
  }
  if (StartsWith(message, "no such index:")) {
    return OraError::Make(1418, message);
  }
  if (StartsWith(message, "integer overflow")) {
    return OraError::Make(1426, message);
  }
  return OraError::Make(600, "sqlite: " + std::string(message));
}

}  // namespace

OraError ErrorFromSqlite(int extendedCode, const char *message,
                         int statementType) {
  const std::string_view text = message ? message : "";
  int vendor = 0;
  if (VendorNumber(text, &vendor)) return OraError::Verbatim(vendor, text);

  switch (extendedCode & 0xff) {
    case SQLITE_CONSTRAINT:
      return FromConstraint(extendedCode, text, statementType);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return OraError::Make(54, text);
    case SQLITE_READONLY:
      return OraError::Make(16000, text);
    case SQLITE_INTERRUPT:
      return OraError::Make(1013);
    case SQLITE_TOOBIG:
      return OraError::Make(1489, text);
    case SQLITE_MISMATCH:
      return OraError::Make(932, text);
    case SQLITE_AUTH:
      // To user SQL the engine's own tables do not exist; anything else
      // the authorizer refused is beyond the session's rights.
      if (text.find("kestrel$") != std::string_view::npos) {
        return OraError::Make(942);
      }
      return OraError::Make(1031);
    case SQLITE_NOTADB:
    case SQLITE_CANTOPEN:
      return OraError::Make(12154, text);
    case SQLITE_ERROR:
      return FromMessage(text, statementType);
    default:
      return OraError::Make(600, "sqlite: " + std::string(text));
  }
}

OraError ErrorFromSqlite(sqlite3 *db, int statementType) {
  return ErrorFromSqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db),
                         statementType);
}

}  // namespace kestrel_engine
