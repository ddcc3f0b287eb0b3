// Oracle single-row functions: the translation of each call (argument conversions and
// result type) and the SQLite functions that compute what SQLite's own built-ins get
// wrong for Oracle (the empty string as NULL, negative SUBSTR positions, MOD by zero,
// TRUNC and ROUND of dates, format masks). NULL in gives NULL out unless Oracle says
// otherwise (DECODE matches NULL with NULL; REPLACE and the pads keep their rules).
#include "values/sql_dialect.h"
#include "values/date_mask_width.h"

#include "values/calendar.h"
#include "values/errors.h"
#include "values/sql_interval.h"
#include "values/sql_raw.h"
#include "values/sql_rowid.h"
#include "values/sql_supplied.h"
#include "values/sql_json.h"
#include "values/sql_json_gen.h"
#include "values/sql_xml.h"
#include "values/number_bytes.h"
#include "values/sql_arithmetic.h"
#include "values/sql_regexp.h"
#include "values/utf8.h"
#include "values/values.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool char_type(const OraType& t) {
    return t.code == kTypeVarchar2 || t.code == kTypeChar || t.code == kTypeLong || t.code == kTypeClob;
}
bool date_type(const OraType& t) {
    return t.code == kTypeDate || t.code == kTypeTimestamp || t.code == kTypeTimestampTz;
}
bool number_type(const OraType& t) {
    return t.code == kTypeNumber;
}

OraType make_number() {
    OraType t;
    t.code = kTypeNumber;
    t.size = 22;
    t.scale = -127;
    return t;
}
OraType make_varchar(std::uint32_t size) {
    OraType t;
    t.code = kTypeVarchar2;
    t.size = size == 0 ? 1 : (size > 4000 ? 4000 : size);
    return t;
}
// The bytes that chars characters of AL32UTF8 can take, within VARCHAR2's limit.
std::uint32_t char_bytes(std::uint32_t chars) {
    return chars > 1000 ? 4000 : chars * 4;
}
// A VARCHAR2 of chars characters (CHAR length semantics): described chars wide, with a
// byte size of four bytes a character.
OraType make_varchar_chars(long long chars) {
    OraType t = make_varchar(chars < 1 ? 1 : (chars > 4000 ? 4000 : static_cast<std::uint32_t>(chars)));
    t.char_used = true;
    return t;
}
// The integer value of a number literal argument; false for anything else.
bool literal_int(const DialectArg& a, long long* out) {
    if (!a.is_literal || !number_type(a.type)) return false;
    char* end = nullptr;
    double d = std::strtod(a.literal.c_str(), &end);
    if (end == a.literal.c_str() || *end != 0 || !(d > -1e15 && d < 1e15)) return false;
    *out = static_cast<long long>(d);
    return true;
}
OraType make_date() {
    OraType t;
    t.code = kTypeDate;
    t.size = 7;
    return t;
}

std::string num(const DialectArg& a) {
    return number_type(a.type) ? a.sql : "vantro_to_number(" + a.sql + ")";
}

// a converted for comparison with b, following Oracle's implicit conversions.
std::string compared(const DialectArg& a, const DialectArg& b) {
    if (number_type(b.type) && char_type(a.type)) return "vantro_to_number(" + a.sql + ")";
    if (date_type(b.type) && char_type(a.type)) return "vantro_to_date(" + a.sql + ")";
    return a.sql;
}

// The value of a result branch in the type the call returns.
std::string as_result(const DialectArg& a, const OraType& t) {
    if (a.null_literal) return "NULL";
    if (char_type(t)) return a.text_sql;
    if (number_type(t)) return num(a);
    if (date_type(t) && char_type(a.type)) return "vantro_to_date(" + a.sql + ")";
    return a.sql;
}

// The result type of branches: the first non-NULL one's, character types widened to the
// longest branch.
OraType branch_type(const std::vector<const DialectArg*>& branches) {
    OraType t = make_varchar(1);
    bool typed = false;
    std::uint32_t widest = 0;
    for (const DialectArg* b : branches) {
        if (b->null_literal) continue;
        if (!typed) {
            t = b->type;
            typed = true;
        }
        if (b->text_size > widest) widest = b->text_size;
    }
    if (char_type(t)) t = make_varchar(widest);
    return t;
}

std::string upper_text(const std::string& s) {
    std::string r;
    for (char c : s) r += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

std::string call(const char* fn, const std::vector<std::string>& parts) {
    std::string r = std::string(fn) + "(";
    for (std::size_t i = 0; i < parts.size(); ++i) r += (i ? "," : "") + parts[i];
    return r + ")";
}

// A call of an associative function of any number of arguments (coalesce, max, ...).
// SQLite takes at most 127 arguments in one call, so a longer list is folded: the
// first arguments in a call of their own that stands first among the rest.
std::string folded_call(const char* fn, const std::vector<std::string>& parts) {
    constexpr std::size_t kMostArgs = 100;
    if (parts.size() <= kMostArgs) return call(fn, parts);
    std::vector<std::string> rest;
    std::vector<std::string> group;
    for (const std::string& part : parts) {
        group.push_back(part);
        if (group.size() == kMostArgs) {
            rest.push_back(call(fn, group));
            group.clear();
        }
    }
    if (group.size() == 1) rest.push_back(group[0]);
    else if (!group.empty()) rest.push_back(call(fn, group));
    return folded_call(fn, rest);
}

// ---- SQL functions ----

SessionSettings* settings_of(sqlite3_context* ctx) {
    return static_cast<SessionSettings*>(sqlite3_user_data(ctx));
}

// Messages of the errors only these functions raise.
std::string message(int code, const std::string& arg) {
    switch (code) {
    case 1426:
        return "numeric overflow";
    case 1428:
        return "argument '" + arg + "' is out of range";
    case 1481:
        return "invalid number format model";
    case 1846:
        return "not a valid day of the week";
    case 1899:
        return "bad precision specifier";
    default:
        return ora_message(code, arg);
    }
}

void raise(sqlite3_context* ctx, int code, const std::string& arg = {}) {
    std::string text = ora_format(code, message(code, arg));
    if (!text.empty() && text.back() == '\n') text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}
void raise(sqlite3_context* ctx, const OraError& e) {
    std::string text = ora_format(e.code, e.message);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

bool is_null(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_NULL;
}

std::string text_of(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

// A numeric argument; false (with ORA-01722 raised) when the text is not a number.
bool number_of(sqlite3_context* ctx, sqlite3_value* v, double* out) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        *out = static_cast<double>(sqlite3_value_int64(v));
        return true;
    case SQLITE_FLOAT:
        *out = sqlite3_value_double(v);
        return true;
    case SQLITE_BLOB:
        // A NUMBER wider than a double, read as its nearest double.
        if (number_value_double(v, out)) return true;
        raise(ctx, 1722);
        return false;
    default: {
        std::string t = text_of(v);
        std::int64_t i = 0;
        bool is_int = false;
        if (number_parse(t.c_str(), t.size(), out, &i, &is_int)) {
            if (is_int) *out = static_cast<double>(i);
            return true;
        }
        raise(ctx, 1722);
        return false;
    }
    }
}

void result_number(sqlite3_context* ctx, double d) {
    if (std::isnan(d) || std::isinf(d)) return raise(ctx, 1426);
    if (d == std::floor(d) && std::fabs(d) < 9.0e15) return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
    sqlite3_result_double(ctx, d);
}

void result_text(sqlite3_context* ctx, const std::string& s) {
    if (s.empty()) return sqlite3_result_null(ctx);
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

bool date_of(sqlite3_value* v, DateValue* d) {
    std::string t = text_of(v);
    return date_parse_stored(t.c_str(), t.size(), d);
}

// The largest text a SQL function returns: VARCHAR2's limit in SQL.
constexpr std::size_t kMaxText = 4000;

// The byte offset where each unit of s starts, and s.size() at the end: a unit is a
// character, or a byte for the B functions (LENGTHB, SUBSTRB, INSTRB).
std::vector<std::size_t> unit_starts(const std::string& s, bool bytes) {
    std::vector<std::size_t> starts;
    starts.reserve(s.size() + 1);
    for (std::size_t at = 0; at < s.size(); at += bytes ? 1 : utf8_char_bytes(s, at)) starts.push_back(at);
    starts.push_back(s.size());
    return starts;
}

// The characters of s, each as its own bytes.
std::vector<std::string> characters(const std::string& s) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at < s.size();) {
        std::size_t n = utf8_char_bytes(s, at);
        out.push_back(s.substr(at, n));
        at += n;
    }
    return out;
}

// The largest text of a PL/SQL expression's VARCHAR2 value.
constexpr std::size_t kMaxPlsqlText = 32767;

// vantro_pad(text, length, pad, left): LPAD and RPAD. The result is exactly length
// characters (longer text is cut), at most kMaxText bytes as VARCHAR2 in SQL allows; in a
// PL/SQL expression up to kMaxPlsqlText, and a longer result is ORA-06502 there. A NULL or
// non-positive length gives NULL.
void fn_pad(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0]) || is_null(argv[1]) || is_null(argv[2])) return sqlite3_result_null(ctx);
    double n = 0;
    if (!number_of(ctx, argv[1], &n)) return;
    if (n < 1) return sqlite3_result_null(ctx);
    const bool plsql = settings_of(ctx)->plsql_expression;
    const std::size_t limit = plsql ? kMaxPlsqlText : kMaxText;
    auto too_long = [&] { raise(ctx, 6502, ": character string buffer too small"); };
    if (plsql && n > static_cast<double>(limit)) return too_long();
    std::size_t len = n > static_cast<double>(limit) ? limit : static_cast<std::size_t>(n);
    std::string s = text_of(argv[0]), pad = text_of(argv[2]);
    if (pad.empty()) return sqlite3_result_null(ctx);
    bool left = sqlite3_value_int(argv[3]) != 0;
    std::size_t have = utf8_length(s);
    if (have >= len) {
        std::size_t cut = utf8_prefix_bytes(s.data(), s.size(), len);
        std::size_t fit = utf8_fit_bytes(s.data(), cut, limit);
        if (plsql && fit < cut) return too_long();
        return result_text(ctx, s.substr(0, fit));
    }
    std::size_t room = s.size() >= limit ? 0 : limit - s.size();
    if (plsql && s.size() > limit) return too_long();
    std::string fill;
    std::size_t at = 0;
    for (std::size_t i = have; i < len; ++i) {
        std::size_t k = utf8_char_bytes(pad, at);
        if (fill.size() + k > room) {
            if (plsql) return too_long();
            break;
        }
        fill.append(pad, at, k);
        at += k;
        if (at >= pad.size()) at = 0;
    }
    result_text(ctx, left ? fill + s : s + fill);
}

// The [from, from + count) units SUBSTR picks from text of size units: position 0
// counts as 1, a negative one counts from the end; false when nothing is picked (a
// length below 1, or a position outside the text).
bool substr_range(double p, bool has_length, double l, long long size, long long* from, long long* count) {
    if (p > static_cast<double>(size) || p < -static_cast<double>(size)) return false;
    long long pos = static_cast<long long>(std::trunc(p));
    if (pos == 0) pos = 1;
    if (pos < 0) pos = size + pos + 1;
    if (pos < 1 || pos > size) return false;
    long long len = size - pos + 1;
    if (has_length) {
        if (l < 1) return false;
        if (l < static_cast<double>(len)) len = static_cast<long long>(l);
    }
    *from = pos - 1;
    *count = len;
    return true;
}

// vantro_substr(text, position[, length]) in characters, vantro_substrb in bytes. A
// character that SUBSTRB cuts becomes blanks, one per byte taken, as Oracle answers.
void substr_units(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool bytes) {
    for (int i = 0; i < argc; ++i)
        if (is_null(argv[i])) return sqlite3_result_null(ctx);
    std::string s = text_of(argv[0]);
    double p = 0, l = 0;
    if (!number_of(ctx, argv[1], &p)) return;
    if (argc == 3 && !number_of(ctx, argv[2], &l)) return;
    long long size = static_cast<long long>(bytes ? s.size() : utf8_length(s)), from = 0, count = 0;
    if (!substr_range(p, argc == 3, l, size, &from, &count)) return sqlite3_result_null(ctx);
    if (!bytes) {
        std::size_t b = utf8_offset(s, static_cast<std::size_t>(from));
        std::size_t n = utf8_prefix_bytes(s.data() + b, s.size() - b, static_cast<std::size_t>(count));
        return result_text(ctx, s.substr(b, n));
    }
    std::size_t b = static_cast<std::size_t>(from), e = b + static_cast<std::size_t>(count);
    std::string r;
    for (std::size_t at = 0; at < e;) {
        std::size_t n = utf8_char_bytes(s, at);
        if (at >= b && at + n <= e)
            r.append(s, at, n);
        else if (at + n > b)
            r.append((at + n > e ? e : at + n) - (at > b ? at : b), ' ');
        at += n;
    }
    result_text(ctx, r);
}

