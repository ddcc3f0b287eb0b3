// Oracle number text: integers and doubles printed as Oracle prints NUMBER, number text
// parsed, rounded in decimal and counted in significant digits.
#include "values/values.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Appends text to buf at *pos, never past size-1.
void put(char* buf, std::size_t size, std::size_t* pos, const char* text, std::size_t len) {
    for (std::size_t i = 0; i < len && *pos + 1 < size; ++i) buf[(*pos)++] = text[i];
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

std::size_t number_text_binary(double v, bool single, char* buf, std::size_t size) {
    std::string t;
    if (std::isnan(v)) {
        t = "Nan";
    } else if (std::isinf(v)) {
        t = v > 0 ? "Inf" : "-Inf";
    } else if (v == 0) {
        t = "0";
    } else {
        // The fewest significant digits that read back as the same value.
        char digits[40];
        int precision = 1;
        for (; precision < (single ? 9 : 17); ++precision) {
            std::snprintf(digits, sizeof digits, "%.*e", precision - 1, v);
            if (single ? std::strtof(digits, nullptr) == static_cast<float>(v) : std::strtod(digits, nullptr) == v)
                break;
        }
        std::snprintf(digits, sizeof digits, "%.*e", precision - 1, v);
        // digits is [-]d[.ddd]e(+|-)dd: Oracle writes d.d at least and three exponent digits.
        std::string m(digits, std::strchr(digits, 'e'));
        const int exponent = std::atoi(std::strchr(digits, 'e') + 1);
        if (m.find('.') == std::string::npos) m += ".0";
        char e[16];
        std::snprintf(e, sizeof e, "E%c%03d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
        t = m + e;
    }
    if (size == 0) return 0;
    std::size_t n = t.size() < size - 1 ? t.size() : size - 1;
    std::memcpy(buf, t.data(), n);
    buf[n] = '\0';
    return n;
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
