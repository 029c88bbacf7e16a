/*
** Constraints as Oracle keeps them: recorded in the engine's tables
** kestrel$constraints and kestrel$cons_columns (shown by USER_CONSTRAINTS
** and USER_CONS_COLUMNS) and enforced by the engine's triggers, so each
** violation names its constraint as Oracle does, a disabled constraint is
** simply one without triggers, and adding, dropping, enabling or disabling
** one never rebuilds its table. Primary and unique keys also get a unique
** index (or take over an index already on their columns).
*/
#ifndef KESTREL_ENGINE_SCHEMA_CONSTRAINTS_H
#define KESTREL_ENGINE_SCHEMA_CONSTRAINTS_H

#include <string>
#include <vector>

#include "schema/SchemaSql.h"

namespace kestrel_engine::schema {

extern const char kConstraintsTable[];
extern const char kConsColumnsTable[];
extern const char kIdentitiesTable[];

struct ConstraintDef {
  std::string name;            // empty: a SYS_C name is made
  char type = 'C';             // P, U, R, C (NOT NULL is a C on one column)
  std::string table;
  std::vector<std::string> columns;
  std::string r_table;         // R: the parent table, its columns (empty: its key)
  std::vector<std::string> r_columns;
  std::string r_constraint;    // R: filled when added
  std::string delete_rule = "NO ACTION";  // CASCADE, SET NULL
  bool enabled = true;
  bool validate = true;        // check the rows already there when enabled
  std::string condition;       // C: Oracle's text ("SALARY > 0", "\"X\" IS NOT NULL")
  bool not_null = false;       // C: a NOT NULL constraint on columns[0]
  std::string index;           // P/U: the index enforcing it
  bool owns_index = false;     // the index was made for it (and goes with it)
};

// Identity columns and sequence defaults: the column takes the
// sequence's next value when an insert leaves it NULL.
struct IdentityDef {
  std::string table;
  std::string column;
  std::string sequence;
  // BY DEFAULT, ON NULL: the sequence is the column's DEFAULT. ALWAYS,
  // FILL: a trigger fills the column after an insert that left it NULL
  // (ALWAYS also refuses a value given).
  std::string kind;
  long long start = 1;      // a new identity's sequence
  long long increment = 1;
};

// Creates the tables when missing (inside the caller's transaction).
bool EnsureConstraintTables(Connection &connection, OraError *error);

// Records and (when enabled) enforces a constraint; checks the existing
// rows first. Throws ORA-02264, 02260, 02261, 02270, 02437, ...
void AddConstraint(Ddl &ddl, ConstraintDef c);
void AddIdentity(Ddl &ddl, const IdentityDef &identity);

std::vector<ConstraintDef> TableConstraints(Ddl &ddl, const std::string &table);
// The constraint `name` of the session's user; throws ORA-02443 for none.
ConstraintDef FindConstraint(Ddl &ddl, const std::string &table, const std::string &name);
void DropConstraint(Ddl &ddl, const ConstraintDef &c, bool cascade);
void SetEnabled(Ddl &ddl, const ConstraintDef &c, bool enabled, bool validate);
void RenameConstraint(Ddl &ddl, const ConstraintDef &c, const std::string &to);

// The table was renamed or a column renamed: the records follow.
void RenameTableRecords(Ddl &ddl, const std::string &from, const std::string &to);
void RenameColumnRecords(Ddl &ddl, const std::string &table, const std::string &from,
                         const std::string &to);
// The table is going: its constraints, the foreign keys naming it (which
// refuse, ORA-02449, unless `cascade`), and its identities are forgotten.
void ForgetTable(Ddl &ddl, const std::string &table, bool cascade);

// Rebuilds the size rules and then the constraint and identity triggers
// on `table`: called once after any change to a table.
void RefreshTable(Ddl &ddl, const std::string &table);

}  // namespace kestrel_engine::schema

#endif
