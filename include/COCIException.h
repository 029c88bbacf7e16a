/*
** COCIException: the empty object thrown by recordset operations, and the
** process-wide record of the last client-interface status: its code and
** message, readable at any time through errCode() and errMsg().
**
** The record is one store shared by every connection and recordset. It is
** written under a lock, so threads that each use their own connection do
** not race on it; but it holds whatever status came last from any thread,
** so reading it is only meaningful when the application serialises its
** calls into the library.
*/
#ifndef KESTREL_COCIEXCEPTION_H
#define KESTREL_COCIEXCEPTION_H

#include "KestrelExport.h"
#include "oci.h"

class KESTREL_API COCIException {
 public:
  COCIException() = default;
  COCIException &operator=(const COCIException &) = default;

  // Records `status` and its message; 1 when it counts as success
  // (OCI_SUCCESS, OCI_SUCCESS_WITH_INFO), else 0. For OCI_ERROR the code
  // becomes the Oracle error number of `error`'s first record.
  static int checkErr(OCIError *error, int status);
  // The last recorded code.
  static int errCode();
  // The last recorded message; the same address on every call, valid until
  // the next checkErr.
  static char *errMsg();
};

#endif
