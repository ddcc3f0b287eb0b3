// Decimal arithmetic on a 128-bit coefficient and a power of ten. Every operation keeps at
// most 38 significant digits, rounding half away from zero as Oracle's NUMBER does.
#include "values/decimal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using u128 = DecimalCoef;

// 10^0 .. 10^38.
struct Powers {
    u128 p[39];
    Powers() {
        p[0] = 1;
        for (int i = 1; i < 39; ++i) p[i] = p[i - 1] * 10;
    }
};
const Powers kPowers;

u128 pow10(int n) {
    return kPowers.p[n];
}

int digit_count(u128 v) {
    int n = 1;
    while (n < 39 && v >= pow10(n)) ++n;
    return n;
}

// Drops trailing zero digits into the exponent and gives zero one form.
Decimal normal(Decimal d) {
    if (d.coef == 0) return Decimal{};
    while (d.coef % 10 == 0) {
        d.coef /= 10;
        ++d.exp;
    }
    return d;
}

// coef / 10^k rounded half up (the sign is kept apart, so this is half away from zero).
u128 shift_down(u128 coef, int k) {
    if (k <= 0) return coef;
    if (k > 38) return 0;
    u128 p = pow10(k);
    u128 q = coef / p, r = coef % p;
    if (r >= p / 2) ++q;
    return q;
}

// At most digits significant digits, rounded.
Decimal limit(Decimal d, int digits) {
    int n = digit_count(d.coef);
    if (n <= digits) return d;
    d.coef = shift_down(d.coef, n - digits);
    d.exp += n - digits;
    if (d.coef >= pow10(digits)) {  // rounding carried into a new digit: 99.9 -> 100
        d.coef /= 10;
        ++d.exp;
    }
    return d;
}

// |a| + |b| or |a| - |b| (a's magnitude at least b's for a difference) at the exponent
// both are brought to.
Decimal add_magnitudes(Decimal a, Decimal b, bool subtract) {
    int top = std::max(a.exp + digit_count(a.coef), b.exp + digit_count(b.coef));
    int e = std::min(a.exp, b.exp);
    // Both coefficients stay below 10^38, so their sum (below 2 * 10^38) fits 128 bits.
    if (top - e > kDecimalDigits) e = top - kDecimalDigits;
    auto at = [e](const Decimal& x) { return x.exp >= e ? x.coef * pow10(x.exp - e) : shift_down(x.coef, e - x.exp); };
    u128 x = at(a), y = at(b);
    Decimal r;
    r.exp = e;
    if (!subtract) {
        r.coef = x + y;
        r.negative = a.negative;
    } else if (x >= y) {
        r.coef = x - y;
        r.negative = a.negative;
    } else {
        r.coef = y - x;
        r.negative = !a.negative;
    }
    return normal(limit(r, kDecimalDigits));
}

