/*
** The profiles table, its DEFAULT profile, and the reading of a limit by
** the profile an account is on.
*/
#include "catalog/Profiles.h"

#include <sqlite3.h>

#include <cstdio>

#include "catalog/Privileges.h"
#include "session/Connection.h"
#include "session/OwnedStatement.h"

namespace kestrel_engine {

const char kProfilesTable[] = "kestrel$profiles";
const char kDefaultProfile[] = "DEFAULT";

namespace {

std::string Table() { return std::string("main.\"") + kProfilesTable + "\""; }
std::string Users() { return std::string("main.\"") + kAccountsTable + "\""; }

std::string Literal(std::string_view text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// A limit's number exactly, or NULL for none.
std::string Number(double value) {
  if (value < 0) return "NULL";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

bool HasProfileColumn(Connection &connection) {
  Connection::InternalScope scope(connection);
  OwnedStatement st;
  if (sqlite3_prepare_v2(connection.db(),
                         ("SELECT 1 FROM pragma_table_info('" + std::string(kAccountsTable) +
                          "') WHERE name = 'profile'")
                             .c_str(),
                         -1, &st.s, nullptr) != SQLITE_OK) {
    return false;
  }
  return sqlite3_step(st.s) == SQLITE_ROW;
}

// Runs `sql` with `name` bound to ?1; the first column of its first row
// through `count` when given.
bool RunNamed(Connection &connection, const std::string &sql, const std::string &name,
              long long *count, OraError *error) {
  Connection::InternalScope scope(connection);
  OwnedStatement st;
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &st.s, nullptr) != SQLITE_OK) {
    *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
    return false;
  }
  sqlite3_bind_text(st.s, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
  const int rc = sqlite3_step(st.s);
  if (rc == SQLITE_ROW && count) *count = sqlite3_column_int64(st.s, 0);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    *error = OraError::Make(600, sqlite3_errmsg(connection.db()));
    return false;
  }
  if (count && rc == SQLITE_DONE) *count = 0;
  return true;
}

}  // namespace

const std::vector<ProfileResource> &ProfileResources() {
  // Oracle's DEFAULT profile as a new database has it.
  static const std::vector<ProfileResource> kList = {
      {"COMPOSITE_LIMIT", false, "UNLIMITED", -1},
      {"SESSIONS_PER_USER", false, "UNLIMITED", -1},
      {"CPU_PER_SESSION", false, "UNLIMITED", -1},
      {"CPU_PER_CALL", false, "UNLIMITED", -1},
      {"LOGICAL_READS_PER_SESSION", false, "UNLIMITED", -1},
      {"LOGICAL_READS_PER_CALL", false, "UNLIMITED", -1},
      {"IDLE_TIME", false, "UNLIMITED", -1},
      {"CONNECT_TIME", false, "UNLIMITED", -1},
      {"PRIVATE_SGA", false, "UNLIMITED", -1},
      {"FAILED_LOGIN_ATTEMPTS", true, "10", 10},
      {"PASSWORD_LIFE_TIME", true, "180", 180},
      {"PASSWORD_REUSE_TIME", true, "UNLIMITED", -1},
      {"PASSWORD_REUSE_MAX", true, "UNLIMITED", -1},
      {"PASSWORD_VERIFY_FUNCTION", true, "NULL", -1},
      {"PASSWORD_LOCK_TIME", true, "1", 1},
      {"PASSWORD_GRACE_TIME", true, "7", 7},
      {"INACTIVE_ACCOUNT_TIME", true, "UNLIMITED", -1},
  };
  return kList;
}

const ProfileResource *FindProfileResource(std::string_view name) {
  for (const ProfileResource &r : ProfileResources()) {
    if (name == r.name) return &r;
  }
  return nullptr;
}

bool EnsureProfiles(Connection &connection, OraError *error) {
  std::string sql = "CREATE TABLE IF NOT EXISTS " + Table() +
                    " (profile TEXT NOT NULL, resource TEXT NOT NULL, resource_type TEXT NOT "
                    "NULL, limit_text TEXT NOT NULL, value REAL, PRIMARY KEY (profile, "
                    "resource)) WITHOUT ROWID; INSERT OR IGNORE INTO " + Table() + " VALUES ";
  bool first = true;
  for (const ProfileResource &r : ProfileResources()) {
    sql += std::string(first ? "" : ", ") + "('DEFAULT', '" + r.name + "', '" +
           (r.password ? "PASSWORD" : "KERNEL") + "', '" + r.defaultLimit + "', " +
           Number(r.defaultValue) + ")";
    first = false;
  }
  sql += "; INSERT OR IGNORE INTO main.\"" + std::string(kSysPrivsTable) +
         "\" VALUES ('DBA', 'CREATE PROFILE', 1), ('DBA', 'ALTER PROFILE', 1), ('DBA', 'DROP "
         "PROFILE', 1)";
  if (!HasProfileColumn(connection)) {
    // locked_at: when the account was locked, as a Julian day; a lock
    // that failed logons made ends PASSWORD_LOCK_TIME days after it.
    sql += "; ALTER TABLE " + Users() + " ADD COLUMN profile TEXT NOT NULL DEFAULT 'DEFAULT'" +
           "; ALTER TABLE " + Users() + " ADD COLUMN locked_at REAL";
  }
  return connection.ExecInternal(sql.c_str(), error);
}

bool ProfileExists(Connection &connection, const std::string &name, OraError *error) {
  long long count = 0;
  return RunNamed(connection, "SELECT count(*) FROM " + Table() + " WHERE profile = ?1", name,
                  &count, error) &&
         count > 0;
}

bool WriteProfileLimits(Connection &connection, const std::string &profile,
                        const std::vector<ProfileLimit> &limits, OraError *error) {
  if (limits.empty()) return true;
  std::string sql = "INSERT OR REPLACE INTO " + Table() + " VALUES ";
  bool first = true;
  for (const ProfileLimit &l : limits) {
    sql += std::string(first ? "" : ", ") + "(?1, '" + l.resource->name + "', '" +
           (l.resource->password ? "PASSWORD" : "KERNEL") + "', " + Literal(l.text) + ", " +
           Number(l.value) + ")";
    first = false;
  }
  return RunNamed(connection, sql, profile, nullptr, error);
}

long long ProfileUsers(Connection &connection, const std::string &profile, OraError *error) {
  long long count = -1;
  if (!RunNamed(connection, "SELECT count(*) FROM " + Users() + " WHERE profile = ?1", profile,
                &count, error)) {
    return -1;
  }
  return count;
}

bool DropProfileRows(Connection &connection, const std::string &profile, OraError *error) {
  return RunNamed(connection, "UPDATE " + Users() + " SET profile = 'DEFAULT' WHERE profile = ?1",
                  profile, nullptr, error) &&
         RunNamed(connection, "DELETE FROM " + Table() + " WHERE profile = ?1", profile, nullptr,
                  error);
}

std::string EffectiveLimitSql(const char *resource, const std::string &profile) {
  return "(SELECT CASE WHEN p.limit_text IS NULL OR p.limit_text = 'DEFAULT' THEN d.value ELSE "
         "p.value END FROM " + Table() + " d LEFT JOIN " + Table() + " p ON p.profile = " +
         profile + " AND p.resource = d.resource WHERE d.profile = 'DEFAULT' AND d.resource = '" +
         resource + "')";
}

}  // namespace kestrel_engine
