// The statistical aggregates and the inverse distribution functions over the classic EMP
// table, as aggregates and over windows, with the answers Oracle gives.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class Statistics : public ::testing::Test {
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

TEST_F(Statistics, DeviationAndVariance) {
    EXPECT_EQ(s.rows("select round(stddev(sal), 6), round(variance(sal), 6), round(stddev_pop(sal), 6),"
                     " round(var_pop(sal), 6), round(stddev_samp(sal), 6), round(var_samp(sal), 6) from emp"),
              Rows{"1182.503224|1398313.873626|1139.488618|1298434.311224|1182.503224|1398313.873626"});
    EXPECT_EQ(s.rows("select deptno, round(stddev(sal), 6), round(var_pop(sal), 6) from emp group by deptno"
                     " order by deptno"),
              (Rows{"10|1893.629672|2390555.555556", "20|1123.332097|1009500", "30|668.331255|372222.222222"}));
    // One row: 0 for STDDEV and VARIANCE, NULL for the sample forms; no rows: NULL.
    EXPECT_EQ(s.rows("select stddev(sal), variance(sal), stddev_pop(sal), nvl(stddev_samp(sal), -1),"
                     " nvl(var_samp(sal), -1) from emp where ename = 'KING'"),
              Rows{"0|0|0|-1|-1"});
    EXPECT_EQ(s.rows("select nvl(stddev(sal), -1), nvl(var_pop(sal), -1), count(*) from emp where 1 = 0"),
              Rows{"-1|-1|0"});
    // NULLs are left out: COMM has four values (300, 500, 1400, 0).
    EXPECT_EQ(s.rows("select round(var_pop(comm), 2), round(variance(comm), 4) from emp"), Rows{"272500|363333.3333"});
    // DISTINCT counts 1250 of department 30 once.
    EXPECT_EQ(s.rows("select round(stddev(distinct sal), 5), round(variance(all sal), 6) from emp where deptno = 30"),
              Rows{"726.80809|446666.666667"});
    // Many small decimals: the variance and deviation to NUMBER's precision, not a double's.
    EXPECT_EQ(s.rows("select variance(x), var_pop(x), round(stddev(x), 36), stddev_pop(x) from"
                     " (select level / 10 x from dual connect by level <= 7)"),
              Rows{".0466666666666666666666666666666666666667|.04|.216024689946928674365532247869599889|.2"});
    EXPECT_EQ(s.rows("select variance(x), stddev(x) from (select 0.1 x from dual connect by level <= 1000)"),
              Rows{"0|0"});
    EXPECT_EQ(s.rows("select stddev_pop(distinct sal) from emp"),
              Rows{"error: ORA-30482: DISTINCT option not allowed for this function\n"});
    EXPECT_EQ(s.rows("select variance(date '2000-01-01') from emp"),
              Rows{"error: ORA-00932: inconsistent datatypes: expected NUMBER got DATE\n"});
    EXPECT_EQ(s.rows("select stddev(sum(sal)) from emp group by deptno"),
              Rows{"error: ORA-00935: group function is nested\n"});
}

TEST_F(Statistics, PairsAndRegression) {
    // Department 30's pairs of salary and commission; the rows without a commission drop out.
    const std::string from = " from emp where deptno = 30";
    EXPECT_EQ(s.rows("select regr_count(sal, comm), regr_avgx(sal, comm), regr_avgy(sal, comm),"
                     " regr_sxx(sal, comm), regr_syy(sal, comm), regr_sxy(sal, comm)" +
                     from),
              Rows{"4|550|1400|1090000|95000|-225000"});
    EXPECT_EQ(s.rows("select round(regr_slope(sal, comm), 6), round(regr_intercept(sal, comm), 5),"
                     " round(regr_r2(sal, comm), 6), round(corr(sal, comm), 5), covar_pop(sal, comm),"
                     " covar_samp(comm, sal)" +
                     from),
              Rows{"-.206422|1513.53211|.488894|-.69921|-56250|-75000"});
    // No pairs: REGR_COUNT 0, the rest NULL; a constant x leaves slope and R2 without value.
    EXPECT_EQ(s.rows("select regr_count(sal, comm), nvl(regr_slope(sal, comm), -1), nvl(corr(sal, comm), -1)"
                     " from emp where deptno = 10"),
              Rows{"0|-1|-1"});
    EXPECT_EQ(s.rows("select nvl(regr_slope(sal, 5), -1), nvl(regr_r2(sal, 5), -1), regr_r2(5, sal),"
                     " nvl(covar_samp(sal, comm), -1) from emp where ename in ('KING', 'ALLEN')"),
              Rows{"-1|-1|1|-1"});
    EXPECT_EQ(s.rows("select deptno, regr_count(sal, mgr), round(regr_avgx(comm, sal)) from emp group by deptno"
                     " order by deptno"),
              (Rows{"10|2|<null>", "20|5|<null>", "30|6|1400"}));
    EXPECT_EQ(s.rows("select corr(sal) from emp"), Rows{"error: ORA-00909: invalid number of arguments\n"});
}

