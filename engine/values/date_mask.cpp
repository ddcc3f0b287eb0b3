// Date masks: the one table of their elements, a mask compiled once into items, and
// a date formatted with a compiled mask.
#include "values/calendar.h"
#include "values/date_mask_width.h"
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
    {"SSSSS", DateElement::SecondsOfDay, 0, false},
    {"SYYYY", DateElement::SignedYear, 0, false},
    {"A.D.", DateElement::EraDots, 0, false},
    {"B.C.", DateElement::EraDots, 0, false},
    {"SCC", DateElement::Century, 0, false},
    {"TZH", DateElement::TzHour, 0, false},
    {"TZM", DateElement::TzMinute, 0, false},
    {"TZR", DateElement::TzRegion, 0, false},
    {"TZD", DateElement::TzAbbrev, 0, false},
    {"YYYY", DateElement::Year4, 0, false},
    {"RRRR", DateElement::Year4, 0, true},
    {"IYYY", DateElement::IsoYear, 0, false},
    {"MONTH", DateElement::MonthName, 0, false},
    {"HH24", DateElement::Hour24, 0, false},
    {"HH12", DateElement::Hour12, 0, false},
    {"A.M.", DateElement::MeridianDots, 0, false},
    {"P.M.", DateElement::MeridianDots, 0, false},
    {"YYY", DateElement::Year3, 0, false},
    {"MON", DateElement::MonthAbbrev, 0, false},
    {"DDD", DateElement::DayOfYear, 0, false},
    {"DAY", DateElement::DayName, 0, false},
    {"FF9", DateElement::Fraction, 9, false},
    {"FF8", DateElement::Fraction, 8, false},
    {"FF7", DateElement::Fraction, 7, false},
    {"FF6", DateElement::Fraction, 6, false},
    {"FF5", DateElement::Fraction, 5, false},
    {"FF4", DateElement::Fraction, 4, false},
    {"FF3", DateElement::Fraction, 3, false},
    {"FF2", DateElement::Fraction, 2, false},
    {"FF1", DateElement::Fraction, 1, false},
    {"YY", DateElement::Year2, 0, false},
    {"RR", DateElement::Year2, 0, true},
    {"MM", DateElement::Month, 0, false},
    {"DD", DateElement::Day, 0, false},
    {"DY", DateElement::DayAbbrev, 0, false},
    {"HH", DateElement::Hour12, 0, false},
    {"MI", DateElement::Minute, 0, false},
    {"SS", DateElement::Second, 0, false},
    {"AM", DateElement::Meridian, 0, false},
    {"PM", DateElement::Meridian, 0, false},
    {"FF", DateElement::Fraction, 6, false},
    {"FM", DateElement::FillMode, 0, false},
    {"WW", DateElement::WeekOfYear, 0, false},
    {"IW", DateElement::IsoWeek, 0, false},
    {"CC", DateElement::Century, 0, false},
    {"RM", DateElement::RomanMonth, 0, false},
    {"AD", DateElement::Era, 0, false},
    {"BC", DateElement::Era, 0, false},
    {"Q", DateElement::Quarter, 0, false},
    {"W", DateElement::WeekOfMonth, 0, false},
    {"Y", DateElement::Year1, 0, false},
    {"D", DateElement::WeekDay, 0, false},
    {"X", DateElement::Radix, 0, false},
    {"J", DateElement::JulianDay, 0, false},
};

const DateElementRow* element_at(const std::string& mask, std::size_t at) {
    for (const DateElementRow& e : kDateElements)
        if (starts_with_ci(mask, at, e.spelling)) return &e;
    return nullptr;
}

// The elements that format a number and so take the TH, SP and SPTH suffixes.
bool numeric_element(DateElement e) {
    switch (e) {
    case DateElement::Year4:
    case DateElement::Year3:
    case DateElement::Year2:
    case DateElement::Year1:
    case DateElement::Month:
    case DateElement::Day:
    case DateElement::DayOfYear:
    case DateElement::WeekDay:
    case DateElement::Hour24:
    case DateElement::Hour12:
    case DateElement::Minute:
    case DateElement::Second:
    case DateElement::JulianDay:
    case DateElement::Quarter:
    case DateElement::WeekOfYear:
    case DateElement::WeekOfMonth:
    case DateElement::IsoWeek:
    case DateElement::IsoYear:
    case DateElement::Century:
        return true;
    default:
        return false;
    }
}

