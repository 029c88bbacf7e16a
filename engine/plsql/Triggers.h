/*
** PL/SQL triggers: their definitions in kestrel$triggers (source also in
** kestrel$source as TRIGGER), the statements that make, change and drop
** them, and their firing. Row triggers are SQLite triggers named
** kestrel$t$OWNER$NAME$E that call kestrel_trigger_row, which runs the
** body in the interpreter with :OLD and :NEW; statement triggers are run
** by the engine around the DML it executes.
*/
#ifndef KESTREL_ENGINE_PLSQL_TRIGGERS_H
#define KESTREL_ENGINE_PLSQL_TRIGGERS_H

#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

#include "errors/OraError.h"
#include "sql/ast/Plsql.h"

namespace kestrel_engine {
class Connection;
}

namespace kestrel_engine::plsql {

extern const char kTriggersTable[];

// Creates kestrel$triggers when it is missing (file format 7).
bool EnsureTriggers(Connection &connection, OraError *error);

// A file opened read-only from before triggers: an empty temporary table
// stands in, so the dictionary's views read no triggers.
void EnsureTriggersReadable(Connection &connection);

// CREATE [OR REPLACE] TRIGGER, DROP TRIGGER, ALTER TRIGGER.
bool IsTriggerStatement(const sql::Statement &statement);
bool RunTriggerStatement(Connection &connection, const sql::Statement &statement,
                         std::string_view text, const std::string &owner, OraError *error);

// ALTER TABLE t ENABLE | DISABLE ALL TRIGGERS (read from its text: the
// parser's ALTER TABLE does not take it). False with no error when the
// text is not that statement.
bool RunAllTriggersStatement(Connection &connection, std::string_view text, bool *handled,
                             OraError *error);

// Makes the table's row triggers again from the definitions (after its
// columns changed).
bool RefreshTableTriggers(Connection &connection, std::string_view table, OraError *error);

// After ALTER TABLE or TRUNCATE TABLE (its text): the table's row
// triggers are made again, following its columns. Nothing for other
// statements or tables without triggers.
void RefreshAfterAlterTable(Connection &connection, std::string_view text);

// Added to the event a compound trigger's AFTER row trigger passes
// kestrel_trigger_row (its BEFORE one passes the event alone).
constexpr int kAfterRowCall = 8;

// Registers kestrel_trigger_row on the connection.
int RegisterTriggerFunctions(Connection &connection);

// A table a DML statement changes and how (TriggerEvent bits).
struct DmlTarget {
  std::string table;
  uint8_t events = 0;
};

// The targets of `statement` (INSERT, UPDATE, DELETE, MERGE, INSERT ALL)
// that have statement triggers now; empty for most.
std::vector<DmlTarget> StatementTriggerTargets(Connection &connection,
                                               const sql::Statement &statement);

// The rows INSTEAD OF triggers took over since the last call: a DML
// statement's count adds them (taken before it runs, to start from none).
uint32_t TakeInsteadOfRows(Connection &connection);

// Runs the enabled statement triggers of the targets, BEFORE or AFTER.
bool FireStatementTriggers(Connection &connection, const std::vector<DmlTarget> &targets,
                           bool after, OraError *error);

}  // namespace kestrel_engine::plsql

#endif
