/*
** A query's result as kestrel-sql holds it before printing: the columns
** and every row's cell text. Tables need all rows to size their columns.
*/
#ifndef KESTREL_SQL_RESULT_SET_H
#define KESTREL_SQL_RESULT_SET_H

#include <string>
#include <vector>

namespace kestrel_sql {

struct ResultColumn {
  std::string name;
  bool numeric = false;  // printed right-aligned
};

struct ResultSet {
  std::vector<ResultColumn> columns;
  std::vector<std::vector<std::string>> rows;  // one cell per column
};

}  // namespace kestrel_sql

#endif
