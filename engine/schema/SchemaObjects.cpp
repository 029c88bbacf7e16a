/*
** Views, indexes, DROP and TRUNCATE. A view is stored as the SQLite SQL
** the front end writes for its query, under the column names Oracle
** gives it, so queries over it run as any other; SQLite's views take no
** writes, which WITH READ ONLY asks for anyway.
*/
#include <strings.h>

#include <cctype>

#include "catalog/StorageNames.h"
#include "schema/Constraints.h"
#include "schema/SchemaStatements.h"
#include "sql/ast/Arena.h"
#include "sql/emit/Backend.h"
#include "sql/parse/Parse.h"
#include "sql/print/Printer.h"
#include "sql/resolve/Resolve.h"

namespace kestrel_engine::schema {

namespace {

bool NameTaken(Ddl &ddl, const std::string &name) {
  return ddl.Exists("SELECT 1 FROM main.sqlite_master WHERE name = ?1 COLLATE NOCASE", {name});
}

// An index expression: written over the table aliased NEW, the alias taken off again.
std::string IndexExpression(Ddl &ddl, const std::string &table, const sql::Expr &e) {
  const std::string from = "SELECT 1 FROM " + QuoteIdent(table) + " \"NEW\"";
  sql::Arena arena;
  sql::SqliteCatalog catalog(ddl.db());
  const std::string query = "SELECT " + sql::Print(e) + " FROM " + QuoteIdent(table) + " \"NEW\"";
  const sql::Statement *s = sql::Parse(query, arena);
  const std::string out = sql::SqliteBackend().Emit(sql::Resolve(*s, query, catalog));
  const std::string bare = sql::SqliteBackend().Emit(sql::Resolve(*sql::Parse(from, arena), from, catalog));
  // "SELECT 1 FROM ..." against "SELECT expr FROM ...": the same tail.
  const std::string expr = out.substr(7, out.size() - bare.size() + 1);
  std::string cleaned;
  const std::string alias = "\"NEW\".";
  for (size_t i = 0; i < expr.size();) {
    if (expr.compare(i, alias.size(), alias) == 0) {
      i += alias.size();
    } else {
      cleaned += expr[i++];
    }
  }
  return "(" + cleaned + ")";
}

}  // namespace

// A view's INSTEAD OF triggers, forgotten as SQLite drops them with it.
void ForgetViewTriggers(Ddl &ddl, const std::string &view) {
  for (const auto &t : ddl.Rows("SELECT owner, name FROM main.\"kestrel$triggers\" WHERE table_name = ?1",
                                {view})) {
    ddl.Rows("DELETE FROM main.\"kestrel$source\" WHERE owner = ?1 AND name = ?2 AND type = 'TRIGGER'",
             {t[0], t[1]});
  }
  ddl.Rows("DELETE FROM main.\"kestrel$triggers\" WHERE table_name = ?1", {view});
}

std::string InvalidViewQuery(const std::string &owner, const std::string &name,
                             std::vector<std::string> *names) {
  std::string detail = "view \"" + owner + "." + name + "\"";
  std::string quoted;
  for (const char c : detail) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  std::string query = "SELECT kestrel_view_errors('" + quoted + "')";
  if (names->empty()) names->push_back(QuoteIdent(kInvalidViewColumn));
  for (size_t i = 1; i < names->size(); ++i) query += ", NULL";
  return query;
}

void CreateView(Ddl &ddl, const sql::CreateViewStmt &s, std::string_view text) {
  const std::string name(s.name.Last());
  CheckObjectName(name);
  const std::string stored = NewStorageName(ddl.db(), ddl.owner(), name);
  const auto existing = ddl.Rows("SELECT type, name FROM main.sqlite_master WHERE name = ?1 COLLATE NOCASE "
                                 "AND type IN ('table', 'view', 'index')",
                                 {stored});
  if (!existing.empty()) {
    if (!s.or_replace || existing[0][0] != "view") Fail(955);
  }
  // A sequence, synonym or stored unit of the schema holds the name too.
  CheckNameFree(ddl, ddl.owner(), name, "TABLE");
  sql::SelectStmt select;
  select.kind = sql::StmtKind::kSelect;
  select.pos = s.query->pos;
  select.query = s.query;
  sql::SqliteCatalog catalog(ddl.db());
  // The view's names are its owner's.
  catalog.SetHome(ddl.owner());
  std::string query;
  std::vector<std::string> names;
  for (const sql::Ident *c : s.columns) names.push_back(QuoteIdent(c->name));
  try {
    const sql::ResolvedStatement r = sql::Resolve(select, text, catalog);
    query = sql::SqliteBackend().Emit(r);
    if (names.empty()) {
      for (const sql::ColumnInfo &c : r.columns) names.push_back(QuoteIdent(c.name));
    }
    if (names.size() != r.columns.size()) Fail(names.size() < r.columns.size() ? 1730 : 1731);
  } catch (const sql::SemanticError &e) {
    // FORCE: a view over what is missing is made all the same, with
    // errors; it compiles again when used (sql/resolve/SqliteCatalog.cpp).
    if (!s.force || e.code() == sql::kOraUnimplemented) throw;
    query = InvalidViewQuery(ddl.owner(), name, &names);
    ddl.with_errors = true;
  }
  if (!existing.empty()) {
    // As in Oracle, the view made again has no INSTEAD OF triggers.
    ForgetViewTriggers(ddl, existing[0][1]);
    ddl.Exec("DROP VIEW main." + QuoteIdent(existing[0][1]));
  }
  // The query as written rides along in a comment, for USER_VIEWS.TEXT.
  std::string written(text.substr(s.query->pos));
  while (!written.empty() && (std::isspace(static_cast<unsigned char>(written.back())) ||
                              written.back() == ';')) {
    written.pop_back();
  }
  for (size_t at; (at = written.find("*/")) != std::string::npos;) written.replace(at, 2, "* /");
  ddl.Exec("CREATE VIEW main." + QuoteIdent(stored) + " (" + Join(names, ", ") + ") AS /* " + written +
               " */ " + query,
           5);
}

void CreateIndex(Ddl &ddl, const sql::CreateIndexStmt &s, std::string_view) {
  const std::string name(s.name.Last());
  CheckUserName(name);
  const std::string table = FindTable(ddl, s.table);
  if (table.empty()) Fail(942);
  // Index names are per schema as table names are (catalog/StorageNames.h).
  const std::string stored = NewStorageName(ddl.db(), ddl.owner(), name);
  if (NameTaken(ddl, stored)) Fail(955);
  std::vector<std::string> items;
  for (const sql::OrderItem *item : s.items) {
    std::string key;
    if (item->expr->kind == sql::ExprKind::kName && item->expr->name.count == 1) {
      key = QuoteIdent(ColumnOf(ddl, table, item->expr->name.Last()));
    } else {
      key = IndexExpression(ddl, table, *item->expr);
    }
    if (item->desc) key += " DESC";
    items.push_back(key);
  }
  ddl.Exec(std::string("CREATE ") + (s.unique == 1 ? "UNIQUE " : "") + "INDEX main." + QuoteIdent(stored) +
               " ON " + QuoteIdent(table) + " (" + Join(items, ", ") + ")",
           5);
}

bool CanDrop(const sql::DropStmt &s) {
  return s.object == sql::ObjectKind::kTable || s.object == sql::ObjectKind::kView ||
         s.object == sql::ObjectKind::kIndex || s.object == sql::ObjectKind::kSynonym;
}

void Drop(Ddl &ddl, const sql::DropStmt &s) {
  switch (s.object) {
    case sql::ObjectKind::kTable: {
      const std::string table = FindTable(ddl, s.name);
      if (table.empty()) Fail(942);
      // Parents whose triggers name this table's foreign keys.
      std::vector<std::string> parents;
      for (const ConstraintDef &c : TableConstraints(ddl, table)) {
        if (c.type == 'R' && c.r_table != table) parents.push_back(c.r_table);
      }
      ForgetTable(ddl, table, s.cascade_constraints);
      // Its triggers go with it (SQLite drops their kestrel$t$ triggers).
      for (const auto &t : ddl.Rows("SELECT owner, name FROM main.\"kestrel$triggers\" WHERE table_name = ?1",
                                    {table})) {
        ddl.Rows("DELETE FROM main.\"kestrel$source\" WHERE owner = ?1 AND name = ?2 AND type = 'TRIGGER'",
                 {t[0], t[1]});
      }
      ddl.Rows("DELETE FROM main.\"kestrel$triggers\" WHERE table_name = ?1", {table});
      ddl.Exec("DROP TABLE main." + QuoteIdent(table), 5);
      for (const std::string &p : parents) RefreshTable(ddl, p);
      return;
    }
    case sql::ObjectKind::kView: {
      const std::string view = FindTable(ddl, s.name, true);
      if (view.empty() || !ddl.Exists("SELECT 1 FROM main.sqlite_master WHERE type = 'view' AND "
                                      "name = ?1",
                                      {view})) {
        Fail(942);
      }
      ForgetViewTriggers(ddl, view);
      ddl.Exec("DROP VIEW main." + QuoteIdent(view));
      return;
    }
    case sql::ObjectKind::kIndex: {
      // The named schema's index, else the current one's.
      const SessionSettings &session = ddl.connection().settings();
      const std::string schema = s.name.count > 1 ? std::string(s.name.part[0])
                                 : session.currentSchema.empty() ? session.user
                                                                 : session.currentSchema;
      const std::string stored = FindStorageName(ddl.db(), schema, s.name.Last(), true, true);
      if (stored.empty() || strncasecmp(stored.c_str(), "kestrel$", 8) == 0) Fail(1418);
      if (ddl.Exists("SELECT 1 FROM main.\"kestrel$constraints\" WHERE index_name = ?1 AND status = "
                     "'ENABLED'",
                     {stored})) {
        throw DdlError{OraError::Verbatim(
            2429, "ORA-02429: cannot drop index used for enforcement of unique/primary key")};
      }
      ddl.Exec("DROP INDEX main." + QuoteIdent(stored));
      return;
    }
    case sql::ObjectKind::kSynonym:
      return DropSynonym(ddl, s);
    default:
      return;
  }
}

void Truncate(Ddl &ddl, const sql::TruncateStmt &s) {
  const std::string table = FindTable(ddl, s.name);
  if (table.empty()) Fail(942);
  if (ddl.Exists("SELECT 1 FROM main.\"kestrel$constraints\" c JOIN main.\"kestrel$constraints\" p ON "
                 "p.owner = c.owner AND p.name = c.r_constraint_name WHERE c.type = 'R' AND c.status = "
                 "'ENABLED' AND p.table_name = ?1 AND c.table_name <> ?1",
                 {table})) {
    throw DdlError{OraError::Verbatim(
        2266, "ORA-02266: unique/primary keys in table referenced by enabled foreign keys")};
  }
  // No other table's row refers to these; the table's own foreign keys
  // (to itself) would refuse the rows one by one: the constraints' triggers
  // step aside for the delete and come back after it. TRUNCATE fires no
  // DML triggers: theirs (kestrel$t$) go too, made again by the caller.
  for (auto &row : ddl.Rows("SELECT name FROM main.sqlite_master WHERE type = 'trigger' AND "
                            "tbl_name = ?1 AND substr(name, 1, 10) IN ('kestrel$k$', 'kestrel$t$')",
                            {table})) {
    ddl.Exec("DROP TRIGGER main." + QuoteIdent(row[0]));
  }
  ddl.Exec("DELETE FROM main." + QuoteIdent(table), 6);
  RefreshTable(ddl, table);
}

}  // namespace kestrel_engine::schema
