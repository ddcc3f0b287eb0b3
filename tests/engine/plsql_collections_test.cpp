// PL/SQL collections on the embedded engine: associative arrays indexed by integers and
// by text, nested tables and varrays with their constructors and methods, sparse
// iteration, collection values copied on assignment, and Oracle's errors for null
// collections, subscripts out of range and the methods a kind of collection lacks.
#include "oci_session.h"

namespace {

class Collections : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    }

    std::string output_of(const std::string& block) { return server_output_of(s, block); }

    OciSession s;
};

TEST_F(Collections, AssociativeArraysAreSparseAndOrderedByKey) {
    EXPECT_EQ(output_of("declare\n"
                        "  type num_tab is table of number index by pls_integer;\n"
                        "  a num_tab;\n"
                        "  i pls_integer;\n"
                        "begin\n"
                        "  a(10) := 100; a(-5) := -50; a(3) := 30; a(3) := 33;\n"
                        "  dbms_output.put_line(a.count || ' ' || a.first || ' ' || a.last);\n"
                        "  i := a.first;\n"
                        "  while i is not null loop\n"
                        "    dbms_output.put_line(i || '=' || a(i));\n"
                        "    i := a.next(i);\n"
                        "  end loop;\n"
                        "  dbms_output.put_line(a.prior(3) || ',' || nvl(to_char(a.prior(-5)), 'none') || ',' ||"
                        " a.next(4));\n"
                        "  if a.exists(10) and not a.exists(11) then dbms_output.put_line('exists'); end if;\n"
                        "  a.delete(10);\n"
                        "  a.delete(-100, 3);\n"
                        "  dbms_output.put_line(a.count || ' ' || nvl(to_char(a.first), 'empty'));\n"
                        "  a(1.6) := 2;\n"
                        "  dbms_output.put_line(a.first || ' ' || a(2));\n"
                        "end;"),
              "3 -5 10|-5=-50|3=33|10=100|-5,none,10|exists|0 empty|2 2");
}

TEST_F(Collections, TextKeysOrderByteWiseAndCheckTheirLength) {
    EXPECT_EQ(output_of("declare\n"
                        "  type capitals is table of varchar2(20) index by varchar2(10);\n"
                        "  c capitals;\n"
                        "  k varchar2(10);\n"
                        "begin\n"
                        "  c('France') := 'Paris'; c('Austria') := 'Vienna'; c('peru') := 'Lima';\n"
                        "  k := c.first;\n"
                        "  while k is not null loop dbms_output.put_line(k || ':' || c(k)); k := c.next(k); end loop;\n"
                        "  dbms_output.put_line(c.last || ' ' || c.prior('Germany'));\n"
                        "end;"),
              "Austria:Vienna|France:Paris|peru:Lima|peru France");
    EXPECT_EQ(output_of("declare type t is table of number index by varchar2(3); a t;"
                        " begin a('abcd') := 1; end;"),
              "error: ORA-06502: PL/SQL: numeric or value error: character string buffer too small\n"
              "ORA-06512: at line 1\n");
}

TEST_F(Collections, NestedTablesConstructExtendTrimAndKeepDeletedPlaces) {
    EXPECT_EQ(output_of("declare\n"
                        "  type names is table of varchar2(10);\n"
                        "  n names := names('a', 'b', 'c');\n"
                        "begin\n"
                        "  n.extend;\n"
                        "  n(4) := 'd';\n"
                        "  n.extend(2, 1);\n"
                        "  dbms_output.put_line(n.count || ' ' || n(6) || ' ' || nvl(to_char(n.limit), 'no limit'));\n"
                        "  n.delete(2);\n"
                        "  dbms_output.put_line(n.count || ' ' || n.last || ' ' || n.next(1));\n"
                        "  n.trim(2);\n"
                        "  dbms_output.put_line(n.count || ' ' || n.last);\n"
                        "  n.extend;\n"
                        "  dbms_output.put_line(n.last || ' ' || nvl(n(5), 'null'));\n"
                        "  n := names();\n"
                        "  dbms_output.put_line(n.count);\n"
                        "end;"),
              "6 a no limit|5 6 3|3 4|5 null|0");
}

TEST_F(Collections, VarraysHaveALimitAndCannotLoseMiddleElements) {
    EXPECT_EQ(output_of("declare\n"
                        "  type trio is varray(3) of number;\n"
                        "  v trio := trio(1, 2);\n"
                        "begin\n"
                        "  v.extend;\n"
                        "  v(3) := 3;\n"
                        "  dbms_output.put_line(v.count || ' ' || v.limit || ' ' || (v(1) + v(2) + v(3)));\n"
                        "  v.trim;\n"
                        "  dbms_output.put_line(v.count);\n"
                        "  v.delete;\n"
                        "  dbms_output.put_line(v.count);\n"
                        "end;"),
              "3 3 6|2|0");
    EXPECT_EQ(output_of("declare type trio is varray(3) of number; v trio := trio(1, 2, 3); begin v.extend; end;"),
              "error: ORA-06532: Subscript outside of limit\nORA-06512: at line 1\n");
    EXPECT_EQ(output_of("declare type trio is varray(3) of number; v trio := trio(1, 2, 3, 4); begin null; end;"),
              "error: ORA-06532: Subscript outside of limit\nORA-06512: at line 1\n");
    sb4 code = 0;
    ASSERT_EQ(s.exec("declare type trio is varray(3) of number; v trio := trio(); begin v.delete(1); end;"), OCI_ERROR);
    EXPECT_NE(s.error_text(&code).find("PLS-00306: wrong number or types of arguments in call to 'DELETE'"),
              std::string::npos)
        << s.error_text();
}

