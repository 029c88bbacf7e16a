/*
** Bound values from the caller's memory into SQLite parameters.
**
** Rules followed (the vendor's, or this engine's where it leaves a choice):
**   - a negative indicator, or no value buffer at all, binds NULL;
**   - text of length zero binds NULL, as the vendor has no empty strings;
**   - type 1 is `size` bytes, or the element's actual length when a length
**     array is given; type 5 stops at its first NUL, or at `size`;
**   - text is copied into SQLite at each execution, so the caller may
**     change or free its buffer once the execution returns;
**   - numbers (types 2 and 6) bind as 64-bit integers when whole and in
**     range, else as doubles, which is how the engine stores NUMBER;
**   - a NaN is refused with 1426: SQLite would store it as NULL;
**   - dates (types 12 and 156) bind as the stored DATE text, so a DATE or
**     TIMESTAMP column compares and sorts them with the values it holds;
**     a field out of range is refused with the vendor's number for it
**     (1841 year, 1843 month, 1847 day, 1850..1852 the time);
**   - bytes (types 23 and 24) bind as a BLOB, read like type 1 text; zero
**     bytes bind NULL, as the vendor has no empty RAW.
*/
#include "statement/BindValue.h"

#include <math.h>
#include <string.h>

#include <cstdint>
#include <cstring>

#include "number/OraNumber.h"
#include "types/DateTime.h"

namespace kestrel_engine {

namespace {

constexpr size_t kNumberBytes = sizeof(OCINumber) - 1;  // without the length
constexpr ub2 kLongBinary = 24;  // SQLT_LBI: bytes, read as type 23
constexpr sb4 kDateBytes = 7;    // type 12: century, year, month, day, h, m, s

template <class T>
T Read(const unsigned char *bytes) {
  T v;
  memcpy(&v, bytes, sizeof v);
  return v;
}

// How many bytes of a type 2 value are the number: the exponent byte, then
// digits while they are digits of the number's sign (a negative number's
// trailing 102 included). The rest of a larger buffer is ignored.
size_t NumberLength(const unsigned char *bytes, size_t size) {
  if (size == 0) return 0;
  const size_t limit = size < kNumberBytes ? size : kNumberBytes;
  const bool positive = (bytes[0] & 0x80) != 0;
  if (positive && bytes[0] == 0x80) return 1;  // zero
  size_t n = 1;
  while (n < limit) {
    const unsigned char b = bytes[n];
    if (positive ? (b < 1 || b > 100) : (b < 2 || b > 102)) break;
    ++n;
    if (!positive && b == 102) break;
  }
  return n;
}

int BindNumber(sqlite3_stmt *statement, int index, const OCINumber &number) {
  int64_t whole = 0;
  if (NumberToInt64(&number, &whole)) {
    sqlite3_bind_int64(statement, index, whole);
    return 0;
  }
  double d = 0.0;
  if (const int rc = NumberToDouble(&number, &d)) return rc;
  sqlite3_bind_double(statement, index, d);
  return 0;
}

int BindText(sqlite3_stmt *statement, int index, const unsigned char *bytes,
             size_t length, bool during) {
  if (length == 0) {
    sqlite3_bind_null(statement, index);
    return 0;
  }
  // Read only while the call runs: SQLite may use the caller's bytes.
  if (during) {
    sqlite3_bind_text64(statement, index, reinterpret_cast<const char *>(bytes), length,
                        SQLITE_STATIC, SQLITE_UTF8);
    return 0;
  }
  // Text without a NUL goes in as a terminated copy of ours: SQLite marks
  // only such a value terminated, and the size rules then read it without
  // copying it again for every row.
  if (length < 0x7fffffff && std::memchr(bytes, 0, length) == nullptr) {
    char *copy = static_cast<char *>(sqlite3_malloc64(length + 1));
    if (copy != nullptr) {
      std::memcpy(copy, bytes, length);
      copy[length] = '\0';
      sqlite3_bind_text(statement, index, copy, -1, sqlite3_free);
      return 0;
    }
  }
  sqlite3_bind_text64(statement, index, reinterpret_cast<const char *>(bytes),
                      length, SQLITE_TRANSIENT, SQLITE_UTF8);
  return 0;
}

// A date into its stored text; 0, or the number of the field out of range.
int BindDate(sqlite3_stmt *statement, int index, const DateTime &date) {
  if (date.year < kMinYear || date.year > kMaxYear || date.year == 0) return 1841;
  if (date.month < 1 || date.month > 12) return 1843;
  if (date.day < 1 || date.day > DaysInMonth(date.year, date.month)) return 1847;
  if (date.hour < 0 || date.hour > 23) return 1850;
  if (date.minute < 0 || date.minute > 59) return 1851;
  if (date.second < 0 || date.second > 59) return 1852;
  if (!IsValid(date)) return 1841;
  const std::string text = StoreDate(date);
  sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT,
                      SQLITE_UTF8);
  return 0;
}

// The 7-byte form: century and year in excess-100 (below 100 before
// Christ), the time in excess-1.
DateTime FromSevenBytes(const unsigned char *b) {
  DateTime d;
  const int century = b[0] - 100;
  const int year = b[1] - 100;
  d.year = century * 100 + year;
  d.month = b[2];
  d.day = b[3];
  d.hour = b[4] - 1;
  d.minute = b[5] - 1;
  d.second = b[6] - 1;
  return d;
}

DateTime FromOciDate(const unsigned char *bytes) {
  OCIDate o;
  memcpy(&o, bytes, sizeof o);
  DateTime d;
  d.year = o.OCIDateYYYY;
  d.month = o.OCIDateMM;
  d.day = o.OCIDateDD;
  d.hour = o.OCIDateTime.OCITimeHH;
  d.minute = o.OCIDateTime.OCITimeMI;
  d.second = o.OCIDateTime.OCITimeSS;
  return d;
}

}  // namespace

