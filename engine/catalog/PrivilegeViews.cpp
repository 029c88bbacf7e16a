/*
** The dictionary views of users, roles and privileges: USER_/ALL_/DBA_
** TAB_PRIVS and COL_PRIVS, USER_/DBA_SYS_PRIVS, USER_/DBA_ROLE_PRIVS,
** ROLE_SYS_PRIVS, SESSION_PRIVS, SESSION_ROLES, USER_/ALL_/DBA_USERS and
** DBA_ROLES, over
** the privilege tables. kestrel_holds(name) answers whether the session
** holds a grantee's grants (its user, PUBLIC, a role it has) or a system
** privilege; the DBA_ views show rows only to a holder of SELECT ANY
** DICTIONARY.
*/
#include "catalog/PrivilegeViews.h"

#include <string>
#include <vector>

#include "catalog/Profiles.h"

namespace kestrel_engine {

namespace {

const char *const kViewNames[] = {
    "user_tab_privs", "all_tab_privs", "dba_tab_privs", "user_col_privs", "all_col_privs",
    "dba_col_privs", "user_sys_privs", "dba_sys_privs",
    "user_role_privs", "dba_role_privs", "role_sys_privs", "session_privs", "session_roles",
    "user_users", "all_users", "dba_users", "dba_roles",
};

// An account's ACCOUNT_STATUS: a lock failed logons made is LOCKED(TIMED)
// while its profile's PASSWORD_LOCK_TIME runs (catalog/Profiles.h).
std::string Status() {
  const std::string lock =
      "(CASE WHEN u.locked = 1 THEN 'LOCKED' WHEN u.locked = 2 AND coalesce(julianday('now') < "
      "u.locked_at + " + EffectiveLimitSql("PASSWORD_LOCK_TIME", "u.profile") +
      ", 1) THEN 'LOCKED(TIMED)' END)";
  return "CASE WHEN " + lock + " IS NULL THEN CASE WHEN u.expired THEN 'EXPIRED' ELSE 'OPEN' "
         "END WHEN u.expired THEN 'EXPIRED & ' || " + lock + " ELSE " + lock + " END";
}

std::string Views() {
  const std::string tab = "main.\"kestrel$tab_privs\"";
  const std::string sys = "main.\"kestrel$sys_privs\"";
  const std::string role = "main.\"kestrel$role_privs\"";
  const std::string users = "main.\"kestrel$users\"";
  const std::string tabColumns =
      "(GRANTEE, OWNER, TABLE_NAME, GRANTOR, PRIVILEGE, GRANTABLE, TYPE) AS SELECT t.grantee, "
      "t.owner, kestrel_oracle_name(t.table_name, t.owner), t.grantor, t.privilege, CASE WHEN t.grantable THEN 'YES' ELSE 'NO' END, coalesce((SELECT upper(o.type) "
      "FROM main.\"kestrel$objects\" o WHERE upper(o.name) = t.table_name AND o.type IN "
      "('table', 'view')), (SELECT 'SEQUENCE' FROM main.\"kestrel$sequences\" s WHERE "
      "upper(s.name) = t.table_name), 'PROCEDURE') FROM " + tab +
      " t WHERE t.column_name = '' AND ";
  // Grants for some columns (UPDATE (sal)) are shown by the COL_PRIVS
  // views, and only there, as in Oracle.
  const std::string colRow =
      "t.column_name, t.grantor, t.privilege, CASE WHEN t.grantable THEN 'YES' ELSE 'NO' END, "
      "'NO', 'NO' FROM " + tab + " t WHERE t.column_name <> '' AND ";
  const std::string colColumns =
      "(GRANTEE, OWNER, TABLE_NAME, COLUMN_NAME, GRANTOR, PRIVILEGE, GRANTABLE, COMMON, "
      "INHERITED) AS SELECT t.grantee, t.owner, t.table_name, " + colRow;
  const std::string me = "kestrel_session_user()";
  return "CREATE TEMP VIEW user_tab_privs " + tabColumns + "(t.grantee = " + me +
         " OR t.owner = " + me + " OR t.grantor = " + me +
         "); CREATE TEMP VIEW all_tab_privs " + tabColumns + "(kestrel_holds(t.grantee) OR "
         "t.owner = " + me + " OR t.grantor = " + me +
         "); CREATE TEMP VIEW dba_tab_privs " + tabColumns +
         "kestrel_holds('SELECT ANY DICTIONARY') AND t.grantee IS NOT NULL"
         "; CREATE TEMP VIEW user_col_privs " + colColumns + "(t.grantee = " + me +
         " OR t.owner = " + me + " OR t.grantor = " + me +
         "); CREATE TEMP VIEW all_col_privs (GRANTOR, GRANTEE, TABLE_SCHEMA, TABLE_NAME, "
         "COLUMN_NAME, PRIVILEGE, GRANTABLE, COMMON, INHERITED) AS SELECT t.grantor, t.grantee, "
         "t.owner, t.table_name, t.column_name, t.privilege, CASE WHEN t.grantable THEN 'YES' ELSE "
         "'NO' END, 'NO', 'NO' FROM " + tab + " t WHERE t.column_name <> '' AND "
         "(kestrel_holds(t.grantee) OR t.owner = " + me + " OR t.grantor = " + me +
         "); CREATE TEMP VIEW dba_col_privs " + colColumns +
         "kestrel_holds('SELECT ANY DICTIONARY') AND t.grantee IS NOT NULL"
         "; CREATE TEMP VIEW user_sys_privs (USERNAME, PRIVILEGE, ADMIN_OPTION) AS SELECT "
         "grantee, privilege, CASE WHEN admin_option THEN 'YES' ELSE 'NO' END FROM " + sys +
         " WHERE grantee IN (" + me + ", 'PUBLIC')"
         "; CREATE TEMP VIEW dba_sys_privs (GRANTEE, PRIVILEGE, ADMIN_OPTION) AS SELECT grantee, "
         "privilege, CASE WHEN admin_option THEN 'YES' ELSE 'NO' END FROM " + sys +
         " WHERE kestrel_holds('SELECT ANY DICTIONARY') AND grantee IS NOT NULL"
         "; CREATE TEMP VIEW user_role_privs (USERNAME, GRANTED_ROLE, ADMIN_OPTION, DEFAULT_ROLE) "
         "AS SELECT grantee, granted_role, CASE WHEN admin_option THEN 'YES' ELSE 'NO' END, 'YES' "
         "FROM " + role + " WHERE grantee IN (" + me + ", 'PUBLIC')"
         "; CREATE TEMP VIEW dba_role_privs (GRANTEE, GRANTED_ROLE, ADMIN_OPTION, DEFAULT_ROLE) AS "
         "SELECT grantee, granted_role, CASE WHEN admin_option THEN 'YES' ELSE 'NO' END, 'YES' "
         "FROM " + role + " WHERE kestrel_holds('SELECT ANY DICTIONARY') AND grantee IS NOT NULL"
         "; CREATE TEMP VIEW role_sys_privs (ROLE, PRIVILEGE, ADMIN_OPTION) AS SELECT s.grantee, "
         "s.privilege, CASE WHEN s.admin_option THEN 'YES' ELSE 'NO' END FROM " + sys +
         " s JOIN main.\"kestrel$roles\" r ON r.name = s.grantee WHERE kestrel_holds(s.grantee)"
         "; CREATE TEMP VIEW session_privs (PRIVILEGE) AS SELECT DISTINCT privilege FROM " + sys +
         " WHERE kestrel_holds(grantee)"
         "; CREATE TEMP VIEW session_roles (ROLE) AS SELECT name FROM main.\"kestrel$roles\" "
         "WHERE kestrel_holds(name)"
         "; CREATE TEMP VIEW user_users (USERNAME, USER_ID, ACCOUNT_STATUS, DEFAULT_TABLESPACE, "
         "TEMPORARY_TABLESPACE, CREATED) AS SELECT u.name, u.rowid, " + Status() +
         ", u.default_tablespace, 'TEMP', u.created FROM " + users + " u WHERE u.name = " + me +
         "; CREATE TEMP VIEW all_users (USERNAME, USER_ID, CREATED) AS SELECT name, rowid, "
         "created FROM " + users + " WHERE name IS NOT NULL"
         "; CREATE TEMP VIEW dba_users (USERNAME, USER_ID, ACCOUNT_STATUS, DEFAULT_TABLESPACE, "
         "TEMPORARY_TABLESPACE, CREATED, PROFILE, LOCK_DATE) AS SELECT u.name, u.rowid, " +
         Status() + ", u.default_tablespace, 'TEMP', u.created, u.profile, CASE WHEN u.locked "
         "<> 0 THEN datetime(u.locked_at, 'localtime') END FROM " + users +
         " u WHERE kestrel_holds('SELECT ANY DICTIONARY') AND u.name IS NOT NULL"
         "; CREATE TEMP VIEW dba_roles (ROLE, PASSWORD_REQUIRED, AUTHENTICATION_TYPE) AS SELECT "
         "name, 'NO', 'NONE' FROM main.\"kestrel$roles\" WHERE kestrel_holds('SELECT ANY "
         "DICTIONARY') AND name IS NOT NULL";
}

}  // namespace

bool IsPrivilegeView(const char *name) {
  if (name == nullptr) return false;
  for (const char *v : kViewNames) {
    if (sqlite3_stricmp(v, name) == 0) return true;
  }
  return false;
}

void AddPrivilegeViewStatements(std::vector<std::string> *out) {
  const std::string views = Views();
  constexpr char kNext[] = "; CREATE TEMP VIEW ";
  size_t start = 0;
  while (start < views.size()) {
    size_t end = views.find(kNext, start);
    if (end == std::string::npos) end = views.size();
    out->push_back(views.substr(start, end - start));
    start = end == views.size() ? end : end + 2;
  }
}

}  // namespace kestrel_engine
