// Statement workers and the client commands that talk to the session directly.
#include "command/workers.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "command/accept_check.h"
#include "command/client_commands.h"
#include "command/command_handlers.h"
#include "command/command_table.h"
#include "command/history_file.h"
#include "command/statement.h"
#include "command/tune.h"
#include "command/variables.h"
#include "command/whenever.h"
#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/bind_variables.h"
#include "oci/db_session.h"
#include "oci/oci_checkformat.h"
#include "oci/oci_statements.h"
#include "platform/files.h"
#include "settings/options.h"

namespace {

const OptionTable& options_of(const ConsoleBuffer* console) { return *console->options; }

std::atomic<std::uint32_t (*)()> g_clock{platform_tick_ms};

// Server output after a statement; without a session the statement has already said so.
void show_server_output(ConsoleBuffer* console) {
    if (options_of(console).on(Option::Serveroutput) && session_open.load()) print_server_output(console);
}

std::string statement_text(const StatementJob* job) {
    return !job->text.empty() && job->text[0] == '#' ? job->text.substr(1) : job->text;
}

void prepare_statement(ConsoleBuffer* console) {
    if (Frontend* front = frontend()) front->result_list_clear();
    close_result_file();
    free_result_columns();
    if (options_of(console).on(Option::Autotrace)) take_stats_snapshot(console);
    console->start_tick.store(g_clock.load()());
}

// DML statements and PL/SQL blocks run since the last commit, for AUTOCOMMIT n.
std::atomic<int> g_uncommitted{0};

// Whether AUTOCOMMIT counts the statement: INSERT, UPDATE, DELETE, MERGE and PL/SQL blocks
// (CREATE PROCEDURE and the like are DDL, which commits by itself).
bool autocommit_counts(const StatementJob* job, const std::string& text) {
    if (job->kind == StatementKind::Dml || job->kind == StatementKind::Exec) return true;
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return false;
    size_t end = start;
    while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
    const std::string word = text.substr(start, end - start);
    if (job->kind == StatementKind::PlsqlBlock) return word_is_one_of(word.c_str(), "begin declare");
    return job->kind == StatementKind::OtherSql && word_is_one_of(word.c_str(), "merge");
}

// AUTOCOMMIT after a statement that succeeded: commits when the count is reached, with
// "Commit complete" after the statement's feedback (silently with feedback off).
void autocommit_after(ConsoleBuffer* console, const StatementJob* job, const std::string& text) {
    const OptionTable& options = options_of(console);
    const int every = options.script.autocommit;
    if (every <= 0 || !autocommit_counts(job, text)) return;
    if (g_uncommitted.fetch_add(1) + 1 < every) return;
    g_uncommitted.store(0);
    commit_work(options.on(Option::Feedback));
}

// Runs a non-query; the DML worker passes no progress text and shows the row count.
int run_nonquery_job(StatementJob* job, bool dml) {
    ConsoleBuffer* console = job->console;
    const OptionTable& options = options_of(console);
    prepare_statement(console);
    const std::string text = statement_text(job);
    const bool feedback = options.on(Option::Feedback);
    const int failures = reported_failures();
    const int rows = run_nonquery(text.c_str(), feedback, dml ? nullptr : job->progress_message);
    result_row_count.store(rows);
    if (rows >= 0 && feedback) {
        const std::string elapsed = elapsed_text(console);
        if (dml)
            console_print("\r%d row%s %s %s\n", rows, rows == 1 ? "" : "s", job->done_message, elapsed.c_str());
        else if (job->done_message[0])
            console_print("\r%s %s\n", job->done_message, elapsed.c_str());
        else
            console_print("\rStatement processed %s\n", elapsed.c_str());
        if (options.on(Option::Autotrace) && options.script.autotrace_statistics) print_stats_delta(console);
    }
    show_server_output(console);
    if (rows >= 0 && reported_failures() == failures) autocommit_after(console, job, text);
    if (reported_failures() != failures) whenever_sql_failed(console);
    worker_end_statement(console, true, true);
    delete job;
    return 1;
}





AcceptCheck accept_check(ConsoleBuffer*, AcceptType type, const char* format, std::string* value) {
    if (!session_open.load()) {
        console_print("Not connected to a database\n");
        return AcceptCheck::NoSession;
    }
    return oci_checkformat(type == AcceptType::Date, format, value) == 0 ? AcceptCheck::Valid : AcceptCheck::Invalid;
}

void serveroutput_changed(ConsoleBuffer*, const OptionEntry& entry) {
    if (session_open.load() && entry.number.load()) run_quiet("begin dbms_output.enable(100000); end;");
}

}  // namespace

void command_commit(const ClientCommandContext& c) {
    cut_terminator(c.terminator);
    g_uncommitted.store(0);
    commit_work();
    finish(c.console, true, false);
}

void command_rollback(const ClientCommandContext& c) {
    cut_terminator(c.terminator);
    g_uncommitted.store(0);
    rollback_work();
    finish(c.console, true, false);
}

void command_connect(const ClientCommandContext& c) {
    // A ";" ending the input is the terminator, not part of the password, database or mode.
    if (c.terminator.character == ';') cut_terminator(c.terminator);
    if (c.count == 1) {
        command_usage(c.command);
    } else {
        if (db_connect_command(command_arguments(c)) == 1) command_usage(c.command);
        if (session_open.load()) {
            options_load(c.console);
            option_apply_directory(c.console);
        }
    }
    finish(c.console, true, false);
}

