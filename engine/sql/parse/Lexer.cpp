/*
** Oracle SQL tokens: literals in all their quotings, quoted and unquoted
** identifiers, binds, and the operators, with comments and hints dropped.
*/
#include "sql/parse/Lexer.h"

#include <string.h>

#include <new>

#include "sql/parse/SyntaxError.h"

namespace kestrel_engine::sql {

namespace {

enum : uint8_t { kSpace = 1, kDigit = 2, kLetter = 4, kWordChar = 8 };

struct CharClasses {
  uint8_t of[256] = {};
  constexpr CharClasses() {
    for (int c : {' ', '\t', '\n', '\r', '\f', '\v'}) of[c] = kSpace;
    for (int c = '0'; c <= '9'; ++c) of[c] = kDigit | kWordChar;
    for (int c = 'A'; c <= 'Z'; ++c) of[c] = of[c + 32] = kLetter | kWordChar;
    for (int c = 0x80; c < 256; ++c) of[c] = kLetter | kWordChar;  // UTF-8 bytes
    for (int c : {'_', '$', '#'}) of[c] = kWordChar;
  }
};
constexpr CharClasses kClasses;

bool IsSpace(unsigned char c) { return kClasses.of[c] & kSpace; }
bool IsDigit(unsigned char c) { return kClasses.of[c] & kDigit; }
bool IsLetter(unsigned char c) { return kClasses.of[c] & kLetter; }
bool IsWordChar(unsigned char c) { return kClasses.of[c] & kWordChar; }

class Lexer {
 public:
  Lexer(std::string_view text, Arena &arena) : text_(text), arena_(arena) {}

  TokenArray Run() {
    // NUL is no character of SQL text, not even inside a literal.
    const void *nul = memchr(text_.data(), 0, text_.size());
    if (nul != nullptr) Fail(kOraInvalidCharacter, static_cast<const char *>(nul) - text_.data());
    // About one token per four bytes in real statements; room for a few
    // more avoids growing (and copying) for all but unusual text, and the
    // cap keeps a huge statement from reserving more than it uses.
    capacity_ = text_.size() / 3 + 16;
    if (capacity_ > 4096) capacity_ = 4096;
    items_ = static_cast<Token *>(arena_.Allocate(sizeof(Token) * capacity_, alignof(Token)));
    for (;;) {
      SkipSpaceAndComments();
      if (at_ >= text_.size()) break;
      Next();
    }
    Token &end = Push(Tok::kEnd, at_, at_);
    end.raw = {};
    return {items_, size_};
  }

 private:
  unsigned char Peek(size_t ahead = 0) const {
    return at_ + ahead < text_.size() ? static_cast<unsigned char>(text_[at_ + ahead]) : 0;
  }
  bool More(size_t ahead) const { return at_ + ahead < text_.size(); }

  Token &Push(Tok kind, size_t start, size_t stop) {
    if (size_ == capacity_) {
      Token *bigger = static_cast<Token *>(arena_.Allocate(sizeof(Token) * capacity_ * 2, alignof(Token)));
      memcpy(static_cast<void *>(bigger), items_, sizeof(Token) * size_);
      items_ = bigger;
      capacity_ *= 2;
    }
    // Constructed only when used: most of the array stays untouched.
    Token &t = *new (items_ + size_++) Token();
    t.kind = kind;
    t.offset = static_cast<uint32_t>(start);
    t.raw = text_.substr(start, stop - start);
    t.value = t.raw;
    return t;
  }

  [[noreturn]] void Fail(int code, size_t offset, std::string_view detail = {}) {
    throw SyntaxError(code, static_cast<uint32_t>(offset), detail);
  }

  void SkipSpaceAndComments() {
    while (at_ < text_.size()) {
      unsigned char c = Peek();
      if (IsSpace(c)) {
        ++at_;
      } else if (c == '-' && Peek(1) == '-') {
        while (at_ < text_.size() && text_[at_] != '\n') ++at_;
      } else if (c == '/' && Peek(1) == '*') {
        // Hints (/*+ ... */) are comments here: the engine has no optimizer
        // to give them to.
        size_t close = text_.find("*/", at_ + 2);
        if (close == std::string_view::npos) Fail(kOraCommentNotTerminated, at_);
        at_ = close + 2;
      } else {
        return;
      }
    }
  }

