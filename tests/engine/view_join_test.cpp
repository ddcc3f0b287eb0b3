// DML through join views: a statement changes the one key-preserved table its columns
// belong to (DELETE the first one), the join limits the rows it touches, and
// USER_UPDATABLE_COLUMNS shows what each column allows.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class ViewJoin : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    run("create table dept (deptno number primary key, dname varchar2(10), loc varchar2(10))");
    run("insert into dept values (10, 'acc', 'ny')");
    run("insert into dept values (20, 'res', 'dallas')");
    run("insert into dept values (30, 'ops', 'boston')");
    run("create table emp (empno number primary key, ename varchar2(20), deptno number, sal number)");
    run("insert into emp values (1, 'ann', 10, 100)");
    run("insert into emp values (2, 'bob', 20, 200)");
    run("insert into emp values (3, 'cy', 10, 300)");
    run("insert into emp values (4, 'dee', null, 400)");
    // emp is key-preserved: dept is joined on its primary key.
    run("create view emp_dept as select e.empno, e.ename, e.sal, e.deptno, d.deptno dept_no, d.dname, d.loc"
        " from emp e, dept d where e.deptno = d.deptno");
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  // The statement's row count, or its error code.
  std::string dml(const std::string& sql) {
    OciStatement st(s, sql);
    if (st.execute(1) != OCI_SUCCESS) return s.error_text().substr(0, 9);
    return std::to_string(st.attr_ub4(OCI_ATTR_ROW_COUNT));
  }
  Rows emp() { return s.rows("select empno, ename, deptno, sal from emp order by empno"); }
  Rows uses(const std::string& view) {
    return s.rows("select column_name, updatable, insertable, deletable from user_updatable_columns"
                  " where table_name = '" + view + "' order by column_name");
  }
  OciSession s;
};

TEST_F(ViewJoin, UpdateChangesTheKeyPreservedTable) {
  EXPECT_EQ(dml("update emp_dept set sal = sal + 1 where dname = 'acc'"), "2");
  // A value of the other table is read through the join.
  EXPECT_EQ(dml("update emp_dept v set ename = v.ename || '@' || loc where empno = 2"), "1");
  EXPECT_EQ(dml("update emp_dept set sal = 0 where empno = 4"), "0") << "emp 4 has no department";
  EXPECT_EQ(emp(), (Rows{"1|ann|10|101", "2|bob@dallas|20|200", "3|cy|10|301", "4|dee|<null>|400"}));
  EXPECT_EQ(dml("update emp_dept set dname = 'x'"), "ORA-01779");
  EXPECT_EQ(dml("update emp_dept set sal = 1, loc = 'x'"), "ORA-01779");
  EXPECT_EQ(dml("update emp_dept set dept_no = 1"), "ORA-01779");
  EXPECT_EQ(s.value("select count(*) from dept where dname = 'x' or deptno = 1"), "0");
}

TEST_F(ViewJoin, InsertAndDelete) {
  EXPECT_EQ(dml("insert into emp_dept (empno, ename, deptno) values (5, 'eve', 30)"), "1");
  EXPECT_EQ(dml("insert into emp_dept (empno, dname) values (6, 'x')"), "ORA-01779");
  EXPECT_EQ(dml("insert into emp_dept values (7, 'x', 1, 10, 10, 'y', 'z')"), "ORA-01779");
  EXPECT_EQ(dml("delete from emp_dept where loc = 'ny'"), "2");
  EXPECT_EQ(s.rows("select empno from emp order by empno"), (Rows{"2", "4", "5"}));
  EXPECT_EQ(s.value("select count(*) from dept"), "3");
  // Joined on a column that is no key: neither table is key-preserved.
  run("create table tag (deptno number, label varchar2(5))");
  run("create view emp_tag as select e.empno, t.label from emp e join tag t on t.deptno = e.deptno");
  EXPECT_EQ(dml("delete from emp_tag"), "ORA-01752");
  EXPECT_EQ(dml("update emp_tag set empno = 9"), "ORA-01779");
  EXPECT_EQ(uses("EMP_TAG"), (Rows{"EMPNO|NO|NO|NO", "LABEL|NO|NO|NO"}));
  // An outer join is not taken for key-preserved.
  run("create view emp_left as select e.empno, d.dname from emp e left join dept d on d.deptno = e.deptno");
  EXPECT_EQ(dml("delete from emp_left"), "ORA-01752");
}

