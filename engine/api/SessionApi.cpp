/*
** Exported calls: server attach and detach, session begin and end.
*/
#include <cstring>

#include "api/Call.h"
#include "session/SessionOps.h"

using namespace kestrel_engine;

extern "C" {

KESTREL_ENGINE_EXPORT sword OCIServerAttach(OCIServer *srvhp, OCIError *errhp,
                                            const OraText *dblink,
                                            sb4 dblink_len, ub4) {
  Call call(FaultPoint::kServerAttach);
  return call.Finish([&]() -> sword {
    Handle *s = nullptr;
    Handle *e = nullptr;
    if (!call.Acquire({{srvhp, OCI_HTYPE_SERVER, false, &s},
                       {errhp, OCI_HTYPE_ERROR, true, &e}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    const char *link = reinterpret_cast<const char *>(dblink);
    size_t length = 0;
    if (link != nullptr) {
      length = dblink_len < 0 ? std::strlen(link) : static_cast<size_t>(dblink_len);
    }
    return AttachServer(*As<ServerHandle>(s), error,
                        std::string_view(link ? link : "", length));
  });
}

KESTREL_ENGINE_EXPORT sword OCIServerDetach(OCIServer *srvhp, OCIError *errhp,
                                            ub4) {
  Call call(FaultPoint::kServerDetach);
  return call.Finish([&]() -> sword {
    Handle *s = nullptr;
    Handle *e = nullptr;
    if (!call.Acquire({{srvhp, OCI_HTYPE_SERVER, false, &s},
                       {errhp, OCI_HTYPE_ERROR, true, &e}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    return DetachServer(*As<ServerHandle>(s), error);
  });
}

KESTREL_ENGINE_EXPORT sword OCISessionBegin(OCISvcCtx *svchp, OCIError *errhp,
                                            OCISession *usrhp, ub4 credt,
                                            ub4) {
  Call call(FaultPoint::kSessionBegin);
  return call.Finish([&]() -> sword {
    Handle *c = nullptr;
    Handle *e = nullptr;
    Handle *u = nullptr;
    if (!call.Acquire({{svchp, OCI_HTYPE_SVCCTX, false, &c},
                       {errhp, OCI_HTYPE_ERROR, true, &e},
                       {usrhp, OCI_HTYPE_SESSION, false, &u}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    return BeginSession(*As<ServiceContext>(c), error, *As<SessionHandle>(u),
                        credt);
  });
}

KESTREL_ENGINE_EXPORT sword OCISessionEnd(OCISvcCtx *svchp, OCIError *errhp,
                                          OCISession *usrhp, ub4) {
  Call call(FaultPoint::kSessionEnd);
  return call.Finish([&]() -> sword {
    Handle *c = nullptr;
    Handle *e = nullptr;
    Handle *u = nullptr;
    if (!call.Acquire({{svchp, OCI_HTYPE_SVCCTX, false, &c},
                       {errhp, OCI_HTYPE_ERROR, true, &e},
                       {usrhp, OCI_HTYPE_SESSION, true, &u}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    return EndSession(*As<ServiceContext>(c), error, As<SessionHandle>(u));
  });
}

}  // extern "C"
