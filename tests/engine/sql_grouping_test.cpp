// GROUP BY ROLLUP, CUBE, GROUPING SETS, composite and concatenated groupings with
// GROUPING, GROUPING_ID and GROUP_ID over the classic EMP table, compared with the
// results Oracle gives.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class Grouping : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    std::string error;
    ASSERT_TRUE(create_emp_table(s, &error)) << error;
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  // Each result column's name, type code, size, precision and scale.
  std::vector<std::string> describe(const std::string& sql) {
    OciStatement st(s, sql);
    std::vector<std::string> out;
    if (st.execute(0) != OCI_SUCCESS) return {s.error_text()};
    for (ub4 i = 1; i <= st.attr_ub4(OCI_ATTR_PARAM_COUNT); ++i) {
      void* p = nullptr;
      EXPECT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, i), OCI_SUCCESS);
      ub2 type = 0, size = 0;
      sb2 precision = 0;
      sb1 scale = 0;
      OraText* name = nullptr;
      ub4 len = 0;
      s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
      s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
      s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, s.err);
      s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, s.err);
      s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &len, OCI_ATTR_NAME, s.err);
      out.push_back(std::string(reinterpret_cast<char*>(name), len) + " " + std::to_string(type) + " " +
                    std::to_string(size) + " " + std::to_string(precision) + " " + std::to_string(scale));
      s.oci->OCIDescriptorFree(p, OCI_DTYPE_PARAM);
    }
    return out;
  }
  OciSession s;
};

TEST_F(Grouping, RollupCubeAndGroupingSets) {
  // Subtotals per department and the grand total, their grouped columns NULL.
  EXPECT_EQ(s.rows("select deptno, job, sum(sal), grouping(job) from emp group by rollup(deptno, job)"
                   " order by deptno, job"),
            (Rows{"10|CLERK|1300|0", "10|MANAGER|2450|0", "10|PRESIDENT|5000|0", "10|<null>|8750|1",
                  "20|ANALYST|6000|0", "20|CLERK|1900|0", "20|MANAGER|2975|0", "20|<null>|10875|1",
                  "30|CLERK|950|0", "30|MANAGER|2850|0", "30|SALESMAN|5600|0", "30|<null>|9400|1",
                  "<null>|<null>|29025|1"}));
  // CUBE adds the totals per job; GROUPING_ID reads the bits, deptno's the higher.
  EXPECT_EQ(s.value("select count(*) from (select deptno, job from emp group by cube(deptno, job))"), "18");
  EXPECT_EQ(s.rows("select job, sum(sal), grouping_id(deptno, job) from emp group by cube(deptno, job)"
                   " having grouping(deptno) = 1 order by job"),
            (Rows{"ANALYST|6000|2", "CLERK|4150|2", "MANAGER|8275|2", "PRESIDENT|5000|2", "SALESMAN|5600|2",
                  "<null>|29025|3"}));
  // GROUPING SETS as written, (deptno, job), (deptno), () being ROLLUP's sets.
  EXPECT_EQ(s.value("select count(*) from (select deptno, job, sum(sal) from emp"
                    " group by grouping sets ((deptno, job), (deptno), ()))"),
            "13");
  // A set named twice gives its rows twice, GROUP_ID numbering the repeats.
  EXPECT_EQ(s.rows("select deptno, count(*), group_id() from emp group by grouping sets (deptno, deptno, ())"
                   " order by deptno, 3"),
            (Rows{"10|3|0", "10|3|1", "20|5|0", "20|5|1", "30|6|0", "30|6|1", "<null>|14|0"}));
  EXPECT_EQ(s.value("select count(*) from emp group by ()"), "14");
  // The grand total of no rows is one row.
  EXPECT_EQ(s.rows("select count(*), sum(sal) from emp where 1 = 0 group by rollup(deptno)"), (Rows{"0|<null>"}));
  EXPECT_EQ(s.rows("select deptno, count(*) from emp where 1 = 0 group by grouping sets (deptno)"), Rows{});
}

