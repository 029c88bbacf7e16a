/*
** REGEXP_LIKE, REGEXP_SUBSTR, REGEXP_INSTR, REGEXP_REPLACE and
** REGEXP_COUNT on PCRE2. Oracle's patterns are POSIX extended expressions
** with Perl's common extensions; the few places where PCRE2 reads them
** differently are rewritten first (see PcrePattern). UTF-8 and Unicode
** classes are on so [[:alpha:]] and '.' take whole characters, and '$'
** without 'm' matches only at the very end, as POSIX's does. A call
** site's compiled pattern is kept with SQLite's auxiliary data, so a
** constant pattern is compiled once per statement.
*/
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

struct Compiled {
  std::string pattern;
  uint32_t options = 0;
  pcre2_code *code = nullptr;
  pcre2_match_data *match = nullptr;

  Compiled() = default;
  Compiled(const Compiled &) = delete;
  Compiled &operator=(const Compiled &) = delete;
  ~Compiled() {
    pcre2_match_data_free(match);
    pcre2_code_free(code);
  }
};

void FreeCompiled(void *p) { delete static_cast<Compiled *>(p); }

// Oracle's match parameters: i (ignore case), c (respect case), n ('.'
// matches a newline), m (lines), x (ignore blanks); the last of i and c
// wins. False (ORA-01760 raised) for any other letter.
bool MatchOptions(sqlite3_context *context, sqlite3_value *value, uint32_t *options) {
  *options = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF | PCRE2_DOLLAR_ENDONLY;
  if (value == nullptr || IsNullArg(value)) return true;
  std::string storage;
  for (char c : ArgText(value, &storage)) {
    switch (c) {
      case 'i': *options |= PCRE2_CASELESS; break;
      case 'c': *options &= ~static_cast<uint32_t>(PCRE2_CASELESS); break;
      case 'n': *options |= PCRE2_DOTALL; break;
      case 'm': *options |= PCRE2_MULTILINE; break;
      // Marks "ignore blanks", which PcrePattern does itself: PCRE2's
      // extended mode would also take '#' for a comment.
      case 'x': *options |= PCRE2_EXTENDED; break;
      default:
        Raise(context, 1760);
        return false;
    }
  }
  return true;
}

bool OneOf(const char *set, char c) { return c != 0 && std::strchr(set, c) != nullptr; }

void AppendLiteral(std::string *out, std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x80 && !std::isalnum(static_cast<unsigned char>(c))) {
      out->push_back('\\');
    }
    out->push_back(c);
  }
}

// Oracle's pattern in PCRE2's syntax: a backslash before a letter or digit
// that is no operator of Oracle's does nothing ('\t' is 't'), \Z is the
// very end; in a bracket expression a backslash stands for itself, and the
// equivalence class [=a=] and collating element [.-.] are their
// characters. With `ignoreBlanks` ('x'), blanks outside brackets go.
std::string PcrePattern(std::string_view p, bool ignoreBlanks) {
  std::string out;
  size_t i = 0;
  while (i < p.size()) {
    const char c = p[i];
    if (c == '\\') {
      if (i + 1 == p.size()) {
        out += "\\\\";
        ++i;
        continue;
      }
      const char d = p[i + 1];
      if (OneOf("dDwWsSA123456789", d)) {
        out.push_back('\\');
        out.push_back(d);
      } else if (d == 'Z') {
        out += "\\z";
      } else if (std::isalnum(static_cast<unsigned char>(d))) {
        out.push_back(d);
      } else {
        out.push_back('\\');
        out.push_back(d);
      }
      i += 2;
      continue;
    }
    if (ignoreBlanks && OneOf(" \t\n\r\f\v", c)) {
      ++i;
      continue;
    }
    if (c != '[') {
      out.push_back(c);
      ++i;
      continue;
    }
    out.push_back('[');
    ++i;
    if (i < p.size() && p[i] == '^') out.push_back(p[i++]);
    if (i < p.size() && p[i] == ']') {
      out += "\\]";
      ++i;
    }
    while (i < p.size() && p[i] != ']') {
      if (p[i] == '[' && i + 1 < p.size() && OneOf(":=.", p[i + 1])) {
        const char kind = p[i + 1];
        const char closing[] = {kind, ']', 0};
        const size_t close = p.find(closing, i + 2);
        if (close != std::string_view::npos) {
          if (kind == ':') {
            out.append(p.substr(i, close + 2 - i));
          } else {
            AppendLiteral(&out, p.substr(i + 2, close - i - 2));
          }
          i = close + 2;
          continue;
        }
      }
      if (p[i] == '\\' || p[i] == '[') out.push_back('\\');
      out.push_back(p[i++]);
    }
    if (i < p.size()) out.push_back(p[i++]);
  }
  return out;
}

