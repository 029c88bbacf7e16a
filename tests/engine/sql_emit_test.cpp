// The resolver and the SQLite back end: Oracle SQL in, names bound and
// typed, SQLite SQL out, run on a small SCOTT-like schema with the
// engine's functions registered, compared with the rows Oracle gives.
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "functions/FunctionLibrary.h"
#include "session/SessionSettings.h"
#include "sql/emit/Backend.h"
#include "sql/parse/Parse.h"
#include "sql/resolve/Resolve.h"

namespace {

using namespace kestrel_engine::sql;

const char kSchema[] =
    "CREATE TABLE DEPT (DEPTNO NUMBER(2), DNAME VARCHAR2(14), LOC VARCHAR2(13));"
    "CREATE TABLE EMP (EMPNO NUMBER(4), ENAME VARCHAR2(10), JOB VARCHAR2(9), MGR NUMBER(4),"
    " HIREDATE DATE, SAL NUMBER(7,2), COMM NUMBER(7,2), DEPTNO NUMBER(2), STAMP TIMESTAMP(6));"
    "CREATE TABLE \"kestrel$sequences\" (name TEXT PRIMARY KEY);"
    "INSERT INTO \"kestrel$sequences\" VALUES ('EMP_SEQ');"
    "INSERT INTO DEPT VALUES (10,'ACCOUNTING','NEW YORK'),(20,'RESEARCH','DALLAS'),"
    " (30,'SALES','CHICAGO'),(40,'OPERATIONS','BOSTON');"
    "INSERT INTO EMP VALUES"
    " (7369,'SMITH','CLERK',7902,'1980-12-17 00:00:00',800,NULL,20,"
    "  '1980-12-17 08:30:00.250000000'),"
    " (7499,'ALLEN','SALESMAN',7698,'1981-02-20 00:00:00',1600,300,30,NULL),"
    " (7521,'WARD','SALESMAN',7698,'1981-02-22 00:00:00',1250,500,30,NULL),"
    " (7782,'CLARK','MANAGER',7839,'1981-06-09 00:00:00',2450,NULL,10,NULL),"
    " (7839,'KING','PRESIDENT',NULL,'1981-11-17 00:00:00',5000,NULL,10,NULL);";

// A tree with two roots whose rows are not stored in sibling order, and a
// loop (1 -> 2 -> 3 -> 1).
const char kTrees[] =
    "CREATE TABLE TREE (ID NUMBER, NAME VARCHAR2(10), PARENT NUMBER);"
    "INSERT INTO TREE VALUES (1,'A',NULL),(3,'C',1),(2,'B',1),(5,'E',2),(4,'D',2),(6,'F',3),"
    " (7,'G',NULL),(8,'H',7);"
    "CREATE TABLE LOOP (ID NUMBER, PARENT NUMBER);"
    "INSERT INTO LOOP VALUES (1,3),(2,1),(3,2),(4,3);";

// The Customer Orders tables, with the columns its views read.
const char kCustomerOrders[] =
    "CREATE TABLE CUSTOMERS (CUSTOMER_ID NUMBER, EMAIL_ADDRESS VARCHAR2(255),"
    " FULL_NAME VARCHAR2(255));"
    "CREATE TABLE STORES (STORE_ID NUMBER, STORE_NAME VARCHAR2(255), WEB_ADDRESS VARCHAR2(100),"
    " PHYSICAL_ADDRESS VARCHAR2(512), LATITUDE NUMBER, LONGITUDE NUMBER);"
    "CREATE TABLE PRODUCTS (PRODUCT_ID NUMBER, PRODUCT_NAME VARCHAR2(255), UNIT_PRICE NUMBER(10,2),"
    " PRODUCT_DETAILS BLOB);"
    "CREATE TABLE ORDERS (ORDER_ID NUMBER, ORDER_TMS TIMESTAMP, CUSTOMER_ID NUMBER,"
    " ORDER_STATUS VARCHAR2(10), STORE_ID NUMBER);"
    "CREATE TABLE ORDER_ITEMS (ORDER_ID NUMBER, LINE_ITEM_ID NUMBER, PRODUCT_ID NUMBER,"
    " UNIT_PRICE NUMBER(10,2), QUANTITY NUMBER, SHIPMENT_ID NUMBER);"
    "INSERT INTO CUSTOMERS VALUES (1,'a@x','Ann'),(2,'b@x','Bob');"
    "INSERT INTO STORES VALUES (1,'Online','http://s',NULL,NULL,NULL),"
    " (2,'Town',NULL,'1 Main St',51.5,-0.1);"
    "INSERT INTO PRODUCTS VALUES (1,'Hat',10,CAST('{\"colour\":\"red\",\"reviews\":"
    "[{\"rating\":4,\"review\":\"ok\"},{\"rating\":2,\"review\":\"meh\"}]}' AS BLOB)),"
    " (2,'Bag',20,CAST('{\"reviews\":[]}' AS BLOB)),(3,'Pen',1,NULL);"
    "INSERT INTO ORDERS VALUES (1,'2023-01-01 10:00:00.000000000',1,'COMPLETE',1),"
    " (2,'2023-01-02 11:00:00.000000000',2,'OPEN',2),(3,'2023-01-03 12:00:00.000000000',1,"
    "'COMPLETE',2);"
    "INSERT INTO ORDER_ITEMS VALUES (1,1,1,10,2,NULL),(1,2,2,20,1,NULL),(2,1,3,1,5,NULL),"
    " (3,1,1,10,1,NULL);";

class SqlEmit : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    ASSERT_EQ(kestrel_engine::RegisterOracleFunctions(db_, &settings_), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr), SQLITE_OK);
  }
  void TearDown() override { sqlite3_close(db_); }

  // Parse, resolve and emit; the emitted text.
  std::string Emit(const std::string &oracle, ResolvedStatement *out = nullptr) {
    arena_.Reset();
    catalog_.Clear();
    const Statement *s = Parse(oracle, arena_);
    ResolvedStatement r = Resolve(*s, oracle, catalog_);
    std::string sql = SqliteBackend().Emit(r);
    if (out != nullptr) *out = std::move(r);
    return sql;
  }

  // Runs the emitted SQL: rows as "a|b" joined by ';', or the error text.
  std::string Run(const std::string &oracle) {
    const std::string sql = Emit(oracle);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      return std::string("prepare: ") + sqlite3_errmsg(db_) + " in " + sql;
    }
    std::string rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      if (!rows.empty()) rows += ';';
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        if (i) rows += '|';
        const unsigned char *v = sqlite3_column_text(st, i);
        rows += v ? reinterpret_cast<const char *>(v) : "NULL";
      }
    }
    if (rc != SQLITE_DONE) rows = sqlite3_errmsg(db_);
    sqlite3_finalize(st);
    return rows;
  }

  // Each case's rows (or error text), compared with Oracle's.
  template <typename Case, size_t N>
  void ExpectRows(const Case (&cases)[N]) {
    for (const Case &c : cases) {
      SCOPED_TRACE(c.oracle);
      std::string got;
      try {
        got = Run(c.oracle);
      } catch (const std::exception &e) {
        got = e.what();
      }
      if (got != c.rows) {
        std::string sql;
        try {
          sql = Emit(c.oracle);
        } catch (const std::exception &e) {
          sql = e.what();
        }
        ADD_FAILURE() << "got " << got << "\nwanted " << c.rows << "\n" << sql;
      }
    }
  }

  kestrel_engine::SessionSettings settings_;
  sqlite3 *db_ = nullptr;
  Arena arena_;
  SqliteCatalog catalog_{nullptr};
};

struct RowCase {
  const char *oracle;
  const char *rows;
};