TEST_F(Statistics, MedianAndPercentiles) {
    EXPECT_EQ(s.rows("select deptno, median(sal), percentile_cont(0.5) within group (order by sal desc),"
                     " percentile_disc(0.5) within group (order by sal desc),"
                     " percentile_disc(0.5) within group (order by sal) from emp group by deptno order by deptno"),
              (Rows{"10|2450|2450|2450|2450", "20|2975|2975|2975|2975", "30|1375|1375|1500|1250"}));
    // Interpolation at a quarter (row number 1 + 0.25 * 13 = 4.25 of 14), exact in decimal.
    EXPECT_EQ(s.rows("select percentile_cont(0.25) within group (order by sal), percentile_cont(0) within group"
                     " (order by sal), percentile_cont(1) within group (order by sal), percentile_disc(0.3)"
                     " within group (order by sal desc), percentile_cont(0.1) within group (order by comm) from emp"),
              Rows{"1250|800|5000|2850|90"});
    EXPECT_EQ(s.rows("select median(comm), median(sal + 0.1), nvl(median(comm), -1) from emp where deptno = 30"),
              Rows{"400|1375.1|400"});
    EXPECT_EQ(s.rows("select nvl(median(sal), -1), nvl(percentile_disc(0.5) within group (order by sal), -1)"
                     " from emp where 1 = 0"),
              Rows{"-1|-1"});
    EXPECT_EQ(
        s.rows("select to_char(percentile_disc(0.5) within group (order by date '2000-01-01' + sal / 50), 'YYYY-MM-DD')"
               " from emp where deptno = 10"),
        Rows{"2000-02-19"});
    EXPECT_EQ(s.rows("select percentile_cont(1.5) within group (order by sal) from emp"),
              Rows{"error: ORA-30493: The percentile value should be a number between 0 and 1.\n"});
    EXPECT_EQ(s.rows("select percentile_cont(-0.1) within group (order by sal) from emp"),
              Rows{"error: ORA-30493: The percentile value should be a number between 0 and 1.\n"});
    // The percentile may be a column only where it is one value in each group.
    EXPECT_EQ(s.rows("select deptno, percentile_disc(deptno / 100) within group (order by sal) from emp"
                     " group by deptno order by deptno"),
              (Rows{"10|1300", "20|800", "30|1250"}));
    EXPECT_EQ(s.rows("select percentile_cont(sal / 10000) within group (order by sal) from emp"),
              Rows{"error: ORA-30496: Argument should be a constant.\n"});
    EXPECT_EQ(s.rows("select median(date '2000-01-01' + sal) from emp"),
              Rows{"error: ORA-03001: unimplemented feature: MEDIAN of a datetime or interval\n"});
    EXPECT_EQ(s.rows("select median(ename) from emp"), Rows{"error: ORA-01722: invalid number\n"});
    EXPECT_EQ(s.rows("select percentile_cont(0.5) within group (order by sal, comm) from emp"),
              Rows{"error: ORA-00907: missing right parenthesis\n"});
    EXPECT_EQ(s.rows("select median(sal) within group (order by sal) from emp"),
              Rows{"error: ORA-00907: missing right parenthesis\n"});
    EXPECT_EQ(s.rows("select median(null), stddev(null), regr_count(null, sal) from emp"), Rows{"<null>|<null>|0"});
    EXPECT_EQ(s.rows("select percentile_cont(0.5) from emp"), Rows{"error: ORA-00905: missing keyword\n"});
}

