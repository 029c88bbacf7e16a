// kestrel-sql on a pseudo-terminal, as a person would use it: the prompt,
// the continuation prompt, errors that do not end the session, and EXIT.
// Every wait is bounded; a session that hangs is killed.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "ToolFixture.h"

namespace {

long long NowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

class Terminal {
 public:
  // Starts the tool on a new pseudo-terminal.
  bool Start(const std::vector<std::string> &args, const std::string &home) {
    std::vector<std::string> store{KESTREL_SQL_PATH};
    store.insert(store.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &a : store) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      setenv("HOME", home.c_str(), 1);
      setenv("TERM", "dumb", 1);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return true;
  }

  ~Terminal() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }

  void Type(const std::string &text) {
    ASSERT_EQ(write(master_, text.data(), text.size()),
              static_cast<ssize_t>(text.size()));
  }

  // Reads until `text` appears after what earlier waits consumed; true
  // when it did within the limit.
  bool WaitFor(const std::string &text, int timeoutMs = 15000) {
    const long long deadline = NowMs() + timeoutMs;
    for (;;) {
      const size_t at = screen_.find(text, consumed_);
      if (at != std::string::npos) {
        consumed_ = at + text.size();
        return true;
      }
      const long long left = deadline - NowMs();
      if (left <= 0) return false;
      pollfd fd{master_, POLLIN, 0};
      if (poll(&fd, 1, static_cast<int>(left)) <= 0) continue;
      char buffer[1024];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) return screen_.find(text, consumed_) != std::string::npos;
      screen_.append(buffer, static_cast<size_t>(n));
    }
  }

  // Waits for a prompt, then for the line editor to take the terminal
  // out of line mode: input typed before that may be flushed or read by
  // the terminal's own line discipline.
  bool WaitForPrompt(const std::string &prompt = "SQL> ") {
    if (!WaitFor(prompt)) return false;
    const long long deadline = NowMs() + 15000;
    while (NowMs() < deadline) {
      termios mode;
      if (tcgetattr(master_, &mode) == 0 && (mode.c_lflag & ICANON) == 0)
        return true;
      usleep(5000);
    }
    return false;
  }

  // The exit status once the tool ends, or -1 if it does not in time.
  int WaitForExit(int timeoutMs = 15000) {
    const long long deadline = NowMs() + timeoutMs;
    while (NowMs() < deadline) {
      WaitFor("\x01never", 50);  // drain the terminal
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
    }
    return -1;
  }

  const std::string &Screen() const { return screen_; }
  // What appeared since `from` (an offset into the screen).
  std::string Since(size_t from) const { return screen_.substr(from); }
  size_t Mark() const { return consumed_; }

 private:
  pid_t pid_ = -1;
  int master_ = -1;
  bool exited_ = false;
  std::string screen_;
  size_t consumed_ = 0;
};

}  // namespace

TEST_F(ToolTest, PromptsOnATerminalAndGoesOnAfterErrors) {
  Setup({"create table t (id number, name varchar2(10))",
         "insert into t values (7, 'seven')"});
  Terminal term;
  ASSERT_TRUE(term.Start({Logon()}, dir_));
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();

  // A statement over two lines: the second line gets its number.
  term.Type("select id, name\n");
  ASSERT_TRUE(term.WaitForPrompt("  2  ")) << term.Screen();
  term.Type("from t;\n");
  ASSERT_TRUE(term.WaitFor("1 row selected.")) << term.Screen();
  EXPECT_NE(term.Screen().find(" 7 seven"), std::string::npos) << term.Screen();
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();

  // An error is shown and the session goes on.
  term.Type("select * from missing;\n");
  ASSERT_TRUE(term.WaitFor("ORA-00942")) << term.Screen();
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();
  term.Type("insert into t values (8, 'eight');\n");
  ASSERT_TRUE(term.WaitFor("1 row created.")) << term.Screen();
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();

  term.Type("exit\n");
  EXPECT_EQ(term.WaitForExit(), 0) << term.Screen();

  // The insert after the error was committed.
  const ToolRun run = Sql({Logon(), "select count(*) as n from t"});
  EXPECT_NE(run.out.find("\n         2\n"), std::string::npos) << run.out << run.err;
}

