/*
** The logon string USER[/PASSWORD][@LINK], and the link handed to the
** library: a plain path names an existing database file unless --create
** asks for it to be made, in which case it becomes an SQLite URI with
** mode=rwc. A user or password holding '/', '@' or '"' is written in
** double quotes, a quote inside doubled: "a/b"/pw@db, scott/"p@ss"@db.
*/
#ifndef KESTREL_SQL_LOGON_H
#define KESTREL_SQL_LOGON_H

#include <string>

namespace kestrel_sql {

struct Logon {
  std::string user;
  std::string password;
  std::string link;           // empty when the text names none
  bool hasPassword = false;   // a '/' followed the user
};

// Reads the logon text: the user up to the first '/' or '@' outside
// quotes, the password up to the next '@' (so a link may hold '@' but an
// unquoted password may not), the link after it. False with `error` set
// when the user is missing, a quote is not closed, or '@' ends the text.
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

// A password kept in a file: the first line of `path`, which must be a
// regular file that neither its group nor others may read or write.
// False with `error` set otherwise.
bool ReadPasswordFile(const std::string &path, std::string *password,
                      std::string *error);

}  // namespace kestrel_sql

#endif
