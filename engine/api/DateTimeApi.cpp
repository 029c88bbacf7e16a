/*
** Exported calls: the parts of a TIMESTAMP descriptor filled by a fetch.
** The first argument (an environment or a session, for the vendor's
** time-zone work) is not needed here and not checked. A descriptor that
** no fetch has filled is ORA-01891.
*/
#include "api/Call.h"
#include "types/TimestampDescriptor.h"

using namespace kestrel_engine;

namespace {

// The handles of a call, checked; false answers `*status`.
bool Begin(Call &call, OCIError *err, const OCIDateTime *datetime,
           ErrorHandle **error, TimestampDescriptor **descriptor, sword *status) {
  Handle *e = nullptr;
  Handle *d = nullptr;
  if (!call.AcquireWithError(datetime, OCI_DTYPE_TIMESTAMP, err, &d, &e)) {
    *status = OCI_INVALID_HANDLE;
    return false;
  }
  *error = As<ErrorHandle>(e);
  if (call.Injected(*error, status)) return false;
  *descriptor = As<TimestampDescriptor>(d);
  if (!(*descriptor)->filled) {
    *status = Report(*error, OraError::Make(1891, "no value fetched into it"));
    return false;
  }
  return true;
}

}  // namespace

extern "C" {

KESTREL_ENGINE_EXPORT sword OCIDateTimeGetDate(dvoid *, OCIError *err, const OCIDateTime *date,
                                               sb2 *yr, ub1 *mnth, ub1 *dy) {
  Call call(FaultPoint::kDateTimeGetDate);
  return call.Finish([&]() -> sword {
    ErrorHandle *error = nullptr;
    TimestampDescriptor *d = nullptr;
    sword status;
    if (!Begin(call, err, date, &error, &d, &status)) return status;
    if (yr == nullptr || mnth == nullptr || dy == nullptr) {
      return Report(error, OraError::Make(21560, "yr, mnth, dy"));
    }
    *yr = static_cast<sb2>(d->value.year);
    *mnth = static_cast<ub1>(d->value.month);
    *dy = static_cast<ub1>(d->value.day);
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCIDateTimeGetTime(dvoid *, OCIError *err, OCIDateTime *datetime,
                                               ub1 *hr, ub1 *mm, ub1 *ss, ub4 *fsec) {
  Call call(FaultPoint::kDateTimeGetTime);
  return call.Finish([&]() -> sword {
    ErrorHandle *error = nullptr;
    TimestampDescriptor *d = nullptr;
    sword status;
    if (!Begin(call, err, datetime, &error, &d, &status)) return status;
    if (hr == nullptr || mm == nullptr || ss == nullptr || fsec == nullptr) {
      return Report(error, OraError::Make(21560, "hr, mm, ss, fsec"));
    }
    *hr = static_cast<ub1>(d->value.hour);
    *mm = static_cast<ub1>(d->value.minute);
    *ss = static_cast<ub1>(d->value.second);
    *fsec = static_cast<ub4>(d->value.nanosecond);
    return OCI_SUCCESS;
  });
}

}  // extern "C"
