// RAW functions. A text argument where a RAW is expected is read as hexadecimal, as
// Oracle converts it implicitly (ORA-01465 when it is not); the empty RAW is NULL.
#include "values/sql_raw.h"

#include "values/errors.h"
#include "values/values.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kMaxRaw = 2000;  // a RAW in SQL

void raise(sqlite3_context* ctx, int code, const std::string& arg = {}) {
    std::string text = ora_format(code, ora_message(code, arg));
    text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

std::string bytes_of(sqlite3_value* v) {
    const void* b = sqlite3_value_blob(v);
    return b ? std::string(static_cast<const char*>(b), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

void result_raw(sqlite3_context* ctx, const std::string& r) {
    if (r.empty())
        sqlite3_result_null(ctx);
    else
        sqlite3_result_blob(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
}

// vantro_raw_concat(r1, ...): the bytes of the non-NULL arguments in order.
void fn_concat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    std::string r;
    for (int k = 0; k < argc; ++k)
        if (sqlite3_value_type(argv[k]) != SQLITE_NULL) r += bytes_of(argv[k]);
    if (r.size() > 32767) return raise(ctx, 6502);
    result_raw(ctx, r);
}

// vantro_raw_substr(r, pos, len): len bytes from byte pos (negative: from the end);
// len NULL: to the end. VALUE_ERROR for a position outside r or a length past its end.
void fn_substr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    std::string r = bytes_of(argv[0]);
    double p = std::trunc(sqlite3_value_double(argv[1]));
    double size = static_cast<double>(r.size());
    if (p == 0 || std::fabs(p) > size) return raise(ctx, 6502);
    double start = p > 0 ? p - 1 : size + p;
    double len = size - start;
    if (sqlite3_value_type(argv[2]) != SQLITE_NULL) {
        len = std::trunc(sqlite3_value_double(argv[2]));
        if (len < 1 || start + len > size) return raise(ctx, 6502);
    }
    result_raw(ctx, r.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(len)));
}

// vantro_raw_bits(op, r1, r2): AND (0), OR (1) or XOR (2) byte by byte as far as the
// shorter goes, then the rest of the longer as it is; NULL when either is NULL.
void fn_bits(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    int op = sqlite3_value_int(argv[0]);
    std::string a = bytes_of(argv[1]), b = bytes_of(argv[2]);
    if (a.size() < b.size()) a.swap(b);
    for (std::size_t k = 0; k < b.size(); ++k) {
        unsigned char x = static_cast<unsigned char>(a[k]), y = static_cast<unsigned char>(b[k]);
        a[k] = static_cast<char>(op == 0 ? (x & y) : op == 1 ? (x | y) : (x ^ y));
    }
    result_raw(ctx, a);
}

// vantro_raw_complement(r): every bit inverted.
void fn_complement(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string r = bytes_of(argv[0]);
    for (char& c : r) c = static_cast<char>(~static_cast<unsigned char>(c));
    result_raw(ctx, r);
}

// vantro_raw_compare(r1, r2, pad): 0 when equal, else the position of the first byte
// that differs; the shorter is extended by pad's first byte (zero when NULL).
void fn_compare(sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::string a = bytes_of(argv[0]), b = bytes_of(argv[1]), pad = bytes_of(argv[2]);
    char fill = pad.empty() ? '\0' : pad[0];
    std::size_t n = a.size() > b.size() ? a.size() : b.size();
    for (std::size_t k = 0; k < n; ++k) {
        char x = k < a.size() ? a[k] : fill, y = k < b.size() ? b[k] : fill;
        if (x != y) return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(k + 1));
    }
    sqlite3_result_int64(ctx, 0);
}

// vantro_raw_reverse(r): the bytes end to start; VALUE_ERROR for a NULL or empty r.
void fn_reverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::string r = bytes_of(argv[0]);
    if (r.empty()) return raise(ctx, 6502);
    result_raw(ctx, std::string(r.rbegin(), r.rend()));
}

