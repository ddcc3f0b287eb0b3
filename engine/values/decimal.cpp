// Decimal arithmetic on a wide coefficient and a power of ten. Intermediate results are
// computed exactly, or to well past NUMBER's precision with a sticky digit standing for
// what was cut, so that the one final rounding (half away from zero, to 20 base-100
// digits) is the rounding of the exact result.
#include "values/decimal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Intermediate coefficients: products of two 41-digit coefficients and quotients and
// sums kept to 86 digits.
using Wide = boost::multiprecision::uint512_t;

// Digits an intermediate keeps below the leading one before the rest becomes sticky.
constexpr int kWorkDigits = 84;
constexpr int kMaxPow = 154;  // 10^154 is the largest power of ten in 512 bits

struct DecimalPowers {
    Wide p[kMaxPow + 1];
    DecimalPowers() {
        p[0] = 1;
        for (int i = 1; i <= kMaxPow; ++i) p[i] = p[i - 1] * 10;
    }
};
const DecimalPowers& decimal_powers() {
    static const DecimalPowers powers;
    return powers;
}

const Wide& dec_pow10(int n) {
    return decimal_powers().p[n];
}

int dec_digits(const Wide& v) {
    int n = 1;
    while (n <= kMaxPow && v >= dec_pow10(n)) ++n;
    return n;
}

int dec_digits(const DecimalCoef& v) {
    return dec_digits(Wide(v));
}

int floor_div2(int m) {
    return m >= 0 ? m / 2 : -((1 - m) / 2);
}

// coef / 10^k rounded half up (the sign is kept apart, so this is half away from zero).
Wide dec_shift_down(const Wide& coef, int k) {
    if (k <= 0) return coef;
    if (k > kMaxPow) return 0;
    const Wide& p = dec_pow10(k);
    Wide q = coef / p, r = coef % p;
    if (r * 2 >= p) ++q;
    return q;
}

// The decimal neg * coef * 10^exp: trailing zeros dropped, rounded to NUMBER's precision.
// coef has at most kWorkDigits + 2 digits.
Decimal dec_finish(bool neg, Wide coef, int exp) {
    if (coef == 0) return Decimal{};
    int n = dec_digits(coef);
    int m = exp + n - 1;
    int lowest = 2 * floor_div2(m) - 38;  // the last decimal place of the 20th base-100 digit
    if (exp < lowest) {
        coef = dec_shift_down(coef, lowest - exp);
        exp = lowest;
    }
    while (coef % 10 == 0) {
        coef /= 10;
        ++exp;
    }
    Decimal d;
    d.negative = neg;
    d.coef = static_cast<DecimalCoef>(coef);
    d.exp = exp;
    return d;
}

// |a| + |b| or |a| - |b| (a's magnitude at least b's for a difference).
Decimal dec_add_magnitudes(const Decimal& a, const Decimal& b, bool subtract) {
    int top = std::max(a.exp + dec_digits(a.coef), b.exp + dec_digits(b.coef));
    int e = std::min(a.exp, b.exp);
    bool cut = top - e > kWorkDigits;
    if (cut) e = top - kWorkDigits;
    // One more digit below e holds the sticky unit of a cut operand.
    auto at = [e, cut](const Decimal& x) -> Wide {
        Wide c(x.coef);
        if (!cut) return c * dec_pow10(x.exp - e);
        if (x.exp >= e) return c * dec_pow10(x.exp - e + 1);
        int k = e - x.exp;
        if (k > kMaxPow) return c != 0 ? 1 : 0;
        const Wide& p = dec_pow10(k);
        return (c / p) * 10 + (c % p != 0 ? 1 : 0);
    };
    Wide x = at(a), y = at(b);
    int exp = cut ? e - 1 : e;
    if (!subtract) return dec_finish(a.negative, x + y, exp);
    if (x >= y) return dec_finish(a.negative, x - y, exp);
    return dec_finish(!a.negative, y - x, exp);
}

