// The calendar shared by the date conversions and functions.
#include "values/calendar.h"

#include "values/errors.h"

#include <cctype>
#include <cstring>

const char* const kMonthNames[12] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                     "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char* const kDayNames[7] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};

bool date_leap_year(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int date_days_in_month(int y, int m) {
    static const int kDaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 31;
    return m == 2 && date_leap_year(y) ? 29 : kDaysIn[m - 1];
}

std::int64_t date_day_number(int y, int m, int d) {
    std::int64_t yy = y - 1;
    std::int64_t n = yy * 365 + yy / 4 - yy / 100 + yy / 400;
    for (int i = 1; i < m; ++i) n += date_days_in_month(y, i);
    return n + d - 1;
}

void date_from_day_number(std::int64_t n, int* y, int* m, int* d) {
    int year = static_cast<int>(n / 366) + 1;
    while (date_day_number(year + 1, 1, 1) <= n) ++year;
    std::int64_t rem = n - date_day_number(year, 1, 1);
    int month = 1;
    while (rem >= date_days_in_month(year, month)) rem -= date_days_in_month(year, month++);
    *y = year;
    *m = month;
    *d = static_cast<int>(rem) + 1;
}

int date_weekday(const DateValue& d) {
    return static_cast<int>((date_day_number(d.year, d.month, d.day) + 1) % 7);  // 0001-01-01 was a Monday
}

std::int64_t date_seconds(const DateValue& d) {
    return date_day_number(d.year, d.month, d.day) * 86400 + d.hour * 3600 + d.minute * 60 + d.second;
}

std::int64_t date_last_day_number() {
    return date_day_number(9999, 12, 31);
}

bool date_from_seconds(std::int64_t total, DateValue* out) {
    if (total < 0 || total / 86400 > date_last_day_number()) return false;
    DateValue r;
    date_from_day_number(total / 86400, &r.year, &r.month, &r.day);
    std::int64_t rem = total % 86400;
    r.hour = static_cast<int>(rem / 3600);
    r.minute = static_cast<int>(rem / 60 % 60);
    r.second = static_cast<int>(rem % 60);
    *out = r;
    return true;
}

namespace {

enum class DateUnit {
    Century,
    Year,
    IsoYear,
    Quarter,
    Month,
    YearWeek,
    IsoWeek,
    MonthWeek,
    WeekStart,
    Day,
    Hour,
    Minute
};

struct DateUnitName {
    const char* name;
    DateUnit unit;
};

// The format elements TRUNC and ROUND of a date take, by the unit each stands for.
const DateUnitName kDateUnits[] = {
    {"CC", DateUnit::Century},  {"SCC", DateUnit::Century}, {"SYYYY", DateUnit::Year},    {"YYYY", DateUnit::Year},
    {"YEAR", DateUnit::Year},   {"SYEAR", DateUnit::Year},  {"YYY", DateUnit::Year},      {"YY", DateUnit::Year},
    {"Y", DateUnit::Year},      {"RRRR", DateUnit::Year},   {"RR", DateUnit::Year},       {"IYYY", DateUnit::IsoYear},
    {"IYY", DateUnit::IsoYear}, {"IY", DateUnit::IsoYear},  {"I", DateUnit::IsoYear},     {"Q", DateUnit::Quarter},
    {"MONTH", DateUnit::Month}, {"MON", DateUnit::Month},   {"MM", DateUnit::Month},      {"RM", DateUnit::Month},
    {"WW", DateUnit::YearWeek}, {"IW", DateUnit::IsoWeek},  {"W", DateUnit::MonthWeek},   {"DDD", DateUnit::Day},
    {"DD", DateUnit::Day},      {"J", DateUnit::Day},       {"DAY", DateUnit::WeekStart}, {"DY", DateUnit::WeekStart},
    {"D", DateUnit::WeekStart}, {"HH", DateUnit::Hour},     {"HH12", DateUnit::Hour},     {"HH24", DateUnit::Hour},
    {"MI", DateUnit::Minute},
};

// The Monday that starts ISO year y: the one of the week holding 4 January.
std::int64_t iso_year_start(int y) {
    DateValue jan4;
    jan4.year = y;
    jan4.month = 1;
    jan4.day = 4;
    return date_day_number(y, 1, 4) - (date_weekday(jan4) + 6) % 7;
}

}  // namespace

int date_trunc_unit(const DateValue& d, const std::string& unit, bool round, bool monday_first, DateValue* out) {
    const DateUnitName* found = nullptr;
    for (const DateUnitName& u : kDateUnits)
        if (unit == u.name) found = &u;
    if (!found) return 1899;
    const std::int64_t day = date_day_number(d.year, d.month, d.day);
    // The time of day as a share of a day: a week or a day rounds up from its half.
    const double time = (d.hour * 3600 + d.minute * 60 + d.second) / 86400.0;
    std::int64_t start = day;  // the day the unit starts on, for the units of whole days
    DateValue r = d;
    r.fraction = 0;
    auto week = [&](std::int64_t offset) {
        start = day - offset;
        if (round && offset + time >= 3.5) start += 7;
    };
    switch (found->unit) {
    case DateUnit::Century: {
        int first = (d.year - 1) / 100 * 100 + 1;
        if (round && d.year - first >= 50) first += 100;
        if (first > 9999) return 1841;
        start = date_day_number(first, 1, 1);
        break;
    }
    case DateUnit::Year:
        if (round && d.month >= 7 && d.year == 9999) return 1841;
        start = date_day_number(d.year + (round && d.month >= 7 ? 1 : 0), 1, 1);
        break;
    case DateUnit::IsoYear: {
        int y = d.year;
        if (day < iso_year_start(y))
            --y;
        else if (y < 9999 && day >= iso_year_start(y + 1))
            ++y;
        if (round && day >= date_day_number(y, 7, 1)) ++y;
        if (y > 9999) return 1841;
        start = iso_year_start(y);
        break;
    }
    case DateUnit::Quarter:
    case DateUnit::Month: {
        int span = found->unit == DateUnit::Quarter ? 3 : 1;
        int first = (d.month - 1) / span * span + 1;
        int months = d.year * 12 + first - 1;
        // A month rounds up from its 16th day; a quarter from the 16th of its second month.
        int into = d.month - first;
        if (round && (into > span / 2 || (into == span / 2 && d.day >= 16))) months += span;
        if (months / 12 > 9999) return 1841;
        start = date_day_number(months / 12, months % 12 + 1, 1);
        break;
    }
    case DateUnit::YearWeek:
        week((day - date_day_number(d.year, 1, 1)) % 7);
        break;
    case DateUnit::IsoWeek:
        week((date_weekday(d) + 6) % 7);
        break;
    case DateUnit::MonthWeek:
        week((d.day - 1) % 7);
        break;
    case DateUnit::WeekStart:
        week((date_weekday(d) + (monday_first ? 6 : 0)) % 7);
        break;
    case DateUnit::Day:
        if (round && time >= 0.5) ++start;
        break;
    case DateUnit::Hour:
    case DateUnit::Minute: {
        std::int64_t step = found->unit == DateUnit::Hour ? 3600 : 60;
        std::int64_t secs = date_seconds(d) / step * step;
        if (round && date_seconds(d) - secs >= step / 2) secs += step;
        if (!date_from_seconds(secs, &r)) return 1841;
        *out = r;
        return 0;
    }
    }
    if (start < kFirstDayNumber || start > date_last_day_number()) return 1841;
    date_from_day_number(start, &r.year, &r.month, &r.day);
    r.hour = r.minute = r.second = 0;
    *out = r;
    return 0;
}

bool starts_with_ci(const std::string& s, std::size_t at, const char* word) {
    std::size_t n = std::strlen(word);
    if (at + n > s.size()) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(s[at + i])) != word[i]) return false;
    return true;
}

bool date_punct(char c) {
    return std::strchr("-/,.;: ", c) != nullptr;
}
