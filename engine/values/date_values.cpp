// Dates in their stored form ("YYYY-MM-DD HH:MM:SS[.fffffffff]"), time zone offsets as
// text, and day arithmetic.
#include "values/calendar.h"
#include "values/errors.h"
#include "values/values.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

bool date_parse_stored(const char* t, std::size_t len, DateValue* out) {
    if (len < 19) return false;
    auto num = [&](std::size_t at, std::size_t n, int* v) {
        int r = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(t[at + i]))) return false;
            r = r * 10 + (t[at + i] - '0');
        }
        *v = r;
        return true;
    };
    if (t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':') return false;
    if (!num(0, 4, &out->year) || !num(5, 2, &out->month) || !num(8, 2, &out->day) || !num(11, 2, &out->hour) ||
        !num(14, 2, &out->minute) || !num(17, 2, &out->second))
        return false;
    out->fraction = 0;
    if (len > 20 && t[19] == '.') {
        int f = 0;
        std::size_t n = 0;
        for (std::size_t i = 20; i < len && n < 9 && std::isdigit(static_cast<unsigned char>(t[i])); ++i, ++n)
            f = f * 10 + (t[i] - '0');
        for (; n < 9; ++n) f *= 10;
        out->fraction = f;
    }
    return true;
}

std::string time_zone_text(int utc_offset_minutes) {
    int m = utc_offset_minutes < 0 ? -utc_offset_minutes : utc_offset_minutes;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%c%02d:%02d", utc_offset_minutes < 0 ? '-' : '+', (m / 60) % 100, m % 60);
    return buf;
}

bool zone_offset_parse(const std::string& text, int* minutes, OraError* err) {
    std::string v;
    for (char c : text)
        if (c != ' ') v += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (v == "UTC" || v == "GMT") {
        *minutes = 0;
        return true;
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    std::size_t colon = v.find(':', i);
    auto digits = [&](std::size_t from, std::size_t to) {
        if (to <= from || to - from > 2) return false;
        for (std::size_t k = from; k < to; ++k)
            if (!std::isdigit(static_cast<unsigned char>(v[k]))) return false;
        return true;
    };
    if (colon == std::string::npos || !digits(i, colon) || !digits(colon + 1, v.size())) {
        *err = ora_error(1882);
        return false;
    }
    int hours = std::atoi(v.c_str() + i), mins = std::atoi(v.c_str() + colon + 1);
    if (hours > 15) {
        *err = ora_error(1874);
        return false;
    }
    if (mins > 59) {
        *err = ora_error(1875);
        return false;
    }
    *minutes = (negative ? -1 : 1) * (hours * 60 + mins);
    return true;
}

bool date_parse_zoned(const char* t, std::size_t len, DateValue* out) {
    if (!date_parse_stored(t, len, out)) return false;
    out->zoned = false;
    out->zone_minutes = 0;
    // The suffix " +hh:mm" after the seconds and their fraction.
    if (len >= 26 && t[len - 7] == ' ' && (t[len - 6] == '+' || t[len - 6] == '-') && t[len - 3] == ':') {
        int h = 0, m = 0;
        for (std::size_t k : {len - 5, len - 4, len - 2, len - 1})
            if (!std::isdigit(static_cast<unsigned char>(t[k]))) return true;
        h = (t[len - 5] - '0') * 10 + (t[len - 4] - '0');
        m = (t[len - 2] - '0') * 10 + (t[len - 1] - '0');
        out->zone_minutes = (t[len - 6] == '-' ? -1 : 1) * (h * 60 + m);
        out->zoned = true;
    }
    return true;
}

std::string date_zoned_text(const DateValue& d, int fraction_digits) {
    return date_stored_text(d, fraction_digits) + " " + time_zone_text(d.zone_minutes);
}

bool date_shift_minutes(DateValue* d, int minutes) {
    DateValue r = *d;
    if (!date_from_seconds(date_seconds(*d) + 60LL * minutes, &r)) return false;
    r.fraction = d->fraction;
    r.zone_minutes = d->zone_minutes;
    r.zoned = d->zoned;
    if (!date_in_range(r)) return false;
    *d = r;
    return true;
}

std::string date_stored_text(const DateValue& d, int fraction_digits) {
    char buf[40];
    int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute,
                          d.second);
    std::string s(buf, static_cast<std::size_t>(n));
    if (fraction_digits > 0) {
        std::snprintf(buf, sizeof buf, "%09d", d.fraction);
        s += '.';
        s.append(buf, static_cast<std::size_t>(fraction_digits));
    }
    return s;
}

bool date_add_days(const DateValue& d, double days, DateValue* out) {
    double secs = static_cast<double>(date_seconds(d)) + days * 86400.0;
    const double limit = static_cast<double>(date_last_day_number() + 1) * 86400.0;
    if (!(secs > -1.0 && secs < limit)) return false;  // also refuses NaN
    std::int64_t total = static_cast<std::int64_t>(std::llround(secs));
    return date_from_seconds(total, out);
}

double date_diff_days(const DateValue& a, const DateValue& b) {
    return static_cast<double>(date_seconds(a) - date_seconds(b)) / 86400.0;
}

bool date_in_range(const DateValue& d) {
    return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= date_days_in_month(d.year, d.month);
}

OraError date_range_error() {
    return ora_error(1841);
}
