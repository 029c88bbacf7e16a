/*
** Oracle's character functions. Positions and lengths count characters of
** UTF-8 text (SUBSTRB and LENGTHB count bytes); '' is NULL both as an
** argument and as a result; numbers given where text is expected take
** their Oracle text form.
*/
#include <algorithm>
#include <cctype>

#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

// Widths and pad lengths are capped at the longest VARCHAR2 (extended
// size), so a huge width cannot exhaust memory.
constexpr int64_t kMaxChars = 32767;

bool AnyNull(int argc, sqlite3_value **argv) {
  for (int i = 0; i < argc; ++i) {
    if (IsNullArg(argv[i])) return true;
  }
  return false;
}

void Substr(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (AnyNull(argc, argv)) return;
  std::string storage;
  const std::string_view s = ArgText(argv[0], &storage);
  int64_t position = 0, length = INT64_MAX;
  bool isNull = false;
  if (!ReadInt(context, argv[1], &position, &isNull)) return;
  if (argc == 3 && !ReadInt(context, argv[2], &length, &isNull)) return;
  if (length < 1) return;
  if (position == 0) position = 1;
  if (position < 0) {
    position += static_cast<int64_t>(CharStarts(s).size());
    if (position < 1) return;
  }
  const size_t from = CharAdvance(s, 0, position - 1);
  if (from >= s.size()) return;
  ResultText(context, s.substr(from, CharAdvance(s, from, length) - from));
}

void SubstrB(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (AnyNull(argc, argv)) return;
  std::string storage;
  const std::string_view s = ArgText(argv[0], &storage);
  int64_t position = 0, length = INT64_MAX;
  bool isNull = false;
  if (!ReadInt(context, argv[1], &position, &isNull)) return;
  if (argc == 3 && !ReadInt(context, argv[2], &length, &isNull)) return;
  if (length < 1) return;
  const int64_t n = static_cast<int64_t>(s.size());
  if (position == 0) position = 1;
  if (position < 0) position += n + 1;
  if (position < 1 || position > n) return;
  const int64_t end = length > n - (position - 1) ? n : position - 1 + length;
  const size_t from = static_cast<size_t>(position - 1);
  const size_t to = static_cast<size_t>(end);
  // Bytes of a character cut at either end become blanks, as the vendor
  // does, so the result stays valid UTF-8.
  std::string out(s.substr(from, to - from));
  const std::vector<size_t> starts = CharStarts(s);
  for (size_t k = 0; k + 1 < starts.size(); ++k) {
    const size_t a = starts[k], b = starts[k + 1];
    if ((a < from && b > from) || (a < to && b > to)) {
      for (size_t i = std::max(a, from); i < std::min(b, to); ++i) out[i - from] = ' ';
    }
  }
  ResultText(context, out);
}

void Instr(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (AnyNull(argc, argv)) return;
  std::string s1, s2;
  const std::string_view s = ArgText(argv[0], &s1);
  const std::string_view sub = ArgText(argv[1], &s2);
  int64_t position = 1, occurrence = 1;
  bool isNull = false;
  if (argc >= 3 && !ReadInt(context, argv[2], &position, &isNull)) return;
  if (argc == 4 && !ReadInt(context, argv[3], &occurrence, &isNull)) return;
  if (occurrence < 1) {
    Raise(context, 1428, std::to_string(occurrence));
    return;
  }
  if (position == 0) {
    sqlite3_result_int(context, 0);
    return;
  }
  const std::vector<size_t> starts = CharStarts(s);
  const int64_t n = static_cast<int64_t>(starts.size()) - 1;
  auto matchesAt = [&](int64_t i) { return s.compare(starts[static_cast<size_t>(i)], sub.size(), sub) == 0; };
  int64_t found = 0;
  if (position > 0) {
    for (int64_t i = position - 1; i < n; ++i) {
      if (matchesAt(i) && ++found == occurrence) {
        sqlite3_result_int64(context, i + 1);
        return;
      }
    }
  } else {
    for (int64_t i = std::min(n + position, n - 1); i >= 0; --i) {
      if (matchesAt(i) && ++found == occurrence) {
        sqlite3_result_int64(context, i + 1);
        return;
      }
    }
  }
  sqlite3_result_int(context, 0);
}

void LengthB(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  std::string storage;
  sqlite3_result_int64(context, static_cast<int64_t>(ArgText(argv[0], &storage).size()));
}

