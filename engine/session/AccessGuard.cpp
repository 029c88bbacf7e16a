/*
** The authorizer's privilege rule over the grants read before the
** statement was prepared.
*/
#include "session/AccessGuard.h"

#include <sqlite3.h>

#include "catalog/Dictionary.h"
#include "catalog/Privileges.h"
#include "session/Connection.h"
#include "session/SqlGuard.h"

namespace kestrel_engine {

namespace {

const char *PrivilegeFor(int action) {
  switch (action) {
    case SQLITE_READ: return "SELECT";
    case SQLITE_INSERT: return "INSERT";
    case SQLITE_UPDATE: return "UPDATE";
    case SQLITE_DELETE: return "DELETE";
    default: return nullptr;
  }
}

void MayReachFunction(sqlite3_context *context, int, sqlite3_value **argv) {
  auto *connection = static_cast<Connection *>(sqlite3_user_data(context));
  const unsigned char *name = sqlite3_value_text(argv[0]);
  if (name == nullptr) return;
  sqlite3_result_int(context, connection->Access().MayReach(
                                  connection->RightsHolder(), reinterpret_cast<const char *>(name))
                                  ? 1
                                  : 0);
}

// kestrel_holds(name): the session's user, PUBLIC, a role it holds, or a
// system privilege it holds.
void HoldsFunction(sqlite3_context *context, int, sqlite3_value **argv) {
  auto *connection = static_cast<Connection *>(sqlite3_user_data(context));
  const unsigned char *text = sqlite3_value_text(argv[0]);
  if (text == nullptr) return;
  const std::string name = reinterpret_cast<const char *>(text);
  const std::string &user = connection->settings().user;
  AccessData &access = connection->Access();
  const bool holds = name == user || name == kPublicGrantee || access.RolesOf(user).count(name) ||
                     (access.enforced() && access.SysPrivsOf(user).count(name));
  sqlite3_result_int(context, holds ? 1 : 0);
}

// kestrel_resolution_schema(): where unqualified names resolve (see
// catalog/StorageNames.h); NULL on a session without a user.
void ResolutionSchemaFunction(sqlite3_context *context, int, sqlite3_value **) {
  auto *connection = static_cast<Connection *>(sqlite3_user_data(context));
  const std::string &schema = connection->NameSchema();
  if (schema.empty()) return;
  sqlite3_result_text(context, schema.c_str(), static_cast<int>(schema.size()), SQLITE_TRANSIENT);
}

}  // namespace

bool MayExecute(Connection &connection, const std::string &owner, const std::string &name) {
  const std::string &holder = connection.RightsHolder();
  if (holder.empty() || owner == holder) return true;
  AccessData &access = connection.Access();
  if (access.HasSys(holder, "EXECUTE ANY PROCEDURE")) return true;
  return access.May(holder, CodeKey(owner, name), "EXECUTE");
}

int RegisterAccessFunctions(sqlite3 *db, Connection *connection) {
  int rc = sqlite3_create_function_v2(db, "kestrel_may_reach", 1, SQLITE_UTF8 | SQLITE_INNOCUOUS,
                                      connection, MayReachFunction, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_holds", 1, SQLITE_UTF8 | SQLITE_INNOCUOUS,
                                    connection, HoldsFunction, nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_resolution_schema", 0,
                                    SQLITE_UTF8 | SQLITE_INNOCUOUS, connection,
                                    ResolutionSchemaFunction, nullptr, nullptr, nullptr);
  }
  return rc;
}

int AuthorizeObjectAccess(AccessData &access, const std::string &user, int action,
                          const char *a, const char *b, const char *database, const char *view,
                          bool *invisible) {
  const char *privilege = PrivilegeFor(action);
  if (privilege == nullptr || a == nullptr || !access.enforced()) return SQLITE_OK;
  // Temporary objects (DUAL, the dictionary) are the session's own; the
  // engine's tables have rules of their own.
  if (database != nullptr && sqlite3_stricmp(database, "main") != 0) return SQLITE_OK;
  if (IsEngineTable(a) || sqlite3_strnicmp(a, "sqlite_", 7) == 0) return SQLITE_OK;
  // A table counted but none of its columns read (COUNT(*)) is reported
  // with no column and without the view it was reached through: the
  // resolver has already held the statement's names to the grants.
  if (action == SQLITE_READ && b != nullptr && *b == '\0') return SQLITE_OK;
  std::string holder = user;
  if (view != nullptr) {
    // The engine's own triggers (constraints, rules) check what they must.
    if (IsEngineTable(view) || IsDictionaryView(view)) return SQLITE_OK;
    const std::string owner = access.OwnerOf(view);
    if (!owner.empty() && owner != user) {
      // Reaching another's view needs a privilege on the view itself.
      if (!access.MayReach(user, view)) {
        *invisible = true;
        return SQLITE_DENY;
      }
      holder = owner;
    }
  }
  if (access.May(holder, a, privilege, b ? b : "")) return SQLITE_OK;
  // A column grant for UPDATE names the columns; reading the rowid or a
  // column in a WHERE needs SELECT, as Oracle's SQL92 security has it.
  *invisible = !access.MayReach(holder, a);
  return SQLITE_DENY;
}

}  // namespace kestrel_engine
