/*
** A parameter descriptor: one select-list column as OCIParamGet gives it.
** A statement keeps one per position and refreshes it on each describe,
** so repeated describes do not grow memory; it is freed with the
** statement.
*/
#ifndef KESTREL_ENGINE_PARAMHANDLE_H
#define KESTREL_ENGINE_PARAMHANDLE_H

#include "handles/Handle.h"
#include "statement/ColumnDescription.h"

namespace kestrel_engine {

class ParamHandle : public Handle {
 public:
  ParamHandle(Environment *environment, Handle *parent)
      : Handle(OCI_DTYPE_PARAM, environment, parent) {}

  ColumnDescription column;
};

}  // namespace kestrel_engine

#endif
