// The SQL/JSON functions: a JSON text parser (Oracle's lax syntax by default: unquoted
// field names and single-quoted strings), the path language and its lax evaluation (a
// field step over an array looks into its elements, an array step over a non-array
// takes the value as a one-element array), and the SQL functions the translator calls.
#include "values/sql_json.h"
#include "values/document_table.h"

#include "values/errors.h"
#include "values/number_bytes.h"
#include "values/sql_arithmetic.h"
#include "values/utf8.h"
#include "values/values.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct JNode {
    enum class Kind { Null, True, False, Number, String, Array, Object } kind = Kind::Null;
    std::string text;               // Number: as written; String: the value
    std::vector<std::string> keys;  // Object: member names, in order
    std::vector<JNode> items;       // Array: elements; Object: member values
};

constexpr int kMaxNesting = 1000;

class JsonReader {
public:
    JsonReader(const char* p, std::size_t n, bool strict, bool unique)
        : p_(p), end_(p + n), strict_(strict), unique_(unique) {}
    // The whole text as one document: an object or an array with only blanks around it.
    bool document(JNode* out) {
        skip();
        if (p_ == end_ || (*p_ != '{' && *p_ != '[')) return false;
        if (!value(out, 0)) return false;
        skip();
        return p_ == end_;
    }

private:
    const char* p_;
    const char* end_;
    bool strict_, unique_;

