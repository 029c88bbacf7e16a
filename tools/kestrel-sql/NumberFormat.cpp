/*
** Number formats for COLUMN ... FORMAT.
*/
#include "NumberFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace kestrel_sql {

namespace {

// A format's sign and display elements around its digits.
struct Elements {
  std::string digits;  // 9, 0, ',', '.' and a leading '$'
  bool blankZero = false;  // B
  bool leadingSign = false, trailingSign = false;  // S
  bool trailingMinus = false;  // MI
  bool angle = false;          // PR
  bool scientific = false;     // EEEE
};

bool IsDigitFormat(const std::string &format) {
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

bool Split(std::string format, Elements *e) {
  if (format.compare(0, 1, "B") == 0) {
    e->blankZero = true;
    format.erase(0, 1);
  }
  if (format.compare(0, 1, "S") == 0) {
    e->leadingSign = true;
    format.erase(0, 1);
  }
  auto strip = [&format](const char *tail) {
    const size_t n = std::char_traits<char>::length(tail);
    if (format.size() < n || format.compare(format.size() - n, n, tail) != 0) return false;
    format.erase(format.size() - n);
    return true;
  };
  if (strip("MI")) e->trailingMinus = true;
  else if (strip("PR")) e->angle = true;
  else if (!e->leadingSign && strip("S")) e->trailingSign = true;
  if (strip("EEEE")) e->scientific = true;
  e->digits = format;
  return IsDigitFormat(format) &&
         !(e->scientific && (format.find(',') != std::string::npos || format[0] == '$'));
}

}  // namespace

bool IsNumberFormat(const std::string &format) {
  Elements e;
  return Split(format, &e);
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

static std::string PlainFormat(const std::string &number, const std::string &format) {
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

// `number` in `format`, with MI, S, PR, B and EEEE around the digits.
std::string FormatNumber(const std::string &number, const std::string &format) {
  Elements e;
  if (!Split(format, &e)) return number;
  const bool negative = !number.empty() && number[0] == '-';
  const std::string magnitude = negative ? number.substr(1) : number;
  const size_t width = e.digits.size() + (e.scientific ? 4 : 0) + (e.angle ? 2 : 1);
  if (magnitude.find_first_not_of("0.") == std::string::npos && e.blankZero)
    return std::string(width, ' ');
  std::string body;
  if (e.scientific) {
    // d.ddE+nn with as many decimals as the format has after its point.
    const size_t point = e.digits.find('.');
    const size_t decimals = point == std::string::npos ? 0 : e.digits.size() - point - 1;
    // Only a few digits are shown: a double's seventeen are plenty.
    char text[64];
    snprintf(text, sizeof text, "%.*E", static_cast<int>(decimals),
             std::strtod(magnitude.c_str(), nullptr));
    body = text;
  } else {
    body = PlainFormat(magnitude, e.digits);
    if (body.find('#') != std::string::npos) return std::string(width, '#');
    body.erase(0, body.find_first_not_of(' '));
  }
  // A value that rounds to zero shows no sign.
  const bool minus = negative && body.find_first_of("123456789") < body.find_first_of("Ee");
  if (e.angle) body = minus ? "<" + body + ">" : body + " ";
  else if (e.trailingMinus) body += minus ? "-" : " ";
  else if (e.trailingSign) body += minus ? "-" : "+";
  else if (e.leadingSign) body = (minus ? "-" : "+") + body;
  else if (minus) {
    // '-' goes before the '$' or the first digit.
    body = "-" + body;
  }
  if (body.size() < width) body.insert(0, width - body.size(), ' ');
  return body;
}

namespace {

// Rounds a string of digits to its first `keep` digits, half away from
// zero; `exponent` grows by one when the carry adds a digit.
std::string RoundDigits(const std::string &digits, size_t keep, int *exponent) {
  if (digits.size() <= keep) return digits;
  std::string kept = digits.substr(0, keep);
  if (digits[keep] >= '5' && Increment(&kept)) {
    kept.insert(kept.begin(), '1');
    kept.pop_back();
    ++*exponent;
  }
  return kept;
}

}  // namespace

std::string FitNumber(const std::string &number, size_t width) {
  if (number.size() <= width) return number;
  // The value as sign, significant digits and the power of ten of the first.
  size_t i = 0;
  const bool negative = !number.empty() && number[0] == '-';
  if (negative) ++i;
  std::string digits;
  int exponent = -1;  // of the first digit: 123.4 has 2
  bool point = false, seen = false;
  for (; i < number.size(); ++i) {
    const char c = number[i];
    if (c == '.' && !point) {
      point = true;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      if (c == '0' && !seen) {
        if (point) --exponent;
        continue;
      }
      if (!seen) seen = true;
      if (!point) ++exponent;
      digits += c;
    } else if ((c == 'E' || c == 'e') && seen) {
      exponent += std::atoi(number.c_str() + i + 1);
      break;
    } else {
      return number;  // not a number's text: left alone
    }
  }
  if (!seen) return number;
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  const size_t sign = negative ? 1 : 0;

  // Fixed notation, when the whole digits fit and a significant digit stays.
  const size_t whole = exponent >= 0 ? static_cast<size_t>(exponent) + 1 : 0;
  if (whole + sign + (whole == 0 ? 2 : 0) <= width) {
    const size_t room = width - sign - whole;  // for the point and decimals
    const long keep = static_cast<long>(exponent) + 1 + static_cast<long>(room > 1 ? room - 1 : 0);
    int e = exponent;
    std::string kept = keep > 0 ? RoundDigits(digits, static_cast<size_t>(keep), &e) : std::string();
    const size_t wholeNow = e >= 0 ? static_cast<size_t>(e) + 1 : 0;
    if (!kept.empty() && wholeNow + sign <= width) {
      std::string text, fraction;
      if (e >= 0) {
        kept.resize(std::max(kept.size(), wholeNow), '0');
        text = kept.substr(0, wholeNow);
        fraction = kept.substr(wholeNow);
      } else {
        fraction = std::string(static_cast<size_t>(-e - 1), '0') + kept;
      }
      while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
      if (!fraction.empty()) text += "." + fraction;
      if (text.empty()) text = "0";
      if (text.size() + sign <= width) return (negative ? "-" : "") + text;
    }
  }
  // Scientific: d.dddE+nn in the width.
  const std::string power = exponent <= -100 || exponent >= 100 ? "E+nnn" : "E+nn";
  if (width < sign + 1 + power.size()) return std::string(width, '#');
  const size_t room = width - sign - 1 - power.size();
  const size_t decimals = room > 1 ? room - 1 : 0;
  int e = exponent;
  std::string kept = RoundDigits(digits, 1 + decimals, &e);
  while (kept.size() > 1 && kept.back() == '0') kept.pop_back();
  std::string text = (negative ? "-" : "") + kept.substr(0, 1);
  if (kept.size() > 1) text += "." + kept.substr(1);
  char tail[16];
  snprintf(tail, sizeof tail, "E%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
  text += tail;
  return text.size() <= width ? text : std::string(width, '#');
}

}  // namespace kestrel_sql
