/*
** Exported call: OCIErrorGet. Record 1 holds the latest error of the
** handle; there are never more records.
*/
#include <algorithm>
#include <cstring>

#include "api/Call.h"
#include "handles/Environment.h"

using namespace kestrel_engine;

extern "C" {

KESTREL_ENGINE_EXPORT sword OCIErrorGet(dvoid *hndlp, ub4 recordno,
                                        OraText *, sb4 *errcodep,
                                        OraText *bufp, ub4 bufsiz, ub4 type) {
  Call call(FaultPoint::kErrorGet);
  return call.Finish([&]() -> sword {
    if (type != OCI_HTYPE_ERROR && type != OCI_HTYPE_ENV) {
      return OCI_INVALID_HANDLE;
    }
    Handle *handle = nullptr;
    if (!call.Acquire({{hndlp, type, false, &handle}})) {
      return OCI_INVALID_HANDLE;
    }
    // The error handle is what this call reads, so it is not cleared.
    InjectedFault fault;
    if (TakeFault(FaultPoint::kErrorGet, &fault) &&
        fault.status != OCI_SUCCESS_WITH_INFO) {
      return fault.status;
    }
    const OraError &record = type == OCI_HTYPE_ERROR
                                 ? As<ErrorHandle>(handle)->record()
                                 : As<Environment>(handle)->error();
    if (recordno != 1 || record.code == 0) return OCI_NO_DATA;
    if (errcodep) *errcodep = record.code;
    if (bufp && bufsiz > 0) {
      const size_t n = std::min<size_t>(record.message.size(), bufsiz - 1);
      std::memcpy(bufp, record.message.data(), n);
      bufp[n] = '\0';
    }
    return OCI_SUCCESS;
  });
}

}  // extern "C"
