/*
** Reading kestrel-sql's command line.
*/
#include "Options.h"

namespace kestrel_sql {

ParseResult ParseArguments(int argc, const char *const argv[]) {
  ParseResult result;
  Options &o = result.options;
  bool optionsEnded = false;
  std::vector<std::string> positional;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      o.help = true;
    } else if (arg == "-V" || arg == "--version") {
      o.version = true;
    } else if (arg == "--create") {
      o.create = true;
    } else if (arg == "--csv") {
      o.csv = true;
    } else if (arg == "-f" || arg == "--file") {
      if (i + 1 >= argc) {
        result.error = "option " + arg + " needs a file name";
        return result;
      }
      if (!o.script.empty()) {
        result.error = "only one script may be given with -f";
        return result;
      }
      o.script = argv[++i];
      if (o.script.empty()) {
        result.error = "option " + arg + " needs a file name";
        return result;
      }
    } else if (arg.compare(0, 7, "--file=") == 0) {
      if (!o.script.empty()) {
        result.error = "only one script may be given with -f";
        return result;
      }
      o.script = arg.substr(7);
      if (o.script.empty()) {
        result.error = "option --file needs a file name";
        return result;
      }
    } else {
      result.error = "unknown option " + arg;
      return result;
    }
  }
  if (o.help || o.version) return result;

  if (positional.empty()) {
    result.error = "missing USER/PASSWORD@LINK";
    return result;
  }
  o.logon = positional.front();
  o.statements.assign(positional.begin() + 1, positional.end());
  if (!o.script.empty() && !o.statements.empty()) {
    result.error = "give SQL arguments or -f FILE, not both";
    return result;
  }
  return result;
}

std::string UsageText() {
  return
      "Usage: kestrel-sql [OPTIONS] USER/PASSWORD@LINK [SQL ...]\n"
      "\n"
      "Runs SQL on a Kestrel database and prints the results.\n"
      "\n"
      "  LINK           a database file path, or an SQLite URI (file:...)\n"
      "  SQL            statements to run, one per argument, in order\n"
      "\n"
      "Options:\n"
      "  --create       make the database file when it does not exist\n"
      "  -f, --file FILE  run the statements in FILE\n"
      "  --csv          print query results as CSV (RFC 4180), nothing else\n"
      "  -h, --help     show this text and exit\n"
      "  -V, --version  show the version and exit\n"
      "\n"
      "With neither SQL arguments nor -f, statements are read from standard\n"
      "input. A statement ends with ';' at the end of a line, or with a line\n"
      "holding only '/'; a block (BEGIN, DECLARE, CREATE PROCEDURE, FUNCTION,\n"
      "PACKAGE, TRIGGER or TYPE) ends only with '/'. EXIT or QUIT leaves.\n"
      "\n"
      "In batch mode (SQL arguments, -f, or input that is not a terminal) the\n"
      "first error ends the run with status 1; on a terminal the session goes\n"
      "on. Bad arguments exit with status 2.\n";
}

}  // namespace kestrel_sql
