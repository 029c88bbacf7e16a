// The vendor's SQL habits run for real: DUAL, SYSDATE, NVL, EMPTY_BLOB()
// through a locator, SELECT ... FOR UPDATE holding the write lock, the
// vendor's type spellings in CREATE TABLE, literals and quoted names left
// alone, and anonymous blocks as one statement.
#include <time.h>

#include <chrono>
#include <regex>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Cell;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;
using Clock = std::chrono::steady_clock;

class EngineHabits : public ::testing::Test {
 protected:
  EngineHabits() : s(dir.CreateLink("h.db")) {}
  void SetUp() override { ASSERT_TRUE(s.ok()) << s.ErrorText(); }

  void Exec(const std::string &sql, Session *on = nullptr) {
    Session &session = on ? *on : s;
    ASSERT_EQ(session.Run(sql), OCI_SUCCESS) << sql << ": " << session.ErrorText();
  }
  // Runs `sql` expecting it to fail with `error`; answers how long it took.
  Clock::duration Fails(Session &session, const std::string &sql, int error) {
    const auto start = Clock::now();
    EXPECT_EQ(session.Run(sql), OCI_ERROR) << sql;
    EXPECT_EQ(session.ErrorCode(), error) << sql << ": " << session.ErrorText();
    return Clock::now() - start;
  }
  OCIStmt *Prepared(const std::string &sql) {
    OCIStmt *stmt = s.NewStatement();
    EXPECT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql.data()),
                             static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    return stmt;
  }
  template <typename T>
  T Attr(const void *handle, ub4 type, ub4 attribute) {
    T value{};
    EXPECT_EQ(OCIAttrGet(handle, type, &value, nullptr, attribute, s.err), OCI_SUCCESS);
    return value;
  }
  std::string Link(const std::string &extra = "") const {
    return "file:" + dir.File("h.db") + (extra.empty() ? "" : "?" + extra);
  }

  TempDir dir;
  Session s;
};

TEST_F(EngineHabits, DualIsOneRowWithDummy) {
  EXPECT_EQ(s.Query("SELECT 1 + 1 FROM DUAL"), (Rows{{Cell("2")}}));
  EXPECT_EQ(s.Query("SELECT * FROM dual"), (Rows{{Cell("X")}}));
  EXPECT_EQ(s.Query("SELECT d.dummy FROM Dual d WHERE d.dummy = 'X'"), (Rows{{Cell("X")}}));
  // Private to each connection: a second session has its own, and a
  // table of that name in the database stays reachable as main.dual.
  Session other(Link());
  EXPECT_EQ(other.Query("SELECT count(*) FROM dual"), (Rows{{Cell("1")}}));
  Exec("CREATE TABLE main.dual (dummy VARCHAR2(1))");
  EXPECT_EQ(s.Query("SELECT count(*) FROM main.dual"), (Rows{{Cell("0")}}));
  EXPECT_EQ(s.Query("SELECT count(*) FROM dual"), (Rows{{Cell("1")}}));
  // A view kept in the database carries its own row: other programs and
  // other connections read it.
  Exec("CREATE VIEW today AS SELECT SYSDATE AS now, dummy FROM DUAL");
  EXPECT_EQ(other.Query("SELECT dummy, length(now) FROM today"),
            (Rows{{Cell("X"), Cell("19")}}));
}

