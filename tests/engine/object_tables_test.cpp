// Object tables through OCI: CREATE TABLE ... OF a type, rows written and read as objects
// (VALUE, methods on rows, SET alias = object), their comparisons by the type's MAP
// method, the errors of what the engine does not make, and the dictionary's views of
// object tables and of the types' methods.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class ObjectTables : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run("create type person_t as object (id number, first_name varchar2(20), last_name varchar2(20),\n"
            "  member function full_name return varchar2,\n"
            "  map member function sort_key return number)");
        run("create type body person_t as\n"
            "  member function full_name return varchar2 is begin return first_name || ' ' || last_name; end;\n"
            "  map member function sort_key return number is begin return -id; end;\n"
            "end;");
        run("create table people of person_t (constraint people_pk primary key (id), last_name not null)");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
    std::string error(const std::string& sql) {
        if (s.exec(sql) == OCI_SUCCESS) return "success";
        std::string e = s.error_text();
        if (!e.empty() && e.back() == '\n') e.pop_back();
        return e;
    }
    OciSession s;
};

TEST_F(ObjectTables, RowsWrittenAndReadAsObjects) {
    run("insert into people values (1, 'Ann', 'Lee')");
    run("insert into people values (person_t(2, 'Bob', 'Ray'))");
    run("insert into people p values (person_t(3, 'Cy', 'Orr'))");
    EXPECT_EQ(s.rows("select * from people order by id"), (Rows{"1|Ann|Lee", "2|Bob|Ray", "3|Cy|Orr"}));
    EXPECT_EQ(s.rows("select value(p) from people p where p.id = 2"), (Rows{"PERSON_T(2, 'Bob', 'Ray')"}));
    EXPECT_EQ(s.rows("select p.full_name(), value(p).last_name from people p order by p.id"),
              (Rows{"Ann Lee|Lee", "Bob Ray|Ray", "Cy Orr|Orr"}));
    run("update people p set p = person_t(2, 'Rob', 'Ray') where p.id = 2");
    EXPECT_EQ(s.rows("select full_name from (select p.full_name() full_name, p.id from people p) where id = 2"),
              (Rows{"Rob Ray"}));
    // The MAP method orders the objects: its keys run against the ids.
    EXPECT_EQ(s.rows("select p.id from people p order by value(p)"), (Rows{"3", "2", "1"}));
    EXPECT_EQ(s.rows("select p.id from people p where value(p) < person_t(2, 'x', 'y') order by 1"), (Rows{"3"}));
    EXPECT_EQ(s.rows("select p.id from people p where value(p) in (person_t(1, 'x', 'y'), person_t(9, 'z', 'z'))"),
              (Rows{"1"}));
    EXPECT_EQ(s.rows("select count(distinct value(p)) from people p"), (Rows{"3"}));
    // A PL/SQL variable of the type takes a row and gives one.
    run("declare v person_t; begin select value(p) into v from people p where p.id = 1;\n"
        "  v.first_name := 'Anna'; update people p set p = v where p.id = v.id; end;");
    EXPECT_EQ(s.rows("select first_name from people where id = 1"), (Rows{"Anna"}));
}

