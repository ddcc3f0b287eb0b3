// Queries over the classic EMP table: analytic functions and their windows, LISTAGG,
// row limiting and subquery factoring, compared with the results Oracle gives.
#include "oci_session.h"

#include <algorithm>

namespace {

using Rows = std::vector<std::string>;

class Analytic : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    std::string error;
    ASSERT_TRUE(create_emp_table(s, &error)) << error;
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string error_of(const std::string& sql) {
    Rows r = s.rows(sql);
    return r.size() == 1 ? r[0] : "no error";
  }
  OciSession s;
};

TEST_F(Analytic, RankingFunctions) {
  EXPECT_EQ(s.rows("select ename, rank() over (order by sal desc), dense_rank() over (order by sal desc),"
                   " row_number() over (order by sal desc, ename), ntile(3) over (order by sal desc, ename)"
                   " from emp where deptno = 20 order by sal desc, ename"),
            (Rows{"FORD|1|1|1|1", "SCOTT|1|1|2|1", "JONES|3|2|3|2", "ADAMS|4|3|4|2", "SMITH|5|4|5|3"}));
  EXPECT_EQ(s.rows("select ename, percent_rank() over (order by sal desc), cume_dist() over (order by sal desc)"
                   " from emp where deptno = 20 order by sal desc, ename"),
            (Rows{"FORD|0|.4", "SCOTT|0|.4", "JONES|.5|.6", "ADAMS|.75|.8", "SMITH|1|1"}));
  // Per partition, and ordered by the analytic value itself.
  EXPECT_EQ(s.rows("select deptno, ename from emp where row_number() over (partition by deptno order by sal desc) = 1"),
            Rows{"error: ORA-30483: window  functions are not allowed here\n"});
  EXPECT_EQ(s.rows("select deptno, ename, rank() over (partition by deptno order by sal desc) r from emp"
                   " where job <> 'ANALYST' order by r, deptno fetch first 3 rows only"),
            (Rows{"10|KING|1", "20|JONES|1", "30|BLAKE|1"}));
  // NULLs sort last ascending and first descending, as in ORDER BY.
  EXPECT_EQ(s.rows("select ename, rank() over (order by comm), rank() over (order by comm desc),"
                   " rank() over (order by comm nulls first) from emp where deptno = 30 order by 2, 1"),
            (Rows{"TURNER|1|6|3", "ALLEN|2|5|4", "WARD|3|4|5", "MARTIN|4|3|6", "BLAKE|5|1|1", "JAMES|5|1|1"}));
}

TEST_F(Analytic, AggregatesOverWindows) {
  // The default window with ORDER BY ends at the current row's last peer (RANGE); ROWS
  // counts single rows; without ORDER BY it is the whole partition.
  EXPECT_EQ(s.rows("select ename, sum(sal) over (order by sal),"
                   " sum(sal) over (order by sal, ename rows between unbounded preceding and current row),"
                   " sum(sal) over (order by sal, ename rows between 1 preceding and 1 following),"
                   " sum(sal) over (), count(comm) over (), max(ename) over (order by sal, ename rows 1 preceding)"
                   " from emp where deptno = 30 order by sal, ename"),
            (Rows{"JAMES|950|950|2200|9400|4|JAMES", "MARTIN|3450|2200|3450|9400|4|MARTIN",
                  "WARD|3450|3450|4000|9400|4|WARD", "TURNER|4950|4950|4350|9400|4|WARD",
                  "ALLEN|6550|6550|5950|9400|4|TURNER", "BLAKE|9400|9400|4450|9400|4|BLAKE"}));
  EXPECT_EQ(s.rows("select deptno, ename, sum(sal) over (partition by deptno), count(*) over (partition by deptno),"
                   " avg(sal) over (partition by deptno order by sal range between 1200 preceding and current row)"
                   " from emp where deptno = 10 order by sal"),
            (Rows{"10|MILLER|8750|3|1300", "10|CLARK|8750|3|1875", "10|KING|8750|3|5000"}));
  // Over grouped rows: the window reads the groups' values.
  EXPECT_EQ(s.rows("select deptno, sum(sal), rank() over (order by sum(sal) desc), sum(sum(sal)) over ()"
                   " from emp group by deptno order by 3"),
            (Rows{"20|10875|1|29025", "30|9400|2|29025", "10|8750|3|29025"}));
  EXPECT_EQ(s.rows("select deptno, sum(sal) over (order by sal) from emp group by deptno"),
            Rows{"error: ORA-00979: not a GROUP BY expression\n"});
  // RATIO_TO_REPORT is the share of the partition's sum.
  run("create table share (g number, v number)");
  run("insert into share values (1, 1)");
  run("insert into share values (1, 3)");
  run("insert into share values (2, 4)");
  run("insert into share values (2, null)");
  EXPECT_EQ(s.rows("select g, v, ratio_to_report(v) over (partition by g), ratio_to_report(v) over ()"
                   " from share order by g, v"),
            (Rows{"1|1|.25|.125", "1|3|.75|.375", "2|4|1|.5", "2|<null>|<null>|<null>"}));
}

