// PL/SQL triggers through the client calls: firing order, WHEN, UPDATE
// OF, the event predicates, errors that undo the statement, the mutating
// table, ENABLE/DISABLE, the dictionary, FIXED_DATE, and HR's hr_code.sql.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {

using engine_test::Rows;
using engine_test::ScriptStatements;
using engine_test::Session;
using engine_test::TempDir;

class EngineTriggers : public ::testing::Test {
 protected:
  EngineTriggers() : s(dir.CreateLink("t.db")) {}
  void SetUp() override {
    ASSERT_TRUE(s.ok()) << s.ErrorText();
    Exec("CREATE TABLE t (id NUMBER(5), v VARCHAR2(20))");
    Exec("CREATE TABLE log (n NUMBER, msg VARCHAR2(100))");
    Exec("CREATE SEQUENCE seq");
  }
  void Exec(const std::string &sql) {
    ASSERT_EQ(s.Run(sql), OCI_SUCCESS) << sql << ": " << s.ErrorText();
  }
  // The statement's error text, or "" when it runs.
  std::string Try(const std::string &sql) {
    return s.Run(sql) == OCI_SUCCESS ? "" : s.ErrorText();
  }
  // The log's messages in order, joined with '|'; the log is emptied.
  std::string Log() {
    std::string out;
    for (const auto &row : s.Query("SELECT msg FROM log ORDER BY n")) {
      if (!out.empty()) out += '|';
      out += row[0].value_or("NULL");
    }
    Exec("DELETE FROM log");
    return out;
  }
  std::string One(const std::string &sql) {
    const Rows rows = s.Query(sql);
    return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0].value_or("NULL");
  }
  // A trigger that logs `what`.
  void Logger(const std::string &name, const std::string &heading, const std::string &what) {
    Exec("CREATE TRIGGER " + name + " " + heading + "\nBEGIN\n  INSERT INTO log VALUES (seq.NEXTVAL, " +
         what + ");\nEND;");
  }

  TempDir dir;
  Session s;
};

TEST_F(EngineTriggers, FireInOraclesOrderForEveryRowOfEveryPath) {
  Logger("bs", "BEFORE INSERT OR UPDATE OR DELETE ON t", "'before statement'");
  Logger("br", "BEFORE INSERT OR UPDATE OR DELETE ON t FOR EACH ROW",
         "'before row ' || NVL(:NEW.id, :OLD.id)");
  Logger("ar1", "AFTER INSERT OR UPDATE OR DELETE ON t FOR EACH ROW", "'after row ' || NVL(:NEW.id, :OLD.id)");
  Logger("ar2", "AFTER INSERT ON t FOR EACH ROW", "'second after row'");
  Logger("ast", "AFTER INSERT OR UPDATE OR DELETE ON t", "'after statement'");
  const struct {
    const char *sql;
    const char *log;
  } cases[] = {
      {"INSERT INTO t VALUES (1, 'a')",
       "before statement|before row 1|after row 1|second after row|after statement"},
      {"INSERT INTO t SELECT 2, 'b' FROM dual UNION ALL SELECT 3, 'c' FROM dual",
       "before statement|before row 2|after row 2|second after row|before row 3|after row 3|"
       "second after row|after statement"},
      // No row changed: the statement triggers still fire.
      {"UPDATE t SET v = 'x' WHERE id = 99", "before statement|after statement"},
      {"MERGE INTO t USING (SELECT 3 id FROM dual UNION ALL SELECT 4 FROM dual) s ON (t.id = s.id) "
       "WHEN MATCHED THEN UPDATE SET v = 'm' WHEN NOT MATCHED THEN INSERT VALUES (s.id, 'n')",
       "before statement|before statement|before row 3|after row 3|before row 4|after row 4|"
       "second after row|after statement|after statement"},
      {"DELETE FROM t WHERE id > 2",
       "before statement|before row 3|after row 3|before row 4|after row 4|after statement"},
      // DML inside PL/SQL, EXECUTE IMMEDIATE included.
      {"BEGIN UPDATE t SET v = 'p' WHERE id = 1; EXECUTE IMMEDIATE 'DELETE FROM t WHERE id = 2'; END;",
       "before statement|before row 1|after row 1|after statement|"
       "before statement|before row 2|after row 2|after statement"},
  };
  for (const auto &c : cases) {
    Exec(c.sql);
    EXPECT_EQ(Log(), c.log) << c.sql;
  }
}

