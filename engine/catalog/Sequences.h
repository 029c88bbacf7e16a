/*
** Sequences: CREATE, ALTER and DROP SEQUENCE, and NEXTVAL and CURRVAL.
** Definitions and each sequence's high-water mark (the vendor's
** LAST_NUMBER) live in the engine's table kestrel$sequences. A session
** takes CACHE values at a time by raising the mark; the values it holds
** are its own, so no value is handed out twice across sessions. Raising
** the mark commits at once when the session has no transaction open; in
** an open transaction it joins it, and a rollback undoes the transaction's
** work but raises the mark again before the write lock goes, so a
** rolled-back value is never handed out again either. Values a session
** held when it ended, or a process held when it died, are skipped, as the
** vendor's cached values are.
*/
#ifndef KESTREL_ENGINE_SEQUENCES_H
#define KESTREL_ENGINE_SEQUENCES_H

#include <sqlite3.h>
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "errors/OraError.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

class Connection;

extern const char kSequencesTable[];

// What one session knows of the sequences it used.
class SequenceState {
 public:
  struct Held {
    int64_t next = 0;       // the next value this session hands out
    int64_t remaining = 0;  // values left in the block it holds
    int64_t increment = 1, minValue = 1, maxValue = 0;
    bool cycle = false;
    bool hasCurrent = false;
    int64_t current = 0;    // CURRVAL
  };
  std::map<std::string, Held> held;
  // Marks (next value, exhausted) raised inside the open transaction: a
  // rollback puts them back before it lets the write lock go.
  std::map<std::string, std::pair<int64_t, bool>> raisedInTransaction;
};

// Creates kestrel$sequences when missing (inside the caller's
// transaction).
bool EnsureSequences(Connection &connection, OraError *error);

// CREATE SEQUENCE, ALTER SEQUENCE, DROP SEQUENCE from their tokens (the
// statement commits what is pending first, as DDL does). `owner` is the
// session's user.
bool RunSequenceStatement(Connection &connection, const std::vector<Token> &tokens,
                          const std::string &owner, OraError *error);

// kestrel_nextval(name) and kestrel_currval(name) on `connection`'s
// database.
int RegisterSequenceFunctions(sqlite3 *db, Connection *connection);

// Inside a transaction whose work was just undone, before it ends: raises
// again the marks it had raised. False when nothing was raised.
bool RestoreSequenceMarks(Connection &connection);
// After a commit: the raised marks are kept for good.
void ForgetSequenceMarks(Connection &connection);

}  // namespace kestrel_engine

#endif
