// Implementations of the engine's SQL functions. Errors are raised as "ORA-nnnnn: text",
// which the error mapping turns back into Oracle errors.
#include "values/sql_functions.h"
#include "values/date_mask_width.h"

#include "values/errors.h"
#include "values/session_params.h"
#include "values/number_bytes.h"
#include "values/calendar.h"
#include "values/sql_arithmetic.h"
#include "values/timestamp_tz.h"
#include "os/os.h"
#include "values/utf8.h"
#include "values/values.h"

#include <cctype>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

SessionSettings* settings_of(sqlite3_context* ctx) {
    return static_cast<SessionSettings*>(sqlite3_user_data(ctx));
}

void raise(sqlite3_context* ctx, int code, const std::string& arg1 = {}, const std::string& arg2 = {}) {
    std::string text = ora_format(code, ora_message(code, arg1, arg2));
    text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}
void raise_error(sqlite3_context* ctx, const OraError& e) {
    std::string text = ora_format(e.code, e.message);
    text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

std::string value_text(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

// A numeric argument: integers and reals as they are, text parsed as an Oracle number.
bool numeric(sqlite3_context* ctx, sqlite3_value* v, double* d, std::int64_t* i, bool* is_int) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        *i = sqlite3_value_int64(v);
        *d = static_cast<double>(*i);
        *is_int = true;
        return true;
    case SQLITE_FLOAT:
        *d = sqlite3_value_double(v);
        *is_int = false;
        return true;
    case SQLITE_BLOB:
        *is_int = false;
        if (!number_value_double(v, d)) {
            raise(ctx, 1722);
            return false;
        }
        return true;
    default: {
        std::string t = value_text(v);
        if (!number_parse(t.c_str(), t.size(), d, i, is_int)) {
            raise(ctx, 1722);
            return false;
        }
        return true;
    }
    }
}

void result_number(sqlite3_context* ctx, double d) {
    if (std::fabs(d) < 9.0e15 && d == std::floor(d))
        sqlite3_result_int64(ctx, static_cast<std::int64_t>(d));
    else
        sqlite3_result_double(ctx, d);
}

