// Statements typed into the console end to end: assembly over several lines, the kind and
// text handed to the workers (test routines that run on their own thread), client
// commands, comments, the ten-word rule, the spool copy of worker output, scripts running
// statements on their own thread, and a worker asking for a line.
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command/variables.h"
#include "console_harness.h"
#include "test_home.h"

namespace {

const bool kFreshHome = use_fresh_vantro_home();

struct Job {
    StatementKind kind;
    std::string text;
    ThreadId thread;
    bool ran_as_busy_worker;   // busy_thread_id named the thread that ran it
};

struct Record {
    std::string text;
    char terminator;
    bool is_sql;
};

struct Command {
    ClientCommandId id;
    std::vector<std::string> words;
};

std::mutex g_mutex;
std::vector<Job> g_jobs;
std::vector<Record> g_records;
std::vector<Command> g_commands;
std::string g_worker_line;           // what a line request returned to the worker
std::string g_input_after_request;   // the input line the worker saw afterwards

void note_job(const StatementJob* job) {
    const ThreadId self = platform_current_thread_id();
    std::lock_guard<std::mutex> guard(g_mutex);
    g_jobs.push_back(Job{job->kind, job->text, self, busy_thread_id.load() == self});
}

int end_job(StatementJob* job) {
    ConsoleBuffer* console = job->console;
    delete job;
    worker_end_statement(console, true, true);
    return 0;
}

int plain_worker(StatementJob* job) {
    note_job(job);
    return end_job(job);
}

// Prints like a query does: rows, a progress text, the row count.
int printing_worker(StatementJob* job) {
    note_job(job);
    console_print("row 1\n");
    console_echo("row 2");
    console_newline();
    console_print("\r1 row selected\n");
    return end_job(job);
}

int password_worker(StatementJob* job) {
    note_job(job);
    console_print("Password: ");
    const std::string line = console_request_line(job->console, true);
    {
        std::lock_guard<std::recursive_mutex> input_guard(g_input_mutex);
        std::lock_guard<std::mutex> guard(g_mutex);
        g_worker_line = line;
        g_input_after_request = g_input.text;
    }
    return end_job(job);
}

// Feeds two statements through the typing path on its own thread, as a script does.
int script_worker(StatementJob* job) {
    note_job(job);
    ConsoleBuffer* console = job->console;
    console->script_depth.store(1);
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        input_reset();
        input_feed(console, "select 1\nfrom dual;\ninsert into t values (1);\n");
    }
    console->script_depth.store(0);
    delete job;
    worker_end_statement(console, false, false);
    return 0;
}

void record_history(ConsoleBuffer*, char terminator, bool is_sql) {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_records.push_back(Record{g_input.text, terminator, is_sql});
}

template <ClientCommandId Id>
void note_command(const ClientCommandContext& c) {
    Command command{Id, {}};
    for (int i = 0; i < c.count; ++i) command.words.emplace_back(c.words[i]);
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        g_commands.push_back(command);
    }
    finish(c.console, true, false);
}

class DispatchTest : public ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        {
            std::lock_guard<std::mutex> guard(g_mutex);
            g_jobs.clear();
            g_records.clear();
            g_commands.clear();
        }
        install(plain_worker);
        HistoryHooks history;
        history.record = record_history;
        dispatcher_install_history(history);
        client_command_install(ClientCommandId::Accept, note_command<ClientCommandId::Accept>);
        client_command_install(ClientCommandId::Describe, note_command<ClientCommandId::Describe>);
        client_command_install(ClientCommandId::Commit, note_command<ClientCommandId::Commit>);
        client_command_install(ClientCommandId::Rollback, note_command<ClientCommandId::Rollback>);
    }
    void TearDown() override {
        for (ClientCommandId id : {ClientCommandId::Accept, ClientCommandId::Describe, ClientCommandId::Commit,
                                   ClientCommandId::Rollback})
            client_command_install(id, nullptr);
        ConsoleTest::TearDown();
    }

    static void install(int (*routine)(StatementJob*)) {
        WorkerRoutines workers;
        workers.nonquery = workers.dml = workers.query = workers.script = routine;
        dispatcher_install_workers(workers);
    }

    // Types the text and waits until a started worker has ended its statement.
    void enter(const std::string& text) {
        front.type(text);
        ASSERT_TRUE(front.wait_idle()) << "worker did not end: " << text;
    }

    template <class T>
    static std::vector<T> copy_of(const std::vector<T>& list) {
        std::lock_guard<std::mutex> guard(g_mutex);
        return list;
    }
    std::vector<Job> jobs() const { return copy_of(g_jobs); }
    std::vector<Record> records() const { return copy_of(g_records); }
    std::vector<Command> commands() const { return copy_of(g_commands); }
    // The single job typed since the last call, with its kind and text.
    void expect_job(StatementKind kind, const std::string& text) {
        std::vector<Job> all = jobs();
        ASSERT_EQ(all.size(), 1u) << "expected one job with text: " << text;
        EXPECT_EQ(all[0].kind, kind) << text;
        EXPECT_EQ(all[0].text, text);
        std::lock_guard<std::mutex> guard(g_mutex);
        g_jobs.clear();
    }
    void expect_no_job() { EXPECT_TRUE(jobs().empty()) << jobs()[0].text; }
};

}  // namespace

