// The proleptic Gregorian calendar the engine's dates live in, shared by the date
// conversions, arithmetic and functions of this folder: day numbers, month lengths,
// the names of months and days, and the range a stored date may take.
#pragma once

#include "values/values.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern const char* const kMonthNames[12];  // "JANUARY" ...
extern const char* const kDayNames[7];     // "SUNDAY" ...

bool date_leap_year(int year);
int date_days_in_month(int year, int month);
// Days since 0001-01-01, for arithmetic and the day of the week.
std::int64_t date_day_number(int year, int month, int day);
void date_from_day_number(std::int64_t n, int* year, int* month, int* day);
// 0 Sunday ... 6 Saturday.
int date_weekday(const DateValue& d);
// Seconds since 0001-01-01 00:00:00, the fraction left aside.
std::int64_t date_seconds(const DateValue& d);
// The date of a second count; false when it falls outside the years the engine keeps.
bool date_from_seconds(std::int64_t seconds, DateValue* out);

// The first and last day numbers of the range a date may take (0001-01-01 through
// 9999-12-31: the stored form has four year digits and sorts as text).
constexpr std::int64_t kFirstDayNumber = 0;
// The Julian day (the J of a date mask) of day number 0, 1 January of year 1.
constexpr std::int64_t kJulianDayOfFirst = 1721426;
std::int64_t date_last_day_number();

// TRUNC or ROUND (round) of a date to the unit a format element names (upper case: CC,
// YYYY, IYYY, Q, MM, WW, IW, W, DD, DAY, HH, MI and their synonyms); weeks of DAY start on
// Monday when monday_first, else on Sunday. 0 and *out set, or the Oracle error: 1899 for
// an unknown unit, 1841 when the result leaves the years a date may take.
int date_trunc_unit(const DateValue& d, const std::string& unit, bool round, bool monday_first, DateValue* out);

// Case-insensitive match of an upper-case word at text[at].
bool starts_with_ci(const std::string& text, std::size_t at, const char* word);
// Punctuation a date mask and the text it reads may use between elements.
bool date_punct(char c);
