// Collections of schema-level types in SQL through OCI: TABLE() over constructors,
// supplied lists and nested-table columns (a lateral join), CARDINALITY and SET, the
// multiset conditions and operators, and the errors for values of no collection type.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class CollectionsSql : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run("create type num_tab as table of number");
        run("create type name_tab as table of varchar2(10)");
        run("create type num_arr as varray(5) of number");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
    std::string error(const std::string& sql) {
        if (s.exec(sql) == OCI_SUCCESS) return "success";
        return s.error_text();
    }
    std::string output_of(const std::string& block) { return server_output_of(s, block); }
    OciSession s;
};

TEST_F(CollectionsSql, TableOfCollections) {
    // Rows in the collection's order, numbers as numbers, NULL elements kept.
    EXPECT_EQ(s.rows("select column_value from table(num_tab(3, 1.5, null, 2))"), (Rows{"3", "1.5", "<null>", "2"}));
    EXPECT_EQ(s.value("select sum(column_value) from table(sys.odcinumberlist(1, 2, 3)) where column_value > 1"), "5");
    EXPECT_EQ(s.rows("select t.column_value || '!' from table(sys.odcivarchar2list('a', 'O''b')) t"),
              (Rows{"a!", "O'b!"}));
    EXPECT_EQ(s.value("select count(*) from table(num_tab())"), "0");
    EXPECT_EQ(s.rows("select * from table(name_tab('x', 'y')) order by 1 desc"), (Rows{"y", "x"}));
    // Over a nested-table column: each row joined with the elements of its own column.
    run("create table orders (id number, items num_tab) nested table items store as orders_items");
    run("insert into orders values (1, num_tab(10, 20))");
    run("insert into orders values (2, num_tab())");
    run("insert into orders values (3, null)");
    run("insert into orders values (4, num_tab(5))");
    EXPECT_EQ(s.rows("select o.id, i.column_value from orders o, table(o.items) i order by 1, 2"),
              (Rows{"1|10", "1|20", "4|5"}));
    EXPECT_EQ(s.rows("select id, (select sum(column_value) from table(o.items)) from orders o order by id"),
              (Rows{"1|30", "2|<null>", "3|<null>", "4|5"}));
    // CARDINALITY: NULL for an empty or null collection; SET drops duplicates.
    EXPECT_EQ(s.rows("select id, cardinality(items) from orders order by id"),
              (Rows{"1|2", "2|<null>", "3|<null>", "4|1"}));
    EXPECT_EQ(s.value("select set(num_tab(1, 2, 1, null, null, 3)) from dual"), "NUM_TAB(1, 2, NULL, 3)");
    EXPECT_EQ(s.value("select cardinality(num_arr(4, 5)) from dual"), "2");
    // Errors: TABLE() and the functions need a collection.
    EXPECT_NE(error("select * from table(42)").find("ORA-00932"), std::string::npos);
    EXPECT_NE(error("select cardinality('x') from dual").find("ORA-00932"), std::string::npos);
    EXPECT_NE(error("select * from table(no_such_fn(1))").find("ORA-00904"), std::string::npos);
    EXPECT_NE(error("select * from table(num_tab(1)").find("ORA-00907"), std::string::npos);
    EXPECT_NE(error("create table bad (id number, items num_tab) nested table items store").find("ORA-"),
              std::string::npos);
}

