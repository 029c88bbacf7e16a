/*
** A prepared statement the engine runs on its own tables, finalized when
** it goes out of scope, and the text of one of its columns ("" for NULL).
*/
#ifndef KESTREL_ENGINE_OWNEDSTATEMENT_H
#define KESTREL_ENGINE_OWNEDSTATEMENT_H

#include <sqlite3.h>

#include <string>

namespace kestrel_engine {

struct OwnedStatement {
  sqlite3_stmt *s = nullptr;
  OwnedStatement() = default;
  OwnedStatement(const OwnedStatement &) = delete;
  OwnedStatement &operator=(const OwnedStatement &) = delete;
  ~OwnedStatement() { sqlite3_finalize(s); }
};

inline std::string ColumnText(sqlite3_stmt *s, int k) {
  const unsigned char *t = sqlite3_column_text(s, k);
  return t ? reinterpret_cast<const char *>(t) : "";
}

}  // namespace kestrel_engine

#endif
