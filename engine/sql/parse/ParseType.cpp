/*
** Oracle type names, with the ANSI synonyms Oracle maps onto its own.
*/
#include <stdlib.h>

#include "sql/parse/Parser.h"

namespace kestrel_engine::sql {

int32_t Parser::ParseIntegerArg() {
  const Token &t = Peek();
  if (t.kind != Tok::kNumber || t.value.find_first_not_of("0123456789") != std::string_view::npos ||
      t.value.size() > 9) {
    Fail(kOraMissingExpression);
  }
  ++pos_;
  int32_t v = 0;
  for (char c : t.value) v = v * 10 + (c - '0');
  return v;
}

TypeName *Parser::ParseType() {
  const Token &t = Peek();
  TypeName *type = New<TypeName>(t.offset);
  if (t.kind != Tok::kWord) Fail(kOraInvalidDatatype);
  const Kw w = t.kw;
  ++pos_;
  // Length with an optional BYTE or CHAR unit: VARCHAR2(n [BYTE|CHAR]).
  auto length = [&](bool required) {
    if (!PeekSym(Sym::kLParen)) {
      if (required) Fail(kOraMissingLeftParen);
      return;
    }
    ++pos_;
    type->precision = ParseIntegerArg();
    if (AcceptWord(Kw::kByte)) type->length_unit = 1;
    else if (AcceptWord(Kw::kChar)) type->length_unit = 2;
    ExpectRParen();
  };
  auto precision_scale = [&]() {
    if (!AcceptSym(Sym::kLParen)) return;
    if (AcceptSym(Sym::kStar)) {
      type->precision = -2;
    } else {
      type->precision = ParseIntegerArg();
    }
    if (AcceptSym(Sym::kComma)) {
      const bool negative = AcceptSym(Sym::kMinus);
      type->scale = ParseIntegerArg() * (negative ? -1 : 1);
    }
    ExpectRParen();
  };
  if (w == Kw::kNumber) {
    type->kind = TypeKind::kNumber;
    precision_scale();
  } else if (w == Kw::kDecimal || w == Kw::kDec || w == Kw::kNumeric) {
    type->kind = TypeKind::kDecimal;
    precision_scale();
  } else if (w == Kw::kInteger || w == Kw::kInt) {
    type->kind = TypeKind::kInteger;
  } else if (w == Kw::kSmallint) {
    type->kind = TypeKind::kSmallint;
  } else if (w == Kw::kFloat) {
    type->kind = TypeKind::kFloat;
    if (AcceptSym(Sym::kLParen)) {
      type->precision = ParseIntegerArg();
      ExpectRParen();
    }
  } else if (w == Kw::kReal) {
    type->kind = TypeKind::kReal;
  } else if (w == Kw::kDouble) {
    ExpectWord(Kw::kPrecision);
    type->kind = TypeKind::kDoublePrecision;
  } else if (w == Kw::kBinaryFloat) {
    type->kind = TypeKind::kBinaryFloat;
  } else if (w == Kw::kBinaryDouble) {
    type->kind = TypeKind::kBinaryDouble;
  } else if (w == Kw::kVarchar2) {
    type->kind = TypeKind::kVarchar2;
    length(!plsql_);  // PL/SQL parameters and RETURN types have no length
  } else if (w == Kw::kVarchar) {
    type->kind = TypeKind::kVarchar;
    length(!plsql_);  // PL/SQL parameters and RETURN types have no length
  } else if (w == Kw::kNvarchar2) {
    type->kind = TypeKind::kNVarchar2;
    length(!plsql_);  // PL/SQL parameters and RETURN types have no length
  } else if (w == Kw::kChar || w == Kw::kCharacter) {
    type->kind = TypeKind::kChar;
    if (AcceptWord(Kw::kVarying)) type->kind = TypeKind::kVarchar2;
    length(type->kind == TypeKind::kVarchar2);
  } else if (w == Kw::kNchar) {
    type->kind = TypeKind::kNChar;
    if (AcceptWord(Kw::kVarying)) type->kind = TypeKind::kNVarchar2;
    length(type->kind == TypeKind::kNVarchar2);
  } else if (w == Kw::kLong) {
    type->kind = AcceptWord(Kw::kRaw) ? TypeKind::kLongRaw : TypeKind::kLong;
  } else if (w == Kw::kRaw) {
    type->kind = TypeKind::kRaw;
    length(!plsql_);  // PL/SQL parameters and RETURN types have no length
  } else if (w == Kw::kClob) {
    type->kind = TypeKind::kClob;
  } else if (w == Kw::kNclob) {
    type->kind = TypeKind::kNClob;
  } else if (w == Kw::kBlob) {
    type->kind = TypeKind::kBlob;
  } else if (w == Kw::kBfile) {
    type->kind = TypeKind::kBfile;
  } else if (w == Kw::kDate) {
    type->kind = TypeKind::kDate;
  } else if (w == Kw::kTimestamp) {
    type->kind = TypeKind::kTimestamp;
    if (AcceptSym(Sym::kLParen)) {
      type->precision = ParseIntegerArg();
      ExpectRParen();
    }
    if (PeekWord(Kw::kWith) && (PeekWord(Kw::kTime, 1) || PeekWord(Kw::kLocal, 1))) {
      ++pos_;
      type->time_zone = AcceptWord(Kw::kLocal) ? 2 : 1;
      ExpectWord(Kw::kTime);
      ExpectWord(Kw::kZone);
    }
  } else if (w == Kw::kInterval) {
    ParseIntervalFields(type);
    const bool ym = type->from_field == kYear && type->to_field == kMonth;
    const bool ds = type->from_field == kDay && type->to_field == kSecond;
    if (!ym && !ds) Fail(kOraInvalidDatatype);
  } else if (w == Kw::kBoolean) {
    type->kind = TypeKind::kBoolean;
  } else if (w == Kw::kRowid) {
    type->kind = TypeKind::kRowid;
  } else if (w == Kw::kUrowid) {
    type->kind = TypeKind::kURowid;
    length(false);
  } else if (w == Kw::kXmltype) {
    type->kind = TypeKind::kXmlType;
  } else if (w == Kw::kJson) {
    type->kind = TypeKind::kJson;
  } else {
    FailAt(kOraInvalidDatatype, t);
  }
  return type;
}

}  // namespace kestrel_engine::sql
