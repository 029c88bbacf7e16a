/*
** Recording, checking and enforcing constraints. Every trigger the engine
** makes here is named kestrel$k$TABLE$... and lives on the table it
** guards; RefreshTable drops and makes a table's whole set from the
** records, after the size rules (which clear every engine trigger on the
** table) were rebuilt.
*/
#include "schema/Constraints.h"

#include <cstdio>

#include "catalog/Sequences.h"
#include "catalog/StorageNames.h"
#include "plsql/Triggers.h"
#include "schema/ExprSql.h"
#include "sql/ColumnRules.h"

namespace kestrel_engine::schema {

const char kConstraintsTable[] = "kestrel$constraints";
const char kConsColumnsTable[] = "kestrel$cons_columns";
const char kIdentitiesTable[] = "kestrel$identities";

namespace {

const std::string kCons = std::string("main.\"") + kConstraintsTable + "\"";
const std::string kCols = std::string("main.\"") + kConsColumnsTable + "\"";
const std::string kIds = std::string("main.\"") + kIdentitiesTable + "\"";

std::string Label(Ddl &ddl, const std::string &name) { return ddl.owner() + "." + name; }

std::string TriggerName(const std::string &table, const std::string &what) {
  return QuoteIdent("kestrel$k$" + table + "$" + what);
}

std::string Raise(const std::string &message) {
  return "SELECT RAISE(ABORT, " + QuoteText(message) + ")";
}

std::vector<std::string> Prefixed(const std::vector<std::string> &columns, const char *prefix) {
  std::vector<std::string> out;
  for (const std::string &c : columns) out.push_back(prefix + QuoteIdent(c));
  return out;
}

// a1 = b1 AND a2 = b2 ...
std::string Matches(const std::vector<std::string> &a, const std::vector<std::string> &b,
                    const char *op = " = ") {
  std::vector<std::string> parts;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) parts.push_back(a[i] + op + b[i]);
  return Join(parts, " AND ");
}

std::string AllNotNull(const std::vector<std::string> &a) {
  std::vector<std::string> parts;
  for (const std::string &x : a) parts.push_back(x + " IS NOT NULL");
  return Join(parts, " AND ");
}

std::string ColumnLabel(Ddl &ddl, const std::string &table, const std::string &column) {
  return QuoteIdent(ddl.owner()) + "." + QuoteIdent(std::string(OracleObjectName(table, ddl.owner()))) +
         "." + QuoteIdent(column);
}

std::string NewName(Ddl &ddl) {
  const auto rows = ddl.Rows("SELECT coalesce(max(CAST(substr(name, 6) AS INTEGER)), 7000) + 1 FROM " +
                             kCons + " WHERE name GLOB 'SYS_C[0-9]*'");
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "SYS_C%07lld", std::stoll(rows[0][0]));
  return buffer;
}

std::vector<std::string> ColumnsOf(Ddl &ddl, const std::string &name) {
  std::vector<std::string> out;
  for (auto &row : ddl.Rows("SELECT column_name FROM " + kCols +
                                " WHERE owner = ?1 AND constraint_name = ?2 ORDER BY position",
                            {ddl.owner(), name})) {
    out.push_back(row[0]);
  }
  return out;
}

ConstraintDef FromRow(Ddl &ddl, const std::vector<std::string> &r) {
  ConstraintDef c;
  c.name = r[0];
  c.type = r[1].empty() ? 'C' : r[1][0];
  c.table = r[2];
  c.r_constraint = r[3];
  c.delete_rule = r[4];
  c.enabled = r[5] == "ENABLED";
  c.condition = r[6];
  c.not_null = r[7] == "1";
  c.index = r[8];
  c.owns_index = r[9] == "1";
  c.columns = ColumnsOf(ddl, c.name);
  if (c.type == 'R') {
    const auto parent = ddl.Rows("SELECT table_name FROM " + kCons + " WHERE owner = ?1 AND name = ?2",
                                 {ddl.owner(), c.r_constraint});
    if (!parent.empty()) c.r_table = parent[0][0];
    c.r_columns = ColumnsOf(ddl, c.r_constraint);
  }
  return c;
}

const char kSelect[] =
    "SELECT name, type, table_name, r_constraint_name, delete_rule, status, "
    "search_condition, not_null, index_name, owns_index FROM ";