int CompileError(int pcreError) {
  switch (pcreError) {
    case PCRE2_ERROR_MISSING_SQUARE_BRACKET: return 12726;
    case PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS:
    case PCRE2_ERROR_UNMATCHED_CLOSING_PARENTHESIS: return 12725;
    case PCRE2_ERROR_BAD_SUBPATTERN_REFERENCE: return 12727;
    case PCRE2_ERROR_CLASS_RANGE_ORDER: return 12728;
    case PCRE2_ERROR_UNKNOWN_POSIX_CLASS: return 12729;
    default: return 12722;
  }
}

// The compiled pattern of argument `index` for one call. A pattern
// compiled here is handed to SQLite's auxiliary data when the call ends:
// SQLite may free it at once, so nothing uses it after that.
class Pattern {
 public:
  Pattern(sqlite3_context *context, int index) : context_(context), index_(index) {}
  Pattern(const Pattern &) = delete;
  Pattern &operator=(const Pattern &) = delete;
  ~Pattern() {
    if (fresh_) sqlite3_set_auxdata(context_, index_, fresh_.release(), FreeCompiled);
  }

  // False with the error raised. Patterns are limited to Oracle's 512
  // bytes, which also bounds what one compilation may cost.
  bool Open(std::string_view text, uint32_t options) {
    if (text.size() > 512) {
      Raise(context_, 12733);
      return false;
    }
    auto *cached = static_cast<Compiled *>(sqlite3_get_auxdata(context_, index_));
    if (cached != nullptr && cached->options == options && cached->pattern == text) {
      compiled_ = cached;
      return true;
    }
    fresh_ = std::make_unique<Compiled>();
    fresh_->pattern.assign(text);
    fresh_->options = options;
    const std::string pattern = PcrePattern(text, (options & PCRE2_EXTENDED) != 0);
    int error = 0;
    PCRE2_SIZE offset = 0;
    fresh_->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                 options & ~static_cast<uint32_t>(PCRE2_EXTENDED), &error,
                                 &offset, nullptr);
    if (fresh_->code == nullptr) {
      fresh_.reset();
      Raise(context_, CompileError(error));
      return false;
    }
    fresh_->match = pcre2_match_data_create_from_pattern(fresh_->code, nullptr);
    if (fresh_->match == nullptr) {
      fresh_.reset();
      sqlite3_result_error_nomem(context_);
      return false;
    }
    compiled_ = fresh_.get();
    return true;
  }

  uint32_t Groups() const {
    uint32_t n = 0;
    pcre2_pattern_info(compiled_->code, PCRE2_INFO_CAPTURECOUNT, &n);
    return n;
  }

  // The next match at or after byte `from`: 1, 0 for none, -1 for an
  // error (raised). The group offsets stay readable until the next call.
  int Find(std::string_view subject, size_t from) {
    const int rc = pcre2_match(compiled_->code, reinterpret_cast<PCRE2_SPTR>(subject.data()),
                               subject.size(), from, 0, compiled_->match, nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) return 0;
    if (rc < 0) {
      Raise(context_, 12722);
      return -1;
    }
    return 1;
  }
  // Byte range of group `g` of the last match; false when it took no part.
  bool Group(uint32_t g, size_t *start, size_t *end) const {
    const PCRE2_SIZE *ov = pcre2_get_ovector_pointer(compiled_->match);
    if (g >= pcre2_get_ovector_count(compiled_->match) || ov[2 * g] == PCRE2_UNSET) return false;
    *start = ov[2 * g];
    *end = ov[2 * g + 1];
    return true;
  }

 private:
  sqlite3_context *context_;
  int index_;
  Compiled *compiled_ = nullptr;
  std::unique_ptr<Compiled> fresh_;
};

// Where the search resumes after a match [start, end): past an empty
// match by one character.
size_t Resume(std::string_view s, size_t start, size_t end) {
  if (end > start) return end;
  if (end >= s.size()) return s.size() + 1;
  const std::vector<size_t> starts = CharStarts(s.substr(end, 4));
  return end + starts[1];
}

// Reads an optional integer argument; false for NULL (the call answers
// NULL) or an error.
bool OptionalInt(sqlite3_context *context, int argc, sqlite3_value **argv, int index,
                 int64_t *out) {
  if (index >= argc) return true;
  bool isNull = false;
  return ReadInt(context, argv[index], out, &isNull) && !isNull;
}

size_t CharPosition(const std::vector<size_t> &starts, size_t byte) {
  return static_cast<size_t>(std::lower_bound(starts.begin(), starts.end(), byte) - starts.begin()) + 1;
}

