/*
** Parsing and running GRANT, REVOKE, CREATE ROLE and DROP ROLE over the
** privilege tables. Revoking an object privilege takes with it what the
** grantee granted on through its grant option, when no other grant of it
** with that option is left; system privileges and roles do not cascade.
*/
#include "session/GrantStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <initializer_list>
#include <set>
#include <utility>

#include "catalog/Privileges.h"
#include "catalog/StorageNames.h"
#include "errors/SqliteErrors.h"
#include "session/Connection.h"

namespace kestrel_engine {

namespace {

const char *const kObjectPrivileges[] = {"SELECT",     "INSERT",  "UPDATE", "DELETE", "REFERENCES",
                                         "EXECUTE",    "ALTER",   "INDEX",  "READ",   "DEBUG"};

bool IsObjectPrivilege(const std::string &p) {
  return std::find(std::begin(kObjectPrivileges), std::end(kObjectPrivileges), p) !=
         std::end(kObjectPrivileges);
}

struct Privilege {
  std::string name;
  std::vector<std::string> columns;
};

struct Parsed {
  bool grant = true;
  bool all = false;
  std::vector<Privilege> privileges;
  bool onObject = false;
  std::string schema, object;
  std::vector<std::string> grantees;
  bool withOption = false;
};

const Token &At(const std::vector<Token> &t, size_t i) { return i < t.size() ? t[i] : t.back(); }

bool IsName(const Token &t) {
  return t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier;
}

// A name as Oracle stores it: unquoted words in upper case.
std::string Folded(const Token &t) {
  return t.kind == TokenKind::kWord ? UpperAscii(t.raw) : t.Name();
}

bool Fail(OraError *error, int code, std::string_view detail = {}) {
  *error = OraError::Make(code, detail);
  return false;
}

bool Parse(const std::vector<Token> &t, Parsed *p, OraError *error) {
  p->grant = t[0].Is("GRANT");
  const char *const to = p->grant ? "TO" : "FROM";
  size_t i = 1;
  for (;;) {
    std::string words;
    while (IsName(At(t, i)) && !At(t, i).Is("ON") && !At(t, i).Is(to)) {
      words += (words.empty() ? "" : " ") + Folded(At(t, i));
      ++i;
    }
    if (words.empty()) return Fail(error, 990);
    if (words == "ALL" || words == "ALL PRIVILEGES") {
      p->all = true;
    } else {
      Privilege privilege{words, {}};
      if (At(t, i).IsSymbol('(')) {
        ++i;
        while (IsName(At(t, i))) {
          privilege.columns.push_back(Folded(At(t, i++)));
          if (!At(t, i).IsSymbol(',')) break;
          ++i;
        }
        if (!At(t, i).IsSymbol(')')) return Fail(error, 907);
        ++i;
      }
      p->privileges.push_back(std::move(privilege));
    }
    if (!At(t, i).IsSymbol(',')) break;
    ++i;
  }
  if (At(t, i).Is("ON")) {
    p->onObject = true;
    ++i;
    if (!IsName(At(t, i))) return Fail(error, 903);
    p->object = Folded(At(t, i++));
    if (At(t, i).IsSymbol('.') && IsName(At(t, i + 1))) {
      p->schema = p->object;
      p->object = Folded(At(t, i + 1));
      i += 2;
    }
  }
  if (!At(t, i).Is(to)) return Fail(error, p->grant ? 905 : 924);
  ++i;
  for (;;) {
    if (!IsName(At(t, i))) return Fail(error, 987);
    // Users and roles compare case-insensitively, quoted or not.
    p->grantees.push_back(UpperAscii(At(t, i++).Name()));
    if (!At(t, i).IsSymbol(',')) break;
    ++i;
  }
  if (p->grant && At(t, i).Is("WITH") &&
      (At(t, i + 1).Is("GRANT") || At(t, i + 1).Is("ADMIN")) && At(t, i + 2).Is("OPTION")) {
    if (At(t, i + 1).Is("GRANT") != p->onObject) return Fail(error, 993);
    p->withOption = true;
    i += 3;
  } else if (!p->grant && At(t, i).Is("CASCADE") && At(t, i + 1).Is("CONSTRAINTS")) {
    i += 2;
  }
  if (At(t, i).IsSymbol(';')) ++i;
  if (At(t, i).kind != TokenKind::kEnd) return Fail(error, 933);
  return true;
}

// One statement of the engine's over the privilege tables: the number of
// rows it changed or, for a query, its first column's value; -1 on error.
long long Run(Connection &connection, const std::string &sql,
              std::initializer_list<std::string> args, OraError *error) {
  Connection::InternalScope scope(connection);
  sqlite3_stmt *s = nullptr;
  if (sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
    *error = ErrorFromSqlite(connection.db(), 0);
    return -1;
  }
  int k = 0;
  for (const std::string &a : args) {
    sqlite3_bind_text(s, ++k, a.data(), static_cast<int>(a.size()), SQLITE_TRANSIENT);
  }
  const int rc = sqlite3_step(s);
  long long result = -1;
  if (rc == SQLITE_ROW) {
    result = sqlite3_column_int64(s, 0);
  } else if (rc == SQLITE_DONE) {
    result = sqlite3_stmt_readonly(s) ? 0 : sqlite3_changes(connection.db());
  } else {
    *error = ErrorFromSqlite(connection.db(), 0);
  }
  sqlite3_finalize(s);
  return result;
}

std::string T(const char *table) { return std::string("main.\"") + table + "\""; }

class Runner {
 public:
  Runner(Connection &connection, const std::string &user, OraError *error)
      : connection_(connection), access_(connection.Access()), user_(user), error_(error) {}

