/*
** Text forms of numbers: reading decimal or scientific text, and writing
** the vendor's default text form of a NUMBER or a double.
**
** The text form written:
**   - zero is "0"; a negative number starts with "-";
**   - no leading zero before the point and no trailing zeros after it
**     (".5", "-.5", "12.5"), no point for a whole number ("-3");
**   - that plain form is used when, without its sign, it has at most 40
**     characters (so 1e39 is still plain, 40 characters); otherwise the
**     scientific form: the first digit, a point, the other significant
**     digits or a single 0, "E", the exponent's sign and at least two
**     digits: 1e50 is "1.0E+50", -1.25e-45 is "-1.25E-45".
*/
#include <math.h>
#include <string.h>

#include <charconv>
#include <string>

#include "number/NumberForm.h"
#include "number/OraNumber.h"

namespace kestrel_engine {

using namespace number_form;

namespace {

constexpr int kPlainWidthMax = 40;
// Positions past this are far outside any double or NUMBER. The text's
// point and exponent are summed in 64 bits (the exponent read saturates at
// kExponentSaturate), then clamped to this, so absurd text stays in range.
constexpr int64_t kPointClamp = 1000000;
constexpr int64_t kExponentSaturate = int64_t{1} << 52;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

namespace number_form {

bool ParseDecimal(const char *text, size_t length, Decimal *out) {
  const char *p = text;
  const char *end = text + length;
  while (p < end && IsBlank(*p)) ++p;
  while (end > p && IsBlank(end[-1])) --end;
  out->negative = false;
  out->count = 0;
  out->point = 0;
  int64_t point = 0;
  if (p < end && (*p == '+' || *p == '-')) out->negative = *p++ == '-';
  bool any_digit = false;
  bool after_point = false;
  for (; p < end; ++p) {
    const char c = *p;
    if (c == '.') {
      if (after_point) return false;
      after_point = true;
      continue;
    }
    if (!IsDigit(c)) break;
    any_digit = true;
    if (out->count == 0 && c == '0') {
      if (after_point) --point;  // a zero between the point and the digits
      continue;
    }
    if (out->count < kMaxDecimalDigits)
      out->digit[out->count++] = static_cast<uint8_t>(c - '0');
    if (!after_point) ++point;
  }
  if (!any_digit) return false;
  if (p < end) {
    if (*p != 'e' && *p != 'E') return false;
    ++p;
    bool negative_exponent = false;
    if (p < end && (*p == '+' || *p == '-')) negative_exponent = *p++ == '-';
    if (p == end) return false;
    int64_t exponent = 0;
    for (; p < end; ++p) {
      if (!IsDigit(*p)) return false;
      if (exponent < kExponentSaturate) exponent = exponent * 10 + (*p - '0');
    }
    point += negative_exponent ? -exponent : exponent;
  }
  if (point > kPointClamp) point = kPointClamp;
  if (point < -kPointClamp) point = -kPointClamp;
  out->point = static_cast<int>(point);
  if (out->count == 0) {
    out->negative = false;
    out->point = 0;
  }
  return true;
}

size_t FormatDecimal(const Decimal &d, char *out) {
  int count = d.count;
  while (count > 0 && d.digit[count - 1] == 0) --count;
  if (count == 0) {
    out[0] = '0';
    return 1;
  }
  char *p = out;
  if (d.negative) *p++ = '-';
  const int point = d.point;
  const int plain_width = point <= 0 ? 1 - point + count
                          : point >= count ? point
                                           : count + 1;
  if (plain_width <= kPlainWidthMax) {
    if (point <= 0) {
      *p++ = '.';
      for (int i = 0; i < -point; ++i) *p++ = '0';
      for (int i = 0; i < count; ++i) *p++ = static_cast<char>('0' + d.digit[i]);
    } else {
      for (int i = 0; i < count || i < point; ++i) {
        if (i == point) *p++ = '.';
        *p++ = static_cast<char>('0' + (i < count ? d.digit[i] : 0));
      }
    }
    return static_cast<size_t>(p - out);
  }
  *p++ = static_cast<char>('0' + d.digit[0]);
  *p++ = '.';
  if (count == 1) *p++ = '0';
  for (int i = 1; i < count; ++i) *p++ = static_cast<char>('0' + d.digit[i]);
  *p++ = 'E';
  const int exponent = point - 1;
  *p++ = exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) *p++ = '0';
  p = std::to_chars(p, p + 8, magnitude).ptr;
  return static_cast<size_t>(p - out);
}

}  // namespace number_form

size_t NumberToChars(const OCINumber *number, char *out) {
  Groups g;
  if (!Unpack(number, &g)) return 0;
  Decimal d;
  GroupsToDecimal(g, &d);
  return FormatDecimal(d, out);
}

std::string NumberToText(const OCINumber *number) {
  char text[kNumberTextMax];
  return std::string(text, NumberToChars(number, text));
}

size_t DoubleToChars(double value, char *out) {
  if (isnan(value)) {
    memcpy(out, "Nan", 3);
    return 3;
  }
  if (isinf(value)) {
    if (value < 0) {
      memcpy(out, "-Inf", 4);
      return 4;
    }
    memcpy(out, "Inf", 3);
    return 3;
  }
  // Whole numbers below 2^53 are their own shortest digits.
  if (fabs(value) < 9007199254740992.0 && value == trunc(value))
    return static_cast<size_t>(
        std::to_chars(out, out + kNumberTextMax, static_cast<int64_t>(value)).ptr -
        out);
  Decimal d;
  uint64_t m;
  int decimals;
  if (ShortDecimal(fabs(value), &m, &decimals)) {
    uint8_t low_first[20];
    int n = 0;
    for (; m != 0; m /= 10) low_first[n++] = static_cast<uint8_t>(m % 10);
    d.negative = value < 0;
    d.count = n;
    d.point = n - decimals;
    for (int i = 0; i < n; ++i) d.digit[i] = low_first[n - 1 - i];
    return FormatDecimal(d, out);
  }
  char text[40];
  const auto r = std::to_chars(text, text + sizeof text, value,
                               std::chars_format::scientific);
  ParseDecimal(text, static_cast<size_t>(r.ptr - text), &d);
  return FormatDecimal(d, out);
}

std::string DoubleToText(double value) {
  char text[kNumberTextMax];
  return std::string(text, DoubleToChars(value, text));
}

}  // namespace kestrel_engine
