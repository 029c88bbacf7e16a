/*
** The mapping from (owner, name) to the SQLite name of a table or view, in
** one place for the resolver, the schema statements and the grants.
*/
#include "catalog/StorageNames.h"

namespace kestrel_engine {

namespace {

struct Stmt {
  sqlite3_stmt *s = nullptr;
  ~Stmt() { sqlite3_finalize(s); }
};

std::string Text(sqlite3_stmt *st, int i) {
  const unsigned char *t = sqlite3_column_text(st, i);
  return t ? std::string(reinterpret_cast<const char *>(t)) : std::string();
}

void Bind(sqlite3_stmt *st, int i, std::string_view text) {
  sqlite3_bind_text(st, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

bool SameAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && sqlite3_strnicmp(a.data(), b.data(), static_cast<int>(a.size())) == 0;
}

}  // namespace

std::string QualifiedStorageName(std::string_view owner, std::string_view name) {
  std::string out(owner);
  out += kStorageSeparator;
  out += name;
  return out;
}

std::string_view OracleObjectName(std::string_view storage, std::string_view owner) {
  if (owner.empty() || storage.size() <= owner.size() + 1 ||
      storage[owner.size()] != kStorageSeparator ||
      !SameAscii(storage.substr(0, owner.size()), owner)) {
    return storage;
  }
  return storage.substr(owner.size() + 1);
}

std::string FindStorageName(sqlite3 *db, std::string_view owner, std::string_view name,
                            bool unowned_too, bool index) {
  Stmt st;
  const std::string types = index ? "('index')" : "('table', 'view')";
  // The schema's own (plain or qualified), else a plain one the catalog
  // has no owner for.
  if (owner.empty() || sqlite3_prepare_v2(
          db,
          ("SELECT m.name FROM main.sqlite_master m LEFT JOIN main.\"kestrel$objects\" o ON "
          "o.type = m.type AND o.name = m.name WHERE m.type IN " + types + " AND "
          "((m.name = ?2 COLLATE NOCASE AND (o.owner = ?1 OR (?3 AND o.owner IS NULL))) OR "
          "m.name = ?1 || '.' || ?2 COLLATE NOCASE) ORDER BY o.owner IS NOT ?1, m.name = ?2 DESC "
          "LIMIT 1").c_str(),
          -1, &st.s, nullptr) != SQLITE_OK) {
    // No schema, or a file without the catalog: SQLite's plain names.
    Stmt plain;
    if (sqlite3_prepare_v2(db,
                           ("SELECT name FROM main.sqlite_master WHERE type IN " + types +
                            " AND name = ?1 COLLATE NOCASE")
                               .c_str(),
                           -1, &plain.s, nullptr) != SQLITE_OK) {
      return {};
    }
    Bind(plain.s, 1, name);
    return sqlite3_step(plain.s) == SQLITE_ROW ? Text(plain.s, 0) : std::string();
  }
  Bind(st.s, 1, owner);
  Bind(st.s, 2, name);
  sqlite3_bind_int(st.s, 3, unowned_too ? 1 : 0);
  return sqlite3_step(st.s) == SQLITE_ROW ? Text(st.s, 0) : std::string();
}

std::string NewStorageName(sqlite3 *db, std::string_view owner, std::string_view name) {
  Stmt st;
  if (owner.empty() ||
      sqlite3_prepare_v2(db,
                         "SELECT coalesce(o.owner, '') FROM main.sqlite_master m LEFT JOIN "
                         "main.\"kestrel$objects\" o ON o.type = m.type AND o.name = m.name "
                         "WHERE m.type IN ('table', 'view', 'index') AND m.name = ?1 COLLATE "
                         "NOCASE",
                         -1, &st.s, nullptr) != SQLITE_OK) {
    return std::string(name);
  }
  Bind(st.s, 1, name);
  if (sqlite3_step(st.s) != SQLITE_ROW) return std::string(name);
  const std::string holder = Text(st.s, 0);
  if (holder.empty() || SameAscii(holder, owner)) return std::string(name);
  return QualifiedStorageName(owner, name);
}

std::string FindSequenceName(sqlite3 *db, std::string_view owner, std::string_view name) {
  Stmt st;
  // Without a schema (no session), SQLite's plain names.
  if (sqlite3_prepare_v2(db,
                         owner.empty()
                             ? "SELECT name FROM main.\"kestrel$sequences\" WHERE name = ?2"
                             : "SELECT name FROM main.\"kestrel$sequences\" WHERE (name = ?2 AND "
                               "owner = ?1) OR name = ?1 || '.' || ?2 ORDER BY name = ?2 DESC "
                               "LIMIT 1",
                         -1, &st.s, nullptr) != SQLITE_OK) {
    return {};
  }
  if (!owner.empty()) Bind(st.s, 1, owner);
  Bind(st.s, 2, name);
  return sqlite3_step(st.s) == SQLITE_ROW ? Text(st.s, 0) : std::string();
}

std::string NewSequenceName(sqlite3 *db, std::string_view owner, std::string_view name) {
  Stmt st;
  if (owner.empty() ||
      sqlite3_prepare_v2(db,
                         "SELECT 1 FROM main.\"kestrel$sequences\" WHERE name = ?1 AND owner <> ?2 "
                         "UNION ALL SELECT 1 FROM main.sqlite_master m LEFT JOIN "
                         "main.\"kestrel$objects\" o ON o.type = m.type AND o.name = m.name WHERE "
                         "m.name = ?1 COLLATE NOCASE AND o.owner IS NOT ?2",
                         -1, &st.s, nullptr) != SQLITE_OK) {
    return std::string(name);
  }
  Bind(st.s, 1, name);
  Bind(st.s, 2, owner);
  return sqlite3_step(st.s) == SQLITE_ROW ? QualifiedStorageName(owner, name) : std::string(name);
}

bool HasQualifiedStorage(sqlite3 *db, std::string_view owner) {
  Stmt st;
  if (owner.empty() ||
      sqlite3_prepare_v2(db,
                         "SELECT 1 FROM main.\"kestrel$objects\" WHERE type IN ('table', 'view') "
                         "AND owner = ?1 AND substr(name, 1, length(?1) + 1) = ?1 || '.' LIMIT 1",
                         -1, &st.s, nullptr) != SQLITE_OK) {
    return false;
  }
  Bind(st.s, 1, owner);
  return sqlite3_step(st.s) == SQLITE_ROW;
}

std::string ResolutionSchema(sqlite3 *db) {
  Stmt st;
  if (sqlite3_prepare_v2(db, "SELECT kestrel_resolution_schema()", -1, &st.s, nullptr) !=
          SQLITE_OK ||
      sqlite3_step(st.s) != SQLITE_ROW) {
    return {};
  }
  return Text(st.s, 0);
}

}  // namespace kestrel_engine
