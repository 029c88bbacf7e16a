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
    if (At(tokens, i).Is("CASCADE")) {
      statement->cascade = true;
      ++i;
    }
    if (!AtEnd(tokens, i)) {
      *error = OraError::Make(922, "expected DROP USER name [CASCADE]");
      return false;
    }
    return true;
  }
  statement->verb = tokens[0].Is("CREATE") ? AccountStatement::Verb::kCreate
                                           : AccountStatement::Verb::kAlter;
  const Token &password = At(tokens, 5);
  const bool alter = statement->verb == AccountStatement::Verb::kAlter;
  size_t i = 3;
  if (At(tokens, 3).Is("IDENTIFIED") || !alter) {
    if (!At(tokens, 3).Is("IDENTIFIED") || !At(tokens, 4).Is("BY") || !IsPassword(password)) {
      *error = OraError::Make(922, "expected USER name IDENTIFIED BY password");
      return false;
    }
    statement->password = password.Name();
    statement->hasPassword = true;
    i = 6;
  }
  if (alter && statement->hasPassword && At(tokens, i).Is("REPLACE")) {
    if (!IsPassword(At(tokens, i + 1))) {
      *error = OraError::Make(922, "expected REPLACE old_password");
      return false;
    }
    statement->replaced = At(tokens, i + 1).Name();
    statement->hasReplace = true;
    i += 2;
  }
  // The storage clauses are accepted: one file has no tablespaces or
  // quotas to apply them to.
  bool any = statement->hasPassword;
  while (!AtEnd(tokens, i)) {
    const Token &t = At(tokens, i);
    if ((t.Is("DEFAULT") || t.Is("TEMPORARY")) && At(tokens, i + 1).Is("TABLESPACE") &&
        IsName(At(tokens, i + 2))) {
      if (t.Is("DEFAULT")) statement->defaultTablespace = UpperAscii(At(tokens, i + 2).Name());
      i += 3;
    } else if (t.Is("QUOTA") && (At(tokens, i + 1).kind == TokenKind::kNumber ||
                                 At(tokens, i + 1).Is("UNLIMITED"))) {
      i += 2;
      if (At(tokens, i).kind == TokenKind::kWord && !At(tokens, i).Is("ON")) ++i;  // 10M
      if (!At(tokens, i).Is("ON") || !IsName(At(tokens, i + 1))) break;
      i += 2;
    } else if (t.Is("PROFILE") && IsName(At(tokens, i + 1))) {
      statement->profile = UpperAscii(At(tokens, i + 1).Name());
      i += 2;
    } else if (t.Is("ACCOUNT") && (At(tokens, i + 1).Is("LOCK") || At(tokens, i + 1).Is("UNLOCK"))) {
      statement->lock = At(tokens, i + 1).Is("LOCK") ? 1 : 0;
      i += 2;
    } else if (t.Is("PASSWORD") && At(tokens, i + 1).Is("EXPIRE")) {
      statement->expire = true;
      i += 2;
    } else {
      break;
    }
    any = true;
  }
  if (!AtEnd(tokens, i) || !any) {
    *error = OraError::Make(922, "expected USER name IDENTIFIED BY password");
    return false;
  }
  return true;
}

}  // namespace kestrel_engine
