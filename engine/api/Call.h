/*
** The common start of every exported call: find the caller's handles in
** the registry (holding their environment's lock for the call), consult
** the fault switch, and clear the error handle.
*/
#ifndef KESTREL_ENGINE_CALL_H
#define KESTREL_ENGINE_CALL_H

#include <initializer_list>

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
  bool Acquire(std::initializer_list<Want> wants) {
    return Registry::Instance().Acquire(wants, lock_);
  }

  // True when an injected fault stops the call with `*status` (recorded in
  // `error` for OCI_ERROR). Otherwise clears `error` for the call.
  bool Injected(ErrorHandle *error, sword *status);

 private:
  FaultPoint point_;
  EnvironmentLock lock_;
};

// Handles of a given kind, from the untyped pointers of the C interface.
template <typename T>
T *As(Handle *handle) {
  return static_cast<T *>(handle);
}

}  // namespace kestrel_engine

#endif
