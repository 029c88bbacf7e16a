// Oracle's SQL functions through the client interface: one table per
// family, each an expression and the text Oracle answers for it ("NULL",
// or "ORA-n" for an error). Dates are given in their stored form.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Rows;
using engine_test::Session;
using engine_test::TempDir;

using Cases = std::vector<std::pair<std::string, std::string>>;

class EngineFunction : public ::testing::Test {
 protected:
  EngineFunction() : s(dir.CreateLink("f.db")) {}
  void SetUp() override { ASSERT_TRUE(s.ok()) << s.ErrorText(); }

  std::string Value(const std::string &expression, const std::string &from = "dual") {
    std::string sql = "SELECT " + expression + " FROM " + from;
    if (s.Run(sql) != OCI_SUCCESS && s.ErrorText().find("got BOOLEAN") != std::string::npos) {
      // A condition is not a value to Oracle: shown as 1, 0 or NULL.
      sql = "SELECT CASE WHEN " + expression + " THEN 1 WHEN NOT (" + expression +
            ") THEN 0 END FROM " + from;
    }
    if (s.Run(sql) != OCI_SUCCESS) return "ORA-" + std::to_string(s.ErrorCode());
    const Rows rows = s.Query(sql);
    if (rows.size() != 1) return "rows: " + std::to_string(rows.size());
    return rows[0][0].value_or("NULL");
  }
  void Check(const Cases &cases) {
    for (const auto &c : cases) EXPECT_EQ(Value(c.first), c.second) << c.first;
  }

  TempDir dir;
  Session s;
};

TEST_F(EngineFunction, Strings) {
  Check({
      {"SUBSTR('ABCDEFG', 3, 4)", "CDEF"},
      {"SUBSTR('ABCDEFG', -5, 4)", "CDEF"},
      {"SUBSTR('ABCDEFG', 0, 2)", "AB"},
      {"SUBSTR('ABCDEFG', 2, 0)", "NULL"},
      {"SUBSTR('ABC', 4)", "NULL"},
      {"SUBSTR('ABC', -4)", "NULL"},
      {"SUBSTR('żółw', 2, 2)", "ół"},
      {"SUBSTR(12345, 2, 2)", "23"},
      {"SUBSTR('ABCDEFG', 2.9, 100)", "BCDEFG"},
      {"SUBSTR(NULL, 1)", "NULL"},
      {"SUBSTR('', 1)", "NULL"},
      {"SUBSTRB('żółw', 1, 3)", "ż "},
      {"SUBSTRB('żółw', 2, 3)", " ó"},
      {"INSTR('CORPORATE FLOOR', 'OR', 3, 2)", "14"},
      {"INSTR('CORPORATE FLOOR', 'OR', -3, 2)", "2"},
      {"INSTR('AAAA', 'AA', 1, 2)", "2"},
      {"INSTR('żółw', 'w')", "4"},
      {"INSTR('ABC', 'B', 0)", "0"},
      {"INSTR('ABC', 'B', 1, 0)", "ORA-1428"},
      {"INSTR('ABCABC', 'BC', -1)", "5"},
      {"INSTR('ABCABC', 'BC', -1, 3)", "0"},
      {"INSTR(1234.5, '.')", "5"},
      {"LENGTHB('żółw')", "7"},
      {"LENGTH('żółw')", "4"},
      {"INITCAP('the SOAP-opera 2nd act')", "The Soap-Opera 2nd Act"},
      {"INITCAP('o''neil')", "O'Neil"},
      {"INITCAP('ŻÓŁW éLAN «ΣΟΦΊΑ» дом')", "Żółw Élan «Σοφία» Дом"},
      {"LPAD('Page 1', 15, '*.')", "*.*.*.*.*Page 1"},
      {"LPAD('abcdef', 3)", "abc"},
      {"RPAD('ż', 3, 'ó')", "żóó"},
      {"RPAD('x', 0)", "NULL"},
      {"LPAD('x', 3, NULL)", "NULL"},
      {"LENGTH(LPAD('x', 1e30))", "32767"},
      {"LPAD('x', 4.7, 'żó')", "żóżx"},
      {"LTRIM('<=====>BROWNING<=====>', '<>=')", "BROWNING<=====>"},
      {"RTRIM('xyBROWNINGyxy', 'xy')", "xyBROWNING"},
      {"TRIM('  a b  ')", "a b"},
      {"TRIM('   ')", "NULL"},
      {"LTRIM('  x ')", "x "},
      {"RTRIM('abcżżó', 'óż')", "abc"},
      {"TRIM('xxaxx', 'x')", "ORA-907"},
      {"TRIM(LEADING '0' FROM '0009870')", "9870"},
      {"TRIM(BOTH '0' FROM '0009870')", "987"},
      {"TRIM(TRAILING 'ab' FROM 'x')", "ORA-30001"},
      {"REPLACE('JACK and JUE', 'J', 'BL')", "BLACK and BLUE"},
      {"REPLACE('abcabc', 'b')", "acac"},
      {"REPLACE('abc', NULL, 'x')", "abc"},
      {"REPLACE('aaa', 'a')", "NULL"},
      {"REPLACE(NULL, 'a', 'b')", "NULL"},
      {"TRANSLATE('SQL*Plus User''s Guide', ' */''', '___')", "SQL_Plus_Users_Guide"},
      {"TRANSLATE('żółw', 'żł', 'zl')", "zólw"},
      {"TRANSLATE('a-b-c', 'a-', 'A')", "Abc"},
      {"TRANSLATE('abc', 'a', NULL)", "NULL"},
      {"CONCAT('a', NULL)", "a"},
      {"CONCAT(NULL, NULL)", "NULL"},
      {"CONCAT('x', 1.5)", "x1.5"},
      {"CHR(67) || CHR(50089)", "Cé"},
      {"ASCII('A')", "65"},
      {"ASCII('é')", "50089"},
      {"ASCII(7)", "55"},
      {"LENGTHB(CHR(0))", "1"},
      {"SOUNDEX('SMYTHE') || SOUNDEX('Ashcraft') || SOUNDEX('Tymczak')", "S530A261T522"},
      {"SOUNDEX('Pfister') || SOUNDEX('Lee')", "P236L000"},
      {"SOUNDEX('123')", "NULL"},
  });
}

