// Every SQL statement of Oracle's public sample-schema scripts must parse,
// and print to a text that parses back to the same print.
// The scripts are read at run time from where the checkout keeps them; the
// SQL*Plus client commands (SET, PROMPT, REM, ...) are skipped. Procedural
// units (blocks, procedures, triggers, ended by '/') are parsed whole as
// PL/SQL; the plain SQL statements inside a BEGIN ... END block are also
// parsed one by one.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sql/parse/Parse.h"
#include "sql/print/Printer.h"

namespace {

using namespace kestrel_engine::sql;

std::string Upper(std::string s) {
  for (char &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string &s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::string FirstWord(const std::string &line) {
  std::string t = Trim(line);
  size_t n = 0;
  while (n < t.size() && (std::isalnum(static_cast<unsigned char>(t[n])) || t[n] == '_' || t[n] == '@')) ++n;
  return Upper(t.substr(0, n ? n : 1));
}

bool IsClientCommand(const std::string &line) {
  static const char *const kCommands[] = {"SET", "PROMPT", "REM", "REMARK", "DEFINE", "UNDEFINE",
                                          "SPOOL", "WHENEVER", "EXIT", "QUIT", "CONNECT", "CONN",
                                          "SHOW", "PAUSE", "ACCEPT", "COLUMN", "CLEAR", "HOST",
                                          "VARIABLE", "PRINT", "EXECUTE", "EXEC", "TIMING"};
  const std::string w = FirstWord(line);
  if (!w.empty() && w[0] == '@') return true;
  return std::find(std::begin(kCommands), std::end(kCommands), w) != std::end(kCommands);
}

// A statement ends with ';' at the end of a line outside a literal (or at
// a line holding only '/').
struct Splitter {
  std::vector<std::string> sql;     // statements to parse
  std::vector<std::string> blocks;  // procedural units, parsed whole

  static int Quotes(const std::string &line) {
    const size_t dash = line.find("--");
    const std::string code = dash == std::string::npos ? line : line.substr(0, dash);
    return static_cast<int>(std::count(code.begin(), code.end(), '\''));
  }

  void Split(std::istream &in) {
    std::string line;
    std::string current;
    bool block = false;
    int quotes = 0;
    while (std::getline(in, line)) {
      const std::string t = Trim(line);
      if (current.empty() && !block) {
        if (t.empty() || t.rfind("--", 0) == 0 || IsClientCommand(t)) continue;
        const std::string w = FirstWord(t);
        const std::string u = Upper(t);
        block = w == "BEGIN" || w == "DECLARE" ||
                ((w == "CREATE") && (u.find("PROCEDURE") != std::string::npos ||
                                     u.find("FUNCTION") != std::string::npos ||
                                     u.find("TRIGGER") != std::string::npos ||
                                     u.find("PACKAGE") != std::string::npos));
      }
      if (block) {
        if (t == "/") {
          Block(current);
          current.clear();
          block = false;
        } else {
          current += line + "\n";
        }
        continue;
      }
      if (t == "/") {
        if (!Trim(current).empty()) sql.push_back(current);
        current.clear();
        quotes = 0;
        continue;
      }
      current += line + "\n";
      quotes += Quotes(line);
      if (quotes % 2 == 0 && !t.empty() && t.back() == ';') {
        sql.push_back(current.substr(0, current.rfind(';')));
        current.clear();
        quotes = 0;
      }
    }
    if (!Trim(current).empty() && !block) sql.push_back(current);
  }

  // BEGIN stmt; stmt; END; holding only SQL statements: each is parsed.
  void Block(const std::string &text) {
    blocks.push_back(text);
    if (FirstWord(text) != "BEGIN") return;
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> inner;
    std::string current;
    int quotes = 0;
    bool plain = false;
    while (std::getline(in, line)) {
      const std::string t = Trim(line);
      const std::string w = FirstWord(t);
      if (current.empty()) {
        if (w == "BEGIN") {
          plain = true;
          continue;
        }
        if (!plain || t.empty() || t.rfind("--", 0) == 0) continue;
        if (w == "END") break;
      }
      current += line + "\n";
      quotes += Quotes(line);
      if (quotes % 2 == 0 && !t.empty() && t.back() == ';') {
        inner.push_back(current.substr(0, current.rfind(';')));
        current.clear();
        quotes = 0;
      }
    }
    sql.insert(sql.end(), inner.begin(), inner.end());
  }
};

// Parsed, and printed to a text that parses to the same print; false
// (with a failure recorded) when it does not parse.
bool ParsesAndPrints(const std::filesystem::path &file, const std::string &sql) {
  Arena arena;
  try {
    const std::string printed = Print(*Parse(sql, arena));
    Arena again;
    EXPECT_EQ(Print(*Parse(printed, again)), printed);
    return true;
  } catch (const SyntaxError &e) {
    ADD_FAILURE() << file.filename() << ": " << e.what() << " at " << e.offset() << " in:\n" << sql.substr(0, 400);
    return false;
  }
}

TEST(SqlSamples, EveryStatementParses) {
  const std::filesystem::path dir = KESTREL_ORACLE_SAMPLES_DIR;
  if (!std::filesystem::is_directory(dir)) {
    GTEST_SKIP() << "no sample scripts at " << dir << " (configure KESTREL_ORACLE_SAMPLES_DIR)";
  }
  std::vector<std::filesystem::path> files;
  for (const auto &entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".sql") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  size_t total = 0;
  size_t failed = 0;
  size_t units = 0;
  size_t units_failed = 0;
  for (const auto &file : files) {
    std::ifstream in(file);
    Splitter split;
    split.Split(in);
    size_t parsed = 0;
    for (const std::string &sql : split.sql) {
      if (ParsesAndPrints(file, sql)) ++parsed;
    }
    size_t units_parsed = 0;
    for (const std::string &unit : split.blocks) {
      if (ParsesAndPrints(file, unit)) ++units_parsed;
    }
    failed += split.sql.size() - parsed;
    total += split.sql.size();
    units += split.blocks.size();
    units_failed += split.blocks.size() - units_parsed;
    std::cout << file.filename().string() << ": " << parsed << " of " << split.sql.size()
              << " statements parse; " << units_parsed << " of " << split.blocks.size()
              << " procedural units parse\n";
  }
  std::cout << "all: " << total - failed << " of " << total << " statements and " << units - units_failed
            << " of " << units << " procedural units parse\n";
  EXPECT_GT(total, 200u);
}

}  // namespace
