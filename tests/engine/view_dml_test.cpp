// INSERT, UPDATE and DELETE through views: the rows reach the view's table, the view's
// WHERE limits what UPDATE and DELETE touch, WITH CHECK OPTION refuses rows the view would
// not show, and views whose rows are not rows of their tables refuse DML (join views:
// view_join_test.cpp).
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class ViewDml : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    run("create table staff (id number primary key, name varchar2(10), dept number, pay number)");
    run("insert into staff values (1, 'ann', 10, 100)");
    run("insert into staff values (2, 'bob', 20, 200)");
    run("insert into staff values (3, 'cy', 10, 300)");
    // Renamed columns and a virtual one, limited to department 10.
    run("create view dept10 (who, code, salary, bonus) as"
        " select s.name, s.id, pay, pay * 2 from staff s where s.dept = 10");
    run("create view all_staff as select * from staff");
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  // The statement's row count, or its error.
  std::string dml(const std::string& sql) {
    OciStatement st(s, sql);
    if (st.execute(1) != OCI_SUCCESS) return s.error_text();
    return std::to_string(st.attr_ub4(OCI_ATTR_ROW_COUNT));
  }
  Rows staff() { return s.rows("select id, name, dept, pay from staff order by id"); }
  OciSession s;
};

TEST_F(ViewDml, InsertReachesTheTable) {
  EXPECT_EQ(dml("insert into all_staff values (4, 'dee', 30, 400)"), "1");
  EXPECT_EQ(dml("insert into all_staff (name, id) values ('eve', 5)"), "1");
  // Renamed columns; the view's WHERE does not restrict an insert without CHECK OPTION.
  EXPECT_EQ(dml("insert into dept10 (code, who, salary) values (6, 'fay', 600)"), "1");
  EXPECT_EQ(dml("insert into dept10 (code, who) select id + 10, name from staff where id < 3"), "2");
  EXPECT_EQ(staff(), (Rows{"1|ann|10|100", "2|bob|20|200", "3|cy|10|300", "4|dee|30|400", "5|eve|<null>|<null>",
                           "6|fay|<null>|600", "11|ann|<null>|<null>", "12|bob|<null>|<null>"}));
  // The table's constraints apply.
  EXPECT_EQ(dml("insert into dept10 (code) values (1)").substr(0, 9), "ORA-00001");
  EXPECT_EQ(dml("insert into dept10 (nobody) values (1)"), "ORA-00904: \"NOBODY\": invalid identifier\n");
}

TEST_F(ViewDml, UpdateAndDeleteSeeOnlyTheViewsRows) {
  EXPECT_EQ(dml("update dept10 set salary = salary + 1"), "2");
  EXPECT_EQ(dml("update dept10 d set d.who = upper(who) where d.code = 3"), "1");
  EXPECT_EQ(dml("update dept10 set salary = 0 where code = 2"), "0") << "row 2 is not in the view";
  // A condition on the virtual column reads its expression.
  EXPECT_EQ(dml("update dept10 set who = 'big' where bonus > 500"), "1");
  EXPECT_EQ(staff(), (Rows{"1|ann|10|101", "2|bob|20|200", "3|big|10|301"}));
  EXPECT_EQ(dml("delete from dept10 where salary > 200"), "1");
  EXPECT_EQ(dml("delete from dept10 where code = 2"), "0");
  EXPECT_EQ(staff(), (Rows{"1|ann|10|101", "2|bob|20|200"}));
  EXPECT_EQ(dml("delete from all_staff"), "2");
  EXPECT_EQ(s.value("select count(*) from staff"), "0");
}

TEST_F(ViewDml, VirtualColumns) {
  EXPECT_EQ(dml("update dept10 set bonus = 1"), "ORA-01733: virtual column not allowed here\n");
  EXPECT_EQ(dml("insert into dept10 (code, bonus) values (7, 1)"), "ORA-01733: virtual column not allowed here\n");
  EXPECT_EQ(dml("insert into dept10 values ('x', 7, 1, 2)"), "ORA-01733: virtual column not allowed here\n");
  EXPECT_EQ(dml("update dept10 set nobody = 1"), "ORA-00904: \"NOBODY\": invalid identifier\n");
  // The columns behind plain names can still be written in the same row.
  EXPECT_EQ(dml("update dept10 set salary = bonus where code = 1"), "1");
  EXPECT_EQ(s.value("select pay from staff where id = 1"), "200");
  // Names the table lacks are expressions too; a bare column inside an expression reads the table.
  run("create view stamped as select id, upper(name) un, systimestamp ts, user u from staff");
  EXPECT_EQ(dml("update stamped set ts = null"), "ORA-01733: virtual column not allowed here\n");
  EXPECT_EQ(dml("update stamped set u = 'x'"), "ORA-01733: virtual column not allowed here\n");
  EXPECT_EQ(dml("update stamped set id = id + 10 where un = 'ANN' and ts is not null"), "1");
  EXPECT_EQ(dml("delete from stamped where un = 'BOB' and (select count(*) from staff x where x.name = 'bob') = 1"),
            "1");
  EXPECT_EQ(staff(), (Rows{"3|cy|10|300", "11|ann|10|200"}));
}