TEST_F(ViewJoin, TwoKeyPreservedTables) {
  run("create table badge (empno number primary key, code varchar2(5))");
  run("insert into badge values (1, 'b1')");
  run("insert into badge values (2, 'b2')");
  run("create view emp_badge as select e.empno, e.ename, b.empno bno, b.code from emp e, badge b"
      " where b.empno = e.empno");
  EXPECT_EQ(dml("update emp_badge set ename = 'z', code = 'q'"), "ORA-01776");
  EXPECT_EQ(dml("update emp_badge set code = 'q' where ename = 'ann'"), "1");
  EXPECT_EQ(s.value("select code from badge where empno = 1"), "q");
  // DELETE takes the first key-preserved table of the FROM list.
  EXPECT_EQ(dml("delete from emp_badge where empno = 2"), "1");
  EXPECT_EQ(s.value("select count(*) from emp"), "3");
  EXPECT_EQ(s.value("select count(*) from badge"), "2");
  EXPECT_EQ(uses("EMP_BADGE"), (Rows{"BNO|YES|YES|YES", "CODE|YES|YES|YES", "EMPNO|YES|YES|YES", "ENAME|YES|YES|YES"}));
}

TEST_F(ViewJoin, CheckOption) {
  run("create view rich as select e.empno, e.sal, e.deptno, d.dname from emp e join dept d on d.deptno = e.deptno"
      " where e.sal > 150 with check option");
  EXPECT_EQ(dml("update rich set sal = 100"), "ORA-01402");
  EXPECT_EQ(dml("update rich set sal = sal + 1"), "2");
  EXPECT_EQ(dml("update rich set deptno = 30"), "ORA-01733") << "a join column";
  EXPECT_EQ(dml("insert into rich (empno, sal) values (8, 500)"), "ORA-01733");
  EXPECT_EQ(emp(), (Rows{"1|ann|10|100", "2|bob|20|201", "3|cy|10|301", "4|dee|<null>|400"}));
  EXPECT_EQ(uses("RICH"), (Rows{"DEPTNO|NO|NO|YES", "DNAME|NO|NO|NO", "EMPNO|YES|NO|YES", "SAL|YES|NO|YES"}));
}

TEST_F(ViewJoin, UpdatableColumns) {
  EXPECT_EQ(uses("EMP_DEPT"), (Rows{"DEPTNO|YES|YES|YES", "DEPT_NO|NO|NO|NO", "DNAME|NO|NO|NO", "EMPNO|YES|YES|YES",
                                     "ENAME|YES|YES|YES", "LOC|NO|NO|NO", "SAL|YES|YES|YES"}));
  EXPECT_EQ(uses("EMP"), (Rows{"DEPTNO|YES|YES|YES", "EMPNO|YES|YES|YES", "ENAME|YES|YES|YES", "SAL|YES|YES|YES"}));
  run("create view pay as select empno, sal * 2 dbl from emp");
  EXPECT_EQ(uses("PAY"), (Rows{"DBL|NO|NO|NO", "EMPNO|YES|YES|YES"}));
  run("create view pay_ro as select empno from emp with read only");
  EXPECT_EQ(uses("PAY_RO"), (Rows{"EMPNO|NO|NO|NO"}));
  // A view of a join view passes on what the join view allows.
  run("create view over_join as select empno, dname from emp_dept");
  EXPECT_EQ(uses("OVER_JOIN"), (Rows{"DNAME|NO|NO|NO", "EMPNO|YES|YES|YES"}));
  EXPECT_EQ(dml("update over_join set empno = empno + 10 where dname = 'res'"), "1");
  EXPECT_EQ(s.value("select count(*) from emp where empno = 12"), "1");
  const std::string me = s.value("select user from dual");
  EXPECT_EQ(s.value("select count(*) from all_updatable_columns where owner = '" + me + "' and table_name = 'EMP_DEPT'"),
            "7");
  EXPECT_EQ(s.value("select count(*) from dba_updatable_columns where table_name = 'EMP_DEPT'"), "7");
}

}  // namespace
