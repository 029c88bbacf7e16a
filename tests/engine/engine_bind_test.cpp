// Binds through OCIBindByPos and OCIBindByName on real statements: every
// external type, NULL indicators, placeholder names and positions, caller
// memory read at each execution, array execution, and the failures.
#include <math.h>
#include <string.h>

#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Cell;
using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

class EngineBind : public ::testing::Test {
 protected:
  EngineBind() : s(dir.CreateLink("b.db")) {}
  void SetUp() override {
    ASSERT_TRUE(s.ok()) << s.ErrorText();
    // No declared type: each value keeps the storage class it was bound with.
    Exec("CREATE TABLE v (id INTEGER, x)");
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
  sword Execute(OCIStmt *stmt, ub4 iters = 1) {
    return OCIStmtExecute(s.svc, stmt, s.err, iters, 0, nullptr, nullptr, OCI_DEFAULT);
  }
  sword ByPos(OCIStmt *stmt, ub4 position, const void *value, sb4 size, ub2 type,
              sb2 *indicator = nullptr, OCIBind **bind = nullptr, ub2 *length = nullptr) {
    OCIBind *local = nullptr;
    return OCIBindByPos(stmt, bind ? bind : &local, s.err, position, const_cast<void *>(value),
                        size, type, indicator, length, nullptr, 0, nullptr, OCI_DEFAULT);
  }
  sword ByName(OCIStmt *stmt, const char *name, const void *value, sb4 size, ub2 type,
               sb2 *indicator = nullptr, OCIBind **bind = nullptr) {
    OCIBind *local = nullptr;
    return OCIBindByName(stmt, bind ? bind : &local, s.err,
                         reinterpret_cast<const OraText *>(name), -1, const_cast<void *>(value),
                         size, type, indicator, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
  }
  // The value of row `id` as text (bytes in hex), with its SQLite storage
  // class.
  std::string Stored(int id) {
    const Rows rows = s.Query("SELECT typeof(x) || ':' || CASE typeof(x) WHEN 'blob' THEN RAWTOHEX(x) "
                              "ELSE coalesce(x, 'null') END FROM v WHERE id = " +
                              std::to_string(id));
    return rows.size() == 1 && rows[0][0] ? *rows[0][0] : "<no row>";
  }

  TempDir dir;
  Session s;
};

struct TypeCase {
  const char *what;
  std::vector<unsigned char> bytes;
  ub2 type;
  const char *stored;
};

std::vector<unsigned char> Bytes(const void *p, size_t n) {
  const auto *b = static_cast<const unsigned char *>(p);
  return std::vector<unsigned char>(b, b + n);
}

template <typename T>
std::vector<unsigned char> Of(T v) {
  return Bytes(&v, sizeof v);
}

TEST_F(EngineBind, EveryExternalTypeStoresItsValue) {
  std::vector<unsigned char> zeroPadded = {0xC1, 0x0D, 0x33};  // 12.5, type 2
  zeroPadded.resize(21, 0);
  const TypeCase cases[] = {
      {"text, type 1", Bytes("hello", 5), SQLT_CHR, "text:hello"},
      {"text, type 5 stops at the NUL", Bytes("hi\0xx", 5), SQLT_STR, "text:hi"},
      {"text, type 5 without a NUL", Bytes("abc", 3), SQLT_STR, "text:abc"},
      {"empty text is NULL", Bytes("\0", 1), SQLT_STR, "null:null"},
      {"int8", Of<int8_t>(-5), SQLT_INT, "integer:-5"},
      {"int16", Of<int16_t>(-300), SQLT_INT, "integer:-300"},
      {"int32", Of<int32_t>(70000), SQLT_INT, "integer:70000"},
      {"int64, exact", Of<int64_t>(9007199254740993), SQLT_INT, "integer:9007199254740993"},
      {"float", Of<float>(0.5f), SQLT_FLT, "real:.5"},
      {"double", Of<double>(-12.25), SQLT_FLT, "real:-12.25"},
      {"VARNUM 12.5", {0x03, 0xC1, 0x0D, 0x33}, SQLT_VNU, "real:12.5"},
      {"VARNUM -3.9", {0x04, 0x3E, 0x62, 0x0B, 0x66}, SQLT_VNU, "real:-3.9"},
      {"VARNUM 3000000000, whole", {0x02, 0xC5, 0x1F}, SQLT_VNU, "integer:3000000000"},
      {"VARNUM 0", {0x01, 0x80}, SQLT_VNU, "integer:0"},
      {"NUMBER -1", {0x3E, 0x64, 0x66}, SQLT_NUM, "integer:-1"},
      {"NUMBER in a zero-filled buffer", zeroPadded, SQLT_NUM, "real:12.5"},
      {"7-byte DATE", {120, 124, 2, 29, 24, 60, 60}, SQLT_DAT, "text:2024-02-29 23:59:59"},
      {"7-byte DATE before Christ", {53, 88, 1, 1, 1, 1, 1}, SQLT_DAT,
       "text:-4712-01-01 00:00:00"},
      {"OCIDate", Of(OCIDate{1999, 12, 31, {8, 30, 5}}), SQLT_ODT, "text:1999-12-31 08:30:05"},
      {"bytes, type 23", {0x00, 0x27, 0xFF}, SQLT_BIN, "blob:0027FF"},
      {"no bytes are NULL", {}, SQLT_BIN, "null:null"},
      {"bytes, type 24", {0x41}, 24, "blob:41"},
  };
  int id = 0;
  for (const TypeCase &c : cases) {
    SCOPED_TRACE(c.what);
    ++id;
    OCIStmt *stmt = Prepared("INSERT INTO v VALUES (:id, :x)");
    ASSERT_EQ(ByName(stmt, ":id", &id, sizeof id, SQLT_INT), OCI_SUCCESS) << s.ErrorText();
    ASSERT_EQ(ByName(stmt, ":x", c.bytes.data(), static_cast<sb4>(c.bytes.size()), c.type),
              OCI_SUCCESS)
        << s.ErrorText();
    ASSERT_EQ(Execute(stmt), OCI_SUCCESS) << s.ErrorText();
    EXPECT_EQ(Stored(id), c.stored);
  }
}

TEST_F(EngineBind, LargeIntegersStayExactThroughNumbers) {
  // Every 64-bit integer encodes exactly; a bound NUMBER of it must decode
  // to the same integer, not to the nearest double.
  const int64_t values[] = {std::numeric_limits<int64_t>::max(),
                            std::numeric_limits<int64_t>::min(), 9007199254740993};
  int id = 0;
  for (int64_t value : values) {
    OCINumber number;
    ASSERT_EQ(OCINumberFromInt(s.err, &value, sizeof value, OCI_NUMBER_SIGNED, &number),
              OCI_SUCCESS);
    OCIStmt *stmt = Prepared("INSERT INTO v VALUES (:1, :2)");
    ++id;
    ASSERT_EQ(ByPos(stmt, 1, &id, sizeof id, SQLT_INT), OCI_SUCCESS);
    ASSERT_EQ(ByPos(stmt, 2, number.OCINumberPart, sizeof number, SQLT_VNU), OCI_SUCCESS);
    ASSERT_EQ(Execute(stmt), OCI_SUCCESS) << s.ErrorText();
    EXPECT_EQ(Stored(id), "integer:" + std::to_string(value));
  }
}

TEST_F(EngineBind, ActualLengthAndIndicator) {
  OCIStmt *stmt = Prepared("INSERT INTO v VALUES (:id, :x)");
  int id = 1;
  char text[] = "hello";
  ub2 length = 3;
  sb2 indicator = 0;
  ASSERT_EQ(ByPos(stmt, 1, &id, sizeof id, SQLT_INT), OCI_SUCCESS);
  ASSERT_EQ(ByPos(stmt, 2, text, 5, SQLT_CHR, &indicator, nullptr, &length), OCI_SUCCESS);
  ASSERT_EQ(Execute(stmt), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(Stored(1), "text:hel");
  id = 2;
  indicator = -1;  // NULL, whatever the buffer holds
  ASSERT_EQ(Execute(stmt), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(Stored(2), "null:null");
}

TEST_F(EngineBind, CallerMemoryIsReadAtEachExecution) {
  OCIStmt *stmt = Prepared("INSERT INTO v VALUES (:id, :x)");
  int id = 1;
  char text[8] = "first";
  ASSERT_EQ(ByName(stmt, ":ID", &id, sizeof id, SQLT_INT), OCI_SUCCESS);
  ASSERT_EQ(ByName(stmt, ":x", text, sizeof text, SQLT_STR), OCI_SUCCESS);
  ASSERT_EQ(Execute(stmt), OCI_SUCCESS);
  id = 2;
  strcpy(text, "second");
  ASSERT_EQ(Execute(stmt), OCI_SUCCESS);
  EXPECT_EQ(Stored(1), "text:first");
  EXPECT_EQ(Stored(2), "text:second");

  // A query re-executed with new values sees them, also when the engine
  // prepares it again with the hidden row identity of a BLOB column.
  Exec("CREATE TABLE d (id INTEGER, body BLOB)");
  Exec("INSERT INTO d VALUES (1, HEXTORAW('01'))");
  Exec("INSERT INTO d VALUES (2, HEXTORAW('0203'))");
  OCIStmt *query = Prepared("SELECT length(body) FROM d WHERE id = :id");
  id = 1;
  ASSERT_EQ(ByName(query, ":id", &id, sizeof id, SQLT_INT), OCI_SUCCESS);
  int length = 0;
  OCIDefine *define = nullptr;
  ASSERT_EQ(Execute(query, 0), OCI_SUCCESS) << s.ErrorText();
  ASSERT_EQ(OCIDefineByPos(query, &define, s.err, 1, &length, sizeof length, SQLT_INT,
                           nullptr, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtFetch(query, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(length, 1);
  id = 2;
  ASSERT_EQ(Execute(query, 1), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(length, 2);

  OCIStmt *blobs = Prepared("SELECT body FROM d WHERE id = :id");
  ASSERT_EQ(ByName(blobs, ":id", &id, sizeof id, SQLT_INT), OCI_SUCCESS);
  ASSERT_EQ(Execute(blobs, 0), OCI_SUCCESS) << s.ErrorText();
  char hex[8];
  define = nullptr;
  ASSERT_EQ(OCIDefineByPos(blobs, &define, s.err, 1, hex, sizeof hex, SQLT_STR, nullptr,
                           nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtFetch(blobs, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_STREQ(hex, "0203");

  // A query's rows keep the values of its execution, however the caller's
  // memory changes between fetches (DML may read it in place; a query may not).
  OCIStmt *kept = Prepared("SELECT id FROM v WHERE :x = 'first' ORDER BY id");
  strcpy(text, "first");
  ASSERT_EQ(ByName(kept, ":x", text, sizeof text, SQLT_STR), OCI_SUCCESS);
  ASSERT_EQ(Execute(kept, 0), OCI_SUCCESS) << s.ErrorText();
  define = nullptr;
  ASSERT_EQ(OCIDefineByPos(kept, &define, s.err, 1, &id, sizeof id, SQLT_INT, nullptr, nullptr,
                           nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(OCIStmtFetch(kept, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(id, 1);
  strcpy(text, "other");
  ASSERT_EQ(OCIStmtFetch(kept, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(id, 2);
}

TEST_F(EngineBind, BindingAgainReplacesTheEarlierBind) {
  OCIStmt *stmt = Prepared("INSERT INTO v VALUES (1, :x)");
  const int first = 10;
  const int second = 20;
  OCIBind *a = nullptr;
  OCIBind *b = nullptr;
  ASSERT_EQ(ByName(stmt, ":x", &first, sizeof first, SQLT_INT, nullptr, &a), OCI_SUCCESS);
  ASSERT_EQ(ByPos(stmt, 1, &second, sizeof second, SQLT_INT, nullptr, &b), OCI_SUCCESS);
  EXPECT_EQ(a, b);  // the placeholder's handle, reused: binding in a loop does not grow
  ASSERT_EQ(Execute(stmt), OCI_SUCCESS);
  EXPECT_EQ(Stored(1), "integer:20");

  // Preparing again forgets the binds: the new text must be bound anew.
  ASSERT_EQ(OCIStmtPrepare(stmt, s.err, reinterpret_cast<const OraText *>("INSERT INTO v VALUES (2, :x)"),
                           28, OCI_NTV_SYNTAX, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(Execute(stmt), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1008);
  // A handle of another statement is not this statement's to reuse.
  OCIStmt *other = Prepared("SELECT :y FROM dual");
  EXPECT_EQ(ByName(other, ":y", &first, sizeof first, SQLT_INT, nullptr, &a),
            OCI_INVALID_HANDLE);
}

TEST_F(EngineBind, PlaceholderNamesAndPositions) {
  // Names compare case-insensitively, with or without the colon; :1 is a
  // name too, and position 1.
  OCIStmt *stmt = Prepared("INSERT INTO v VALUES (:1, :Value)");
  const int id = 1;
  const int value = 5;
  ASSERT_EQ(ByName(stmt, "1", &id, sizeof id, SQLT_INT), OCI_SUCCESS) << s.ErrorText();
  ASSERT_EQ(ByName(stmt, "VALUE", &value, sizeof value, SQLT_INT), OCI_SUCCESS);
  ASSERT_EQ(Execute(stmt), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(Stored(1), "integer:5");

  // In SQL every occurrence is a position; a name used twice is one value.
  stmt = Prepared("INSERT INTO v SELECT :a, :b + :A FROM dual");
  const int two = 2;
  const int three = 3;
  ASSERT_EQ(ByPos(stmt, 1, &two, sizeof two, SQLT_INT), OCI_SUCCESS);
  ASSERT_EQ(ByPos(stmt, 2, &three, sizeof three, SQLT_INT), OCI_SUCCESS);
  EXPECT_EQ(ByPos(stmt, 3, &two, sizeof two, SQLT_INT), OCI_SUCCESS);
  EXPECT_EQ(ByPos(stmt, 4, &two, sizeof two, SQLT_INT), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1036);
  ASSERT_EQ(Execute(stmt), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(Stored(2), "integer:5");

  // In an anonymous block each name is one position, in every statement.
  stmt = Prepared("BEGIN INSERT INTO v VALUES (:n, 'a'); INSERT INTO v VALUES (:n + 1, :t); END;");
  const int n = 10;
  ASSERT_EQ(ByPos(stmt, 1, &n, sizeof n, SQLT_INT), OCI_SUCCESS);
  ASSERT_EQ(ByPos(stmt, 2, "b", 1, SQLT_CHR), OCI_SUCCESS);
  EXPECT_EQ(ByPos(stmt, 3, &n, sizeof n, SQLT_INT), OCI_ERROR);
  ASSERT_EQ(Execute(stmt), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(Stored(10), "text:a");
  EXPECT_EQ(Stored(11), "text:b");
}

TEST_F(EngineBind, Failures) {
  const int value = 1;
  // A name the statement does not contain, also one only inside a literal
  // or a comment, fails at bind time.
  OCIStmt *stmt = Prepared("INSERT INTO v VALUES (:id, ':x') -- :y");
  const char *missing[] = {":nope", ":x", ":y", "", ":"};
  for (const char *name : missing) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ByName(stmt, name, &value, sizeof value, SQLT_INT), OCI_ERROR);
    EXPECT_EQ(s.ErrorCode(), 1036);
  }
  EXPECT_EQ(ByPos(stmt, 0, &value, sizeof value, SQLT_INT), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1036);
  EXPECT_EQ(ByPos(stmt, 2, &value, sizeof value, SQLT_INT), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1036);
  // Unbound placeholders fail at execution rather than read as NULL.
  EXPECT_EQ(Execute(stmt), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1008);
  // ? is SQLite's placeholder, not Oracle's: a character Oracle refuses.
  EXPECT_EQ(Execute(Prepared("SELECT ? FROM dual"), 0), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 911);

  // Types and widths that cannot be bound.
  const struct {
    ub2 type;
    sb4 size;
    int code;
  } refused[] = {{SQLT_INT, 3, 932}, {SQLT_FLT, 2, 932}, {SQLT_DAT, 6, 932},
                 {SQLT_ODT, 7, 932}, {SQLT_BLOB, 8, 932}, {SQLT_CHR, -1, 21560}};
  for (const auto &r : refused) {
    SCOPED_TRACE(r.type);
    EXPECT_EQ(ByPos(stmt, 1, &value, r.size, r.type), OCI_ERROR);
    EXPECT_EQ(s.ErrorCode(), r.code);
  }
  OCIBind *bind = nullptr;
  EXPECT_EQ(OCIBindByPos(stmt, &bind, s.err, 1, const_cast<int *>(&value), sizeof value,
                         SQLT_INT, nullptr, nullptr, nullptr, 4, nullptr, OCI_DEFAULT),
            OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 3001);

  // Values that cannot be stored fail at execution.
  const unsigned char badNumber[] = {0x02, 0xC1, 0x00};
  ASSERT_EQ(ByName(stmt, ":id", badNumber, sizeof badNumber, SQLT_VNU), OCI_SUCCESS);
  EXPECT_EQ(Execute(stmt), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1722);
  const double nan = NAN;
  ASSERT_EQ(ByName(stmt, ":id", &nan, sizeof nan, SQLT_FLT), OCI_SUCCESS);
  EXPECT_EQ(Execute(stmt), OCI_ERROR);
  EXPECT_EQ(s.ErrorCode(), 1426);
  // Dates with a field out of range, each with the vendor's number for it.
  const struct {
    OCIDate date;
    int code;
  } badDates[] = {{{0, 1, 1, {0, 0, 0}}, 1841},   {{2023, 13, 1, {0, 0, 0}}, 1843},
                  {{2023, 2, 29, {0, 0, 0}}, 1847}, {{2023, 1, 1, {24, 0, 0}}, 1850},
                  {{2023, 1, 1, {0, 60, 0}}, 1851}, {{2023, 1, 1, {0, 0, 60}}, 1852}};
  for (const auto &d : badDates) {
    SCOPED_TRACE(d.code);
    ASSERT_EQ(ByName(stmt, ":id", &d.date, sizeof d.date, SQLT_ODT), OCI_SUCCESS);
    EXPECT_EQ(Execute(stmt), OCI_ERROR);
    EXPECT_EQ(s.ErrorCode(), d.code);
  }
  EXPECT_EQ(s.Query("SELECT count(*) FROM v"), (Rows{{Cell("0")}}));
}

TEST_F(EngineBind, ArrayExecutionReadsOneElementPerIteration) {
  OCIStmt *stmt = Prepared("INSERT INTO v VALUES (:id, :x)");
  const int ids[3] = {1, 2, 3};
  const char names[3][4] = {"one", "two", "six"};
  sb2 indicators[3] = {0, -1, 0};
  ASSERT_EQ(ByPos(stmt, 1, ids, sizeof ids[0], SQLT_INT), OCI_SUCCESS);
  ASSERT_EQ(ByPos(stmt, 2, names, sizeof names[0], SQLT_STR, indicators), OCI_SUCCESS);
  ASSERT_EQ(Execute(stmt, 3), OCI_SUCCESS) << s.ErrorText();
  ub4 rows = 0;
  OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, s.err);
  EXPECT_EQ(rows, 3u);
  EXPECT_EQ(Stored(1), "text:one");
  EXPECT_EQ(Stored(2), "null:null");
  EXPECT_EQ(Stored(3), "text:six");
}

}  // namespace
