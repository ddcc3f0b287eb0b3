// What ends the program with a status: `exit`/`quit` with an optional status and
// COMMIT/ROLLBACK, and the WHENEVER SQLERROR / OSERROR actions that a failed statement or
// a failed file operation set off. The status is what the front end's process ends with.
#pragma once

#include <string>
#include <vector>

struct ConsoleBuffer;

enum class ExitKind { Success, Failure, Warning, Number, SqlCode, Variable };
enum class TransactionEnd { Keep, Commit, Rollback };

struct ExitSpec {
    ExitKind kind = ExitKind::Success;
    int number = 0;            // ExitKind::Number
    std::string variable;      // ExitKind::Variable: "&name" or ":name"
    TransactionEnd transaction = TransactionEnd::Keep;
};

// Reads [SUCCESS|FAILURE|WARNING|n|SQL.SQLCODE|&var|:var] [COMMIT|ROLLBACK] from the
// words; false when they do not fit that form.
bool exit_spec_parse(const std::vector<std::string>& words, ExitSpec* spec);

// Ends the transaction as the spec says, records the status, stops every running script
// and asks the front end to quit.
void program_exit(ConsoleBuffer* console, const ExitSpec& spec);

// The status of the exit asked for (0 when none was), and whether one was asked for.
int program_exit_status();
bool program_exit_requested();
// Start-up: no exit asked for, WHENEVER actions CONTINUE.
void program_exit_reset();

// A database statement failed (its error has been reported), or a file could not be
// opened or created: the WHENEVER action for it runs.
void whenever_sql_failed(ConsoleBuffer* console);
void whenever_os_failed(ConsoleBuffer* console);

// How a variable in an exit status is resolved to its value (substitution variables by
// default; bind variables are added by their module). False when it has none.
using ExitVariableLookup = bool (*)(const std::string& variable, std::string* value);
void whenever_install_bind_lookup(ExitVariableLookup lookup);
