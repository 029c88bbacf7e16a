/*
** The catalog over an SQLite connection: PRAGMA table_info for tables and
** views (temporary ones first, as SQLite resolves names), kestrel$sequences
** for sequences, kestrel$synonyms for the names that stand for them.
*/
#include "sql/resolve/Catalog.h"

#include <cctype>
#include <exception>
#include <set>
#include <utility>

#include "catalog/StorageNames.h"
#include "sql/ast/Arena.h"
#include "sql/emit/Backend.h"
#include "sql/parse/Parse.h"
#include "sql/resolve/Resolve.h"

namespace kestrel_engine::sql {

Catalog::~Catalog() = default;

int Catalog::MissingTableError(std::string_view, std::string_view, std::string *) { return 942; }

bool Catalog::SequenceThroughSynonym(std::string_view, std::string *) { return false; }
bool Catalog::FindSequence(std::string_view, std::string_view name, std::string *stored) {
  if (!HasSequence(name)) return false;
  stored->assign(name.data(), name.size());
  return true;
}
bool Catalog::FindFunction(std::string_view, std::string_view, std::string *, OracleType *) {
  return false;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
    const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

namespace {

// Views compiling views compiling views: deep enough for any real schema,
// and a stop for one that names itself.
constexpr size_t kMaxViewDepth = 16;

// SQLite statement owned for one lookup.
struct Stmt {
  sqlite3_stmt *s = nullptr;
  ~Stmt() { sqlite3_finalize(s); }
};

bool IsEngineName(std::string_view name) {
  static constexpr std::string_view kPrefix = "kestrel$";
  if (name.size() < kPrefix.size()) return false;
  for (size_t i = 0; i < kPrefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[i])) != kPrefix[i]) return false;
  }
  return true;
}

std::string Text(sqlite3_stmt *st, int i) {
  const unsigned char *t = sqlite3_column_text(st, i);
  return t ? std::string(reinterpret_cast<const char *>(t)) : std::string();
}

struct SynonymTarget {
  std::string owner, name, db_link;
};

