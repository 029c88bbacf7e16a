/*
** The registry of live handles: every handle and descriptor the engine has
** given out, keyed by address. A caller's pointer is looked up here, under
** the registry's lock, before anything reads through it, so a null, freed
** or wrong-kind handle is refused instead of dereferenced. Together with
** the fault switch it is the engine's only global state.
*/
#ifndef KESTREL_ENGINE_REGISTRY_H
#define KESTREL_ENGINE_REGISTRY_H

#include <stddef.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "handles/EnvironmentMutex.h"
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
  ~EnvironmentLock() { Release(); }
  EnvironmentLock(const EnvironmentLock &) = delete;
  EnvironmentLock &operator=(const EnvironmentLock &) = delete;

  bool holds(const EnvironmentMutex *m) const { return mutex_ == m; }
  // Takes over a mutex already locked by the caller, while holding none.
  void AdoptUnlocked(EnvironmentMutex *locked) { mutex_ = locked; }
  // Takes over a mutex already locked by the caller.
  void Adopt(EnvironmentMutex *locked) {
    Release();
    mutex_ = locked;
  }
  void Release() {
    if (mutex_) {
      mutex_->unlock();
      mutex_ = nullptr;
    }
  }

 private:
  EnvironmentMutex *mutex_ = nullptr;
};

// What each thread remembers of the handles it found lately.
namespace remembered {

struct Entry {
  const void *address;
  ub4 kind;
  Handle *handle;
  Environment *environment;
  EnvironmentMutex *mutex;
};

// Sets chosen by address, two entries each, so a statement and an error
// handle whose addresses fall in one set (a chance of one in sixteen for
// any program) do not keep evicting each other.
constexpr size_t kSets = 16;
constexpr size_t kWays = 2;

// The last handle and error handle found together: a fetch loop repeats
// the same pair call after call.
struct Pair {
  const void *handle;
  const void *error;
  ub4 kind;
  Handle *found;
  Handle *errorFound;
  EnvironmentMutex *mutex;
};

struct ThreadMemory {
  uint64_t removals;
  Entry entries[kSets][kWays];
  Pair last;
};

// This thread's memory, made by its first lookup (null before that and
// once the thread is ending). Only this pointer is thread-local, in the
// initial-exec model: every call reads it with one instruction instead of
// a call to find the thread's block, and the 8 bytes it takes fit the
// static TLS reserve even when the engine is loaded late.
extern __thread ThreadMemory *memory __attribute__((tls_model("initial-exec")));

inline size_t SetOf(const void *address) {
  return (reinterpret_cast<uintptr_t>(address) >> 4) % kSets;
}

// The entry remembering `address` as a handle of `kind`, or null.
inline const Entry *Lookup(const ThreadMemory &m, const void *address, ub4 kind) {
  const Entry *set = m.entries[SetOf(address)];
  for (size_t way = 0; way < kWays; ++way) {
    if (set[way].address == address && set[way].kind == kind) return &set[way];
  }
  return nullptr;
}

}  // namespace remembered

class Registry {
 public:
  static Registry &Instance();

  void Add(Handle *handle);
  void Remove(const std::vector<Handle *> &handles);

  // The fast path of every call, inline in it: finds the wanted handles
  // among those this thread remembers and try-locks their environment.
  // A remembered handle is still live as long as nothing was removed from
  // the registry since it was found; that is checked again once the lock
  // is held (removing a handle needs that lock). False when any handle is
  // not remembered or the lock is busy: then Acquire decides.
  template <size_t N>
  static bool AcquireRemembered(const Want (&wants)[N], EnvironmentLock &lock) {
    const remembered::ThreadMemory *memory = remembered::memory;
    const uint64_t removals = removals_.load(std::memory_order_acquire);
    // A thread's memory starts zeroed and is cleared whenever the count
    // moved, so every entry in it was found live at this count.
    if (memory == nullptr || memory->removals != removals) return false;
    const remembered::ThreadMemory &m = *memory;
    Environment *env = nullptr;
    EnvironmentMutex *mutex = nullptr;
    for (size_t i = 0; i < N; ++i) {
      const Want &w = wants[i];
      if (w.address == nullptr) {
        if (!w.optional) return false;
        *w.out = nullptr;
        continue;
      }
      const remembered::Entry *entry = remembered::Lookup(m, w.address, w.kind);
      if (entry == nullptr) return false;
      const remembered::Entry &r = *entry;
      if (env != nullptr && r.environment != env) return false;
      env = r.environment;
      mutex = r.mutex;
      *w.out = r.handle;
    }
    if (env == nullptr || !mutex->try_lock()) return false;
    // Anything removed meanwhile may have been one of these handles.
    if (removals_.load(std::memory_order_acquire) != removals) {
      mutex->unlock();
      return false;
    }
    lock.AdoptUnlocked(mutex);
    return true;
  }

