// The PL/SQL interpreter through the client calls: blocks run on a
// temporary database, their DBMS_OUTPUT lines read back with GET_LINE
// and OUT binds, errors checked by number and text.
#include <string.h>

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
      {"BEGIN DBMS_OUTPUT.PUT_LINE(1/0); END;",
       "ORA-01476: divisor is equal to zero\nORA-06512: at line 1"},
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