// vantro_raw_from_number(n): Oracle's internal form of NUMBER n: an exponent byte (base
// 100, biased, sign in its top bit) and one byte per pair of digits (pair + 1, or 101 -
// pair for a negative number, which ends with byte 102 when it has fewer than 20 of them).
void fn_from_number(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    char buf[64];
    std::string text;
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER)
        text = std::to_string(sqlite3_value_int64(argv[0]));
    else
        text.assign(buf, number_text_double(sqlite3_value_double(argv[0]), buf, sizeof buf));
    bool negative = !text.empty() && text[0] == '-';
    std::string digits;
    long point = -1, exponent = 0;
    for (std::size_t k = negative ? 1 : 0; k < text.size(); ++k) {
        char c = text[k];
        if (c == '.') {
            point = static_cast<long>(digits.size());
        } else if (c == 'E' || c == 'e') {
            exponent = std::strtol(text.c_str() + k + 1, nullptr, 10);
            break;
        } else if (c >= '0' && c <= '9') {
            digits += c;
        }
    }
    if (point < 0) point = static_cast<long>(digits.size());
    std::size_t lead = digits.find_first_not_of('0');
    if (lead == std::string::npos) return sqlite3_result_blob(ctx, "\x80", 1, SQLITE_TRANSIENT);
    // value = 0.digits x 10^e10, with digits starting at a nonzero one.
    long e10 = point + exponent - static_cast<long>(lead);
    digits = digits.substr(lead);
    digits.erase(digits.find_last_not_of('0') + 1);
    if (e10 % 2 != 0) {
        digits.insert(0, "0");
        ++e10;
    }
    if (digits.size() % 2) digits += '0';
    long e100 = e10 / 2;
    std::string r(1, static_cast<char>(negative ? 0x3F - e100 : 0xC0 + e100));
    for (std::size_t k = 0; k < digits.size(); k += 2) {
        int pair = (digits[k] - '0') * 10 + (digits[k + 1] - '0');
        r += static_cast<char>(negative ? 101 - pair : pair + 1);
    }
    if (negative && r.size() - 1 < 20) r += static_cast<char>(102);
    result_raw(ctx, r);
}

// vantro_raw_to_number(r): the NUMBER whose internal form r is; VALUE_ERROR when r is not one.
void fn_to_number(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string r = bytes_of(argv[0]);
    if (r.empty() || r.size() > 22) return raise(ctx, 6502);
    auto head = static_cast<unsigned char>(r[0]);
    if (head == 0x80 && r.size() == 1) return sqlite3_result_int64(ctx, 0);
    bool negative = head < 0x80;
    if (negative && r.size() > 1 && static_cast<unsigned char>(r.back()) == 102) r.pop_back();
    if (r.size() < 2) return raise(ctx, 6502);
    long e100 = negative ? 0x3F - static_cast<long>(head) : static_cast<long>(head) - 0xC0;
    std::string digits;
    for (std::size_t k = 1; k < r.size(); ++k) {
        int b = static_cast<unsigned char>(r[k]);
        int pair = negative ? 101 - b : b - 1;
        if (pair < 0 || pair > 99) return raise(ctx, 6502);
        digits += static_cast<char>('0' + pair / 10);
        digits += static_cast<char>('0' + pair % 10);
    }
    std::string text = std::string(negative ? "-0." : "0.") + digits + "E" + std::to_string(2 * e100);
    double d = 0;
    std::int64_t i = 0;
    bool is_int = false;
    if (!number_parse(text.data(), text.size(), &d, &i, &is_int)) return raise(ctx, 6502);
    if (is_int)
        sqlite3_result_int64(ctx, i);
    else if (d == std::trunc(d) && std::fabs(d) < 9e18)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
    else
        sqlite3_result_double(ctx, d);
}

