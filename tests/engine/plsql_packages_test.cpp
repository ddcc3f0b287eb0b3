// Packages on the embedded engine: header and body stored as two objects, package
// state per session, initialisation sections, private members, overload resolution,
// package functions in SQL, the errors of a body that does not match its
// header, argument rows for describe, and dependants made invalid and compiled
// again. The catalog tables are read straight from the database file.
#include "catalog_rows.h"
#include "oci_session.h"

namespace {

class Packages : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test_against_oracle()) GTEST_SKIP() << "reads the embedded engine's catalog tables";
    home = test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect("scott", "tiger", "packages"), OCI_SUCCESS) << s.error_text();
  }

  std::vector<std::string> catalog_rows(const std::string& sql) { return catalog_file_rows(home, "packages", sql); }

  // Runs a block that sets :out and returns its text.
  std::string out_of(OciSession& session, const std::string& block) {
    OciStatement st(session, block);
    char out[256] = "";
    OCIBind* b = nullptr;
    session.oci->OCIBindByName(st.stmt, &b, session.err, reinterpret_cast<const OraText*>(":out"), -1, out,
                               sizeof out, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    if (st.execute(1) != OCI_SUCCESS) return "error: " + session.error_text();
    return out;
  }

  void create_counter() {
    ASSERT_EQ(s.exec("create or replace package counter is\n"
                     "  step constant number := 10;\n"
                     "  total number := 0;\n"
                     "  overflow exception;\n"
                     "  procedure add(n number);\n"
                     "  procedure add(t varchar2);\n"
                     "  function current return number;\n"
                     "end counter;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body counter is\n"
                     "  calls number;\n"
                     "  procedure note is\n"
                     "  begin\n"
                     "    calls := calls + 1;\n"
                     "  end;\n"
                     "  procedure add(n number) is\n"
                     "  begin\n"
                     "    note;\n"
                     "    if total + n > 100 then\n"
                     "      raise overflow;\n"
                     "    end if;\n"
                     "    total := total + n;\n"
                     "  end;\n"
                     "  procedure add(t varchar2) is\n"
                     "  begin\n"
                     "    add(length(t) * step);\n"
                     "  end;\n"
                     "  function current return number is\n"
                     "  begin\n"
                     "    return total * 1000 + calls;\n"
                     "  end;\n"
                     "begin\n"
                     "  calls := 0;\n"
                     "  total := 1;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
  }

  std::string home;
  OciSession s;
};

TEST_F(Packages, HeaderAndBodyAreTwoObjectsWithTheirOwnSource) {
  create_counter();
  EXPECT_EQ(catalog_rows("select type, status from vantro_plsql_objects where name = 'COUNTER' order by type"),
            (std::vector<std::string>{"PACKAGE|VALID", "PACKAGE BODY|VALID"}));
  EXPECT_EQ(catalog_rows("select type, line, text from vantro_plsql_source where name = 'COUNTER' and line = 1"
                         " order by type"),
            (std::vector<std::string>{"PACKAGE|1|package counter is\n", "PACKAGE BODY|1|package body counter is\n"}));
  EXPECT_EQ(s.exec("create package counter is x number; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 955);
  EXPECT_EQ(s.exec("create procedure counter is begin null; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 955);
  EXPECT_EQ(s.exec("drop package body counter"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(catalog_rows("select type from vantro_plsql_objects where name = 'COUNTER'"),
            std::vector<std::string>{"PACKAGE"});
  EXPECT_EQ(s.exec("begin counter.add(1); end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-04067: not executed, package body \"SCOTT.COUNTER\" does not exist\n"
            "ORA-06508: PL/SQL: could not find program unit being called: \"SCOTT.COUNTER\"\n"
            "ORA-06512: at line 1\n");
  EXPECT_EQ(s.exec("drop package counter"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(catalog_rows("select count(*) from vantro_plsql_objects where name = 'COUNTER'"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(catalog_rows("select count(*) from vantro_plsql_arguments where package_name = 'COUNTER'"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(s.exec("drop package counter"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-04043: object COUNTER does not exist\n");
}

TEST_F(Packages, StateLastsForTheSessionAndStartsAfreshInAnother) {
  create_counter();
  EXPECT_EQ(out_of(s, "begin counter.add(5); counter.add(2); :out := counter.current; end;"), "8002");
  EXPECT_EQ(out_of(s, "begin counter.add('ab'); :out := counter.total || ' ' || counter.step; end;"), "28 10");
  EXPECT_EQ(s.value("select counter.current() from dual"), "28003");
  EXPECT_EQ(out_of(s, "begin counter.total := 90; :out := counter.current; end;"), "90003");
  // The package's own exception reaches the caller, who can name it.
  EXPECT_EQ(out_of(s, "begin counter.add(50); exception when counter.overflow then :out := 'overflow'; end;"),
            "overflow");
  EXPECT_EQ(s.exec("begin\n  counter.add(50);\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06510: PL/SQL: unhandled user-defined exception\nORA-06512: at \"SCOTT.COUNTER\", line 11\n"
            "ORA-06512: at line 2\n");
  EXPECT_EQ(s.exec("begin counter.step := 1; end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00363: expression 'COUNTER.STEP' cannot be used as an assignment target"),
            std::string::npos)
      << s.error_text();
  OciSession other;
  ASSERT_EQ(other.connect("scott", "tiger", "packages"), OCI_SUCCESS) << other.error_text();
  EXPECT_EQ(out_of(other, "begin :out := counter.current; end;"), "1000");
  EXPECT_EQ(out_of(s, "begin :out := counter.current; end;"), "90005");
  // Replacing the body discards the state built from the old one.
  ASSERT_EQ(s.exec("alter package counter compile body"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("create or replace package body counter is\n"
                   "  procedure add(n number) is begin total := total - n; end;\n"
                   "  procedure add(t varchar2) is begin null; end;\n"
                   "  function current return number is begin return total; end;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.exec("begin counter.add(3); end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-04068: existing state of packages has been discarded\n"
            "ORA-04061: existing state of package body \"SCOTT.COUNTER\" has been invalidated\n"
            "ORA-04065: not executed, altered or dropped package body \"SCOTT.COUNTER\"\n"
            "ORA-06508: PL/SQL: could not find program unit being called: \"SCOTT.COUNTER\"\n"
            "ORA-06512: at line 1\n");
  EXPECT_EQ(out_of(s, "begin counter.add(3); :out := counter.current; end;"), "-3");
}

TEST_F(Packages, OverloadsAreChosenByArgumentCountAndType) {
  ASSERT_EQ(s.exec("create package shapes is\n"
                   "  function area(side number) return number;\n"
                   "  function area(w number, h number) return number;\n"
                   "  function area(name varchar2) return number;\n"
                   "  procedure show(n number);\n"
                   "  procedure show(d date);\n"
                   "  procedure show(a number, b number default 0);\n"
                   "  function label(n number) return varchar2;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create package body shapes is\n"
                   "  function area(side number) return number is begin return side * side; end;\n"
                   "  function area(w number, h number) return number is begin return w * h; end;\n"
                   "  function area(name varchar2) return number is begin return length(name); end;\n"
                   "  procedure show(n number) is begin dbms_output.put_line('number ' || n); end;\n"
                   "  procedure show(d date) is begin dbms_output.put_line('date'); end;\n"
                   "  procedure show(a number, b number default 0) is begin dbms_output.put_line('two'); end;\n"
                   "  function label(n number) return varchar2 is begin return 'area ' || area(n); end;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select shapes.area(3) || ',' || shapes.area(2, 5) || ',' || shapes.area('abcd') from dual"),
            "9,10,4");
  EXPECT_EQ(s.value("select scott.shapes.label(4) from dual"), "area 16");
  EXPECT_EQ(out_of(s, "begin :out := shapes.area(6) + shapes.area(1, 2); end;"), "38");
  ASSERT_EQ(s.exec("begin dbms_output.enable; shapes.show(sysdate); shapes.show(1, 2); end;"), OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(out_of(s, "declare st number; begin dbms_output.get_line(:out, st); end;"), "date");
  EXPECT_EQ(out_of(s, "declare st number; begin dbms_output.get_line(:out, st); end;"), "two");
  EXPECT_EQ(s.exec("begin shapes.show(1); end;"), OCI_ERROR) << "show(number) and show(a, b default) both fit";
  EXPECT_EQ(s.error_text(),
            "ORA-06550: line 1, column 7:\nPLS-00307: too many declarations of 'SHOW' match this call\n"
            "ORA-06550: line 1, column 7:\nPL/SQL: Statement ignored\n");
  EXPECT_EQ(s.exec("begin shapes.show(1, 2, 3); end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00306: wrong number or types of arguments in call to 'SHOW'"),
            std::string::npos);
  EXPECT_EQ(s.exec("begin shapes.nothing(1); end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00302: component 'NOTHING' must be declared"), std::string::npos)
      << s.error_text();
}

TEST_F(Packages, ArgumentRowsNumberOverloadsAndSubprograms) {
  ASSERT_EQ(s.exec("create package api is\n"
                   "  procedure put(n number);\n"
                   "  procedure put(t varchar2, flag boolean default true);\n"
                   "  function size_of(t in varchar2) return pls_integer;\n"
                   "  procedure reset;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(catalog_rows("select package_name, object_name, coalesce(overload, '-'), subprogram_id, position,"
                         " sequence, data_level, coalesce(argument_name, '-'), coalesce(data_type, '-'), in_out,"
                         " coalesce(defaulted, '-') from vantro_plsql_arguments where package_name = 'API'"
                         " order by object_name, overload, position"),
            (std::vector<std::string>{
                "API|PUT|1|1|1|1|0|N|NUMBER|IN|N",
                "API|PUT|2|2|1|1|0|T|VARCHAR2|IN|N",
                "API|PUT|2|2|2|2|0|FLAG|PL/SQL BOOLEAN|IN|Y",
                "API|RESET|-|4|1|0|0|-|-|IN|-",
                "API|SIZE_OF|-|3|0|1|0|-|BINARY_INTEGER|OUT|N",
                "API|SIZE_OF|-|3|1|2|0|T|VARCHAR2|IN|N",
            }));
  EXPECT_EQ(catalog_rows("select count(distinct object_id) from vantro_plsql_arguments where package_name = 'API'"),
            std::vector<std::string>{"1"});
}

// A %TYPE parameter stands for its column's or variable's type wherever it follows
// other declarations of the header: the body matches it, and the argument rows (and so
// overloads chosen by them) show that type.
TEST_F(Packages, AnchoredParametersMatchTheirBodyAndShowTheirType) {
  ASSERT_EQ(s.exec("create table staff (id number(4), name varchar2(10))"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("create package hr is\n"
                   "  type pair is record (a number);\n"
                   "  hits number := 0;\n"
                   "  function name_of(p_id in staff.id%type) return staff.name%type;\n"
                   "  procedure rename(p_name staff.name%type, p_hits hits%type);\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create package body hr is\n"
                   "  function name_of(p_id in staff.id%type) return staff.name%type is\n"
                   "  begin\n"
                   "    return 'N' || p_id;\n"
                   "  end;\n"
                   "  procedure rename(p_name staff.name%type, p_hits hits%type) is\n"
                   "  begin\n"
                   "    hits := p_hits;\n"
                   "  end;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(catalog_rows("select type, status from vantro_plsql_objects where name = 'HR' order by type"),
            (std::vector<std::string>{"PACKAGE|VALID", "PACKAGE BODY|VALID"}));
  EXPECT_EQ(catalog_rows("select object_name, position, coalesce(argument_name, '-'), data_type from"
                         " vantro_plsql_arguments where package_name = 'HR' order by object_name, position"),
            (std::vector<std::string>{"NAME_OF|0|-|VARCHAR2", "NAME_OF|1|P_ID|NUMBER", "RENAME|1|P_NAME|VARCHAR2",
                                      "RENAME|2|P_HITS|NUMBER"}));
  EXPECT_EQ(out_of(s, "begin hr.rename('x', 3); :out := hr.name_of(7) || '/' || hr.hits; end;"), "N7/3");
  // A body whose parameter has another type than the header's anchor does not match.
  EXPECT_EQ(s.exec("create or replace package body hr is\n"
                   "  function name_of(p_id in staff.name%type) return staff.name%type is begin return p_id; end;\n"
                   "  procedure rename(p_name staff.name%type, p_hits hits%type) is begin null; end;\n"
                   "end;"),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(catalog_rows("select line, text from vantro_plsql_errors where name = 'HR' and type = 'PACKAGE BODY'"),
            std::vector<std::string>{"4|PLS-00323: subprogram or cursor 'NAME_OF' is declared in a package header "
                                     "and must be defined in the package body"});
}

// A header may declare a cursor with its row type only; the body gives its query.
TEST_F(Packages, AHeaderCursorGetsItsQueryInTheBody) {
  ASSERT_EQ(s.exec("create table staff (id number, name varchar2(10))"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("insert into staff values (1, 'ANN')"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("insert into staff values (2, 'BOB')"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create package roster is\n  cursor by_id(p number) return staff%rowtype;\n"
                   "  function names return varchar2;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create package body roster is\n"
                   "  cursor by_id(p number) return staff%rowtype is select * from staff where id >= p order by id;\n"
                   "  function names return varchar2 is v varchar2(100); begin\n"
                   "    for r in by_id(1) loop v := v || r.name || ' '; end loop; return v; end;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select roster.names() from dual"), "ANN BOB ");
  EXPECT_EQ(s.exec("create package lonely is\n  cursor c return staff%rowtype;\nend;"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("create package body lonely is\n  x number;\nend;"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(catalog_rows("select line, position, text from vantro_plsql_errors where name = 'LONELY'"),
            std::vector<std::string>{"2|3|PLS-00323: subprogram or cursor 'C' is declared in a package header and "
                                     "must be defined in the package body"});
}

TEST_F(Packages, ABodyThatDoesNotMatchItsHeaderIsInvalid) {
  ASSERT_EQ(s.exec("create package acct is\n  procedure open(n number);\n  function balance return number;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.exec("create package body acct is\n"
                   "  procedure open(n varchar2) is begin null; end;\n"
                   "end;"),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.error_text(), "ORA-24344: success with compilation error\n");
  EXPECT_EQ(catalog_rows("select line, position, text from vantro_plsql_errors where name = 'ACCT' and"
                         " type = 'PACKAGE BODY' order by sequence"),
            (std::vector<std::string>{
                "2|13|PLS-00323: subprogram or cursor 'OPEN' is declared in a package header and must be "
                "defined in the package body",
                "3|12|PLS-00323: subprogram or cursor 'BALANCE' is declared in a package header and must be "
                "defined in the package body"}));
  EXPECT_EQ(catalog_rows("select type, status from vantro_plsql_objects where name = 'ACCT' order by type"),
            (std::vector<std::string>{"PACKAGE|VALID", "PACKAGE BODY|INVALID"}));
  EXPECT_EQ(s.exec("begin acct.open(1); end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-04063: package body \"SCOTT.ACCT\" has errors\n"
            "ORA-06508: PL/SQL: could not find program unit being called: \"SCOTT.ACCT\"\n"
            "ORA-06512: at line 1\n");
  EXPECT_EQ(s.exec("create package body nospec is procedure p is begin null; end; end;"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(catalog_rows("select text from vantro_plsql_errors where name = 'NOSPEC'"),
            std::vector<std::string>{"PLS-00304: cannot compile body of 'NOSPEC' without its package header"});
  EXPECT_EQ(s.exec("create package broken is procedure p(x undefined_type); end;"), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.exec("begin broken.p(1); end;"), OCI_ERROR);
  EXPECT_NE(s.error_text().find("PLS-00905: object SCOTT.BROKEN is invalid"), std::string::npos) << s.error_text();
}

TEST_F(Packages, DependantsBecomeInvalidAndCompileAgainWhenCalled) {
  ASSERT_EQ(s.exec("create function base_rate return number is begin return 2; end;"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create function price(n number) return number is begin return n * base_rate; end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create procedure show_price is begin dbms_output.put_line(price(10)); end;"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create or replace function base_rate return number is begin return 3; end;"), OCI_SUCCESS);
  EXPECT_EQ(catalog_rows("select name, status from vantro_plsql_objects order by name"),
            (std::vector<std::string>{"BASE_RATE|VALID", "PRICE|INVALID", "SHOW_PRICE|INVALID"}));
  EXPECT_EQ(s.value("select price(2) from dual"), "6");
  EXPECT_EQ(catalog_rows("select name, status from vantro_plsql_objects where name = 'PRICE'"),
            std::vector<std::string>{"PRICE|VALID"});
  ASSERT_EQ(s.exec("begin dbms_output.enable; show_price; end;"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(out_of(s, "declare st number; begin dbms_output.get_line(:out, st); end;"), "30");
  EXPECT_EQ(catalog_rows("select status from vantro_plsql_objects where name = 'SHOW_PRICE'"),
            std::vector<std::string>{"VALID"});
  // Without what it calls, a dependant cannot compile and its callers are told so.
  ASSERT_EQ(s.exec("drop function base_rate"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("begin show_price; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06550: line 1, column 7:\nPLS-00905: object SCOTT.SHOW_PRICE is invalid\n"
            "ORA-06550: line 1, column 7:\nPL/SQL: Statement ignored\n");
  EXPECT_EQ(s.value("select price(1) from dual"), "error: ORA-06575: Package or function PRICE is in an invalid state\n");
  EXPECT_EQ(catalog_rows("select text from vantro_plsql_errors where name = 'PRICE'"),
            (std::vector<std::string>{"PLS-00201: identifier 'BASE_RATE' must be declared",
                                      "PL/SQL: Statement ignored"}));
}

TEST_F(Packages, DictionaryViewsShowPackagesAndDescribeListsTheirMembers) {
  ASSERT_EQ(s.exec("create package api is\n"
                   "  procedure put(n number);\n"
                   "  procedure put(t varchar2, flag boolean default true);\n"
                   "  function size_of(t in varchar2) return pls_integer;\n"
                   "  procedure reset;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create package body api is\n"
                   "  procedure put(n number) is begin null; end;\n"
                   "  procedure put(t varchar2, flag boolean default true) is begin null; end;\n"
                   "  function size_of(t in varchar2) return pls_integer is begin return length(t); end;\n"
                   "  procedure reset is begin x; end;\n"
                   "end;"),
            OCI_SUCCESS_WITH_INFO);
  // The console's describe query for a package.
  EXPECT_EQ(s.rows("select decode(overload,null,object_name,object_name||' ('||to_char(overload)||')')||"
                   "decode(position,0,' (FUNCTION)','') procedure,nvl(argument_name,decode(in_out,'OUT',"
                   "'<return value>','<none>')) argument,in_out,decode(type_subname,null,decode(data_type,"
                   "'VARCHAR2',decode(data_length,null,data_type,data_type||' ('||data_length||')'),data_type),"
                   "data_type||' ('||type_subname||')') datatype from all_arguments where owner='SCOTT' and"
                   " package_name='API' order by object_name,overload,position"),
            (std::vector<std::string>{"PUT (1)|N|IN|NUMBER", "PUT (2)|T|IN|VARCHAR2", "PUT (2)|FLAG|IN|PL/SQL BOOLEAN",
                                      "RESET|<none>|IN|<null>", "SIZE_OF (FUNCTION)|<return value>|OUT|BINARY_INTEGER",
                                      "SIZE_OF|T|IN|VARCHAR2"}));
  EXPECT_EQ(s.rows("select object_name, subprogram_id, defaulted from user_arguments where package_name = 'API'"
                   " and position = 1 order by subprogram_id"),
            (std::vector<std::string>{"PUT|1|N", "PUT|2|N", "SIZE_OF|3|N", "RESET|4|<null>"}));
  EXPECT_EQ(s.rows("select object_type, status from user_objects where object_name = 'API' order by object_type"),
            (std::vector<std::string>{"PACKAGE|VALID", "PACKAGE BODY|INVALID"}));
  EXPECT_EQ(s.rows("select type, line, position, text from user_errors where name = 'API' order by sequence"),
            (std::vector<std::string>{"PACKAGE BODY|5|28|PLS-00201: identifier 'X' must be declared",
                                      "PACKAGE BODY|5|28|PL/SQL: Statement ignored"}));
  EXPECT_EQ(s.rows("select type, count(*) from user_source where name = 'API' group by type order by type"),
            (std::vector<std::string>{"PACKAGE|6", "PACKAGE BODY|6"}));
  ASSERT_EQ(s.exec("create table t (n number)"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create trigger t_bi before insert or delete on t for each row when (new.n > 0)\n"
                   "begin null; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.rows("select trigger_name, trigger_type, triggering_event, table_owner, table_name, when_clause,"
                   " status, trigger_body from all_triggers where owner = 'SCOTT'"),
            std::vector<std::string>{"T_BI|BEFORE EACH ROW|INSERT OR DELETE|SCOTT|T|new.n > 0|ENABLED|"
                                     "begin null; end;"});
  EXPECT_EQ(s.rows("select object_type, status from user_objects where object_name = 'T_BI'"),
            std::vector<std::string>{"TRIGGER|VALID"});
}

TEST_F(Packages, AUnitsOwnExceptionIsNotACallersException) {
  ASSERT_EQ(s.exec("create procedure fails is\n  oops exception;\nbegin\n  raise oops;\nend;"), OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(out_of(s, "declare\n  mine exception;\nbegin\n  fails;\nexception\n  when mine then :out := 'mine';\n"
                      "  when others then :out := 'others ' || sqlcode;\nend;"),
            "others 1");
}

TEST_F(Packages, PrivateFunctionsAndAFailingInitialisation) {
  ASSERT_EQ(s.exec("create package calc is\n  function twice_plus(n number) return number;\n  base number;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create package body calc is\n"
                   "  function twice(n number) return number is begin return n * 2; end;\n"
                   "  function twice_plus(n number) return number is begin return twice(n) + base; end;\n"
                   "begin\n"
                   "  select 1 / (select count(*) from dual where 1 = 0) into base from dual;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.exec("begin\n  dbms_output.put_line(calc.twice_plus(1));\nend;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-01476: divisor is equal to zero\nORA-06512: at \"SCOTT.CALC\", line 5\nORA-06512: at line 2\n");
  ASSERT_EQ(s.exec("create or replace package body calc is\n"
                   "  function twice(n number) return number is begin return n * 2; end;\n"
                   "  function twice_plus(n number) return number is begin return twice(n) + base; end;\n"
                   "begin\n  base := 100;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select calc.twice_plus(4) from dual"), "108");
  EXPECT_EQ(s.exec("select calc.twice(4) from dual"), OCI_ERROR) << "a private function is not visible outside";
  EXPECT_EQ(s.error_code(), 904);
}

TEST_F(Packages, AHeaderWithoutBodyHoldsVariablesAndConstants) {
  ASSERT_EQ(s.exec("create package consts is\n  pi constant number := 3.14;\n  hits pls_integer := 0;\n"
                   "  flag boolean := true;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(out_of(s, "begin consts.hits := consts.hits + 1; if consts.flag then :out := consts.pi * 2 || '/' ||"
                      " consts.hits; end if; end;"),
            "6.28/1");
  EXPECT_EQ(out_of(s, "begin consts.hits := consts.hits + 1; :out := consts.hits; end;"), "2");
  EXPECT_EQ(s.exec("begin :x := consts.nothing; end;"), OCI_ERROR);
  EXPECT_EQ(s.error_text(),
            "ORA-06550: line 1, column 20:\nPLS-00302: component 'NOTHING' must be declared\n"
            "ORA-06550: line 1, column 7:\nPL/SQL: Statement ignored\n");
}

}  // namespace
