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
// The same as the number's own bytes at b: the length byte and the bytes
// it counts, nothing after them (b has room for the form's 22). Answers
// how many bytes that is.
size_t WriteScaled(bool negative, uint64_t m, int exp100, ub1 *b);
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

}  // namespace number_form
}  // namespace kestrel_engine

#endif
