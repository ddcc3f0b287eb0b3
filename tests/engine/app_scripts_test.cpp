// The constructs of everyday application scripts (an orders schema with its package and
// reports) that ran differently from Oracle: long PL/SQL text values, syntax errors in
// PL/SQL expressions, MERGE into tables with generated values, DML RETURNING INTO bound by
// position, and FLASHBACK TABLE without a recycle bin.
#include "oci_session.h"

namespace {

class AppScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  OciSession s;
};

// PL/SQL's VARCHAR2 holds 32767 bytes: LPAD and RPAD in a PL/SQL expression give that
// much (SQL keeps its 4000), and a longer result is ORA-06502, catchable as VALUE_ERROR.
TEST_F(AppScripts, PadsInPlsqlReachThePlsqlLimit) {
  EXPECT_EQ(server_output_of(s,
                             "declare v varchar2(32767); w varchar2(32767);\n"
                             "begin\n"
                             "  v := rpad('a', 5000, 'b');\n"
                             "  w := lpad(v, 20000, 'x');\n"
                             "  dbms_output.put_line(length(v) || ' ' || length(w) || ' ' || substr(w, 14999, 3));\n"
                             "  w := rpad('z', 32767, 'y');\n"
                             "  dbms_output.put_line(length(w) || ' ' || length(replace(v, 'b', 'cc')));\n"
                             "  dbms_output.put_line(length(upper(v) || lower(v)));\n"
                             "  w := rpad('é', 16383, 'é');\n"
                             "  dbms_output.put_line(length(w) || ' ' || lengthb(w));\n"
                             "  begin w := rpad('z', 32768, 'y'); exception when value_error then\n"
                             "    dbms_output.put_line(sqlerrm); end;\n"
                             "  begin w := rpad('é', 16384, 'é'); exception when value_error then\n"
                             "    dbms_output.put_line('bytes'); end;\n"
                             "  begin w := rpad('z', 32767, 'y') || 'x'; exception when value_error then\n"
                             "    dbms_output.put_line('concat'); end;\n"
                             "end;"),
            "5000 20000 xxa|32767 9999|10000|16383 32766|"
            "ORA-06502: PL/SQL: numeric or value error: character string buffer too small|bytes|concat");
  // SQL keeps its own limit, in a query and in a block's SQL statement.
  EXPECT_EQ(s.value("select length(rpad('a', 5000, 'b')) from dual"), "4000");
  EXPECT_EQ(server_output_of(s,
                             "declare n number; begin\n"
                             "  select length(rpad('a', 5000, 'b')) into n from dual;\n"
                             "  dbms_output.put_line(n); end;"),
            "4000");
  // A function called from a PL/SQL expression runs its SQL as SQL.
  ASSERT_EQ(s.exec("create or replace function app_sql_pad return number is n number;\n"
                   "begin select length(rpad('a', 5000, 'b')) into n from dual; return n; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(server_output_of(s, "begin dbms_output.put_line(app_sql_pad || ' ' || length(rpad('q', 6000))); end;"),
            "4000 6000");
}

// A missing operand is a syntax error of PL/SQL at the symbol found instead (the unit's
// only error), in a stored unit and in an anonymous block.
TEST_F(AppScripts, AMissingOperandIsPls00103AtTheSymbolFound) {
  EXPECT_EQ(s.exec("create or replace procedure app_bad is\n  v number;\nbegin\n  v := 'a' + ;\nend;"),
            OCI_SUCCESS_WITH_INFO);
  std::vector<std::string> errors =
      s.rows("select line, position, substr(text, 1, 90) from user_errors where name = 'APP_BAD' order by sequence");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind(
                "4|14|PLS-00103: Encountered the symbol \";\" when expecting one of the following:\n\n   ( - + case",
                0),
            0u)
      << errors[0];
  EXPECT_EQ(s.exec("create or replace procedure app_bad is\n  v number;\nbegin\n  if v > then null; end if;\nend;"),
            OCI_SUCCESS_WITH_INFO);
  errors = s.rows("select line || '/' || position || ' ' || text from user_errors where name = 'APP_BAD'");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("4/10 PLS-00103: Encountered the symbol \"THEN\" when", 0), 0u) << errors[0];
  EXPECT_EQ(s.exec("begin\n  dbms_output.put_line(1 + );\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text().rfind("ORA-06550: line 2, column 28:\nPLS-00103: Encountered the symbol \")\" when", 0), 0u)
      << s.error_text();
  // A complete expression followed by more is still an operator expected.
  EXPECT_EQ(s.exec("begin\n  dbms_output.put_line(1 2);\nend;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00103: Encountered the symbol \"2\""), std::string::npos) << s.error_text();
}