TEST_F(ToolTest, EndOfInputOnATerminalLeavesCleanly) {
  Setup({});
  Terminal term;
  ASSERT_TRUE(term.Start({Logon()}, dir_));
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();
  term.Type("\x04");  // Ctrl-D on an empty line
  EXPECT_EQ(term.WaitForExit(), 0) << term.Screen();
}

TEST_F(ToolTest, CtrlCClearsTheStatementAndHistoryRecallsItWhole) {
  Setup({"create table t (id number)", "insert into t values (7)"});
  Terminal term;
  ASSERT_TRUE(term.Start({Logon()}, dir_));
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();

  // Ctrl-C on the second line of a statement drops the whole statement.
  term.Type("delete\n");
  ASSERT_TRUE(term.WaitForPrompt("  2  ")) << term.Screen();
  term.Type("from t\x03");
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();
  term.Type(";\n");  // would have ended the delete
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();

  // A statement typed over two lines comes back as one history entry.
  term.Type("select id\n");
  ASSERT_TRUE(term.WaitForPrompt("  2  ")) << term.Screen();
  term.Type("from t;\n");
  ASSERT_TRUE(term.WaitFor("1 row selected.")) << term.Screen();
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();
  term.Type("\x10\n");  // Ctrl-P: the previous entry, then run it
  ASSERT_TRUE(term.WaitFor("1 row selected.")) << term.Screen();
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();

  // Ctrl-C while a script prints a long result stops the result and the
  // script; the session goes on.
  WriteFile("long.sql",
            "set pagesize 0 feedback off\n"
            "with n(x) as (select 1 from dual union all select x + 1 from n "
            "where x < 900000000) select x from n;\n"
            "prompt after the query\n");
  term.Type("@" + dir_ + "/long\n");
  ASSERT_TRUE(term.WaitFor("      1000")) << term.Screen();
  term.Type("\x03");
  ASSERT_TRUE(term.WaitFor("ORA-01013")) << term.Screen();
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();
  EXPECT_EQ(term.Screen().find("after the query"), std::string::npos);

  // Ctrl-C while one statement computes, before any row: the engine is
  // told to break it.
  term.Type("select max(x) from (with n(x) as (select 1 from dual union all "
            "select x + 1 from n where x < 900000000000) select x from n);\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  term.Type("\x03");
  ASSERT_TRUE(term.WaitFor("ORA-01013: user requested cancel")) << term.Screen();
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();
  term.Type("exit\n");
  EXPECT_EQ(term.WaitForExit(), 0) << term.Screen();

  const ToolRun run = Sql({Logon(), "select count(*) as n from t"});
  EXPECT_NE(run.out.find("\n         1\n"), std::string::npos) << run.out << run.err;
}

TEST_F(ToolTest, AsksForAMissingPasswordWithoutEcho) {
  Setup({});
  Terminal term;
  ASSERT_TRUE(term.Start({"scott@" + db_}, dir_));
  ASSERT_TRUE(term.WaitFor("Enter password: ")) << term.Screen();
  const size_t mark = term.Mark();
  term.Type("tiger\n");
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();
  EXPECT_EQ(term.Since(mark).find("tiger"), std::string::npos) << term.Screen();
  term.Type("show user\n");
  ASSERT_TRUE(term.WaitFor("USER is \"SCOTT\"")) << term.Screen();
  ASSERT_TRUE(term.WaitForPrompt()) << term.Screen();
  term.Type("\x04");
  EXPECT_EQ(term.WaitForExit(), 0) << term.Screen();
}
