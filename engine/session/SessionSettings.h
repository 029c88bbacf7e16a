/*
** A session's NLS settings, as ALTER SESSION SET changes them: the formats
** that dates and timestamps take when converted to and from text without
** a model, and the numeric characters and currency symbols. The defaults
** are a fresh AMERICAN / AMERICA session's.
*/
#ifndef KESTREL_ENGINE_SESSIONSETTINGS_H
#define KESTREL_ENGINE_SESSIONSETTINGS_H

#include <string>
#include <vector>

#include "errors/OraError.h"
#include "format/DateFormat.h"
#include "format/NumberFormat.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

struct SessionSettings {
  SessionSettings();

  std::string dateFormat = "DD-MON-RR";
  std::string timestampFormat = "DD-MON-RR HH.MI.SSXFF AM";
  std::string timestampTzFormat = "DD-MON-RR HH.MI.SSXFF AM TZR";
  std::string language = "AMERICAN";
  std::string dateLanguage = "AMERICAN";
  std::string territory = "AMERICA";
  std::string timeZone = "+00:00";
  NumberSymbols numbers;
  // The logged-on user, as stored (upper case): USER, UID and SYS_CONTEXT.
  std::string user;
  // ALTER SESSION SET CURRENT_SCHEMA: whose schema unqualified new
  // objects go to; empty for the user's own.
  std::string currentSchema;
  // FIXED_DATE as stored ('YYYY-MM-DD HH:MM:SS'), what SYSDATE returns;
  // empty for the clock. ALTER SYSTEM sets it too: it lasts for the
  // connection, the engine having no instance beyond it.
  std::string fixedDate;

  // The formats above, parsed.
  DateFormat dateModel;
  DateFormat timestampModel;
};

// ALTER SESSION SET name = value [name = value ...] (and ALTER SYSTEM SET
// FIXED_DATE = ..., 2065 for anything else there): 2248 for a setting
// the engine does not know, 1821 for a bad format, 12705 for a language or
// territory other than the American ones.
bool AlterSession(const std::vector<Token> &tokens, SessionSettings *settings,
                  OraError *error);

}  // namespace kestrel_engine

#endif