// MERGE's INSERT gives identity columns their numbers, DEFAULT ON NULL its value and
// DEFAULT the column's default, and refuses a value for a GENERATED ALWAYS identity.
TEST_F(AppScripts, MergeInsertFillsGeneratedColumns) {
  ASSERT_EQ(s.exec("create table app_m1 (id number generated by default on null as identity,"
                   " v varchar2(10), c varchar2(5) default on null 'US', d number default 7, n number)"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create table app_m2 (id number generated always as identity, v varchar2(10), n number)"), OCI_SUCCESS);
  const char* load =
      " using (select 'a' v from dual union all select 'b' from dual) src on (t.v = src.v)"
      " when matched then update set t.n = 1 when not matched then insert ";
  EXPECT_EQ(s.exec(std::string("merge into app_m1 t") + load + "(v, c) values (src.v, null)"), OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.exec("merge into app_m1 t using (select 'c' v from dual) src on (t.v = src.v)"
                   " when not matched then insert (id, v, d) values (null, src.v, default)"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.rows("select id, v, c, d from app_m1 order by id"),
            (std::vector<std::string>{"1|a|US|7", "2|b|US|7", "3|c|US|7"}));
  EXPECT_EQ(s.exec(std::string("merge into app_m2 t") + load + "(v) values (src.v)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec(std::string("merge into app_m2 t") + load + "(v) values (src.v)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select id, v from app_m2 where n = 1 order by id"), (std::vector<std::string>{"1|a", "2|b"}));
  EXPECT_EQ(s.exec("merge into app_m2 t using dual on (1 = 0) when not matched then insert (id, v) values (9, 'x')"),
            OCI_ERROR);
  EXPECT_EQ(s.error_code(), 32795);
}

// Binds by position count the placeholders of the text, also where the statement's
// translation reads one twice: EXECUTE IMMEDIATE of UPDATE ... RETURNING INTO.
TEST_F(AppScripts, ReturningIntoByPositionAfterAWhereClause) {
  ASSERT_EQ(s.exec("create table app_items (id number primary key, name varchar2(30))"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("insert into app_items values (2, 'abc')"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("insert into app_items values (3, 'def')"), OCI_SUCCESS);
  EXPECT_EQ(server_output_of(s,
                             "declare v varchar2(30); n number;\n"
                             "begin\n"
                             "  execute immediate 'update app_items set name = upper(name) where id = :id"
                             " returning name into :n' using 2 returning into v;\n"
                             "  dbms_output.put_line(v || ' ' || sql%rowcount);\n"
                             "  execute immediate 'update app_items set name = name || :s where id = :id"
                             " returning id into :n' using '!', 3 returning into n;\n"
                             "  dbms_output.put_line(n);\n"
                             "  execute immediate 'delete from app_items where id = :a or id = :a returning name into :n'"
                             " using 3, 3 returning into v;\n"
                             "  dbms_output.put_line(v);\n"
                             "end;"),
            "ABC 1|3|def!");
  EXPECT_EQ(s.rows("select id, name from app_items"), std::vector<std::string>{"2|ABC"});
}

// No recycle bin: FLASHBACK TABLE ... TO BEFORE DROP finds nothing there, and without undo
// history a table cannot go back to an earlier time.
TEST_F(AppScripts, FlashbackTableAnswersAsWithoutARecycleBin) {
  ASSERT_EQ(s.exec("create table app_gone (id number)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("drop table app_gone"), OCI_SUCCESS);
  struct Case {
    const char* sql;
    int code;
  };
  const Case cases[] = {
      {"flashback table app_gone to before drop", 38305},
      {"flashback table app_gone to before drop rename to app_back", 38305},
      {"flashback table app_gone, app_other to before drop", 38305},
      {"flashback table app_gone before drop", 905},
      {"flashback table app_gone to before drop extra", 933},
      {"flashback table app_gone to scn 100", 942},
      {"flashback table app_gone to timestamp", 936},
      {"flashback app_gone to before drop", 905},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(s.exec(c.sql), OCI_ERROR) << c.sql;
    EXPECT_EQ(s.error_code(), c.code) << c.sql << ": " << s.error_text();
  }
  ASSERT_EQ(s.exec("create table app_here (id number)"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("flashback table app_here to timestamp systimestamp - interval '1' minute"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 3001);
  EXPECT_EQ(s.exec("purge recyclebin"), OCI_SUCCESS);
}

// A sequence is named through a synonym for it, private or public, in SQL, in a column
// DEFAULT and in PL/SQL; a synonym for no sequence is still ORA-02289.
TEST_F(AppScripts, SequencesThroughSynonyms) {
  ASSERT_EQ(s.exec("create sequence app_loan_seq nocache"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create synonym app_lseq for app_loan_seq"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select app_lseq.nextval from dual"), "1");
  EXPECT_EQ(s.value("select app_lseq.currval + app_loan_seq.currval from dual"), "2");
  ASSERT_EQ(s.exec("create table app_loans (id number default app_lseq.nextval, v number)"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into app_loans (v) values (7)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select id from app_loans"), "2");
  EXPECT_EQ(server_output_of(s, "declare n number; begin n := app_lseq.nextval; dbms_output.put_line(n); end;"), "3");
  ASSERT_EQ(s.exec("create synonym app_no_seq for app_missing_seq"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("select app_no_seq.nextval from dual"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 2289);
}

}  // namespace

namespace {

class AppLateral : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    std::string error;
    ASSERT_TRUE(create_emp_table(s, &error)) << error;
    ASSERT_EQ(s.exec("create table app_dept (deptno number, dname varchar2(14))"), OCI_SUCCESS);
    for (const char* row : {"10, 'ACCOUNTING'", "20, 'RESEARCH'", "30, 'SALES'", "40, 'OPERATIONS'"})
      ASSERT_EQ(s.exec(std::string("insert into app_dept values (") + row + ")"), OCI_SUCCESS);
  }
  OciSession s;
};

// Inline views that read the items before them: CROSS APPLY and LATERAL keep the rows the
// view gives for each, OUTER APPLY also the rows it gives none for; the view's own row
// limit, aggregates, nested correlation and values of every kind pass through.
TEST_F(AppLateral, InlineViewsReadTheItemsBeforeThem) {
  EXPECT_EQ(s.rows("select d.dname, x.ename from app_dept d cross apply (select ename from emp e"
                   " where e.deptno = d.deptno order by sal desc, ename fetch first 1 row only) x order by 1"),
            (std::vector<std::string>{"ACCOUNTING|KING", "RESEARCH|FORD", "SALES|BLAKE"}));
  EXPECT_EQ(s.rows("select d.deptno, x.cnt from app_dept d outer apply (select count(*) cnt from emp e"
                   " where e.deptno = d.deptno) x order by 1"),
            (std::vector<std::string>{"10|3", "20|5", "30|6", "40|0"}));
  EXPECT_EQ(s.rows("select d.deptno, x.ename from app_dept d outer apply (select ename from emp e"
                   " where e.deptno = d.deptno and e.sal >= 3000) x order by 1, 2"),
            (std::vector<std::string>{"10|KING", "20|FORD", "20|SCOTT", "30|<null>", "40|<null>"}));
  EXPECT_EQ(s.rows("select d.deptno, l.mx, l.h, l.r, l.x from app_dept d cross join lateral (select max(sal) mx,"
                   " to_char(date '1981-01-01' + min(sal), 'YYYY-MM-DD') h, max(sal) / 7 r, hextoraw('A' || d.deptno) x"
                   " from emp e where e.deptno = d.deptno) l where d.deptno <= 20 order by 1"),
            (std::vector<std::string>{"10|5000|1984-07-24|714.285714285714285714285714285714285714|0A10",
                                      "20|3000|1983-03-12|428.571428571428571428571428571428571429|0A20"}));
  EXPECT_EQ(s.rows("select d.deptno, l.ename from app_dept d, lateral (select ename from emp e where e.deptno ="
                   " d.deptno and e.sal > (select avg(sal) from emp e2 where e2.deptno = d.deptno)) l order by 1, 2"),
            (std::vector<std::string>{"10|KING", "20|FORD", "20|JONES", "20|SCOTT", "30|ALLEN", "30|BLAKE"}));
  EXPECT_EQ(s.value("select count(*) from app_dept d cross apply (select * from emp e where e.deptno = d.deptno)"),
            "14");
  // An error of the view is the statement's.
  std::vector<std::string> failed = s.rows("select * from app_dept d cross apply (select 1 / (d.deptno - 40) q from dual) x");
  ASSERT_FALSE(failed.empty());
  EXPECT_EQ(failed.back().rfind("error: ORA-01476", 0), 0u) << failed.back();
  // A view that takes the statement's binds is not run this way.
  EXPECT_EQ(s.exec("select * from app_dept d cross apply (select :b q from dual) x"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 3001);
}

// PL/SQL cursors read lateral views like any query; a compound trigger is refused as a
// feature the engine lacks, not as a syntax error.
TEST_F(AppLateral, LateralInPlsqlAndCompoundTriggersRefused) {
  EXPECT_EQ(server_output_of(s,
                             "begin for r in (select d.deptno, x.top from app_dept d cross apply"
                             " (select max(ename) top from emp e where e.deptno = d.deptno) x order by 1) loop\n"
                             "  dbms_output.put_line(r.deptno || r.top); end loop; end;"),
            "10MILLER|20SMITH|30WARD|40");
  EXPECT_EQ(s.exec("create or replace trigger app_cmp for update of sal on emp compound trigger\n"
                   "  after statement is begin null; end after statement;\nend app_cmp;"),
            OCI_ERROR);
  EXPECT_EQ(s.error_code(), 3001);
}

}  // namespace
