// Users, roles and privileges through the client interface: each kind of
// privilege with its denial, grant options and the cascade of a revoke,
// roles, views run with their owner's rights, account locks, and the
// upgrade of a database made before privileges existed.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include <sqlite3.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

class PrivilegesTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::map<std::string, std::unique_ptr<Session>> sessions;

  PrivilegesTest() { As("scott"); }  // claims the database: its administrator

  Session &As(const std::string &user) {
    auto &s = sessions[user];
    if (!s) s = std::make_unique<Session>(dir.CreateLink("p.db"), user, user == "scott" ? "tiger" : "pw");
    return *s;
  }
  // 0 when `sql` succeeds as `user`, else the Oracle error number.
  int Code(const std::string &user, const std::string &sql) {
    Session &s = As(user);
    return s.Run(sql) == OCI_SUCCESS ? 0 : s.ErrorCode();
  }
  std::string One(const std::string &user, const std::string &sql) {
    const Rows rows = As(user).Query(sql);
    if (rows.empty() || rows[0].empty() || !rows[0][0]) return "<none>";
    return *rows[0][0];
  }
  struct Step {
    const char *user;
    const char *sql;
    int error;
  };
  void Steps(std::initializer_list<Step> steps) {
    for (const Step &step : steps) {
      EXPECT_EQ(Code(step.user, step.sql), step.error)
          << step.user << ": " << step.sql << ": " << As(step.user).ErrorText();
    }
  }
  // A statement handle prepared once as `user` and executed again and
  // again, never prepared anew.
  OCIStmt *Prepared(const std::string &user, const std::string &sql) {
    Session &s = As(user);
    OCIStmt *stmt = s.NewStatement();
    EXPECT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql.data()),
                             static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    return stmt;
  }
  int Execute(const std::string &user, OCIStmt *stmt) {
    Session &s = As(user);
    ub2 type = 0;
    OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, s.err);
    sword rc = OCIStmtExecute(s.svc, stmt, s.err, type == OCI_STMT_SELECT ? 0 : 1, 0, nullptr,
                              nullptr, OCI_DEFAULT);
    // A query is read to its end, so no snapshot stays open.
    while (rc == OCI_SUCCESS && type == OCI_STMT_SELECT) {
      if (OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT) == OCI_NO_DATA) break;
    }
    return rc == OCI_SUCCESS ? 0 : s.ErrorCode();
  }
};

TEST_F(PrivilegesTest, EachPrivilegeKindGrantsWhatItNamesAndNoMore) {
  Steps({{"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
         {"scott", "CREATE USER blake IDENTIFIED BY pw", 0}});
  {
    Session denied(dir.File("p.db"), "adams", "pw");
    EXPECT_EQ(denied.ErrorCode(), 1045) << denied.ErrorText();
    EXPECT_EQ(denied.ErrorText(), "ORA-01045: user ADAMS lacks CREATE SESSION privilege; logon denied");
  }
  Steps({
      {"scott", "GRANT CREATE SESSION TO adams, blake", 0},
      {"scott", "CREATE TABLE dept (deptno NUMBER(2), dname VARCHAR2(14))", 0},
      {"scott", "INSERT INTO dept VALUES (10, 'ACCOUNTING')", 0},
      {"scott", "COMMIT", 0},
      // Another's table is invisible without a privilege on it.
      {"adams", "SELECT COUNT(*) FROM dept", 942},
      {"adams", "SELECT COUNT(*) FROM scott.dept", 942},
      {"adams", "CREATE TABLE mine (a NUMBER)", 1031},
      {"scott", "GRANT SELECT ON dept TO adams WITH GRANT OPTION", 0},
      {"adams", "SELECT COUNT(*) FROM scott.dept", 0},
      {"adams", "SELECT COUNT(*) FROM blake.dept", 942},
      // SELECT does not grant INSERT or DELETE.
      {"adams", "INSERT INTO scott.dept VALUES (20, 'RESEARCH')", 1031},
      {"adams", "DELETE FROM scott.dept", 1031},
      // The grant option passes it on; without it, 1031.
      {"adams", "GRANT SELECT ON scott.dept TO blake", 0},
      {"blake", "SELECT COUNT(*) FROM scott.dept", 0},
      {"blake", "GRANT SELECT ON scott.dept TO adams", 1031},
      // Revoking what adams was granted with the option takes blake's too.
      {"scott", "REVOKE SELECT ON dept FROM adams", 0},
      {"blake", "SELECT COUNT(*) FROM scott.dept", 942},
      {"adams", "SELECT COUNT(*) FROM scott.dept", 942},
      {"scott", "REVOKE SELECT ON dept FROM adams", 1927},
      // A column's UPDATE reaches that column alone.
      {"scott", "GRANT UPDATE (dname) ON dept TO adams", 0},
      {"adams", "UPDATE scott.dept SET dname = 'FINANCE'", 0},
      {"adams", "UPDATE scott.dept SET deptno = 11", 1031},
      {"adams", "COMMIT", 0},
      {"scott", "GRANT INSERT, DELETE ON dept TO PUBLIC", 0},
      {"blake", "INSERT INTO scott.dept VALUES (20, 'RESEARCH')", 0},
      {"blake", "COMMIT", 0},
      {"scott", "REVOKE ALL ON dept FROM PUBLIC", 0},
      // System privileges: granted, used, revoked; no cascade to check.
      {"scott", "GRANT CREATE TABLE TO adams", 0},
      {"adams", "CREATE TABLE mine (a NUMBER)", 0},
      {"scott", "REVOKE CREATE TABLE FROM adams", 0},
      {"scott", "REVOKE CREATE TABLE FROM adams", 1952},
      {"adams", "CREATE TABLE more (a NUMBER)", 1031},
      {"adams", "INSERT INTO mine VALUES (1)", 0},  // its own, whatever its privileges
      {"adams", "DROP TABLE mine", 0},
      {"blake", "DROP TABLE scott.dept", 942},
      {"scott", "GRANT SELECT ON dept TO blake", 0},
      {"blake", "DROP TABLE scott.dept", 1031},
      {"adams", "CREATE USER carol IDENTIFIED BY pw", 1031},
      {"adams", "GRANT CREATE SESSION TO blake", 1031},
      // Oracle's errors for names that are no user, role or privilege.
      {"scott", "GRANT nosuch TO adams", 1919},
      {"scott", "GRANT SELECT ON dept TO nobody", 1917},
      {"scott", "GRANT CREATE NONSENSE TO adams", 990},
      {"scott", "GRANT SELECT ON nothing TO adams", 942},
      {"scott", "GRANT SELECT ON dept TO scott", 1749},
      // DBA makes another administrator.
      {"scott", "GRANT DBA TO adams", 0},
      {"adams", "SELECT COUNT(*) FROM scott.dept", 0},
      {"adams", "CREATE USER carol IDENTIFIED BY pw", 0},
      {"adams", "CREATE TABLE scott.made_for_scott (a NUMBER)", 0},
  });
  EXPECT_EQ(One("scott", "SELECT dname FROM dept WHERE deptno = 10"), "FINANCE");
  EXPECT_EQ(One("scott", "SELECT owner FROM all_tables WHERE table_name = 'MADE_FOR_SCOTT'"),
            "SCOTT");
}

TEST_F(PrivilegesTest, RolesCarryTheirPrivilegesToTheirHolders) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT TO adams", 0},
      {"scott", "CREATE TABLE emp (empno NUMBER(4), ename VARCHAR2(10))", 0},
      {"scott", "CREATE ROLE clerk", 0},
      {"scott", "CREATE ROLE clerk", 1921},
      {"scott", "CREATE ROLE adams", 1921},
      {"scott", "CREATE ROLE senior", 0},
      {"scott", "GRANT SELECT, INSERT ON emp TO clerk", 0},
      {"scott", "GRANT CREATE VIEW TO clerk", 0},
      {"scott", "GRANT clerk TO senior", 0},
      {"scott", "GRANT senior TO clerk", 1934},
      {"scott", "GRANT senior TO adams", 0},
      {"adams", "INSERT INTO scott.emp VALUES (7369, 'SMITH')", 0},
      {"adams", "COMMIT", 0},
      {"adams", "UPDATE scott.emp SET ename = 'X'", 1031},
      {"adams", "CREATE VIEW v AS SELECT 1 AS one FROM dual", 0},
      {"scott", "REVOKE senior FROM adams", 0},
      {"scott", "REVOKE senior FROM adams", 1951},
      {"adams", "SELECT COUNT(*) FROM scott.emp", 942},
      {"scott", "DROP ROLE clerk", 0},
      {"scott", "DROP ROLE clerk", 1919},
  });
  EXPECT_EQ(As("scott").Run("REVOKE senior FROM adams"), OCI_ERROR);
  EXPECT_EQ(As("scott").ErrorText(), "ORA-01951: ROLE 'SENIOR' not granted to 'ADAMS'");
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM session_roles WHERE role = 'CONNECT'"), "1");
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM session_privs WHERE privilege = 'CREATE SESSION'"),
            "1");
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM user_role_privs WHERE granted_role = 'DBA'"), "1");
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM role_sys_privs WHERE role = 'DBA' AND privilege = "
                         "'CREATE ANY TABLE'"),
            "1");
}

