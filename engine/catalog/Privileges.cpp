/*
** The privilege tables, the predefined roles, the upgrade that brings an
** older database's accounts into them, and the in-memory reading of the
** grants that the checks consult.
*/
#include "catalog/Privileges.h"

#include <sqlite3.h>

#include <algorithm>

#include "catalog/Catalog.h"
#include "catalog/GrantChanges.h"
#include "catalog/Sequences.h"
#include "catalog/StorageNames.h"
#include "session/Connection.h"
#include "session/OwnedStatement.h"

namespace kestrel_engine {

const char kRolesTable[] = "kestrel$roles";
const char kSysPrivsTable[] = "kestrel$sys_privs";
const char kRolePrivsTable[] = "kestrel$role_privs";
const char kTabPrivsTable[] = "kestrel$tab_privs";
const char kPublicGrantee[] = "PUBLIC";

namespace {

std::string Q(const char *table) { return std::string("main.\"") + table + "\""; }

// What RESOURCE holds, as in Oracle.
const char *const kResource[] = {"CREATE TABLE",   "CREATE SEQUENCE", "CREATE PROCEDURE",
                                 "CREATE TRIGGER", "CREATE TYPE",     "CREATE CLUSTER",
                                 "CREATE INDEXTYPE", "CREATE OPERATOR"};

// ANY privileges by the object privilege they stand in for.
struct AnyPrivilege {
  const char *object;
  const char *any[3];
};
const AnyPrivilege kAny[] = {
    {"SELECT", {"SELECT ANY TABLE", "SELECT ANY SEQUENCE", nullptr}},
    {"INSERT", {"INSERT ANY TABLE", nullptr, nullptr}},
    {"UPDATE", {"UPDATE ANY TABLE", nullptr, nullptr}},
    {"DELETE", {"DELETE ANY TABLE", nullptr, nullptr}},
    {"EXECUTE", {"EXECUTE ANY PROCEDURE", nullptr, nullptr}},
    {"ALTER", {"ALTER ANY TABLE", "ALTER ANY SEQUENCE", "ALTER ANY PROCEDURE"}},
    {"INDEX", {"CREATE ANY INDEX", nullptr, nullptr}},
    {"REFERENCES", {"REFERENCES ANY TABLE", nullptr, nullptr}},
};

}  // namespace

std::string ObjectKey(std::string_view name) {
  std::string key(name);
  for (char &c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return key;
}

std::string CodeKey(std::string_view owner, std::string_view name) {
  return ObjectKey(QualifiedStorageName(owner, name));
}

std::string TriggerKey(std::string_view owner, std::string_view name) {
  return ObjectKey("\"TRIGGER\"" + std::string(owner) + "." + std::string(name));
}

bool IsPrivilegeTable(const char *name) {
  if (name == nullptr) return false;
  for (const char *t : {kRolesTable, kSysPrivsTable, kRolePrivsTable, kTabPrivsTable}) {
    if (sqlite3_stricmp(t, name) == 0) return true;
  }
  return false;
}

const std::vector<std::string> &SystemPrivileges() {
  static const std::vector<std::string> kList = [] {
    std::vector<std::string> list = {
        "CREATE SESSION", "ALTER SESSION", "UNLIMITED TABLESPACE", "CREATE USER", "ALTER USER",
        "DROP USER", "CREATE ROLE", "DROP ANY ROLE", "GRANT ANY ROLE", "GRANT ANY PRIVILEGE",
        "GRANT ANY OBJECT PRIVILEGE", "CREATE PUBLIC SYNONYM", "DROP PUBLIC SYNONYM",
        "SELECT ANY DICTIONARY", "CREATE TYPE", "CREATE CLUSTER", "CREATE INDEXTYPE",
        "CREATE OPERATOR", "CREATE ANY INDEX", "ALTER ANY INDEX", "DROP ANY INDEX",
        "SELECT ANY TABLE", "INSERT ANY TABLE", "UPDATE ANY TABLE", "DELETE ANY TABLE",
        "REFERENCES ANY TABLE", "SELECT ANY SEQUENCE", "EXECUTE ANY PROCEDURE",
        "COMMENT ANY TABLE", "CREATE PROFILE", "ALTER PROFILE", "DROP PROFILE"};
    for (const char *kind : {"TABLE", "VIEW", "SEQUENCE", "PROCEDURE", "TRIGGER", "SYNONYM"}) {
      list.push_back(std::string("CREATE ") + kind);
      list.push_back(std::string("CREATE ANY ") + kind);
      list.push_back(std::string("DROP ANY ") + kind);
      if (std::string_view(kind) != "VIEW" && std::string_view(kind) != "SYNONYM") {
        list.push_back(std::string("ALTER ANY ") + kind);
      }
    }
    return list;
  }();
  return kList;
}

bool IsSystemPrivilege(std::string_view privilege) {
  const auto &list = SystemPrivileges();
  return std::find(list.begin(), list.end(), privilege) != list.end();
}

const std::vector<std::string> &TablePrivileges() {
  static const std::vector<std::string> kList = {"ALTER",  "DELETE",     "INDEX", "INSERT",
                                                 "SELECT", "REFERENCES", "UPDATE"};
  return kList;
}

bool EnsurePrivileges(Connection &connection, OraError *error) {
  std::string sql =
      "CREATE TABLE IF NOT EXISTS " + Q(kRolesTable) +
      " (name TEXT PRIMARY KEY, created DATE NOT NULL); "
      "CREATE TABLE IF NOT EXISTS " + Q(kSysPrivsTable) +
      " (grantee TEXT NOT NULL, privilege TEXT NOT NULL, admin_option INTEGER NOT NULL "
      "DEFAULT 0, PRIMARY KEY (grantee, privilege)); "
      "CREATE TABLE IF NOT EXISTS " + Q(kRolePrivsTable) +
      " (grantee TEXT NOT NULL, granted_role TEXT NOT NULL, admin_option INTEGER NOT NULL "
      "DEFAULT 0, PRIMARY KEY (grantee, granted_role)); "
      "CREATE TABLE IF NOT EXISTS " + Q(kTabPrivsTable) +
      " (grantee TEXT NOT NULL, owner TEXT NOT NULL, table_name TEXT NOT NULL, grantor TEXT "
      "NOT NULL, privilege TEXT NOT NULL, grantable INTEGER NOT NULL DEFAULT 0, column_name "
      "TEXT NOT NULL DEFAULT '', PRIMARY KEY (grantee, table_name, grantor, privilege, "
      "column_name)); "
      "INSERT OR IGNORE INTO " + Q(kRolesTable) +
      " VALUES ('CONNECT', datetime('now', 'localtime')), ('RESOURCE', datetime('now', "
      "'localtime')), ('DBA', datetime('now', 'localtime')); "
      "INSERT OR IGNORE INTO " + Q(kSysPrivsTable) + " VALUES ('CONNECT', 'CREATE SESSION', 0)";
  for (const char *p : kResource) {
    sql += std::string(", ('RESOURCE', '") + p + "', 0)";
  }
  for (const std::string &p : SystemPrivileges()) sql += ", ('DBA', '" + p + "', 1)";
  sql += "; ";
  // The account's state beyond its password.
  Connection::InternalScope scope(connection);
  const std::string users = std::string("\"") + kAccountsTable + "\"";
  OwnedStatement st;
  bool hasLocked = false;
  if (sqlite3_prepare_v2(connection.db(),
                         ("SELECT 1 FROM pragma_table_info('" + std::string(kAccountsTable) +
                          "') WHERE name = 'locked'")
                             .c_str(),
                         -1, &st.s, nullptr) == SQLITE_OK) {
    hasLocked = sqlite3_step(st.s) == SQLITE_ROW;
  }
  if (!hasLocked) {
    sql += "CREATE TABLE IF NOT EXISTS " + users +
           " (name TEXT PRIMARY KEY, hash TEXT NOT NULL, admin INTEGER NOT NULL DEFAULT 0); "
           "ALTER TABLE " + users + " ADD COLUMN locked INTEGER NOT NULL DEFAULT 0; "
           "ALTER TABLE " + users + " ADD COLUMN expired INTEGER NOT NULL DEFAULT 0; "
           "ALTER TABLE " + users + " ADD COLUMN failed INTEGER NOT NULL DEFAULT 0; "
           "ALTER TABLE " + users + " ADD COLUMN created DATE; "
           "ALTER TABLE " + users + " ADD COLUMN default_tablespace TEXT NOT NULL DEFAULT 'USERS'; "
           "UPDATE " + users + " SET created = datetime('now', 'localtime')";
  }
  return connection.ExecInternal(sql.c_str(), error) && EnsureGrantChanges(connection, error);
}

bool UpgradeToPrivileges(Connection &connection, OraError *error) {
  if (!EnsurePrivileges(connection, error)) return false;
  const std::string users = std::string("main.\"") + kAccountsTable + "\"";
  // Every object of the older file, as a name, its owner and its kind's
  // privileges.
  const std::string objects =
      "SELECT upper(name) AS name, owner, p.privilege FROM main.\"" + std::string(kObjectsTable) +
      "\" o, (SELECT 'SELECT' AS privilege UNION ALL SELECT 'INSERT' UNION ALL SELECT 'UPDATE' "
      "UNION ALL SELECT 'DELETE' UNION ALL SELECT 'REFERENCES' UNION ALL SELECT 'ALTER' UNION "
      "ALL SELECT 'INDEX') p WHERE o.type IN ('table', 'view') UNION ALL SELECT upper(name), "
      "owner, p.privilege FROM main.\"" + kSequencesTable +
      "\", (SELECT 'SELECT' AS privilege UNION ALL SELECT 'ALTER') p UNION ALL SELECT "
      "DISTINCT upper(name), owner, 'EXECUTE' FROM main.\"kestrel$code\" WHERE type IN "
      "('PROCEDURE', 'FUNCTION', 'PACKAGE')";
  const std::string sql =
      "INSERT OR IGNORE INTO " + Q(kRolePrivsTable) + " SELECT name, 'DBA', 1 FROM " + users +
      " WHERE admin; INSERT OR IGNORE INTO " + Q(kRolePrivsTable) +
      " SELECT name, r.role, 0 FROM " + users +
      ", (SELECT 'CONNECT' AS role UNION ALL SELECT 'RESOURCE') r WHERE NOT admin; "
      "INSERT OR IGNORE INTO " + Q(kSysPrivsTable) + " SELECT name, p.privilege, 0 FROM " +
      users +
      ", (SELECT 'CREATE VIEW' AS privilege UNION ALL SELECT 'CREATE SYNONYM' UNION ALL SELECT "
      "'CREATE PUBLIC SYNONYM' UNION ALL SELECT 'UNLIMITED TABLESPACE') p WHERE NOT admin; "
      "INSERT OR IGNORE INTO " + Q(kTabPrivsTable) +
      " (grantee, owner, table_name, grantor, privilege, grantable) SELECT u.name, o.owner, "
      "o.name, o.owner, o.privilege, 0 FROM " + users + " u, (" + objects +
      ") o WHERE NOT u.admin AND u.name <> o.owner";
  return connection.ExecInternal(sql.c_str(), error);
}

bool AccessData::Load(Connection &connection, OraError *error) {
  *this = AccessData();
  Connection::InternalScope scope(connection);
  sqlite3 *db = connection.db();
  {
    OwnedStatement st;
    if (sqlite3_prepare_v2(db,
                           "SELECT count(*) FROM main.sqlite_master WHERE type = 'table' AND "
                           "name = 'kestrel$tab_privs'",
                           -1, &st.s, nullptr) != SQLITE_OK ||
        sqlite3_step(st.s) != SQLITE_ROW) {
      *error = OraError::Make(600, sqlite3_errmsg(db));
      return false;
    }
    if (sqlite3_column_int(st.s, 0) == 0) return true;  // not enforced
  }
  enforced_ = true;
  const std::string queries[] = {
      std::string("SELECT name, '' FROM main.\"") + kAccountsTable + "\"",
      "SELECT name, '' FROM " + Q(kRolesTable),
      "SELECT grantee, privilege FROM " + Q(kSysPrivsTable),
      "SELECT grantee, granted_role FROM " + Q(kRolePrivsTable),
      // EXECUTE and DEBUG are granted on stored units only, keyed as CodeKey.
      "SELECT CASE WHEN privilege IN ('EXECUTE', 'DEBUG') THEN upper(owner || '.' || "
      "table_name) ELSE table_name END, grantee, privilege, column_name FROM " +
          Q(kTabPrivsTable),
      "SELECT upper(owner || '.' || name), owner, 'code' FROM main.\"kestrel$code\" UNION ALL "
      "SELECT upper(name), owner, 'sequence' FROM main.\"" + std::string(kSequencesTable) +
          "\" UNION ALL SELECT upper('\"TRIGGER\"' || owner || '.' || name), owner, 'trigger' FROM "
          "main.\"kestrel$triggers\" UNION ALL SELECT upper(CASE type WHEN 'trigger' THEN "
          "'\"TRIGGER\"' || owner || '.' || name ELSE name END), owner, type FROM main.\"" +
          kObjectsTable + "\" WHERE type IN ('table', 'view', 'trigger')",
  };
  for (int q = 0; q < 6; ++q) {
    OwnedStatement st;
    if (sqlite3_prepare_v2(db, queries[q].c_str(), -1, &st.s, nullptr) != SQLITE_OK) {
      if (q == 5) continue;  // an older file without some of them
      *error = OraError::Make(600, sqlite3_errmsg(db));
      return false;
    }
    while (sqlite3_step(st.s) == SQLITE_ROW) {
      std::string a = ColumnText(st.s, 0), b = ColumnText(st.s, 1);
      switch (q) {
        case 0: users_.insert(a); break;
        case 1: roles_.insert(a); break;
        case 2: sysGrants_.emplace(a, b); break;
        case 3: roleGrants_.emplace(a, b); break;
        case 4:
          objectGrants_.emplace(ObjectKey(a), ObjectGrant{b, ColumnText(st.s, 2), ColumnText(st.s, 3)});
          break;
        default:
          owners_[a] = b;
          kinds_[a] = ColumnText(st.s, 2);
          break;
      }
    }
  }
  return true;
}

void AccessData::Expand(const std::string &user) {
  std::set<std::string> roles;
  std::vector<std::string> pending = {user, kPublicGrantee};
  while (!pending.empty()) {
    const std::string grantee = pending.back();
    pending.pop_back();
    auto range = roleGrants_.equal_range(grantee);
    for (auto it = range.first; it != range.second; ++it) {
      if (roles.insert(it->second).second) pending.push_back(it->second);
    }
  }
  std::set<std::string> privileges;
  for (const std::string &holder : {user, std::string(kPublicGrantee)}) {
    auto range = sysGrants_.equal_range(holder);
    for (auto it = range.first; it != range.second; ++it) privileges.insert(it->second);
  }
  for (const std::string &role : roles) {
    auto range = sysGrants_.equal_range(role);
    for (auto it = range.first; it != range.second; ++it) privileges.insert(it->second);
  }
  roleCache_[user] = std::move(roles);
  sysCache_[user] = std::move(privileges);
}

const std::set<std::string> &AccessData::RolesOf(const std::string &user) {
  if (roleCache_.count(user) == 0) Expand(user);
  return roleCache_[user];
}

const std::set<std::string> &AccessData::SysPrivsOf(const std::string &user) {
  if (sysCache_.count(user) == 0) Expand(user);
  return sysCache_[user];
}

bool AccessData::HasSys(const std::string &user, std::string_view privilege) {
  if (!enforced_) return true;
  return SysPrivsOf(user).count(std::string(privilege)) != 0;
}

std::string AccessData::OwnerOf(std::string_view name) const {
  const auto found = owners_.find(ObjectKey(name));
  return found == owners_.end() ? std::string() : found->second;
}

std::string AccessData::Locate(std::string_view owner, std::string_view name) const {
  const std::string plain = ObjectKey(name);
  const auto found = owners_.find(plain);
  if (found != owners_.end() && found->second == owner) return plain;
  const std::string qualified = ObjectKey(QualifiedStorageName(owner, name));
  return owners_.count(qualified) != 0 ? qualified : std::string();
}

std::string AccessData::KindOf(std::string_view name) const {
  const auto found = kinds_.find(ObjectKey(name));
  return found == kinds_.end() ? std::string() : found->second;
}

bool AccessData::May(const std::string &user, std::string_view name, std::string_view privilege,
                     std::string_view column) {
  if (!enforced_) return true;
  const std::string key = ObjectKey(name);
  const std::string owner = OwnerOf(key);
  if (owner.empty() || owner == user) return true;
  for (const AnyPrivilege &a : kAny) {
    if (privilege != a.object) continue;
    for (const char *any : a.any) {
      if (any != nullptr && HasSys(user, any)) return true;
    }
  }
  const std::set<std::string> &roles = RolesOf(user);
  auto range = objectGrants_.equal_range(key);
  for (auto it = range.first; it != range.second; ++it) {
    const ObjectGrant &g = it->second;
    if (g.privilege != privilege) continue;
    if (!g.column.empty() && ObjectKey(g.column) != ObjectKey(column)) continue;
    if (g.grantee == user || g.grantee == kPublicGrantee || roles.count(g.grantee) != 0) {
      return true;
    }
  }
  return false;
}

bool AccessData::MayReach(const std::string &user, std::string_view name) {
  if (!enforced_) return true;
  const std::string key = ObjectKey(name);
  const std::string owner = OwnerOf(key);
  if (owner.empty() || owner == user) return true;
  for (const AnyPrivilege &a : kAny) {
    for (const char *any : a.any) {
      if (any != nullptr && HasSys(user, any)) return true;
    }
  }
  const std::set<std::string> &roles = RolesOf(user);
  auto range = objectGrants_.equal_range(key);
  for (auto it = range.first; it != range.second; ++it) {
    const std::string &grantee = it->second.grantee;
    if (grantee == user || grantee == kPublicGrantee || roles.count(grantee) != 0) return true;
  }
  return false;
}

}  // namespace kestrel_engine
