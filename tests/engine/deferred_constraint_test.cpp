// Deferrable constraints through OCI: foreign keys, primary and unique keys and checks
// declared INITIALLY DEFERRED are checked at COMMIT, where a violation rolls the
// transaction back (ORA-02091 followed by the constraint's own error); SET CONSTRAINTS
// changes their modes until the transaction ends; the dictionary shows the states.
#include "oci_session.h"

#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

class DeferredConstraint : public ::testing::Test {
protected:
  void SetUp() override {
    if (test_against_oracle()) GTEST_SKIP() << "the engine's own refusals are checked";
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    ok("CREATE TABLE p (id NUMBER PRIMARY KEY)");
    ok("CREATE TABLE c (id NUMBER, pid NUMBER CONSTRAINT c_fk REFERENCES p DEFERRABLE INITIALLY DEFERRED, "
       "qid NUMBER CONSTRAINT c_fk2 REFERENCES p)");
  }
  void ok(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << ": " << s.error_text(); }
  int code(const std::string& sql) {
    EXPECT_NE(s.exec(sql), OCI_SUCCESS) << sql;
    return s.error_code();
  }
  OciSession s;
};

TEST_F(DeferredConstraint, ChildBeforeParentCommitsAndTheDictionaryShowsTheState) {
  ok("INSERT INTO c (id, pid) VALUES (1, 10)");
  ok("INSERT INTO p VALUES (10)");
  ok("COMMIT");
  EXPECT_EQ(s.value("SELECT count(*) FROM c"), "1");
  EXPECT_EQ(s.rows("SELECT constraint_name, deferrable, deferred FROM user_constraints WHERE table_name = 'C' "
                   "ORDER BY 1"),
            (Rows{"C_FK|DEFERRABLE|DEFERRED", "C_FK2|NOT DEFERRABLE|IMMEDIATE"}));
  // The key that is not deferred is still checked at the statement.
  EXPECT_EQ(code("INSERT INTO c (id, qid) VALUES (2, 99)"), 2291);
}

TEST_F(DeferredConstraint, ViolationAtCommitRollsTheTransactionBack) {
  const std::string user = s.value("SELECT user FROM dual");
  ok("INSERT INTO p VALUES (1)");
  ok("INSERT INTO c (id, pid) VALUES (1, 77)");
  EXPECT_EQ(code("COMMIT"), 2091);
  EXPECT_EQ(s.error_text(), "ORA-02091: transaction rolled back\nORA-02291: integrity constraint (" + user +
                                ".C_FK) violated - parent key not found\n");
  EXPECT_EQ(s.value("SELECT count(*) FROM p"), "0");
  EXPECT_EQ(s.value("SELECT count(*) FROM c"), "0");
  // The session goes on with a new transaction.
  ok("INSERT INTO p VALUES (2)");
  ok("COMMIT");
  EXPECT_EQ(s.value("SELECT count(*) FROM p"), "1");
  // Inside PL/SQL, COMMIT raises the same error.
  ok("INSERT INTO c (id, pid) VALUES (3, 88)");
  std::string out = server_output_of(s, "BEGIN COMMIT; END;");
  EXPECT_NE(out.find("ORA-02091"), std::string::npos) << out;
  EXPECT_NE(out.find(".C_FK) violated"), std::string::npos) << out;
  EXPECT_EQ(s.value("SELECT count(*) FROM c"), "0");
}

