/*
** A TIMESTAMP descriptor (type 68): what a fetch through a define of
** type 187 leaves for OCIDateTimeGetDate and OCIDateTimeGetTime, the
** value's date, time of day and nanoseconds.
*/
#ifndef KESTREL_ENGINE_TIMESTAMPDESCRIPTOR_H
#define KESTREL_ENGINE_TIMESTAMPDESCRIPTOR_H

#include "handles/Handle.h"
#include "types/DateTime.h"

namespace kestrel_engine {

class TimestampDescriptor : public Handle {
 public:
  TimestampDescriptor(Environment *environment, Handle *parent)
      : Handle(OCI_DTYPE_TIMESTAMP, environment, parent) {}

  DateTime value;
  bool filled = false;  // false until a fetch put a value in it
};

}  // namespace kestrel_engine

#endif
