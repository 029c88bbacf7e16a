/*
** The system privileges a schema statement needs: CREATE TABLE to create
** a table of one's own, CREATE ANY TABLE for another schema's, DROP ANY
** TABLE to drop another's, and so for views, sequences, synonyms, stored
** code and triggers. Read from the statement's first tokens, before it
** runs, whichever executor runs it.
*/
#ifndef KESTREL_ENGINE_SESSION_DDLPRIVILEGES_H
#define KESTREL_ENGINE_SESSION_DDLPRIVILEGES_H

#include <string>
#include <vector>

#include "errors/OraError.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

class Connection;

// 1031 without the privilege, 942 (4043 for stored code) for another's
// object the user may not see, 1918 for a schema that is no user.
// `owner` receives the schema a CREATE puts its object in (the named
// one, else the session's current schema); empty for other statements.
bool CheckSchemaPrivilege(Connection &connection, const std::vector<Token> &tokens,
                          std::string *owner, OraError *error);

// ALTER SESSION SET ...; a CURRENT_SCHEMA that names no user is 1435 and
// changes no setting of the statement.
bool AlterSessionChecked(Connection &connection, const std::vector<Token> &tokens,
                         OraError *error);

}  // namespace kestrel_engine

#endif