TEST_F(DeferredConstraint, WhatCannotBeDeferredIsRefused) {
  EXPECT_EQ(code("CREATE GLOBAL TEMPORARY TABLE u (n NUMBER NOT NULL INITIALLY DEFERRED)"), 3001);
  EXPECT_EQ(code("CREATE TABLE u (n NUMBER REFERENCES p NOT DEFERRABLE INITIALLY DEFERRED)"), 2447);
  EXPECT_EQ(code("ALTER TABLE c ADD CONSTRAINT c_fk3 FOREIGN KEY (qid) REFERENCES p INITIALLY DEFERRED"), 3001);
  EXPECT_EQ(code("CREATE GLOBAL TEMPORARY TABLE u (n NUMBER UNIQUE INITIALLY DEFERRED)"), 3001);
  EXPECT_EQ(s.value("SELECT count(*) FROM user_tables WHERE table_name = 'U'"), "0");
  // When a constraint is checked is settled when it is added.
  ok("CREATE TABLE u (n NUMBER CONSTRAINT u_u UNIQUE DEFERRABLE)");
  EXPECT_EQ(code("ALTER TABLE u MODIFY CONSTRAINT u_u INITIALLY DEFERRED"), 3001);
}

TEST_F(DeferredConstraint, DeferredKeysAndChecksHoldAtCommitAndRollTheTransactionBackWhenBroken) {
  const std::string user = s.value("SELECT user FROM dual");
  ok("CREATE TABLE t2 (a NUMBER, b NUMBER, CONSTRAINT t2u UNIQUE (a) DEFERRABLE INITIALLY DEFERRED)");
  ok("CREATE TABLE k (id NUMBER CONSTRAINT k_pk PRIMARY KEY DEFERRABLE INITIALLY DEFERRED, note VARCHAR2(10))");
  ok("CREATE TABLE ck (n NUMBER CONSTRAINT ck_pos CHECK (n > 0) DEFERRABLE INITIALLY DEFERRED)");
  // Broken inside the transaction, mended before COMMIT.
  ok("INSERT INTO t2 VALUES (1, 1)");
  ok("INSERT INTO t2 VALUES (1, 2)");
  ok("UPDATE t2 SET a = 2 WHERE b = 2");
  ok("INSERT INTO k VALUES (1, 'one')");
  ok("INSERT INTO k VALUES (2, 'two')");
  ok("UPDATE k SET id = 3 - id");
  ok("INSERT INTO ck VALUES (-1)");
  ok("UPDATE ck SET n = 5");
  ok("COMMIT");
  EXPECT_EQ(s.rows("SELECT a FROM t2 ORDER BY a"), (Rows{"1", "2"}));
  EXPECT_EQ(s.rows("SELECT id || note FROM k ORDER BY id"), (Rows{"1two", "2one"}));
  // A deferrable key's index is not unique, as Oracle builds it.
  EXPECT_EQ(s.rows("SELECT index_name, uniqueness FROM user_indexes WHERE table_name IN ('K', 'T2') ORDER BY 1"),
            (Rows{"K_PK|NONUNIQUE", "T2U|NONUNIQUE"}));
  // A primary key's columns refuse NULL at once.
  EXPECT_EQ(code("INSERT INTO k VALUES (NULL, 'x')"), 1400);
  // Broken at COMMIT: every row of the transaction goes, of every table.
  const std::vector<std::pair<std::string, std::string>> broken = {
      {"INSERT INTO t2 VALUES (2, 0)", "ORA-00001: unique constraint (" + user + ".T2U) violated"},
      {"UPDATE k SET id = 1", "ORA-00001: unique constraint (" + user + ".K_PK) violated"},
      {"INSERT INTO ck VALUES (0)", "ORA-02290: check constraint (" + user + ".CK_POS) violated"},
  };
  for (const auto& b : broken) {
    ok("INSERT INTO p VALUES (100)");
    ok(b.first);
    EXPECT_EQ(code("COMMIT"), 2091) << b.first;
    EXPECT_EQ(s.error_text(), "ORA-02091: transaction rolled back\n" + b.second + "\n");
    EXPECT_EQ(s.value("SELECT count(*) FROM p"), "0") << b.first;
  }
  EXPECT_EQ(s.rows("SELECT a FROM t2 ORDER BY a"), (Rows{"1", "2"}));
  EXPECT_EQ(s.rows("SELECT id || note FROM k ORDER BY id"), (Rows{"1two", "2one"}));
  EXPECT_EQ(s.rows("SELECT n FROM ck"), (Rows{"5"}));
  // NULL keys are no duplicates, and a check that is unknown holds.
  ok("INSERT INTO t2 VALUES (NULL, 0)");
  ok("INSERT INTO t2 VALUES (NULL, 0)");
  ok("INSERT INTO ck VALUES (NULL)");
  ok("COMMIT");
  EXPECT_EQ(s.value("SELECT count(*) FROM t2"), "4");
  // Inside PL/SQL, COMMIT raises the same error.
  ok("INSERT INTO t2 VALUES (1, 0)");
  std::string out = server_output_of(s, "BEGIN COMMIT; END;");
  EXPECT_NE(out.find("ORA-02091"), std::string::npos) << out;
  EXPECT_NE(out.find(".T2U) violated"), std::string::npos) << out;
  EXPECT_EQ(s.value("SELECT count(*) FROM t2"), "4");
}

