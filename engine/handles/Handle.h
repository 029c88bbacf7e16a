/*
** The base of every handle and descriptor the engine gives out. A handle
** knows its kind (the vendor's handle or descriptor type number), its
** environment and its parent; the environment owns it. Callers only ever
** see its address, which the registry checks before anything reads it.
*/
#ifndef KESTREL_ENGINE_HANDLE_H
#define KESTREL_ENGINE_HANDLE_H

#include <stddef.h>

#include <memory>

#include "oci.h"

namespace kestrel_engine {

class Environment;
class Connection;

class Handle {
 public:
  Handle(ub4 kind, Environment *environment, Handle *parent);
  virtual ~Handle();
  Handle(const Handle &) = delete;
  Handle &operator=(const Handle &) = delete;

  ub4 kind() const { return kind_; }
  Environment *environment() const { return environment_; }
  Handle *parent() const { return parent_; }

  // True when `ancestor` is this handle or one of its parents.
  bool DescendsFrom(const Handle *ancestor) const;

  // The caller's extra memory (the xtramem_sz of the allocation calls),
  // freed with the handle.
  void *ReserveUserMemory(size_t size);

  // About to be freed: let go of outside resources while the other handles
  // are still there to hear about it.
  virtual void Retire();
  // Another handle of the same environment is being freed: drop any
  // reference to it so nothing dangles.
  virtual void Forget(const Handle *gone);
  // A database connection is closing: drop everything prepared on it.
  virtual void ForgetConnection(const Connection *gone);

 private:
  ub4 kind_;
  Environment *environment_;
  Handle *parent_;
  std::unique_ptr<unsigned char[]> userMemory_;
};

}  // namespace kestrel_engine

#endif
