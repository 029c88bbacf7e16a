/*
** Sequences. Values are 64-bit integers: the vendor's default MAXVALUE of
** 28 nines is held as the largest 64-bit integer.
*/
#include "catalog/Sequences.h"

#include "schema/IdentityFunctions.h"

#include <limits>
#include <string>

#include "catalog/SchemaNamespace.h"
#include "catalog/StorageNames.h"
#include "errors/SqliteErrors.h"
#include "session/Connection.h"

namespace kestrel_engine {

const char kSequencesTable[] = "kestrel$sequences";

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min() + 1;

struct Definition {
  std::string name;
  int64_t increment = 1;
  int64_t minValue = 1;
  int64_t maxValue = kMax;
  int64_t start = 1;
  int64_t cache = 20;
  bool cycle = false;
  bool order = false;
  bool hasMin = false, hasMax = false, hasStart = false, restart = false;
};

std::string Quoted() { return std::string("\"") + kSequencesTable + "\""; }

bool Fail(OraError *error, int code, std::string_view detail = {}) {
  *error = OraError::Make(code, detail);
  return false;
}

bool IsName(const Token &t) {
  return t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier;
}

// An unquoted name as the vendor stores it (upper case), a quoted one as
// written.
std::string StoredName(const Token &t) {
  return t.kind == TokenKind::kWord ? UpperAscii(t.raw) : t.Name();
}

// A signed whole number at tokens[*i].
bool Integer(const std::vector<Token> &tokens, size_t *i, int64_t *out) {
  bool negative = false;
  if (tokens[*i].IsSymbol('-') || tokens[*i].IsSymbol('+')) {
    negative = tokens[*i].IsSymbol('-');
    ++*i;
  }
  const Token &t = tokens[*i];
  if (t.kind != TokenKind::kNumber) return false;
  const std::string text(t.raw);
  if (text.find_first_not_of("0123456789") != std::string::npos) return false;
  // Past 64 bits: the largest value (the vendor's 28 nines).
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (errno == ERANGE || v > static_cast<unsigned long long>(kMax)) v = kMax;
  *out = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  ++*i;
  return true;
}

// The options after the name; `alter` refuses START WITH (as the vendor
// does, but for RESTART).
bool Options(const std::vector<Token> &tokens, size_t i, bool alter, Definition *d,
             OraError *error) {
  while (tokens[i].kind != TokenKind::kEnd && !tokens[i].IsSymbol(';')) {
    const Token &t = tokens[i];
    if (t.Is("INCREMENT") && tokens[i + 1].Is("BY")) {
      i += 2;
      if (!Integer(tokens, &i, &d->increment)) return Fail(error, 4002);
      if (d->increment == 0) return Fail(error, 4002);
    } else if (t.Is("START") && tokens[i + 1].Is("WITH")) {
      if (alter && !d->restart) return Fail(error, 2283);
      i += 2;
      if (!Integer(tokens, &i, &d->start)) return Fail(error, 922);
      d->hasStart = true;
    } else if (t.Is("RESTART") && alter) {
      d->restart = true;
      ++i;
    } else if (t.Is("MINVALUE")) {
      ++i;
      if (!Integer(tokens, &i, &d->minValue)) return Fail(error, 922);
      d->hasMin = true;
    } else if (t.Is("MAXVALUE")) {
      ++i;
      if (!Integer(tokens, &i, &d->maxValue)) return Fail(error, 922);
      d->hasMax = true;
    } else if (t.Is("NOMINVALUE") || t.Is("NOMAXVALUE")) {
      (t.Is("NOMINVALUE") ? d->hasMin : d->hasMax) = false;
      ++i;
    } else if (t.Is("CYCLE") || t.Is("NOCYCLE")) {
      d->cycle = t.Is("CYCLE");
      ++i;
    } else if (t.Is("CACHE")) {
      ++i;
      if (!Integer(tokens, &i, &d->cache)) return Fail(error, 922);
      if (d->cache < 2) return Fail(error, 4010);
    } else if (t.Is("NOCACHE")) {
      d->cache = 1;
      ++i;
    } else if (t.Is("ORDER") || t.Is("NOORDER") || t.Is("KEEP") || t.Is("NOKEEP") ||
               t.Is("NOSCALE") || t.Is("GLOBAL") || t.Is("SESSION")) {
      d->order = t.Is("ORDER") ? true : d->order;
      ++i;
    } else {
      return Fail(error, 933);
    }
  }
  return true;
}

// Fills the bounds the statement did not give, by the increment's sign.
bool Complete(Definition *d, OraError *error) {
  if (!d->hasMin) d->minValue = d->increment > 0 ? 1 : kMin;
  if (!d->hasMax) d->maxValue = d->increment > 0 ? kMax : -1;
  if (d->minValue >= d->maxValue) return Fail(error, 4004);
  if (!d->hasStart) d->start = d->increment > 0 ? d->minValue : d->maxValue;
  if (d->start < d->minValue) return Fail(error, 4006);
  if (d->start > d->maxValue) return Fail(error, 4008);
  // A cycling sequence's cache must fit in one cycle.
  if (d->cycle && d->cache > 1) {
    const double cycle = (static_cast<double>(d->maxValue) - d->minValue) /
                         (d->increment < 0 ? -static_cast<double>(d->increment) : d->increment);
    if (static_cast<double>(d->cache) > cycle + 1) return Fail(error, 4013);
  }
  return true;
}

struct Statement {
  sqlite3_stmt *s = nullptr;
  Statement(Connection &connection, const std::string &sql) {
    sqlite3_prepare_v2(connection.db(), sql.c_str(), -1, &s, nullptr);
  }
  ~Statement() { sqlite3_finalize(s); }
};

}  // namespace

