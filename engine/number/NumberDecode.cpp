/*
** Reading a NUMBER: to a double (correctly rounded), to a 64-bit integer,
** its integer digit count, its validity, and rounding it to a scale.
*/
#include <charconv>

#include "number/NumberForm.h"
#include "number/OraNumber.h"

namespace kestrel_engine {

using namespace number_form;

namespace {

constexpr uint64_t kTwoTo53 = uint64_t{1} << 53;

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,
                                   1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17,
                                   1e18, 1e19, 1e20, 1e21, 1e22};

// An integer of at most 2^53 and a power of ten of at most 10^22 are both
// exact doubles, so one multiplication or division rounds correctly.
bool ExactDouble(const Groups &g, double *out) {
  if (g.count > 9) return false;  // 18 decimal digits still fit in 64 bits
  uint64_t m = 0;
  for (int i = 0; i < g.count; ++i) m = m * 100 + g.digit[i];
  if (m > kTwoTo53) return false;
  const int exp10 = 2 * (g.exponent - g.count + 1);
  if (exp10 < -22 || exp10 > 22) return false;
  double r = static_cast<double>(m);
  r = exp10 >= 0 ? r * kPowersOfTen[exp10] : r / kPowersOfTen[-exp10];
  *out = g.negative ? -r : r;
  return true;
}

// The common short number read straight from its bytes: at most 8 base-100
// digits whose integer is at most 2^53, and an exponent that leaves a power
// of ten of at most 10^22, so one multiplication or division rounds
// correctly, as in ExactDouble. False when the bytes are not such
// a well-formed number; the general path then decides.
bool ShortToDouble(const ub1 *b, double *out) {
  const unsigned length = b[0];
  const unsigned e = b[1];
  uint64_t m = 0;
  int count;
  int exponent;
  bool negative;
  if (e & 0x80) {
    // length 2 to 9: one to eight digits, each stored as digit + 1.
    if (length - 2 > 7) return false;
    count = static_cast<int>(length) - 1;
    if (b[2] == 1) return false;  // a leading zero digit
    for (int i = 0; i < count; ++i) {
      const unsigned digit = b[2 + i] - 1u;
      if (digit > 99) return false;
      m = m * 100 + digit;
    }
    exponent = static_cast<int>(e) - 193;
    negative = false;
  } else {
    // length 3 to 10: one to eight digits stored as 101 - digit, then 102.
    if (length - 3 > 7 || b[length] != 102) return false;
    count = static_cast<int>(length) - 2;
    if (b[2] == 101) return false;  // a leading zero digit
    for (int i = 0; i < count; ++i) {
      const unsigned digit = 101u - b[2 + i];
      if (digit > 99) return false;
      m = m * 100 + digit;
    }
    exponent = 62 - static_cast<int>(e);
    negative = true;
  }
  if (m > kTwoTo53) return false;
  const int exp10 = 2 * (exponent - count + 1);
  if (exp10 < -22 || exp10 > 22) return false;
  double r = static_cast<double>(m);
  r = exp10 >= 0 ? r * kPowersOfTen[exp10] : r / kPowersOfTen[-exp10];
  *out = negative ? -r : r;
  return true;
}

// Any other number: exactly when it can be, else through its digits as
// text read by the correctly rounded parser.
__attribute__((noinline)) int LongToDouble(const OCINumber *number, double *out) {
  Groups g;
  if (!Unpack(number, &g)) return 1722;
  if (g.count == 0) {
    *out = 0.0;
    return 0;
  }
  if (ExactDouble(g, out)) return 0;
  // Otherwise the digits as text, read by the correctly rounded parser.
  char text[8 + 2 * kMaxGroups];
  char *p = text;
  if (g.negative) *p++ = '-';
  for (int i = 0; i < g.count; ++i) {
    *p++ = static_cast<char>('0' + g.digit[i] / 10);
    *p++ = static_cast<char>('0' + g.digit[i] % 10);
  }
  *p++ = 'e';
  p = std::to_chars(p, text + sizeof text, 2 * (g.exponent - g.count + 1)).ptr;
  double value = 0.0;
  const auto r = std::from_chars(text, p, value);
  if (r.ec != std::errc()) return 1722;  // cannot happen within the form's range
  *out = value;
  return 0;
}

}  // namespace

int NumberToDouble(const OCINumber *number, double *out) {
  if (ShortToDouble(number->OCINumberPart, out)) return 0;
  return LongToDouble(number, out);
}

bool NumberToInt64(const OCINumber *number, int64_t *out) {
  Groups g;
  if (!Unpack(number, &g)) return false;
  if (g.count == 0) {
    *out = 0;
    return true;
  }
  // A digit below 100^0 is a fraction; 100^10 is past 64 bits.
  if (g.exponent < g.count - 1 || g.exponent >= 10) return false;
  uint64_t m = 0;
  for (int i = 0; i <= g.exponent; ++i) {
    const uint64_t digit = i < g.count ? g.digit[i] : 0;
    if (__builtin_mul_overflow(m, uint64_t{100}, &m) ||
        __builtin_add_overflow(m, digit, &m))
      return false;
  }
  const uint64_t limit = g.negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (m > limit) return false;
  *out = g.negative ? static_cast<int64_t>(0 - m) : static_cast<int64_t>(m);
  return true;
}

int NumberRound(OCINumber *number, int scale) {
  Groups g;
  if (!Unpack(number, &g)) return 1722;
  if (g.count == 0) return 0;
  // Past these, every number of the form rounds to itself or to zero.
  if (scale > 200) scale = 200;
  if (scale < -200) scale = -200;
  // Nothing to do when the last digit already weighs 10^-scale or more.
  if (2 * (g.exponent - g.count + 1) >= -scale) return 0;
  Decimal d;
  GroupsToDecimal(g, &d);
  // Keep the digits that weigh at least 10^-scale: the first point + scale.
  const int keep = d.point + scale;
  if (keep >= d.count) return 0;
  if (keep < 0) {
    PackZero(number);
    return 0;
  }
  const bool up = d.digit[keep] >= 5;
  d.count = keep;
  if (up) {
    int i = d.count - 1;
    while (i >= 0 && d.digit[i] == 9) d.digit[i--] = 0;
    if (i < 0) {
      // All nines (or nothing kept) carry into a new leading 1.
      d.digit[0] = 1;
      d.count = 1;
      ++d.point;
    } else {
      ++d.digit[i];
    }
  }
  return PackDecimal(d, number);
}

int NumberIntegerDigits(const OCINumber *number) {
  Groups g;
  if (!Unpack(number, &g) || g.count == 0 || g.exponent < 0) return 0;
  return 2 * g.exponent + (g.digit[0] >= 10 ? 2 : 1);
}

bool NumberIsValid(const OCINumber *number) {
  Groups g;
  return Unpack(number, &g);
}

}  // namespace kestrel_engine