void command_disconnect(const ClientCommandContext& c) {
    db_disconnect();
    if (c.console->echo.load()) console_print("Disconnected\n");
    finish(c.console, true, false);
}

std::string elapsed_format(unsigned long e) {
    const unsigned long d = e / 86400000UL, h = (e % 86400000UL) / 3600000UL, m = (e % 3600000UL) / 60000UL,
                        s = (e % 60000UL) / 1000UL, ms = e % 1000UL;
    char text[128];
    if (d > 0)
        std::snprintf(text, sizeof text, "(%lu d %lu h %lu m %lu s %lu ms)", d, h, m, s, ms);
    else if (h > 0)
        std::snprintf(text, sizeof text, "(%lu h %lu m %lu s %lu ms)", h, m, s, ms);
    else if (m > 0)
        std::snprintf(text, sizeof text, "(%lu m %lu s %lu ms)", m, s, ms);
    else if (s == 0)
        std::snprintf(text, sizeof text, "(%lu ms)", ms);
    else
        std::snprintf(text, sizeof text, "(%lu s %lu ms)", s, ms);
    return text;
}

std::string elapsed_text(ConsoleBuffer* console) {
    const OptionTable& options = options_of(console);
    const std::uint32_t elapsed = g_clock.load()() - console->start_tick.load();
    if (options.on(Option::Sound) && elapsed / 1000 >= static_cast<std::uint32_t>(options.number(Option::Soundtime)))
        platform_play_sound_async(options.text(Option::Soundfile).c_str());
    if (!options.on(Option::Timing)) return std::string();
    return elapsed_format(elapsed);
}

int run_nonquery_worker(StatementJob* job) { return run_nonquery_job(job, false); }

int run_dml_worker(StatementJob* job) { return run_nonquery_job(job, true); }

namespace {

// Prints the rows of the query that `started` (run_query's or run_cursor's answer, 0 when
// the query is ready) left behind, with feedback, result list, statistics and server
// output, and releases it.
void show_query_result(ConsoleBuffer* console, const StatementJob* job, int started) {
    const OptionTable& options = options_of(console);
    const bool has_done = job->done_message[0] != '\0';
    const bool feedback = options.on(Option::Feedback);
    if (started != 0) {
        show_server_output(console);
    } else {
        if (has_done && feedback) console_print_nospool("\rFetching data...");
        int count = 0;
        if (open_result_file(console) == 0) count = fetch_rows(console, job->done_message);
        result_row_count.store(count);
        for (const auto& taken : result_new_values) variable_define(taken.first.c_str(), taken.second.c_str());
        console->repaint_suppressed.store(0);
        // FEEDBACK n: the count from n rows on; "0 rows" is always told.
        const int threshold = options.script.feedback_rows;
        if (count >= 0 && has_done && feedback && (count == 0 || count >= threshold)) {
            const std::string line = format_row_count(job->done_message, count);
            const std::string elapsed = elapsed_text(console);
            console_print("%s %s\n", line.c_str(), elapsed.c_str());
        }
        if (options.on(Option::Listview)) {
            if (Frontend* front = frontend()) front->result_list_setup();
        }
        if (options.on(Option::Autotrace) && options.script.autotrace_statistics) print_stats_delta(console);
        show_server_output(console);
    }
    // The statement slot is released before the console takes typing again, so that the
    // next statement never meets this one's handle.
    free_query();
}

}  // namespace

int run_query_worker(StatementJob* job) {
    ConsoleBuffer* console = job->console;
    prepare_statement(console);
    const std::string text = statement_text(job);
    const bool has_done = job->done_message[0] != '\0';
    const int failures = reported_failures();
    show_query_result(console, job, run_query(console, text.c_str(), job->done_message));
    if (reported_failures() != failures) whenever_sql_failed(console);
    worker_end_statement(console, true, has_done);
    delete job;
    return 1;
}

// PRINT of REFCURSOR variables: the job's text holds their names, blank-separated. Each
// cursor's rows are printed as a query's; a cursor printed once is used up.
int run_cursor_worker(StatementJob* job) {
    ConsoleBuffer* console = job->console;
    const int failures = reported_failures();
    size_t start = 0;
    bool first = true;
    while (start < job->text.size()) {
        size_t end = job->text.find(' ', start);
        if (end == std::string::npos) end = job->text.size();
        const std::string name = job->text.substr(start, end - start);
        start = end + 1;
        if (!first) console_print("\n");
        first = false;
        OCIStmt* cursor = bind_variable_take_cursor(name);
        if (!cursor) {
            console_print("Cursor %s is not open\n", name.c_str());
            continue;
        }
        prepare_statement(console);
        show_query_result(console, job, run_cursor(console, cursor));
    }
    if (reported_failures() != failures) whenever_sql_failed(console);
    worker_end_statement(console, true, true);
    delete job;
    return 1;
}

void workers_set_clock(std::uint32_t (*clock)()) { g_clock.store(clock ? clock : platform_tick_ms); }

void workers_install() {
    WorkerRoutines routines = dispatcher_workers();
    routines.nonquery = run_nonquery_worker;
    routines.dml = run_dml_worker;
    routines.query = run_query_worker;
    dispatcher_install_workers(routines);
    option_install_hook(Option::Serveroutput, serveroutput_changed);
    tune_install();
    accept_install_check(accept_check);
    history_install_database_name(current_database);
}
