/*
** What kestrel-sql prints after a statement ran, in the vendor shell's
** words: "Table created.", "1 row created.", "3 rows updated.", "2 rows
** selected.". The library does not tell a statement's type, so the
** message follows the statement's leading keywords.
*/
#ifndef KESTREL_SQL_FEEDBACK_H
#define KESTREL_SQL_FEEDBACK_H

#include <string>

namespace kestrel_sql {

// The message for a statement other than a query that changed `rows` rows.
std::string StatementFeedback(const std::string &sql, long rows);

// A CREATE or ALTER of stored code (PROCEDURE, FUNCTION, PACKAGE [BODY],
// TRIGGER, TYPE [BODY], VIEW): what SHOW ERRORS looks up and what the
// compilation warning names.
struct CodeUnit {
  std::string verb;    // CREATE or ALTER
  std::string type;    // PROCEDURE, PACKAGE BODY, ...
  std::string schema;  // as stored: upper-cased unless quoted; may be empty
  std::string name;
};
bool FindCodeUnit(const std::string &sql, CodeUnit *unit);

// SQL*Plus's "Warning: Package body created with compilation errors."
std::string CompilationWarning(const CodeUnit &unit);

// True for a PL/SQL block or a call: BEGIN, DECLARE, CALL, EXECUTE.
bool IsBlock(const std::string &sql);

// The line after a query's rows: "no rows selected", "1 row selected.",
// "N rows selected.".
std::string SelectedFeedback(size_t rows);

}  // namespace kestrel_sql

#endif
