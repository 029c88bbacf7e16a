// kestrel-sql's parts on their own: statement splitting, output formats,
// feedback, the command line, the logon string, SET and substitution.
#include <fcntl.h>

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Feedback.h"
#include "Logon.h"
#include "NumberFormat.h"
#include "Options.h"
#include "Output.h"
#include "RowPrinter.h"
#include "Settings.h"
#include "Shell.h"
#include "StatementSplitter.h"
#include "Substitution.h"
#include "TextQuery.h"
#include "ValueText.h"

using namespace kestrel_sql;

namespace {

// Splits a script given as lines; each statement as "text" or "[block]text".
std::vector<std::string> Split(const std::vector<std::string> &lines) {
  StatementSplitter splitter;
  std::vector<std::string> out;
  auto keep = [&out](const std::optional<Statement> &s) {
    if (s) out.push_back((s->block ? "[block]" : "") + s->text);
  };
  for (const std::string &line : lines) keep(splitter.AddLine(line));
  keep(splitter.Finish());
  return out;
}

}  // namespace

TEST(StatementSplitter, EndsStatementsWhereTheVendorShellDoes) {
  struct Case {
    const char *name;
    std::vector<std::string> lines;
    std::vector<std::string> statements;
  };
  const Case cases[] = {
      {"semicolon at line end", {"select 1;", "select 2 ;  "},
       {"select 1", "select 2"}},
      {"spans lines", {"select a,", "  b", "from t;"}, {"select a,\n  b\nfrom t"}},
      {"semicolon inside a line does not end",
       {"select 1; select 2", ";"}, {"select 1; select 2"}},
      {"quoted semicolon", {"insert into t values ('a;", "b;');"},
       {"insert into t values ('a;\nb;')"}},
      {"doubled quote stays inside", {"select 'it''s;' from t;"},
       {"select 'it''s;' from t"}},
      {"quoted identifier", {"select 1 as \"x;\"", "from t;"},
       {"select 1 as \"x;\"\nfrom t"}},
      {"line comment after the semicolon", {"select 1; -- done"}, {"select 1"}},
      {"semicolon in a line comment does not end",
       {"select 1 -- not here;", "from t;"}, {"select 1 -- not here;\nfrom t"}},
      {"block comment across lines",
       {"select /* one;", "two; */ 3;"}, {"select /* one;\ntwo; */ 3"}},
      {"comment-only lines between statements are dropped",
       {"-- heading", "/* note;", "*/", "", "select 1;"}, {"select 1"}},
      {"slash line ends a statement", {"select 1", "/"}, {"select 1"}},
      {"slash line with blanks", {"select 1", "  /  "}, {"select 1"}},
      {"lone slash with nothing pending", {"/", "select 1;"}, {"select 1"}},
      {"slash inside a string is text", {"select '", "/", "' from t;"},
       {"select '\n/\n' from t"}},
      {"anonymous block waits for the slash",
       {"BEGIN", "  insert into t values (1);", "END;", "/"},
       {"[block]BEGIN\n  insert into t values (1);\nEND;"}},
      {"declare block", {"declare x number;", "begin null; end;", "/"},
       {"[block]declare x number;\nbegin null; end;"}},
      {"trigger is a block",
       {"create or replace trigger trg after insert on t", "begin", "null;",
        "end;", "/"},
       {"[block]create or replace trigger trg after insert on t\nbegin\nnull;\nend;"}},
      {"create table is not a block", {"create table t (a number);"},
       {"create table t (a number)"}},
      {"unended statement runs at the end", {"select 1"}, {"select 1"}},
      {"unended block runs at the end", {"begin null; end;"},
       {"[block]begin null; end;"}},
      {"empty statements are dropped", {";", "  ;", "select 1;"}, {"select 1"}},
      {"CRLF-free blank input", {"", "   "}, {}},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Split(c.lines), c.statements) << c.name;
  }
}