  bool Statement(const Parsed &p) {
    for (const std::string &g : p.grantees) {
      if (g != kPublicGrantee && !access_.IsUser(g) && !access_.IsRole(g)) {
        return Fail(error_, 1917, g);
      }
    }
    return p.onObject ? ObjectStatement(p) : SystemStatement(p);
  }

  bool CreateRole(const std::string &role) {
    if (!access_.HasSys(user_, "CREATE ROLE")) return Fail(error_, 1031);
    if (access_.IsRole(role) || access_.IsUser(role) || role == kPublicGrantee) {
      return Fail(error_, 1921, role);
    }
    return Run(connection_,
               "INSERT INTO " + T(kRolesTable) + " VALUES (?1, datetime('now', 'localtime'))",
               {role}, error_) >= 0 &&
           Run(connection_, "INSERT INTO " + T(kRolePrivsTable) + " VALUES (?1, ?2, 1)",
               {user_, role}, error_) >= 0;
  }

  bool DropRole(const std::string &role) {
    if (!access_.IsRole(role)) return Fail(error_, 1919, role);
    if (role == "DBA" || role == "CONNECT" || role == "RESOURCE") return Fail(error_, 1031);
    if (!access_.HasSys(user_, "DROP ANY ROLE") && !HoldsRoleWithAdmin(role)) {
      return Fail(error_, 1031);
    }
    for (const std::string &sql :
         {"DELETE FROM " + T(kRolesTable) + " WHERE name = ?1",
          "DELETE FROM " + T(kRolePrivsTable) + " WHERE granted_role = ?1 OR grantee = ?1",
          "DELETE FROM " + T(kSysPrivsTable) + " WHERE grantee = ?1",
          "DELETE FROM " + T(kTabPrivsTable) + " WHERE grantee = ?1"}) {
      if (Run(connection_, sql, {role}, error_) < 0) return false;
    }
    return true;
  }

 private:
  bool HoldsRoleWithAdmin(const std::string &role) {
    return Run(connection_,
               "SELECT count(*) FROM " + T(kRolePrivsTable) +
                   " WHERE grantee = ?1 AND granted_role = ?2 AND admin_option",
               {user_, role}, error_) > 0;
  }
  bool HoldsSysWithAdmin(const std::string &privilege) {
    return Run(connection_,
               "SELECT count(*) FROM " + T(kSysPrivsTable) +
                   " WHERE grantee = ?1 AND privilege = ?2 AND admin_option",
               {user_, privilege}, error_) > 0;
  }

  bool SystemStatement(const Parsed &p) {
    if (p.all) return Fail(error_, 990);
    for (const Privilege &privilege : p.privileges) {
      const std::string &name = privilege.name;
      const bool role = access_.IsRole(name);
      if (!role && !IsSystemPrivilege(name)) {
        return Fail(error_, name.find(' ') == std::string::npos && !IsObjectPrivilege(name) ? 1919
                                                                                            : 990,
                    name);
      }
      const bool may = role ? access_.HasSys(user_, "GRANT ANY ROLE") || HoldsRoleWithAdmin(name)
                            : access_.HasSys(user_, "GRANT ANY PRIVILEGE") ||
                                  HoldsSysWithAdmin(name);
      if (!may) return Fail(error_, 1031);
      for (const std::string &grantee : p.grantees) {
        if (!(role ? RoleChange(p, name, grantee) : SysChange(p, name, grantee))) return false;
      }
    }
    return true;
  }

