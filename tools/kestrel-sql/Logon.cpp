/*
** Reading the logon string and turning a path into a link.
*/
#include "Logon.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>

#include <fstream>

namespace kestrel_sql {

namespace {

// Reads one part of the logon from `at`: a double-quoted text (quotes
// removed, "" kept as one quote) or plain text up to a stop character.
bool ReadPart(const std::string &text, size_t *at, const char *stops,
              std::string *part, std::string *error) {
  part->clear();
  size_t i = *at;
  if (i < text.size() && text[i] == '"') {
    for (++i;; ++i) {
      if (i >= text.size()) {
        *error = "a quoted name in the logon has no closing '\"'";
        return false;
      }
      if (text[i] == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          *part += '"';
          ++i;
          continue;
        }
        ++i;
        break;
      }
      *part += text[i];
    }
    if (i < text.size() && std::string(stops).find(text[i]) == std::string::npos) {
      *error = "the logon has text after a closing '\"'";
      return false;
    }
  } else {
    while (i < text.size() && std::string(stops).find(text[i]) == std::string::npos)
      *part += text[i++];
  }
  *at = i;
  return true;
}

}  // namespace

bool ParseLogon(const std::string &text, Logon *logon, std::string *error) {
  *logon = Logon();
  size_t at = 0;
  if (!ReadPart(text, &at, "/@", &logon->user, error)) return false;
  if (logon->user.empty()) {
    *error = "the logon names no user";
    return false;
  }
  if (at < text.size() && text[at] == '/') {
    ++at;
    logon->hasPassword = true;
    if (!ReadPart(text, &at, "@", &logon->password, error)) return false;
  }
  if (at < text.size()) {  // text[at] is '@'
    logon->link = text.substr(at + 1);
    if (logon->link.empty()) {
      *error = "the logon names no database link";
      return false;
    }
  }
  return true;
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

bool ReadPasswordFile(const std::string &path, std::string *password,
                      std::string *error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    *error = "cannot read the password file " + path + ": " + strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = "the password file " + path + " is not a regular file";
    return false;
  }
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    *error = "the password file " + path +
             " may be read or changed by others (chmod 600 it)";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in || !std::getline(in, *password)) {
    *error = "cannot read a password from " + path;
    return false;
  }
  if (!password->empty() && password->back() == '\r') password->pop_back();
  return true;
}

}  // namespace kestrel_sql
