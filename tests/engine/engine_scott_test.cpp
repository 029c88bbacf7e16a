// The SCOTT schema (DEPT, EMP, SALGRADE, BONUS) loaded as its usual script
// does, with TO_DATE literals, and queried through the client interface;
// the expected rows are the widely published answers for this data.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

const char *const kScott[] = {
    "CREATE TABLE DEPT (DEPTNO NUMBER(2) CONSTRAINT PK_DEPT PRIMARY KEY, DNAME VARCHAR2(14), "
    "LOC VARCHAR2(13))",
    "CREATE TABLE EMP (EMPNO NUMBER(4) CONSTRAINT PK_EMP PRIMARY KEY, ENAME VARCHAR2(10), "
    "JOB VARCHAR2(9), MGR NUMBER(4), HIREDATE DATE, SAL NUMBER(7,2), COMM NUMBER(7,2), "
    "DEPTNO NUMBER(2) CONSTRAINT FK_DEPTNO REFERENCES DEPT)",
    "INSERT INTO DEPT VALUES (10,'ACCOUNTING','NEW YORK')",
    "INSERT INTO DEPT VALUES (20,'RESEARCH','DALLAS')",
    "INSERT INTO DEPT VALUES (30,'SALES','CHICAGO')",
    "INSERT INTO DEPT VALUES (40,'OPERATIONS','BOSTON')",
    "INSERT INTO EMP VALUES (7369,'SMITH','CLERK',7902,to_date('17-12-1980','dd-mm-yyyy'),800,NULL,20)",
    "INSERT INTO EMP VALUES (7499,'ALLEN','SALESMAN',7698,to_date('20-2-1981','dd-mm-yyyy'),1600,300,30)",
    "INSERT INTO EMP VALUES (7521,'WARD','SALESMAN',7698,to_date('22-2-1981','dd-mm-yyyy'),1250,500,30)",
    "INSERT INTO EMP VALUES (7566,'JONES','MANAGER',7839,to_date('2-4-1981','dd-mm-yyyy'),2975,NULL,20)",
    "INSERT INTO EMP VALUES (7654,'MARTIN','SALESMAN',7698,to_date('28-9-1981','dd-mm-yyyy'),1250,1400,30)",
    "INSERT INTO EMP VALUES (7698,'BLAKE','MANAGER',7839,to_date('1-5-1981','dd-mm-yyyy'),2850,NULL,30)",
    "INSERT INTO EMP VALUES (7782,'CLARK','MANAGER',7839,to_date('9-6-1981','dd-mm-yyyy'),2450,NULL,10)",
    "INSERT INTO EMP VALUES (7788,'SCOTT','ANALYST',7566,to_date('13-JUL-87','dd-mon-rr')-85,3000,NULL,20)",
    "INSERT INTO EMP VALUES (7839,'KING','PRESIDENT',NULL,to_date('17-11-1981','dd-mm-yyyy'),5000,NULL,10)",
    "INSERT INTO EMP VALUES (7844,'TURNER','SALESMAN',7698,to_date('8-9-1981','dd-mm-yyyy'),1500,0,30)",
    "INSERT INTO EMP VALUES (7876,'ADAMS','CLERK',7788,to_date('13-JUL-87', 'dd-mon-rr')-51,1100,NULL,20)",
    "INSERT INTO EMP VALUES (7900,'JAMES','CLERK',7698,to_date('3-12-1981','dd-mm-yyyy'),950,NULL,30)",
    "INSERT INTO EMP VALUES (7902,'FORD','ANALYST',7566,to_date('3-12-1981','dd-mm-yyyy'),3000,NULL,20)",
    "INSERT INTO EMP VALUES (7934,'MILLER','CLERK',7782,to_date('23-1-1982','dd-mm-yyyy'),1300,NULL,10)",
    "CREATE TABLE BONUS (ENAME VARCHAR2(10), JOB VARCHAR2(9), SAL NUMBER, COMM NUMBER)",
    "CREATE TABLE SALGRADE (GRADE NUMBER, LOSAL NUMBER, HISAL NUMBER)",
    "INSERT INTO SALGRADE VALUES (1,700,1200)",
    "INSERT INTO SALGRADE VALUES (2,1201,1400)",
    "INSERT INTO SALGRADE VALUES (3,1401,2000)",
    "INSERT INTO SALGRADE VALUES (4,2001,3000)",
    "INSERT INTO SALGRADE VALUES (5,3001,9999)",
    "COMMIT",
};

