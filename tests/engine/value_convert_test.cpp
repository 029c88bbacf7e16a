// Fetch conversions: SQLite values from a real in-memory database stored
// into define buffers of every external type and width.
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <utility>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "number/OraNumber.h"
#include "types/ValueConvert.h"

namespace {

using namespace kestrel_engine;

// The row of one SELECT, its values valid while the object lives.
class Row {
 public:
  explicit Row(const std::string &select) {
    EXPECT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    EXPECT_EQ(sqlite3_prepare_v2(db_, select.c_str(), -1, &stmt_, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_);
    EXPECT_EQ(sqlite3_step(stmt_), SQLITE_ROW);
  }
  ~Row() {
    sqlite3_finalize(stmt_);
    sqlite3_close(db_);
  }
  Row(const Row &) = delete;
  Row &operator=(const Row &) = delete;
  sqlite3_value *operator[](int i) const { return sqlite3_column_value(stmt_, i); }

 private:
  sqlite3 *db_ = nullptr;
  sqlite3_stmt *stmt_ = nullptr;
};

constexpr ColumnTraits kVarchar{SQLT_CHR, 30};
constexpr ColumnTraits kNumber{SQLT_NUM, 22};
constexpr ColumnTraits kExpression{SQLT_CHR, 4000};

// One store with every report pointer set, and a buffer filled with '#'.
struct Fetch {
  char buf[64];
  sb2 ind = 77;
  ub2 rlen = 77;
  ub2 rcode = 77;
  int rc = -1;
  Fetch(sqlite3_value *v, ub2 type, sb4 size, ColumnTraits traits = kVarchar) {
    memset(buf, '#', sizeof buf);
    rc = StoreValue(v, traits, OutputTarget{buf, size, type, &ind, &rlen, &rcode});
  }
  std::string Text(size_t n) const { return std::string(buf, n); }
  std::string Hex(size_t n) const {
    std::string s;
    char two[4];
    for (size_t i = 0; i < n; ++i) {
      snprintf(two, sizeof two, i ? " %02X" : "%02X", static_cast<unsigned char>(buf[i]));
      s += two;
    }
    return s;
  }
  template <class T>
  T As() const {
    T v;
    memcpy(&v, buf, sizeof v);
    return v;
  }
};

TEST(ValueConvert, ValuesAsTerminatedText) {
  const Row row("SELECT 12.5, 'abc', 3000000000, -0.5, 1e50, x'0AFF', 0.1 + 0.2, -7");
  const char *expected[] = {"12.5", "abc", "3000000000", "-.5", "1.0E+50", "0AFF",
                            ".30000000000000004", "-7"};
  for (int i = 0; i < 8; ++i) {
    const Fetch f(row[i], SQLT_STR, 40);
    const std::string e = expected[i];
    EXPECT_EQ(f.rc, kStored) << e;
    EXPECT_EQ(f.Text(e.size() + 1), e + '\0');
    EXPECT_EQ(f.ind, 0);
    EXPECT_EQ(f.rlen, e.size());
    EXPECT_EQ(f.rcode, 0);
  }
}

TEST(ValueConvert, TextCutToFit) {
  const Row row("SELECT 'abcdef', 12.5, x'0102030405'");
  struct Case {
    int column;
    ub2 type;
    sb4 size;
    int rc;
    const char *stored;
    sb2 ind;
    ub2 rlen;
  };
  const Case cases[] = {
      {0, SQLT_STR, 7, kStored, "abcdef\0#", 0, 6},
      {0, SQLT_STR, 6, kTruncated, "abcde\0#", 6, 5},
      {0, SQLT_STR, 4, kTruncated, "abc\0#", 6, 3},
      {0, SQLT_STR, 1, kTruncated, "\0#", 6, 0},
      {0, SQLT_STR, 0, kTruncated, "#", 6, 0},
      {0, SQLT_CHR, 6, kStored, "abcdef#", 0, 6},
      {0, SQLT_CHR, 4, kTruncated, "abcd#", 6, 4},
      {1, SQLT_STR, 3, kTruncated, "12\0#", 4, 2},
      {2, SQLT_CHR, 5, kTruncated, "01020#", 10, 5},
  };
  for (const Case &c : cases) {
    const Fetch f(row[c.column], c.type, c.size);
    const size_t n = c.size == 0 ? 1 : strlen(c.stored) + (c.type == SQLT_STR ? 2 : 0);
    SCOPED_TRACE(::testing::Message() << "column " << c.column << " size " << c.size);
    EXPECT_EQ(f.rc, c.rc);
    EXPECT_EQ(f.Text(n), std::string(c.stored, n));
    EXPECT_EQ(f.ind, c.ind);
    EXPECT_EQ(f.rlen, c.rlen);
    EXPECT_EQ(f.rcode, c.rc == kTruncated ? 1406 : 0);
  }
}

TEST(ValueConvert, LongTextIndicatorAndExpressionLimit) {
  // hex() of a 20000-byte blob: 40000 characters of text.
  const Row row("SELECT hex(zeroblob(20000)), hex(zeroblob(2000)), hex(zeroblob(2001))");
  const Fetch cut(row[0], SQLT_STR, 10, ColumnTraits{SQLT_CHR, 40000});
  EXPECT_EQ(cut.rc, kTruncated);
  EXPECT_EQ(cut.ind, 32767);  // the full length does not fit an sb2
  const Fetch too_long(row[0], SQLT_STR, 10, kExpression);
  EXPECT_EQ(too_long.rc, 1489);
  EXPECT_EQ(too_long.rcode, 1489);
  EXPECT_EQ(too_long.buf[0], '#');
  // Exactly 4000 characters is still a valid expression; 4002 is not.
  std::string big(4001, '#');
  sb2 ind = 0;
  EXPECT_EQ(StoreValue(row[1], kExpression,
                       OutputTarget{&big[0], 4001, SQLT_STR, &ind, nullptr, nullptr}),
            kStored);
  EXPECT_EQ(big, std::string(4000, '0') + '\0');
  EXPECT_EQ(StoreValue(row[2], kExpression,
                       OutputTarget{&big[0], 4001, SQLT_STR, &ind, nullptr, nullptr}),
            1489);
  // A declared column of that size is not an expression: it is cut instead.
  EXPECT_EQ(StoreValue(row[2], ColumnTraits{96, 4000},
                       OutputTarget{&big[0], 4001, SQLT_STR, &ind, nullptr, nullptr}),
            kTruncated);
}

TEST(ValueConvert, CharColumnsAreBlankPadded) {
  const Row row("SELECT 'ab', 7");
  const ColumnTraits char5{SQLT_AFC, 5};
  const Fetch str(row[0], SQLT_STR, 6, char5);
  EXPECT_EQ(str.Text(7), std::string("ab   \0#", 7));
  EXPECT_EQ(str.rlen, 5);
  const Fetch chr(row[0], SQLT_CHR, 5, char5);
  EXPECT_EQ(chr.Text(6), "ab   #");
  const Fetch cut(row[0], SQLT_STR, 4, char5);
  EXPECT_EQ(cut.rc, kTruncated);
  EXPECT_EQ(cut.Text(5), std::string("ab \0#", 5));
  EXPECT_EQ(cut.ind, 5);
  const Fetch number(row[1], SQLT_STR, 6, char5);
  EXPECT_EQ(number.Text(6), std::string("7    \0", 6));
  // Padding never reaches a number target.
  const Fetch varnum(Row("SELECT ' 7  '")[0], SQLT_VNU, 22, char5);
  EXPECT_EQ(varnum.Hex(3), "02 C1 08");
}

TEST(ValueConvert, NullAndEmptyValues) {
  const Row row("SELECT NULL, '', x''");
  for (int column = 0; column < 3; ++column) {
    const std::pair<ub2, sb4> targets[] = {{SQLT_STR, 10}, {SQLT_CHR, 10},
                                           {SQLT_VNU, 22}, {SQLT_NUM, 21},
                                           {SQLT_INT, 4},  {SQLT_FLT, 8}};
    for (const auto &[type, size] : targets) {
      const Fetch f(row[column], type, size);
      EXPECT_EQ(f.rc, kStored) << column << " " << type;
      EXPECT_EQ(f.ind, -1);
      EXPECT_EQ(f.rlen, 0);
      EXPECT_EQ(f.rcode, 1405);
      EXPECT_EQ(f.buf[0], '#');  // nothing stored
    }
  }
  char buf[8];
  EXPECT_EQ(StoreValue(row[0], kVarchar,
                       OutputTarget{buf, 8, SQLT_STR, nullptr, nullptr, nullptr}),
            1405);
}

TEST(ValueConvert, NumbersAsVarnumAndNumber) {
  const Row row("SELECT 12.5, 3000000000, '-3.9', ' 42 ', 'abc', x'01', 1e300, 0, "
                "9223372036854775807");
  struct Case {
    int column;
    int rc;
    const char *varnum;
  };
  const Case cases[] = {
      {0, kStored, "03 C1 0D 33"},
      {1, kStored, "02 C5 1F"},
      {2, kStored, "04 3E 62 0B 66"},
      {3, kStored, "02 C1 2B"},
      {4, 1722, ""},
      {5, 932, ""},
      {6, 1426, ""},
      {7, kStored, "01 80"},
      {8, kStored, "0B CA 0A 17 22 49 04 45 37 4E 3B 08"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.column);
    const Fetch vnu(row[c.column], SQLT_VNU, 22, kNumber);
    EXPECT_EQ(vnu.rc, c.rc);
    const std::string hex = c.varnum;
    if (c.rc != kStored) {
      EXPECT_EQ(vnu.rcode, c.rc);
      EXPECT_EQ(vnu.buf[0], '#');
      continue;
    }
    const size_t len = static_cast<unsigned char>(vnu.buf[0]) + 1u;
    EXPECT_EQ(vnu.Hex(len), hex);
    EXPECT_EQ(vnu.ind, 0);
    EXPECT_EQ(vnu.rlen, len);
    const Fetch num(row[c.column], SQLT_NUM, 21, kNumber);
    EXPECT_EQ(num.rc, kStored);
    EXPECT_EQ(num.Hex(len - 1), hex.substr(3));
    EXPECT_EQ(num.rlen, len - 1);
  }
  // A buffer too small for the number's bytes gets nothing.
  const Fetch small(row[0], SQLT_VNU, 3, kNumber);
  EXPECT_EQ(small.rc, 1460);
  EXPECT_EQ(small.buf[0], '#');
  const Fetch fits(row[1], SQLT_VNU, 3, kNumber);
  EXPECT_EQ(fits.rc, kStored);
}

// Numbers of every length, 1 to 22 bytes: exactly their bytes are stored,
// as the form encodes them, and nothing past them.
TEST(ValueConvert, NumbersOfEveryLengthStoreExactlyTheirBytes) {
  // Integers and doubles as SQLite holds them; longer numbers as text.
  const char *const texts[] = {
      "0", "5", "-5", "1234", "-1234", "123456", "-12345678", "1234567890",
      "-123456789012", "12345678901234", "123456789012345678", "0.25", "-1234.25",
      "'-1234567890123456789012'", "'12345678901234567890123456'",
      "'-1234567890123456789012345678901234567'",
      "'1234567890123456789012345678901234567891'",
      "'-1234567890123456789012345678901234567891'"};
  for (const char *t : texts) {
    SCOPED_TRACE(t);
    const Row row(std::string("SELECT ") + t);
    const std::string digits = t[0] == '\'' ? std::string(t + 1, strlen(t) - 2) : t;
    OCINumber want{};
    ASSERT_EQ(NumberFromText(digits.data(), digits.size(), &want), 0);
    const size_t len = want.OCINumberPart[0] + 1u;
    for (const ub2 type : {ub2{SQLT_VNU}, ub2{SQLT_NUM}}) {
      const size_t skip = type == SQLT_VNU ? 0 : 1;
      const Fetch f(row[0], type, 22, kNumber);
      ASSERT_EQ(f.rc, kStored);
      EXPECT_EQ(memcmp(f.buf, want.OCINumberPart + skip, len - skip), 0);
      EXPECT_EQ(f.rlen, len - skip);
      EXPECT_EQ(f.buf[len - skip], '#');
    }
  }
}

// The fetch's row loop gives each column what StoreValue gives it, goes on
// past a cut text (answering kTruncated) and stops at the first error.
TEST(ValueConvert, ColumnsOfARowStoreAsOneByOne) {
  sqlite3 *db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  sqlite3_stmt *stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT 42, 1234.25, 'customer-0000042', 0.5, 'abc', 7",
                               -1, &stmt, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  struct Buffer {
    char bytes[24];
    sb2 ind;
    ub2 rlen;
  };
  Buffer row[6];
  Buffer alone[6];
  const ub2 types[6] = {SQLT_VNU, SQLT_VNU, SQLT_STR, SQLT_FLT, SQLT_STR, SQLT_INT};
  const sb4 sizes[6] = {22, 22, 8, 8, 24, 4};  // the first text is cut
  OutputTarget targets[6];
  OutputTarget singles[6];
  ColumnSlot slots[6];
  for (int i = 0; i < 6; ++i) {
    memset(&row[i], '#', sizeof row[i]);
    memset(&alone[i], '#', sizeof alone[i]);
    targets[i] = OutputTarget{row[i].bytes, sizes[i], types[i], &row[i].ind, &row[i].rlen, nullptr};
    singles[i] = OutputTarget{alone[i].bytes, sizes[i], types[i], &alone[i].ind, &alone[i].rlen,
                              nullptr};
    slots[i] = ColumnSlot{i, kVarchar, StoreKindFor(targets[i]), &targets[i]};
  }
  EXPECT_EQ(StoreColumns(stmt, slots, 6), kTruncated);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    StoreValue(sqlite3_column_value(stmt, i), kVarchar, singles[i]);
    EXPECT_EQ(memcmp(&row[i], &alone[i], sizeof row[i]), 0);
  }
  // A column that cannot be stored stops the row there.
  targets[1].type = SQLT_INT;
  targets[1].size = 3;
  slots[1].kind = StoreKindFor(targets[1]);
  memset(&row[2], '#', sizeof row[2]);
  EXPECT_EQ(StoreColumns(stmt, slots, 6), 932);
  EXPECT_EQ(row[2].bytes[0], '#');
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}

TEST(ValueConvert, IntegersOfEveryWidth) {
  const Row row("SELECT 127, -128, 128, 32767, -32768, 2147483647, 3000000000, "
                "-9223372036854775808, 2.5, -2.5, 2.4, 1e19, 9.2e18, '12.5', '-0.5', "
                "'abc', '1e30', x'01', -2147483648.4");
  struct Case {
    int column;
    sb4 width;
    int rc;
    int64_t value;
  };
  const Case cases[] = {
      {0, 1, kStored, 127},          {1, 1, kStored, -128},
      {2, 1, 1455, 0},               {2, 2, kStored, 128},
      {3, 2, kStored, 32767},        {4, 2, kStored, -32768},
      {3, 1, 1455, 0},               {5, 4, kStored, 2147483647},
      {6, 4, 1455, 0},               {6, 8, kStored, 3000000000},
      {7, 8, kStored, INT64_MIN},    {7, 4, 1455, 0},
      {8, 4, kStored, 3},            {9, 4, kStored, -3},
      {10, 2, kStored, 2},           {11, 8, 1455, 0},
      {12, 8, kStored, 9200000000000000000},
      {13, 4, kStored, 13},          {14, 1, kStored, -1},
      {15, 4, 1722, 0},              {16, 8, 1455, 0},
      {17, 4, 932, 0},               {18, 4, kStored, INT32_MIN},
      {0, 3, 932, 0},                {0, 16, 932, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << "column " << c.column << " width " << c.width);
    const Fetch f(row[c.column], SQLT_INT, c.width, kNumber);
    EXPECT_EQ(f.rc, c.rc);
    if (c.rc != kStored) {
      EXPECT_EQ(f.rcode, c.rc);
      EXPECT_EQ(f.buf[0], '#');
      continue;
    }
    EXPECT_EQ(f.rlen, c.width);
    EXPECT_EQ(f.buf[c.width], '#');  // nothing past the width
    switch (c.width) {
      case 1: EXPECT_EQ(f.As<int8_t>(), c.value); break;
      case 2: EXPECT_EQ(f.As<int16_t>(), c.value); break;
      case 4: EXPECT_EQ(f.As<int32_t>(), c.value); break;
      default: EXPECT_EQ(f.As<int64_t>(), c.value); break;
    }
  }
}

TEST(ValueConvert, FloatsOfBothWidths) {
  const Row row("SELECT 12.5, 3000000000, '0.1', 1e300, 'abc', x'01', "
                "'1234567890123456789012345678901234567890'");
  const Fetch d(row[0], SQLT_FLT, 8);
  EXPECT_EQ(d.rc, kStored);
  EXPECT_EQ(d.As<double>(), 12.5);
  EXPECT_EQ(d.rlen, 8);
  const Fetch f(row[0], SQLT_FLT, 4);
  EXPECT_EQ(f.As<float>(), 12.5f);
  EXPECT_EQ(f.buf[4], '#');
  EXPECT_EQ(Fetch(row[1], SQLT_FLT, 8).As<double>(), 3e9);
  EXPECT_EQ(Fetch(row[2], SQLT_FLT, 8).As<double>(), 0.1);
  EXPECT_EQ(Fetch(row[2], SQLT_FLT, 4).As<float>(), 0.1f);
  EXPECT_EQ(Fetch(row[3], SQLT_FLT, 8).As<double>(), 1e300);
  EXPECT_EQ(Fetch(row[3], SQLT_FLT, 4).rc, 1426);
  EXPECT_EQ(Fetch(row[4], SQLT_FLT, 8).rc, 1722);
  EXPECT_EQ(Fetch(row[5], SQLT_FLT, 8).rc, 932);
  EXPECT_EQ(Fetch(row[6], SQLT_FLT, 8).As<double>(), 1.2345678901234568e39);
  EXPECT_EQ(Fetch(row[0], SQLT_FLT, 2).rc, 932);
}

TEST(ValueConvert, UnsupportedExternalTypeAndMissingReportPointers) {
  const Row row("SELECT 12.5");
  EXPECT_EQ(Fetch(row[0], SQLT_DAT, 7).rc, 932);
  EXPECT_EQ(Fetch(row[0], SQLT_BLOB, 8).rc, 932);
  char buf[8];
  EXPECT_EQ(StoreValue(row[0], kVarchar,
                       OutputTarget{buf, 8, SQLT_STR, nullptr, nullptr, nullptr}),
            kStored);
  EXPECT_STREQ(buf, "12.5");
}

}  // namespace
