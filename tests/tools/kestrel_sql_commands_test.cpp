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
      {"set numwidth 2 heading off", " 1\n 2 two\n\n2 rows selected.\n\n"},
      {"set numwidth 2 feedback off", "ID NAME\n-- ----\n 1\n 2 two\n\n"},
      {"set numw 2 feedback 3", "ID NAME\n-- ----\n 1\n 2 two\n\n"},
      {"set numwidth 2 null '(null)' colsep |", "ID|NAME\n--|------\n 1|(null)\n 2|two\n\n2 rows selected.\n\n"},
      {"set numwidth 2 pagesize 1 feedback off", "ID NAME\n-- ----\n 1\n\nID NAME\n-- ----\n 2 two\n\n"},
      {"set feedback off", "        ID NAME\n---------- ----\n         1\n         2 two\n\n"},
      {"set vertical on feedback off", "ID   : 1\nNAME :\n\nID   : 2\nNAME : two\n\n"},
      {"set markup csv on", "ID,NAME\r\n1,\r\n2,two\r\n"},
      {"column name heading Who format a2\ncolumn id noprint\nset feedback off",
       "Wh\n--\n\ntw\no\n\n"},
      {"column id format 09.9 heading Id\nset feedback off",
       "   Id NAME\n----- ----\n 01.0\n 02.0 two\n\n"},
      {"column name heading Who format a2\ncolumn name clear\nset feedback off numwidth 3",
       " ID NAME\n--- ----\n  1\n  2 two\n\n"},
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
                   "create user adams identified by wood;\ngrant create session to adams;\nconnect "
                   "adams/wood@" + db_ +
                   "\nspool off\nset termout on\nshow user\n");
  const ToolRun silent = Sql({Logon(), "@" + quiet});
  EXPECT_EQ(silent.status, 0) << silent.err;
  EXPECT_EQ(silent.out, "USER is \"ADAMS\"\n");
  EXPECT_EQ(Sql({Logon(), "prompt &_user on &_connect_identifier"}).out,
            "SCOTT on " + db_ + "\n");
  std::ifstream spooled(dir_ + "/quiet.lst");
  std::ostringstream text;
  text << spooled.rdbuf();
  EXPECT_EQ(text.str(), "        ID\n----------\n         2\n\n1 row selected.\n\nUser created.\n\nGrant succeeded.\n\n"
                        "Connected.\n");
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
            "<stdin>:6: SP2-0738: HOST is refused: start kestrel-sql with --allow-host\n");
  const std::string spooled = ReadAll(spool + ".lst");
  EXPECT_EQ(spooled,
            "1 row created.\n\n1 row created.\n\n"
            "  1* insert into t values (1)\n1 row created.\n\n" + run.err +
            "         N\n----------\n         3\n\n1 row selected.\n\n");
  EXPECT_NE(run.out.find("not spooled"), std::string::npos);
  const ToolRun host = Sql({"--allow-host", Logon()}, "prompt a\nhost echo b\n!echo c\n");
  EXPECT_EQ(host.out, "a\nb\nc\n") << host.err;
  EXPECT_EQ(run.out.find("never"), std::string::npos);
}

