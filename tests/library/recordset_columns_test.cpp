// COCIRecordset's columns: description, output buffers, fetching rows and
// values of every type, and writing values back into the buffers.
#include <limits.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RecordsetAccess.h"
#include "SessionFixture.h"

namespace {

using Access = COCIRecordsetTestAccess;

class RecordsetColumns : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Exec("CREATE TABLE every_type ("
         " v VARCHAR2(10), c CHAR(3), n NUMBER(10,2), i INTEGER,"
         " bare NUMBER, pi PLS_INTEGER, d BINARY_DOUBLE, b BLOB,"
         " dt DATE, cl CLOB, ts TIMESTAMP, r RAW(16), vc VARCHAR(4),"
         " nc NCHAR(2), bi BINARY_INTEGER, bf BINARY_FLOAT, f FLOAT)");
    Exec("INSERT INTO every_type VALUES ('abc', 'x', 12.5, 7, -3.9, 42,"
         " 2.25, NULL, NULL, NULL, NULL, NULL, 'w', 'n', 5, 0.5, 1.5)");
    Exec("INSERT INTO every_type VALUES (NULL, NULL, NULL, NULL, NULL, NULL,"
         " NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
    ASSERT_TRUE(rs_.InitRecordset(&connection_));
  }
  void TearDown() override {
    rs_.CloseRecordset();
    SessionTest::TearDown();
  }
  COCIRecordset rs_;
};

TEST_F(RecordsetColumns, DescribeEveryTypeOfTheMapping) {
  rs_.OpenRecordset(
      "SELECT v, c, n, i, bare, pi, d, b, dt, cl, ts, r, vc, nc, bi, bf, f"
      " FROM every_type");
  struct Column {
    const char *name;
    int type, size, scale;
    bool buffer;
    int bufferedType;  // 0: as described
  };
  const Column columns[] = {
      {"V", 1, 10, 0, true, 0},     {"C", 96, 3, 0, true, 0},
      {"N", 2, 22, 2, true, 0},     {"I", 2, 22, 0, true, 0},
      {"BARE", 2, 22, -127, true, 0}, {"PI", 3, 4, 0, true, 0},
      {"D", 4, 8, 0, true, 0},      {"B", 113, 4000, 0, false, 0},
      {"DT", 12, 7, 0, true, 0},    {"CL", 112, 4000, 0, false, 0},
      {"TS", 187, 11, 6, false, 0},  {"R", 23, 16, 0, true, 0},
      {"VC", 1, 4, 0, true, 0},     {"NC", 96, 2, 0, true, 0},
      {"BI", 3, 4, 0, true, 0},     {"BF", 4, 8, 0, true, 0},
      {"F", 2, 22, -127, true, 0},
  };
  const long count = sizeof columns / sizeof columns[0];
  ASSERT_EQ(rs_.GetFieldCount(), count);
  ASSERT_EQ(Access::Columns(rs_), static_cast<size_t>(count));
  for (long p = 1; p <= count; ++p) {
    const Column &c = columns[p - 1];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(rs_.GetFieldName(p), c.name);
    EXPECT_EQ(rs_.GetFieldType(p), c.type);
    EXPECT_EQ(rs_.GetFieldScale(p), c.scale);
    EXPECT_EQ(Access::Type(rs_, p - 1), c.type);
    EXPECT_EQ(Access::Scale(rs_, p - 1), c.scale);
    EXPECT_EQ(Access::Size(rs_, p - 1), rs_.GetFieldSize(p));
    if (c.buffer) {
      EXPECT_EQ(rs_.GetFieldSize(p), c.size);
    }
    EXPECT_EQ(Access::Buffer(rs_, p - 1) != nullptr, c.buffer);
    EXPECT_EQ(Access::Indicator(rs_, p - 1), 0);
  }
  EXPECT_EQ(rs_.GetFieldSize(1), 10);
  EXPECT_EQ(rs_.GetFieldSize(2), 3);
  // Text buffers are zeroed: size + 1 bytes.
  EXPECT_EQ(memcmp(Access::Buffer(rs_, 0), "\0\0\0\0\0\0\0\0\0\0\0", 11), 0);
  // Every column is defined: the BLOB into its locator, a DATE too.
  EXPECT_NE(Access::Define(rs_, 7), nullptr);
  EXPECT_NE(Access::Define(rs_, 8), nullptr);
  EXPECT_NE(Access::Lob(rs_), nullptr);
}

