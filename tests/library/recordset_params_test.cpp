// COCIRecordset's parameters and prepared statements: every bindable kind
// into the column kinds it may reach, NULLs, re-execution, text with
// quotes, wrong placeholders; and DATE, TIMESTAMP, CLOB and RAW values read
// back through GetFieldValue and a record's text reader.
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "COCIRecord.h"
#include "COleCurrency.h"
#include "SessionFixture.h"

namespace {

class RecordsetParams : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Exec("CREATE TABLE p (id NUMBER(10,0), v VARCHAR2(30), n NUMBER,"
         " n2 NUMBER(12,4), d BINARY_DOUBLE, dt DATE, ts TIMESTAMP,"
         " r RAW(16), b BLOB, cl CLOB)");
    ASSERT_TRUE(rs_.InitRecordset(&connection_));
  }
  void TearDown() override {
    rs_.CloseRecordset();
    SessionTest::TearDown();
  }

  // The value of `expression` for row `id`, as text; bytes in hex.
  std::string Read(const std::string &expression, int id) {
    COCIRecordset q;
    q.InitRecordset(&connection_);
    try {
      q.OpenRecordset(("SELECT " + expression + " FROM p WHERE id = " + std::to_string(id))
                          .c_str());
    } catch (const COCIException &) {
      return COCIException::errMsg();
    }
    if (!q.MoveNext()) return "<no row>";
    COleVariant v;
    if (!q.GetFieldValue(0, v)) return "<null>";
    if (v.vt == (VT_ARRAY | VT_UI1)) return Hex(v);
    return TextOf(v);
  }

  static std::string Hex(const COleVariant &v) {
    std::string hex;
    const SAFEARRAY *a = v.parray;
    const auto *bytes = static_cast<const unsigned char *>(a->pvData);
    for (ULONG i = 0; i < a->rgsabound[0].cElements; ++i) {
      static const char kDigits[] = "0123456789ABCDEF";
      hex += kDigits[bytes[i] >> 4];
      hex += kDigits[bytes[i] & 15];
    }
    return hex;
  }

  static COleVariant Bytes(const std::vector<unsigned char> &bytes) {
    CByteArray array;
    array.SetSize(static_cast<int>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i)
      array.SetAt(static_cast<int>(i), bytes[i]);
    return COleVariant(array);
  }

  COCIRecordset rs_;
};

COleVariant Decimal(ULONGLONG magnitude, BYTE scale, bool negative) {
  COleVariant v;
  v.vt = VT_DECIMAL;
  v.decVal.Hi32 = 0;
  v.decVal.Lo64 = magnitude;
  v.decVal.scale = scale;
  v.decVal.sign = negative ? DECIMAL_NEG : 0;
  return v;
}

COleVariant Of(VARTYPE kind, LONGLONG bits) {
  COleVariant v;
  v.vt = kind;
  v.llVal = bits;
  return v;
}

