/*
** Fault injection at the start of an exported call.
*/
#include "api/Call.h"

#include <string>

namespace kestrel_engine {

bool Call::InjectedSlow(ErrorHandle *error, sword *status) {
  InjectedFault fault;
  if (!TakeFault(point_, &fault)) {
    if (error) error->Clear();
    return false;
  }
  if (error) error->Clear();
  const std::string detail = std::string("injected in ") + fault.function;
  if (fault.status == OCI_SUCCESS || fault.status == OCI_SUCCESS_WITH_INFO) {
    // Not a failure: the call goes on and reports this status instead.
    if (error && fault.errorNumber != 0) {
      error->Set(OraError::Make(fault.errorNumber, detail));
    }
    warning_ = fault.status;
    return false;
  }
  if (error && fault.status == OCI_ERROR) {
    error->Set(OraError::Make(fault.errorNumber ? fault.errorNumber : 600, detail));
  }
  *status = fault.status;
  return true;
}

}  // namespace kestrel_engine
