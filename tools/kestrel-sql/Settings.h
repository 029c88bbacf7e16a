/*
** The SET options kestrel-sql honours, read and shown the way SQL*Plus
** reads and shows them (names may be abbreviated as SQL*Plus allows:
** SET PAGES 100, SET FEED OFF).
*/
#ifndef KESTREL_SQL_SETTINGS_H
#define KESTREL_SQL_SETTINGS_H

#include <map>
#include <string>
#include <vector>

#include "RowPrinter.h"

namespace kestrel_sql {

// SET SERVEROUTPUT's FORMAT: how a line longer than LINESIZE is cut.
enum class OutputWrap { kWordWrapped, kWrapped, kTruncated };

struct Settings {
  bool echo = false;
  int feedback = 1;  // report row counts from this many rows on; 0 is OFF
  TableLayout layout;
  int numWidth = 10;
  int longChars = 80;  // SET LONG: characters shown of a LOB or RAW value
  bool timing = false;
  bool verify = true;
  bool define = true;
  char defineChar = '&';
  bool trimSpool = false;
  bool tab = true;
  bool termOut = true;
  bool serverOutput = false;
  long serverOutputSize = 0;  // SIZE n; 0 is UNLIMITED
  OutputWrap serverOutputWrap = OutputWrap::kWordWrapped;
  int serverOutputSets = 0;   // counts SET SERVEROUTPUT, so the shell can act on it
  OutputFormat format = OutputFormat::kTable;
  // Options accepted for scripts' sake that change nothing here, by name.
  std::map<std::string, std::string> accepted;

  // COLUMN's settings, by upper-cased column name or alias.
  struct ColumnFormat {
    std::string heading;   // HEADING text; empty: the column's own name
    size_t width = 0;      // FORMAT An
    std::string numberFormat;  // FORMAT 9,999.99
    bool hidden = false;   // NOPRINT
    std::string newValue;  // NEW_VALUE variable: set from the last row
  };
  std::map<std::string, ColumnFormat> columns;

  // Applies "NAME [HEADING text] [FORMAT An|9,990.99] [NOPRINT|PRINT]
  // [NEW_VALUE var] [CLEAR]" (the text after COLUMN); other options are
  // accepted and change nothing. False with an SP2- `error`.
  bool ApplyColumn(const std::string &text, std::string *error);

  // Applies "NAME VALUE [NAME VALUE ...]" (the text after SET). False with
  // `error` set (an SP2- message) for an unknown option or a bad value;
  // `note` gets a remark worth showing even on success (AUTOCOMMIT).
  bool Apply(const std::string &text, std::string *error, std::string *note);

  // SHOW NAME's text, "ALL" for every option; false for an unknown name.
  bool Show(const std::string &name, std::string *text) const;

 private:
  bool ApplyServerOutput(const std::vector<std::string> &words, std::string *error);
};

// The words of a command line: blanks separate them, a single- or
// double-quoted word keeps its blanks (quotes removed, doubled quotes
// kept once).
std::vector<std::string> CommandWords(const std::string &text);

// True when `word` (any case) names `command` abbreviated to at least
// `least` characters: Abbreviates("PAGES", "PAGESIZE", 5).
bool Abbreviates(const std::string &word, const char *command, size_t least);

std::string Upper(std::string text);

}  // namespace kestrel_sql

#endif
