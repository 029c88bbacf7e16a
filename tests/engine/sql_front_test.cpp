// The Oracle SQL front end on its own: statements that parse (checked by
// their canonical print, which must parse back to the same print, and by
// their statement type) and statements that fail (Oracle's error number
// and the offending token's offset).
#include <string>

#include <gtest/gtest.h>

#include "sql/ast/Plsql.h"
#include "sql/ast/StatementType.h"
#include "sql/parse/Lexer.h"
#include "sql/parse/Parse.h"
#include "sql/print/Printer.h"

namespace {

using namespace kestrel_engine::sql;
using kestrel_engine::Action;

struct Good {
  const char *sql;
  const char *canonical;  // nullptr: the text itself is canonical
  int type;               // the OCI statement type
};

// clang-format off
const Good kGood[] = {
  // Select lists, aliases, quoted names, pseudo-columns
  {"select a, b as bee, c \"Mixed Case\", \"EMP\" from t",
   "SELECT A, B BEE, C \"Mixed Case\", EMP FROM T", 1},
  {"SELECT LEVEL, ROWNUM, ROWID, SYSDATE, USER, UID, SYSTIMESTAMP, \"Level\" FROM DUAL CONNECT BY LEVEL <= 10", nullptr, 1},
  {"SELECT DISTINCT A FROM T", nullptr, 1},
  {"SELECT \"FROM\", \"select\", \"A B\", \"A\".\"B\", \"_x\", \"ÄÖ\", äö FROM \"T\"",
   "SELECT \"FROM\", \"select\", \"A B\", A.B, \"_x\", ÄÖ, äö FROM T", 1},
  {"SELECT UNIQUE a FROM t", "SELECT DISTINCT A FROM T", 1},
  {"SELECT ALL T.*, E.ENAME FROM T, S.EMP E", nullptr, 1},
  // Literals of every quoting; binds
  {"SELECT q'[it's]', Q'{a}b}', q'!x!', N'abc', nq'<y>', 'a''b', '' FROM dual",
   "SELECT 'it''s', 'a}b', 'x', N'abc', N'y', 'a''b', '' FROM DUAL", 1},
  {"SELECT 1e10, 1.5E-3, .5, 2f, 3.5d, 10 FROM dual", "SELECT 1e10, 1.5E-3, .5, 2F, 3.5D, 10 FROM DUAL", 1},
  {"SELECT :name, :1, :\"Quoted\", :\"a-b\" FROM DUAL", "SELECT :name, :1, :Quoted, :\"a-b\" FROM DUAL", 1},
  {"SELECT /*+ FULL(t) */ a -- trailing\n FROM t /* c */", "SELECT A FROM T", 1},
  {"SELECT DATE '2024-01-01', TIMESTAMP '2024-01-01 10:00:00', INTERVAL '1 2:03:04.5' DAY TO SECOND(3), "
   "INTERVAL '5' YEAR(3), INTERVAL '1-2' YEAR TO MONTH, INTERVAL '10' SECOND(2, 3) FROM DUAL", nullptr, 1},
  // Operators and precedence
  {"SELECT a || b, -a * -b, - -1, (a + b) * c, a - (b - c), a / b * c, a + b || c FROM t",
   "SELECT A || B, -A * -B, - -1, (A + B) * C, A - (B - C), A / B * C, A + B || C FROM T", 1},
  {"SELECT * FROM T WHERE A = 1 AND (B = 2 OR C = 3) OR NOT D IS NULL AND E <> 1 AND F != 2 AND G ^= 3",
   "SELECT * FROM T WHERE A = 1 AND (B = 2 OR C = 3) OR NOT D IS NULL AND E <> 1 AND F <> 2 AND G <> 3", 1},
  {"SELECT * FROM T WHERE NOT (A = 1 OR B = 2)", nullptr, 1},
  {"SELECT * FROM T WHERE A LIKE 'x%' ESCAPE '\\' AND B NOT LIKE 'y' AND C LIKEC 'z' AND D BETWEEN 1 AND 2 "
   "AND E NOT BETWEEN 1 AND 2 AND F NOT IN (1, 2) AND G IN (SELECT F FROM U) AND EXISTS (SELECT 1 FROM V) "
   "AND NOT EXISTS (SELECT 1 FROM V) AND H = ANY (1, 2) AND I > ALL (SELECT I FROM W) AND J <= SOME (1) "
   "AND (A, B) IN ((1, 2), (3, 4)) AND K IS NOT JSON AND L IS JSON", 
   "SELECT * FROM T WHERE A LIKE 'x%' ESCAPE '\\' AND B NOT LIKE 'y' AND C LIKEC 'z' AND D BETWEEN 1 AND 2 "
   "AND E NOT BETWEEN 1 AND 2 AND F NOT IN (1, 2) AND G IN (SELECT F FROM U) AND EXISTS (SELECT 1 FROM V) "
   "AND NOT EXISTS (SELECT 1 FROM V) AND H = ANY (1, 2) AND I > ALL (SELECT I FROM W) AND J <= ANY (1) "
   "AND (A, B) IN ((1, 2), (3, 4)) AND K IS NOT JSON AND L IS JSON", 1},
  {"SELECT * FROM T WHERE A IN ((SELECT 1 FROM DUAL) UNION (SELECT 2 FROM DUAL))",
   "SELECT * FROM T WHERE A IN (SELECT 1 FROM DUAL UNION SELECT 2 FROM DUAL)", 1},
  {"SELECT ((SELECT 1 FROM dual) + 1) FROM dual", "SELECT (SELECT 1 FROM DUAL) + 1 FROM DUAL", 1},
  {"SELECT A FROM T INTERSECT ALL SELECT B FROM U MINUS ALL SELECT C FROM V EXCEPT ALL SELECT D FROM W",
   nullptr, 1},
  {"SELECT E.ENAME FROM EMP E, DEPT D WHERE E.DEPTNO = D.DEPTNO(+) AND E.X ( + ) = 1",
   "SELECT E.ENAME FROM EMP E, DEPT D WHERE E.DEPTNO = D.DEPTNO(+) AND E.X(+) = 1", 1},
  {"SELECT ts AT TIME ZONE 'UTC', ts AT LOCAL, ts AT TIME ZONE SESSIONTIMEZONE FROM t",
   "SELECT TS AT TIME ZONE 'UTC', TS AT LOCAL, TS AT TIME ZONE SESSIONTIMEZONE FROM T", 1},
  // Special functions
  {"SELECT CASE A WHEN 1 THEN 'one' ELSE 'other' END, CASE WHEN A > 1 THEN 'big' END, "
   "CAST(A AS NUMBER(10, 2)), CAST(B AS VARCHAR2(10 CHAR)), EXTRACT(YEAR FROM HIREDATE), "
   "TRIM(LEADING '0' FROM A), TRIM(A), TRIM(BOTH FROM A), TRIM('x' FROM A) FROM T", nullptr, 1},
  {"SELECT SEQ.NEXTVAL, S.SEQ.CURRVAL, UTL_RAW.CAST_TO_RAW('x'), F(A => 1, B => 2), REMOTE@link.example.com FROM DUAL", nullptr, 1},
  {"SELECT COUNT(*), COUNT(DISTINCT A), COUNT(ALL A), SUM(UNIQUE A), FIRST_VALUE(A IGNORE NULLS) OVER (ORDER BY B) FROM T",
   "SELECT COUNT(*), COUNT(DISTINCT A), COUNT(ALL A), SUM(DISTINCT A), FIRST_VALUE(A) IGNORE NULLS OVER (ORDER BY B) FROM T", 1},
  // Analytics
  {"SELECT RANK() OVER (PARTITION BY DEPTNO ORDER BY SAL DESC ROWS BETWEEN UNBOUNDED PRECEDING AND CURRENT ROW), "
   "SUM(SAL) OVER (ORDER BY HIREDATE RANGE 3 PRECEDING), AVG(X) OVER (), "
   "MAX(Y) OVER (PARTITION BY A, B ROWS BETWEEN 1 PRECEDING AND 2 FOLLOWING) FROM EMP", nullptr, 1},
  {"SELECT MAX(SAL) KEEP (DENSE_RANK FIRST ORDER BY HIREDATE), MIN(SAL) KEEP (DENSE_RANK LAST ORDER BY X) OVER (PARTITION BY D), "
   "LISTAGG(ENAME, ',') WITHIN GROUP (ORDER BY ENAME), "
   "LISTAGG(X, ', ' ON OVERFLOW TRUNCATE '...' WITH COUNT) WITHIN GROUP (ORDER BY Y), "
   "LISTAGG(X ON OVERFLOW ERROR) WITHIN GROUP (ORDER BY Y) FROM EMP", nullptr, 1},
  // JSON
  {"SELECT JSON_VALUE(DOC, '$.a' RETURNING NUMBER DEFAULT 0 ON ERROR NULL ON EMPTY), "
   "JSON_QUERY(DOC FORMAT JSON, '$.b' WITH CONDITIONAL WRAPPER), "
   "JSON_OBJECT(KEY 'a' VALUE 1, 'b' : 2, 'c' VALUE X FORMAT JSON ABSENT ON NULL RETURNING CLOB), "
   "JSON_ARRAY(1, 2 NULL ON NULL), JSON_ARRAYAGG(X ORDER BY Y RETURNING VARCHAR2(100)) FROM T "
   "WHERE JSON_EXISTS(DOC, '$.c' FALSE ON ERROR)",
   "SELECT JSON_VALUE(DOC, '$.a' RETURNING NUMBER DEFAULT 0 ON ERROR NULL ON EMPTY), "
   "JSON_QUERY(DOC FORMAT JSON, '$.b' WITH CONDITIONAL WRAPPER), "
   "JSON_OBJECT(KEY 'a' VALUE 1, KEY 'b' VALUE 2, KEY 'c' VALUE X FORMAT JSON ABSENT ON NULL RETURNING CLOB), "
   "JSON_ARRAY(1, 2 NULL ON NULL), JSON_ARRAYAGG(X ORDER BY Y RETURNING VARCHAR2(100)) FROM T "
   "WHERE JSON_EXISTS(DOC, '$.c' FALSE ON ERROR)", 1},
  {"SELECT JSON_OBJECT('a':1, 'b':col, 'c':\"Col\") FROM t",
   "SELECT JSON_OBJECT(KEY 'a' VALUE 1, KEY 'b' VALUE COL, KEY 'c' VALUE \"Col\") FROM T", 1},
  {"SELECT P.NAME, R.RATING FROM PRODUCTS P, JSON_TABLE(P.DETAILS, '$' COLUMNS (NESTED PATH '$.reviews[*]' "
   "COLUMNS (RATING INTEGER PATH '$.rating', REVIEW VARCHAR2(4000) PATH '$.review'), ID FOR ORDINALITY, "
   "J FORMAT JSON PATH '$.j', E EXISTS PATH '$.e')) R", nullptr, 1},
  // FROM clause
  {"SELECT * FROM emp e JOIN dept d ON e.deptno = d.deptno LEFT OUTER JOIN bonus b USING (ename) "
   "RIGHT JOIN r ON 1 = 1 FULL OUTER JOIN f ON 1 = 1 CROSS JOIN salgrade NATURAL JOIN x",
   "SELECT * FROM EMP E INNER JOIN DEPT D ON E.DEPTNO = D.DEPTNO LEFT JOIN BONUS B USING (ENAME) "
   "RIGHT JOIN R ON 1 = 1 FULL JOIN F ON 1 = 1 CROSS JOIN SALGRADE NATURAL JOIN X", 1},
  {"SELECT * FROM A INNER JOIN (B INNER JOIN C ON B.X = C.X) ON A.Y = B.Y", nullptr, 1},
  {"SELECT * FROM T@dblink, S.T X, (SELECT 1 FROM DUAL) V, LATERAL (SELECT 2 FROM DUAL) W, TABLE(F(1)) Z", nullptr, 1},
  {"SELECT * FROM (SELECT DEPTNO, SAL FROM EMP) PIVOT (SUM(SAL) TOTAL, COUNT(*) CNT FOR DEPTNO IN (10 AS D10, 20 AS D20)) P", nullptr, 1},
  {"SELECT * FROM SALES UNPIVOT INCLUDE NULLS (AMOUNT FOR QUARTER IN (Q1 AS 'Q1', Q2 AS 'Q2'))", nullptr, 1},
  {"SELECT * FROM S UNPIVOT ((A, B) FOR (X, Y) IN ((C1, C2) AS (1, 2)))", nullptr, 1},
  // Hierarchies, grouping
  {"SELECT ENAME, PRIOR ENAME, CONNECT_BY_ROOT ENAME FROM EMP START WITH MGR IS NULL "
   "CONNECT BY NOCYCLE PRIOR EMPNO = MGR ORDER SIBLINGS BY ENAME", nullptr, 1},
  {"SELECT A FROM T CONNECT BY PRIOR A = B START WITH A = 1", "SELECT A FROM T START WITH A = 1 CONNECT BY PRIOR A = B", 1},
  {"SELECT A FROM T HAVING COUNT(*) > 1 GROUP BY A", "SELECT A FROM T GROUP BY A HAVING COUNT(*) > 1", 1},
  {"SELECT DEPTNO, SUM(SAL) FROM EMP GROUP BY ROLLUP(DEPTNO, JOB), CUBE(A, (B, C)), GROUPING SETS((A, B), A, ()) "
   "HAVING COUNT(*) > 1", nullptr, 1},
  // Set operations and query tails
  {"SELECT A FROM T UNION ALL SELECT B FROM U MINUS (SELECT C FROM V INTERSECT SELECT D FROM W) EXCEPT SELECT E FROM X ORDER BY 1", nullptr, 1},
  {"(SELECT a FROM t ORDER BY a) UNION (SELECT b FROM u) ORDER BY 1",
   "(SELECT A FROM T ORDER BY A) UNION SELECT B FROM U ORDER BY 1", 1},
  {"SELECT * FROM t OFFSET 10 ROWS FETCH NEXT 5 ROWS ONLY", "SELECT * FROM T OFFSET 10 ROWS FETCH FIRST 5 ROWS ONLY", 1},
  {"SELECT * FROM T FETCH FIRST 10 PERCENT ROWS WITH TIES", nullptr, 1},
  {"SELECT * FROM t FETCH FIRST ROW ONLY", "SELECT * FROM T FETCH FIRST 1 ROWS ONLY", 1},
  {"SELECT * FROM T FOR UPDATE OF A, T.B SKIP LOCKED", nullptr, 1},
  {"SELECT * FROM T ORDER BY A FOR UPDATE WAIT 5", nullptr, 1},
  {"SELECT * FROM T FOR UPDATE NOWAIT", nullptr, 1},
  {"WITH R (N) AS (SELECT 1 FROM DUAL UNION ALL SELECT N + 1 FROM R WHERE N < 5) SEARCH DEPTH FIRST BY N SET ORD "
   "CYCLE N SET IS_CYCLE TO 'Y' DEFAULT 'N' SELECT N FROM R", nullptr, 1},
  {"WITH A AS (SELECT 1 X FROM DUAL), B AS (SELECT X FROM A) SELECT * FROM B ORDER BY X", nullptr, 1},
  {"(SELECT 1 FROM DUAL)", "SELECT 1 FROM DUAL", 1},
  {"WITH X AS (SELECT 1 A FROM DUAL) (SELECT A FROM X ORDER BY A) ORDER BY A DESC", nullptr, 1},
  {"WITH X AS (SELECT 1 A FROM DUAL) (WITH Y AS (SELECT 2 B FROM DUAL) SELECT B FROM Y)", nullptr, 1},
  {"SELECT 1 FROM DUAL;;", "SELECT 1 FROM DUAL", 1},
  // DML
  {"INSERT INTO T (A, B) VALUES (1, DEFAULT) RETURNING A, B INTO :x, :y", nullptr, 4},
  {"INSERT INTO T SELECT * FROM U", nullptr, 4},
  {"INSERT INTO S.T@link X VALUES (SEQ.NEXTVAL)", nullptr, 4},
  {"INSERT INTO (SELECT A FROM T) VALUES (1)", nullptr, 4},
  {"INSERT ALL INTO T (A) VALUES (1) INTO U VALUES (2) SELECT * FROM DUAL", nullptr, 4},
  {"INSERT FIRST WHEN A > 1 THEN INTO T VALUES (A) INTO T2 VALUES (A) WHEN A > 0 THEN INTO U VALUES (A) "
   "ELSE INTO V VALUES (A) SELECT A FROM W", nullptr, 4},
  {"UPDATE EMP E SET SAL = SAL * 1.1, (A, B) = (SELECT 1, 2 FROM DUAL), C = DEFAULT WHERE E.EMPNO = 1 RETURNING SAL INTO :s", nullptr, 2},
  {"DELETE emp e WHERE e.empno = 1 RETURN e.sal INTO :s", "DELETE FROM EMP E WHERE E.EMPNO = 1 RETURNING E.SAL INTO :s", 3},
  {"MERGE INTO T USING (SELECT * FROM S) SRC ON (T.ID = SRC.ID) WHEN MATCHED THEN UPDATE SET T.V = SRC.V "
   "WHERE T.V <> SRC.V DELETE WHERE T.V IS NULL WHEN NOT MATCHED THEN INSERT (ID, V) VALUES (SRC.ID, SRC.V) WHERE SRC.ID > 0", nullptr, 16},
  {"MERGE INTO T USING S ON (T.ID = S.ID) WHEN NOT MATCHED THEN INSERT VALUES (S.ID)", nullptr, 16},
  {"WITH X AS (SELECT 1 A FROM DUAL) INSERT INTO T SELECT A FROM X", nullptr, 4},
  {"WITH X AS (SELECT 1 A FROM DUAL) UPDATE T SET A = (SELECT A FROM X)", nullptr, 2},
  {"WITH X AS (SELECT 1 A FROM DUAL) DELETE FROM T WHERE A IN (SELECT A FROM X)", nullptr, 3},
  // CREATE TABLE
  {"CREATE TABLE T (ID NUMBER(10) CONSTRAINT T_PK PRIMARY KEY, NAME VARCHAR2(30 CHAR) NOT NULL, "
   "CREATED DATE DEFAULT SYSDATE, N NUMBER DEFAULT ON NULL SEQ.NEXTVAL, "
   "TOTAL NUMBER GENERATED ALWAYS AS (ID * 2) VIRTUAL, DEPT NUMBER REFERENCES DEPT (DEPTNO) ON DELETE CASCADE, "
   "CONSTRAINT T_UK UNIQUE (NAME), CONSTRAINT T_CK CHECK (ID > 0) DISABLE, "
   "FOREIGN KEY (DEPT) REFERENCES DEPT ON DELETE SET NULL DEFERRABLE INITIALLY DEFERRED)", nullptr, 5},
  {"CREATE TABLE t (v AS (a + 1), w NUMBER AS (2) VIRTUAL, x INTEGER DEFAULT 0 NOT NULL)",
   "CREATE TABLE T (V GENERATED ALWAYS AS (A + 1) VIRTUAL, W NUMBER GENERATED ALWAYS AS (2) VIRTUAL, "
   "X INTEGER DEFAULT 0 NOT NULL)", 5},
  {"CREATE TABLE T (ID INTEGER GENERATED BY DEFAULT ON NULL AS IDENTITY (START WITH 10 INCREMENT BY 5), "
   "I2 NUMBER GENERATED ALWAYS AS IDENTITY, I3 NUMBER GENERATED BY DEFAULT AS IDENTITY, "
   "X TIMESTAMP(6) WITH LOCAL TIME ZONE, T2 TIMESTAMP WITH TIME ZONE, Y INTERVAL DAY(3) TO SECOND(2), "
   "Z INTERVAL YEAR TO MONTH, W RAW(16), V NUMBER(*, 2), U FLOAT(10), D DOUBLE PRECISION, C CHAR(1 BYTE), "
   "B BLOB, L LONG RAW, N NVARCHAR2(5), NC NCHAR, CL CLOB, NCL NCLOB, BF BINARY_FLOAT, BD BINARY_DOUBLE, "
   "S SMALLINT, R REAL, DC DECIMAL(5, 2), BO BOOLEAN, RI ROWID, LO LONG, VC VARCHAR(3), NG NUMBER(5, -2))", nullptr, 5},
  {"CREATE TABLE t (a INT, b DEC(3), c NUMERIC, d CHARACTER VARYING(4)) TABLESPACE users PCTFREE 10 "
   "STORAGE (INITIAL 64K NEXT 1M) NOLOGGING ENABLE ROW MOVEMENT LOB (b) STORE AS SECUREFILE (CACHE)",
   "CREATE TABLE T (A INTEGER, B DECIMAL(3), C DECIMAL, D VARCHAR2(4))", 5},
  {"CREATE TABLE COUNTRIES (COUNTRY_ID CHAR(2) CONSTRAINT COUNTRY_ID_NN NOT NULL, "
   "CONSTRAINT COUNTRY_C_ID_PK PRIMARY KEY (COUNTRY_ID) USING INDEX TABLESPACE USERS ENABLE) ORGANIZATION INDEX",
   "CREATE TABLE COUNTRIES (COUNTRY_ID CHAR(2) CONSTRAINT COUNTRY_ID_NN NOT NULL, "
   "CONSTRAINT COUNTRY_C_ID_PK PRIMARY KEY (COUNTRY_ID) ENABLE)", 5},
  {"CREATE TABLE t (a NUMBER, b CLOB) PARTITION BY RANGE (a) (PARTITION p1 VALUES LESS THAN (10), "
   "PARTITION p2 VALUES LESS THAN (MAXVALUE)) LOB (b) STORE AS SECUREFILE seg (TABLESPACE x ENABLE STORAGE IN ROW)",
   "CREATE TABLE T (A NUMBER, B CLOB)", 5},
  {"CREATE TABLE T (A NUMBER CONSTRAINT PK PRIMARY KEY USING INDEX (CREATE UNIQUE INDEX PK_I ON T (A)), B NUMBER)",
   "CREATE TABLE T (A NUMBER CONSTRAINT PK PRIMARY KEY, B NUMBER)", 5},
  {"CREATE TABLE T2 AS SELECT * FROM T", nullptr, 5},
  {"CREATE TABLE T3 (A, B) TABLESPACE X AS SELECT 1, 2 FROM DUAL", "CREATE TABLE T3 (A, B) AS SELECT 1, 2 FROM DUAL", 5},
  {"CREATE GLOBAL TEMPORARY TABLE G (A NUMBER) ON COMMIT PRESERVE ROWS", nullptr, 5},
  // ALTER TABLE
  {"ALTER TABLE T ADD (C NUMBER, CONSTRAINT PK PRIMARY KEY (C))", "ALTER TABLE T ADD (C NUMBER) ADD (CONSTRAINT PK PRIMARY KEY (C))", 7},
  {"ALTER TABLE T ADD CONSTRAINT FK FOREIGN KEY (A) REFERENCES U (B)", "ALTER TABLE T ADD (CONSTRAINT FK FOREIGN KEY (A) REFERENCES U (B))", 7},
  {"ALTER TABLE T ADD D DATE DEFAULT SYSDATE", "ALTER TABLE T ADD (D DATE DEFAULT SYSDATE)", 7},
  {"ALTER TABLE T MODIFY (C VARCHAR2(10) DEFAULT 'x' NOT NULL)", nullptr, 7},
  {"ALTER TABLE T MODIFY C NULL", "ALTER TABLE T MODIFY (C NULL)", 7},
  {"ALTER TABLE T MODIFY CONSTRAINT PK DISABLE NOVALIDATE", nullptr, 7},
  {"ALTER TABLE T DROP COLUMN C", "ALTER TABLE T DROP (C)", 7},
  {"ALTER TABLE T DROP (C, D) CASCADE CONSTRAINTS", nullptr, 7},
  {"ALTER TABLE T DROP CONSTRAINT PK CASCADE", nullptr, 7},
  {"ALTER TABLE T DROP PRIMARY KEY", nullptr, 7},
  {"ALTER TABLE T DROP UNIQUE (A, B) KEEP INDEX", "ALTER TABLE T DROP UNIQUE (A, B)", 7},
  {"ALTER TABLE T RENAME COLUMN A TO B RENAME CONSTRAINT C TO D", nullptr, 7},
  {"ALTER TABLE T RENAME TO U", nullptr, 7},
  {"ALTER TABLE T ENABLE CONSTRAINT PK DISABLE NOVALIDATE CONSTRAINT FK ENABLE PRIMARY KEY", nullptr, 7},
  {"ALTER TABLE PRODUCTS MODIFY PRODUCT_ID GENERATED BY DEFAULT ON NULL AS IDENTITY (START WITH LIMIT VALUE)",
   "ALTER TABLE PRODUCTS MODIFY (PRODUCT_ID GENERATED BY DEFAULT ON NULL AS IDENTITY (START WITH LIMIT VALUE))", 7},
  {"ALTER TABLE T ENABLE ROW MOVEMENT", nullptr, 7},
  // Other schema objects
  {"TRUNCATE TABLE T", nullptr, 0},
  {"DROP TABLE T CASCADE CONSTRAINTS PURGE", nullptr, 6},
  {"DROP VIEW V", nullptr, 6},
  {"DROP INDEX S.I", nullptr, 6},
  {"DROP SEQUENCE S", nullptr, 6},
  {"DROP PUBLIC SYNONYM S", nullptr, 6},
  {"DROP PACKAGE BODY P", nullptr, 6},
  {"CREATE OR REPLACE FORCE VIEW V (A, B) AS SELECT 1, 2 FROM DUAL WITH READ ONLY", nullptr, 5},
  {"CREATE VIEW V AS SELECT * FROM T WITH CHECK OPTION CONSTRAINT V_CK", nullptr, 5},
  {"CREATE OR REPLACE NOFORCE EDITIONABLE VIEW V AS (SELECT 1 X FROM DUAL)", "CREATE OR REPLACE VIEW V AS SELECT 1 X FROM DUAL", 5},
  {"CREATE UNIQUE INDEX I ON T (A, UPPER(B) DESC) TABLESPACE USERS COMPUTE STATISTICS",
   "CREATE UNIQUE INDEX I ON T (A, UPPER(B) DESC)", 5},
  {"CREATE BITMAP INDEX I ON T (A)", nullptr, 5},
  {"CREATE SEQUENCE S START WITH 1 INCREMENT BY -1 MINVALUE -100 MAXVALUE 100 CYCLE CACHE 20 ORDER", nullptr, 5},
  {"ALTER SEQUENCE S NOMAXVALUE NOMINVALUE NOCYCLE NOCACHE NOORDER RESTART",
   "ALTER SEQUENCE S NOMINVALUE NOMAXVALUE NOCYCLE NOCACHE NOORDER RESTART", 7},
  {"COMMENT ON TABLE T IS 'a table'", nullptr, 0},
  {"COMMENT ON COLUMN HR.T.C IS 'it''s'", nullptr, 0},
  {"CREATE OR REPLACE PUBLIC SYNONYM S FOR HR.T@link", nullptr, 5},
  {"CREATE SYNONYM S FOR T", nullptr, 5},
  // Transactions, sessions, accounts, blocks
  {"COMMIT WORK", "COMMIT", 21},
  {"COMMIT COMMENT 'x' WRITE NOWAIT", "COMMIT", 21},
  {"ROLLBACK", nullptr, 17},
  {"ROLLBACK WORK TO b", "ROLLBACK TO SAVEPOINT B", 17},
  {"SAVEPOINT A", nullptr, 0},
  {"ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY-MM-DD' NLS_LANGUAGE = AMERICAN TIME_ZONE = '+01:00'", nullptr, 7},
  {"CREATE USER scott IDENTIFIED BY tiger DEFAULT TABLESPACE users QUOTA UNLIMITED ON users",
   "CREATE USER SCOTT IDENTIFIED BY tiger", 5},
  {"ALTER USER SCOTT IDENTIFIED BY \"Secret\"", nullptr, 7},
  {"DROP USER U CASCADE", nullptr, 6},
  {"BEGIN NULL; END;", nullptr, 8},
  {"DECLARE x NUMBER; BEGIN NULL; END;", "DECLARE X NUMBER; BEGIN NULL; END;", 9},
  {"CREATE OR REPLACE PROCEDURE p IS BEGIN NULL; END;", "CREATE OR REPLACE PROCEDURE P IS BEGIN NULL; END;", 5},
  {"ALTER TRIGGER t DISABLE", "ALTER TRIGGER T DISABLE", 7},
  // PL/SQL: declarations
  {"declare\n  c constant pls_integer := 10;\n  n number(5,2) not null default 0;\n  b boolean := true;\n"
   "  s varchar2(30 char);\n  e emp.ename%type;\n  r emp%rowtype;\n  bi binary_integer;\n  oops exception;\n"
   "  pragma exception_init(oops, -20001);\nbegin\n  null;\nend;",
   "DECLARE C CONSTANT PLS_INTEGER := 10; N NUMBER(5, 2) NOT NULL DEFAULT 0; B BOOLEAN := TRUE; "
   "S VARCHAR2(30 CHAR); E EMP.ENAME%TYPE; R EMP%ROWTYPE; BI BINARY_INTEGER; OOPS EXCEPTION; "
   "PRAGMA EXCEPTION_INIT (OOPS, -20001); BEGIN NULL; END;", 9},
  {"DECLARE TYPE R IS RECORD (A NUMBER NOT NULL := 1, B VARCHAR2(10)); TYPE T IS TABLE OF R INDEX BY PLS_INTEGER; "
   "TYPE M IS TABLE OF NUMBER INDEX BY VARCHAR2(64); TYPE N IS TABLE OF VARCHAR2(10) NOT NULL; "
   "TYPE V IS VARRAY(10) OF DATE; TYPE C IS REF CURSOR RETURN EMP%ROWTYPE; SUBTYPE S IS NUMBER NOT NULL; "
   "CURSOR C1 (P_DEPT NUMBER, P_MIN NUMBER DEFAULT 0) IS SELECT * FROM EMP WHERE DEPTNO = P_DEPT; "
   "CURSOR C2 RETURN EMP%ROWTYPE; PRAGMA AUTONOMOUS_TRANSACTION; "
   "PROCEDURE LOG (MSG IN VARCHAR2, N OUT NOCOPY NUMBER, X IN OUT T); "
   "FUNCTION F (A NUMBER := 1) RETURN NUMBER DETERMINISTIC IS BEGIN RETURN A * 2; END F; "
   "PROCEDURE LOG (MSG IN VARCHAR2, N OUT NOCOPY NUMBER, X IN OUT T) IS BEGIN NULL; END; BEGIN NULL; END;", nullptr, 9},
  // Statements: assignment targets, calls, control flow
  {"begin x := 1; r.f := 'a'; t(i) := t(i - 1) + 1; t(i).f := 2; :b := x; pkg.p(1, b => 2); p; t.delete; "
   "t.delete(3); end;",
   "BEGIN X := 1; R.F := 'a'; T(I) := T(I - 1) + 1; T(I).F := 2; :b := X; PKG.P(1, B => 2); P; T.DELETE; "
   "T.DELETE(3); END;", 8},
  {"BEGIN IF A > 1 THEN NULL; ELSIF A IS NULL OR NOT B THEN X := 1; ELSE X := 2; END IF; "
   "CASE X WHEN 1 THEN NULL; WHEN 2 THEN NULL; ELSE NULL; END CASE; CASE WHEN X > 1 THEN NULL; END CASE; "
   "X := CASE WHEN B THEN 1 ELSE 0 END; END;", nullptr, 8},
  {"<<OUTER>> DECLARE I PLS_INTEGER := 0; BEGIN <<L>> LOOP I := I + 1; EXIT L WHEN I > 10; CONTINUE WHEN MOD(I, 2) = 0; "
   "EXIT; END LOOP L; WHILE I > 0 LOOP I := I - 1; END LOOP; FOR J IN 1 .. 10 LOOP NULL; END LOOP; "
   "FOR J IN REVERSE LO + 1 .. F(HI) LOOP GOTO DONE; END LOOP; FOR R IN (SELECT * FROM EMP) LOOP NULL; END LOOP; "
   "FOR R IN C1(10) LOOP NULL; END LOOP; FOR R IN C2 LOOP NULL; END LOOP; <<DONE>> NULL; END OUTER;", nullptr, 9},
  {"begin for i in 1..n loop null; end loop; end;", "BEGIN FOR I IN 1 .. N LOOP NULL; END LOOP; END;", 8},
  {"BEGIN X := -A ** 2 + (-A) ** 2 + A ** -B + A ** B ** C + (A ** B) ** C + 2 * A ** 2; END;", nullptr, 8},
  // SQL inside blocks; cursors; dynamic SQL; transactions
  {"BEGIN SELECT ENAME, SAL INTO V_NAME, V_SAL FROM EMP WHERE EMPNO = P_ID; "
   "SELECT ENAME BULK COLLECT INTO NAMES FROM EMP; "
   "INSERT INTO T (A) VALUES (V) RETURNING ID INTO V_ID; UPDATE T SET A = A + 1 WHERE B = V RETURNING A BULK COLLECT INTO AS_; "
   "DELETE FROM T WHERE A = :NEW.A; UPDATE T SET A = 1 WHERE CURRENT OF C; MERGE INTO T USING S ON (T.A = S.A) WHEN MATCHED THEN UPDATE SET T.B = S.B; "
   "COMMIT; SAVEPOINT SP; ROLLBACK TO SAVEPOINT SP; ROLLBACK; END;",
   "BEGIN SELECT ENAME, SAL INTO V_NAME, V_SAL FROM EMP WHERE EMPNO = P_ID; "
   "SELECT ENAME BULK COLLECT INTO NAMES FROM EMP; "
   "INSERT INTO T (A) VALUES (V) RETURNING ID INTO V_ID; UPDATE T SET A = A + 1 WHERE B = V RETURNING A BULK COLLECT INTO AS_; "
   "DELETE FROM T WHERE A = :NEW.A; UPDATE T SET A = 1 WHERE CURRENT OF C; MERGE INTO T USING S ON (T.A = S.A) WHEN MATCHED THEN UPDATE SET T.B = S.B; "
   "COMMIT; SAVEPOINT SP; ROLLBACK TO SAVEPOINT SP; ROLLBACK; END;", 8},
  {"BEGIN OPEN C1(10); OPEN C2; FETCH C1 INTO V_A, V_B; FETCH C2 BULK COLLECT INTO T LIMIT 100; CLOSE C1; "
   "OPEN RC FOR SELECT * FROM EMP; OPEN RC FOR 'SELECT * FROM T WHERE A = :1' USING X; "
   "EXIT WHEN C1%NOTFOUND OR C1%ROWCOUNT > 5 OR NOT C2%ISOPEN OR SQL%FOUND; "
   "EXECUTE IMMEDIATE 'TRUNCATE TABLE T'; EXECUTE IMMEDIATE S INTO A, B USING IN X, OUT Y, IN OUT Z; "
   "EXECUTE IMMEDIATE S BULK COLLECT INTO T USING X; EXECUTE IMMEDIATE S USING X RETURNING INTO Y; "
   "FORALL I IN 1 .. T.COUNT SAVE EXCEPTIONS INSERT INTO U VALUES (T(I)); X := SQL%ROWCOUNT; "
   "FORALL I IN INDICES OF T BETWEEN 2 AND 3 DELETE FROM U WHERE A = T(I); "
   "FORALL I IN VALUES OF IDX UPDATE U SET A = 0 WHERE B = T(I); "
   "INSERT INTO T VALUES R; INSERT INTO T VALUES RS(I); UPDATE T SET ROW = R WHERE ID = R.ID; END;", nullptr, 8},
  {"BEGIN WITH C AS (SELECT 1 A FROM DUAL) SELECT (SELECT 2 FROM DUAL), A INTO X, Y FROM C; END;", nullptr, 8},
  // Exceptions and PL/SQL expressions
  {"BEGIN IF T.EXISTS(I) AND T.NEXT(I) IS NULL AND T.FIRST = 1 AND B = FALSE THEN RAISE OOPS; END IF; "
   "IF INSERTING OR UPDATING('SAL') OR DELETING THEN NULL; END IF; "
   "RAISE_APPLICATION_ERROR(-20205, 'No'); EXCEPTION WHEN NO_DATA_FOUND OR TOO_MANY_ROWS THEN RAISE; "
   "WHEN PKG.ERR THEN NULL; WHEN OTHERS THEN LOG(SQLCODE, SQLERRM); RETURN; END;", nullptr, 8},
  {"BEGIN BEGIN NULL; EXCEPTION WHEN OTHERS THEN NULL; END; DECLARE X NUMBER; BEGIN NULL; END; "
   "<<INNER>> BEGIN NULL; END INNER; END;", nullptr, 8},
  // Stored code
  {"create or replace editionable function f(p_a in number, p_b varchar2 default 'x') return number "
   "authid current_user deterministic pipelined parallel_enable result_cache as v number; begin return p_a; end f;",
   "CREATE OR REPLACE EDITIONABLE FUNCTION F (P_A IN NUMBER, P_B VARCHAR2 DEFAULT 'x') RETURN NUMBER "
   "AUTHID CURRENT_USER DETERMINISTIC PIPELINED PARALLEL_ENABLE RESULT_CACHE IS V NUMBER; BEGIN RETURN P_A; END F;", 5},
  {"CREATE PACKAGE HR.EMP_PKG AUTHID DEFINER IS G_COUNT PLS_INTEGER := 0; C_MAX CONSTANT NUMBER := 10; "
   "PROCEDURE HIRE (P_NAME VARCHAR2); FUNCTION COUNT_ RETURN NUMBER; END EMP_PKG;", nullptr, 5},
  {"CREATE OR REPLACE PACKAGE BODY EMP_PKG IS PROCEDURE HIRE (P_NAME VARCHAR2) IS BEGIN G_COUNT := G_COUNT + 1; END; "
   "FUNCTION COUNT_ RETURN NUMBER IS BEGIN RETURN G_COUNT; END; BEGIN G_COUNT := 0; END EMP_PKG;", nullptr, 5},
  {"CREATE PACKAGE BODY P IS X NUMBER; END;", nullptr, 5},
  {"CREATE OR REPLACE TRIGGER BI_EMP BEFORE INSERT OR UPDATE OF SAL, COMM OR DELETE ON HR.EMP "
   "REFERENCING OLD AS O NEW AS N FOR EACH ROW ENABLE WHEN (N.SAL > 0) "
   "BEGIN IF :N.ID IS NULL THEN :N.ID := EMP_SEQ.NEXTVAL; END IF; :N.UPDATED := SYSDATE; END;", nullptr, 5},
  {"CREATE TRIGGER T INSTEAD OF INSERT ON V DECLARE X NUMBER; BEGIN NULL; END;", nullptr, 5},
  {"CREATE TRIGGER T FOR INSERT OR UPDATE ON EMP COMPOUND TRIGGER N PLS_INTEGER := 0; "
   "BEFORE STATEMENT IS BEGIN N := 0; END BEFORE STATEMENT; AFTER EACH ROW IS BEGIN N := N + 1; "
   "END AFTER EACH ROW; END T;", nullptr, 5},
  {"ALTER PROCEDURE P COMPILE", nullptr, 7},
  {"ALTER PACKAGE P COMPILE BODY DEBUG", nullptr, 7},
  {"ALTER FUNCTION S.F COMPILE REUSE SETTINGS", "ALTER FUNCTION S.F COMPILE", 7},
  {"ALTER TRIGGER T ENABLE", nullptr, 7},
  {"DROP PACKAGE BODY P", nullptr, 6},
  {"call pkg.p(1, :b)", "CALL PKG.P(1, :b)", 10},
  {"CALL F() INTO :R", "CALL F() INTO :R", 10},
  // TRUE stays a name outside PL/SQL
  {"SELECT TRUE FROM T", nullptr, 1},
};

struct Bad {
  const char *sql;
  int code;
  uint32_t offset;
};

const Bad kBad[] = {
  {"", 900, 0},
  {"FOO BAR", 900, 0},
  {"SELECT a b c FROM t", 923, 11},
  {"SELECT 1", 923, 8},
  {"SELECT a AS FROM t", 923, 12},
  {"SELECT FROM t", 936, 7},
  {"SELECT * FROM t WHERE", 936, 21},
  {"SELECT * FROM t WHERE a = 1 AND", 936, 31},
  {"SELECT * FROM t t2 t3", 933, 19},
  {"SELECT * FROM t AS x", 933, 16},
  {"SELECT 1 FROM dual)", 933, 18},
  {"SELECT 1 FROM dual UNION SELECT 2", 923, 33},
  {"SELECT (1 FROM dual", 907, 10},
  {"SELECT SUM(a FROM t", 907, 13},
  {"SELECT SUM(a IGNORE NULLS) FROM t", 907, 13},
  {"INSERT INTO t SELECT * FROM u RETURNING a INTO :a", 933, 30},
  {"SELECT * FROM t WHERE a IN (1, 2", 907, 32},
  {"SELECT * FROM t WHERE a IN 1", 906, 27},
  {"SELECT CAST(a NUMBER) FROM t", 905, 14},
  {"SELECT CASE WHEN 1 THEN 2 FROM dual", 905, 26},
  {"SELECT * FROM a JOIN b", 905, 22},
  {"SELECT * FROM t WHERE a IS FOO", 905, 27},
  {"SELECT * FROM t GROUP a", 924, 22},
  {"SELECT * FROM t ORDER a", 924, 22},
  {"SELECT * FROM", 903, 13},
  {"SELECT * FROM t@", 931, 16},
  {"SELECT 'abc FROM dual", 1756, 7},
  {"SELECT q'[abc' FROM dual", 1756, 7},
  {"SELECT \"abc FROM dual", 1740, 7},
  {"SELECT \"\" FROM dual", 1741, 7},
  {"SELECT 1 FROM dual WHERE a = ?", 911, 29},
  {"SELECT 1 FROM dual WHERE a = &x", 911, 29},
  {"SELECT 1 FROM dual /* open", 1742, 19},
  {"INSERT INTO t (a b) VALUES (1, 2)", 917, 17},
  {"INSERT INTO t VALUES (1 2)", 917, 24},
  {"INSERT INTO t (a) SELEC 1 FROM dual", 926, 18},
  {"INSERT t VALUES (1)", 925, 7},
  {"INSERT FIRST INTO t VALUES (1) SELECT 1 FROM dual", 905, 13},
  {"UPDATE t SET a 1", 927, 15},
  {"UPDATE t SET (a, b) = 1", 906, 22},
  {"MERGE INTO t USING s ON t.a = s.a WHEN MATCHED THEN UPDATE SET a = 1", 906, 24},
  {"MERGE INTO t USING s ON (t.a = s.a)", 905, 35},
  {"DELETE FROM t WHERE", 936, 19},
  {"CREATE TABLE t (a VARCHAR2)", 906, 26},
  {"CREATE TABLE t (a FOO)", 902, 18},
  {"CREATE TABLE t (a)", 902, 17},
  {"CREATE TABLE select (a NUMBER)", 903, 13},
  {"CREATE TABLE t (select NUMBER)", 904, 16},
  {"CREATE TABLE t (a NUMBER", 907, 24},
  {"CREATE TABLE t (a NUMBER b NUMBER)", 907, 25},
  {"CREATE FOO", 901, 7},
  {"ALTER TABLE t FOO", 1735, 14},
  {"ALTER FOO", 940, 6},
  {"DROP FOO x", 950, 5},
  {"COMMENT ON TABLE t IS 5", 936, 22},
  {"CREATE VIEW v AS UPDATE t SET a = 1", 928, 17},
  {"CREATE INDEX i t (a)", 969, 15},
  // PL/SQL: ORA-06550 at the offending symbol (PLS-00103 or the SQL error)
  {"BEGIN END;", 6550, 6},
  {"BEGIN NULL; END", 6550, 15},
  {"BEGIN NULL END;", 6550, 11},
  {"BEGIN x = 1; END;", 6550, 8},
  {"BEGIN IF x THEN NULL; END; END;", 6550, 25},
  {"DECLARE c CONSTANT NUMBER; BEGIN NULL; END;", 6550, 25},
  {"BEGIN LOOP NULL; END IF; END;", 6550, 21},
  {"BEGIN SELECT * INTO FROM t; END;", 6550, 20},
  {"BEGIN NULL; END; SELECT 1 FROM dual", 6550, 17},
  {"CREATE PROCEDURE p;", 6550, 18},
  {"CREATE TRIGGER t ON emp BEGIN NULL; END;", 6550, 17},
  {"BEGIN IF x NULL; END IF; END;", 6550, 11},
  {"BEGIN LOOP NULL; END; END;", 6550, 20},
  {"BEGIN FOR i 1 .. 2 LOOP NULL; END LOOP; END;", 6550, 12},
  {"BEGIN FOR r IN REVERSE c LOOP NULL; END LOOP; END;", 6550, 25},
  {"BEGIN CASE x END CASE; END;", 6550, 13},
  {"BEGIN NULL; EXCEPTION NULL; END;", 6550, 22},
  {"DECLARE TYPE t IS TABLE NUMBER; BEGIN NULL; END;", 6550, 24},
  {"DECLARE CURSOR c IS UPDATE t SET a = 1; BEGIN NULL; END;", 6550, 20},
  {"BEGIN FETCH c x; END;", 6550, 14},
  {"BEGIN EXECUTE 'x'; END;", 6550, 14},
  {"BEGIN 1; END;", 6550, 6},
  {"BEGIN 'a' := 1; END;", 6550, 6},
  {"BEGIN x := ; END;", 6550, 11},
  {"BEGIN x.y(1) + 1; END;", 6550, 13},
  {"CREATE TRIGGER t INSERT ON x BEGIN NULL; END;", 6550, 17},
  {"CREATE TRIGGER t BEFORE ON x BEGIN NULL; END;", 6550, 24},
  {"CREATE TRIGGER t BEFORE INSERT ON x REFERENCING FOR EACH ROW BEGIN NULL; END;", 6550, 48},
  {"CREATE TRIGGER t FOR INSERT ON x COMPOUND TRIGGER BEFORE STATEMENT IS BEGIN NULL; END AFTER "
   "STATEMENT; END;", 6550, 101},
  {"CREATE TRIGGER t FOR INSERT ON x COMPOUND TRIGGER END;", 6550, 50},
  {"CREATE PACKAGE p IS x NUMBER; BEGIN NULL; END;", 6550, 30},
  {"CREATE FUNCTION f IS BEGIN NULL; END;", 6550, 18},
  {"CREATE PROCEDURE p (a OUT IN NUMBER) IS BEGIN NULL; END;", 6550, 26},
  {"BEGIN FORALL i IN 1 .. 2 LOOP NULL; END LOOP; END;", 6550, 25},
  {"BEGIN <<l> NULL; END;", 6550, 9},
  {"DECLARE x EXCEPTION BEGIN NULL; END;", 6550, 20},
  {"BEGIN x := TRUE; END; BEGIN NULL; END;", 6550, 22},
  {"BEGIN SELECT 1 INTO x, FROM dual; END;", 6550, 23},
  {"CALL p", 6576, 6},
  {"ALTER PROCEDURE p ENABLE", 922, 18},
};
// clang-format on

TEST(SqlFront, ParsesToCanonicalText) {
  for (const Good &g : kGood) {
    SCOPED_TRACE(g.sql);
    Arena arena;
    Statement *stmt = nullptr;
    try {
      stmt = Parse(g.sql, arena);
    } catch (const SyntaxError &e) {
      ADD_FAILURE() << e.what() << " at " << e.offset();
      continue;
    }
    const std::string printed = Print(*stmt);
    EXPECT_EQ(printed, g.canonical ? g.canonical : g.sql);
    EXPECT_EQ(KindOf(*stmt).type, g.type);
    // The print is itself canonical.
    Arena again;
    try {
      EXPECT_EQ(Print(*Parse(printed, again)), printed);
    } catch (const SyntaxError &e) {
      ADD_FAILURE() << "reparse: " << e.what() << " at " << e.offset();
    }
  }
}

TEST(SqlFront, ReportsOracleErrorsAtTheOffendingToken) {
  for (const Bad &b : kBad) {
    SCOPED_TRACE(b.sql);
    Arena arena;
    try {
      Parse(b.sql, arena);
      ADD_FAILURE() << "parsed";
    } catch (const SyntaxError &e) {
      EXPECT_EQ(e.code(), b.code) << e.what();
      EXPECT_EQ(e.offset(), b.offset) << e.what();
    }
  }
}

int ErrorOf(const std::string &sql) {
  Arena arena;
  try {
    Parse(sql, arena);
    return 0;
  } catch (const SyntaxError &e) {
    return e.code();
  }
}

TEST(SqlFront, ErrorTextsAreOracles) {
  Arena arena;
  try {
    Parse("CREATE TABLE t (select NUMBER)", arena);
    FAIL();
  } catch (const SyntaxError &e) {
    EXPECT_STREQ(e.what(), "ORA-00904: \"SELECT\": invalid identifier");
  }
}

// Each token as kind:value@offset, separated by spaces.
std::string Tokens(const std::string &text) {
  Arena arena;
  const TokenArray tokens = Lex(text, arena);
  std::string out;
  for (size_t i = 0; i + 1 < tokens.size; ++i) {
    const Token &t = tokens.items[i];
    static const char *const kKinds[] = {"w", "q", "s", "n", "num", "b", "sym"};
    if (!out.empty()) out += ' ';
    out += kKinds[static_cast<int>(t.kind)];
    out += ':';
    out += std::string(t.kind == Tok::kSymbol ? t.raw : t.value);
    if (t.suffix) out += t.suffix;
    out += '@' + std::to_string(t.offset);
  }
  return out;
}

TEST(SqlFront, LexerTokens) {
  struct Case {
    const char *text;
    const char *tokens;
  };
  const Case cases[] = {
      {"a.b..c", "w:A@0 sym:.@1 w:B@2 sym:..@3 w:C@5"},
      {"1..2 1.e5 1.5e+3x", "num:1@0 sym:..@1 num:2@3 num:1.e5@5 num:1.5e+3@10 w:X@16"},
      {"2f 3D 4fx", "num:2f@0 num:3d@3 num:4@6 w:FX@7"},
      {"a(+) b( + ) (+1)", "w:A@0 sym:(+)@1 w:B@5 sym:( + )@6 sym:(@12 sym:+@13 num:1@14 sym:)@15"},
      {"<> != ^= ~= <= >= => || @", "sym:<>@0 sym:!=@3 sym:^=@6 sym:~=@9 sym:<=@12 sym:>=@15 sym:=>@18 sym:||@21 sym:@@24"},
      {"q'(a(b)c)' Q'#x#' n'y' NQ'[z]'", "s:a(b)c@0 s:x@11 n:y@18 n:z@23"},
      {":a1 :1 : x", "b:a1@0 b:1@4 sym::@7 w:X@9"},
      {"x$# \"q r\"", "w:X$#@0 q:q r@4"},
  };
  for (const Case &c : cases) {
    try {
      EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
    } catch (const SyntaxError &e) {
      ADD_FAILURE() << c.text << ": " << e.what();
    }
  }
}

TEST(SqlFront, LexicalLimits) {
  // NUL is refused anywhere, even inside a literal.
  EXPECT_EQ(ErrorOf(std::string("SELECT 'a\0b' FROM dual", 22)), 911);
  // Identifiers: 128 bytes at most, quoted or not.
  EXPECT_EQ(ErrorOf("SELECT " + std::string(128, 'a') + " FROM t"), 0);
  EXPECT_EQ(ErrorOf("SELECT " + std::string(129, 'a') + " FROM t"), 972);
  EXPECT_EQ(ErrorOf("SELECT \"" + std::string(129, 'a') + "\" FROM t"), 972);
}

TEST(SqlFront, NestingIsBoundedWithAnOracleError) {
  auto nested = [](int n) {
    return "SELECT " + std::string(n, '(') + "1" + std::string(n, ')') + " FROM dual";
  };
  EXPECT_EQ(ErrorOf(nested(150)), 0);
  EXPECT_EQ(ErrorOf(nested(100000)), 36);
  std::string subqueries = "SELECT 1 FROM dual";
  for (int i = 0; i < 5000; ++i) subqueries = "SELECT * FROM (" + subqueries + ")";
  EXPECT_EQ(ErrorOf(subqueries), 36);
  std::string minus;
  std::string nots;
  for (int i = 0; i < 100000; ++i) {
    minus += "- ";
    nots += "NOT ";
  }
  EXPECT_EQ(ErrorOf("SELECT " + minus + "1 FROM dual"), 36);
  EXPECT_EQ(ErrorOf("SELECT 1 FROM dual WHERE " + nots + "1 = 1"), 36);
  // PL/SQL: nested blocks and nested statements count too.
  auto blocks = [](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "BEGIN ";
    s += "NULL; ";
    for (int i = 0; i < n; ++i) s += "END; ";
    return s;
  };
  auto ifs = [](int n) {
    std::string s = "BEGIN ";
    for (int i = 0; i < n; ++i) s += "IF x THEN ";
    s += "NULL; ";
    for (int i = 0; i < n; ++i) s += "END IF; ";
    return s + "END;";
  };
  EXPECT_EQ(ErrorOf(blocks(150)), 0);
  EXPECT_EQ(ErrorOf(blocks(100000)), 36);
  EXPECT_EQ(ErrorOf(ifs(150)), 0);
  EXPECT_EQ(ErrorOf(ifs(100000)), 36);
}

TEST(SqlFront, PlsqlErrorsCarryLineAndColumn) {
  struct Case {
    const char *sql;
    int inner;  // the PLS- (negative) or ORA- number under ORA-06550
    uint32_t line;
    uint32_t column;
    const char *message;
  };
  const Case kCases[] = {
    {"BEGIN\n  x := ;\nEND;", 936, 2, 8, "ORA-06550: line 2, column 8:\nPL/SQL: ORA-00936: missing expression"},
    {"DECLARE\n  n NUMBER;\nBEGIN\n  n := 1\nEND;", -103, 5, 1,
     "ORA-06550: line 5, column 1:\nPLS-00103: Encountered the symbol \"END\""},
    {"CREATE PROCEDURE p IS\nBEGIN\n  IF x THEN NULL; END;\nEND;", -103, 3, 22,
     "ORA-06550: line 3, column 22:\nPLS-00103: Encountered the symbol \";\""},
    {"BEGIN\n  NULL;", -103, 2, 8, "ORA-06550: line 2, column 8:\nPLS-00103: Encountered the symbol \"end-of-file\""},
    {"CREATE PROCEDURE p IS\nBEGIN\n  NULL;\nEND q;", -113, 4, 5,
     "ORA-06550: line 4, column 5:\nPLS-00113: END identifier 'Q' must match 'P'"},
    {"CREATE PACKAGE BODY k IS\n  FUNCTION f RETURN NUMBER IS BEGIN RETURN 1; END g;\nEND k;", -113, 2, 51,
     "ORA-06550: line 2, column 51:\nPLS-00113: END identifier 'G' must match 'F'"},
  };
  for (const Case &c : kCases) {
    SCOPED_TRACE(c.sql);
    Arena arena;
    try {
      Parse(c.sql, arena);
      ADD_FAILURE() << "parsed";
    } catch (const SyntaxError &e) {
      EXPECT_EQ(e.code(), 6550);
      EXPECT_EQ(e.inner_code(), c.inner);
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.column(), c.column);
      EXPECT_EQ(e.message(), c.message);
    }
  }
}