TEST_F(CollectionsSql, MultisetConditionsAndOperators) {
    auto v = [&](const std::string& e) { return s.value("select " + e + " from dual"); };
    auto truth = [&](const std::string& c) {
        return s.value("select case when " + c + " then 'T' when not (" + c + ") then 'F' else 'N' end from dual");
    };
    EXPECT_EQ(truth("2 member of num_tab(1, 2)"), "T");
    EXPECT_EQ(truth("'2' member num_tab(1, 2.0)"), "T");
    EXPECT_EQ(truth("3 not member of num_tab(1, 2)"), "T");
    EXPECT_EQ(truth("3 member of num_tab(1, null)"), "N");
    EXPECT_EQ(truth("null member of num_tab(1)"), "N");
    EXPECT_EQ(truth("'b' member of name_tab('a', 'b')"), "T");
    EXPECT_EQ(truth("num_tab() is empty"), "T");
    EXPECT_EQ(truth("num_tab(1) is not empty"), "T");
    EXPECT_EQ(truth("num_tab(1, 1) submultiset of num_tab(1, 2, 1)"), "T");
    EXPECT_EQ(truth("num_tab(1, 1) submultiset num_tab(1, 2)"), "F");
    EXPECT_EQ(truth("num_tab(3) not submultiset of num_tab(1, 2)"), "T");
    EXPECT_EQ(v("num_tab(1, 2, 2) multiset union num_tab(2, 3)"), "NUM_TAB(1, 2, 2, 2, 3)");
    EXPECT_EQ(v("num_tab(1, 2, 2) multiset union distinct num_tab(2, 3)"), "NUM_TAB(1, 2, 3)");
    EXPECT_EQ(v("num_tab(1, 2, 2, 3) multiset intersect all num_tab(2, 2, 2, 4)"), "NUM_TAB(2, 2)");
    EXPECT_EQ(v("num_tab(1, 2, 2, 3) multiset intersect distinct num_tab(2, 2)"), "NUM_TAB(2)");
    EXPECT_EQ(v("num_tab(1, 2, 2, 3) multiset except num_tab(2, 3)"), "NUM_TAB(1, 2)");
    EXPECT_EQ(v("name_tab('a', 'b') multiset except distinct name_tab('a')"), "NAME_TAB('b')");
    EXPECT_EQ(v("cardinality(num_tab(1) multiset union num_tab(2) multiset union num_tab(3))"), "3");
    run("create table bags (id number, b num_tab) nested table b store as bags_b");
    run("insert into bags values (1, num_tab(1, 2))");
    run("insert into bags values (2, num_tab())");
    run("insert into bags values (3, null)");
    EXPECT_EQ(s.value("select nvl2(b multiset union num_tab(1), 'x', 'null') from bags where id = 3"), "null");
    EXPECT_EQ(s.rows("select id from bags where 2 member of b or b is empty order by id"), (Rows{"1", "2"}));
    // Operands must be nested tables of one type, and an element fit them.
    EXPECT_NE(error("select 1 from dual where 1 member of 5").find("ORA-00932"), std::string::npos);
    EXPECT_NE(error("select 1 from dual where 1 member of num_arr(1)").find("ORA-00932"), std::string::npos);
    EXPECT_NE(error("select num_tab(1) multiset union name_tab('a') from dual").find("ORA-00932"), std::string::npos);
    EXPECT_NE(error("select 1 from dual where num_tab(1) member of num_tab(1)").find("ORA-00932"), std::string::npos);
    EXPECT_NE(error("select 1 from dual where 5 is empty").find("ORA-00932"), std::string::npos);
}

TEST_F(CollectionsSql, PlsqlVariablesOfSchemaTypes) {
    run("create table picks (id number)");
    run("insert into picks values (2)");
    run("insert into picks values (4)");
    // Variables of schema-level types: constructors, methods, and whole in SQL (TABLE(),
    // MEMBER OF, CARDINALITY, the MULTISET operators) in statements, cursors and conditions.
    EXPECT_EQ(
        output_of("declare\n"
                  "  v num_tab := num_tab(3, 1, 2);\n"
                  "  l sys.odcivarchar2list := sys.odcivarchar2list('x', 'it''s');\n"
                  "  n number;\n"
                  "begin\n"
                  "  v.extend; v(v.last) := 4; v.delete(2);\n"
                  "  select sum(column_value) into n from table(v);\n"
                  "  dbms_output.put_line(n || ' ' || v.count || ' ' || cardinality(v));\n"
                  "  for r in (select p.id from picks p where p.id member of v order by 1) loop\n"
                  "    dbms_output.put_line('pick ' || r.id);\n"
                  "  end loop;\n"
                  "  for r in (select t.column_value c from table(l) t) loop dbms_output.put_line(r.c); end loop;\n"
                  "  if 3 member of v and num_tab(4) submultiset of v then dbms_output.put_line('yes'); end if;\n"
                  "  select count(*) into n from table(v multiset union distinct num_tab(3, 9));\n"
                  "  dbms_output.put_line(n);\n"
                  "  insert into picks select column_value from table(v) where column_value > 3;\n"
                  "  select count(*) into n from picks;\n"
                  "  dbms_output.put_line(n);\n"
                  "end;"),
        "9 3 3|pick 2|pick 4|x|it's|yes|4|3");
    // A null collection has no rows; an associative array is no SQL value.
    EXPECT_EQ(output_of("declare v num_tab; n number; begin select count(*) into n from table(v);"
                        " dbms_output.put_line(n); end;"),
              "0");
    // Not kept: a whole collection read from SQL.
    EXPECT_NE(output_of("declare v num_tab; begin select num_tab(1) into v from dual; end;").find("PLS-00999"),
              std::string::npos);
    EXPECT_NE(output_of("declare type t is table of number; v t; begin select 1 into v from dual; end;")
                  .find("PLS-00597: expression 'V' in the INTO list"),
              std::string::npos);
    // An associative array indexed by integers is read in the order of its keys.
    EXPECT_EQ(output_of("declare type aa is table of number index by pls_integer; a aa; n number;"
                        " begin a(9) := 1; a(-2) := 2; select count(*) into n from table(a);"
                        " dbms_output.put_line(n); end;"),
              "2");
}