TEST_F(SqlEmit, QueriesGiveOraclesRows) {
  catalog_ = SqliteCatalog(db_);
  const RowCase cases[] = {
      // || skips NULL and writes numbers as Oracle does; '' is NULL
      {"SELECT ename || ' earns ' || sal FROM emp WHERE empno = 7369", "SMITH earns 800"},
      {"SELECT NULL || 'a', 'b' || '' FROM dual", "a|b"},
      {"SELECT COUNT(*) FROM dual WHERE '' IS NULL", "1"},
      // dates in days, fractions too; DATE - DATE in days; TIMESTAMP -
      // TIMESTAMP an interval; DATE meets TIMESTAMP
      {"SELECT hiredate + 30, hiredate - 0.5 FROM emp WHERE empno = 7369",
       "1981-01-16 00:00:00|1980-12-16 12:00:00"},
      {"SELECT 1 + hiredate FROM emp WHERE empno = 7839", "1981-11-18 00:00:00"},
      {"SELECT DATE '1981-03-01' - hiredate FROM emp WHERE empno = 7521", "7"},
      {"SELECT COUNT(*) FROM emp WHERE SYSDATE - hiredate > 1000", "5"},
      {"SELECT stamp - TIMESTAMP '1980-12-16 08:00:00' FROM emp WHERE empno = 7369",
       "+000000001 00:30:00.250000000"},
      {"SELECT COUNT(*) FROM emp WHERE hiredate = TIMESTAMP '1980-12-17 00:00:00'", "1"},
      // INTERVAL literals, and dates and timestamps plus or minus them
      {"SELECT INTERVAL '1 2:03:04.5' DAY TO SECOND, INTERVAL '-1-2' YEAR TO MONTH FROM dual",
       "+000000001 02:03:04.500000000|-000000001-02"},
      {"SELECT hiredate + INTERVAL '36' HOUR, hiredate - INTERVAL '1-1' YEAR TO MONTH,"
       " stamp + INTERVAL '0.75' SECOND FROM emp WHERE empno = 7369",
       "1980-12-18 12:00:00|1979-11-17 00:00:00|1980-12-17 08:30:01.000000000"},
      {"SELECT DATE '2021-01-31' + INTERVAL '1' MONTH FROM dual",
       "ORA-01839: date not valid for month specified"},
      // interval ± interval of one kind, × and ÷ a number (parts of a month
      // dropped), EXTRACT of their fields
      {"SELECT INTERVAL '1' DAY + INTERVAL '2:30' HOUR TO MINUTE,"
       " INTERVAL '1-6' YEAR TO MONTH - INTERVAL '2' YEAR FROM dual",
       "+000000001 02:30:00.000000000|-000000000-06"},
      {"SELECT INTERVAL '1 12:00:00' DAY TO SECOND * 2, 3 * INTERVAL '0.5' SECOND,"
       " INTERVAL '3' DAY / 2 FROM dual",
       "+000000003 00:00:00.000000000|+000000000 00:00:01.500000000|+000000001 12:00:00.000000000"},
      {"SELECT INTERVAL '1-3' YEAR TO MONTH * 2, INTERVAL '1' YEAR / 5 FROM dual",
       "+000000002-06|+000000000-02"},
      {"SELECT (stamp - TIMESTAMP '1980-12-16 08:00:00') * 2, hiredate + INTERVAL '1' DAY * 2"
       " FROM emp WHERE empno = 7369",
       "+000000002 01:00:00.500000000|1980-12-19 00:00:00"},
      {"SELECT INTERVAL '1' DAY / 0 FROM dual", "ORA-01476: divisor is equal to zero"},
      {"SELECT EXTRACT(DAY FROM INTERVAL '3 04:05:06.5' DAY TO SECOND),"
       " EXTRACT(SECOND FROM INTERVAL '3 04:05:06.5' DAY TO SECOND),"
       " EXTRACT(MONTH FROM INTERVAL '-1-2' YEAR TO MONTH) FROM dual",
       "3|6.5|-2"},
      {"SELECT EXTRACT(YEAR FROM INTERVAL '3' DAY) FROM dual",
       "ORA-30076: invalid extract field for extract source"},
      // text meets numbers as a number
      {"SELECT '10' + 5, 7 / 2, -'3' FROM dual", "15|3.5|-3"},
      {"SELECT COUNT(*) FROM emp WHERE sal > '2000'", "2"},
      {"SELECT COUNT(*) FROM emp WHERE empno IN ('7369', 7839)", "2"},
      // text meets a date in the session's format (DD-MON-RR)
      {"SELECT COUNT(*) FROM emp WHERE hiredate > '01-JUN-81'", "2"},
      {"SELECT CAST('42' AS NUMBER) + 1, CAST(sal AS VARCHAR2(10)) FROM emp WHERE empno = 7369",
       "43|800"},
      // NULL functions, DECODE, CASE, EXTRACT, TRIM
      {"SELECT ename, NVL(comm, 0) FROM emp WHERE deptno = 10 ORDER BY ename",
       "CLARK|0;KING|0"},
      {"SELECT NVL2(comm, 'y', 'n'), COALESCE(comm, mgr, 0) FROM emp WHERE empno = 7839",
       "n|0"},
      {"SELECT DECODE(deptno, 10, 'A', 20, 'B', 'C'),"
       " CASE WHEN sal > 1000 THEN 'high' ELSE 'low' END FROM emp WHERE empno = 7369",
       "B|low"},
      {"SELECT EXTRACT(YEAR FROM hiredate), TRIM(LEADING 'x' FROM 'xxabc') FROM emp"
       " WHERE empno = 7369",
       "1980|abc"},
      // Oracle sorts NULLs last ascending, first descending
      {"SELECT ename, comm FROM emp ORDER BY comm, ename",
       "ALLEN|300;WARD|500;CLARK|NULL;KING|NULL;SMITH|NULL"},
      {"SELECT ename, comm FROM emp ORDER BY comm DESC, ename",
       "CLARK|NULL;KING|NULL;SMITH|NULL;WARD|500;ALLEN|300"},
      {"SELECT ename x FROM emp WHERE deptno = 30 ORDER BY comm NULLS FIRST, x DESC",
       "ALLEN;WARD"},
      // joins, grouping, subqueries, set operators, WITH, row limits
      {"SELECT e.ename, d.dname FROM emp e JOIN dept d ON e.deptno = d.deptno"
       " WHERE d.loc = 'DALLAS'",
       "SMITH|RESEARCH"},
      {"SELECT ename, dname FROM emp, dept WHERE emp.deptno = dept.deptno AND sal > 2000"
       " ORDER BY sal DESC",
       "KING|ACCOUNTING;CLARK|ACCOUNTING"},
      {"SELECT d.dname, e.ename FROM dept d LEFT JOIN emp e ON e.deptno = d.deptno"
       " WHERE e.empno IS NULL",
       "OPERATIONS|NULL"},
      {"SELECT deptno, SUM(sal) total FROM emp GROUP BY deptno HAVING COUNT(*) > 1"
       " ORDER BY total",
       "30|2850;10|7450"},
      {"SELECT ename FROM emp e WHERE sal > (SELECT AVG(sal) FROM emp WHERE deptno = e.deptno)"
       " ORDER BY 1",
       "ALLEN;KING"},
      {"WITH d AS (SELECT deptno, COUNT(*) n FROM emp GROUP BY deptno)"
       " SELECT dname, n FROM dept JOIN d USING (deptno) ORDER BY n DESC, dname",
       "ACCOUNTING|2;SALES|2;RESEARCH|1"},
      {"SELECT deptno FROM dept MINUS SELECT deptno FROM emp", "40"},
      {"SELECT EXTRACT(YEAR FROM hiredate) y, COUNT(*) FROM emp"
       " GROUP BY EXTRACT(YEAR FROM hiredate) ORDER BY y",
       "1980|1;1981|4"},
      {"SELECT deptno FROM dept WHERE deptno < 20 UNION ALL"
       " (SELECT deptno FROM emp WHERE empno = 7369) ORDER BY 1 DESC",
       "20;10"},
      {"SELECT ename FROM emp WHERE deptno IN (SELECT deptno FROM dept WHERE loc = 'CHICAGO')"
       " ORDER BY ename",
       "ALLEN;WARD"},
      {"SELECT COUNT(*) FROM emp WHERE sal > ANY (2000, 4000)", "2"},
      // quantified comparisons with subqueries, NULLs and no rows as Oracle has them
      {"SELECT ename FROM emp WHERE sal > ALL (SELECT sal FROM emp WHERE deptno = 30)"
       " ORDER BY 1",
       "CLARK;KING"},
      {"SELECT ename FROM emp WHERE sal < SOME (SELECT sal FROM emp WHERE deptno = 30)"
       " ORDER BY 1",
       "SMITH;WARD"},
      {"SELECT COUNT(*) FROM emp WHERE sal > ALL (SELECT sal FROM emp WHERE 1 = 0)", "5"},
      {"SELECT COUNT(*) FROM emp WHERE sal > ANY (SELECT sal FROM emp WHERE 1 = 0)", "0"},
      {"SELECT COUNT(*) FROM emp WHERE NOT (sal >= ALL (SELECT comm FROM emp))", "0"},
      {"SELECT COUNT(*) FROM emp WHERE NOT (sal < ANY (SELECT comm FROM emp UNION"
       " SELECT 100 FROM dual))",
       "0"},
      {"SELECT ename FROM emp ORDER BY sal DESC FETCH FIRST 2 ROWS ONLY", "KING;CLARK"},
      {"SELECT x.n FROM (SELECT COUNT(*) n FROM emp) x", "5"},
      // * is what describe says: USING columns once, first
      {"SELECT * FROM dept JOIN (SELECT deptno, COUNT(*) n FROM emp GROUP BY deptno) c"
       " USING (deptno) WHERE n = 1",
       "20|RESEARCH|DALLAS|1"},
      {"SELECT d.*, 1 FROM dept d WHERE loc = 'BOSTON'", "40|OPERATIONS|BOSTON|1"},
      {"SELECT ename FROM emp e WHERE NOT EXISTS (SELECT 1 FROM emp m WHERE m.mgr = e.empno)"
       " AND deptno = 30 ORDER BY ename DESC",
       "WARD;ALLEN"},
      {"SELECT deptno FROM dept INTERSECT SELECT deptno FROM emp WHERE sal < 1000", "20"},
      // ALL: as many copies as both sides have (INTERSECT), or the first
      // has beyond the second (MINUS)
      {"SELECT deptno FROM emp INTERSECT ALL SELECT deptno FROM emp WHERE sal > 1500"
       " ORDER BY 1",
       "10;10;30"},
      {"SELECT deptno d, job FROM emp MINUS ALL SELECT deptno, 'SALESMAN' FROM dept ORDER BY d",
       "10|MANAGER;10|PRESIDENT;20|CLERK;30|SALESMAN"},
      {"SELECT x.d FROM (SELECT deptno d FROM emp EXCEPT ALL SELECT 30 FROM dual) x ORDER BY 1",
       "10;10;20;30"},
      {"SELECT dname FROM dept NATURAL JOIN emp WHERE ename = 'KING'", "ACCOUNTING"},
      {"SELECT d.deptno, e.ename FROM emp e RIGHT JOIN dept d ON d.deptno = e.deptno"
       " WHERE e.ename IS NULL",
       "40|NULL"},
      {"SELECT DISTINCT job FROM emp WHERE sal BETWEEN '1000' AND 2000 ORDER BY job", "SALESMAN"},
      {"SELECT ename FROM emp ORDER BY empno OFFSET 3 ROWS", "CLARK;KING"},
      {"SELECT (SELECT dname FROM dept WHERE deptno = e.deptno), CASE deptno WHEN 20 THEN 'r'"
       " END FROM emp e WHERE empno = 7369",
       "RESEARCH|r"},
      {"WITH t (n, d) AS (SELECT empno, deptno FROM emp) SELECT COUNT(*) FROM t WHERE d = 30",
       "2"},
      // functions under their Oracle names, dates through them
      {"SELECT SUBSTR(ename, -3), INSTR(ename, 'I'), UPPER('x'), USER FROM emp"
       " WHERE empno = 7839",
       "ING|2|X|NULL"},
      {"SELECT ADD_MONTHS(hiredate, 1), TRUNC(hiredate + 0.75), hiredate || '!' FROM emp"
       " WHERE empno = 7369",
       "1981-01-17 00:00:00|1980-12-17 00:00:00|17-DEC-80!"},
      {"SELECT stamp + 1, CAST(stamp AS DATE), CAST(hiredate AS TIMESTAMP) FROM emp"
       " WHERE empno = 7369",
       "1980-12-18 08:30:00|1980-12-17 08:30:00|1980-12-17 00:00:00.000000000"},
      {"SELECT RAWTOHEX(UTL_RAW.CAST_TO_RAW('AB')), LENGTH(SYSTIMESTAMP) FROM dual", "4142|29"},
      {"SELECT SUM(0.1) FROM emp, dept WHERE dept.deptno < 30", "1"},
      // '' is NULL in every position
      {"SELECT COUNT(*) FROM emp WHERE ename = '' OR NVL('', 'y') = 'y'", "5"},
      // LIKE is case-sensitive, with _ one character and ESCAPE
      {"SELECT COUNT(*) FROM emp WHERE ename LIKE 's%' OR ename NOT LIKE '_L%'", "3"},
      {"SELECT 'a_c' FROM dual WHERE 'a_c' LIKE 'a\\_c' ESCAPE '\\' AND 'abc' NOT LIKE 'a\\_c'"
       " ESCAPE '\\' AND 'é!' LIKE '_!'",
       "a_c"},
      // errors Oracle raises while running
      {"SELECT 'abc' + 1 FROM dual", "ORA-01722: invalid number"},
      {"SELECT sal / 0 FROM emp", "ORA-01476: divisor is equal to zero"},
  };
  for (const RowCase &c : cases) {
    SCOPED_TRACE(c.oracle);
    std::string got;
    try {
      got = Run(c.oracle);
    } catch (const std::exception &e) {
      got = e.what();
    }
    EXPECT_EQ(got, c.rows) << Emit(c.oracle);
  }
}

