// Global temporary tables through OCI: the definition is shared and shown by the
// dictionary, the rows are each session's own, ON COMMIT DELETE ROWS empties them at
// COMMIT, ROLLBACK and DDL, PRESERVE ROWS keeps them for the session, and keys, indexes,
// foreign keys between temporary tables, joins and TRUNCATE work on them; what the
// engine cannot do with them is refused.
#include "oci_session.h"

#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

class TemporaryTable : public ::testing::Test {
protected:
  void SetUp() override {
    if (test_against_oracle()) GTEST_SKIP() << "two sessions of one schema are logged on to the embedded engine";
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(a.connect("scott", "tiger", "gtt"), OCI_SUCCESS) << a.error_text();
    ASSERT_EQ(b.connect("scott", "tiger", "gtt"), OCI_SUCCESS) << b.error_text();
  }
  static void ok(OciSession& s, const std::string& sql) {
    ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << ": " << s.error_text();
  }
  static int code(OciSession& s, const std::string& sql) {
    EXPECT_NE(s.exec(sql), OCI_SUCCESS) << sql;
    return s.error_code();
  }
  OciSession a, b;
};

TEST_F(TemporaryTable, DictionaryShowsTheSharedDefinitionWithItsDuration) {
  ok(a, "CREATE GLOBAL TEMPORARY TABLE tx (n NUMBER PRIMARY KEY, s VARCHAR2(10))");
  ok(a, "create global temporary table ts (n number) on commit preserve rows");
  ok(a, "CREATE GLOBAL TEMPORARY TABLE td (n NUMBER) ON COMMIT DELETE ROWS TABLESPACE temp");
  ok(a, "CREATE TABLE perm (n NUMBER)");
  ok(a, "CREATE INDEX tx_s ON tx (s)");
  EXPECT_EQ(b.rows("SELECT table_name, temporary, duration FROM user_tables ORDER BY table_name"),
            (Rows{"PERM|N|<null>", "TD|Y|SYS$TRANSACTION", "TS|Y|SYS$SESSION", "TX|Y|SYS$TRANSACTION"}));
  EXPECT_EQ(b.rows("SELECT index_name FROM user_indexes WHERE table_name = 'TX' AND index_name NOT LIKE 'SYS%'"),
            (Rows{"TX_S"}));
  EXPECT_EQ(b.value("SELECT constraint_type FROM user_constraints WHERE table_name = 'TX'"), "P");
  EXPECT_EQ(b.rows("SELECT object_name, temporary FROM user_objects WHERE object_type = 'TABLE' ORDER BY 1"),
            (Rows{"PERM|N", "TD|Y", "TS|Y", "TX|Y"}));
  EXPECT_EQ(b.rows("SELECT DISTINCT temporary FROM user_indexes WHERE table_name = 'TX'"), (Rows{"Y"}));
  // A dropped temporary table leaves no dictionary row behind.
  ok(b, "DROP TABLE td");
  EXPECT_EQ(a.value("SELECT count(*) FROM user_tables WHERE temporary = 'Y'"), "2");
  ok(a, "CREATE TABLE td (n NUMBER)");
  EXPECT_EQ(a.value("SELECT temporary || duration FROM user_tables WHERE table_name = 'TD'"), "N");
}

