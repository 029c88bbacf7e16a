/*
** VariantChangeType / VariantChangeTypeEx with OLE's rules for the kinds
** this subset holds: VT_EMPTY, VT_NULL, VT_I1, VT_I2, VT_I4, VT_I8, VT_INT,
** VT_UI1, VT_UI2, VT_UI4, VT_UINT, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BSTR,
** VT_BOOL and VT_DECIMAL. Text follows the invariant forms of the default
** user locale (a "." decimal point, English "True"/"False").
**
** - To the source's own kind: a copy (a marked single-byte BSTR stays
**   marked). By-reference sources are read through their pointer.
** - Integers: rounded half to even; DISP_E_OVERFLOW when out of range.
** - VT_BOOL from any number: VARIANT_TRUE for non-zero. VT_BOOL to other
**   kinds: the 16-bit integer it holds, kept in the target's width (true
**   gives 255 as VT_UI1), except VT_DECIMAL (1 or 0); to text the integer,
**   or "True"/"False" with VARIANT_ALPHABOOL. Text to VT_BOOL: "True",
**   "False", "#TRUE#", "#FALSE#" in any case, or a number read as a double.
** - Doubles to text: up to 15 significant digits (7 for VT_R4), halves
**   rounded away from zero, no trailing zeros, an exponent from 1E+15 up
**   and below 1E-04 (12.5 gives "12.5", 1e20 gives "1E+20"); negative
**   zero gives "0"; "INF", "-INF", "NAN".
** - Doubles to VT_DECIMAL: rounded to 15 (VT_R4: 7) significant digits
**   first. To VT_CY: the exact product with 10000, rounded half to even.
**   To VT_R4: beyond the float range (infinities too) DISP_E_OVERFLOW.
** - Currency and decimal to text: the exact value, no trailing zeros.
** - Text to numbers: OLE's grammar under the en-US locale, see NumberText.h
**   ("1,000", "$1.50", "(1.5)", "1.5-", "&H10"); anything else gives
**   DISP_E_TYPEMISMATCH. The value is read exactly, then rounded once for
**   the target. &H and &O give bits that integer kinds read in their own
**   width ("&HFFFF" is -1 as VT_I2). A marked single-byte BSTR is read as
**   the UTF-8 text it holds.
** - VT_DATE takes numbers within OLE's date range (DISP_E_OVERFLOW beyond).
**
** DISP_E_TYPEMISMATCH also for: VT_NULL to anything but VT_NULL; VT_DATE to
** and from text (dates as text belong to COleDateTime); arrays to anything
** but their own kind; VT_ERROR, VT_UI8 and by-reference or array targets.
** Anything to VT_EMPTY or VT_NULL gives an empty or null variant.
*/
#include <float.h>
#include <math.h>

#include <charconv>
#include <new>
#include <string>

#include "BstrInternal.h"
#include "DecimalMath.h"
#include "NumberText.h"
#include "oleauto.h"

