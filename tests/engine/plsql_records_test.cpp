// PL/SQL record types on the embedded engine: TYPE ... IS RECORD with field defaults,
// NOT NULL fields and %TYPE fields, variables of them with field access, SELECT INTO and
// FETCH INTO a record, and the compile errors of bad declarations.
#include "oci_session.h"

namespace {

class Records : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("create table emp (id number, name varchar2(10), sal number(8,2))"), OCI_SUCCESS)
            << s.error_text();
        ASSERT_EQ(s.exec("insert into emp values (1, 'ann', 100.5)"), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("insert into emp values (2, 'bob', 200)"), OCI_SUCCESS) << s.error_text();
    }

    std::string output_of(const std::string& block) { return server_output_of(s, block); }

    OciSession s;
};

TEST_F(Records, FieldsTakeTheirDefaultsAndTypes) {
    EXPECT_EQ(output_of("declare\n"
                        "  type r_t is record (a number, b varchar2(10) := 'x', c emp.name%type,"
                        " d number not null := 7);\n"
                        "  r r_t;\n"
                        "  q r_t;\n"
                        "begin\n"
                        "  dbms_output.put_line(nvl(to_char(r.a), 'null') || ' ' || r.b || ' ' || r.d);\n"
                        "  r.a := 1; r.c := 'name';\n"
                        "  q.b := 'y';\n"
                        "  dbms_output.put_line(r.a || r.b || r.c || ' ' || q.b || nvl(to_char(q.a), '-'));\n"
                        "end;"),
              "null x 7|1xname y-");
    // A field keeps its declared type: too long a value, and NULL into NOT NULL.
    std::string out = output_of("declare type r_t is record (c emp.name%type); r r_t;"
                                " begin r.c := 'abcdefghijkl'; end;");
    EXPECT_NE(out.find("ORA-06502"), std::string::npos) << out;
    out = output_of("declare type r_t is record (d number not null := 1); r r_t; begin r.d := null; end;");
    EXPECT_NE(out.find("ORA-06502"), std::string::npos) << out;
}

TEST_F(Records, SelectAndFetchIntoARecord) {
    EXPECT_EQ(output_of("declare\n"
                        "  type r_t is record (id number, name varchar2(10), sal number);\n"
                        "  r r_t;\n"
                        "  cursor c is select id, name, sal from emp order by id;\n"
                        "begin\n"
                        "  select id, name, sal into r from emp where id = 1;\n"
                        "  dbms_output.put_line(r.id || r.name || r.sal);\n"
                        "  open c;\n"
                        "  loop fetch c into r; exit when c%notfound; dbms_output.put_line(r.name); end loop;\n"
                        "  close c;\n"
                        "end;"),
              "1ann100.5|ann|bob");
    std::string out = output_of("declare type r_t is record (id number); r r_t;"
                                " begin select id into r from emp; end;");
    EXPECT_NE(out.find("ORA-01422"), std::string::npos) << out;
}

TEST_F(Records, WholeRecordAssignmentCopiesFieldsByPosition) {
    EXPECT_EQ(output_of("declare\n"
                        "  type r_t is record (id number, name varchar2(10), sal number);\n"
                        "  r r_t;\n"
                        "  q r_t;\n"
                        "  e emp%rowtype;\n"
                        "begin\n"
                        "  select * into e from emp where id = 2;\n"
                        "  r := e;\n"
                        "  q := r;\n"
                        "  r.name := 'changed';\n"
                        "  dbms_output.put_line(q.id || q.name || q.sal || ' ' || r.name);\n"
                        "  q := null;\n"
                        "  dbms_output.put_line(nvl(q.name, 'none') || nvl(to_char(q.id), '-'));\n"
                        "end;"),
              "2bob200 changed|none-");
    // Field by field the values must fit: a name too long for the target's field.
    std::string out = output_of("declare type r_t is record (n varchar2(2)); r r_t; e emp%rowtype;"
                                " begin e.id := 1; e.name := 'long'; select 'x' into r.n from dual;"
                                " declare type s_t is record (a number, b varchar2(2), c number); s s_t;"
                                " begin s := e; end; end;");
    EXPECT_NE(out.find("ORA-06502"), std::string::npos) << out;
}

TEST_F(Records, BadDeclarationsAreCompileErrors) {
    struct Case {
        const char* block;
        const char* error;
    } cases[] = {
        {"declare type r_t is record (a number, a number); r r_t; begin null; end;", "PLS-00410"},
        {"declare type r_t is record (a number not null); r r_t; begin null; end;", "PLS-00218"},
        {"declare type r_t is record (a number); r r_t; begin r.b := 1; end;",
         "PLS-00302: component 'B' must be declared"},
        {"declare type r_t is record (a number); r r_t; n number; begin n := r.b; end;",
         "PLS-00302: component 'B' must be declared"},
        // Whole records as values other than in an assignment are refused, not read as NULL.
        {"declare type r_t is record (a number); type s_t is record (a number); r r_t; q s_t;"
         " begin r := q; end;",
         "PLS-00382: expression is of wrong type"},
        {"declare type r_t is record (a number, b number); r r_t; e emp%rowtype; begin r := e; end;",
         "PLS-00382: expression is of wrong type"},
        // A record passed where a single value is wanted does not fit the procedure.
        {"declare r emp%rowtype; procedure p(n number) is begin null; end; begin p(r); end;", "PLS-00306"},
    };
    for (const Case& c : cases) {
        std::string out = output_of(c.block);
        EXPECT_NE(out.find(c.error), std::string::npos) << c.block << "\n" << out;
    }
}