TEST_F(ViewDml, NestedViews) {
  run("create view rich10 as select who, code, salary from dept10 where salary >= 200");
  run("create view rich10_names (n) as select who from rich10");
  EXPECT_EQ(dml("update rich10 set salary = salary * 10"), "1");
  EXPECT_EQ(dml("update rich10_names set n = 'top'"), "1");
  EXPECT_EQ(staff(), (Rows{"1|ann|10|100", "2|bob|20|200", "3|top|10|3000"}));
  EXPECT_EQ(dml("insert into rich10 (code, who, salary) values (8, 'gus', 5)"), "1");
  EXPECT_EQ(s.value("select name || ',' || pay from staff where id = 8"), "gus,5");
  EXPECT_EQ(dml("delete from rich10"), "1");
  EXPECT_EQ(s.value("select count(*) from staff where id = 3"), "0");
}

TEST_F(ViewDml, CircularViews) {
  run("create view v1 as select * from staff");
  run("create view v2 as select * from v1");
  const std::string circular = "ORA-01731: circular view definition encountered\n";
  run("create or replace view v1 as select * from v2");
  for (const char* use : {"select * from v1", "select count(*) from v2", "update v1 set pay = 0", "delete from v2"})
    EXPECT_EQ(dml(use), circular) << use;
  EXPECT_EQ(staff().size(), 3u);
}

TEST_F(ViewDml, CheckOptionRefusesRowsTheViewWouldNotShow) {
  run("create view d10_checked as select id, name, dept from staff where dept = 10 with check option");
  const std::string violation = "ORA-01402: view WITH CHECK OPTION where-clause violation\n";
  EXPECT_EQ(dml("insert into d10_checked values (4, 'dee', 10)"), "1");
  EXPECT_EQ(dml("insert into d10_checked values (5, 'eve', 20)"), violation);
  EXPECT_EQ(dml("insert into d10_checked (id, name) values (5, 'eve')"), violation) << "NULL is not 10";
  EXPECT_EQ(dml("insert into d10_checked select id + 100, name, dept from staff"), violation);
  EXPECT_EQ(dml("update d10_checked set dept = 20 where id = 1"), violation);
  // One row of several fails: none is changed.
  EXPECT_EQ(dml("update d10_checked set dept = case when id = 3 then 30 else dept end"), violation);
  EXPECT_EQ(dml("update d10_checked set name = 'x' || name"), "3");
  EXPECT_EQ(staff(), (Rows{"1|xann|10|100", "2|bob|20|200", "3|xcy|10|300", "4|xdee|10|<null>"}));
  // A view over a checked view is checked too; a check on top covers the views below.
  run("create view d10_named as select id, name from d10_checked");
  EXPECT_EQ(dml("update d10_named set id = 9 where id = 4"), "1");
  run("create view d10_low as select id, dept from all_staff where dept = 10");
  run("create view d10_low_top as select id, dept from d10_low where id < 50 with check option");
  EXPECT_EQ(dml("update d10_low_top set id = 60 where id = 1"), violation);
  EXPECT_EQ(dml("update d10_low_top set dept = 11 where id = 1"), violation);
  EXPECT_EQ(dml("update d10_low_top set id = 40 where id = 1"), "1");
  EXPECT_EQ(staff(), (Rows{"2|bob|20|200", "3|xcy|10|300", "9|xdee|10|<null>", "40|xann|10|100"}));
}

