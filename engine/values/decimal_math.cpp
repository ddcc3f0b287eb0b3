// The transcendental functions of NUMBER values (POWER, SQRT, EXP, LN, LOG and the
// trigonometric and hyperbolic functions) in decimal floating point carried well past
// NUMBER's precision, each result rounded once to 20 base-100 digits, so that SQRT(2) has
// 39 correct digits and POWER(1.1, 2) is exactly 1.21. BINARY_DOUBLE arguments do not come
// here: they stay in binary.
#include "values/decimal.h"

#include <boost/multiprecision/cpp_dec_float.hpp>

#include <cmath>
#include <string>

namespace {

// Working precision: 20 digits beyond NUMBER's, so that the one final rounding sees the
// result's 40 leading digits correct.
using MathFloat = boost::multiprecision::number<boost::multiprecision::cpp_dec_float<60>>;
// Argument reduction of the periodic functions: a NUMBER may reach 1E125, whose remainder
// by 2 pi needs that many digits more.
using MathWideFloat = boost::multiprecision::number<boost::multiprecision::cpp_dec_float<200>>;

std::string decmath_text(const Decimal& d) {
    std::string s = d.negative ? "-" : "";
    s += d.coef.str();
    s += "e" + std::to_string(d.exp);
    return s;
}

template <class F>
F decmath_float(const Decimal& d) {
    return F(decmath_text(d));
}

// The float rounded to NUMBER's precision; 1426 when it is beyond NUMBER's range (values
// too small for it are zero).
int decmath_result(const MathFloat& f, Decimal* out) {
    using F = MathFloat;
    using boost::multiprecision::isfinite;
    if (!isfinite(f)) return 1426;
    if (f == 0) {
        *out = Decimal{};
        return 0;
    }
    if (boost::multiprecision::abs(f) >= F("1e126")) return 1426;
    if (boost::multiprecision::abs(f) < F("1e-131")) {
        *out = Decimal{};
        return 0;
    }
    const std::string s = f.str(kDecimalDigits + 15, std::ios_base::scientific);
    if (!decimal_parse(s.c_str(), s.size(), out)) return 1426;
    *out = decimal_number_round(*out);
    return 0;
}

// The power of ten of d's leading digit as a double, for range estimates.
double decmath_log10(const Decimal& d) {
    return std::log10(std::fabs(decimal_to_double(d)));
}

bool decmath_odd(const Decimal& whole) {
    Decimal half;
    decimal_div(whole, decimal_of_int(2), &half);
    return !decimal_is_integer(half);
}

// x reduced by whole turns of 2 pi when it is large, for SIN, COS and TAN.
MathFloat decmath_reduced(const Decimal& x) {
    if (decimal_magnitude(x) < 2) return decmath_float<MathFloat>(x);
    static const MathWideFloat two_pi = boost::multiprecision::atan(MathWideFloat(1)) * 8;
    const MathWideFloat wide = decmath_float<MathWideFloat>(x);
    return MathFloat(wide - two_pi * boost::multiprecision::floor(wide / two_pi));
}

}  // namespace

