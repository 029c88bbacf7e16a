/*
** kestrel_rownum(program, arg, ...) OVER (ROWS UNBOUNDED PRECEDING): the
** ROWNUM of a block whose WHERE tests ROWNUM beside its columns or under
** OR. Oracle gives a row the next number only when the whole WHERE holds
** with ROWNUM standing for that number, so each row's fate hangs on how
** many rows were kept before it: a running count, which SQLite's window
** functions can only keep in a function of our own. The value is the row's
** ROWNUM, or 0 for a row the WHERE turns away.
**
** The program is the WHERE's ROWNUM conditions in postfix, reading the
** arguments in order:
**   v        a condition without ROWNUM (1, 0 or NULL)
**   = ! < l > g   ROWNUM =, <>, <, <=, >, >= the next argument (a number)
**   b        ROWNUM BETWEEN the next two arguments
**   & | ~    AND, OR, NOT of the values on the stack
** NULLs are "unknown", as in SQL; a row is kept only when the result is
** true.
*/
#include <cstdint>
#include <vector>

#include "functions/FunctionFamilies.h"

namespace kestrel_engine {

namespace {

enum Truth : int8_t { kFalse = 0, kTrue = 1, kUnknown = 2 };

struct Count {
  sqlite3_int64 kept;  // rows numbered so far
  sqlite3_int64 last;  // the current row's ROWNUM, 0 when turned away
};

Truth Compare(double r, sqlite3_value *v, char op) {
  if (sqlite3_value_type(v) == SQLITE_NULL) return kUnknown;
  const double k = sqlite3_value_double(v);
  bool holds = false;
  switch (op) {
    case '=': holds = r == k; break;
    case '!': holds = r != k; break;
    case '<': holds = r < k; break;
    case 'l': holds = r <= k; break;
    case '>': holds = r > k; break;
    default: holds = r >= k; break;
  }
  return holds ? kTrue : kFalse;
}

Truth And(Truth a, Truth b) {
  if (a == kFalse || b == kFalse) return kFalse;
  return a == kTrue && b == kTrue ? kTrue : kUnknown;
}

Truth Or(Truth a, Truth b) {
  if (a == kTrue || b == kTrue) return kTrue;
  return a == kFalse && b == kFalse ? kFalse : kUnknown;
}

// The program's value for ROWNUM `r`; kUnknown for a malformed program.
Truth Run(const unsigned char *program, int argc, sqlite3_value **argv, double r) {
  std::vector<Truth> stack;
  int next = 1;
  const auto arg = [&]() -> sqlite3_value * { return next < argc ? argv[next++] : nullptr; };
  for (const unsigned char *p = program; p != nullptr && *p != 0; ++p) {
    switch (*p) {
      case 'v': {
        sqlite3_value *v = arg();
        if (v == nullptr) return kUnknown;
        stack.push_back(sqlite3_value_type(v) == SQLITE_NULL ? kUnknown
                        : sqlite3_value_double(v) != 0 ? kTrue : kFalse);
        break;
      }
      case '=': case '!': case '<': case 'l': case '>': case 'g': {
        sqlite3_value *v = arg();
        if (v == nullptr) return kUnknown;
        stack.push_back(Compare(r, v, static_cast<char>(*p)));
        break;
      }
      case 'b': {
        sqlite3_value *low = arg();
        sqlite3_value *high = arg();
        if (high == nullptr) return kUnknown;
        stack.push_back(And(Compare(r, low, 'g'), Compare(r, high, 'l')));
        break;
      }
      case '~':
        if (stack.empty()) return kUnknown;
        if (stack.back() != kUnknown) stack.back() = stack.back() == kTrue ? kFalse : kTrue;
        break;
      case '&': case '|': {
        if (stack.size() < 2) return kUnknown;
        const Truth b = stack.back();
        stack.pop_back();
        stack.back() = *p == '&' ? And(stack.back(), b) : Or(stack.back(), b);
        break;
      }
      default:
        return kUnknown;
    }
  }
  return stack.size() == 1 ? stack.back() : kUnknown;
}

void RownumStep(sqlite3_context *context, int argc, sqlite3_value **argv) {
  auto *count = static_cast<Count *>(sqlite3_aggregate_context(context, sizeof(Count)));
  if (count == nullptr) return sqlite3_result_error_nomem(context);
  const double candidate = static_cast<double>(count->kept + 1);
  if (Run(sqlite3_value_text(argv[0]), argc, argv, candidate) == kTrue) {
    count->last = ++count->kept;
  } else {
    count->last = 0;
  }
}

void RownumValue(sqlite3_context *context) {
  auto *count = static_cast<Count *>(sqlite3_aggregate_context(context, 0));
  sqlite3_result_int64(context, count != nullptr ? count->last : 0);
}

// The frame only grows, so rows never leave it.
void RownumInverse(sqlite3_context *, int, sqlite3_value **) {}

}  // namespace

int RegisterRownumFunction(sqlite3 *db, const SessionSettings *) {
  return sqlite3_create_window_function(db, "kestrel_rownum", -1, SQLITE_UTF8 | SQLITE_INNOCUOUS,
                                        nullptr, RownumStep, RownumValue, RownumValue,
                                        RownumInverse, nullptr);
}

}  // namespace kestrel_engine
