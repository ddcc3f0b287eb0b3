// PL/SQL collections whose elements are records (a RECORD type, table%ROWTYPE or
// cursor%ROWTYPE) on the embedded engine: element fields and whole elements read and
// written, the collection methods, the errors of missing elements, BULK COLLECT and
// FORALL with them, and record and collection types of a package header used outside it.
#include "oci_session.h"

namespace {

class RecordCollections : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("create table emp (id number, name varchar2(10), sal number(8,2))"), OCI_SUCCESS)
            << s.error_text();
        ASSERT_EQ(s.exec("insert into emp values (1, 'ann', 100.5)"), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("insert into emp values (2, 'bob', 200)"), OCI_SUCCESS) << s.error_text();
        ASSERT_EQ(s.exec("insert into emp values (3, 'cy', 300)"), OCI_SUCCESS) << s.error_text();
    }

    std::string output_of(const std::string& block) { return server_output_of(s, block); }

    OciSession s;
};

TEST_F(RecordCollections, EachKindHoldsRecordElements) {
    // The same body over an associative array, a nested table and a varray of records.
    struct Case {
        const char* type;
        const char* init;
    } cases[] = {
        {"table of r index by pls_integer", ""},
        {"table of r", "x := tt(); x.extend(2);"},
        {"varray(5) of r", "x := tt(); x.extend(2);"},
    };
    for (const Case& c : cases) {
        std::string block = std::string("declare\n  type r is record(a number, b varchar2(10));\n  type tt is ") +
                            c.type +
                            ";\n  x tt;\n  y r;\n"
                            "begin\n  " +
                            c.init +
                            "\n  x(1).a := 1; x(1).b := 'q';\n"
                            "  x(2).b := 'w';\n"
                            "  dbms_output.put_line(x(1).b || x.count || x(1).a * 10 || nvl(to_char(x(2).a), '-'));\n"
                            "  y := x(1); y.a := 5;\n"
                            "  x(2) := y;\n"
                            "  dbms_output.put_line(x(2).a || x(2).b || x(1).a || x.first || x.last);\n"
                            "  x(1) := null;\n"
                            "  dbms_output.put_line(nvl(x(1).b, 'none') || x.count);\n"
                            "end;";
        EXPECT_EQ(output_of(block), "q210-|5q112|none2") << c.type;
    }
}

TEST_F(RecordCollections, RowtypeElementsAndMethods) {
    EXPECT_EQ(output_of("declare\n"
                        "  cursor c is select id, name from emp;\n"
                        "  type et is table of emp%rowtype index by pls_integer;\n"
                        "  type ct is table of c%rowtype;\n"
                        "  e et;\n"
                        "  k ct := ct();\n"
                        "  i pls_integer;\n"
                        "begin\n"
                        "  e(10).name := 'ten'; e(20).name := 'twenty'; e(30).name := 'thirty';\n"
                        "  e.delete(20);\n"
                        "  i := e.first;\n"
                        "  while i is not null loop dbms_output.put_line(i || e(i).name); i := e.next(i); end loop;\n"
                        "  dbms_output.put_line(e.prior(30) || case when e.exists(20) then 'y' else 'n' end);\n"
                        "  k.extend(3); k(3).name := 'last';\n"
                        "  k.trim;\n"
                        "  dbms_output.put_line(k.count || nvl(k(2).name, '-'));\n"
                        "  k.extend(1, 2); k(3).id := 9;\n"
                        "  dbms_output.put_line(k.count || k(3).id || nvl(to_char(k(2).id), '-'));\n"
                        "end;"),
              "10ten|30thirty|10n|2-|39-");
}

