// Stored code through the client calls: units compiled at CREATE and kept
// INVALID with their USER_ERRORS rows, calls of invalid units, ALTER ...
// COMPILE, tables that go away under a unit, and stored functions called
// from SQL statements.
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

class EngineStored : public ::testing::Test {
 protected:
  EngineStored() : s(dir.CreateLink("t.db")) {}
  void SetUp() override { ASSERT_TRUE(s.ok()) << s.ErrorText(); }
  void Exec(const std::string &sql) {
    ASSERT_EQ(s.Run(sql), OCI_SUCCESS) << sql << ": " << s.ErrorText();
  }
  // The statement's error text, or "" when it succeeds.
  std::string Error(const std::string &sql) {
    return s.Run(sql) == OCI_SUCCESS ? std::string() : s.ErrorText();
  }
  // USER_ERRORS of a unit as "line/position text" lines joined with '|'.
  std::string Errors(const std::string &name) {
    std::string out;
    for (const auto &row : s.Query("SELECT line, position, text FROM user_errors WHERE name = '" +
                                   name + "' ORDER BY sequence")) {
      if (!out.empty()) out += '|';
      out += *row[0] + "/" + *row[1] + " " + *row[2];
    }
    return out;
  }
  std::string Status(const std::string &name) {
    const Rows r = s.Query("SELECT status FROM user_objects WHERE object_name = '" + name + "'");
    return r.size() == 1 && r[0][0] ? *r[0][0] : "(none)";
  }

  TempDir dir;
  Session s;
};

