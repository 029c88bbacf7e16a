/*
** Reading lines from a stream.
*/
#include "LineReader.h"

namespace kestrel_sql {

bool StreamLineReader::ReadLine(const std::string &, std::string *line) {
  if (!std::getline(in_, *line)) return false;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

}  // namespace kestrel_sql
