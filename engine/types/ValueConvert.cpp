/*
** One SQLite value into a define buffer, by the vendor's rules for each
** external type. Nothing here allocates: numbers are built on the stack and
** text is copied (or hex-encoded) straight into the caller's buffer.
**
** Rules this engine follows where the vendor leaves a choice open:
**   - a zero-length text or BLOB is NULL, as the vendor has no empty
**     strings;
**   - a BLOB fetched as text is its bytes as upper-case hex digits, the
**     vendor's text form of RAW; fetched as a number it is ORA-00932;
**   - returnLength is the count of bytes stored, without the terminator of
**     external type 5; for a NULL it is 0 and returnCode 1405, the
**     vendor's column code for a NULL;
**   - a NULL with no indicator to report it fails with ORA-01405;
**   - a number buffer too small for the number's bytes fails with
**     ORA-01460 (nothing is stored);
**   - a double too large for a 4-byte float fails with ORA-01426.
*/
#include "types/ValueConvert.h"

#include <math.h>
#include <string.h>

#include <charconv>
#include <limits>
#include <string>

#include "format/DateFormat.h"
#include "number/OraNumber.h"
#include "types/DateTime.h"

namespace kestrel_engine {

namespace {

constexpr size_t kExpressionSize = 4000;
constexpr size_t kIndicatorMax = 32767;
constexpr size_t kReturnLengthMax = 65535;

void Report(const OutputTarget &target, sb2 indicator, size_t length, ub2 code) {
  if (target.indicator) *target.indicator = indicator;
  if (target.returnLength)
    *target.returnLength =
        static_cast<ub2>(length < kReturnLengthMax ? length : kReturnLengthMax);
  if (target.returnCode) *target.returnCode = code;
}

int Fail(const OutputTarget &target, int error) {
  if (target.returnCode) *target.returnCode = static_cast<ub2>(error);
  return error;
}

int StoreNull(const OutputTarget &target) {
  if (!target.indicator) return Fail(target, 1405);
  Report(target, -1, 0, 1405);
  return kStored;
}

bool IsTooLongForExpression(size_t length, const ColumnTraits &traits) {
  return traits.dataType == SQLT_CHR && traits.dataSize == kExpressionSize &&
         length > kExpressionSize;
}

// Stores a text form of `length` characters into a text target. `emit`
// writes the form's first n characters at a destination; CHAR columns are
// blank-padded to their described size after them.
template <class Emit>
__attribute__((always_inline)) inline int StoreChars(size_t length, Emit emit, const ColumnTraits &traits,
               const OutputTarget &target) {
  size_t full = length;
  if (traits.dataType == SQLT_AFC && full < traits.dataSize) full = traits.dataSize;
  const bool terminated = target.type == SQLT_STR;
  size_t room = target.value && target.size > 0 ? static_cast<size_t>(target.size) : 0;
  if (terminated && room > 0) --room;  // the terminator's byte
  const size_t stored = full < room ? full : room;
  const size_t from_value = stored < length ? stored : length;
  char *dest = static_cast<char *>(target.value);
  if (from_value > 0) emit(dest, from_value);
  if (stored > from_value) memset(dest + from_value, ' ', stored - from_value);
  if (terminated && target.value && target.size > 0) dest[stored] = '\0';
  if (stored < full) {
    Report(target, static_cast<sb2>(full < kIndicatorMax ? full : kIndicatorMax),
           stored, kTruncated);
    return kTruncated;
  }
  Report(target, 0, stored, 0);
  return kStored;
}

int StoreText(sqlite3_value *value, int kind, const ColumnTraits &traits,
              const OutputTarget &target) {
  char buffer[kNumberTextMax];
  const auto copy_from = [](const char *source) {
    return [source](char *dest, size_t n) { memcpy(dest, source, n); };
  };
  switch (kind) {
    case SQLITE_INTEGER: {
      const auto r = std::to_chars(buffer, buffer + sizeof buffer,
                                   sqlite3_value_int64(value));
      return StoreChars(static_cast<size_t>(r.ptr - buffer), copy_from(buffer),
                        traits, target);
    }
    case SQLITE_FLOAT: {
      const size_t length = DoubleToChars(sqlite3_value_double(value), buffer);
      return StoreChars(length, copy_from(buffer), traits, target);
    }
    case SQLITE_BLOB: {
      const auto *bytes = static_cast<const unsigned char *>(sqlite3_value_blob(value));
      const size_t count = static_cast<size_t>(sqlite3_value_bytes(value));
      const auto hex = [bytes](char *dest, size_t n) {
        static const char kDigits[] = "0123456789ABCDEF";
        for (size_t i = 0; i < n; ++i) {
          const unsigned byte = bytes[i / 2];
          dest[i] = kDigits[i % 2 == 0 ? byte >> 4 : byte & 0x0F];
        }
      };
      return StoreChars(2 * count, hex, traits, target);
    }
    default: {
      const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
      const size_t length = static_cast<size_t>(sqlite3_value_bytes(value));
      if (!text) return StoreNull(target);
      return StoreChars(length, copy_from(text), traits, target);
    }
  }
}

// The value as a NUMBER, for the number, integer and float targets.
int ToNumber(sqlite3_value *value, int kind, OCINumber *number) {
  switch (kind) {
    case SQLITE_INTEGER:
      return NumberFromInt64(sqlite3_value_int64(value), number);
    case SQLITE_FLOAT:
      return NumberFromDouble(sqlite3_value_double(value), number);
    case SQLITE_TEXT: {
      const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
      if (!text) return 1722;
      return NumberFromText(text, static_cast<size_t>(sqlite3_value_bytes(value)),
                            number);
    }
    default:
      return 932;  // a BLOB is not a number
  }
}

// Copies the n <= 22 bytes of a number with fixed-size moves, where a
// memcpy of a variable length would be a library call per value.
void CopyNumberBytes(void *to, const void *from, size_t n) {
  unsigned char *d = static_cast<unsigned char *>(to);
  const unsigned char *s = static_cast<const unsigned char *>(from);
  if (n >= 8) {
    const size_t half = n >= 16 ? 16 : 8;
    const size_t tail = n - half;  // the two copies may overlap
    if (half == 16) {
      memcpy(d, s, 16);
      memcpy(d + tail, s + tail, 16);
    } else {
      memcpy(d, s, 8);
      memcpy(d + tail, s + tail, 8);
    }
  } else if (n >= 4) {
    memcpy(d, s, 4);
    memcpy(d + n - 4, s + n - 4, 4);
  } else {
    for (size_t i = 0; i < n; ++i) d[i] = s[i];
  }
}

// Stores a number already built into a number target.
int PutNumber(const OCINumber &number, const OutputTarget &target) {
  // VARNUM keeps the length byte; NUMBER is the bytes after it.
  const bool varnum = target.type == SQLT_VNU;
  const size_t need = number.OCINumberPart[0] + (varnum ? 1u : 0u);
  if (!target.value || target.size < 0 || static_cast<size_t>(target.size) < need)
    return Fail(target, 1460);
  CopyNumberBytes(target.value, number.OCINumberPart + (varnum ? 0 : 1), need);
  Report(target, 0, need, 0);
  return kStored;
}

int StoreNumber(sqlite3_value *value, int kind, const OutputTarget &target) {
  OCINumber number;
  if (const int rc = ToNumber(value, kind, &number)) return Fail(target, rc);
  return PutNumber(number, target);
}

template <class T>
bool FitsIn(int64_t v) {
  return v >= static_cast<int64_t>(std::numeric_limits<T>::min()) &&
         v <= static_cast<int64_t>(std::numeric_limits<T>::max());
}

template <class T>
void Put(const OutputTarget &target, T v) {
  memcpy(target.value, &v, sizeof v);
}

int StoreInteger(sqlite3_value *value, int kind, const OutputTarget &target) {
  const sb4 width = target.size;
  if (!target.value || (width != 1 && width != 2 && width != 4 && width != 8))
    return Fail(target, 932);
  int64_t v = 0;
  if (kind == SQLITE_INTEGER) {
    v = sqlite3_value_int64(value);
  } else if (kind == SQLITE_FLOAT) {
    // A NUMBER with a fraction rounds half away from zero into an integer.
    const double r = round(sqlite3_value_double(value));
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
      return Fail(target, 1455);
    v = static_cast<int64_t>(r);
  } else {
    OCINumber number;
    if (const int rc = ToNumber(value, kind, &number)) return Fail(target, rc);
    NumberRound(&number, 0);
    if (!NumberToInt64(&number, &v)) return Fail(target, 1455);
  }
  switch (width) {
    case 1:
      if (!FitsIn<int8_t>(v)) return Fail(target, 1455);
      Put(target, static_cast<int8_t>(v));
      break;
    case 2:
      if (!FitsIn<int16_t>(v)) return Fail(target, 1455);
      Put(target, static_cast<int16_t>(v));
      break;
    case 4:
      if (!FitsIn<int32_t>(v)) return Fail(target, 1455);
      Put(target, static_cast<int32_t>(v));
      break;
    default:
      Put(target, v);
      break;
  }
  Report(target, 0, static_cast<size_t>(width), 0);
  return kStored;
}

int StoreFloat(sqlite3_value *value, int kind, const OutputTarget &target) {
  const sb4 width = target.size;
  if (!target.value || (width != 4 && width != 8)) return Fail(target, 932);
  double d = 0.0;
  if (kind == SQLITE_INTEGER) {
    d = static_cast<double>(sqlite3_value_int64(value));
  } else if (kind == SQLITE_FLOAT) {
    d = sqlite3_value_double(value);
  } else {
    OCINumber number;
    if (const int rc = ToNumber(value, kind, &number)) return Fail(target, rc);
    if (const int rc = NumberToDouble(&number, &d)) return Fail(target, rc);
  }
  if (width == 4) {
    const float f = static_cast<float>(d);
    if (isinf(f) && !isinf(d)) return Fail(target, 1426);
    Put(target, f);
  } else {
    Put(target, d);
  }
  Report(target, 0, static_cast<size_t>(width), 0);
  return kStored;
}


// A stored date or timestamp into the 7-byte DATE (century and year in
// excess-100, time in excess-1) or an OCIDate; 932 for a value that is no
// date.
int StoreDate(sqlite3_value *value, int kind, const OutputTarget &target) {
  DateTime date;
  const char *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
  if (kind != SQLITE_TEXT || text == nullptr ||
      !ParseStored(std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value))),
                   &date)) {
    return Fail(target, 932);
  }
  if (target.type == SQLT_DAT) {
    if (!target.value || target.size < 7) return Fail(target, 932);
    const int year = date.year;
    const int magnitude = year < 0 ? -year : year;
    ub1 *b = static_cast<ub1 *>(target.value);
    b[0] = static_cast<ub1>(year < 0 ? 100 - magnitude / 100 : 100 + magnitude / 100);
    b[1] = static_cast<ub1>(year < 0 ? 100 - magnitude % 100 : 100 + magnitude % 100);
    b[2] = static_cast<ub1>(date.month);
    b[3] = static_cast<ub1>(date.day);
    b[4] = static_cast<ub1>(date.hour + 1);
    b[5] = static_cast<ub1>(date.minute + 1);
    b[6] = static_cast<ub1>(date.second + 1);
    Report(target, 0, 7, 0);
    return kStored;
  }
  if (!target.value || target.size < static_cast<sb4>(sizeof(OCIDate))) return Fail(target, 932);
  OCIDate d;
  d.OCIDateYYYY = static_cast<sb2>(date.year);
  d.OCIDateMM = static_cast<ub1>(date.month);
  d.OCIDateDD = static_cast<ub1>(date.day);
  d.OCIDateTime.OCITimeHH = static_cast<ub1>(date.hour);
  d.OCIDateTime.OCITimeMI = static_cast<ub1>(date.minute);
  d.OCIDateTime.OCITimeSS = static_cast<ub1>(date.second);
  memcpy(target.value, &d, sizeof d);
  Report(target, 0, sizeof d, 0);
  return kStored;
}

