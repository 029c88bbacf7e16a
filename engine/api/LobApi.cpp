/*
** Exported calls: large objects through a locator. The locator's identity
** is filled by fetches already; reading and writing through it are not yet
** carried out (ORA-03001), but the handles are checked as for any call.
*/
#include "api/Call.h"
#include "lob/LobLocator.h"

using namespace kestrel_engine;

namespace {

sword NotYet(Call &call, OCISvcCtx *svchp, OCIError *errhp,
             OCILobLocator *locp) {
  Handle *c = nullptr;
  Handle *e = nullptr;
  Handle *l = nullptr;
  if (!call.Acquire({{svchp, OCI_HTYPE_SVCCTX, false, &c},
                     {errhp, OCI_HTYPE_ERROR, true, &e},
                     {locp, OCI_DTYPE_LOB, false, &l}})) {
    return OCI_INVALID_HANDLE;
  }
  ErrorHandle *error = As<ErrorHandle>(e);
  sword status;
  if (call.Injected(error, &status)) return status;
  return Report(error, OraError::Make(3001, "LOB access"));
}

}  // namespace

extern "C" {

KESTREL_ENGINE_EXPORT sword OCILobRead(OCISvcCtx *svchp, OCIError *errhp,
                                       OCILobLocator *locp, ub4 *, ub4,
                                       dvoid *, ub4, dvoid *,
                                       OCICallbackLobRead, ub2, ub1) {
  Call call(FaultPoint::kLobRead);
  return call.Finish([&]() -> sword {
    return NotYet(call, svchp, errhp, locp);
  });
}

KESTREL_ENGINE_EXPORT sword OCILobWrite(OCISvcCtx *svchp, OCIError *errhp,
                                        OCILobLocator *locp, ub4 *, ub4,
                                        dvoid *, ub4, ub1, dvoid *,
                                        OCICallbackLobWrite, ub2, ub1) {
  Call call(FaultPoint::kLobWrite);
  return call.Finish([&]() -> sword {
    return NotYet(call, svchp, errhp, locp);
  });
}

KESTREL_ENGINE_EXPORT sword OCILobGetLength(OCISvcCtx *svchp, OCIError *errhp,
                                            OCILobLocator *locp, ub4 *) {
  Call call(FaultPoint::kLobGetLength);
  return call.Finish([&]() -> sword {
    return NotYet(call, svchp, errhp, locp);
  });
}

}  // extern "C"