TEST_F(ObjectTables, ConstraintsAndRefusals) {
    EXPECT_EQ(error("insert into people values (person_t(1, 'Ann', null))"),
              "ORA-01400: cannot insert NULL into (\"SCOTT\".\"PEOPLE\".\"LAST_NAME\")");
    run("insert into people values (person_t(1, 'Ann', 'Lee'))");
    EXPECT_EQ(error("insert into people values (1, 'Ann', 'Lee')"),
              "ORA-00001: unique constraint (SCOTT.PEOPLE_PK) violated");
    EXPECT_EQ(error("insert into people values (5)"), "ORA-00947: not enough values");
    run("create type other_t as object (id number, first_name varchar2(20), last_name varchar2(20))");
    EXPECT_EQ(error("insert into people values (other_t(5, 'a', 'b'))"),
              "ORA-00932: inconsistent datatypes: expected SCOTT.PERSON_T got OTHER_T");
    EXPECT_EQ(error("update people p set p = 5"), "ORA-00932: inconsistent datatypes: expected SCOTT.PERSON_T got NUMBER");
    EXPECT_EQ(error("create table t2 of no_such_t"), "ORA-00902: invalid datatype");
    EXPECT_EQ(error("create table t2 of person_t (no_such not null)"), "ORA-00904: \"NO_SUCH\": invalid identifier");
    // Rows carry no object identifiers: no REF of them.
    EXPECT_EQ(error("select ref(p) from people p"), "ORA-03001: unimplemented feature");
    EXPECT_EQ(error("drop type person_t"), "ORA-02303: cannot drop or replace a type with type or table dependents");
    // Subtypes are not made.
    run("create type animal_t as object (name varchar2(10)) not final");
    EXPECT_EQ(error("create type dog_t under animal_t (breed varchar2(10))"), "ORA-03001: unimplemented feature");
    EXPECT_EQ(s.rows("select count(*) from user_objects where object_name = 'DOG_T'"), (Rows{"0"}));
}

TEST_F(ObjectTables, TreatAndIsOfWithoutSubtypes) {
    run("insert into people values (1, 'Ann', 'Lee')");
    run("create type other_t as object (id number)");
    EXPECT_EQ(s.rows("select treat(value(p) as person_t).last_name, treat(value(p) as scott.person_t).full_name()"
                     " from people p"),
              (Rows{"Lee|Ann Lee"}));
    EXPECT_EQ(s.rows("select count(*) from people p where value(p) is of (person_t)"), (Rows{"1"}));
    EXPECT_EQ(s.rows("select count(*) from people p where value(p) is of type (only other_t, scott.person_t)"),
              (Rows{"1"}));
    EXPECT_EQ(s.rows("select count(*) from people p where value(p) is not of (person_t)"), (Rows{"0"}));
    EXPECT_EQ(s.rows("select count(*) from people p where value(p) is of (other_t)"), (Rows{"0"}));
    EXPECT_EQ(error("select treat(value(p) as other_t) from people p"),
              "ORA-00932: inconsistent datatypes: expected SCOTT.OTHER_T got PERSON_T");
    EXPECT_EQ(error("select treat(value(p) as no_such_t) from people p"), "ORA-00902: invalid datatype");
    EXPECT_EQ(error("select count(*) from people p where p.id is of (person_t)"),
              "ORA-00932: inconsistent datatypes: expected UDT got NUMBER");
    EXPECT_EQ(error("select treat(value(p) as ref person_t) from people p"), "ORA-03001: unimplemented feature");
}

TEST_F(ObjectTables, Dictionary) {
    run("create table plain_t (n number)");
    EXPECT_EQ(s.rows("select table_name, object_id_type, table_type_owner, table_type from user_object_tables"),
              (Rows{"PEOPLE|SYSTEM GENERATED|SCOTT|PERSON_T"}));
    EXPECT_EQ(s.rows("select table_name from user_tables"), (Rows{"PLAIN_T"}));
    EXPECT_EQ(s.rows("select object_type from user_objects where object_name = 'PEOPLE'"), (Rows{"TABLE"}));
    EXPECT_EQ(s.rows("select column_name, data_type, nullable from user_tab_columns where table_name = 'PEOPLE'"
                     " order by column_id"),
              (Rows{"ID|NUMBER|N", "FIRST_NAME|VARCHAR2|Y", "LAST_NAME|VARCHAR2|N"}));
    run("rename people to persons");
    EXPECT_EQ(s.rows("select table_name from user_object_tables"), (Rows{"PERSONS"}));
    run("drop table persons purge");
    EXPECT_EQ(s.rows("select count(*) from user_object_tables"), (Rows{"0"}));
    run("drop type person_t");
}

