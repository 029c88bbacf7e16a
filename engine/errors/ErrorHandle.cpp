/*
** Recording an error into a caller's error handle.
*/
#include "errors/ErrorHandle.h"

namespace kestrel_engine {

sword Report(ErrorHandle *handle, const OraError &error) {
  if (handle != nullptr) handle->Set(error);
  return error.code == 1406 ? OCI_SUCCESS_WITH_INFO : OCI_ERROR;
}

}  // namespace kestrel_engine
