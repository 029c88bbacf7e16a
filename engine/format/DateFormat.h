/*
** Oracle's datetime format models: parsed once into elements, then used
** to write a DATE or TIMESTAMP as text (TO_CHAR) or to read one from text
** (TO_DATE, TO_TIMESTAMP). Names of months and days are the AMERICAN and
** ENGLISH ones; their case follows the element's case in the model
** (MONTH, Month, month).
**
** Errors are the vendor's numbers: 1821 for a model with an unknown
** element, and for input 1843 (month), 1846 (day of week), 1847 (day of
** month), 1848 (day of year), 1849/1850 (hour), 1851 (minute), 1852
** (second), 1855 (AM/PM), 1858 (non-numeric where a number was expected),
** 1861 (literal does not match), 1830 (input longer than the model), 1841
** (year), 1854 (Julian day), 1862 (FX digits).
*/
#ifndef KESTREL_ENGINE_DATEFORMAT_H
#define KESTREL_ENGINE_DATEFORMAT_H

#include <string>
#include <string_view>
#include <vector>

#include "types/DateTime.h"

namespace kestrel_engine {

enum class DateElement {
  kLiteral,  // punctuation, blanks or "quoted text"
  kAD, kADDots, kBC, kBCDots,
  kAM, kAMDots, kPM, kPMDots,
  kCC, kSCC, kD, kDay, kDD, kDDD, kDL, kDS, kDY,
  kFF,  // digits in `digits` (1-9), 9 when not given
  kFM, kFX,
  kHH, kHH12, kHH24, kIW, kIYYY, kIYY, kIY, kI, kJ, kMI, kMM, kMon, kMonth,
  kQ, kRM, kRR, kRRRR, kSS, kSSSSS, kSYYYY, kTS, kTZD, kTZH, kTZM, kTZR, kW,
  kWW, kX, kYCommaYYY, kYear, kSYear, kYYYY, kYYY, kYY, kY,
};

enum class LetterCase { kUpper, kCapitalized, kLower };

struct DateFormatItem {
  DateElement element = DateElement::kLiteral;
  std::string text;  // a literal's text
  bool quoted = false;
  int digits = 0;    // FF's
  LetterCase letters = LetterCase::kUpper;
  // Suffixes: TH (ordinal), SP (spelled).
  bool ordinal = false;
  bool spelled = false;
};

struct DateFormat {
  std::vector<DateFormatItem> items;
};

// 0, or 1821 for an unknown element (with the offending text in `detail`).
int ParseDateFormat(std::string_view model, DateFormat *out,
                    std::string *detail = nullptr);

// TO_CHAR of a datetime. `fractionDigits` is FF's default precision.
std::string FormatDate(const DateFormat &format, const DateTime &value);

// TO_DATE / TO_TIMESTAMP: reads `text` by `format`; fields the text does
// not give are the first day of the current month at midnight (`now`
// gives the current year and month, and RR's century). 0 or the vendor's
// error number.
int ReadDate(std::string_view text, const DateFormat &format,
             const DateTime &now, DateTime *out);

}  // namespace kestrel_engine

#endif
