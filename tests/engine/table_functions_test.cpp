// Table functions through OCI: stored and package functions returning a schema-level
// nested table or varray, or a package's own one, read by TABLE() in queries, pipelined functions (PIPE ROW,
// RETURN, NO_DATA_NEEDED) and the compile errors of their misuse.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class TableFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run("create type num_tab as table of number");
        run("create type name_arr as varray(3) of varchar2(10)");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
    std::string error(const std::string& sql) {
        if (s.exec(sql) == OCI_SUCCESS) return "success";
        return s.error_text();
    }
    // The errors a unit was stored with, one "line/position text" each.
    Rows unit_errors(const std::string& name) {
        return s.rows("select line || '/' || position || ' ' || text from user_errors where name = '" + name +
                      "' order by sequence");
    }
    OciSession s;
};

TEST_F(TableFunctions, CollectionResultsInQueries) {
    run("create function get_nums(n number) return num_tab is\n"
        "  r num_tab := num_tab();\n"
        "begin\n"
        "  for i in 1 .. n loop r.extend; r(i) := i * i; end loop;\n"
        "  return r;\n"
        "end;");
    run("create function names return name_arr is r name_arr := name_arr('a', null, 'O''b'); begin return r; end;");
    run("create package pk is function evens(n number) return num_tab; end;");
    run("create package body pk is\n"
        "  function evens(n number) return num_tab is r num_tab := num_tab();\n"
        "  begin for i in 1 .. n loop r.extend; r(r.last) := 2 * i; end loop; return r; end;\n"
        "end;");
    EXPECT_EQ(s.rows("select column_value from table(get_nums(3))"), (Rows{"1", "4", "9"}));
    EXPECT_EQ(s.rows("select * from table(names)"), (Rows{"a", "<null>", "O'b"}));
    EXPECT_EQ(s.value("select sum(column_value) from table(pk.evens(4))"), "20");
    // Without TABLE, a call in FROM is read the same way.
    EXPECT_EQ(s.rows("select g.column_value from get_nums(2) g"), (Rows{"1", "4"}));
    EXPECT_EQ(s.value("select count(*) from pk.evens(3)"), "3");
    EXPECT_EQ(s.value("select count(*) from table(get_nums(0))"), "0");
    EXPECT_EQ(s.value("select get_nums(2) from dual"), "NUM_TAB(1, 4)");
    EXPECT_EQ(s.value("select cardinality(get_nums(5)) from dual"), "5");
    EXPECT_EQ(s.value("select case when 4 member of get_nums(2) then 'Y' else 'N' end from dual"), "Y");
    // A join with a table, and the function's argument taken from the rows before it.
    run("create table t (id number)");
    run("insert into t values (2)");
    run("insert into t values (3)");
    EXPECT_EQ(s.rows("select t.id, g.column_value from t, table(get_nums(t.id)) g order by 1, 2"),
              (Rows{"2|1", "2|4", "3|1", "3|4", "3|9"}));
    EXPECT_EQ(s.rows("select id from t where id in (select column_value from table(pk.evens(2)))"), (Rows{"2"}));
    // Inside PL/SQL the query reads the result the same way.
    EXPECT_EQ(server_output_of(s,
                               "declare n number; begin\n"
                               "  select sum(column_value) into n from table(get_nums(4));\n"
                               "  dbms_output.put_line(n);\n"
                               "  for r in (select column_value v from table(pk.evens(2))) loop\n"
                               "    dbms_output.put_line(r.v); end loop;\n"
                               "end;"),
              "30|2|4");
    // A function of a PL/SQL scalar type is no collection.
    run("create function plain return number is begin return 1; end;");
    EXPECT_NE(error("select * from table(plain)").find("ORA-00932"), std::string::npos);
}

