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
    } else if (arg == "--vertical") {
      o.vertical = true;
    } else if (arg == "--bail") {
      o.bail = true;
    } else if (arg == "--allow-host") {
      o.allowHost = true;
    } else if (arg == "--password-file") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        result.error = "option " + arg + " needs a file name";
        return result;
      }
      o.passwordFile = argv[++i];
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
    result.error = "missing USER[/PASSWORD]@LINK";
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
      "Usage: kestrel-sql [OPTIONS] USER[/PASSWORD]@LINK [SQL | @FILE [ARGS]] ...\n"
      "\n"
      "Runs SQL and SQL*Plus commands on a Kestrel database.\n"
      "\n"
      "  LINK           a database file path, or an SQLite URI (file:...)\n"
      "  SQL            statements or client commands to run, one per argument\n"
      "  @FILE [ARGS]   a script, its arguments as &1, &2, ... (quote it whole:\n"
      "                 \"@load.sql 2024 EU\")\n"
      "\n"
      "A user or password holding '/', '@' or '\"' is double-quoted, a quote\n"
      "inside doubled; quote it once more for the shell:\n"
      "  kestrel-sql '\"ops/eu\"/secret@shop.db'    kestrel-sql 'scott/\"p@ss\"@shop.db'\n"
      "\n"
      "The password, when the logon has none (scott@shop.db), is read from the\n"
      "file given with --password-file (only its first line; the file must not\n"
      "be readable by group or others), else from the environment variable\n"
      "KESTREL_SQL_PASSWORD, else asked for on the terminal without echo. A\n"
      "password given in the logon is visible to other users in ps.\n"
      "\n"
      "Options:\n"
      "  --create       make the database file when it does not exist\n"
      "  -f, --file FILE  run the statements and commands in FILE\n"
      "  --bail         stop a script or piped input at its first error (status 1)\n"
      "  --csv          print query results as CSV (RFC 4180), nothing else\n"
      "  --vertical     print each row as one NAME : value line per column\n"
      "  --allow-host   let HOST and ! run shell commands (refused otherwise)\n"
      "  --password-file FILE  read the password from FILE\n"
      "  -h, --help     show this text and exit\n"
      "  -V, --version  show the version and exit\n"
      "\n"
      "With neither SQL arguments nor -f, input is read from standard input: a\n"
      "session with prompts on a terminal (HELP lists the commands), else a\n"
      "script. A statement ends with ';' at the end of a line, or with a line\n"
      "holding only '/'; a block (BEGIN, DECLARE, CREATE PROCEDURE, FUNCTION,\n"
      "PACKAGE, TRIGGER or TYPE) ends only with '/'. '/' alone runs the last\n"
      "statement again.\n"
      "\n"
      "Client commands, as SQL*Plus reads them: SET (SERVEROUTPUT prints\n"
      "DBMS_OUTPUT's lines after each statement, NUMWIDTH sizes numbers), SHOW\n"
      "(ERRORS lists compilation errors), PROMPT, REMARK, DEFINE, UNDEFINE,\n"
      "&name and &&name substitution, ACCEPT, @, @@, START, SPOOL, WHENEVER\n"
      "SQLERROR|OSERROR, COLUMN (HEADING, FORMAT An or a number format with\n"
      "9 0 , . $ B S MI PR EEEE, NOPRINT, NEW_VALUE), DESCRIBE (tables, views,\n"
      "procedures, functions, packages), EXECUTE, CONNECT, RUN, EXIT, QUIT,\n"
      "HELP. An unknown command gets an SP2- message. HELP in a session\n"
      "describes each.\n"
      "\n"
      "Errors and the exit status:\n"
      "  SQL arguments   the first error ends the run with status 1.\n"
      "  scripts (-f, @) and piped input: errors are reported and the script\n"
      "                  goes on, as in SQL*Plus; the status is 0, or EXIT's\n"
      "                  code, or WHENEVER SQLERROR|OSERROR EXIT's code; with\n"
      "                  --bail the first error ends the run with status 1.\n"
      "  a terminal      errors never end the session.\n"
      "  Output that cannot be written (a full disk) ends the run with status 1.\n"
      "  Bad arguments exit with status 2.\n";
}

}  // namespace kestrel_sql