TEST_F(RecordsetColumns, DescribeAtPositionsOutsideTheSelectList) {
  rs_.OpenRecordset("SELECT v, n FROM every_type");
  // Positions beyond 32 bits are never cut down onto a column.
  for (long p : {0L, 3L, -1L, 4294967297L, 4294967296L, LONG_MAX, LONG_MIN}) {
    EXPECT_THROW(rs_.GetFieldType(p), COCIException) << p;
    EXPECT_EQ(COCIException::errCode(), 24334);
    EXPECT_THROW(rs_.GetFieldName(p), COCIException) << p;
    // Never an earlier column's descriptor: 0.
    rs_.GetFieldScale(2);
    EXPECT_EQ(rs_.GetFieldSize(p), 0) << p;
    EXPECT_EQ(rs_.GetFieldScale(p), 0) << p;
    EXPECT_EQ(COCIException::errCode(), 24334);
  }
  // Each describe fetches its own column.
  rs_.GetFieldName(1);
  EXPECT_EQ(rs_.GetFieldSize(2), 22);
}

TEST_F(RecordsetColumns, LongColumnNamesComeBackWhole) {
  const std::string alias(128, 'Q');  // Oracle's longest name
  rs_.OpenRecordset(("SELECT 1 AS " + alias + " FROM every_type").c_str());
  EXPECT_EQ(std::string(rs_.GetFieldName(1).GetString()), alias);
}

TEST_F(RecordsetColumns, ValuesOfEveryTypeAndNulls) {
  rs_.OpenRecordset(
      "SELECT v, c, n, i, bare, pi, d, b, dt FROM every_type ORDER BY i NULLS FIRST");
  ASSERT_TRUE(rs_.MoveNext());  // the NULL row sorts first
  for (long i = 0; i < 7; ++i) {
    COleVariant v(99.0);
    EXPECT_FALSE(rs_.GetFieldValue(i, v)) << i;
    EXPECT_EQ(v.vt, VT_R8);
  }
  COleVariant untouched(static_cast<short>(5));
  EXPECT_TRUE(rs_.GetFieldValue(7, untouched));  // BLOB: no conversion
  EXPECT_FALSE(rs_.GetFieldValue(8, untouched));  // DATE: NULL like the rest
  EXPECT_EQ(untouched.vt, VT_I2);

  ASSERT_TRUE(rs_.MoveNext());
  COleVariant v;
  ASSERT_TRUE(rs_.GetFieldValue(0, v));
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(SysStringByteLen(v.bstrVal), 3u);  // the bytes, unconverted
  EXPECT_EQ(memcmp(v.bstrVal, "abc", 3), 0);
  ASSERT_TRUE(rs_.GetFieldValue(1, v));
  EXPECT_EQ(TextOf(v), "x  ");  // CHAR(3) is blank-padded
  // Into a variant already holding a string (here an unmarked one, longer
  // than the value): the same bytes and mark as into an empty variant.
  COleVariant held("a longer string", VT_BSTR);
  ASSERT_FALSE(AfxIsAnsiBstr(held.bstrVal));
  ASSERT_TRUE(rs_.GetFieldValue(0, held));
  ASSERT_EQ(held.vt, VT_BSTR);
  EXPECT_TRUE(AfxIsAnsiBstr(held.bstrVal));
  EXPECT_EQ(SysStringByteLen(held.bstrVal), 3u);
  EXPECT_EQ(memcmp(held.bstrVal, "abc\0\0", 5), 0);
  ASSERT_TRUE(rs_.GetFieldValue(2, v));
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, 12.5);
  ASSERT_TRUE(rs_.GetFieldValue(3, v));
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 7);
  ASSERT_TRUE(rs_.GetFieldValue(4, v));  // a fraction with scale -127
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, -3.9);
  ASSERT_TRUE(rs_.GetFieldValue(5, v));
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 42);
  ASSERT_TRUE(rs_.GetFieldValue(6, v));
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, 2.25);

  const int code = COCIException::errCode();
  EXPECT_FALSE(rs_.MoveNext());
  EXPECT_EQ(COCIException::errCode(), code);  // the end records nothing
  EXPECT_EQ(rs_.GetRSCount(), 2);
}

