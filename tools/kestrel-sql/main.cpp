/*
** kestrel-sql: a command-line SQL client built on Kestrel's public classes.
** Exit statuses: 0 success, 1 a database or input error, 2 bad arguments.
*/
#include <string.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iostream>
#include <memory>

#include "COCIConnection.h"
#include "LineReader.h"
#include "Logon.h"
#include "Options.h"
#include "Shell.h"
#include "StatementRunner.h"
#include "TerminalLineReader.h"

using namespace kestrel_sql;

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

int Fail(int status, const std::string &message) {
  std::cerr << "kestrel-sql: " << message << std::endl;
  return status;
}

int Run(const Options &options) {
  Logon logon;
  std::string error;
  if (!ParseLogon(options.logon, &logon, &error))
    return Fail(kUsage, error + " (see --help)");
  std::string link;
  if (!ResolveLink(logon.link, options.create, &link, &error))
    return Fail(kFailure, error);

  // The script is opened first, so that a wrong name creates no database.
  std::ifstream script;
  if (!options.script.empty()) {
    script.open(options.script);
    if (!script)
      return Fail(kFailure, "cannot read " + options.script + ": " +
                                strerror(errno));
  }

  COCIConnection connection;
  if (!connection.Connect(link.c_str(), logon.user.c_str(),
                          logon.password.c_str()))
    return Fail(kFailure, "cannot connect: " + ErrorRecordText());

  StatementRunner runner(&connection,
                         options.csv ? OutputFormat::kCsv : OutputFormat::kTable,
                         std::cout, std::cerr);
  int status = 0;
  if (!options.statements.empty()) {
    for (const std::string &text : options.statements) {
      const Statement statement = StatementFromText(text);
      if (statement.text.empty()) continue;
      if (!runner.Run(statement)) {
        status = kFailure;
        break;
      }
    }
  } else if (!options.script.empty()) {
    runner.SetSourceName(options.script);
    StreamLineReader reader(script);
    status = RunShell(reader, runner, false);
  } else if (isatty(STDIN_FILENO)) {
    TerminalLineReader reader;
    status = RunShell(reader, runner, true);
  } else {
    runner.SetSourceName("<stdin>");
    StreamLineReader reader(std::cin);
    status = RunShell(reader, runner, false);
  }
  connection.DisConnect();
  return status;
}

}  // namespace

int main(int argc, char **argv) {
  const ParseResult parsed = ParseArguments(argc, argv);
  if (!parsed.error.empty())
    return Fail(kUsage, parsed.error + " (see --help)");
  if (parsed.options.help) {
    std::cout << UsageText();
    return 0;
  }
  if (parsed.options.version) {
    std::cout << "kestrel-sql " KESTREL_VERSION << std::endl;
    return 0;
  }
  try {
    return Run(parsed.options);
  } catch (const std::exception &e) {
    return Fail(kFailure, e.what());
  }
}
