/*
** Password and resource profiles: the table that keeps each profile's
** limits (kestrel$profiles, one row a resource), the predefined DEFAULT
** profile, and the SQL that reads the limit a user's profile sets.
*/
#ifndef KESTREL_ENGINE_CATALOG_PROFILES_H
#define KESTREL_ENGINE_CATALOG_PROFILES_H

#include <string>
#include <string_view>
#include <vector>

#include "errors/OraError.h"

namespace kestrel_engine {

class Connection;

extern const char kProfilesTable[];
extern const char kDefaultProfile[];  // "DEFAULT"

// A resource a profile limits, in the order DBA_PROFILES lists them.
struct ProfileResource {
  const char *name;
  bool password;             // RESOURCE_TYPE 'PASSWORD', else 'KERNEL'
  const char *defaultLimit;  // the DEFAULT profile's limit as first made
  double defaultValue;       // its number; < 0 for none (UNLIMITED, NULL)
};
const std::vector<ProfileResource> &ProfileResources();
// nullptr when `name` (upper case) is no resource.
const ProfileResource *FindProfileResource(std::string_view name);

// One limit as a statement sets it: `text` is what DBA_PROFILES shows
// ('DEFAULT', 'UNLIMITED', '10', '.0417', 'NULL' or a function's name);
// `value` the number behind it, < 0 for none.
struct ProfileLimit {
  const ProfileResource *resource = nullptr;
  std::string text;
  double value = -1;
};

// Creates the table with the DEFAULT profile, the accounts' profile and
// lock-time columns, and DBA's CREATE / ALTER / DROP PROFILE, where
// missing (inside the caller's transaction). Every existing account is
// on DEFAULT.
bool EnsureProfiles(Connection &connection, OraError *error);

// True when the profile exists; false with no error when it does not.
bool ProfileExists(Connection &connection, const std::string &name, OraError *error);

// Writes the limits of `profile`, replacing those it had for the same
// resources.
bool WriteProfileLimits(Connection &connection, const std::string &profile,
                        const std::vector<ProfileLimit> &limits, OraError *error);

// The number of accounts on `profile`; -1 with `error` set on failure.
long long ProfileUsers(Connection &connection, const std::string &profile, OraError *error);

// Moves the profile's accounts to DEFAULT and deletes its limits.
bool DropProfileRows(Connection &connection, const std::string &profile, OraError *error);

// A scalar subquery giving the number `resource` is limited to for the
// profile the SQL expression `profile` names, the DEFAULT profile's where
// that says DEFAULT; NULL for UNLIMITED. Two primary-key reads. The
// expression must be qualified (it runs inside the subquery).
std::string EffectiveLimitSql(const char *resource, const std::string &profile);

}  // namespace kestrel_engine

#endif
