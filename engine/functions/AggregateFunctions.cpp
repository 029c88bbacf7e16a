/*
** Aggregates SQLite lacks: STDDEV and VARIANCE (sample statistics; one row
** gives 0, as Oracle answers), MEDIAN, and kestrel_sum, the exact SUM the
** SQL front end emits for NUMBER: it adds each value's shortest decimal
** form without rounding, so ten rows of 0.1 add up to 1; each also runs
** over a window, as do kestrel_sum_distinct and kestrel_avg_distinct, the
** analytic SUM and AVG of DISTINCT values; PERCENTILE_CONT and
** PERCENTILE_DISC over numbers (kestrel_percentile). NULLs are skipped; no
** rows give NULL.
*/
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
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

// A value leaving a window's frame: Welford's step undone.
void MomentsInverse(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num n = ReadNum(context, argv[0]);
  if (n.kind == Num::kNull || n.kind == Num::kError) return;
  auto *m = static_cast<Moments *>(sqlite3_aggregate_context(context, sizeof(Moments)));
  if (m == nullptr) return sqlite3_result_error_nomem(context);
  if (m->count <= 1) {
    *m = Moments{0, 0, 0};
    return;
  }
  const double x = n.AsDouble();
  const double before = m->mean;
  m->mean = (static_cast<double>(m->count) * m->mean - x) / static_cast<double>(m->count - 1);
  m->m2 -= (x - before) * (x - m->mean);
  if (m->m2 < 0) m->m2 = 0;  // rounding
  --m->count;
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

// Numbers in Oracle's order, NaN above every other (and equal to itself),
// so that sorting a BINARY_DOUBLE NaN keeps a strict weak order.
struct NumberOrder {
  bool operator()(double a, double b) const {
    return std::isnan(b) ? !std::isnan(a) : a < b;
  }
};

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

// A value leaving a window's frame (MEDIAN OVER a partition).
void MedianInverse(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num n = ReadNum(context, argv[0]);
  if (n.kind == Num::kNull || n.kind == Num::kError) return;
  auto *values = State<std::vector<double>>(context, false);
  if (values == nullptr) return;
  const double x = n.AsDouble();
  const auto at = std::find_if(values->begin(), values->end(), [x](double v) {
    return v == x || (std::isnan(v) && std::isnan(x));
  });
  if (at != values->end()) values->erase(at);
}

void MedianOf(sqlite3_context *context, std::vector<double> *values) {
  if (values != nullptr && !values->empty()) {
    const size_t middle = values->size() / 2;
    std::nth_element(values->begin(), values->begin() + static_cast<long>(middle), values->end(),
                     NumberOrder());
    const double upper = (*values)[middle];
    if (values->size() % 2 == 1) {
      ResultDouble(context, upper);
    } else {
      const double lower = *std::max_element(
          values->begin(), values->begin() + static_cast<long>(middle), NumberOrder());
      Decimal a, b;
      // Halved exactly in decimal: the median of 0.1 and 0.2 is 0.15.
      if (DecimalFromDouble(lower, &a) && DecimalFromDouble(upper, &b)) {
        ResultDecimal(context, DecimalHalf(DecimalAdd(a, b)));
      } else {
        ResultDouble(context, lower / 2 + upper / 2);
      }
    }
  }
}

// A window's current value: the median of a copy, the frame kept.
void MedianValue(sqlite3_context *context) {
  const auto *values = State<std::vector<double>>(context, false);
  if (values == nullptr) return;
  std::vector<double> copy = *values;
  MedianOf(context, &copy);
}

void MedianFinal(sqlite3_context *context) {
  MedianOf(context, State<std::vector<double>>(context, false));
  FreeState<std::vector<double>>(context);
}

// SUM(DISTINCT x) and AVG(DISTINCT x) OVER (PARTITION BY ...), which
// SQLite's windows cannot take: each value with how many rows of the
// frame hold it.
using Distinct = std::map<double, int64_t, NumberOrder>;

void DistinctStep(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num n = ReadNum(context, argv[0]);
  if (n.kind == Num::kNull || n.kind == Num::kError) return;
  auto *values = State<Distinct>(context, true);
  if (values == nullptr) return sqlite3_result_error_nomem(context);
  ++(*values)[n.AsDouble()];
}

void DistinctInverse(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num n = ReadNum(context, argv[0]);
  if (n.kind == Num::kNull || n.kind == Num::kError) return;
  auto *values = State<Distinct>(context, false);
  if (values == nullptr) return;
  const auto at = values->find(n.AsDouble());
  if (at != values->end() && --at->second == 0) values->erase(at);
}

// The distinct values' exact sum (as kestrel_sum adds), or their mean.
void DistinctResult(sqlite3_context *context, bool mean) {
  const auto *values = State<Distinct>(context, false);
  if (values == nullptr || values->empty()) return;
  Decimal total;
  double plain = 0;
  bool exact = true;
  for (const auto &v : *values) {
    Decimal d;
    exact = exact && DecimalFromDouble(v.first, &d);
    if (exact) total = DecimalAdd(total, d);
    plain += v.first;
  }
  if (mean) return ResultDouble(context, plain / static_cast<double>(values->size()));
  if (exact) return ResultDecimal(context, total);
  ResultDouble(context, plain);
}

void DistinctSumValue(sqlite3_context *context) { DistinctResult(context, false); }
void DistinctAvgValue(sqlite3_context *context) { DistinctResult(context, true); }
void DistinctSumFinal(sqlite3_context *context) {
  DistinctResult(context, false);
  FreeState<Distinct>(context);
}
void DistinctAvgFinal(sqlite3_context *context) {
  DistinctResult(context, true);
  FreeState<Distinct>(context);
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

// kestrel_percentile(discrete, p, x, descending): PERCENTILE_CONT (0) or
// PERCENTILE_DISC (1) of p WITHIN GROUP (ORDER BY x [DESC]), the group's
// numbers kept and sorted when the value is asked for.
struct Percentile {
  std::vector<double> values;
  double p = 0;
  bool discrete = false;
  bool descending = false;
};

void PercentileStep(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num p = ReadNum(context, argv[1]);
  if (p.kind == Num::kError) return;
  // Oracle holds p to [0, 1] on every row, a NULL p included.
  if (p.kind == Num::kNull || !(p.AsDouble() >= 0 && p.AsDouble() <= 1)) return Raise(context, 30493);
  const Num x = ReadNum(context, argv[2]);
  if (x.kind == Num::kError) return;
  auto *state = State<Percentile>(context, true);
  if (state == nullptr) return sqlite3_result_error_nomem(context);
  state->p = p.AsDouble();
  state->discrete = sqlite3_value_int(argv[0]) != 0;
  state->descending = sqlite3_value_int(argv[3]) != 0;
  if (x.kind != Num::kNull) state->values.push_back(x.AsDouble());
}

void PercentileInverse(sqlite3_context *context, int, sqlite3_value **argv) {
  const Num x = ReadNum(context, argv[2]);
  if (x.kind == Num::kNull || x.kind == Num::kError) return;
  auto *state = State<Percentile>(context, false);
  if (state == nullptr) return;
  const double v = x.AsDouble();
  const auto at = std::find_if(state->values.begin(), state->values.end(), [v](double w) {
    return w == v || (std::isnan(v) && std::isnan(w));
  });
  if (at != state->values.end()) state->values.erase(at);
}

// Oracle's definitions over the n sorted values (positions from 1):
// PERCENTILE_DISC is the first value whose cumulative distribution k / n
// reaches p; PERCENTILE_CONT interpolates at row RN = 1 + p * (n - 1)
// between its floor and ceiling rows.
void PercentileOf(sqlite3_context *context, const Percentile *state) {
  if (state == nullptr || state->values.empty()) return;
  std::vector<double> sorted = state->values;
  std::sort(sorted.begin(), sorted.end(), NumberOrder());
  if (state->descending) std::reverse(sorted.begin(), sorted.end());
  const double n = static_cast<double>(sorted.size());
  if (state->discrete) {
    // p * n as the decimal it was written as: 0.3 * 10 is 3, not the
    // binary 3.0000000000000004.
    const double k = std::ceil(state->p * n - 1e-9);
    const size_t at = k < 1 ? 0 : std::min(sorted.size(), static_cast<size_t>(k)) - 1;
    return ResultDouble(context, sorted[at]);
  }
  const double rn = 1 + state->p * (n - 1);
  const double below = std::floor(rn), above = std::ceil(rn);
  const double low = sorted[static_cast<size_t>(below) - 1];
  const double high = sorted[static_cast<size_t>(above) - 1];
  const double value = below == above ? low : (above - rn) * low + (rn - below) * high;
  // The interpolation's binary rounding is not Oracle's decimal answer:
  // keep the 15 digits a double holds exactly.
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  ResultDouble(context, std::strtod(text, nullptr));
}

void PercentileValue(sqlite3_context *context) {
  PercentileOf(context, State<Percentile>(context, false));
}

void PercentileFinal(sqlite3_context *context) {
  PercentileOf(context, State<Percentile>(context, false));
  FreeState<Percentile>(context);
}

}  // namespace

int RegisterAggregateFunctions(sqlite3 *db, const SessionSettings *settings) {
  // Each is also an analytic function: xValue answers for the current
  // frame and xInverse takes a row back out of it.
  struct Aggregate {
    const char *name;
    void (*step)(sqlite3_context *, int, sqlite3_value **);
    void (*final)(sqlite3_context *);
    void (*value)(sqlite3_context *);
    void (*inverse)(sqlite3_context *, int, sqlite3_value **);
  };
  static const Aggregate kAggregates[] = {
      {"stddev", MomentsStep, StddevFinal, StddevFinal, MomentsInverse},
      {"variance", MomentsStep, VarianceFinal, VarianceFinal, MomentsInverse},
      {"median", MedianStep, MedianFinal, MedianValue, MedianInverse},
      {"kestrel_sum", SumStep, SumFinal, SumValue, SumInverse},
      {"kestrel_sum_distinct", DistinctStep, DistinctSumFinal, DistinctSumValue, DistinctInverse},
      {"kestrel_avg_distinct", DistinctStep, DistinctAvgFinal, DistinctAvgValue, DistinctInverse},
  };
  const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | SQLITE_DETERMINISTIC;
  void *data = const_cast<SessionSettings *>(settings);
  for (const Aggregate &a : kAggregates) {
    const int rc = sqlite3_create_window_function(db, a.name, 1, flags, data, a.step, a.final,
                                                  a.value, a.inverse, nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  return sqlite3_create_window_function(db, "kestrel_percentile", 4, flags, data, PercentileStep,
                                        PercentileFinal, PercentileValue, PercentileInverse,
                                        nullptr);
}

}  // namespace kestrel_engine
