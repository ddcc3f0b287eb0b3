// Rowids: the 18-character text a table row's ROWID shows (object number, file, block
// and row in Oracle's base-64 digits), made from the table's object number and SQLite's
// rowid of the row, and read back to both. Also CHARTOROWID and ROWIDTOCHAR for the
// function catalogue, and the SQL functions and the VANTRO_ROWID collation that order
// rowids by their parts rather than by their characters.
#pragma once

#include "values/sql_dialect.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// The rowid text of row `row` (SQLite's rowid) of the object numbered object.
std::string rowid_text(std::int64_t object, std::int64_t row);
// True when text is a well-formed rowid: 18 base-64 digits.
bool rowid_valid(const std::string& text);
// Reads a well-formed rowid back: false when it names no row (a row part no table uses).
bool rowid_parts(const std::string& text, std::int64_t* object, std::int64_t* row);
// The translation of CHARTOROWID or ROWIDTOCHAR.
std::string rowid_function_sql(const std::string& name, const std::vector<DialectArg>& args, OraType* type);
// The type of a ROWID value.
OraType rowid_type();
// Registers vantro_rowid, vantro_chartorowid, vantro_rowid_row and the collation.
bool rowid_functions_register(sqlite3* db);
