// libFuzzer target: arbitrary bytes as statement text through
// OCIStmtPrepare, OCIStmtExecute and OCIStmtFetch, with defines of the
// external types the library uses, on a small table in a temporary
// database. Any outcome but a crash (or a sanitizer report) is fine: the
// engine must answer every text with a status.
//
// Half the inputs are taken as they come; the other half splice their
// bytes into one of a few well-formed statements (the first bytes choose
// which, and where), so that the front end (parser, resolver, writer), the
// schema language, PL/SQL blocks and stored procedures, and the fetch
// conversions are reached without a seed corpus.
//
// SQLite's own runaway cases are bounded from outside the engine: a
// watchdog thread stops a statement after a second with OCIBreak
// (recursive queries never end), and an auto-extension that every
// connection of the process gets caps values at 1 MB and turns ATTACH off. VACUUM (INTO a file) is
// skipped: no input may write files outside the temporary directory.
#include <stdint.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sqlite3.h>

#include "oci.h"

namespace {

using Clock = std::chrono::steady_clock;

// When the input running now must be stopped, in steady-clock ticks: a
// watchdog thread calls OCIBreak past it.
std::atomic<Clock::rep> deadline{Clock::time_point::max().time_since_epoch().count()};
sqlite3 *opened = nullptr;  // the engine's connection, to see what changed
std::string directory;      // the database's, removed at exit

int Bound(sqlite3 *db, char **, const void *) {
  opened = db;
  sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1 << 20);
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  return SQLITE_OK;
}

struct Fixture {
  OCIEnv *env = nullptr;
  OCIError *err = nullptr;
  OCIServer *server = nullptr;
  OCISvcCtx *svc = nullptr;
  OCISession *session = nullptr;
  OCIStmt *stmt = nullptr;
  OCILobLocator *lob = nullptr;

  Fixture() {
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(Bound));
    char dir[] = "/tmp/kestrel-fuzz-XXXXXX";
    if (mkdtemp(dir) == nullptr) abort();
    directory = dir;
    std::atexit([] { std::filesystem::remove_all(directory); });
    const std::string link = std::string("file:") + dir + "/fuzz.db?mode=rwc";
    OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr);
    OCIEnvInit(&env, OCI_DEFAULT, 0, nullptr);
    OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&server), OCI_HTYPE_SERVER, 0, nullptr);
    if (OCIServerAttach(server, err, reinterpret_cast<const OraText *>(link.c_str()),
                        static_cast<sb4>(link.size()), OCI_DEFAULT) != OCI_SUCCESS) {
      abort();
    }
    OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
    OCIAttrSet(svc, OCI_HTYPE_SVCCTX, server, 0, OCI_ATTR_SERVER, err);
    OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&session), OCI_HTYPE_SESSION, 0, nullptr);
    OCIAttrSet(session, OCI_HTYPE_SESSION, const_cast<char *>("fuzz"), 4, OCI_ATTR_USERNAME,
               err);
    OCIAttrSet(session, OCI_HTYPE_SESSION, const_cast<char *>("fuzz"), 4, OCI_ATTR_PASSWORD,
               err);
    if (OCISessionBegin(svc, err, session, OCI_CRED_RDBMS, OCI_DEFAULT) != OCI_SUCCESS) {
      abort();
    }
    OCIAttrSet(svc, OCI_HTYPE_SVCCTX, session, 0, OCI_ATTR_SESSION, err);
    OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
    OCIDescriptorAlloc(env, reinterpret_cast<dvoid **>(&lob), OCI_DTYPE_LOB, 0, nullptr);
    // Recursive queries may never end: the watchdog breaks an input that
    // runs past its second.
    std::thread([this] {
      for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (Clock::now().time_since_epoch().count() > deadline.load()) OCIBreak(svc, nullptr);
      }
    }).detach();
    Reset();
  }

  sword Run(const std::string &sql) {
    if (OCIStmtPrepare(stmt, err, reinterpret_cast<const OraText *>(sql.data()),
                       static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX,
                       OCI_DEFAULT) != OCI_SUCCESS) {
      return OCI_ERROR;
    }
    return OCIStmtExecute(svc, stmt, err, 1, 0, nullptr, nullptr, OCI_DEFAULT);
  }

  // What an input may have changed: rows (even rolled back) or schema.
  int64_t Changes() {
    sqlite3_stmt *version = nullptr;
    int64_t schema = 0;
    if (sqlite3_prepare_v2(opened, "PRAGMA schema_version", -1, &version, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(version) == SQLITE_ROW) {
      schema = sqlite3_column_int64(version, 0);
    }
    sqlite3_finalize(version);
    return sqlite3_total_changes64(opened) * 65536 + schema;
  }

  // The tables and views of `schema` an input made (the accounts table
  // and the connection's DUAL stay).
  std::vector<std::string> Made(const char *schema) {
    std::vector<std::string> drops;
    sqlite3_stmt *list = nullptr;
    const std::string sql =
        std::string("SELECT type, name FROM ") + schema +
        ".sqlite_master WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite%' "
        "AND name NOT LIKE 'kestrel$%' AND name <> 'dual' AND name NOT LIKE 'user\\_%' "
        "ESCAPE '\\' AND name NOT LIKE 'all\\_%' ESCAPE '\\'";
    if (sqlite3_prepare_v2(opened, sql.c_str(), -1, &list, nullptr) == SQLITE_OK) {
      while (sqlite3_step(list) == SQLITE_ROW) {
        std::string name = reinterpret_cast<const char *>(sqlite3_column_text(list, 1));
        std::string quoted = "\"";
        for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        drops.push_back(std::string("DROP ") +
                        reinterpret_cast<const char *>(sqlite3_column_text(list, 0)) + " " +
                        schema + "." + quoted + "\"");
      }
    }
    sqlite3_finalize(list);
    return drops;
  }

  // The database as each input first finds it, whatever the last one did:
  // the schema must not grow from one input to the next.
  void Reset() {
    OCITransRollback(svc, err, OCI_DEFAULT);
    for (const char *schema : {"main", "temp"}) {
      for (const std::string &drop : Made(schema)) Run(drop);
    }
    Run("CREATE TEMP VIEW IF NOT EXISTS dual(dummy) AS SELECT 'X'");
    Run("DROP SEQUENCE q");
    Run("ALTER SESSION SET NLS_DATE_FORMAT = 'DD-MON-RR' NLS_NUMERIC_CHARACTERS = '.,'");
    Run("CREATE TABLE t (id NUMBER(5), name VARCHAR2(10), amount NUMBER(8,2), "
        "ratio BINARY_DOUBLE, body BLOB, at DATE)");
    Run("INSERT INTO t VALUES (1, 'one', 12.5, .25, HEXTORAW('0102'), SYSDATE)");
    Run("INSERT INTO t VALUES (2, NULL, -3, NULL, EMPTY_BLOB(), NULL)");
    OCITransCommit(svc, err, OCI_DEFAULT);
    changes = Changes();
  }
  int64_t changes = 0;
};