// ROWNUM counts the rows that pass the rest of the WHERE, before GROUP BY,
// DISTINCT and ORDER BY; a row failing a ROWNUM condition leaves its number
// to the next, so only a first run of rows can ever pass.
TEST_F(SqlEmit, RownumNumbersRowsBeforeSorting) {
  catalog_ = SqliteCatalog(db_);
  const RowCase cases[] = {
      {"SELECT ename FROM emp WHERE ROWNUM < 3", "SMITH;ALLEN"},
      {"SELECT ename FROM emp WHERE ROWNUM = 1", "SMITH"},
      {"SELECT ename FROM emp WHERE ROWNUM > 1", ""},
      {"SELECT ename FROM emp WHERE ROWNUM = 2", ""},
      {"SELECT ename FROM emp WHERE ROWNUM >= 1 AND ROWNUM <= 2.5", "SMITH;ALLEN"},
      {"SELECT ename FROM emp WHERE ROWNUM BETWEEN 1 AND 2", "SMITH;ALLEN"},
      {"SELECT ename FROM emp WHERE ROWNUM BETWEEN 2 AND 4", ""},
      {"SELECT ename FROM emp WHERE ROWNUM <> 3", "SMITH;ALLEN"},
      {"SELECT ename FROM emp WHERE ROWNUM < '3' AND ROWNUM < NULL", ""},
      {"SELECT ename FROM emp WHERE 3 > ROWNUM AND deptno = 30 ORDER BY ename DESC", "WARD;ALLEN"},
      {"SELECT ROWNUM, ename FROM emp WHERE deptno = 30", "1|ALLEN;2|WARD"},
      {"SELECT ROWNUM FROM dual", "1"},
      // numbered before ORDER BY and DISTINCT, which see only the rows kept
      {"SELECT ROWNUM, ename FROM emp WHERE ROWNUM <= 3 ORDER BY ename",
       "2|ALLEN;1|SMITH;3|WARD"},
      {"SELECT deptno, ROWNUM r FROM dept ORDER BY deptno DESC", "40|4;30|3;20|2;10|1"},
      {"SELECT DISTINCT deptno FROM emp WHERE ROWNUM <= 3 ORDER BY deptno", "20;30"},
      {"SELECT COUNT(*), MAX(sal) FROM emp WHERE ROWNUM <= 3", "3|1600"},
      {"SELECT COUNT(*) FROM emp WHERE sal > 1000 AND ROWNUM = 1", "1"},
      {"SELECT deptno, COUNT(*) FROM emp e WHERE ROWNUM < 4 GROUP BY deptno ORDER BY deptno",
       "20|1;30|2"},
      // the top-n and paging patterns over an ordered inline view
      {"SELECT * FROM (SELECT ename, sal FROM emp ORDER BY sal DESC) WHERE ROWNUM <= 3",
       "KING|5000;CLARK|2450;ALLEN|1600"},
      {"SELECT ename FROM (SELECT a.*, ROWNUM rn FROM (SELECT ename FROM emp ORDER BY ename) a"
       " WHERE ROWNUM <= 4) WHERE rn > 2",
       "KING;SMITH"},
      // each block its own numbering
      {"SELECT ename FROM emp WHERE ROWNUM = 1 UNION ALL SELECT dname FROM dept WHERE ROWNUM = 1",
       "SMITH;ACCOUNTING"},
      {"SELECT dname, (SELECT COUNT(*) FROM emp e WHERE e.deptno = d.deptno AND ROWNUM <= 1)"
       " FROM dept d ORDER BY deptno",
       "ACCOUNTING|1;RESEARCH|1;SALES|1;OPERATIONS|0"},
      {"SELECT dname FROM dept WHERE deptno IN (SELECT deptno FROM emp WHERE ROWNUM <= 2)"
       " ORDER BY 1",
       "RESEARCH;SALES"},
      // ROWID: SQLite's rowid, selectable and usable in conditions
      {"SELECT e.ROWID, ename FROM emp e WHERE ename = 'WARD'", "3|WARD"},
      {"SELECT ename FROM emp WHERE ROWID = (SELECT MAX(ROWID) FROM emp)", "KING"},
      {"SELECT ename FROM emp WHERE ROWID = '2'", "ALLEN"},
      {"SELECT ROWID, ROWNUM FROM emp WHERE ROWNUM <= 2 ORDER BY ROWID DESC", "2|2;1|1"},
      // with an outer join, and in EXISTS
      {"SELECT d.dname, e.ename FROM dept d, emp e WHERE d.deptno = e.deptno(+) AND ROWNUM <= 2"
       " AND d.deptno >= 30",
       "SALES|ALLEN;SALES|WARD"},
      {"SELECT dname FROM dept d WHERE EXISTS (SELECT 1 FROM emp e WHERE e.deptno = d.deptno"
       " AND ROWNUM = 1) ORDER BY 1",
       "ACCOUNTING;RESEARCH;SALES"},
      {"SELECT ename FROM emp WHERE ROWNUM <= 2 ORDER BY ROWNUM DESC", "ALLEN;SMITH"},
      // over a join: numbered as the joined rows leave the WHERE
      {"SELECT e.ename, d.dname, ROWNUM FROM emp e, dept d WHERE e.deptno = d.deptno"
       " AND ROWNUM <= 3 ORDER BY e.ename",
       "ALLEN|SALES|2;SMITH|RESEARCH|1;WARD|SALES|3"},
      {"SELECT deptno, COUNT(*) FROM emp JOIN dept USING (deptno) WHERE ROWNUM < 4"
       " GROUP BY deptno ORDER BY 1",
       "20|1;30|2"},
      {"SELECT * FROM dept d JOIN emp e USING (deptno) WHERE ROWNUM = 1 AND e.empno = 7369"
       " ORDER BY dname",
       "20|RESEARCH|DALLAS|7369|SMITH|CLERK|7902|1980-12-17 00:00:00|800|NULL|"
       "1980-12-17 08:30:00.250000000"},
      // analytic functions see only the rows ROWNUM kept
      {"SELECT ename, RANK() OVER (ORDER BY sal DESC), COUNT(*) OVER () FROM emp"
       " WHERE ROWNUM <= 3 ORDER BY ename",
       "ALLEN|1|3;SMITH|3|3;WARD|2|3"},
      {"SELECT ename, RANK() OVER (ORDER BY sal DESC) FROM emp WHERE ROWNUM <= 2",
       "ALLEN|1;SMITH|2"},
      // ROWNUM beside columns or under OR: a row is tested with the number
      // it would get, which only kept rows use up
      {"SELECT ename FROM emp WHERE ROWNUM <= 2 OR deptno = 10", "SMITH;ALLEN;CLARK;KING"},
      {"SELECT ROWNUM, ename FROM emp WHERE ROWNUM < sal / 1000", "1|ALLEN;2|CLARK;3|KING"},
      {"SELECT ename FROM emp WHERE ROWNUM > 1 OR ename = 'ALLEN'", "ALLEN;WARD;CLARK;KING"},
      {"SELECT ename FROM emp WHERE deptno = 30 AND (ROWNUM < 2 OR job = 'CLERK')", "ALLEN"},
      {"SELECT ename FROM emp WHERE NOT (ROWNUM > 2 AND sal < 3000)", "SMITH;ALLEN;KING"},
      {"SELECT ename FROM emp WHERE ROWNUM IN (1, 3) OR sal > 2000", "SMITH;CLARK;KING"},
      {"SELECT ename FROM emp WHERE ROWNUM BETWEEN 2 AND 3 OR ename = 'SMITH'",
       "SMITH;ALLEN;WARD"},
      {"SELECT ename FROM emp WHERE ROWNUM < comm", "ALLEN;WARD"},
      {"SELECT ename FROM emp WHERE ROWNUM NOT IN (2) OR sal > 2000", "SMITH;CLARK;KING"},
      {"SELECT ename FROM emp WHERE ROWNUM NOT BETWEEN 2 AND 3 AND deptno <> 20"
       " OR ename = 'WARD'",
       "ALLEN;WARD"},
      {"SELECT deptno, COUNT(*) FROM emp WHERE ROWNUM <= 1 OR deptno = 10 GROUP BY deptno"
       " ORDER BY 1",
       "10|2;20|1"},
      {"SELECT ROWID, ROWNUM FROM emp WHERE ROWNUM < 2 OR ROWID = '4' ORDER BY 2 DESC",
       "4|2;1|1"},
      {"SELECT e.ename, ROWNUM FROM emp e, dept d WHERE e.deptno = d.deptno"
       " AND (ROWNUM < 3 OR d.loc = 'NEW YORK') ORDER BY 1",
       "ALLEN|2;CLARK|3;KING|4;SMITH|1"},
      // numbering starts again for each run of a correlated subquery
      {"SELECT dname, (SELECT COUNT(*) FROM emp e WHERE e.deptno = d.deptno"
       " AND (ROWNUM < 2 OR e.sal > 2000)) FROM dept d ORDER BY deptno",
       "ACCOUNTING|2;RESEARCH|1;SALES|1;OPERATIONS|0"},
      // ROWNUM grouped, in aggregates and in ORDER BY
      {"SELECT CEIL(ROWNUM / 2), COUNT(*) FROM emp GROUP BY CEIL(ROWNUM / 2) ORDER BY 1",
       "1|2;2|2;3|1"},
      {"SELECT MAX(ROWNUM), SUM(ROWNUM) FROM emp WHERE deptno <> 20", "4|10"},
      {"SELECT ename FROM emp WHERE deptno = 30 ORDER BY ROWNUM DESC", "WARD;ALLEN"},
      // in a hierarchy's order, as the rows pass WHERE
      {"SELECT ROWNUM, LEVEL FROM dual CONNECT BY LEVEL <= 3", "1|1;2|2;3|3"},
      {"SELECT ROWNUM, LEVEL FROM dual CONNECT BY ROWNUM <= 2", "1|1;2|2"},
      {"SELECT ROWNUM, ename FROM emp WHERE ename <> 'KING' AND ROWNUM <= 2"
       " START WITH mgr IS NULL CONNECT BY PRIOR empno = mgr",
       "1|CLARK"},
  };
  ExpectRows(cases);
  EXPECT_EQ(Run("DELETE FROM emp WHERE ROWID = '1'"), "");
  EXPECT_EQ(Run("UPDATE emp e SET sal = sal + 1 WHERE e.ROWID = '2'"), "");
  EXPECT_EQ(Run("SELECT ename, sal FROM emp WHERE ROWNUM <= 1"), "ALLEN|1601");
}

// OFFSET and FETCH: counts truncated, negative ones 0, a percentage of all
// rows rounded up, WITH TIES keeping the rows equal to the last one kept.
TEST_F(SqlEmit, RowLimitingClauses) {
  catalog_ = SqliteCatalog(db_);
  const RowCase cases[] = {
      {"SELECT ename FROM emp ORDER BY sal OFFSET 1 ROWS FETCH NEXT 2 ROWS ONLY", "WARD;ALLEN"},
      {"SELECT ename FROM emp ORDER BY sal FETCH FIRST 1.9 ROWS ONLY", "SMITH"},
      {"SELECT ename FROM emp ORDER BY sal OFFSET -2 ROWS FETCH FIRST -1 ROWS ONLY", ""},
      {"SELECT ename FROM emp ORDER BY sal FETCH FIRST ROW ONLY", "SMITH"},
      {"SELECT ename FROM emp ORDER BY sal OFFSET 4 ROWS", "KING"},
      {"SELECT ename FROM emp ORDER BY sal FETCH FIRST NULL ROWS ONLY", ""},
      // 30% of 5 rows is 1.5: two rows; the percentage is of all rows
      {"SELECT ename FROM emp ORDER BY sal DESC FETCH FIRST 30 PERCENT ROWS ONLY", "KING;CLARK"},
      {"SELECT ename FROM emp ORDER BY sal DESC OFFSET 1 ROWS FETCH NEXT 20 PERCENT ROWS ONLY",
       "CLARK"},
      {"SELECT deptno FROM emp WHERE sal > 1000 ORDER BY 1 FETCH FIRST 100 PERCENT ROWS ONLY",
       "10;10;30;30"},
      // ties: the second row's deptno 10 is shared by the third
      {"SELECT ename, deptno FROM emp ORDER BY deptno FETCH FIRST 2 ROWS WITH TIES",
       "CLARK|10;KING|10"},
      {"SELECT ename FROM emp ORDER BY deptno DESC, ename FETCH FIRST 1 ROWS WITH TIES",
       "ALLEN"},
      {"SELECT COUNT(*) FROM emp GROUP BY deptno ORDER BY COUNT(*) DESC"
       " FETCH FIRST 1 ROW WITH TIES",
       "2;2"},
      {"SELECT ename, deptno FROM emp ORDER BY 2 OFFSET 1 ROWS FETCH NEXT 2 ROWS WITH TIES",
       "KING|10;SMITH|20"},
      {"SELECT e.* FROM emp e WHERE sal < 3000 ORDER BY 8 FETCH FIRST 1 ROWS WITH TIES",
       "7782|CLARK|MANAGER|7839|1981-06-09 00:00:00|2450|NULL|10|NULL"},
      {"SELECT ename FROM emp ORDER BY deptno FETCH FIRST 0 ROWS WITH TIES", ""},
      {"SELECT dname, (SELECT MAX(ename) FROM emp e WHERE e.deptno = d.deptno"
       " ORDER BY 1 FETCH FIRST 1 ROWS ONLY) FROM dept d ORDER BY 1 FETCH FIRST 2 ROWS ONLY",
       "ACCOUNTING|KING;OPERATIONS|NULL"},
      {"SELECT * FROM (SELECT ename FROM emp ORDER BY deptno FETCH FIRST 1 ROWS WITH TIES)"
       " ORDER BY 1 DESC",
       "KING;CLARK"},
  };
  ExpectRows(cases);
}

