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
};

}  // namespace kestrel_sql

#endif