  void Next() {
    const size_t start = at_;
    const unsigned char c = Peek();
    if (c == '\'') return String(start, at_, Tok::kString);
    if (c == 'n' || c == 'N') {
      if (Peek(1) == '\'') return String(start, at_ + 1, Tok::kNString);
      if ((Peek(1) == 'q' || Peek(1) == 'Q') && Peek(2) == '\'') return QString(start, at_ + 2, Tok::kNString);
    }
    if ((c == 'q' || c == 'Q') && Peek(1) == '\'') return QString(start, at_ + 1, Tok::kString);
    if (IsLetter(c)) return Word(start);
    if (IsDigit(c) || (c == '.' && IsDigit(Peek(1)))) return Number(start);
    if (c == '"') return QuotedIdent(start);
    if (c == ':' && (IsWordChar(Peek(1)) || Peek(1) == '"')) return Bind(start);
    Symbol(start, c);
  }

  // '...' with '' for a quote; `quote` is the opening quote's offset.
  void String(size_t start, size_t quote, Tok kind) {
    size_t i = quote + 1;
    bool doubled = false;
    for (;;) {
      size_t close = text_.find('\'', i);
      if (close == std::string_view::npos) Fail(kOraQuoteNotTerminated, start);
      if (close + 1 < text_.size() && text_[close + 1] == '\'') {
        doubled = true;
        i = close + 2;
        continue;
      }
      at_ = close + 1;
      Token &t = Push(kind, start, at_);
      std::string_view inner = text_.substr(quote + 1, close - quote - 1);
      if (doubled) {
        char *out = static_cast<char *>(arena_.Allocate(inner.size(), 1));
        size_t n = 0;
        for (size_t k = 0; k < inner.size(); ++k) {
          out[n++] = inner[k];
          if (inner[k] == '\'') ++k;
        }
        t.value = {out, n};
      } else {
        t.value = inner;
      }
      return;
    }
  }

  // q'<delimiter>...<delimiter>': `quote` is the quote after q.
  void QString(size_t start, size_t quote, Tok kind) {
    if (quote + 1 >= text_.size()) Fail(kOraQuoteNotTerminated, start);
    const char open = text_[quote + 1];
    if (IsSpace(static_cast<unsigned char>(open)) || open == '\'') Fail(kOraInvalidCharacter, quote + 1);
    char close = open;
    if (open == '[') close = ']';
    if (open == '{') close = '}';
    if (open == '(') close = ')';
    if (open == '<') close = '>';
    for (size_t i = quote + 2; i + 1 < text_.size(); ++i) {
      if (text_[i] == close && text_[i + 1] == '\'') {
        at_ = i + 2;
        Token &t = Push(kind, start, at_);
        t.value = text_.substr(quote + 2, i - quote - 2);
        return;
      }
    }
    Fail(kOraQuoteNotTerminated, start);
  }

  void Word(size_t start) {
    bool lower = false;
    while (at_ < text_.size() && IsWordChar(Peek())) {
      unsigned char c = Peek();
      if (c >= 'a' && c <= 'z') lower = true;
      ++at_;
    }
    if (at_ - start > kMaxIdentifierBytes) Fail(kOraIdentifierTooLong, start);
    Token &t = Push(Tok::kWord, start, at_);
    if (lower) {
      char *out = static_cast<char *>(arena_.Allocate(t.raw.size(), 1));
      for (size_t k = 0; k < t.raw.size(); ++k) {
        char ch = t.raw[k];
        out[k] = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
      }
      t.value = {out, t.raw.size()};
    }
    t.kw = LookupKeyword(t.value);
    t.reserved = IsReserved(t.kw);
  }