// Analytic functions over SQLite's windows, with Oracle's default window
// and NULL order; LISTAGG as an aggregate sorts its values itself.
TEST_F(SqlEmit, AnalyticFunctionsAndListagg) {
  catalog_ = SqliteCatalog(db_);
  const RowCase cases[] = {
      {"SELECT ename, ROW_NUMBER() OVER (PARTITION BY deptno ORDER BY sal DESC) FROM emp"
       " ORDER BY deptno, 2",
       "KING|1;CLARK|2;SMITH|1;ALLEN|1;WARD|2"},
      {"SELECT ename, RANK() OVER (ORDER BY deptno), DENSE_RANK() OVER (ORDER BY deptno)"
       " FROM emp ORDER BY deptno, ename",
       "CLARK|1|1;KING|1|1;SMITH|3|2;ALLEN|4|3;WARD|4|3"},
      {"SELECT ROUND(PERCENT_RANK() OVER (ORDER BY sal) * 4), ROUND(CUME_DIST() OVER (ORDER BY sal) * 5),"
       " NTILE(2) OVER (ORDER BY sal) FROM emp ORDER BY sal",
       "0|1|1;1|2|1;2|3|1;3|4|2;4|5|2"},
      {"SELECT ename, LAG(sal) OVER (ORDER BY sal), LEAD(sal, 2, 0) OVER (ORDER BY sal)"
       " FROM emp ORDER BY sal",
       "SMITH|NULL|1600;WARD|800|2450;ALLEN|1250|5000;CLARK|1600|0;KING|2450|0"},
      // the default window ends at the current row once there is an ORDER BY
      {"SELECT ename, FIRST_VALUE(ename) OVER (PARTITION BY deptno ORDER BY sal),"
       " LAST_VALUE(ename) OVER (PARTITION BY deptno ORDER BY sal),"
       " LAST_VALUE(ename) OVER (PARTITION BY deptno ORDER BY sal"
       " ROWS BETWEEN UNBOUNDED PRECEDING AND UNBOUNDED FOLLOWING)"
       " FROM emp WHERE deptno <> 20 ORDER BY deptno, sal",
       "CLARK|CLARK|CLARK|KING;KING|CLARK|KING|KING;WARD|WARD|WARD|ALLEN;"
       "ALLEN|WARD|ALLEN|ALLEN"},
      {"SELECT DISTINCT NTH_VALUE(ename, 2) OVER (ORDER BY sal"
       " ROWS BETWEEN UNBOUNDED PRECEDING AND UNBOUNDED FOLLOWING) FROM emp",
       "WARD"},
      // IGNORE NULLS: the nearest non-NULL value (LEAD's default when none);
      // RESPECT NULLS is the default
      {"SELECT ename, LAG(comm) IGNORE NULLS OVER (ORDER BY sal), LEAD(comm, 1, 0) IGNORE NULLS"
       " OVER (ORDER BY sal), LAG(comm) RESPECT NULLS OVER (ORDER BY sal),"
       " LAG(comm, 2) IGNORE NULLS OVER (ORDER BY sal) FROM emp ORDER BY sal",
       "SMITH|NULL|500|NULL|NULL;WARD|NULL|300|NULL|NULL;ALLEN|500|0|500|NULL;"
       "CLARK|300|0|300|500;KING|300|0|NULL|500"},
      {"SELECT ename, FIRST_VALUE(comm IGNORE NULLS) OVER (ORDER BY sal),"
       " LAST_VALUE(comm) IGNORE NULLS OVER (ORDER BY sal), NTH_VALUE(comm, 2) IGNORE NULLS"
       " OVER (ORDER BY sal ROWS BETWEEN UNBOUNDED PRECEDING AND UNBOUNDED FOLLOWING)"
       " FROM emp ORDER BY sal",
       "SMITH|NULL|NULL|300;WARD|500|500|300;ALLEN|500|300|300;CLARK|500|300|300;"
       "KING|500|300|300"},
      // GROUPS frames count peer groups; an empty frame gives NULL
      {"SELECT deptno, COUNT(*) OVER (ORDER BY deptno GROUPS BETWEEN 1 PRECEDING AND CURRENT ROW),"
       " SUM(sal) OVER (ORDER BY deptno GROUPS BETWEEN 1 FOLLOWING AND UNBOUNDED FOLLOWING)"
       " FROM emp ORDER BY deptno, ename",
       "10|2|3650;10|2|3650;20|3|2850;30|3|NULL;30|3|NULL"},
      // KEEP over a partition; NULLs sort last, so LAST keeps them
      {"SELECT ename, MAX(sal) KEEP (DENSE_RANK FIRST ORDER BY hiredate) OVER (PARTITION BY deptno),"
       " COUNT(*) KEEP (DENSE_RANK LAST ORDER BY comm) OVER (PARTITION BY deptno)"
       " FROM emp ORDER BY empno",
       "SMITH|800|1;ALLEN|1600|1;WARD|1600|1;CLARK|2450|2;KING|2450|2"},
      // SUM stays exact as rows enter and leave a moving window
      {"SELECT ename, SUM(sal) OVER (ORDER BY sal), SUM(0.1) OVER (ORDER BY sal ROWS 2 PRECEDING)"
       " FROM emp ORDER BY sal",
       "SMITH|800|0.1;WARD|2050|0.2;ALLEN|3650|0.3;CLARK|6100|0.3;KING|11100|0.3"},
      {"SELECT ename, COUNT(*) OVER (ORDER BY sal RANGE BETWEEN 500 PRECEDING AND 500 FOLLOWING)"
       " FROM emp ORDER BY sal",
       "SMITH|2;WARD|3;ALLEN|2;CLARK|1;KING|1"},
      {"SELECT ename, RATIO_TO_REPORT(comm) OVER () FROM emp ORDER BY empno FETCH FIRST 3 ROWS ONLY",
       "SMITH|NULL;ALLEN|0.375;WARD|0.625"},
      // IGNORE NULLS inside LAG's parentheses, before the offset
      {"SELECT ename, LAG(comm IGNORE NULLS, 1, -1) OVER (ORDER BY sal) FROM emp ORDER BY sal",
       "SMITH|-1;WARD|-1;ALLEN|500;CLARK|300;KING|300"},
      // a RANGE of days over a date, either way round
      {"SELECT ename, COUNT(*) OVER (ORDER BY hiredate RANGE 3 PRECEDING),"
       " COUNT(*) OVER (ORDER BY hiredate DESC RANGE 70 PRECEDING) FROM emp ORDER BY hiredate",
       "SMITH|1|3;ALLEN|1|2;WARD|2|1;CLARK|1|1;KING|1|1"},
      // COUNT(DISTINCT) over a partition: NULLs not counted
      {"SELECT DISTINCT deptno, COUNT(DISTINCT job) OVER (PARTITION BY deptno),"
       " COUNT(DISTINCT comm) OVER () FROM emp ORDER BY 1",
       "10|2|2;20|1|2;30|1|2"},
      // MEDIAN over a partition; SUM and AVG of DISTINCT values; a
      // variance whose frame moves (each row leaving it taken back out)
      {"SELECT DISTINCT deptno, MEDIAN(sal) OVER (PARTITION BY deptno),"
       " SUM(DISTINCT comm) OVER (), AVG(DISTINCT sal) OVER (PARTITION BY deptno) FROM emp"
       " ORDER BY 1",
       "10|3725|800|3725;20|800|800|800;30|1425|800|1425"},
      {"SELECT ename, VARIANCE(sal) OVER (ORDER BY sal ROWS 1 PRECEDING) FROM emp ORDER BY sal",
       "SMITH|0;WARD|101250;ALLEN|61250;CLARK|361250;KING|3251250"},
      {"SELECT deptno, SUM(sal), RANK() OVER (ORDER BY SUM(sal) DESC) r FROM emp"
       " GROUP BY deptno ORDER BY r",
       "10|7450|1;30|2850|2;20|800|3"},
      // LISTAGG: WITHIN GROUP order (numbers by value), DISTINCT, OVER
      {"SELECT deptno, LISTAGG(ename, ',') WITHIN GROUP (ORDER BY ename) FROM emp"
       " GROUP BY deptno ORDER BY deptno",
       "10|CLARK,KING;20|SMITH;30|ALLEN,WARD"},
      {"SELECT LISTAGG(DISTINCT job, '; ') WITHIN GROUP (ORDER BY job DESC) FROM emp",
       "SALESMAN; PRESIDENT; MANAGER; CLERK"},
      {"SELECT LISTAGG(sal, '-') WITHIN GROUP (ORDER BY sal DESC) FROM emp WHERE deptno <> 10",
       "1600-1250-800"},
      {"SELECT LISTAGG(ename) WITHIN GROUP (ORDER BY comm NULLS FIRST, ename) FROM emp",
       "CLARKKINGSMITHALLENWARD"},
      {"SELECT LISTAGG(ename, ',') WITHIN GROUP (ORDER BY ename) FROM emp WHERE 1 = 0", "NULL"},
      {"SELECT ename, LISTAGG(ename, ',') WITHIN GROUP (ORDER BY ename) OVER (PARTITION BY deptno)"
       " FROM emp WHERE deptno = 30 ORDER BY ename",
       "ALLEN|ALLEN,WARD;WARD|ALLEN,WARD"},
      // past 4000 bytes: ORA-01489, or cut after whole values
      {"SELECT LISTAGG(RPAD(ename, 1500, '.'), ',') WITHIN GROUP (ORDER BY empno) FROM emp",
       "ORA-01489: result of string concatenation is too long"},
      {"SELECT LENGTH(x), SUBSTR(x, -6) FROM (SELECT LISTAGG(RPAD(ename, 1500, '.'), ','"
       " ON OVERFLOW TRUNCATE '~' WITH COUNT) WITHIN GROUP (ORDER BY empno) x FROM emp)",
       "3006|.,~(3)"},
  };
  ExpectRows(cases);
}

// Oracle's (+) as LEFT JOINs: the marked table is the outer-joined one,
// its constant conditions stay in its ON; and the ANSI joins.
TEST_F(SqlEmit, OuterJoins) {
  catalog_ = SqliteCatalog(db_);
  const RowCase cases[] = {
      {"SELECT d.dname, e.ename FROM dept d, emp e WHERE d.deptno = e.deptno(+)"
       " ORDER BY d.deptno, e.ename",
       "ACCOUNTING|CLARK;ACCOUNTING|KING;RESEARCH|SMITH;SALES|ALLEN;SALES|WARD;OPERATIONS|NULL"},
      {"SELECT d.dname, e.ename FROM dept d, emp e WHERE e.deptno(+) = d.deptno"
       " AND e.sal(+) > 3000 ORDER BY d.deptno",
       "ACCOUNTING|KING;RESEARCH|NULL;SALES|NULL;OPERATIONS|NULL"},
      // the outer-joined table first in FROM; grouping over the result
      {"SELECT dname, COUNT(e.empno) FROM emp e, dept d WHERE e.deptno(+) = d.deptno"
       " GROUP BY dname ORDER BY 1",
       "ACCOUNTING|2;OPERATIONS|0;RESEARCH|1;SALES|2"},
      // several columns; a chain of outer joins; an inner filter beside
      {"SELECT e.ename, m.ename FROM emp e, emp m WHERE e.mgr = m.empno(+)"
       " AND e.deptno = m.deptno(+) ORDER BY e.empno",
       "SMITH|NULL;ALLEN|NULL;WARD|NULL;CLARK|KING;KING|NULL"},
      {"SELECT d.dname, e.ename, m.ename FROM emp m, emp e, dept d WHERE d.deptno = e.deptno(+)"
       " AND e.mgr = m.empno(+) ORDER BY d.deptno, e.ename",
       "ACCOUNTING|CLARK|KING;ACCOUNTING|KING|NULL;RESEARCH|SMITH|NULL;SALES|ALLEN|NULL;"
       "SALES|WARD|NULL;OPERATIONS|NULL|NULL"},
      {"SELECT e.ename, d.loc FROM emp e, dept d WHERE e.deptno = d.deptno(+) AND e.sal > 2000"
       " AND d.loc(+) LIKE 'NEW%' ORDER BY 1",
       "CLARK|NEW YORK;KING|NEW YORK"},
      {"SELECT COUNT(*) FROM dept d WHERE d.deptno(+) > 20", "2"},
      // ANSI: FULL OUTER (rows missing on either side), CROSS
      {"SELECT d.dname, e.ename FROM (SELECT * FROM dept WHERE deptno <= 20) d FULL OUTER JOIN"
       " (SELECT * FROM emp WHERE deptno >= 20) e ON e.deptno = d.deptno ORDER BY d.dname, e.ename",
       "ACCOUNTING|NULL;RESEARCH|SMITH;NULL|ALLEN;NULL|WARD"},
      {"SELECT COUNT(*) FROM emp CROSS JOIN dept", "20"},
      {"SELECT deptno, e.ename FROM emp e RIGHT OUTER JOIN dept USING (deptno)"
       " WHERE deptno > 20 ORDER BY 1, 2",
       "30|ALLEN;30|WARD;40|NULL"},
  };
  ExpectRows(cases);
}

