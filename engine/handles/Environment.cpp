/*
** Ownership of handles within an environment: creation, freeing of a
** handle with everything under it, and the notices that keep the survivors
** from pointing at what was freed.
*/
#include "handles/Environment.h"

#include <algorithm>

namespace kestrel_engine {

Environment::Environment()
    : Handle(OCI_HTYPE_ENV, this, nullptr),
      lock_(Registry::Instance().NewEnvironmentLock()) {
  Registry::Instance().Add(this);
}

Environment::~Environment() {
  Registry::Instance().RecycleEnvironmentLock(lock_);
}

void Environment::Adopt(std::unique_ptr<Handle> handle) {
  Handle *raw = handle.get();
  owned_.emplace(raw, std::move(handle));
  Registry::Instance().Add(raw);
}

void Environment::ConnectionClosing(const Connection *connection) {
  for (auto &entry : owned_) entry.first->ForgetConnection(connection);
}

std::vector<Handle *> Environment::HandlesOfKind(ub4 kind) const {
  std::vector<Handle *> found;
  for (const auto &entry : owned_) {
    if (entry.first->kind() == kind) found.push_back(entry.first);
  }
  return found;
}

namespace {

int Depth(const Handle *h) {
  int depth = 0;
  for (; h->parent() != nullptr; h = h->parent()) ++depth;
  return depth;
}

}  // namespace

void Environment::Destroy(const std::vector<Handle *> &doomed) {
  // Let go of outside resources (a server closes its database) while every
  // handle is still in place to hear about it.
  for (Handle *h : doomed) h->Retire();
  Registry::Instance().Remove(doomed);
  for (auto &entry : owned_) {
    if (std::find(doomed.begin(), doomed.end(), entry.first) != doomed.end()) {
      continue;
    }
    for (Handle *gone : doomed) entry.first->Forget(gone);
  }
  // Out of the map first, then destroyed children before parents.
  std::vector<std::unique_ptr<Handle>> dying;
  for (Handle *h : doomed) {
    auto it = owned_.find(h);
    dying.push_back(std::move(it->second));
    owned_.erase(it);
  }
  std::stable_sort(dying.begin(), dying.end(),
                   [](const std::unique_ptr<Handle> &a,
                      const std::unique_ptr<Handle> &b) {
                     return Depth(a.get()) > Depth(b.get());
                   });
  dying.clear();
}

void Environment::Free(Handle *handle) {
  std::vector<Handle *> doomed;
  for (const auto &entry : owned_) {
    if (entry.first->DescendsFrom(handle)) doomed.push_back(entry.first);
  }
  Destroy(doomed);
}

void Environment::FreeEverything() {
  std::vector<Handle *> doomed;
  for (const auto &entry : owned_) doomed.push_back(entry.first);
  Destroy(doomed);
  Registry::Instance().Remove({this});
}

}  // namespace kestrel_engine
