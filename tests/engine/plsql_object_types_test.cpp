// PL/SQL variables of schema-level object types through OCI: atomically null objects,
// constructors, attributes read and set, copies, object columns read into and written
// from variables, parameters and results of stored units, elements of collections of
// objects, and the errors Oracle gives for each misuse.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

class PlsqlObjectTypes : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run("create type shape_t as object (w number, name varchar2(10))");
        run("create type shape_tab as table of shape_t");
        run("create table shapes (id number, shape shape_t)");
        run("create table out_t (n number, s varchar2(200))");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
    std::string error(const std::string& sql) {
        if (s.exec(sql) == OCI_SUCCESS) return "success";
        return s.error_text();
    }
    Rows logged() { return s.rows("select n, s from out_t order by n"); }
    OciSession s;
};

TEST_F(PlsqlObjectTypes, NullObjectsConstructorsAndAttributes) {
    run("declare\n"
        "  v shape_t;\n"
        "  w shape_t := shape_t(2, 'sq');\n"
        "  e varchar2(200);\n"
        "begin\n"
        "  if v is null then insert into out_t values (1, 'null'); end if;\n"
        "  insert into out_t values (2, '[' || v.name || ']' || nvl(to_char(v.w), 'nw'));\n"
        "  begin v.w := 1; exception when others then e := sqlerrm; end;\n"
        "  insert into out_t values (3, e);\n"
        "  v := shape_t(1.5, 'a''b');\n"
        "  v.w := v.w * 2;\n"
        "  insert into out_t values (4, v.w || ' ' || v.name);\n"
        // Assignment copies: changing the copy leaves the source as it was.
        "  w := v;\n"
        "  w.name := 'copy';\n"
        "  insert into out_t values (5, v.name || ' ' || w.name || ' ' || w.w);\n"
        "  w.name := null;\n"
        "  if w is not null and w.name is null then insert into out_t values (6, 'attr null'); end if;\n"
        "  v := null;\n"
        "  if v is null then insert into out_t values (7, 'null again'); end if;\n"
        "  v := shape_t(1, 'a');\n"
        "  begin v.name := 'longer than ten'; exception when others then e := sqlerrm; end;\n"
        "  insert into out_t values (8, e || ' ' || v.name);\n"
        "  begin v.w := 'x'; exception when others then e := sqlerrm; end;\n"
        "  insert into out_t values (9, e || ' ' || v.w);\n"
        "end;");
    EXPECT_EQ(logged(), (Rows{"1|null", "2|[]nw", "3|ORA-06530: Reference to uninitialized composite", "4|3 a'b",
                              "5|a'b copy 3", "6|attr null", "7|null again",
                              "8|ORA-06502: PL/SQL: numeric or value error: character string buffer too small a",
                              "9|ORA-06502: PL/SQL: numeric or value error: character to number conversion error 1"}));
}

TEST_F(PlsqlObjectTypes, ObjectColumnsAndSql) {
    run("insert into shapes values (1, shape_t(5, 'five'))");
    run("declare\n"
        "  v shape_t;\n"
        "  n number;\n"
        "begin\n"
        "  select shape into v from shapes where id = 1;\n"
        "  v.w := v.w + 1;\n"
        "  insert into shapes values (2, v);\n"
        "  select shape_t(7, 'seven') into v from dual;\n"
        "  update shapes set shape = v where id = 1;\n"
        "  select count(*) into n from shapes s where s.shape.w = v.w;\n"
        "  insert into out_t values (n, v.name);\n"
        "  v := null;\n"
        "  insert into shapes values (3, v);\n"
        "end;");
    EXPECT_EQ(s.rows("select id, shape from shapes order by id"),
              (Rows{"1|SHAPE_T(7, 'seven')", "2|SHAPE_T(6, 'five')", "3|<null>"}));
    EXPECT_EQ(logged(), (Rows{"1|seven"}));
}