TEST_F(RecordsetColumns, WholeNumbersWithinThirtyTwoBits) {
  rs_.OpenRecordset(
      "SELECT 7, 3000000000, -2147483648, 0.25, -3.9, 2147483648 FROM "
      "every_type WHERE i = 7");
  ASSERT_TRUE(rs_.MoveNext());
  struct Case {
    VARTYPE vt;
    double value;
  };
  const Case cases[] = {{VT_I4, 7},         {VT_R8, 3000000000.0},
                        {VT_I4, -2147483648.0}, {VT_R8, 0.25},
                        {VT_R8, -3.9},      {VT_R8, 2147483648.0}};
  for (long i = 0; i < 6; ++i) {
    COleVariant v;
    ASSERT_TRUE(rs_.GetFieldValue(i, v)) << i;
    EXPECT_EQ(v.vt, cases[i].vt) << i;
    EXPECT_EQ(v.vt == VT_I4 ? v.lVal : v.dblVal, cases[i].value) << i;
  }
}

// NUMBER columns are fetched as doubles; while a fault is armed at the
// open they are fetched in the NUMBER form and converted by the client's
// OCINumberToReal. Both must give the same kind and the same bits.
TEST_F(RecordsetColumns, NumbersReadAsTheClientReadsThem) {
  const char *const numbers[] = {
      "0",          "-0.5",        "1",
      "-1",         "99999999.99", "-99999999.99",
      "0.1",        "0.3333333333333333333333",
      "123456789012345678",        "9007199254740993",
      "1e22",       "1e23",        "-1e-20",
      "1e-30",      "12345678901234567890123456789012345678",
      "2147483647", "-2147483649", "1.5e100",
      "100",        "0.0001",      "-7",
      "-1 * 0",     "0 * -0.5",    "1 / 3",
      "-2 / 3",     "9.99e125",    "1e-130"};
  std::string sql = "SELECT ";
  for (const char *n : numbers) sql += std::string(n) + ", ";
  sql.resize(sql.size() - 2);
  sql += " FROM every_type WHERE i = 7";
  const long count = static_cast<long>(sizeof numbers / sizeof numbers[0]);
  std::vector<COleVariant> direct(static_cast<size_t>(count));
  rs_.OpenRecordset(sql.c_str());
  ASSERT_TRUE(rs_.MoveNext());
  for (long i = 0; i < count; ++i)
    ASSERT_TRUE(rs_.GetFieldValue(i, direct[static_cast<size_t>(i)])) << i;
  // A fault armed elsewhere at the open keeps the NUMBER form.
  ASSERT_EQ(kestrel_fault_inject("OCILobRead", OCI_ERROR, 0, 1, 600), 0);
  rs_.OpenRecordset(sql.c_str());
  ASSERT_TRUE(rs_.MoveNext());
  for (long i = 0; i < count; ++i) {
    COleVariant client;
    ASSERT_TRUE(rs_.GetFieldValue(i, client)) << numbers[i];
    const COleVariant &mine = direct[static_cast<size_t>(i)];
    EXPECT_EQ(mine.vt, client.vt) << numbers[i];
    EXPECT_EQ(memcmp(&mine.dblVal, &client.dblVal, sizeof client.dblVal), 0)
        << numbers[i] << ": " << mine.dblVal << " against " << client.dblVal;
  }
  kestrel_fault_clear();
}

TEST_F(RecordsetColumns, IndexesOutsideTheColumnsAndBeforeTheFirstFetch) {
  rs_.OpenRecordset("SELECT v, n, i, d FROM every_type");
  COleVariant v(1.5);
  for (long index : {-1L, 4L, 100L, 4294967296L, LONG_MAX, LONG_MIN}) {
    EXPECT_FALSE(rs_.GetFieldValue(index, v)) << index;
    EXPECT_EQ(v.vt, VT_R8);
    // Writes past the columns throw as the first one past them does,
    // without computing a position that overflows.
    if (index >= 4) {
      EXPECT_THROW(rs_.SetFieldValue(index, v), COCIException) << index;
      EXPECT_EQ(COCIException::errCode(), 24334);
    }
  }
  // No row yet: text reads empty, numbers answer nothing.
  ASSERT_TRUE(rs_.GetFieldValue(0, v));
  EXPECT_EQ(TextOf(v), "");
  for (long index : {1L, 2L, 3L}) {
    COleVariant keep(2.5);
    EXPECT_FALSE(rs_.GetFieldValue(index, keep)) << index;
    EXPECT_EQ(keep.dblVal, 2.5);
  }
}

