// Object type bodies through OCI: member, static and constructor methods called from
// PL/SQL and SQL, SELF and its attributes inside methods, MAP and ORDER comparisons, the
// compile errors of type bodies and their dictionary rows, and calls of methods whose
// body is missing or invalid.
#include "oci_session.h"

namespace {

using Rows = std::vector<std::string>;

const char* const kPointType =
    "create or replace type point_t as object (\n"
    "  x number, y number,\n"
    "  member function dist return number,\n"
    "  member function scaled(f number) return point_t,\n"
    "  member procedure move(dx number, dy number),\n"
    "  member procedure twice(dx number),\n"
    "  static function origin return point_t,\n"
    "  constructor function point_t(v number) return self as result,\n"
    "  map member function sort_key return number\n"
    ")";

const char* const kPointBody =
    "create or replace type body point_t as\n"
    "  member function dist return number is\n"
    "  begin\n"
    "    return sqrt(x * x + y * y);\n"
    "  end;\n"
    "  member function scaled(f number) return point_t is\n"
    "  begin\n"
    "    return point_t(x * f, self.y * f);\n"
    "  end;\n"
    "  member procedure move(dx number, dy number) is\n"
    "  begin\n"
    "    x := x + dx;\n"
    "    self.y := self.y + dy;\n"
    "  end;\n"
    "  member procedure twice(dx number) is\n"
    "  begin\n"
    "    move(dx, 0);\n"
    "    self.move(dx, 0);\n"
    "  end;\n"
    "  static function origin return point_t is\n"
    "  begin\n"
    "    return point_t(0, 0);\n"
    "  end;\n"
    "  constructor function point_t(v number) return self as result is\n"
    "  begin\n"
    "    x := v;\n"
    "    y := v;\n"
    "    return;\n"
    "  end;\n"
    "  map member function sort_key return number is\n"
    "  begin\n"
    "    return dist();\n"
    "  end;\n"
    "end;";

class PlsqlTypeBodies : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run(kPointType);
        run(kPointBody);
        run("create table out_t (n number, s varchar2(200))");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
    std::string error(const std::string& sql) {
        if (s.exec(sql) == OCI_SUCCESS) return "success";
        std::string e = s.error_text();
        if (!e.empty() && e.back() == '\n') e.pop_back();
        return e;
    }
    Rows errors(const std::string& name) {
        return s.rows("select type, line, position, text from user_errors where name = '" + name +
                      "' order by sequence");
    }
    Rows logged() { return s.rows("select n, s from out_t order by n"); }
    OciSession s;
};

TEST_F(PlsqlTypeBodies, MethodsCalledInPlsql) {
    run("declare\n"
        "  p point_t := point_t(3, 4);\n"
        "  q point_t;\n"
        "  e varchar2(200);\n"
        "begin\n"
        "  insert into out_t values (1, p.dist() || ' ' || p.dist);\n"
        "  p.move(1, 2);\n"
        "  insert into out_t values (2, p.x || ',' || p.y);\n"
        // A member procedure calling another one, unqualified and through SELF.
        "  p.twice(10);\n"
        "  insert into out_t values (3, p.x || ',' || p.y);\n"
        "  q := point_t.origin();\n"
        "  insert into out_t values (4, q.x || ',' || q.y);\n"
        // The constructor of one argument is the type's own; two take the attributes.
        "  q := new point_t(7);\n"
        "  insert into out_t values (5, q.x || ',' || q.y || ' ' || point_t(1, 2).y);\n"
        "  q := q.scaled(2);\n"
        "  insert into out_t values (6, q.x || ',' || q.y || ' ' || q.sort_key());\n"
        "  q := null;\n"
        "  begin insert into out_t values (7, q.dist()); exception when self_is_null then e := sqlerrm; end;\n"
        "  insert into out_t values (7, e);\n"
        "  begin q.move(1, 1); exception when others then e := sqlcode || ' ' || sqlerrm; end;\n"
        "  insert into out_t values (8, e);\n"
        "end;");
    EXPECT_EQ(logged(), (Rows{"1|5 5", "2|4,6", "3|24,6", "4|0,0", "5|7,7 2", "6|14,14 19.79898987322333068322364213893577309998",
                              "7|ORA-30625: method dispatch on NULL SELF argument is disallowed",
                              "8|-30625 ORA-30625: method dispatch on NULL SELF argument is disallowed"}));
    // A member function's SELF is IN: an attribute cannot be set there.
    EXPECT_EQ(s.exec("create or replace type body point_t as\n"
        "  member function dist return number is begin x := 1; return 0; end;\n"
        "  member function scaled(f number) return point_t is begin return self; end;\n"
        "  member procedure move(dx number, dy number) is begin null; end;\n"
        "  member procedure twice(dx number) is begin null; end;\n"
        "  static function origin return point_t is begin return null; end;\n"
        "  constructor function point_t(v number) return self as result is begin return; end;\n"
        "  map member function sort_key return number is begin return 0; end;\n"
        "end;"), OCI_SUCCESS_WITH_INFO);
    EXPECT_EQ(s.error_text(), "ORA-24344: success with compilation error\n");
    EXPECT_EQ(errors("POINT_T"), (Rows{"TYPE BODY|2|47|PLS-00363: expression 'SELF' cannot be used as an assignment target",
                                       "TYPE BODY|2|47|PL/SQL: Statement ignored"}));
}

