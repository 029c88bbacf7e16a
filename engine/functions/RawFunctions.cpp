/*
** RAW values (SQLite blobs) and their text forms: HEXTORAW, RAWTOHEX, and
** the UTL_RAW casts under the names the SQL front end maps them to. Text
** given where a RAW is expected is read as hexadecimal, as Oracle's
** implicit conversion does.
*/
#include "functions/FunctionFamilies.h"
#include "functions/FunctionSupport.h"

namespace kestrel_engine {

namespace {

void HexToRaw(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  std::string bytes;
  if (RawBytes(context, argv[0], &bytes)) ResultRaw(context, bytes);
}

void RawToHex(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  std::string bytes;
  if (!RawBytes(context, argv[0], &bytes)) return;
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
  }
  ResultText(context, out);
}

void CastToRaw(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  std::string storage;
  const std::string_view text = sqlite3_value_type(argv[0]) == SQLITE_BLOB
                                    ? std::string_view(static_cast<const char *>(sqlite3_value_blob(argv[0])),
                                                       static_cast<size_t>(sqlite3_value_bytes(argv[0])))
                                    : ArgText(argv[0], &storage);
  ResultRaw(context, std::string(text));
}

void CastToVarchar2(sqlite3_context *context, int, sqlite3_value **argv) {
  if (IsNullArg(argv[0])) return;
  std::string bytes;
  if (RawBytes(context, argv[0], &bytes)) ResultText(context, bytes);
}

}  // namespace

int RegisterRawFunctions(sqlite3 *db, const SessionSettings *settings) {
  static const ScalarDef kFunctions[] = {
      {"hextoraw", 1, 1, true, HexToRaw},
      {"rawtohex", 1, 1, true, RawToHex},
      {"utl_raw_cast_to_raw", 1, 1, true, CastToRaw},
      {"utl_raw_cast_to_varchar2", 1, 1, true, CastToVarchar2},
  };
  return RegisterScalars(db, kFunctions, sizeof kFunctions / sizeof kFunctions[0],
                         const_cast<SessionSettings *>(settings));
}

}  // namespace kestrel_engine
