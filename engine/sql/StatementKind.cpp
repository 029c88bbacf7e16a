/*
** Statement classification by first keyword (leading parentheses, as in
** "(SELECT ...) UNION ...", are skipped; a WITH clause is classified by
** the statement it leads into).
*/
#include "sql/StatementKind.h"

namespace kestrel_engine {

namespace {

// The statement a WITH clause leads into: the first of SELECT, INSERT,
// UPDATE or DELETE outside the parentheses of the named subqueries.
const Token &MainVerb(const std::vector<Token> &tokens, size_t with) {
  int depth = 0;
  for (size_t i = with + 1; tokens[i].kind != TokenKind::kEnd; ++i) {
    const Token &t = tokens[i];
    if (t.IsSymbol('(')) {
      ++depth;
    } else if (t.IsSymbol(')')) {
      --depth;
    } else if (depth == 0 && (t.Is("SELECT") || t.Is("INSERT") ||
                              t.Is("UPDATE") || t.Is("DELETE"))) {
      return t;
    }
  }
  return tokens[with];
}

// CREATE [OR REPLACE] [EDITIONABLE | NONEDITIONABLE] PROCEDURE | FUNCTION |
// PACKAGE [BODY], DROP or ALTER PROCEDURE | FUNCTION | PACKAGE [BODY].
bool IsStoredCode(const std::vector<Token> &tokens, size_t i) {
  ++i;
  while (tokens[i].Is("OR") || tokens[i].Is("REPLACE") || tokens[i].Is("EDITIONABLE") ||
         tokens[i].Is("NONEDITIONABLE")) {
    ++i;
  }
  return tokens[i].Is("PROCEDURE") || tokens[i].Is("FUNCTION") || tokens[i].Is("TRIGGER") ||
         tokens[i].Is("PACKAGE");
}

}  // namespace

StatementKind Classify(const std::vector<Token> &tokens) {
  size_t i = 0;
  while (tokens[i].IsSymbol('(')) ++i;
  const Token &first = tokens[i];
  const Token &second = tokens[i].kind == TokenKind::kEnd ? first : tokens[i + 1];
  const Token &third =
      second.kind == TokenKind::kEnd ? second : tokens[i + 2];
  StatementKind kind;
  const Token &verb = first.Is("WITH") ? MainVerb(tokens, i) : first;
  if (verb.Is("SELECT") || verb.Is("WITH")) {
    kind = {OCI_STMT_SELECT, Action::kQuery};
  } else if (verb.Is("UPDATE")) {
    kind = {OCI_STMT_UPDATE, Action::kDml};
  } else if (verb.Is("DELETE")) {
    kind = {OCI_STMT_DELETE, Action::kDml};
  } else if (verb.Is("INSERT")) {
    kind = {OCI_STMT_INSERT, Action::kDml};
  } else if (verb.Is("MERGE")) {
    kind = {OCI_STMT_MERGE, Action::kDml};
  } else if ((first.Is("CREATE") || first.Is("DROP") || first.Is("ALTER")) &&
             IsStoredCode(tokens, i)) {
    kind = {static_cast<ub2>(first.Is("CREATE") ? OCI_STMT_CREATE
                             : first.Is("DROP") ? OCI_STMT_DROP
                                                : OCI_STMT_ALTER),
            Action::kStoredCode};
  } else if (first.Is("GRANT") || first.Is("REVOKE")) {
    kind = {0, Action::kPrivilege};
  } else if ((first.Is("CREATE") || first.Is("DROP")) && second.Is("ROLE")) {
    kind = {static_cast<ub2>(first.Is("CREATE") ? OCI_STMT_CREATE : OCI_STMT_DROP),
            Action::kPrivilege};
  } else if (first.Is("CALL")) {
    kind = {10, Action::kStoredCode};  // the vendor's CALL statement type
  } else if (first.Is("CREATE")) {
    kind = {OCI_STMT_CREATE, second.Is("USER") || second.Is("PROFILE") ? Action::kAccount
                             : second.Is("SEQUENCE") ? Action::kSequence
                                                     : Action::kDdl};
  } else if (first.Is("DROP")) {
    kind = {OCI_STMT_DROP, second.Is("USER") || second.Is("PROFILE") ? Action::kAccount
                           : second.Is("SEQUENCE") ? Action::kSequence
                                                   : Action::kDdl};
  } else if (first.Is("ALTER")) {
    kind = {OCI_STMT_ALTER, second.Is("USER") || second.Is("PROFILE") ? Action::kAccount
                            : second.Is("SESSION") || second.Is("SYSTEM") ? Action::kSession
                            : second.Is("SEQUENCE") ? Action::kSequence
                                                    : Action::kDdl};
  } else if (first.Is("BEGIN")) {
    kind = {OCI_STMT_BEGIN, Action::kBlock};
  } else if (first.Is("DECLARE")) {
    kind = {OCI_STMT_DECLARE, Action::kDeclare};
  } else if (first.kind == TokenKind::kSymbol && first.raw == "<<") {
    // <<label>> BEGIN | DECLARE: a labelled block.
    size_t k = i + 1;
    while (tokens[k].kind != TokenKind::kEnd && !tokens[k].Is("BEGIN") &&
           !tokens[k].Is("DECLARE")) {
      ++k;
    }
    kind = tokens[k].Is("DECLARE") ? StatementKind{OCI_STMT_DECLARE, Action::kDeclare}
                                   : StatementKind{OCI_STMT_BEGIN, Action::kBlock};
  } else if (first.Is("COMMIT")) {
    kind = {21, Action::kCommit};  // the vendor's COMMIT statement type
  } else if (first.Is("ROLLBACK")) {
    const bool to = second.Is("TO") || (second.Is("WORK") && third.Is("TO"));
    kind = {17, to ? Action::kOther : Action::kRollback};  // and ROLLBACK's
  } else if (first.Is("SAVEPOINT")) {
    kind = {0, Action::kSavepoint};
  } else if (first.Is("COMMENT")) {
    kind = {0, Action::kComment};
  } else if (first.Is("TRUNCATE")) {
    kind = {0, Action::kDdl};  // only through the schema executor
  } else if (!first.Is("PRAGMA")) {
    // Oracle's other statements and SQLite's own (ATTACH, VACUUM, REPLACE,
    // END, RELEASE, ...) never reach SQLite. PRAGMA stays, held to the
    // authorizer's short list, while clients still use it.
    kind = {0, Action::kRefused};
  }
  return kind;
}

}  // namespace kestrel_engine