// CONNECT BY: depth-first from each root, siblings as stored or as
// ORDER SIBLINGS BY says; WHERE filters after the tree is built.
TEST_F(SqlEmit, HierarchicalQueries) {
  ASSERT_EQ(sqlite3_exec(db_, kTrees, nullptr, nullptr, nullptr), SQLITE_OK);
  catalog_ = SqliteCatalog(db_);
  const RowCase cases[] = {
      {"SELECT name, LEVEL FROM tree START WITH parent IS NULL CONNECT BY PRIOR id = parent",
       "A|1;C|2;F|3;B|2;E|3;D|3;G|1;H|2"},
      {"SELECT LPAD(' ', 2 * LEVEL - 2) || name FROM tree START WITH id = 1"
       " CONNECT BY PRIOR id = parent ORDER SIBLINGS BY name",
       "A;  B;    D;    E;  C;    F"},
      {"SELECT name, SYS_CONNECT_BY_PATH(name, '/'), CONNECT_BY_ROOT name, PRIOR name,"
       " CONNECT_BY_ISLEAF FROM tree t START WITH parent IS NULL"
       " CONNECT BY parent = PRIOR id ORDER SIBLINGS BY name DESC",
       "G|/G|G|NULL|0;H|/G/H|G|G|1;A|/A|A|NULL|0;C|/A/C|A|A|0;F|/A/C/F|A|C|1;B|/A/B|A|A|0;"
       "E|/A/B/E|A|B|1;D|/A/B/D|A|B|1"},
      // WHERE after the tree: the children of a removed row stay
      {"SELECT name FROM tree WHERE name <> 'B' START WITH id = 1 CONNECT BY PRIOR id = parent"
       " ORDER SIBLINGS BY name",
       "A;D;E;C;F"},
      {"SELECT name, LEVEL FROM tree START WITH id = 1 CONNECT BY PRIOR id = parent"
       " AND LEVEL <= 2 ORDER BY name DESC",
       "C|2;B|2;A|1"},
      {"SELECT LEVEL, COUNT(*) FROM tree START WITH parent IS NULL CONNECT BY PRIOR id = parent"
       " GROUP BY LEVEL ORDER BY 1",
       "1|2;2|3;3|3"},
      // no START WITH: every row is a root
      {"SELECT COUNT(*) FROM tree CONNECT BY PRIOR id = parent", "17"},
      // the row generator
      {"SELECT LEVEL FROM dual CONNECT BY LEVEL <= 4", "1;2;3;4"},
      {"SELECT SUM(LEVEL) FROM dual CONNECT BY LEVEL <= 100", "5050"},
      // loops: ORA-01436, or with NOCYCLE the repeating row left out
      {"SELECT id FROM loop START WITH id = 1 CONNECT BY PRIOR id = parent",
       "ORA-01436: CONNECT BY loop in user data"},
      {"SELECT id, LEVEL, CONNECT_BY_ISCYCLE, CONNECT_BY_ISLEAF FROM loop START WITH id = 1"
       " CONNECT BY NOCYCLE PRIOR id = parent ORDER SIBLINGS BY id",
       "1|1|0|0;2|2|0|0;3|3|1|0;4|4|0|1"},
      {"SELECT ename, LEVEL FROM emp START WITH mgr IS NULL CONNECT BY PRIOR empno = mgr",
       "KING|1;CLARK|2"},
      // siblings as read from an inline view; leaves of a stored table
      {"SELECT name FROM (SELECT * FROM tree WHERE id <> 3) t START WITH parent IS NULL"
       " CONNECT BY PRIOR id = parent",
       "A;B;E;D;G;H"},
      {"SELECT name, CONNECT_BY_ISLEAF FROM tree START WITH parent IS NULL"
       " CONNECT BY PRIOR id = parent",
       "A|0;C|0;F|1;B|0;E|1;D|1;G|0;H|1"},
      // over a join: joined first (WHERE's join conditions too), the
      // other conditions after the hierarchy
      {"SELECT e.ename, deptno, LEVEL FROM emp e JOIN dept d USING (deptno) START WITH mgr IS NULL"
       " CONNECT BY PRIOR empno = mgr",
       "KING|10|1;CLARK|10|2"},
      {"SELECT e.ename, d.loc, PRIOR e.ename FROM emp e, dept d WHERE e.deptno = d.deptno"
       " AND e.ename <> 'KING' START WITH e.mgr IS NULL CONNECT BY PRIOR e.empno = e.mgr",
       "CLARK|NEW YORK|KING"},
      // a loop is found when LEVEL may end the path too
      {"SELECT id FROM loop START WITH id = 1 CONNECT BY PRIOR id = parent AND LEVEL <= 10",
       "ORA-01436: CONNECT BY loop in user data"},
      {"SELECT COUNT(*) FROM loop CONNECT BY PRIOR id = parent",
       "ORA-01436: CONNECT BY loop in user data"},
      // recursive WITH, Oracle's form with its column list
      {"WITH t (n, f) AS (SELECT 1, 1 FROM dual UNION ALL SELECT n + 1, f * (n + 1) FROM t"
       " WHERE n < 5) SELECT n, f FROM t ORDER BY n DESC FETCH FIRST 2 ROWS ONLY",
       "5|120;4|24"},
      {"WITH sub (id, name, depth) AS (SELECT id, name, 0 FROM tree WHERE parent IS NULL"
       " UNION ALL SELECT c.id, c.name, s.depth + 1 FROM sub s JOIN tree c ON c.parent = s.id)"
       " SELECT depth, COUNT(*) FROM sub GROUP BY depth ORDER BY depth",
       "0|2;1|3;2|3"},
      // SEARCH numbers the rows depth or breadth first, siblings by the BY
      // columns; CYCLE marks the row that repeats an ancestor and stops there
      {"WITH t (id, name) AS (SELECT id, name FROM tree WHERE parent IS NULL UNION ALL"
       " SELECT c.id, c.name FROM t JOIN tree c ON c.parent = t.id)"
       " SEARCH DEPTH FIRST BY name SET ord SELECT name, ord FROM t ORDER BY ord",
       "A|1;B|2;D|3;E|4;C|5;F|6;G|7;H|8"},
      {"WITH t (id, name) AS (SELECT id, name FROM tree WHERE parent IS NULL UNION ALL"
       " SELECT c.id, c.name FROM t JOIN tree c ON c.parent = t.id)"
       " SEARCH BREADTH FIRST BY name DESC SET ord SELECT name FROM t ORDER BY ord",
       "G;A;H;C;B;F;E;D"},
      {"WITH t (id, lvl) AS (SELECT id, 1 FROM loop WHERE id = 1 UNION ALL"
       " SELECT l.id, t.lvl + 1 FROM t JOIN loop l ON l.parent = t.id)"
       " SEARCH DEPTH FIRST BY id SET o CYCLE id SET c TO 'Y' DEFAULT 'N'"
       " SELECT id, lvl, o, c FROM t ORDER BY o",
       "1|1|1|N;2|2|2|N;3|3|3|N;1|4|4|Y;4|4|5|N"},
  };
  ExpectRows(cases);
}

// ROLLUP, CUBE and GROUPING SETS: one grouping per set, NULL for what a
// set leaves out, GROUPING/GROUPING_ID/GROUP_ID telling the sets apart.
TEST_F(SqlEmit, GroupingSets) {
  catalog_ = SqliteCatalog(db_);
  const RowCase cases[] = {
      {"SELECT deptno, job, SUM(sal) FROM emp GROUP BY ROLLUP (deptno, job) ORDER BY deptno, job",
       "10|MANAGER|2450;10|PRESIDENT|5000;10|NULL|7450;20|CLERK|800;20|NULL|800;"
       "30|SALESMAN|2850;30|NULL|2850;NULL|NULL|11100"},
      {"SELECT deptno, job, COUNT(*), GROUPING(deptno), GROUPING(job), GROUPING_ID(deptno, job)"
       " FROM emp WHERE deptno <> 10 GROUP BY CUBE (deptno, job) ORDER BY 6, 1, 2",
       "20|CLERK|1|0|0|0;30|SALESMAN|2|0|0|0;20|NULL|1|0|1|1;30|NULL|2|0|1|1;"
       "NULL|CLERK|1|1|0|2;NULL|SALESMAN|2|1|0|2;NULL|NULL|3|1|1|3"},
      {"SELECT deptno, job, SUM(sal) FROM emp GROUP BY GROUPING SETS ((deptno, job), ())"
       " HAVING SUM(sal) > 2000 ORDER BY 3",
       "10|MANAGER|2450;30|SALESMAN|2850;10|PRESIDENT|5000;NULL|NULL|11100"},
      {"SELECT deptno, job, COUNT(*) FROM emp GROUP BY deptno, ROLLUP (job) ORDER BY 1, 2",
       "10|MANAGER|1;10|PRESIDENT|1;10|NULL|2;20|CLERK|1;20|NULL|1;30|SALESMAN|2;30|NULL|2"},
      {"SELECT deptno, GROUP_ID(), COUNT(*) FROM emp GROUP BY GROUPING SETS (deptno, deptno)"
       " ORDER BY 2, 1",
       "10|0|2;20|0|1;30|0|2;10|1|2;20|1|1;30|1|2"},
      {"SELECT COUNT(*) FROM (SELECT deptno FROM emp GROUP BY ROLLUP ((deptno, job)))", "5"},
      // an aggregate's argument sees the rows, not the set's NULL
      {"SELECT deptno, COUNT(deptno) FROM emp GROUP BY ROLLUP (deptno) ORDER BY 1",
       "10|2;20|1;30|2;NULL|5"},
      // nested aggregates: over the groups
      {"SELECT MAX(SUM(sal)), MIN(COUNT(*)), COUNT(SUM(sal)) FROM emp GROUP BY deptno",
       "7450|1|3"},
      {"SELECT ROUND(AVG(MAX(sal))) m FROM emp WHERE deptno > 10 GROUP BY deptno", "1200"},
      // KEEP: the aggregate of the rows ranked first (or last)
      {"SELECT deptno, MAX(ename) KEEP (DENSE_RANK FIRST ORDER BY sal),"
       " MIN(ename) KEEP (DENSE_RANK LAST ORDER BY hiredate), SUM(sal) KEEP (DENSE_RANK FIRST"
       " ORDER BY job) FROM emp GROUP BY deptno ORDER BY deptno",
       "10|CLARK|KING|2450;20|SMITH|SMITH|800;30|WARD|WARD|2850"},
      {"SELECT COUNT(*) KEEP (DENSE_RANK LAST ORDER BY comm NULLS FIRST),"
       " MAX(comm) KEEP (DENSE_RANK FIRST ORDER BY comm DESC),"
       " MAX(comm) KEEP (DENSE_RANK FIRST ORDER BY comm DESC NULLS LAST) FROM emp",
       "1|NULL|500"},
      {"SELECT deptno d, SUM(sal) s FROM emp GROUP BY ROLLUP (deptno) ORDER BY s DESC",
       "NULL|11100;10|7450;30|2850;20|800"},
      {"SELECT DECODE(GROUPING(job), 1, 'ALL JOBS', job), SUM(sal) FROM emp WHERE deptno = 10"
       " GROUP BY ROLLUP (job) ORDER BY 2",
       "MANAGER|2450;PRESIDENT|5000;ALL JOBS|7450"},
  };
  ExpectRows(cases);
}

// SQL/JSON: NULL ON ERROR throughout, scalars from JSON_VALUE, objects and
// arrays from JSON_QUERY, NULLs left out of JSON_ARRAY and JSON_ARRAYAGG.
TEST_F(SqlEmit, JsonFunctionsAndJsonTable) {
  ASSERT_EQ(sqlite3_exec(db_, kCustomerOrders, nullptr, nullptr, nullptr), SQLITE_OK);
  catalog_ = SqliteCatalog(db_);
  const RowCase cases[] = {
      {"SELECT product_name FROM products WHERE product_details IS JSON ORDER BY 1", "Bag;Hat"},
      {"SELECT COUNT(*) FROM dual WHERE 'x' IS NOT JSON AND '{\"a\":1}' IS JSON", "1"},
      {"SELECT JSON_VALUE(product_details, '$.colour'), JSON_VALUE(product_details,"
       " '$.reviews[1].rating' RETURNING NUMBER), JSON_VALUE(product_details, '$.reviews')"
       " FROM products WHERE product_id = 1",
       "red|2|NULL"},
      {"SELECT JSON_VALUE('{\"a\":true}', '$.a'), JSON_VALUE('not json', '$.a') FROM dual",
       "true|NULL"},
      {"SELECT JSON_QUERY(product_details, '$.reviews[0]'), JSON_QUERY(product_details,"
       " '$.colour'), JSON_QUERY(product_details, '$.colour' WITH WRAPPER) FROM products"
       " WHERE product_id = 1",
       "{\"rating\":4,\"review\":\"ok\"}|NULL|[\"red\"]"},
      {"SELECT product_name FROM products WHERE JSON_EXISTS(product_details, '$.colour')", "Hat"},
      {"SELECT JSON_OBJECT('id' VALUE deptno, KEY 'name' VALUE dname, 'none' : NULL) FROM dept"
       " WHERE deptno = 10",
       "{\"id\":10,\"name\":\"ACCOUNTING\",\"none\":null}"},
      {"SELECT JSON_ARRAY(1, NULL, 'a'), JSON_ARRAY(NULL), JSON_ARRAY(1, NULL NULL ON NULL)"
       " FROM dual",
       "[1,\"a\"]|[]|[1,null]"},
      {"SELECT JSON_ARRAYAGG(comm ORDER BY empno DESC) FROM emp", "[500,300]"},
      {"SELECT JSON_ARRAYAGG(ename ORDER BY ename) FROM emp WHERE deptno = 40", "NULL"},
      // JSON_TABLE: one row per array element; a NESTED PATH keeps its
      // parent row when the array is empty; no document, no rows
      {"SELECT p.product_name, j.n, j.rating, j.review FROM products p, JSON_TABLE("
       " p.product_details, '$.reviews[*]' COLUMNS (n FOR ORDINALITY, rating NUMBER PATH"
       " '$.rating', review PATH '$.review')) j ORDER BY 1, 2",
       "Hat|1|4|ok;Hat|2|2|meh"},
      {"SELECT p.product_name, r.colour, r.rating, r.seen FROM products p, JSON_TABLE("
       " p.product_details, '$' COLUMNS (colour VARCHAR2(10) PATH '$.colour', seen VARCHAR2(5)"
       " EXISTS PATH '$.reviews', NESTED PATH '$.reviews[*]' COLUMNS (rating INTEGER PATH"
       " '$.rating'))) r ORDER BY 1, 3",
       "Bag|NULL|NULL|true;Hat|red|2|true;Hat|red|4|true"},
  };
  ExpectRows(cases);
}

