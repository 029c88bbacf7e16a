/*
** kestrel-sql's command line: the options, the logon string and the SQL
** arguments, read into one value. Parsing never exits or prints; the
** caller reports what it says.
*/
#ifndef KESTREL_SQL_OPTIONS_H
#define KESTREL_SQL_OPTIONS_H

#include <string>
#include <vector>

namespace kestrel_sql {

struct Options {
  bool help = false;
  bool version = false;
  bool create = false;  // --create: make the database file when missing
  bool csv = false;     // --csv: RFC 4180 output instead of a table
  bool vertical = false;  // --vertical: one value per line
  bool bail = false;    // --bail: a script's first error ends the run
  bool allowHost = false;  // --allow-host: HOST and ! run shell commands
  std::string passwordFile;  // --password-file FILE
  std::string script;   // -f FILE; empty when absent
  std::string logon;    // USER[/PASSWORD]@LINK as given
  std::vector<std::string> statements;  // SQL arguments or commands, one each
};

struct ParseResult {
  Options options;
  std::string error;  // empty on success
};

// Reads argv[1..argc-1]. Options may come before or after the logon
// string; "--" ends the options, so that SQL beginning with "-" can follow.
ParseResult ParseArguments(int argc, const char *const argv[]);

// The text printed by --help.
std::string UsageText();

}  // namespace kestrel_sql

#endif
