/*
** The account statements: CREATE USER name IDENTIFIED BY password,
** ALTER USER name IDENTIFIED BY password [REPLACE old] and DROP USER name
** [CASCADE], with the clauses CREATE and ALTER take (PROFILE, ACCOUNT
** LOCK|UNLOCK, PASSWORD EXPIRE, storage).
** Names and passwords are identifiers or "quoted identifiers"; passwords
** keep their case.
*/
#ifndef KESTREL_ENGINE_ACCOUNTSTATEMENT_H
#define KESTREL_ENGINE_ACCOUNTSTATEMENT_H

#include <string>
#include <vector>

#include "errors/OraError.h"
#include "sql/Lexer.h"

namespace kestrel_engine {

struct AccountStatement {
  enum class Verb { kCreate, kAlter, kDrop } verb = Verb::kCreate;
  std::string user;
  std::string password;  // empty for DROP
  std::string replaced;  // ALTER's REPLACE old password, when given
  bool hasReplace = false;
  bool hasPassword = false;  // ALTER USER may change the account alone
  int lock = -1;             // ACCOUNT LOCK 1, ACCOUNT UNLOCK 0, unstated -1
  bool expire = false;       // PASSWORD EXPIRE
  bool cascade = false;      // DROP USER ... CASCADE
  std::string defaultTablespace;
  std::string profile;       // PROFILE p, upper case; empty when unstated
};

// 922 (missing or invalid option) or 900 when the text is not one of the
// three forms.
bool ParseAccountStatement(const std::vector<Token> &tokens,
                           AccountStatement *statement, OraError *error);

}  // namespace kestrel_engine

#endif