int CheckBindSource(const BindSource &source) {
  if (source.size < 0) return 21560;
  switch (source.type) {
    case SQLT_CHR:
    case SQLT_STR:
    case SQLT_NUM:
    case SQLT_VNU:
      return 0;
    case SQLT_INT:
      return source.size == 1 || source.size == 2 || source.size == 4 ||
                     source.size == 8
                 ? 0
                 : 932;
    case SQLT_FLT:
      return source.size == 4 || source.size == 8 ? 0 : 932;
    case SQLT_DAT:
      return source.size >= kDateBytes ? 0 : 932;
    case SQLT_ODT:
      return source.size >= static_cast<sb4>(sizeof(OCIDate)) ? 0 : 932;
    case SQLT_BIN:
    case kLongBinary:
      return 0;
    default:
      return 932;
  }
}

int BindValue(sqlite3_stmt *statement, int index, const BindSource &source,
              ub4 row, bool during) {
  if ((source.indicator && source.indicator[row] < 0) || !source.value) {
    sqlite3_bind_null(statement, index);
    return 0;
  }
  const size_t size = static_cast<size_t>(source.size);
  const unsigned char *bytes =
      static_cast<const unsigned char *>(source.value) + size * row;
  switch (source.type) {
    case SQLT_CHR: {
      size_t length = size;
      if (source.length && source.length[row] < length) length = source.length[row];
      return BindText(statement, index, bytes, length, during);
    }
    case SQLT_STR: {
      const void *nul = memchr(bytes, '\0', size);
      const size_t length =
          nul ? static_cast<size_t>(static_cast<const unsigned char *>(nul) - bytes)
              : size;
      return BindText(statement, index, bytes, length, during);
    }
    case SQLT_INT: {
      int64_t v = 0;
      switch (size) {
        case 1: v = Read<int8_t>(bytes); break;
        case 2: v = Read<int16_t>(bytes); break;
        case 4: v = Read<int32_t>(bytes); break;
        default: v = Read<int64_t>(bytes); break;
      }
      sqlite3_bind_int64(statement, index, v);
      return 0;
    }
    case SQLT_FLT: {
      const double d = size == 4 ? static_cast<double>(Read<float>(bytes))
                                 : Read<double>(bytes);
      if (isnan(d)) return 1426;
      sqlite3_bind_double(statement, index, d);
      return 0;
    }
    case SQLT_VNU: {
      OCINumber number;
      if (size < 2 || bytes[0] < 1 || bytes[0] > kNumberBytes ||
          static_cast<size_t>(bytes[0]) + 1 > size) {
        return 1722;
      }
      memcpy(number.OCINumberPart, bytes, static_cast<size_t>(bytes[0]) + 1);
      return BindNumber(statement, index, number);
    }
    case SQLT_NUM: {
      const size_t length = NumberLength(bytes, size);
      if (length == 0) return 1722;
      OCINumber number;
      number.OCINumberPart[0] = static_cast<ub1>(length);
      memcpy(number.OCINumberPart + 1, bytes, length);
      return BindNumber(statement, index, number);
    }
    case SQLT_DAT:
      return BindDate(statement, index, FromSevenBytes(bytes));
    case SQLT_ODT:
      return BindDate(statement, index, FromOciDate(bytes));
    case SQLT_BIN:
    case kLongBinary: {
      size_t length = size;
      if (source.length && source.length[row] < length) length = source.length[row];
      if (length == 0) {
        sqlite3_bind_null(statement, index);
      } else {
        sqlite3_bind_blob64(statement, index, bytes, length, SQLITE_TRANSIENT);
      }
      return 0;
    }
    default:
      return 932;
  }
}

}  // namespace kestrel_engine
