// The console on a real session of the embedded engine, loaded by the real loader:
// exact console rows with a deterministic clock, the result file's records, batch sizes,
// cancel before the first rows and during a long fetch, and a hidden password request.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "command/history.h"
#include "command/tune.h"
#include "command/workers.h"
#include "complete/autocomplete.h"
#include "export/result_export.h"
#include "console_harness.h"
#include "oci/db_session.h"
#include "oci/oci_statements.h"
#include "test_home.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const bool kFreshHome = use_fresh_vantro_home();

std::atomic<std::uint32_t> g_now{0};
// Every reading of the clock is 15 ms after the one before.
std::uint32_t fake_clock() { return g_now.fetch_add(15) + 15; }

class SessionTest : public ConsoleTest {
protected:
    void SetUp() override {
        const fs::path library = fs::path(VANTRO_BINARY_DIR) / VANTRO_ENGINE_FILE;
        if (!fs::exists(library)) GTEST_SKIP() << "the embedded OCI library is not built";
        test_support::set_env("VANTRO_OCI_LIB", library.string().c_str());
        ConsoleTest::SetUp();
        workers_set_clock(fake_clock);
        // Options are the process's: each test starts from the same ones.
        run("set serveroutput off");
        run("set timing on");
        run("set autotrace off");
        run("connect scott/tiger@" + test_support::unique_name("session"));
        ASSERT_EQ(session_open.load(), 1) << front.screen();
    }

    void TearDown() override {
        if (!console) return;
        workers_set_clock(nullptr);
        db_disconnect();
        ConsoleTest::TearDown();
    }

    void run(const std::string& line) {
        front.type(line + "\n");
        ASSERT_TRUE(front.wait_idle(60000)) << line;
    }

    // The rows from the one that shows `statement` to the end.
    std::vector<std::string> rows_after(const std::string& statement) const {
        const std::vector<std::string> all = rows();
        for (size_t i = all.size(); i-- > 0;)
            if (all[i] == "SQL> " + statement) return std::vector<std::string>(all.begin() + static_cast<long>(i) + 1, all.end());
        return {};
    }
};

TEST_F(SessionTest, QueryRowsHeadingsAndFeedbackAreExact) {
    run("create table dept (deptno number(2), dname varchar2(14), loc char(3));");
    run("insert into dept values (10, 'ACCOUNTING', 'NY');");
    run("insert into dept values (20, null, 'DAL');");
    run("set screen on");
    run("select deptno, dname, loc as location_code from dept order by deptno;");
    const std::vector<std::string> out = rows_after("select deptno, dname, loc as location_code from dept order by deptno;");
    const std::vector<std::string> expected = {
        "DEPTNO                                  DNAME          LOCATION_CODE",
        "--------------------------------------- -------------- -------------",
        "10                                      ACCOUNTING     NY           ",
        "20                                                     DAL          ",
        "2 rows selected (15 ms)",
        "SQL> ",
    };
    EXPECT_EQ(out, expected);

    // With screen off the console shows only the count; the rows go to the result file.
    run("set screen off");
    run("select deptno, dname from dept order by deptno;");
    EXPECT_EQ(rows_after("select deptno, dname from dept order by deptno;"),
              (std::vector<std::string>{"2 rows selected (15 ms)", "SQL> "}));
    ASSERT_EQ(result_columns.size(), 2u);
    EXPECT_EQ(result_columns[1].width, 15);
    EXPECT_EQ(result_record_length(), 40 + 15);
    std::FILE* file = result_file();
    ASSERT_NE(file, nullptr);
    std::rewind(file);
    char record[55];
    ASSERT_EQ(std::fread(record, 1, sizeof record, file), sizeof record);
    EXPECT_STREQ(record, "10");
    EXPECT_STREQ(record + 40, "ACCOUNTING");
    ASSERT_EQ(std::fread(record, 1, sizeof record, file), sizeof record);
    EXPECT_STREQ(record, "20");
    EXPECT_EQ(std::string(record + 40, 15), std::string(15, '\0'));   // NULL: an all-zero field
    EXPECT_EQ(std::fread(record, 1, sizeof record, file), 0u);
}

TEST_F(SessionTest, DmlAndDdlFeedbackAndErrorsWithTheirPosition) {
    run("create table t (a number);");
    EXPECT_EQ(row_from_end(1), "table T created (15 ms)");
    run("insert into t values (1);");
    EXPECT_EQ(row_from_end(1), "1 row inserted (15 ms)");
    run("update t set a = 2 where a = 5;");
    EXPECT_EQ(row_from_end(1), "0 rows updated (15 ms)");
    run("select a,");
    run("  nosuch from t;");
    EXPECT_EQ(rows_after("select a,"), (std::vector<std::string>{"   2   nosuch from t;", "  nosuch from t", "  *",
                                                                   "ORA-00904: \"NOSUCH\": invalid identifier", "",
                                                                   "SQL> "}));
    run("set timing off");
    run("drop table t;");
    EXPECT_EQ(row_from_end(1), "table T dropped ");
}