TEST_F(RecordCollections, ElementsInSqlConditionsAndLoops) {
    EXPECT_EQ(output_of("declare\n"
                        "  type r is record(id number, ok boolean, name varchar2(10));\n"
                        "  type tt is table of r index by varchar2(5);\n"
                        "  type et is table of emp%rowtype;\n"
                        "  x tt;\n"
                        "  e et := et();\n"
                        "  f et := et();\n"
                        "  n varchar2(10);\n"
                        "begin\n"
                        "  x('k').id := 2; x('k').ok := true;\n"
                        "  select name into n from emp where id = x('k').id;\n"
                        "  if x('k').ok then dbms_output.put_line(n || x.first); end if;\n"
                        "  for row in (select * from emp order by id) loop\n"
                        "    e.extend; e(e.count) := row;\n"
                        "  end loop;\n"
                        "  f.extend(2); f(2) := e(3); f(1) := e(1);\n"
                        "  dbms_output.put_line(e.count || f(2).name || f(1).sal);\n"
                        "end;"),
              "bobk|3cy100.5");
}

TEST_F(RecordCollections, ElementsAreValuesOfTheirCollection) {
    // A copy of a collection and an element read into a record do not share fields with
    // the original.
    EXPECT_EQ(output_of("declare\n"
                        "  type r is record(a number);\n"
                        "  type tt is table of r;\n"
                        "  x tt := tt(); z tt; q r;\n"
                        "begin\n"
                        "  x.extend; x(1).a := 1;\n"
                        "  z := x; q := x(1);\n"
                        "  x(1).a := 2;\n"
                        "  dbms_output.put_line(z(1).a || q.a || x(1).a);\n"
                        "end;"),
              "112");
}

TEST_F(RecordCollections, MissingElementsAndFieldTypes) {
    struct Case {
        const char* block;
        const char* error;
    } cases[] = {
        {"declare type r is record(a number); type tt is table of r index by pls_integer; x tt; n number;"
         " begin n := x(4).a; end;",
         "ORA-01403"},
        {"declare type r is record(a number); type tt is table of r; x tt := tt(); n number;"
         " begin x.extend; n := x(2).a; end;",
         "ORA-06533"},
        {"declare type r is record(a number); type tt is varray(2) of r; x tt := tt(); n number;"
         " begin n := x(3).a; end;",
         "ORA-06532"},
        {"declare type r is record(a number); type tt is table of r; x tt; begin x(1).a := 1; end;", "ORA-06531"},
        {"declare type r is record(a number); type tt is table of r index by pls_integer; x tt; q r;"
         " begin q := x(7); end;",
         "ORA-01403"},
        {"declare type r is record(b varchar2(2)); type tt is table of r index by pls_integer; x tt;"
         " begin x(1).b := 'toolong'; end;",
         "ORA-06502"},
        {"declare type r is record(b number not null := 0); type tt is table of r index by pls_integer; x tt;"
         " begin x(1).b := null; end;",
         "ORA-06502"},
    };
    for (const Case& c : cases) {
        std::string out = output_of(c.block);
        EXPECT_NE(out.find(c.error), std::string::npos) << c.block << "\n" << out;
    }
}

TEST_F(RecordCollections, CompileErrors) {
    struct Case {
        const char* block;
        const char* error;
    } cases[] = {
        {"declare type r is record(a number); type tt is table of r index by pls_integer; x tt;"
         " begin x(1).c := 1; end;",
         "PLS-00302: component 'C' must be declared"},
        {"declare type r is record(a number); type tt is table of r index by pls_integer; x tt; n number;"
         " begin n := x(1).c; end;",
         "PLS-00302: component 'C' must be declared"},
        {"declare type r is record(a number); type s is record(a number); type tt is table of r"
         " index by pls_integer; x tt; q s; begin x(1) := q; end;",
         "PLS-00382"},
        {"declare type r is record(a number); type tt is table of r index by pls_integer; x tt;"
         " begin x(1) := 5; end;",
         "PLS-00382"},
        {"declare type r is record(a number); type tt is table of r index by pls_integer; x tt;"
         " begin dbms_output.put_line(x(1)); end;",
         "PLS-00999"},
        {"declare type r is record(a number, b varchar2(10)); type tt is table of r index by pls_integer;"
         " x tt; begin select id into x(1) from emp where id = 1; end;",
         "ORA-00913"},
        {"declare type tt is table of emp%rowtype index by pls_integer; x tt; n number;"
         " begin select id bulk collect into x from emp; end;",
         "ORA-00913"},
        {"declare type tt is table of emp%rowtype index by pls_integer; x tt;"
         " type nt is table of number index by pls_integer; n nt;"
         " begin select id, name, sal bulk collect into x, n from emp; end;",
         "PLS-00494"},
        {"declare type nt is table of number; type tt is table of nt; begin null; end;", "PLS-00999"},
        {"declare type tt is table of nosuch%rowtype; begin null; end;", "PLS-00201"},
    };
    for (const Case& c : cases) {
        std::string out = output_of(c.block);
        EXPECT_NE(out.find(c.error), std::string::npos) << c.block << "\n" << out;
    }
}

