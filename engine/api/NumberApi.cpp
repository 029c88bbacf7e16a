/*
** Exported calls: NUMBER conversions, thin wrappers over the engine's
** number form. Integers of 1, 2, 4 or 8 bytes, signed or unsigned; reals
** of 4 or 8 bytes.
*/
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "api/Call.h"
#include "number/OraNumber.h"

using namespace kestrel_engine;

namespace {

// The optional error handle of a number call.
inline __attribute__((always_inline)) bool Begin(Call &call, OCIError *errhp, ErrorHandle **error, sword *status) {
  Handle *e = nullptr;
  if (!call.AcquireWithError(nullptr, 0, errhp, nullptr, &e)) {
    *status = OCI_INVALID_HANDLE;
    return false;
  }
  *error = As<ErrorHandle>(e);
  return !call.Injected(*error, status);
}

template <typename T>
T Read(const dvoid *p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

}  // namespace

extern "C" {

KESTREL_ENGINE_EXPORT sword OCINumberToReal(OCIError *err,
                                            const OCINumber *number,
                                            uword rsl_length, dvoid *rsl) {
  Call call(FaultPoint::kNumberToReal);
  return call.Finish([&]() -> sword {
    ErrorHandle *error = nullptr;
    sword status;
    if (!Begin(call, err, &error, &status)) return status;
    if (number == nullptr || rsl == nullptr ||
        (rsl_length != sizeof(float) && rsl_length != sizeof(double))) {
      return Report(error, OraError::Make(21560, "rsl_length"));
    }
    double value = 0;
    if (const int code = NumberToDouble(number, &value)) {
      return Report(error, OraError::Make(code));
    }
    if (rsl_length == sizeof(double)) {
      std::memcpy(rsl, &value, sizeof value);
      return OCI_SUCCESS;
    }
    if (std::fabs(value) > std::numeric_limits<float>::max()) {
      return Report(error, OraError::Make(1426));
    }
    const float narrow = static_cast<float>(value);
    std::memcpy(rsl, &narrow, sizeof narrow);
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCINumberFromReal(OCIError *err,
                                              const dvoid *rnum,
                                              uword rnum_length,
                                              OCINumber *number) {
  Call call(FaultPoint::kNumberFromReal);
  return call.Finish([&]() -> sword {
    ErrorHandle *error = nullptr;
    sword status;
    if (!Begin(call, err, &error, &status)) return status;
    if (rnum == nullptr || number == nullptr ||
        (rnum_length != sizeof(float) && rnum_length != sizeof(double))) {
      return Report(error, OraError::Make(21560, "rnum_length"));
    }
    const double value = rnum_length == sizeof(double)
                             ? Read<double>(rnum)
                             : static_cast<double>(Read<float>(rnum));
    OCINumber result;
    if (const int code = NumberFromDouble(value, &result)) {
      return Report(error, OraError::Make(code));
    }
    *number = result;
    return OCI_SUCCESS;
  });
}

KESTREL_ENGINE_EXPORT sword OCINumberFromInt(OCIError *err, const dvoid *inum,
                                             uword inum_length,
                                             uword inum_s_flag,
                                             OCINumber *number) {
  Call call(FaultPoint::kNumberFromInt);
  return call.Finish([&]() -> sword {
    ErrorHandle *error = nullptr;
    sword status;
    if (!Begin(call, err, &error, &status)) return status;
    if (inum == nullptr || number == nullptr ||
        (inum_s_flag != OCI_NUMBER_SIGNED && inum_s_flag != OCI_NUMBER_UNSIGNED)) {
      return Report(error, OraError::Make(21560, "inum"));
    }
    const bool isSigned = inum_s_flag == OCI_NUMBER_SIGNED;
    int64_t s = 0;
    uint64_t u = 0;
    switch (inum_length) {
      case 1: s = Read<int8_t>(inum); u = Read<uint8_t>(inum); break;
      case 2: s = Read<int16_t>(inum); u = Read<uint16_t>(inum); break;
      case 4: s = Read<int32_t>(inum); u = Read<uint32_t>(inum); break;
      case 8: s = Read<int64_t>(inum); u = Read<uint64_t>(inum); break;
      default: return Report(error, OraError::Make(21560, "inum_length"));
    }
    OCINumber result;
    const int code = isSigned ? NumberFromInt64(s, &result)
                              : NumberFromUInt64(u, &result);
    if (code != 0) return Report(error, OraError::Make(code));
    *number = result;
    return OCI_SUCCESS;
  });
}

}  // extern "C"
