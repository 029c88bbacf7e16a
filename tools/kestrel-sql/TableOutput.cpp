/*
** Aligned table output.
*/
#include "TableOutput.h"

#include <algorithm>
#include <vector>

namespace kestrel_sql {

size_t DisplayWidth(const std::string &text) {
  size_t width = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  }
  return width;
}

namespace {

void WriteLine(std::ostream &out, const ResultSet &result,
               const std::vector<size_t> &widths,
               const std::vector<std::string> &cells) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) line += ' ';
    const size_t pad = widths[i] - DisplayWidth(cells[i]);
    if (result.columns[i].numeric) {
      line.append(pad, ' ');
      line += cells[i];
    } else {
      line += cells[i];
      line.append(pad, ' ');
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out << line << '\n';
}

}  // namespace

void WriteTable(std::ostream &out, const ResultSet &result) {
  const size_t count = result.columns.size();
  std::vector<size_t> widths(count, 1);
  std::vector<std::string> names(count);
  std::vector<std::string> rules(count);
  for (size_t i = 0; i < count; ++i) {
    names[i] = result.columns[i].name;
    widths[i] = std::max(widths[i], DisplayWidth(names[i]));
  }
  for (const std::vector<std::string> &row : result.rows) {
    for (size_t i = 0; i < count && i < row.size(); ++i)
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
  }
  for (size_t i = 0; i < count; ++i) rules[i].assign(widths[i], '-');

  WriteLine(out, result, widths, names);
  WriteLine(out, result, widths, rules);
  for (std::vector<std::string> row : result.rows) {
    row.resize(count);
    WriteLine(out, result, widths, row);
  }
}

}  // namespace kestrel_sql
