/*
** COLUMN ... FORMAT for numbers, the common part of SQL*Plus's number
** formats: digits as 9 (blank when a leading zero) or 0 (always shown),
** ',' group separators, one '.', a leading '$'; around them B (blank
** for zero), S (leading or trailing sign), MI (trailing minus), PR
** (<negative>) and EEEE (scientific notation). The value is rounded half
** away from zero to the format's decimals, working on the number's text,
** so no digit is lost to floating point; a value too wide for the format
** shows as '#' across the width, as SQL*Plus shows it.
*/
#ifndef KESTREL_SQL_NUMBER_FORMAT_H
#define KESTREL_SQL_NUMBER_FORMAT_H

#include <string>

namespace kestrel_sql {

// True for a format this file applies (9990.99, $9,999, ...).
bool IsNumberFormat(const std::string &format);

// `number` (the database's text, "-1234.5") in `format`, right-aligned to
// the format's width plus one place for the sign. Text that is not a
// plain decimal number is returned as it is.
std::string FormatNumber(const std::string &number, const std::string &format);

// A number without a COLUMN format in SET NUMWIDTH's `width`, as SQL*Plus
// shows it: as it is when it fits; else its fraction rounded to fit; else
// in scientific notation with as many digits as fit (1.2346E+12); '#'s
// across the width when not even that fits.
std::string FitNumber(const std::string &number, size_t width);

}  // namespace kestrel_sql

#endif
