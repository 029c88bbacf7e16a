/*
** Exported calls: transactions. A transaction is open while changes are
** pending; starting one keeps pending changes (they belong to it), commit
** and rollback end it.
*/
#include "api/Call.h"
#include "session/SessionHandles.h"

using namespace kestrel_engine;

namespace {

// The logged-on connection of a service context, or 1012.
template <typename Operation>
sword OnConnection(Call &call, OCISvcCtx *svchp, OCIError *errhp,
                   Operation operation) {
  Handle *c = nullptr;
  Handle *e = nullptr;
  if (!call.Acquire({{svchp, OCI_HTYPE_SVCCTX, false, &c},
                     {errhp, OCI_HTYPE_ERROR, true, &e}})) {
    return OCI_INVALID_HANDLE;
  }
  ErrorHandle *error = As<ErrorHandle>(e);
  sword status;
  if (call.Injected(error, &status)) return status;
  Connection *connection = As<ServiceContext>(c)->LoggedOnConnection();
  if (connection == nullptr) return Report(error, OraError::Make(1012));
  OraError failure;
  return operation(*connection, &failure) ? OCI_SUCCESS
                                          : Report(error, failure);
}

}  // namespace

extern "C" {

KESTREL_ENGINE_EXPORT sword OCITransStart(OCISvcCtx *svchp, OCIError *errhp,
                                          uword, ub4) {
  Call call(FaultPoint::kTransStart);
  return call.Finish([&]() -> sword {
    // The write transaction itself begins with the first statement that
    // writes; pending changes simply stay.
    return OnConnection(call, svchp, errhp,
                        [](Connection &, OraError *) { return true; });
  });
}

KESTREL_ENGINE_EXPORT sword OCITransCommit(OCISvcCtx *svchp, OCIError *errhp,
                                           ub4) {
  Call call(FaultPoint::kTransCommit);
  return call.Finish([&]() -> sword {
    return OnConnection(call, svchp, errhp, [](Connection &c, OraError *error) {
      return c.Commit(error);
    });
  });
}

KESTREL_ENGINE_EXPORT sword OCITransRollback(OCISvcCtx *svchp,
                                             OCIError *errhp, ub4) {
  Call call(FaultPoint::kTransRollback);
  return call.Finish([&]() -> sword {
    return OnConnection(call, svchp, errhp, [](Connection &c, OraError *error) {
      return c.Rollback(error);
    });
  });
}

}  // extern "C"
