/*
** The number syntax that text-to-number conversions accept:
**   [blanks] [+|-] digits [. digits] [(E|e) [+|-] digits] [blanks]
** with at least one mantissa digit ("5.", ".5" are numbers; "." is not).
** Blanks are spaces, tabs and line ends. Thousands separators, currency
** symbols, parentheses, trailing signs and hexadecimal forms are not
** accepted: such text does not convert.
*/
#ifndef KESTREL_NUMBERTEXT_H
#define KESTREL_NUMBERTEXT_H

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace kestrel {

// A parsed number: (-1 if negative) * digits * 10^exponent, where digits
// has no leading zeros (empty for zero).
struct ParsedNumber {
  bool negative = false;
  std::string digits;
  int64_t exponent = 0;
};

// Parses text in the syntax above; false when the text is not a number.
// Exponents beyond any representable magnitude are clamped, which keeps
// their meaning (overflow or zero) for every target.
bool ParseNumber(const char *text, size_t length, ParsedNumber &out);

// The same text, as 7-bit ASCII; false when it holds anything else, which
// no number does.
bool ToAscii(const std::u16string &text, std::string &out);

}  // namespace kestrel

#endif
