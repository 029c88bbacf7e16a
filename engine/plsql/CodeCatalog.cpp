/*
** The engine's records of stored units besides their source, and the
** dictionary views over them: USER_ERRORS, USER_ARGUMENTS,
** USER_PROCEDURES (and ALL_ each), and the units' rows of USER_OBJECTS
** with their VALID or INVALID status.
*/
#include "plsql/CodeCatalog.h"

#include "session/Connection.h"
#include "session/OwnedStatement.h"

namespace kestrel_engine::plsql {

namespace {

constexpr char kCode[] = "kestrel$code";
constexpr char kErrors[] = "kestrel$errors";
constexpr char kArguments[] = "kestrel$arguments";
constexpr char kRefs[] = "kestrel$code_refs";

// The condition that a unit (alias c: owner, name, type) is INVALID.
const char kInvalid[] =
    "(EXISTS (SELECT 1 FROM main.\"kestrel$errors\" e WHERE e.owner = c.owner AND "
    "e.name = c.name AND e.type = c.type AND e.attribute = 'ERROR') OR EXISTS (SELECT 1 "
    "FROM main.\"kestrel$code_refs\" r WHERE r.owner = c.owner AND r.name = c.name AND "
    "r.type = c.type AND NOT EXISTS (SELECT 1 FROM main.sqlite_master m WHERE m.type IN "
    "('table', 'view') AND m.name = r.ref_name COLLATE NOCASE)))";

bool Prepare(Connection &connection, const std::string &sql, OwnedStatement *f) {
  return sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &f->s, nullptr) == SQLITE_OK;
}

void BindText(sqlite3_stmt *s, int k, std::string_view v) {
  sqlite3_bind_text(s, k, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}


const char *const kCodeViews[] = {"user_errors",    "all_errors",     "user_arguments",
                                  "all_arguments",  "user_procedures", "all_procedures"};

}  // namespace

// Wraps the dictionary's USER_OBJECTS / ALL_OBJECTS (whatever their rows
// already are) with the stored units' rows.
int AddUnitsToObjects(sqlite3 *db, bool all) {
  const std::string view = all ? "all_objects" : "user_objects";
  std::string old;
  {
    // A file from before the units' records (read-only, or upgraded after
    // this connection opened) keeps its USER_OBJECTS readable; the units
    // join it once the tables exist (EnsureCodeTables).
    sqlite3_stmt *s = nullptr;
    bool recorded = false;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM main.sqlite_master WHERE name = 'kestrel$code'", -1,
                           &s, nullptr) == SQLITE_OK) {
      recorded = sqlite3_step(s) == SQLITE_ROW;
    }
    sqlite3_finalize(s);
    if (!recorded) return SQLITE_OK;
  }
  {
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_temp_master WHERE type = 'view' AND name = ?1",
                           -1, &s, nullptr) != SQLITE_OK) {
      return SQLITE_ERROR;
    }
    BindText(s, 1, view);
    if (sqlite3_step(s) == SQLITE_ROW) old = ColumnText(s, 0);
    sqlite3_finalize(s);
  }
  if (old.find(kCode) != std::string::npos) return SQLITE_OK;  // done already
  // "CREATE VIEW name (columns) AS SELECT ...": keep the columns and the query.
  const size_t open = old.find('(');
  const size_t as = old.find(") AS ");
  if (open == std::string::npos || as == std::string::npos) return SQLITE_OK;
  const std::string columns = old.substr(open, as + 1 - open);
  const std::string query = old.substr(as + 5);
  const std::string units =
      std::string("SELECT ") + (all ? "c.owner, " : "") +
      "c.name, c.type, c.created, c.last_ddl_time, CASE WHEN " + kInvalid +
      " THEN 'INVALID' ELSE 'VALID' END, 'N', 'N', 1000000 + c.rowid FROM main.\"" + kCode +
      "\" c WHERE " + (all ? "kestrel_may_reach(c.owner || '.' || c.name)"
                          : "c.owner = kestrel_session_user()");
  const std::string sql = "DROP VIEW temp." + view + "; CREATE TEMP VIEW " + view + " " +
                          columns + " AS " + query + " UNION ALL " + units;
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

