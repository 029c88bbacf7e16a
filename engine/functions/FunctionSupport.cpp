/*
** Argument reading, exact decimals, results and registration shared by the
** function families.
*/
#include "functions/FunctionSupport.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "errors/OraError.h"
#include "functions/ConversionFunctions.h"
#include "number/OraNumber.h"

namespace kestrel_engine {

void Raise(sqlite3_context *context, int code, std::string_view detail) {
  const OraError error = OraError::Make(code, detail);
  sqlite3_result_error(context, error.message.c_str(), -1);
}

bool IsNullArg(sqlite3_value *value) {
  const int type = sqlite3_value_type(value);
  if (type == SQLITE_NULL) return true;
  // An empty BLOB (EMPTY_BLOB()) is a value; empty RAW never reaches a
  // function, since everything that makes RAW answers NULL for empty.
  return type == SQLITE_TEXT && sqlite3_value_bytes(value) == 0;
}

std::string_view ArgText(sqlite3_value *value, std::string *storage) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
      *storage = std::to_string(sqlite3_value_int64(value));
      return *storage;
    case SQLITE_FLOAT:
      *storage = DoubleToText(sqlite3_value_double(value));
      return *storage;
    case SQLITE_BLOB: {
      static const char kHex[] = "0123456789ABCDEF";
      const auto *bytes = static_cast<const unsigned char *>(sqlite3_value_blob(value));
      const int n = sqlite3_value_bytes(value);
      storage->clear();
      for (int i = 0; i < n; ++i) {
        storage->push_back(kHex[bytes[i] >> 4]);
        storage->push_back(kHex[bytes[i] & 15]);
      }
      return *storage;
    }
    case SQLITE_TEXT: {
      const char *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
      return std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value)));
    }
    default:
      return {};
  }
}

Num ReadNum(sqlite3_context *context, sqlite3_value *value) {
  Num n;
  if (IsNullArg(value)) return n;
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
      n.kind = Num::kInt;
      n.i = sqlite3_value_int64(value);
      return n;
    case SQLITE_FLOAT:
      n.kind = Num::kReal;
      n.d = sqlite3_value_double(value);
      return n;
    case SQLITE_TEXT: {
      std::string storage;
      const std::string_view text = ArgText(value, &storage);
      OCINumber number;
      if (NumberFromText(text.data(), text.size(), &number) != 0) break;
      if (NumberToInt64(&number, &n.i)) {
        n.kind = Num::kInt;
      } else {
        n.kind = Num::kReal;
        NumberToDouble(&number, &n.d);
      }
      return n;
    }
    default:
      n.kind = Num::kError;
      Raise(context, 932);
      return n;
  }
  n.kind = Num::kError;
  Raise(context, 1722);
  return n;
}

bool ReadInt(sqlite3_context *context, sqlite3_value *value, int64_t *out, bool *isNull) {
  const Num n = ReadNum(context, value);
  *isNull = n.kind == Num::kNull;
  if (n.kind == Num::kInt) {
    *out = n.i;
  } else if (n.kind == Num::kReal) {
    const double t = std::trunc(n.d);
    if (!(t > -9.2e18 && t < 9.2e18)) {
      *out = t < 0 ? INT64_MIN / 2 : INT64_MAX / 2;  // beyond any position or count
    } else {
      *out = static_cast<int64_t>(t);
    }
  } else {
    return false;
  }
  return true;
}

namespace {

void Normalize(Decimal *d) {
  size_t lead = 0;
  while (lead < d->digits.size() && d->digits[lead] == '0') ++lead;
  d->digits.erase(0, lead);
  while (!d->digits.empty() && d->digits.back() == '0') {
    d->digits.pop_back();
    ++d->exponent;
  }
  if (d->digits.empty()) {
    d->negative = false;
    d->exponent = 0;
  }
}

// Compares magnitudes of digit strings of the same exponent and length.
int CompareAligned(const std::string &a, const std::string &b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string AddDigits(const std::string &a, const std::string &b) {
  std::string out;
  int carry = 0;
  size_t i = a.size(), j = b.size();
  while (i > 0 || j > 0 || carry) {
    int s = carry;
    if (i > 0) s += a[--i] - '0';
    if (j > 0) s += b[--j] - '0';
    out.push_back(static_cast<char>('0' + s % 10));
    carry = s / 10;
  }
  return std::string(out.rbegin(), out.rend());
}

// a - b with a >= b.
std::string SubtractDigits(const std::string &a, const std::string &b) {
  std::string out;
  int borrow = 0;
  size_t i = a.size(), j = b.size();
  while (i > 0) {
    int s = (a[--i] - '0') - borrow - (j > 0 ? b[--j] - '0' : 0);
    borrow = s < 0;
    if (s < 0) s += 10;
    out.push_back(static_cast<char>('0' + s));
  }
  return std::string(out.rbegin(), out.rend());
}

}  // namespace

bool ParseDecimal(std::string_view text, Decimal *out) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  size_t end = text.size();
  while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  Decimal d;
  if (i < end && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
  bool any = false, point = false;
  int fraction = 0;
  for (; i < end; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      d.digits.push_back(c);
      any = true;
      if (point) ++fraction;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!any) return false;
  long exponent = 0;
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == end) return false;
    for (; i < end; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  if (i != end || exponent > 1000 || exponent < -1000) return false;
  d.exponent = static_cast<int>(exponent) - fraction;
  Normalize(&d);
  *out = d;
  return true;
}

Decimal DecimalFromInt(int64_t value) {
  Decimal d;
  d.negative = value < 0;
  const uint64_t magnitude =
      value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  d.digits = std::to_string(magnitude);
  Normalize(&d);
  return d;
}

bool DecimalFromDouble(double value, Decimal *out) {
  if (!std::isfinite(value)) return false;
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ParseDecimal(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)), out);
}

