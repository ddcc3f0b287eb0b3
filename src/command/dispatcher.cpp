// The dispatcher: offered the whole input at each Enter, it decides whether the input is
// a complete statement, classifies it by its first words and hands it on. Incomplete
// input is left alone (result 0) so that the console adds a continuation line.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "command/client_commands.h"
#include "command/feedback.h"
#include "command/statement.h"
#include "command/words.h"
#include "console/console_buffer.h"
#include "settings/options.h"

namespace {

WorkerRoutines g_workers;
HistoryHooks g_history;

// Words of a statement that reached ten words, kept so that its classification stops
// changing as more lines are typed; plsql_flag marks such a statement as an open block.
std::vector<std::string> g_saved_words;
bool g_plsql_flag = false;
char g_last_terminator = '\n';

// The statement worker: one thread, started for the first statement and kept for the
// next ones, runs each handed-off job to its end and then waits for the next. Starting a
// thread for every statement cost more than a short insert itself. At most one job runs
// at a time: the dispatcher hands a job over only while busy_thread_id is 0, and the
// worker's routine clears it at its end. The state is never freed, because the thread
// still waits on it while the process exits.
struct PendingJob {
    int (*routine)(StatementJob*);
    StatementJob* job;
};

struct StatementWorker {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<PendingJob> jobs;
    std::atomic<int> queued{0};   // jobs in the queue, read without the lock while spinning
    ThreadId id = 0;
};

// How long the worker keeps looking for the next job before it sleeps. Statements fed
// one after another (piped input) follow within microseconds; waking a sleeping thread
// costs more than a short statement.
constexpr auto kWorkerSpin = std::chrono::microseconds(200);

StatementWorker* g_worker = nullptr;

int statement_worker_main(void* arg) {
    auto* worker = static_cast<StatementWorker*>(arg);
    for (;;) {
        const auto spin_end = std::chrono::steady_clock::now() + kWorkerSpin;
        while (worker->queued.load() == 0 && std::chrono::steady_clock::now() < spin_end)
            std::this_thread::yield();
        PendingJob next{};
        {
            std::unique_lock<std::mutex> lock(worker->mutex);
            worker->ready.wait(lock, [worker] { return !worker->jobs.empty(); });
            next = worker->jobs.front();
            worker->jobs.pop_front();
            worker->queued.fetch_sub(1);
        }
        next.routine(next.job);
    }
}

// The worker thread, started on first use; null when no thread can be started (errno
// tells why).
StatementWorker* statement_worker() {
    if (g_worker) return g_worker;
    auto* worker = new (std::nothrow) StatementWorker();
    if (!worker) {
        errno = ENOMEM;
        return nullptr;
    }
    worker->id = platform_thread_start(statement_worker_main, worker);
    if (worker->id == 0) {
        const int error = errno;
        delete worker;
        errno = error;
        return nullptr;
    }
    g_worker = worker;
    return worker;
}

// Offset of the first word in the input: blanks and a leading "#" skipped.
size_t first_word_offset(const std::string& input) {
    size_t i = 0;
    while (i < input.size() && std::strchr(" \t\n\r", input[i])) ++i;
    if (i < input.size() && input[i] == '#') ++i;
    while (i < input.size() && std::strchr(" \t\n\r", input[i])) ++i;
    return i;
}

StatementJob* new_job(ConsoleBuffer* console, StatementKind kind, std::string text) {
    auto* job = new StatementJob();
    job->console = console;
    job->kind = kind;
    job->text = std::move(text);
    return job;
}

int (*routine_for(StatementKind kind))(StatementJob*) {
    switch (kind) {
    case StatementKind::PlsqlBlock:
    case StatementKind::Exec:
    case StatementKind::ObjectDdl:
    case StatementKind::OtherSql:
        return g_workers.nonquery;
    case StatementKind::Dml:
        return g_workers.dml;
    case StatementKind::Query:
        return g_workers.query;
    case StatementKind::Script:
        return g_workers.script;
    case StatementKind::Empty:
    case StatementKind::Comment:
    case StatementKind::ClientCommand:
        return nullptr;
    }
    return nullptr;
}

// Cuts the blanks at the end of an exec command's text; when its last line ends in the
// continuation mark "-", removes the mark and answers true (the command goes on).
bool exec_line_continues(std::string* text) {
    size_t end = text->size();
    while (end > 0 && std::strchr(" \t\r\n", (*text)[end - 1])) --end;
    text->resize(end);
    if (end == 0 || (*text)[end - 1] != '-') return false;
    (*text)[end - 1] = ' ';
    return true;
}

// Builds the job of a database statement from the (already cut) input and hands it over.
void hand_off_sql(ConsoleBuffer* console, StatementKind kind, const std::string& input,
                  const char* const* words, int count) {
    std::string text = input;
    if (kind == StatementKind::Exec) {
        // "exec p(1)" runs as the block "BEGIN p(1); END;".
        const size_t after_word = first_word_offset(input) + std::strlen(words[0]) + 1;
        text = "BEGIN " + (after_word < input.size() ? input.substr(after_word) : std::string()) + "; END;";
    }
    StatementJob* job = new_job(console, kind, std::move(text));
    feedback_fill_messages(job, words, count);
    if ((kind == StatementKind::Query || kind == StatementKind::Dml) && console->options &&
        console->options->on(Option::Autotrace) && console->options->script.autotrace_explain &&
        g_workers.autotrace_explain)
        g_workers.autotrace_explain(job);
    dispatcher_hand_off(job, routine_for(kind));
}

}  // namespace

