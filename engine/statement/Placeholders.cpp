/*
** Placeholder keys and positions from a statement's tokens.
*/
#include "statement/Placeholders.h"

#include <algorithm>

namespace kestrel_engine {

std::string PlaceholderKey(std::string_view name) {
  if (!name.empty() && name.front() == ':') name.remove_prefix(1);
  return UpperAscii(name);
}

bool HasPlaceholderKey(const char *name, std::string_view key) {
  if (name == nullptr || name[0] != ':') return false;
  ++name;
  size_t i = 0;
  for (; name[i] != '\0'; ++i) {
    char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (i >= key.size() || c != key[i]) return false;
  }
  return i == key.size();
}

std::vector<std::string> PlaceholderPositions(const std::vector<Token> &tokens,
                                              bool block) {
  std::vector<std::string> keys;
  for (const Token &t : tokens) {
    if (t.kind != TokenKind::kPlaceholder || t.raw.size() < 2 || t.raw[0] != ':') {
      continue;
    }
    std::string key = PlaceholderKey(t.raw);
    if (block && std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
    keys.push_back(std::move(key));
  }
  return keys;
}

}  // namespace kestrel_engine
