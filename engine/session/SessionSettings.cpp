/*
** ALTER SESSION SET for the NLS settings. Every setting of one statement
** is checked before any is applied, so a failing statement changes
** nothing.
*/
#include "session/SessionSettings.h"

#include <ctime>

#include "types/DateTime.h"

namespace kestrel_engine {

SessionSettings::SessionSettings() {
  ParseDateFormat(dateFormat, &dateModel);
  ParseDateFormat(timestampFormat, &timestampModel);
}

namespace {

bool IsValue(const Token &t) {
  return t.kind == TokenKind::kString || t.kind == TokenKind::kWord ||
         t.kind == TokenKind::kQuotedIdentifier || t.kind == TokenKind::kNumber;
}

// A string literal's text, or a name as written.
std::string ValueText(const Token &t) {
  if (t.kind != TokenKind::kString) return t.Name();
  std::string text;
  for (size_t i = 1; i + 1 < t.raw.size(); ++i) {
    text += t.raw[i];
    if (t.raw[i] == '\'' && t.raw[i + 1] == '\'') ++i;
  }
  return text;
}

bool Fail(OraError *error, int code, std::string_view detail = {}) {
  *error = OraError::Make(code, detail);
  return false;
}

// FIXED_DATE's value: Oracle's 'YYYY-MM-DD-HH24:MI:SS', or a date in the
// session's format; the stored form, or an ORA- number.
int FixedDateValue(const std::string &value, const SessionSettings &settings, std::string *out) {
  const std::time_t clock = std::time(nullptr);
  std::tm local{};
  localtime_r(&clock, &local);
  DateTime now;
  now.year = local.tm_year + 1900;
  now.month = local.tm_mon + 1;
  now.day = local.tm_mday;
  DateFormat oracle;
  ParseDateFormat("YYYY-MM-DD-HH24:MI:SS", &oracle);
  DateTime when;
  int rc = ReadDate(value, oracle, now, &when);
  if (rc != 0) rc = ReadDate(value, settings.dateModel, now, &when);
  if (rc != 0) return rc;
  when.nanosecond = 0;
  *out = StoreDate(when);
  return 0;
}

}  // namespace

bool AlterSession(const std::vector<Token> &tokens, SessionSettings *settings,
                  OraError *error) {
  // tokens: ALTER SESSION SET name = value ...
  if (tokens.size() < 4 || !tokens[2].Is("SET")) return Fail(error, 922);
  const bool system = tokens[1].Is("SYSTEM");
  SessionSettings next = *settings;
  size_t i = 3;
  bool any = false;
  while (tokens[i].kind == TokenKind::kWord) {
    const std::string name = UpperAscii(tokens[i].raw);
    if (!tokens[i + 1].IsSymbol('=') || !IsValue(tokens[i + 2])) return Fail(error, 922);
    const std::string value = ValueText(tokens[i + 2]);
    const std::string upper = UpperAscii(value);
    i += 3;
    any = true;
    if (system && name != "FIXED_DATE" && name != "SCOPE") return Fail(error, 2065);
    if (name == "FIXED_DATE") {
      if (upper == "NONE") {
        next.fixedDate.clear();
      } else if (const int rc = FixedDateValue(value, next, &next.fixedDate)) {
        return Fail(error, rc);
      }
    } else if (system) {
      // SCOPE = MEMORY | SPFILE | BOTH: one session's setting either way.
    } else if (name == "NLS_DATE_FORMAT" || name == "NLS_TIMESTAMP_FORMAT" ||
        name == "NLS_TIMESTAMP_TZ_FORMAT") {
      DateFormat model;
      std::string detail;
      if (ParseDateFormat(value, &model, &detail) != 0) return Fail(error, 1821);
      if (name == "NLS_DATE_FORMAT") {
        next.dateFormat = value;
        next.dateModel = model;
      } else if (name == "NLS_TIMESTAMP_FORMAT") {
        next.timestampFormat = value;
        next.timestampModel = model;
      } else {
        next.timestampTzFormat = value;
      }
    } else if (name == "NLS_LANGUAGE" || name == "NLS_DATE_LANGUAGE") {
      if (upper != "AMERICAN" && upper != "ENGLISH") return Fail(error, 12705);
      (name == "NLS_LANGUAGE" ? next.language : next.dateLanguage) = upper;
      if (name == "NLS_LANGUAGE") next.dateLanguage = upper;
    } else if (name == "CURRENT_SCHEMA") {
      next.currentSchema = tokens[i - 1].kind == TokenKind::kWord ? upper : value;
      if (next.currentSchema == next.user) next.currentSchema.clear();
    } else if (name == "NLS_TERRITORY") {
      if (upper != "AMERICA") return Fail(error, 12705);
      next.territory = upper;
    } else if (name == "NLS_NUMERIC_CHARACTERS") {
      if (value.size() != 2 || value[0] == value[1]) return Fail(error, 12705);
      next.numbers.decimal = value[0];
      next.numbers.group = value[1];
    } else if (name == "NLS_CURRENCY") {
      next.numbers.currency = value;
    } else if (name == "NLS_ISO_CURRENCY") {
      next.numbers.isoCurrency = upper == "AMERICA" ? "USD" : upper;
    } else if (name == "TIME_ZONE") {
      next.timeZone = value;
    } else if (name == "NLS_SORT" || name == "NLS_COMP" ||
               name == "NLS_LENGTH_SEMANTICS" || name == "OPTIMIZER_MODE" ||
               name == "NLS_DUAL_CURRENCY" || name == "NLS_CALENDAR") {
      // Accepted; the engine compares and sorts in binary either way.
    } else {
      return Fail(error, 2248);
    }
  }
  if (tokens[i].IsSymbol(';')) ++i;
  if (!any || tokens[i].kind != TokenKind::kEnd) return Fail(error, 922);
  *settings = next;
  return true;
}

}  // namespace kestrel_engine
