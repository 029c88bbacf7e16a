// SQLite failures reported as the Oracle errors applications expect, and
// the error record's form.
#include <string.h>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Session;
using engine_test::TempDir;

class EngineError : public ::testing::Test {
 protected:
  EngineError() : s(dir.CreateLink("e.db")) {}
  void SetUp() override {
    ASSERT_TRUE(s.ok()) << s.ErrorText();
    for (const char *sql : {
             "CREATE TABLE parent (id NUMBER(10) PRIMARY KEY)",
             "CREATE TABLE child (id NUMBER(10) PRIMARY KEY, "
             "parent_id NUMBER(10) REFERENCES parent(id), "
             "name VARCHAR2(10) NOT NULL, qty NUMBER(5) CHECK (qty >= 0))",
             "INSERT INTO parent VALUES (1)",
             "INSERT INTO child VALUES (1, 1, 'a', 1)",
         }) {
      ASSERT_EQ(s.Run(sql), OCI_SUCCESS) << sql << ": " << s.ErrorText();
    }
  }
  TempDir dir;
  Session s;
};

TEST_F(EngineError, StatementFailuresMapToVendorNumbers) {
  const struct {
    const char *sql;
    int error;
    const char *text;  // part of the message
  } cases[] = {
      {"SELECT * FROM missing", 942, "table or view does not exist"},
      {"SELECT nosuch FROM parent", 904, "\"NOSUCH\": invalid identifier"},
      {"SELECT nosuchfn(1) FROM parent", 904, "invalid identifier"},
      {"SELEC * FROM parent", 900, "invalid SQL statement"},
      {"SELECT * FROM parent WHERE", 936, "missing expression"},
      {"SELECT * FROM parent; SELECT 1", 933, "SQL command not properly ended"},
      {"INSERT INTO parent VALUES (1)", 1, "unique constraint (SCOTT.SYS_C"},
      {"INSERT INTO child (id, parent_id, qty) VALUES (2, 1, 1)", 1400,
       "cannot insert NULL into (\"SCOTT\".\"CHILD\".\"NAME\")"},
      {"INSERT INTO child VALUES (3, 1, 'b', -1)", 2290, "check constraint"},
      {"INSERT INTO child VALUES (4, 99, 'c', 1)", 2291, "parent key not found"},
      {"DELETE FROM parent", 2292, "child record found"},
      {"CREATE TABLE parent (x INT)", 955, "already used"},
      {"INSERT INTO parent VALUES (1, 2)", 913, "too many values"},
      {"INSERT INTO child VALUES (5)", 947, "not enough values"},
      {"INSERT INTO parent VALUES (:1)", 1008, "not all variables bound"},
      {"SELECT * FROM parent p, child p", 918, "column ambiguously defined"},
      {"SELECT json('{') FROM parent", 904, "\"JSON\": invalid identifier"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(s.Run(c.sql), OCI_ERROR) << c.sql;
    EXPECT_EQ(s.ErrorCode(), c.error) << c.sql << ": " << s.ErrorText();
    EXPECT_NE(s.ErrorText().find(c.text), std::string::npos) << s.ErrorText();
  }
}

TEST_F(EngineError, VendorErrorsRaisedInsideSqlKeepTheirNumber) {
  // Raised by a trigger's body, which runs inside SQLite's statement.
  ASSERT_EQ(s.Run("CREATE TRIGGER short_names BEFORE INSERT ON parent FOR EACH ROW "
                  "WHEN (NEW.id > 100) DECLARE too_large EXCEPTION; "
                  "PRAGMA EXCEPTION_INIT(too_large, -12899); BEGIN RAISE too_large; END;"),
            OCI_SUCCESS)
      << s.ErrorText();
  EXPECT_EQ(s.Run("INSERT INTO parent VALUES (101)"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 12899);
  EXPECT_EQ(s.ErrorText().rfind("ORA-12899: ", 0), 0u) << s.ErrorText();
  EXPECT_NE(s.ErrorText().find("ORA-04088: error during execution of trigger 'SCOTT.SHORT_NAMES'"),
            std::string::npos)
      << s.ErrorText();
}

TEST_F(EngineError, RecordOneHoldsNumberAndTerminatedMessage) {
  ASSERT_EQ(s.Run("SELECT * FROM missing"), OCI_ERROR);
  sb4 code = 0;
  OraText text[512];
  ASSERT_EQ(OCIErrorGet(s.err, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR),
            OCI_SUCCESS);
  EXPECT_EQ(code, 942);
  EXPECT_STREQ(reinterpret_cast<char *>(text),
               "ORA-00942: table or view does not exist");
  // Cut to the buffer, always terminated.
  OraText small[8];
  memset(small, 'x', sizeof small);
  ASSERT_EQ(OCIErrorGet(s.err, 1, nullptr, &code, small, sizeof small, OCI_HTYPE_ERROR),
            OCI_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char *>(small), "ORA-009");
  EXPECT_EQ(OCIErrorGet(s.err, 2, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR),
            OCI_NO_DATA);
  // A call that succeeds leaves no stale error.
  ASSERT_EQ(s.Run("SELECT * FROM parent"), OCI_SUCCESS);
  EXPECT_EQ(OCIErrorGet(s.err, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR),
            OCI_NO_DATA);
}

TEST_F(EngineError, FailedStatementLeavesTheTransactionUsable) {
  ASSERT_EQ(s.Run("INSERT INTO parent VALUES (2)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO parent VALUES (2)"), OCI_ERROR);
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
  EXPECT_EQ(s.Query("SELECT count(*) FROM parent"),
            (engine_test::Rows{{engine_test::Cell("2")}}));
}

}  // namespace
