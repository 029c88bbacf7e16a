/*
** Status decoding: turns a client-interface status into the recorded code
** and message and a pass/fail answer.
*/
#include "COCIException.h"

#include "error/ErrorRecord.h"

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
  if (status == OCI_SUCCESS) {  // the usual answer, checked several times a row
    kestrel::RecordSuccess();
    return 1;
  }
  if (status == OCI_ERROR) {
    // The error number replaces -1 in the code; OCIErrorGet's own status
    // is not looked at. The text is read outside the record's lock.
    sb4 code = OCI_ERROR;
    char text[kestrel::kErrorMessageSize] = {0};
    const sword got =
        OCIErrorGet(error, 1, nullptr, &code, reinterpret_cast<OraText *>(text),
                    sizeof text, OCI_HTYPE_ERROR);
    text[sizeof text - 1] = '\0';
    // Without a readable error record the message stays as it was.
    if (got == OCI_SUCCESS || got == OCI_SUCCESS_WITH_INFO)
      kestrel::RecordError(code, text);
    else
      kestrel::RecordCode(code);
    return 0;
  }
  // A status with no name leaves the previous message in place.
  if (const char *name = StatusName(status))
    kestrel::RecordError(status, name);
  else
    kestrel::RecordCode(status);
  return status == OCI_SUCCESS_WITH_INFO ? 1 : 0;
}

int COCIException::errCode() { return kestrel::RecordedCode(); }

char *COCIException::errMsg() { return kestrel::RecordedMessage(); }
