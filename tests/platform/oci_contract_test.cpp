// The client-interface contract compiles on its own, with the vendor's
// layouts, constants and signatures.
#include "oci.h"

#include <type_traits>

#include <gtest/gtest.h>

namespace {

template <typename F, typename G>
constexpr bool kSame = std::is_same<F, G>::value;

static_assert(sizeof(OCINumber) == 22, "NUMBER is 22 bytes");
static_assert(sizeof(OCIDate) == 8 && SQLT_DAT == 12 && SQLT_ODT == 156, "the date forms");
static_assert(sizeof(ub1) == 1 && sizeof(ub2) == 2 && sizeof(ub4) == 4, "");
static_assert(sizeof(sb1) == 1 && sizeof(sb2) == 2 && sizeof(sb4) == 4, "");
static_assert(sizeof(sword) == 4, "");

static_assert(kSame<decltype(&OCIInitialize),
                    sword (*)(ub4, dvoid *, dvoid *(*)(dvoid *, size_t),
                              dvoid *(*)(dvoid *, dvoid *, size_t),
                              void (*)(dvoid *, dvoid *))>, "");
static_assert(kSame<decltype(&OCIEnvInit),
                    sword (*)(OCIEnv **, ub4, size_t, dvoid **)>, "");
static_assert(kSame<decltype(&OCIHandleAlloc),
                    sword (*)(const dvoid *, dvoid **, ub4, size_t,
                              dvoid **)>, "");
static_assert(kSame<decltype(&OCIHandleFree), sword (*)(dvoid *, ub4)>, "");
static_assert(kSame<decltype(&OCIDescriptorAlloc),
                    sword (*)(const dvoid *, dvoid **, ub4, size_t,
                              dvoid **)>, "");
static_assert(kSame<decltype(&OCIDescriptorFree), sword (*)(dvoid *, ub4)>,
              "");
static_assert(kSame<decltype(&OCIAttrSet),
                    sword (*)(dvoid *, ub4, dvoid *, ub4, ub4, OCIError *)>,
              "");
static_assert(kSame<decltype(&OCIAttrGet),
                    sword (*)(const dvoid *, ub4, dvoid *, ub4 *, ub4,
                              OCIError *)>, "");
static_assert(kSame<decltype(&OCIParamGet),
                    sword (*)(const dvoid *, ub4, OCIError *, dvoid **,
                              ub4)>, "");
static_assert(kSame<decltype(&OCIErrorGet),
                    sword (*)(dvoid *, ub4, OraText *, sb4 *, OraText *, ub4,
                              ub4)>, "");
static_assert(kSame<decltype(&OCIServerAttach),
                    sword (*)(OCIServer *, OCIError *, const OraText *, sb4,
                              ub4)>, "");
static_assert(kSame<decltype(&OCIBreak), sword (*)(dvoid *, OCIError *)>, "");
static_assert(kSame<decltype(&OCIReset), sword (*)(dvoid *, OCIError *)>, "");
static_assert(kSame<decltype(&OCIServerDetach),
                    sword (*)(OCIServer *, OCIError *, ub4)>, "");
static_assert(kSame<decltype(&OCISessionBegin),
                    sword (*)(OCISvcCtx *, OCIError *, OCISession *, ub4,
                              ub4)>, "");
static_assert(kSame<decltype(&OCISessionEnd),
                    sword (*)(OCISvcCtx *, OCIError *, OCISession *, ub4)>,
              "");
static_assert(kSame<decltype(&OCIStmtPrepare),
                    sword (*)(OCIStmt *, OCIError *, const OraText *, ub4,
                              ub4, ub4)>, "");
static_assert(kSame<decltype(&OCIStmtExecute),
                    sword (*)(OCISvcCtx *, OCIStmt *, OCIError *, ub4, ub4,
                              const OCISnapshot *, OCISnapshot *, ub4)>, "");
static_assert(kSame<decltype(&OCIStmtFetch),
                    sword (*)(OCIStmt *, OCIError *, ub4, ub2, ub4)>, "");
static_assert(kSame<decltype(&OCIDefineByPos),
                    sword (*)(OCIStmt *, OCIDefine **, OCIError *, ub4,
                              dvoid *, sb4, ub2, dvoid *, ub2 *, ub2 *,
                              ub4)>, "");
static_assert(kSame<decltype(&OCIBindByPos),
                    sword (*)(OCIStmt *, OCIBind **, OCIError *, ub4,
                              dvoid *, sb4, ub2, dvoid *, ub2 *, ub2 *, ub4,
                              ub4 *, ub4)>, "");
static_assert(kSame<decltype(&OCIBindByName),
                    sword (*)(OCIStmt *, OCIBind **, OCIError *,
                              const OraText *, sb4, dvoid *, sb4, ub2,
                              dvoid *, ub2 *, ub2 *, ub4, ub4 *, ub4)>, "");
static_assert(kSame<decltype(&OCITransStart),
                    sword (*)(OCISvcCtx *, OCIError *, uword, ub4)>, "");
static_assert(kSame<decltype(&OCITransCommit),
                    sword (*)(OCISvcCtx *, OCIError *, ub4)>, "");
static_assert(kSame<decltype(&OCITransRollback),
                    sword (*)(OCISvcCtx *, OCIError *, ub4)>, "");
static_assert(kSame<decltype(&OCINumberToReal),
                    sword (*)(OCIError *, const OCINumber *, uword,
                              dvoid *)>, "");
static_assert(kSame<decltype(&OCINumberFromReal),
                    sword (*)(OCIError *, const dvoid *, uword,
                              OCINumber *)>, "");
static_assert(kSame<decltype(&OCINumberFromInt),
                    sword (*)(OCIError *, const dvoid *, uword, uword,
                              OCINumber *)>, "");
static_assert(kSame<decltype(&OCILobRead),
                    sword (*)(OCISvcCtx *, OCIError *, OCILobLocator *,
                              ub4 *, ub4, dvoid *, ub4, dvoid *,
                              OCICallbackLobRead, ub2, ub1)>, "");
static_assert(kSame<decltype(&OCILobWrite),
                    sword (*)(OCISvcCtx *, OCIError *, OCILobLocator *,
                              ub4 *, ub4, dvoid *, ub4, ub1, dvoid *,
                              OCICallbackLobWrite, ub2, ub1)>, "");
static_assert(kSame<decltype(&OCILobGetLength),
                    sword (*)(OCISvcCtx *, OCIError *, OCILobLocator *,
                              ub4 *)>, "");

struct Constant {
  const char *name;
  long value;
  long published;
};

TEST(OciContract, ConstantsHaveThePublishedValues) {
  const Constant constants[] = {
      {"OCI_SUCCESS_WITH_INFO", OCI_SUCCESS_WITH_INFO, 1},
      {"OCI_NEED_DATA", OCI_NEED_DATA, 99},
      {"OCI_NO_DATA", OCI_NO_DATA, 100},
      {"OCI_ERROR", OCI_ERROR, -1},
      {"OCI_INVALID_HANDLE", OCI_INVALID_HANDLE, -2},
      {"OCI_STILL_EXECUTING", OCI_STILL_EXECUTING, -3123},
      {"OCI_CONTINUE", OCI_CONTINUE, -24200},
      {"OCI_THREADED|OCI_OBJECT", OCI_THREADED | OCI_OBJECT, 3},
      {"OCI_HTYPE_ERROR", OCI_HTYPE_ERROR, 2},
      {"OCI_HTYPE_SVCCTX", OCI_HTYPE_SVCCTX, 3},
      {"OCI_HTYPE_STMT", OCI_HTYPE_STMT, 4},
      {"OCI_HTYPE_DESCRIBE", OCI_HTYPE_DESCRIBE, 7},
      {"OCI_HTYPE_SERVER", OCI_HTYPE_SERVER, 8},
      {"OCI_HTYPE_SESSION", OCI_HTYPE_SESSION, 9},
      {"OCI_HTYPE_TRANS", OCI_HTYPE_TRANS, 10},
      {"OCI_DTYPE_LOB", OCI_DTYPE_LOB, 50},
      {"OCI_DTYPE_PARAM", OCI_DTYPE_PARAM, 53},
      {"OCI_ATTR_DATA_SIZE", OCI_ATTR_DATA_SIZE, 1},
      {"OCI_ATTR_DATA_TYPE", OCI_ATTR_DATA_TYPE, 2},
      {"OCI_ATTR_NAME", OCI_ATTR_NAME, 4},
      {"OCI_ATTR_SCALE", OCI_ATTR_SCALE, 6},
      {"OCI_ATTR_SERVER", OCI_ATTR_SERVER, 6},
      {"OCI_ATTR_SESSION", OCI_ATTR_SESSION, 7},
      {"OCI_ATTR_TRANS", OCI_ATTR_TRANS, 8},
      {"OCI_ATTR_ROW_COUNT", OCI_ATTR_ROW_COUNT, 9},
      {"OCI_ATTR_PARAM_COUNT", OCI_ATTR_PARAM_COUNT, 18},
      {"OCI_ATTR_USERNAME", OCI_ATTR_USERNAME, 22},
      {"OCI_ATTR_PASSWORD", OCI_ATTR_PASSWORD, 23},
      {"OCI_ATTR_STMT_TYPE", OCI_ATTR_STMT_TYPE, 24},
      {"OCI_ATTR_PARSE_ERROR_OFFSET", OCI_ATTR_PARSE_ERROR_OFFSET, 129},
      {"OCI_CRED_RDBMS", OCI_CRED_RDBMS, 1},
      {"OCI_NTV_SYNTAX", OCI_NTV_SYNTAX, 1},
      {"OCI_FETCH_NEXT", OCI_FETCH_NEXT, 2},
      {"OCI_TRANS_NEW", OCI_TRANS_NEW, 1},
      {"OCI_NUMBER_SIGNED", OCI_NUMBER_SIGNED, 2},
      {"OCI_ONE_PIECE", OCI_ONE_PIECE, 0},
      {"SQLCS_IMPLICIT", SQLCS_IMPLICIT, 1},
      {"SQLT_STR", SQLT_STR, 5},
      {"SQLT_VNU", SQLT_VNU, 6},
      {"SQLT_INT", SQLT_INT, 3},
      {"SQLT_FLT", SQLT_FLT, 4},
      {"SQLT_AFC", SQLT_AFC, 96},
      {"SQLT_BLOB", SQLT_BLOB, 113},
      {"OCI_STMT_SELECT", OCI_STMT_SELECT, 1},
      {"OCI_STMT_DECLARE", OCI_STMT_DECLARE, 9},
  };
  for (const Constant &c : constants) {
    EXPECT_EQ(c.value, c.published) << c.name;
  }
}

}  // namespace
