/*
** The registry's lookups and the environment locking of a call. The fast
** path takes the registry lock once and try-locks the environment under
** it; only when another thread holds the environment does a call wait for
** it outside the registry lock and then look its handles up again (they
** may have been freed meanwhile). Lock order: environment, then registry.
**
** In front of that, each thread remembers the handles it found lately. A
** remembered handle is still live as long as nothing was removed from the
** registry since it was found; that is checked again once the
** environment's lock is held (removing a handle needs that lock), so a
** call that reuses its handles, such as a fetch per row, takes no registry
** lock at all.
*/
#include "handles/Registry.h"

#include "handles/Environment.h"

namespace kestrel_engine {

namespace {

struct Remembered {
  const void *address;
  ub4 kind;
  Handle *handle;
  Environment *environment;
  std::mutex *mutex;
};

// Direct-mapped by address: one comparison per wanted handle.
constexpr size_t kRemembered = 16;

// Plain data, so a thread reaches it without an initialisation guard.
struct ThreadMemory {
  uint64_t removals;
  bool valid;
  Remembered entries[kRemembered];
};

size_t SlotOf(const void *address) {
  return (reinterpret_cast<uintptr_t>(address) >> 4) % kRemembered;
}

thread_local ThreadMemory memory;

// One address computation per call (the compiler would otherwise redo the
// thread-local lookup at every use).
__attribute__((noinline)) ThreadMemory &Memory() { return memory; }

}  // namespace

EnvironmentLock::~EnvironmentLock() { Release(); }

void EnvironmentLock::Adopt(std::mutex *locked) {
  Release();
  mutex_ = locked;
}

void EnvironmentLock::Release() {
  if (mutex_) {
    mutex_->unlock();
    mutex_ = nullptr;
  }
}

std::mutex *Registry::NewEnvironmentLock() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!freeLocks_.empty()) {
    std::mutex *lock = freeLocks_.back();
    freeLocks_.pop_back();
    return lock;
  }
  return &locks_.emplace_back();
}

void Registry::RecycleEnvironmentLock(std::mutex *lock) {
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

bool Registry::AcquireCached(std::initializer_list<Want> wants,
                             EnvironmentLock &lock) {
  ThreadMemory &m = Memory();
  const uint64_t removals = removals_.load(std::memory_order_acquire);
  if (!m.valid || m.removals != removals) return false;
  Environment *env = nullptr;
  std::mutex *mutex = nullptr;
  for (const Want &w : wants) {
    if (w.address == nullptr) {
      if (!w.optional) return false;
      *w.out = nullptr;
      continue;
    }
    const Remembered &r = m.entries[SlotOf(w.address)];
    if (r.address != w.address || r.kind != w.kind) return false;
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
  lock.Adopt(mutex);
  return true;
}

// Called under the registry lock, after a successful lookup.
void Registry::Remember(std::initializer_list<Want> wants) {
  ThreadMemory &m = Memory();
  const uint64_t removals = removals_.load(std::memory_order_relaxed);
  if (!m.valid || m.removals != removals) {
    for (Remembered &r : m.entries) r = Remembered{};
    m.removals = removals;
    m.valid = true;
  }
  for (const Want &w : wants) {
    Handle *h = *w.out;
    if (h == nullptr) continue;
    Remembered &slot = m.entries[SlotOf(w.address)];
    if (slot.address == w.address && slot.kind == w.kind) continue;
    slot = Remembered{w.address, w.kind, h, h->environment(),
                      h->environment()->lock()};
  }
}

Handle *Registry::Find(const void *address, ub4 kind) {
  if (address == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = live_.find(address);
  if (it == live_.end() || it->second->kind() != kind) return nullptr;
  return it->second;
}

bool Registry::Resolve(std::initializer_list<Want> wants,
                       Environment **environment) {
  Environment *env = nullptr;
  for (const Want &w : wants) {
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

bool Registry::Acquire(std::initializer_list<Want> wants,
                       EnvironmentLock &lock) {
  if (AcquireCached(wants, lock)) return true;
  std::unique_lock<std::mutex> guard(mutex_);
  Environment *env = nullptr;
  if (!Resolve(wants, &env)) return false;
  if (env == nullptr) return true;  // only absent optional handles
  std::mutex *envLock = env->lock();
  if (envLock->try_lock()) {
    lock.Adopt(envLock);
    Remember(wants);
    return true;
  }
  // Another thread is inside this environment: wait for it without
  // holding the registry, then check the handles again.
  guard.unlock();
  envLock->lock();
  lock.Adopt(envLock);
  guard.lock();
  Environment *again = nullptr;
  if (!Resolve(wants, &again) || again == nullptr ||
      !lock.holds(again->lock())) {
    guard.unlock();
    lock.Release();
    return false;
  }
  return true;
}

}  // namespace kestrel_engine
