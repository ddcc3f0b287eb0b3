// The RAW functions: HEXTORAW, RAWTOHEX, UTL_RAW's casts (to and from text and NUMBER),
// LENGTH, CONCAT, SUBSTR, the bit operations, COMPARE and REVERSE, and ORA_HASH: their
// translations for the function catalogue and the SQL functions those call. RAW values
// are SQLite blobs.
#pragma once

#include "values/sql_dialect.h"

#include <sqlite3.h>

#include <string>
#include <vector>

// The translation of one of the functions above (name as the catalogue has it).
std::string raw_function_sql(const std::string& name, const std::vector<DialectArg>& args, OraType* type);
// Registers vantro_raw_*; false when SQLite refuses one.
bool raw_functions_register(sqlite3* db);
