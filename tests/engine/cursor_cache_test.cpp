// The session's cursor cache through OCI: SQL_IDs as Oracle computes them, V$SQL,
// V$SQLAREA and V$SESSION's statement columns, and DBMS_XPLAN.DISPLAY_CURSOR's layout,
// arguments and messages.
#include "oci_session.h"

#include <filesystem>

namespace {

class CursorCache : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string fails(const std::string& sql) {
    EXPECT_NE(s.exec(sql), OCI_SUCCESS) << sql;
    const std::string e = s.error_text();
    return e.substr(0, e.find('\n'));
  }
  OciSession s;
};

TEST_F(CursorCache, SqlIdsAndExecutionsAsOracleKeepsThem) {
  run("select * from dual");
  run("select * from dual");
  // Oracle's SQL_ID of this text (MD5 of the text and a zero byte, in base 32).
  EXPECT_EQ(s.rows("select sql_id, child_number, executions, sql_text from v$sql where sql_text = 'select * from dual'"),
            std::vector<std::string>{"a5ks9fhw2v9s1|0|2|select * from dual"});
  EXPECT_EQ(s.value("select version_count || ',' || executions from v$sqlarea where sql_id = 'a5ks9fhw2v9s1'"), "1,2");
  // The previous statement of the session, and the running one.
  run("select 1 from dual");
  const std::string session = s.value(
      "select prev_sql_id || '|' || prev_child_number || '|' || case when sql_id = (select sql_id from"
      " v$sql where sql_text like 'select prev_sql_id%') then 'current' end from v$session");
  EXPECT_EQ(session, s.value("select sql_id from v$sql where sql_text = 'select 1 from dual'") + "|0|current");
  // A rollback leaves the cache as it was; statements PL/SQL runs inside a call are not in it.
  run("create table t (n number)");
  run("insert into t values (1)");
  run("begin execute immediate 'insert into t values (2)'; end;");
  run("rollback");
  EXPECT_EQ(s.value("select count(*) from v$sql where sql_text like 'insert into t values%'"), "1");
}

TEST_F(CursorCache, DisplayCursorShowsTheLastStatementsPlan) {
  run("create table t (id number primary key, name varchar2(20))");
  run("insert into t values (1, 'a')");
  run("select name from t where id = 1");
  const std::string id = s.value("select prev_sql_id from v$session");
  run("select name from t where id = 1");
  std::vector<std::string> lines = s.rows("select * from table(dbms_xplan.display_cursor)");
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(lines[0], "SQL_ID  " + id + ", child number 0");
  EXPECT_EQ(lines[1], std::string(lines[0].size(), '-'));
  EXPECT_EQ(lines[2], "select name from t where id = 1");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4].rfind("Plan hash value: ", 0), 0u);
  // Line 0 of a cursor's plan: the whole cost, no rows, bytes or time.
  bool statement_line = false, index_line = false, predicate = false;
  for (const std::string& l : lines) {
    if (l.find("| SELECT STATEMENT ") != std::string::npos) {
      statement_line = true;
      EXPECT_NE(l.find(" (100)|          |"), std::string::npos) << l;
      EXPECT_NE(l.find("|       |       |"), std::string::npos) << l;
    }
    index_line = index_line || l.find("INDEX UNIQUE SCAN") != std::string::npos;
    predicate = predicate || l.find("access(\"ID\"=1)") != std::string::npos;
  }
  EXPECT_TRUE(statement_line && index_line && predicate);

  // By SQL_ID (named or by position) after other statements, in another format.
  run("select count(*) from t");
  std::vector<std::string> basic =
      s.rows("select * from table(dbms_xplan.display_cursor(sql_id => '" + id + "', format => 'basic'))");
  ASSERT_GE(basic.size(), 5u);
  EXPECT_EQ(basic[2], "select name from t where id = 1");
  for (const std::string& l : basic) EXPECT_EQ(l.find("Cost"), std::string::npos) << l;
  EXPECT_EQ(s.rows("select * from table(dbms_xplan.display_cursor('" + id + "', 0, 'TYPICAL'))").size(),
            lines.size());
}