TEST_F(Grouping, CompositeAndConcatenatedGroupings) {
  // A composite column rolls up as one: no subtotal per department.
  EXPECT_EQ(s.rows("select deptno, job, count(*) from emp where deptno in (10, 20) group by rollup((deptno, job))"
                   " order by 1, 2"),
            (Rows{"10|CLERK|1", "10|MANAGER|1", "10|PRESIDENT|1", "20|ANALYST|2", "20|CLERK|2", "20|MANAGER|1",
                  "<null>|<null>|8"}));
  // deptno, ROLLUP(job): each set of the rollup with deptno.
  EXPECT_EQ(s.rows("select deptno, job, count(*), grouping(deptno) from emp where deptno = 10"
                   " group by deptno, rollup(job) order by 1, 2"),
            (Rows{"10|CLERK|1|0", "10|MANAGER|1|0", "10|PRESIDENT|1|0", "10|<null>|3|0"}));
  // A column both outside and inside the rollup: the sets (deptno) come twice.
  EXPECT_EQ(s.rows("select deptno, job, count(*), group_id() from emp where deptno = 10"
                   " group by deptno, rollup(deptno, job) order by 1, 2, 4"),
            (Rows{"10|CLERK|1|0", "10|MANAGER|1|0", "10|PRESIDENT|1|0", "10|<null>|3|0", "10|<null>|3|1"}));
  // Parentheses that begin an expression are not a composite column.
  EXPECT_EQ(s.rows("select (deptno + 1) * 2, count(*) from emp group by (deptno + 1) * 2 order by 1"),
            (Rows{"22|3", "42|5", "62|6"}));
  EXPECT_EQ(s.rows("select deptno, grouping(deptno), grouping_id(deptno) from emp group by (deptno) order by 1"),
            (Rows{"10|0|0", "20|0|0", "30|0|0"}));
}