// A code point's upper and lower case forms in Latin-1, Latin Extended-A,
// Greek and Cyrillic, the scripts of the European languages; false for a
// character that is no cased letter there.
bool CaseForms(uint32_t c, uint32_t *upper, uint32_t *lower) {
  auto pair = [&](uint32_t u, uint32_t l) {
    *upper = u;
    *lower = l;
    return true;
  };
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return pair(c, c + 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return pair(c - 0x20, c);
  if (c == 0xDF || c == 0x138 || c == 0x149 || c == 0x17F || c == 0x130 || c == 0x131) {
    return pair(c, c);  // no single-letter partner
  }
  if (c == 0xFF) return pair(0x178, 0xFF);
  if (c == 0x178) return pair(0x178, 0xFF);
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
    return pair(c & ~1u, c | 1u);
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
    return c % 2 == 1 ? pair(c, c + 1) : pair(c - 1, c);
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return pair(c, c + 0x20);
  if (c == 0x386) return pair(c, 0x3AC);
  if (c == 0x3AC) return pair(0x386, c);
  if (c >= 0x388 && c <= 0x38A) return pair(c, c + 0x25);
  if (c >= 0x3AD && c <= 0x3AF) return pair(c - 0x25, c);
  if (c == 0x38C) return pair(c, 0x3CC);
  if (c == 0x3CC) return pair(0x38C, c);
  if (c >= 0x38E && c <= 0x38F) return pair(c, c + 0x3F);
  if (c >= 0x3CD && c <= 0x3CE) return pair(c - 0x3F, c);
  if (c == 0x3C2) return pair(0x3A3, c);
  if (c >= 0x3B1 && c <= 0x3CB) return pair(c - 0x20, c);
  if (c >= 0x400 && c <= 0x40F) return pair(c, c + 0x50);
  if (c >= 0x410 && c <= 0x42F) return pair(c, c + 0x20);
  if (c >= 0x430 && c <= 0x44F) return pair(c - 0x20, c);
  if (c >= 0x450 && c <= 0x45F) return pair(c - 0x50, c);
  return false;
}

// Characters outside ASCII that separate words: Latin-1's symbols and
// punctuation, the general and CJK punctuation blocks.
bool IsSeparator(uint32_t c) {
  return (c >= 0x80 && c <= 0xBF && c != 0xAA && c != 0xB5 && c != 0xBA) || c == 0xD7 ||
         c == 0xF7 || (c >= 0x2000 && c <= 0x206F) || (c >= 0x3000 && c <= 0x303F);
}

uint32_t DecodeUtf8(std::string_view bytes) {
  const unsigned char lead = static_cast<unsigned char>(bytes[0]);
  if (bytes.size() == 1) return lead;
  uint32_t c = lead & (0x7F >> bytes.size());
  for (size_t k = 1; k < bytes.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(bytes[k]) & 0x3F);
  return c;
}

// Words are runs of letters and digits; each starts upper case and goes on
// lower case.
void InitCap(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  std::string storage;
  const std::string_view s = ArgText(argv[0], &storage);
  const std::vector<size_t> starts = CharStarts(s);
  std::string out;
  out.reserve(s.size());
  bool inWord = false;
  for (size_t k = 0; k + 1 < starts.size(); ++k) {
    const std::string_view ch = s.substr(starts[k], starts[k + 1] - starts[k]);
    const unsigned char u = static_cast<unsigned char>(ch[0]);
    if (u < 0x80) {
      const bool word = std::isalnum(u) != 0;
      out.push_back(static_cast<char>(!word ? u : inWord ? std::tolower(u) : std::toupper(u)));
      inWord = word;
      continue;
    }
    const uint32_t c = ch.size() > 1 ? DecodeUtf8(ch) : 0xFFFD;
    uint32_t upper = 0, lower = 0;
    if (ch.size() > 1 && CaseForms(c, &upper, &lower)) {
      AppendUtf8(&out, inWord ? lower : upper);
      inWord = true;
    } else {
      // Other letters keep their case but still belong to the word.
      out.append(ch);
      inWord = !IsSeparator(c);
    }
  }
  ResultText(context, out);
}

void Pad(sqlite3_context *context, int argc, sqlite3_value **argv, bool left) {
  if (AnyNull(argc, argv)) return;
  std::string s1, s2;
  const std::string_view s = ArgText(argv[0], &s1);
  const std::string_view pad = argc == 3 ? ArgText(argv[2], &s2) : std::string_view(" ");
  int64_t width = 0;
  bool isNull = false;
  if (!ReadInt(context, argv[1], &width, &isNull)) return;
  if (width < 1) return;
  width = std::min(width, kMaxChars);
  const std::vector<size_t> starts = CharStarts(s);
  const int64_t n = static_cast<int64_t>(starts.size()) - 1;
  if (n >= width) {
    ResultText(context, s.substr(0, starts[static_cast<size_t>(width)]));
    return;
  }
  const std::vector<size_t> padStarts = CharStarts(pad);
  const size_t padChars = padStarts.size() - 1;
  std::string fill;
  for (int64_t k = 0; k < width - n; ++k) {
    const size_t c = static_cast<size_t>(k) % padChars;
    fill.append(pad.substr(padStarts[c], padStarts[c + 1] - padStarts[c]));
  }
  ResultText(context, left ? fill + std::string(s) : std::string(s) + fill);
}

void Lpad(sqlite3_context *context, int argc, sqlite3_value **argv) { Pad(context, argc, argv, true); }
void Rpad(sqlite3_context *context, int argc, sqlite3_value **argv) { Pad(context, argc, argv, false); }

// Removes characters found in `set` from the start and/or end of `s`.
std::string_view TrimSet(std::string_view s, std::string_view set, bool leading, bool trailing) {
  const std::vector<size_t> starts = CharStarts(s);
  const std::vector<size_t> setStarts = CharStarts(set);
  auto inSet = [&](size_t k) {
    const std::string_view c = s.substr(starts[k], starts[k + 1] - starts[k]);
    for (size_t j = 0; j + 1 < setStarts.size(); ++j) {
      if (set.substr(setStarts[j], setStarts[j + 1] - setStarts[j]) == c) return true;
    }
    return false;
  };
  size_t first = 0, last = starts.size() - 1;
  if (leading) {
    while (first < last && inSet(first)) ++first;
  }
  if (trailing) {
    while (last > first && inSet(last - 1)) --last;
  }
  return s.substr(starts[first], starts[last] - starts[first]);
}

void TrimCall(sqlite3_context *context, int argc, sqlite3_value **argv, bool leading,
              bool trailing) {
  if (AnyNull(argc, argv)) return;
  std::string s1, s2;
  const std::string_view s = ArgText(argv[0], &s1);
  const std::string_view set = argc == 2 ? ArgText(argv[1], &s2) : std::string_view(" ");
  ResultText(context, TrimSet(s, set, leading, trailing));
}

void Ltrim(sqlite3_context *context, int argc, sqlite3_value **argv) { TrimCall(context, argc, argv, true, false); }
void Rtrim(sqlite3_context *context, int argc, sqlite3_value **argv) { TrimCall(context, argc, argv, false, true); }
void Trim(sqlite3_context *context, int argc, sqlite3_value **argv) { TrimCall(context, argc, argv, true, true); }

// kestrel_trim(mode, character, s): TRIM(LEADING|TRAILING|BOTH c FROM s).
void KestrelTrim(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[1]) || IsNullArg(argv[2])) return;
  std::string s0, s1, s2;
  std::string mode(ArgText(argv[0], &s0));
  for (char &c : mode) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string_view set = ArgText(argv[1], &s1);
  if (CharStarts(set).size() != 2) {
    Raise(context, 30001);
    return;
  }
  const bool both = mode == "BOTH" || mode.empty();
  if (!both && mode != "LEADING" && mode != "TRAILING") {
    Raise(context, 1760);
    return;
  }
  ResultText(context, TrimSet(ArgText(argv[2], &s2), set, both || mode == "LEADING",
                              both || mode == "TRAILING"));
}

