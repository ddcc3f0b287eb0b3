// INTERVAL YEAR TO MONTH and INTERVAL DAY TO SECOND values. A value is stored as text in
// one canonical form: "+000000001-06" (sign, nine digits of years, months) or
// "+000000005 10:30:00.000000000" (sign, nine digits of days, time, nanoseconds). The
// type's leading and fractional precisions only shape the text a fetch shows.
#pragma once

#include "values/sql_dialect.h"
#include "values/sql_types.h"
#include "values/values.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

struct IntervalValue {
    bool year_month = false;
    bool negative = false;
    std::int64_t months = 0;  // YEAR TO MONTH: the whole value in months
    std::int64_t days = 0;    // DAY TO SECOND: whole days ...
    std::int64_t nanos = 0;   // ... and the nanoseconds of the last day (< 86400e9)
};

// The fields of an interval qualifier, in order from YEAR to SECOND.
enum class IntervalField { Year, Month, Day, Hour, Minute, Second };

// Reads the text of INTERVAL 'text' lead[(lead_precision)] [TO trail]; the precisions
// are already checked (0..9). ORA-01867 for malformed text, ORA-01873 when the leading
// field has more digits than lead_precision, ORA-01843/01850/01851/01852 for a trailing
// field out of range.
bool interval_literal_parse(const std::string& text, IntervalField lead, IntervalField trail, int lead_precision,
                            IntervalValue* out, OraError* err);
std::string interval_stored_text(const IntervalValue& v);
bool interval_parse_stored(const char* t, std::size_t len, IntervalValue* out);
// Oracle's text for v with the type's leading and fractional-second precisions
// ("+05 00:00:00", "+000000005 00:00:00.000000", "+01-06"); the days or years keep
// every digit they have when they outgrow the leading precision.
std::string interval_text(const IntervalValue& v, int lead_precision, int fraction_precision);
// The describe types: INTERVAL YEAR(p) TO MONTH and INTERVAL DAY(p) TO SECOND(s).
OraType interval_ym_type(int lead_precision);
OraType interval_ds_type(int lead_precision, int fraction_precision);
bool is_interval(const OraType& t);
// Oracle's name of a zoned timestamp or interval type ("TIMESTAMP(6) WITH TIME ZONE",
// "INTERVAL DAY(2) TO SECOND(6)"); empty for any other type.
std::string datetime_type_name(const OraType& t);

// NUMTODSINTERVAL, NUMTOYMINTERVAL, TO_DSINTERVAL, TO_YMINTERVAL for the catalogue.
std::string interval_function_sql(const std::string& name, const std::vector<DialectArg>& args, OraType* type);
// SYS_EXTRACT_UTC, FROM_TZ and TO_TIMESTAMP_TZ for the catalogue (the SQL functions they
// call are values/timestamp_tz.h's).
std::string zoned_function_sql(const std::string& name, const std::vector<DialectArg>& args, OraType* type);
// Registers vantro_interval_*; false when SQLite refuses one.
bool interval_functions_register(sqlite3* db);
