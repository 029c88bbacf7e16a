/*
** A compound trigger's body: COMPOUND TRIGGER, the declarations its
** sections share, then one section per timing point (BEFORE STATEMENT,
** BEFORE EACH ROW, AFTER EACH ROW, AFTER STATEMENT, INSTEAD OF EACH ROW),
** each `point IS BEGIN ... END point;`, and END [name];
*/
#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

namespace {

bool IsWordText(const Token &t, std::string_view text) {
  return t.kind == Tok::kWord && t.value == text;
}

}  // namespace

TriggerSection::Point Parser::ParseTimingPoint() {
  auto statementOrRow = [&](TriggerSection::Point statement, TriggerSection::Point row) {
    if (IsWordText(Peek(), "STATEMENT")) {
      ++pos_;
      return statement;
    }
    ExpectPl(Kw::kEach);
    ExpectPl(Kw::kRow);
    return row;
  };
  if (AcceptWord(Kw::kBefore)) {
    return statementOrRow(TriggerSection::kBeforeStatement, TriggerSection::kBeforeRow);
  }
  if (AcceptWord(Kw::kAfter)) {
    return statementOrRow(TriggerSection::kAfterStatement, TriggerSection::kAfterRow);
  }
  ExpectPl(Kw::kInstead);
  ExpectPl(Kw::kOf);
  ExpectPl(Kw::kEach);
  ExpectPl(Kw::kRow);
  return TriggerSection::kInsteadOfRow;
}

void Parser::ParseCompoundBody(CreateTriggerStmt *s) {
  if (!IsWordText(Peek(), "COMPOUND")) FailPls();
  ++pos_;
  ExpectPl(Kw::kTrigger);
  PlBlock *shared = New<PlBlock>(Pos());
  shared->declare = true;
  auto atSection = [&] {
    return PeekWord(Kw::kBefore) || PeekWord(Kw::kAfter) || PeekWord(Kw::kInstead);
  };
  while (!atSection() && !PeekWord(Kw::kEnd)) {
    if (AtEnd()) FailPls();
    shared->decls.Append(ParseDeclaration());
  }
  s->block = shared;
  bool seen[5] = {};
  while (!PeekWord(Kw::kEnd)) {
    TriggerSection *section = New<TriggerSection>(Pos());
    section->point = ParseTimingPoint();
    if (seen[section->point]) FailPls();  // one section per timing point
    seen[section->point] = true;
    ExpectPl(Kw::kIs);
    section->block = New<PlBlock>(Pos());
    ParseBlockStatements(section->block);
    ExpectPl(Kw::kEnd);
    if (ParseTimingPoint() != section->point) FailPls();
    ExpectPlSym(Sym::kSemicolon);
    s->sections.Append(section);
  }
  if (s->sections.empty()) FailPls();
  ExpectPl(Kw::kEnd);
  if (PeekIdentifier()) shared->end_name = ParseIdent();
  ExpectPlSym(Sym::kSemicolon);
}

}  // namespace kestrel_engine::sql