TEST_F(RecordsetParams, EveryKindIntoTheColumnsItReaches) {
  const COleDateTime leapDay(2024, 2, 29, 13, 45, 10);
  const struct Case {
    const char *what;
    COleVariant value;
    const char *column;
    const char *read;  // the expression read back
    const char *expected;
  } cases[] = {
      {"wide text with quotes", COleVariant("it's \"x\"; --"), "v", "v",
       "it's \"x\"; --"},
      {"single-byte text", COleVariant("a'b", VT_BSTRT), "v", "v", "a'b"},
      {"empty text is NULL", COleVariant(""), "v", "v", "<null>"},
      {"text into a NUMBER", COleVariant("42.5"), "n", "n", "42.5"},
      {"an integer into text", COleVariant(7L), "v", "v", "7"},
      {"VT_I2", COleVariant(static_cast<short>(-3)), "n", "n", "-3"},
      {"VT_UI1", COleVariant(static_cast<BYTE>(200)), "n", "n", "200"},
      {"VT_I8, exact", Of(VT_I8, 9007199254740993LL), "n", "TO_CHAR(n)",
       "9007199254740993"},
      {"VT_UI4", Of(VT_UI4, 4000000000LL), "n", "TO_CHAR(n)", "4000000000"},
      {"VT_BOOL true is 1", COleVariant(static_cast<short>(-1), VT_BOOL), "n",
       "n", "1"},
      {"VT_BOOL false is 0", COleVariant(static_cast<short>(0), VT_BOOL), "n",
       "n", "0"},
      {"VT_R8", COleVariant(2.5), "d", "d", "2.5"},
      {"VT_R4", COleVariant(0.5f), "d", "d", "0.5"},
      {"VT_R8 into a NUMBER", COleVariant(-0.125), "n", "n", "-0.125"},
      {"VT_CY", COleVariant(COleCurrency(12, 3456)), "n2", "TO_CHAR(n2)",
       "12.3456"},
      {"VT_CY negative", COleVariant(COleCurrency(-5, -10)), "n2",
       "TO_CHAR(n2)", "-5.001"},
      {"VT_DECIMAL", Decimal(12345, 2, false), "n2", "TO_CHAR(n2)", "123.45"},
      {"VT_DECIMAL small", Decimal(5, 3, true), "n", "TO_CHAR(n)", "-.005"},
      {"VT_DATE into a DATE", COleVariant(leapDay), "dt",
       "TO_CHAR(dt, 'YYYY-MM-DD HH24:MI:SS')", "2024-02-29 13:45:10"},
      {"VT_DATE into a TIMESTAMP", COleVariant(leapDay), "ts",
       "TO_CHAR(ts, 'YYYY-MM-DD HH24:MI:SS')", "2024-02-29 13:45:10"},
      {"bytes into a RAW", Bytes({0x00, 0x27, 0xFF}), "r", "r", "0027FF"},
      {"no bytes are NULL", Bytes({}), "r", "r", "<null>"},
      {"bytes into a BLOB", Bytes({1, 2, 3}), "b",
       "CASE WHEN b IS NULL THEN 'null' ELSE 'bytes' END", "bytes"},
      {"VT_NULL", Of(VT_NULL, 0), "n", "n", "<null>"},
      {"VT_EMPTY", COleVariant(), "dt", "dt", "<null>"},
      {"text into a CLOB", COleVariant("long 'text'"), "cl", "cl",
       "long 'text'"},
  };
  int id = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ++id;
    const std::string sql =
        std::string("INSERT INTO p (id, ") + c.column + ") VALUES (:id, :x)";
    try {
      rs_.SetParam(":id", COleVariant(static_cast<long>(id)));
      rs_.SetParam("X", c.value);  // names compare without the colon or case
      rs_.OpenRecordset(sql.c_str());
    } catch (const COCIException &) {
      ADD_FAILURE() << COCIException::errMsg();
      continue;
    }
    EXPECT_EQ(Read(c.read, id), c.expected);
  }
}

TEST_F(RecordsetParams, PreparedOnceExecutedWithNewValues) {
  ASSERT_TRUE(rs_.Prepare("INSERT INTO p (id, v, d) VALUES (:1, :2, :3)"));
  const char *texts[] = {"a", "a longer text than the first", nullptr,
                         "b"};
  for (int i = 0; i < 4; ++i) {
    rs_.SetParam(1, COleVariant(static_cast<long>(i)));
    rs_.SetParam(2, texts[i] ? COleVariant(texts[i]) : Of(VT_NULL, 0));
    rs_.SetParam(3, i == 3 ? COleVariant(1.5) : Of(VT_NULL, 0));
    try {
      rs_.Execute();
    } catch (const COCIException &) {
      FAIL() << i << ": " << COCIException::errMsg();
    }
  }
  EXPECT_EQ(Read("v", 1), "a longer text than the first");
  EXPECT_EQ(Read("v", 2), "<null>");
  EXPECT_EQ(Read("v", 3), "b");  // a shorter value written in place
  EXPECT_EQ(Read("d", 3), "1.5");

  // A query executed again reads the rows its new values select.
  rs_.ClearParams();
  rs_.SetParam(":id", COleVariant(1L));
  rs_.OpenRecordset("SELECT v FROM p WHERE id = :id");
  COleVariant v;
  ASSERT_TRUE(rs_.MoveNext());
  rs_.SetParam(":id", COleVariant(3L));
  ASSERT_TRUE(rs_.Execute());
  ASSERT_TRUE(rs_.MoveNext());
  ASSERT_TRUE(rs_.GetFieldValue(0, v));
  EXPECT_EQ(TextOf(v), "b");
  EXPECT_FALSE(rs_.MoveNext());

  // A copy shares the statement and its parameters.
  COCIRecordset copy(rs_);
  copy.SetParam(":id", COleVariant(0L));
  ASSERT_TRUE(rs_.Execute());
  ASSERT_TRUE(rs_.MoveNext());
  ASSERT_TRUE(rs_.GetFieldValue(0, v));
  EXPECT_EQ(TextOf(v), "a");
}