TEST_F(EngineFunction, Numbers) {
  Check({
      {"ROUND(15.193, 1)", "15.2"},
      {"ROUND(15.193, -1)", "20"},
      {"ROUND(2.5) || ROUND(-2.5)", "3-3"},
      {"ROUND(1.005, 2)", "1.01"},
      {"ROUND('2.675', 2)", "2.68"},
      {"ROUND(1234567, -3)", "1235000"},
      {"ROUND(5.5, NULL)", "NULL"},
      {"TRUNC(15.79, 1)", "15.7"},
      {"TRUNC(-15.79)", "-15"},
      {"TRUNC(15.79, -1)", "10"},
      {"TRUNC(-0.5) || ROUND(-0.4)", "00"},
      {"ROUND(-1.25, 1)", "-1.3"},
      {"ROUND(1234.5678, -2)", "1200"},
      {"ROUND(0.1 + 0.2, 15)", ".3"},
      {"TRUNC('-7.99')", "-7"},
      {"ROUND('abc')", "ORA-1722"},
      {"CEIL(15.7) || ' ' || CEIL(-15.7) || ' ' || FLOOR(-15.7)", "16 -15 -16"},
      {"CEIL('2.1')", "3"},
      {"MOD(11, 4) || ' ' || MOD(-11, 4) || ' ' || MOD(11, -4)", "3 -3 3"},
      {"MOD(11, 0)", "11"},
      {"MOD(9000000000000000001, 10)", "1"},
      {"MOD(-9223372036854775808, -1)", "0"},
      {"MOD(0.3, 0.1)", "0"},
      {"MOD(5.5, 2)", "1.5"},
      {"REMAINDER(11, 4)", "-1"},
      {"REMAINDER(10, 4) || ' ' || REMAINDER(6, 4)", "2 -2"},
      {"REMAINDER(1, 0)", "ORA-1476"},
      {"POWER(3, 2) || ' ' || POWER(-2, 3)", "9 -8"},
      {"POWER(2, -1)", ".5"},
      {"POWER(-8, 0.5)", "ORA-1428"},
      {"POWER(10, 400)", "ORA-1426"},
      {"SQRT(26) > 5.09 AND SQRT(26) < 5.1", "1"},
      {"SQRT(-1)", "ORA-1428"},
      {"EXP(0) || ' ' || LN(1)", "1 0"},
      {"LN(0)", "ORA-1428"},
      {"LOG(10, 100) || ' ' || LOG(2, 8) || ' ' || LOG(3, 81)", "2 3 4"},
      {"LOG(1, 5)", "ORA-1428"},
      {"LOG(10, 0.001)", "-3"},
      {"SIGN(-15) || SIGN(0) || SIGN(0.1)", "-101"},
      {"BITAND(6, 3) || ' ' || BITAND(12, 10)", "2 8"},
      {"BITAND(6, NULL)", "NULL"},
      {"SIGN('-3')", "-1"},
      {"WIDTH_BUCKET(5000, 100, 5100, 10)", "10"},
      {"WIDTH_BUCKET(50, 100, 5100, 10) || WIDTH_BUCKET(5100, 100, 5100, 10)", "011"},
      {"WIDTH_BUCKET(20, 100, 0, 4)", "4"},
      {"WIDTH_BUCKET(5, 1, 10, 0)", "ORA-30494"},
      {"WIDTH_BUCKET(NULL, 1, 10, 3)", "NULL"},
      {"SQRT('')", "NULL"},
      {"ABS(-3)", "3"},
  });
}

