// RENAME old TO new and ALTER TABLE [owner.]table RENAME TO new: the catalog's side of
// giving a table, view, sequence or private synonym a new name. It checks the statement
// and writes the statements that carry it out; it does not run them.
#pragma once

#include "catalog/dictionary_ddl.h"

#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <vector>

// tokens: the whole statement; pos: the token after RENAME, or after ALTER TABLE when
// alter_table is set. Done: *sql holds the statements (the first one for the schema
// file, the rest for the catalog). Failed: *err holds the Oracle error and its offset.
DdlResult rename_ddl(const std::vector<Token>& tokens, std::size_t pos, bool alter_table, const TranslateContext& ctx,
                     sqlite3* db, std::vector<std::string>* sql, OraError* err);
