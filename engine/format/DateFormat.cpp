/*
** Datetime format models. The model is cut into elements by longest
** match, case-insensitively; the case of an element's first two letters
** sets the case of the words it writes. Writing follows FM (which toggles
** padding: words padded to the longest name, numbers with leading zeros)
** and the TH and SP suffixes. Reading is lenient unless FX is given:
** punctuation and blanks in the model match any one punctuation mark with
** blanks around it, numbers may have fewer digits than their element's
** width, MON reads full names too and MONTH abbreviations, and input that
** ends early leaves the remaining fields at their defaults.
*/
#include "format/DateFormat.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <cstdlib>

namespace kestrel_engine {

namespace {

const char *const kMonths[12] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",
                                  "MAY",     "JUNE",     "JULY",      "AUGUST",
                                  "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char *const kDays[7] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                              "THURSDAY", "FRIDAY", "SATURDAY"};
const char *const kRoman[12] = {"I",   "II",   "III", "IV", "V",  "VI",
                                "VII", "VIII", "IX",  "X",  "XI", "XII"};

struct Keyword {
  const char *name;
  DateElement element;
};

// Longest first where one name begins another.
const Keyword kKeywords[] = {
    {"A.D.", DateElement::kADDots}, {"A.M.", DateElement::kAMDots},
    {"B.C.", DateElement::kBCDots}, {"P.M.", DateElement::kPMDots},
    {"Y,YYY", DateElement::kYCommaYYY}, {"SYYYY", DateElement::kSYYYY},
    {"SYEAR", DateElement::kSYear}, {"SSSSS", DateElement::kSSSSS},
    {"MONTH", DateElement::kMonth}, {"HH24", DateElement::kHH24},
    {"HH12", DateElement::kHH12},   {"IYYY", DateElement::kIYYY},
    {"RRRR", DateElement::kRRRR},   {"YYYY", DateElement::kYYYY},
    {"YEAR", DateElement::kYear},   {"DAY", DateElement::kDay},
    {"DDD", DateElement::kDDD},     {"IYY", DateElement::kIYY},
    {"MON", DateElement::kMon},     {"SCC", DateElement::kSCC},
    {"TZD", DateElement::kTZD},     {"TZH", DateElement::kTZH},
    {"TZM", DateElement::kTZM},     {"TZR", DateElement::kTZR},
    {"YYY", DateElement::kYYY},     {"AD", DateElement::kAD},
    {"AM", DateElement::kAM},       {"BC", DateElement::kBC},
    {"CC", DateElement::kCC},       {"DD", DateElement::kDD},
    {"DL", DateElement::kDL},       {"DS", DateElement::kDS},
    {"DY", DateElement::kDY},       {"FF", DateElement::kFF},
    {"FM", DateElement::kFM},       {"FX", DateElement::kFX},
    {"HH", DateElement::kHH},       {"IW", DateElement::kIW},
    {"IY", DateElement::kIY},       {"MI", DateElement::kMI},
    {"MM", DateElement::kMM},       {"PM", DateElement::kPM},
    {"RM", DateElement::kRM},       {"RR", DateElement::kRR},
    {"SS", DateElement::kSS},       {"TS", DateElement::kTS},
    {"WW", DateElement::kWW},       {"YY", DateElement::kYY},
    {"D", DateElement::kD},         {"I", DateElement::kI},
    {"J", DateElement::kJ},         {"Q", DateElement::kQ},
    {"W", DateElement::kW},         {"X", DateElement::kX},
    {"Y", DateElement::kY},
};

bool StartsWithNoCase(std::string_view text, size_t at, const char *word) {
  const size_t n = strlen(word);
  if (at + n > text.size()) return false;
  for (size_t i = 0; i < n; ++i) {
    if (toupper(static_cast<unsigned char>(text[at + i])) != word[i]) return false;
  }
  return true;
}

LetterCase CaseOf(std::string_view text, size_t at) {
  const bool first = isupper(static_cast<unsigned char>(text[at]));
  if (!first) return LetterCase::kLower;
  // One-letter elements and those whose second character is no letter
  // follow the first letter.
  const char second = at + 1 < text.size() ? text[at + 1] : 'X';
  if (!isalpha(static_cast<unsigned char>(second))) return LetterCase::kUpper;
  return isupper(static_cast<unsigned char>(second)) ? LetterCase::kUpper
                                                      : LetterCase::kCapitalized;
}

bool IsPunctuation(char c) {
  return c != '\0' && strchr("-/,.;: ", c) != nullptr;
}

std::string InCase(std::string_view word, LetterCase letters) {
  std::string out(word);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (letters == LetterCase::kLower ||
        (letters == LetterCase::kCapitalized && i > 0 &&
         isalpha(static_cast<unsigned char>(out[i - 1])))) {
      out[i] = static_cast<char>(tolower(c));
    } else {
      out[i] = static_cast<char>(toupper(c));
    }
  }
  return out;
}

// English words for 0 .. 9999, as SP and YEAR spell numbers.
std::string Spell(long n) {
  static const char *const kOnes[20] = {
      "ZERO",    "ONE",     "TWO",       "THREE",    "FOUR",    "FIVE",   "SIX",
      "SEVEN",   "EIGHT",   "NINE",      "TEN",      "ELEVEN",  "TWELVE", "THIRTEEN",
      "FOURTEEN", "FIFTEEN", "SIXTEEN",  "SEVENTEEN", "EIGHTEEN", "NINETEEN"};
  static const char *const kTens[10] = {"",      "",      "TWENTY",  "THIRTY", "FORTY",
                                        "FIFTY", "SIXTY", "SEVENTY", "EIGHTY", "NINETY"};
  if (n < 0) return "MINUS " + Spell(-n);
  if (n < 20) return kOnes[n];
  if (n < 100) {
    return std::string(kTens[n / 10]) + (n % 10 ? std::string("-") + kOnes[n % 10] : "");
  }
  if (n < 1000) {
    return std::string(kOnes[n / 100]) + " HUNDRED" + (n % 100 ? " " + Spell(n % 100) : "");
  }
  if (n < 1000000) {
    return Spell(n / 1000) + " THOUSAND" + (n % 1000 ? " " + Spell(n % 1000) : "");
  }
  return Spell(n / 1000000) + " MILLION" + (n % 1000000 ? " " + Spell(n % 1000000) : "");
}

// YEAR: the year read as people say it, in two halves where it can be.
std::string SpellYear(int year) {
  const int y = year < 0 ? -year : year;
  const int high = y / 100;
  const int low = y % 100;
  if (high == 0) return Spell(low);
  if (low == 0) return high % 10 == 0 ? Spell(y) : Spell(high) + " HUNDRED";
  if (high % 10 == 0 && low < 10) return Spell(y);
  return Spell(high) + " " + Spell(low);
}

std::string OrdinalSuffix(long n) {
  const long tens = n % 100;
  if (tens >= 11 && tens <= 13) return "TH";
  switch (n % 10) {
    case 1: return "ST";
    case 2: return "ND";
    case 3: return "RD";
    default: return "TH";
  }
}

std::string SpellOrdinal(long n) {
  std::string words = Spell(n);
  static const struct {
    const char *from;
    const char *to;
  } kEnds[] = {{"ONE", "FIRST"},   {"TWO", "SECOND"}, {"THREE", "THIRD"},
               {"FIVE", "FIFTH"},  {"EIGHT", "EIGHTH"}, {"NINE", "NINTH"},
               {"TWELVE", "TWELFTH"}, {"Y", "IETH"}};
  for (const auto &e : kEnds) {
    const size_t n2 = strlen(e.from);
    if (words.size() >= n2 && words.compare(words.size() - n2, n2, e.from) == 0) {
      return words.substr(0, words.size() - n2) + e.to;
    }
  }
  return words + "TH";
}

// ISO 8601 week-numbering year and week of a date.
void IsoWeek(const DateTime &v, int *isoYear, int *week) {
  const int64_t day = JulianDay(v.year, v.month, v.day);
  const int weekday = static_cast<int>((day % 7 + 7) % 7);  // 0 Monday
  const int64_t thursday = day - weekday + 3;
  int y, m, d;
  FromJulianDay(thursday, &y, &m, &d);
  *isoYear = y;
  *week = static_cast<int>((thursday - JulianDay(y, 1, 1)) / 7) + 1;
}

}  // namespace