void dispatcher_install_workers(const WorkerRoutines& routines) { g_workers = routines; }
void dispatcher_install_history(const HistoryHooks& hooks) { g_history = hooks; }

void dispatcher_init() {
    ConsoleCommandHooks hooks;
    hooks.dispatch = dispatch;
    hooks.finish = finish;
    hooks.forget_statement = [] {
        g_saved_words.clear();
        g_plsql_flag = false;
    };
    console_install_command_hooks(hooks);
}
const WorkerRoutines& dispatcher_workers() { return g_workers; }
char dispatcher_last_terminator() { return g_last_terminator; }

void dispatcher_hand_off(StatementJob* job, int (*routine)(StatementJob*)) {
    ConsoleBuffer* console = job->console;
    if (!routine) {
        // No database layer or script runner in this build: nothing can run the job.
        if (job->kind == StatementKind::Script)
            console_print("Scripts cannot run in this build\n");
        else
            console_print("Not connected to a database\n");
        delete job;
        finish(console, true, false);
        return;
    }
    if (busy_thread_id.load() != 0) {
        routine(job);
        return;
    }
    StatementWorker* worker = statement_worker();
    if (!worker) {
        console_print("Cannot start a worker thread: %s\n", platform_last_error_text().c_str());
        delete job;
        finish(console, true, false);
        return;
    }
    // busy_thread_id is set before the job is queued, so that the worker's clear at the
    // end of a fast job can never be overwritten here.
    busy_thread_id.store(worker->id);
    {
        std::lock_guard<std::mutex> lock(worker->mutex);
        worker->jobs.push_back(PendingJob{routine, job});
        worker->queued.fetch_add(1);
    }
    worker->ready.notify_one();
}

