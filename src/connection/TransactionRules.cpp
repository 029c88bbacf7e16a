/*
** The statements that end a transaction implicitly, told from the
** statement type and the first words of the text.
*/
#include "connection/TransactionRules.h"

#include <ctype.h>

#include "oci.h"

namespace kestrel {

namespace {

bool IsWordChar(char c) {
  return isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
         c == '#';
}

// The words of `sql` from `at`, upper-cased, skipping blanks, comments,
// literals and anything else that is not a word; empty at the end.
std::string NextWord(const std::string &sql, size_t &at) {
  for (;;) {
    while (at < sql.size() && isspace(static_cast<unsigned char>(sql[at]))) ++at;
    if (at < sql.size() && (sql[at] == '\'' || sql[at] == '"')) {
      // A literal or a quoted name: '' inside a literal is two quotes
      // back to back, which this reads as two literals.
      const size_t end = sql.find(sql[at], at + 1);
      at = end == std::string::npos ? sql.size() : end + 1;
    } else if (sql.compare(at, 2, "--") == 0) {
      at = sql.find('\n', at);
      if (at == std::string::npos) at = sql.size();
    } else if (sql.compare(at, 2, "/*") == 0) {
      at = sql.find("*/", at + 2);
      at = at == std::string::npos ? sql.size() : at + 2;
    } else if (at < sql.size() && !IsWordChar(sql[at])) {
      ++at;  // punctuation, operators
    } else {
      break;
    }
  }
  std::string word;
  while (at < sql.size() && IsWordChar(sql[at]))
    word += static_cast<char>(toupper(static_cast<unsigned char>(sql[at++])));
  return word;
}

// True when a block's words hold a COMMIT, or a ROLLBACK not to a
// savepoint: the block commits or rolls back whatever is pending.
bool BlockEndsTransaction(const std::string &sql) {
  size_t at = 0;
  for (std::string word = NextWord(sql, at); !word.empty();
       word = NextWord(sql, at)) {
    if (word == "COMMIT") return true;
    if (word == "ROLLBACK") {
      size_t after = at;
      std::string next = NextWord(sql, after);
      if (next == "WORK") next = NextWord(sql, after);
      if (next != "TO") return true;
    }
  }
  return false;
}

}  // namespace

bool EndsTransaction(int type, const std::string &sql) {
  size_t at = 0;
  const std::string first = NextWord(sql, at);
  switch (type) {
    case OCI_STMT_CREATE:
    case OCI_STMT_DROP:
      return true;
    case OCI_STMT_ALTER:
      return NextWord(sql, at) != "SESSION";
    case OCI_STMT_BEGIN:
    case OCI_STMT_DECLARE:
      return BlockEndsTransaction(sql);
    default:
      break;
  }
  if (first == "COMMIT") return true;
  if (first == "ROLLBACK") {
    const std::string second = NextWord(sql, at);
    return second != "TO" && (second != "WORK" || NextWord(sql, at) != "TO");
  }
  // TRUNCATE, GRANT, REVOKE, RENAME and the like are DDL too.
  return first == "TRUNCATE" || first == "GRANT" || first == "REVOKE" ||
         first == "RENAME" || first == "COMMENT" || first == "ANALYZE" ||
         first == "AUDIT" || first == "NOAUDIT" || first == "PURGE" ||
         first == "FLASHBACK";
}

}  // namespace kestrel
