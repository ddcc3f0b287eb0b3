// PL/SQL declarations in a query's WITH clause: functions and procedures compiled with
// the statement, called from its query (and from each other), shadowing stored functions
// for that statement only; the WITH_PLSQL hint for subqueries; compilation errors; and
// the ways PL/SQL reaches such a query (dynamic SQL takes it, static SQL does not).
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class WithPlsql : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    std::string error;
    ASSERT_TRUE(create_emp_table(s, &error)) << error;
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  OciSession s;
};

TEST_F(WithPlsql, DeclaredFunctionsInQueries) {
  EXPECT_EQ(s.rows("with function f(x number) return number is begin return x * 2; end;\n"
                   "select ename, f(sal) from emp where deptno = 10 order by empno"),
            (Rows{"CLARK|4900", "KING|10000", "MILLER|2600"}));
  // Several declarations: a procedure the functions call, a function calling another,
  // then ordinary named subqueries.
  EXPECT_EQ(s.rows("with procedure bump(n in out number) is begin n := n + 1; end;\n"
                   "function g(x number) return number is y number := x; begin bump(y); return y; end;\n"
                   "function h(x number) return varchar2 is begin return 'v' || g(x); end;\n"
                   "q as (select sal from emp where deptno = 10), r as (select max(sal) m from q)\n"
                   "select h(m) from r"),
            (Rows{"v5001"}));
  // A body with a local function, CASE, IF and LOOP: the declaration ends at its own END.
  EXPECT_EQ(s.value("with function g(n number) return varchar2 is\n"
                    "  r varchar2(20);\n"
                    "  function sign_of(x number) return varchar2 is begin\n"
                    "    return case when x < 0 then '-' else '+' end; end;\n"
                    "begin\n"
                    "  for i in 1..n loop\n"
                    "    if mod(i, 2) = 0 then r := r || sign_of(-i); else r := r || sign_of(i); end if;\n"
                    "  end loop;\n"
                    "  case when n > 3 then r := r || '!'; else null; end case;\n"
                    "  return r;\n"
                    "end g;\n"
                    "select g(4) from dual"),
            "+-+-!");
  // The declared function shadows a stored one of its name for this statement only,
  // and may call stored units.
  run("create or replace function f(x number) return number is begin return x + 100; end;");
  run("create or replace function twice(x number) return number is begin return x * 2; end;");
  EXPECT_EQ(s.value("with function f(x number) return number is begin return twice(x) + 1; end;\n"
                    "select f(20) from dual"),
            "41");
  EXPECT_EQ(s.value("select f(20) from dual"), "120");
  // In an inline view and a subquery of a query that declares PL/SQL itself.
  EXPECT_EQ(s.value("with function a(x number) return number is begin return -x; end;\n"
                    "select a(sum(v)) from (with function b(x number) return number is begin return x * 10; end;\n"
                    " select b(sal) v from emp where deptno = 10)"),
            "-87500");
  EXPECT_EQ(s.value("with function a(x number) return number is begin return -x; end;\n"
                    "select count(*) from emp where a(sal) < (with function c return number is begin return -3000;"
                    " end; select c from dual)"),
            "1");
  // A procedure is not a function of SQL.
  EXPECT_EQ(s.value("with procedure p is begin null; end;\nselect p from dual"),
            "error: ORA-00904: \"P\": invalid identifier\n");
  // A cursor of OCI fetches rows after the execute: the function lives while it is open.
  {
    OciStatement st(s, "with function d(x number) return varchar2 is begin return x || '!'; end;\n"
                       "select d(empno) from emp order by empno");
    ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select count(*) from emp"), "14");
    EXPECT_EQ(st.fetch(1), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(st.fetch(1), OCI_SUCCESS) << s.error_text();
  }
  // A statement whose session ended and was freed before it leaves nothing to drop.
  {
    OciStatement st(s, "with function e return number is begin return 1; end;\nselect e from dual");
    ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error_text();
    s.disconnect();
  }
  ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select count(*) from emp"), "14");
  // Errors the functions raise come back from the query.
  EXPECT_EQ(s.value("with function z(x number) return number is begin return 1 / x; end;\n"
                    "select z(0) from dual")
                .substr(0, 36),
            "error: ORA-01476: divisor is equal t");
}

TEST_F(WithPlsql, HintCompileErrorsAndPlsql) {
  run("create table t (n number)");
  // A subquery of DML declares PL/SQL only with the WITH_PLSQL hint.
  EXPECT_EQ(s.exec("insert into t with function f return number is begin return 7; end;\n"
                   "select f from dual"),
            OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-32034: unsupported use of WITH clause\n");
  run("insert /*+ WITH_PLSQL */ into t with function f return number is begin return 7; end;\n"
      "select f from dual");
  EXPECT_EQ(s.value("select n from t"), "7");
  // CREATE TABLE ... AS takes the declarations without a hint, as a query of its own does.
  run("create table tw as with function f(x number) return number is begin return x + 1; end;\n"
      "select f(n) m from t");
  EXPECT_EQ(s.value("select m from tw"), "8");
  EXPECT_EQ(s.value("select * from (with function f return number is begin return 1; end;\n"
                    "select f from dual)"),
            "error: ORA-32034: unsupported use of WITH clause\n");
  // A view keeps its PL/SQL declarations in its text; its query calls them in any
  // session, and errors in them fail the CREATE VIEW where they stand.
  run("create view wv as with function f(x number) return number is begin return x * 3; end;\n"
      "select f(n) x from t");
  EXPECT_EQ(s.value("select x from wv"), "21");
  EXPECT_EQ(s.value("select text from user_views where view_name = 'WV'").substr(0, 30),
            "with function f(x number) retu");
  EXPECT_EQ(s.value("select f(1) from dual").substr(0, 16), "error: ORA-00904");
  s.disconnect();
  ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  OciSession other;
  ASSERT_EQ(other.connect_test_user(), OCI_SUCCESS) << other.error_text();
  EXPECT_EQ(other.value("select x + 1 from wv"), "22");
  // Compiled again, from the view's own text.
  ASSERT_EQ(other.exec("drop table t"), OCI_SUCCESS) << other.error_text();
  ASSERT_EQ(other.exec("create table t (n number)"), OCI_SUCCESS) << other.error_text();
  ASSERT_EQ(other.exec("insert into t values (4)"), OCI_SUCCESS) << other.error_text();
  ASSERT_EQ(other.exec("alter view wv compile"), OCI_SUCCESS) << other.error_text();
  EXPECT_EQ(other.value("select x from wv"), "12");
  EXPECT_EQ(other.value("select status from user_objects where object_name = 'WV'"), "VALID");
  EXPECT_EQ(s.exec("create view wv2 as with function f return number is begin return nosuch; end;\n"
                   "select f x from dual"),
            OCI_ERROR);
  EXPECT_EQ(s.error_text().substr(0, 46), "ORA-06550: line 1, column 66:\nPLS-00201: ident");
  // Compilation errors are PL/SQL's, placed in the statement's text.
  EXPECT_EQ(s.value("with function f return number is begin return nosuch; end; select f from dual"),
            "error: ORA-06550: line 1, column 47:\nPLS-00201: identifier 'NOSUCH' must be declared\n"
            "ORA-06550: line 1, column 40:\nPL/SQL: Statement ignored\n");
  // Dynamic SQL takes such a query; static SQL of PL/SQL does not.
  EXPECT_EQ(server_output_of(s, "declare n number; begin execute immediate 'with function f return number is"
                                " begin return 6; end; select f * 7 from dual' into n; dbms_output.put_line(n);"
                                " end;"),
            "42");
  EXPECT_EQ(server_output_of(s, "declare n number; begin with function f return number is begin return 6; end;"
                                " select f into n from dual; end;")
                .substr(0, 48),
            "error: ORA-06550: line 1, column 30:\nPLS-00103: ");
}

TEST_F(WithPlsql, CursorVariablesOpenedFromText) {
  // The declared functions live as long as the cursor the text opened, across a reopen,
  // a CLOSE and the cursor's hand-over to the caller's statement handle.
  EXPECT_EQ(server_output_of(s, "declare c sys_refcursor; n number;\n"
                                "  q varchar2(200) := 'with function g(x number) return number is begin"
                                " return x + 1; end; select g(empno) from emp where deptno = 10 order by empno';\n"
                                "begin\n"
                                "  open c for q; fetch c into n; dbms_output.put_line(n);\n"
                                "  open c for q; fetch c into n; fetch c into n; dbms_output.put_line(n); close c;\n"
                                "  open c for 'with function h return varchar2 is begin return ''h''; end;"
                                " select h from dual'; fetch c into q; dbms_output.put_line(q);\n"
                                "end;"),
            "7783|7840|h");
  for (const char* block : {"begin open :rc for 'with function k(x number) return number is begin return -x; end;"
                            " select k(empno) from emp where deptno = 10 order by empno'; end;",
                            "declare c sys_refcursor; begin open c for 'with function k(x number) return number is"
                            " begin return -x; end; select k(empno) from emp where deptno = 10 order by empno';"
                            " :rc := c; end;"}) {
    OciStatement cursor(s);
    OciStatement st(s, block);
    OCIBind* b = nullptr;
    OCIStmt* handle = cursor.stmt;
    ASSERT_EQ(s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(":rc"), -1, &handle, 0,
                                   SQLT_RSET, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(st.execute(1), OCI_SUCCESS) << s.error_text();
    int n = 0;
    OCIDefine* d = nullptr;
    s.oci->OCIDefineByPos(cursor.stmt, &d, s.err, 1, &n, sizeof n, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
    std::string got;
    while (cursor.fetch(1) == OCI_SUCCESS) got += std::to_string(n) + ";";
    EXPECT_EQ(got, "-7782;-7839;-7934;") << s.error_text();
  }
}

}  // namespace
