/*
** Anonymous blocks: "BEGIN stmt; stmt; END;" runs its statements in order
** as one statement. There is no procedural language beyond that: a block
** holding another block, a DECLARE, or control flow is refused.
*/
#ifndef KESTREL_ENGINE_BLOCK_H
#define KESTREL_ENGINE_BLOCK_H

#include <string_view>
#include <vector>

#include "errors/OraError.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

// The statements of the block `text` (tokens from Tokenize(text)), each
// without its semicolon; NULL statements are dropped. 6550 when the text
// is not such a block.
bool SplitBlock(std::string_view text, const std::vector<Token> &tokens,
                std::vector<std::string_view> *statements, OraError *error);

// True when every statement of a block is a query or plain DML, so the
// block can be undone as one; `writes` tells whether any of them writes.
// A block that commits, rolls back or runs DDL cannot be.
bool BlockIsUndoable(const std::vector<std::string_view> &statements,
                     bool *writes);

}  // namespace kestrel_engine

#endif