// Throws the error for rows that break `c`, when there are some.
void Validate(Ddl &ddl, const ConstraintDef &c) {
  const std::string table = "main." + QuoteIdent(c.table);
  const std::vector<std::string> cols = Prefixed(c.columns, "");
  switch (c.type) {
    case 'C':
      if (c.not_null) {
        if (ddl.Exists("SELECT 1 FROM " + table + " WHERE " + cols[0] + " IS NULL LIMIT 1")) {
          Fail(2296, Label(ddl, c.name));
        }
      } else if (ddl.Exists("SELECT 1 FROM " + table + " AS \"NEW\" WHERE NOT (" +
                            CheckSql(ddl, c.table, c.condition) + ") LIMIT 1")) {
        Fail(2293, Label(ddl, c.name));
      }
      return;
    case 'P':
    case 'U': {
      if (c.type == 'P') {
        std::vector<std::string> nulls;
        for (const std::string &x : cols) nulls.push_back(x + " IS NULL");
        if (ddl.Exists("SELECT 1 FROM " + table + " WHERE " + Join(nulls, " OR ") + " LIMIT 1")) {
          Fail(1449);
        }
      }
      const std::vector<std::string> a = Prefixed(c.columns, "a.");
      const std::vector<std::string> b = Prefixed(c.columns, "b.");
      std::vector<std::string> someValue;
      for (const std::string &x : a) someValue.push_back(x + " IS NOT NULL");
      if (ddl.Exists("SELECT 1 FROM " + table + " a JOIN " + table + " b ON " + Matches(a, b, " IS ") +
                     " AND a.rowid < b.rowid WHERE " + Join(someValue, " OR ") + " LIMIT 1")) {
        Fail(c.type == 'P' ? 2437 : 2299, Label(ddl, c.name));
      }
      return;
    }
    case 'R': {
      const std::vector<std::string> child = Prefixed(c.columns, "c.");
      const std::vector<std::string> parent = Prefixed(c.r_columns, "p.");
      if (ddl.Exists("SELECT 1 FROM " + table + " c WHERE " + AllNotNull(child) +
                     " AND NOT EXISTS (SELECT 1 FROM main." + QuoteIdent(c.r_table) + " p WHERE " +
                     Matches(parent, child) + ") LIMIT 1")) {
        Fail(2298, Label(ddl, c.name));
      }
      return;
    }
    default:
      return;
  }
}

void DropIndexOf(Ddl &ddl, const ConstraintDef &c) {
  if (c.owns_index && !c.index.empty()) ddl.Exec("DROP INDEX IF EXISTS main." + QuoteIdent(c.index));
}

// A primary or unique key's index: one already on exactly its columns,
// or a new unique one named after the constraint.
void MakeIndex(Ddl &ddl, ConstraintDef &c) {
  for (auto &row : ddl.Rows("SELECT name FROM pragma_index_list(?1, 'main') WHERE origin = 'c'",
                            {c.table})) {
    std::vector<std::string> cols;
    for (auto &k : ddl.Rows("SELECT name FROM pragma_index_info(?1, 'main') ORDER BY seqno", {row[0]})) {
      cols.push_back(k[0]);
    }
    if (cols == c.columns) {
      c.index = row[0];
      c.owns_index = false;
      return;
    }
  }
  std::string name = NewStorageName(ddl.db(), ddl.owner(), c.name);
  if (ddl.Exists("SELECT 1 FROM main.sqlite_master WHERE name = ?1", {name})) {
    name = "kestrel$" + c.table + "$" + c.name;  // never shown: the name was taken
  }
  ddl.Exec("CREATE UNIQUE INDEX main." + QuoteIdent(name) + " ON " + QuoteIdent(c.table) + " (" +
           Join(Prefixed(c.columns, ""), ", ") + ")");
  c.index = name;
  c.owns_index = true;
}

void Store(Ddl &ddl, const ConstraintDef &c) {
  ddl.Rows("INSERT INTO " + kCons +
               " (owner, name, type, table_name, r_constraint_name, delete_rule, status, "
               "search_condition, not_null, index_name, owns_index, generated) VALUES "
               "(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)",
           {ddl.owner(), c.name, std::string(1, c.type), c.table, c.r_constraint,
            c.type == 'R' ? c.delete_rule : "", c.enabled ? "ENABLED" : "DISABLED", c.condition,
            c.not_null ? "1" : "0", c.index, c.owns_index ? "1" : "0",
            c.name.compare(0, 5, "SYS_C") == 0 ? "GENERATED NAME" : "USER NAME"});
  for (size_t i = 0; i < c.columns.size(); ++i) {
    ddl.Rows("INSERT INTO " + kCols +
                 " (owner, constraint_name, table_name, column_name, position) VALUES (?1, ?2, ?3, "
                 "?4, ?5)",
             {ddl.owner(), c.name, c.table, c.columns[i], std::to_string(i + 1)});
  }
}

