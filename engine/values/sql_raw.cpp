// RAW functions. A text argument where a RAW is expected is read as hexadecimal, as
// Oracle converts it implicitly (ORA-01465 when it is not); the empty RAW is NULL.
#include "values/sql_raw.h"

#include "values/errors.h"
#include "values/values.h"

#include <cmath>
#include <cstdint>
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
    {"vantro_raw_concat", -1, fn_concat},
    {"vantro_raw_substr", 3, fn_substr},
    {"vantro_ora_hash", 3, fn_ora_hash},
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
