// Values of schema-level object and collection types. Such a value is kept, in SQLite
// and on the wire, as the text of its constructor the way Oracle's clients show it:
//   NAME(item, item, ...)   item: NULL | number text | 'text' (quotes doubled) | NAME(...)
// An object's items are its attributes in declared order, a collection's its elements;
// the elements of a collection of an object type are the objects' own constructor texts.
// A NULL object or collection is SQL NULL.
#include "values/sql_functions.h"
#include "values/sql_objects.h"

#include "values/errors.h"
#include "values/utf8.h"
#include "values/values.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Appends v as an SQL text literal: in single quotes, its own quotes doubled.
void append_quoted(std::string* out, const std::string& v) {
    *out += '\'';
    for (char c : v) {
        if (c == '\'') *out += '\'';
        *out += c;
    }
    *out += '\'';
}

void raise(sqlite3_context* ctx, int code) {
    std::string text = ora_format(code, ora_message(code, {}, {}));
    text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

// One item of a constructor's text: null, or its value (unquoted).
struct Item {
    bool null = true;
    std::string value;
    bool quoted = false;  // written as a text literal
};

// The items of a constructor's text; false when text is not one.
bool split_items(const std::string& text, std::vector<Item>* items) {
    std::size_t i = text.find('(');
    if (i == std::string::npos || text.empty() || text.back() != ')') return false;
    ++i;
    const std::size_t end = text.size() - 1;
    auto skip_blanks = [&]() {
        while (i < end && text[i] == ' ') ++i;
    };
    skip_blanks();
    if (i == end) return true;
    for (;;) {
        skip_blanks();
        Item it;
        if (i < end && text[i] == '\'') {
            it.null = false;
            it.quoted = true;
            for (++i;; ++i) {
                if (i >= end) return false;
                if (text[i] == '\'') {
                    if (i + 1 < end && text[i + 1] == '\'') {
                        it.value += '\'';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                it.value += text[i];
            }
        } else {
            // A word, or an object's constructor: up to the comma outside its parentheses
            // and quotes.
            std::size_t start = i;
            int depth = 0;
            bool quoted = false;
            for (; i < end && (quoted || depth > 0 || text[i] != ','); ++i) {
                if (text[i] == '\'')
                    quoted = !quoted;
                else if (!quoted && text[i] == '(')
                    ++depth;
                else if (!quoted && text[i] == ')' && --depth < 0)
                    return false;
            }
            if (quoted || depth != 0) return false;
            std::string word = text.substr(start, i - start);
            while (!word.empty() && word.back() == ' ') word.pop_back();
            if (word.empty()) return false;
            if (word != "NULL") {
                it.null = false;
                it.value = word;
            }
        }
        items->push_back(std::move(it));
        skip_blanks();
        if (i == end) return true;
        if (text[i] != ',') return false;
        ++i;
    }
}

// The items of a stored object or collection value (and its whole text, when asked).
// false when the value is NULL (the result is then NULL) or is no constructor text
// (ORA-00932 raised).
bool stored_items(sqlite3_context* ctx, sqlite3_value* v, std::vector<Item>* items, std::string* text_out = nullptr) {
    if (sqlite3_value_type(v) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return false;
    }
    const std::string text(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                           static_cast<std::size_t>(sqlite3_value_bytes(v)));
    if (split_items(text, items)) {
        if (text_out) *text_out = text;
        return true;
    }
    raise(ctx, 932);
    return false;
}

// The kind of each item: 'N' a number (written as it is), 'S' text (quoted), 'O' an
// object's constructor text (written as it is); a text kind is followed by its largest
// length and 'C' when it counts characters.
struct ItemKind {
    bool number = false;
    bool object = false;
    std::size_t size = 0;
    bool chars = false;
};

std::vector<ItemKind> parse_kinds(const char* k) {
    std::vector<ItemKind> kinds;
    while (k && *k) {
        ItemKind kind;
        kind.number = *k == 'N';
        kind.object = *k == 'O';
        ++k;
        char* after = nullptr;
        kind.size = std::strtoul(k, &after, 10);
        k = after;
        if (*k == 'C') {
            kind.chars = true;
            ++k;
        }
        if (*k == ',') ++k;
        kinds.push_back(kind);
    }
    return kinds;
}

// vantro_object(name, kinds, item...): the constructor's text; kinds names one kind per
// item (an object's) or the one kind of every element (a collection's).
void fn_object(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const char* name = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    std::vector<ItemKind> kinds = parse_kinds(reinterpret_cast<const char*>(sqlite3_value_text(argv[1])));
    if (!name || kinds.empty()) return sqlite3_result_error(ctx, "vantro_object: bad arguments", -1);
    std::string out = std::string(name) + "(";
    for (int i = 2; i < argc; ++i) {
        const ItemKind& kind = kinds[kinds.size() == 1 ? 0 : std::min<std::size_t>(i - 2, kinds.size() - 1)];
        if (i > 2) out += ", ";
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            out += "NULL";
            continue;
        }
        std::string v(reinterpret_cast<const char*>(sqlite3_value_text(argv[i])),
                      static_cast<std::size_t>(sqlite3_value_bytes(argv[i])));
        if (kind.number || kind.object) {
            out += v;
            continue;
        }
        if (v.empty()) {
            out += "NULL";
            continue;
        }
        if ((kind.chars ? utf8_length(v) : v.size()) > kind.size) return raise(ctx, 22814);
        append_quoted(&out, v);
    }
    out += ")";
    sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// vantro_object_item(value, n): the n-th (1-based) item's text, NULL for a null item or
// a null value.
void fn_object_item(sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::vector<Item> items;
    if (!stored_items(ctx, argv[0], &items)) return;
    long long n = sqlite3_value_int64(argv[1]);
    if (n < 1 || n > static_cast<long long>(items.size()) || items[n - 1].null) return sqlite3_result_null(ctx);
    const std::string& v = items[n - 1].value;
    sqlite3_result_text(ctx, v.c_str(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

// vantro_object_set(value, n, kinds, item): value with its n-th item replaced, kinds as
// for vantro_object; a null object stays null.
void fn_object_set(sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::vector<Item> items;
    std::string text;
    if (!stored_items(ctx, argv[0], &items, &text)) return;
    long long n = sqlite3_value_int64(argv[1]);
    std::vector<ItemKind> kinds = parse_kinds(reinterpret_cast<const char*>(sqlite3_value_text(argv[2])));
    if (n < 1 || n > static_cast<long long>(items.size()) || kinds.size() != items.size())
        return sqlite3_result_error(ctx, "vantro_object_set: bad arguments", -1);
    std::string out = text.substr(0, text.find('(')) + "(";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += ", ";
        Item it = items[i];
        if (static_cast<long long>(i) == n - 1) {
            it.null = sqlite3_value_type(argv[3]) == SQLITE_NULL;
            it.value = it.null ? std::string() : reinterpret_cast<const char*>(sqlite3_value_text(argv[3]));
            if (!kinds[i].number && it.value.empty()) it.null = true;
            if (!it.null && !kinds[i].number &&
                (kinds[i].chars ? utf8_length(it.value) : it.value.size()) > kinds[i].size)
                return raise(ctx, 22814);
        }
        if (it.null) {
            out += "NULL";
        } else if (kinds[i].number) {
            out += it.value;
        } else {
            append_quoted(&out, it.value);
        }
    }
    out += ")";
    sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// vantro_object_count(value): the number of items (a collection's CARDINALITY).
void fn_object_count(sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::vector<Item> items;
    if (!stored_items(ctx, argv[0], &items)) return;
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(items.size()));
}

// --- Collections in queries ------------------------------------------------------------

// Whether two items are the same element: numbers by value, texts byte by byte, and
// NULL the same as NULL (the multiset operators keep nulls as elements).
bool same_item(const Item& a, const Item& b, bool number) {
    if (a.null || b.null) return a.null == b.null;
    if (!number) return a.value == b.value;
    double x = 0, y = 0;
    std::int64_t xi = 0, yi = 0;
    bool x_int = false, y_int = false;
    if (!number_parse(a.value.c_str(), a.value.size(), &x, &xi, &x_int) ||
        !number_parse(b.value.c_str(), b.value.size(), &y, &yi, &y_int))
        return a.value == b.value;
    if (x_int && y_int) return xi == yi;
    return (x_int ? static_cast<double>(xi) : x) == (y_int ? static_cast<double>(yi) : y);
}

// Numbers and objects are written as they are; objects compare by their texts.
bool kind_is_number(sqlite3_value* kind) {
    const unsigned char* k = sqlite3_value_text(kind);
    return k && (k[0] == 'N' || k[0] == 'O');
}

void append_item(std::string* out, const Item& it, bool number) {
    if (it.null)
        *out += "NULL";
    else if (number)
        *out += it.value;
    else
        append_quoted(out, it.value);
}

void result_items(sqlite3_context* ctx, const std::string& type_text, const std::vector<Item>& items, bool number) {
    std::string out = type_text.substr(0, type_text.find('(')) + "(";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += ", ";
        append_item(&out, items[i], number);
    }
    out += ")";
    sqlite3_result_text(ctx, out.c_str(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// Removes the elements after the first of each value.
std::vector<Item> distinct_items(const std::vector<Item>& items, bool number) {
    std::vector<Item> out;
    for (const Item& it : items) {
        bool seen = false;
        for (const Item& o : out) seen = seen || same_item(o, it, number);
        if (!seen) out.push_back(it);
    }
    return out;
}

// vantro_multiset(op, kind, c1[, c2]): MULTISET UNION, INTERSECT and EXCEPT of two nested
// tables (op 'U', 'I', 'E', followed by 'D' for DISTINCT) and SET (op 'S' of c1); the
// result is of c1's type, NULL when an operand is.
void fn_multiset(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const std::string op = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const bool number = kind_is_number(argv[1]);
    std::vector<Item> a, b;
    std::string text;
    if (!stored_items(ctx, argv[2], &a, &text)) return;
    if (op[0] != 'S' && (argc < 4 || !stored_items(ctx, argv[3], &b))) return;
    std::vector<Item> out;
    switch (op[0]) {
    case 'U':
        out = a;
        out.insert(out.end(), b.begin(), b.end());
        break;
    case 'I':
    case 'E': {
        // Each element of b matches at most one equal element of a.
        std::vector<bool> used(b.size(), false);
        for (const Item& it : a) {
            bool matched = false;
            for (std::size_t k = 0; k < b.size() && !matched; ++k)
                if (!used[k] && same_item(it, b[k], number)) used[k] = matched = true;
            if (matched == (op[0] == 'I')) out.push_back(it);
        }
        break;
    }
    default:
        out = a;
    }
    if (op[0] == 'S' || (op.size() > 1 && op[1] == 'D')) out = distinct_items(out, number);
    result_items(ctx, text, out, number);
}

// vantro_member_of(kind, value, c): 1 when value is an element of c, 0 when it is not,
// NULL when value or c is NULL, c is empty, or no element matches and one is NULL.
void fn_member_of(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const bool number = kind_is_number(argv[0]);
    std::vector<Item> items;
    if (!stored_items(ctx, argv[2], &items)) return;
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || items.empty()) return sqlite3_result_null(ctx);
    Item v;
    v.null = false;
    v.value = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    bool any_null = false;
    for (const Item& it : items) {
        if (it.null) {
            any_null = true;
            continue;
        }
        if (same_item(it, v, number)) return sqlite3_result_int(ctx, 1);
    }
    if (any_null) return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, 0);
}

// vantro_submultiset(kind, c1, c2): 1 when every element of c1 has an element of its own
// in c2 (duplicates counted), NULL when c1 or c2 is NULL.
void fn_submultiset(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const bool number = kind_is_number(argv[0]);
    std::vector<Item> a, b;
    if (!stored_items(ctx, argv[1], &a) || !stored_items(ctx, argv[2], &b)) return;
    std::vector<bool> used(b.size(), false);
    for (const Item& it : a) {
        bool matched = false;
        for (std::size_t k = 0; k < b.size() && !matched; ++k)
            if (!used[k] && same_item(it, b[k], number)) used[k] = matched = true;
        if (!matched) return sqlite3_result_int(ctx, 0);
    }
    sqlite3_result_int(ctx, 1);
}

// TABLE(collection): vantro_collection_rows(value, kind), an eponymous virtual table with
// one row per element in order, its value in COLUMN_VALUE (a number element as a number).
// The elements of a collection of an object type (kind 'O' followed by the kinds of the
// object's attributes) give their attributes in the columns A1, A2, ... as well.
constexpr int kRowsValueColumn = 1;
constexpr int kRowsKindColumn = 2;
constexpr int kRowsFirstAttribute = 3;

struct RowsCursor {
    sqlite3_vtab_cursor base{};
    std::vector<Item> items;
    bool number = false;
    std::vector<ItemKind> attribute_kinds;  // an object element's
    std::vector<Item> attributes;           // ... and the attributes of the element at
    std::size_t attributes_of = static_cast<std::size_t>(-1);
    std::size_t at = 0;
};

std::string rows_declaration() {
    std::string sql = "CREATE TABLE x(column_value,value HIDDEN,kind HIDDEN";
    for (int i = 1; i <= kMaxTableAttributes; ++i) sql += ",a" + std::to_string(i);
    return sql + ")";
}

RowsCursor* rows_cursor(sqlite3_vtab_cursor* c) {
    return reinterpret_cast<RowsCursor*>(c);
}

int rows_connect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**) {
    static const std::string declaration = rows_declaration();
    int rc = sqlite3_declare_vtab(db, declaration.c_str());
    if (rc != SQLITE_OK) return rc;
    *out = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!*out) return SQLITE_NOMEM;
    **out = sqlite3_vtab{};
    return SQLITE_OK;
}

int rows_disconnect(sqlite3_vtab* vtab) {
    sqlite3_free(vtab);
    return SQLITE_OK;
}

// The rows need both arguments; a plan that cannot give them is refused.
int rows_best_index(sqlite3_vtab*, sqlite3_index_info* info) {
    int value = -1, kind = -1;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.op != SQLITE_INDEX_CONSTRAINT_EQ || (c.iColumn != kRowsValueColumn && c.iColumn != kRowsKindColumn))
            continue;
        if (!c.usable) return SQLITE_CONSTRAINT;
        (c.iColumn == kRowsValueColumn ? value : kind) = i;
    }
    if (value < 0 || kind < 0) return SQLITE_CONSTRAINT;
    info->aConstraintUsage[value].argvIndex = 1;
    info->aConstraintUsage[value].omit = 1;
    info->aConstraintUsage[kind].argvIndex = 2;
    info->aConstraintUsage[kind].omit = 1;
    info->estimatedCost = 10;
    info->estimatedRows = 10;
    return SQLITE_OK;
}

int rows_open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    *out = &(new RowsCursor)->base;
    return SQLITE_OK;
}