TEST_F(EngineHabits, SysdateIsTheLocalTimeAsSortableText) {
  const Rows rows = s.Query("SELECT TO_CHAR(SYSDATE, 'YYYY-MM-DD HH24:MI:SS'), "
                            "TO_CHAR(sysdate, 'YYYY-MM-DD HH24:MI:SS') FROM DUAL");
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_TRUE(rows[0][0].has_value());
  const std::string now = *rows[0][0];
  EXPECT_TRUE(std::regex_match(now, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << now;
  EXPECT_EQ(rows[0][1], rows[0][0]);  // one value per statement
  char expected[32];
  const time_t t = time(nullptr);
  struct tm local;
  localtime_r(&t, &local);
  strftime(expected, sizeof expected, "%Y-%m-%d %H:%M", &local);
  EXPECT_EQ(now.substr(0, 13), std::string(expected).substr(0, 13));  // to the hour

  // As a column default and in comparisons; DATE stays described as 12.
  Exec("CREATE TABLE ev (id NUMBER(5), at DATE DEFAULT SYSDATE)");
  Exec("INSERT INTO ev (id) VALUES (2)");
  Exec("INSERT INTO ev VALUES (1, '1999-12-31 23:59:59')");
  EXPECT_EQ(s.Query("SELECT id FROM ev WHERE at <= SYSDATE AND id < 3 ORDER BY at"),
            (Rows{{Cell("1")}, {Cell("2")}}));
  OCIStmt *stmt = Prepared("SELECT at FROM ev");
  ASSERT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  OCIParam *param = nullptr;
  ASSERT_EQ(OCIParamGet(stmt, OCI_HTYPE_STMT, s.err, reinterpret_cast<dvoid **>(&param), 1),
            OCI_SUCCESS);
  EXPECT_EQ(Attr<ub2>(param, OCI_DTYPE_PARAM, OCI_ATTR_DATA_TYPE), SQLT_DAT);
}

TEST_F(EngineHabits, NvlAndLiteralsAndQuotedNamesUntouched) {
  EXPECT_EQ(s.Query("SELECT NVL(NULL, 'b'), nvl('a', 'b'), NVL(NULL, NVL(NULL, 3)) FROM DUAL"),
            (Rows{{Cell("b"), Cell("a"), Cell("3")}}));
  EXPECT_EQ(s.Query("SELECT 'SYSDATE', 'NVL(x, y)', 'FROM DUAL FOR UPDATE', "
                    "'EMPTY_BLOB()' FROM DUAL"),
            (Rows{{Cell("SYSDATE"), Cell("NVL(x, y)"), Cell("FROM DUAL FOR UPDATE"),
                   Cell("EMPTY_BLOB()")}}));
  Exec("CREATE TABLE q (\"SYSDATE\" VARCHAR2(10), \"nvl\" NUMBER, \"VARCHAR2(1 BYTE)\" INT)");
  Exec("INSERT INTO q VALUES ('sysdate', 1, 2)");
  EXPECT_EQ(s.Query("SELECT \"SYSDATE\", \"nvl\", q.\"VARCHAR2(1 BYTE)\" FROM q"),
            (Rows{{Cell("sysdate"), Cell("1"), Cell("2")}}));
}

TEST_F(EngineHabits, VendorTypeSpellingsCreateAndDescribe) {
  Exec("CREATE TABLE spelled (a VARCHAR2(12 BYTE), b VARCHAR2(5 CHAR), c NUMBER(*,2), "
       "d TIMESTAMP(3) WITH TIME ZONE, e NCHAR(4), f FLOAT(20))");
  OCIStmt *stmt = Prepared("SELECT * FROM spelled");
  ASSERT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS)
      << s.ErrorText();
  const struct {
    ub2 type;
    ub2 size;
    sb2 precision;
    sb1 scale;
  } expected[] = {
      {SQLT_CHR, 12, 0, 0},       {SQLT_CHR, 5, 0, 0},       {SQLT_NUM, 22, 38, 2},
      {SQLT_TIMESTAMP, 11, 0, 3}, {SQLT_AFC, 4, 0, 0},       {SQLT_NUM, 22, 20, -127},
  };
  for (ub4 i = 0; i < 6; ++i) {
    OCIParam *param = nullptr;
    ASSERT_EQ(OCIParamGet(stmt, OCI_HTYPE_STMT, s.err, reinterpret_cast<dvoid **>(&param), i + 1),
              OCI_SUCCESS);
    SCOPED_TRACE(i);
    EXPECT_EQ(Attr<ub2>(param, OCI_DTYPE_PARAM, OCI_ATTR_DATA_TYPE), expected[i].type);
    EXPECT_EQ(Attr<ub2>(param, OCI_DTYPE_PARAM, OCI_ATTR_DATA_SIZE), expected[i].size);
    EXPECT_EQ(Attr<sb2>(param, OCI_DTYPE_PARAM, OCI_ATTR_PRECISION), expected[i].precision);
    EXPECT_EQ(Attr<sb1>(param, OCI_DTYPE_PARAM, OCI_ATTR_SCALE), expected[i].scale);
  }
}

TEST_F(EngineHabits, EmptyBlobIsAnEmptyValueWrittenThroughItsLocator) {
  Exec("CREATE TABLE doc (id NUMBER(5), body BLOB)");
  Exec("INSERT INTO doc VALUES (1, EMPTY_BLOB())");
  Exec("INSERT INTO doc VALUES (2, NULL)");
  EXPECT_EQ(s.Query("SELECT id, NVL2(body, 0, 1), length(body) FROM doc ORDER BY id"),
            (Rows{{Cell("1"), Cell("0"), Cell("0")}, {Cell("2"), Cell("1"), Cell()}}));
  Exec("COMMIT");

  // The vendor's way to fill it: select the locator FOR UPDATE, write.
  OCILobLocator *lob = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(s.env, reinterpret_cast<dvoid **>(&lob), OCI_DTYPE_LOB, 0,
                               nullptr),
            OCI_SUCCESS);
  OCIStmt *stmt = Prepared("SELECT body FROM doc WHERE id = 1 FOR UPDATE");
  ASSERT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS)
      << s.ErrorText();
  OCIDefine *define = nullptr;
  sb2 indicator = 7;
  ASSERT_EQ(OCIDefineByPos(stmt, &define, s.err, 1, &lob, 0, SQLT_BLOB, &indicator, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(indicator, 0);  // an empty value, not NULL
  ub4 length = 99;
  ASSERT_EQ(OCILobGetLength(s.svc, s.err, lob, &length), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(length, 0u);
  unsigned char bytes[] = {0xCA, 0xFE, 0x01};
  ub4 amount = 3;
  ASSERT_EQ(OCILobWrite(s.svc, s.err, lob, &amount, 1, bytes, 3, OCI_ONE_PIECE, nullptr,
                        nullptr, 0, SQLCS_IMPLICIT),
            OCI_SUCCESS)
      << s.ErrorText();
  Session other(Link());
  EXPECT_EQ(other.Query("SELECT length(body) FROM doc WHERE id = 1"), (Rows{{Cell("0")}}));
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
  EXPECT_EQ(other.Query("SELECT RAWTOHEX(body) FROM doc WHERE id = 1"), (Rows{{Cell("CAFE01")}}));
  OCIDescriptorFree(lob, OCI_DTYPE_LOB);
}

TEST_F(EngineHabits, SelectForUpdateHoldsTheWriteLockUntilCommit) {
  Exec("CREATE TABLE t (a NUMBER(5))");
  Exec("INSERT INTO t VALUES (1)");
  Exec("COMMIT");
  Session other(Link("busy_timeout=200"));
  ASSERT_TRUE(other.ok()) << other.ErrorText();

  EXPECT_EQ(s.Query("SELECT a FROM t WHERE a = 1 FOR UPDATE"), (Rows{{Cell("1")}}));
  EXPECT_GE(Fails(other, "UPDATE t SET a = 2", 54), std::chrono::milliseconds(180));
  // Readers go on reading.
  EXPECT_EQ(other.Query("SELECT a FROM t"), (Rows{{Cell("1")}}));
  // NOWAIT gives up at once, even with the 5 s default wait.
  Session patient(Link());
  EXPECT_LT(Fails(patient, "SELECT a FROM t FOR UPDATE NOWAIT", 54), std::chrono::seconds(1));
  const auto waited = Fails(patient, "SELECT a FROM t FOR UPDATE WAIT 1", 30006);
  EXPECT_GE(waited, std::chrono::milliseconds(900));
  EXPECT_LT(waited, std::chrono::seconds(4));

  ASSERT_EQ(s.Rollback(), OCI_SUCCESS);
  Exec("UPDATE t SET a = 2", &other);
  Exec("COMMIT", &other);
  EXPECT_EQ(s.Query("SELECT a FROM t FOR UPDATE OF a"), (Rows{{Cell("2")}}));
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);

  // SKIP LOCKED: the lock is the whole database's, so a query that would
  // have to skip fails at once, as NOWAIT does; a free one runs.
  Exec("UPDATE t SET a = 3", &other);
  EXPECT_LT(Fails(s, "SELECT a FROM t FOR UPDATE SKIP LOCKED", 54), std::chrono::seconds(1));
  Exec("ROLLBACK", &other);
  EXPECT_EQ(s.Query("SELECT a FROM t FOR UPDATE SKIP LOCKED"), (Rows{{Cell("2")}}));
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
}

TEST_F(EngineHabits, BlocksRunAsOneStatement) {
  Exec("CREATE TABLE t (a NUMBER(5), at DATE)");
  OCIStmt *stmt = Prepared(
      "BEGIN\n"
      "  INSERT INTO t VALUES (1, SYSDATE);\n"
      "  INSERT INTO t (a) SELECT NVL(NULL, 2) FROM DUAL;\n"
      "  UPDATE t SET a = a * 10;\n"
      "END;");
  EXPECT_EQ(Attr<ub2>(stmt, OCI_HTYPE_STMT, OCI_ATTR_STMT_TYPE), OCI_STMT_BEGIN);
  ASSERT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS)
      << s.ErrorText();
  EXPECT_EQ(Attr<ub4>(stmt, OCI_HTYPE_STMT, OCI_ATTR_ROW_COUNT), 4u);
  EXPECT_EQ(s.Query("SELECT a, NVL2(at, 0, 1) FROM t ORDER BY a"),
            (Rows{{Cell("10"), Cell("0")}, {Cell("20"), Cell("1")}}));
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);

  // A failing statement undoes the block's earlier ones, and nothing else:
  // the changes before the block stay pending.
  Exec("INSERT INTO t (a) VALUES (3)");
  EXPECT_EQ(s.Run("BEGIN INSERT INTO t (a) VALUES (4); UPDATE t SET a = 0; "
                  "INSERT INTO missing VALUES (1); END;"),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 942) << s.ErrorText();
  EXPECT_EQ(s.Query("SELECT a FROM t ORDER BY a"),
            (Rows{{Cell("3")}, {Cell("10")}, {Cell("20")}}));
  ASSERT_EQ(s.Rollback(), OCI_SUCCESS);
  EXPECT_EQ(s.Query("SELECT count(*) FROM t"), (Rows{{Cell("2")}}));

  // A block that commits cannot be undone as one: what it committed stays.
  EXPECT_EQ(s.Run("BEGIN INSERT INTO t (a) VALUES (5); COMMIT; INSERT INTO t VALUES (1, 2, 3); END;"),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 913) << s.ErrorText();
  ASSERT_EQ(s.Rollback(), OCI_SUCCESS);
  EXPECT_EQ(s.Query("SELECT count(*) FROM t WHERE a = 5"), (Rows{{Cell("1")}}));
}

}  // namespace

