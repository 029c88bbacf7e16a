/*
** Building a NUMBER from a binary integer, a double or text. Integers and
** doubles with a short decimal form are packed directly; other doubles go
** through their shortest round-trip decimal digits.
*/
#include <math.h>
#include <string.h>

#include <charconv>

#include "number/NumberForm.h"
#include "number/OraNumber.h"

namespace kestrel_engine {

using namespace number_form;

namespace {

constexpr double kTwoTo53 = 9007199254740992.0;

// Below this a double's rounding interval is narrower than 0.01 (its ulp is
// at most 2^-13), so it holds at most one number of two decimals.
constexpr double kCentsExact = 1e12;

}  // namespace

int NumberFromUInt64(uint64_t value, OCINumber *out) {
  PackScaled(false, value, 0, out);
  return 0;
}

int NumberFromInt64Bytes(int64_t value, ub1 *out) {
  // The magnitude in unsigned arithmetic, so INT64_MIN needs no care.
  const uint64_t magnitude =
      value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  WriteScaled(value < 0, magnitude, 0, out);
  return 0;
}

int NumberFromInt64(int64_t value, OCINumber *out) {
  memset(out->OCINumberPart, 0, sizeof out->OCINumberPart);
  return NumberFromInt64Bytes(value, out->OCINumberPart);
}

int NumberFromDoubleBytes(double value, ub1 *out) {
  if (!isfinite(value)) return 1426;
  const bool negative = signbit(value);
  const double magnitude = fabs(value);
  if (magnitude == 0.0) {
    WriteScaled(false, 0, 0, out);
    return 0;
  }
  // Amounts of at most two decimals, whole numbers among them, in one
  // test: when c / 100 gives the double back, c / 100 lies in its rounding
  // interval, and that interval holds no other number of two decimals, so
  // c / 100 is its shortest form (with trailing zeros where that has fewer
  // decimals, which packing drops), the digits ShortDecimal would find.
  if (magnitude < kCentsExact) {
    // Adding and taking away 2^52 rounds to a whole number (the scaled
    // value is below 2^52); ties cannot pass the test, however they go.
    const double cents = (magnitude * 100.0 + 0x1p52) - 0x1p52;
    if (cents / 100.0 == magnitude) {
      WriteScaled(negative, static_cast<uint64_t>(cents), -1, out);
      return 0;
    }
  } else if (magnitude < kTwoTo53 && magnitude == trunc(magnitude)) {
    // Whole numbers below 2^53 are their own shortest digits.
    WriteScaled(negative, static_cast<uint64_t>(magnitude), 0, out);
    return 0;
  }
  uint64_t m;
  int decimals;
  if (ShortDecimal(magnitude, &m, &decimals)) {
    if (decimals & 1) {
      m *= 10;
      ++decimals;
    }
    WriteScaled(negative, m, -decimals / 2, out);
    return 0;
  }
  char text[40];
  const auto r = std::to_chars(text, text + sizeof text, value,
                               std::chars_format::scientific);
  Decimal decimal;
  if (!ParseDecimal(text, static_cast<size_t>(r.ptr - text), &decimal))
    return 1722;  // cannot happen: to_chars writes a plain number
  OCINumber packed;
  if (const int rc = PackDecimal(decimal, &packed)) return rc;
  memcpy(out, packed.OCINumberPart, packed.OCINumberPart[0] + 1u);
  return 0;
}

int NumberFromDouble(double value, OCINumber *out) {
  // Built aside, so that a failure leaves `out` as it was.
  OCINumber number;
  memset(number.OCINumberPart, 0, sizeof number.OCINumberPart);
  if (const int rc = NumberFromDoubleBytes(value, number.OCINumberPart)) return rc;
  *out = number;
  return 0;
}

int NumberFromText(const char *text, size_t length, OCINumber *out) {
  Decimal decimal;
  if (!ParseDecimal(text, length, &decimal)) return 1722;
  return PackDecimal(decimal, out);
}

}  // namespace kestrel_engine
