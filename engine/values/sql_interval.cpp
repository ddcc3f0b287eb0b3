// Interval values: literals, Oracle's text for them, and the SQL functions that add them
// to dates, subtract timestamps and build intervals from numbers and text.
#include "values/sql_interval.h"

#include "values/calendar.h"
#include "values/errors.h"
#include "values/sql_arithmetic.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::int64_t kNanosPerSecond = 1000000000LL;
constexpr std::int64_t kNanosPerDay = 86400LL * kNanosPerSecond;
constexpr std::int64_t kMaxLeading = 999999999LL;  // nine digits: the widest leading field

// How one field of a DAY TO SECOND value is written after the one before it: the
// separator in front of it, its upper bound as a trailing field and the error beyond it.
struct FieldRule {
    IntervalField field;
    char separator;
    std::int64_t limit;
    int error;
    std::int64_t nanos;  // one unit of the field in nanoseconds (months for YEAR/MONTH)
};

const FieldRule kFields[] = {
    {IntervalField::Year, 0, 0, 0, 12},
    {IntervalField::Month, '-', 12, 1843, 1},
    {IntervalField::Day, 0, 0, 0, kNanosPerDay},
    {IntervalField::Hour, ' ', 24, 1850, 3600LL * kNanosPerSecond},
    {IntervalField::Minute, ':', 60, 1851, 60LL * kNanosPerSecond},
    {IntervalField::Second, ':', 60, 1852, kNanosPerSecond},
};

bool fail(OraError* err, int code) {
    *err = ora_error(code);
    return false;
}

// Reads digits at s[*i]; false when there are none or more than 18.
bool digits(const std::string& s, std::size_t* i, std::int64_t* v, int* count) {
    *v = 0;
    *count = 0;
    while (*i < s.size() && std::isdigit(static_cast<unsigned char>(s[*i]))) {
        if (++*count > 18) return false;
        *v = *v * 10 + (s[*i] - '0');
        ++*i;
    }
    return *count > 0;
}

void normalise(IntervalValue* v) {
    if (!v->year_month) {
        v->days += v->nanos / kNanosPerDay;
        v->nanos %= kNanosPerDay;
    }
    if (v->months == 0 && v->days == 0 && v->nanos == 0) v->negative = false;
}

// A signed total of v: months, or nanoseconds split over days and the rest.
void signed_parts(const IntervalValue& v, std::int64_t* days, std::int64_t* nanos) {
    *days = v.negative ? -v.days : v.days;
    *nanos = v.negative ? -v.nanos : v.nanos;
}

IntervalValue from_parts(bool year_month, std::int64_t months, std::int64_t days, std::int64_t nanos) {
    IntervalValue v;
    v.year_month = year_month;
    if (year_month) {
        v.negative = months < 0;
        v.months = months < 0 ? -months : months;
        return v;
    }
    days += nanos / kNanosPerDay;
    nanos %= kNanosPerDay;
    if (days > 0 && nanos < 0) {
        --days;
        nanos += kNanosPerDay;
    } else if (days < 0 && nanos > 0) {
        ++days;
        nanos -= kNanosPerDay;
    }
    v.negative = days < 0 || nanos < 0;
    v.days = days < 0 ? -days : days;
    v.nanos = nanos < 0 ? -nanos : nanos;
    normalise(&v);
    return v;
}

}  // namespace

