// The engine at the edges of its nesting: long chains of operators, deep nesting of
// expressions, blocks and IFs, deep PL/SQL recursion. Each either works as Oracle does
// or is refused with an Oracle error; none may crash the session. Also: each PL/SQL
// expression is evaluated exactly once per execution.
#include "oci_session.h"

#include <string>

namespace {

class Limits : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    }

    // term op term op ... with n terms.
    static std::string chain(const std::string& term, const std::string& op, int n) {
        std::string sql = term;
        for (int k = 1; k < n; ++k) sql += op + term;
        return sql;
    }

    // Runs a block with server output on; the lines it printed, joined by '\n'.
    std::string output_of(const std::string& block) {
        EXPECT_EQ(s.exec("begin dbms_output.enable(1000000); end;"), OCI_SUCCESS) << s.error_text();
        EXPECT_EQ(s.exec(block), OCI_SUCCESS) << block << "\n" << s.error_text();
        std::string all;
        OciStatement st(s, "begin dbms_output.get_line(:1,:2); end;");
        char line[512];
        int status = 0;
        sb2 ind = 0;
        OCIBind* b1 = nullptr;
        OCIBind* b2 = nullptr;
        s.oci->OCIBindByPos(st.stmt, &b1, s.err, 1, line, sizeof line, SQLT_STR, &ind, nullptr, nullptr, 0, nullptr,
                            OCI_DEFAULT);
        s.oci->OCIBindByPos(st.stmt, &b2, s.err, 2, &status, sizeof status, SQLT_INT, nullptr, nullptr, nullptr, 0,
                            nullptr, OCI_DEFAULT);
        for (int guard = 0; guard < 100000 && st.execute(1) == OCI_SUCCESS && status == 0; ++guard)
            all += (all.empty() ? "" : "\n") + std::string(ind == -1 ? "" : line);
        return all;
    }

    // The session still answers after whatever happened.
    void expect_alive() { EXPECT_EQ(s.value("select 1 + 1 from dual"), "2") << s.error_text(); }

    OciSession s;
};

