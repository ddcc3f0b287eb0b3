// The data dictionary: Oracle's ALL_/USER_/DBA_ and V$ views computed from SQLite's own
// schema and the engine's catalog tables, installed as temporary views on a session's
// connection. The translator asks here for the columns of a name it cannot find as a
// table; this module never parses or translates SQL.
#pragma once

#include "values/sql_functions.h"
#include "values/sql_types.h"
#include "sql/sql_lexer.h"

#include <sqlite3.h>

#include <string>
#include <vector>

// Creates the catalog tables the views read (when missing), numbers the session and
// installs the views for user on db. False with err when SQLite refuses one.
bool dictionary_install(sqlite3* db, const std::string& user, SessionSettings* settings, OraError* err);
// The Oracle columns of dictionary view name (upper case); false when it is not one.
bool dictionary_view_columns(const std::string& name, std::vector<ColumnInfo>* columns);
// Brings the object register (ids, creation and DDL times) up to date with the schema:
// new objects get an id and the current time, dropped ones leave. Failures are ignored
// (a read-only moment leaves the register as it was; the views still list live objects).
void dictionary_sync_objects(sqlite3* db);
// Registers the SQL functions of the dictionary views (USERENV, SYS_CONTEXT, the session
// statistics) on db; false when SQLite refuses one.
bool dictionary_functions_register(sqlite3* db, SessionSettings* settings);
// The first view the tokens name (owner.name, or a name in schema) that does not compile:
// created with errors, or a table it reads is gone. *name gets "OWNER.NAME" and *offset
// the name's place; false when the tokens name none.
bool dictionary_invalid_view(sqlite3* db, const std::string& schema, const std::vector<Token>& tokens,
                             std::string* name, std::uint32_t* offset);
