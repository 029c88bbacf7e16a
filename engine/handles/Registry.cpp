/*
** The registry's lookups and the environment locking of a call. The fast
** path takes the registry lock once and try-locks the environment under
** it; only when another thread holds the environment does a call wait for
** it outside the registry lock and then look its handles up again (they
** may have been freed meanwhile). Lock order: environment, then registry.
*/
#include "handles/Registry.h"

#include "handles/Environment.h"

namespace kestrel_engine {

EnvironmentLock::~EnvironmentLock() { Release(); }

void EnvironmentLock::Adopt(std::shared_ptr<std::mutex> locked) {
  Release();
  mutex_ = std::move(locked);
}

void EnvironmentLock::Release() {
  if (mutex_) {
    mutex_->unlock();
    mutex_.reset();
  }
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
  std::unique_lock<std::mutex> guard(mutex_);
  Environment *env = nullptr;
  if (!Resolve(wants, &env)) return false;
  if (env == nullptr) return true;  // only absent optional handles
  const std::shared_ptr<std::mutex> &envLock = env->lock();
  if (envLock->try_lock()) {
    lock.Adopt(envLock);
    return true;
  }
  // Another thread is inside this environment: wait for it without
  // holding the registry, then check the handles again.
  std::shared_ptr<std::mutex> waitFor = envLock;
  guard.unlock();
  waitFor->lock();
  lock.Adopt(waitFor);
  guard.lock();
  Environment *again = nullptr;
  if (!Resolve(wants, &again) || again == nullptr ||
      !lock.holds(again->lock().get())) {
    guard.unlock();
    lock.Release();
    return false;
  }
  return true;
}

}  // namespace kestrel_engine