TEST_F(Limits, LongOperatorChainsWorkAsInOracle) {
    EXPECT_EQ(s.value("select " + chain("1", " + ", 8000) + " from dual"), "8000") << s.error_text();
    EXPECT_EQ(s.value("select 100000 " + chain("- 1", " ", 8000) + " from dual"), "92000") << s.error_text();
    // Signs mixed in a long chain keep their left-to-right meaning.
    EXPECT_EQ(s.value("select 10" + chain(" - 2 + 1", "", 100) + " from dual"), "-90") << s.error_text();
    EXPECT_EQ(s.value("select count(*) from dual where " + chain("1 = 1", " and ", 10000)), "1") << s.error_text();
    EXPECT_EQ(s.value("select count(*) from dual where " + chain("1 = 0", " or ", 10000) + " or 2 = 2"), "1")
        << s.error_text();
    EXPECT_EQ(s.value("select count(*) from dual where " + chain("1 = 1", " and ", 5000) + " and 1 = 0"), "0")
        << s.error_text();
    EXPECT_EQ(s.value("select length(" + chain("'ab'", " || ", 1500) + ") from dual"), "3000") << s.error_text();
    EXPECT_EQ(s.value("select " + chain("2", " * ", 40) + " from dual"), "1099511627776") << s.error_text();
    // A NULL inside a long concatenation counts as empty text.
    EXPECT_EQ(s.value("select " + chain("'x'", " || null || ", 200) + " from dual"), std::string(200, 'x'));
    // A date at the head of a long chain keeps the date arithmetic.
    EXPECT_EQ(s.value("select to_char(date '2020-01-01' " + chain("+ 1", " ", 60) + ", 'YYYY-MM-DD') from dual"),
              "2020-03-01")
        << s.error_text();
    ASSERT_EQ(s.exec("create table t (a number, b varchar2(10))"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into t values (5, 'q')"), OCI_SUCCESS);
    EXPECT_EQ(s.value("select " + chain("a", " + ", 3000) + " from t where " + chain("b = 'q'", " and ", 3000)),
              "15000")
        << s.error_text();
    // The other walks over a statement's expressions meet the same chains.
    EXPECT_EQ(s.value("select " + chain("a", " + ", 3000) + " from t group by a"), "15000") << s.error_text();
    EXPECT_EQ(s.value("select count(*) from t where " + chain("a = 5", " or ", 10000) + " connect by level <= 2"), "2")
        << s.error_text();
    EXPECT_EQ(s.exec("explain plan for select * from t where " + chain("a = 5", " and ", 10000)), OCI_SUCCESS)
        << s.error_text();
}

// Compounds of more blocks than SQLite joins at once, and functions of more arguments
// than it takes, work as in Oracle; DECODE keeps Oracle's 255 components.
TEST_F(Limits, LongCompoundsAndArgumentListsWorkAsInOracle) {
    auto blocks = [](int n, const std::string& op) {
        std::string sql;
        for (int k = 1; k <= n; ++k) sql += (k > 1 ? op : "") + "select " + std::to_string(k) + " x from dual";
        return sql;
    };
    EXPECT_EQ(s.value("select count(*) || ':' || sum(x) from (" + blocks(1500, " union all ") + ")"), "1500:1125750")
        << s.error_text();
    EXPECT_EQ(s.value("select count(*) from (" + blocks(1200, " union ") + " union select 1 from dual)"), "1200")
        << s.error_text();
    // Mixed operators apply from left to right: the MINUS at the end removes block 3.
    EXPECT_EQ(s.value("select count(*) from (" + blocks(900, " union all ") + " minus select 3 from dual)"), "899")
        << s.error_text();
    EXPECT_EQ(s.rows(blocks(700, " union all ") + " order by 1 desc fetch first 2 rows only"),
              (std::vector<std::string>{"700", "699"}))
        << s.error_text();
    std::string nulls;
    for (int k = 0; k < 3000; ++k) nulls += "null,";
    EXPECT_EQ(s.value("select coalesce(" + nulls + "7) from dual"), "7") << s.error_text();
    std::string numbers, texts;
    for (int k = 0; k < 2000; ++k) numbers += (k ? "," : "") + std::to_string(k);
    for (int k = 10; k < 999; ++k) texts += (k > 10 ? ",'" : "'") + std::to_string(k) + "'";
    EXPECT_EQ(s.value("select greatest(" + numbers + ") || least(" + numbers + ") from dual"), "19990") << s.error_text();
    EXPECT_EQ(s.value("select least(" + texts + ") || greatest(" + texts + ") from dual"), "10998") << s.error_text();
    EXPECT_EQ(s.value("select nvl(to_char(greatest(" + numbers + ",null)), 'N') from dual"), "N") << s.error_text();
    std::string decode = "select decode(5";
    for (int k = 0; k < 127; ++k) decode += "," + std::to_string(k) + "," + std::to_string(k);
    EXPECT_EQ(s.value(decode + ") from dual"), "5") << s.error_text();
    EXPECT_EQ(s.exec(decode + ",-1) from dual"), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 939) << s.error_text();
    expect_alive();
}

// f(f(f(...))) with n calls around arg.
std::string nested(const std::string& f, int n, const std::string& arg, const std::string& extra = "") {
    std::string sql;
    for (int k = 0; k < n; ++k) sql += f + "(";
    sql += arg;
    for (int k = 0; k < n; ++k) sql += extra + ")";
    return sql;
}

// Calls of supplied procedures with more arguments than any parameter list has are
// PLS-00306, whatever their count (parameter masks have a fixed width).
TEST_F(Limits, SuppliedProceduresGivenManyArgumentsArePls306) {
    for (const char* proc : {"dbms_output.enable", "dbms_output.put_line", "dbms_lob.append", "dbms_random.seed"}) {
        std::string args;
        for (int i = 0; i < 40; ++i) args += (i ? ",1" : "1");
        EXPECT_EQ(s.exec(std::string("begin ") + proc + "(" + args + "); end;"), OCI_ERROR) << proc;
        EXPECT_EQ(s.error_code(), 6550) << proc;
        EXPECT_NE(s.error_text().find("PLS-00306"), std::string::npos) << proc << ": " << s.error_text();
    }
    expect_alive();
}

TEST_F(Limits, DeeplyNestedCallsWorkAsInOracle) {
    EXPECT_EQ(s.value("select " + nested("abs", 150, "-7") + " from dual"), "7") << s.error_text();
    EXPECT_EQ(s.value("select " + nested("upper", 60, nested("lower", 60, "'Ab'")) + " from dual"), "AB")
        << s.error_text();
    EXPECT_EQ(s.value("select " + nested("nvl", 120, "null", ", 5") + " from dual"), "5") << s.error_text();
    EXPECT_EQ(s.value("select " + nested("substr", 100, "'abcdef'", ", 2, 4") + " from dual"), "<null>")
        << s.error_text();
    EXPECT_EQ(s.value("select " + nested("replace", 100, "'aaa'", ", 'b', 'c'") + " from dual"), "aaa")
        << s.error_text();
    ASSERT_EQ(s.exec("create table w (a number, b varchar2(20))"), OCI_SUCCESS);
    EXPECT_EQ(s.exec("insert into w values (" + nested("abs", 120, "-3") + ", " + nested("trim", 120, "' x '") + ")"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.exec("update w set a = a + " + nested("round", 120, "2.4")), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.exec("update w set a = a + 0 where b = " + nested("upper", 100, "'x'") + " or b = 'x'"), OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.exec("delete from w where b = " + nested("upper", 100, "'y'")), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select a || b from w where " + nested("length", 1, nested("lower", 120, "'Q'")) + " = 1"), "5x")
        << s.error_text();
    // Around the row's columns: the same, row by row.
    ASSERT_EQ(s.exec("insert into w values (-8, ' Y ')"), OCI_SUCCESS);
    EXPECT_EQ(s.rows("select " + nested("abs", 150, "a") + " || " + nested("trim", 100, "b") + " from w order by a"),
              (std::vector<std::string>{"8Y", "5x"}))
        << s.error_text();
    EXPECT_EQ(s.value("select count(*) from w where " + nested("upper", 120, nested("trim", 30, "b")) + " = 'Y'"), "1")
        << s.error_text();
    EXPECT_EQ(s.exec("update w set b = " + nested("lower", 120, "b || a") + " where a < 0"), OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.value("select b from w where a < 0"), " y -8") << s.error_text();
    // In PL/SQL: the same, with variables.
    EXPECT_EQ(s.exec("declare v number := -2; r number; begin r := " + nested("abs", 150, "v") +
                     "; if r <> 2 then raise program_error; end if; end;"),
              OCI_SUCCESS)
        << s.error_text();
    expect_alive();
}

TEST_F(Limits, DeepNestingIsRefusedWithAnOracleError) {
    std::string deep = "select " + std::string(300, '(') + "1" + std::string(300, ')') + " from dual";
    EXPECT_EQ(s.exec(deep), OCI_ERROR);
    EXPECT_EQ(s.error_text(), "ORA-03095: expression level is too deep, maximum 200\n");
    std::string nots = "select 1 from dual where " + chain("not", " ", 5000) + " 1 = 1";
    EXPECT_EQ(s.exec(nots), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 3095);
    // Within the parser's limit, runs of NOT and of signs are as deep as they like.
    EXPECT_EQ(s.value("select count(*) from dual where " + chain("not", " ", 151) + " 1 = 0"), "1") << s.error_text();
    EXPECT_EQ(s.value("select count(*) from dual where " + chain("not", " ", 150) + " 1 = 0"), "0") << s.error_text();
    EXPECT_EQ(s.value("select " + chain("-", " ", 151) + " 4 from dual"), "-4") << s.error_text();
    EXPECT_EQ(s.value("select " + chain("- +", " ", 75) + " 4 from dual"), "-4") << s.error_text();
    std::string calls = "select ";
    for (int k = 0; k < 1000; ++k) calls += "abs(";
    calls += "1" + std::string(1000, ')') + " from dual";
    EXPECT_EQ(s.exec(calls), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 3095);
    expect_alive();
}

TEST_F(Limits, DeclarationWithoutANameIsACompileError) {
    EXPECT_EQ(s.exec("declare x%rowtype; begin null; end;"), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 6550);
    EXPECT_NE(s.error_text().find("PLS-00"), std::string::npos) << s.error_text();
    expect_alive();
}

TEST_F(Limits, DeepBlocksAndIfsNeverCrash) {
    std::string blocks = chain("begin", " ", 7000) + " null; " + chain("end;", " ", 7000);
    EXPECT_EQ(s.exec(blocks), OCI_ERROR);
    EXPECT_NE(s.error_text().find("PLS-00102: parser stack overflow because nesting is too deep"), std::string::npos)
        << s.error_text();
    std::string ifs =
        "begin " + chain("if 1 = 1 then", " ", 10000) + " null; " + chain("end if;", " ", 10000) + " end;";
    EXPECT_EQ(s.exec(ifs), OCI_ERROR);
    EXPECT_NE(s.error_text().find("PLS-00102"), std::string::npos) << s.error_text();
    // Nesting within the limit runs.
    std::string fine = "declare n number := 0; begin " + chain("if n = 0 then", " ", 200) + " n := 1; " +
                       chain("end if;", " ", 200) + " if n <> 1 then raise program_error; end if; end;";
    EXPECT_EQ(s.exec(fine), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("begin " + chain("begin", " ", 200) + " null; " + chain("end;", " ", 200) + " end;"), OCI_SUCCESS)
        << s.error_text();
    expect_alive();
}

// noisy(x) prints "n<x>" and returns x: the lines count its calls.
TEST_F(Limits, EachExpressionIsEvaluatedOncePerExecution) {
    ASSERT_EQ(s.exec("create or replace function noisy(x number) return number is begin "
                     "dbms_output.put_line('n' || x); return x; end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace procedure show(x number) is begin dbms_output.put_line('show ' || x); end;"),
              OCI_SUCCESS)
        << s.error_text();
    // IF: the true and the false branch, and ELSIF.
    EXPECT_EQ(output_of("begin if noisy(1) = 1 then show(1); else show(2); end if; end;"), "n1\nshow 1");
    EXPECT_EQ(output_of("begin if noisy(0) = 1 then show(1); else show(2); end if; end;"), "n0\nshow 2");
    EXPECT_EQ(output_of("begin if noisy(null) = 1 then show(1); else show(2); end if; end;"), "n\nshow 2");
    EXPECT_EQ(
        output_of("begin if noisy(0) = 1 then show(1); elsif noisy(2) = 1 then show(2); else show(3); end if; end;"),
        "n0\nn2\nshow 3");
    // WHILE and EXIT WHEN: once per test of the condition.
    EXPECT_EQ(output_of("declare n number := 0; begin while noisy(n) < 2 loop n := n + 1; end loop; end;"),
              "n0\nn1\nn2");
    EXPECT_EQ(output_of("declare n number := 0; begin loop n := n + 1; exit when noisy(n) >= 2; end loop; end;"),
              "n1\nn2");
    // CASE: the selector once, whichever WHEN matches; searched CASE: each WHEN tried once.
    EXPECT_EQ(output_of("begin case noisy(3) when 1 then show(1); when 2 then show(2); else show(0); end case; end;"),
              "n3\nshow 0");
    EXPECT_EQ(output_of("begin case noisy(2) when 1 then show(1); when 2 then show(2); end case; end;"), "n2\nshow 2");
    EXPECT_EQ(output_of("begin case when noisy(0) = 1 then show(1); when noisy(1) = 1 then show(2); end case; end;"),
              "n0\nn1\nshow 2");
    // Assignments (a boolean one too, false and NULL) and arguments.
    EXPECT_EQ(output_of("declare v number; b boolean; begin v := noisy(4); b := noisy(0) = 1; b := noisy(null) = 1; "
                        "if b is null then show(v); end if; end;"),
              "n4\nn0\nn\nshow 4");
    EXPECT_EQ(output_of("begin show(noisy(5) + noisy(6)); dbms_output.put_line(noisy(7)); end;"),
              "n5\nn6\nshow 11\nn7\n7");
}

TEST_F(Limits, ExpressionErrorsArePlacedAtTheirTokens) {
    EXPECT_EQ(s.exec("declare v number;\nbegin\n  v := 1 +\n    nosuch;\nend;"), OCI_ERROR);
    EXPECT_EQ(s.error_text(),
              "ORA-06550: line 4, column 5:\nPLS-00201: identifier 'NOSUCH' must be declared\n"
              "ORA-06550: line 3, column 3:\nPL/SQL: Statement ignored\n");
    ASSERT_EQ(s.exec("create table tt (a varchar2(1))"), OCI_SUCCESS);
    EXPECT_EQ(s.exec("declare r tt%rowtype;\nbegin\n  if r.nofield = 'X' then null; end if;\nend;"), OCI_ERROR);
    EXPECT_NE(s.error_text().find("line 3, column 8:\nPLS-00302: component 'NOFIELD' must be declared"),
              std::string::npos)
        << s.error_text();
    EXPECT_EQ(s.exec("declare v number;\nbegin\n  v := 1 + 2 3;\nend;"), OCI_ERROR);
    EXPECT_NE(s.error_text().find("line 3, column 14:\nPLS-00103: Encountered the symbol \"3\""), std::string::npos)
        << s.error_text();
    EXPECT_EQ(s.exec("begin if sql%rowcount = 0 then null; end if; end;"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.exec("select sql%rowcount from dual"), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 911);
}

}  // namespace

namespace {

TEST_F(Limits, SelfRecursiveUnitsCompileWhenFirstCreatedAndRecurseDeeply) {
    ASSERT_EQ(s.exec("create or replace function depth_of(n number) return number is begin "
                     "if n <= 0 then return 0; end if; return 1 + depth_of(n - 1); end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.value("select status from user_objects where object_name = 'DEPTH_OF'"), "VALID");
    EXPECT_EQ(s.value("select count(*) from user_errors"), "0");
    EXPECT_EQ(s.value("select depth_of(10) from dual"), "10") << s.error_text();
    EXPECT_EQ(s.value("select depth_of(10000) from dual"), "10000") << s.error_text();
    ASSERT_EQ(s.exec("create table hits (n number)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("create or replace procedure down(n number) is begin "
                     "if n > 0 then down(n - 1); else insert into hits values (0); end if; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.value("select status from user_objects where object_name = 'DOWN'"), "VALID");
    EXPECT_EQ(s.exec("begin down(10000); end;"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.value("select count(*) from hits"), "1");
    expect_alive();
}

}  // namespace

namespace {

TEST_F(Limits, RecursionBeyondTheLimitIsAnOracleError) {
    ASSERT_EQ(s.exec("create or replace function forever(n number) return number is begin "
                     "return forever(n + 1); end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.exec("declare v number; begin v := forever(0); end;"), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 36) << s.error_text().substr(0, 300);
    EXPECT_EQ(s.error_text().rfind("ORA-00036: maximum number of recursive SQL levels (20000) exceeded", 0), 0u);
    ASSERT_EQ(s.exec("create or replace procedure spin(n number) is begin spin(n + 1); end;"), OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.exec("begin spin(0); end;"), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 36) << s.error_text().substr(0, 300);
    // The error stack stays short however deep the recursion went.
    EXPECT_LT(s.error_text().size(), 5000u);
    ASSERT_EQ(s.exec("create or replace package pk is procedure p(n number); end;"), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body pk is procedure p(n number) is begin "
                     "if n > 0 then p(n - 1); end if; end; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.exec("begin pk.p(3000); end;"), OCI_SUCCESS) << s.error_text().substr(0, 300);
    expect_alive();
}

// A function whose query calls it again nests one SQL level per call: Oracle's 50 levels
// of recursive SQL hold there, while calls in PL/SQL expressions nest far deeper.
TEST_F(Limits, FunctionsRecursingThroughTheirQueriesStopAtFiftySqlLevels) {
    ASSERT_EQ(s.exec("create table one_row (x number)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into one_row values (1)"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("create or replace function depth_of(n number) return number is v number; begin "
                     "if n = 0 then return 0; end if; select depth_of(n - 1) + x into v from one_row; return v; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.value("select depth_of(45) from dual"), "45") << s.error_text();
    EXPECT_EQ(s.exec("select depth_of(60) from dual"), OCI_ERROR);
    EXPECT_EQ(s.error_text().substr(0, s.error_text().find('\n')),
              "ORA-00036: maximum number of recursive SQL levels (50) exceeded");
    EXPECT_EQ(output_of("begin dbms_output.put_line(depth_of(50)); end;"), "50");
    EXPECT_EQ(s.exec("begin dbms_output.put_line(depth_of(51)); end;"), OCI_ERROR);
    EXPECT_EQ(s.error_code(), 36);
    ASSERT_EQ(s.exec("create or replace function plain_depth(n number) return number is begin "
                     "if n = 0 then return 0; end if; return plain_depth(n - 1) + 1; end;"),
              OCI_SUCCESS);
    EXPECT_EQ(s.value("select plain_depth(500) from dual"), "500") << s.error_text().substr(0, 300);
    expect_alive();
}

// A collection grows to millions of elements at most: EXTEND beyond the bound raises
// STORAGE_ERROR at once, which a handler catches, and the collection stays as it was.
TEST_F(Limits, CollectionsBeyondTheirBoundRaiseStorageError) {
    EXPECT_EQ(output_of("declare type t is table of number; v t := t(); begin v.extend(3); "
                        "begin v.extend(100000000); exception when storage_error then "
                        "dbms_output.put_line(sqlcode || ' ' || v.count); end; "
                        "v(2) := 5; v.extend(1000); dbms_output.put_line(v.count || ' ' || v(2)); end;"),
                  "-6500 3\n1003 5");
    EXPECT_EQ(s.exec("declare type t is table of varchar2(10); v t := t(); begin v.extend(2147483647); end;"),
              OCI_ERROR);
    EXPECT_EQ(s.error_text().substr(0, s.error_text().find('\n')), "ORA-06500: PL/SQL: storage error");
    expect_alive();
}

}  // namespace

namespace {

// Names inside a block's SQL: a column of the statement's tables wins over a variable
// of the same name; other names are the block's variables, record fields, package
// state and cursor attributes.
TEST_F(Limits, NamesInEmbeddedSqlResolveColumnsFirst) {
    ASSERT_EQ(s.exec("create table nums (a number, b varchar2(10))"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into nums values (1, 'one')"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("insert into nums values (2, 'two')"), OCI_SUCCESS);
    ASSERT_EQ(s.exec("create or replace package st is total number := 10; end;"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(output_of("declare a number := 1; n number; r nums%rowtype; begin "
                        "select count(*) into n from nums where a = a; dbms_output.put_line(n); "
                        "select * into r from nums where a = 2; dbms_output.put_line(r.b); "
                        "update nums set b = r.b || '!' where a = r.a - 1; dbms_output.put_line(sql%rowcount); "
                        "insert into nums values (st.total + a, upper(r.b)); "
                        "for c in (select a, b from nums where a > a - 1 order by a) loop "
                        "dbms_output.put_line(c.a || ' ' || c.b); end loop; end;"),
              "2\ntwo\n1\n1 two!\n2 two\n11 TWO");
}

}  // namespace

namespace {

// A package compiled once is reused by later calls; a call from inside itself runs a
// copy of its own, with the one package state the session has.
TEST_F(Limits, PackagesRecurseSharingTheirState) {
    ASSERT_EQ(s.exec("create or replace package cnt is calls number := 0; function f(n number) return number; end;"),
              OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("create or replace package body cnt is function f(n number) return number is begin "
                     "calls := calls + 1; if n <= 0 then return 0; end if; return 1 + f(n - 1); end; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(output_of("declare v number; begin v := cnt.f(500); v := cnt.f(2) + v; "
                        "dbms_output.put_line(v || ' ' || cnt.calls); end;"),
              "502 504");
    // A changed body is compiled again: its state is discarded once, then calls see it.
    ASSERT_EQ(s.exec("create or replace package body cnt is function f(n number) return number is begin "
                     "return -n; end; end;"),
              OCI_SUCCESS)
        << s.error_text();
    EXPECT_EQ(s.value("select cnt.f(3) from dual")
                  .rfind("error: ORA-04068: existing state of packages has been discarded", 0),
              0u);
    EXPECT_EQ(s.value("select cnt.f(3) from dual"), "-3") << s.error_text();
}

}  // namespace