    void skip() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r')) ++p_;
    }
    bool word(const char* w) {
        std::size_t n = std::char_traits<char>::length(w);
        if (static_cast<std::size_t>(end_ - p_) < n || std::char_traits<char>::compare(p_, w, n) != 0) return false;
        p_ += n;
        return true;
    }
    static bool name_char(char c, bool first) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$' ||
               (!first && c >= '0' && c <= '9');
    }
    static void put_utf8(std::uint32_t c, std::string* out) {
        if (c < 0x80) {
            *out += static_cast<char>(c);
        } else if (c < 0x800) {
            *out += static_cast<char>(0xC0 | (c >> 6));
            *out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *out += static_cast<char>(0xE0 | (c >> 12));
            *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *out += static_cast<char>(0xF0 | (c >> 18));
            *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    bool hex4(std::uint32_t* v) {
        if (end_ - p_ < 4) return false;
        *v = 0;
        for (int i = 0; i < 4; ++i, ++p_) {
            char c = *p_;
            int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
            if (d < 0) return false;
            *v = *v * 16 + static_cast<std::uint32_t>(d);
        }
        return true;
    }
    bool escape(std::string* out) {
        if (p_ == end_) return false;
        char c = *p_++;
        static const char kFrom[] = "\"\\/bfnrt'";
        static const char kTo[] = "\"\\/\b\f\n\r\t'";
        for (int i = 0; kFrom[i]; ++i) {
            if (c != kFrom[i]) continue;
            if (c == '\'' && strict_) return false;
            *out += kTo[i];
            return true;
        }
        if (c != 'u') return false;
        std::uint32_t v;
        if (!hex4(&v)) return false;
        if (v >= 0xD800 && v < 0xDC00) {
            std::uint32_t lo;
            if (!word("\\u") || !hex4(&lo) || lo < 0xDC00 || lo > 0xDFFF) return false;
            v = 0x10000 + ((v - 0xD800) << 10) + (lo - 0xDC00);
        } else if (v >= 0xDC00 && v < 0xE000) {
            return false;
        }
        put_utf8(v, out);
        return true;
    }
    bool string(std::string* out) {
        char quote = *p_++;
        while (p_ < end_ && *p_ != quote) {
            unsigned char c = static_cast<unsigned char>(*p_);
            if (c < 0x20) return false;
            if (c == '\\') {
                ++p_;
                if (!escape(out)) return false;
                continue;
            }
            *out += static_cast<char>(c);
            ++p_;
        }
        if (p_ == end_) return false;
        ++p_;
        return true;
    }
    bool key(std::string* out) {
        if (p_ < end_ && (*p_ == '"' || (*p_ == '\'' && !strict_))) return string(out);
        if (strict_ || p_ == end_ || !name_char(*p_, true)) return false;
        while (p_ < end_ && name_char(*p_, false)) *out += *p_++;
        return true;
    }
    bool digits() {
        const char* s = p_;
        while (p_ < end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        return p_ > s;
    }
    bool number(JNode* out) {
        const char* s = p_;
        if (*p_ == '-') ++p_;
        if (p_ < end_ && *p_ == '0') {
            ++p_;
        } else if (!digits()) {
            return false;
        }
        if (p_ < end_ && *p_ == '.') {
            ++p_;
            if (!digits()) return false;
        }
        if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
            ++p_;
            if (p_ < end_ && (*p_ == '+' || *p_ == '-')) ++p_;
            if (!digits()) return false;
        }
        out->kind = JNode::Kind::Number;
        out->text.assign(s, p_);
        return true;
    }
    bool members(JNode* out, int depth) {
        out->kind = JNode::Kind::Object;
        ++p_;
        skip();
        if (p_ < end_ && *p_ == '}') return ++p_, true;
        for (;;) {
            skip();
            std::string k;
            if (!key(&k)) return false;
            if (unique_)
                for (const std::string& seen : out->keys)
                    if (seen == k) return false;
            skip();
            if (p_ == end_ || *p_ != ':') return false;
            ++p_;
            out->keys.push_back(k);
            out->items.emplace_back();
            if (!value(&out->items.back(), depth + 1)) return false;
            skip();
            if (p_ < end_ && *p_ == ',') {
                ++p_;
                continue;
            }
            if (p_ < end_ && *p_ == '}') return ++p_, true;
            return false;
        }
    }
    bool elements(JNode* out, int depth) {
        out->kind = JNode::Kind::Array;
        ++p_;
        skip();
        if (p_ < end_ && *p_ == ']') return ++p_, true;
        for (;;) {
            out->items.emplace_back();
            if (!value(&out->items.back(), depth + 1)) return false;
            skip();
            if (p_ < end_ && *p_ == ',') {
                ++p_;
                continue;
            }
            if (p_ < end_ && *p_ == ']') return ++p_, true;
            return false;
        }
    }
    bool value(JNode* out, int depth) {
        if (depth > kMaxNesting) return false;
        skip();
        if (p_ == end_) return false;
        char c = *p_;
        if (c == '{') return members(out, depth);
        if (c == '[') return elements(out, depth);
        if (c == '"' || (c == '\'' && !strict_)) {
            out->kind = JNode::Kind::String;
            return string(&out->text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) return number(out);
        if (word("true")) return out->kind = JNode::Kind::True, true;
        if (word("false")) return out->kind = JNode::Kind::False, true;
        if (word("null")) return out->kind = JNode::Kind::Null, true;
        return false;
    }
};

// One step of a path: a field (name), every field (.*), or array positions.
struct Range {
    std::int64_t from = 0, to = 0;  // positions; when from_last/to_last, counted back from the last
    bool from_last = false, to_last = false;
};
struct Step {
    enum class Kind { Field, AnyField, Positions, AnyPosition } kind = Kind::Field;
    std::string name;
    std::vector<Range> ranges;
};

class PathReader {
public:
    explicit PathReader(const std::string& s) : s_(s) {}
    bool path(std::vector<Step>* steps) {
        skip();
        if (!eat('$')) return false;
        for (;;) {
            skip();
            if (i_ == s_.size()) return true;
            Step st;
            if (eat('.')) {
                if (!field(&st)) return false;
            } else if (eat('[')) {
                if (!positions(&st)) return false;
            } else {
                return false;
            }
            steps->push_back(st);
        }
    }

private:
    const std::string& s_;
    std::size_t i_ = 0;

    void skip() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool eat(char c) {
        if (i_ < s_.size() && s_[i_] == c) return ++i_, true;
        return false;
    }
    bool field(Step* st) {
        if (eat('*')) return st->kind = Step::Kind::AnyField, true;
        st->kind = Step::Kind::Field;
        if (eat('"')) {
            while (i_ < s_.size() && s_[i_] != '"') {
                if (s_[i_] == '\\' && i_ + 1 < s_.size()) ++i_;
                st->name += s_[i_++];
            }
            return eat('"');
        }
        auto name_char = [&](char c, bool first) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$' ||
                   static_cast<unsigned char>(c) >= 0x80 || (!first && c >= '0' && c <= '9');
        };
        if (i_ == s_.size() || !name_char(s_[i_], true)) return false;
        while (i_ < s_.size() && name_char(s_[i_], false)) st->name += s_[i_++];
        return true;
    }
    bool integer(std::int64_t* v) {
        skip();
        std::size_t start = i_;
        *v = 0;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') {
            if (*v > 100000000000000LL) return false;
            *v = *v * 10 + (s_[i_++] - '0');
        }
        return i_ > start;
    }
    // n, last or last - n.
    bool position(std::int64_t* v, bool* last) {
        skip();
        if (s_.compare(i_, 4, "last") == 0) {
            i_ += 4;
            *last = true;
            *v = 0;
            skip();
            if (eat('-')) return integer(v);
            return true;
        }
        *last = false;
        return integer(v);
    }
    bool positions(Step* st) {
        skip();
        if (eat('*')) {
            st->kind = Step::Kind::AnyPosition;
            skip();
            return eat(']');
        }
        st->kind = Step::Kind::Positions;
        for (;;) {
            Range r;
            if (!position(&r.from, &r.from_last)) return false;
            r.to = r.from;
            r.to_last = r.from_last;
            skip();
            if (s_.compare(i_, 2, "to") == 0) {
                i_ += 2;
                if (!position(&r.to, &r.to_last)) return false;
                skip();
            }
            st->ranges.push_back(r);
            if (eat(']')) return true;
            if (!eat(',')) return false;
        }
    }
};