int ParseDateFormat(std::string_view model, DateFormat *out, std::string *detail) {
  out->items.clear();
  size_t i = 0;
  while (i < model.size()) {
    const char c = model[i];
    DateFormatItem item;
    if (c == '"') {
      const size_t end = model.find('"', i + 1);
      if (end == std::string_view::npos) {
        if (detail) *detail = std::string(model.substr(i));
        return 1821;
      }
      item.text.assign(model.substr(i + 1, end - i - 1));
      item.quoted = true;
      out->items.push_back(item);
      i = end + 1;
      continue;
    }
    if (IsPunctuation(c)) {
      item.text.assign(1, c);
      out->items.push_back(item);
      ++i;
      continue;
    }
    const Keyword *found = nullptr;
    for (const Keyword &k : kKeywords) {
      if (StartsWithNoCase(model, i, k.name)) {
        found = &k;
        break;
      }
    }
    if (found == nullptr) {
      if (detail) *detail = std::string(model.substr(i));
      return 1821;
    }
    item.element = found->element;
    item.letters = CaseOf(model, i);
    i += strlen(found->name);
    if (item.element == DateElement::kFF) {
      item.digits = 9;
      if (i < model.size() && model[i] >= '1' && model[i] <= '9') item.digits = model[i++] - '0';
    }
    // Suffixes: TH, SP, SPTH, THSP.
    for (int k = 0; k < 2; ++k) {
      if (StartsWithNoCase(model, i, "TH")) {
        item.ordinal = true;
        i += 2;
      } else if (StartsWithNoCase(model, i, "SP")) {
        item.spelled = true;
        i += 2;
      }
    }
    out->items.push_back(item);
  }
  return 0;
}

