/*
** A bind handle: where one placeholder's value is read at each execution
** (the caller's value buffer, indicator and length, kept as pointers, never
** copied at bind time) and in which external type. It belongs to its
** statement and is freed with it.
*/
#ifndef KESTREL_ENGINE_BINDHANDLE_H
#define KESTREL_ENGINE_BINDHANDLE_H

#include <string>

#include "handles/Handle.h"
#include "statement/BindValue.h"

namespace kestrel_engine {

class BindHandle : public Handle {
 public:
  BindHandle(Environment *environment, Handle *parent)
      : Handle(OCI_HTYPE_BIND, environment, parent) {}

  // The placeholder's key (see PlaceholderKey); empty while the handle is
  // bound to nothing (its statement was prepared again, or another handle
  // took its placeholder).
  std::string key;
  BindSource source{};
};

}  // namespace kestrel_engine

#endif