TEST_F(Analytic, OffsetAndValueFunctions) {
  EXPECT_EQ(s.rows("select ename, lag(sal) over (order by sal, ename), lead(ename, 2, 'none') over (order by sal, ename),"
                   " lag(sal, 1, 0) over (partition by deptno order by sal, ename) from emp where deptno = 30"
                   " order by sal, ename"),
            (Rows{"JAMES|<null>|WARD|0", "MARTIN|950|TURNER|950", "WARD|1250|ALLEN|1250", "TURNER|1250|BLAKE|1250",
                  "ALLEN|1500|none|1500", "BLAKE|1600|none|1600"}));
  // IGNORE NULLS skips the rows whose value is NULL, in either place Oracle accepts it.
  EXPECT_EQ(s.rows("select ename, lag(comm ignore nulls) over (order by empno),"
                   " last_value(comm ignore nulls) over (order by empno),"
                   " first_value(comm) ignore nulls over (order by empno rows between current row and unbounded following),"
                   " lead(comm, 1, -1) ignore nulls over (order by empno)"
                   " from emp where empno <= 7844 order by empno"),
            (Rows{"SMITH|<null>|<null>|300|300", "ALLEN|<null>|300|300|500", "WARD|300|500|500|1400",
                  "JONES|500|500|1400|1400", "MARTIN|500|1400|1400|0", "BLAKE|1400|1400|0|0", "CLARK|1400|1400|0|0",
                  "SCOTT|1400|1400|0|0", "KING|1400|1400|0|0", "TURNER|1400|0|0|-1"}));
  EXPECT_EQ(s.rows("select ename, first_value(ename) over (partition by deptno order by sal desc),"
                   " last_value(ename) over (partition by deptno order by sal),"
                   " last_value(ename) over (partition by deptno order by sal"
                   " rows between unbounded preceding and unbounded following),"
                   " nth_value(ename, 2) over (partition by deptno order by sal"
                   " rows between unbounded preceding and unbounded following),"
                   " nth_value(ename, 1) from last over (partition by deptno order by sal"
                   " rows between unbounded preceding and unbounded following)"
                   " from emp where deptno = 10 order by sal"),
            (Rows{"MILLER|KING|MILLER|KING|CLARK|KING", "CLARK|KING|CLARK|KING|CLARK|KING",
                  "KING|KING|KING|KING|CLARK|KING"}));
  EXPECT_EQ(s.rows("select nth_value(ename, 0) over (order by sal) from emp"),
            Rows{"error: ORA-01428: argument '0' is out of range\n"});
}

TEST_F(Analytic, MisplacedAnalyticsAreRefused) {
  EXPECT_EQ(error_of("select row_number() over () from emp"),
            "error: ORA-30485: missing ORDER BY expression in the window specification\n");
  EXPECT_EQ(error_of("select rank() from emp"), "error: ORA-30484: missing window specification for this function\n");
  EXPECT_EQ(error_of("select ratio_to_report(sal) over (order by sal) from emp"),
            "error: ORA-30487: ORDER BY not allowed here\n");
  EXPECT_EQ(error_of("select deptno from emp group by deptno having rank() over (order by deptno) > 1"),
            "error: ORA-30483: window  functions are not allowed here\n");
  EXPECT_EQ(error_of("select sum(rank() over (order by sal)) over () from emp"),
            "error: ORA-30483: window  functions are not allowed here\n");
  EXPECT_EQ(error_of("select lag(sal) over (order by sal rows 1 preceding) from emp"),
            "error: ORA-00907: missing right parenthesis\n");
  EXPECT_EQ(error_of("select count(distinct sal) over (order by sal) from emp"),
            "error: ORA-30487: ORDER BY not allowed here\n");
  // An analytic call in a subquery of WHERE is that query's select list: allowed.
  EXPECT_EQ(s.rows("select ename from emp where empno in (select empno from"
                   " (select empno, rank() over (order by sal) r from emp) where r = 1)"),
            Rows{"SMITH"});
  EXPECT_EQ(s.rows("select ename from emp order by row_number() over (order by sal desc, ename) fetch first 2 rows only"),
            (Rows{"KING", "FORD"}));
}