TEST_F(EngineTriggers, WhenUpdateOfAndTheEventPredicates) {
  Exec("CREATE TRIGGER pred AFTER INSERT OR UPDATE OF v OR DELETE ON t FOR EACH ROW\n"
       "WHEN (NEW.id > 1 OR OLD.id > 1)\n"
       "BEGIN\n"
       "  IF INSERTING THEN INSERT INTO log VALUES (seq.NEXTVAL, 'I' || :NEW.id);\n"
       "  ELSIF UPDATING('V') THEN INSERT INTO log VALUES (seq.NEXTVAL, 'U' || :OLD.v || '>' || :NEW.v);\n"
       "  ELSIF DELETING THEN INSERT INTO log VALUES (seq.NEXTVAL, 'D' || :OLD.id);\n"
       "  END IF;\n"
       "END;");
  const struct {
    const char *sql;
    const char *log;
  } cases[] = {
      {"INSERT INTO t VALUES (1, 'a')", ""},  // WHEN is false
      {"INSERT INTO t VALUES (2, 'b')", "I2"},
      {"UPDATE t SET id = id", ""},            // not OF v
      {"UPDATE t SET v = 'c' WHERE id = 2", "Ub>c"},
      {"DELETE FROM t", "D2"},
  };
  for (const auto &c : cases) {
    Exec(c.sql);
    EXPECT_EQ(Log(), c.log) << c.sql;
  }
  EXPECT_EQ(One("SELECT trigger_type || '/' || triggering_event || '/' || table_name || '/' || "
                "when_clause || '/' || status FROM user_triggers WHERE trigger_name = 'PRED'"),
            "AFTER EACH ROW/INSERT OR UPDATE OR DELETE/T/NEW.id > 1 OR OLD.id > 1/ENABLED");
  EXPECT_EQ(One("SELECT object_type FROM user_objects WHERE object_name = 'PRED'"), "TRIGGER");
  EXPECT_EQ(One("SELECT COUNT(*) FROM user_source WHERE name = 'PRED' AND type = 'TRIGGER'"), "8");
}

TEST_F(EngineTriggers, AnErrorUndoesTheWholeStatementWithTheTriggersLines) {
  Logger("logged", "AFTER INSERT ON t FOR EACH ROW", "'row ' || :NEW.id");
  Exec("CREATE TRIGGER refuse BEFORE INSERT ON t FOR EACH ROW WHEN (NEW.id = 3)\n"
       "BEGIN\n"
       "  RAISE_APPLICATION_ERROR(-20001, 'not ' || :NEW.id);\n"
       "END;");
  Logger("late", "AFTER INSERT ON t", "'statement'");
  const struct {
    const char *sql;
    const char *error;
  } cases[] = {
      {"INSERT INTO t SELECT 2, 'b' FROM dual UNION ALL SELECT 3, 'c' FROM dual",
       "ORA-20001: not 3\nORA-06512: at \"SCOTT.REFUSE\", line 2\n"
       "ORA-04088: error during execution of trigger 'SCOTT.REFUSE'"},
      {"BEGIN INSERT INTO t VALUES (1, 'a'); INSERT INTO t VALUES (3, 'c'); END;",
       "ORA-20001: not 3\nORA-06512: at \"SCOTT.REFUSE\", line 2\n"
       "ORA-04088: error during execution of trigger 'SCOTT.REFUSE'\nORA-06512: at line 1"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Try(c.sql), c.error) << c.sql;
    EXPECT_EQ(One("SELECT COUNT(*) FROM t"), "0") << c.sql;
    EXPECT_EQ(Log(), "") << c.sql;
  }
  // A failing statement trigger undoes the rows already changed.
  Exec("DROP TRIGGER refuse");
  Exec("CREATE TRIGGER refuse AFTER INSERT ON t BEGIN RAISE_APPLICATION_ERROR(-20002, 'after'); END;");
  EXPECT_EQ(Try("INSERT INTO t VALUES (1, 'a')").substr(0, 17), "ORA-20002: after\n");
  EXPECT_EQ(One("SELECT COUNT(*) FROM t"), "0");
  EXPECT_EQ(Log(), "");
}

TEST_F(EngineTriggers, RefusedWithOraclesErrors) {
  Exec("CREATE TRIGGER peek AFTER INSERT ON t FOR EACH ROW\n"
       "DECLARE n NUMBER;\n"
       "BEGIN\n"
       "  SELECT COUNT(*) INTO n FROM t;\n"
       "END;");
  EXPECT_EQ(Try("INSERT INTO t VALUES (1, 'a')"),
            "ORA-04091: table SCOTT.T is mutating, trigger/function may not see it\n"
            "ORA-06512: at \"SCOTT.PEEK\", line 3\n"
            "ORA-04088: error during execution of trigger 'SCOTT.PEEK'");
  Exec("DROP TRIGGER peek");
  // A statement trigger that fires itself ends at Oracle's nesting limit.
  Exec("CREATE TRIGGER again AFTER INSERT ON t BEGIN INSERT INTO t VALUES (1, 'again'); END;");
  const std::string runaway = Try("INSERT INTO t VALUES (1, 'a')");
  EXPECT_EQ(runaway.substr(0, runaway.find('\n')),
            "ORA-00036: maximum number of recursive SQL levels (50) exceeded");
  EXPECT_EQ(One("SELECT COUNT(*) FROM t"), "0");
  Exec("DROP TRIGGER again");
  const struct {
    const char *sql;
    const char *error;
  } cases[] = {
      {"CREATE TRIGGER x BEFORE INSERT ON nowhere BEGIN NULL; END;",
       "ORA-00942: table or view does not exist"},
      {"CREATE TRIGGER x BEFORE UPDATE OF nothing ON t BEGIN NULL; END;",
       "ORA-00904: NOTHING: invalid identifier"},
      {"CREATE TRIGGER x BEFORE INSERT ON t WHEN (1 = 1) BEGIN NULL; END;",
       "ORA-04077: WHEN clause cannot be used with table level triggers"},
      {"DROP TRIGGER nothing", "ORA-04080: trigger 'NOTHING' does not exist"},
      {"ALTER TRIGGER nothing ENABLE", "ORA-04080: trigger 'NOTHING' does not exist"},
  };
  for (const auto &c : cases) EXPECT_EQ(Try(c.sql), c.error) << c.sql;
  Exec("CREATE TRIGGER x BEFORE INSERT ON t BEGIN NULL; END;");
  EXPECT_EQ(Try("CREATE TRIGGER x BEFORE INSERT ON t BEGIN NULL; END;"),
            "ORA-04081: trigger 'SCOTT.X' already exists");
  Exec("CREATE OR REPLACE TRIGGER x BEFORE INSERT ON t BEGIN NULL; END;");
  // :NEW is read-only after the change.
  Exec("CREATE TRIGGER late_new AFTER INSERT ON t FOR EACH ROW BEGIN :NEW.v := 'late'; END;");
  EXPECT_EQ(Try("INSERT INTO t VALUES (1, 'a')").substr(0, 58),
            "ORA-04084: cannot change NEW values for this trigger type\n");
  // A column dropped since the trigger was made: the trigger is invalid
  // (it used to recurse until the stack ran out).
  Exec("DROP TRIGGER late_new");
  Exec("CREATE TRIGGER gone BEFORE INSERT ON t FOR EACH ROW BEGIN :NEW.v := UPPER(:NEW.v); END;");
  Exec("ALTER TABLE t DROP COLUMN v");
  const std::string invalid = Try("INSERT INTO t VALUES (1)");
  EXPECT_EQ(invalid.substr(0, invalid.find('\n')),
            "ORA-04098: trigger 'SCOTT.GONE' is invalid and failed re-validation");
}

