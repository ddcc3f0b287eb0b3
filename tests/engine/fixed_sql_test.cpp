// The console's fixed SQL texts on the embedded engine, over a small copy of the demo
// schema: each text with its placeholders and binds filled returns the rows Oracle
// gives. Also the dialect those texts and the console's features lean on: EXPLAIN PLAN
// into PLAN_TABLE, hierarchical queries, INSERT into a subquery, SYSTIMESTAMP and UID.
#include "oci_session.h"

#include <filesystem>

namespace {

using Rows = std::vector<std::string>;

class FixedSql : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    if (test_against_oracle()) GTEST_SKIP() << "checks the embedded engine's fresh schema";
    ASSERT_EQ(s.connect("scott", "tiger", "fixed"), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  Rows rows(const std::string& sql) { return s.rows(sql); }
  void demo() {
    run("create table dept (deptno number(2) constraint pk_dept primary key, dname varchar2(14), loc varchar2(13))");
    run("create table emp (empno number(4) constraint pk_emp primary key, ename varchar2(10), job varchar2(9),"
        " mgr number(4), hiredate date, sal number(7,2), comm number(7,2),"
        " deptno number(2) constraint fk_deptno references dept)");
    run("insert into dept values (10, 'ACCOUNTING', 'NEW YORK')");
    run("insert into dept values (20, 'RESEARCH', 'DALLAS')");
    run("insert into dept values (30, 'SALES', 'CHICAGO')");
    const char* const emps[] = {
        "7839, 'KING', 'PRESIDENT', null, to_date('17-11-1981','dd-mm-yyyy'), 5000, null, 10",
        "7566, 'JONES', 'MANAGER', 7839, to_date('02-04-1981','dd-mm-yyyy'), 2975, null, 20",
        "7698, 'BLAKE', 'MANAGER', 7839, to_date('01-05-1981','dd-mm-yyyy'), 2850, null, 30",
        "7782, 'CLARK', 'MANAGER', 7839, to_date('09-06-1981','dd-mm-yyyy'), 2450, null, 10",
        "7788, 'SCOTT', 'ANALYST', 7566, to_date('19-04-1987','dd-mm-yyyy'), 3000, null, 20",
        "7902, 'FORD', 'ANALYST', 7566, to_date('03-12-1981','dd-mm-yyyy'), 3000, null, 20",
        "7369, 'SMITH', 'CLERK', 7902, to_date('17-12-1980','dd-mm-yyyy'), 800, null, 20",
        "7499, 'ALLEN', 'SALESMAN', 7698, to_date('20-02-1981','dd-mm-yyyy'), 1600, 300, 30",
        "7900, 'JAMES', 'CLERK', 7698, to_date('03-12-1981','dd-mm-yyyy'), 950, null, 30",
        "7934, 'MILLER', 'CLERK', 7782, to_date('23-01-1982','dd-mm-yyyy'), 1300, null, 10"};
    for (const char* e : emps) run(std::string("insert into emp values (") + e + ")");
    run("create index ix_emp_dept on emp (deptno)");
    run("commit");
  }
  OciSession s;
};

// The console's plan query, with the statement id filled in twice.
std::string plan_query(const std::string& id) {
  return "SELECT ID,PARENT_ID,OPERATION||DECODE(OTHER_TAG,NULL,'','*')||DECODE(OPTIONS,NULL,'',' ('||OPTIONS||')')"
         "||DECODE(OBJECT_NAME,NULL,'',' OF '''||OBJECT_NAME||'''')||DECODE(OBJECT_TYPE,NULL,'',' ('||OBJECT_TYPE||')')"
         "||DECODE(ID,0,DECODE(OPTIMIZER,NULL,'',' Optimizer='||OPTIMIZER))||DECODE(COST,NULL,'',' (Cost='||COST"
         "||DECODE(CARDINALITY,NULL,'',' Card='||CARDINALITY)||DECODE(BYTES,NULL,'',' Bytes='||BYTES||')'))"
         "||DECODE(PARTITION_START,NULL,'',' PStart='||PARTITION_START)||DECODE(PARTITION_STOP,NULL,'',' PStop='"
         "||PARTITION_STOP) PLAN FROM PLAN_TABLE START WITH ID=0 AND STATEMENT_ID='" + id +
         "' CONNECT BY PRIOR ID=PARENT_ID AND STATEMENT_ID='" + id + "' ORDER BY ID,POSITION";
}

TEST_F(FixedSql, ExplainPlanOfAJoinWithAnIndexGivesOraclesTree) {
  demo();
  run("savepoint VANTRO");
  run("delete from plan_table where statement_id='VANTRO_1'");
  run("EXPLAIN PLAN SET STATEMENT_ID = 'VANTRO_1' FOR select e.ename, d.dname from emp e, dept d"
      " where e.deptno = d.deptno and d.deptno = 10");
  EXPECT_EQ(rows("select id, parent_id, position, operation, options, object_owner, object_name, object_type"
                 " from plan_table where statement_id='VANTRO_1' and id>0 order by id"),
            (Rows{"1|0|1|NESTED LOOPS|<null>|<null>|<null>|<null>",
                  "2|1|1|TABLE ACCESS|BY INDEX ROWID|SCOTT|DEPT|TABLE",
                  "3|2|1|INDEX|UNIQUE SCAN|SCOTT|PK_DEPT|INDEX (UNIQUE)",
                  "4|1|2|TABLE ACCESS|BY INDEX ROWID|SCOTT|EMP|TABLE",
                  "5|4|1|INDEX|RANGE SCAN|SCOTT|IX_EMP_DEPT|INDEX"}));
  // The root: the statement, the optimizer goal, and its cost as its position.
  EXPECT_EQ(rows("select operation, optimizer, parent_id, case when position=cost then 'same' end, depth"
                 " from plan_table where statement_id='VANTRO_1' and id=0"),
            Rows{"SELECT STATEMENT|ALL_ROWS|<null>|same|0"});
  EXPECT_EQ(rows("select count(*) from plan_table where statement_id='VANTRO_1' and cost is not null"
                 " and cardinality>0"),
            Rows{"6"});
  // The console's tree text; index steps carry no byte count, as in Oracle's plans.
  EXPECT_EQ(rows(plan_query("VANTRO_1")),
            (Rows{"0|<null>|SELECT STATEMENT Optimizer=ALL_ROWS (Cost=4 Card=1 Bytes=72)",
                  "1|0|NESTED LOOPS (Cost=4 Card=1 Bytes=72)",
                  "2|1|TABLE ACCESS (BY INDEX ROWID) OF 'DEPT' (TABLE) (Cost=1 Card=1 Bytes=20)",
                  "3|2|INDEX (UNIQUE SCAN) OF 'PK_DEPT' (INDEX (UNIQUE)) (Cost=0 Card=1",
                  "4|1|TABLE ACCESS (BY INDEX ROWID) OF 'EMP' (TABLE) (Cost=3 Card=1 Bytes=53)",
                  "5|4|INDEX (RANGE SCAN) OF 'IX_EMP_DEPT' (INDEX) (Cost=2 Card=1"}));
  run("rollback to savepoint VANTRO");
  EXPECT_EQ(rows("select count(*) from plan_table"), Rows{"0"}) << "the console's rollback leaves no rows";
}

TEST_F(FixedSql, ExplainPlanShowsSortsAggregatesSetsAndDml) {
  demo();
  run("explain plan set statement_id = 'a' for select * from emp order by ename");
  EXPECT_EQ(rows("select operation||' '||options||' '||object_name from plan_table where statement_id='a' order by id"),
            (Rows{"SELECT STATEMENT  ", "SORT ORDER BY ", "TABLE ACCESS FULL EMP"}));
  EXPECT_EQ(rows("select cardinality from plan_table where statement_id='a' and id=2"), Rows{"10"})
      << "a full scan's cardinality is the table's row count";
  run("explain plan set statement_id = 'b' for select count(*) from dept");
  EXPECT_EQ(rows("select operation||' '||options from plan_table where statement_id='b' and id=1"),
            Rows{"SORT AGGREGATE"});
  run("explain plan set statement_id = 'c' for select ename from emp union select dname from dept");
  EXPECT_EQ(rows("select lpad(' ',depth)||operation||' '||options from plan_table where statement_id='c' order by id"),
            (Rows{"SELECT STATEMENT ", " SORT UNIQUE", "  UNION-ALL ", "   TABLE ACCESS FULL", "   TABLE ACCESS FULL"}));
  run("explain plan set statement_id = 'd' for select ename from emp where rownum <= 3");
  EXPECT_EQ(rows("select operation||' '||options||' '||cardinality from plan_table where statement_id='d' and id=1"),
            Rows{"COUNT STOPKEY 3"});
  run("explain plan set statement_id = 'e' for delete from emp where empno = 7369");
  EXPECT_EQ(rows("select operation||' '||options||' '||object_name from plan_table where statement_id='e' order by id"),
            (Rows{"DELETE STATEMENT  ", "DELETE  EMP", "INDEX UNIQUE SCAN PK_EMP"}));
  run("explain plan for select * from dual");
  EXPECT_EQ(rows("select operation from plan_table where statement_id is null order by id"),
            (Rows{"SELECT STATEMENT", "FAST DUAL"}));
  EXPECT_EQ(rows("select count(*) from emp"), Rows{"10"}) << "explaining a DELETE does not run it";
}

TEST_F(FixedSql, ExplainPlanRefusesMissingTablesAndPlanTables) {
  demo();
  EXPECT_EQ(s.exec("EXPLAIN PLAN SET STATEMENT_ID = 'x' FOR select * from no_such_table"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-00942: table or view does not exist\n");
  EXPECT_EQ(s.exec("explain plan into my_plans for select * from emp"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-00942: table or view does not exist\n");
  EXPECT_EQ(s.exec("explain plan set statement_id = 'x' for"), OCI_ERROR);
  EXPECT_EQ(rows("select count(*) from plan_table"), Rows{"0"}) << "a failed explain inserts nothing";
  // A plan table of the user's own (the old utlxplan layout) receives the rows.
  run("create table my_plans (statement_id varchar2(30), timestamp date, remarks varchar2(80),"
      " operation varchar2(30), options varchar2(255), object_node varchar2(128), object_owner varchar2(30),"
      " object_name varchar2(30), object_instance number, object_type varchar2(30), optimizer varchar2(255),"
      " search_columns number, id number, parent_id number, position number, cost number, cardinality number,"
      " bytes number, other_tag varchar2(255), partition_start varchar2(255), partition_stop varchar2(255),"
      " partition_id number, other long, distribution varchar2(30))");
  run("explain plan set statement_id = 'mine' into my_plans for select ename from emp where empno = 7788");
  EXPECT_EQ(rows("select id, parent_id, operation, options, object_name from my_plans order by id"),
            (Rows{"0|<null>|SELECT STATEMENT|<null>|<null>", "1|0|TABLE ACCESS|BY INDEX ROWID|EMP",
                  "2|1|INDEX|UNIQUE SCAN|PK_EMP"}));
  EXPECT_EQ(rows("select count(*) from plan_table"), Rows{"0"});
}

TEST_F(FixedSql, ConnectByWalksTheTreeDepthFirstWithLevel) {
  demo();
  EXPECT_EQ(rows("select lpad(' ', 2*(level-1))||ename, level from emp start with mgr is null"
                 " connect by prior empno = mgr order siblings by ename"),
            (Rows{"KING|1", "  BLAKE|2", "    ALLEN|3", "    JAMES|3", "  CLARK|2", "    MILLER|3", "  JONES|2",
                  "    FORD|3", "      SMITH|4", "    SCOTT|3"}));
  EXPECT_EQ(rows("select ename, sys_connect_by_path(ename, '/'), connect_by_root ename from emp"
                 " where level = 3 and deptno = 20 start with mgr is null connect by prior empno = mgr"
                 " order by 1"),
            (Rows{"FORD|/KING/JONES/FORD|KING", "SCOTT|/KING/JONES/SCOTT|KING"}));
  EXPECT_EQ(rows("select count(*), max(level) from emp start with ename = 'JONES' connect by mgr = prior empno"),
            Rows{"4|3"});
  EXPECT_EQ(rows("select level from dual connect by level <= 4"), (Rows{"1", "2", "3", "4"}));
  // A loop in the data: Oracle's error, or the rows up to the loop with NOCYCLE.
  run("update emp set mgr = 7369 where empno = 7839");
  EXPECT_EQ(rows("select count(*) from emp start with empno = 7839 connect by prior empno = mgr"),
            Rows{"error: ORA-01436: CONNECT BY loop in user data\n"});
  EXPECT_EQ(rows("select count(*) from emp start with empno = 7839 connect by nocycle prior empno = mgr"),
            Rows{"10"});
  EXPECT_EQ(s.exec("select level from emp"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1788);
  EXPECT_EQ(s.exec("select prior ename from emp"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 976);
}

TEST_F(FixedSql, ExplainPlanQueryIndentsTheConsoleTree) {
  demo();
  run("EXPLAIN PLAN SET STATEMENT_ID = 'T' FOR select d.dname, count(*) from emp e, dept d"
      " where e.deptno = d.deptno group by d.dname");
  Rows tree = rows("select lpad(' ', 2*level)||operation||' '||options from plan_table start with id = 0"
                   " and statement_id = 'T' connect by prior id = parent_id and statement_id = 'T'");
  ASSERT_GE(tree.size(), 4u);
  EXPECT_EQ(tree[0], "  SELECT STATEMENT ");
  EXPECT_EQ(tree[1].substr(0, 10), "    HASH G");
  for (std::size_t i = 2; i < tree.size(); ++i) EXPECT_EQ(tree[i].substr(0, 6), "      ") << tree[i];
}

TEST_F(FixedSql, InsertIntoASubqueryWritesTheTable) {
  demo();
  run("insert into (select \"DEPTNO\",\"DNAME\",\"LOC\" from \"DEPT\") (\"DEPTNO\",\"DNAME\",\"LOC\")"
      " values (40,'OPERATIONS','BOSTON')");
  run("insert into (select deptno, dname from dept where deptno < 0) values (50, 'TRAINING')");
  run("insert into (select d.deptno num, d.loc from dept d) (num, loc) select 60, 'PARIS' from dual");
  EXPECT_EQ(rows("select deptno, dname, loc from dept where deptno >= 40 order by 1"),
            (Rows{"40|OPERATIONS|BOSTON", "50|TRAINING|<null>", "60|<null>|PARIS"}));
  EXPECT_EQ(s.exec("insert into (select deptno, upper(dname) u from dept) (deptno, u) values (70, 'X')"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1733);
  EXPECT_EQ(s.exec("insert into (select deptno from dept) (dname) values ('X')"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 904);
  EXPECT_EQ(s.exec("insert into (select deptno from no_table) values (1)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 942);
}

}  // namespace
