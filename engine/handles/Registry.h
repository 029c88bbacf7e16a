/*
** The registry of live handles: every handle and descriptor the engine has
** given out, keyed by address. A caller's pointer is looked up here, under
** the registry's lock, before anything reads through it, so a null, freed
** or wrong-kind handle is refused instead of dereferenced. Together with
** the fault switch it is the engine's only global state.
*/
#ifndef KESTREL_ENGINE_REGISTRY_H
#define KESTREL_ENGINE_REGISTRY_H

#include <atomic>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "handles/Handle.h"

namespace kestrel_engine {

// One handle an exported call needs: its address as the caller gave it,
// the kind it must be, and whether null is allowed.
struct Want {
  const void *address;
  ub4 kind;
  bool optional;
  Handle **out;
};

// Holds an environment's lock for the length of one exported call.
class EnvironmentLock {
 public:
  EnvironmentLock() = default;
  ~EnvironmentLock();
  EnvironmentLock(const EnvironmentLock &) = delete;
  EnvironmentLock &operator=(const EnvironmentLock &) = delete;

  bool holds(const std::mutex *m) const { return mutex_ == m; }
  // Takes over a mutex already locked by the caller.
  void Adopt(std::mutex *locked);
  void Release();

 private:
  std::mutex *mutex_ = nullptr;
};

class Registry {
 public:
  static Registry &Instance();

  void Add(Handle *handle);
  void Remove(const std::vector<Handle *> &handles);

  // Finds every wanted handle (all live, of their kinds and of one
  // environment) and locks that environment into `lock`. False when any is
  // missing, of another kind, or of another environment.
  bool Acquire(std::initializer_list<Want> wants, EnvironmentLock &lock);

  // True when `address` is a live handle of `kind`, for checks made while
  // a call already holds its environment's lock.
  Handle *Find(const void *address, ub4 kind);

  // Environment locks live as long as the registry and are reused, so a
  // lock remembered for an environment since freed is still memory that
  // can be locked (and then found stale).
  std::mutex *NewEnvironmentLock();
  void RecycleEnvironmentLock(std::mutex *lock);

 private:
  bool Resolve(std::initializer_list<Want> wants, Environment **environment);
  bool AcquireCached(std::initializer_list<Want> wants, EnvironmentLock &lock);
  void Remember(std::initializer_list<Want> wants);

  std::mutex mutex_;
  std::unordered_map<const void *, Handle *> live_;
  std::deque<std::mutex> locks_;
  std::vector<std::mutex *> freeLocks_;
  // Counts removals. A thread remembers the handles it found lately, with
  // the count at the time; while the count has not moved no handle has
  // gone, so they are still live without a lookup.
  std::atomic<uint64_t> removals_{0};
};

}  // namespace kestrel_engine

#endif
