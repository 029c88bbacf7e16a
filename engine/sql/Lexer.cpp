/*
** The tokenizer's scanning rules: -- and block comments, '...' with ''
** escapes, "..." and `...` identifiers with doubled-quote escapes, numbers
** with fractions and exponents, :name and ? placeholders.
*/
#include "sql/Lexer.h"

#include <cctype>

namespace kestrel_engine {

namespace {

bool IsWordStart(unsigned char c) {
  return std::isalpha(c) || c == '_' || c >= 0x80;
}

bool IsWordPart(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80;
}

size_t SkipQuoted(std::string_view text, size_t i, char quote) {
  ++i;  // the opening quote
  while (i < text.size()) {
    if (text[i] == quote) {
      if (i + 1 < text.size() && text[i + 1] == quote) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return i;
}

}  // namespace

bool Token::Is(std::string_view keyword) const {
  if (kind != TokenKind::kWord || raw.size() != keyword.size()) return false;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(raw[i])) !=
        std::toupper(static_cast<unsigned char>(keyword[i]))) {
      return false;
    }
  }
  return true;
}

std::string Token::Name() const {
  if (kind != TokenKind::kQuotedIdentifier && kind != TokenKind::kString) {
    return std::string(raw);
  }
  const char quote = raw.empty() ? '"' : raw[0];
  std::string name;
  const size_t end = raw.size() >= 2 && raw.back() == quote ? raw.size() - 1
                                                            : raw.size();
  for (size_t i = 1; i < end; ++i) {
    name.push_back(raw[i]);
    if (raw[i] == quote && i + 1 < end && raw[i + 1] == quote) ++i;
  }
  return name;
}

std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  size_t i = 0;
  const size_t n = text.size();
  auto push = [&](TokenKind kind, size_t start, size_t end) {
    Token t;
    t.kind = kind;
    t.offset = start;
    t.raw = text.substr(start, end - start);
    tokens.push_back(t);
  };
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isspace(c)) {
      ++i;
    } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
      while (i < n && text[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
      const size_t close = text.find("*/", i + 2);
      i = close == std::string_view::npos ? n : close + 2;
    } else if (c == '\'') {
      const size_t end = SkipQuoted(text, i, '\'');
      push(TokenKind::kString, i, end);
      i = end;
    } else if (c == '"' || c == '`') {
      const size_t end = SkipQuoted(text, i, static_cast<char>(c));
      push(TokenKind::kQuotedIdentifier, i, end);
      i = end;
    } else if (IsWordStart(c)) {
      size_t end = i + 1;
      while (end < n && IsWordPart(static_cast<unsigned char>(text[end]))) ++end;
      push(TokenKind::kWord, i, end);
      i = end;
    } else if (std::isdigit(c) ||
               (c == '.' && i + 1 < n &&
                std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
      size_t end = i;
      while (end < n && (std::isdigit(static_cast<unsigned char>(text[end])) ||
                         text[end] == '.')) {
        ++end;
      }
      if (end < n && (text[end] == 'e' || text[end] == 'E')) {
        size_t e = end + 1;
        if (e < n && (text[e] == '+' || text[e] == '-')) ++e;
        if (e < n && std::isdigit(static_cast<unsigned char>(text[e]))) {
          while (e < n && std::isdigit(static_cast<unsigned char>(text[e]))) ++e;
          end = e;
        }
      }
      push(TokenKind::kNumber, i, end);
      i = end;
    } else if (c == ':' && i + 1 < n &&
               (IsWordPart(static_cast<unsigned char>(text[i + 1])))) {
      size_t end = i + 1;
      while (end < n && IsWordPart(static_cast<unsigned char>(text[end]))) ++end;
      push(TokenKind::kPlaceholder, i, end);
      i = end;
    } else if (c == '?') {
      push(TokenKind::kPlaceholder, i, i + 1);
      ++i;
    } else {
      static const char *const kPairs[] = {"||", "<=", ">=", "<>", "!=",
                                           "==", "<<", ">>", ":="};
      size_t len = 1;
      for (const char *pair : kPairs) {
        if (i + 1 < n && text[i] == pair[0] && text[i + 1] == pair[1]) len = 2;
      }
      push(TokenKind::kSymbol, i, i + len);
      i += len;
    }
  }
  Token end;
  end.offset = n;
  tokens.push_back(end);
  return tokens;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char &c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace kestrel_engine