std::string FormatDate(const DateFormat &format, const DateTime &v) {
  std::string out;
  bool fill = true;  // FM toggles it off and on
  const int absYear = v.year < 0 ? -v.year : v.year;
  const int hour12 = v.hour % 12 == 0 ? 12 : v.hour % 12;
  auto number = [&](const DateFormatItem &item, long n, int width) {
    std::string text;
    if (item.spelled) {
      text = item.ordinal ? SpellOrdinal(n) : Spell(n);
      out += InCase(text, item.letters);
      return;
    }
    char digits[32];
    if (fill) {
      snprintf(digits, sizeof digits, "%0*ld", width, n);
    } else {
      snprintf(digits, sizeof digits, "%ld", n);
    }
    text = digits;
    if (item.ordinal) text += InCase(OrdinalSuffix(n), item.letters);
    out += text;
  };
  auto word = [&](const DateFormatItem &item, std::string_view w, size_t width) {
    std::string text = InCase(w, item.letters);
    if (fill && text.size() < width) text.append(width - text.size(), ' ');
    out += text;
  };
  for (const DateFormatItem &item : format.items) {
    switch (item.element) {
      case DateElement::kLiteral: out += item.text; break;
      case DateElement::kFM: fill = !fill; break;
      case DateElement::kFX: break;
      case DateElement::kAD: case DateElement::kBC:
        word(item, v.year < 0 ? "BC" : "AD", 0);
        break;
      case DateElement::kADDots: case DateElement::kBCDots:
        word(item, v.year < 0 ? "B.C." : "A.D.", 0);
        break;
      case DateElement::kAM: case DateElement::kPM:
        word(item, v.hour < 12 ? "AM" : "PM", 0);
        break;
      case DateElement::kAMDots: case DateElement::kPMDots:
        word(item, v.hour < 12 ? "A.M." : "P.M.", 0);
        break;
      case DateElement::kCC: number(item, (absYear + 99) / 100, 2); break;
      case DateElement::kSCC:
        out += v.year < 0 ? "-" : (fill ? " " : "");
        number(item, (absYear + 99) / 100, 2);
        break;
      case DateElement::kD: number(item, DayOfWeek(v.year, v.month, v.day), 1); break;
      case DateElement::kDay:
        word(item, kDays[DayOfWeek(v.year, v.month, v.day) - 1], 9);
        break;
      case DateElement::kDY:
        word(item, std::string_view(kDays[DayOfWeek(v.year, v.month, v.day) - 1], 3), 0);
        break;
      case DateElement::kDD: number(item, v.day, 2); break;
      case DateElement::kDDD: number(item, DayOfYear(v.year, v.month, v.day), 3); break;
      case DateElement::kDL: {
        DateFormat f;
        ParseDateFormat("fmDay, Month dd, yyyy", &f);
        out += FormatDate(f, v);
        break;
      }
      case DateElement::kDS: {
        DateFormat f;
        ParseDateFormat("fmmm/dd/yyyy", &f);
        out += FormatDate(f, v);
        break;
      }
      case DateElement::kTS: {
        DateFormat f;
        ParseDateFormat("fmhh:fmmi:ss AM", &f);
        out += FormatDate(f, v);
        break;
      }
      case DateElement::kFF: {
        char digits[16];
        snprintf(digits, sizeof digits, "%09d", v.nanosecond);
        out.append(digits, static_cast<size_t>(item.digits));
        break;
      }
      case DateElement::kHH: case DateElement::kHH12: number(item, hour12, 2); break;
      case DateElement::kHH24: number(item, v.hour, 2); break;
      case DateElement::kIW: case DateElement::kIYYY: case DateElement::kIYY:
      case DateElement::kIY: case DateElement::kI: {
        int isoYear, week;
        IsoWeek(v, &isoYear, &week);
        const int y = isoYear < 0 ? -isoYear : isoYear;
        if (item.element == DateElement::kIW) number(item, week, 2);
        if (item.element == DateElement::kIYYY) number(item, y, 4);
        if (item.element == DateElement::kIYY) number(item, y % 1000, 3);
        if (item.element == DateElement::kIY) number(item, y % 100, 2);
        if (item.element == DateElement::kI) number(item, y % 10, 1);
        break;
      }
      case DateElement::kJ:
        number(item, static_cast<long>(JulianDay(v.year, v.month, v.day)), 7);
        break;
      case DateElement::kMI: number(item, v.minute, 2); break;
      case DateElement::kMM: number(item, v.month, 2); break;
      case DateElement::kMon:
        word(item, std::string_view(kMonths[v.month - 1], 3), 0);
        break;
      case DateElement::kMonth: word(item, kMonths[v.month - 1], 9); break;
      case DateElement::kQ: number(item, (v.month + 2) / 3, 1); break;
      case DateElement::kRM: word(item, kRoman[v.month - 1], 4); break;
      case DateElement::kSS: number(item, v.second, 2); break;
      case DateElement::kSSSSS:
        number(item, v.hour * 3600L + v.minute * 60L + v.second, 5);
        break;
      case DateElement::kTZD: case DateElement::kTZR: break;
      case DateElement::kTZH: out += "+00"; break;
      case DateElement::kTZM: out += "00"; break;
      case DateElement::kW: number(item, (v.day - 1) / 7 + 1, 1); break;
      case DateElement::kWW:
        number(item, (DayOfYear(v.year, v.month, v.day) - 1) / 7 + 1, 2);
        break;
      case DateElement::kX: out += '.'; break;
      case DateElement::kYCommaYYY: {
        char text[16];
        snprintf(text, sizeof text, "%d,%03d", absYear / 1000, absYear % 1000);
        out += text;
        break;
      }
      case DateElement::kYear: word(item, SpellYear(v.year), 0); break;
      case DateElement::kSYear:
        out += v.year < 0 ? "-" : " ";
        word(item, SpellYear(v.year), 0);
        break;
      case DateElement::kSYYYY:
        out += v.year < 0 ? "-" : (fill ? " " : "");
        number(item, absYear, 4);
        break;
      case DateElement::kYYYY: case DateElement::kRRRR: number(item, absYear, 4); break;
      case DateElement::kYYY: number(item, absYear % 1000, 3); break;
      case DateElement::kYY: case DateElement::kRR: number(item, absYear % 100, 2); break;
      case DateElement::kY: number(item, absYear % 10, 1); break;
    }
  }
  return out;
}

