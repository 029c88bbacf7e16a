// Runs conversion cases read from stdin and prints one answer a line, so
// that scripts/ole-differential can compare the layer with oleaut32. The
// same source builds twice: with mingw-w64 against oleaut32 (run under
// Wine) and natively against the layer. Not a test; CI never runs it.
//
// A case is a tab-separated line:
//   ID  chg  SRC-VT  DST-VT  FLAGS  VALUE   VariantChangeTypeEx, en-US
//   ID  date FLAGS  TEXT                     text to date (ParseDateTime)
//   ID  cy   TEXT                            text to currency (ParseCurrency)
// VALUE is a number for numeric kinds (inf, nan allowed) and escaped text
// (\\, \t, \n, \r, \uXXXX) for VT_BSTR, which may hold \u0000.
// The answer is "ID<TAB>RESULT" with RESULT "ERR:hhhhhhhh" or "VT:value".
#ifdef _WIN32
#define __USE_MINGW_ANSI_STDIO 1
#include <windows.h>
#include <oleauto.h>
#else
#include "COleCurrency.h"
#include "COleDateTime.h"
#include "oleauto.h"
#endif

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

typedef std::basic_string<OLECHAR> Text;
const LCID kEnglishUs = 0x0409;

std::vector<std::string> Split(const std::string &line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

Text Unescape(const std::string &s) {
  Text out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out.push_back(static_cast<OLECHAR>(static_cast<unsigned char>(s[i])));
      continue;
    }
    const char c = s[++i];
    if (c == 't') out.push_back('\t');
    else if (c == 'n') out.push_back('\n');
    else if (c == 'r') out.push_back('\r');
    else if (c == 'u' && i + 4 < s.size()) {
      out.push_back(static_cast<OLECHAR>(
          strtoul(s.substr(i + 1, 4).c_str(), nullptr, 16)));
      i += 4;
    } else out.push_back(static_cast<OLECHAR>(c));
  }
  return out;
}

std::string Escape(const OLECHAR *p, size_t n) {
  std::string out;
  char buf[8];
  for (size_t i = 0; i < n; ++i) {
    const unsigned c = p[i];
    if (c == '\\') out += "\\\\";
    else if (c >= 0x20 && c < 0x7F) out.push_back(static_cast<char>(c));
    else {
      snprintf(buf, sizeof buf, "\\u%04X", c);
      out += buf;
    }
  }
  return out;
}

#ifndef _WIN32
// The layer's parsers take UTF-8, NUL-terminated as the framework's do.
std::string Utf8(const Text &t) {
  std::string out;
  for (OLECHAR c : t) {
    if (c == 0) break;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}
#endif

std::string DecimalText(const DECIMAL &d) {
  __extension__ typedef unsigned __int128 u128;
  u128 m = (static_cast<u128>(d.Hi32) << 64) | d.Lo64;
  std::string digits;
  for (; m != 0; m /= 10) digits.insert(digits.begin(), char('0' + int(m % 10)));
  if (digits.empty()) return "0";
  const size_t scale = d.scale;
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  std::string text = digits.substr(0, digits.size() - scale);
  std::string fraction = digits.substr(digits.size() - scale);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) text += "." + fraction;
  return (d.sign ? "-" : "") + text;
}

std::string Describe(const VARIANT &v) {
  char t[128];
  switch (v.vt) {
    case VT_EMPTY: return "EMPTY";
    case VT_NULL: return "NULL";
    case VT_I1: snprintf(t, sizeof t, "I1:%d", v.cVal); break;
    case VT_UI1: snprintf(t, sizeof t, "UI1:%u", v.bVal); break;
    case VT_I2: snprintf(t, sizeof t, "I2:%d", v.iVal); break;
    case VT_UI2: snprintf(t, sizeof t, "UI2:%u", v.uiVal); break;
    case VT_I4: snprintf(t, sizeof t, "I4:%ld", (long)v.lVal); break;
    case VT_UI4: snprintf(t, sizeof t, "UI4:%lu", (unsigned long)v.ulVal); break;
    case VT_INT: snprintf(t, sizeof t, "INT:%d", v.intVal); break;
    case VT_UINT: snprintf(t, sizeof t, "UINT:%u", v.uintVal); break;
    case VT_I8: snprintf(t, sizeof t, "I8:%lld", (long long)v.llVal); break;
    case VT_R4: snprintf(t, sizeof t, "R4:%.9g", v.fltVal); break;
    case VT_R8: snprintf(t, sizeof t, "R8:%.17g", v.dblVal); break;
    case VT_DATE: snprintf(t, sizeof t, "DATE:%.17g", v.date); break;
    case VT_CY: snprintf(t, sizeof t, "CY:%lld", (long long)v.cyVal.int64); break;
    case VT_BOOL: snprintf(t, sizeof t, "BOOL:%d", v.boolVal); break;
    case VT_DECIMAL: return "DEC:" + DecimalText(v.decVal);
    case VT_BSTR: return "BSTR:" + Escape(v.bstrVal, SysStringLen(v.bstrVal));
    default: snprintf(t, sizeof t, "VT%u", v.vt); break;
  }
  return t;
}

