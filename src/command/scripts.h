// Scripts and spooling: the runner of "@file" and "@@file" (on the worker thread the
// dispatcher starts, nested scripts inline on it) and the `spool` command. The runner
// types each line into the console, so it never executes statements itself.
#pragma once

struct StatementJob;

constexpr int kScriptChunkSize = 10000;   // bytes read from a script file at a time

// The script routine: runs the script named in the job's text. 0, or -1 when the file
// cannot be opened. Frees the job.
int run_script_worker(StatementJob* job);

// Installs the script routine and the spool command.
void scripts_install();
