/*
** The registry's lookups and the environment locking of a call. The fast
** path takes the registry lock once and try-locks the environment under
** it; only when another thread holds the environment does a call wait for
** it outside the registry lock and then look its handles up again (they
** may have been freed meanwhile). Lock order: environment, then registry.
**
** In front of that (Registry::AcquireRemembered, inline in every call),
** each thread remembers the handles it found lately, so a call that reuses
** its handles, such as a fetch per row, takes no registry lock at all.
*/
#include "handles/Registry.h"

#include <new>

#include "handles/Environment.h"

namespace kestrel_engine {

namespace remembered {

__thread ThreadMemory *memory = nullptr;

namespace {

__thread bool ending = false;

// Frees a thread's memory when the thread ends. Calls made later in the
// thread's end (from other thread-local destructors) find no memory and
// make none: they take the registry's path.
struct Owner {
  ~Owner() {
    delete memory;
    memory = nullptr;
    ending = true;
  }
};

thread_local Owner owner;

// This thread's memory, made on first use; null when it cannot be had.
ThreadMemory *Memory() {
  if (memory == nullptr && !ending) {
    (void)owner;  // registers the release at thread end
    memory = new (std::nothrow) ThreadMemory{};
  }
  return memory;
}

}  // namespace
}  // namespace remembered

using remembered::Memory;
using remembered::SetOf;

std::atomic<uint64_t> Registry::removals_{0};

EnvironmentMutex *Registry::NewEnvironmentLock() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!freeLocks_.empty()) {
    EnvironmentMutex *lock = freeLocks_.back();
    freeLocks_.pop_back();
    return lock;
  }
  return &locks_.emplace_back();
}

void Registry::RecycleEnvironmentLock(EnvironmentMutex *lock) {
  std::lock_guard<std::mutex> guard(mutex_);
  freeLocks_.push_back(lock);
}

Registry &Registry::Instance() {
  static Registry *registry = new Registry;  // never destroyed: handles may
                                            // outlive static destruction
  return *registry;
}

void Registry::Add(Handle *handle) {
  std::lock_guard<std::mutex> guard(mutex_);
  live_.emplace(handle, handle);
}

void Registry::Remove(const std::vector<Handle *> &handles) {
  std::lock_guard<std::mutex> guard(mutex_);
  for (Handle *h : handles) live_.erase(h);
  removals_.fetch_add(1, std::memory_order_release);
}

// Called under the registry lock, after a successful lookup.
void Registry::Remember(const Want *wants, size_t count) {
  remembered::ThreadMemory *memory = Memory();
  if (memory == nullptr) return;
  remembered::ThreadMemory &m = *memory;
  const uint64_t removals = removals_.load(std::memory_order_relaxed);
  if (m.removals != removals) {
    for (auto &set : m.entries) {
      for (remembered::Entry &r : set) r = remembered::Entry{};
    }
    m.last = remembered::Pair{};
    m.removals = removals;
  }
  for (size_t i = 0; i < count; ++i) {
    const Want &w = wants[i];
    Handle *h = *w.out;
    if (h == nullptr) continue;
    if (remembered::Lookup(m, w.address, w.kind) != nullptr) continue;
    // The newest first; the older one stays as the second way.
    remembered::Entry *set = m.entries[SetOf(w.address)];
    set[1] = set[0];
    set[0] = remembered::Entry{w.address, w.kind, h, h->environment(),
                               h->environment()->lock()};
  }
}

bool Registry::Visit(
    const void *address,
    const std::function<void(Handle *, const std::function<bool(const void *)> &)> &visit) {
  if (address == nullptr) return false;
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = live_.find(address);
  if (it == live_.end()) return false;
  visit(it->second, [this](const void *other) { return live_.count(other) != 0; });
  return true;
}

Handle *Registry::Find(const void *address, ub4 kind) {
  if (address == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = live_.find(address);
  if (it == live_.end() || it->second->kind() != kind) return nullptr;
  return it->second;
}

bool Registry::Resolve(const Want *wants, size_t count,
                       Environment **environment) {
  Environment *env = nullptr;
  for (size_t i = 0; i < count; ++i) {
    const Want &w = wants[i];
    *w.out = nullptr;
    if (w.address == nullptr) {
      if (w.optional) continue;
      return false;
    }
    auto it = live_.find(w.address);
    if (it == live_.end() || it->second->kind() != w.kind) return false;
    Environment *e = it->second->environment();
    if (env != nullptr && e != env) return false;
    env = e;
    *w.out = it->second;
  }
  *environment = env;
  return true;
}

bool Registry::Acquire(const Want *wants, size_t count,
                       EnvironmentLock &lock) {
  std::unique_lock<std::mutex> guard(mutex_);
  Environment *env = nullptr;
  if (!Resolve(wants, count, &env)) return false;
  if (env == nullptr) return true;  // only absent optional handles
  EnvironmentMutex *envLock = env->lock();
  if (envLock->try_lock()) {
    lock.Adopt(envLock);
    Remember(wants, count);
    return true;
  }
  // Another thread is inside this environment: wait for it without
  // holding the registry, then check the handles again.
  guard.unlock();
  envLock->lock();
  lock.Adopt(envLock);
  guard.lock();
  Environment *again = nullptr;
  if (!Resolve(wants, count, &again) || again == nullptr ||
      !lock.holds(again->lock())) {
    guard.unlock();
    lock.Release();
    return false;
  }
  return true;
}

}  // namespace kestrel_engine