TEST_F(PlsqlTypeBodies, ExplicitSelfAndEmptyArgumentLists) {
    run("create type q_t as object (a number,\n"
        "  member function f(self in q_t, n number) return number,\n"
        "  member function g return number,\n"
        "  member procedure p(self in out nocopy q_t))");
    run("create type body q_t as\n"
        "  member function f(self in q_t, n number) return number is begin return g() + n; end;\n"
        "  member function g return number is begin return self.a * 10; end;\n"
        "  member procedure p(self in out nocopy q_t) is begin a := a * 2; end;\n"
        "end;");
    run("declare v q_t := q_t(3); begin v.p; v.p(); insert into out_t values (1, v.a || ' ' || v.f(1)); end;");
    EXPECT_EQ(logged(), (Rows{"1|12 121"}));
    EXPECT_EQ(s.rows("select q_t(2).f(5), q_t(2).g() from dual"), (Rows{"25|20"}));
}

TEST_F(PlsqlTypeBodies, MethodsOfElementsOfCollections) {
    run("create type point_tab as table of point_t");
    run("declare\n"
        "  v point_tab := point_tab(point_t(3, 4), point_t(6, 8));\n"
        "begin\n"
        "  v(1).move(1, 1);\n"
        "  insert into out_t values (1, v(1).x || ',' || v(1).y || ' ' || v(2).dist() || ' ' || v(2).dist);\n"
        "end;");
    EXPECT_EQ(logged(), (Rows{"1|4,5 10 10"}));
    EXPECT_NE(error("declare v point_tab := point_tab(); begin v(1).nothing(1); end;")
                  .find("PLS-00302: component 'NOTHING' must be declared"),
              std::string::npos);
}

TEST_F(PlsqlTypeBodies, MethodsCalledInSql) {
    run("create table places (id number, loc point_t)");
    run("insert into places values (1, point_t(3, 4))");
    run("insert into places values (2, point_t(5))");
    run("insert into places values (3, null)");
    EXPECT_EQ(s.rows("select p.id, p.loc.dist(), p.loc.scaled(2).x from places p order by p.id"),
              (Rows{"1|5|6", "2|7.07106781186547524400844362104849039285|10", "3|<null>|<null>"}));
    EXPECT_EQ(s.rows("select point_t(6, 8).dist(), point_t.origin().y, point_t(2).scaled(3) from dual"),
              (Rows{"10|0|POINT_T(6, 6)"}));
    // NEW before a constructor call says what it is.
    EXPECT_EQ(s.rows("select new point_t(2).x, new point_t(1, 2).y from dual"), (Rows{"2|2"}));
    EXPECT_EQ(error("select p.loc.nothing() from places p"),
              "ORA-00904: \"P\".\"LOC\".\"NOTHING\": invalid identifier");
    EXPECT_EQ(error("select point_t(1, 2, 3) from dual"),
              "ORA-06553: PLS-306: wrong number or types of arguments in call to 'POINT_T'");
    EXPECT_EQ(error("select point_t(1, 2).dist(5) from dual"), "ORA-00904: \"DIST\": invalid identifier");
}

