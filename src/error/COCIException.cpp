/*
** Status decoding: turns a client-interface status into the recorded code
** and message and a pass/fail answer.
*/
#include "COCIException.h"

#include <string.h>

int COCIException::err = 0;
char COCIException::msg[512] = {0};

namespace {

// The fixed name recorded for a status, or null when the status has none.
const char *StatusName(int status) {
  switch (status) {
    case OCI_SUCCESS: return "OCI_SUCCESS";
    case OCI_SUCCESS_WITH_INFO: return "OCI_SUCCESS_WITH_INFO";
    case OCI_NEED_DATA: return "OCI_NEED_DATA";
    case OCI_NO_DATA: return "OCI_NO_DATA";
    case OCI_INVALID_HANDLE: return "OCI_INVALID_HANDLE";
    case OCI_STILL_EXECUTING: return "OCI_STILL_EXECUTING";
    case OCI_CONTINUE: return "OCI_CONTINUE";
    default: return nullptr;
  }
}

}  // namespace

int COCIException::checkErr(OCIError *error, int status) {
  err = status;
  if (status == OCI_SUCCESS) {  // the usual answer, checked several times a row
    static const char kSuccess[] = "OCI_SUCCESS";
    memcpy(msg, kSuccess, sizeof kSuccess);
    return 1;
  }
  if (status == OCI_ERROR) {
    // The error number replaces -1 in the code; OCIErrorGet's own status
    // is not looked at.
    sb4 code = err;
    OCIErrorGet(error, 1, nullptr, &code, reinterpret_cast<OraText *>(msg),
                sizeof msg, OCI_HTYPE_ERROR);
    err = code;
    msg[sizeof msg - 1] = '\0';
    return 0;
  }
  // A status with no name leaves the previous message in place.
  // The name is copied whole with its terminator; the bytes after it are
  // not part of the message (and are not zero-filled on every call).
  if (const char *name = StatusName(status)) memcpy(msg, name, strlen(name) + 1);
  return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO ? 1 : 0;
}

int COCIException::errCode() { return err; }

char *COCIException::errMsg() { return msg; }