TEST_F(ViewDml, RefusedViews) {
  run("create table dept (dept number primary key, dname varchar2(10))");
  run("create view v_distinct as select distinct dept from staff");
  run("create view v_group as select dept, count(*) n from staff group by dept");
  run("create view v_sum as select sum(pay) total from staff");
  run("create view v_union as select id from staff union all select id from staff");
  run("create view v_rownum as select id, name from staff where rownum < 3");
  run("create view v_rank as select id, rank() over (order by pay) r from staff");
  run("create view v_join as select s.id, s.name, d.dname from staff s, dept d where s.dept = d.dept");
  run("create view v_ro as select * from staff with read only");
  const std::string illegal = "ORA-01732: data manipulation operation not legal on this view\n";
  for (const char* v : {"v_distinct", "v_group", "v_sum", "v_union", "v_rownum", "v_rank"}) {
    EXPECT_EQ(dml(std::string("delete from ") + v), illegal) << v;
    EXPECT_EQ(dml(std::string("update ") + v + " set id = 1").substr(0, 9), "ORA-01732") << v;
  }
  EXPECT_EQ(dml("insert into v_distinct values (1)"), illegal);
  // A join view passes DML on to its key-preserved table only (staff: dept is joined on its key).
  EXPECT_EQ(dml("update v_join set dname = 'x'"),
            "ORA-01779: cannot modify a column which maps to a non key-preserved table\n");
  EXPECT_EQ(dml("insert into v_join (dname) values ('x')"),
            "ORA-01779: cannot modify a column which maps to a non key-preserved table\n");
  EXPECT_EQ(dml("delete from v_join"), "0") << "no staff row has its department";
  EXPECT_EQ(dml("delete from v_ro"), "ORA-42399: cannot perform a DML operation on a read-only view\n");
  // Two views replaced so that each reads the other.
  run("create view circle_a as select * from staff");
  run("create view circle_b as select * from circle_a");
  run("create or replace force view circle_a as select * from circle_b");
  EXPECT_EQ(dml("delete from circle_b"), "ORA-01731: circular view definition encountered\n");
  EXPECT_EQ(staff().size(), 3u);
}

// FORCE creates a view over what does not exist yet: INVALID, with its error, and a
// warning; it becomes valid when replaced once its table exists. A view whose table was
// dropped is INVALID until the table is back.
TEST_F(ViewDml, ForceViewsAndInvalidViews) {
    EXPECT_EQ(s.exec("create force view later_v as select a, b from later_t where a > 0"), OCI_SUCCESS_WITH_INFO);
    EXPECT_NE(s.error_text().find("ORA-24344"), std::string::npos);
    EXPECT_EQ(s.rows("select object_type, status from user_objects where object_name = 'LATER_V'"),
              (Rows{"VIEW|INVALID"}));
    EXPECT_EQ(s.rows("select type, sequence, line, position, text from user_errors where name = 'LATER_V'"),
              (Rows{"VIEW|1|0|0|ORA-00942: table or view does not exist"}));
    EXPECT_EQ(s.value("select text from user_views where view_name = 'LATER_V'"),
              "select a, b from later_t where a > 0");
    const std::string has_errors =
        "error: ORA-04063: view \"" + s.value("select user from dual") + ".LATER_V\" has errors\n";
    EXPECT_EQ(s.value("select * from later_v"), has_errors);
    EXPECT_EQ(dml("delete from later_v").substr(0, 9), "ORA-04063");
    // Without FORCE the view is refused; the name is taken by the invalid view.
    EXPECT_EQ(dml("create view never_v as select * from later_t").substr(0, 9), "ORA-00942");
    EXPECT_EQ(s.value("select count(*) from user_objects where object_name = 'NEVER_V'"), "0");
    EXPECT_EQ(dml("create view later_v as select * from staff").substr(0, 9), "ORA-00955");
    EXPECT_EQ(dml("create table later_v (x number)").substr(0, 9), "ORA-00955");
    // Syntax errors are refused even with FORCE.
    EXPECT_EQ(dml("create force view bad_v as select from").substr(0, 4), "ORA-");
    EXPECT_EQ(s.value("select count(*) from user_objects where object_name = 'BAD_V'"), "0");
    run("create table later_t (a number, b varchar2(5))");
    run("insert into later_t values (1, 'x')");
    run("create or replace force view later_v as select a, b from later_t where a > 0");
    EXPECT_EQ(s.value("select status from user_objects where object_name = 'LATER_V'"), "VALID");
    EXPECT_EQ(s.value("select count(*) from user_errors where name = 'LATER_V'"), "0");
    EXPECT_EQ(s.rows("select * from later_v"), (Rows{"1|x"}));
    // A dropped table leaves its view INVALID until it is back.
    run("drop table later_t");
    EXPECT_EQ(s.value("select status from user_objects where object_name = 'LATER_V'"), "INVALID");
    EXPECT_EQ(s.value("select * from later_v"), has_errors);
    run("create table later_t (a number, b varchar2(5))");
    EXPECT_EQ(s.value("select status from user_objects where object_name = 'LATER_V'"), "VALID");
    EXPECT_EQ(s.value("select count(*) from later_v"), "0");
    // An invalid view is dropped like any other.
    EXPECT_EQ(s.exec("create or replace force view later_v as select * from gone_t"), OCI_SUCCESS_WITH_INFO);
    run("drop view later_v");
    EXPECT_EQ(s.value("select count(*) from user_objects where object_name = 'LATER_V'"), "0");
    EXPECT_EQ(s.value("select count(*) from user_errors where name = 'LATER_V'"), "0");
}

