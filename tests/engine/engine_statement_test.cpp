// Statement types, execution and fetch semantics, describe and the type
// mapping, against real SQL on temporary databases.
#include <string.h>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Cell;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

class EngineStatement : public ::testing::Test {
 protected:
  EngineStatement() : s(dir.CreateLink("t.db")) {}
  void SetUp() override { ASSERT_TRUE(s.ok()) << s.ErrorText(); }

  OCIStmt *Prepared(const std::string &sql) {
    OCIStmt *stmt = s.NewStatement();
    EXPECT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(sql.data()),
                             static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    return stmt;
  }
  sword Execute(OCIStmt *stmt, ub4 iters) {
    return OCIStmtExecute(s.svc, stmt, s.err, iters, 0, nullptr, nullptr, OCI_DEFAULT);
  }
  template <typename T>
  T Attr(const void *handle, ub4 type, ub4 attribute) {
    T value{};
    EXPECT_EQ(OCIAttrGet(handle, type, &value, nullptr, attribute, s.err), OCI_SUCCESS);
    return value;
  }
  void Exec(const std::string &sql) {
    ASSERT_EQ(s.Run(sql), OCI_SUCCESS) << sql << ": " << s.ErrorText();
  }

  TempDir dir;
  Session s;
};

// OCI_ATTR_STMT_TYPE as the vendor's client reports it, from the parsed
// statement (the first keyword where the text does not parse).
TEST_F(EngineStatement, TypeComesFromTheStatement) {
  const struct {
    const char *sql;
    ub2 type;
  } cases[] = {
      {"SELECT 1", OCI_STMT_SELECT},
      {"  -- comment\n/* block */ select 1", OCI_STMT_SELECT},
      {"WITH x AS (SELECT 1) SELECT * FROM x", OCI_STMT_SELECT},
      {"(SELECT 1 FROM dual) UNION SELECT 2 FROM dual", OCI_STMT_SELECT},
      {"update t set a = 1", OCI_STMT_UPDATE},
      {"DELETE FROM t", OCI_STMT_DELETE},
      {"INSERT INTO t VALUES (1)", OCI_STMT_INSERT},
      {"WITH x AS (SELECT 1 a FROM dual) INSERT INTO t SELECT a FROM x", OCI_STMT_INSERT},
      {"INSERT ALL INTO t VALUES (1) SELECT * FROM dual", OCI_STMT_INSERT},
      {"MERGE INTO t USING s ON (t.a = s.a) WHEN MATCHED THEN UPDATE SET b = 1", 16},
      {"CREATE TABLE t (a INT)", OCI_STMT_CREATE},
      {"CREATE OR REPLACE PUBLIC SYNONYM s FOR t", OCI_STMT_CREATE},
      {"CREATE OR REPLACE PROCEDURE p AS BEGIN NULL; END;", OCI_STMT_CREATE},
      {"DROP TABLE t", OCI_STMT_DROP},
      {"DROP PUBLIC SYNONYM s", OCI_STMT_DROP},
      {"ALTER TABLE t ADD b INT", OCI_STMT_ALTER},
      {"ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY'", OCI_STMT_ALTER},
      {"BEGIN NULL; END;", OCI_STMT_BEGIN},
      {"<<outer>> BEGIN NULL; END;", OCI_STMT_BEGIN},
      {"DECLARE x NUMBER; BEGIN NULL; END;", OCI_STMT_DECLARE},
      {"CALL p()", 10},
      {"COMMIT", 21},
      {"ROLLBACK WORK", 17},
      {"ROLLBACK TO SAVEPOINT a", 17},
      {"SAVEPOINT a", 0},
      {"TRUNCATE TABLE t", 0},
      {"PRAGMA user_version", 0},
  };
  for (const auto &c : cases) {
    OCIStmt *stmt = Prepared(c.sql);
    EXPECT_EQ(Attr<ub2>(stmt, OCI_HTYPE_STMT, OCI_ATTR_STMT_TYPE), c.type) << c.sql;
  }
}

