/*
** Exported calls: prepare, execute, fetch, defines and binds.
*/
#include <string.h>

#include "api/Call.h"
#include "session/SessionHandles.h"
#include "statement/StatementHandle.h"

using namespace kestrel_engine;

namespace {

// PL/SQL array binds (a maximum array length) and the piecewise and
// data-at-execution modes are not carried out.
sword RefuseBindExtras(ErrorHandle *error, ub4 maxarr_len, ub4 mode) {
  if (maxarr_len != 0) {
    return Report(error, OraError::Make(3001, "PL/SQL array binds"));
  }
  if (mode != OCI_DEFAULT) {
    return Report(error, OraError::Make(3001, "bind mode " + std::to_string(mode)));
  }
  return OCI_SUCCESS;
}

}  // namespace

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
    OraError failure;
    if (!As<StatementHandle>(s)->Prepare(
            std::string_view(reinterpret_cast<const char *>(
                                 stmt ? stmt : reinterpret_cast<const OraText *>("")),
                             stmt_len),
            &failure)) {
      return Report(error, failure);
    }
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCIStmtExecute(OCISvcCtx *svchp, OCIStmt *stmtp,
                                           OCIError *errhp, ub4 iters, ub4,
                                           const OCISnapshot *, OCISnapshot *,
                                           ub4 mode) {
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
    ExecutionContext execution{*connection, context->session->userName(),
                               (mode & OCI_COMMIT_ON_SUCCESS) != 0};
    const sword executed = As<StatementHandle>(s)->Execute(execution, error, iters);
    if (!execution.commitOnSuccess) return executed;
    // OCI_COMMIT_ON_SUCCESS: the transaction is committed when the
    // statement succeeds; when it fails it stays as it was, unless the
    // statement was all of it (then nothing but kept sequence marks is
    // left to end it with).
    if (executed == OCI_SUCCESS || executed == OCI_SUCCESS_WITH_INFO) {
      OraError failure;
      if (!connection->Commit(&failure)) return Report(error, failure);
    } else if (connection->Alone()) {
      OraError ignored;
      connection->EndAloneAfterFailure(&ignored);
    }
    return executed;
  });
}

KESTREL_ENGINE_EXPORT sword OCIStmtFetch(OCIStmt *stmtp, OCIError *errhp,
                                         ub4 nrows, ub2 orientation, ub4) {
  Call call(FaultPoint::kStmtFetch);
  return call.Finish([&]() -> sword {
    Handle *s = nullptr;
    Handle *e = nullptr;
    if (!call.AcquireWithError(stmtp, OCI_HTYPE_STMT, errhp, &s, &e)) {
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

KESTREL_ENGINE_EXPORT sword OCIBindByPos(OCIStmt *stmtp, OCIBind **bindp,
                                         OCIError *errhp, ub4 position,
                                         dvoid *valuep, sb4 value_sz, ub2 dty,
                                         dvoid *indp, ub2 *alenp, ub2 *,
                                         ub4 maxarr_len, ub4 *, ub4 mode) {
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
    if ((status = RefuseBindExtras(error, maxarr_len, mode)) != OCI_SUCCESS) {
      return status;
    }
    const BindSource source{valuep, value_sz, dty,
                            static_cast<const sb2 *>(indp), alenp};
    return As<StatementHandle>(s)->Bind(error, bindp, position, nullptr,
                                        source);
  });
}

KESTREL_ENGINE_EXPORT sword OCIBindByName(OCIStmt *stmtp, OCIBind **bindp,
                                          OCIError *errhp,
                                          const OraText *placeholder,
                                          sb4 placeh_len, dvoid *valuep,
                                          sb4 value_sz, ub2 dty, dvoid *indp,
                                          ub2 *alenp, ub2 *, ub4 maxarr_len,
                                          ub4 *, ub4 mode) {
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
    if (placeholder == nullptr) {
      return Report(error, OraError::Make(21560, "placeholder"));
    }
    if ((status = RefuseBindExtras(error, maxarr_len, mode)) != OCI_SUCCESS) {
      return status;
    }
    // A negative length means NUL-terminated text.
    const char *text = reinterpret_cast<const char *>(placeholder);
    const std::string name(text, placeh_len < 0 ? strlen(text)
                                                : static_cast<size_t>(placeh_len));
    const BindSource source{valuep, value_sz, dty,
                            static_cast<const sb2 *>(indp), alenp};
    return As<StatementHandle>(s)->Bind(error, bindp, 0, &name, source);
  });
}

}  // extern "C"
