/*
** Privileges and roles: the engine tables that keep the grants, the
** predefined roles, and an in-memory copy of all of it that the SQLite
** authorizer consults (the authorizer may not run SQL of its own, so the
** copy is read before a statement is prepared and again whenever another
** session commits or this one runs anything but a query or DML).
*/
#ifndef KESTREL_ENGINE_CATALOG_PRIVILEGES_H
#define KESTREL_ENGINE_CATALOG_PRIVILEGES_H

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "errors/OraError.h"

namespace kestrel_engine {

class Connection;

extern const char kRolesTable[];
extern const char kSysPrivsTable[];
extern const char kRolePrivsTable[];
extern const char kTabPrivsTable[];

// The grantee every user belongs to.
extern const char kPublicGrantee[];

// True for one of the privilege tables above.
bool IsPrivilegeTable(const char *name);

// The system privileges the engine knows (GRANT accepts these and only
// these; DBA holds them all).
const std::vector<std::string> &SystemPrivileges();
bool IsSystemPrivilege(std::string_view privilege);

// The object privileges for a table or view; for a sequence; for stored
// code. ALL [PRIVILEGES] stands for the list of the object's kind.
const std::vector<std::string> &TablePrivileges();

// Creates the tables and the predefined roles CONNECT, RESOURCE and DBA
// when missing (inside the caller's transaction), and the account
// columns this step added (lock, expiry, failed logons).
bool EnsurePrivileges(Connection &connection, OraError *error);

// Brings a database made before privileges existed into them: the
// administrators hold DBA; every plain account CONNECT, RESOURCE, the
// CREATE privileges it used and every object privilege on each object
// of another owner, so it keeps what it could do.
bool UpgradeToPrivileges(Connection &connection, OraError *error);

// Everything the grants say, read in one go.
class AccessData {
 public:
  // Reads the tables; a database without them (older, opened read-only)
  // is not enforced: every check passes, as it did before privileges.
  bool Load(Connection &connection, OraError *error);
  bool enforced() const { return enforced_; }

  // The roles `user` holds, directly, through PUBLIC or through other
  // roles.
  const std::set<std::string> &RolesOf(const std::string &user);
  // The system privileges `user` holds, directly or through its roles.
  const std::set<std::string> &SysPrivsOf(const std::string &user);
  bool HasSys(const std::string &user, std::string_view privilege);
  // The owner of a table, view or sequence by its stored name (catalog/
  // StorageNames.h), of a stored unit by its CodeKey, or of a trigger;
  // empty when unknown.
  std::string OwnerOf(std::string_view name) const;
  // The key (upper-cased stored name) of `owner`'s table or view `name`;
  // empty when that schema has none. Grants and the checks below key
  // tables and views by it.
  std::string Locate(std::string_view owner, std::string_view name) const;
  // Its kind: "table", "view", "sequence", "trigger" or "code".
  std::string KindOf(std::string_view name) const;
  bool IsUser(const std::string &name) const { return users_.count(name) != 0; }
  bool IsRole(const std::string &name) const { return roles_.count(name) != 0; }

  // `privilege` (SELECT, INSERT, UPDATE, DELETE, EXECUTE, ...) on `name`
  // for `user`: its owner, a grant to it, PUBLIC or one of its roles, or
  // the matching ANY system privilege. `column` narrows UPDATE, INSERT
  // and REFERENCES grants made for some columns.
  bool May(const std::string &user, std::string_view name, std::string_view privilege,
           std::string_view column = {});
  // Some privilege on `name`: enough to see that it exists.
  bool MayReach(const std::string &user, std::string_view name);

 private:
  struct ObjectGrant {
    std::string grantee, privilege, column;
  };
  void Expand(const std::string &user);

  bool enforced_ = false;
  std::set<std::string> users_, roles_;
  std::multimap<std::string, std::string> sysGrants_;   // grantee -> privilege
  std::multimap<std::string, std::string> roleGrants_;  // grantee -> role
  std::multimap<std::string, ObjectGrant> objectGrants_;  // OBJECT -> grant
  std::map<std::string, std::string> owners_;             // OBJECT -> owner
  std::map<std::string, std::string> kinds_;              // OBJECT -> kind
  std::map<std::string, std::set<std::string>> roleCache_, sysCache_;
};

// Upper-cases ASCII letters: how object names are keyed here.
std::string ObjectKey(std::string_view name);
// The key of `owner`'s stored unit `name`: "OWNER.NAME", upper-cased. Each
// schema has its own units, and a table's key never takes this form for
// the same owner and name (they share the schema's namespace).
std::string CodeKey(std::string_view owner, std::string_view name);

// How AccessData keys `owner`'s trigger `name` (upper case): triggers have
// a namespace of their own in each schema, apart from the tables' keys.
// A double quote is in no name, so no key of another kind takes this form.
std::string TriggerKey(std::string_view owner, std::string_view name);

}  // namespace kestrel_engine

#endif
