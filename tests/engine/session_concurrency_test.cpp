// Two sessions on one database: users never wait for each other (logon, DDL, DML,
// sequences, dictionary queries), a rollback undoes only its own session's rows, and
// two sessions writing one schema wait for each other only up to the lock timeout.
#include "oci_session.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

namespace {

class SessionConcurrency : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test_against_oracle()) GTEST_SKIP() << "users are created by logging on to the embedded engine";
    home = test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(a.connect("scott", "tiger", "shared"), OCI_SUCCESS) << a.error_text();
    ASSERT_EQ(a.exec("create table t (n number)"), OCI_SUCCESS) << a.error_text();
    ASSERT_EQ(a.exec("insert into t values (1)"), OCI_SUCCESS);
    ASSERT_EQ(a.exec("commit"), OCI_SUCCESS);
  }

  std::string home;
  OciSession a;
};

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(SessionConcurrency, AnotherUserNeverWaitsForAnOpenTransaction) {
  // The first session's transaction has touched everything a transaction can: its
  // schema, a sequence, the dictionary (which registers objects) and a table's columns.
  ASSERT_EQ(a.exec("create sequence s"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(a.exec("insert into t values (2)"), OCI_SUCCESS);
  EXPECT_EQ(a.value("select s.nextval from dual"), "1");
  EXPECT_EQ(a.value("select count(*) from user_objects where object_name = 'T'"), "1");

  const auto start = std::chrono::steady_clock::now();
  OciSession b;
  ASSERT_EQ(b.connect("adams", "wood", "shared"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(b.exec("create table u (n number, s varchar2(10))"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(b.exec("insert into u values (10, 'x')"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(b.exec("commit"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(b.exec("create sequence q"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(b.value("select q.nextval from dual"), "1");
  EXPECT_EQ(b.value("select count(*) from user_tables"), "1");
  ASSERT_EQ(b.exec("create table gone (n number)"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(b.exec("drop table gone"), OCI_SUCCESS) << b.error_text();
  // A lock wait would have lasted the whole timeout (5 s) before failing.
  EXPECT_LT(seconds_since(start), 4.0);

  // The first session goes on in the same transaction, DDL and all, and its rollback
  // removes its own row only.
  EXPECT_EQ(a.value("select s.nextval from dual"), "2");
  ASSERT_EQ(a.exec("rollback"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.rows("select n from t"), (std::vector<std::string>{"1"}));
  EXPECT_EQ(b.rows("select n, s from u"), (std::vector<std::string>{"10|x"}));
  ASSERT_EQ(a.exec("create table v (n number)"), OCI_SUCCESS) << a.error_text();
  b.disconnect();
  OciSession c;
  ASSERT_EQ(c.connect("adams", "wood", "shared"), OCI_SUCCESS) << c.error_text();
  EXPECT_EQ(c.rows("select table_name from user_tables"), (std::vector<std::string>{"U"}));
}

TEST_F(SessionConcurrency, SequenceNumbersAreNotGivenOutTwice) {
  ASSERT_EQ(a.exec("create sequence s"), OCI_SUCCESS) << a.error_text();
  OciSession b;
  ASSERT_EQ(b.connect("scott", "tiger", "shared"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(a.exec("insert into t values (s.nextval)"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(b.value("select s.nextval from dual"), "2") << "taken while the other transaction is open";
  ASSERT_EQ(a.exec("rollback"), OCI_SUCCESS);
  EXPECT_EQ(a.value("select s.nextval from dual"), "3") << "a rollback does not give a number back";
  EXPECT_EQ(a.value("select s.currval from dual"), "3");
  EXPECT_EQ(b.value("select s.currval from dual"), "2");
}

TEST_F(SessionConcurrency, OneSchemaWritersWaitThenFailReadersDoNot) {
  ASSERT_EQ(a.exec("insert into t values (2)"), OCI_SUCCESS);
  OciSession b;
  ASSERT_EQ(b.connect("scott", "tiger", "shared"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(b.rows("select n from t"), (std::vector<std::string>{"1"})) << "the last committed rows, at once";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(b.exec("insert into t values (3)"), OCI_ERROR);
  EXPECT_EQ(b.error_code(), 54) << b.error_text();
  EXPECT_GE(seconds_since(start), 4.0) << "the lock timeout is waited out first";
  ASSERT_EQ(b.exec("rollback"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(a.exec("commit"), OCI_SUCCESS) << a.error_text();
  ASSERT_EQ(b.exec("insert into t values (3)"), OCI_SUCCESS) << b.error_text();
  ASSERT_EQ(b.exec("commit"), OCI_SUCCESS) << b.error_text();
  EXPECT_EQ(a.rows("select n from t order by n"), (std::vector<std::string>{"1", "2", "3"}));
}

// Two users at work at the same moment on two threads, each in its own session: every
// statement succeeds, and each sees exactly its own rows and sequence numbers.
TEST_F(SessionConcurrency, TwoUsersOnTwoThreadsAtOnce) {
  ASSERT_EQ(a.exec("create sequence s"), OCI_SUCCESS) << a.error_text();
  a.disconnect();
  auto work = [](const char* user, std::vector<std::string>* failures) {
    OciSession s;
    if (s.connect(user, "pw", "shared") != OCI_SUCCESS) return failures->push_back(s.error_text());
    auto run = [&](const std::string& sql) {
      if (s.exec(sql) != OCI_SUCCESS) failures->push_back(sql + ": " + s.error_text());
    };
    run("create table w (n number, who varchar2(10))");
    run("create sequence q");
    for (int i = 0; i < 40; ++i) {
      run("insert into w values (q.nextval, user)");
      if (i % 4 == 3) run("commit");
      if (i % 10 == 5) run("create table x" + std::to_string(i) + " (n number)");
    }
    run("insert into w values (-1, user)");
    run("rollback");
    if (s.value("select count(*) || '/' || max(n) from w") != "40/40") failures->push_back("rows of " + std::string(user));
  };
  std::vector<std::string> failed_one, failed_two;
  std::thread one(work, "jones", &failed_one);
  std::thread two(work, "blake", &failed_two);
  one.join();
  two.join();
  EXPECT_TRUE(failed_one.empty()) << failed_one.front();
  EXPECT_TRUE(failed_two.empty()) << failed_two.front();
}

// A process killed between the catalog's commit and the schema file's leaves catalog
// rows of a table that was never made: the owner's next logon removes them.
TEST_F(SessionConcurrency, CatalogRowsOfATableNeverMadeAreRemovedAtLogon) {
  a.disconnect();
  sqlite3* db = nullptr;
  const std::string path = home + "/databases/shared/catalog.db";
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "INSERT INTO vantro_columns(owner,table_name,column_name,column_id,type_code,type_name,"
                         "data_length,data_precision,data_scale,char_used,national,nullable)"
                         " VALUES ('SCOTT','GHOST','OLD',1,2,'NUMBER',22,0,-127,0,0,1)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
  ASSERT_EQ(a.connect("scott", "tiger", "shared"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.value("select count(*) from user_tab_columns where table_name = 'GHOST'"), "0");
  ASSERT_EQ(a.exec("create table ghost (n number)"), OCI_SUCCESS) << a.error_text();
  EXPECT_EQ(a.rows("select column_name from user_tab_columns where table_name = 'GHOST'"),
            (std::vector<std::string>{"N"}));
  EXPECT_EQ(a.rows("select column_name from user_tab_columns where table_name = 'T'"),
            (std::vector<std::string>{"N"}));
}

}  // namespace