Num::Kind ReadDecimal(sqlite3_context *context, sqlite3_value *value, Decimal *out) {
  if (IsNullArg(value)) return Num::kNull;
  const int type = sqlite3_value_type(value);
  if (type == SQLITE_TEXT) {
    std::string storage;
    if (ParseDecimal(ArgText(value, &storage), out)) return Num::kReal;
    Raise(context, 1722);
    return Num::kError;
  }
  const Num n = ReadNum(context, value);
  if (n.kind == Num::kInt) *out = DecimalFromInt(n.i);
  if (n.kind == Num::kReal && !DecimalFromDouble(n.d, out)) {
    Raise(context, 1426);
    return Num::kError;
  }
  return n.kind;
}

void DecimalRound(Decimal *value, int scale, bool truncate) {
  const long drop = -static_cast<long>(scale) - value->exponent;
  if (drop <= 0) return;
  const size_t n = value->digits.size();
  if (static_cast<size_t>(drop) > n) {
    *value = Decimal();
    return;
  }
  const bool up = !truncate && value->digits[n - static_cast<size_t>(drop)] >= '5';
  value->digits.resize(n - static_cast<size_t>(drop));
  value->exponent += static_cast<int>(drop);
  if (up) value->digits = AddDigits(value->digits.empty() ? "0" : value->digits, "1");
  const bool negative = value->negative;
  Normalize(value);
  if (!value->digits.empty()) value->negative = negative;
}

Decimal DecimalAdd(const Decimal &a, const Decimal &b) {
  if (a.digits.empty()) return b;
  if (b.digits.empty()) return a;
  const int exponent = std::min(a.exponent, b.exponent);
  std::string x = a.digits + std::string(static_cast<size_t>(a.exponent - exponent), '0');
  std::string y = b.digits + std::string(static_cast<size_t>(b.exponent - exponent), '0');
  Decimal r;
  r.exponent = exponent;
  if (a.negative == b.negative) {
    r.digits = AddDigits(x, y);
    r.negative = a.negative;
  } else if (CompareAligned(x, y) >= 0) {
    r.digits = SubtractDigits(x, y);
    r.negative = a.negative;
  } else {
    r.digits = SubtractDigits(y, x);
    r.negative = b.negative;
  }
  Normalize(&r);
  return r;
}

Decimal DecimalHalf(const Decimal &value) {
  Decimal half = value;
  if (half.digits.empty()) return half;
  std::string out;
  int carry = 0;
  for (size_t i = half.digits.size(); i-- > 0;) {
    const int v = (half.digits[i] - '0') * 5 + carry;
    out.push_back(static_cast<char>('0' + v % 10));
    carry = v / 10;
  }
  if (carry) out.push_back(static_cast<char>('0' + carry));
  half.digits.assign(out.rbegin(), out.rend());
  half.exponent -= 1;
  Normalize(&half);
  half.negative = value.negative;
  return half;
}

std::string DecimalText(const Decimal &value) {
  if (value.digits.empty()) return "0";
  std::string out = value.negative ? "-" : "";
  if (value.exponent >= 0) {
    out += value.digits;
    out.append(static_cast<size_t>(value.exponent), '0');
    return out;
  }
  const size_t fraction = static_cast<size_t>(-value.exponent);
  if (fraction >= value.digits.size()) {
    out += "0.";
    out.append(fraction - value.digits.size(), '0');
    out += value.digits;
  } else {
    out += value.digits.substr(0, value.digits.size() - fraction);
    out += '.';
    out += value.digits.substr(value.digits.size() - fraction);
  }
  return out;
}

int DecimalScale(const Decimal &value) { return value.exponent < 0 ? -value.exponent : 0; }

bool DecimalScaled(const Decimal &value, int scale, int64_t *out) {
  const int shift = value.exponent + scale;
  if (shift < 0 || value.digits.size() + static_cast<size_t>(shift) > 18) {
    return value.digits.empty() ? (*out = 0, true) : false;
  }
  int64_t n = 0;
  for (char c : value.digits) n = n * 10 + (c - '0');
  for (int i = 0; i < shift; ++i) n *= 10;
  *out = value.negative ? -n : n;
  return true;
}

