/*
** The NUMBER byte layout: packing base-100 digits into the 22 bytes,
** unpacking and checking them, and rounding a decimal digit string to what
** the form holds.
**
** Layout: byte 0 is the count of bytes that follow. Byte 1 is the
** exponent: 193 + e for a positive number whose first digit weighs 100^e,
** 62 - e for a negative one. Then the digits, each stored as digit + 1 for
** a positive number and as 101 - digit for a negative one, which then ends
** with a 102 unless it has all 20 digits. Zero is the single exponent byte
** 0x80.
*/
#include "number/NumberForm.h"

#include <math.h>
#include <string.h>

namespace kestrel_engine {
namespace number_form {

void PackZero(OCINumber *out) {
  memset(out->OCINumberPart, 0, sizeof out->OCINumberPart);
  out->OCINumberPart[0] = 1;
  out->OCINumberPart[1] = 0x80;
}

void Pack(const Groups &groups, OCINumber *out) {
  ub1 *b = out->OCINumberPart;
  memset(b, 0, sizeof out->OCINumberPart);
  const int n = groups.count;
  if (!groups.negative) {
    b[1] = static_cast<ub1>(kPositiveBias + groups.exponent);
    for (int i = 0; i < n; ++i) b[2 + i] = static_cast<ub1>(groups.digit[i] + 1);
    b[0] = static_cast<ub1>(1 + n);
    return;
  }
  b[1] = static_cast<ub1>(kNegativeBias - groups.exponent);
  for (int i = 0; i < n; ++i) b[2 + i] = static_cast<ub1>(101 - groups.digit[i]);
  if (n < kMaxGroups) {
    b[2 + n] = kNegativeEnd;
    b[0] = static_cast<ub1>(2 + n);
  } else {
    b[0] = static_cast<ub1>(1 + n);
  }
}

bool Unpack(const OCINumber *number, Groups *groups) {
  const ub1 *b = number->OCINumberPart;
  const int length = b[0];
  if (length < 1 || length > 1 + kMaxGroups) return false;
  const ub1 e = b[1];
  if (length == 1) {
    // Only zero has no digits (the vendor's infinities are not numbers here).
    if (e != 0x80) return false;
    groups->negative = false;
    groups->exponent = 0;
    groups->count = 0;
    return true;
  }
  int count = length - 1;
  if (e & 0x80) {
    groups->negative = false;
    groups->exponent = e - kPositiveBias;
    for (int i = 0; i < count; ++i) {
      const int stored = b[2 + i];
      if (stored < 1 || stored > 100) return false;
      groups->digit[i] = static_cast<uint8_t>(stored - 1);
    }
  } else {
    groups->negative = true;
    groups->exponent = kNegativeBias - e;
    if (b[length] == kNegativeEnd) {
      --count;
    } else if (count < kMaxGroups) {
      return false;
    }
    for (int i = 0; i < count; ++i) {
      const int stored = b[2 + i];
      if (stored < 2 || stored > 101) return false;
      groups->digit[i] = static_cast<uint8_t>(101 - stored);
    }
  }
  if (count == 0 || groups->digit[0] == 0) return false;
  while (groups->digit[count - 1] == 0) --count;
  groups->count = count;
  return true;
}

void PackScaled(bool negative, uint64_t m, int exp100, OCINumber *out) {
  memset(out->OCINumberPart, 0, sizeof out->OCINumberPart);
  WriteScaled(negative, m, exp100, out->OCINumberPart);
}

// Doubles of at most 15 significant digits are told apart by those digits
// (a double has 15 reliable decimal digits), so the first k for which
// round(x * 10^k) / 10^k gives x back yields the shortest round-trip
// digits, the same ones std::to_chars would give. The candidate is exact
// (below 2^53) and the division is correctly rounded, so the test is exact.
bool ShortDecimal(double magnitude, uint64_t *m, int *decimals) {
  if (!(magnitude >= 1e-4 && magnitude < 1e14)) return false;
  double scale = 1.0;
  for (int k = 1; k <= 15; ++k) {
    scale *= 10.0;
    const double scaled = magnitude * scale;
    if (scaled >= 1e15) return false;
    const double candidate = nearbyint(scaled);
    if (candidate / scale == magnitude) {
      *m = static_cast<uint64_t>(candidate);
      *decimals = k;
      return true;
    }
  }
  return false;
}

int PackDecimal(const Decimal &decimal, OCINumber *out) {
  int count = decimal.count;
  while (count > 0 && decimal.digit[count - 1] == 0) --count;
  if (count == 0) {
    PackZero(out);
    return 0;
  }
  // Base-100 digits sit on even powers of ten: an odd point gets a leading
  // zero digit so that pairs line up.
  const int lead = decimal.point & 1;
  const int point = decimal.point + lead;
  int exponent = point / 2 - 1;
  const auto digit_at = [&](int i) -> int {
    i -= lead;
    return i >= 0 && i < count ? decimal.digit[i] : 0;
  };
  const int available = (lead + count + 1) / 2;
  int n = available < kMaxGroups ? available : kMaxGroups;
  Groups g;
  g.negative = decimal.negative;
  for (int i = 0; i < n; ++i)
    g.digit[i] = static_cast<uint8_t>(digit_at(2 * i) * 10 + digit_at(2 * i + 1));
  if (available > kMaxGroups && digit_at(2 * kMaxGroups) >= 5) {
    int i = n - 1;
    while (i >= 0 && ++g.digit[i] == 100) g.digit[i--] = 0;
    if (i < 0) {
      g.digit[0] = 1;
      n = 1;
      ++exponent;
    }
  }
  while (g.digit[n - 1] == 0) --n;
  if (exponent > kMaxExponent) return 1426;
  if (exponent < kMinExponent) {
    PackZero(out);
    return 0;
  }
  g.exponent = exponent;
  g.count = n;
  Pack(g, out);
  return 0;
}

void GroupsToDecimal(const Groups &groups, Decimal *out) {
  out->negative = groups.negative;
  int n = 0;
  if (groups.count == 0) {
    out->count = 0;
    out->point = 0;
    return;
  }
  const int first = groups.digit[0];
  if (first >= 10) {
    out->digit[n++] = static_cast<uint8_t>(first / 10);
    out->point = 2 * groups.exponent + 2;
  } else {
    out->point = 2 * groups.exponent + 1;
  }
  out->digit[n++] = static_cast<uint8_t>(first % 10);
  for (int i = 1; i < groups.count; ++i) {
    out->digit[n++] = static_cast<uint8_t>(groups.digit[i] / 10);
    out->digit[n++] = static_cast<uint8_t>(groups.digit[i] % 10);
  }
  while (out->digit[n - 1] == 0) --n;
  out->count = n;
}

}  // namespace number_form
}  // namespace kestrel_engine