TEST_F(RecordsetColumns, SetFieldValueWritesTheBuffers) {
  rs_.OpenRecordset("SELECT v, n, pi, d, dt FROM every_type");
  ASSERT_TRUE(rs_.MoveNext());
  COleVariant v;

  EXPECT_TRUE(rs_.SetFieldValue(1, COleVariant(static_cast<short>(42))));
  ASSERT_TRUE(rs_.GetFieldValue(1, v));
  EXPECT_EQ(v.dblVal, 42.0);  // NUMBER(10,2): scale 2 reads as VT_R8
  EXPECT_TRUE(rs_.SetFieldValue(1, COleVariant(1.25f)));
  ASSERT_TRUE(rs_.GetFieldValue(1, v));
  EXPECT_EQ(v.dblVal, 1.25);

  EXPECT_TRUE(rs_.SetFieldValue(2, COleVariant(static_cast<LONG>(-9))));
  ASSERT_TRUE(rs_.GetFieldValue(2, v));
  EXPECT_EQ(v.lVal, -9);
  EXPECT_TRUE(rs_.SetFieldValue(3, COleVariant(1.5f)));
  ASSERT_TRUE(rs_.GetFieldValue(3, v));
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, 1.5);

  // A kind the column does not take writes nothing.
  EXPECT_TRUE(rs_.SetFieldValue(3, COleVariant("7", VT_BSTR)));
  ASSERT_TRUE(rs_.GetFieldValue(3, v));
  EXPECT_EQ(v.dblVal, 1.5);
  EXPECT_TRUE(rs_.SetFieldValue(4, COleVariant(1.0)));  // no buffer

  EXPECT_THROW(rs_.SetFieldValue(5, COleVariant(1.0)), COCIException);
}

TEST_F(RecordsetColumns, TextWrittenBackComesBackUnchanged) {
  rs_.OpenRecordset("SELECT v FROM every_type");
  ASSERT_TRUE(rs_.MoveNext());
  const char *texts[] = {"caf\xC3\xA9", "", "0123456789"};
  for (const char *text : texts) {
    for (VARTYPE kind : {static_cast<VARTYPE>(VT_BSTR), VT_BSTRT}) {
      EXPECT_TRUE(rs_.SetFieldValue(0, COleVariant(text, kind))) << text;
      COleVariant back;
      ASSERT_TRUE(rs_.GetFieldValue(0, back));
      EXPECT_EQ(TextOf(back), text);
      // What GetFieldValue gave, handed back, is the same text again.
      EXPECT_TRUE(rs_.SetFieldValue(0, back));
      COleVariant again;
      ASSERT_TRUE(rs_.GetFieldValue(0, again));
      EXPECT_EQ(TextOf(again), text);
    }
  }
  COleVariant null;
  null.vt = VT_NULL;
  EXPECT_TRUE(rs_.SetFieldValue(0, null));
  COleVariant back;
  ASSERT_TRUE(rs_.GetFieldValue(0, back));
  EXPECT_EQ(TextOf(back), "");
  // Too long for VARCHAR2(10), or not text: nothing written, FALSE.
  EXPECT_TRUE(rs_.SetFieldValue(0, COleVariant("kept", VT_BSTR)));
  EXPECT_FALSE(rs_.SetFieldValue(0, COleVariant("01234567890", VT_BSTR)));
  EXPECT_FALSE(rs_.SetFieldValue(0, COleVariant(static_cast<LONG>(5))));
  ASSERT_TRUE(rs_.GetFieldValue(0, back));
  EXPECT_EQ(TextOf(back), "kept");
}

TEST_F(RecordsetColumns, AddRecordWritesInColumnOrderThenExecutes) {
  rs_.OpenRecordset("SELECT v, n, pi FROM every_type WHERE i = 7");
  ASSERT_TRUE(rs_.MoveNext());
  ASSERT_EQ(rs_.GetRSCount(), 1);
  COleVariant v;

  // Executing the query again fetches its row into the buffers anew.
  COCIRecord two;
  two.SetData(0, CString("xy"));
  two.SetData(1, 3.5);
  EXPECT_TRUE(rs_.AddRecord(two));
  ASSERT_TRUE(rs_.GetFieldValue(1, v));
  EXPECT_EQ(v.dblVal, 12.5);
  EXPECT_EQ(rs_.GetRSCount(), 1);
  EXPECT_TRUE(rs_.AddRecord(COCIRecord()));

  // A value that cannot be written stops it before the execution.
  EXPECT_TRUE(rs_.SetFieldValue(1, COleVariant(9.0)));
  COCIRecord tooLong;
  tooLong.SetData(0, CString("much too long"));
  EXPECT_FALSE(rs_.AddRecord(tooLong));
  ASSERT_TRUE(rs_.GetFieldValue(1, v));
  EXPECT_EQ(v.dblVal, 9.0);

  // Values past the last column throw at the first of them.
  COCIRecord tooMany;
  tooMany.SetData(0, CString("a"));
  tooMany.SetData(1, 2.0);
  tooMany.SetData(3, 1.0);
  EXPECT_THROW(rs_.AddRecord(tooMany), COCIException);
  ASSERT_TRUE(rs_.GetFieldValue(1, v));
  EXPECT_EQ(v.dblVal, 2.0);
}