void apply(const Step& st, const JNode* n, bool unwrap, std::vector<const JNode*>* out) {
    switch (st.kind) {
    case Step::Kind::Field:
    case Step::Kind::AnyField:
        if (n->kind == JNode::Kind::Object) {
            for (std::size_t i = 0; i < n->keys.size(); ++i)
                if (st.kind == Step::Kind::AnyField || n->keys[i] == st.name) {
                    out->push_back(&n->items[i]);
                    if (st.kind == Step::Kind::Field) break;
                }
        } else if (n->kind == JNode::Kind::Array && unwrap) {
            for (const JNode& item : n->items) apply(st, &item, false, out);
        }
        return;
    case Step::Kind::AnyPosition:
        if (n->kind == JNode::Kind::Array)
            for (const JNode& item : n->items) out->push_back(&item);
        else
            out->push_back(n);
        return;
    case Step::Kind::Positions: {
        bool array = n->kind == JNode::Kind::Array;
        std::int64_t size = array ? static_cast<std::int64_t>(n->items.size()) : 1;
        for (const Range& r : st.ranges) {
            std::int64_t from = r.from_last ? size - 1 - r.from : r.from;
            std::int64_t to = r.to_last ? size - 1 - r.to : r.to;
            if (from < 0) from = 0;
            for (std::int64_t k = from; k <= to && k < size; ++k) out->push_back(array ? &n->items[k] : n);
        }
        return;
    }
    }
}

std::vector<const JNode*> evaluate(const std::vector<Step>& steps, const JNode& root) {
    std::vector<const JNode*> cur{&root};
    for (const Step& st : steps) {
        std::vector<const JNode*> next;
        for (const JNode* n : cur) apply(st, n, true, &next);
        cur.swap(next);
    }
    return cur;
}

void quote(const std::string& s, std::string* out) {
    static const char kHex[] = "0123456789ABCDEF";
    *out += '"';
    for (unsigned char c : s) {
        switch (c) {
        case '"':
            *out += "\\\"";
            break;
        case '\\':
            *out += "\\\\";
            break;
        case '\n':
            *out += "\\n";
            break;
        case '\r':
            *out += "\\r";
            break;
        case '\t':
            *out += "\\t";
            break;
        case '\b':
            *out += "\\b";
            break;
        case '\f':
            *out += "\\f";
            break;
        default:
            if (c < 0x20) {
                *out += "\\u00";
                *out += kHex[c >> 4];
                *out += kHex[c & 15];
            } else {
                *out += static_cast<char>(c);
            }
        }
    }
    *out += '"';
}