TEST_F(TemporaryTable, RowsArePrivateAndDeleteRowsEndsWithTheTransaction) {
  ok(a, "CREATE GLOBAL TEMPORARY TABLE tx (n NUMBER, s VARCHAR2(10))");
  ok(a, "INSERT INTO tx VALUES (1, 'a')");
  ok(a, "INSERT INTO tx VALUES (2, 'b')");
  ok(b, "INSERT INTO tx VALUES (9, 'z')");
  EXPECT_EQ(a.rows("SELECT n, s FROM tx ORDER BY n"), (Rows{"1|a", "2|b"}));
  EXPECT_EQ(b.rows("SELECT n, s FROM tx"), (Rows{"9|z"}));
  ok(a, "UPDATE tx SET s = 'B' WHERE n = 2");
  ok(a, "DELETE FROM tx WHERE n = 1");
  EXPECT_EQ(a.rows("SELECT n, s FROM tx"), (Rows{"2|B"}));
  ok(a, "COMMIT");
  EXPECT_EQ(a.value("SELECT count(*) FROM tx"), "0");
  // The other session's transaction is its own.
  EXPECT_EQ(b.value("SELECT count(*) FROM tx"), "1");
  ok(b, "ROLLBACK");
  EXPECT_EQ(b.value("SELECT count(*) FROM tx"), "0");
  // DDL commits, and empties the rows with it; the table goes on working after it.
  ok(a, "INSERT INTO tx VALUES (3, 'c')");
  ok(a, "CREATE TABLE other (n NUMBER)");
  EXPECT_EQ(a.value("SELECT count(*) FROM tx"), "0");
  ok(a, "INSERT INTO tx VALUES (4, 'd')");
  EXPECT_EQ(a.value("SELECT max(n) FROM tx"), "4");
}

TEST_F(TemporaryTable, PlsqlCommitsAndRollbacksThatUndoTheCopyAreFollowed) {
  ok(a, "CREATE TABLE perm (n NUMBER)");
  ok(a, "CREATE GLOBAL TEMPORARY TABLE tx (n NUMBER)");
  EXPECT_EQ(server_output_of(a, "BEGIN INSERT INTO tx VALUES (1); INSERT INTO tx SELECT n + 1 FROM tx; "
                                "FOR r IN (SELECT count(*) c FROM tx) LOOP dbms_output.put_line(r.c); END LOOP; "
                                "COMMIT; FOR r IN (SELECT count(*) c FROM tx) LOOP dbms_output.put_line(r.c); "
                                "END LOOP; END;"),
            "2|0");
  // The session's first use of a temporary table inside a transaction that rolls back:
  // the rollback takes the copy back, and a statement prepared before it still runs.
  a.disconnect();
  ASSERT_EQ(a.connect("scott", "tiger", "gtt"), OCI_SUCCESS) << a.error_text();
  ok(a, "INSERT INTO perm VALUES (1)");
  OciStatement insert(a, "INSERT INTO tx VALUES (7)");
  ASSERT_EQ(insert.execute(1), OCI_SUCCESS) << a.error_text();
  ok(a, "ROLLBACK");
  EXPECT_EQ(a.value("SELECT count(*) FROM perm"), "0");
  ASSERT_EQ(insert.execute(1), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("SELECT count(*) FROM tx"), "1");
  ok(a, "ROLLBACK");
  EXPECT_EQ(a.value("SELECT count(*) FROM tx"), "0");
}

