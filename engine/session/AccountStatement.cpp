/*
** Parsing the account statements from their tokens.
*/
#include "session/AccountStatement.h"

namespace kestrel_engine {

namespace {

bool IsName(const Token &t) {
  return t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier;
}

// Past the end, the closing kEnd token.
const Token &At(const std::vector<Token> &tokens, size_t i) {
  return i < tokens.size() ? tokens[i] : tokens.back();
}

bool AtEnd(const std::vector<Token> &tokens, size_t i) {
  if (At(tokens, i).IsSymbol(';')) ++i;
  return At(tokens, i).kind == TokenKind::kEnd;
}

}  // namespace

bool ParseAccountStatement(const std::vector<Token> &tokens,
                           AccountStatement *statement, OraError *error) {
  // tokens[0] is CREATE/ALTER/DROP, tokens[1] is USER.
  if (!At(tokens, 1).Is("USER") || !IsName(At(tokens, 2))) {
    *error = OraError::Make(900);
    return false;
  }
  statement->user = At(tokens, 2).Name();
  if (tokens[0].Is("DROP")) {
    statement->verb = AccountStatement::Verb::kDrop;
    size_t i = 3;
    if (At(tokens, i).Is("CASCADE")) ++i;
    if (!AtEnd(tokens, i)) {
      *error = OraError::Make(922, "expected DROP USER name [CASCADE]");
      return false;
    }
    return true;
  }
  statement->verb = tokens[0].Is("CREATE") ? AccountStatement::Verb::kCreate
                                           : AccountStatement::Verb::kAlter;
  const Token &password = At(tokens, 5);
  if (!At(tokens, 3).Is("IDENTIFIED") || !At(tokens, 4).Is("BY") ||
      !(IsName(password) || password.kind == TokenKind::kNumber) ||
      !AtEnd(tokens, 6)) {
    *error = OraError::Make(922, "expected USER name IDENTIFIED BY password");
    return false;
  }
  statement->password = password.Name();
  return true;
}

}  // namespace kestrel_engine
