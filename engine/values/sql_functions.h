// The SQL functions the translated statements call (vantro_concat, vantro_to_date, ...):
// Oracle semantics SQLite lacks. Registered once per connection; they read the session's
// settings through the pointer given at registration.
#pragma once

#include "values/values.h"

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <string>

// The session's work, counted for its statistics (V$SESSTAT).
struct SessionStats {
    std::uint64_t recursive_calls = 0;  // statements the engine ran on its own behalf
    std::uint64_t bytes_sent = 0;       // bytes of values delivered to the caller's buffers
    std::uint64_t bytes_received = 0;   // bytes of statement text and bind values received
    std::uint64_t roundtrips = 0;       // execute and fetch calls
    std::uint64_t sorts = 0;            // sorts SQLite ran for the session's statements
};

struct SessionSettings {
    std::string nls_date_format = "DD-MON-RR";
    std::string nls_timestamp_format = "DD-MON-RR HH.MI.SSXFF AM";
    // The other NLS parameters (ALTER SESSION SET, values/session_params.h), upper case.
    std::string nls_language = "AMERICAN";
    std::string nls_territory = "AMERICA";
    std::string nls_date_language = "AMERICAN";
    std::string nls_timestamp_tz_format = "DD-MON-RR HH.MI.SSXFF AM TZR";
    std::string nls_time_format = "HH.MI.SSXFF AM";
    std::string nls_time_tz_format = "HH.MI.SSXFF AM TZR";
    std::string nls_numeric_characters = ".,";  // decimal character, then group separator
    std::string nls_currency = "$";
    std::string nls_iso_currency = "AMERICA";
    std::string nls_dual_currency = "$";
    std::string nls_calendar = "GREGORIAN";
    std::string nls_sort = "BINARY";
    std::string nls_comp = "BINARY";
    std::string nls_length_semantics = "BYTE";
    std::string nls_nchar_conv_excp = "FALSE";
    std::string current_schema;  // unqualified names resolve here; empty: the session user
    std::string time_zone;       // SESSIONTIMEZONE; empty: the machine's zone
    std::string statement_time;  // SYSDATE of the running statement, stored form
    // SYSTIMESTAMP of the running SQL statement (stored form, microseconds); empty while a
    // PL/SQL block runs, whose SYSTIMESTAMP is the clock at each call.
    std::string statement_timestamp;
    std::string user;            // the session user (USER)
    DateMask date_mask;          // the two formats, compiled
    DateMask timestamp_mask;
    DateMask timestamp_tz_mask;  // NLS_TIMESTAMP_TZ_FORMAT, compiled
    std::string db_name;         // the database's name (its folder)
    std::string os_user;
    std::string logon_time;       // stored form
    std::int64_t session_id = 0;  // USERENV('SESSIONID'), unique within the database
    SessionStats stats;
    std::map<std::string, std::int64_t> sequence_values;  // CURRVAL: owner.name -> last NEXTVAL
    std::uint64_t random_state = 0;                       // DBMS_RANDOM's generator
    bool random_seeded = false;
    // DBMS_APPLICATION_INFO's settings, read back by SYS_CONTEXT('USERENV', ...).
    std::string module, action, client_info;
    // A PL/SQL expression is being evaluated: text functions give VARCHAR2 values up to
    // PL/SQL's 32767 bytes (ORA-06502 beyond) instead of SQL's 4000.
    bool plsql_expression = false;
};

// Sets SessionSettings::plsql_expression for a scope and restores it after.
class PlsqlExpressionScope {
 public:
    PlsqlExpressionScope(SessionSettings& s, bool on) : s_(s), saved_(s.plsql_expression) { s.plsql_expression = on; }
    ~PlsqlExpressionScope() { s_.plsql_expression = saved_; }
    PlsqlExpressionScope(const PlsqlExpressionScope&) = delete;
    PlsqlExpressionScope& operator=(const PlsqlExpressionScope&) = delete;

 private:
    SessionSettings& s_;
    bool saved_;
};

// The engine's aggregate and window functions (vantro_listagg, vantro_nth_in); false when
// SQLite refuses one.
bool sql_aggregates_register(sqlite3* db);
// The statistical aggregates and percentiles (vantro_stat, vantro_mode, vantro_percentile).
bool sql_statistics_register(sqlite3* db);
// Values of schema-level object and collection types (sql_objects.cpp).
bool sql_objects_register(sqlite3* db);
// vantro_lateral_rows(query, a1, ...): the rows of an inline view that reads the FROM
// items before it, run with their values bound (values/lateral_rows.cpp); at most
// kLateralMaxColumns columns and kLateralMaxArgs values.
constexpr int kLateralMaxColumns = 100;
constexpr int kLateralMaxArgs = 64;
bool lateral_rows_register(sqlite3* db);

// Compiles the session's date and timestamp formats after a change.
void settings_compile_formats(SessionSettings* settings);

// Registers every function on db; false when SQLite refuses one.
bool sql_functions_register(sqlite3* db, SessionSettings* settings);
