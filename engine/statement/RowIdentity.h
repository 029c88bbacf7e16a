/*
** Row identity for BLOB locators. SQLite cannot say which row a result
** value came from, so for a query over one table the engine adds a hidden
** select-list item, the table's rowid, after the caller's items; each fetch
** then fills a BLOB locator with (database, table, column, rowid), enough
** to open the value itself for reading and writing.
*/
#ifndef KESTREL_ENGINE_ROWIDENTITY_H
#define KESTREL_ENGINE_ROWIDENTITY_H

#include <string>
#include <string_view>
#include <vector>

#include "sql/Lexer.h"

namespace kestrel_engine {

// `sql` with ", Q.rowid" put before its top-level FROM, where Q names
// `table` as the FROM clause does (its alias, or its name). Empty when the
// query is not a plain SELECT from that one table (joins, compound
// queries, grouping, DISTINCT), whose rows have no single identity.
std::string WithRowId(std::string_view sql, const std::vector<Token> &tokens,
                      std::string_view table);

}  // namespace kestrel_engine

#endif