void fn_substr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    substr_units(ctx, argc, argv, false);
}
void fn_substrb(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    substr_units(ctx, argc, argv, true);
}

// vantro_instr(text, sought[, position[, occurrence]]) in characters, vantro_instrb in
// bytes: 0 when not found; a negative position searches backwards from that many units
// before the end. Occurrences may overlap, as Oracle counts them.
void instr_units(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool bytes) {
    for (int i = 0; i < argc; ++i)
        if (is_null(argv[i])) return sqlite3_result_null(ctx);
    std::string s = text_of(argv[0]), sub = text_of(argv[1]);
    double p = 1, o = 1;
    if (argc > 2 && !number_of(ctx, argv[2], &p)) return;
    if (argc > 3 && !number_of(ctx, argv[3], &o)) return;
    const double limit = 4.0e9;
    if (std::fabs(p) > limit || o > limit) return sqlite3_result_int(ctx, 0);
    long long pos = static_cast<long long>(p), occ = static_cast<long long>(o);
    if (pos == 0) return sqlite3_result_int(ctx, 0);
    if (occ < 1) return raise(ctx, 1428, std::to_string(occ));
    std::vector<std::size_t> starts = unit_starts(s, bytes);
    long long size = static_cast<long long>(starts.size()) - 1;
    auto found_at = [&](long long unit) {
        return s.compare(starts[static_cast<std::size_t>(unit)], sub.size(), sub) == 0;
    };
    if (pos > 0) {
        for (long long unit = pos - 1; unit < size; ++unit)
            if (found_at(unit) && --occ == 0) return sqlite3_result_int64(ctx, unit + 1);
        return sqlite3_result_int(ctx, 0);
    }
    for (long long unit = size + pos; unit >= 0; --unit)
        if (found_at(unit) && --occ == 0) return sqlite3_result_int64(ctx, unit + 1);
    sqlite3_result_int(ctx, 0);
}

void fn_instr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    instr_units(ctx, argc, argv, false);
}
void fn_instrb(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    instr_units(ctx, argc, argv, true);
}

// vantro_lengthb(text): the length in bytes.
void fn_lengthb(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    std::string s = text_of(argv[0]);
    if (s.empty()) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(s.size()));
}

// The bytes of Oracle's NUMBER for a number value in any stored form: NUMBER bytes as they
// are, integers, doubles and number text encoded. false (ORA-01722 raised) for no number,
// ORA-01426 beyond NUMBER's range.
bool dump_number_bytes(sqlite3_context* ctx, sqlite3_value* v, unsigned char* out, std::size_t* len) {
    if (sqlite3_value_type(v) == SQLITE_BLOB) {
        const auto* p = static_cast<const unsigned char*>(sqlite3_value_blob(v));
        const auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
        if (p && number_bytes_canonical(p, n)) {
            std::memcpy(out, p, n);
            *len = n;
            return true;
        }
    }
    Decimal d;
    if (!decimal_arg(ctx, v, &d)) return false;
    if (!number_bytes_encode(d, out, len)) {
        raise(ctx, 1426);
        return false;
    }
    return true;
}

// vantro_vsize_number(x): the length of x in Oracle's NUMBER format.
void fn_vsize_number(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    unsigned char bytes[kNumberBytesMax];
    std::size_t len = 0;
    if (!dump_number_bytes(ctx, argv[0], bytes, &len)) return;
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(len));
}

// vantro_upper(text), vantro_lower(text): the case of every letter the case table knows.
void fn_upper(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    result_text(ctx, utf8_upper_text(text_of(argv[0])));
}
void fn_lower(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    result_text(ctx, utf8_lower_text(text_of(argv[0])));
}

void fn_initcap(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    std::string s = text_of(argv[0]), r;
    r.reserve(s.size());
    bool start = true;
    for (std::size_t at = 0; at < s.size();) {
        std::size_t n = 0;
        std::uint32_t cp = utf8_decode(s, at, &n);
        if (n == 1 && cp >= 0x80)
            r.push_back(s[at]);  // a malformed byte passes unchanged
        else
            utf8_append(&r, start ? utf8_upper(cp) : utf8_lower(cp));
        start = !utf8_alnum(cp);
        at += n;
    }
    result_text(ctx, r);
}

// vantro_trim(text, set, mode): mode 1 leading, 2 trailing, 3 both; the set is a set of
// characters.
void fn_trim(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
    std::string s = text_of(argv[0]);
    std::vector<std::string> set = characters(text_of(argv[1]));
    auto in_set = [&](std::size_t at, std::size_t n) {
        for (const std::string& c : set)
            if (c.size() == n && s.compare(at, n, c) == 0) return true;
        return false;
    };
    int mode = sqlite3_value_int(argv[2]);
    // Mode 4 added: TRIM ... FROM, whose set is one character.
    if ((mode & 4) && set.size() != 1) return raise(ctx, 30001);
    std::vector<std::size_t> starts = unit_starts(s, false);
    std::size_t b = 0, e = starts.size() - 1;  // units
    if (mode & 1)
        while (b < e && in_set(starts[b], starts[b + 1] - starts[b])) ++b;
    if (mode & 2)
        while (e > b && in_set(starts[e - 1], starts[e] - starts[e - 1])) --e;
    result_text(ctx, s.substr(starts[b], starts[e] - starts[b]));
}

// REPLACE(text, sought[, replacement]): a NULL sought string leaves the text as it is.
void fn_replace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    std::string s = text_of(argv[0]);
    std::string from = is_null(argv[1]) ? std::string() : text_of(argv[1]);
    std::string to = argc > 2 && !is_null(argv[2]) ? text_of(argv[2]) : std::string();
    if (from.empty()) return result_text(ctx, s);
    std::string r;
    std::size_t at = 0;
    for (;;) {
        std::size_t f = s.find(from, at);
        if (f == std::string::npos) break;
        r += s.substr(at, f - at) + to;
        at = f + from.size();
    }
    result_text(ctx, r + s.substr(at));
}

// TRANSLATE(text, from, to) by characters: a character of from is replaced by the one at
// the same place in to, or removed when to is shorter.
void fn_translate(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0]) || is_null(argv[1]) || is_null(argv[2])) return sqlite3_result_null(ctx);
    std::vector<std::string> from = characters(text_of(argv[1])), to = characters(text_of(argv[2]));
    std::string s = text_of(argv[0]), r;
    for (std::size_t at = 0; at < s.size();) {
        std::size_t n = utf8_char_bytes(s, at);
        std::size_t i = 0;
        while (i < from.size() && (from[i].size() != n || s.compare(at, n, from[i]) != 0)) ++i;
        if (i == from.size())
            r.append(s, at, n);
        else if (i < to.size())
            r += to[i];
        at += n;
    }
    result_text(ctx, r);
}

// CHR(n): the character whose AL32UTF8 bytes, read as a big-endian number, are n.
void fn_chr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    double d = 0;
    if (!number_of(ctx, argv[0], &d)) return;
    if (d < 0 || d >= 4294967296.0) return raise(ctx, 1722);
    std::uint32_t n = static_cast<std::uint32_t>(d);
    std::string s;
    for (int shift = 24; shift > 0; shift -= 8)
        if (n >> shift) s.push_back(static_cast<char>((n >> shift) & 0xFF));
    s.push_back(static_cast<char>(n & 0xFF));
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// ASCII(text): the bytes of the first character read as a big-endian number.
void fn_ascii(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    std::string s = text_of(argv[0]);
    if (s.empty()) return sqlite3_result_null(ctx);
    std::size_t n = utf8_char_bytes(s, 0);
    sqlite3_int64 v = 0;
    for (std::size_t i = 0; i < n; ++i) v = (v << 8) | static_cast<unsigned char>(s[i]);
    sqlite3_result_int64(ctx, v);
}

// vantro_soundex(text): the first letter, then the codes of the letters after it (BFPV 1,
// CGJKQSXZ 2, DT 3, L 4, MN 5, R 6) to three digits, padded with 0. A vowel (or Y)
// separates two letters of one code, H and W do not; other characters are skipped.
void fn_soundex(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    static const char kCodes[] = "01230120022455012623010202";  // A..Z
    std::string s = text_of(argv[0]), out;
    char last = 0;
    for (char raw : s) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
        if (c < 'A' || c > 'Z') continue;
        char code = kCodes[c - 'A'];
        if (out.empty()) {
            out += c;
        } else if (code != '0' && code != last) {
            out += code;
            if (out.size() == 4) break;
        }
        if (c != 'H' && c != 'W') last = code;
    }
    if (out.empty()) return sqlite3_result_null(ctx);
    out.resize(4, '0');
    result_text(ctx, out);
}

// vantro_dump(type, value, format, start, length): DUMP's "Typ=n Len=n: b,b,b" of a
// VARCHAR2 (1), NUMBER (2), DATE (12), RAW (23), CHAR (96), BINARY_FLOAT (100),
// BINARY_DOUBLE (101), TIMESTAMP (180, 7 bytes without a fraction), TIMESTAMP WITH
// [LOCAL] TIME ZONE (181, 231) or INTERVAL (182, 183) value in its Oracle bytes; format 8 octal, 16 hexadecimal, 17 each
// byte as its printable ASCII character (control characters as ^X, others in hexadecimal),
// else decimal, plus 1000 to name the character set of text. start (negative: from the end)
// and length pick the bytes listed.
void fn_dump(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[1])) return result_text(ctx, "NULL");
    int type = sqlite3_value_int(argv[0]);
    std::vector<unsigned char> bytes;
    if (type == 2) {
        unsigned char num[kNumberBytesMax];
        std::size_t len = 0;
        if (!dump_number_bytes(ctx, argv[1], num, &len)) return;
        bytes.assign(num, num + len);
    } else if (type == kTypeBinaryFloat || type == kTypeBinaryDouble) {
        // IEEE 754 bytes, most significant first, the sign bit set for positive values and
        // every bit inverted for negative ones, so that the bytes sort as the numbers.
        double d = 0;
        if (sqlite3_value_type(argv[1]) == SQLITE_TEXT && upper_text(text_of(argv[1])) == "NAN")
            d = std::nan("");
        else if (!number_of(ctx, argv[1], &d))
            return;
        std::uint64_t bits = 0;
        int n = 8;
        if (type == kTypeBinaryFloat) {
            const float f = static_cast<float>(d);
            std::uint32_t b32 = 0;
            std::memcpy(&b32, &f, sizeof b32);
            bits = static_cast<std::uint64_t>(b32) << 32;
            n = 4;
        } else {
            std::memcpy(&bits, &d, sizeof bits);
        }
        bits = (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
        for (int k = 0; k < n; ++k) bytes.push_back(static_cast<unsigned char>(bits >> (56 - 8 * k)));
    } else if (type == 12 || type == 180) {
        DateValue d;
        if (!date_of(argv[1], &d)) return raise(ctx, 1858);
        bytes = {static_cast<unsigned char>(d.year / 100 + 100),
                 static_cast<unsigned char>(d.year % 100 + 100),
                 static_cast<unsigned char>(d.month),
                 static_cast<unsigned char>(d.day),
                 static_cast<unsigned char>(d.hour + 1),
                 static_cast<unsigned char>(d.minute + 1),
                 static_cast<unsigned char>(d.second + 1)};
        if (type == 180 && d.fraction != 0)
            for (int shift = 24; shift >= 0; shift -= 8)
                bytes.push_back(static_cast<unsigned char>((static_cast<unsigned>(d.fraction) >> shift) & 0xFF));
    } else if (type == 181 || type == 231) {
        // WITH TIME ZONE: the UTC date and time, the fraction in nanoseconds and the
        // offset's hours + 20 and minutes + 60; WITH LOCAL TIME ZONE: the database's time.
        DateValue d;
        std::string t = text_of(argv[1]);
        if (!date_parse_zoned(t.data(), t.size(), &d)) return raise(ctx, 1858);
        DateValue u = d;
        if (type == 181 && !date_from_seconds(date_seconds(d) - 60LL * d.zone_minutes, &u)) return raise(ctx, 1841);
        bytes = {static_cast<unsigned char>(u.year / 100 + 100),
                 static_cast<unsigned char>(u.year % 100 + 100),
                 static_cast<unsigned char>(u.month),
                 static_cast<unsigned char>(u.day),
                 static_cast<unsigned char>(u.hour + 1),
                 static_cast<unsigned char>(u.minute + 1),
                 static_cast<unsigned char>(u.second + 1)};
        if (type == 181 || d.fraction != 0)
            for (int shift = 24; shift >= 0; shift -= 8)
                bytes.push_back(static_cast<unsigned char>((static_cast<unsigned>(d.fraction) >> shift) & 0xFF));
        if (type == 181) {
            bytes.push_back(static_cast<unsigned char>(d.zone_minutes / 60 + 20));
            bytes.push_back(static_cast<unsigned char>(d.zone_minutes % 60 + 60));
        }
    } else if (type == 182 || type == 183) {
        // Intervals: each field signed, offset by 2^31 (years, days, nanoseconds) or 60.
        std::string t = text_of(argv[1]);
        IntervalValue iv;
        if (!interval_parse_stored(t.data(), t.size(), &iv)) return raise(ctx, 1867);
        const std::int64_t sign = iv.negative ? -1 : 1;
        auto wide = [&bytes](std::int64_t v) {
            const std::uint32_t u = static_cast<std::uint32_t>(v + 0x80000000LL);
            for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>((u >> shift) & 0xFF));
        };
        if (type == 182) {
            wide(sign * (iv.months / 12));
            bytes.push_back(static_cast<unsigned char>(sign * (iv.months % 12) + 60));
        } else {
            const std::int64_t seconds = iv.nanos / 1000000000LL;
            wide(sign * iv.days);
            bytes.push_back(static_cast<unsigned char>(sign * (seconds / 3600) + 60));
            bytes.push_back(static_cast<unsigned char>(sign * (seconds / 60 % 60) + 60));
            bytes.push_back(static_cast<unsigned char>(sign * (seconds % 60) + 60));
            wide(sign * (iv.nanos % 1000000000LL));
        }
    } else if (type == 1 || type == 96 || type == 23) {
        const unsigned char* p = static_cast<const unsigned char*>(
            type == 23 ? sqlite3_value_blob(argv[1]) : static_cast<const void*>(sqlite3_value_text(argv[1])));
        int n = sqlite3_value_bytes(argv[1]);
        if (p) bytes.assign(p, p + n);
    } else {
        return raise(ctx, 3001, ": DUMP of this type");
    }
    double fmt = 10, start = 1, len = 0;
    if (!is_null(argv[2]) && !number_of(ctx, argv[2], &fmt)) return;
    if (!is_null(argv[3]) && !number_of(ctx, argv[3], &start)) return;
    if (!is_null(argv[4]) && !number_of(ctx, argv[4], &len)) return;
    long base = static_cast<long>(fmt) % 1000;
    long n = static_cast<long>(bytes.size());
    long from = static_cast<long>(start);
    if (from < 0) from = n + from + 1;
    if (from < 1) from = 1;
    long to = len >= 1 ? from - 1 + static_cast<long>(len) : n;
    if (to > n) to = n;
    std::string out = "Typ=" + std::to_string(type) + " Len=" + std::to_string(n);
    if (fmt >= 1000 && (type == 1 || type == 96)) out += " CharacterSet=AL32UTF8";
    out += ": ";
    for (long i = from - 1; i < to; ++i) {
        const unsigned b = bytes[static_cast<std::size_t>(i)];
        char buf[8];
        if (base == 17 && b >= 0x20 && b < 0x7F)
            std::snprintf(buf, sizeof buf, "%c", static_cast<char>(b));
        else if (base == 17 && b < 0x20)
            std::snprintf(buf, sizeof buf, "^%c", static_cast<char>(b + 0x40));
        else
            std::snprintf(buf, sizeof buf, base == 8 ? "%o" : (base == 16 || base == 17 ? "%x" : "%u"), b);
        out += (i > from - 1 ? "," : "") + std::string(buf);
    }
    result_text(ctx, out);
}

