/*
** What a session can ask about itself: USER, UID, USERENV and
** SYS_CONTEXT('USERENV', ...), and SYS_GUID and ORA_HASH. The session id
** is drawn at random when the connection's functions are registered and
** stays for the connection's life.
*/
#include <pwd.h>
#include <sodium.h>
#include <unistd.h>

#include <cctype>
#include <string>

#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"
#include "number/OraNumber.h"

namespace kestrel_engine {

namespace {

struct ContextData {
  const SessionSettings *settings;
  uint32_t sessionId;
};

const ContextData &Data(sqlite3_context *context) {
  return *static_cast<const ContextData *>(sqlite3_user_data(context));
}

uint32_t Fnv1a(std::string_view bytes, uint32_t seed) {
  uint32_t h = 2166136261u ^ seed;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 16777619u;
  }
  // Final mixing, so close inputs spread over the buckets.
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}

void User(sqlite3_context *context, int, sqlite3_value **) {
  ResultText(context, Data(context).settings->user);
}

// A stable number per user name: the vendor numbers users as it creates
// them, this engine has no such counter to keep.
void Uid(sqlite3_context *context, int, sqlite3_value **) {
  sqlite3_result_int64(context, 100 + Fnv1a(Data(context).settings->user, 0) % 1000000);
}

void SysGuid(sqlite3_context *context, int, sqlite3_value **) {
  unsigned char bytes[16];
  randombytes_buf(bytes, sizeof bytes);
  sqlite3_result_blob(context, bytes, sizeof bytes, SQLITE_TRANSIENT);
}

// ORA_HASH(expr[, max_bucket[, seed]]): a bucket from 0 to max_bucket.
// The buckets are this engine's own (the vendor's hash is not published);
// a value always lands in the same one.
void OraHash(sqlite3_context *context, int argc, sqlite3_value **argv) {
  int64_t maxBucket = 4294967295LL, seed = 0;
  bool isNull = false;
  if (argc >= 2 && (!ReadInt(context, argv[1], &maxBucket, &isNull) || isNull)) return;
  if (argc == 3 && (!ReadInt(context, argv[2], &seed, &isNull) || isNull)) return;
  if (maxBucket < 0 || maxBucket > 4294967295LL) return Raise(context, 1428, std::to_string(maxBucket));
  if (seed < 0 || seed > 4294967295LL) return Raise(context, 1428, std::to_string(seed));
  if (IsNullArg(argv[0])) return;
  std::string storage;
  std::string_view bytes = ArgText(argv[0], &storage);
  if (sqlite3_value_type(argv[0]) == SQLITE_FLOAT) {
    // A whole real hashes as the integer it equals.
    const Num n = ReadNum(context, argv[0]);
    if (n.kind == Num::kReal && n.d == static_cast<double>(static_cast<int64_t>(n.d))) {
      storage = std::to_string(static_cast<int64_t>(n.d));
      bytes = storage;
    }
  }
  const uint32_t h = Fnv1a(bytes, static_cast<uint32_t>(seed));
  sqlite3_result_int64(context, static_cast<int64_t>(h % (static_cast<uint64_t>(maxBucket) + 1)));
}

std::string UpperTrimmed(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != ' ') out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return out;
}

std::string HostName() {
  char name[256] = {0};
  if (gethostname(name, sizeof name - 1) != 0) return "localhost";
  return name;
}

std::string OsUser() {
  struct passwd entry, *found = nullptr;
  char buffer[1024];
  if (getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  return std::to_string(geteuid());
}

// The database file's name without directory or extension, upper case.
std::string DbName(sqlite3_context *context) {
  const char *file = sqlite3_db_filename(sqlite3_context_db_handle(context), "main");
  std::string name = file ? file : "";
  const size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  if (name.empty()) name = "KESTREL";
  for (char &c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

// One answer for USERENV(key) and SYS_CONTEXT('USERENV', key); false for a
// key this engine does not know.
bool UserEnv(sqlite3_context *context, const std::string &key, std::string *out) {
  const ContextData &data = Data(context);
  const SessionSettings &s = *data.settings;
  if (key == "CURRENT_SCHEMA" && !s.currentSchema.empty()) {
    *out = s.currentSchema;
  } else if (key == "SESSION_USER" || key == "CURRENT_USER" || key == "CURRENT_SCHEMA") {
    *out = s.user;
  } else if (key == "LANGUAGE") {
    *out = s.language + "_" + s.territory + ".AL32UTF8";
  } else if (key == "LANG") {
    *out = "US";
  } else if (key == "SESSIONID" || key == "SID") {
    *out = std::to_string(data.sessionId);
  } else if (key == "TERMINAL") {
    *out = "unknown";
  } else if (key == "DB_NAME" || key == "INSTANCE_NAME") {
    *out = DbName(context);
  } else if (key == "NLS_DATE_FORMAT") {
    *out = s.dateFormat;
  } else if (key == "NLS_DATE_LANGUAGE") {
    *out = s.dateLanguage;
  } else if (key == "NLS_TERRITORY") {
    *out = s.territory;
  } else if (key == "HOST" || key == "SERVER_HOST") {
    *out = HostName();
  } else if (key == "OS_USER") {
    *out = OsUser();
  } else if (key == "ISDBA") {
    *out = "FALSE";
  } else {
    return false;
  }
  return true;
}

void UserEnvCall(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return Raise(context, 2003);
  std::string storage, out;
  const std::string key = UpperTrimmed(ArgText(argv[0], &storage));
  if (!UserEnv(context, key, &out)) return Raise(context, 2003);
  if (key == "SESSIONID") return sqlite3_result_int64(context, Data(context).sessionId);
  ResultText(context, out);
}

void SysContext(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0]) || IsNullArg(argv[1])) return;
  std::string s0, s1, out;
  // Other namespaces are application contexts, none of which is set.
  if (UpperTrimmed(ArgText(argv[0], &s0)) != "USERENV") return;
  if (!UserEnv(context, UpperTrimmed(ArgText(argv[1], &s1)), &out)) {
    return Raise(context, 2003);
  }
  ResultText(context, out);
}

void FreeData(void *data) { delete static_cast<ContextData *>(data); }

}  // namespace

int RegisterContextFunctions(sqlite3 *db, const SessionSettings *settings) {
  const uint32_t sessionId = 1 + randombytes_uniform(2000000000u);
  static const ScalarDef kFunctions[] = {
      {"user", 0, 0, false, User},
      {"uid", 0, 0, false, Uid},
      {"sys_guid", 0, 0, false, SysGuid},
      {"ora_hash", 1, 3, true, OraHash},
      {"userenv", 1, 1, false, UserEnvCall},
      {"sys_context", 2, 2, false, SysContext},
  };
  for (const ScalarDef &f : kFunctions) {
    const int flags =
        SQLITE_UTF8 | SQLITE_INNOCUOUS | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    for (int n = f.minArgs; n <= f.maxArgs; ++n) {
      // Each registration owns its copy; SQLite frees it with FreeData,
      // also when the registration fails.
      auto *data = new ContextData{settings, sessionId};
      const int rc = sqlite3_create_function_v2(db, f.name, n, flags, data, f.call, nullptr,
                                                nullptr, FreeData);
      if (rc != SQLITE_OK) return rc;
    }
  }
  return SQLITE_OK;
}

}  // namespace kestrel_engine