TEST_F(RecordsetParams, WrongPlaceholdersAndKinds) {
  const struct {
    const char *what;
    const char *sql;
    int code;
  } cases[] = {
      {"each placeholder with its value", "INSERT INTO p (id) VALUES (:id)",
       0},
      {"an unknown name", "INSERT INTO p (id) VALUES (:other)", 1036},
      {"a placeholder without a value",
       "INSERT INTO p (id, v) VALUES (:id, :v)", 1008},
      {"a name only inside a literal", "INSERT INTO p (id, v) VALUES (1, ':id')",
       1036},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    rs_.ClearParams();
    rs_.SetParam("id", COleVariant(1L));
    if (c.code == 0) {
      EXPECT_TRUE(rs_.OpenRecordset(c.sql));
      continue;
    }
    EXPECT_THROW(rs_.OpenRecordset(c.sql), COCIException);
    EXPECT_EQ(COCIException::errCode(), c.code);
  }
  // Parameters stay until cleared: a statement without placeholders is
  // refused while one is set, and runs once they are cleared.
  EXPECT_THROW(rs_.OpenRecordset("DELETE FROM p"), COCIException);
  EXPECT_EQ(COCIException::errCode(), 1036);
  rs_.ClearParams();
  EXPECT_TRUE(rs_.OpenRecordset("DELETE FROM p"));

  // A cleared parameter leaves its placeholder without a value, also when
  // its buffer moved since it was bound.
  ASSERT_TRUE(rs_.Prepare("INSERT INTO p (id, v) VALUES (1, :v)"));
  rs_.SetParam(":v", COleVariant("short"));
  ASSERT_TRUE(rs_.Execute());
  rs_.SetParam(":v", COleVariant("a value longer than the buffer"));
  rs_.ClearParams();
  EXPECT_THROW(rs_.Execute(), COCIException);
  EXPECT_EQ(COCIException::errCode(), 1008);

  EXPECT_THROW(rs_.SetParam(0, COleVariant(1L)), COCIException);
  EXPECT_EQ(COCIException::errCode(), 1036);
  EXPECT_THROW(rs_.SetParam(":", COleVariant(1L)), COCIException);
  EXPECT_EQ(COCIException::errCode(), 1036);
  EXPECT_THROW(rs_.SetParam(1, Of(VT_ERROR, 0)), COCIException);
  EXPECT_EQ(COCIException::errCode(), 932);
  COCIRecordset never;
  EXPECT_THROW(never.SetParam(1, COleVariant(1L)), COCIException);
  EXPECT_THROW(never.Execute(), COCIException);
  COCIRecordset unprepared;
  ASSERT_TRUE(unprepared.InitRecordset(&connection_));
  EXPECT_THROW(unprepared.Execute(), COCIException);
  EXPECT_EQ(COCIException::errCode(), 24337);
}

