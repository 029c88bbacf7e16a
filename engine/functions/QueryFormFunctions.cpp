/*
** Functions the SQL front end writes for Oracle's query forms.
** kestrel_raise(code) fails the statement with that Oracle error (a
** CONNECT BY loop, ORA-01436, is found while the rows are made);
** kestrel_path and kestrel_seen build a CONNECT BY row's path and find
** a loop in its ancestors' keys without Oracle's character-wise SUBSTR
** and INSTR.
** kestrel_keep(kind, last, value, key1, flags1, ...) is MIN, MAX, SUM,
** COUNT or AVG (kind) KEEP (DENSE_RANK FIRST|LAST (last 0|1) ORDER BY
** keys): the aggregate of the values of the rows whose keys rank first
** (or last); also a window function, for KEEP ... OVER (PARTITION BY).
** kestrel_nonnull(value, n, from_last) is the n-th non-NULL value of a
** window frame: the analytic functions' IGNORE NULLS.
** kestrel_listagg is the aggregate LISTAGG ... WITHIN GROUP (ORDER BY ...)
** is written as: SQLite's group_concat cannot order its input, so the
** values are kept with their sort keys and joined at the end.
**   kestrel_listagg(value, separator, options, filler, key1, flags1, ...)
** options: 1 DISTINCT, 2 ON OVERFLOW TRUNCATE, 4 WITHOUT COUNT; flags per
** key: 1 DESC, 2 NULLS FIRST. NULL values are left out; keys compare as
** Oracle's binary sort does (numbers by value, text by bytes). Past 4000
** bytes the result is ORA-01489, or cut after a whole value with the
** filler and the count of values left out.
*/
#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

constexpr size_t kMaxBytes = 4000;

struct ValueFree {
  void operator()(sqlite3_value *v) const { sqlite3_value_free(v); }
};
using Value = std::unique_ptr<sqlite3_value, ValueFree>;

struct Entry {
  std::string text;
  std::vector<Value> keys;
};

struct ListState {
  std::vector<Entry> entries;
  std::vector<int> flags;
  std::string separator;
  std::string filler = "...";
  int options = 0;
  bool started = false;
};

ListState **Slot(sqlite3_context *context, bool create) {
  return static_cast<ListState **>(
      sqlite3_aggregate_context(context, create ? sizeof(ListState *) : 0));
}

// < 0, 0, > 0 as `a` sorts before, with or after `b` for one key.
int CompareKey(sqlite3_value *a, sqlite3_value *b, int flags) {
  const bool na = sqlite3_value_type(a) == SQLITE_NULL, nb = sqlite3_value_type(b) == SQLITE_NULL;
  if (na || nb) {
    if (na && nb) return 0;
    const bool nullsFirst = (flags & 2) != 0;
    return (na ? -1 : 1) * (nullsFirst ? 1 : -1);
  }
  int c = 0;
  const int ta = sqlite3_value_numeric_type(a), tb = sqlite3_value_numeric_type(b);
  const bool numA = ta == SQLITE_INTEGER || ta == SQLITE_FLOAT;
  const bool numB = tb == SQLITE_INTEGER || tb == SQLITE_FLOAT;
  if (numA && numB) {
    const double x = sqlite3_value_double(a), y = sqlite3_value_double(b);
    c = x < y ? -1 : x > y ? 1 : 0;
  } else if (numA != numB) {
    c = numA ? -1 : 1;
  } else {
    const auto *x = static_cast<const unsigned char *>(sqlite3_value_blob(a));
    const auto *y = static_cast<const unsigned char *>(sqlite3_value_blob(b));
    const size_t lx = static_cast<size_t>(sqlite3_value_bytes(a));
    const size_t ly = static_cast<size_t>(sqlite3_value_bytes(b));
    const int m = lx == 0 || ly == 0 ? 0 : std::memcmp(x, y, std::min(lx, ly));
    c = m != 0 ? m : lx < ly ? -1 : lx > ly ? 1 : 0;
  }
  return (flags & 1) ? -c : c;
}

