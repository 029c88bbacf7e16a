/*
** The rewrite rules, one token pattern each. Text between the tokens a
** rule replaces (blanks, comments, everything no rule matched) is copied
** through unchanged, so error messages still quote the caller's words.
**
** SYSDATE is the local date and time as text, 'YYYY-MM-DD HH:MM:SS':
** SQLite's own date functions read that form, it sorts as text in time
** order, and a DATE column keeps describing as 12 whatever it holds.
** SQLite evaluates 'now' once per statement, so every row of one
** statement sees the same SYSDATE, as with the vendor.
*/
#include "sql/Translate.h"

#include <cstdlib>

namespace kestrel_engine {

namespace {

constexpr char kSysdate[] = "(coalesce(kestrel_fixed_date(),datetime('now','localtime')))";
constexpr char kSystimestamp[] =
    "(coalesce(kestrel_fixed_date()||'.000',strftime('%Y-%m-%d %H:%M:%f','now','localtime')))";

size_t End(const Token &t) { return t.offset + t.raw.size(); }

bool IsName(const Token &t) {
  return t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier;
}

// Token i, or the closing kEnd token past the end.
const Token &At(const std::vector<Token> &tokens, size_t i) {
  return i < tokens.size() ? tokens[i] : tokens.back();
}

// A word that may follow a table in a FROM clause without being its alias.
bool EndsTableReference(const Token &t) {
  static const char *const kWords[] = {
      "WHERE", "GROUP", "ORDER",   "HAVING", "UNION", "INTERSECT", "EXCEPT",
      "LIMIT", "JOIN",  "INNER",   "LEFT",   "RIGHT", "FULL",      "CROSS",
      "NATURAL", "ON",  "USING",   "WINDOW", "FOR",   "RETURNING"};
  for (const char *w : kWords) {
    if (t.Is(w)) return true;
  }
  return t.kind != TokenKind::kWord && t.kind != TokenKind::kQuotedIdentifier;
}

// Copies the text through, with replaced ranges.
class Writer {
 public:
  explicit Writer(std::string_view text) : text_(text) {}
  void Replace(size_t from, size_t to, std::string_view with) {
    out_.append(text_.substr(pos_, from - pos_));
    out_.append(with);
    pos_ = to;
  }
  void Replace(const Token &t, std::string_view with) {
    Replace(t.offset, End(t), with);
  }
  std::string Finish(size_t upTo, size_t resumeAt) {
    if (upTo > pos_) out_.append(text_.substr(pos_, upTo - pos_));
    out_.append(text_.substr(resumeAt));
    return std::move(out_);
  }