TEST_F(RecordsetColumns, ColumnsByName) {
  Exec("CREATE TABLE named (id INTEGER, \"Mixed\" VARCHAR2(5))");
  Exec("INSERT INTO named VALUES (7, 'm')");
  rs_.OpenRecordset("SELECT id, \"Mixed\" FROM named");
  ASSERT_TRUE(rs_.MoveNext());
  struct Case {
    const char *name;
    bool found;
    const char *text;  // what the column reads as
  };
  const Case cases[] = {
      {"ID", true, "7"},          {"id", true, "7"},
      {"\"ID\"", true, "7"},      {"\"id\"", false, ""},
      {"\"Mixed\"", true, "m"},   {"mixed", true, "m"},
      {"\"MIXED\"", false, ""},   {"nosuch", false, ""},
      {"", false, ""},
  };
  for (const Case &c : cases) {
    COleVariant v(3.0);
    EXPECT_EQ(rs_.GetFieldValue(CString(c.name), v), c.found ? TRUE : FALSE)
        << c.name;
    EXPECT_EQ(TextOf(v), c.found ? c.text : "3") << c.name;
  }
  // Writes by name go to the same buffer as by index.
  EXPECT_TRUE(rs_.SetFieldValue(CString("\"Mixed\""), COleVariant("zz")));
  EXPECT_FALSE(rs_.SetFieldValue(CString("nosuch"), COleVariant("zz")));
  COleVariant v;
  ASSERT_TRUE(rs_.GetFieldValue(1, v));
  EXPECT_EQ(TextOf(v), "zz");
}

TEST_F(RecordsetColumns, RowsIntoRecords) {
  Exec("CREATE TABLE rows3 (n INTEGER, s VARCHAR2(5), b BLOB)");
  Exec("INSERT INTO rows3 VALUES (1, 'one', NULL)");
  Exec("INSERT INTO rows3 VALUES (2, NULL, NULL)");
  Exec("INSERT INTO rows3 VALUES (3, 'three', NULL)");
  Exec("INSERT INTO rows3 VALUES (4, 'four', NULL)");
  const char *query = "SELECT n, s, b FROM rows3 ORDER BY n";
  const auto text = [](COCIRecord &r) {
    std::string all;
    for (INT_PTR i = 0; i < r.GetSize(); ++i)
      all += (r[i].vt == VT_EMPTY ? "-" : TextOf(r[i])) + ";";
    return all;
  };

  // One row at a time, counted forward from the current one.
  rs_.OpenRecordset(query);
  COCIRecord record;
  record.SetData(5, 1.0);
  EXPECT_FALSE(rs_.GetRecord(record, 0));  // before the first fetch
  EXPECT_FALSE(rs_.GetRecord(record, -1));
  EXPECT_EQ(record.GetSize(), 6);
  ASSERT_TRUE(rs_.GetRecord(record, 1));
  EXPECT_EQ(text(record), "1;one;-;");
  ASSERT_TRUE(rs_.GetRecord(record, 0));
  EXPECT_EQ(text(record), "1;one;-;");
  ASSERT_TRUE(rs_.GetRecord(record, 1));
  EXPECT_EQ(text(record), "2;-;-;");  // NULL stays empty
  EXPECT_FALSE(rs_.GetRecord(record, -2));
  ASSERT_TRUE(rs_.GetRecord(record, 2));
  EXPECT_EQ(text(record), "4;four;-;");
  EXPECT_FALSE(rs_.GetRecord(record, 1));  // the rows end first

  // The remaining rows, at most `count` of them when it is positive.
  struct Case {
    int skip, count;
    BOOL result;
    const char *rows;
  };
  const Case cases[] = {
      {0, 0, TRUE, "1;one;-;|2;-;-;|3;three;-;|4;four;-;|"},
      {1, 2, TRUE, "2;-;-;|3;three;-;|"},
      {3, -1, TRUE, "4;four;-;|"},
      {4, 5, TRUE, ""},
  };
  for (const Case &c : cases) {
    rs_.OpenRecordset(query);
    for (int i = 0; i < c.skip; ++i) ASSERT_TRUE(rs_.MoveNext());
    CArray<COCIRecord, COCIRecord &> records;
    EXPECT_EQ(rs_.GetAllRecord(records, c.count), c.result) << c.skip;
    std::string all;
    for (INT_PTR i = 0; i < records.GetSize(); ++i)
      all += text(records[i]) + "|";
    EXPECT_EQ(all, c.rows) << c.skip;
  }

  // A failed fetch answers FALSE, is recorded, and keeps what was read.
  rs_.OpenRecordset(query);
  CArray<COCIRecord, COCIRecord &> records;
  ASSERT_EQ(kestrel_fault_inject("OCIStmtFetch", OCI_ERROR, 1, 1, 3114), 0);
  EXPECT_FALSE(rs_.GetAllRecord(records, 0));
  EXPECT_EQ(COCIException::errCode(), 3114);
  EXPECT_EQ(records.GetSize(), 1);

  // Without a query there are no rows to give.
  rs_.OpenRecordset("UPDATE rows3 SET n = n");
  EXPECT_FALSE(rs_.GetRecord(record, 0));
  EXPECT_FALSE(rs_.GetAllRecord(records, 0));
  EXPECT_EQ(records.GetSize(), 1);
}

