// The SQL functions the translated statements call (vantro_concat, vantro_to_date, ...):
// Oracle semantics SQLite lacks. Registered once per connection; they read the session's
// settings through the pointer given at registration.
#pragma once

#include "values.h"

#include <sqlite3.h>

#include <string>

struct SessionSettings {
  std::string nls_date_format = "DD-MON-RR";
  std::string nls_timestamp_format = "DD-MON-RR HH.MI.SSXFF AM";
  std::string statement_time;   // SYSDATE of the running statement, stored form
  std::string user;             // the session user (USER)
  DateMask date_mask;           // the two formats, compiled
  DateMask timestamp_mask;
};

// Compiles the session's date and timestamp formats after a change.
void settings_compile_formats(SessionSettings* settings);

// Registers every function on db; false when SQLite refuses one.
bool sql_functions_register(sqlite3* db, SessionSettings* settings);
