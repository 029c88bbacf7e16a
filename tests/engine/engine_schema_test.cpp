// The schema language through the client interface: CREATE/ALTER/DROP
// TABLE with Oracle's constraints and their errors, identity columns,
// views, indexes, TRUNCATE, the constraint views, and Oracle's HR sample
// schema loaded statement by statement from its public scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "EngineTestSupport.h"

namespace {

using engine_test::Rows;
using engine_test::ScriptStatements;
using engine_test::Session;
using engine_test::TempDir;

class SchemaTest : public ::testing::Test {
 protected:
  TempDir dir;
  Session s{dir.CreateLink("schema.db")};

  // Runs `sql`; "" when it succeeds, else the error's text.
  std::string Try(const std::string &sql) {
    return s.Run(sql) == OCI_SUCCESS ? std::string() : s.ErrorText();
  }
  void Ok(const std::string &sql) { ASSERT_EQ(Try(sql), "") << sql; }
  std::string One(const std::string &sql) {
    const Rows rows = s.Query(sql);
    if (rows.empty() || rows[0].empty() || !rows[0][0]) return "<null>";
    return *rows[0][0];
  }
};

TEST_F(SchemaTest, Smoke) {
  Ok("CREATE TABLE dept (deptno NUMBER(2) CONSTRAINT pk_dept PRIMARY KEY, dname VARCHAR2(14) NOT NULL)");
  Ok("CREATE TABLE emp (empno NUMBER(4) PRIMARY KEY, deptno NUMBER(2) REFERENCES dept, sal NUMBER(7,2) CONSTRAINT sal_pos CHECK (sal > 0))");
  Ok("INSERT INTO dept VALUES (10, 'ACCOUNTING')");
  EXPECT_EQ(Try("INSERT INTO dept VALUES (10, 'X')"), "ORA-00001: unique constraint (SCOTT.PK_DEPT) violated");
  EXPECT_EQ(Try("INSERT INTO dept VALUES (20, NULL)"), "ORA-01400: cannot insert NULL into (\"SCOTT\".\"DEPT\".\"DNAME\")");
  EXPECT_EQ(Try("INSERT INTO emp VALUES (1, 30, 10)").substr(0, 30), "ORA-02291: integrity constrain");
  EXPECT_EQ(Try("INSERT INTO emp VALUES (1, 10, -1)"), "ORA-02290: check constraint (SCOTT.SAL_POS) violated");
  Ok("INSERT INTO emp VALUES (1, 10, 5)");
  EXPECT_EQ(Try("DELETE FROM dept").substr(0, 30), "ORA-02292: integrity constrain");
  EXPECT_EQ(One("SELECT count(*) FROM user_constraints"), "5");
}

// Each step runs in order on one database: the statement and the error it
// must give ("" for success), or a query and its one value.
struct Step {
  const char *sql;
  const char *want;
  bool query = false;
};

TEST_F(SchemaTest, TableRulesStepByStep) {
  const Step steps[] = {
      // Identity columns: generated values; ALWAYS refuses one given.
      {"CREATE TABLE ids (id NUMBER GENERATED ALWAYS AS IDENTITY (START WITH 5 INCREMENT BY 5), "
       "name VARCHAR2(10)) TABLESPACE users PCTFREE 10",
       ""},
      {"INSERT INTO ids (name) VALUES ('a')", ""},
      {"INSERT INTO ids (name) VALUES ('b')", ""},
      {"SELECT MIN(id) || ',' || MAX(id) FROM ids", "5,10", true},
      {"INSERT INTO ids (id, name) VALUES (1, 'c')",
       "ORA-32795: cannot insert into a generated always identity column"},
      // Disabled constraints are not enforced; enabling checks the rows.
      {"CREATE TABLE p (k NUMBER CONSTRAINT p_pk PRIMARY KEY)", ""},
      {"CREATE TABLE c (k NUMBER, v NUMBER DEFAULT 7, CONSTRAINT c_fk FOREIGN KEY (k) "
       "REFERENCES p ON DELETE CASCADE DISABLE)",
       ""},
      {"INSERT INTO c (k) VALUES (1)", ""},
      {"SELECT v FROM c", "7", true},
      {"ALTER TABLE c ENABLE CONSTRAINT c_fk", "ORA-02298: cannot validate (SCOTT.C_FK) - parent keys not found"},
      {"INSERT INTO p VALUES (1)", ""},
      {"ALTER TABLE c ENABLE CONSTRAINT c_fk", ""},
      {"SELECT status FROM user_constraints WHERE constraint_name = 'C_FK'", "ENABLED", true},
      {"DELETE FROM p", ""},
      {"SELECT COUNT(*) FROM c", "0", true},
      {"ALTER TABLE p ADD CONSTRAINT p_chk CHECK (k < 100)", ""},
      {"INSERT INTO p VALUES (100)", "ORA-02290: check constraint (SCOTT.P_CHK) violated"},
      {"ALTER TABLE p DROP CONSTRAINT p_chk", ""},
      {"INSERT INTO p VALUES (100)", ""},
      {"ALTER TABLE p ADD CONSTRAINT p_chk CHECK (k < 100)",
       "ORA-02293: cannot validate (SCOTT.P_CHK) - check constraint violated"},
      {"ALTER TABLE c ADD CONSTRAINT c_v_uk UNIQUE (v)", ""},
      {"INSERT INTO c VALUES (100, 1)", ""},
      {"INSERT INTO c VALUES (100, 1)", "ORA-00001: unique constraint (SCOTT.C_V_UK) violated"},
      {"ALTER TABLE c RENAME CONSTRAINT c_v_uk TO c_v_unique", ""},
      {"INSERT INTO c VALUES (100, 1)", "ORA-00001: unique constraint (SCOTT.C_V_UNIQUE) violated"},
      // Columns: added, changed (the table rebuilt, rows kept), renamed, dropped.
      {"ALTER TABLE c ADD (note VARCHAR2(5) DEFAULT 'x', extra NUMBER)", ""},
      {"ALTER TABLE c MODIFY (note VARCHAR2(20))", ""},
      {"SELECT data_length FROM user_tab_columns WHERE table_name = 'C' AND column_name = 'NOTE'",
       "20", true},
      {"SELECT note || COUNT(*) FROM c GROUP BY note", "x1", true},
      {"INSERT INTO c VALUES (100, 1, 'y', 0)", "ORA-00001: unique constraint (SCOTT.C_V_UNIQUE) violated"},
      {"ALTER TABLE c MODIFY (extra NOT NULL)",
       "ORA-02296: cannot enable (SCOTT.SYS_C0007002) - null values found"},
      {"ALTER TABLE c MODIFY (note NOT NULL)", ""},
      {"UPDATE c SET note = NULL", "ORA-01407: cannot update (\"SCOTT\".\"C\".\"NOTE\") to NULL"},
      {"ALTER TABLE c MODIFY (note NULL)", ""},
      {"UPDATE c SET note = note", ""},
      {"ALTER TABLE c MODIFY CONSTRAINT c_v_unique DISABLE", ""},
      {"INSERT INTO c VALUES (100, 1, 'y', 0)", ""},
      {"ALTER TABLE c MODIFY CONSTRAINT c_v_unique ENABLE",
       "ORA-02299: cannot validate (SCOTT.C_V_UNIQUE) - duplicate keys found"},
      {"DELETE FROM c WHERE note = 'y'", ""},
      {"ALTER TABLE c RENAME COLUMN extra TO more", ""},
      {"CREATE INDEX c_more_ix ON c (more)", ""},
      {"CREATE VIEW c_more_v AS SELECT more FROM c", ""},
      {"CREATE INDEX c_k_ix ON c (k, v)", ""},
      {"ALTER TABLE c DROP COLUMN more", ""},
      {"SELECT COUNT(*) || ' ' || MIN(index_name) || ' ' || MAX(index_name) FROM user_indexes "
       "WHERE table_name = 'C'",
       "1 C_K_IX C_K_IX", true},
      {"SELECT column_name FROM user_cons_columns WHERE constraint_name = 'C_FK'", "K", true},
      // The view on the dropped column fails when used, as an invalid one
      // does, and stops no later rename.
      {"SELECT COUNT(*) FROM user_views WHERE view_name = 'C_MORE_V'", "1", true},
      {"ALTER TABLE c RENAME COLUMN note TO remark", ""},
      {"ALTER TABLE c RENAME COLUMN remark TO note", ""},
      {"SELECT COUNT(*) FROM user_tab_columns WHERE table_name = 'C'", "3", true},
      // Views, indexes, CREATE TABLE AS SELECT, TRUNCATE, DROP.
      {"CREATE OR REPLACE VIEW cv (key, val) AS SELECT k, NVL(note, '-') FROM c WITH READ ONLY", ""},
      {"SELECT key || val FROM cv", "100x", true},
      {"CREATE INDEX c_upper_ix ON c (UPPER(note))", ""},
      {"CREATE TABLE c2 AS SELECT k, note, SYSDATE AS made FROM c", ""},
      {"SELECT data_type || data_length FROM user_tab_columns WHERE table_name = 'C2' AND "
       "column_name = 'NOTE'",
       "VARCHAR220", true},
      {"TRUNCATE TABLE c2", ""},
      {"CREATE TABLE tree (id NUMBER PRIMARY KEY, up NUMBER REFERENCES tree)", ""},
      {"INSERT INTO tree VALUES (1, NULL)", ""},
      {"INSERT INTO tree VALUES (2, 1)", ""},
      {"DELETE FROM tree WHERE id = 1", "ORA-02292: integrity constraint (SCOTT.SYS_C0007003) violated - child record found"},
      {"TRUNCATE TABLE tree", ""},
      {"CREATE TABLE org (id NUMBER PRIMARY KEY, up NUMBER CONSTRAINT org_up REFERENCES org "
       "ON DELETE CASCADE)",
       ""},
      {"INSERT INTO org VALUES (1, NULL)", ""},
      {"INSERT INTO org VALUES (2, 1)", ""},
      {"INSERT INTO org VALUES (3, 2)", ""},
      {"DELETE FROM org WHERE id = 1",
       "ORA-02292: integrity constraint (SCOTT.ORG_UP) violated - child record found"},
      {"DELETE FROM org WHERE id = 2", ""},
      {"SELECT COUNT(*) FROM org", "1", true},
      {"INSERT INTO tree VALUES (3, 4)", "ORA-02291: integrity constraint (SCOTT.SYS_C0007003) violated - parent key not found"},
      {"SELECT COUNT(*) FROM c2", "0", true},
      {"DROP TABLE p", "ORA-02449: unique/primary keys in table referenced by foreign keys"},
      {"DROP TABLE p CASCADE CONSTRAINTS PURGE", ""},
      {"SELECT COUNT(*) FROM user_constraints WHERE table_name IN ('P', 'C')", "1", true},
      {"INSERT INTO c (k, v) VALUES (5, 5)", ""},
      // A table with SQLite's own keys (deferred ones stay on the older
      // path) is not rebuilt: the rebuild would lose them.
      {"CREATE TABLE legacy (a NUMBER PRIMARY KEY, b NUMBER REFERENCES legacy "
       "DEFERRABLE INITIALLY DEFERRED)",
       ""},
      {"ALTER TABLE legacy MODIFY (b NUMBER(5))", "ORA-03001: unimplemented feature"},
      {"ALTER TABLE legacy ADD (c NUMBER)", ""},
  };
  for (const Step &step : steps) {
    if (step.query) {
      EXPECT_EQ(One(step.sql), step.want) << step.sql;
    } else {
      EXPECT_EQ(Try(step.sql), step.want) << step.sql;
    }
  }
}

// MODIFY's type changes over a column holding a value: what still fits
// is kept, the rest refused with Oracle's error and the column unchanged.
TEST_F(SchemaTest, ModifyTypeKeepsOnlyWhatFits) {
  const struct {
    const char *type;
    const char *value;
    const char *to;
    const char *error;  // "" when the change is made
  } cases[] = {
      {"VARCHAR2(10)", "'abcdefgh'", "VARCHAR2(8)", ""},
      {"VARCHAR2(10)", "'abcdefgh'", "VARCHAR2(7)", "ORA-01441"},
      {"VARCHAR2(10)", "'abc'", "NUMBER", "ORA-01439"},
      {"VARCHAR2(10)", "NULL", "NUMBER", ""},
      {"CHAR(5)", "'ab'", "VARCHAR2(5)", ""},
      {"CHAR(5)", "'ab'", "CHAR(8)", ""},
      {"CHAR(5)", "'ab'", "CHAR(3)", "ORA-01441"},
      {"NUMBER(6,2)", "1234.5", "NUMBER(8,2)", ""},
      {"NUMBER(6,2)", "1234.5", "NUMBER(5,2)", "ORA-01440"},
      {"NUMBER(6,2)", "1.5", "NUMBER(7,1)", "ORA-01440"},
      {"NUMBER", "1", "NUMBER(10)", "ORA-01440"},
      {"NUMBER(5)", "1", "NUMBER", ""},
      {"NUMBER(5)", "1", "DATE", "ORA-01439"},
      {"DATE", "DATE '2024-01-31'", "TIMESTAMP(6)", ""},
      {"TIMESTAMP", "TIMESTAMP '2024-01-31 10:00:00'", "DATE", "ORA-01439"},
      {"RAW(4)", "HEXTORAW('01020304')", "RAW(3)", "ORA-01441"},
  };
  for (const auto &c : cases) {
    Try("DROP TABLE m");
    Ok(std::string("CREATE TABLE m (c ") + c.type + ")");
    Ok(std::string("INSERT INTO m VALUES (") + c.value + ")");
    const std::string error = Try(std::string("ALTER TABLE m MODIFY (c ") + c.to + ")").substr(0, 9);
    EXPECT_EQ(error, c.error) << c.type << " -> " << c.to;
    const std::string kept = One("SELECT data_type FROM user_tab_columns WHERE table_name = 'M'");
    EXPECT_EQ(kept.substr(0, 3), std::string(error.empty() ? c.to : c.type).substr(0, 3))
        << c.type << " -> " << c.to;
  }
}

TEST_F(SchemaTest, VirtualColumnsStepByStep) {
  const Step steps[] = {
      {"CREATE TABLE pay (id NUMBER(4) PRIMARY KEY, sal NUMBER(7,2), comm NUMBER(7,2), "
       "total GENERATED ALWAYS AS (sal + NVL(comm, 0)) VIRTUAL, "
       "label VARCHAR2(20) AS (id || '-' || sal), "
       "CONSTRAINT pay_total_ck CHECK (total < 10000))",
       ""},
      {"INSERT INTO pay (id, sal, comm) VALUES (1, 100.5, 20)", ""},
      {"INSERT INTO pay VALUES (2, 300, NULL, DEFAULT, DEFAULT)", ""},
      {"SELECT total || ' ' || label FROM pay WHERE id = 1", "120.5 1-100.5", true},
      {"SELECT SUM(total) FROM pay", "420.5", true},
      {"SELECT COUNT(*) FROM pay WHERE total > 200", "1", true},
      // Computed, never written.
      {"INSERT INTO pay (id, total) VALUES (3, 1)",
       "ORA-54013: INSERT operation disallowed on virtual columns"},
      {"INSERT INTO pay VALUES (3, 1, 1, 2, 'x')",
       "ORA-54013: INSERT operation disallowed on virtual columns"},
      {"UPDATE pay SET total = 0", "ORA-54017: UPDATE operation disallowed on virtual columns"},
      {"UPDATE pay SET sal = 200 WHERE id = 1", ""},
      {"SELECT total FROM pay WHERE id = 1", "220", true},
      {"INSERT INTO pay (id, sal) VALUES (4, 99999)",
       "ORA-02290: check constraint (SCOTT.PAY_TOTAL_CK) violated"},
      // The dictionary: the declared type, or the expression's.
      {"SELECT data_type || '/' || data_length FROM user_tab_columns WHERE table_name = 'PAY' "
       "AND column_name = 'LABEL'",
       "VARCHAR2/20", true},
      {"SELECT data_type || ' ' || data_default FROM user_tab_columns WHERE table_name = 'PAY' "
       "AND column_name = 'TOTAL'",
       "NUMBER SAL + NVL(COMM, 0)", true},
      {"SELECT COUNT(*) FROM user_tab_columns WHERE table_name = 'PAY'", "5", true},
      {"SELECT LISTAGG(virtual_column, ',') WITHIN GROUP (ORDER BY column_id) FROM user_tab_cols "
       "WHERE table_name = 'PAY'",
       "NO,NO,NO,YES,YES", true},
      // Its expression must be pure: the session's format may not decide it.
      {"CREATE TABLE impure (d DATE, t AS (TO_CHAR(d)))",
       "ORA-54002: only pure functions can be specified in a virtual column expression"},
      // Added by ALTER TABLE, and indexed.
      {"ALTER TABLE pay ADD (yearly AS (sal * 12))", ""},
      {"CREATE INDEX pay_yearly_ix ON pay (yearly)", ""},
      {"SELECT yearly FROM pay WHERE id = 2", "3600", true},
      {"SELECT COUNT(*) FROM pay WHERE yearly = 2400", "1", true},
  };
  for (const Step &step : steps) {
    if (step.query) {
      EXPECT_EQ(One(step.sql), step.want) << step.sql;
    } else {
      EXPECT_EQ(Try(step.sql), step.want) << step.sql;
    }
  }
}

TEST_F(SchemaTest, ForceViewsStepByStep) {
  const Step steps[] = {
      {"CREATE VIEW early AS SELECT a FROM later", "ORA-00942: table or view does not exist"},
      {"CREATE NOFORCE VIEW early AS SELECT a FROM later", "ORA-00942: table or view does not exist"},
      // Made with errors: a warning, INVALID, and ORA-04063 when used.
      {"CREATE FORCE VIEW early AS SELECT a, b FROM later",
       "ORA-24344: success with compilation error"},
      {"CREATE OR REPLACE FORCE VIEW early_named (x) AS SELECT later.missing FROM later",
       "ORA-24344: success with compilation error"},
      {"SELECT status FROM user_objects WHERE object_name = 'EARLY'", "INVALID", true},
      {"SELECT text FROM user_views WHERE view_name = 'EARLY'", "SELECT a, b FROM later", true},
      {"SELECT * FROM early", "ORA-04063: view \"SCOTT.EARLY\" has errors"},
      {"SELECT COUNT(*) FROM early_named", "ORA-04063: view \"SCOTT.EARLY_NAMED\" has errors"},
      // Once its table exists it compiles on use, and stays compiled.
      {"CREATE TABLE later (a NUMBER, b VARCHAR2(5))", ""},
      {"INSERT INTO later VALUES (1, 'x')", ""},
      {"SELECT a || b FROM early", "1x", true},
      {"SELECT status FROM user_objects WHERE object_name = 'EARLY'", "VALID", true},
      {"SELECT COUNT(*) FROM user_tab_columns WHERE table_name = 'EARLY'", "2", true},
      {"SELECT COUNT(*) FROM early_named", "ORA-04063: view \"SCOTT.EARLY_NAMED\" has errors"},
      {"ALTER TABLE later ADD (missing NUMBER DEFAULT 7)", ""},
      {"SELECT x FROM early_named", "7", true},
      // Through a synonym the same.
      {"CREATE FORCE VIEW early_too AS SELECT * FROM not_yet", "ORA-24344: success with compilation error"},
      {"CREATE SYNONYM early_syn FOR early_too", ""},
      {"SELECT * FROM early_syn", "ORA-04063: view \"SCOTT.EARLY_TOO\" has errors"},
      // A view naming itself never compiles.
      {"CREATE FORCE VIEW itself AS SELECT * FROM itself", "ORA-24344: success with compilation error"},
      {"SELECT * FROM itself", "ORA-04063: view \"SCOTT.ITSELF\" has errors"},
  };
  for (const Step &step : steps) {
    if (step.query) {
      EXPECT_EQ(One(step.sql), step.want) << step.sql;
    } else {
      EXPECT_EQ(Try(step.sql), step.want) << step.sql;
    }
  }
}

TEST_F(SchemaTest, SynonymsStepByStep) {
  const Step steps[] = {
      {"CREATE TABLE emp (empno NUMBER(4) PRIMARY KEY, ename VARCHAR2(5))", ""},
      {"INSERT INTO emp VALUES (1, 'KING')", ""},
      {"CREATE SYNONYM staff FOR emp", ""},
      {"CREATE PUBLIC SYNONYM people FOR scott.staff", ""},
      // A synonym reads and writes its table, a chain of them too; the
      // values are held to the table's columns.
      {"SELECT s.ename FROM staff s WHERE s.empno = 1", "KING", true},
      {"SELECT staff.ename FROM staff WHERE staff.empno = 1", "KING", true},
      {"INSERT INTO people VALUES (2, 'BLAKE')", ""},
      {"UPDATE people SET ename = 'ALLEN' WHERE empno = 2", ""},
      {"UPDATE staff SET ename = 'JONES.' WHERE empno = 2",
       "ORA-12899: value too large for column \"SCOTT\".\"EMP\".\"ENAME\" (actual: 6, maximum: 5)"},
      {"DELETE FROM scott.staff WHERE empno = 2", ""},
      {"SELECT COUNT(*) FROM people", "1", true},
      // The namespace: a private synonym may not take a table's name, a
      // PUBLIC one may; the table comes first.
      {"CREATE SYNONYM emp FOR staff", "ORA-00955: name is already used by an existing object"},
      {"CREATE SYNONYM staff FOR dept", "ORA-00955: name is already used by an existing object"},
      {"CREATE TABLE staff (a NUMBER)", "ORA-00955: name is already used by an existing object"},
      {"CREATE VIEW staff AS SELECT 1 a FROM dual",
       "ORA-00955: name is already used by an existing object"},
      {"CREATE PUBLIC SYNONYM emp FOR nothing", ""},
      {"SELECT COUNT(*) FROM emp", "1", true},
      {"SELECT table_owner || '.' || table_name || ' ' || NVL(db_link, '-') FROM user_synonyms "
       "WHERE synonym_name = 'STAFF'",
       "SCOTT.EMP -", true},
      {"SELECT COUNT(*) FROM all_synonyms WHERE owner = 'PUBLIC'", "2", true},
      {"SELECT object_type || ' ' || status FROM user_objects WHERE object_name = 'STAFF'",
       "SYNONYM VALID", true},
      // A synonym to a sequence.
      {"CREATE SEQUENCE emp_seq START WITH 10", ""},
      {"CREATE SYNONYM next_emp FOR emp_seq", ""},
      {"SELECT next_emp.NEXTVAL FROM dual", "10", true},
      // Translations that fail: the target gone, a loop, a remote one.
      {"CREATE SYNONYM gone FOR dropped", ""},
      {"SELECT * FROM gone", "ORA-00980: synonym translation is no longer valid"},
      {"CREATE PUBLIC SYNONYM loop1 FOR loop2", ""},
      {"CREATE PUBLIC SYNONYM loop2 FOR loop1", ""},
      {"SELECT * FROM loop1", "ORA-01775: looping chain of synonyms"},
      {"CREATE SYNONYM far FOR emp@elsewhere", ""},
      {"SELECT * FROM far", "ORA-02019: connection description for remote database not found"},
      {"SELECT * FROM nothing_at_all", "ORA-00942: table or view does not exist"},
      // OR REPLACE retargets; DROP.
      {"CREATE SYNONYM gone FOR emp", "ORA-00955: name is already used by an existing object"},
      {"CREATE OR REPLACE SYNONYM gone FOR emp", ""},
      {"SELECT COUNT(*) FROM gone", "1", true},
      {"DROP SYNONYM gone", ""},
      {"DROP SYNONYM gone", "ORA-01434: private synonym to be dropped does not exist"},
      {"DROP PUBLIC SYNONYM gone", "ORA-01432: public synonym to be dropped does not exist"},
      {"DROP PUBLIC SYNONYM people", ""},
      {"SELECT * FROM people", "ORA-00942: table or view does not exist"},
  };
  for (const Step &step : steps) {
    if (step.query) {
      EXPECT_EQ(One(step.sql), step.want) << step.sql;
    } else {
      EXPECT_EQ(Try(step.sql), step.want) << step.sql;
    }
  }
}

// A private synonym is its owner's alone; a PUBLIC one every user's.
TEST_F(SchemaTest, SynonymsBelongToTheirOwnerOrToEveryone) {
  Ok("CREATE TABLE dept (deptno NUMBER(2))");
  Ok("INSERT INTO dept VALUES (10)");
  Ok("CREATE SYNONYM mine FOR dept");
  Ok("CREATE PUBLIC SYNONYM everyones FOR scott.dept");
  Ok("CREATE USER adams IDENTIFIED BY pw");
  Ok("GRANT CREATE SESSION, CREATE SYNONYM TO adams");
  Ok("GRANT SELECT ON dept TO adams");
  Session other(dir.File("schema.db"), "adams", "pw");
  ASSERT_TRUE(other.ok()) << other.ErrorText();
  EXPECT_EQ(other.Query("SELECT deptno FROM everyones"), (Rows{{std::string("10")}}));
  EXPECT_EQ(other.Run("SELECT deptno FROM mine"), OCI_ERROR);
  EXPECT_EQ(other.ErrorText(), "ORA-00942: table or view does not exist");
  // The owner's name reaches it, and the other user may have a MINE of
  // their own.
  EXPECT_EQ(other.Query("SELECT deptno FROM scott.mine"), (Rows{{std::string("10")}}));
  EXPECT_EQ(other.Run("CREATE SYNONYM mine FOR everyones"), OCI_SUCCESS) << other.ErrorText();
  EXPECT_EQ(other.Query("SELECT COUNT(*) FROM mine"), (Rows{{std::string("1")}}));
  EXPECT_EQ(other.Query("SELECT COUNT(*) FROM user_synonyms"), (Rows{{std::string("1")}}));
  EXPECT_EQ(One("SELECT COUNT(*) FROM all_synonyms WHERE synonym_name = 'MINE'"), "2");
}

// The classic SCOTT schema with its usual script: keys inline, TO_DATE
// literals in the inserts.
TEST_F(SchemaTest, ScottSchemaLoads) {
  const char *const script[] = {
      "CREATE TABLE dept (deptno NUMBER(2) CONSTRAINT pk_dept PRIMARY KEY, dname VARCHAR2(14), "
      "loc VARCHAR2(13))",
      "CREATE TABLE emp (empno NUMBER(4) CONSTRAINT pk_emp PRIMARY KEY, ename VARCHAR2(10), "
      "job VARCHAR2(9), mgr NUMBER(4), hiredate DATE, sal NUMBER(7,2), comm NUMBER(7,2), "
      "deptno NUMBER(2) CONSTRAINT fk_deptno REFERENCES dept)",
      "INSERT INTO dept VALUES (10, 'ACCOUNTING', 'NEW YORK')",
      "INSERT INTO dept VALUES (20, 'RESEARCH', 'DALLAS')",
      "INSERT INTO dept VALUES (30, 'SALES', 'CHICAGO')",
      "INSERT INTO dept VALUES (40, 'OPERATIONS', 'BOSTON')",
      "INSERT INTO emp VALUES (7369, 'SMITH', 'CLERK', 7902, to_date('17-12-1980','dd-mm-yyyy'), 800, NULL, 20)",
      "INSERT INTO emp VALUES (7499, 'ALLEN', 'SALESMAN', 7698, to_date('20-2-1981','dd-mm-yyyy'), 1600, 300, 30)",
      "INSERT INTO emp VALUES (7521, 'WARD', 'SALESMAN', 7698, to_date('22-2-1981','dd-mm-yyyy'), 1250, 500, 30)",
      "INSERT INTO emp VALUES (7566, 'JONES', 'MANAGER', 7839, to_date('2-4-1981','dd-mm-yyyy'), 2975, NULL, 20)",
      "INSERT INTO emp VALUES (7654, 'MARTIN', 'SALESMAN', 7698, to_date('28-9-1981','dd-mm-yyyy'), 1250, 1400, 30)",
      "INSERT INTO emp VALUES (7698, 'BLAKE', 'MANAGER', 7839, to_date('1-5-1981','dd-mm-yyyy'), 2850, NULL, 30)",
      "INSERT INTO emp VALUES (7782, 'CLARK', 'MANAGER', 7839, to_date('9-6-1981','dd-mm-yyyy'), 2450, NULL, 10)",
      "INSERT INTO emp VALUES (7788, 'SCOTT', 'ANALYST', 7566, to_date('13-JUL-87','dd-mon-rr'), 3000, NULL, 20)",
      "INSERT INTO emp VALUES (7839, 'KING', 'PRESIDENT', NULL, to_date('17-11-1981','dd-mm-yyyy'), 5000, NULL, 10)",
      "INSERT INTO emp VALUES (7844, 'TURNER', 'SALESMAN', 7698, to_date('8-9-1981','dd-mm-yyyy'), 1500, 0, 30)",
      "INSERT INTO emp VALUES (7876, 'ADAMS', 'CLERK', 7788, to_date('13-JUL-87', 'dd-mon-rr'), 1100, NULL, 20)",
      "INSERT INTO emp VALUES (7900, 'JAMES', 'CLERK', 7698, to_date('3-12-1981','dd-mm-yyyy'), 950, NULL, 30)",
      "INSERT INTO emp VALUES (7902, 'FORD', 'ANALYST', 7566, to_date('3-12-1981','dd-mm-yyyy'), 3000, NULL, 20)",
      "INSERT INTO emp VALUES (7934, 'MILLER', 'CLERK', 7782, to_date('23-1-1982','dd-mm-yyyy'), 1300, NULL, 10)",
      "CREATE TABLE bonus (ename VARCHAR2(10), job VARCHAR2(9), sal NUMBER, comm NUMBER)",
      "CREATE TABLE salgrade (grade NUMBER, losal NUMBER, hisal NUMBER)",
      "INSERT INTO salgrade VALUES (1, 700, 1200)",
      "INSERT INTO salgrade VALUES (2, 1201, 1400)",
      "INSERT INTO salgrade VALUES (3, 1401, 2000)",
      "INSERT INTO salgrade VALUES (4, 2001, 3000)",
      "INSERT INTO salgrade VALUES (5, 3001, 9999)",
      "COMMIT",
  };
  for (const char *sql : script) Ok(sql);
  EXPECT_EQ(One("SELECT COUNT(*) || ' ' || SUM(sal) FROM emp"), "14 29025");
  EXPECT_EQ(One("SELECT d.dname FROM dept d, emp e WHERE d.deptno = e.deptno AND e.ename = 'KING'"),
            "ACCOUNTING");
  EXPECT_EQ(One("SELECT COUNT(*) FROM emp e, salgrade g WHERE e.sal BETWEEN g.losal AND g.hisal "
                "AND g.grade = 4"),
            "5");
  EXPECT_EQ(Try("INSERT INTO emp (empno, deptno) VALUES (1, 50)"),
            "ORA-02291: integrity constraint (SCOTT.FK_DEPTNO) violated - parent key not found");
}

// Oracle's refusals of the schema language itself, one per rule.
TEST_F(SchemaTest, RefusalsGiveOraclesErrors) {
  const Step steps[] = {
      {"CREATE TABLE k (a NUMBER CONSTRAINT k_pk PRIMARY KEY, b NUMBER, c NUMBER, "
       "CONSTRAINT k_bc UNIQUE (b, c))",
       ""},
      {"CREATE TABLE k (x NUMBER)", "ORA-00955: name is already used by an existing object"},
      {"CREATE TABLE d (x NUMBER, x NUMBER)", "ORA-00957: duplicate column name"},
      {"ALTER TABLE k ADD (b NUMBER)", "ORA-01430: column being added already exists in table"},
      {"ALTER TABLE k ADD CONSTRAINT k_pk2 PRIMARY KEY (b)", "ORA-02260: table can have only one primary key"},
      {"ALTER TABLE k ADD UNIQUE (b, c)", "ORA-02261: such unique or primary key already exists in the table"},
      {"ALTER TABLE k ADD CONSTRAINT k_pk CHECK (a > 0)", "ORA-02264: name already used by an existing constraint"},
      {"CREATE TABLE r (b NUMBER REFERENCES k (b))", "ORA-02270: no matching unique or primary key for this column-list"},
      {"CREATE TABLE r (a NUMBER CONSTRAINT r_fk REFERENCES k ON DELETE SET NULL)", ""},
      {"ALTER TABLE k DROP CONSTRAINT nothing", "ORA-02443: Cannot drop constraint  - nonexistent constraint"},
      {"ALTER TABLE k DROP PRIMARY KEY", "ORA-02273: this unique/primary key is referenced by some foreign keys"},
      {"ALTER TABLE k DISABLE CONSTRAINT k_pk",
       "ORA-02297: cannot disable constraint (SCOTT.K_PK) - dependencies exist"},
      {"DROP INDEX k_pk", "ORA-02429: cannot drop index used for enforcement of unique/primary key"},
      {"ALTER TABLE k DROP COLUMN b", "ORA-12991: column is referenced in a multi-column constraint"},
      {"CREATE TABLE n AS SELECT NULL AS x FROM dual", "ORA-01723: zero-length columns are not allowed"},
      {"DROP TABLE missing", "ORA-00942: table or view does not exist"},
      {"DROP INDEX missing", "ORA-01418: specified index does not exist"},
      {"CREATE TABLE \"kestrel$mine\" (a NUMBER)", "ORA-00942: table or view does not exist"},
      {"SELECT * FROM \"kestrel$constraints\"", "ORA-00942: table or view does not exist"},
      {"DELETE FROM \"kestrel$cons_columns\"", "ORA-00942: table or view does not exist"},
      {"CREATE VIEW user_constraints AS SELECT 1 x FROM dual", "ORA-01031: insufficient privileges"},
      // Composite keys: a row with some key column NULL still clashes, as in Oracle.
      {"INSERT INTO k VALUES (1, 1, NULL)", ""},
      {"INSERT INTO k VALUES (2, 1, NULL)", "ORA-00001: unique constraint (SCOTT.K_BC) violated"},
      {"INSERT INTO k VALUES (3, NULL, NULL)", ""},
      {"INSERT INTO k VALUES (4, NULL, NULL)", ""},
      // ON DELETE SET NULL, then the key dropped with its foreign keys.
      {"INSERT INTO r VALUES (1)", ""},
      {"DELETE FROM k WHERE a = 1", ""},
      {"SELECT NVL(TO_CHAR(a), 'null') FROM r", "null", true},
      {"ALTER TABLE k DROP PRIMARY KEY CASCADE", ""},
      {"SELECT COUNT(*) FROM user_constraints WHERE table_name IN ('K', 'R')", "1", true},
      {"INSERT INTO r VALUES (99)", ""},
  };
  for (const Step &step : steps) {
    if (step.query) {
      EXPECT_EQ(One(step.sql), step.want) << step.sql;
    } else {
      EXPECT_EQ(Try(step.sql), step.want) << step.sql;
    }
  }
}

// Defaults written by the front end, a rebuild that keeps what hangs on
// the table, and constraints that outlive the session that made them.
TEST_F(SchemaTest, DefaultsRebuildsAndReopening) {
  const Step steps[] = {
      {"CREATE SEQUENCE t_seq START WITH 100", ""},
      {"CREATE TABLE t (id NUMBER DEFAULT t_seq.NEXTVAL, made DATE DEFAULT SYSDATE, "
       "tag VARCHAR2(5) DEFAULT ON NULL 'none', n NUMBER GENERATED ALWAYS AS IDENTITY, "
       "CONSTRAINT t_tag_ck CHECK (tag <> 'bad'))",
       ""},
      {"INSERT INTO t (tag) VALUES (NULL)", ""},
      {"SELECT id || ' ' || tag || ' ' || n || ' ' || NVL2(made, 'dated', '-') FROM t",
       "100 none 1 dated", true},
      {"UPDATE t SET n = 5", "ORA-32796: cannot update a generated always identity column"},
      // DEFAULT applies to an omitted column only: an explicit NULL stays
      // (DEFAULT seq.NEXTVAL) or is refused (BY DEFAULT without ON NULL).
      {"INSERT INTO t (id, tag) VALUES (NULL, 'x')", ""},
      {"SELECT COUNT(*) FROM t WHERE id IS NULL", "1", true},
      {"DELETE FROM t WHERE id IS NULL", ""},
      {"CREATE TABLE bd (id NUMBER GENERATED BY DEFAULT AS IDENTITY (START WITH 10), x NUMBER)", ""},
      {"INSERT INTO bd (x) VALUES (1)", ""},
      {"INSERT INTO bd (id, x) VALUES (NULL, 2)",
       "ORA-01400: cannot insert NULL into (\"SCOTT\".\"BD\".\"ID\")"},
      {"INSERT INTO bd (id, x) VALUES (3, 3)", ""},
      {"SELECT SUM(id) FROM bd", "13", true},
      {"DROP TABLE bd", ""},
      {"CREATE INDEX t_tag_ix ON t (tag)", ""},
      {"CREATE VIEW tv AS SELECT id, tag FROM t", ""},
      {"ALTER TABLE t MODIFY (tag VARCHAR2(10))", ""},
      {"INSERT INTO t (tag) VALUES ('longer')", ""},
      {"SELECT COUNT(*) FROM tv", "2", true},
      {"INSERT INTO t (tag) VALUES (NULL)", ""},
      {"SELECT COUNT(*) FROM t WHERE tag = 'none'", "2", true},
      {"SELECT COUNT(*) FROM user_indexes WHERE index_name = 'T_TAG_IX'", "1", true},
      {"INSERT INTO t (tag) VALUES ('bad')", "ORA-02290: check constraint (SCOTT.T_TAG_CK) violated"},
      {"SELECT MAX(n) FROM t", "4", true},
      {"CREATE TABLE m (id NUMBER PRIMARY KEY, v NUMBER)", ""},
      {"INSERT INTO m VALUES (41, 0)", ""},
      {"ALTER TABLE m MODIFY (id GENERATED BY DEFAULT AS IDENTITY (START WITH LIMIT VALUE))", ""},
      {"INSERT INTO m (v) VALUES (1)", ""},
      {"SELECT MAX(id) FROM m", "42", true},
      {"ALTER TABLE m ADD (line NUMBER GENERATED BY DEFAULT AS IDENTITY, n2 NUMBER DEFAULT t_seq.NEXTVAL)", ""},
      {"INSERT INTO m (v) VALUES (2)", ""},
      {"SELECT COUNT(DISTINCT line) || ' ' || COUNT(DISTINCT n2) FROM m", "3 3", true},
      {"DROP TABLE m", ""},
      {"ALTER TABLE t RENAME TO t2", ""},
      {"INSERT INTO t2 (tag) VALUES ('bad')", "ORA-02290: check constraint (SCOTT.T_TAG_CK) violated"},
      {"SELECT table_name FROM user_constraints WHERE constraint_name = 'T_TAG_CK'", "T2", true},
  };
  for (const Step &step : steps) {
    if (step.query) {
      EXPECT_EQ(One(step.sql), step.want) << step.sql;
    } else {
      EXPECT_EQ(Try(step.sql), step.want) << step.sql;
    }
  }
  s.End();
  Session again(dir.CreateLink("schema.db"));
  ASSERT_TRUE(again.ok()) << again.ErrorText();
  EXPECT_EQ(again.Run("INSERT INTO t2 (tag) VALUES ('bad')"), OCI_ERROR);
  EXPECT_EQ(again.ErrorCode(), 2290);
  // The identity column's NOT NULL is one too, named by the system.
  EXPECT_EQ(again.Query("SELECT owner || '.' || constraint_name FROM all_constraints ORDER BY 1"),
            (Rows{{std::string("SCOTT.SYS_C0007001")}, {std::string("SCOTT.T_TAG_CK")}}));
}

// Every cut of a few schema statements, and each with one byte changed,
// answers with a status: never a crash, never a half-made object.
TEST_F(SchemaTest, CutAndBentStatementsAnswerWithAStatus) {
  Ok("CREATE TABLE base (id NUMBER PRIMARY KEY, v VARCHAR2(10))");
  const std::string statements[] = {
      "CREATE TABLE cut (a NUMBER(5,2) CONSTRAINT cut_pk PRIMARY KEY, b VARCHAR2(10) DEFAULT 'x' "
      "NOT NULL, c NUMBER REFERENCES base ON DELETE CASCADE, CHECK (a > 0), UNIQUE (b, c))",
      "ALTER TABLE base ADD (w NUMBER GENERATED ALWAYS AS IDENTITY, CONSTRAINT base_ck CHECK (id < 9))",
      "ALTER TABLE base MODIFY (v VARCHAR2(20) DEFAULT 'y' NOT NULL)",
      "CREATE OR REPLACE VIEW bv (i, j) AS SELECT id, UPPER(v) FROM base WITH READ ONLY",
      "CREATE UNIQUE INDEX bi ON base (UPPER(v), id DESC)",
  };
  int statuses = 0;
  for (const std::string &sql : statements) {
    for (size_t n = 1; n < sql.size(); n += 3) {
      std::string bent = sql;
      bent[n] = "(),'x 1"[n % 7];
      for (const std::string &text : {sql.substr(0, n), bent}) {
        const sword rc = s.Run(text);
        EXPECT_TRUE(rc == OCI_SUCCESS || rc == OCI_ERROR) << text;
        ++statuses;
        if (rc == OCI_SUCCESS) {  // undo what a still-valid text made
          for (const char *undo : {"DROP TABLE cut", "DROP VIEW bv", "DROP INDEX bi"}) s.Run(undo);
        }
      }
    }
  }
  EXPECT_GT(statuses, 100);
  EXPECT_EQ(One("SELECT COUNT(*) FROM user_tables"), "1");
  Ok("INSERT INTO base (id, v) VALUES (1, 'a')");
}

TEST_F(SchemaTest, HumanResourcesSchemaLoadsAndAnswersAsOracle) {
  const std::filesystem::path dir = KESTREL_ORACLE_SAMPLES_DIR;
  if (!std::filesystem::exists(dir / "hr_create.sql")) GTEST_SKIP() << "no sample scripts at " << dir;
  for (const char *script : {"hr_create.sql", "hr_populate.sql"}) {
    for (const std::string &sql : ScriptStatements(dir / script)) EXPECT_EQ(Try(sql), "") << sql;
  }
  const std::vector<std::pair<std::string, std::string>> answers = {
      {"SELECT COUNT(*) FROM employees", "107"},
      {"SELECT COUNT(*) FROM departments", "27"},
      {"SELECT COUNT(*) FROM countries", "25"},
      {"SELECT COUNT(*) FROM job_history", "10"},
      {"SELECT nullable FROM user_tab_columns WHERE table_name = 'EMPLOYEES' AND column_name = "
       "'EMPLOYEE_ID'",
       "N"},
      {"SELECT COUNT(*) FROM emp_details_view", "106"},
      {"SELECT last_name FROM employees WHERE employee_id = 100", "King"},
      {"SELECT COUNT(*) FROM user_constraints WHERE table_name = 'EMPLOYEES'", "10"},
      {"SELECT constraint_type || ' ' || r_constraint_name || ' ' || delete_rule || ' ' || status "
       "FROM user_constraints WHERE constraint_name = 'DEPT_MGR_FK'",
       "R EMP_EMP_ID_PK NO ACTION ENABLED"},
      {"SELECT search_condition FROM user_constraints WHERE constraint_name = 'EMP_SALARY_MIN'",
       "salary > 0"},
      {"SELECT column_name || position FROM user_cons_columns WHERE constraint_name = "
       "'JHIST_EMP_ID_ST_DATE_PK' ORDER BY position DESC",
       "START_DATE2"},
  };
  for (const auto &[sql, want] : answers) EXPECT_EQ(One(sql), want) << sql;
  // Oracle's errors, naming HR's constraints.
  const std::vector<std::pair<std::string, std::string>> errors = {
      {"INSERT INTO regions VALUES (10, 'Again')",
       "ORA-00001: unique constraint (SCOTT.REG_ID_PK) violated"},
      {"INSERT INTO departments VALUES (999, 'New', NULL, 9999)",
       "ORA-02291: integrity constraint (SCOTT.DEPT_LOC_FK) violated - parent key not found"},
      {"DELETE FROM jobs WHERE job_id = 'AD_PRES'",
       "ORA-02292: integrity constraint (SCOTT.EMP_JOB_FK) violated - child record found"},
      {"UPDATE employees SET salary = 0 WHERE employee_id = 100",
       "ORA-02290: check constraint (SCOTT.EMP_SALARY_MIN) violated"},
      {"UPDATE employees SET last_name = NULL WHERE employee_id = 100",
       "ORA-01407: cannot update (\"SCOTT\".\"EMPLOYEES\".\"LAST_NAME\") to NULL"},
      {"DROP TABLE jobs",
       "ORA-02449: unique/primary keys in table referenced by foreign keys"},
      {"TRUNCATE TABLE regions",
       "ORA-02266: unique/primary keys in table referenced by enabled foreign keys"},
  };
  for (const auto &[sql, want] : errors) EXPECT_EQ(Try(sql), want) << sql;
}

// Customer Orders' tables, keys and indexes (its views and its JSON check
// need query forms beyond this executor), with identity columns at work.
TEST_F(SchemaTest, CustomerOrdersTablesLoadWithIdentityKeys) {
  const std::filesystem::path dir = KESTREL_ORACLE_SAMPLES_DIR;
  if (!std::filesystem::exists(dir / "co_create.sql")) GTEST_SKIP() << "no sample scripts at " << dir;
  int run = 0;
  for (const std::string &sql : ScriptStatements(dir / "co_create.sql")) {
    std::string upper = sql;
    for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const size_t b = upper.find_first_not_of(" \t\r\n");
    if (upper.find("IS JSON") != std::string::npos ||
        !(upper.compare(b, 12, "CREATE TABLE") == 0 || upper.compare(b, 12, "CREATE INDEX") == 0 ||
          upper.compare(b, 11, "ALTER TABLE") == 0)) {
      continue;
    }
    EXPECT_EQ(Try(sql), "") << sql;
    ++run;
  }
  EXPECT_EQ(run, 37);
  Ok("INSERT INTO customers (email_address, full_name) VALUES ('a@example.com', 'A')");
  Ok("INSERT INTO customers (customer_id, email_address, full_name) VALUES (NULL, 'b@example.com', 'B')");
  EXPECT_EQ(One("SELECT MAX(customer_id) FROM customers"), "2");
  EXPECT_EQ(Try("INSERT INTO customers (email_address, full_name) VALUES ('a@example.com', 'C')"),
            "ORA-00001: unique constraint (SCOTT.CUSTOMERS_EMAIL_U) violated");
  Ok("INSERT INTO stores (store_name, web_address) VALUES ('S', 'https://example.com')");
  EXPECT_EQ(Try("INSERT INTO stores (store_name) VALUES ('No address')"),
            "ORA-02290: check constraint (SCOTT.STORE_AT_LEAST_ONE_ADDRESS_C) violated");
  EXPECT_EQ(Try("INSERT INTO orders (order_tms, customer_id, order_status, store_id) "
                "VALUES (SYSDATE, 1, 'LOST', 1)"),
            "ORA-02290: check constraint (SCOTT.ORDERS_STATUS_C) violated");
  EXPECT_EQ(One("SELECT COUNT(*) FROM user_constraints WHERE constraint_type IN ('P', 'U', 'R')"), "20");
}

// The whole Customer Orders create script through the client (its JSON
// check and its views too), then data of our own: each view's rows as
// Oracle gives them, worked out by hand.
TEST_F(SchemaTest, CustomerOrdersScriptRunsAndItsViewsAnswerAsOracle) {
  const std::filesystem::path dir = KESTREL_ORACLE_SAMPLES_DIR;
  if (!std::filesystem::exists(dir / "co_create.sql")) GTEST_SKIP() << "no sample scripts at " << dir;
  for (const std::string &sql : ScriptStatements(dir / "co_create.sql")) EXPECT_EQ(Try(sql), "") << sql;
  for (const char *sql : {
           "INSERT INTO customers (email_address, full_name) VALUES ('a@x', 'Ann')",
           "INSERT INTO customers (email_address, full_name) VALUES ('b@x', 'Bob')",
           "INSERT INTO customers (email_address, full_name) VALUES ('c@x', 'Cy')",
           "INSERT INTO stores (store_name, web_address) VALUES ('Online', 'http://s')",
           "INSERT INTO stores (store_name, physical_address, latitude, longitude)"
           " VALUES ('Town', '1 Main St', 51.5, -0.1)",
           "INSERT INTO products (product_name, unit_price, product_details) VALUES ('Hat', 10,"
           " UTL_RAW.CAST_TO_RAW('{\"colour\":\"red\",\"reviews\":[{\"rating\":4,\"review\":\"ok\"},"
           "{\"rating\":2,\"review\":\"meh\"}]}'))",
           "INSERT INTO products (product_name, unit_price, product_details) VALUES ('Bag', 20,"
           " UTL_RAW.CAST_TO_RAW('{\"reviews\":[]}'))",
           "INSERT INTO products (product_name, unit_price) VALUES ('Pen', 1)",
           "INSERT INTO orders (order_tms, customer_id, order_status, store_id)"
           " VALUES (TIMESTAMP '2023-01-01 10:00:00', 1, 'COMPLETE', 1)",
           "INSERT INTO orders (order_tms, customer_id, order_status, store_id)"
           " VALUES (TIMESTAMP '2023-01-02 11:00:00', 2, 'OPEN', 2)",
           "INSERT INTO orders (order_tms, customer_id, order_status, store_id)"
           " VALUES (TIMESTAMP '2023-01-03 12:00:00', 1, 'COMPLETE', 2)",
           "INSERT INTO order_items VALUES (1, 1, 1, 10, 2, NULL)",
           "INSERT INTO order_items VALUES (1, 2, 2, 20, 1, NULL)",
           "INSERT INTO order_items VALUES (2, 1, 3, 1, 5, NULL)",
           "INSERT INTO order_items VALUES (3, 1, 1, 10, 1, NULL)",
       }) {
    Ok(sql);
  }
  EXPECT_EQ(Try("INSERT INTO products (product_name, product_details) VALUES ('Bad',"
                " UTL_RAW.CAST_TO_RAW('{oops'))"),
            "ORA-02290: check constraint (SCOTT.PRODUCTS_JSON_C) violated");
  const auto all = [&](const std::string &sql) {
    std::string out;
    for (const auto &row : s.Query(sql)) {
      if (!out.empty()) out += ';';
      for (size_t i = 0; i < row.size(); ++i) out += (i ? "|" : "") + (row[i] ? *row[i] : "NULL");
    }
    return out;
  };
  const std::vector<std::pair<std::string, std::string>> views = {
      {"SELECT order_id, TO_CHAR(order_tms, 'YYYY-MM-DD HH24:MI'), order_status, customer_id,"
       " email_address, full_name, order_total, items FROM customer_order_products ORDER BY 1",
       "1|2023-01-01 10:00|COMPLETE|1|a@x|Ann|40|Hat, Bag;2|2023-01-02 11:00|OPEN|2|b@x|Bob|5|Pen;"
       "3|2023-01-03 12:00|COMPLETE|1|a@x|Ann|10|Hat"},
      // grouping sets: a store's total, a store and status, a status's
      // total, the grand total (COUNT(DISTINCT) counts orders, not lines)
      {"SELECT total, store_name, address, order_status, order_count, total_sales"
       " FROM store_orders ORDER BY total, store_name, order_status",
       "GRAND TOTAL|NULL|NULL|NULL|3|55;STATUS TOTAL|NULL|NULL|COMPLETE|2|50;"
       "STATUS TOTAL|NULL|NULL|OPEN|1|5;STORE TOTAL|Online|http://s|NULL|1|40;"
       "STORE TOTAL|Town|1 Main St|NULL|2|15;NULL|Online|http://s|COMPLETE|1|40;"
       "NULL|Town|1 Main St|COMPLETE|1|10;NULL|Town|1 Main St|OPEN|1|5"},
      {"SELECT COUNT(*) FROM store_orders WHERE latitude = 51.5 AND longitude = -0.1", "3"},
      // an empty review array keeps its product (NESTED PATH is an outer
      // join); a product without details has no row
      {"SELECT product_name, rating, avg_rating, review FROM product_reviews ORDER BY 1, 2",
       "Bag|NULL|NULL|NULL;Hat|2|3|meh;Hat|4|3|ok"},
      {"SELECT * FROM product_orders ORDER BY 1", "Bag|COMPLETE|20|1;Hat|COMPLETE|30|2;Pen|OPEN|5|1"},
  };
  for (const auto &[sql, want] : views) EXPECT_EQ(all(sql), want) << sql;
}

// Oracle's sample-schema install style: an administrator makes HR and CO,
// grants them what the scripts need, each loads its schema as itself, and
// one schema reads the other's only after a grant.
TEST_F(SchemaTest, SampleSchemasLiveSideBySideBehindTheirGrants) {
  const std::filesystem::path dir = KESTREL_ORACLE_SAMPLES_DIR;
  if (!std::filesystem::exists(dir / "hr_create.sql")) GTEST_SKIP() << "no sample scripts at " << dir;
  for (const char *user : {"hr", "co"}) {
    Ok(std::string("CREATE USER ") + user + " IDENTIFIED BY pw DEFAULT TABLESPACE users QUOTA "
       "UNLIMITED ON users");
    Ok(std::string("GRANT CREATE SESSION, CREATE TABLE, CREATE VIEW, CREATE SEQUENCE, CREATE "
                   "PROCEDURE, CREATE TRIGGER, CREATE SYNONYM, UNLIMITED TABLESPACE TO ") + user);
  }
  Session hr(this->dir.File("schema.db"), "hr", "pw");
  ASSERT_TRUE(hr.ok()) << hr.ErrorText();
  for (const char *script : {"hr_create.sql", "hr_populate.sql"}) {
    for (const std::string &sql : ScriptStatements(dir / script)) {
      EXPECT_EQ(hr.Run(sql), OCI_SUCCESS) << sql << ": " << hr.ErrorText();
    }
  }
  Session co(this->dir.File("schema.db"), "co", "pw");
  ASSERT_TRUE(co.ok()) << co.ErrorText();
  for (const std::string &sql : ScriptStatements(dir / "co_create.sql")) {
    EXPECT_EQ(co.Run(sql), OCI_SUCCESS) << sql << ": " << co.ErrorText();
  }
  EXPECT_EQ(co.Run("SELECT COUNT(*) FROM hr.employees"), OCI_ERROR);
  EXPECT_EQ(co.ErrorText(), "ORA-00942: table or view does not exist");
  EXPECT_EQ(co.Run("SELECT COUNT(*) FROM employees"), OCI_ERROR);
  EXPECT_EQ(hr.Run("SELECT COUNT(*) FROM co.customers"), OCI_ERROR);
  ASSERT_EQ(hr.Run("GRANT SELECT ON employees TO co"), OCI_SUCCESS) << hr.ErrorText();
  const Rows rows = co.Query("SELECT COUNT(*) FROM hr.employees");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(*rows[0][0], "107");
  EXPECT_EQ(co.Run("DELETE FROM hr.employees WHERE employee_id = 206"), OCI_ERROR);
  EXPECT_EQ(co.ErrorCode(), 1031) << co.ErrorText();
  // With DELETE granted, HR's constraints answer, naming HR's keys.
  ASSERT_EQ(hr.Run("GRANT DELETE ON employees TO co"), OCI_SUCCESS) << hr.ErrorText();
  EXPECT_EQ(co.Run("DELETE FROM hr.employees WHERE employee_id = 100"), OCI_ERROR);
  EXPECT_EQ(co.ErrorText(),
            "ORA-02292: integrity constraint (HR.DEPT_MGR_FK) violated - child record found");
  // Each schema's objects are its own, and the administrator sees both.
  EXPECT_EQ(One("SELECT owner FROM all_tables WHERE table_name = 'EMPLOYEES'"), "HR");
  EXPECT_EQ(One("SELECT owner FROM all_tables WHERE table_name = 'CUSTOMERS'"), "CO");
  EXPECT_EQ(One("SELECT COUNT(*) FROM hr.employees"), "107");
}

// Two schemas load the same sample's tables under the same names, each
// its own.
TEST_F(SchemaTest, OneSampleLoadsTwiceInTwoSchemas) {
  const std::filesystem::path dir = KESTREL_ORACLE_SAMPLES_DIR;
  if (!std::filesystem::exists(dir / "hr_create.sql")) GTEST_SKIP() << "no sample scripts at " << dir;
  std::vector<std::unique_ptr<Session>> schemas;
  for (const char *user : {"hr", "hr2"}) {
    Ok(std::string("CREATE USER ") + user + " IDENTIFIED BY pw");
    Ok(std::string("GRANT CONNECT, RESOURCE, CREATE VIEW TO ") + user);
    schemas.push_back(std::make_unique<Session>(this->dir.File("schema.db"), user, "pw"));
    Session &hr = *schemas.back();
    ASSERT_TRUE(hr.ok()) << hr.ErrorText();
    // Its procedures and triggers too: each schema has its own of those names.
    for (const char *script : {"hr_create.sql", "hr_populate.sql", "hr_code.sql"}) {
      for (const std::string &sql : ScriptStatements(dir / script)) {
        EXPECT_EQ(hr.Run(sql), OCI_SUCCESS) << user << ": " << sql << ": " << hr.ErrorText();
      }
    }
  }
  ASSERT_EQ(schemas[1]->Run("DELETE FROM job_history"), OCI_SUCCESS) << schemas[1]->ErrorText();
  ASSERT_EQ(schemas[1]->Run("COMMIT"), OCI_SUCCESS);
  EXPECT_EQ(One("SELECT COUNT(*) FROM hr.job_history"), "10");
  EXPECT_EQ(One("SELECT COUNT(*) FROM hr2.job_history"), "0");
  EXPECT_EQ(One("SELECT COUNT(*) FROM hr2.emp_details_view"), "106");
  EXPECT_EQ(One("SELECT COUNT(*) FROM all_tables WHERE table_name = 'EMPLOYEES'"), "2");
  // A job change in HR2 runs HR2's trigger and procedure, writing HR2's history.
  ASSERT_EQ(schemas[1]->Run("UPDATE employees SET job_id = 'IT_PROG' WHERE employee_id = 206"),
            OCI_SUCCESS)
      << schemas[1]->ErrorText();
  ASSERT_EQ(schemas[1]->Run("COMMIT"), OCI_SUCCESS);
  EXPECT_EQ(One("SELECT COUNT(*) FROM hr.job_history"), "10");
  EXPECT_EQ(One("SELECT COUNT(*) FROM hr2.job_history"), "1");
  EXPECT_EQ(One("SELECT COUNT(*) FROM all_objects WHERE object_name = 'ADD_JOB_HISTORY'"), "2");
}

}  // namespace