// Views run with their owner's rights: a grant on the view is enough.
// The dictionary shows each user what it may reach.
TEST_F(PrivilegesTest, ViewsRunWithTheirOwnersRights) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT TO adams", 0},
      {"scott", "CREATE TABLE emp (empno NUMBER(4), ename VARCHAR2(10), sal NUMBER(7,2))", 0},
      {"scott", "INSERT INTO emp VALUES (7369, 'SMITH', 800)", 0},
      {"scott", "COMMIT", 0},
      {"scott", "CREATE VIEW emp_names AS SELECT empno, ename FROM emp", 0},
      {"scott", "CREATE SEQUENCE emp_seq", 0},
      {"adams", "SELECT COUNT(*) FROM scott.emp_names", 942},
      {"scott", "GRANT SELECT ON emp_names TO adams", 0},
      {"adams", "SELECT COUNT(*) FROM scott.emp_names", 0},
      {"adams", "SELECT sal FROM scott.emp", 942},
      {"adams", "SELECT scott.emp_seq.NEXTVAL FROM dual", 2289},
      {"scott", "GRANT SELECT ON emp_seq TO adams", 0},
      {"adams", "SELECT scott.emp_seq.NEXTVAL FROM dual", 0},
      {"scott", "CREATE SEQUENCE hidden_seq", 0},
  });
  // ALL_SEQUENCES shows the granted sequence, not the other.
  EXPECT_EQ(One("adams", "SELECT COUNT(*) || ' ' || MAX(sequence_name) FROM all_sequences"),
            "1 EMP_SEQ");
  EXPECT_EQ(One("adams", "SELECT ename FROM scott.emp_names"), "SMITH");
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM all_objects WHERE owner = 'SCOTT'"), "1");
  EXPECT_EQ(One("adams", "SELECT owner || '.' || table_name || ' ' || privilege || ' ' || grantable "
                         "FROM user_tab_privs WHERE table_name = 'EMP_NAMES'"),
            "SCOTT.EMP_NAMES SELECT NO");
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM dba_users"), "0");  // no SELECT ANY DICTIONARY
  EXPECT_EQ(One("scott", "SELECT account_status FROM dba_users WHERE username = 'ADAMS'"), "OPEN");
}

// Stored code is there for a holder of EXECUTE, and runs with its owner's
// rights unless it says AUTHID CURRENT_USER.
TEST_F(PrivilegesTest, StoredCodeNeedsExecuteAndRunsWithItsOwnersRights) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT TO adams", 0},
      {"scott", "CREATE TABLE audit_log (msg VARCHAR2(20))", 0},
      {"scott", "CREATE PROCEDURE log_it (m VARCHAR2) IS BEGIN INSERT INTO audit_log VALUES (m); "
                "END;",
       0},
      {"scott", "CREATE PROCEDURE log_as_caller (m VARCHAR2) AUTHID CURRENT_USER IS BEGIN INSERT "
                "INTO scott.audit_log VALUES (m); END;",
       0},
      {"adams", "BEGIN log_it('denied'); END;", 6550},
      {"adams", "BEGIN scott.log_it('denied'); END;", 6550},
      {"scott", "GRANT EXECUTE ON log_it TO adams", 0},
      {"scott", "GRANT EXECUTE ON log_as_caller TO adams", 0},
      {"adams", "BEGIN adams.log_it('wrong owner'); END;", 6550},
      {"adams", "BEGIN scott.log_it('definer'); END;", 0},
      {"adams", "INSERT INTO scott.audit_log VALUES ('direct')", 942},
      {"adams", "COMMIT", 0},
  });
  EXPECT_NE(Code("adams", "BEGIN log_as_caller('invoker'); END;"), 0);
  EXPECT_EQ(One("scott", "SELECT COUNT(*) || ' ' || MAX(msg) FROM audit_log"), "1 definer");
  // A unit's grants go with it; CREATE OR REPLACE keeps them.
  Steps({
      {"scott", "CREATE OR REPLACE PROCEDURE log_as_caller (m VARCHAR2) IS BEGIN NULL; END;", 0},
      {"adams", "BEGIN scott.log_as_caller('kept'); END;", 0},
      {"scott", "DROP PROCEDURE log_it", 0},
      {"scott", "CREATE PROCEDURE log_it (m VARCHAR2) IS BEGIN NULL; END;", 0},
      {"adams", "BEGIN scott.log_it('gone'); END;", 6550},
  });
}

// A package is there for a holder of EXECUTE on it, by its name or its
// owner's (owner.pkg.sub) from PL/SQL and SQL alike; seen through another
// privilege it is refused by name. Its members, and a trigger's body, run
// with their owner's rights: a user inserting into another's table whose
// trigger writes a table the user cannot reach still inserts.
TEST_F(PrivilegesTest, PackagesNeedExecuteAndTriggersRunWithTheirOwnersRights) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT TO adams", 0},
      {"scott", "CREATE TABLE audit_log (msg VARCHAR2(20))", 0},
      {"scott", "CREATE PACKAGE pk AS limit_n NUMBER := 7; FUNCTION f (x NUMBER) RETURN NUMBER; "
                "PROCEDURE p (m VARCHAR2); END;",
       0},
      {"scott", "CREATE PACKAGE BODY pk AS FUNCTION f (x NUMBER) RETURN NUMBER IS BEGIN RETURN x + 1; END; "
                "PROCEDURE p (m VARCHAR2) IS BEGIN INSERT INTO audit_log VALUES (m); END; END;",
       0},
      {"scott", "CREATE PACKAGE pk_caller AUTHID CURRENT_USER AS PROCEDURE p (m VARCHAR2); END;", 0},
      {"scott", "CREATE PACKAGE BODY pk_caller AS PROCEDURE p (m VARCHAR2) IS BEGIN "
                "INSERT INTO scott.audit_log VALUES (m); END; END;",
       0},
      {"scott", "SELECT scott.pk.f(1) FROM dual", 0},
      {"scott", "BEGIN scott.pk.p('owner'); END;", 0},
      {"adams", "SELECT scott.pk.f(1) FROM dual", 904},
      {"adams", "SELECT pk.f(1) FROM dual", 904},
      {"adams", "BEGIN scott.pk.p('denied'); END;", 6550},
      {"adams", "BEGIN pk.p('denied'); END;", 6550},
      {"scott", "GRANT DEBUG ON pk TO adams", 0},
      {"adams", "SELECT scott.pk.f(1) FROM dual", 1031},
      {"adams", "BEGIN scott.pk.p('denied'); END;", 6550},
      {"scott", "GRANT EXECUTE ON pk TO adams", 0},
      {"scott", "GRANT EXECUTE ON pk_caller TO adams", 0},
      {"adams", "BEGIN scott.pk.p('definer'); END;", 0},
      {"adams", "BEGIN IF scott.pk.limit_n * 2 <> 14 THEN RAISE NO_DATA_FOUND; END IF; END;", 0},
      // Another schema's unit needs its schema's name or a synonym.
      {"adams", "BEGIN IF pk.limit_n <> 7 THEN NULL; END IF; END;", 6550},
      {"adams", "BEGIN pk_caller.p('invoker'); END;", 6550},
      {"adams", "BEGIN scott.pk_caller.p('invoker'); END;", 942},
      {"adams", "INSERT INTO scott.audit_log VALUES ('direct')", 942},
      {"adams", "COMMIT", 0},
      {"scott", "CREATE TABLE t (id NUMBER, v VARCHAR2(10))", 0},
      {"scott", "CREATE SEQUENCE t_seq", 0},
      {"scott", "CREATE TRIGGER t_key BEFORE INSERT ON t FOR EACH ROW BEGIN :NEW.id := t_seq.NEXTVAL; "
                "INSERT INTO audit_log VALUES ('row ' || :NEW.id || ' ' || USER); END;",
       0},
      {"scott", "CREATE TRIGGER t_stmt AFTER INSERT ON t BEGIN INSERT INTO audit_log VALUES ('statement'); END;",
       0},
      {"adams", "INSERT INTO scott.t (v) VALUES ('a')", 942},
      {"scott", "GRANT INSERT ON t TO adams", 0},
      {"adams", "INSERT INTO scott.t (v) VALUES ('a')", 0},
      {"adams", "COMMIT", 0},
      {"scott", "REVOKE EXECUTE ON pk FROM adams", 0},
      {"adams", "SELECT scott.pk.f(1) FROM dual", 1031},
  });
  EXPECT_EQ(As("adams").Run("BEGIN scott.pk.p('revoked'); END;"), OCI_ERROR);
  EXPECT_NE(As("adams").ErrorText().find("PLS-00904: insufficient privilege to access object SCOTT.PK"),
            std::string::npos)
      << As("adams").ErrorText();
  EXPECT_EQ(One("scott", "SELECT LISTAGG(msg, '|') WITHIN GROUP (ORDER BY msg) FROM audit_log"),
            "definer|owner|row 1 ADAMS|statement");
  EXPECT_EQ(One("scott", "SELECT id || v FROM t"), "1a");
}

