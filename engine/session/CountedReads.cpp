/*
** The rule for a table read with no column: SELECT on it for the rights
** holder, for the owner of the view SQLite named, or, when it named none,
** for the owner of a view of the statement that names it and may read
** it (a view's body counting its table).
*/
#include "session/CountedReads.h"

#include <sqlite3.h>

#include "catalog/Dictionary.h"
#include "catalog/Privileges.h"
#include "session/OwnedStatement.h"
#include "session/SqlGuard.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

void ViewReads::Load(sqlite3 *db) {
  names_.clear();
  OwnedStatement st;
  if (sqlite3_prepare_v2(db, "SELECT name, sql FROM main.sqlite_master WHERE type = 'view'", -1,
                         &st.s, nullptr) != SQLITE_OK) {
    return;
  }
  while (sqlite3_step(st.s) == SQLITE_ROW) {
    std::set<std::string> &names = names_[ObjectKey(ColumnText(st.s, 0))];
    const std::string sql = ColumnText(st.s, 1);
    for (const Token &t : Tokenize(sql)) {
      if (t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier) {
        names.insert(ObjectKey(t.Name()));
      }
    }
  }
}

bool ViewReads::Reads(std::string_view view, std::string_view table) const {
  const auto found = names_.find(ObjectKey(view));
  return found != names_.end() && found->second.count(ObjectKey(table)) != 0;
}

int AuthorizeCountedRead(AccessData &access, const std::string &holder, const char *table,
                         const char *view, const std::vector<std::string> &views,
                         const ViewReads &reads, bool *invisible) {
  if (table == nullptr || !access.enforced() || IsEngineTable(table) ||
      sqlite3_strnicmp(table, "sqlite_", 7) == 0) {
    return SQLITE_OK;
  }
  std::string reader = holder;
  if (view != nullptr) {
    if (IsEngineTable(view) || IsDictionaryView(view)) return SQLITE_OK;
    const std::string owner = access.OwnerOf(view);
    if (!owner.empty()) reader = owner;
  }
  if (access.May(reader, table, "SELECT")) return SQLITE_OK;
  if (view == nullptr) {
    for (const std::string &v : views) {
      const std::string owner = access.OwnerOf(v);
      if (!owner.empty() && owner != holder && reads.Reads(v, table) &&
          access.May(owner, table, "SELECT")) {
        return SQLITE_OK;
      }
    }
  }
  *invisible = !access.MayReach(reader, table);
  return SQLITE_DENY;
}

bool CountedThroughDictionary(const std::vector<std::string> &views) {
  for (const std::string &v : views) {
    if (IsDictionaryView(v.c_str())) return true;
  }
  return false;
}

}  // namespace kestrel_engine
