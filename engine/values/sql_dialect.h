// Oracle's single-row functions beyond the translator's core set (DECODE, NVL2, LPAD,
// SUBSTR, INSTR, TO_CHAR with masks, SYS_CONTEXT, ...): how a call is written in SQLite
// and the Oracle type of its result, plus the SQL functions those translations call.
// The translator hands over already translated arguments; nothing here resolves names.
#pragma once

#include "values/sql_functions.h"
#include "values/sql_types.h"

#include <sqlite3.h>

#include <string>
#include <vector>

// One translated argument of a call.
struct DialectArg {
    std::string sql;       // the argument as translated
    std::string text_sql;  // the same converted to Oracle text (numbers and dates as text)
    OraType type;
    std::uint32_t text_size = 0;  // the widest text it can produce
    bool null_literal = false;    // the literal NULL (types nothing)
    bool is_literal = false;      // a string or number literal: literal holds its value
    std::string literal;
    bool stored_column = false;  // a column of a table or view the query reads
};

enum class DialectResult { NotMine, Done, WrongArguments };

// Translates a call of the Oracle function name (upper case) with args. NotMine when the
// name is not one of this module's functions; WrongArguments for a wrong argument count.
DialectResult dialect_function(const std::string& name, const std::vector<DialectArg>& args, std::string* sql,
                               OraType* type);
// The catalogue's rows as the consistency test reads them: name and argument counts
// (max_args -1: no upper bound).
struct DialectFunctionInfo {
    std::string name;
    int min_args;
    int max_args;
    bool plsql;  // also callable in a PL/SQL expression
};
std::vector<DialectFunctionInfo> dialect_function_catalogue();
// True for a catalogue function Oracle's PL/SQL allows inside SQL statements only.
bool dialect_function_sql_only(const std::string& name);
// Registers the SQL functions the translations call; false when SQLite refuses one.
bool dialect_functions_register(sqlite3* db, SessionSettings* settings);
