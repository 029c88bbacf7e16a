/*
** Internal working forms of a NUMBER shared by the encoder, the decoder and
** the text conversions: the unpacked base-100 digits, and a decimal digit
** string with the position of its point. Both are fixed-size and live on
** the stack, so conversions allocate nothing.
*/
#ifndef KESTREL_ENGINE_NUMBERFORM_H
#define KESTREL_ENGINE_NUMBERFORM_H

#include <stddef.h>
#include <stdint.h>

#include "oci.h"

namespace kestrel_engine {
namespace number_form {

constexpr int kMaxGroups = 20;     // base-100 digits the form holds
constexpr int kMaxExponent = 62;   // base-100 exponent of the first digit
constexpr int kMinExponent = -65;  // 1e-130, the smallest magnitude kept

// value = sum of digit[i] * 100^(exponent - i), i < count; count 0 is zero.
// Normalised: digit[0] and digit[count-1] are not 0.
struct Groups {
  bool negative;
  int exponent;
  int count;
  uint8_t digit[kMaxGroups];
};

// Enough significant digits to round any text to the 20 base-100 digits of
// the form (rounding half away from zero needs no digit past the first one
// dropped).
constexpr int kMaxDecimalDigits = 44;

// value = 0.d1 d2 ... dn x 10^point; count 0 is zero. digit[0] is not 0.
struct Decimal {
  bool negative;
  int count;
  int point;
  uint8_t digit[kMaxDecimalDigits];
};

void PackZero(OCINumber *out);
// Writes normalised, in-range groups.
void Pack(const Groups &groups, OCINumber *out);
// Reads and checks the bytes; false when they are not a well-formed
// number. Trailing zero digits are tolerated and dropped.
bool Unpack(const OCINumber *number, Groups *groups);

// A double of at most 15 significant digits with a fraction, from 1e-4 to
// 1e14: its shortest round-trip digits as m x 10^-decimals. False for
// others, which need std::to_chars.
bool ShortDecimal(double magnitude, uint64_t *m, int *decimals);
// m x 100^exp100 (m may be 0).
void PackScaled(bool negative, uint64_t m, int exp100, OCINumber *out);

// Rounds to the form's 20 base-100 digits, half away from zero; 1426 when
// the magnitude reaches 1e126, zero below 1e-130.
int PackDecimal(const Decimal &decimal, OCINumber *out);
void GroupsToDecimal(const Groups &groups, Decimal *out);

// Decimal or scientific text with optional blanks around it; false when it
// is not a number.
bool ParseDecimal(const char *text, size_t length, Decimal *out);
// The default text form (see NumberText.cpp); writes at most
// kNumberTextMax characters, no terminator.
size_t FormatDecimal(const Decimal &decimal, char *out);

// The byte layout (see NumberForm.cpp).
constexpr ub1 kPositiveBias = 193;
constexpr ub1 kNegativeBias = 62;
constexpr ub1 kNegativeEnd = 102;

constexpr uint64_t kPowersOf100[10] = {
    1ull,          100ull,          10000ull,          1000000ull,
    100000000ull,  10000000000ull,  1000000000000ull,  100000000000000ull,
    10000000000000000ull, 1000000000000000000ull};

// Base-100 digits of m > 0.
inline int DigitCount100(uint64_t m) {
  int n = 1;
  while (n < 10 && m >= kPowersOf100[n]) ++n;
  return n;
}

// The base-100 digits of m > 0 (without trailing zero digits) from b[2]
// on, last digit first, each as Negative ? 101 - digit : digit + 1, and
// the header.
template <bool Negative>
inline size_t WriteDigits(uint64_t m, int exp100, ub1 *b) {
  const auto stored = [](uint32_t digit) {
    return static_cast<ub1>(Negative ? 101 - digit : digit + 1);
  };
  int n;
  if (m < 100000000) {
    // At most four digits, the usual case: unrolled, in 32 bits.
    const uint32_t v = static_cast<uint32_t>(m);
    const uint32_t high = v / 10000;
    const uint32_t low = v % 10000;
    n = v >= 10000 ? (v >= 1000000 ? 4 : 3) : (v >= 100 ? 2 : 1);
    ub1 *end = b + 2 + n;
    switch (n) {
      case 4:
        end[-4] = stored(high / 100);
        [[fallthrough]];
      case 3:
        end[-3] = stored(high % 100);
        [[fallthrough]];
      case 2:
        end[-2] = stored(low / 100);
        [[fallthrough]];
      default:
        end[-1] = stored(low % 100);
    }
  } else {
    n = DigitCount100(m);
    for (ub1 *p = b + 1 + n; m != 0; m /= 100)
      *p-- = stored(static_cast<uint32_t>(m % 100));
  }
  const int exponent = n - 1 + exp100;
  if (Negative) {
    // Fewer than 20 digits, so the terminator follows.
    b[0] = static_cast<ub1>(2 + n);
    b[1] = static_cast<ub1>(kNegativeBias - exponent);
    b[2 + n] = kNegativeEnd;
    return static_cast<size_t>(3 + n);
  }
  b[0] = static_cast<ub1>(1 + n);
  b[1] = static_cast<ub1>(kPositiveBias + exponent);
  return static_cast<size_t>(2 + n);
}

// m x 100^exp100 as the number's own bytes at b: the length byte and the
// bytes it counts, nothing after them (b has room for the form's 22).
// Answers how many bytes that is. Inline, and straight into the bytes
// without the Groups form: the fetch stores every integer and short
// decimal through it.
inline size_t WriteScaled(bool negative, uint64_t m, int exp100, ub1 *b) {
  if (m == 0) {
    b[0] = 1;
    b[1] = 0x80;
    return 2;
  }
  // Trailing zero digits are not stored; they only raise the exponent.
  while (m % 100 == 0) {
    m /= 100;
    ++exp100;
  }
  return negative ? WriteDigits<true>(m, exp100, b) : WriteDigits<false>(m, exp100, b);
}

}  // namespace number_form
}  // namespace kestrel_engine

#endif