  void Number(size_t start) {
    while (IsDigit(Peek())) ++at_;
    if (Peek() == '.' && Peek(1) != '.') {
      ++at_;
      while (IsDigit(Peek())) ++at_;
    }
    if ((Peek() == 'e' || Peek() == 'E') &&
        (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
      at_ += 2;
      while (IsDigit(Peek())) ++at_;
    }
    const size_t digits_end = at_;
    uint8_t suffix = 0;
    const unsigned char s = Peek();
    if ((s == 'f' || s == 'F' || s == 'd' || s == 'D') && !IsWordChar(Peek(1))) {
      suffix = (s == 'f' || s == 'F') ? 'f' : 'd';
      ++at_;
    }
    Token &t = Push(Tok::kNumber, start, at_);
    t.value = text_.substr(start, digits_end - start);
    t.suffix = suffix;
  }

  void QuotedIdent(size_t start) {
    size_t close = text_.find('"', start + 1);
    if (close == std::string_view::npos) Fail(kOraMissingDoubleQuote, start);
    if (close == start + 1) Fail(kOraInvalidLiteral, start);
    if (close - start - 1 > kMaxIdentifierBytes) Fail(kOraIdentifierTooLong, start);
    std::string_view inner = text_.substr(start + 1, close - start - 1);
    if (inner.find('\0') != std::string_view::npos) Fail(kOraInvalidCharacter, start);
    at_ = close + 1;
    Token &t = Push(Tok::kQuotedIdent, start, at_);
    t.value = inner;
  }

  void Bind(size_t start) {
    ++at_;
    if (Peek() == '"') {
      size_t close = text_.find('"', at_ + 1);
      if (close == std::string_view::npos) Fail(kOraMissingDoubleQuote, at_);
      if (close == at_ + 1) Fail(kOraInvalidLiteral, at_);
      at_ = close + 1;
      Token &t = Push(Tok::kBind, start, at_);
      t.value = t.raw.substr(2, t.raw.size() - 3);
      return;
    }
    while (IsWordChar(Peek())) ++at_;
    if (at_ - start - 1 > kMaxIdentifierBytes) Fail(kOraIdentifierTooLong, start);
    Token &t = Push(Tok::kBind, start, at_);
    t.value = t.raw.substr(1);
  }

  void Symbol(size_t start, unsigned char c) {
    Sym sym = Sym::kNone;
    size_t len = 1;
    const unsigned char d = Peek(1);
    switch (c) {
      case '(': {
        // (+), the old outer-join marker, spaces allowed inside.
        size_t i = at_ + 1;
        while (i < text_.size() && IsSpace(static_cast<unsigned char>(text_[i]))) ++i;
        if (i < text_.size() && text_[i] == '+') {
          size_t j = i + 1;
          while (j < text_.size() && IsSpace(static_cast<unsigned char>(text_[j]))) ++j;
          if (j < text_.size() && text_[j] == ')') {
            sym = Sym::kOuterJoin;
            len = j + 1 - at_;
            break;
          }
        }
        sym = Sym::kLParen;
        break;
      }
      case ')': sym = Sym::kRParen; break;
      case ',': sym = Sym::kComma; break;
      case ';': sym = Sym::kSemicolon; break;
      case ':': sym = Sym::kColon; break;
      case '+': sym = Sym::kPlus; break;
      case '-': sym = Sym::kMinus; break;
      case '*': sym = Sym::kStar; break;
      case '/': sym = Sym::kSlash; break;
      case '@': sym = Sym::kAt; break;
      case '%': sym = Sym::kPercent; break;
      case '.':
        sym = d == '.' ? Sym::kDotDot : Sym::kDot;
        len = d == '.' ? 2 : 1;
        break;
      case '|':
        if (d == '|') { sym = Sym::kConcat; len = 2; }
        break;
      case '=':
        if (d == '>') { sym = Sym::kArrow; len = 2; } else { sym = Sym::kEq; }
        break;
      case '<':
        if (d == '>') { sym = Sym::kNe; len = 2; }
        else if (d == '=') { sym = Sym::kLe; len = 2; }
        else { sym = Sym::kLt; }
        break;
      case '>':
        if (d == '=') { sym = Sym::kGe; len = 2; } else { sym = Sym::kGt; }
        break;
      case '!': case '^': case '~':
        if (d == '=') { sym = Sym::kNe; len = 2; }
        break;
      default: break;
    }
    if (sym == Sym::kNone) Fail(kOraInvalidCharacter, start);
    at_ += len;
    Push(Tok::kSymbol, start, at_).sym = sym;
  }

  std::string_view text_;
  Arena &arena_;
  size_t at_ = 0;
  Token *items_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace

TokenArray Lex(std::string_view text, Arena &arena) { return Lexer(text, arena).Run(); }

}  // namespace kestrel_engine::sql
