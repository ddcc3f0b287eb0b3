// Local procedures and functions in PL/SQL on the embedded engine: parameters of every
// mode with defaults, overloads by argument count, forward declarations, recursion,
// the enclosing block's variables, locals of stored units and package bodies, and the
// errors Oracle gives for calls that do not fit or a local function in SQL.
#include "oci_session.h"

namespace {

class Locals : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    }

    std::string output_of(const std::string& block) { return server_output_of(s, block); }

    OciSession s;
};

TEST_F(Locals, ProceduresTakeInOutAndInOutParametersWithDefaults) {
    EXPECT_EQ(output_of("declare\n"
                        "  total number := 0;\n"
                        "  r varchar2(20);\n"
                        "  n number := 5;\n"
                        "  procedure add(x in number, times number := 1) is\n"
                        "  begin total := total + x * times; end;\n"
                        "  procedure describe(x in number, label out varchar2, counter in out number) is\n"
                        "  begin label := 'v' || x; counter := counter + 1; end describe;\n"
                        "begin\n"
                        "  add(2);\n"
                        "  add(3, 10);\n"
                        "  add(times => 100, x => 1);\n"
                        "  describe(total, r, n);\n"
                        "  dbms_output.put_line(total || ' ' || r || ' ' || n);\n"
                        "end;"),
              "132 v132 6");
}

TEST_F(Locals, FunctionsInExpressionsRecursionAndOverloads) {
    EXPECT_EQ(output_of("declare\n"
                        "  base number := 10;\n"
                        "  function fact(n number) return number is\n"
                        "  begin if n <= 1 then return 1; end if; return n * fact(n - 1); end;\n"
                        "  function fib(n number) return number is\n"
                        "  begin return case when n < 2 then n else fib(n - 1) + fib(n - 2) end; end;\n"
                        "  function plus(a number) return number is begin return a + base; end;\n"
                        "  function plus(a number, b number) return number is begin return a + b; end;\n"
                        "  function is_even(n number) return boolean is begin return mod(n, 2) = 0; end;\n"
                        "  function now_text return varchar2 is begin return 'now'; end;\n"
                        "begin\n"
                        "  dbms_output.put_line(fact(10) || ' ' || fib(15) || ' ' || plus(1) || ' ' || plus(1, 2));\n"
                        "  if is_even(4) and not is_even(3) then dbms_output.put_line('even ' || now_text); end if;\n"
                        "end;"),
              "3628800 610 11 3|even now");
}

TEST_F(Locals, ForwardDeclarationsAndMutualRecursion) {
    EXPECT_EQ(output_of("declare\n"
                        "  calls number := 0;\n"
                        "  function odd(n number) return boolean;\n"
                        "  function even(n number) return boolean is\n"
                        "  begin calls := calls + 1; if n = 0 then return true; end if; return odd(n - 1); end;\n"
                        "  function odd(n number) return boolean is\n"
                        "  begin calls := calls + 1; if n = 0 then return false; end if; return even(n - 1); end;\n"
                        "begin\n"
                        "  if odd(7) then dbms_output.put_line('odd ' || calls); end if;\n"
                        "end;"),
              "odd 8");
    // A forward declaration whose body never comes does not compile.
    std::string out = output_of("declare procedure p(a number); begin null; end;");
    EXPECT_NE(out.find("PLS-00328: A subprogram body must be defined for the forward declaration of P."),
              std::string::npos)
        << out;
}

TEST_F(Locals, EachActivationHasItsOwnLocals) {
    // The recursive call's own variable and parameter do not overwrite the caller's.
    EXPECT_EQ(output_of("declare\n"
                        "  procedure walk(depth number) is\n"
                        "    mine varchar2(10) := 'd' || depth;\n"
                        "  begin\n"
                        "    if depth < 3 then walk(depth + 1); end if;\n"
                        "    dbms_output.put_line(mine || ':' || depth);\n"
                        "  end;\n"
                        "begin walk(1); end;"),
              "d3:3|d2:2|d1:1");
}

