/*
** The registration call of each function family (one source file each).
** Every family reads the session's settings as the functions' user data;
** `settings` must outlive the connection. SQLITE_OK or SQLite's code.
*/
#ifndef KESTREL_ENGINE_FUNCTIONFAMILIES_H
#define KESTREL_ENGINE_FUNCTIONFAMILIES_H

#include <sqlite3.h>

#include <string>

#include "session/SessionSettings.h"

namespace kestrel_engine {

int RegisterStringFunctions(sqlite3 *db, const SessionSettings *settings);
int RegisterNumericFunctions(sqlite3 *db, const SessionSettings *settings);
int RegisterDateFunctions(sqlite3 *db, const SessionSettings *settings);
int RegisterRegexFunctions(sqlite3 *db, const SessionSettings *settings);
int RegisterComparisonFunctions(sqlite3 *db, const SessionSettings *settings);
int RegisterAggregateFunctions(sqlite3 *db, const SessionSettings *settings);
int RegisterQueryFormFunctions(sqlite3 *db, const SessionSettings *settings);
// kestrel_rownum: ROWNUM tested beside columns or under OR.
int RegisterRownumFunction(sqlite3 *db, const SessionSettings *settings);
// kestrel_merge_*: the rows a MERGE updated, for its DELETE WHERE.
int RegisterMergeMarks(sqlite3 *db, const SessionSettings *settings);
int RegisterJsonFunctions(sqlite3 *db, const SessionSettings *settings);
int RegisterRawFunctions(sqlite3 *db, const SessionSettings *settings);
int RegisterContextFunctions(sqlite3 *db, const SessionSettings *settings);
// kestrel_date_add, kestrel_days_between, kestrel_ts_diff, kestrel_div,
// kestrel_like, kestrel_add_interval: Oracle's operators, which the SQL front end writes as calls.
int RegisterOperatorFunctions(sqlite3 *db, const SessionSettings *settings);
// kestrel_fit_*: values held to their column's type by INSERT and UPDATE.
int RegisterFitFunctions(sqlite3 *db, const SessionSettings *settings);

// kestrel_interval_add, kestrel_interval_mul: interval ± interval,
// interval × and ÷ number.
int RegisterIntervalFunctions(sqlite3 *db, const SessionSettings *settings);
// EXTRACT(field FROM value) when `value` is an interval: true when it was
// one (the result or the error given).
bool ExtractFromInterval(sqlite3_context *context, const std::string &field,
                         sqlite3_value *value);

// ROUND and TRUNC of a date (text in the stored form, or in the session's
// date format) to a format model's unit; NumericFunctions dispatches here
// when the first argument is a date.
void RoundDate(sqlite3_context *context, int argc, sqlite3_value **argv, bool truncate);

}  // namespace kestrel_engine

#endif
