// The functions of Oracle's supplied packages that SQL can call (EMPTY_BLOB, EMPTY_CLOB,
// DBMS_LOB's readers, DBMS_RANDOM, DBMS_UTILITY.GET_TIME, DBMS_ASSERT): their translations
// for the function catalogue and the SQL functions those call, plus the LOB edits the
// PL/SQL procedures of DBMS_LOB share. LOBs are kept whole as values: a CLOB is text and
// counts characters, a BLOB is a SQLite blob and counts bytes; positions start at 1.
#pragma once

#include "values/sql_dialect.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// The translation of one of the functions above (name as the catalogue has it).
std::string supplied_function_sql(const std::string& name, const std::vector<DialectArg>& args, OraType* type);
// Registers vantro_lob_*, vantro_random_*, vantro_get_time and vantro_assert; false when
// SQLite refuses one.
bool supplied_functions_register(sqlite3* db, SessionSettings* settings);

// The largest LOB DBMS_LOB handles here (its LOBMAXSIZE is far beyond what a value held
// whole can reach).
constexpr std::uint64_t kLobMaxSize = 18446744073709551615ull;

std::uint64_t lob_length(const std::string& lob, bool binary);
// amount units of lob from offset; empty when offset is past the end.
std::string lob_substr(const std::string& lob, bool binary, std::uint64_t offset, std::uint64_t amount);
// Writes piece over lob at offset, padding a gap past the end with blanks (CLOB) or zero
// bytes (BLOB).
void lob_write(std::string* lob, bool binary, std::uint64_t offset, const std::string& piece);
// Replaces up to amount units from offset by blanks or zero bytes; the units erased.
std::uint64_t lob_erase(std::string* lob, bool binary, std::uint64_t amount, std::uint64_t offset);
// Cuts lob to new_length units (not longer than it is).
void lob_trim(std::string* lob, bool binary, std::uint64_t new_length);
// Where the nth occurrence of pattern starts at or after offset; 0 when there is none.
std::uint64_t lob_instr(const std::string& lob, bool binary, const std::string& pattern, std::uint64_t offset,
                        std::uint64_t nth);

// DBMS_RANDOM's generator state: seeded from the clock on first use, or by SEED.
void random_seed(SessionSettings* settings, const std::string& seed);
