/*
** Values held to their column's declared type on the way in. The SQL
** front end wraps every value an INSERT or UPDATE writes in one of these,
** so a column keeps Oracle's rules whatever the value's SQLite type:
**
**   kestrel_fit_text(v, max_bytes, label)   VARCHAR2, CHAR, CLOB (-1: no
**       limit): numbers become Oracle's text, '' is NULL, ORA-12899 when
**       longer than the column
**   kestrel_fit_char(v, max_bytes, label)   CHAR: the same, trailing blanks
**       dropped (the fetch pads them back)
**   kestrel_fit_raw(v, max_bytes, label)    RAW: text read as hexadecimal
**   kestrel_fit_number(v, precision, scale) NUMBER(p,s): text read as a
**       number (ORA-01722), rounded to s, ORA-01438 when too large;
**       -1, -1 for NUMBER, scale -127 for FLOAT(p): no rule
**   kestrel_fit_double(v)                   BINARY_DOUBLE
**   kestrel_fit_date(v)                     stored form, or text in the
**       session's NLS_DATE_FORMAT; the fraction of a timestamp is dropped
**   kestrel_fit_timestamp(v, digits)        stored form, or text in the
**       session's NLS_TIMESTAMP_FORMAT; fractions rounded to `digits`
**
** The label names the column as ORA-12899 prints it: "OWNER"."TABLE"."COL".
*/
#include <cmath>

#include "functions/FunctionFamilies.h"
#include "format/DateFormat.h"
#include "functions/ConversionFunctions.h"
#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

void TooLarge(sqlite3_context *context, sqlite3_value *label, size_t actual, int64_t maximum) {
  const char *name = reinterpret_cast<const char *>(sqlite3_value_text(label));
  const std::string message = "ORA-12899: value too large for column " +
                              std::string(name ? name : "") + " (actual: " +
                              std::to_string(actual) + ", maximum: " + std::to_string(maximum) + ")";
  sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
}

void FitText(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0]) ||
      (sqlite3_value_type(argv[0]) == SQLITE_BLOB && sqlite3_value_bytes(argv[0]) == 0)) {
    return;
  }
  const int64_t maximum = sqlite3_value_int64(argv[1]);
  // Text that fits is the value as it came: passing it on spares a copy.
  if (sqlite3_value_type(argv[0]) == SQLITE_TEXT &&
      (maximum < 0 || sqlite3_value_bytes(argv[0]) <= maximum)) {
    return sqlite3_result_value(context, argv[0]);
  }
  std::string storage;
  const std::string_view text = ArgText(argv[0], &storage);
  if (maximum >= 0 && static_cast<int64_t>(text.size()) > maximum) {
    return TooLarge(context, argv[2], text.size(), maximum);
  }
  ResultText(context, text);
}

// CHAR(n): stored without its trailing blanks, which blank-padded
// comparison ignores and the fetch puts back.
void FitChar(sqlite3_context *context, int argc, sqlite3_value **argv) {
  std::string storage;
  if (!IsNullArg(argv[0]) && sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
    std::string_view text = ArgText(argv[0], &storage);
    const int64_t maximum = sqlite3_value_int64(argv[1]);
    if (maximum >= 0 && static_cast<int64_t>(text.size()) > maximum) {
      return TooLarge(context, argv[2], text.size(), maximum);
    }
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    // All blanks: Oracle keeps the padded value, which is not NULL.
    if (text.empty()) return sqlite3_result_text(context, " ", 1, SQLITE_STATIC);
    return ResultText(context, text);
  }
  FitText(context, argc, argv);
}

void FitRaw(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  std::string bytes;
  if (!RawBytes(context, argv[0], &bytes)) return;
  const int64_t maximum = sqlite3_value_int64(argv[1]);
  if (maximum >= 0 && static_cast<int64_t>(bytes.size()) > maximum) {
    return TooLarge(context, argv[2], bytes.size(), maximum);
  }
  ResultRaw(context, bytes);
}

// Oracle's rule for NUMBER(p,s): after rounding to s decimals the value
// must be below 10^(p-s) in magnitude (this covers s > p and s < 0).
// 10^n for n in 0..22, each exact as a double.
double PowerOfTen(int64_t n) {
  static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  return kPowers[n];
}

