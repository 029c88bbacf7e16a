/*
** The rows a MERGE updated, for its DELETE WHERE. Oracle deletes only rows
** this MERGE updated; once its INSERT has run beside them, or its UPDATE
** WHERE has seen values the UPDATE changed, the table alone cannot tell
** which those were. So the MERGE's steps keep their rowids here:
**   kestrel_merge_begin()        a new, empty set (the MERGE's first step)
**   kestrel_merge_mark(rowid)    in the UPDATE's RETURNING: rowid updated
**   kestrel_merge_marked(rowid)  in the DELETE's WHERE: was it updated?
**   kestrel_merge_end()          the set dropped (the MERGE's last step)
** The sets are a stack on the connection, so that a MERGE run by a trigger
** of another keeps its own; a MERGE that fails leaves its set behind,
** under the next one's, until the connection closes.
*/
#include <unordered_set>
#include <vector>

#include "functions/FunctionFamilies.h"

namespace kestrel_engine {

namespace {

struct MergeMarks {
  std::vector<std::unordered_set<sqlite3_int64>> sets;
};

MergeMarks *Marks(sqlite3_context *context) {
  return static_cast<MergeMarks *>(sqlite3_user_data(context));
}

void BeginCall(sqlite3_context *context, int, sqlite3_value **) {
  Marks(context)->sets.emplace_back();
  sqlite3_result_int(context, 1);
}

void MarkCall(sqlite3_context *context, int, sqlite3_value **argv) {
  MergeMarks *marks = Marks(context);
  if (marks->sets.empty()) marks->sets.emplace_back();
  marks->sets.back().insert(sqlite3_value_int64(argv[0]));
  sqlite3_result_int(context, 1);
}

void MarkedCall(sqlite3_context *context, int, sqlite3_value **argv) {
  const MergeMarks *marks = Marks(context);
  sqlite3_result_int(context, !marks->sets.empty() &&
                                  marks->sets.back().count(sqlite3_value_int64(argv[0])) != 0);
}

void EndCall(sqlite3_context *context, int, sqlite3_value **) {
  MergeMarks *marks = Marks(context);
  if (!marks->sets.empty()) marks->sets.pop_back();
  sqlite3_result_int(context, 1);
}

void DeleteMarks(void *p) { delete static_cast<MergeMarks *>(p); }

}  // namespace

int RegisterMergeMarks(sqlite3 *db, const SessionSettings *) {
  auto *marks = new MergeMarks;
  // Not deterministic: each call must run where and when it is written;
  // not innocuous: the MERGE's own steps call them, never a view or a
  // trigger.
  const int flags = SQLITE_UTF8;
  const struct {
    const char *name;
    int args;
    void (*call)(sqlite3_context *, int, sqlite3_value **);
  } kCalls[] = {{"kestrel_merge_mark", 1, MarkCall},
                {"kestrel_merge_marked", 1, MarkedCall},
                {"kestrel_merge_end", 0, EndCall}};
  for (const auto &f : kCalls) {
    const int rc = sqlite3_create_function_v2(db, f.name, f.args, flags, marks, f.call, nullptr,
                                              nullptr, nullptr);
    if (rc != SQLITE_OK) {
      delete marks;
      return rc;
    }
  }
  // The last registration owns the sets: SQLite frees them with the
  // connection (or at once, should this registration fail).
  return sqlite3_create_function_v2(db, "kestrel_merge_begin", 0, flags, marks, BeginCall,
                                    nullptr, nullptr, DeleteMarks);
}

}  // namespace kestrel_engine