int dec_compare_magnitudes(const Decimal& a, const Decimal& b) {
    if (a.coef == 0 || b.coef == 0) return (a.coef != 0) - (b.coef != 0);
    int ma = a.exp + dec_digits(a.coef), mb = b.exp + dec_digits(b.coef);
    if (ma != mb) return ma < mb ? -1 : 1;
    // Same leading position: compare the coefficients at the smaller exponent (both have
    // at most 41 digits, so the scaled ones stay within 82).
    int e = std::min(a.exp, b.exp);
    Wide x = Wide(a.coef) * dec_pow10(a.exp - e), y = Wide(b.coef) * dec_pow10(b.exp - e);
    return x < y ? -1 : (x > y ? 1 : 0);
}

std::string dec_coef_digits(const DecimalCoef& c) {
    return c.str();
}

}  // namespace

Decimal decimal_of_int(std::int64_t v) {
    std::uint64_t u = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    return dec_finish(v < 0, Wide(u), 0);
}

bool decimal_of_double(double v, Decimal* out) {
    if (v != v || v - v != 0) return false;
    *out = Decimal{};
    if (v == 0) return true;
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    if (r.ec != std::errc()) return false;
    *r.ptr = 0;
    // [-]d[.ddd]e[+-]xx
    const char* p = buf;
    bool neg = false;
    if (*p == '-') {
        neg = true;
        ++p;
    }
    std::uint64_t coef = 0;
    int fraction = 0;
    bool after_point = false;
    for (; *p && *p != 'e'; ++p) {
        if (*p == '.') {
            after_point = true;
            continue;
        }
        coef = coef * 10 + static_cast<unsigned>(*p - '0');
        if (after_point) ++fraction;
    }
    int e = *p == 'e' ? std::atoi(p + 1) : 0;
    Decimal d;
    d.negative = neg;
    d.coef = coef;
    d.exp = e - fraction;
    while (d.coef % 10 == 0) {
        d.coef /= 10;
        ++d.exp;
    }
    *out = d;
    return true;
}

Decimal decimal_negate(Decimal a) {
    if (a.coef != 0) a.negative = !a.negative;
    return a;
}

Decimal decimal_add(const Decimal& a, const Decimal& b) {
    if (a.coef == 0) return decimal_number_round(b);
    if (b.coef == 0) return decimal_number_round(a);
    if (a.negative == b.negative) return dec_add_magnitudes(a, b, false);
    // Opposite signs: the larger magnitude minus the smaller, with the larger's sign.
    return dec_compare_magnitudes(a, b) >= 0 ? dec_add_magnitudes(a, b, true) : dec_add_magnitudes(b, a, true);
}

Decimal decimal_sub(const Decimal& a, const Decimal& b) {
    return decimal_add(a, decimal_negate(b));
}

Decimal decimal_mul(const Decimal& a, const Decimal& b) {
    if (a.coef == 0 || b.coef == 0) return Decimal{};
    // Two coefficients of at most 41 digits: the exact product fits the wide type.
    return dec_finish(a.negative != b.negative, Wide(a.coef) * Wide(b.coef), a.exp + b.exp);
}

bool decimal_div(const Decimal& a, const Decimal& b, Decimal* out) {
    if (b.coef == 0) return false;
    if (a.coef == 0) {
        *out = Decimal{};
        return true;
    }
    // Scale the dividend so the quotient has at least 44 digits, then keep a sticky digit
    // for a nonzero remainder: the final rounding sees the exact quotient's side of half.
    int k = std::max(0, 44 + dec_digits(b.coef) - dec_digits(a.coef));
    Wide num = Wide(a.coef) * dec_pow10(k), den(b.coef);
    Wide q = num / den, r = num % den;
    q = q * 10 + (r != 0 ? 1 : 0);
    *out = dec_finish(a.negative != b.negative, q, a.exp - k - b.exp - 1);
    return true;
}

Decimal decimal_number_round(const Decimal& a) {
    return dec_finish(a.negative, Wide(a.coef), a.exp);
}

Decimal decimal_round(const Decimal& a, int places) {
    if (a.exp >= -places) return a;
    Wide c = dec_shift_down(Wide(a.coef), -places - a.exp);
    return dec_finish(a.negative, c, -places);
}

Decimal decimal_trunc(const Decimal& a, int places) {
    if (a.exp >= -places) return a;
    int k = -places - a.exp;
    Wide c = k > kMaxPow ? Wide(0) : Wide(a.coef) / dec_pow10(k);
    return dec_finish(a.negative, c, -places);
}