TEST_F(SessionTest, BatchSizeFollowsArraysizeAndMaxmem) {
    run("create table wide (a varchar2(4000), b varchar2(4000), c varchar2(4000), d varchar2(4000), e varchar2(4000));");
    run("select * from wide;");
    EXPECT_EQ(fetch_batch_rows(), 10485760 / 20005);
    run("set arraysize 7");
    run("select * from wide;");
    EXPECT_EQ(fetch_batch_rows(), 7);
    run("set arraysize 1000 maxmem 100");
    run("select * from wide;");
    EXPECT_EQ(fetch_batch_rows(), 1);
}

// LOB and LONG buffers follow `long` only up to maxmem: a huge `long` neither grows the
// buffers beyond it nor loses the values below it.
TEST_F(SessionTest, LobBuffersAreBoundedByMaxmem) {
    run("create table docs (n number, body clob);");
    run("insert into docs values (1, rpad('x', 3000, 'x') || 'END');");
    run("commit;");
    run("set screen on long 2000000000 maxmem 20000");
    run("select body, body b2 from docs;");
    ASSERT_FALSE(result_columns.empty());
    EXPECT_EQ(result_columns[0].width, 10001) << "maxmem shared by the two LOB columns";
    const std::vector<std::string> shown = rows_after("select body, body b2 from docs;");
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0], "LONG and LOB values are cut at 10000 bytes (maxmem 20000)");
    bool whole = false;
    for (const std::string& row : shown) whole = whole || row.find(std::string(3000, 'x') + "END") != std::string::npos;
    EXPECT_TRUE(whole) << "a value within the bound is shown whole";
    run("set long 80 maxmem 10485760");
    run("select body from docs;");
    EXPECT_EQ(result_columns[0].width, 81) << "below maxmem, long alone decides";
    EXPECT_EQ(rows_after("select body from docs;")[0].rfind("LONG and LOB", 0), std::string::npos);
    run("set long 4000 screen off");
}

TEST_F(SessionTest, CancelDuringALongFetchEndsAfterTheBatchBeingPrinted) {
    run("create table n (i number);");
    run("insert into n values (1);");
    for (int i = 0; i < 10; ++i) run("insert into n select i from n;");   // 1024 rows
    run("set arraysize 10 maxmem 10485760");
    rows_fetched.store(0);   // what an earlier query fetched must not count as this one's
    front.type("select a.i from n a, n b;\n");                               // a million rows
    while (rows_fetched.load() == 0 && busy_thread_id.load() != 0) platform_sleep_ms(1);
    db_cancel();
    ASSERT_TRUE(front.wait_idle(60000));
    const int fetched = result_row_count.load();
    EXPECT_GT(fetched, 0);
    EXPECT_LT(fetched, 1024 * 1024);
    EXPECT_EQ(fetched % 10, 0) << fetched;
}

TEST_F(SessionTest, CancelBeforeTheFirstRowsBreaksTheCall) {
    run("create table n (i number);");
    run("insert into n values (1);");
    for (int i = 0; i < 9; ++i) run("insert into n select i from n;");   // 512 rows
    front.type("select count(*) from n a, n b, n c;\n");                 // 134 million combinations
    platform_sleep_ms(200);
    db_cancel();
    ASSERT_TRUE(front.wait_idle(60000));
    EXPECT_NE(front.screen().find("ORA-01013: user requested cancel of current operation"), std::string::npos)
        << front.screen();
}

TEST_F(SessionTest, ConnectWithoutPasswordAsksForAHiddenLine) {
    run("disconnect");
    EXPECT_EQ(row_from_end(1), "Disconnected");
    EXPECT_EQ(front.title(), "Vantro - Disconnected");
    front.queue_line("tiger");
    run("connect scott@" + test_support::unique_name("pw"));
    EXPECT_EQ(session_open.load(), 1);
    EXPECT_NE(front.screen().find("Enter password: *****"), std::string::npos) << front.screen();
    EXPECT_EQ(front.title().rfind("Vantro - scott@pw-", 0), 0u) << front.title();
    run("connect scott/wrong@" + current_database());
    EXPECT_EQ(session_open.load(), 0);
    EXPECT_NE(front.screen().find("ORA-01017"), std::string::npos);
    run("connect scott/tiger@x as superuser");
    EXPECT_EQ(row_from_end(2), "Invalid connect mode superuser");
    EXPECT_EQ(row_from_end(1), "Usage: connect connectstring [as normal|sysoper|sysdba]");
}