class EngineScott : public ::testing::Test {
 protected:
  EngineScott() : s(dir.CreateLink("scott.db")) {}
  void SetUp() override {
    ASSERT_TRUE(s.ok()) << s.ErrorText();
    for (const char *sql : kScott) ASSERT_EQ(s.Run(sql), OCI_SUCCESS) << sql << ": " << s.ErrorText();
  }
  // The rows as "a|b" joined by ';'.
  std::string Answer(const std::string &sql) {
    const Rows rows = s.Query(sql);
    if (s.ErrorCode() != 0) return s.ErrorText();
    std::string out;
    for (const auto &row : rows) {
      if (!out.empty()) out += ';';
      for (size_t i = 0; i < row.size(); ++i) {
        if (i) out += '|';
        out += row[i].value_or("");
      }
    }
    return out;
  }

  TempDir dir;
  Session s;
};

TEST_F(EngineScott, QueriesGiveOraclesAnswers) {
  const struct {
    const char *sql;
    const char *rows;
  } cases[] = {
      {"SELECT COUNT(*), SUM(sal), SUM(NVL(comm, 0)), MIN(hiredate), MAX(hiredate) FROM emp",
       "14|29025|2200|17-DEC-80|23-MAY-87"},
      {"SELECT deptno, COUNT(*), SUM(sal), ROUND(AVG(sal), 2) FROM emp GROUP BY deptno "
       "ORDER BY deptno",
       "10|3|8750|2916.67;20|5|10875|2175;30|6|9400|1566.67"},
      {"SELECT e.ename, d.dname FROM emp e JOIN dept d ON e.deptno = d.deptno "
       "WHERE d.loc = 'DALLAS' ORDER BY e.ename",
       "ADAMS|RESEARCH;FORD|RESEARCH;JONES|RESEARCH;SCOTT|RESEARCH;SMITH|RESEARCH"},
      {"SELECT e.ename, s.grade FROM emp e, salgrade s "
       "WHERE e.sal BETWEEN s.losal AND s.hisal AND e.deptno = 10 ORDER BY e.ename",
       "CLARK|4;KING|5;MILLER|2"},
      {"SELECT job, MAX(sal) FROM emp GROUP BY job HAVING COUNT(*) > 1 ORDER BY job",
       "ANALYST|3000;CLERK|1300;MANAGER|2975;SALESMAN|1600"},
      {"SELECT ename, sal FROM emp WHERE sal > (SELECT AVG(sal) FROM emp) ORDER BY sal DESC, ename",
       "KING|5000;FORD|3000;SCOTT|3000;JONES|2975;BLAKE|2850;CLARK|2450"},
      {"SELECT e.ename, m.ename FROM emp e LEFT JOIN emp m ON e.mgr = m.empno "
       "WHERE e.deptno = 10 ORDER BY e.ename",
       "CLARK|KING;KING|;MILLER|CLARK"},
      {"SELECT ename, TO_CHAR(hiredate, 'DD-MON-YYYY'), TO_CHAR(hiredate, 'fmDay') FROM emp "
       "WHERE hiredate >= DATE '1987-01-01' ORDER BY hiredate",
       "SCOTT|19-APR-1987|Sunday;ADAMS|23-MAY-1987|Saturday"},
      {"SELECT ename, comm, sal + NVL(comm, 0) FROM emp WHERE comm IS NOT NULL ORDER BY empno",
       "ALLEN|300|1900;WARD|500|1750;MARTIN|1400|2650;TURNER|0|1500"},
      {"SELECT dname FROM dept d WHERE NOT EXISTS (SELECT 1 FROM emp e WHERE e.deptno = d.deptno)",
       "OPERATIONS"},
      {"SELECT ename, DECODE(deptno, 10, 'A', 20, 'R', 'S') FROM emp WHERE sal >= 3000 "
       "ORDER BY ename",
       "FORD|R;KING|A;SCOTT|R"},
      {"SELECT INITCAP(ename) || ' (' || LOWER(job) || ')' FROM emp WHERE mgr IS NULL",
       "King (president)"},
      {"SELECT ename, TRUNC(MONTHS_BETWEEN(DATE '2000-01-01', hiredate) / 12) FROM emp "
       "WHERE empno = 7839",
       "KING|18"},
      {"SELECT COUNT(DISTINCT job), COUNT(comm), COUNT(mgr) FROM emp", "5|4|13"},
  };
  for (const auto &c : cases) EXPECT_EQ(Answer(c.sql), c.rows) << c.sql;
}