// The synonym `name` of `owner`; false for none (or an older file without
// the synonyms table).
bool FindSynonym(sqlite3 *db, std::string_view owner, std::string_view name,
                 SynonymTarget *target) {
  Stmt st;
  if (sqlite3_prepare_v2(db,
                         "SELECT table_owner, table_name, db_link FROM main.\"kestrel$synonyms\" "
                         "WHERE owner = ?1 AND name = ?2",
                         -1, &st.s, nullptr) != SQLITE_OK) {
    return false;
  }
  sqlite3_bind_text(st.s, 1, owner.data(), static_cast<int>(owner.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(st.s, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(st.s) != SQLITE_ROW) return false;
  target->owner = Text(st.s, 0);
  target->name = Text(st.s, 1);
  target->db_link = Text(st.s, 2);
  return true;
}

}  // namespace

bool SqliteCatalog::MayReach(std::string_view name) {
  Stmt st;
  // Where the engine's privilege function is not registered (the front
  // end on a bare connection) nothing is hidden.
  if (sqlite3_prepare_v2(db_, "SELECT kestrel_may_reach(?1)", -1, &st.s, nullptr) != SQLITE_OK) {
    return true;
  }
  sqlite3_bind_text(st.s, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  return sqlite3_step(st.s) != SQLITE_ROW || sqlite3_column_int(st.s, 0) != 0;
}

std::string SqliteCatalog::Home() {
  return home_.empty() ? ResolutionSchema(db_) : home_;
}

template <typename Exists>
int SqliteCatalog::FollowSynonym(std::string_view schema, std::string_view name, Exists exists,
                             std::string *target) {
  SynonymTarget t;
  std::pair<std::string, std::string> at;
  if (!schema.empty()) {
    if (!FindSynonym(db_, schema, name, &t)) return 942;
    at = {std::string(schema), std::string(name)};
  } else {
    // The current schema's private synonym, then a PUBLIC one.
    const std::string home = Home();
    if (!home.empty() && FindSynonym(db_, home, name, &t)) {
      at = {home, std::string(name)};
    } else if (FindSynonym(db_, "PUBLIC", name, &t)) {
      at = {"PUBLIC", std::string(name)};
    } else {
      return 942;
    }
  }
  // Each step reads the target as its owner's object, else its owner's
  // synonym, else a PUBLIC one (so a PUBLIC synonym naming itself loops,
  // as Oracle's does).
  std::set<std::pair<std::string, std::string>> seen{at};
  for (;;) {
    if (!t.db_link.empty()) return 2019;
    if (exists(t.owner, t.name)) {
      *target = t.name;
      return 0;
    }
    SynonymTarget next;
    if (FindSynonym(db_, t.owner, t.name, &next)) {
      at = {t.owner, t.name};
    } else if (FindSynonym(db_, "PUBLIC", t.name, &next)) {
      at = {"PUBLIC", t.name};
    } else {
      return 980;
    }
    if (!seen.insert(at).second) return 1775;
    t = std::move(next);
  }
}

int SqliteCatalog::MissingTableError(std::string_view schema, std::string_view name,
                                     std::string *detail) {
  if (IsEngineName(name)) return 942;
  std::unique_ptr<CatalogTable> found = ReadTable(schema, name);
  int code = 942;
  if (found == nullptr) {
    std::string target;
    code = FollowSynonym(
        schema, name,
        [&](const std::string &o, const std::string &n) {
          return (found = ReadTable(o, n)) != nullptr;
        },
        &target);
  }
  if (found != nullptr && found->with_errors) {
    *detail = "view \"" + (found->owner.empty() ? std::string("PUBLIC") : found->owner) + "." +
              found->name + "\"";
    return 4063;
  }
  return code == 0 ? 942 : code;
}

bool SqliteCatalog::SequenceThroughSynonym(std::string_view name, std::string *sequence) {
  std::string stored;
  if (FollowSynonym({}, name, [&](const std::string &o, const std::string &n) {
        return FindSequence(o, n, &stored);
      }, sequence) != 0) {
    return false;
  }
  *sequence = stored;
  return true;
}

const CatalogTable *SqliteCatalog::FindTable(std::string_view schema, std::string_view name) {
  // Unqualified names are kept per schema they resolved in (CURRENT_SCHEMA
  // may change between statements, definer's code resolves in its owner's).
  std::string key = schema.empty() ? "/" + Home() : std::string(schema);
  key += '.';
  key += name;
  const auto found = tables_.find(key);
  if (found != tables_.end()) return found->second.get();
  if (IsEngineName(name)) return nullptr;
  std::unique_ptr<CatalogTable> table = ReadTable(schema, name);
  if (table == nullptr) {
    // A synonym: the table it leads to, under the synonym's name here.
    std::string target;
    if (FollowSynonym(
            schema, name,
            [&](const std::string &o, const std::string &n) {
              return (table = ReadTable(o, n)) != nullptr;
            },
            &target) != 0) {
      return nullptr;
    }
  }
  if (table->with_errors) return nullptr;  // ORA-04063
  if (!MayReach(table->name)) return nullptr;  // another's, not granted: ORA-00942
  const CatalogTable *result = table.get();
  tables_.emplace(std::move(key), std::move(table));
  return result;
}

std::unique_ptr<CatalogTable> SqliteCatalog::ReadTable(std::string_view schema,
                                                       std::string_view name) {
  if (IsEngineName(name)) return nullptr;
  for (const std::string &v : compiling_) {
    if (SameName(v, name)) return nullptr;
  }
  // Each schema has its own names (catalog/StorageNames.h): a qualified
  // name is that schema's object; an unqualified one the resolution
  // schema's, else a temporary object (DUAL, the dictionary). Without a
  // session (the bare front end) names are SQLite's, temporary ones first.
  // "main" is SQLite's name for the file, read as it was.
  // table_xinfo: virtual columns are hidden 2 (3 stored), which
  // table_info leaves out; 1 is a virtual table's hidden column.
  std::string stored(name);
  const char *where = nullptr;
  if (SameName(schema, "main")) {
    where = "main";
  } else if (!schema.empty()) {
    stored = FindStorageName(db_, schema, name);
    if (stored.empty()) return nullptr;
    where = "main";
  } else if (const std::string home = Home(); !home.empty()) {
    stored = FindStorageName(db_, home, name);
    where = stored.empty() ? "temp" : "main";
    if (stored.empty()) stored.assign(name.data(), name.size());
  }
  const char *sql = where == nullptr
                        ? "SELECT name, type, hidden, dflt_value FROM pragma_table_xinfo(?1) "
                          "WHERE hidden <> 1"
                        : "SELECT name, type, hidden, dflt_value FROM pragma_table_xinfo(?1, ?2) "
                          "WHERE hidden <> 1";
  Stmt st;
  if (sqlite3_prepare_v2(db_, sql, -1, &st.s, nullptr) != SQLITE_OK) return nullptr;
  sqlite3_bind_text(st.s, 1, stored.data(), static_cast<int>(stored.size()), SQLITE_TRANSIENT);
  if (where != nullptr) sqlite3_bind_text(st.s, 2, where, -1, SQLITE_STATIC);
  auto table = std::make_unique<CatalogTable>();
  table->name = stored;
  while (sqlite3_step(st.s) == SQLITE_ROW) {
    CatalogColumn c;
    const unsigned char *n = sqlite3_column_text(st.s, 0);
    const unsigned char *t = sqlite3_column_text(st.s, 1);
    c.name = n ? reinterpret_cast<const char *>(n) : "";
    c.type = TypeFromDeclared(t ? reinterpret_cast<const char *>(t) : "");
    c.virtual_column = sqlite3_column_int(st.s, 2) > 1;
    const unsigned char *d = sqlite3_column_text(st.s, 3);
    if (d != nullptr) c.default_sql = reinterpret_cast<const char *>(d);
    table->columns.push_back(std::move(c));
  }
  if (table->columns.empty()) {
    // The dictionary's views are made on first use.
    if (makingView_ || !schema.empty() || !compiling_.empty() || !MakeOnFirstUse(name) ||
        (where != nullptr && std::string_view(where) == "main")) {
      return nullptr;
    }
    makingView_ = true;
    table = ReadTable(schema, name);
    makingView_ = false;
    return table;
  }
  Stmt owner;
  if (sqlite3_prepare_v2(db_,
                         "SELECT owner, type FROM \"kestrel$objects\" WHERE type IN ('table', 'view') "
                         "AND name = ?1 COLLATE NOCASE",
                         -1, &owner.s, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(owner.s, 1, stored.data(), static_cast<int>(stored.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(owner.s) == SQLITE_ROW) {
      const unsigned char *o = sqlite3_column_text(owner.s, 0);
      const unsigned char *t = sqlite3_column_text(owner.s, 1);
      table->owner = o ? reinterpret_cast<const char *>(o) : "";
      table->view = t != nullptr && std::string_view(reinterpret_cast<const char *>(t)) == "view";
    }
  }
  BeforeRowTriggers(*table);
  if (table->view) {
    switch (compiling_.size() < kMaxViewDepth ? Recompile(*table) : Compiled::kWithErrors) {
      case Compiled::kRecompiled: return ReadTable(schema, name);
      case Compiled::kWithErrors: table->with_errors = true; break;
      case Compiled::kValid: break;
    }
  }
  return table;
}

SqliteCatalog::Compiled SqliteCatalog::Recompile(const CatalogTable &table) {
  Stmt st;
  if (sqlite3_prepare_v2(db_,
                         "SELECT name, sql FROM main.sqlite_master WHERE type = 'view' AND name = ?1 "
                         "COLLATE NOCASE AND instr(sql, 'kestrel_view_errors(') > 0",
                         -1, &st.s, nullptr) != SQLITE_OK) {
    return Compiled::kValid;
  }
  sqlite3_bind_text(st.s, 1, table.name.data(), static_cast<int>(table.name.size()),
                    SQLITE_TRANSIENT);
  if (sqlite3_step(st.s) != SQLITE_ROW) return Compiled::kValid;
  const std::string stored = Text(st.s, 0), definition = Text(st.s, 1);
  // The query as written rides in the definition's comment.
  const size_t open = definition.find(" AS /* ");
  const size_t close = definition.rfind(" */ ");
  if (open == std::string::npos || close == std::string::npos || close < open + 7) {
    return Compiled::kWithErrors;
  }
  const std::string query = definition.substr(open + 7, close - open - 7);
  std::vector<std::string> names;
  const bool listed =
      !(table.columns.size() == 1 && table.columns[0].name == "kestrel_view_errors");
  if (listed) {
    for (const CatalogColumn &c : table.columns) names.push_back(c.name);
  }
  std::string emitted;
  try {
    Arena arena;
    std::vector<std::string> compiling = compiling_;
    compiling.push_back(stored);
    SqliteCatalog inner(db_, std::move(compiling));
    // A view's names are its owner's, whoever uses it.
    inner.SetHome(table.owner.empty() ? Home() : table.owner);
    const Statement *parsed = Parse(query, arena);
    if (parsed == nullptr || parsed->kind != StmtKind::kSelect) return Compiled::kWithErrors;
    const ResolvedStatement r = Resolve(*parsed, query, inner);
    emitted = SqliteBackend().Emit(r);
    if (!listed) {
      for (const ColumnInfo &c : r.columns) names.push_back(c.name);
    }
    if (names.size() != r.columns.size()) return Compiled::kWithErrors;
  } catch (const std::exception &) {
    return Compiled::kWithErrors;  // still in error: its body says so when used
  }
  auto quote = [](std::string_view n) {
    std::string out = "\"";
    for (const char c : n) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
  };
  std::string columns;
  for (const std::string &n : names) columns += (columns.empty() ? "" : ", ") + quote(n);
  const std::string sql = "SAVEPOINT kestrel_recompile; DROP VIEW main." + quote(stored) +
                          "; CREATE VIEW main." + quote(stored) + " (" + columns + ") AS /* " +
                          query + " */ " + emitted + "; RELEASE kestrel_recompile";
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    sqlite3_exec(db_, "ROLLBACK TO kestrel_recompile; RELEASE kestrel_recompile", nullptr, nullptr,
                 nullptr);
    return Compiled::kWithErrors;
  }
  return Compiled::kRecompiled;
}

// The table's enabled BEFORE ROW triggers that assign :NEW (kestrel$triggers
// keeps the columns each assigns): for those events every such trigger
// runs through kestrel_before_row, and the columns they assign are written.
void SqliteCatalog::BeforeRowTriggers(CatalogTable &table) {
  Stmt st;
  if (sqlite3_prepare_v2(db_,
                         "SELECT events, coalesce(new_assigned, '') FROM \"kestrel$triggers\" WHERE "
                         "table_name = ?1 COLLATE NOCASE AND timing = 'BEFORE' AND row_level = 1 AND "
                         "status = 'ENABLED'",
                         -1, &st.s, nullptr) != SQLITE_OK) {
    return;
  }
  sqlite3_bind_text(st.s, 1, table.name.data(), static_cast<int>(table.name.size()), SQLITE_TRANSIENT);
  while (sqlite3_step(st.s) == SQLITE_ROW) {
    const unsigned char *assigned = sqlite3_column_text(st.s, 1);
    const std::string_view list = assigned ? reinterpret_cast<const char *>(assigned) : "";
    if (list.empty()) continue;
    table.before_row |= static_cast<uint8_t>(sqlite3_column_int(st.s, 0) & 3);
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(',', start);
      if (end == std::string_view::npos) end = list.size();
      for (CatalogColumn &c : table.columns) {
        if (SameName(c.name, list.substr(start, end - start))) c.trigger_assigned = true;
      }
      start = end + 1;
    }
  }
}

bool SqliteCatalog::HasSequence(std::string_view name) {
  std::string stored;
  return FindSequence({}, name, &stored);
}

bool SqliteCatalog::FindSequence(std::string_view schema, std::string_view name,
                                 std::string *stored) {
  // The schema's own (catalog/StorageNames.h); unqualified, the current one.
  const std::string found = FindSequenceName(db_, schema.empty() ? Home() : std::string(schema), name);
  if (found.empty() || !MayReach(found)) return false;
  *stored = found;
  return true;
}

namespace {

// The result row (position 0) of `owner`'s stored function `name`, in
// package `package` (empty: a standalone one), kept when it was compiled.
bool FindStoredFunction(sqlite3 *db, std::string_view owner, std::string_view package,
                        std::string_view name, std::string *qualified, OracleType *returns) {
  Stmt st;
  if (owner.empty() ||
      sqlite3_prepare_v2(db,
                         "SELECT owner, package_name, declared FROM \"kestrel$arguments\" WHERE "
                         "owner = ?3 AND object_name = ?1 AND position = 0 AND argument_name IS "
                         "NULL AND package_name IS ?2 LIMIT 1",
                         -1, &st.s, nullptr) != SQLITE_OK) {
    return false;
  }
  sqlite3_bind_text(st.s, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  if (!package.empty()) {
    sqlite3_bind_text(st.s, 2, package.data(), static_cast<int>(package.size()), SQLITE_TRANSIENT);
  }
  sqlite3_bind_text(st.s, 3, owner.data(), static_cast<int>(owner.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(st.s) != SQLITE_ROW) return false;
  auto text = [&](int k) {
    const unsigned char *t = sqlite3_column_text(st.s, k);
    return t ? std::string(reinterpret_cast<const char *>(t)) : std::string();
  };
  const std::string in = text(1);
  *qualified = text(0) + "." + (in.empty() ? "" : in + ".") + std::string(name);
  const std::string declared = text(2);
  *returns = declared.empty() ? MakeType(TypeCategory::kVarchar2, 4000) : TypeFromDeclared(declared);
  return true;
}

}  // namespace

bool SqliteCatalog::FindFunction(std::string_view qualifier, std::string_view name,
                                 std::string *qualified, OracleType *returns) {
  if (!FindFunctionUnit(qualifier, name, qualified, returns)) return false;
  // Another schema's unit is there only for a holder of a privilege on it
  // (OWNER.UNIT, the unit being the package or the function).
  const std::string_view found(*qualified);
  const size_t second = found.find('.', found.find('.') + 1);
  return MayReach(found.substr(0, second));
}

bool SqliteCatalog::FindFunctionUnit(std::string_view qualifier, std::string_view name,
                                     std::string *qualified, OracleType *returns) {
  if (const size_t dot = qualifier.find('.'); dot != std::string_view::npos) {
    // OWNER.PACKAGE: that owner's package alone.
    return FindStoredFunction(db_, qualifier.substr(0, dot), qualifier.substr(dot + 1), name,
                              qualified, returns);
  }
  // Each schema has its own units: an unqualified name is the current
  // schema's; a qualifier is its package, else another schema.
  const std::string home = Home();
  std::string target;
  if (qualifier.empty()) {
    if (FindStoredFunction(db_, home, {}, name, qualified, returns)) return true;
    // A synonym for the function.
    return FollowSynonym({}, name, [&](std::string_view o, std::string_view n) {
             return FindStoredFunction(db_, o, {}, n, qualified, returns);
           }, &target) == 0;
  }
  if (FindStoredFunction(db_, home, qualifier, name, qualified, returns) ||
      FindStoredFunction(db_, qualifier, {}, name, qualified, returns)) {
    return true;
  }
  // A synonym for the package qualifying it.
  return FollowSynonym({}, qualifier, [&](std::string_view o, std::string_view q) {
           return FindStoredFunction(db_, o, q, name, qualified, returns);
         }, &target) == 0;
}

}  // namespace kestrel_engine::sql
