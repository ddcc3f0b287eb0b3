// Decimal arithmetic for Oracle numbers. A NUMBER keeps 20 base-100 digits (39 or 40
// significant decimal digits); computing on doubles in binary would give binary answers
// (0.1 + 0.2 is not 0.3), so arithmetic reads each operand as its decimal, computes in
// decimal and rounds every result half away from zero to NUMBER's precision.
#pragma once

#include <boost/multiprecision/cpp_int.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

// A fixed-width unsigned integer wide enough for 41 decimal digits (a rounded result can
// carry into one more digit before its trailing zeros are dropped).
typedef boost::multiprecision::uint256_t DecimalCoef;

struct Decimal {
    bool negative = false;
    DecimalCoef coef = 0;  // below 10^41
    int exp = 0;           // the value is coef * 10^exp
};

// The most significant decimal digits a result keeps (40 when the leading base-100 digit
// has two decimal digits, 39 when it has one).
constexpr int kDecimalDigits = 40;

Decimal decimal_of_int(std::int64_t v);
// The decimal a double stands for: its shortest text that reads back as the same double.
// false for NaN and infinities.
bool decimal_of_double(double v, Decimal* out);

Decimal decimal_negate(Decimal a);
// Sums, differences, products and quotients are rounded to NUMBER's precision.
Decimal decimal_add(const Decimal& a, const Decimal& b);
Decimal decimal_sub(const Decimal& a, const Decimal& b);
Decimal decimal_mul(const Decimal& a, const Decimal& b);
// a / b rounded to NUMBER's precision; false when b is zero.
bool decimal_div(const Decimal& a, const Decimal& b, Decimal* out);
// a rounded half away from zero to NUMBER's precision: 20 base-100 digits from the leading
// one (the value's own digits when it has no more).
Decimal decimal_number_round(const Decimal& a);
// a rounded half away from zero (or cut, for trunc) to places decimals; places may be
// negative (ROUND(1234, -2) is 1200).
Decimal decimal_round(const Decimal& a, int places);
Decimal decimal_trunc(const Decimal& a, int places);
// The integer at or below a (floor) or at or above it (ceil).
Decimal decimal_floor(const Decimal& a);
Decimal decimal_ceil(const Decimal& a);
// The functions of one NUMBER computed past NUMBER's precision and rounded to it
// (values/decimal_math.cpp). Each returns 0 with *out set, else the Oracle error: 1428
// for an argument outside the function's domain (SQRT of a negative, LN of zero, ASIN
// beyond 1), 1426 for a result beyond NUMBER's range.
enum class DecimalFunction { Sqrt, Exp, Ln, Sin, Cos, Tan, Asin, Acos, Atan, Sinh, Cosh, Tanh };
int decimal_function(DecimalFunction f, const Decimal& x, Decimal* out);
// x to the power y: whole powers exact within the working precision; a negative x takes
// whole powers only (1428); zero to a negative power is 1426.
int decimal_power(const Decimal& x, const Decimal& y, Decimal* out);
// The logarithm of x to base (1428 unless base is positive and not 1 and x positive).
int decimal_log(const Decimal& base, const Decimal& x, Decimal* out);
// The angle of the point (x, y); 1426 at the origin.
int decimal_atan2(const Decimal& y, const Decimal& x, Decimal* out);
// -1, 0 or 1 as a is below, equal to or above b.
int decimal_compare(const Decimal& a, const Decimal& b);

bool decimal_is_zero(const Decimal& a);
bool decimal_is_integer(const Decimal& a);
// The power of ten of the leading digit: 2 for 123.4, -1 for 0.5; 0 for zero.
int decimal_magnitude(const Decimal& a);
// The significant decimal digits of a (0 for zero).
int decimal_digit_count(const Decimal& a);
// a as a 64-bit integer when it is a whole number in range.
bool decimal_to_int64(const Decimal& a, std::int64_t* out);
// The double nearest to a.
double decimal_to_double(const Decimal& a);
// Number text ([+-]digits[.digits][E[+-]digits], blanks around it allowed) read exactly to
// NUMBER's precision (rounded beyond); false when it is no number.
bool decimal_parse(const char* text, std::size_t len, Decimal* out);
// |a| rounded half away from zero to places decimals, as plain digits with exactly that
// many after the point ("0.13" for 0.125 and 2; "3" for 2.5 and 0).
std::string decimal_fixed_text(const Decimal& a, int places);
// Oracle's text for a (1.5, .5, -.5, 100, .3333333333333333333333333333333333333333,
// 1.2345678901234567890123E+50): plain while it needs at most 40 digits, else scientific.
std::string decimal_number_text(const Decimal& a);
// Oracle's text for a in at most width characters, for a text buffer too small for the
// whole number: a rounded to as many significant digits as fit, plain or in scientific
// notation (1.2345E+39), whichever keeps more digits. false when not even one digit fits.
bool decimal_number_text_within(const Decimal& a, std::size_t width, std::string* out);