TEST_F(SessionTest, AutotraceShowsTheSessionsStatisticsAfterTheFeedback) {
    run("create table t (a number);");
    run("insert into t values (1);");
    run("set autotrace on");
    run("select a from t order by a;");
    const std::vector<std::string> out = rows_after("select a from t order by a;");
    run("set autotrace off");
    ASSERT_EQ(out.size(), 14u) << front.screen();
    EXPECT_EQ(out[0], "1 row selected (15 ms)");
    EXPECT_EQ(out[1], "Statistics");
    EXPECT_EQ(out[2], std::string(48, '-'));
    const char* const names[] = {"recursive calls", "db block gets", "consistent gets", "physical reads",
                                 "redo size", "bytes sent via SQL*Net to client",
                                 "bytes received via SQL*Net from client", "SQL*Net roundtrips to/from client",
                                 "sorts (memory)", "sorts (disk)"};
    std::vector<long> values;
    for (int i = 0; i < 10; ++i) {
        const std::string& line = out[3 + static_cast<size_t>(i)];
        ASSERT_GT(line.size(), 11u) << line;
        EXPECT_EQ(line.substr(11), names[i]) << line;
        values.push_back(std::stol(line.substr(0, 10)));
    }
    // The engine counts its real work: the query read pages, returned bytes, took the
    // statement's text and sorted once in memory; nothing was written.
    EXPECT_GT(values[2], 0) << "consistent gets";
    EXPECT_GT(values[5], 0) << "bytes sent";
    EXPECT_GE(values[6], static_cast<long>(std::string("select a from t order by a").size())) << "bytes received";
    EXPECT_GE(values[7], 2) << "roundtrips: the execute and a fetch at least";
    EXPECT_GE(values[8], 1) << "the ORDER BY sorted";
    EXPECT_EQ(values[9], 0) << "sorts (disk)";
    EXPECT_EQ(out[13], "SQL> ");
    run("select a from t;");
    EXPECT_EQ(row_from_end(1), "1 row selected (15 ms)");
}

TEST_F(SessionTest, DescribeKeepsTheCaseOfQuotedNames) {
    run("create table \"lower\" (a number);");
    run("create table \"Mixed.Case\" (b date);");
    run("create table upper_t (c number);");
    run("set screen on");
    // Quoted parts are looked up as written, the others in upper case, with or without an owner.
    const char* const found[][2] = {{"describe \"lower\"", "A "},
                                    {"describe scott.\"lower\"", "A "},
                                    {"describe \"SCOTT\".\"lower\"", "A "},
                                    {"describe \"Mixed.Case\"", "B "},
                                    {"describe Upper_T", "C "},
                                    {"describe scott.upper_t", "C "}};
    for (const auto& typed : found) {
        run(typed[0]);
        std::vector<std::string> out = rows_after(typed[0]);
        ASSERT_GE(out.size(), 3u) << typed[0] << "\n" << front.screen();
        EXPECT_EQ(out[2].rfind(typed[1], 0), 0u) << typed[0] << ": " << out[2];
    }
    run("describe lower");
    EXPECT_EQ(row_from_end(1), "Object LOWER does not exist");
    run("describe \"upper_t\"");
    EXPECT_EQ(row_from_end(1), "Object upper_t does not exist");
    run("describe scott.\"UPPER_T\"x");
    EXPECT_EQ(row_from_end(1).find("does not exist") != std::string::npos, true) << row_from_end(1);
}

TEST_F(SessionTest, DescribeOfTypesListsAttributesMethodsAndElements) {
    run("create type shape_t as object (w number(5,2), label varchar2(10),");
    run("  member function area(k number) return number,");
    run("  member procedure grow(by_n in out number),");
    run("  constructor function shape_t(side number) return self as result,");
    run("  map member function key return number)");
    run("/");
    run("create type shape_list as varray(4) of varchar2(20)");
    run("/");
    run("create type num_table as table of number");
    run("/");
    run("set screen on");
    run("describe shape_t");
    std::vector<std::string> out = rows_after("describe shape_t");
    ASSERT_GE(out.size(), 11u) << front.screen();
    auto row = [&](std::size_t i) {
        // The two columns with the padding between them made one blank.
        std::string r;
        for (char c : out[i])
            if (c != ' ' || r.empty() || r.back() != ' ') r += c;
        while (!r.empty() && r.back() == ' ') r.pop_back();
        return r;
    };
    EXPECT_EQ(out[0].rfind("NAME ", 0), 0u) << out[0];
    const char* const expected[] = {"W NUMBER(5,2)",
                                    "LABEL VARCHAR2(10)",
                                    "METHOD MEMBER FUNCTION AREA RETURNS NUMBER",
                                    " K NUMBER IN",
                                    "METHOD MEMBER PROCEDURE GROW",
                                    " BY_N NUMBER IN OUT",
                                    "METHOD CONSTRUCTOR FUNCTION SHAPE_T RETURNS SELF AS RESULT",
                                    " SIDE NUMBER IN",
                                    "METHOD MAP MEMBER FUNCTION KEY RETURNS NUMBER"};
    for (std::size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i) EXPECT_EQ(row(i + 2), expected[i]);
    run("describe shape_list");
    out = rows_after("describe shape_list");
    ASSERT_GE(out.size(), 3u) << front.screen();
    EXPECT_EQ(row(2), " VARRAY(4) OF VARCHAR2(20)");
    run("describe num_table");
    out = rows_after("describe num_table");
    ASSERT_GE(out.size(), 3u) << front.screen();
    EXPECT_EQ(row(2), " TABLE OF NUMBER");
}