TEST(StatementSplitter, TracksPendingLinesAndWhereAStatementBegan) {
  StatementSplitter s;
  EXPECT_FALSE(s.AddLine("-- comment"));
  EXPECT_FALSE(s.Pending());
  EXPECT_FALSE(s.AddLine("select"));
  EXPECT_TRUE(s.Pending());
  EXPECT_EQ(s.PendingLines(), 1);
  EXPECT_EQ(PromptFor(s.PendingLines()), "  2  ");
  const std::optional<Statement> st = s.AddLine("1;");
  ASSERT_TRUE(st);
  EXPECT_EQ(st->firstLine, 2);
  EXPECT_FALSE(s.Pending());
  EXPECT_EQ(PromptFor(s.PendingLines()), "SQL> ");
}

TEST(StatementSplitter, StatementGivenWhole) {
  EXPECT_EQ(StatementFromText("  select 1 ;  ").text, "select 1");
  EXPECT_EQ(StatementFromText("begin null; end;").text, "begin null; end;");
  EXPECT_TRUE(StatementFromText("DECLARE x number; BEGIN null; END;").block);
  EXPECT_TRUE(StartsBlock("/* c */ CREATE OR REPLACE EDITIONABLE PROCEDURE p"));
  EXPECT_FALSE(StartsBlock("create or replace view v as select 1"));
  EXPECT_FALSE(StartsBlock("beginning"));
}

TEST(Shell, ClassifiesLinesAsSqlPlusDoes) {
  const std::tuple<const char *, LineKind, const char *> cases[] = {
      {"exit", LineKind::kCommand, "EXIT"},
      {" Quit 3;", LineKind::kCommand, "QUIT"},
      {"set pages 10", LineKind::kCommand, "SET"},
      {"SET TRANSACTION READ ONLY", LineKind::kSql, ""},
      {"@@sub.sql a b", LineKind::kCommand, "START"},
      {"sta x", LineKind::kCommand, "START"},
      {"set-x", LineKind::kUnknown, ""},
      {"Prompt ** hi", LineKind::kCommand, "PROMPT"},
      {"desc t", LineKind::kCommand, "DESCRIBE"},
      {"/", LineKind::kCommand, "/"},
      {"delete from t", LineKind::kSql, ""},
      {"select*from t", LineKind::kSql, ""},
      {"-- note", LineKind::kSql, ""},
      {"(select 1 from dual)", LineKind::kSql, ""},
      {"exiting", LineKind::kUnknown, ""},
      {"frobnicate", LineKind::kUnknown, ""},
  };
  for (const auto &c : cases) {
    std::string name;
    EXPECT_EQ(ClassifyLine(std::get<0>(c), &name), std::get<1>(c)) << std::get<0>(c);
    EXPECT_EQ(name, std::get<2>(c)) << std::get<0>(c);
  }
  EXPECT_TRUE(IsExitCommand("EXIT;"));
  EXPECT_FALSE(IsExitCommand("exit_code"));
}

namespace {

std::string Print(OutputFormat format, const TableLayout &layout,
                  const std::vector<ResultColumn> &columns,
                  const std::vector<std::vector<Cell>> &rows) {
  std::ostringstream out;
  std::unique_ptr<RowPrinter> printer = MakeRowPrinter(format, layout, columns, out);
  for (const auto &row : rows) printer->Row(row);
  printer->Finish();
  return out.str();
}

}  // namespace

TEST(RowPrinter, CsvQuotesOnlyWhatRfc4180Requires) {
  const std::pair<const char *, const char *> cases[] = {
      {"plain", "plain"},     {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\nlines", "\"two\nlines\""}, {"cr\r", "\"cr\r\""},
      {"", ""},               {" spaced ", " spaced "},
  };
  for (const auto &c : cases) EXPECT_EQ(CsvField(c.first), c.second);
  EXPECT_EQ(Print(OutputFormat::kCsv, {}, {{"ID", true}, {"NOTE", false}},
                  {{"1", "x,y"}, {"2", std::nullopt}}),
            "ID,NOTE\r\n1,\"x,y\"\r\n2,\r\n");
  EXPECT_EQ(Print(OutputFormat::kCsv, {}, {{"N", false}}, {{std::nullopt}}),
            "N\r\n\"\"\r\n");
}

