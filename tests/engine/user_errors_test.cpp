// A user's mistakes get Oracle's own errors on the embedded engine, never an internal
// error of SQLite: reserved names, zero lengths, over-long identifiers, another schema's
// objects, and a query whose first row fails.
#include "oci_session.h"

#include <filesystem>

namespace {

class UserErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(test_home()) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
  }
  void connect(OciSession& session, const std::string& user) {
    ASSERT_EQ(session.connect(user, user, "errors"), OCI_SUCCESS) << session.error_text();
  }
  static std::string error_of(OciSession& session, const std::string& sql) {
    return session.exec(sql) == OCI_SUCCESS ? "ok" : session.error_text();
  }
};

TEST_F(UserErrors, NamesSqliteKeepsAreRefusedAsInvalidNames) {
  OciSession s;
  connect(s, "scott");
  EXPECT_EQ(error_of(s, "create table \"sqlite_master\" (x int)"), "ORA-00903: invalid table name\n");
  EXPECT_EQ(error_of(s, "create table sqlite_stat9 (x int)"), "ORA-00903: invalid table name\n");
  EXPECT_EQ(error_of(s, "create table t (x int)"), "ok");
  EXPECT_EQ(error_of(s, "create index sqlite_autoindex_t_9 on t (x)"), "ORA-00953: missing or invalid index name\n");
  EXPECT_EQ(error_of(s, "create table \"Sqlite\" (x int)"), "ok");
}

TEST_F(UserErrors, ZeroLengthColumnsAreRefused) {
  OciSession s;
  connect(s, "scott");
  EXPECT_EQ(error_of(s, "create table t (c varchar2(0))"), "ORA-01723: zero-length columns are not allowed\n");
  EXPECT_EQ(error_of(s, "create table t (c char(0 char))"), "ORA-01723: zero-length columns are not allowed\n");
  EXPECT_EQ(error_of(s, "create table t (c varchar2(4001))"),
            "ORA-00910: specified length too long for its datatype\n");
}

// Names of up to 128 bytes work everywhere, quoted or not; a longer one is ORA-00972.
TEST_F(UserErrors, IdentifiersHoldUpTo128Bytes) {
  OciSession s;
  connect(s, "scott");
  const std::string longest(128, 'T'), column(128, 'C');
  EXPECT_EQ(error_of(s, "create table " + longest + " (" + column + " int)"), "ok");
  EXPECT_EQ(error_of(s, "insert into " + longest + " values (7)"), "ok");
  EXPECT_EQ(s.value("select " + column + " from " + longest), "7");
  EXPECT_EQ(s.value("select length(table_name) from user_tables where table_name = '" + longest + "'"), "128");
  EXPECT_EQ(s.value("select length(object_name) from user_objects where object_name = '" + longest + "'"), "128");
  EXPECT_EQ(s.value("select length(column_name) from user_tab_columns where table_name = '" + longest + "'"), "128");
  EXPECT_EQ(error_of(s, "create table " + longest + "X (x int)"), "ORA-00972: identifier is too long\n");
  EXPECT_EQ(error_of(s, "create table \"" + std::string(129, 'q') + "\" (x int)"),
            "ORA-00972: identifier is too long\n");
  EXPECT_EQ(error_of(s, "select 1 as " + std::string(129, 'a') + " from dual"), "ORA-00972: identifier is too long\n");
  // A user (a schema) may have such a name too, at CREATE USER and at a first logon.
  const std::string user(100, 'U');
  OciSession sys, owner;
  ASSERT_EQ(sys.connect("sys", "syspw", "errors"), OCI_SUCCESS) << sys.error_text();
  EXPECT_EQ(error_of(sys, "create user " + user + " identified by pw"), "ok");
  EXPECT_EQ(error_of(sys, "grant create session to " + user), "ok");
  ASSERT_EQ(owner.connect(user, "pw", "errors"), OCI_SUCCESS) << owner.error_text();
  EXPECT_EQ(owner.value("select length(user) from dual"), "100");
  EXPECT_EQ(error_of(sys, "create user " + std::string(129, 'U') + " identified by pw"),
            "ORA-00972: identifier is too long\n");
}

