// The SQL functions behind JSON_OBJECT, JSON_ARRAY, JSON_OBJECTAGG and JSON_ARRAYAGG:
// each value comes with its kind (JsonGenKind) and is written as JSON text without
// blanks, as Oracle writes it. Results longer than the VARCHAR2 size are ORA-40478.
#include "values/sql_json_gen.h"

#include "values/aggregate_order.h"
#include "values/errors.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

void raise(sqlite3_context* ctx, int code, const std::string& arg = {}) {
    std::string text = ora_format(code, ora_message(code, arg));
    if (!text.empty() && text.back() == '\n') text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

std::string text_of(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v)))
             : std::string();
}

// Strict JSON syntax, one value at p; false on an error. depth bounds the nesting.
struct StrictReader {
    const std::string& s;
    std::size_t p = 0;
    void blanks() {
        while (p < s.size() && (s[p] == ' ' || s[p] == '\t' || s[p] == '\n' || s[p] == '\r')) ++p;
    }
    bool word(const char* w) {
        std::size_t n = std::char_traits<char>::length(w);
        if (s.compare(p, n, w) != 0) return false;
        p += n;
        return true;
    }
    bool string() {
        if (p >= s.size() || s[p] != '"') return false;
        for (++p; p < s.size(); ++p) {
            unsigned char c = static_cast<unsigned char>(s[p]);
            if (c == '"') return ++p, true;
            if (c < 0x20) return false;
            if (c != '\\') continue;
            if (++p >= s.size()) return false;
            if (s[p] == 'u') {
                for (int k = 0; k < 4; ++k)
                    if (++p >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[p]))) return false;
            } else if (std::string("\"\\/bfnrt").find(s[p]) == std::string::npos) {
                return false;
            }
        }
        return false;
    }
    bool digits() {
        std::size_t start = p;
        while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) ++p;
        return p > start;
    }
    bool number() {
        if (p < s.size() && s[p] == '-') ++p;
        if (p < s.size() && s[p] == '0')
            ++p;
        else if (!digits())
            return false;
        if (p < s.size() && s[p] == '.' && (++p, !digits())) return false;
        if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
            ++p;
            if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
            if (!digits()) return false;
        }
        return true;
    }
    bool value(int depth) {
        if (depth > 1000) return false;
        blanks();
        if (p >= s.size()) return false;
        char c = s[p];
        if (c == '"') return string();
        if (c == '{' || c == '[') {
            char close = c == '{' ? '}' : ']';
            ++p;
            blanks();
            if (p < s.size() && s[p] == close) return ++p, true;
            for (;;) {
                if (c == '{') {
                    blanks();
                    if (!string()) return false;
                    blanks();
                    if (p >= s.size() || s[p++] != ':') return false;
                }
                if (!value(depth + 1)) return false;
                blanks();
                if (p < s.size() && s[p] == ',') {
                    ++p;
                    continue;
                }
                if (p < s.size() && s[p] == close) return ++p, true;
                return false;
            }
        }
        if (c == 't') return word("true");
        if (c == 'f') return word("false");
        if (c == 'n') return word("null");
        return number();
    }
};

// The JSON text of one value argument pair (kind, value); false when it is NULL and
// left out. An error is set on ctx and *failed when the value cannot be written.
bool member_value(sqlite3_context* ctx, int flags, sqlite3_value* kind, sqlite3_value* v, std::string* out,
                  bool* failed) {
    if (sqlite3_value_type(v) == SQLITE_NULL) {
        if (flags & kJsonGenAbsentOnNull) return false;
        *out = "null";
        return true;
    }
    std::string text = text_of(v);
    switch (static_cast<JsonGenKind>(sqlite3_value_int(kind))) {
    case JsonGenKind::Text:
        *out = json_quote(text);
        return true;
    case JsonGenKind::Number:
        *out = json_number_text(text);
        return true;
    case JsonGenKind::DateTime: {
        std::size_t blank = text.find(' ');
        if (blank != std::string::npos) text[blank] = 'T';
        *out = json_quote(text);
        return true;
    }
    case JsonGenKind::Json:
        if ((flags & kJsonGenStrict) && !json_strict_valid(text)) {
            raise(ctx, 40441);
            *failed = true;
            return false;
        }
        *out = text;
        return true;
    }
    *out = json_quote(text);
    return true;
}

