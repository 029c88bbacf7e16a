/*
** A CLOB's text read by characters (see ClobText.h).
*/
#include "lob/ClobText.h"

#include <string.h>

namespace kestrel_engine {

namespace {

bool Continues(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The byte where the character after the one at `at` begins.
size_t NextCharacter(const std::string &text, size_t at) {
  ++at;
  while (at < text.size() && Continues(static_cast<unsigned char>(text[at]))) ++at;
  return at;
}

}  // namespace

ub4 ClobLength(const std::string &text) {
  ub4 count = 0;
  for (const char c : text) {
    if (!Continues(static_cast<unsigned char>(c))) ++count;
  }
  return count;
}

LobStatus ClobRead(const std::string &text, ub4 offset, void *buffer,
                   ub4 size, ub4 *amount) {
  size_t start = 0;
  for (ub4 skipped = 1; skipped < offset && start < text.size(); ++skipped) {
    start = NextCharacter(text, start);
  }
  if (offset < 1 || start >= text.size()) {
    *amount = 0;
    return LobStatus::kNoData;
  }
  const ub4 wanted = *amount;
  size_t end = start;
  for (ub4 taken = 0; end < text.size() && (wanted == 0 || taken < wanted); ++taken) {
    const size_t next = NextCharacter(text, end);
    if (next - start > size) break;
    end = next;
  }
  memcpy(buffer, text.data() + start, end - start);
  *amount = static_cast<ub4>(end - start);
  return LobStatus::kDone;
}

}  // namespace kestrel_engine