  // AcquireRemembered for the commonest shape, a required handle of `kind`
  // (none when `out` is null) and the call's optional error handle, without
  // building the list: the fetch, the attribute reads and the number
  // conversions go through here once per row or per value.
  static bool AcquireRememberedWithError(const void *handle, ub4 kind,
                                         const void *error, Handle **out,
                                         Handle **errorOut,
                                         EnvironmentLock &lock) {
    remembered::ThreadMemory *memory = remembered::memory;
    const uint64_t removals = removals_.load(std::memory_order_acquire);
    if (memory == nullptr || memory->removals != removals) return false;
    remembered::Pair &last = memory->last;
    if (out != nullptr && handle == last.handle && handle != nullptr &&
        error == last.error && kind == last.kind) {
      if (!last.mutex->try_lock()) return false;
      if (removals_.load(std::memory_order_acquire) != removals) {
        last.mutex->unlock();
        return false;
      }
      *out = last.found;
      *errorOut = last.errorFound;
      lock.AdoptUnlocked(last.mutex);
      return true;
    }
    const remembered::Entry *found = nullptr;
    Handle *handleFound = nullptr;
    if (out != nullptr) {  // the handle is wanted, and required
      if (handle == nullptr) return false;
      found = remembered::Lookup(*memory, handle, kind);
      if (found == nullptr) return false;
      handleFound = found->handle;
    }
    Handle *errorFound = nullptr;
    if (error != nullptr) {
      const remembered::Entry *entry = remembered::Lookup(*memory, error, OCI_HTYPE_ERROR);
      if (entry == nullptr) return false;
      const remembered::Entry &e = *entry;
      if (found != nullptr && e.environment != found->environment) return false;
      if (found == nullptr) found = &e;
      errorFound = e.handle;
    }
    if (found == nullptr || !found->mutex->try_lock()) return false;
    if (removals_.load(std::memory_order_acquire) != removals) {
      found->mutex->unlock();
      return false;
    }
    if (out != nullptr) {
      *out = handleFound;
      last = remembered::Pair{handle, error, kind, handleFound, errorFound,
                              found->mutex};
    }
    *errorOut = errorFound;
    lock.AdoptUnlocked(found->mutex);
    return true;
  }

  // Finds every wanted handle (all live, of their kinds and of one
  // environment) and locks that environment into `lock`. False when any is
  // missing, of another kind, or of another environment.
  bool Acquire(const Want *wants, size_t count, EnvironmentLock &lock);

  // True when `address` is a live handle of `kind`, for checks made while
  // a call already holds its environment's lock.
  Handle *Find(const void *address, ub4 kind);

  // For calls made without the environment's lock (OCIBreak): runs `visit`
  // on the live handle at `address` while the registry's lock keeps every
  // live handle from being destroyed; `visit` may ask `isLive` about
  // others. False when no handle lives there.
  bool Visit(const void *address,
             const std::function<void(Handle *, const std::function<bool(const void *)> &isLive)>
                 &visit);

  // Environment locks live as long as the registry and are reused, so a
  // lock remembered for an environment since freed is still memory that
  // can be locked (and then found stale).
  EnvironmentMutex *NewEnvironmentLock();
  void RecycleEnvironmentLock(EnvironmentMutex *lock);

 private:
  bool Resolve(const Want *wants, size_t count, Environment **environment);
  void Remember(const Want *wants, size_t count);

  std::mutex mutex_;
  std::unordered_map<const void *, Handle *> live_;
  std::deque<EnvironmentMutex> locks_;
  std::vector<EnvironmentMutex *> freeLocks_;
  // Counts removals; while it has not moved no handle has gone, so the
  // handles a thread remembers are still live. Static, so that the fast
  // path reaches it without the registry.
  static std::atomic<uint64_t> removals_;
};

}  // namespace kestrel_engine

#endif
