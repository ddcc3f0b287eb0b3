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