TEST_F(EngineFunction, Dates) {
  ASSERT_EQ(s.Run("ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY-MM-DD HH24:MI:SS'"), OCI_SUCCESS);
  Check({
      {"ADD_MONTHS('2024-01-31 10:00:00', 1)", "2024-02-29 10:00:00"},
      {"ADD_MONTHS('2023-02-28 00:00:00', 12)", "2024-02-29 00:00:00"},
      {"ADD_MONTHS('2024-03-15 00:00:00', -14)", "2023-01-15 00:00:00"},
      {"ADD_MONTHS('05-JAN-24', 1)", "ORA-1858"},
      {"ADD_MONTHS('not a date', 1)", "ORA-1858"},
      {"ADD_MONTHS('2024-01-31 00:00:00', 1.9)", "2024-02-29 00:00:00"},
      {"ADD_MONTHS(NULL, 1)", "NULL"},
      {"ADD_MONTHS(5, 1)", "ORA-932"},
      {"MONTHS_BETWEEN('1995-02-02 00:00:00', '1995-01-01 00:00:00')",
       "1.032258064516129"},
      {"MONTHS_BETWEEN('2024-03-31 00:00:00', '2024-02-29 12:00:00')", "1"},
      {"MONTHS_BETWEEN('2024-01-15 00:00:00', '2024-03-15 00:00:00')", "-2"},
      {"MONTHS_BETWEEN('2024-02-29 00:00:00', '2024-01-31 00:00:00')", "1"},
      {"MONTHS_BETWEEN('2024-01-02 12:00:00', '2024-01-01 00:00:00') * 62", "3"},
      {"LAST_DAY('2024-02-10 08:30:00')", "2024-02-29 08:30:00"},
      {"LAST_DAY('2100-02-01 00:00:00')", "2100-02-28 00:00:00"},
      {"LAST_DAY('2024-12-05 01:02:03.500000000')", "2024-12-31 01:02:03"},
      {"NEXT_DAY('2024-01-05 13:00:00', 'TUESDAY')", "2024-01-09 13:00:00"},
      {"NEXT_DAY('2024-01-05 00:00:00', 'fri')", "2024-01-12 00:00:00"},
      {"NEXT_DAY('2024-12-30 00:00:00', 'Wednesday')", "2025-01-01 00:00:00"},
      {"NEXT_DAY('2024-01-05 00:00:00', 'Funday')", "ORA-1846"},
      {"TRUNC('2024-08-17 15:45:31')", "2024-08-17 00:00:00"},
      {"ROUND('2024-08-17 12:00:00')", "2024-08-18 00:00:00"},
      {"TRUNC('2024-08-17 15:45:31', 'YYYY')", "2024-01-01 00:00:00"},
      {"ROUND('2024-07-01 00:00:00', 'YEAR')", "2025-01-01 00:00:00"},
      {"TRUNC('2024-08-17 15:45:31', 'Q')", "2024-07-01 00:00:00"},
      {"ROUND('2024-08-16 00:00:00', 'Q')", "2024-10-01 00:00:00"},
      {"ROUND('2024-02-15 23:59:59', 'MM')", "2024-02-01 00:00:00"},
      {"ROUND('2024-02-16 00:00:00', 'MONTH')", "2024-03-01 00:00:00"},
      {"ROUND('2024-08-17 11:59:59', 'DDD')", "2024-08-17 00:00:00"},
      {"ROUND('2024-08-15 12:00:00', 'IW')", "2024-08-19 00:00:00"},
      {"ROUND('2024-08-15 11:59:59', 'IW')", "2024-08-12 00:00:00"},
      {"TRUNC('2024-08-17 00:00:00', 'W')", "2024-08-15 00:00:00"},
      {"ROUND('2051-01-01 00:00:00', 'CC')", "2101-01-01 00:00:00"},
      {"ROUND('2024-08-17 00:00:00', NULL)", "NULL"},
      {"TRUNC('2024-08-17 00:00:00', 'YYYY-MM')", "ORA-1898"},
      {"ROUND('9999-12-31 23:59:59', 'MI')", "ORA-1841"},
      {"ADD_MONTHS('9999-12-31 00:00:00', 1)", "ORA-1841"},
      {"TRUNC('2024-08-17 15:45:31', 'IW')", "2024-08-12 00:00:00"},
      {"TRUNC('2024-08-17 15:45:31', 'DAY')", "2024-08-11 00:00:00"},
      {"TRUNC('2024-08-17 15:45:31', 'WW')", "2024-08-12 00:00:00"},
      {"TRUNC('2021-01-02 00:00:00', 'IYYY')", "2019-12-30 00:00:00"},
      {"TRUNC('2024-08-17 15:45:31', 'CC')", "2001-01-01 00:00:00"},
      {"ROUND('2024-08-17 15:45:31', 'HH24')", "2024-08-17 16:00:00"},
      {"TRUNC('2024-08-17 15:45:31', 'MI')", "2024-08-17 15:45:00"},
      {"TRUNC('2024-08-17 15:45:31', 'SS')", "ORA-1899"},
      {"TRUNC('2024-08-17 15:45:31.250000000', 'HH')", "2024-08-17 15:00:00"},
      {"NUMTODSINTERVAL(26, 'HOUR')", "+000000001 02:00:00.000000000"},
      {"NUMTODSINTERVAL(-1.5, 'minute')", "-000000000 00:01:30.000000000"},
      {"NUMTODSINTERVAL(0.000000001, 'SECOND')", "+000000000 00:00:00.000000001"},
      {"NUMTODSINTERVAL(1, 'WEEK')", "ORA-1760"},
      {"NUMTODSINTERVAL('1.5', ' day ')", "+000000001 12:00:00.000000000"},
      {"NUMTODSINTERVAL(1, NULL)", "NULL"},
      {"NUMTODSINTERVAL(999999999, 'DAY')", "+999999999 00:00:00.000000000"},
      {"NUMTODSINTERVAL(1e30, 'DAY')", "ORA-1873"},
      {"NUMTOYMINTERVAL(14, 'MONTH')", "+000000001-02"},
      {"NUMTOYMINTERVAL(1.55, 'YEAR')", "+000000001-06"},
      {"NUMTOYMINTERVAL(-1.5, 'year')", "-000000001-06"},
      {"EXTRACT(YEAR FROM TIMESTAMP '2024-02-29 10:11:12')", "2024"},
      {"EXTRACT(DAY FROM TIMESTAMP '2024-02-29 10:11:12')", "29"},
      {"EXTRACT(MONTH FROM DATE '2024-01-05')", "1"},
      {"EXTRACT(YEAR FROM CAST(NULL AS DATE))", "NULL"},
      {"EXTRACT(SECOND FROM TIMESTAMP '2024-02-29 10:11:12.5')", "12.5"},
      {"EXTRACT(HOUR FROM DATE '2024-02-29')", "ORA-30076"},
  });
}