bool interval_literal_parse(const std::string& text, IntervalField lead, IntervalField trail, int lead_precision,
                            IntervalValue* out, OraError* err) {
    IntervalValue v;
    v.year_month = lead <= IntervalField::Month;
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) v.negative = text[i++] == '-';
    std::int64_t whole = 0;  // months, or whole days
    std::int64_t total = 0;  // nanoseconds beside the days
    for (int f = static_cast<int>(lead); f <= static_cast<int>(trail); ++f) {
        const FieldRule& r = kFields[f];
        bool leading = f == static_cast<int>(lead);
        if (!leading && (i >= text.size() || text[i++] != r.separator)) return fail(err, 1867);
        std::int64_t n = 0;
        int count = 0;
        if (!digits(text, &i, &n, &count)) return fail(err, 1867);
        if (leading && count > lead_precision) return fail(err, 1873);
        if (!leading && count > 2) return fail(err, 1867);
        if (!leading && n >= r.limit) return fail(err, r.error);
        if (v.year_month || r.nanos == kNanosPerDay) {
            whole += n * (v.year_month ? r.nanos : 1);
        } else {
            // A leading HOUR, MINUTE or SECOND of up to nine digits: whole days apart so
            // that nanoseconds cannot overflow.
            std::int64_t per_day = kNanosPerDay / r.nanos;
            whole += n / per_day;
            total += (n % per_day) * r.nanos;
        }
        if (r.field == IntervalField::Second && i < text.size() && text[i] == '.') {
            ++i;
            std::int64_t frac = 0;
            int k = 0;
            for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++k)
                if (k < 9) frac = frac * 10 + (text[i] - '0');
            if (k == 0) return fail(err, 1867);
            for (; k < 9; ++k) frac *= 10;
            total += frac;
        }
    }
    while (i < text.size() && text[i] == ' ') ++i;
    if (i != text.size()) return fail(err, 1867);
    if (v.year_month) {
        v.months = whole;
    } else {
        v.days = whole;
        v.nanos = total;
    }
    normalise(&v);
    *out = v;
    return true;
}

std::string interval_stored_text(const IntervalValue& v) {
    char buf[64];
    char sign = v.negative ? '-' : '+';
    if (v.year_month) {
        std::snprintf(buf, sizeof buf, "%c%09lld-%02lld", sign, static_cast<long long>(v.months / 12),
                      static_cast<long long>(v.months % 12));
    } else {
        std::int64_t s = v.nanos / kNanosPerSecond;
        std::snprintf(buf, sizeof buf, "%c%09lld %02lld:%02lld:%02lld.%09lld", sign, static_cast<long long>(v.days),
                      static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60),
                      static_cast<long long>(s % 60), static_cast<long long>(v.nanos % kNanosPerSecond));
    }
    return buf;
}

bool interval_parse_stored(const char* t, std::size_t len, IntervalValue* out) {
    if (!t || len < 13 || (t[0] != '+' && t[0] != '-')) return false;
    std::string s(t, len);
    IntervalValue v;
    OraError err;
    bool ym = len == 13;
    std::string body = s.substr(1);
    if (!interval_literal_parse(body, ym ? IntervalField::Year : IntervalField::Day,
                                ym ? IntervalField::Month : IntervalField::Second, 9, &v, &err))
        return false;
    v.negative = t[0] == '-' && (v.months || v.days || v.nanos);
    *out = v;
    return true;
}

std::string interval_text(const IntervalValue& v, int lead_precision, int fraction_precision) {
    char buf[80];
    char sign = v.negative ? '-' : '+';
    int lead = lead_precision < 1 ? 1 : (lead_precision > 9 ? 9 : lead_precision);
    if (v.year_month) {
        std::snprintf(buf, sizeof buf, "%c%0*lld-%02lld", sign, lead, static_cast<long long>(v.months / 12),
                      static_cast<long long>(v.months % 12));
        return buf;
    }
    std::int64_t s = v.nanos / kNanosPerSecond;
    int n = std::snprintf(buf, sizeof buf, "%c%0*lld %02lld:%02lld:%02lld", sign, lead, static_cast<long long>(v.days),
                          static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60),
                          static_cast<long long>(s % 60));
    if (fraction_precision > 0 && n > 0) {
        char frac[16];
        std::snprintf(frac, sizeof frac, "%09lld", static_cast<long long>(v.nanos % kNanosPerSecond));
        int digits_shown = fraction_precision > 9 ? 9 : fraction_precision;
        std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), ".%.*s", digits_shown, frac);
    }
    return buf;
}

OraType interval_ym_type(int lead_precision) {
    OraType t;
    t.code = kTypeIntervalYm;
    t.size = 5;
    t.precision = static_cast<std::int16_t>(lead_precision);
    return t;
}

OraType interval_ds_type(int lead_precision, int fraction_precision) {
    OraType t;
    t.code = kTypeIntervalDs;
    t.size = 11;
    t.precision = static_cast<std::int16_t>(lead_precision);
    t.scale = static_cast<std::int8_t>(fraction_precision);
    return t;
}

