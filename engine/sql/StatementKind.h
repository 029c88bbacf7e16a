/*
** What a statement is, from its first keyword: the vendor's statement type
** (SELECT 1, UPDATE 2, DELETE 3, INSERT 4, CREATE 5, DROP 6, ALTER 7,
** BEGIN 8, DECLARE 9, anything else 0; a WITH leading into DML is DML) and how the engine runs it.
*/
#ifndef KESTREL_ENGINE_STATEMENTKIND_H
#define KESTREL_ENGINE_STATEMENTKIND_H

#include <vector>

#include "oci.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

enum class Action {
  kQuery,      // SELECT or WITH
  kDml,        // INSERT, UPDATE, DELETE: inside the session's transaction
  kDdl,        // CREATE, DROP, ALTER: commits what is pending, then runs
  kAccount,    // CREATE/ALTER/DROP USER | PROFILE: the engine's own accounts
  kSession,    // ALTER SESSION SET: the session's settings
  kSequence,   // CREATE/ALTER/DROP SEQUENCE: the engine's own sequences
  kComment,    // COMMENT ON TABLE/COLUMN: the engine's own comments
  kBlock,      // BEGIN stmt; ... END;
  kDeclare,    // DECLARE ... (procedural code: not supported)
  kCommit,     // COMMIT [WORK]
  kRollback,   // ROLLBACK [WORK] (a ROLLBACK TO goes to SQLite)
  kSavepoint,  // SAVEPOINT name: opens the transaction first
  kRefused,    // anything the engine does not run: 900
  kOther,      // ROLLBACK TO and PRAGMA go to SQLite as written
  kStoredCode,  // CREATE/DROP/ALTER PROCEDURE | FUNCTION, CALL: the PL/SQL interpreter
  kPrivilege    // GRANT, REVOKE, CREATE ROLE, DROP ROLE: the engine's privilege tables
};

struct StatementKind {
  ub2 type = 0;
  Action action = Action::kOther;
};

StatementKind Classify(const std::vector<Token> &tokens);

}  // namespace kestrel_engine

#endif
