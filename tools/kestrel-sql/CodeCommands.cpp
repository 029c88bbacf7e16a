/*
** SHOW ERRORS and DESCRIBE of procedures, functions and packages, laid
** out as SQL*Plus lays them out, from the USER_ERRORS and USER_ARGUMENTS
** views (ALL_ views for another schema's code).
*/
#include <cstdlib>

#include "ServerOutput.h"
#include "Shell.h"
#include "TextQuery.h"

namespace kestrel_sql {

namespace {

// A name as an SQL string literal.
std::string Literal(const std::string &text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

// A name as typed, as the dictionary stores it: "Mixed" keeps its case.
std::string StoredName(const std::string &text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    return text.substr(1, text.size() - 2);
  return Upper(text);
}

std::string Padded(std::string text, size_t width) {
  if (DisplayWidth(text) < width) text.append(width - DisplayWidth(text), ' ');
  return text;
}

std::string Text(const Cell &cell) { return cell ? *cell : std::string(); }

// SHOW ERRORS' object kinds, longest first so PACKAGE BODY wins.
const char *const kErrorTypes[] = {"PACKAGE BODY", "TYPE BODY", "JAVA SOURCE", "JAVA CLASS",
                                   "PROCEDURE",    "FUNCTION",  "PACKAGE",     "TRIGGER",
                                   "VIEW",         "TYPE",      "DIMENSION"};

// An argument's type as DESCRIBE shows it: NUMBER(6), VARCHAR2(20), DATE.
std::string ArgumentType(const std::vector<Cell> &row) {
  // DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE at 5..8
  std::string type = Text(row[5]);
  if (type == "NUMBER" && row[7] && !row[7]->empty()) {
    type += "(" + *row[7];
    if (row[8] && !row[8]->empty() && *row[8] != "0") type += "," + *row[8];
    type += ")";
  } else if ((type == "VARCHAR2" || type == "CHAR" || type == "RAW" || type == "NVARCHAR2") &&
             row[6] && !row[6]->empty() && *row[6] != "0") {
    type += "(" + *row[6] + ")";
  }
  return type;
}

}  // namespace

bool Shell::Dictionary(const std::string &sql, std::vector<std::vector<Cell>> *rows,
                       std::string *error, int *code) {
  TextQuery query(connection_.Environment(), connection_.ServiceContext(),
                  connection_.ErrorHandle(), 4000);
  std::vector<ResultColumn> columns;
  std::vector<Cell> row;
  if (query.Prepare(sql) == TextQuery::Kind::kQuery && query.Execute(&columns)) {
    while (query.Fetch(&row)) rows->push_back(row);
  }
  *code = query.ErrorCode();
  *error = query.ErrorText();
  return *code == 0;
}

void Shell::ShowErrors(const std::vector<std::string> &words, const Frame &frame) {
  if (!connected_) {
    Error(ErrorKind::kSql, frame, frame.line, "SP2-0640: Not connected");
    return;
  }
  CodeUnit unit;
  if (words.empty()) {
    if (!hasLastUnit_) {
      Print("No errors.\n");
      return;
    }
    unit = lastUnit_;
  } else {
    std::string typed;
    for (const std::string &w : words) typed += (typed.empty() ? "" : " ") + Upper(w);
    for (const char *type : kErrorTypes) {
      const std::string t = type;
      if (typed.compare(0, t.size(), t) == 0 && typed.size() > t.size() && typed[t.size()] == ' ') {
        unit.type = t;
        // The name as typed (after the type's words), quotes and case kept.
        const size_t skip = t.find(' ') == std::string::npos ? 1 : 2;
        std::string name;
        for (size_t k = skip; k < words.size(); ++k) name += words[k];
        const size_t dot = name.find('.');
        if (dot != std::string::npos) {
          unit.schema = StoredName(name.substr(0, dot));
          name = name.substr(dot + 1);
        }
        unit.name = StoredName(name);
        break;
      }
    }
    if (unit.type.empty() || unit.name.empty()) {
      Error(ErrorKind::kClient, frame, frame.line,
            "SP2-0565: Usage: SHOW ERRORS [{FUNCTION|PROCEDURE|PACKAGE|PACKAGE BODY|TRIGGER"
            "|VIEW|TYPE|TYPE BODY} [schema.]name]");
      return;
    }
  }
  const bool other = !unit.schema.empty() && unit.schema != Upper(user_);
  const std::string sql =
      std::string("SELECT LINE, POSITION, TEXT FROM ") + (other ? "ALL_ERRORS" : "USER_ERRORS") +
      " WHERE NAME = " + Literal(unit.name) + " AND TYPE = " + Literal(unit.type) +
      (other ? " AND OWNER = " + Literal(unit.schema) : std::string()) + " ORDER BY SEQUENCE";
  std::vector<std::vector<Cell>> rows;
  std::string error;
  int code = 0;
  if (!Dictionary(sql, &rows, &error, &code)) {
    Error(ErrorKind::kSql, frame, frame.line, error, code);
    return;
  }
  if (rows.empty()) {
    Print("No errors.\n");
    return;
  }
  const size_t textWidth = 65;
  std::string text = "Errors for " + unit.type + " " +
                     (unit.schema.empty() ? "" : unit.schema + ".") + unit.name + ":\n\n" +
                     "LINE/COL ERROR\n-------- " + std::string(textWidth, '-') + "\n";
  for (const std::vector<Cell> &row : rows) {
    std::string where = Text(row[0]) + "/" + Text(row[1]);
    std::string message = Text(row[2]);
    while (!message.empty() && message.back() == '\n') message.pop_back();
    size_t start = 0;
    for (;;) {  // a message of several lines keeps them, each wrapped
      const size_t end = message.find('\n', start);
      const std::string part = message.substr(start, end == std::string::npos ? end : end - start);
      for (const std::string &piece : WrapOutputLine(part, textWidth, OutputWrap::kWordWrapped)) {
        text += Padded(where, 8) + " " + piece;
        while (!text.empty() && text.back() == ' ') text.pop_back();
        text += "\n";
        where.clear();
      }
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  Print(text + "\n");
}

bool Shell::DescribeCode(const std::string &object, const Frame &) {
  std::string schema, name = object;
  const size_t dot = object.find('.');
  if (dot != std::string::npos) {
    schema = StoredName(object.substr(0, dot));
    name = object.substr(dot + 1);
  }
  name = StoredName(name);
  const bool other = !schema.empty() && schema != Upper(user_);
  // A standalone unit, or every subprogram of a package, in declaration order.
  const std::string sql =
      std::string("SELECT OBJECT_NAME, PACKAGE_NAME, ARGUMENT_NAME, POSITION, SEQUENCE, "
                  "DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, IN_OUT, DEFAULTED FROM ") +
      (other ? "ALL_ARGUMENTS" : "USER_ARGUMENTS") + " WHERE ((OBJECT_NAME = " + Literal(name) +
      " AND PACKAGE_NAME IS NULL) OR PACKAGE_NAME = " + Literal(name) + ")" +
      (other ? " AND OWNER = " + Literal(schema) : std::string()) +
      " ORDER BY PACKAGE_NAME, SUBPROGRAM_ID, SEQUENCE";
  std::vector<std::vector<Cell>> rows;
  std::string error;
  int code = 0;
  if (!Dictionary(sql, &rows, &error, &code) && code == 904) {
    // A dictionary without SUBPROGRAM_ID: the units in name order.
    rows.clear();
    const size_t by = sql.find("SUBPROGRAM_ID, ");
    Dictionary(sql.substr(0, by) + "OBJECT_NAME, " + sql.substr(by + 15), &rows, &error, &code);
  }
  if (code != 0) return false;
  if (rows.empty()) {
    // A procedure without arguments may have no rows there at all.
    std::vector<std::vector<Cell>> kinds;
    if (!Dictionary(std::string("SELECT OBJECT_TYPE FROM ") + (other ? "ALL_OBJECTS" : "USER_OBJECTS") +
                        " WHERE OBJECT_NAME = " + Literal(name) +
                        (other ? " AND OWNER = " + Literal(schema) : std::string()) +
                        " AND OBJECT_TYPE IN ('PROCEDURE', 'PACKAGE')",
                    &kinds, &error, &code) ||
        kinds.empty())
      return false;
    if (Text(kinds[0][0]) == "PROCEDURE") Print("PROCEDURE " + name + "\n");
    return true;
  }
  const std::string heading =
      " " + Padded("Argument Name", 30) + " " + Padded("Type", 23) + " In/Out Default?\n" + " " +
      std::string(30, '-') + " " + std::string(23, '-') + " ------ --------\n";
  std::string text;
  bool listed = false;
  size_t i = 0;
  while (i < rows.size()) {
    const std::string unitName = Text(rows[i][0]);
    // This unit's rows: the return (POSITION 0, no name) and its arguments.
    size_t end = i;
    while (end < rows.size() && Text(rows[end][0]) == unitName) ++end;
    std::string returns;
    std::vector<const std::vector<Cell> *> arguments;
    for (size_t k = i; k < end; ++k) {
      const std::vector<Cell> &row = rows[k];
      if (Text(row[3]) == "0" && !row[2]) returns = ArgumentType(row);
      else if (row[2] || row[5]) arguments.push_back(&row);  // not the no-argument row
    }
    text += (returns.empty() ? "PROCEDURE " : "FUNCTION ") + unitName +
            (returns.empty() ? "" : " RETURNS " + returns) + "\n";
    if (!arguments.empty()) {
      text += heading;
      for (const std::vector<Cell> *row : arguments) {
        std::string inOut = Text((*row)[9]);
        if (inOut == "IN/OUT" || inOut == "IN OUT") inOut = "IN/OUT";
        std::string line = " " + Padded(Text((*row)[2]), 30) + " " +
                           Padded(ArgumentType(*row), 23) + " " + Padded(inOut, 6) + " " +
                           (Text((*row)[10]) == "Y" ? "DEFAULT" : "");
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + "\n";
      }
    }
    listed = true;
    i = end;
  }
  if (!listed) return false;
  Print(text);
  return true;
}

}  // namespace kestrel_sql
