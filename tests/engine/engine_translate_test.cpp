// The rewrite of the vendor's SQL habits, text in and text out: each habit,
// what must stay untouched (literals, quoted and qualified names,
// comments), FOR UPDATE forms, and the table a DDL statement defines.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sql/Translate.h"

namespace {

using kestrel_engine::Classify;
using kestrel_engine::Tokenize;
using kestrel_engine::Translate;
using kestrel_engine::Translation;

Translation Of(const std::string &sql) {
  return Translate(sql, Tokenize(sql), Classify(Tokenize(sql)));
}

TEST(EngineTranslate, RewritesHabitsOutsideLiteralsAndQuotedNames) {
  const std::string now = "(coalesce(kestrel_fixed_date(),datetime('now','localtime')))";
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"SELECT SYSDATE FROM DUAL", "SELECT " + now + " FROM DUAL"},
      {"select sysdate-1, SysDate from dual", "select " + now + "-1, " + now + " from dual"},
      {"SELECT 'SYSDATE', \"SYSDATE\", t.sysdate FROM t -- SYSDATE",
       "SELECT 'SYSDATE', \"SYSDATE\", t.sysdate FROM t -- SYSDATE"},
      {"SELECT NVL(a, 'NVL(b, c)') FROM t", "SELECT ifnull(a, 'NVL(b, c)') FROM t"},
      {"SELECT nvl(nvl(a, b), SYSDATE) FROM t",
       "SELECT ifnull(ifnull(a, b), " + now + ") FROM t"},
      {"SELECT nvl FROM t", "SELECT nvl FROM t"},  // a column, not the function
      {"INSERT INTO d VALUES (1, EMPTY_BLOB ( ))", "INSERT INTO d VALUES (1, zeroblob(0))"},
      {"INSERT INTO d VALUES (1, empty_clob())", "INSERT INTO d VALUES (1, '')"},
      {"INSERT INTO d VALUES ('EMPTY_BLOB()')", "INSERT INTO d VALUES ('EMPTY_BLOB()')"},
      {"SELECT * FROM t WHERE d > DATE '2024-01-31'",
       "SELECT * FROM t WHERE d > '2024-01-31'"},
      {"CREATE TABLE t (a VARCHAR2(12 BYTE), b VARCHAR2 (5 char), c NUMBER(*, 2))",
       "CREATE TABLE t (a VARCHAR2(12), b VARCHAR2 (5), c NUMBER(38, 2))"},
      {"CREATE TABLE t (a TIMESTAMP(3) WITH TIME ZONE, b TIMESTAMP(6) WITH LOCAL TIME ZONE)",
       "CREATE TABLE t (a TIMESTAMP WITH TIME ZONE(3), b TIMESTAMP WITH LOCAL TIME ZONE(6))"},
      {"CREATE TABLE \"VARCHAR2(1 BYTE)\" (a INT DEFAULT SYSDATE)",
       "CREATE TABLE \"VARCHAR2(1 BYTE)\" (a INT DEFAULT " + now + ")"},
      {"CREATE VIEW v AS SELECT dummy FROM DUAL",
       "CREATE VIEW v AS SELECT dummy FROM (SELECT 'X' AS DUMMY) DUAL"},
      {"CREATE VIEW v AS SELECT d.dummy FROM dual d WHERE 1 = 1",
       "CREATE VIEW v AS SELECT d.dummy FROM (SELECT 'X' AS DUMMY) d WHERE 1 = 1"},
      {"CREATE VIEW v AS SELECT 1 FROM t JOIN dual ON 1 = 1",
       "CREATE VIEW v AS SELECT 1 FROM t JOIN (SELECT 'X' AS DUMMY) DUAL ON 1 = 1"},
      {"SELECT dummy FROM DUAL", "SELECT dummy FROM DUAL"},  // the connection's view
      {"ALTER TABLE t RENAME TO t2", "ALTER TABLE t RENAME TO T2"},
      {"ALTER TABLE t RENAME TO \"t2\"", "ALTER TABLE t RENAME TO \"t2\""},
      {"ALTER TABLE t RENAME COLUMN a TO b", "ALTER TABLE t RENAME COLUMN a TO b"},
      {"UPDATE t SET a = :sysdate WHERE b = 'x''SYSDATE'",
       "UPDATE t SET a = :sysdate WHERE b = 'x''SYSDATE'"},
      {"SELECT 1 FROM t WHERE a = 'it''s /* SYSDATE */'",
       "SELECT 1 FROM t WHERE a = 'it''s /* SYSDATE */'"},
  };
  for (const auto &c : cases) {
    const Translation t = Of(c.in);
    EXPECT_EQ(t.sql, c.out) << c.in;
    EXPECT_FALSE(t.forUpdate) << c.in;
  }
}