// The suffix at mask[at] (SPTH and THSP before SP and TH); its length, 0 for none.
std::size_t suffix_at(const std::string& mask, std::size_t at, DateSuffix* suffix) {
    if (starts_with_ci(mask, at, "SPTH") || starts_with_ci(mask, at, "THSP")) {
        *suffix = DateSuffix::SpTh;
        return 4;
    }
    if (starts_with_ci(mask, at, "SP")) {
        *suffix = DateSuffix::Sp;
        return 2;
    }
    if (starts_with_ci(mask, at, "TH")) {
        *suffix = DateSuffix::Th;
        return 2;
    }
    *suffix = DateSuffix::None;
    return 0;
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
            DateSuffix suffix;
            if (numeric_element(e->element)) i += suffix_at(mask, i, &suffix);
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
        if (numeric_element(e->element)) {
            it->suffix_upper = i < mask.size() && std::isupper(static_cast<unsigned char>(mask[i])) != 0;
            i += suffix_at(mask, i, &it->suffix);
        }
    }
    return m;
}

namespace {

// The widest text of each element in date_format, FM or not (FM never lengthens one).
struct ElementWidth {
    DateElement element;
    std::uint8_t width;
};
const ElementWidth kElementWidths[] = {
    {DateElement::FillMode, 0},     {DateElement::Year4, 4},        {DateElement::Year3, 3},
    {DateElement::Year2, 2},        {DateElement::Year1, 1},        {DateElement::Month, 2},
    {DateElement::MonthAbbrev, 3},  {DateElement::MonthName, 9},    {DateElement::Day, 2},
    {DateElement::DayOfYear, 3},    {DateElement::WeekDay, 1},      {DateElement::DayAbbrev, 3},
    {DateElement::DayName, 9},      {DateElement::Hour24, 2},       {DateElement::Hour12, 2},
    {DateElement::Minute, 2},       {DateElement::Second, 2},       {DateElement::Meridian, 2},
    {DateElement::MeridianDots, 4}, {DateElement::Radix, 1},        {DateElement::JulianDay, 7},
    {DateElement::TzHour, 3},       {DateElement::TzMinute, 2},     {DateElement::TzRegion, 6},
    {DateElement::TzAbbrev, 0},     {DateElement::Quarter, 1},      {DateElement::WeekOfYear, 2},
    {DateElement::WeekOfMonth, 1},  {DateElement::IsoWeek, 2},      {DateElement::IsoYear, 4},
    {DateElement::Century, 2},      {DateElement::SecondsOfDay, 5}, {DateElement::RomanMonth, 4},
    {DateElement::Era, 2},          {DateElement::EraDots, 4},      {DateElement::SignedYear, 5},
};

// The longest spelling of the numbers an element takes: below 10,000 "SEVEN THOUSAND
// SEVEN HUNDRED SEVENTY-SEVEN" (SPTH one letter more); a Julian day has millions.
constexpr std::uint32_t kSpelledWidth = 44;
constexpr std::uint32_t kSpelledJulianWidth = 100;

}  // namespace

std::uint32_t date_mask_width(const std::string& mask) {
    return date_mask_width(date_mask_compile(mask));
}