namespace {

// The vendor's dictionary views over what this session made, and what
// another account made.
TEST_F(EngineHabits, TheDataDictionaryShowsTheSchema) {
  Exec("CREATE TABLE emp (empno NUMBER(4) PRIMARY KEY, ename VARCHAR2(10) NOT NULL, "
       "sal NUMBER(7,2), hired DATE, \"Mixed\" INTEGER)");
  Exec("CREATE UNIQUE INDEX emp_name ON emp (ename)");
  Exec("CREATE VIEW rich AS SELECT ename FROM emp WHERE sal > 1000");
  Exec("COMMENT ON TABLE emp IS 'Employees, one row each'");
  Exec("COMMENT ON COLUMN scott.emp.sal IS 'Monthly salary, it''s in dollars'");
  const struct {
    const char *query;
    Rows rows;
  } cases[] = {
      {"SELECT object_name, object_type, status FROM user_objects ORDER BY 1",
       {{"EMP", "TABLE", "VALID"}, {"EMP_NAME", "INDEX", "VALID"}, {"RICH", "VIEW", "VALID"},
        {"SYS_C0007001", "INDEX", "VALID"}}},  // the primary key's index
      {"SELECT table_name FROM user_tables", {{"EMP"}}},
      {"SELECT column_name, data_type, data_length, data_precision, data_scale, nullable, "
       "column_id FROM user_tab_columns WHERE table_name = 'EMP' ORDER BY column_id",
       {{"EMPNO", "NUMBER", "22", "4", "0", "N", "1"},
        {"ENAME", "VARCHAR2", "10", std::nullopt, std::nullopt, "N", "2"},
        {"SAL", "NUMBER", "22", "7", "2", "Y", "3"},
        {"HIRED", "DATE", "7", std::nullopt, std::nullopt, "Y", "4"},
        {"Mixed", "NUMBER", "22", std::nullopt, "0", "Y", "5"}}},
      {"SELECT view_name, text FROM user_views",
       {{"RICH", "SELECT ename FROM emp WHERE sal > 1000"}}},
      {"SELECT index_name, table_name, uniqueness FROM user_indexes ORDER BY 1",
       {{"EMP_NAME", "EMP", "UNIQUE"}, {"SYS_C0007001", "EMP", "UNIQUE"}}},
      {"SELECT column_name, column_position FROM user_ind_columns ORDER BY 1",
       {{"EMPNO", "1"}, {"ENAME", "1"}}},
      {"SELECT owner, table_name FROM all_tables", {{"SCOTT", "EMP"}}},
      {"SELECT count(*) FROM user_tab_cols", {{"6"}}},  // the view's column too
      {"SELECT table_name, table_type, comments FROM user_tab_comments ORDER BY 1",
       {{"EMP", "TABLE", "Employees, one row each"}, {"RICH", "VIEW", std::nullopt}}},
      {"SELECT column_name, comments FROM user_col_comments "
       "WHERE table_name = 'EMP' AND comments IS NOT NULL",
       {{"SAL", "Monthly salary, it's in dollars"}}},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(s.Query(c.query), c.rows) << c.query << ": " << s.ErrorText();
  }
  for (const auto &bad : {std::make_pair("COMMENT ON TABLE nowhere IS 'x'", 942),
                          std::make_pair("COMMENT ON COLUMN emp.nothing IS 'x'", 904),
                          std::make_pair("COMMENT ON emp IS 'x'", 900)}) {
    EXPECT_EQ(s.Run(bad.first), OCI_ERROR) << bad.first;
    EXPECT_EQ(s.ErrorCode(), bad.second) << bad.first << ": " << s.ErrorText();
  }
  Exec("COMMENT ON TABLE emp IS ''");  // '' is NULL: the comment goes
  EXPECT_EQ(s.Query("SELECT comments FROM user_tab_comments WHERE table_name = 'EMP'"),
            (Rows{{std::nullopt}}));
  Exec("DROP VIEW rich");
  EXPECT_EQ(s.Query("SELECT count(*) FROM user_views"), (Rows{{"0"}}));
  // The catalog itself stays out of reach, and no object takes a view's name.
  EXPECT_EQ(s.Run("SELECT * FROM \"kestrel$objects\""), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 942);
  EXPECT_EQ(s.Run("DROP VIEW user_tables"), OCI_ERROR);
  EXPECT_EQ(s.Run("CREATE VIEW all_objects AS SELECT 1 x FROM dual"), OCI_ERROR);
  // A view is made when a statement first names it, here inside a
  // transaction; the rollback that takes it away does not lose it, for a
  // new statement nor for one prepared before.
  ASSERT_EQ(s.Run("INSERT INTO emp (empno, ename) VALUES (1, 'A')"), OCI_SUCCESS);
  OCIStmt *before = s.NewStatement();
  ASSERT_EQ(s.Run("SELECT count(*) FROM user_sequences", before), OCI_SUCCESS) << s.ErrorText();
  ASSERT_EQ(s.Rollback(), OCI_SUCCESS);
  EXPECT_EQ(OCIStmtExecute(s.svc, before, s.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS)
      << s.ErrorText();
  ASSERT_EQ(s.Run("INSERT INTO emp (empno, ename) VALUES (1, 'A')"), OCI_SUCCESS);
  EXPECT_EQ(s.Query("SELECT count(*) FROM all_sequences"), (Rows{{"0"}}));
  ASSERT_EQ(s.Rollback(), OCI_SUCCESS);
  EXPECT_EQ(s.Query("SELECT count(*) FROM all_sequences"), (Rows{{"0"}})) << s.ErrorText();
  // A new session whose first use of a view is one that reads another
  // (USER_TAB_COLS reads USER_TAB_COLUMNS), or comes from PL/SQL, or wants
  // the stored units among the objects.
  Exec("CREATE PROCEDURE p IS BEGIN NULL; END;");
  Session other(Link());
  EXPECT_EQ(other.Query("SELECT count(*) FROM user_tab_cols WHERE table_name = 'EMP'"),
            (Rows{{"5"}}))
      << other.ErrorText();
  EXPECT_EQ(other.Run("DECLARE n NUMBER; BEGIN SELECT count(*) INTO n FROM user_views; "
                      "IF n <> 0 THEN RAISE_APPLICATION_ERROR(-20001, 'views'); END IF; END;"),
            OCI_SUCCESS)
      << other.ErrorText();
  EXPECT_EQ(other.Query("SELECT object_type FROM user_objects WHERE object_name = 'P'"),
            (Rows{{"PROCEDURE"}}));
}

}  // namespace

namespace {

// Sequences: blocks per session, never a value twice (other sessions,
// rollbacks), the bounds and the vendor's errors.
TEST_F(EngineHabits, SequencesHandOutEachValueOnce) {
  Exec("CREATE SEQUENCE s START WITH 10 INCREMENT BY 5");
  Exec("CREATE SEQUENCE m MAXVALUE 2 NOCACHE");
  Exec("CREATE SEQUENCE c MINVALUE 1 MAXVALUE 3 CYCLE NOCACHE");
  Exec("CREATE TABLE t (id NUMBER)");
  Session other(dir.File("h.db"));
  ASSERT_TRUE(other.ok()) << other.ErrorText();
  // One execution per call: the statement's value, or its error.
  auto value = [](Session &on, const std::string &expression) -> std::string {
    OCIStmt *stmt = on.NewStatement();
    const std::string sql = "SELECT " + expression + " FROM dual";
    char text[32] = {};
    sb2 indicator = 0;
    OCIDefine *define = nullptr;
    if (OCIStmtPrepare(stmt, on.err, reinterpret_cast<const OraText *>(sql.data()),
                       static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT) != OCI_SUCCESS ||
        OCIDefineByPos(stmt, &define, on.err, 1, text, sizeof text, SQLT_STR, &indicator,
                       nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS ||
        OCIStmtExecute(on.svc, stmt, on.err, 1, 0, nullptr, nullptr, OCI_DEFAULT) != OCI_SUCCESS) {
      return "ORA-" + std::to_string(on.ErrorCode());
    }
    OCIStmtFetch(stmt, on.err, 0, OCI_FETCH_NEXT, OCI_DEFAULT);  // closes the cursor
    return text;
  };
  EXPECT_EQ(value(other, "s.CURRVAL"), "ORA-8002");
  EXPECT_EQ(value(s, "s.NEXTVAL"), "10");
  EXPECT_EQ(value(s, "s.nextval"), "15");
  EXPECT_EQ(value(s, "s.CURRVAL"), "15");
  // Another session takes the next block of 20.
  EXPECT_EQ(value(other, "scott.s.NEXTVAL"), "110");
  // A value taken in a rolled-back transaction is not handed out again.
  Exec("INSERT INTO t VALUES (s.NEXTVAL)", &other);
  ASSERT_EQ(other.Rollback(), OCI_SUCCESS);
  Session third(dir.File("h.db"));
  EXPECT_EQ(value(third, "s.NEXTVAL"), "210");
  for (const char *expected : {"1", "2", "ORA-8004"}) EXPECT_EQ(value(s, "m.NEXTVAL"), expected);
  for (const char *expected : {"1", "2", "3", "1"}) EXPECT_EQ(value(s, "c.NEXTVAL"), expected);
  const struct {
    const char *sql;
    int error;
  } refused[] = {
      {"CREATE SEQUENCE s", 955},
      {"CREATE SEQUENCE t", 955},
      {"CREATE SEQUENCE z INCREMENT BY 0", 4002},
      {"CREATE SEQUENCE z START WITH 0", 4006},
      {"CREATE SEQUENCE z MINVALUE 5 MAXVALUE 5", 4004},
      {"CREATE SEQUENCE z MAXVALUE 3 CYCLE CACHE 10", 4013},
      {"ALTER SEQUENCE s START WITH 1", 2283},
      {"DROP SEQUENCE nothing", 2289},
  };
  for (const auto &r : refused) {
    EXPECT_EQ(s.Run(r.sql), OCI_ERROR) << r.sql;
    EXPECT_EQ(s.ErrorCode(), r.error) << r.sql << ": " << s.ErrorText();
  }
  EXPECT_EQ(s.Query("SELECT sequence_name, increment_by, cache_size, last_number "
                    "FROM user_sequences WHERE sequence_name = 'S'"),
            (Rows{{"S", "5", "20", "310"}}));
  Exec("ALTER SEQUENCE s INCREMENT BY 1000 NOCACHE");
  EXPECT_EQ(value(s, "s.NEXTVAL"), "310");
  EXPECT_EQ(value(s, "s.NEXTVAL"), "1310");
  Exec("DROP SEQUENCE s");
  EXPECT_EQ(value(s, "s.NEXTVAL"), "ORA-2289");
}

}  // namespace