TEST_F(DispatchTest, QueryWaitsForItsTerminatorAndRunsOnAWorkerThread) {
    enter("select * from dual\n");
    expect_no_job();
    EXPECT_EQ(last_row(), "   2 ");
    enter(";\n");
    const std::vector<Job> all = jobs();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].kind, StatementKind::Query);
    EXPECT_EQ(all[0].text, "select * from dual\n");
    EXPECT_NE(all[0].thread, platform_current_thread_id());
    EXPECT_TRUE(all[0].ran_as_busy_worker);
    EXPECT_EQ(busy_thread_id.load(), 0u);
    // The worker's finish recorded it as a database statement and showed the prompt.
    ASSERT_EQ(records().size(), 1u);
    EXPECT_EQ(records()[0].text, "select * from dual\n");
    EXPECT_EQ(records()[0].terminator, ';');
    EXPECT_TRUE(records()[0].is_sql);
    EXPECT_EQ(last_row(), "SQL> ");
    EXPECT_EQ(g_input.text, "");
    EXPECT_EQ(g_input.line_number, 1);
}

TEST_F(DispatchTest, EmptyLineEndsAnUnfinishedStatementUnlessABlockIsOpen) {
    enter("select 1\nfrom dual\n\n");
    expect_no_job();
    ASSERT_EQ(records().size(), 1u);
    EXPECT_EQ(records()[0].text, "select 1\nfrom dual\n");
    EXPECT_TRUE(records()[0].is_sql) << "not run, but the statement that / runs next";
    EXPECT_EQ(last_row(), "SQL> ");
    // Blank input is dropped without a record.
    enter("   \n\n");
    EXPECT_EQ(records().size(), 1u);
    // Inside a PL/SQL block empty lines belong to the block.
    enter("begin\n\n");
    EXPECT_EQ(last_row(), "   3 ");
    EXPECT_TRUE(g_input.block_open);
    enter("null;\nend;\n");
    expect_no_job();
    enter("/\n");
    expect_job(StatementKind::PlsqlBlock, "begin\n\nnull;\nend;\n");
    EXPECT_FALSE(g_input.block_open);
    // So are they inside a "/*" comment, which is then discarded unrecorded.
    const size_t recorded = records().size();
    enter("/* a\n\nb */\n");
    expect_no_job();
    EXPECT_EQ(records().size(), recorded);
    EXPECT_FALSE(g_input.block_open);
    EXPECT_EQ(last_row(), "SQL> ");
}