TEST_F(EngineFunction, Comparisons) {
  Check({
      {"DECODE(2, 1, 'one', 2, 'two', 'many')", "two"},
      {"DECODE(3, 1, 'one', 2, 'two', 'many')", "many"},
      {"DECODE(3, 1, 'one')", "NULL"},
      {"DECODE(NULL, 1, 'one', NULL, 'null')", "null"},
      {"DECODE('', NULL, 'empty is null')", "empty is null"},
      {"DECODE('2', 2, 'numeric')", "numeric"},
      {"DECODE('a', 2, 'x')", "ORA-1722"},
      {"DECODE(5, 1, 'a', 2, 'b', 3, 'c', 4, 'd', 5, 'e')", "e"},
      {"DECODE(2, '2', 'text search')", "text search"},
      {"DECODE(2, '2.0', 'no', 'as text')", "as text"},
      {"NVL2(NULL, 'a', 'b') || NVL2(1, 'a', 'b') || NVL2('', 'a', 'b')", "bab"},
      {"NULLIF(1, 1)", "NULL"},
      {"NULLIF(1, 2)", "1"},
      {"NULLIF('a', NULL)", "a"},
      {"NULLIF(1, '1')", "NULL"},
      {"NULLIF('', 'a')", "NULL"},
      {"COALESCE(NULL, '', 'c')", "c"},
      {"COALESCE(NULL, 2)", "2"},
      {"NVL('', 'x')", "x"},
      {"GREATEST(1, '3.5', 2)", "3.5"},
      {"GREATEST('HARRY', 'HARRIOT', 'HAROLD')", "HARRY"},
      {"LEAST('HARRY', 'HARRIOT', 'HAROLD')", "HAROLD"},
      {"GREATEST('10', 9)", "9"},
      {"LEAST(1, NULL, 3)", "NULL"},
      {"GREATEST(1, 'x')", "ORA-1722"},
      {"GREATEST('2024-01-05 00:00:00', '2023-12-31 23:59:59')", "2024-01-05 00:00:00"},
      {"LEAST(7)", "7"},
  });
}