  bool RoleChange(const Parsed &p, const std::string &role, const std::string &grantee) {
    const std::string users = std::string("main.\"") + kAccountsTable + "\"";
    if (p.grant) {
      if (grantee == role || (access_.IsRole(grantee) && access_.RolesOf(role).count(grantee))) {
        return Fail(error_, 1934);
      }
      if (Run(connection_,
              "INSERT INTO " + T(kRolePrivsTable) +
                  " VALUES (?1, ?2, ?3) ON CONFLICT DO UPDATE SET admin_option = "
                  "max(admin_option, excluded.admin_option)",
              {grantee, role, p.withOption ? "1" : "0"}, error_) < 0) {
        return false;
      }
      // Administrators are the accounts holding DBA.
      return role != "DBA" ||
             Run(connection_, "UPDATE " + users + " SET admin = 1 WHERE name = ?1", {grantee},
                 error_) >= 0;
    }
    if (role == "DBA" && access_.IsUser(grantee) &&
        Run(connection_, "SELECT count(*) FROM " + users + " WHERE admin AND name <> ?1",
            {grantee}, error_) == 0) {
      return Fail(error_, 1031, "the last administrator keeps DBA");
    }
    const long long n = Run(connection_,
                            "DELETE FROM " + T(kRolePrivsTable) +
                                " WHERE grantee = ?1 AND granted_role = ?2",
                            {grantee, role}, error_);
    if (n < 0) return false;
    if (n == 0) {
      *error_ = OraError::Verbatim(1951, "ORA-01951: ROLE '" + role + "' not granted to '" +
                                             grantee + "'");
      return false;
    }
    return role != "DBA" ||
           Run(connection_, "UPDATE " + users + " SET admin = 0 WHERE name = ?1", {grantee},
               error_) >= 0;
  }

  bool SysChange(const Parsed &p, const std::string &privilege, const std::string &grantee) {
    if (p.grant) {
      return Run(connection_,
                 "INSERT INTO " + T(kSysPrivsTable) +
                     " VALUES (?1, ?2, ?3) ON CONFLICT DO UPDATE SET admin_option = "
                     "max(admin_option, excluded.admin_option)",
                 {grantee, privilege, p.withOption ? "1" : "0"}, error_) >= 0;
    }
    const long long n =
        Run(connection_, "DELETE FROM " + T(kSysPrivsTable) + " WHERE grantee = ?1 AND privilege = ?2",
            {grantee, privilege}, error_);
    if (n == 0) return Fail(error_, 1952, grantee);
    return n > 0;
  }

  std::vector<std::string> PrivilegesOf(const Parsed &p, const std::string &kind) {
    std::vector<std::string> list;
    if (!p.all) {
      for (const Privilege &privilege : p.privileges) list.push_back(privilege.name);
    } else if (kind == "sequence") {
      list = {"ALTER", "SELECT"};
    } else if (kind == "code") {
      list = {"EXECUTE", "DEBUG"};
    } else {
      list = TablePrivileges();
    }
    return list;
  }

  bool ObjectStatement(const Parsed &p) {
    // The object is the named schema's, else the current schema's: each
    // schema has its own names (a table's key is its stored name, a unit's
    // its CodeKey).
    const std::string &current = connection_.settings().currentSchema;
    std::string key =
        access_.Locate(!p.schema.empty() ? p.schema : current.empty() ? user_ : current, p.object);
    if (key.empty()) {
      key = ObjectKey(p.object);
      const std::string shared = access_.KindOf(key);
      if (shared == "table" || shared == "view") return Fail(error_, 942);
    }
    const std::string owner = access_.OwnerOf(key);
    const std::string kind = access_.KindOf(key);
    if (owner.empty() || (!p.schema.empty() && p.schema != owner) ||
        !access_.MayReach(user_, key)) {
      return Fail(error_, 942);
    }
    for (const Privilege &privilege : p.privileges) {
      if (!IsObjectPrivilege(privilege.name)) return Fail(error_, 990);
      // Oracle's rules for the kind: a unit takes EXECUTE and DEBUG alone,
      // a table or view never EXECUTE.
      if (kind == "code" && privilege.name != "EXECUTE" && privilege.name != "DEBUG") {
        return Fail(error_, 2225);
      }
      if (kind != "code" && privilege.name == "EXECUTE") return Fail(error_, 2224);
    }
    // The grant rows name a unit as its owner's unit, a table by its key.
    const std::string object = kind == "code" ? std::string(OracleObjectName(key, owner)) : key;
    const bool any = access_.HasSys(user_, "GRANT ANY OBJECT PRIVILEGE");
    // A grant by the holder of GRANT ANY OBJECT PRIVILEGE is the owner's.
    const std::string grantor = user_ == owner || any ? owner : user_;
    bool revoked = false;
    for (const std::string &name : PrivilegesOf(p, kind)) {
      if (p.grant && user_ != owner && !any &&
          Run(connection_,
              "SELECT count(*) FROM " + T(kTabPrivsTable) +
                  " WHERE grantee = ?1 AND owner = ?4 AND table_name = ?2 AND privilege = ?3 AND "
                  "grantable",
              {user_, object, name, owner}, error_) <= 0) {
        return error_->failed() ? false : Fail(error_, 1031);
      }
      std::vector<std::string> columns = {std::string()};
      for (const Privilege &privilege : p.privileges) {
        if (privilege.name == name && !privilege.columns.empty()) columns = privilege.columns;
      }
      for (const std::string &grantee : p.grantees) {
        if (grantee == user_) return Fail(error_, 1749);
        for (const std::string &column : columns) {
          if (p.grant) {
            if (Run(connection_,
                    "INSERT INTO " + T(kTabPrivsTable) +
                        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7) ON CONFLICT DO UPDATE SET "
                        "grantable = max(grantable, excluded.grantable)",
                    {grantee, owner, object, grantor, name, p.withOption ? "1" : "0", column},
                    error_) < 0) {
              return false;
            }
            continue;
          }
          const long long n = Run(connection_,
                                  "DELETE FROM " + T(kTabPrivsTable) +
                                      " WHERE grantee = ?1 AND owner = ?5 AND table_name = ?2 AND "
                                      "privilege = ?3 AND grantor = ?4",
                                  {grantee, object, name, grantor, owner}, error_);
          if (n < 0) return false;
          revoked = revoked || n > 0;
          if (n > 0 && !Cascade(owner, object, name, grantee)) return false;
        }
      }
    }
    if (!p.grant && !revoked) return Fail(error_, 1927);
    return true;
  }

