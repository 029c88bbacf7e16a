/*
** Parsing the account statements from their tokens.
*/
#include "session/AccountStatement.h"

namespace kestrel_engine {

namespace {

bool IsName(const Token &t) {
  return t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier;
}

bool IsPassword(const Token &t) {
  return IsName(t) || t.kind == TokenKind::kNumber;
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
      !IsPassword(password)) {
    *error = OraError::Make(922, "expected USER name IDENTIFIED BY password");
    return false;
  }
  statement->password = password.Name();
  size_t i = 6;
  if (statement->verb == AccountStatement::Verb::kAlter &&
      At(tokens, i).Is("REPLACE")) {
    if (!IsPassword(At(tokens, i + 1))) {
      *error = OraError::Make(922, "expected REPLACE old_password");
      return false;
    }
    statement->replaced = At(tokens, i + 1).Name();
    statement->hasReplace = true;
    i += 2;
  }
  if (!AtEnd(tokens, i)) {
    *error = OraError::Make(922, "expected USER name IDENTIFIED BY password");
    return false;
  }
  return true;
}

}  // namespace kestrel_engine
