/*
** COLUMN ... FORMAT for numbers, the common part of SQL*Plus's number
** formats: digits as 9 (blank when a leading zero) or 0 (always shown),
** ',' group separators, one '.', a leading '$'. The value is rounded half
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

}  // namespace kestrel_sql

#endif