std::vector<std::string> IdentityColumns(Ddl &ddl, const std::string &table) {
  std::vector<std::string> out;
  // Columns whose NULL on insert is filled in: no NOT NULL check before.
  for (auto &row : ddl.Rows("SELECT column_name FROM " + kIds +
                                " WHERE table_name = ?1 AND kind IN ('ALWAYS', 'FILL', 'ON NULL')",
                            {table})) {
    out.push_back(row[0]);
  }
  return out;
}

// The triggers of one constraint of `table` (the child side of a foreign key).
void Enforce(Ddl &ddl, const ConstraintDef &c, const std::vector<std::string> &identities) {
  const std::string on = " ON main." + QuoteIdent(c.table);
  const std::string tab = "main." + QuoteIdent(c.table);
  auto trigger = [&](const std::string &suffix, const std::string &when_on,
                     const std::string &body) {
    ddl.Exec("CREATE TRIGGER main." + TriggerName(c.table, c.name + "$" + suffix) + " " + when_on +
             " BEGIN " + body + "; END");
  };
  auto notNull = [&](const std::string &column, const std::string &suffix) {
    bool identity = false;
    for (const std::string &i : identities) identity = identity || i == column;
    const std::string col = QuoteIdent(column);
    if (!identity) {
      trigger(suffix + "i", "BEFORE INSERT" + on + " WHEN NEW." + col + " IS NULL",
              Raise(Message(1400, ColumnLabel(ddl, c.table, column))));
    }
    trigger(suffix + "u", "BEFORE UPDATE OF " + col + on + " WHEN NEW." + col + " IS NULL",
            Raise(Message(1407, ColumnLabel(ddl, c.table, column))));
  };
  const std::string label = Label(ddl, c.name);
  switch (c.type) {
    case 'C':
      if (c.not_null) {
        notNull(c.columns[0], "n");
      } else {
        const std::string cond = CheckSql(ddl, c.table, c.condition);
        trigger("ci", "BEFORE INSERT" + on + " WHEN NOT (" + cond + ")", Raise(Message(2290, label)));
        trigger("cu", "BEFORE UPDATE" + on + " WHEN NOT (" + cond + ")", Raise(Message(2290, label)));
      }
      return;
    case 'P':
    case 'U': {
      if (c.type == 'P') {
        for (size_t i = 0; i < c.columns.size(); ++i) notNull(c.columns[i], "n" + std::to_string(i));
      }
      const std::vector<std::string> cols = Prefixed(c.columns, "t.");
      const std::vector<std::string> fresh = Prefixed(c.columns, "NEW.");
      std::vector<std::string> someValue;
      for (const std::string &x : fresh) someValue.push_back(x + " IS NOT NULL");
      const std::string clash = "(" + Join(someValue, " OR ") + ") AND EXISTS (SELECT 1 FROM " + tab +
                                " t WHERE " + Matches(cols, fresh, " IS ");
      trigger("ki", "BEFORE INSERT" + on + " WHEN " + clash + ")", Raise(Message(1, label)));
      trigger("ku", "BEFORE UPDATE OF " + Join(Prefixed(c.columns, ""), ", ") + on + " WHEN " +
                        clash + " AND t.rowid IS NOT OLD.rowid)",
              Raise(Message(1, label)));
      return;
    }
    case 'R': {
      const std::vector<std::string> fresh = Prefixed(c.columns, "NEW.");
      const std::string missing = AllNotNull(fresh) + " AND NOT EXISTS (SELECT 1 FROM main." +
                                  QuoteIdent(c.r_table) + " p WHERE " +
                                  Matches(Prefixed(c.r_columns, "p."), fresh) + ")";
      trigger("ri", "BEFORE INSERT" + on + " WHEN " + missing, Raise(Message(2291, label)));
      trigger("ru", "BEFORE UPDATE OF " + Join(Prefixed(c.columns, ""), ", ") + on + " WHEN " + missing,
              Raise(Message(2291, label)));
      return;
    }
    default:
      return;
  }
}

