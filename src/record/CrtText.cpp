/*
** The Windows C runtime's atoi/atol/atof on 32-bit integers.
*/
#include "CrtText.h"

#include <stdlib.h>

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

}  // namespace

int32_t CrtAtoi(const char *text) {
  if (text == nullptr) return 0;
  const char *p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  // Accumulate in 64 bits and stop growing once past the 32-bit limit.
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (magnitude <= limit) magnitude = magnitude * 10 + (*p - '0');
  }
  if (magnitude > limit) magnitude = limit;
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

double CrtAtof(const char *text) {
  if (text == nullptr) return 0.0;
  return strtod(text, nullptr);
}
