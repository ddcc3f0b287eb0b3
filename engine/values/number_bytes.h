// Oracle's internal NUMBER format: the bytes of an OCINumber without its length byte. The
// engine stores a NUMBER that is neither a 64-bit integer nor a double's shortest text as
// a BLOB of these bytes; memcmp orders encoded values as the numbers they hold.
//   zero:      0x80
//   positive:  0xC1 + e, then each base-100 digit plus one (2 to 101 ... 1 to 100)
//   negative:  0x3E - e, then 101 minus each digit, then 102 when fewer than 20 digits
// where the value's leading base-100 digit stands at 100^e (e from -65 to 62).
#pragma once

#include "values/decimal.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The longest encoding: an exponent byte and 20 digits.
constexpr std::size_t kNumberBytesMax = 21;

// Writes d, rounded to NUMBER's precision, into out (kNumberBytesMax bytes) and sets *len.
// Magnitudes below 1E-130 become zero; false (nothing written) at 1E126 and above.
bool number_bytes_encode(const Decimal& d, unsigned char* out, std::size_t* len);
// Reads an encoding; false when the bytes are not a NUMBER.
bool number_bytes_decode(const unsigned char* in, std::size_t len, Decimal* out);
bool number_bytes_valid(const unsigned char* in, std::size_t len);
// Whether the bytes are the one encoding number_bytes_encode gives their number (no
// leading or trailing zero digit), checked without decoding them.
bool number_bytes_canonical(const unsigned char* in, std::size_t len);

// The one form the engine stores a NUMBER in, so that SQLite's own equality, GROUP BY,
// DISTINCT and unique indexes see equal numbers as equal: an integer when the value is
// whole and fits 64 bits, else the double whose shortest text is exactly the value, else
// the value's bytes.
enum class NumberForm { Int, Real, Bytes };
struct NumberStored {
    NumberForm form = NumberForm::Int;
    std::int64_t i = 0;
    double d = 0;
    unsigned char bytes[kNumberBytesMax] = {};
    std::size_t len = 0;
};
// d rounded to NUMBER's precision in its stored form; magnitudes below 1E-130 are the
// integer 0. false at 1E126 and above (ORA-01426).
bool number_stored(const Decimal& d, NumberStored* out);
// Oracle's text of encoded bytes (see decimal_number_text); false when they are no number.
bool number_bytes_text(const unsigned char* in, std::size_t len, std::string* out);
// The value a NUMBER(precision, scale) column stores for d (a scale of -127 means no
// scale: NUMBER, or FLOAT(precision) with a binary precision; a precision of 0 means
// none): rounded half away from zero to the scale (FLOAT: to its decimal digits), then
// checked against the precision. Returns 0 with *out set, else the Oracle error number
// (1438: more digits than the column holds; 1426: beyond NUMBER's range).
int number_store_decimal(const Decimal& d, int precision, int scale, NumberStored* out);