TEST_F(RecordsetParams, OracleTypesReadBack) {
  Exec("INSERT INTO p (id, dt, ts, r, cl) VALUES (1,"
       " TO_DATE('1999-12-31 23:59:58', 'YYYY-MM-DD HH24:MI:SS'),"
       " TO_TIMESTAMP('2000-01-02 03:04:05.678', 'YYYY-MM-DD HH24:MI:SS.FF'),"
       " NULL, 'clob text')");
  Exec("INSERT INTO p (id) VALUES (2)");
  rs_.SetParam(1, Bytes({0xDE, 0xAD, 0x00, 0x01}));
  rs_.OpenRecordset("UPDATE p SET r = :1 WHERE id = 1");
  rs_.ClearParams();

  rs_.OpenRecordset("SELECT dt, ts, r, cl FROM p ORDER BY id");
  // The describe is unchanged: the column types as the server gives them.
  EXPECT_EQ(rs_.GetFieldType(1), SQLT_DAT);
  EXPECT_EQ(rs_.GetFieldType(2), SQLT_TIMESTAMP);
  ASSERT_TRUE(rs_.MoveNext());
  COleVariant v;
  ASSERT_TRUE(rs_.GetFieldValue(0, v));
  ASSERT_EQ(v.vt, VT_DATE);
  EXPECT_EQ(v.date, static_cast<DATE>(COleDateTime(1999, 12, 31, 23, 59, 58)));
  ASSERT_TRUE(rs_.GetFieldValue(1, v));
  ASSERT_EQ(v.vt, VT_DATE);  // with its milliseconds
  EXPECT_DOUBLE_EQ(v.date, static_cast<DATE>(COleDateTime(2000, 1, 2, 3, 4, 5)) +
                               0.678 / 86400);
  ASSERT_TRUE(rs_.GetFieldValue(2, v));
  ASSERT_EQ(v.vt, VT_ARRAY | VT_UI1);
  EXPECT_EQ(Hex(v), "DEAD0001");
  ASSERT_TRUE(rs_.GetFieldValue(3, v));
  EXPECT_EQ(TextOf(v), "clob text");

  // A record's text reader renders them as the record does any such value.
  COCIRecord row;
  ASSERT_TRUE(rs_.GetRecord(row, 0));
  COCIRecord expected;
  expected.SetData(0, COleDateTime(1999, 12, 31, 23, 59, 58));
  CByteArray raw;
  raw.Add(0xDE);
  raw.Add(0xAD);
  raw.Add(0x00);
  raw.Add(0x01);
  expected.SetData(2, raw);
  EXPECT_EQ(std::string(row.GetString(0).GetString()),
            expected.GetString(0).GetString());
  EXPECT_EQ(std::string(row.GetString(2).GetString()),
            expected.GetString(2).GetString());
  EXPECT_EQ(std::string(row.GetString(3).GetString()), "clob text");

  // NULLs answer FALSE and leave the variant as it was.
  ASSERT_TRUE(rs_.MoveNext());
  for (long i = 0; i < 4; ++i) {
    COleVariant kept(1.5);
    EXPECT_FALSE(rs_.GetFieldValue(i, kept)) << i;
    EXPECT_EQ(kept.vt, VT_R8);
  }

  // TIMESTAMP fractions round to the millisecond, into the next second or
  // day if need be; before 1899-12-30 OLE's time of day counts away from
  // zero.
  rs_.OpenRecordset(
      "SELECT TIMESTAMP '2000-01-01 23:59:59.9996', TIMESTAMP '1850-06-01 12:00:00.2505'"
      " FROM dual");
  ASSERT_TRUE(rs_.MoveNext());
  ASSERT_TRUE(rs_.GetFieldValue(0, v));
  EXPECT_DOUBLE_EQ(v.date, static_cast<DATE>(COleDateTime(2000, 1, 2, 0, 0, 0)));
  ASSERT_TRUE(rs_.GetFieldValue(1, v));
  EXPECT_DOUBLE_EQ(v.date, static_cast<DATE>(COleDateTime(1850, 6, 1, 0, 0, 0)) -
                               43200.251 / 86400);

  // A CLOB of any length comes whole, multi-byte characters included,
  // from a column and from an expression; an empty CLOB is empty text.
  Exec("UPDATE p SET cl = TO_CLOB(RPAD('x', 32767, 'x')) || RPAD('y', 30000, 'y') "
       "|| 'tail \xC3\xA9' WHERE id = 2");
  rs_.OpenRecordset(
      "SELECT cl, TO_CLOB('abc') || cl, EMPTY_CLOB() FROM p WHERE id = 2");
  ASSERT_TRUE(rs_.MoveNext());
  const std::string whole =
      std::string(32767, 'x') + std::string(30000, 'y') + "tail \xC3\xA9";
  ASSERT_TRUE(rs_.GetFieldValue(0, v));
  EXPECT_EQ(TextOf(v), whole);
  ASSERT_TRUE(rs_.GetFieldValue(1, v));
  EXPECT_EQ(TextOf(v), "abc" + whole);
  ASSERT_TRUE(rs_.GetFieldValue(2, v));
  EXPECT_EQ(TextOf(v), "");
}

}  // namespace