TEST_F(Collections, NullCollectionsAndBadSubscriptsRaiseOracleErrors) {
    struct Case {
        const char* body;
        const char* error;
    } cases[] = {
        {"n(1) := 1;", "ORA-06531: Reference to uninitialized collection"},
        {"x := n.count;", "ORA-06531: Reference to uninitialized collection"},
        {"n.extend;", "ORA-06531: Reference to uninitialized collection"},
        {"n := t(1, 2); x := n(3);", "ORA-06533: Subscript beyond count"},
        {"n := t(1, 2); x := n(0);", "ORA-06532: Subscript outside of limit"},
        {"n := t(1, 2); n.delete(1); x := n(1);", "ORA-01403: no data found"},
        {"n := t(1, 2); n.trim(3);", "ORA-06533: Subscript beyond count"},
        {"x := a(7);", "ORA-01403: no data found"},
        {"a(null) := 1;", "ORA-06502: PL/SQL: numeric or value error: NULL index table key value"},
    };
    for (const Case& c : cases) {
        std::string block = std::string(
                                "declare type t is table of number; type at is table of number index by"
                                " pls_integer; n t; a at; x number; begin ") +
                            c.body + " end;";
        EXPECT_EQ(output_of(block), std::string("error: ") + c.error + "\nORA-06512: at line 1\n") << c.body;
    }
    // EXISTS asks without failing, even of a null collection; the errors have handlers.
    EXPECT_EQ(output_of("declare type t is table of number; n t; begin\n"
                        "  if not n.exists(1) then dbms_output.put_line('none'); end if;\n"
                        "  begin n(1) := 1; exception when collection_is_null then dbms_output.put_line('null'); end;\n"
                        "  n := t(1);\n"
                        "  begin n(2) := 1; exception when subscript_beyond_count then"
                        " dbms_output.put_line('beyond'); end;\n"
                        "end;"),
              "none|null|beyond");
}

TEST_F(Collections, AssignmentCopiesAndTypesMustMatch) {
    EXPECT_EQ(output_of("declare\n"
                        "  type t is table of number;\n"
                        "  a t := t(1, 2);\n"
                        "  b t;\n"
                        "begin\n"
                        "  b := a;\n"
                        "  b(1) := 10;\n"
                        "  a.extend;\n"
                        "  dbms_output.put_line(a(1) || ' ' || b(1) || ' ' || a.count || ' ' || b.count);\n"
                        "end;"),
              "1 10 3 2");
    const char* wrong[] = {
        "declare type t is table of number; type u is table of number; a t := t(); b u; begin b := a; end;",
        "declare type t is table of number; type u is table of number; a t := u(1); begin null; end;",
    };
    for (const char* block : wrong) {
        ASSERT_EQ(s.exec(block), OCI_ERROR) << block;
        EXPECT_NE(s.error_text().find("PLS-00382: expression is of wrong type"), std::string::npos) << s.error_text();
    }
    ASSERT_EQ(s.exec("declare type t is table of number index by pls_integer; a t; begin a.extend; end;"), OCI_ERROR);
    EXPECT_NE(s.error_text().find("PLS-00306: wrong number or types of arguments in call to 'EXTEND'"),
              std::string::npos)
        << s.error_text();
    ASSERT_EQ(s.exec("declare type t is table of number index by pls_integer; a t := t(1); begin null; end;"),
              OCI_ERROR);
    EXPECT_NE(s.error_text().find("PLS-00222: no function with name 'T' exists in this scope"), std::string::npos)
        << s.error_text();
}