// A DATE or TIMESTAMP column's value as text in the session's format;
// false for a value that is not in the stored form (left as it is).
bool DateAsText(sqlite3_value *value, const ColumnTraits &traits, std::string *out) {
  DateTime date;
  const char *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
  if (text == nullptr ||
      !ParseStored(std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value))),
                   &date)) {
    return false;
  }
  *out = FormatDate(*traits.dateModel, date);
  return true;
}

// Any value into any target.
int StoreGeneral(sqlite3_value *value, const ColumnTraits &traits,
                 const OutputTarget &target) {
  const int kind = sqlite3_value_type(value);
  if (kind == SQLITE_NULL) return StoreNull(target);
  if (kind == SQLITE_TEXT || kind == SQLITE_BLOB) {
    // Ask for the text first when it is text, so the length is the text's.
    if (kind == SQLITE_TEXT) sqlite3_value_text(value);
    const size_t length = static_cast<size_t>(sqlite3_value_bytes(value));
    if (length == 0) return StoreNull(target);
    if (kind == SQLITE_TEXT && IsTooLongForExpression(length, traits))
      return Fail(target, 1489);
  }
  switch (target.type) {
    case SQLT_CHR:
    case SQLT_STR: {
      std::string date;
      if (traits.dateModel != nullptr && kind == SQLITE_TEXT &&
          DateAsText(value, traits, &date)) {
        return StoreChars(
            date.size(), [&date](char *dest, size_t n) { memcpy(dest, date.data(), n); },
            traits, target);
      }
      return StoreText(value, kind, traits, target);
    }
    case SQLT_DAT:
    case SQLT_ODT:
      return StoreDate(value, kind, target);
    case SQLT_NUM:
    case SQLT_VNU:
      return StoreNumber(value, kind, target);
    case SQLT_INT:
      return StoreInteger(value, kind, target);
    case SQLT_FLT:
      return StoreFloat(value, kind, target);
    default:
      return Fail(target, 932);
  }
}

