/*
** Conversion between the ANSI code page (UTF-8 on this platform) and OLE's
** UTF-16 text. Valid text converts exactly both ways. Widening turns each
** byte that does not start a well-formed UTF-8 sequence into U+FFFD;
** narrowing turns each unpaired surrogate into "?". Neither ever fails
** except by running out of memory (std::bad_alloc).
*/
#ifndef KESTREL_TEXTCODEC_H
#define KESTREL_TEXTCODEC_H

#include <stddef.h>

#include <string>

namespace kestrel {

std::u16string WidenUtf8(const char *bytes, size_t length);
std::string NarrowUtf16(const char16_t *units, size_t length);

inline std::u16string WidenUtf8(const std::string &text) {
  return WidenUtf8(text.data(), text.size());
}
inline std::string NarrowUtf16(const std::u16string &text) {
  return NarrowUtf16(text.data(), text.size());
}

}  // namespace kestrel

#endif
