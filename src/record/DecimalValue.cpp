/*
** Decimal to whole number, rounding half to even.
*/
#include "DecimalValue.h"

__extension__ typedef unsigned __int128 Magnitude;

bool DecimalToWhole(const DECIMAL &dec, int64_t min, int64_t max,
                    int64_t *out) {
  if (dec.scale > DECIMAL_MAX_SCALE) return false;
  Magnitude value = (static_cast<Magnitude>(dec.Hi32) << 64) | dec.Lo64;
  Magnitude divisor = 1;
  for (int i = 0; i < dec.scale; ++i) divisor *= 10;
  Magnitude whole = value / divisor;
  const Magnitude rest = value % divisor;
  const Magnitude twice = rest * 2;  // below 2 * 10^28: no overflow
  if (twice > divisor || (twice == divisor && (whole & 1) != 0)) ++whole;
  const bool negative = (dec.sign & DECIMAL_NEG) != 0;
  // Compare magnitudes before converting, so nothing overflows.
  if (negative) {
    const Magnitude limit =
        min < 0 ? static_cast<Magnitude>(-(min + 1)) + 1 : 0;
    if (whole > limit) return false;
    *out = whole == 0 ? 0 : -static_cast<int64_t>(whole - 1) - 1;
  } else {
    if (whole > static_cast<Magnitude>(max)) return false;
    *out = static_cast<int64_t>(whole);
  }
  return *out >= min && *out <= max;
}
