// Commits, rollbacks and DDL that fail in the file layer (a full disk, a failing sync):
// the session's idea of its transaction follows SQLite's, so that no row of a failed
// commit survives and the statements after it run in a transaction of their own again.
#include "fault_vfs.h"
#include "oci_session.h"

#include <sqlite3.h>

#include <string>
#include <vector>

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

// The columns the schema file really has, read past the engine.
std::vector<std::string> real_columns(const std::string& home, const std::string& table) {
  std::vector<std::string> names;
  sqlite3* db = nullptr;
  const std::string file = home + "/databases/faults/SCOTT.db";
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* vm = nullptr;
    const std::string sql = "SELECT name FROM pragma_table_info('" + table + "') ORDER BY cid";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &vm, nullptr) == SQLITE_OK)
      while (sqlite3_step(vm) == SQLITE_ROW) names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(vm, 0)));
    sqlite3_finalize(vm);
  }
  sqlite3_close(db);
  return names;
}

// ALTER TABLE commits the schema file and the catalog one after the other. A write
// that fails at any point of it (each point in turn) must leave the dictionary naming
// exactly the table's real columns, the table usable and the session working.
TEST_F(TransactionFault, AlterTableColumnsStayInLineWhenAWriteFails) {
  const char* const kAlters[] = {"alter table t2 add (c varchar2(10))", "alter table t2 rename column b to bb",
                                 "alter table t2 drop column b"};
  for (const char* alter : kAlters) {
    for (int after = 0; after < 40; ++after) {
      SCOPED_TRACE(std::string(alter) + ", failing after " + std::to_string(after) + " writes");
      s.exec("drop table t2");
      ASSERT_EQ(s.exec("create table t2 (a number, b varchar2(5) default 'x' not null)"), OCI_SUCCESS)
          << s.error_text();
      ASSERT_EQ(s.exec("comment on column t2.b is 'bee'"), OCI_SUCCESS) << s.error_text();
      fault_vfs::fail(fault_vfs::Call::Write, after, true);
      const bool done = s.exec(alter) == OCI_SUCCESS;
      const int failed = fault_vfs::failures(fault_vfs::Call::Write);
      fault_vfs::heal();
      // The failure persists (a full disk) until healed, so the repair may only happen
      // at the next logon; after it both sessions see the table as it is.
      OciSession again;
      ASSERT_EQ(again.connect("scott", "tiger", "faults"), OCI_SUCCESS) << again.error_text();
      std::vector<std::string> dictionary =
          again.rows("select column_name from user_tab_columns where table_name = 'T2' order by column_id");
      EXPECT_EQ(dictionary, real_columns(home, "T2"));
      EXPECT_EQ(again.exec("select * from t2"), OCI_SUCCESS) << again.error_text();
      again.disconnect();
      EXPECT_EQ(s.exec("select * from t2"), OCI_SUCCESS) << s.error_text();
      EXPECT_EQ(s.exec("insert into t2 (a) values (1)"), OCI_SUCCESS) << s.error_text();
      EXPECT_EQ(s.exec("rollback"), OCI_SUCCESS) << s.error_text();
      if (done && failed == 0) break;  // the statement no longer reaches the failing write
    }
  }
  expect_session_usable();
}

}  // namespace

