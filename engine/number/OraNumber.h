/*
** The vendor's NUMBER form, encoded and decoded: a length byte, an
** exponent byte and up to 20 base-100 digits (OCINumber's 22 bytes, which
** is also the VARNUM external form; external type 2 is the same without
** the length byte).
**
** Functions answer 0 on success, else the Oracle error number to report
** (1426 numeric overflow, 1722 invalid number).
*/
#ifndef KESTREL_ENGINE_ORANUMBER_H
#define KESTREL_ENGINE_ORANUMBER_H

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "oci.h"

namespace kestrel_engine {

int NumberFromInt64(int64_t value, OCINumber *out);
int NumberFromUInt64(uint64_t value, OCINumber *out);
// Through the double's shortest round-trip decimal form. Magnitudes of
// 1e126 and more, NaN and infinities give 1426; below 1e-130, zero.
int NumberFromDouble(double value, OCINumber *out);
// The same two writing only the number's own bytes at `out` (its length
// byte and the bytes that byte counts), which has room for the form's 22;
// the bytes after them are left as they were, and so is everything when
// the answer is an error. The fetch stores numbers with them.
int NumberFromInt64Bytes(int64_t value, ub1 *out);
int NumberFromDoubleBytes(double value, ub1 *out);
// Decimal or scientific text, surrounding blanks allowed; 1722 when the
// text is not a number.
int NumberFromText(const char *text, size_t length, OCINumber *out);

// Correctly rounded; 1722 for a malformed number.
int NumberToDouble(const OCINumber *number, double *out);
// True when the number is whole and fits.
bool NumberToInt64(const OCINumber *number, int64_t *out);
// The vendor's default text form: 12.5, -3, .5; very large and very small
// magnitudes in scientific form.
std::string NumberToText(const OCINumber *number);
// The same text form for a double, through its shortest round-trip form;
// NaN and infinities are "Nan", "Inf" and "-Inf".
std::string DoubleToText(double value);

// Longest text NumberToChars and DoubleToChars write.
constexpr size_t kNumberTextMax = 64;
// NumberToText and DoubleToText into a caller's buffer of at least
// kNumberTextMax bytes, without a terminator; answer the length (0 for a
// malformed number). They allocate nothing.
size_t NumberToChars(const OCINumber *number, char *out);
size_t DoubleToChars(double value, char *out);

// Rounds half away from zero to `scale` decimals (negative scales round to
// tens, hundreds, ...), as the vendor stores a value into NUMBER(p,s).
int NumberRound(OCINumber *number, int scale);
// Digits before the decimal point (0 for magnitudes below 1).
int NumberIntegerDigits(const OCINumber *number);
// True when the bytes are a well-formed number.
bool NumberIsValid(const OCINumber *number);

}  // namespace kestrel_engine

#endif