TEST_F(Analytic, Listagg) {
  EXPECT_EQ(s.rows("select deptno, listagg(ename, ',') within group (order by ename) from emp group by deptno"
                   " order by deptno"),
            (Rows{"10|CLARK,KING,MILLER", "20|ADAMS,FORD,JONES,SCOTT,SMITH", "30|ALLEN,BLAKE,JAMES,MARTIN,TURNER,WARD"}));
  EXPECT_EQ(s.rows("select listagg(ename, '; ') within group (order by sal desc), listagg(ename) within group"
                   " (order by empno), listagg(distinct job, ',') within group (order by job desc),"
                   " listagg(comm, '+') within group (order by comm nulls first) from emp where deptno = 10"),
            Rows{"KING; CLARK; MILLER|CLARKKINGMILLER|PRESIDENT,MANAGER,CLERK|<null>"});
  EXPECT_EQ(s.value("select listagg(distinct job, ',') within group (order by job) from emp where deptno = 20"),
            "ANALYST,CLERK,MANAGER");
  EXPECT_EQ(s.rows("select ename, listagg(ename, ',') within group (order by ename) over (partition by deptno)"
                   " from emp where deptno = 10 order by ename"),
            (Rows{"CLARK|CLARK,KING,MILLER", "KING|CLARK,KING,MILLER", "MILLER|CLARK,KING,MILLER"}));
  EXPECT_EQ(error_of("select listagg(ename, ',') from emp"), "error: ORA-00905: missing keyword\n");
  EXPECT_EQ(error_of("select listagg(ename, ename) within group (order by ename) from emp"),
            "error: ORA-30496: Argument should be a constant.\n");
  // Over 4000 bytes: an error, or whole values cut with the indicator and the count left out.
  run("create table big (n number, t varchar2(1000))");
  for (int i = 1; i <= 5; ++i) run("insert into big values (" + std::to_string(i) + ", rpad('x', 1000, 'x'))");
  EXPECT_EQ(error_of("select listagg(t, ',') within group (order by n) from big"),
            "error: ORA-01489: result of string concatenation is too long\n");
  EXPECT_EQ(error_of("select listagg(t, ',' on overflow error) within group (order by n) from big"),
            "error: ORA-01489: result of string concatenation is too long\n");
  std::string cut = s.value("select listagg(t, ',' on overflow truncate) within group (order by n) from big");
  EXPECT_EQ(cut.size(), 3009u);
  EXPECT_EQ(cut.substr(2995), "xxxxxxx,...(2)");
  cut = s.value("select listagg(t, ',' on overflow truncate '~' without count) within group (order by n) from big");
  EXPECT_EQ(cut.size(), 3004u);
  EXPECT_EQ(cut.substr(2998), "xxxx,~");
  EXPECT_EQ(s.value("select length(listagg(rpad(t, 2000, 'y')) within group (order by n)) from big where n < 3"),
            "4000");
  EXPECT_EQ(error_of("select listagg(rpad(t, 2000, 'y')) within group (order by n) from big where n < 4"),
            "error: ORA-01489: result of string concatenation is too long\n");
}