const char *const kTemplates[] = {
    "SELECT id, name, amount, ratio, body, at FROM t WHERE id = 1",
    "SELECT SYSDATE, NVL(name, 'x'), dummy FROM DUAL, t ORDER BY 1",
    "SELECT * FROM t WHERE amount > 0 FOR UPDATE OF amount NOWAIT",
    "INSERT INTO t (id, name, amount) VALUES (3, 'three', 1.005)",
    "INSERT INTO t (id, body, at) VALUES (4, EMPTY_BLOB(), DATE '2024-02-29')",
    "UPDATE t SET amount = amount * 1.5, name = name || 'x' WHERE id = 2",
    "DELETE FROM t WHERE id > 1",
    "BEGIN INSERT INTO t (id) VALUES (5); UPDATE t SET id = id + 1; NULL; END;",
    "CREATE TABLE u (a VARCHAR2(3 BYTE), b NUMBER(4,-1), c TIMESTAMP(3) WITH TIME ZONE)",
    "ALTER TABLE t ADD (extra VARCHAR2(2 CHAR), more NUMBER(*,1))",
    "ALTER TABLE t RENAME TO t2",
    "SELECT CAST(amount AS VARCHAR2(20 CHAR)), length(body) FROM t",
    "SELECT RPAD('x', 4001, 'x') FROM DUAL",
    "SELECT a FROM (SELECT 1 a FROM DUAL) WHERE a = :1",
    "SAVEPOINT s",
    "COMMIT",
    "SELECT TO_CHAR(TO_DATE('17-DEC-1980', 'DD-MON-YYYY'), 'fmDay Month YYYY') FROM DUAL",
    "SELECT TO_CHAR(1234.5, '9G999D99EEEE'), TO_NUMBER('1,234.5', '9,999.9') FROM DUAL",
    "ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY-MM-DD HH24:MI' NLS_NUMERIC_CHARACTERS = ',.'",
    "CREATE SEQUENCE q START WITH 5 INCREMENT BY 2 MAXVALUE 9 CYCLE CACHE 2",
    "SELECT q.NEXTVAL, q.CURRVAL FROM DUAL",
    "SELECT REGEXP_REPLACE(name, '(n)', '<\\1>'), SUBSTR(name, -2, 1) FROM t",
    "SELECT table_name, column_name, data_type FROM user_tab_columns",
    "SELECT a.id, b.name FROM t a LEFT JOIN t b ON b.id = a.id + 1 WHERE a.at < SYSDATE - 1/24",
    "SELECT CASE WHEN amount > 10 THEN 'big' ELSE 'small' END, at + 1.5, at - DATE '2000-01-01' "
    "FROM t ORDER BY 2 DESC NULLS FIRST",
    "WITH n(i) AS (SELECT 1 FROM dual UNION ALL SELECT i + 1 FROM n WHERE i < 5) "
    "SELECT i, (SELECT COUNT(*) FROM t WHERE id <= i) FROM n",
    "INSERT INTO t (id, name, at) SELECT id + 10, name || '!', '05-JAN-24' FROM t WHERE id IN (1, 2)",
    "SELECT deptno FROM (SELECT id deptno, SUM(amount) s FROM t GROUP BY id HAVING SUM(amount) > 0)",
    "ALTER TABLE t ADD CONSTRAINT t_pk PRIMARY KEY (id)",
    "CREATE OR REPLACE VIEW tv (a, b) AS SELECT id, name FROM t WHERE id > 0 WITH READ ONLY",
    "UPDATE t SET at = TIMESTAMP '2024-01-01 10:00:00.5', amount = '7.125' WHERE id = 1",
    // Query forms: hierarchies, analytic clauses, SEARCH/CYCLE, SET DEFAULT.
    "SELECT id, LEVEL, SYS_CONNECT_BY_PATH(name, '/'), CONNECT_BY_ISLEAF FROM t START WITH id = 1 "
    "CONNECT BY NOCYCLE PRIOR id = id - 1 ORDER SIBLINGS BY name",
    "SELECT a.id, LAG(a.amount, 1, 0) IGNORE NULLS OVER (ORDER BY a.id), MAX(a.name) KEEP "
    "(DENSE_RANK LAST ORDER BY a.at) OVER (PARTITION BY a.id), COUNT(*) OVER (ORDER BY a.id "
    "GROUPS 1 PRECEDING) FROM t a JOIN t b ON a.id = b.id",
    "WITH r (i, p) AS (SELECT id, 0 FROM t UNION ALL SELECT i + 1, p + 1 FROM r WHERE p < 3) "
    "SEARCH BREADTH FIRST BY i SET o CYCLE i SET c TO 'Y' DEFAULT 'N' SELECT * FROM r ORDER BY o",
    "UPDATE t SET name = DEFAULT, amount = DEFAULT WHERE id = 2",
    "SELECT ROWNUM, id FROM t WHERE ROWNUM <= 2 OR (amount > ROWNUM AND name IS NOT NULL)",
    "SELECT ROWNUM, LEVEL, COUNT(DISTINCT name) OVER () FROM dual CONNECT BY LEVEL <= 3",
    "MERGE INTO t USING (SELECT id, name FROM t) s ON (t.id = s.id) WHEN MATCHED THEN UPDATE "
    "SET t.amount = 1 WHERE s.id > 1 DELETE WHERE t.amount = 1 WHEN NOT MATCHED THEN INSERT "
    "(id) VALUES (s.id + 100)",
    "DECLARE TYPE n IS TABLE OF NUMBER; v n; BEGIN FORALL i IN 1 .. 2 UPDATE t SET amount = i "
    "WHERE id = i RETURNING id BULK COLLECT INTO v; END;",
    // PL/SQL: cursors, exceptions, collections, dynamic SQL, stored code.
    "DECLARE n NUMBER := 0; CURSOR c IS SELECT id, name FROM t; BEGIN FOR r IN c LOOP "
    "n := n + r.id; END LOOP; SELECT count(*) INTO n FROM t WHERE id > n; "
    "EXCEPTION WHEN OTHERS THEN RAISE_APPLICATION_ERROR(-20001, SQLERRM); END;",
    "DECLARE TYPE a IS TABLE OF VARCHAR2(10) INDEX BY PLS_INTEGER; v a; BEGIN "
    "FOR i IN 1 .. 3 LOOP v(i) := i || 'x'; END LOOP; EXECUTE IMMEDIATE "
    "'UPDATE t SET name = :1 WHERE id = :2' USING v(v.LAST), v.COUNT; END;",
    "CREATE OR REPLACE PROCEDURE p (x IN OUT NUMBER) IS BEGIN x := x * 2; "
    "IF x < 100 THEN p(x); END IF; END;",
    "BEGIN DBMS_OUTPUT.ENABLE; DECLARE x NUMBER := 1; BEGIN p(x); "
    "DBMS_OUTPUT.PUT_LINE(x); END; END;",
};