TEST(RowPrinter, TableAlignsAndKeepsMultiLineValuesInTheirColumn) {
  TableLayout layout;
  layout.nullText = "-";
  EXPECT_EQ(Print(OutputFormat::kTable, layout,
                  {{"NAME", false}, {"SALARY", true}, {"X", false}},
                  {{"Zo\xC3\xAB", "12.5", std::nullopt},
                   {"Alexander", "100", "a\tb\nc"}}),
            "NAME      SALARY X\n"
            "--------- ------ ---------\n"
            "Zo\xC3\xAB         12.5 -\n"
            "Alexander    100 a       b\n"
            "                 c\n");
  EXPECT_EQ(DisplayWidth("Zo\xC3\xAB"), 3u);
  EXPECT_EQ(CellLines("a\r\nb\x01"), (std::vector<std::string>{"a", "b?"}));
}

TEST(RowPrinter, EachPageIsSizedByItsOwnRowsAndRepeatsHeadings) {
  TableLayout layout;
  layout.pageSize = 2;
  layout.columnSeparator = "|";
  EXPECT_EQ(Print(OutputFormat::kTable, layout, {{"A", false}, {"B", false}},
                  {{"x", "1"}, {"y", "2"}, {"long", "3"}}),
            "A|B\n-|-\nx|1\ny|2\n\nA   |B\n----|-\nlong|3\n");
  layout.pageSize = 10;
  layout.lineSize = 7;  // "long|1" fits, C folds onto the next line
  EXPECT_EQ(Print(OutputFormat::kTable, layout, {{"A", false}, {"B", false}, {"C", false}},
                  {{"long", "1", "x"}}),
            "A   |B\n----|-\nC\n-\nlong|1\nx\n");
  layout.lineSize = 80;
  layout.pageSize = 0;  // no headings at all
  EXPECT_EQ(Print(OutputFormat::kTable, layout, {{"A", false}}, {{"x"}}), "x\n");
  EXPECT_EQ(Print(OutputFormat::kVertical, {}, {{"ID", true}, {"NOTE", false}},
                  {{"1", "two\nlines"}, {"2", std::nullopt}}),
            "ID   : 1\nNOTE : two\n       lines\n\nID   : 2\nNOTE :\n");
}

TEST(Settings, SetAndShowAsSqlPlusSpellsThem) {
  Settings s;
  std::string error, note, text;
  ASSERT_TRUE(s.Apply("PAGES 20 feed off lin 120 null '(null)' timi on", &error, &note)) << error;
  EXPECT_EQ(s.layout.pageSize, 20);
  EXPECT_EQ(s.feedback, 0);
  EXPECT_EQ(s.layout.lineSize, 120);
  EXPECT_EQ(s.layout.nullText, "(null)");
  EXPECT_TRUE(s.timing);
  ASSERT_TRUE(s.Apply("define ^ trimspool on markup csv on", &error, &note)) << error;
  EXPECT_EQ(s.defineChar, '^');
  EXPECT_EQ(s.format, OutputFormat::kCsv);
  ASSERT_TRUE(s.Apply("autocommit off", &error, &note));
  EXPECT_NE(note, "");  // says that every statement is still committed
  ASSERT_TRUE(s.Show("pagesize", &text));
  EXPECT_EQ(text, "pagesize 20");
  ASSERT_TRUE(s.Show("AUTOCOMMIT", &text));
  EXPECT_EQ(text, "autocommit IMMEDIATE");
  const std::pair<const char *, const char *> bad[] = {
      {"frob on", "SP2-0158"}, {"echo maybe", "SP2-0268"},
      {"pagesize -1", "SP2-0268"}, {"linesize", "SP2-0265"}};
  for (const auto &b : bad) {
    EXPECT_FALSE(s.Apply(b.first, &error, &note)) << b.first;
    EXPECT_EQ(error.rfind(b.second, 0), 0u) << error;
  }
}

