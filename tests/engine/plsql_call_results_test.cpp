// The results of PL/SQL functions returning records and collections used directly in
// expressions on the embedded engine: f(x).field, f(x)(i), f(x).count and the other
// collection methods, calls without parentheses, package and stored functions, and the
// errors of such uses; in SQL, what follows a call's result.
#include "oci_session.h"

namespace {

class CallResults : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    }

    std::string output_of(const std::string& block) { return server_output_of(s, block); }

    OciSession s;
};

const char kLocalDecls[] =
    "declare\n"
    "  type r_t is record (id number, name varchar2(10));\n"
    "  type n_t is table of number;\n"
    "  type a_t is table of varchar2(10) index by varchar2(5);\n"
    "  type rs_t is table of r_t;\n"
    "  calls number := 0;\n"
    "  function make(n number) return r_t is x r_t; begin calls := calls + 1; x.id := n;"
    " x.name := 'n' || n; return x; end;\n"
    "  function squares(n number) return n_t is c n_t := n_t();"
    " begin calls := calls + 1; for i in 1..n loop c.extend; c(i) := i * i; end loop; return c; end;\n"
    "  function three return n_t is begin return squares(3); end;\n"
    "  function names return a_t is a a_t; begin a('x') := 'ex'; a('y') := 'why'; return a; end;\n"
    "  function rows_of(n number) return rs_t is c rs_t := rs_t(); r r_t;"
    " begin for i in 1..n loop c.extend; r := make(i * 10); c(i) := r; end loop; return c; end;\n";

TEST_F(CallResults, RecordAndCollectionResultsTakeFieldsSubscriptsAndMethods) {
    const std::string decls = kLocalDecls;
    EXPECT_EQ(output_of(decls +
                        "begin\n"
                        "  dbms_output.put_line(make(4).id || make(5).name);\n"
                        "  dbms_output.put_line(squares(4).count || ' ' || squares(4)(3) || ' ' || squares(3).last);\n"
                        "  dbms_output.put_line(squares(3).first || squares(3).next(1) || squares(3).prior(3));\n"
                        "  if squares(3).exists(3) and not squares(3).exists(4) then dbms_output.put_line('ex');"
                        " end if;\n"
                        "  dbms_output.put_line(three.count || three().count || three()(2) || three.last);\n"
                        "  dbms_output.put_line(names()('y') || names.count || names.first);\n"
                        "  dbms_output.put_line(rows_of(3)(2).id || rows_of(2)(1).name || rows_of(4).count);\n"
                        "end;"),
              "4n5|4 9 3|122|ex|3343|why2x|20n104");
    // Each evaluation calls the function once per use, inside loops and subscripts too.
    EXPECT_EQ(output_of(decls +
                        "begin declare i number := 0; begin\n"
                        "  while i < squares(2).count loop i := i + 1; end loop;\n"
                        "  dbms_output.put_line(i || ' ' || calls);\n"
                        "  calls := 0;\n"
                        "  dbms_output.put_line(squares(squares(2)(2)).count || ' ' || squares(3)(squares(2)(1)));\n"
                        "  dbms_output.put_line(calls);\n"
                        "end; end;"),
              "2 3|4 1|4");
}

TEST_F(CallResults, RecursiveAndErrorRaisingCalls) {
    const std::string decls = kLocalDecls;
    // A recursive local function reading its own results.
    EXPECT_EQ(output_of("declare type n_t is table of number;\n"
                        "  function upto(n number) return n_t is c n_t;\n"
                        "  begin if n = 0 then c := n_t(); return c; end if; c := upto(n - 1); c.extend;"
                        " c(c.count) := n + upto(n - 1).count; return c; end;\n"
                        "begin dbms_output.put_line(upto(4).count || ' ' || upto(4)(4)); end;"),
              "4 7");
    // A subscript past the end, and an error inside the function, raise where they happen.
    std::string out = output_of(decls + "begin dbms_output.put_line(squares(2)(5)); end;");
    EXPECT_NE(out.find("ORA-06533"), std::string::npos) << out;
    out = output_of(decls +
                    "begin dbms_output.put_line(squares(2)(1)); dbms_output.put_line(make(1 / 0).id);\n"
                    "exception when zero_divide then dbms_output.put_line('caught'); end;");
    EXPECT_EQ(out, "1|caught");
}

