/*
** Reading the logon string and turning a path into a link.
*/
#include "Logon.h"

#include <sys/stat.h>

namespace kestrel_sql {

bool ParseLogon(const std::string &text, Logon *logon, std::string *error) {
  const size_t slash = text.find('/');
  const size_t at =
      slash == std::string::npos ? std::string::npos : text.find('@', slash);
  if (slash == std::string::npos || at == std::string::npos) {
    *error = "the logon must read USER/PASSWORD@LINK";
    return false;
  }
  logon->user = text.substr(0, slash);
  logon->password = text.substr(slash + 1, at - slash - 1);
  logon->link = text.substr(at + 1);
  if (logon->user.empty()) {
    *error = "the logon names no user";
  } else if (logon->link.empty()) {
    *error = "the logon names no database link";
  } else {
    return true;
  }
  return false;
}

bool IsUriLink(const std::string &link) {
  return link.compare(0, 5, "file:") == 0 || link == ":memory:";
}

namespace {

// The characters that would end or change an SQLite URI's path.
std::string EncodePath(const std::string &path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : path) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '%' || c == '?' || c == '#' || u < 0x20 || u == 0x7F) {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

bool HasModeParameter(const std::string &uri) {
  const size_t query = uri.find('?');
  if (query == std::string::npos) return false;
  size_t at = query + 1;
  while (at < uri.size()) {
    if (uri.compare(at, 5, "mode=") == 0) return true;
    const size_t next = uri.find_first_of("&#", at);
    if (next == std::string::npos || uri[next] == '#') break;
    at = next + 1;
  }
  return false;
}

}  // namespace

bool ResolveLink(const std::string &link, bool create, std::string *resolved,
                 std::string *error) {
  if (IsUriLink(link)) {
    *resolved = link;
    if (create && link != ":memory:" && !HasModeParameter(link)) {
      const size_t hash = link.find('#');
      std::string head = link.substr(0, hash);
      head += head.find('?') == std::string::npos ? "?mode=rwc" : "&mode=rwc";
      *resolved = head + (hash == std::string::npos ? "" : link.substr(hash));
    }
    return true;
  }
  if (create) {
    // "file:///abs" keeps an absolute path that starts with "//" from being
    // read as a URI authority.
    *resolved = (link[0] == '/' ? "file://" : "file:") + EncodePath(link) +
                "?mode=rwc";
    return true;
  }
  struct stat info;
  if (stat(link.c_str(), &info) != 0) {
    *error = "database " + link + " does not exist (--create makes it)";
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    *error = "database " + link + " is a directory";
    return false;
  }
  *resolved = link;
  return true;
}

}  // namespace kestrel_sql