TEST_F(Grouping, ExpressionsHavingOrderAndAnalytics) {
  EXPECT_EQ(s.rows("select decode(grouping(deptno), 1, 'ALL', to_char(deptno)) d, sum(sal) from emp"
                   " group by rollup(deptno) having sum(sal) > 9000 order by grouping(deptno), sum(sal) desc"),
            (Rows{"20|10875", "30|9400", "ALL|29025"}));
  // A grouped column inside an expression is NULL in the total row; ORDER BY reads an
  // aggregate the select list does not.
  EXPECT_EQ(s.rows("select deptno + 1, count(*) from emp group by rollup(deptno) order by max(sal), 1"),
            (Rows{"31|6", "21|5", "11|3", "<null>|14"}));
  // Analytic functions run over the grouped rows, subtotals included.
  EXPECT_EQ(s.rows("select deptno, sum(sal), rank() over (order by sum(sal) desc),"
                   " sum(sal) * 2 - sum(sum(sal)) over (partition by grouping(deptno))"
                   " from emp group by rollup(deptno) order by 3"),
            (Rows{"<null>|29025|1|29025", "20|10875|2|-7275", "30|9400|3|-10225", "10|8750|4|-11525"}));
  // Aggregates of distinct values and LISTAGG are computed per grouping set.
  EXPECT_EQ(s.rows("select deptno, count(distinct job), listagg(ename, ',') within group (order by ename)"
                   " from emp where deptno in (10, 20) group by rollup(deptno) order by 1"),
            (Rows{"10|3|CLARK,KING,MILLER", "20|3|ADAMS,FORD,JONES,SCOTT,SMITH",
                  "<null>|4|ADAMS,CLARK,FORD,JONES,KING,MILLER,SCOTT,SMITH"}));
  // DISTINCT over the grouped rows, and a query over them.
  EXPECT_EQ(s.rows("select distinct count(*) from emp group by grouping sets (deptno, job) order by 1"),
            (Rows{"1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(s.rows("select max(total) from (select deptno, sum(sal) total from emp group by cube(deptno))"),
            Rows{"29025"});
}

TEST_F(Grouping, DescribeMatchesPlainGrouping) {
  EXPECT_EQ(describe("select deptno, job, sum(sal), max(ename), count(*) from emp group by rollup(deptno, job)"),
            describe("select deptno, job, sum(sal), max(ename), count(*) from emp group by deptno, job"));
  EXPECT_EQ(describe("select grouping(deptno) g, grouping_id(deptno, job) gi, group_id() id from emp"
                     " group by cube(deptno, job)"),
            (std::vector<std::string>{"G 2 22 0 -127", "GI 2 22 0 -127", "ID 2 22 0 -127"}));
}

TEST_F(Grouping, Errors) {
  EXPECT_EQ(s.rows("select deptno, job, sum(sal) from emp group by rollup(deptno)"),
            Rows{"error: ORA-00979: not a GROUP BY expression\n"});
  EXPECT_EQ(s.rows("select deptno, grouping(job) from emp group by cube(deptno)"),
            Rows{"error: ORA-00979: not a GROUP BY expression\n"});
  EXPECT_EQ(s.rows("select * from emp group by rollup(deptno)"), Rows{"error: ORA-00979: not a GROUP BY expression\n"});
  EXPECT_EQ(s.rows("select grouping(deptno) from emp"),
            Rows{"error: ORA-30481: GROUPING function only supported with GROUP BY CUBE or ROLLUP\n"});
  EXPECT_EQ(s.rows("select deptno from emp group by rollup(deptno, sum(sal))"),
            Rows{"error: ORA-00934: group function is not allowed here\n"});
  EXPECT_EQ(s.rows("select deptno from emp group by rollup(deptno, ())"), Rows{"error: ORA-00936: missing expression\n"});
  EXPECT_EQ(s.rows("select deptno from emp group by rollup deptno"), Rows{"error: ORA-00933: SQL command not properly ended\n"});
  // The position of the offending column.
  OciStatement st(s, "select deptno, ename from emp group by cube(deptno)");
  EXPECT_EQ(st.execute(0), OCI_ERROR);
  ub2 offset = 0;
  ASSERT_EQ(s.oci->OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &offset, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET, s.err), OCI_SUCCESS);
  EXPECT_EQ(offset, 15);
}

// Row pattern matching is refused at its keyword, with or without the table's alias, and
// a table or column of that name is still a name.
TEST_F(Grouping, MatchRecognizeIsUnimplementedAtItsKeyword) {
  const std::string q = "select * from emp match_recognize (partition by deptno order by sal"
                        " measures count(*) as n pattern (a b*) define b as sal >= prev(sal))";
  EXPECT_EQ(s.rows(q), Rows{"error: ORA-03001: unimplemented feature\n"});
  OciStatement st(s, q);
  EXPECT_EQ(st.execute(0), OCI_ERROR);
  ub2 offset = 0;
  ASSERT_EQ(s.oci->OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &offset, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET, s.err), OCI_SUCCESS);
  EXPECT_EQ(offset, 18);
  EXPECT_EQ(s.rows("select count(*) from emp e match_recognize (order by sal measures count(*) as n pattern (a)"
                   " define a as 1 = 1)"),
            Rows{"error: ORA-03001: unimplemented feature\n"});
  EXPECT_EQ(s.rows("select count(*) from emp match_recognize where deptno = 10"), Rows{"3"});
  // A pattern's own operators reach the keyword's error; outside the clause they are
  // invalid characters.
  EXPECT_EQ(s.rows("select * from emp match_recognize (order by sal measures count(*) as n"
                   " pattern (^a (b | c)? d{2,} $) define a as 1 = 1)"),
            Rows{"error: ORA-03001: unimplemented feature\n"});
  EXPECT_EQ(s.rows("select {1} from emp"), Rows{"error: ORA-00911: invalid character\n"});
  EXPECT_EQ(s.rows("select 1 from emp where ename = 'a' | 'b'"), Rows{"error: ORA-00911: invalid character\n"});
}

}  // namespace