// The statement text an input stands for.
std::string Statement(const uint8_t *data, size_t size) {
  const char *bytes = reinterpret_cast<const char *>(data);
  if (size < 3 || (data[0] & 1) != 0) return std::string(bytes, size);
  std::string text = kTemplates[data[1] % (sizeof kTemplates / sizeof kTemplates[0])];
  const size_t at = data[2] % (text.size() + 1);
  const size_t cut = std::min<size_t>(data[0] >> 5, text.size() - at);
  text.replace(at, cut, bytes + 3, size - 3);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Fixture f;
  deadline = (Clock::now() + std::chrono::seconds(1)).time_since_epoch().count();

  const std::string text = Statement(data, size);
  std::string folded(text);
  for (char &c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (folded.find("vacuum") != std::string::npos) return 0;
  OCIStmt *stmt = nullptr;
  OCIHandleAlloc(f.env, reinterpret_cast<dvoid **>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  if (OCIStmtPrepare(stmt, f.err, reinterpret_cast<const OraText *>(text.data()),
                     static_cast<ub4>(text.size()), OCI_NTV_SYNTAX,
                     OCI_DEFAULT) == OCI_SUCCESS) {
    ub2 type = 0;
    OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, f.err);
    const ub4 iterations = type == OCI_STMT_SELECT ? 0 : 1 + size % 2;
    const sword executed =
        OCIStmtExecute(f.svc, stmt, f.err, iterations, 0, nullptr, nullptr, OCI_DEFAULT);
    ub4 columns = 0;
    OCIAttrGet(stmt, OCI_HTYPE_STMT, &columns, nullptr, OCI_ATTR_PARAM_COUNT, f.err);
    if (executed == OCI_SUCCESS && columns > 0) {
      // One define of each kind, on the first columns, then a few rows.
      char text[16];
      unsigned char number[22];
      int64_t integer = 0;
      double real = 0;
      sb2 indicators[5] = {0};
      ub2 lengths[5] = {0};
      OCIDefine *define = nullptr;
      const struct {
        void *value;
        sb4 size;
        ub2 type;
      } defines[] = {{text, sizeof text, SQLT_STR},
                     {number, sizeof number, SQLT_VNU},
                     {&integer, sizeof integer, SQLT_INT},
                     {&real, sizeof real, SQLT_FLT},
                     {&f.lob, 0, SQLT_BLOB}};
      for (ub4 i = 0; i < 5 && i < columns; ++i) {
        const auto &d = defines[(i + size) % 5];
        define = nullptr;
        OCIDefineByPos(stmt, &define, f.err, i + 1, d.value, d.size, d.type, &indicators[i],
                       &lengths[i], nullptr, OCI_DEFAULT);
      }
      for (int row = 0; row < 8; ++row) {
        const sword fetched = OCIStmtFetch(stmt, f.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
        if (fetched != OCI_SUCCESS && fetched != OCI_SUCCESS_WITH_INFO) break;
      }
      OCIParam *param = nullptr;
      if (OCIParamGet(stmt, OCI_HTYPE_STMT, f.err, reinterpret_cast<dvoid **>(&param),
                      columns) == OCI_SUCCESS) {
        ub2 dataType = 0;
        OCIAttrGet(param, OCI_DTYPE_PARAM, &dataType, nullptr, OCI_ATTR_DATA_TYPE, f.err);
      }
    }
    sb4 code = 0;
    OraText message[128];
    OCIErrorGet(f.err, 1, nullptr, &code, message, sizeof message, OCI_HTYPE_ERROR);
  }
  OCIHandleFree(stmt, OCI_HTYPE_STMT);
  deadline = Clock::time_point::max().time_since_epoch().count();
  OCITransRollback(f.svc, f.err, OCI_DEFAULT);
  if (f.Changes() != f.changes) f.Reset();
  return 0;
}
