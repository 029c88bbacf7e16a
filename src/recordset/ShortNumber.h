/*
** The common short NUMBER read into a double straight from its VARNUM
** bytes (a length byte, then Oracle's exponent and base-100 digit bytes),
** so that reading a value needs no client call. Only numbers whose double
** one multiplication or division gives correctly rounded are read here, as
** the client's own conversion rounds correctly too; anything else answers
** false and is left to OCINumberToReal.
*/
#ifndef KESTREL_SHORT_NUMBER_H
#define KESTREL_SHORT_NUMBER_H

#include <stdint.h>

namespace kestrel {

// Reads at most 8 base-100 digits whose integer is at most 2^53, with an
// exponent that leaves a power of ten of at most 10^22 (both then exact
// doubles); zero too. False for anything else, malformed bytes included.
inline bool ShortNumberToDouble(const unsigned char *b, double *out) {
  static constexpr double kPowersOfTen[] = {
      1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const unsigned length = b[0];
  const unsigned e = b[1];
  if (length == 1 && e == 0x80) {  // zero
    *out = 0.0;
    return true;
  }
  uint64_t m = 0;
  int count;
  int exponent;
  bool negative;
  if (e & 0x80) {
    // Positive: one to eight digits, each stored as digit + 1.
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
    // Negative: one to eight digits stored as 101 - digit, then 102.
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
  if (m > (uint64_t{1} << 53)) return false;
  const int exp10 = 2 * (exponent - count + 1);
  if (exp10 < -22 || exp10 > 22) return false;
  double r = static_cast<double>(m);
  r = exp10 >= 0 ? r * kPowersOfTen[exp10] : r / kPowersOfTen[-exp10];
  *out = negative ? -r : r;
  return true;
}

}  // namespace kestrel

#endif
