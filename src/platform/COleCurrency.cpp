/*
** COleCurrency: construction, the text form and its parser.
*/
#include "COleCurrency.h"

#include <stdint.h>

#include "AfxException.h"
#include "oleauto.h"

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

bool COleCurrency::ParseCurrency(LPCTSTR lpszCurrency, DWORD dwFlags,
                                 LCID lcid) {
  m_cur.int64 = 0;
  m_status = invalid;
  if (lpszCurrency == nullptr) return false;
  // Exactly OLE's text-to-currency conversion, so both read the same text.
  VARIANT text, amount;
  VariantInit(&text);
  VariantInit(&amount);
  text.vt = VT_BSTR;
  text.bstrVal = CString(lpszCurrency).AllocSysString();
  if (text.bstrVal == nullptr) AfxThrowMemoryException();
  const HRESULT hr = VariantChangeTypeEx(&amount, &text, lcid,
                                         static_cast<USHORT>(dwFlags), VT_CY);
  VariantClear(&text);
  if (hr == E_OUTOFMEMORY) AfxThrowMemoryException();
  if (FAILED(hr)) return false;
  m_cur = amount.cyVal;
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
