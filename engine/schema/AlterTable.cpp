/*
** ALTER TABLE: columns added in place, changed or dropped by rebuilding
** the table, renamed in place; constraints added, dropped, enabled,
** disabled and renamed through their records; the table renamed.
*/
#include <algorithm>
#include <cstdlib>
#include <strings.h>

#include "catalog/Sequences.h"
#include "catalog/StorageNames.h"
#include "schema/Constraints.h"
#include "schema/ExprSql.h"
#include "schema/SchemaStatements.h"
#include "schema/TableDefinition.h"

namespace kestrel_engine::schema {

namespace {

// True when the table's stored definition gives `column` DEFAULT ON NULL's
// NOT NULL ON CONFLICT REPLACE.
bool ReplacesNull(Ddl &ddl, const std::string &table, const std::string &column) {
  const auto rows = ddl.Rows("SELECT sql FROM main.sqlite_master WHERE type = 'table' AND name = ?1", {table});
  if (rows.empty()) return false;
  const std::string &sql = rows[0][0];
  const std::string quoted = QuoteIdent(column) + " ";
  for (const char *before : {"(", ", "}) {
    const size_t at = sql.find(before + quoted);
    if (at == std::string::npos) continue;
    const size_t end = sql.find(", \"", at + 1);
    return sql.substr(at, end == std::string::npos ? std::string::npos : end - at)
               .find("ON CONFLICT REPLACE") != std::string::npos;
  }
  return false;
}

// A stored column as a definition for the rebuilt table.
std::string Definition(Ddl &ddl, const std::string &table, const StoredColumn &c) {
  std::string def = QuoteIdent(c.name) + " " + c.type;
  if (!c.default_sql.empty()) def += " DEFAULT (" + c.default_sql + ")";
  if (c.not_null) def += ReplacesNull(ddl, table, c.name) ? " NOT NULL ON CONFLICT REPLACE" : " NOT NULL";
  return def;
}

void AddColumns(Ddl &ddl, const std::string &table, const sql::AlterItem &item) {
  TablePlan plan;
  plan.table = table;
  plan.in_place = true;
  for (const sql::ColumnDef *c : item.columns) {
    for (const StoredColumn &have : TableColumns(ddl, table)) {
      if (strcasecmp(have.name.c_str(), std::string(c->name->name).c_str()) == 0) Fail(1430);
    }
    const size_t before = plan.columns.size();
    PlanColumn(ddl, *c, &plan);
    std::string &def = plan.columns[before];
    // SQLite adds a NOT NULL column only with a default; the constraint's
    // trigger and its check of the rows there stand in for it.
    if (def.size() > 9 && def.compare(def.size() - 9, 9, " NOT NULL") == 0 &&
        def.find(" DEFAULT ") == std::string::npos) {
      def.resize(def.size() - 9);
    }
    ddl.Exec("ALTER TABLE main." + QuoteIdent(table) + " ADD COLUMN " + def, 7);
  }
  ApplyPlan(ddl, plan);
}

// MODIFY (col [type] [DEFAULT x] [NULL | NOT NULL]) ...
void ModifyColumns(Ddl &ddl, const std::string &table, const sql::AlterItem &item) {
  std::vector<StoredColumn> columns = TableColumns(ddl, table);
  std::vector<ConstraintDef> added;
  std::vector<ConstraintDef> dropped;
  TablePlan identities;
  identities.table = table;
  const std::vector<ConstraintDef> existing = TableConstraints(ddl, table);
  bool rebuild = false;
  for (const sql::ColumnDef *c : item.columns) {
    const std::string name = ColumnOf(ddl, table, c->name->name);
    StoredColumn *col = nullptr;
    for (StoredColumn &s : columns) {
      if (s.name == name) col = &s;
    }
    if (c->type != nullptr) {
      CheckTypeChange(ddl, table, name, col->type, DeclaredType(*c->type));
      col->type = DeclaredType(*c->type);
      rebuild = true;
    }
    if (c->identity != 0) {
      // MODIFY col GENERATED ... AS IDENTITY [(START WITH n | LIMIT VALUE)]:
      // the column takes its values after the insert, so SQLite's own NOT
      // NULL goes (the constraint's trigger stands in for it).
      IdentityDef id;
      id.table = table;
      id.column = name;
      id.sequence = NextIdentitySequence(ddl, identities);
      id.kind = c->identity == 1 ? "ALWAYS" : c->identity == 3 ? "ON NULL" : "BY DEFAULT";
      const sql::SequenceOptions *o = c->identity_options;
      id.increment = o ? Integer(o->increment, 1) : 1;
      id.start = o ? Integer(o->start, 1) : 1;
      if (o != nullptr && o->start_limit) {
        const auto top = ddl.Rows("SELECT coalesce(max(" + QuoteIdent(name) + "), 0) FROM main." +
                                  QuoteIdent(table));
        id.start = std::strtoll(top[0][0].c_str(), nullptr, 10) + id.increment;
      }
      identities.identities.push_back(id);
      rebuild = true;
      col->default_sql = "kestrel_identity_nextval(" + QuoteText(id.sequence) + ")";
      col->not_null = true;
    }
    if (c->default_value != nullptr) {
      col->default_sql = ExpressionSql(ddl, OracleText(*c->default_value));
      rebuild = true;
    }
    for (const sql::Constraint *k : c->constraints) {
      const ConstraintDef *nn = nullptr;
      for (const ConstraintDef &e : existing) {
        if (e.not_null && e.columns.size() == 1 && e.columns[0] == name) nn = &e;
      }
      if (k->kind == sql::ConstraintKind::kNull) {
        if (nn == nullptr && !col->not_null) Fail(1451);
        if (nn != nullptr) dropped.push_back(*nn);
        if (col->not_null) rebuild = true;
        col->not_null = false;
      } else if (k->kind == sql::ConstraintKind::kNotNull) {
        if (nn != nullptr) Fail(1442);
        added.push_back(PlanConstraint(ddl, table, *k, name));
      } else {
        ConstraintDef d = PlanConstraint(ddl, table, *k, name);
        if (d.type == 'R') {
          d.r_table = ResolveParent(ddl, d.r_table, table);
          for (std::string &rc : d.r_columns) rc = ColumnOf(ddl, d.r_table, rc);
        }
        added.push_back(d);
      }
    }
  }
  if (rebuild) {
    std::vector<std::string> defs;
    std::vector<std::string> names;
    for (const StoredColumn &s : columns) {
      defs.push_back(Definition(ddl, table, s));
      names.push_back(QuoteIdent(s.name));
    }
    RebuildTable(ddl, table, defs, names, names);
  }
  for (const ConstraintDef &d : dropped) DropConstraint(ddl, d, false);
  for (const ConstraintDef &d : added) AddConstraint(ddl, d);
  ApplyPlan(ddl, identities);
}

void DropColumns(Ddl &ddl, const std::string &table, const sql::AlterItem &item) {
  std::vector<std::string> gone;
  for (const sql::Ident *i : item.names) gone.push_back(ColumnOf(ddl, table, i->name));
  for (const ConstraintDef &c : TableConstraints(ddl, table)) {
    bool touches = false;
    for (const std::string &col : c.columns) {
      touches = touches || std::find(gone.begin(), gone.end(), col) != gone.end();
    }
    if (!touches) continue;
    if (c.columns.size() > 1 && !item.cascade) Fail(12991);
    DropConstraint(ddl, c, true);
  }
  std::vector<std::string> defs;
  std::vector<std::string> names;
  for (const StoredColumn &s : TableColumns(ddl, table)) {
    if (std::find(gone.begin(), gone.end(), s.name) != gone.end()) continue;
    defs.push_back(Definition(ddl, table, s));
    names.push_back(QuoteIdent(s.name));
  }
  if (defs.empty()) throw DdlError{OraError::Verbatim(12983, "ORA-12983: cannot drop all columns in a table")};
  // A dropped identity column's sequence goes with it.
  for (auto &row : ddl.Rows("SELECT column_name, sequence_name FROM main.\"kestrel$identities\" "
                            "WHERE table_name = ?1 AND sequence_name GLOB 'ISEQ$$_[0-9]*'",
                            {table})) {
    if (std::find(gone.begin(), gone.end(), row[0]) == gone.end()) continue;
    ddl.Rows("DELETE FROM main.\"kestrel$sequences\" WHERE name = ?1", {row[1]});
    ddl.connection().sequences().held.erase(row[1]);
  }
  for (const std::string &col : gone) {
    ddl.Rows("DELETE FROM main.\"kestrel$identities\" WHERE table_name = ?1 AND column_name = ?2",
             {table, col});
  }
  // Indexes on a dropped column go with it. (Made again on the rebuilt
  // table, SQLite would read the missing "COLUMN" as a string.)
  for (auto &row : ddl.Rows("SELECT name, sql FROM main.sqlite_master WHERE type = 'index' AND "
                            "tbl_name = ?1 AND sql IS NOT NULL",
                            {table})) {
    for (const std::string &col : gone) {
      if (row[1].find(QuoteIdent(col)) != std::string::npos) {
        ddl.Exec("DROP INDEX main." + QuoteIdent(row[0]));
        break;
      }
    }
  }
  RebuildTable(ddl, table, defs, names, names);
  RefreshTable(ddl, table);
}

ConstraintDef Named(Ddl &ddl, const std::string &table, const sql::AlterItem &item) {
  if (item.key == 0) return FindConstraint(ddl, table, std::string(item.name->name));
  std::vector<std::string> cols;
  for (const sql::Ident *i : item.names) cols.push_back(ColumnOf(ddl, table, i->name));
  for (const ConstraintDef &c : TableConstraints(ddl, table)) {
    if (item.key == 1 && c.type == 'P') return c;
    if (item.key == 2 && c.type == 'U' && c.columns == cols) return c;
  }
  Fail(2443);
}

// Tables whose triggers name `table`: its foreign keys' parents and children.
std::vector<std::string> Related(Ddl &ddl, const std::string &table) {
  std::vector<std::string> out;
  for (auto &row : ddl.Rows(
           "SELECT DISTINCT p.table_name FROM main.\"kestrel$constraints\" c JOIN "
           "main.\"kestrel$constraints\" p ON p.owner = c.owner AND p.name = c.r_constraint_name "
           "WHERE c.table_name = ?1 AND c.type = 'R' UNION SELECT c.table_name FROM "
           "main.\"kestrel$constraints\" c JOIN main.\"kestrel$constraints\" p ON p.owner = c.owner "
           "AND p.name = c.r_constraint_name WHERE p.table_name = ?1 AND c.type = 'R'",
           {table})) {
    if (row[0] != table) out.push_back(row[0]);
  }
  return out;
}

}  // namespace

// Every form is taken here: the older path rebuilds the size rules, which
// would clear the constraints' triggers on the table.
bool CanAlterTable(const sql::AlterTableStmt &) { return true; }

void AlterTable(Ddl &ddl, const sql::AlterTableStmt &s) {
  std::string table = FindTable(ddl, s.name);
  if (table.empty()) Fail(942);
  for (const sql::AlterItem *item : s.items) {
    switch (item->action) {
      case sql::AlterAction::kAddColumns:
        AddColumns(ddl, table, *item);
        break;
      case sql::AlterAction::kModifyColumns:
        ModifyColumns(ddl, table, *item);
        break;
      case sql::AlterAction::kDropColumns:
        DropColumns(ddl, table, *item);
        break;
      case sql::AlterAction::kRenameColumn: {
        const std::string from = ColumnOf(ddl, table, item->name->name);
        const std::string to(item->new_name->name);
        for (const StoredColumn &c : TableColumns(ddl, table)) {
          if (strcasecmp(c.name.c_str(), to.c_str()) == 0) Fail(957);
        }
        RenameKeepingViews(ddl, "ALTER TABLE main." + QuoteIdent(table) + " RENAME COLUMN " +
                                    QuoteIdent(from) + " TO " + QuoteIdent(to));
        RenameColumnRecords(ddl, table, from, to);
        RefreshTable(ddl, table);
        for (const std::string &other : Related(ddl, table)) RefreshTable(ddl, other);
        break;
      }
      case sql::AlterAction::kAddConstraints:
        for (const sql::Constraint *c : item->constraints) {
          ConstraintDef d = PlanConstraint(ddl, table, *c);
          for (std::string &col : d.columns) col = ColumnOf(ddl, table, col);
          if (d.type == 'R') {
            d.r_table = ResolveParent(ddl, d.r_table, table);
            for (std::string &rc : d.r_columns) rc = ColumnOf(ddl, d.r_table, rc);
          }
          AddConstraint(ddl, d);
          RefreshTable(ddl, table);
          if (d.type == 'R' && d.r_table != table) RefreshTable(ddl, d.r_table);
        }
        break;
      case sql::AlterAction::kDropConstraint:
        DropConstraint(ddl, Named(ddl, table, *item), item->cascade);
        break;
      case sql::AlterAction::kEnableConstraint:
      case sql::AlterAction::kDisableConstraint: {
        const bool enable = item->action == sql::AlterAction::kEnableConstraint;
        SetEnabled(ddl, Named(ddl, table, *item), enable, item->validate != 2);
        break;
      }
      case sql::AlterAction::kRenameConstraint:
        RenameConstraint(ddl, FindConstraint(ddl, table, std::string(item->name->name)),
                         std::string(item->new_name->name));
        break;
      case sql::AlterAction::kRenameTable: {
        CheckObjectName(item->new_table.Last());
        // The new name in the owner's schema (catalog/StorageNames.h).
        const std::string to = NewStorageName(ddl.db(), ddl.owner(), item->new_table.Last());
        if (ddl.Exists("SELECT 1 FROM main.sqlite_master WHERE name = ?1 COLLATE NOCASE", {to})) Fail(955);
        CheckNameFree(ddl, ddl.owner(), item->new_table.Last());
        RenameKeepingViews(ddl, "ALTER TABLE main." + QuoteIdent(table) + " RENAME TO " + QuoteIdent(to));
        ddl.Rows("UPDATE main.\"kestrel$comments\" SET table_name = ?2 WHERE table_name = ?1", {table, to});
        RenameTableRecords(ddl, table, to);
        table = to;
        RefreshTable(ddl, table);
        for (const std::string &other : Related(ddl, table)) RefreshTable(ddl, other);
        break;
      }
      case sql::AlterAction::kModifyConstraint: {
        // MODIFY CONSTRAINT name ENABLE|DISABLE [VALIDATE|NOVALIDATE]
        const ConstraintDef c = FindConstraint(ddl, table, std::string(item->name->name));
        if (item->key != 0) SetEnabled(ddl, c, item->key == 1, item->validate != 2);
        break;
      }
      case sql::AlterAction::kIgnored:
        break;
    }
  }
}

}  // namespace kestrel_engine::schema
