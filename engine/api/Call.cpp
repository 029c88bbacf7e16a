/*
** Fault injection at the start of an exported call.
*/
#include "api/Call.h"

#include <string>

namespace kestrel_engine {

bool Call::Injected(ErrorHandle *error, sword *status) {
  InjectedFault fault;
  if (!TakeFault(point_, &fault)) {
    if (error) error->Clear();
    return false;
  }
  if (error) {
    error->Clear();
    if (fault.status == OCI_ERROR) {
      error->Set(OraError::Make(fault.errorNumber,
                                std::string("injected in ") + fault.function));
    }
  }
  *status = fault.status;
  return true;
}

}  // namespace kestrel_engine