void ListStep(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (argc < 4 || argc % 2 != 0) return Raise(context, 909);
  ListState **slot = Slot(context, true);
  if (slot == nullptr) return sqlite3_result_error_nomem(context);
  if (*slot == nullptr) *slot = new ListState();
  ListState &s = **slot;
  if (!s.started) {
    std::string storage;
    if (!IsNullArg(argv[1])) s.separator = std::string(ArgText(argv[1], &storage));
    s.options = sqlite3_value_int(argv[2]);
    if (!IsNullArg(argv[3])) s.filler = std::string(ArgText(argv[3], &storage));
    for (int i = 5; i < argc; i += 2) s.flags.push_back(sqlite3_value_int(argv[i]));
    s.started = true;
  }
  if (IsNullArg(argv[0])) return;
  Entry e;
  std::string storage;
  e.text = std::string(ArgText(argv[0], &storage));
  for (int i = 4; i < argc; i += 2) {
    e.keys.emplace_back(sqlite3_value_dup(argv[i]));
    if (e.keys.back() == nullptr) return sqlite3_result_error_nomem(context);
  }
  s.entries.push_back(std::move(e));
}

void ListFinal(sqlite3_context *context) {
  ListState **slot = Slot(context, false);
  if (slot == nullptr || *slot == nullptr) return;
  std::unique_ptr<ListState> owned(*slot);
  *slot = nullptr;
  ListState &s = *owned;
  std::stable_sort(s.entries.begin(), s.entries.end(), [&](const Entry &a, const Entry &b) {
    for (size_t k = 0; k < a.keys.size() && k < s.flags.size(); ++k) {
      const int c = CompareKey(a.keys[k].get(), b.keys[k].get(), s.flags[k]);
      if (c != 0) return c < 0;
    }
    return false;
  });
  std::vector<const std::string *> values;
  for (const Entry &e : s.entries) {
    if (s.options & 1) {
      bool seen = false;
      for (const std::string *v : values) seen = seen || *v == e.text;
      if (seen) continue;
    }
    values.push_back(&e.text);
  }
  if (values.empty()) return;
  std::string out;
  size_t kept = 0;
  for (const std::string *v : values) {
    const size_t more = (kept ? s.separator.size() : 0) + v->size();
    if (out.size() + more > kMaxBytes) break;
    if (kept) out += s.separator;
    out += *v;
    ++kept;
  }
  if (kept < values.size()) {
    if (!(s.options & 2)) return Raise(context, 1489);
    // Whole values only, leaving room for the separator, filler and count.
    std::string tail = s.separator + s.filler;
    if (!(s.options & 4)) tail += "(" + std::to_string(values.size() - kept) + ")";
    while (kept > 0 && out.size() + tail.size() > kMaxBytes) {
      --kept;
      out.clear();
      for (size_t i = 0; i < kept; ++i) {
        if (i) out += s.separator;
        out += *values[i];
      }
      tail = s.separator + s.filler;
      if (!(s.options & 4)) tail += "(" + std::to_string(values.size() - kept) + ")";
    }
    out += tail;
  }
  ResultText(context, out);
}

struct KeepRow {
  Value value;
  std::vector<Value> keys;
};

struct KeepState {
  std::vector<KeepRow> rows;
  std::vector<int> flags;
  std::string kind;
  bool last = false;
};

int CompareKeys(const KeepRow &a, const KeepRow &b, const std::vector<int> &flags) {
  for (size_t k = 0; k < a.keys.size() && k < flags.size(); ++k) {
    const int c = CompareKey(a.keys[k].get(), b.keys[k].get(), flags[k]);
    if (c != 0) return c;
  }
  return 0;
}

void KeepStep(sqlite3_context *context, int argc, sqlite3_value **argv) {
  if (argc < 5 || argc % 2 != 1) return Raise(context, 909);
  auto **slot = static_cast<KeepState **>(sqlite3_aggregate_context(context, sizeof(KeepState *)));
  if (slot == nullptr) return sqlite3_result_error_nomem(context);
  if (*slot == nullptr) {
    *slot = new KeepState();
    std::string storage;
    (*slot)->kind = std::string(ArgText(argv[0], &storage));
    (*slot)->last = sqlite3_value_int(argv[1]) != 0;
    for (int i = 4; i < argc; i += 2) (*slot)->flags.push_back(sqlite3_value_int(argv[i]));
  }
  KeepRow row;
  row.value.reset(sqlite3_value_dup(argv[2]));
  if (row.value == nullptr) return sqlite3_result_error_nomem(context);
  for (int i = 3; i < argc; i += 2) {
    row.keys.emplace_back(sqlite3_value_dup(argv[i]));
    if (row.keys.back() == nullptr) return sqlite3_result_error_nomem(context);
  }
  (*slot)->rows.push_back(std::move(row));
}