// The compact JSON text of n; its nesting is bounded by the reader's kMaxNesting.
void serialize(const JNode& n, std::string* out) {
    switch (n.kind) {
    case JNode::Kind::Null:
        *out += "null";
        return;
    case JNode::Kind::True:
        *out += "true";
        return;
    case JNode::Kind::False:
        *out += "false";
        return;
    case JNode::Kind::Number:
        *out += n.text;
        return;
    case JNode::Kind::String:
        quote(n.text, out);
        return;
    case JNode::Kind::Array:
    case JNode::Kind::Object: {
        bool object = n.kind == JNode::Kind::Object;
        *out += object ? '{' : '[';
        for (std::size_t i = 0; i < n.items.size(); ++i) {
            if (i) *out += ',';
            if (object) {
                quote(n.keys[i], out);
                *out += ':';
            }
            serialize(n.items[i], out);
        }
        *out += object ? '}' : ']';
        return;
    }
    }
}

bool is_container(const JNode& n) {
    return n.kind == JNode::Kind::Array || n.kind == JNode::Kind::Object;
}

std::string ora_text(int code, const std::string& arg = {}) {
    std::string text = ora_format(code, ora_message(code, arg));
    text.pop_back();
    return text;
}

void raise(sqlite3_context* ctx, int code, const std::string& arg = {}) {
    std::string text = ora_text(code, arg);
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

// The document argument: text or the UTF-8 bytes of a BLOB. False for NULL.
bool document_bytes(sqlite3_value* v, const char** p, std::size_t* n) {
    int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL) return false;
    if (type == SQLITE_BLOB) {
        *p = static_cast<const char*>(sqlite3_value_blob(v));
        if (!*p) *p = "";
    } else {
        *p = reinterpret_cast<const char*>(sqlite3_value_text(v));
        if (!*p) return false;
    }
    *n = static_cast<std::size_t>(sqlite3_value_bytes(v));
    return true;
}