TEST_F(DeferredConstraint, DeferrableInitiallyImmediateIsCheckedAtEachStatementUntilDeferred) {
  const std::string user = s.value("SELECT user FROM dual");
  ok("CREATE TABLE u (n NUMBER CONSTRAINT u_u UNIQUE DEFERRABLE INITIALLY IMMEDIATE, "
     "m NUMBER CONSTRAINT u_ck CHECK (m < 10) DEFERRABLE, "
     "CONSTRAINT u_nn CHECK (m IS NOT NULL) DEFERRABLE)");
  ok("INSERT INTO u VALUES (1, 1)");
  // The statement fails, the transaction and its rows stay.
  EXPECT_EQ(code("INSERT INTO u VALUES (1, 2)"), 1);
  EXPECT_EQ(s.error_text(), "ORA-00001: unique constraint (" + user + ".U_U) violated\n");
  EXPECT_EQ(code("INSERT INTO u VALUES (2, 10)"), 2290);
  EXPECT_EQ(code("INSERT INTO u VALUES (2, NULL)"), 2290);
  EXPECT_EQ(s.error_text(), "ORA-02290: check constraint (" + user + ".U_NN) violated\n");
  EXPECT_EQ(s.value("SELECT count(*) FROM u"), "1");
  ok("SET CONSTRAINTS u_u, u_ck DEFERRED");
  ok("INSERT INTO u VALUES (1, 20)");
  EXPECT_EQ(code("INSERT INTO u VALUES (3, NULL)"), 2290);
  // IMMEDIATE checks what was deferred now; the rows can then be mended.
  EXPECT_EQ(code("SET CONSTRAINT u_u IMMEDIATE"), 1);
  EXPECT_EQ(s.error_text(), "ORA-00001: unique constraint (" + user + ".U_U) violated\n");
  ok("UPDATE u SET n = 2 WHERE m = 20");
  ok("SET CONSTRAINT u_u IMMEDIATE");
  // From now on u_u is checked at each statement again, u_ck still at COMMIT.
  EXPECT_EQ(code("INSERT INTO u VALUES (2, 3)"), 1);
  ok("INSERT INTO u VALUES (3, 30)");
  EXPECT_EQ(code("SET CONSTRAINTS ALL IMMEDIATE"), 2290);
  ok("UPDATE u SET m = m / 10 WHERE m >= 10");
  ok("SET CONSTRAINTS ALL IMMEDIATE");
  EXPECT_EQ(code("INSERT INTO u VALUES (4, 40)"), 2290);
  ok("COMMIT");
  EXPECT_EQ(s.rows("SELECT n || ':' || m FROM u ORDER BY n"), (Rows{"1:1", "2:2", "3:3"}));
  // COMMIT returned every constraint to its initial mode.
  EXPECT_EQ(code("INSERT INTO u VALUES (1, 1)"), 1);
  ok("SET CONSTRAINTS ALL DEFERRED");
  ok("INSERT INTO u VALUES (1, 1)");
  ok("ROLLBACK");
  EXPECT_EQ(code("INSERT INTO u VALUES (1, 1)"), 1);
  // Set before the transaction's first change, the mode holds for it.
  ok("SET CONSTRAINT u_u DEFERRED");
  ok("INSERT INTO u VALUES (1, 1)");
  EXPECT_EQ(code("COMMIT"), 2091);
  EXPECT_EQ(s.value("SELECT count(*) FROM u"), "3");
}

