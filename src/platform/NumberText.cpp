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

// Far beyond 10^±(309 + digits), yet far from int64 limits.
constexpr int64_t kExponentClamp = 1000000000;

}  // namespace

bool ParseNumber(const char *text, size_t length, ParsedNumber &out) {
  out = ParsedNumber();
  size_t i = 0;
  size_t end = length;
  while (i < end && IsBlank(text[i])) ++i;
  while (end > i && IsBlank(text[end - 1])) --end;
  if (i < end && (text[i] == '+' || text[i] == '-')) {
    out.negative = text[i] == '-';
    ++i;
  }
  bool anyDigit = false;
  int64_t exponent = 0;
  for (; i < end && IsDigit(text[i]); ++i) {
    anyDigit = true;
    if (!out.digits.empty() || text[i] != '0') out.digits.push_back(text[i]);
  }
  if (i < end && text[i] == '.') {
    for (++i; i < end && IsDigit(text[i]); ++i) {
      anyDigit = true;
      if (!out.digits.empty() || text[i] != '0') out.digits.push_back(text[i]);
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
  if (i != end) return false;
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
    if (c == 0 || c > 0x7F) return false;
    out.push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace kestrel
