/*
** Reading, writing and measuring the LOB value a locator designates, in
** its row of its table, on the session's connection. A write changes the
** row itself inside the session's transaction. Values are moved straight
** between the caller's buffer and the database (SQLite's incremental blob
** calls), so a 100 MB value needs no copy of its own.
*/
#ifndef KESTREL_ENGINE_LOBACCESS_H
#define KESTREL_ENGINE_LOBACCESS_H

#include "errors/OraError.h"
#include "lob/LobLocator.h"

namespace kestrel_engine {

class Connection;

enum class LobStatus { kDone, kNoData, kFailed };

// The value's length in bytes (a CLOB's in characters).
bool LobLength(const LobLocator &locator, Connection &connection, ub4 *length,
               OraError *error);

// Reads up to `*amount` bytes (0: as many as fit) from the 1-based
// `offset` into the `size`-byte `buffer`, and sets `*amount` to the bytes
// read (fewer at the end of the value). An offset past the end is kNoData
// with `*amount` 0. A CLOB counts its offset and the amount asked for in
// characters (ClobText.h).
LobStatus LobRead(const LobLocator &locator, Connection &connection,
                  ub4 offset, void *buffer, ub4 size, ub4 *amount, OraError *error);

// Writes `amount` bytes at the 1-based `offset`: overwrites from there and
// extends the value when the bytes go past its end (a gap before `offset`
// is filled with zero bytes); never shortens it. Opens the session's write
// transaction first; the write is all or nothing.
bool LobWrite(const LobLocator &locator, Connection &connection, ub4 offset,
              const void *data, ub4 amount, OraError *error);

}  // namespace kestrel_engine

#endif
