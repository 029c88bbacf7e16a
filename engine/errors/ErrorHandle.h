/*
** The error handle: holds the error of the latest call that was given it,
** for OCIErrorGet. Each call clears it on entry, so a call that succeeds
** leaves no stale error behind.
*/
#ifndef KESTREL_ENGINE_ERRORHANDLE_H
#define KESTREL_ENGINE_ERRORHANDLE_H

#include "errors/OraError.h"
#include "handles/Handle.h"

namespace kestrel_engine {

class ErrorHandle : public Handle {
 public:
  ErrorHandle(Environment *environment, Handle *parent)
      : Handle(OCI_HTYPE_ERROR, environment, parent) {}

  const OraError &record() const { return record_; }
  void Clear() {
    record_.code = 0;
    record_.message.clear();
  }
  void Set(const OraError &error) { record_ = error; }

 private:
  OraError record_;
};

// Records `error` in `handle` (when there is one) and answers OCI_ERROR,
// or OCI_SUCCESS_WITH_INFO for the warning 1406.
sword Report(ErrorHandle *handle, const OraError &error);

}  // namespace kestrel_engine

#endif