int compare_magnitudes(const Decimal& a, const Decimal& b) {
    if (a.coef == 0 || b.coef == 0) return (a.coef != 0) - (b.coef != 0);
    int ma = a.exp + digit_count(a.coef), mb = b.exp + digit_count(b.coef);
    if (ma != mb) return ma < mb ? -1 : 1;
    // Same leading position: compare the coefficients at the smaller exponent.
    int e = std::min(a.exp, b.exp);
    u128 x = a.coef * pow10(a.exp - e), y = b.coef * pow10(b.exp - e);
    return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace

Decimal decimal_of_int(std::int64_t v) {
    Decimal d;
    d.negative = v < 0;
    d.coef = v < 0 ? static_cast<u128>(0 - static_cast<std::uint64_t>(v)) : static_cast<u128>(v);
    return normal(d);
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
    Decimal d;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    int fraction = 0;
    bool after_point = false;
    for (; *p && *p != 'e'; ++p) {
        if (*p == '.') {
            after_point = true;
            continue;
        }
        d.coef = d.coef * 10 + static_cast<unsigned>(*p - '0');
        if (after_point) ++fraction;
    }
    int e = *p == 'e' ? std::atoi(p + 1) : 0;
    d.exp = e - fraction;
    *out = normal(d);
    return true;
}

Decimal decimal_negate(Decimal a) {
    if (a.coef != 0) a.negative = !a.negative;
    return a;
}

Decimal decimal_add(const Decimal& a, const Decimal& b) {
    if (a.coef == 0) return b;
    if (b.coef == 0) return a;
    if (a.negative == b.negative) return add_magnitudes(a, b, false);
    // Opposite signs: the larger magnitude minus the smaller, with the larger's sign.
    return compare_magnitudes(a, b) >= 0 ? add_magnitudes(a, b, true) : add_magnitudes(b, a, true);
}

Decimal decimal_sub(const Decimal& a, const Decimal& b) {
    return decimal_add(a, decimal_negate(b));
}

Decimal decimal_mul(const Decimal& a, const Decimal& b) {
    if (a.coef == 0 || b.coef == 0) return Decimal{};
    // 19 digits each keep the product below 10^38, inside 128 bits.
    Decimal x = limit(a, 19), y = limit(b, 19);
    Decimal r;
    r.negative = a.negative != b.negative;
    r.coef = x.coef * y.coef;
    r.exp = x.exp + y.exp;
    return normal(r);
}

bool decimal_div(const Decimal& a, const Decimal& b, Decimal* out) {
    if (b.coef == 0) return false;
    if (a.coef == 0) {
        *out = Decimal{};
        return true;
    }
    Decimal y = limit(b, 19);
    u128 q = a.coef / y.coef, r = a.coef % y.coef;
    int e = a.exp - y.exp;
    // Long division, one digit at a time, until the quotient has 38 digits: the remainder
    // stays below the divisor (under 10^19), so r * 10 never overflows.
    while (r != 0 && q < pow10(kDecimalDigits - 1)) {
        r *= 10;
        q = q * 10 + r / y.coef;
        r %= y.coef;
        --e;
    }
    if (r != 0 && r * 2 >= y.coef) ++q;
    Decimal d;
    d.negative = a.negative != b.negative;
    d.coef = q;
    d.exp = e;
    *out = normal(limit(d, kDecimalDigits));
    return true;
}

Decimal decimal_round(const Decimal& a, int places) {
    if (a.exp >= -places) return a;
    Decimal d = a;
    d.coef = shift_down(a.coef, -places - a.exp);
    d.exp = -places;
    return normal(d);
}

Decimal decimal_trunc(const Decimal& a, int places) {
    if (a.exp >= -places) return a;
    int k = -places - a.exp;
    Decimal d = a;
    d.coef = k > 38 ? 0 : a.coef / pow10(k);
    d.exp = -places;
    return normal(d);
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
    int m = compare_magnitudes(a, b);
    return an ? -m : m;
}

bool decimal_is_zero(const Decimal& a) {
    return a.coef == 0;
}

bool decimal_is_integer(const Decimal& a) {
    return normal(a).exp >= 0;
}

int decimal_magnitude(const Decimal& a) {
    return a.coef == 0 ? 0 : a.exp + digit_count(a.coef) - 1;
}

bool decimal_to_int64(const Decimal& a, std::int64_t* out) {
    Decimal d = normal(a);
    if (d.coef == 0) {
        *out = 0;
        return true;
    }
    if (d.exp < 0 || digit_count(d.coef) + d.exp > 19) return false;
    u128 v = d.coef * pow10(d.exp);
    u128 max = static_cast<u128>(INT64_MAX);
    if (v > max + (d.negative ? 1 : 0)) return false;
    *out = d.negative ? static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(v)) : static_cast<std::int64_t>(v);
    return true;
}

double decimal_to_double(const Decimal& a) {
    char buf[64];
    int n = 0;
    if (a.negative && a.coef != 0) buf[n++] = '-';
    char digits[40];
    int nd = 0;
    u128 c = a.coef;
    do {
        digits[nd++] = static_cast<char>('0' + static_cast<int>(c % 10));
        c /= 10;
    } while (c);
    while (nd) buf[n++] = digits[--nd];
    n += std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), "e%d", a.exp);
    double v = 0;
    std::from_chars(buf, buf + n, v);
    // from_chars leaves v alone on overflow and underflow: the caller checks the range first.
    return v;
}

bool decimal_parse(const char* text, std::size_t len, Decimal* out) {
    std::size_t i = 0;
    while (i < len && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    while (len > i && (text[len - 1] == ' ' || text[len - 1] == '\t' || text[len - 1] == '\n' || text[len - 1] == '\r'))
        --len;
    Decimal d;
    if (i < len && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
    bool digits = false, point = false;
    int dropped = 0;   // digits past the 38th, before the point (each one raises the exponent)
    int fraction = 0;  // digits kept after the point
    bool round_up = false, rounding_seen = false;
    for (; i < len; ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (d.coef == 0 && c == '0') {
                if (point) ++fraction;
                continue;
            }
            if (digit_count(d.coef) < kDecimalDigits || d.coef == 0) {
                d.coef = d.coef * 10 + static_cast<unsigned>(c - '0');
                if (point) ++fraction;
            } else {
                if (!rounding_seen) {
                    round_up = c >= '5';
                    rounding_seen = true;
                }
                if (!point) ++dropped;
            }
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return false;
    int e = 0;
    if (i < len && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool neg = false;
        if (i < len && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
        if (i == len) return false;
        long v = 0;
        for (; i < len && text[i] >= '0' && text[i] <= '9'; ++i)
            if (v < 100000) v = v * 10 + (text[i] - '0');
        e = static_cast<int>(neg ? -v : v);
    }
    if (i != len) return false;
    d.exp = e + dropped - fraction;
    if (round_up) {
        ++d.coef;
        d = limit(d, kDecimalDigits);
    }
    *out = normal(d);
    return true;
}

std::string decimal_fixed_text(const Decimal& a, int places) {
    if (places < 0) places = 0;
    const Decimal r = decimal_round(a, places);
    std::string digits;
    for (u128 c = r.coef; c != 0; c /= 10)
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(c % 10)));
    if (digits.empty()) digits = "0";
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
