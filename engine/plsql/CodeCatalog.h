/*
** What the engine records of each stored unit besides its source: the
** unit itself (kestrel$code: times), its compilation errors
** (kestrel$errors, read by USER_ERRORS), its parameters
** (kestrel$arguments, read by USER_ARGUMENTS and by the resolver for a
** function called from SQL) and the tables its SQL names
** (kestrel$code_refs: a unit whose table is gone is INVALID).
*/
#ifndef KESTREL_ENGINE_PLSQL_CODECATALOG_H
#define KESTREL_ENGINE_PLSQL_CODECATALOG_H

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "errors/OraError.h"

namespace kestrel_engine {
class Connection;
}

namespace kestrel_engine::plsql {

// One row of USER_ERRORS, before it is numbered.
struct UnitError {
  int line = 1;
  int position = 1;
  std::string text;        // "PLS-00201: identifier 'X' must be declared"
  int message_number = 0;  // 201; 0 for "PL/SQL: Statement ignored"
};

// One row of USER_ARGUMENTS; position 0 is a function's result.
struct UnitArgument {
  std::string name;  // empty for the result
  int position = 0;
  std::string data_type;  // NUMBER, VARCHAR2, PL/SQL BOOLEAN, ...
  std::string in_out;     // IN, OUT, IN/OUT
  bool defaulted = false;
  std::string declared;   // the type as a declaration, for the resolver ("NUMBER(7,2)")
  int overload = 0;       // a package's overloaded subprogram: 1, 2, ...; 0 when not
};

// What a compilation found, ready to be kept.
struct UnitRecord {
  std::string owner, name, type;  // type: PROCEDURE, FUNCTION, PACKAGE, PACKAGE BODY
  std::vector<UnitError> errors;
  std::vector<UnitArgument> arguments;  // the unit's own, or a package's subprograms'
  std::vector<std::string> argument_objects;  // per argument: its subprogram (packages)
  std::vector<std::string> tables;      // tables and views its SQL names
};

// The tables (the file-format step) and the dictionary views.
bool EnsureCodeTables(Connection &connection, OraError *error);
// The CREATE statements of USER_ERRORS, USER_ARGUMENTS, ... (made
// lazily, as the other dictionary views).
void AddCodeViewStatements(std::vector<std::string> *out);
// Wraps USER_OBJECTS (all: ALL_OBJECTS), when the connection has made
// it, with the stored units' rows.
int AddUnitsToObjects(sqlite3 *db, bool all);
// The file-format step that numbers overloads in kestrel$arguments.
bool AddArgumentOverloads(Connection &connection, OraError *error);
bool IsCodeTable(const char *name);
bool IsCodeView(const char *name);

// Replaces what is kept for the unit (inside the caller's transaction).
bool SaveUnitRecord(Connection &connection, const UnitRecord &record, OraError *error);
// Forgets the unit (DROP).
bool DropUnitRecord(Connection &connection, const std::string &owner, std::string_view name,
                    std::string_view type, OraError *error);

// A unit of that owner and name is stored INVALID: it kept compilation
// errors, or a table its SQL names is gone.
bool UnitIsInvalid(Connection &connection, const std::string &owner, std::string_view name,
                   std::string_view type);

// The parameters of `owner`'s stored procedure or function as kept: for a
// call's argument check. False when the unit is unknown.
bool StoredParameters(Connection &connection, std::string_view owner, std::string_view package,
                      std::string_view name,
                      std::vector<UnitArgument> *out);

// Runs one statement of the engine's own with text parameters.
bool RunInternal(Connection &connection, const std::string &sql,
                 const std::vector<std::string> &args, OraError *error);

}  // namespace kestrel_engine::plsql

#endif