bool RunInternal(Connection &connection, const std::string &sql,
                 const std::vector<std::string> &args, OraError *error) {
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  if (!Prepare(connection, sql, &f)) {
    *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
    return false;
  }
  for (size_t k = 0; k < args.size(); ++k) BindText(f.s, static_cast<int>(k + 1), args[k]);
  if (sqlite3_step(f.s) != SQLITE_DONE) {
    *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
    return false;
  }
  return true;
}

bool EnsureCodeTables(Connection &connection, OraError *error) {
  const std::string sql =
      std::string("CREATE TABLE IF NOT EXISTS \"") + kCode +
      "\" (owner TEXT NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL, created DATE NOT NULL, "
      "last_ddl_time DATE NOT NULL, PRIMARY KEY (owner, name, type)); "
      "CREATE TABLE IF NOT EXISTS \"" + kErrors +
      "\" (owner TEXT NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL, sequence INTEGER NOT "
      "NULL, line INTEGER NOT NULL, position INTEGER NOT NULL, text TEXT NOT NULL, attribute "
      "TEXT NOT NULL, message_number INTEGER NOT NULL, PRIMARY KEY (owner, name, type, "
      "sequence)); "
      "CREATE TABLE IF NOT EXISTS \"" + kArguments +
      "\" (owner TEXT NOT NULL, type TEXT NOT NULL, package_name TEXT, object_name TEXT NOT "
      "NULL, argument_name TEXT, position INTEGER NOT NULL, sequence INTEGER NOT NULL, "
      "data_type TEXT, in_out TEXT NOT NULL, defaulted TEXT NOT NULL, declared TEXT, overload "
      "INTEGER); "
      "CREATE INDEX IF NOT EXISTS \"kestrel$arguments_name\" ON \"" + kArguments +
      "\" (object_name); "
      "CREATE TABLE IF NOT EXISTS \"" + kRefs +
      "\" (owner TEXT NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL, ref_name TEXT NOT NULL)";
  if (!connection.ExecInternal(sql.c_str(), error)) return false;
  Connection::InternalScope scope(connection);
  if (AddUnitsToObjects(connection.db(), false) != SQLITE_OK ||
      AddUnitsToObjects(connection.db(), true) != SQLITE_OK) {
    *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
    return false;
  }
  return true;
}

bool AddArgumentOverloads(Connection &connection, OraError *error) {
  // Files of the previous version have the table without the column.
  bool missing = false;
  {
    Connection::InternalScope scope(connection);
    OwnedStatement f;
    if (Prepare(connection, std::string("SELECT count(*) FROM pragma_table_info('") + kArguments +
                                "') WHERE name = 'overload'",
                &f) &&
        sqlite3_step(f.s) == SQLITE_ROW) {
      missing = sqlite3_column_int(f.s, 0) == 0;
    }
  }
  bool exists = false;
  {
    Connection::InternalScope scope(connection);
    OwnedStatement f;
    if (Prepare(connection, std::string("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '") +
                                kArguments + "'",
                &f)) {
      exists = sqlite3_step(f.s) == SQLITE_ROW;
    }
  }
  if (!exists || !missing) return true;
  return connection.ExecInternal(
      (std::string("ALTER TABLE \"") + kArguments + "\" ADD COLUMN overload INTEGER").c_str(), error);
}

bool IsCodeTable(const char *name) {
  if (name == nullptr) return false;
  for (const char *t : {kCode, kErrors, kArguments, kRefs}) {
    if (sqlite3_stricmp(t, name) == 0) return true;
  }
  return false;
}

bool IsCodeView(const char *name) {
  if (name == nullptr) return false;
  for (const char *v : kCodeViews) {
    if (sqlite3_stricmp(v, name) == 0) return true;
  }
  return false;
}

