/*
** Reading a schema statement's verb, object kind and name from its tokens,
** and holding it to the system privileges Oracle asks for.
*/
#include "session/DdlPrivileges.h"

#include "catalog/Privileges.h"
#include "session/Connection.h"
#include "session/SessionSettings.h"

namespace kestrel_engine {

namespace {

const Token &At(const std::vector<Token> &t, size_t i) { return i < t.size() ? t[i] : t.back(); }

bool IsName(const Token &t) {
  return t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier;
}

std::string Folded(const Token &t) {
  return t.kind == TokenKind::kWord ? UpperAscii(t.raw) : t.Name();
}

// The privilege family of an object kind: the word in CREATE <word>.
std::string Family(const Token &kind) {
  for (const char *k : {"TABLE", "VIEW", "SEQUENCE", "SYNONYM", "TRIGGER", "INDEX", "TYPE"}) {
    if (kind.Is(k)) return k;
  }
  if (kind.Is("PROCEDURE") || kind.Is("FUNCTION") || kind.Is("PACKAGE")) return "PROCEDURE";
  return {};
}

bool Fail(OraError *error, int code, std::string_view detail = {}) {
  *error = OraError::Make(code, detail);
  return false;
}

// DROP or ALTER of `schema`'s stored unit `name`: its owner, or the ANY
// privilege for a unit the user can see. No such unit is the statement's
// own ORA-04043.
bool UnitPrivilege(AccessData &access, const std::string &user, const std::string &schema,
                   const std::string &name, bool drop, OraError *error) {
  const std::string key = CodeKey(schema, name);
  if (schema == user || access.OwnerOf(key).empty()) return true;
  if (!access.MayReach(user, key)) return Fail(error, 4043, name);
  return access.HasSys(user, drop ? "DROP ANY PROCEDURE" : "ALTER ANY PROCEDURE") ||
         Fail(error, 1031);
}

// DROP or ALTER TRIGGER [schema.]name: triggers are their schema's, the
// one named or else the current one. Another's needs DROP / ALTER ANY
// TRIGGER; none there is the statement's own ORA-04080.
bool CheckTriggerPrivilege(AccessData &access, const std::string &user, const std::string &schema,
                           const std::string &name, bool drop, OraError *error) {
  const std::string owner = access.OwnerOf(TriggerKey(schema, name));
  if (owner.empty() || owner == user) return true;
  return access.HasSys(user, drop ? "DROP ANY TRIGGER" : "ALTER ANY TRIGGER") || Fail(error, 1031);
}

}  // namespace

bool CheckSchemaPrivilege(Connection &connection, const std::vector<Token> &tokens,
                          std::string *owner, OraError *error) {
  owner->clear();
  const SessionSettings &settings = connection.settings();
  const std::string &user = settings.user;
  if (user.empty()) return true;
  AccessData &access = connection.Access();
  if (!access.enforced()) return true;
  const Token &verb = At(tokens, 0);
  const bool create = verb.Is("CREATE");
  if (!create && !verb.Is("DROP") && !verb.Is("ALTER") && !verb.Is("TRUNCATE")) return true;
  size_t i = 1;
  bool isPublic = false;
  while (At(tokens, i).Is("OR") || At(tokens, i).Is("REPLACE") || At(tokens, i).Is("EDITIONABLE") ||
         At(tokens, i).Is("NONEDITIONABLE") || At(tokens, i).Is("FORCE") ||
         At(tokens, i).Is("NO") || At(tokens, i).Is("GLOBAL") || At(tokens, i).Is("TEMPORARY") ||
         At(tokens, i).Is("PRIVATE") || At(tokens, i).Is("UNIQUE") || At(tokens, i).Is("BITMAP") ||
         At(tokens, i).Is("PUBLIC")) {
    isPublic = isPublic || At(tokens, i).Is("PUBLIC");
    ++i;
  }
  const std::string family = Family(At(tokens, i));
  if (family.empty()) return true;  // not an object the privileges cover
  ++i;
  if (At(tokens, i).Is("BODY")) ++i;
  if (create && At(tokens, i).Is("IF")) i += 3;  // IF NOT EXISTS
  if (!IsName(At(tokens, i))) return true;  // the statement reports its own syntax error
  std::string schema, name = Folded(At(tokens, i));
  if (At(tokens, i + 1).IsSymbol('.') && IsName(At(tokens, i + 2))) {
    schema = name;
    name = Folded(At(tokens, i + 2));
    i += 2;
  }
  // main.name is SQLite's name for the database, not a schema.
  if (schema == "MAIN" && !access.IsUser(schema)) schema.clear();
  if (family == "SYNONYM" && isPublic) {
    const char *needed = create ? "CREATE PUBLIC SYNONYM" : "DROP PUBLIC SYNONYM";
    return access.HasSys(user, needed) || Fail(error, 1031);
  }
  const std::string home = settings.currentSchema.empty() ? user : settings.currentSchema;
  if (create) {
    const std::string target =
        !schema.empty() ? schema
                        : settings.currentSchema.empty() ? user : settings.currentSchema;
    if (target != user && !access.IsUser(target)) return Fail(error, 1918, target);
    if (family == "INDEX") {
      // Its table decides: one's own, or INDEX granted, or CREATE ANY INDEX.
      size_t on = i + 1;
      while (At(tokens, on).kind != TokenKind::kEnd && !At(tokens, on).Is("ON")) ++on;
      if (IsName(At(tokens, on + 1))) {
        std::string table = Folded(At(tokens, on + 1)), tableSchema = home;
        if (At(tokens, on + 2).IsSymbol('.') && IsName(At(tokens, on + 3))) {
          tableSchema = table;
          table = Folded(At(tokens, on + 3));
        }
        // The table is its schema's (each has its own names).
        const std::string located = access.Locate(tableSchema, table);
        if (!located.empty()) table = located;
        const std::string tableOwner = access.OwnerOf(table);
        if (!tableOwner.empty() && !access.May(user, table, "INDEX") &&
            !access.HasSys(user, "CREATE ANY INDEX")) {
          return Fail(error, access.MayReach(user, table) ? 1031 : 942);
        }
        *owner = tableOwner.empty() ? target : tableOwner;
      }
      return true;
    }
    const std::string needed =
        target == user ? "CREATE " + family : "CREATE ANY " + family;
    if (!access.HasSys(user, needed)) return Fail(error, 1031);
    *owner = target;
    return true;
  }
  if (family == "TRIGGER") {
    return CheckTriggerPrivilege(access, user, schema.empty() ? home : schema, name, verb.Is("DROP"),
                                 error);
  }
  // A private synonym is its schema's.
  if (family == "SYNONYM") {
    if ((schema.empty() ? home : schema) == user) return true;
    return access.HasSys(user, "DROP ANY SYNONYM") || Fail(error, 1031);
  }
  if (family == "PROCEDURE") {
    // Each schema has its own units.
    *owner = schema.empty() ? home : schema;
    return UnitPrivilege(access, user, *owner, name, verb.Is("DROP"), error);
  }
  // DROP, ALTER, TRUNCATE of an existing object. A table or view is the
  // named schema's, else the current schema's: none there is the
  // statement's own ORA-00942.
  if (family == "TABLE" || family == "VIEW" || family == "SEQUENCE") {
    const std::string located = access.Locate(schema.empty() ? home : schema, name);
    if (located.empty()) return true;
    name = located;
    schema.clear();
    // The statement works in the object's schema (its constraints and
    // what it makes are the owner's).
    *owner = access.OwnerOf(name);
  }
  const std::string objectOwner = access.OwnerOf(name);
  if (objectOwner.empty() || objectOwner == user) {
    if (!schema.empty() && !objectOwner.empty() && schema != objectOwner) {
      return Fail(error, family == "PROCEDURE" ? 4043 : family == "SEQUENCE" ? 2289 : 942,
                  family == "PROCEDURE" ? name : "");
    }
    return true;
  }
  if ((!schema.empty() && schema != objectOwner) || !access.MayReach(user, name)) {
    return Fail(error, family == "PROCEDURE" ? 4043 : family == "SEQUENCE" ? 2289 : 942,
                family == "PROCEDURE" ? name : "");
  }
  const bool drop = verb.Is("DROP") || verb.Is("TRUNCATE");
  if (!drop && (family == "TABLE" || family == "SEQUENCE" || family == "PROCEDURE") &&
      access.May(user, name, "ALTER")) {
    return true;
  }
  const std::string needed = (drop ? "DROP ANY " : "ALTER ANY ") + family;
  return access.HasSys(user, needed) || Fail(error, 1031);
}

bool AlterSessionChecked(Connection &connection, const std::vector<Token> &tokens,
                         OraError *error) {
  const SessionSettings before = connection.settings();
  if (!AlterSession(tokens, &connection.settings(), error)) return false;
  const std::string &schema = connection.settings().currentSchema;
  if (schema.empty() || schema == before.currentSchema || connection.Access().IsUser(schema)) {
    return true;
  }
  connection.settings() = before;
  *error = OraError::Make(1435);
  return false;
}

}  // namespace kestrel_engine
