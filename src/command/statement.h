// Statement assembly: the dispatcher that decides whether the typed input is a complete
// statement, classifies it and hands it on (client command, statement worker, script
// runner), and `finish`, which ends every statement. The workers and the script runner
// are installed by the modules that own them; this module only hands jobs over.
#pragma once

#include <string>

#include "command/classify.h"

struct ConsoleBuffer;

constexpr int kMessageSize = 500;

// One database statement or script on its way to a worker, which owns and frees it.
struct StatementJob {
    ConsoleBuffer* console = nullptr;
    std::string text;                        // the statement (terminator cut)
    char done_message[kMessageSize] = {};    // text or format; empty when none
    char progress_message[kMessageSize] = {};
    StatementKind kind = StatementKind::Empty;
};

// Worker routines and the hooks that later layers install. A routine takes ownership of
// the job and frees it (delete); it calls finish for the statement.
struct WorkerRoutines {
    int (*nonquery)(StatementJob* job) = nullptr;
    int (*dml)(StatementJob* job) = nullptr;
    int (*query)(StatementJob* job) = nullptr;
    int (*script)(StatementJob* job) = nullptr;
    // Runs before Query and Dml jobs are handed over when autotrace is on.
    void (*autotrace_explain)(StatementJob* job) = nullptr;
};
void dispatcher_install_workers(const WorkerRoutines& routines);
const WorkerRoutines& dispatcher_workers();

// The history's part of finish: record the statement (terminator byte and database mark)
// and forget the text saved while browsing. Installed by the history module.
struct HistoryHooks {
    void (*record)(ConsoleBuffer* console, char terminator, bool is_sql) = nullptr;
    void (*discard_saved_input)(ConsoleBuffer* console) = nullptr;
};
void dispatcher_install_history(const HistoryHooks& hooks);

// Offers the whole input: 0 = not complete yet (nothing was done); non-zero = taken.
int dispatch(ConsoleBuffer* console);

// Ends the current statement: record it when `store`, reset the input, print the prompt
// (never to the spool file), forget the words kept for a long statement.
void finish(ConsoleBuffer* console, bool store, bool is_sql);

// A line of input that holds a NUL byte cannot be typed whole: it is reported as an error
// and not run, and the statement it would continue is discarded with it (otherwise it
// would merge with the next line). True when the line was refused.
bool dispatcher_refuse_nul_line(ConsoleBuffer* console, const std::string& line);

// Hands a job to its routine: on a new worker thread when none runs (its id becomes
// busy_thread_id before it starts), otherwise inline on the calling (script) thread.
void dispatcher_hand_off(StatementJob* job, int (*routine)(StatementJob*));

// The terminator byte of the last dispatched statement ('\n' when it had none).
char dispatcher_last_terminator();

// Registers dispatch and finish with the console.
void dispatcher_init();

// How a worker ends its statement: clears busy_thread_id (outside scripts) and calls
// finish while holding the input mutex, so that typing resumes only on the fresh prompt.
void worker_end_statement(ConsoleBuffer* console, bool store, bool is_sql);
