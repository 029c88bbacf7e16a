/*
** The handle base: ancestry, extra user memory and the default (empty)
** reactions to other handles going away.
*/
#include "handles/Handle.h"

namespace kestrel_engine {

Handle::Handle(ub4 kind, Environment *environment, Handle *parent)
    : kind_(kind), environment_(environment), parent_(parent) {}

Handle::~Handle() = default;

bool Handle::DescendsFrom(const Handle *ancestor) const {
  for (const Handle *h = this; h != nullptr; h = h->parent_) {
    if (h == ancestor) return true;
  }
  return false;
}

void *Handle::ReserveUserMemory(size_t size) {
  if (size == 0) return nullptr;
  userMemory_.reset(new unsigned char[size]());
  return userMemory_.get();
}

void Handle::Retire() {}

void Handle::Forget(const Handle *) {}

void Handle::ForgetConnection(const Connection *) {}

}  // namespace kestrel_engine