TEST_F(SessionTest, DescribeFollowsSynonymsAndShowErrorsListsTheLastUnit) {
    run("create table dept (deptno number(2) not null, dname varchar2(14));");
    run("create synonym d for dept;");
    run("set screen on");
    run("describe d");
    std::vector<std::string> out = rows_after("describe d");
    ASSERT_GE(out.size(), 5u) << front.screen();
    EXPECT_EQ(out[0].rfind("COLUMN_NAME ", 0), 0u) << out[0];
    EXPECT_EQ(out[2].rfind("DEPTNO ", 0), 0u) << out[2];
    EXPECT_NE(out[2].find(" NUMBER "), std::string::npos) << out[2];
    EXPECT_EQ(out[3].rfind("DNAME ", 0), 0u) << out[3];
    EXPECT_NE(out[3].find(" VARCHAR2 "), std::string::npos) << out[3];
    run("describe no_such_thing");
    EXPECT_EQ(row_from_end(1), "Object NO_SUCH_THING does not exist");
    // With its owner, and through a synonym of a synonym, the synonym is the table.
    run("create synonym dd for d;");
    for (const char* typed : {"describe scott.d", "describe dd", "describe scott.dd"}) {
        run(typed);
        out = rows_after(typed);
        ASSERT_GE(out.size(), 4u) << typed << "\n" << front.screen();
        EXPECT_EQ(out[2].rfind("DEPTNO ", 0), 0u) << typed << ": " << out[2];
    }
    // A chain that comes back to itself ends with Oracle's error instead of looping.
    run("create synonym loop1 for loop2;");
    run("create synonym loop2 for loop1;");
    run("describe scott.loop1");
    EXPECT_EQ(row_from_end(1), "ORA-01775: looping chain of synonyms");

    run("create procedure p is");
    run("begin");
    run("  null");
    run("end;");
    run("/");
    EXPECT_NE(front.screen().find("There are compilation errors"), std::string::npos) << front.screen();
    run("show errors");
    out = rows_after("show errors");
    ASSERT_GE(out.size(), 3u) << front.screen();
    EXPECT_EQ(out[0].rfind(" line/col   error", 0), 0u) << out[0];
    EXPECT_EQ(out[2].rfind("    4/1     PLS-00103: Encountered the symbol \"END\"", 0), 0u) << out[2];
}

// show errors reads quoted names as written and unquoted ones in upper case, with or
// without an owner, and after a quoted unit without arguments too.
TEST_F(SessionTest, ShowErrorsKeepsTheCaseOfQuotedNames) {
    run("set screen on");
    run("create procedure \"lower_p\" is begin x := 1; end;");
    run("/");
    run("create procedure \"Mixed P\" is begin y := 1; end;");
    run("/");
    run("create procedure lower_p is begin z := 1; end;");
    run("/");
    // Each name's own first error: x for "lower_p", y for "Mixed P", z for LOWER_P.
    const char* const shown[][2] = {{"show errors procedure \"lower_p\"", "'X'"},
                                    {"show errors procedure scott.\"lower_p\"", "'X'"},
                                    {"show errors procedure \"SCOTT\".\"lower_p\";", "'X'"},
                                    {"show err procedure \"Mixed P\"", "'Y'"},
                                    {"show errors procedure Scott.\"Mixed P\"", "'Y'"},
                                    {"show errors procedure lower_p", "'Z'"},
                                    {"show errors procedure \"LOWER_P\"", "'Z'"}};
    for (const auto& typed : shown) {
        run(typed[0]);
        const std::vector<std::string> out = rows_after(typed[0]);
        ASSERT_GE(out.size(), 3u) << typed[0] << "\n" << front.screen();
        EXPECT_NE(out[2].find("PLS-00201: identifier " + std::string(typed[1])), std::string::npos)
            << typed[0] << ": " << out[2];
    }
    run("show errors procedure \"Lower_p\"");
    EXPECT_EQ(row_from_end(1), "Object Lower_p does not exist");

    // The last unit compiled, typed with quotes and an owner.
    run("create or replace procedure scott.\"Mixed P\" is begin w := 1; end;");
    run("/");
    run("show errors");
    const std::vector<std::string> out = rows_after("show errors");
    ASSERT_GE(out.size(), 3u) << front.screen();
    EXPECT_NE(out[2].find("PLS-00201: identifier 'W'"), std::string::npos) << out[2];
}

