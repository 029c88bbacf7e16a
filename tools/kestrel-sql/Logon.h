/*
** The logon string USER/PASSWORD@LINK, and the link handed to the
** library: a plain path names an existing database file unless --create
** asks for it to be made, in which case it becomes an SQLite URI with
** mode=rwc.
*/
#ifndef KESTREL_SQL_LOGON_H
#define KESTREL_SQL_LOGON_H

#include <string>

namespace kestrel_sql {

struct Logon {
  std::string user;
  std::string password;
  std::string link;
};

// Splits at the first '/' and the first '@' after it, so a link may hold
// '@' but a password may not. False with `error` set when a part is
// missing.
bool ParseLogon(const std::string &text, Logon *logon, std::string *error);

// True for a link that is an SQLite URI or names an in-memory database
// rather than a file path.
bool IsUriLink(const std::string &link);

// The link to connect with. For a plain path: with `create`, an SQLite URI
// (file:PATH?mode=rwc, PATH percent-encoded where the URI needs it);
// without, the path itself, which must name an existing file (false and
// `error` set otherwise). A URI passes through; with `create` it gains
// mode=rwc unless it names a mode of its own.
bool ResolveLink(const std::string &link, bool create, std::string *resolved,
                 std::string *error);

}  // namespace kestrel_sql

#endif