// The aggregate of the kept rows; the state stays (a window asks again).
void KeepResult(sqlite3_context *context, const KeepState &s) {
  const KeepRow *best = nullptr;
  for (const KeepRow &r : s.rows) {
    if (best == nullptr) {
      best = &r;
      continue;
    }
    const int c = CompareKeys(r, *best, s.flags);
    if (s.last ? c > 0 : c < 0) best = &r;
  }
  int64_t count = 0;
  Decimal sum;
  double total = 0;
  sqlite3_value *extreme = nullptr;
  for (const KeepRow &r : s.rows) {
    if (best == nullptr || CompareKeys(r, *best, s.flags) != 0) continue;
    sqlite3_value *v = r.value.get();
    if (IsNullArg(v)) continue;
    ++count;
    if (s.kind == "SUM" || s.kind == "AVG") {
      Decimal d;
      const Num::Kind kind = ReadDecimal(context, v, &d);
      if (kind == Num::kError) return;
      sum = DecimalAdd(sum, d);
      total += sqlite3_value_double(v);
    } else if (s.kind == "MIN" || s.kind == "MAX") {
      if (extreme == nullptr) {
        extreme = v;
      } else {
        const int c = CompareKey(v, extreme, 0);
        if (s.kind == "MIN" ? c < 0 : c > 0) extreme = v;
      }
    }
  }
  if (s.kind == "COUNT") return sqlite3_result_int64(context, count);
  if (count == 0) return sqlite3_result_null(context);
  if (s.kind == "SUM") return ResultDecimal(context, sum);
  if (s.kind == "AVG") return ResultDouble(context, total / static_cast<double>(count));
  sqlite3_result_value(context, extreme);
}

void KeepFinal(sqlite3_context *context) {
  auto **slot = static_cast<KeepState **>(sqlite3_aggregate_context(context, 0));
  // No rows: COUNT is 0 (the caller's coalesce), the others NULL.
  if (slot == nullptr || *slot == nullptr) return;
  std::unique_ptr<KeepState> owned(*slot);
  *slot = nullptr;
  KeepResult(context, *owned);
}

// KEEP ... OVER (PARTITION BY ...): the whole partition is the window.
void KeepValue(sqlite3_context *context) {
  auto **slot = static_cast<KeepState **>(sqlite3_aggregate_context(context, 0));
  if (slot != nullptr && *slot != nullptr) KeepResult(context, **slot);
}

void KeepInverse(sqlite3_context *context, int, sqlite3_value **) {
  auto **slot = static_cast<KeepState **>(sqlite3_aggregate_context(context, 0));
  if (slot != nullptr && *slot != nullptr && !(*slot)->rows.empty()) {
    (*slot)->rows.erase((*slot)->rows.begin());
  }
}

// kestrel_nonnull(value, n, from_last): the n-th non-NULL value of the
// window frame, counted from its first row (or its last); NULL when there
// are fewer. FIRST_VALUE, LAST_VALUE, NTH_VALUE, LAG and LEAD with IGNORE
// NULLS are written with it over the frame each reads.
struct NonNullState {
  std::deque<Value> values;  // the frame's values, NULLs too, in order
  int64_t n = 1;
  bool from_last = false;
};

NonNullState **NonNullSlot(sqlite3_context *context, bool create) {
  return static_cast<NonNullState **>(
      sqlite3_aggregate_context(context, create ? sizeof(NonNullState *) : 0));
}

void NonNullStep(sqlite3_context *context, int, sqlite3_value **argv) {
  NonNullState **slot = NonNullSlot(context, true);
  if (slot == nullptr) return sqlite3_result_error_nomem(context);
  if (*slot == nullptr) *slot = new NonNullState();
  NonNullState &s = **slot;
  s.n = sqlite3_value_int64(argv[1]);
  s.from_last = sqlite3_value_int(argv[2]) != 0;
  s.values.emplace_back(sqlite3_value_dup(argv[0]));
  if (s.values.back() == nullptr) return sqlite3_result_error_nomem(context);
}

void NonNullInverse(sqlite3_context *context, int, sqlite3_value **) {
  NonNullState **slot = NonNullSlot(context, false);
  if (slot != nullptr && *slot != nullptr && !(*slot)->values.empty()) {
    (*slot)->values.pop_front();
  }
}