TEST_F(DeferredConstraint, NotNullDeclaredDeferrable) {
  const std::string user = s.value("SELECT user FROM dual");
  ok("CREATE TABLE nn (a NUMBER CONSTRAINT nn_a NOT NULL DEFERRABLE INITIALLY DEFERRED, "
     "b NUMBER NOT NULL DEFERRABLE, c NUMBER NOT NULL, d NUMBER NOT NULL DEFERRABLE, CONSTRAINT nn_pk PRIMARY KEY (d))");
  EXPECT_EQ(s.rows("SELECT c.column_name, k.deferrable, k.deferred FROM user_constraints k JOIN user_cons_columns c "
                   "ON c.constraint_name = k.constraint_name WHERE k.table_name = 'NN' ORDER BY 1, 2"),
            (Rows{"A|DEFERRABLE|DEFERRED", "B|DEFERRABLE|IMMEDIATE", "C|NOT DEFERRABLE|IMMEDIATE",
                  "D|NOT DEFERRABLE|IMMEDIATE"}));
  EXPECT_EQ(s.rows("SELECT nullable FROM user_tab_columns WHERE table_name = 'NN' ORDER BY column_id"),
            (Rows{"N", "N", "N", "N"}));
  ok("INSERT INTO nn VALUES (NULL, 1, 1, 1)");
  EXPECT_EQ(code("INSERT INTO nn VALUES (1, NULL, 1, 2)"), 1400);
  EXPECT_EQ(code("INSERT INTO nn VALUES (1, 1, NULL, 2)"), 1400);
  EXPECT_EQ(code("INSERT INTO nn VALUES (1, 1, 1, NULL)"), 1400);
  ok("UPDATE nn SET a = 1");
  ok("COMMIT");
  ok("UPDATE nn SET a = NULL");
  EXPECT_EQ(code("COMMIT"), 2091);
  EXPECT_EQ(s.error_text(), "ORA-02091: transaction rolled back\nORA-02290: check constraint (" + user +
                                ".NN_A) violated\n");
  EXPECT_EQ(s.value("SELECT a FROM nn"), "1");
  EXPECT_EQ(code("UPDATE nn SET b = NULL"), 1407);
  ok("SET CONSTRAINTS ALL DEFERRED");
  ok("UPDATE nn SET b = NULL");
  EXPECT_EQ(code("SET CONSTRAINTS ALL IMMEDIATE"), 2290);
  ok("ROLLBACK");
  EXPECT_EQ(s.value("SELECT b FROM nn"), "1");
}

TEST_F(DeferredConstraint, ARenamedColumnKeepsItsChecks) {
  const std::string user = s.value("SELECT user FROM dual");
  ok("CREATE TABLE r (n NUMBER NOT NULL, m NUMBER, "
     "CONSTRAINT r_ck CHECK (n > 0 AND m <> n AND 'N' <> nvl(to_char(m), 'n')) DEFERRABLE INITIALLY DEFERRED)");
  ok("ALTER TABLE r RENAME COLUMN n TO qty");
  EXPECT_EQ(s.rows("SELECT search_condition FROM user_constraints WHERE table_name = 'R' ORDER BY 1"),
            (Rows{"\"QTY\" IS NOT NULL", "QTY > 0 AND m <> QTY AND 'N' <> nvl(to_char(m), 'n')"}));
  ok("INSERT INTO r VALUES (-1, 5)");
  EXPECT_EQ(code("COMMIT"), 2091);
  EXPECT_EQ(s.error_text(),
            "ORA-02091: transaction rolled back\nORA-02290: check constraint (" + user + ".R_CK) violated\n");
  ok("INSERT INTO r VALUES (1, 5)");
  ok("COMMIT");
  EXPECT_EQ(s.value("SELECT count(*) FROM r"), "1");
  // Enabled again after the rename, the check is read from its renamed text.
  ok("ALTER TABLE r DISABLE CONSTRAINT r_ck");
  ok("INSERT INTO r VALUES (2, 2)");
  ok("COMMIT");
  EXPECT_EQ(code("ALTER TABLE r ENABLE CONSTRAINT r_ck"), 2293);
}

