// TO_CHAR, TO_DATE, TO_TIMESTAMP and TO_NUMBER with Oracle's format models,
// and the session settings they read, through the client interface. The
// expected texts are the vendor's documented answers.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

class EngineConversion : public ::testing::Test {
 protected:
  EngineConversion() : s(dir.CreateLink("c.db")) {}
  void SetUp() override { ASSERT_TRUE(s.ok()) << s.ErrorText(); }

  // The one value `expression` gives, "NULL" for NULL, or "ORA-n".
  std::string Value(const std::string &expression) {
    const std::string sql = "SELECT " + expression + " FROM dual";
    if (s.Run(sql) != OCI_SUCCESS) return "ORA-" + std::to_string(s.ErrorCode());
    const Rows rows = s.Query(sql);
    if (rows.size() != 1) return "no row";
    return rows[0][0].value_or("NULL");
  }
  void Check(const std::vector<std::pair<std::string, std::string>> &cases) {
    for (const auto &c : cases) EXPECT_EQ(Value(c.first), c.second) << c.first;
  }
  void CheckDates(const std::vector<std::pair<std::string, std::string>> &cases) {
    for (const auto &c : cases) {
      EXPECT_EQ(Value("TO_CHAR(" + c.first + ", 'YYYY-MM-DD HH24:MI:SS')"), c.second) << c.first;
    }
  }

  TempDir dir;
  Session s;
};

// 2024-01-05 was a Friday.
const char kDay[] = "TO_DATE('2024-01-05 13:07:09', 'YYYY-MM-DD HH24:MI:SS')";

TEST_F(EngineConversion, DatesToText) {
  const std::string d = kDay;
  Check({
      {"TO_CHAR(" + d + ", 'YYYY-MM-DD HH24:MI:SS')", "2024-01-05 13:07:09"},
      {"TO_CHAR(" + d + ", 'Day, Month DD, YYYY')", "Friday   , January   05, 2024"},
      {"TO_CHAR(" + d + ", 'fmDay, Month DD, YYYY')", "Friday, January 5, 2024"},
      {"TO_CHAR(" + d + ", 'DY mon dd')", "FRI jan 05"},
      {"TO_CHAR(" + d + ", 'HH:MI:SS AM')", "01:07:09 PM"},
      {"TO_CHAR(" + d + ", 'HH12 a.m.')", "01 p.m."},
      {"TO_CHAR(" + d + ", 'DDD D Q WW W IW J SSSSS')", "005 6 1 01 1 01 2460315 47229"},
      {"TO_CHAR(" + d + ", 'DDTH \"of\" fmMonth')", "05TH of January"},
      {"TO_CHAR(" + d + ", 'DDSP DdSpTh')", "FIVE Fifth"},
      {"TO_CHAR(" + d + ", 'YEAR Y,YYY RM CC')", "TWENTY TWENTY-FOUR 2,024 I    21"},
      {"TO_CHAR(" + d + ")", "05-JAN-24"},
      {"TO_CHAR(TO_TIMESTAMP('2024-01-05 13:07:09.123456', "
       "'YYYY-MM-DD HH24:MI:SS.FF'), 'HH24:MI:SS.FF3')",
       "13:07:09.123"},
      {"TO_CHAR(NULL, 'YYYY')", "NULL"},
      {"TO_CHAR(" + d + ", 'YYYY-MM-DD BAD')", "ORA-1821"},
  });
}

