/*
** kestrel_identity_drawn: a GENERATED ALWAYS column's DEFAULT draws the
** sequence's next value before the BEFORE INSERT triggers run, so the
** trigger that refuses a given value (ORA-32795) asks whether the row's
** value is the one just drawn in this session.
*/
#include "schema/IdentityFunctions.h"

#include <string>

#include "catalog/Sequences.h"
#include "schema/ViewFunctions.h"
#include "session/Connection.h"

namespace kestrel_engine {

namespace {

void Drawn(sqlite3_context *context, int, sqlite3_value **argv) {
  auto *connection = static_cast<Connection *>(sqlite3_user_data(context));
  const unsigned char *name = sqlite3_value_text(argv[0]);
  if (name == nullptr || sqlite3_value_type(argv[1]) != SQLITE_INTEGER) {
    sqlite3_result_int(context, 0);
    return;
  }
  const auto &held = connection->sequences().held;
  const auto it = held.find(reinterpret_cast<const char *>(name));
  sqlite3_result_int(context, it != held.end() && it->second.hasCurrent &&
                                  it->second.current == sqlite3_value_int64(argv[1]));
}

}  // namespace

int RegisterIdentityFunctions(sqlite3 *db, Connection *connection) {
  const int rc = sqlite3_create_function_v2(db, "kestrel_identity_drawn", 2,
                                            SQLITE_UTF8 | SQLITE_INNOCUOUS, connection, Drawn,
                                            nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? RegisterViewFunctions(db) : rc;
}

}  // namespace kestrel_engine