TEST_F(PlsqlObjectTypes, ParametersAndResultsOfStoredUnits) {
    run("create function mk(n number) return shape_t is s shape_t := shape_t(n, 'made');"
        " begin s.w := s.w + 1; return s; end;");
    run("create procedure grow(s in out shape_t, f number) is begin s.w := s.w * f; end;");
    run("create procedure parts(s shape_t, w out number, n out varchar2) is begin w := s.w; n := s.name; end;");
    run("create procedure fill(s out shape_t) is begin s := shape_t(9, 'out'); end;");
    EXPECT_EQ(s.rows("select mk(3).w, mk(4).name from dual"), (Rows{"4|made"}));
    run("declare\n"
        "  v shape_t := mk(10);\n"
        "  a number;\n"
        "  b varchar2(10);\n"
        "begin\n"
        "  grow(v, 3);\n"
        "  parts(v, a, b);\n"
        "  insert into out_t values (1, a || ' ' || b);\n"
        "  fill(v);\n"
        "  insert into out_t values (2, v.w || ' ' || v.name);\n"
        "  insert into out_t values (3, mk(1).name);\n"
        "end;");
    EXPECT_EQ(logged(), (Rows{"1|33 made", "2|9 out", "3|made"}));
    // A package's object variable keeps its state between calls and is read from outside.
    run("create package pk is g shape_t := shape_t(4, 'pkg'); procedure bump; end;");
    run("create package body pk is procedure bump is begin g.w := g.w + 1; end; end;");
    run("begin pk.bump; pk.bump; insert into out_t values (4, pk.g.w || ' ' || pk.g.name); end;");
    EXPECT_EQ(s.value("select s from out_t where n = 4"), "6 pkg");
    // A member of a NULL object passed IN OUT cannot be set.
    EXPECT_NE(error("declare v shape_t; begin grow(v, 2); end;").find("ORA-06530"), std::string::npos);
}

TEST_F(PlsqlObjectTypes, ElementsOfCollectionsOfObjects) {
    run("declare\n"
        "  t shape_tab := shape_tab(shape_t(1, 'one'), null, shape_t(3, 'three'));\n"
        "  v shape_t;\n"
        "  e varchar2(200);\n"
        "begin\n"
        "  insert into out_t values (1, t(1).name || ' ' || t(3).w);\n"
        "  t(1).w := 11;\n"
        "  t(2) := shape_t(2, 'two');\n"
        "  t(2).name := 'deux';\n"
        "  insert into out_t values (2, t(1).w || ' ' || t(2).name);\n"
        "  v := t(3);\n"
        "  v.w := 30;\n"
        "  insert into out_t values (3, v.w || ' ' || t(3).w);\n"
        "  t.extend;\n"
        "  begin t(4).w := 1; exception when others then e := sqlerrm; end;\n"
        "  insert into out_t values (4, e);\n"
        "  begin t(9).w := 1; exception when others then e := sqlerrm; end;\n"
        "  insert into out_t values (5, e);\n"
        "end;");
    EXPECT_EQ(logged(), (Rows{"1|one 3", "2|11 deux", "3|30 3", "4|ORA-06530: Reference to uninitialized composite",
                              "5|ORA-06533: Subscript beyond count"}));
}

TEST_F(PlsqlObjectTypes, CompileErrors) {
    // Only an object of the variable's own type (or NULL) is assigned, and an object to
    // no other variable.
    run("create type other_t as object (w number)");
    EXPECT_NE(error("declare v shape_t := 'abc'; begin null; end;").find("PLS-00382"), std::string::npos);
    EXPECT_NE(error("declare v shape_t; begin v := other_t(1); end;").find("PLS-00382"), std::string::npos);
    EXPECT_NE(error("declare v shape_t; n number; begin n := v; end;").find("PLS-00382"), std::string::npos);
    // An attribute the type lacks, read or set.
    const std::string set = error("declare v shape_t; begin v.zz := 1; end;");
    EXPECT_NE(set.find("PLS-00302: component 'ZZ' must be declared"), std::string::npos) << set;
    EXPECT_EQ(set.find("PLS-00382"), std::string::npos) << set;
    EXPECT_NE(error("declare v shape_t; n number; begin n := v.zz; end;").find("PLS-00302: component 'ZZ'"),
              std::string::npos);
    // Methods the type does not declare.
    EXPECT_NE(error("declare v shape_t; n number; begin n := v.area(); end;")
                  .find("line 1, column 43:\nPLS-00302: component 'AREA' must be declared"),
              std::string::npos);
    EXPECT_NE(error("declare v shape_t; begin v.grow(2); end;")
                  .find("line 1, column 28:\nPLS-00302: component 'GROW' must be declared"),
              std::string::npos);
    // A constant object is not changed, a type that does not exist is not declared.
    EXPECT_NE(error("declare v constant shape_t := shape_t(1, 'a'); begin v.w := 2; end;").find("PLS-00363"),
              std::string::npos);
    EXPECT_NE(error("declare v no_such_t; begin null; end;").find("PLS-00201"), std::string::npos);
    // SELECT ... INTO checks the value when it runs: no text but an object of the
    // variable's type is taken, and an object is no number.
    run("insert into shapes values (1, shape_t(1, 'a'))");
    EXPECT_NE(error("declare n number; begin select shape into n from shapes; end;").find("ORA-06502"),
              std::string::npos);
    EXPECT_NE(error("declare v shape_t; begin select 'abc' into v from dual; end;").find("ORA-06502"),
              std::string::npos);
    EXPECT_NE(error("declare v shape_t; begin select other_t(1) into v from dual; end;").find("ORA-06502"),
              std::string::npos);
}

}  // namespace