// The parent side of foreign key `c`: triggers on its parent table.
void EnforceParent(Ddl &ddl, const ConstraintDef &c) {
  const std::string on = " ON main." + QuoteIdent(c.r_table);
  const std::string child = QuoteIdent(c.table);
  const std::string label = Label(ddl, c.name);
  const std::string rows = Matches(Prefixed(c.columns, ""), Prefixed(c.r_columns, "OLD."));
  auto trigger = [&](const std::string &suffix, const std::string &when_on,
                     const std::string &body) {
    ddl.Exec("CREATE TRIGGER main." + TriggerName(c.r_table, c.name + "$" + suffix) + " " + when_on +
             " BEGIN " + body + "; END");
  };
  const std::string children = "EXISTS (SELECT 1 FROM main." + child + " WHERE " + rows + ")";
  if (c.delete_rule == "CASCADE" && c.table == c.r_table) {
    // A trigger does not fire itself here (SQLite's recursive triggers are
    // off), so a cascade within one table reaches one level: a deeper one
    // is refused rather than leave rows pointing at deleted ones.
    const std::string grandchildren =
        "EXISTS (SELECT 1 FROM main." + child + " c JOIN main." + child + " g ON " +
        Matches(Prefixed(c.columns, "g."), Prefixed(c.r_columns, "c.")) + " WHERE " +
        Matches(Prefixed(c.columns, "c."), Prefixed(c.r_columns, "OLD.")) + " AND c.rowid IS NOT OLD.rowid)";
    trigger("pd", "BEFORE DELETE" + on, Raise(Message(2292, label)) + " WHERE " + grandchildren +
                                            "; DELETE FROM " + child + " WHERE " + rows +
                                            " AND rowid IS NOT OLD.rowid");
  } else if (c.delete_rule == "CASCADE") {
    trigger("pd", "BEFORE DELETE" + on, "DELETE FROM " + child + " WHERE " + rows);
  } else if (c.delete_rule == "SET NULL") {
    std::vector<std::string> sets;
    for (const std::string &col : c.columns) sets.push_back(QuoteIdent(col) + " = NULL");
    trigger("pd", "BEFORE DELETE" + on, "UPDATE " + child + " SET " + Join(sets, ", ") + " WHERE " + rows);
  } else {
    trigger("pd", "BEFORE DELETE" + on + " WHEN " + children, Raise(Message(2292, label)));
  }
  std::vector<std::string> changed;
  for (const std::string &col : c.r_columns) {
    changed.push_back("NEW." + QuoteIdent(col) + " IS NOT OLD." + QuoteIdent(col));
  }
  trigger("pu", "BEFORE UPDATE OF " + Join(Prefixed(c.r_columns, ""), ", ") + on + " WHEN (" +
                    Join(changed, " OR ") + ") AND " + children,
          Raise(Message(2292, label)));
}

void EnforceIdentity(Ddl &ddl, const IdentityDef &id) {
  const std::string on = " ON main." + QuoteIdent(id.table);
  const std::string col = QuoteIdent(id.column);
  auto trigger = [&](const std::string &suffix, const std::string &when_on,
                     const std::string &body) {
    ddl.Exec("CREATE TRIGGER main." + TriggerName(id.table, id.column + "$" + suffix) + " " +
             when_on + " BEGIN " + body + "; END");
  };
  if (id.kind == "ALWAYS") {
    // The DEFAULT drew the value before this trigger runs: any other was given.
    trigger("ia", "BEFORE INSERT" + on + " WHEN NOT kestrel_identity_drawn(" + QuoteText(id.sequence) +
                      ", NEW." + col + ")",
            Raise(Message(32795)));
    trigger("ua", "BEFORE UPDATE OF " + col + on + " WHEN OLD." + col + " IS NOT NULL",
            Raise(Message(32796)));
    return;
  }
  trigger("in", "AFTER INSERT" + on + " WHEN NEW." + col + " IS NULL",
          "UPDATE " + QuoteIdent(id.table) + " SET " + col + " = kestrel_identity_nextval(" +
              QuoteText(id.sequence) + ") WHERE rowid = NEW.rowid");
}

