// Quantified comparisons (op ANY | SOME | ALL) over lists and subqueries, with Oracle's
// three-valued answers: ALL over no rows is TRUE, ANY over none FALSE, and a NULL among
// the values leaves UNKNOWN where no comparison decides, so NOT keeps those rows out too.
#include "oci_session.h"

#include <filesystem>

namespace {

using Rows = std::vector<std::string>;

class Quantified : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    run("create table emp (ename varchar2(10), sal number, deptno number)");
    run("insert into emp values ('A', 1000, 10)");
    run("insert into emp values ('B', 2000, 10)");
    run("insert into emp values ('C', 3000, 20)");
    run("insert into emp values ('D', null, 30)");
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  // The names of the employees the condition keeps, in order.
  Rows names(const std::string& cond) { return s.rows("select ename from emp where " + cond + " order by ename"); }
  OciSession s;
};

TEST_F(Quantified, ListFormsForEveryOperator) {
  EXPECT_EQ(names("sal > all (1000, 2000)"), (Rows{"C"}));
  EXPECT_EQ(names("sal = any (1000, 3000)"), (Rows{"A", "C"}));
  EXPECT_EQ(names("sal < some (1500, 2500)"), (Rows{"A", "B"}));
  EXPECT_EQ(names("sal >= all (2000)"), (Rows{"B", "C"}));
  EXPECT_EQ(names("sal <= any (1000)"), (Rows{"A"}));
  EXPECT_EQ(names("sal != all (1000, 2000)"), (Rows{"C"}));
  EXPECT_EQ(names("sal <> any (1000)"), (Rows{"B", "C"}));
  EXPECT_EQ(names("sal ^= all (3000)"), (Rows{"A", "B"}));
  EXPECT_EQ(names("ename = any ('a', 'B', 'C')"), (Rows{"B", "C"}));
  // Text in the list is compared as a number against a NUMBER value.
  EXPECT_EQ(names("sal = any ('2000')"), (Rows{"B"}));
}

TEST_F(Quantified, SubqueriesForEveryOperator) {
  EXPECT_EQ(names("sal > all (select sal from emp where deptno = 10)"), (Rows{"C"}));
  EXPECT_EQ(names("sal = any (select sal from emp where deptno = 20)"), (Rows{"C"}));
  EXPECT_EQ(names("sal < some (select sal from emp where deptno in (10, 20))"), (Rows{"A", "B"}));
  EXPECT_EQ(names("sal <> all (select sal from emp where deptno = 10)"), (Rows{"C"}));
  EXPECT_EQ(names("sal >= all (select sal from emp where sal is not null)"), (Rows{"C"}));
  EXPECT_EQ(names("sal <= any (select 1000 from dual)"), (Rows{"A"}));
  // A correlated subquery: the value's names reach the outer row even where the
  // subquery's column has the same name; department 30 has no salary to compare, so
  // its row passes >= ALL.
  EXPECT_EQ(names("sal >= all (select e.sal from emp e where e.deptno = emp.deptno and e.sal is not null)"),
            (Rows{"B", "C", "D"}));
}

TEST_F(Quantified, EmptySubqueriesAndNulls) {
  // ALL over no rows is TRUE for every row, the NULL salary included; ANY over none FALSE.
  EXPECT_EQ(names("sal > all (select sal from emp where 1 = 0)"), (Rows{"A", "B", "C", "D"}));
  EXPECT_EQ(names("sal = any (select sal from emp where 1 = 0)"), Rows{});
  EXPECT_EQ(names("not (sal = any (select sal from emp where 1 = 0))"), (Rows{"A", "B", "C", "D"}));
  // A NULL among the values: > ALL is never TRUE, and its NOT is TRUE only where some
  // comparison is FALSE.
  EXPECT_EQ(names("sal > all (select sal from emp where deptno in (10, 30))"), Rows{});
  EXPECT_EQ(names("not (sal > all (select sal from emp where deptno in (10, 30)))"), (Rows{"A", "B"}));
  EXPECT_EQ(names("not (sal > all (1500, null))"), (Rows{"A"}));
  EXPECT_EQ(names("not (sal = any (1000, null))"), Rows{});
  // = ANY still finds a match beside the NULL.
  EXPECT_EQ(names("sal = any (select sal from emp where deptno in (10, 30))"), (Rows{"A", "B"}));
  EXPECT_EQ(names("not (sal <> all (select sal from emp where deptno in (20, 30)))"), (Rows{"C"}));
  // A NULL value on the left is UNKNOWN against any non-empty set, either way round.
  EXPECT_EQ(names("not (sal < all (5000))"), Rows{});
}