// Hierarchies, analytic and recursive forms over SCOTT's tree of managers.
TEST_F(EngineScott, QueryFormsGiveOraclesAnswers) {
  const struct {
    const char *sql;
    const char *rows;
  } cases[] = {
      {"SELECT ename, LEVEL FROM emp START WITH mgr IS NULL CONNECT BY PRIOR empno = mgr "
       "ORDER SIBLINGS BY ename",
       "KING|1;BLAKE|2;ALLEN|3;JAMES|3;MARTIN|3;TURNER|3;WARD|3;CLARK|2;MILLER|3;JONES|2;"
       "FORD|3;SMITH|4;SCOTT|3;ADAMS|4"},
      {"SELECT SYS_CONNECT_BY_PATH(ename, '/') FROM emp WHERE CONNECT_BY_ISLEAF = 1 "
       "START WITH mgr IS NULL CONNECT BY PRIOR empno = mgr ORDER SIBLINGS BY ename",
       "/KING/BLAKE/ALLEN;/KING/BLAKE/JAMES;/KING/BLAKE/MARTIN;/KING/BLAKE/TURNER;"
       "/KING/BLAKE/WARD;/KING/CLARK/MILLER;/KING/JONES/FORD/SMITH;/KING/JONES/SCOTT/ADAMS"},
      {"SELECT LEVEL, COUNT(*) FROM emp START WITH mgr IS NULL CONNECT BY PRIOR empno = mgr "
       "GROUP BY LEVEL ORDER BY 1",
       "1|1;2|3;3|8;4|2"},
      // over a join; WHERE's other conditions after the hierarchy
      {"SELECT e.ename, d.dname FROM emp e JOIN dept d ON e.deptno = d.deptno "
       "WHERE d.dname <> 'SALES' START WITH e.mgr IS NULL CONNECT BY PRIOR e.empno = e.mgr "
       "ORDER SIBLINGS BY e.ename",
       "KING|ACCOUNTING;CLARK|ACCOUNTING;MILLER|ACCOUNTING;JONES|RESEARCH;FORD|RESEARCH;"
       "SMITH|RESEARCH;SCOTT|RESEARCH;ADAMS|RESEARCH"},
      {"SELECT ename, LAG(comm) IGNORE NULLS OVER (ORDER BY empno) FROM emp WHERE deptno = 30 "
       "ORDER BY empno",
       "ALLEN|;WARD|300;MARTIN|500;BLAKE|1400;TURNER|1400;JAMES|0"},
      {"SELECT DISTINCT deptno, MIN(ename) KEEP (DENSE_RANK LAST ORDER BY sal) "
       "OVER (PARTITION BY deptno) FROM emp ORDER BY deptno",
       "10|KING;20|FORD;30|BLAKE"},
      {"SELECT DISTINCT sal, COUNT(*) OVER (ORDER BY sal GROUPS BETWEEN CURRENT ROW AND "
       "1 FOLLOWING) FROM emp WHERE deptno = 20 ORDER BY sal",
       "800|2;1100|2;2975|3;3000|2"},
      {"WITH h (empno, ename, lvl) AS (SELECT empno, ename, 1 FROM emp WHERE mgr IS NULL "
       "UNION ALL SELECT e.empno, e.ename, h.lvl + 1 FROM h JOIN emp e ON e.mgr = h.empno) "
       "SEARCH BREADTH FIRST BY ename SET o SELECT ename FROM h WHERE lvl <= 3 ORDER BY o",
       "KING;BLAKE;CLARK;JONES;ALLEN;FORD;JAMES;MARTIN;MILLER;SCOTT;TURNER;WARD"},
      // ROWNUM under OR and beside columns: only kept rows use up a number
      {"SELECT ename FROM emp WHERE ROWNUM <= 3 OR deptno = 10",
       "SMITH;ALLEN;WARD;CLARK;KING;MILLER"},
      {"SELECT ROWNUM, ename FROM emp WHERE deptno = 20 AND (ROWNUM < 3 OR job = 'ANALYST')",
       "1|SMITH;2|JONES;3|SCOTT;4|FORD"},
      {"SELECT ROWNUM, ename FROM emp WHERE CONNECT_BY_ISLEAF = 1 AND ROWNUM <= 3 "
       "START WITH mgr IS NULL CONNECT BY PRIOR empno = mgr ORDER SIBLINGS BY ename",
       "1|ALLEN;2|JAMES;3|MARTIN"},
  };
  for (const auto &c : cases) EXPECT_EQ(Answer(c.sql), c.rows) << c.sql;
  // KING under SMITH: a loop, found without NOCYCLE and marked with CYCLE
  ASSERT_EQ(s.Run("UPDATE emp SET mgr = 7369 WHERE empno = 7839"), OCI_SUCCESS) << s.ErrorText();
  // (raised by a fetch, as in Oracle)
  OCIStmt *stmt = s.NewStatement();
  sword rc = s.Run("SELECT ename FROM emp START WITH empno = 7839 CONNECT BY PRIOR empno = mgr", stmt);
  while (rc == OCI_SUCCESS) rc = OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
  EXPECT_EQ(rc, OCI_ERROR);
  EXPECT_EQ(s.ErrorText(), "ORA-01436: CONNECT BY loop in user data");
  EXPECT_EQ(Answer("WITH h (empno, ename) AS (SELECT empno, ename FROM emp WHERE empno = 7566 "
                   "UNION ALL SELECT e.empno, e.ename FROM h JOIN emp e ON e.mgr = h.empno) "
                   "CYCLE empno SET looped TO 'Y' DEFAULT 'N' "
                   "SELECT ename FROM h WHERE looped = 'Y' ORDER BY 1"),
            "JONES");
}

