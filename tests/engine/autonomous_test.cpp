// Autonomous transactions through OCI: a unit with PRAGMA AUTONOMOUS_TRANSACTION commits
// its own changes, which survive the caller's ROLLBACK and ROLLBACK TO a savepoint taken
// before the call; nested autonomous calls; ORA-06519 for a unit that ends with changes
// it did not commit; a trigger with the pragma; the caller's commit.
#include "oci_session.h"

#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

class Autonomous : public ::testing::Test {
protected:
  void SetUp() override {
    if (test_against_oracle()) GTEST_SKIP() << "the engine's own store is checked";
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    ok("CREATE TABLE t (n NUMBER)");
    ok("CREATE TABLE log_t (m VARCHAR2(100))");
    ok("CREATE OR REPLACE PROCEDURE log_msg(m VARCHAR2) IS PRAGMA AUTONOMOUS_TRANSACTION; "
       "BEGIN INSERT INTO log_t VALUES (m); COMMIT; END;");
  }
  void ok(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << ": " << s.error_text(); }
  Rows log() { return s.rows("SELECT m FROM log_t ORDER BY m"); }
  std::string count_t() { return s.value("SELECT count(*) FROM t"); }
  OciSession s;
};

TEST_F(Autonomous, LogSurvivesTheCallersRollback) {
  ok("BEGIN INSERT INTO t VALUES (1); log_msg('x'); ROLLBACK; END;");
  EXPECT_EQ(count_t(), "0");
  EXPECT_EQ(log(), (Rows{"x"}));
  // The same with the caller's work sent statement by statement and rolled back by OCI.
  ok("INSERT INTO t VALUES (2)");
  ok("BEGIN log_msg('y'); END;");
  ok("INSERT INTO t VALUES (3)");
  ok("ROLLBACK");
  EXPECT_EQ(count_t(), "0");
  EXPECT_EQ(log(), (Rows{"x", "y"}));
  // A block that fails after the call takes back its own work only.
  EXPECT_NE(s.exec("BEGIN INSERT INTO t VALUES (4); log_msg('z'); RAISE no_data_found; END;"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 1403);
  ok("ROLLBACK");
  EXPECT_EQ(count_t(), "0");
  EXPECT_EQ(log(), (Rows{"x", "y", "z"}));
  // Another session sees the log, so it was committed.
  OciSession other;
  ASSERT_EQ(other.connect_test_user(), OCI_SUCCESS) << other.error_text();
  EXPECT_EQ(other.value("SELECT count(*) FROM log_t"), "3");
}

TEST_F(Autonomous, RollbackToASavepointBeforeTheCallKeepsTheLog) {
  ok("INSERT INTO t VALUES (1)");
  ok("SAVEPOINT a");
  ok("INSERT INTO t VALUES (2)");
  ok("BEGIN log_msg('one'); END;");
  ok("INSERT INTO t VALUES (3)");
  ok("ROLLBACK TO SAVEPOINT a");
  EXPECT_EQ(s.rows("SELECT n FROM t"), (Rows{"1"}));
  EXPECT_EQ(log(), (Rows{"one"}));
  // Rolled back to the same savepoint again, the log is still there; then in PL/SQL.
  ok("ROLLBACK TO SAVEPOINT a");
  EXPECT_EQ(log(), (Rows{"one"}));
  ok("BEGIN SAVEPOINT b; INSERT INTO t VALUES (5); log_msg('two'); ROLLBACK TO b; END;");
  EXPECT_EQ(s.rows("SELECT n FROM t"), (Rows{"1"}));
  EXPECT_EQ(log(), (Rows{"one", "two"}));
  ok("COMMIT");
  EXPECT_EQ(s.rows("SELECT n FROM t"), (Rows{"1"}));
  EXPECT_EQ(log(), (Rows{"one", "two"}));
  // After the commit nothing more is written again: a later rollback keeps one copy.
  ok("INSERT INTO t VALUES (6)");
  ok("ROLLBACK");
  EXPECT_EQ(log(), (Rows{"one", "two"}));
}

TEST_F(Autonomous, NestedAutonomousUnitsCommitApart) {
  ok("CREATE OR REPLACE PROCEDURE outer_p IS PRAGMA AUTONOMOUS_TRANSACTION; "
     "BEGIN INSERT INTO log_t VALUES ('outer'); log_msg('inner'); ROLLBACK; END;");
  ok("BEGIN INSERT INTO t VALUES (1); outer_p; ROLLBACK; END;");
  // The outer unit rolled its own row back, not the inner unit's commit.
  EXPECT_EQ(log(), (Rows{"inner"}));
  EXPECT_EQ(count_t(), "0");
  ok("CREATE OR REPLACE PROCEDURE outer_c IS PRAGMA AUTONOMOUS_TRANSACTION; "
     "BEGIN log_msg('in2'); INSERT INTO log_t VALUES ('out2'); COMMIT; END;");
  ok("BEGIN INSERT INTO t VALUES (1); outer_c; ROLLBACK; END;");
  EXPECT_EQ(log(), (Rows{"in2", "inner", "out2"}));
  // Called with no transaction open, the unit's commit is a commit of its own.
  ok("BEGIN outer_c; END;");
  EXPECT_EQ(s.value("SELECT count(*) FROM log_t"), "5");
}

TEST_F(Autonomous, UncommittedChangesRaiseOra06519AndAreRolledBack) {
  ok("CREATE OR REPLACE PROCEDURE forgets IS PRAGMA AUTONOMOUS_TRANSACTION; "
     "BEGIN INSERT INTO log_t VALUES ('lost'); END;");
  const std::string user = s.value("SELECT user FROM dual");
  ok("INSERT INTO t VALUES (1)");
  EXPECT_NE(s.exec("BEGIN forgets; END;"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 6519);
  EXPECT_EQ(s.error_text(), "ORA-06519: active autonomous transaction detected and rolled back\nORA-06512: at \"" +
                                user + ".FORGETS\", line 1\nORA-06512: at line 1\n");
  EXPECT_EQ(log(), Rows{});
  // The caller's transaction is untouched and still open.
  EXPECT_EQ(count_t(), "1");
  ok("ROLLBACK");
  EXPECT_EQ(count_t(), "0");
  // Without a transaction of the caller, and with the unit's own rollback undoing its
  // changes before a savepoint it took, the same holds.
  EXPECT_NE(s.exec("BEGIN forgets; END;"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 6519);
  EXPECT_EQ(log(), Rows{});
  ok("CREATE OR REPLACE PROCEDURE partly IS PRAGMA AUTONOMOUS_TRANSACTION; "
     "BEGIN INSERT INTO log_t VALUES ('kept'); SAVEPOINT s1; INSERT INTO log_t VALUES ('gone'); "
     "ROLLBACK TO s1; COMMIT; END;");
  ok("BEGIN INSERT INTO t VALUES (1); partly; ROLLBACK; END;");
  EXPECT_EQ(log(), (Rows{"kept"}));
  // A failed statement inside the unit is not part of what it commits.
  ok("CREATE TABLE u (n NUMBER PRIMARY KEY)");
  ok("CREATE OR REPLACE PROCEDURE dup IS PRAGMA AUTONOMOUS_TRANSACTION; "
     "BEGIN INSERT INTO u VALUES (1); BEGIN INSERT INTO u SELECT 2 FROM dual UNION ALL SELECT 1 FROM dual; "
     "EXCEPTION WHEN dup_val_on_index THEN NULL; END; COMMIT; END;");
  ok("BEGIN INSERT INTO t VALUES (1); dup; ROLLBACK; END;");
  EXPECT_EQ(s.rows("SELECT n FROM u"), (Rows{"1"}));
  // The unit cannot roll back to its caller's savepoint.
  ok("CREATE OR REPLACE PROCEDURE back_to IS PRAGMA AUTONOMOUS_TRANSACTION; BEGIN ROLLBACK TO a; END;");
  ok("SAVEPOINT a");
  EXPECT_NE(s.exec("BEGIN back_to; END;"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 1086);
}

TEST_F(Autonomous, TriggerWithThePragmaLogsRowsTheStatementRollsBack) {
  ok("CREATE OR REPLACE TRIGGER t_log AFTER INSERT ON t FOR EACH ROW DECLARE PRAGMA AUTONOMOUS_TRANSACTION; "
     "BEGIN INSERT INTO log_t VALUES ('row ' || :new.n); COMMIT; END;");
  ok("INSERT INTO t VALUES (1)");
  ok("INSERT INTO t VALUES (2)");
  ok("ROLLBACK");
  EXPECT_EQ(count_t(), "0");
  EXPECT_EQ(log(), (Rows{"row 1", "row 2"}));
  // A statement that fails after the trigger ran for its first row takes back its own
  // rows only; the trigger's commit stays.
  ok("CREATE TABLE k (n NUMBER PRIMARY KEY)");
  ok("CREATE OR REPLACE TRIGGER k_log BEFORE INSERT ON k FOR EACH ROW DECLARE PRAGMA AUTONOMOUS_TRANSACTION; "
     "BEGIN INSERT INTO log_t VALUES ('k ' || :new.n); COMMIT; END;");
  EXPECT_NE(s.exec("INSERT INTO k SELECT 7 FROM dual UNION ALL SELECT 7 FROM dual"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 1);
  EXPECT_EQ(s.value("SELECT count(*) FROM k"), "0");
  EXPECT_EQ(log(), (Rows{"k 7", "k 7", "row 1", "row 2"}));
  ok("ROLLBACK");
  EXPECT_EQ(log(), (Rows{"k 7", "k 7", "row 1", "row 2"}));
}

TEST_F(Autonomous, PackageSubprogramWithThePragma) {
  ok("CREATE OR REPLACE PACKAGE audit_pkg IS PROCEDURE note(m VARCHAR2); FUNCTION noted RETURN NUMBER; END;");
  ok("CREATE OR REPLACE PACKAGE BODY audit_pkg IS "
     "PROCEDURE note(m VARCHAR2) IS PRAGMA AUTONOMOUS_TRANSACTION; BEGIN INSERT INTO log_t VALUES (m); COMMIT; END; "
     "FUNCTION noted RETURN NUMBER IS n NUMBER; BEGIN SELECT count(*) INTO n FROM log_t; RETURN n; END; END;");
  ok("BEGIN INSERT INTO t VALUES (1); audit_pkg.note('a'); UPDATE log_t SET m = 'changed'; "
     "audit_pkg.note('b'); ROLLBACK; END;");
  EXPECT_EQ(count_t(), "0");
  // The caller's update of the logged row went with its rollback; both notes stay.
  EXPECT_EQ(log(), (Rows{"a", "b"}));
}

TEST_F(Autonomous, CommitInTheCallerKeepsBothOnce) {
  ok("CREATE OR REPLACE FUNCTION next_id RETURN NUMBER IS PRAGMA AUTONOMOUS_TRANSACTION; n NUMBER; "
     "BEGIN INSERT INTO log_t VALUES ('f'); COMMIT; SELECT count(*) INTO n FROM log_t; RETURN n; END;");
  ok("BEGIN INSERT INTO t VALUES (next_id); log_msg('p'); COMMIT; END;");
  EXPECT_EQ(s.rows("SELECT n FROM t"), (Rows{"1"}));
  EXPECT_EQ(log(), (Rows{"f", "p"}));
  ok("ROLLBACK");
  EXPECT_EQ(log(), (Rows{"f", "p"}));
  // Called from a query inside an open transaction, the function's commit stays too.
  ok("INSERT INTO t VALUES (9)");
  EXPECT_EQ(s.value("SELECT next_id FROM dual"), "3");
  ok("ROLLBACK");
  EXPECT_EQ(s.rows("SELECT n FROM t"), (Rows{"1"}));
  EXPECT_EQ(log(), (Rows{"f", "f", "p"}));
  // Dynamic COMMIT is the unit's own; dynamic DDL inside the caller's transaction is refused.
  ok("CREATE OR REPLACE PROCEDURE dyn(ddl BOOLEAN) IS PRAGMA AUTONOMOUS_TRANSACTION; BEGIN "
     "INSERT INTO log_t VALUES ('d'); EXECUTE IMMEDIATE 'COMMIT'; "
     "IF ddl THEN EXECUTE IMMEDIATE 'CREATE TABLE z (n NUMBER)'; END IF; END;");
  ok("BEGIN INSERT INTO t VALUES (5); dyn(false); ROLLBACK; END;");
  EXPECT_EQ(log(), (Rows{"d", "f", "f", "p"}));
  ok("INSERT INTO t VALUES (5)");
  EXPECT_NE(s.exec("BEGIN dyn(true); END;"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 3001);
  ok("ROLLBACK");
  EXPECT_EQ(s.rows("SELECT n FROM t"), (Rows{"1"}));
  EXPECT_EQ(log(), (Rows{"d", "d", "f", "f", "p"}));
  // The pragma belongs in a unit's declarations, not a package's.
  EXPECT_NE(s.exec("CREATE OR REPLACE PACKAGE pk IS PRAGMA AUTONOMOUS_TRANSACTION; PROCEDURE p; END;"),
            OCI_SUCCESS);
  EXPECT_NE(s.rows("SELECT text FROM user_errors WHERE name = 'PK'").at(0).find("PLS-00710"), std::string::npos);
}

}  // namespace
