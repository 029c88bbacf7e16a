/*
** SET and SHOW.
*/
#include "Settings.h"

#include "NumberFormat.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace kestrel_sql {

std::string Upper(std::string text) {
  for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool Abbreviates(const std::string &word, const char *command, size_t least) {
  const std::string w = Upper(word);
  const std::string c = command;
  return w.size() >= least && w.size() <= c.size() && c.compare(0, w.size(), w) == 0;
}

std::vector<std::string> CommandWords(const std::string &text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    std::string word;
    if (text[i] == '\'' || text[i] == '"') {
      const char quote = text[i++];
      while (i < text.size()) {
        if (text[i] == quote) {
          if (i + 1 < text.size() && text[i + 1] == quote) {
            word += quote;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        word += text[i++];
      }
    } else {
      while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
        word += text[i++];
    }
    words.push_back(word);
  }
  return words;
}

namespace {

enum class Kind { kBool, kInt, kText };

struct Option {
  const char *name;
  size_t least;  // shortest abbreviation
  Kind kind;
};

const Option kOptions[] = {
    {"AUTOCOMMIT", 4, Kind::kText}, {"COLSEP", 6, Kind::kText},
    {"DEFINE", 3, Kind::kText},     {"ECHO", 4, Kind::kBool},
    {"FEEDBACK", 4, Kind::kText},   {"HEADING", 3, Kind::kBool},
    {"LINESIZE", 3, Kind::kInt},    {"NULL", 4, Kind::kText},
    {"NUMWIDTH", 3, Kind::kInt},    {"PAGESIZE", 5, Kind::kInt},
    {"SERVEROUTPUT", 9, Kind::kText}, {"TAB", 3, Kind::kBool},
    {"TERMOUT", 4, Kind::kBool},    {"TIMING", 4, Kind::kBool},
    {"TRIMSPOOL", 5, Kind::kBool},  {"VERIFY", 3, Kind::kBool},
    {"VERTICAL", 4, Kind::kBool},   {"MARKUP", 4, Kind::kText},
    {"LONG", 4, Kind::kInt},
};

// Options scripts set for SQL*Plus's sake that change nothing here.
const Option kAccepted[] = {
    {"ARRAYSIZE", 4, Kind::kInt},     {"CONCAT", 3, Kind::kText},
    {"ESCAPE", 3, Kind::kText},
    {"LONGCHUNKSIZE", 5, Kind::kInt}, {"NEWPAGE", 4, Kind::kText},
    {"PAUSE", 3, Kind::kText},        {"RECSEP", 4, Kind::kText},
    {"SCAN", 4, Kind::kText},         {"SHOWMODE", 4, Kind::kText},
    {"SQLBLANKLINES", 5, Kind::kText}, {"SQLPROMPT", 4, Kind::kText},
    {"SUFFIX", 3, Kind::kText},       {"TRIMOUT", 5, Kind::kText},
    {"UNDERLINE", 3, Kind::kText},    {"WRAP", 3, Kind::kText},
    {"EMBEDDED", 3, Kind::kText},     {"APPINFO", 2, Kind::kText},
    {"SQLTERMINATOR", 7, Kind::kText}, {"FLUSH", 3, Kind::kText},
    {"DOCUMENT", 3, Kind::kText},     {"COPYCOMMIT", 5, Kind::kText},
    {"LOBOFFSET", 4, Kind::kText},    {"SECUREDCOL", 7, Kind::kText},
    {"TRANSACTION", 11, Kind::kText},
};

const Option *Find(const std::string &word, const Option *begin, const Option *end) {
  for (const Option *o = begin; o != end; ++o) {
    if (Abbreviates(word, o->name, o->least)) return o;
  }
  return nullptr;
}

bool OnOff(const std::string &value, bool *out) {
  const std::string v = Upper(value);
  if (v == "ON") *out = true;
  else if (v == "OFF") *out = false;
  else return false;
  return true;
}

bool Number(const std::string &value, int low, int high, int *out) {
  if (value.empty()) return false;
  char *end = nullptr;
  const long n = std::strtol(value.c_str(), &end, 10);
  if (*end != '\0' || n < low || n > high) return false;
  *out = static_cast<int>(n);
  return true;
}

std::string OnOffText(bool on) { return on ? "ON" : "OFF"; }

}  // namespace

bool Settings::Apply(const std::string &text, std::string *error,
                     std::string *note) {
  const std::vector<std::string> words = CommandWords(text);
  if (words.empty()) {
    *error = "SP2-0265: SET requires an option";
    return false;
  }
  for (size_t i = 0; i < words.size(); i += 2) {
    const std::string &word = words[i];
    const Option *o = Find(word, std::begin(kOptions), std::end(kOptions));
    const Option *accepted =
        o ? nullptr : Find(word, std::begin(kAccepted), std::end(kAccepted));
    if (!o && !accepted) {
      *error = "SP2-0158: unknown SET option \"" + word + "\"";
      return false;
    }
    const std::string name = o ? o->name : accepted->name;
    if (name == "SERVEROUTPUT" || name == "MARKUP" || name == "TRANSACTION") {
      // These take several words; the rest of the command belongs to them.
      std::string rest;
      for (size_t k = i + 1; k < words.size(); ++k) rest += (k > i + 1 ? " " : "") + words[k];
      if (name == "SERVEROUTPUT") {
        if (!ApplyServerOutput(CommandWords(rest), error)) return false;
      } else if (name == "MARKUP") {
        const std::vector<std::string> w = CommandWords(rest);
        bool on = false;
        if (w.size() >= 2 && Upper(w[0]) == "CSV" && OnOff(w[1], &on)) {
          format = on ? OutputFormat::kCsv : OutputFormat::kTable;
        } else {
          *error = "SP2-0158: only SET MARKUP CSV ON|OFF is supported";
          return false;
        }
      } else {
        *error = "SP2-0158: SET TRANSACTION is an SQL statement; end it with ';'";
        return false;
      }
      return true;
    }
    if (i + 1 >= words.size()) {
      *error = "SP2-0265: " + Upper(name) + " needs a value";
      return false;
    }
    const std::string &value = words[i + 1];
    const std::string lower = [&] {
      std::string l = name;
      for (char &c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return l;
    }();
    bool ok = true;
    if (accepted) {
      this->accepted[name] = value;
    } else if (name == "ECHO") ok = OnOff(value, &echo);
    else if (name == "HEADING") ok = OnOff(value, &layout.heading);
    else if (name == "TAB") ok = OnOff(value, &tab);
    else if (name == "TERMOUT") ok = OnOff(value, &termOut);
    else if (name == "TIMING") ok = OnOff(value, &timing);
    else if (name == "TRIMSPOOL") ok = OnOff(value, &trimSpool);
    else if (name == "VERIFY") ok = OnOff(value, &verify);
    else if (name == "VERTICAL") {
      bool on = false;
      ok = OnOff(value, &on);
      if (ok) format = on ? OutputFormat::kVertical : OutputFormat::kTable;
    } else if (name == "LINESIZE") ok = Number(value, 1, 32767, &layout.lineSize);
    else if (name == "NUMWIDTH") ok = Number(value, 2, 50, &numWidth);
    else if (name == "LONG") ok = Number(value, 1, 2000000000, &longChars);
    else if (name == "PAGESIZE") ok = Number(value, 0, 50000, &layout.pageSize);
    else if (name == "NULL") layout.nullText = value;
    else if (name == "COLSEP") layout.columnSeparator = value;
    else if (name == "FEEDBACK") {
      bool on = false;
      if (OnOff(value, &on)) feedback = on ? 1 : 0;
      else ok = Number(value, 0, 50000, &feedback);
    } else if (name == "DEFINE") {
      if (!OnOff(value, &define)) {
        ok = value.size() == 1 && !std::isalnum(static_cast<unsigned char>(value[0])) &&
             !std::isspace(static_cast<unsigned char>(value[0]));
        if (ok) {
          define = true;
          defineChar = value[0];
        }
      }
    } else if (name == "AUTOCOMMIT") {
      const std::string v = Upper(value);
      int n = 0;
      ok = v == "ON" || v == "OFF" || v == "IMMEDIATE" || Number(value, 1, 2000000000, &n);
      if (ok && v != "ON" && v != "IMMEDIATE")
        *note = "autocommit stays IMMEDIATE: the library commits every statement as it runs";
    }
    if (!ok) {
      *error = "SP2-0268: " + lower + " option not a valid value: \"" + value + "\"";
      return false;
    }
  }
  return true;
}

bool Settings::ApplyServerOutput(const std::vector<std::string> &w, std::string *error) {
  // ON|OFF [SIZE n|UNLIMITED] [FORMAT WRAPPED|WORD_WRAPPED|TRUNCATED]
  bool on = false;
  if (w.empty() || !OnOff(w[0], &on)) {
    *error = "SP2-0265: serveroutput must be set to ON or OFF";
    return false;
  }
  long size = serverOutputSize;
  OutputWrap wrap = serverOutputWrap;
  for (size_t k = 1; k < w.size(); k += 2) {
    const bool hasValue = k + 1 < w.size();
    if (Abbreviates(w[k], "SIZE", 3) && hasValue) {
      int n = 0;
      if (Abbreviates(w[k + 1], "UNLIMITED", 3)) size = 0;
      else if (Number(w[k + 1], 2000, 1000000, &n)) size = n;
      else {
        *error = "SP2-0547: size option " + w[k + 1] + " out of range (2000 through 1000000)";
        return false;
      }
    } else if (Abbreviates(w[k], "FORMAT", 3) && hasValue) {
      if (Abbreviates(w[k + 1], "WRAPPED", 3)) wrap = OutputWrap::kWrapped;
      else if (Abbreviates(w[k + 1], "WORD_WRAPPED", 3)) wrap = OutputWrap::kWordWrapped;
      else if (Abbreviates(w[k + 1], "TRUNCATED", 3)) wrap = OutputWrap::kTruncated;
      else {
        *error = "SP2-0265: format must be WRAPPED, WORD_WRAPPED or TRUNCATED";
        return false;
      }
    } else {
      *error = "SP2-0158: unknown SET SERVEROUTPUT option \"" + w[k] + "\"";
      return false;
    }
  }
  serverOutput = on;
  serverOutputSize = size;
  serverOutputWrap = wrap;
  ++serverOutputSets;
  return true;
}

bool Settings::Show(const std::string &word, std::string *text) const {
  const Option *o = Find(word, std::begin(kOptions), std::end(kOptions));
  const Option *accepted =
      o ? nullptr : Find(word, std::begin(kAccepted), std::end(kAccepted));
  if (Upper(word) == "ALL") {
    text->clear();
    for (const Option &each : kOptions) {
      std::string one;
      Show(each.name, &one);
      *text += one + "\n";
    }
    if (!text->empty()) text->pop_back();
    return true;
  }
  if (accepted) {
    const auto it = this->accepted.find(accepted->name);
    *text = Upper(accepted->name) + " " +
            (it == this->accepted.end() ? std::string("(default)") : it->second);
    return true;
  }
  if (!o) return false;
  const std::string name = o->name;
  std::string value;
  if (name == "AUTOCOMMIT") value = "IMMEDIATE";
  else if (name == "COLSEP") value = "\"" + layout.columnSeparator + "\"";
  else if (name == "DEFINE") value = define ? "\"" + std::string(1, defineChar) + "\" (hex " + [&] {
    char hex[8];
    snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(defineChar));
    return std::string(hex);
  }() + ")" : "OFF";
  else if (name == "ECHO") value = OnOffText(echo);
  else if (name == "FEEDBACK") value = feedback == 0 ? "OFF" : "ON for " + std::to_string(feedback) + " or more rows";
  else if (name == "HEADING") value = OnOffText(layout.heading);
  else if (name == "LINESIZE") value = std::to_string(layout.lineSize);
  else if (name == "NULL") value = "\"" + layout.nullText + "\"";
  else if (name == "NUMWIDTH") value = std::to_string(numWidth);
  else if (name == "LONG") value = std::to_string(longChars);
  else if (name == "PAGESIZE") value = std::to_string(layout.pageSize);
  else if (name == "SERVEROUTPUT") {
    value = OnOffText(serverOutput);
    if (serverOutput) {
      value += " SIZE " + (serverOutputSize == 0 ? std::string("UNLIMITED")
                                                 : std::to_string(serverOutputSize));
      value += serverOutputWrap == OutputWrap::kWrapped     ? " FORMAT WRAPPED"
               : serverOutputWrap == OutputWrap::kTruncated ? " FORMAT TRUNCATED"
                                                             : " FORMAT WORD_WRAPPED";
    }
  }
  else if (name == "TAB") value = OnOffText(tab);
  else if (name == "TERMOUT") value = OnOffText(termOut);
  else if (name == "TIMING") value = OnOffText(timing);
  else if (name == "TRIMSPOOL") value = OnOffText(trimSpool);
  else if (name == "VERIFY") value = OnOffText(verify);
  else if (name == "VERTICAL") value = OnOffText(format == OutputFormat::kVertical);
  else if (name == "MARKUP") value = format == OutputFormat::kCsv ? "CSV ON" : "CSV OFF";
  std::string lower = name;
  for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  *text = lower + " " + value;
  return true;
}

bool Settings::ApplyColumn(const std::string &text, std::string *error) {
  const std::vector<std::string> words = CommandWords(text);
  if (words.empty()) {
    *error = "SP2-0046: COLUMN needs a column name";
    return false;
  }
  const std::string name = Upper(words[0]);
  ColumnFormat format = columns[name];
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string &w = words[i];
    const bool hasValue = i + 1 < words.size();
    if (Abbreviates(w, "CLEAR", 3)) {
      columns.erase(name);
      return true;
    } else if (Abbreviates(w, "HEADING", 3) && hasValue) {
      format.heading = words[++i];
    } else if (Abbreviates(w, "FORMAT", 3) && hasValue) {
      const std::string f = Upper(words[++i]);
      int width = 0;
      if (f.size() > 1 && f[0] == 'A' && Number(f.substr(1), 1, 60000, &width))
        format.width = static_cast<size_t>(width);
      else if (IsNumberFormat(f))
        format.numberFormat = f;
      // Other formats (dates, MI, EEEE) are accepted and not applied.
    } else if (Abbreviates(w, "NOPRINT", 3)) {
      format.hidden = true;
    } else if (Abbreviates(w, "PRINT", 3)) {
      format.hidden = false;
    } else if (Abbreviates(w, "NEW_VALUE", 5) && hasValue) {
      format.newValue = words[++i];
    } else if (Abbreviates(w, "OLD_VALUE", 5) || Abbreviates(w, "JUSTIFY", 3) ||
               Abbreviates(w, "LIKE", 3) || Abbreviates(w, "NULL", 3) ||
               Abbreviates(w, "ALIAS", 3)) {
      if (hasValue) ++i;  // an option with a value that changes nothing here
    } else if (!(Abbreviates(w, "WRAPPED", 3) || Abbreviates(w, "TRUNCATED", 3) ||
                 Abbreviates(w, "WORD_WRAPPED", 3) || Abbreviates(w, "ON", 2) ||
                 Abbreviates(w, "OFF", 3) || Abbreviates(w, "FOLD_AFTER", 5) ||
                 Abbreviates(w, "FOLD_BEFORE", 5))) {
      *error = "SP2-0158: unknown COLUMN option \"" + w + "\"";
      return false;
    }
  }
  columns[name] = format;
  return true;
}

}  // namespace kestrel_sql
