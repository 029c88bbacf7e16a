// What client SQL may not do: reach other files, change SQLite's
// configuration, hand out pointers, exhaust memory, or run a statement
// other than the one sent.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using namespace std::string_literals;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

TEST(EngineSecurity, ClientSqlStaysInsideItsDatabase) {
  TempDir dir;
  Session s(dir.CreateLink("a.db"));
  ASSERT_TRUE(s.ok()) << s.ErrorText();
  ASSERT_EQ(s.Run("CREATE TABLE t (a NUMBER)"), OCI_SUCCESS);
  const std::string other = dir.File("other.db");
  const struct {
    std::string sql;
    int error;
  } cases[] = {
      {"ATTACH '" + other + "' AS o", 900},
      {"ATTACH 'file:" + other + "?mode=rwc' AS o", 900},
      {"DETACH o", 900},
      {"VACUUM INTO '" + dir.File("copy.db") + "'", 900},
      {"PRAGMA writable_schema=ON", 1031},
      {"PRAGMA locking_mode=EXCLUSIVE", 1031},
      {"PRAGMA journal_mode=DELETE", 1031},
      {"PRAGMA user_version=7", 1031},
      // SQLite's own functions are not Oracle's: unknown names.
      {"SELECT fts3_tokenizer('simple') FROM dual", 904},
      {"SELECT load_extension('libm') FROM dual", 904},
      {"SELECT printf('%.*c', 2000000000, 'x') FROM dual", 904},
      {"CREATE VIRTUAL TABLE v USING fts3(a)", 1031},
      {"UPDATE sqlite_master SET sql = 'x' WHERE name = 't'", 1031},
      {"CREATE TABLE \"kestrel$mine\" (a NUMBER)", 942},
      {"SELECT 1 FROM dual WHERE 1 = 1\0 OR 1 = 0"s, 911},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(s.Run(c.sql), OCI_ERROR) << c.sql;
    EXPECT_EQ(s.ErrorCode(), c.error) << c.sql << ": " << s.ErrorText();
  }
  EXPECT_FALSE(std::filesystem::exists(other));
  EXPECT_FALSE(std::filesystem::exists(dir.File("copy.db")));
}

TEST(EngineSecurity, WhatStaysAllowedStillAnswers) {
  TempDir dir;
  Session s(dir.CreateLink("a.db"));
  ASSERT_TRUE(s.ok()) << s.ErrorText();
  const struct {
    const char *sql;
    const char *value;
  } cases[] = {
      // The one SQLite form kept: the storage class of a value.
      {"SELECT typeof(12) || typeof(1.5) || typeof('a') FROM dual", "integerrealtext"},
      {"SELECT LENGTH(RPAD('x', 4000, 'x')) FROM dual", "4000"},
  };
  for (const auto &c : cases) {
    const Rows rows = s.Query(c.sql);
    ASSERT_EQ(rows.size(), 1u) << c.sql << ": " << s.ErrorText();
    EXPECT_EQ(rows[0][0].value_or("NULL"), c.value) << c.sql;
  }
}

// WITH ... DELETE is DML: it runs inside the session's transaction, so a
// rollback undoes it, and counts its rows.
TEST(EngineSecurity, WithLeadingIntoDmlJoinsTheTransaction) {
  TempDir dir;
  Session s(dir.CreateLink("a.db"));
  ASSERT_TRUE(s.ok()) << s.ErrorText();
  ASSERT_EQ(s.Run("CREATE TABLE t (a NUMBER)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (1)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (2)"), OCI_SUCCESS);
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
  OCIStmt *stmt = s.NewStatement();
  ASSERT_EQ(s.Run("WITH c AS (SELECT 1 a FROM dual UNION SELECT 2 FROM dual) "
                  "DELETE FROM t WHERE a IN (SELECT a FROM c)",
                  stmt),
            OCI_SUCCESS)
      << s.ErrorText();
  ub2 type = 0;
  ub4 rows = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, s.err);
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, s.err);
  EXPECT_EQ(type, OCI_STMT_DELETE);
  EXPECT_EQ(rows, 2u);
  ASSERT_EQ(s.Rollback(), OCI_SUCCESS);
  EXPECT_EQ(s.Query("SELECT COUNT(*) FROM t"), (Rows{{std::string("2")}}));
}

}  // namespace
