/*
** Finding the single table of a simple query and the name that qualifies
** it, at parenthesis depth zero, with the tokenizer (never inside a
** literal).
*/
#include "statement/RowIdentity.h"

#include <sqlite3.h>

namespace kestrel_engine {

namespace {

bool EndsFromClause(const Token &t) {
  return t.kind == TokenKind::kEnd || t.IsSymbol(';') || t.Is("WHERE") ||
         t.Is("ORDER") || t.Is("LIMIT") || t.Is("FOR");
}

bool IsName(const Token &t) {
  return t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier;
}

}  // namespace

std::string WithRowId(std::string_view sql, const std::vector<Token> &tokens,
                      std::string_view table) {
  if (!tokens[0].Is("SELECT")) return {};
  if (tokens[1].Is("DISTINCT")) return {};
  int depth = 0;
  size_t from = 0;
  for (size_t i = 1; tokens[i].kind != TokenKind::kEnd; ++i) {
    const Token &t = tokens[i];
    if (t.IsSymbol('(')) ++depth;
    if (t.IsSymbol(')')) --depth;
    if (depth != 0) continue;
    if (t.Is("UNION") || t.Is("INTERSECT") || t.Is("EXCEPT") ||
        t.Is("GROUP") || t.Is("JOIN") || t.Is("HAVING")) {
      return {};
    }
    if (from == 0 && t.Is("FROM")) from = i;
  }
  if (from == 0) return {};

  // FROM [schema.]name [[AS] alias] then the end of the clause.
  size_t i = from + 1;
  if (!IsName(tokens[i])) return {};
  const Token *first = &tokens[i];
  const Token *name = first;
  ++i;
  if (tokens[i].IsSymbol('.') && IsName(tokens[i + 1])) {
    name = &tokens[i + 1];
    i += 2;
  }
  const Token *last = &tokens[i - 1];
  const Token *alias = nullptr;
  if (tokens[i].Is("AS")) ++i;
  if (IsName(tokens[i]) && !EndsFromClause(tokens[i])) {
    alias = &tokens[i];
    ++i;
  }
  if (!EndsFromClause(tokens[i])) return {};

  const std::string tableName = name->Name();
  if (sqlite3_stricmp(tableName.c_str(), std::string(table).c_str()) != 0) {
    return {};
  }
  std::string qualifier;
  if (alias != nullptr) {
    qualifier.assign(alias->raw);
  } else {
    const size_t start = first->offset;
    qualifier.assign(sql.substr(start, last->offset + last->raw.size() - start));
  }
  const size_t at = tokens[from].offset;
  std::string out(sql.substr(0, at));
  out.append(", ").append(qualifier).append(".rowid ");
  out.append(sql.substr(at));
  return out;
}

}  // namespace kestrel_engine
