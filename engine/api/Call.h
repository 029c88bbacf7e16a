/*
** The common start of every exported call: find the caller's handles in
** the registry (holding their environment's lock for the call), consult
** the fault switch, and clear the error handle.
*/
#ifndef KESTREL_ENGINE_CALL_H
#define KESTREL_ENGINE_CALL_H

#include <stddef.h>

#include "errors/ErrorHandle.h"
#include "fault/FaultSwitch.h"
#include "handles/Registry.h"

// The exported client-interface functions keep default visibility; the
// rest of the engine is hidden.
#define KESTREL_ENGINE_EXPORT __attribute__((visibility("default")))

namespace kestrel_engine {

class Call {
 public:
  explicit Call(FaultPoint point) : point_(point) {}

  // False when any wanted handle is null (unless optional), freed, of
  // another kind or of another environment: answer OCI_INVALID_HANDLE.
  // Called once per call.
  template <size_t N>
  bool Acquire(const Want (&wants)[N]) {
    return Registry::AcquireRemembered(wants, lock_) ||
           Registry::Instance().Acquire(wants, N, lock_);
  }

  // Acquire for a required handle of `kind` and the optional error handle
  // `errhp`, the shape of most calls; `out` null for the calls that take
  // only an error handle.
  bool AcquireWithError(const void *handle, ub4 kind, const void *errhp,
                        Handle **out, Handle **error) {
    if (Registry::AcquireRememberedWithError(handle, kind, errhp, out, error,
                                             lock_))
      return true;
    if (out == nullptr) {
      const Want wants[] = {{errhp, OCI_HTYPE_ERROR, true, error}};
      return Registry::Instance().Acquire(wants, 1, lock_);
    }
    const Want wants[] = {{handle, kind, false, out},
                          {errhp, OCI_HTYPE_ERROR, true, error}};
    return Registry::Instance().Acquire(wants, 2, lock_);
  }

  // Runs the call's body. An injected warning (OCI_SUCCESS_WITH_INFO) lets
  // the call do its work and then replaces a plain success.
  template <typename Body>
  sword Finish(Body body) {
    const sword status = body();
    return status == OCI_SUCCESS ? warning_ : status;
  }

  // True when an injected fault stops the call with `*status` (recorded in
  // `error` for OCI_ERROR); nothing else happens then. Otherwise clears
  // `error` for the call.
  bool Injected(ErrorHandle *error, sword *status) {
    if (!AnyFaultArmed()) {
      if (error) error->Clear();
      return false;
    }
    return InjectedSlow(error, status);
  }

 private:
  bool InjectedSlow(ErrorHandle *error, sword *status);

  FaultPoint point_;
  sword warning_ = OCI_SUCCESS;
  EnvironmentLock lock_;
};

// Handles of a given kind, from the untyped pointers of the C interface.
template <typename T>
T *As(Handle *handle) {
  return static_cast<T *>(handle);
}

}  // namespace kestrel_engine

#endif