// Each view of Oracle's Customer Orders schema: its query emits and gives
// Oracle's rows over the data above.
TEST_F(SqlEmit, CustomerOrdersViewsRun) {
  const std::filesystem::path file =
      std::filesystem::path(KESTREL_ORACLE_SAMPLES_DIR) / "co_create.sql";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "no " << file;
  ASSERT_EQ(sqlite3_exec(db_, kCustomerOrders, nullptr, nullptr, nullptr), SQLITE_OK);
  catalog_ = SqliteCatalog(db_);
  std::ifstream in(file);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string script = buffer.str();
  const struct {
    const char *view;
    const char *rows;  // sorted: the views define no order
  } expected[] = {
      {"customer_order_products",
       "1|2023-01-01 10:00:00.000000000|COMPLETE|1|a@x|Ann|40|Hat, Bag;"
       "2|2023-01-02 11:00:00.000000000|OPEN|2|b@x|Bob|5|Pen;"
       "3|2023-01-03 12:00:00.000000000|COMPLETE|1|a@x|Ann|10|Hat"},
      {"store_orders",
       "GRAND TOTAL|NULL|NULL|NULL|NULL|NULL|3|55;"
       "NULL|Online|http://s|NULL|NULL|COMPLETE|1|40;"
       "NULL|Town|1 Main St|51.5|-0.1|COMPLETE|1|10;"
       "NULL|Town|1 Main St|51.5|-0.1|OPEN|1|5;"
       "STATUS TOTAL|NULL|NULL|NULL|NULL|COMPLETE|2|50;"
       "STATUS TOTAL|NULL|NULL|NULL|NULL|OPEN|1|5;"
       "STORE TOTAL|Online|http://s|NULL|NULL|NULL|1|40;"
       "STORE TOTAL|Town|1 Main St|51.5|-0.1|NULL|2|15"},
      {"product_reviews", "Bag|NULL|NULL|NULL;Hat|2|3|meh;Hat|4|3|ok"},
      {"product_orders", "Bag|COMPLETE|20|1;Hat|COMPLETE|30|2;Pen|OPEN|5|1"},
  };
  size_t found = 0;
  for (size_t at = script.find("CREATE OR REPLACE VIEW"); at != std::string::npos;
       at = script.find("CREATE OR REPLACE VIEW", at + 1)) {
    const std::string text = script.substr(at, script.find(";\n", at) - at);
    SCOPED_TRACE(text);
    arena_.Reset();
    const auto *view = static_cast<const CreateViewStmt *>(Parse(text, arena_));
    ASSERT_EQ(view->kind, StmtKind::kCreateView);
    SelectStmt select;
    select.query = view->query;
    std::string sql;
    try {
      sql = SqliteBackend().Emit(Resolve(select, text, catalog_));
    } catch (const std::exception &e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    sqlite3_stmt *st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_) << " in " << sql;
    std::vector<std::string> rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        if (i) row += '|';
        const unsigned char *v = sqlite3_column_text(st, i);
        row += v ? reinterpret_cast<const char *>(v) : "NULL";
      }
      rows.push_back(row);
    }
    sqlite3_finalize(st);
    std::sort(rows.begin(), rows.end());
    std::string got;
    for (const std::string &r : rows) got += (got.empty() ? "" : ";") + r;
    const std::string name(view->name.Last());
    for (const auto &e : expected) {
      std::string upper = e.view;
      for (char &c : upper) c = static_cast<char>(c - 32 * (c >= 'a' && c <= 'z'));
      if (upper == name) {
        ++found;
        EXPECT_EQ(got, e.rows) << sql;
      }
    }
  }
  EXPECT_EQ(found, std::size(expected));
}

// PIVOT groups by the columns it leaves alone; UNPIVOT makes a row per
// column, leaving out NULLs unless told to keep them.
TEST_F(SqlEmit, PivotAndUnpivot) {
  catalog_ = SqliteCatalog(db_);
  const RowCase cases[] = {
      {"SELECT * FROM (SELECT deptno, job, sal FROM emp) PIVOT (SUM(sal) FOR deptno IN (10, 20, 30))"
       " ORDER BY job",
       "CLERK|NULL|800|NULL;MANAGER|2450|NULL|NULL;PRESIDENT|5000|NULL|NULL;SALESMAN|NULL|NULL|2850"},
      {"SELECT * FROM (SELECT deptno, sal FROM emp) PIVOT (SUM(sal) AS s, COUNT(*) AS n"
       " FOR deptno IN (10 AS d10, 30 AS d30))",
       "7450|2|2850|2"},
      {"SELECT * FROM (SELECT job, sal FROM emp) PIVOT (MAX(sal) FOR job IN ('CLERK', 'MANAGER' m))",
       "800|2450"},
      {"SELECT p.d10 + 1 FROM (SELECT deptno, sal FROM emp) PIVOT (SUM(sal) FOR deptno IN (10 AS d10)) p",
       "7451"},
      {"SELECT * FROM (SELECT deptno, job, sal FROM emp) PIVOT (SUM(sal) FOR (deptno, job)"
       " IN ((30, 'SALESMAN') AS s30, (10, 'CLERK') AS c10))",
       "2850|NULL"},
      {"SELECT * FROM (SELECT empno, sal, comm FROM emp WHERE deptno = 30)"
       " UNPIVOT (amount FOR kind IN (sal AS 'SAL', comm AS 'COMM')) ORDER BY empno, kind",
       "7499|COMM|300;7499|SAL|1600;7521|COMM|500;7521|SAL|1250"},
      {"SELECT COUNT(*) FROM (SELECT empno, sal, comm FROM emp) UNPIVOT (v FOR k IN (sal, comm))",
       "7"},
      {"SELECT COUNT(*) FROM (SELECT empno, sal, comm FROM emp) UNPIVOT INCLUDE NULLS"
       " (v FOR k IN (sal, comm))",
       "10"},
      {"SELECT DISTINCT k FROM (SELECT empno, sal, comm FROM emp) UNPIVOT (v FOR k IN (sal, comm))"
       " ORDER BY 1",
       "COMM;SAL"},
      // a value no row has: COUNT 0, the others NULL
      {"SELECT * FROM (SELECT deptno, sal FROM emp) PIVOT (COUNT(*) AS n, MAX(sal) AS m"
       " FOR deptno IN (10 AS d10, 40 AS d40))",
       "2|5000|0|NULL"},
      // a NULL in the columns left alone is a group of its own
      {"SELECT * FROM (SELECT comm, deptno FROM emp) PIVOT (COUNT(*) FOR deptno IN (10, 30))"
       " ORDER BY comm",
       "300|0|1;500|0|1;NULL|2|0"},
      // several measures: a row is left out only when all of them are NULL
      {"SELECT * FROM (SELECT empno, sal, deptno, comm, mgr FROM emp WHERE empno = 7499)"
       " UNPIVOT ((a, b) FOR k IN ((sal, deptno) AS 'P', (comm, mgr) AS 'Q')) ORDER BY k",
       "7499|P|1600|30;7499|Q|300|7698"},
      {"SELECT COUNT(*) FROM (SELECT empno, sal, deptno, comm, mgr FROM emp)"
       " UNPIVOT ((a, b) FOR k IN ((sal, deptno) AS 'P', (comm, mgr) AS 'Q'))",
       "9"},
  };
  ExpectRows(cases);
  ResolvedStatement r;
  Emit("SELECT * FROM (SELECT deptno, job, sal FROM emp) PIVOT (SUM(sal) AS s, MAX(sal) AS m"
       " FOR deptno IN (10 AS d10, 20)) x",
       &r);
  std::string names;
  for (const ColumnInfo &c : r.columns) names += c.name + ";";
  EXPECT_EQ(names, "JOB;D10_S;D10_M;20_S;20_M;");
}

// The forms' result types, as describe shows them.
TEST_F(SqlEmit, FormsDescribeByOraclesTypes) {
  ASSERT_EQ(sqlite3_exec(db_, kCustomerOrders, nullptr, nullptr, nullptr), SQLITE_OK);
  catalog_ = SqliteCatalog(db_);
  ResolvedStatement r;
  Emit("SELECT ROWNUM, ROWID, ROW_NUMBER() OVER (ORDER BY sal), LAG(ename) OVER (ORDER BY sal),"
       " LAG(NULL, 1, hiredate) OVER (ORDER BY sal), LISTAGG(ename) WITHIN GROUP (ORDER BY ename)"
       " OVER (), RATIO_TO_REPORT(sal) OVER () FROM emp",
       &r);
  std::string texts;
  for (const ColumnInfo &c : r.columns) texts += TypeText(c.type) + ";";
  EXPECT_EQ(texts, "NUMBER;ROWID;NUMBER;VARCHAR2(10);DATE;VARCHAR2(4000);NUMBER;");
  Emit("SELECT j.n, j.rating, j.review, j.seen FROM products p, JSON_TABLE(p.product_details,"
       " '$.reviews[*]' COLUMNS (n FOR ORDINALITY, rating NUMBER(2) PATH '$.rating',"
       " review PATH '$.review', seen EXISTS PATH '$.x')) j",
       &r);
  texts.clear();
  for (const ColumnInfo &c : r.columns) texts += c.name + " " + TypeText(c.type) + ";";
  EXPECT_EQ(texts, "N NUMBER;RATING NUMBER(2,0);REVIEW VARCHAR2(4000);SEEN VARCHAR2(5);");
  Emit("SELECT * FROM (SELECT empno, sal, comm FROM emp) UNPIVOT (amount FOR kind IN"
       " (sal AS 'SAL', comm AS 'COMM'))",
       &r);
  texts.clear();
  for (const ColumnInfo &c : r.columns) texts += c.name + " " + TypeText(c.type) + ";";
  EXPECT_EQ(texts, "EMPNO NUMBER(4,0);KIND CHAR(3);AMOUNT NUMBER(7,2);");
  Emit("SELECT GROUPING(deptno), GROUPING_ID(deptno, job), GROUP_ID() FROM emp"
       " GROUP BY ROLLUP (deptno, job)",
       &r);
  texts.clear();
  for (const ColumnInfo &c : r.columns) texts += TypeText(c.type) + ";";
  EXPECT_EQ(texts, "NUMBER;NUMBER;NUMBER;");
}

// Binds keep their names and places inside the forms written around them.
TEST_F(SqlEmit, FormsKeepTheirBinds) {
  catalog_ = SqliteCatalog(db_);
  const std::string sql = Emit("SELECT ename FROM emp WHERE deptno = :d AND ROWNUM <= :n");
  EXPECT_NE(sql.find(":d"), std::string::npos) << sql;
  EXPECT_NE(sql.find("LIMIT"), std::string::npos) << sql;
  EXPECT_LT(sql.find(":d"), sql.find(":n")) << sql;
  sqlite3_stmt *st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
  sqlite3_bind_int(st, sqlite3_bind_parameter_index(st, ":d"), 30);
  sqlite3_bind_text(st, sqlite3_bind_parameter_index(st, ":n"), "1", -1, SQLITE_STATIC);
  std::string rows;
  while (sqlite3_step(st) == SQLITE_ROW) {
    rows += reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
    rows += ";";
  }
  sqlite3_finalize(st);
  EXPECT_EQ(rows, "ALLEN;");
  const std::string rowid = Emit("SELECT ename FROM emp WHERE ROWID = :r");
  ASSERT_EQ(sqlite3_prepare_v2(db_, rowid.c_str(), -1, &st, nullptr), SQLITE_OK) << rowid;
  sqlite3_bind_text(st, 1, "4", -1, SQLITE_STATIC);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)), "CLARK");
  sqlite3_finalize(st);
}

