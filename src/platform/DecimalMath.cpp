/*
** DECIMAL arithmetic over a 128-bit integer, which holds any 96-bit
** magnitude times 10^4 or any 30-digit number without overflow.
*/
#include "DecimalMath.h"

#include <math.h>

#include <charconv>

namespace kestrel {
namespace decimal {
namespace {

__extension__ typedef unsigned __int128 u128;

const u128 kLimit = static_cast<u128>(1) << 96;  // magnitudes stay below

u128 Pow10(int n) {
  u128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

u128 Magnitude(const DECIMAL &d) {
  return (static_cast<u128>(d.Hi32) << 64) | d.Lo64;
}

DECIMAL Make(u128 magnitude, int scale, bool negative) {
  DECIMAL d{};
  d.Lo64 = static_cast<uint64_t>(magnitude);
  d.Hi32 = static_cast<ULONG>(magnitude >> 64);
  d.scale = static_cast<BYTE>(scale);
  d.sign = negative && magnitude != 0 ? DECIMAL_NEG : 0;
  return d;
}

// magnitude / 10^digits, rounded half to even.
u128 DivideRounded(u128 magnitude, int digits) {
  if (digits <= 0) return magnitude;
  const u128 divisor = Pow10(digits);
  const u128 q = magnitude / divisor;
  const u128 r = magnitude % divisor;
  const u128 half = divisor / 2;
  return (r > half || (r == half && (q & 1) != 0)) ? q + 1 : q;
}

// A signed 64-bit value from a magnitude and a sign.
HRESULT Signed(u128 magnitude, bool negative, int64_t &out) {
  const u128 top = static_cast<u128>(1) << 63;
  if (negative) {
    if (magnitude > top) return DISP_E_OVERFLOW;
    out = magnitude == top ? INT64_MIN : -static_cast<int64_t>(magnitude);
  } else {
    if (magnitude >= top) return DISP_E_OVERFLOW;
    out = static_cast<int64_t>(magnitude);
  }
  return S_OK;
}

// The digits, rounded half to even so that k of them are kept (k may be
// beyond the digits, which appends zeros, or below 1, which keeps none).
u128 KeepDigits(const std::string &digits, int64_t k) {
  const int64_t n = static_cast<int64_t>(digits.size());
  u128 m = 0;
  for (int64_t i = 0; i < k && i < n; ++i) m = m * 10 + (digits[i] - '0');
  if (k >= n) return m * Pow10(static_cast<int>(k - n));
  if (k < 0) return 0;  // below half a unit of the last place kept
  const char next = digits[static_cast<size_t>(k)];
  bool sticky = false;
  for (int64_t i = k + 1; i < n && !sticky; ++i) sticky = digits[i] != '0';
  if (next > '5' || (next == '5' && (sticky || (m & 1) != 0))) ++m;
  return m;
}

}  // namespace

bool IsValid(const DECIMAL &d) {
  return d.scale <= DECIMAL_MAX_SCALE && (d.sign == 0 || d.sign == DECIMAL_NEG);
}

bool IsZero(const DECIMAL &d) { return Magnitude(d) == 0; }

DECIMAL FromInt64(int64_t value) {
  const bool negative = value < 0;
  // Negate in unsigned arithmetic so INT64_MIN needs no special case.
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  return Make(magnitude, 0, negative);
}

DECIMAL FromCurrency(int64_t amount) {
  DECIMAL d = FromInt64(amount);
  d.scale = 4;
  return d;
}

HRESULT FromParsed(const ParsedNumber &number, DECIMAL &out) {
  const int64_t n = static_cast<int64_t>(number.digits.size());
  if (n == 0) {
    out = Make(0, 0, false);
    return S_OK;
  }
  const int64_t e = number.exponent;
  int64_t scale = -e < 0 ? 0 : (-e > DECIMAL_MAX_SCALE ? DECIMAL_MAX_SCALE : -e);
  // Lower the scale until the rounded value fits 96 bits. With k digits
  // before rounding, k > 30 is certainly too large (10^29 > 2^96).
  for (;;) {
    const int64_t k = n + e + scale;
    if (k > 30) {
      if (scale == 0) return DISP_E_OVERFLOW;
      scale = k - 30 >= scale ? 0 : scale - (k - 30);
      continue;
    }
    const u128 m = KeepDigits(number.digits, k);
    if (m < kLimit) {
      out = Make(m, static_cast<int>(scale), number.negative);
      return S_OK;
    }
    if (scale == 0) return DISP_E_OVERFLOW;
    --scale;
  }
}

HRESULT FromText(const char *text, size_t length, DECIMAL &out) {
  ParsedNumber number;
  if (!ParseNumber(text, length, number)) return DISP_E_TYPEMISMATCH;
  return FromParsed(number, out);
}

HRESULT FromDouble(double value, int significantDigits, DECIMAL &out) {
  if (!isfinite(value)) return DISP_E_OVERFLOW;
  // The C locale's form whatever the process locale, so it parses back.
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value,
                                    std::chars_format::scientific,
                                    significantDigits - 1);
  if (result.ec != std::errc()) return DISP_E_OVERFLOW;
  return FromText(text, static_cast<size_t>(result.ptr - text), out);
}

HRESULT ToInt64(const DECIMAL &d, int64_t &out) {
  if (!IsValid(d)) return E_INVALIDARG;
  return Signed(DivideRounded(Magnitude(d), d.scale), d.sign != 0, out);
}

HRESULT ToCurrency(const DECIMAL &d, int64_t &out) {
  if (!IsValid(d)) return E_INVALIDARG;
  const u128 m = Magnitude(d);
  const u128 units =
      d.scale <= 4 ? m * Pow10(4 - d.scale) : DivideRounded(m, d.scale - 4);
  return Signed(units, d.sign != 0, out);
}

HRESULT ToDouble(const DECIMAL &d, double &out) {
  if (!IsValid(d)) return E_INVALIDARG;
  // Through the exact text, which from_chars rounds correctly.
  const std::string text = ToText(d);
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), out);
  return result.ec == std::errc() ? S_OK : DISP_E_OVERFLOW;
}

std::string ToText(const DECIMAL &d) {
  u128 m = Magnitude(d);
  if (m == 0) return "0";
  std::string digits;
  for (; m != 0; m /= 10) digits.insert(digits.begin(), char('0' + int(m % 10)));
  const size_t scale = d.scale;
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  std::string text = digits.substr(0, digits.size() - scale);
  std::string fraction = digits.substr(digits.size() - scale);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) text += "." + fraction;
  return d.sign != 0 ? "-" + text : text;
}

}  // namespace decimal
}  // namespace kestrel
