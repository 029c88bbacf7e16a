/*
** The number syntax that text-to-number conversions accept: OLE's standard
** number grammar under the en-US user locale ("." decimal point, ","
** thousands separator, "$" currency symbol):
**   [blanks] [sign] [$] [(] [blanks] body [blanks] [sign] [$] [)] [blanks]
** where body is digits with "," anywhere after the first digit, then
** [. digits] [(E|e) [+|-] digits]; or &H hex digits / &O octal digits.
** Blanks are spaces, tabs, line ends and the non-breaking space. A sign,
** a "$" and a "(" may each come before the body or (a sign, "$") after it
** but only once; "(" needs its ")" and makes the number negative. Text
** ends at an embedded NUL, as OLE reads it.
*/
#ifndef KESTREL_NUMBERTEXT_H
#define KESTREL_NUMBERTEXT_H

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace kestrel {

// A parsed number: (-1 if negative) * digits * 10^exponent, where digits
// has no leading zeros (empty for zero). A hexadecimal or octal number also
// keeps its bits, which integer targets reinterpret in their own width.
struct ParsedNumber {
  bool negative = false;
  std::string digits;
  int64_t exponent = 0;
  bool radix = false;  // written with &H or &O
  uint64_t bits = 0;
};

// Parses text in the syntax above; false when the text is not a number.
// Exponents beyond any representable magnitude are clamped, which keeps
// their meaning (overflow or zero) for every target.
bool ParseNumber(const char *text, size_t length, ParsedNumber &out);

// The same text, as 7-bit ASCII up to any NUL, with the non-breaking space
// read as a space; false when it holds anything else, which no number does.
bool ToAscii(const std::u16string &text, std::string &out);

// The value as text from_chars reads ("-123e-2"); "0" or "-0" for zero.
std::string CanonicalText(const ParsedNumber &number);

}  // namespace kestrel

#endif