// The fetch's common cases, one small function per target kind so that
// each reads its value once and saves little; anything else goes to
// StoreGeneral, which gives the same result for these cases too.

__attribute__((always_inline)) inline int StoreIntoNumber(sqlite3_value *value, const ColumnTraits &traits,
                    const OutputTarget &target) {
  const int kind = sqlite3_value_type(value);
  if (kind != SQLITE_INTEGER && kind != SQLITE_FLOAT)
    return StoreGeneral(value, traits, target);
  if (target.type == SQLT_VNU && target.value && target.size >= OCI_NUMBER_SIZE) {
    // Every number fits: its bytes go straight into the buffer.
    ub1 *bytes = static_cast<ub1 *>(target.value);
    const int rc = kind == SQLITE_INTEGER
                       ? NumberFromInt64Bytes(sqlite3_value_int64(value), bytes)
                       : NumberFromDoubleBytes(sqlite3_value_double(value), bytes);
    if (rc) return Fail(target, rc);
    Report(target, 0, bytes[0] + 1u, 0);
    return kStored;
  }
  OCINumber number;
  if (kind == SQLITE_INTEGER) {
    NumberFromInt64(sqlite3_value_int64(value), &number);
  } else if (const int rc = NumberFromDouble(sqlite3_value_double(value), &number)) {
    return Fail(target, rc);
  }
  return PutNumber(number, target);
}

