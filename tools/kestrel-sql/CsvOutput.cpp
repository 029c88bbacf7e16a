/*
** CSV output.
*/
#include "CsvOutput.h"

#include <vector>

namespace kestrel_sql {

std::string CsvField(const std::string &text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

namespace {

void WriteRecord(std::ostream &out, const std::vector<std::string> &fields,
                 size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) out << ',';
    if (i < fields.size()) out << CsvField(fields[i]);
  }
  // A lone empty field is quoted, so that the record is not a blank line.
  if (count == 1 && (fields.empty() || fields[0].empty())) out << "\"\"";
  out << "\r\n";
}

}  // namespace

void WriteCsv(std::ostream &out, const ResultSet &result) {
  std::vector<std::string> names;
  for (const ResultColumn &c : result.columns) names.push_back(c.name);
  WriteRecord(out, names, names.size());
  for (const std::vector<std::string> &row : result.rows)
    WriteRecord(out, row, names.size());
}

}  // namespace kestrel_sql
