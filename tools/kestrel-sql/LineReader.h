/*
** Where kestrel-sql's input lines come from: a stream read silently (a
** script, a pipe), or a terminal with a prompt, line editing and history.
*/
#ifndef KESTREL_SQL_LINE_READER_H
#define KESTREL_SQL_LINE_READER_H

#include <istream>
#include <string>

#include "oci.h"

namespace kestrel_sql {

class LineReader {
 public:
  virtual ~LineReader() = default;
  // The next line without its end-of-line; false at the end of input, or
  // when Ctrl-C abandoned the line being typed (then Interrupted() says
  // so once). `prompt` is shown where the reader shows prompts. A line
  // may hold several lines joined by '\n' (a statement recalled whole).
  virtual bool ReadLine(const std::string &prompt, std::string *line) = 0;
  // Like ReadLine, without showing what is typed (passwords, ACCEPT HIDE).
  virtual bool ReadHidden(const std::string &prompt, std::string *line) {
    return ReadLine(prompt, line);
  }
  // True once after a ReadLine that Ctrl-C ended, or after Ctrl-C was
  // pressed since the last call (between prompts, during a query).
  virtual bool Interrupted() { return false; }
  // Records a whole statement or command in the history.
  virtual void Remember(const std::string &) {}
  // True when the reader shows prompts (a person is typing).
  virtual bool Interactive() const { return false; }
  // The service context a Ctrl-C breaks while a statement runs (null:
  // none); only a terminal reader catches Ctrl-C.
  virtual void BreakTarget(OCISvcCtx *) {}
};

// Lines of a stream; a CR before the LF is dropped, so scripts written on
// other systems read the same.
class StreamLineReader : public LineReader {
 public:
  explicit StreamLineReader(std::istream &in) : in_(in) {}
  bool ReadLine(const std::string &prompt, std::string *line) override;

 private:
  std::istream &in_;
};

}  // namespace kestrel_sql

#endif
