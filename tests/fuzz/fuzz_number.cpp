// libFuzzer target: arbitrary bytes as a NUMBER and as number text. A
// well-formed number must survive text and double conversions; nothing may
// read past the 22 bytes or crash on malformed ones.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <cstdlib>
#include <string>

#include "number/OraNumber.h"

using namespace kestrel_engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  OCINumber number;
  memset(&number, 0, sizeof number);
  memcpy(number.OCINumberPart, data, size < sizeof number ? size : sizeof number);
  // Keep most lengths plausible so that well-formed numbers come up often.
  number.OCINumberPart[0] = static_cast<ub1>(number.OCINumberPart[0] % 23);

  const bool valid = NumberIsValid(&number);
  double d = 0;
  const int to_double = NumberToDouble(&number, &d);
  const std::string text = NumberToText(&number);
  if (valid != (to_double == 0) || valid == text.empty()) abort();
  if (valid) {
    // The text form reads back as the same value, and so does the double
    // as far as a double can hold it.
    OCINumber again;
    if (NumberFromText(text.data(), text.size(), &again) != 0) abort();
    if (NumberToText(&again) != text) abort();
    OCINumber from_double;
    const int rc = NumberFromDouble(d, &from_double);
    if (rc != 0 && rc != 1426) abort();
    double back = 0;
    if (rc == 0 && (NumberToDouble(&from_double, &back) != 0 || back != d)) abort();
    int64_t i = 0;
    NumberToInt64(&number, &i);
    OCINumber rounded = number;
    const int round = NumberRound(&rounded, static_cast<int>(size % 300) - 150);
    if ((round != 0 && round != 1426) || (round == 0 && !NumberIsValid(&rounded)))
      abort();
    if (NumberIntegerDigits(&number) > 126) abort();
  }

  // The same bytes as text.
  OCINumber parsed;
  if (NumberFromText(reinterpret_cast<const char *>(data), size, &parsed) == 0 &&
      !NumberIsValid(&parsed))
    abort();
  return 0;
}
