/*
** CREATE TABLE with deferrable constraints, which the tree path leaves to
** SQLite's own definition (SQLite defers such a foreign key to the
** commit): the older rewrite runs the statement's text, in which the
** table's name and each REFERENCES target are first replaced by the names
** their schemas store them under (catalog/StorageNames.h), so the table
** takes its place in the creating schema as the tree path's tables do.
*/
#include <strings.h>

#include "catalog/StorageNames.h"
#include "schema/Constraints.h"
#include "schema/SchemaStatements.h"
#include "sql/Lexer.h"
#include "sql/StatementKind.h"
#include "sql/Translate.h"

namespace kestrel_engine::schema {

namespace {

bool IsName(const Token &t) {
  return t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier;
}

size_t End(const Token &t) { return t.offset + t.raw.size(); }

// A [schema .] name written at tokens[i]: its parts as the parser keeps
// them (unquoted ones upper case) and where it ends.
struct WrittenName {
  std::string part[2];
  sql::Name name;
  size_t begin = 0, end = 0, last = 0;  // `last`: its last token
};

bool ReadName(const std::vector<Token> &tokens, size_t i, WrittenName *out) {
  if (i >= tokens.size() || !IsName(tokens[i])) return false;
  const bool qualified =
      i + 2 < tokens.size() && tokens[i + 1].IsSymbol('.') && IsName(tokens[i + 2]);
  const size_t count = qualified ? 2 : 1;
  for (size_t k = 0; k < count; ++k) {
    const Token &t = tokens[i + 2 * k];
    out->part[k] = t.kind == TokenKind::kWord ? UpperAscii(t.raw) : t.Name();
    out->name.part[k] = out->part[k];
    out->name.quoted[k] = t.kind == TokenKind::kQuotedIdentifier;
  }
  out->name.count = static_cast<uint8_t>(count);
  out->begin = tokens[i].offset;
  out->end = End(tokens[i + 2 * (count - 1)]);
  out->last = i + 2 * (count - 1);
  return true;
}

}  // namespace

void CreateOlderTable(Ddl &ddl, const sql::CreateTableStmt &s, std::string_view text) {
  const std::string name(s.name.Last());
  CheckObjectName(name);
  const std::string stored = NewStorageName(ddl.db(), ddl.owner(), name);
  CheckTableNameFree(ddl, stored, name);
  const std::vector<Token> tokens = Tokenize(text);
  // The text again, each name in place replaced by its stored one.
  std::string written;
  size_t copied = 0;
  auto replace = [&](const WrittenName &n, const std::string &with) {
    written.append(text.substr(copied, n.begin - copied));
    written += QuoteIdent(with);
    copied = n.end;
  };
  size_t i = 0;
  while (i < tokens.size() && tokens[i].kind != TokenKind::kEnd && !tokens[i].Is("TABLE")) ++i;
  WrittenName table;
  if (!ReadName(tokens, i + 1, &table)) Fail(903);
  replace(table, stored);
  for (i = table.last + 1; i < tokens.size() && tokens[i].kind != TokenKind::kEnd; ++i) {
    WrittenName parent;
    if (!tokens[i].Is("REFERENCES") || !ReadName(tokens, i + 1, &parent)) continue;
    // The table itself, else the parent its schema (or the current one)
    // holds, as the tree path finds it.
    const std::string &last = parent.part[parent.name.count - 1];
    const bool self = strcasecmp(last.c_str(), name.c_str()) == 0 &&
                      (parent.name.count == 1 ||
                       strcasecmp(parent.part[0].c_str(), ddl.owner().c_str()) == 0);
    const std::string target = self ? stored : FindTable(ddl, parent.name);
    if (target.empty()) Fail(942);
    replace(parent, target);
    i = parent.last;
    // Without columns SQLite reads the parent's own PRIMARY KEY, which a
    // table the tree path made keeps in the engine's records instead.
    if (self || (i + 1 < tokens.size() && tokens[i + 1].IsSymbol('('))) continue;
    for (const ConstraintDef &k : TableConstraints(ddl, target)) {
      if (k.type != 'P') continue;
      std::vector<std::string> quoted;
      for (const std::string &c : k.columns) quoted.push_back(QuoteIdent(c));
      written += " (" + Join(quoted, ", ") + ")";
    }
  }
  written.append(text.substr(copied));
  const std::vector<Token> again = Tokenize(written);
  ddl.Exec(Translate(written, again, Classify(again)).sql, 5);
}

}  // namespace kestrel_engine::schema
