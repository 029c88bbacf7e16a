/*
** What kestrel-sql prints after a statement ran, in the vendor shell's
** words: "Table created.", "1 row inserted.", "3 rows updated.", "2 rows
** selected.". The library does not tell a statement's type, so the
** message follows the statement's leading keywords.
*/
#ifndef KESTREL_SQL_FEEDBACK_H
#define KESTREL_SQL_FEEDBACK_H

#include <string>

namespace kestrel_sql {

// The message for a statement other than a query that changed `rows` rows.
std::string StatementFeedback(const std::string &sql, long rows);

// True for a PL/SQL block or a call: BEGIN, DECLARE, CALL, EXECUTE.
bool IsBlock(const std::string &sql);

// The line after a query's rows: "no rows selected", "1 row selected.",
// "N rows selected.".
std::string SelectedFeedback(size_t rows);

}  // namespace kestrel_sql

#endif