bool EnsureSequences(Connection &connection, OraError *error) {
  return connection.ExecInternal(
      ("CREATE TABLE IF NOT EXISTS " + Quoted() +
       " (name TEXT PRIMARY KEY, owner TEXT NOT NULL, min_value INTEGER NOT NULL, "
       "max_value INTEGER NOT NULL, increment_by INTEGER NOT NULL, cycle_flag TEXT "
       "NOT NULL, order_flag TEXT NOT NULL, cache_size INTEGER NOT NULL, last_number "
       "INTEGER NOT NULL, exhausted INTEGER NOT NULL DEFAULT 0)")
          .c_str(),
      error);
}

namespace {

bool Load(Connection &connection, const std::string &name, Definition *d, int64_t *last,
          bool *found, OraError *error, bool *exhausted = nullptr) {
  Connection::InternalScope scope(connection);
  *found = false;
  Statement q(connection, "SELECT min_value, max_value, increment_by, cycle_flag, "
                          "cache_size, last_number, order_flag, exhausted FROM " +
                              Quoted() + " WHERE name = ?1");
  if (q.s == nullptr) {
    // No sequence was ever made here.
    return true;
  }
  sqlite3_bind_text(q.s, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  const int rc = sqlite3_step(q.s);
  if (rc == SQLITE_ROW) {
    d->name = name;
    d->minValue = sqlite3_column_int64(q.s, 0);
    d->maxValue = sqlite3_column_int64(q.s, 1);
    d->increment = sqlite3_column_int64(q.s, 2);
    d->cycle = std::string(reinterpret_cast<const char *>(sqlite3_column_text(q.s, 3))) == "Y";
    d->cache = sqlite3_column_int64(q.s, 4);
    *last = sqlite3_column_int64(q.s, 5);
    d->order = std::string(reinterpret_cast<const char *>(sqlite3_column_text(q.s, 6))) == "Y";
    if (exhausted) *exhausted = sqlite3_column_int(q.s, 7) != 0;
    d->hasMin = d->hasMax = true;
    *found = true;
    return true;
  }
  if (rc != SQLITE_DONE) {
    *error = ErrorFromSqlite(connection.db(), 0);
    return false;
  }
  return true;
}

bool Store(Connection &connection, const Definition &d, const std::string &owner, int64_t last,
           bool replace, OraError *error) {
  Connection::InternalScope scope(connection);
  Statement q(connection, std::string(replace ? "REPLACE" : "INSERT") + " INTO " + Quoted() +
                              " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, 0)");
  if (q.s == nullptr) {
    *error = ErrorFromSqlite(connection.db(), 0);
    return false;
  }
  sqlite3_bind_text(q.s, 1, d.name.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(q.s, 2, owner.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(q.s, 3, d.minValue);
  sqlite3_bind_int64(q.s, 4, d.maxValue);
  sqlite3_bind_int64(q.s, 5, d.increment);
  sqlite3_bind_text(q.s, 6, d.cycle ? "Y" : "N", -1, SQLITE_STATIC);
  sqlite3_bind_text(q.s, 7, d.order ? "Y" : "N", -1, SQLITE_STATIC);
  sqlite3_bind_int64(q.s, 8, d.cache);
  sqlite3_bind_int64(q.s, 9, last);
  if (sqlite3_step(q.s) != SQLITE_DONE) {
    *error = ErrorFromSqlite(connection.db(), 0);
    return false;
  }
  return true;
}

bool Owner(Connection &connection, const std::string &name, std::string *owner) {
  Connection::InternalScope scope(connection);
  Statement q(connection, "SELECT owner FROM " + Quoted() + " WHERE name = ?1");
  if (q.s == nullptr) return false;
  sqlite3_bind_text(q.s, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(q.s) != SQLITE_ROW) return false;
  *owner = reinterpret_cast<const char *>(sqlite3_column_text(q.s, 0));
  return true;
}

// The body of a sequence DDL statement, in its own transaction.
template <typename Body>
bool AsDdl(Connection &connection, OraError *error, Body body) {
  if (!connection.Commit(error) || !connection.BeginWrite(error)) return false;
  if (!body()) {
    OraError ignored;
    connection.Rollback(&ignored);
    return false;
  }
  return connection.Commit(error);
}

// The value after `v`, or false at the end of a sequence that does not
// cycle.
bool Step(const Definition &d, int64_t v, int64_t by, int64_t *out) {
  const bool up = d.increment > 0;
  int64_t next;
  if (__builtin_add_overflow(v, by, &next) || (up ? next > d.maxValue : next < d.minValue)) {
    if (!d.cycle) return false;
    next = up ? d.minValue : d.maxValue;
  }
  *out = next;
  return true;
}

bool WriteMark(Connection &connection, const std::string &name, int64_t next, bool exhausted,
               OraError *error) {
  Connection::InternalScope scope(connection);
  Statement u(connection,
              "UPDATE " + Quoted() + " SET last_number = ?2, exhausted = ?3 WHERE name = ?1");
  if (u.s == nullptr) {
    *error = ErrorFromSqlite(connection.db(), 0);
    return false;
  }
  sqlite3_bind_text(u.s, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(u.s, 2, next);
  sqlite3_bind_int(u.s, 3, exhausted ? 1 : 0);
  if (sqlite3_step(u.s) != SQLITE_DONE) {
    *error = ErrorFromSqlite(connection.db(), 0);
    return false;
  }
  return true;
}

// Raises the mark of `name` past one block and hands the block to the
// session.
bool TakeBlock(Connection &connection, const std::string &name, SequenceState::Held *held,
               OraError *error) {
  const bool own = !connection.InTransaction();
  if (own && !connection.BeginWrite(error)) return false;
  Definition d;
  int64_t next = 0;
  bool found = false, exhausted = false;
  bool ok = Load(connection, name, &d, &next, &found, error, &exhausted);
  if (ok && !found) ok = Fail(error, 2289);
  if (ok && exhausted) ok = Fail(error, 8004, name + ".NEXTVAL exceeds MAXVALUE");
  int64_t count = 0;
  int64_t mark = next;
  bool end = false;
  while (ok && count < d.cache) {
    ++count;
    int64_t after;
    if (!Step(d, mark, d.increment, &after)) {
      end = true;
      break;
    }
    mark = after;
  }
  ok = ok && WriteMark(connection, name, end ? next : mark, end, error);
  if (own) {
    if (!ok) {
      OraError ignored;
      connection.Rollback(&ignored);
      return false;
    }
    if (!connection.Commit(error)) return false;
  } else if (ok) {
    connection.sequences().raisedInTransaction[name] = {end ? next : mark, end};
  } else {
    return false;
  }
  held->next = next;
  held->remaining = count;
  held->increment = d.increment;
  held->minValue = d.minValue;
  held->maxValue = d.maxValue;
  held->cycle = d.cycle;
  return true;
}

Connection &Of(sqlite3_context *context) {
  return *static_cast<Connection *>(sqlite3_user_data(context));
}

std::string NameArgument(sqlite3_value *v) {
  const unsigned char *t = sqlite3_value_text(v);
  return t ? reinterpret_cast<const char *>(t) : "";
}

void NextVal(sqlite3_context *context, int, sqlite3_value **argv) {
  Connection &connection = Of(context);
  const std::string name = NameArgument(argv[0]);
  SequenceState::Held &held = connection.sequences().held[name];
  if (held.remaining == 0) {
    OraError error;
    SequenceState::Held block = held;
    if (!TakeBlock(connection, name, &block, &error)) {
      sqlite3_result_error(context, error.message.c_str(), -1);
      return;
    }
    held = block;
  }
  const int64_t value = held.next;
  --held.remaining;
  if (held.remaining > 0) {
    Definition d;
    d.increment = held.increment;
    d.minValue = held.minValue;
    d.maxValue = held.maxValue;
    d.cycle = held.cycle;
    if (!Step(d, value, d.increment, &held.next)) held.remaining = 0;
  }
  held.current = value;
  held.hasCurrent = true;
  sqlite3_result_int64(context, value);
}

void CurrVal(sqlite3_context *context, int, sqlite3_value **argv) {
  const std::string name = NameArgument(argv[0]);
  const auto &held = Of(context).sequences().held;
  const auto it = held.find(name);
  if (it == held.end() || !it->second.hasCurrent) {
    // Oracle's name, not the stored "OWNER.NAME" (catalog/StorageNames.h).
    const std::string shown = name.substr(name.find(kStorageSeparator) + 1);
    const OraError error =
        OraError::Make(8002, shown + ".CURRVAL is not yet defined in this session");
    sqlite3_result_error(context, error.message.c_str(), -1);
    return;
  }
  sqlite3_result_int64(context, it->second.current);
}

}  // namespace

bool RunSequenceStatement(Connection &connection, const std::vector<Token> &tokens,
                          const std::string &owner, OraError *error) {
  // CREATE|ALTER|DROP SEQUENCE [schema.]name ...
  size_t i = 2;
  std::string schema;
  if (IsName(tokens[i]) && tokens[i + 1].IsSymbol('.') && IsName(tokens[i + 2])) {
    schema = UpperAscii(tokens[i].Name());
    i += 2;
  }
  if (!IsName(tokens[i])) return Fail(error, 903);
  Definition d;
  const std::string name = StoredName(tokens[i]);
  ++i;
  // Each schema has its own names: the stored name is plain, or
  // "OWNER.NAME" where another schema holds the plain one
  // (catalog/StorageNames.h).
  const SessionSettings &session = connection.settings();
  const std::string home = !schema.empty() ? schema
                           : session.currentSchema.empty() ? session.user
                                                           : session.currentSchema;
  {
    Connection::InternalScope scope(connection);
    d.name = FindSequenceName(connection.db(), home, name);
  }
  const bool exists = !d.name.empty();
  if (!exists) d.name = name;
  if (tokens[0].Is("DROP")) {
    if (tokens[i].IsSymbol(';')) ++i;
    if (tokens[i].kind != TokenKind::kEnd) return Fail(error, 933);
    return AsDdl(connection, error, [&] {
      if (!exists) return Fail(error, 2289);
      Connection::InternalScope scope(connection);
      Statement q(connection, "DELETE FROM " + Quoted() + " WHERE name = ?1");
      sqlite3_bind_text(q.s, 1, d.name.c_str(), -1, SQLITE_TRANSIENT);
      connection.sequences().held.erase(d.name);
      return sqlite3_step(q.s) == SQLITE_DONE;
    });
  }
  if (tokens[0].Is("CREATE")) {
    if (!Options(tokens, i, false, &d, error) || !Complete(&d, error)) return false;
    return AsDdl(connection, error, [&] {
      if (!EnsureSequences(connection, error)) return false;
      // The separator of stored names is no part of a sequence's name.
      if (name.find(kStorageSeparator) != std::string::npos) return Fail(error, 2277);
      const std::string creator = UpperAscii(owner);
      Connection::InternalScope scope(connection);
      // The schema's tables, views, synonyms and stored units share the
      // namespace of its sequences.
      if (!SchemaNameHolder(connection.db(), creator, name).empty()) return Fail(error, 955);
      d.name = NewSequenceName(connection.db(), creator, name);
      return Store(connection, d, creator, d.start, false, error);
    });
  }
  return AsDdl(connection, error, [&] {
    if (!exists) return Fail(error, 2289);
    Definition now;
    int64_t last = 0;
    bool found = false;
    if (!Load(connection, d.name, &now, &last, &found, error)) return false;
    if (!found) return Fail(error, 2289);
    Definition changed = now;
    changed.hasStart = false;
    if (!Options(tokens, i, true, &changed, error)) return false;
    if (changed.restart) {
      changed.hasStart = changed.hasStart || true;
      if (!changed.hasStart) changed.start = changed.increment > 0 ? changed.minValue : changed.maxValue;
      last = changed.start;
    }
    if (changed.minValue >= changed.maxValue) return Fail(error, 4004);
    if (changed.increment > 0 && changed.maxValue < last - 1) return Fail(error, 4009);
    if (changed.increment < 0 && changed.minValue > last + 1) return Fail(error, 4007);
    std::string who;
    Owner(connection, d.name, &who);
    // Values this session holds from before the change are given up.
    connection.sequences().held.erase(d.name);
    return Store(connection, changed, who, last, true, error);
  });
}

int RegisterSequenceFunctions(sqlite3 *db, Connection *connection) {
  int rc = sqlite3_create_function_v2(db, "kestrel_nextval", 1, SQLITE_UTF8, connection,
                                      NextVal, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_currval", 1, SQLITE_UTF8, connection,
                                    CurrVal, nullptr, nullptr, nullptr);
  }
  // The same NEXTVAL for the engine's identity triggers, which the schema
  // may only call when marked innocuous.
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, "kestrel_identity_nextval", 1,
                                    SQLITE_UTF8 | SQLITE_INNOCUOUS, connection, NextVal,
                                    nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) rc = RegisterIdentityFunctions(db, connection);
  return rc;
}

bool RestoreSequenceMarks(Connection &connection) {
  auto &raised = connection.sequences().raisedInTransaction;
  if (raised.empty()) return false;
  OraError ignored;
  for (const auto &mark : raised) {
    WriteMark(connection, mark.first, mark.second.first, mark.second.second, &ignored);
  }
  raised.clear();
  return true;
}

void ForgetSequenceMarks(Connection &connection) {
  auto &raised = connection.sequences().raisedInTransaction;
  if (!raised.empty()) raised.clear();
}

}  // namespace kestrel_engine
