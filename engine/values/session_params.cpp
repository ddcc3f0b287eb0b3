// ALTER SESSION SET's parameters as one table. A row names the parameter and how its
// value is checked and stored: a format, an NLS name the engine can honour, a choice from
// a list, an integer range, or free text. Parameters without effect on this engine (the
// optimizer's, PL/SQL compilation's, tracing) are checked as Oracle checks them and then
// kept nowhere.
#include "values/session_params.h"

#include "os/os.h"
#include "values/errors.h"
#include "values/values.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

struct ParamRow;
using Setter = bool (*)(SessionSettings* s, const ParamRow& row, const std::string& value, OraError* err);

struct ParamRow {
    const char* name;
    Setter set;
    std::string SessionSettings::*field;  // where the value goes; null for no effect
    const char* choices;                  // "A|B|C" for a choice, null otherwise
    long min, max;                        // an integer's range (when choices is null and max > min)
};

std::string upper(const std::string& v) {
    std::string u = v;
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

std::string lower(const char* v) {
    std::string l = v;
    for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return l;
}

// ORA-02097 with the reason on its second line, as Oracle reports a refused value.
OraError invalid_value(int reason_code, const std::string& reason) {
    OraError e = ora_error(2097);
    std::string line = ora_format(reason_code, reason);
    line.pop_back();
    e.message += "\n" + line;
    return e;
}

bool in_choices(const char* choices, const std::string& value) {
    const char* p = choices;
    while (*p) {
        const char* bar = std::strchr(p, '|');
        std::size_t n = bar ? static_cast<std::size_t>(bar - p) : std::strlen(p);
        if (value.size() == n && value.compare(0, n, p, n) == 0) return true;
        if (!bar) break;
        p = bar + 1;
    }
    return false;
}

bool set_choice(SessionSettings* s, const ParamRow& row, const std::string& value, OraError* err) {
    std::string v = upper(value);
    if (!in_choices(row.choices, v)) {
        std::string list = lower(row.choices);
        for (std::size_t i = 0; (i = list.find('|', i)) != std::string::npos;) list.replace(i, 1, ", ");
        *err = invalid_value(96, ora_message(96, value, lower(row.name), list));
        return false;
    }
    if (row.field) s->*row.field = v;
    return true;
}

bool set_integer(SessionSettings*, const ParamRow& row, const std::string& value, OraError* err) {
    char* end = nullptr;
    long n = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end || n < row.min || n > row.max) {
        *err = invalid_value(68,
                             ora_message(68, value, lower(row.name), std::to_string(row.min), std::to_string(row.max)));
        return false;
    }
    return true;
}

bool set_text(SessionSettings* s, const ParamRow& row, const std::string& value, OraError*) {
    if (row.field) s->*row.field = value;
    return true;
}

bool set_date_format(SessionSettings* s, const ParamRow& row, const std::string& value, OraError* err) {
    if (value.empty() || !date_mask_valid(value)) {
        *err = ora_error(1821);
        return false;
    }
    s->*row.field = value;
    return true;
}

// A TIMESTAMP WITH TIME ZONE format: a date format whose time zone elements (TZH, TZM,
// TZR, TZD) are taken out before the date part is checked.
bool set_tz_format(SessionSettings* s, const ParamRow& row, const std::string& value, OraError* err) {
    std::string rest = upper(value);
    for (const char* tz : {"TZH", "TZM", "TZR", "TZD"})
        for (std::size_t at; (at = rest.find(tz)) != std::string::npos;) rest.replace(at, 3, " ");
    if (value.empty() || !date_mask_valid(rest)) {
        *err = ora_error(1821);
        return false;
    }
    s->*row.field = value;
    return true;
}

// The languages whose month and day names and messages are the engine's own.
bool set_language(SessionSettings* s, const ParamRow& row, const std::string& value, OraError* err) {
    std::string v = upper(value);
    if (v != "AMERICAN" && v != "ENGLISH") {
        *err = ora_error(12705);
        return false;
    }
    s->*row.field = v;
    if (row.field == &SessionSettings::nls_language) {
        s->nls_date_language = v;
        s->nls_sort = "BINARY";
    }
    return true;
}

// What a territory brings: its formats, numeric characters and currencies.
struct Territory {
    const char* name;
    const char* date_format;
    const char* timestamp_format;
    const char* timestamp_tz_format;
    const char* time_format;
    const char* time_tz_format;
    const char* numeric_characters;
    const char* currency;
};

const Territory kTerritories[] = {
    {"AMERICA", "DD-MON-RR", "DD-MON-RR HH.MI.SSXFF AM", "DD-MON-RR HH.MI.SSXFF AM TZR", "HH.MI.SSXFF AM",
     "HH.MI.SSXFF AM TZR", ".,", "$"},
    {"GERMANY", "DD.MM.RR", "DD.MM.RR HH24:MI:SSXFF", "DD.MM.RR HH24:MI:SSXFF TZR", "HH24:MI:SSXFF",
     "HH24:MI:SSXFF TZR", ",.", "\xE2\x82\xAC"},
};