int rows_close(sqlite3_vtab_cursor* c) {
    delete rows_cursor(c);
    return SQLITE_OK;
}

// A NULL collection gives no rows; a value that is no constructor text is an error.
int rows_filter(sqlite3_vtab_cursor* c, int, const char*, int argc, sqlite3_value** argv) {
    RowsCursor* cur = rows_cursor(c);
    cur->items.clear();
    cur->at = 0;
    if (argc != 2) return SQLITE_ERROR;
    const char* kind = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    cur->attribute_kinds.clear();
    cur->attributes_of = static_cast<std::size_t>(-1);
    if (kind && kind[0] == 'O') cur->attribute_kinds = parse_kinds(kind + 1);
    cur->number = kind_is_number(argv[1]);
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return SQLITE_OK;
    const std::string text(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])),
                           static_cast<std::size_t>(sqlite3_value_bytes(argv[0])));
    if (split_items(text, &cur->items)) return SQLITE_OK;
    cur->items.clear();
    std::string err = ora_format(932, ora_message(932, {}, {}));
    err.pop_back();
    sqlite3_free(c->pVtab->zErrMsg);
    c->pVtab->zErrMsg = sqlite3_mprintf("%s", err.c_str());
    return SQLITE_ERROR;
}

int rows_next(sqlite3_vtab_cursor* c) {
    ++rows_cursor(c)->at;
    return SQLITE_OK;
}