// Each schema has its own procedures, functions and packages: an
// unqualified name is the current schema's unit, else a synonym's; another
// schema's unit is named with its schema, and needs EXECUTE.
TEST_F(PrivilegesTest, EachSchemaHasItsOwnStoredUnits) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT, RESOURCE, CREATE SYNONYM TO adams", 0},
      {"scott", "CREATE FUNCTION f RETURN NUMBER IS BEGIN RETURN 1; END;", 0},
      {"scott", "CREATE PACKAGE pk AS FUNCTION g RETURN NUMBER; END;", 0},
      {"scott", "CREATE PACKAGE BODY pk AS FUNCTION g RETURN NUMBER IS BEGIN RETURN 10; END; END;", 0},
      {"scott", "CREATE FUNCTION hidden RETURN NUMBER IS BEGIN RETURN 0; END;", 0},
      {"scott", "CREATE PROCEDURE hidden_p IS BEGIN NULL; END;", 0},
      // Kept INVALID: PLS-00201 for the unit it may not run.
      {"adams", "CREATE PROCEDURE r IS BEGIN scott.hidden_p; END;", 24344},
      {"adams", "SELECT f FROM dual", 904},
      {"adams", "SELECT scott.f FROM dual", 904},
      {"adams", "BEGIN IF f = 1 THEN NULL; END IF; END;", 6550},
      {"scott", "GRANT EXECUTE ON f TO adams", 0},
      {"scott", "GRANT EXECUTE ON pk TO adams", 0},
      {"scott", "GRANT SELECT ON f TO adams", 2225},
      {"scott", "CREATE TABLE t (x NUMBER)", 0},
      {"scott", "GRANT EXECUTE ON t TO adams", 2224},
      // A grant does not make the name the caller's.
      {"adams", "SELECT f FROM dual", 904},
      {"adams", "BEGIN IF pk.g = 10 THEN NULL; END IF; END;", 6550},
      // The same names in adams's schema.
      {"adams", "CREATE FUNCTION f RETURN NUMBER IS BEGIN RETURN 2; END;", 0},
      {"adams", "CREATE PACKAGE pk AS FUNCTION g RETURN NUMBER; END;", 0},
      {"adams", "CREATE PACKAGE BODY pk AS FUNCTION g RETURN NUMBER IS BEGIN RETURN 20; END; END;", 0},
      {"adams", "CREATE TABLE tally (n NUMBER)", 0},
      {"adams", "CREATE PROCEDURE tally IS BEGIN NULL; END;", 955},
      {"adams", "CREATE SYNONYM h FOR scott.hidden", 0},
      {"scott", "CREATE PUBLIC SYNONYM pub_f FOR scott.f", 0},
  });
  EXPECT_EQ(One("adams", "SELECT f || '/' || scott.f || '/' || pk.g || '/' || scott.pk.g || '/' || "
                         "pub_f FROM dual"),
            "2/1/20/10/1");
  ASSERT_EQ(Code("adams", "BEGIN INSERT INTO tally VALUES (f * 100 + scott.f * 10 + "
                          "scott.pk.g); END;"),
            0)
      << As("adams").ErrorText();
  EXPECT_EQ(One("adams", "SELECT n FROM tally"), "220");
  ASSERT_EQ(Code("adams", "COMMIT"), 0);
  // A synonym leads to the unit, which still needs EXECUTE; ALL_ views show
  // only the units the user may reach.
  Steps({{"adams", "SELECT h FROM dual", 904},
         {"adams", "SELECT scott.hidden FROM dual", 904}});
  EXPECT_EQ(One("adams", "SELECT LISTAGG(owner || '.' || object_name, ',') WITHIN GROUP (ORDER BY "
                         "owner, object_name) FROM all_procedures WHERE procedure_name IS NULL"),
            "ADAMS.F,ADAMS.PK,ADAMS.R,SCOTT.F,SCOTT.PK");
  // DDL works in the named schema, else the current one.
  Steps({{"scott", "ALTER SESSION SET CURRENT_SCHEMA = adams", 0},
         {"scott", "DROP FUNCTION f", 0},
         {"scott", "ALTER SESSION SET CURRENT_SCHEMA = scott", 0},
         {"scott", "CREATE PROCEDURE adams.q IS BEGIN NULL; END;", 0},
         {"adams", "DROP FUNCTION f", 4043},
         {"adams", "DROP FUNCTION scott.f", 1031},
         {"adams", "DROP PROCEDURE q", 0},
         {"adams", "DROP PACKAGE pk", 0}});
  EXPECT_EQ(One("adams", "SELECT scott.f || scott.pk.g FROM dual"), "110");
  EXPECT_EQ(One("scott", "SELECT f || pk.g FROM dual"), "110");
}

TEST_F(PrivilegesTest, AccountsLockExpireAndDropWithTheirObjects) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw DEFAULT TABLESPACE users TEMPORARY "
                "TABLESPACE temp QUOTA UNLIMITED ON users PROFILE default ACCOUNT UNLOCK",
       0},
      {"scott", "GRANT CONNECT, RESOURCE TO adams", 0},
      {"scott", "ALTER USER adams ACCOUNT LOCK", 0},
  });
  {
    Session locked(dir.File("p.db"), "adams", "pw");
    EXPECT_EQ(locked.ErrorCode(), 28000) << locked.ErrorText();
  }
  Steps({{"scott", "ALTER USER adams ACCOUNT UNLOCK", 0},
         {"scott", "ALTER USER adams PASSWORD EXPIRE", 0}});
  {
    Session expired(dir.File("p.db"), "adams", "pw");
    EXPECT_EQ(expired.ErrorCode(), 28001) << expired.ErrorText();
  }
  Steps({{"scott", "ALTER USER adams IDENTIFIED BY pw", 0}});
  // Ten wrong passwords in a row lock the account, for the DEFAULT
  // profile's day.
  for (int i = 0; i < 10; ++i) {
    Session wrong(dir.File("p.db"), "adams", "nope");
    EXPECT_EQ(wrong.ErrorCode(), 1017);
  }
  {
    Session right(dir.File("p.db"), "adams", "pw");
    EXPECT_EQ(right.ErrorCode(), 28000) << right.ErrorText();
  }
  EXPECT_EQ(One("scott", "SELECT account_status FROM dba_users WHERE username = 'ADAMS'"),
            "LOCKED(TIMED)");
  Steps({
      {"scott", "ALTER USER adams ACCOUNT UNLOCK", 0},
      {"adams", "CREATE TABLE owned (a NUMBER)", 0},
      {"adams", "CREATE SEQUENCE owned_seq", 0},
  });
  sessions.erase("adams");
  Steps({
      {"scott", "DROP USER adams", 1922},
      {"scott", "DROP USER adams CASCADE", 0},
      {"scott", "CREATE TABLE owned (b NUMBER)", 0},  // the name is free again
  });
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM all_users WHERE username = 'ADAMS'"), "0");
}

// Profiles: the statements with their errors and privileges, DBA_PROFILES,
// and the failed-logon lock each profile's limits make.
TEST_F(PrivilegesTest, ProfilesLockAfterTheirAttemptsForTheirTime) {
  Steps({
      {"scott", "CREATE PROFILE three LIMIT FAILED_LOGIN_ATTEMPTS 3 PASSWORD_LOCK_TIME 1/86400 "
                "PASSWORD_LIFE_TIME UNLIMITED SESSIONS_PER_USER 2 PRIVATE_SGA 15K "
                "PASSWORD_VERIFY_FUNCTION NULL", 0},
      {"scott", "CREATE PROFILE three LIMIT FAILED_LOGIN_ATTEMPTS 4", 2379},
      {"scott", "CREATE PROFILE open LIMIT FAILED_LOGIN_ATTEMPTS UNLIMITED CONTAINER = CURRENT", 0},
      {"scott", "CREATE PROFILE forever LIMIT FAILED_LOGIN_ATTEMPTS 1 PASSWORD_LOCK_TIME UNLIMITED",
       0},
      {"scott", "CREATE PROFILE bad LIMIT FAILED_LOGIN_ATTEMPTS 0", 2377},
      {"scott", "CREATE PROFILE bad LIMIT INACTIVE_ACCOUNT_TIME 14", 2377},
      {"scott", "CREATE PROFILE bad LIMIT PASSWORD_LOCK_TIME -1/24", 2377},
      {"scott", "CREATE PROFILE bad LIMIT IDLE_TIME 3 IDLE_TIME 4", 2378},
      {"scott", "CREATE PROFILE bad LIMIT WHATEVER 3", 2376},
      {"scott", "CREATE PROFILE bad", 922},
      {"scott", "DROP PROFILE DEFAULT", 931},
      {"scott", "DROP PROFILE \"DEFAULT\"", 2381},
      {"scott", "ALTER PROFILE DEFAULT LIMIT FAILED_LOGIN_ATTEMPTS DEFAULT", 2377},
      {"scott", "ALTER PROFILE missing LIMIT FAILED_LOGIN_ATTEMPTS 3", 2380},
      {"scott", "DROP PROFILE missing", 2380},
      {"scott", "CREATE USER adams IDENTIFIED BY pw PROFILE missing", 2380},
      {"scott", "CREATE USER adams IDENTIFIED BY pw PROFILE three", 0},
      {"scott", "CREATE USER blake IDENTIFIED BY pw PROFILE open", 0},
      {"scott", "CREATE USER clark IDENTIFIED BY pw PROFILE default", 0},
      {"scott", "ALTER USER clark PROFILE forever", 0},
      {"scott", "CREATE USER dave IDENTIFIED BY pw PROFILE three ACCOUNT LOCK", 0},
      {"scott", "GRANT CREATE SESSION TO adams, blake, clark, dave", 0},
      {"adams", "CREATE PROFILE mine LIMIT IDLE_TIME 5", 1031},
      {"adams", "ALTER PROFILE three LIMIT FAILED_LOGIN_ATTEMPTS 99", 1031},
      {"adams", "DROP PROFILE open", 1031},
      {"adams", "ALTER USER adams PROFILE open", 1031},
      {"scott", "GRANT CREATE PROFILE TO adams", 0},
      {"adams", "CREATE PROFILE mine LIMIT IDLE_TIME 5", 0},
  });
  sessions.erase("adams");
  const std::string limit =
      "SELECT LISTAGG(resource_name || '=' || limit || ':' || resource_type, ' ') WITHIN GROUP "
      "(ORDER BY resource_name) FROM dba_profiles WHERE profile = ";
  EXPECT_EQ(One("scott", limit + "'THREE' AND resource_name IN ('FAILED_LOGIN_ATTEMPTS', "
                         "'PASSWORD_LOCK_TIME', 'PRIVATE_SGA', 'IDLE_TIME')"),
            "FAILED_LOGIN_ATTEMPTS=3:PASSWORD IDLE_TIME=DEFAULT:KERNEL "
            "PASSWORD_LOCK_TIME=.000011574:PASSWORD PRIVATE_SGA=15360:KERNEL");
  EXPECT_EQ(One("scott", limit + "'DEFAULT' AND resource_name IN ('FAILED_LOGIN_ATTEMPTS', "
                         "'PASSWORD_LOCK_TIME', 'PASSWORD_LIFE_TIME', 'CPU_PER_CALL')"),
            "CPU_PER_CALL=UNLIMITED:KERNEL FAILED_LOGIN_ATTEMPTS=10:PASSWORD "
            "PASSWORD_LIFE_TIME=180:PASSWORD PASSWORD_LOCK_TIME=1:PASSWORD");
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM dba_profiles WHERE profile = 'OPEN'"), "17");
  EXPECT_EQ(One("blake", "SELECT COUNT(*) FROM dba_profiles"), "0");
  sessions.erase("blake");

  // 0 when `user` logs on with `password`, else the Oracle error.
  const auto logon = [&](const char *user, const char *password) {
    Session s(dir.File("p.db"), user, password);
    return s.ok() ? 0 : s.ErrorCode();
  };
  const auto status = [&](const char *user) {
    return One("scott", std::string("SELECT account_status || ' ' || profile FROM dba_users "
                                    "WHERE username = '") + user + "'");
  };
  // A right password sets the count back; the third wrong one in a row
  // locks.
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(logon("adams", "nope"), 1017);
    EXPECT_EQ(logon("adams", "nope"), 1017);
    EXPECT_EQ(logon("adams", "pw"), 0);
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(logon("adams", "nope"), 1017);
  EXPECT_EQ(logon("adams", "pw"), 28000);
  EXPECT_EQ(status("ADAMS"), "LOCKED(TIMED) THREE");
  // UNLIMITED never locks; one attempt locks for good.
  for (int i = 0; i < 12; ++i) EXPECT_EQ(logon("blake", "nope"), 1017);
  EXPECT_EQ(logon("blake", "pw"), 0);
  EXPECT_EQ(logon("clark", "nope"), 1017);
  EXPECT_EQ(logon("clark", "pw"), 28000);

  // A second is PASSWORD_LOCK_TIME 1/86400: the timed lock has ended,
  // the others hold.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(status("ADAMS"), "OPEN THREE");
  EXPECT_EQ(status("CLARK"), "LOCKED(TIMED) FOREVER");
  EXPECT_EQ(status("DAVE"), "LOCKED THREE");
  EXPECT_EQ(logon("dave", "pw"), 28000);
  EXPECT_EQ(logon("clark", "pw"), 28000);
  // The count starts again once the lock has ended.
  EXPECT_EQ(logon("adams", "nope"), 1017);
  EXPECT_EQ(logon("adams", "pw"), 0);

  // DEFAULT in a profile is the DEFAULT profile's limit.
  Steps({{"scott", "ALTER PROFILE three LIMIT FAILED_LOGIN_ATTEMPTS DEFAULT", 0}});
  for (int i = 0; i < 3; ++i) EXPECT_EQ(logon("adams", "nope"), 1017);
  EXPECT_EQ(logon("adams", "pw"), 0);

  Steps({
      {"scott", "ALTER USER clark ACCOUNT UNLOCK", 0},
      {"scott", "DROP PROFILE three", 2382},
      {"scott", "DROP PROFILE three CASCADE", 0},
      {"scott", "CREATE PROFILE unused LIMIT CONNECT_TIME 45", 0},
      {"scott", "DROP PROFILE unused", 0},
      {"scott", "ALTER USER clark PROFILE unused", 2380},
  });
  EXPECT_EQ(logon("clark", "pw"), 0);
  EXPECT_EQ(status("ADAMS"), "OPEN DEFAULT");
  EXPECT_EQ(status("DAVE"), "LOCKED DEFAULT");
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM dba_profiles WHERE profile IN ('THREE', 'UNUSED')"),
            "0");
}

