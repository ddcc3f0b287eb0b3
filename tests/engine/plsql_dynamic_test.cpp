// EXECUTE IMMEDIATE on the embedded engine: DDL and DML from text, queries INTO
// variables, records and (BULK COLLECT) collections, USING arguments by position with IN,
// OUT and IN OUT modes, RETURNING INTO, dynamic PL/SQL blocks, and the dynamic
// statement's errors raised in the block as catchable exceptions.
#include "oci_session.h"

namespace {

class Dynamic : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    }

    std::string output_of(const std::string& block) { return server_output_of(s, block); }

    OciSession s;
};

TEST_F(Dynamic, DdlAndDmlFromText) {
    EXPECT_EQ(output_of("declare t varchar2(30) := 'dyn';\n"
                        "begin\n"
                        "  execute immediate 'create table ' || t || ' (id number, name varchar2(10))';\n"
                        "  execute immediate 'insert into dyn values (:1, :2)' using 1, 'one';\n"
                        "  execute immediate 'insert into dyn values (:a, :b)' using 2, 'two';\n"
                        "  execute immediate 'update dyn set name = upper(name) where id >= :x' using 1;\n"
                        "  dbms_output.put_line(sql%rowcount);\n"
                        "  execute immediate 'delete from dyn where id = :1' using 9;\n"
                        "  dbms_output.put_line(sql%rowcount || case when sql%notfound then ' none' end);\n"
                        "end;"),
              "2|0 none");
    EXPECT_EQ(s.rows("select id, name from dyn order by id"), (std::vector<std::string>{"1|ONE", "2|TWO"}));
}