TEST_F(EngineFunction, RegularExpressions) {
  Check({
      {"REGEXP_LIKE('Steven', '^Ste(v|ph)en$')", "1"},
      {"REGEXP_LIKE('steven', '^STEVEN$')", "0"},
      {"REGEXP_LIKE('steven', '^STEVEN$', 'i')", "1"},
      {"REGEXP_LIKE('steven', '^STEVEN$', 'ic')", "0"},
      {"REGEXP_LIKE('a', 'a', 'q')", "ORA-1760"},
      {"REGEXP_LIKE('ab12', '^[[:alpha:]]+[[:digit:]]+$')", "1"},
      {"REGEXP_LIKE('é', '^[[:alpha:]]$')", "1"},
      {"REGEXP_LIKE(NULL, 'a')", "NULL"},
      {"REGEXP_LIKE('ŻÓŁW', '^żółw$', 'i')", "1"},
      {"REGEXP_SUBSTR('żó', '^.')", "ż"},
      {"REGEXP_LIKE('abab', '^(ab)\\1$')", "1"},
      {"REGEXP_LIKE('ab', 'a b', 'x')", "1"},
      {"REGEXP_LIKE('ab', '^a #b$', 'x')", "0"},
      {"REGEXP_LIKE('a\\b', '^a[\\]b$')", "1"},
      {"REGEXP_SUBSTR('\\test', '\\test')", "test"},
      {"REGEXP_SUBSTR('x1', '\\d\\Z')", "1"},
      {"REGEXP_COUNT('a-b', '[[=a=][.-.]]')", "2"},
      {"REGEXP_LIKE('a\nb', 'a$')", "0"},
      {"REGEXP_SUBSTR('500 Oracle Parkway, Redwood Shores, CA', ',[^,]+,')", ", Redwood Shores,"},
      {"REGEXP_SUBSTR('1234567890', '(123)(4(56)(78))', 1, 1, 'i', 4)", "78"},
      {"REGEXP_SUBSTR('a1b22c333', '[0-9]+', 1, 3)", "333"},
      {"REGEXP_SUBSTR('a1b22', '[0-9]+', 1, 3)", "NULL"},
      {"REGEXP_SUBSTR('żółw żaba', 'ż[^ ]+', 2)", "żaba"},
      {"REGEXP_SUBSTR('abc', 'b', 1, 0)", "ORA-1428"},
      {"REGEXP_SUBSTR('abc', '(b)', 1, 1, NULL, 2)", "NULL"},
      {"REGEXP_INSTR('500 Oracle Parkway', '[^ ]+', 1, 2)", "5"},
      {"REGEXP_INSTR('500 Oracle Parkway', '[^ ]+', 1, 2, 1)", "11"},
      {"REGEXP_INSTR('żółw', 'w')", "4"},
      {"REGEXP_INSTR('abc', 'x')", "0"},
      {"REGEXP_INSTR('żółw', 'ół', 1, 1, 1)", "4"},
      {"REGEXP_INSTR('ab12cd', '([a-z]+)([0-9]+)', 1, 1, 0, NULL, 2)", "3"},
      {"REGEXP_REPLACE('500   Oracle     Parkway', '( ){2,}', ' ')", "500 Oracle Parkway"},
      {"REGEXP_REPLACE('John Smith', '(\\w+) (\\w+)', '\\2, \\1')", "Smith, John"},
      {"REGEXP_REPLACE('aaa', 'a', 'b', 1, 2)", "aba"},
      {"REGEXP_REPLACE('aaa', 'a', 'b', 2)", "abb"},
      {"REGEXP_REPLACE('aaa', 'a', 'b', 1, 5)", "aaa"},
      {"REGEXP_REPLACE('aaa', 'a', 'b', 9)", "aaa"},
      {"REGEXP_REPLACE('abc', 'x*', '-')", "-a-b-c-"},
      {"REGEXP_REPLACE('a.b', '\\.', '\\\\')", "a\\b"},
      {"REGEXP_REPLACE('aaa', 'a')", "NULL"},
      {"REGEXP_REPLACE('abc', NULL, 'x')", "abc"},
      {"REGEXP_REPLACE('abc', '(b', 'x')", "ORA-12725"},
      {"REGEXP_REPLACE('abc', '[b', 'x')", "ORA-12726"},
      {"REGEXP_COUNT('abc', RPAD('a', 513, 'a'))", "ORA-12733"},
      {"REGEXP_COUNT(RPAD('a', 40, 'a') || 'b', '(a*)*$')", "ORA-12722"},
      {"REGEXP_COUNT('123123123123', '123', 3)", "3"},
      {"REGEXP_COUNT('ABC abc', 'abc', 1, 'i')", "2"},
      {"REGEXP_COUNT('abc', 'c', 4)", "0"},
      {"REGEXP_COUNT('line1\nline2', '^line', 1, 'm')", "2"},
      {"REGEXP_COUNT('a\nb', 'a.b') || REGEXP_COUNT('a\nb', 'a.b', 1, 'n')", "01"},
  });
}