void NonNullValue(sqlite3_context *context) {
  NonNullState **slot = NonNullSlot(context, false);
  if (slot == nullptr || *slot == nullptr) return sqlite3_result_null(context);
  const NonNullState &s = **slot;
  int64_t left = s.n;
  if (left < 1) return sqlite3_result_null(context);
  const auto pick = [&](const Value &v) {
    if (IsNullArg(v.get()) || --left > 0) return false;
    sqlite3_result_value(context, v.get());
    return true;
  };
  if (s.from_last) {
    for (auto it = s.values.rbegin(); it != s.values.rend(); ++it) {
      if (pick(*it)) return;
    }
  } else {
    for (const Value &v : s.values) {
      if (pick(v)) return;
    }
  }
  sqlite3_result_null(context);
}

void NonNullFinal(sqlite3_context *context) {
  NonNullValue(context);
  NonNullState **slot = NonNullSlot(context, false);
  if (slot != nullptr) {
    delete *slot;
    *slot = nullptr;
  }
}

void RaiseCall(sqlite3_context *context, int, sqlite3_value **argv) {
  Raise(context, sqlite3_value_int(argv[0]));
}

// kestrel_path(path, n): a CONNECT BY row's path, its parent's (NULL for a
// root) and its own sibling number in ten digits, so paths sort as text in
// depth-first order.
void PathCall(sqlite3_context *context, int, sqlite3_value **argv) {
  const size_t prefix = sqlite3_value_type(argv[0]) == SQLITE_NULL
                            ? 0
                            : static_cast<size_t>(sqlite3_value_bytes(argv[0]));
  char *out = static_cast<char *>(sqlite3_malloc64(prefix + 10));
  if (out == nullptr) return sqlite3_result_error_nomem(context);
  if (prefix > 0) std::memcpy(out, sqlite3_value_text(argv[0]), prefix);
  // Sibling numbers are rowids or row numbers: not negative, and ten
  // digits are enough for any table SQLite holds in practice.
  uint64_t n = static_cast<uint64_t>(sqlite3_value_int64(argv[1]));
  for (int k = 9; k >= 0; --k) {
    out[prefix + static_cast<size_t>(k)] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  sqlite3_result_text64(context, out, prefix + 10, sqlite3_free, SQLITE_UTF8);
}

// kestrel_seen(keys, key): 1 when `key` (already framed by its
// separators) is among an ancestor's keys: a CONNECT BY loop.
void SeenCall(sqlite3_context *context, int, sqlite3_value **argv) {
  const std::string_view keys(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])),
                              static_cast<size_t>(sqlite3_value_bytes(argv[0])));
  const std::string_view key(reinterpret_cast<const char *>(sqlite3_value_text(argv[1])),
                             static_cast<size_t>(sqlite3_value_bytes(argv[1])));
  sqlite3_result_int(context, !key.empty() && keys.find(key) != std::string_view::npos);
}

}  // namespace

int RegisterQueryFormFunctions(sqlite3 *db, const SessionSettings *settings) {
  const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | SQLITE_DETERMINISTIC;
  void *data = const_cast<SessionSettings *>(settings);
  const int rc = sqlite3_create_function_v2(db, "kestrel_listagg", -1, flags, data, nullptr,
                                            ListStep, ListFinal, nullptr);
  if (rc != SQLITE_OK) return rc;
  const int rk = sqlite3_create_window_function(db, "kestrel_keep", -1, flags, data, KeepStep,
                                                KeepFinal, KeepValue, KeepInverse, nullptr);
  if (rk != SQLITE_OK) return rk;
  const int rn = sqlite3_create_window_function(db, "kestrel_nonnull", 3, flags, data,
                                                NonNullStep, NonNullFinal, NonNullValue,
                                                NonNullInverse, nullptr);
  if (rn != SQLITE_OK) return rn;
  const struct {
    const char *name;
    void (*call)(sqlite3_context *, int, sqlite3_value **);
  } kScalars[] = {{"kestrel_path", PathCall}, {"kestrel_seen", SeenCall}};
  for (const auto &f : kScalars) {
    const int r = sqlite3_create_function_v2(db, f.name, 2, flags, data, f.call, nullptr, nullptr,
                                             nullptr);
    if (r != SQLITE_OK) return r;
  }
  // Not deterministic: SQLite must not evaluate it once up front.
  return sqlite3_create_function_v2(db, "kestrel_raise", 1, SQLITE_UTF8 | SQLITE_INNOCUOUS, data,
                                    RaiseCall, nullptr, nullptr, nullptr);
}

}  // namespace kestrel_engine