TEST_F(TemporaryTable, PreserveRowsKeepsTheSessionsRowsUntilItEnds) {
  ok(a, "CREATE GLOBAL TEMPORARY TABLE ts (n NUMBER) ON COMMIT PRESERVE ROWS");
  ok(a, "INSERT INTO ts VALUES (1)");
  ok(a, "COMMIT");
  ok(a, "INSERT INTO ts VALUES (2)");
  ok(a, "ROLLBACK");
  EXPECT_EQ(a.rows("SELECT n FROM ts"), (Rows{"1"}));
  EXPECT_EQ(b.value("SELECT count(*) FROM ts"), "0");
  ok(a, "TRUNCATE TABLE ts");
  EXPECT_EQ(a.value("SELECT count(*) FROM ts"), "0");
  ok(a, "INSERT INTO ts VALUES (5)");
  ok(a, "COMMIT");
  a.disconnect();
  ASSERT_EQ(a.connect("scott", "tiger", "gtt"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("SELECT count(*) FROM ts"), "0");
}

TEST_F(TemporaryTable, KeysIndexesAndJoinsWorkOnTheSessionsRows) {
  ok(a, "CREATE TABLE dept (deptno NUMBER PRIMARY KEY, dname VARCHAR2(10))");
  ok(a, "INSERT INTO dept VALUES (10, 'ACCOUNTING')");
  ok(a, "INSERT INTO dept VALUES (20, 'RESEARCH')");
  ok(a, "COMMIT");
  ok(a, "CREATE GLOBAL TEMPORARY TABLE gp (id NUMBER CONSTRAINT gp_pk PRIMARY KEY, deptno NUMBER) "
        "ON COMMIT PRESERVE ROWS");
  ok(a, "CREATE GLOBAL TEMPORARY TABLE gc (id NUMBER, p NUMBER CONSTRAINT gc_fk REFERENCES gp, "
        "q NUMBER CHECK (q > 0)) ON COMMIT PRESERVE ROWS");
  ok(a, "CREATE UNIQUE INDEX gp_dept ON gp (deptno)");
  ok(b, "INSERT INTO gp VALUES (1, 10)");
  EXPECT_EQ(code(b, "INSERT INTO gp VALUES (1, 20)"), 1);
  EXPECT_NE(b.error_text().find("SCOTT.GP_PK"), std::string::npos) << b.error_text();
  // The index made after the table is on the session's rows too.
  EXPECT_EQ(code(b, "INSERT INTO gp VALUES (2, 10)"), 1);
  // The other session's rows are no parents.
  EXPECT_EQ(code(a, "INSERT INTO gc VALUES (1, 1, 1)"), 2291);
  EXPECT_NE(a.error_text().find("SCOTT.GC_FK"), std::string::npos) << a.error_text();
  ok(b, "INSERT INTO gc VALUES (1, 1, 5)");
  EXPECT_EQ(code(b, "INSERT INTO gc VALUES (2, 1, -1)"), 2290);
  EXPECT_EQ(code(b, "DELETE FROM gp"), 2292);
  EXPECT_EQ(b.rows("SELECT c.id, d.dname FROM gc c JOIN gp p ON p.id = c.p JOIN dept d ON d.deptno = p.deptno"),
            (Rows{"1|ACCOUNTING"}));
  ok(b, "INSERT INTO gp SELECT deptno, deptno FROM dept WHERE deptno = 20");
  EXPECT_EQ(b.value("SELECT count(*) FROM gp"), "2");
  ok(b, "MERGE INTO gp t USING dept d ON (t.deptno = d.deptno) WHEN MATCHED THEN UPDATE SET t.id = t.id + 100 "
        "WHERE d.deptno = 20");
  EXPECT_EQ(b.rows("SELECT id FROM gp ORDER BY id"), (Rows{"1", "120"}));
  // A synonym names the same rows, which outlive the commit.
  ok(b, "COMMIT");
  ok(a, "CREATE SYNONYM gps FOR gp");
  EXPECT_EQ(b.value("SELECT count(*) FROM gps"), "2");
  EXPECT_EQ(a.value("SELECT count(*) FROM gps"), "0");
  // Describe sees the definition's columns.
  EXPECT_EQ(b.rows("SELECT column_name, data_type FROM user_tab_columns WHERE table_name = 'GC' ORDER BY column_id"),
            (Rows{"ID|NUMBER", "P|NUMBER", "Q|NUMBER"}));
}

TEST_F(TemporaryTable, DefinitionChangedByAnotherSessionGetsAFreshCopy) {
  ok(a, "CREATE GLOBAL TEMPORARY TABLE ts (n NUMBER) ON COMMIT PRESERVE ROWS");
  ok(a, "INSERT INTO ts VALUES (1)");
  ok(a, "COMMIT");
  ok(b, "ALTER TABLE ts ADD (s VARCHAR2(5))");
  ok(a, "INSERT INTO ts (n, s) VALUES (2, 'x')");
  EXPECT_EQ(a.rows("SELECT n, s FROM ts"), (Rows{"2|x"}));
  ok(a, "COMMIT");
  ok(b, "DROP TABLE ts");
  EXPECT_EQ(code(a, "SELECT * FROM ts"), 942);
  ok(b, "CREATE GLOBAL TEMPORARY TABLE ts (k VARCHAR2(3)) ON COMMIT PRESERVE ROWS");
  ok(a, "INSERT INTO ts VALUES ('new')");
  EXPECT_EQ(a.rows("SELECT * FROM ts"), (Rows{"new"}));
}

TEST_F(TemporaryTable, WhatTheEngineCannotKeepIsRefused) {
  ok(a, "CREATE TABLE perm (n NUMBER PRIMARY KEY)");
  ok(a, "CREATE GLOBAL TEMPORARY TABLE gt (n NUMBER PRIMARY KEY)");
  // Foreign keys between temporary and permanent tables, either way.
  EXPECT_EQ(code(a, "CREATE GLOBAL TEMPORARY TABLE g2 (n NUMBER REFERENCES perm)"), 14455);
  EXPECT_EQ(code(a, "CREATE TABLE p2 (n NUMBER REFERENCES gt)"), 14455);
  EXPECT_EQ(code(a, "ALTER TABLE perm ADD CONSTRAINT perm_fk FOREIGN KEY (n) REFERENCES gt"), 14455);
  ok(a, "CREATE GLOBAL TEMPORARY TABLE gt2 (n NUMBER)");
  EXPECT_EQ(code(a, "ALTER TABLE gt2 ADD CONSTRAINT gt2_fk FOREIGN KEY (n) REFERENCES gt"), 3001);
  // A view is stored in the schema, where no session's rows are.
  EXPECT_EQ(code(a, "CREATE VIEW gv AS SELECT n FROM gt"), 3001);
  EXPECT_EQ(code(a, "CREATE TRIGGER gtr BEFORE INSERT ON gt FOR EACH ROW BEGIN NULL; END;"), 3001);
  // The rows of a query would be the creating session's own.
  EXPECT_EQ(code(a, "CREATE GLOBAL TEMPORARY TABLE g3 ON COMMIT PRESERVE ROWS AS SELECT * FROM perm"), 3001);
  ok(a, "INSERT INTO perm VALUES (7)");
  ok(a, "CREATE GLOBAL TEMPORARY TABLE g4 AS SELECT * FROM perm");
  EXPECT_EQ(a.value("SELECT temporary FROM user_tables WHERE table_name = 'G4'"), "Y");
  EXPECT_EQ(a.value("SELECT count(*) FROM g4"), "0");
  ok(a, "INSERT INTO g4 VALUES (1)");
  EXPECT_EQ(a.value("SELECT count(*) FROM g4"), "1");
  // The session's dictionary views keep their names.
  EXPECT_EQ(code(a, "CREATE GLOBAL TEMPORARY TABLE user_tables (n NUMBER)"), 955);
  EXPECT_EQ(code(a, "CREATE GLOBAL TEMPORARY TABLE t5 (n NUMBER) ON COMMIT KEEP ROWS"), 905);
  EXPECT_EQ(code(a, "CREATE GLOBAL TEMPORARY INDEX i ON perm (n)"), 901);
  // EXPLAIN PLAN INTO a temporary plan table writes the session's own rows.
  ok(a, "CREATE GLOBAL TEMPORARY TABLE my_plan (statement_id VARCHAR2(30), plan_id NUMBER, id NUMBER, parent_id NUMBER, "
        "operation VARCHAR2(30), object_name VARCHAR2(30)) ON COMMIT PRESERVE ROWS");
  ok(a, "EXPLAIN PLAN SET STATEMENT_ID = 'x' INTO my_plan FOR SELECT * FROM perm");
  EXPECT_NE(a.value("SELECT count(*) FROM my_plan WHERE statement_id = 'x'"), "0");
  ok(a, "COMMIT");
  EXPECT_EQ(b.value("SELECT count(*) FROM my_plan"), "0");
  // The permanent definition never got a row.
  EXPECT_EQ(b.value("SELECT count(*) FROM gt"), "0");
}

}  // namespace