// In UPDATE and DELETE the value's names are the target table's, beside a subquery over
// the same table.
TEST_F(Quantified, InUpdateAndDelete) {
  run("update emp set sal = sal + 1 where sal < all (select sal from emp where deptno = 20)");
  EXPECT_EQ(s.rows("select sal from emp order by ename"), (Rows{"1001", "2001", "3000", "<null>"}));
  run("delete from emp where sal = any (select sal from emp where deptno = 10)");
  EXPECT_EQ(s.rows("select ename from emp order by ename"), (Rows{"C", "D"}));
}

TEST_F(Quantified, AggregateValuesInHaving) {
  auto groups = [&](const std::string& cond) {
    return s.rows("select deptno from emp group by deptno having " + cond + " order by 1");
  };
  EXPECT_EQ(groups("max(sal) > all (select sal from emp where deptno = 10)"), (Rows{"20"}));
  EXPECT_EQ(groups("max(sal) > all (select sal from emp where deptno in (10, 30))"), Rows{});
  EXPECT_EQ(groups("not (max(sal) > all (select sal from emp where deptno in (10, 30)))"), (Rows{"10"}));
  EXPECT_EQ(groups("max(sal) < all (select sal from emp where 1 = 0)"), (Rows{"10", "20", "30"}));
  EXPECT_EQ(groups("max(sal) <> any (select sal from emp where 1 = 0)"), Rows{});
  EXPECT_EQ(groups("max(sal) = all (select sal from emp where deptno = 20)"), (Rows{"20"}));
  EXPECT_EQ(groups("not (max(sal) = all (select sal from emp where deptno in (20, 30)))"), (Rows{"10"}));
  EXPECT_EQ(groups("max(sal) <> any (select sal from emp where deptno in (20, 30))"), (Rows{"10"}));
  EXPECT_EQ(groups("min(sal) = any (select sal from emp where deptno = 10)"), (Rows{"10"}));
  EXPECT_EQ(groups("not (min(sal) <> all (select sal from emp where deptno = 30))"), Rows{});
  EXPECT_EQ(groups("count(*) >= any (2, null)"), (Rows{"10"}));
}

TEST_F(Quantified, InSelectListsAndErrors) {
  EXPECT_EQ(s.rows("select case when 5 > all (1, 2) then 'y' else 'n' end from dual"), (Rows{"y"}));
  EXPECT_EQ(s.rows("select 1 from dual where 1 = any (select sal, deptno from emp)"),
            (Rows{"error: ORA-00913: too many values\n"}));
  EXPECT_EQ(s.rows("select (1, 2) from dual"), (Rows{"error: ORA-00907: missing right parenthesis\n"}));
  EXPECT_EQ(s.rows("select 1 from dual where 1 = any 1"),
            (Rows{"error: ORA-00906: missing left parenthesis\n"}));
}

