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

}  // namespace
