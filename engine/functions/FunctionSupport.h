/*
** What the function families share: reading arguments by Oracle's rules
** (NULL and '' alike, numeric text converted or ORA-01722, dates in their
** stored form or the session's format), exact decimal arithmetic for the
** functions whose answers must not drift, UTF-8 character offsets, results
** ('' returned as NULL, whole numbers as integers) and registration.
*/
#ifndef KESTREL_ENGINE_FUNCTIONSUPPORT_H
#define KESTREL_ENGINE_FUNCTIONSUPPORT_H

#include <sqlite3.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

#include "session/SessionSettings.h"
#include "types/DateTime.h"

namespace kestrel_engine {

// Raises "ORA-NNNNN: text" on the call.
void Raise(sqlite3_context *context, int code, std::string_view detail = {});

// NULL, or text or a blob with no bytes: Oracle has no empty strings.
bool IsNullArg(sqlite3_value *value);

// A value as character data: text as it is, numbers in Oracle's text form,
// blobs (RAW) in hexadecimal. `storage` keeps converted text alive.
std::string_view ArgText(sqlite3_value *value, std::string *storage);

// A number argument. kNull for NULL or ''; kError when the value is text
// that is not a number (ORA-01722 already raised) or a blob (ORA-00932).
struct Num {
  enum Kind { kNull, kInt, kReal, kError } kind = kNull;
  int64_t i = 0;
  double d = 0;
  double AsDouble() const { return kind == kInt ? static_cast<double>(i) : d; }
};
Num ReadNum(sqlite3_context *context, sqlite3_value *value);
// An integer argument (fractions truncated, as Oracle does for positions,
// lengths and counts); false for NULL and errors (already raised).
bool ReadInt(sqlite3_context *context, sqlite3_value *value, int64_t *out, bool *isNull);

// A decimal number held exactly: digits * 10^exponent.
struct Decimal {
  bool negative = false;
  std::string digits;  // most significant first; no leading or trailing zeros; empty is 0
  int exponent = 0;
};
// Decimal or scientific text with optional sign and surrounding blanks.
bool ParseDecimal(std::string_view text, Decimal *out);
Decimal DecimalFromInt(int64_t value);
// The double's shortest round-trip decimal form; false for NaN and infinities.
bool DecimalFromDouble(double value, Decimal *out);
// A number argument read exactly; kNull/kError as ReadNum.
Num::Kind ReadDecimal(sqlite3_context *context, sqlite3_value *value, Decimal *out);
// Rounds half away from zero (or truncates) to `scale` decimals.
void DecimalRound(Decimal *value, int scale, bool truncate);
Decimal DecimalAdd(const Decimal &a, const Decimal &b);
// Exactly half the value.
Decimal DecimalHalf(const Decimal &value);
// Plain decimal text: "-12.5", "0.25", "1000".
std::string DecimalText(const Decimal &value);
// The value times 10^scale as an integer, when it is whole and fits.
bool DecimalScaled(const Decimal &value, int scale, int64_t *out);
// Digits after the point (0 for whole numbers).
int DecimalScale(const Decimal &value);

// Results: an integer when whole and within 64 bits, else a real.
void ResultDouble(sqlite3_context *context, double value);
void ResultDecimal(sqlite3_context *context, const Decimal &value);
// '' is NULL.
void ResultText(sqlite3_context *context, std::string_view text);

// A date argument: the stored form, or text in the session's date format.
// False for NULL (*isNull set) or an error (raised).
bool ReadDateArg(sqlite3_context *context, sqlite3_value *value, DateTime *out,
                 bool *isNull);
void ResultDate(sqlite3_context *context, const DateTime &value);

// The bytes of a RAW argument; false with ORA-01465 raised for text that
// is not hexadecimal (Oracle reads text given for a RAW as hexadecimal).
bool RawBytes(sqlite3_context *context, sqlite3_value *value, std::string *out);
// A RAW result; no bytes is NULL.
void ResultRaw(sqlite3_context *context, const std::string &bytes);

// Byte offsets of each character of UTF-8 text, then text.size(). A byte
// that starts no valid sequence counts as one character.
std::vector<size_t> CharStarts(std::string_view text);
// The byte offset `count` characters after byte `from` (text.size() when
// the text ends first), counting as CharStarts does, without allocating.
size_t CharAdvance(std::string_view text, size_t from, int64_t count);
// Appends code point `c` as UTF-8.
void AppendUtf8(std::string *out, uint32_t c);

// The session's settings, given as the functions' user data.
const SessionSettings &Settings(sqlite3_context *context);

using ScalarFunction = void (*)(sqlite3_context *, int, sqlite3_value **);
struct ScalarDef {
  const char *name;
  int minArgs;
  int maxArgs;  // -1: any number, registered once
  bool deterministic;
  ScalarFunction call;
};
// Registers each function for every argument count it takes, with
// `data` as user data. SQLITE_OK or SQLite's code.
int RegisterScalars(sqlite3 *db, const ScalarDef *defs, size_t count, void *data);

}  // namespace kestrel_engine

#endif
