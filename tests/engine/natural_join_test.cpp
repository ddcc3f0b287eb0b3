// Joins by column names on the embedded engine: NATURAL [INNER | LEFT | RIGHT | FULL]
// JOIN over the names both sides share, and where SELECT * puts the merged columns of
// NATURAL and USING joins (first, once each).
#include "oci_session.h"

#include <filesystem>

namespace {

using Rows = std::vector<std::string>;

class NaturalJoin : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    run("create table nj_dept (deptno number, dname varchar2(10))");
    run("create table nj_emp (empno number, ename varchar2(10), deptno number)");
    run("insert into nj_dept values (10, 'ACC')");
    run("insert into nj_dept values (40, 'OPS')");
    run("insert into nj_emp values (1, 'KING', 10)");
    run("insert into nj_emp values (2, 'FORD', 10)");
    run("insert into nj_emp values (3, 'SMITH', 20)");
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  OciSession s;
};

TEST_F(NaturalJoin, JoinsOnTheSharedNames) {
  EXPECT_EQ(s.rows("select * from nj_emp natural join nj_dept order by empno"),
            (Rows{"10|1|KING|ACC", "10|2|FORD|ACC"}));
  EXPECT_EQ(s.rows("select ename, dname, deptno from nj_emp natural inner join nj_dept where empno = 2"),
            (Rows{"FORD|ACC|10"}));
  EXPECT_EQ(s.rows("select d.dname, e.ename from nj_dept d natural left outer join nj_emp e order by 1, 2"),
            (Rows{"ACC|FORD", "ACC|KING", "OPS|<null>"}));
  EXPECT_EQ(s.rows("select deptno, ename from nj_dept natural right join nj_emp order by empno"),
            (Rows{"10|KING", "10|FORD", "20|SMITH"}));
  EXPECT_EQ(s.rows("select deptno, dname, ename from nj_dept natural full join nj_emp order by deptno, ename"),
            (Rows{"10|ACC|FORD", "10|ACC|KING", "20|<null>|SMITH", "40|OPS|<null>"}));
  // Every shared name takes part; no shared name joins every row with every row.
  EXPECT_EQ(s.value("select count(*) from nj_emp a natural join nj_emp b"), "3");
  run("create table nj_grade (grade number)");
  run("insert into nj_grade values (1)");
  run("insert into nj_grade values (2)");
  EXPECT_EQ(s.value("select count(*) from nj_emp natural join nj_grade"), "6");
  // NATURAL followed by anything but a join is the table's alias.
  EXPECT_EQ(s.value("select natural.ename from nj_emp natural where natural.empno = 3"), "SMITH");
  EXPECT_EQ(s.exec("select * from nj_emp natural join nj_dept on (1 = 1)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 933);
}

TEST_F(NaturalJoin, StarPutsTheMergedColumnsFirst) {
  EXPECT_EQ(s.rows("select * from nj_emp join nj_dept using (deptno) order by empno"),
            (Rows{"10|1|KING|ACC", "10|2|FORD|ACC"}));
  EXPECT_EQ(s.rows("select * from nj_dept join nj_emp using (deptno) order by empno"),
            (Rows{"10|ACC|1|KING", "10|ACC|2|FORD"}));
  run("create view nj_v as select * from nj_emp natural join nj_dept");
  EXPECT_EQ(s.rows("select column_name from user_tab_columns where table_name = 'NJ_V' order by column_id"),
            (Rows{"DEPTNO", "EMPNO", "ENAME", "DNAME"}));
  EXPECT_EQ(s.rows("select * from nj_v order by empno"), (Rows{"10|1|KING|ACC", "10|2|FORD|ACC"}));
  // A qualified star keeps its table's own order.
  EXPECT_EQ(s.rows("select e.* from nj_emp e join nj_dept d using (deptno) where empno = 1"), (Rows{"1|KING|10"}));
}

// A merged column is one column of the join: qualifying it with either side is refused,
// wherever it is named; an outer join reads whichever side has a value.
TEST_F(NaturalJoin, MergedColumnsTakeNoQualifier) {
  EXPECT_EQ(s.value("select e.deptno from nj_emp e join nj_dept d using (deptno)"),
            "error: ORA-25154: column part of USING clause cannot have qualifier\n");
  EXPECT_EQ(s.value("select ename from nj_emp e join nj_dept d using (deptno) where d.deptno = 10"),
            "error: ORA-25154: column part of USING clause cannot have qualifier\n");
  EXPECT_EQ(s.value("select d.deptno from nj_emp natural join nj_dept d"),
            "error: ORA-25155: column used in NATURAL join cannot have qualifier\n");
  EXPECT_EQ(s.value("select count(*) from nj_emp e natural join nj_dept d order by nj_emp.deptno"),
            "error: ORA-00904: \"NJ_EMP\".\"DEPTNO\": invalid identifier\n");
  // Columns the join did not merge keep their qualifiers, and a third table's own column
  // of the merged name is its own.
  EXPECT_EQ(s.rows("select e.ename, d.dname, x.deptno from nj_emp e join nj_dept d using (deptno)"
                   " cross join nj_dept x where x.deptno = 40 order by 1"),
            (Rows{"FORD|ACC|40", "KING|ACC|40"}));
  EXPECT_EQ(s.rows("select deptno, dname, ename from nj_dept d full join nj_emp e using (deptno)"
                   " order by deptno, ename"),
            (Rows{"10|ACC|FORD", "10|ACC|KING", "20|<null>|SMITH", "40|OPS|<null>"}));
  EXPECT_EQ(s.rows("select * from nj_dept right join nj_emp using (deptno) order by empno"),
            (Rows{"10|ACC|1|KING", "10|ACC|2|FORD", "20|<null>|3|SMITH"}));
  // Subqueries without an alias join by name too.
  EXPECT_EQ(s.rows("select * from (select 1 a, 'x' b from dual) natural full join (select 2 a, 'y' c from dual)"
                   " order by a"),
            (Rows{"1|x|<null>", "2|<null>|y"}));
}

}  // namespace
