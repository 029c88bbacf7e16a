// The PL/SQL interpreter through the client calls: blocks run on a
// temporary database, their DBMS_OUTPUT lines read back with GET_LINE
// and OUT binds, errors checked by number and text.
#include <string.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Cell;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

class EnginePlsql : public ::testing::Test {
 protected:
  EnginePlsql() : s(dir.CreateLink("t.db")) {}
  void SetUp() override {
    ASSERT_TRUE(s.ok()) << s.ErrorText();
    Exec("BEGIN DBMS_OUTPUT.ENABLE; END;");
  }
  void Exec(const std::string &sql) {
    ASSERT_EQ(s.Run(sql), OCI_SUCCESS) << sql << ": " << s.ErrorText();
  }
  OCIStmt *Prepared(const std::string &sql) {
    OCIStmt *stmt = s.NewStatement();
    EXPECT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql.data()),
                             static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    return stmt;
  }
  sword Execute(OCIStmt *stmt) {
    return OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT);
  }
  // Every line DBMS_OUTPUT holds, joined with '|'.
  std::string Output() {
    OCIStmt *stmt = Prepared("BEGIN DBMS_OUTPUT.GET_LINE(:line, :status); END;");
    char line[4001];
    sb2 lineInd = 0;
    ub2 lineLen = 0;
    int status = 0;
    OCIBind *b1 = nullptr, *b2 = nullptr;
    EXPECT_EQ(OCIBindByName(stmt, &b1, s.err, reinterpret_cast<const OraText *>(":line"), 5, line,
                            sizeof line, SQLT_STR, &lineInd, &lineLen, nullptr, 0, nullptr,
                            OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(OCIBindByName(stmt, &b2, s.err, reinterpret_cast<const OraText *>(":status"), 7,
                            &status, sizeof status, SQLT_INT, nullptr, nullptr, nullptr, 0,
                            nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    std::string out;
    for (int n = 0; n < 10000; ++n) {
      line[0] = '\0';
      lineInd = 0;
      if (Execute(stmt) != OCI_SUCCESS) {
        ADD_FAILURE() << s.ErrorText();
        break;
      }
      if (status != 0) break;
      if (n) out += '|';
      if (lineInd != -1) out += line;
    }
    return out;
  }
  void RunCases(const struct Case *cases, size_t n);
  // Runs the block and answers its output, or "ORA-nnnnn" (the first line
  // of the error) when it fails.
  std::string Block(const std::string &sql) {
    if (s.Run(sql) != OCI_SUCCESS) {
      std::string text = s.ErrorText();
      Output();
      return text;
    }
    return Output();
  }

  TempDir dir;
  Session s;
};

struct Case {
  const char *block;
  const char *expected;  // the output lines joined with '|', or the error text
};

void EnginePlsql::RunCases(const Case *cases, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    EXPECT_EQ(Block(cases[i].block), cases[i].expected) << cases[i].block;
  }
}

TEST_F(EnginePlsql, ScalarsAndControlFlow) {
  const Case cases[] = {
      // Declarations, constants, NULL rules, ||, arithmetic.
      {"DECLARE x NUMBER := 2; y CONSTANT VARCHAR2(10) := 'a'; z NUMBER; BEGIN "
       "DBMS_OUTPUT.PUT_LINE(x * 3 || y || z); DBMS_OUTPUT.PUT_LINE(x / 4); "
       "IF z IS NULL AND z + 1 IS NULL THEN DBMS_OUTPUT.PUT_LINE('null'); END IF; END;",
       "6a|.5|null"},
      // NULL in a condition is neither true nor false.
      {"DECLARE z NUMBER; BEGIN IF z = 1 THEN DBMS_OUTPUT.PUT_LINE('t'); "
       "ELSIF NOT (z = 1) THEN DBMS_OUTPUT.PUT_LINE('f'); ELSE DBMS_OUTPUT.PUT_LINE('neither'); "
       "END IF; END;",
       "neither"},
      // BOOLEAN, PLS_INTEGER, CASE statement and expression.
      {"DECLARE b BOOLEAN := TRUE; i PLS_INTEGER := 7; BEGIN "
       "CASE WHEN b AND i > 5 THEN DBMS_OUTPUT.PUT_LINE('big'); ELSE NULL; END CASE; "
       "DBMS_OUTPUT.PUT_LINE(CASE i WHEN 7 THEN 'seven' ELSE 'other' END); END;",
       "big|seven"},
      {"DECLARE i PLS_INTEGER := 3; BEGIN CASE i WHEN 1 THEN NULL; END CASE; END;",
       "ORA-06592: CASE not found while executing CASE statement\nORA-06512: at line 1"},
      // Loops: LOOP/EXIT WHEN, WHILE, FOR REVERSE, CONTINUE WHEN, labels.
      {"DECLARE i PLS_INTEGER := 0; s VARCHAR2(100); BEGIN "
       "LOOP i := i + 1; CONTINUE WHEN i = 2; s := s || i; EXIT WHEN i >= 4; END LOOP; "
       "WHILE i > 0 LOOP i := i - 2; END LOOP; "
       "FOR k IN REVERSE 1 .. 3 LOOP s := s || '-' || k; END LOOP; "
       "FOR k IN 5 .. 4 LOOP s := 'never'; END LOOP; "
       "DBMS_OUTPUT.PUT_LINE(s || ' ' || i); END;",
       "134-3-2-1 0"},
      {"BEGIN <<outer>> FOR i IN 1 .. 3 LOOP FOR j IN 1 .. 3 LOOP "
       "EXIT outer WHEN i * j = 4; DBMS_OUTPUT.PUT(i * j || ' '); END LOOP; END LOOP; "
       "DBMS_OUTPUT.NEW_LINE; END;",
       "1 2 3 2 "},
      // Nested blocks: shadowing and labelled access to the outer name.
      {"<<o>> DECLARE x NUMBER := 1; BEGIN DECLARE x NUMBER := 2; BEGIN "
       "DBMS_OUTPUT.PUT_LINE(x || o.x); o.x := 5; END; DBMS_OUTPUT.PUT_LINE(x); END;",
       "21|5"},
      // Values that do not fit their declared type.
      {"DECLARE v VARCHAR2(3); BEGIN v := 'abcd'; END;",
       "ORA-06502: PL/SQL: numeric or value error: character string buffer too small\n"
       "ORA-06512: at line 1"},
      {"DECLARE n NUMBER; BEGIN n := 'x1'; END;",
       "ORA-06502: PL/SQL: numeric or value error: character to number conversion error\n"
       "ORA-06512: at line 1"},
      {"DECLARE c CONSTANT NUMBER := 1; BEGIN c := 2; END;",
       "ORA-06550: PL/SQL: PLS-00363: expression 'C' cannot be used as an assignment target\n"
       "ORA-06512: at line 1"},
      {"DECLARE n NUMBER(3,1); BEGIN n := 12.345; DBMS_OUTPUT.PUT_LINE(n); n := 1000; END;",
       "ORA-06502: PL/SQL: numeric or value error: number precision too large\n"
       "ORA-06512: at line 1"},
      {"BEGIN FOR i IN 1 .. 1e20 LOOP NULL; END LOOP; END;",
       "ORA-01426: numeric overflow\nORA-06512: at line 1"},
      {"BEGIN DBMS_OUTPUT.PUT_LINE(1/0); END;",
       "ORA-01476: divisor is equal to zero\nORA-06512: at line 1"},
      // Whole-number assignment keeps the declared type's limits, with the
      // statement's line; past 64 bits the value leaves whole numbers.
      {"DECLARE p PLS_INTEGER := 2147483640;\nBEGIN\n  FOR i IN 1 .. 10 LOOP\n    p := p + i;\n"
       "  END LOOP;\nEND;",
       "ORA-01426: numeric overflow\nORA-06512: at line 4"},
      {"DECLARE p PLS_INTEGER := -2147483647; n NUMBER(3) := 998; BEGIN "
       "p := p - 1; n := n + 1; DBMS_OUTPUT.PUT_LINE(p || ' ' || n); "
       "BEGIN p := p - 1; EXCEPTION WHEN OTHERS THEN DBMS_OUTPUT.PUT_LINE(SQLERRM); END; "
       "BEGIN n := -n - 1; EXCEPTION WHEN OTHERS THEN DBMS_OUTPUT.PUT_LINE(SQLERRM); END; "
       "DBMS_OUTPUT.PUT_LINE(p || ' ' || n); END;",
       "-2147483648 999|ORA-01426: numeric overflow|"
       "ORA-06502: PL/SQL: numeric or value error: number precision too large|-2147483648 999"},
      {"DECLARE n NUMBER := 9223372036854775807; BEGIN n := n + 1; DBMS_OUTPUT.PUT_LINE(n); "
       "n := n / 2 - 4611686018427387904 + 7 * 3; DBMS_OUTPUT.PUT_LINE(n); END;",
       "9223372036854775808|21"},
      {"BEGIN FOR i IN 1 .. 2 LOOP i := 5; END LOOP; END;",
       "ORA-06550: PL/SQL: PLS-00363: expression 'I' cannot be used as an assignment target\n"
       "ORA-06512: at line 1"},
      // A name resolves to its own block each time: an inner block made
      // anew on each iteration, and a procedure seeing the x of where it
      // was declared whoever calls it.
      {"DECLARE x NUMBER := 1; s VARCHAR2(50); BEGIN FOR i IN 1 .. 3 LOOP s := s || x; "
       "DECLARE x NUMBER := i * 10; BEGIN s := s || x; x := x + 1; s := s || x; END; "
       "s := s || ','; END LOOP; DBMS_OUTPUT.PUT_LINE(s); END;",
       "11011,12021,13031,"},
      {"DECLARE x PLS_INTEGER := 0; PROCEDURE bump IS BEGIN x := x + 1; END; BEGIN bump; "
       "FOR i IN 1 .. 3 LOOP DECLARE x PLS_INTEGER := 100; BEGIN bump; x := x + 1; END; "
       "END LOOP; DBMS_OUTPUT.PUT_LINE(x); END;",
       "4"},
      // Each call of a recursive function has its own variables.
      {"DECLARE FUNCTION f(n PLS_INTEGER) RETURN PLS_INTEGER IS v PLS_INTEGER := n * 10; "
       "r PLS_INTEGER := 0; BEGIN IF n > 0 THEN r := f(n - 1); END IF; v := v + r; RETURN v; END; "
       "BEGIN DBMS_OUTPUT.PUT_LINE(f(3)); END;",
       "60"},
      // Functions SQLite computes, with variables bound.
      {"DECLARE s VARCHAR2(20) := 'hello'; BEGIN DBMS_OUTPUT.PUT_LINE(UPPER(SUBSTR(s, 2, 3)) || "
       "LPAD(LENGTH(s), 3, '0') || NVL(NULL, 'n')); "
       "IF s LIKE 'h%' AND 3 BETWEEN 1 AND 5 AND s IN ('x', 'hello') THEN "
       "DBMS_OUTPUT.PUT_LINE('ok'); END IF; END;",
       "ELL005n|ok"},
  };
  RunCases(cases, sizeof cases / sizeof cases[0]);
}


}  // namespace

namespace {

TEST_F(EnginePlsql, SqlInsideBlocks) {
  Exec("CREATE TABLE emp (id NUMBER PRIMARY KEY, name VARCHAR2(20), sal NUMBER(8,2), "
       "hired DATE)");
  Exec("INSERT INTO emp VALUES (1, 'ann', 100, DATE '2020-01-02')");
  Exec("INSERT INTO emp VALUES (2, 'bob', 200, DATE '2021-03-04')");
  Exec("INSERT INTO emp VALUES (3, 'cy', 300, NULL)");
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
  const Case cases[] = {
      // SELECT INTO scalars, %TYPE, a record of %ROWTYPE; names bind as values.
      {"DECLARE n emp.name%TYPE; s NUMBER; r emp%ROWTYPE; id NUMBER := 2; BEGIN "
       "SELECT name, sal INTO n, s FROM emp WHERE id = 1; "
       "SELECT * INTO r FROM emp WHERE emp.id = 3; "
       "DBMS_OUTPUT.PUT_LINE(n || s || r.name || r.sal); END;",
       "ann100cy300"},
      {"DECLARE n VARCHAR2(20); BEGIN SELECT name INTO n FROM emp WHERE id = 9; END;",
       "ORA-01403: no data found\nORA-06512: at line 1"},
      {"DECLARE n VARCHAR2(20); BEGIN SELECT name INTO n FROM emp; END;",
       "ORA-01422: exact fetch returns more than requested number of rows\nORA-06512: at line 1"},
      // DML with variables and SQL%ROWCOUNT / %FOUND / %NOTFOUND.
      {"DECLARE k NUMBER := 150; BEGIN UPDATE emp SET sal = sal + 1 WHERE sal > k; "
       "DBMS_OUTPUT.PUT_LINE(SQL%ROWCOUNT); DELETE FROM emp WHERE id = 99; "
       "IF SQL%NOTFOUND AND NOT SQL%FOUND THEN DBMS_OUTPUT.PUT_LINE('none'); END IF; "
       "ROLLBACK; END;",
       "2|none"},
      // Cursor FOR loops: a query, a declared cursor with a parameter.
      {"DECLARE CURSOR c (lo NUMBER) IS SELECT name, sal FROM emp WHERE sal >= lo ORDER BY id; "
       "BEGIN FOR r IN (SELECT id, name FROM emp ORDER BY id DESC) LOOP "
       "DBMS_OUTPUT.PUT(r.id || r.name || ' '); END LOOP; DBMS_OUTPUT.NEW_LINE; "
       "FOR r IN c(200) LOOP DBMS_OUTPUT.PUT_LINE(r.name || '=' || r.sal); END LOOP; END;",
       "3cy 2bob 1ann |bob=200|cy=300"},
      // Explicit cursors with their attributes.
      {"DECLARE CURSOR c IS SELECT name FROM emp ORDER BY id; n VARCHAR2(20); BEGIN "
       "IF NOT c%ISOPEN THEN OPEN c; END IF; "
       "LOOP FETCH c INTO n; EXIT WHEN c%NOTFOUND; DBMS_OUTPUT.PUT(n || c%ROWCOUNT); END LOOP; "
       "DBMS_OUTPUT.NEW_LINE; CLOSE c; "
       "IF NOT c%ISOPEN THEN DBMS_OUTPUT.PUT_LINE('closed'); END IF; END;",
       "ann1bob2cy3|closed"},
      {"DECLARE CURSOR c IS SELECT name FROM emp; BEGIN OPEN c; OPEN c; END;",
       "ORA-06511: PL/SQL: cursor already open\nORA-06512: at line 1"},
      {"DECLARE CURSOR c IS SELECT name FROM emp; n VARCHAR2(9); BEGIN FETCH c INTO n; END;",
       "ORA-01001: invalid cursor\nORA-06512: at line 1"},
      // A cursor loop over a table the loop changes reads what was there.
      {"DECLARE n PLS_INTEGER := 0; BEGIN FOR r IN (SELECT id FROM emp) LOOP "
       "INSERT INTO emp (id, name) VALUES (r.id + 10, 'copy'); n := n + 1; END LOOP; "
       "DBMS_OUTPUT.PUT_LINE(n); ROLLBACK; END;",
       "3"},
      // RETURNING INTO: one row's values; more than one is TOO_MANY_ROWS.
      {"DECLARE n VARCHAR2(20); s NUMBER; BEGIN UPDATE emp SET sal = sal * 2 WHERE id = 1 "
       "RETURNING name, sal INTO n, s; DBMS_OUTPUT.PUT_LINE(n || s); "
       "INSERT INTO emp (id, name) VALUES (7, 'new') RETURNING id INTO s; DBMS_OUTPUT.PUT_LINE(s); "
       "ROLLBACK; END;",
       "ann200|7"},
      {"DECLARE s NUMBER; BEGIN UPDATE emp SET sal = sal RETURNING sal INTO s; END;",
       "ORA-01422: exact fetch returns more than requested number of rows\nORA-06512: at line 1"},
      // RETURNING ... BULK COLLECT INTO: every row (none empties the
      // collections); under FORALL the rows of all its runs
      {"DECLARE TYPE nums IS TABLE OF NUMBER; TYPE names IS TABLE OF VARCHAR2(20) "
       "INDEX BY PLS_INTEGER; ids nums; ns names; BEGIN "
       "UPDATE emp SET sal = sal + 1 WHERE sal > 150 RETURNING id, name BULK COLLECT INTO ids, ns; "
       "DBMS_OUTPUT.PUT_LINE(ids.COUNT || ids(1) || ns(2)); "
       "DELETE FROM emp WHERE id = 99 RETURNING id BULK COLLECT INTO ids; "
       "DBMS_OUTPUT.PUT_LINE(ids.COUNT); "
       "FORALL i IN 1 .. 2 DELETE FROM emp WHERE id = i RETURNING name BULK COLLECT INTO ns; "
       "DBMS_OUTPUT.PUT_LINE(ns.COUNT || ns(1) || ns(2) || SQL%ROWCOUNT); ROLLBACK; END;",
       "22cy|0|2annbob2"},
      // MERGE in a block, with DELETE WHERE beside UPDATE WHERE and INSERT
      {"BEGIN MERGE INTO emp e USING (SELECT 2 id, 'bo' name FROM dual UNION ALL "
       "SELECT 3, 'cy' FROM dual UNION ALL SELECT 8, 'hal' FROM dual) s ON (e.id = s.id) "
       "WHEN MATCHED THEN UPDATE SET e.sal = e.sal * 10 WHERE s.name <> 'cy' "
       "DELETE WHERE e.sal > 1000 WHEN NOT MATCHED THEN INSERT (id, name) VALUES (s.id, s.name); "
       "DBMS_OUTPUT.PUT_LINE(SQL%ROWCOUNT); FOR r IN (SELECT id, sal FROM emp ORDER BY id) LOOP "
       "DBMS_OUTPUT.PUT(r.id || ':' || r.sal || ' '); END LOOP; DBMS_OUTPUT.NEW_LINE; "
       "INSERT ALL INTO emp (id) VALUES (id + 100) INTO emp (id) VALUES (id + 200) "
       "SELECT id FROM emp WHERE id = 1; DBMS_OUTPUT.PUT_LINE(SQL%ROWCOUNT); ROLLBACK; END;",
       "2|1:100 3:300 8: |2"},
      {"DECLARE TYPE nums IS TABLE OF NUMBER; ids nums; BEGIN INSERT INTO emp SELECT * FROM emp "
       "RETURNING id BULK COLLECT INTO ids; END;",
       "ORA-06550: line 1, column 89:\nPL/SQL: ORA-00933: SQL command not properly ended"},
      // Dates stay dates through variables.
      {"DECLARE d DATE; v VARCHAR2(20); BEGIN SELECT hired INTO d FROM emp WHERE id = 1; "
       "DBMS_OUTPUT.PUT_LINE(TO_CHAR(d + 1, 'YYYY-MM-DD')); v := d; "
       "DBMS_OUTPUT.PUT_LINE(d || '|' || v); DBMS_OUTPUT.PUT_LINE(d); END;",
       "2020-01-03|02-JAN-20|02-JAN-20|02-JAN-20"},
  };
  RunCases(cases, sizeof cases / sizeof cases[0]);
  EXPECT_EQ(s.Query("SELECT count(*), sum(sal) FROM emp"), (Rows{{Cell("3"), Cell("600")}}));
}

TEST_F(EnginePlsql, Exceptions) {
  Exec("CREATE TABLE t (a NUMBER PRIMARY KEY)");
  const Case cases[] = {
      // Predefined exceptions caught by name, SQLCODE and SQLERRM.
      {"DECLARE n NUMBER; BEGIN n := 1 / 0; EXCEPTION WHEN ZERO_DIVIDE THEN "
       "DBMS_OUTPUT.PUT_LINE(SQLCODE || ' ' || SQLERRM); END;",
       "-1476 ORA-01476: divisor is equal to zero"},
      {"BEGIN INSERT INTO t VALUES (1); INSERT INTO t VALUES (1); EXCEPTION "
       "WHEN DUP_VAL_ON_INDEX THEN DBMS_OUTPUT.PUT_LINE('dup ' || SQLCODE); ROLLBACK; END;",
       "dup -1"},
      // User exceptions: handled, unhandled, EXCEPTION_INIT, through nested blocks.
      {"DECLARE e EXCEPTION; BEGIN BEGIN RAISE e; EXCEPTION WHEN NO_DATA_FOUND THEN NULL; END; "
       "EXCEPTION WHEN e THEN DBMS_OUTPUT.PUT_LINE('outer ' || SQLCODE || ' ' || SQLERRM); END;",
       "outer 1 User-Defined Exception"},
      {"DECLARE e EXCEPTION; BEGIN\n  NULL;\n  RAISE e;\nEND;",
       "ORA-06510: PL/SQL: unhandled user-defined exception\nORA-06512: at line 3"},
      {"DECLARE e EXCEPTION; PRAGMA EXCEPTION_INIT(e, -1476); BEGIN "
       "DBMS_OUTPUT.PUT_LINE(1 / 0); EXCEPTION WHEN e THEN DBMS_OUTPUT.PUT_LINE('init ' || SQLCODE); END;",
       "init -1476"},
      // RAISE_APPLICATION_ERROR reaches the client with its number and text.
      {"BEGIN\n RAISE_APPLICATION_ERROR(-20042, 'custom text');\nEND;",
       "ORA-20042: custom text\nORA-06512: at line 2"},
      {"BEGIN RAISE_APPLICATION_ERROR(-20001, 'x'); EXCEPTION WHEN OTHERS THEN "
       "DBMS_OUTPUT.PUT_LINE(SQLCODE || SQLERRM); END;",
       "-20001ORA-20001: x"},
      {"BEGIN RAISE_APPLICATION_ERROR(-1, 'x'); END;",
       "ORA-21000: error number argument to raise_application_error of -1 is out of range\n"
       "ORA-06512: at line 1"},
      {"BEGIN RAISE_APPLICATION_ERROR(-1e30, 'x'); END;",
       "ORA-21000: error number argument to raise_application_error of "
       "-1000000000000000000000000000000 is out of range\nORA-06512: at line 1"},
      // RAISE; re-raises the one being handled; an error in a handler propagates.
      {"BEGIN BEGIN RAISE NO_DATA_FOUND; EXCEPTION WHEN OTHERS THEN "
       "DBMS_OUTPUT.PUT_LINE('inner'); RAISE; END; EXCEPTION WHEN NO_DATA_FOUND THEN "
       "DBMS_OUTPUT.PUT_LINE('outer'); END;",
       "inner|outer"},
      // An error in the declarations goes to the enclosing block.
      {"BEGIN DECLARE v VARCHAR2(1) := 'xy'; BEGIN NULL; EXCEPTION WHEN OTHERS THEN "
       "DBMS_OUTPUT.PUT_LINE('same'); END; EXCEPTION WHEN VALUE_ERROR THEN "
       "DBMS_OUTPUT.PUT_LINE('enclosing'); END;",
       "enclosing"},
  };
  RunCases(cases, sizeof cases / sizeof cases[0]);
}

// An unhandled exception undoes the block's own work, not what was
// pending before it; a handled one keeps it.
TEST_F(EnginePlsql, UnhandledExceptionUndoesTheBlock) {
  Exec("CREATE TABLE t (a NUMBER)");
  Exec("INSERT INTO t VALUES (1)");
  EXPECT_EQ(s.Run("BEGIN INSERT INTO t VALUES (2); RAISE_APPLICATION_ERROR(-20000, 'no'); END;"),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 20000);
  Exec("BEGIN INSERT INTO t VALUES (3); RAISE NO_DATA_FOUND; EXCEPTION WHEN OTHERS THEN NULL; END;");
  EXPECT_EQ(s.Query("SELECT a FROM t ORDER BY a"), (Rows{{Cell("1")}, {Cell("3")}}));
  // COMMIT inside a block keeps what it committed.
  EXPECT_EQ(s.Run("BEGIN INSERT INTO t VALUES (4); COMMIT; INSERT INTO t VALUES (5); "
                  "RAISE NO_DATA_FOUND; END;"),
            OCI_ERROR);
  ASSERT_EQ(s.Rollback(), OCI_SUCCESS);
  EXPECT_EQ(s.Query("SELECT a FROM t ORDER BY a"), (Rows{{Cell("1")}, {Cell("3")}, {Cell("4")}}));
}

TEST_F(EnginePlsql, BindsInBlocksAreReadAndWritten) {
  OCIStmt *stmt = Prepared("BEGIN :out := :in * 2 || 'x'; :num := :num + 1; END;");
  int in = 21, num = 5;
  char out[16] = {};
  sb2 outInd = 0;
  OCIBind *b[3] = {};
  ASSERT_EQ(OCIBindByName(stmt, &b[0], s.err, reinterpret_cast<const OraText *>(":in"), 3, &in,
                          sizeof in, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIBindByName(stmt, &b[1], s.err, reinterpret_cast<const OraText *>(":out"), 4, out,
                          sizeof out, SQLT_STR, &outInd, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIBindByName(stmt, &b[2], s.err, reinterpret_cast<const OraText *>(":num"), 4, &num,
                          sizeof num, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(Execute(stmt), OCI_SUCCESS) << s.ErrorText();
  EXPECT_STREQ(out, "42x");
  EXPECT_EQ(num, 6);
  // A bind too small for the value is ORA-06502, as Oracle reports it.
  char small[2] = {};
  OCIStmt *tooSmall = Prepared("BEGIN :s := 'abc'; END;");
  OCIBind *bs = nullptr;
  ASSERT_EQ(OCIBindByName(tooSmall, &bs, s.err, reinterpret_cast<const OraText *>(":s"), 2, small,
                          sizeof small, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(Execute(tooSmall), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 6502) << s.ErrorText();
}

}  // namespace

namespace {

TEST_F(EnginePlsql, DynamicSqlArraysAndSubprograms) {
  Exec("CREATE TABLE t (a NUMBER, b VARCHAR2(10))");
  const Case cases[] = {
      // EXECUTE IMMEDIATE with USING and INTO, and DDL.
      {"DECLARE n NUMBER; BEGIN EXECUTE IMMEDIATE 'INSERT INTO t VALUES (:1, :2)' USING 7, 'seven'; "
       "EXECUTE IMMEDIATE 'SELECT count(*) FROM t WHERE a = :x' INTO n USING 7; "
       "EXECUTE IMMEDIATE 'CREATE TABLE u (x NUMBER)'; "
       "EXECUTE IMMEDIATE 'INSERT INTO u VALUES (1)'; DBMS_OUTPUT.PUT_LINE(n || SQL%ROWCOUNT); END;",
       "11"},
      {"BEGIN EXECUTE IMMEDIATE 'SELEC 1 FROM dual'; END;",
       "ORA-00900: invalid SQL statement\nORA-06512: at line 1"},
      // Associative arrays by integer and by text, with their methods.
      {"DECLARE TYPE nums IS TABLE OF NUMBER INDEX BY PLS_INTEGER; "
       "TYPE names IS TABLE OF VARCHAR2(10) INDEX BY VARCHAR2(10); a nums; m names; "
       "k VARCHAR2(10); BEGIN a(3) := 30; a(1) := 10; a(2) := a(1) + a(3); "
       "DBMS_OUTPUT.PUT_LINE(a.COUNT || ' ' || a.FIRST || ' ' || a.LAST || ' ' || a(2)); "
       "a.DELETE(2); IF NOT a.EXISTS(2) THEN DBMS_OUTPUT.PUT_LINE(a.NEXT(1) || a.PRIOR(3)); END IF; "
       "m('b') := 'B'; m('a') := 'A'; k := m.FIRST; WHILE k IS NOT NULL LOOP "
       "DBMS_OUTPUT.PUT(m(k)); k := m.NEXT(k); END LOOP; DBMS_OUTPUT.NEW_LINE; "
       "a.DELETE; DBMS_OUTPUT.PUT_LINE(a.COUNT); END;",
       "3 1 3 40|31|AB|0"},
      {"DECLARE TYPE nums IS TABLE OF NUMBER INDEX BY PLS_INTEGER; a nums; BEGIN "
       "DBMS_OUTPUT.PUT_LINE(a(5)); END;",
       "ORA-01403: no data found\nORA-06512: at line 1"},
      // FORALL over a range; BULK COLLECT from a query and from a cursor with LIMIT.
      {"DECLARE TYPE nums IS TABLE OF NUMBER; TYPE trows IS TABLE OF t%ROWTYPE INDEX BY PLS_INTEGER; "
       "a nums; r trows; CURSOR c IS SELECT a FROM t ORDER BY a; BEGIN DELETE FROM t; "
       "FORALL i IN 1 .. 5 INSERT INTO t VALUES (i * 10, 'r' || i); "
       "DBMS_OUTPUT.PUT_LINE(SQL%ROWCOUNT); "
       "SELECT a, b BULK COLLECT INTO r FROM t WHERE a > 20 ORDER BY a; "
       "DBMS_OUTPUT.PUT_LINE(r.COUNT || r(1).b || r(3).a); "
       "OPEN c; FETCH c BULK COLLECT INTO a LIMIT 2; DBMS_OUTPUT.PUT(a.COUNT || a(2)); "
       "FETCH c BULK COLLECT INTO a; DBMS_OUTPUT.PUT_LINE(' ' || a.COUNT || a(1) || c%ROWCOUNT); "
       "CLOSE c; ROLLBACK; END;",
       "5|3r350|220 3305"},
      // Records declared as types; assignment copies.
      {"DECLARE TYPE pt IS RECORD (x NUMBER, y NUMBER := 2); p pt; q pt; BEGIN "
       "p.x := 1; q := p; q.x := 9; DBMS_OUTPUT.PUT_LINE(p.x || p.y || q.x); END;",
       "129"},
      // Local procedures and functions: IN, OUT, IN OUT, defaults, named notation, recursion.
      {"DECLARE r NUMBER; s VARCHAR2(20) := 'a'; "
       "FUNCTION fact(n NUMBER) RETURN NUMBER IS BEGIN IF n <= 1 THEN RETURN 1; END IF; "
       "RETURN n * fact(n - 1); END; "
       "PROCEDURE p(a IN NUMBER, b OUT NUMBER, c IN OUT VARCHAR2, d NUMBER := 100) IS "
       "BEGIN b := a + d; c := c || 'x'; END; "
       "BEGIN p(1, r, s); DBMS_OUTPUT.PUT_LINE(r || s); p(c => s, b => r, a => 2, d => 3); "
       "DBMS_OUTPUT.PUT_LINE(r || s || fact(5)); END;",
       "101ax|5axx120"},
      // Each call reads its own parameters (they are found by remembered
      // slots): after its recursive calls, from a nested subprogram (also
      // while the caller's declarations are made), through overloads.
      {"DECLARE FUNCTION fib(n NUMBER) RETURN NUMBER IS r NUMBER; BEGIN IF n < 2 THEN RETURN n; END IF; "
       "r := fib(n - 1) + fib(n - 2); RETURN r + n - n; END; "
       "FUNCTION outer(a NUMBER) RETURN NUMBER IS "
       "FUNCTION inner(b NUMBER) RETURN NUMBER IS BEGIN RETURN a * 10 + b; END; x NUMBER := inner(1); "
       "BEGIN RETURN x + inner(a); END; "
       "PROCEDURE twice(v IN OUT NUMBER, k NUMBER) IS BEGIN FOR i IN 1 .. k LOOP v := v * 2; END LOOP; END; "
       "PROCEDURE twice(v IN OUT VARCHAR2, k NUMBER) IS BEGIN v := v || k; END; "
       "t NUMBER := 1; w VARCHAR2(10) := 'w'; BEGIN "
       "DBMS_OUTPUT.PUT_LINE(fib(10) || ' ' || outer(2) || ' ' || outer(3)); "
       "FOR i IN 1 .. 3 LOOP twice(t, i); twice(w, i); END LOOP; DBMS_OUTPUT.PUT_LINE(t || ' ' || w); END;",
       "55 43 64|64 w123"},
      {"DECLARE FUNCTION f RETURN NUMBER IS BEGIN NULL; END; BEGIN DBMS_OUTPUT.PUT_LINE(f); END;",
       "ORA-06503: PL/SQL: Function returned without value\nORA-06512: at line 1"},
      // A runaway recursion ends with an error, not a crash.
      {"DECLARE PROCEDURE p IS BEGIN p; END; BEGIN p; END;",
       "ORA-06500: PL/SQL: storage error\nORA-06512: at line 1"},
  };
  RunCases(cases, sizeof cases / sizeof cases[0]);
}

}  // namespace

namespace {

// The text of a sample script, or empty when the scripts are not there.
std::string SampleScript(const char *name) {
  const std::filesystem::path file = std::filesystem::path(KESTREL_ORACLE_SAMPLES_DIR) / name;
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// co_populate.sql loads its products through one DECLARE block.
TEST_F(EnginePlsql, CustomerOrdersProductsBlockRuns) {
  const std::string script = SampleScript("co_populate.sql");
  if (script.empty()) GTEST_SKIP() << "no sample scripts at " << KESTREL_ORACLE_SAMPLES_DIR;
  const size_t start = script.find("\nDECLARE");
  ASSERT_NE(start, std::string::npos);
  const size_t end = script.find("\nEND;", start);
  ASSERT_NE(end, std::string::npos);
  // The table as co_create.sql makes it, without its identity column.
  Exec("CREATE TABLE products (product_id INTEGER, product_name VARCHAR2(255 CHAR) NOT NULL, "
       "unit_price NUMBER(10,2), product_details BLOB, product_image BLOB, "
       "image_mime_type VARCHAR2(512 CHAR), image_filename VARCHAR2(512 CHAR), "
       "image_charset VARCHAR2(512 CHAR), image_last_updated DATE)");
  Exec(script.substr(start + 1, end + 6 - start - 1));
  EXPECT_EQ(s.Query("SELECT count(*), sum(unit_price) FROM products"),
            (Rows{{Cell("46"), Cell("1204.89")}}));
  // The product whose details were built in a variable over two lines.
  EXPECT_EQ(s.Query("SELECT length(product_details) FROM products WHERE product_id = 4"),
            (Rows{{Cell("4793")}}));
}

}  // namespace

namespace {

TEST_F(EnginePlsql, StoredProceduresAndFunctions) {
  Exec("CREATE TABLE log (msg VARCHAR2(40))");
  Exec("CREATE OR REPLACE PROCEDURE add_log(p_msg VARCHAR2, p_times PLS_INTEGER := 1) IS\n"
       "BEGIN\n  FOR i IN 1 .. p_times LOOP INSERT INTO log VALUES (p_msg || i); END LOOP;\n"
       "END add_log;\n");
  Exec("CREATE FUNCTION twice(n NUMBER) RETURN NUMBER IS BEGIN RETURN n * 2; END;");
  Exec("CREATE PROCEDURE split(p_in VARCHAR2, p_head OUT VARCHAR2, p_n IN OUT NUMBER) IS "
       "BEGIN p_head := SUBSTR(p_in, 1, 1); p_n := twice(p_n); END;");
  Exec("CREATE PROCEDURE fail(p_code NUMBER) IS\nBEGIN\n  "
       "RAISE_APPLICATION_ERROR(p_code, 'failed here');\nEND;");
  const Case cases[] = {
      {"BEGIN add_log('a'); add_log(p_times => 2, p_msg => 'b'); "
       "DBMS_OUTPUT.PUT_LINE(twice(21)); END;",
       "42"},
      {"DECLARE h VARCHAR2(5); n NUMBER := 4; BEGIN split('xyz', h, n); "
       "DBMS_OUTPUT.PUT_LINE(h || n); END;",
       "x8"},
      // The error carries a line in the procedure, then the caller's.
      {"BEGIN\n  fail(-20005);\nEND;",
       "ORA-20005: failed here\nORA-06512: at \"SCOTT.FAIL\", line 3\nORA-06512: at line 2"},
      {"BEGIN add_log(); END;",
       "ORA-06550: PL/SQL: PLS-00306: wrong number or types of arguments in call to 'ADD_LOG'\n"
       "ORA-06512: at line 1"},
      {"BEGIN nowhere(1); END;",
       "ORA-06550: PL/SQL: line 1: PLS-00201: identifier 'NOWHERE' must be declared\n"
       "ORA-06512: at line 1"},
  };
  RunCases(cases, sizeof cases / sizeof cases[0]);
  Exec("CALL add_log('c', 1)");
  {
    OCIStmt *call = Prepared("CALL twice(8) INTO :r");
    int r = 0;
    OCIBind *b = nullptr;
    ASSERT_EQ(OCIBindByName(call, &b, s.err, reinterpret_cast<const OraText *>(":r"), 2, &r,
                            sizeof r, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(Execute(call), OCI_SUCCESS) << s.ErrorText();
    EXPECT_EQ(r, 16);
  }
  EXPECT_EQ(s.Query("SELECT msg FROM log ORDER BY msg"),
            (Rows{{Cell("a1")}, {Cell("b1")}, {Cell("b2")}, {Cell("c1")}}));
  // The source as USER_SOURCE shows it, from the word PROCEDURE on.
  EXPECT_EQ(s.Query("SELECT line, text FROM user_source WHERE name = 'ADD_LOG' ORDER BY line"),
            (Rows{{Cell("1"), Cell("PROCEDURE add_log(p_msg VARCHAR2, p_times PLS_INTEGER := 1) IS\n")},
                  {Cell("2"), Cell("BEGIN\n")},
                  {Cell("3"), Cell("  FOR i IN 1 .. p_times LOOP INSERT INTO log VALUES (p_msg || i); END LOOP;\n")},
                  {Cell("4"), Cell("END add_log;\n")}}));
  EXPECT_EQ(s.Run("CREATE PROCEDURE add_log IS BEGIN NULL; END;"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 955);
  // OUT binds of a call from the client.
  OCIStmt *stmt = Prepared("BEGIN split(:s, :head, :n); END;");
  char in[8] = "hello", head[8] = {};
  double n = 1.5;
  OCIBind *b[3] = {};
  ASSERT_EQ(OCIBindByName(stmt, &b[0], s.err, reinterpret_cast<const OraText *>(":s"), 2, in,
                          sizeof in, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIBindByName(stmt, &b[1], s.err, reinterpret_cast<const OraText *>(":head"), 5, head,
                          sizeof head, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIBindByName(stmt, &b[2], s.err, reinterpret_cast<const OraText *>(":n"), 2, &n,
                          sizeof n, SQLT_FLT, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(Execute(stmt), OCI_SUCCESS) << s.ErrorText();
  EXPECT_STREQ(head, "h");
  EXPECT_EQ(n, 3.0);
  Exec("ALTER PROCEDURE split COMPILE");
  EXPECT_EQ(s.Run("ALTER FUNCTION nothing COMPILE"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 4043);
  Exec("DROP PROCEDURE split");
  EXPECT_EQ(s.Query("SELECT count(*) FROM user_source WHERE name = 'SPLIT'"), (Rows{{Cell("0")}}));
  EXPECT_EQ(s.Run("DROP FUNCTION split"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 4043);
}

// A loop that never ends stops at OCIBreak from another thread.
TEST_F(EnginePlsql, BreakStopsARunawayLoop) {
  std::thread breaker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(OCIBreak(s.svc, nullptr), OCI_SUCCESS);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(s.Run("DECLARE x PLS_INTEGER := 0; BEGIN LOOP x := x + 1; IF x > 1000 THEN x := 0; "
                  "END IF; END LOOP; END;"),
            OCI_ERROR);
  breaker.join();
  EXPECT_EQ(s.ErrorCode(), 1013) << s.ErrorText();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  // So does a long sleep.
  std::thread again([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(OCIBreak(s.svc, nullptr), OCI_SUCCESS);
  });
  EXPECT_EQ(s.Run("BEGIN DBMS_SESSION.SLEEP(60); END;"), OCI_ERROR);
  again.join();
  EXPECT_EQ(s.ErrorCode(), 1013) << s.ErrorText();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(Block("DECLARE r NUMBER := DBMS_RANDOM.VALUE(5, 6); BEGIN DBMS_LOCK.SLEEP(0.01); "
                  "IF r >= 5 AND r < 6 AND DBMS_RANDOM.VALUE < 1 THEN DBMS_OUTPUT.PUT_LINE('in range'); "
                  "END IF; END;"),
            "in range");
}

}  // namespace

namespace {

// One rule each, with its edge.
TEST_F(EnginePlsql, NameAndValueRules) {
  Exec("CREATE TABLE t (id NUMBER, name VARCHAR2(10))");
  Exec("INSERT INTO t VALUES (1, 'one')");
  Exec("INSERT INTO t VALUES (2, 'two')");
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
  const Case cases[] = {
      // In SQL a column wins over a variable of the same name.
      {"DECLARE id NUMBER := 2; n NUMBER; BEGIN SELECT count(*) INTO n FROM t WHERE id = id; "
       "DBMS_OUTPUT.PUT_LINE(n); END;",
       "2"},
      // Three-valued logic: NULL AND FALSE is FALSE, NULL OR TRUE is TRUE.
      {"DECLARE b BOOLEAN; BEGIN IF NOT (b AND FALSE) AND (b OR TRUE) THEN "
       "DBMS_OUTPUT.PUT_LINE('ok'); END IF; WHILE b LOOP NULL; END LOOP; END;",
       "ok"},
      // Text converts to a number in arithmetic; CHAR pads; '' is NULL.
      {"DECLARE c CHAR(3) := 'a'; v VARCHAR2(5) := ''; BEGIN "
       "DBMS_OUTPUT.PUT_LINE(('5' + 1) || '[' || c || ']'); "
       "IF v IS NULL THEN DBMS_OUTPUT.PUT_LINE('empty is null'); END IF; END;",
       "6[a  ]|empty is null"},
      // CONTINUE naming an outer loop.
      {"BEGIN <<o>> FOR i IN 1 .. 2 LOOP FOR j IN 1 .. 3 LOOP CONTINUE o WHEN j = 2; "
       "DBMS_OUTPUT.PUT(i || j || ' '); END LOOP; END LOOP; DBMS_OUTPUT.NEW_LINE; END;",
       "11 21 "},
      // A cursor's %ROWTYPE, a parameter default, FETCH into a record.
      {"DECLARE CURSOR c (p_id NUMBER := 2) IS SELECT id, name FROM t WHERE id = p_id; "
       "r c%ROWTYPE; BEGIN OPEN c; FETCH c INTO r; CLOSE c; DBMS_OUTPUT.PUT_LINE(r.name); END;",
       "two"},
      {"DECLARE CURSOR c (p_id NUMBER) IS SELECT id FROM t WHERE id = p_id; BEGIN OPEN c; END;",
       "ORA-06550: PL/SQL: PLS-00306: wrong number or types of arguments in call to 'C'\n"
       "ORA-06512: at line 1"},
      // SQLERRM of a number, the backtrace of the error being handled.
      {"BEGIN DBMS_OUTPUT.PUT_LINE(SQLERRM(-1403)); RAISE TOO_MANY_ROWS; EXCEPTION WHEN OTHERS "
       "THEN DBMS_OUTPUT.PUT_LINE(DBMS_UTILITY.FORMAT_ERROR_STACK); END;",
       "ORA-01403: no data found|ORA-01422: exact fetch returns more than requested number of rows\n"},
      // A SAVEPOINT inside the block and ROLLBACK TO it.
      {"DECLARE n NUMBER; BEGIN INSERT INTO t VALUES (3, 'three'); SAVEPOINT sp; "
       "INSERT INTO t VALUES (4, 'four'); ROLLBACK TO sp; SELECT count(*) INTO n FROM t; "
       "DBMS_OUTPUT.PUT_LINE(n); ROLLBACK; END;",
       "3"},
      // A record gets a whole row with SELECT *; a scalar target of a
      // many-column row does not fit.
      {"DECLARE r t%ROWTYPE; BEGIN SELECT * INTO r FROM t WHERE id = 1; "
       "DBMS_OUTPUT.PUT_LINE(r.id || r.name || SQL%ROWCOUNT); END;",
       "1one1"},
      {"DECLARE n NUMBER; BEGIN SELECT id, name INTO n FROM t WHERE id = 1; END;",
       "ORA-00913: too many values\nORA-06512: at line 1"},
      // An exception leaves a procedure for the caller's handler.
      {"DECLARE PROCEDURE p IS BEGIN RAISE ZERO_DIVIDE; END; BEGIN p; DBMS_OUTPUT.PUT_LINE('no'); "
       "EXCEPTION WHEN ZERO_DIVIDE THEN DBMS_OUTPUT.PUT_LINE('caught'); END;",
       "caught"},
      // An undeclared name, and a condition that is not BOOLEAN.
      {"BEGIN x := 1; END;",
       "ORA-06550: PL/SQL: PLS-00201: identifier 'X' must be declared\nORA-06512: at line 1"},
      {"DECLARE n NUMBER := 1; BEGIN WHILE n LOOP NULL; END LOOP; END;",
       "ORA-06550: PL/SQL: line 1, column 1: PLS-00382: expression is of wrong type\n"
       "ORA-06512: at line 1"},
  };
  RunCases(cases, sizeof cases / sizeof cases[0]);
  // DISABLE drops the buffer; lines put while disabled are not kept.
  Exec("BEGIN DBMS_OUTPUT.PUT_LINE('kept'); DBMS_OUTPUT.DISABLE; DBMS_OUTPUT.PUT_LINE('lost'); END;");
  Exec("BEGIN DBMS_OUTPUT.ENABLE; END;");
  EXPECT_EQ(Output(), "");
  EXPECT_EQ(s.Query("SELECT count(*) FROM t"), (Rows{{Cell("2")}}));
}

}  // namespace