// A name longer than the 30 bytes of old releases is shown whole from the dictionary.
TEST_F(SessionTest, LongNamesFromTheDictionaryAreShownWhole) {
    std::string name = "T";
    while (name.size() < 100) name += "_" + std::to_string(name.size());
    name.resize(100);
    run("create table " + name + " (a number);");
    run("set timing off");
    run("set screen on");
    run("select table_name from user_tables where table_name like 'T\\_%' escape '\\';");
    const std::vector<std::string> out = rows_after("select table_name from user_tables where table_name like 'T\\_%' escape '\\';");
    ASSERT_GE(out.size(), 4u) << front.screen();
    EXPECT_EQ(out[0], "TABLE_NAME" + std::string(118, ' '));
    EXPECT_EQ(out[1], std::string(128, '-'));
    EXPECT_EQ(out[2], name + std::string(28, ' '));
    EXPECT_EQ(out[3], "1 row selected ");
    run("create table " + std::string(129, 'L') + " (a number);");
    EXPECT_EQ(row_from_end(2), "ORA-00972: identifier is too long");
}

TEST_F(SessionTest, TheLastQuerysRowsExportAndANonQueryLeavesNothingToExport) {
    run("create table t (a number, b varchar2(5), d date);");
    run("insert into t values (1, 'x;y', to_date('2024-01-02','YYYY-MM-DD'));");
    run("insert into t values (null, null, null);");
    run("select a, b, d from t order by a;");
    const fs::path file = fs::temp_directory_path() / ("vantro-session-export-" + current_database() + ".csv");
    ASSERT_EQ(export_result_to(console, ExportFormat::Csv, file.string()), 0);
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "A;B;D\r\n\"1\";\"x;y\";\"02-JAN-24\"\r\n\"\";\"\";\"\"\r\n\r\n");
    fs::remove(file);

    ExportSource source;
    ASSERT_TRUE(export_source_of_last_result(ExportFormat::Sql, &source));
    EXPECT_EQ(source.statement, "select a, b, d from t order by a");
    EXPECT_EQ(source.date_format, "DD-MON-RR");

    run("delete from t where a is null;");
    EXPECT_EQ(export_result_to(console, ExportFormat::Csv, file.string()), -1);
    ASSERT_FALSE(front.error_boxes().empty());
    EXPECT_EQ(front.error_boxes().back(), "No data to export");
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(SessionTest, ExportAndCopyCommandsWriteTheLastResultAndSayWhatTheyDid) {
    const fs::path dir = fs::temp_directory_path() / ("vantro-export-command-" + current_database());
    fs::create_directories(dir);
    const std::string base = (dir / "rows").string();
    run("export csv " + base);
    EXPECT_EQ(row_from_end(1), "No data to export");

    run("create table t (a number, b varchar2(5));");
    run("insert into t values (1, 'x;y');");
    run("insert into t values (2, '<&>');");
    run("select a, b from t order by a;");
    // The format's extension is added; the files are those of the writers.
    run("export csv " + base + ";");
    EXPECT_EQ(row_from_end(1), "2 rows exported to " + base + ".csv");
    EXPECT_EQ(read_file(base + ".csv"), "A;B\r\n\"1\";\"x;y\"\r\n\"2\";\"<&>\"\r\n\r\n");
    run("EXPORT XML " + base + ".out");
    EXPECT_EQ(row_from_end(1), "2 rows exported to " + base + ".out");
    EXPECT_NE(read_file(base + ".out").find("<B>&lt;&amp;&gt;</B>"), std::string::npos);
    run("export sql " + base);
    EXPECT_NE(read_file(base + ".sql").find("insert into (select a, b from t order by a)"), std::string::npos);

    // Bad words get the usage line and write nothing; a failed write says so and leaves
    // the old file whole.
    run("export pdf " + base);
    EXPECT_EQ(row_from_end(1), "Usage: export csv|xml|sql file");
    EXPECT_FALSE(fs::exists(base + ".pdf"));
    run("export csv");
    EXPECT_EQ(row_from_end(1), "Usage: export csv|xml|sql file");
    fs::create_directories(base + ".dir.csv");
    run("export csv " + base + ".dir.csv");
    EXPECT_EQ(row_from_end(1).rfind("Export to " + base + ".dir.csv failed: ", 0), 0u) << row_from_end(1);
    EXPECT_TRUE(fs::is_directory(base + ".dir.csv"));

    // Copy: every value of a row separated by one blank, rows joined by CR LF.
    std::string text;
    run("copy");
    EXPECT_EQ(row_from_end(1), "2 rows copied to the clipboard");
    ASSERT_TRUE(front.clipboard_get(&text));
    EXPECT_EQ(text, "1 x;y\r\n2 <&>");
    run("copy 1");
    EXPECT_EQ(row_from_end(1), "1 row copied to the clipboard");
    ASSERT_TRUE(front.clipboard_get(&text));
    EXPECT_EQ(text, "1 x;y");
    run("copy 99;");
    EXPECT_EQ(row_from_end(1), "2 rows copied to the clipboard") << "more than there are: all of them";
    for (const char* bad : {"copy 0", "copy -1", "copy 2x", "copy 1 2", "copy 99999999999999999999"}) {
        run(bad);
        EXPECT_EQ(row_from_end(1), "Usage: copy [n|all]") << bad;
    }
    run("delete from t where a = 2;");
    run("copy all");
    EXPECT_EQ(row_from_end(1), "No rows to copy");
    fs::remove_all(dir);
}