TEST_F(DeferredConstraint, SetConstraintsImmediateHoldsForTheInitiallyDeferred) {
  ok("CREATE TABLE t2 (a NUMBER, CONSTRAINT t2u UNIQUE (a) DEFERRABLE INITIALLY DEFERRED)");
  ok("SET CONSTRAINTS ALL IMMEDIATE");
  ok("INSERT INTO t2 VALUES (1)");
  EXPECT_EQ(code("INSERT INTO t2 VALUES (1)"), 1);
  ok("SET CONSTRAINT t2u DEFERRED");
  ok("INSERT INTO t2 VALUES (1)");
  EXPECT_EQ(code("SET CONSTRAINTS ALL IMMEDIATE"), 1);
  ok("DELETE FROM t2");
  ok("COMMIT");
  // Deferred again in the next transaction.
  ok("INSERT INTO t2 VALUES (7)");
  ok("INSERT INTO t2 VALUES (7)");
  ok("ROLLBACK");
  EXPECT_EQ(s.value("SELECT count(*) FROM t2"), "0");
}

TEST_F(DeferredConstraint, AlterTableAddsDropsDisablesAndEnablesDeferrableConstraints) {
  const std::string user = s.value("SELECT user FROM dual");
  ok("CREATE TABLE a (id NUMBER, v NUMBER)");
  ok("INSERT INTO a VALUES (1, 1)");
  ok("INSERT INTO a VALUES (2, 2)");
  ok("COMMIT");
  ok("ALTER TABLE a ADD CONSTRAINT a_pk PRIMARY KEY (id) DEFERRABLE INITIALLY DEFERRED");
  ok("ALTER TABLE a ADD CONSTRAINT a_u UNIQUE (v) DEFERRABLE");
  ok("ALTER TABLE a ADD CONSTRAINT a_ck CHECK (v > 0) INITIALLY DEFERRED");
  EXPECT_EQ(s.rows("SELECT constraint_name, constraint_type, deferrable, deferred FROM user_constraints "
                   "WHERE table_name = 'A' ORDER BY 1"),
            (Rows{"A_CK|C|DEFERRABLE|DEFERRED", "A_PK|P|DEFERRABLE|DEFERRED", "A_U|U|DEFERRABLE|IMMEDIATE"}));
  ok("INSERT INTO a VALUES (1, 3)");
  EXPECT_EQ(code("INSERT INTO a VALUES (3, 3)"), 1);
  ok("INSERT INTO a VALUES (4, -4)");
  EXPECT_EQ(code("COMMIT"), 2091);
  EXPECT_EQ(s.value("SELECT count(*) FROM a"), "2");
  // Disabled, the constraints let anything in; enabled again they find what breaks them.
  ok("ALTER TABLE a DISABLE CONSTRAINT a_pk");
  ok("ALTER TABLE a DISABLE CONSTRAINT a_ck");
  ok("INSERT INTO a VALUES (1, -1)");
  ok("COMMIT");
  EXPECT_EQ(code("ALTER TABLE a ENABLE VALIDATE CONSTRAINT a_pk"), 2437);
  EXPECT_EQ(code("ALTER TABLE a ENABLE VALIDATE CONSTRAINT a_ck"), 2293);
  EXPECT_EQ(s.rows("SELECT constraint_name, status FROM user_constraints WHERE table_name = 'A' ORDER BY 1"),
            (Rows{"A_CK|DISABLED", "A_PK|DISABLED", "A_U|ENABLED"}));
  ok("DELETE FROM a WHERE v = -1");
  ok("COMMIT");
  ok("ALTER TABLE a ENABLE VALIDATE CONSTRAINT a_pk");
  ok("ALTER TABLE a ENABLE CONSTRAINT a_ck");
  // Enabled again, still deferred.
  ok("INSERT INTO a VALUES (2, 5)");
  ok("INSERT INTO a VALUES (9, -9)");
  ok("DELETE FROM a WHERE v IN (5, -9)");
  ok("COMMIT");
  ok("INSERT INTO a VALUES (1, 7)");
  EXPECT_EQ(code("COMMIT"), 2091);
  EXPECT_EQ(s.error_text(),
            "ORA-02091: transaction rolled back\nORA-00001: unique constraint (" + user + ".A_PK) violated\n");
  // Dropped, a key leaves neither its index nor its check behind.
  ok("ALTER TABLE a DROP CONSTRAINT a_u");
  ok("ALTER TABLE a DROP PRIMARY KEY");
  ok("INSERT INTO a VALUES (1, 1)");
  ok("COMMIT");
  EXPECT_EQ(s.value("SELECT count(*) FROM a"), "3");
  EXPECT_EQ(s.value("SELECT count(*) FROM user_indexes WHERE table_name = 'A'"), "0");
  EXPECT_EQ(s.rows("SELECT constraint_name FROM user_constraints WHERE table_name = 'A'"), (Rows{"A_CK"}));
}