TEST_F(Analytic, RowLimiting) {
  EXPECT_EQ(s.rows("select ename from emp order by sal desc, ename fetch first 3 rows only"),
            (Rows{"KING", "FORD", "SCOTT"}));
  EXPECT_EQ(s.rows("select ename from emp order by sal desc, ename offset 1 row fetch next 2 rows only"),
            (Rows{"FORD", "SCOTT"}));
  EXPECT_EQ(s.rows("select ename from emp order by empno offset 12 rows"), (Rows{"FORD", "MILLER"}));
  EXPECT_EQ(s.rows("select ename, sal from emp order by sal desc, ename fetch first 20 percent rows only"),
            (Rows{"KING|5000", "FORD|3000", "SCOTT|3000"}));
  EXPECT_EQ(s.rows("select ename from emp order by sal desc, ename fetch first row only"), Rows{"KING"});
  Rows ties = s.rows("select ename from (select ename, sal from emp order by sal desc fetch first 2 rows with ties)");
  ASSERT_EQ(ties.size(), 3u);
  EXPECT_EQ(ties[0], "KING");
  std::sort(ties.begin() + 1, ties.end());
  EXPECT_EQ(ties, (Rows{"KING", "FORD", "SCOTT"}));
  EXPECT_EQ(s.rows("select sal from emp order by sal offset 3 rows fetch first 1 rows with ties"),
            (Rows{"1250", "1250"}));
  // The keys may be columns that are not selected, and expressions; only the selected
  // columns come back.
  EXPECT_EQ(s.rows("select ename from emp order by sal desc, empno fetch first 3 rows with ties"),
            (Rows{"KING", "SCOTT", "FORD"}));
  EXPECT_EQ(s.value("select count(*) from (select ename from emp order by sal desc fetch first 2 rows with ties)"), "3");
  EXPECT_EQ(s.rows("select ename, job from emp order by nvl(comm, 0) desc, empno fetch first 10 percent rows only"),
            (Rows{"MARTIN|SALESMAN", "WARD|SALESMAN"}));
  EXPECT_EQ(s.rows("select * from (select deptno from emp order by sal fetch first 1 rows with ties)"), Rows{"20"});
  EXPECT_EQ(s.value("select count(*) from (select e.* from emp e order by e.sal, e.empno fetch first 2 rows with ties)"),
            "2");
  EXPECT_EQ(s.rows("select deptno, count(*) from emp group by deptno order by max(sal) desc fetch first 1 rows with ties"),
            Rows{"10|3"});
  // Negative counts and NULL are 0; fractions are cut.
  EXPECT_EQ(s.rows("select ename from emp order by empno fetch first -1 rows only"), Rows{});
  EXPECT_EQ(s.rows("select ename from emp order by empno offset -5 rows fetch first 1.9 rows only"), Rows{"SMITH"});
  EXPECT_EQ(s.rows("select ename from emp order by empno fetch first null rows only"), Rows{});
  EXPECT_EQ(s.value("select count(*) from (select * from emp fetch first 5 rows only)"), "5");
  EXPECT_EQ(s.rows("select distinct deptno from emp order by deptno fetch first 2 rows only"), (Rows{"10", "20"}));
  // ROWNUM numbers the rows before ORDER BY; the row limit applies after it.
  EXPECT_EQ(s.rows("select ename from emp where rownum <= 5 order by ename fetch first 2 rows only"),
            (Rows{"ALLEN", "JONES"}));
  // ORDER BY after a ROWNUM limit still names the tables' columns, selected or not, and
  // ROWID survives the limit.
  EXPECT_EQ(s.rows("select e.ename from emp e where rownum <= 3 order by e.ename"), (Rows{"ALLEN", "SMITH", "WARD"}));
  EXPECT_EQ(s.rows("select ename from emp e where rownum <= 3 order by e.sal desc"), (Rows{"ALLEN", "WARD", "SMITH"}));
  EXPECT_EQ(s.rows("select rownum, ename from emp where rownum <= 3 order by ename desc"),
            (Rows{"3|WARD", "1|SMITH", "2|ALLEN"}));
  EXPECT_EQ(s.value("select count(*) from emp where rowid in (select rowid from emp where rownum <= 2)"), "2");
  EXPECT_EQ(s.rows("select e.ename, e.deptno, d.deptno from emp e, emp d where e.empno = d.empno and rownum <= 2 "
                   "order by e.ename desc"),
            (Rows{"SMITH|20|20", "ALLEN|30|30"}));
  EXPECT_EQ(s.rows("select deptno from emp union select 40 from dual order by 1 desc fetch first 2 rows only"),
            (Rows{"40", "30"}));
  // An alias named like the keywords still works where no count follows.
  EXPECT_EQ(s.value("select offset.ename from emp offset where empno = 7369"), "SMITH");
  EXPECT_EQ(error_of("select ename from emp fetch first 2 rows"), "error: ORA-00905: missing keyword\n");
}

