// kestrel-sql run as a program in batch mode: SQL arguments, scripts,
// piped input, CSV, and what it says and returns when things go wrong.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "ToolFixture.h"

namespace {

const std::vector<std::string> kDepartments = {
    "create table dept (id number(4) primary key, name varchar2(30), "
    "budget number(10,2), logo blob)",
    "insert into dept values (10, 'Research', 1250.5, NULL)",
    "insert into dept values (20, 'Sales, \"North\"', NULL, HEXTORAW('00ff'))",
    "insert into dept values (30, 'Two\nlines', -3, NULL)",
};

}  // namespace

TEST_F(ToolTest, ArgumentsRunInOrderAndPrintTablesAndFeedback) {
  const ToolRun run =
      Sql({"--create", Logon(), "create table t (id number, name varchar2(10), "
                                "price number(8,2))",
           "insert into t values (1, 'pen', 2.5);",
           "insert into t values (22, NULL, 1000)",
           "update t set price = price * 2 where id = 1",
           "select id, name, price from t order by id",
           "select id from t where id > 100", "delete from t"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "Table created.\n\n"
            "1 row created.\n\n"
            "1 row created.\n\n"
            "1 row updated.\n\n"
            // Numbers fill SET NUMWIDTH (10), as in SQL*Plus.
            "        ID NAME      PRICE\n"
            "---------- ---- ----------\n"
            "         1 pen           5\n"
            "        22            1000\n"
            "\n2 rows selected.\n\n"
            "no rows selected\n\n"
            "2 rows deleted.\n\n");
}

TEST_F(ToolTest, EveryKindOfValueIsShownAsTheDatabaseWritesIt) {
  Setup({"create table v (k number, n number(19), d date, b blob, r raw(4), c clob)",
         "insert into v values (1, 1234567890123456789, DATE '2024-03-05', "
         "HEXTORAW('00FF10'), HEXTORAW('ABCD'), 'a clob')",
         "insert into v values (2, NULL, NULL, "
         "HEXTORAW('000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F'), NULL, NULL)"});
  const ToolRun run = Sql({Logon(), "set null ~ long 16 numwidth 19",
                           "select n, d, b, r, c from v order by k"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "                  N D         B                              R    C\n"
            "------------------- --------- ------------------------------ ---- ------\n"
            "1234567890123456789 05-MAR-24 00FF10                         ABCD a clob\n"
            "                  ~ ~         0001020304050607... (32 bytes) ~    ~\n"
            "\n2 rows selected.\n\n");
  const ToolRun csv = Sql({"--csv", Logon(), "select n, d, b from v where n > 0"});
  EXPECT_EQ(csv.out, "N,D,B\r\n1234567890123456789,05-MAR-24,00FF10\r\n");
}

TEST_F(ToolTest, CsvFollowsRfc4180) {
  Setup(kDepartments);
  const ToolRun run =
      Sql({"--csv", Logon(), "insert into dept values (40, 'x', 0, NULL)",
           "select id, name, budget from dept order by id"});
  ASSERT_EQ(run.status, 0) << run.err;
  // Only the rows: no feedback, CRLF line ends, quoting where needed.
  EXPECT_EQ(run.out,
            "ID,NAME,BUDGET\r\n"
            "10,Research,1250.5\r\n"
            "20,\"Sales, \"\"North\"\"\",\r\n"
            "30,\"Two\nlines\",-3\r\n"
            "40,x,0\r\n");
}

TEST_F(ToolTest, ScriptFileRunsStatementsOfEveryShape) {
  Setup({"create table t (id number, note varchar2(40))"});
  const std::string script = WriteFile(
      "load.sql",
      "-- a script with comments, quotes and both terminators\r\n"
      "insert into t values (1, 'semi;colon');\n"
      "insert into t\n"
      "  values (2, '/* not a comment */');\n"
      "/* a block comment;\n"
      "   over lines; */\n"
      "insert into t values (3, 'slash')\n"
      "/\n"
      "select id, note from t order by id;\n"
      "exit\n"
      "select 'never run' from t;\n");
  const ToolRun run = Sql({"-f", script, Logon()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("         1 semi;colon\n         2 /* not a comment */\n"
                         "         3 slash\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find("never run"), std::string::npos);
}

TEST_F(ToolTest, ScriptsGoOnAfterErrorsUnlessBailOrWheneverSaysStop) {
  Setup({"create table t (id number primary key)"});
  const std::string script = WriteFile(
      "fail.sql",
      "insert into t values (1);\n"
      "\n"
      "insert into\n"
      "  t values (1);\n"
      "frobnicate\n"
      "insert into t values (2);\n");
  // As SQL*Plus: every error reported where it began, the rest still run.
  const ToolRun run = Sql({"-f", script, Logon()});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err.rfind(script + ":3: ORA-00001: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find(script + ":5: SP2-0734: unknown command beginning \"frobnicate"),
            std::string::npos) << run.err;
  EXPECT_EQ(LineCount(run.err), 2u);
  EXPECT_NE(run.out.find("1 row created."), std::string::npos);
  // The same script started with @ from the command line.
  Setup({"delete from t"});
  EXPECT_EQ(Sql({Logon(), "@" + script}).status, 0);

  // --bail: the first error ends the run, the same for piped input.
  Setup({"delete from t"});
  const ToolRun bail = Sql({"--bail", "-f", script, Logon()});
  EXPECT_EQ(bail.status, 1);
  EXPECT_EQ(LineCount(bail.err), 1u) << bail.err;
  const ToolRun piped = Sql({"--bail", Logon()}, "select nonsense from t;\ninsert into t values (9);\n");
  EXPECT_EQ(piped.status, 1);
  EXPECT_EQ(piped.err.rfind("<stdin>:1: ORA-00904: ", 0), 0u) << piped.err;
  EXPECT_EQ(piped.out, "");

  // WHENEVER SQLERROR EXIT: the code asked for; OSERROR for files.
  const struct {
    const char *input;
    int status;
  } rules[] = {
      {"whenever sqlerror exit 7\nselect * from missing;\nprompt never\n", 7},
      {"whenever sqlerror exit sql.sqlcode\nselect * from missing;\n", 942 & 0xFF},
      {"whenever sqlerror exit failure rollback\nselect * from missing;\n", 1},
      {"whenever sqlerror exit\nwhenever sqlerror continue\nselect * from missing;\n", 0},
      {"whenever oserror exit 9\n@nowhere.sql\nprompt never\n", 9},
      {"select * from missing;\nexit warning\n", 2},
      {"define code = 5\nexit &code\n", 5},
  };
  for (const auto &r : rules) {
    const ToolRun one = Sql({Logon()}, r.input);
    EXPECT_EQ(one.status, r.status) << r.input << one.err;
    EXPECT_EQ(one.out.find("never"), std::string::npos) << r.input;
  }
  // Only the bailed script's first insert is there.
  const ToolRun count = Sql({Logon(), "select count(*) as n from t"});
  EXPECT_NE(count.out.find("\n         1\n"), std::string::npos) << count.out;
}

TEST_F(ToolTest, FirstErrorAmongArgumentsEndsTheRun) {
  Setup({"create table t (id number)"});
  const ToolRun run = Sql({Logon(), "insert into t values (1)",
                           "select * from missing", "insert into t values (2)"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("ORA-00942: ", 0), 0u) << run.err;
  EXPECT_EQ(LineCount(run.err), 1u);
  EXPECT_EQ(run.out, "1 row created.\n\n");
}

TEST_F(ToolTest, PipedInputIsReadSilently) {
  Setup({"create table t (id number)"});
  const ToolRun run = Sql({Logon()},
                          "insert into t values (5);\n"
                          "select id from t;\n"
                          "select id + 1 as next from t");  // no terminator
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.find("SQL>"), std::string::npos);
  EXPECT_EQ(run.out,
            "1 row created.\n\n"
            "        ID\n----------\n         5\n\n1 row selected.\n\n"
            "      NEXT\n----------\n         6\n\n1 row selected.\n\n");
}

TEST_F(ToolTest, LogonFailuresGiveOneLineAndStatusOne) {
  Setup({});
  struct Case {
    const char *name;
    std::vector<std::string> args;
    const char *says;
  };
  const Case cases[] = {
      {"wrong password", {Logon("wrong"), "select 1"}, "ORA-01017"},
      {"missing database", {"scott/tiger@" + dir_ + "/none.db", "select 1"},
       "does not exist"},
      {"link is a folder", {"scott/tiger@" + dir_, "select 1"}, "directory"},
      {"missing URI database", {"scott/tiger@file:" + dir_ + "/none.db"},
       "ORA-12154"},
      {"not a database", {"scott/tiger@" + WriteFile("junk", "not sqlite at all, "
                                                               "just some text"),
                          "select 1"},
       "ORA-"},
      {"unreadable script", {"-f", dir_ + "/none.sql", Logon()}, "none.sql"},
  };
  for (const Case &c : cases) {
    const ToolRun run = Sql(c.args);
    EXPECT_EQ(run.status, 1) << c.name << ": " << run.err;
    EXPECT_EQ(run.signal, 0) << c.name;
    EXPECT_EQ(LineCount(run.err), 1u) << c.name << ": " << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/none.db"));
}

TEST_F(ToolTest, BadArgumentsGiveOneLineAndStatusTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--frobnicate", Logon()},
      {Logon(), "-f"},
      {"scott/tiger"},
      {"/tiger@" + db_},
      {"-f", "a.sql", Logon(), "select 1"},
  };
  for (const auto &args : cases) {
    const ToolRun run = Sql(args);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(LineCount(run.err), 1u) << run.err;
    EXPECT_EQ(run.err.rfind("kestrel-sql: ", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(db_));
}

TEST_F(ToolTest, HelpAndVersion) {
  const ToolRun help = Sql({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: kestrel-sql", 0), 0u);
  const ToolRun version = Sql({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("kestrel-sql ", 0), 0u);
  EXPECT_EQ(LineCount(version.out), 1u);
}

TEST_F(ToolTest, CreateMakesTheFileAndPlainPathsMustExist) {
  ASSERT_FALSE(std::filesystem::exists(db_));
  EXPECT_EQ(Sql({Logon(), "create table t (a number)"}).status, 1);
  EXPECT_FALSE(std::filesystem::exists(db_));
  EXPECT_EQ(Sql({"--create", Logon(), "create table t (a number)"}).status, 0);
  EXPECT_TRUE(std::filesystem::exists(db_));
  // Once made, the plain path opens it, and --create changes nothing.
  EXPECT_EQ(Sql({Logon(), "insert into t values (1)"}).status, 0);
  const ToolRun run = Sql({"--create", Logon(), "select a from t"});
  EXPECT_NE(run.out.find("1 row selected."), std::string::npos) << run.err;
}

namespace {

// A shell command line word.
std::string Quoted(const std::string &text) {
  std::string q = "'";
  for (const char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

const char kManyRows[] =
    "with n(x) as (select 1 from dual union all select x + 1 from n "
    "where x < 200000) select x, 'a row of some width' as note from n";

}  // namespace

TEST_F(ToolTest, OutputThatCannotBeWrittenFailsTheRun) {
  Setup({"create table t (id number)", "insert into t values (1)"});
  const std::string tool = Quoted(KESTREL_SQL_PATH);
  // A spool file on a full device (SPOOL adds .lst to a name without one).
  ASSERT_EQ(symlink("/dev/full", (dir_ + "/full.lst").c_str()), 0);
  const std::string spool =
      WriteFile("spool.sql", "spool " + dir_ + "/full\nselect id from t;\nprompt more\n");
  const std::string cases[] = {
      tool + " " + Quoted(Logon()) + " 'select id from t' > /dev/full",
      tool + " --csv " + Quoted(Logon()) + " 'select id from t' > /dev/full",
      tool + " --help > /dev/full",
      tool + " " + Quoted(Logon()) + " -f " + Quoted(spool),
  };
  for (const std::string &command : cases) {
    const ToolRun run = RunProgram("/bin/sh", {"-c", command});
    EXPECT_EQ(run.status, 1) << command;
    EXPECT_NE(run.err.find("kestrel-sql: cannot write "), std::string::npos)
        << command << ": " << run.err;
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
  }
}

TEST_F(ToolTest, NothingIsReportedDoneThatWasNot) {
  Setup({"create table p (id number primary key)",
         "create table c (pid number references p (id) deferrable initially deferred)",
         "create table t (id number)", "insert into t values (1)"});
  // A commit that fails: an error, never "1 row created.".
  const ToolRun commit = Sql({Logon(), "insert into c values (5)"});
  EXPECT_EQ(commit.status, 1);
  EXPECT_EQ(commit.out, "");
  EXPECT_NE(commit.err.find("ORA-02091"), std::string::npos) << commit.err;
  const ToolRun script = Sql({"--bail", Logon()}, "insert into c values (5);\n");
  EXPECT_EQ(script.status, 1);
  EXPECT_EQ(script.out, "");

  // A NUL byte refuses the whole statement, wherever it stands, and the
  // script goes on after it.
  static const char kInput[] =
      "delete from t\0 where id = 2;\n"
      "delete\nfrom t\0;\n"
      "\0\n"
      "select count(*) as n from t;\n";
  const std::string input(kInput, sizeof kInput - 1);
  const ToolRun nul = Sql({Logon()}, input);
  EXPECT_EQ(nul.status, 0) << nul.err;
  EXPECT_EQ(nul.err,
            "<stdin>:1: ORA-00911: invalid character (a NUL byte in the input)\n"
            "<stdin>:3: ORA-00911: invalid character (a NUL byte in the input)\n"
            "<stdin>:4: ORA-00911: invalid character (a NUL byte in the input)\n");
  EXPECT_NE(nul.out.find("N\n----------\n         1\n"), std::string::npos) << nul.out;
}

TEST_F(ToolTest, LogonNamesMayBeQuotedAndPasswordsKeptOutOfArgv) {
  Setup({"create user \"ops/eu@x\" identified by \"p@ss\"",
         "grant create session to \"ops/eu@x\""});
  const ToolRun quoted = Sql({"\"ops/eu@x\"/\"p@ss\"@" + db_, "select 1 as one from dual"});
  EXPECT_EQ(quoted.status, 0) << quoted.err;
  EXPECT_NE(quoted.out.find("ONE"), std::string::npos);

  // No password in the logon: the environment, or a private file.
  const ToolRun env = RunProgram(KESTREL_SQL_PATH, {"scott@" + db_, "select 1 as one from dual"},
                                 "", {"KESTREL_SQL_PASSWORD=tiger"});
  EXPECT_EQ(env.status, 0) << env.err;
  const std::string file = WriteFile("pw", "tiger\n");
  ASSERT_EQ(chmod(file.c_str(), 0600), 0);
  const ToolRun owned = Sql({"--password-file", file, "scott@" + db_, "select 1 from dual"});
  EXPECT_EQ(owned.status, 0) << owned.err;
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  const ToolRun shared = Sql({"--password-file", file, "scott@" + db_, "select 1 from dual"});
  EXPECT_EQ(shared.status, 1);
  EXPECT_NE(shared.err.find("chmod 600"), std::string::npos) << shared.err;
  // Without a terminal there is no one to ask.
  const ToolRun none = RunProgram("/usr/bin/setsid", {KESTREL_SQL_PATH, "scott@" + db_, "select 1 from dual"});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("no password"), std::string::npos) << none.err;
}

TEST_F(ToolTest, RowsStreamInFlatMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator keeps freed memory";
#else
  Setup({});
  const std::string tool = Quoted(KESTREL_SQL_PATH) + " " + Quoted(Logon()) + " ";
  const ToolRun empty = RunProgram(
      "/bin/sh", {"-c", "exec " + tool + "'select 1 from dual where 1 = 0' > /dev/null"});
  const ToolRun many = RunProgram("/bin/sh", {"-c", "exec " + tool + Quoted(kManyRows) + " > /dev/null"});
  ASSERT_EQ(empty.status, 0) << empty.err;
  ASSERT_EQ(many.status, 0) << many.err;
  // Holding 200000 rows would take tens of megabytes.
  EXPECT_LT(many.maxRssKb, empty.maxRssKb + 4096)
      << many.maxRssKb << " kB against " << empty.maxRssKb << " kB";
#endif
}

TEST_F(ToolTest, AReaderThatStopsEndsTheQuery) {
  Setup({});
  // head leaves after the first page; the rest is never fetched.
  const ToolRun run = RunProgram(
      "/bin/sh", {"-c", Quoted(KESTREL_SQL_PATH) + " " + Quoted(Logon()) + " " +
                            Quoted(std::string(kManyRows).replace(
                                std::string(kManyRows).find("200000"), 6, "900000000")) +
                            " | head -n 3"},
      "", {}, 20);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LineCount(run.out), 3u) << run.out;
}
