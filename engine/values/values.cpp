// Oracle value conversions: number text, date masks, hexadecimal RAW text.
#include "values/values.h"

#include "values/errors.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kMonths[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                               "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char* const kDays[] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};

bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int days_in_month(int y, int m) {
    static const int kDaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kDaysIn[m - 1];
}

// Days since 0001-01-01 (proleptic Gregorian), for arithmetic and the day of the week.
std::int64_t day_number(int y, int m, int d) {
    std::int64_t yy = y - 1;
    std::int64_t n = yy * 365 + yy / 4 - yy / 100 + yy / 400;
    for (int i = 1; i < m; ++i) n += days_in_month(y, i);
    return n + d - 1;
}

void from_day_number(std::int64_t n, int* y, int* m, int* d) {
    int year = static_cast<int>(n / 366) + 1;
    while (day_number(year + 1, 1, 1) <= n) ++year;
    std::int64_t rem = n - day_number(year, 1, 1);
    int month = 1;
    while (rem >= days_in_month(year, month)) rem -= days_in_month(year, month++);
    *y = year;
    *m = month;
    *d = static_cast<int>(rem) + 1;
}

// Appends text to buf at *pos, never past size-1.
void put(char* buf, std::size_t size, std::size_t* pos, const char* text, std::size_t len) {
    for (std::size_t i = 0; i < len && *pos + 1 < size; ++i) buf[(*pos)++] = text[i];
}
void put_num(char* buf, std::size_t size, std::size_t* pos, long v, int width, bool fill) {
    char tmp[24];
    int n = fill ? std::snprintf(tmp, sizeof tmp, "%0*ld", width, v) : std::snprintf(tmp, sizeof tmp, "%ld", v);
    put(buf, size, pos, tmp, static_cast<std::size_t>(n));
}
bool starts_with_ci(const std::string& s, std::size_t at, const char* word) {
    std::size_t n = std::strlen(word);
    if (at + n > s.size()) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(s[at + i])) != word[i]) return false;
    return true;
}

// The date mask elements: one row per spelling, used by compiling a mask (for formatting
// and parsing alike) and by checking one. Longest spelling first, so that a prefix never
// wins. digits: the fraction digits of FF (FF alone: 6); round_year: RR and RRRR, which
// read a two-digit year into the century nearest the current year.
struct DateElementRow {
    const char* spelling;
    DateElement element;
    std::uint8_t digits;
    bool round_year;
};

const DateElementRow kDateElements[] = {
    {"YYYY", DateElement::Year4, 0, false},     {"RRRR", DateElement::Year4, 0, true},
    {"MONTH", DateElement::MonthName, 0, false}, {"HH24", DateElement::Hour24, 0, false},
    {"HH12", DateElement::Hour12, 0, false},     {"A.M.", DateElement::MeridianDots, 0, false},
    {"P.M.", DateElement::MeridianDots, 0, false}, {"YYY", DateElement::Year3, 0, false},
    {"MON", DateElement::MonthAbbrev, 0, false}, {"DDD", DateElement::DayOfYear, 0, false},
    {"DAY", DateElement::DayName, 0, false},     {"FF9", DateElement::Fraction, 9, false},
    {"FF8", DateElement::Fraction, 8, false},    {"FF7", DateElement::Fraction, 7, false},
    {"FF6", DateElement::Fraction, 6, false},    {"FF5", DateElement::Fraction, 5, false},
    {"FF4", DateElement::Fraction, 4, false},    {"FF3", DateElement::Fraction, 3, false},
    {"FF2", DateElement::Fraction, 2, false},    {"FF1", DateElement::Fraction, 1, false},
    {"YY", DateElement::Year2, 0, false},        {"RR", DateElement::Year2, 0, true},
    {"MM", DateElement::Month, 0, false},        {"DD", DateElement::Day, 0, false},
    {"DY", DateElement::DayAbbrev, 0, false},    {"HH", DateElement::Hour12, 0, false},
    {"MI", DateElement::Minute, 0, false},       {"SS", DateElement::Second, 0, false},
    {"AM", DateElement::Meridian, 0, false},     {"PM", DateElement::Meridian, 0, false},
    {"FF", DateElement::Fraction, 6, false},     {"FM", DateElement::FillMode, 0, false},
    {"Y", DateElement::Year1, 0, false},         {"D", DateElement::WeekDay, 0, false},
    {"X", DateElement::Radix, 0, false},
};

