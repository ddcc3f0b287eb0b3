// PL/SQL functions taking and returning records and collections on the embedded engine:
// local, stored and package functions, their results assigned to whole variables or
// given as initial values, and the type errors of such calls.
#include "oci_session.h"

namespace {

class RecordFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    }

    std::string output_of(const std::string& block) { return server_output_of(s, block); }

    OciSession s;
};

TEST_F(RecordFunctions, LocalFunctionsTakeAndReturnRecords) {
    EXPECT_EQ(output_of("declare\n"
                        "  type r_t is record (id number, name varchar2(10) := 'dflt');\n"
                        "  type o_t is record (id number, name varchar2(10));\n"
                        "  r r_t;\n"
                        "  function make(n number) return r_t is x r_t; begin x.id := n; x.name := 'n' || n;"
                        " return x; end;\n"
                        "  function twice(p r_t) return r_t is x r_t := p; begin x.id := p.id * 2; return x; end;\n"
                        "  procedure bump(p in out r_t) is begin p := twice(p); end;\n"
                        "begin\n"
                        "  r := make(1);\n"
                        "  declare q r_t := make(3); c r_t := q; begin\n"
                        "    dbms_output.put_line(r.id || r.name || ' ' || q.id || q.name || c.id);\n"
                        "    r := twice(q);\n"
                        "    bump(r);\n"
                        "    dbms_output.put_line(r.id || r.name || ' ' || q.id);\n"
                        "  end;\n"
                        "end;"),
              "1n1 3n33|12n3 3");
    // Another record type, a scalar target and a record function inside an expression.
    std::string out = output_of(
        "declare type r_t is record (id number); type o_t is record (id number);"
        " o o_t; function make return r_t is x r_t; begin return x; end;"
        " begin o := make; end;");
    EXPECT_NE(out.find("PLS-00382"), std::string::npos) << out;
    out = output_of(
        "declare type r_t is record (id number); n number;"
        " function make return r_t is x r_t; begin return x; end; begin n := make; end;");
    EXPECT_NE(out.find("PLS-00382"), std::string::npos) << out;
    out = output_of(
        "declare type r_t is record (id number); type o_t is record (id number);"
        " function make return r_t is x o_t; begin return x; end; begin null; end;");
    EXPECT_NE(out.find("PLS-00382"), std::string::npos) << out;
    out = output_of(
        "declare type r_t is record (id number); o r_t;"
        " function id_of(p r_t) return number is begin return p.id; end;"
        " begin dbms_output.put_line(id_of(o)); end;");
    EXPECT_NE(out.find("PLS-00382"), std::string::npos) << out;
    // A whole result as an argument of another call is no value.
    out = output_of(
        "declare type r_t is record (id number); function make(n number) return r_t is x r_t;"
        " begin return x; end; begin dbms_output.put_line(nvl(make(1), 0)); end;");
    EXPECT_NE(out.find("PLS-00382"), std::string::npos) << out;
    // A function that ends without RETURN leaves the target as it was.
    out = output_of(
        "declare type r_t is record (id number); r r_t;"
        " function make return r_t is begin null; end;"
        " begin r.id := 5; r := make; exception when others then"
        " dbms_output.put_line(sqlcode || ' ' || r.id); end;");
    EXPECT_EQ(out, "-6503 5");
}

TEST_F(RecordFunctions, RowtypeResults) {
    ASSERT_EQ(s.exec("create table emp (id number, name varchar2(10))"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("insert into emp values (7, 'seven')"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("create function emp_of(p number) return emp%rowtype is e emp%rowtype;"
                     " begin select * into e from emp where id = p; return e; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare\n"
                        "  type pair is record (a number, b varchar2(10));\n"
                        "  e emp%rowtype;\n"
                        "  p pair;\n"
                        "  function local_of(n number) return emp%rowtype is begin return emp_of(n); end;\n"
                        "begin\n"
                        "  e := emp_of(7);\n"
                        "  p := local_of(7);\n"
                        "  dbms_output.put_line(e.id || e.name || ' ' || p.a || p.b);\n"
                        "end;"),
              "7seven 7seven");
    // RETURN of a scalar, and a record of another shape.
    std::string out = output_of(
        "declare type one is record (a number); o one;"
        " function f return emp%rowtype is begin return 1; end; begin o := emp_of(7); end;");
    EXPECT_NE(out.find("PLS-00382"), std::string::npos) << out;
    EXPECT_NE(out.find("PLS-00382"), out.rfind("PLS-00382")) << "two errors expected\n" << out;
    // Missing row: the error of the function's SELECT INTO.
    out = output_of("declare e emp%rowtype; begin e := emp_of(8); end;");
    EXPECT_NE(out.find("ORA-01403"), std::string::npos) << out;
}

TEST_F(RecordFunctions, PackageAndStoredFunctionsReturnRecordsAndCollections) {
    ASSERT_EQ(s.exec("create package shapes is\n"
                     "  type pt is record (x number, y number);\n"
                     "  type pts is table of number;\n"
                     "  saved pts;\n"
                     "  function at(x number, y number) return pt;\n"
                     "  function moved(p pt, dx number) return pt;\n"
                     "  function upto(n number) return pts;\n"
                     "  function kept return pts;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create package body shapes is\n"
                     "  function at(x number, y number) return pt is p pt; begin p.x := x; p.y := y; return p; end;\n"
                     "  function moved(p pt, dx number) return pt is q pt := p; begin q.x := q.x + dx; return q; end;\n"
                     "  function upto(n number) return pts is c pts := pts();\n"
                     "  begin for i in 1..n loop c.extend; c(i) := i * i; end loop; return c; end;\n"
                     "  function kept return pts is c pts; begin saved := upto(2); c := saved; return c; end;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create function origin return shapes.pt is p shapes.pt; begin p.x := 0; p.y := 0;"
                     " return p; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare\n"
                        "  p shapes.pt := shapes.at(1, 2);\n"
                        "  c shapes.pts;\n"
                        "begin\n"
                        "  p := shapes.moved(p, 10);\n"
                        "  dbms_output.put_line(p.x || ',' || p.y);\n"
                        "  p := origin;\n"
                        "  c := shapes.kept;\n"
                        "  dbms_output.put_line(c.count || c(2));\n"
                        "  c := shapes.upto(4);\n"
                        "  dbms_output.put_line(p.x || ',' || p.y || ' ' || c.count || ' ' || c(3));\n"
                        "end;"),
              "11,2|24|0,0 4 9");
    // A schema-level collection type: in PL/SQL through a variable, in SQL as its value.
    ASSERT_EQ(s.exec("create type num_tab as table of number"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("create function squares(n number) return num_tab is c num_tab := num_tab();"
                     " begin for i in 1..n loop c.extend; c(i) := i * i; end loop; return c; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare c num_tab := squares(3); begin dbms_output.put_line(c.count || c(3)); end;"), "39");
    EXPECT_EQ(s.value("select sum(column_value) from table(squares(3))"), "14");
    // A record function is no value of SQL.
    EXPECT_EQ(s.exec("create function origin_x return number is begin return 1; end;"), OCI_SUCCESS);
    std::string out = output_of(
        "declare n number; begin select origin_x into n from dual;"
        " n := shapes.at(1, 2); end;");
    EXPECT_NE(out.find("PLS-00382"), std::string::npos) << out;
}

}  // namespace
