/*
** The privilege statements: GRANT and REVOKE of system privileges, roles
** and object privileges, CREATE ROLE and DROP ROLE. Each commits what is
** pending and runs in a transaction of its own, as DDL does.
*/
#ifndef KESTREL_ENGINE_SESSION_GRANTSTATEMENT_H
#define KESTREL_ENGINE_SESSION_GRANTSTATEMENT_H

#include <string>
#include <vector>

#include "errors/OraError.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

class Connection;

// `user` is the session's user. Oracle's errors: 990 for an unknown
// privilege, 1917 / 1919 for a grantee or role that does not exist, 1921
// for a role name taken, 1031 without the right to grant, 1927 for a
// revoke of what the user did not grant, 1951 / 1952 for a revoke of what
// was not granted, 942 for an object the user may not see.
bool RunPrivilegeStatement(Connection &connection, const std::vector<Token> &tokens,
                           const std::string &user, OraError *error);

}  // namespace kestrel_engine

#endif
