/*
** Exported calls: set-up, handle and descriptor allocation and freeing.
*/
#include <sodium.h>

#include "api/Call.h"
#include "errors/ErrorHandle.h"
#include "handles/Environment.h"
#include "lob/LobLocator.h"
#include "session/SessionHandles.h"
#include "statement/StatementHandle.h"
#include "types/TimestampDescriptor.h"

using namespace kestrel_engine;

namespace {

// A descriptor kind that carries nothing (snapshots).
class SnapshotDescriptor : public Handle {
 public:
  SnapshotDescriptor(Environment *environment, Handle *parent)
      : Handle(OCI_DTYPE_SNAP, environment, parent) {}
};

Handle *CreateHandle(Environment &env, ub4 type) {
  switch (type) {
    case OCI_HTYPE_ERROR: return env.Create<ErrorHandle>(&env);
    case OCI_HTYPE_SVCCTX: return env.Create<ServiceContext>(&env);
    case OCI_HTYPE_STMT: return env.Create<StatementHandle>(&env);
    case OCI_HTYPE_DESCRIBE: return env.Create<DescribeHandle>(&env);
    case OCI_HTYPE_SERVER: return env.Create<ServerHandle>(&env);
    case OCI_HTYPE_SESSION: return env.Create<SessionHandle>(&env);
    case OCI_HTYPE_TRANS: return env.Create<TransactionHandle>(&env);
    default: return nullptr;
  }
}

bool Allocatable(ub4 type) {
  switch (type) {
    case OCI_HTYPE_ERROR: case OCI_HTYPE_SVCCTX: case OCI_HTYPE_STMT:
    case OCI_HTYPE_DESCRIBE: case OCI_HTYPE_SERVER: case OCI_HTYPE_SESSION:
    case OCI_HTYPE_TRANS:
      return true;
    default:
      return false;
  }
}

}  // namespace

extern "C" {

KESTREL_ENGINE_EXPORT sword OCIInitialize(
    ub4, dvoid *, dvoid *(*)(dvoid *, size_t),
    dvoid *(*)(dvoid *, dvoid *, size_t), void (*)(dvoid *, dvoid *)) {
  // The memory callbacks are accepted and not used: the engine's memory is
  // its own.
  Call call(FaultPoint::kInitialize);
  return call.Finish([&]() -> sword {
    sword status;
    if (call.Injected(nullptr, &status)) return status;
    if (sodium_init() < 0) return OCI_ERROR;
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCIEnvInit(OCIEnv **envp, ub4, size_t xtramem_sz,
                                       dvoid **usrmempp) {
  Call call(FaultPoint::kEnvInit);
  return call.Finish([&]() -> sword {
    sword status;
    if (call.Injected(nullptr, &status)) return status;
    if (envp == nullptr) return OCI_INVALID_HANDLE;
    Environment *env = new Environment;
    void *user = env->ReserveUserMemory(xtramem_sz);
    if (usrmempp) *usrmempp = user;
    *envp = reinterpret_cast<OCIEnv *>(static_cast<Handle *>(env));
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCIHandleAlloc(const dvoid *parenth,
                                           dvoid **hndlpp, const ub4 type,
                                           const size_t xtramem_sz,
                                           dvoid **usrmempp) {
  Call call(FaultPoint::kHandleAlloc);
  return call.Finish([&]() -> sword {
    Handle *parent = nullptr;
    if (!call.Acquire({{parenth, OCI_HTYPE_ENV, false, &parent}})) {
      return OCI_INVALID_HANDLE;
    }
    sword status;
    if (call.Injected(nullptr, &status)) return status;
    if (hndlpp == nullptr) return OCI_INVALID_HANDLE;
    Environment &env = *As<Environment>(parent);
    if (!Allocatable(type)) {
      env.error() = OraError::Make(21560, "type");
      return OCI_ERROR;
    }
    Handle *handle = CreateHandle(env, type);
    void *user = handle->ReserveUserMemory(xtramem_sz);
    if (usrmempp) *usrmempp = user;
    *hndlpp = handle;
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCIHandleFree(dvoid *hndlp, const ub4 type) {
  Call call(FaultPoint::kHandleFree);
  return call.Finish([&]() -> sword {
    if (type == OCI_HTYPE_BIND || type == OCI_HTYPE_DEFINE ||
        type >= OCI_DTYPE_LOB) {
      return OCI_INVALID_HANDLE;  // freed with their statement
    }
    Handle *handle = nullptr;
    if (!call.Acquire({{hndlp, type, false, &handle}})) {
      return OCI_INVALID_HANDLE;
    }
    sword status;
    if (call.Injected(nullptr, &status)) return status;
    if (type == OCI_HTYPE_ENV) {
      Environment *env = As<Environment>(handle);
      env->FreeEverything();
      delete env;  // the call still holds the environment's lock object
    } else {
      handle->environment()->Free(handle);
    }
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCIDescriptorAlloc(const dvoid *parenth,
                                               dvoid **descpp, const ub4 type,
                                               const size_t xtramem_sz,
                                               dvoid **usrmempp) {
  Call call(FaultPoint::kDescriptorAlloc);
  return call.Finish([&]() -> sword {
    Handle *parent = nullptr;
    if (!call.Acquire({{parenth, OCI_HTYPE_ENV, false, &parent}})) {
      return OCI_INVALID_HANDLE;
    }
    sword status;
    if (call.Injected(nullptr, &status)) return status;
    if (descpp == nullptr) return OCI_INVALID_HANDLE;
    Environment &env = *As<Environment>(parent);
    Handle *descriptor = nullptr;
    if (type == OCI_DTYPE_LOB) {
      descriptor = env.Create<LobLocator>(&env);
    } else if (type == OCI_DTYPE_SNAP) {
      descriptor = env.Create<SnapshotDescriptor>(&env);
    } else if (type == OCI_DTYPE_TIMESTAMP) {
      descriptor = env.Create<TimestampDescriptor>(&env);
    } else {
      env.error() = OraError::Make(21560, "type");
      return OCI_ERROR;
    }
    void *user = descriptor->ReserveUserMemory(xtramem_sz);
    if (usrmempp) *usrmempp = user;
    *descpp = descriptor;
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCIDescriptorFree(dvoid *descp, const ub4 type) {
  Call call(FaultPoint::kDescriptorFree);
  return call.Finish([&]() -> sword {
    if (type != OCI_DTYPE_LOB && type != OCI_DTYPE_SNAP &&
        type != OCI_DTYPE_PARAM && type != OCI_DTYPE_TIMESTAMP) {
      return OCI_INVALID_HANDLE;
    }
    Handle *descriptor = nullptr;
    if (!call.Acquire({{descp, type, false, &descriptor}})) {
      return OCI_INVALID_HANDLE;
    }
    sword status;
    if (call.Injected(nullptr, &status)) return status;
    descriptor->environment()->Free(descriptor);
    return OCI_SUCCESS;
  });
}

}  // extern "C"
