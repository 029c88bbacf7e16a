// Declared sizes held as the vendor holds them: text longer than its
// column fails with ORA-12899 (counted in bytes), numbers are rounded to
// their column's scale on the way in and fail with ORA-01438 when too
// wide, text expressions over 4000 bytes fail at fetch with ORA-01489.
// The rules follow ALTER TABLE, and other programs can still read.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Cell;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

class EngineSizeRules : public ::testing::Test {
 protected:
  EngineSizeRules() : s(dir.CreateLink("r.db")) {}
  void SetUp() override {
    ASSERT_TRUE(s.ok()) << s.ErrorText();
    Exec("CREATE TABLE r (s VARCHAR2(10), c CHAR(3), u VARCHAR2(4 CHAR), b RAW(4), "
         "n NUMBER(5,2), i NUMBER(3), hundreds NUMBER(5,-2), tiny NUMBER(2,5), "
         "whole INTEGER, x NUMBER, f FLOAT, d BINARY_DOUBLE)");
  }
  void Exec(const std::string &sql) {
    ASSERT_EQ(s.Run(sql), OCI_SUCCESS) << sql << ": " << s.ErrorText();
  }
  // Inserts `value` into column `column` alone; answers what is stored, or
  // the error number.
  std::string Stored(const std::string &column, const std::string &value) {
    Exec("DELETE FROM r");
    if (s.Run("INSERT INTO r (" + column + ") VALUES (" + value + ")") != OCI_SUCCESS) {
      return "ORA-" + std::to_string(s.ErrorCode());
    }
    const Rows rows = s.Query("SELECT " + column + " FROM r");
    if (rows.size() != 1 || !rows[0][0]) return "?";
    return *rows[0][0];
  }

  TempDir dir;
  Session s;
};