TEST_F(PlsqlTypeBodies, OverloadsDefaultsAndNamedArguments) {
    run("create type ov_t as object (a number,\n"
        "  member function f return number,\n"
        "  member function f(n number) return number,\n"
        "  member function label(prefix varchar2 default '>') return varchar2,\n"
        "  member procedure bump(by_n number := 1),\n"
        "  constructor function ov_t(a number, b number) return self as result,\n"
        "  constructor function ov_t(s varchar2) return self as result,\n"
        "  static function s return number)");
    run("create type body ov_t as\n"
        "  member function f return number is begin return a + s(); end;\n"
        "  member function f(n number) return number is\n"
        "    r number;\n"
        "  begin\n"
        "    select a * n into r from dual;\n"
        "    return r;\n"
        "  end;\n"
        "  member function label(prefix varchar2 default '>') return varchar2 is begin return prefix || a; end;\n"
        "  member procedure bump(by_n number := 1) is begin a := a + by_n; end;\n"
        "  constructor function ov_t(a number, b number) return self as result is\n"
        "  begin\n"
        "    self.a := a + b;\n"
        "    return;\n"
        "  end;\n"
        "  constructor function ov_t(s varchar2) return self as result as\n"
        "  begin\n"
        "    a := length(s);\n"
        "    return;\n"
        "  end;\n"
        "  static function s return number is begin return 100; end;\n"
        "end;");
    // A number goes to the attribute constructor, text to the declared one of a VARCHAR2.
    run("declare\n"
        "  o ov_t := ov_t(5);\n"
        "begin\n"
        "  o.bump;\n"
        "  o.bump(by_n => 10);\n"
        "  insert into out_t values (1, o.f || ' ' || o.f(3) || ' ' || ov_t(1, 2).a || ' ' || ov_t('hello').a);\n"
        "  insert into out_t values (2, o.label || ' ' || o.label('#') || ' ' || ov_t.s);\n"
        "end;");
    EXPECT_EQ(logged(), (Rows{"1|116 48 3 5", "2|>16 #16 100"}));
    EXPECT_EQ(s.rows("select ov_t(2).f(4), ov_t(1, 1).f(), ov_t('abc').label(), ov_t.s() from dual"),
              (Rows{"8|102|>3|100"}));
    EXPECT_EQ(s.rows("select procedure_name, object_type from user_procedures where object_name = 'OV_T'"
                     " order by 1, subprogram_id"),
              (Rows{"BUMP|TYPE", "F|TYPE", "F|TYPE", "LABEL|TYPE", "OV_T|TYPE", "OV_T|TYPE", "S|TYPE", "<null>|TYPE"}));
    run("drop type ov_t");
    EXPECT_EQ(s.rows("select count(*) from user_arguments where package_name = 'OV_T'"), (Rows{"0"}));
}

TEST_F(PlsqlTypeBodies, MapAndOrderComparisons) {
    run("create type money_t as object (amt number, cur varchar2(3),\n"
        "  order member function cmp(o money_t) return number)");
    run("create type body money_t as\n"
        "  order member function cmp(o money_t) return number is\n"
        "  begin return sign(amt - o.amt); end;\n"
        "end;");
    run("create type plain_t as object (a number, b varchar2(5))");
    run("create table wallet (id number, m money_t, p point_t, q plain_t)");
    run("insert into wallet values (1, money_t(30, 'EUR'), point_t(3, 4), plain_t(1, 'a'))");
    run("insert into wallet values (2, money_t(10, 'EUR'), point_t(1, 0), plain_t(2, 'b'))");
    run("insert into wallet values (3, money_t(20, 'USD'), null, plain_t(1, 'a'))");
    EXPECT_EQ(s.rows("select id from wallet w where w.m < money_t(25, 'EUR') order by id"), (Rows{"2", "3"}));
    EXPECT_EQ(s.rows("select id from wallet w where w.p >= point_t(2) order by id"), (Rows{"1"}));
    EXPECT_EQ(s.rows("select id from wallet w where w.q = plain_t(1, 'a') order by id"), (Rows{"1", "3"}));
    EXPECT_EQ(error("select id from wallet w where w.q < plain_t(1, 'a')"),
              "ORA-22950: cannot ORDER objects without MAP or ORDER method");
    // ORDER BY an object: by its MAP method's value; NULL objects sort last.
    EXPECT_EQ(s.rows("select id from wallet w order by w.p"), (Rows{"2", "1", "3"}));
    EXPECT_EQ(s.rows("select id from wallet w order by w.p desc"), (Rows{"3", "1", "2"}));
    EXPECT_EQ(error("select id from wallet w order by w.q"),
              "ORA-22950: cannot ORDER objects without MAP or ORDER method");
    run("declare\n"
        "  a money_t := money_t(5, 'EUR');\n"
        "  b money_t := money_t(5, 'USD');\n"
        "  p point_t := point_t(0, 5);\n"
        "begin\n"
        "  if a = b then insert into out_t values (1, 'order equal'); end if;\n"
        "  if a < money_t(6, 'EUR') then insert into out_t values (2, 'order less'); end if;\n"
        "  if p = point_t(3, 4) then insert into out_t values (3, 'map equal'); end if;\n"
        "  if p > point_t(1) then insert into out_t values (4, 'map greater'); end if;\n"
        "end;");
    EXPECT_EQ(logged(), (Rows{"1|order equal", "2|order less", "3|map equal", "4|map greater"}));
    EXPECT_EQ(error("declare a plain_t := plain_t(1, 'a'); begin if a = a then null; end if; end;"),
              "ORA-06550: line 1, column 48:\n"
              "PLS-00526: A MAP or ORDER function is required for comparing objects in PL/SQL\n"
              "ORA-06550: line 1, column 45:\nPL/SQL: Statement ignored");
}