TEST_F(DispatchTest, StatementKindsAndTextsHandedOver) {
    enter("begin null; end;\n");
    expect_no_job();
    enter("-- x /\n");
    expect_no_job();
    enter("/\n");
    expect_job(StatementKind::PlsqlBlock, "begin null; end;\n-- x /\n");
    enter("create or replace procedure p is begin null; end;\n");
    expect_no_job();
    enter("/\n");
    expect_job(StatementKind::PlsqlBlock, "create or replace procedure p is begin null; end;\n");
    enter("create table t (a number);\n");
    expect_job(StatementKind::OtherSql, "create table t (a number)");
    enter("exec p(1);\n");
    expect_job(StatementKind::Exec, "BEGIN p(1); END;");
    enter("  EXECUTE   p;\n");
    expect_job(StatementKind::Exec, "BEGIN   p; END;");
    enter("exec p\n");
    expect_no_job();
    enter(";\n");
    expect_job(StatementKind::Exec, "BEGIN p\n; END;");
    enter("select 1 from dual /\n");
    expect_job(StatementKind::Query, "select 1 from dual ");
    // The "#" stays in the text for the worker to remove, and in the history.
    enter("#select 2 from dual;\n");
    expect_job(StatementKind::Query, "#select 2 from dual");
    EXPECT_EQ(records().back().text, "#select 2 from dual");
    // Not client commands: sent as SQL once terminated.
    enter("ac x\n");
    expect_no_job();
    enter(";\n");
    expect_job(StatementKind::OtherSql, "ac x\n");
    enter("sho user;\n");
    expect_job(StatementKind::OtherSql, "sho user");
    enter("rollback to savepoint a;\n");
    expect_job(StatementKind::OtherSql, "rollback to savepoint a");
    EXPECT_TRUE(commands().empty());
}

TEST_F(DispatchTest, ClientCommandsRunAtOnceOrAfterTheirTerminator) {
    enter("acc x\n");
    enter("desc emp;\n");
    enter("commit\n");
    enter("\n");   // ends the open commit without running it
    enter("commit;\n");
    enter("rollback\n");
    enter("/\n");   // "/" is a second word: "rollback" with more words is SQL
    expect_job(StatementKind::OtherSql, "rollback\n");
    enter("rollback;\n");
    expect_no_job();
    const std::vector<Command> all = commands();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].id, ClientCommandId::Accept);
    EXPECT_EQ(all[0].words, (std::vector<std::string>{"acc", "x"}));
    EXPECT_EQ(all[1].id, ClientCommandId::Describe);
    EXPECT_EQ(all[1].words, (std::vector<std::string>{"desc", "emp"}));
    EXPECT_EQ(all[2].id, ClientCommandId::Commit);
    EXPECT_EQ(all[3].id, ClientCommandId::Rollback);
    // Comments leave no record; other commands are recorded as typed.
    const size_t recorded = records().size();
    enter("-- note\nrem note\n");
    EXPECT_EQ(records().size(), recorded);
    enter("column x format a10\n");
    ASSERT_EQ(records().size(), recorded + 1);
    EXPECT_EQ(records().back().text, "column x format a10");
    EXPECT_FALSE(records().back().is_sql);
    enter("prompt  Hello  'x'\n");
    EXPECT_EQ(row_from_end(1), " Hello  'x'");
    enter("prompt\n");
    EXPECT_EQ(row_from_end(1), "SQL> prompt");
    // Scripts written for other consoles abbreviate PROMPT and DEFINE.
    enter("PRO Loading table ....\n");
    EXPECT_EQ(row_from_end(1), "Loading table ....");
    enter("def short_name = abc\n");
    std::string value;
    EXPECT_TRUE(variable_lookup("short_name", &value));
    EXPECT_EQ(value, "abc");
    EXPECT_FALSE(front.quit_requested());
    enter("exit\n");
    EXPECT_TRUE(front.quit_requested());
}

TEST_F(DispatchTest, TenWordsFixTheClassification) {
    // With ten words known, editing the first word no longer changes the kind.
    enter("select 1 2 3 4 5 6 7 8 9\n");
    input_home(console, true);
    for (int i = 0; i < 6; ++i) input_delete(console);
    input_insert("commit");
    input_end(console, true);
    enter(";\n");
    expect_job(StatementKind::Query, "commit 1 2 3 4 5 6 7 8 9\n");
    // The words are forgotten with the statement; fewer than ten are taken afresh.
    enter("select 1 2\n");
    input_home(console, true);
    for (int i = 0; i < 6; ++i) input_delete(console);
    input_insert("commit");
    input_end(console, true);
    enter(";\n");
    expect_no_job();
    ASSERT_EQ(commands().size(), 1u);
    EXPECT_EQ(commands()[0].id, ClientCommandId::Commit);
    // A block open at ten words stays a block, empty lines included.
    enter("declare a number; b number; c number; d number; e\n\n");
    EXPECT_TRUE(g_input.block_open);
    enter("number;\nbegin null; end;\n/\n");
    expect_job(StatementKind::PlsqlBlock, "declare a number; b number; c number; d number; e\n\nnumber;\nbegin null; end;\n");
}