TEST_F(EngineSizeRules, TextLongerThanItsColumnFails) {
  const struct {
    const char *column;
    const char *value;
    const char *stored;
  } cases[] = {
      {"s", "'abcdefghij'", "abcdefghij"},
      {"s", "'abcdefghijk'", "ORA-12899"},
      {"s", "'\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9'", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
      {"s", "'\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9'", "ORA-12899"},  // 6 chars, 12 bytes
      {"s", "12345678901", "ORA-12899"},  // a number becomes its text
      {"c", "'ab'", "ab "},
      {"c", "'abcd'", "ORA-12899"},
      {"u", "'\xC3\xA9\xC3\xA9'", "\xC3\xA9\xC3\xA9"},
      {"u", "'\xC3\xA9\xC3\xA9\xC3\xA9'", "ORA-12899"},  // sizes count bytes
      {"b", "HEXTORAW('01020304')", "01020304"},
      {"b", "HEXTORAW('0102030405')", "ORA-12899"},
      {"s", "NULL", "?"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Stored(c.column, c.value), c.stored) << c.column << " " << c.value;
  }
  // The vendor's message: owner, table and column, actual and maximum.
  EXPECT_EQ(s.Run("INSERT INTO r (s) VALUES ('abcdefghijkl')"), OCI_ERROR);
  EXPECT_EQ(s.ErrorText(),
            "ORA-12899: value too large for column \"SCOTT\".\"R\".\"S\" "
            "(actual: 12, maximum: 10)");
}

TEST_F(EngineSizeRules, UpdatesAndMultiRowStatementsAreHeldToo) {
  Exec("INSERT INTO r (s, n) VALUES ('abc', 1)");
  EXPECT_EQ(s.Run("UPDATE r SET s = s || s || s || s"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 12899);
  EXPECT_EQ(s.Query("SELECT s FROM r"), (Rows{{Cell("abc")}}));
  Exec("UPDATE r SET n = 2.345");
  EXPECT_EQ(s.Query("SELECT n FROM r"), (Rows{{Cell("2.35")}}));
  // One row too long: the whole statement fails and leaves nothing.
  EXPECT_EQ(s.Run("INSERT INTO r (s) SELECT 'ok' UNION ALL SELECT 'much too long'"),
            OCI_ERROR);
  EXPECT_EQ(s.Query("SELECT count(*) FROM r"), (Rows{{Cell("1")}}));
  // SET (a, b) = (subquery): each value held to its column; no row sets
  // NULLs, two rows are ORA-01427.
  const struct {
    const char *sql;
    const char *result;  // s || '/' || n afterwards, or the error
  } rowSets[] = {
      {"UPDATE r SET (s, n) = (SELECT 'xyz', 3.456 FROM dual)", "xyz/3.46"},
      {"UPDATE r SET (s, n) = (SELECT 'much too long', 1 FROM dual)", "ORA-12899"},
      {"UPDATE r SET (n, s) = (SELECT 1000, 'a' FROM dual)", "ORA-01438"},
      {"UPDATE r SET (s, n) = (SELECT 'a', 1 FROM dual UNION ALL SELECT 'b', 2 FROM dual)",
       "ORA-01427"},
      {"UPDATE r SET (s, n) = (SELECT s, n FROM r WHERE 1 = 0)", "/"},
  };
  for (const auto &c : rowSets) {
    if (s.Run(c.sql) != OCI_SUCCESS) {
      EXPECT_EQ(s.ErrorText().substr(0, 9), c.result) << c.sql;
    } else {
      EXPECT_EQ(s.Query("SELECT s || '/' || n FROM r"), (Rows{{Cell(c.result)}})) << c.sql;
    }
  }
}

TEST_F(EngineSizeRules, NumbersRoundToTheirScaleAndFailWhenTooWide) {
  const struct {
    const char *column;
    const char *value;
    const char *stored;
  } cases[] = {
      {"n", "123.456", "123.46"},
      {"n", "-123.455", "-123.46"},  // half away from zero
      {"n", "1.005", "1.01"},        // the decimal value, not its binary double
      {"n", "0.29", ".29"},          // 0.29 * 100 is not whole as a double
      {"n", "-255.29", "-255.29"},
      {"n", "999.994", "999.99"},
      {"n", "999.995", "ORA-1438"},  // rounds to 1000.00: four integer digits
      {"n", "12345", "ORA-1438"},
      {"n", "'2.5'", "2.5"},
      {"n", "'12abc'", "ORA-1722"},
      {"n", "0.1 + 0.2", ".3"},
      {"i", "2.5", "3"},
      {"i", "-2.5", "-3"},
      {"i", "999.4", "999"},
      {"i", "999.5", "ORA-1438"},
      {"i", "-999", "-999"},
      {"hundreds", "12345", "12300"},
      {"hundreds", "12350", "12400"},
      {"hundreds", "9999949", "9999900"},
      {"hundreds", "9999950", "ORA-1438"},
      {"tiny", "0.000123", ".00012"},
      {"tiny", "0.00099", ".00099"},
      {"tiny", "0.001", "ORA-1438"},
      {"whole", "7.5", "8"},
      {"whole", "123456789012345678", "123456789012345678"},
      {"x", "1.23456789", "1.23456789"},  // no precision: no rule
      {"f", "2.75", "2.75"},
      {"d", "0.1", ".1"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Stored(c.column, c.value), c.stored) << c.column << " " << c.value;
  }
}

TEST_F(EngineSizeRules, BoundValuesAreRoundedToo) {
  OCIStmt *stmt = s.NewStatement();
  const std::string sql = "INSERT INTO r (n, s) VALUES (:n, :s)";
  ASSERT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql.data()),
                           static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  double n = 1.235;
  char text[16] = "short";
  OCIBind *bn = nullptr;
  OCIBind *bs = nullptr;
  ASSERT_EQ(OCIBindByName(stmt, &bn, s.err, reinterpret_cast<const OraText *>(":n"), -1, &n,
                          sizeof n, SQLT_FLT, nullptr, nullptr, nullptr, 0, nullptr,
                          OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIBindByName(stmt, &bs, s.err, reinterpret_cast<const OraText *>(":s"), -1, text,
                          sizeof text, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr,
                          OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS)
      << s.ErrorText();
  EXPECT_EQ(s.Query("SELECT n, s FROM r"), (Rows{{Cell("1.24"), Cell("short")}}));
  snprintf(text, sizeof text, "%s", "far too long!");
  EXPECT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 12899);
}

TEST_F(EngineSizeRules, RulesFollowAlterTableAndQuotedNames) {
  Exec("ALTER TABLE r ADD (extra VARCHAR2(2 BYTE), amount NUMBER(4,1))");
  EXPECT_EQ(Stored("extra", "'abc'"), "ORA-12899");
  EXPECT_EQ(Stored("amount", "1.25"), "1.3");
  EXPECT_EQ(Stored("s", "'abcdefghijk'"), "ORA-12899");  // the old rules stay
  // A column the rules name can still be dropped or renamed.
  Exec("ALTER TABLE r DROP COLUMN extra");
  Exec("ALTER TABLE r RENAME COLUMN amount TO total");
  EXPECT_EQ(Stored("total", "1.25"), "1.3");
  Exec("ALTER TABLE r RENAME TO r2");
  EXPECT_EQ(s.Run("INSERT INTO r2 (s) VALUES ('abcdefghijk')"), OCI_ERROR);
  EXPECT_EQ(s.ErrorText(),
            "ORA-12899: value too large for column \"SCOTT\".\"R2\".\"S\" "
            "(actual: 11, maximum: 10)");

  Exec("CREATE TABLE \"Mixed\" (\"Col\" VARCHAR2(2), k NUMBER(3,1) PRIMARY KEY) "
       "WITHOUT ROWID");
  EXPECT_EQ(s.Run("INSERT INTO \"Mixed\" VALUES ('abc', 1)"), OCI_ERROR);
  EXPECT_EQ(s.ErrorText(),
            "ORA-12899: value too large for column \"SCOTT\".\"Mixed\".\"Col\" "
            "(actual: 3, maximum: 2)");
  Exec("INSERT INTO \"Mixed\" VALUES ('ab', 1.26)");
  EXPECT_EQ(s.Query("SELECT k FROM \"Mixed\""), (Rows{{Cell("1.3")}}));

  // Inside a block, as on its own.
  Exec("BEGIN CREATE TABLE b (v VARCHAR2(1)); END;");
  EXPECT_EQ(s.Run("INSERT INTO b VALUES ('vv')"), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 12899);
}

TEST_F(EngineSizeRules, TextExpressionsOver4000BytesFailAtFetch) {
  EXPECT_EQ(s.Query("SELECT length(RPAD('x', 4000, 'x')) FROM DUAL"),
            (Rows{{Cell("4000")}}));
  const Rows fits = s.Query("SELECT RPAD('x', 4000, 'x') FROM DUAL");
  ASSERT_EQ(fits.size(), 1u);
  EXPECT_EQ(fits[0][0]->size(), 4000u);

  OCIStmt *stmt = s.NewStatement();
  const std::string sql = "SELECT RPAD('x', 4001, 'x') FROM DUAL";
  ASSERT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql.data()),
                           static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  std::vector<char> buffer(8000);
  sb2 indicator = 0;
  OCIDefine *define = nullptr;
  ASSERT_EQ(OCIDefineByPos(stmt, &define, s.err, 1, buffer.data(),
                           static_cast<sb4>(buffer.size()), SQLT_STR, &indicator, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1489);
}

TEST_F(EngineSizeRules, OtherProgramsReadTablesWithRules) {
  Exec("INSERT INTO r (s, n) VALUES ('kept', 1.5)");
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
  sqlite3 *raw = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File("r.db").c_str(), &raw), SQLITE_OK);
  sqlite3_stmt *read = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT s, n FROM r", -1, &read, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(read), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(read, 0)), "kept");
  EXPECT_EQ(sqlite3_column_double(read, 1), 1.5);
  sqlite3_finalize(read);
  // The rules live in the engine's statements: another program writes
  // the table as SQLite lets it.
  EXPECT_EQ(sqlite3_exec(raw, "INSERT INTO r (s) VALUES ('far too long for s')", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(raw);
}

}  // namespace