// A database of the format before profiles: its accounts keep their locks
// until the upgrade, then are on DEFAULT, and DBA may make profiles.
TEST(EnginePrivilegesUpgrade, AccountsGetTheDefaultProfile) {
  TempDir dir;
  const std::string path = dir.File("old.db");
  {
    Session owner(dir.CreateLink("old.db"), "scott", "tiger");
    ASSERT_TRUE(owner.ok());
    for (const char *sql : {"CREATE USER adams IDENTIFIED BY pw", "CREATE USER blake IDENTIFIED BY pw",
                            "GRANT CREATE SESSION TO adams, blake", "ALTER USER adams ACCOUNT LOCK"}) {
      ASSERT_EQ(owner.Run(sql), OCI_SUCCESS) << sql << ": " << owner.ErrorText();
    }
    owner.End();
  }
  sqlite3 *db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "DROP TABLE \"kestrel$profiles\"; "
                         "ALTER TABLE \"kestrel$users\" DROP COLUMN profile; "
                         "ALTER TABLE \"kestrel$users\" DROP COLUMN locked_at; "
                         "DELETE FROM \"kestrel$sys_privs\" WHERE privilege LIKE '% PROFILE'; "
                         "PRAGMA user_version = 14",
                         nullptr, nullptr, nullptr),
            SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
  {
    // Refused before any upgrade: the lock holds, a wrong password counts.
    Session locked(path, "adams", "pw");
    EXPECT_EQ(locked.ErrorCode(), 28000) << locked.ErrorText();
    Session wrong(path, "blake", "nope");
    EXPECT_EQ(wrong.ErrorCode(), 1017) << wrong.ErrorText();
  }
  Session owner(path, "scott", "tiger");
  ASSERT_TRUE(owner.ok()) << owner.ErrorText();
  const Rows users = owner.Query(
      "SELECT username || ' ' || account_status || ' ' || profile FROM dba_users WHERE username "
      "IN ('ADAMS', 'BLAKE') ORDER BY 1");
  ASSERT_EQ(users.size(), 2u);
  EXPECT_EQ(*users[0][0], "ADAMS LOCKED DEFAULT");
  EXPECT_EQ(*users[1][0], "BLAKE OPEN DEFAULT");
  EXPECT_EQ(owner.Run("CREATE PROFILE two LIMIT FAILED_LOGIN_ATTEMPTS 2"), OCI_SUCCESS)
      << owner.ErrorText();
  EXPECT_EQ(owner.Run("ALTER USER blake PROFILE two"), OCI_SUCCESS) << owner.ErrorText();
  {
    // The failure counted before the upgrade is the first of two.
    Session wrong(path, "blake", "nope");
    EXPECT_EQ(wrong.ErrorCode(), 1017);
  }
  Session blake(path, "blake", "pw");
  EXPECT_EQ(blake.ErrorCode(), 28000) << blake.ErrorText();
}

// The claiming account becomes an administrator whatever its name holds.
TEST(EnginePrivilegesClaim, TheFirstAccountHoldsDbaWhateverItsName) {
  TempDir dir;
  Session first(dir.CreateLink("q.db"), "o'brien", "pw");
  ASSERT_TRUE(first.ok()) << first.ErrorText();
  EXPECT_EQ(first.Run("CREATE USER adams IDENTIFIED BY pw"), OCI_SUCCESS) << first.ErrorText();
}

// A database made before privileges: its plain accounts keep what they
// could do, on the objects that were there.
TEST(EnginePrivilegesUpgrade, OlderAccountsKeepTheirReach) {
  TempDir dir;
  const std::string path = dir.File("old.db");
  {
    Session owner(dir.CreateLink("old.db"), "scott", "tiger");
    ASSERT_TRUE(owner.ok());
    ASSERT_EQ(owner.Run("CREATE USER adams IDENTIFIED BY pw"), OCI_SUCCESS);
    ASSERT_EQ(owner.Run("CREATE TABLE dept (deptno NUMBER(2))"), OCI_SUCCESS);
    ASSERT_EQ(owner.Run("CREATE SEQUENCE dept_seq"), OCI_SUCCESS);
    owner.End();
  }
  // What a version 10 file held: no privilege tables, accounts of name,
  // hash and administrator flag.
  sqlite3 *db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "DROP TRIGGER \"kestrel$grant_changes$objects$DELETE\"; "
                         "DROP TRIGGER \"kestrel$grant_changes$sequences$DELETE\"; "
                         "DROP TABLE \"kestrel$grant_changes\"; "
                         "DROP TABLE \"kestrel$roles\"; DROP TABLE \"kestrel$sys_privs\"; "
                         "DROP TABLE \"kestrel$role_privs\"; DROP TABLE \"kestrel$tab_privs\"; "
                         "ALTER TABLE \"kestrel$users\" DROP COLUMN locked; "
                         "ALTER TABLE \"kestrel$users\" DROP COLUMN expired; "
                         "ALTER TABLE \"kestrel$users\" DROP COLUMN failed; "
                         "ALTER TABLE \"kestrel$users\" DROP COLUMN created; "
                         "ALTER TABLE \"kestrel$users\" DROP COLUMN default_tablespace; "
                         "PRAGMA user_version = 10",
                         nullptr, nullptr, nullptr),
            SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
  Session plain(path, "adams", "pw");
  ASSERT_TRUE(plain.ok()) << plain.ErrorText();
  for (const char *sql : {"INSERT INTO dept VALUES (10)", "UPDATE dept SET deptno = 20",
                          "SELECT scott.dept_seq.NEXTVAL FROM dual", "DELETE FROM dept",
                          "CREATE TABLE mine (a NUMBER)", "CREATE VIEW mine_v AS SELECT a FROM mine"}) {
    EXPECT_EQ(plain.Run(sql), OCI_SUCCESS) << sql << ": " << plain.ErrorText();
  }
  Session owner(path, "scott", "tiger");
  ASSERT_TRUE(owner.ok()) << owner.ErrorText();
  EXPECT_EQ(owner.Run("CREATE USER blake IDENTIFIED BY pw"), OCI_SUCCESS) << owner.ErrorText();
  const Rows version = owner.Query("SELECT COUNT(*) FROM user_role_privs WHERE granted_role = 'DBA'");
  ASSERT_EQ(version.size(), 1u);
  EXPECT_EQ(*version[0][0], "1");
}

