/*
** A define handle: where one select-list column goes on each fetch (the
** caller's value buffer, indicator, length and return code) and in which
** external type. It belongs to its statement and is freed with it.
*/
#ifndef KESTREL_ENGINE_DEFINEHANDLE_H
#define KESTREL_ENGINE_DEFINEHANDLE_H

#include "handles/Handle.h"
#include "types/ValueConvert.h"

namespace kestrel_engine {

class DefineHandle : public Handle {
 public:
  DefineHandle(Environment *environment, Handle *parent)
      : Handle(OCI_HTYPE_DEFINE, environment, parent) {}

  ub4 position = 0;      // 1-based; 0 while not defined at any position
  OutputTarget target{};  // value, size, type, indicator, length, code
};

}  // namespace kestrel_engine

#endif