TEST_F(SessionTest, TabCompletesKeywordsNamesColumnsAndFiles) {
    run("create table emp (empno number, ename varchar2(10));");
    run("create table dept (deptno number);");
    auto complete = [&](const std::string& typed) {
        front.type(typed);
        autocomplete_start(console);
    };
    auto clear_input = [&] {
        autocomplete_close(console);
        input_reset();
    };

    complete("select ename from em");
    EXPECT_EQ(g_input.text, "select ename from emp ") << "one match is inserted at once, with a blank" << front.screen();
    clear_input();
    complete("SEL");
    EXPECT_EQ(g_input.text, "select ");
    clear_input();
    complete("create or rep");
    EXPECT_EQ(g_input.text, "create or replace ");
    clear_input();

    complete("select * from emp e where e.");
    ASSERT_TRUE(autocomplete_is_open());
    EXPECT_EQ(autocomplete_entries(), (std::vector<std::string>{"empno", "ename"}));
    EXPECT_EQ(front.hints, autocomplete_entries()) << "the front end shows the same list";
    autocomplete_move(console, 1);
    autocomplete_accept(console);
    EXPECT_EQ(g_input.text, "select * from emp e where e.ename ");
    EXPECT_FALSE(autocomplete_is_open());
    clear_input();

    complete("select scott.");
    EXPECT_EQ(autocomplete_entries(), (std::vector<std::string>{"dept", "emp"})) << "objects of the schema";
    clear_input();
    complete("select nosuch from no");
    EXPECT_FALSE(autocomplete_is_open()) << "nothing matches: the Tab is consumed, no list";
    EXPECT_EQ(g_input.text, "select nosuch from no");
    clear_input();

    const std::string a = "vantro_ac_" + current_database() + "_a.sql";
    const std::string b = "vantro_ac_" + current_database() + "_b.sql";
    std::ofstream(a) << "";
    std::ofstream(b) << "";
    complete("@vantro_ac_" + current_database());
    EXPECT_EQ(autocomplete_entries(), (std::vector<std::string>{a, b}));
    autocomplete_accept(console);
    EXPECT_EQ(g_input.text, "@" + a) << "the at sign stays";
    clear_input();
    complete("spool vantro_ac_" + current_database() + "_b");
    EXPECT_EQ(g_input.text, "spool " + b) << "the blank after spool stays";
    clear_input();
    fs::remove(a);
    fs::remove(b);
}

TEST_F(SessionTest, TuneExplainsTheLastStatementAndLeavesNoPlanRows) {
    history_clear();   // the history is the process's: earlier tests' statements are in it
    run("tune");
    EXPECT_EQ(row_from_end(1), "No previous command");
    run("create table dept (deptno number(2) primary key, dname varchar2(14));");
    run("create table emp (empno number(4) primary key, ename varchar2(10), deptno number(2));");
    run("insert into emp values (1, 'A', 10);");
    run("select e.ename from emp e, dept d where e.deptno = d.deptno and e.empno = 1;");
    run("tune");
    EXPECT_EQ(front.analyzer_statement, "select e.ename from emp e, dept d where e.deptno = d.deptno and e.empno = 1");
    ASSERT_GE(front.plan_lines.size(), 3u) << front.screen();
    EXPECT_EQ(front.plan_lines[0].rfind("SELECT STATEMENT Optimizer=", 0), 0u) << front.plan_lines[0];
    // Every other step hangs under the statement, and the primary key's index is used for emp.
    for (size_t i = 1; i < front.plan_lines.size(); ++i) EXPECT_EQ(front.plan_lines[i].rfind("  ", 0), 0u);
    bool index_scan = false;
    for (const std::string& line : front.plan_lines)
        index_scan = index_scan || line.find("INDEX (UNIQUE SCAN) OF '") != std::string::npos;
    EXPECT_TRUE(index_scan);
    // The explain ran inside a savepoint that was rolled back: the user's row stays, no
    // plan rows are left.
    run("set screen on");
    run("select count(*) from plan_table;");
    EXPECT_EQ(row_from_end(2), "0" + std::string(38, ' '));
    run("rollback;");
    run("select count(*) from emp;");
    EXPECT_EQ(row_from_end(2), "0" + std::string(38, ' ')) << "the insert was the user's, rolled back by the user";

    run("select nosuch from emp;");
    run("tune");
    ASSERT_EQ(front.plan_lines.size(), 1u);
    EXPECT_NE(front.plan_lines[0].find("ORA-00904"), std::string::npos) << "the error is the tree's only item";
}

// The depth of a plan line of the headless tree (two blanks a level).
size_t plan_depth(const std::string& line) { return line.find_first_not_of(' ') / 2; }

