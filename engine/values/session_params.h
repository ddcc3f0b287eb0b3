// ALTER SESSION's parameters: one table says which names exist, which values each takes
// and what they change in the session's settings. NLS_SESSION_PARAMETERS and
// SYS_CONTEXT('USERENV', ...) read the settings back through the same module.
#pragma once

#include "values/sql_functions.h"
#include "values/sql_types.h"

#include <string>

// Checks value for the parameter (ORA-02248 for a name ALTER SESSION SET does not know;
// hidden "_..." names are known) and stores its effect in *s (formats recompiled);
// false with *err (ORA-01821, ORA-12705, ORA-02097 with ORA-00096 ...) and *s as it was.
// CURRENT_SCHEMA's existence is the caller's to check.
bool session_param_set(SessionSettings* s, const std::string& name, const std::string& value, OraError* err);

// The session's value of an NLS parameter as NLS_SESSION_PARAMETERS shows it (name upper
// case, e.g. "NLS_SORT"); false when there is no such row.
bool session_nls_value(const SessionSettings& s, const std::string& name, std::string* value);

// The session's time zone as SESSIONTIMEZONE shows it ('+02:00', 'UTC').
std::string session_time_zone(const SessionSettings& s);
// The database's time zone (DBTIMEZONE): the zone of the machine's clock.
std::string database_time_zone();

// Registers vantro_nls(name), vantro_session_time_zone() and vantro_db_time_zone().
bool session_params_register(sqlite3* db, SessionSettings* settings);