// Sets the result, or ORA-40478 when a VARCHAR2 of size bytes cannot hold it.
void result(sqlite3_context* ctx, const std::string& json, sqlite3_int64 size) {
    if (size > 0 && static_cast<sqlite3_int64>(json.size()) > size) return raise(ctx, 40478, std::to_string(size));
    sqlite3_result_text(ctx, json.data(), static_cast<int>(json.size()), SQLITE_TRANSIENT);
}

// Adds "key":value to an object under construction; false (with the error set) for a
// NULL key or a repeated one under WITH UNIQUE KEYS.
bool add_member(sqlite3_context* ctx, int flags, sqlite3_value* key, const std::string& value,
                std::set<std::string>* seen, std::string* json) {
    if (sqlite3_value_type(key) == SQLITE_NULL) {
        raise(ctx, 40441);
        return false;
    }
    std::string name = text_of(key);
    if ((flags & kJsonGenUniqueKeys) && !seen->insert(name).second) {
        raise(ctx, 40473);
        return false;
    }
    if (json->size() > 1) *json += ',';
    *json += json_quote(name) + ":" + value;
    return true;
}

// vantro_json_object(flags, size, key, kind, value, ...)
void fn_json_object(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 2 || (argc - 2) % 3 != 0) return sqlite3_result_error(ctx, "vantro_json_object: bad arguments", -1);
    int flags = sqlite3_value_int(argv[0]);
    std::string json = "{";
    std::set<std::string> seen;
    for (int i = 2; i < argc; i += 3) {
        std::string value;
        bool failed = false;
        if (!member_value(ctx, flags, argv[i + 1], argv[i + 2], &value, &failed)) {
            if (failed) return;
            continue;
        }
        if (!add_member(ctx, flags, argv[i], value, &seen, &json)) return;
    }
    result(ctx, json + "}", sqlite3_value_int64(argv[1]));
}

// vantro_json_array(flags, size, kind, value, ...)
void fn_json_array(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 2 || argc % 2 != 0) return sqlite3_result_error(ctx, "vantro_json_array: bad arguments", -1);
    int flags = sqlite3_value_int(argv[0]);
    std::string json = "[";
    for (int i = 2; i < argc; i += 2) {
        std::string value;
        bool failed = false;
        if (!member_value(ctx, flags, argv[i], argv[i + 1], &value, &failed)) {
            if (failed) return;
            continue;
        }
        if (json.size() > 1) json += ',';
        json += value;
    }
    result(ctx, json + "]", sqlite3_value_int64(argv[1]));
}

struct AggRow {
    std::string json;  // the element, or the member's "key":value
    std::vector<OrderKey> keys;
};

// The state of JSON_ARRAYAGG and JSON_OBJECTAGG: the kept elements (members) in order of
// arrival; failed once a row raised an error, which then stays the group's result.
struct AggState {
    int flags = 0;
    sqlite3_int64 size = 0;
    std::vector<int> order_flags;  // per ORDER BY key: 1 descending, 2 nulls first
    std::vector<AggRow> rows;
    std::set<std::string> seen;
    int error = 0;  // the ORA- number a row raised
};

AggState* agg_state(sqlite3_context* ctx, sqlite3_value** argv) {
    auto** slot = static_cast<AggState**>(sqlite3_aggregate_context(ctx, sizeof(AggState*)));
    if (!slot) return nullptr;
    if (!*slot) {
        *slot = new AggState;
        (*slot)->flags = sqlite3_value_int(argv[0]);
        (*slot)->size = sqlite3_value_int64(argv[1]);
    }
    return *slot;
}