// The common start of every call: subject, pattern, a start position in
// characters (1 if absent). False when the answer is NULL or an error.
struct Call {
  std::string subjectStorage, patternStorage;
  std::string_view subject, pattern;
  std::vector<size_t> starts;
  size_t from = 0;        // byte offset of the start position
  bool pastEnd = false;   // position beyond the text
};

bool Begin(sqlite3_context *context, int argc, sqlite3_value **argv, int positionIndex,
           Call *call) {
  if (IsNullArg(argv[0]) || IsNullArg(argv[1])) return false;
  call->subject = ArgText(argv[0], &call->subjectStorage);
  call->pattern = ArgText(argv[1], &call->patternStorage);
  int64_t position = 1;
  if (!OptionalInt(context, argc, argv, positionIndex, &position)) return false;
  if (position < 1) {
    Raise(context, 1428, std::to_string(position));
    return false;
  }
  call->starts = CharStarts(call->subject);
  const size_t chars = call->starts.size() - 1;
  call->pastEnd = static_cast<uint64_t>(position) > chars;
  call->from = call->pastEnd ? call->subject.size() : call->starts[static_cast<size_t>(position - 1)];
  return true;
}

// Finds the `occurrence`th match from the call's start: 1, 0 or -1.
int FindOccurrence(Pattern &p, const Call &call, int64_t occurrence) {
  size_t at = call.from;
  for (int64_t k = 1; at <= call.subject.size(); ++k) {
    const int rc = p.Find(call.subject, at);
    if (rc <= 0) return rc;
    size_t s = 0, e = 0;
    p.Group(0, &s, &e);
    if (k == occurrence) return 1;
    at = Resume(call.subject, s, e);
  }
  return 0;
}

bool CheckOccurrence(sqlite3_context *context, int64_t occurrence, int64_t least) {
  if (occurrence >= least) return true;
  Raise(context, 1428, std::to_string(occurrence));
  return false;
}

void RegexpLike(sqlite3_context *context, int argc, sqlite3_value **argv) {
  Call call;
  if (!Begin(context, argc, argv, 99, &call)) return;
  uint32_t options = 0;
  if (!MatchOptions(context, argc == 3 ? argv[2] : nullptr, &options)) return;
  Pattern p(context, 1);
  if (!p.Open(call.pattern, options)) return;
  const int rc = p.Find(call.subject, 0);
  if (rc >= 0) sqlite3_result_int(context, rc);
}

// REGEXP_SUBSTR(s, pattern, position, occurrence, match_parameter, subexpr)
void RegexpSubstr(sqlite3_context *context, int argc, sqlite3_value **argv) {
  Call call;
  if (!Begin(context, argc, argv, 2, &call)) return;
  int64_t occurrence = 1, group = 0;
  if (!OptionalInt(context, argc, argv, 3, &occurrence)) return;
  if (!OptionalInt(context, argc, argv, 5, &group)) return;
  if (!CheckOccurrence(context, occurrence, 1)) return;
  if (group < 0 || group > 9) return Raise(context, 1428, std::to_string(group));
  uint32_t options = 0;
  if (!MatchOptions(context, argc > 4 ? argv[4] : nullptr, &options)) return;
  Pattern p(context, 1);
  if (!p.Open(call.pattern, options) || call.pastEnd) return;
  if (static_cast<uint32_t>(group) > p.Groups()) return;
  if (FindOccurrence(p, call, occurrence) != 1) return;
  size_t s = 0, e = 0;
  if (p.Group(static_cast<uint32_t>(group), &s, &e)) ResultText(context, call.subject.substr(s, e - s));
}

// REGEXP_INSTR(s, pattern, position, occurrence, return_option,
// match_parameter, subexpr): the character position of the match, or of
// the character after it when return_option is not 0; 0 when none.
void RegexpInstr(sqlite3_context *context, int argc, sqlite3_value **argv) {
  Call call;
  if (!Begin(context, argc, argv, 2, &call)) return;
  int64_t occurrence = 1, after = 0, group = 0;
  if (!OptionalInt(context, argc, argv, 3, &occurrence)) return;
  if (!OptionalInt(context, argc, argv, 4, &after)) return;
  if (!OptionalInt(context, argc, argv, 6, &group)) return;
  if (!CheckOccurrence(context, occurrence, 1)) return;
  if (after < 0) return Raise(context, 1428, std::to_string(after));
  if (group < 0 || group > 9) return Raise(context, 1428, std::to_string(group));
  uint32_t options = 0;
  if (!MatchOptions(context, argc > 5 ? argv[5] : nullptr, &options)) return;
  Pattern p(context, 1);
  if (!p.Open(call.pattern, options)) return;
  size_t s = 0, e = 0;
  const int rc = call.pastEnd ? 0 : FindOccurrence(p, call, occurrence);
  if (rc < 0) return;
  if (rc == 0 || static_cast<uint32_t>(group) > p.Groups() ||
      !p.Group(static_cast<uint32_t>(group), &s, &e)) {
    return sqlite3_result_int(context, 0);
  }
  sqlite3_result_int64(context, static_cast<int64_t>(CharPosition(call.starts, after ? e : s)));
}

