// Defines of every external type the library uses, fetched from real rows:
// values, NULL indicators, truncation and conversion failures, and BLOB
// locators filled with their row's identity.
#include <string.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Session;
using engine_test::TempDir;

class EngineDefine : public ::testing::Test {
 protected:
  EngineDefine() : s(dir.CreateLink("d.db")) {}
  void SetUp() override {
    ASSERT_TRUE(s.ok()) << s.ErrorText();
    ASSERT_EQ(s.Run("CREATE TABLE v (n NUMBER(12,2), i NUMBER(10), t VARCHAR2(10), "
                    "c CHAR(5), d BINARY_DOUBLE, p PLS_INTEGER, z VARCHAR2(10))"),
              OCI_SUCCESS);
    ASSERT_EQ(s.Run("INSERT INTO v VALUES (12.5, -3000000000, 'hello', 'ab', 0.25, 42, "
                    "NULL)"),
              OCI_SUCCESS)
        << s.ErrorText();
  }

  // Executes `select` and defines column 1 into `buffer`.
  sword FetchOne(const char *select, void *buffer, sb4 size, ub2 type, sb2 *indicator,
                 ub2 *length = nullptr, ub2 *code = nullptr) {
    stmt = s.NewStatement();
    OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(select),
                   static_cast<ub4>(strlen(select)), OCI_NTV_SYNTAX, OCI_DEFAULT);
    EXPECT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS)
        << select << ": " << s.ErrorText();
    OCIDefine *define = nullptr;
    EXPECT_EQ(OCIDefineByPos(stmt, &define, s.err, 1, buffer, size, type, indicator, length,
                             code, OCI_DEFAULT),
              OCI_SUCCESS);
    return OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
  }

  TempDir dir;
  Session s;
  OCIStmt *stmt = nullptr;
};

TEST_F(EngineDefine, TextTypesFiveAndOne) {
  char buffer[16];
  sb2 indicator = 5;
  ub2 length = 0;
  memset(buffer, '#', sizeof buffer);
  ASSERT_EQ(FetchOne("SELECT t FROM v", buffer, 11, SQLT_STR, &indicator, &length),
            OCI_SUCCESS);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_EQ(indicator, 0);
  memset(buffer, '#', sizeof buffer);
  ASSERT_EQ(FetchOne("SELECT t FROM v", buffer, 11, SQLT_CHR, &indicator, &length),
            OCI_SUCCESS);
  EXPECT_EQ(std::string(buffer, length), "hello");
  // CHAR(n) comes back blank-padded to n; numbers in the vendor's text form.
  ASSERT_EQ(FetchOne("SELECT c FROM v", buffer, 6, SQLT_STR, &indicator), OCI_SUCCESS);
  EXPECT_STREQ(buffer, "ab   ");
  ASSERT_EQ(FetchOne("SELECT n FROM v", buffer, 16, SQLT_STR, &indicator), OCI_SUCCESS);
  EXPECT_STREQ(buffer, "12.5");
  ASSERT_EQ(FetchOne("SELECT d FROM v", buffer, 16, SQLT_STR, &indicator), OCI_SUCCESS);
  EXPECT_STREQ(buffer, ".25");
}