TEST_F(Locals, RecursiveCallsInsideCursorLoopsKeepTheCallersRows) {
    ASSERT_EQ(s.exec("create table tree (id number, parent number)"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("insert into tree select 1, null from dual union all select 2, 1 from dual union all"
                     " select 3, 1 from dual union all select 4, 2 from dual union all select 5, 3 from dual"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare\n"
                        "  procedure walk(p number, depth number) is\n"
                        "  begin\n"
                        "    for r in (select id from tree where parent = p order by id) loop\n"
                        "      dbms_output.put_line(lpad(' ', depth) || r.id);\n"
                        "      walk(r.id, depth + 1);\n"
                        "    end loop;\n"
                        "  end;\n"
                        "begin walk(1, 0); end;"),
              "2| 4|3| 5");
}

TEST_F(Locals, ErrorsInsideLocalsReachTheCallersHandlers) {
    EXPECT_EQ(output_of("declare\n"
                        "  oops exception;\n"
                        "  function f(n number) return number is begin if n > 0 then raise oops; end if;"
                        " return 1 / n; end;\n"
                        "  procedure p is x number; begin select 1 into x from dual where 1 = 0; end;\n"
                        "begin\n"
                        "  begin dbms_output.put_line(f(1)); exception when oops then dbms_output.put_line('oops'); end;\n"
                        "  begin dbms_output.put_line(f(0)); exception when zero_divide then"
                        " dbms_output.put_line('zero'); end;\n"
                        "  begin p; exception when no_data_found then dbms_output.put_line('none'); end;\n"
                        "end;"),
              "oops|zero|none");
    // Unhandled: the error stack names the line inside the local and the line of the call.
    ASSERT_NE(s.exec("declare\n"
                     "  procedure p is\n"
                     "  begin\n"
                     "    raise_application_error(-20001, 'inner');\n"
                     "  end;\n"
                     "begin\n"
                     "  p;\n"
                     "end;"),
              OCI_SUCCESS);
    EXPECT_EQ(s.error_text(), "ORA-20001: inner\nORA-06512: at line 4\nORA-06512: at line 7\n");
    // A function that ends without RETURN.
    std::string out = output_of("declare n number; function f return number is begin null; end;"
                                " begin n := f; end;");
    EXPECT_NE(out.find("ORA-06503"), std::string::npos) << out;
}

TEST_F(Locals, CallsThatDoNotFitAreCompileErrors) {
    struct Case {
        const char* block;
        const char* error;
    } cases[] = {
        {"declare procedure p(a number) is begin null; end; begin p(1, 2); end;",
         "PLS-00306: wrong number or types of arguments in call to 'P'"},
        {"declare procedure p(a number) is begin null; end; begin p; end;",
         "PLS-00306: wrong number or types of arguments in call to 'P'"},
        {"declare function f return number is begin return 1; end; begin f; end;",
         "PLS-00221: 'F' is not a procedure or is undefined"},
        {"declare n number; procedure p is begin null; end; begin n := p; end;",
         "PLS-00222: no function with name 'P' exists in this scope"},
        {"declare n number; function f(a number) return number is begin return a; end;"
         " begin n := f(1, 2); end;",
         "PLS-00306: wrong number or types of arguments in call to 'F'"},
        // SQL cannot reach what a block declares.
        {"declare n number; function f return number is begin return 1; end;"
         " begin select f into n from dual; end;",
         "PLS-00231: function 'F' may not be used in SQL"},
        {"declare n number; function f(a number) return number is begin return a; end;"
         " begin select f(1) into n from dual; end;",
         "PLS-00231: function 'F' may not be used in SQL"},
        // Variables come before the subprograms.
        {"declare procedure p is begin null; end; n number; begin null; end;", "PLS-00103"},
        // A local's names are not visible outside it.
        {"declare procedure p(a number) is inner number; begin null; end; begin inner := 1; end;",
         "PLS-00201: identifier 'INNER' must be declared"},
    };
    for (const Case& c : cases) {
        std::string out = output_of(c.block);
        EXPECT_NE(out.find(c.error), std::string::npos) << c.block << "\n" << out;
    }
}

TEST_F(Locals, LocalsOfStoredUnitsAndPackageBodies) {
    ASSERT_EQ(s.exec("create or replace function sum_to(n number) return number is\n"
                     "  acc number := 0;\n"
                     "  procedure step(k number) is begin acc := acc + k; end;\n"
                     "begin\n"
                     "  for i in 1 .. n loop step(i); end loop;\n"
                     "  return acc;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package pk is function twice(n number) return number; end;"), OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body pk is\n"
                     "  function twice(n number) return number is\n"
                     "    function half_of(m number) return number is begin return m / 2; end;\n"
                     "  begin return n * 4 / half_of(4); end;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("begin dbms_output.put_line(sum_to(4) || ' ' || pk.twice(21)); end;"), "10 42");
    EXPECT_EQ(s.value("select sum_to(100) from dual"), "5050");
    // A stored procedure's local failing: the stack names the unit.
    ASSERT_EQ(s.exec("create or replace procedure boom is\n"
                     "  procedure inner_p is\n"
                     "  begin\n"
                     "    raise_application_error(-20002, 'x');\n"
                     "  end;\n"
                     "begin\n"
                     "  inner_p;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_NE(s.exec("begin boom; end;"), OCI_SUCCESS);
    EXPECT_NE(s.error_text().find("ORA-06512: at \"SCOTT.BOOM\", line 4\nORA-06512: at \"SCOTT.BOOM\", line 7\n"
                                  "ORA-06512: at line 1"),
              std::string::npos)
        << s.error_text();
}

TEST_F(Locals, ErrorStackListsTheInnermostCallFirst) {
    ASSERT_EQ(s.exec("create or replace procedure c_in is\nbegin\n  raise_application_error(-20003, 'deep');\nend;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace procedure b_mid is\nbegin\n  null;\n  c_in;\nend;"), OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace procedure a_out is\nbegin\n  b_mid;\nend;"), OCI_SUCCESS) << s.error_text();
    ASSERT_NE(s.exec("begin\n  a_out;\nend;"), OCI_SUCCESS);
    EXPECT_EQ(s.error_text(),
              "ORA-20003: deep\nORA-06512: at \"SCOTT.C_IN\", line 3\nORA-06512: at \"SCOTT.B_MID\", line 4\n"
              "ORA-06512: at \"SCOTT.A_OUT\", line 3\nORA-06512: at line 2\n");
}

}  // namespace

namespace {

TEST_F(Locals, IntegerSubtypesKeepTheirRanges) {
    struct Case {
        const char* block;
        const char* result;
    };
    const Case cases[] = {
        {"declare s simple_integer := 2147483647; begin s := s + 1; dbms_output.put_line(s); end;", "-2147483648"},
        {"declare s simple_integer := -2147483648; begin s := s - 1; dbms_output.put_line(s); end;", "2147483647"},
        {"declare p pls_integer := 2147483647; begin p := p + 1; end;",
         "error: ORA-01426: numeric overflow\nORA-06512: at line 1\n"},
        {"declare p binary_integer := -2147483648; begin p := p - 1; end;",
         "error: ORA-01426: numeric overflow\nORA-06512: at line 1\n"},
        {"declare p pls_integer := 2.5; begin dbms_output.put_line(p); end;", "3"},
        {"declare n natural := 0; begin n := n - 1; end;",
         "error: ORA-06502: PL/SQL: numeric or value error\nORA-06512: at line 1\n"},
        {"declare n positive := 1; begin n := 0; end;",
         "error: ORA-06502: PL/SQL: numeric or value error\nORA-06512: at line 1\n"},
        {"declare n signtype := -1; begin n := 2; end;",
         "error: ORA-06502: PL/SQL: numeric or value error\nORA-06512: at line 1\n"},
        {"declare n naturaln := 5; begin n := null; end;",
         "error: ORA-06502: PL/SQL: numeric or value error\nORA-06512: at line 1\n"},
        {"declare n positive; begin dbms_output.put_line(nvl(n, 7)); end;", "7"},
        {"declare s simple_integer; begin null; end;",
         "error: ORA-06550: line 1, column 25:\nPLS-00218: a variable declared NOT NULL must have an initialization "
         "assignment\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(output_of(c.block), c.result) << c.block;
}

TEST_F(Locals, BinaryVariablesReachSqlAsBinary) {
    ASSERT_EQ(s.exec("create table bin_vars (n number, d binary_double, f binary_float)"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(output_of("declare\n"
                        "  d binary_double := 1/3; f binary_float := 0.1; s varchar2(100);\n"
                        "begin\n"
                        "  select dump(d) || ' ' || dump(f) into s from dual; dbms_output.put_line(s);\n"
                        "  select dump(d * 3) into s from dual; dbms_output.put_line(s);\n"
                        "  insert into bin_vars values (1, d, f);\n"
                        "  d := binary_double_infinity; f := -d;\n"
                        "  insert into bin_vars values (2, d, f);\n"
                        "  execute immediate 'insert into bin_vars values (3, :a, :b)' using d / 2, f * 2;\n"
                        "  d := 0.1d + 0.2d;\n"
                        "  dbms_output.put_line(case when d = 0.3d then 'equal' else 'differ' end);\n"
                        "end;"),
              "Typ=101 Len=8: 191,213,85,85,85,85,85,85 Typ=100 Len=4: 189,204,204,205|"
              "Typ=101 Len=8: 191,240,0,0,0,0,0,0|differ");
    EXPECT_EQ(s.rows("select n || ' ' || dump(d) || ' ' || dump(f) from bin_vars order by n"),
              (std::vector<std::string>{"1 Typ=101 Len=8: 191,213,85,85,85,85,85,85 Typ=100 Len=4: 189,204,204,205",
                    "2 Typ=101 Len=8: 255,240,0,0,0,0,0,0 Typ=100 Len=4: 0,127,255,255",
                    "3 Typ=101 Len=8: 255,240,0,0,0,0,0,0 Typ=100 Len=4: 0,127,255,255"}));
    // Read back into variables, an infinity stays one; a float too large is ORA-01426.
    EXPECT_EQ(output_of("declare d binary_double; f binary_float; begin"
                        " select d, f into d, f from bin_vars where n = 2;"
                        " dbms_output.put_line(case when d > 1e125 and f < -1e125 then 'infinite' end); end;"),
              "infinite");
    EXPECT_EQ(output_of("declare f binary_float; begin f := 1e300; end;"),
              "error: ORA-01426: numeric overflow\nORA-06512: at line 1\n");
}

}  // namespace