Decimal decimal_div_two(const Decimal& a) {
    Decimal q;
    decimal_div(a, decimal_of_int(2), &q);
    return q;
}

// MOD, REMAINDER, ABS, SIGN, CEIL, FLOOR, ROUND and TRUNC of numbers, computed in decimal (MOD(0.3, 0.1) is 0,
// ROUND(2.675, 2) is 2.68). ROUND and TRUNC take places as Oracle does: cut to an integer.
bool decimal_math(sqlite3_context* ctx, const std::string& op, int argc, sqlite3_value** argv) {
    if (op != "MOD" && op != "CEIL" && op != "FLOOR" && op != "ROUND" && op != "TRUNC" && op != "ABS" &&
        op != "SIGN" && op != "REMAINDER")
        return false;
    Decimal x, y;
    if (!decimal_arg(ctx, argv[1], &x)) return true;
    if (argc > 2 && !decimal_arg(ctx, argv[2], &y)) return true;
    if (op == "MOD") {
        // x - y * TRUNC(x / y); MOD(x, 0) is x.
        Decimal q;
        if (!decimal_div(x, y, &q)) return result_decimal(ctx, x), true;
        result_decimal(ctx, decimal_sub(x, decimal_mul(y, decimal_trunc(q, 0))));
    } else if (op == "REMAINDER") {
        // x - y * N, N the integer nearest x / y, the even one on a tie.
        Decimal q;
        if (!decimal_div(x, y, &q)) return raise(ctx, 1476), true;
        Decimal n = decimal_round(q, 0);
        Decimal half = decimal_sub(q, decimal_trunc(q, 0));
        if (decimal_compare(decimal_mul(half, decimal_of_int(2)), decimal_of_int(half.negative ? -1 : 1)) == 0) {
            // A tie: the even neighbour of the two.
            Decimal n2 = decimal_trunc(q, 0);
            Decimal r2 = decimal_sub(n2, decimal_mul(decimal_trunc(decimal_div_two(n2), 0), decimal_of_int(2)));
            n = decimal_is_zero(r2) ? n2 : n;
        }
        result_decimal(ctx, decimal_sub(x, decimal_mul(y, n)));
    } else if (op == "ABS") {
        if (x.negative) x = decimal_negate(x);
        result_decimal(ctx, x);
    } else if (op == "SIGN") {
        sqlite3_result_int(ctx, decimal_compare(x, Decimal{}));
    } else if (op == "CEIL") {
        result_decimal(ctx, decimal_ceil(x));
    } else if (op == "FLOOR") {
        result_decimal(ctx, decimal_floor(x));
    } else {
        std::int64_t places = 0;
        if (argc > 2 && !decimal_to_int64(decimal_trunc(y, 0), &places))
            places = decimal_compare(y, Decimal{}) > 0 ? 1000 : -1000;
        int p = places > 1000 ? 1000 : (places < -1000 ? -1000 : static_cast<int>(places));
        result_decimal(ctx, op == "ROUND" ? decimal_round(x, p) : decimal_trunc(x, p));
    }
    return true;
}

// A number as an error message shows the argument: integers without a fraction.
std::string argument_text(double d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    return buf;
}

// The functions of one NUMBER that compute past NUMBER's precision (values/decimal.h).
struct DecimalFunctionRow {
    const char* name;
    DecimalFunction fn;
};
const DecimalFunctionRow kDecimalFunctions[] = {
    {"SQRT", DecimalFunction::Sqrt}, {"EXP", DecimalFunction::Exp},   {"LN", DecimalFunction::Ln},
    {"SIN", DecimalFunction::Sin},   {"COS", DecimalFunction::Cos},   {"TAN", DecimalFunction::Tan},
    {"ASIN", DecimalFunction::Asin}, {"ACOS", DecimalFunction::Acos}, {"ATAN", DecimalFunction::Atan},
    {"SINH", DecimalFunction::Sinh}, {"COSH", DecimalFunction::Cosh}, {"TANH", DecimalFunction::Tanh},
};

// POWER, SQRT, EXP, LN, LOG and the trigonometric and hyperbolic functions of NUMBER
// arguments, to NUMBER's precision. An argument outside the function's domain is
// ORA-01428 naming it, a result beyond NUMBER's range ORA-01426.
bool decimal_transcendental(sqlite3_context* ctx, const std::string& op, int argc, sqlite3_value** argv) {
    const DecimalFunctionRow* row = nullptr;
    for (const DecimalFunctionRow& r : kDecimalFunctions)
        if (op == r.name) row = &r;
    if (!row && op != "POWER" && op != "LOG" && op != "ATAN2") return false;
    if ((row && argc != 2) || (!row && argc != 3)) return raise(ctx, 909), true;
    Decimal x, y, r;
    if (!decimal_arg(ctx, argv[1], &x)) return true;
    if (!row && !decimal_arg(ctx, argv[2], &y)) return true;
    int code = 0;
    const Decimal* named = &x;
    if (row) {
        code = decimal_function(row->fn, x, &r);
    } else if (op == "POWER") {
        code = decimal_power(x, y, &r);
        named = &y;
    } else if (op == "LOG") {
        // LOG(base, x): a base of 1 has no logarithms.
        code = decimal_log(x, y, &r);
        const bool base_ok = !x.negative && !decimal_is_zero(x) && decimal_compare(x, decimal_of_int(1)) != 0;
        if (base_ok) named = &y;
    } else {
        code = decimal_atan2(x, y, &r);
    }
    if (code == 1428) return raise(ctx, 1428, decimal_number_text(*named)), true;
    if (code) return raise(ctx, code), true;
    result_decimal(ctx, r);
    return true;
}

// The transcendental functions, SQRT and POWER of binary values in IEEE arithmetic: outside
// a function's domain the result is NaN (the text NaN, as binary values keep it), beyond
// the range an infinity, as Oracle computes BINARY_DOUBLE. False for the other functions.
bool binary_transcendental(sqlite3_context* ctx, const std::string& op, int argc, sqlite3_value** argv) {
    static const struct {
        const char* name;
        double (*one)(double);
    } kUnary[] = {{"SQRT", std::sqrt}, {"EXP", std::exp},   {"LN", std::log},     {"SIN", std::sin},
                  {"COS", std::cos},   {"TAN", std::tan},   {"ASIN", std::asin},  {"ACOS", std::acos},
                  {"ATAN", std::atan}, {"SINH", std::sinh}, {"COSH", std::cosh},  {"TANH", std::tanh}};
    double (*one)(double) = nullptr;
    for (const auto& u : kUnary)
        if (op == u.name) one = u.one;
    if (!one && op != "POWER" && op != "LOG" && op != "ATAN2") return false;
    double v[2] = {0, 0};
    for (int k = 1; k < argc && k < 3; ++k) {
        if (sqlite3_value_type(argv[k]) == SQLITE_TEXT && upper_text(text_of(argv[k])) == "NAN")
            v[k - 1] = std::nan("");
        else if (!number_of(ctx, argv[k], &v[k - 1]))
            return true;
    }
    double r = one ? one(v[0]) : op == "POWER" ? std::pow(v[0], v[1])
                             : op == "LOG"   ? std::log(v[1]) / std::log(v[0])
                                             : std::atan2(v[0], v[1]);
    if (std::isnan(r)) {
        sqlite3_result_text(ctx, "NaN", 3, SQLITE_STATIC);
    } else if (std::isinf(r)) {
        sqlite3_result_double(ctx, r);
    } else {
        result_number(ctx, r);
    }
    return true;
}