// Appends `replacement` for the last match: \1 .. \9 are groups, \\ is a
// backslash.
void AppendReplacement(const Pattern &p, std::string_view subject, std::string_view replacement,
                       std::string *out) {
  for (size_t i = 0; i < replacement.size(); ++i) {
    const char c = replacement[i];
    if (c == '\\' && i + 1 < replacement.size()) {
      const char n = replacement[i + 1];
      if (n >= '1' && n <= '9') {
        size_t s = 0, e = 0;
        if (p.Group(static_cast<uint32_t>(n - '0'), &s, &e)) out->append(subject.substr(s, e - s));
        ++i;
        continue;
      }
      if (n == '\\') {
        out->push_back('\\');
        ++i;
        continue;
      }
    }
    out->push_back(c);
  }
}

// REGEXP_REPLACE(s, pattern, replacement, position, occurrence,
// match_parameter): occurrence 0 replaces every match.
void RegexpReplace(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  if (IsNullArg(argv[1])) {
    std::string storage;
    return ResultText(context, ArgText(argv[0], &storage));
  }
  Call call;
  if (!Begin(context, argc, argv, 3, &call)) return;
  int64_t occurrence = 0;
  if (!OptionalInt(context, argc, argv, 4, &occurrence)) return;
  if (!CheckOccurrence(context, occurrence, 0)) return;
  uint32_t options = 0;
  if (!MatchOptions(context, argc > 5 ? argv[5] : nullptr, &options)) return;
  std::string replacementStorage;
  const std::string_view replacement =
      argc > 2 && !IsNullArg(argv[2]) ? ArgText(argv[2], &replacementStorage) : std::string_view();
  Pattern p(context, 1);
  if (!p.Open(call.pattern, options)) return;
  std::string out(call.subject.substr(0, call.from));
  size_t copied = call.from, at = call.from;
  for (int64_t k = 1; !call.pastEnd && at <= call.subject.size(); ++k) {
    const int rc = p.Find(call.subject, at);
    if (rc < 0) return;
    if (rc == 0) break;
    size_t s = 0, e = 0;
    p.Group(0, &s, &e);
    if (occurrence == 0 || k == occurrence) {
      out.append(call.subject.substr(copied, s - copied));
      AppendReplacement(p, call.subject, replacement, &out);
      copied = e;
      if (occurrence != 0) break;
    }
    at = Resume(call.subject, s, e);
  }
  out.append(call.subject.substr(copied));
  ResultText(context, out);
}

// REGEXP_COUNT(s, pattern, position, match_parameter)
void RegexpCount(sqlite3_context *context, int argc, sqlite3_value **argv) {
  Call call;
  if (!Begin(context, argc, argv, 2, &call)) return;
  uint32_t options = 0;
  if (!MatchOptions(context, argc > 3 ? argv[3] : nullptr, &options)) return;
  Pattern p(context, 1);
  if (!p.Open(call.pattern, options)) return;
  int64_t count = 0;
  for (size_t at = call.from; !call.pastEnd && at <= call.subject.size(); ++count) {
    const int rc = p.Find(call.subject, at);
    if (rc < 0) return;
    if (rc == 0) break;
    size_t s = 0, e = 0;
    p.Group(0, &s, &e);
    at = Resume(call.subject, s, e);
  }
  sqlite3_result_int64(context, count);
}

}  // namespace

int RegisterRegexFunctions(sqlite3 *db, const SessionSettings *settings) {
  static const ScalarDef kFunctions[] = {
      {"regexp_like", 2, 3, true, RegexpLike},
      {"regexp_substr", 2, 6, true, RegexpSubstr},
      {"regexp_instr", 2, 7, true, RegexpInstr},
      {"regexp_replace", 2, 6, true, RegexpReplace},
      {"regexp_count", 2, 4, true, RegexpCount},
  };
  return RegisterScalars(db, kFunctions, sizeof kFunctions / sizeof kFunctions[0],
                         const_cast<SessionSettings *>(settings));
}

}  // namespace kestrel_engine
