/*
** Exported calls: prepare, execute, fetch, defines and binds. Binds are
** accepted for their handles but not yet carried out (ORA-03001).
*/
#include "api/Call.h"
#include "session/SessionHandles.h"
#include "statement/StatementHandle.h"

using namespace kestrel_engine;

extern "C" {

KESTREL_ENGINE_EXPORT sword OCIStmtPrepare(OCIStmt *stmtp, OCIError *errhp,
                                           const OraText *stmt, ub4 stmt_len,
                                           ub4, ub4) {
  Call call(FaultPoint::kStmtPrepare);
  return call.Finish([&]() -> sword {
    Handle *s = nullptr;
    Handle *e = nullptr;
    if (!call.Acquire({{stmtp, OCI_HTYPE_STMT, false, &s},
                       {errhp, OCI_HTYPE_ERROR, true, &e}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    if (stmt == nullptr && stmt_len > 0) {
      return Report(error, OraError::Make(21560, "stmt"));
    }
    As<StatementHandle>(s)->Prepare(std::string_view(
        reinterpret_cast<const char *>(stmt ? stmt : reinterpret_cast<const OraText *>("")),
        stmt_len));
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCIStmtExecute(OCISvcCtx *svchp, OCIStmt *stmtp,
                                           OCIError *errhp, ub4 iters, ub4,
                                           const OCISnapshot *, OCISnapshot *,
                                           ub4) {
  Call call(FaultPoint::kStmtExecute);
  return call.Finish([&]() -> sword {
    Handle *c = nullptr;
    Handle *s = nullptr;
    Handle *e = nullptr;
    if (!call.Acquire({{svchp, OCI_HTYPE_SVCCTX, false, &c},
                       {stmtp, OCI_HTYPE_STMT, false, &s},
                       {errhp, OCI_HTYPE_ERROR, true, &e}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    ServiceContext *context = As<ServiceContext>(c);
    Connection *connection = context->LoggedOnConnection();
    if (connection == nullptr) return Report(error, OraError::Make(1012));
    ExecutionContext execution{*connection, context->session->userName()};
    return As<StatementHandle>(s)->Execute(execution, error, iters);
  });
}

KESTREL_ENGINE_EXPORT sword OCIStmtFetch(OCIStmt *stmtp, OCIError *errhp,
                                         ub4 nrows, ub2 orientation, ub4) {
  Call call(FaultPoint::kStmtFetch);
  return call.Finish([&]() -> sword {
    Handle *s = nullptr;
    Handle *e = nullptr;
    if (!call.Acquire({{stmtp, OCI_HTYPE_STMT, false, &s},
                       {errhp, OCI_HTYPE_ERROR, true, &e}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    return As<StatementHandle>(s)->Fetch(error, nrows, orientation);
  });
}

KESTREL_ENGINE_EXPORT sword OCIDefineByPos(OCIStmt *stmtp, OCIDefine **defnp,
                                           OCIError *errhp, ub4 position,
                                           dvoid *valuep, sb4 value_sz,
                                           ub2 dty, dvoid *indp, ub2 *rlenp,
                                           ub2 *rcodep, ub4) {
  Call call(FaultPoint::kDefineByPos);
  return call.Finish([&]() -> sword {
    Handle *s = nullptr;
    Handle *e = nullptr;
    if (!call.Acquire({{stmtp, OCI_HTYPE_STMT, false, &s},
                       {errhp, OCI_HTYPE_ERROR, true, &e}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    return As<StatementHandle>(s)->Define(error, defnp, position, valuep,
                                          value_sz, dty, indp, rlenp, rcodep);
  });
}

KESTREL_ENGINE_EXPORT sword OCIBindByPos(OCIStmt *stmtp, OCIBind **,
                                         OCIError *errhp, ub4, dvoid *, sb4,
                                         ub2, dvoid *, ub2 *, ub2 *, ub4,
                                         ub4 *, ub4) {
  Call call(FaultPoint::kBindByPos);
  return call.Finish([&]() -> sword {
    Handle *s = nullptr;
    Handle *e = nullptr;
    if (!call.Acquire({{stmtp, OCI_HTYPE_STMT, false, &s},
                       {errhp, OCI_HTYPE_ERROR, true, &e}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    return Report(error, OraError::Make(3001, "binds"));
  });
}

KESTREL_ENGINE_EXPORT sword OCIBindByName(OCIStmt *stmtp, OCIBind **,
                                          OCIError *errhp, const OraText *,
                                          sb4, dvoid *, sb4, ub2, dvoid *,
                                          ub2 *, ub2 *, ub4, ub4 *, ub4) {
  Call call(FaultPoint::kBindByName);
  return call.Finish([&]() -> sword {
    Handle *s = nullptr;
    Handle *e = nullptr;
    if (!call.Acquire({{stmtp, OCI_HTYPE_STMT, false, &s},
                       {errhp, OCI_HTYPE_ERROR, true, &e}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    return Report(error, OraError::Make(3001, "binds"));
  });
}

}  // extern "C"