TEST_F(RecordCollections, BulkCollectFillsRecords) {
    EXPECT_EQ(output_of("declare\n"
                        "  type et is table of emp%rowtype;\n"
                        "  e et;\n"
                        "begin\n"
                        "  select * bulk collect into e from emp order by id desc;\n"
                        "  for i in 1..e.count loop dbms_output.put_line(e(i).id || e(i).name || e(i).sal); end loop;\n"
                        "end;"),
              "3cy300|2bob200|1ann100.5");
    EXPECT_EQ(output_of("declare\n"
                        "  cursor c is select id, name from emp order by id;\n"
                        "  type r is record(n number, s varchar2(10));\n"
                        "  type tt is varray(10) of r;\n"
                        "  x tt;\n"
                        "begin\n"
                        "  open c;\n"
                        "  loop\n"
                        "    fetch c bulk collect into x limit 2;\n"
                        "    dbms_output.put_line(x.count || ':' || x(1).s);\n"
                        "    exit when c%notfound;\n"
                        "  end loop;\n"
                        "  close c;\n"
                        "end;"),
              "2:ann|1:cy");
    // SELECT and FETCH INTO one element fill its fields.
    EXPECT_EQ(output_of("declare\n"
                        "  type tt is table of emp%rowtype index by pls_integer;\n"
                        "  x tt;\n"
                        "  cursor c is select * from emp order by id;\n"
                        "begin\n"
                        "  select * into x(5) from emp where id = 2;\n"
                        "  open c; fetch c into x(6); close c;\n"
                        "  dbms_output.put_line(x(5).name || x(5).sal || x(6).name || x.count);\n"
                        "end;"),
              "bob200ann2");
    // A row that does not fit the element leaves the collection as it was.
    std::string out = output_of("declare type r is record(n number, s varchar2(2)); type tt is table of r"
                                " index by pls_integer; x tt;"
                                " begin x(1).s := 'ok'; select id, name bulk collect into x from emp;"
                                " exception when value_error then dbms_output.put_line(x.count || x(1).s); end;");
    EXPECT_EQ(out, "1ok");
}

TEST_F(RecordCollections, ForallInsertsRecordElements) {
    ASSERT_EQ(s.exec("create table emp2 (id number, name varchar2(10), sal number(8,2))"), OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare\n"
                        "  type et is table of emp%rowtype index by pls_integer;\n"
                        "  e et;\n"
                        "  n number;\n"
                        "begin\n"
                        "  select * bulk collect into e from emp order by id;\n"
                        "  forall i in 1..e.count insert into emp2 values e(i);\n"
                        "  forall i in e.first..e.last insert into emp2 values (e(i).id + 10, e(i).name, e(i).sal);\n"
                        "  forall i in indices of e update emp2 set sal = e(i).sal * 2 where id = e(i).id;\n"
                        "  select sum(sal) into n from emp2;\n"
                        "  dbms_output.put_line(sql%rowcount || ' ' || n);\n"
                        "end;"),
              "1 1801.5");
    EXPECT_EQ(s.value("select count(*) from emp2 where id > 10"), "3");
}

