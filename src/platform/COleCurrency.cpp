/*
** COleCurrency: construction, the text form and its parser.
*/
#include "COleCurrency.h"

#include <ctype.h>
#include <stdint.h>

namespace {

const int64_t kScale = 10000;

}  // namespace

COleCurrency::COleCurrency() : m_status(valid) { m_cur.int64 = 0; }

COleCurrency::COleCurrency(CY cySrc) : m_cur(cySrc), m_status(valid) {}

COleCurrency::COleCurrency(LONG nUnits, LONG nFractionalUnits)
    : m_status(valid) {
  SetCurrency(nUnits, nFractionalUnits);
}

COleCurrency &COleCurrency::operator=(CY cySrc) {
  m_cur = cySrc;
  m_status = valid;
  return *this;
}

COleCurrency::CurrencyStatus COleCurrency::GetStatus() const {
  return m_status;
}

void COleCurrency::SetStatus(CurrencyStatus status) { m_status = status; }

void COleCurrency::SetCurrency(LONG nUnits, LONG nFractionalUnits) {
  // 32-bit parts cannot overflow the 64-bit amount.
  m_cur.int64 = static_cast<LONGLONG>(nUnits) * kScale + nFractionalUnits;
  m_status = valid;
}

CString COleCurrency::Format(DWORD, LCID) const {
  if (m_status == null) return CString();
  if (m_status != valid) return CString("Invalid currency");
  const int64_t value = m_cur.int64;
  // The magnitude as unsigned, so that the most negative amount has one.
  const uint64_t magnitude =
      value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  unsigned long long whole = magnitude / kScale;
  unsigned fraction = static_cast<unsigned>(magnitude % kScale);
  CString text;
  text.Format("%s%llu", value < 0 ? "-" : "", whole);
  if (fraction != 0) {
    int digits = 4;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --digits;
    }
    text.AppendFormat(".%0*u", digits, fraction);
  }
  return text;
}

bool COleCurrency::ParseCurrency(LPCTSTR lpszCurrency, DWORD, LCID) {
  m_cur.int64 = 0;
  m_status = invalid;
  if (lpszCurrency == nullptr) return false;
  const char *p = lpszCurrency;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';

  // The magnitude in 1/10000 units, as unsigned so that the most negative
  // amount fits; a bound one past the largest positive amount.
  const uint64_t limit = static_cast<uint64_t>(INT64_MAX) + (negative ? 1 : 0);
  uint64_t magnitude = 0;
  int digits = 0;
  for (; isdigit(static_cast<unsigned char>(*p)); ++p, ++digits) {
    const uint64_t d = static_cast<uint64_t>(*p - '0');
    if (magnitude > (UINT64_MAX - d) / 10) return false;
    magnitude = magnitude * 10 + d;
  }
  if (magnitude > limit / kScale) return false;
  magnitude *= kScale;

  if (*p == '.') {
    ++p;
    uint64_t fraction = 0;
    int places = 0;
    int roundDigit = -1;  // the fifth decimal
    bool sticky = false;  // anything non-zero after it
    for (; isdigit(static_cast<unsigned char>(*p)); ++p, ++digits) {
      const int d = *p - '0';
      if (places < 4)
        fraction = fraction * 10 + static_cast<uint64_t>(d);
      else if (places == 4)
        roundDigit = d;
      else if (d != 0)
        sticky = true;
      ++places;
    }
    for (int i = places; i < 4; ++i) fraction *= 10;
    // Half to even, as OLE's conversions round.
    if (roundDigit > 5 || (roundDigit == 5 && (sticky || (fraction & 1))))
      ++fraction;
    if (fraction > limit - magnitude) return false;
    magnitude += fraction;
  }
  while (*p == ' ' || *p == '\t') ++p;
  if (digits == 0 || *p != '\0') return false;
  m_cur.int64 = negative ? static_cast<int64_t>(0 - magnitude)
                         : static_cast<int64_t>(magnitude);
  m_status = valid;
  return true;
}

bool COleCurrency::operator==(const COleCurrency &cur) const {
  return m_status == cur.m_status && m_cur.int64 == cur.m_cur.int64;
}
bool COleCurrency::operator!=(const COleCurrency &cur) const {
  return !(*this == cur);
}
bool COleCurrency::operator<(const COleCurrency &cur) const {
  return m_cur.int64 < cur.m_cur.int64;
}
bool COleCurrency::operator>(const COleCurrency &cur) const {
  return m_cur.int64 > cur.m_cur.int64;
}
bool COleCurrency::operator<=(const COleCurrency &cur) const {
  return m_cur.int64 <= cur.m_cur.int64;
}
bool COleCurrency::operator>=(const COleCurrency &cur) const {
  return m_cur.int64 >= cur.m_cur.int64;
}
