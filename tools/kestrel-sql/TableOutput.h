/*
** A result as an aligned text table: the column names, a rule of dashes
** under each, then the rows; numbers right-aligned, text left-aligned,
** NULL as empty.
*/
#ifndef KESTREL_SQL_TABLE_OUTPUT_H
#define KESTREL_SQL_TABLE_OUTPUT_H

#include <ostream>
#include <string>

#include "ResultSet.h"

namespace kestrel_sql {

// Columns the width of the terminal cells of their longest entry (UTF-8
// sequences count as one cell), one blank between columns, no blanks at
// the end of a line.
void WriteTable(std::ostream &out, const ResultSet &result);

// The width of text in terminal cells: code points, not bytes.
size_t DisplayWidth(const std::string &text);

}  // namespace kestrel_sql

#endif
