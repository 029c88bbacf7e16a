/*
** The registration of every function family.
*/
#include "functions/FunctionLibrary.h"

#include "functions/ConversionFunctions.h"
#include "functions/FunctionFamilies.h"

namespace kestrel_engine {

int RegisterOracleFunctions(sqlite3 *db, const SessionSettings *settings) {
  using Register = int (*)(sqlite3 *, const SessionSettings *);
  const Register families[] = {
      RegisterConversionFunctions, RegisterStringFunctions,     RegisterNumericFunctions,
      RegisterDateFunctions,       RegisterRegexFunctions,      RegisterComparisonFunctions,
      RegisterAggregateFunctions,  RegisterRawFunctions,        RegisterContextFunctions,
      RegisterOperatorFunctions,   RegisterFitFunctions,        RegisterQueryFormFunctions,
      RegisterIntervalFunctions,
      RegisterJsonFunctions,
      RegisterRownumFunction,      RegisterMergeMarks,
  };
  for (Register r : families) {
    const int rc = r(db, settings);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

}  // namespace kestrel_engine
