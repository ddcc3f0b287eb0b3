// Global temporary tables. The definition is an ordinary (always empty) table of its
// schema file, recorded in main.vantro_temporary_tables with the duration of its rows;
// each session keeps its own rows in a table of its connection's TEMP schema under the
// same name, made from the definition (columns, keys, checks, indexes) on first use and
// made again when the definition changed. SqliteCatalog::temporary_rows names it for the
// translator; nothing else in the engine knows where the rows are.
#pragma once

#include <sqlite3.h>

// After COMMIT or ROLLBACK of db's transaction: empties the session's rows of the tables
// declared ON COMMIT DELETE ROWS, and makes again the copies a rollback took back.
void temporary_tables_transaction_ended(sqlite3* db);
// Forgets db's copies: its connection is closing.
void temporary_tables_forget(sqlite3* db);