TEST_F(DeferredConstraint, SetConstraintsImmediateChecksTheDeferredRowsAndHoldsForTheTransaction) {
  const std::string user = s.value("SELECT user FROM dual");
  ok("CREATE TABLE d (pid NUMBER CONSTRAINT d_fk REFERENCES p DEFERRABLE INITIALLY DEFERRED)");
  ok("INSERT INTO p VALUES (1)");
  ok("INSERT INTO c (id, pid) VALUES (1, 1)");
  ok("SET CONSTRAINTS ALL IMMEDIATE");
  // IMMEDIATE holds: a statement that breaks the key fails, the transaction stays.
  EXPECT_EQ(code("INSERT INTO c (id, pid) VALUES (2, 5)"), 2291);
  EXPECT_EQ(s.error_text(), "ORA-02291: integrity constraint (" + user + ".C_FK) violated - parent key not found\n");
  EXPECT_EQ(s.value("SELECT count(*) FROM c"), "1");
  ok("SET CONSTRAINT c_fk DEFERRED");
  ok("INSERT INTO c (id, pid) VALUES (2, 5)");
  // The violation is the statement's error: the rows stay and can be mended.
  EXPECT_EQ(code("SET CONSTRAINT c_fk IMMEDIATE"), 2291);
  EXPECT_EQ(s.error_text(), "ORA-02291: integrity constraint (" + user + ".C_FK) violated - parent key not found\n");
  EXPECT_EQ(code("SET CONSTRAINTS ALL IMMEDIATE"), 2291);
  EXPECT_EQ(s.value("SELECT count(*) FROM c"), "2");
  ok("SET CONSTRAINTS ALL DEFERRED");
  // Another deferred key that holds is no error, with the owner given or not.
  ok("INSERT INTO d VALUES (1)");
  ok("INSERT INTO c (id, pid) VALUES (3, 6)");
  ok("SET CONSTRAINTS " + user + ".d_fk IMMEDIATE");
  EXPECT_EQ(code("INSERT INTO d VALUES (9)"), 2291);
  EXPECT_EQ(s.error_text(), "ORA-02291: integrity constraint (" + user + ".D_FK) violated - parent key not found\n");
  ok("INSERT INTO p VALUES (5)");
  EXPECT_EQ(code("SET CONSTRAINTS d_fk, c_fk IMMEDIATE"), 2291);
  ok("INSERT INTO p VALUES (6)");
  ok("SET CONSTRAINTS d_fk, c_fk IMMEDIATE");
  ok("COMMIT");
  EXPECT_EQ(s.value("SELECT count(*) FROM c"), "3");
  EXPECT_EQ(s.value("SELECT count(*) FROM d"), "1");
  // COMMIT returned the keys to DEFERRED.
  ok("INSERT INTO c (id, pid) VALUES (4, 7)");
  ok("DELETE FROM c WHERE id = 4");
  // A parent deleted under a deferred key leaves an orphan the check finds too.
  ok("DELETE FROM p WHERE id = 5");
  EXPECT_EQ(code("SET CONSTRAINTS ALL IMMEDIATE"), 2291);
  ok("ROLLBACK");
  EXPECT_EQ(s.value("SELECT count(*) FROM p"), "3");
}

