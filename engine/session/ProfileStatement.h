/*
** The profile statements: CREATE PROFILE name LIMIT resource limit ...,
** ALTER PROFILE name LIMIT resource limit ... and DROP PROFILE name
** [CASCADE], held to the system privileges of their names.
*/
#ifndef KESTREL_ENGINE_PROFILESTATEMENT_H
#define KESTREL_ENGINE_PROFILESTATEMENT_H

#include <string>
#include <string_view>
#include <vector>

#include "catalog/Profiles.h"
#include "errors/OraError.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

class Connection;

struct ProfileStatement {
  enum class Verb { kCreate, kAlter, kDrop } verb = Verb::kCreate;
  std::string name;  // upper case
  bool cascade = false;
  std::vector<ProfileLimit> limits;
};

// 931 for a missing name (DEFAULT is a reserved word but to ALTER
// PROFILE), 922 for a missing LIMIT, 2376 for an unknown resource, 2378
// for one named twice, 2377 for a limit out of its range.
bool ParseProfileStatement(const std::vector<Token> &tokens, ProfileStatement *statement,
                           OraError *error);

// Parses and runs one, committing what is pending first: 1031 without the
// privilege, 2379 when CREATE's profile exists, 2380 when ALTER's or
// DROP's does not, 2381 for DROP PROFILE "DEFAULT", 2382 for a profile
// accounts are on without CASCADE (which moves them to DEFAULT).
bool RunProfileStatement(Connection &connection, const std::vector<Token> &tokens,
                         std::string_view currentUser, OraError *error);

}  // namespace kestrel_engine

#endif