TEST_F(EngineTriggers, BeforeRowTriggersAssignTheRowWritten) {
  Exec("CREATE TABLE k (id NUMBER(5) PRIMARY KEY, name VARCHAR2(6) NOT NULL, stamp DATE, "
       "note VARCHAR2(10) DEFAULT 'dflt')");
  Exec("ALTER SESSION SET FIXED_DATE = '2024-03-13-10:00:00'");
  Exec("CREATE TRIGGER k_key BEFORE INSERT ON k FOR EACH ROW\n"
       "BEGIN\n"
       "  IF :NEW.id IS NULL THEN :NEW.id := seq.NEXTVAL; END IF;\n"
       "  SELECT SYSDATE INTO :NEW.stamp FROM dual;\n"
       "END;");
  // A second trigger sees what the first assigned.
  Exec("CREATE TRIGGER k_name BEFORE INSERT OR UPDATE OF name ON k FOR EACH ROW\n"
       "BEGIN\n"
       "  :NEW.name := UPPER(:NEW.name) || CASE WHEN INSERTING THEN :NEW.id END;\n"
       "  INSERT INTO log VALUES (seq.NEXTVAL, :NEW.note);\n"
       "END;");
  const struct {
    const char *sql;
    const char *rows;  // id name stamp, by id
  } cases[] = {
      {"INSERT INTO k (name) VALUES ('ab')", "1 AB1 2024-03-13 dflt"},
      {"INSERT INTO k (name, id) SELECT 'c', NULL FROM dual UNION ALL SELECT 'd', 9 FROM dual",
       "1 AB1 2024-03-13 dflt|3 C3 2024-03-13 dflt|9 D9 2024-03-13 dflt"},
      {"UPDATE k SET name = 'xy', note = 'n' WHERE id = 9",
       "1 AB1 2024-03-13 dflt|3 C3 2024-03-13 dflt|9 XY 2024-03-13 n"},
      {"UPDATE k SET note = 'no name' WHERE id = 1",  // not OF name
       "1 AB1 2024-03-13 no name|3 C3 2024-03-13 dflt|9 XY 2024-03-13 n"},
      // A row-valued SET: each column its element of the subquery's row.
      {"UPDATE k SET (name, note) = (SELECT 'rv', 'row' FROM dual) WHERE id = 3",
       "1 AB1 2024-03-13 no name|3 RV 2024-03-13 row|9 XY 2024-03-13 n"},
      {"BEGIN INSERT INTO k (id, name) VALUES (20, 'pl'); END;",
       "1 AB1 2024-03-13 no name|3 RV 2024-03-13 row|9 XY 2024-03-13 n|20 PL20 2024-03-13 dflt"},
  };
  for (const auto &c : cases) {
    Exec(c.sql);
    std::string rows;
    for (const auto &r : s.Query("SELECT id || ' ' || name || ' ' || TO_CHAR(stamp, 'YYYY-MM-DD') || "
                                 "' ' || note FROM k ORDER BY id")) {
      rows += (rows.empty() ? "" : "|") + r[0].value_or("NULL");
    }
    EXPECT_EQ(rows, c.rows) << c.sql;
  }
  EXPECT_EQ(Log(), "dflt|dflt|dflt|n|row|dflt");
  EXPECT_EQ(Try("UPDATE k SET (name, note) = (SELECT 'a', 'b' FROM k)")
                .substr(0, 10),
            "ORA-01427:");
  // The assigned values are held to the columns as written values are.
  EXPECT_EQ(Try("INSERT INTO k (name) VALUES ('abcdef')").substr(0, 10), "ORA-06502:");
  EXPECT_EQ(One("SELECT COUNT(*) FROM k"), "4");
}