std::vector<ConstraintDef> Load(Ddl &ddl, const std::string &where,
                                const std::vector<std::string> &args) {
  std::vector<ConstraintDef> out;
  for (auto &row : ddl.Rows(kSelect + kCons + " WHERE " + where + " ORDER BY rowid", args)) {
    out.push_back(FromRow(ddl, row));
  }
  return out;
}

}  // namespace

bool EnsureConstraintTables(Connection &connection, OraError *error) {
  const std::string sql =
      "CREATE TABLE IF NOT EXISTS " + kCons +
      " (owner TEXT NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL, table_name TEXT NOT NULL, "
      "r_constraint_name TEXT, delete_rule TEXT, status TEXT NOT NULL, search_condition TEXT, "
      "not_null INTEGER NOT NULL DEFAULT 0, index_name TEXT, owns_index INTEGER NOT NULL "
      "DEFAULT 0, generated TEXT, PRIMARY KEY (owner, name)); "
      "CREATE TABLE IF NOT EXISTS " + kCols +
      " (owner TEXT NOT NULL, constraint_name TEXT NOT NULL, table_name TEXT NOT NULL, "
      "column_name TEXT NOT NULL, position INTEGER NOT NULL, PRIMARY KEY (owner, "
      "constraint_name, position)); "
      "CREATE TABLE IF NOT EXISTS " + kIds +
      " (table_name TEXT NOT NULL, column_name TEXT NOT NULL, sequence_name TEXT NOT NULL, "
      "kind TEXT NOT NULL, PRIMARY KEY (table_name, column_name))";
  return connection.ExecInternal(sql.c_str(), error);
}

void AddConstraint(Ddl &ddl, ConstraintDef c) {
  OraError e;
  if (!EnsureConstraintTables(ddl.connection(), &e)) throw DdlError{e};
  if (c.name.empty()) c.name = NewName(ddl);
  CheckUserName(c.name);
  if (ddl.Exists("SELECT 1 FROM " + kCons + " WHERE owner = ?1 AND name = ?2", {ddl.owner(), c.name})) {
    Fail(2264);
  }
  for (const ConstraintDef &other : TableConstraints(ddl, c.table)) {
    if (c.type == 'P' && other.type == 'P') Fail(2260);
    if ((c.type == 'P' || c.type == 'U') && (other.type == 'P' || other.type == 'U') &&
        other.columns == c.columns) {
      Fail(2261);
    }
  }
  if (c.type == 'R') {
    // The parent's key: its primary key, or the unique key on the named columns.
    bool found = false;
    for (const ConstraintDef &key : TableConstraints(ddl, c.r_table)) {
      if ((c.r_columns.empty() && key.type == 'P') ||
          (!c.r_columns.empty() && (key.type == 'P' || key.type == 'U') && key.columns == c.r_columns)) {
        c.r_constraint = key.name;
        c.r_columns = key.columns;
        found = true;
        break;
      }
    }
    if (!found || c.r_columns.size() != c.columns.size()) Fail(2270);
  }
  if (c.enabled && c.validate) Validate(ddl, c);
  if ((c.type == 'P' || c.type == 'U') && c.enabled) MakeIndex(ddl, c);
  Store(ddl, c);
}

void AddIdentity(Ddl &ddl, const IdentityDef &id) {
  OraError e;
  if (!EnsureConstraintTables(ddl.connection(), &e)) throw DdlError{e};
  ddl.Rows("INSERT OR REPLACE INTO " + kIds +
               " (table_name, column_name, sequence_name, kind) VALUES (?1, ?2, ?3, ?4)",
           {id.table, id.column, id.sequence, id.kind});
}

std::vector<ConstraintDef> TableConstraints(Ddl &ddl, const std::string &table) {
  OraError e;
  if (!EnsureConstraintTables(ddl.connection(), &e)) throw DdlError{e};
  return Load(ddl, "owner = ?1 AND table_name = ?2", {ddl.owner(), table});
}

ConstraintDef FindConstraint(Ddl &ddl, const std::string &table, const std::string &name) {
  OraError e;
  if (!EnsureConstraintTables(ddl.connection(), &e)) throw DdlError{e};
  const auto found = Load(ddl, "owner = ?1 AND table_name = ?2 AND name = ?3", {ddl.owner(), table, name});
  if (found.empty()) Fail(2443);
  return found[0];
}