namespace {

using kestrel::ParsedNumber;
namespace decimal = kestrel::decimal;

// OLE's date range, in days from 1899-12-30.
constexpr double kDateMin = -657434.0;
constexpr double kDateMax = 2958465.0;

// A source value reduced to what the conversions need.
struct Value {
  enum Kind { Empty, Integer, Real, Date, Currency, Decimal, Text, Bool };
  Kind kind = Empty;
  int64_t integer = 0;  // Integer, Currency (four implied decimals), Bool
  double real = 0;      // Real, Date
  bool single = false;  // Real came from VT_R4
  DECIMAL dec{};
  std::u16string text;
};

// Reads a by-reference value into a plain one (sharing any string).
HRESULT Dereference(const VARIANT &src, VARIANT &out) {
  VariantInit(&out);
  if ((src.vt & VT_BYREF) == 0) {
    out = src;
    return S_OK;
  }
  if (src.byref == nullptr) return DISP_E_TYPEMISMATCH;
  const VARTYPE base = src.vt & ~VT_BYREF;
  switch (base) {
    case VT_I1: out.cVal = *src.pcVal; break;
    case VT_UI1: out.bVal = *src.pbVal; break;
    case VT_I2: out.iVal = *src.piVal; break;
    case VT_UI2: out.uiVal = *src.puiVal; break;
    case VT_I4: out.lVal = *src.plVal; break;
    case VT_UI4: out.ulVal = *src.pulVal; break;
    case VT_INT: out.intVal = *src.pintVal; break;
    case VT_UINT: out.uintVal = *src.puintVal; break;
    case VT_I8: out.llVal = *src.pllVal; break;
    case VT_R4: out.fltVal = *src.pfltVal; break;
    case VT_R8: out.dblVal = *src.pdblVal; break;
    case VT_DATE: out.date = *src.pdate; break;
    case VT_CY: out.cyVal = *src.pcyVal; break;
    case VT_BOOL: out.boolVal = *src.pboolVal; break;
    case VT_BSTR: out.bstrVal = *src.pbstrVal; break;
    case VT_DECIMAL: out.decVal = *src.pdecVal; break;
    case VT_VARIANT:
      if ((src.pvarVal->vt & VT_BYREF) != 0) return DISP_E_TYPEMISMATCH;
      out = *src.pvarVal;
      return S_OK;
    default:
      return DISP_E_TYPEMISMATCH;
  }
  out.vt = base;
  return S_OK;
}

HRESULT Read(const VARIANT &v, Value &out) {
  switch (v.vt) {
    case VT_EMPTY: out.kind = Value::Empty; return S_OK;
    case VT_I1: out.integer = v.cVal; break;
    case VT_UI1: out.integer = v.bVal; break;
    case VT_I2: out.integer = v.iVal; break;
    case VT_UI2: out.integer = v.uiVal; break;
    case VT_I4: out.integer = v.lVal; break;
    case VT_UI4: out.integer = v.ulVal; break;
    case VT_INT: out.integer = v.intVal; break;
    case VT_UINT: out.integer = v.uintVal; break;
    case VT_I8: out.integer = v.llVal; break;
    case VT_R4:
      out.kind = Value::Real;
      out.real = v.fltVal;
      out.single = true;
      return S_OK;
    case VT_R8:
      out.kind = Value::Real;
      out.real = v.dblVal;
      return S_OK;
    case VT_DATE:
      out.kind = Value::Date;
      out.real = v.date;
      return S_OK;
    case VT_CY:
      out.kind = Value::Currency;
      out.integer = v.cyVal.int64;
      return S_OK;
    case VT_BOOL:
      out.kind = Value::Bool;
      out.integer = v.boolVal;
      return S_OK;
    case VT_DECIMAL:
      if (!decimal::IsValid(v.decVal)) return E_INVALIDARG;
      out.kind = Value::Decimal;
      out.dec = v.decVal;
      return S_OK;
    case VT_BSTR:
      out.kind = Value::Text;
      out.text = kestrel::BstrText(v.bstrVal);
      return S_OK;
    default:
      return DISP_E_TYPEMISMATCH;
  }
  out.kind = Value::Integer;
  return S_OK;
}

HRESULT ParseText(const std::u16string &text, ParsedNumber &number) {
  std::string ascii;
  if (!kestrel::ToAscii(text, ascii) ||
      !kestrel::ParseNumber(ascii.data(), ascii.size(), number))
    return DISP_E_TYPEMISMATCH;
  return S_OK;
}

// Rounds half to even; the caller checks the range.
double RoundHalfEven(double x) {
  const double down = floor(x);
  const double diff = x - down;
  if (diff > 0.5) return down + 1;
  if (diff < 0.5) return down;
  return fmod(down, 2.0) == 0 ? down : down + 1;
}

// Whether x, already integral, lies in [lo, hi] (NaN does not).
bool InRange(double x, int64_t lo, int64_t hi) {
  // 2^63 and -2^63 are exact doubles; hi itself may not be.
  const double top = hi == INT64_MAX ? 9223372036854775808.0 : double(hi) + 1;
  return x >= static_cast<double>(lo) && x < top;
}

// The low bits of x that a kind from lo to hi holds, read as that kind
// (so 255 is -1 for VT_I1 and -1 is 255 for VT_UI1).
int64_t Wrap(uint64_t x, int64_t lo, int64_t hi) {
  const uint64_t mask =
      lo == 0 ? static_cast<uint64_t>(hi) : static_cast<uint64_t>(hi) * 2 + 1;
  const uint64_t bits = x & mask;
  if (lo == 0 || bits <= static_cast<uint64_t>(hi))
    return static_cast<int64_t>(bits);
  return static_cast<int64_t>(bits - mask - 1);  // two's complement, no UB
}

HRESULT ToInteger(const Value &v, int64_t lo, int64_t hi, int64_t &out) {
  int64_t n = 0;
  switch (v.kind) {
    case Value::Empty:
      break;
    case Value::Integer:
      n = v.integer;
      break;
    case Value::Bool:
      // A boolean is a 16-bit integer that OLE stores in the target's width:
      // true gives 255 as VT_UI1, a boolean of 255 gives -1 as VT_I1.
      n = Wrap(static_cast<uint64_t>(v.integer), lo, hi);
      break;
    case Value::Real:
    case Value::Date: {
      const double r = RoundHalfEven(v.real);
      if (!InRange(r, lo, hi)) return DISP_E_OVERFLOW;
      n = static_cast<int64_t>(r);
      break;
    }
    case Value::Currency: {
      const HRESULT hr = decimal::ToInt64(decimal::FromCurrency(v.integer), n);
      if (FAILED(hr)) return hr;
      break;
    }
    case Value::Decimal: {
      const HRESULT hr = decimal::ToInt64(v.dec, n);
      if (FAILED(hr)) return hr;
      break;
    }
    case Value::Text: {
      ParsedNumber number;
      DECIMAL d;
      HRESULT hr = ParseText(v.text, number);
      if (SUCCEEDED(hr) && number.radix) {
        // &H and &O give bits: any pattern the kind's width holds is read
        // as that kind ("&HFFFF" is -1 as VT_I2), a wider one overflows.
        const uint64_t mask = lo == 0 ? static_cast<uint64_t>(hi)
                                      : static_cast<uint64_t>(hi) * 2 + 1;
        if ((number.bits & ~mask) != 0) return DISP_E_OVERFLOW;
        n = Wrap(number.bits, lo, hi);
        if (number.negative) {
          if (n == INT64_MIN) return DISP_E_OVERFLOW;
          n = -n;
        }
        break;
      }
      if (SUCCEEDED(hr)) hr = decimal::FromParsed(number, d);
      if (SUCCEEDED(hr)) hr = decimal::ToInt64(d, n);
      if (FAILED(hr)) return hr;
      break;
    }
  }
  if (n < lo || n > hi) return DISP_E_OVERFLOW;
  out = n;
  return S_OK;
}

HRESULT ToDouble(const Value &v, double &out) {
  switch (v.kind) {
    case Value::Empty: out = 0; return S_OK;
    case Value::Integer:
    case Value::Bool: out = static_cast<double>(v.integer); return S_OK;
    case Value::Real:
    case Value::Date: out = v.real; return S_OK;
    case Value::Currency: out = static_cast<double>(v.integer) / 10000.0; return S_OK;
    case Value::Decimal: return decimal::ToDouble(v.dec, out);
    case Value::Text: {
      ParsedNumber number;
      if (FAILED(ParseText(v.text, number))) return DISP_E_TYPEMISMATCH;
      // The parsed value in the plain form from_chars reads exactly.
      const std::string plain = kestrel::CanonicalText(number);
      const char *begin = plain.data();
      const char *end = plain.data() + plain.size();
      const auto result = std::from_chars(begin, end, out);
      if (result.ec == std::errc::result_out_of_range) {
        // Below the smallest double it is zero; above the largest, too big.
        const int64_t order =
            static_cast<int64_t>(number.digits.size()) + number.exponent;
        if (order <= 0) {
          out = number.negative ? -0.0 : 0.0;
          return S_OK;
        }
        return DISP_E_OVERFLOW;
      }
      return result.ec == std::errc() && result.ptr == end ? S_OK
                                                            : DISP_E_TYPEMISMATCH;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

__extension__ typedef unsigned __int128 u128;

// x * 10000 rounded half to even from the exact product: a double holds
// an amount exactly only as m * 2^e, and rounding a rounded product moves
// amounts such as 922337203685477.0 or 0.00035.
HRESULT CurrencyFromDouble(double x, int64_t &out) {
  if (!isfinite(x)) return DISP_E_OVERFLOW;
  int e = 0;
  const double fraction = frexp(fabs(x), &e);  // |x| = fraction * 2^e
  // 53 bits of mantissa: |x| = m * 2^(e - 53).
  const uint64_t m = static_cast<uint64_t>(ldexp(fraction, 53));
  const int shift = e - 53;
  const u128 limit = (static_cast<u128>(1) << 63) + (x < 0 ? 1 : 0);
  u128 units = 0;
  if (m == 0) {
    units = 0;
  } else if (shift >= 0) {
    if (shift > 63) return DISP_E_OVERFLOW;
    const u128 whole = static_cast<u128>(m) << shift;
    if (whole >= limit) return DISP_E_OVERFLOW;
    units = whole * 10000;
  } else {
    const u128 product = static_cast<u128>(m) * 10000;  // below 2^67
    const int s = -shift;
    if (s >= 100) {
      units = 0;  // below half a unit
    } else {
      const u128 q = product >> s;
      const u128 r = product - (q << s);
      const u128 half = static_cast<u128>(1) << (s - 1);
      units = (r > half || (r == half && (q & 1) != 0)) ? q + 1 : q;
    }
  }
  if (units >= limit) return DISP_E_OVERFLOW;
  out = x < 0 ? static_cast<int64_t>(0 - static_cast<uint64_t>(units))
              : static_cast<int64_t>(units);
  return S_OK;
}

HRESULT ToCurrency(const Value &v, int64_t &out) {
  switch (v.kind) {
    case Value::Empty: out = 0; return S_OK;
    case Value::Integer:
    case Value::Bool:
      return __builtin_mul_overflow(v.integer, int64_t{10000}, &out)
                 ? DISP_E_OVERFLOW
                 : S_OK;
    case Value::Real:
    case Value::Date:
      return CurrencyFromDouble(v.real, out);
    case Value::Currency: out = v.integer; return S_OK;
    case Value::Decimal: return decimal::ToCurrency(v.dec, out);
    case Value::Text: {
      ParsedNumber number;
      DECIMAL d;
      HRESULT hr = ParseText(v.text, number);
      if (SUCCEEDED(hr)) hr = decimal::FromParsed(number, d);
      if (SUCCEEDED(hr)) hr = decimal::ToCurrency(d, out);
      return hr;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT ToDecimal(const Value &v, DECIMAL &out) {
  switch (v.kind) {
    case Value::Empty: out = decimal::FromInt64(0); return S_OK;
    case Value::Integer: out = decimal::FromInt64(v.integer); return S_OK;
    // OLE coerces a boolean to 1 or 0 here, unlike the other numbers.
    case Value::Bool: out = decimal::FromInt64(v.integer != 0); return S_OK;
    case Value::Real:
    case Value::Date: return decimal::FromDouble(v.real, v.single ? 7 : 15, out);
    case Value::Currency: out = decimal::FromCurrency(v.integer); return S_OK;
    case Value::Decimal: out = v.dec; return S_OK;
    case Value::Text: {
      ParsedNumber number;
      const HRESULT hr = ParseText(v.text, number);
      return FAILED(hr) ? hr : decimal::FromParsed(number, out);
    }
  }
  return DISP_E_TYPEMISMATCH;
}

bool EqualsNoCase(const std::u16string &text, const char *word) {
  size_t i = 0;
  for (; word[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    char16_t c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c - 'A' + 'a');
    if (c != static_cast<char16_t>(word[i])) return false;
  }
  return i == text.size();
}

HRESULT ToBool(const Value &v, VARIANT_BOOL &out) {
  bool truth = false;
  switch (v.kind) {
    case Value::Empty: break;
    case Value::Integer:
    case Value::Bool:
    case Value::Currency: truth = v.integer != 0; break;
    case Value::Real:
    case Value::Date: truth = v.real != 0; break;
    case Value::Decimal: truth = !decimal::IsZero(v.dec); break;
    case Value::Text: {
      std::u16string word = v.text;
      const auto isBlank = [](char16_t c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n';
      };
      while (!word.empty() && isBlank(word.back())) word.pop_back();
      size_t lead = 0;
      while (lead < word.size() && isBlank(word[lead])) ++lead;
      word.erase(0, lead);
      if (EqualsNoCase(word, "true") || EqualsNoCase(word, "#true#")) {
        truth = true;
      } else if (!EqualsNoCase(word, "false") &&
                 !EqualsNoCase(word, "#false#")) {
        // Other text is read as a double: 1e-400 is false, 1e400 overflows.
        double d = 0;
        const HRESULT hr = ToDouble(v, d);
        if (FAILED(hr)) return hr;
        truth = d != 0;
      }
      break;
    }
  }
  out = truth ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

std::u16string Widen(const std::string &ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

// Whether x lies exactly halfway between two numbers of `digits`
// significant digits. Forty digits show any value a double holds near
// such a midpoint, which is at most seventeen digits long.
bool IsDecimalTie(double x, int digits) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, x,
                                    std::chars_format::scientific, 40);
  // "d.ddd...e+XX": the mantissa digits are text[0] and text[2..41].
  if (result.ec != std::errc()) return false;
  const char *mantissa = text[0] == '-' ? text + 1 : text;
  // Index of the first dropped digit, counting the point after the first.
  const int next = digits + 1;
  if (mantissa[next] != '5') return false;
  for (int i = next + 1; i <= 41; ++i)
    if (mantissa[i] != '0') return false;
  return true;
}

// OLE's "%.15G" form (7 digits for single precision) in the C locale,
// without a negative zero; halves round away from zero as OLE's formatter
// rounds them, and infinities and NaN read "INF", "-INF" and "NAN".
std::u16string RealText(double x, bool single) {
  if (x == 0) return u"0";
  if (isinf(x)) return x < 0 ? u"-INF" : u"INF";
  if (isnan(x)) return signbit(x) ? u"-NAN" : u"NAN";
  const int digits = single ? 7 : 15;
  if (IsDecimalTie(x, digits)) x = nextafter(x, x < 0 ? -HUGE_VAL : HUGE_VAL);
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, x,
                                    std::chars_format::general, digits);
  std::u16string out(text, result.ptr);
  for (char16_t &c : out) {
    if (c == 'e') c = 'E';
  }
  return out;
}

HRESULT ToText(const Value &v, USHORT flags, std::u16string &out) {
  switch (v.kind) {
    case Value::Empty: out.clear(); return S_OK;
    case Value::Integer: out = Widen(std::to_string(v.integer)); return S_OK;
    case Value::Bool:
      // Without VARIANT_ALPHABOOL a boolean reads as the integer it holds.
      if (flags & VARIANT_ALPHABOOL)
        out = v.integer != 0 ? u"True" : u"False";
      else
        out = Widen(std::to_string(v.integer));
      return S_OK;
    case Value::Real: out = RealText(v.real, v.single); return S_OK;
    case Value::Date: return DISP_E_TYPEMISMATCH;
    case Value::Currency:
      out = Widen(decimal::ToText(decimal::FromCurrency(v.integer)));
      return S_OK;
    case Value::Decimal: out = Widen(decimal::ToText(v.dec)); return S_OK;
    case Value::Text: out = v.text; return S_OK;
  }
  return DISP_E_TYPEMISMATCH;
}

struct IntegerKind {
  VARTYPE vt;
  int64_t lo, hi;
};

const IntegerKind kIntegerKinds[] = {
    {VT_I1, INT8_MIN, INT8_MAX},     {VT_UI1, 0, UINT8_MAX},
    {VT_I2, INT16_MIN, INT16_MAX},   {VT_UI2, 0, UINT16_MAX},
    {VT_I4, INT32_MIN, INT32_MAX},   {VT_UI4, 0, UINT32_MAX},
    {VT_INT, INT32_MIN, INT32_MAX},  {VT_UINT, 0, UINT32_MAX},
    {VT_I8, INT64_MIN, INT64_MAX},
};

void StoreInteger(VARIANT &out, VARTYPE vt, int64_t n) {
  switch (vt) {
    case VT_I1: out.cVal = static_cast<CHAR>(n); break;
    case VT_UI1: out.bVal = static_cast<BYTE>(n); break;
    case VT_I2: out.iVal = static_cast<SHORT>(n); break;
    case VT_UI2: out.uiVal = static_cast<USHORT>(n); break;
    case VT_I4: out.lVal = static_cast<LONG>(n); break;
    case VT_UI4: out.ulVal = static_cast<ULONG>(n); break;
    case VT_INT: out.intVal = static_cast<INT>(n); break;
    case VT_UINT: out.uintVal = static_cast<UINT>(n); break;
    default: out.llVal = n; break;
  }
}

// Converts v to kind vt into out (a fresh variant).
HRESULT Convert(const Value &v, USHORT flags, VARTYPE vt, VARIANT &out) {
  for (const IntegerKind &k : kIntegerKinds) {
    if (k.vt != vt) continue;
    int64_t n = 0;
    const HRESULT hr = ToInteger(v, k.lo, k.hi, n);
    if (FAILED(hr)) return hr;
    StoreInteger(out, vt, n);
    out.vt = vt;
    return S_OK;
  }
  HRESULT hr = DISP_E_TYPEMISMATCH;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      hr = S_OK;
      break;
    case VT_R8:
      hr = ToDouble(v, out.dblVal);
      break;
    case VT_R4: {
      double d = 0;
      hr = ToDouble(v, d);
      // Infinities too: a single cannot hold what a double overflowed to.
      if (SUCCEEDED(hr) && !isnan(d) && fabs(d) > FLT_MAX) hr = DISP_E_OVERFLOW;
      if (SUCCEEDED(hr)) out.fltVal = static_cast<float>(d);
      break;
    }
    case VT_DATE:
      if (v.kind == Value::Text) break;
      hr = ToDouble(v, out.date);
      if (SUCCEEDED(hr) &&
          !(out.date > kDateMin - 1.0 && out.date < kDateMax + 1.0))
        hr = DISP_E_OVERFLOW;
      break;
    case VT_CY:
      hr = ToCurrency(v, out.cyVal.int64);
      break;
    case VT_BOOL:
      hr = ToBool(v, out.boolVal);
      break;
    case VT_DECIMAL: {
      DECIMAL d{};
      hr = ToDecimal(v, d);
      if (SUCCEEDED(hr)) out.decVal = d;  // overlays vt, set below
      break;
    }
    case VT_BSTR: {
      std::u16string text;
      hr = ToText(v, flags, text);
      if (SUCCEEDED(hr)) {
        out.bstrVal = kestrel::BstrFromText(text);
        if (out.bstrVal == nullptr) hr = E_OUTOFMEMORY;
      }
      break;
    }
    default:
      break;
  }
  if (SUCCEEDED(hr)) out.vt = vt;
  return hr;
}

bool IsKnownKind(VARTYPE vt) {
  const VARTYPE base = vt & VT_TYPEMASK;
  return (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) == 0 &&
         (base <= VT_DECIMAL || (base >= VT_I1 && base <= VT_UINT)) &&
         base != 15;
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANTARG *pvargDest, const VARIANTARG *pvarSrc,
                            LCID /*lcid*/, USHORT wFlags, VARTYPE vt) {
  if (pvargDest == nullptr || pvarSrc == nullptr) return E_INVALIDARG;
  if (!IsKnownKind(vt) || !IsKnownKind(pvarSrc->vt)) return DISP_E_BADVARTYPE;
  try {
    if (pvargDest == pvarSrc && pvarSrc->vt == vt) return S_OK;
    VARIANT src;
    HRESULT hr = Dereference(*pvarSrc, src);
    if (FAILED(hr)) return hr;

    VARIANT result;
    VariantInit(&result);
    if (src.vt == vt) {
      hr = VariantCopy(&result, &src);  // deep, keeping any mark
    } else if (src.vt == VT_NULL || (src.vt & VT_ARRAY) != 0 ||
               (vt & (VT_ARRAY | VT_BYREF)) != 0) {
      hr = DISP_E_TYPEMISMATCH;
    } else {
      Value value;
      hr = Read(src, value);
      if (SUCCEEDED(hr)) hr = Convert(value, wFlags, vt, result);
    }
    if (FAILED(hr)) return hr;

    // The source is fully read; now the destination (which may be the
    // source) can go.
    hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
      VariantClear(&result);
      return hr;
    }
    *pvargDest = result;
    return S_OK;
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
}

HRESULT VariantChangeType(VARIANTARG *pvargDest, const VARIANTARG *pvarSrc,
                          USHORT wFlags, VARTYPE vt) {
  return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags,
                             vt);
}
