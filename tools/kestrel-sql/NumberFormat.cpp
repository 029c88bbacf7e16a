/*
** Number formats for COLUMN ... FORMAT.
*/
#include "NumberFormat.h"

#include <cctype>

namespace kestrel_sql {

bool IsNumberFormat(const std::string &format) {
  if (format.empty()) return false;
  size_t i = format[0] == '$' ? 1 : 0;
  bool digits = false, point = false;
  for (; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '9' || c == '0') digits = true;
    else if (c == '.' && !point) point = true;
    else if (c != ',' || point) return false;
  }
  return digits;
}

namespace {

// Adds one unit in the last place of a string of digits; true on carry out.
bool Increment(std::string *digits) {
  for (size_t i = digits->size(); i-- > 0;) {
    if ((*digits)[i] != '9') {
      ++(*digits)[i];
      return false;
    }
    (*digits)[i] = '0';
  }
  return true;
}

}  // namespace

std::string FormatNumber(const std::string &number, const std::string &format) {
  // The number's sign, whole digits and fraction digits.
  size_t i = 0;
  const bool negative = !number.empty() && number[0] == '-';
  if (negative || (!number.empty() && number[0] == '+')) ++i;
  std::string whole, fraction;
  bool point = false;
  for (; i < number.size(); ++i) {
    const char c = number[i];
    if (c == '.' && !point) point = true;
    else if (std::isdigit(static_cast<unsigned char>(c))) (point ? fraction : whole) += c;
    else return number;  // an exponent or anything else: left alone
  }
  if (whole.empty() && fraction.empty()) return number;

  const bool dollar = format[0] == '$';
  const std::string body = dollar ? format.substr(1) : format;
  const size_t formatPoint = body.find('.');
  const std::string wholeFormat = body.substr(0, formatPoint);
  const std::string fractionFormat =
      formatPoint == std::string::npos ? std::string() : body.substr(formatPoint + 1);
  const size_t width = format.size() + 1;

  // Round to the format's decimals, half away from zero.
  const size_t decimals = fractionFormat.size();
  const bool roundUp = fraction.size() > decimals && fraction[decimals] >= '5';
  fraction.resize(decimals, '0');
  std::string digits = whole + fraction;
  if (roundUp && Increment(&digits)) digits.insert(digits.begin(), '1');
  whole = digits.substr(0, digits.size() - decimals);
  fraction = digits.substr(digits.size() - decimals);
  whole.erase(0, whole.find_first_not_of('0'));
  const bool zero = whole.empty() && fraction.find_first_not_of('0') == std::string::npos;

  // Lay the whole digits into the format from the right.
  size_t formatDigits = 0, firstZero = wholeFormat.size();
  for (size_t k = 0; k < wholeFormat.size(); ++k) {
    if (wholeFormat[k] == '9' || wholeFormat[k] == '0') ++formatDigits;
    if (wholeFormat[k] == '0' && firstZero == wholeFormat.size()) firstZero = k;
  }
  if (whole.size() > formatDigits) return std::string(width, '#');
  std::string text;
  size_t next = whole.size();  // whole digits still to place, from the right
  for (size_t k = wholeFormat.size(); k-- > 0;) {
    const char f = wholeFormat[k];
    if (f == ',') {
      text.insert(text.begin(), next > 0 || k > firstZero ? ',' : ' ');
      continue;
    }
    if (next > 0) {
      text.insert(text.begin(), whole[--next]);
    } else if (k >= firstZero) {
      text.insert(text.begin(), '0');
    } else {
      text.insert(text.begin(), ' ');
    }
  }
  // A bare fraction without a 0 before the point shows "0" in the last
  // whole place when the format has one, as SQL*Plus does.
  if (whole.empty() && firstZero == wholeFormat.size() && !text.empty() && fractionFormat.empty())
    text.back() = '0';
  if (!fractionFormat.empty()) text += "." + fraction;
  // The sign and '$' go right before the first character shown.
  const size_t first = text.find_first_not_of(' ');
  std::string prefix = std::string(negative && !zero ? "-" : "") + (dollar ? "$" : "");
  if (first == std::string::npos) text += prefix;
  else text.insert(first, prefix);
  // Blanks left of the digits are trimmed and the result right-aligned.
  text.erase(0, text.find_first_not_of(' '));
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

}  // namespace kestrel_sql