// Each schema has its own namespace: two schemas' tables of one name live
// side by side, each reached unqualified by its own schema only.
TEST_F(PrivilegesTest, EachSchemaHasItsOwnNamespace) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT, RESOURCE, CREATE VIEW TO adams", 0},
      {"scott", "CREATE TABLE dept (deptno NUMBER(2))", 0},
      {"scott", "INSERT INTO dept VALUES (10)", 0},
      {"scott", "COMMIT", 0},
      {"adams", "CREATE TABLE dept (dname VARCHAR2(5) PRIMARY KEY)", 0},
      {"adams", "CREATE TABLE dept (x NUMBER)", 955},
      {"adams", "CREATE INDEX dept_i ON dept (dname)", 0},
      {"scott", "CREATE INDEX dept_i ON dept (deptno)", 0},
      {"adams", "INSERT INTO dept VALUES ('MINE')", 0},
      {"adams", "INSERT INTO dept VALUES ('MINE')", 1},
      {"adams", "COMMIT", 0},
      // Another schema's table only by its schema's name, with a grant.
      {"adams", "SELECT deptno FROM scott.dept", 942},
      {"scott", "GRANT SELECT ON dept TO adams", 0},
      {"adams", "SELECT deptno FROM dept", 904},
      {"adams", "INSERT INTO scott.dept VALUES (20)", 1031},
      {"adams", "DROP TABLE scott.dept", 1031},
      {"scott", "GRANT INSERT ON adams.dept TO scott", 1749},
      // The separator of stored names is no part of a table's name.
      {"adams", "CREATE TABLE \"A.B\" (x NUMBER)", 903},
      {"adams", "CREATE VIEW dept_v AS SELECT dname FROM dept", 0},
      {"adams", "COMMENT ON TABLE dept IS 'adams''s'", 0},
      {"adams", "COMMENT ON TABLE scott.dept IS 'not mine'", 1031},
      {"scott", "CREATE TABLE secret (a NUMBER)", 0},
      {"scott", "CREATE TABLE vt (a NUMBER, v AS (a + 1))", 0},
      {"adams", "CREATE TABLE vt (a NUMBER, v NUMBER)", 0},
      {"adams", "COMMENT ON COLUMN scott.secret.a IS 'unseen'", 942},
      {"scott", "ALTER SESSION SET CURRENT_SCHEMA = nobody", 1435},
      {"scott", "ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY' CURRENT_SCHEMA = nobody", 1435},
      {"adams", "CREATE TABLE scott.t (a NUMBER)", 1031},
      {"scott", "CREATE TABLE nobody.t (a NUMBER)", 1918},
  });
  struct Case {
    const char *user, *sql, *expected;
  };
  for (const Case &c : std::initializer_list<Case>{
           {"adams", "SELECT dname FROM dept", "MINE"},
           {"adams", "SELECT deptno FROM scott.dept", "10"},
           {"adams", "SELECT dname FROM adams.dept_v", "MINE"},
           {"scott", "SELECT deptno FROM dept", "10"},
           {"scott", "SELECT dname FROM adams.dept", "MINE"},
           {"scott", "SELECT COUNT(*) FROM all_tables WHERE table_name = 'DEPT'", "2"},
           {"scott", "SELECT COUNT(*) FROM all_objects WHERE object_name = 'DEPT'", "2"},
           {"adams", "SELECT MIN(owner) || MAX(owner) FROM all_tables WHERE table_name = 'DEPT'",
            "ADAMSSCOTT"},
           {"adams", "SELECT COUNT(*) FROM user_tables WHERE table_name = 'DEPT'", "1"},
           {"adams", "SELECT table_name || comments FROM user_tab_comments WHERE comments IS NOT NULL",
            "DEPTadams's"},
           {"scott", "SELECT COUNT(*) FROM user_tab_comments WHERE comments IS NOT NULL", "0"},
           {"adams", "SELECT table_name || index_name FROM user_indexes WHERE index_name = 'DEPT_I'",
            "DEPTDEPT_I"},
           {"adams", "SELECT table_name FROM user_constraints", "DEPT"},
           {"adams", "SELECT COUNT(*) FROM user_tab_columns WHERE table_name = 'DEPT'", "1"},
           {"adams", "SELECT virtual_column FROM user_tab_cols WHERE column_name = 'V'", "NO"},
           {"scott", "SELECT virtual_column FROM user_tab_cols WHERE column_name = 'V'", "YES"},
           {"scott", "SELECT virtual_column FROM all_tab_cols WHERE owner = 'ADAMS' AND "
                     "column_name = 'V'", "NO"},
           {"adams", "SELECT owner || table_name FROM all_tab_privs WHERE grantee = 'ADAMS'",
            "SCOTTDEPT"},
       }) {
    EXPECT_EQ(One(c.user, c.sql), c.expected) << c.user << ": " << c.sql;
  }
  // Errors name Oracle's table, not the stored one.
  EXPECT_EQ(Code("adams", "INSERT INTO dept VALUES ('TOO LONG')"), 12899);
  EXPECT_NE(As("adams").ErrorText().find("\"ADAMS\".\"DEPT\".\"DNAME\""), std::string::npos)
      << As("adams").ErrorText();
  ASSERT_EQ(Code("adams", "ROLLBACK"), 0);
  // CURRENT_SCHEMA decides where unqualified names resolve and new
  // objects go.
  Steps({{"scott", "ALTER SESSION SET CURRENT_SCHEMA = adams", 0},
         {"scott", "CREATE TABLE made_here (a NUMBER)", 0}});
  EXPECT_EQ(One("scott", "SELECT dname FROM dept"), "MINE");
  EXPECT_EQ(One("scott", "SELECT SYS_CONTEXT('USERENV', 'CURRENT_SCHEMA') FROM dual"), "ADAMS");
  Steps({{"scott", "ALTER SESSION SET CURRENT_SCHEMA = scott", 0},
         {"scott", "SELECT a FROM made_here", 942},
         {"adams", "INSERT INTO made_here VALUES (1)", 0}});
  EXPECT_EQ(One("scott", "SELECT TO_CHAR(DATE '2020-01-02') FROM dual"), "02-JAN-20");
  // DDL works in the named schema, and leaves the other's table alone.
  Steps({{"adams", "ALTER TABLE dept RENAME TO d2", 0},
         {"adams", "SELECT COUNT(*) FROM d2", 0},
         {"adams", "ALTER TABLE d2 RENAME TO dept", 0},
         {"adams", "DROP INDEX dept_i", 0},
         {"adams", "DROP INDEX dept_i", 1418},
         {"adams", "TRUNCATE TABLE dept", 0},
         {"adams", "ALTER TABLE dept ADD (loc VARCHAR2(5))", 0},
         {"adams", "INSERT INTO dept VALUES ('NEW', 'HERE')", 0},
         {"adams", "COMMIT", 0},
         {"scott", "ALTER TABLE adams.dept ADD (budget NUMBER)", 0},
         {"adams", "DROP VIEW dept_v", 0},
         {"adams", "DROP TABLE dept", 0},
         {"adams", "SELECT COUNT(*) FROM dept", 942}});
  EXPECT_EQ(One("scott", "SELECT deptno FROM dept"), "10");
  EXPECT_EQ(One("scott", "SELECT table_name FROM user_indexes WHERE index_name = 'DEPT_I'"), "DEPT");
  // Sequences too.
  Steps({{"scott", "CREATE SEQUENCE s START WITH 10", 0},
         {"adams", "CREATE SEQUENCE s START WITH 100", 0},
         {"adams", "CREATE SEQUENCE s", 955},
         {"adams", "SELECT scott.s.NEXTVAL FROM dual", 2289}});
  EXPECT_EQ(One("adams", "SELECT s.NEXTVAL FROM dual"), "100");
  EXPECT_EQ(One("scott", "SELECT s.NEXTVAL FROM dual"), "10");
  EXPECT_EQ(Code("scott", "SELECT adams.s.CURRVAL FROM dual"), 8002);
  EXPECT_EQ(As("scott").ErrorText(),
            "ORA-08002: sequence S.CURRVAL is not yet defined in this session");
  EXPECT_EQ(Code("adams", "CREATE SEQUENCE \"A.B\""), 2277);
  EXPECT_EQ(One("adams", "SELECT sequence_name FROM user_sequences"), "S");
  Steps({{"adams", "ALTER SEQUENCE s INCREMENT BY 5", 0},
         {"adams", "DROP SEQUENCE s", 0},
         {"adams", "DROP SEQUENCE s", 2289}});
  EXPECT_EQ(One("scott", "SELECT s.NEXTVAL FROM dual"), "11");
}

