/*
** A query's columns as kestrel-sql prints them.
*/
#ifndef KESTREL_SQL_RESULT_SET_H
#define KESTREL_SQL_RESULT_SET_H

#include <string>

namespace kestrel_sql {

struct ResultColumn {
  std::string name;
  bool numeric = false;  // printed right-aligned
  size_t width = 0;      // COLUMN ... FORMAT An: wrap values at n; 0: fit
  bool hidden = false;   // COLUMN ... NOPRINT
  size_t minWidth = 0;   // SET NUMWIDTH: a number column is at least this wide
};

}  // namespace kestrel_sql

#endif
