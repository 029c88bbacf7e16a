/*
** SQLite's JSON functions as innocuous ones. The engine runs with an
** untrusted schema, where a view, a CHECK or a trigger may call only
** functions marked innocuous, and SQLite 3.40 does not mark its JSON
** functions so: Oracle's IS JSON checks and views over JSON_TABLE would
** fail with "unsafe use of json_valid()". The same names are registered
** here, marked innocuous (they have no side effects), and answered by the
** built-in functions of a private in-memory connection, opened on first
** use. An argument that is JSON (SQLite's 'J' subtype) is handed on
** through json(), so it stays JSON rather than becoming a string.
*/
#include <map>
#include <memory>
#include <string>

#include "functions/FunctionFamilies.h"

namespace kestrel_engine {

namespace {

constexpr unsigned kJsonSubtype = 'J';

struct StmtFree {
  void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};

// The private connection and its statements, one per call shape.
struct JsonHost {
  sqlite3 *db = nullptr;
  std::map<std::string, std::unique_ptr<sqlite3_stmt, StmtFree>> statements;
  ~JsonHost() {
    statements.clear();
    sqlite3_close(db);
  }
};

struct JsonFunction {
  const char *name;
  std::shared_ptr<JsonHost> host;
};

void Call(sqlite3_context *context, int argc, sqlite3_value **argv) {
  auto *f = static_cast<JsonFunction *>(sqlite3_user_data(context));
  JsonHost &host = *f->host;
  if (host.db == nullptr &&
      sqlite3_open_v2(":memory:", &host.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr) !=
          SQLITE_OK) {
    sqlite3_close(host.db);
    host.db = nullptr;
    return sqlite3_result_error_nomem(context);
  }
  std::string sql = "SELECT ";
  sql += f->name;
  sql += '(';
  for (int i = 0; i < argc; ++i) {
    if (i > 0) sql += ", ";
    const bool json = sqlite3_value_subtype(argv[i]) == kJsonSubtype;
    sql += json ? "json(?" : "?";
    sql += std::to_string(i + 1);
    if (json) sql += ')';
  }
  sql += ')';
  auto &slot = host.statements[sql];
  if (slot == nullptr) {
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(host.db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
      return sqlite3_result_error(context, sqlite3_errmsg(host.db), -1);
    }
    slot.reset(s);
  }
  sqlite3_stmt *s = slot.get();
  for (int i = 0; i < argc; ++i) sqlite3_bind_value(s, i + 1, argv[i]);
  if (sqlite3_step(s) == SQLITE_ROW) {
    sqlite3_value *v = sqlite3_column_value(s, 0);
    sqlite3_result_value(context, v);
    if (sqlite3_value_subtype(v) == kJsonSubtype) sqlite3_result_subtype(context, kJsonSubtype);
  } else {
    sqlite3_result_error(context, sqlite3_errmsg(host.db), -1);
  }
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
}

void Destroy(void *p) { delete static_cast<JsonFunction *>(p); }

}  // namespace

int RegisterJsonFunctions(sqlite3 *db, const SessionSettings *) {
  auto host = std::make_shared<JsonHost>();
  const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | SQLITE_DETERMINISTIC;
  for (const char *name :
       {"json", "json_valid", "json_extract", "json_type", "json_quote", "json_array", "json_object"}) {
    auto *f = new JsonFunction{name, host};
    const int rc = sqlite3_create_function_v2(db, name, -1, flags, f, Call, nullptr, nullptr,
                                              Destroy);
    if (rc != SQLITE_OK) return rc;  // SQLite has called Destroy
  }
  return SQLITE_OK;
}

}  // namespace kestrel_engine
