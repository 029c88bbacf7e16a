/*
** Exported calls: large objects through a locator, in one piece.
**
** Argument rules (the vendor's where it has one):
**   - offsets count from 1; offset 0 is ORA-24801;
**   - a read's amount is clipped to the buffer's length, and an amount of
**     0 reads as much as the buffer holds; a read past the end reads
**     fewer bytes, and one that starts past the end answers OCI_NO_DATA
**     with the amount 0;
**   - a CLOB's offsets, lengths and the amount a read asks for count
**     characters, and a read answers the bytes it wrote, as for a
**     varying-width client character set (the engine's is UTF-8); a CLOB
**     locator holds the text as fetched and cannot be written;
**   - a write's amount of 0 writes the whole buffer; an amount larger
**     than the buffer is ORA-24801 rather than a read past the buffer;
**   - pieces other than OCI_ONE_PIECE and callbacks are not carried out
**     (ORA-03001); character-set arguments do not apply to a BLOB.
*/
#include "api/Call.h"
#include "lob/LobAccess.h"
#include "lob/LobLocator.h"
#include "session/SessionHandles.h"

using namespace kestrel_engine;

namespace {

// The handles of a LOB call, checked; false answers `*status`.
struct LobCall {
  ErrorHandle *error = nullptr;
  LobLocator *locator = nullptr;
  Connection *connection = nullptr;
};

bool Begin(Call &call, OCISvcCtx *svchp, OCIError *errhp,
           OCILobLocator *locp, LobCall *out, sword *status) {
  Handle *c = nullptr;
  Handle *e = nullptr;
  Handle *l = nullptr;
  if (!call.Acquire({{svchp, OCI_HTYPE_SVCCTX, false, &c},
                     {errhp, OCI_HTYPE_ERROR, true, &e},
                     {locp, OCI_DTYPE_LOB, false, &l}})) {
    *status = OCI_INVALID_HANDLE;
    return false;
  }
  out->error = As<ErrorHandle>(e);
  if (call.Injected(out->error, status)) return false;
  out->locator = As<LobLocator>(l);
  out->connection = As<ServiceContext>(c)->LoggedOnConnection();
  if (out->connection == nullptr) {
    *status = Report(out->error, OraError::Make(1012));
    return false;
  }
  return true;
}

}  // namespace

extern "C" {

KESTREL_ENGINE_EXPORT sword OCILobRead(OCISvcCtx *svchp, OCIError *errhp,
                                       OCILobLocator *locp, ub4 *amtp,
                                       ub4 offset, dvoid *bufp, ub4 bufl,
                                       dvoid *, OCICallbackLobRead cbfp, ub2,
                                       ub1) {
  Call call(FaultPoint::kLobRead);
  return call.Finish([&]() -> sword {
    LobCall lob;
    sword status;
    if (!Begin(call, svchp, errhp, locp, &lob, &status)) return status;
    if (amtp == nullptr) return Report(lob.error, OraError::Make(21560, "amtp"));
    if (bufp == nullptr) return Report(lob.error, OraError::Make(21560, "bufp"));
    if (cbfp != nullptr) {
      return Report(lob.error, OraError::Make(3001, "LOB read callbacks"));
    }
    if (offset == 0) {
      return Report(lob.error, OraError::Make(24801, "offsets count from 1"));
    }
    ub4 amount = *amtp;
    OraError failure;
    switch (LobRead(*lob.locator, *lob.connection, offset, bufp, bufl, &amount,
                    &failure)) {
      case LobStatus::kDone:
        *amtp = amount;
        return OCI_SUCCESS;
      case LobStatus::kNoData:
        *amtp = 0;
        return OCI_NO_DATA;
      case LobStatus::kFailed:
        break;
    }
    return Report(lob.error, failure);
  });
}

KESTREL_ENGINE_EXPORT sword OCILobWrite(OCISvcCtx *svchp, OCIError *errhp,
                                        OCILobLocator *locp, ub4 *amtp,
                                        ub4 offset, dvoid *bufp, ub4 buflen,
                                        ub1 piece, dvoid *,
                                        OCICallbackLobWrite cbfp, ub2, ub1) {
  Call call(FaultPoint::kLobWrite);
  return call.Finish([&]() -> sword {
    LobCall lob;
    sword status;
    if (!Begin(call, svchp, errhp, locp, &lob, &status)) return status;
    if (amtp == nullptr) return Report(lob.error, OraError::Make(21560, "amtp"));
    if (piece != OCI_ONE_PIECE || cbfp != nullptr) {
      return Report(lob.error,
                    OraError::Make(3001, "piecewise LOB writes and callbacks"));
    }
    if (offset == 0) {
      return Report(lob.error, OraError::Make(24801, "offsets count from 1"));
    }
    const ub4 amount = *amtp == 0 ? buflen : *amtp;
    if (amount > buflen) {
      return Report(lob.error,
                    OraError::Make(24801, "amount larger than the buffer"));
    }
    if (bufp == nullptr && amount > 0) {
      return Report(lob.error, OraError::Make(21560, "bufp"));
    }
    OraError failure;
    if (!LobWrite(*lob.locator, *lob.connection, offset, bufp, amount,
                  &failure)) {
      return Report(lob.error, failure);
    }
    *amtp = amount;
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCILobGetLength(OCISvcCtx *svchp, OCIError *errhp,
                                            OCILobLocator *locp, ub4 *lenp) {
  Call call(FaultPoint::kLobGetLength);
  return call.Finish([&]() -> sword {
    LobCall lob;
    sword status;
    if (!Begin(call, svchp, errhp, locp, &lob, &status)) return status;
    if (lenp == nullptr) return Report(lob.error, OraError::Make(21560, "lenp"));
    OraError failure;
    if (!LobLength(*lob.locator, *lob.connection, lenp, &failure)) {
      return Report(lob.error, failure);
    }
    return OCI_SUCCESS;
  });
}

}  // extern "C"