TEST_F(RecordCollections, PackageTypesFromOutside) {
    ASSERT_EQ(s.exec("create or replace package pk is\n"
                     "  type rec_t is record(id number, name varchar2(10));\n"
                     "  type tab_t is table of rec_t index by pls_integer;\n"
                     "  type list_t is table of number;\n"
                     "  g tab_t;\n"
                     "  procedure load;\n"
                     "  function name_of(i number) return varchar2;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body pk is\n"
                     "  procedure load is begin select id, name bulk collect into g from emp order by id; end;\n"
                     "  function name_of(i number) return varchar2 is begin return g(i).name; end;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare\n"
                        "  v pk.rec_t;\n"
                        "  c pk.tab_t;\n"
                        "  l pk.list_t := pk.list_t(4, 5);\n"
                        "begin\n"
                        "  v.id := 7; v.name := 'seven';\n"
                        "  c(1) := v;\n"
                        "  c(2).name := 'two';\n"
                        "  select id, name bulk collect into c from emp where id > 1 order by id;\n"
                        "  pk.load;\n"
                        "  dbms_output.put_line(c.count || c(1).name || l(2) || pk.name_of(3));\n"
                        "end;"),
              "2bob5cy");
    std::string out = output_of("declare v pk.nosuch; begin null; end;");
    EXPECT_NE(out.find("PLS-00201"), std::string::npos) << out;
}

TEST_F(RecordCollections, RecordAndCollectionParameters) {
    ASSERT_EQ(s.exec("create or replace package pp is\n"
                     "  type rec_t is record(id number, name varchar2(10));\n"
                     "  type tab_t is table of rec_t index by pls_integer;\n"
                     "  type nums_t is table of number;\n"
                     "  procedure fill(t out tab_t, n number);\n"
                     "  procedure bump(r in out rec_t);\n"
                     "  procedure twice(l in out nums_t);\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body pp is\n"
                     "  procedure fill(t out tab_t, n number) is\n"
                     "  begin for i in 1..n loop t(i).id := i; t(i).name := 'n' || i; end loop; end;\n"
                     "  procedure bump(r in out rec_t) is begin r.id := r.id + 1; r.name := upper(r.name); end;\n"
                     "  procedure twice(l in out nums_t) is\n"
                     "  begin for i in 1..l.count loop l(i) := l(i) * 2; end loop; l.extend; l(l.count) := 0; end;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare\n"
                        "  t pp.tab_t;\n"
                        "  r pp.rec_t;\n"
                        "  l pp.nums_t := pp.nums_t(1, 2);\n"
                        "  k pp.nums_t;\n"
                        "begin\n"
                        "  pp.fill(t, 3);\n"
                        "  r := t(2);\n"
                        "  pp.bump(r);\n"
                        "  k := l;\n"
                        "  pp.twice(l);\n"
                        "  dbms_output.put_line(t.count || t(3).name || ' ' || r.id || r.name || ' ' ||"
                        " l.count || l(2) || ' ' || k.count || k(2));\n"
                        "end;"),
              "3n3 3N2 34 22");
    // Local subprograms take them too.
    EXPECT_EQ(output_of("declare\n"
                        "  type r is record(a number);\n"
                        "  type tt is table of r index by pls_integer;\n"
                        "  x tt;\n"
                        "  procedure put(c tt) is begin dbms_output.put_line(c.count || c(c.first).a); end;\n"
                        "begin\n"
                        "  x(4).a := 9;\n"
                        "  put(x);\n"
                        "end;"),
              "19");
    struct Case {
        const char* block;
        const char* error;
    } cases[] = {
        {"declare type tt is table of emp%rowtype index by pls_integer; t tt; begin pp.fill(t, 1); end;", "PLS-00306"},
        {"declare r pp.rec_t; begin pp.fill(r, 1); end;", "PLS-00306"},
        {"begin pp.bump(5); end;", "PLS-00306"},
    };
    for (const Case& c : cases) {
        std::string out = output_of(c.block);
        EXPECT_NE(out.find(c.error), std::string::npos) << c.block << "\n" << out;
    }
}

}  // namespace