int rows_eof(sqlite3_vtab_cursor* c) {
    return rows_cursor(c)->at >= rows_cursor(c)->items.size();
}

int rows_column(sqlite3_vtab_cursor* c, sqlite3_context* ctx, int i) {
    RowsCursor* cur = rows_cursor(c);
    const Item* item = &cur->items[cur->at];
    bool number = cur->number;
    if (i >= kRowsFirstAttribute && !cur->attribute_kinds.empty() && !item->null) {
        // An attribute of the object element (its items read once per row).
        const std::size_t a = static_cast<std::size_t>(i - kRowsFirstAttribute);
        if (cur->attributes_of != cur->at) {
            cur->attributes.clear();
            cur->attributes_of = cur->at;
            if (!split_items(item->value, &cur->attributes) || cur->attributes.size() != cur->attribute_kinds.size()) {
                std::string err = ora_format(932, ora_message(932, {}, {}));
                err.pop_back();
                sqlite3_result_error(ctx, err.c_str(), static_cast<int>(err.size()));
                cur->attributes_of = static_cast<std::size_t>(-1);
                return SQLITE_OK;
            }
        }
        if (a >= cur->attributes.size()) {
            sqlite3_result_null(ctx);
            return SQLITE_OK;
        }
        item = &cur->attributes[a];
        number = cur->attribute_kinds[a].number;
    } else if (i != 0) {
        sqlite3_result_null(ctx);
        return SQLITE_OK;
    }
    const Item& it = *item;
    if (it.null) {
        sqlite3_result_null(ctx);
        return SQLITE_OK;
    }
    double d = 0;
    std::int64_t n = 0;
    bool is_int = false;
    if (number && number_parse(it.value.c_str(), it.value.size(), &d, &n, &is_int)) {
        if (is_int)
            sqlite3_result_int64(ctx, n);
        else
            sqlite3_result_double(ctx, d);
    } else {
        sqlite3_result_text(ctx, it.value.c_str(), static_cast<int>(it.value.size()), SQLITE_TRANSIENT);
    }
    return SQLITE_OK;
}

