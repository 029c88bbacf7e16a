/*
** Splitting an anonymous block at its top-level semicolons.
*/
#include "sql/Block.h"

#include "sql/StatementKind.h"

namespace kestrel_engine {

namespace {

bool IsProcedural(const Token &t) {
  static const char *const kWords[] = {"BEGIN", "DECLARE", "IF",    "LOOP",
                                       "WHILE", "FOR",     "ELSIF", "EXIT",
                                       "RAISE", "RETURN",  "CASE",  "GOTO"};
  for (const char *w : kWords) {
    if (t.Is(w)) return true;
  }
  return false;
}

}  // namespace

bool SplitBlock(std::string_view text, const std::vector<Token> &tokens,
                std::vector<std::string_view> *statements, OraError *error) {
  // tokens: BEGIN body... END [;] <end>
  size_t last = tokens.size() - 1;  // the kEnd token
  if (last > 0 && tokens[last - 1].IsSymbol(';')) --last;
  if (last < 2 || !tokens[0].Is("BEGIN") || !tokens[last - 1].Is("END")) {
    *error = OraError::Make(6550, "a block is BEGIN statement; ... END;");
    return false;
  }
  const size_t bodyEnd = last - 1;  // index of END
  size_t start = 1;
  size_t pieces = 0;
  int depth = 0;
  for (size_t i = 1; i <= bodyEnd; ++i) {
    const Token &t = tokens[i];
    if (t.IsSymbol('(')) ++depth;
    if (t.IsSymbol(')')) --depth;
    const bool boundary = i == bodyEnd || (depth == 0 && t.IsSymbol(';'));
    if (!boundary) continue;
    if (i > start) {
      const Token &head = tokens[start];
      if (IsProcedural(head) || head.Is("END")) {
        *error = OraError::Make(
            6550, "only plain SQL statements are supported inside a block");
        return false;
      }
      ++pieces;
      const bool isNull = head.Is("NULL") && i == start + 1;
      if (!isNull) {
        const Token &tail = tokens[i - 1];
        const size_t from = head.offset;
        const size_t to = tail.offset + tail.raw.size();
        statements->push_back(text.substr(from, to - from));
      }
    }
    start = i + 1;
  }
  if (pieces == 0) {
    *error = OraError::Make(6550, "a block needs at least one statement");
    return false;
  }
  return true;
}

bool BlockIsUndoable(const std::vector<std::string_view> &statements,
                     bool *writes) {
  *writes = false;
  for (std::string_view statement : statements) {
    const Action action = Classify(Tokenize(statement)).action;
    if (action == Action::kDml) {
      *writes = true;
    } else if (action != Action::kQuery) {
      return false;
    }
  }
  return true;
}

}  // namespace kestrel_engine