TEST_F(RecordsetColumns, UpdateRecordIsRefused) {
  rs_.OpenRecordset("SELECT v FROM every_type");
  ASSERT_TRUE(rs_.MoveNext());
  COCIException::checkErr(nullptr, OCI_SUCCESS);
  EXPECT_FALSE(rs_.UpdateRecord(COCIRecord()));
  EXPECT_EQ(COCIException::errCode(), 3001);
  EXPECT_EQ(strncmp(COCIException::errMsg(), "ORA-03001: ", 11), 0);
}

TEST_F(RecordsetColumns, EveryBlobColumnGetsItsOwnLocator) {
  Exec("CREATE TABLE blobs (a BLOB, b BLOB, c BLOB)");
  rs_.OpenRecordset("SELECT a, b, c FROM blobs");
  EXPECT_NE(Access::Lob(rs_), nullptr);
  EXPECT_EQ(Access::ExtraLobs(rs_), 2u);
  rs_.CloseRecordset();
  EXPECT_EQ(Access::Lob(rs_), nullptr);
}

}  // namespace

// Rows come ahead of MoveNext, many at a time; each still answers as a
// fetch of that row alone would: its values, the count so far, and a
// failure only at the row that failed.
TEST_F(RecordsetColumns, RowsFetchedAheadAnswerOneByOne) {
  Exec("CREATE TABLE many (n NUMBER, s VARCHAR2(10))");
  Exec("BEGIN FOR i IN 1 .. 150 LOOP INSERT INTO many VALUES (i, CASE WHEN i = 100 "
       "THEN 'x' ELSE TO_CHAR(i) END); END LOOP; END;");
  rs_.OpenRecordset("SELECT n, TO_NUMBER(s) FROM many");
  COleVariant v;
  for (long i = 1; i < 100; ++i) {
    ASSERT_TRUE(rs_.MoveNext()) << i;
    ASSERT_TRUE(rs_.GetFieldValue(1, v));
    ASSERT_EQ(v.lVal, i);
    if (i == 1 || i == 70) {
      EXPECT_EQ(rs_.GetRSCount(), i);
    }
  }
  EXPECT_FALSE(rs_.MoveNext());
  EXPECT_EQ(COCIException::errCode(), 1722);
  EXPECT_EQ(rs_.GetRSCount(), 99);

  // Opened again, it starts over.
  rs_.OpenRecordset("SELECT n FROM many WHERE n > 140 ORDER BY n");
  long seen = 0;
  while (rs_.MoveNext()) ++seen;
  EXPECT_EQ(seen, 10);
  EXPECT_EQ(rs_.GetRSCount(), 10);
}
