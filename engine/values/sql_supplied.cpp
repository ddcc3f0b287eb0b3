// SQL functions of the supplied packages and the whole-value LOB edits. DBMS_LOB's
// readers answer NULL for a NULL argument or an amount, offset or occurrence out of
// range, as Oracle's do; DBMS_ASSERT raises ORA-44003/44004 and VALUE_ERROR.
#include "values/sql_supplied.h"

#include "values/errors.h"
#include "values/utf8.h"

#include <chrono>
#include <cmath>
#include <cstring>

namespace {

void raise(sqlite3_context* ctx, int code, const std::string& arg = {}) {
    std::string text = ora_line(code, arg);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

SessionSettings* settings_of(sqlite3_context* ctx) {
    return static_cast<SessionSettings*>(sqlite3_user_data(ctx));
}

bool is_null(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_NULL;
}

std::string bytes_of(sqlite3_value* v) {
    if (sqlite3_value_type(v) == SQLITE_BLOB) {
        const void* b = sqlite3_value_blob(v);
        return b ? std::string(static_cast<const char*>(b), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
    }
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

// A whole-number argument within [1, kLobMaxSize]; false when it is below 1.
bool position(sqlite3_value* v, std::uint64_t* out) {
    double d = std::trunc(sqlite3_value_double(v));
    if (!(d >= 1)) return false;
    *out = d >= 1.8e19 ? kLobMaxSize : static_cast<std::uint64_t>(d);
    return true;
}

void result_lob_piece(sqlite3_context* ctx, const std::string& piece, bool binary) {
    if (piece.empty()) return sqlite3_result_null(ctx);
    if (binary) return sqlite3_result_blob(ctx, piece.data(), static_cast<int>(piece.size()), SQLITE_TRANSIENT);
    sqlite3_result_text(ctx, piece.data(), static_cast<int>(piece.size()), SQLITE_TRANSIENT);
}

// Byte offset of unit number `units` (0-based) of lob; lob.size() past its end.
std::size_t byte_at(const std::string& lob, bool binary, std::uint64_t units) {
    if (binary) return units >= lob.size() ? lob.size() : static_cast<std::size_t>(units);
    return utf8_offset(lob, units > lob.size() ? lob.size() : static_cast<std::size_t>(units));
}

void fn_lob_length(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    bool binary = sqlite3_value_int(argv[1]) != 0;
    sqlite3_result_int64(ctx, static_cast<std::int64_t>(lob_length(bytes_of(argv[0]), binary)));
}

// vantro_lob_substr(lob, amount, offset, binary)
void fn_lob_substr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    for (int k = 0; k < 3; ++k)
        if (is_null(argv[k])) return sqlite3_result_null(ctx);
    std::uint64_t amount = 0, offset = 0;
    if (!position(argv[1], &amount) || amount > 32767 || !position(argv[2], &offset)) return sqlite3_result_null(ctx);
    bool binary = sqlite3_value_int(argv[3]) != 0;
    result_lob_piece(ctx, lob_substr(bytes_of(argv[0]), binary, offset, amount), binary);
}

// vantro_lob_instr(lob, pattern, offset, nth, binary)
void fn_lob_instr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    for (int k = 0; k < 4; ++k)
        if (is_null(argv[k])) return sqlite3_result_null(ctx);
    std::uint64_t offset = 0, nth = 0;
    if (!position(argv[2], &offset) || !position(argv[3], &nth)) return sqlite3_result_null(ctx);
    bool binary = sqlite3_value_int(argv[4]) != 0;
    sqlite3_result_int64(
        ctx, static_cast<std::int64_t>(lob_instr(bytes_of(argv[0]), binary, bytes_of(argv[1]), offset, nth)));
}

// vantro_lob_compare(lob1, lob2, amount, offset1, offset2, binary): 0 when the ranges match, -1
// or 1 as the first differs below or above the second.
void fn_lob_compare(sqlite3_context* ctx, int, sqlite3_value** argv) {
    for (int k = 0; k < 5; ++k)
        if (is_null(argv[k])) return sqlite3_result_null(ctx);
    std::uint64_t amount = 0, o1 = 0, o2 = 0;
    if (!position(argv[2], &amount) || !position(argv[3], &o1) || !position(argv[4], &o2))
        return sqlite3_result_null(ctx);
    bool binary = sqlite3_value_int(argv[5]) != 0;
    std::string a = lob_substr(bytes_of(argv[0]), binary, o1, amount);
    std::string b = lob_substr(bytes_of(argv[1]), binary, o2, amount);
    int c = a.compare(b);
    sqlite3_result_int(ctx, c < 0 ? -1 : (c > 0 ? 1 : 0));
}

// splitmix64: small, fast and repeatable from a seed.
std::uint64_t random_next(SessionSettings* s) {
    if (!s->random_seeded) {
        s->random_state = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
                          (static_cast<std::uint64_t>(s->session_id) << 32);
        s->random_seeded = true;
    }
    std::uint64_t z = (s->random_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double random_unit(SessionSettings* s) {
    return static_cast<double>(random_next(s) >> 11) * (1.0 / 9007199254740992.0);
}

// vantro_random_value() in [0, 1); vantro_random_value(low, high) in [low, high).
void fn_random_value(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 0 && argc != 2) return raise(ctx, 909);
    double r = random_unit(settings_of(ctx));
    if (argc == 0) return sqlite3_result_double(ctx, r);
    if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
    double low = sqlite3_value_double(argv[0]), high = sqlite3_value_double(argv[1]);
    sqlite3_result_double(ctx, low + (high - low) * r);
}

// Normally distributed, mean 0 and standard deviation 1 (Box-Muller).
void fn_random_normal(sqlite3_context* ctx, int, sqlite3_value**) {
    SessionSettings* s = settings_of(ctx);
    double u1 = 0;
    while (u1 <= 0) u1 = random_unit(s);
    double u2 = random_unit(s);
    sqlite3_result_double(ctx, std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2));
}

// An integer from -2^31 to 2^31-1.
void fn_random_integer(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_int64(ctx, static_cast<std::int32_t>(random_next(settings_of(ctx)) >> 32));
}

// vantro_random_string(opt, len): U upper case, L lower case, A mixed case, X upper case
// and digits, P any printable character; anything else upper case. At most 4000.
void fn_random_string(sqlite3_context* ctx, int, sqlite3_value** argv) {
    static const char* const kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static const char* const kLower = "abcdefghijklmnopqrstuvwxyz";
    static const char* const kMixed = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    static const char* const kUpperDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    if (is_null(argv[1])) return sqlite3_result_null(ctx);
    double len = std::trunc(sqlite3_value_double(argv[1]));
    if (!(len >= 1)) return sqlite3_result_null(ctx);
    if (len > 4000) len = 4000;
    char opt = is_null(argv[0]) ? 'U' : static_cast<char>(std::toupper(bytes_of(argv[0]).c_str()[0]));
    std::string printable;
    for (char c = ' '; c <= '~'; ++c) printable += c;
    const char* set = opt == 'L' ? kLower : opt == 'A' ? kMixed : opt == 'X' ? kUpperDigits : kUpper;
    std::string chars = opt == 'P' ? printable : std::string(set);
    std::string out;
    SessionSettings* s = settings_of(ctx);
    for (int k = 0; k < static_cast<int>(len); ++k) out += chars[random_next(s) % chars.size()];
    sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// Hundredths of a second from an arbitrary point, within a 32-bit signed range.
void fn_get_time(sqlite3_context* ctx, int, sqlite3_value**) {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::int64_t cs = std::chrono::duration_cast<std::chrono::milliseconds>(now).count() / 10;
    sqlite3_result_int64(ctx, cs % 2147483647);
}

bool name_start(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80;
}
bool name_char(char c) {
    return name_start(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

// One simple SQL name starting at s[*i]: an ordinary identifier, or a quoted one whose
// inner quotes are doubled. *i moves past it.
bool scan_name(const std::string& s, std::size_t* i) {
    std::size_t k = *i;
    if (k < s.size() && s[k] == '"') {
        for (++k; k < s.size(); ++k) {
            if (s[k] != '"') continue;
            if (k + 1 < s.size() && s[k + 1] == '"') {
                ++k;
                continue;
            }
            if (k == *i + 1) return false;
            *i = k + 1;
            return true;
        }
        return false;
    }
    if (k >= s.size() || !name_start(s[k])) return false;
    while (k < s.size() && name_char(s[k])) ++k;
    *i = k;
    return true;
}

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// name ( '.' name )* ( '@' name ( '.' name )* )?, blanks around it allowed.
bool qualified_name(const std::string& s, bool simple) {
    std::size_t i = 0, end = s.size();
    while (i < end && blank(s[i])) ++i;
    while (end > i && blank(s[end - 1])) --end;
    std::string t = s.substr(i, end - i);
    std::size_t k = 0;
    bool link = false;
    for (;;) {
        if (!scan_name(t, &k)) return false;
        if (k == t.size()) return true;
        if (simple) return false;
        if (t[k] == '@' && !link) {
            link = true;
        } else if (t[k] != '.') {
            return false;
        }
        ++k;
    }
}

// Inner quote characters of s[from, to) come in adjacent pairs.
bool quotes_paired(const std::string& s, std::size_t from, std::size_t to, char q) {
    for (std::size_t k = from; k < to; ++k) {
        if (s[k] != q) continue;
        if (k + 1 >= to || s[k + 1] != q) return false;
        ++k;
    }
    return true;
}

// vantro_assert(kind, text, capitalize): the DBMS_ASSERT function named by kind.
void fn_assert(sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::string kind = bytes_of(argv[0]);
    bool null = is_null(argv[1]);
    std::string s = bytes_of(argv[1]);
    auto text = [&](const std::string& out) {
        sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
    };
    if (kind == "NOOP") return null ? sqlite3_result_null(ctx) : text(s);
    if (kind == "SIMPLE_SQL_NAME" || kind == "QUALIFIED_SQL_NAME") {
        bool simple = kind == "SIMPLE_SQL_NAME";
        if (null || !qualified_name(s, simple)) return raise(ctx, simple ? 44003 : 44004);
        return text(s);
    }
    if (kind == "ENQUOTE_LITERAL") {
        bool quoted = s.size() >= 2 && s.front() == '\'' && s.back() == '\'';
        std::size_t from = quoted ? 1 : 0, to = quoted ? s.size() - 1 : s.size();
        if (!quotes_paired(s, from, to, '\'')) return raise(ctx, 6502, "");
        return text(quoted ? s : "'" + s + "'");
    }
    // ENQUOTE_NAME: a quoted name is kept as it is; another is put in upper case unless
    // capitalize is false, and quoted.
    bool quoted = s.size() >= 2 && s.front() == '"' && s.back() == '"';
    std::size_t from = quoted ? 1 : 0, to = quoted ? s.size() - 1 : s.size();
    if ((!quoted && !s.empty() && s.front() == '"') || !quotes_paired(s, from, to, '"')) return raise(ctx, 6502, "");
    if (quoted) return text(s);
    bool capitalize = is_null(argv[2]) || sqlite3_value_double(argv[2]) != 0;
    if (capitalize)
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    text("\"" + s + "\"");
}

struct Registration {
    const char* name;
    int args;
    bool deterministic;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

const Registration kRegistrations[] = {
    {"vantro_lob_length", 2, true, fn_lob_length},
    {"vantro_lob_substr", 4, true, fn_lob_substr},
    {"vantro_lob_instr", 5, true, fn_lob_instr},
    {"vantro_lob_compare", 6, true, fn_lob_compare},
    {"vantro_random_value", -1, false, fn_random_value},
    {"vantro_random_normal", 0, false, fn_random_normal},
    {"vantro_random_integer", 0, false, fn_random_integer},
    {"vantro_random_string", 2, false, fn_random_string},
    {"vantro_get_time", 0, false, fn_get_time},
    {"vantro_assert", 3, true, fn_assert},
};

using Args = std::vector<DialectArg>;

OraType type_of(std::uint16_t code, std::uint32_t size) {
    OraType t;
    t.code = code;
    t.size = size;
    if (code == kTypeNumber) t.scale = -127;
    return t;
}

bool binary_type(const OraType& t) {
    return t.code == kTypeBlob || t.code == kTypeRaw || t.code == kTypeLongRaw;
}

std::string num(const Args& a, std::size_t k, const char* absent) {
    if (k >= a.size()) return absent;
    return a[k].type.code == kTypeNumber ? a[k].sql : "vantro_to_number(" + a[k].sql + ")";
}

// A LOB argument: a BLOB or RAW as it is, anything else as text.
std::string lob(const DialectArg& a) {
    return binary_type(a.type) || a.type.code == kTypeClob ? a.sql : a.text_sql;
}

// The second LOB of a call typed like the first: hexadecimal text is read as a RAW.
std::string like(const DialectArg& first, const DialectArg& a) {
    if (binary_type(first.type) && !binary_type(a.type)) return "vantro_hextoraw(" + a.text_sql + ",0,NULL)";
    return lob(a);
}

std::string bin(const DialectArg& a) {
    return binary_type(a.type) ? "1" : "0";
}

// DBMS_METADATA's functions: vantro_metadata (catalog/metadata_ddl.cpp) writes the DDL as
// a CLOB. The object type is matched in upper case, names exactly as given.
std::string metadata_call(const std::string& kind, const Args& a, OraType* type) {
    *type = type_of(kTypeClob, 4000);
    std::string sql = "vantro_metadata('" + kind + "',upper(" + a[0].text_sql + ")";
    sql += kind == "GET_GRANTED_DDL" ? (a.size() > 1 ? "," + a[1].text_sql : std::string(",NULL"))
                                     : "," + a[1].text_sql + (a.size() > 2 ? "," + a[2].text_sql : std::string());
    return sql + ")";
}

std::string assert_call(const std::string& kind, const Args& a) {
    return "vantro_assert('" + kind + "'," + a[0].text_sql + "," + (a.size() > 1 ? a[1].sql : "NULL") + ")";
}

}  // namespace

std::uint64_t lob_length(const std::string& lob, bool binary) {
    return binary ? lob.size() : utf8_length(lob);
}

std::string lob_substr(const std::string& lob, bool binary, std::uint64_t offset, std::uint64_t amount) {
    std::size_t from = byte_at(lob, binary, offset - 1);
    std::string rest = lob.substr(from);
    return rest.substr(0, byte_at(rest, binary, amount));
}

void lob_write(std::string* lob, bool binary, std::uint64_t offset, const std::string& piece) {
    std::uint64_t length = lob_length(*lob, binary);
    if (offset - 1 > length) lob->append(static_cast<std::size_t>(offset - 1 - length), binary ? '\0' : ' ');
    std::size_t from = byte_at(*lob, binary, offset - 1);
    std::string rest = lob->substr(from);
    std::size_t replaced = byte_at(rest, binary, lob_length(piece, binary));
    *lob = lob->substr(0, from) + piece + rest.substr(replaced);
}

std::uint64_t lob_erase(std::string* lob, bool binary, std::uint64_t amount, std::uint64_t offset) {
    std::uint64_t length = lob_length(*lob, binary);
    if (offset > length) return 0;
    std::uint64_t n = amount < length - offset + 1 ? amount : length - offset + 1;
    lob_write(lob, binary, offset, std::string(static_cast<std::size_t>(n), binary ? '\0' : ' '));
    return n;
}

void lob_trim(std::string* lob, bool binary, std::uint64_t new_length) {
    lob->resize(byte_at(*lob, binary, new_length));
}

std::uint64_t lob_instr(const std::string& lob, bool binary, const std::string& pattern, std::uint64_t offset,
                        std::uint64_t nth) {
    if (pattern.empty()) return 0;
    std::size_t at = byte_at(lob, binary, offset - 1);
    if (offset - 1 >= lob_length(lob, binary)) return 0;
    for (;;) {
        std::size_t found = lob.find(pattern, at);
        if (found == std::string::npos) return 0;
        if (--nth == 0) return (binary ? found : utf8_length(lob.data(), found)) + 1;
        at = found + (binary ? 1 : utf8_char_bytes(lob, found));
    }
}

void random_seed(SessionSettings* settings, const std::string& seed) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : seed) {
        h ^= c;
        h *= 1099511628211ull;
    }
    settings->random_state = h;
    settings->random_seeded = true;
}

std::string supplied_function_sql(const std::string& f, const std::vector<DialectArg>& a, OraType* type) {
    if (f == "EMPTY_CLOB") {
        *type = type_of(kTypeClob, 4000);
        return "''";
    }
    if (f == "EMPTY_BLOB") {
        *type = type_of(kTypeBlob, 4000);
        return "x''";
    }
    if (f == "DBMS_LOB.GETLENGTH") {
        *type = type_of(kTypeNumber, 22);
        return "vantro_lob_length(" + lob(a[0]) + "," + bin(a[0]) + ")";
    }
    if (f == "DBMS_LOB.SUBSTR") {
        *type = binary_type(a[0].type) ? type_of(kTypeRaw, 2000) : type_of(kTypeVarchar2, 4000);
        return "vantro_lob_substr(" + lob(a[0]) + "," + num(a, 1, "32767") + "," + num(a, 2, "1") + "," + bin(a[0]) +
               ")";
    }
    if (f == "DBMS_LOB.INSTR") {
        *type = type_of(kTypeNumber, 22);
        return "vantro_lob_instr(" + lob(a[0]) + "," + like(a[0], a[1]) + "," + num(a, 2, "1") + "," + num(a, 3, "1") +
               "," + bin(a[0]) + ")";
    }
    if (f == "DBMS_LOB.COMPARE") {
        *type = type_of(kTypeNumber, 22);
        return "vantro_lob_compare(" + lob(a[0]) + "," + like(a[0], a[1]) + "," + num(a, 2, "18446744073709551615") +
               "," + num(a, 3, "1") + "," + num(a, 4, "1") + "," + bin(a[0]) + ")";
    }
    if (f == "DBMS_XMLGEN.GETXML" || f == "DBMS_XMLGEN.GETXMLTYPE") {
        // vantro_xmlgen (plsql/plsql_xmlgen.cpp) runs the query on the session; a number
        // is a context's handle (NEWCONTEXT), whose next rows vantro_xmlgen_context writes.
        // GETXMLTYPE's XML has no declaration. The second argument (DTD or schema) can
        // only be NONE: nothing else is written.
        const std::string xmltype = f == "DBMS_XMLGEN.GETXMLTYPE" ? "1" : "0";
        *type = type_of(kTypeClob, 4000);
        if (a[0].type.code == kTypeNumber)
            return "vantro_xmlgen_context(" + a[0].sql + "," + xmltype + ")";
        return "vantro_xmlgen(" + a[0].text_sql + "," + xmltype + ")";
    }
    if (f == "DBMS_XMLGEN.NEWCONTEXT") {
        *type = type_of(kTypeNumber, 22);
        return "vantro_xmlgen_newcontext(" + a[0].text_sql + ")";
    }
    if (f == "DBMS_XMLGEN.GETNUMROWSPROCESSED") {
        *type = type_of(kTypeNumber, 22);
        return "vantro_xmlgen_rows(" + a[0].sql + ")";
    }
    if (f == "DBMS_LOB.ISOPEN") {
        // A LOB SQL reads is opened by no one (a PL/SQL variable's state is the block's).
        *type = type_of(kTypeNumber, 22);
        if (a[0].null_literal) return "NULL";
        return "CASE WHEN (" + a[0].sql + ") IS NULL THEN NULL ELSE 0 END";
    }
    if (f == "DBMS_LOB.ISTEMPORARY") {
        // A table's LOB column is persistent; every other LOB value (a PL/SQL variable, which
        // holds a copy here, or a LOB computed by an expression) is temporary.
        *type = type_of(kTypeNumber, 22);
        if (a[0].null_literal) return "NULL";
        return "CASE WHEN (" + a[0].sql + ") IS NULL THEN NULL ELSE " + (a[0].stored_column ? "0" : "1") + " END";
    }
    *type = type_of(kTypeNumber, 22);
    if (f == "DBMS_RANDOM.VALUE") {
        std::string sql = "vantro_random_value(";
        for (std::size_t k = 0; k < a.size(); ++k) sql += (k ? "," : "") + num(a, k, "NULL");
        return sql + ")";
    }
    if (f == "DBMS_RANDOM.NORMAL") return "vantro_random_normal()";
    if (f == "DBMS_RANDOM.RANDOM") return "vantro_random_integer()";
    if (f == "DBMS_UTILITY.GET_TIME") return "vantro_get_time()";
    const char* const kMetadata = "DBMS_METADATA.";
    if (f.compare(0, std::strlen(kMetadata), kMetadata) == 0)
        return metadata_call(f.substr(std::strlen(kMetadata)), a, type);
    *type = type_of(kTypeVarchar2, 4000);
    if (f == "DBMS_RANDOM.STRING") return "vantro_random_string(" + a[0].text_sql + "," + num(a, 1, "NULL") + ")";
    const char* const kAssert = "DBMS_ASSERT.";
    if (f.compare(0, std::strlen(kAssert), kAssert) == 0) return assert_call(f.substr(std::strlen(kAssert)), a);
    return "NULL";
}

bool supplied_functions_register(sqlite3* db, SessionSettings* settings) {
    for (const Registration& r : kRegistrations) {
        int flags = SQLITE_UTF8 | (r.deterministic ? SQLITE_DETERMINISTIC : 0);
        if (sqlite3_create_function(db, r.name, r.args, flags, settings, r.fn, nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    return true;
}
