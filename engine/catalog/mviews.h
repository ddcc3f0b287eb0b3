// Materialized views: refreshing their tables from the query kept at CREATE (the DDL and
// the dictionary views are the SQL translator's and the dictionary's).
#pragma once

#include "values/sql_types.h"

#include <sqlite3.h>

#include <string>

// Complete refresh of the materialized views in list ("name, owner.name, ..."; names
// unquoted are upper case) of the session user schema, each in one savepoint of the open
// transaction: ORA-12003 for one that does not exist, ORA-23538 for NEVER REFRESH. Those
// before a failing one stay refreshed.
bool mviews_refresh(sqlite3* db, const std::string& schema, const std::string& list, OraError* err);
// Every materialized view of the session user schema.
bool mviews_refresh_all(sqlite3* db, const std::string& schema, OraError* err);