// MERGE's branches and each INTO of INSERT ALL / FIRST make their rows
// through the BEFORE ROW triggers too: a key from a sequence and an audit
// column, held to the columns' sizes, the statement's rows counted, and a
// trigger's error undoing the whole statement.
TEST_F(EngineTriggers, BeforeRowTriggersAssignMergeAndMultiInsertRows) {
  Exec("CREATE TABLE k (id NUMBER(5) PRIMARY KEY, name VARCHAR2(6) NOT NULL, stamp DATE, "
       "note VARCHAR2(10) DEFAULT 'dflt')");
  Exec("CREATE SEQUENCE k_seq START WITH 100");
  Exec("ALTER SESSION SET FIXED_DATE = '2024-03-13-10:00:00'");
  Exec("CREATE TRIGGER k_key BEFORE INSERT ON k FOR EACH ROW\n"
       "BEGIN\n"
       "  IF :NEW.id IS NULL THEN :NEW.id := k_seq.NEXTVAL; END IF;\n"
       "  :NEW.stamp := SYSDATE;\n"
       "  IF :NEW.name = 'bad' THEN RAISE_APPLICATION_ERROR(-20001, 'bad name'); END IF;\n"
       "END;");
  Exec("CREATE TRIGGER k_audit BEFORE UPDATE ON k FOR EACH ROW\n"
       "BEGIN\n"
       "  :NEW.note := :OLD.note || '>' || :NEW.name;\n"
       "  IF :NEW.name = 'bad' THEN RAISE_APPLICATION_ERROR(-20002, 'bad update'); END IF;\n"
       "END;");
  Logger("k_after", "AFTER INSERT OR UPDATE ON k FOR EACH ROW", "'row ' || :NEW.id || ' ' || :NEW.note");
  Logger("k_stmt", "BEFORE INSERT OR UPDATE ON k", "'statement'");
  const struct {
    const char *sql;
    ub4 count;
    const char *rows;  // id name stamp note, by id
    const char *log;   // by message, the after-row order being SQLite's
  } cases[] = {
      {"MERGE INTO k USING (SELECT 5 id, 'e' nm FROM dual UNION ALL SELECT NULL, 'f' FROM dual) s "
       "ON (k.id = s.id) WHEN MATCHED THEN UPDATE SET name = s.nm "
       "WHEN NOT MATCHED THEN INSERT (id, name) VALUES (s.id, s.nm)",
       2, "5 e 2024-03-13 dflt|100 f 2024-03-13 dflt", "row 100 dflt|row 5 dflt|statement|statement"},
      // The matched row goes through the UPDATE triggers, the other
      // through the INSERT ones; DEFAULT takes the column's default.
      {"MERGE INTO k USING (SELECT 5 id, 'g' nm FROM dual UNION ALL SELECT 7, 'h' FROM dual) s "
       "ON (k.id = s.id) WHEN MATCHED THEN UPDATE SET name = s.nm "
       "WHEN NOT MATCHED THEN INSERT VALUES (s.id, s.nm, NULL, DEFAULT)",
       2, "5 g 2024-03-13 dflt>g|7 h 2024-03-13 dflt|100 f 2024-03-13 dflt",
       "row 5 dflt>g|row 7 dflt|statement|statement"},
      {"INSERT ALL INTO k (name) VALUES (nm) INTO k (id, name, note) VALUES (n, nm, 'all') "
       "INTO log VALUES (0, 'plain ' || nm) SELECT 9 n, 'i' nm FROM dual",
       3, "5 g 2024-03-13 dflt>g|7 h 2024-03-13 dflt|9 i 2024-03-13 all|100 f 2024-03-13 dflt|"
          "101 i 2024-03-13 dflt",
       "plain i|row 101 dflt|row 9 all|statement"},
      // Without VALUES the subquery's columns go to the table's in order.
      {"INSERT FIRST WHEN n > 10 THEN INTO k (name, id) ELSE INTO log (msg, n) "
       "SELECT 'j' nm, NULL n FROM dual UNION ALL SELECT 'k', 11 FROM dual",
       2, "5 g 2024-03-13 dflt>g|7 h 2024-03-13 dflt|9 i 2024-03-13 all|11 k 2024-03-13 dflt|"
          "100 f 2024-03-13 dflt|101 i 2024-03-13 dflt",
       "j|row 11 dflt|statement"},
      // SET c = DEFAULT gives :NEW.c the column's default (none: NULL).
      {"MERGE INTO k USING (SELECT 7 id FROM dual) s ON (k.id = s.id) "
       "WHEN MATCHED THEN UPDATE SET name = 'm', stamp = DEFAULT",
       1, "5 g 2024-03-13 dflt>g|7 m  dflt>m|9 i 2024-03-13 all|11 k 2024-03-13 dflt|"
          "100 f 2024-03-13 dflt|101 i 2024-03-13 dflt",
       "row 7 dflt>m|statement"},
  };
  auto rows = [&] {
    std::string out;
    for (const auto &r : s.Query("SELECT id || ' ' || name || ' ' || TO_CHAR(stamp, 'YYYY-MM-DD') || "
                                 "' ' || note FROM k ORDER BY id")) {
      out += (out.empty() ? "" : "|") + r[0].value_or("NULL");
    }
    return out;
  };
  auto sortedLog = [&] {
    std::string out;
    for (const auto &r : s.Query("SELECT NVL(msg, 'NULL') FROM log ORDER BY msg")) {
      out += (out.empty() ? "" : "|") + r[0].value_or("NULL");
    }
    Exec("DELETE FROM log");
    return out;
  };
  for (const auto &c : cases) {
    OCIStmt *stmt = s.NewStatement();
    ASSERT_EQ(s.Run(c.sql, stmt), OCI_SUCCESS) << c.sql << ": " << s.ErrorText();
    ub4 count = 0;
    OCIAttrGet(stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, s.err);
    EXPECT_EQ(count, c.count) << c.sql;
    EXPECT_EQ(rows(), c.rows) << c.sql;
    EXPECT_EQ(sortedLog(), c.log) << c.sql;
  }
  const std::string before = rows();
  // A trigger's error, or a value too large for its column, mid-statement:
  // nothing of the statement stays, its triggers' writes neither.
  const struct {
    const char *sql;
    const char *error;
  } errors[] = {
      {"MERGE INTO k USING (SELECT 5 id, 'ok' nm FROM dual UNION ALL SELECT NULL, 'bad' FROM dual) s "
       "ON (k.id = s.id) WHEN MATCHED THEN UPDATE SET name = s.nm WHEN NOT MATCHED THEN INSERT (name) "
       "VALUES (s.nm)",
       "ORA-20001: bad name"},
      {"MERGE INTO k USING (SELECT 7 id, 'bad' nm FROM dual) s ON (k.id = s.id) "
       "WHEN MATCHED THEN UPDATE SET name = s.nm",
       "ORA-20002: bad update"},
      {"INSERT ALL INTO k (name) VALUES ('ok') INTO k (name) VALUES (nm) SELECT 'bad' nm FROM dual",
       "ORA-20001: bad name"},
      // Without VALUES the subquery's columns are held to the table's.
      {"INSERT ALL INTO k (name) VALUES ('ok') INTO log SELECT 'x', 'y' FROM dual",
       "ORA-01722: invalid number"},
      {"MERGE INTO k USING dual ON (k.id = 5) WHEN MATCHED THEN UPDATE SET name = 'toolong'",
       "ORA-12899: value too large for column \"SCOTT\".\"K\".\"NAME\" (actual: 7, maximum: 6)"},
      // The audit column the trigger sets is held to its size too.
      {"MERGE INTO k USING dual ON (k.id = 5) WHEN MATCHED THEN UPDATE SET name = 'sixsix'",
       "ORA-06502: PL/SQL: numeric or value error"},
  };
  for (const auto &e : errors) {
    EXPECT_EQ(Try(e.sql).substr(0, std::string(e.error).size()), e.error) << e.sql;
    EXPECT_EQ(rows(), before) << e.sql;
    EXPECT_EQ(sortedLog(), "") << e.sql;
  }
  // From PL/SQL: SQL%ROWCOUNT counts the rows of both branches.
  Exec("DECLARE n NUMBER; BEGIN\n"
       "  MERGE INTO k USING (SELECT 7 id FROM dual UNION ALL SELECT 8 FROM dual) s ON (k.id = s.id)\n"
       "    WHEN MATCHED THEN UPDATE SET name = 'm' WHEN NOT MATCHED THEN INSERT (id, name) VALUES (s.id, 'n');\n"
       "  n := SQL%ROWCOUNT;\n"
       "  INSERT INTO log VALUES (seq.NEXTVAL, 'count ' || n);\n"
       "END;");
  EXPECT_EQ(sortedLog(), "count 2|row 7 dflt>m>m|row 8 dflt|statement|statement");
}

