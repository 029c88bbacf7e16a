/*
** Reads of a table for none of its columns: COUNT(*), SELECT 1 FROM t,
** EXISTS. SQLite reports them with an empty column name and, in a view's
** body, often without the view, so they cannot be judged like column
** reads; yet they tell how many rows the table holds, and must be held to
** SELECT on it whichever path prepared the statement.
*/
#ifndef KESTREL_ENGINE_SESSION_COUNTEDREADS_H
#define KESTREL_ENGINE_SESSION_COUNTEDREADS_H

#include <sqlite3.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel_engine {

class AccessData;

// The names each view's definition mentions, read with the grants: a read
// in a view's body that SQLite reports without the view is the view's
// only if its definition names the table.
class ViewReads {
 public:
  // Reads the views of the schema table (the caller runs it as the engine).
  void Load(sqlite3 *db);
  bool Reads(std::string_view view, std::string_view table) const;

 private:
  std::map<std::string, std::set<std::string>> names_;  // VIEW -> NAMES
};

// SQLITE_OK or SQLITE_DENY for a read of `table` with no column, for
// `holder`'s SQL. `view` is the view SQLite named, if any; `views` every
// view the statement being prepared reached (a read in a view's body may
// come without it), `reads` what their definitions name. `invisible` is set when `table` is one the holder may
// not see at all (ORA-00942 rather than ORA-01031).
int AuthorizeCountedRead(AccessData &access, const std::string &holder, const char *table,
                         const char *view, const std::vector<std::string> &views,
                         const ViewReads &reads, bool *invisible);

// True when a read of the engine's catalog `table` with no column comes
// from a dictionary view the statement reached (the count of an ALL_ view
// with no condition), not from client SQL naming the table.
bool CountedThroughDictionary(const std::vector<std::string> &views);

}  // namespace kestrel_engine

#endif
