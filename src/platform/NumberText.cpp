/*
** Parsing of number text for the text-to-number conversions.
*/
#include "NumberText.h"

namespace kestrel {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' ||
         c == '\f';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, int base) {
  int d = 99;
  if (c >= '0' && c <= '9') d = c - '0';
  else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  return d < base ? d : -1;
}

// Far beyond 10^±(309 + digits), yet far from int64 limits.
constexpr int64_t kExponentClamp = 1000000000;

// The affixes around the body: each may appear once, before or after.
struct Affixes {
  bool sign = false, negative = false, currency = false, open = false,
       close = false;
};

// Reads blanks, a sign, "$" and (before the body) "(" in any order.
void ReadAffixes(const char *text, size_t &i, size_t end, bool leading,
                 Affixes &a) {
  while (i < end) {
    const char c = text[i];
    if (IsBlank(c)) {
      ++i;
    } else if ((c == '+' || c == '-') && !a.sign) {
      a.sign = true;
      a.negative = c == '-';
      ++i;
    } else if (c == '$' && !a.currency) {
      a.currency = true;
      ++i;
    } else if (leading && c == '(' && !a.open) {
      a.open = true;
      ++i;
    } else if (!leading && c == ')' && a.open && !a.close) {
      a.close = true;
      ++i;
    } else {
      return;
    }
  }
}

// &H or &O and its digits, into out; false when malformed or beyond 64 bits.
bool ReadRadix(const char *text, size_t &i, size_t end, ParsedNumber &out) {
  if (end - i < 3 || text[i] != '&') return false;
  const char r = text[i + 1];
  const int base = (r == 'H' || r == 'h') ? 16 : (r == 'O' || r == 'o') ? 8 : 0;
  if (base == 0) return false;
  i += 2;
  const size_t first = i;
  uint64_t value = 0;
  for (int d; i < end && (d = DigitValue(text[i], base)) >= 0; ++i) {
    if (value > (UINT64_MAX - static_cast<uint64_t>(d)) / base) return false;
    value = value * base + static_cast<uint64_t>(d);
  }
  if (i == first) return false;
  out.radix = true;
  out.bits = value;
  if (value != 0) out.digits = std::to_string(value);
  return true;
}

}  // namespace

bool ParseNumber(const char *text, size_t length, ParsedNumber &out) {
  out = ParsedNumber();
  size_t i = 0;
  const size_t end = length;
  Affixes a;
  ReadAffixes(text, i, end, true, a);

  int64_t exponent = 0;
  if (i < end && text[i] == '&') {
    if (!ReadRadix(text, i, end, out)) return false;
  } else {
    bool anyDigit = false;
    for (; i < end && (IsDigit(text[i]) || (anyDigit && text[i] == ',')); ++i) {
      if (text[i] == ',') continue;
      anyDigit = true;
      if (!out.digits.empty() || text[i] != '0') out.digits.push_back(text[i]);
    }
    if (i < end && text[i] == '.') {
      for (++i; i < end && IsDigit(text[i]); ++i) {
        anyDigit = true;
        if (!out.digits.empty() || text[i] != '0')
          out.digits.push_back(text[i]);
        if (exponent > -kExponentClamp) --exponent;
      }
    }
    if (!anyDigit) return false;
    if (i < end && (text[i] == 'E' || text[i] == 'e')) {
      ++i;
      bool negativeExponent = false;
      if (i < end && (text[i] == '+' || text[i] == '-')) {
        negativeExponent = text[i] == '-';
        ++i;
      }
      if (i == end || !IsDigit(text[i])) return false;
      int64_t written = 0;
      for (; i < end && IsDigit(text[i]); ++i) {
        if (written < kExponentClamp) written = written * 10 + (text[i] - '0');
      }
      exponent += negativeExponent ? -written : written;
    }
  }
  ReadAffixes(text, i, end, false, a);
  if (i != end || a.open != a.close) return false;
  out.negative = a.negative || a.open;
  // Trailing zeros of the digits move into the exponent.
  while (!out.digits.empty() && out.digits.back() == '0') {
    out.digits.pop_back();
    ++exponent;
  }
  out.exponent = out.digits.empty() ? 0 : exponent;
  return true;
}

bool ToAscii(const std::u16string &text, std::string &out) {
  out.clear();
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c == 0) break;
    if (c == 0xA0) c = ' ';
    if (c > 0x7F) return false;
    out.push_back(static_cast<char>(c));
  }
  return true;
}

std::string CanonicalText(const ParsedNumber &number) {
  std::string text = number.negative ? "-" : "";  // "-0" is negative zero
  if (number.digits.empty()) return text + "0";
  text += number.digits;
  text += 'e';
  text += std::to_string(number.exponent);
  return text;
}

}  // namespace kestrel
