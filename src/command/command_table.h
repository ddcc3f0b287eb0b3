// The client command table: one row per command with everything the rest of the system
// needs to know about it. Classification (its spellings, condition, precedence and
// terminator), usage messages, completion of command words and of their arguments, and
// where a command's arguments start in the input all read this table.
#pragma once

#include <cstddef>

#include "command/classify.h"
#include "command/client_commands.h"

// What completes the words after a command.
enum class ArgumentCompletion {
    None,
    DescribableObjects,   // names of objects that describe shows
    Files                 // file names, and the row's offered keywords
};

// Where a command's arguments start in the input.
enum class ArgumentStart {
    Words,              // the command reads only the split words
    AfterCommandWord    // the input text after the command word and one character
};

struct ClientCommandRow {
    ClientCommandId id;
    int rule;                                   // classification precedence (rules 6..19)
    const char* spellings;                      // blank-separated; exactly these are accepted
    bool (*condition)(const char* const* words, int count);   // further test, or null
    Completion completion;                      // what completes the input
    const char* offered;                        // word offered for a statement's first word, or null
    ArgumentCompletion arguments_completion;
    const char* argument_keywords;              // comma-separated keywords offered after the command, or ""
    ClientCommandHandler handler;
    const char* usage;                          // the usage line, or null
    ArgumentStart arguments;
};

const ClientCommandRow* client_command_rows();
size_t client_command_row_count();
// The row of a command, or null.
const ClientCommandRow* client_command_row(ClientCommandId id);

// Prints the command's usage line.
void command_usage(ClientCommandId id);
// The input text where the command's arguments start (empty when there are none).
const char* command_arguments(const ClientCommandContext& c);