// vantro_json_arrayagg(flags, size, kind, value [, order flags, order key] ...)
void arrayagg_step(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 4 || argc % 2 != 0) return sqlite3_result_error(ctx, "vantro_json_arrayagg: bad arguments", -1);
    AggState* s = agg_state(ctx, argv);
    if (!s) return sqlite3_result_error_nomem(ctx);
    if (s->error) return;
    if (s->order_flags.empty())
        for (int i = 4; i < argc; i += 2) s->order_flags.push_back(sqlite3_value_int(argv[i]));
    AggRow row;
    bool failed = false;
    if (!member_value(ctx, s->flags, argv[2], argv[3], &row.json, &failed)) {
        if (failed) s->error = 40441;
        return;
    }
    for (int i = 5; i < argc; i += 2) {
        row.keys.push_back(order_key_of(argv[i]));
    }
    s->rows.push_back(std::move(row));
}

// vantro_json_objectagg(flags, size, key, kind, value)
void objectagg_step(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 5) return sqlite3_result_error(ctx, "vantro_json_objectagg: bad arguments", -1);
    AggState* s = agg_state(ctx, argv);
    if (!s) return sqlite3_result_error_nomem(ctx);
    if (s->error) return;
    AggRow row;
    bool failed = false;
    if (!member_value(ctx, s->flags, argv[3], argv[4], &row.json, &failed)) {
        if (failed) s->error = 40441;
        return;
    }
    std::string member = "{";
    if (!add_member(ctx, s->flags, argv[2], row.json, &s->seen, &member)) {
        s->error = sqlite3_value_type(argv[2]) == SQLITE_NULL ? 40441 : 40473;
        return;
    }
    row.json = member.substr(1);
    s->rows.push_back(std::move(row));
}

// Writes the group's array or object; a group without rows is NULL.
void agg_final(sqlite3_context* ctx, bool object) {
    auto** slot = static_cast<AggState**>(sqlite3_aggregate_context(ctx, 0));
    if (!slot || !*slot) return sqlite3_result_null(ctx);
    AggState* s = *slot;
    *slot = nullptr;
    if (s->error) {
        raise(ctx, s->error);
        delete s;
        return;
    }
    if (!s->order_flags.empty()) {
        std::stable_sort(s->rows.begin(), s->rows.end(), [&](const AggRow& a, const AggRow& b) {
            return order_keys_before(s->order_flags, a.keys, b.keys);
        });
    }
    std::string json(1, object ? '{' : '[');
    for (const AggRow& r : s->rows) {
        if (json.size() > 1) json += ',';
        json += r.json;
        // Past the limit already: no need to build the rest.
        if (s->size > 0 && static_cast<sqlite3_int64>(json.size()) > s->size) break;
    }
    json += object ? '}' : ']';
    result(ctx, json, s->size);
    delete s;
}

void arrayagg_final(sqlite3_context* ctx) {
    agg_final(ctx, false);
}
void objectagg_final(sqlite3_context* ctx) {
    agg_final(ctx, true);
}

}  // namespace

std::string json_number_text(const std::string& t) {
    if (!t.empty() && t[0] == '.') return "0" + t;
    if (t.size() > 1 && t[0] == '-' && t[1] == '.') return "-0" + t.substr(1);
    return t;
}

std::string json_quote(const std::string& s) {
    std::string r = "\"";
    for (char ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            r += "\\\"";
            break;
        case '\\':
            r += "\\\\";
            break;
        case '\n':
            r += "\\n";
            break;
        case '\r':
            r += "\\r";
            break;
        case '\t':
            r += "\\t";
            break;
        case '\b':
            r += "\\b";
            break;
        case '\f':
            r += "\\f";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04X", c);
                r += buf;
            } else {
                r += ch;
            }
        }
    }
    return r + "\"";
}

bool json_strict_valid(const std::string& text) {
    StrictReader r{text};
    if (!r.value(0)) return false;
    r.blanks();
    return r.p == text.size();
}

bool json_generation_register(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(db, "vantro_json_object", -1, flags, nullptr, fn_json_object, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_json_array", -1, flags, nullptr, fn_json_array, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_json_arrayagg", -1, SQLITE_UTF8, nullptr, nullptr, arrayagg_step,
                                   arrayagg_final) == SQLITE_OK &&
           sqlite3_create_function(db, "vantro_json_objectagg", 5, SQLITE_UTF8, nullptr, nullptr, objectagg_step,
                                   objectagg_final) == SQLITE_OK;
}