TEST_F(EngineConversion, TextToDates) {
  // Shown to the second, whatever the session's format.
  CheckDates({
      {"TO_DATE('17-DEC-1980', 'DD-MON-YYYY')", "1980-12-17 00:00:00"},
      {"TO_DATE('17-december-80', 'DD-MON-RR')", "1980-12-17 00:00:00"},
      {"TO_DATE('01-JAN-49', 'DD-MON-RR')", "2049-01-01 00:00:00"},
      {"TO_DATE('05-JAN-24')", "2024-01-05 00:00:00"},
      {"TO_DATE('15/ JAN /1998', 'DD-MON-YYYY')", "1998-01-15 00:00:00"},
      {"TO_DATE('20240115', 'YYYYMMDD')", "2024-01-15 00:00:00"},
      {"TO_DATE(20240115, 'YYYYMMDD')", "2024-01-15 00:00:00"},
      {"TO_DATE('2024-01-15', 'YYYY-MM-DD HH24:MI')", "2024-01-15 00:00:00"},
      {"TO_DATE('01:30 pm 2024-02-29', 'HH:MI AM YYYY-MM-DD')", "2024-02-29 13:30:00"},
      {"TO_DATE('2460315', 'J')", "2024-01-05 00:00:00"},
      {"TO_DATE('15/JAN/1998', 'FXDD-MON-YYYY')", "ORA-1861"},
      {"TO_DATE('32-JAN-2024', 'DD-MON-YYYY')", "ORA-1847"},
      {"TO_DATE('29-FEB-2023', 'DD-MON-YYYY')", "ORA-1839"},
      {"TO_DATE('15-FOO-2024', 'DD-MON-YYYY')", "ORA-1843"},
      {"TO_DATE('ab-01-2024', 'DD-MM-YYYY')", "ORA-1858"},
      {"TO_DATE('2024-01-15 10', 'YYYY-MM-DD')", "ORA-1830"},
      {"TO_DATE('25:00', 'HH24:MI')", "ORA-1850"},
      {"TO_DATE('13:00', 'HH:MI')", "ORA-1849"},
      {"TO_DATE('0000-01-01', 'YYYY-MM-DD')", "ORA-1841"},
  });
}

TEST_F(EngineConversion, NumbersToTextAndBack) {
  Check({
      {"TO_CHAR(1234.567, '9,999.99')", " 1,234.57"},
      {"TO_CHAR(-1234.567, '9,999.99')", "-1,234.57"},
      {"TO_CHAR(0.5, '999.99')", "    .50"},
      {"TO_CHAR(0.5, '990.99')", "   0.50"},
      {"TO_CHAR(0, '999')", "   0"},
      {"TO_CHAR(12, '0999')", " 0012"},
      {"TO_CHAR(123, '9,999')", "   123"},
      {"TO_CHAR(12345, '999')", "####"},
      {"TO_CHAR(1234, '$9,999')", " $1,234"},
      {"TO_CHAR(-5, '999MI') || '|' || TO_CHAR(5, '999MI')", "  5-|  5 "},
      {"TO_CHAR(-5, '999PR') || '|' || TO_CHAR(5, '999PR')", "  <5>|   5 "},
      {"TO_CHAR(5, 'S999') || '|' || TO_CHAR(-5, '999S')", "  +5|  5-"},
      {"TO_CHAR(12.5, 'FM999.99') || '|' || TO_CHAR(12, 'FM999.99')", "12.5|12."},
      {"TO_CHAR(1234.5, '9.99EEEE')", " 1.23E+03"},
      {"TO_CHAR(255, 'XXXX') || '|' || TO_CHAR(255, 'FMxx')", "   FF|ff"},
      {"TO_CHAR(1994, 'FMRN') || '|' || TO_CHAR(4, 'rn')", "MCMXCIV|             iv"},
      {"TO_CHAR(12, '99V99')", " 1200"},
      {"TO_CHAR(0, 'B999') || '|'", "    |"},
      {"TO_CHAR(12.5)", "12.5"},
      {"CASE WHEN 'SMITH' LIKE 's%' THEN 'yes' ELSE 'no' END", "no"},
      {"TO_CHAR(1, '9X9')", "ORA-1481"},
      {"TO_NUMBER('1,234.50', '9,999.99')", "1234.5"},
      {"TO_NUMBER('$1,234', '$9,999')", "1234"},
      {"TO_NUMBER('<5>', '999PR') + TO_NUMBER('5-', '9MI')", "-10"},
      {"TO_NUMBER('FF', 'XX')", "255"},
      {"TO_NUMBER(' 12.5 ')", "12.5"},
      {"TO_NUMBER('12345', '999')", "ORA-1722"},
      {"TO_NUMBER('abc')", "ORA-1722"},
  });
}