std::uint32_t date_mask_width(const DateMask& mask) {
    std::uint64_t width = 0;
    for (const DateMaskItem& it : mask.items) {
        if (it.suffix == DateSuffix::Sp || it.suffix == DateSuffix::SpTh) {
            width += it.element == DateElement::JulianDay ? kSpelledJulianWidth : kSpelledWidth;
            continue;
        }
        if (it.element == DateElement::Literal) {
            width += it.literal.size();
        } else if (it.element == DateElement::Fraction) {
            width += it.digits;
        } else {
            for (const ElementWidth& w : kElementWidths)
                if (w.element == it.element) width += w.width;
        }
        if (it.suffix == DateSuffix::Th) width += 2;
    }
    return width > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(width);
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

// The ISO week of a date and the year it belongs to: weeks start on Monday, and week 1
// is the one holding the year's first Thursday.
void iso_week(const DateValue& d, int* week, int* year) {
    std::int64_t day = date_day_number(d.year, d.month, d.day);
    int from_monday = (date_weekday(d) + 6) % 7;
    std::int64_t thursday = day - from_monday + 3;
    int y = 0, m = 0, dd = 0;
    date_from_day_number(thursday, &y, &m, &dd);
    *year = y;
    *week = static_cast<int>((thursday - date_day_number(y, 1, 1)) / 7 + 1);
}

// The number a numeric element formats.
long element_number(const DateValue& d, DateElement e) {
    switch (e) {
    case DateElement::Year4:
        return d.year;
    case DateElement::Year3:
        return d.year % 1000;
    case DateElement::Year2:
        return d.year % 100;
    case DateElement::Year1:
        return d.year % 10;
    case DateElement::Month:
        return d.month;
    case DateElement::Day:
        return d.day;
    case DateElement::DayOfYear:
        return static_cast<long>(date_day_number(d.year, d.month, d.day) - date_day_number(d.year, 1, 1) + 1);
    case DateElement::WeekDay:
        return date_weekday(d) + 1;
    case DateElement::Hour24:
        return d.hour;
    case DateElement::Hour12:
        return d.hour % 12 == 0 ? 12 : d.hour % 12;
    case DateElement::Minute:
        return d.minute;
    case DateElement::Second:
        return d.second;
    case DateElement::JulianDay:
        return static_cast<long>(date_day_number(d.year, d.month, d.day) + kJulianDayOfFirst);
    case DateElement::Quarter:
        return (d.month - 1) / 3 + 1;
    case DateElement::WeekOfYear:
        return static_cast<long>((date_day_number(d.year, d.month, d.day) - date_day_number(d.year, 1, 1)) / 7 + 1);
    case DateElement::WeekOfMonth:
        return (d.day - 1) / 7 + 1;
    case DateElement::IsoWeek:
    case DateElement::IsoYear: {
        int week = 0, year = 0;
        iso_week(d, &week, &year);
        return e == DateElement::IsoWeek ? week : year;
    }
    case DateElement::Century:
        return (d.year + 99) / 100;
    case DateElement::SecondsOfDay:
        return d.hour * 3600L + d.minute * 60 + d.second;
    case DateElement::SignedYear:
        return d.year;
    default:
        return 0;
    }
}

// A number in English words, upper case, as the SP suffix writes it: "TWENTY-ONE",
// "ONE THOUSAND NINE HUNDRED EIGHTY-SEVEN".
std::string spelled(long n) {
    static const char* const kOnes[] = {
        "ZERO", "ONE",    "TWO",    "THREE",    "FOUR",     "FIVE",    "SIX",     "SEVEN",     "EIGHT",    "NINE",
        "TEN",  "ELEVEN", "TWELVE", "THIRTEEN", "FOURTEEN", "FIFTEEN", "SIXTEEN", "SEVENTEEN", "EIGHTEEN", "NINETEEN"};
    static const char* const kTens[] = {"",      "",      "TWENTY",  "THIRTY", "FORTY",
                                        "FIFTY", "SIXTY", "SEVENTY", "EIGHTY", "NINETY"};
    auto below_thousand = [&](long v) {
        std::string out;
        if (v >= 100) {
            out = std::string(kOnes[v / 100]) + " HUNDRED";
            v %= 100;
            if (v == 0) return out;
            out += " ";
        }
        if (v < 20) return out + kOnes[v];
        out += kTens[v / 10];
        if (v % 10) out += std::string("-") + kOnes[v % 10];
        return out;
    };
    if (n < 0) return "MINUS " + spelled(-n);
    if (n == 0) return kOnes[0];
    static const char* const kScales[] = {"", " THOUSAND", " MILLION", " BILLION"};
    std::string out;
    long scale = 1000000000;
    for (int k = 3; k >= 0; --k, scale /= 1000) {
        long part = n / scale % 1000;
        if (part == 0) continue;
        if (!out.empty()) out += " ";
        out += below_thousand(part) + kScales[k];
    }
    return out;
}

// The spelled number's last word made an ordinal: "TWENTY-ONE" to "TWENTY-FIRST".
std::string spelled_ordinal(const std::string& words) {
    std::size_t cut = words.find_last_of(" -");
    std::size_t start = cut == std::string::npos ? 0 : cut + 1;
    std::string last = words.substr(start);
    static const char* const kIrregular[][2] = {{"ONE", "FIRST"},     {"TWO", "SECOND"},   {"THREE", "THIRD"},
                                                {"FIVE", "FIFTH"},    {"EIGHT", "EIGHTH"}, {"NINE", "NINTH"},
                                                {"TWELVE", "TWELFTH"}};
    for (const auto& r : kIrregular)
        if (last == r[0]) return words.substr(0, start) + r[1];
    if (last.back() == 'Y') return words.substr(0, start) + last.substr(0, last.size() - 1) + "IETH";
    return words + "TH";
}

// The ordinal ending of a number: ST, ND, RD or TH (11 to 13 take TH).
const char* ordinal_ending(long n, bool upper) {
    long last2 = (n < 0 ? -n : n) % 100;
    int k = last2 >= 11 && last2 <= 13 ? 3 : last2 % 10 == 1 ? 0 : last2 % 10 == 2 ? 1 : last2 % 10 == 3 ? 2 : 3;
    static const char* const kUpper[] = {"ST", "ND", "RD", "TH"};
    static const char* const kLower[] = {"st", "nd", "rd", "th"};
    return upper ? kUpper[k] : kLower[k];
}

// Upper-case words in the element's case: 0 as they are, 1 each word capitalised
// ("Twenty-First"), 2 lower case.
std::string words_in_case(std::string w, std::uint8_t name_case) {
    bool start = true;
    for (char& c : w) {
        bool letter = c >= 'A' && c <= 'Z';
        if (letter && (name_case == 2 || (name_case == 1 && !start))) c = static_cast<char>(c - 'A' + 'a');
        start = !letter;
    }
    return w;
}

}  // namespace