int decimal_function(DecimalFunction f, const Decimal& x, Decimal* out) {
    namespace mp = boost::multiprecision;
    switch (f) {
    case DecimalFunction::Sqrt:
        if (x.negative && !decimal_is_zero(x)) return 1428;
        return decmath_result(mp::sqrt(decmath_float<MathFloat>(x)), out);
    case DecimalFunction::Exp:
        // e^300 is beyond NUMBER's range and e^-310 below its smallest value.
        if (decimal_compare(x, decimal_of_int(300)) > 0) return 1426;
        if (decimal_compare(x, decimal_of_int(-310)) < 0) return *out = Decimal{}, 0;
        return decmath_result(mp::exp(decmath_float<MathFloat>(x)), out);
    case DecimalFunction::Ln:
        if (x.negative || decimal_is_zero(x)) return 1428;
        return decmath_result(mp::log(decmath_float<MathFloat>(x)), out);
    case DecimalFunction::Sin:
        return decmath_result(mp::sin(decmath_reduced(x)), out);
    case DecimalFunction::Cos:
        return decmath_result(mp::cos(decmath_reduced(x)), out);
    case DecimalFunction::Tan:
        return decmath_result(mp::tan(decmath_reduced(x)), out);
    case DecimalFunction::Asin:
    case DecimalFunction::Acos: {
        Decimal a = x;
        a.negative = false;
        if (decimal_compare(a, decimal_of_int(1)) > 0) return 1428;
        const MathFloat v = decmath_float<MathFloat>(x);
        return decmath_result(f == DecimalFunction::Asin ? MathFloat(mp::asin(v)) : MathFloat(mp::acos(v)), out);
    }
    case DecimalFunction::Atan:
        return decmath_result(mp::atan(decmath_float<MathFloat>(x)), out);
    case DecimalFunction::Sinh:
    case DecimalFunction::Cosh:
    case DecimalFunction::Tanh: {
        if (f != DecimalFunction::Tanh && decimal_compare(x.negative ? decimal_negate(x) : x, decimal_of_int(300)) > 0)
            return 1426;
        if (f == DecimalFunction::Tanh && decimal_magnitude(x) >= 3)
            return *out = decimal_of_int(x.negative ? -1 : 1), 0;
        const MathFloat v = decmath_float<MathFloat>(x);
        const MathFloat r = f == DecimalFunction::Sinh   ? MathFloat(mp::sinh(v))
                            : f == DecimalFunction::Cosh ? MathFloat(mp::cosh(v))
                                                         : MathFloat(mp::tanh(v));
        return decmath_result(r, out);
    }
    }
    return 1428;
}

int decimal_power(const Decimal& x, const Decimal& y, Decimal* out) {
    namespace mp = boost::multiprecision;
    const bool whole = decimal_is_integer(y);
    if (x.negative && !decimal_is_zero(x) && !whole) return 1428;
    if (decimal_is_zero(y)) return *out = decimal_of_int(1), 0;
    if (decimal_is_zero(x)) return y.negative ? 1426 : (*out = Decimal{}, 0);
    Decimal base = x;
    base.negative = false;
    const bool negate = x.negative && decmath_odd(y);
    if (decimal_compare(base, decimal_of_int(1)) == 0) return *out = decimal_of_int(negate ? -1 : 1), 0;
    // The result's power of ten, estimated: beyond NUMBER's range either way ends here.
    const double scale = decimal_to_double(y) * decmath_log10(base);
    if (scale > 127) return 1426;
    if (scale < -132) return *out = Decimal{}, 0;
    std::int64_t n = 0;
    MathFloat r;
    if (whole && decimal_to_int64(y, &n)) {
        // Whole powers by squaring: exact while the result has no more digits than the
        // working precision (POWER(2, 100), POWER(1.1, 2)).
        MathFloat b = decmath_float<MathFloat>(base);
        std::uint64_t k = static_cast<std::uint64_t>(n < 0 ? -n : n);
        r = 1;
        while (k) {
            if (k & 1) r *= b;
            k >>= 1;
            if (k) b *= b;
        }
        if (n < 0) r = MathFloat(1) / r;
    } else {
        r = mp::exp(decmath_float<MathFloat>(y) * mp::log(decmath_float<MathFloat>(base)));
    }
    if (negate) r = -r;
    return decmath_result(r, out);
}

int decimal_log(const Decimal& base, const Decimal& x, Decimal* out) {
    if (base.negative || decimal_is_zero(base) || decimal_compare(base, decimal_of_int(1)) == 0) return 1428;
    if (x.negative || decimal_is_zero(x)) return 1428;
    namespace mp = boost::multiprecision;
    return decmath_result(mp::log(decmath_float<MathFloat>(x)) / mp::log(decmath_float<MathFloat>(base)), out);
}

int decimal_atan2(const Decimal& y, const Decimal& x, Decimal* out) {
    if (decimal_is_zero(x) && decimal_is_zero(y)) return 1426;
    namespace mp = boost::multiprecision;
    return decmath_result(mp::atan2(decmath_float<MathFloat>(y), decmath_float<MathFloat>(x)), out);
}