TEST_F(EngineConversion, SessionSettingsChangeTheDefaults) {
  const struct {
    const char *statement;
    int error;
  } steps[] = {
      {"ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY/MM/DD HH24:MI'", 0},
      {"ALTER SESSION SET NLS_NUMERIC_CHARACTERS = ',.' NLS_CURRENCY = 'EUR'", 0},
      {"ALTER SESSION SET NLS_LANGUAGE = AMERICAN NLS_TERRITORY = 'AMERICA'", 0},
      {"ALTER SESSION SET NLS_DATE_FORMAT = 'DD-ZZ'", 1821},
      {"ALTER SESSION SET NLS_LANGUAGE = FRENCH", 12705},
      {"ALTER SESSION SET NO_SUCH_SETTING = 1", 2248},
      {"ALTER SESSION SET NLS_DATE_FORMAT", 922},
  };
  for (const auto &step : steps) {
    EXPECT_EQ(s.Run(step.statement), step.error ? OCI_ERROR : OCI_SUCCESS) << step.statement;
    EXPECT_EQ(s.ErrorCode(), step.error) << step.statement << ": " << s.ErrorText();
  }
  Check({
      {std::string("TO_CHAR(") + kDay + ")", "2024/01/05 13:07"},
      {"TO_DATE('2024/02/03 04:05')", "2024/02/03 04:05"},
      {"TO_CHAR(1234.5, '9G999D99')", " 1.234,50"},
      {"TO_CHAR(1234.5, 'L9999')", " EUR1235"},
  });
}

}  // namespace