TEST_F(ViewDml, TriggersSequencesAndReturning) {
  run("create sequence staff_seq start with 50");
  run("create table audit_log (what varchar2(40))");
  run("create trigger staff_audit after insert or update or delete on staff for each row begin"
      " insert into audit_log values (coalesce(:new.name, :old.name)); end;");
  EXPECT_EQ(dml("insert into dept10 (code, who) values (staff_seq.nextval, 'hal')"), "1");
  EXPECT_EQ(s.value("select id from staff where name = 'hal'"), "50");
  EXPECT_EQ(server_output_of(s,
                             "declare n number; w varchar2(10); begin"
                             " update dept10 set salary = salary + 5 where code = 3 returning who, salary into w, n;"
                             " dbms_output.put_line(sql%rowcount || ' ' || w || ' ' || n);"
                             " delete from dept10 where code in (1, 2, 3, 50);"
                             " dbms_output.put_line(sql%rowcount); end;"),
            "1 cy 305|2");
  EXPECT_EQ(s.rows("select what from audit_log order by what"), (Rows{"ann", "cy", "cy", "hal"}));
}

TEST_F(ViewDml, SubqueriesSynonymsAndMerge) {
  // A subquery reads the view's columns by their names, bare where its own tables lack them.
  EXPECT_EQ(dml("update dept10 set salary = (select max(pay) from staff x where x.id = code + 1)"), "2");
  EXPECT_EQ(dml("update dept10 d set who = 'k' where exists (select 1 from staff x where x.id = d.code and x.pay > 150)"),
            "1");
  EXPECT_EQ(staff(), (Rows{"1|k|10|200", "2|bob|20|200", "3|cy|10|<null>"}));
  // A bare name inside the subquery that its own table has stays the table's.
  EXPECT_EQ(dml("delete from dept10 where code in (select id from staff where name = 'bob')"), "0");
  run("create synonym syn10 for dept10");
  EXPECT_EQ(dml("update syn10 set salary = 7 where syn10.code = 1"), "1");
  EXPECT_EQ(s.value("select pay from staff where id = 1"), "7");
  EXPECT_EQ(dml("merge into dept10 d using staff s on (d.code = s.id) when matched then update set salary = 1"),
            "ORA-01732: data manipulation operation not legal on this view\n");
  run("create view staff_ro as select * from staff with read only");
  EXPECT_EQ(dml("merge into staff_ro d using staff s on (d.id = s.id) when matched then update set pay = 1"),
            "ORA-42399: cannot perform a DML operation on a read-only view\n");
}

TEST_F(ViewDml, CheckedInsertReturnsItsRow) {
  run("create view d10_checked (k, n, d) as select id, name, dept from staff where dept = 10 with check option");
  EXPECT_EQ(server_output_of(s,
                             "declare k number; begin"
                             " insert into d10_checked values (4, 'dee', 10) returning k into k;"
                             " dbms_output.put_line(sql%rowcount || ' ' || k); end;"),
            "1 4");
  EXPECT_EQ(dml("insert into d10_checked values (5, 'eve', 11)"),
            "ORA-01402: view WITH CHECK OPTION where-clause violation\n");
  EXPECT_EQ(s.value("select count(*) from staff where id in (4, 5)"), "1");
}

TEST_F(ViewDml, DefaultsAndIdentityOfTheTable) {
  run("create table ticket (id number generated always as identity, title varchar2(20),"
      " state varchar2(10) default 'open', prio number default on null 3)");
  run("create view open_tickets (t, p, st) as select title, prio, state from ticket where state = 'open'"
      " with check option");
  run("create view titles as select title from ticket");
  EXPECT_EQ(dml("insert into titles values ('a')"), "1");
  EXPECT_EQ(dml("insert into open_tickets (t, p, st) values ('b', null, 'open')"), "1");
  EXPECT_EQ(dml("insert into open_tickets values ('c', 1, 'shut')"),
            "ORA-01402: view WITH CHECK OPTION where-clause violation\n");
  EXPECT_EQ(dml("insert into open_tickets select title || '2', 5, 'open' from ticket"), "2");
  EXPECT_EQ(s.rows("select id, title, state, prio from ticket order by id"),
            (Rows{"1|a|open|3", "2|b|open|3", "4|a2|open|5", "5|b2|open|5"}))
      << "the refused row drew 3; each row draws once";
  EXPECT_EQ(dml("update open_tickets set st = 'shut' where t = 'a'"),
            "ORA-01402: view WITH CHECK OPTION where-clause violation\n");
  EXPECT_EQ(dml("update titles set title = upper(title)"), "4");
  EXPECT_EQ(s.value("select listagg(title, ',') within group (order by id) from ticket"), "A,B,A2,B2");
}

}  // namespace
