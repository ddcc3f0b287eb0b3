// Substitution variables: the variable table, define, undefine and accept, script
// arguments, and the substitution of script lines before they are typed. Statements typed
// at the console are never substituted. No locking: one command or script runs at a time.
#pragma once

#include <string>

#include "command/hash_table.h"

struct ConsoleBuffer;

// One table item: two heap strings owned by the table.
struct VariablePair {
    char* name;
    char* value;
};

constexpr int kVariableBuckets = 101;
constexpr int kVariableNameSize = 10000;   // longest name read during substitution, with NUL
constexpr int kAcceptValueSize = 1000;     // longest accepted value, with NUL

// Creates an empty table, or a copy of `source` (null: empty). Result 0, -1 without memory.
int variables_create(HashTable* table, const HashTable* source);
void variables_destroy(HashTable* table);
// The table in use; scripts swap in their own copy and put the caller's back.
HashTable* variables_current();
HashTable* variables_swap(HashTable* table);

// Defines (replacing an existing pair); 0, or -1 without memory.
int variable_define(const char* name, const char* value);
// True and the value when the name is defined.
bool variable_lookup(const char* name, std::string* value);
// 1 when the name was removed, 0 when it was not defined.
int variable_undefine(const char* name);

// `define` on the text after "define ".
void variables_define_command(ConsoleBuffer* console, const char* text);
// Script arguments: defines "1", "2", ... from the argument text.
void variables_define_arguments(const char* text);

// Substitutes "&&name" and "&name" in a script line (when `scan` is on), asking the user
// for undefined names; shows old and new lines when `verify` is on.
std::string variables_substitute(ConsoleBuffer* console, const std::string& line);
// Substitutes the line and types it into the console; Enter afterwards when `enter`.
void variables_type_line(ConsoleBuffer* console, const std::string& line, bool enter);

// Installs define, undefine and accept and creates the global table.
void variables_install();