std::size_t date_format(const DateValue& d, const DateMask& mask, char* buf, std::size_t size) {
    std::size_t pos = 0;
    bool fm = false;
    int weekday = date_weekday(d);
    for (const DateMaskItem& it : mask.items) {
        bool pad = !fm;
        if (it.suffix == DateSuffix::Sp || it.suffix == DateSuffix::SpTh) {
            std::string w = spelled(element_number(d, it.element));
            if (it.suffix == DateSuffix::SpTh) w = spelled_ordinal(w);
            w = words_in_case(w, it.name_case);
            put(buf, size, &pos, w.data(), w.size());
            continue;
        }
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
        case DateElement::Quarter:
        case DateElement::WeekOfMonth:
            put_num(buf, size, &pos, element_number(d, it.element), 1, true);
            break;
        case DateElement::WeekOfYear:
        case DateElement::IsoWeek:
        case DateElement::Century:
            put2(buf, size, &pos, static_cast<int>(element_number(d, it.element)), pad);
            break;
        case DateElement::IsoYear:
            put_num(buf, size, &pos, element_number(d, it.element), 4, pad);
            break;
        case DateElement::SecondsOfDay:
            put_num(buf, size, &pos, element_number(d, it.element), 5, pad);
            break;
        case DateElement::SignedYear:
            put(buf, size, &pos, " ", 1);
            put_num(buf, size, &pos, d.year, 4, pad);
            break;
        case DateElement::RomanMonth: {
            static const char* const kRoman[] = {"I",   "II",   "III", "IV", "V",  "VI",
                                                 "VII", "VIII", "IX",  "X",  "XI", "XII"};
            const char* roman = kRoman[d.month - 1];
            char tmp[8];
            std::size_t n = 0;
            for (; roman[n]; ++n) tmp[n] = it.name_case == 2 ? static_cast<char>(roman[n] - 'A' + 'a') : roman[n];
            while (pad && n < 4) tmp[n++] = ' ';
            put(buf, size, &pos, tmp, n);
            break;
        }
        case DateElement::Era:
            put(buf, size, &pos, it.name_case == 2 ? "ad" : "AD", 2);
            break;
        case DateElement::EraDots:
            put(buf, size, &pos, it.name_case == 2 ? "a.d." : "A.D.", 4);
            break;
        }
        if (it.suffix == DateSuffix::Th) {
            const char* ending = ordinal_ending(element_number(d, it.element), it.suffix_upper);
            put(buf, size, &pos, ending, 2);
        }
    }
    if (size > 0) buf[pos < size ? pos : size - 1] = 0;
    return pos;
}

std::size_t date_format(const DateValue& d, const std::string& mask, char* buf, std::size_t size) {
    return date_format(d, date_mask_compile(mask), buf, size);
}