TEST_F(SessionTest, ExplainFillsTheTreeInOrderAndLeavesThePlanTableAsItWas) {
    run("create table dept (deptno number(2) primary key, dname varchar2(14));");
    run("create table emp (empno number(4), ename varchar2(10), deptno number(2));");
    run("create unique index emp_no on emp(empno);");
    // A plan row of the user's own, not committed: the explains must leave it alone.
    run("insert into plan_table (statement_id, id, operation) values ('MINE', 0, 'MY STEP');");
    front.plan_lines.clear();
    ASSERT_EQ(explain_plan("select e.ename, d.dname from emp e, dept d where e.deptno = d.deptno and e.empno = 1;"), 0);
    ASSERT_EQ(front.plan_lines.size(), 6u) << front.screen();
    const size_t depths[] = {0, 1, 2, 3, 2, 3};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(plan_depth(front.plan_lines[i]), depths[i]) << front.plan_lines[i];
    EXPECT_EQ(front.plan_lines[0].rfind("SELECT STATEMENT Optimizer=", 0), 0u);
    EXPECT_NE(front.plan_lines[3].find("INDEX (UNIQUE SCAN) OF 'EMP_NO'"), std::string::npos) << front.plan_lines[3];
    // A second explain of the same statement gives the same tree, not one twice as long.
    ASSERT_EQ(explain_plan("select e.ename, d.dname from emp e, dept d where e.deptno = d.deptno and e.empno = 1\r\n;\r\n"),
              0);
    EXPECT_EQ(front.plan_lines.size(), 6u) << "line ends around the \";\" do not hide it";

    EXPECT_EQ(explain_plan("select nosuch from emp"), -1);
    ASSERT_EQ(front.plan_lines.size(), 1u);
    EXPECT_NE(front.plan_lines[0].find("ORA-00904"), std::string::npos) << "the error is the tree's only item";

    run("set screen on");
    run("select statement_id || '/' || operation from plan_table;");
    EXPECT_EQ(row_from_end(2).substr(0, 10), "MINE/MY ST") << front.screen();
    EXPECT_EQ(row_from_end(1).rfind("1 row selected", 0), 0u) << "no plan rows of the explains are left";
    run("rollback;");
}

TEST_F(SessionTest, TuneWithAHintRewritesTheLastStatementAndExplainsIt) {
    history_clear();
    run("create table emp (empno number(4), ename varchar2(10), deptno number(2));");
    run("create unique index emp_no on emp(empno);");
    run("create index emp_ename on emp(ename);");
    run("select ename from emp where empno = 1;");
    run("tune index emp emp_no emp_ename");
    const std::string indexed = "select /*+ INDEX (EMP EMP_NO EMP_ENAME) */ ename from emp where empno = 1";
    EXPECT_EQ(rows_after("tune index emp emp_no emp_ename").at(0), indexed) << front.screen();
    EXPECT_EQ(front.analyzer_statement, indexed);
    ASSERT_FALSE(front.plan_lines.empty());
    EXPECT_EQ(front.plan_lines[0].rfind("SELECT STATEMENT", 0), 0u);
    HistoryEntry newest = history_entries().back();
    EXPECT_EQ(newest.text, indexed);
    EXPECT_TRUE(newest.is_sql) << "the rewritten statement is the last statement";
    EXPECT_EQ(history_entries()[history_entries().size() - 2].text, "tune index emp emp_no emp_ename");

    // A second hint replaces the first; None takes it away; quoted names keep their case.
    run("tune full \"Emp\";");
    EXPECT_EQ(history_entries().back().text, "select /*+ FULL (\"Emp\") */ ename from emp where empno = 1");
    run("tune use_nl emp dept");
    EXPECT_EQ(history_entries().back().text, "select /*+ USE_NL (EMP DEPT) */ ename from emp where empno = 1");
    run("tune None");
    EXPECT_EQ(history_entries().back().text, "select ename from emp where empno = 1");
    run("tune rule");
    run("set screen on");
    run("/");
    EXPECT_NE(front.screen().find("SQL> /\n0 rows selected"), std::string::npos) << "/ runs the rewritten statement";

    // Errors change nothing.
    const size_t entries = history_entries().size();
    run("tune nosuch emp");
    EXPECT_EQ(rows_after("tune nosuch emp").at(0), "Unknown optimizer hint NOSUCH");
    EXPECT_EQ(rows_after("tune nosuch emp").at(2), "  None ALL_ROWS FIRST_ROWS CHOOSE RULE FULL ROWID CLUSTER");
    run("tune full");
    EXPECT_EQ(rows_after("tune full").at(0), "Usage: tune FULL table");
    run("tune rule emp");
    EXPECT_EQ(rows_after("tune rule emp").at(0), "Usage: tune RULE");
    run("tune index");
    EXPECT_EQ(rows_after("tune index").at(0), "Usage: tune INDEX table [index ...]");
    EXPECT_EQ(history_entries().size(), entries + 4) << "only the tune lines are recorded";
    EXPECT_EQ(history_entries()[static_cast<size_t>(history_last_sql())].text, "select /*+ RULE */ ename from emp where empno = 1");
    run("insert into emp values (1, 'A', 10);");
    run("tune rule");
    EXPECT_EQ(rows_after("tune rule").at(0),
              "A hint can only be added to a statement that starts with select, update or delete");
    EXPECT_EQ(history_entries()[static_cast<size_t>(history_last_sql())].text, "insert into emp values (1, 'A', 10)");
    run("rollback;");
}

