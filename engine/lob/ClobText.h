/*
** Reading a CLOB's text through a locator by the vendor's rules for a
** varying-width client character set (the engine's is UTF-8): lengths
** and offsets count characters, a read asks for characters and answers
** the bytes it wrote, and a character is never split across the buffer's
** end.
*/
#ifndef KESTREL_ENGINE_CLOBTEXT_H
#define KESTREL_ENGINE_CLOBTEXT_H

#include <string>

#include "lob/LobAccess.h"

namespace kestrel_engine {

// The text's length in characters.
ub4 ClobLength(const std::string &text);

// Copies from the 1-based character `offset` at most `*amount` characters
// (0: as many as fit) into the `size`-byte `buffer`, and sets `*amount`
// to the bytes written. An offset past the end is kNoData with 0.
LobStatus ClobRead(const std::string &text, ub4 offset, void *buffer,
                   ub4 size, ub4 *amount);

}  // namespace kestrel_engine

#endif
