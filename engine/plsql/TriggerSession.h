/*
** What a session keeps while triggers run: how deep trigger bodies nest,
** the tables whose row triggers are running (the mutating tables a body
** may not touch), the triggers already parsed, by OWNER.NAME, and the row
** the BEFORE ROW triggers made, and the state compound triggers share
** across their sections.
*/
#ifndef KESTREL_ENGINE_PLSQL_TRIGGERSESSION_H
#define KESTREL_ENGINE_PLSQL_TRIGGERSESSION_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "plsql/Value.h"

namespace kestrel_engine::plsql {

struct LoadedTrigger;
struct CompoundState;

struct TriggerSession {
  int depth = 0;
  // Tables (as SQLite names them, with their owner for the message)
  // whose row triggers run now.
  std::vector<std::string> mutating;
  std::vector<std::string> mutating_owner;
  // The mutating table the authorizer refused last (for ORA-04091).
  std::string mutating_hit;
  std::map<std::string, std::shared_ptr<LoadedTrigger>> loaded;
  // The row kestrel_before_row made last, read column by column by
  // kestrel_new_value while SQLite writes it.
  std::vector<Value> new_row;
  // Rows INSTEAD OF triggers took over since the running statement began
  // (SQLite counts no change on a view).
  uint32_t instead_rows = 0;
  // Compound triggers' declarations while their statement runs, by
  // OWNER.NAME: made at BEFORE STATEMENT, gone after AFTER STATEMENT.
  std::map<std::string, std::shared_ptr<CompoundState>> compound;
};

}  // namespace kestrel_engine::plsql

#endif
