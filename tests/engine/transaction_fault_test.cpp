// Commits, rollbacks and DDL that fail in the file layer (a full disk, a failing sync):
// the session's idea of its transaction follows SQLite's, so that no row of a failed
// commit survives and the statements after it run in a transaction of their own again.
#include "fault_vfs.h"
#include "oci_session.h"

namespace {

class TransactionFault : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test_against_oracle()) GTEST_SKIP() << "injects faults into the embedded engine's files";
    home = test_home();
    ASSERT_NE(test_oci(), nullptr);
    fault_vfs::install();
    ASSERT_EQ(s.connect("scott", "tiger", "faults"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("create table t (n number)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("insert into t values (1)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("commit"), OCI_SUCCESS);
  }
  void TearDown() override { fault_vfs::heal(); }

  // After a failed commit: rollback is accepted, the next insert is undone by a
  // rollback (it did not run on its own), and a new session sees only committed rows.
  void expect_session_usable() {
    EXPECT_EQ(s.exec("rollback"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select count(*) from t"), "1");
    ASSERT_EQ(s.exec("insert into t values (3)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.oci->OCITransRollback(s.svc, s.err, OCI_DEFAULT), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select count(*) from t"), "1");
    ASSERT_EQ(s.exec("insert into t values (4)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("commit"), OCI_SUCCESS) << s.error_text();
    s.disconnect();
    OciSession again;
    ASSERT_EQ(again.connect("scott", "tiger", "faults"), OCI_SUCCESS) << again.error_text();
    EXPECT_EQ(again.rows("select n from t order by n"), (std::vector<std::string>{"1", "4"}));
  }

  std::string home;
  OciSession s;
};

TEST_F(TransactionFault, CommitStatementOnAFullDisk) {
  ASSERT_EQ(s.exec("insert into t values (2)"), OCI_SUCCESS);
  fault_vfs::fail(fault_vfs::Call::Write, 0, true);
  EXPECT_EQ(s.exec("commit"), OCI_ERROR);
  fault_vfs::heal();
  EXPECT_NE(s.error_text().find("full"), std::string::npos) << s.error_text();
  expect_session_usable();
}

TEST_F(TransactionFault, TransCommitWhoseSyncFails) {
  ASSERT_EQ(s.exec("insert into t values (2)"), OCI_SUCCESS);
  fault_vfs::fail(fault_vfs::Call::Sync, 0);
  EXPECT_EQ(s.oci->OCITransCommit(s.svc, s.err, OCI_DEFAULT), OCI_ERROR);
  EXPECT_GT(fault_vfs::failures(fault_vfs::Call::Sync), 0);
  fault_vfs::heal();
  expect_session_usable();
}

TEST_F(TransactionFault, DdlThatCannotBeWrittenLeavesNothing) {
  ASSERT_EQ(s.exec("insert into t values (2)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("rollback"), OCI_SUCCESS);
  fault_vfs::fail(fault_vfs::Call::Write, 0, true);
  EXPECT_EQ(s.exec("create table u (n number)"), OCI_ERROR);
  fault_vfs::heal();
  EXPECT_EQ(s.exec("select * from u"), OCI_ERROR) << "the table was not created";
  EXPECT_EQ(s.error_code(), 942);
  expect_session_usable();
}

}  // namespace