Decimal decimal_floor(const Decimal& a) {
    Decimal t = decimal_trunc(a, 0);
    if (a.negative && decimal_compare(t, a) != 0) t = decimal_sub(t, decimal_of_int(1));
    return t;
}

Decimal decimal_ceil(const Decimal& a) {
    Decimal t = decimal_trunc(a, 0);
    if (!a.negative && decimal_compare(t, a) != 0) t = decimal_add(t, decimal_of_int(1));
    return t;
}

int decimal_compare(const Decimal& a, const Decimal& b) {
    bool an = a.negative && a.coef != 0, bn = b.negative && b.coef != 0;
    if (an != bn) return an ? -1 : 1;
    int m = dec_compare_magnitudes(a, b);
    return an ? -m : m;
}

bool decimal_is_zero(const Decimal& a) {
    return a.coef == 0;
}

bool decimal_is_integer(const Decimal& a) {
    if (a.coef == 0 || a.exp >= 0) return true;
    int k = -a.exp;
    return k <= kMaxPow && Wide(a.coef) % dec_pow10(k) == 0;
}

int decimal_magnitude(const Decimal& a) {
    return a.coef == 0 ? 0 : a.exp + dec_digits(a.coef) - 1;
}

int decimal_digit_count(const Decimal& a) {
    if (a.coef == 0) return 0;
    DecimalCoef c = a.coef;
    int n = dec_digits(c);
    while (c % 10 == 0) {
        c /= 10;
        --n;
    }
    return n;
}

bool decimal_to_int64(const Decimal& a, std::int64_t* out) {
    if (a.coef == 0) {
        *out = 0;
        return true;
    }
    if (!decimal_is_integer(a)) return false;
    Wide v(a.coef);
    if (a.exp < 0) {
        v /= dec_pow10(-a.exp);
    } else {
        if (dec_digits(v) + a.exp > 19) return false;
        v *= dec_pow10(a.exp);
    }
    const Wide max(static_cast<std::uint64_t>(INT64_MAX));
    if (v > max + (a.negative ? 1 : 0)) return false;
    std::uint64_t u = static_cast<std::uint64_t>(v);
    *out = a.negative ? static_cast<std::int64_t>(0 - u) : static_cast<std::int64_t>(u);
    return true;
}

double decimal_to_double(const Decimal& a) {
    std::string t;
    if (a.negative && a.coef != 0) t += '-';
    t += dec_coef_digits(a.coef);
    char e[16];
    std::snprintf(e, sizeof e, "e%d", a.exp);
    t += e;
    double v = 0;
    std::from_chars(t.data(), t.data() + t.size(), v);
    // from_chars leaves v alone on overflow and underflow: the caller checks the range first.
    return v;
}