TEST_F(Analytic, SubqueryFactoring) {
  EXPECT_EQ(s.rows("with d as (select deptno, count(*) n from emp group by deptno)"
                   " select deptno, n from d where n > 3 order by deptno"),
            (Rows{"20|5", "30|6"}));
  EXPECT_EQ(s.rows("with d (dno, cnt) as (select deptno, count(*) from emp group by deptno),"
                   " big as (select dno from d where cnt > 4) select * from big order by 1"),
            (Rows{"20", "30"}));
  // A query name hides a table of the same name; it is known inside subqueries.
  EXPECT_EQ(s.value("with emp as (select 1 x from dual) select x from emp"), "1");
  EXPECT_EQ(s.value("select (with x as (select 7 a from dual) select a from x) from dual"), "7");
  EXPECT_EQ(s.value("select count(*) from emp where deptno in (with d as (select 10 n from dual) select n from d)"),
            "3");
  run("create table copy (n number)");
  run("insert into copy with x as (select empno from emp where deptno = 10) select empno from x");
  EXPECT_EQ(s.value("select count(*) from copy"), "3");
  EXPECT_EQ(error_of("with d (a, b) as (select deptno from emp) select * from d"),
            "error: ORA-32038: number of WITH clause column names does not match number of elements in select list\n");
  EXPECT_EQ(error_of("with d as (select 1 from dual), d as (select 2 from dual) select * from d").substr(0, 11),
            "error: ORA-");
}

TEST_F(Analytic, RecursiveWith) {
  EXPECT_EQ(s.value("with r (n) as (select 1 from dual union all select n + 1 from r where n < 5) select sum(n) from r"),
            "15");
  EXPECT_EQ(s.rows("with chain (empno, ename, lvl) as (select empno, ename, 1 from emp where mgr is null"
                   " union all select e.empno, e.ename, c.lvl + 1 from emp e join chain c on e.mgr = c.empno)"
                   " select lvl, count(*), listagg(ename, ',') within group (order by ename) from chain"
                   " group by lvl order by lvl"),
            (Rows{"1|1|KING", "2|3|BLAKE,CLARK,JONES", "3|8|ALLEN,FORD,JAMES,MARTIN,MILLER,SCOTT,TURNER,WARD",
                  "4|2|ADAMS,SMITH"}));
  EXPECT_EQ(error_of("with r as (select 1 n from dual union all select n + 1 from r where n < 3) select * from r"),
            "error: ORA-32039: recursive WITH clause must have column alias list\n");
  EXPECT_EQ(error_of("with r (n) as (select 1 from dual union select n + 1 from r where n < 3) select * from r"),
            "error: ORA-32040: recursive WITH clause must use a UNION ALL operation\n");
  EXPECT_EQ(s.rows("with r (n) as (select 1 from dual union all select n + 1 from r where n < 3)"
                   " search depth first by n set o select * from r order by o desc"),
            (Rows{"3|3", "2|2", "1|1"}));
}

}  // namespace