TEST(Settings, ColumnCommands) {
  Settings s;
  std::string error;
  ASSERT_TRUE(s.ApplyColumn("last_name HEADING 'Last Name' FORMAT a12 WRAPPED", &error)) << error;
  ASSERT_TRUE(s.ApplyColumn("last_name format 999.99", &error));  // kept: not applied
  ASSERT_TRUE(s.ApplyColumn("n NEW_VALUE total NOPRINT", &error));
  EXPECT_EQ(s.columns["LAST_NAME"].heading, "Last Name");
  EXPECT_EQ(s.columns["LAST_NAME"].width, 12u);
  EXPECT_TRUE(s.columns["N"].hidden);
  EXPECT_EQ(s.columns["N"].newValue, "total");
  ASSERT_TRUE(s.ApplyColumn("n clear", &error));
  EXPECT_EQ(s.columns.count("N"), 0u);
  EXPECT_FALSE(s.ApplyColumn("n sideways", &error));
  EXPECT_EQ(error.rfind("SP2-0158", 0), 0u);
}

TEST(NumberFormat, AppliesColumnFormatsToTheDatabasesText) {
  const std::tuple<const char *, const char *, const char *> cases[] = {
      {"1250.5", "9,999.99", " 1,250.50"},
      {"5", "9,999.99", "     5.00"},
      {"-1234.567", "99999.99", " -1234.57"},
      {"0.5", "999.99", "    .50"},
      {"0.5", "990.99", "   0.50"},
      {"0", "999", "   0"},
      {"-0.001", "9.99", "  .00"},
      {"9.996", "9.99", "#####"},
      {"1250.5", "999.99", "#######"},
      {"12", "$9,999", "    $12"},
      {"1234567890123456789", "9999999999999999999", " 1234567890123456789"},
      {"1e+20", "999", "1e+20"},
      // Sign, blank and scientific elements around the digits.
      {"-12", "999MI", " 12-"},
      {"12", "999MI", " 12 "},
      {"-12", "S999", " -12"},
      {"12", "999S", " 12+"},
      {"-12", "999PR", " <12>"},
      {"12", "999PR", "  12 "},
      {"0", "B999", "    "},
      {"-1234.5", "9.99EEEE", "-1.23E+03"},
      {"-0.001", "9.99MI", " .00 "},
  };
  for (const auto &c : cases)
    EXPECT_EQ(FormatNumber(std::get<0>(c), std::get<1>(c)), std::get<2>(c))
        << std::get<0>(c) << " in " << std::get<1>(c);
  EXPECT_TRUE(IsNumberFormat("$9,990.99"));
  EXPECT_FALSE(IsNumberFormat("A20"));
  EXPECT_FALSE(IsNumberFormat("99.9.9"));
  EXPECT_FALSE(IsNumberFormat("$9.9EEEE"));
}