TEST_F(Collections, ElementsConvertToTheirTypeAndServeInSql) {
    ASSERT_EQ(s.exec("create table coll_t (id number, name varchar2(10))"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(output_of("declare\n"
                        "  type names is table of varchar2(5) index by pls_integer;\n"
                        "  n names;\n"
                        "  c number;\n"
                        "begin\n"
                        "  n(1) := 'one'; n(2) := 'two';\n"
                        "  for i in n.first .. n.last loop insert into coll_t values (i, n(i)); end loop;\n"
                        "  select count(*) into c from coll_t where name = n(2);\n"
                        "  select name into n(3) from coll_t where id = 1;\n"
                        "  dbms_output.put_line(c || ' ' || n(3));\n"
                        "end;"),
              "1 one");
    EXPECT_EQ(output_of("declare type names is table of varchar2(3) index by pls_integer; n names;"
                        " begin n(1) := 'toolong'; end;"),
              "error: ORA-06502: PL/SQL: numeric or value error: character string buffer too small\n"
              "ORA-06512: at line 1\n");
    EXPECT_EQ(output_of("declare type t is table of number not null; n t := t(1); begin n(1) := null; end;"),
              "error: ORA-06502: PL/SQL: numeric or value error\nORA-06512: at line 1\n");
}

TEST_F(Collections, PackageCollectionsKeepTheirElementsBetweenCalls) {
    ASSERT_EQ(s.exec("create or replace package cache_pkg is\n"
                     "  type num_tab is table of number index by pls_integer;\n"
                     "  procedure put(k number, v number);\n"
                     "  function get(k number) return number;\n"
                     "  function size_of return number;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body cache_pkg is\n"
                     "  items num_tab;\n"
                     "  procedure put(k number, v number) is begin items(k) := v; end;\n"
                     "  function get(k number) return number is begin return items(k); end;\n"
                     "  function size_of return number is begin return items.count; end;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("begin cache_pkg.put(1, 10); cache_pkg.put(5, 50); end;"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(output_of("begin dbms_output.put_line(cache_pkg.get(5) || ' ' || cache_pkg.size_of); end;"), "50 2");
    EXPECT_EQ(output_of("begin dbms_output.put_line(cache_pkg.get(2)); end;"),
              "error: ORA-01403: no data found\nORA-06512: at \"" + s.value("select user from dual") +
                  ".CACHE_PKG\", line 4\nORA-06512: at line 1\n");
}

TEST_F(Collections, SysListTypesAreVarraysOfPlainValues) {
    EXPECT_EQ(output_of("declare\n"
                        "  n sys.odcinumberlist := sys.odcinumberlist(1.5, 2, 3);\n"
                        "  v sys.odcivarchar2list := sys.odcivarchar2list();\n"
                        "  d sys.odcidatelist := sys.odcidatelist(date '2024-02-29');\n"
                        "  c sys.odcinumberlist;\n"
                        "begin\n"
                        "  n.extend; n(4) := n(1) * 2; n.trim;\n"
                        "  v.extend(2); v(2) := rpad('x', 4000, 'y');\n"
                        "  c := n;\n"
                        "  c(1) := 0;\n"
                        "  dbms_output.put_line(n.count || ' ' || n.limit || ' ' || n(1) || ' ' || c(1));\n"
                        "  dbms_output.put_line(nvl(v(1), 'null') || ' ' || length(v(2)) || ' ' || v.limit);\n"
                        "  dbms_output.put_line(to_char(d(1) + 1, 'yyyy-mm-dd'));\n"
                        "end;"),
              "3 32767 1.5 0|null 4000 32767|2024-03-01");
    // The element is a VARCHAR2(4000); a list of one type is no list of another.
    EXPECT_EQ(output_of("declare v sys.odcivarchar2list := sys.odcivarchar2list('a'); s varchar2(5000);"
                        " begin s := rpad('x', 4000, 'x') || 'x'; v(1) := s; end;"),
              "error: ORA-06502: PL/SQL: numeric or value error: character string buffer too small\n"
              "ORA-06512: at line 1\n");
    EXPECT_NE(
        output_of("declare n sys.odcinumberlist := sys.odcivarchar2list('a'); begin null; end;").find("PLS-00382"),
        std::string::npos);
    EXPECT_NE(output_of("declare n sys.odcinumberlists; begin null; end;").find("PLS-00201"), std::string::npos);
}

// RETURN takes a constructor of the result's collection type, in stored, packaged and
// local functions; a constructor of another type is refused.
TEST_F(Collections, FunctionsReturnAConstructorOfTheirCollectionType) {
    ASSERT_EQ(s.exec("create or replace function three return sys.odcinumberlist is\n"
                     "begin return sys.odcinumberlist(4, 5, 6); end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.value("select status from user_objects where object_name = 'THREE'"), "VALID");
    ASSERT_EQ(s.exec("create or replace package words_pkg is\n"
                     "  type words is table of varchar2(10);\n"
                     "  function two(a varchar2) return words;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body words_pkg is\n"
                     "  function two(a varchar2) return words is begin return words(a, upper(a)); end;\n"
                     "end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare n sys.odcinumberlist := three; w words_pkg.words := words_pkg.two('ab');\n"
                        "  type t is table of number; e t;\n"
                        "  function none return t is begin return t(); end;\n"
                        "begin e := none; dbms_output.put_line(n.count || n(3) || ' ' || w(2) || ' ' || e.count); end;"),
              "36 AB 0");
    EXPECT_NE(output_of("declare type t is table of number; type u is table of number;\n"
                        "  function f return t is begin return u(1); end; begin null; end;")
                  .find("PLS-00382"),
              std::string::npos);
}

}  // namespace