// INSTEAD OF triggers make a view's DML theirs: once per row with :NEW
// and :OLD, the statement counting the rows they took over.
TEST_F(EngineTriggers, InsteadOfTriggersTakeOverAViewsDml) {
  Exec("CREATE TABLE dept (id NUMBER(4) PRIMARY KEY, name VARCHAR2(20))");
  Exec("INSERT INTO t VALUES (1, 'one')");
  Exec("INSERT INTO t VALUES (2, 'two')");
  Exec("CREATE VIEW tv AS SELECT t.id, t.v, d.name FROM t LEFT JOIN dept d ON d.id = t.id");
  // Without one the view refuses DML (Oracle would update a key-preserved
  // join view itself; the engine does not).
  EXPECT_EQ(Try("INSERT INTO tv (id, v) VALUES (3, 'x')"),
            "ORA-01732: data manipulation operation not legal on this view");
  Exec("CREATE TRIGGER tv_io INSTEAD OF INSERT OR UPDATE OR DELETE ON tv\n"
       "BEGIN\n"
       "  IF INSERTING THEN\n"
       "    INSERT INTO t VALUES (:NEW.id, :NEW.v);\n"
       "    INSERT INTO dept VALUES (:NEW.id, :NEW.name);\n"
       "  ELSIF UPDATING THEN\n"
       "    UPDATE t SET v = :NEW.v WHERE id = :OLD.id;\n"
       "  ELSE\n"
       "    DELETE FROM t WHERE id = :OLD.id;\n"
       "  END IF;\n"
       "  INSERT INTO log VALUES (seq.NEXTVAL, :OLD.v || '>' || :NEW.v);\n"
       "END;");
  auto count = [&](const std::string &sql) {
    OCIStmt *stmt = s.NewStatement();
    EXPECT_EQ(s.Run(sql, stmt), OCI_SUCCESS) << sql << ": " << s.ErrorText();
    ub4 rows = 0;
    OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, s.err);
    return rows;
  };
  EXPECT_EQ(count("INSERT INTO tv VALUES (3, 'three', 'D3')"), 1u);
  EXPECT_EQ(count("UPDATE tv SET v = upper(v) WHERE id <= 2"), 2u);
  EXPECT_EQ(count("DELETE FROM tv WHERE name IS NULL"), 2u);
  EXPECT_EQ(count("DELETE FROM tv WHERE id = 99"), 0u);
  EXPECT_EQ(s.Query("SELECT id, v, name FROM tv"),
            (Rows{{std::string("3"), std::string("three"), std::string("D3")}}));
  EXPECT_EQ(Log(), ">three|one>ONE|two>TWO|ONE>|TWO>");
  // From PL/SQL: SQL%ROWCOUNT counts them too.
  Exec("DECLARE n NUMBER; BEGIN UPDATE tv SET v = 'x'; n := SQL%ROWCOUNT; "
       "INSERT INTO log VALUES (seq.NEXTVAL, n); END;");
  EXPECT_EQ(Log(), "three>x|1");
  EXPECT_EQ(One("SELECT trigger_type || ' ' || base_object_type || ' ' || triggering_event FROM "
                "user_triggers WHERE trigger_name = 'TV_IO'"),
            "INSTEAD OF VIEW INSERT OR UPDATE OR DELETE");
  const struct {
    const char *sql;
    const char *error;
  } cases[] = {
      {"CREATE TRIGGER x INSTEAD OF INSERT ON t BEGIN NULL; END;",
       "ORA-25002: cannot create INSTEAD OF triggers on tables"},
      {"CREATE TRIGGER x BEFORE INSERT ON tv BEGIN NULL; END;",
       "ORA-25001: cannot create this trigger type on views"},
      {"CREATE TRIGGER x INSTEAD OF INSERT ON tv FOR EACH ROW WHEN (NEW.id > 0) BEGIN NULL; END;",
       "ORA-25004: WHEN clause is not allowed in INSTEAD OF triggers"},
      {"CREATE TRIGGER x INSTEAD OF INSERT ON nowhere BEGIN NULL; END;",
       "ORA-00942: table or view does not exist"},
  };
  for (const auto &c : cases) EXPECT_EQ(Try(c.sql), c.error) << c.sql;
  // A table rebuilt under the view keeps it; disabled, the view refuses
  // DML again; made again or dropped, the view loses it.
  Exec("ALTER TABLE t ADD (extra NUMBER)");
  Exec("ALTER TABLE t DROP COLUMN extra");
  EXPECT_EQ(count("DELETE FROM tv"), 1u);
  EXPECT_EQ(Log(), "x>");
  Exec("ALTER TRIGGER tv_io DISABLE");
  EXPECT_EQ(Try("DELETE FROM tv"), "ORA-01732: data manipulation operation not legal on this view");
  Exec("CREATE TRIGGER tv_del INSTEAD OF DELETE ON tv BEGIN NULL; END;");
  Exec("CREATE OR REPLACE VIEW tv AS SELECT id, v FROM t");
  EXPECT_EQ(One("SELECT COUNT(*) FROM user_triggers"), "0");
  Exec("CREATE TRIGGER tv_del INSTEAD OF DELETE ON tv BEGIN NULL; END;");
  Exec("DROP VIEW tv");
  EXPECT_EQ(One("SELECT COUNT(*) FROM user_triggers"), "0");
}