TEST(NumberFormat, NumbersFitNumwidthAsSqlPlusShowsThem) {
  const std::tuple<const char *, size_t, const char *> cases[] = {
      {"1234567890", 10, "1234567890"},
      {"12345678901", 10, "1.2346E+10"},           // too many whole digits
      {"-12345678901", 10, "-1.235E+10"},
      {"1234567890.123456", 10, "1234567890"},     // the fraction rounded away
      {"999999999.96", 10, "1000000000"},          // rounding carries
      {".12345678901234", 10, ".123456789"},
      {"-.000000000012345", 10, "-1.235E-11"},     // no digit would stay
      {"12345678901", 4, "####"},                  // not even 1E+10 fits
      {"12345678901", 5, "1E+10"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(FitNumber(std::get<0>(c), std::get<1>(c)), std::get<2>(c))
        << std::get<0>(c) << " in " << std::get<1>(c);
}

TEST(TextQuery, HexUpToTheLimitWithTheLength) {
  const unsigned char bytes[] = {0x00, 0xAB, 0x10, 0xFF};
  EXPECT_EQ(HexText(bytes, 4, 4, 80), "00AB10FF");
  EXPECT_EQ(HexText(bytes, 4, 4, 4), "00AB... (4 bytes)");
  EXPECT_EQ(HexText(bytes, 2, 1000, 80), "00AB... (1000 bytes)");
  EXPECT_EQ(HexText(bytes, 0, 0, 80), "");
}

TEST(Output, AFailedWriteOrCloseIsKept) {
  const int fd = open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  FdBuffer buffer(fd, true, "the file");
  std::ostream out(&buffer);
  out << "text";
  EXPECT_EQ(buffer.Error(), "");  // still buffered
  EXPECT_FALSE(buffer.Close());
  EXPECT_EQ(buffer.Error(), "cannot write the file: No space left on device");
}

TEST(Substitution, ReplacesVariablesAsSqlPlusDoes) {
  Defines d;
  d.Set("tab", "emp");
  d.Set("1", "10");
  std::vector<std::string> asked;
  const AskValue ask = [&asked](const std::string &name) -> std::optional<std::string> {
    asked.push_back(name);
    return std::string("v") + std::to_string(asked.size());
  };
  const std::pair<const char *, const char *> cases[] = {
      {"select * from &tab where d = &1", "select * from emp where d = 10"},
      {"&TAB._x &tab..y", "emp_x emp.y"},
      {"'a & b' -- &tab stays\n/* &tab */ &", "'a & b' -- &tab stays\n/* &tab */ &"},
      {"'--' &tab", "'--' emp"},
      {"&new + &new", "v1 + v2"},     // asked each time
      {"&&twice + &twice", "v3 + v3"},  // asked once, then defined
  };
  for (const auto &c : cases) {
    std::string out, error;
    ASSERT_TRUE(Substitute(c.first, '&', d, ask, &out, &error)) << c.first;
    EXPECT_EQ(out, c.second);
  }
  EXPECT_EQ(d.Get("TWICE"), std::optional<std::string>("v3"));
  std::string out, error;
  EXPECT_FALSE(Substitute("&gone", '&', d,
                          [](const std::string &) { return std::nullopt; }, &out, &error));
  EXPECT_EQ(error.rfind("SP2-", 0), 0u);
}

TEST(ValueText, NumbersInTheirNaturalForm) {
  const std::pair<double, const char *> cases[] = {
      {12.5, "12.5"}, {3, "3"}, {-0.0, "0"}, {0.1 + 0.2, "0.3"},
      {1e20, "1e+20"}, {-1234567.891, "-1234567.891"}, {2147483648.0, "2147483648"},
  };
  for (const auto &c : cases) EXPECT_EQ(NumberText(c.first), c.second);
}

TEST(ValueText, CellsByVariantKind) {
  EXPECT_EQ(CellText(COleVariant(static_cast<LONG>(-7)), 2), "-7");
  EXPECT_EQ(CellText(COleVariant(2.25), 2), "2.25");
  EXPECT_EQ(CellText(COleVariant("caf\xC3\xA9", VT_BSTRT), 1), "caf\xC3\xA9");
  EXPECT_EQ(CellText(COleVariant(), 12), "<DATE>");
  EXPECT_EQ(CellText(COleVariant(), 113), "<BLOB>");
  EXPECT_EQ(CellText(COleVariant(), 999), "<TYPE 999>");
  EXPECT_TRUE(IsNumericType(2));
  EXPECT_FALSE(IsNumericType(1));
}

TEST(Feedback, FollowsTheLeadingKeywords) {
  const std::tuple<const char *, long, const char *> cases[] = {
      {"create table t (a number)", 0, "Table created."},
      {"CREATE UNIQUE INDEX i ON t(a)", 0, "Index created."},
      {"create or replace view v as select 1", 0, "View created."},
      {"create global temporary table g (a int)", 0, "Table created."},
      {"create package body p as end;", 0, "Package body created."},
      {"drop table t", 0, "Table dropped."},
      {"alter table t add b number", 0, "Table altered."},
      {"insert into t values (1)", 1, "1 row created."},
      {"/* why */ INSERT into t select * from u", 3, "3 rows created."},
      {"update t set a = 1", 0, "0 rows updated."},
      {"delete from t", 2, "2 rows deleted."},
      {"merge into t using u on (1=1)", 1, "1 row merged."},
      {"begin null; end;", 0, "PL/SQL procedure successfully completed."},
      {"commit", 0, "Commit complete."},
      {"rollback", 0,
       "Rollback complete; nothing was undone: every statement was committed as it ran."},
      {"truncate table t", 0, "Table truncated."},
      {"pragma foo", 0, "Statement processed."},
      {"create public synonym s for t", 0, "Synonym created."},
      {"create sequence s", 0, "Sequence created."},
      {"create or replace type body tb as end;", 0, "Type body created."},
      {"create materialized view m as select 1", 0, "Materialized view created."},
      {"drop trigger tr", 0, "Trigger dropped."},
      {"alter procedure p compile", 0, "Procedure altered."},
  };
  for (const auto &c : cases)
    EXPECT_EQ(StatementFeedback(std::get<0>(c), std::get<1>(c)), std::get<2>(c))
        << std::get<0>(c);
  // Stored code: what SHOW ERRORS looks up, and the compilation warning.
  const std::tuple<const char *, const char *, const char *, const char *> units[] = {
      {"create or replace procedure p is begin null; end;", "PROCEDURE", "", "P"},
      {"CREATE EDITIONABLE PACKAGE BODY hr.\"Pk\" AS END;", "PACKAGE BODY", "HR", "Pk"},
      {"create /* c */ trigger t1 before insert on t begin null; end;", "TRIGGER", "", "T1"},
      {"alter function f compile", "FUNCTION", "", "F"},
      {"create force view v as select 1 x from dual", "VIEW", "", "V"},
  };
  for (const auto &u : units) {
    CodeUnit unit;
    ASSERT_TRUE(FindCodeUnit(std::get<0>(u), &unit)) << std::get<0>(u);
    EXPECT_EQ(unit.type, std::get<1>(u));
    EXPECT_EQ(unit.schema, std::get<2>(u));
    EXPECT_EQ(unit.name, std::get<3>(u));
  }
  CodeUnit unit;
  EXPECT_FALSE(FindCodeUnit("create table p (a number)", &unit));
  ASSERT_TRUE(FindCodeUnit("create package body pk as end;", &unit));
  EXPECT_EQ(CompilationWarning(unit), "Warning: Package body created with compilation errors.");
  ASSERT_TRUE(FindCodeUnit("alter trigger tr compile", &unit));
  EXPECT_EQ(CompilationWarning(unit), "Warning: Trigger altered with compilation errors.");
  EXPECT_EQ(SelectedFeedback(0), "no rows selected");
  EXPECT_EQ(SelectedFeedback(1), "1 row selected.");
  EXPECT_EQ(SelectedFeedback(12), "12 rows selected.");
}

TEST(Options, ReadsTheCommandLine) {
  const char *argv[] = {"kestrel-sql", "--csv", "u/p@db", "--create",
                        "--", "-select 1", "select 2"};
  const ParseResult r = ParseArguments(7, argv);
  ASSERT_EQ(r.error, "");
  EXPECT_TRUE(r.options.csv);
  EXPECT_TRUE(r.options.create);
  EXPECT_EQ(r.options.logon, "u/p@db");
  EXPECT_EQ(r.options.statements,
            (std::vector<std::string>{"-select 1", "select 2"}));

  const char *more[] = {"kestrel-sql", "--bail", "--vertical", "--password-file",
                        "pw", "u@db"};
  const ParseResult m = ParseArguments(6, more);
  ASSERT_EQ(m.error, "");
  EXPECT_TRUE(m.options.bail);
  EXPECT_TRUE(m.options.vertical);
  EXPECT_EQ(m.options.passwordFile, "pw");

  const char *script[] = {"kestrel-sql", "-f", "x.sql", "u/p@db"};
  EXPECT_EQ(ParseArguments(4, script).options.script, "x.sql");
  const char *help[] = {"kestrel-sql", "--help"};
  EXPECT_TRUE(ParseArguments(2, help).options.help);
}

TEST(Options, RefusesBadCommandLines) {
  const std::vector<std::vector<const char *>> cases = {
      {"kestrel-sql"},
      {"kestrel-sql", "--nope", "u/p@db"},
      {"kestrel-sql", "u/p@db", "-f"},
      {"kestrel-sql", "-f", "", "u/p@db"},
      {"kestrel-sql", "-f", "a.sql", "-f", "b.sql", "u/p@db"},
      {"kestrel-sql", "-f", "a.sql", "u/p@db", "select 1"},
      {"kestrel-sql", "u@db", "--password-file"},
  };
  for (const auto &args : cases) {
    const ParseResult r =
        ParseArguments(static_cast<int>(args.size()), args.data());
    EXPECT_NE(r.error, "") << args.size();
    EXPECT_EQ(r.error.find('\n'), std::string::npos);
  }
}

TEST(Logon, SplitsUserPasswordAndLink) {
  Logon l;
  std::string error;
  ASSERT_TRUE(ParseLogon("scott/ti/ger@/tmp/a@b.db", &l, &error));
  EXPECT_EQ(l.user, "scott");
  EXPECT_EQ(l.password, "ti/ger");
  EXPECT_EQ(l.link, "/tmp/a@b.db");
  ASSERT_TRUE(ParseLogon("scott/@x.db", &l, &error));
  EXPECT_EQ(l.password, "");
  EXPECT_TRUE(l.hasPassword);
  // Quoted parts may hold '/', '@' and doubled quotes.
  ASSERT_TRUE(ParseLogon("\"ops/eu@x\"/\"p@\"\"s\"@a@b.db", &l, &error)) << error;
  EXPECT_EQ(l.user, "ops/eu@x");
  EXPECT_EQ(l.password, "p@\"s");
  EXPECT_EQ(l.link, "a@b.db");
  // No password: asked for later; no link: the caller decides.
  ASSERT_TRUE(ParseLogon("scott@x.db", &l, &error));
  EXPECT_FALSE(l.hasPassword);
  EXPECT_EQ(l.link, "x.db");
  ASSERT_TRUE(ParseLogon("scott/tiger", &l, &error));
  EXPECT_EQ(l.link, "");
  for (const char *bad : {"/tiger@x.db", "s/t@", "\"open/t@x", "\"a\"b/t@x"})
    EXPECT_FALSE(ParseLogon(bad, &l, &error)) << bad;
}

TEST(Logon, LinksForCreation) {
  const std::tuple<const char *, const char *> cases[] = {
      {"/tmp/a.db", "file:///tmp/a.db?mode=rwc"},
      {"rel/a.db", "file:rel/a.db?mode=rwc"},
      {"/tmp/what?#%.db", "file:///tmp/what%3F%23%25.db?mode=rwc"},
      {"file:/tmp/a.db", "file:/tmp/a.db?mode=rwc"},
      {"file:/tmp/a.db?cache=shared", "file:/tmp/a.db?cache=shared&mode=rwc"},
      {"file:/tmp/a.db?mode=ro", "file:/tmp/a.db?mode=ro"},
      {":memory:", ":memory:"},
  };
  for (const auto &c : cases) {
    std::string resolved, error;
    ASSERT_TRUE(ResolveLink(std::get<0>(c), true, &resolved, &error));
    EXPECT_EQ(resolved, std::get<1>(c));
  }
  std::string resolved, error;
  EXPECT_FALSE(ResolveLink("/nonexistent/kestrel.db", false, &resolved, &error));
  EXPECT_NE(error.find("--create"), std::string::npos);
  EXPECT_FALSE(ResolveLink("/tmp", false, &resolved, &error));
  EXPECT_TRUE(ResolveLink("file:/nonexistent/x.db", false, &resolved, &error));
  EXPECT_EQ(resolved, "file:/nonexistent/x.db");
}
