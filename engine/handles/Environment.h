/*
** The environment handle: the root of every other handle, their owner, and
** the lock that serialises the calls made on its handles. Handles of
** different environments share nothing but the registry, so they run in
** parallel.
*/
#ifndef KESTREL_ENGINE_ENVIRONMENT_H
#define KESTREL_ENGINE_ENVIRONMENT_H

#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "errors/OraError.h"
#include "handles/Handle.h"
#include "handles/Registry.h"

namespace kestrel_engine {

class Environment : public Handle {
 public:
  Environment();
  ~Environment() override;

  // Creates a handle owned by this environment, under `parent`, and makes
  // it known to the registry.
  template <typename T, typename... Args>
  T *Create(Handle *parent, Args &&...args) {
    auto owned = std::make_unique<T>(this, parent, std::forward<Args>(args)...);
    T *handle = owned.get();
    Adopt(std::move(owned));
    return handle;
  }

  // Frees `handle` and everything under it; the others forget it.
  void Free(Handle *handle);
  // Frees every handle of the environment and unregisters the environment
  // itself; the caller then deletes it.
  void FreeEverything();

  // Tells every handle that `connection` is about to close.
  void ConnectionClosing(const Connection *connection);

  // The handles of one kind, for the few operations that look at them all.
  std::vector<Handle *> HandlesOfKind(ub4 kind) const;

  EnvironmentMutex *lock() const { return lock_; }

  // Environment-level errors (OCIErrorGet on the environment handle).
  OraError &error() { return error_; }

 private:
  void Adopt(std::unique_ptr<Handle> handle);
  void Destroy(const std::vector<Handle *> &doomed);

  EnvironmentMutex *lock_;  // from the registry's pool
  std::unordered_map<Handle *, std::unique_ptr<Handle>> owned_;
  OraError error_;
};

}  // namespace kestrel_engine

#endif