TEST_F(SqlEmit, DmlRunsWithOracleSemantics) {
  catalog_ = SqliteCatalog(db_);
  const char *const statements[] = {
      "INSERT INTO dept (deptno, dname, loc) VALUES (50, 'LAB', '')",
      "UPDATE dept d SET loc = 'PARIS' WHERE d.deptno = 50 AND loc IS NULL",
      "INSERT INTO dept SELECT deptno + 1, dname, loc FROM dept WHERE deptno = 50",
      "DELETE FROM dept WHERE deptno = 51",
      "UPDATE emp SET hiredate = hiredate + 1/24 WHERE empno = 7369",
  };
  for (const char *s : statements) EXPECT_EQ(Run(s), "") << s;
  EXPECT_EQ(Run("UPDATE dept SET (dname, loc) = (SELECT 'X', 'Y' FROM dual) WHERE deptno = 40"),
            "");
  EXPECT_EQ(Run("SELECT deptno, loc FROM dept WHERE deptno >= 50"), "50|PARIS");
  EXPECT_EQ(Run("SELECT dname || loc FROM dept WHERE deptno = 40"), "XY");
  EXPECT_EQ(Run("SELECT hiredate FROM emp WHERE empno = 7369"), "1980-12-17 01:00:00");
  EXPECT_EQ(Run("DELETE FROM emp e WHERE EXISTS (SELECT 1 FROM dept d"
                " WHERE d.deptno = e.deptno AND d.loc = 'DALLAS')"),
            "");
  EXPECT_EQ(Run("SELECT COUNT(*) FROM emp"), "4");
  // DEFAULT in VALUES: the column's default (7 for A, none for B)
  ASSERT_EQ(sqlite3_exec(db_, "CREATE TABLE D (A NUMBER DEFAULT 7, B VARCHAR2(5))", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  catalog_.Clear();
  EXPECT_EQ(Run("INSERT INTO d VALUES (DEFAULT, 'x')"), "");
  EXPECT_EQ(Run("INSERT INTO d (b, a) VALUES (DEFAULT, 1)"), "");
  EXPECT_EQ(Run("INSERT INTO d VALUES (DEFAULT, DEFAULT)"), "");
  EXPECT_EQ(Run("SELECT a, b FROM d ORDER BY a, b"), "1|NULL;7|x;7|NULL");
  // DEFAULT in SET: the default again, NULL for a column without one
  EXPECT_EQ(Run("UPDATE d SET a = DEFAULT, b = DEFAULT WHERE a = 1"), "");
  EXPECT_EQ(Run("SELECT a, b FROM d ORDER BY a, b"), "7|x;7|NULL;7|NULL");
  // RETURNING gives the rows changed, for the INTO binds
  EXPECT_EQ(Run("INSERT INTO d (a, b) VALUES (2, 'r') RETURNING a * 10, b INTO :x, :y"), "20|r");
  EXPECT_EQ(Run("UPDATE d t SET a = a + 1 WHERE t.b = 'r' RETURNING t.a INTO :x"), "3");
  EXPECT_EQ(Run("DELETE FROM d WHERE a = 3 RETURNING b || '!' INTO :x"), "r!");
}

// MERGE runs as its steps; the row count is the rows updated and inserted.
TEST_F(SqlEmit, MergeCountsRowsUpdatedAndInserted) {
  catalog_ = SqliteCatalog(db_);
  const auto merge = [&](const std::string &oracle) {
    arena_.Reset();
    catalog_.Clear();
    const Statement *s = Parse(oracle, arena_);
    int count = 0;
    for (const EmittedStep &step : SqliteBackend().EmitSteps(Resolve(*s, oracle, catalog_))) {
      char *error = nullptr;
      if (sqlite3_exec(db_, step.sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << error << " in " << step.sql;
        sqlite3_free(error);
      }
      if (step.counted) count += sqlite3_changes(db_);
    }
    return count;
  };
  EXPECT_EQ(merge("MERGE INTO dept d USING (SELECT 20 deptno, 'LAB' dname FROM dual UNION ALL"
                  " SELECT 50, 'NEW' FROM dual) s ON (d.deptno = s.deptno)"
                  " WHEN MATCHED THEN UPDATE SET d.dname = s.dname"
                  " WHEN NOT MATCHED THEN INSERT (deptno, dname, loc) VALUES (s.deptno, s.dname, 'X')"),
            2);
  EXPECT_EQ(Run("SELECT deptno, dname, loc FROM dept WHERE deptno IN (20, 50) ORDER BY 1"),
            "20|LAB|DALLAS;50|NEW|X");
  // the WHERE of each branch
  EXPECT_EQ(merge("MERGE INTO dept d USING dept s ON (d.deptno = s.deptno)"
                  " WHEN MATCHED THEN UPDATE SET d.loc = 'Y' WHERE s.dname = 'NOPE'"
                  " WHEN NOT MATCHED THEN INSERT VALUES (s.deptno, s.dname, s.loc)"
                  " WHERE s.deptno > 100"),
            0);
  // only WHEN NOT MATCHED; then DELETE WHERE on the rows updated, not counted again
  EXPECT_EQ(merge("MERGE INTO dept d USING (SELECT 60 deptno FROM dual) s ON (d.deptno = s.deptno)"
                  " WHEN NOT MATCHED THEN INSERT (deptno) VALUES (s.deptno)"),
            1);
  EXPECT_EQ(merge("MERGE INTO emp e USING dept d ON (e.deptno = d.deptno)"
                  " WHEN MATCHED THEN UPDATE SET e.sal = e.sal * 2 DELETE WHERE e.sal > 6000"),
            5);
  EXPECT_EQ(Run("SELECT COUNT(*), SUM(sal) FROM emp"), "4|12200");
  // DELETE WHERE beside UPDATE WHERE and INSERT: it sees the new values and
  // takes only rows this MERGE updated (not 20, not the inserted 70)
  EXPECT_EQ(merge("MERGE INTO dept d USING (SELECT 10 deptno, 'A' dname FROM dual UNION ALL"
                  " SELECT 50, 'B' FROM dual UNION ALL SELECT 70, 'C' FROM dual UNION ALL"
                  " SELECT 20, 'D' FROM dual) s ON (d.deptno = s.deptno)"
                  " WHEN MATCHED THEN UPDATE SET d.loc = 'GONE' WHERE d.deptno <> 20"
                  " DELETE WHERE d.loc = 'GONE' AND s.dname <> 'B'"
                  " WHEN NOT MATCHED THEN INSERT (deptno, dname, loc) VALUES (s.deptno, s.dname, 'GONE')"),
            3);
  EXPECT_EQ(Run("SELECT deptno, loc FROM dept WHERE deptno IN (10, 20, 50, 70) ORDER BY 1"),
            "20|DALLAS;50|GONE;70|GONE");
}

// INSERT ALL gives each row to every branch whose condition holds; INSERT
// FIRST to the first one only (ELSE to none of them).
TEST_F(SqlEmit, MultiTableInserts) {
  ASSERT_EQ(sqlite3_exec(db_, "CREATE TABLE HIGH (N NUMBER, NAME VARCHAR2(10));"
                              "CREATE TABLE LOW (N NUMBER, NAME VARCHAR2(10))",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  catalog_ = SqliteCatalog(db_);
  const auto insert = [&](const std::string &oracle) {
    arena_.Reset();
    catalog_.Clear();
    const Statement *s = Parse(oracle, arena_);
    int count = 0;
    for (const EmittedStep &step : SqliteBackend().EmitSteps(Resolve(*s, oracle, catalog_))) {
      char *error = nullptr;
      if (sqlite3_exec(db_, step.sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << error << " in " << step.sql;
        sqlite3_free(error);
      }
      if (step.counted) count += sqlite3_changes(db_);
    }
    return count;
  };
  EXPECT_EQ(insert("INSERT ALL WHEN sal > 2000 THEN INTO high VALUES (empno, ename)"
                   " WHEN sal > 1000 THEN INTO low (n) VALUES (empno)"
                   " SELECT empno, ename, sal FROM emp"),
            6);
  EXPECT_EQ(Run("SELECT COUNT(*) FROM high"), "2");
  EXPECT_EQ(Run("SELECT COUNT(*) FROM low"), "4");
  EXPECT_EQ(insert("INSERT FIRST WHEN comm > 400 THEN INTO high (n, name) VALUES (empno, 'C')"
                   " WHEN sal > 1000 THEN INTO low VALUES (empno, 'S')"
                   " ELSE INTO low VALUES (empno, 'E') SELECT empno, sal, comm FROM emp"),
            5);
  EXPECT_EQ(Run("SELECT name, COUNT(*) FROM (SELECT name FROM high UNION ALL SELECT name"
                " FROM low) WHERE name IS NOT NULL GROUP BY name ORDER BY 1"),
            "C|1;CLARK|1;E|1;KING|1;S|3");
  EXPECT_EQ(insert("INSERT ALL INTO high VALUES (deptno, loc) INTO low SELECT deptno, loc"
                   " FROM dept WHERE deptno = 10"),
            2);
}

struct ErrorCase {
  const char *oracle;
  int code;
  uint32_t offset;
  const char *message;  // a part of it, or null
};

TEST_F(SqlEmit, ErrorsCarryOracleNumbersAndOffsets) {
  ASSERT_EQ(sqlite3_exec(db_, "CREATE TABLE TYPES (R BLOB)", nullptr, nullptr, nullptr),
            SQLITE_OK);
  catalog_ = SqliteCatalog(db_);
  const ErrorCase cases[] = {
      {"SELECT x FROM nosuch", 942, 14, "table or view does not exist"},
      {"SELECT name FROM \"kestrel$sequences\"", 942, 17, nullptr},
      {"SELECT nosuch FROM emp", 904, 7, "\"NOSUCH\": invalid identifier"},
      {"SELECT e.nosuch FROM emp e", 904, 7, "\"E\".\"NOSUCH\""},
      {"SELECT ename FROM emp WHERE deptno = (SELECT deptno FROM dept WHERE x = 1)", 904, 68,
       "\"X\""},
      {"SELECT deptno FROM emp, dept", 918, 7, nullptr},
      {"SELECT ename FROM emp WHERE hiredate > 5", 932, 28, "expected DATE got NUMBER"},
      {"SELECT hiredate + hiredate FROM emp", 975, 7, nullptr},
      {"SELECT COUNT(*), deptno FROM emp", 937, 17, nullptr},
      {"SELECT deptno, ename, COUNT(*) FROM emp GROUP BY deptno", 979, 15, nullptr},
      {"SELECT deptno, COUNT(*) n FROM emp GROUP BY deptno ORDER BY n, sal", 979, 63, nullptr},
      {"SELECT ename FROM emp WHERE COUNT(*) > 1", 934, 28, nullptr},
      {"SELECT ename FROM emp WHERE sal = (SELECT deptno, dname FROM dept)", 913, 35, nullptr},
      {"SELECT ename FROM emp UNION SELECT ename FROM emp ORDER BY sal + 1", 1785, 59, nullptr},
      {"SELECT hiredate FROM emp UNION SELECT sal FROM emp", 1790, 31, nullptr},
      {"INSERT INTO dept (deptno, nosuch) VALUES (1, 2)", 904, 26, "\"DEPT\".\"NOSUCH\""},
      {"SELECT DATE '1981-2-3' FROM dual", 1861, 7, nullptr},
      {"INSERT INTO dept VALUES (1, 'A')", 947, 25, "not enough values"},
      {"INSERT INTO dept (deptno) SELECT deptno, dname FROM dept", 913, 26, nullptr},
      {"SELECT nosuch.NEXTVAL FROM dual", 2289, 7, nullptr},
      {"SELECT foo(1) FROM dual", 904, 7, "\"FOO\""},
      {"SELECT deptno FROM dept UNION SELECT deptno, dname FROM dept", 1789, 30, nullptr},
      {"SELECT ename x, job x FROM emp ORDER BY x", 960, 40, nullptr},
      {"SELECT r || 'x' FROM types", 932, 7, "expected CHAR got BLOB"},
      // forms the SQLite back end does not write yet: ORA-03001 where they are
      {"SELECT * FROM emp PIVOT (SUM(sal) FOR nosuch IN (10, 20))", 904, 38, "NOSUCH"},
      {"SELECT * FROM emp PIVOT (MEDIAN(sal) FOR deptno IN (10, 20))", 3001, 25, nullptr},
      {"SELECT MAX(sal) KEEP (DENSE_RANK FIRST ORDER BY hiredate) OVER (ORDER BY empno) FROM emp",
       3001, 63, nullptr},
      {"SELECT SUM(sal) IGNORE NULLS OVER () FROM emp", 3001, 7, nullptr},
      {"SELECT COUNT(DISTINCT sal) OVER (ORDER BY sal) FROM emp", 30487, 32, nullptr},
      {"SELECT MEDIAN(sal) OVER (ORDER BY sal) FROM emp", 30487, 24, nullptr},
      {"SELECT COUNT(*) OVER (ORDER BY hiredate RANGE INTERVAL '3' DAY PRECEDING) FROM emp", 3001,
       46, nullptr},
      {"SELECT GROUPING(sal) FROM emp GROUP BY ROLLUP (deptno)", 979, 16, nullptr},
      {"SELECT ename FROM emp UNION SELECT dname FROM dept ORDER BY 1 FETCH FIRST 2 ROWS WITH TIES",
       3001, 74, nullptr},
      {"SELECT dname FROM dept d WHERE 1 < (SELECT COUNT(*) FROM emp e WHERE e.deptno = d.deptno"
       " FETCH FIRST 50 PERCENT ROWS ONLY)",
       3001, 101, nullptr},
      {"SELECT ename FROM emp WHERE MOD(ROWNUM, 2) = 1 OR sal > 1000", 3001, 28,
       "unimplemented feature"},
      {"SELECT e.ROWID FROM emp e, dept d WHERE ROWNUM < 3 ORDER BY 1", 3001, 0, nullptr},
      {"SELECT ROWID FROM emp, dept", 918, 7, nullptr},
      {"SELECT ROWNUM, COUNT(*) FROM emp", 937, 7, nullptr},
      {"SELECT LEVEL FROM emp CONNECT BY ROWNUM <= 3", 3001, 33, nullptr},
      {"SELECT deptno, COUNT(*) FROM emp GROUP BY deptno ORDER BY ROWNUM", 979, 58, nullptr},
      {"SELECT * FROM emp@remote", 2019, 14, "remote database not found"},
      {"SELECT ROWID FROM (SELECT ename FROM emp)", 3001, 7, nullptr},
      // (+) where Oracle refuses it
      {"SELECT 1 FROM emp e, dept d, emp m WHERE e.deptno(+) = d.deptno AND e.mgr(+) = m.empno",
       1417, 68, "at most one other table"},
      {"SELECT 1 FROM emp e, dept d WHERE e.deptno(+) = d.deptno(+)", 1468, 48, nullptr},
      {"SELECT 1 FROM emp e, dept d WHERE e.deptno(+) = d.deptno OR e.sal > 1", 1719, 34, nullptr},
      {"SELECT 1 FROM emp e, dept d WHERE e.deptno(+) IN (d.deptno, 10)", 1719, 34, nullptr},
      {"SELECT 1 FROM emp e, dept d WHERE e.deptno(+) = d.deptno AND d.loc(+) = e.job", 1416, 34,
       nullptr},
      {"SELECT 1 FROM emp e, dept d WHERE e.deptno(+) = (SELECT MAX(deptno) FROM dept)", 1799, 34,
       nullptr},
      {"SELECT 1 FROM emp e JOIN dept d ON e.deptno = d.deptno, emp m WHERE m.empno(+) = e.mgr",
       25156, 68, nullptr},
      {"SELECT CONNECT_BY_ISCYCLE FROM emp CONNECT BY PRIOR empno = mgr", 30930, 7, nullptr},
      {"WITH t (n) AS (SELECT 1 FROM dual UNION ALL SELECT n + 1 FROM t WHERE n < 3)"
       " SEARCH DEPTH FIRST BY m SET o SELECT * FROM t",
       904, 99, "\"M\""},
      {"SELECT PRIOR ename FROM emp", 3001, 7, nullptr},
      {"SELECT SYS_CONNECT_BY_PATH(ename) FROM emp CONNECT BY PRIOR empno = mgr", 909, 7,
       "invalid number of arguments"},
      {"SELECT LISTAGG() WITHIN GROUP (ORDER BY 1) OVER () FROM emp", 3001, 7, nullptr},
      {"SELECT INTERVAL '1' DAY + INTERVAL '1' MONTH FROM dual", 30081, 7, nullptr},
      {"SELECT INTERVAL '1' DAY + 1 FROM dual", 30081, 7, nullptr},
      {"SELECT 2 / INTERVAL '1' DAY FROM dual", 30081, 7, nullptr},
      {"SELECT INTERVAL '1' DAY * INTERVAL '1' DAY FROM dual", 30081, 7, nullptr},
      {"SELECT INTERVAL '1:2' DAY TO SECOND FROM dual", 1867, 7, nullptr},
      {"MERGE INTO dept d USING emp e ON (d.deptno = e.deptno)"
       " WHEN NOT MATCHED THEN INSERT (deptno, nosuch) VALUES (e.deptno, 1)",
       904, 93, "NOSUCH"},
      {"MERGE INTO dept d USING emp e ON (d.deptno = e.deptno)"
       " WHEN NOT MATCHED THEN INSERT VALUES (e.deptno, d.dname, 1)",
       904, 102, "\"D\".\"DNAME\""},
  };
  for (const ErrorCase &c : cases) {
    SCOPED_TRACE(c.oracle);
    try {
      const std::string sql = Emit(c.oracle);
      ADD_FAILURE() << "no error; emitted " << sql;
    } catch (const SemanticError &e) {
      EXPECT_EQ(e.code(), c.code) << e.what();
      EXPECT_EQ(e.offset(), c.offset) << e.what();
      if (c.message != nullptr) {
        EXPECT_NE(e.message().find(c.message), std::string::npos) << e.what();
      }
    }
  }
}

TEST_F(SqlEmit, BindsSequencesAndLocks) {
  catalog_ = SqliteCatalog(db_);
  const std::string binds =
      Emit("SELECT ename FROM emp WHERE empno = :id AND sal > :2 AND job <> :\"a-b\"");
  EXPECT_NE(binds.find(":id"), std::string::npos) << binds;
  EXPECT_LT(binds.find(":id"), binds.find(":2")) << binds;
  EXPECT_LT(binds.find(":2"), binds.find(":a$2Db")) << binds;
  EXPECT_EQ(Run("WITH x AS (SELECT 1 a FROM dual) (WITH y AS (SELECT 2 b FROM dual)"
                " SELECT b FROM y)"),
            "2");
  const std::string seq = Emit("SELECT emp_seq.NEXTVAL, emp_seq.CURRVAL FROM dual");
  EXPECT_NE(seq.find("kestrel_nextval('EMP_SEQ')"), std::string::npos) << seq;
  EXPECT_NE(seq.find("kestrel_currval('EMP_SEQ')"), std::string::npos) << seq;
  ResolvedStatement r;
  const std::string locked = Emit("SELECT ename FROM emp WHERE empno = 7369 FOR UPDATE WAIT 2", &r);
  EXPECT_TRUE(r.for_update);
  EXPECT_EQ(r.lock_wait_ms, 2000);
  EXPECT_EQ(locked.find("FOR"), std::string::npos) << locked;
  Emit("SELECT ename FROM emp FOR UPDATE OF sal SKIP LOCKED", &r);
  EXPECT_EQ(r.lock_wait_ms, 0);  // the whole database's lock: as NOWAIT
}

struct DescribeCase {
  const char *name;
  TypeCategory category;
  int32_t length_or_precision;  // VARCHAR2/CHAR length, NUMBER/TIMESTAMP precision
};

TEST_F(SqlEmit, SelectItemsDescribeByTheirTypes) {
  catalog_ = SqliteCatalog(db_);
  ResolvedStatement r;
  Emit("SELECT ename, sal * 2, hiredate + 1, 'abc', COUNT(*) cnt, stamp - stamp,"
       " SYSTIMESTAMP, sal, ename || 'x' FROM emp GROUP BY ename, sal, hiredate, stamp",
       &r);
  const DescribeCase expected[] = {
      {"ENAME", TypeCategory::kVarchar2, 10},
      {"SAL*2", TypeCategory::kNumber, -1},
      {"HIREDATE+1", TypeCategory::kDate, -1},
      {"'ABC'", TypeCategory::kChar, 3},
      {"CNT", TypeCategory::kNumber, -1},
      {"STAMP-STAMP", TypeCategory::kIntervalDS, 9},
      {"SYSTIMESTAMP", TypeCategory::kTimestamp, 6},
      {"SAL", TypeCategory::kNumber, 7},
      {"ENAME||'X'", TypeCategory::kVarchar2, 11},
  };
  ASSERT_EQ(r.columns.size(), std::size(expected));
  for (size_t i = 0; i < r.columns.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(r.columns[i].name, expected[i].name);
    EXPECT_EQ(r.columns[i].type.category, expected[i].category);
    const OracleType &t = r.columns[i].type;
    const bool sized = t.IsCharacter() || t.Is(TypeCategory::kRaw);
    EXPECT_EQ(sized ? t.length : t.precision, expected[i].length_or_precision);
  }
  Emit("SELECT NVL(hiredate, SYSDATE), DECODE(deptno, 10, 'x'), CAST(sal AS VARCHAR2(12)),"
       " TO_DATE('2020', 'YYYY'), (SELECT MAX(dname) FROM dept) top, v.n FROM emp,"
       " (SELECT COUNT(*) n FROM dept) v",
       &r);
  const DescribeCase derived[] = {
      {"NVL(HIREDATE,SYSDATE)", TypeCategory::kDate, -1},
      {"DECODE(DEPTNO,10,'X')", TypeCategory::kVarchar2, 1},
      {"CAST(SALASVARCHAR2(12))", TypeCategory::kVarchar2, 12},
      {"TO_DATE('2020','YYYY')", TypeCategory::kDate, -1},
      {"TOP", TypeCategory::kVarchar2, 14},
      {"N", TypeCategory::kNumber, -1},
  };
  ASSERT_EQ(r.columns.size(), std::size(derived));
  for (size_t i = 0; i < r.columns.size(); ++i) {
    SCOPED_TRACE(derived[i].name);
    EXPECT_EQ(r.columns[i].name, derived[i].name);
    EXPECT_EQ(r.columns[i].type.category, derived[i].category);
    const OracleType &t = r.columns[i].type;
    EXPECT_EQ(t.IsCharacter() ? t.length : t.precision, derived[i].length_or_precision);
  }
  Emit("SELECT NULL, deptno FROM dept UNION SELECT hiredate, empno FROM emp", &r);
  ASSERT_EQ(r.columns.size(), 2u);
  EXPECT_EQ(r.columns[0].type.category, TypeCategory::kDate);
  EXPECT_EQ(r.columns[0].name, "NULL");
  // As a declaration, for describe's type table.
  Emit("SELECT sal, deptno, ename, 'ab', stamp, NULL, hiredate, COUNT(*) FROM emp"
       " GROUP BY sal, deptno, ename, stamp, hiredate",
       &r);
  std::string texts;
  for (const ColumnInfo &c : r.columns) texts += TypeText(c.type) + ";";
  EXPECT_EQ(texts, "NUMBER(7,2);NUMBER(2,0);VARCHAR2(10);CHAR(2);TIMESTAMP(6);VARCHAR2(0);DATE;"
                   "NUMBER;");
  // The catalog reads views and temporary tables as well.
  ASSERT_EQ(sqlite3_exec(db_,
                         "CREATE VIEW EMP_V AS SELECT ENAME, SAL FROM EMP;"
                         "CREATE TEMP TABLE TYPES (R RAW(16), B BLOB, C CLOB, D BINARY_DOUBLE,"
                         " I INTERVAL DAY)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_EQ(Run("SELECT ename FROM emp_v WHERE sal > 4000"), "KING");
  Emit("SELECT v.*, t.* FROM emp_v v, types t", &r);
  texts.clear();
  for (const ColumnInfo &c : r.columns) texts += TypeText(c.type) + ";";
  EXPECT_EQ(texts, "VARCHAR2(10);NUMBER(7,2);RAW(16);BLOB;CLOB;BINARY_DOUBLE;"
                   "INTERVAL DAY TO SECOND;");
  Emit("SELECT * FROM dept", &r);
  ASSERT_EQ(r.columns.size(), 3u);
  EXPECT_EQ(r.columns[0].name, "DEPTNO");
  EXPECT_EQ(r.columns[0].type.scale, 0);
  EXPECT_EQ(r.columns[2].type.length, 13);
}

}  // namespace