// Names differing only in case cannot both be kept in one schema: the second one is
// refused as a name in use, not as an internal error.
TEST_F(UserErrors, NamesDifferingOnlyInCaseAreRefusedAsInUse) {
  OciSession s;
  connect(s, "scott");
  EXPECT_EQ(error_of(s, "create table \"lower\" (a number)"), "ok");
  EXPECT_EQ(error_of(s, "create table lower (a number)"),
            "ORA-00955: name is already used by an existing object\n");
  EXPECT_EQ(error_of(s, "create view \"LOWER\" as select 1 x from dual"),
            "ORA-00955: name is already used by an existing object\n");
  EXPECT_EQ(error_of(s, "create index \"i\" on \"lower\" (a)"), "ok");
  EXPECT_EQ(error_of(s, "create index I on \"lower\" (a)"), "ORA-00955: name is already used by an existing object\n");
  EXPECT_EQ(s.value("select count(*) from user_objects where upper(object_name) in ('LOWER', 'I')"), "2");
}

TEST_F(UserErrors, QuotedColumnNamesPassIntoViewsAndTablesAsSelect) {
  OciSession s;
  connect(s, "scott");
  const std::pair<const char*, const char*> cases[] = {
      {"create table \"mixed Case\" (\"lower col\" number, \"\xc3\x84\" varchar2(5))", "ok"},
      {"insert into \"mixed Case\" values (1, 'x')", "ok"},
      {"create view \"v iew\" as select * from \"mixed Case\"", "ok"},
      {"create view v_cols as select \"lower col\", m.\"\xc3\x84\" from \"mixed Case\" m", "ok"},
      {"create table \"copy t\" as select m.* from \"mixed Case\" m", "ok"},
      {"create table c_cols as select \"lower col\" from \"mixed Case\"", "ok"},
      {"create table c_expr as select \"lower col\" + 1 from \"mixed Case\"",
       "ORA-00998: must name this expression with a column alias\n"},
      {"create view v_expr as select \"lower col\" * 2 from \"mixed Case\"",
       "ORA-00998: must name this expression with a column alias\n"},
  };
  for (const auto& [sql, expected] : cases) EXPECT_EQ(error_of(s, sql), expected) << sql;
  EXPECT_EQ(s.rows("select table_name || '.' || column_name from user_tab_columns where table_name in"
                   " ('v iew', 'V_COLS', 'copy t', 'C_COLS') order by table_name, column_id"),
            (std::vector<std::string>{"C_COLS.lower col", "V_COLS.lower col", "V_COLS.\xc3\x84", "copy t.lower col",
                                      "copy t.\xc3\x84", "v iew.lower col", "v iew.\xc3\x84"}));
}

TEST_F(UserErrors, AnotherSchemasTablesNeedAPrivilege) {
  {
    OciSession other;
    connect(other, "other_user");
  }
  OciSession s;
  connect(s, "scott");
  EXPECT_EQ(error_of(s, "create table other_user.t2 (x int)"), "ORA-01031: insufficient privileges\n");
  EXPECT_EQ(error_of(s, "create table no_such_user.t2 (x int)"), "ORA-01918: user 'NO_SUCH_USER' does not exist\n");
  EXPECT_EQ(error_of(s, "create table scott.t2 (x int)"), "ok");
}

// The first row is computed as the query executes: its error is the execution's answer,
// so a client never sees a successful query that then fails with no rows.
TEST_F(UserErrors, AQueryWhoseFirstRowFailsFailsToExecute) {
  OciSession s;
  connect(s, "scott");
  EXPECT_EQ(error_of(s, "select 1/0 from dual"), "ORA-01476: divisor is equal to zero\n");
  EXPECT_EQ(error_of(s, "select to_number('x') from dual"), "ORA-01722: invalid number\n");
  EXPECT_EQ(error_of(s, "create table n (v varchar2(5))"), "ok");
  EXPECT_EQ(error_of(s, "insert into n values ('1')"), "ok");
  EXPECT_EQ(error_of(s, "insert into n values ('x')"), "ok");
  // A later row's error comes with the fetch that reaches it.
  OciStatement st(s, "select to_number(v) from n");
  ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error_text();
  char buf[8] = {};
  OCIDefine* d = nullptr;
  s.oci->OCIDefineByPos(st.stmt, &d, s.err, 1, buf, sizeof buf, SQLT_STR, nullptr, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(st.fetch(1), OCI_SUCCESS) << s.error_text();
  EXPECT_STREQ(buf, "1");
  EXPECT_NE(st.fetch(1), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 1722);
  EXPECT_EQ(s.rows("select v from n where 1 = 0"), std::vector<std::string>{});
}

}  // namespace
