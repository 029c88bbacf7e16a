/*
** TO_CHAR, TO_DATE, TO_TIMESTAMP and TO_NUMBER as SQL functions on every
** connection, reading the session's NLS settings for conversions without
** a format model. Dates travel in their stored text form (see
** types/DateTime.h); errors are the vendor's, raised as "ORA-NNNNN: ..."
** so they reach the client with their numbers.
*/
#ifndef KESTREL_ENGINE_CONVERSIONFUNCTIONS_H
#define KESTREL_ENGINE_CONVERSIONFUNCTIONS_H

#include <sqlite3.h>

#include "session/SessionSettings.h"

namespace kestrel_engine {

// `settings` must outlive the connection's use of the functions.
int RegisterConversionFunctions(sqlite3 *db, const SessionSettings *settings);

// The current local date and time, to the second.
DateTime LocalNow();

}  // namespace kestrel_engine

#endif