// vantro_ora_hash(text, max_bucket, seed): a bucket from 0 to max_bucket of the value's
// text (64-bit FNV-1a mixed with the seed), the same for the same value every time.
void fn_ora_hash(sqlite3_context* ctx, int, sqlite3_value** argv) {
    for (int k = 0; k < 3; ++k)
        if (sqlite3_value_type(argv[k]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const double kMax = 4294967295.0;
    double bucket = std::trunc(sqlite3_value_double(argv[1]));
    double seed = std::trunc(sqlite3_value_double(argv[2]));
    for (double v : {bucket, seed}) {
        if (v >= 0 && v <= kMax) continue;
        char buf[64];
        std::size_t n = number_text_double(v, buf, sizeof buf);
        return raise(ctx, 1428, std::string(buf, n));
    }
    std::string t = bytes_of(argv[0]);
    std::uint64_t h = 14695981039346656037ull ^ (static_cast<std::uint64_t>(seed) * 0x9E3779B97F4A7C15ull);
    for (unsigned char c : t) {
        h ^= c;
        h *= 1099511628211ull;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    std::uint64_t buckets = static_cast<std::uint64_t>(bucket) + 1;
    sqlite3_result_int64(ctx, static_cast<std::int64_t>(h % buckets));
}

struct Registration {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

const Registration kRegistrations[] = {
    {"vantro_raw_concat", -1, fn_concat},        {"vantro_raw_substr", 3, fn_substr},
    {"vantro_ora_hash", 3, fn_ora_hash},         {"vantro_raw_bits", 3, fn_bits},
    {"vantro_raw_complement", 1, fn_complement}, {"vantro_raw_compare", 3, fn_compare},
    {"vantro_raw_reverse", 1, fn_reverse},       {"vantro_raw_from_number", 1, fn_from_number},
    {"vantro_raw_to_number", 1, fn_to_number},
};

OraType raw_type(std::uint32_t size) {
    OraType t;
    t.code = kTypeRaw;
    t.size = size == 0 ? 1 : (size > kMaxRaw ? kMaxRaw : size);
    return t;
}

OraType text_type(std::uint32_t size) {
    OraType t;
    t.code = kTypeVarchar2;
    t.size = size == 0 ? 1 : (size > 4000 ? 4000 : size);
    return t;
}

OraType number_type() {
    OraType t;
    t.code = kTypeNumber;
    t.size = 22;
    t.scale = -127;
    return t;
}

bool is_raw(const DialectArg& a) {
    return a.type.code == kTypeRaw || a.type.code == kTypeBlob || a.type.code == kTypeLongRaw;
}

// a as a RAW: as it is, or its text read as hexadecimal.
std::string raw_of(const DialectArg& a) {
    return is_raw(a) ? a.sql : "vantro_hextoraw(" + a.text_sql + ",0,NULL)";
}

std::uint32_t raw_size(const DialectArg& a) {
    return is_raw(a) ? a.type.size : (a.text_size + 1) / 2;
}

std::string number_of(const DialectArg& a) {
    return a.type.code == kTypeNumber ? a.sql : "vantro_to_number(" + a.sql + ")";
}

using Args = std::vector<DialectArg>;

std::string hextoraw(const Args& a, OraType* type) {
    *type = raw_type(raw_size(a[0]));
    return raw_of(a[0]);
}

std::string rawtohex(const Args& a, OraType* type) {
    *type = text_type(2 * raw_size(a[0]));
    return "nullif(hex(" + raw_of(a[0]) + "),'')";
}

std::string cast_to_raw(const Args& a, OraType* type) {
    *type = raw_type(a[0].text_size);
    return "nullif(CAST(" + a[0].text_sql + " AS BLOB),x'')";
}

std::string cast_to_varchar2(const Args& a, OraType* type) {
    *type = text_type(raw_size(a[0]));
    return "nullif(CAST(" + raw_of(a[0]) + " AS TEXT),'')";
}

std::string raw_length(const Args& a, OraType* type) {
    *type = number_type();
    return "length(" + raw_of(a[0]) + ")";
}

std::string raw_concat(const Args& a, OraType* type) {
    std::string sql = "vantro_raw_concat(";
    std::uint32_t size = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sql += (i ? "," : "") + raw_of(a[i]);
        size += raw_size(a[i]);
    }
    *type = raw_type(size);
    return sql + ")";
}

std::string raw_substr(const Args& a, OraType* type) {
    *type = raw_type(raw_size(a[0]));
    return "vantro_raw_substr(" + raw_of(a[0]) + "," + number_of(a[1]) + "," +
           (a.size() > 2 ? number_of(a[2]) : std::string("NULL")) + ")";
}

std::string raw_bits(const char* op, const Args& a, OraType* type) {
    std::uint32_t size = raw_size(a[0]) > raw_size(a[1]) ? raw_size(a[0]) : raw_size(a[1]);
    *type = raw_type(size);
    return std::string("vantro_raw_bits(") + op + "," + raw_of(a[0]) + "," + raw_of(a[1]) + ")";
}

std::string bit_and(const Args& a, OraType* type) {
    return raw_bits("0", a, type);
}

std::string bit_or(const Args& a, OraType* type) {
    return raw_bits("1", a, type);
}

std::string bit_xor(const Args& a, OraType* type) {
    return raw_bits("2", a, type);
}

std::string bit_complement(const Args& a, OraType* type) {
    *type = raw_type(raw_size(a[0]));
    return "vantro_raw_complement(" + raw_of(a[0]) + ")";
}

std::string raw_compare(const Args& a, OraType* type) {
    *type = number_type();
    return "vantro_raw_compare(" + raw_of(a[0]) + "," + raw_of(a[1]) + "," +
           (a.size() > 2 ? raw_of(a[2]) : std::string("NULL")) + ")";
}

std::string raw_reverse(const Args& a, OraType* type) {
    *type = raw_type(raw_size(a[0]));
    return "vantro_raw_reverse(" + raw_of(a[0]) + ")";
}

std::string cast_from_number(const Args& a, OraType* type) {
    *type = raw_type(22);
    return "vantro_raw_from_number(" + number_of(a[0]) + ")";
}

std::string cast_to_number(const Args& a, OraType* type) {
    *type = number_type();
    return "vantro_raw_to_number(" + raw_of(a[0]) + ")";
}

std::string ora_hash(const Args& a, OraType* type) {
    *type = number_type();
    // Dates in their stored form, so that the hash does not follow NLS_DATE_FORMAT.
    OraType t = a[0].type;
    bool date = t.code == kTypeDate || t.code == kTypeTimestamp || t.code == kTypeTimestampTz;
    return "vantro_ora_hash(" + (date ? a[0].sql : a[0].text_sql) + "," +
           (a.size() > 1 ? number_of(a[1]) : "4294967295") + "," + (a.size() > 2 ? number_of(a[2]) : "0") + ")";
}

const struct {
    const char* name;
    std::string (*rule)(const Args&, OraType*);
} kRules[] = {
    {"HEXTORAW", hextoraw},
    {"RAWTOHEX", rawtohex},
    {"UTL_RAW.CAST_TO_RAW", cast_to_raw},
    {"UTL_RAW.CAST_TO_VARCHAR2", cast_to_varchar2},
    {"UTL_RAW.LENGTH", raw_length},
    {"UTL_RAW.CONCAT", raw_concat},
    {"UTL_RAW.SUBSTR", raw_substr},
    {"UTL_RAW.BIT_AND", bit_and},
    {"UTL_RAW.BIT_OR", bit_or},
    {"UTL_RAW.BIT_XOR", bit_xor},
    {"UTL_RAW.BIT_COMPLEMENT", bit_complement},
    {"UTL_RAW.COMPARE", raw_compare},
    {"UTL_RAW.REVERSE", raw_reverse},
    {"UTL_RAW.CAST_FROM_NUMBER", cast_from_number},
    {"UTL_RAW.CAST_TO_NUMBER", cast_to_number},
    {"ORA_HASH", ora_hash},
};

}  // namespace

std::string raw_function_sql(const std::string& name, const std::vector<DialectArg>& args, OraType* type) {
    for (const auto& r : kRules)
        if (name == r.name) return r.rule(args, type);
    *type = number_type();
    return "NULL";
}

bool raw_functions_register(sqlite3* db) {
    for (const Registration& r : kRegistrations)
        if (sqlite3_create_function(db, r.name, r.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, r.fn, nullptr,
                                    nullptr) != SQLITE_OK)
            return false;
    return true;
}