void Replace(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  std::string s0, s1, s2;
  const std::string_view s = ArgText(argv[0], &s0);
  if (IsNullArg(argv[1])) {
    ResultText(context, s);
    return;
  }
  const std::string_view search = ArgText(argv[1], &s1);
  const std::string_view with =
      argc == 3 && !IsNullArg(argv[2]) ? ArgText(argv[2], &s2) : std::string_view();
  std::string out;
  size_t at = 0;
  for (size_t hit; (hit = s.find(search, at)) != std::string_view::npos; at = hit + search.size()) {
    out.append(s.substr(at, hit - at)).append(with);
  }
  out.append(s.substr(at));
  ResultText(context, out);
}

void Translate(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (AnyNull(argc, argv)) return;
  std::string s0, s1, s2;
  const std::string_view s = ArgText(argv[0], &s0);
  const std::string_view from = ArgText(argv[1], &s1);
  const std::string_view to = ArgText(argv[2], &s2);
  const std::vector<size_t> sc = CharStarts(s), fc = CharStarts(from), tc = CharStarts(to);
  auto piece = [](std::string_view t, const std::vector<size_t> &st, size_t k) {
    return t.substr(st[k], st[k + 1] - st[k]);
  };
  std::string out;
  for (size_t k = 0; k + 1 < sc.size(); ++k) {
    const std::string_view c = piece(s, sc, k);
    size_t j = 0;
    while (j + 1 < fc.size() && piece(from, fc, j) != c) ++j;
    if (j + 1 == fc.size()) {
      out.append(c);
    } else if (j + 1 < tc.size()) {
      out.append(piece(to, tc, j));
    }
  }
  ResultText(context, out);
}