TEST_F(TableFunctions, PipelinedFunctions) {
    run("create function f(n number) return num_tab pipelined is\n"
        "begin\n"
        "  for i in 1 .. n loop pipe row (i * 10); end loop;\n"
        "  return;\n"
        "end;");
    run("create package pp is function words(n number) return name_arr pipelined; end;");
    run("create package body pp is\n"
        "  function words(n number) return name_arr pipelined is\n"
        "  begin\n"
        "    for i in 1 .. n loop pipe row ('w' || i); end loop;\n"
        "  end;\n"
        "end;");
    EXPECT_EQ(s.rows("select * from table(f(3))"), (Rows{"10", "20", "30"}));
    EXPECT_EQ(s.rows("select column_value from table(f(0))"), Rows{});
    EXPECT_EQ(s.rows("select column_value || '!' from table(pp.words(2))"), (Rows{"w1!", "w2!"}));
    // A varray result beyond its limit, and an error raised inside, reach the query.
    EXPECT_NE(error("select * from table(pp.words(4))").find("ORA-06532"), std::string::npos);
    run("create function fails return num_tab pipelined is\n"
        "begin pipe row (1); raise no_data_needed; end;");
    EXPECT_NE(error("select * from table(fails)").find("ORA-06548"), std::string::npos);
    // NO_DATA_NEEDED is a predefined exception a handler can name.
    EXPECT_EQ(server_output_of(s,
                               "begin raise no_data_needed;\n"
                               "exception when no_data_needed then dbms_output.put_line(sqlcode); end;"),
              "-6548");
    // Misuse is refused when the unit compiles.
    EXPECT_NE(error("create function bad1 return num_tab pipelined is begin return num_tab(1); end;")
                  .find("compilation error"),
              std::string::npos);
    EXPECT_NE(unit_errors("BAD1").at(0).find("PLS-00633"), std::string::npos);
    EXPECT_NE(error("create procedure bad2 is begin pipe row (1); end;").find("compilation error"), std::string::npos);
    EXPECT_NE(unit_errors("BAD2").at(0).find("PLS-00629"), std::string::npos);
    EXPECT_NE(error("create function bad3 return number pipelined is begin return; end;").find("compilation error"),
              std::string::npos);
    EXPECT_NE(unit_errors("BAD3").at(0).find("PLS-00630"), std::string::npos);
    const std::string scope = error("declare v num_tab; begin v := f(2); end;");
    EXPECT_NE(scope.find("PLS-00653"), std::string::npos) << scope;
    const std::string count = error("begin if f(2) is null then null; end if; end;");
    EXPECT_NE(count.find("PLS-00653"), std::string::npos) << count;
}

TEST_F(TableFunctions, PackageCollectionTypes) {
    run("create package pk2 as\n"
        "  type t_strs is table of varchar2(100);\n"
        "  type t_nums is table of number not null;\n"
        "  type t_va is varray(4) of varchar2(10);\n"
        "  type t_aa is table of number index by pls_integer;\n"
        "  type t_rec is record (a number);\n"
        "  type t_recs is table of t_rec;\n"
        "  function split(p varchar2) return t_strs pipelined;\n"
        "  function nums return t_nums pipelined;\n"
        "  function holes return t_va;\n"
        "  function none return t_strs pipelined;\n"
        "  function aa return t_aa;\n"
        "  function recs return t_recs;\n"
        "end;");
    run("create package body pk2 as\n"
        "  function split(p varchar2) return t_strs pipelined is begin pipe row ('a'); pipe row (p); return; end;\n"
        "  function nums return t_nums pipelined is begin for i in 1 .. 3 loop pipe row (i * 1.5); end loop; end;\n"
        "  function holes return t_va is r t_va := t_va('p', null, 'it''s'); begin return r; end;\n"
        "  function none return t_strs pipelined is begin return; end;\n"
        "  function aa return t_aa is r t_aa; begin r(1) := 1; return r; end;\n"
        "  function recs return t_recs is r t_recs := t_recs(); begin return r; end;\n"
        "end;");
    EXPECT_EQ(s.rows("select column_value from table(pk2.split('x'))"), (Rows{"a", "x"}));
    EXPECT_EQ(s.rows("select * from table(pk2.nums) where column_value > 2"), (Rows{"3", "4.5"}));
    EXPECT_EQ(s.value("select sum(column_value) from table(pk2.nums())"), "9");
    EXPECT_EQ(s.rows("select * from pk2.split('y')"), (Rows{"a", "y"}));
    EXPECT_EQ(s.rows("select * from table(pk2.holes)"), (Rows{"p", "<null>", "it's"}));
    EXPECT_EQ(s.value("select count(*) from table(pk2.none)"), "0");
    // COLUMN_VALUE has the element's type and size.
    run("create view v_split as select * from table(pk2.split('z'))");
    EXPECT_EQ(s.rows("select column_name || ' ' || data_type || ' ' || data_length from user_tab_columns"
                     " where table_name = 'V_SPLIT'"),
              (Rows{"COLUMN_VALUE VARCHAR2 100"}));
    // A join with the function's rows, and its argument taken from the rows before it.
    run("create table words (w varchar2(10))");
    run("insert into words values ('x')");
    run("insert into words values ('a')");
    EXPECT_EQ(s.rows("select w.w from words w join table(pk2.split('q')) t on t.column_value = w.w"), (Rows{"a"}));
    EXPECT_EQ(s.rows("select w.w, t.column_value from words w, table(pk2.split(w.w)) t order by 1, 2"),
              (Rows{"a|a", "a|a", "x|a", "x|x"}));
    // A standalone function of a package's type, and static SQL in PL/SQL.
    run("create function sf return pk2.t_strs is r pk2.t_strs := pk2.t_strs('s1', 's2'); begin return r; end;");
    EXPECT_EQ(s.rows("select * from table(sf())"), (Rows{"s1", "s2"}));
    EXPECT_EQ(s.rows("select * from table(sf)"), (Rows{"s1", "s2"}));
    EXPECT_EQ(server_output_of(s,
                               "begin for r in (select * from table(pk2.split('b'))) loop\n"
                               "  dbms_output.put_line(r.column_value); end loop; end;"),
              "a|b");
    // An associative array is no type of SQL; a collection of the package's records is
    // (a column per field).
    EXPECT_NE(error("select * from table(pk2.aa)").find("ORA-00932"), std::string::npos);
    EXPECT_EQ(s.value("select count(*) from table(pk2.recs)"), "0");
}

