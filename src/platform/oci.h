/*
** The Oracle Call Interface as Kestrel uses it: scalar types, handle types,
** the published constants and the published C signatures of every call the
** library makes. The library is written against this header only, so it
** links unchanged against the vendor's client library or against the
** embedded engine in engine/.
*/
#ifndef KESTREL_OCI_H
#define KESTREL_OCI_H

#include <stddef.h>

/* Scalar types (the vendor's oratypes). */
typedef unsigned char ub1;
typedef signed char sb1;
typedef unsigned short ub2;
typedef signed short sb2;
typedef unsigned int ub4;
typedef signed int sb4;
typedef unsigned int uword;
typedef signed int sword;
typedef signed int eword;
typedef unsigned char OraText;
typedef OraText text;
typedef void dvoid;
typedef char OraChar;

#ifdef __cplusplus
extern "C" {
#endif

/* Handles and descriptors: opaque to callers. */
typedef struct OCIEnv OCIEnv;
typedef struct OCIError OCIError;
typedef struct OCISvcCtx OCISvcCtx;
typedef struct OCIStmt OCIStmt;
typedef struct OCIBind OCIBind;
typedef struct OCIDefine OCIDefine;
typedef struct OCIDescribe OCIDescribe;
typedef struct OCIServer OCIServer;
typedef struct OCISession OCISession;
typedef struct OCITrans OCITrans;
typedef struct OCISnapshot OCISnapshot;
typedef struct OCIParam OCIParam;
typedef struct OCILobLocator OCILobLocator;

/* A NUMBER in the vendor's internal form: a length byte, an exponent byte
   and up to 20 base-100 digits. */
#define OCI_NUMBER_SIZE 22
typedef struct OCINumber {
  ub1 OCINumberPart[OCI_NUMBER_SIZE];
} OCINumber;

/* The client-side date: the year (negative before Christ), month, day and
   time of day. */
typedef struct OCITime {
  ub1 OCITimeHH;
  ub1 OCITimeMI;
  ub1 OCITimeSS;
} OCITime;
typedef struct OCIDate {
  sb2 OCIDateYYYY;
  ub1 OCIDateMM;
  ub1 OCIDateDD;
  OCITime OCIDateTime;
} OCIDate;

/* A TIMESTAMP descriptor (type 68), filled by a fetch through a define of
   type 187 and read with OCIDateTimeGetDate and OCIDateTimeGetTime. */
typedef struct OCIDateTime OCIDateTime;

/* Statuses. */
#define OCI_SUCCESS 0
#define OCI_SUCCESS_WITH_INFO 1
#define OCI_NEED_DATA 99
#define OCI_NO_DATA 100
#define OCI_ERROR (-1)
#define OCI_INVALID_HANDLE (-2)
#define OCI_STILL_EXECUTING (-3123)
#define OCI_CONTINUE (-24200)

/* Modes. */
#define OCI_DEFAULT 0x00000000
#define OCI_COMMIT_ON_SUCCESS 0x00000020
#define OCI_THREADED 0x00000001
#define OCI_OBJECT 0x00000002

/* Handle types. */
#define OCI_HTYPE_ENV 1
#define OCI_HTYPE_ERROR 2
#define OCI_HTYPE_SVCCTX 3
#define OCI_HTYPE_STMT 4
#define OCI_HTYPE_BIND 5
#define OCI_HTYPE_DEFINE 6
#define OCI_HTYPE_DESCRIBE 7
#define OCI_HTYPE_SERVER 8
#define OCI_HTYPE_SESSION 9
#define OCI_HTYPE_TRANS 10

/* Descriptor types. */
#define OCI_DTYPE_LOB 50
#define OCI_DTYPE_SNAP 51
#define OCI_DTYPE_RSET 52
#define OCI_DTYPE_PARAM 53
#define OCI_DTYPE_TIMESTAMP 68

/* Attributes of column descriptors. */
#define OCI_ATTR_DATA_SIZE 1
#define OCI_ATTR_DATA_TYPE 2
#define OCI_ATTR_DISP_SIZE 3
#define OCI_ATTR_NAME 4
#define OCI_ATTR_PRECISION 5
#define OCI_ATTR_SCALE 6
#define OCI_ATTR_IS_NULL 7

/* Attributes of handles. */
#define OCI_ATTR_SERVER 6
#define OCI_ATTR_SESSION 7
#define OCI_ATTR_TRANS 8
#define OCI_ATTR_ROW_COUNT 9
#define OCI_ATTR_PARAM_COUNT 18
#define OCI_ATTR_USERNAME 22
#define OCI_ATTR_PASSWORD 23
#define OCI_ATTR_STMT_TYPE 24
#define OCI_ATTR_PARSE_ERROR_OFFSET 129

/* Credentials. */
#define OCI_CRED_RDBMS 1
#define OCI_CRED_EXT 2

/* Statement syntax. */
#define OCI_NTV_SYNTAX 1
#define OCI_V7_SYNTAX 2
#define OCI_V8_SYNTAX 3

/* Statement types. */
#define OCI_STMT_SELECT 1
#define OCI_STMT_UPDATE 2
#define OCI_STMT_DELETE 3
#define OCI_STMT_INSERT 4
#define OCI_STMT_CREATE 5
#define OCI_STMT_DROP 6
#define OCI_STMT_ALTER 7
#define OCI_STMT_BEGIN 8
#define OCI_STMT_DECLARE 9
#define OCI_STMT_MERGE 16

/* Fetch orientation. */
#define OCI_FETCH_CURRENT 0x01
#define OCI_FETCH_NEXT 0x02
#define OCI_FETCH_FIRST 0x04
#define OCI_FETCH_LAST 0x08
#define OCI_FETCH_PRIOR 0x10
#define OCI_FETCH_ABSOLUTE 0x20
#define OCI_FETCH_RELATIVE 0x40

/* Transactions. */
#define OCI_TRANS_NEW 0x00000001

/* Number conversion sign flags. */
#define OCI_NUMBER_UNSIGNED 0
#define OCI_NUMBER_SIGNED 2

/* Large-object pieces and character-set forms. */
#define OCI_ONE_PIECE 0
#define OCI_FIRST_PIECE 1
#define OCI_NEXT_PIECE 2
#define OCI_LAST_PIECE 3
#define SQLCS_IMPLICIT 1
#define SQLCS_NCHAR 2

/* External and internal data types. */
#define SQLT_CHR 1
#define SQLT_NUM 2
#define SQLT_INT 3
#define SQLT_FLT 4
#define SQLT_STR 5
#define SQLT_VNU 6
#define SQLT_PDN 7
#define SQLT_LNG 8
#define SQLT_VCS 9
#define SQLT_DAT 12
#define SQLT_BFLOAT 21
#define SQLT_BDOUBLE 22
#define SQLT_BIN 23
#define SQLT_UIN 68
#define SQLT_AFC 96
#define SQLT_IBFLOAT 100
#define SQLT_IBDOUBLE 101
#define SQLT_CLOB 112
#define SQLT_BLOB 113
#define SQLT_ODT 156
#define SQLT_TIMESTAMP 187

/* Large-object streaming callbacks (accepted, never needed in one piece). */
typedef sb4 (*OCICallbackLobRead)(dvoid *ctxp, const dvoid *bufp, ub4 len,
                                  ub1 piece);
typedef sb4 (*OCICallbackLobWrite)(dvoid *ctxp, dvoid *bufp, ub4 *lenp,
                                   ub1 *piece);

/* Set-up, handles, attributes. */
sword OCIInitialize(ub4 mode, dvoid *ctxp,
                    dvoid *(*malocfp)(dvoid *ctxp, size_t size),
                    dvoid *(*ralocfp)(dvoid *ctxp, dvoid *memptr,
                                      size_t newsize),
                    void (*mfreefp)(dvoid *ctxp, dvoid *memptr));
sword OCIEnvInit(OCIEnv **envp, ub4 mode, size_t xtramem_sz,
                 dvoid **usrmempp);
sword OCIHandleAlloc(const dvoid *parenth, dvoid **hndlpp, const ub4 type,
                     const size_t xtramem_sz, dvoid **usrmempp);
sword OCIHandleFree(dvoid *hndlp, const ub4 type);
sword OCIDescriptorAlloc(const dvoid *parenth, dvoid **descpp,
                         const ub4 type, const size_t xtramem_sz,
                         dvoid **usrmempp);
sword OCIDescriptorFree(dvoid *descp, const ub4 type);
sword OCIAttrSet(dvoid *trgthndlp, ub4 trghndltyp, dvoid *attributep,
                 ub4 size, ub4 attrtype, OCIError *errhp);
sword OCIAttrGet(const dvoid *trgthndlp, ub4 trghndltyp, dvoid *attributep,
                 ub4 *sizep, ub4 attrtype, OCIError *errhp);
sword OCIParamGet(const dvoid *hndlp, ub4 htype, OCIError *errhp,
                  dvoid **parmdpp, ub4 pos);

/* Errors. */
sword OCIErrorGet(dvoid *hndlp, ub4 recordno, OraText *sqlstate,
                  sb4 *errcodep, OraText *bufp, ub4 bufsiz, ub4 type);

/* Sessions. */
sword OCIServerAttach(OCIServer *srvhp, OCIError *errhp,
                      const OraText *dblink, sb4 dblink_len, ub4 mode);
sword OCIServerDetach(OCIServer *srvhp, OCIError *errhp, ub4 mode);
sword OCISessionBegin(OCISvcCtx *svchp, OCIError *errhp, OCISession *usrhp,
                      ub4 credt, ub4 mode);
sword OCISessionEnd(OCISvcCtx *svchp, OCIError *errhp, OCISession *usrhp,
                    ub4 mode);
/* Cancelling: from another thread, the call running on a service context
   or server ends with ORA-01013. */
sword OCIBreak(dvoid *hndlp, OCIError *errhp);
sword OCIReset(dvoid *hndlp, OCIError *errhp);

/* Statements. */
sword OCIStmtPrepare(OCIStmt *stmtp, OCIError *errhp, const OraText *stmt,
                     ub4 stmt_len, ub4 language, ub4 mode);
sword OCIStmtExecute(OCISvcCtx *svchp, OCIStmt *stmtp, OCIError *errhp,
                     ub4 iters, ub4 rowoff, const OCISnapshot *snap_in,
                     OCISnapshot *snap_out, ub4 mode);
sword OCIStmtFetch(OCIStmt *stmtp, OCIError *errhp, ub4 nrows,
                   ub2 orientation, ub4 mode);
sword OCIDefineByPos(OCIStmt *stmtp, OCIDefine **defnp, OCIError *errhp,
                     ub4 position, dvoid *valuep, sb4 value_sz, ub2 dty,
                     dvoid *indp, ub2 *rlenp, ub2 *rcodep, ub4 mode);
sword OCIBindByPos(OCIStmt *stmtp, OCIBind **bindp, OCIError *errhp,
                   ub4 position, dvoid *valuep, sb4 value_sz, ub2 dty,
                   dvoid *indp, ub2 *alenp, ub2 *rcodep, ub4 maxarr_len,
                   ub4 *curelep, ub4 mode);
sword OCIBindByName(OCIStmt *stmtp, OCIBind **bindp, OCIError *errhp,
                    const OraText *placeholder, sb4 placeh_len,
                    dvoid *valuep, sb4 value_sz, ub2 dty, dvoid *indp,
                    ub2 *alenp, ub2 *rcodep, ub4 maxarr_len, ub4 *curelep,
                    ub4 mode);

/* Transactions. */
sword OCITransStart(OCISvcCtx *svchp, OCIError *errhp, uword timeout,
                    ub4 flags);
sword OCITransCommit(OCISvcCtx *svchp, OCIError *errhp, ub4 flags);
sword OCITransRollback(OCISvcCtx *svchp, OCIError *errhp, ub4 flags);

/* Numbers. */
sword OCINumberToReal(OCIError *err, const OCINumber *number,
                      uword rsl_length, dvoid *rsl);
sword OCINumberFromReal(OCIError *err, const dvoid *rnum, uword rnum_length,
                        OCINumber *number);
sword OCINumberFromInt(OCIError *err, const dvoid *inum, uword inum_length,
                       uword inum_s_flag, OCINumber *number);

/* Large objects. */
sword OCILobRead(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp,
                 ub4 *amtp, ub4 offset, dvoid *bufp, ub4 bufl, dvoid *ctxp,
                 OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm);
sword OCILobWrite(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp,
                  ub4 *amtp, ub4 offset, dvoid *bufp, ub4 buflen, ub1 piece,
                  dvoid *ctxp, OCICallbackLobWrite cbfp, ub2 csid,
                  ub1 csfrm);
sword OCILobGetLength(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp,
                      ub4 *lenp);
sword OCIDateTimeGetDate(dvoid *hndl, OCIError *err, const OCIDateTime *date,
                         sb2 *yr, ub1 *mnth, ub1 *dy);
sword OCIDateTimeGetTime(dvoid *hndl, OCIError *err, OCIDateTime *datetime,
                         ub1 *hr, ub1 *mm, ub1 *ss, ub4 *fsec);

#ifdef __cplusplus
}
#endif

#endif /* KESTREL_OCI_H */