std::string text_of(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

// The document and path of a call's first two arguments evaluated: 0 with the matches,
// else the Oracle error (40441 a document that is no JSON, 40442 a bad path); *null for a
// NULL document.
int matches_of(sqlite3_value** argv, bool* null, JNode* root, std::vector<const JNode*>* found) {
    const char* p = nullptr;
    std::size_t n = 0;
    *null = !document_bytes(argv[0], &p, &n);
    std::vector<Step> steps;
    if (!PathReader(text_of(argv[1])).path(&steps)) return 40442;
    if (*null) return 0;
    if (!JsonReader(p, n, false, false).document(root)) return 40441;
    *found = evaluate(steps, *root);
    return 0;
}

void fn_is_json(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const char* p = nullptr;
    std::size_t n = 0;
    if (!document_bytes(argv[0], &p, &n)) return sqlite3_result_null(ctx);
    int flags = sqlite3_value_int(argv[1]);
    JNode root;
    sqlite3_result_int(ctx, JsonReader(p, n, (flags & 1) != 0, (flags & 2) != 0).document(&root) ? 1 : 0);
}

void fn_exists(sqlite3_context* ctx, int, sqlite3_value** argv) {
    bool null = false;
    JNode root;
    std::vector<const JNode*> found;
    int e = matches_of(argv, &null, &root, &found);
    int on_error = sqlite3_value_int(argv[2]);  // 0 FALSE, 1 ERROR, 2 TRUE ON ERROR
    if (e == 40442 || (e && on_error == 1)) return raise(ctx, e);
    if (null) return sqlite3_result_null(ctx);
    if (e) return sqlite3_result_int(ctx, on_error == 2 ? 1 : 0);
    sqlite3_result_int(ctx, found.empty() ? 0 : 1);
}

// Answers an error or empty result as the ON ERROR / ON EMPTY clause says: mode, the
// DEFAULT value's argument and the error to raise.
void fallback(sqlite3_context* ctx, int mode, sqlite3_value* def, int code, const std::string& arg = {}) {
    switch (static_cast<JsonOnError>(mode)) {
    case JsonOnError::Error:
        return raise(ctx, code, arg);
    case JsonOnError::Default:
        return sqlite3_result_value(ctx, def);
    case JsonOnError::EmptyArray:
        return sqlite3_result_text(ctx, "[]", 2, SQLITE_STATIC);
    case JsonOnError::EmptyObject:
        return sqlite3_result_text(ctx, "{}", 2, SQLITE_STATIC);
    case JsonOnError::Null:
        break;
    }
    sqlite3_result_null(ctx);
}

bool numeric_text(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    if (i == s.size()) return false;
    char* end = nullptr;
    std::strtod(s.c_str() + i, &end);
    if (end == s.c_str() + i) return false;
    while (*end == ' ') ++end;
    return *end == '\0' && s.find_first_of("xXnN") == std::string::npos;
}

// vantro_json_value(doc, path, returning, size, on_error, error_default, on_empty, empty_default,
// precision, scale): a NUMBER with a precision or scale is rounded to it, a value too wide
// for it answered by ON ERROR (ORA-01438).
void fn_value(sqlite3_context* ctx, int, sqlite3_value** argv) {
    bool null = false;
    JNode root;
    std::vector<const JNode*> found;
    int on_error = sqlite3_value_int(argv[4]);
    int e = matches_of(argv, &null, &root, &found);
    if (e == 40442) return raise(ctx, e);
    if (null) return sqlite3_result_null(ctx);
    if (e) return fallback(ctx, on_error, argv[5], e);
    if (found.empty()) return fallback(ctx, sqlite3_value_int(argv[6]), argv[7], 40462);
    if (found.size() > 1) return fallback(ctx, on_error, argv[5], 40470);
    const JNode& v = *found[0];
    if (is_container(v)) return fallback(ctx, on_error, argv[5], 40456);
    if (v.kind == JNode::Kind::Null) return sqlite3_result_null(ctx);
    std::string out = v.kind == JNode::Kind::True ? "true" : v.kind == JNode::Kind::False ? "false" : v.text;
    if (static_cast<JsonReturning>(sqlite3_value_int(argv[2])) == JsonReturning::Number) {
        bool ok = v.kind == JNode::Kind::Number || (v.kind == JNode::Kind::String && numeric_text(out));
        if (!ok) return fallback(ctx, on_error, argv[5], 1722);
        const int precision = sqlite3_value_int(argv[8]), scale = sqlite3_value_int(argv[9]);
        if (precision > 0 || scale != -127) {
            Decimal d;
            NumberStored n;
            if (!decimal_parse(out.data(), out.size(), &d)) return fallback(ctx, on_error, argv[5], 1722);
            const int code = number_store_decimal(d, precision, scale, &n);
            if (code) return fallback(ctx, on_error, argv[5], code);
            return result_stored(ctx, n);
        }
    } else {
        std::int64_t size = sqlite3_value_int64(argv[3]);
        if (static_cast<std::int64_t>(out.size()) > size)
            return fallback(ctx, on_error, argv[5], 40478, std::to_string(size));
    }
    sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// vantro_json_query(doc, path, wrapper, on_error, on_empty, size)
void fn_query(sqlite3_context* ctx, int, sqlite3_value** argv) {
    bool null = false;
    JNode root;
    std::vector<const JNode*> found;
    int on_error = sqlite3_value_int(argv[3]);
    int e = matches_of(argv, &null, &root, &found);
    if (e == 40442) return raise(ctx, e);
    if (null) return sqlite3_result_null(ctx);
    if (e) return fallback(ctx, on_error, nullptr, e);
    if (found.empty()) return fallback(ctx, sqlite3_value_int(argv[4]), nullptr, 40462);
    auto wrapper = static_cast<JsonWrapper>(sqlite3_value_int(argv[2]));
    bool single = found.size() == 1 && is_container(*found[0]);
    if (wrapper == JsonWrapper::Without && !single) return fallback(ctx, on_error, nullptr, 40480);
    std::string out;
    if (wrapper == JsonWrapper::Unconditional || (wrapper == JsonWrapper::Conditional && !single)) {
        out += '[';
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (i) out += ',';
            serialize(*found[i], &out);
        }
        out += ']';
    } else {
        serialize(*found[0], &out);
    }
    std::int64_t size = sqlite3_value_int64(argv[5]);
    if (static_cast<std::int64_t>(out.size()) > size)
        return fallback(ctx, on_error, nullptr, 40478, std::to_string(size));
    sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// JSON_TABLE: vantro_json_table(doc, layout), an eponymous virtual table whose rows are
// made whole when a cursor is filtered (a document's rows are few enough to hold).
struct TableColumn {
    int kind = 1;  // 0 ordinality, 1 value, 2 FORMAT JSON, 3 EXISTS, 4 nested
    int type = 0;  // 0 VARCHAR2, 1 NUMBER, 2 DATE
    std::int64_t size = 4000;
    bool char_semantics = false;
    int precision = 0, scale = -127, wrapper = 0, on_error = 0, on_empty = 0;
    bool has_error_default = false, has_empty_default = false;
    std::string error_default, empty_default;
    std::vector<Step> path;
    std::string fold_key;  // not empty: the path is this key, matched without case
    std::size_t slot = 0;  // the output column
    std::vector<TableColumn> nested;
};

struct TableLayout {
    std::vector<Step> path;
    int on_error = 0;
    std::vector<TableColumn> columns;
    std::size_t width = 0;  // output columns
};

const JNode* member(const JNode& n, const char* key) {
    if (n.kind != JNode::Kind::Object) return nullptr;
    for (std::size_t i = 0; i < n.keys.size(); ++i)
        if (n.keys[i] == key) return &n.items[i];
    return nullptr;
}

int int_member(const JNode& n, const char* key) {
    const JNode* m = member(n, key);
    return m && m->kind == JNode::Kind::Number ? std::atoi(m->text.c_str()) : 0;
}

bool read_path(const JNode& n, std::vector<Step>* steps) {
    const JNode* p = member(n, "p");
    return p && p->kind == JNode::Kind::String && PathReader(p->text).path(steps);
}

bool read_columns(const JNode& list, std::vector<TableColumn>* out, std::size_t* width) {
    if (list.kind != JNode::Kind::Array) return false;
    for (const JNode& item : list.items) {
        TableColumn c;
        c.kind = int_member(item, "k");
        if (c.kind != 0 && !read_path(item, &c.path)) return false;
        if (const JNode* fold = member(item, "i")) c.fold_key = fold->text;
        if (c.kind == 4) {
            const JNode* nested = member(item, "c");
            if (!nested || !read_columns(*nested, &c.nested, width)) return false;
        } else {
            c.type = int_member(item, "t");
            c.size = int_member(item, "n");
            c.char_semantics = int_member(item, "u") != 0;
            c.precision = int_member(item, "r");
            c.scale = int_member(item, "s");
            c.wrapper = int_member(item, "w");
            c.on_error = int_member(item, "e");
            c.on_empty = int_member(item, "m");
            const JNode* d = member(item, "d");
            const JNode* f = member(item, "f");
            c.has_error_default = d && d->kind == JNode::Kind::String;
            c.has_empty_default = f && f->kind == JNode::Kind::String;
            if (c.has_error_default) c.error_default = d->text;
            if (c.has_empty_default) c.empty_default = f->text;
            c.slot = (*width)++;
        }
        out->push_back(std::move(c));
    }
    return true;
}

bool read_layout(const std::string& text, TableLayout* layout) {
    JNode root;
    if (!JsonReader(text.data(), text.size(), false, false).document(&root) || !read_path(root, &layout->path))
        return false;
    layout->on_error = int_member(root, "e");
    const JNode* cols = member(root, "c");
    return cols && read_columns(*cols, &layout->columns, &layout->width);
}

using Cell = DocumentCell;
using Row = DocumentRow;

void set_text(Cell* c, std::string s) {
    c->type = SQLITE_TEXT;
    c->s = std::move(s);
}

// An ISO 8601 date (YYYY-MM-DD, with a time part after T or a blank that DATE drops).
bool iso_date(const std::string& s, DateValue* d) {
    auto num = [&](std::size_t at, std::size_t n, int* v) {
        if (at + n > s.size()) return false;
        *v = 0;
        for (std::size_t k = at; k < at + n; ++k) {
            if (s[k] < '0' || s[k] > '9') return false;
            *v = *v * 10 + (s[k] - '0');
        }
        return true;
    };
    if (!num(0, 4, &d->year) || s.size() < 10 || s[4] != '-' || !num(5, 2, &d->month) || s[7] != '-' ||
        !num(8, 2, &d->day))
        return false;
    if (s.size() > 10) {
        int h = 0, m = 0;
        if ((s[10] != 'T' && s[10] != ' ') || !num(11, 2, &h) || s.size() < 16 || s[13] != ':' || !num(14, 2, &m))
            return false;
        for (std::size_t k = 16; k < s.size(); ++k)
            if (std::string("0123456789:.+-Z").find(s[k]) == std::string::npos) return false;
    }
    return date_in_range(*d);
}

// The column's value for scalar text (a JSON number, a JSON string, or neither: true,
// false or a DEFAULT literal's text): 0, else the Oracle error and its argument.
int convert(const TableColumn& c, const std::string& text, bool number, bool string, Cell* out, std::string* arg) {
    switch (c.type) {
    case 1:
        if (!(number || string)) return 1722;
        return document_cell_number(text, c.precision, c.scale, out);
    case 2: {
        DateValue d;
        if (!string || !iso_date(text, &d)) return 1861;
        set_text(out, date_stored_text(d));
        return 0;
    }
    default: {
        std::size_t length = c.char_semantics ? utf8_length(text) : text.size();
        if (static_cast<std::int64_t>(length) > c.size) {
            *arg = std::to_string(c.size);
            return 40478;
        }
        set_text(out, text);
        return 0;
    }
    }
}

// Column c's value over the row's item: 0, -1 for an empty result (ON EMPTY answers it),
// else the error ON ERROR answers.
// The member of an object named key without regard to ASCII case; a member of exactly
// that name comes first.
const JNode* member_folded(const JNode& n, const std::string& key) {
    const JNode* exact = member(n, key.c_str());
    if (exact) return exact;
    for (std::size_t i = 0; i < n.keys.size(); ++i) {
        const std::string& k = n.keys[i];
        if (k.size() != key.size()) continue;
        std::size_t j = 0;
        while (j < k.size() &&
               std::toupper(static_cast<unsigned char>(k[j])) == std::toupper(static_cast<unsigned char>(key[j])))
            ++j;
        if (j == k.size()) return &n.items[i];
    }
    return nullptr;
}

int column_value(const TableColumn& c, const JNode& item, Cell* out, std::string* arg) {
    std::vector<const JNode*> found;
    if (!c.fold_key.empty() && item.kind == JNode::Kind::Object) {
        if (const JNode* m = member_folded(item, c.fold_key)) found.push_back(m);
    } else {
        found = evaluate(c.path, item);
    }
    if (c.kind == 3) {
        if (c.type == 1) {
            out->type = SQLITE_INTEGER;
            out->i = found.empty() ? 0 : 1;
        } else {
            set_text(out, found.empty() ? "false" : "true");
        }
        return 0;
    }
    if (found.empty()) return -1;
    if (c.kind == 2) {
        auto wrapper = static_cast<JsonWrapper>(c.wrapper);
        bool single = found.size() == 1 && is_container(*found[0]);
        if (wrapper == JsonWrapper::Without && !single) return 40480;
        std::string text;
        if (wrapper == JsonWrapper::Unconditional || (wrapper == JsonWrapper::Conditional && !single)) {
            text += '[';
            for (std::size_t i = 0; i < found.size(); ++i) {
                if (i) text += ',';
                serialize(*found[i], &text);
            }
            text += ']';
        } else {
            serialize(*found[0], &text);
        }
        return convert(c, text, false, false, out, arg);
    }
    if (found.size() > 1) return 40470;
    const JNode& v = *found[0];
    if (is_container(v)) return 40456;
    if (v.kind == JNode::Kind::Null) return 0;
    std::string text = v.kind == JNode::Kind::True ? "true" : v.kind == JNode::Kind::False ? "false" : v.text;
    return convert(c, text, v.kind == JNode::Kind::Number, v.kind == JNode::Kind::String, out, arg);
}

// Answers column c's error (code -1: its empty result) as its clauses say; false with
// *err when it raises.
bool column_fallback(const TableColumn& c, int code, const std::string& arg, Cell* out, std::string* err) {
    bool empty = code < 0;
    int mode = empty ? c.on_empty : c.on_error;
    *out = Cell();
    switch (static_cast<JsonOnError>(mode)) {
    case JsonOnError::Error:
        *err = empty ? ora_text(40462) : ora_text(code, arg);
        return false;
    case JsonOnError::Default: {
        bool has = empty ? c.has_empty_default : c.has_error_default;
        if (!has) return true;
        std::string default_arg;
        int bad = convert(c, empty ? c.empty_default : c.error_default, false, true, out, &default_arg);
        if (bad) *err = ora_text(bad, default_arg);
        return bad == 0;
    }
    case JsonOnError::EmptyArray:
        set_text(out, "[]");
        return true;
    case JsonOnError::EmptyObject:
        set_text(out, "{}");
        return true;
    case JsonOnError::Null:
        break;
    }
    return true;
}

// The rows of one level for its item: base (the parent's values) with the level's own
// columns, joined outer with the rows of its nested clauses, which follow one another.
bool level_rows(const std::vector<TableColumn>& cols, const JNode& item, std::int64_t ordinal, const Row& base,
                std::vector<Row>* out, std::string* err) {
    Row own = base;
    for (const TableColumn& c : cols) {
        if (c.kind == 4) continue;
        Cell& cell = own[c.slot];
        if (c.kind == 0) {
            cell.type = SQLITE_INTEGER;
            cell.i = ordinal;
            continue;
        }
        std::string arg;
        int code = column_value(c, item, &cell, &arg);
        if (code && !column_fallback(c, code, arg, &cell, err)) return false;
    }
    std::size_t before = out->size();
    for (const TableColumn& c : cols) {
        if (c.kind != 4) continue;
        std::vector<const JNode*> found = evaluate(c.path, item);
        for (std::size_t k = 0; k < found.size(); ++k)
            if (!level_rows(c.nested, *found[k], static_cast<std::int64_t>(k) + 1, own, out, err)) return false;
    }
    if (out->size() == before) out->push_back(std::move(own));
    return true;
}

bool table_rows(const TableLayout& layout, sqlite3_value* doc, std::vector<Row>* out, std::string* err) {
    const char* p = nullptr;
    std::size_t n = 0;
    if (!document_bytes(doc, &p, &n)) return true;
    JNode root;
    if (!JsonReader(p, n, false, false).document(&root)) {
        if (layout.on_error == 1) *err = ora_text(40441);
        return layout.on_error != 1;
    }
    std::vector<const JNode*> found = evaluate(layout.path, root);
    Row base(layout.width);
    for (std::size_t k = 0; k < found.size(); ++k)
        if (!level_rows(layout.columns, *found[k], static_cast<std::int64_t>(k) + 1, base, out, err)) return false;
    return true;
}

std::string read_table_rows(sqlite3_value* doc, const std::string& layout_text, std::vector<Row>* rows) {
    TableLayout layout;
    if (!read_layout(layout_text, &layout)) return ora_text(40442);
    std::string err;
    return table_rows(layout, doc, rows, &err) ? std::string() : err;
}

struct Registration {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

const Registration kRegistrations[] = {
    {"vantro_is_json", 2, fn_is_json},
    {"vantro_json_exists", 3, fn_exists},
    {"vantro_json_value", 10, fn_value},
    {"vantro_json_query", 6, fn_query},
};

}  // namespace

bool json_path_valid(const std::string& text) {
    std::vector<Step> steps;
    return PathReader(text).path(&steps);
}

bool json_functions_register(sqlite3* db) {
    for (const Registration& r : kRegistrations)
        if (sqlite3_create_function(db, r.name, r.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, r.fn, nullptr,
                                    nullptr) != SQLITE_OK)
            return false;
    return document_table_register(db, "vantro_json_table", kJsonTableColumns, read_table_rows);
}