std::string datetime_type_name(const OraType& t) {
    std::string lead = "(" + std::to_string(t.precision) + ")";
    std::string scale = "(" + std::to_string(t.scale) + ")";
    switch (t.code) {
    case kTypeTimestampTz:
        return "TIMESTAMP" + scale + " WITH TIME ZONE";
    case kTypeTimestampLtz:
        return "TIMESTAMP" + scale + " WITH LOCAL TIME ZONE";
    case kTypeIntervalYm:
        return "INTERVAL YEAR" + lead + " TO MONTH";
    case kTypeIntervalDs:
        return "INTERVAL DAY" + lead + " TO SECOND" + scale;
    default:
        return std::string();
    }
}

bool is_interval(const OraType& t) {
    return t.code == kTypeIntervalYm || t.code == kTypeIntervalDs;
}

namespace {

void raise(sqlite3_context* ctx, int code) {
    std::string text = ora_format(code, ora_message(code, {}));
    text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

std::string text_of(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

bool stored_arg(sqlite3_value* a, IntervalValue* v) {
    std::string s = text_of(a);
    return interval_parse_stored(s.data(), s.size(), v);
}

void result_interval(sqlite3_context* ctx, const IntervalValue& v) {
    if (!v.year_month ? v.days > kMaxLeading : v.months / 12 > kMaxLeading) return raise(ctx, 1873);
    std::string s = interval_stored_text(v);
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

bool any_null(int argc, sqlite3_value** argv) {
    for (int k = 0; k < argc; ++k)
        if (sqlite3_value_type(argv[k]) == SQLITE_NULL) return true;
    return false;
}

// vantro_interval_text(interval, lead precision, fraction precision): Oracle's text.
void fn_text(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    IntervalValue v;
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    if (!stored_arg(argv[0], &v)) return raise(ctx, 1867);
    std::string s = interval_text(v, sqlite3_value_int(argv[1]), sqlite3_value_int(argv[2]));
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// vantro_date_add_interval(date, interval, sign, fraction digits): the date moved by the
// interval. Months keep the day of the month (ORA-01839 when the month has no such day,
// as 31 January plus one month); a DATE (fraction digits 0) drops fractions of a second.
void fn_date_add(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    std::string d = text_of(argv[0]);
    DateValue dv;
    IntervalValue iv;
    if (!date_parse_stored(d.data(), d.size(), &dv) || !stored_arg(argv[1], &iv)) return raise(ctx, 1867);
    bool minus = (sqlite3_value_int(argv[2]) < 0) != iv.negative;
    int digits_kept = sqlite3_value_int(argv[3]);
    if (iv.year_month) {
        std::int64_t months =
            static_cast<std::int64_t>(dv.year) * 12 + (dv.month - 1) + (minus ? -iv.months : iv.months);
        if (months < 12 || months >= 10000LL * 12) return raise(ctx, 1841);
        dv.year = static_cast<int>(months / 12);
        dv.month = static_cast<int>(months % 12) + 1;
        if (dv.day > date_days_in_month(dv.year, dv.month)) return raise(ctx, 1839);
    } else {
        std::int64_t nanos = static_cast<std::int64_t>(dv.fraction) + (minus ? -iv.nanos : iv.nanos);
        std::int64_t secs = date_seconds(dv);
        std::int64_t day_secs = 86400LL * (minus ? -iv.days : iv.days);
        std::int64_t carry = nanos >= 0 ? nanos / kNanosPerSecond : -((-nanos + kNanosPerSecond - 1) / kNanosPerSecond);
        nanos -= carry * kNanosPerSecond;
        if (!date_from_seconds(secs + day_secs + carry, &dv)) return raise(ctx, 1841);
        dv.fraction = static_cast<int>(nanos);
    }
    if (!date_in_range(dv)) return raise(ctx, 1841);
    if (digits_kept == 0) dv.fraction = 0;
    // A zoned timestamp keeps its offset.
    DateValue zone;
    std::string s = date_stored_text(dv, digits_kept);
    if (date_parse_zoned(d.data(), d.size(), &zone) && zone.zoned) s += " " + time_zone_text(zone.zone_minutes);
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// vantro_timestamp_diff(a, b): a - b as an INTERVAL DAY TO SECOND.
void fn_timestamp_diff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    std::string a = text_of(argv[0]), b = text_of(argv[1]);
    DateValue x, y;
    if (!date_parse_stored(a.data(), a.size(), &x) || !date_parse_stored(b.data(), b.size(), &y))
        return raise(ctx, 1867);
    std::int64_t secs = date_seconds(x) - date_seconds(y);
    std::int64_t nanos = static_cast<std::int64_t>(x.fraction) - y.fraction;
    result_interval(ctx, from_parts(false, 0, secs / 86400, (secs % 86400) * kNanosPerSecond + nanos));
}

// vantro_interval_add(a, b, sign): a + b or a - b, both of one kind.
void fn_interval_add(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    IntervalValue a, b;
    if (!stored_arg(argv[0], &a) || !stored_arg(argv[1], &b) || a.year_month != b.year_month) return raise(ctx, 30081);
    int sign = sqlite3_value_int(argv[2]) < 0 ? -1 : 1;
    if (a.year_month) {
        std::int64_t m = (a.negative ? -a.months : a.months) + sign * (b.negative ? -b.months : b.months);
        return result_interval(ctx, from_parts(true, m, 0, 0));
    }
    std::int64_t ad, an, bd, bn;
    signed_parts(a, &ad, &an);
    signed_parts(b, &bd, &bn);
    result_interval(ctx, from_parts(false, 0, ad + sign * bd, an + sign * bn));
}

// vantro_interval_scale(interval, number, divide): the interval times the number, or
// (divide 1) divided by it. A YEAR TO MONTH result drops the fraction of a month, a DAY
// TO SECOND one is rounded to the nanosecond.
void fn_interval_scale(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    IntervalValue a;
    if (!stored_arg(argv[0], &a)) return raise(ctx, 1867);
    long double n = sqlite3_value_double(argv[1]);
    if (sqlite3_value_int(argv[2]) != 0) {
        if (n == 0) return raise(ctx, 1476);
        n = 1.0L / n;
    }
    if (a.year_month) {
        long double m = std::trunc(static_cast<long double>(a.negative ? -a.months : a.months) * n);
        if (std::fabs(m) > 12.0L * (kMaxLeading + 1)) return raise(ctx, 1873);
        return result_interval(ctx, from_parts(true, static_cast<std::int64_t>(m), 0, 0));
    }
    std::int64_t d, ns;
    signed_parts(a, &d, &ns);
    // Whole days and the nanoseconds of the rest scaled apart keep the nanoseconds exact
    // for the lengths an interval can have.
    long double days = static_cast<long double>(d) * n;
    if (std::fabs(days) > static_cast<long double>(kMaxLeading) + 1) return raise(ctx, 1873);
    long double whole = std::trunc(days);
    long double rest = (days - whole) * kNanosPerDay + static_cast<long double>(ns) * n;
    result_interval(
        ctx, from_parts(false, 0, static_cast<std::int64_t>(whole), static_cast<std::int64_t>(std::llround(rest))));
}

// vantro_interval_key(interval): text that orders as the signed intervals do: positive
// values keep their digits, negative ones take the nines' complement and sort first.
// vantro_interval_units(x): an interval as a count of its smallest unit (months, or
// nanoseconds), signed, for SUM and AVG; vantro_interval_of_units(n, year_month) the
// interval of n such units, rounded to a whole one (ORA-01873 beyond nine digits of
// years or days).
void fn_units(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    IntervalValue v;
    if (!stored_arg(argv[0], &v)) return raise(ctx, 1867);
    Decimal d = v.year_month ? decimal_of_int(v.months)
                             : decimal_add(decimal_mul(decimal_of_int(v.days), decimal_of_int(86400000000000LL)),
                                           decimal_of_int(v.nanos));
    result_decimal(ctx, v.negative ? decimal_negate(d) : d);
}

void fn_of_units(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    Decimal n;
    if (!decimal_arg(ctx, argv[0], &n)) return;
    n = decimal_round(n, 0);
    IntervalValue v;
    v.year_month = sqlite3_value_int(argv[1]) != 0;
    v.negative = decimal_compare(n, decimal_of_int(0)) < 0;
    if (v.negative) n = decimal_negate(n);
    const Decimal day = decimal_of_int(86400000000000LL);
    Decimal days = n;
    if (!v.year_month) {
        Decimal q;
        if (!decimal_div(n, day, &q)) return raise(ctx, 1873);
        days = decimal_trunc(q, 0);
    }
    std::int64_t whole = 0, rest = 0;
    if (!decimal_to_int64(days, &whole)) return raise(ctx, 1873);
    if (!v.year_month && !decimal_to_int64(decimal_sub(n, decimal_mul(days, day)), &rest)) return raise(ctx, 1873);
    if (v.year_month)
        v.months = whole;
    else {
        v.days = whole;
        v.nanos = rest;
    }
    if (v.months == 0 && v.days == 0 && v.nanos == 0) v.negative = false;
    result_interval(ctx, v);
}

void fn_key(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    IntervalValue v;
    if (!stored_arg(argv[0], &v)) return raise(ctx, 1867);
    std::string s = interval_stored_text(v);
    bool negative = s[0] == '-';
    s[0] = negative ? '0' : '1';
    if (negative)
        for (std::size_t k = 1; k < s.size(); ++k)
            if (std::isdigit(static_cast<unsigned char>(s[k]))) s[k] = static_cast<char>('9' - (s[k] - '0'));
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

struct UnitRow {
    const char* name;
    bool year_month;
    long double per_unit;  // months or seconds in one unit
};

const UnitRow kUnits[] = {
    {"YEAR", true, 12.0L},    {"MONTH", true, 1.0L},    {"DAY", false, 86400.0L},
    {"HOUR", false, 3600.0L}, {"MINUTE", false, 60.0L}, {"SECOND", false, 1.0L},
};

// vantro_num_to_interval(n, unit, year_month): NUMTODSINTERVAL / NUMTOYMINTERVAL.
void fn_num_to_interval(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    std::string unit = text_of(argv[1]);
    for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    while (!unit.empty() && unit.back() == ' ') unit.pop_back();
    while (!unit.empty() && unit.front() == ' ') unit.erase(0, 1);
    bool year_month = sqlite3_value_int(argv[2]) != 0;
    const UnitRow* row = nullptr;
    for (const UnitRow& r : kUnits)
        if (unit == r.name && r.year_month == year_month) row = &r;
    if (!row) return raise(ctx, 1760);
    long double n = sqlite3_value_double(argv[0]);
    long double amount = std::fabs(n) * row->per_unit;
    if (!(amount < 1.0e18L)) return raise(ctx, 1873);
    if (year_month) {
        // A fraction of a month is dropped, as Oracle truncates it.
        std::int64_t m = static_cast<std::int64_t>(amount);
        return result_interval(ctx, from_parts(true, n < 0 ? -m : m, 0, 0));
    }
    std::int64_t days = static_cast<std::int64_t>(amount / 86400.0L);
    long double rest = amount - static_cast<long double>(days) * 86400.0L;
    std::int64_t nanos = static_cast<std::int64_t>(std::llround(rest * 1.0e9L));
    if (n < 0) {
        days = -days;
        nanos = -nanos;
    }
    result_interval(ctx, from_parts(false, 0, days, nanos));
}

// vantro_text_to_interval(text, year_month): TO_YMINTERVAL 'y-m' / TO_DSINTERVAL 'd h:m:s[.f]'.
void fn_text_to_interval(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    bool ym = sqlite3_value_int(argv[1]) != 0;
    IntervalValue v;
    OraError err;
    if (!interval_literal_parse(text_of(argv[0]), ym ? IntervalField::Year : IntervalField::Day,
                                ym ? IntervalField::Month : IntervalField::Second, 9, &v, &err))
        return raise(ctx, err.code);
    result_interval(ctx, v);
}

// vantro_extract(value, field, interval, zone): EXTRACT of field 0 YEAR .. 5 SECOND from
// a stored date or timestamp, or (interval 1) from a stored interval, whose fields carry
// its sign. zone, when not NULL, is the value's offset from UTC ("+hh:mm"): a timestamp
// with a time zone gives its fields in UTC. SECOND keeps the fraction.
void fn_extract(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const int field = sqlite3_value_int(argv[1]);
    if (sqlite3_value_int(argv[2]) != 0) {
        IntervalValue v;
        if (!stored_arg(argv[0], &v)) return raise(ctx, 1867);
        const std::int64_t sign = v.negative ? -1 : 1;
        if (v.year_month) {
            if (field > 1) return raise(ctx, 30076);
            return sqlite3_result_int64(ctx, sign * (field == 0 ? v.months / 12 : v.months % 12));
        }
        switch (field) {
        case 2:
            return sqlite3_result_int64(ctx, sign * v.days);
        case 3:
            return sqlite3_result_int64(ctx, sign * (v.nanos / (3600LL * kNanosPerSecond)));
        case 4:
            return sqlite3_result_int64(ctx, sign * (v.nanos / (60LL * kNanosPerSecond) % 60));
        case 5: {
            std::int64_t n = v.nanos % (60LL * kNanosPerSecond);
            if (n % kNanosPerSecond == 0) return sqlite3_result_int64(ctx, sign * (n / kNanosPerSecond));
            return sqlite3_result_double(ctx, static_cast<double>(sign * n) / static_cast<double>(kNanosPerSecond));
        }
        default:
            return raise(ctx, 30076);
        }
    }
    std::string t = text_of(argv[0]);
    DateValue d;
    if (!date_parse_zoned(t.data(), t.size(), &d)) return raise(ctx, 1858);
    if (sqlite3_value_type(argv[3]) != SQLITE_NULL) {
        // A zoned value: its offset is the stored suffix; its fields are given in UTC.
        if (field == 6) return sqlite3_result_int64(ctx, d.zone_minutes / 60);
        if (field == 7) return sqlite3_result_int64(ctx, d.zone_minutes % 60);
        int fraction = d.fraction;
        if (!date_from_seconds(date_seconds(d) - 60LL * d.zone_minutes, &d)) return raise(ctx, 1841);
        d.fraction = fraction;
    }
    const int parts[] = {d.year, d.month, d.day, d.hour, d.minute, d.second};
    if (field < 0 || field > 5) return raise(ctx, 30076);
    if (field == 5 && d.fraction != 0)
        return sqlite3_result_double(ctx, d.second + static_cast<double>(d.fraction) / kNanosPerSecond);
    sqlite3_result_int64(ctx, parts[field]);
}

// vantro_timestamp_round(value, digits): a stored date or timestamp with its fraction of a
// second rounded to digits places (half up), as CAST to TIMESTAMP(digits) or DATE keeps
// it; the result has six places, or none for digits 0 when places is 0.
void fn_timestamp_round(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string t = text_of(argv[0]);
    DateValue d;
    if (!date_parse_stored(t.data(), t.size(), &d)) return raise(ctx, 1858);
    int digits = sqlite3_value_int(argv[1]);
    if (digits < 0) digits = 0;
    std::int64_t unit = 1;
    for (int k = digits; k < 9; ++k) unit *= 10;
    std::int64_t f = (d.fraction + unit / 2) / unit * unit;
    if (f >= kNanosPerSecond) {
        if (!date_from_seconds(date_seconds(d) + 1, &d)) return raise(ctx, 1841);
        f -= kNanosPerSecond;
    }
    d.fraction = static_cast<int>(f);
    if (!date_in_range(d)) return raise(ctx, 1841);
    std::string s = date_stored_text(d, sqlite3_value_int(argv[2]));
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// vantro_interval_fit(interval, lead precision): the interval when its leading field has
// at most that many digits, else ORA-01873 (CAST to a narrower interval type).
void fn_interval_fit(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    IntervalValue v;
    if (!stored_arg(argv[0], &v)) return raise(ctx, 1867);
    std::int64_t lead = v.year_month ? v.months / 12 : v.days;
    std::int64_t limit = 1;
    for (int k = sqlite3_value_int(argv[1]); k > 0; --k) limit *= 10;
    if (lead >= limit) return raise(ctx, 1873);
    sqlite3_result_value(ctx, argv[0]);
}

// vantro_interval_store(interval, lead precision, fraction precision): the value an
// INTERVAL column or CAST target of those precisions keeps: the seconds rounded half up
// to the fraction's places, then ORA-01873 when the leading field has more digits.
void fn_interval_store(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (any_null(argc, argv)) return sqlite3_result_null(ctx);
    IntervalValue v;
    if (!stored_arg(argv[0], &v)) return raise(ctx, 1867);
    if (!v.year_month) {
        std::int64_t unit = 1;
        for (int k = sqlite3_value_int(argv[2]); k < 9; ++k) unit *= 10;
        v.nanos = (v.nanos + unit / 2) / unit * unit;
        normalise(&v);
    }
    std::int64_t lead = v.year_month ? v.months / 12 : v.days;
    std::int64_t limit = 1;
    for (int k = sqlite3_value_int(argv[1]); k > 0; --k) limit *= 10;
    if (lead >= limit) return raise(ctx, 1873);
    std::string s = interval_stored_text(v);
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

const struct {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
} kRegistrations[] = {
    {"vantro_interval_text", 3, fn_text},
    {"vantro_interval_key", 1, fn_key},
    {"vantro_date_add_interval", 4, fn_date_add},
    {"vantro_timestamp_diff", 2, fn_timestamp_diff},
    {"vantro_interval_add", 3, fn_interval_add},
    {"vantro_interval_scale", 3, fn_interval_scale},
    {"vantro_num_to_interval", 3, fn_num_to_interval},
    {"vantro_text_to_interval", 2, fn_text_to_interval},
    {"vantro_extract", 4, fn_extract},
    {"vantro_timestamp_round", 3, fn_timestamp_round},
    {"vantro_interval_fit", 2, fn_interval_fit},
    {"vantro_interval_store", 3, fn_interval_store},
    {"vantro_interval_units", 1, fn_units},
    {"vantro_interval_of_units", 2, fn_of_units},
};

}  // namespace

std::string interval_function_sql(const std::string& name, const std::vector<DialectArg>& a, OraType* type) {
    bool ym = name == "NUMTOYMINTERVAL" || name == "TO_YMINTERVAL";
    *type = ym ? interval_ym_type(9) : interval_ds_type(9, 9);
    const char* flag = ym ? "1" : "0";
    if (name == "NUMTODSINTERVAL" || name == "NUMTOYMINTERVAL")
        return std::string("vantro_num_to_interval(vantro_to_number(") + a[0].sql + ")," + a[1].text_sql + "," + flag +
               ")";
    return "vantro_text_to_interval(" + a[0].text_sql + "," + flag + ")";
}

std::string zoned_function_sql(const std::string& name, const std::vector<DialectArg>& a, OraType* type) {
    type->code = kTypeTimestampTz;
    type->size = 13;
    type->scale = 6;
    if (name == "SYS_EXTRACT_UTC") {
        type->code = kTypeTimestamp;
        type->size = 11;
        std::string v = a[0].type.code == kTypeDate ? "(" + a[0].sql + "||'.000000')" : a[0].sql;
        if (a[0].type.code == kTypeVarchar2 || a[0].type.code == kTypeChar) v = "vantro_tz_store(" + v + ",9,1,0)";
        return "vantro_tz_utc(" + v + ")";
    }
    if (name == "FROM_TZ") return "vantro_from_tz(" + a[0].sql + "," + a[1].text_sql + ")";
    if (name == "TZ_OFFSET") {
        *type = OraType();
        type->code = kTypeVarchar2;
        type->size = 6;
        return "vantro_tz_offset(" + a[0].text_sql + ")";
    }
    return "vantro_to_timestamp_tz(" + a[0].text_sql + "," + (a.size() > 1 ? a[1].text_sql : "NULL") + ")";
}

bool interval_functions_register(sqlite3* db) {
    for (const auto& r : kRegistrations)
        if (sqlite3_create_function(db, r.name, r.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, r.fn, nullptr,
                                    nullptr) != SQLITE_OK)
            return false;
    return true;
}