// vantro_math(op, x[, y ...]): the numeric functions, NULL in giving NULL out;
// vantro_math_binary the same for BINARY_FLOAT and BINARY_DOUBLE arguments, which keep
// binary floating point.
void fn_math_of(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool binary) {
    for (int i = 1; i < argc; ++i)
        if (is_null(argv[i])) return sqlite3_result_null(ctx);
    std::string op = text_of(argv[0]);
    if (binary && binary_transcendental(ctx, op, argc, argv)) return;
    if (decimal_math(ctx, op, argc, argv)) return;
    if (!binary && decimal_transcendental(ctx, op, argc, argv)) return;
    double x = 0, y = 0;
    if (!number_of(ctx, argv[1], &x)) return;
    if (argc > 2 && !number_of(ctx, argv[2], &y)) return;
    if (op == "SIGN") return result_number(ctx, x > 0 ? 1 : (x < 0 ? -1 : 0));
    if (op == "POWER") {
        if (x < 0 && y != std::floor(y)) return raise(ctx, 1428, argument_text(y));
        return result_number(ctx, std::pow(x, y));
    }
    if (op == "SQRT") {
        if (x < 0) return raise(ctx, 1428, argument_text(x));
        return result_number(ctx, std::sqrt(x));
    }
    // The transcendental functions: an argument outside the function's domain is
    // ORA-01428, a result beyond NUMBER's range ORA-01426 (result_number).
    if (op == "EXP") return result_number(ctx, std::exp(x));
    if (op == "LN") {
        if (x <= 0) return raise(ctx, 1428, argument_text(x));
        return result_number(ctx, std::log(x));
    }
    if (op == "LOG") {
        // LOG(base, x): a base of 1 has no logarithms.
        if (x <= 0 || x == 1) return raise(ctx, 1428, argument_text(x));
        if (y <= 0) return raise(ctx, 1428, argument_text(y));
        return result_number(ctx, std::log(y) / std::log(x));
    }
    if (op == "SIN") return result_number(ctx, std::sin(x));
    if (op == "COS") return result_number(ctx, std::cos(x));
    if (op == "TAN") return result_number(ctx, std::tan(x));
    if (op == "SINH") return result_number(ctx, std::sinh(x));
    if (op == "COSH") return result_number(ctx, std::cosh(x));
    if (op == "TANH") return result_number(ctx, std::tanh(x));
    if (op == "ATAN") return result_number(ctx, std::atan(x));
    if (op == "ASIN" || op == "ACOS") {
        if (x < -1 || x > 1) return raise(ctx, 1428, argument_text(x));
        return result_number(ctx, op == "ASIN" ? std::asin(x) : std::acos(x));
    }
    if (op == "ATAN2") {
        if (x == 0 && y == 0) return raise(ctx, 1426);
        return result_number(ctx, std::atan2(x, y));
    }
    if (op == "REMAINDER") {
        // x - y * N, N the integer nearest x / y, the even one on a tie.
        if (y == 0) return raise(ctx, 1476);
        return result_number(ctx, std::remainder(x, y));
    }
    if (op == "BITAND") {
        // The AND of the integer parts, as two's complement 64-bit numbers.
        double tx = std::trunc(x), ty = std::trunc(y);
        if (std::fabs(tx) > 9.2e18 || std::fabs(ty) > 9.2e18) return raise(ctx, 1426);
        return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(tx) & static_cast<sqlite3_int64>(ty));
    }
    if (op == "WIDTH_BUCKET") {
        // WIDTH_BUCKET(value, low, high, buckets): equal-width buckets 1..buckets over
        // [low, high) (or (high, low] when low > high), 0 below and buckets + 1 above.
        double lo = y, hi = 0, n = 0;
        if (!number_of(ctx, argv[3], &hi) || !number_of(ctx, argv[4], &n)) return;
        n = std::trunc(n);
        if (n < 1) return raise(ctx, 30494, "4");
        if (lo == hi) return raise(ctx, 30494, "3");
        double b = 0;
        if (lo < hi)
            b = x < lo ? 0 : (x >= hi ? n + 1 : std::floor((x - lo) * n / (hi - lo)) + 1);
        else
            b = x > lo ? 0 : (x <= hi ? n + 1 : std::floor((lo - x) * n / (lo - hi)) + 1);
        return result_number(ctx, b);
    }
    raise(ctx, 904, op);
}
void fn_math(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    fn_math_of(ctx, argc, argv, false);
}
void fn_math_binary(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    fn_math_of(ctx, argc, argv, true);
}

// vantro_sys_guid(): sixteen random bytes, a RAW(16) as SYS_GUID returns it.
void fn_sys_guid(sqlite3_context* ctx, int, sqlite3_value**) {
    unsigned char bytes[16];
    sqlite3_randomness(sizeof bytes, bytes);
    sqlite3_result_blob(ctx, bytes, sizeof bytes, SQLITE_TRANSIENT);
}

int days_in_month(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

void result_date(sqlite3_context* ctx, const DateValue& d) {
    if (d.year < 1 || d.year > 9999) return raise(ctx, 1841);
    std::string s = date_stored_text(d);
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

DateValue add_months(DateValue d, long long n) {
    bool last = d.day == days_in_month(d.year, d.month);
    long long months = static_cast<long long>(d.year) * 12 + (d.month - 1) + n;
    d.year = static_cast<int>(months / 12);
    d.month = static_cast<int>(months % 12) + 1;
    int dim = d.year >= 1 ? days_in_month(d.year, d.month) : 31;
    if (last || d.day > dim) d.day = dim;
    return d;
}

// vantro_date_fn(op, date[, arg]): ADD_MONTHS, LAST_DAY, NEXT_DAY, MONTHS_BETWEEN and
// TRUNC/ROUND of dates to a format unit.
void fn_date(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 1; i < argc; ++i)
        if (is_null(argv[i])) return sqlite3_result_null(ctx);
    std::string op = text_of(argv[0]);
    DateValue d;
    if (!date_of(argv[1], &d)) return raise(ctx, 1858);
    if (op == "ADD_MONTHS") {
        double n = 0;
        if (!number_of(ctx, argv[2], &n)) return;
        if (std::fabs(n) > 120000) return raise(ctx, 1841);
        return result_date(ctx, add_months(d, static_cast<long long>(std::trunc(n))));
    }
    if (op == "LAST_DAY") {
        d.day = days_in_month(d.year, d.month);
        return result_date(ctx, d);
    }
    if (op == "MONTHS_BETWEEN") {
        DateValue e;
        if (!date_of(argv[2], &e)) return raise(ctx, 1858);
        double months = (d.year - e.year) * 12.0 + (d.month - e.month);
        bool both_last = d.day == days_in_month(d.year, d.month) && e.day == days_in_month(e.year, e.month);
        if (d.day != e.day && !both_last) {
            double secs_d = d.day * 86400.0 + d.hour * 3600.0 + d.minute * 60.0 + d.second;
            double secs_e = e.day * 86400.0 + e.hour * 3600.0 + e.minute * 60.0 + e.second;
            months += (secs_d - secs_e) / (31.0 * 86400.0);
        }
        return result_number(ctx, months);
    }
    if (op == "NEXT_DAY") {
        std::string want = upper_text(text_of(argv[2]));
        static const char* const kDays[] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                                            "THURSDAY", "FRIDAY", "SATURDAY"};
        int target = -1;
        for (int i = 0; i < 7; ++i)
            if (want.size() >= 3 && std::strncmp(kDays[i], want.c_str(), want.size()) == 0) target = i;
        if (target < 0) return raise(ctx, 1846);
        DateValue base;
        base.year = 2000;
        base.month = 1;
        base.day = 2;  // a Sunday
        DateValue day_only = d;
        day_only.hour = day_only.minute = day_only.second = 0;
        long long dow = static_cast<long long>(std::floor(date_diff_days(day_only, base))) % 7;
        if (dow < 0) dow += 7;
        long long ahead = (target - dow + 7) % 7;
        DateValue next;
        if (!date_add_days(d, static_cast<double>(ahead == 0 ? 7 : ahead), &next)) return raise(ctx, 1841);
        return result_date(ctx, next);
    }
    if (op == "TRUNC" || op == "ROUND") {
        std::string unit = argc > 2 ? upper_text(text_of(argv[2])) : "DD";
        DateValue r;
        int err = date_trunc_unit(d, unit, op == "ROUND", settings_of(ctx)->nls_territory != "AMERICA", &r);
        if (err) return raise(ctx, err);
        return result_date(ctx, r);
    }
    raise(ctx, 904, op);
}

// vantro_date_format(date, mask): TO_CHAR of a date with a mask.
void fn_date_format(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
    // A zoned value keeps its offset for TZH and TZM.
    DateValue d;
    std::string t = text_of(argv[0]);
    if (!date_parse_zoned(t.c_str(), t.size(), &d)) return raise(ctx, 1858);
    std::string mask = text_of(argv[1]);
    if (!date_mask_valid(mask)) return raise(ctx, 1821);
    // Room for the mask's longest text, so that nothing is cut.
    std::vector<char> buf(date_mask_width(mask) + 1);
    std::size_t n = date_format(d, mask, buf.data(), buf.size());
    result_text(ctx, std::string(buf.data(), n));
}

// vantro_to_date_mask(text, mask): TO_DATE with a mask.
void fn_to_date_mask(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
    const SessionSettings* s = settings_of(ctx);
    DateValue now;
    date_parse_stored(s->statement_time.c_str(), s->statement_time.size(), &now);
    DateValue out;
    OraError err;
    if (!date_parse(text_of(argv[0]), text_of(argv[1]), now, &out, &err)) return raise(ctx, err);
    result_date(ctx, out);
}

// A number format mask: digits 9 and 0, group separators (',' or G), the decimal point
// ('.' or D), FM, a leading '$', a leading or trailing currency element (L local, C ISO,
// U dual) and a leading or trailing S or trailing MI. D and G stand for the session's
// NLS_NUMERIC_CHARACTERS.
struct NumberMask {
    int int_digits = 0, zero_from = -1, frac_digits = 0;
    bool fm = false, dollar = false, sign_lead = false, sign_trail = false, minus_trail = false, point = false;
    char currency = 0;              // 'L', 'C' or 'U' when the mask has one
    bool currency_trail = false;    // ... as its last element
    bool angle = false;             // PR: a negative value in <angle brackets>, a positive one between blanks
    bool scientific = false;        // EEEE: one digit, the fraction digits and the exponent
    std::vector<int> groups;        // positions (digits from the right of the integer part) of ','
    std::vector<char> group_chars;  // ... and the character each stands for
    char point_char = '.';
    bool valid = true;
};

NumberMask parse_number_mask(const std::string& raw, const std::string& nls_numeric) {
    NumberMask m;
    char nls_point = nls_numeric.size() == 2 ? nls_numeric[0] : '.';
    char nls_group = nls_numeric.size() == 2 ? nls_numeric[1] : ',';
    std::string s = upper_text(raw);
    std::size_t i = 0;
    if (s.compare(0, 2, "FM") == 0) {
        m.fm = true;
        i = 2;
    }
    if (i < s.size() && s[i] == 'S') {
        m.sign_lead = true;
        ++i;
    }
    if (i < s.size() && s[i] == '$') {
        m.dollar = true;
        ++i;
    } else if (i < s.size() && (s[i] == 'L' || s[i] == 'C' || s[i] == 'U')) {
        m.currency = s[i];
        ++i;
    }
    std::vector<int> group_marks;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if ((c == 'L' || c == 'C' || c == 'U') && i + 1 == s.size() && !m.currency && !m.dollar) {
            m.currency = c;
            m.currency_trail = true;
        } else if (c == '9' || c == '0') {
            if (m.point) {
                ++m.frac_digits;
            } else {
                if (c == '0' && m.zero_from < 0) m.zero_from = m.int_digits;
                ++m.int_digits;
            }
        } else if ((c == ',' || c == 'G') && !m.point) {
            group_marks.push_back(m.int_digits);
            m.group_chars.push_back(c == 'G' ? nls_group : ',');
        } else if ((c == '.' || c == 'D') && !m.point) {
            m.point = true;
            m.point_char = c == 'D' ? nls_point : '.';
        } else if (c == 'S' && i + 1 == s.size()) {
            m.sign_trail = true;
        } else if (s.compare(i, 2, "MI") == 0 && i + 2 == s.size()) {
            m.minus_trail = true;
            ++i;
        } else if (s.compare(i, 2, "PR") == 0 && i + 2 == s.size() && !m.sign_lead) {
            m.angle = true;
            ++i;
        } else if (s.compare(i, 4, "EEEE") == 0 && i + 4 == s.size() && m.int_digits > 0 && group_marks.empty() &&
                   !m.dollar && !m.currency) {
            m.scientific = true;
            i += 3;
        } else {
            m.valid = false;
        }
    }
    for (int g : group_marks) m.groups.push_back(m.int_digits - g);
    return m;
}

// RN (upper case) or rn: the value rounded to an integer as a Roman numeral, 1 to 3999,
// right-aligned in 15 characters (FM: not padded); outside that range 15 hashes.
std::string roman_numeral(double v, bool lower, bool fm) {
    double r = std::round(v);
    if (!(r >= 1 && r <= 3999)) return std::string(15, '#');
    static const int kValues[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
    static const char* const kLetters[] = {"M", "CM", "D", "CD", "C", "XC", "L", "XL", "X", "IX", "V", "IV", "I"};
    int n = static_cast<int>(r);
    std::string out;
    for (int k = 0; k < 13; ++k)
        while (n >= kValues[k]) {
            out += kLetters[k];
            n -= kValues[k];
        }
    if (lower)
        for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!fm && out.size() < 15) out = std::string(15 - out.size(), ' ') + out;
    return out;
}

// X (or x) digits, with leading 0s to pad: the value rounded to an integer in hexadecimal,
// in as many digits as the mask has, after a blank for the sign (FM: no blank, no
// padding). Negative values and values too wide give hashes. Answers false when the
// mask is not a hexadecimal one.
bool hex_number(double v, const std::string& raw, std::string* out) {
    std::size_t i = 0;
    bool fm = raw.size() >= 2 && std::toupper(static_cast<unsigned char>(raw[0])) == 'F' &&
              std::toupper(static_cast<unsigned char>(raw[1])) == 'M';
    if (fm) i = 2;
    std::size_t zeros = 0;
    while (i + zeros < raw.size() && raw[i + zeros] == '0') ++zeros;
    std::size_t xs = i + zeros;
    bool lower = xs < raw.size() && raw[xs] == 'x';
    while (xs < raw.size() && (raw[xs] == 'X' || raw[xs] == 'x')) ++xs;
    if (xs != raw.size() || xs == i + zeros) return false;
    std::size_t width = raw.size() - i;
    double r = std::round(v);
    char buf[64];
    std::string hex;
    if (r >= 0 && r < 18446744073709551616.0) {
        std::snprintf(buf, sizeof buf, lower ? "%llx" : "%llX", static_cast<unsigned long long>(r));
        hex = buf;
    }
    if (hex.empty() || hex.size() > width) {
        *out = std::string(width + 1, '#');
        return true;
    }
    if (zeros > 0 && hex.size() < width) hex = std::string(width - hex.size(), '0') + hex;
    if (!fm) hex = std::string(width + 1 - hex.size(), ' ') + hex;
    *out = hex;
    return true;
}

