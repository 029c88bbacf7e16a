// kestrel-sql's SQL*Plus commands run from scripts: SET and SHOW,
// substitution and script arguments, nested scripts, SPOOL, ACCEPT, the
// buffer, and how unknown commands are answered.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ToolFixture.h"

namespace {

std::string ReadAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TEST_F(ToolTest, SetOptionsShapeTheOutput) {
  Setup({"create table t (id number, name varchar2(10))",
         "insert into t values (1, NULL)", "insert into t values (2, 'two')"});
  const struct {
    const char *commands;
    const char *expected;
  } cases[] = {
      {"set heading off", "1\n2 two\n\n2 rows selected.\n\n"},
      {"set feedback off", "ID NAME\n-- ----\n 1\n 2 two\n\n"},
      {"set feedback 3", "ID NAME\n-- ----\n 1\n 2 two\n\n"},
      {"set null '(null)' colsep |", "ID|NAME\n--|------\n 1|(null)\n 2|two\n\n2 rows selected.\n\n"},
      {"set pagesize 1 feedback off", "ID NAME\n-- ----\n 1\n\nID NAME\n-- ----\n 2 two\n\n"},
      {"set vertical on feedback off", "ID   : 1\nNAME :\n\nID   : 2\nNAME : two\n\n"},
      {"set markup csv on", "ID,NAME\r\n1,\r\n2,two\r\n"},
      {"column name heading Who format a2\ncolumn id noprint\nset feedback off",
       "Wh\n--\n\ntw\no\n\n"},
      {"column name heading Who format a2\ncolumn name clear\nset feedback off",
       "ID NAME\n-- ----\n 1\n 2 two\n\n"},
  };
  for (const auto &c : cases) {
    const ToolRun run =
        Sql({Logon()}, std::string(c.commands) + "\nselect id, name from t order by id;\n");
    EXPECT_EQ(run.status, 0) << c.commands << run.err;
    EXPECT_EQ(run.out, c.expected) << c.commands;
  }
  const ToolRun timing = Sql({Logon()}, "set timing on\nselect id from t where id = 1;\n");
  EXPECT_NE(timing.out.find("\nElapsed: 00:00:"), std::string::npos) << timing.out;
  const ToolRun show = Sql({Logon()}, "set pages 7 echo on\nshow pagesize\nshow user\n");
  EXPECT_EQ(show.out, "SQL> show pagesize\npagesize 7\nSQL> show user\nUSER is \"SCOTT\"\n");
  // TERMOUT OFF silences a script's output, not its spool file; CONNECT
  // starts a new session (a new user here, made by the first).
  const std::string quiet = WriteFile(
      "quiet.sql", "set termout off\nspool " + dir_ + "/quiet.lst\nselect id from t where id = 2;\n"
                   "create user adams identified by wood;\nconnect adams/wood@" + db_ +
                   "\nspool off\nset termout on\nshow user\n");
  const ToolRun silent = Sql({Logon(), "@" + quiet});
  EXPECT_EQ(silent.status, 0) << silent.err;
  EXPECT_EQ(silent.out, "USER is \"ADAMS\"\n");
  std::ifstream spooled(dir_ + "/quiet.lst");
  std::ostringstream text;
  text << spooled.rdbuf();
  EXPECT_EQ(text.str(), "ID\n--\n 2\n\n1 row selected.\n\nUser created.\n\nConnected.\n");
}

TEST_F(ToolTest, SubstitutionVariablesAndScriptArguments) {
  Setup({"create table t (id number, name varchar2(10))",
         "insert into t values (1, 'one')"});
  std::filesystem::create_directory(dir_ + "/sub");
  WriteFile("sub/inner.sql",
            "prompt inner got &1 and &&kept\n"
            "select name from &tab where id = &1;\n");
  const std::string outer = WriteFile(
      "sub/outer.sql",
      "set verify off feedback off\n"
      "define tab = t\n"
      "define kept = 'from outer'\n"
      "@@inner 1\n"
      "undefine kept\n"
      "accept answer prompt 'Number? '\n"
      "prompt answer=&answer. arg=&1\n"
      "set define off\n"
      "prompt &tab stays\n");
  const ToolRun run = Sql({Logon(), "@" + outer + " first"}, "42\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "inner got 1 and from outer\n"
            "NAME\n----\none\n\n"
            "Number? answer=42 arg=1\n"  // @@inner's argument replaced &1
            "&tab stays\n");
  // VERIFY (on by default) lists the lines that changed.
  const ToolRun verify = Sql({Logon()}, "define n = 1\nselect id\nfrom t where id = &n;\n");
  EXPECT_NE(verify.out.find("old   2: from t where id = &n\nnew   2: from t where id = 1\n"),
            std::string::npos) << verify.out;
  // COLUMN ... NEW_VALUE defines a variable from a query's last row.
  const ToolRun captured = Sql({Logon()}, "set feedback off heading off\n"
                                          "column n new_value total noprint\n"
                                          "select count(*) as n from t;\nprompt total=&total\n");
  EXPECT_EQ(captured.out, "total=1\n") << captured.err;
  // An undefined variable is asked for on standard input.
  const ToolRun asked = Sql({Logon()}, "prompt [&what]\nvalue\n");
  EXPECT_EQ(asked.out, "Enter value for what: [value]\n");
}

TEST_F(ToolTest, SpoolTheBufferAndUnknownCommands) {
  Setup({"create table t (id number)"});
  const std::string spool = dir_ + "/out";
  const ToolRun run = Sql({Logon()},
                          "spool " + spool + "\n"
                          "insert into t values (1);\n"
                          "/\n"
                          "run\n"
                          "frobnicate the thing\n"
                          "host ls\n"
                          "spool off\n"
                          "prompt not spooled\n"
                          "spool " + spool + " append\n"
                          "select count(*) as n from t;\n"
                          "exit 3\n"
                          "prompt never\n");
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.err,
            "<stdin>:5: SP2-0734: unknown command beginning \"frobnicate...\" - rest of line ignored.\n"
            "<stdin>:6: SP2-0738: HOST is not available in kestrel-sql\n");
  const std::string spooled = ReadAll(spool + ".lst");
  EXPECT_EQ(spooled,
            "1 row inserted.\n\n1 row inserted.\n\n"
            "  1* insert into t values (1)\n1 row inserted.\n\n" + run.err +
            "N\n-\n3\n\n1 row selected.\n\n");
  EXPECT_NE(run.out.find("not spooled"), std::string::npos);
  EXPECT_EQ(run.out.find("never"), std::string::npos);
}