namespace {

struct Reader {
  std::string_view text;
  size_t at = 0;
  bool exact = false;  // FX

  bool done() const { return at >= text.size(); }
  void SkipBlanks() {
    while (at < text.size() && text[at] == ' ') ++at;
  }
  // Up to `width` digits, at least one; a leading sign when `sign`.
  int Number(int width, bool sign, long *value, int *count) {
    if (!exact) SkipBlanks();
    bool negative = false;
    if (sign && at < text.size() && (text[at] == '-' || text[at] == '+')) {
      negative = text[at] == '-';
      ++at;
    }
    long n = 0;
    int digits = 0;
    while (digits < width && at < text.size() && isdigit(static_cast<unsigned char>(text[at]))) {
      n = n * 10 + (text[at] - '0');
      ++at;
      ++digits;
    }
    if (digits == 0) return 1858;
    if (exact && digits != width) return 1862;
    *value = negative ? -n : n;
    if (count) *count = digits;
    return 0;
  }
  // One of `words` at the reading position, case-insensitively, whole or
  // (when `abbreviated`) by its first three letters: its index, or -1.
  int Word(const char *const *words, int n, bool abbreviated) {
    if (!exact) SkipBlanks();
    for (int pass = 0; pass < (abbreviated ? 2 : 1); ++pass) {
      for (int i = 0; i < n; ++i) {
        const size_t length = pass == 0 ? strlen(words[i]) : 3;
        if (at + length > text.size()) continue;
        bool same = true;
        for (size_t k = 0; k < length && same; ++k) {
          same = toupper(static_cast<unsigned char>(text[at + k])) == words[i][k];
        }
        if (same) {
          at += length;
          return i;
        }
      }
    }
    return -1;
  }
};

// RR: a two-digit year in the century that puts it nearest to now.
int RoundYear(long yy, int currentYear) {
  const int century = currentYear / 100 * 100;
  const int current = currentYear % 100;
  if (yy < 50) return current < 50 ? century + static_cast<int>(yy) : century + 100 + static_cast<int>(yy);
  return current < 50 ? century - 100 + static_cast<int>(yy) : century + static_cast<int>(yy);
}

}  // namespace

