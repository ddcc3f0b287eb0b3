// Text read into a date with a compiled mask, with Oracle's errors for what does not fit.
#include "values/calendar.h"
#include "values/errors.h"
#include "values/values.h"

#include <cctype>
#include <cstring>

namespace {

// The year that digits v (got of them) of a year element stand for: RR rounds two digits
// to the century nearest now, YY, YYY and Y take the rest of the year from now.
int year_of(const DateMaskItem& it, int v, std::size_t got, const DateValue& now) {
    if (it.round_year && got <= 2) {
        int cur = now.year % 100, century = now.year / 100;
        if (v < 50) return (cur < 50 ? century : century + 1) * 100 + v;
        return (cur < 50 ? century - 1 : century) * 100 + v;
    }
    if (it.round_year || it.element == DateElement::Year4) return v;
    int mod = it.element == DateElement::Year2 ? 100 : it.element == DateElement::Year3 ? 1000 : 10;
    return now.year - now.year % mod + v;
}

// The month (1 to 12) whose full or three-letter name starts the text at *t, which moves
// past it; 0 when none does.
int month_named(const std::string& text, std::size_t* t) {
    for (int m = 0; m < 12; ++m) {
        if (starts_with_ci(text, *t, kMonthNames[m])) {
            *t += std::strlen(kMonthNames[m]);
            return m + 1;
        }
        if (starts_with_ci(text, *t, std::string(kMonthNames[m], 3).c_str())) {
            *t += 3;
            return m + 1;
        }
    }
    return 0;
}

}  // namespace

