// DBMS_METADATA: the DDL of a schema object written back from the dictionary views the
// session has (USER_TABLES, USER_TAB_COLS, USER_CONSTRAINTS, USER_INDEXES, USER_SOURCE ...),
// in Oracle's layout, and the session's transform parameters that shape it. The SQL
// functions live on the session's connection; this module never parses SQL.
#pragma once

#include "values/sql_types.h"

#include <sqlite3.h>

#include <string>

struct SessionSettings;

// Registers vantro_metadata(kind, object_type, name, schema) (kind GET_DDL,
// GET_DEPENDENT_DDL or GET_GRANTED_DDL; ORA-31603, ORA-31600, ORA-31608 as SQL errors) and
// vantro_metadata_transform(name, value) with the transform state of this connection.
bool metadata_functions_register(sqlite3* db, SessionSettings* settings);
// SET_TRANSFORM_PARAM for the session transform: name upper case, value TRUE/FALSE
// (as 1/0 or text); false with ORA-31600 in *err for an unknown name or a bad value.
bool metadata_set_transform(sqlite3* db, const std::string& name, const std::string& value, OraError* err);
