/*
** Number format models. The model is read into its parts (digit positions
** before and after the decimal character, where groups fall, the sign and
** currency forms), the value is rounded to the model's decimals as exact
** decimal digits, and the text is laid out right-aligned in the model's
** width: one leading place for the sign unless the model puts the sign
** elsewhere (S, MI, PR) or asks for no padding (FM).
*/
#include "format/NumberFormat.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

namespace kestrel_engine {

namespace {

struct Model {
  bool fm = false;
  bool blankZero = false;  // B
  bool dollar = false;
  std::string currency;  // L, C or U: the symbol
  bool currencyLast = false;
  enum Sign { kDefault, kLeadingS, kTrailingS, kMI, kPR } sign = kDefault;
  bool scientific = false;  // EEEE
  bool roman = false;       // RN
  bool romanLower = false;
  bool text = false;        // TM
  int hex = 0;              // X digits
  bool hexLower = false;
  bool hasDecimal = false;
  // Integer positions left to right: '9', '0' or ',' (a group).
  std::string integer;
  std::string fraction;  // '9' or '0'
  int shift = 0;         // V: digits after it
  size_t length = 0;     // the model's own length
};

bool Upper(std::string_view m, size_t i, const char *word) {
  const size_t n = strlen(word);
  if (i + n > m.size()) return false;
  for (size_t k = 0; k < n; ++k) {
    if (toupper(static_cast<unsigned char>(m[i + k])) != word[k]) return false;
  }
  return true;
}

bool ParseModel(std::string_view m, const NumberSymbols &symbols, Model *out) {
  Model model;
  model.length = m.size();
  bool afterV = false;
  size_t i = 0;
  if (Upper(m, 0, "FM")) {
    model.fm = true;
    i = 2;
  }
  if (Upper(m, i, "TM")) {
    model.text = true;
    *out = model;
    return true;
  }
  if (Upper(m, i, "RN")) {
    model.roman = true;
    model.romanLower = m[i] == 'r';
    *out = model;
    return i + 2 == m.size();
  }
  const size_t start = i;
  for (; i < m.size(); ++i) {
    const char c = static_cast<char>(toupper(static_cast<unsigned char>(m[i])));
    const bool first = i == start;
    switch (c) {
      case '9': case '0':
        if (model.hex) return false;
        if (afterV) ++model.shift;
        if (model.hasDecimal || afterV) {
          if (!afterV) model.fraction += c;
          else model.integer += c;
        } else {
          model.integer += c;
        }
        break;
      case ',': case 'G':
        if (model.hasDecimal || model.integer.empty()) return false;
        model.integer += ',';
        break;
      case '.': case 'D':
        if (model.hasDecimal || afterV) return false;
        model.hasDecimal = true;
        break;
      case '$':
        if (model.dollar) return false;
        model.dollar = true;
        break;
      case 'B':
        model.blankZero = true;
        break;
      case 'L': case 'C': case 'U':
        if (!model.currency.empty()) return false;
        model.currency = c == 'C' ? symbols.isoCurrency : symbols.currency;
        model.currencyLast = !first;
        break;
      case 'S':
        if (model.sign != Model::kDefault) return false;
        model.sign = first ? Model::kLeadingS : Model::kTrailingS;
        if (!first && i + 1 != m.size()) return false;
        break;
      case 'M':
        if (!Upper(m, i, "MI") || i + 2 != m.size() || model.sign != Model::kDefault) return false;
        model.sign = Model::kMI;
        ++i;
        break;
      case 'P':
        if (!Upper(m, i, "PR") || i + 2 != m.size() || model.sign != Model::kDefault) return false;
        model.sign = Model::kPR;
        ++i;
        break;
      case 'E':
        if (!Upper(m, i, "EEEE")) return false;
        model.scientific = true;
        i += 3;
        break;
      case 'V':
        if (afterV || model.hasDecimal) return false;
        afterV = true;
        break;
      case 'X':
        if (!model.integer.empty() && model.integer.find_first_not_of('0') != std::string::npos) return false;
        ++model.hex;
        model.hexLower = m[i] == 'x';
        break;
      default:
        return false;
    }
  }
  *out = model;
  return true;
}

// Decimal digits of a number's text: `digits` with no leading zeros and
// the value digits x 10^(exponent - digits.size()).
bool Digits(std::string_view text, bool *negative, std::string *digits, int *exponent) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  *negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) *negative = text[i++] == '-';
  std::string d;
  int point = -1;
  for (; i < text.size() && (isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'); ++i) {
    if (text[i] == '.') {
      if (point >= 0) return false;
      point = static_cast<int>(d.size());
    } else {
      d += text[i];
    }
  }
  if (d.empty()) return false;
  if (point < 0) point = static_cast<int>(d.size());
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    point += atoi(std::string(text.substr(i + 1)).c_str());
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    while (i < text.size() && isdigit(static_cast<unsigned char>(text[i]))) ++i;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (i != text.size()) return false;
  size_t lead = d.find_first_not_of('0');
  if (lead == std::string::npos) {
    digits->clear();
    *exponent = 0;
    return true;
  }
  point -= static_cast<int>(lead);
  d.erase(0, lead);
  while (!d.empty() && d.back() == '0') d.pop_back();
  *digits = d;
  *exponent = point;  // value = 0.digits x 10^point
  return true;
}

// Rounds 0.digits x 10^point half away from zero to `decimals` places.
void Round(std::string *digits, int *point, int decimals) {
  const int keep = *point + decimals;
  if (keep < 0) {
    digits->clear();
    return;
  }
  if (static_cast<size_t>(keep) >= digits->size()) return;
  const bool up = (*digits)[static_cast<size_t>(keep)] >= '5';
  digits->resize(static_cast<size_t>(keep));
  if (up) {
    int k = keep - 1;
    while (k >= 0 && (*digits)[static_cast<size_t>(k)] == '9') {
      (*digits)[static_cast<size_t>(k)] = '0';
      --k;
    }
    if (k < 0) {
      digits->insert(digits->begin(), '1');
      ++*point;
    } else {
      ++(*digits)[static_cast<size_t>(k)];
    }
  }
  while (!digits->empty() && digits->back() == '0') digits->pop_back();
  if (digits->empty()) *point = 0;
}

std::string Roman(long n, bool lower) {
  static const struct {
    int value;
    const char *text;
  } kParts[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"},
                {90, "XC"},  {50, "L"},   {40, "XL"}, {10, "X"},   {9, "IX"},
                {5, "V"},    {4, "IV"},   {1, "I"}};
  std::string out;
  for (const auto &p : kParts) {
    while (n >= p.value) {
      out += p.text;
      n -= p.value;
    }
  }
  if (lower) {
    for (char &c : out) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace

int FormatNumber(std::string_view decimalText, std::string_view modelText,
                 const NumberSymbols &symbols, std::string *out) {
  Model m;
  if (!ParseModel(modelText, symbols, &m)) return 1481;
  bool negative = false;
  std::string digits;
  int point = 0;
  if (!Digits(decimalText, &negative, &digits, &point)) return 1722;
  const std::string overflow(m.length + 1, '#');

  if (m.text) {  // TM: the default text form
    *out = std::string(decimalText);
    return 0;
  }
  if (m.roman) {
    Round(&digits, &point, 0);
    long n = 0;
    for (int k = 0; k < point; ++k) {
      n = n * 10 + (static_cast<size_t>(k) < digits.size() ? digits[static_cast<size_t>(k)] - '0' : 0);
    }
    if (negative || n < 1 || n > 3999) {
      *out = std::string(16, '#');
      return 0;
    }
    const std::string r = Roman(n, m.romanLower);
    *out = m.fm ? r : std::string(15 - r.size(), ' ') + r;
    return 0;
  }
  if (m.hex) {
    Round(&digits, &point, 0);
    unsigned long long n = 0;
    for (int k = 0; k < point && k < 20; ++k) {
      n = n * 10 + (static_cast<size_t>(k) < digits.size() ? digits[static_cast<size_t>(k)] - '0' : 0);
    }
    char text[32];
    snprintf(text, sizeof text, m.hexLower ? "%llx" : "%llX", n);
    std::string h = text;
    const size_t width = m.integer.size() + static_cast<size_t>(m.hex);
    if (negative || h.size() > width || point > 20) {
      *out = overflow;
      return 0;
    }
    if (h.size() < width) {
      h.insert(0, width - h.size(), m.integer.empty() ? ' ' : '0');
    }
    *out = m.fm ? std::string(text) : " " + h;
    return 0;
  }
  point += m.shift;
  const int decimals = static_cast<int>(m.fraction.size());
  std::string mantissaSign;
  int exponent10 = 0;
  if (m.scientific) {
    // One digit before the point.
    if (!digits.empty()) {
      exponent10 = point - 1;
      point = 1;
    }
    Round(&digits, &point, decimals);
    if (point == 2) {  // 9.99 rounded up to 10.0
      ++exponent10;
      point = 1;
    }
  } else {
    Round(&digits, &point, decimals);
  }
  const bool zero = digits.empty();
  if (zero) negative = false;
  // The integer digits, right-aligned against the model's positions.
  std::string whole = point > 0 ? digits.substr(0, std::min<size_t>(digits.size(), static_cast<size_t>(point))) : "";
  if (point > 0 && static_cast<size_t>(point) > digits.size()) {
    whole.append(static_cast<size_t>(point) - digits.size(), '0');
  }
  std::string frac;
  for (int k = 0; k < decimals; ++k) {
    const int index = point + k;
    frac += index >= 0 && static_cast<size_t>(index) < digits.size() ? digits[static_cast<size_t>(index)] : '0';
  }
  // FM drops the zeros that 9s would write at the end of the decimals
  // (the decimal character stays: 12 in FM999.99 is '12.').
  if (m.fm) {
    while (!frac.empty() && frac.back() == '0' && m.fraction[frac.size() - 1] == '9') {
      frac.pop_back();
    }
  }
  const size_t positions = static_cast<size_t>(std::count_if(m.integer.begin(), m.integer.end(),
                                                             [](char c) { return c != ','; }));
  if (whole.size() > positions) {
    *out = overflow;
    return 0;
  }
  // Lay the integer part out, right to left; a 0 in the model forces
  // digits (and groups) from there on.
  const size_t firstZero = m.integer.find('0');
  std::string laid;
  size_t taken = 0;
  bool anyDigit = false;
  for (size_t k = m.integer.size(); k-- > 0;) {
    const char p = m.integer[k];
    const bool forced = firstZero != std::string::npos && k >= firstZero;
    if (p == ',') {
      const bool more = taken < whole.size() || (firstZero != std::string::npos && k > firstZero);
      laid.insert(laid.begin(), more ? symbols.group : ' ');
      continue;
    }
    if (taken < whole.size()) {
      laid.insert(laid.begin(), whole[whole.size() - 1 - taken]);
      ++taken;
      anyDigit = true;
    } else if (forced) {
      laid.insert(laid.begin(), '0');
      anyDigit = true;
    } else {
      laid.insert(laid.begin(), ' ');
    }
  }
  // A value below one with no digit forced shows one zero when the model
  // has no decimals to show.
  if (!anyDigit && decimals == 0 && !laid.empty()) laid.back() = '0';
  std::string body = laid;
  if (m.hasDecimal) body += symbols.decimal;
  body += frac;
  if (m.scientific) {
    char e[16];
    snprintf(e, sizeof e, "E%c%02d", exponent10 < 0 ? '-' : '+', exponent10 < 0 ? -exponent10 : exponent10);
    body += e;
  }
  // Strip the layout's blanks, then put sign and currency next to the
  // digits, and pad on the left.
  size_t lead = body.find_first_not_of(' ');
  std::string core = lead == std::string::npos ? "" : body.substr(lead);
  const size_t padding = body.size() - core.size();
  std::string symbol = m.dollar ? "$" : "";
  if (!m.currency.empty() && !m.currencyLast) symbol = m.currency + symbol;
  core = symbol + core;
  if (!m.currency.empty() && m.currencyLast) core += m.currency;
  std::string text;
  switch (m.sign) {
    case Model::kDefault:
      text = (negative ? "-" : (m.fm ? "" : " ")) + core;
      break;
    case Model::kLeadingS: text = (negative ? "-" : "+") + core; break;
    case Model::kTrailingS: text = core + (negative ? "-" : "+"); break;
    case Model::kMI: text = core + (negative ? "-" : (m.fm ? "" : " ")); break;
    case Model::kPR:
      text = negative ? "<" + core + ">" : (m.fm ? core : " " + core + " ");
      break;
  }
  if (!m.fm) text.insert(0, padding, ' ');
  // B: a zero is all blanks, as wide as it would have been.
  if (m.blankZero && zero) text.assign(m.fm ? 0 : text.size(), ' ');
  *out = text;
  return 0;
}

int ReadNumber(std::string_view text, std::string_view modelText,
               const NumberSymbols &symbols, std::string *decimalText) {
  Model m;
  if (!ParseModel(modelText, symbols, &m)) return 1481;
  std::string t(text);
  while (!t.empty() && t.front() == ' ') t.erase(0, 1);
  while (!t.empty() && t.back() == ' ') t.pop_back();
  if (m.hex) {
    if (t.empty() || t.size() > m.integer.size() + static_cast<size_t>(m.hex)) return 1722;
    unsigned long long n = 0;
    for (char c : t) {
      if (!isxdigit(static_cast<unsigned char>(c))) return 1722;
      n = n * 16 + static_cast<unsigned>(isdigit(static_cast<unsigned char>(c)) ? c - '0' : toupper(c) - 'A' + 10);
    }
    *decimalText = std::to_string(n);
    return 0;
  }
  bool negative = false;
  if (m.sign == Model::kPR && t.size() >= 2 && t.front() == '<' && t.back() == '>') {
    negative = true;
    t = t.substr(1, t.size() - 2);
  } else if ((m.sign == Model::kMI || m.sign == Model::kTrailingS) && !t.empty() &&
             (t.back() == '-' || t.back() == '+')) {
    negative = t.back() == '-';
    t.pop_back();
  } else if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
    negative = t.front() == '-';
    t.erase(0, 1);
  }
  std::string plain;
  int integerDigits = 0;
  int fractionDigits = 0;
  bool seenDecimal = false;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (isdigit(static_cast<unsigned char>(c))) {
      plain += c;
      (seenDecimal ? fractionDigits : integerDigits)++;
    } else if (c == symbols.decimal && !seenDecimal) {
      plain += '.';
      seenDecimal = true;
    } else if (c == symbols.group && !seenDecimal &&
               m.integer.find(',') != std::string::npos) {
      continue;
    } else if (c == '$' && m.dollar) {
      continue;
    } else if (!m.currency.empty() && t.compare(i, m.currency.size(), m.currency) == 0) {
      i += m.currency.size() - 1;
    } else if ((c == 'E' || c == 'e') && m.scientific) {
      plain.append(t.substr(i));
      break;
    } else {
      return 1722;
    }
  }
  const int positions = static_cast<int>(std::count_if(m.integer.begin(), m.integer.end(),
                                                       [](char c) { return c != ','; }));
  if (plain.empty() || plain == "." || integerDigits > positions ||
      fractionDigits > static_cast<int>(m.fraction.size())) {
    return 1722;
  }
  *decimalText = (negative ? "-" : "") + plain;
  return 0;
}

}  // namespace kestrel_engine