// An unqualified name is the current schema's object, else its private
// synonym, else a PUBLIC synonym; definer's code resolves in its owner's.
TEST_F(PrivilegesTest, UnqualifiedNamesResolveAsOraclesDo) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "CREATE USER hr IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT, RESOURCE, CREATE SYNONYM TO adams, hr", 0},
      {"scott", "CREATE TABLE names (who VARCHAR2(5))", 0},
      {"scott", "INSERT INTO names VALUES ('SCOTT')", 0},
      {"scott", "COMMIT", 0},
      {"hr", "CREATE TABLE names (who VARCHAR2(5))", 0},
      {"hr", "INSERT INTO names VALUES ('HR')", 0},
      {"hr", "COMMIT", 0},
      // Granted, yet not found unqualified.
      {"scott", "GRANT SELECT ON names TO PUBLIC", 0},
      {"hr", "GRANT SELECT ON names TO adams", 0},
      {"adams", "SELECT who FROM names", 942},
      {"scott", "CREATE PUBLIC SYNONYM names FOR scott.names", 0},
  });
  EXPECT_EQ(One("adams", "SELECT who FROM names"), "SCOTT");
  EXPECT_EQ(One("hr", "SELECT who FROM names"), "HR");
  Steps({{"adams", "CREATE SYNONYM names FOR hr.names", 0},
         {"adams", "CREATE TABLE names (who VARCHAR2(5))", 955}});
  EXPECT_EQ(One("adams", "SELECT who FROM names"), "HR");
  Steps({{"adams", "DROP SYNONYM names", 0},
         {"adams", "CREATE TABLE names (who VARCHAR2(5))", 0},
         {"adams", "INSERT INTO names VALUES ('ADAMS')", 0},
         {"adams", "COMMIT", 0}});
  EXPECT_EQ(One("adams", "SELECT who FROM names"), "ADAMS");
  // A definer's-rights function reads its owner's table whoever calls it.
  Steps({{"adams",
          "CREATE FUNCTION whose RETURN VARCHAR2 IS r VARCHAR2(5); BEGIN SELECT who INTO r "
          "FROM names; RETURN r; END;",
          0},
         {"adams", "GRANT EXECUTE ON whose TO hr", 0}});
  EXPECT_EQ(One("hr", "SELECT adams.whose FROM dual"), "ADAMS");
  EXPECT_EQ(One("hr", "SELECT who FROM names"), "HR");
  // Its owner's schema whatever the caller's CURRENT_SCHEMA, its owner's too.
  ASSERT_EQ(Code("adams", "ALTER SESSION SET CURRENT_SCHEMA = hr"), 0);
  EXPECT_EQ(One("adams", "SELECT who FROM names"), "HR");
  EXPECT_EQ(One("adams", "SELECT adams.whose FROM dual"), "ADAMS");
}

// DROP USER CASCADE of a schema whose names shadow another's, and of the
// one holding the plain names.
TEST_F(PrivilegesTest, DroppingASchemaLeavesTheOthersOfItsNames) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "CREATE USER hr IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT, RESOURCE TO adams, hr", 0},
      {"hr", "CREATE TABLE t (a NUMBER PRIMARY KEY)", 0},
      {"adams", "CREATE TABLE t (a NUMBER PRIMARY KEY)", 0},
      // Its triggers and keys are on its own table of the name.
      {"adams", "CREATE TABLE log (a NUMBER)", 0},
      {"adams", "CREATE TRIGGER t_ai AFTER INSERT ON t FOR EACH ROW BEGIN INSERT INTO log "
                "VALUES (:NEW.a); END;", 0},
      {"adams", "CREATE TABLE c (a NUMBER REFERENCES t)", 0},
      {"adams", "INSERT INTO t VALUES (1)", 0},
      {"adams", "INSERT INTO c VALUES (1)", 0},
      {"adams", "INSERT INTO c VALUES (9)", 2291},
      {"adams", "COMMIT", 0},
      {"scott", "CREATE TABLE t (a NUMBER PRIMARY KEY)", 0},
      {"scott", "INSERT INTO t VALUES (2)", 0},
      {"scott", "COMMIT", 0},
      {"hr", "INSERT INTO t VALUES (4)", 0},
      {"hr", "COMMIT", 0},
  });
  EXPECT_EQ(One("adams", "SELECT SUM(a) FROM log"), "1");
  EXPECT_EQ(One("adams", "SELECT table_name FROM user_triggers"), "T");
  sessions.erase("hr");
  Steps({{"scott", "DROP USER hr CASCADE", 0},
         {"adams", "INSERT INTO t VALUES (3)", 0},
         {"adams", "COMMIT", 0}});
  sessions.erase("adams");
  Steps({{"scott", "DROP USER adams CASCADE", 0}});
  EXPECT_EQ(One("scott", "SELECT SUM(a) FROM t"), "2");
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM all_objects WHERE object_name = 'T'"), "1");
  Steps({{"scott", "CREATE USER hr IDENTIFIED BY pw", 0},
         {"scott", "GRANT CONNECT, RESOURCE TO hr", 0},
         {"hr", "CREATE TABLE t (b VARCHAR2(3))", 0},
         {"hr", "INSERT INTO t VALUES ('new')", 0}});
  EXPECT_EQ(One("hr", "SELECT b FROM t"), "new");
}

// A key check reads the other table as the engine, not as the user: the
// user needs no privilege on a child table to delete from its parent.
TEST_F(PrivilegesTest, KeyChecksNeedNoPrivilegeOnTheOtherTable) {
  Steps({{"scott", "CREATE USER adams IDENTIFIED BY pw", 0}, {"scott", "GRANT CONNECT TO adams", 0},
         {"scott", "CREATE TABLE d (a NUMBER PRIMARY KEY)", 0},
         {"scott", "CREATE TABLE c (b NUMBER REFERENCES d)", 0},
         {"scott", "GRANT SELECT ON d TO adams", 0},
         {"adams", "DELETE FROM scott.d", 1031},
         {"scott", "INSERT INTO d VALUES (1)", 0},
         {"scott", "INSERT INTO d VALUES (2)", 0},
         {"scott", "INSERT INTO c VALUES (1)", 0},
         {"scott", "COMMIT", 0},
         {"scott", "GRANT DELETE ON d TO adams", 0},
         {"adams", "DELETE FROM scott.d WHERE a = 2", 0},
         {"adams", "DELETE FROM scott.d", 2292},
         {"adams", "ROLLBACK", 0},
         {"scott", "CREATE TABLE d2 (a NUMBER PRIMARY KEY)", 0},
         {"scott", "CREATE TABLE c2 (b NUMBER)", 0},
         {"scott", "ALTER TABLE c2 ADD CONSTRAINT c2_fk FOREIGN KEY (b) REFERENCES d2", 0},
         {"scott", "GRANT SELECT, DELETE ON d2 TO adams", 0},
         {"adams", "DELETE FROM scott.d2", 0},
  });
}

// A file of an older format: each account keeps the unqualified names of
// others' tables and units it reached, as private synonyms where the name
// is free.
TEST(EnginePrivilegesUpgrade, AccountsKeepUnqualifiedNamesAsSynonyms) {
  TempDir dir;
  const std::string path = dir.File("v11.db");
  {
    Session owner(dir.CreateLink("v11.db"), "scott", "tiger");
    ASSERT_TRUE(owner.ok());
    for (const char *sql :
         {"CREATE USER adams IDENTIFIED BY pw", "GRANT CONNECT, RESOURCE, CREATE SYNONYM TO adams",
          "CREATE ROLE readers", "GRANT readers TO adams", "CREATE TABLE dept (deptno NUMBER(2))",
          "CREATE TABLE emp (empno NUMBER)", "CREATE TABLE secret (x NUMBER)",
          "CREATE TABLE bonus (x NUMBER)", "GRANT SELECT ON dept TO adams",
          "GRANT SELECT ON emp TO readers", "GRANT SELECT ON bonus TO adams",
          "CREATE PROCEDURE raise_pay IS BEGIN NULL; END;", "GRANT EXECUTE ON raise_pay TO adams",
          "CREATE PACKAGE pay_pkg AS n NUMBER := 3; END;", "GRANT EXECUTE ON pay_pkg TO readers",
          "CREATE FUNCTION hidden_f RETURN NUMBER IS BEGIN RETURN 0; END;"}) {
      ASSERT_EQ(owner.Run(sql), OCI_SUCCESS) << sql << ": " << owner.ErrorText();
    }
    owner.End();
    Session adams(dir.File("v11.db"), "adams", "pw");
    // A name the account holds already keeps its meaning.
    ASSERT_EQ(adams.Run("CREATE SYNONYM bonus FOR scott.dept"), OCI_SUCCESS) << adams.ErrorText();
    adams.End();
  }
  sqlite3 *db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 11", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  Session adams(path, "adams", "pw");
  ASSERT_TRUE(adams.ok()) << adams.ErrorText();
  for (const char *sql : {"SELECT COUNT(*) FROM dept", "SELECT COUNT(*) FROM emp",
                          "BEGIN raise_pay; IF pay_pkg.n <> 3 THEN raise_pay; END IF; END;"}) {
    EXPECT_EQ(adams.Run(sql), OCI_SUCCESS) << sql << ": " << adams.ErrorText();
  }
  const Rows synonyms = adams.Query(
      "SELECT LISTAGG(synonym_name || ':' || table_owner || '.' || table_name, ' ') WITHIN GROUP "
      "(ORDER BY synonym_name) FROM user_synonyms");
  ASSERT_EQ(synonyms.size(), 1u);
  EXPECT_EQ(*synonyms[0][0],
            "BONUS:SCOTT.DEPT DEPT:SCOTT.DEPT EMP:SCOTT.EMP PAY_PKG:SCOTT.PAY_PKG "
            "RAISE_PAY:SCOTT.RAISE_PAY");
  // The administrator reached every table, and keeps its names too.
  Session scott(path, "scott", "tiger");
  ASSERT_TRUE(scott.ok()) << scott.ErrorText();
  const Rows version = scott.Query("SELECT COUNT(*) FROM user_synonyms");
  ASSERT_EQ(version.size(), 1u);
  EXPECT_EQ(*version[0][0], "0");
}