void Concat(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0]) && IsNullArg(argv[1])) return;
  std::string s0, s1;
  std::string out(IsNullArg(argv[0]) ? std::string_view() : ArgText(argv[0], &s0));
  if (!IsNullArg(argv[1])) out.append(ArgText(argv[1], &s1));
  ResultText(context, out);
}

bool IsOneCharacter(std::string_view bytes) {
  const std::vector<size_t> starts = CharStarts(bytes);
  return starts.size() == 2 && (bytes.size() == 1 || static_cast<unsigned char>(bytes[0]) >= 0xC2);
}

void Chr(sqlite3_context *context, int, sqlite3_value **argv) {
  int64_t n = 0;
  bool isNull = false;
  if (!ReadInt(context, argv[0], &n, &isNull)) return;
  if (n < 0 || n > 0xFFFFFFFFLL) {
    Raise(context, 1428, std::to_string(n));
    return;
  }
  // The character whose UTF-8 bytes read as the number, as the vendor's
  // CHR does in a UTF-8 database; a number that is no such byte sequence
  // (CHR(233)) is taken as a code point instead of giving invalid text.
  std::string bytes;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const int64_t b = (n >> shift) & 0xFF;
    if (!bytes.empty() || b != 0 || shift == 0) bytes.push_back(static_cast<char>(b));
  }
  if (!IsOneCharacter(bytes)) {
    if (n > 0x10FFFF || (n >= 0xD800 && n <= 0xDFFF)) {
      Raise(context, 1428, std::to_string(n));
      return;
    }
    bytes.clear();
    AppendUtf8(&bytes, static_cast<uint32_t>(n));
  }
  sqlite3_result_text(context, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void Ascii(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  std::string storage;
  const std::string_view s = ArgText(argv[0], &storage);
  const std::vector<size_t> starts = CharStarts(s);
  int64_t code = 0;
  for (size_t i = 0; i < starts[1]; ++i) code = code * 256 + static_cast<unsigned char>(s[i]);
  sqlite3_result_int64(context, code);
}

char SoundexCode(char c) {
  switch (c) {
    case 'B': case 'F': case 'P': case 'V': return '1';
    case 'C': case 'G': case 'J': case 'K': case 'Q': case 'S': case 'X': case 'Z': return '2';
    case 'D': case 'T': return '3';
    case 'L': return '4';
    case 'M': case 'N': return '5';
    case 'R': return '6';
    default: return '0';  // vowels, H, W, Y
  }
}

// The first letter, then the codes of the consonants; letters with the same
// code side by side (or apart only by H or W) count once; vowels separate.
void Soundex(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  std::string storage;
  const std::string_view s = ArgText(argv[0], &storage);
  std::string out;
  char previous = 0;
  for (char raw : s) {
    if (!std::isalpha(static_cast<unsigned char>(raw))) continue;
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
    const char code = SoundexCode(c);
    if (out.empty()) {
      out.push_back(c);
      previous = code;
      continue;
    }
    if (c == 'H' || c == 'W') continue;
    if (code == '0') {
      previous = 0;
      continue;
    }
    if (code != previous) out.push_back(code);
    previous = code;
    if (out.size() == 4) break;
  }
  if (out.empty()) return;
  out.resize(4, '0');
  ResultText(context, out);
}

}  // namespace

int RegisterStringFunctions(sqlite3 *db, const SessionSettings *settings) {
  static const ScalarDef kFunctions[] = {
      {"substr", 2, 3, true, Substr},
      {"substrb", 2, 3, true, SubstrB},
      {"instr", 2, 4, true, Instr},
      {"lengthb", 1, 1, true, LengthB},
      {"initcap", 1, 1, true, InitCap},
      {"lpad", 2, 3, true, Lpad},
      {"rpad", 2, 3, true, Rpad},
      {"ltrim", 1, 2, true, Ltrim},
      {"rtrim", 1, 2, true, Rtrim},
      {"trim", 1, 2, true, Trim},
      {"kestrel_trim", 3, 3, true, KestrelTrim},
      {"replace", 2, 3, true, Replace},
      {"translate", 3, 3, true, Translate},
      {"concat", 2, 2, true, Concat},
      {"chr", 1, 1, true, Chr},
      {"ascii", 1, 1, true, Ascii},
      {"soundex", 1, 1, true, Soundex},
  };
  return RegisterScalars(db, kFunctions, sizeof kFunctions / sizeof kFunctions[0],
                         const_cast<SessionSettings *>(settings));
}

}  // namespace kestrel_engine
