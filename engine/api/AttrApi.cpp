/*
** Exported calls: attributes of handles and column descriptors, and
** parameter descriptors. Each attribute is written with the vendor's width
** for it (ub2 type and size, sb1 scale, sb2 precision, ub4 counts, a text
** pointer and ub4 length for names); sizep, when given, receives that
** width. The precision is written as sb2, the width the vendor uses for
** statements it describes implicitly after execution.
*/
#include <cstring>

#include "api/Call.h"
#include "handles/Environment.h"
#include "session/SessionHandles.h"
#include "statement/StatementHandle.h"

using namespace kestrel_engine;

namespace {

template <typename T>
sword Put(dvoid *attributep, ub4 *sizep, T value) {
  std::memcpy(attributep, &value, sizeof value);
  if (sizep) *sizep = sizeof value;
  return OCI_SUCCESS;
}

sword PutText(dvoid *attributep, ub4 *sizep, const std::string &text) {
  const OraText *pointer = reinterpret_cast<const OraText *>(text.c_str());
  std::memcpy(attributep, &pointer, sizeof pointer);
  if (sizep) *sizep = static_cast<ub4>(text.size());
  return OCI_SUCCESS;
}

sword Illegal(ErrorHandle *error, ub4 attribute) {
  return Report(error, OraError::Make(24315, "attribute " +
                                                 std::to_string(attribute)));
}

sword GetStatement(StatementHandle &s, ErrorHandle *error, dvoid *attributep,
                   ub4 *sizep, ub4 attribute) {
  switch (attribute) {
    case OCI_ATTR_STMT_TYPE: return Put<ub2>(attributep, sizep, s.type());
    case OCI_ATTR_PARAM_COUNT: return Put<ub4>(attributep, sizep, s.columnCount());
    case OCI_ATTR_ROW_COUNT: return Put<ub4>(attributep, sizep, s.rowCount());
    case OCI_ATTR_PARSE_ERROR_OFFSET: return Put<ub2>(attributep, sizep, s.errorOffset());
    default: return Illegal(error, attribute);
  }
}

sword GetParam(ParamHandle &p, ErrorHandle *error, dvoid *attributep,
               ub4 *sizep, ub4 attribute) {
  const ColumnDescription &c = p.column;
  switch (attribute) {
    case OCI_ATTR_DATA_SIZE: return Put<ub2>(attributep, sizep, c.dataSize);
    case OCI_ATTR_DATA_TYPE: return Put<ub2>(attributep, sizep, c.dataType);
    case OCI_ATTR_DISP_SIZE: return Put<ub2>(attributep, sizep, c.dataSize);
    case OCI_ATTR_NAME: return PutText(attributep, sizep, c.name);
    case OCI_ATTR_PRECISION: return Put<sb2>(attributep, sizep, c.precision);
    case OCI_ATTR_SCALE: return Put<sb1>(attributep, sizep, c.scale);
    case OCI_ATTR_IS_NULL: return Put<ub1>(attributep, sizep, c.nullable);
    default: return Illegal(error, attribute);
  }
}

sword GetServiceContext(ServiceContext &s, ErrorHandle *error,
                        dvoid *attributep, ub4 *sizep, ub4 attribute) {
  switch (attribute) {
    case OCI_ATTR_SERVER: return Put<void *>(attributep, sizep, s.server);
    case OCI_ATTR_SESSION: return Put<void *>(attributep, sizep, s.session);
    case OCI_ATTR_TRANS: return Put<void *>(attributep, sizep, s.transaction);
    default: return Illegal(error, attribute);
  }
}

// Points the service context at another handle of the same environment;
// null clears the reference.
template <typename T>
sword Link(T **field, const dvoid *value, ub4 kind, Environment *env) {
  if (value == nullptr) {
    *field = nullptr;
    return OCI_SUCCESS;
  }
  Handle *h = Registry::Instance().Find(value, kind);
  if (h == nullptr || h->environment() != env) return OCI_INVALID_HANDLE;
  *field = static_cast<T *>(h);
  return OCI_SUCCESS;
}

}  // namespace

