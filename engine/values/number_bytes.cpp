// Encoding and decoding of Oracle's NUMBER bytes (see number_bytes.h).
#include "values/number_bytes.h"

namespace {

constexpr int kNumBytesMinExp = -65;
constexpr int kNumBytesMaxExp = 62;
constexpr int kNumBytesDigits = 20;

int num_bytes_floor_div2(int m) {
    return m >= 0 ? m / 2 : -((1 - m) / 2);
}

}  // namespace

bool number_bytes_encode(const Decimal& value, unsigned char* out, std::size_t* len) {
    Decimal d = decimal_number_round(value);
    if (d.coef == 0 || decimal_magnitude(d) < -130) {
        out[0] = 0x80;
        *len = 1;
        return true;
    }
    const int e = num_bytes_floor_div2(decimal_magnitude(d));
    if (e > kNumBytesMaxExp) return false;
    // The coefficient at an even power of ten, split into base-100 digits.
    DecimalCoef c = d.coef;
    int exp = d.exp;
    if (exp % 2 != 0) {
        c *= 10;
        --exp;
    }
    unsigned char digits[kNumBytesDigits + 2];
    int n = 0;
    unsigned char rev[kNumBytesDigits + 2];
    while (c != 0 && n < kNumBytesDigits + 1) {
        rev[n++] = static_cast<unsigned char>(static_cast<unsigned>(c % 100));
        c /= 100;
    }
    for (int k = 0; k < n; ++k) digits[k] = rev[n - 1 - k];
    // Rounding left at most 20 digits; trailing zero digits are not written.
    while (n > 0 && digits[n - 1] == 0) --n;
    if (n > kNumBytesDigits) n = kNumBytesDigits;
    std::size_t pos = 0;
    if (!d.negative) {
        out[pos++] = static_cast<unsigned char>(0xC1 + e);
        for (int k = 0; k < n; ++k) out[pos++] = static_cast<unsigned char>(digits[k] + 1);
    } else {
        out[pos++] = static_cast<unsigned char>(0x3E - e);
        for (int k = 0; k < n; ++k) out[pos++] = static_cast<unsigned char>(101 - digits[k]);
        if (n < kNumBytesDigits) out[pos++] = 102;
    }
    *len = pos;
    return true;
}

bool number_bytes_decode(const unsigned char* in, std::size_t len, Decimal* out) {
    if (!in || len == 0 || len > kNumberBytesMax) return false;
    if (in[0] == 0x80 && len == 1) {
        *out = Decimal{};
        return true;
    }
    const bool negative = in[0] < 0x80;
    std::size_t end = len;
    // A negative of fewer than 20 digits ends in 102 (19 digits and 102 fill all 21 bytes);
    // a digit byte is never 102.
    if (negative && in[len - 1] == 102) --end;
    if (end < 2) return false;
    const int e = negative ? 0x3E - in[0] : in[0] - 0xC1;
    if (e < kNumBytesMinExp || e > kNumBytesMaxExp) return false;
    DecimalCoef c = 0;
    for (std::size_t k = 1; k < end; ++k) {
        int digit = negative ? 101 - in[k] : in[k] - 1;
        if (digit < 0 || digit > 99) return false;
        c = c * 100 + static_cast<unsigned>(digit);
    }
    if (c == 0) return false;
    const int digits = static_cast<int>(end) - 1;
    Decimal d;
    d.negative = negative;
    d.coef = c;
    d.exp = 2 * (e - digits + 1);
    while (d.coef % 10 == 0) {
        d.coef /= 10;
        ++d.exp;
    }
    *out = d;
    return true;
}

bool number_bytes_canonical(const unsigned char* in, std::size_t len) {
    if (!in || len == 0 || len > kNumberBytesMax) return false;
    if (len == 1) return in[0] == 0x80;
    const bool negative = in[0] < 0x80;
    std::size_t end = len;
    if (negative) {
        // Fewer than 20 digits end in 102; 20 digits fill the bytes.
        if (in[len - 1] == 102)
            --end;
        else if (len < kNumberBytesMax)
            return false;
        if (end < 2) return false;
    }
    const int e = negative ? 0x3E - in[0] : in[0] - 0xC1;
    if (e < kNumBytesMinExp || e > kNumBytesMaxExp) return false;
    for (std::size_t k = 1; k < end; ++k) {
        const int digit = negative ? 101 - in[k] : in[k] - 1;
        if (digit < 0 || digit > 99) return false;
    }
    // The leading digit is not zero and no zero digit trails.
    const int first = negative ? 101 - in[1] : in[1] - 1;
    const int last = negative ? 101 - in[end - 1] : in[end - 1] - 1;
    return first != 0 && last != 0;
}

bool number_bytes_valid(const unsigned char* in, std::size_t len) {
    Decimal d;
    return number_bytes_decode(in, len, &d);
}

bool number_stored(const Decimal& value, NumberStored* out) {
    Decimal d = decimal_number_round(value);
    if (decimal_to_int64(d, &out->i)) {
        out->form = NumberForm::Int;
        return true;
    }
    const int m = decimal_magnitude(d);
    if (m >= 126) return false;
    if (m < -130) {
        out->form = NumberForm::Int;
        out->i = 0;
        return true;
    }
    // A double stands for the value when its shortest text reads back as exactly it and
    // has at most the 15 significant digits a double's text is written with; more digits
    // (.3333333333333333) keep as NUMBER bytes, so that none is lost when it is shown.
    if (decimal_digit_count(d) <= 15) {
        double v = decimal_to_double(d);
        Decimal back;
        if (decimal_of_double(v, &back) && decimal_compare(back, d) == 0) {
            out->form = NumberForm::Real;
            out->d = v;
            return true;
        }
    }
    out->form = NumberForm::Bytes;
    return number_bytes_encode(d, out->bytes, &out->len);
}

bool number_bytes_text(const unsigned char* in, std::size_t len, std::string* out) {
    Decimal d;
    if (!number_bytes_decode(in, len, &d)) return false;
    *out = decimal_number_text(d);
    return true;
}

int number_store_decimal(const Decimal& value, int precision, int scale, NumberStored* out) {
    Decimal d = value;
    if (scale == -127) {
        if (precision > 0 && !decimal_is_zero(d)) {
            // FLOAT(b) keeps ceil(b * log10(2)) significant decimal digits.
            const int digits = (precision * 30103 + 99999) / 100000;
            d = decimal_round(d, digits - 1 - decimal_magnitude(d));
        }
    } else {
        d = decimal_round(d, scale);
        const int p = precision > 0 && precision <= 38 ? precision : 38;
        // At most p - scale digits before the point: |d| below 10^(p - scale).
        if (!decimal_is_zero(d) && decimal_magnitude(d) >= p - scale) return 1438;
    }
    return number_stored(d, out) ? 0 : 1426;
}
