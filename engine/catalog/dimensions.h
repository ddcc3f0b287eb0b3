// Dimensions: CREATE [OR REPLACE] DIMENSION, ALTER DIMENSION and DROP DIMENSION checked
// against the catalog and kept in it for the dictionary (USER_DIMENSIONS, USER_DIM_LEVELS,
// USER_DIM_LEVEL_KEY, USER_DIM_HIERARCHIES, USER_DIM_CHILD_OF, USER_DIM_JOIN_KEY,
// USER_DIM_ATTRIBUTES). A dimension only describes relations between columns of tables;
// nothing reads it to plan or rewrite queries.
#pragma once

#include "catalog/dictionary_ddl.h"

#include <sqlite3.h>

#include <string>
#include <vector>

// True when the statement's tokens are a dimension's DDL.
bool dimension_statement(const std::vector<Token>& tokens);
// Checks the statement and writes the catalog statements that carry it out into *sql.
DdlResult dimension_ddl(const std::vector<Token>& tokens, const TranslateContext& ctx, sqlite3* db,
                        std::vector<std::string>* sql, OraError* err);
