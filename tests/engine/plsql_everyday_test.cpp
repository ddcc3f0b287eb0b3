// PL/SQL as application scripts write it: functions called in named and mixed notation
// (stored, package, local and supplied ones, in PL/SQL and in SQL), the optimizer's and
// compiler's hints on functions and pragmas taken without effect, and local overloads
// told apart by the types of their arguments.
#include "oci_session.h"

#include "values/named_params.h"
#include "values/sql_dialect.h"

namespace {

class EverydayPlsql : public ::testing::Test {
 protected:
  void SetUp() override {
    test_home();
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  OciSession s;
};

TEST_F(EverydayPlsql, NamedAndMixedNotationReachTheRightParameters) {
  ASSERT_EQ(s.exec("create or replace package everyday_pkg as\n"
                   "  function add3(a number, b number default 10, c number default 100) return number;\n"
                   "  function show(p number) return varchar2;\n"
                   "  function show(p varchar2, q varchar2 default '?') return varchar2;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create or replace package body everyday_pkg as\n"
                   "  function add3(a number, b number default 10, c number default 100) return number is\n"
                   "  begin return a + b + c; end;\n"
                   "  function show(p number) return varchar2 is begin return 'N' || p; end;\n"
                   "  function show(p varchar2, q varchar2 default '?') return varchar2 is\n"
                   "  begin return 'V' || p || q; end;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create or replace function everyday_mul(p_a number, p_b number default 5) return number is\n"
                   "begin return p_a * p_b; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(server_output_of(s,
                             "declare\n"
                             "  function loc(x number, y varchar2 default 'y', z varchar2 default 'z') return varchar2 is\n"
                             "  begin return x || y || z; end;\n"
                             "begin\n"
                             "  dbms_output.put_line(everyday_pkg.add3(1, c => 5));\n"
                             "  dbms_output.put_line(everyday_pkg.add3(c => 1, a => 2));\n"
                             "  dbms_output.put_line(everyday_pkg.add3(b => 0, a => 1, c => 0));\n"
                             "  dbms_output.put_line(everyday_pkg.show(q => '!', p => 'x'));\n"
                             "  dbms_output.put_line(everyday_mul(p_b => 2, p_a => 3) || everyday_mul(p_a => 4));\n"
                             "  dbms_output.put_line(loc(1, z => 'Q') || loc(z => 'a', x => 2));\n"
                             "end;"),
            "16|13|1|Vx!|620|1yQ2ya");
  EXPECT_EQ(s.value("select everyday_pkg.add3(1, c => 7) || everyday_mul(p_b => 3, p_a => 3) from dual"), "189");
  // An unknown name, a parameter given twice, one without default left out: PLS-00306.
  for (const char* call : {"everyday_pkg.add3(1, d => 3)", "everyday_pkg.add3(1, a => 3)",
                           "everyday_pkg.add3(b => 3)", "everyday_mul(p_b => 1)"}) {
    EXPECT_NE(s.exec(std::string("select ") + call + " from dual"), OCI_SUCCESS) << call;
    EXPECT_NE(s.error_text().find("PLS-306: wrong number or types of arguments"), std::string::npos)
        << call << ": " << s.error_text();
  }
  s.exec("begin dbms_output.put_line(everyday_pkg.add3(a => 1, 3)); end;");
  EXPECT_NE(s.error_text().find("PLS-312: a positional parameter association may not follow a named association"),
            std::string::npos)
      << s.error_text();
  s.exec("declare function loc(x number) return number is begin return x; end;\n"
         "begin dbms_output.put_line(loc(y => 1)); end;");
  EXPECT_NE(s.error_text().find("PLS-00306: wrong number or types of arguments in call to 'LOC'"), std::string::npos)
      << s.error_text();
  // Built-in functions take no names.
  EXPECT_NE(s.exec("select upper(ch => 'x') from dual"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 907);
  // A name that is no function stays an unknown identifier.
  EXPECT_NE(s.exec("select everyday_nosuch(a => 1) from dual"), OCI_SUCCESS);
  EXPECT_EQ(s.error_text(), "ORA-00904: \"EVERYDAY_NOSUCH\": invalid identifier\n");
  s.exec("begin dbms_output.put_line(everyday_nosuch(a => 1)); end;");
  EXPECT_NE(s.error_text().find("PLS-00201: identifier 'EVERYDAY_NOSUCH' must be declared"), std::string::npos)
      << s.error_text();
  // Pipelined functions take names in FROM too.
  ASSERT_EQ(s.exec("create or replace type everyday_nums as table of number"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("create or replace function everyday_gen(n number, step number default 1) return everyday_nums\n"
                   "pipelined is begin for i in 1..n loop pipe row(i * step); end loop; return; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.rows("select * from table(everyday_gen(step => 5, n => 2))"), (std::vector<std::string>{"5", "10"}));
}

TEST_F(EverydayPlsql, SuppliedFunctionsTakeTheirDocumentedParameterNames) {
  ASSERT_EQ(s.exec("create table everyday_t (id number)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select dbms_metadata.get_ddl(object_type => 'TABLE', name => 'EVERYDAY_T') from dual"),
            s.value("select dbms_metadata.get_ddl('TABLE', 'EVERYDAY_T') from dual"));
  EXPECT_EQ(s.value("select dbms_metadata.get_ddl('TABLE', 'EVERYDAY_T', transform => 'DDL') from dual"),
            s.value("select dbms_metadata.get_ddl('TABLE', 'EVERYDAY_T') from dual"));
  EXPECT_EQ(s.value("select round(dbms_random.value(high => 3, low => 3)) from dual"), "3");
  EXPECT_EQ(server_output_of(s, "begin dbms_output.put_line(dbms_assert.enquote_name(str => 'ab', capitalize => false)"
                                " || dbms_assert.simple_sql_name(str => 'EMP')"
                                " || dbms_lob.substr('abcdef', offset => 3, amount => 2)); end;"),
            "\"ab\"EMPcd");
  EXPECT_NE(s.exec("select dbms_metadata.get_ddl(objtype => 'TABLE', name => 'EVERYDAY_T') from dual"), OCI_SUCCESS);
  EXPECT_NE(s.error_text().find("PLS-306"), std::string::npos) << s.error_text();
  EXPECT_NE(s.exec("select dbms_metadata.get_ddl(name => 'EVERYDAY_T') from dual"), OCI_SUCCESS);
  EXPECT_NE(s.error_text().find("PLS-306"), std::string::npos) << s.error_text();
}

TEST(EverydayPlsqlCatalogue, NamedFunctionsAreCatalogueFunctionsOfTheirParameterCount) {
  const std::vector<DialectFunctionInfo> functions = dialect_function_catalogue();
  for (const NamedFunction* f : named_function_catalogue()) {
    const DialectFunctionInfo* found = nullptr;
    for (const DialectFunctionInfo& d : functions)
      if (d.name == f->function) found = &d;
    ASSERT_NE(found, nullptr) << f->function;
    const std::size_t count = named_param_count(*f);
    EXPECT_EQ(static_cast<int>(count), found->max_args) << f->function;
    int required = 0;
    bool defaults = false;
    for (std::size_t k = 0; k < count; ++k) {
      if (f->params[k].default_value) {
        defaults = true;
      } else {
        EXPECT_FALSE(defaults) << f->function << ": " << f->params[k].name << " has no default after one that has";
        ++required;
      }
    }
    EXPECT_GE(required, found->min_args) << f->function;
    EXPECT_EQ(named_function(std::string("SYS.") + f->function), f);
  }
  EXPECT_EQ(named_function("UPPER"), nullptr);
}

TEST_F(EverydayPlsql, HintsOnFunctionsAndInformativePragmasAreAccepted) {
  ASSERT_EQ(s.exec("create or replace function everyday_cached(p number) return number\n"
                   "  deterministic parallel_enable result_cache relies_on (dual) is\n"
                   "begin return p + 1; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select count(*) from user_errors where name = 'EVERYDAY_CACHED'"), "0");
  ASSERT_EQ(s.exec("create or replace package everyday_hints as\n"
                   "  pragma serially_reusable;\n"
                   "  function f(x number) return number;\n"
                   "  pragma restrict_references(f, wnds, wnps, rnds, rnps);\n"
                   "  function g(x number) return number result_cache;\n"
                   "  function h(x number) return number parallel_enable (partition c by any);\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create or replace package body everyday_hints as\n"
                   "  pragma serially_reusable;\n"
                   "  function f(x number) return number is begin return x + 1; end;\n"
                   "  function g(x number) return number result_cache is begin return x + 2; end;\n"
                   "  function h(x number) return number parallel_enable (partition c by any) is\n"
                   "  begin return x + 3; end;\n"
                   "end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select count(*) from user_errors where name = 'EVERYDAY_HINTS'"), "0");
  EXPECT_EQ(s.value("select everyday_cached(1) || everyday_hints.f(1) || everyday_hints.g(1) || everyday_hints.h(1)"
                    " from dual"),
            "2234");
  // A pragma the language does not know stays an error.
  s.exec("create or replace package everyday_bad as pragma no_such_pragma; end;");
  EXPECT_NE(s.value("select count(*) from user_errors where name = 'EVERYDAY_BAD'"), "0");
}

TEST_F(EverydayPlsql, LocalOverloadsAreChosenByTheirArgumentsTypes) {
  EXPECT_EQ(server_output_of(s,
                             "declare\n"
                             "  n number := 3; t varchar2(5) := 'q'; d date := date '2024-02-03';\n"
                             "  function g(x number) return varchar2 is begin return 'N' || x; end;\n"
                             "  function g(x varchar2) return varchar2 is begin return 'V' || x; end;\n"
                             "  function g(x date) return varchar2 is begin return 'D' || to_char(x, 'MMDD'); end;\n"
                             "begin\n"
                             "  dbms_output.put_line(g(4) || g('a') || g(n) || g(t) || g(d) || g(date '2024-01-02')"
                             " || g(x => -n) || g('a' || 'b'));\n"
                             "end;"),
            "N4VaN3VqD0203D0102N-3Vab");
  // Nothing in the argument's form tells them apart.
  s.exec("declare\n"
         "  function g(x number) return varchar2 is begin return 'N'; end;\n"
         "  function g(x varchar2) return varchar2 is begin return 'V'; end;\n"
         "begin dbms_output.put_line(g(null)); end;");
  EXPECT_NE(s.error_text().find("PLS-00307: too many declarations of 'G' match this call"), std::string::npos)
      << s.error_text();
}

TEST_F(EverydayPlsql, GotoGoesToLabelsOfItsOwnAndEnclosingLists) {
  EXPECT_EQ(server_output_of(s,
                             "declare i number := 0; n number := 0;\n"
                             "begin\n"
                             "  <<top>>\n"
                             "  i := i + 1;\n"
                             "  if i < 3 then goto top; end if;\n"
                             "  dbms_output.put_line('i=' || i);\n"
                             "  goto skip;\n"
                             "  dbms_output.put_line('skipped');\n"
                             "  <<skip>> <<also>>\n"
                             "  for k in 1..5 loop\n"
                             "    if k = 2 then goto done; end if;\n"
                             "    dbms_output.put_line('k=' || k);\n"
                             "  end loop;\n"
                             "  <<done>>\n"
                             "  <<retry>>\n"
                             "  begin\n"
                             "    n := n + 1;\n"
                             "    if n < 3 then raise program_error; end if;\n"
                             "    dbms_output.put_line('n=' || n);\n"
                             "  exception when program_error then goto retry;\n"
                             "  end;\n"
                             "end;"),
            "i=3|k=1|n=3");
  s.exec("begin goto nowhere; end;");
  EXPECT_EQ(s.error_text(), "ORA-06550: line 1, column 7:\nPLS-00201: identifier 'NOWHERE' must be declared\n");
  // Into an IF branch, a loop or a handler of its own block: not reachable.
  for (const char* block : {"begin goto inner; if 1 = 1 then <<inner>> null; end if; end;",
                            "begin goto inner; loop <<inner>> null; exit; end loop; end;",
                            "begin raise program_error; <<body>> null;\n"
                            "exception when others then goto body; end;"}) {
    s.exec(block);
    EXPECT_NE(s.error_text().find("PLS-00375: illegal GOTO statement; this label cannot be branched to"),
              std::string::npos)
        << block << ": " << s.error_text();
  }
}

TEST_F(EverydayPlsql, ContinueAndExitWithALabelActOnThatLoop) {
  EXPECT_EQ(server_output_of(s,
                             "begin\n"
                             "  <<outer>>\n"
                             "  for i in 1..3 loop\n"
                             "    for j in reverse 1..3 loop\n"
                             "      continue outer when j = 2;\n"
                             "      dbms_output.put_line(i || ':' || j);\n"
                             "    end loop;\n"
                             "  end loop;\n"
                             "  <<o2>>\n"
                             "  for i in 1..3 loop\n"
                             "    for j in 1..2 loop\n"
                             "      exit o2 when i = 2;\n"
                             "      continue when j = 1;\n"
                             "      dbms_output.put_line(i || '-' || j);\n"
                             "    end loop;\n"
                             "  end loop;\n"
                             "end;"),
            "1:3|2:3|3:3|1-2");
}

TEST_F(EverydayPlsql, ALoopOverTheDictionaryDropsWhatItLists) {
  for (const char* ddl : {"create table everyday_a (id number primary key)",
                          "create table everyday_b (id number references everyday_a)",
                          "create index everyday_b_ix on everyday_b (id)", "create view everyday_v as select * from everyday_a",
                          "create sequence everyday_s"})
    ASSERT_EQ(s.exec(ddl), OCI_SUCCESS) << ddl << ": " << s.error_text();
  EXPECT_EQ(server_output_of(s,
                             "declare n number := 0;\n"
                             "begin\n"
                             "  for r in (select object_name, object_type from user_objects\n"
                             "            where object_name like 'EVERYDAY%' and object_type in ('TABLE','VIEW','SEQUENCE')\n"
                             "            order by decode(object_type, 'VIEW', 1, 2), object_name) loop\n"
                             "    execute immediate 'drop ' || r.object_type || ' ' || r.object_name ||\n"
                             "      case r.object_type when 'TABLE' then ' cascade constraints purge' end;\n"
                             "    n := n + 1;\n"
                             "    dbms_output.put_line(r.object_name);\n"
                             "  end loop;\n"
                             "  dbms_output.put_line(n);\n"
                             "end;"),
            "EVERYDAY_V|EVERYDAY_A|EVERYDAY_B|EVERYDAY_S|4");
  EXPECT_EQ(s.value("select count(*) from user_objects where object_name like 'EVERYDAY%'"), "0");
  // An explicit cursor read ahead keeps its attributes and its remaining rows.
  ASSERT_EQ(s.exec("create table everyday_c (id number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into everyday_c select level from dual connect by level <= 3"), OCI_SUCCESS);
  EXPECT_EQ(server_output_of(s,
                             "declare cursor c is select id from everyday_c order by id; v number;\n"
                             "begin\n"
                             "  execute immediate 'create table everyday_d (x number)';\n"
                             "  open c;\n"
                             "  fetch c into v;\n"
                             "  execute immediate 'drop table everyday_d';\n"
                             "  loop\n"
                             "    dbms_output.put_line(v || ':' || c%rowcount);\n"
                             "    fetch c into v;\n"
                             "    exit when c%notfound;\n"
                             "  end loop;\n"
                             "  close c;\n"
                             "end;"),
            "1:1|2:2|3:3");
}

TEST_F(EverydayPlsql, DependenciesListWhatUnitsAndTriggersCall) {
  ASSERT_EQ(s.exec("create table everyday_dt (a number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("create or replace function everyday_df return number is begin return 1; end;"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create or replace package everyday_dp as procedure p; end;"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("create or replace package body everyday_dp as\n"
                   "  procedure p is begin dbms_output.put_line(everyday_df); end;\nend;"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("create or replace trigger everyday_dtr before insert on everyday_dt for each row\n"
                   "begin :new.a := everyday_df; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.rows("select name || ' ' || type || ' ' || referenced_name || ' ' || referenced_type || ' ' ||"
                   " dependency_type from user_dependencies where name like 'EVERYDAY%' order by 1"),
            (std::vector<std::string>{"EVERYDAY_DP PACKAGE BODY EVERYDAY_DF FUNCTION HARD",
                                      "EVERYDAY_DP PACKAGE BODY EVERYDAY_DP PACKAGE HARD",
                                      "EVERYDAY_DTR TRIGGER EVERYDAY_DF FUNCTION HARD"}));
  EXPECT_EQ(s.value("select count(*) from all_dependencies where owner = user and name like 'EVERYDAY%'"), "3");
  EXPECT_EQ(s.value("select count(*) from dba_dependencies where referenced_name = 'EVERYDAY_DF'"), "2");
}

TEST_F(EverydayPlsql, CommaListsBecomeNameTablesAndBack) {
  EXPECT_EQ(server_output_of(s,
                             "declare t dbms_utility.uncl_array; n binary_integer; s varchar2(200);\n"
                             "begin\n"
                             "  dbms_utility.comma_to_table('a, b,\"C d\",scott.emp,x.y.z@lnk', n, t);\n"
                             "  dbms_output.put_line(n || '[' || t(1) || '][' || t(2) || '][' || t(3) || ']['"
                             " || t(5) || ']' || nvl(t(6), 'null') || t.count);\n"
                             "  dbms_utility.table_to_comma(t, n, s);\n"
                             "  dbms_output.put_line(n || '=' || s);\n"
                             "end;"),
            "5[a][ b][\"C d\"][x.y.z@lnk]null6|5=a, b,\"C d\",scott.emp,x.y.z@lnk");
  // TABLE_TO_COMMA stops at the first element that is missing or NULL.
  EXPECT_EQ(server_output_of(s,
                             "declare t dbms_utility.lname_array; n binary_integer; s varchar2(100);\n"
                             "begin t(1) := 'x'; t(2) := 'y'; t(4) := 'z';\n"
                             "  dbms_utility.table_to_comma(t, n, s); dbms_output.put_line(n || ':' || s); end;"),
            "2:x,y");
  for (const char* list : {"a,1b", "a,,b", "a b", "\"open", "a.b.c.d", "a,"}) {
    s.exec(std::string("declare t dbms_utility.uncl_array; n binary_integer;\n"
                       "begin dbms_utility.comma_to_table('") +
           list + "', n, t); end;");
    EXPECT_NE(s.error_text().find("ORA-20001: comma-separated list invalid near"), std::string::npos)
        << list << ": " << s.error_text();
  }
  s.exec("declare n number; s varchar2(10); begin dbms_utility.table_to_comma(n, n, s); end;");
  EXPECT_NE(s.error_text().find("PLS-00306: wrong number or types of arguments in call to 'TABLE_TO_COMMA'"),
            std::string::npos)
      << s.error_text();
}

TEST_F(EverydayPlsql, DualAndDictionaryViewsAnchorTypes) {
  ASSERT_EQ(s.exec("create table everyday_anchor (a number)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(server_output_of(s,
                             "declare r dual%rowtype; o user_objects%rowtype;\n"
                             "  n user_tables.table_name%type; type rc is ref cursor return sys.dual%rowtype; c rc;\n"
                             "begin\n"
                             "  select * into r from dual; dbms_output.put_line(r.dummy);\n"
                             "  select * into o from user_objects where object_name = 'EVERYDAY_ANCHOR';\n"
                             "  dbms_output.put_line(o.object_name || ' ' || o.object_type);\n"
                             "  n := rpad('x', 128, 'y'); dbms_output.put_line(length(n));\n"
                             "  open c for select * from dual; fetch c into r; close c; dbms_output.put_line(r.dummy);\n"
                             "end;"),
            "X|EVERYDAY_ANCHOR TABLE|128|X");
  s.exec("declare n user_tables.table_name%type; begin n := rpad('x', 129, 'y'); end;");
  EXPECT_NE(s.error_text().find("ORA-06502"), std::string::npos) << s.error_text();
  s.exec("declare r no_such_view%rowtype; begin null; end;");
  EXPECT_NE(s.error_text().find("PLS-00201: identifier 'NO_SUCH_VIEW' must be declared"), std::string::npos)
      << s.error_text();
}

TEST_F(EverydayPlsql, InsertReturnsTheNewRowsRowid) {
  ASSERT_EQ(s.exec("create table everyday_rid (id number, v varchar2(10))"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(server_output_of(s,
                             "declare n number; r rowid; r2 rowid;\n"
                             "begin\n"
                             "  insert into everyday_rid values (7, 'a') returning id, rowid into n, r;\n"
                             "  select rowid into r2 from everyday_rid where id = 7;\n"
                             "  dbms_output.put_line(n || case when r = r2 then ' same' end);\n"
                             "  delete from everyday_rid where rowid = r;\n"
                             "  dbms_output.put_line(sql%rowcount);\n"
                             "end;"),
            "7 same|1");
}

TEST_F(EverydayPlsql, TheRecycleBinIsEmptyAndPurgesToNothing) {
  ASSERT_EQ(s.exec("create table everyday_bin (a number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("drop table everyday_bin"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select count(*) from recyclebin"), "0");
  EXPECT_EQ(s.value("select count(*) from user_recyclebin where original_name = 'EVERYDAY_BIN'"), "0");
  EXPECT_EQ(s.exec("purge recyclebin"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("purge tablespace users"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.exec("begin execute immediate 'purge recyclebin'; end;"), OCI_SUCCESS) << s.error_text();
  EXPECT_NE(s.exec("purge table everyday_bin"), OCI_SUCCESS);
  EXPECT_EQ(s.error_text(), "ORA-38307: object not in RECYCLE BIN\n");
  EXPECT_NE(s.exec("purge dba_recyclebin"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 1031);
  EXPECT_NE(s.exec("purge everything"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 905);
}

}  // namespace
