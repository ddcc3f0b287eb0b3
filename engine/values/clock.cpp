#include "values/clock.h"

#include "os/os.h"
#include "values/values.h"

std::string clock_now_stored(int fraction_digits) {
    OsLocalTime now = os_local_time();
    DateValue d;
    d.year = now.year;
    d.month = now.month;
    d.day = now.day;
    d.hour = now.hour;
    d.minute = now.minute;
    d.second = now.second;
    if (fraction_digits > 0) d.fraction = now.microsecond * 1000;
    return date_stored_text(d, fraction_digits > 6 ? 6 : fraction_digits);
}
