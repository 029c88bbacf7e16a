/*
** Statement classification by first keyword (leading parentheses, as in
** "(SELECT ...) UNION ...", are skipped).
*/
#include "sql/StatementKind.h"

namespace kestrel_engine {

StatementKind Classify(const std::vector<Token> &tokens) {
  size_t i = 0;
  while (tokens[i].IsSymbol('(')) ++i;
  const Token &first = tokens[i];
  const Token &second = tokens[i].kind == TokenKind::kEnd ? first : tokens[i + 1];
  const Token &third =
      second.kind == TokenKind::kEnd ? second : tokens[i + 2];
  StatementKind kind;
  if (first.Is("SELECT") || first.Is("WITH")) {
    kind = {OCI_STMT_SELECT, Action::kQuery};
  } else if (first.Is("UPDATE")) {
    kind = {OCI_STMT_UPDATE, Action::kDml};
  } else if (first.Is("DELETE")) {
    kind = {OCI_STMT_DELETE, Action::kDml};
  } else if (first.Is("INSERT")) {
    kind = {OCI_STMT_INSERT, Action::kDml};
  } else if (first.Is("CREATE")) {
    kind = {OCI_STMT_CREATE, second.Is("USER") ? Action::kAccount : Action::kDdl};
  } else if (first.Is("DROP")) {
    kind = {OCI_STMT_DROP, second.Is("USER") ? Action::kAccount : Action::kDdl};
  } else if (first.Is("ALTER")) {
    kind = {OCI_STMT_ALTER, second.Is("USER") ? Action::kAccount : Action::kDdl};
  } else if (first.Is("BEGIN")) {
    kind = {OCI_STMT_BEGIN, Action::kBlock};
  } else if (first.Is("DECLARE")) {
    kind = {OCI_STMT_DECLARE, Action::kDeclare};
  } else if (first.Is("COMMIT")) {
    kind = {0, Action::kCommit};
  } else if (first.Is("ROLLBACK")) {
    const bool to = second.Is("TO") || (second.Is("WORK") && third.Is("TO"));
    kind = {0, to ? Action::kOther : Action::kRollback};
  } else if (first.Is("SAVEPOINT")) {
    kind = {0, Action::kSavepoint};
  } else if (first.Is("END") || first.Is("RELEASE")) {
    kind = {0, Action::kRefused};
  }
  return kind;
}

}  // namespace kestrel_engine