int rows_rowid(sqlite3_vtab_cursor* c, sqlite3_int64* rowid) {
    *rowid = static_cast<sqlite3_int64>(rows_cursor(c)->at) + 1;
    return SQLITE_OK;
}

sqlite3_module rows_module() {
    sqlite3_module m{};
    m.xConnect = rows_connect;
    m.xBestIndex = rows_best_index;
    m.xDisconnect = rows_disconnect;
    m.xOpen = rows_open;
    m.xClose = rows_close;
    m.xFilter = rows_filter;
    m.xNext = rows_next;
    m.xEof = rows_eof;
    m.xColumn = rows_column;
    m.xRowid = rows_rowid;
    return m;
}

const sqlite3_module kRowsModule = rows_module();

struct Registration {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

const Registration kRegistrations[] = {
    {"vantro_object", -1, fn_object},          {"vantro_object_item", 2, fn_object_item},
    {"vantro_object_set", 4, fn_object_set},   {"vantro_object_count", 1, fn_object_count},
    {"vantro_multiset", -1, fn_multiset},      {"vantro_member_of", 3, fn_member_of},
    {"vantro_submultiset", 3, fn_submultiset},
};

}  // namespace

bool object_text_set_item(const std::string& text, std::size_t n, const std::string* value, bool number,
                          std::string* out) {
    std::vector<Item> items;
    if (!split_items(text, &items) || n < 1 || n > items.size()) return false;
    // The other items keep their own form: a quoted text is written quoted again, a
    // number or an inner object's constructor as it stands.
    std::string result = text.substr(0, text.find('(')) + "(";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) result += ", ";
        if (i == n - 1) {
            if (!value || (!number && value->empty()))
                result += "NULL";
            else if (number)
                result += *value;
            else
                append_quoted(&result, *value);
            continue;
        }
        if (items[i].null)
            result += "NULL";
        else if (items[i].quoted)
            append_quoted(&result, items[i].value);
        else
            result += items[i].value;
    }
    *out = result + ")";
    return true;
}

bool object_text_items(const std::string& text, std::vector<ObjectTextItem>* items) {
    std::vector<Item> split;
    if (!split_items(text, &split)) return false;
    items->clear();
    for (Item& it : split) {
        ObjectTextItem o;
        o.null = it.null;
        o.quoted = it.quoted;
        o.value = std::move(it.value);
        items->push_back(std::move(o));
    }
    return true;
}

bool sql_objects_register(sqlite3* db) {
    for (const Registration& r : kRegistrations)
        if (sqlite3_create_function(db, r.name, r.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, r.fn, nullptr,
                                    nullptr) != SQLITE_OK)
            return false;
    return sqlite3_create_module(db, "vantro_collection_rows", &kRowsModule, nullptr) == SQLITE_OK;
}
