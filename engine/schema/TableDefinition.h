/*
** A table's definition in SQLite's terms: each column with its Oracle
** type as the declared type (so describe and the resolver read it back),
** NOT NULL and its DEFAULT written by the front end, and the constraints
** and identities to record once the table exists.
*/
#ifndef KESTREL_ENGINE_SCHEMA_TABLEDEFINITION_H
#define KESTREL_ENGINE_SCHEMA_TABLEDEFINITION_H

#include <string>
#include <vector>

#include "schema/Constraints.h"
#include "sql/ast/Statements.h"

namespace kestrel_engine::schema {

// "VARCHAR2(25)", "NUMBER(8,2)", "TIMESTAMP WITH TIME ZONE(6)": the type
// as SQLite's parser takes it and the describe reads it.
std::string DeclaredType(const sql::TypeName &type);

// An integer option (START WITH, INCREMENT BY), `otherwise` when absent.
long long Integer(const sql::Expr *e, long long otherwise);

struct TablePlan {
  std::string table;
  std::vector<std::string> columns;  // SQLite column definitions
  std::vector<ConstraintDef> constraints;
  std::vector<IdentityDef> identities;
  bool in_place = false;  // ALTER TABLE ADD: SQLite takes only constant defaults
};

// The name of the next identity column's sequence, ISEQ$$_n.
std::string NextIdentitySequence(Ddl &ddl, const TablePlan &plan);

// One column of `table` into `plan`: its definition, its inline
// constraints, its identity.
void PlanColumn(Ddl &ddl, const sql::ColumnDef &column, TablePlan *plan);
// An out-of-line (or ALTER TABLE ADD) constraint of `table`.
ConstraintDef PlanConstraint(Ddl &ddl, const std::string &table, const sql::Constraint &c,
                             const std::string &column = {});

// The stored name of a foreign key's parent table (ORA-00942 for none);
// `self` is the table being defined.
std::string ResolveParent(Ddl &ddl, const std::string &name, const std::string &self);

// Makes the identity sequences and records constraints and identities
// of a table that now exists, then builds its triggers.
void ApplyPlan(Ddl &ddl, const TablePlan &plan);

}  // namespace kestrel_engine::schema

#endif
