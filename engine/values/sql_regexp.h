// REGEXP_LIKE, REGEXP_SUBSTR, REGEXP_INSTR, REGEXP_REPLACE and REGEXP_COUNT: their
// translations for the function catalogue and the SQL functions those call. A pattern
// given as a constant is compiled once per statement.
#pragma once

#include "values/sql_dialect.h"

#include <sqlite3.h>

#include <string>
#include <vector>

// The translation of REGEXP_SUBSTR, REGEXP_INSTR, REGEXP_REPLACE or REGEXP_COUNT (name)
// with its arguments; missing optional arguments get Oracle's defaults.
std::string regexp_function_sql(const std::string& name, const std::vector<DialectArg>& args, OraType* type);
// The condition REGEXP_LIKE(source, pattern[, match_param]) on translated text arguments.
std::string regexp_like_sql(const std::string& source, const std::string& pattern, const std::string& match_param);
// Registers vantro_regexp_*; false when SQLite refuses one.
bool regexp_functions_register(sqlite3* db);
