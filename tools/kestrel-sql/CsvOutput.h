/*
** A result as CSV (RFC 4180): a header line of column names, then one
** line per row, lines ending in CRLF. A field holding a comma, a double
** quote, CR or LF is quoted, its double quotes doubled; NULL is an empty
** field.
*/
#ifndef KESTREL_SQL_CSV_OUTPUT_H
#define KESTREL_SQL_CSV_OUTPUT_H

#include <ostream>
#include <string>

#include "ResultSet.h"

namespace kestrel_sql {

std::string CsvField(const std::string &text);
void WriteCsv(std::ostream &out, const ResultSet &result);

}  // namespace kestrel_sql

#endif
