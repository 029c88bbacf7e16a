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
};

}  // namespace kestrel_sql

#endif
