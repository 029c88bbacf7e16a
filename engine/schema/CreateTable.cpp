/*
** CREATE TABLE: from its column and constraint definitions, or from a
** query (AS SELECT), whose columns take the types the resolver gives them.
*/
#include <algorithm>

#include "catalog/StorageNames.h"
#include "schema/Constraints.h"
#include "schema/SchemaStatements.h"
#include "schema/TableDefinition.h"
#include "sql/ast/Arena.h"
#include "sql/emit/Backend.h"
#include "sql/resolve/Resolve.h"

namespace kestrel_engine::schema {

namespace {

void CreateFromQuery(Ddl &ddl, const sql::CreateTableStmt &s, std::string_view text,
                     TablePlan *plan) {
  sql::SelectStmt select;
  select.kind = sql::StmtKind::kSelect;
  select.pos = s.as_query->pos;
  select.query = s.as_query;
  sql::SqliteCatalog catalog(ddl.db());
  const sql::ResolvedStatement r = sql::Resolve(select, text, catalog);
  const std::string query = sql::SqliteBackend().Emit(r);
  std::vector<std::string> names;
  for (const sql::ColumnDef *c : s.columns) names.emplace_back(c->name->name);
  if (!names.empty() && names.size() != r.columns.size()) Fail(names.size() < r.columns.size() ? 913 : 947);
  std::vector<std::string> quoted;
  for (size_t i = 0; i < r.columns.size(); ++i) {
    const std::string name = names.empty() ? r.columns[i].name : names[i];
    if (r.columns[i].type.Is(sql::TypeCategory::kNull)) {
      throw DdlError{OraError::Verbatim(1723, "ORA-01723: zero-length columns are not allowed")};
    }
    plan->columns.push_back(QuoteIdent(name) + " " + sql::TypeText(r.columns[i].type));
    quoted.push_back(QuoteIdent(name));
  }
  for (const sql::ColumnDef *c : s.columns) {
    for (const sql::Constraint *k : c->constraints) {
      plan->constraints.push_back(PlanConstraint(ddl, plan->table, *k, std::string(c->name->name)));
    }
  }
  ddl.Exec("CREATE TABLE main." + QuoteIdent(plan->table) + " (" + Join(plan->columns, ", ") + ")", 5);
  ddl.Exec("INSERT INTO main." + QuoteIdent(plan->table) + " (" + Join(quoted, ", ") + ") " + query, 5);
}

}  // namespace

void CreateTable(Ddl &ddl, const sql::CreateTableStmt &s, std::string_view text) {
  if (s.temporary == 2) Fail(3001, "private temporary tables");
  // A global temporary table's rows are shared and kept, as a table's: only
  // ON COMMIT PRESERVE ROWS comes near that, the default DELETE ROWS not.
  if (s.temporary == 1 && s.on_commit != 2) Fail(3001, "ON COMMIT DELETE ROWS");
  TablePlan plan;
  CheckObjectName(s.name.Last());
  plan.table = NewStorageName(ddl.db(), ddl.owner(), s.name.Last());
  CheckTableNameFree(ddl, plan.table, s.name.Last());
  if (s.as_query != nullptr) {
    CreateFromQuery(ddl, s, text, &plan);
  } else {
    // Virtual columns' expressions resolve against the table's columns:
    // a scaffold of the table stands in while they are planned.
    bool virtuals = false;
    std::vector<std::string> scaffold;
    for (const sql::ColumnDef *c : s.columns) {
      virtuals = virtuals || c->virtual_expr != nullptr;
      scaffold.push_back(QuoteIdent(c->name->name) + (c->type ? " " + DeclaredType(*c->type) : ""));
    }
    if (virtuals) {
      ddl.Exec("CREATE TABLE main." + QuoteIdent(plan.table) + " (" + Join(scaffold, ", ") + ")", 5);
    }
    std::vector<std::string> seen;
    for (const sql::ColumnDef *c : s.columns) {
      for (const std::string &n : seen) {
        if (n == c->name->name) Fail(957);
      }
      seen.emplace_back(c->name->name);
      PlanColumn(ddl, *c, &plan);
    }
    // A primary key's columns are NOT NULL: declared so too, for describe
    // and the dictionary (an identity column takes its value after the insert).
    std::vector<std::string> keyColumns;
    for (const ConstraintDef &k : plan.constraints) {
      if (k.type == 'P') keyColumns = k.columns;
    }
    for (const sql::Constraint *k : s.constraints) {
      if (k->kind == sql::ConstraintKind::kPrimaryKey) {
        for (const sql::Ident *i : k->columns) keyColumns.emplace_back(i->name);
      }
    }
    for (size_t i = 0; i < seen.size(); ++i) {
      const bool key = std::find(keyColumns.begin(), keyColumns.end(), seen[i]) != keyColumns.end();
      bool identity = false;
      for (const IdentityDef &id : plan.identities) identity = identity || id.column == seen[i];
      std::string &def = plan.columns[i];
      if (key && !identity && def.find(" NOT NULL") == std::string::npos) def += " NOT NULL";
    }
    if (virtuals) ddl.Exec("DROP TABLE main." + QuoteIdent(plan.table), 5);
    ddl.Exec("CREATE TABLE main." + QuoteIdent(plan.table) + " (" + Join(plan.columns, ", ") + ")", 5);
  }
  for (const sql::Constraint *c : s.constraints) {
    plan.constraints.push_back(PlanConstraint(ddl, plan.table, *c));
  }
  // A foreign key to the table itself finds its parent by the table's name.
  for (ConstraintDef &c : plan.constraints) {
    if (c.type == 'R') {
      c.r_table = ResolveParent(ddl, c.r_table, plan.table);
      for (std::string &col : c.r_columns) col = ColumnOf(ddl, c.r_table, col);
    }
    for (std::string &col : c.columns) col = ColumnOf(ddl, plan.table, col);
  }
  // Keys first, so that a foreign key to the table's own key finds it.
  std::stable_partition(plan.constraints.begin(), plan.constraints.end(),
                        [](const ConstraintDef &c) { return c.type != 'R'; });
  ApplyPlan(ddl, plan);
}

}  // namespace kestrel_engine::schema