int dispatch(ConsoleBuffer* console) {
    InputLine& in = g_input;
    const Terminator terminator = find_terminator(in.text);
    g_last_terminator = terminator.character;

    // Words: a private copy of the input, split; a statement that reached ten words keeps
    // its first ten.
    std::string copy;
    const char* words[kMaxWords] = {};
    int count = 0;
    if (!g_saved_words.empty()) {
        count = kMaxWords;
        for (int i = 0; i < kMaxWords; ++i) words[i] = g_saved_words[static_cast<size_t>(i)].c_str();
    } else {
        copy = in.text;
        size_t cut = terminator.character == ';' ? static_cast<size_t>(terminator.index) : std::string::npos;
        if (!copy.empty() && copy[0] == '#') {
            copy.erase(0, 1);
            if (cut != std::string::npos) cut -= 1;
        }
        if (cut != std::string::npos) copy.resize(cut);
        std::vector<char> buffer(copy.begin(), copy.end());
        buffer.push_back('\0');
        char* split[kMaxWords] = {};
        count = split_words(buffer.data(), split);
        if (count == 0) {
            finish(console, false, false);
            return 1;
        }
        if (count == kMaxWords)
            for (int i = 0; i < kMaxWords; ++i) g_saved_words.emplace_back(split[i]);
        // The words must outlive the buffer: keep them in the copy's place.
        copy.assign(buffer.begin(), buffer.end());
        for (int i = 0; i < count; ++i) words[i] = copy.data() + (split[i] - buffer.data());
    }

    std::string first = words[0];
    if (!first.empty() && first.back() == ';') first.pop_back();
    words[0] = first.c_str();

    const Classification c = classify_words(words, count, g_plsql_flag);

    if (c.completion == Completion::CommentEnd) {
        if (!comment_is_complete(in.text)) {
            in.block_open = true;
            return 0;
        }
        in.block_open = false;
        finish(console, false, false);
        return 1;
    }
    Terminator end = terminator;
    if (c.kind == StatementKind::Exec && (console->script_depth.load() > 0 || console->input_scripted.load()) &&
        !is_complete(c.completion, in.text, terminator)) {
        // Scripts written for Oracle's consoles end an exec command with its line, the
        // ";" being optional; a line ending in "-" continues it on the next line.
        if (exec_line_continues(&in.text)) return 0;
        end.character = ';';
        end.index = static_cast<int>(in.text.size());
    }
    if (!is_complete(c.completion, in.text, end)) {
        if (c.kind == StatementKind::PlsqlBlock) {
            in.block_open = true;
            if (!g_plsql_flag && count == kMaxWords) g_plsql_flag = true;
        }
        return 0;
    }

    switch (c.kind) {
    case StatementKind::Empty:
    case StatementKind::Comment:
        finish(console, false, false);
        return 1;
    case StatementKind::ClientCommand:
        run_client_command(console, c.command, words, count, terminator);
        return 1;
    case StatementKind::Script:
        start_script(console, terminator);
        return 1;
    case StatementKind::PlsqlBlock:
    case StatementKind::Exec:
    case StatementKind::ObjectDdl:
    case StatementKind::Query:
    case StatementKind::Dml:
    case StatementKind::OtherSql:
        in.block_open = false;
        in.text.resize(static_cast<size_t>(end.index));
        hand_off_sql(console, c.kind, in.text, words, count);
        return 1;
    }
    return 1;
}

bool dispatcher_refuse_nul_line(ConsoleBuffer* console, const std::string& line) {
    if (line.find('\0') == std::string::npos) return false;
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    const bool continued = !g_input.text.empty();
    console_print("\rError: the line holds a NUL byte and was not run%s\n",
                  continued ? ", nor the statement it continues" : "");
    finish(console, false, false);
    return true;
}

void finish(ConsoleBuffer* console, bool store, bool is_sql) {
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    // A reader of the open spool file sees every finished statement.
    spool_flush();
    if (store && g_history.record) g_history.record(console, g_last_terminator, is_sql);
    input_reset();
    if (console->echo.load() && !console->silent.load()) {
        const std::string prompt = console->options ? console->options->text(Option::Prompt) : "SQL>";
        console_print_nospool("%s ", prompt.c_str());
    }
    if (store && g_history.discard_saved_input) g_history.discard_saved_input(console);
    g_saved_words.clear();
    g_plsql_flag = false;
}

void worker_end_statement(ConsoleBuffer* console, bool store, bool is_sql) {
    std::lock_guard<std::recursive_mutex> guard(g_input_mutex);
    finish(console, store, is_sql);
    // Cleared last, just before the input lock is given back: a front end that takes the
    // lock as soon as it sees the statement end (the next fed line) then does not have to
    // sleep on it while the history and the prompt are written.
    if (console->script_depth.load() == 0) {
        busy_thread_id.store(0);
        // The prompt was printed while the statement still counted as running: the front
        // end learns here that it has ended. Still under the lock, so that a caller who
        // waits for the end and then for the lock finds the worker done.
        console_repaint(console);
    }
}
