/*
** COleCurrency: OLE's currency, a 64-bit integer counting 1/10000 units,
** with a validity status.
*/
#ifndef KESTREL_COLECURRENCY_H
#define KESTREL_COLECURRENCY_H

#include "CString.h"
#include "KestrelExport.h"
#include "oaidl.h"
#include "windef.h"

class KESTREL_API COleCurrency {
 public:
  enum CurrencyStatus { valid = 0, invalid = 1, null = 2 };

  COleCurrency();  // 0, valid
  COleCurrency(CY cySrc);
  // nUnits whole units plus nFractionalUnits 1/10000 parts, each with its
  // own sign: (1, 5000) is 1.5 and (-1, 5000) is -0.5.
  COleCurrency(LONG nUnits, LONG nFractionalUnits);

  COleCurrency &operator=(CY cySrc);

  CurrencyStatus GetStatus() const;
  void SetStatus(CurrencyStatus status);
  void SetCurrency(LONG nUnits, LONG nFractionalUnits);

  // The amount as OLE's currency-to-text gives it under a default user
  // locale: an optional '-', the integer digits, then '.' and the
  // decimals without trailing zeros when there are any (1234.5, 12,
  // -0.0001). No grouping. Status null gives "", invalid "Invalid
  // currency".
  CString Format(DWORD dwFlags = 0, LCID lcid = LANG_USER_DEFAULT) const;

  // Reads text as OLE's text-to-currency conversion does (the number
  // grammar of NumberText.h: "$1,234.50", "(1.5)", "1e3", ...), decimals
  // beyond four rounded half to even. Text that does not parse, or an
  // amount out of range, gives 0 with status invalid and FALSE.
  bool ParseCurrency(LPCTSTR lpszCurrency, DWORD dwFlags = 0,
                     LCID lcid = LANG_USER_DEFAULT);

  bool operator==(const COleCurrency &cur) const;
  bool operator!=(const COleCurrency &cur) const;
  bool operator<(const COleCurrency &cur) const;
  bool operator>(const COleCurrency &cur) const;
  bool operator<=(const COleCurrency &cur) const;
  bool operator>=(const COleCurrency &cur) const;

  CY m_cur;
  CurrencyStatus m_status;
};

#endif
