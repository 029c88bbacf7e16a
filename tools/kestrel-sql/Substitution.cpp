/*
** DEFINE's table and &-substitution.
*/
#include "Substitution.h"

#include <cctype>

#include "Settings.h"

namespace kestrel_sql {

void Defines::Set(const std::string &name, const std::string &value) {
  values_[Upper(name)] = value;
}

bool Defines::Remove(const std::string &name) { return values_.erase(Upper(name)) > 0; }

std::optional<std::string> Defines::Get(const std::string &name) const {
  const auto it = values_.find(Upper(name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::string Defines::Describe(const std::string &name, const std::string &value) {
  std::string padded = Upper(name);
  if (padded.size() < 15) padded.resize(15, ' ');
  return "DEFINE " + padded + " = \"" + value + "\" (CHAR)";
}

std::string Defines::List() const {
  std::string text;
  for (const auto &v : values_) text += Describe(v.first, v.second) + "\n";
  return text;
}

namespace {

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' ||
         c == '$' || c == '#';
}

}  // namespace

bool Substitute(const std::string &text, char prefix, Defines &defines,
                const AskValue &ask, std::string *out, std::string *error) {
  std::string result;
  size_t i = 0;
  bool quoted = false;  // inside '...': no comments, but variables still count
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\'' && c != prefix) quoted = !quoted;
    if (!quoted && c == '-' && text.compare(i, 2, "--") == 0) {
      const size_t end = text.find('\n', i);
      const size_t stop = end == std::string::npos ? text.size() : end;
      result.append(text, i, stop - i);
      i = stop;
      continue;
    }
    if (!quoted && c == '/' && text.compare(i, 2, "/*") == 0) {
      const size_t end = text.find("*/", i + 2);
      const size_t stop = end == std::string::npos ? text.size() : end + 2;
      result.append(text, i, stop - i);
      i = stop;
      continue;
    }
    if (c != prefix) {
      result += c;
      ++i;
      continue;
    }
    const bool twice = i + 1 < text.size() && text[i + 1] == prefix;
    size_t start = i + (twice ? 2 : 1);
    size_t end = start;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    if (end == start) {  // a lone '&' stays as it is
      result.append(text, i, start - i);
      i = start;
      continue;
    }
    const std::string name = text.substr(start, end - start);
    std::optional<std::string> value = defines.Get(name);
    if (!value) {
      value = ask(name);
      if (!value) {
        *error = "SP2-0546: no value for substitution variable \"" + name + "\"";
        return false;
      }
      if (twice) defines.Set(name, *value);
    }
    result += *value;
    i = end;
    if (i < text.size() && text[i] == '.') ++i;
  }
  *out = result;
  return true;
}

}  // namespace kestrel_sql
