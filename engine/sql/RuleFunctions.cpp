/*
** The column-rule functions. Numbers go through the vendor's decimal form
** (a double through its shortest round-trip decimal), so 1.005 rounds to
** 1.01 as the vendor rounds the literal, where binary rounding gives 1.0.
** The vendor's rule for NUMBER(p,s): after rounding to s decimals the
** magnitude must stay below 10^(p-s); that covers s > p (NUMBER(2,5) holds
** .00099 at most) and negative s alike.
*/
#include "sql/RuleFunctions.h"

#include <string>

#include "number/NumberForm.h"
#include "number/OraNumber.h"

namespace kestrel_engine {

namespace {

void RaiseVendor(sqlite3_context *context, const std::string &message) {
  sqlite3_result_error(context, message.c_str(),
                       static_cast<int>(message.size()));
}

// The value as a NUMBER; 0, or the vendor error number.
int ToNumber(sqlite3_value *value, OCINumber *out) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
      return NumberFromInt64(sqlite3_value_int64(value), out);
    case SQLITE_FLOAT:
      return NumberFromDouble(sqlite3_value_double(value), out);
    case SQLITE_TEXT: {
      const char *text =
          reinterpret_cast<const char *>(sqlite3_value_text(value));
      return NumberFromText(text, static_cast<size_t>(sqlite3_value_bytes(value)),
                            out);
    }
    default:
      return 932;
  }
}

// |number| < 10^(room), for a rounded number.
bool FitsDigits(const OCINumber &number, int room) {
  number_form::Groups g;
  if (!number_form::Unpack(&number, &g) || g.count == 0) return true;
  // The decimal exponent of the first significant digit.
  const int first = 2 * g.exponent + (g.digit[0] >= 10 ? 1 : 0);
  return first < room;
}

void SetNumber(sqlite3_context *context, const OCINumber &number) {
  int64_t whole = 0;
  if (NumberToInt64(&number, &whole)) {
    sqlite3_result_int64(context, whole);
    return;
  }
  double d = 0;
  NumberToDouble(&number, &d);
  sqlite3_result_double(context, d);
}

void CheckSize(sqlite3_context *context, int, sqlite3_value **args) {
  sqlite3_value *value = args[0];
  const int type = sqlite3_value_type(value);
  if (type == SQLITE_NULL) return;
  if (type != SQLITE_BLOB) sqlite3_value_text(value);  // the text's length
  const sqlite3_int64 bytes = sqlite3_value_bytes(value);
  const sqlite3_int64 maximum = sqlite3_value_int64(args[1]);
  if (bytes <= maximum) return;
  const char *label = reinterpret_cast<const char *>(sqlite3_value_text(args[2]));
  RaiseVendor(context, "ORA-12899: value too large for column " +
                           std::string(label ? label : "") + " (actual: " +
                           std::to_string(bytes) +
                           ", maximum: " + std::to_string(maximum) + ")");
}

void CheckNumber(sqlite3_context *context, int, sqlite3_value **args) {
  sqlite3_value *value = args[0];
  const int type = sqlite3_value_type(value);
  if (type == SQLITE_NULL) return;
  const int precision = sqlite3_value_int(args[1]);
  const int scale = sqlite3_value_int(args[2]);
  // Every 64-bit integer has at most 19 digits.
  if (type == SQLITE_INTEGER && scale >= 0 && precision - scale >= 19) return;
  OCINumber number;
  int rc = ToNumber(value, &number);
  if (rc == 0) rc = NumberRound(&number, scale);
  switch (rc) {
    case 0:
      break;
    case 1722:
      RaiseVendor(context, "ORA-01722: invalid number");
      return;
    case 1426:
      RaiseVendor(context, "ORA-01426: numeric overflow");
      return;
    default:
      RaiseVendor(context,
                  "ORA-00932: inconsistent datatypes: expected NUMBER got BLOB");
      return;
  }
  if (!FitsDigits(number, precision - scale)) {
    RaiseVendor(context,
                "ORA-01438: value larger than specified precision allowed "
                "for this column");
  }
}

void Round(sqlite3_context *context, int, sqlite3_value **args) {
  sqlite3_value *value = args[0];
  const int type = sqlite3_value_type(value);
  const int scale = sqlite3_value_int(args[1]);
  if (type == SQLITE_NULL || type == SQLITE_BLOB ||
      (type == SQLITE_INTEGER && scale >= 0)) {
    sqlite3_result_value(context, value);
    return;
  }
  OCINumber number;
  if (ToNumber(value, &number) != 0 || NumberRound(&number, scale) != 0) {
    sqlite3_result_value(context, value);  // the checks report it
    return;
  }
  SetNumber(context, number);
}

}  // namespace

int RegisterRuleFunctions(sqlite3 *db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  int rc = sqlite3_create_function_v2(db, "kestrel_check_size", 3, flags,
                                      nullptr, CheckSize, nullptr, nullptr,
                                      nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_check_number", 3, flags,
                                    nullptr, CheckNumber, nullptr, nullptr,
                                    nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_round", 2, flags, nullptr,
                                    Round, nullptr, nullptr, nullptr);
  }
  return rc;
}

}  // namespace kestrel_engine