void ResultDouble(sqlite3_context *context, double value) {
  if (std::isnan(value) || std::isinf(value)) {
    Raise(context, 1426);
    return;
  }
  if (value == std::trunc(value) && value >= -9.2e18 && value <= 9.2e18) {
    sqlite3_result_int64(context, static_cast<int64_t>(value));
    return;
  }
  sqlite3_result_double(context, value);
}

void ResultDecimal(sqlite3_context *context, const Decimal &value) {
  const std::string text = DecimalText(value);
  OCINumber number;
  if (const int code = NumberFromText(text.data(), text.size(), &number)) {
    Raise(context, code);
    return;
  }
  int64_t whole = 0;
  if (NumberToInt64(&number, &whole)) {
    sqlite3_result_int64(context, whole);
    return;
  }
  double real = 0;
  NumberToDouble(&number, &real);
  sqlite3_result_double(context, real);
}

void ResultText(sqlite3_context *context, std::string_view text) {
  if (text.empty()) {
    sqlite3_result_null(context);
    return;
  }
  sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

const SessionSettings &Settings(sqlite3_context *context) {
  return *static_cast<const SessionSettings *>(sqlite3_user_data(context));
}

bool ReadDateArg(sqlite3_context *context, sqlite3_value *value, DateTime *out,
                 bool *isNull) {
  *isNull = IsNullArg(value);
  if (*isNull) return false;
  if (sqlite3_value_type(value) != SQLITE_TEXT) {
    Raise(context, 932);
    return false;
  }
  std::string storage;
  const std::string_view text = ArgText(value, &storage);
  if (ParseStored(text, out)) return true;
  if (const int code = ReadDate(text, Settings(context).dateModel, LocalNow(), out)) {
    Raise(context, code);
    return false;
  }
  return true;
}

void ResultDate(sqlite3_context *context, const DateTime &value) {
  if (!IsValid(value)) {
    Raise(context, 1841);
    return;
  }
  DateTime date = value;
  date.nanosecond = 0;
  ResultText(context, StoreDate(date));
}

namespace {

// Bytes of the character at `i`: 1 for ASCII and for a byte that starts
// no valid sequence.
size_t CharBytes(std::string_view text, size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) return 1;
  size_t n = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
  if (i + n > text.size()) return 1;
  for (size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

}  // namespace

std::vector<size_t> CharStarts(std::string_view text) {
  std::vector<size_t> starts;
  starts.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); i += CharBytes(text, i)) starts.push_back(i);
  starts.push_back(text.size());
  return starts;
}

size_t CharAdvance(std::string_view text, size_t from, int64_t count) {
  size_t i = from;
  for (int64_t k = 0; k < count && i < text.size(); ++k) i += CharBytes(text, i);
  return i;
}

void AppendUtf8(std::string *out, uint32_t c) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

int RegisterScalars(sqlite3 *db, const ScalarDef *defs, size_t count, void *data) {
  for (size_t k = 0; k < count; ++k) {
    const ScalarDef &f = defs[k];
    const int flags =
        SQLITE_UTF8 | SQLITE_INNOCUOUS | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    const int first = f.maxArgs < 0 ? -1 : f.minArgs;
    const int last = f.maxArgs < 0 ? -1 : f.maxArgs;
    for (int n = first; n <= last; ++n) {
      const int rc =
          sqlite3_create_function_v2(db, f.name, n, flags, data, f.call, nullptr, nullptr, nullptr);
      if (rc != SQLITE_OK) return rc;
    }
  }
  return SQLITE_OK;
}

static int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes of a RAW argument; false with ORA-01465 raised for text that
// is not hexadecimal. An odd digit count reads as if led by a zero.
bool RawBytes(sqlite3_context *context, sqlite3_value *value, std::string *out) {
  if (sqlite3_value_type(value) == SQLITE_BLOB) {
    const char *bytes = static_cast<const char *>(sqlite3_value_blob(value));
    out->assign(bytes, static_cast<size_t>(sqlite3_value_bytes(value)));
    return true;
  }
  std::string storage;
  const std::string_view hex = ArgText(value, &storage);
  out->clear();
  size_t i = 0;
  int high = hex.size() % 2 == 1 ? 0 : -1;
  for (; i < hex.size(); ++i) {
    const int d = HexDigit(hex[i]);
    if (d < 0) {
      Raise(context, 1465);
      return false;
    }
    if (high < 0) {
      high = d;
    } else {
      out->push_back(static_cast<char>(high * 16 + d));
      high = -1;
    }
  }
  return true;
}

void ResultRaw(sqlite3_context *context, const std::string &bytes) {
  if (bytes.empty()) return;
  sqlite3_result_blob(context, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

}  // namespace kestrel_engine