// RETURNING ... INTO record: the values go to the fields in order, converted to each
// field's type; a count that does not match the fields is a compile error.
TEST_F(Records, ReturningIntoARecord) {
    EXPECT_EQ(output_of("declare\n"
                        "  e emp%rowtype;\n"
                        "  type r_t is record (n varchar2(10), s number);\n"
                        "  r r_t;\n"
                        "begin\n"
                        "  insert into emp values (3, 'cy', 3.5) returning id, name, sal into e;\n"
                        "  dbms_output.put_line(e.id || e.name || e.sal);\n"
                        "  update emp set sal = sal * 2 where id = 2 returning name, sal into r;\n"
                        "  dbms_output.put_line(r.n || r.s);\n"
                        "  delete from emp where id = 1 returning id, name, sal into e;\n"
                        "  dbms_output.put_line(e.id || e.name || e.sal || ' ' || sql%rowcount);\n"
                        "end;"),
              "3cy3.5|bob400|1ann100.5 1");
    std::string out = output_of("declare e emp%rowtype; begin"
                                " update emp set sal = 1 where id = 2 returning id, name into e; end;");
    EXPECT_NE(out.find("PL/SQL: ORA-00947"), std::string::npos) << out;
    out = output_of("declare n number; begin update emp set sal = 1 where id = 2 returning id, sal into n; end;");
    EXPECT_NE(out.find("PL/SQL: ORA-00913"), std::string::npos) << out;
    out = output_of("declare e emp%rowtype; begin update emp set sal = 1 returning id, name, sal into e; end;");
    EXPECT_NE(out.find("ORA-01422"), std::string::npos) << out;
    EXPECT_EQ(s.value("select sal from emp where id = 2"), "400");
}

}  // namespace

