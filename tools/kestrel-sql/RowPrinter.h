/*
** Printing a query's rows as they are fetched: an aligned table (page by
** page, each page's widths from its own rows, as SQL*Plus sizes columns
** per PAGESIZE), one value per line (vertical), or CSV (RFC 4180). Only
** one page is ever held, so memory stays flat whatever the result size.
*/
#ifndef KESTREL_SQL_ROW_PRINTER_H
#define KESTREL_SQL_ROW_PRINTER_H

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ResultSet.h"

namespace kestrel_sql {

using Cell = std::optional<std::string>;  // nullopt for NULL

enum class OutputFormat { kTable, kVertical, kCsv };

struct TableLayout {
  bool heading = true;          // SET HEADING
  int pageSize = 50;            // SET PAGESIZE: rows per page; 0: no headings
  std::string columnSeparator = " ";  // SET COLSEP
  std::string nullText;         // SET NULL
  int lineSize = 80;            // SET LINESIZE: wider rows fold; 0: never
};

class RowPrinter {
 public:
  virtual ~RowPrinter() = default;
  virtual void Row(const std::vector<Cell> &cells) = 0;
  // Prints what is still held; called once after the last row.
  virtual void Finish() = 0;
};

std::unique_ptr<RowPrinter> MakeRowPrinter(OutputFormat format,
                                           const TableLayout &layout,
                                           std::vector<ResultColumn> columns,
                                           std::ostream &out);

// One CSV field: quoted when it holds a comma, a double quote, CR or LF.
std::string CsvField(const std::string &text);

// The width of text in terminal cells: code points, not bytes.
size_t DisplayWidth(const std::string &text);

// A value as lines fit for a table cell: split at newlines, tabs expanded
// to the next multiple of 8, other control characters shown as '?'.
std::vector<std::string> CellLines(const std::string &text);

}  // namespace kestrel_sql

#endif