TEST_F(Statistics, InGroupingSetsHavingAndOrderBy) {
    EXPECT_EQ(s.rows("select deptno, median(sal), round(stddev(sal), 2) from emp group by rollup(deptno)"
                     " order by deptno nulls last"),
              (Rows{"10|2450|1893.63", "20|2975|1123.33", "30|1375|668.33", "<null>|1550|1182.5"}));
    EXPECT_EQ(s.rows("select deptno from emp group by deptno having median(sal) > 2000 order by variance(sal) desc"),
              (Rows{"10", "20"}));
    // A running median: the ordered values are kept only while the frame stays the same.
    EXPECT_EQ(s.rows("select ename, median(sal) over (partition by deptno), percentile_cont(0.5) within group"
                     " (order by sal) over (partition by job) from emp where deptno = 20 order by empno"),
              (Rows{"SMITH|2975|950", "JONES|2975|2975", "SCOTT|2975|3000", "ADAMS|2975|950", "FORD|2975|3000"}));
}

TEST_F(Statistics, ModeAndApproximateCount) {
    EXPECT_EQ(s.rows("select stats_mode(sal), stats_mode(job), approx_count_distinct(job),"
                     " approx_count_distinct(comm) from emp"),
              Rows{"1250|CLERK|5|4"});
    EXPECT_EQ(s.rows("select deptno, stats_mode(sal) from emp group by deptno order by deptno"),
              (Rows{"10|1300", "20|3000", "30|1250"}));
    EXPECT_EQ(s.rows("select nvl(stats_mode(comm), -1), approx_count_distinct(comm) from emp where deptno = 10"),
              Rows{"-1|0"});
}

TEST_F(Statistics, AnalyticForms) {
    EXPECT_EQ(s.rows("select ename, median(sal) over (partition by deptno),"
                     " percentile_disc(0.5) within group (order by sal desc) over (partition by deptno),"
                     " round(stddev(sal) over (partition by deptno), 3), stats_mode(sal) over (partition by deptno)"
                     " from emp where deptno in (10, 30) order by deptno, sal, ename"),
              (Rows{"MILLER|2450|2450|1893.63|1300", "CLARK|2450|2450|1893.63|1300", "KING|2450|2450|1893.63|1300",
                    "JAMES|1375|1500|668.331|1250", "MARTIN|1375|1500|668.331|1250", "WARD|1375|1500|668.331|1250",
                    "TURNER|1375|1500|668.331|1250", "ALLEN|1375|1500|668.331|1250", "BLAKE|1375|1500|668.331|1250"}));
    // Running and sliding frames: rows leaving the frame are taken out again.
    EXPECT_EQ(s.rows("select ename, variance(sal) over (order by sal, ename rows between 1 preceding and current row),"
                     " var_samp(sal) over (order by sal, ename), regr_count(sal, comm) over (order by sal, ename),"
                     " stats_mode(sal) over (order by sal, ename rows between 1 preceding and current row)"
                     " from emp where deptno = 30 order by sal, ename"),
              (Rows{"JAMES|0|<null>|0|950", "MARTIN|45000|45000|1|950", "WARD|0|30000|2|1250",
                    "TURNER|31250|50625|3|1250", "ALLEN|5000|64250|4|1500", "BLAKE|781250|446666.6666666666666666666666666666666667|4|1600"}));
    EXPECT_EQ(s.rows("select count(*) from (select stddev(distinct sal) over (partition by deptno) x from emp)"),
              Rows{"14"});
    EXPECT_EQ(s.rows("select median(sal) over (order by sal) from emp"),
              Rows{"error: ORA-30487: ORDER BY not allowed here\n"});
    EXPECT_EQ(s.rows("select stddev(distinct sal) over (order by sal) from emp"),
              Rows{"error: ORA-30487: ORDER BY not allowed here\n"});
}

}  // namespace