TEST_F(EngineFunction, RawAndContext) {
  Check({
      {"RAWTOHEX(HEXTORAW('7D'))", "7D"},
      {"RAWTOHEX(HEXTORAW('abc'))", "0ABC"},
      {"HEXTORAW('XY')", "ORA-1465"},
      {"RAWTOHEX('')", "NULL"},
      {"RAWTOHEX(123)", "0123"},
      {"HEXTORAW('')", "NULL"},
      {"RAWTOHEX(UTL_RAW.CAST_TO_RAW('Aé'))", "41C3A9"},
      {"UTL_RAW.CAST_TO_VARCHAR2(HEXTORAW('414243'))", "ABC"},
      {"UTL_RAW.CAST_TO_VARCHAR2('414243')", "ABC"},
      {"LENGTH(RAWTOHEX(SYS_GUID()))", "32"},
      {"SYS_GUID() = SYS_GUID()", "0"},
      {"USER", "SCOTT"},
      {"UID = UID", "1"},
      {"SYS_CONTEXT('USERENV', 'SESSION_USER')", "SCOTT"},
      {"SYS_CONTEXT('userenv', 'current_schema')", "SCOTT"},
      {"SYS_CONTEXT('USERENV', 'NLS_DATE_FORMAT')", "DD-MON-RR"},
      {"SYS_CONTEXT('USERENV', 'DB_NAME')", "F"},
      {"SYS_CONTEXT('USERENV', 'SESSIONID') = TO_CHAR(USERENV('SESSIONID'))", "1"},
      {"SYS_CONTEXT('USERENV', 'NO_SUCH_KEY')", "ORA-2003"},
      {"SYS_CONTEXT('MY_APP', 'KEY')", "NULL"},
      {"USERENV('LANGUAGE')", "AMERICAN_AMERICA.AL32UTF8"},
      {"USERENV('BOGUS')", "ORA-2003"},
      {"ORA_HASH('abc') = ORA_HASH('abc')", "1"},
      {"ORA_HASH('abc', 9) BETWEEN 0 AND 9", "1"},
      {"ORA_HASH('abc', 99, 1) = ORA_HASH('abc', 99, 2)", "0"},
      {"ORA_HASH(NULL)", "NULL"},
      {"ORA_HASH('abc', 0)", "0"},
      {"ORA_HASH(5) = ORA_HASH(5.0)", "1"},
      {"ORA_HASH('abc', -1)", "ORA-1428"},
  });
}