TEST_F(CallResults, PackageAndStoredFunctions) {
    ASSERT_EQ(s.exec("create type num_tab as table of number"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("create table emp (id number, name varchar2(10))"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("insert into emp values (7, 'seven')"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("create function squares(n number := 2) return num_tab is c num_tab := num_tab();"
                     " begin for i in 1..n loop c.extend; c(i) := i * i; end loop; return c; end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create function emp_of(n number) return emp%rowtype is r emp%rowtype;"
                     " begin select * into r from emp where id = n; return r; end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create package shapes is type pt is record (x number, y number);"
                     " type pts is table of pt; type nums is varray(5) of number;"
                     " function at(a number, b number) return pt; function line(n number) return pts;"
                     " function evens return nums; function sum_x(n number) return number; end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create package body shapes is"
                     " function at(a number, b number) return pt is p pt; begin p.x := a; p.y := b; return p; end;"
                     " function line(n number) return pts is c pts := pts(); p pt;"
                      " begin for i in 1..n loop c.extend; p := at(i, -i); c(i) := p; end loop; return c; end;"
                     " function evens return nums is n nums := nums(2, 4, 6); begin return n; end;"
                     " function sum_x(n number) return number is t number := 0;"
                     " begin for i in 1..line(n).count loop t := t + line(n)(i).x; end loop; return t; end;"
                     " end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("begin\n"
                        "  dbms_output.put_line(squares(3).count || ' ' || squares(3)(3) || ' ' || squares.count);\n"
                        "  dbms_output.put_line(emp_of(7).name || emp_of(7).id);\n"
                        "  dbms_output.put_line(shapes.at(1, 2).y || shapes.line(3)(2).y || shapes.evens()(3));\n"
                        "  dbms_output.put_line(shapes.evens.limit || shapes.evens.count || shapes.sum_x(3));\n"
                        "end;"),
              "3 9 2|seven7|2-26|536");
    // A stored function reading its own results.
    ASSERT_EQ(s.exec("create function upto(n number) return num_tab is c num_tab := num_tab();"
                     " begin if n > 0 then c := upto(n - 1); c.extend; c(c.count) := n * 10 + upto(n - 1).count;"
                     " end if; return c; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("begin dbms_output.put_line(upto(3).count || ' ' || upto(3)(3)); end;"), "3 32");
    // No row for the %ROWTYPE function: its error, raised by the expression.
    std::string out = output_of("begin dbms_output.put_line(emp_of(8).name); end;");
    EXPECT_NE(out.find("ORA-01403"), std::string::npos) << out;
    // Unknown members and wrong arguments.
    out = output_of("begin dbms_output.put_line(shapes.at(1, 2).z); end;");
    EXPECT_NE(out.find("PLS-00302"), std::string::npos) << out;
    out = output_of("begin dbms_output.put_line(shapes.at(1).x); end;");
    EXPECT_NE(out.find("PLS-00306"), std::string::npos) << out;
    out = output_of("begin dbms_output.put_line(shapes.nosuch(1).x); end;");
    EXPECT_NE(out.find("PLS-00302"), std::string::npos) << out;
}

TEST_F(CallResults, ErrorsOfResultsUsedDirectly) {
    const std::string decls = kLocalDecls;
    struct Case {
        const char* body;
        const char* error;
    } cases[] = {
        {"dbms_output.put_line(make(1).nosuch);", "PLS-00302"},
        {"dbms_output.put_line(make('a', 2).id);", "PLS-00306"},
        {"dbms_output.put_line(squares(3)(1)(2));", "PLS-00382"},
        {"dbms_output.put_line(make(1)(2));", "PLS-00382"},
        {"dbms_output.put_line(make(1).exists(1));", "PLS-00382"},
        // A whole result still is no value of an expression.
        {"dbms_output.put_line(make(1));", "PLS-00382"},
        {"dbms_output.put_line(squares(3)());", "ORA-00907"},
    };
    for (const Case& c : cases) {
        std::string out = output_of(decls + "begin " + c.body + " end;");
        EXPECT_NE(out.find(c.error), std::string::npos) << c.body << "\n" << out;
    }
    // Assignment targets are not calls.
    std::string out = output_of(decls + "begin squares(3)(1) := 2; end;");
    EXPECT_NE(out.find("PLS-"), std::string::npos) << out;
}

TEST_F(CallResults, SqlRefusesMethodsAndSubscriptsOfResults) {
    ASSERT_EQ(s.exec("create type shape_t as object (sides number, name varchar2(10))"), OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create type num_tab as table of number"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select shape_t(4, 'sq').name from dual"), "sq");
    sb4 code = 0;
    EXPECT_NE(s.exec("select shape_t(4, 'sq').area() from dual"), OCI_SUCCESS);
    s.error_text(&code);
    EXPECT_EQ(code, 904);
    EXPECT_NE(s.exec("select num_tab(1, 2)(1) from dual"), OCI_SUCCESS);
    s.error_text(&code);
    EXPECT_EQ(code, 22806);
    EXPECT_NE(s.exec("select shape_t(4, 'sq').name.x from dual"), OCI_SUCCESS);
    s.error_text(&code);
    EXPECT_EQ(code, 22806);
    EXPECT_NE(s.exec("select shape_t(4) from dual"), OCI_SUCCESS);
    s.error_text(&code);
    EXPECT_EQ(code, 2315);
    // Methods and constructors a type declares run from its body: without one, ORA-04067.
    ASSERT_EQ(s.exec("create type box_t as object (side number, static function make(p number) return box_t,"
                     " member function area return number, constructor function box_t(a number, b number)"
                     " return self as result)"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create table boxes (id number, b box_t)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("insert into boxes values (1, box_t(5))"), OCI_SUCCESS) << s.error_text();
    for (const char* sql : {"select box_t(1, 2) from dual", "select box_t.make(2) from dual",
                            "select x.b.area() from boxes x", "select box_t(3).area() from dual"}) {
        EXPECT_NE(s.exec(sql), OCI_SUCCESS) << sql;
        s.error_text(&code);
        EXPECT_EQ(code, 4067) << sql;
    }
    EXPECT_EQ(s.value("select box_t(3).side from dual"), "3");
    std::string out = output_of("begin dbms_output.put_line(box_t(3).area()); end;");
    EXPECT_NE(out.find("ORA-04067: not executed, type body"), std::string::npos) << out;
}

}  // namespace