// A statement prepared while its user held a privilege is checked again
// at each execution after a GRANT or REVOKE, whoever made it (another
// session, the same one, a role taken away), as Oracle checks a cursor.
TEST_F(PrivilegesTest, PreparedStatementsAreCheckedAgainAfterAGrantChanges) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT, CREATE ROLE TO adams", 0},
      {"scott", "CREATE TABLE dept (deptno NUMBER(2), dname VARCHAR2(14))", 0},
      {"scott", "INSERT INTO dept VALUES (10, 'ACCOUNTING')", 0},
      {"scott", "COMMIT", 0},
      {"scott", "GRANT SELECT, INSERT ON dept TO adams", 0},
  });
  OCIStmt *count = Prepared("adams", "SELECT COUNT(*) FROM scott.dept");
  OCIStmt *names = Prepared("adams", "SELECT dname FROM scott.dept");
  OCIStmt *insert = Prepared("adams", "INSERT INTO scott.dept VALUES (20, 'RESEARCH')");
  struct Case {
    const char *user;  // who changes the grants
    const char *change;
    int count, names, insert;  // each prepared statement's answer then
  };
  const Case cases[] = {
      {"scott", "COMMIT", 0, 0, 0},
      {"scott", "REVOKE INSERT ON dept FROM adams", 0, 0, 1031},
      {"scott", "REVOKE SELECT ON dept FROM adams", 942, 942, 942},
      {"scott", "GRANT SELECT ON dept TO adams", 0, 0, 1031},
      {"scott", "REVOKE SELECT ON dept FROM adams", 942, 942, 942},
      // Through a role, granted and taken back.
      {"scott", "CREATE ROLE reader", 942, 942, 942},
      {"scott", "GRANT SELECT ON dept TO reader", 942, 942, 942},
      {"scott", "GRANT reader TO adams", 0, 0, 1031},
      {"scott", "REVOKE reader FROM adams", 942, 942, 942},
      // The same session drops the role that held the privilege.
      {"adams", "CREATE ROLE mine", 942, 942, 942},
      {"scott", "GRANT SELECT, INSERT ON dept TO mine", 0, 0, 0},
      {"adams", "DROP ROLE mine", 942, 942, 942},
  };
  for (const Case &c : cases) {
    ASSERT_EQ(Code(c.user, c.change), 0) << c.change << ": " << As(c.user).ErrorText();
    EXPECT_EQ(Execute("adams", count), c.count) << c.change << ": " << As("adams").ErrorText();
    EXPECT_EQ(Execute("adams", names), c.names) << c.change << ": " << As("adams").ErrorText();
    EXPECT_EQ(Execute("adams", insert), c.insert) << c.change << ": " << As("adams").ErrorText();
    ASSERT_EQ(Code("adams", "ROLLBACK"), 0);  // scott's next change waits for no lock
  }
  // A statement prepared before the GRANT runs once it is made.
  OCIStmt *later = Prepared("adams", "SELECT dname FROM scott.dept WHERE deptno = 10");
  EXPECT_EQ(Execute("adams", later), 942);
  ASSERT_EQ(Code("scott", "GRANT SELECT ON dept TO PUBLIC"), 0);
  EXPECT_EQ(Execute("adams", later), 0) << As("adams").ErrorText();
}

// A table read for none of its columns (COUNT(*), SELECT 1, EXISTS) still
// tells how many rows it has: it needs SELECT, on every path a query may
// take, while a granted view's count needs only the grant on the view.
TEST_F(PrivilegesTest, CountingATableNeedsSelectOnIt) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT TO adams", 0},
      {"scott", "CREATE TABLE emp (empno NUMBER(4), ename VARCHAR2(10), sal NUMBER(7,2))", 0},
      {"scott", "CREATE TABLE bonus (ename VARCHAR2(10))", 0},
      {"scott", "INSERT INTO emp VALUES (7369, 'SMITH', 800)", 0},
      {"scott", "COMMIT", 0},
      {"scott", "CREATE VIEW emp_count AS SELECT COUNT(*) AS n FROM emp", 0},
      {"scott", "CREATE VIEW emp_ones AS SELECT 1 AS one FROM emp", 0},
      {"scott", "GRANT SELECT ON emp_count TO adams", 0},
      {"scott", "GRANT SELECT ON emp_ones TO adams", 0},
      {"scott", "GRANT INSERT ON bonus TO adams", 0},
      // No privilege at all: the table is not there.
      {"adams", "SELECT COUNT(*) FROM scott.emp", 942},
      {"adams", "SELECT 1 FROM scott.emp", 942},
      {"adams", "SELECT COUNT(*) FROM dual WHERE EXISTS (SELECT 1 FROM scott.emp)", 942},
      // INSERT alone does not allow counting.
      {"adams", "SELECT COUNT(*) FROM scott.bonus", 1031},
      {"adams", "SELECT COUNT(*) FROM scott.emp_ones, scott.bonus", 1031},
      {"adams", "INSERT INTO scott.bonus VALUES ('SMITH')", 0},
      // Through a granted view, the view's owner's rights count.
      {"adams", "SELECT n FROM scott.emp_count", 0},
      {"adams", "SELECT COUNT(*) FROM scott.emp_ones", 0},
      {"adams", "SELECT COUNT(*) FROM scott.emp_count", 0},
      // The engine's catalog is no more countable than readable.
      {"adams", "SELECT COUNT(*) FROM \"kestrel$objects\"", 942},
      {"adams", "SELECT COUNT(*) FROM \"kestrel$source\"", 942},
      {"adams", "SELECT COUNT(*) FROM all_objects", 0},
      {"adams", "SELECT COUNT(*) FROM user_tab_privs", 0},
  });
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM scott.emp_ones"), "1");
}

// A dropped object's grants go with it: a new object of its name starts
// with none, and a statement prepared on the old one is checked again.
TEST_F(PrivilegesTest, GrantsGoWithTheirObject) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT TO adams", 0},
      {"scott", "CREATE TABLE t (a NUMBER)", 0},
      {"scott", "CREATE SEQUENCE s", 0},
      {"scott", "GRANT SELECT ON t TO adams", 0},
      {"scott", "GRANT SELECT ON s TO adams", 0},
      {"scott", "ALTER TABLE t MODIFY (a NUMBER(5))", 0},  // rebuilt, still the same table
      {"adams", "SELECT COUNT(*) FROM scott.t", 0},
  });
  OCIStmt *count = Prepared("adams", "SELECT COUNT(*) FROM scott.t");
  EXPECT_EQ(Execute("adams", count), 0) << As("adams").ErrorText();
  Steps({
      {"scott", "DROP TABLE t", 0},
      {"scott", "DROP SEQUENCE s", 0},
      {"scott", "CREATE TABLE t (secret NUMBER)", 0},
      {"scott", "CREATE SEQUENCE s", 0},
      {"adams", "SELECT COUNT(*) FROM scott.t", 942},
      {"adams", "SELECT scott.s.NEXTVAL FROM dual", 2289},
  });
  EXPECT_EQ(Execute("adams", count), 942);
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM user_tab_privs"), "0");
}

// Grants for some columns show in the COL_PRIVS views, with Oracle's
// columns, and not in the TAB_PRIVS views.
TEST_F(PrivilegesTest, ColumnGrantsShowInTheColPrivsViews) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT TO adams", 0},
      {"scott", "CREATE TABLE emp (empno NUMBER(4), ename VARCHAR2(10), sal NUMBER(7,2))", 0},
      {"scott", "GRANT UPDATE (sal, ename), REFERENCES (empno) ON emp TO adams", 0},
      {"scott", "GRANT INSERT (empno) ON emp TO adams WITH GRANT OPTION", 0},
      {"scott", "GRANT SELECT ON emp TO adams", 0},
  });
  const struct {
    const char *user;
    const char *sql;
    const char *expected;
  } cases[] = {
      {"adams",
       "SELECT COUNT(*) || ' ' || LISTAGG(privilege || '(' || column_name || ')' || grantable, ',') "
       "WITHIN GROUP (ORDER BY privilege, column_name) FROM user_col_privs",
       "4 INSERT(EMPNO)YES,REFERENCES(EMPNO)NO,UPDATE(ENAME)NO,UPDATE(SAL)NO"},
      {"scott",
       "SELECT grantee || ' ' || owner || '.' || table_name || ' ' || grantor || ' ' || common || "
       "inherited FROM user_col_privs WHERE column_name = 'SAL'",
       "ADAMS SCOTT.EMP SCOTT NONO"},
      {"adams",
       "SELECT grantor || ' ' || grantee || ' ' || table_schema || '.' || table_name FROM "
       "all_col_privs WHERE privilege = 'REFERENCES'",
       "SCOTT ADAMS SCOTT.EMP"},
      {"scott", "SELECT COUNT(*) FROM dba_col_privs WHERE grantee = 'ADAMS'", "4"},
      {"adams", "SELECT COUNT(*) FROM dba_col_privs", "0"},
      // The table-wide grant alone shows in TAB_PRIVS.
      {"adams", "SELECT COUNT(*) || ' ' || MAX(privilege) FROM user_tab_privs", "1 SELECT"},
      {"adams", "SELECT COUNT(*) FROM all_tab_privs WHERE table_name = 'EMP'", "1"},
      {"scott", "SELECT COUNT(*) FROM dba_tab_privs WHERE grantee = 'ADAMS'", "1"},
  };
  for (const auto &c : cases) EXPECT_EQ(One(c.user, c.sql), c.expected) << c.sql;
  Steps({{"scott", "REVOKE UPDATE ON emp FROM adams", 0}});
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM user_col_privs WHERE privilege = 'UPDATE'"), "0");
}

}  // namespace