TEST_F(SessionTest, AnalyzerExecuteTypesTheStatementIntoTheConsole) {
    run("set screen on");
    front.type("sel");   // unfinished input: dropped, not joined to the statement
    analyzer_execute(console, "  select 1 as one\r\nfrom dual\r\n");
    ASSERT_TRUE(front.wait_idle());
    const std::vector<std::string> out = rows_after("select 1 as one");
    ASSERT_GE(out.size(), 5u) << front.screen();
    EXPECT_EQ(out[0], "   2 from dual;");
    EXPECT_EQ(out[4].rfind("1 row selected", 0), 0u) << front.screen();
    EXPECT_EQ(front.screen().find("selselect"), std::string::npos);
    EXPECT_EQ(history_entries().back().text, "select 1 as one\nfrom dual");
    const std::string before = front.screen();
    analyzer_execute(console, " \r\n\t");
    EXPECT_EQ(front.screen(), before) << "nothing is typed for a text of blanks";
}

TEST_F(SessionTest, AnalyzerListsNameTheUsersTablesAndTheirIndexes) {
    run("create table emp (empno number(4), ename varchar2(10));");
    run("create table dept (deptno number(2));");
    run("create unique index emp_no on emp(empno);");
    run("create index emp_ename on emp(ename);");
    std::vector<std::string> tables, indexes;
    analyzer_table_names([&](const char* name) { tables.emplace_back(name); });
    std::sort(tables.begin(), tables.end());
    EXPECT_EQ(tables, (std::vector<std::string>{"DEPT", "EMP"}));
    analyzer_index_names("EMP", [&](const char* name) { indexes.emplace_back(name); });
    std::sort(indexes.begin(), indexes.end());
    EXPECT_EQ(indexes, (std::vector<std::string>{"EMP_ENAME", "EMP_NO"}));
    indexes.clear();
    analyzer_index_names("DEPT", [&](const char* name) { indexes.emplace_back(name); });
    EXPECT_TRUE(indexes.empty());
    // Nothing is asked while a statement worker runs.
    busy_thread_id.store(1);
    analyzer_table_names([&](const char* name) { tables.emplace_back(name); });
    busy_thread_id.store(0);
    EXPECT_EQ(tables.size(), 2u);
}

TEST_F(SessionTest, ExportedInsertsRunBackIntoTheTable) {
    run("create table t (a number, b varchar2(10), d date);");
    run("insert into t values (1, 'it''s', to_date('2024-02-03','YYYY-MM-DD'));");
    run("insert into t values (2, null, null);");
    run("select a, b, d from t order by a;");
    const fs::path file = fs::temp_directory_path() / ("vantro-inserts-" + current_database() + ".sql");
    ASSERT_EQ(export_result_to(console, ExportFormat::Sql, file.string()), 0);
    run("delete from t;");
    run("@" + file.string());
    run("set screen on");
    run("select a || '|' || b || '|' || to_char(d, 'YYYY-MM-DD') r from t order by a;");
    EXPECT_EQ(row_from_end(3).substr(0, 16), "1|it's|2024-02-0") << front.screen();
    EXPECT_EQ(row_from_end(2).substr(0, 4), "2|| ");
    fs::remove(file);
}

}  // namespace

TEST_F(SessionTest, ALongResultCostsFewRepaintsAndItsSpoolIsCompleteWhenTheStatementEnds) {
    run("create table many (i number, t varchar2(10));");
    run("insert into many values (1, 'x');");
    for (int i = 0; i < 12; ++i) run("insert into many select i + " + std::to_string(1 << i) + ", t from many;");
    run("set screen on arraysize 100 maxmem 10485760");
    const std::string spool = FreshHomeEnvironment::folder() + "/many.lst";
    run("spool " + spool);
    const int before = front.console_changes();
    run("select i, t from many order by i;");   // 4096 rows
    const int repaints = front.console_changes() - before;
    // The typed statement's echo and the feedback repaint; rows only at the progress pace.
    EXPECT_LT(repaints, 200) << repaints;
    ASSERT_EQ(result_row_count.load(), 4096);
    // Still spooling: the file already holds the whole statement, its feedback included.
    const std::string text = read_file(spool);
    EXPECT_NE(text.find("\r\n4096                                    x         \r\n"), std::string::npos);
    EXPECT_NE(text.find("4096 rows selected"), std::string::npos);
    EXPECT_EQ(text.find("SQL>"), std::string::npos);
    run("spool off");
    EXPECT_TRUE(front.error_boxes().empty());
    std::remove(spool.c_str());
}