// Each unit is kept; one with errors answers OCI_SUCCESS_WITH_INFO and
// ORA-24344 and lists its errors where USER_SOURCE puts them.
TEST_F(EngineStored, CompilationAtCreateKeepsErrors) {
  Exec("CREATE TABLE t (a NUMBER, b VARCHAR2(10))");
  Exec("CREATE PROCEDURE two(x NUMBER, y NUMBER := 0) IS BEGIN NULL; END;");
  struct Case {
    const char *name;
    const char *create;
    const char *errors;  // "" for a VALID unit
  } const cases[] = {
      {"UNDECLARED",
       "CREATE PROCEDURE undeclared(x NUMBER) IS\n  v NUMBER;\nBEGIN\n  v := y + x;\nEND;",
       "4/3 PL/SQL: Statement ignored|4/8 PLS-00201: identifier 'Y' must be declared"},
      {"NO_TABLE", "CREATE PROCEDURE no_table IS\nBEGIN\n  INSERT INTO nosuch VALUES (1);\nEND;",
       "3/3 PL/SQL: SQL Statement ignored|3/15 PL/SQL: ORA-00942: table or view does not exist"},
      {"NO_COLUMN",
       "CREATE OR REPLACE PROCEDURE no_column IS\nBEGIN\n  UPDATE t SET c = 1;\nEND;",
       "3/3 PL/SQL: SQL Statement ignored|3/16 PL/SQL: ORA-00904: \"C\": invalid identifier"},
      {"WRONG_ARGS", "CREATE PROCEDURE wrong_args IS\nBEGIN\n  two(1, 2, 3);\n  two(y => 1);\nEND;",
       "3/3 PL/SQL: Statement ignored|3/3 PLS-00306: wrong number or types of arguments in call "
       "to 'TWO'|4/3 PL/SQL: Statement ignored|4/3 PLS-00306: wrong number or types of "
       "arguments in call to 'TWO'"},
      {"BAD_TYPE", "CREATE FUNCTION bad_type RETURN NUMBER IS\n  v t.nope%TYPE;\nBEGIN\n  RETURN 1;\nEND;",
       "2/3 PL/SQL: Item ignored|2/5 PLS-00201: identifier 'T.NOPE' must be declared"},
      {"BAD_SYNTAX", "CREATE PROCEDURE bad_syntax IS\nBEGIN\n  x := ;\nEND;",
       "3/8 PL/SQL: ORA-00936: missing expression"},
      // What the check must not take for errors: locals, loop records,
      // cursors, handlers, recursion, named notation, SQL on parameters.
      {"CLEAN",
       "CREATE PROCEDURE clean(p_a NUMBER) IS\n  CURSOR c(k NUMBER) IS SELECT a, b FROM t WHERE a > k;\n"
       "  r t%ROWTYPE;\n  e EXCEPTION;\n  FUNCTION half(n NUMBER) RETURN NUMBER IS BEGIN RETURN n / 2; END;\n"
       "BEGIN\n  FOR x IN c(p_a) LOOP r.a := half(x.a); END LOOP;\n"
       "  FOR i IN 1 .. 3 LOOP INSERT INTO t (a, b) VALUES (i, TO_CHAR(SYSDATE, 'YYYY')); END LOOP;\n"
       "  two(y => p_a, x => 1);\n  IF SQL%ROWCOUNT > 0 THEN clean(p_a - 1); END IF;\n"
       "  SELECT COUNT(*) INTO r.a FROM t WHERE b = UPPER(r.b);\n"
       "EXCEPTION\n  WHEN e OR NO_DATA_FOUND THEN RAISE;\n  WHEN OTHERS THEN DBMS_OUTPUT.PUT_LINE(SQLERRM);\nEND;",
       ""},
  };
  for (const Case &c : cases) {
    const sword rc = s.Run(c.create);
    if (*c.errors == '\0') {
      EXPECT_EQ(rc, OCI_SUCCESS) << c.name << ": " << s.ErrorText() << " " << Errors(c.name);
      EXPECT_EQ(Status(c.name), "VALID") << c.name;
    } else {
      EXPECT_EQ(rc, OCI_SUCCESS_WITH_INFO) << c.name;
      EXPECT_EQ(s.ErrorCode(), 24344) << c.name;
      EXPECT_EQ(Status(c.name), "INVALID") << c.name;
    }
    EXPECT_EQ(Errors(c.name), c.errors) << c.name;
  }
  // The errors are also in ALL_ERRORS, with the owner.
  EXPECT_EQ(s.Query("SELECT owner, type, attribute, message_number FROM all_errors "
                    "WHERE name = 'UNDECLARED' ORDER BY sequence"),
            (Rows{{Cell("SCOTT"), Cell("PROCEDURE"), Cell("ERROR"), Cell("0")},
                  {Cell("SCOTT"), Cell("PROCEDURE"), Cell("ERROR"), Cell("201")}}));
  // The source is kept whole even for a unit that does not parse.
  EXPECT_EQ(s.Query("SELECT count(*) FROM user_source WHERE name = 'BAD_SYNTAX'"),
            (Rows{{Cell("4")}}));
  // Without OR REPLACE a second unit of the name is refused, and a
  // procedure is not replaced by a function of its name.
  EXPECT_EQ(s.Run("CREATE PROCEDURE undeclared IS BEGIN NULL; END;"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 955);
  EXPECT_EQ(s.Run("CREATE OR REPLACE FUNCTION undeclared RETURN NUMBER IS BEGIN RETURN 1; END;"),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 955);
}

// Calling an INVALID unit fails at the call; fixing what it needs and
// ALTER ... COMPILE makes it VALID again.
TEST_F(EngineStored, InvalidUnitsAndRecompilation) {
  EXPECT_EQ(s.Run("CREATE PROCEDURE log_it(m VARCHAR2) IS\nBEGIN\n  INSERT INTO log VALUES (m);\nEND;"),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(Status("LOG_IT"), "INVALID");
  EXPECT_EQ(Error("BEGIN\n  log_it('a');\nEND;"),
            "ORA-06550: line 2, column 3:\nPLS-00905: object SCOTT.LOG_IT is invalid\n"
            "ORA-06550: line 2, column 3:\nPL/SQL: Statement ignored");
  EXPECT_EQ(s.Run("ALTER PROCEDURE log_it COMPILE"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.ErrorCode(), 24344);
  Exec("CREATE TABLE log (m VARCHAR2(10))");
  Exec("ALTER PROCEDURE log_it COMPILE");
  EXPECT_EQ(Status("LOG_IT"), "VALID");
  EXPECT_EQ(Errors("LOG_IT"), "");
  Exec("BEGIN log_it('b'); END;");
  // A table the unit names going away makes it INVALID; its return makes
  // it VALID again, as Oracle's recompilation at the next call would.
  Exec("DROP TABLE log");
  EXPECT_EQ(Status("LOG_IT"), "INVALID");
  EXPECT_NE(Error("BEGIN log_it('c'); END;").find("PLS-00905"), std::string::npos);
  Exec("CREATE TABLE log (m VARCHAR2(10))");
  EXPECT_EQ(Status("LOG_IT"), "VALID");
  Exec("BEGIN log_it('d'); END;");
  EXPECT_EQ(s.Query("SELECT m FROM log"), (Rows{{Cell("d")}}));
  // DROP forgets the unit's records with its source.
  Exec("DROP PROCEDURE log_it");
  EXPECT_EQ(Status("LOG_IT"), "(none)");
  EXPECT_EQ(s.Query("SELECT count(*) FROM user_arguments WHERE object_name = 'LOG_IT'"),
            (Rows{{Cell("0")}}));
}

TEST_F(EngineStored, ArgumentsOfUnits) {
  Exec("CREATE FUNCTION f(a NUMBER, b IN OUT VARCHAR2, c DATE := SYSDATE) RETURN VARCHAR2 IS "
       "BEGIN RETURN b; END;");
  Exec("CREATE PROCEDURE p IS BEGIN NULL; END;");
  EXPECT_EQ(s.Query("SELECT object_name, argument_name, position, sequence, data_type, in_out, "
                    "defaulted FROM user_arguments ORDER BY object_name, sequence"),
            (Rows{{Cell("F"), Cell(), Cell("0"), Cell("1"), Cell("VARCHAR2"), Cell("OUT"), Cell("N")},
                  {Cell("F"), Cell("A"), Cell("1"), Cell("2"), Cell("NUMBER"), Cell("IN"), Cell("N")},
                  {Cell("F"), Cell("B"), Cell("2"), Cell("3"), Cell("VARCHAR2"), Cell("IN/OUT"), Cell("N")},
                  {Cell("F"), Cell("C"), Cell("3"), Cell("4"), Cell("DATE"), Cell("IN"), Cell("Y")},
                  {Cell("P"), Cell(), Cell("1"), Cell("1"), Cell(), Cell("IN"), Cell("N")}}));
  EXPECT_EQ(s.Query("SELECT object_name, object_type FROM user_procedures ORDER BY 1"),
            (Rows{{Cell("F"), Cell("FUNCTION")}, {Cell("P"), Cell("PROCEDURE")}}));
}

// Stored functions in SQL: the select list, WHERE, nested calls, NULL
// arguments, DML statements, and Oracle's refusals.
TEST_F(EngineStored, FunctionsCalledFromSql) {
  Exec("CREATE TABLE t (a NUMBER, b VARCHAR2(10))");
  Exec("INSERT INTO t VALUES (1, 'x')");
  Exec("INSERT INTO t VALUES (2, NULL)");
  Exec("INSERT INTO t VALUES (3, 'z')");
  Exec("CREATE FUNCTION dbl(n NUMBER) RETURN NUMBER IS BEGIN RETURN n * 2; END;");
  Exec("CREATE FUNCTION tag(s VARCHAR2) RETURN VARCHAR2 IS BEGIN RETURN '<' || s || '>'; END;");
  Exec("CREATE FUNCTION half_only(n NUMBER) RETURN NUMBER IS BEGIN IF n > 1 THEN RETURN n / 2; END IF; END;");
  Exec("CREATE FUNCTION writer(n NUMBER) RETURN NUMBER IS BEGIN INSERT INTO t VALUES (n, 'w'); RETURN n; END;");
  Exec("CREATE FUNCTION committer RETURN NUMBER IS BEGIN COMMIT; RETURN 1; END;");
  Exec("CREATE FUNCTION inverse(n NUMBER) RETURN NUMBER IS\nBEGIN\n  RETURN 1 / n;\nEND;");
  Exec("CREATE FUNCTION with_out(n OUT NUMBER) RETURN NUMBER IS BEGIN n := 1; RETURN 1; END;");
  Exec("CREATE FUNCTION fact(n NUMBER) RETURN NUMBER IS v NUMBER; BEGIN IF n <= 1 THEN RETURN 1; "
       "END IF; SELECT n * fact(n - 1) INTO v FROM dual; RETURN v; END;");
  EXPECT_EQ(s.Query("SELECT a, dbl(a), tag(b), dbl(dbl(a)) FROM t WHERE dbl(a) > 2 ORDER BY a"),
            (Rows{{Cell("2"), Cell("4"), Cell("<>"), Cell("8")},
                  {Cell("3"), Cell("6"), Cell("<z>"), Cell("12")}}));
  EXPECT_EQ(s.Query("SELECT dbl(NULL), tag(NULL), scott.dbl(4), fact(5) FROM dual"),
            (Rows{{Cell(), Cell("<>"), Cell("8"), Cell("120")}}));
  struct Case {
    const char *sql;
    const char *error;
  } const cases[] = {
      {"SELECT half_only(1) FROM dual", "ORA-06503: PL/SQL: Function returned without value"},
      {"SELECT writer(9) FROM dual",
       "ORA-14551: cannot perform a DML operation inside a query\nORA-06512: at \"SCOTT.WRITER\", line 1"},
      {"SELECT committer() FROM dual",
       "ORA-14552: cannot perform a DDL, commit or rollback inside a query or DML\n"
       "ORA-06512: at \"SCOTT.COMMITTER\", line 1"},
      {"SELECT inverse(0) FROM dual",
       "ORA-01476: divisor is equal to zero\nORA-06512: at \"SCOTT.INVERSE\", line 3"},
      {"SELECT with_out(1) FROM dual", "ORA-06572: Function WITH_OUT has out arguments"},
      {"SELECT fact(60) FROM dual", "ORA-00036: maximum number of recursive SQL levels (50) exceeded"},
      {"SELECT nosuch(1) FROM dual", "ORA-00904: \"NOSUCH\": invalid identifier"},
  };
  for (const Case &c : cases) {
    const std::string error = Error(c.sql);
    EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << c.sql;
  }
  // In DML a function may change other rows; its changes are the statement's.
  Exec("INSERT INTO t VALUES (dbl(10), tag('i'))");
  Exec("INSERT INTO t VALUES (writer(30), 'v')");
  EXPECT_EQ(s.Query("SELECT a, b FROM t WHERE a >= 10 ORDER BY a, b"),
            (Rows{{Cell("20"), Cell("<i>")}, {Cell("30"), Cell("v")}, {Cell("30"), Cell("w")}}));
  // SQL run by PL/SQL calls them too.
  OCIStmt *stmt = s.NewStatement();
  const std::string block = "BEGIN SELECT tag(b) INTO :r FROM t WHERE a = dbl(0.5); END;";
  ASSERT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(block.data()),
                           static_cast<ub4>(block.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  char r[16] = {};
  OCIBind *b = nullptr;
  ASSERT_EQ(OCIBindByName(stmt, &b, s.err, reinterpret_cast<const OraText *>(":r"), 2, r, sizeof r,
                          SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS)
      << s.ErrorText();
  EXPECT_STREQ(r, "<x>");
}

// A package: state per session, the initialisation section at first
// use, private items, and what replacing or dropping it does.
TEST_F(EngineStored, PackagesKeepStatePerSession) {
  Exec("CREATE TABLE t (a NUMBER)");
  Exec("CREATE OR REPLACE PACKAGE counter IS\n  total NUMBER := 0;\n  c_step CONSTANT NUMBER := 10;\n"
       "  PROCEDURE bump(n NUMBER := 1);\n  FUNCTION current_total RETURN NUMBER;\n"
       "  FUNCTION twice(n NUMBER) RETURN NUMBER;\n  FUNCTION twice(s VARCHAR2) RETURN VARCHAR2;\n"
       "END counter;");
  Exec("CREATE OR REPLACE PACKAGE BODY counter IS\n  calls PLS_INTEGER := 0;\n"
       "  PROCEDURE note IS BEGIN calls := calls + 1; END;\n"
       "  PROCEDURE bump(n NUMBER := 1) IS\n  BEGIN\n    note;\n    total := total + n * c_step;\n"
       "    INSERT INTO t VALUES (total);\n  END;\n"
       "  FUNCTION current_total RETURN NUMBER IS BEGIN RETURN total + calls; END;\n"
       "  FUNCTION twice(n NUMBER) RETURN NUMBER IS BEGIN RETURN n * 2; END;\n"
       "  FUNCTION twice(s VARCHAR2) RETURN VARCHAR2 IS BEGIN RETURN s || s; END;\n"
       "BEGIN\n  total := 100;\nEND counter;");
  EXPECT_EQ(s.Query("SELECT object_type, status FROM user_objects WHERE object_name = 'COUNTER' "
                    "ORDER BY 1"),
            (Rows{{Cell("PACKAGE"), Cell("VALID")}, {Cell("PACKAGE BODY"), Cell("VALID")}}));
  Exec("BEGIN counter.bump; counter.bump(n => 2); END;");
  Exec("CALL counter.bump(3)");
  EXPECT_EQ(s.Query("SELECT counter.current_total, counter.current_total() FROM dual"),
            (Rows{{Cell("163"), Cell("163")}}));
  EXPECT_EQ(s.Query("SELECT a FROM t ORDER BY a"),
            (Rows{{Cell("110")}, {Cell("130")}, {Cell("160")}}));
  struct Case {
    const char *sql;
    const char *error;
  } const cases[] = {
      {"BEGIN counter.note; END;", "ORA-06550: PL/SQL: PLS-00302: component 'NOTE' must be declared"},
      {"BEGIN t.a := counter.calls; END;",
       "ORA-06550: PL/SQL: PLS-00302: component 'CALLS' must be declared"},
      {"BEGIN counter.c_step := 2; END;",
       "ORA-06550: PL/SQL: PLS-00363: expression 'C_STEP' cannot be used as an assignment target"},
      {"BEGIN counter.total := counter.twice(NULL); END;",
       "ORA-06550: PL/SQL: PLS-00307: too many declarations of 'TWICE' match this call"},
      {"SELECT counter.note() FROM dual", "ORA-00904: \"COUNTER.NOTE\": invalid identifier"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Error(c.sql).substr(0, std::string(c.error).size()), c.error) << c.sql;
  }
  // Another session starts from the initialisation section.
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
  Session other(dir.CreateLink("t.db"));
  ASSERT_TRUE(other.ok()) << other.ErrorText();
  EXPECT_EQ(other.Query("SELECT counter.current_total FROM dual"), (Rows{{Cell("100")}}));
  ASSERT_EQ(other.Run("BEGIN counter.bump; END;"), OCI_SUCCESS) << other.ErrorText();
  ASSERT_EQ(other.Commit(), OCI_SUCCESS);
  // Replaced here, the package's state in the other session is discarded
  // at its next use, once.
  Exec("CREATE OR REPLACE PACKAGE BODY counter IS\n  calls PLS_INTEGER := 0;\n"
       "  PROCEDURE bump(n NUMBER := 1) IS BEGIN total := total + n; END;\n"
       "  FUNCTION current_total RETURN NUMBER IS BEGIN RETURN total; END;\n"
       "  FUNCTION twice(n NUMBER) RETURN NUMBER IS BEGIN RETURN n * 2; END;\n"
       "  FUNCTION twice(s VARCHAR2) RETURN VARCHAR2 IS BEGIN RETURN s || s; END;\nEND counter;");
  EXPECT_EQ(other.Run("BEGIN counter.bump; END;"), OCI_ERROR);
  EXPECT_EQ(other.ErrorCode(), 4068);
  EXPECT_EQ(other.Query("SELECT counter.current_total FROM dual"), (Rows{{Cell("0")}}));
  // This session replaced it itself: fresh state without an error.
  EXPECT_EQ(s.Query("SELECT counter.current_total FROM dual"), (Rows{{Cell("0")}}));
  // A body that does not compile makes the package unusable; without its
  // body a subprogram cannot run; a body needs its header.
  EXPECT_EQ(s.Run("CREATE OR REPLACE PACKAGE BODY counter IS\n  PROCEDURE bump(n NUMBER := 1) IS "
                  "BEGIN total := missing; END;\nEND;"),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(Errors("COUNTER"), "2/42 PL/SQL: Statement ignored|2/51 PLS-00201: identifier "
                               "'MISSING' must be declared");
  EXPECT_EQ(Error("BEGIN counter.bump; END;"),
            "ORA-06550: line 1, column 7:\nPLS-00905: object SCOTT.COUNTER is invalid\n"
            "ORA-06550: line 1, column 7:\nPL/SQL: Statement ignored");
  Exec("DROP PACKAGE BODY counter");
  EXPECT_EQ(Error("BEGIN counter.bump; END;").find(
                "ORA-04067: not executed, package body \"SCOTT.COUNTER\" does not exist"),
            0u);
  // The header's items stay usable without a body.
  Exec("BEGIN INSERT INTO t VALUES (counter.c_step); END;");
  EXPECT_EQ(s.Query("SELECT count(*) FROM t WHERE a = 10"), (Rows{{Cell("1")}}));
  EXPECT_EQ(s.Run("CREATE PACKAGE BODY nobody IS END;"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(Errors("NOBODY"), "1/1 PL/SQL: Compilation unit analysis terminated|1/1 PLS-00201: "
                              "identifier 'NOBODY' must be declared");
  Exec("DROP PACKAGE counter");
  EXPECT_EQ(s.Query("SELECT count(*) FROM user_source WHERE name = 'COUNTER'"), (Rows{{Cell("0")}}));
  EXPECT_EQ(Error("BEGIN counter.bump; END;").find(
                "ORA-06550: PL/SQL: line 1: PLS-00201: identifier 'COUNTER.BUMP'"),
            0u);
}

// Overloads: a call means the declaration its arguments fit (count,
// names, defaults, type families), in packages, in a block's DECLARE
// section and from SQL; USER_ARGUMENTS numbers them.
TEST_F(EngineStored, OverloadsResolveByTheArguments) {
  Exec("CREATE TABLE r (v VARCHAR2(40))");
  Exec("CREATE OR REPLACE PACKAGE ov IS\n"
       "  FUNCTION f(n NUMBER) RETURN VARCHAR2;\n  FUNCTION f(s VARCHAR2) RETURN VARCHAR2;\n"
       "  FUNCTION f(d DATE) RETURN VARCHAR2;\n  FUNCTION f(b BOOLEAN) RETURN VARCHAR2;\n"
       "  FUNCTION f(n NUMBER, m NUMBER) RETURN VARCHAR2;\n"
       "  FUNCTION g(x NUMBER) RETURN VARCHAR2;\n  FUNCTION g(x NUMBER, y NUMBER := 0) RETURN VARCHAR2;\n"
       "  PROCEDURE single(x NUMBER);\nEND ov;");
  Exec("CREATE OR REPLACE PACKAGE BODY ov IS\n"
       "  FUNCTION f(n NUMBER) RETURN VARCHAR2 IS BEGIN RETURN 'num ' || n; END;\n"
       "  FUNCTION f(s VARCHAR2) RETURN VARCHAR2 IS BEGIN RETURN 'char ' || s; END;\n"
       "  FUNCTION f(d DATE) RETURN VARCHAR2 IS BEGIN RETURN 'date'; END;\n"
       "  FUNCTION f(b BOOLEAN) RETURN VARCHAR2 IS BEGIN RETURN 'bool'; END;\n"
       "  FUNCTION f(n NUMBER, m NUMBER) RETURN VARCHAR2 IS BEGIN RETURN 'two'; END;\n"
       "  FUNCTION g(x NUMBER) RETURN VARCHAR2 IS BEGIN RETURN 'g1'; END;\n"
       "  FUNCTION g(x NUMBER, y NUMBER := 0) RETURN VARCHAR2 IS BEGIN RETURN 'g2'; END;\n"
       "  PROCEDURE single(x NUMBER) IS BEGIN NULL; END;\n"
       "  FUNCTION inner_call RETURN VARCHAR2 IS BEGIN RETURN f(2, 3); END;\nEND ov;");
  EXPECT_EQ(s.Query("SELECT status FROM user_objects WHERE object_name = 'OV'"),
            (Rows{{Cell("VALID")}, {Cell("VALID")}}));
  struct Case {
    const char *expr;  // assigned to a VARCHAR2 in a block
    const char *result;  // or the error's start
  } const cases[] = {
      {"ov.f(1)", "num 1"},
      {"ov.f('x')", "char x"},
      {"ov.f(s => 'y')", "char y"},
      {"ov.f(SYSDATE)", "date"},
      {"ov.f(1 > 0)", "bool"},
      {"ov.f(1, 2)", "two"},
      {"ov.f(v_text)", "char 12"},  // the variable's declared type, not its value
      {"ov.f(v_num || 'a')", "char 7a"},
      {"ov.g(1, 2)", "g2"},
      {"ov.f(NULL)", "ORA-06550: PL/SQL: PLS-00307: too many declarations of 'F' match this call"},
      {"ov.g(1)", "ORA-06550: PL/SQL: PLS-00307: too many declarations of 'G' match this call"},
      {"ov.f(1, 2, 3)", "ORA-06550: PL/SQL: PLS-00306: wrong number or types of arguments in call to 'F'"},
      {"ov.f(q => 1)", "ORA-06550: PL/SQL: PLS-00306: wrong number or types of arguments in call to 'F'"},
  };
  for (const Case &c : cases) {
    Exec("DELETE FROM r");
    const std::string error = Error(std::string("DECLARE v_text VARCHAR2(5) := '12'; v_num NUMBER := 7; "
                                                "x VARCHAR2(40); BEGIN x := ") +
                                    c.expr + "; INSERT INTO r VALUES (x); END;");
    if (!error.empty()) {
      EXPECT_EQ(error.substr(0, std::string(c.result).size()), c.result) << c.expr;
    } else {
      EXPECT_EQ(s.Query("SELECT v FROM r"), (Rows{{Cell(c.result)}})) << c.expr;
    }
  }
  // From SQL, and from inside the package, unqualified.
  EXPECT_EQ(s.Query("SELECT ov.f(4), ov.f('z'), ov.f(1, 1) FROM dual"),
            (Rows{{Cell("num 4"), Cell("char z"), Cell("two")}}));
  EXPECT_NE(Error("SELECT ov.g(4) FROM dual").find("PLS-00307"), std::string::npos);
  // Local overloads in a block.
  Exec("BEGIN DELETE FROM r; END;");
  Exec("DECLARE\n  x VARCHAR2(10);\n"
       "  FUNCTION h(n NUMBER) RETURN VARCHAR2 IS BEGIN RETURN 'n'; END;\n"
       "  FUNCTION h(s VARCHAR2) RETURN VARCHAR2 IS BEGIN RETURN 's'; END;\n"
       "  PROCEDURE k(n NUMBER) IS BEGIN x := 'k' || h(n); INSERT INTO r VALUES (x); END;\n"
       "  PROCEDURE k(s VARCHAR2) IS BEGIN x := 'k' || h(s); INSERT INTO r VALUES (x); END;\n"
       "BEGIN\n  x := h(1) || h('a') || h(1 + 1) || h('a' || 1);\n  INSERT INTO r VALUES (x);\n"
       "  k(5);\n  k('b');\nEND;");
  EXPECT_EQ(s.Query("SELECT v FROM r ORDER BY v"), (Rows{{Cell("kn")}, {Cell("ks")}, {Cell("nsns")}}));
  // A stored unit calling local overloads compiles VALID.
  Exec("CREATE PROCEDURE uses_local IS\n  x NUMBER;\n"
       "  FUNCTION h(n NUMBER) RETURN NUMBER IS BEGIN RETURN n; END;\n"
       "  FUNCTION h(a NUMBER, b NUMBER) RETURN NUMBER IS BEGIN RETURN a + b; END;\nBEGIN\n  x := h(1) + h(2, 3);\n  INSERT INTO r VALUES (x);\nEND;");
  EXPECT_EQ(Status("USES_LOCAL"), "VALID");
  EXPECT_EQ(s.Query("SELECT object_name, overload, position, argument_name FROM user_arguments "
                    "WHERE package_name = 'OV' AND object_name IN ('G', 'SINGLE') "
                    "ORDER BY object_name, overload, position"),
            (Rows{{Cell("G"), Cell("1"), Cell("0"), std::nullopt},
                  {Cell("G"), Cell("1"), Cell("1"), Cell("X")},
                  {Cell("G"), Cell("2"), Cell("0"), std::nullopt},
                  {Cell("G"), Cell("2"), Cell("1"), Cell("X")},
                  {Cell("G"), Cell("2"), Cell("2"), Cell("Y")},
                  {Cell("SINGLE"), std::nullopt, Cell("1"), Cell("X")}}));
}

// Synonyms for stored code: private or PUBLIC, chained, in blocks, CALL,
// SQL and compiled units; a package keeps one state under either name.
TEST_F(EngineStored, SynonymsNameProceduresFunctionsAndPackages) {
  Exec("CREATE TABLE t (a NUMBER)");
  Exec("CREATE PROCEDURE add_row(x NUMBER) IS BEGIN INSERT INTO t VALUES (x); END;");
  Exec("CREATE FUNCTION twice(x NUMBER) RETURN NUMBER IS BEGIN RETURN 2 * x; END;");
  Exec("CREATE PACKAGE bag IS\n  n NUMBER := 0;\n  FUNCTION next_n RETURN NUMBER;\nEND;");
  Exec("CREATE PACKAGE BODY bag IS\n  FUNCTION next_n RETURN NUMBER IS BEGIN n := n + 1; RETURN n; "
       "END;\nEND;");
  Exec("CREATE SYNONYM ar FOR add_row");
  Exec("CREATE PUBLIC SYNONYM tw FOR twice");
  Exec("CREATE SYNONYM b FOR bag");
  Exec("CREATE SYNONYM ar2 FOR ar");
  Exec("BEGIN ar(1); ar2(x => 2); END;");
  Exec("CALL ar(3)");
  EXPECT_EQ(s.Query("SELECT tw(a) FROM t ORDER BY a"), (Rows{{Cell("2")}, {Cell("4")}, {Cell("6")}}));
  EXPECT_EQ(s.Query("SELECT b.next_n FROM dual"), (Rows{{Cell("1")}}));
  Exec("BEGIN b.n := b.n + 10; END;");
  EXPECT_EQ(s.Query("SELECT bag.next_n FROM dual"), (Rows{{Cell("12")}}));
  Exec("CREATE PROCEDURE via IS\nBEGIN\n  ar(tw(5) + b.next_n);\nEND;");
  EXPECT_EQ(Status("VIA"), "VALID");
  Exec("CALL via()");
  EXPECT_EQ(s.Query("SELECT COUNT(*) FROM t WHERE a = 23"), (Rows{{Cell("1")}}));
  Exec("CREATE SYNONYM gone FOR nothing_here");
  EXPECT_EQ(Error("BEGIN gone(1); END;").find("PLS-00201: identifier 'GONE' must be declared"), 27u);
}

// hr_code.sql's procedures compile VALID (the check must not find errors
// in real code), record their parameters' column types, and go INVALID
// with the table they insert into.
TEST_F(EngineStored, SampleProceduresCompileClean) {
  std::ifstream in(std::filesystem::path(KESTREL_ORACLE_SAMPLES_DIR) / "hr_code.sql");
  std::stringstream text;
  text << in.rdbuf();
  const std::string script = text.str();
  if (script.empty()) GTEST_SKIP() << "no sample scripts at " << KESTREL_ORACLE_SAMPLES_DIR;
  Exec("CREATE TABLE job_history (employee_id NUMBER(6) NOT NULL, start_date DATE NOT NULL, "
       "end_date DATE NOT NULL, job_id VARCHAR2(10) NOT NULL, department_id NUMBER(4))");
  int procedures = 0;
  for (size_t at = script.find("CREATE OR REPLACE PROCEDURE"); at != std::string::npos;
       at = script.find("CREATE OR REPLACE PROCEDURE", at + 1)) {
    const size_t end = script.find("\n/", at);
    ASSERT_NE(end, std::string::npos);
    Exec(script.substr(at, end - at));
    ++procedures;
  }
  EXPECT_EQ(procedures, 2);
  EXPECT_EQ(s.Query("SELECT object_name, status FROM user_objects WHERE object_type = 'PROCEDURE' "
                    "ORDER BY 1"),
            (Rows{{Cell("ADD_JOB_HISTORY"), Cell("VALID")}, {Cell("SECURE_DML"), Cell("VALID")}}));
  EXPECT_EQ(s.Query("SELECT argument_name, data_type FROM user_arguments WHERE object_name = "
                    "'ADD_JOB_HISTORY' ORDER BY position"),
            (Rows{{Cell("P_EMP_ID"), Cell("NUMBER")}, {Cell("P_START_DATE"), Cell("DATE")},
                  {Cell("P_END_DATE"), Cell("DATE")}, {Cell("P_JOB_ID"), Cell("VARCHAR2")},
                  {Cell("P_DEPARTMENT_ID"), Cell("NUMBER")}}));
  Exec("DROP TABLE job_history");
  EXPECT_EQ(Status("ADD_JOB_HISTORY"), "INVALID");
  EXPECT_EQ(Status("SECURE_DML"), "VALID");
}

// A package's header is checked on its own; an initialisation
// section that fails leaves the package to be initialised again.
TEST_F(EngineStored, PackageHeaderAndInitialisation) {
  EXPECT_EQ(s.Run("CREATE PACKAGE shapes IS\n  side nosuch.col%TYPE;\nEND;"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(Errors("SHAPES"),
            "2/3 PL/SQL: Item ignored|2/8 PLS-00201: identifier 'NOSUCH.COL' must be declared");
  Exec("CREATE TABLE starts (n NUMBER)");
  Exec("CREATE OR REPLACE PACKAGE shapes IS\n  side NUMBER;\n  FUNCTION area RETURN NUMBER;\nEND;");
  Exec("CREATE OR REPLACE PACKAGE BODY shapes IS\n  FUNCTION area RETURN NUMBER IS BEGIN RETURN "
       "side * side; END;\nBEGIN\n  SELECT count(*) INTO side FROM starts;\n  side := 10 / side;\n"
       "END;");
  EXPECT_EQ(s.Query("SELECT status FROM user_objects WHERE object_name = 'SHAPES'"),
            (Rows{{Cell("VALID")}, {Cell("VALID")}}));
  EXPECT_EQ(Error("SELECT shapes.area FROM dual").find("ORA-01476: divisor is equal to zero"), 0u);
  Exec("INSERT INTO starts VALUES (1)");
  Exec("INSERT INTO starts VALUES (2)");
  EXPECT_EQ(s.Query("SELECT shapes.area FROM dual"), (Rows{{Cell("25")}}));
  Exec("BEGIN shapes.side := 3; END;");
  EXPECT_EQ(s.Query("SELECT shapes.area() FROM dual"), (Rows{{Cell("9")}}));
  // Units outside the package use its items, in PL/SQL and in their SQL.
  Exec("CREATE PROCEDURE grow(p_by shapes.side%TYPE) IS\nBEGIN\n  shapes.side := shapes.side + p_by;\n"
       "  INSERT INTO starts VALUES (shapes.side);\nEND;");
  EXPECT_EQ(Status("GROW"), "VALID");
  Exec("CALL grow(2)");
  EXPECT_EQ(s.Query("SELECT max(n), shapes.area FROM starts"), (Rows{{Cell("5"), Cell("25")}}));
  Exec("DELETE FROM starts WHERE n = 5");
  // Recompiling a valid package keeps it so (and this session's state goes).
  Exec("ALTER PACKAGE shapes COMPILE");
  EXPECT_EQ(s.Query("SELECT status FROM user_objects WHERE object_name = 'SHAPES'"),
            (Rows{{Cell("VALID")}, {Cell("VALID")}}));
  EXPECT_EQ(s.Query("SELECT shapes.area FROM dual"), (Rows{{Cell("25")}}));
}

// A function that never returns, called from a query, stops at OCIBreak.
TEST_F(EngineStored, BreakStopsAFunctionCalledFromSql) {
  Exec("CREATE FUNCTION spin RETURN NUMBER IS x PLS_INTEGER := 0; BEGIN LOOP x := x + 1; "
       "IF x > 1000 THEN x := 0; END IF; END LOOP; END;");
  std::thread breaker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(OCIBreak(s.svc, nullptr), OCI_SUCCESS);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(s.Run("SELECT spin() FROM dual"), OCI_ERROR);
  breaker.join();
  EXPECT_EQ(s.ErrorCode(), 1013) << s.ErrorText();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(s.Query("SELECT 1 FROM dual"), (Rows{{Cell("1")}}));
}

// OR REPLACE with a text that does not parse replaces the unit: its
// source, its errors, its status; the other session sees the same.
TEST_F(EngineStored, ReplacingWithBrokenCodeKeepsTheNewText) {
  Exec("CREATE PROCEDURE p IS BEGIN NULL; END;");
  EXPECT_EQ(s.Run("CREATE OR REPLACE PROCEDURE p IS\nBEGIN\n  IF THEN\nEND;"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.Query("SELECT count(*) FROM user_source WHERE name = 'P'"), (Rows{{Cell("4")}}));
  EXPECT_EQ(Status("P"), "INVALID");
  EXPECT_NE(Errors("P"), "");
  Session other(dir.CreateLink("t.db"));
  ASSERT_TRUE(other.ok()) << other.ErrorText();
  EXPECT_EQ(other.Query("SELECT owner, object_type, status FROM all_objects WHERE object_name = 'P'"),
            (Rows{{Cell("SCOTT"), Cell("PROCEDURE"), Cell("INVALID")}}));
  Exec("CREATE OR REPLACE PROCEDURE p IS BEGIN NULL; END;");
  EXPECT_EQ(Status("P"), "VALID");
  EXPECT_EQ(Errors("P"), "");
  EXPECT_EQ(other.Run("BEGIN p; END;"), OCI_SUCCESS) << other.ErrorText();
}

}  // namespace