TEST(SqlFront, ChainsAreFlatOrBounded) {
  // AND and OR lists stay flat however long (generated SQL writes them).
  std::string ors = "SELECT 1 FROM dual WHERE a = 0";
  for (int i = 1; i < 20000; ++i) ors += " OR a = " + std::to_string(i) + " AND b = 1";
  Arena arena;
  auto *select = static_cast<SelectStmt *>(Parse(ors, arena));
  EXPECT_EQ(select->query->where->kind, ExprKind::kLogical);
  EXPECT_EQ(select->query->where->args.size, 20000u);
  const std::string printed = Print(*select);
  EXPECT_EQ(printed.size(), ors.size());  // no parentheses added
  EXPECT_EQ(printed.substr(printed.size() - 22), "OR A = 19999 AND B = 1");
  // Other left-deep chains deepen the tree: bounded, so that every pass
  // over it may recurse.
  auto chain = [](const char *first, const char *link, int n) {
    std::string s = first;
    for (int i = 0; i < n; ++i) s += link;
    return s;
  };
  EXPECT_EQ(ErrorOf(chain("SELECT 1", " + 1", 900) + " FROM dual"), 0);
  EXPECT_EQ(ErrorOf(chain("SELECT 1", " + 1", 5000) + " FROM dual"), 36);
  EXPECT_EQ(ErrorOf(chain("SELECT 1", " || 'x'", 5000) + " FROM dual"), 36);
  EXPECT_EQ(ErrorOf(chain("SELECT 1 FROM dual", " UNION SELECT 1 FROM dual", 5000)), 36);
  EXPECT_EQ(ErrorOf(chain("SELECT 1 FROM t", " JOIN t USING (a)", 5000)), 36);
}

