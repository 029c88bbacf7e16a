/*
** What PL/SQL keeps per session between calls: the DBMS_OUTPUT buffer
** (enabled or not, the finished lines and the line being built) and
** DBMS_RANDOM's generator, and the triggers' state.
*/
#ifndef KESTREL_ENGINE_PLSQL_SESSIONSTATE_H
#define KESTREL_ENGINE_PLSQL_SESSIONSTATE_H

#include <deque>
#include <random>
#include <string>

#include "plsql/TriggerSession.h"

namespace kestrel_engine::plsql {

struct SessionState {
  bool output_enabled = false;
  std::deque<std::string> output_lines;
  std::string output_partial;  // PUT without NEW_LINE yet
  std::mt19937_64 random{std::random_device{}()};  // DBMS_RANDOM
  TriggerSession triggers;
};

}  // namespace kestrel_engine::plsql

#endif
