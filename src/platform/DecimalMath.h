/*
** Arithmetic on OLE's DECIMAL (a 96-bit magnitude, a scale of 0..28 and a
** sign) for the variant conversions. Rounding is half to even throughout.
** Results: S_OK, DISP_E_OVERFLOW when the value does not fit the target,
** DISP_E_TYPEMISMATCH for text that is not a number, E_INVALIDARG for a
** DECIMAL whose scale or sign byte is out of range.
*/
#ifndef KESTREL_DECIMALMATH_H
#define KESTREL_DECIMALMATH_H

#include <stdint.h>

#include <string>

#include "NumberText.h"
#include "oleauto.h"

namespace kestrel {
namespace decimal {

bool IsValid(const DECIMAL &d);
bool IsZero(const DECIMAL &d);

DECIMAL FromInt64(int64_t value);
// A currency amount (four implied decimals), kept at scale 4.
DECIMAL FromCurrency(int64_t amount);
// The double rounded to the given number of significant digits first, as
// OLE does (15 for VT_R8 and VT_DATE, 7 for VT_R4), so 0.1 gives 0.1.
HRESULT FromDouble(double value, int significantDigits, DECIMAL &out);
// Exact when the number fits 29 digits; further digits are rounded off,
// the scale never exceeding 28 (so 1E-29 gives 0).
HRESULT FromParsed(const ParsedNumber &number, DECIMAL &out);
HRESULT FromText(const char *text, size_t length, DECIMAL &out);

// Rounded to an integer, half to even.
HRESULT ToInt64(const DECIMAL &d, int64_t &out);
// Rounded to four decimals, half to even, as a currency amount.
HRESULT ToCurrency(const DECIMAL &d, int64_t &out);
// The nearest double.
HRESULT ToDouble(const DECIMAL &d, double &out);
// The exact value with the scale applied and no trailing zeros after the
// point: 12345 scale 2 is "123.45", 250 scale 2 is "2.5", zero is "0".
std::string ToText(const DECIMAL &d);

}  // namespace decimal
}  // namespace kestrel

#endif