// The collection types of a block and of a package in the SQL of PL/SQL: TABLE() over
// nested tables, varrays and associative arrays of scalars, records and objects, the
// multiset conditions and operators, and a package's collection named from outside it.
TEST_F(CollectionsSql, BlockAndPackageTypesInSql) {
    run("create type pt as object (x number, y varchar2(10))");
    EXPECT_EQ(output_of("declare\n"
                        "  type lt is table of number;\n"
                        "  type vt is varray(3) of varchar2(5);\n"
                        "  type at is table of varchar2(10) index by pls_integer;\n"
                        "  l lt := lt(3, 1.5, null, 2);\n"
                        "  v vt := vt('b', 'a');\n"
                        "  a at;\n"
                        "  n number;\n"
                        "begin\n"
                        "  for r in (select column_value c from table(l) where column_value > 1 order by 1) loop\n"
                        "    dbms_output.put_line(r.c);\n"
                        "  end loop;\n"
                        "  select count(*) into n from table(l);\n"
                        "  dbms_output.put_line(n || ' ' || cardinality(l));\n"
                        "  for r in (select t.column_value || '!' c from table(v) t) loop dbms_output.put_line(r.c);"
                        " end loop;\n"
                        "  a(10) := 'ten'; a(-1) := 'minus'; a(3) := 'three';\n"
                        "  for r in (select rownum n, column_value c from table(a)) loop"
                        " dbms_output.put_line(r.n || r.c); end loop;\n"
                        "  if 2 member of l and 7 not member of lt(1, 2) then dbms_output.put_line('member'); end if;\n"
                        "end;"),
              "1.5|2|3|4 4|b!|a!|1minus|2three|3ten|member");
    // Records of SQL types (a date, quotes) and objects of a schema type as elements.
    EXPECT_EQ(output_of("declare\n"
                        "  type rt is record (d date, n number, s varchar2(10));\n"
                        "  type rtt is table of rt index by pls_integer;\n"
                        "  type ot is varray(5) of pt;\n"
                        "  r rtt;\n"
                        "  o ot := ot(pt(1, 'a'), pt(2, 'b'), null);\n"
                        "begin\n"
                        "  r(1).d := date '2020-01-02'; r(1).n := 1.5; r(1).s := 'it''s';\n"
                        "  r(5).n := 3;\n"
                        "  for x in (select d, n, s from table(r) order by n desc) loop\n"
                        "    dbms_output.put_line(nvl(to_char(x.d, 'YYYY-MM-DD'), '-') || ' ' || x.n || ' ' || x.s);\n"
                        "  end loop;\n"
                        "  for x in (select t.y from table(o) t where t.x > 1) loop dbms_output.put_line(x.y); end loop;\n"
                        "end;"),
              "- 3 |2020-01-02 1.5 it's|b");
    // The MULTISET operators and SET give a collection of the operands' type.
    EXPECT_EQ(output_of("declare\n"
                        "  type lt is table of number;\n"
                        "  a lt := lt(1, 2, 2, 3);\n"
                        "  b lt := lt(2, 5);\n"
                        "  c lt;\n"
                        "begin\n"
                        "  c := a multiset union b;\n"
                        "  dbms_output.put_line(c.count || ' ' || c(5));\n"
                        "  c := a multiset except b;\n"
                        "  dbms_output.put_line(c.count || ' ' || c(1) || c(2) || c(3));\n"
                        "  c := a multiset intersect distinct b;\n"
                        "  dbms_output.put_line(c.count || ' ' || c(1));\n"
                        "  c := set(a);\n"
                        "  dbms_output.put_line(c.count);\n"
                        "  if lt(2, 2) submultiset of a and b not submultiset of a then dbms_output.put_line('sub');"
                        " end if;\n"
                        "end;"),
              "6 2|3 123|1 2|3|sub");
    EXPECT_NE(output_of("declare type lt is table of number; c lt;"
                        " begin c := num_tab(1) multiset union num_tab(2); end;")
                  .find("PLS-00382: expression is of wrong type"),
              std::string::npos);
    run("create or replace package inv as\n"
        "  type id_list is table of number;\n"
        "  type item_rec is record (id number, name varchar2(20));\n"
        "  type item_tab is table of item_rec index by pls_integer;\n"
        "  cache item_tab;\n"
        "  ids id_list := id_list(3, 1);\n"
        "  function picked return varchar2;\n"
        "end;");
    run("create or replace package body inv as\n"
        "  function picked return varchar2 is\n"
        "    r varchar2(200);\n"
        "  begin\n"
        "    for x in (select c.name from table(cache) c where c.id member of ids order by 1) loop\n"
        "      r := r || x.name || ',';\n"
        "    end loop;\n"
        "    return r;\n"
        "  end;\n"
        "begin\n"
        "  cache(1).id := 1; cache(1).name := 'one'; cache(2).id := 2; cache(2).name := 'two';\n"
        "  cache(3).id := 3; cache(3).name := 'three';\n"
        "end;");
    EXPECT_EQ(output_of("declare\n"
                        "  l inv.id_list;\n"
                        "  s varchar2(20);\n"
                        "begin\n"
                        "  select name into s from table(inv.cache) where id = 2;\n"
                        "  dbms_output.put_line(s || ' ' || inv.picked);\n"
                        "  select column_value bulk collect into l from table(inv.ids) order by 1;\n"
                        "  dbms_output.put_line(l.count || ':' || l(1) || ',' || l(2));\n"
                        "  l := l multiset union inv.ids;\n"
                        "  dbms_output.put_line(cardinality(l));\n"
                        "end;"),
              "two one,three,|2:1,3|4");
    // What SQL cannot read: keys of text, BOOLEAN elements; a varray is no nested table.
    EXPECT_NE(output_of("declare type st is table of number index by varchar2(10); a st; n number;"
                        " begin select count(*) into n from table(a); end;")
                  .find("PLS-00306: wrong number or types of arguments in call to 'A'"),
              std::string::npos);
    EXPECT_NE(output_of("declare type bt is table of boolean; a bt := bt(true); n number;"
                        " begin select count(*) into n from table(a); end;")
                  .find("PLS-00306"),
              std::string::npos);
    EXPECT_NE(output_of("declare type vt is varray(3) of number; v vt := vt(1); begin"
                        " if 1 member of v then null; end if; end;")
                  .find("ORA-00932: inconsistent datatypes: expected UDT got VT"),
              std::string::npos);
}