TEST(SqlFront, StatementActionsComeFromTheTree) {
  struct Case {
    const char *sql;
    Action action;
  };
  const Case cases[] = {
      {"WITH x AS (SELECT 1 a FROM dual) SELECT * FROM x", Action::kQuery},
      {"WITH x AS (SELECT 1 a FROM dual) UPDATE t SET a = 1", Action::kDml},
      {"MERGE INTO t USING s ON (1 = 1) WHEN MATCHED THEN UPDATE SET a = 1", Action::kDml},
      {"TRUNCATE TABLE t", Action::kDdl},
      {"CREATE USER u IDENTIFIED BY p", Action::kAccount},
      {"ALTER SESSION SET NLS_DATE_FORMAT = 'DD'", Action::kOther},
      {"ROLLBACK", Action::kRollback},
      {"ROLLBACK TO SAVEPOINT s", Action::kOther},
      {"SAVEPOINT s", Action::kSavepoint},
      {"COMMIT", Action::kCommit},
      {"DECLARE x NUMBER; BEGIN NULL; END;", Action::kDeclare},
      {"BEGIN NULL; END;", Action::kBlock},
  };
  for (const Case &c : cases) {
    Arena arena;
    EXPECT_EQ(KindOf(*Parse(c.sql, arena)).action, c.action) << c.sql;
  }
}