 private:
  std::string_view text_;
  std::string out_;
  size_t pos_ = 0;
};

// A trailing FOR UPDATE [OF col, ...] [NOWAIT | WAIT n] at parenthesis
// depth 0: the index of FOR, and the end of what is removed. Anything else
// after FOR UPDATE (SKIP LOCKED) is left for SQLite to refuse.
bool FindForUpdate(const std::vector<Token> &tokens, size_t *forIndex,
                   size_t *cutEnd, int *waitMs) {
  int depth = 0;
  for (size_t i = 0; tokens[i].kind != TokenKind::kEnd; ++i) {
    if (tokens[i].IsSymbol('(')) ++depth;
    if (tokens[i].IsSymbol(')')) --depth;
    if (depth != 0 || !tokens[i].Is("FOR") || !At(tokens, i + 1).Is("UPDATE")) {
      continue;
    }
    size_t j = i + 2;
    if (At(tokens, j).Is("OF")) {
      ++j;
      while (IsName(At(tokens, j))) {
        ++j;
        if (At(tokens, j).IsSymbol('.') && IsName(At(tokens, j + 1))) j += 2;
        if (!At(tokens, j).IsSymbol(',')) break;
        ++j;
      }
    }
    int wait = -1;
    if (At(tokens, j).Is("NOWAIT")) {
      wait = 0;
      ++j;
    } else if (At(tokens, j).Is("WAIT") &&
               At(tokens, j + 1).kind == TokenKind::kNumber) {
      const double seconds =
          std::strtod(std::string(At(tokens, j + 1).raw).c_str(), nullptr);
      wait = seconds <= 0 ? 0 : seconds >= 3600 ? 3600000
                                                : static_cast<int>(seconds * 1000);
      j += 2;
    }
    const size_t cut = End(tokens[j - 1]);
    while (At(tokens, j).IsSymbol(';')) ++j;
    if (At(tokens, j).kind != TokenKind::kEnd) return false;
    *forIndex = i;
    *cutEnd = cut;
    *waitMs = wait;
    return true;
  }
  return false;
}

// [schema .] name at tokens[i]; false when there is no name.
bool ReadTableName(const std::vector<Token> &tokens, size_t *i,
                   TableTarget *target) {
  if (!IsName(At(tokens, *i))) return false;
  if (At(tokens, *i + 1).IsSymbol('.') && IsName(At(tokens, *i + 2))) {
    target->schema = tokens[*i].Name();
    target->name = tokens[*i + 2].Name();
    *i += 3;
  } else {
    target->name = tokens[*i].Name();
    *i += 1;
  }
  return true;
}

// CREATE [TEMP|TEMPORARY] TABLE [IF NOT EXISTS] name ... and
// ALTER TABLE name ...
TableTarget FindTable(const std::vector<Token> &tokens) {
  TableTarget target;
  size_t i = 1;
  if (tokens[0].Is("CREATE")) {
    bool temporary = false;
    if (At(tokens, i).Is("TEMP") || At(tokens, i).Is("TEMPORARY")) {
      temporary = true;
      ++i;
    }
    if (!At(tokens, i).Is("TABLE")) return target;
    ++i;
    if (At(tokens, i).Is("IF") && At(tokens, i + 1).Is("NOT") &&
        At(tokens, i + 2).Is("EXISTS")) {
      i += 3;
    }
    if (!ReadTableName(tokens, &i, &target)) return TableTarget{};
    if (temporary && target.schema.empty()) target.schema = "temp";
  } else if (tokens[0].Is("ALTER") && At(tokens, 1).Is("TABLE")) {
    i = 2;
    if (!ReadTableName(tokens, &i, &target)) return TableTarget{};
    target.alter = true;
    if (At(tokens, i).Is("RENAME") && At(tokens, i + 1).Is("TO") &&
        IsName(At(tokens, i + 2))) {
      target.renamedTo = tokens[i + 2].Name();
    }
  }
  return target;
}

// ALTER TABLE t ADD (a ..., b ...) as one ALTER TABLE ... ADD COLUMN per
// column. Left alone unless the list is the statement's end.
void SplitAddList(Translation *t) {
  const std::string sql = t->sql;
  const std::vector<Token> tokens = Tokenize(sql);
  size_t add = 0;
  for (size_t i = 0; tokens[i].kind != TokenKind::kEnd; ++i) {
    if (tokens[i].Is("ADD")) {
      add = i;
      break;
    }
  }
  if (add == 0 || !At(tokens, add + 1).IsSymbol('(')) return;
  std::vector<std::string> columns;
  int depth = 0;
  size_t start = add + 2;
  size_t i = add + 1;
  for (; tokens[i].kind != TokenKind::kEnd; ++i) {
    const Token &tok = tokens[i];
    if (tok.IsSymbol('(')) {
      ++depth;
      continue;
    }
    const bool close = tok.IsSymbol(')') && depth == 1;
    if (tok.IsSymbol(')')) --depth;
    if (close || (depth == 1 && tok.IsSymbol(','))) {
      if (i == start) return;  // an empty column definition
      columns.emplace_back(sql.substr(tokens[start].offset,
                                      End(tokens[i - 1]) - tokens[start].offset));
      start = i + 1;
    }
    if (close) break;
  }
  if (tokens[i].kind == TokenKind::kEnd || columns.empty()) return;
  for (size_t j = i + 1; tokens[j].kind != TokenKind::kEnd; ++j) {
    if (!tokens[j].IsSymbol(';')) return;
  }
  const std::string prefix = sql.substr(0, End(tokens[add])) + " COLUMN ";
  t->sql = prefix + columns[0];
  for (size_t c = 1; c < columns.size(); ++c) {
    t->followUps.push_back(prefix + columns[c]);
  }
}

}  // namespace

Translation Translate(std::string_view text, const std::vector<Token> &tokens,
                      const StatementKind &kind) {
  Translation result;
  if (kind.action == Action::kBlock || kind.action == Action::kAccount ||
      kind.action == Action::kDeclare) {
    result.sql.assign(text.data(), text.size());
    return result;
  }
  size_t stop = tokens.size() - 1;  // the kEnd token
  size_t cutEnd = text.size();
  if (kind.action == Action::kQuery &&
      FindForUpdate(tokens, &stop, &cutEnd, &result.lockWaitMs)) {
    result.forUpdate = true;
  }

  Writer w(text);
  for (size_t i = 0; i < stop; ++i) {
    const Token &t = tokens[i];
    const Token &next = At(tokens, i + 1);
    const bool qualified = i > 0 && tokens[i - 1].IsSymbol('.');
    if (t.kind == TokenKind::kWord && !qualified) {
      if (kind.action == Action::kDdl && t.Is("RENAME") && next.Is("TO") &&
          tokens[0].Is("ALTER") && At(tokens, i + 2).kind == TokenKind::kWord) {
        // SQLite stores a renamed table's name quoted, as written: an
        // unquoted name is written as the vendor stores it, upper case.
        w.Replace(tokens[i + 2], UpperAscii(tokens[i + 2].raw));
        i += 2;
      } else if (kind.action == Action::kDdl && t.Is("DUAL") && i > 0 &&
                 (tokens[i - 1].Is("FROM") || tokens[i - 1].Is("JOIN")) &&
                 !next.IsSymbol('.')) {
        // A view or trigger kept in the database cannot see the
        // connection's own DUAL: it gets the one row written out.
        w.Replace(t, EndsTableReference(next) ? "(SELECT 'X' AS DUMMY) DUAL"
                                              : "(SELECT 'X' AS DUMMY)");
      } else if (IsName(t) && next.IsSymbol('.') && IsName(At(tokens, i + 2)) &&
                 (At(tokens, i + 2).Is("NEXTVAL") || At(tokens, i + 2).Is("CURRVAL") ||
                  (At(tokens, i + 3).IsSymbol('.') &&
                   (At(tokens, i + 4).Is("NEXTVAL") || At(tokens, i + 4).Is("CURRVAL"))))) {
        // seq.NEXTVAL, schema.seq.CURRVAL: the engine's sequence functions.
        const bool qualifiedBySchema = !At(tokens, i + 2).Is("NEXTVAL") &&
                                       !At(tokens, i + 2).Is("CURRVAL");
        const Token &name = qualifiedBySchema ? At(tokens, i + 2) : t;
        const Token &what = qualifiedBySchema ? At(tokens, i + 4) : At(tokens, i + 2);
        std::string stored = name.kind == TokenKind::kWord ? UpperAscii(name.raw) : name.Name();
        std::string literal = "'";
        for (char c : stored) literal += c == '\'' ? std::string("''") : std::string(1, c);
        literal += "'";
        w.Replace(t.offset, End(what),
                  std::string(what.Is("NEXTVAL") ? "kestrel_nextval(" : "kestrel_currval(") +
                      literal + ")");
        i += qualifiedBySchema ? 4 : 2;
      } else if (t.Is("SYSDATE") && !next.IsSymbol('(') && !next.IsSymbol('.')) {
        w.Replace(t, kSysdate);
      } else if (t.Is("SYSTIMESTAMP") && !next.IsSymbol('(') &&
                 !next.IsSymbol('.')) {
        w.Replace(t, kSystimestamp);
      } else if (t.Is("NVL") && next.IsSymbol('(')) {
        w.Replace(t, "ifnull");
      } else if ((t.Is("EMPTY_BLOB") || t.Is("EMPTY_CLOB")) &&
                 next.IsSymbol('(') && At(tokens, i + 2).IsSymbol(')')) {
        // A zero-length value, which is not NULL.
        w.Replace(t.offset, End(tokens[i + 2]),
                  t.Is("EMPTY_BLOB") ? "zeroblob(0)" : "''");
        i += 2;
      } else if ((t.Is("DATE") || t.Is("TIMESTAMP")) &&
                 next.kind == TokenKind::kString) {
        // DATE '2024-05-01': the literal itself is the value.
        w.Replace(t.offset, next.offset, "");
      } else if (t.Is("NUMBER") && next.IsSymbol('(') &&
                 At(tokens, i + 2).IsSymbol('*')) {
        w.Replace(tokens[i + 2], "38");  // NUMBER(*, s)
        i += 2;
      } else if (t.Is("TIMESTAMP") && next.IsSymbol('(') &&
                 At(tokens, i + 2).kind == TokenKind::kNumber &&
                 At(tokens, i + 3).IsSymbol(')') && At(tokens, i + 4).Is("WITH")) {
        // TIMESTAMP(n) WITH [LOCAL] TIME ZONE: SQLite takes the length
        // only at the end of a type name.
        size_t k = i + 5;
        const bool local = At(tokens, k).Is("LOCAL");
        if (local) ++k;
        if (At(tokens, k).Is("TIME") && At(tokens, k + 1).Is("ZONE")) {
          std::string with = local ? " WITH LOCAL TIME ZONE(" : " WITH TIME ZONE(";
          with.append(tokens[i + 2].raw).append(")");
          w.Replace(next.offset, End(tokens[k + 1]), with);
          i = k + 1;
        }
      }
    } else if (t.IsSymbol('(') && i > 0 && tokens[i - 1].kind == TokenKind::kWord &&
               next.kind == TokenKind::kNumber &&
               (At(tokens, i + 2).Is("BYTE") || At(tokens, i + 2).Is("CHAR")) &&
               At(tokens, i + 3).IsSymbol(')')) {
      // VARCHAR2(n BYTE), VARCHAR2(n CHAR): lengths count bytes either way.
      w.Replace(End(next), tokens[i + 3].offset, "");
      i += 3;
    }
  }
  const size_t upTo = stop < tokens.size() - 1 ? tokens[stop].offset : text.size();
  result.sql = w.Finish(upTo, result.forUpdate ? cutEnd : text.size());

  if (kind.action == Action::kDdl) {
    result.table = FindTable(tokens);
    if (result.table.alter) SplitAddList(&result);
  }
  return result;
}

}  // namespace kestrel_engine
