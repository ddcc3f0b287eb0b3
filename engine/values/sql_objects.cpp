// Values of schema-level object and collection types. Such a value is kept, in SQLite
// and on the wire, as the text of its constructor the way Oracle's clients show it:
//   NAME(item, item, ...)   item: NULL | number text | 'text' (quotes doubled)
// An object's items are its attributes in declared order, a collection's its elements.
// A NULL object or collection is SQL NULL.
#include "values/sql_functions.h"

#include "values/errors.h"
#include "values/utf8.h"

#include <sqlite3.h>

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
            std::size_t start = i;
            while (i < end && text[i] != ',') ++i;
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

// The kind of each item: 'N' a number (written as it is), 'S' text (quoted); a text
// kind is followed by its largest length and 'C' when it counts characters.
struct ItemKind {
    bool number = false;
    std::size_t size = 0;
    bool chars = false;
};

std::vector<ItemKind> parse_kinds(const char* k) {
    std::vector<ItemKind> kinds;
    while (k && *k) {
        ItemKind kind;
        kind.number = *k == 'N';
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
        if (kind.number) {
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

}  // namespace

bool sql_objects_register(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(db, "vantro_object", -1, flags, nullptr, fn_object, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "vantro_object_item", 2, flags, nullptr, fn_object_item, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_object_set", 4, flags, nullptr, fn_object_set, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_object_count", 1, flags, nullptr, fn_object_count, nullptr, nullptr) ==
               SQLITE_OK;
}