// A compound trigger's sections share its declarations for one
// statement: rows collected after each row are used after the statement,
// where reading the table is no longer ORA-04091.
TEST_F(EngineTriggers, CompoundTriggersShareStateAcrossSections) {
  Exec("CREATE TRIGGER t_sum FOR INSERT OR UPDATE ON t COMPOUND TRIGGER\n"
       "  TYPE ids_t IS TABLE OF NUMBER INDEX BY PLS_INTEGER;\n"
       "  ids ids_t;\n"
       "  n PLS_INTEGER := 0;\n"
       "  started VARCHAR2(10) := 'init';\n"
       "  total NUMBER;\n"
       "  last_id NUMBER;\n"
       "  BEFORE STATEMENT IS\n  BEGIN\n    started := 'before';\n  END BEFORE STATEMENT;\n"
       "  BEFORE EACH ROW IS\n  BEGIN\n"
       "    INSERT INTO log VALUES (seq.NEXTVAL, started || ' ' || :NEW.id);\n"
       "  END BEFORE EACH ROW;\n"
       "  AFTER EACH ROW IS\n  BEGIN\n    n := n + 1;\n    ids(n) := :NEW.id;\n  END AFTER EACH ROW;\n"
       "  AFTER STATEMENT IS\n  BEGIN\n"
       "    SELECT SUM(id) INTO total FROM t;\n"
       "    last_id := ids(n);\n"
       "    INSERT INTO log VALUES (seq.NEXTVAL, n || ' rows, last ' || last_id || ', sum ' || total);\n"
       "  END AFTER STATEMENT;\n"
       "END t_sum;");
  Exec("INSERT INTO t SELECT 1, 'a' FROM dual UNION ALL SELECT 2, 'b' FROM dual");
  EXPECT_EQ(Log(), "before 1|before 2|2 rows, last 2, sum 3");
  // The next statement starts from the declarations again.
  Exec("UPDATE t SET v = 'c' WHERE id = 2");
  EXPECT_EQ(Log(), "before 2|1 rows, last 2, sum 3");
  Exec("BEGIN INSERT INTO t VALUES (4, 'd'); END;");
  EXPECT_EQ(Log(), "before 4|1 rows, last 4, sum 7");
  Exec("DELETE FROM t");  // not its event
  EXPECT_EQ(Log(), "");
  EXPECT_EQ(One("SELECT trigger_type || ' ' || triggering_event FROM user_triggers WHERE "
                "trigger_name = 'T_SUM'"),
            "COMPOUND INSERT OR UPDATE");
  // A row section still may not read the mutating table; another session
  // that ran the old definition runs the new one.
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
  Session other(dir.CreateLink("t.db"));
  ASSERT_EQ(other.Run("INSERT INTO t VALUES (5, 'e')"), OCI_SUCCESS) << other.ErrorText();
  ASSERT_EQ(other.Commit(), OCI_SUCCESS);
  EXPECT_EQ(Log(), "before 5|1 rows, last 5, sum 5");
  Exec("CREATE OR REPLACE TRIGGER t_sum FOR INSERT ON t COMPOUND TRIGGER\n"
       "  c NUMBER;\n"
       "  AFTER EACH ROW IS BEGIN SELECT COUNT(*) INTO c FROM t; END AFTER EACH ROW;\n"
       "END;");
  EXPECT_EQ(Try("INSERT INTO t VALUES (1, 'a')").substr(0, 69),
            "ORA-04091: table SCOTT.T is mutating, trigger/function may not see it");
  ASSERT_EQ(s.Commit(), OCI_SUCCESS);
  EXPECT_EQ(other.Run("INSERT INTO t VALUES (1, 'a')"), OCI_ERROR);
  EXPECT_EQ(other.ErrorCode(), 4091) << other.ErrorText();
}

