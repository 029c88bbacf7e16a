/*
** kestrel-sql: a command-line SQL client built on Kestrel's public classes.
** Exit statuses: 0 success, 1 a database, input or output error (or what
** EXIT and WHENEVER ask for), 2 bad arguments.
*/
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iostream>
#include <memory>

#include "ClientConnection.h"
#include "LineReader.h"
#include "Logon.h"
#include "Options.h"
#include "Output.h"
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

// The password when the logon holds none: --password-file, then
// KESTREL_SQL_PASSWORD, then a prompt on the terminal.
bool FindPassword(const Options &options, Logon *logon, std::string *error) {
  if (logon->hasPassword) return true;
  if (!options.passwordFile.empty())
    return ReadPasswordFile(options.passwordFile, &logon->password, error);
  if (const char *env = getenv("KESTREL_SQL_PASSWORD"); env != nullptr) {
    logon->password = env;
    return true;
  }
  if (ReadSecret("Enter password: ", &logon->password)) return true;
  *error = "no password: give USER/PASSWORD, --password-file, "
           "KESTREL_SQL_PASSWORD or a terminal to ask on";
  return false;
}

std::string Directory(const std::string &path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int Run(const Options &options, Output &output) {
  Logon logon;
  std::string error;
  if (!ParseLogon(options.logon, &logon, &error))
    return Fail(kUsage, error + " (see --help)");
  if (logon.link.empty())
    return Fail(kUsage, "the logon names no database link: USER[/PASSWORD]@LINK (see --help)");
  std::string link;
  if (!ResolveLink(logon.link, options.create, &link, &error))
    return Fail(kFailure, error);

  // The script is opened first, so that a wrong name creates no database.
  std::ifstream script;
  if (!options.script.empty()) {
    script.open(options.script, std::ios::binary);
    if (!script)
      return Fail(kFailure, "cannot read " + options.script + ": " +
                                strerror(errno));
  }
  if (!FindPassword(options, &logon, &error)) return Fail(kFailure, error);

  ClientConnection connection;
  if (!connection.Connect(link.c_str(), logon.user.c_str(),
                          logon.password.c_str()))
    return Fail(kFailure, "cannot connect: " + ErrorRecordText());

  ShellOptions shellOptions;
  shellOptions.bail = options.bail;
  shellOptions.allowHost = options.allowHost;
  Shell shell(connection, output, std::cerr, shellOptions);
  shell.SetLogon(logon.user, logon.link);
  if (options.csv) shell.settings().format = OutputFormat::kCsv;
  if (options.vertical) shell.settings().format = OutputFormat::kVertical;

  int status = 0;
  StreamLineReader standardInput(std::cin);
  if (!options.statements.empty()) {
    shell.SetPrompter(&standardInput);
    for (const std::string &text : options.statements) {
      if (!shell.RunText(text) && !shell.Done()) {
        status = kFailure;
        break;
      }
      if (shell.Done()) break;
    }
  } else if (!options.script.empty()) {
    shell.SetPrompter(&standardInput);
    StreamLineReader reader(script);
    shell.RunReader(reader, options.script, Directory(options.script));
  } else if (isatty(STDIN_FILENO)) {
    TerminalLineReader reader;
    reader.BreakTarget(connection.ServiceContext());  // CONNECT moves it
    shell.SetPrompter(&reader);
    shell.RunReader(reader, "", ".");
  } else {
    shell.SetPrompter(&standardInput);
    shell.RunReader(standardInput, "<stdin>", ".");
  }
  if (shell.Done()) status = shell.ExitStatus();
  connection.DisConnect();
  return status;
}

}  // namespace

int main(int argc, char **argv) {
  Output output;
  const ParseResult parsed = ParseArguments(argc, argv);
  int status = 0;
  if (!parsed.error.empty()) {
    status = Fail(kUsage, parsed.error + " (see --help)");
  } else if (parsed.options.help) {
    output.Stream() << UsageText();
  } else if (parsed.options.version) {
    output.Stream() << "kestrel-sql " KESTREL_SQL_VERSION << "\n";
  } else {
    try {
      status = Run(parsed.options, output);
    } catch (const std::exception &e) {
      status = Fail(kFailure, e.what());
    }
  }
  // Nothing counts as done until it reached its destination.
  const std::string failure = output.Finish();
  if (!failure.empty()) {
    std::cerr << "kestrel-sql: " << failure << std::endl;
    if (status == 0) status = kFailure;
  }
  return status;
}
