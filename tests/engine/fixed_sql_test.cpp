// The console's fixed SQL texts on the embedded engine, over a small copy of the demo
// schema: each text with its placeholders and binds filled returns the rows Oracle
// gives. Also the dialect those texts and the console's features lean on: EXPLAIN PLAN
// into PLAN_TABLE, hierarchical queries, INSERT into a subquery, SYSTIMESTAMP and UID.
#include "oci_session.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

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
  // The rest of the demo schema's kinds of object.
  void demo_objects() {
    run("alter table emp modify ename not null");
    run("alter table dept add unique (dname)");
    run("create unique index ix_emp_ename_job on emp (ename, job)");
    run("create or replace view emp_dept as select e.empno, e.ename, d.dname from emp e, dept d"
        " where e.deptno = d.deptno");
    run("create sequence emp_seq start with 8000 increment by 1 nocache");
    run("create synonym employees for emp");
    run("create public synonym departments for dept");
    run("comment on table emp is 'Employees of the demo company'");
    run("comment on column emp.sal is 'Monthly salary'");
    run("create or replace procedure raise_salary(p_empno in number, p_percent in number default 10) is\n"
        "begin\n  update emp set sal = sal * (1 + p_percent / 100) where empno = p_empno;\nend;");
    run("create or replace function department_total(p_deptno in number) return number is\n  total number;\n"
        "begin\n  select sum(sal) into total from emp where deptno = p_deptno;\n  return nvl(total, 0);\nend;");
    EXPECT_EQ(s.exec("create or replace procedure broken_procedure is\nbegin\n  update no_such_table set x = 1;\n"
                     "end;"),
              OCI_SUCCESS_WITH_INFO);
  }
  // A query with string binds by position, as the console's list fillers bind them.
  Rows query(const std::string& sql, const std::vector<std::string>& binds) {
    OciStatement st(s, sql);
    std::vector<std::string> values = binds;
    for (std::size_t i = 0; i < values.size(); ++i) {
      OCIBind* b = nullptr;
      s.oci->OCIBindByPos(st.stmt, &b, s.err, static_cast<ub4>(i + 1), &values[i][0], static_cast<sb4>(values[i].size()),
                          SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    }
    Rows out;
    if (st.execute(0) != OCI_SUCCESS) return Rows{"error: " + s.error_text()};
    ub4 n = st.attr_ub4(OCI_ATTR_PARAM_COUNT);
    std::vector<std::vector<char>> bufs(n, std::vector<char>(4001));
    std::vector<sb2> inds(n);
    for (ub4 i = 0; i < n; ++i) {
      OCIDefine* d = nullptr;
      s.oci->OCIDefineByPos(st.stmt, &d, s.err, i + 1, bufs[i].data(), 4001, SQLT_STR, &inds[i], nullptr, nullptr,
                            OCI_DEFAULT);
    }
    for (;;) {
      sword f = st.fetch(1);
      if (f == OCI_NO_DATA) break;
      if (f != OCI_SUCCESS) return Rows{"error: " + s.error_text()};
      std::string row;
      for (ub4 i = 0; i < n; ++i) row += (i ? "|" : "") + (inds[i] == -1 ? std::string("<null>") : bufs[i].data());
      out.push_back(row);
    }
    return out;
  }
  // A PL/SQL block with named string binds; returns each bind's value afterwards.
  Rows block(const std::string& sql, const std::vector<std::pair<std::string, std::string>>& binds) {
    OciStatement st(s, sql);
    std::vector<std::vector<char>> bufs;
    std::vector<sb2> inds(binds.size());
    for (const auto& b : binds) {
      std::vector<char> buf(1000, 0);
      std::copy(b.second.begin(), b.second.end(), buf.begin());
      bufs.push_back(buf);
    }
    for (std::size_t i = 0; i < binds.size(); ++i) {
      OCIBind* b = nullptr;
      inds[i] = binds[i].second.empty() ? -1 : 0;
      s.oci->OCIBindByName(st.stmt, &b, s.err, reinterpret_cast<const OraText*>(binds[i].first.c_str()), -1,
                           bufs[i].data(), 1000, SQLT_STR, &inds[i], nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    }
    if (st.execute(1) != OCI_SUCCESS) return Rows{"error: " + s.error_text()};
    Rows out;
    for (std::size_t i = 0; i < binds.size(); ++i) out.push_back(inds[i] == -1 ? "<null>" : bufs[i].data());
    return out;
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
  // SQLite versions differ in whether each branch is sorted for the merge; the shape
  // above the branches and the two full scans are the same.
  EXPECT_EQ(rows("select lpad(' ',depth)||operation||' '||options from plan_table where statement_id='c' and id<=2"
                 " order by id"),
            (Rows{"SELECT STATEMENT ", " SORT UNIQUE", "  UNION-ALL "}));
  EXPECT_EQ(rows("select count(*) from plan_table where statement_id='c' and operation='TABLE ACCESS'"
                 " and options='FULL' and depth>=3"),
            Rows{"2"});
  run("explain plan set statement_id = 'd' for select ename from emp where rownum <= 3");
  EXPECT_EQ(rows("select operation||' '||options||' '||cardinality from plan_table where statement_id='d' and id=1"),
            Rows{"COUNT STOPKEY 3"});
  run("explain plan set statement_id = 'e' for delete from emp where empno = 7369");
  EXPECT_EQ(rows("select operation||' '||options||' '||object_name from plan_table where statement_id='e' order by id"),
            (Rows{"DELETE STATEMENT  ", "DELETE  EMP", "INDEX UNIQUE SCAN PK_EMP"}));
  run("explain plan set statement_id = 'f' for update /*+ INDEX (EMP IX_EMP_DEPT) */ emp set sal = sal * 1.1"
      " where deptno = 10");
  EXPECT_EQ(rows("select operation||' '||options||' '||object_name from plan_table where statement_id='f' order by id"),
            (Rows{"UPDATE STATEMENT  ", "UPDATE  EMP", "INDEX RANGE SCAN IX_EMP_DEPT"}));
  run("explain plan set statement_id = 'g' for insert into dept select deptno + 1, dname, loc from dept");
  EXPECT_EQ(rows("select operation||' '||options||' '||object_name from plan_table where statement_id='g' order by id"),
            (Rows{"INSERT STATEMENT  ", "LOAD TABLE CONVENTIONAL DEPT", "TABLE ACCESS FULL DEPT"}));
  run("create view emp_names as select e.ename, d.dname from emp e, dept d where e.deptno = d.deptno");
  run("explain plan set statement_id = 'h' for select * from emp_names where dname = 'SALES'");
  EXPECT_EQ(rows("select object_name from plan_table where statement_id='h' and object_type = 'TABLE' order by 1"),
            (Rows{"DEPT", "EMP"}))
      << "a view's tables are named by the view's aliases in SQLite's plan";
  run("explain plan set statement_id = 'i' for select ename, level from emp start with mgr is null"
      " connect by prior empno = mgr");
  EXPECT_EQ(rows("select lpad(' ',depth)||operation||' '||options||' '||object_name from plan_table"
                 " where statement_id='i' order by id"),
            (Rows{"SELECT STATEMENT  ", " CONNECT BY WITH FILTERING ", "  TABLE ACCESS FULL EMP", "  HASH JOIN  ",
                  "   CONNECT BY PUMP  ", "   TABLE ACCESS FULL EMP"}));
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
  EXPECT_EQ(s.exec("explain plan for commit"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 900);
  EXPECT_EQ(s.exec("explain plan set statement_id = 'abcdefghijabcdefghijabcdefghijX' for select 1 from dual"),
            OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-12899: value too large for column \"PLAN_TABLE\".\"STATEMENT_ID\" (actual: 31, maximum: 30)\n");
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
  EXPECT_EQ(rows("select ename, prior ename from emp where deptno = 10 start with mgr is null"
                 " connect by prior empno = mgr order by 1"),
            (Rows{"CLARK|KING", "KING|<null>", "MILLER|CLARK"}));
  EXPECT_EQ(rows("select level from dual connect by level <= 4"), (Rows{"1", "2", "3", "4"}));
  EXPECT_EQ(rows("select ename from emp where deptno = 10 start with mgr is null connect by prior empno = mgr"
                 " order by level desc, ename"),
            (Rows{"MILLER", "CLARK", "KING"}));
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


// Part texts of the console's commands: object list, parameters, value checks, describe,
// show errors, server output and the lookups behind them.
TEST_F(FixedSql, CommandTextsAnswerAsOracle) {
  demo();
  demo_objects();
  EXPECT_EQ(rows("select object_name,object_type,status from user_objects order by 2,1"),
            (Rows{"DEPARTMENT_TOTAL|FUNCTION|VALID", "IX_EMP_DEPT|INDEX|VALID", "IX_EMP_ENAME_JOB|INDEX|VALID",
                  "PK_DEPT|INDEX|VALID", "PK_EMP|INDEX|VALID", "SYS_C005004|INDEX|VALID",
                  "BROKEN_PROCEDURE|PROCEDURE|INVALID", "RAISE_SALARY|PROCEDURE|VALID", "EMP_SEQ|SEQUENCE|VALID",
                  "EMPLOYEES|SYNONYM|VALID", "DEPT|TABLE|VALID", "EMP|TABLE|VALID", "EMP_DEPT|VIEW|VALID"}));
  EXPECT_EQ(rows("select name,value from v$parameter where name like lower('%date_for%')"),
            Rows{"nls_date_format|DD-MON-RR"});
  // Value checks of accept: a good value comes back, a bad one is Oracle's error.
  EXPECT_EQ(block("begin :new_value:=to_char(to_number(:value,:format)); end;",
                  {{":new_value", ""}, {":value", "1,234.5"}, {":format", "9,999.9"}})[0],
            "1234.5");
  EXPECT_EQ(block("begin :new_value:=to_char(to_number(:value)); end;", {{":new_value", ""}, {":value", "12x"}})[0],
            "error: ORA-06502: PL/SQL: numeric or value error: character to number conversion error\n"
            "ORA-06512: at line 1\n");
  EXPECT_EQ(block("begin :new_value:=to_char(to_date(:value,:format)); :new_value:=:value; end;",
                  {{":new_value", ""}, {":value", "2024-02-30"}, {":format", "YYYY-MM-DD"}})[0],
            "error: ORA-01839: date not valid for month specified\nORA-06512: at line 1\n");
  EXPECT_EQ(block("begin :new_value:=to_char(to_date(:value)); :new_value:=:value; end;",
                  {{":new_value", ""}, {":value", "17-NOV-81"}})[0],
            "17-NOV-81");
  // Describe: columns with their comments, procedure and package arguments, errors.
  EXPECT_EQ(rows("select t.column_name,t.data_type,t.data_length,t.data_precision,t.data_scale,t.nullable,c.comments"
                 " from all_tab_columns t,all_col_comments c where t.table_name='EMP' and t.owner='SCOTT' and"
                 " c.owner(+)=t.owner and c.table_name(+)=t.table_name and c.column_name(+)=t.column_name"
                 " order by column_id"),
            (Rows{"EMPNO|NUMBER|22|4|0|N|<null>", "ENAME|VARCHAR2|10|<null>|<null>|N|<null>",
                  "JOB|VARCHAR2|9|<null>|<null>|Y|<null>", "MGR|NUMBER|22|4|0|Y|<null>",
                  "HIREDATE|DATE|7|<null>|<null>|Y|<null>", "SAL|NUMBER|22|7|2|Y|Monthly salary",
                  "COMM|NUMBER|22|7|2|Y|<null>", "DEPTNO|NUMBER|22|2|0|Y|<null>"}));
  EXPECT_EQ(rows("select nvl(argument_name,decode(in_out,'OUT','<return value>','<none>')) argument,in_out,"
                 "decode(type_subname,null,decode(data_type,'VARCHAR2',decode(data_length,null,data_type,data_type||"
                 "' ('||data_length||')'),data_type),data_type||' ('||type_subname||')') datatype from all_arguments"
                 " where owner='SCOTT' and object_name='DEPARTMENT_TOTAL' order by object_name,overload,position"),
            (Rows{"<return value>|OUT|NUMBER", "P_DEPTNO|IN|NUMBER"}));
  EXPECT_EQ(rows("select decode(overload,null,object_name,object_name||' ('||to_char(overload)||')')||"
                 "decode(position,0,' (FUNCTION)','') procedure,nvl(argument_name,decode(in_out,'OUT',"
                 "'<return value>','<none>')) argument,in_out,decode(type_subname,null,decode(data_type,'VARCHAR2',"
                 "decode(data_length,null,data_type,data_type||' ('||data_length||')'),data_type),data_type||' ('||"
                 "type_subname||')') datatype from all_arguments where owner='SCOTT' and package_name='EMP_ADMIN'"
                 " order by object_name,overload,position"),
            Rows{});
  Rows errors = rows("select lpad(line,5)||'/'||rpad(position,5)||' '||text \" line/col   error\" from all_errors"
                     " where owner=upper('scott') and name=upper('broken_procedure') and type=upper('procedure')"
                     " order by line, position, sequence");
  EXPECT_EQ(errors, (Rows{"    3/3     PL/SQL: SQL Statement ignored",
                          "    3/10    PL/SQL: ORA-00942: table or view does not exist"}));
  // Server output and the object lookup of describe and the schema browser.
  run("begin dbms_output.enable(100000); end;");
  EXPECT_EQ(query("SELECT user  FROM user_objects WHERE object_name=upper(:v_object) and object_type!='SYNONYM'",
                  {"emp"}),
            Rows{"SCOTT"});
  EXPECT_EQ(query("SELECT table_owner,table_name FROM all_synonyms WHERE synonym_name=upper(:v_object) and owner in"
                  " (user,'PUBLIC') order by decode(owner,user,0,1)",
                  {"departments"}),
            Rows{"SCOTT|DEPT"});
  EXPECT_EQ(query("SELECT object_type FROM all_objects WHERE owner=upper(:v_owner) AND object_name=upper(:v_object)"
                  " AND subobject_name IS NULL AND object_type!='PACKAGE BODY'",
                  {"scott", "raise_salary"}),
            Rows{"PROCEDURE"});
  EXPECT_EQ(rows("SELECT user FROM dual"), Rows{"SCOTT"});
  EXPECT_EQ(rows("select sys_context('userenv','nls_date_format') from dual"), Rows{"DD-MON-RR"});
  Rows stats = rows("select s.statistic#,s.value,n.name from v$statname n,v$sesstat s where s.statistic#=n.statistic#"
                    " and sid=(select sid from v$session where audsid=userenv('sessionid')) and n.statistic# in"
                    " (7,38,39,40,44,182,183,184,188,189) order by 1");
  ASSERT_EQ(stats.size(), 10u);
  EXPECT_EQ(stats[0].substr(0, 2), "7|");
  EXPECT_NE(stats[0].find("|recursive calls"), std::string::npos);
  EXPECT_NE(stats[9].find("189|"), std::string::npos);
}

// The completion lists: each query with the typed prefix bound at position 1 (and the
// owner and table or package at 2 and 3).
TEST_F(FixedSql, CompletionTextsListTheNames) {
  demo();
  demo_objects();
  struct Case {
    const char* sql;
    std::vector<std::string> binds;
    Rows want;
  };
  const Case cases[] = {
      {"select distinct lower(column_name) from user_tab_columns where column_name like upper(:1||'%')", {"e"},
       {"empno", "ename"}},
      {"select distinct lower(table_name) from all_tables where table_name like upper(:1||'%') union select distinct"
       " lower(view_name) from all_views where view_name like upper(:1||'%') union select distinct"
       " lower(synonym_name) from all_synonyms where synonym_name like upper(:1||'%')",
       {"de"}, {"departments", "dept"}},
      {"select distinct lower(name) from all_snapshots where name like upper(:1||'%')", {"e"}, {}},
      {"select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and object_type in"
       " ('FUNCTION','PACKAGE','PROCEDURE','TABLE','VIEW') union select distinct lower(synonym_name) from"
       " all_synonyms where synonym_name like upper(:1||'%')",
       {"e"}, {"emp", "emp_dept", "employees"}},
      {"select distinct lower(table_name) from all_tables where table_name like upper(:1||'%') union select distinct"
       " lower(view_name) from all_views where view_name like upper(:1||'%') union select distinct"
       " lower(sequence_name) from all_sequences where sequence_name like upper(:1||'%')",
       {"emp"}, {"emp", "emp_dept", "emp_seq"}},
      {"select distinct lower(table_name) from all_tables where table_name like upper(:1||'%') union select distinct"
       " lower(view_name) from all_views where view_name like upper(:1||'%')",
       {"emp"}, {"emp", "emp_dept"}},
      {"select distinct lower(role) from dba_roles where role like upper(:1||'%') union select distinct"
       " lower(username) from dba_users where username like upper(:1||'%')",
       {"sc"}, {"scott"}},
      {"select distinct lower(table_name) from all_tables where table_name like upper(:1||'%')", {"d"}, {"dept"}},
      {"select distinct lower(view_name) from all_views where view_name like upper(:1||'%')", {"e"}, {"emp_dept"}},
      {"select distinct lower(cluster_name) from all_clusters where cluster_name like upper(:1||'%')", {"e"}, {}},
      {"select distinct lower(dimension_name) from all_dimensions where dimension_name like upper(:1||'%')", {"e"}, {}},
      {"select distinct lower(index_name) from all_indexes where index_name like upper(:1||'%')", {"ix"},
       {"ix_emp_dept", "ix_emp_ename_job"}},
      {"select distinct lower(index_name) from all_indexes where index_name like upper(:1||'%')", {"pk"},
       {"pk_dept", "pk_emp"}},
      {"select distinct lower(directory_name) from all_directories where directory_name like upper(:1||'%')", {"e"},
       {}},
      {"select distinct lower(indextype_name) from all_indextypes where indextype_name like upper(:1||'%')", {"e"}, {}},
      {"select distinct lower(library_name) from all_libraries where library_name like upper(:1||'%')", {"e"}, {}},
      {"select distinct lower(operator_name) from all_operators where operator_name like upper(:1||'%')", {"e"}, {}},
      {"select distinct lower(trigger_name) from all_triggers where trigger_name like upper(:1||'%')", {"e"}, {}},
      {"select distinct lower(sequence_name) from all_sequences where sequence_name like upper(:1||'%')", {"e"},
       {"emp_seq"}},
      {"select distinct lower(profile) from dba_profiles where profile like upper(:1||'%')", {"d"}, {"default"}},
      {"select distinct lower(tablespace_name) from dba_tablespaces where tablespace_name like upper(:1||'%')", {"u"},
       {"users"}},
      {"select distinct lower(role) from dba_roles where role like upper(:1||'%')", {"conn"}, {"connect"}},
      {"select distinct lower(username) from dba_users where username like upper(:1||'%')", {"s"}, {"scott"}},
      {"select distinct lower(name) from all_outlines where name like upper(:1||'%')", {"e"}, {}},
      {"select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and"
       " object_type='FUNCTION'",
       {"d"}, {"department_total"}},
      {"select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and"
       " object_type='TYPE'",
       {"d"}, {}},
      {"select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and"
       " object_type='PACKAGE'",
       {"d"}, {}},
      {"select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and"
       " object_type='PROCEDURE'",
       {"r"}, {"raise_salary"}},
      {"select distinct lower(object_name) from all_objects where object_name like upper(:1||'%') and object_type in"
       " ('FUNCTION','PACKAGE','PROCEDURE')",
       {""}, {"broken_procedure", "department_total", "raise_salary"}},
      {"select distinct lower(object_name) from all_objects where object_name like upper(:1)||'%' and owner=upper(:2)",
       {"emp_", "scott"}, {"emp_dept", "emp_seq", "employees"}},  // '_' is a LIKE wildcard
      {"select lower(column_name) from all_tab_columns where column_name like upper(:1)||'%' and owner=upper(:2) and"
       " table_name=upper(:3)",
       {"d", "scott", "dept"}, {"deptno", "dname"}},
      {"select distinct lower(object_name) from all_arguments where object_name like upper(:1)||'%' and"
       " owner=upper(:2) and package_name=upper(:3)",
       {"h", "scott", "emp_admin"}, {}},
  };
  for (const Case& c : cases) {
    Rows got = query(c.sql, c.binds);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, c.want) << c.sql;
  }
}

// The schema browser, the analyzer's lists and the DDL generators.
TEST_F(FixedSql, BrowserAndDdlTextsDescribeTheObjects) {
  demo();
  demo_objects();
  EXPECT_EQ(rows("select table_name from user_tables"), (Rows{"DEPT", "EMP"}));
  EXPECT_EQ(query("select index_name from user_indexes where table_name=:table_name", {"DEPT"}),
            (Rows{"PK_DEPT", "SYS_C005004"}));
  EXPECT_EQ(query("select username from (select username from all_users union select 'PUBLIC' from dual) u where"
                  " exists (select 1 from all_objects where owner=u.username and rownum=1)",
                  {}),
            (Rows{"PUBLIC", "SCOTT"}));
  EXPECT_EQ(query("select distinct object_type from all_objects where owner=:1 and object_type not in"
                  " ('TABLE PARTITION','INDEX PARTITION')",
                  {"PUBLIC"}),
            Rows{"SYNONYM"});
  EXPECT_EQ(query("select object_name from all_objects where owner=:1 and object_type=:2", {"SCOTT", "VIEW"}),
            Rows{"EMP_DEPT"});
  EXPECT_EQ(query("select tablespace_name,cluster_name,iot_name,pct_free,pct_used,ini_trans,max_trans,initial_extent,"
                  "next_extent,min_extents,max_extents,pct_increase,freelists,freelist_groups,iot_type from all_tables"
                  " where owner=:p_schema and table_name=:p_table",
                  {"SCOTT", "EMP"}),
            Rows{"USERS|<null>|<null>|10|40|1|255|65536|1048576|1|2147483645|0|1|1|<null>"});
  EXPECT_EQ(query("SELECT INDEX_NAME FROM ALL_INDEXES WHERE OWNER=:schema_name AND table_name=:object_name",
                  {"SCOTT", "EMP"}).size(),
            3u);
  const char* const kinds[] = {"P", "U", "C", "R"};
  Rows per_kind;
  for (const char* k : kinds) {
    Rows r = query(std::string("SELECT CONSTRAINT_NAME FROM ALL_CONSTRAINTS WHERE OWNER=:schema_name AND"
                               " CONSTRAINT_TYPE='") + k + "' AND table_name=:object_name",
                   {"SCOTT", "EMP"});
    per_kind.push_back(std::string(k) + ":" + std::to_string(r.size()) + ":" + (r.empty() ? "" : r[0]));
  }
  EXPECT_EQ(per_kind[0], "P:1:PK_EMP");
  EXPECT_EQ(per_kind[1], "U:0:");
  EXPECT_EQ(per_kind[2].substr(0, 11), "C:1:SYS_C00") << "the NOT NULL of ENAME";
  EXPECT_EQ(per_kind[3], "R:1:FK_DEPTNO");
  EXPECT_EQ(query("select column_name,data_type,data_type_mod,data_type_owner,data_length,data_precision,data_scale,"
                  "nullable,default_length,data_default from all_tab_columns where owner=:p_schema and"
                  " table_name=:p_table order by column_id",
                  {"SCOTT", "DEPT"}),
            (Rows{"DEPTNO|NUMBER|<null>|<null>|22|2|0|N|<null>|<null>",
                  "DNAME|VARCHAR2|<null>|<null>|14|<null>|<null>|Y|<null>|<null>",
                  "LOC|VARCHAR2|<null>|<null>|13|<null>|<null>|Y|<null>|<null>"}));
  EXPECT_EQ(query("select CONSTRAINT_TYPE,TABLE_NAME,SEARCH_CONDITION,R_OWNER,R_CONSTRAINT_NAME,DELETE_RULE,STATUS,"
                  "DEFERRABLE,DEFERRED,VALIDATED,GENERATED from all_constraints where owner=:p_schema and"
                  " constraint_name=:p_constraint",
                  {"SCOTT", "FK_DEPTNO"}),
            Rows{"R|EMP|<null>|SCOTT|PK_DEPT|NO ACTION|ENABLED|NOT DEFERRABLE|IMMEDIATE|VALIDATED|USER NAME"});
  EXPECT_EQ(query("select COLUMN_NAME from all_cons_columns where owner=:p_schema and constraint_name=:p_constraint"
                  " order by position",
                  {"SCOTT", "PK_EMP"}),
            Rows{"EMPNO"});
  EXPECT_EQ(query("select TABLE_NAME from all_constraints where owner=:p_schema and constraint_name=:p_constraint",
                  {"SCOTT", "PK_DEPT"}),
            Rows{"DEPT"});
  EXPECT_EQ(query("select INDEX_TYPE,UNIQUENESS,TABLESPACE_NAME,INI_TRANS,MAX_TRANS,INITIAL_EXTENT,NEXT_EXTENT,"
                  "MIN_EXTENTS,MAX_EXTENTS,PCT_INCREASE,PCT_THRESHOLD,FREELISTS,FREELIST_GROUPS,PCT_FREE,TABLE_NAME"
                  " from all_indexes where owner=:p_schema and index_name=:p_index",
                  {"SCOTT", "IX_EMP_ENAME_JOB"}),
            Rows{"NORMAL|UNIQUE|USERS|2|255|65536|1048576|1|2147483645|0|<null>|1|1|10|EMP"});
  EXPECT_EQ(query("select COLUMN_NAME from all_ind_columns where index_owner=:p_schema and index_name=:p_index"
                  " order by column_position",
                  {"SCOTT", "IX_EMP_ENAME_JOB"}),
            (Rows{"ENAME", "JOB"}));
  EXPECT_EQ(query("select COLUMN_NAME from all_ind_columns where index_owner=:p_schema and index_name=:p_index"
                  " order by column_position",
                  {"SCOTT", "PK_EMP"}),
            Rows{"EMPNO"});
  EXPECT_EQ(query("select MIN_VALUE,MAX_VALUE,INCREMENT_BY,CYCLE_FLAG,ORDER_FLAG,CACHE_SIZE,LAST_NUMBER from"
                  " all_sequences where sequence_owner=:p_schema and sequence_name=:p_sequence",
                  {"SCOTT", "EMP_SEQ"}),
            Rows{"1|999999999999999999999999999|1|N|N|0|8000"});
  EXPECT_EQ(query("select TABLE_OWNER,TABLE_NAME,DB_LINK from all_synonyms where owner=:p_schema and"
                  " synonym_name=:p_synonym",
                  {"SCOTT", "EMPLOYEES"}),
            Rows{"SCOTT|EMP|<null>"});
  EXPECT_EQ(query("select TRIGGER_BODY,DESCRIPTION from all_triggers where owner=:p_schema and"
                  " trigger_name=:p_trigger",
                  {"SCOTT", "EMP_HIREDATE"}),
            Rows{});
  std::string view_text = "select e.empno, e.ename, d.dname from emp e, dept d where e.deptno = d.deptno";
  EXPECT_EQ(query("select TEXT_LENGTH from all_views where owner=:p_schema and view_name=:p_view",
                  {"SCOTT", "EMP_DEPT"}),
            Rows{std::to_string(view_text.size())});
  EXPECT_EQ(query("select TEXT from all_views where owner=:p_schema and view_name=:p_view", {"SCOTT", "EMP_DEPT"}),
            Rows{view_text});
  EXPECT_EQ(query("select column_name from all_tab_columns where owner=:p_schema and table_name=:p_view order by"
                  " column_id",
                  {"SCOTT", "EMP_DEPT"}),
            (Rows{"EMPNO", "ENAME", "DNAME"}));
  EXPECT_EQ(query("select text from all_source where owner=:p_schema and name=:p_name and type=:p_type order by line",
                  {"SCOTT", "RAISE_SALARY", "PROCEDURE"}),
            (Rows{"procedure raise_salary(p_empno in number, p_percent in number default 10) is\n", "begin\n",
                  "  update emp set sal = sal * (1 + p_percent / 100) where empno = p_empno;\n", "end;"}));
}

// The remaining pieces of the dialect the console and its users lean on.
TEST_F(FixedSql, SessionValuesDatesAndRownum) {
  demo();
  std::string ts = s.value("select systimestamp from dual");
  // DD-MON-RR HH.MI.SSXFF AM and the session's offset: 06-DEC-26 04.17.03.123456 PM +01:00
  ASSERT_EQ(ts.size(), 35u) << ts;
  EXPECT_EQ(ts[2], '-');
  EXPECT_EQ(ts[18], '.');
  EXPECT_TRUE(ts.substr(25, 4) == " AM " || ts.substr(25, 4) == " PM ") << ts;
  EXPECT_TRUE(ts[29] == '+' || ts[29] == '-') << ts;
  EXPECT_EQ(ts[32], ':') << ts;
  EXPECT_EQ(s.value("select to_char(systimestamp,'YYYY') - to_char(sysdate,'YYYY') from dual"), "0");
  EXPECT_EQ(s.value("select case when systimestamp - 1 < sysdate then 'earlier' end from dual"), "earlier");
  run("create table stamps (at date)");
  run("insert into stamps values (systimestamp)");
  EXPECT_EQ(s.value("select count(*) from stamps where at <= sysdate and at > sysdate - 1"), "1");
  // One clock reading for the whole statement, for every row, with SYSDATE its second.
  EXPECT_EQ(s.value("select systimestamp - systimestamp from dual"), "+000000000 00:00:00.000000");
  EXPECT_EQ(s.value("select count(distinct to_char(systimestamp, 'FF6')) from emp a, emp b, emp c"), "1");
  EXPECT_EQ(s.value("select count(*) from dual where to_char(sysdate, 'HH24MISS') = to_char(systimestamp, 'HH24MISS')"),
            "1");
  // A PL/SQL block reads the clock at each use.
  EXPECT_EQ(block("declare t timestamp := systimestamp; begin dbms_lock.sleep(0.05);"
                  " :x := case when systimestamp > t then 'moved' end; end;",
                  {{":x", ""}}),
            Rows{"moved"});
  EXPECT_EQ(s.value("select uid from dual"), s.value("select user_id from all_users where username = user"));
  // In PL/SQL too: a TIMESTAMP variable takes SYSTIMESTAMP, and its text keeps the zone.
  EXPECT_EQ(block("declare t timestamp; begin t := systimestamp; :x := to_char(t,'YYYY') - to_char(sysdate,'YYYY');"
                  " end;",
                  {{":x", ""}}),
            Rows{"0"});
  EXPECT_EQ(block("begin :x := systimestamp; end;", {{":x", ""}})[0].size(), 35u);
  EXPECT_EQ(block("begin :x := uid; end;", {{":x", ""}}), Rows{s.value("select uid from dual")});
  EXPECT_EQ(block("declare n number; begin select count(*) into n from emp start with mgr is null"
                  " connect by prior empno = mgr; :x := n; end;",
                  {{":x", ""}}),
            Rows{"10"});
  EXPECT_EQ(rows("select deptno from dept minus select deptno from emp where deptno <> 30"), Rows{"30"});
  EXPECT_EQ(s.value("select to_char(to_date('2024-02-28','YYYY-MM-DD') + 1,'YYYY-MM-DD') from dual"), "2024-02-29");
  EXPECT_EQ(s.value("select to_date('2024-03-01','YYYY-MM-DD') - to_date('2024-02-01','YYYY-MM-DD') from dual"), "29");
  EXPECT_EQ(s.value("select (to_date('2024-03-01 18','YYYY-MM-DD HH24') - to_date('2024-03-01','YYYY-MM-DD'))*4"
                    " from dual"),
            "3");
  run("alter session set nls_date_format = 'YYYY-MM-DD HH24:MI'");
  EXPECT_EQ(s.value("select hiredate + 1/24 from emp where empno = 7839"), "1981-11-17 01:00");
  EXPECT_EQ(s.value("select sys_context('userenv','nls_date_format') from dual"), "YYYY-MM-DD HH24:MI");
  EXPECT_EQ(s.value("select count(*) from emp where hiredate < '1981-05-01 00:00'"), "3");
  EXPECT_EQ(rows("select ename from emp where rownum = 1"), Rows{"KING"});
  EXPECT_EQ(rows("select ename from emp where rownum = 2"), Rows{});
  EXPECT_EQ(rows("select ename from emp where rownum < 3 order by ename"), (Rows{"JONES", "KING"}));
  EXPECT_EQ(rows("select rownum, ename from (select ename from emp order by ename) where rownum <= 2"),
            (Rows{"1|ALLEN", "2|BLAKE"}));
  // ROWNUM numbers the rows before they are grouped or made distinct.
  EXPECT_EQ(rows("select count(*) from emp where rownum <= 3"), Rows{"3"});
  EXPECT_EQ(rows("select count(*) from emp where rownum > 1"), Rows{"0"});
  EXPECT_EQ(rows("select deptno, count(*) from emp where rownum <= 4 and sal > 0 group by deptno order by 1"),
            (Rows{"10|2", "20|1", "30|1"}));
  EXPECT_EQ(rows("select distinct job from emp where rownum < 4 order by 1"), (Rows{"MANAGER", "PRESIDENT"}));
  EXPECT_EQ(s.value("select userenv('sessionid') - sys_context('USERENV','SESSIONID') from dual"), "0");
  EXPECT_EQ(s.value("select count(*) from v$session where audsid = userenv('sessionid')"), "1");
  EXPECT_EQ(rows("select sys_context('USERENV','SESSION_USER'), sys_context('USERENV','CURRENT_SCHEMA') from dual"),
            Rows{"SCOTT|SCOTT"});
}

}  // namespace

namespace {

// The lines of DBMS_XPLAN.DISPLAY as one text.
std::string plan_text(OciSession& s, const std::string& call) {
  std::string out;
  for (const std::string& line : s.rows("select * from table(" + call + ")")) out += line + "\n";
  return out;
}

}  // namespace

TEST_F(FixedSql, DbmsXplanDisplayLaysOutThePlanWithItsPredicates) {
  demo();
  run("explain plan for select e.ename, d.dname from emp e, dept d where e.deptno = d.deptno and d.deptno = 10");
  std::string typical = plan_text(s, "dbms_xplan.display");
  const std::string hash = typical.substr(0, typical.find('\n') + 1);
  EXPECT_EQ(hash.rfind("Plan hash value: ", 0), 0u) << typical;
  const std::string dashes(92, '-');
  EXPECT_EQ(typical.substr(hash.size()),
            "\n" + dashes + "\n"
            "| Id  | Operation                    | Name        | Rows  | Bytes | Cost (%CPU)| Time     |\n" +
            dashes + "\n"
            "|   0 | SELECT STATEMENT             |             |     1 |    72 |     4   (0)| 00:00:01 |\n"
            "|   1 |  NESTED LOOPS                |             |     1 |    72 |     4   (0)| 00:00:01 |\n"
            "|   2 |   TABLE ACCESS BY INDEX ROWID| DEPT        |     1 |    20 |     1   (0)| 00:00:01 |\n"
            "|*  3 |    INDEX UNIQUE SCAN         | PK_DEPT     |     1 |       |     0   (0)| 00:00:01 |\n"
            "|   4 |   TABLE ACCESS BY INDEX ROWID| EMP         |     1 |    53 |     3   (0)| 00:00:01 |\n"
            "|*  5 |    INDEX RANGE SCAN          | IX_EMP_DEPT |     1 |       |     2   (0)| 00:00:01 |\n" +
            dashes + "\n\nPredicate Information (identified by operation id):\n"
            "---------------------------------------------------\n\n"
            "   3 - access(\"D\".\"DEPTNO\"=10)\n"
            "   5 - access(\"E\".\"DEPTNO\"=\"D\".\"DEPTNO\")\n");
  EXPECT_EQ(rows("select access_predicates, filter_predicates from plan_table where id = 3"),
            Rows{"\"D\".\"DEPTNO\"=10|<null>"});
  // BASIC: the steps only; a later plan of a statement id, its filters on a full scan.
  EXPECT_EQ(plan_text(s, "dbms_xplan.display(null, null, 'basic')").substr(hash.size()),
            "\n----------------------------------------------------\n"
            "| Id  | Operation                    | Name        |\n"
            "----------------------------------------------------\n"
            "|   0 | SELECT STATEMENT             |             |\n"
            "|   1 |  NESTED LOOPS                |             |\n"
            "|   2 |   TABLE ACCESS BY INDEX ROWID| DEPT        |\n"
            "|   3 |    INDEX UNIQUE SCAN         | PK_DEPT     |\n"
            "|   4 |   TABLE ACCESS BY INDEX ROWID| EMP         |\n"
            "|   5 |    INDEX RANGE SCAN          | IX_EMP_DEPT |\n"
            "----------------------------------------------------\n");
  run("explain plan set statement_id = 'f' for select ename from emp where sal between 1000 and 2000"
      " and job in ('CLERK', 'ANALYST') and rownum <= 3");
  std::string f = plan_text(s, "dbms_xplan.display('PLAN_TABLE', 'f', 'ALL')");
  EXPECT_NE(f.find("|*  1 |  COUNT STOPKEY      |"), std::string::npos) << f;
  EXPECT_NE(f.find("   1 - filter(ROWNUM<=3)\n"
                   "   3 - filter(\"SAL\">=1000 AND \"SAL\"<=2000 AND (\"JOB\"='CLERK' OR \"JOB\"='ANALYST'))\n"),
            std::string::npos)
      << f;
  EXPECT_NE(f.find("Query Block Name / Object Alias (identified by operation id):\n"
                   "-------------------------------------------------------------\n\n"
                   "   3 - SEL$1 / EMP@SEL$1\n"),
            std::string::npos)
      << f;
  EXPECT_EQ(plan_text(s, "dbms_xplan.display('PLAN_TABLE', 'none')"),
            "Error: cannot fetch plan for statement_id 'none'\n");
  // A predicate longer than a line goes on over the next ones.
  const std::string wide(350, 'w');
  run("explain plan set statement_id = 'w' for select * from emp where ename = '" + wide + "'");
  std::string joined;
  for (const std::string& line : rows("select * from table(dbms_xplan.display(null, 'w'))")) {
    EXPECT_LE(line.size(), 300u);
    if (line.rfind("   1 - ", 0) == 0 || (!joined.empty() && line.rfind("       ", 0) == 0)) joined += line.substr(7);
  }
  EXPECT_EQ(joined, "filter(\"ENAME\"='" + wide + "')");
  EXPECT_EQ(s.exec("select * from table(dbms_xplan.display('SYSTEM.PLAN_TABLE'))"), OCI_ERROR);
  EXPECT_EQ(s.error_text().substr(0, 9), "ORA-00942");
  EXPECT_EQ(s.exec("select * from table(dbms_xplan.display('NO_SUCH_TABLE'))"), OCI_ERROR);
  EXPECT_EQ(s.error_text().substr(0, 9), "ORA-00942");
  EXPECT_EQ(s.exec("select * from table(dbms_xplan.display(null, null, 'fancy'))"), OCI_ERROR);
  EXPECT_EQ(s.error_text().substr(0, 9), "ORA-06502");
  EXPECT_EQ(s.exec("select * from table(dbms_xplan.display(1, 2, 3, 4))"), OCI_ERROR);
  EXPECT_EQ(s.error_text().substr(0, 9), "ORA-06553");
}