std::string Error(HRESULT hr) {
  char t[32];
  snprintf(t, sizeof t, "ERR:%08lX", static_cast<unsigned long>(static_cast<uint32_t>(hr)));
  return t;
}

double Number(const std::string &s) {
  if (s == "inf") return HUGE_VAL;
  if (s == "-inf") return -HUGE_VAL;
  if (s == "nan") return NAN;
  return strtod(s.c_str(), nullptr);
}

std::string Change(const std::vector<std::string> &f) {
  const VARTYPE src = static_cast<VARTYPE>(atoi(f[2].c_str()));
  const VARTYPE dst = static_cast<VARTYPE>(atoi(f[3].c_str()));
  const USHORT flags = static_cast<USHORT>(atoi(f[4].c_str()));
  const std::string &value = f[5];
  VARIANT in, out;
  VariantInit(&in);
  VariantInit(&out);
  in.vt = src;
  switch (src) {
    case VT_BOOL: in.boolVal = static_cast<VARIANT_BOOL>(atoi(value.c_str())); break;
    case VT_I4: in.lVal = atol(value.c_str()); break;
    case VT_I8: in.llVal = strtoll(value.c_str(), nullptr, 10); break;
    case VT_CY: in.cyVal.int64 = strtoll(value.c_str(), nullptr, 10); break;
    case VT_R4: in.fltVal = static_cast<float>(Number(value)); break;
    case VT_R8: in.dblVal = Number(value); break;
    case VT_DATE: in.date = Number(value); break;
    case VT_BSTR: {
      const Text t = Unescape(value);
      in.bstrVal = SysAllocStringLen(t.data(), static_cast<UINT>(t.size()));
      break;
    }
    default: return "BADCASE";
  }
  const HRESULT hr = VariantChangeTypeEx(&out, &in, kEnglishUs, flags, dst);
  const std::string answer = FAILED(hr) ? Error(hr) : Describe(out);
  VariantClear(&in);
  VariantClear(&out);
  return answer;
}

std::string DateFromText(const std::vector<std::string> &f) {
  const unsigned long flags = strtoul(f[2].c_str(), nullptr, 10);
  const Text t = Unescape(f[3]);
  char buf[64];
#ifdef _WIN32
  DATE d = 0;
  const HRESULT hr = VarDateFromStr(const_cast<OLECHAR *>(t.c_str()), kEnglishUs, flags, &d);
  if (FAILED(hr)) return "ERR";
#else
  COleDateTime dt;
  if (!dt.ParseDateTime(Utf8(t).c_str(), flags, kEnglishUs)) return "ERR";
  const DATE d = dt.m_dt;
#endif
  snprintf(buf, sizeof buf, "DATE:%.17g", d);
  return buf;
}

std::string CurrencyFromText(const std::vector<std::string> &f) {
  const Text t = Unescape(f[2]);
  char buf[64];
#ifdef _WIN32
  CY cy;
  const HRESULT hr = VarCyFromStr(const_cast<OLECHAR *>(t.c_str()), kEnglishUs, 0, &cy);
  if (FAILED(hr)) return "ERR";
#else
  COleCurrency c;
  if (!c.ParseCurrency(Utf8(t).c_str(), 0, kEnglishUs)) return "ERR";
  const CY cy = c.m_cur;
#endif
  snprintf(buf, sizeof buf, "CY:%lld", static_cast<long long>(cy.int64));
  return buf;
}

}  // namespace

int main() {
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = Split(line);
    std::string answer = "BADCASE";
    if (f.size() >= 6 && f[1] == "chg") answer = Change(f);
    else if (f.size() >= 4 && f[1] == "date") answer = DateFromText(f);
    else if (f.size() >= 3 && f[1] == "cy") answer = CurrencyFromText(f);
    printf("%s\t%s\n", f[0].c_str(), answer.c_str());
  }
  return 0;
}