TEST_F(EngineFunction, Aggregates) {
  ASSERT_EQ(s.Run("CREATE TABLE t (g NUMBER, x NUMBER)"), OCI_SUCCESS) << s.ErrorText();
  for (int i = 0; i < 10; ++i) {
    ASSERT_EQ(s.Run("INSERT INTO t VALUES (1, 0.1)"), OCI_SUCCESS) << s.ErrorText();
  }
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (2, 2)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (2, 4)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (2, 9)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (2, NULL)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (3, 0.1)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (3, 0.2)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (4, 7)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (5, NULL)"), OCI_SUCCESS);
  const Cases cases = {
      {"SUM(x) FROM t WHERE g = 1", "1"},
      {"SUM(x) FROM t WHERE g = 5", "NULL"},
      {"VARIANCE(x) FROM t WHERE g = 2", "13"},
      {"VARIANCE(x) || ' ' || STDDEV(x) FROM t WHERE g = 4", "0 0"},
      {"STDDEV(x) FROM t WHERE g = 5", "NULL"},
      {"MEDIAN(x) FROM t WHERE g = 2", "4"},
      {"MEDIAN(x) FROM t WHERE g = 3", ".15"},
      {"SUM(DISTINCT x) FROM t WHERE g IN (1, 3)", ".3"},
      {"STDDEV(x) FROM t WHERE g = 2", "3.605551275463989"},
      // Row 1 + p * (n - 1), between its neighbours; DISC the first value
      // whose cumulative distribution reaches p.
      {"PERCENTILE_CONT(0.75) WITHIN GROUP (ORDER BY x) FROM t WHERE g = 2", "6.5"},
      {"PERCENTILE_CONT(0.25) WITHIN GROUP (ORDER BY x DESC) FROM t WHERE g = 3", ".175"},
      {"PERCENTILE_CONT(0.5) WITHIN GROUP (ORDER BY x) FROM t WHERE g = 5", "NULL"},
      {"PERCENTILE_DISC(0.34) WITHIN GROUP (ORDER BY x) FROM t WHERE g = 2", "4"},
      {"PERCENTILE_DISC(0.33) WITHIN GROUP (ORDER BY x) FROM t WHERE g = 2", "2"},
      {"PERCENTILE_DISC(0.3) WITHIN GROUP (ORDER BY g) FROM t WHERE g < 3", "1"},
  };
  for (const auto &c : cases) {
    const Rows rows = s.Query("SELECT " + c.first);
    ASSERT_EQ(rows.size(), 1u) << c.first << ": " << s.ErrorText();
    EXPECT_EQ(rows[0][0].value_or("NULL"), c.second) << c.first;
  }

  // Groups keep their own state.
  const Rows groups = s.Query("SELECT g, MEDIAN(x), SUM(x) FROM t GROUP BY g ORDER BY g");
  ASSERT_EQ(groups.size(), 5u);
  EXPECT_EQ(groups[1][1].value_or("NULL") + " " + groups[1][2].value_or("NULL"), "4 15");
  EXPECT_EQ(groups[2][1].value_or("NULL"), ".15");
  EXPECT_EQ(groups[4][1].value_or("NULL"), "NULL");
  // Over a partition, every row has its partition's percentile.
  const Rows over = s.Query(
      "SELECT PERCENTILE_DISC(0.5) WITHIN GROUP (ORDER BY x DESC) OVER (PARTITION BY g) FROM t "
      "WHERE g IN (2, 3) ORDER BY g");
  ASSERT_EQ(over.size(), 6u);
  EXPECT_EQ(over[3][0].value_or("NULL") + " " + over[4][0].value_or("NULL"), "4 .2");
  EXPECT_EQ(Value("PERCENTILE_CONT(2) WITHIN GROUP (ORDER BY x)", "t"), "ORA-30493");
  // A value that is not a number stops the query; the state is freed.
  ASSERT_EQ(s.Run("INSERT INTO t VALUES (6, 1)"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("CREATE TABLE u (x VARCHAR2(10))"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO u VALUES ('1.5')"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO u VALUES ('-2.5')"), OCI_SUCCESS);
  EXPECT_EQ(Value("SUM(x)", "u"), "-1");
  ASSERT_EQ(s.Run("INSERT INTO u VALUES ('abc')"), OCI_SUCCESS);
  EXPECT_EQ(Value("MEDIAN(x)", "u"), "ORA-1722");
  EXPECT_EQ(Value("SUM(x)", "u"), "ORA-1722");
}

// A statement's rows may each bring their own pattern: the compiled one
// kept for a call site must not answer for another.
TEST_F(EngineFunction, PatternsChangeFromRowToRow) {
  ASSERT_EQ(s.Run("CREATE TABLE p (n NUMBER, s VARCHAR2(20), pat VARCHAR2(20), opt VARCHAR2(2))"),
            OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO p VALUES (1, 'aAbB', 'a', 'c')"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO p VALUES (2, 'aAbB', 'a', 'i')"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO p VALUES (3, 'aAbB', '[ab]', 'i')"), OCI_SUCCESS);
  ASSERT_EQ(s.Run("INSERT INTO p VALUES (4, 'aAbB', '(', 'i')"), OCI_SUCCESS);
  const Rows rows = s.Query(
      "SELECT REGEXP_COUNT(s, pat, 1, opt), REGEXP_COUNT(s, 'b', 1, opt) FROM p WHERE n < 4 ORDER BY n");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0].value_or("NULL") + rows[1][0].value_or("NULL") + rows[2][0].value_or("NULL"), "124");
  EXPECT_EQ(rows[0][1].value_or("NULL") + rows[1][1].value_or("NULL") + rows[2][1].value_or("NULL"), "122");
  EXPECT_EQ(Value("COUNT(REGEXP_SUBSTR(s, pat))", "p"), "ORA-12725");
}