bool decimal_parse(const char* text, std::size_t len, Decimal* out) {
    std::size_t i = 0;
    while (i < len && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    while (len > i && (text[len - 1] == ' ' || text[len - 1] == '\t' || text[len - 1] == '\n' || text[len - 1] == '\r'))
        --len;
    bool neg = false;
    if (i < len && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
    // The first kWorkDigits significant digits are kept; later ones only say whether
    // anything nonzero followed (a sticky unit one place below).
    Wide coef = 0;
    int kept = 0;
    bool digits = false, point = false, sticky = false;
    int dropped = 0;   // digits past the kept ones, before the point (each one raises the exponent)
    int fraction = 0;  // digits kept after the point
    for (; i < len; ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (kept == 0 && c == '0') {
                if (point) ++fraction;
                continue;
            }
            if (kept < kWorkDigits) {
                coef = coef * 10 + static_cast<unsigned>(c - '0');
                ++kept;
                if (point) ++fraction;
            } else {
                if (c != '0') sticky = true;
                if (!point) ++dropped;
            }
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return false;
    long e = 0;
    if (i < len && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool eneg = false;
        if (i < len && (text[i] == '+' || text[i] == '-')) eneg = text[i++] == '-';
        if (i == len) return false;
        for (; i < len && text[i] >= '0' && text[i] <= '9'; ++i)
            if (e < 100000) e = e * 10 + (text[i] - '0');
        if (eneg) e = -e;
    }
    if (i != len) return false;
    int exp = static_cast<int>(e) + dropped - fraction;
    if (sticky) {
        coef = coef * 10 + 1;
        --exp;
    }
    *out = dec_finish(neg, coef, exp);
    return true;
}

std::string decimal_fixed_text(const Decimal& a, int places) {
    if (places < 0) places = 0;
    const Decimal r = decimal_round(a, places);
    std::string digits = r.coef == 0 ? std::string("0") : dec_coef_digits(r.coef);
    std::string whole, fraction;
    if (r.coef == 0 || r.exp >= 0) {
        whole = r.coef == 0 ? "0" : digits + std::string(static_cast<std::size_t>(r.exp), '0');
        fraction.assign(static_cast<std::size_t>(places), '0');
    } else {
        const std::size_t k = static_cast<std::size_t>(-r.exp);  // at most places after rounding
        if (digits.size() <= k) digits.insert(0, k - digits.size() + 1, '0');
        whole = digits.substr(0, digits.size() - k);
        fraction = digits.substr(digits.size() - k) + std::string(static_cast<std::size_t>(places) - k, '0');
    }
    return places > 0 ? whole + "." + fraction : whole;
}

std::string decimal_number_text(const Decimal& a) {
    if (a.coef == 0) return "0";
    std::string digits = dec_coef_digits(a.coef);
    int exp = a.exp;
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        ++exp;
    }
    const int nd = static_cast<int>(digits.size());
    const int int_digits = exp + nd;  // digits before the point (negative: zeros after it)
    std::string out = a.negative ? "-" : "";
    // Digits plain notation needs: the integer part with its zeros, or the zeros after the
    // point and the digits.
    int plain = int_digits >= nd ? int_digits : (int_digits > 0 ? nd : nd - int_digits);
    if (plain <= 40) {
        if (int_digits <= 0) {
            out += '.';
            out.append(static_cast<std::size_t>(-int_digits), '0');
            out += digits;
        } else if (int_digits >= nd) {
            out += digits;
            out.append(static_cast<std::size_t>(int_digits - nd), '0');
        } else {
            out += digits.substr(0, static_cast<std::size_t>(int_digits));
            out += '.';
            out += digits.substr(static_cast<std::size_t>(int_digits));
        }
        return out;
    }
    const int e10 = int_digits - 1;
    out += digits[0];
    out += '.';
    out += nd == 1 ? std::string("0") : digits.substr(1);
    char e[16];
    std::snprintf(e, sizeof e, "E%c%02d", e10 < 0 ? '-' : '+', e10 < 0 ? -e10 : e10);
    out += e;
    return out;
}

namespace {

// a in scientific notation with all its digits: d.dddE+nn.
std::string dec_scientific_text(const Decimal& a) {
    std::string digits = dec_coef_digits(a.coef);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int e10 = decimal_magnitude(a);
    std::string out = a.negative ? "-" : "";
    out += digits[0];
    if (digits.size() > 1) {
        out += '.';
        out += digits.substr(1);
    }
    char e[16];
    std::snprintf(e, sizeof e, "E%c%02d", e10 < 0 ? '-' : '+', e10 < 0 ? -e10 : e10);
    return out + e;
}

// The most significant digits (and the text) with which text_of(a rounded) fits in width;
// 0 when none does.
template <typename TextOf>
int dec_digits_within(const Decimal& a, std::size_t width, TextOf text_of, std::string* out) {
    const int mag = decimal_magnitude(a);
    for (int digits = decimal_digit_count(a); digits >= 1; --digits) {
        std::string t = text_of(decimal_round(a, digits - 1 - mag));
        if (t.size() <= width) {
            *out = t;
            return digits;
        }
    }
    return 0;
}

}  // namespace

bool decimal_number_text_within(const Decimal& a, std::size_t width, std::string* out) {
    std::string text = decimal_number_text(a);
    if (text.size() <= width) {
        *out = text;
        return true;
    }
    std::string plain, scientific;
    const int plain_digits = dec_digits_within(a, width, decimal_number_text, &plain);
    const int scientific_digits = dec_digits_within(a, width, dec_scientific_text, &scientific);
    if (plain_digits == 0 && scientific_digits == 0) return false;
    *out = plain_digits >= scientific_digits ? plain : scientific;
    return true;
}
