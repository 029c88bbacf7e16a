// A temporary folder with a database path for tests that run kestrel-sql.
#ifndef KESTREL_TESTS_TOOL_FIXTURE_H
#define KESTREL_TESTS_TOOL_FIXTURE_H

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ToolProcess.h"

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kestrel-sql-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    db_ = dir_ + "/test.db";
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::string Logon(const char *password = "tiger") const {
    return std::string("scott/") + password + "@" + db_;
  }

  // Runs kestrel-sql with the arguments, HOME pointing at the folder.
  ToolRun Sql(const std::vector<std::string> &args,
              const std::string &input = std::string()) const {
    return RunProgram(KESTREL_SQL_PATH, args, input, {"HOME=" + dir_});
  }

  // Creates the database and runs the statements on it; fails the test if
  // any of them fails.
  void Setup(const std::vector<std::string> &statements) const {
    std::vector<std::string> args{"--create", Logon()};
    args.insert(args.end(), statements.begin(), statements.end());
    const ToolRun run = Sql(args);
    ASSERT_EQ(run.status, 0) << run.err;
  }

  std::string WriteFile(const std::string &name, const std::string &text) const {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  std::string dir_;
  std::string db_;
};

// The number of lines in text ending with a newline.
inline size_t LineCount(const std::string &text) {
  size_t n = 0;
  for (const char c : text) n += c == '\n';
  return n;
}

#endif