bool date_parse(const std::string& text, const DateMask& mask, const DateValue& now, DateValue* out, OraError* err) {
    DateValue d;
    d.year = now.year;
    d.month = now.month;
    d.day = 1;
    bool pm = false, has_ampm = false;
    int tz_hours = 0, tz_minutes = 0;
    bool tz_negative = false, tz_fields = false;
    std::size_t t = 0;
    auto skip_blanks = [&] {
        while (t < text.size() && text[t] == ' ') ++t;
    };
    auto read_num = [&](int max_digits, int* v) {
        skip_blanks();
        std::size_t start = t;
        int r = 0;
        while (t < text.size() && t - start < static_cast<std::size_t>(max_digits) &&
               std::isdigit(static_cast<unsigned char>(text[t])))
            r = r * 10 + (text[t++] - '0');
        if (t == start) {
            *err = ora_error(1858);
            return false;
        }
        *v = r;
        return true;
    };
    // A number read into a field, with the field's range and the error outside it.
    auto field = [&](int width, int low, int high, int code, const char* message, int* target) {
        int v = 0;
        if (!read_num(width, &v)) return false;
        if (v < low || v > high) {
            *err = ora_error(code);
            if (message) err->message = message;
            return false;
        }
        *target = v;
        return true;
    };
    for (const DateMaskItem& it : mask.items) {
        if (it.element == DateElement::Literal && it.quoted) {
            if (t > text.size() || text.compare(t, it.literal.size(), it.literal) != 0) {
                *err = ora_error(1861);
                return false;
            }
            t += it.literal.size();
            continue;
        }
        if (it.element == DateElement::FillMode) continue;
        if (t >= text.size()) break;
        if (it.element == DateElement::Literal) {
            // Punctuation in the mask matches any punctuation of the text.
            if (!date_punct(text[t]) && text[t] != it.literal[0]) {
                *err = ora_error(1861);
                return false;
            }
            ++t;
            continue;
        }
        // Suffixes and the week, quarter and century elements format dates only.
        if (it.suffix != DateSuffix::None) {
            *err = ora_error(1821);
            return false;
        }
        if (it.element == DateElement::Quarter || it.element == DateElement::WeekOfYear ||
            it.element == DateElement::WeekOfMonth || it.element == DateElement::IsoWeek ||
            it.element == DateElement::IsoYear || it.element == DateElement::Century) {
            *err = ora_error(1820);
            return false;
        }
        int v = 0;
        switch (it.element) {
        case DateElement::Year4:
        case DateElement::Year3:
        case DateElement::Year2:
        case DateElement::Year1: {
            std::size_t start = t;
            int width = it.element == DateElement::Year4   ? 4
                        : it.element == DateElement::Year3 ? 3
                        : it.element == DateElement::Year2 ? (it.round_year ? 4 : 2)
                                                           : 1;
            if (!read_num(width, &v)) return false;
            d.year = year_of(it, v, t - start, now);
            if (d.year < 1 || d.year > 9999) {
                *err = ora_error(1841);
                return false;
            }
            break;
        }
        case DateElement::Month:
            if (!field(2, 1, 12, 1843, nullptr, &d.month)) return false;
            break;
        case DateElement::MonthAbbrev:
        case DateElement::MonthName: {
            skip_blanks();
            int found = month_named(text, &t);
            if (!found) {
                *err = ora_error(1843);
                return false;
            }
            d.month = found;
            break;
        }
        case DateElement::Day:
            if (!field(2, 1, 31, 1847, nullptr, &d.day)) return false;
            break;
        case DateElement::DayAbbrev:
        case DateElement::DayName:
            skip_blanks();
            while (t < text.size() && std::isalpha(static_cast<unsigned char>(text[t]))) ++t;
            break;
        case DateElement::Hour24:
            if (!field(2, 0, 23, 1850, "hour must be between 0 and 23", &d.hour)) return false;
            break;
        case DateElement::Hour12:
            if (!field(2, 1, 12, 1849, "hour must be between 1 and 12", &v)) return false;
            d.hour = v % 12;
            has_ampm = true;
            break;
        case DateElement::Minute:
            if (!field(2, 0, 59, 1851, "minutes must be between 0 and 59", &d.minute)) return false;
            break;
        case DateElement::Second:
            if (!field(2, 0, 59, 1852, "seconds must be between 0 and 59", &d.second)) return false;
            break;
        case DateElement::Meridian:
        case DateElement::MeridianDots:
            skip_blanks();
            if (starts_with_ci(text, t, "A.M.") || starts_with_ci(text, t, "P.M.")) {
                pm = starts_with_ci(text, t, "P.M.");
                t += 4;
            } else if (starts_with_ci(text, t, "AM") || starts_with_ci(text, t, "PM")) {
                pm = starts_with_ci(text, t, "PM");
                t += 2;
            } else {
                // Anything else is no meridian indicator (and never a step past the text).
                *err = ora_error(1855);
                return false;
            }
            has_ampm = true;
            break;
        case DateElement::Radix:
            if (text[t] == '.') ++t;
            break;
        case DateElement::JulianDay: {
            // The whole date from its day number; Oracle takes 1 to 5373484, of which the
            // engine keeps the days from 1 January of year 1.
            int j = 0;
            if (!read_num(7, &j)) return false;
            if (j < 1 || j > 5373484) {
                *err = ora_error(1854);
                return false;
            }
            std::int64_t n = j - kJulianDayOfFirst;
            if (n < kFirstDayNumber || n > date_last_day_number()) {
                *err = ora_error(1841);
                return false;
            }
            date_from_day_number(n, &d.year, &d.month, &d.day);
            break;
        }
        case DateElement::Fraction: {
            std::size_t start = t;
            int f = 0;
            while (t < text.size() && t - start < 9 && std::isdigit(static_cast<unsigned char>(text[t])))
                f = f * 10 + (text[t++] - '0');
            for (std::size_t k = t - start; k < 9; ++k) f *= 10;
            d.fraction = f;
            break;
        }
        case DateElement::TzHour: {
            skip_blanks();
            bool negative = t < text.size() && text[t] == '-';
            if (t < text.size() && (text[t] == '-' || text[t] == '+')) ++t;
            if (!field(2, 0, 15, 1874, nullptr, &tz_hours)) return false;
            tz_negative = negative;
            tz_fields = true;
            break;
        }
        case DateElement::TzMinute: {
            if (!field(2, 0, 59, 1875, nullptr, &tz_minutes)) return false;
            tz_fields = true;
            break;
        }
        case DateElement::TzAbbrev:
            skip_blanks();
            while (t < text.size() && std::isalpha(static_cast<unsigned char>(text[t]))) ++t;
            break;
        case DateElement::TzRegion: {
            // An offset ("+02:00", "-5:30") or UTC / GMT; other regions are unknown here.
            skip_blanks();
            std::size_t end = t;
            while (end < text.size() && text[end] != ' ') ++end;
            if (!zone_offset_parse(text.substr(t, end - t), &d.zone_minutes, err)) return false;
            d.zoned = true;
            t = end;
            break;
        }
        case DateElement::SignedYear: {
            skip_blanks();
            if (t < text.size() && (text[t] == '-' || text[t] == '+')) {
                // The engine keeps no year before 1.
                if (text[t] == '-') {
                    *err = ora_error(1841);
                    return false;
                }
                ++t;
            }
            if (!field(4, 1, 9999, 1841, nullptr, &d.year)) return false;
            break;
        }
        case DateElement::SecondsOfDay: {
            int seconds = 0;
            if (!field(5, 0, 86399, 1853, nullptr, &seconds)) return false;
            d.hour = seconds / 3600;
            d.minute = seconds / 60 % 60;
            d.second = seconds % 60;
            break;
        }
        case DateElement::RomanMonth: {
            // The longest numeral that matches: VIII before VII before V.
            static const char* const kRoman[] = {"I",   "II",   "III", "IV", "V",  "VI",
                                                 "VII", "VIII", "IX",  "X",  "XI", "XII"};
            int best = 0;
            std::size_t best_length = 0;
            for (int m = 0; m < 12; ++m) {
                const std::size_t n = std::strlen(kRoman[m]);
                if (n > best_length && starts_with_ci(text, t, kRoman[m])) {
                    best = m + 1;
                    best_length = n;
                }
            }
            if (!best) {
                *err = ora_error(1843);
                return false;
            }
            d.month = best;
            t += best_length;
            break;
        }
        case DateElement::Era:
        case DateElement::EraDots:
            skip_blanks();
            if (starts_with_ci(text, t, "A.D.") || starts_with_ci(text, t, "B.C.")) {
                if (starts_with_ci(text, t, "B.C.")) {
                    *err = ora_error(1841);
                    return false;
                }
                t += 4;
            } else if (starts_with_ci(text, t, "AD") || starts_with_ci(text, t, "BC")) {
                if (starts_with_ci(text, t, "BC")) {
                    *err = ora_error(1841);
                    return false;
                }
                t += 2;
            } else {
                *err = ora_error(1856);
                return false;
            }
            break;
        default:
            // Day of the year and of the week do not say which date they are.
            *err = ora_error(1821);
            return false;
        }
    }
    skip_blanks();
    if (t < text.size()) {
        *err = ora_error(1830);
        return false;
    }
    if (has_ampm && pm) d.hour += 12;
    if (tz_fields) {
        d.zone_minutes = (tz_negative ? -1 : 1) * (tz_hours * 60 + tz_minutes);
        d.zoned = true;
    }
    if (d.day > date_days_in_month(d.year, d.month)) {
        *err = ora_error(1839);
        return false;
    }
    *out = d;
    return true;
}

bool date_parse(const std::string& text, const std::string& mask, const DateValue& now, DateValue* out, OraError* err) {
    return date_parse(text, date_mask_compile(mask), now, out, err);
}