namespace {

// agg KEEP (DENSE_RANK FIRST|LAST ORDER BY ...) over EMP, with Oracle's answers: ties all
// counted, NULLs last ascending and first descending unless told, LAST the other end.
TEST_F(Grouping, KeepDenseRankFirstAndLast) {
  EXPECT_EQ(s.rows("select deptno, min(sal) keep (dense_rank first order by empno),"
                   " max(sal) keep (dense_rank last order by empno) from emp group by deptno order by deptno"),
            (Rows{"10|2450|1300", "20|800|3000", "30|1600|950"}));
  EXPECT_EQ(s.rows("select deptno, min(ename) keep (dense_rank first order by sal desc),"
                   " max(ename) keep (dense_rank first order by sal desc),"
                   " count(*) keep (dense_rank first order by sal desc) from emp group by deptno order by deptno"),
            (Rows{"10|KING|KING|1", "20|FORD|SCOTT|2", "30|BLAKE|BLAKE|1"}));
  EXPECT_EQ(s.rows("select sum(sal) keep (dense_rank last order by deptno),"
                   " avg(sal) keep (dense_rank first order by job),"
                   " count(comm) keep (dense_rank first order by deptno desc, job) from emp"),
            (Rows{"9400|3000|0"}));
  EXPECT_EQ(s.rows("select min(ename) keep (dense_rank first order by comm),"
                   " min(ename) keep (dense_rank first order by comm desc),"
                   " min(ename) keep (dense_rank first order by comm desc nulls last),"
                   " max(ename) keep (dense_rank last order by comm) from emp"),
            (Rows{"TURNER|ADAMS|MARTIN|SMITH"}));
  EXPECT_EQ(s.rows("select deptno, max(sal) keep (dense_rank first order by empno) from emp group by rollup(deptno)"
                   " having count(*) keep (dense_rank last order by sal) = 1 order by 1"),
            (Rows{"10|2450", "30|1600", "<null>|800"}));
  // No rows: COUNT gives 0, the others NULL.
  EXPECT_EQ(s.rows("select count(*) keep (dense_rank first order by sal), max(sal) keep (dense_rank first order by"
                   " sal) from emp where 1 = 0"),
            (Rows{"0|<null>"}));
  EXPECT_EQ(s.value("select variance(sal) keep (dense_rank first order by sal) from emp"),
            "error: ORA-03001: unimplemented feature: KEEP of VARIANCE\n");
  EXPECT_EQ(s.value("select max(sal) keep (dense_rank first order by max(sal)) from emp"),
            "error: ORA-00935: group function is nested\n");
}

// KEEP as an analytic call: the KEEP aggregate of the row's partition, beside every row.
TEST_F(Grouping, KeepDenseRankOverPartitions) {
  EXPECT_EQ(s.rows("select ename, max(sal) keep (dense_rank first order by empno) over (partition by deptno),"
                   " min(ename) keep (dense_rank last order by sal) over (),"
                   " count(*) keep (dense_rank first order by job) over (partition by deptno)"
                   " from emp where ename in ('KING', 'CLARK', 'SMITH', 'FORD', 'ADAMS') order by ename"),
            (Rows{"ADAMS|800|KING|1", "CLARK|2450|KING|1", "FORD|800|KING|1", "KING|2450|KING|1",
                  "SMITH|800|KING|1"}));
  // Over an aggregate of a grouped query.
  EXPECT_EQ(s.rows("select deptno, sum(sal), max(deptno) keep (dense_rank last order by sum(sal)) over ()"
                   " from emp group by deptno order by deptno"),
            (Rows{"10|8750|20", "20|10875|20", "30|9400|20"}));
  // OVER takes the partitioning only.
  EXPECT_EQ(s.value("select max(sal) keep (dense_rank first order by empno) over (order by empno) from emp"),
            "error: ORA-30487: ORDER BY not allowed here\n");
}

}  // namespace

