/*
** What the describe knows of one select-list column: the name and type
** attributes a parameter descriptor reports, what the fetch needs to
** convert the column's values, and where a BLOB value lives.
*/
#ifndef KESTREL_ENGINE_COLUMNDESCRIPTION_H
#define KESTREL_ENGINE_COLUMNDESCRIPTION_H

#include <string>

#include "oci.h"

namespace kestrel_engine {

struct ColumnDescription {
  std::string name;
  ub2 dataType = SQLT_CHR;
  ub2 dataSize = 4000;
  sb2 precision = 0;
  sb1 scale = 0;
  ub1 nullable = 1;

  // The table column the values come from, when they come from one: a
  // BLOB locator names it, with the row's rowid read from `rowidColumn`
  // (a hidden column the engine added to the query), or -1 when the row
  // cannot be told.
  std::string database;
  std::string table;
  std::string column;
  int rowidColumn = -1;
};

}  // namespace kestrel_engine

#endif