TEST_F(DispatchTest, AnEmptiedInputStartsAFreshStatement) {
    // A ten-word block start, then erased: the next statement is not a block.
    enter("declare a number; b number; c number; d number; e\n");
    EXPECT_TRUE(g_input.block_open);
    enter(std::string(g_input.text.size(), '\b'));
    EXPECT_EQ(g_input.text, "");
    enter("select 1 from dual;\n");
    expect_job(StatementKind::Query, "select 1 from dual");
    // Erased, then Enter on the empty input: an empty line ends the next statement again.
    enter("begin\n");
    enter(std::string(g_input.text.size(), '\b') + "\n");
    enter("select 1\n\n");
    expect_no_job();
    EXPECT_EQ(g_input.text, "");
    EXPECT_FALSE(g_input.block_open);
}

TEST_F(DispatchTest, SpoolGetsWorkerOutputWithCrLf) {
    install(printing_worker);
    const std::string path = FreshHomeEnvironment::folder() + "/worker.lst";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    console_spool_swap(console, file);
    enter("select 1\nfrom dual;\n");
    console_print("not spooled: no worker runs\n");
    enter("select 2 from dual;\n");
    std::fclose(console_spool_swap(console, nullptr));
    EXPECT_EQ(read_file(path), "row 1\r\nrow 2\r\n1 row selected\r\nrow 1\r\nrow 2\r\n1 row selected\r\n");
    const std::vector<std::string> all = rows();
    ASSERT_GE(all.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(all.end() - 4, all.end()),
              (std::vector<std::string>{"row 1", "row 2", "1 row selected", "SQL> "}));
}

TEST_F(DispatchTest, ScriptRunsItsStatementsOnItsOwnThread) {
    WorkerRoutines workers;
    workers.script = script_worker;
    workers.query = workers.dml = workers.nonquery = plain_worker;
    dispatcher_install_workers(workers);
    enter("@demo.sql\n");
    const std::vector<Job> all = jobs();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].kind, StatementKind::Script);
    EXPECT_EQ(all[0].text, "@demo.sql");
    EXPECT_EQ(all[1].kind, StatementKind::Query);
    EXPECT_EQ(all[1].text, "select 1\nfrom dual");
    EXPECT_EQ(all[2].kind, StatementKind::Dml);
    EXPECT_NE(all[0].thread, platform_current_thread_id());
    for (const Job& job : all) {
        EXPECT_EQ(job.thread, all[0].thread) << job.text;
        EXPECT_TRUE(job.ran_as_busy_worker) << job.text;
    }
    EXPECT_EQ(busy_thread_id.load(), 0u);
    EXPECT_EQ(g_input.text, "");
}

TEST_F(DispatchTest, WorkerAsksForAHiddenLine) {
    install(password_worker);
    front.type("select 1\nfrom dual;\n");
    ASSERT_TRUE(front.wait_line_request());
    // The console takes typing again while the worker waits; the statement is set aside.
    EXPECT_EQ(busy_thread_id.load(), 0u);
    EXPECT_FALSE(front.wait_idle(50));
    front.type("pw\bx1");
    {
        std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
        EXPECT_EQ(g_input.text, "px1");
    }
    EXPECT_EQ(last_row(), "Password: ***");
    front.type("\n");
    ASSERT_TRUE(front.wait_idle());
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        EXPECT_EQ(g_worker_line, "px1");
        EXPECT_EQ(g_input_after_request, "select 1\nfrom dual");
    }
    ASSERT_EQ(records().size(), 1u);
    EXPECT_EQ(records()[0].text, "select 1\nfrom dual");
    EXPECT_EQ(last_row(), "SQL> ");
    EXPECT_EQ(console->echo.load(), 1);
}
