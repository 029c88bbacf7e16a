/*
** CString over std::string. Positions and counts follow the framework's
** clamping rules; out-of-range GetAt/operator[] answer '\0' and
** out-of-range SetAt does nothing, so no index can reach outside the text.
** Running out of memory raises the framework's memory exception.
*/
#include "CString.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <new>
#include <stdexcept>

#include "AfxException.h"
#include "BstrInternal.h"
#include "TextCodec.h"

namespace {

// Runs f, turning the standard library's allocation failures into the
// framework's memory exception.
template <class F>
auto Guard(F &&f) -> decltype(f()) {
  try {
    return f();
  } catch (const std::bad_alloc &) {
    AfxThrowMemoryException();
  } catch (const std::length_error &) {
    AfxThrowMemoryException();
  }
}

size_t OleLength(const OLECHAR *wide) {
  size_t n = 0;
  while (wide[n] != 0) ++n;
  return n;
}

std::string FromWide(const OLECHAR *wide, size_t n) {
  return Guard([&] { return kestrel::NarrowUtf16(wide, n); });
}

const char *OrEmpty(const char *psz) { return psz == nullptr ? "" : psz; }

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

CString::CString() = default;
CString::CString(const CString &other) : m_str(Guard([&] { return other.m_str; })) {}
CString::CString(CString &&other) noexcept : m_str(std::move(other.m_str)) {}
CString::CString(const char *psz)
    : m_str(Guard([&] { return std::string(OrEmpty(psz)); })) {}
CString::CString(const char *pch, int nLength)
    : m_str(Guard([&] {
        return pch == nullptr || nLength <= 0
                   ? std::string()
                   : std::string(pch, static_cast<size_t>(nLength));
      })) {}
CString::CString(char ch, int nRepeat)
    : m_str(Guard([&] {
        return std::string(static_cast<size_t>(std::max(nRepeat, 0)), ch);
      })) {}
CString::CString(const OLECHAR *wide)
    : m_str(wide == nullptr ? std::string() : FromWide(wide, OleLength(wide))) {}
CString::CString(const OLECHAR *wide, int nLength)
    : m_str(wide == nullptr || nLength <= 0
                ? std::string()
                : FromWide(wide, static_cast<size_t>(nLength))) {}
CString::~CString() = default;

CString &CString::operator=(const CString &other) {
  if (this != &other) Guard([&] { m_str = other.m_str; });
  return *this;
}

CString &CString::operator=(CString &&other) noexcept {
  if (this != &other) m_str = std::move(other.m_str);
  return *this;
}

CString &CString::operator=(const char *psz) {
  // assign() copes with psz pointing into this text.
  Guard([&] { m_str.assign(OrEmpty(psz)); });
  return *this;
}

CString &CString::operator=(char ch) {
  Guard([&] { m_str.assign(1, ch); });
  return *this;
}

CString &CString::operator=(const OLECHAR *wide) {
  m_str = wide == nullptr ? std::string() : FromWide(wide, OleLength(wide));
  return *this;
}

int CString::GetLength() const { return static_cast<int>(m_str.size()); }
bool CString::IsEmpty() const { return m_str.empty(); }
void CString::Empty() { m_str.clear(); }

char CString::GetAt(int nIndex) const {
  if (nIndex < 0 || nIndex >= GetLength()) return '\0';
  return m_str[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch) {
  if (nIndex < 0 || nIndex >= GetLength()) return;
  m_str[static_cast<size_t>(nIndex)] = ch;
}

char CString::operator[](int nIndex) const { return GetAt(nIndex); }
CString::operator const char *() const { return m_str.c_str(); }
const char *CString::GetString() const { return m_str.c_str(); }

char *CString::GetBuffer(int nMinBufLength) {
  if (nMinBufLength > GetLength())
    Guard([&] { m_str.resize(static_cast<size_t>(nMinBufLength)); });
  return &m_str[0];
}

char *CString::GetBufferSetLength(int nNewLength) {
  Guard([&] { m_str.resize(static_cast<size_t>(std::max(nNewLength, 0))); });
  return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength) {
  size_t length;
  if (nNewLength < 0) {
    const void *nul = memchr(m_str.data(), 0, m_str.size());
    length = nul == nullptr ? m_str.size()
                            : static_cast<size_t>(static_cast<const char *>(nul) -
                                                  m_str.data());
  } else {
    length = std::min(static_cast<size_t>(nNewLength), m_str.size());
  }
  m_str.resize(length);
}

int CString::Find(char ch, int nStart) const {
  if (nStart < 0 || nStart >= GetLength()) return -1;
  const size_t at = m_str.find(ch, static_cast<size_t>(nStart));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char *pszSub, int nStart) const {
  if (pszSub == nullptr || nStart < 0 || nStart > GetLength()) return -1;
  const size_t at = m_str.find(pszSub, static_cast<size_t>(nStart));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const {
  const size_t at = m_str.rfind(ch);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Replace(const char *pszOld, const char *pszNew) {
  if (pszOld == nullptr || *pszOld == '\0') return 0;
  const std::string from(pszOld);
  const std::string to(OrEmpty(pszNew));
  int count = 0;
  std::string result = Guard([&] {
    std::string out;
    size_t pos = 0;
    for (size_t at; (at = m_str.find(from, pos)) != std::string::npos;
         pos = at + from.size()) {
      out.append(m_str, pos, at - pos).append(to);
      ++count;
    }
    return out.append(m_str, pos, std::string::npos);
  });
  if (count > 0) m_str.swap(result);
  return count;
}

int CString::Replace(char chOld, char chNew) {
  int count = 0;
  for (char &c : m_str) {
    if (c == chOld) {
      c = chNew;
      ++count;
    }
  }
  return count;
}

int CString::Delete(int nIndex, int nCount) {
  const int64_t length = GetLength();
  const int64_t first = std::max(nIndex, 0);
  int64_t count = std::max(nCount, 0);
  if (first + count > length) count = length - first;
  if (count > 0)
    m_str.erase(static_cast<size_t>(first), static_cast<size_t>(count));
  return GetLength();
}

int CString::Insert(int nIndex, const char *psz) {
  const size_t at =
      static_cast<size_t>(std::min(std::max(nIndex, 0), GetLength()));
  Guard([&] { m_str.insert(at, OrEmpty(psz)); });
  return GetLength();
}

int CString::Insert(int nIndex, char ch) {
  const size_t at =
      static_cast<size_t>(std::min(std::max(nIndex, 0), GetLength()));
  Guard([&] { m_str.insert(at, 1, ch); });
  return GetLength();
}

int CString::Remove(char ch) {
  const size_t before = m_str.size();
  m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
  return static_cast<int>(before - m_str.size());
}

CString CString::Mid(int nFirst) const {
  return Mid(nFirst, std::max(GetLength() - std::max(nFirst, 0), 0));
}

CString CString::Mid(int nFirst, int nCount) const {
  const int64_t length = GetLength();
  const int64_t first = std::max(nFirst, 0);
  int64_t count = std::max(nCount, 0);
  if (first + count > length) count = length - first;
  if (first > length || count <= 0) return CString();
  return CString(m_str.data() + first, static_cast<int>(count));
}

CString CString::Left(int nCount) const {
  return CString(m_str.data(), std::min(std::max(nCount, 0), GetLength()));
}

CString CString::Right(int nCount) const {
  const int count = std::min(std::max(nCount, 0), GetLength());
  return CString(m_str.data() + (GetLength() - count), count);
}

CString &CString::MakeUpper() {
  for (char &c : m_str) c = AsciiUpper(c);
  return *this;
}

CString &CString::MakeLower() {
  for (char &c : m_str) c = AsciiLower(c);
  return *this;
}

CString &CString::Trim() { return TrimRight().TrimLeft(); }

CString &CString::TrimLeft() {
  size_t n = 0;
  while (n < m_str.size() && IsBlank(m_str[n])) ++n;
  m_str.erase(0, n);
  return *this;
}

CString &CString::TrimRight() {
  size_t n = m_str.size();
  while (n > 0 && IsBlank(m_str[n - 1])) --n;
  m_str.resize(n);
  return *this;
}

int CString::Compare(const char *psz) const {
  return Sign(m_str.compare(OrEmpty(psz)));
}

int CString::CompareNoCase(const char *psz) const {
  const char *other = OrEmpty(psz);
  const size_t otherLength = strlen(other);
  const size_t n = std::min(m_str.size(), otherLength);
  for (size_t i = 0; i < n; ++i) {
    const unsigned char a = static_cast<unsigned char>(AsciiLower(m_str[i]));
    const unsigned char b = static_cast<unsigned char>(AsciiLower(other[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return Sign(static_cast<int>(m_str.size() > otherLength) -
              static_cast<int>(m_str.size() < otherLength));
}

void CString::Format(const char *pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  try {
    FormatV(pszFormat, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
}

void CString::AppendFormat(const char *pszFormat, ...) {
  CString tail;
  va_list args;
  va_start(args, pszFormat);
  try {
    tail.FormatV(pszFormat, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
  *this += tail;
}

void CString::FormatV(const char *pszFormat, va_list args) {
  // Most texts fit a small stack buffer: one pass through the formatter.
  char small[256];
  va_list first;
  va_copy(first, args);
  const int length = vsnprintf(small, sizeof small, OrEmpty(pszFormat), first);
  va_end(first);
  if (length < 0) {  // a conversion the C library refuses: empty text
    m_str.clear();
    return;
  }
  if (static_cast<size_t>(length) < sizeof small) {
    Guard([&] { m_str.assign(small, static_cast<size_t>(length)); });
    return;
  }
  std::string text =
      Guard([&] { return std::string(static_cast<size_t>(length), '\0'); });
  vsnprintf(&text[0], text.size() + 1, OrEmpty(pszFormat), args);
  m_str.swap(text);
}

void CString::Append(const char *pch, int nLength) {
  if (pch == nullptr || nLength <= 0) return;
  Guard([&] { m_str.append(pch, static_cast<size_t>(nLength)); });
}

CString &CString::operator+=(const CString &other) {
  Guard([&] { m_str.append(other.m_str); });  // append copes with self
  return *this;
}

CString &CString::operator+=(const char *psz) {
  Guard([&] { m_str.append(OrEmpty(psz)); });
  return *this;
}

CString &CString::operator+=(char ch) {
  Guard([&] { m_str.push_back(ch); });
  return *this;
}

BSTR CString::AllocSysString() const {
  BSTR bstr = Guard([&] { return kestrel::BstrFromText(kestrel::WidenUtf8(m_str)); });
  if (bstr == nullptr) AfxThrowMemoryException();
  return bstr;
}

CString operator+(const CString &a, const CString &b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const CString &a, const char *b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const char *a, const CString &b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(const CString &a, char b) {
  CString r(a);
  r += b;
  return r;
}

CString operator+(char a, const CString &b) {
  CString r(a);
  r += b;
  return r;
}

namespace {

// Counted comparison, so text holding NULs compares by all its bytes.
int Order(const CString &a, const CString &b) {
  const size_t la = static_cast<size_t>(a.GetLength());
  const size_t lb = static_cast<size_t>(b.GetLength());
  const int c = memcmp(a.GetString(), b.GetString(), std::min(la, lb));
  if (c != 0) return c;
  return (la > lb) - (la < lb);
}

}  // namespace

bool operator==(const CString &a, const CString &b) { return Order(a, b) == 0; }
bool operator==(const CString &a, const char *b) { return a.Compare(b) == 0; }
bool operator==(const char *a, const CString &b) { return b.Compare(a) == 0; }
bool operator!=(const CString &a, const CString &b) { return !(a == b); }
bool operator!=(const CString &a, const char *b) { return !(a == b); }
bool operator!=(const char *a, const CString &b) { return !(a == b); }
bool operator<(const CString &a, const CString &b) { return Order(a, b) < 0; }
bool operator>(const CString &a, const CString &b) { return Order(a, b) > 0; }
bool operator<=(const CString &a, const CString &b) { return Order(a, b) <= 0; }
bool operator>=(const CString &a, const CString &b) { return Order(a, b) >= 0; }