// CREATE TABLE forms the tree path leaves to SQLite's own definition
// (deferrable constraints), and global temporary tables, take their name
// in the creating schema like any other table.
TEST_F(PrivilegesTest, EveryCreateTableFormTakesItsSchemasName) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT, RESOURCE TO adams", 0},
      {"scott", "CREATE TABLE tab2 (x NUMBER)", 0},
      {"scott", "CREATE TABLE p (id NUMBER PRIMARY KEY)", 0},
      {"scott", "INSERT INTO p VALUES (2)", 0},
      {"scott", "CREATE TABLE g (x NUMBER)", 0},
      {"scott", "COMMIT", 0},
      {"adams", "CREATE TABLE tab2 (x NUMBER CONSTRAINT u2 UNIQUE DEFERRABLE INITIALLY DEFERRED)", 0},
      {"adams", "CREATE TABLE tab2 (x NUMBER CONSTRAINT u3 UNIQUE DEFERRABLE)", 955},
      {"adams", "INSERT INTO tab2 VALUES (1)", 0},
      {"adams", "COMMIT", 0},
      // The deferred key's parent is the schema's own P, checked at commit.
      {"adams", "CREATE TABLE p (id NUMBER PRIMARY KEY)", 0},
      {"adams", "CREATE TABLE ch (pid NUMBER REFERENCES p DEFERRABLE INITIALLY DEFERRED)", 0},
      {"adams", "INSERT INTO ch VALUES (1)", 0},
      {"adams", "INSERT INTO p VALUES (1)", 0},
      {"adams", "COMMIT", 0},
      {"adams", "INSERT INTO ch VALUES (2)", 0},
      {"adams", "COMMIT", 2091},
      {"adams", "CREATE TABLE ch2 (pid NUMBER REFERENCES nowhere DEFERRABLE)", 942},
      {"scott", "CREATE TABLE tree (id NUMBER)", 0},
      {"adams", "CREATE TABLE tree (id NUMBER PRIMARY KEY, up NUMBER REFERENCES tree (id) "
                "DEFERRABLE INITIALLY DEFERRED)", 0},
      {"adams", "INSERT INTO tree VALUES (1, 2)", 0},
      {"adams", "INSERT INTO tree VALUES (2, 1)", 0},
      {"adams", "COMMIT", 0},
      {"adams", "CREATE GLOBAL TEMPORARY TABLE g (x NUMBER) ON COMMIT PRESERVE ROWS", 0},
      {"adams", "CREATE GLOBAL TEMPORARY TABLE g (x NUMBER) ON COMMIT PRESERVE ROWS", 955},
      {"adams", "CREATE GLOBAL TEMPORARY TABLE g2 (x NUMBER) ON COMMIT DELETE ROWS", 3001},
      {"adams", "INSERT INTO g VALUES (7)", 0},
  });
  for (const auto &c : std::initializer_list<std::pair<const char *, const char *>>{
           {"SELECT COUNT(*) FROM tab2", "1"},
           {"SELECT SUM(pid) FROM ch", "1"},
           {"SELECT SUM(x) FROM g", "7"},
           {"SELECT COUNT(*) FROM user_tables WHERE table_name IN ('TAB2', 'P', 'CH', 'G')", "4"},
       }) {
    EXPECT_EQ(One("adams", c.first), c.second) << c.first;
  }
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM tab2"), "0");
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM all_tables WHERE table_name = 'TAB2'"), "2");
  Steps({{"adams", "DROP TABLE tab2", 0}, {"adams", "DROP TABLE g", 0}, {"scott", "INSERT INTO tab2 VALUES (5)", 0}});
}

// A schema's tables, views, sequences, private synonyms and stored units
// share one namespace; another schema's names never count.
TEST_F(PrivilegesTest, OneNamespaceAcrossKindsInEachSchema) {
  Steps({
      {"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
      {"scott", "GRANT CONNECT, RESOURCE, CREATE VIEW, CREATE SYNONYM TO adams", 0},
      {"scott", "CREATE SEQUENCE scotts", 0},
      {"scott", "CREATE PROCEDURE pr IS BEGIN NULL; END;", 0},
      {"adams", "CREATE PROCEDURE pr IS BEGIN NULL; END;", 0},
      {"adams", "CREATE TABLE pr (x NUMBER)", 955},
      {"adams", "CREATE VIEW pr AS SELECT 1 a FROM dual", 955},
      {"adams", "CREATE SEQUENCE pr", 955},
      {"adams", "CREATE SYNONYM pr FOR scott.pr", 955},
      {"adams", "CREATE TABLE t (x NUMBER)", 0},
      {"adams", "CREATE SEQUENCE sq", 0},
      {"adams", "CREATE TABLE sq (x NUMBER)", 955},
      {"adams", "CREATE OR REPLACE VIEW sq AS SELECT 1 a FROM dual", 955},
      {"adams", "ALTER TABLE t RENAME TO sq", 955},
      {"adams", "CREATE SYNONYM syn FOR t", 0},
      {"adams", "CREATE OR REPLACE SYNONYM syn FOR sq", 0},
      {"adams", "CREATE VIEW syn AS SELECT 1 a FROM dual", 955},
      {"adams", "CREATE VIEW v AS SELECT 1 a FROM dual", 0},
      {"adams", "CREATE OR REPLACE VIEW v AS SELECT 2 a FROM dual", 0},
      // Another schema's sequence and procedure leave the names free here.
      {"adams", "CREATE SYNONYM scotts FOR t", 0},
      {"scott", "CREATE FUNCTION scottf RETURN NUMBER IS BEGIN RETURN 1; END;", 0},
      {"adams", "CREATE SYNONYM scottf FOR t", 0},
      {"scott", "CREATE TABLE syn (x NUMBER)", 0},
      {"scott", "CREATE SEQUENCE sq", 0},
      {"adams", "ALTER TABLE t RENAME TO t2", 0},
  });
}

// Trigger names are their schema's: two schemas' TRG live side by side,
// each found in its own schema (or the one named) by DROP and ALTER.
TEST_F(PrivilegesTest, EachSchemaHasItsOwnTriggers) {
  Steps({{"scott", "CREATE USER adams IDENTIFIED BY pw", 0},
         {"scott", "GRANT CONNECT, RESOURCE TO adams", 0}});
  for (const char *who : {"scott", "adams"}) {
    const std::string mark = who[0] == 's' ? "'S'" : "'A'";
    Steps({{who, "CREATE TABLE tt (a NUMBER)", 0},
           {who, "CREATE TABLE tlog (w VARCHAR2(5))", 0},
           {who, ("CREATE TRIGGER trg AFTER INSERT ON tt FOR EACH ROW BEGIN INSERT INTO tlog "
                  "VALUES (" + mark + "); END;").c_str(), 0},
           {who, "INSERT INTO tt VALUES (1)", 0},
           {who, "COMMIT", 0}});
  }
  EXPECT_EQ(One("adams", "SELECT w FROM tlog"), "A");
  EXPECT_EQ(One("scott", "SELECT w FROM tlog"), "S");
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM user_triggers"), "1");
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM all_triggers WHERE trigger_name = 'TRG'"), "1");
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM all_triggers WHERE trigger_name = 'TRG'"), "2");
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM user_source WHERE type = 'TRIGGER'"), "1");
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM all_source WHERE type = 'TRIGGER'"), "1");
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM all_source WHERE name = 'TRG'"), "2");
  Steps({
      {"adams", "ALTER TRIGGER trg DISABLE", 0},
      {"adams", "ALTER TRIGGER trg COMPILE", 0},
      {"adams", "INSERT INTO tt VALUES (2)", 0},
      {"adams", "COMMIT", 0},
      {"scott", "INSERT INTO tt VALUES (2)", 0},
      {"scott", "COMMIT", 0},
      {"adams", "DROP TRIGGER scott.trg", 1031},
      {"adams", "ALTER TRIGGER scott.trg DISABLE", 1031},
      {"adams", "DROP TRIGGER scott.nosuch", 4080},
      {"adams", "DROP TRIGGER trg", 0},
      {"adams", "DROP TRIGGER trg", 4080},
      {"scott", "ALTER TRIGGER trg ENABLE", 0},
      {"scott", "INSERT INTO tt VALUES (3)", 0},
      {"scott", "COMMIT", 0},
      // Named, or in the current schema: another's with the ANY privileges.
      {"scott", "CREATE TRIGGER adams.trg AFTER INSERT ON adams.tt FOR EACH ROW BEGIN NULL; END;", 0},
      {"scott", "ALTER SESSION SET CURRENT_SCHEMA = adams", 0},
      {"scott", "CREATE TRIGGER trg2 BEFORE INSERT ON tt FOR EACH ROW BEGIN NULL; END;", 0},
      {"scott", "ALTER TRIGGER trg DISABLE", 0},
      {"scott", "DROP TRIGGER trg2", 0},
      {"scott", "ALTER SESSION SET CURRENT_SCHEMA = scott", 0},
  });
  EXPECT_EQ(One("adams", "SELECT COUNT(*) FROM tlog"), "1");
  EXPECT_EQ(One("scott", "SELECT COUNT(*) FROM tlog"), "3");
  EXPECT_EQ(One("adams", "SELECT trigger_name || status FROM user_triggers"), "TRGDISABLED");
  EXPECT_EQ(One("scott", "SELECT trigger_name || status FROM user_triggers"), "TRGENABLED");
  // A trigger of one schema on another's table names the table's owner.
  ASSERT_EQ(Code("scott", "CREATE TRIGGER watch AFTER INSERT ON adams.tt BEGIN NULL; END;"), 0);
  EXPECT_EQ(One("scott", "SELECT table_owner || '.' || table_name FROM user_triggers WHERE "
                         "trigger_name = 'WATCH'"),
            "ADAMS.TT");
}