// A value that rounding leaves as it is: an integer for a scale of 0 or
// more, or a double that is the nearest one to a decimal of at most
// `scale` places (d * 10^s is whole and gives d back). True when the value
// can be stored unchanged; the magnitude rule is then checked here too.
bool Unchanged(sqlite3_value *value, int64_t precision, int64_t scale, bool *tooLarge) {
  if (scale < 0 || scale > 22 || precision - scale < 0 || precision - scale > 22) return false;
  const double limit = PowerOfTen(precision - scale);
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: {
      const double magnitude = std::fabs(static_cast<double>(sqlite3_value_int64(value)));
      if (magnitude >= 9007199254740992.0) return false;  // beyond 2^53: read exactly
      *tooLarge = magnitude >= limit;
      return true;
    }
    case SQLITE_FLOAT: {
      // d * 10^s may miss the whole number by a rounding (0.29 * 100 is
      // 28.999999999999996); the nearest whole r still proves d unchanged
      // when r / 10^s gives d back, as that quotient is the double nearest
      // to the decimal r / 10^s, which is what rounding would store.
      const double d = sqlite3_value_double(value);
      const double scaled = std::nearbyint(d * PowerOfTen(scale));
      if (!(std::fabs(scaled) < 9007199254740992.0) || scaled / PowerOfTen(scale) != d) {
        return false;
      }
      *tooLarge = std::fabs(d) >= limit;
      return true;
    }
    default:
      return false;
  }
}

void FitNumber(sqlite3_context *context, int, sqlite3_value **argv) {
  const int64_t precision = sqlite3_value_int64(argv[1]);
  const int64_t scale = sqlite3_value_int64(argv[2]);
  const int type = sqlite3_value_type(argv[0]);
  if ((precision < 0 || scale < -84) && (type == SQLITE_INTEGER || type == SQLITE_FLOAT)) {
    return sqlite3_result_value(context, argv[0]);  // NUMBER, FLOAT: a number stays as it is
  }
  bool tooLarge = false;
  if (precision > 0 && Unchanged(argv[0], precision, scale, &tooLarge)) {
    if (tooLarge) return Raise(context, 1438);
    return sqlite3_result_value(context, argv[0]);
  }
  Decimal d;
  switch (ReadDecimal(context, argv[0], &d)) {
    case Num::kNull:
    case Num::kError:
      return;
    default:
      break;
  }
  // FLOAT(p) (scale -127) and NUMBER keep every digit they are given.
  const bool decimal = precision > 0 && scale >= -84 && scale <= 127;
  if (decimal) DecimalRound(&d, static_cast<int>(scale), false);
  if (decimal && !d.digits.empty()) {
    const int64_t room = precision - scale;
    const int64_t magnitude = static_cast<int64_t>(d.digits.size()) + d.exponent;
    if (magnitude > room) return Raise(context, 1438);
  }
  ResultDecimal(context, d);
}

void FitDouble(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num n = ReadNum(context, argv[0]);
  if (n.kind == Num::kInt || n.kind == Num::kReal) sqlite3_result_double(context, n.AsDouble());
}

void FitDate(sqlite3_context *context, int, sqlite3_value **argv) {
  DateTime date;
  bool isNull = false;
  if (ReadDateArg(context, argv[0], &date, &isNull)) ResultDate(context, date);
}

// Rounds the fraction to `digits` places, carrying into the seconds.
bool RoundFraction(DateTime *value, int digits) {
  int unit = 1;
  for (int i = digits; i < 9; ++i) unit *= 10;
  const int rounded = (value->nanosecond + unit / 2) / unit * unit;
  if (rounded < 1000000000) {
    value->nanosecond = rounded;
    return true;
  }
  value->nanosecond = 0;
  const double days = ToDays(*value) + 1.0 / 86400.0;
  return FromDays(days, false, value);
}

void FitTimestamp(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) return Raise(context, 932);
  std::string storage;
  const std::string_view text = ArgText(argv[0], &storage);
  DateTime value;
  if (!ParseStored(text, &value)) {
    if (const int code = ReadDate(text, Settings(context).timestampModel, LocalNow(), &value)) {
      return Raise(context, code);
    }
  }
  const int64_t digits = sqlite3_value_int64(argv[1]);
  if (!RoundFraction(&value, digits < 0 || digits > 9 ? 6 : static_cast<int>(digits)) ||
      !IsValid(value)) {
    return Raise(context, 1841);
  }
  ResultText(context, StoreTimestamp(value));
}

}  // namespace

int RegisterFitFunctions(sqlite3 *db, const SessionSettings *settings) {
  static const ScalarDef kFunctions[] = {
      {"kestrel_fit_text", 3, 3, true, FitText},
      {"kestrel_fit_char", 3, 3, true, FitChar},
      {"kestrel_fit_raw", 3, 3, true, FitRaw},
      {"kestrel_fit_number", 3, 3, true, FitNumber},
      {"kestrel_fit_double", 1, 1, true, FitDouble},
      {"kestrel_fit_date", 1, 1, false, FitDate},
      {"kestrel_fit_timestamp", 2, 2, false, FitTimestamp},
  };
  return RegisterScalars(db, kFunctions, sizeof kFunctions / sizeof kFunctions[0],
                         const_cast<SessionSettings *>(settings));
}

}  // namespace kestrel_engine