TEST_F(ToolTest, EachCommandAnswersAsSqlPlusDoes) {
  Setup({"create table t (id number)", "insert into t values (1)"});
  WriteFile("self.sql", "@@self\n");  // starts itself until the nesting limit
  const struct {
    const char *input;
    const char *out;  // expected within standard output, or ""
    const char *err;  // expected within standard error, or "" for none
  } cases[] = {
      {"define a = 1\ndefine b = 'two words'\ndefine\n",
       "DEFINE A               = \"1\" (CHAR)\nDEFINE B               = \"two words\" (CHAR)\n", ""},
      {"define a = 1\nundefine a\ndefine a\n", "", "SP2-0135: symbol a is UNDEFINED"},
      {"accept n number default 5 prompt 'N? '\n\nprompt n=&n\n", "N? n=5\n", ""},
      {"accept n number\nabc\n", "", "SP2-0425: \"abc\" is not a valid NUMBER"},
      {"accept secret hide\nsesame\nprompt &secret\n", "sesame\n", ""},
      {"show spool\nshow sqlcode\nshow nothing\n", "not spooling currently\nsqlcode 0\n",
       "SP2-0158: unknown SHOW option \"nothing\""},
      {"show all\n", "autocommit IMMEDIATE\ncolsep \" \"\n", ""},
      {"set frobnicate on\nset echo sideways\n", "",
       "SP2-0158: unknown SET option \"frobnicate\""},
      {"/\nrun\n", "", "SP2-0103: Nothing in SQL buffer to run."},
      {"select id from t;\nlist\n", "select id from t\n", ""},
      {"execute null\n", "PL/SQL procedure successfully completed.", ""},
      {"whenever sqlerror sometimes\n", "", "SP2-0591"},
      {"create table d (id number(4) not null, name varchar2(30), at date);\ndesc d\n",
       " ID                               NOT NULL NUMBER(4)\n"
       " NAME                                      VARCHAR2(30)\n"
       " AT                                        DATE\n", ""},
      {"describe nothere\n", "", "ERROR:\nORA-04043: object nothere does not exist"},
      {"show errors\n", "No errors.\n", ""},
      {"show errors procedure\n", "", "SP2-0565: Usage: SHOW ERRORS"},
      {"show serveroutput\nset serveroutput on size unl format wrapped\nshow serveroutput\n",
       "serveroutput OFF\nserveroutput ON SIZE UNLIMITED FORMAT WRAPPED\n", ""},
      {"set serveroutput on size 10\n", "", "SP2-0547: size option 10 out of range"},
      {"set serveroutput sometimes\n", "", "SP2-0265: serveroutput must be set to ON or OFF"},
      {"create or replace procedure p is begin null; end;\n/\nalter procedure p compile;\n",
       "Procedure created.\n\nProcedure altered.\n", ""},
      {"@nowhere\n", "", "SP2-0310: unable to open file \"nowhere.sql\""},
      {"@self\n", "", "SP2-0309: scripts nested deeper than 20"},
      {"help\n", "WHENEVER SQLERROR|OSERROR EXIT", ""},
      {"clear screen\nbreak on id\nttitle 'x'\npause\n", "", ""},
  };
  for (const auto &c : cases) {
    const ToolRun run = RunProgram("/bin/sh", {"-c", "cd \"$0\" && exec \"$1\" \"$2\"",
                                               dir_, KESTREL_SQL_PATH, Logon()},
                                   c.input);
    EXPECT_EQ(run.status, 0) << c.input << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << c.input << "\n" << run.out;
    if (*c.err == '\0') EXPECT_EQ(run.err, "") << c.input;
    else EXPECT_NE(run.err.find(c.err), std::string::npos) << c.input << "\n" << run.err;
  }
}

TEST_F(ToolTest, ServerOutputIsShownAfterEachStatement) {
  Setup({"create table t (id number)"});
  const ToolRun run = Sql({Logon()},
                          "set serveroutput on\n"
                          "begin\n"
                          "  dbms_output.put_line('first');\n"
                          "  dbms_output.put_line('');\n"
                          "  dbms_output.put_line('  third');\n"
                          "end;\n"
                          "/\n"
                          "insert into t values (1);\n"
                          "set linesize 12\n"
                          "exec dbms_output.put_line('one two three four')\n"
                          "set feedback off\nset serveroutput on format truncated\n"
                          "exec dbms_output.put_line('one two three four')\n"
                          "begin dbms_output.put_line('before'); raise no_data_found; end;\n"
                          "/\n"
                          "set serveroutput off\n"
                          "exec dbms_output.put_line('hidden')\n"
                          "set serveroutput on\n"
                          "exec dbms_output.put_line('fresh')\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "first\n\n  third\n\nPL/SQL procedure successfully completed.\n\n"
            "1 row created.\n\n"
            "one two\nthree four\n\nPL/SQL procedure successfully completed.\n\n"
            "one two thre\n"
            "before\n"  // after the block's error, as SQL*Plus shows it
            "fresh\n");  // OFF dropped what was put while it was off
  EXPECT_NE(run.err.find("ORA-01403"), std::string::npos) << run.err;
}

