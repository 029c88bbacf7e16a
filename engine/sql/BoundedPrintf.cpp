/*
** printf(FORMAT, ...) as SQLite documents it, one directive at a time:
** the directive's flags, width and precision (given or taken from the
** arguments with *) are checked, then the directive is formatted by
** sqlite3_str_appendf with the argument converted as SQLite's own printf
** converts it (integers for d i u x X o p, reals for f e E g G, text for
** s z q Q w). %c repeats the first character of its text argument
** `precision` times, as SQLite's does. Missing arguments read as NULL.
*/
#include "sql/BoundedPrintf.h"

#include <string.h>

#include <string>

#include "errors/OraError.h"

namespace kestrel_engine {

namespace {

struct Arguments {
  int count;
  sqlite3_value **values;
  int next = 0;

  sqlite3_value *Next() { return next < count ? values[next++] : nullptr; }
  sqlite3_int64 Integer() {
    sqlite3_value *v = Next();
    return v ? sqlite3_value_int64(v) : 0;
  }
  double Real() {
    sqlite3_value *v = Next();
    return v ? sqlite3_value_double(v) : 0.0;
  }
  const char *Text() {
    sqlite3_value *v = Next();
    return v ? reinterpret_cast<const char *>(sqlite3_value_text(v)) : nullptr;
  }
};

// The length in bytes of the UTF-8 character `text` starts with.
size_t FirstCharacter(const char *text) {
  if (text == nullptr || *text == '\0') return 0;
  size_t n = 1;
  while (text[n] != '\0' && (static_cast<unsigned char>(text[n]) & 0xc0) == 0x80) {
    ++n;
  }
  return n;
}

// %c: the character `precision` times, padded to `width` characters.
void AppendRepeated(sqlite3_str *out, const char *text, bool left, long width,
                    long precision) {
  const size_t length = FirstCharacter(text);
  const long times = precision < 1 ? 1 : precision;
  const long pad = width > times ? width - times : 0;
  if (!left) sqlite3_str_appendchar(out, static_cast<int>(pad), ' ');
  for (long i = 0; i < times && length > 0; ++i) {
    sqlite3_str_append(out, text, static_cast<int>(length));
  }
  if (left) sqlite3_str_appendchar(out, static_cast<int>(pad), ' ');
}

void Printf(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (argc < 1) return;
  const char *format = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
  if (format == nullptr) return;  // NULL format: NULL result
  Arguments args{argc - 1, argv + 1};
  sqlite3_str *out = sqlite3_str_new(sqlite3_context_db_handle(context));
  const char *p = format;
  while (*p != '\0') {
    const char *percent = strchr(p, '%');
    if (percent == nullptr) {
      sqlite3_str_appendall(out, p);
      break;
    }
    sqlite3_str_append(out, p, static_cast<int>(percent - p));
    p = percent + 1;
    std::string directive = "%";
    while (*p != '\0' && strchr("-+ #0,!", *p) != nullptr) directive += *p++;
    const bool left = directive.find('-') != std::string::npos;
    long width = -1;
    if (*p == '*') {
      ++p;
      const sqlite3_int64 w = args.Integer();
      width = w < 0 ? -w : w;  // a negative width means left-justified
      if (w < 0 && !left) directive += '-';
    } else {
      for (width = 0; *p >= '0' && *p <= '9' && width <= kPrintfFieldLimit; ++p) {
        width = width * 10 + (*p - '0');
      }
    }
    long precision = -1;
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        ++p;
        const sqlite3_int64 w = args.Integer();
        precision = w < 0 ? -1 : w > kPrintfFieldLimit + 1 ? kPrintfFieldLimit + 1 : w;
      } else {
        for (precision = 0; *p >= '0' && *p <= '9' && precision <= kPrintfFieldLimit;
             ++p) {
          precision = precision * 10 + (*p - '0');
        }
      }
    }
    while (*p >= '0' && *p <= '9') ++p;  // digits past the limit
    while (*p == 'l') ++p;               // SQL's printf ignores sizes
    if (width > kPrintfFieldLimit || precision > kPrintfFieldLimit) {
      sqlite3_free(sqlite3_str_finish(out));
      const OraError error = OraError::Make(
          1489, "a printf width or precision over " +
                    std::to_string(kPrintfFieldLimit));
      sqlite3_result_error(context, error.message.c_str(), -1);
      return;
    }
    const char conversion = *p;
    if (conversion == '\0') break;
    ++p;
    if (width > 0) directive += std::to_string(width);
    if (precision >= 0) directive += "." + std::to_string(precision);
    switch (conversion) {
      case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
        sqlite3_str_appendf(out, (directive + "ll" + conversion).c_str(),
                            static_cast<long long>(args.Integer()));
        break;
      case 'p':
        sqlite3_str_appendf(out, (directive + "llx").c_str(),
                            static_cast<long long>(args.Integer()));
        break;
      case 'f': case 'e': case 'E': case 'g': case 'G':
        sqlite3_str_appendf(out, (directive + conversion).c_str(), args.Real());
        break;
      case 's': case 'z': {
        const char *text = args.Text();
        sqlite3_str_appendf(out, (directive + 's').c_str(), text ? text : "");
        break;
      }
      case 'q': case 'Q': case 'w':
        sqlite3_str_appendf(out, (directive + conversion).c_str(), args.Text());
        break;
      case 'c':
        AppendRepeated(out, args.Text(), left, width, precision);
        break;
      case '%':
        sqlite3_str_appendchar(out, 1, '%');
        break;
      case 'n':
        break;
      default:  // an unknown conversion ends the output, as SQLite's does
        p += strlen(p);
        break;
    }
  }
  const int failure = sqlite3_str_errcode(out);
  const int length = sqlite3_str_length(out);
  char *text = sqlite3_str_finish(out);
  if (failure == SQLITE_NOMEM) {
    sqlite3_free(text);
    sqlite3_result_error_nomem(context);
  } else if (failure != SQLITE_OK) {
    sqlite3_free(text);
    sqlite3_result_error_toobig(context);
  } else {
    sqlite3_result_text(context, text ? text : "", length,
                        text ? sqlite3_free : SQLITE_TRANSIENT);
  }
}

}  // namespace

int RegisterBoundedPrintf(sqlite3 *db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  int rc = sqlite3_create_function_v2(db, "printf", -1, flags, nullptr, Printf,
                                      nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "format", -1, flags, nullptr, Printf,
                                    nullptr, nullptr, nullptr);
  }
  return rc;
}

}  // namespace kestrel_engine
