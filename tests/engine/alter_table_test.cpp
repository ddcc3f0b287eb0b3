// ALTER TABLE on constraints and triggers through OCI: adding constraints (with the
// check of the rows already there), MODIFY ... NOT NULL / NULL, dropping, renaming,
// enabling and disabling them, and the table's triggers on and off, with the dictionary
// views showing each result.
#include "oci_session.h"

#include <string>
#include <vector>

namespace {

class AlterTable : public ::testing::Test {
protected:
  OciSession s;
  void SetUp() override {
    test_home();  // a database of its own: tests run in parallel processes
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    for (const char* t : {"E1", "D1", "DUP", "T", "N", "C", "P", "C4", "P4", "T5", "LOG5", "P6", "P7", "M8", "CH9", "PA9", "T5B"}) {
      s.exec(std::string("DROP TABLE ") + t + " CASCADE CONSTRAINTS");
      s.exec(std::string("DROP TABLE ") + t);
    }
  }
  void ok(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << ": " << s.error_text(); }
  int code(const std::string& sql) {
    s.exec(sql);
    return s.error_code();
  }
  std::vector<std::string> states(const std::string& table) {
    return s.rows("SELECT constraint_name, constraint_type, status, validated FROM user_constraints WHERE table_name = '" +
                  table + "' ORDER BY constraint_name");
  }
};

TEST_F(AlterTable, ParenthesisedAddMixesColumnsAndConstraintsAndChecksTheRows) {
  ok("CREATE TABLE d1 (deptno NUMBER, dname VARCHAR2(20))");
  ok("INSERT INTO d1 VALUES (10, 'A')");
  ok("CREATE TABLE e1 (empno NUMBER, deptno NUMBER, sal NUMBER)");
  ok("INSERT INTO e1 VALUES (1, 10, 100)");
  ok("ALTER TABLE d1 ADD (CONSTRAINT d1_pk PRIMARY KEY (deptno), loc VARCHAR2(13), UNIQUE (loc))");
  ok("ALTER TABLE e1 ADD (CONSTRAINT e1_pk PRIMARY KEY (empno), CONSTRAINT e1_fk FOREIGN KEY (deptno)"
     " REFERENCES d1 (deptno), CONSTRAINT e1_ck CHECK (sal > 0))");
  EXPECT_EQ(s.value("SELECT column_id FROM user_tab_columns WHERE table_name = 'D1' AND column_name = 'LOC'"), "3");
  EXPECT_EQ(s.value("SELECT nullable FROM user_tab_columns WHERE table_name = 'E1' AND column_name = 'EMPNO'"), "N");
  EXPECT_EQ(s.value("SELECT r.constraint_name FROM user_constraints c JOIN user_constraints r ON"
                    " r.constraint_name = c.r_constraint_name WHERE c.constraint_name = 'E1_FK'"),
            "D1_PK");
  EXPECT_EQ(s.value("SELECT column_name || position FROM user_cons_columns WHERE constraint_name = 'E1_FK'"),
            "DEPTNO1");
  EXPECT_EQ(code("INSERT INTO e1 VALUES (2, 20, 1)"), 2291);
  EXPECT_EQ(code("INSERT INTO e1 VALUES (2, 10, -1)"), 2290);
  EXPECT_EQ(code("INSERT INTO e1 VALUES (1, 10, 1)"), 1);
  EXPECT_EQ(code("INSERT INTO e1 VALUES (NULL, 10, 1)"), 1400);
  EXPECT_EQ(code("UPDATE e1 SET empno = NULL"), 1407);
  EXPECT_EQ(code("DELETE FROM d1"), 2292);
  // Rows that break a new constraint keep it from being added, with nothing left over.
  ok("INSERT INTO d1 VALUES (20, 'A2', NULL)");
  ok("UPDATE d1 SET dname = 'A'");
  EXPECT_EQ(code("ALTER TABLE d1 ADD CONSTRAINT d1_dname_uk UNIQUE (dname)"), 2299);
  ok("CREATE TABLE dup (a NUMBER, b NUMBER)");
  ok("INSERT INTO dup VALUES (1, 1)");
  ok("INSERT INTO dup VALUES (1, NULL)");
  EXPECT_EQ(code("ALTER TABLE dup ADD CONSTRAINT dup_pk PRIMARY KEY (a)"), 2437);
  EXPECT_EQ(code("ALTER TABLE dup ADD PRIMARY KEY (b)"), 1449);
  EXPECT_EQ(code("ALTER TABLE dup ADD CONSTRAINT dup_ck CHECK (a > 1)"), 2293);
  EXPECT_EQ(code("ALTER TABLE dup ADD (CONSTRAINT dup_fk FOREIGN KEY (b) REFERENCES d1 (deptno))"), 2298);
  EXPECT_EQ(code("ALTER TABLE dup ADD (CONSTRAINT c1 CHECK (a > 0), CONSTRAINT c1 CHECK (b > 0))"), 2264);
  EXPECT_EQ(code("ALTER TABLE dup ADD CONSTRAINT e1_pk UNIQUE (b)"), 2264);
  EXPECT_EQ(code("ALTER TABLE e1 ADD PRIMARY KEY (sal)"), 2260);
  EXPECT_EQ(code("ALTER TABLE dup ADD (x NUMBER, CONSTRAINT dup_ck CHECK (a > 1))"), 2293);
  EXPECT_EQ(s.value("SELECT count(*) FROM user_constraints WHERE table_name = 'DUP'"), "0");
  EXPECT_EQ(s.value("SELECT count(*) FROM user_tab_columns WHERE table_name = 'DUP'"), "2");
  // The rows there are checked even when the constraint is to be checked at COMMIT.
  EXPECT_EQ(code("ALTER TABLE dup ADD CONSTRAINT dup_ck CHECK (a > 1) INITIALLY DEFERRED"), 2293);
}

TEST_F(AlterTable, ModifyNotNullAndNull) {
  ok("CREATE TABLE t (a NUMBER, b VARCHAR2(10), c NUMBER)");
  ok("INSERT INTO t VALUES (1, NULL, 1)");
  EXPECT_EQ(code("ALTER TABLE t MODIFY (a NOT NULL, b NOT NULL)"), 2296);
  EXPECT_EQ(s.value("SELECT nullable FROM user_tab_columns WHERE table_name = 'T' AND column_name = 'A'"), "Y");
  ok("ALTER TABLE t MODIFY (a CONSTRAINT t_a_nn NOT NULL, c NOT NULL)");
  EXPECT_EQ(s.value("SELECT search_condition FROM user_constraints WHERE constraint_name = 'T_A_NN'"),
            "\"A\" IS NOT NULL");
  EXPECT_EQ(code("ALTER TABLE t MODIFY a NOT NULL"), 1442);
  EXPECT_EQ(code("ALTER TABLE t MODIFY b NULL"), 1451);
  EXPECT_EQ(code("INSERT INTO t VALUES (NULL, 'x', 1)"), 1400);
  ok("ALTER TABLE t MODIFY a NULL");
  ok("INSERT INTO t VALUES (NULL, 'x', 1)");
  EXPECT_EQ(s.value("SELECT count(*) FROM user_constraints WHERE constraint_name = 'T_A_NN'"), "0");
  // A NOT NULL CREATE TABLE declared goes the same way.
  ok("CREATE TABLE n (a NUMBER NOT NULL, b NUMBER)");
  ok("ALTER TABLE n MODIFY a NULL");
  ok("INSERT INTO n VALUES (NULL, 1)");
  EXPECT_EQ(s.value("SELECT nullable FROM user_tab_columns WHERE table_name = 'N' AND column_name = 'A'"), "Y");
}

TEST_F(AlterTable, ModifyDatatypeAndDefault) {
  ok("CREATE TABLE m8 (a NUMBER(5), b VARCHAR2(10), c VARCHAR2(10) DEFAULT 'old', d DATE)");
  ok("INSERT INTO m8 (a, b) VALUES (12345, 'abcdefgh')");
  EXPECT_EQ(code("ALTER TABLE m8 MODIFY b VARCHAR2(5)"), 1441);
  EXPECT_EQ(code("ALTER TABLE m8 MODIFY (a NUMBER(3))"), 1440);
  EXPECT_EQ(code("ALTER TABLE m8 MODIFY (a VARCHAR2(5))"), 3001);
  ok("ALTER TABLE m8 MODIFY (a NUMBER(9), b VARCHAR2(40) DEFAULT 'x', c DEFAULT 'new' NOT NULL)");
  EXPECT_EQ(s.rows("SELECT column_name || ' ' || data_type || ' ' || data_length || ' ' || nullable || ' ' ||"
                   " data_default FROM user_tab_columns WHERE table_name = 'M8' AND column_name IN ('B', 'C')"
                   " ORDER BY 1"),
            (std::vector<std::string>{"B VARCHAR2 40 Y 'x'", "C VARCHAR2 10 N 'new'"}));
  EXPECT_EQ(s.value("SELECT data_precision FROM user_tab_columns WHERE table_name = 'M8' AND column_name = 'A'"),
            "9");
  ok("INSERT INTO m8 (a) VALUES (123456789)");
  EXPECT_EQ(s.value("SELECT b || c FROM m8 WHERE a = 123456789"), "xnew");
  EXPECT_EQ(s.value("SELECT c FROM m8 WHERE a = 12345"), "old");
  EXPECT_EQ(code("INSERT INTO m8 (a, b) VALUES (1, RPAD('y', 41, 'y'))"), 12899);
  ok("ALTER TABLE m8 MODIFY (d DEFAULT SYSDATE, c NULL)");
  ok("INSERT INTO m8 (a, c) VALUES (2, NULL)");
  EXPECT_EQ(s.value("SELECT count(*) FROM m8 WHERE a = 2 AND d IS NOT NULL AND c IS NULL"), "1");
}

TEST_F(AlterTable, DropAndRenameConstraintsOfCreateTableAndOfAlterTable) {
  ok("CREATE TABLE p (id NUMBER CONSTRAINT p_pk PRIMARY KEY, code VARCHAR2(5) CONSTRAINT p_uk UNIQUE,"
     " n NUMBER CONSTRAINT p_ck CHECK (n > 0))");
  ok("CREATE TABLE c (id NUMBER, pid NUMBER CONSTRAINT c_fk REFERENCES p (id))");
  ok("INSERT INTO p VALUES (1, 'a', 1)");
  ok("INSERT INTO c VALUES (1, 1)");
  EXPECT_EQ(code("ALTER TABLE p DROP PRIMARY KEY"), 2273);
  EXPECT_EQ(code("ALTER TABLE p DROP CONSTRAINT nothing"), 2443);
  EXPECT_EQ(code("ALTER TABLE p DROP UNIQUE (n)"), 2442);
  ok("ALTER TABLE p DROP CONSTRAINT p_ck");
  ok("INSERT INTO p VALUES (2, 'b', -5)");
  ok("ALTER TABLE p DROP UNIQUE (code)");
  ok("INSERT INTO p VALUES (3, 'b', 1)");
  ok("ALTER TABLE p DROP PRIMARY KEY CASCADE");
  ok("INSERT INTO p VALUES (3, 'c', 1)");
  ok("INSERT INTO c VALUES (2, 99)");
  EXPECT_EQ(s.value("SELECT count(*) FROM user_constraints WHERE table_name IN ('P', 'C')"), "0");
  EXPECT_EQ(s.value("SELECT nullable FROM user_tab_columns WHERE table_name = 'P' AND column_name = 'ID'"), "Y");
  EXPECT_EQ(s.value("SELECT count(*) FROM p"), "4");
  EXPECT_EQ(s.value("SELECT count(*) FROM user_indexes WHERE table_name = 'P'"), "0");
  // The database stays sound after its definitions were edited.
  ok("DELETE FROM p WHERE n = -5");
  ok("ALTER TABLE p ADD CONSTRAINT p_pk2 PRIMARY KEY (code)");
  ok("ALTER TABLE p RENAME CONSTRAINT p_pk2 TO p_key");
  EXPECT_EQ(code("INSERT INTO p VALUES (9, 'a', 1)"), 1);
  EXPECT_EQ(s.error_text().find("P_KEY") != std::string::npos, true) << s.error_text();
  EXPECT_EQ(s.value("SELECT index_name FROM user_indexes WHERE table_name = 'P'"), "P_KEY");
  EXPECT_EQ(code("ALTER TABLE p RENAME CONSTRAINT nothing TO x"), 2443);
  // DROP (columns): the rest move up in USER_TAB_COLUMNS.
  ok("ALTER TABLE c ADD (x NUMBER, y NUMBER, z NUMBER)");
  EXPECT_EQ(code("ALTER TABLE c DROP (x, nothing)"), 904);
  ok("ALTER TABLE c DROP (x, y)");
  EXPECT_EQ(s.rows("SELECT column_name || column_id FROM user_tab_columns WHERE table_name = 'C' ORDER BY 1"),
            (std::vector<std::string>{"ID1", "PID2", "Z3"}));
  EXPECT_EQ(s.value("SELECT count(*) FROM c WHERE z IS NULL"), "2");
}

TEST_F(AlterTable, DisabledConstraintsAreNotEnforcedAndEnableChecksTheRows) {
  ok("CREATE TABLE p4 (id NUMBER CONSTRAINT p4_pk PRIMARY KEY)");
  ok("CREATE TABLE c4 (id NUMBER, pid NUMBER, n NUMBER, CONSTRAINT c4_fk FOREIGN KEY (pid) REFERENCES p4,"
     " CONSTRAINT c4_ck CHECK (n > 0))");
  ok("INSERT INTO p4 VALUES (1)");
  EXPECT_EQ(code("ALTER TABLE p4 DISABLE CONSTRAINT p4_pk"), 2297);
  ok("ALTER TABLE c4 DISABLE CONSTRAINT c4_ck");
  ok("ALTER TABLE c4 MODIFY CONSTRAINT c4_fk DISABLE");
  EXPECT_EQ(states("C4"), (std::vector<std::string>{"C4_CK|C|DISABLED|NOT VALIDATED", "C4_FK|R|DISABLED|NOT VALIDATED"}));
  ok("INSERT INTO c4 VALUES (1, 5, -1)");
  EXPECT_EQ(code("ALTER TABLE c4 ENABLE CONSTRAINT c4_ck"), 2293);
  EXPECT_EQ(code("ALTER TABLE c4 ENABLE VALIDATE CONSTRAINT c4_fk"), 2298);
  ok("ALTER TABLE c4 ENABLE NOVALIDATE CONSTRAINT c4_ck");
  EXPECT_EQ(code("INSERT INTO c4 VALUES (2, NULL, -2)"), 2290);
  EXPECT_EQ(states("C4")[0], "C4_CK|C|ENABLED|NOT VALIDATED");
  ok("DELETE FROM c4");
  ok("ALTER TABLE c4 ENABLE CONSTRAINT c4_fk");
  EXPECT_EQ(code("INSERT INTO c4 VALUES (2, 7, 1)"), 2291);
  ok("ALTER TABLE p4 DISABLE PRIMARY KEY CASCADE");
  EXPECT_EQ(states("P4"), std::vector<std::string>{"P4_PK|P|DISABLED|NOT VALIDATED"});
  EXPECT_EQ(states("C4")[1], "C4_FK|R|DISABLED|NOT VALIDATED");
  ok("INSERT INTO p4 VALUES (1)");
  EXPECT_EQ(code("ALTER TABLE p4 ENABLE PRIMARY KEY"), 2437);
  EXPECT_EQ(code("ALTER TABLE c4 ENABLE CONSTRAINT c4_fk"), 2270);
  ok("DELETE FROM p4");
  ok("INSERT INTO p4 VALUES (1)");
  ok("ALTER TABLE p4 ENABLE PRIMARY KEY");
  EXPECT_EQ(code("INSERT INTO p4 VALUES (1)"), 1);
  // Constraints born disabled in ALTER TABLE ... ADD.
  ok("ALTER TABLE c4 ADD CONSTRAINT c4_uk UNIQUE (id) DISABLE");
  ok("ALTER TABLE c4 ADD CONSTRAINT c4_ck2 CHECK (id < 100) DEFERRABLE INITIALLY IMMEDIATE USING INDEX TABLESPACE users");
  EXPECT_EQ(s.value("SELECT status || deferrable || deferred FROM user_constraints WHERE constraint_name = 'C4_UK'"),
            "DISABLEDNOT DEFERRABLEIMMEDIATE");
  EXPECT_EQ(s.value("SELECT deferrable FROM user_constraints WHERE constraint_name = 'C4_CK2'"), "DEFERRABLE");
}

TEST_F(AlterTable, CreateTableTakesConstraintStates) {
  ok("CREATE TABLE p6 (id NUMBER CONSTRAINT p6_pk PRIMARY KEY USING INDEX TABLESPACE users PCTFREE 10 ENABLE,"
     " n NUMBER CONSTRAINT p6_nn NOT NULL DISABLE, m NUMBER CONSTRAINT p6_ck CHECK (m > 0) DISABLE,"
     " k NUMBER, CONSTRAINT p6_uk UNIQUE (k) DEFERRABLE INITIALLY IMMEDIATE ENABLE NOVALIDATE)");
  EXPECT_EQ(s.rows("SELECT constraint_name || ' ' || status || ' ' || validated || ' ' || deferrable FROM"
                   " user_constraints WHERE table_name = 'P6' ORDER BY 1"),
            (std::vector<std::string>{"P6_CK DISABLED NOT VALIDATED NOT DEFERRABLE",
                                      "P6_NN DISABLED NOT VALIDATED NOT DEFERRABLE",
                                      "P6_PK ENABLED VALIDATED NOT DEFERRABLE",
                                      "P6_UK ENABLED NOT VALIDATED DEFERRABLE"}));
  EXPECT_EQ(s.value("SELECT nullable FROM user_tab_columns WHERE table_name = 'P6' AND column_name = 'N'"), "Y");
  ok("INSERT INTO p6 VALUES (1, NULL, -1, 1)");
  EXPECT_EQ(code("INSERT INTO p6 VALUES (2, 1, 1, 1)"), 1);
  EXPECT_EQ(code("ALTER TABLE p6 ENABLE CONSTRAINT p6_nn"), 2296);
  EXPECT_EQ(code("ALTER TABLE p6 MODIFY CONSTRAINT p6_ck ENABLE VALIDATE"), 2293);
  ok("UPDATE p6 SET n = 1, m = 1");
  ok("ALTER TABLE p6 ENABLE CONSTRAINT p6_nn");
  ok("ALTER TABLE p6 ENABLE CONSTRAINT p6_ck");
  EXPECT_EQ(code("INSERT INTO p6 VALUES (3, NULL, 1, 3)"), 1400);
  EXPECT_EQ(code("INSERT INTO p6 VALUES (3, 1, 0, 3)"), 2290);
  EXPECT_EQ(code("CREATE GLOBAL TEMPORARY TABLE p7 (a NUMBER PRIMARY KEY INITIALLY DEFERRED)"), 3001);
  EXPECT_EQ(code("CREATE TABLE p7 (a NUMBER, CHECK (a > 0) DISABLE VALIDATE)"), 3001);
  EXPECT_EQ(code("CREATE TABLE p7 (a NUMBER PRIMARY KEY USING INDEX (CREATE INDEX i7 ON p7 (a)))"), 3001);
  EXPECT_EQ(code("ALTER TABLE p6 ADD (z NUMBER CONSTRAINT p6_z UNIQUE DISABLE)"), 3001);
}

TEST_F(AlterTable, DroppingAChildTableTakesItsForeignKeysAlong) {
  ok("CREATE TABLE pa9 (id NUMBER PRIMARY KEY)");
  ok("CREATE TABLE ch9 (pid NUMBER)");
  ok("ALTER TABLE ch9 ADD CONSTRAINT ch9_fk FOREIGN KEY (pid) REFERENCES pa9 ON DELETE CASCADE");
  ok("INSERT INTO pa9 VALUES (1)");
  ok("INSERT INTO ch9 VALUES (1)");
  ok("DROP TABLE ch9");
  ok("DELETE FROM pa9");
  ok("INSERT INTO pa9 VALUES (2)");
  ok("UPDATE pa9 SET id = 3");
}

TEST_F(AlterTable, TriggersOfATableGoOffAndOnTogether) {
  ok("CREATE TABLE t5 (a NUMBER)");
  ok("CREATE TABLE log5 (what VARCHAR2(20))");
  ok("CREATE TRIGGER t5_row BEFORE INSERT ON t5 FOR EACH ROW BEGIN INSERT INTO log5 VALUES ('row'); END;");
  ok("CREATE TRIGGER t5_stmt AFTER INSERT ON t5 BEGIN INSERT INTO log5 VALUES ('stmt'); END;");
  ok("ALTER TABLE t5 DISABLE ALL TRIGGERS");
  ok("INSERT INTO t5 VALUES (1)");
  EXPECT_EQ(s.value("SELECT count(*) FROM log5"), "0");
  EXPECT_EQ(s.rows("SELECT status FROM user_triggers WHERE table_name = 'T5' ORDER BY trigger_name"),
            (std::vector<std::string>{"DISABLED", "DISABLED"}));
  ok("ALTER TABLE t5 ENABLE ALL TRIGGERS");
  ok("INSERT INTO t5 VALUES (2)");
  EXPECT_EQ(s.value("SELECT count(*) FROM log5"), "2");
  // Editing the table's definition (a CREATE TABLE check taken out) keeps them firing.
  ok("CREATE TABLE t5b (a NUMBER CONSTRAINT t5b_ck CHECK (a > 0), b NUMBER DEFAULT 1)");
  ok("CREATE TRIGGER t5b_row BEFORE INSERT ON t5b FOR EACH ROW BEGIN :new.b := :new.a * 10; END;");
  ok("ALTER TABLE t5b DROP CONSTRAINT t5b_ck");
  ok("ALTER TABLE t5b MODIFY b DEFAULT 2");
  ok("INSERT INTO t5b (a) VALUES (-3)");
  EXPECT_EQ(s.value("SELECT b FROM t5b"), "-30");
  ok("ALTER TRIGGER t5b_row DISABLE");
  ok("INSERT INTO t5b (a) VALUES (4)");
  EXPECT_EQ(s.value("SELECT b FROM t5b WHERE a = 4"), "2");
}

}  // namespace