namespace {

// PIVOT and UNPIVOT over EMP and a quarterly table, with the results and column names
// Oracle gives.
TEST_F(Grouping, PivotAndUnpivot) {
  const std::string by_dept = "select * from (select deptno, job, sal from emp)"
                              " pivot (sum(sal) for deptno in (10, 20, 30)) order by job";
  EXPECT_EQ(s.rows(by_dept), (Rows{"ANALYST|<null>|6000|<null>", "CLERK|1300|1900|950", "MANAGER|2450|2975|2850",
                                   "PRESIDENT|5000|<null>|<null>", "SALESMAN|<null>|<null>|5600"}));
  EXPECT_EQ(describe(by_dept)[1].substr(0, 3), "10 ");
  EXPECT_EQ(s.rows("select job, d20_s, d20_c from emp pivot (sum(sal) s, count(*) as c for deptno in (10 d10, 20 as"
                   " d20)) where d20_c > 0 order by 1"),
            (Rows{"ANALYST|3000|1", "ANALYST|3000|1", "CLERK|800|1", "CLERK|1100|1", "MANAGER|2975|1"}))
      << "columns not named in the pivot (EMPNO, ENAME ...) group the rows: one row per employee";
  EXPECT_EQ(s.rows("select * from (select job, deptno from emp) pivot (count(*) for job in ('CLERK', 'MANAGER' as"
                   " mgr)) order by deptno"),
            (Rows{"10|1|1", "20|2|1", "30|1|1"}));
  EXPECT_EQ(s.value("select \"'CLERK'\" from (select job from emp) pivot (count(*) for job in ('CLERK'))"), "4");
  EXPECT_EQ(s.rows("select * from (select deptno, job, sal from emp) pivot (max(sal) for (deptno, job) in ((10,"
                   " 'CLERK') c10, (20, 'CLERK') c20))"),
            (Rows{"1300|1100"}));

  EXPECT_EQ(s.value("select * from (select deptno, sal from emp) pivot (sal for deptno in (10))"),
            "error: ORA-56902: expect aggregate function inside pivot operation\n");
  EXPECT_EQ(s.value("select * from (select deptno, sal from emp) pivot (sum(sal), max(sal) for deptno in (10))"),
            "error: ORA-00918: column ambiguously defined\n");
  EXPECT_EQ(s.value("select * from (select deptno, sal from emp) pivot (sum(sal) for nope in (10))"),
            "error: ORA-00904: \"NOPE\": invalid identifier\n");
  EXPECT_EQ(s.value("select * from (select deptno, sal from emp) pivot (sum(sal) for deptno in (sal))"),
            "error: ORA-56901: non-constant expression is not allowed for pivot|unpivot values\n");

  run("create table q (id number, q1 number, q2 number, q3 number)");
  run("insert into q values (1, 10, null, 30)");
  run("insert into q values (2, null, null, null)");
  EXPECT_EQ(s.rows("select * from q unpivot (amount for quarter in (q1 as 'Q1', q2 as 'Q2', q3 as 'Q3'))"
                   " order by id, quarter"),
            (Rows{"1|Q1|10", "1|Q3|30"}));
  EXPECT_EQ(s.rows("select id, quarter, amount from q unpivot include nulls (amount for quarter in (q1, q2, q3))"
                   " order by id, quarter"),
            (Rows{"1|Q1|10", "1|Q2|<null>", "1|Q3|30", "2|Q1|<null>", "2|Q2|<null>", "2|Q3|<null>"}));
  EXPECT_EQ(s.rows("select * from q unpivot ((a, b) for (half, n) in ((q1, q2) as ('H1', 1), (q2, q3) as ('H2',"
                   " 2))) order by half"),
            (Rows{"1|H1|1|10|<null>", "1|H2|2|<null>|30"}));
  EXPECT_EQ(s.value("select * from q unpivot (amount for quarter in (q1, nope))"),
            "error: ORA-00904: \"NOPE\": invalid identifier\n");
}

TEST_F(Grouping, OuterColumnsBesideAggregatesOfASubquery) {
  run("create table dept (deptno number(2), dname varchar2(14), loc varchar2(13))");
  run("insert into dept values (10, 'ACCOUNTING', 'NEW YORK')");
  run("insert into dept values (20, 'RESEARCH', 'DALLAS')");
  run("insert into dept values (30, 'SALES', 'CHICAGO')");
  run("insert into dept values (40, 'OPERATIONS', 'BOSTON')");
  // A column of the outer query is one value within the subquery's groups: in the
  // select list beside an aggregate, qualified or not, and in HAVING.
  EXPECT_EQ(s.rows("select d.dname, (select d.loc || max(e.sal) from emp e where e.deptno = d.deptno) from dept d"
                   " order by d.deptno"),
            (Rows{"ACCOUNTING|NEW YORK5000", "RESEARCH|DALLAS3000", "SALES|CHICAGO2850", "OPERATIONS|BOSTON"}));
  EXPECT_EQ(s.rows("select (select loc || count(*) from emp e where e.deptno = d.deptno) from dept d"
                   " where deptno > 20 order by 1"),
            (Rows{"BOSTON0", "CHICAGO6"}));
  EXPECT_EQ(s.rows("select d.dname from dept d where exists (select d.deptno, count(*) from emp e"
                   " where e.deptno = d.deptno having count(*) > 3) order by 1"),
            (Rows{"RESEARCH", "SALES"}));
  EXPECT_EQ(s.rows("select d.deptno from dept d where exists (select e.job, d.dname from emp e"
                   " where e.deptno = d.deptno group by e.job having count(*) > d.deptno / 10)"),
            (Rows{"30"}));
  // The subquery's own columns outside aggregates and GROUP BY are still refused.
  EXPECT_EQ(s.value("select (select e.ename || max(e.sal) from emp e where e.deptno = d.deptno) from dept d"),
            "error: ORA-00937: not a single-group group function\n");
  EXPECT_EQ(s.value("select count(*) from dept d where exists (select e.ename, count(*) from emp e"
                    " where e.deptno = d.deptno group by e.job)"),
            "error: ORA-00979: not a GROUP BY expression\n");
  EXPECT_EQ(s.value("select count(*) from dept d where exists (select 1 from emp e where e.deptno = d.deptno"
                    " group by e.job having e.sal > d.deptno)"),
            "error: ORA-00979: not a GROUP BY expression\n");
}

}  // namespace

namespace {

// Aggregates of aggregates: the inner ones make a row per group, the outer ones fold the
// groups into one row; without GROUP BY, or beside a plain column, Oracle's errors.
TEST_F(Grouping, NestedAggregatesFoldTheGroups) {
  EXPECT_EQ(s.value("select max(count(*)) from emp group by deptno"), "6");
  EXPECT_EQ(s.rows("select deptno, count(*) from emp group by deptno"
                   " having count(*) = (select max(count(*)) from emp group by deptno)"),
            (Rows{"30|6"}));
  EXPECT_EQ(s.rows("select min(max(sal)) - 1, count(count(*)), sum(max(sal) - min(sal)) from emp group by deptno"),
            (Rows{"2849|3|7800"}));
  EXPECT_EQ(s.value("select max(count(*)) from emp where deptno <> 30 group by deptno having count(*) > 3"), "5");
  EXPECT_EQ(s.exec("select max(count(*)) from emp"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-00978: nested group function without GROUP BY\n");
  EXPECT_EQ(s.exec("select deptno, max(count(*)) from emp group by deptno"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 937);
}

}  // namespace