TEST_F(EngineDefine, TruncatedTextWarnsWith1406) {
  char buffer[4];
  sb2 indicator = 0;
  EXPECT_EQ(FetchOne("SELECT t FROM v", buffer, 4, SQLT_STR, &indicator),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_STREQ(buffer, "hel");
  EXPECT_EQ(indicator, 5);  // the full length
  EXPECT_EQ(s.ErrorCode(), 1406);
  // The cursor goes on.
  EXPECT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
}

TEST_F(EngineDefine, NumberTypesSixAndTwo) {
  OCINumber number;
  sb2 indicator = 0;
  ASSERT_EQ(FetchOne("SELECT n FROM v", &number, 22, SQLT_VNU, &indicator), OCI_SUCCESS);
  const ub1 twelveAndAHalf[] = {3, 0xC1, 0x0D, 0x33};
  EXPECT_EQ(memcmp(number.OCINumberPart, twelveAndAHalf, 4), 0);
  double value = 0;
  ASSERT_EQ(OCINumberToReal(s.err, &number, 8, &value), OCI_SUCCESS);
  EXPECT_EQ(value, 12.5);

  ub1 bare[21];
  ASSERT_EQ(FetchOne("SELECT n FROM v", bare, 21, SQLT_NUM, &indicator), OCI_SUCCESS);
  EXPECT_EQ(memcmp(bare, twelveAndAHalf + 1, 3), 0);
}

TEST_F(EngineDefine, IntegerAndFloatWidths) {
  sb2 indicator = 0;
  int32_t i32 = 0;
  ASSERT_EQ(FetchOne("SELECT p FROM v", &i32, 4, SQLT_INT, &indicator), OCI_SUCCESS);
  EXPECT_EQ(i32, 42);
  int64_t i64 = 0;
  ASSERT_EQ(FetchOne("SELECT i FROM v", &i64, 8, SQLT_INT, &indicator), OCI_SUCCESS);
  EXPECT_EQ(i64, -3000000000LL);
  EXPECT_EQ(FetchOne("SELECT i FROM v", &i32, 4, SQLT_INT, &indicator), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1455);
  double d = 0;
  ASSERT_EQ(FetchOne("SELECT d FROM v", &d, 8, SQLT_FLT, &indicator), OCI_SUCCESS);
  EXPECT_EQ(d, 0.25);
  float f = 0;
  ASSERT_EQ(FetchOne("SELECT n FROM v", &f, 4, SQLT_FLT, &indicator), OCI_SUCCESS);
  EXPECT_EQ(f, 12.5f);
}

TEST_F(EngineDefine, NullSetsTheIndicatorForEveryType) {
  const struct {
    ub2 type;
    sb4 size;
  } types[] = {{SQLT_STR, 11}, {SQLT_CHR, 10}, {SQLT_VNU, 22}, {SQLT_NUM, 21},
               {SQLT_INT, 4},  {SQLT_FLT, 8}};
  for (const auto &t : types) {
    unsigned char buffer[32];
    sb2 indicator = 0;
    ASSERT_EQ(FetchOne("SELECT z FROM v", buffer, t.size, t.type, &indicator), OCI_SUCCESS)
        << t.type;
    EXPECT_EQ(indicator, -1) << t.type;
  }
}

TEST_F(EngineDefine, TextThatIsNoNumberFailsWith1722) {
  for (ub2 type : {SQLT_VNU, SQLT_INT, SQLT_FLT}) {
    unsigned char buffer[32];
    sb2 indicator = 0;
    EXPECT_EQ(FetchOne("SELECT t FROM v", buffer, type == SQLT_VNU ? 22 : 8, type, &indicator),
              OCI_ERROR);
    EXPECT_EQ(s.ErrorCode(), 1722) << type;
  }
}

TEST_F(EngineDefine, DefinesAreReusedAndChecked) {
  ASSERT_EQ(s.Run("INSERT INTO v (i) VALUES (7)"), OCI_SUCCESS);
  OCIStmt *query = s.NewStatement();
  const char *sql = "SELECT i, t FROM v ORDER BY i";
  OCIStmtPrepare(query, s.err, reinterpret_cast<const OraText *>(sql),
                 static_cast<ub4>(strlen(sql)), OCI_NTV_SYNTAX, OCI_DEFAULT);
  ASSERT_EQ(OCIStmtExecute(s.svc, query, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  int64_t first = 0;
  int64_t second = 0;
  OCIDefine *define = nullptr;
  ASSERT_EQ(OCIDefineByPos(query, &define, s.err, 1, &first, 8, SQLT_INT, nullptr, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  OCIDefine *const allocated = define;
  ASSERT_EQ(OCIDefineByPos(query, &define, s.err, 1, &second, 8, SQLT_INT, nullptr, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(define, allocated);  // reused, now pointing at `second`
  ASSERT_EQ(OCIStmtFetch(query, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, -3000000000LL);

  OCIDefine *beyond = nullptr;
  char text[8];
  ASSERT_EQ(OCIDefineByPos(query, &beyond, s.err, 3, text, 8, SQLT_STR, nullptr, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(OCIStmtFetch(query, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1007);

  OCIDefine *wrong = reinterpret_cast<OCIDefine *>(s.err);  // not a define
  EXPECT_EQ(OCIDefineByPos(query, &wrong, s.err, 1, &first, 8, SQLT_INT, nullptr, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_INVALID_HANDLE);
  OCIDefine *fresh = nullptr;
  EXPECT_EQ(OCIDefineByPos(query, &fresh, s.err, 1, &first, 8, SQLT_PDN, nullptr, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 932);
}

// A DATE column as text takes the session's format; as external types 12
// and 156 it is the vendor's 7-byte form and an OCIDate.
TEST_F(EngineDefine, DatesAsTextSevenBytesAndOCIDate) {
  ASSERT_EQ(s.Run("CREATE TABLE w (d DATE, ts TIMESTAMP(3))"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO w VALUES (TO_DATE('1980-12-17 13:05:09', "
                  "'YYYY-MM-DD HH24:MI:SS'), TO_TIMESTAMP('2024-01-05 01:02:03.5', "
                  "'YYYY-MM-DD HH24:MI:SS.FF'))"),
            OCI_SUCCESS)
      << s.ErrorText();
  char text[40];
  sb2 indicator = 0;
  ASSERT_EQ(FetchOne("SELECT d FROM w", text, sizeof text, SQLT_STR, &indicator), OCI_SUCCESS);
  EXPECT_STREQ(text, "17-DEC-80");
  ASSERT_EQ(FetchOne("SELECT ts FROM w", text, sizeof text, SQLT_STR, &indicator), OCI_SUCCESS);
  EXPECT_STREQ(text, "05-JAN-24 01.02.03.500000000 AM");
  ASSERT_EQ(s.Run("ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY-MM-DD HH24:MI:SS'"), OCI_SUCCESS);
  ASSERT_EQ(FetchOne("SELECT d FROM w", text, sizeof text, SQLT_STR, &indicator), OCI_SUCCESS);
  EXPECT_STREQ(text, "1980-12-17 13:05:09");

  ub1 seven[7] = {};
  ASSERT_EQ(FetchOne("SELECT d FROM w", seven, 7, SQLT_DAT, &indicator), OCI_SUCCESS);
  const ub1 expected[7] = {119, 180, 12, 17, 14, 6, 10};
  EXPECT_EQ(memcmp(seven, expected, 7), 0);
  OCIDate date{};
  ASSERT_EQ(FetchOne("SELECT d FROM w", &date, sizeof date, SQLT_ODT, &indicator), OCI_SUCCESS);
  EXPECT_EQ(date.OCIDateYYYY, 1980);
  EXPECT_EQ(date.OCIDateMM, 12);
  EXPECT_EQ(date.OCIDateDD, 17);
  EXPECT_EQ(date.OCIDateTime.OCITimeHH, 13);
  EXPECT_EQ(FetchOne("SELECT 'no date' FROM w", &date, sizeof date, SQLT_ODT, &indicator),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 932);

  // Type 187 into a TIMESTAMP descriptor: the date, the time and the
  // nanoseconds; from a DATE the fraction is 0. Only date columns.
  OCIDateTime *stamp = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(s.env, reinterpret_cast<dvoid **>(&stamp), OCI_DTYPE_TIMESTAMP,
                               0, nullptr),
            OCI_SUCCESS);
  sb2 year = 0;
  ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
  ub4 fraction = 7;
  EXPECT_EQ(OCIDateTimeGetDate(s.env, s.err, stamp, &year, &month, &day), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1891);  // nothing fetched into it yet
  const struct {
    const char *select;
    int year, month, day, hour, minute, second;
    ub4 fraction;
  } stamps[] = {
      {"SELECT ts FROM w", 2024, 1, 5, 1, 2, 3, 500000000},
      {"SELECT d FROM w", 1980, 12, 17, 13, 5, 9, 0},
  };
  for (const auto &c : stamps) {
    SCOPED_TRACE(c.select);
    ASSERT_EQ(FetchOne(c.select, &stamp, 0, SQLT_TIMESTAMP, &indicator), OCI_SUCCESS)
        << s.ErrorText();
    ASSERT_EQ(OCIDateTimeGetDate(s.env, s.err, stamp, &year, &month, &day), OCI_SUCCESS);
    ASSERT_EQ(OCIDateTimeGetTime(s.env, s.err, stamp, &hour, &minute, &second, &fraction),
              OCI_SUCCESS);
    EXPECT_EQ(std::vector<int>({year, month, day, hour, minute, second}),
              std::vector<int>({c.year, c.month, c.day, c.hour, c.minute, c.second}));
    EXPECT_EQ(fraction, c.fraction);
  }
  stmt = s.NewStatement();
  const char *text_column = "SELECT 'no date' FROM w";
  OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>(text_column),
                 static_cast<ub4>(strlen(text_column)), OCI_NTV_SYNTAX, OCI_DEFAULT);
  ASSERT_EQ(OCIStmtExecute(s.svc, stmt, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  OCIDefine *define = nullptr;
  ASSERT_EQ(OCIDefineByPos(stmt, &define, s.err, 1, &stamp, 0, SQLT_TIMESTAMP, &indicator,
                           nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(OCIStmtFetch(stmt, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 932);
  EXPECT_EQ(OCIDescriptorFree(stamp, OCI_DTYPE_TIMESTAMP), OCI_SUCCESS);
}

TEST_F(EngineDefine, BlobLocatorsNameTheirRows) {
  ASSERT_EQ(s.Run("CREATE TABLE docs (id NUMBER(10), body BLOB)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("BEGIN INSERT INTO docs VALUES (1, HEXTORAW('0102')); "
                  "INSERT INTO docs VALUES (2, NULL); END;"),
            OCI_SUCCESS)
      << s.ErrorText();
  OCILobLocator *lob = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(s.env, reinterpret_cast<dvoid **>(&lob), OCI_DTYPE_LOB, 0,
                               nullptr),
            OCI_SUCCESS);
  OCIStmt *query = s.NewStatement();
  const char *sql = "SELECT d.body FROM docs d ORDER BY d.id";
  OCIStmtPrepare(query, s.err, reinterpret_cast<const OraText *>(sql),
                 static_cast<ub4>(strlen(sql)), OCI_NTV_SYNTAX, OCI_DEFAULT);
  ASSERT_EQ(OCIStmtExecute(s.svc, query, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS)
      << s.ErrorText();
  ub4 columns = 0;
  OCIAttrGet(query, OCI_HTYPE_STMT, &columns, nullptr, OCI_ATTR_PARAM_COUNT, s.err);
  EXPECT_EQ(columns, 1u);  // the hidden row identity is not described
  sb2 indicator = 5;
  OCIDefine *define = nullptr;
  ASSERT_EQ(OCIDefineByPos(query, &define, s.err, 1, &lob, 0, SQLT_BLOB, &indicator, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtFetch(query, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS)
      << s.ErrorText();
  EXPECT_EQ(indicator, 0);
  ASSERT_EQ(OCIStmtFetch(query, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(indicator, -1);
  // The locator of a NULL value designates no value.
  ub4 length = 0;
  EXPECT_EQ(OCILobGetLength(s.svc, s.err, lob, &length), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22275);

  // A freed locator is refused by the fetch, never written.
  ASSERT_EQ(OCIStmtExecute(s.svc, query, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIDescriptorFree(lob, OCI_DTYPE_LOB), OCI_SUCCESS);
  EXPECT_EQ(OCIStmtFetch(query, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 22275);
}

}  // namespace
