// Date masks: the one table of their elements, a mask compiled once into items, and
// a date formatted with a compiled mask.
#include "values/calendar.h"
#include "values/values.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// Appends text to buf at *pos, never past size-1.
void put(char* buf, std::size_t size, std::size_t* pos, const char* text, std::size_t len) {
    for (std::size_t i = 0; i < len && *pos + 1 < size; ++i) buf[(*pos)++] = text[i];
}
void put_num(char* buf, std::size_t size, std::size_t* pos, long v, int width, bool fill) {
    char tmp[24];
    int n = fill ? std::snprintf(tmp, sizeof tmp, "%0*ld", width, v) : std::snprintf(tmp, sizeof tmp, "%ld", v);
    put(buf, size, pos, tmp, static_cast<std::size_t>(n));
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
    {"TZH", DateElement::TzHour, 0, false},        {"TZM", DateElement::TzMinute, 0, false},
    {"TZR", DateElement::TzRegion, 0, false},      {"TZD", DateElement::TzAbbrev, 0, false},
    {"YYYY", DateElement::Year4, 0, false},        {"RRRR", DateElement::Year4, 0, true},
    {"MONTH", DateElement::MonthName, 0, false},   {"HH24", DateElement::Hour24, 0, false},
    {"HH12", DateElement::Hour12, 0, false},       {"A.M.", DateElement::MeridianDots, 0, false},
    {"P.M.", DateElement::MeridianDots, 0, false}, {"YYY", DateElement::Year3, 0, false},
    {"MON", DateElement::MonthAbbrev, 0, false},   {"DDD", DateElement::DayOfYear, 0, false},
    {"DAY", DateElement::DayName, 0, false},       {"FF9", DateElement::Fraction, 9, false},
    {"FF8", DateElement::Fraction, 8, false},      {"FF7", DateElement::Fraction, 7, false},
    {"FF6", DateElement::Fraction, 6, false},      {"FF5", DateElement::Fraction, 5, false},
    {"FF4", DateElement::Fraction, 4, false},      {"FF3", DateElement::Fraction, 3, false},
    {"FF2", DateElement::Fraction, 2, false},      {"FF1", DateElement::Fraction, 1, false},
    {"YY", DateElement::Year2, 0, false},          {"RR", DateElement::Year2, 0, true},
    {"MM", DateElement::Month, 0, false},          {"DD", DateElement::Day, 0, false},
    {"DY", DateElement::DayAbbrev, 0, false},      {"HH", DateElement::Hour12, 0, false},
    {"MI", DateElement::Minute, 0, false},         {"SS", DateElement::Second, 0, false},
    {"AM", DateElement::Meridian, 0, false},       {"PM", DateElement::Meridian, 0, false},
    {"FF", DateElement::Fraction, 6, false},       {"FM", DateElement::FillMode, 0, false},
    {"Y", DateElement::Year1, 0, false},           {"D", DateElement::WeekDay, 0, false},
    {"X", DateElement::Radix, 0, false},           {"J", DateElement::JulianDay, 0, false},
};

const DateElementRow* element_at(const std::string& mask, std::size_t at) {
    for (const DateElementRow& e : kDateElements)
        if (starts_with_ci(mask, at, e.spelling)) return &e;
    return nullptr;
}

}  // namespace

bool date_mask_valid(const std::string& mask) {
    for (std::size_t i = 0; i < mask.size();) {
        if (mask[i] == '"') {
            std::size_t close = mask.find('"', i + 1);
            if (close == std::string::npos) return false;
            i = close + 1;
        } else if (const DateElementRow* e = element_at(mask, i)) {
            i += std::strlen(e->spelling);
        } else if (date_punct(mask[i])) {
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
    int weekday = date_weekday(d);
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
            put_name_case(buf, size, &pos, kMonthNames[d.month - 1], 3, false, it.name_case);
            break;
        case DateElement::MonthName:
            put_name_case(buf, size, &pos, kMonthNames[d.month - 1], 9, pad, it.name_case);
            break;
        case DateElement::Day:
            put2(buf, size, &pos, d.day, pad);
            break;
        case DateElement::DayOfYear:
            put_num(buf, size, &pos,
                    static_cast<long>(date_day_number(d.year, d.month, d.day) - date_day_number(d.year, 1, 1) + 1), 3,
                    pad);
            break;
        case DateElement::WeekDay:
            put_num(buf, size, &pos, weekday + 1, 1, true);
            break;
        case DateElement::DayAbbrev:
            put_name_case(buf, size, &pos, kDayNames[weekday], 3, false, it.name_case);
            break;
        case DateElement::DayName:
            put_name_case(buf, size, &pos, kDayNames[weekday], 9, pad, it.name_case);
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
        case DateElement::JulianDay:
            put_num(buf, size, &pos, static_cast<long>(date_day_number(d.year, d.month, d.day) + kJulianDayOfFirst), 7,
                    true);
            break;
        case DateElement::Fraction: {
            char tmp[16];
            std::snprintf(tmp, sizeof tmp, "%09d", d.fraction);
            put(buf, size, &pos, tmp, it.digits);
            break;
        }
        case DateElement::TzHour: {
            int m = d.zone_minutes < 0 ? -d.zone_minutes : d.zone_minutes;
            put(buf, size, &pos, d.zone_minutes < 0 ? "-" : "+", 1);
            put2(buf, size, &pos, m / 60, true);
            break;
        }
        case DateElement::TzMinute: {
            int m = d.zone_minutes < 0 ? -d.zone_minutes : d.zone_minutes;
            put2(buf, size, &pos, m % 60, true);
            break;
        }
        case DateElement::TzAbbrev:
            break;
        case DateElement::TzRegion: {
            std::string z = time_zone_text(d.zone_minutes);
            put(buf, size, &pos, z.data(), z.size());
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