TEST_F(EngineStatement, PrepareReadsOnlyTheGivenLength) {
  Exec("CREATE TABLE t (a NUMBER(10))");
  const char text[] = "INSERT INTO t VALUES (7)garbage that must not be read";
  OCIStmt *stmt = s.NewStatement();
  ASSERT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(text), 24,
                           OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(Execute(stmt, 1), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(s.Query("SELECT a FROM t"), (Rows{{Cell("7")}}));
}

TEST_F(EngineStatement, QueryExecutesWithoutFetchingThenFetchesInOrder) {
  Exec("CREATE TABLE t (a NUMBER(10))");
  Exec("BEGIN INSERT INTO t VALUES (1); INSERT INTO t VALUES (2); "
       "INSERT INTO t VALUES (3); END;");
  OCIStmt *stmt = Prepared("SELECT a FROM t ORDER BY a");
  ASSERT_EQ(Execute(stmt, 0), OCI_SUCCESS);
  EXPECT_EQ(Attr<ub4>(stmt, OCI_HTYPE_STMT, OCI_ATTR_ROW_COUNT), 0u);
  int value = -1;
  OCIDefine *define = nullptr;
  ASSERT_EQ(OCIDefineByPos(stmt, &define, s.err, 1, &value, 4, SQLT_INT, nullptr, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(value, -1);  // nothing fetched by the execute
  for (int expected = 1; expected <= 3; ++expected) {
    ASSERT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(value, expected);
    EXPECT_EQ(Attr<ub4>(stmt, OCI_HTYPE_STMT, OCI_ATTR_ROW_COUNT), ub4(expected));
  }
  EXPECT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
  EXPECT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);

  // n >= 1 iterations: from the start again, n rows fetched by the execute
  // into consecutive elements.
  int values[5] = {0, 0, 0, 0, 0};
  ASSERT_EQ(OCIDefineByPos(stmt, &define, s.err, 1, values, 4, SQLT_INT, nullptr, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(Execute(stmt, 2), OCI_SUCCESS);
  EXPECT_EQ(Attr<ub4>(stmt, OCI_HTYPE_STMT, OCI_ATTR_ROW_COUNT), 2u);
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[1], 2);
  ASSERT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(values[0], 3);
  EXPECT_EQ(Execute(stmt, 5), OCI_NO_DATA);  // fewer rows than asked for
  EXPECT_EQ(values[2], 3);
}

TEST_F(EngineStatement, ArrayFetchFillsConsecutiveElements) {
  Exec("CREATE TABLE t (a NUMBER(10))");
  Exec("BEGIN INSERT INTO t VALUES (10); INSERT INTO t VALUES (NULL); "
       "INSERT INTO t VALUES (30); END;");
  OCIStmt *stmt = Prepared("SELECT a FROM t ORDER BY rowid");
  ASSERT_EQ(Execute(stmt, 0), OCI_SUCCESS);
  int values[4] = {0, 0, 0, 0};
  sb2 indicators[4] = {9, 9, 9, 9};
  OCIDefine *define = nullptr;
  ASSERT_EQ(OCIDefineByPos(stmt, &define, s.err, 1, values, 4, SQLT_INT, indicators, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(OCIStmtFetch(stmt, s.err, 4, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
  EXPECT_EQ(Attr<ub4>(stmt, OCI_HTYPE_STMT, OCI_ATTR_ROW_COUNT), 3u);
  EXPECT_EQ(values[0], 10);
  EXPECT_EQ(indicators[1], -1);
  EXPECT_EQ(values[2], 30);
  EXPECT_EQ(indicators[3], 9);
}

TEST_F(EngineStatement, NonQueriesRunOncePerIterationAndCountRows) {
  Exec("CREATE TABLE t (a NUMBER(10))");
  OCIStmt *insert = Prepared("INSERT INTO t SELECT count(*) FROM t");
  ASSERT_EQ(Execute(insert, 3), OCI_SUCCESS);
  EXPECT_EQ(Attr<ub4>(insert, OCI_HTYPE_STMT, OCI_ATTR_ROW_COUNT), 3u);
  EXPECT_EQ(s.Query("SELECT a FROM t ORDER BY a"),
            (Rows{{Cell("0")}, {Cell("1")}, {Cell("2")}}));
  OCIStmt *update = Prepared("UPDATE t SET a = a + 1 WHERE a > 0");
  ASSERT_EQ(Execute(update, 1), OCI_SUCCESS);
  EXPECT_EQ(Attr<ub4>(update, OCI_HTYPE_STMT, OCI_ATTR_ROW_COUNT), 2u);
  EXPECT_EQ(Attr<ub4>(update, OCI_HTYPE_STMT, OCI_ATTR_PARAM_COUNT), 0u);
  EXPECT_EQ(Execute(update, 0), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 24333);
  OCIStmt *remove = Prepared("DELETE FROM t");
  ASSERT_EQ(Execute(remove, 1), OCI_SUCCESS);
  EXPECT_EQ(Attr<ub4>(remove, OCI_HTYPE_STMT, OCI_ATTR_ROW_COUNT), 3u);
}

TEST_F(EngineStatement, BlocksRunTheirStatementsInOrder) {
  Exec("CREATE TABLE t (a VARCHAR2(20))");
  Exec("BEGIN INSERT INTO t VALUES ('x;y'); NULL; UPDATE t SET a = a || '!'; END;");
  EXPECT_EQ(s.Query("SELECT a FROM t"), (Rows{{Cell("x;y!")}}));
  // Nested blocks and declarations run (the PL/SQL interpreter).
  Exec("BEGIN BEGIN NULL; END; END;");
  Exec("DECLARE x NUMBER; BEGIN NULL; END;");
  const struct {
    const char *sql;
    int error;
  } refused[] = {
      {"BEGIN", 6550},
      {"BEGIN END;", 6550},
      {"BEGIN IF 1 THEN NULL; END IF; END;", 6550},
      {"BEGIN INSERT INTO nowhere VALUES (1); END;", 942},
      {"END", 900},
  };
  for (const auto &r : refused) {
    EXPECT_EQ(s.Run(r.sql), OCI_ERROR) << r.sql;
    EXPECT_EQ(s.ErrorCode(), r.error) << r.sql << ": " << s.ErrorText();
  }
}

TEST_F(EngineStatement, FetchWithoutAQueryFails) {
  OCIStmt *stmt = s.NewStatement();
  EXPECT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 24338);
  EXPECT_EQ(Execute(stmt, 1), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 24337);
  Exec("CREATE TABLE t (a INT)");
  OCIStmt *query = Prepared("SELECT a FROM t");
  ASSERT_EQ(Execute(query, 0), OCI_SUCCESS);
  EXPECT_EQ(OCIStmtFetch(query, s.err, 1, OCI_FETCH_PRIOR, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 24391);
}

// Declared types and the vendor's describe: code, size, precision, scale.
TEST_F(EngineStatement, DescribeMapsDeclaredTypes) {
  const struct {
    const char *declared;
    ub2 type;
    ub2 size;
    sb2 precision;
    sb1 scale;
  } cases[] = {
      {"VARCHAR2(30)", SQLT_CHR, 30, 0, 0},
      {"VARCHAR(7)", SQLT_CHR, 7, 0, 0},
      {"NVARCHAR2(5)", SQLT_CHR, 5, 0, 0},
      {"CHAR(10)", SQLT_AFC, 10, 0, 0},
      {"NCHAR(3)", SQLT_AFC, 3, 0, 0},
      {"NUMBER(12,2)", SQLT_NUM, 22, 12, 2},
      {"NUMBER(10)", SQLT_NUM, 22, 10, 0},
      {"number ( 5 , -2 )", SQLT_NUM, 22, 5, -2},
      {"NUMBER", SQLT_NUM, 22, 0, -127},
      {"FLOAT", SQLT_NUM, 22, 126, -127},
      {"NUMERIC(8,3)", SQLT_NUM, 22, 8, 3},
      {"DECIMAL", SQLT_NUM, 22, 38, 0},
      {"INTEGER", SQLT_NUM, 22, 38, 0},
      {"INT", SQLT_NUM, 22, 38, 0},
      {"SMALLINT", SQLT_NUM, 22, 38, 0},
      {"PLS_INTEGER", SQLT_INT, 4, 0, 0},
      {"BINARY_INTEGER", SQLT_INT, 4, 0, 0},
      {"BINARY_DOUBLE", SQLT_FLT, 8, 0, 0},
      {"BINARY_FLOAT", SQLT_FLT, 8, 0, 0},
      {"DOUBLE", SQLT_FLT, 8, 0, 0},
      {"REAL", SQLT_FLT, 8, 0, 0},
      {"BLOB", SQLT_BLOB, 4000, 0, 0},
      {"CLOB", SQLT_CLOB, 4000, 0, 0},
      {"DATE", SQLT_DAT, 7, 0, 0},
      {"TIMESTAMP", SQLT_TIMESTAMP, 11, 0, 6},
      {"RAW(16)", SQLT_BIN, 16, 0, 0},
      {"TEXT", SQLT_CHR, 4000, 0, 0},
      {"BIGINT", SQLT_NUM, 22, 38, 0},
  };
  std::string create = "CREATE TABLE types (";
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    create += (i ? ", c" : "c") + std::to_string(i) + " " + cases[i].declared;
  }
  Exec(create + ")");
  OCIStmt *stmt = Prepared("SELECT * FROM types");
  ASSERT_EQ(Execute(stmt, 0), OCI_SUCCESS) << s.ErrorText();
  ASSERT_EQ(Attr<ub4>(stmt, OCI_HTYPE_STMT, OCI_ATTR_PARAM_COUNT),
            sizeof cases / sizeof cases[0]);
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    OCIParam *param = nullptr;
    ASSERT_EQ(OCIParamGet(stmt, OCI_HTYPE_STMT, s.err, reinterpret_cast<dvoid **>(&param),
                          static_cast<ub4>(i + 1)),
              OCI_SUCCESS);
    const auto &c = cases[i];
    EXPECT_EQ(Attr<ub2>(param, OCI_DTYPE_PARAM, OCI_ATTR_DATA_TYPE), c.type) << c.declared;
    EXPECT_EQ(Attr<ub2>(param, OCI_DTYPE_PARAM, OCI_ATTR_DATA_SIZE), c.size) << c.declared;
    EXPECT_EQ(Attr<sb2>(param, OCI_DTYPE_PARAM, OCI_ATTR_PRECISION), c.precision) << c.declared;
    EXPECT_EQ(Attr<sb1>(param, OCI_DTYPE_PARAM, OCI_ATTR_SCALE), c.scale) << c.declared;
  }
}

// An expression describes by its Oracle type, rows or none.
TEST_F(EngineStatement, ExpressionsDescribeByTheirType) {
  Exec("CREATE TABLE t (a NUMBER(10))");
  const struct {
    const char *select;
    ub2 type;
    ub2 size;
    sb1 scale;
  } cases[] = {
      {"SELECT 1 + 1 FROM dual", SQLT_NUM, 22, -127},
      {"SELECT 2.5 * 2 FROM dual", SQLT_NUM, 22, -127},
      {"SELECT 'ab' || 'c' FROM dual", SQLT_CHR, 3, 0},
      {"SELECT NULL FROM dual", SQLT_CHR, 0, 0},
      {"SELECT count(*) + 1 FROM t WHERE 1 = 0", SQLT_NUM, 22, -127},
      {"SELECT a * 2 FROM t", SQLT_NUM, 22, -127},  // no row to look at
      {"SELECT SYSDATE + 1 FROM t", SQLT_DAT, 7, 0},
  };
  for (const auto &c : cases) {
    OCIStmt *stmt = Prepared(c.select);
    ASSERT_EQ(Execute(stmt, 0), OCI_SUCCESS) << c.select << ": " << s.ErrorText();
    OCIParam *param = nullptr;
    ASSERT_EQ(OCIParamGet(stmt, OCI_HTYPE_STMT, s.err, reinterpret_cast<dvoid **>(&param), 1),
              OCI_SUCCESS);
    EXPECT_EQ(Attr<ub2>(param, OCI_DTYPE_PARAM, OCI_ATTR_DATA_TYPE), c.type) << c.select;
    EXPECT_EQ(Attr<ub2>(param, OCI_DTYPE_PARAM, OCI_ATTR_DATA_SIZE), c.size) << c.select;
    EXPECT_EQ(Attr<sb1>(param, OCI_DTYPE_PARAM, OCI_ATTR_SCALE), c.scale) << c.select;
  }
}

TEST_F(EngineStatement, NamesAreUpperCaseUnlessQuoted) {
  Exec("CREATE TABLE t (price NUMBER, \"Mixed\" NUMBER, nullable_col INT NOT NULL)");
  OCIStmt *stmt = Prepared(
      "SELECT price, \"Mixed\", price AS \"Net Price\", price total, count(*), "
      "nullable_col FROM t GROUP BY price, \"Mixed\", nullable_col");
  ASSERT_EQ(Execute(stmt, 0), OCI_SUCCESS) << s.ErrorText();
  const char *expected[] = {"PRICE", "Mixed", "Net Price", "TOTAL", "COUNT(*)",
                            "NULLABLE_COL"};
  for (ub4 i = 0; i < 6; ++i) {
    OCIParam *param = nullptr;
    ASSERT_EQ(OCIParamGet(stmt, OCI_HTYPE_STMT, s.err, reinterpret_cast<dvoid **>(&param),
                          i + 1),
              OCI_SUCCESS);
    OraText *name = nullptr;
    ub4 length = 0;
    ASSERT_EQ(OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &length, OCI_ATTR_NAME, s.err),
              OCI_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(name), length), expected[i]);
  }
  OCIParam *last = nullptr;
  OCIParamGet(stmt, OCI_HTYPE_STMT, s.err, reinterpret_cast<dvoid **>(&last), 6);
  EXPECT_EQ(Attr<ub1>(last, OCI_DTYPE_PARAM, OCI_ATTR_IS_NULL), 0);
}

TEST_F(EngineStatement, ParamDescriptorsAreOnePerPositionAndBounded) {
  Exec("CREATE TABLE t (a INT, b INT)");
  OCIStmt *stmt = Prepared("SELECT a, b FROM t");
  ASSERT_EQ(Execute(stmt, 0), OCI_SUCCESS);
  OCIParam *first = nullptr;
  OCIParam *again = nullptr;
  ASSERT_EQ(OCIParamGet(stmt, OCI_HTYPE_STMT, s.err, reinterpret_cast<dvoid **>(&first), 2),
            OCI_SUCCESS);
  ASSERT_EQ(Execute(stmt, 0), OCI_SUCCESS);
  ASSERT_EQ(OCIParamGet(stmt, OCI_HTYPE_STMT, s.err, reinterpret_cast<dvoid **>(&again), 2),
            OCI_SUCCESS);
  EXPECT_EQ(first, again);
  for (ub4 bad : {0u, 3u, 1000u}) {
    OCIParam *param = nullptr;
    EXPECT_EQ(OCIParamGet(stmt, OCI_HTYPE_STMT, s.err, reinterpret_cast<dvoid **>(&param), bad),
              OCI_ERROR);
    EXPECT_EQ(s.ErrorCode(), 24334);
  }
  // Released with the statement: the descriptor is then an invalid handle.
  ASSERT_EQ(OCIHandleFree(stmt, OCI_HTYPE_STMT), OCI_SUCCESS);
  ub2 type = 0;
  EXPECT_EQ(OCIAttrGet(first, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err),
            OCI_INVALID_HANDLE);
}

}  // namespace
