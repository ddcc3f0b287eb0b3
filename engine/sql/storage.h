// Physical attributes Oracle's DDL may carry and SQLite has no use for (TABLESPACE,
// PCTFREE, STORAGE (...), the index kinds BITMAP and REVERSE, ...): the parser reads them
// into the statement's StorageClause, and this module writes the catalog row that keeps
// them for the dictionary views, which show Oracle's defaults where none were given.
#pragma once

#include "sql/sql_ast.h"

#include <string>

// The catalog statement recording st for owner.name, a table or (index) an index.
std::string storage_catalog_sql(const std::string& owner, const std::string& name, bool index, const StorageClause& st);
