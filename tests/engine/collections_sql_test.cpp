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
    EXPECT_NE(output_of("declare type aa is table of number index by pls_integer; a aa; n number;"
                        " begin select count(*) into n from table(a); end;")
                  .find("PLS-00306"),
              std::string::npos);
}

}  // namespace
