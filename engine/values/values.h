// Oracle value conversions: NUMBER to text as Oracle prints it, DATE to and from text
// with a format mask, RAW to and from hexadecimal. Pure functions over buffers: no
// handles, no SQLite. The formatting functions write into caller buffers so that the
// fetch path allocates nothing per row.
#pragma once

#include "values/sql_types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A calendar date and time as the engine stores it: "YYYY-MM-DD HH:MM:SS" text.
struct DateValue {
    int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int fraction = 0;  // nanoseconds, for TIMESTAMP
    // TIMESTAMP WITH TIME ZONE: the offset from UTC in minutes; zoned says a mask's TZH,
    // TZM or TZR element (or a stored value's suffix) gave one.
    int zone_minutes = 0;
    bool zoned = false;
};

// Oracle's text for an integer or a double (1.5, .5, -.5, 100, 1.0E+40). Writes at most
// size-1 characters plus a NUL into buf and returns the length.
std::size_t number_text_int(std::int64_t v, char* buf, std::size_t size);
std::size_t number_text_double(double v, char* buf, std::size_t size);
// A BINARY_DOUBLE (single: BINARY_FLOAT) value converted to text, as TO_CHAR without a
// mask gives it: the fewest digits that read back as the value, in scientific notation
// (1.0E-001, -2.5E+300), 0 for zero, Inf, -Inf and Nan.
std::size_t number_text_binary(double v, bool single, char* buf, std::size_t size);
// Parses Oracle number text ("1.5", " -2e3 "); false when it is not a number.
bool number_parse(const char* text, std::size_t len, double* out, std::int64_t* as_int, bool* is_int);
// Rounds plain decimal text ("-123.4567", ".5"; no exponent) half away from zero to
// `scale` decimal places (a negative scale rounds to tens, hundreds ...), in decimal, so
// that 1.005 rounds to 1.01 as Oracle's NUMBER does. False when text is not plain decimal.
bool number_round_text(const char* text, std::size_t len, int scale, std::string* out);
// The significant digits of number text (1200 has 2, 0.0012 has 2, 1.05e3 has 3).
int number_significant_digits(const char* text, std::size_t len);
// Parses the stored form; false when text is not one.
bool date_parse_stored(const char* text, std::size_t len, DateValue* out);
// Writes the stored form (19 characters, plus ".fffffffff" digits for timestamps).
std::string date_stored_text(const DateValue& d, int fraction_digits = 0);
// A time zone offset as Oracle shows it: "+01:00", "-05:30".
std::string time_zone_text(int utc_offset_minutes);
// Reads a time zone: '[+|-]h[h]:mi', UTC or GMT. False with ORA-01874 / ORA-01875 for an
// hour or minute out of range, ORA-01882 for anything else (other regions are unknown).
bool zone_offset_parse(const std::string& text, int* minutes, OraError* err);
// TIMESTAMP WITH TIME ZONE values are stored as the local time followed by its offset:
// "YYYY-MM-DD HH:MM:SS.ffffff +hh:mm". Parses that form (or a plain stored date, which
// leaves zoned false).
bool date_parse_zoned(const char* text, std::size_t len, DateValue* out);
std::string date_zoned_text(const DateValue& d, int fraction_digits = 6);
// Moves d by minutes (its fraction kept); false outside the years the engine keeps.
bool date_shift_minutes(DateValue* d, int minutes);
// A date mask split into its elements once, so that formatting a value does no parsing.
enum class DateElement : std::uint8_t {
    Literal,
    FillMode,
    Year4,
    Year3,
    Year2,
    Year1,
    Month,
    MonthAbbrev,
    MonthName,
    Day,
    DayOfYear,
    WeekDay,
    DayAbbrev,
    DayName,
    Hour24,
    Hour12,
    Minute,
    Second,
    Meridian,
    MeridianDots,
    Fraction,
    Radix,
    JulianDay,     // J: days since 1 January 4712 BC, 2451545 for 1 January 2000
    TzHour,        // TZH: "+02"
    TzMinute,      // TZM: "30"
    TzRegion,      // TZR: the offset "+02:00" (regions are offsets, UTC and GMT here)
    TzAbbrev,      // TZD: the daylight-saving abbreviation, which an offset has none of
    Quarter,       // Q: 1 to 4
    WeekOfYear,    // WW: week 1 holds 1 to 7 January
    WeekOfMonth,   // W: week 1 holds days 1 to 7
    IsoWeek,       // IW: the ISO week, 1 to 53, weeks starting on Monday
    IsoYear,       // IYYY: the year the ISO week belongs to
    Century,       // CC, SCC: 21 for 2001 to 2100
    SecondsOfDay,  // SSSSS: seconds past midnight
    RomanMonth,    // RM: I to XII
    Era,           // AD, BC
    EraDots,       // A.D., B.C.
    SignedYear     // SYYYY: the year with a blank (or a minus) before it
};
// A suffix of a numeric element: TH the ordinal ("4TH"), SP the number spelled out
// ("FOUR"), SPTH (or THSP) the spelled ordinal ("FOURTH"). Output only.
enum class DateSuffix : std::uint8_t { None, Th, Sp, SpTh };
struct DateMaskItem {
    DateElement element = DateElement::Literal;
    std::uint8_t digits = 0;     // fraction digits for Fraction
    std::uint8_t name_case = 0;  // 0 upper, 1 capitalised, 2 lower (month and day names)
    bool round_year = false;     // RR, RRRR: a two-digit year is read into the nearest century
    bool quoted = false;         // a literal in double quotes: the text must hold it exactly
    DateSuffix suffix = DateSuffix::None;
    bool suffix_upper = true;  // TH written in capitals ("4TH", not "4th")
    std::string literal;
};
struct DateMask {
    std::vector<DateMaskItem> items;
};
DateMask date_mask_compile(const std::string& mask);
// Every element spelling a mask may use, as the one table of them lists it (for its
// consistency test).
std::vector<std::string> date_mask_elements();

// Formats d with an Oracle mask (DD-MON-RR, YYYY-MM-DD HH24:MI:SS ...). Returns the
// length written to buf (NUL-terminated, cut to size-1).
std::size_t date_format(const DateValue& d, const DateMask& mask, char* buf, std::size_t size);
std::size_t date_format(const DateValue& d, const std::string& mask, char* buf, std::size_t size);
// Parses text with an Oracle mask; false with err (ORA-01858, 01861, 01843, 01847 ...).
bool date_parse(const std::string& text, const std::string& mask, const DateValue& now, DateValue* out, OraError* err);
bool date_parse(const std::string& text, const DateMask& mask, const DateValue& now, DateValue* out, OraError* err);
// True when mask contains only elements date_format and date_parse support.
bool date_mask_valid(const std::string& mask);
// Adds a (possibly fractional) number of days, to the nearest second; false when the
// result falls outside 0001-01-01 .. 9999-12-31 (ORA-01841, see date_range_error).
bool date_add_days(const DateValue& d, double days, DateValue* out);
// d1 - d2 in days.
double date_diff_days(const DateValue& d1, const DateValue& d2);
// True when d is a real calendar date within the years the engine keeps.
bool date_in_range(const DateValue& d);
// ORA-01841, the error of a date outside them.
OraError date_range_error();

// Upper-case hexadecimal text of RAW bytes, cut to size-1 characters plus a NUL.
std::size_t raw_to_hex(const unsigned char* data, std::size_t len, char* buf, std::size_t size);
// Hex text to bytes; false on a non-hex character (ORA-01465).
bool raw_from_hex(const std::string& hex, std::string* out);
