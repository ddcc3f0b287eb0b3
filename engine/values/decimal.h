// Decimal arithmetic for Oracle numbers. The engine keeps a NUMBER as a 64-bit integer or
// as the double whose shortest decimal text is the number (0.1 is the double nearest to
// 0.1). Computing on those doubles in binary gives binary answers (0.1 + 0.2 is not 0.3),
// so arithmetic reads each operand as its decimal, computes in decimal to 38 significant
// digits, and only the result is turned back into an integer or a double.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// GCC's 128-bit integer (also in the MinGW compiler); __extension__ keeps -Wpedantic quiet.
__extension__ typedef unsigned __int128 DecimalCoef;

struct Decimal {
    bool negative = false;
    DecimalCoef coef = 0;  // below 10^38
    int exp = 0;           // the value is coef * 10^exp
};

// The most significant digits a result keeps.
constexpr int kDecimalDigits = 38;

Decimal decimal_of_int(std::int64_t v);
// The decimal a double stands for: its shortest text that reads back as the same double.
// false for NaN and infinities.
bool decimal_of_double(double v, Decimal* out);

Decimal decimal_negate(Decimal a);
Decimal decimal_add(const Decimal& a, const Decimal& b);
Decimal decimal_sub(const Decimal& a, const Decimal& b);
Decimal decimal_mul(const Decimal& a, const Decimal& b);
// a / b rounded to 38 significant digits; false when b is zero.
bool decimal_div(const Decimal& a, const Decimal& b, Decimal* out);
// a rounded half away from zero (or cut, for trunc) to places decimals; places may be
// negative (ROUND(1234, -2) is 1200).
Decimal decimal_round(const Decimal& a, int places);
Decimal decimal_trunc(const Decimal& a, int places);
// The integer at or below a (floor) or at or above it (ceil).
Decimal decimal_floor(const Decimal& a);
Decimal decimal_ceil(const Decimal& a);
// -1, 0 or 1 as a is below, equal to or above b.
int decimal_compare(const Decimal& a, const Decimal& b);

bool decimal_is_zero(const Decimal& a);
bool decimal_is_integer(const Decimal& a);
// The power of ten of the leading digit: 2 for 123.4, -1 for 0.5; 0 for zero.
int decimal_magnitude(const Decimal& a);
// a as a 64-bit integer when it is a whole number in range.
bool decimal_to_int64(const Decimal& a, std::int64_t* out);
// The double nearest to a.
double decimal_to_double(const Decimal& a);
// Number text ([+-]digits[.digits][E[+-]digits], blanks around it allowed) read exactly to
// 38 significant digits (rounded beyond); false when it is no number.
bool decimal_parse(const char* text, std::size_t len, Decimal* out);
// |a| rounded half away from zero to places decimals, as plain digits with exactly that
// many after the point ("0.13" for 0.125 and 2; "3" for 2.5 and 0).
std::string decimal_fixed_text(const Decimal& a, int places);
