/*
** Statement feedback by leading keywords.
*/
#include "Feedback.h"

#include <cctype>
#include <vector>

namespace kestrel_sql {

namespace {

// The first words of the statement, upper-cased, leading comments and
// punctuation skipped.
std::vector<std::string> Words(const std::string &sql, size_t wanted) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < sql.size() && words.size() < wanted) {
    if (sql.compare(i, 2, "--") == 0) {
      i = sql.find('\n', i);
      if (i == std::string::npos) break;
    } else if (sql.compare(i, 2, "/*") == 0) {
      i = sql.find("*/", i + 2);
      if (i == std::string::npos) break;
      i += 2;
    } else if (std::isalpha(static_cast<unsigned char>(sql[i])) || sql[i] == '_') {
      std::string word;
      while (i < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[i])) ||
                                sql[i] == '_')) {
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i])));
        ++i;
      }
      words.push_back(word);
    } else if (sql[i] == '"' || sql[i] == '\'' || sql[i] == '(') {
      break;  // past the keywords
    } else {
      ++i;
    }
  }
  return words;
}

std::string Rows(long rows, const char *verb) {
  return (rows == 1 ? "1 row " : std::to_string(rows) + " rows ") + verb + ".";
}

std::string Capitalised(std::string word) {
  for (size_t i = 1; i < word.size(); ++i)
    word[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
  return word;
}

// A name at `i`: "quoted" kept as it is, else upper-cased; empty if none.
std::string NameAt(const std::string &sql, size_t *i) {
  while (*i < sql.size() && std::isspace(static_cast<unsigned char>(sql[*i]))) ++*i;
  std::string name;
  if (*i < sql.size() && sql[*i] == '"') {
    const size_t end = sql.find('"', *i + 1);
    if (end == std::string::npos) return std::string();
    name = sql.substr(*i + 1, end - *i - 1);
    *i = end + 1;
    return name;
  }
  while (*i < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[*i])) ||
                             sql[*i] == '_' || sql[*i] == '$' || sql[*i] == '#'))
    name += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[(*i)++])));
  return name;
}

// The object kind after CREATE, DROP or ALTER, modifiers skipped:
// "TABLE", "INDEX", "VIEW", ... or empty.
std::string ObjectKind(const std::vector<std::string> &w) {
  static const char *const kModifiers[] = {
      "OR", "REPLACE", "UNIQUE", "BITMAP", "GLOBAL", "TEMPORARY", "TEMP",
      "PRIVATE", "EDITIONABLE", "NONEDITIONABLE", "FORCE", "NO", "VIRTUAL",
      "PUBLIC", "MATERIALIZED"};
  for (size_t i = 1; i < w.size(); ++i) {
    bool modifier = false;
    for (const char *m : kModifiers) modifier = modifier || w[i] == m;
    if (!modifier) {
      const std::string next = i + 1 < w.size() ? w[i + 1] : std::string();
      if ((w[i] == "PACKAGE" || w[i] == "TYPE") && next == "BODY") return w[i] + " BODY";
      if (w[i] == "DATABASE" && next == "LINK") return "DATABASE LINK";
      if (w[i] == "VIEW" && i > 1 && w[i - 1] == "MATERIALIZED") return "MATERIALIZED VIEW";
      return w[i];
    }
  }
  return std::string();
}

}  // namespace

std::string StatementFeedback(const std::string &sql, long rows) {
  const std::vector<std::string> w = Words(sql, 8);
  if (w.empty()) return "Statement processed.";
  const std::string &first = w[0];

  if (first == "INSERT") return Rows(rows, "created");
  if (first == "UPDATE") return Rows(rows, "updated");
  if (first == "DELETE") return Rows(rows, "deleted");
  if (first == "MERGE") return Rows(rows, "merged");
  if (first == "REPLACE") return Rows(rows, "created");
  if (first == "BEGIN" || first == "DECLARE" || first == "CALL" ||
      first == "EXEC" || first == "EXECUTE")
    return "PL/SQL procedure successfully completed.";
  // The library commits every statement as it runs: there is never
  // anything left to commit or to roll back, and saying otherwise would
  // promise an undo that cannot happen.
  if (first == "COMMIT") return "Commit complete.";
  if (first == "ROLLBACK")
    return "Rollback complete; nothing was undone: every statement was "
           "committed as it ran.";
  if (first == "SAVEPOINT") return "Savepoint created.";
  if (first == "TRUNCATE") return "Table truncated.";
  if (first == "RENAME") return "Table renamed.";
  if (first == "FLASHBACK") return "Flashback complete.";
  if (first == "GRANT") return "Grant succeeded.";
  if (first == "REVOKE") return "Revoke succeeded.";
  if (first == "COMMENT") return "Comment created.";
  if (first == "CREATE" || first == "DROP" || first == "ALTER") {
    const std::string kind = ObjectKind(w);
    if (kind.empty()) return "Statement processed.";
    static const char *const kPast[][2] = {
        {"CREATE", "created"}, {"DROP", "dropped"}, {"ALTER", "altered"}};
    for (const auto &p : kPast) {
      if (first == p[0]) return Capitalised(kind) + " " + p[1] + ".";
    }
  }
  return "Statement processed.";
}

bool FindCodeUnit(const std::string &sql, CodeUnit *unit) {
  const std::vector<std::string> w = Words(sql, 8);
  if (w.empty() || (w[0] != "CREATE" && w[0] != "ALTER")) return false;
  const std::string kind = ObjectKind(w);
  static const char *const kCode[] = {"PROCEDURE", "FUNCTION", "PACKAGE", "PACKAGE BODY",
                                      "TRIGGER", "TYPE", "TYPE BODY", "VIEW"};
  bool code = false;
  for (const char *k : kCode) code = code || kind == k;
  if (!code) return false;
  // The name follows the kind's last word.
  const std::string last = kind.substr(kind.rfind(' ') + 1);
  size_t i = 0;
  for (;;) {
    size_t at = i;
    const std::string word = NameAt(sql, &at);
    if (word.empty()) {
      if (at >= sql.size()) return false;
      i = at + 1;  // a comment's or a blank's character
      if (sql.compare(at, 2, "--") == 0) i = sql.find('\n', at);
      else if (sql.compare(at, 2, "/*") == 0) i = sql.find("*/", at) + 2;
      if (i == std::string::npos || i < at) return false;
      continue;
    }
    i = at;
    if (word == last) break;
  }
  std::string name = NameAt(sql, &i);
  std::string schema;
  if (i < sql.size() && sql[i] == '.') {
    ++i;
    schema = name;
    name = NameAt(sql, &i);
  }
  if (name.empty()) return false;
  unit->verb = w[0];
  unit->type = kind;
  unit->schema = schema;
  unit->name = name;
  return true;
}

std::string CompilationWarning(const CodeUnit &unit) {
  return "Warning: " + Capitalised(unit.type) + (unit.verb == "ALTER" ? " altered" : " created") +
         " with compilation errors.";
}

bool IsBlock(const std::string &sql) {
  const std::vector<std::string> w = Words(sql, 1);
  return !w.empty() && (w[0] == "BEGIN" || w[0] == "DECLARE" || w[0] == "CALL" ||
                        w[0] == "EXEC" || w[0] == "EXECUTE");
}

std::string SelectedFeedback(size_t rows) {
  if (rows == 0) return "no rows selected";
  return rows == 1 ? "1 row selected."
                   : std::to_string(rows) + " rows selected.";
}

}  // namespace kestrel_sql