TEST_F(PlsqlTypeBodies, BodyErrorsDictionaryAndCalls) {
    EXPECT_EQ(s.rows("select object_type, status from user_objects where object_name = 'POINT_T' order by 1"),
              (Rows{"TYPE|VALID", "TYPE BODY|VALID"}));
    EXPECT_EQ(s.rows("select line, trim(text) from user_source where name = 'POINT_T' and type = 'TYPE BODY'"
                     " and line <= 2 order by line"),
              (Rows{"1|type body point_t as\n", "2|member function dist return number is\n"}));
    EXPECT_EQ(s.rows("select object_name, argument_name, position, in_out from user_arguments"
                     " where package_name = 'POINT_T' and object_name = 'MOVE' order by position"),
              (Rows{"MOVE|SELF|1|IN/OUT", "MOVE|DX|2|IN", "MOVE|DY|3|IN"}));
    // A method the type declares and the body lacks, one the body adds, a wrong name.
    run("create type shape_t as object (w number,\n"
        "  member function area return number,\n"
        "  member procedure grow)");
    EXPECT_EQ(s.exec("create type body shape_t as\n"
                     "  member function area return number is\n"
                     "  begin\n"
                     "    return w + zzz;\n"
                     "  end;\n"
                     "  member procedure extra is begin null; end;\n"
                     "end;"),
              OCI_SUCCESS_WITH_INFO);
    // Each error in the source it belongs to: the body's at their lines, the method the
    // body lacks at its declaration in the type.
    EXPECT_EQ(errors("SHAPE_T"),
              (Rows{"TYPE BODY|4|16|PLS-00201: identifier 'ZZZ' must be declared",
                    "TYPE BODY|4|5|PL/SQL: Statement ignored",
                    "TYPE BODY|3|3|PLS-00538: subprogram or cursor 'GROW' is declared in an object type"
                    " specification and must be defined in the object type body",
                    "TYPE BODY|6|20|PLS-00539: subprogram 'EXTRA' is declared in an object type body and must be"
                    " defined in the object type specification"}));
    EXPECT_EQ(s.rows("select status from user_objects where object_name = 'SHAPE_T' order by object_type"),
              (Rows{"VALID", "INVALID"}));
    // The type stays usable; its methods do not run.
    run("declare p shape_t := shape_t(2); begin insert into out_t values (1, p.w); end;");
    EXPECT_EQ(error("declare p shape_t := shape_t(1); begin insert into out_t values (1, p.area()); end;"),
              "ORA-04063: type body \"SCOTT.SHAPE_T\" has errors\n"
              "ORA-06508: PL/SQL: could not find program unit being called: \"SCOTT.SHAPE_T\"\n"
              "ORA-06512: at line 1");
    run("create or replace type body shape_t as\n"
        "  member function area return number is begin return w * w; end;\n"
        "  member procedure grow is begin w := w + 1; end;\n"
        "end;");
    EXPECT_EQ(s.rows("select shape_t(3).area() from dual"), (Rows{"9"}));
    run("drop type body point_t");
    EXPECT_EQ(s.rows("select object_type from user_objects where object_name = 'POINT_T'"), (Rows{"TYPE"}));
    EXPECT_EQ(error("select point_t(3, 4).dist() from dual"),
              "ORA-04067: not executed, type body \"SCOTT.POINT_T\" does not exist\n"
              "ORA-06508: PL/SQL: could not find program unit being called: \"SCOTT.POINT_T\"");
    EXPECT_EQ(error("drop type body point_t"), "ORA-04043: object POINT_T does not exist");
}

}  // namespace