const Territory* territory(const std::string& name) {
    for (const Territory& t : kTerritories)
        if (name == t.name) return &t;
    return nullptr;
}

bool set_territory(SessionSettings* s, const ParamRow&, const std::string& value, OraError* err) {
    const Territory* t = territory(upper(value));
    if (!t) {
        *err = ora_error(12705);
        return false;
    }
    s->nls_territory = t->name;
    s->nls_date_format = t->date_format;
    s->nls_timestamp_format = t->timestamp_format;
    s->nls_timestamp_tz_format = t->timestamp_tz_format;
    s->nls_time_format = t->time_format;
    s->nls_time_tz_format = t->time_tz_format;
    s->nls_numeric_characters = t->numeric_characters;
    s->nls_currency = t->currency;
    s->nls_dual_currency = t->currency;
    s->nls_iso_currency = t->name;
    return true;
}

bool set_iso_currency(SessionSettings* s, const ParamRow&, const std::string& value, OraError* err) {
    if (!territory(upper(value))) {
        *err = ora_error(12705);
        return false;
    }
    s->nls_iso_currency = upper(value);
    return true;
}

// Two different characters, neither a digit nor '+', '-', '<' or '>'.
bool set_numeric_characters(SessionSettings* s, const ParamRow&, const std::string& value, OraError* err) {
    auto usable = [](char c) {
        return static_cast<unsigned char>(c) < 0x80 && !std::isdigit(static_cast<unsigned char>(c)) &&
               !std::strchr("+-<>", c) && c != '\0';
    };
    if (value.size() != 2 || value[0] == value[1] || !usable(value[0]) || !usable(value[1])) {
        *err = ora_error(12705);
        return false;
    }
    s->nls_numeric_characters = value;
    return true;
}

// Only the binary sort: every comparison and ORDER BY here compares bytes. NLS_COMP
// LINGUISTIC and ANSI compare by NLS_SORT, which is then BINARY as well.
bool set_sort(SessionSettings* s, const ParamRow& row, const std::string& value, OraError* err) {
    std::string v = upper(value);
    bool comp = row.field == &SessionSettings::nls_comp;
    if (v != "BINARY" && !(comp && (v == "LINGUISTIC" || v == "ANSI"))) {
        *err = ora_error(12705);
        return false;
    }
    s->*row.field = v;
    return true;
}

bool set_calendar(SessionSettings* s, const ParamRow&, const std::string& value, OraError* err) {
    if (upper(value) != "GREGORIAN") {
        *err = ora_error(12705);
        return false;
    }
    s->nls_calendar = "GREGORIAN";
    return true;
}

bool set_schema(SessionSettings* s, const ParamRow&, const std::string& value, OraError*) {
    s->current_schema = value == s->user ? std::string() : value;
    return true;
}

// '[+|-]hh:mm', LOCAL, DBTIMEZONE, or a region the engine knows without a time zone
// file (UTC and GMT, which have no daylight saving).
bool set_time_zone(SessionSettings* s, const ParamRow&, const std::string& value, OraError* err) {
    std::string v = upper(value);
    if (v == "LOCAL" || v == "DBTIMEZONE") {
        s->time_zone = database_time_zone();
        return true;
    }
    if (v == "UTC" || v == "GMT") {
        s->time_zone = v;
        return true;
    }
    int minutes = 0;
    if (!zone_offset_parse(v, &minutes, err)) return false;
    s->time_zone = time_zone_text(minutes);
    return true;
}

using SS = SessionSettings;