TEST_F(ObjectTables, TypeMethodViews) {
    run("create type shape_t as object (w number,\n"
        "  member function area(k in number, unit varchar2 default 'cm') return number,\n"
        "  member procedure grow(by_n in out number),\n"
        "  static function unit return shape_t,\n"
        "  constructor function shape_t(side number, extra out number) return self as result,\n"
        "  order member function cmp(o shape_t) return number)");
    EXPECT_EQ(s.rows("select method_name, method_no, method_type, parameters, results from user_type_methods"
                     " where type_name = 'SHAPE_T' order by method_no"),
              (Rows{"AREA|1|PUBLIC|3|1", "GROW|2|PUBLIC|2|0", "UNIT|3|PUBLIC|0|1", "SHAPE_T|4|PUBLIC|3|1",
                    "CMP|5|ORDER|2|1"}));
    EXPECT_EQ(s.rows("select method_no, param_name, param_no, param_mode, param_type_owner, param_type_name"
                     " from all_method_params where owner = 'SCOTT' and type_name = 'SHAPE_T'"
                     " order by method_no, param_no"),
              (Rows{"1|SELF|1|IN|SCOTT|SHAPE_T", "1|K|2|IN|<null>|NUMBER", "1|UNIT|3|IN|<null>|VARCHAR2",
                    "2|SELF|1|IN OUT|SCOTT|SHAPE_T", "2|BY_N|2|IN OUT|<null>|NUMBER", "4|SELF|1|IN OUT|SCOTT|SHAPE_T",
                    "4|SIDE|2|IN|<null>|NUMBER", "4|EXTRA|3|OUT|<null>|NUMBER", "5|SELF|1|IN|SCOTT|SHAPE_T",
                    "5|O|2|IN|SCOTT|SHAPE_T"}));
    EXPECT_EQ(s.rows("select method_name, result_type_owner, result_type_name from user_method_results"
                     " where type_name = 'SHAPE_T' order by method_no"),
              (Rows{"AREA|<null>|NUMBER", "UNIT|SCOTT|SHAPE_T", "SHAPE_T|SCOTT|SHAPE_T", "CMP|<null>|NUMBER"}));
}

TEST_F(ObjectTables, WholeCollectionsPassedToFunctions) {
    run("create type num_list as table of number");
    run("create type name_list as varray(3) of varchar2(10)");
    run("create or replace package coll_pkg as\n"
        "  type local_list is table of number;\n"
        "  function total(c num_list) return number;\n"
        "  function names(v name_list) return varchar2;\n"
        "  function size_of(l local_list) return number;\n"
        "end;");
    run("create or replace package body coll_pkg as\n"
        "  function total(c num_list) return number is s number := 0; begin\n"
        "    if c is null then return -1; end if;\n"
        "    for i in 1 .. c.count loop s := s + c(i); end loop; return s; end;\n"
        "  function names(v name_list) return varchar2 is begin return v(1) || v.count; end;\n"
        "  function size_of(l local_list) return number is begin return l.count; end;\n"
        "end;");
    run("create table coll_out (s varchar2(100))");
    run("declare n number; c num_list := num_list(1, 2, 3); e num_list; l coll_pkg.local_list := coll_pkg.local_list(4, 5);\n"
        "begin\n"
        "  n := coll_pkg.total(c);\n"
        "  insert into coll_out values (n || ' ' || coll_pkg.total(num_list(4, 5)) || ' ' || coll_pkg.total(e) || ' ' ||\n"
        "    coll_pkg.names(name_list('a', 'b')) || ' ' || coll_pkg.size_of(l));\n"
        "end;");
    EXPECT_EQ(s.rows("select s from coll_out"), (Rows{"6 9 -1 a2 2"}));
    EXPECT_EQ(s.rows("select coll_pkg.total(num_list(1, 2, 3, 4)) from dual"), (Rows{"10"}));
}

}  // namespace
