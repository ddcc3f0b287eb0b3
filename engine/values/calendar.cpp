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
