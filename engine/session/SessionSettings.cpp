/*
** ALTER SESSION SET for the NLS settings. Every setting of one statement
** is checked before any is applied, so a failing statement changes
** nothing.
*/
#include "session/SessionSettings.h"

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

}  // namespace

bool AlterSession(const std::vector<Token> &tokens, SessionSettings *settings,
                  OraError *error) {
  // tokens: ALTER SESSION SET name = value ...
  if (tokens.size() < 4 || !tokens[2].Is("SET")) return Fail(error, 922);
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
    if (name == "NLS_DATE_FORMAT" || name == "NLS_TIMESTAMP_FORMAT" ||
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
