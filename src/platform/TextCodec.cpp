/*
** UTF-8 <-> UTF-16 conversion for the ANSI code page of this platform.
*/
#include "TextCodec.h"

#include <stdint.h>

namespace kestrel {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string &out, uint32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string &out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one well-formed sequence at bytes[i]; answers its length, or 0
// when the byte there does not start one (overlong forms, encoded
// surrogates and values above U+10FFFF are not well formed).
size_t DecodeOne(const unsigned char *bytes, size_t length, size_t i,
                 uint32_t &cp) {
  const unsigned char lead = bytes[i];
  size_t trail;
  uint32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    trail = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    trail = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    trail = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (length - i <= trail) return 0;
  for (size_t k = 1; k <= trail; ++k) {
    const unsigned char next = bytes[i + k];
    if ((next & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return trail + 1;
}

}  // namespace

std::u16string WidenUtf8(const char *text, size_t length) {
  std::u16string out;
  if (text == nullptr) return out;
  const auto *bytes = reinterpret_cast<const unsigned char *>(text);
  out.reserve(length);
  size_t i = 0;
  while (i < length) {
    if (bytes[i] < 0x80) {
      out.push_back(bytes[i++]);
      continue;
    }
    uint32_t cp = 0;
    const size_t used = DecodeOne(bytes, length, i, cp);
    if (used == 0) {
      out.push_back(kReplacement);
      ++i;
    } else {
      AppendCodePoint(out, cp);
      i += used;
    }
  }
  return out;
}

std::string NarrowUtf16(const char16_t *units, size_t length) {
  std::string out;
  if (units == nullptr) return out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const uint32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length &&
        units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out.push_back('?');
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

}  // namespace kestrel
