/*
** The conversion functions. TO_CHAR tells a date from a number by its
** value: numbers are SQLite integers and reals (or text that reads as a
** number, when a model is given), dates are text in the stored form; any
** other text comes back as it is, as TO_CHAR of a character value does.
*/
#include "functions/ConversionFunctions.h"

#include <stdlib.h>
#include <time.h>

#include <string>

#include "functions/FunctionSupport.h"
#include "number/OraNumber.h"

namespace kestrel_engine {

namespace {

std::string_view Text(sqlite3_value *value) {
  const char *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
  return text ? std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value)))
              : std::string_view();
}

// A number's plain decimal text.
std::string NumberText(sqlite3_value *value) {
  if (sqlite3_value_type(value) == SQLITE_INTEGER) {
    return std::to_string(sqlite3_value_int64(value));
  }
  return DoubleToText(sqlite3_value_double(value));
}

// Sets a number result: an integer when the text is whole and fits.
void ResultNumber(sqlite3_context *context, const std::string &decimal) {
  Decimal value;
  if (!ParseDecimal(decimal, &value)) {
    Raise(context, 1722);
    return;
  }
  ResultDecimal(context, value);
}

bool IsNull(int argc, sqlite3_value **argv) {
  for (int i = 0; i < argc && i < 2; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
  }
  return false;
}

void ToChar(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (IsNull(argc, argv)) return;
  const SessionSettings &settings = Settings(context);
  sqlite3_value *value = argv[0];
  const int type = sqlite3_value_type(value);
  const bool withModel = argc >= 2;
  std::string out;
  if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
    const std::string decimal = NumberText(value);
    if (!withModel) {
      out = type == SQLITE_INTEGER ? decimal : DoubleToText(sqlite3_value_double(value));
    } else if (const int code = FormatNumber(decimal, Text(argv[1]), settings.numbers, &out)) {
      Raise(context, code);
      return;
    }
  } else if (type == SQLITE_TEXT) {
    const std::string_view text = Text(value);
    DateTime date;
    if (ParseStored(text, &date)) {
      const bool timestamp = text.find('.') != std::string_view::npos;
      if (withModel) {
        DateFormat model;
        if (const int code = ParseDateFormat(Text(argv[1]), &model)) {
          Raise(context, code);
          return;
        }
        out = FormatDate(model, date);
      } else {
        out = FormatDate(timestamp ? settings.timestampModel : settings.dateModel, date);
      }
    } else if (withModel) {
      // Text that reads as a number is formatted as one (1722 otherwise).
      if (const int code = FormatNumber(text, Text(argv[1]), settings.numbers, &out)) {
        Raise(context, code);
        return;
      }
    } else {
      out.assign(text);
    }
  } else {
    sqlite3_result_value(context, value);
    return;
  }
  // The vendor has no empty strings: an empty result is NULL.
  if (out.empty()) return;
  sqlite3_result_text(context, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// TO_DATE and TO_TIMESTAMP.
void ReadDateTime(sqlite3_context *context, int argc, sqlite3_value **argv,
                  bool timestamp) {
  if (IsNull(argc, argv)) return;
  const SessionSettings &settings = Settings(context);
  std::string text = sqlite3_value_type(argv[0]) == SQLITE_TEXT
                         ? std::string(Text(argv[0]))
                         : NumberText(argv[0]);
  DateFormat given;
  const DateFormat *model = timestamp ? &settings.timestampModel : &settings.dateModel;
  if (argc >= 2) {
    if (const int code = ParseDateFormat(Text(argv[1]), &given)) {
      Raise(context, code);
      return;
    }
    model = &given;
  }
  DateTime value;
  const int code = ReadDate(text, *model, LocalNow(), &value);
  if (code != 0) {
    // A value that is already a date (a DATE column, SYSDATE) stays one.
    if (!ParseStored(text, &value)) {
      Raise(context, code);
      return;
    }
  }
  if (!timestamp) value.nanosecond = 0;
  const std::string stored = timestamp ? StoreTimestamp(value) : StoreDate(value);
  sqlite3_result_text(context, stored.data(), static_cast<int>(stored.size()),
                      SQLITE_TRANSIENT);
}

void ToDate(sqlite3_context *context, int argc, sqlite3_value **argv) {
  ReadDateTime(context, argc, argv, false);
}

void ToTimestamp(sqlite3_context *context, int argc, sqlite3_value **argv) {
  ReadDateTime(context, argc, argv, true);
}

void ToNumber(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (IsNull(argc, argv)) return;
  sqlite3_value *value = argv[0];
  const int type = sqlite3_value_type(value);
  if (argc == 1 && (type == SQLITE_INTEGER || type == SQLITE_FLOAT)) {
    sqlite3_result_value(context, value);
    return;
  }
  const std::string text = type == SQLITE_TEXT ? std::string(Text(value)) : NumberText(value);
  std::string decimal;
  if (argc >= 2) {
    if (const int code = ReadNumber(text, Text(argv[1]), Settings(context).numbers, &decimal)) {
      Raise(context, code);
      return;
    }
  } else {
    decimal = text;
  }
  ResultNumber(context, decimal);
}

}  // namespace

DateTime LocalNow() {
  const time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  DateTime v;
  v.year = local.tm_year + 1900;
  v.month = local.tm_mon + 1;
  v.day = local.tm_mday;
  v.hour = local.tm_hour;
  v.minute = local.tm_min;
  v.second = local.tm_sec > 59 ? 59 : local.tm_sec;
  return v;
}

int RegisterConversionFunctions(sqlite3 *db, const SessionSettings *settings) {
  // Not deterministic: the results follow the session's settings and, for
  // dates without a year, the clock. Innocuous: views and triggers may
  // call them.
  const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS;
  void *data = const_cast<SessionSettings *>(settings);
  struct Function {
    const char *name;
    int minArgs;
    int maxArgs;
    void (*call)(sqlite3_context *, int, sqlite3_value **);
  };
  const Function functions[] = {
      {"to_char", 1, 3, ToChar},
      {"to_date", 1, 3, ToDate},
      {"to_timestamp", 1, 3, ToTimestamp},
      {"to_number", 1, 3, ToNumber},
  };
  for (const Function &f : functions) {
    for (int n = f.minArgs; n <= f.maxArgs; ++n) {
      const int rc = sqlite3_create_function_v2(db, f.name, n, flags, data, f.call,
                                                nullptr, nullptr, nullptr);
      if (rc != SQLITE_OK) return rc;
    }
  }
  return SQLITE_OK;
}

}  // namespace kestrel_engine