const ParamRow kParams[] = {
    {"NLS_LANGUAGE", set_language, &SS::nls_language, nullptr, 0, 0},
    {"NLS_TERRITORY", set_territory, nullptr, nullptr, 0, 0},
    {"NLS_DATE_LANGUAGE", set_language, &SS::nls_date_language, nullptr, 0, 0},
    {"NLS_DATE_FORMAT", set_date_format, &SS::nls_date_format, nullptr, 0, 0},
    {"NLS_TIMESTAMP_FORMAT", set_date_format, &SS::nls_timestamp_format, nullptr, 0, 0},
    {"NLS_TIMESTAMP_TZ_FORMAT", set_tz_format, &SS::nls_timestamp_tz_format, nullptr, 0, 0},
    {"NLS_NUMERIC_CHARACTERS", set_numeric_characters, nullptr, nullptr, 0, 0},
    {"NLS_CURRENCY", set_text, &SS::nls_currency, nullptr, 0, 0},
    {"NLS_DUAL_CURRENCY", set_text, &SS::nls_dual_currency, nullptr, 0, 0},
    {"NLS_ISO_CURRENCY", set_iso_currency, nullptr, nullptr, 0, 0},
    {"NLS_CALENDAR", set_calendar, nullptr, nullptr, 0, 0},
    {"NLS_SORT", set_sort, &SS::nls_sort, nullptr, 0, 0},
    {"NLS_COMP", set_sort, &SS::nls_comp, nullptr, 0, 0},
    {"NLS_LENGTH_SEMANTICS", set_choice, &SS::nls_length_semantics, "BYTE|CHAR", 0, 0},
    {"NLS_NCHAR_CONV_EXCP", set_choice, &SS::nls_nchar_conv_excp, "TRUE|FALSE", 0, 0},
    {"CURRENT_SCHEMA", set_schema, nullptr, nullptr, 0, 0},
    {"TIME_ZONE", set_time_zone, nullptr, nullptr, 0, 0},
    // Accepted and without effect here.
    {"OPTIMIZER_MODE", set_choice, nullptr,
     "FIRST_ROWS_1000|FIRST_ROWS_100|FIRST_ROWS_10|FIRST_ROWS_1|FIRST_ROWS|ALL_ROWS|CHOOSE|RULE", 0, 0},
    {"STATISTICS_LEVEL", set_choice, nullptr, "BASIC|TYPICAL|ALL", 0, 0},
    {"CURSOR_SHARING", set_choice, nullptr, "SIMILAR|EXACT|FORCE", 0, 0},
    {"WORKAREA_SIZE_POLICY", set_choice, nullptr, "MANUAL|AUTO", 0, 0},
    {"QUERY_REWRITE_ENABLED", set_choice, nullptr, "FALSE|TRUE|FORCE", 0, 0},
    {"QUERY_REWRITE_INTEGRITY", set_choice, nullptr, "STALE_TOLERATED|TRUSTED|ENFORCED", 0, 0},
    {"STAR_TRANSFORMATION_ENABLED", set_choice, nullptr, "FALSE|TRUE|TEMP_DISABLE", 0, 0},
    {"RESULT_CACHE_MODE", set_choice, nullptr, "MANUAL|FORCE", 0, 0},
    {"PARALLEL_DEGREE_POLICY", set_choice, nullptr, "MANUAL|LIMITED|AUTO|ADAPTIVE", 0, 0},
    {"SKIP_UNUSABLE_INDEXES", set_choice, nullptr, "TRUE|FALSE", 0, 0},
    {"SQL_TRACE", set_choice, nullptr, "TRUE|FALSE", 0, 0},
    {"TIMED_STATISTICS", set_choice, nullptr, "TRUE|FALSE", 0, 0},
    {"GLOBAL_NAMES", set_choice, nullptr, "TRUE|FALSE", 0, 0},
    {"RECYCLEBIN", set_choice, nullptr, "ON|OFF", 0, 0},
    {"OPTIMIZER_USE_SQL_PLAN_BASELINES", set_choice, nullptr, "TRUE|FALSE", 0, 0},
    {"OPTIMIZER_CAPTURE_SQL_PLAN_BASELINES", set_choice, nullptr, "TRUE|FALSE", 0, 0},
    {"PLSQL_DEBUG", set_choice, nullptr, "TRUE|FALSE", 0, 0},
    {"PLSQL_CODE_TYPE", set_choice, nullptr, "INTERPRETED|NATIVE", 0, 0},
    // Every constraint here is NOT DEFERRABLE, which SET CONSTRAINTS leaves alone.
    {"CONSTRAINTS", set_choice, nullptr, "IMMEDIATE|DEFERRED|DEFAULT", 0, 0},
    {"PLSQL_OPTIMIZE_LEVEL", set_integer, nullptr, nullptr, 0, 3},
    {"DDL_LOCK_TIMEOUT", set_integer, nullptr, nullptr, 0, 1000000},
    {"OPTIMIZER_INDEX_COST_ADJ", set_integer, nullptr, nullptr, 1, 10000},
    {"OPTIMIZER_INDEX_CACHING", set_integer, nullptr, nullptr, 0, 100},
    {"OPTIMIZER_DYNAMIC_SAMPLING", set_integer, nullptr, nullptr, 0, 11},
    {"DB_FILE_MULTIBLOCK_READ_COUNT", set_integer, nullptr, nullptr, 0, 1024},
    {"SORT_AREA_SIZE", set_integer, nullptr, nullptr, 0, 2147483647},
    {"HASH_AREA_SIZE", set_integer, nullptr, nullptr, 0, 2147483647},
    {"PLSQL_WARNINGS", set_text, nullptr, nullptr, 0, 0},
    {"PLSCOPE_SETTINGS", set_text, nullptr, nullptr, 0, 0},
    {"PLSQL_CCFLAGS", set_text, nullptr, nullptr, 0, 0},
    {"OPTIMIZER_FEATURES_ENABLE", set_text, nullptr, nullptr, 0, 0},
    {"TRACEFILE_IDENTIFIER", set_text, nullptr, nullptr, 0, 0},
    {"MAX_DUMP_FILE_SIZE", set_text, nullptr, nullptr, 0, 0},
    {"EVENTS", set_text, nullptr, nullptr, 0, 0},
    {"COMMIT_WRITE", set_text, nullptr, nullptr, 0, 0},
    {"COMMIT_LOGGING", set_choice, nullptr, "IMMEDIATE|BATCH", 0, 0},
    {"COMMIT_WAIT", set_choice, nullptr, "NOWAIT|WAIT|FORCE_WAIT", 0, 0},
};