extern "C" {

KESTREL_ENGINE_EXPORT sword OCIAttrSet(dvoid *trgthndlp, ub4 trghndltyp,
                                       dvoid *attributep, ub4 size,
                                       ub4 attrtype, OCIError *errhp) {
  Call call(FaultPoint::kAttrSet);
  return call.Finish([&]() -> sword {
    Handle *target = nullptr;
    Handle *e = nullptr;
    if (!call.Acquire({{trgthndlp, trghndltyp, false, &target},
                       {errhp, OCI_HTYPE_ERROR, true, &e}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;

    if (trghndltyp == OCI_HTYPE_SVCCTX) {
      auto *s = As<ServiceContext>(target);
      Environment *env = s->environment();
      switch (attrtype) {
        case OCI_ATTR_SERVER: {
          const sword status = Link(&s->server, attributep, OCI_HTYPE_SERVER, env);
          s->serverForBreak.store(s->server);
          return status;
        }
        case OCI_ATTR_SESSION: return Link(&s->session, attributep, OCI_HTYPE_SESSION, env);
        case OCI_ATTR_TRANS: return Link(&s->transaction, attributep, OCI_HTYPE_TRANS, env);
        default: break;
      }
    } else if (trghndltyp == OCI_HTYPE_SESSION) {
      auto *s = As<SessionHandle>(target);
      const char *text = static_cast<const char *>(attributep);
      switch (attrtype) {
        case OCI_ATTR_USERNAME:
          s->userName().assign(text ? text : "", text ? size : 0);
          return OCI_SUCCESS;
        case OCI_ATTR_PASSWORD:
          s->SetPassword(text, size);
          return OCI_SUCCESS;
        default: break;
      }
    }
    return Illegal(error, attrtype);
  });
}

KESTREL_ENGINE_EXPORT sword OCIAttrGet(const dvoid *trgthndlp, ub4 trghndltyp,
                                       dvoid *attributep, ub4 *sizep,
                                       ub4 attrtype, OCIError *errhp) {
  Call call(FaultPoint::kAttrGet);
  return call.Finish([&]() -> sword {
    Handle *target = nullptr;
    Handle *e = nullptr;
    if (!call.AcquireWithError(trgthndlp, trghndltyp, errhp, &target, &e)) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    if (attributep == nullptr) {
      return Report(error, OraError::Make(21560, "attributep"));
    }
    switch (trghndltyp) {
      case OCI_HTYPE_STMT:
        return GetStatement(*As<StatementHandle>(target), error, attributep,
                            sizep, attrtype);
      case OCI_DTYPE_PARAM:
        return GetParam(*As<ParamHandle>(target), error, attributep, sizep,
                        attrtype);
      case OCI_HTYPE_SVCCTX:
        return GetServiceContext(*As<ServiceContext>(target), error, attributep,
                                 sizep, attrtype);
      case OCI_HTYPE_SESSION:
        if (attrtype == OCI_ATTR_USERNAME) {
          return PutText(attributep, sizep, As<SessionHandle>(target)->userName());
        }
        return Illegal(error, attrtype);
      default:
        return Illegal(error, attrtype);
    }
  });
}

KESTREL_ENGINE_EXPORT sword OCIParamGet(const dvoid *hndlp, ub4 htype,
                                        OCIError *errhp, dvoid **parmdpp,
                                        ub4 pos) {
  Call call(FaultPoint::kParamGet);
  return call.Finish([&]() -> sword {
    Handle *target = nullptr;
    Handle *e = nullptr;
    if (htype != OCI_HTYPE_STMT ||
        !call.Acquire({{hndlp, OCI_HTYPE_STMT, false, &target},
                       {errhp, OCI_HTYPE_ERROR, true, &e}})) {
      return OCI_INVALID_HANDLE;
    }
    ErrorHandle *error = As<ErrorHandle>(e);
    sword status;
    if (call.Injected(error, &status)) return status;
    if (parmdpp == nullptr) return Report(error, OraError::Make(21560, "parmdpp"));
    ParamHandle *param = nullptr;
    const sword result = As<StatementHandle>(target)->ParamGet(error, pos, &param);
    if (result == OCI_SUCCESS) *parmdpp = static_cast<Handle *>(param);
    return result;
  });
}

}  // extern "C"