__attribute__((always_inline)) inline int StoreIntoDouble(sqlite3_value *value, const ColumnTraits &traits,
                    const OutputTarget &target) {
  const int kind = sqlite3_value_type(value);
  if ((kind != SQLITE_FLOAT && kind != SQLITE_INTEGER) || target.size != 8 || !target.value)
    return StoreGeneral(value, traits, target);
  // An integer as StoreFloat gives it: the nearest double.
  Put(target, kind == SQLITE_FLOAT ? sqlite3_value_double(value)
                                   : static_cast<double>(sqlite3_value_int64(value)));
  Report(target, 0, 8, 0);
  return kStored;
}

__attribute__((always_inline)) inline int StoreIntoText(sqlite3_value *value, const ColumnTraits &traits,
                  const OutputTarget &target) {
  if (sqlite3_value_type(value) != SQLITE_TEXT)
    return StoreGeneral(value, traits, target);
  const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
  const size_t length = static_cast<size_t>(sqlite3_value_bytes(value));
  if (length == 0) return StoreNull(target);
  if (IsTooLongForExpression(length, traits)) return Fail(target, 1489);
  if (!text) return StoreNull(target);
  return StoreChars(
      length, [text](char *dest, size_t n) { memcpy(dest, text, n); }, traits,
      target);
}

}  // namespace