// A hidden parameter ("_name"): accepted with any value, as scripts tuning a server set
// them.
const ParamRow kHidden = {"_", set_text, nullptr, nullptr, 0, 0};

const ParamRow* find(const std::string& name) {
    if (!name.empty() && name[0] == '_') return &kHidden;
    for (const ParamRow& r : kParams)
        if (name == r.name) return &r;
    return nullptr;
}

// NLS_SESSION_PARAMETERS' rows, in Oracle's order.
struct NlsRow {
    const char* name;
    std::string SessionSettings::*field;
};

const NlsRow kNlsRows[] = {
    {"NLS_LANGUAGE", &SS::nls_language},
    {"NLS_TERRITORY", &SS::nls_territory},
    {"NLS_CURRENCY", &SS::nls_currency},
    {"NLS_ISO_CURRENCY", &SS::nls_iso_currency},
    {"NLS_NUMERIC_CHARACTERS", &SS::nls_numeric_characters},
    {"NLS_CALENDAR", &SS::nls_calendar},
    {"NLS_DATE_FORMAT", &SS::nls_date_format},
    {"NLS_DATE_LANGUAGE", &SS::nls_date_language},
    {"NLS_SORT", &SS::nls_sort},
    {"NLS_TIME_FORMAT", &SS::nls_time_format},
    {"NLS_TIMESTAMP_FORMAT", &SS::nls_timestamp_format},
    {"NLS_TIME_TZ_FORMAT", &SS::nls_time_tz_format},
    {"NLS_TIMESTAMP_TZ_FORMAT", &SS::nls_timestamp_tz_format},
    {"NLS_DUAL_CURRENCY", &SS::nls_dual_currency},
    {"NLS_COMP", &SS::nls_comp},
    {"NLS_LENGTH_SEMANTICS", &SS::nls_length_semantics},
    {"NLS_NCHAR_CONV_EXCP", &SS::nls_nchar_conv_excp},
};

SessionSettings* settings_of(sqlite3_context* ctx) {
    return static_cast<SessionSettings*>(sqlite3_user_data(ctx));
}

void result_text(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void fn_nls(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* name = sqlite3_value_text(argv[0]);
    std::string value;
    if (!name || !session_nls_value(*settings_of(ctx), upper(reinterpret_cast<const char*>(name)), &value))
        return sqlite3_result_null(ctx);
    result_text(ctx, value);
}

void fn_session_time_zone(sqlite3_context* ctx, int, sqlite3_value**) {
    result_text(ctx, session_time_zone(*settings_of(ctx)));
}

void fn_db_time_zone(sqlite3_context* ctx, int, sqlite3_value**) {
    result_text(ctx, database_time_zone());
}

}  // namespace

bool session_param_set(SessionSettings* s, const std::string& name, const std::string& value, OraError* err) {
    const ParamRow* row = find(name);
    if (!row) {
        *err = ora_error(2248);
        return false;
    }
    SessionSettings changed = *s;
    if (!row->set(&changed, *row, value, err)) return false;
    settings_compile_formats(&changed);
    *s = std::move(changed);
    return true;
}

bool session_nls_value(const SessionSettings& s, const std::string& name, std::string* value) {
    for (const NlsRow& r : kNlsRows) {
        if (name == r.name) {
            *value = s.*r.field;
            return true;
        }
    }
    return false;
}

std::string session_time_zone(const SessionSettings& s) {
    return s.time_zone.empty() ? database_time_zone() : s.time_zone;
}

std::string database_time_zone() {
    return time_zone_text(os_local_time().utc_offset_minutes);
}

bool session_params_register(sqlite3* db, SessionSettings* settings) {
    return sqlite3_create_function(db, "vantro_nls", 1, SQLITE_UTF8, settings, fn_nls, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "vantro_session_time_zone", 0, SQLITE_UTF8, settings, fn_session_time_zone,
                                   nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "vantro_db_time_zone", 0, SQLITE_UTF8, settings, fn_db_time_zone, nullptr,
                                   nullptr) == SQLITE_OK;
}