void AddCodeViewStatements(std::vector<std::string> *out) {
  const std::string errors =
      "(NAME, TYPE, SEQUENCE, LINE, POSITION, TEXT, ATTRIBUTE, MESSAGE_NUMBER) AS SELECT name, "
      "type, sequence, line, position, text, attribute, message_number FROM main.\"kestrel$errors\"";
  const std::string arguments =
      "(OBJECT_NAME, PACKAGE_NAME, OVERLOAD, ARGUMENT_NAME, POSITION, SEQUENCE, DATA_TYPE, "
      "IN_OUT, DEFAULTED, DATA_LENGTH, DATA_PRECISION, DATA_SCALE) AS SELECT object_name, "
      "package_name, CAST(overload AS TEXT), argument_name, position, sequence, data_type, in_out, "
      "defaulted, NULL, NULL, NULL FROM main.\"kestrel$arguments\"";
  // A package's subprograms are its rows with PROCEDURE_NAME set.
  const std::string procedures =
      "(OBJECT_NAME, PROCEDURE_NAME, OBJECT_TYPE) AS SELECT c.name, NULL, c.type FROM "
      "main.\"kestrel$code\" c WHERE c.type IN ('PROCEDURE', 'FUNCTION', 'PACKAGE') %s UNION "
      "SELECT a.package_name, a.object_name, 'PACKAGE' FROM main.\"kestrel$arguments\" a "
      "WHERE a.package_name IS NOT NULL %s";
  auto all = [](const std::string &body, const char *unit) {
    // ALL_: OWNER first, the rows of every unit the user may reach.
    std::string s = body;
    s.insert(1, "OWNER, ");
    const size_t select = s.find(" AS SELECT ") + 11;
    s.insert(select, "owner, ");
    return s + " WHERE kestrel_may_reach(owner || '.' || " + unit + ")";
  };
  auto procs = [&](bool every) {
    std::string s = procedures;
    const std::string c = every ? "AND kestrel_may_reach(c.owner || '.' || c.name)"
                                : "AND c.owner = kestrel_session_user()";
    const std::string a = every ? "AND kestrel_may_reach(a.owner || '.' || a.package_name)"
                                : "AND a.owner = kestrel_session_user()";
    s.replace(s.find("%s"), 2, c);
    s.replace(s.find("%s"), 2, a);
    if (every) {
      s.insert(1, "OWNER, ");
      s.replace(s.find("SELECT c.name"), 13, "SELECT c.owner, c.name");
      s.replace(s.find("SELECT a.package_name"), 21, "SELECT a.owner, a.package_name");
    }
    return s;
  };
  const std::string own = " WHERE owner = kestrel_session_user()";
  const std::string sql[] = {
      "CREATE TEMP VIEW user_errors " + errors + own,
      "CREATE TEMP VIEW all_errors " + all(errors, "name"),
      "CREATE TEMP VIEW user_arguments " + arguments + own,
      "CREATE TEMP VIEW all_arguments " + all(arguments, "coalesce(package_name, object_name)"),
      "CREATE TEMP VIEW user_procedures " + procs(false),
      "CREATE TEMP VIEW all_procedures " + procs(true),
  };
  out->insert(out->end(), std::begin(sql), std::end(sql));
}