TEST_F(ToolTest, ShowErrorsAndDescribeOfStoredCode) {
  Setup({"create table t (id number)"});
  // USER_ERRORS and USER_ARGUMENTS as the dictionary has them; where this
  // build's dictionary lacks them, tables of the same shape stand in.
  const bool dictionary = Sql({Logon(), "select count(*) from user_errors"}).status == 0 &&
                          Sql({Logon(), "select count(*) from user_arguments"}).status == 0;
  if (!dictionary) {
    Setup({"create table user_errors (name varchar2(128), type varchar2(12), sequence number, "
           "line number, position number, text varchar2(4000), attribute varchar2(9), "
           "message_number number)",
           "insert into user_errors values ('BAD', 'PROCEDURE', 1, 3, 5, "
           "'PLS-00201: identifier ''X'' must be declared', 'ERROR', 201)",
           "insert into user_errors values ('BAD', 'PROCEDURE', 2, 3, 5, 'PL/SQL: Statement "
           "ignored, and this text runs on past the sixty-five columns of its heading', "
           "'ERROR', 0)",
           "create table user_arguments (object_name varchar2(128), package_name varchar2(128), "
           "argument_name varchar2(128), position number, sequence number, data_type "
           "varchar2(30), in_out varchar2(9), defaulted varchar2(1), data_length number, "
           "data_precision number, data_scale number)",
           "insert into user_arguments values ('F', NULL, NULL, 0, 1, 'NUMBER', 'OUT', 'N', "
           "NULL, NULL, NULL)",
           "insert into user_arguments values ('F', NULL, 'A', 1, 2, 'NUMBER', 'IN', 'N', "
           "NULL, 6, 0)",
           "insert into user_arguments values ('F', NULL, 'B', 2, 3, 'VARCHAR2', 'IN/OUT', 'Y', "
           "NULL, NULL, NULL)",
           "insert into user_arguments values ('GO', 'PK', NULL, 1, 1, NULL, 'IN', 'N', "
           "NULL, NULL, NULL)"});
  }
  const std::string code =
      "create procedure bad is begin x := 1; end;\n/\n"
      "create function f(a number, b in out varchar2 default 'x') return number is "
      "begin return 1; end;\n/\n"
      "create package pk is procedure go; end;\n/\n";
  const ToolRun run = Sql({Logon()}, (dictionary ? code : std::string()) +
                                         "show errors procedure bad\n"
                                         "show errors function f\n"
                                         "desc f\n"
                                         "desc pk\n");
  if (dictionary) {
    EXPECT_NE(run.out.find("Warning: Procedure created with compilation errors.\n"),
              std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Errors for PROCEDURE BAD:\n\nLINE/COL ERROR\n-------- -----"),
              std::string::npos) << run.out;
    EXPECT_NE(run.out.find("PLS-00201: identifier 'X' must be declared"), std::string::npos);
    const ToolRun last = Sql({Logon()}, "create or replace procedure bad is begin null; end;\n"
                                        "/\nshow errors\n");
    EXPECT_EQ(last.out, "Procedure created.\n\nNo errors.\n");
  } else {
    EXPECT_NE(run.out.find("Errors for PROCEDURE BAD:\n\n"
                           "LINE/COL ERROR\n"
                           "-------- -----------------------------------------------------------------\n"
                           "3/5      PLS-00201: identifier 'X' must be declared\n"
                           "3/5      PL/SQL: Statement ignored, and this text runs on past the\n"
                           "         sixty-five columns of its heading\n\n"
                           "No errors.\n"),
              std::string::npos) << run.out;
  }
  const std::string heading =
      " Argument Name                  Type                    In/Out Default?\n"
      " ------------------------------ ----------------------- ------ --------\n";
  EXPECT_NE(run.out.find("FUNCTION F RETURNS NUMBER\n" + heading +
                         " A                              NUMBER" +
                         (dictionary ? "                 " : "(6)              ") + " IN\n"
                         " B                              VARCHAR2                IN/OUT DEFAULT\n"
                         "PROCEDURE GO\n"),
            std::string::npos) << run.out;
  EXPECT_EQ(run.err, "");
}