// Functions whose answer depends only on their arguments may serve in
// indexes; views and checks may call any of them.
TEST_F(EngineFunction, SchemaObjectsMayCallThem) {
  ASSERT_EQ(s.Run("CREATE TABLE e (name VARCHAR2(20), hired DATE)"), OCI_SUCCESS);
  EXPECT_EQ(s.Run("CREATE INDEX e_code ON e (SUBSTR(name, 1, 2), ROUND(LENGTHB(name), -1))"),
            OCI_SUCCESS) << s.ErrorText();
  EXPECT_EQ(s.Run("CREATE INDEX e_guid ON e (SYS_GUID())"), OCI_ERROR);
  ASSERT_EQ(s.Run("CREATE VIEW ev AS SELECT INITCAP(name) AS name, "
                  "ADD_MONTHS(hired, 6) AS review FROM e"),
            OCI_SUCCESS) << s.ErrorText();
  ASSERT_EQ(s.Run("INSERT INTO e VALUES ('ada lovelace', '2024-08-31 00:00:00')"), OCI_SUCCESS);
  const Rows rows = s.Query("SELECT name, review FROM ev");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].value_or("NULL"), "Ada Lovelace");
  EXPECT_EQ(rows[0][1].value_or("NULL"), "2025-02-28 00:00:00");
}

// Exact sums do not lose small terms beside large ones, and read numbers
// given as text, in any notation.
TEST_F(EngineFunction, ExactSumKeepsEveryDigit) {
  ASSERT_EQ(s.Run("CREATE TABLE m (x VARCHAR2(30))"), OCI_SUCCESS);
  for (const char *v : {"1e20", "0.01", "-1E+20", "3", "-.005"}) {
    ASSERT_EQ(s.Run(std::string("INSERT INTO m VALUES ('") + v + "')"), OCI_SUCCESS);
  }
  EXPECT_EQ(Value("SUM(x)", "m"), "3.005");
  EXPECT_EQ(Value("VARIANCE(x) > 1e39", "m"), "1");
}

// The functions read the session's settings as they are now.
TEST_F(EngineFunction, SessionSettingsApplyAtOnce) {
  EXPECT_EQ(Value("ADD_MONTHS('31-JAN-24', 1)"), "29-FEB-24");
  ASSERT_EQ(s.Run("ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY/MM/DD'"), OCI_SUCCESS)
      << s.ErrorText();
  EXPECT_EQ(Value("ADD_MONTHS('2024/01/31', 1)"), "2024/02/29");
  EXPECT_EQ(Value("LAST_DAY('31-JAN-24')"), "ORA-1858");
  EXPECT_EQ(Value("SYS_CONTEXT('USERENV', 'NLS_DATE_FORMAT')"), "YYYY/MM/DD");
}

}  // namespace
