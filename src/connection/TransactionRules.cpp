/*
** The statements that end a transaction implicitly, told from the
** statement type and the first words of the text.
*/
#include "connection/TransactionRules.h"

#include <ctype.h>

#include "oci.h"

namespace kestrel {

namespace {

// The words of `sql` from `at`, upper-cased, skipping blanks and comments.
std::string NextWord(const std::string &sql, size_t &at) {
  for (;;) {
    while (at < sql.size() && isspace(static_cast<unsigned char>(sql[at]))) ++at;
    if (sql.compare(at, 2, "--") == 0) {
      at = sql.find('\n', at);
      if (at == std::string::npos) at = sql.size();
    } else if (sql.compare(at, 2, "/*") == 0) {
      at = sql.find("*/", at + 2);
      at = at == std::string::npos ? sql.size() : at + 2;
    } else {
      break;
    }
  }
  std::string word;
  while (at < sql.size() && (isalnum(static_cast<unsigned char>(sql[at])) || sql[at] == '_'))
    word += static_cast<char>(toupper(static_cast<unsigned char>(sql[at++])));
  return word;
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