// SET col = DEFAULT puts the column's default back (NULL without one).
TEST_F(EngineScott, UpdateSetsDefaults) {
  ASSERT_EQ(s.Run("CREATE TABLE d (n NUMBER(3) DEFAULT 7, t VARCHAR2(5))"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO d VALUES (1, 'x')"), OCI_SUCCESS);
  OCIStmt *stmt = s.NewStatement();
  ASSERT_EQ(s.Run("UPDATE d SET n = DEFAULT, t = DEFAULT", stmt), OCI_SUCCESS) << s.ErrorText();
  ub4 rows = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, s.err);
  EXPECT_EQ(rows, 1u);
  EXPECT_EQ(Answer("SELECT n, t FROM d"), "7|");
}

// MERGE and multi-table INSERT run as one statement and count the rows
// they wrote.
TEST_F(EngineScott, MergeAndInsertAllCountTheirRows) {
  const struct {
    const char *sql;
    ub4 rows;
    const char *check;
    const char *answer;
  } steps[] = {
      {"MERGE INTO bonus b USING (SELECT ename, job, sal, comm FROM emp WHERE deptno = 30) e "
       "ON (b.ename = e.ename) WHEN MATCHED THEN UPDATE SET b.sal = e.sal * 2 "
       "WHEN NOT MATCHED THEN INSERT (ename, job, sal, comm) VALUES (e.ename, e.job, e.sal, e.comm)",
       6, "SELECT COUNT(*), SUM(sal) FROM bonus", "6|9400"},
      {"MERGE INTO bonus b USING (SELECT ename, sal FROM emp WHERE deptno IN (20, 30)) e "
       "ON (b.ename = e.ename) WHEN MATCHED THEN UPDATE SET b.sal = e.sal * 2 "
       "WHEN NOT MATCHED THEN INSERT (ename, sal) VALUES (e.ename, e.sal)",
       11, "SELECT COUNT(*), SUM(sal) FROM bonus", "11|29675"},
      {"INSERT ALL INTO bonus (ename, job) VALUES (ename, 'A') "
       "INTO bonus (ename, job) VALUES (ename, 'B') SELECT ename FROM emp WHERE deptno = 10",
       6, "SELECT COUNT(*) FROM bonus WHERE job IN ('A', 'B')", "6"},
      // DELETE WHERE takes only rows this MERGE updated (ALLEN, BLAKE,
      // TURNER; not WARD or MARTIN, whose comm is low too): 5 updated and
      // NEWBIE inserted are counted
      {"MERGE INTO bonus b USING (SELECT ename, sal FROM emp WHERE deptno = 30 OR job = 'ANALYST' "
       "UNION ALL SELECT 'NEWBIE', 100 FROM dual) e ON (b.ename = e.ename) "
       "WHEN MATCHED THEN UPDATE SET b.comm = e.sal WHERE b.sal > 2500 DELETE WHERE b.comm < 3000 "
       "WHEN NOT MATCHED THEN INSERT (ename, sal) VALUES (e.ename, e.sal)",
       6, "SELECT COUNT(*), SUM(comm) FROM bonus", "15|7900"},
  };
  OCIStmt *stmt = s.NewStatement();
  for (const auto &step : steps) {
    ASSERT_EQ(s.Run(step.sql, stmt), OCI_SUCCESS) << step.sql << ": " << s.ErrorText();
    ub4 rows = 0;
    OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, s.err);
    EXPECT_EQ(rows, step.rows) << step.sql;
    EXPECT_EQ(Answer(step.check), step.answer) << step.sql;
  }
  // A step that fails undoes the statement's earlier steps.
  EXPECT_EQ(s.Run("INSERT ALL INTO bonus (ename) VALUES (ename) INTO bonus (ename) "
                  "VALUES (ename || 'toolongforten') SELECT ename FROM emp"),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 12899);
  EXPECT_EQ(Answer("SELECT COUNT(*) FROM bonus"), "15");
  // A MERGE failing after its UPDATE marked rows leaves no mark behind for
  // the next one's DELETE WHERE.
  EXPECT_EQ(s.Run("MERGE INTO bonus b USING (SELECT ename FROM emp WHERE deptno = 20 "
                  "UNION ALL SELECT 'ZED' FROM dual) e ON (b.ename = e.ename) "
                  "WHEN MATCHED THEN UPDATE SET b.job = 'X' WHERE 1 = 1 DELETE WHERE b.job = 'X' "
                  "WHEN NOT MATCHED THEN INSERT (ename) VALUES (e.ename || 'toolongforten')"),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 12899);
  ASSERT_EQ(s.Run("MERGE INTO bonus b USING (SELECT 'NEWBIE' ename FROM dual UNION ALL "
                  "SELECT 'ZED' FROM dual) e ON (b.ename = e.ename) "
                  "WHEN MATCHED THEN UPDATE SET b.job = 'X' WHERE 1 = 1 DELETE WHERE b.job = 'X' "
                  "WHEN NOT MATCHED THEN INSERT (ename, job) VALUES (e.ename, 'X')",
                  stmt),
            OCI_SUCCESS)
      << s.ErrorText();
  ub4 rows = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, s.err);
  EXPECT_EQ(rows, 2u);
  EXPECT_EQ(Answer("SELECT COUNT(*), MAX(ename) FROM bonus WHERE job = 'X' OR ename = 'NEWBIE'"),
            "1|ZED");
  EXPECT_EQ(Answer("SELECT COUNT(*) FROM bonus"), "15");
}