namespace {

// Oracle's operators on its types, as the front end writes them.
TEST_F(EngineConversion, OperatorsFollowOracle) {
  Check({
      {"7 / 2", "3.5"},
      {"TO_CHAR(DATE '2024-02-28' + 1.5, 'YYYY-MM-DD HH24:MI')", "2024-02-29 12:00"},
      {"DATE '2024-03-01' - DATE '2024-02-28'", "2"},
      {"TO_CHAR(DATE '2024-01-01' - 1/24, 'YYYY-MM-DD HH24')", "2023-12-31 23"},
      {"TIMESTAMP '2024-01-02 03:00:00' - TIMESTAMP '2024-01-01 00:00:00'",
       "+000000001 03:00:00.000000000"},
      {"DATE '2024-01-01' + DATE '2024-01-02'", "ORA-975"},
      {"NVL2('', 'not null', 'null')", "null"},
      {"NULL || 'a'", "a"},
      {"LENGTH('')", "NULL"},
      {"CASE WHEN 'a ' = 'a' THEN 'padded' ELSE 'exact' END", "padded"},
      {"CASE WHEN '10' > 9 THEN 'number' ELSE 'text' END", "number"},
      {"'x' + 1", "ORA-1722"},
      // LOB conversions: TO_CLOB of a number is its text, a CLOB joined to
      // text stays whole, TO_BLOB takes RAW or hexadecimal text.
      {"LENGTH(TO_CLOB(123) || RPAD('x', 3000, 'x') || RPAD('y', 3000, 'y'))", "6003"},
      {"RAWTOHEX(TO_BLOB(HEXTORAW('0A0B')))", "0A0B"},
      {"RAWTOHEX(TO_BLOB('0c0d'))", "0C0D"},
  });
}

// A written value takes its column's type: text read in the session's
// format, numbers rounded to the scale, sizes held, '' stored as NULL.
TEST_F(EngineConversion, WrittenValuesTakeTheirColumnsType) {
  ASSERT_EQ(s.Run("CREATE TABLE w (d DATE, ts TIMESTAMP(3), n NUMBER(5,2), v VARCHAR2(3), "
                  "r RAW(2), k NUMBER(3))"),
            OCI_SUCCESS)
      << s.ErrorText();
  const struct {
    const char *column;
    const char *value;
    const char *read;  // the expression read back
    const char *expected;
  } cases[] = {
      {"d", "'05-JAN-24'", "TO_CHAR(d, 'YYYY-MM-DD HH24:MI:SS')", "2024-01-05 00:00:00"},
      {"d", "TIMESTAMP '2024-01-05 10:11:12.9'", "TO_CHAR(d, 'HH24:MI:SS')", "10:11:12"},
      {"d", "'2024-13-01'", "d", "ORA-1843"},
      {"d", "5", "d", "ORA-932"},
      {"ts", "'2024-01-05 10:11:12.99951'", "TO_CHAR(ts, 'HH24:MI:SS.FF3')", "10:11:13.000"},
      {"ts", "DATE '2024-01-05'", "TO_CHAR(ts, 'YYYY-MM-DD HH24:MI:SS.FF3')",
       "2024-01-05 00:00:00.000"},
      {"n", "'12.345'", "n", "12.35"},
      {"n", "1000", "n", "ORA-1438"},
      {"v", "''", "NVL(v, 'null')", "null"},
      {"v", "12", "v", "12"},
      {"v", "'abcd'", "v", "ORA-12899"},
      {"r", "'0aFF'", "RAWTOHEX(r)", "0AFF"},
      {"r", "'zz'", "r", "ORA-1465"},
      {"r", "HEXTORAW('010203')", "r", "ORA-12899"},
      {"k", "(SELECT 2.5 FROM dual)", "k", "3"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.column) + " <- " + c.value);
    ASSERT_EQ(s.Run("DELETE FROM w"), OCI_SUCCESS);
    if (s.Run(std::string("INSERT INTO w (") + c.column + ") VALUES (" + c.value + ")") !=
        OCI_SUCCESS) {
      EXPECT_EQ("ORA-" + std::to_string(s.ErrorCode()), c.expected) << s.ErrorText();
      continue;
    }
    const Rows rows = s.Query(std::string("SELECT ") + c.read + " FROM w");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].value_or("NULL"), c.expected);
  }
  // The same rules for UPDATE, for INSERT ... SELECT, and for a text bind.
  ASSERT_EQ(s.Run("INSERT INTO w (n) SELECT '1.005' FROM dual"), OCI_SUCCESS) << s.ErrorText();
  ASSERT_EQ(s.Run("UPDATE w SET d = '29-FEB-24' WHERE n = 1.01"), OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(s.Query("SELECT TO_CHAR(d, 'YYYY-MM-DD'), n FROM w WHERE n = 1.01"),
            (Rows{{std::string("2024-02-29"), std::string("1.01")}}));
  EXPECT_EQ(s.Run("UPDATE w SET v = 'long' WHERE n = 1.01"), OCI_ERROR);
  EXPECT_NE(s.ErrorText().find("\"W\".\"V\" (actual: 4, maximum: 3)"), std::string::npos)
      << s.ErrorText();
}

// A syntax or name error tells where it was found.
TEST_F(EngineConversion, ErrorsCarryTheirPosition) {
  OCIStmt *stmt = s.NewStatement();
  const struct {
    const char *sql;
    int error;
    ub2 offset;
  } cases[] = {
      {"SELECT 1 FROM dual WHERE", 936, 24},
      {"SELECT nosuch FROM dual", 904, 7},
      {"SELECT 1 FROM dual", 0, 0},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(s.Run(c.sql, stmt), c.error ? OCI_ERROR : OCI_SUCCESS) << c.sql;
    EXPECT_EQ(s.ErrorCode(), c.error) << c.sql;
    ub2 offset = 99;
    ASSERT_EQ(OCIAttrGet(stmt, OCI_HTYPE_STMT, &offset, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET,
                         s.err),
              OCI_SUCCESS);
    EXPECT_EQ(offset, c.offset) << c.sql;
  }
}

}  // namespace