const DateElementRow* element_at(const std::string& mask, std::size_t at) {
    for (const DateElementRow& e : kDateElements)
        if (starts_with_ci(mask, at, e.spelling)) return &e;
    return nullptr;
}

bool is_punct(char c) {
    return std::strchr("-/,.;: ", c) != nullptr;
}

}  // namespace

std::size_t number_text_int(std::int64_t v, char* buf, std::size_t size) {
    char tmp[24];
    std::size_t n = 0;
    std::uint64_t u = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    do {
        tmp[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (v < 0) tmp[n++] = '-';
    std::size_t pos = 0;
    while (n > 0 && pos + 1 < size) buf[pos++] = tmp[--n];
    if (size > 0) buf[pos] = 0;
    return pos;
}

std::size_t number_text_double(double v, char* buf, std::size_t size) {
    if (v == 0 || !std::isfinite(v)) {
        const char* t = v == 0 ? "0" : (std::isnan(v) ? "NaN" : (v > 0 ? "~" : "-~"));
        std::size_t pos = 0;
        put(buf, size, &pos, t, std::strlen(t));
        buf[pos] = 0;
        return pos;
    }
    // Most stored values have few decimals: find the smallest scale that represents v
    // exactly and print it as a scaled integer, without printf.
    static const double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    double mag = std::fabs(v);
    if (mag < 1e15 && mag >= 1e-9) {
        for (int k = 0; k < 10; ++k) {
            double scaled = mag * kPow10[k];
            if (scaled >= 1e15) break;
            std::int64_t r = std::llround(scaled);
            if (static_cast<double>(r) / kPow10[k] != mag) continue;
            char digits[24];
            std::size_t nd = number_text_int(r, digits, sizeof digits);
            char out[48];
            std::size_t pos = 0;
            if (v < 0) out[pos++] = '-';
            if (nd > static_cast<std::size_t>(k)) {
                for (std::size_t i = 0; i < nd - static_cast<std::size_t>(k); ++i) out[pos++] = digits[i];
                if (k > 0) out[pos++] = '.';
                for (std::size_t i = nd - static_cast<std::size_t>(k); i < nd; ++i) out[pos++] = digits[i];
            } else {
                out[pos++] = '.';
                for (std::size_t i = nd; i < static_cast<std::size_t>(k); ++i) out[pos++] = '0';
                for (std::size_t i = 0; i < nd; ++i) out[pos++] = digits[i];
            }
            std::size_t w = 0;
            put(buf, size, &w, out, pos);
            if (size > 0) buf[w] = 0;
            return w;
        }
    }
    char sci[40];
    std::snprintf(sci, sizeof sci, "%.14e", std::fabs(v));
    // sci: d.dddddddddddddde[+-]xx; collect the significant digits and the exponent.
    char digits[20];
    std::size_t nd = 0;
    digits[nd++] = sci[0];
    const char* p = sci + 2;
    while (*p && *p != 'e') digits[nd++] = *p++;
    int exp10 = std::atoi(p + 1);
    while (nd > 1 && digits[nd - 1] == '0') --nd;
    char out[64];
    std::size_t pos = 0;
    const std::size_t cap = sizeof out;
    if (v < 0) out[pos++] = '-';
    // Plain notation holds the digits when it fits in 40 characters.
    int int_digits = exp10 + 1;
    std::size_t plain_len = (int_digits > 0 ? static_cast<std::size_t>(int_digits) : 0) +
                            (static_cast<int>(nd) > int_digits
                                 ? 1 + nd - (int_digits > 0 ? int_digits : 0) + (int_digits < 0 ? -int_digits : 0)
                                 : 0);
    if (plain_len <= 40) {
        if (int_digits <= 0) {
            out[pos++] = '.';
            for (int i = 0; i < -int_digits; ++i) out[pos++] = '0';
            for (std::size_t i = 0; i < nd; ++i) out[pos++] = digits[i];
        } else {
            for (int i = 0; i < int_digits; ++i) out[pos++] = static_cast<std::size_t>(i) < nd ? digits[i] : '0';
            if (static_cast<int>(nd) > int_digits) {
                out[pos++] = '.';
                for (std::size_t i = static_cast<std::size_t>(int_digits); i < nd; ++i) out[pos++] = digits[i];
            }
        }
    } else {
        out[pos++] = digits[0];
        out[pos++] = '.';
        if (nd == 1) out[pos++] = '0';
        for (std::size_t i = 1; i < nd; ++i) out[pos++] = digits[i];
        pos += static_cast<std::size_t>(
            std::snprintf(out + pos, cap - pos, "E%c%02d", exp10 < 0 ? '-' : '+', exp10 < 0 ? -exp10 : exp10));
    }
    std::size_t w = 0;
    put(buf, size, &w, out, pos);
    buf[w] = 0;
    return w;
}

bool number_parse(const char* text, std::size_t len, double* out, std::int64_t* as_int, bool* is_int) {
    std::size_t b = 0, e = len;
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    if (b == e || e - b > 200) return false;
    char tmp[208];
    std::memcpy(tmp, text + b, e - b);
    tmp[e - b] = 0;
    std::size_t i = 0;
    if (tmp[i] == '+' || tmp[i] == '-') ++i;
    bool digit = false, dot = false, exp = false;
    for (; tmp[i]; ++i) {
        char c = tmp[i];
        if (std::isdigit(static_cast<unsigned char>(c)))
            digit = true;
        else if (c == '.' && !dot && !exp)
            dot = true;
        else if ((c == 'e' || c == 'E') && digit && !exp) {
            exp = true;
            if (tmp[i + 1] == '+' || tmp[i + 1] == '-') ++i;
            if (!std::isdigit(static_cast<unsigned char>(tmp[i + 1]))) return false;
        } else
            return false;
    }
    if (!digit) return false;
    *out = std::strtod(tmp, nullptr);
    *is_int = false;
    if (!dot && !exp && e - b <= 20) {
        errno = 0;
        long long v = std::strtoll(tmp, nullptr, 10);
        if (errno != ERANGE) {
            *is_int = true;
            *as_int = v;
        }
    }
    return true;
}

bool number_round_text(const char* text, std::size_t len, int scale, std::string* out) {
    std::size_t i = 0;
    while (i < len && text[i] == ' ') ++i;
    while (len > i && text[len - 1] == ' ') --len;
    bool negative = false;
    if (i < len && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::string digits;
    int point = -1;
    for (; i < len; ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c == '.' && point < 0)
            point = static_cast<int>(digits.size());
        else
            return false;
    }
    if (digits.empty()) return false;
    if (point < 0) point = static_cast<int>(digits.size());
    int keep = point + scale;  // digits kept before rounding
    if (keep < static_cast<int>(digits.size())) {
        bool up = keep >= 0 && digits[static_cast<std::size_t>(keep)] >= '5';
        if (keep < 0) {
            digits.clear();
        } else {
            digits.resize(static_cast<std::size_t>(keep));
        }
        if (up) {
            int k = static_cast<int>(digits.size()) - 1;
            while (k >= 0 && digits[static_cast<std::size_t>(k)] == '9') digits[static_cast<std::size_t>(k--)] = '0';
            if (k >= 0) {
                ++digits[static_cast<std::size_t>(k)];
            } else {
                digits.insert(digits.begin(), '1');
                ++point;
            }
        }
        while (static_cast<int>(digits.size()) < point) digits += '0';
    }
    std::string int_part = point > 0 ? digits.substr(0, static_cast<std::size_t>(point)) : std::string();
    std::string frac = point < static_cast<int>(digits.size())
                           ? digits.substr(static_cast<std::size_t>(point > 0 ? point : 0))
                           : std::string();
    if (point < 0) frac = std::string(static_cast<std::size_t>(-point), '0') + frac;
    std::size_t lead = 0;
    while (lead + 1 < int_part.size() && int_part[lead] == '0') ++lead;
    int_part.erase(0, lead);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    if (int_part.empty()) int_part = "0";
    bool zero = int_part == "0" && frac.empty();
    *out = (negative && !zero ? "-" : "") + int_part + (frac.empty() ? "" : "." + frac);
    return true;
}

int number_significant_digits(const char* text, std::size_t len) {
    int first = -1, last = -1, pos = 0;
    for (std::size_t i = 0; i < len; ++i) {
        char c = text[i];
        if (c == 'e' || c == 'E') break;
        if (c < '0' || c > '9') continue;
        if (c != '0') {
            if (first < 0) first = pos;
            last = pos;
        }
        ++pos;
    }
    return first < 0 ? 0 : last - first + 1;
}

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

bool date_mask_valid(const std::string& mask) {
    for (std::size_t i = 0; i < mask.size();) {
        if (mask[i] == '"') {
            std::size_t close = mask.find('"', i + 1);
            if (close == std::string::npos) return false;
            i = close + 1;
        } else if (const DateElementRow* e = element_at(mask, i)) {
            i += std::strlen(e->spelling);
        } else if (is_punct(mask[i])) {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

std::vector<std::string> date_mask_elements() {
    std::vector<std::string> out;
    for (const DateElementRow& e : kDateElements) out.push_back(e.spelling);
    return out;
}

DateMask date_mask_compile(const std::string& mask) {
    DateMask m;
    auto add = [&](DateElement e) {
        DateMaskItem it;
        it.element = e;
        m.items.push_back(it);
        return &m.items.back();
    };
    for (std::size_t i = 0; i < mask.size();) {
        if (mask[i] == '"') {
            std::size_t close = mask.find('"', i + 1);
            if (close == std::string::npos) close = mask.size();
            DateMaskItem* it = add(DateElement::Literal);
            it->literal = mask.substr(i + 1, close - i - 1);
            it->quoted = true;
            i = close + 1;
            continue;
        }
        const DateElementRow* e = element_at(mask, i);
        if (!e) {
            add(DateElement::Literal)->literal = mask.substr(i, 1);
            ++i;
            continue;
        }
        bool first_upper = std::isupper(static_cast<unsigned char>(mask[i])) != 0;
        bool second_upper = i + 1 < mask.size() && std::isupper(static_cast<unsigned char>(mask[i + 1])) != 0;
        DateMaskItem* it = add(e->element);
        it->name_case = first_upper ? (second_upper ? 0 : 1) : 2;
        it->digits = e->digits;
        it->round_year = e->round_year;
        i += std::strlen(e->spelling);
    }
    return m;
}

namespace {

void put_name_case(char* buf, std::size_t size, std::size_t* pos, const char* name, std::size_t len, bool pad_to_9,
                   std::uint8_t name_case) {
    char tmp[16];
    std::size_t n = 0;
    for (std::size_t i = 0; i < len && name[i]; ++i, ++n) {
        char c = name[i];
        if (name_case == 2 || (name_case == 1 && i > 0)) c = static_cast<char>(c - 'A' + 'a');
        tmp[n] = c;
    }
    while (pad_to_9 && n < 9) tmp[n++] = ' ';
    put(buf, size, pos, tmp, n);
}

// Two digits, the common case, without printf.
void put2(char* buf, std::size_t size, std::size_t* pos, int v, bool pad) {
    char tmp[2];
    if (v < 10 && !pad) {
        tmp[0] = static_cast<char>('0' + v);
        put(buf, size, pos, tmp, 1);
        return;
    }
    tmp[0] = static_cast<char>('0' + v / 10 % 10);
    tmp[1] = static_cast<char>('0' + v % 10);
    put(buf, size, pos, tmp, 2);
}

}  // namespace

std::size_t date_format(const DateValue& d, const DateMask& mask, char* buf, std::size_t size) {
    std::size_t pos = 0;
    bool fm = false;
    int weekday = static_cast<int>((day_number(d.year, d.month, d.day) + 1) % 7);  // 0001-01-01 was a Monday
    for (const DateMaskItem& it : mask.items) {
        bool pad = !fm;
        switch (it.element) {
        case DateElement::Literal:
            put(buf, size, &pos, it.literal.data(), it.literal.size());
            break;
        case DateElement::FillMode:
            fm = !fm;
            break;
        case DateElement::Year4:
            put_num(buf, size, &pos, d.year, 4, pad);
            break;
        case DateElement::Year3:
            put_num(buf, size, &pos, d.year % 1000, 3, true);
            break;
        case DateElement::Year2:
            put2(buf, size, &pos, d.year % 100, true);
            break;
        case DateElement::Year1:
            put_num(buf, size, &pos, d.year % 10, 1, true);
            break;
        case DateElement::Month:
            put2(buf, size, &pos, d.month, pad);
            break;
        case DateElement::MonthAbbrev:
            put_name_case(buf, size, &pos, kMonths[d.month - 1], 3, false, it.name_case);
            break;
        case DateElement::MonthName:
            put_name_case(buf, size, &pos, kMonths[d.month - 1], 9, pad, it.name_case);
            break;
        case DateElement::Day:
            put2(buf, size, &pos, d.day, pad);
            break;
        case DateElement::DayOfYear:
            put_num(buf, size, &pos,
                    static_cast<long>(day_number(d.year, d.month, d.day) - day_number(d.year, 1, 1) + 1), 3, pad);
            break;
        case DateElement::WeekDay:
            put_num(buf, size, &pos, weekday + 1, 1, true);
            break;
        case DateElement::DayAbbrev:
            put_name_case(buf, size, &pos, kDays[weekday], 3, false, it.name_case);
            break;
        case DateElement::DayName:
            put_name_case(buf, size, &pos, kDays[weekday], 9, pad, it.name_case);
            break;
        case DateElement::Hour24:
            put2(buf, size, &pos, d.hour, pad);
            break;
        case DateElement::Hour12:
            put2(buf, size, &pos, d.hour % 12 == 0 ? 12 : d.hour % 12, pad);
            break;
        case DateElement::Minute:
            put2(buf, size, &pos, d.minute, pad);
            break;
        case DateElement::Second:
            put2(buf, size, &pos, d.second, pad);
            break;
        case DateElement::Meridian:
            put(buf, size, &pos, d.hour < 12 ? "AM" : "PM", 2);
            break;
        case DateElement::MeridianDots:
            put(buf, size, &pos, d.hour < 12 ? "A.M." : "P.M.", 4);
            break;
        case DateElement::Radix:
            put(buf, size, &pos, ".", 1);
            break;
        case DateElement::Fraction: {
            char tmp[16];
            std::snprintf(tmp, sizeof tmp, "%09d", d.fraction);
            put(buf, size, &pos, tmp, it.digits);
            break;
        }
        }
    }
    if (size > 0) buf[pos < size ? pos : size - 1] = 0;
    return pos;
}

std::size_t date_format(const DateValue& d, const std::string& mask, char* buf, std::size_t size) {
    return date_format(d, date_mask_compile(mask), buf, size);
}

bool date_parse(const std::string& text, const DateMask& mask, const DateValue& now, DateValue* out, OraError* err) {
    DateValue d;
    d.year = now.year;
    d.month = now.month;
    d.day = 1;
    bool pm = false, has_ampm = false;
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
            if (text.compare(t, it.literal.size(), it.literal) != 0) {
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
            if (!is_punct(text[t]) && text[t] != it.literal[0]) {
                *err = ora_error(1861);
                return false;
            }
            ++t;
            continue;
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
            std::size_t got = t - start;
            if (it.round_year && got <= 2) {
                int cur = now.year % 100, century = now.year / 100;
                if (v < 50)
                    d.year = (cur < 50 ? century : century + 1) * 100 + v;
                else
                    d.year = (cur < 50 ? century - 1 : century) * 100 + v;
            } else if (it.round_year || it.element == DateElement::Year4) {
                d.year = v;
            } else {
                int mod = it.element == DateElement::Year2 ? 100 : it.element == DateElement::Year3 ? 1000 : 10;
                d.year = now.year - now.year % mod + v;
            }
            if (d.year < 1 || d.year > 9999) {
                *err = ora_error(1841);
                err->message = "(full) year must be between -4713 and +9999, and not be 0";
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
            int found = 0;
            for (int m = 0; m < 12 && !found; ++m) {
                std::size_t full = std::strlen(kMonths[m]);
                if (starts_with_ci(text, t, kMonths[m])) {
                    t += full;
                    found = m + 1;
                } else if (starts_with_ci(text, t, std::string(kMonths[m], 3).c_str())) {
                    t += 3;
                    found = m + 1;
                }
            }
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
            if (starts_with_ci(text, t, "PM") || starts_with_ci(text, t, "P.M.")) pm = true;
            t += starts_with_ci(text, t, "A.M.") || starts_with_ci(text, t, "P.M.") ? 4 : 2;
            has_ampm = true;
            break;
        case DateElement::Radix:
            if (text[t] == '.') ++t;
            break;
        case DateElement::Fraction: {
            std::size_t start = t;
            int f = 0;
            while (t < text.size() && t - start < 9 && std::isdigit(static_cast<unsigned char>(text[t])))
                f = f * 10 + (text[t++] - '0');
            for (std::size_t k = t - start; k < 9; ++k) f *= 10;
            d.fraction = f;
            break;
        }
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
    if (d.day > days_in_month(d.year, d.month)) {
        *err = ora_error(1839);
        err->message = "date not valid for month specified";
        return false;
    }
    *out = d;
    return true;
}

bool date_parse(const std::string& text, const std::string& mask, const DateValue& now, DateValue* out, OraError* err) {
    return date_parse(text, date_mask_compile(mask), now, out, err);
}

DateValue date_add_days(const DateValue& d, double days) {
    double secs = static_cast<double>(day_number(d.year, d.month, d.day)) * 86400.0 + d.hour * 3600 + d.minute * 60 +
                  d.second + days * 86400.0;
    std::int64_t total = static_cast<std::int64_t>(std::llround(secs));
    DateValue r;
    from_day_number(total / 86400, &r.year, &r.month, &r.day);
    std::int64_t rem = total % 86400;
    r.hour = static_cast<int>(rem / 3600);
    r.minute = static_cast<int>(rem / 60 % 60);
    r.second = static_cast<int>(rem % 60);
    return r;
}

double date_diff_days(const DateValue& a, const DateValue& b) {
    auto secs = [](const DateValue& d) {
        return static_cast<double>(day_number(d.year, d.month, d.day)) * 86400.0 + d.hour * 3600 + d.minute * 60 +
               d.second;
    };
    return (secs(a) - secs(b)) / 86400.0;
}

std::size_t raw_to_hex(const unsigned char* data, std::size_t len, char* buf, std::size_t size) {
    static const char kHex[] = "0123456789ABCDEF";
    std::size_t pos = 0;
    for (std::size_t i = 0; i < len && pos + 2 < size; ++i) {
        buf[pos++] = kHex[data[i] >> 4];
        buf[pos++] = kHex[data[i] & 15];
    }
    if (size > 0) buf[pos] = 0;
    return pos;
}

bool raw_from_hex(const std::string& hex, std::string* out) {
    out->clear();
    std::size_t i = 0;
    auto val = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (hex.size() % 2 == 1) {
        int v = val(hex[0]);
        if (v < 0) return false;
        out->push_back(static_cast<char>(v));
        i = 1;
    }
    for (; i < hex.size(); i += 2) {
        int hi = val(hex[i]), lo = val(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}
