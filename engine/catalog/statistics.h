// Optimizer statistics of tables, their columns and indexes: gathered by reading every
// row (an estimate reads them all as well), kept in catalog tables the dictionary views
// show, removed again on request. Locked statistics of a table are neither gathered
// nor deleted.
#pragma once

#include "values/sql_types.h"

#include <sqlite3.h>

#include <string>

// Gathers the statistics of owner.table (names as stored); with indexes, those of its
// indexes too. ORA-20000 when the table does not exist, ORA-20005 when its statistics
// are locked.
bool statistics_gather_table(sqlite3* db, const std::string& owner, const std::string& table, bool indexes,
                             OraError* err);
// The statistics of one index (ORA-20000 when owner has none of that name).
bool statistics_gather_index(sqlite3* db, const std::string& owner, const std::string& index, OraError* err);
// Every table of owner whose statistics are not locked (ORA-20000 for an unknown schema).
bool statistics_gather_schema(sqlite3* db, const std::string& owner, OraError* err);
// Removes the statistics of owner.table, its columns and indexes.
bool statistics_delete_table(sqlite3* db, const std::string& owner, const std::string& table, OraError* err);
bool statistics_delete_schema(sqlite3* db, const std::string& owner, OraError* err);
// Registers vantro_analyze(owner, name, 'TABLE' | 'INDEX', remove, indexes), which runs
// ANALYZE: ORA-00942 / ORA-01418 for what does not exist, ORA-38029 for locked statistics.
bool statistics_functions_register(sqlite3* db);
// Locks or unlocks the statistics of owner.table.
bool statistics_lock_table(sqlite3* db, const std::string& owner, const std::string& table, bool lock, OraError* err);