namespace {

TEST_F(PlsqlTypeBodies, MethodsOfPackageObjectVariables) {
    run("create or replace package pt_pkg as p point_t := point_t(3, 4); function moved return number; end;");
    run("create or replace package body pt_pkg as\n"
        "  function moved return number is begin p.move(1, 1); return p.dist(); end;\n"
        "end;");
    // Inside the package and outside it: functions with and without parentheses, a
    // procedure whose SELF is the package's variable, and its attributes set between.
    run("begin\n"
        "  insert into out_t values (1, pt_pkg.p.dist() || ' ' || pt_pkg.p.dist || ' ' || pt_pkg.p.sort_key());\n"
        "  insert into out_t values (2, pt_pkg.moved());\n"
        "  pt_pkg.p.x := 6;\n"
        "  pt_pkg.p.y := 8;\n"
        "  insert into out_t values (3, pt_pkg.p.dist());\n"
        "  pt_pkg.p.move(-6, -8);\n"
        "  insert into out_t values (4, pt_pkg.p.x || ',' || pt_pkg.p.y || ' ' || pt_pkg.p.scaled(2).x);\n"
        "end;");
    EXPECT_EQ(logged(), (Rows{"1|5 5 5", "2|6.40312423743284868648821767462181326452", "3|10", "4|0,0 0"}));
    // A record's field of the type has its methods called the same way.
    run("declare type holder_t is record (n number, p point_t); h holder_t;\n"
        "begin h.p := point_t(6, 8); insert into out_t values (5, h.p.dist() || ' ' || h.p.scaled(0.5).x); end;");
    EXPECT_EQ(s.rows("select s from out_t where n = 5"), (Rows{"10 3"}));
    EXPECT_EQ(error("begin pt_pkg.p.no_such(1); end;").rfind(
                  "ORA-06550: line 1, column 16:\nPLS-00302: component 'NO_SUCH' must be declared\n", 0),
              0u);
}

}  // namespace

namespace {

TEST_F(PlsqlTypeBodies, DateAndTimestampAttributes) {
    run("create type event_t as object (name varchar2(10), on_day date, at_time timestamp,\n"
        "  member function info return varchar2, member procedure postpone(days number))");
    run("create type body event_t as\n"
        "  member function info return varchar2 is begin\n"
        "    return name || ' ' || to_char(on_day, 'YYYY-MM-DD DY') || ' ' || to_char(at_time, 'HH24:MI:SS.FF3'); end;\n"
        "  member procedure postpone(days number) is begin on_day := on_day + days; end;\n"
        "end;");
    run("declare e event_t := event_t('a', date '2020-01-02', timestamp '2021-02-03 04:05:06.789');\n"
        "begin\n"
        "  insert into out_t values (1, e.info());\n"
        "  e.on_day := e.on_day + 30;\n"
        "  e.postpone(2);\n"
        "  insert into out_t values (2, e.info() || ' ' || to_char(e.on_day, 'DD.MM.YYYY'));\n"
        "end;");
    EXPECT_EQ(logged(), (Rows{"1|a 2020-01-02 THU 04:05:06.789", "2|a 2020-02-03 MON 04:05:06.789 03.02.2020"}));
    // In SQL: constructors convert text as a date column does, attributes are read and set.
    EXPECT_EQ(s.rows("select event_t('x', '07-MAY-20', null).info() from dual"), (Rows{"x 2020-05-07 THU "}));
    run("create table events (id number, e event_t)");
    run("insert into events values (1, event_t('y', date '2019-03-04', timestamp '2019-03-04 05:06:07'))");
    run("update events x set x.e.on_day = date '2000-01-01'");
    EXPECT_EQ(s.rows("select x.e.name, to_char(x.e.on_day, 'YYYY-MM-DD'), x.e.info() from events x"),
              (Rows{"y|2000-01-01|y 2000-01-01 SAT 05:06:07.000"}));
    EXPECT_EQ(error("select event_t('x', 5, null) from dual"),
              "ORA-00932: inconsistent datatypes: expected DATE got NUMBER");
}

}  // namespace
