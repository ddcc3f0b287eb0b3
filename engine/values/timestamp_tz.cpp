// Zoned timestamps: storing a value in a TIMESTAMP WITH [LOCAL] TIME ZONE column or
// CAST target, its UTC instant for comparisons and ORDER BY, and its text.
#include "values/timestamp_tz.h"

#include "values/calendar.h"
#include "values/errors.h"
#include "values/session_params.h"
#include "os/os.h"

#include <cctype>

namespace {

SessionSettings* settings_of(sqlite3_context* ctx) {
    return static_cast<SessionSettings*>(sqlite3_user_data(ctx));
}

void raise(sqlite3_context* ctx, const OraError& e) {
    std::string text = ora_format(e.code, e.message);
    text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

void raise(sqlite3_context* ctx, int code) {
    raise(ctx, ora_error(code));
}

std::string text_of(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

void result_text(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// A stored value with its offset: one without takes the session's zone.
bool zoned_value(const SessionSettings& s, const std::string& t, DateValue* d) {
    if (!date_parse_zoned(t.data(), t.size(), d)) return false;
    if (!d->zoned) {
        d->zone_minutes = session_zone_minutes(s);
        d->zoned = true;
    }
    return true;
}

// d's fraction of a second rounded half up to digits places.
bool round_fraction(DateValue* d, int digits) {
    int unit = 1;
    for (int k = digits < 0 ? 0 : digits; k < 9; ++k) unit *= 10;
    long long f = (static_cast<long long>(d->fraction) + unit / 2) / unit * unit;
    if (f >= 1000000000LL) {
        f -= 1000000000LL;
        DateValue moved = *d;
        if (!date_from_seconds(date_seconds(*d) + 1, &moved)) return false;
        moved.zone_minutes = d->zone_minutes;
        moved.zoned = d->zoned;
        *d = moved;
    }
    d->fraction = static_cast<int>(f);
    return date_in_range(*d);
}

// vantro_tz_store(value, digits, from_text, local): the stored form of a value for a
// TIMESTAMP(digits) WITH TIME ZONE (local 0) or WITH LOCAL TIME ZONE (local 1) column.
// Text is read through NLS_TIMESTAMP_TZ_FORMAT (its zone elements may be left out, as
// Oracle allows); a date or timestamp without a zone is in the session's zone.
void fn_store(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const SessionSettings& s = *settings_of(ctx);
    std::string t = text_of(argv[0]);
    DateValue d;
    if (sqlite3_value_int(argv[2]) != 0) {
        if (t.empty()) return sqlite3_result_null(ctx);
        OraError err;
        OsLocalTime now = os_local_time();
        DateValue today;
        today.year = now.year;
        today.month = now.month;
        if (!date_parse(t, s.timestamp_tz_mask, today, &d, &err)) return raise(ctx, err);
        if (!d.zoned) d.zone_minutes = session_zone_minutes(s);
        d.zoned = true;
    } else if (!zoned_value(s, t, &d)) {
        return raise(ctx, 1858);
    }
    if (!round_fraction(&d, sqlite3_value_int(argv[1]))) return raise(ctx, 1841);
    if (sqlite3_value_int(argv[3]) != 0) {
        int db = database_zone_minutes();
        if (!date_shift_minutes(&d, db - d.zone_minutes)) return raise(ctx, 1841);
        d.zone_minutes = db;
    }
    result_text(ctx, date_zoned_text(d));
}

// vantro_tz_utc(value): the UTC instant of a date or timestamp as stored text, which
// orders as the instants do (a value without an offset is in the session's zone).
void fn_utc(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    DateValue d;
    if (!zoned_value(*settings_of(ctx), text_of(argv[0]), &d)) return raise(ctx, 1858);
    // The instant may fall a day outside the calendar the engine keeps: it still orders.
    DateValue u = d;
    if (!date_from_seconds(date_seconds(d) - 60LL * d.zone_minutes, &u)) return result_text(ctx, text_of(argv[0]));
    u.fraction = d.fraction;
    result_text(ctx, date_stored_text(u, 6));
}

// The VANTRO_TZ collation: stored zoned values by their UTC instant (equal instants in
// different zones compare equal), then the fraction. Text that is no stored date sorts
// after every date, bytewise among its kind, so that the order stays total.
int collate_instant(void* settings, int na, const void* a, int nb, const void* b) {
    const SessionSettings& s = *static_cast<const SessionSettings*>(settings);
    std::string ta(static_cast<const char*>(a), static_cast<std::size_t>(na));
    std::string tb(static_cast<const char*>(b), static_cast<std::size_t>(nb));
    DateValue da, db;
    bool ok_a = zoned_value(s, ta, &da), ok_b = zoned_value(s, tb, &db);
    if (ok_a != ok_b) return ok_a ? -1 : 1;
    if (!ok_a) return ta.compare(tb) < 0 ? -1 : ta == tb ? 0 : 1;
    long long ua = date_seconds(da) - 60LL * da.zone_minutes, ub = date_seconds(db) - 60LL * db.zone_minutes;
    if (ua != ub) return ua < ub ? -1 : 1;
    if (da.fraction != db.fraction) return da.fraction < db.fraction ? -1 : 1;
    return 0;
}

// vantro_tz_text(value, local): Oracle's text for a zoned value.
void fn_text(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string t = text_of(argv[0]), out;
    if (!tz_display(*settings_of(ctx), t.data(), t.size(), sqlite3_value_int(argv[1]) != 0, &out))
        return raise(ctx, 1858);
    result_text(ctx, out);
}

// vantro_tz_local(value, session): a zoned value as a TIMESTAMP: its own local time, or
// (session 1) the time in the session's zone.
void fn_local(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const SessionSettings& s = *settings_of(ctx);
    DateValue d;
    if (!zoned_value(s, text_of(argv[0]), &d)) return raise(ctx, 1858);
    if (sqlite3_value_int(argv[1]) != 0 && !date_shift_minutes(&d, session_zone_minutes(s) - d.zone_minutes))
        return raise(ctx, 1841);
    result_text(ctx, date_stored_text(d, 6));
}

// vantro_tz_at(value, zone): a zoned value (or one in the session's zone) moved to zone
// ('+hh:mi', UTC, GMT; NULL: the session's), the instant kept (AT TIME ZONE, FROM_TZ's
// companion CURRENT_TIMESTAMP).
void fn_at(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const SessionSettings& s = *settings_of(ctx);
    DateValue d;
    if (!zoned_value(s, text_of(argv[0]), &d)) return raise(ctx, 1858);
    int zone = session_zone_minutes(s);
    OraError err;
    if (sqlite3_value_type(argv[1]) != SQLITE_NULL && !zone_offset_parse(text_of(argv[1]), &zone, &err))
        return raise(ctx, err);
    if (!date_shift_minutes(&d, zone - d.zone_minutes)) return raise(ctx, 1841);
    d.zone_minutes = zone;
    result_text(ctx, date_zoned_text(d));
}

// vantro_from_tz(timestamp, zone): the timestamp's local time given the zone.
// vantro_tz_offset(zone): TZ_OFFSET, the zone's offset from UTC as '+hh:mi' (an offset
// given as text, UTC, GMT, SESSIONTIMEZONE or DBTIMEZONE's value); other regions are
// unknown here (ORA-01882).
void fn_tz_offset(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    int minutes = 0;
    OraError err;
    if (!zone_offset_parse(text_of(argv[0]), &minutes, &err)) return raise(ctx, err);
    result_text(ctx, time_zone_text(minutes));
}

void fn_from_tz(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    std::string t = text_of(argv[0]);
    DateValue d;
    if (!date_parse_stored(t.data(), t.size(), &d)) return raise(ctx, 1858);
    OraError err;
    if (!zone_offset_parse(text_of(argv[1]), &d.zone_minutes, &err)) return raise(ctx, err);
    result_text(ctx, date_zoned_text(d));
}

// vantro_to_timestamp_tz(text, mask): text read through mask (NULL: the session's
// NLS_TIMESTAMP_TZ_FORMAT); a text without a zone is in the session's.
void fn_to_timestamp_tz(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const SessionSettings& s = *settings_of(ctx);
    std::string t = text_of(argv[0]);
    if (t.empty()) return sqlite3_result_null(ctx);
    bool own_mask = sqlite3_value_type(argv[1]) != SQLITE_NULL;
    std::string mask = own_mask ? text_of(argv[1]) : std::string();
    std::string rest = mask;
    for (char& c : rest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* tz : {"TZH", "TZM", "TZR"})
        for (std::size_t at; (at = rest.find(tz)) != std::string::npos;) rest.replace(at, 3, " ");
    if (own_mask && !date_mask_valid(rest)) return raise(ctx, 1821);
    OsLocalTime now = os_local_time();
    DateValue today, d;
    today.year = now.year;
    today.month = now.month;
    OraError err;
    if (!date_parse(t, own_mask ? date_mask_compile(mask) : s.timestamp_tz_mask, today, &d, &err))
        return raise(ctx, err);
    if (!d.zoned) d.zone_minutes = session_zone_minutes(s);
    result_text(ctx, date_zoned_text(d));
}

}  // namespace

int session_zone_minutes(const SessionSettings& s) {
    int m = 0;
    OraError ignored;
    if (!zone_offset_parse(session_time_zone(s), &m, &ignored)) return database_zone_minutes();
    return m;
}

int database_zone_minutes() {
    return os_local_time().utc_offset_minutes;
}

bool tz_display(const SessionSettings& s, const char* text, std::size_t len, bool local, std::string* out) {
    DateValue d;
    if (!zoned_value(s, std::string(text, len), &d)) return false;
    if (local && !date_shift_minutes(&d, session_zone_minutes(s) - d.zone_minutes)) return false;
    char buf[320];
    std::size_t n = date_format(d, local ? s.timestamp_mask : s.timestamp_tz_mask, buf, sizeof buf);
    out->assign(buf, n);
    return true;
}

bool timestamp_tz_register(sqlite3* db, SessionSettings* settings) {
    const struct {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    } functions[] = {
        {"vantro_tz_store", 4, fn_store},
        {"vantro_tz_utc", 1, fn_utc},
        {"vantro_tz_text", 2, fn_text},
        {"vantro_tz_local", 2, fn_local},
        {"vantro_tz_at", 2, fn_at},
        {"vantro_from_tz", 2, fn_from_tz},
        {"vantro_tz_offset", 1, fn_tz_offset},
        {"vantro_to_timestamp_tz", 2, fn_to_timestamp_tz},
    };
    for (const auto& f : functions)
        if (sqlite3_create_function(db, f.name, f.args, SQLITE_UTF8, settings, f.fn, nullptr, nullptr) != SQLITE_OK)
            return false;
    return sqlite3_create_collation_v2(db, "VANTRO_TZ", SQLITE_UTF8, settings, collate_instant, nullptr) == SQLITE_OK;
}
