// Client commands: the inputs the dispatcher runs in the client instead of sending them
// to the database. Commands whose machinery lives in other modules (database session,
// history, scripts, variables, describe) are installed by those modules.
#pragma once

#include <string>
#include <vector>

#include "command/classify.h"

struct ConsoleBuffer;

struct ClientCommandContext {
    ConsoleBuffer* console;
    ClientCommandId command;
    const char* const* words;   // at most ten; word 0 without a trailing ";"
    int count;
    Terminator terminator;      // of the input (g_input.text)
};
// A handler ends its statement with finish (or hands a job to a worker, which does).
using ClientCommandHandler = void (*)(const ClientCommandContext& context);

// Puts a handler in place of the command table's own for that command (null: the
// table's again); tests use it to watch what the dispatcher hands over.
void client_command_install(ClientCommandId command, ClientCommandHandler handler);
void run_client_command(ConsoleBuffer* console, ClientCommandId command, const char* const* words,
                        int count, const Terminator& terminator);

// Cuts a ";" or "/" terminator from the input (the commands that read their arguments
// from the input text).
void cut_terminator(const Terminator& terminator);
// The input text after the first `skip` characters of its first word (blanks and a "#"
// before the word are not counted); empty when the input is shorter.
const char* input_after_command(int skip);
// The input's words as typed names (split_name_words: double quotes kept, so that a
// quoted name keeps its case), the command word first. For the commands that take object
// names; they cut the terminator first.
std::vector<std::string> command_name_words();

// A "@" input: checks the nesting limit and hands it to the script runner.
void start_script(ConsoleBuffer* console, const Terminator& terminator);

// Runs a query of the client's own on the query worker with empty messages: its rows
// are the output, with no fetch notice, row count or time.
void run_client_query(ConsoleBuffer* console, const char* text);