TEST(SqlFront, LongLiteralsSpanArenaBlocks) {
  // 'x''x''...': the undoubled value is copied into the arena, in a block
  // of its own when larger than the usual one.
  std::string literal;
  for (int i = 0; i < 20000; ++i) literal += "x''";
  Arena arena;
  auto *select = static_cast<SelectStmt *>(Parse("SELECT '" + literal + "' FROM dual", arena));
  const std::string_view value = select->query->items.first->expr->text;
  EXPECT_EQ(value.size(), 40000u);
  EXPECT_EQ(value.substr(0, 4), "x'x'");
}

TEST(SqlFront, NodesKnowTheirOffsets) {
  const std::string sql = "SELECT a, f(b) FROM t x WHERE c = :v ORDER BY a";
  Arena arena;
  auto *select = static_cast<SelectStmt *>(Parse(sql, arena));
  const Query &q = *select->query;
  EXPECT_EQ(q.items.first->expr->pos, sql.find("a,"));
  EXPECT_EQ(static_cast<SelectItem *>(q.items.first->next)->expr->pos, sql.find("f(b)"));
  EXPECT_EQ(q.from.first->pos, sql.find("t x"));
  EXPECT_EQ(q.where->right->pos, sql.find(":v"));
  EXPECT_EQ(q.where->right->text, "v");
  EXPECT_EQ(q.from.first->alias->name, "X");
}

