/*
** What PL/SQL keeps per session between calls: the DBMS_OUTPUT buffer
** (enabled or not, the finished lines and the line being built),
** DBMS_RANDOM's generator, the triggers' state, how deep SQL has called
** stored functions, and the packages' state.
*/
#ifndef KESTREL_ENGINE_PLSQL_SESSIONSTATE_H
#define KESTREL_ENGINE_PLSQL_SESSIONSTATE_H

#include <deque>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "plsql/TriggerSession.h"

namespace kestrel_engine::plsql {

struct PackageInstance;

struct SessionState {
  bool output_enabled = false;
  std::deque<std::string> output_lines;
  std::string output_partial;  // PUT without NEW_LINE yet
  std::mt19937_64 random{std::random_device{}()};  // DBMS_RANDOM
  TriggerSession triggers;
  int sql_call_depth = 0;  // stored functions running for SQL, nested
  int query_calls = 0;     // of those, the ones a query called (no DML: ORA-14551)
  // Packages in use, by OWNER.NAME: their variables live as long as the session.
  std::map<std::string, std::shared_ptr<PackageInstance>> packages;
  // The last serial number given to an interpreter frame: unique in the
  // session, as the syntax trees that cache variables by frame are.
  uint64_t frame_serial = 0;
};

}  // namespace kestrel_engine::plsql

#endif
