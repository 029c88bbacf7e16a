/*
** A LOB locator (descriptor type 50). A fetch through a define of type
** 113 fills it with the identity of the current row's BLOB value: the
** connection, database, table and column, and the row's rowid; that is
** what reading and writing the value through the locator open. A fetch
** through a define of type 112 fills it with a copy of the row's CLOB
** text, as a read-only snapshot of the value at the fetch (a CLOB from an
** expression has no row to go back to). A locator whose connection
** closes forgets it.
*/
#ifndef KESTREL_ENGINE_LOBLOCATOR_H
#define KESTREL_ENGINE_LOBLOCATOR_H

#include <sqlite3.h>

#include <string>

#include "handles/Handle.h"

namespace kestrel_engine {

class LobLocator : public Handle {
 public:
  LobLocator(Environment *environment, Handle *parent)
      : Handle(OCI_DTYPE_LOB, environment, parent) {}

  // Set by a fetch. `hasRow` is false when the query's rows have no single
  // identity (a join, an expression): such a locator cannot be opened.
  Connection *connection = nullptr;
  std::string database;
  std::string table;
  std::string column;
  sqlite3_int64 rowid = 0;
  bool hasRow = false;
  bool isNull = true;
  // A CLOB's text, copied at the fetch.
  bool clob = false;
  std::string text;

  void ForgetConnection(const Connection *gone) override {
    if (gone == connection) {
      connection = nullptr;
      hasRow = false;
      text.clear();
    }
  }
};

}  // namespace kestrel_engine

#endif