// The text a currency element writes: NLS_CURRENCY for L, NLS_DUAL_CURRENCY for U, and
// for C the ISO code of the NLS_ISO_CURRENCY territory.
std::string number_mask_currency(const SessionSettings& s, char element) {
    static const std::pair<const char*, const char*> kIsoCodes[] = {{"AMERICA", "USD"}, {"GERMANY", "EUR"}};
    if (element == 'L') return s.nls_currency;
    if (element == 'U') return s.nls_dual_currency;
    for (const auto& [territory, code] : kIsoCodes)
        if (s.nls_iso_currency == territory) return code;
    return s.nls_iso_currency;
}

// Characters, not bytes, of UTF-8 text: a currency symbol such as the euro sign fills one
// place of the padded result.
int number_mask_chars(const std::string& t) {
    int n = 0;
    for (unsigned char c : t) n += (c & 0xC0) != 0x80;
    return n;
}

// The text minimum masks write: TM (TM9) the shortest plain text while it has at most 64
// characters, else scientific notation; TME always scientific (1.234E+03, 0E+00). The
// decimal character is the session's.
std::string number_tm_text(const Decimal& a, bool scientific, char point) {
    std::string text;
    if (decimal_is_zero(a)) {
        text = scientific ? "0E+00" : "0";
    } else {
        const int e10 = decimal_magnitude(a);
        const int digits = decimal_digit_count(a);
        if (!scientific) {
            text = decimal_number_text(a);
            if (text.find('E') != std::string::npos) {
                const int lowest = e10 - digits + 1;
                std::string plain = decimal_fixed_text(a, lowest < 0 ? -lowest : 0);
                if (plain.compare(0, 2, "0.") == 0) plain.erase(0, 1);
                if (plain.size() + (a.negative ? 1 : 0) <= 64) text = (a.negative ? "-" : "") + plain;
            }
        } else {
            Decimal m = a;
            m.negative = false;
            m.exp -= e10;
            std::string mantissa = decimal_fixed_text(m, digits - 1);
            char e[16];
            std::snprintf(e, sizeof e, "E%c%02d", e10 < 0 ? '-' : '+', e10 < 0 ? -e10 : e10);
            text = (a.negative ? "-" : "") + mantissa + e;
        }
    }
    if (point != '.')
        for (char& c : text)
            if (c == '.') c = point;
    return text;
}

// The NLS parameters TO_CHAR of a number takes ("NLS_NUMERIC_CHARACTERS = ',.'
// NLS_CURRENCY = 'EUR'"), applied over the session's; false for text that is no such list
// or names another parameter (ORA-12702).
bool number_nls_params(const std::string& text, SessionSettings* s) {
    std::size_t i = 0;
    auto blanks = [&] {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    };
    bool any = false;
    for (;;) {
        blanks();
        if (i >= text.size()) return any;
        std::string name;
        while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i++])));
        blanks();
        if (name.empty() || i >= text.size() || text[i] != '=') return false;
        ++i;
        blanks();
        std::string value;
        if (i < text.size() && text[i] == '\'') {
            std::size_t close = text.find('\'', i + 1);
            if (close == std::string::npos) return false;
            value = text.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) value += text[i++];
        }
        if (name == "NLS_NUMERIC_CHARACTERS") {
            // A decimal and a group character, different, neither a digit nor a sign.
            if (value.size() != 2 || value[0] == value[1]) return false;
            for (char c : value)
                if (std::isdigit(static_cast<unsigned char>(c)) || std::strchr("+-<>", c)) return false;
            s->nls_numeric_characters = value;
        } else if (name == "NLS_CURRENCY" && value.size() <= 10) {
            s->nls_currency = value;
        } else if (name == "NLS_DUAL_CURRENCY" && value.size() <= 10) {
            s->nls_dual_currency = value;
        } else if (name == "NLS_ISO_CURRENCY") {
            std::string upper;
            for (char c : value) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            s->nls_iso_currency = upper;
        } else {
            return false;
        }
        any = true;
    }
}

void fn_number_format(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
    SessionSettings nls = *settings_of(ctx);
    if (argc > 2 && !is_null(argv[2]) && !number_nls_params(text_of(argv[2]), &nls)) return raise(ctx, 12702);
    double v = 0;
    if (!number_of(ctx, argv[0], &v)) return;
    std::string raw = text_of(argv[1]);
    std::string upper_mask = upper_text(raw);
    if (upper_mask == "RN" || upper_mask == "FMRN") {
        bool fm = upper_mask.size() == 4;
        return result_text(ctx, roman_numeral(v, raw[fm ? 2 : 0] == 'r', fm));
    }
    if (upper_mask == "TM" || upper_mask == "TM9" || upper_mask == "TME") {
        Decimal d;
        if (!decimal_arg(ctx, argv[0], &d)) return;
        const std::string& chars = nls.nls_numeric_characters;
        return result_text(ctx, number_tm_text(d, upper_mask == "TME", chars.empty() ? '.' : chars[0]));
    }
    std::string hex;
    if (hex_number(v, raw, &hex)) return result_text(ctx, hex);
    NumberMask m = parse_number_mask(raw, nls.nls_numeric_characters);
    if (!m.valid) return raise(ctx, 1481);
    bool neg = v < 0;
    double a = std::fabs(v);
    char buf[512];
    if (m.scientific) {
        // One digit before the point whatever the mask has there, then the exponent.
        std::snprintf(buf, sizeof buf, "%.*E", m.frac_digits, a);
        std::string body = buf;
        if (m.point && m.frac_digits == 0) body.insert(1, 1, '.');
        if (m.point && m.point_char != '.') {
            std::size_t dot = body.find('.');
            if (dot != std::string::npos) body[dot] = m.point_char;
        }
        return result_text(ctx, (neg ? "-" : (m.fm ? "" : " ")) + body);
    }
    // The digits come from the number's decimal value, rounded half away from zero, so
    // 0.1 shows as 0.1000 (not the double's binary tail) and 2.5 rounds to 3.
    Decimal exact;
    if (!decimal_arg(ctx, argv[0], &exact)) return;
    exact.negative = false;
    std::string digits = decimal_fixed_text(exact, m.frac_digits);
    std::size_t dot = digits.find('.');
    std::string ip = digits.substr(0, dot), fp = dot == std::string::npos ? std::string() : digits.substr(dot + 1);
    if (ip == "0" && (m.zero_from < 0 || m.zero_from >= m.int_digits) && (m.frac_digits > 0 || m.int_digits == 0))
        ip.clear();
    if (ip.empty() && m.int_digits > 0 && m.frac_digits == 0) ip = "0";
    // A currency element takes the room of the longest symbol, ten characters, as Oracle
    // leaves for it.
    const int kCurrencyRoom = 10;
    int width = m.int_digits + static_cast<int>(m.groups.size()) + (m.point ? 1 + m.frac_digits : 0) +
                (m.dollar ? 1 : 0) + (m.currency ? kCurrencyRoom : 0) + 1;
    if (static_cast<int>(ip.size()) > m.int_digits) {
        result_text(ctx, std::string(static_cast<std::size_t>(m.fm ? width - 1 : width), '#'));
        return;
    }
    if (m.zero_from >= 0) {
        int zeros = m.int_digits - m.zero_from;
        while (static_cast<int>(ip.size()) < zeros) ip = "0" + ip;
    }
    std::string grouped;
    for (std::size_t k = 0; k < ip.size(); ++k) {
        int from_right = static_cast<int>(ip.size() - k);
        for (std::size_t gi = 0; gi < m.groups.size(); ++gi)
            if (m.groups[gi] == from_right && k > 0) grouped += m.group_chars[gi];
        grouped += ip[k];
    }
    std::string symbol = m.currency ? number_mask_currency(nls, m.currency) : std::string();
    std::string body = (m.dollar ? "$" : "") + (m.currency_trail ? "" : symbol) + grouped +
                       (m.point ? m.point_char + fp : "") + (m.currency_trail ? symbol : "");
    std::string r;
    if (m.sign_lead)
        r = (neg ? "-" : "+") + body;
    else if (m.sign_trail)
        r = body + (neg ? "-" : "+");
    else if (m.minus_trail)
        r = body + (neg ? "-" : (m.fm ? "" : " "));
    else if (m.angle)
        r = neg ? "<" + body + ">" : (m.fm ? body : " " + body + " ");
    else
        r = (neg ? "-" : (m.fm ? "" : " ")) + body;
    if (!m.fm) {
        int pad = width - number_mask_chars(r) + (m.sign_lead || m.sign_trail || m.minus_trail ? 1 : 0) + (m.angle ? 1 : 0);
        if (pad > 0) r = std::string(static_cast<std::size_t>(pad), ' ') + r;
    }
    result_text(ctx, r);
}

// vantro_to_number_mask(text, mask): the text must fit the mask's digits, separators,
// currency sign and sign; more digits than the mask has before or after the decimal
// point is ORA-01722, as Oracle answers.
void fn_to_number_mask(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
    NumberMask m = parse_number_mask(text_of(argv[1]), settings_of(ctx)->nls_numeric_characters);
    if (!m.valid || m.int_digits + m.frac_digits == 0) return raise(ctx, 1481);
    std::string t = text_of(argv[0]);
    std::size_t first = t.find_first_not_of(' ');
    if (first == std::string::npos) return sqlite3_result_null(ctx);
    t = t.substr(first, t.find_last_not_of(' ') - first + 1);
    if (m.scientific) return raise(ctx, 1481);
    bool negative = false;
    std::size_t i = 0;
    if (m.angle && t.size() >= 2 && t.front() == '<' && t.back() == '>') {
        // PR: a negative number between angle brackets.
        t = t.substr(1, t.size() - 2);
        negative = true;
    } else if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        negative = t[i] == '-';
        ++i;
    }
    if (m.dollar && i < t.size() && t[i] == '$') ++i;
    if (m.currency) {
        // The symbol the mask's currency element writes, where the element stands.
        std::string symbol = number_mask_currency(*settings_of(ctx), m.currency);
        if (!m.currency_trail && t.compare(i, symbol.size(), symbol) == 0) {
            i += symbol.size();
        } else if (m.currency_trail && t.size() >= i + symbol.size() &&
                   t.compare(t.size() - symbol.size(), symbol.size(), symbol) == 0) {
            t.erase(t.size() - symbol.size());
        }
    }
    std::string digits;
    int before = 0, after = 0;
    bool point = false;
    bool trailing_sign = m.minus_trail || m.sign_trail || m.sign_lead;
    for (; i < t.size(); ++i) {
        char c = t[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digits += c;
            (point ? after : before) += 1;
        } else if (c == m.point_char && m.point && !point) {
            point = true;
            digits += '.';
        } else if (!point && std::find(m.group_chars.begin(), m.group_chars.end(), c) != m.group_chars.end()) {
        } else if ((c == '-' || c == '+') && i + 1 == t.size() && trailing_sign && !negative) {
            negative = c == '-';
        } else {
            return raise(ctx, 1722);
        }
    }
    if (before + after == 0 || before > m.int_digits || after > m.frac_digits) return raise(ctx, 1722);
    double d = 0;
    std::int64_t iv = 0;
    bool is_int = false;
    if (!number_parse(digits.data(), digits.size(), &d, &iv, &is_int)) return raise(ctx, 1722);
    if (is_int) return sqlite3_result_int64(ctx, negative ? -iv : iv);
    result_number(ctx, negative ? -d : d);
}