int ReadDate(std::string_view text, const DateFormat &format, const DateTime &now,
             DateTime *out) {
  Reader r{text};
  DateTime v;
  v.year = now.year;
  v.month = now.month;
  v.day = 1;
  int hour12 = -1;
  int meridian = -1;  // 0 AM, 1 PM
  bool bc = false;
  long julian = -1;
  long dayOfYear = -1;
  long secondsOfDay = -1;
  for (const DateFormatItem &item : format.items) {
    if (item.element == DateElement::kFX) {
      r.exact = true;
      continue;
    }
    if (item.element == DateElement::kFM) continue;
    if (r.done()) break;  // the rest keep their defaults
    long n = 0;
    int digits = 0;
    int error = 0;
    switch (item.element) {
      case DateElement::kLiteral:
        if (item.quoted) {
          if (!r.exact) r.SkipBlanks();
          if (text.substr(r.at, item.text.size()) != item.text) return 1861;
          r.at += item.text.size();
        } else if (r.exact) {
          if (text[r.at] != item.text[0]) return 1861;
          ++r.at;
        } else {
          // Any one mark, with blanks around it, or none at all.
          r.SkipBlanks();
          if (!r.done() && IsPunctuation(text[r.at])) ++r.at;
          r.SkipBlanks();
        }
        break;
      case DateElement::kYYYY: case DateElement::kSYYYY: case DateElement::kIYYY:
        error = r.Number(4, item.element == DateElement::kSYYYY, &n, nullptr);
        if (!error) {
          if (n == 0 || n < kMinYear || n > kMaxYear) return 1841;
          v.year = static_cast<int>(n);
        }
        break;
      case DateElement::kRRRR: case DateElement::kRR:
        error = r.Number(4, false, &n, &digits);
        if (!error) v.year = digits <= 2 ? RoundYear(n, now.year) : static_cast<int>(n);
        if (!error && v.year == 0) return 1841;
        break;
      case DateElement::kYYY: case DateElement::kIYY:
        error = r.Number(3, false, &n, nullptr);
        if (!error) v.year = now.year / 1000 * 1000 + static_cast<int>(n);
        break;
      case DateElement::kYY: case DateElement::kIY:
        error = r.Number(2, false, &n, nullptr);
        if (!error) v.year = now.year / 100 * 100 + static_cast<int>(n);
        break;
      case DateElement::kY: case DateElement::kI:
        error = r.Number(1, false, &n, nullptr);
        if (!error) v.year = now.year / 10 * 10 + static_cast<int>(n);
        break;
      case DateElement::kYCommaYYY: {
        long thousands = 0;
        error = r.Number(1, false, &thousands, nullptr);
        if (!error && !r.done() && text[r.at] == ',') ++r.at;
        if (!error) error = r.Number(3, false, &n, nullptr);
        if (!error) v.year = static_cast<int>(thousands * 1000 + n);
        break;
      }
      case DateElement::kMM:
        error = r.Number(2, false, &n, nullptr);
        if (!error && (n < 1 || n > 12)) return 1843;
        v.month = static_cast<int>(n);
        break;
      case DateElement::kMon: case DateElement::kMonth: {
        const int m = r.Word(kMonths, 12, true);
        if (m < 0) return 1843;
        v.month = m + 1;
        break;
      }
      case DateElement::kRM: {
        // Longest numeral first: VIII before VII before VI before V.
        static const int kOrder[12] = {7, 6, 5, 2, 1, 8, 3, 11, 10, 9, 4, 0};
        int m = -1;
        if (!r.exact) r.SkipBlanks();
        for (int k : kOrder) {
          const size_t length = strlen(kRoman[k]);
          bool same = r.at + length <= text.size();
          for (size_t c = 0; same && c < length; ++c) {
            same = toupper(static_cast<unsigned char>(text[r.at + c])) == kRoman[k][c];
          }
          if (same) {
            m = k;
            r.at += length;
            break;
          }
        }
        if (m < 0) return 1843;
        v.month = m + 1;
        break;
      }
      case DateElement::kDD:
        error = r.Number(2, false, &n, nullptr);
        if (!error && (n < 1 || n > 31)) return 1847;
        v.day = static_cast<int>(n);
        break;
      case DateElement::kDDD:
        error = r.Number(3, false, &n, nullptr);
        if (!error && (n < 1 || n > 366)) return 1848;
        dayOfYear = n;
        break;
      case DateElement::kD:
        error = r.Number(1, false, &n, nullptr);
        if (!error && (n < 1 || n > 7)) return 1846;
        break;
      case DateElement::kDay: case DateElement::kDY:
        if (r.Word(kDays, 7, true) < 0) return 1846;
        break;
      case DateElement::kHH: case DateElement::kHH12:
        error = r.Number(2, false, &n, nullptr);
        if (!error && (n < 1 || n > 12)) return 1849;
        hour12 = static_cast<int>(n);
        break;
      case DateElement::kHH24:
        error = r.Number(2, false, &n, nullptr);
        if (!error && n > 23) return 1850;
        v.hour = static_cast<int>(n);
        break;
      case DateElement::kMI:
        error = r.Number(2, false, &n, nullptr);
        if (!error && n > 59) return 1851;
        v.minute = static_cast<int>(n);
        break;
      case DateElement::kSS:
        error = r.Number(2, false, &n, nullptr);
        if (!error && n > 59) return 1852;
        v.second = static_cast<int>(n);
        break;
      case DateElement::kSSSSS:
        error = r.Number(5, false, &n, nullptr);
        if (!error && n > 86399) return 1853;
        secondsOfDay = n;
        break;
      case DateElement::kFF: {
        error = r.Number(item.digits, false, &n, &digits);
        if (!error) {
          for (int k = digits; k < 9; ++k) n *= 10;
          v.nanosecond = static_cast<int>(n);
        }
        break;
      }
      case DateElement::kJ:
        error = r.Number(7, false, &n, nullptr);
        if (!error && (n < 1 || n > 5373484)) return 1854;
        julian = n;
        break;
      case DateElement::kAM: case DateElement::kPM:
      case DateElement::kAMDots: case DateElement::kPMDots: {
        static const char *const kMarks[4] = {"A.M.", "P.M.", "AM", "PM"};
        const int m = r.Word(kMarks, 4, false);
        if (m < 0) return 1855;
        meridian = m % 2;
        break;
      }
      case DateElement::kAD: case DateElement::kBC:
      case DateElement::kADDots: case DateElement::kBCDots: {
        static const char *const kEras[4] = {"A.D.", "B.C.", "AD", "BC"};
        const int m = r.Word(kEras, 4, false);
        if (m < 0) return 1856;
        bc = m % 2 == 1;
        break;
      }
      case DateElement::kQ: case DateElement::kW: case DateElement::kCC:
      case DateElement::kSCC:
        error = r.Number(2, false, &n, nullptr);
        break;
      case DateElement::kWW: case DateElement::kIW:
        error = r.Number(2, false, &n, nullptr);
        break;
      case DateElement::kX:
        if (text[r.at] != '.') return 1861;
        ++r.at;
        break;
      default:  // elements that only format (DL, TS, YEAR, time zones)
        return 1821;
    }
    if (error) return error;
  }
  r.SkipBlanks();
  if (!r.done()) return 1830;
  if (bc && v.year > 0) v.year = -v.year;
  if (hour12 >= 0) v.hour = hour12 % 12 + (meridian == 1 ? 12 : 0);
  if (secondsOfDay >= 0) {
    v.hour = static_cast<int>(secondsOfDay / 3600);
    v.minute = static_cast<int>(secondsOfDay / 60 % 60);
    v.second = static_cast<int>(secondsOfDay % 60);
  }
  if (julian >= 0) FromJulianDay(julian, &v.year, &v.month, &v.day);
  if (dayOfYear >= 0) {
    if (dayOfYear > (IsLeapYear(v.year) ? 366 : 365)) return 1848;
    FromJulianDay(JulianDay(v.year, 1, 1) + dayOfYear - 1, &v.year, &v.month, &v.day);
  }
  if (v.year == 0 || v.year < kMinYear || v.year > kMaxYear) return 1841;
  if (v.day > DaysInMonth(v.year, v.month)) return 1839;
  *out = v;
  return 0;
}

}  // namespace kestrel_engine