void DropConstraint(Ddl &ddl, const ConstraintDef &c, bool cascade) {
  if (c.type == 'P' || c.type == 'U') {
    const auto children = Load(ddl, "owner = ?1 AND type = 'R' AND r_constraint_name = ?2",
                               {ddl.owner(), c.name});
    if (!children.empty() && !cascade) Fail(2273);
    for (const ConstraintDef &child : children) DropConstraint(ddl, child, false);
  }
  DropIndexOf(ddl, c);
  ddl.Rows("DELETE FROM " + kCons + " WHERE owner = ?1 AND name = ?2", {ddl.owner(), c.name});
  ddl.Rows("DELETE FROM " + kCols + " WHERE owner = ?1 AND constraint_name = ?2", {ddl.owner(), c.name});
  RefreshTable(ddl, c.table);
  if (c.type == 'R' && c.r_table != c.table) RefreshTable(ddl, c.r_table);
}

void SetEnabled(Ddl &ddl, const ConstraintDef &c, bool enabled, bool validate) {
  ConstraintDef now = c;
  if (enabled && !c.enabled) {
    if (validate) Validate(ddl, c);
    if (c.type == 'P' || c.type == 'U') MakeIndex(ddl, now);
  } else if (!enabled && c.enabled) {
    if (c.type == 'P' || c.type == 'U') {
      // Oracle refuses to disable a key that enabled foreign keys rely on (ORA-02297).
      if (ddl.Exists("SELECT 1 FROM " + kCons +
                         " WHERE owner = ?1 AND type = 'R' AND r_constraint_name = ?2 AND status = "
                         "'ENABLED'",
                     {ddl.owner(), c.name})) {
        throw DdlError{OraError::Verbatim(
            2297, "ORA-02297: cannot disable constraint (" + Label(ddl, c.name) +
                      ") - dependencies exist")};
      }
      DropIndexOf(ddl, c);
      if (c.owns_index) now.index.clear();
    }
  }
  ddl.Rows("UPDATE " + kCons + " SET status = ?3, index_name = ?4, owns_index = ?5 WHERE owner = ?1 "
           "AND name = ?2",
           {ddl.owner(), c.name, enabled ? "ENABLED" : "DISABLED", now.index,
            now.owns_index ? "1" : "0"});
  RefreshTable(ddl, c.table);
  if (c.type == 'R' && c.r_table != c.table) RefreshTable(ddl, c.r_table);
}

void RenameConstraint(Ddl &ddl, const ConstraintDef &c, const std::string &to) {
  CheckUserName(to);
  if (ddl.Exists("SELECT 1 FROM " + kCons + " WHERE owner = ?1 AND name = ?2", {ddl.owner(), to})) {
    Fail(2264);
  }
  ddl.Rows("UPDATE " + kCons + " SET name = ?3, generated = 'USER NAME' WHERE owner = ?1 AND name = ?2",
           {ddl.owner(), c.name, to});
  ddl.Rows("UPDATE " + kCons + " SET r_constraint_name = ?3 WHERE owner = ?1 AND r_constraint_name = ?2",
           {ddl.owner(), c.name, to});
  ddl.Rows("UPDATE " + kCols + " SET constraint_name = ?3 WHERE owner = ?1 AND constraint_name = ?2",
           {ddl.owner(), c.name, to});
  RefreshTable(ddl, c.table);
  if (c.type == 'R' && c.r_table != c.table) RefreshTable(ddl, c.r_table);
  for (const ConstraintDef &child :
       Load(ddl, "owner = ?1 AND type = 'R' AND r_constraint_name = ?2", {ddl.owner(), to})) {
    if (child.table != c.table) RefreshTable(ddl, child.table);
  }
}

void RenameTableRecords(Ddl &ddl, const std::string &from, const std::string &to) {
  OraError e;
  if (!EnsureConstraintTables(ddl.connection(), &e)) throw DdlError{e};
  ddl.Rows("UPDATE " + kCons + " SET table_name = ?2 WHERE table_name = ?1", {from, to});
  ddl.Rows("UPDATE " + kCols + " SET table_name = ?2 WHERE table_name = ?1", {from, to});
  ddl.Rows("UPDATE " + kIds + " SET table_name = ?2 WHERE table_name = ?1", {from, to});
}