namespace {

// COUNT, SUM and AVG of distinct values over a partition (each value counted once),
// with Oracle's answers over EMP.
TEST_F(Analytic, DistinctAggregatesOverAPartition) {
  EXPECT_EQ(s.rows("select distinct deptno, count(distinct job) over (partition by deptno),"
                   " sum(distinct sal) over (partition by deptno), avg(distinct sal) over (partition by deptno),"
                   " count(distinct comm) over (partition by deptno) from emp order by 1"),
            (Rows{"10|3|8750|2916.666666666666666666666666666666666667|0", "20|3|7875|1968.75|0", "30|3|8150|1630|4"}));
  // In decimal, as NUMBER arithmetic: wide values and integers beyond a double's digits.
  const std::string values = " from (select 1 k, 1/3 x from dual union all select 1, 1 from dual union all"
                             " select 2, 9007199254740993 from dual union all select 2, 9007199254740992 from dual)";
  EXPECT_EQ(s.rows("select k, avg(distinct x) over (partition by k), sum(distinct x) over (partition by k)" + values +
                   " where k = 2"),
            (Rows{"2|9007199254740992.5|18014398509481985", "2|9007199254740992.5|18014398509481985"}));
  EXPECT_EQ(s.rows("select distinct k, avg(distinct x) over (partition by k) - avg(x) over (partition by k),"
                   " sum(distinct x) over (partition by k) - sum(x) over (partition by k)" +
                   values + " order by k"),
            (Rows{"1|0|0", "2|0|0"}));
  EXPECT_EQ(s.value("select sum(x) keep (dense_rank first order by k) - sum(x), avg(x) keep (dense_rank first order by k)"
                    " - avg(x)" + values + " where k = 1"),
            "0|0");
  EXPECT_EQ(s.value("select avg(x)" + values + " where k = 1"), ".666666666666666666666666666666666666665");
  // Analytic functions see only the rows that WHERE, ROWNUM included, lets through.
  EXPECT_EQ(s.value("select count(distinct deptno) over () from emp where rownum = 1"), "1");
  EXPECT_EQ(s.value("select distinct count(*) over () from emp where rownum <= 4"), "4");
  EXPECT_EQ(s.value("select count(*) over () from emp e, emp d where e.empno = d.empno and rownum <= 4"),
            "error: ORA-03001: unimplemented feature\n");
  EXPECT_EQ(s.value("select count(distinct deptno) over (order by empno) from emp"),
            "error: ORA-30487: ORDER BY not allowed here\n");
  EXPECT_EQ(s.value("select distinct round(stddev(distinct sal) over (), 6) from emp where rownum <= 3"), "401.040314");
}

}  // namespace

// With a join, ROWNUM still limits the rows before ORDER BY sorts them, and ORDER BY may
// name any column of the FROM tables, selected or not.
TEST_F(Analytic, RownumLimitOfJoinSortsByAnyColumn) {
  EXPECT_EQ(s.rows("select e.ename from emp e, emp d where e.empno = d.empno and rownum <= 2 order by e.sal"),
            (Rows{"SMITH", "ALLEN"}));
  EXPECT_EQ(s.rows("select e.ename from emp e join emp d on d.empno = e.empno where rownum <= 2 order by d.sal desc"),
            (Rows{"ALLEN", "SMITH"}));
  // Every row of department 10 passes the limit: the order is the hidden keys' alone.
  const std::string dept10 = " from emp e join emp m on m.empno = e.mgr where e.deptno = 10 and rownum <= 5 ";
  EXPECT_EQ(s.rows("select e.ename, m.ename" + dept10 + "order by m.sal, e.sal desc"),
            (Rows{"MILLER|CLARK", "CLARK|KING"}));
  EXPECT_EQ(s.rows("select e.ename" + dept10 + "order by e.empno desc"), (Rows{"MILLER", "CLARK"}));
  EXPECT_EQ(s.rows("select e.ename, e.sal" + dept10 + "order by 2 desc, e.ename"), (Rows{"CLARK|2450", "MILLER|1300"}));
  EXPECT_EQ(s.rows("select e.ename" + dept10 + "order by e.comm nulls first, m.sal * -1, e.empno"),
            (Rows{"CLARK", "MILLER"}));
  EXPECT_EQ(s.rows("select e.ename n" + dept10 + "order by length(m.job) || e.ename desc"),
            (Rows{"CLARK", "MILLER"}));
  // The limit still holds, and the hidden keys stay out of the result columns.
  EXPECT_EQ(s.value("select count(*) from (select e.ename from emp e, emp d where e.empno = d.empno and rownum <= 3"
                    " order by d.sal)"),
            "3");
  EXPECT_EQ(s.rows("select * from (select e.ename, d.empno from emp e, emp d where e.empno = d.empno and e.deptno = 10"
                   " and rownum <= 9 order by d.sal desc, d.ename)"),
            (Rows{"KING|7839", "CLARK|7782", "MILLER|7934"}));
  EXPECT_EQ(error_of("select e.ename from emp e, emp d where e.empno = d.empno and rownum <= 2 order by e.nosuch"),
            "error: ORA-00904: \"E\".\"NOSUCH\": invalid identifier\n");
  EXPECT_EQ(error_of("select e.ename from emp e, emp d where e.empno = d.empno and rownum <= 2"
                     " order by rank() over (order by e.sal)"),
            "error: ORA-03001: unimplemented feature\n");
}