StoreKind StoreKindFor(const OutputTarget &target) {
  switch (target.type) {
    case SQLT_VNU:
    case SQLT_NUM:
      return StoreKind::kNumber;
    case SQLT_FLT:
      return StoreKind::kDouble;
    case SQLT_STR:
    case SQLT_CHR:
      return StoreKind::kText;
    default:
      return StoreKind::kOther;
  }
}

int StoreColumns(sqlite3_stmt *statement, const ColumnSlot *slots, size_t count) {
  int result = kStored;
  for (size_t i = 0; i < count; ++i) {
    const ColumnSlot &slot = slots[i];
    sqlite3_value *value = sqlite3_column_value(statement, slot.column);
    const OutputTarget &target = *slot.target;
    int rc;
    switch (slot.kind) {
      case StoreKind::kNumber:
        rc = StoreIntoNumber(value, slot.traits, target);
        break;
      case StoreKind::kDouble:
        rc = StoreIntoDouble(value, slot.traits, target);
        break;
      case StoreKind::kText:
        rc = StoreIntoText(value, slot.traits, target);
        break;
      default:
        rc = StoreGeneral(value, slot.traits, target);
        break;
    }
    if (rc != kStored) {
      if (rc != kTruncated) return rc;
      result = kTruncated;
    }
  }
  return result;
}

namespace {

int StoreNumberValue(sqlite3_value *value, const ColumnTraits &traits,
                     const OutputTarget &target) {
  return StoreIntoNumber(value, traits, target);
}

int StoreDoubleValue(sqlite3_value *value, const ColumnTraits &traits,
                     const OutputTarget &target) {
  return StoreIntoDouble(value, traits, target);
}

int StoreTextValue(sqlite3_value *value, const ColumnTraits &traits,
                   const OutputTarget &target) {
  return StoreIntoText(value, traits, target);
}

}  // namespace

StoreFunction StoreFor(const OutputTarget &target) {
  switch (StoreKindFor(target)) {
    case StoreKind::kNumber:
      return StoreNumberValue;
    case StoreKind::kDouble:
      return StoreDoubleValue;
    case StoreKind::kText:
      return StoreTextValue;
    default:
      return StoreGeneral;
  }
}

int StoreValue(sqlite3_value *value, const ColumnTraits &traits,
               const OutputTarget &target) {
  // A date shown in the session's format needs the general store: the
  // fast text store copies the stored form.
  if (traits.dateModel != nullptr) return StoreGeneral(value, traits, target);
  return StoreFor(target)(value, traits, target);
}

}  // namespace kestrel_engine