TEST_F(DeferredConstraint, AnotherUsersConstraintsAreNotTheSessionsToDefer) {
  OciSession other;
  ASSERT_EQ(other.connect("adams", "wood", ""), OCI_SUCCESS) << other.error_text();
  ASSERT_EQ(other.exec("CREATE TABLE o (n NUMBER CONSTRAINT o_u UNIQUE DEFERRABLE, "
                       "m NUMBER CONSTRAINT o_ck CHECK (m > 0) DEFERRABLE)"),
            OCI_SUCCESS)
      << other.error_text();
  ok("SET CONSTRAINTS ALL DEFERRED");
  ok("INSERT INTO c (id, pid) VALUES (1, 42)");
  EXPECT_EQ(code("COMMIT"), 2091);
  // The session's own deferrable key that SQLite keeps (on a temporary table) is refused.
  ok("CREATE GLOBAL TEMPORARY TABLE f (n NUMBER CONSTRAINT f_u UNIQUE DEFERRABLE)");
  EXPECT_EQ(code("SET CONSTRAINTS ALL DEFERRED"), 3001);
  EXPECT_EQ(code("SET CONSTRAINT f_u DEFERRED"), 3001);
  ok("SET CONSTRAINT f_u IMMEDIATE");
}

TEST_F(DeferredConstraint, SetConstraintsNamesDeferrableConstraints) {
  ok("CREATE TABLE e (pid NUMBER CONSTRAINT e_fk REFERENCES p DEFERRABLE INITIALLY IMMEDIATE)");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"SET CONSTRAINT c_fk2 DEFERRED", "ORA-02447: cannot defer a constraint that is not deferrable\n"},
      {"SET CONSTRAINTS c_fk, nope IMMEDIATE", "ORA-02448: constraint does not exist\n"},
      {"SET CONSTRAINTS c_fk DEFERRED", ""},
      {"SET CONSTRAINTS e_fk IMMEDIATE", ""},
      {"SET CONSTRAINTS c_fk, e_fk DEFERRED", "ORA-03001: unimplemented feature\n"},
      {"SET CONSTRAINTS ALL DEFERRED", "ORA-03001: unimplemented feature\n"},
      {"SET CONSTRAINTS ALL", "ORA-00905: missing keyword\n"},
      {"SET CONSTRAINTS c_fk IMMEDIATE x", "ORA-00933: SQL command not properly ended\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(s.exec(c.first) == OCI_SUCCESS ? "" : s.error_text(), c.second) << c.first;
  }
  // Where the error points: the offending name.
  OciStatement st(s, "SET CONSTRAINTS c_fk, nope IMMEDIATE");
  EXPECT_NE(st.execute(1), OCI_SUCCESS);
  EXPECT_EQ(st.attr_ub2(OCI_ATTR_PARSE_ERROR_OFFSET), 22);
  OciStatement e(s, "SET CONSTRAINTS c_fk, e_fk DEFERRED");
  EXPECT_NE(e.execute(1), OCI_SUCCESS);
  EXPECT_EQ(e.attr_ub2(OCI_ATTR_PARSE_ERROR_OFFSET), 22);
}

}  // namespace
