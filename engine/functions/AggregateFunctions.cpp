/*
** Aggregates SQLite lacks: STDDEV and VARIANCE (sample statistics; one row
** gives 0, as Oracle answers), MEDIAN, and kestrel_sum, the exact SUM the
** SQL front end emits for NUMBER: it adds each value's shortest decimal
** form without rounding, so ten rows of 0.1 add up to 1. NULLs are skipped;
** no rows give NULL.
*/
#include <algorithm>
#include <cmath>
#include <vector>

#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

// Welford's running mean and sum of squared deviations.
struct Moments {
  int64_t count;
  double mean;
  double m2;
};

void MomentsStep(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num n = ReadNum(context, argv[0]);
  if (n.kind == Num::kNull || n.kind == Num::kError) return;
  auto *m = static_cast<Moments *>(sqlite3_aggregate_context(context, sizeof(Moments)));
  if (m == nullptr) return sqlite3_result_error_nomem(context);
  const double x = n.AsDouble();
  ++m->count;
  const double delta = x - m->mean;
  m->mean += delta / static_cast<double>(m->count);
  m->m2 += delta * (x - m->mean);
}

bool Variance(sqlite3_context *context, double *out) {
  auto *m = static_cast<Moments *>(sqlite3_aggregate_context(context, 0));
  if (m == nullptr || m->count == 0) return false;
  *out = m->count == 1 ? 0 : m->m2 / static_cast<double>(m->count - 1);
  return true;
}

void VarianceFinal(sqlite3_context *context) {
  double v = 0;
  if (Variance(context, &v)) ResultDouble(context, v);
}

void StddevFinal(sqlite3_context *context) {
  double v = 0;
  if (Variance(context, &v)) ResultDouble(context, std::sqrt(v));
}

// The aggregate context holds only a pointer: SQLite's memory is zeroed,
// not constructed, and xFinal runs once for every group that stepped.
template <typename T>
T *State(sqlite3_context *context, bool create) {
  auto **slot = static_cast<T **>(sqlite3_aggregate_context(context, create ? sizeof(T *) : 0));
  if (slot == nullptr) return nullptr;
  if (*slot == nullptr && create) *slot = new T();
  return *slot;
}

template <typename T>
void FreeState(sqlite3_context *context) {
  auto **slot = static_cast<T **>(sqlite3_aggregate_context(context, 0));
  if (slot != nullptr) {
    delete *slot;
    *slot = nullptr;
  }
}

void MedianStep(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num n = ReadNum(context, argv[0]);
  if (n.kind == Num::kNull || n.kind == Num::kError) return;
  auto *values = State<std::vector<double>>(context, true);
  if (values == nullptr) return sqlite3_result_error_nomem(context);
  values->push_back(n.AsDouble());
}

void MedianFinal(sqlite3_context *context) {
  auto *values = State<std::vector<double>>(context, false);
  if (values != nullptr && !values->empty()) {
    const size_t middle = values->size() / 2;
    std::nth_element(values->begin(), values->begin() + static_cast<long>(middle), values->end());
    const double upper = (*values)[middle];
    if (values->size() % 2 == 1) {
      ResultDouble(context, upper);
    } else {
      const double lower = *std::max_element(values->begin(), values->begin() + static_cast<long>(middle));
      Decimal a, b;
      // Halved exactly in decimal: the median of 0.1 and 0.2 is 0.15.
      if (DecimalFromDouble(lower, &a) && DecimalFromDouble(upper, &b)) {
        ResultDecimal(context, DecimalHalf(DecimalAdd(a, b)));
      } else {
        ResultDouble(context, lower / 2 + upper / 2);
      }
    }
  }
  FreeState<std::vector<double>>(context);
}

struct ExactSum {
  Decimal total;
  int64_t count = 0;  // values in the sum (a window's frame loses them again)
};

void SumStep(sqlite3_context *context, int, sqlite3_value **argv) {
  Decimal value;
  const Num::Kind kind = ReadDecimal(context, argv[0], &value);
  if (kind == Num::kNull || kind == Num::kError) return;
  auto *sum = State<ExactSum>(context, true);
  if (sum == nullptr) return sqlite3_result_error_nomem(context);
  sum->total = DecimalAdd(sum->total, value);
  ++sum->count;
}

// A value leaving a window's frame: subtracted exactly.
void SumInverse(sqlite3_context *context, int, sqlite3_value **argv) {
  Decimal value;
  const Num::Kind kind = ReadDecimal(context, argv[0], &value);
  if (kind == Num::kNull || kind == Num::kError) return;
  auto *sum = State<ExactSum>(context, true);
  if (sum == nullptr) return sqlite3_result_error_nomem(context);
  value.negative = !value.negative;
  sum->total = DecimalAdd(sum->total, value);
  --sum->count;
}

void SumValue(sqlite3_context *context) {
  auto *sum = State<ExactSum>(context, false);
  if (sum != nullptr && sum->count > 0) ResultDecimal(context, sum->total);
}

void SumFinal(sqlite3_context *context) {
  SumValue(context);
  FreeState<ExactSum>(context);
}

}  // namespace

int RegisterAggregateFunctions(sqlite3 *db, const SessionSettings *settings) {
  struct Aggregate {
    const char *name;
    void (*step)(sqlite3_context *, int, sqlite3_value **);
    void (*final)(sqlite3_context *);
  };
  static const Aggregate kAggregates[] = {
      {"stddev", MomentsStep, StddevFinal},
      {"variance", MomentsStep, VarianceFinal},
      {"median", MedianStep, MedianFinal},
  };
  const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | SQLITE_DETERMINISTIC;
  void *data = const_cast<SessionSettings *>(settings);
  for (const Aggregate &a : kAggregates) {
    const int rc = sqlite3_create_function_v2(db, a.name, 1, flags, data, nullptr, a.step,
                                              a.final, nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  // kestrel_sum is also SUM(...) OVER (...).
  return sqlite3_create_window_function(db, "kestrel_sum", 1, flags, data, SumStep, SumFinal,
                                        SumValue, SumInverse, nullptr);
}

}  // namespace kestrel_engine
