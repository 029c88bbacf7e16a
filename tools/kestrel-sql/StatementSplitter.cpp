/*
** Statement splitting: a small lexer that follows quotes and comments
** across lines, so that ';' and '/' inside them end nothing.
*/
#include "StatementSplitter.h"

#include <cctype>
#include <vector>

namespace kestrel_sql {

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' ||
         c == '$' || c == '#';
}

std::string Upper(std::string word) {
  for (char &c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return word;
}

// The first few words of `text`, upper-cased, comments skipped.
std::vector<std::string> LeadingWords(const std::string &text, size_t wanted) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size() && words.size() < wanted) {
    const char c = text[i];
    if (IsBlank(c)) {
      ++i;
    } else if (text.compare(i, 2, "--") == 0) {
      i = text.find('\n', i);
      if (i == std::string::npos) break;
    } else if (text.compare(i, 2, "/*") == 0) {
      i = text.find("*/", i + 2);
      if (i == std::string::npos) break;
      i += 2;
    } else if (IsWordChar(c)) {
      const size_t start = i;
      while (i < text.size() && IsWordChar(text[i])) ++i;
      words.push_back(Upper(text.substr(start, i - start)));
    } else {
      break;  // punctuation: no more leading keywords
    }
  }
  return words;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && IsBlank(text.back())) text.pop_back();
  return text;
}

std::string TrimLeft(const std::string &text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return text.substr(i);
}

}  // namespace

bool StartsBlock(const std::string &text) {
  const std::vector<std::string> w = LeadingWords(text, 5);
  if (w.empty()) return false;
  if (w[0] == "BEGIN" || w[0] == "DECLARE") return true;
  if (w[0] != "CREATE") return false;
  size_t i = 1;
  if (i + 1 < w.size() && w[i] == "OR" && w[i + 1] == "REPLACE") i += 2;
  if (i < w.size() && (w[i] == "EDITIONABLE" || w[i] == "NONEDITIONABLE")) ++i;
  if (i >= w.size()) return false;
  return w[i] == "PROCEDURE" || w[i] == "FUNCTION" || w[i] == "PACKAGE" ||
         w[i] == "TRIGGER" || w[i] == "TYPE";
}

Statement StatementFromText(const std::string &text) {
  Statement s;
  s.text = TrimLeft(TrimRight(text));
  s.block = StartsBlock(s.text);
  if (!s.block && !s.text.empty() && s.text.back() == ';') {
    s.text.pop_back();
    s.text = TrimRight(s.text);
  }
  s.firstLine = 1;
  return s;
}

std::optional<Statement> StatementSplitter::AddLine(const std::string &line) {
  ++lineNumber_;
  // A line holding only '/' ends whatever is pending, block or not.
  if (state_ == State::kCode && TrimLeft(TrimRight(line)) == "/") {
    if (!significant_) {
      Reset();
      return std::nullopt;
    }
    return Take(TrimRight(buffer_));
  }

  const bool wasSignificant = significant_;
  if (!buffer_.empty()) buffer_ += '\n';
  const size_t lineStart = buffer_.size();
  buffer_ += line;

  // Follows the lexical state through the line, noting where its last
  // character of code (outside quotes and comments) lies.
  size_t lastCode = std::string::npos;
  for (size_t i = lineStart; i < buffer_.size(); ++i) {
    const char c = buffer_[i];
    switch (state_) {
      case State::kCode:
        if (c == '-' && i + 1 < buffer_.size() && buffer_[i + 1] == '-') {
          i = buffer_.size();  // the rest of the line is a comment
        } else if (c == '/' && i + 1 < buffer_.size() && buffer_[i + 1] == '*') {
          state_ = State::kBlockComment;
          ++i;
        } else if (!IsBlank(c)) {
          significant_ = true;
          lastCode = i;
          if (c == '\'') state_ = State::kSingleQuote;
          if (c == '"') state_ = State::kDoubleQuote;
        }
        break;
      case State::kSingleQuote:
        lastCode = i;
        if (c == '\'') state_ = State::kCode;  // '' reopens at once
        break;
      case State::kDoubleQuote:
        lastCode = i;
        if (c == '"') state_ = State::kCode;
        break;
      case State::kBlockComment:
        if (c == '*' && i + 1 < buffer_.size() && buffer_[i + 1] == '/') {
          state_ = State::kCode;
          ++i;
        }
        break;
    }
  }

  if (!significant_) {
    // Only blanks and comments so far: nothing is kept but an open
    // comment's state.
    buffer_.clear();
    pendingLines_ = 0;
    return std::nullopt;
  }
  if (!wasSignificant) firstLine_ = lineNumber_;
  ++pendingLines_;

  if (state_ == State::kCode && lastCode != std::string::npos &&
      buffer_[lastCode] == ';' && !StartsBlock(buffer_)) {
    return Take(buffer_.substr(0, lastCode));
  }
  return std::nullopt;
}

std::optional<Statement> StatementSplitter::Finish() {
  if (!significant_) {
    Reset();
    return std::nullopt;
  }
  std::string text = TrimRight(buffer_);
  // An unended statement's own ';' is its terminator, unless a block's.
  if (!StartsBlock(text) && !text.empty() && text.back() == ';') text.pop_back();
  return Take(text);
}

std::optional<Statement> StatementSplitter::Take(std::string text) {
  Statement s;
  s.text = TrimLeft(TrimRight(text));
  s.block = StartsBlock(s.text);
  s.firstLine = firstLine_;
  Reset();
  if (s.text.empty()) return std::nullopt;
  return s;
}

void StatementSplitter::Reset() {
  state_ = State::kCode;
  buffer_.clear();
  significant_ = false;
  pendingLines_ = 0;
}

}  // namespace kestrel_sql
