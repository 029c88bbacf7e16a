/*
** Table, vertical and CSV printers.
*/
#include "RowPrinter.h"

#include <algorithm>

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

size_t DisplayWidth(const std::string &text) {
  size_t width = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  }
  return width;
}

std::vector<std::string> CellLines(const std::string &text) {
  std::vector<std::string> lines(1);
  size_t column = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '\n') {
      lines.emplace_back();
      column = 0;
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      // CRLF ends a line as LF does.
    } else if (c == '\t') {
      const size_t spaces = 8 - column % 8;
      lines.back().append(spaces, ' ');
      column += spaces;
    } else if (u < 0x20 || u == 0x7F) {
      lines.back() += '?';
      ++column;
    } else {
      lines.back() += c;
      if ((u & 0xC0) != 0x80) ++column;
    }
  }
  return lines;
}

namespace {

// Lines cut into pieces of at most `width` cells (FORMAT An wraps).
std::vector<std::string> Wrapped(const std::vector<std::string> &lines, size_t width) {
  if (width == 0) return lines;
  std::vector<std::string> out;
  for (const std::string &line : lines) {
    std::string piece;
    size_t cells = 0;
    for (const char c : line) {
      const bool starts = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
      if (starts && cells == width) {
        out.push_back(piece);
        piece.clear();
        cells = 0;
      }
      piece += c;
      if (starts) ++cells;
    }
    out.push_back(piece);
  }
  return out;
}

std::string Padded(const std::string &text, size_t width, bool right) {
  const size_t w = DisplayWidth(text);
  const std::string pad(width > w ? width - w : 0, ' ');
  return right ? pad + text : text + pad;
}

class TablePrinter : public RowPrinter {
 public:
  TablePrinter(const TableLayout &layout, std::vector<ResultColumn> columns,
               std::ostream &out)
      : layout_(layout), columns_(std::move(columns)), out_(out) {}

  void Row(const std::vector<Cell> &cells) override {
    std::vector<std::vector<std::string>> row;
    for (size_t i = 0; i < columns_.size(); ++i) {
      const bool present = i < cells.size() && cells[i].has_value();
      row.push_back(Wrapped(CellLines(present ? *cells[i] : layout_.nullText),
                            columns_[i].width));
    }
    page_.push_back(std::move(row));
    const size_t pageRows = layout_.pageSize > 0
                                ? static_cast<size_t>(layout_.pageSize)
                                : kUnpagedRows;
    if (page_.size() >= pageRows) PrintPage();
  }

  void Finish() override {
    if (!page_.empty()) PrintPage();
  }

 private:
  // Without pages (PAGESIZE 0) columns are sized by this many rows at a time.
  static constexpr size_t kUnpagedRows = 100;

  void PrintPage() {
    const bool headings = layout_.heading && layout_.pageSize > 0;
    std::vector<size_t> widths(columns_.size(), 1);
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (columns_[i].width > 0) {  // FORMAT An: exactly n wide
        widths[i] = columns_[i].width;
        continue;
      }
      widths[i] = std::max(widths[i], columns_[i].minWidth);
      if (headings) widths[i] = std::max(widths[i], DisplayWidth(columns_[i].name));
      for (const auto &row : page_) {
        for (const std::string &line : row[i])
          widths[i] = std::max(widths[i], DisplayWidth(line));
      }
    }
    // A row wider than LINESIZE folds: the columns that do not fit go on
    // the next line, as SQL*Plus prints them.
    std::vector<std::pair<size_t, size_t>> groups;  // [first, last)
    size_t used = 0;
    for (size_t i = 0; i < columns_.size(); ++i) {
      const size_t need = widths[i] + (groups.empty() || used == 0
                                           ? 0 : DisplayWidth(layout_.columnSeparator));
      if (groups.empty() ||
          (layout_.lineSize > 0 && used > 0 && used + need > static_cast<size_t>(layout_.lineSize))) {
        groups.emplace_back(i, i + 1);
        used = widths[i];
      } else {
        groups.back().second = i + 1;
        used += need;
      }
    }
    if (headings) {
      if (pages_ > 0) out_ << '\n';
      std::vector<std::string> names, rules;
      for (size_t i = 0; i < columns_.size(); ++i) {
        names.push_back(Wrapped({columns_[i].name}, widths[i])[0]);
        rules.emplace_back(widths[i], '-');
      }
      for (const auto &group : groups) {
        Line(names, widths, group);
        Line(rules, widths, group);
      }
    }
    for (const auto &row : page_) {
      for (const auto &group : groups) {
        size_t height = 1;
        for (size_t i = group.first; i < group.second; ++i)
          height = std::max(height, row[i].size());
        for (size_t k = 0; k < height; ++k) {
          std::vector<std::string> cells;
          for (const auto &cell : row) cells.push_back(k < cell.size() ? cell[k] : "");
          Line(cells, widths, group);
        }
      }
    }
    page_.clear();
    ++pages_;
  }