TEST_F(CursorCache, DisplayCursorMessagesAndErrors) {
  EXPECT_EQ(s.rows("select * from table(dbms_xplan.display_cursor('0000000000000'))"),
            std::vector<std::string>{"SQL_ID: 0000000000000, child number: 0 cannot be found"});
  EXPECT_EQ(s.rows("select * from table(dbms_xplan.display_cursor('0000000000000', null))"),
            std::vector<std::string>{"SQL_ID: 0000000000000 cannot be found"});
  run("select * from dual");
  EXPECT_EQ(s.rows("select * from table(dbms_xplan.display_cursor('a5ks9fhw2v9s1', 1))"),
            std::vector<std::string>{"SQL_ID: a5ks9fhw2v9s1, child number: 1 cannot be found"});
  // A statement without a plan.
  run("begin null; end;");
  std::vector<std::string> note = s.rows("select plan_table_output from table(dbms_xplan.display_cursor())");
  ASSERT_EQ(note.size(), 8u);
  EXPECT_EQ(note[1], "");
  EXPECT_EQ(note[2], "begin null; end;");
  EXPECT_EQ(note[4].rfind("NOTE: cannot fetch plan for SQL_ID: ", 0), 0u);
  EXPECT_EQ(note[4].substr(note[4].size() - 17), ", CHILD_NUMBER: 0");

  EXPECT_EQ(fails("select * from table(dbms_xplan.display_cursor(format => 'FANCY'))").substr(0, 10), "ORA-06502:");
  EXPECT_EQ(fails("select * from table(dbms_xplan.display_cursor(sql_id => 'x', child => 1))"),
            "ORA-06553: PLS-306: wrong number or types of arguments in call to 'DISPLAY_CURSOR'");
  EXPECT_EQ(fails("select * from table(dbms_xplan.display_cursor(format => 'ALL', format => 'ALL'))"),
            "ORA-06553: PLS-306: wrong number or types of arguments in call to 'DISPLAY_CURSOR'");
  EXPECT_EQ(fails("select * from table(dbms_xplan.display_cursor(sql_id => 'x', 0))").substr(0, 20),
            "ORA-06553: PLS-312: ");
  EXPECT_EQ(fails("select * from table(dbms_xplan.display_cursor('a', 0, 'ALL', 1))"),
            "ORA-06553: PLS-306: wrong number or types of arguments in call to 'DISPLAY_CURSOR'");
  // Named notation reaches DISPLAY too.
  run("explain plan for select * from dual");
  EXPECT_EQ(s.rows("select * from table(dbms_xplan.display(format => 'BASIC'))"),
            s.rows("select * from table(dbms_xplan.display(null, null, 'BASIC'))"));
}

}  // namespace

TEST_F(CursorCache, ManyDistinctStatementsKeepTheRecentOnes) {
  run("create table t (n number)");
  run("insert into t values (0)");
  // More distinct statements than the cache holds: the least recently run go, the
  // recent ones and one that keeps being rerun stay, each with its own count.
  for (int i = 1; i <= 1200; ++i) {
    run("select n + " + std::to_string(i) + " from t");
    if (i % 100 == 0) run("select count(*) from t");
  }
  const int cached = std::stoi(s.value("select count(*) from v$sql"));
  EXPECT_LE(cached, 500);
  EXPECT_GE(cached, 250);
  EXPECT_EQ(s.value("select count(*) from v$sql where sql_text = 'select n + 1200 from t'"), "1");
  EXPECT_EQ(s.value("select count(*) from v$sql where sql_text = 'select n + 1 from t'"), "0");
  EXPECT_EQ(s.value("select executions from v$sql where sql_text = 'select count(*) from t'"), "12");
  // The previous statement is still there for DISPLAY_CURSOR.
  run("select n + 1 from t");
  EXPECT_EQ(s.value("select executions from v$sql where sql_id = (select prev_sql_id from v$session)"), "1");
}