// Rows of values: pairs compared with AND's three-valued logic, so a NULL in a row leaves
// UNKNOWN unless another pair differs, and NOT IN keeps no row that a NULL might match.
TEST_F(Quantified, RowsOfValues) {
  EXPECT_EQ(names("(sal, deptno) in (select sal, deptno from emp where deptno = 10)"), (Rows{"A", "B"}));
  EXPECT_EQ(names("(sal, deptno) = any (select sal, 10 from emp)"), (Rows{"A", "B"}));
  EXPECT_EQ(names("(deptno, sal) in ((10, 2000), (20, 3000), (30, null))"), (Rows{"B", "C"}));
  EXPECT_EQ(names("(ename, deptno) = ('A', 10)"), (Rows{"A"}));
  EXPECT_EQ(names("(ename, deptno) <> (('A', 10))"), (Rows{"B", "C", "D"}));
  // A text in a row is compared as a number with a NUMBER value, as for one value.
  EXPECT_EQ(names("(deptno, sal) = ('10', '1000')"), (Rows{"A"}));
  EXPECT_EQ(names("(sal, deptno) = (select max(sal), 20 from emp)"), (Rows{"C"}));
  EXPECT_EQ(names("(sal, deptno) = (select sal, deptno from emp where 1 = 0)"), Rows{});
  // D's NULL salary: (NULL, 30) NOT IN anything with deptno 30 is UNKNOWN; (1, NULL) is
  // known to differ from every row whose first value is not 1.
  EXPECT_EQ(names("(sal, deptno) not in ((1000, 10), (5, 30))"), (Rows{"B", "C"}));
  EXPECT_EQ(names("(sal, deptno) not in (select sal, deptno from emp where deptno <> 20)"), (Rows{"C"}));
  EXPECT_EQ(names("(deptno, sal) not in ((10, null))"), (Rows{"C", "D"}));
  EXPECT_EQ(names("(sal, deptno) <> all (select 1000, 10 from dual)"), (Rows{"B", "C", "D"}));
  EXPECT_EQ(names("(sal, deptno) = all (select 1000, 10 from dual)"), (Rows{"A"}));
  EXPECT_EQ(names("(deptno, ename) <> any (select 10, 'A' from dual union all select 10, 'B' from dual)"),
            (Rows{"A", "B", "C", "D"}));
  EXPECT_EQ(names("(deptno, ename) = all ((10, 'A'), (10, 'B'))"), Rows{});
  // A correlated subquery reaches the outer row's columns.
  EXPECT_EQ(names("(deptno, sal) = (select max(e.deptno), max(e.sal) from emp e where e.deptno = emp.deptno)"),
            (Rows{"B", "C"}));
  auto groups = [&](const std::string& cond) {
    return s.rows("select deptno from emp group by deptno having " + cond + " order by 1");
  };
  EXPECT_EQ(groups("(max(sal), deptno) in (select 2000, 10 from dual)"), (Rows{"10"}));
  EXPECT_EQ(groups("(max(sal), deptno) = (select 3000, 20 from dual)"), (Rows{"20"}));
  EXPECT_EQ(groups("(count(*), deptno) in ((2, 10), (1, 30))"), (Rows{"10", "30"}));
  EXPECT_EQ(groups("(max(sal), deptno) = all (select 3000, 20 from dual)"),
            (Rows{"error: ORA-03001: unimplemented feature: = ALL or <> ANY with a row of aggregates\n"}));
  run("update emp set sal = 0 where (ename, deptno) in (('A', 10), ('C', 20))");
  EXPECT_EQ(s.rows("select sal from emp order by ename"), (Rows{"0", "2000", "0", "<null>"}));

  auto error = [&](const std::string& cond) { return s.rows("select 1 from emp where " + cond); };
  EXPECT_EQ(error("(sal, deptno) in (select sal from emp)"), (Rows{"error: ORA-00947: not enough values\n"}));
  EXPECT_EQ(error("(sal, deptno) in (select sal, deptno, 1 from emp)"),
            (Rows{"error: ORA-00913: too many values\n"}));
  EXPECT_EQ(error("(sal, deptno) in ((1, 2, 3))"), (Rows{"error: ORA-00913: too many values\n"}));
  EXPECT_EQ(error("(sal, deptno) in ((1, 2), 3)"), (Rows{"error: ORA-00920: invalid relational operator\n"}));
  EXPECT_EQ(error("(sal, deptno) = 1"), (Rows{"error: ORA-00920: invalid relational operator\n"}));
  EXPECT_EQ(error("(sal, deptno) > (1, 2)"), (Rows{"error: ORA-01796: this operator cannot be used with lists\n"}));
  EXPECT_EQ(error("(sal, deptno) < any (select sal, deptno from emp)"),
            (Rows{"error: ORA-01796: this operator cannot be used with lists\n"}));
  EXPECT_EQ(error("(sal, deptno) = (select sal, deptno from emp)"),
            (Rows{"error: ORA-01427: single-row subquery returns more than one row\n"}));
}

}  // namespace