  void Line(const std::vector<std::string> &cells, const std::vector<size_t> &widths,
            const std::pair<size_t, size_t> &group) {
    std::string line;
    for (size_t i = group.first; i < group.second; ++i) {
      if (i > group.first) line += layout_.columnSeparator;
      line += Padded(cells[i], widths[i], columns_[i].numeric);
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out_ << line << '\n';
  }

  TableLayout layout_;
  std::vector<ResultColumn> columns_;
  std::ostream &out_;
  std::vector<std::vector<std::vector<std::string>>> page_;
  size_t pages_ = 0;
};

class VerticalPrinter : public RowPrinter {
 public:
  VerticalPrinter(const TableLayout &layout, std::vector<ResultColumn> columns,
                  std::ostream &out)
      : layout_(layout), columns_(std::move(columns)), out_(out) {
    for (const ResultColumn &c : columns_) width_ = std::max(width_, DisplayWidth(c.name));
  }

  void Row(const std::vector<Cell> &cells) override {
    if (rows_++ > 0) out_ << '\n';
    for (size_t i = 0; i < columns_.size(); ++i) {
      const bool present = i < cells.size() && cells[i].has_value();
      const std::vector<std::string> lines =
          CellLines(present ? *cells[i] : layout_.nullText);
      std::string line = Padded(columns_[i].name, width_, false) + " : " + lines[0];
      for (size_t k = 1; k < lines.size(); ++k)
        line += "\n" + std::string(width_ + 3, ' ') + lines[k];
      while (!line.empty() && line.back() == ' ') line.pop_back();
      out_ << line << '\n';
    }
  }

  void Finish() override {}

 private:
  TableLayout layout_;
  std::vector<ResultColumn> columns_;
  std::ostream &out_;
  size_t width_ = 0;
  size_t rows_ = 0;
};

class CsvPrinter : public RowPrinter {
 public:
  CsvPrinter(const std::vector<ResultColumn> &columns, std::ostream &out)
      : count_(columns.size()), out_(out) {
    std::vector<Cell> names;
    for (const ResultColumn &c : columns) names.emplace_back(c.name);
    Row(names);
  }

  void Row(const std::vector<Cell> &cells) override {
    for (size_t i = 0; i < count_; ++i) {
      if (i > 0) out_ << ',';
      if (i < cells.size() && cells[i]) out_ << CsvField(*cells[i]);
    }
    // A lone empty field is quoted, so that the record is not a blank line.
    if (count_ == 1 && (cells.empty() || !cells[0] || cells[0]->empty()))
      out_ << "\"\"";
    out_ << "\r\n";
  }

  void Finish() override {}

 private:
  size_t count_;
  std::ostream &out_;
};

}  // namespace

std::unique_ptr<RowPrinter> MakeRowPrinter(OutputFormat format,
                                           const TableLayout &layout,
                                           std::vector<ResultColumn> columns,
                                           std::ostream &out) {
  switch (format) {
    case OutputFormat::kCsv:
      return std::make_unique<CsvPrinter>(columns, out);
    case OutputFormat::kVertical:
      return std::make_unique<VerticalPrinter>(layout, std::move(columns), out);
    case OutputFormat::kTable:
      break;
  }
  return std::make_unique<TablePrinter>(layout, std::move(columns), out);
}

}  // namespace kestrel_sql
