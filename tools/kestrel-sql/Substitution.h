/*
** Substitution variables: DEFINE's table and the replacement of &NAME and
** &&NAME in a line or statement, as SQL*Plus does it. &1, &2, ... are the
** arguments of the script being run. A name ends at the first character
** that cannot be part of it; a '.' right after it ends it too and is
** dropped (&x.y). An undefined &NAME is asked for each time, an undefined
** &&NAME once, after which it is defined. Comments are left alone.
*/
#ifndef KESTREL_SQL_SUBSTITUTION_H
#define KESTREL_SQL_SUBSTITUTION_H

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace kestrel_sql {

class Defines {
 public:
  void Set(const std::string &name, const std::string &value);
  bool Remove(const std::string &name);
  std::optional<std::string> Get(const std::string &name) const;
  // Every variable as DEFINE lists them: DEFINE NAME = "value" (CHAR).
  std::string List() const;
  static std::string Describe(const std::string &name, const std::string &value);

 private:
  std::map<std::string, std::string> values_;  // names upper-cased
};

// Asks for an undefined variable's value; nullopt when no answer can be
// had (end of input), which fails the substitution.
using AskValue = std::function<std::optional<std::string>(const std::string &name)>;

// Replaces every variable in `text` using `prefix` ('&' unless SET DEFINE
// changed it). False with `error` set when a value could not be had.
bool Substitute(const std::string &text, char prefix, Defines &defines,
                const AskValue &ask, std::string *out, std::string *error);

}  // namespace kestrel_sql

#endif