TEST_F(TableFunctions, CollectionsOfObjects) {
    run("create type t_row as object (id number, name varchar2(30))");
    run("create type t_tab as table of t_row");
    // TABLE() over a constructor: a column per attribute, described with its type.
    EXPECT_EQ(s.rows("select * from table(t_tab(t_row(1, 'x'), t_row(2, null), null))"),
              (Rows{"1|x", "2|<null>", "<null>|<null>"}));
    EXPECT_EQ(s.value("select t_tab(t_row(1, 'O''k')) from dual"), "T_TAB(T_ROW(1, 'O''k'))");
    EXPECT_NE(error("select * from table(t_tab(1))").find("ORA-00932"), std::string::npos);
    run("create function rows_of(n number) return t_tab pipelined is\n"
        "begin\n"
        "  for i in 1 .. n loop pipe row (t_row(i, 'x' || i)); end loop;\n"
        "  return;\n"
        "end;");
    EXPECT_EQ(s.rows("select id, name from table(rows_of(3)) where id > 1 order by id desc"), (Rows{"3|x3", "2|x2"}));
    EXPECT_EQ(s.value("select sum(r.id) from table(rows_of(4)) r"), "10");
    {
        OciStatement st(s, "select * from table(rows_of(1))");
        ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error_text();
        Rows shown;
        for (ub4 k = 1; k <= 2; ++k) {
            void* p = nullptr;
            ASSERT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, k), OCI_SUCCESS);
            ub2 type = 0, size = 0;
            OraText* name = nullptr;
            ub4 len = 0;
            s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
            s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
            s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &len, OCI_ATTR_NAME, s.err);
            shown.push_back(std::string(reinterpret_cast<char*>(name), len) + " " + std::to_string(type) + " " +
                            std::to_string(size));
            s.oci->OCIDescriptorFree(p, OCI_DTYPE_PARAM);
        }
        EXPECT_EQ(shown, (Rows{"ID 2 22", "NAME 1 30"}));
    }
    // A plain function filling a variable of the type, and a row of another type refused.
    run("create function two return t_tab is r t_tab := t_tab(t_row(7, 'a'), t_row(8, 'b')); begin return r; end;");
    EXPECT_EQ(s.rows("select name from table(two)"), (Rows{"a", "b"}));
    EXPECT_NE(
        error("create function bad4 return t_tab pipelined is begin pipe row (5); end;").find("compilation error"),
        std::string::npos);
    EXPECT_NE(unit_errors("BAD4").at(0).find("PLS-00382"), std::string::npos);
    // Elements one by one: an object of the element type or NULL, only where one exists.
    run("declare v t_tab := t_tab(t_row(1, 'a')); begin v(1) := null;"
        " if v(1) is not null then raise program_error; end if; end;");
    EXPECT_NE(error("declare v t_tab := t_tab(); begin dbms_output.put_line(v(1).id); end;").find("ORA-06533"),
              std::string::npos);
    EXPECT_NE(error("declare v t_tab := t_tab(null); begin v(1) := 'x'; end;").find("PLS-00382"), std::string::npos);
    // Tables keep no column of a collection of objects.
    EXPECT_NE(error("create table bad (v t_tab) nested table v store as bad_v").find("ORA-00902"), std::string::npos);
}

}  // namespace
