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
  const std::string_view w = t.value;
  ++pos_;
  // Length with an optional BYTE or CHAR unit: VARCHAR2(n [BYTE|CHAR]).
  auto length = [&](bool required) {
    if (!PeekSym(Sym::kLParen)) {
      if (required) Fail(kOraMissingLeftParen);
      return;
    }
    ++pos_;
    type->precision = ParseIntegerArg();
    if (AcceptWord("BYTE")) type->length_unit = 1;
    else if (AcceptWord("CHAR")) type->length_unit = 2;
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
  if (w == "NUMBER") {
    type->kind = TypeKind::kNumber;
    precision_scale();
  } else if (w == "DECIMAL" || w == "DEC" || w == "NUMERIC") {
    type->kind = TypeKind::kDecimal;
    precision_scale();
  } else if (w == "INTEGER" || w == "INT") {
    type->kind = TypeKind::kInteger;
  } else if (w == "SMALLINT") {
    type->kind = TypeKind::kSmallint;
  } else if (w == "FLOAT") {
    type->kind = TypeKind::kFloat;
    if (AcceptSym(Sym::kLParen)) {
      type->precision = ParseIntegerArg();
      ExpectRParen();
    }
  } else if (w == "REAL") {
    type->kind = TypeKind::kReal;
  } else if (w == "DOUBLE") {
    ExpectWord("PRECISION");
    type->kind = TypeKind::kDoublePrecision;
  } else if (w == "BINARY_FLOAT") {
    type->kind = TypeKind::kBinaryFloat;
  } else if (w == "BINARY_DOUBLE") {
    type->kind = TypeKind::kBinaryDouble;
  } else if (w == "VARCHAR2") {
    type->kind = TypeKind::kVarchar2;
    length(true);
  } else if (w == "VARCHAR") {
    type->kind = TypeKind::kVarchar;
    length(true);
  } else if (w == "NVARCHAR2") {
    type->kind = TypeKind::kNVarchar2;
    length(true);
  } else if (w == "CHAR" || w == "CHARACTER") {
    type->kind = TypeKind::kChar;
    if (AcceptWord("VARYING")) type->kind = TypeKind::kVarchar2;
    length(type->kind == TypeKind::kVarchar2);
  } else if (w == "NCHAR") {
    type->kind = TypeKind::kNChar;
    if (AcceptWord("VARYING")) type->kind = TypeKind::kNVarchar2;
    length(type->kind == TypeKind::kNVarchar2);
  } else if (w == "LONG") {
    type->kind = AcceptWord("RAW") ? TypeKind::kLongRaw : TypeKind::kLong;
  } else if (w == "RAW") {
    type->kind = TypeKind::kRaw;
    length(true);
  } else if (w == "CLOB") {
    type->kind = TypeKind::kClob;
  } else if (w == "NCLOB") {
    type->kind = TypeKind::kNClob;
  } else if (w == "BLOB") {
    type->kind = TypeKind::kBlob;
  } else if (w == "BFILE") {
    type->kind = TypeKind::kBfile;
  } else if (w == "DATE") {
    type->kind = TypeKind::kDate;
  } else if (w == "TIMESTAMP") {
    type->kind = TypeKind::kTimestamp;
    if (AcceptSym(Sym::kLParen)) {
      type->precision = ParseIntegerArg();
      ExpectRParen();
    }
    if (PeekWord("WITH") && (PeekWord("TIME", 1) || PeekWord("LOCAL", 1))) {
      ++pos_;
      type->time_zone = AcceptWord("LOCAL") ? 2 : 1;
      ExpectWord("TIME");
      ExpectWord("ZONE");
    }
  } else if (w == "INTERVAL") {
    ParseIntervalFields(type);
    const bool ym = type->from_field == kYear && type->to_field == kMonth;
    const bool ds = type->from_field == kDay && type->to_field == kSecond;
    if (!ym && !ds) Fail(kOraInvalidDatatype);
  } else if (w == "BOOLEAN") {
    type->kind = TypeKind::kBoolean;
  } else if (w == "ROWID") {
    type->kind = TypeKind::kRowid;
  } else if (w == "UROWID") {
    type->kind = TypeKind::kURowid;
    length(false);
  } else if (w == "XMLTYPE") {
    type->kind = TypeKind::kXmlType;
  } else if (w == "JSON") {
    type->kind = TypeKind::kJson;
  } else {
    FailAt(kOraInvalidDatatype, t);
  }
  return type;
}

}  // namespace kestrel_engine::sql