// A package's collection of its own record type in SQL: the record is an object type of
// its fields, so a pipelined function piping records (and a function returning such a
// collection) gives one row per record, a column per field.
TEST_F(CollectionsSql, PackageRecordTypesInSql) {
    run("create or replace package pk_recs as\n"
        "  type rec_t is record (id number, nm varchar2(10));\n"
        "  type rec_tab is table of rec_t;\n"
        "  type dated_t is record (d date);\n"
        "  type dated_tab is table of dated_t;\n"
        "  function piped(n number) return rec_tab pipelined;\n"
        "  function made return rec_tab;\n"
        "end;");
    run("create or replace package body pk_recs as\n"
        "  function piped(n number) return rec_tab pipelined is\n"
        "    r rec_t;\n"
        "  begin\n"
        "    for i in 1 .. n loop r.id := i; r.nm := 'n' || i; pipe row (r); end loop;\n"
        "    return;\n"
        "  end;\n"
        "  function made return rec_tab is\n"
        "    t rec_tab := rec_tab();\n"
        "  begin\n"
        "    t.extend(2); t(1).id := 7; t(1).nm := 'it''s'; t(2).id := 8;\n"
        "    return t;\n"
        "  end;\n"
        "end;");
    EXPECT_EQ(s.rows("select id, nm from table(pk_recs.piped(3)) where id > 1 order by id desc"),
              (Rows{"3|n3", "2|n2"}));
    EXPECT_EQ(s.rows("select * from table(pk_recs.made)"), (Rows{"7|it's", "8|<null>"}));
    EXPECT_EQ(output_of("begin for r in (select nm from table(pk_recs.piped(2))) loop dbms_output.put_line(r.nm);"
                        " end loop; end;"),
              "n1|n2");
    // A record of a DATE field is read too.
    EXPECT_EQ(s.exec("create or replace function pk_dates return pk_recs.dated_tab pipelined is r pk_recs.dated_t;"
                     " begin r.d := sysdate; pipe row (r); return; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.rows("select count(*) from table(pk_dates) where d <= sysdate and d > sysdate - 1"), (Rows{"1"}));
}

}  // namespace
