// The engine's SQL reading: tokens, statement kinds, block splitting and
// the hidden row identity of BLOB queries, none of which may look inside
// a literal or a quoted name.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sql/Block.h"
#include "sql/Lexer.h"
#include "sql/StatementKind.h"
#include "statement/RowIdentity.h"

namespace {

using namespace kestrel_engine;

TEST(EngineSql, TokensSkipCommentsAndKeepLiteralsWhole) {
  const std::string text =
      "select 'it''s -- not a comment', \"Quoted \"\" Name\" -- gone\n"
      "/* gone too */ from t where x <= :name and y = 1.5e3";
  std::vector<std::string> raw;
  for (const Token &t : Tokenize(text)) {
    if (t.kind != TokenKind::kEnd) raw.emplace_back(t.raw);
  }
  const std::vector<std::string> expected = {
      "select", "'it''s -- not a comment'", ",", "\"Quoted \"\" Name\"", "from", "t",
      "where",  "x", "<=", ":name", "and", "y", "=", "1.5e3"};
  EXPECT_EQ(raw, expected);
  const std::vector<Token> tokens = Tokenize(text);
  EXPECT_EQ(tokens[3].Name(), "Quoted \" Name");
  EXPECT_EQ(tokens[1].Name(), "it's -- not a comment");
  EXPECT_TRUE(tokens[0].Is("SELECT"));
  EXPECT_EQ(Tokenize("'unterminated").front().kind, TokenKind::kString);
}

TEST(EngineSql, KindsOfStatements) {
  const struct {
    const char *sql;
    ub2 type;
    Action action;
  } cases[] = {
      {"CREATE USER u IDENTIFIED BY p", OCI_STMT_CREATE, Action::kAccount},
      {"alter user u identified by p", OCI_STMT_ALTER, Action::kAccount},
      {"DROP USER u", OCI_STMT_DROP, Action::kAccount},
      {"alter profile p limit idle_time 5", OCI_STMT_ALTER, Action::kAccount},
      {"GRANT SELECT ON t TO u", 0, Action::kPrivilege},
      {"revoke create session from u", 0, Action::kPrivilege},
      {"CREATE ROLE clerk", OCI_STMT_CREATE, Action::kPrivilege},
      {"DROP ROLE clerk", OCI_STMT_DROP, Action::kPrivilege},
      {"CREATE TABLE users (a INT)", OCI_STMT_CREATE, Action::kDdl},
      {"ROLLBACK", 17, Action::kRollback},
      {"ROLLBACK WORK TO SAVEPOINT a", 17, Action::kOther},
      {"COMMIT WORK", 21, Action::kCommit},
      {"RELEASE a", 0, Action::kRefused},
      {"'SELECT'", 0, Action::kRefused},
      {"", 0, Action::kRefused},
      {"VACUUM INTO '/tmp/copy.db'", 0, Action::kRefused},
      {"ATTACH 'other.db' AS o", 0, Action::kRefused},
      {"PRAGMA user_version", 0, Action::kOther},
      {"CREATE OR REPLACE EDITIONABLE PROCEDURE p IS BEGIN NULL; END;", OCI_STMT_CREATE,
       Action::kStoredCode},
      {"drop function f", OCI_STMT_DROP, Action::kStoredCode},
      {"ALTER PROCEDURE p COMPILE", OCI_STMT_ALTER, Action::kStoredCode},
      {"CALL p(1)", 10, Action::kStoredCode},
      {"CREATE TRIGGER t BEFORE INSERT ON x BEGIN NULL; END;", OCI_STMT_CREATE, Action::kStoredCode},
      {"ALTER TRIGGER t DISABLE", OCI_STMT_ALTER, Action::kStoredCode},
      {"ALTER SYSTEM SET FIXED_DATE = NONE", OCI_STMT_ALTER, Action::kSession},
      {"<<l>> DECLARE x NUMBER; BEGIN NULL; END;", OCI_STMT_DECLARE, Action::kDeclare},
      {"<<l>> BEGIN NULL; END;", OCI_STMT_BEGIN, Action::kBlock},
      {"WITH c(n) AS (SELECT 1 FROM dual) SELECT n FROM c", OCI_STMT_SELECT,
       Action::kQuery},
      {"WITH c AS (SELECT 1 a FROM dual), d AS (SELECT a FROM c) "
       "DELETE FROM t WHERE a IN (SELECT a FROM d) RETURNING a",
       OCI_STMT_DELETE, Action::kDml},
      {"WITH c AS (SELECT 1 a FROM dual) INSERT INTO t SELECT a FROM c",
       OCI_STMT_INSERT, Action::kDml},
  };
  for (const auto &c : cases) {
    const StatementKind kind = Classify(Tokenize(c.sql));
    EXPECT_EQ(kind.type, c.type) << c.sql;
    EXPECT_EQ(kind.action, c.action) << c.sql;
  }
}

TEST(EngineSql, BlocksSplitAtTopLevelSemicolons) {
  const std::string text =
      "BEGIN INSERT INTO t VALUES ('a;b'); NULL; UPDATE t SET x = (SELECT 1); END;";
  std::vector<std::string_view> parts;
  OraError error;
  ASSERT_TRUE(SplitBlock(text, Tokenize(text), &parts, &error)) << error.message;
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0], "INSERT INTO t VALUES ('a;b')");
  EXPECT_EQ(parts[1], "UPDATE t SET x = (SELECT 1)");
}

TEST(EngineSql, RowIdentityOnlyForOneTable) {
  const struct {
    const char *sql;
    const char *table;
    const char *expected;  // "" when the query has no single row identity
  } cases[] = {
      {"SELECT body FROM docs WHERE id = 1", "docs",
       "SELECT body , docs.rowid FROM docs WHERE id = 1"},
      {"SELECT d.body FROM docs d", "docs", "SELECT d.body , d.rowid FROM docs d"},
      {"SELECT * FROM main.Docs AS x ORDER BY 1", "docs",
       "SELECT * , x.rowid FROM main.Docs AS x ORDER BY 1"},
      {"SELECT 'FROM x', body FROM \"docs\"", "docs",
       "SELECT 'FROM x', body , \"docs\".rowid FROM \"docs\""},
      {"SELECT body FROM docs, other", "docs", ""},
      {"SELECT body FROM docs JOIN other ON 1", "docs", ""},
      {"SELECT DISTINCT body FROM docs", "docs", ""},
      {"SELECT body FROM docs UNION SELECT body FROM docs", "docs", ""},
      {"SELECT max(body) FROM docs GROUP BY id", "docs", ""},
      {"SELECT body FROM (SELECT body FROM docs)", "docs", ""},
      {"SELECT body FROM other", "docs", ""},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(WithRowId(c.sql, Tokenize(c.sql), c.table), c.expected) << c.sql;
  }
}

}  // namespace