// vantro_raise(text): fails the statement with text ("ORA-nnnnn: message").
void fn_raise(sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::string text = text_of(argv[0]);
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

struct FunctionEntry {
    const char* name;
    int args;
    bool deterministic;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

const FunctionEntry kFunctions[] = {
    {"vantro_pad", 4, true, fn_pad},
    {"vantro_substr", 2, true, fn_substr},
    {"vantro_substr", 3, true, fn_substr},
    {"vantro_substrb", 2, true, fn_substrb},
    {"vantro_substrb", 3, true, fn_substrb},
    {"vantro_instr", -1, true, fn_instr},
    {"vantro_instrb", -1, true, fn_instrb},
    {"vantro_lengthb", 1, true, fn_lengthb},
    {"vantro_vsize_number", 1, true, fn_vsize_number},
    {"vantro_upper", 1, true, fn_upper},
    {"vantro_lower", 1, true, fn_lower},
    {"vantro_initcap", 1, true, fn_initcap},
    {"vantro_trim", 3, true, fn_trim},
    {"vantro_replace", -1, true, fn_replace},
    {"vantro_translate", 3, true, fn_translate},
    {"vantro_chr", 1, true, fn_chr},
    {"vantro_ascii", 1, true, fn_ascii},
    {"vantro_soundex", 1, true, fn_soundex},
    {"vantro_dump", 5, true, fn_dump},
    {"vantro_math", -1, true, fn_math},
    {"vantro_math_binary", -1, true, fn_math_binary},
    {"vantro_date_fn", -1, true, fn_date},
    {"vantro_date_format", 2, true, fn_date_format},
    {"vantro_to_date_mask", 2, false, fn_to_date_mask},
    {"vantro_number_format", 2, true, fn_number_format},
    {"vantro_number_format", 3, true, fn_number_format},
    {"vantro_to_number_mask", 2, true, fn_to_number_mask},
    {"vantro_raise", 1, false, fn_raise},
    {"vantro_sys_guid", 0, false, fn_sys_guid},
};

}  // namespace

bool dialect_functions_register(sqlite3* db, SessionSettings* settings) {
    if (!json_generation_register(db)) return false;
    if (!xml_functions_register(db) || !xml_query_functions_register(db)) return false;
    for (const FunctionEntry& f : kFunctions) {
        int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        if (sqlite3_create_function(db, f.name, f.args, flags, settings, f.fn, nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    return regexp_functions_register(db) && raw_functions_register(db) && rowid_functions_register(db) &&
           supplied_functions_register(db, settings) && json_functions_register(db) && interval_functions_register(db);
}

namespace {

using Args = std::vector<DialectArg>;

// A row's translation: the SQLite text of the call; *type receives the result type. The
// argument count is already checked against the row.
using Rule = std::string (*)(const std::string& name, const Args& a, OraType* type);

std::string to_date_of(const DialectArg& a) {
    return date_type(a.type) ? a.sql : "vantro_to_date(" + a.sql + ")";
}

std::string decode(const std::string&, const Args& a, OraType* type) {
    std::size_t n = a.size();
    std::vector<const DialectArg*> results;
    for (std::size_t i = 2; i < n; i += 2) results.push_back(&a[i]);
    if (n % 2 == 0) results.push_back(&a[n - 1]);
    *type = branch_type(results);
    std::string s = "(CASE";
    for (std::size_t i = 1; i + 1 < n; i += 2)
        s += " WHEN " + compared(a[0], a[i]) + " IS " + compared(a[i], a[0]) + " THEN " + as_result(a[i + 1], *type);
    if (n % 2 == 0) s += " ELSE " + as_result(a[n - 1], *type);
    return s + " END)";
}

std::string nvl2(const std::string&, const Args& a, OraType* type) {
    *type = branch_type({&a[1], &a[2]});
    return "(CASE WHEN " + a[0].sql + " IS NOT NULL THEN " + as_result(a[1], *type) + " ELSE " +
           as_result(a[2], *type) + " END)";
}

std::string coalesce(const std::string&, const Args& a, OraType* type) {
    std::vector<const DialectArg*> all;
    for (const DialectArg& x : a) all.push_back(&x);
    *type = branch_type(all);
    std::vector<std::string> parts;
    for (const DialectArg& x : a) parts.push_back(as_result(x, *type));
    if (parts.size() == 1) parts.push_back("NULL");
    return folded_call("coalesce", parts);
}

std::string nullif(const std::string&, const Args& a, OraType* type) {
    *type = a[0].type;
    return "nullif(" + a[0].sql + "," + compared(a[1], a[0]) + ")";
}

std::string sys_context(const std::string&, const Args& a, OraType* type) {
    *type = make_varchar(256);
    return "vantro_sys_context(" + a[0].text_sql + "," + a[1].text_sql + ")";
}

std::string userenv(const std::string&, const Args& a, OraType* type) {
    std::string p = upper_text(a[0].literal);
    bool numeric = a[0].is_literal && (p == "SESSIONID" || p == "ENTRYID" || p == "SCHEMAID" ||
                                       p == "CURRENT_SCHEMAID" || p == "SESSION_USERID" || p == "CURRENT_USERID");
    std::string s = "vantro_sys_context('USERENV'," + a[0].text_sql + ")";
    *type = numeric ? make_number() : make_varchar(256);
    return numeric ? "vantro_to_number(" + s + ")" : s;
}

// TO_NCHAR: TO_CHAR's text in the national character set (one with the database's here),
// typed NVARCHAR2.
std::string to_char(const std::string&, const Args& a, OraType* type);
std::string to_nchar(const std::string& f, const Args& a, OraType* type) {
    std::string sql = to_char(f, a, type);
    type->national = true;
    return sql;
}

std::string upper_lower(const std::string& f, const Args& a, OraType* type) {
    // As wide as the argument's text, which may be nothing (UPPER(NULL)).
    *type = OraType();
    type->code = kTypeVarchar2;
    type->size = a[0].text_size > 4000 ? 4000 : a[0].text_size;
    return (f == "UPPER" ? "vantro_upper(" : "vantro_lower(") + a[0].text_sql + ")";
}

// LENGTH and LENGTHC count characters (SQLite's length of text does), LENGTHB bytes.
std::string length(const std::string& f, const Args& a, OraType* type) {
    *type = make_number();
    return (f == "LENGTHB" ? "vantro_lengthb(" : "length(") + a[0].text_sql + ")";
}

// VSIZE: the bytes of the value as Oracle stores it.
std::string vsize(const std::string&, const Args& a, OraType* type) {
    *type = make_number();
    if (a[0].null_literal) return "NULL";
    if (number_type(a[0].type)) return "vantro_vsize_number(" + a[0].sql + ")";
    if (a[0].type.code == kTypeDate) return "(CASE WHEN " + a[0].sql + " IS NULL THEN NULL ELSE 7 END)";
    if (a[0].type.code == kTypeBinaryDouble || a[0].type.code == kTypeBinaryFloat)
        return "(CASE WHEN " + a[0].sql + " IS NULL THEN NULL ELSE " +
               (a[0].type.code == kTypeBinaryDouble ? "8" : "4") + " END)";
    if (date_type(a[0].type)) return "(CASE WHEN " + a[0].sql + " IS NULL THEN NULL ELSE 11 END)";
    if (a[0].type.code == kTypeRaw) return "nullif(length(" + a[0].sql + "),0)";
    return "vantro_lengthb(" + a[0].text_sql + ")";
}

std::string abs_of(const std::string&, const Args& a, OraType* type) {
    *type = make_number();
    return "vantro_math('ABS'," + a[0].sql + ")";
}

// LPAD and RPAD: n characters (the result is cut or padded to them).
std::string pad(const std::string& f, const Args& a, OraType* type) {
    long long chars = 4000;
    if (!literal_int(a[1], &chars)) chars = 4000;
    *type = make_varchar_chars(chars);
    return "vantro_pad(" + a[0].text_sql + "," + num(a[1]) + "," + (a.size() == 3 ? a[2].text_sql : "' '") + "," +
           (f == "LPAD" ? "1" : "0") + ")";
}

// SUBSTR with a constant position and length takes no more than the length's characters
// (SUBSTRB bytes), nor more than the text after the position: each character skipped
// before it is one byte at least.
std::string substr(const std::string& f, const Args& a, OraType* type) {
    // A text of n CHAR is counted in characters throughout.
    const bool in_chars = f == "SUBSTR" && char_type(a[0].type) && a[0].type.char_used;
    long long bytes = in_chars ? a[0].type.size : a[0].text_size, from = 0, count = 0;
    if (literal_int(a[1], &from) && from > 1) bytes -= from - 1;
    if (bytes < 1) bytes = 1;
    if (literal_int(a[1], &from) && from < 0 && f == "SUBSTRB" && -from < bytes) bytes = -from;
    long long chars = bytes;
    if (literal_int(a[1], &from) && from < 0 && -from < chars) chars = -from;
    if (a.size() == 3 && literal_int(a[2], &count) && count < chars) chars = count < 1 ? 1 : count;
    if (f == "SUBSTRB") bytes = chars < bytes ? chars : bytes;
    *type = !in_chars && (f == "SUBSTRB" || chars >= bytes) ? make_varchar(static_cast<std::uint32_t>(bytes))
                                                            : make_varchar_chars(chars);
    std::string fn = f == "SUBSTRB" ? "vantro_substrb(" : "vantro_substr(";
    return fn + a[0].text_sql + "," + num(a[1]) + (a.size() == 3 ? "," + num(a[2]) : "") + ")";
}

std::string instr(const std::string& f, const Args& a, OraType* type) {
    std::vector<std::string> parts{a[0].text_sql, a[1].text_sql};
    for (std::size_t i = 2; i < a.size(); ++i) parts.push_back(num(a[i]));
    *type = make_number();
    return call(f == "INSTRB" ? "vantro_instrb" : "vantro_instr", parts);
}

std::string initcap(const std::string&, const Args& a, OraType* type) {
    *type = make_varchar(a[0].text_size);
    return "vantro_initcap(" + a[0].text_sql + ")";
}

std::string trim(const std::string& f, const Args& a, OraType* type) {
    std::string mode = f == "LTRIM" ? "1" : (f == "RTRIM" ? "2" : "3");
    *type = make_varchar(a[0].text_size);
    return "vantro_trim(" + a[0].text_sql + "," + (a.size() == 2 ? a[1].text_sql : "' '") + "," + mode + ")";
}

// TRIM([LEADING | TRAILING | BOTH] c FROM text), which the grammar passes as text, c and
// the mode.
std::string trim_from(const std::string&, const Args& a, OraType* type) {
    *type = make_varchar(a[0].text_size);
    int mode = a[2].literal == "1" ? 1 : a[2].literal == "2" ? 2 : 3;
    return "vantro_trim(" + a[0].text_sql + "," + a[1].text_sql + "," + std::to_string(mode | 4) + ")";
}

std::string replace(const std::string&, const Args& a, OraType* type) {
    std::vector<std::string> parts;
    for (const DialectArg& x : a) parts.push_back(x.text_sql);
    // Each replaced occurrence takes the search string's bytes and gives the
    // replacement's: the text grows only when the replacement is the longer.
    std::uint64_t size = a[0].text_size;
    std::uint64_t search = a[1].is_literal ? a[1].literal.size() : 0;
    std::uint64_t with = a.size() == 3 ? a[2].text_size : 0;
    if (a.size() == 3 && a[2].null_literal) with = 0;
    const bool no_search = a[1].null_literal || (a[1].is_literal && a[1].literal.empty());
    if (!no_search && with > search) size = !a[1].is_literal ? 4000 : size + size / search * (with - search);
    *type = make_varchar(size > 4000 ? 4000 : static_cast<std::uint32_t>(size));
    return call("vantro_replace", parts);
}

// CONCAT(a, b) is a || b: a NULL operand counts as the empty string.
std::string concat(const std::string&, const Args& a, OraType* type) {
    const std::uint64_t size = static_cast<std::uint64_t>(a[0].text_size) + a[1].text_size;
    *type = make_varchar(size > 4000 ? 4000 : static_cast<std::uint32_t>(size));
    return call("vantro_concat", {a[0].text_sql, a[1].text_sql});
}

std::string translate(const std::string&, const Args& a, OraType* type) {
    // Characters may be replaced by longer ones unless the replacements are all ASCII.
    bool ascii_to = a[2].is_literal;
    for (char c : a[2].literal) ascii_to = ascii_to && static_cast<unsigned char>(c) < 0x80;
    *type = make_varchar(ascii_to ? a[0].text_size : char_bytes(a[0].text_size));
    return call("vantro_translate", {a[0].text_sql, a[1].text_sql, a[2].text_sql});
}

std::string chr(const std::string&, const Args& a, OraType* type) {
    *type = make_varchar(4);  // one character, of up to 4 bytes
    return "vantro_chr(" + num(a[0]) + ")";
}

// DUMP(value[, format[, start[, length]]]): the value's type code chosen here, its bytes
// at run time.
std::string dump(const std::string&, const Args& a, OraType* type) {
    *type = make_varchar(4000);
    int code = 0;
    if (a[0].null_literal || a[0].type.code == kTypeVarchar2)
        code = 1;
    else if (number_type(a[0].type))
        code = 2;
    else if (a[0].type.code == kTypeDate)
        code = 12;
    else if (a[0].type.code == kTypeTimestamp)
        code = 180;
    else if (a[0].type.code == kTypeRaw)
        code = 23;
    else if (a[0].type.code == kTypeChar)
        code = 96;
    else if (a[0].type.code == kTypeBinaryFloat || a[0].type.code == kTypeBinaryDouble)
        code = a[0].type.code;
    else if (a[0].type.code == kTypeTimestampTz)
        code = 181;
    else if (a[0].type.code == kTypeTimestampLtz)
        code = 231;
    else if (a[0].type.code == kTypeIntervalYm)
        code = 182;
    else if (a[0].type.code == kTypeIntervalDs)
        code = 183;
    else if (a[0].type.code == kTypeClob || a[0].type.code == kTypeBlob || a[0].type.code == kTypeBfile) {
        // DUMP takes no LOB, as in Oracle.
        const char* got = a[0].type.code == kTypeBlob ? "BLOB" : a[0].type.code == kTypeBfile ? "BFILE"
                          : a[0].type.national                 ? "NCLOB"
                                                               : "CLOB";
        std::string text = ora_format(932, ora_message(932, "-", got));
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return "vantro_raise('" + text + "')";
    }
    std::vector<std::string> parts{std::to_string(code), code == 1 || code == 96 ? a[0].text_sql : a[0].sql};
    for (std::size_t i = 1; i < 4; ++i) parts.push_back(i < a.size() ? num(a[i]) : "NULL");
    return call("vantro_dump", parts);
}

std::string soundex(const std::string&, const Args& a, OraType* type) {
    *type = make_varchar(4);
    return "vantro_soundex(" + a[0].text_sql + ")";
}

std::string ascii(const std::string&, const Args& a, OraType* type) {
    *type = make_number();
    return "vantro_ascii(" + a[0].text_sql + ")";
}

// MOD, POWER, SIGN, CEIL, FLOOR, SQRT ...: vantro_math with the function's name, or
// vantro_math_binary when an argument is BINARY_FLOAT or BINARY_DOUBLE.
// The numeric functions: with a BINARY_FLOAT or BINARY_DOUBLE argument they compute and
// return the binary type of highest precedence (BINARY_DOUBLE over BINARY_FLOAT), the
// transcendental ones BINARY_DOUBLE for a BINARY_FLOAT too; SIGN, BITAND and
// WIDTH_BUCKET return NUMBER.
std::string math(const std::string& f, const Args& a, OraType* type) {
    std::vector<std::string> parts{"'" + f + "'"};
    bool binary = false, doubled = false;
    for (const DialectArg& x : a) {
        parts.push_back(num(x));
        binary = binary || x.type.code == kTypeBinaryDouble || x.type.code == kTypeBinaryFloat;
        doubled = doubled || x.type.code == kTypeBinaryDouble;
    }
    *type = make_number();
    const bool keeps_type = f == "MOD" || f == "REMAINDER" || f == "CEIL" || f == "FLOOR" || f == "SQRT";
    if (binary && f != "SIGN" && f != "BITAND" && f != "WIDTH_BUCKET") {
        const bool single = !doubled && keeps_type;
        type->code = single ? kTypeBinaryFloat : kTypeBinaryDouble;
        type->size = single ? 4 : 8;
        type->scale = 0;
    }
    return call(binary ? "vantro_math_binary" : "vantro_math", parts);
}

// NANVL(n2, n1): n1 when n2 is a binary NaN, else n2; NULL when either is. The result
// has the binary type of the arguments when one has one.
std::string nanvl(const std::string&, const Args& a, OraType* type) {
    *type = make_number();
    for (const DialectArg& x : a)
        if (x.type.code == kTypeBinaryDouble || (x.type.code == kTypeBinaryFloat && type->code != kTypeBinaryDouble)) {
            type->code = x.type.code;
            type->size = x.type.code == kTypeBinaryDouble ? 8 : 4;
            type->scale = 0;
        }
    if (type->code == kTypeNumber)
        return "(CASE WHEN " + num(a[1]) + " IS NULL THEN NULL ELSE " + num(a[0]) + " END)";
    const std::string single = type->code == kTypeBinaryFloat ? "1" : "0";
    return "vantro_nanvl(vantro_cast_binary(" + a[0].sql + "," + single + "),vantro_cast_binary(" + a[1].sql + "," +
           single + "))";
}

// LNNVL(condition): TRUE when the condition is FALSE or UNKNOWN.
std::string lnnvl(const std::string&, const Args& a, OraType* type) {
    *type = make_number();
    return "(CASE WHEN " + a[0].sql + " THEN 0 ELSE 1 END)";
}

std::string sys_guid(const std::string&, const Args&, OraType* type) {
    *type = OraType();
    type->code = kTypeRaw;
    type->size = 16;
    return "vantro_sys_guid()";
}

std::string round_trunc(const std::string& f, const Args& a, OraType* type) {
    if (date_type(a[0].type)) {
        *type = make_date();
        return "vantro_date_fn('" + f + "'," + a[0].sql + (a.size() == 2 ? "," + a[1].text_sql : "") + ")";
    }
    return math(f, a, type);
}

std::string greatest_least(const std::string& f, const Args& a, OraType* type) {
    OraType t = a[0].type;
    if (char_type(t)) {
        std::uint32_t widest = 0;
        for (const DialectArg& x : a) widest = x.text_size > widest ? x.text_size : widest;
        t = make_varchar(widest);
    }
    *type = t;
    std::vector<std::string> parts;
    for (const DialectArg& x : a) parts.push_back(as_result(x, t));
    if (parts.size() == 1) return parts[0];
    // Numbers compare numerically in every stored form (SQLite's max/min would put NUMBER
    // bytes above every number). Both give NULL when any argument is NULL, as Oracle does.
    if (t.code == kTypeNumber) return folded_call(f == "GREATEST" ? "vantro_num_greatest" : "vantro_num_least", parts);
    return folded_call(f == "GREATEST" ? "max" : "min", parts);
}

// ADD_MONTHS, LAST_DAY, NEXT_DAY: vantro_date_fn on the date and the second argument.
std::string date_fn(const std::string& f, const Args& a, OraType* type) {
    *type = make_date();
    std::string second;
    if (a.size() == 2) second = "," + (f == "ADD_MONTHS" ? num(a[1]) : a[1].text_sql);
    return "vantro_date_fn('" + f + "'," + to_date_of(a[0]) + second + ")";
}

std::string months_between(const std::string&, const Args& a, OraType* type) {
    *type = make_number();
    return "vantro_date_fn('MONTHS_BETWEEN'," + to_date_of(a[0]) + "," + to_date_of(a[1]) + ")";
}

// The SQL that fails a statement with Oracle's error code (its message without arguments).
std::string raising_sql(int code, const std::string& arg = {}) {
    std::string text = ora_format(code, ora_message(code, arg, {}));
    if (!text.empty() && text.back() == '\n') text.pop_back();
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return "vantro_raise(" + quoted + "')";
}

// The NLS parameter of TO_CHAR and TO_DATE of a date (their third argument): the engine
// writes and reads one date language and one calendar, so 'NLS_DATE_LANGUAGE = AMERICAN'
// (or ENGLISH) and 'NLS_CALENDAR = GREGORIAN' change nothing. Empty for such a literal (or
// NULL); otherwise the SQL raising Oracle's error: ORA-12702 for another parameter,
// ORA-12705 for another language or calendar, ORA-03001 for a parameter known only when
// the statement runs.
std::string date_nls_param_error(const DialectArg& p) {
    if (p.null_literal) return {};
    if (!p.is_literal) return raising_sql(3001, ": NLS parameter not given as a literal");
    std::string text;
    for (char c : p.literal)
        if (c != ' ' && c != '\t' && c != '\'' && c != '"') text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) return raising_sql(12702);
    const std::string name = text.substr(0, equals);
    const std::string value = text.substr(equals + 1);
    if (name == "NLS_DATE_LANGUAGE") return value == "AMERICAN" || value == "ENGLISH" ? std::string() : raising_sql(12705);
    if (name == "NLS_CALENDAR") return value == "GREGORIAN" ? std::string() : raising_sql(12705);
    return raising_sql(12702);
}

// TO_BINARY_DOUBLE(expr), TO_BINARY_FLOAT(expr): a number or text (Inf, NaN and the binary
// range included) as the binary type. A format model is not taken.
std::string to_binary(const std::string& f, const Args& a, OraType* type) {
    const bool single = f == "TO_BINARY_FLOAT";
    type->code = single ? kTypeBinaryFloat : kTypeBinaryDouble;
    type->size = single ? 4 : 8;
    if (a.size() > 1) return raising_sql(3001, ": format models of " + f);
    if (!number_type(a[0].type) && !char_type(a[0].type)) {
        std::string text = ora_format(932, ora_message(932, "NUMBER", date_type(a[0].type) ? "DATE" : "BINARY"));
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return "vantro_raise('" + text + "')";
    }
    return "vantro_cast_binary(" + a[0].sql + "," + (single ? "1" : "0") + ")";
}

std::string to_char(const std::string& f, const Args& a, OraType* type) {
    if (a.size() == 3 && !(date_type(a[0].type) || a[0].type.code == kTypeTimestampLtz) && !char_type(a[0].type)) {
        // A number's NLS parameters: its decimal and group characters and currencies.
        OraType masked;
        Args two(a.begin(), a.begin() + 2);
        std::string sql = to_char(f, two, &masked);
        *type = masked;
        const std::string call = "vantro_number_format(";
        if (sql.compare(0, call.size(), call) != 0 || sql.back() != ')') return sql;
        sql.pop_back();
        return sql + "," + a[2].text_sql + ")";
    }
    if (a.size() == 3 && char_type(a[0].type)) {
        *type = make_varchar(a[0].text_size);
        return a[0].text_sql;
    }
    if (a.size() == 3) {
        const std::string failed = date_nls_param_error(a[2]);
        if (!failed.empty()) {
            *type = make_varchar(4000);
            return failed;
        }
    }
    if (a.size() == 1 || char_type(a[0].type)) {
        *type = make_varchar(a[0].text_size);
        return a[0].text_sql;
    }
    if (date_type(a[0].type) || a[0].type.code == kTypeTimestampLtz) {
        // As wide as the mask's longest text; a mask known only when the statement runs
        // has at most that many bytes, each of which writes no more than a spelled number.
        std::uint64_t width =
            a[1].is_literal ? date_mask_width(a[1].literal) : static_cast<std::uint64_t>(a[1].text_size) * 100;
        *type = make_varchar(width > 4000 ? 4000 : static_cast<std::uint32_t>(width));
        // A WITH LOCAL TIME ZONE value is formatted in the session's zone, as it is shown.
        if (a[0].type.code == kTypeTimestampLtz)
            return "vantro_date_format(vantro_tz_at(" + a[0].sql + ",NULL)," + a[1].text_sql + ")";
        return "vantro_date_format(" + a[0].sql + "," + a[1].text_sql + ")";
    }
    // A number mask writes one character for each of its own and one for the sign (the
    // hashes of a value too wide fill as much), a Roman numeral 15 and an exponent of three
    // digits one more.
    std::uint32_t width = a[1].text_size + 2;
    if (a[1].is_literal) {
        std::string mask = upper_text(a[1].literal);
        bool exponent = mask.find("EEEE") != std::string::npos;
        width = static_cast<std::uint32_t>(mask.size()) + (exponent ? 2 : 1);
        if (mask == "RN" || mask == "FMRN") width = 15;
        if (mask == "TM" || mask == "TM9" || mask == "TME") width = 64;
        // A currency element (L, C or U) writes a symbol of up to ten bytes.
        std::size_t body = mask.compare(0, 2, "FM") == 0 ? 2 : 0;
        if (body < mask.size() && mask[body] == 'S') ++body;
        bool lead = body < mask.size() && std::strchr("LCU", mask[body]);
        bool trail = mask.size() > body + 1 && std::strchr("LCU", mask.back());
        width += (lead ? 9 : 0) + (trail ? 9 : 0);
    }
    // A mask known only when the statement runs may be TM, whose text takes up to 64.
    *type = make_varchar(width < 64 && !a[1].is_literal ? 64 : width);
    return "vantro_number_format(" + num(a[0]) + "," + a[1].text_sql + ")";
}

std::string to_number(const std::string&, const Args& a, OraType* type) {
    *type = make_number();
    if (a.size() == 1 && (a[0].type.code == kTypeBinaryDouble || a[0].type.code == kTypeBinaryFloat))
        return "vantro_binary_number(" + a[0].sql + ")";
    if (a.size() == 1) return num(a[0]);
    return "vantro_to_number_mask(" + a[0].text_sql + "," + a[1].text_sql + ")";
}

std::string to_date(const std::string&, const Args& a, OraType* type) {
    *type = make_date();
    if (a.size() == 3) {
        const std::string failed = date_nls_param_error(a[2]);
        if (!failed.empty()) return failed;
    }
    if (a.size() == 1) return date_type(a[0].type) ? a[0].sql : "vantro_to_date(" + a[0].text_sql + ")";
    return "vantro_to_date_mask(" + a[0].text_sql + "," + a[1].text_sql + ")";
}

// TO_TIMESTAMP: text read through the mask (the session's NLS_TIMESTAMP_FORMAT without
// one); a DATE or TIMESTAMP argument is converted, not read as text. The third argument
// is TO_DATE's NLS parameter.
std::string to_timestamp(const std::string&, const Args& a, OraType* type) {
    type->code = kTypeTimestamp;
    type->size = 11;
    type->scale = 6;
    if (a.size() == 3) {
        const std::string failed = date_nls_param_error(a[2]);
        if (!failed.empty()) return failed;
    }
    if (a.size() == 1 && a[0].type.code == kTypeTimestamp) return a[0].sql;
    if (a.size() == 1 && a[0].type.code == kTypeDate) return "(" + a[0].sql + "||'.000000')";
    return "vantro_to_timestamp_mask(" + a[0].text_sql + "," + (a.size() > 1 ? a[1].text_sql : "NULL") + ")";
}

// TO_TIMESTAMP_TZ with TO_DATE's NLS parameter as its third argument.
std::string to_timestamp_tz(const std::string& f, const Args& a, OraType* type) {
    if (a.size() == 3) {
        const std::string failed = date_nls_param_error(a[2]);
        if (!failed.empty()) {
            zoned_function_sql(f, a, type);
            return failed;
        }
    }
    return zoned_function_sql(f, a, type);
}

// TO_CLOB and TO_NCLOB: character values and numbers or dates as their text; a BLOB or
// RAW is read as text of the database character set (the form with a character set id
// and MIME type takes the bytes as they are).
std::string to_lob_text(const std::string& f, const Args& a, OraType* type) {
    type->code = kTypeClob;
    type->size = 4000;
    type->national = f == "TO_NCLOB";
    if (a[0].type.code == kTypeBlob || a[0].type.code == kTypeRaw || a[0].type.code == kTypeLongRaw)
        return "CAST(" + a[0].sql + " AS TEXT)";
    return a[0].type.code == kTypeClob ? a[0].sql : a[0].text_sql;
}

// TO_BLOB: a BLOB or RAW as it is; character input is read as hexadecimal digits, as
// Oracle converts text to RAW.
std::string to_blob(const std::string&, const Args& a, OraType* type) {
    type->code = kTypeBlob;
    type->size = 4000;
    if (a[0].type.code == kTypeBlob || a[0].type.code == kTypeRaw || a[0].type.code == kTypeLongRaw) return a[0].sql;
    return "vantro_hextoraw(" + a[0].text_sql + ",0,NULL)";
}

constexpr std::uint8_t kAny = 255;

// The Oracle single-row functions: name, the argument counts Oracle accepts, and the
// translation (argument conversions, result type and the SQLite functions it calls).
struct FunctionRow {
    const char* name;
    std::uint8_t min_args;
    std::uint8_t max_args;  // kAny: no upper bound
    Rule rule;
    // Oracle's PL/SQL has no such function outside SQL statements (the encoding and
    // decoding functions and NVL2): a PL/SQL expression calling it is refused.
    bool sql_only = false;
};

const FunctionRow kCatalogue[] = {
    {"DECODE", 3, kAny, decode, true},
    {"NVL2", 3, 3, nvl2, true},
    {"COALESCE", 1, kAny, coalesce},
    {"NULLIF", 2, 2, nullif},
    {"SYS_CONTEXT", 2, 3, sys_context},
    {"USERENV", 1, 1, userenv},
    {"UPPER", 1, 1, upper_lower},
    {"LOWER", 1, 1, upper_lower},
    {"LENGTH", 1, 1, length},
    {"LENGTHB", 1, 1, length},
    {"LENGTHC", 1, 1, length},
    {"VSIZE", 1, 1, vsize, true},
    {"ABS", 1, 1, abs_of},
    {"LPAD", 2, 3, pad},
    {"RPAD", 2, 3, pad},
    {"SUBSTR", 2, 3, substr},
    {"SUBSTRB", 2, 3, substr},
    {"INSTR", 2, 4, instr},
    {"INSTRB", 2, 4, instr},
    {"INITCAP", 1, 1, initcap},
    {"TRIM", 1, 1, trim},
    {"LTRIM", 1, 2, trim},
    {"RTRIM", 1, 2, trim},
    {"TRIM FROM", 3, 3, trim_from},
    {"REPLACE", 2, 3, replace},
    {"CONCAT", 2, 2, concat},
    {"TRANSLATE", 3, 3, translate},
    {"CHR", 1, 1, chr},
    {"ASCII", 1, 1, ascii},
    {"SOUNDEX", 1, 1, soundex},
    {"DUMP", 1, 4, dump},
    {"MOD", 2, 2, math},
    {"POWER", 2, 2, math},
    {"SIGN", 1, 1, math},
    {"CEIL", 1, 1, math},
    {"FLOOR", 1, 1, math},
    {"SQRT", 1, 1, math},
    {"EXP", 1, 1, math},
    {"LN", 1, 1, math},
    {"LOG", 2, 2, math},
    {"SIN", 1, 1, math},
    {"COS", 1, 1, math},
    {"TAN", 1, 1, math},
    {"ASIN", 1, 1, math},
    {"ACOS", 1, 1, math},
    {"ATAN", 1, 1, math},
    {"ATAN2", 2, 2, math},
    {"SINH", 1, 1, math},
    {"COSH", 1, 1, math},
    {"TANH", 1, 1, math},
    {"REMAINDER", 2, 2, math},
    {"BITAND", 2, 2, math},
    {"WIDTH_BUCKET", 4, 4, math},
    {"NANVL", 2, 2, nanvl},
    {"LNNVL", 1, 1, lnnvl},
    {"SYS_GUID", 0, 0, sys_guid},
    {"ROUND", 1, 2, round_trunc},
    {"TRUNC", 1, 2, round_trunc},
    {"GREATEST", 1, kAny, greatest_least},
    {"LEAST", 1, kAny, greatest_least},
    {"ADD_MONTHS", 2, 2, date_fn},
    {"LAST_DAY", 1, 1, date_fn},
    {"NEXT_DAY", 2, 2, date_fn},
    {"MONTHS_BETWEEN", 2, 2, months_between},
    {"TO_CHAR", 1, 3, to_char},
    {"TO_NCHAR", 1, 3, to_nchar},
    {"TO_NUMBER", 1, 2, to_number},
    {"TO_BINARY_DOUBLE", 1, 3, to_binary},
    {"TO_BINARY_FLOAT", 1, 3, to_binary},
    {"TO_DATE", 1, 3, to_date},
    {"TO_TIMESTAMP", 1, 3, to_timestamp},
    {"TO_CLOB", 1, 3, to_lob_text},
    {"TO_NCLOB", 1, 1, to_lob_text},
    {"TO_BLOB", 1, 2, to_blob},
    {"REGEXP_SUBSTR", 2, 6, regexp_function_sql},
    {"REGEXP_INSTR", 2, 7, regexp_function_sql},
    {"REGEXP_REPLACE", 2, 6, regexp_function_sql},
    {"REGEXP_COUNT", 2, 4, regexp_function_sql},
    {"HEXTORAW", 1, 1, raw_function_sql},
    {"CHARTOROWID", 1, 1, rowid_function_sql},
    {"ROWIDTOCHAR", 1, 1, rowid_function_sql},
    {"RAWTOHEX", 1, 1, raw_function_sql},
    {"UTL_RAW.CAST_TO_RAW", 1, 1, raw_function_sql},
    {"UTL_RAW.CAST_TO_VARCHAR2", 1, 1, raw_function_sql},
    {"UTL_RAW.LENGTH", 1, 1, raw_function_sql},
    {"UTL_RAW.CONCAT", 1, 12, raw_function_sql},
    {"UTL_RAW.SUBSTR", 2, 3, raw_function_sql},
    {"UTL_RAW.BIT_AND", 2, 2, raw_function_sql},
    {"UTL_RAW.BIT_OR", 2, 2, raw_function_sql},
    {"UTL_RAW.BIT_XOR", 2, 2, raw_function_sql},
    {"UTL_RAW.BIT_COMPLEMENT", 1, 1, raw_function_sql},
    {"UTL_RAW.COMPARE", 2, 3, raw_function_sql},
    {"UTL_RAW.REVERSE", 1, 1, raw_function_sql},
    {"UTL_RAW.CAST_FROM_NUMBER", 1, 1, raw_function_sql},
    {"UTL_RAW.CAST_TO_NUMBER", 1, 1, raw_function_sql},
    {"ORA_HASH", 1, 3, raw_function_sql, true},
    {"NUMTODSINTERVAL", 2, 2, interval_function_sql},
    {"NUMTOYMINTERVAL", 2, 2, interval_function_sql},
    {"TO_DSINTERVAL", 1, 1, interval_function_sql},
    {"TO_YMINTERVAL", 1, 1, interval_function_sql},
    {"SYS_EXTRACT_UTC", 1, 1, zoned_function_sql},
    {"TZ_OFFSET", 1, 1, zoned_function_sql},
    {"FROM_TZ", 2, 2, zoned_function_sql},
    {"TO_TIMESTAMP_TZ", 1, 3, to_timestamp_tz},
    {"EMPTY_CLOB", 0, 0, supplied_function_sql},
    {"EMPTY_BLOB", 0, 0, supplied_function_sql},
    {"DBMS_LOB.GETLENGTH", 1, 1, supplied_function_sql},
    {"DBMS_LOB.SUBSTR", 1, 3, supplied_function_sql},
    {"DBMS_LOB.INSTR", 2, 4, supplied_function_sql},
    {"DBMS_LOB.COMPARE", 2, 5, supplied_function_sql},
    {"DBMS_LOB.ISTEMPORARY", 1, 1, supplied_function_sql},
    {"DBMS_LOB.ISOPEN", 1, 1, supplied_function_sql},
    {"DBMS_XMLGEN.GETXML", 1, 2, supplied_function_sql},
    {"DBMS_XMLGEN.GETXMLTYPE", 1, 2, supplied_function_sql},
    {"DBMS_XMLGEN.NEWCONTEXT", 1, 1, supplied_function_sql},
    {"DBMS_XMLGEN.GETNUMROWSPROCESSED", 1, 1, supplied_function_sql},
    {"DBMS_RANDOM.VALUE", 0, 2, supplied_function_sql},
    {"DBMS_RANDOM.NORMAL", 0, 0, supplied_function_sql},
    {"DBMS_RANDOM.RANDOM", 0, 0, supplied_function_sql},
    {"DBMS_RANDOM.STRING", 2, 2, supplied_function_sql},
    {"DBMS_UTILITY.GET_TIME", 0, 0, supplied_function_sql},
    {"DBMS_ASSERT.NOOP", 1, 1, supplied_function_sql},
    {"DBMS_ASSERT.ENQUOTE_LITERAL", 1, 1, supplied_function_sql},
    {"DBMS_ASSERT.ENQUOTE_NAME", 1, 2, supplied_function_sql},
    {"DBMS_ASSERT.SIMPLE_SQL_NAME", 1, 1, supplied_function_sql},
    {"DBMS_ASSERT.QUALIFIED_SQL_NAME", 1, 1, supplied_function_sql},
    {"DBMS_METADATA.GET_DDL", 2, 6, supplied_function_sql},
    {"DBMS_METADATA.GET_DEPENDENT_DDL", 2, 7, supplied_function_sql},
    {"DBMS_METADATA.GET_GRANTED_DDL", 1, 6, supplied_function_sql},
};

}  // namespace

std::vector<DialectFunctionInfo> dialect_function_catalogue() {
    std::vector<DialectFunctionInfo> out;
    for (const FunctionRow& r : kCatalogue)
        // A name with a blank is written by the grammar alone (TRIM ... FROM); no call spells it.
        if (!std::strchr(r.name, ' '))
            out.push_back({r.name, r.min_args, r.max_args == kAny ? -1 : static_cast<int>(r.max_args), !r.sql_only});
    return out;
}

bool dialect_function_sql_only(const std::string& name) {
    for (const FunctionRow& r : kCatalogue)
        if (name == r.name) return r.sql_only;
    return false;
}

DialectResult dialect_function(const std::string& f, const std::vector<DialectArg>& a, std::string* sql,
                               OraType* type) {
    for (const FunctionRow& r : kCatalogue) {
        if (f != r.name) continue;
        if (a.size() < r.min_args || (r.max_args != kAny && a.size() > r.max_args))
            return DialectResult::WrongArguments;
        *sql = r.rule(f, a, type);
        return DialectResult::Done;
    }
    return DialectResult::NotMine;
}