TEST(EngineTranslate, TrailingForUpdateIsRemovedWithItsLockWait) {
  const struct {
    const char *in;
    const char *out;
    bool forUpdate;
    int waitMs;
  } cases[] = {
      {"SELECT a FROM t WHERE b = 1 FOR UPDATE", "SELECT a FROM t WHERE b = 1 ", true, -1},
      {"SELECT a FROM t ORDER BY a for update of a, t.b;", "SELECT a FROM t ORDER BY a ;", true, -1},
      {"SELECT a FROM t FOR UPDATE NOWAIT", "SELECT a FROM t ", true, 0},
      {"SELECT a FROM t FOR UPDATE WAIT 3", "SELECT a FROM t ", true, 3000},
      // Not the vendor's trailing clause: left for SQLite to refuse.
      {"SELECT a FROM t FOR UPDATE SKIP LOCKED", "SELECT a FROM t FOR UPDATE SKIP LOCKED", false, -1},
      {"SELECT (SELECT 1 FROM u FOR UPDATE) FROM t", "SELECT (SELECT 1 FROM u FOR UPDATE) FROM t", false, -1},
      {"SELECT 'FOR UPDATE' FROM t", "SELECT 'FOR UPDATE' FROM t", false, -1},
      {"UPDATE t SET a = 1", "UPDATE t SET a = 1", false, -1},
  };
  for (const auto &c : cases) {
    const Translation t = Of(c.in);
    EXPECT_EQ(t.sql, c.out) << c.in;
    EXPECT_EQ(t.forUpdate, c.forUpdate) << c.in;
    EXPECT_EQ(t.lockWaitMs, c.waitMs) << c.in;
  }
}

TEST(EngineTranslate, FindsTheTableADefinitionChanges) {
  const struct {
    const char *in;
    const char *schema;
    const char *name;
    const char *renamed;
    bool alter;
  } cases[] = {
      {"CREATE TABLE emp (a INT)", "", "emp", "", false},
      {"create table if not exists s.\"Emp\" (a INT)", "s", "Emp", "", false},
      {"CREATE TEMP TABLE x (a INT)", "temp", "x", "", false},
      {"ALTER TABLE emp ADD b INT", "", "emp", "", true},
      {"ALTER TABLE emp RENAME TO \"Staff\"", "", "emp", "Staff", true},
      {"CREATE VIEW v AS SELECT 1", "", "", "", false},
      {"CREATE INDEX i ON emp (a)", "", "", "", false},
      {"DROP TABLE emp", "", "", "", false},
  };
  for (const auto &c : cases) {
    const Translation t = Of(c.in);
    EXPECT_EQ(t.table.schema, c.schema) << c.in;
    EXPECT_EQ(t.table.name, c.name) << c.in;
    EXPECT_EQ(t.table.renamedTo, c.renamed) << c.in;
    EXPECT_EQ(t.table.alter, c.alter) << c.in;
  }
}

TEST(EngineTranslate, AddListBecomesOneAddPerColumn) {
  Translation t = Of("ALTER TABLE emp ADD (email VARCHAR2(40 BYTE), pay NUMBER(8, 2) DEFAULT 0);");
  EXPECT_EQ(t.sql, "ALTER TABLE emp ADD COLUMN email VARCHAR2(40)");
  EXPECT_EQ(t.followUps,
            std::vector<std::string>{"ALTER TABLE emp ADD COLUMN pay NUMBER(8, 2) DEFAULT 0"});

  t = Of("ALTER TABLE emp ADD (email VARCHAR2(40))");
  EXPECT_EQ(t.sql, "ALTER TABLE emp ADD COLUMN email VARCHAR2(40)");
  EXPECT_TRUE(t.followUps.empty());

  // Anything after the list is not the vendor's ADD: left as written.
  t = Of("ALTER TABLE emp ADD (a INT) junk");
  EXPECT_EQ(t.sql, "ALTER TABLE emp ADD (a INT) junk");
}

TEST(EngineTranslate, BlocksAndAccountStatementsAreLeftWhole) {
  for (const char *sql : {"BEGIN INSERT INTO t VALUES (SYSDATE); END;",
                          "CREATE USER sysdate IDENTIFIED BY nvl"}) {
    EXPECT_EQ(Of(sql).sql, sql);
  }
}

}  // namespace