// A trigger's loop that never ends stops at OCIBreak, and its statement
// is undone.
TEST_F(EngineTriggers, BreakStopsARunawayTrigger) {
  Exec("CREATE TRIGGER spin AFTER INSERT ON t FOR EACH ROW DECLARE x PLS_INTEGER := 0; "
       "BEGIN LOOP x := x + 1; IF x > 1000 THEN x := 0; END IF; END LOOP; END;");
  std::thread breaker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(OCIBreak(s.svc, nullptr), OCI_SUCCESS);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(s.Run("INSERT INTO t VALUES (1, 'a')"), OCI_ERROR);
  breaker.join();
  EXPECT_EQ(s.ErrorCode(), 1013) << s.ErrorText();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(One("SELECT COUNT(*) FROM t"), "0");
}

TEST_F(EngineTriggers, EnableDisableAndDropWithTheTable) {
  Logger("a1", "AFTER INSERT ON t FOR EACH ROW", "'a1'");
  Logger("a2", "AFTER INSERT ON t", "'a2'");
  const struct {
    const char *ddl;
    const char *log;
    const char *status;
  } cases[] = {
      {"ALTER TRIGGER a1 DISABLE", "a2", "DISABLED ENABLED"},
      {"ALTER TABLE t DISABLE ALL TRIGGERS", "", "DISABLED DISABLED"},
      {"ALTER TABLE t ENABLE ALL TRIGGERS", "a1|a2", "ENABLED ENABLED"},
      {"ALTER TRIGGER a2 DISABLE", "a1", "ENABLED DISABLED"},
      {"ALTER TRIGGER a2 ENABLE", "a1|a2", "ENABLED ENABLED"},
  };
  for (const auto &c : cases) {
    Exec(c.ddl);
    Exec("INSERT INTO t VALUES (1, 'a')");
    EXPECT_EQ(Log(), c.log) << c.ddl;
    const Rows status = s.Query("SELECT status FROM user_triggers ORDER BY trigger_name");
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(*status[0][0] + " " + *status[1][0], c.status) << c.ddl;
  }
  Exec("CREATE TRIGGER d BEFORE DELETE ON t FOR EACH ROW DISABLE BEGIN NULL; END;");
  EXPECT_EQ(One("SELECT status FROM user_triggers WHERE trigger_name = 'D'"), "DISABLED");
  // A column added later reaches the body as :NEW.
  Exec("ALTER TABLE t ADD (w VARCHAR2(5))");
  Exec("CREATE OR REPLACE TRIGGER a1 AFTER INSERT ON t FOR EACH ROW BEGIN "
       "INSERT INTO log VALUES (seq.NEXTVAL, :NEW.w); END;");
  Exec("INSERT INTO t VALUES (1, 'a', 'w')");
  EXPECT_EQ(Log(), "w|a2");
  // TRUNCATE fires no DML trigger, and leaves them in place.
  Logger("gone", "AFTER DELETE ON t FOR EACH ROW", "'deleted'");
  Exec("TRUNCATE TABLE t");
  EXPECT_EQ(Log(), "");
  Exec("INSERT INTO t VALUES (1, 'a', 'x')");
  Exec("DELETE FROM t");
  EXPECT_EQ(Log(), "x|a2|deleted");
  Exec("DROP TABLE t");
  EXPECT_EQ(One("SELECT COUNT(*) FROM user_triggers"), "0");
  EXPECT_EQ(One("SELECT COUNT(*) FROM user_objects WHERE object_type = 'TRIGGER'"), "0");
  EXPECT_EQ(One("SELECT COUNT(*) FROM user_source WHERE type = 'TRIGGER'"), "0");
}