bool SaveUnitRecord(Connection &connection, const UnitRecord &r, OraError *error) {
  if (!RunInternal(connection,
                   std::string("INSERT INTO \"") + kCode +
                       "\" (owner, name, type, created, last_ddl_time) VALUES (?1, ?2, ?3, "
                       "datetime('now', 'localtime'), datetime('now', 'localtime')) ON CONFLICT "
                       "(owner, name, type) DO UPDATE SET last_ddl_time = excluded.last_ddl_time",
                   {r.owner, r.name, r.type}, error)) {
    return false;
  }
  for (const char *table : {kErrors, kRefs}) {
    if (!RunInternal(connection,
                     std::string("DELETE FROM \"") + table +
                         "\" WHERE owner = ?1 AND name = ?2 AND type = ?3",
                     {r.owner, r.name, r.type}, error)) {
      return false;
    }
  }
  if (!RunInternal(connection,
                   std::string("DELETE FROM \"") + kArguments +
                       "\" WHERE owner = ?1 AND type = ?3 AND coalesce(package_name, "
                       "object_name) = ?2",
                   {r.owner, r.name, r.type}, error)) {
    return false;
  }
  int sequence = 0;
  for (const UnitError &e : r.errors) {
    if (!RunInternal(connection,
                     std::string("INSERT INTO \"") + kErrors +
                         "\" VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 'ERROR', ?8)",
                     {r.owner, r.name, r.type, std::to_string(++sequence),
                      std::to_string(e.line), std::to_string(e.position), e.text,
                      std::to_string(e.message_number)},
                     error)) {
      return false;
    }
  }
  const bool package = r.type == "PACKAGE";
  std::string previous;
  int argSequence = 0;
  for (size_t k = 0; k < r.arguments.size(); ++k) {
    const UnitArgument &a = r.arguments[k];
    const std::string object = package ? r.argument_objects[k] : r.name;
    const std::string which = object + "/" + std::to_string(a.overload);
    if (which != previous) argSequence = 0;
    previous = which;
    Connection::InternalScope scope(connection);
    OwnedStatement f;
    if (!Prepare(connection,
                 std::string("INSERT INTO \"") + kArguments +
                     "\" VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)",
                 &f)) {
      *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
      return false;
    }
    BindText(f.s, 1, r.owner);
    BindText(f.s, 2, r.type);
    if (package) BindText(f.s, 3, r.name);
    BindText(f.s, 4, object);
    if (!a.name.empty()) BindText(f.s, 5, a.name);
    sqlite3_bind_int(f.s, 6, a.position);
    sqlite3_bind_int(f.s, 7, ++argSequence);
    if (!a.data_type.empty()) BindText(f.s, 8, a.data_type);
    BindText(f.s, 9, a.in_out);
    BindText(f.s, 10, a.defaulted ? "Y" : "N");
    if (!a.declared.empty()) BindText(f.s, 11, a.declared);
    if (a.overload > 0) sqlite3_bind_int(f.s, 12, a.overload);
    if (sqlite3_step(f.s) != SQLITE_DONE) {
      *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
      return false;
    }
  }
  for (const std::string &t : r.tables) {
    if (!RunInternal(connection, std::string("INSERT INTO \"") + kRefs + "\" VALUES (?1, ?2, ?3, ?4)",
                     {r.owner, r.name, r.type, t}, error)) {
      return false;
    }
  }
  return true;
}

bool DropUnitRecord(Connection &connection, const std::string &owner, std::string_view name,
                    std::string_view type, OraError *error) {
  const std::vector<std::string> args{owner, std::string(name), std::string(type)};
  for (const char *table : {kCode, kErrors, kRefs}) {
    if (!RunInternal(connection,
                     std::string("DELETE FROM \"") + table +
                         "\" WHERE owner = ?1 AND name = ?2 AND type = ?3",
                     args, error)) {
      return false;
    }
  }
  return RunInternal(connection,
                     std::string("DELETE FROM \"") + kArguments +
                         "\" WHERE owner = ?1 AND type = ?3 AND coalesce(package_name, "
                         "object_name) = ?2",
                     args, error);
}

bool UnitIsInvalid(Connection &connection, const std::string &owner, std::string_view name,
                   std::string_view type) {
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  if (!Prepare(connection,
               std::string("SELECT ") + kInvalid + " FROM \"" + kCode +
                   "\" c WHERE c.owner = ?1 AND c.name = ?2 AND c.type = ?3",
               &f)) {
    return false;
  }
  BindText(f.s, 1, owner);
  BindText(f.s, 2, name);
  BindText(f.s, 3, type);
  return sqlite3_step(f.s) == SQLITE_ROW && sqlite3_column_int(f.s, 0) != 0;
}

bool StoredParameters(Connection &connection, std::string_view owner, std::string_view package,
                      std::string_view name, std::vector<UnitArgument> *out) {
  Connection::InternalScope scope(connection);
  OwnedStatement f;
  if (!Prepare(connection,
               std::string("SELECT argument_name, position, in_out, defaulted FROM \"") +
                   kArguments +
                   "\" WHERE owner = ?3 AND object_name = ?1 AND package_name IS ?2 ORDER BY "
                   "sequence",
               &f)) {
    return false;
  }
  BindText(f.s, 1, name);
  if (!package.empty()) BindText(f.s, 2, package);
  BindText(f.s, 3, owner);
  bool any = false;
  while (sqlite3_step(f.s) == SQLITE_ROW) {
    any = true;
    UnitArgument a;
    a.name = ColumnText(f.s, 0);
    a.position = sqlite3_column_int(f.s, 1);
    a.in_out = ColumnText(f.s, 2);
    a.defaulted = ColumnText(f.s, 3) == "Y";
    if (a.position > 0 && !a.name.empty()) out->push_back(std::move(a));
  }
  return any;
}

}  // namespace kestrel_engine::plsql