void RenameColumnRecords(Ddl &ddl, const std::string &table, const std::string &from,
                         const std::string &to) {
  OraError e;
  if (!EnsureConstraintTables(ddl.connection(), &e)) throw DdlError{e};
  ddl.Rows("UPDATE " + kCols + " SET column_name = ?3 WHERE table_name = ?1 AND column_name = ?2",
           {table, from, to});
  ddl.Rows("UPDATE " + kIds + " SET column_name = ?3 WHERE table_name = ?1 AND column_name = ?2",
           {table, from, to});
  ddl.Rows("UPDATE " + kCons + " SET search_condition = ?3 WHERE table_name = ?1 AND not_null = 1 AND "
           "search_condition = ?2",
           {table, QuoteIdent(from) + " IS NOT NULL", QuoteIdent(to) + " IS NOT NULL"});
}

void ForgetTable(Ddl &ddl, const std::string &table, bool cascade) {
  OraError e;
  if (!EnsureConstraintTables(ddl.connection(), &e)) throw DdlError{e};
  const auto children = Load(ddl,
                             "owner = ?1 AND type = 'R' AND table_name <> ?2 AND r_constraint_name IN "
                             "(SELECT name FROM " + kCons + " WHERE owner = ?1 AND table_name = ?2)",
                             {ddl.owner(), table});
  if (!children.empty() && !cascade) Fail(2449);
  for (const ConstraintDef &child : children) DropConstraint(ddl, child, false);
  ddl.Rows("DELETE FROM " + kCols + " WHERE owner = ?1 AND table_name = ?2", {ddl.owner(), table});
  ddl.Rows("DELETE FROM " + kCons + " WHERE owner = ?1 AND table_name = ?2", {ddl.owner(), table});
  // The identity sequences go too, and with them the values this session
  // held of them (a later table may be given the same name).
  for (auto &row : ddl.Rows("SELECT sequence_name FROM " + kIds + " WHERE table_name = ?1", {table})) {
    if (row[0].rfind("ISEQ$$_", 0) == 0) ddl.connection().sequences().held.erase(row[0]);
  }
  ddl.Rows("DELETE FROM main.\"kestrel$sequences\" WHERE name IN (SELECT sequence_name FROM " + kIds +
           " WHERE table_name = ?1 AND sequence_name GLOB 'ISEQ$$_[0-9]*')",
           {table});
  ddl.Rows("DELETE FROM " + kIds + " WHERE table_name = ?1", {table});
}

void RefreshTable(Ddl &ddl, const std::string &table) {
  OraError e;
  {
    Connection::InternalScope scope(ddl.connection());
    if (!BuildColumnRules(ddl.db(), "main", table, ddl.owner(), &e)) throw DdlError{e};
  }
  // The size rules cleared every engine trigger on the table.
  for (auto &row : ddl.Rows("SELECT name FROM main.sqlite_master WHERE type = 'trigger' AND "
                            "tbl_name = ?1 AND substr(name, 1, 10) = 'kestrel$k$'",
                            {table})) {
    ddl.Exec("DROP TRIGGER main." + QuoteIdent(row[0]));
  }
  if (!EnsureConstraintTables(ddl.connection(), &e)) throw DdlError{e};
  const std::vector<std::string> identities = IdentityColumns(ddl, table);
  for (const ConstraintDef &c : TableConstraints(ddl, table)) {
    if (c.enabled) Enforce(ddl, c, identities);
  }
  for (const ConstraintDef &c : Load(ddl,
                                     "owner = ?1 AND type = 'R' AND status = 'ENABLED' AND "
                                     "r_constraint_name IN (SELECT name FROM " + kCons +
                                         " WHERE owner = ?1 AND table_name = ?2)",
                                     {ddl.owner(), table})) {
    EnforceParent(ddl, c);
  }
  for (auto &row : ddl.Rows("SELECT table_name, column_name, sequence_name, kind FROM " + kIds +
                            " WHERE table_name = ?1 AND kind IN ('ALWAYS', 'FILL')",
                            {table})) {
    EnforceIdentity(ddl, IdentityDef{row[0], row[1], row[2], row[3]});
  }
  // And the PL/SQL row triggers' glue with them: a parent whose key a new
  // child table references kept none, and its triggers stopped firing.
  if (!plsql::RefreshTableTriggers(ddl.connection(), table, &e)) throw DdlError{e};
}

}  // namespace kestrel_engine::schema