void fn_sysdate(sqlite3_context* ctx, int, sqlite3_value**) {
    const std::string& t = settings_of(ctx)->statement_time;
    sqlite3_result_text(ctx, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

// SYSTIMESTAMP: the local time to the microsecond, stored form, one value for the whole
// SQL statement as SYSDATE is; its zone comes from vantro_time_zone when it is shown.
void fn_systimestamp(sqlite3_context* ctx, int, sqlite3_value**) {
    const std::string& fixed = settings_of(ctx)->statement_timestamp;
    if (!fixed.empty()) {
        sqlite3_result_text(ctx, fixed.c_str(), static_cast<int>(fixed.size()), SQLITE_TRANSIENT);
        return;
    }
    OsLocalTime now = os_local_time();
    DateValue d;
    d.year = now.year;
    d.month = now.month;
    d.day = now.day;
    d.hour = now.hour;
    d.minute = now.minute;
    d.second = now.second;
    d.fraction = now.microsecond * 1000;
    std::string t = date_stored_text(d, 6);
    sqlite3_result_text(ctx, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

void fn_time_zone(sqlite3_context* ctx, int, sqlite3_value**) {
    std::string z = time_zone_text(os_local_time().utc_offset_minutes);
    sqlite3_result_text(ctx, z.c_str(), static_cast<int>(z.size()), SQLITE_TRANSIENT);
}

void fn_user(sqlite3_context* ctx, int, sqlite3_value**) {
    const std::string& u = settings_of(ctx)->user;
    sqlite3_result_text(ctx, u.c_str(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
}

void finalize_statement(void* p) {
    sqlite3_finalize(static_cast<sqlite3_stmt*>(p));
}

// vantro_eval(n, part1, ..., partn, row values...): the value of the last of n SELECT
// statements of one expression run in order, each reading the results of the parts
// before it as :p1, :p2 ... and the row values as :r1, :r2 ... The translator writes calls
// nested too deep for SQLite's parser this way. Each part is prepared once per statement
// that uses it and kept with it.
void fn_eval(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    int n = argc > 0 ? sqlite3_value_int(argv[0]) : 0;
    if (n < 1 || n >= argc) {
        sqlite3_result_error(ctx, "vantro_eval: bad arguments", -1);
        return;
    }
    sqlite3* db = sqlite3_context_db_handle(ctx);
    std::vector<sqlite3_value*> results;
    auto free_results = [&] {
        for (sqlite3_value* v : results) sqlite3_value_free(v);
    };
    for (int k = 1; k <= n; ++k) {
        auto* vm = static_cast<sqlite3_stmt*>(sqlite3_get_auxdata(ctx, k));
        sqlite3_stmt* own = nullptr;
        if (!vm || sqlite3_stmt_busy(vm)) {
            const char* sql = reinterpret_cast<const char*>(sqlite3_value_text(argv[k]));
            if (!sql || sqlite3_prepare_v2(db, sql, -1, &own, nullptr) != SQLITE_OK) {
                sqlite3_result_error(ctx, sqlite3_errmsg(db), -1);
                sqlite3_finalize(own);
                free_results();
                return;
            }
            if (!vm) {
                sqlite3_set_auxdata(ctx, k, own, finalize_statement);
                own = nullptr;
                vm = static_cast<sqlite3_stmt*>(sqlite3_get_auxdata(ctx, k));
                if (!vm) {
                    sqlite3_result_error_nomem(ctx);
                    free_results();
                    return;
                }
            } else {
                vm = own;  // the kept one is running (a call from inside itself): a fresh one
            }
        }
        for (int i = 1; i <= sqlite3_bind_parameter_count(vm); ++i) {
            const char* name = sqlite3_bind_parameter_name(vm, i);
            int j = name ? std::atoi(name + 2) : 0;
            if (name && name[1] == 'p' && j >= 1 && j <= static_cast<int>(results.size()))
                sqlite3_bind_value(vm, i, results[static_cast<std::size_t>(j - 1)]);
            else if (name && name[1] == 'r' && j >= 1 && n + j < argc)
                sqlite3_bind_value(vm, i, argv[n + j]);
        }
        int rc = sqlite3_step(vm);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            sqlite3_result_error(ctx, sqlite3_errmsg(db), -1);
            sqlite3_reset(vm);
            sqlite3_finalize(own);
            free_results();
            return;
        }
        sqlite3_value* v = rc == SQLITE_ROW ? sqlite3_value_dup(sqlite3_column_value(vm, 0)) : nullptr;
        sqlite3_reset(vm);
        sqlite3_clear_bindings(vm);
        sqlite3_finalize(own);
        if (rc == SQLITE_ROW && !v) {
            sqlite3_result_error_nomem(ctx);
            free_results();
            return;
        }
        results.push_back(v);
    }
    if (results.back())
        sqlite3_result_value(ctx, results.back());
    else
        sqlite3_result_null(ctx);
    free_results();
}

// a || b || ...: NULL counts as the empty text; the empty result is NULL.
void fn_concat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    std::string r;
    for (int k = 0; k < argc; ++k)
        if (sqlite3_value_type(argv[k]) != SQLITE_NULL) r += value_text(argv[k]);
    if (r.empty())
        sqlite3_result_null(ctx);
    else
        sqlite3_result_text(ctx, r.c_str(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
}

bool binary_value_of_text(const std::string& text, double* out);

// vantro_num_text(n[, binary]): the text of a number; with binary 1 (BINARY_DOUBLE) or 2
// (BINARY_FLOAT) the binary value's text, as TO_CHAR writes it (1.0E-001, Inf).
void fn_num_text(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    char buf[64];
    std::size_t n;
    if (argc > 1 && sqlite3_value_int(argv[1]) != 0 &&
        (sqlite3_value_type(argv[0]) == SQLITE_FLOAT || sqlite3_value_type(argv[0]) == SQLITE_INTEGER)) {
        n = number_text_binary(sqlite3_value_double(argv[0]), sqlite3_value_int(argv[1]) == 2, buf, sizeof buf);
        return sqlite3_result_text(ctx, buf, static_cast<int>(n), SQLITE_TRANSIENT);
    }
    double nan = 0;
    if (argc > 1 && sqlite3_value_int(argv[1]) != 0 && sqlite3_value_type(argv[0]) == SQLITE_TEXT &&
        binary_value_of_text(value_text(argv[0]), &nan) && std::isnan(nan))
        return sqlite3_result_text(ctx, "Nan", 3, SQLITE_STATIC);
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        return;
    case SQLITE_INTEGER:
        n = number_text_int(sqlite3_value_int64(argv[0]), buf, sizeof buf);
        break;
    case SQLITE_FLOAT:
    case SQLITE_BLOB: {
        std::string t;
        if (!number_value_text(argv[0], &t)) {
            // A wide value is NUMBER bytes; other bytes are no number.
            if (sqlite3_value_type(argv[0]) == SQLITE_BLOB) return raise(ctx, 1722);
            return sqlite3_result_value(ctx, argv[0]);
        }
        // The decimal character is the session's (NLS_NUMERIC_CHARACTERS).
        const std::string& nls = settings_of(ctx)->nls_numeric_characters;
        if (nls.size() == 2 && nls[0] != '.')
            for (char& c : t)
                if (c == '.') c = nls[0];
        sqlite3_result_text(ctx, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
        return;
    }
    default:
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    sqlite3_result_text(ctx, buf, static_cast<int>(n), SQLITE_TRANSIENT);
}

void date_text(sqlite3_context* ctx, sqlite3_value* v, const DateMask& mask) {
    if (sqlite3_value_type(v) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string t = value_text(v);
    DateValue d;
    if (!date_parse_stored(t.c_str(), t.size(), &d)) {
        raise(ctx, 1858);
        return;
    }
    // A session format whose text can outgrow the buffer on the stack gets one that holds it.
    char buf[256];
    std::vector<char> wide;
    char* out = buf;
    std::size_t room = sizeof buf;
    const std::uint32_t width = date_mask_width(mask);
    if (width >= room) {
        wide.resize(width + std::size_t{1});
        out = wide.data();
        room = wide.size();
    }
    std::size_t n = date_format(d, mask, out, room);
    sqlite3_result_text(ctx, out, static_cast<int>(n), SQLITE_TRANSIENT);
}
void fn_date_text(sqlite3_context* ctx, int, sqlite3_value** argv) {
    date_text(ctx, argv[0], settings_of(ctx)->date_mask);
}
void fn_timestamp_text(sqlite3_context* ctx, int, sqlite3_value** argv) {
    date_text(ctx, argv[0], settings_of(ctx)->timestamp_mask);
}

DateValue now_value() {
    OsLocalTime t = os_local_time();
    DateValue d;
    d.year = t.year;
    d.month = t.month;
    d.day = t.day;
    d.hour = t.hour;
    d.minute = t.minute;
    d.second = t.second;
    return d;
}

void to_date(sqlite3_context* ctx, sqlite3_value* v, const DateMask& mask, int fraction_digits) {
    int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    if (type != SQLITE_TEXT) {
        raise(ctx, 1858);
        return;
    }
    std::string t = value_text(v);
    if (t.empty()) {
        sqlite3_result_null(ctx);
        return;
    }
    DateValue d;
    OraError err;
    if (!date_parse(t, mask, now_value(), &d, &err)) {
        raise_error(ctx, err);
        return;
    }
    std::string s = date_stored_text(d, fraction_digits);
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}
void fn_to_date(sqlite3_context* ctx, int, sqlite3_value** argv) {
    to_date(ctx, argv[0], settings_of(ctx)->date_mask, 0);
}
void fn_to_timestamp(sqlite3_context* ctx, int, sqlite3_value** argv) {
    to_date(ctx, argv[0], settings_of(ctx)->timestamp_mask, 6);
}
// vantro_to_timestamp_mask(text, mask): TO_TIMESTAMP with its mask (NULL: the session's).
// A mask naming a zone field belongs to TO_TIMESTAMP_TZ: ORA-01821 as for any bad mask.
void fn_to_timestamp_mask(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return to_date(ctx, argv[0], settings_of(ctx)->timestamp_mask, 6);
    std::string mask = value_text(argv[1]);
    std::string upper = mask;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!date_mask_valid(mask) || upper.find("TZ") != std::string::npos) return raise(ctx, 1821);
    to_date(ctx, argv[0], date_mask_compile(mask), 6);
}

void fn_to_number(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    Decimal d;
    const std::string& nls = settings_of(ctx)->nls_numeric_characters;
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        // Text in the session's decimal character: '.' is then no decimal point.
        std::string t = value_text(argv[0]);
        if (nls.size() == 2 && nls[0] != '.') {
            for (char& c : t) {
                if (c == '.') return raise(ctx, 1722);
                if (c == nls[0]) c = '.';
            }
        }
        if (!decimal_parse(t.c_str(), t.size(), &d)) return raise(ctx, 1722);
    } else if (!decimal_arg(ctx, argv[0], &d)) {
        return;
    }
    result_decimal(ctx, d);
}

bool stored_date(sqlite3_context* ctx, sqlite3_value* v, DateValue* d) {
    std::string t = value_text(v);
    if (!date_parse_stored(t.c_str(), t.size(), d)) {
        raise(ctx, 1858);
        return false;
    }
    return true;
}

void fn_date_add(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    DateValue d;
    if (!stored_date(ctx, argv[0], &d)) return;
    // The days in decimal, to the nearest second: a sum of many 1/86400 steps lands on
    // whole seconds as Oracle's does, where a double would drift.
    Decimal days;
    if (!decimal_of_value(argv[1], &days)) return raise(ctx, 1722);
    const Decimal secs = decimal_round(decimal_mul(days, decimal_of_int(86400)), 0);
    const std::int64_t limit = (date_last_day_number() + 1) * 86400;
    std::int64_t offset = 0;
    if (!decimal_to_int64(secs, &offset) || offset <= -limit || offset >= limit)
        return raise_error(ctx, date_range_error());
    const std::int64_t total = date_seconds(d) + offset;
    DateValue r;
    if (total < 0 || total >= limit || !date_from_seconds(total, &r)) return raise_error(ctx, date_range_error());
    std::string s = date_stored_text(r);
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void fn_date_diff(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    DateValue a, b;
    if (!stored_date(ctx, argv[0], &a) || !stored_date(ctx, argv[1], &b)) return;
    const double days = date_diff_days(a, b);
    if (a.fraction == 0 && b.fraction == 0 && std::fabs(days) < 1e8) {
        // Dates differ by whole seconds: the days are that count over 86400, in decimal
        // (one second is .0000115740740740740740740740740740740741 of a day).
        Decimal q;
        decimal_div(decimal_of_int(std::llround(days * 86400)), decimal_of_int(86400), &q);
        return result_decimal(ctx, q);
    }
    result_number(ctx, days);
}

// Case-sensitive LIKE with an optional escape character.
bool like_match(const char* s, const char* p, char esc) {
    while (*p) {
        if (esc && *p == esc && p[1]) {
            if (*s != p[1]) return false;
            ++s;
            p += 2;
        } else if (*p == '%') {
            while (*p == '%') ++p;
            if (!*p) return true;
            for (; *s; ++s)
                if (like_match(s, p, esc)) return true;
            return false;
        } else if (*p == '_') {
            if (!*s) return false;
            ++s;
            while ((static_cast<unsigned char>(*s) & 0xC0) == 0x80) ++s;
            ++p;
        } else {
            if (*s != *p) return false;
            ++s;
            ++p;
        }
    }
    return !*s;
}

void fn_like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    std::string s = value_text(argv[0]), p = value_text(argv[1]);
    char esc = 0;
    if (argc > 2) {
        std::string e = value_text(argv[2]);
        if (e.size() != 1) {
            raise(ctx, 1425);
            return;
        }
        esc = e[0];
    }
    sqlite3_result_int(ctx, like_match(s.c_str(), p.c_str(), esc) ? 1 : 0);
}

// A CHAR value with its trailing blanks restored to the column's length.
void fn_pad(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string t = value_text(argv[0]);
    std::size_t chars = 0;
    for (unsigned char c : t)
        if ((c & 0xC0) != 0x80) ++chars;
    int width = sqlite3_value_int(argv[1]);
    if (width > 0 && chars < static_cast<std::size_t>(width)) t.append(static_cast<std::size_t>(width) - chars, ' ');
    sqlite3_result_text(ctx, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

void fn_error(sqlite3_context* ctx, int, sqlite3_value** argv) {
    raise(ctx, sqlite3_value_int(argv[0]));
}

void fn_store_number(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL ||
        (sqlite3_value_type(argv[0]) == SQLITE_TEXT && sqlite3_value_bytes(argv[0]) == 0)) {
        sqlite3_result_null(ctx);
        return;
    }
    Decimal d;
    if (!decimal_arg(ctx, argv[0], &d)) return;
    NumberStored n;
    int code = number_store_decimal(d, sqlite3_value_int(argv[1]), sqlite3_value_int(argv[2]), &n);
    if (code) return raise(ctx, code);
    result_stored(ctx, n);
}

void too_large(sqlite3_context* ctx, sqlite3_value* column, std::size_t actual, int maximum) {
    std::string name = sqlite3_value_type(column) == SQLITE_NULL ? std::string() : value_text(column);
    std::string text =
        ora_line(12899, name.empty() ? std::string() : name + " ", std::to_string(actual), std::to_string(maximum));
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

// A value as Oracle writes it as text: numbers in Oracle's number text, text as it is.
std::string oracle_text(sqlite3_value* v) {
    std::string t;
    if (number_value_text(v, &t)) return t;
    return value_text(v);
}

void fn_store_text(sqlite3_context* ctx, int, sqlite3_value** argv) {
    int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string t = oracle_text(argv[0]);
    bool is_char = sqlite3_value_int(argv[2]) != 0;
    if (is_char)
        while (!t.empty() && t.back() == ' ') t.pop_back();
    if (t.empty()) {
        sqlite3_result_null(ctx);
        return;
    }
    // The length is in characters or in bytes as the column was declared; a column in
    // characters still holds at most the type's bytes.
    int maximum = sqlite3_value_int(argv[1]);
    bool in_chars = sqlite3_value_int(argv[4]) != 0;
    std::size_t actual = in_chars ? utf8_length(t) : t.size();
    if (maximum > 0 && actual > static_cast<std::size_t>(maximum)) {
        too_large(ctx, argv[3], actual, maximum);
        return;
    }
    const std::size_t byte_limit = is_char ? 2000 : 4000;
    if (maximum > 0 && in_chars && t.size() > byte_limit) {
        too_large(ctx, argv[3], t.size(), static_cast<int>(byte_limit));
        return;
    }
    sqlite3_result_text(ctx, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

// vantro_cast_text(text, length, in characters, cut, fixed): CAST to VARCHAR2(length) or,
// fixed, to CHAR(length), whose values are kept without their trailing blanks. A longer
// value is ORA-25137, unless cut (a text literal, which Oracle shortens to the length).
void fn_cast_text(sqlite3_context* ctx, int, sqlite3_value** argv) {
    int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string t = oracle_text(argv[0]);
    const int maximum = sqlite3_value_int(argv[1]);
    const bool in_chars = sqlite3_value_int(argv[2]) != 0;
    const bool cut = sqlite3_value_int(argv[3]) != 0;
    const bool fixed = sqlite3_value_int(argv[4]) != 0;
    const std::size_t byte_limit = fixed ? 2000 : 4000;
    std::size_t actual = in_chars ? utf8_length(t) : t.size();
    if (maximum > 0 && (actual > static_cast<std::size_t>(maximum) || t.size() > byte_limit)) {
        if (!cut) return raise(ctx, 25137);
        // Whole characters only: the first `maximum` characters, or the bytes that hold
        // complete characters, within the type's byte limit.
        std::size_t keep = 0, chars = 0;
        const std::size_t bytes = in_chars ? byte_limit : std::min<std::size_t>(byte_limit, maximum);
        while (keep < t.size() && (!in_chars || chars < static_cast<std::size_t>(maximum))) {
            std::size_t next = keep + 1;
            while (next < t.size() && (static_cast<unsigned char>(t[next]) & 0xC0) == 0x80) ++next;
            if (next > bytes) break;
            keep = next;
            ++chars;
        }
        t.resize(keep);
    }
    if (fixed)
        while (!t.empty() && t.back() == ' ') t.pop_back();
    if (t.empty()) return sqlite3_result_null(ctx);
    sqlite3_result_text(ctx, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

// A binary value as SQLite keeps it. SQLite has no NaN (a NaN double reads back as NULL),
// so a NaN is the text NaN, which every reader of binary values takes for one and SQLite
// orders after every number, as Oracle orders NaN above every value. A BINARY_FLOAT keeps
// the nine significant digits a float holds, the text that reads back as the same float.
void binary_value_result(sqlite3_context* ctx, double d, bool single) {
    if (std::isnan(d)) return sqlite3_result_text(ctx, "NaN", 3, SQLITE_STATIC);
    if (single && std::isfinite(d)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(static_cast<float>(d)));
        d = std::strtod(buf, nullptr);
    }
    if (std::isfinite(d)) return result_number(ctx, d);
    sqlite3_result_double(ctx, d);
}

// Text read as a binary value: a number (beyond NUMBER's range too), or Inf, Infinity,
// NaN in any case, Inf with a sign. false when it is none of these.
bool binary_value_of_text(const std::string& text, double* out) {
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    std::string t = text.substr(b, e - b);
    std::string word;
    for (char c : t) word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool negative = !word.empty() && word[0] == '-';
    std::string body = !word.empty() && (word[0] == '-' || word[0] == '+') ? word.substr(1) : word;
    if (body == "INF" || body == "INFINITY") {
        *out = negative ? -HUGE_VAL : HUGE_VAL;
        return true;
    }
    if (word == "NAN") {
        *out = std::nan("");
        return true;
    }
    std::int64_t i = 0;
    bool is_int = false;
    return number_parse(t.c_str(), t.size(), out, &i, &is_int);
}

// vantro_cast_binary(value, single): CAST to BINARY_DOUBLE, or to BINARY_FLOAT (single).
// A number beyond a float's range is ORA-01426.
void fn_cast_binary(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    double d;
    std::int64_t i = 0;
    bool is_int;
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        if (!binary_value_of_text(value_text(argv[0]), &d)) return raise(ctx, 1722);
    } else if (!numeric(ctx, argv[0], &d, &i, &is_int)) {
        return;
    }
    const bool single = sqlite3_value_int(argv[1]) != 0;
    if (single && std::isinf(static_cast<float>(d)) && std::isfinite(d)) return raise(ctx, 1426);
    binary_value_result(ctx, d, single);
}

// vantro_binary_op(op, x, y, single): + - * / of BINARY_DOUBLE (or, single, BINARY_FLOAT)
// values, IEEE arithmetic: a division by zero is an infinity, not an error.
void fn_binary_op(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const bool single = sqlite3_value_int(argv[3]) != 0;
    double v[2];
    for (int k = 0; k < 2; ++k) {
        sqlite3_value* a = argv[1 + k];
        std::int64_t i = 0;
        bool is_int;
        if (sqlite3_value_type(a) == SQLITE_TEXT) {
            if (!binary_value_of_text(value_text(a), &v[k])) return raise(ctx, 1722);
        } else if (!numeric(ctx, a, &v[k], &i, &is_int)) {
            return;
        }
    }
    const std::string op = value_text(argv[0]);
    double r;
    if (single) {
        const float x = static_cast<float>(v[0]), y = static_cast<float>(v[1]);
        const float f = op == "+" ? x + y : op == "-" ? x - y : op == "*" ? x * y : x / y;
        r = f;
    } else {
        r = op == "+" ? v[0] + v[1] : op == "-" ? v[0] - v[1] : op == "*" ? v[0] * v[1] : v[0] / v[1];
    }
    binary_value_result(ctx, r, single);
}

// vantro_binary_chain(steps, x0, x1, ..., xn): x0 op1 x1 op2 ... left to right, steps
// holding for each operation its operator and 'f' (BINARY_FLOAT) or 'd' (BINARY_DOUBLE).
void fn_binary_chain(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const std::string steps = value_text(argv[0]);
    if (argc < 2 || steps.size() != static_cast<std::size_t>(argc - 2) * 2) return raise(ctx, 909);
    double acc = 0;
    for (int k = 1; k < argc; ++k) {
        sqlite3_value* a = argv[k];
        if (sqlite3_value_type(a) == SQLITE_NULL) return sqlite3_result_null(ctx);
        double v;
        std::int64_t i = 0;
        bool is_int;
        if (sqlite3_value_type(a) == SQLITE_TEXT) {
            if (!binary_value_of_text(value_text(a), &v)) return raise(ctx, 1722);
        } else if (!numeric(ctx, a, &v, &i, &is_int)) {
            return;
        }
        if (k == 1) {
            acc = v;
            continue;
        }
        const char op = steps[static_cast<std::size_t>(k - 2) * 2];
        if (steps[static_cast<std::size_t>(k - 2) * 2 + 1] == 'f') {
            const float x = static_cast<float>(acc), y = static_cast<float>(v);
            acc = op == '+' ? x + y : op == '-' ? x - y : op == '*' ? x * y : x / y;
        } else {
            acc = op == '+' ? acc + v : op == '-' ? acc - v : op == '*' ? acc * v : acc / v;
        }
    }
    binary_value_result(ctx, acc, steps.size() >= 2 && steps.back() == 'f');
}

// A binary value (a number, an infinity, the text NaN) as a double; false for other text.
bool binary_value_of(sqlite3_value* v, double* out) {
    if (sqlite3_value_type(v) == SQLITE_TEXT) return binary_value_of_text(value_text(v), out);
    *out = sqlite3_value_double(v);
    return true;
}

// vantro_binary_class(x): 1 for a NaN, 2 for an infinity, 0 for any other value, for
// IS [NOT] NAN and IS [NOT] INFINITE; NULL for NULL.
void fn_binary_class(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    double d = 0;
    if (sqlite3_value_type(argv[0]) == SQLITE_BLOB) return sqlite3_result_int(ctx, 0);  // a wide NUMBER
    if (!binary_value_of(argv[0], &d)) return raise(ctx, 1722);
    sqlite3_result_int(ctx, std::isnan(d) ? 1 : std::isinf(d) ? 2 : 0);
}

// vantro_binary_number(x): a binary value as a NUMBER: a NaN is no number (ORA-01722), an
// infinity beyond NUMBER's range (ORA-01426).
void fn_binary_number(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    double d = 0;
    if (sqlite3_value_type(argv[0]) == SQLITE_BLOB || sqlite3_value_type(argv[0]) == SQLITE_INTEGER)
        return sqlite3_result_value(ctx, argv[0]);
    if (!binary_value_of(argv[0], &d) || std::isnan(d)) return raise(ctx, 1722);
    if (std::isinf(d)) return raise(ctx, 1426);
    sqlite3_result_value(ctx, argv[0]);
}

// vantro_nanvl(n2, n1): n1 when n2 is a NaN, else n2; NULL when either is NULL.
void fn_nanvl(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    double d = 0;
    if (!binary_value_of(argv[0], &d)) return raise(ctx, 1722);
    sqlite3_result_value(ctx, std::isnan(d) ? argv[1] : argv[0]);
}

void fn_hextoraw(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string raw;
    if (!raw_from_hex(value_text(argv[0]), &raw)) {
        std::string text = ora_line(1465);
        sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
        return;
    }
    if (raw.empty()) {
        sqlite3_result_null(ctx);
        return;
    }
    int maximum = sqlite3_value_int(argv[1]);
    if (maximum > 0 && raw.size() > static_cast<std::size_t>(maximum)) {
        too_large(ctx, argv[2], raw.size(), maximum);
        return;
    }
    sqlite3_result_blob(ctx, raw.data(), static_cast<int>(raw.size()), SQLITE_TRANSIENT);
}

struct FunctionEntry {
    const char* name;
    int args;
    bool deterministic;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

// vantro_sqlerrm(code): the text SQLERRM(code) gives in PL/SQL.
void fn_sqlerrm(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string t = ora_sqlerrm(static_cast<long long>(std::trunc(sqlite3_value_double(argv[0]))));
    sqlite3_result_text(ctx, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

const FunctionEntry kFunctions[] = {
    {"vantro_sysdate", 0, false, fn_sysdate},
    {"vantro_user", 0, false, fn_user},
    {"vantro_systimestamp", 0, false, fn_systimestamp},
    {"vantro_time_zone", 0, false, fn_time_zone},
    {"vantro_concat", -1, true, fn_concat},
    {"vantro_eval", -1, false, fn_eval},
    {"vantro_num_text", 1, true, fn_num_text},
    {"vantro_num_text", 2, true, fn_num_text},
    {"vantro_date_text", 1, false, fn_date_text},
    {"vantro_timestamp_text", 1, false, fn_timestamp_text},
    {"vantro_to_date", 1, false, fn_to_date},
    {"vantro_to_timestamp", 1, false, fn_to_timestamp},
    {"vantro_to_timestamp_mask", 2, false, fn_to_timestamp_mask},
    {"vantro_to_number", 1, true, fn_to_number},
    {"vantro_date_add", 2, true, fn_date_add},
    {"vantro_date_diff", 2, true, fn_date_diff},
    {"vantro_like", 2, true, fn_like},
    {"vantro_like", 3, true, fn_like},
    {"vantro_error", 1, false, fn_error},
    {"vantro_pad", 2, true, fn_pad},
    {"vantro_store_number", 3, true, fn_store_number},
    {"vantro_store_text", 5, true, fn_store_text},
    {"vantro_hextoraw", 3, true, fn_hextoraw},
    {"vantro_cast_text", 5, true, fn_cast_text},
    {"vantro_cast_binary", 2, true, fn_cast_binary},
    {"vantro_binary_class", 1, true, fn_binary_class},
    {"vantro_nanvl", 2, true, fn_nanvl},
    {"vantro_binary_number", 1, true, fn_binary_number},
    {"vantro_binary_op", 4, true, fn_binary_op},
    {"vantro_binary_chain", -1, true, fn_binary_chain},
    {"vantro_sqlerrm", 1, true, fn_sqlerrm},
};

}  // namespace

void settings_compile_formats(SessionSettings* settings) {
    settings->date_mask = date_mask_compile(settings->nls_date_format);
    settings->timestamp_mask = date_mask_compile(settings->nls_timestamp_format);
    settings->timestamp_tz_mask = date_mask_compile(settings->nls_timestamp_tz_format);
}

bool sql_functions_register(sqlite3* db, SessionSettings* settings) {
    for (const FunctionEntry& f : kFunctions) {
        int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        if (sqlite3_create_function(db, f.name, f.args, flags, settings, f.fn, nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    return sql_aggregates_register(db) && sql_statistics_register(db) && sql_objects_register(db) && lateral_rows_register(db) &&
           sql_arithmetic_register(db) && session_params_register(db, settings) && timestamp_tz_register(db, settings);
}
