// Foreign keys declared INITIALLY DEFERRED through OCI: checked at COMMIT, where a
// violation rolls the transaction back (ORA-02091 naming the key with ORA-02291), shown
// as DEFERRABLE/DEFERRED by the dictionary; the kinds of constraint the engine can only
// check at each statement are refused when declared deferred.
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
  EXPECT_EQ(code("CREATE TABLE u (n NUMBER UNIQUE INITIALLY DEFERRED)"), 3001);
  EXPECT_EQ(code("CREATE TABLE u (n NUMBER, CONSTRAINT u_pk PRIMARY KEY (n) DEFERRABLE INITIALLY DEFERRED)"), 3001);
  EXPECT_EQ(code("CREATE TABLE u (n NUMBER CHECK (n > 0) INITIALLY DEFERRED)"), 3001);
  EXPECT_EQ(code("CREATE TABLE u (n NUMBER NOT NULL INITIALLY DEFERRED)"), 3001);
  EXPECT_EQ(code("CREATE TABLE u (n NUMBER REFERENCES p NOT DEFERRABLE INITIALLY DEFERRED)"), 2447);
  EXPECT_EQ(code("ALTER TABLE c ADD CONSTRAINT c_fk3 FOREIGN KEY (qid) REFERENCES p INITIALLY DEFERRED"), 3001);
  EXPECT_EQ(s.value("SELECT count(*) FROM user_tables WHERE table_name = 'U'"), "0");
}

TEST_F(DeferredConstraint, SetConstraintsImmediateChecksTheDeferredRowsAndKeepsTheTransaction) {
  const std::string user = s.value("SELECT user FROM dual");
  ok("CREATE TABLE d (pid NUMBER CONSTRAINT d_fk REFERENCES p DEFERRABLE INITIALLY DEFERRED)");
  ok("INSERT INTO p VALUES (1)");
  ok("INSERT INTO c (id, pid) VALUES (1, 1)");
  ok("SET CONSTRAINTS ALL IMMEDIATE");
  ok("INSERT INTO c (id, pid) VALUES (2, 5)");
  // The violation is the statement's error: the rows stay and can be mended.
  EXPECT_EQ(code("SET CONSTRAINT c_fk IMMEDIATE"), 2291);
  EXPECT_EQ(s.error_text(), "ORA-02291: integrity constraint (" + user + ".C_FK) violated - parent key not found\n");
  EXPECT_EQ(code("SET CONSTRAINTS ALL IMMEDIATE"), 2291);
  EXPECT_EQ(s.value("SELECT count(*) FROM c"), "2");
  // Another deferred key that holds is no error, with the owner given or not.
  ok("INSERT INTO d VALUES (1)");
  ok("INSERT INTO c (id, pid) VALUES (3, 6)");
  ok("SET CONSTRAINTS " + user + ".d_fk IMMEDIATE");
  ok("INSERT INTO p VALUES (5)");
  EXPECT_EQ(code("SET CONSTRAINTS d_fk, c_fk IMMEDIATE"), 2291);
  ok("INSERT INTO p VALUES (6)");
  ok("SET CONSTRAINTS d_fk, c_fk IMMEDIATE");
  ok("COMMIT");
  EXPECT_EQ(s.value("SELECT count(*) FROM c"), "3");
  // A parent deleted under a deferred key leaves an orphan the check finds too.
  ok("DELETE FROM p WHERE id = 5");
  EXPECT_EQ(code("SET CONSTRAINTS ALL IMMEDIATE"), 2291);
  ok("ROLLBACK");
  EXPECT_EQ(s.value("SELECT count(*) FROM p"), "3");
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
