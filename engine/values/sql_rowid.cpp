// Rowid texts. A rowid is OOOOOOFFFBBBBBBRRR: the object number of the table, then the
// row's place, made from SQLite's rowid r as the 64 bits of r-1 split into an 18-bit
// file, a 36-bit block and a 10-bit row number. Each part is written most significant
// digit first, so comparing two rowids digit by digit (the VANTRO_ROWID collation)
// orders them by table and then by SQLite's rowid, as Oracle orders rowids by their
// physical place.
#include "values/sql_rowid.h"

#include "values/errors.h"

#include <cstring>

namespace {

const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kRowidLength = 18;

int digit_value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

void put_digits(std::string* out, std::uint64_t v, int count) {
    for (int k = count - 1; k >= 0; --k) out->push_back(kDigits[(v >> (6 * k)) & 63]);
}

std::uint64_t read_digits(const std::string& s, std::size_t at, int count) {
    std::uint64_t v = 0;
    for (int k = 0; k < count; ++k) v = (v << 6) | static_cast<std::uint64_t>(digit_value(s[at + k]));
    return v;
}

void raise(sqlite3_context* ctx, int code) {
    std::string text = ora_format(code, ora_message(code, {}));
    text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

std::string text_arg(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

// vantro_rowid(object, r): the rowid text of row r of the object (NULL object: 0).
void fn_rowid(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string t = rowid_text(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]));
    sqlite3_result_text(ctx, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

// vantro_chartorowid(text): the text when it is a rowid, else ORA-01410.
void fn_chartorowid(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string t = text_arg(argv[0]);
    if (!rowid_valid(t)) return raise(ctx, 1410);
    sqlite3_result_text(ctx, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

// vantro_rowid_row(text, object): SQLite's rowid of the row the rowid names when it is
// one of that object's, else NULL; ORA-01410 when text is no rowid.
void fn_rowid_row(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string t = text_arg(argv[0]);
    if (!rowid_valid(t)) return raise(ctx, 1410);
    std::int64_t object = 0, row = 0;
    if (!rowid_parts(t, &object, &row) || object != sqlite3_value_int64(argv[1])) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, row);
}

// Digit by digit in base-64 order; any other character after the digits, by its byte.
int collate_rowid(void*, int n1, const void* p1, int n2, const void* p2) {
    const unsigned char* a = static_cast<const unsigned char*>(p1);
    const unsigned char* b = static_cast<const unsigned char*>(p2);
    int n = n1 < n2 ? n1 : n2;
    for (int k = 0; k < n; ++k) {
        int da = digit_value(a[k]), db = digit_value(b[k]);
        if (da < 0) da = 64 + a[k];
        if (db < 0) db = 64 + b[k];
        if (da != db) return da < db ? -1 : 1;
    }
    return n1 == n2 ? 0 : (n1 < n2 ? -1 : 1);
}

}  // namespace

std::string rowid_text(std::int64_t object, std::int64_t row) {
    std::uint64_t place = static_cast<std::uint64_t>(row) - 1;
    std::string out;
    out.reserve(kRowidLength);
    put_digits(&out, static_cast<std::uint64_t>(object), 6);
    put_digits(&out, place >> 46, 3);
    put_digits(&out, (place >> 10) & ((std::uint64_t(1) << 36) - 1), 6);
    put_digits(&out, place & 1023, 3);
    return out;
}

bool rowid_valid(const std::string& text) {
    if (text.size() != kRowidLength) return false;
    for (char c : text)
        if (digit_value(static_cast<unsigned char>(c)) < 0) return false;
    return true;
}

bool rowid_parts(const std::string& text, std::int64_t* object, std::int64_t* row) {
    if (!rowid_valid(text)) return false;
    std::uint64_t file = read_digits(text, 6, 3), block = read_digits(text, 9, 6), slot = read_digits(text, 15, 3);
    if (slot >= 1024) return false;
    std::uint64_t place = (file << 46) | (block << 10) | slot;
    *object = static_cast<std::int64_t>(read_digits(text, 0, 6));
    *row = static_cast<std::int64_t>(place + 1);
    return true;
}

OraType rowid_type() {
    OraType t;
    t.code = kTypeRowid;
    t.size = kRowidLength;
    return t;
}

std::string rowid_function_sql(const std::string& name, const std::vector<DialectArg>& args, OraType* type) {
    if (name == "CHARTOROWID") {
        *type = rowid_type();
        if (args[0].type.code == kTypeRowid) return args[0].sql;
        return "(vantro_chartorowid(" + args[0].text_sql + ") COLLATE VANTRO_ROWID)";
    }
    type->code = kTypeVarchar2;
    type->size = args[0].type.code == kTypeRowid ? args[0].type.size : args[0].text_size;
    if (args[0].type.code == kTypeRowid) return "(" + args[0].sql + " COLLATE BINARY)";
    // Any other value is first made a rowid, as Oracle converts it implicitly.
    return "(vantro_chartorowid(" + args[0].text_sql + ") COLLATE BINARY)";
}

bool rowid_functions_register(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(db, "vantro_rowid", 2, flags, nullptr, fn_rowid, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "vantro_chartorowid", 1, flags, nullptr, fn_chartorowid, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_rowid_row", 2, flags, nullptr, fn_rowid_row, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_collation_v2(db, "VANTRO_ROWID", SQLITE_UTF8, nullptr, collate_rowid, nullptr) == SQLITE_OK;
}
