/*
** Where kestrel-sql's input lines come from: a stream read silently (a
** script, a pipe), or a terminal with a prompt, line editing and history.
*/
#ifndef KESTREL_SQL_LINE_READER_H
#define KESTREL_SQL_LINE_READER_H

#include <istream>
#include <string>

namespace kestrel_sql {

class LineReader {
 public:
  virtual ~LineReader() = default;
  // The next line without its end-of-line; false at the end of input.
  // `prompt` is shown where the reader shows prompts.
  virtual bool ReadLine(const std::string &prompt, std::string *line) = 0;
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