TEST_F(EngineTriggers, FixedDateIsWhatSysdateReturns) {
  const struct {
    const char *setting;
    const char *sysdate;
  } cases[] = {
      {"ALTER SESSION SET FIXED_DATE = '2024-03-13-10:30:00'", "2024-03-13 10:30:00"},
      {"ALTER SYSTEM SET FIXED_DATE = '2001-02-03-04:05:06'", "2001-02-03 04:05:06"},
      {"ALTER SESSION SET FIXED_DATE = '13-MAR-24'", "2024-03-13 00:00:00"},
  };
  for (const auto &c : cases) {
    Exec(c.setting);
    EXPECT_EQ(One("SELECT TO_CHAR(SYSDATE, 'YYYY-MM-DD HH24:MI:SS') FROM dual"), c.sysdate) << c.setting;
    EXPECT_EQ(One("SELECT TO_CHAR(SYSTIMESTAMP, 'YYYY-MM-DD HH24:MI:SS') FROM dual"), c.sysdate);
  }
  EXPECT_EQ(Try("ALTER SESSION SET FIXED_DATE = 'never'").substr(0, 4), "ORA-");
  EXPECT_EQ(Try("ALTER SYSTEM SET NLS_DATE_FORMAT = 'YYYY'"), "ORA-02065: illegal option for ALTER SYSTEM");
  Exec("ALTER SYSTEM SET FIXED_DATE = NONE");
  EXPECT_NE(One("SELECT TO_CHAR(SYSDATE, 'YYYY') FROM dual"), "2024");
}

// Oracle's own copy of HR's code loads and works: the job history kept by
// a row trigger calling a procedure, office hours kept by a statement
// trigger, SYSDATE fixed by FIXED_DATE.
TEST(EngineTriggerSamples, HumanResourcesCodeKeepsHistoryAndOfficeHours) {
  const std::filesystem::path dir = KESTREL_ORACLE_SAMPLES_DIR;
  if (!std::filesystem::exists(dir / "hr_code.sql")) GTEST_SKIP() << "no sample scripts at " << dir;
  TempDir temp;
  Session s(temp.CreateLink("hr.db"));
  ASSERT_TRUE(s.ok()) << s.ErrorText();
  for (const char *script : {"hr_create.sql", "hr_populate.sql", "hr_code.sql"}) {
    for (const std::string &sql : ScriptStatements(dir / script)) {
      EXPECT_EQ(s.Run(sql), OCI_SUCCESS) << sql << ": " << s.ErrorText();
    }
  }
  auto one = [&](const std::string &sql) {
    const Rows rows = s.Query(sql);
    return rows.empty() ? std::string("<none>") : rows[0][0].value_or("NULL");
  };
  EXPECT_EQ(one("SELECT status FROM user_triggers WHERE trigger_name = 'SECURE_EMPLOYEES'"), "DISABLED");
  ASSERT_EQ(s.Run("ALTER SESSION SET FIXED_DATE = '2024-03-16-10:00:00'"), OCI_SUCCESS);  // a Saturday
  // Disabled, the office-hours trigger lets DML pass; the job change is history.
  ASSERT_EQ(s.Run("UPDATE employees SET job_id = 'IT_PROG' WHERE employee_id = 100"), OCI_SUCCESS)
      << s.ErrorText();
  EXPECT_EQ(one("SELECT TO_CHAR(start_date, 'YYYY-MM-DD') || ' ' || TO_CHAR(end_date, 'YYYY-MM-DD') || "
                "' ' || job_id || ' ' || department_id FROM job_history WHERE employee_id = 100"),
            "2013-06-17 2024-03-16 AD_PRES 90");
  ASSERT_EQ(s.Run("ALTER TRIGGER secure_employees ENABLE"), OCI_SUCCESS) << s.ErrorText();
  const struct {
    const char *fixed;
    bool refused;
  } cases[] = {
      {"2024-03-16-10:00:00", true},   // Saturday
      {"2024-03-17-12:00:00", true},   // Sunday
      {"2024-03-13-07:59:00", true},   // Wednesday, before eight
      {"2024-03-13-18:01:00", true},   // after six
      {"2024-03-13-10:00:00", false},  // office hours
  };
  for (const auto &c : cases) {
    ASSERT_EQ(s.Run(std::string("ALTER SESSION SET FIXED_DATE = '") + c.fixed + "'"), OCI_SUCCESS);
    const sword rc = s.Run("UPDATE employees SET salary = salary + 1 WHERE employee_id = 101");
    if (!c.refused) {
      EXPECT_EQ(rc, OCI_SUCCESS) << c.fixed << ": " << s.ErrorText();
      continue;
    }
    EXPECT_EQ(rc, OCI_ERROR) << c.fixed;
    const std::string text = s.ErrorText();
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "ORA-20205: You may only make changes during normal office hours")
        << c.fixed;
    EXPECT_NE(text.find("ORA-04088: error during execution of trigger 'SCOTT.SECURE_EMPLOYEES'"),
              std::string::npos)
        << text;
  }
}

}  // namespace
