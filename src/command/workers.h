// The statement workers: each runs one database statement (on its own thread, or inline
// on a script's thread), prints the feedback line with the elapsed time, shows server
// output and autotrace statistics, and ends the statement.
#pragma once

#include <cstdint>
#include <string>

struct ConsoleBuffer;
struct StatementJob;

int run_nonquery_worker(StatementJob* job);
int run_dml_worker(StatementJob* job);
int run_query_worker(StatementJob* job);
// Prints the rows of the REFCURSOR variables named in the job's text (blank-separated).
int run_cursor_worker(StatementJob* job);

// The elapsed time of the running statement ("(15 ms)", "(1 m 1 s 0 ms)"), empty with
// timing off; plays the end-of-statement sound past `soundtime` seconds.
std::string elapsed_text(ConsoleBuffer* console);
// The text for a number of milliseconds, without the sound or the timing option.
std::string elapsed_format(unsigned long milliseconds);

// Replaces the millisecond clock that times statements (tests make timings
// deterministic); null restores the system's tick count.
void workers_set_clock(std::uint32_t (*clock)());

// Installs the workers with the dispatcher and the database commands (connect,
// disconnect, commit, rollback) and the serveroutput hook.
void workers_install();