TEST_F(Dynamic, QueriesIntoVariablesRecordsAndCollections) {
    ASSERT_EQ(s.exec("create table t (id number, name varchar2(10), d date)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into t values (1, 'a', date '2024-01-31')"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into t values (2, 'b', null)"), OCI_SUCCESS);
    EXPECT_EQ(output_of("declare\n"
                        "  n number; s varchar2(10); r t%rowtype;\n"
                        "  type nt is table of varchar2(10); names nt;\n"
                        "begin\n"
                        "  execute immediate 'select count(*), max(name) from t' into n, s;\n"
                        "  dbms_output.put_line(n || s);\n"
                        "  execute immediate 'select * from t where id = :1' into r using 1;\n"
                        "  dbms_output.put_line(r.id || r.name || to_char(r.d, 'YYYY-MM-DD'));\n"
                        "  execute immediate 'select name from t order by id desc' bulk collect into names;\n"
                        "  dbms_output.put_line(names.count || names(1) || names(2));\n"
                        "  execute immediate 'select name from t where d = :1' into s using r.d;\n"
                        "  dbms_output.put_line('by date ' || s);\n"
                        "  begin\n"
                        "    execute immediate 'select id from t where id > :1' into n using 5;\n"
                        "  exception when no_data_found then dbms_output.put_line('no data');\n"
                        "  end;\n"
                        "  begin\n"
                        "    execute immediate 'select id from t' into n;\n"
                        "  exception when too_many_rows then dbms_output.put_line('too many');\n"
                        "  end;\n"
                        "end;"),
              "2b|1a2024-01-31|2ba|by date a|no data|too many");
}

TEST_F(Dynamic, UsingOutArgumentsAndReturningInto) {
    ASSERT_EQ(s.exec("create table t (id number, name varchar2(10))"), OCI_SUCCESS);
    EXPECT_EQ(output_of("declare a number := 5; b varchar2(20); c varchar2(20) := 'x'; r varchar2(10);\n"
                        "begin\n"
                        "  execute immediate 'begin :1 := :1 * 2; :2 := :3 || ''y''; end;' using in out a, out b, c;\n"
                        "  dbms_output.put_line(a || ' ' || b);\n"
                        "  execute immediate 'insert into t values (:1, :2) returning name into :3'"
                        " using 7, 'seven' returning into r;\n"
                        "  dbms_output.put_line(r);\n"
                        "end;"),
              "10 xy|seven");
}

// USING arguments keep their PL/SQL types in the dynamic statement (DUMP shows them),
// NUMBERs keep every digit, and OUT arguments and RETURNING INTO targets come back in
// their types: a DATE keeps its time, whatever NLS_DATE_FORMAT says.
TEST_F(Dynamic, BindsKeepTheirPlsqlTypes) {
    ASSERT_EQ(s.exec("create table t (id number, d date, n number, r raw(4), ts timestamp)"), OCI_SUCCESS);
    EXPECT_EQ(output_of("declare\n"
                        "  s varchar2(200); d date := date '2020-01-02' + 1/24; n number := 1/3;\n"
                        "  bd binary_double := 2.5d; ts timestamp := timestamp '2020-01-02 03:04:05.5';\n"
                        "  ym interval year to month := interval '1-2' year to month; r raw(4) := hextoraw('0AFF');\n"
                        "  c char(3) := 'ab'; i pls_integer := 7;\n"
                        "  procedure p(x varchar2) is begin dbms_output.put_line(x); end;\n"
                        "begin\n"
                        "  execute immediate 'select dump(:x) from dual' into s using d; p(s);\n"
                        "  execute immediate 'select dump(:x) from dual' into s using n; p(substr(s, 1, 20));\n"
                        "  execute immediate 'select dump(:x) from dual' into s using bd; p(s);\n"
                        "  execute immediate 'select dump(:x) from dual' into s using ts; p(s);\n"
                        "  execute immediate 'select dump(:x) from dual' into s using ym; p(s);\n"
                        "  execute immediate 'select dump(:x) || dump(:y) from dual' into s using r, c; p(s);\n"
                        "  execute immediate 'select dump(:x) from dual' into s using i; p(s);\n"
                        "  execute immediate 'select :x + 1 from dual' into s using n; p(case when s = to_char(n + 1) then 'same' end);\n"
                        "  execute immediate 'insert into t values (1, :d, :n, :r, :ts)' using d, n, r, ts;\n"
                        "  execute immediate 'update t set d = d + 1, n = n + 1 where id = 1 returning d, n, r, ts"
                        " into :a, :b, :c, :e' returning into d, n, r, ts;\n"
                        "  p(to_char(d, 'YYYY-MM-DD HH24:MI') || ' ' || n || ' ' || r || ' ' || to_char(ts, 'FF3'));\n"
                        "  execute immediate 'begin :a := :b + 1/2; end;' using out d, in d; p(to_char(d, 'HH24:MI'));\n"
                        "  execute immediate 'begin :a := :a / 4; end;' using in out n; p(n);\n"
                        "end;"),
              "Typ=12 Len=7: 120,120,1,2,2,1,1|Typ=2 Len=21: 192,34|Typ=101 Len=8: 192,4,0,0,0,0,0,0|"
              "Typ=180 Len=11: 120,120,1,2,4,5,6,29,205,101,0|Typ=182 Len=5: 128,0,0,1,62|"
              "Typ=23 Len=2: 10,255Typ=96 Len=3: 97,98,32|Typ=2 Len=2: 193,8|same|"
              "2020-01-03 01:00 1.33333333333333333333333333333333333333 0AFF 500|13:00|"
              ".3333333333333333333333333333333333333325");
    EXPECT_EQ(output_of("declare\n"
                        "  type rc is ref cursor; c rc; s varchar2(100); d date := date '2020-05-06';\n"
                        "begin\n"
                        "  open c for 'select dump(:x) from dual where :x > date ''2020-01-01''' using d, d;\n"
                        "  fetch c into s; close c;\n"
                        "  dbms_output.put_line(s);\n"
                        "end;"),
              "Typ=12 Len=7: 120,120,5,6,1,1,1");
    // A CLOB longer than 64K bytes binds whole.
    EXPECT_EQ(output_of("declare c clob; n number;\n"
                        "begin\n"
                        "  for i in 1 .. 18 loop c := c || rpad('x', 4000, 'x'); end loop;\n"
                        "  execute immediate 'select length(:c) from dual' into n using c;\n"
                        "  dbms_output.put_line(n);\n"
                        "end;"),
              "72000");
}

TEST_F(Dynamic, ErrorsOfTheDynamicStatementAreCatchable) {
    EXPECT_EQ(output_of("begin\n"
                        "  execute immediate 'select * from missing_table';\n"
                        "exception when others then dbms_output.put_line(sqlcode || ' ' || sqlerrm);\n"
                        "end;"),
              "-942 ORA-00942: table or view does not exist");
    EXPECT_EQ(output_of("declare e exception; pragma exception_init(e, -904);\n"
                        "begin\n"
                        "  execute immediate 'create table z (a number)';\n"
                        "  execute immediate 'select nothere from z';\n"
                        "exception when e then dbms_output.put_line('caught ' || sqlcode);\n"
                        "end;"),
              "caught -904");
    std::string out = output_of("declare q varchar2(10); begin execute immediate q; end;");
    EXPECT_NE(out.find("ORA-06535: statement string in EXECUTE IMMEDIATE is NULL or 0 length"), std::string::npos)
        << out;
    out = output_of("begin execute immediate 'insert into z values (:1)'; end;");
    EXPECT_NE(out.find("ORA-01008"), std::string::npos) << out;
    // A failing block undoes what its dynamic DML did.
    out = output_of("begin execute immediate 'insert into z values (1)'; raise no_data_found; end;");
    EXPECT_NE(out.find("ORA-01403"), std::string::npos) << out;
    EXPECT_EQ(s.value("select count(*) from z"), "0");
}

}  // namespace