// RETURNING ... INTO writes the changed row into the client's binds.
TEST_F(EngineScott, ReturningIntoFillsTheBinds) {
  OCIStmt *stmt = s.NewStatement();
  int sal = 0;
  char name[11] = "";
  sb2 nameIndicator = 0;
  auto run = [&](const std::string &sql) {
    EXPECT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql.data()),
                             static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    OCIBind *a = nullptr;
    OCIBind *b = nullptr;
    EXPECT_EQ(OCIBindByName(stmt, &a, s.err, reinterpret_cast<const OraText *>(":s"), 2, &sal,
                            sizeof sal, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                            OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(OCIBindByName(stmt, &b, s.err, reinterpret_cast<const OraText *>(":n"), 2, name,
                            sizeof name, SQLT_STR, &nameIndicator, nullptr, nullptr, 0, nullptr,
                            OCI_DEFAULT),
              OCI_SUCCESS);
    return OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT);
  };
  ASSERT_EQ(run("UPDATE emp SET sal = sal + 100 WHERE empno = 7369 RETURNING sal, ename "
                "INTO :s, :n"),
            OCI_SUCCESS)
      << s.ErrorText();
  EXPECT_EQ(sal, 900);
  EXPECT_STREQ(name, "SMITH");
  ASSERT_EQ(run("INSERT INTO emp (empno, ename, sal) VALUES (1, 'NEW', 1234.4) "
                "RETURNING sal, ename INTO :s, :n"),
            OCI_SUCCESS)
      << s.ErrorText();
  EXPECT_EQ(sal, 1234);
  EXPECT_STREQ(name, "NEW");
  ASSERT_EQ(run("DELETE FROM emp WHERE empno = 2 RETURNING sal, ename INTO :s, :n"), OCI_SUCCESS);
  EXPECT_EQ(nameIndicator, -1);  // no row: NULL
  EXPECT_EQ(run("DELETE FROM emp WHERE deptno = 10 RETURNING sal, ename INTO :s, :n"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1422);
  EXPECT_EQ(Answer("SELECT COUNT(*) FROM emp WHERE deptno = 10"), "3");  // undone
}

// The constraints of the usual script hold.
TEST_F(EngineScott, ConstraintsHold) {
  EXPECT_EQ(s.Run("INSERT INTO dept VALUES (10, 'DUP', 'X')"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1);
  EXPECT_EQ(s.Run("INSERT INTO emp (empno, deptno) VALUES (1, 99)"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 2291);
  EXPECT_EQ(s.Run("UPDATE emp SET sal = 123456 WHERE empno = 7369"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1438);
}

}  // namespace