TEST(SqlFront, AResetArenaIsReusedWithoutGrowing) {
  Arena arena;
  const std::string sql = "SELECT a, b FROM t WHERE c = 1";
  Parse(sql, arena);
  const size_t used = arena.BytesUsed();
  for (int i = 0; i < 100; ++i) {
    arena.Reset();
    Parse(sql, arena);
    EXPECT_EQ(arena.BytesUsed(), used);
  }
}

}  // namespace

namespace {

template <class T>
T *Nth(const List<T> &list, int n) {
  T *at = list.first;
  while (n-- > 0 && at) at = static_cast<T *>(at->next);
  return at;
}

}  // namespace

// The shape the interpreter will walk: what each construct becomes, with
// the offsets it reports errors at.
TEST(SqlFront, PlsqlTreeShape) {
  const std::string block =
      "DECLARE\n  n PLS_INTEGER := 0;\n  CURSOR c (d NUMBER) IS SELECT ename FROM emp WHERE deptno = d;\n"
      "BEGIN\n  FOR r IN c(10) LOOP n := n + 1; END LOOP;\n"
      "  SELECT COUNT(*) INTO n FROM emp;\n"
      "EXCEPTION\n  WHEN NO_DATA_FOUND OR TOO_MANY_ROWS THEN NULL;\nEND;";
  Arena arena;
  Statement *stmt = Parse(block, arena);
  ASSERT_EQ(stmt->kind, StmtKind::kPlBlock);
  const PlBlock &b = *static_cast<PlBlockStmt *>(stmt)->block;
  EXPECT_TRUE(b.declare);
  ASSERT_EQ(b.decls.size, 2u);
  const PlDecl &n = *b.decls.first;
  EXPECT_EQ(n.kind, PlDeclKind::kVariable);
  EXPECT_EQ(n.name->name, "N");
  EXPECT_EQ(n.type->sql, nullptr);
  EXPECT_EQ(n.type->name.Last(), "PLS_INTEGER");
  EXPECT_EQ(n.pos, block.find("n PLS"));
  const PlDecl &c = *Nth(b.decls, 1);
  EXPECT_EQ(c.kind, PlDeclKind::kCursor);
  EXPECT_EQ(c.params.size, 1u);
  ASSERT_NE(c.query, nullptr);
  ASSERT_EQ(b.body.size, 2u);
  const PlStmt &loop = *b.body.first;
  EXPECT_EQ(loop.kind, PlStmtKind::kForCursor);
  EXPECT_EQ(loop.name->name, "R");
  ASSERT_EQ(loop.target->kind, ExprKind::kFunction);
  EXPECT_EQ(loop.target->name.Last(), "C");
  EXPECT_EQ(loop.body.first->kind, PlStmtKind::kAssign);
  EXPECT_EQ(loop.pos, block.find("FOR r"));
  const PlStmt &select = *Nth(b.body, 1);
  ASSERT_EQ(select.kind, PlStmtKind::kSql);
  const Query &q = *static_cast<SelectStmt *>(select.sql)->query;
  ASSERT_EQ(q.into.size, 1u);
  EXPECT_EQ(q.into.first->name.Last(), "N");
  ASSERT_EQ(b.handlers.size, 1u);
  EXPECT_EQ(b.handlers.first->exceptions.size, 2u);
  EXPECT_EQ(b.handlers.first->exceptions.first->name.Last(), "NO_DATA_FOUND");

  const std::string trigger =
      "CREATE OR REPLACE TRIGGER update_job_history AFTER UPDATE OF job_id, department_id ON employees "
      "FOR EACH ROW BEGIN add_job_history(:old.employee_id, p_end => SYSDATE); :new.x := 1; END;";
  Arena arena2;
  stmt = Parse(trigger, arena2);
  ASSERT_EQ(stmt->kind, StmtKind::kCreateTrigger);
  const auto &t = *static_cast<CreateTriggerStmt *>(stmt);
  EXPECT_TRUE(t.or_replace);
  EXPECT_EQ(t.timing, 1);
  EXPECT_EQ(t.events, kOnUpdate);
  EXPECT_EQ(t.update_of.size, 2u);
  EXPECT_TRUE(t.for_each_row);
  EXPECT_EQ(t.table.Last(), "EMPLOYEES");
  const PlStmt &call = *t.block->body.first;
  ASSERT_EQ(call.kind, PlStmtKind::kCall);
  const Expr &old_col = *call.target->args.first;
  EXPECT_EQ(old_col.kind, ExprKind::kBind);
  EXPECT_EQ(old_col.text, "old");  // binds keep their spelling; the column is folded
  EXPECT_EQ(old_col.name.Last(), "EMPLOYEE_ID");
  EXPECT_EQ(Nth(call.target->args, 1)->kind, ExprKind::kNamedArg);
  const PlStmt &assign = *Nth(t.block->body, 1);
  EXPECT_EQ(assign.kind, PlStmtKind::kAssign);
  EXPECT_EQ(assign.target->name.Last(), "X");

  const std::string proc = "CREATE PROCEDURE p (a IN OUT NOCOPY NUMBER, b OUT VARCHAR2, c DATE DEFAULT SYSDATE) IS "
                           "BEGIN NULL; END;";
  Arena arena3;
  const Subprogram &sub = *static_cast<CreateSubprogramStmt *>(Parse(proc, arena3))->sub;
  EXPECT_FALSE(sub.function);
  ASSERT_EQ(sub.params.size, 3u);
  EXPECT_EQ(sub.params.first->mode, 3);
  EXPECT_TRUE(sub.params.first->nocopy);
  EXPECT_EQ(Nth(sub.params, 1)->mode, 2);
  EXPECT_EQ(Nth(sub.params, 1)->type->sql->kind, TypeKind::kVarchar2);
  EXPECT_EQ(Nth(sub.params, 1)->type->sql->precision, -1);
  EXPECT_EQ(Nth(sub.params, 2)->mode, 0);
  EXPECT_TRUE(Nth(sub.params, 2)->default_keyword);
  ASSERT_NE(sub.body, nullptr);
}

// Inside a unit the PL/SQL forms are expressions of their own; outside,
// the same words keep their SQL meaning.
TEST(SqlFront, PlsqlExpressionFormsOnlyInsideUnits) {
  Arena arena;
  auto *s = static_cast<PlBlockStmt *>(Parse("BEGIN x := c%ROWCOUNT > 0 AND TRUE; END;", arena));
  const Expr &v = *s->block->body.first->expr;
  ASSERT_EQ(v.kind, ExprKind::kLogical);
  EXPECT_EQ(v.args.first->left->kind, ExprKind::kCursorAttr);
  EXPECT_EQ(v.args.first->left->text, "ROWCOUNT");
  EXPECT_EQ(Nth(v.args, 1)->kind, ExprKind::kBoolean);
  Arena sql;
  auto *q = static_cast<SelectStmt *>(Parse("SELECT true FROM t", sql));
  EXPECT_EQ(q->query->items.first->expr->kind, ExprKind::kName);
  EXPECT_NE(ErrorOf("SELECT c%ROWCOUNT FROM t"), 0);
  EXPECT_NE(ErrorOf("SELECT a INTO b FROM t"), 0);
}