namespace {

TEST_F(Records, InsertValuesAndUpdateSetRowTakeARecordsFields) {
    // Fields go to the columns by position, whatever their names; each value is converted
    // and checked as the column's own (NUMBER(8,2) rounds).
    EXPECT_EQ(output_of("declare\n"
                        "  type r_t is record (k number, label varchar2(10), amount number);\n"
                        "  r r_t;\n"
                        "  e emp%rowtype;\n"
                        "begin\n"
                        "  r.k := 3; r.label := 'cy'; r.amount := 300.257;\n"
                        "  insert into emp values r;\n"
                        "  select * into e from emp where id = 1;\n"
                        "  e.id := 4; e.name := 'dee';\n"
                        "  insert into emp values e returning sal into r.amount;\n"
                        "  dbms_output.put_line(sql%rowcount || ' ' || r.amount);\n"
                        "  e.name := 'ANN'; e.sal := 1;\n"
                        "  update emp set row = e where id = 4;\n"
                        "  dbms_output.put_line(sql%rowcount);\n"
                        "  for x in (select * from emp where id = 2) loop\n"
                        "    x.id := 5;\n"
                        "    insert into emp values x;\n"
                        "  end loop;\n"
                        "end;"),
              "1 100.5|1");
    EXPECT_EQ(s.rows("select id, name, sal from emp order by id"),
              (std::vector<std::string>{"1|ann|100.5", "2|bob|200", "3|cy|300.26", "4|ANN|1", "5|bob|200"}));

    // A record of a different shape: too many or too few values; a field too long.
    std::string out = output_of("declare type r_t is record (a number, b varchar2(10)); r r_t;"
                                " begin insert into emp values r; end;");
    EXPECT_NE(out.find("ORA-00947"), std::string::npos) << out;
    out = output_of("declare type r_t is record (a number, b varchar2(10), c number, d number); r r_t;"
                    " begin update emp set row = r; end;");
    EXPECT_NE(out.find("ORA-00913"), std::string::npos) << out;
    out = output_of("declare type r_t is record (a number, b varchar2(20), c number); r r_t;"
                    " begin r.b := 'a name far too long'; insert into emp values r; end;");
    EXPECT_NE(out.find("ORA-12899"), std::string::npos) << out;
    // Not a record: a scalar after VALUES, and SQL outside PL/SQL.
    out = output_of("declare n number; begin insert into emp values n; end;");
    EXPECT_NE(out.find("ORA-00906"), std::string::npos) << out;
    EXPECT_EQ(s.exec("insert into emp values r"), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 906);
    // A column called ROW is still set as a column.
    ASSERT_EQ(s.exec("create table flags (\"ROW\" number, k number)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("insert into flags values (1, 2)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("update flags set row = k"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select \"ROW\" from flags"), "2");
    EXPECT_EQ(s.rows("select id from emp order by id").size(), 5u) << "nothing of the failed blocks stayed";
}

// A field of a schema-level object type holds an object: its attributes are read and set
// through the record (r.f.attr), records copy it as a value, and an attribute of a NULL
// object cannot be set. Another package's object variable takes its attributes too.
TEST_F(Records, ObjectFieldsAndPackageObjectAttributes) {
    ASSERT_EQ(s.exec("create type rec_pt as object (x number, y varchar2(5))"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(output_of("declare\n"
                        "  type r_t is record (loc rec_pt, n number);\n"
                        "  r r_t;\n"
                        "  q r_t;\n"
                        "begin\n"
                        "  r.loc := rec_pt(1, 'a');\n"
                        "  r.loc.x := 5;\n"
                        "  r.n := r.loc.x * 10;\n"
                        "  q := r;\n"
                        "  q.loc.y := 'b';\n"
                        "  dbms_output.put_line(r.loc.x || r.loc.y || ' ' || r.n || ' ' || q.loc.y);\n"
                        "  for c in (select r.loc.x + 1 v from dual) loop dbms_output.put_line(c.v); end loop;\n"
                        "end;"),
              "5a 50 b|6");
    EXPECT_EQ(output_of("declare type r_t is record (loc rec_pt); r r_t;"
                        " begin r.loc.x := 1; exception when others then dbms_output.put_line(sqlerrm); end;"),
              "ORA-06530: Reference to uninitialized composite");
    EXPECT_NE(output_of("declare type r_t is record (loc rec_pt); r r_t; begin r.loc.z := 1; end;")
                  .find("PLS-00302: component 'Z' must be declared"),
              std::string::npos);
    ASSERT_EQ(s.exec("create or replace package rec_pkg as v rec_pt; function vx return number; end;"), OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body rec_pkg as"
                     " function vx return number is begin return v.x; end; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("begin rec_pkg.v := rec_pt(3, 'c'); rec_pkg.v.x := 30;"
                        " dbms_output.put_line(rec_pkg.v.x || rec_pkg.v.y || ' ' || rec_pkg.vx); end;"),
              "30c 30");
}

// A field of a collection type is a collection of the record's own: its elements and
// methods are reached through the record, a copy of the record copies it, and SQL reads it
// (TABLE(r.f)) and fills it (SELECT ... INTO the record).
TEST_F(Records, CollectionFields) {
    ASSERT_EQ(s.exec("create type rec_nums as table of number"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(output_of("declare\n"
                        "  type lt is table of varchar2(10);\n"
                        "  type r_t is record (id number, items rec_nums, tags lt);\n"
                        "  r r_t;\n"
                        "  q r_t;\n"
                        "  n number;\n"
                        "begin\n"
                        "  r.items := rec_nums(7, 8, 9);\n"
                        "  r.items(2) := 80;\n"
                        "  r.items.extend;\n"
                        "  r.items(r.items.last) := 10;\n"
                        "  r.tags := lt('a');\n"
                        "  r.tags.extend(2);\n"
                        "  r.tags(3) := 'c';\n"
                        "  dbms_output.put_line(r.items.count || ' ' || r.items(2) || ' ' || r.tags(3));\n"
                        "  if r.items.exists(4) and r.tags(2) is null then dbms_output.put_line('exists'); end if;\n"
                        "  q := r;\n"
                        "  q.items(1) := 0;\n"
                        "  select sum(column_value) into n from table(r.items);\n"
                        "  dbms_output.put_line(r.items(1) || ' ' || q.items(1) || ' ' || n);\n"
                        "  r.items.delete;\n"
                        "  dbms_output.put_line(r.items.count || ' ' || q.items.count);\n"
                        "  select 5, rec_nums(1, 2), null into r from dual;\n"
                        "  dbms_output.put_line(r.id || ' ' || r.items.count || r.items(2));\n"
                        "end;"),
              "4 80 c|exists|7 0 106|0 4|5 22");
    EXPECT_EQ(output_of("declare type r_t is record (items rec_nums); r r_t;"
                        " begin r.items(1) := 1; exception when others then dbms_output.put_line(sqlerrm); end;"),
              "ORA-06531: Reference to uninitialized collection");
    // A parameter of the record type, in a package.
    ASSERT_EQ(s.exec("create or replace package rec_pq as type r_t is record (id number, items rec_nums);"
                     " procedure show(p r_t); end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body rec_pq as procedure show(p r_t) is"
                     " begin dbms_output.put_line(p.id || ' ' || p.items.count || p.items(p.items.last)); end; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare r rec_pq.r_t; begin r.id := 3; r.items := rec_nums(1, 2); rec_pq.show(r); end;"),
              "3 22");
}

}  // namespace
