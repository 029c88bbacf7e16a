/*
** Parsing and running the profile statements.
*/
#include "session/ProfileStatement.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "catalog/Privileges.h"
#include "session/Accounts.h"
#include "session/Connection.h"

namespace kestrel_engine {

namespace {

const Token &At(const std::vector<Token> &tokens, size_t i) {
  return i < tokens.size() ? tokens[i] : tokens.back();
}

bool AtEnd(const std::vector<Token> &tokens, size_t i) {
  if (At(tokens, i).IsSymbol(';')) ++i;
  return At(tokens, i).kind == TokenKind::kEnd;
}

bool Refuse(OraError *error, int code, std::string_view detail = {}) {
  *error = OraError::Make(code, detail);
  return false;
}

bool IsCount(const ProfileResource &r) {
  return std::string_view(r.name) == "FAILED_LOGIN_ATTEMPTS" ||
         std::string_view(r.name) == "PASSWORD_REUSE_MAX";
}

// The limit as DBA_PROFILES shows it: whole numbers as they are, a
// fraction of a day to four places, cut, without the leading zero
// (1/24 is .0416); one smaller than that to ten places.
std::string LimitText(double value) {
  char buffer[48];
  if (value == std::floor(value) && value < 1e15) {
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
    return buffer;
  }
  const double whole = std::floor(value);
  const int places = value - whole < 1e-4 ? 10 : 4;
  std::snprintf(buffer, sizeof buffer, "%.0f.%0*lld", whole, places,
                static_cast<long long>((value - whole) * std::pow(10.0, places)));
  std::string text = buffer;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  if (text.compare(0, 2, "0.") == 0) text.erase(0, 1);
  return text;
}

// A number, or for the password resources a product or quotient of
// numbers (PASSWORD_LOCK_TIME 1/24 is an hour); PRIVATE_SGA may end in
// K, M, G, T, P or E. False when the value is not of that form.
bool ParseValue(const std::vector<Token> &tokens, size_t *i, const ProfileResource &r,
                double *value) {
  // A negative limit parses, to be refused as out of range.
  const bool negative = At(tokens, *i).IsSymbol('-');
  if (negative) ++*i;
  if (At(tokens, *i).kind != TokenKind::kNumber) return false;
  *value = std::strtod(std::string(At(tokens, *i).raw).c_str(), nullptr);
  if (negative) *value = -*value;
  ++*i;
  if (std::string_view(r.name) == "PRIVATE_SGA" && At(tokens, *i).kind == TokenKind::kWord) {
    const std::string unit = UpperAscii(At(tokens, *i).raw);
    const size_t at = std::string_view("KMGTPE").find(unit);
    if (unit.size() != 1 || at == std::string_view::npos) return false;
    *value *= std::pow(1024.0, static_cast<double>(at + 1));
    ++*i;
  }
  while (r.password && (At(tokens, *i).IsSymbol('/') || At(tokens, *i).IsSymbol('*'))) {
    const bool divide = At(tokens, *i).IsSymbol('/');
    if (At(tokens, *i + 1).kind != TokenKind::kNumber) return false;
    const double operand = std::strtod(std::string(At(tokens, *i + 1).raw).c_str(), nullptr);
    if (divide && operand == 0) return false;
    *value = divide ? *value / operand : *value * operand;
    *i += 2;
  }
  return true;
}

// The smallest limit each resource takes: a day's grace may be none, an
// account is called inactive after 15 days at the least.
bool InRange(const ProfileResource &r, double value) {
  const std::string_view name = r.name;
  if (name == "PASSWORD_GRACE_TIME") return value >= 0;
  if (name == "INACTIVE_ACCOUNT_TIME") return value >= 15;
  if (IsCount(r) || !r.password) return value >= 1 && value == std::floor(value);
  return value > 0;
}

bool ParseLimit(const std::vector<Token> &tokens, size_t *i, bool ofDefault,
                ProfileLimit *limit, OraError *error) {
  const ProfileResource &r = *limit->resource;
  const Token &t = At(tokens, *i);
  const bool function = std::string_view(r.name) == "PASSWORD_VERIFY_FUNCTION";
  if (t.Is("DEFAULT")) {
    // The DEFAULT profile's limits are what DEFAULT stands for.
    if (ofDefault) return Refuse(error, 2377, r.name);
    limit->text = "DEFAULT";
    ++*i;
  } else if (function && t.Is("NULL")) {
    limit->text = "NULL";
    ++*i;
  } else if (function && (t.kind == TokenKind::kWord || t.kind == TokenKind::kQuotedIdentifier)) {
    // Kept for DBA_PROFILES; new passwords are not checked by it.
    limit->text = UpperAscii(t.Name());
    ++*i;
  } else if (!function && t.Is("UNLIMITED")) {
    limit->text = "UNLIMITED";
    ++*i;
  } else {
    double value = 0;
    if (function || !ParseValue(tokens, i, r, &value)) {
      return Refuse(error, 922, std::string("expected a limit for ") + r.name);
    }
    if (IsCount(r)) value = std::floor(value);
    if (!InRange(r, value)) return Refuse(error, 2377, r.name);
    limit->value = value;
    limit->text = LimitText(value);
  }
  return true;
}

bool Holds(Connection &connection, std::string_view user, const char *privilege) {
  return connection.Access().HasSys(CanonicalUserName(user), privilege);
}

}  // namespace

bool ParseProfileStatement(const std::vector<Token> &tokens, ProfileStatement *statement,
                           OraError *error) {
  // tokens[0] is CREATE/ALTER/DROP, tokens[1] is PROFILE.
  statement->verb = tokens[0].Is("CREATE") ? ProfileStatement::Verb::kCreate
                    : tokens[0].Is("DROP") ? ProfileStatement::Verb::kDrop
                                           : ProfileStatement::Verb::kAlter;
  const Token &name = At(tokens, 2);
  const bool alter = statement->verb == ProfileStatement::Verb::kAlter;
  if (name.kind == TokenKind::kWord && name.Is("DEFAULT") && alter) {
    statement->name = kDefaultProfile;
  } else if ((name.kind == TokenKind::kWord && !name.Is("DEFAULT") && !name.Is("LIMIT")) ||
             name.kind == TokenKind::kQuotedIdentifier) {
    statement->name = UpperAscii(name.Name());
  } else {
    return Refuse(error, 931);
  }
  size_t i = 3;
  if (statement->verb == ProfileStatement::Verb::kDrop) {
    if (At(tokens, i).Is("CASCADE")) {
      statement->cascade = true;
      ++i;
    }
    return AtEnd(tokens, i) ? true : Refuse(error, 922, "expected DROP PROFILE name [CASCADE]");
  }
  if (!At(tokens, i).Is("LIMIT") || AtEnd(tokens, i + 1)) {
    return Refuse(error, 922, "expected PROFILE name LIMIT resource limit");
  }
  ++i;
  while (!AtEnd(tokens, i)) {
    const Token &t = At(tokens, i);
    // One database is its own container: CONTAINER = CURRENT | ALL says
    // nothing here.
    if (t.Is("CONTAINER") && At(tokens, i + 1).IsSymbol('=') &&
        (At(tokens, i + 2).Is("CURRENT") || At(tokens, i + 2).Is("ALL")) &&
        !statement->limits.empty() && AtEnd(tokens, i + 3)) {
      break;
    }
    const ProfileResource *resource =
        t.kind == TokenKind::kWord ? FindProfileResource(UpperAscii(t.raw)) : nullptr;
    if (resource == nullptr) return Refuse(error, 2376);
    for (const ProfileLimit &seen : statement->limits) {
      if (seen.resource == resource) return Refuse(error, 2378, resource->name);
    }
    ++i;
    ProfileLimit limit;
    limit.resource = resource;
    if (!ParseLimit(tokens, &i, statement->name == kDefaultProfile, &limit, error)) return false;
    statement->limits.push_back(std::move(limit));
  }
  return true;
}

bool RunProfileStatement(Connection &connection, const std::vector<Token> &tokens,
                         std::string_view currentUser, OraError *error) {
  ProfileStatement statement;
  if (!ParseProfileStatement(tokens, &statement, error)) return false;
  const std::string &name = statement.name;
  switch (statement.verb) {
    case ProfileStatement::Verb::kCreate:
      if (!Holds(connection, currentUser, "CREATE PROFILE")) return Refuse(error, 1031);
      return InOwnTransaction(connection, error, [&] {
        if (ProfileExists(connection, name, error)) return Refuse(error, 2379, name);
        if (error->failed()) return false;
        // Every resource the statement leaves out is DEFAULT's.
        std::vector<ProfileLimit> all;
        for (const ProfileResource &r : ProfileResources()) {
          ProfileLimit limit;
          limit.resource = &r;
          limit.text = "DEFAULT";
          for (const ProfileLimit &given : statement.limits) {
            if (given.resource == &r) limit = given;
          }
          all.push_back(std::move(limit));
        }
        return WriteProfileLimits(connection, name, all, error);
      });
    case ProfileStatement::Verb::kAlter:
      if (!Holds(connection, currentUser, "ALTER PROFILE")) return Refuse(error, 1031);
      return InOwnTransaction(connection, error, [&] {
        if (!ProfileExists(connection, name, error)) {
          return error->failed() ? false : Refuse(error, 2380, name);
        }
        return WriteProfileLimits(connection, name, statement.limits, error);
      });
    case ProfileStatement::Verb::kDrop:
      if (!Holds(connection, currentUser, "DROP PROFILE")) return Refuse(error, 1031);
      // Oracle keeps the DEFAULT profile as PUBLIC_DEFAULT.
      if (name == kDefaultProfile) return Refuse(error, 2381, "PUBLIC_DEFAULT");
      return InOwnTransaction(connection, error, [&] {
        if (!ProfileExists(connection, name, error)) {
          return error->failed() ? false : Refuse(error, 2380, name);
        }
        const long long users = ProfileUsers(connection, name, error);
        if (users < 0) return false;
        if (users > 0 && !statement.cascade) return Refuse(error, 2382, name);
        return DropProfileRows(connection, name, error);
      });
  }
  return false;
}

}  // namespace kestrel_engine
