// TIMESTAMP WITH TIME ZONE and TIMESTAMP WITH LOCAL TIME ZONE values. Both are stored as
// the local time and its offset, "YYYY-MM-DD HH:MM:SS.ffffff +hh:mm" (date_zoned_text);
// a WITH LOCAL TIME ZONE value is kept in the database's time zone and shown in the
// session's. They compare and sort by their UTC instant (vantro_tz_utc).
#pragma once

#include "values/sql_functions.h"
#include "values/values.h"

#include <sqlite3.h>

#include <string>

// The session's offset from UTC in minutes (SESSIONTIMEZONE), and the database's.
int session_zone_minutes(const SessionSettings& s);
int database_zone_minutes();
// Oracle's text for a stored zoned value: a TIMESTAMP WITH TIME ZONE through
// NLS_TIMESTAMP_TZ_FORMAT, a WITH LOCAL TIME ZONE one (local) moved to the session's zone
// and shown through NLS_TIMESTAMP_FORMAT. A value without an offset is taken to be in the
// session's zone. False when text is no stored date.
bool tz_display(const SessionSettings& s, const char* text, std::size_t len, bool local, std::string* out);
// Registers vantro_tz_store, vantro_tz_utc, vantro_tz_text, vantro_tz_local, vantro_tz_at,
// vantro_from_tz and vantro_to_timestamp_tz.
bool timestamp_tz_register(sqlite3* db, SessionSettings* settings);
