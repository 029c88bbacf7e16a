/*
** kestrel_call: a stored function run for a SQL statement. Each call site
** keeps one interpreter while its statement runs (SQLite's auxiliary data
** on the constant name), so a function called for every row is parsed,
** checked and has its SQL prepared once. A function a query calls may not
** change data (ORA-14551); none may commit or run DDL (ORA-14552); SQL
** calling functions calling SQL stops at kMaxSqlCallDepth (ORA-00036).
*/
#include "plsql/SqlCalls.h"

#include <charconv>
#include <memory>

#include "plsql/Interpreter.h"
#include "plsql/SessionState.h"
#include "session/Connection.h"

namespace kestrel_engine::plsql {

using sql::Expr;
using sql::ExprKind;

Value Interpreter::CallFromSql(const Expr &call) {
  if (call.name.count >= 3) {
    Value v;
    if (!PackagedCall(call, &v, true)) {
      Raise(904, "\"" + std::string(call.name.part[call.name.count - 1]) + "\"");
    }
    return v;
  }
  // OWNER.NAME as the statement resolved it.
  const std::string name(call.name.Last());
  const StoredUnit *u =
      LoadStored(call.name.count == 2 ? call.name.part[0] : std::string_view(), name, call.pos, true);
  if (u == nullptr || !u->sub->function) Raise(904, "\"" + name + "\"");
  for (const sql::PlParam *p : u->sub->params) {
    if (p->mode >= 2) Raise(6572, name);
  }
  return CallSubprogram(*u->sub, globals_, &call.args, u);
}

namespace {

// The call's arguments, read by the function as the binds :1 .. :n.
class SqlArguments : public HostBinds {
 public:
  bool Read(std::string_view key, Value *out, OraError *error) override {
    size_t k = 0;
    const auto parsed = std::from_chars(key.data(), key.data() + key.size(), k);
    if (parsed.ec != std::errc() || k == 0 || k > count) {
      *error = OraError::Make(1008, key);
      return false;
    }
    *out = FromSqlite(values[k - 1]);
    return true;
  }
  bool Write(std::string_view key, const Value &, OraError *error) override {
    *error = OraError::Make(6572, key);
    return false;
  }

  sqlite3_value **values = nullptr;
  size_t count = 0;
};

// One call site of a statement: its interpreter and the call it makes.
struct CallSite {
  CallSite(Connection &connection, std::string_view qualified, size_t argc)
      : context{connection, &arguments,
                [](std::string_view, uint32_t *, OraError *error) {
                  *error = OraError::Make(14552);
                  return false;
                }},
        interpreter(context, {}) {
    // OWNER.NAME or OWNER.PACKAGE.NAME, as the statement resolved it.
    name.assign(qualified);
    call.kind = ExprKind::kFunction;
    const std::string_view all(name);
    const size_t first = all.find('.');
    const size_t second = all.find('.', first + 1);
    if (first == std::string_view::npos) {
      call.name.count = 1;
      call.name.part[0] = all;
    } else if (second == std::string_view::npos) {
      call.name.count = 2;
      call.name.part[0] = all.substr(0, first);
      call.name.part[1] = all.substr(first + 1);
    } else {
      call.name.count = 3;
      call.name.part[0] = all.substr(0, first);
      call.name.part[1] = all.substr(first + 1, second - first - 1);
      call.name.part[2] = all.substr(second + 1);
    }
    labels.resize(argc);
    args.resize(argc);
    for (size_t k = 0; k < argc; ++k) {
      labels[k] = std::to_string(k + 1);
      args[k].kind = ExprKind::kBind;
      args[k].text = labels[k];
      call.args.Append(&args[k]);
    }
  }

  SqlArguments arguments;
  RunContext context;
  Interpreter interpreter;
  std::string name;
  std::vector<std::string> labels;
  std::vector<Expr> args;
  Expr call;
};

void Result(sqlite3_context *ctx, const Value &v) {
  switch (v.kind) {
    case Value::kInt: return sqlite3_result_int64(ctx, v.i);
    case Value::kReal: return sqlite3_result_double(ctx, v.d);
    case Value::kText:
      return sqlite3_result_text(ctx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
    case Value::kBlob:
      return sqlite3_result_blob(ctx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
    case Value::kBool: return sqlite3_result_int(ctx, v.b ? 1 : 0);
    default: return sqlite3_result_null(ctx);
  }
}

void Fail(sqlite3_context *ctx, const OraError &error) {
  sqlite3_result_error(ctx, error.message.c_str(), static_cast<int>(error.message.size()));
}

void Call(sqlite3_context *ctx, int argc, sqlite3_value **argv) {
  Connection &connection = *static_cast<Connection *>(sqlite3_user_data(ctx));
  if (argc < 2 || sqlite3_value_type(argv[1]) != SQLITE_TEXT) return Fail(ctx, OraError::Make(909));
  SessionState &session = connection.plsqlState();
  if (session.sql_call_depth >= kMaxSqlCallDepth) {
    return Fail(ctx, OraError::Make(36, std::to_string(kMaxSqlCallDepth)));
  }
  auto *site = static_cast<CallSite *>(sqlite3_get_auxdata(ctx, 1));
  try {
    if (site == nullptr) {
      const std::string_view qualified(reinterpret_cast<const char *>(sqlite3_value_text(argv[1])),
                                       static_cast<size_t>(sqlite3_value_bytes(argv[1])));
      auto fresh = std::make_unique<CallSite>(connection, qualified, static_cast<size_t>(argc - 2));
      site = fresh.get();
      sqlite3_set_auxdata(ctx, 1, fresh.release(),
                          [](void *p) { delete static_cast<CallSite *>(p); });
      site = static_cast<CallSite *>(sqlite3_get_auxdata(ctx, 1));
      if (site == nullptr) return sqlite3_result_error_nomem(ctx);
    }
    // Outside a write transaction no statement of the engine changes data:
    // whoever wrote the call, the function may not either.
    const bool query = sqlite3_value_int(argv[0]) != 0 || !connection.InTransaction();
    struct Depth {
      SessionState &s;
      bool query;
      Depth(SessionState &state, bool q) : s(state), query(q) {
        ++s.sql_call_depth;
        if (query) ++s.query_calls;
      }
      ~Depth() {
        --s.sql_call_depth;
        if (query) --s.query_calls;
      }
    } depth(session, query);
    site->arguments.values = argv + 2;
    site->arguments.count = static_cast<size_t>(argc - 2);
    // The statement's own transaction holds the function's changes.
    site->interpreter.block_open_ = true;
    Result(ctx, site->interpreter.CallFromSql(site->call));
  } catch (const PlRaise &raised) {
    Fail(ctx, raised.ToOraError());
  } catch (const std::bad_alloc &) {
    sqlite3_result_error_nomem(ctx);
  }
}

}  // namespace

int RegisterSqlCalls(sqlite3 *db, Connection *connection) {
  return sqlite3_create_function_v2(db, "kestrel_call", -1, SQLITE_UTF8, connection, Call, nullptr,
                                    nullptr, nullptr);
}

}  // namespace kestrel_engine::plsql