  // What `from` granted on `key` goes once it holds the privilege with
  // grant option from nobody, and so on down the chain.
  bool Cascade(const std::string &owner, const std::string &key, const std::string &privilege,
               const std::string &from) {
    std::vector<std::string> pending = {from};
    std::set<std::string> seen = {from};
    while (!pending.empty()) {
      const std::string grantor = pending.back();
      pending.pop_back();
      const long long still = Run(connection_,
                                  "SELECT count(*) FROM " + T(kTabPrivsTable) +
                                      " WHERE grantee = ?1 AND table_name = ?2 AND privilege = "
                                      "?3 AND grantable AND owner = ?4",
                                  {grantor, key, privilege, owner}, error_);
      if (still < 0) return false;
      if (still > 0) continue;
      std::vector<std::string> grantees;
      {
        Connection::InternalScope scope(connection_);
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(connection_.db(),
                           ("SELECT grantee FROM " + T(kTabPrivsTable) +
                            " WHERE grantor = ?1 AND table_name = ?2 AND privilege = ?3 AND owner = ?4")
                               .c_str(),
                           -1, &s, nullptr);
        int k = 0;
        for (const std::string *a : {&grantor, &key, &privilege, &owner}) {
          sqlite3_bind_text(s, ++k, a->data(), static_cast<int>(a->size()), SQLITE_TRANSIENT);
        }
        while (s != nullptr && sqlite3_step(s) == SQLITE_ROW) {
          grantees.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(s, 0)));
        }
        sqlite3_finalize(s);
      }
      if (Run(connection_,
              "DELETE FROM " + T(kTabPrivsTable) +
                  " WHERE grantor = ?1 AND table_name = ?2 AND privilege = ?3 AND owner = ?4",
              {grantor, key, privilege, owner}, error_) < 0) {
        return false;
      }
      for (std::string &g : grantees) {
        if (seen.insert(g).second) pending.push_back(std::move(g));
      }
    }
    return true;
  }

  Connection &connection_;
  AccessData &access_;
  const std::string &user_;
  OraError *error_;
};

}  // namespace

bool RunPrivilegeStatement(Connection &connection, const std::vector<Token> &tokens,
                           const std::string &user, OraError *error) {
  Parsed parsed;
  std::string role;
  const bool roleStatement = tokens[0].Is("CREATE") || tokens[0].Is("DROP");
  if (roleStatement) {
    if (!IsName(At(tokens, 2))) return Fail(error, 903);
    role = UpperAscii(At(tokens, 2).Name());
    size_t i = 3;
    if (At(tokens, i).Is("NOT") && At(tokens, i + 1).Is("IDENTIFIED")) i += 2;
    if (At(tokens, i).IsSymbol(';')) ++i;
    if (At(tokens, i).kind != TokenKind::kEnd) return Fail(error, 922);
  } else if (!Parse(tokens, &parsed, error)) {
    return false;
  }
  if (!connection.Commit(error)) return false;  // like DDL
  if (!connection.BeginWrite(error)) return false;
  bool ok;
  {
    Runner runner(connection, user, error);
    ok = !roleStatement              ? runner.Statement(parsed)
         : tokens[0].Is("CREATE") ? runner.CreateRole(role)
                                  : runner.DropRole(role);
  }
  if (!ok) {
    OraError ignored;
    connection.Rollback(&ignored);
    connection.ForgetCatalog();
    return false;
  }
  connection.ForgetCatalog();  // the grants are read again
  return connection.Commit(error);
}

}  // namespace kestrel_engine
