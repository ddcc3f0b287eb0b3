// The engine's own aggregate and window functions: LISTAGG with its ordering, DISTINCT
// and overflow rules, and the n-th value of a window frame counted from either end with
// or without the NULLs (IGNORE NULLS, FROM LAST).
#include "values/sql_functions.h"

#include "values/errors.h"
#include "values/sql_arithmetic.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

void raise(sqlite3_context* ctx, int code, const std::string& arg = {}) {
    std::string text = ora_format(code, ora_message(code, arg));
    if (!text.empty() && text.back() == '\n') text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

// One ordering key as SQLite holds it.
struct Key {
    int type = SQLITE_NULL;
    double number = 0;
    std::string text;
};

Key key_of(sqlite3_value* v) {
    Key k;
    k.type = sqlite3_value_type(v);
    if (k.type == SQLITE_INTEGER || k.type == SQLITE_FLOAT) {
        k.type = SQLITE_FLOAT;
        k.number = sqlite3_value_double(v);
    } else if (k.type != SQLITE_NULL) {
        const void* b = k.type == SQLITE_BLOB ? sqlite3_value_blob(v) : sqlite3_value_text(v);
        int n = sqlite3_value_bytes(v);
        if (b) k.text.assign(static_cast<const char*>(b), static_cast<std::size_t>(n));
    }
    return k;
}

// Numbers before text before binary, as SQLite orders values; text by its bytes.
int compare_keys(const Key& a, const Key& b) {
    if (a.type != b.type) return a.type == SQLITE_FLOAT ? -1 : b.type == SQLITE_FLOAT ? 1 : a.type < b.type ? -1 : 1;
    if (a.type == SQLITE_FLOAT) return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    int c = a.text.compare(b.text);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

struct ListaggRow {
    bool null = true;
    std::string value;
    std::vector<Key> keys;
};

struct ListaggState {
    std::deque<ListaggRow> rows;
    std::string delimiter;
    bool truncate = false;
    std::string indicator;
    bool with_count = true;
    bool distinct = false;
    std::vector<int> flags;  // per key: 1 descending, 2 nulls first
};

constexpr std::size_t kMaxVarchar = 4000;

// vantro_listagg(value, delimiter, truncate, indicator, with_count [, distinct, flags1,
// key1, ...])
void listagg_step(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    auto** slot = static_cast<ListaggState**>(sqlite3_aggregate_context(ctx, sizeof(ListaggState*)));
    if (!slot) return sqlite3_result_error_nomem(ctx);
    if (argc < 5 || (argc > 5 && (argc - 6) % 2 != 0))
        return sqlite3_result_error(ctx, "vantro_listagg: bad arguments", -1);
    if (!*slot) {
        *slot = new ListaggState;
        ListaggState& s = **slot;
        if (sqlite3_value_type(argv[1]) != SQLITE_NULL)
            s.delimiter = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
        s.truncate = sqlite3_value_int(argv[2]) != 0;
        if (sqlite3_value_type(argv[3]) != SQLITE_NULL)
            s.indicator = reinterpret_cast<const char*>(sqlite3_value_text(argv[3]));
        s.with_count = sqlite3_value_int(argv[4]) != 0;
        if (argc > 5) s.distinct = sqlite3_value_int(argv[5]) != 0;
        for (int i = 6; i < argc; i += 2) s.flags.push_back(sqlite3_value_int(argv[i]));
    }
    ListaggState& s = **slot;
    ListaggRow row;
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL) {
        row.null = false;
        const unsigned char* t = sqlite3_value_text(argv[0]);
        if (t)
            row.value.assign(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(argv[0])));
    }
    for (int i = 7; i < argc; i += 2) row.keys.push_back(key_of(argv[i]));
    s.rows.push_back(std::move(row));
}

void listagg_inverse(sqlite3_context* ctx, int, sqlite3_value**) {
    auto** slot = static_cast<ListaggState**>(sqlite3_aggregate_context(ctx, sizeof(ListaggState*)));
    if (slot && *slot && !(*slot)->rows.empty()) (*slot)->rows.pop_front();
}

void listagg_result(sqlite3_context* ctx, ListaggState& s) {
    std::vector<const ListaggRow*> order;
    for (const ListaggRow& r : s.rows)
        if (!r.null) order.push_back(&r);
    if (!s.flags.empty()) {
        std::stable_sort(order.begin(), order.end(), [&](const ListaggRow* a, const ListaggRow* b) {
            for (std::size_t k = 0; k < s.flags.size() && k < a->keys.size(); ++k) {
                const Key& x = a->keys[k];
                const Key& y = b->keys[k];
                bool desc = s.flags[k] & 1, nulls_first = s.flags[k] & 2;
                if ((x.type == SQLITE_NULL) != (y.type == SQLITE_NULL)) return (x.type == SQLITE_NULL) == nulls_first;
                int c = compare_keys(x, y);
                if (c) return desc ? c > 0 : c < 0;
            }
            return false;
        });
    }
    if (s.distinct) {
        std::set<std::string> seen;
        std::vector<const ListaggRow*> kept;
        for (const ListaggRow* r : order)
            if (seen.insert(r->value).second) kept.push_back(r);
        order.swap(kept);
    }
    if (order.empty()) return sqlite3_result_null(ctx);
    std::string out;
    std::size_t used = 0;
    bool over = false;
    for (const ListaggRow* r : order) {
        std::size_t extra = (used ? s.delimiter.size() : 0) + r->value.size();
        if (out.size() + extra > kMaxVarchar) {
            over = true;
            break;
        }
        if (used) out += s.delimiter;
        out += r->value;
        ++used;
    }
    if (!over) return sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
    if (!s.truncate) return raise(ctx, 1489);
    // As many whole values as leave room for the delimiter, the indicator and the count of
    // the values left out.
    for (;;) {
        std::string tail = s.delimiter + s.indicator;
        if (s.with_count) tail += "(" + std::to_string(order.size() - used) + ")";
        if (out.size() + tail.size() <= kMaxVarchar || used == 0) {
            if (used == 0) tail = tail.substr(s.delimiter.size());
            out += tail;
            if (out.size() > kMaxVarchar) return raise(ctx, 1489);
            return sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
        }
        // Drop the last kept value (and its delimiter).
        --used;
        std::size_t cut = 0;
        std::size_t pos = 0;
        for (std::size_t k = 0; k < used; ++k) {
            pos += (k ? s.delimiter.size() : 0) + order[k]->value.size();
            cut = pos;
        }
        out.resize(cut);
    }
}

void listagg_value(sqlite3_context* ctx) {
    auto** slot = static_cast<ListaggState**>(sqlite3_aggregate_context(ctx, 0));
    if (!slot || !*slot) return sqlite3_result_null(ctx);
    listagg_result(ctx, **slot);
}

void listagg_final(sqlite3_context* ctx) {
    auto** slot = static_cast<ListaggState**>(sqlite3_aggregate_context(ctx, 0));
    if (!slot || !*slot) return sqlite3_result_null(ctx);
    listagg_result(ctx, **slot);
    delete *slot;
    *slot = nullptr;
}

// vantro_nth_in(value, n, from_last, ignore_nulls) over a frame.
struct NthState {
    std::deque<sqlite3_value*> values;
    sqlite3_int64 n = 0;
    bool from_last = false;
    bool ignore_nulls = false;
    bool bad_n = false;
    std::string n_text;
};

void nth_step(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 4) return sqlite3_result_error(ctx, "vantro_nth_in: bad arguments", -1);
    auto** slot = static_cast<NthState**>(sqlite3_aggregate_context(ctx, sizeof(NthState*)));
    if (!slot) return sqlite3_result_error_nomem(ctx);
    if (!*slot) {
        *slot = new NthState;
        NthState& s = **slot;
        s.bad_n = sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_double(argv[1]) < 1;
        s.n = sqlite3_value_int64(argv[1]);
        if (const unsigned char* t = sqlite3_value_text(argv[1])) s.n_text = reinterpret_cast<const char*>(t);
        s.from_last = sqlite3_value_int(argv[2]) != 0;
        s.ignore_nulls = sqlite3_value_int(argv[3]) != 0;
    }
    sqlite3_value* v = sqlite3_value_dup(argv[0]);
    if (!v) return sqlite3_result_error_nomem(ctx);
    (*slot)->values.push_back(v);
}

void nth_inverse(sqlite3_context* ctx, int, sqlite3_value**) {
    auto** slot = static_cast<NthState**>(sqlite3_aggregate_context(ctx, sizeof(NthState*)));
    if (!slot || !*slot || (*slot)->values.empty()) return;
    sqlite3_value_free((*slot)->values.front());
    (*slot)->values.pop_front();
}

void nth_result(sqlite3_context* ctx, const NthState& s) {
    if (s.bad_n) return raise(ctx, 1428, s.n_text);
    sqlite3_int64 seen = 0;
    std::size_t count = s.values.size();
    for (std::size_t k = 0; k < count; ++k) {
        sqlite3_value* v = s.values[s.from_last ? count - 1 - k : k];
        if (s.ignore_nulls && sqlite3_value_type(v) == SQLITE_NULL) continue;
        if (++seen == s.n) return sqlite3_result_value(ctx, v);
    }
    sqlite3_result_null(ctx);
}

void nth_value(sqlite3_context* ctx) {
    auto** slot = static_cast<NthState**>(sqlite3_aggregate_context(ctx, 0));
    if (!slot || !*slot) return sqlite3_result_null(ctx);
    nth_result(ctx, **slot);
}

void nth_final(sqlite3_context* ctx) {
    auto** slot = static_cast<NthState**>(sqlite3_aggregate_context(ctx, 0));
    if (!slot || !*slot) return sqlite3_result_null(ctx);
    nth_result(ctx, **slot);
    for (sqlite3_value* v : (*slot)->values) sqlite3_value_free(v);
    delete *slot;
    *slot = nullptr;
}

// vantro_keep(kind, value, flags1, key1, ...): MIN, MAX, SUM, AVG or COUNT of value over
// the rows that come first in the order of the keys (flags: 1 descending, 2 nulls first),
// the rows tied for first place all counted. LAST is FIRST of the reversed order.
struct KeepState {
    std::vector<Key> best;  // the keys of the rows kept so far
    bool any = false;
    std::string kind;
    sqlite3_value* extreme = nullptr;  // MIN, MAX
    DecimalSum sum;  // SUM and AVG: in decimal, as NUMBER arithmetic adds
    std::int64_t count = 0;
    std::vector<int> flags;
};

// <0 when row keys a come before b in the order, 0 when tied.
int keep_order(const std::vector<int>& flags, const std::vector<Key>& a, const std::vector<Key>& b) {
    for (std::size_t k = 0; k < flags.size() && k < a.size() && k < b.size(); ++k) {
        const Key& x = a[k];
        const Key& y = b[k];
        bool desc = flags[k] & 1, nulls_first = flags[k] & 2;
        bool xn = x.type == SQLITE_NULL, yn = y.type == SQLITE_NULL;
        if (xn != yn) return xn == nulls_first ? -1 : 1;
        if (xn) continue;
        int c = compare_keys(x, y);
        if (c) return desc ? -c : c;
    }
    return 0;
}

void keep_reset(KeepState& s) {
    if (s.extreme) sqlite3_value_free(s.extreme);
    s.extreme = nullptr;
    s.sum = DecimalSum();
    s.count = 0;
}

void keep_step(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 4 || argc % 2 != 0) return sqlite3_result_error(ctx, "vantro_keep: bad arguments", -1);
    auto** slot = static_cast<KeepState**>(sqlite3_aggregate_context(ctx, sizeof(KeepState*)));
    if (!slot) return sqlite3_result_error_nomem(ctx);
    if (!*slot) {
        *slot = new KeepState;
        if (const unsigned char* t = sqlite3_value_text(argv[0])) (*slot)->kind = reinterpret_cast<const char*>(t);
        for (int i = 2; i < argc; i += 2) (*slot)->flags.push_back(sqlite3_value_int(argv[i]));
    }
    KeepState& s = **slot;
    std::vector<Key> keys;
    for (int i = 3; i < argc; i += 2) keys.push_back(key_of(argv[i]));
    int c = s.any ? keep_order(s.flags, keys, s.best) : -1;
    if (c > 0) return;
    if (c < 0) {
        keep_reset(s);
        s.best = std::move(keys);
        s.any = true;
    }
    sqlite3_value* v = argv[1];
    int type = sqlite3_value_type(v);
    if (type == SQLITE_NULL) return;
    ++s.count;
    if (s.kind == "MIN" || s.kind == "MAX") {
        if (s.extreme) {
            int d = compare_keys(key_of(v), key_of(s.extreme));
            if (s.kind == "MIN" ? d >= 0 : d <= 0) return;
            sqlite3_value_free(s.extreme);
        }
        s.extreme = sqlite3_value_dup(v);
        if (!s.extreme) sqlite3_result_error_nomem(ctx);
        return;
    }
    if (type == SQLITE_INTEGER) return s.sum.add_int(sqlite3_value_int64(v), false);
    Decimal d;
    if (!decimal_of_value(v, &d)) return raise(ctx, 1722);
    s.sum.add(d, false);
}

void keep_result(sqlite3_context* ctx, const KeepState& s) {
    if (s.kind == "COUNT")
        sqlite3_result_int64(ctx, s.count);
    else if (s.count == 0)
        sqlite3_result_null(ctx);
    else if (s.kind == "MIN" || s.kind == "MAX")
        sqlite3_result_value(ctx, s.extreme);
    else if (s.kind == "SUM")
        result_decimal(ctx, s.sum.total());
    else {
        Decimal avg;
        if (!decimal_div(s.sum.total(), decimal_of_int(s.count), &avg)) return sqlite3_result_null(ctx);
        result_decimal(ctx, avg);
    }
}

void keep_final(sqlite3_context* ctx) {
    auto** slot = static_cast<KeepState**>(sqlite3_aggregate_context(ctx, 0));
    // No rows: NULL (the translator makes COUNT's 0 of it).
    if (!slot || !*slot) return sqlite3_result_null(ctx);
    keep_result(ctx, **slot);
    keep_reset(**slot);
    delete *slot;
    *slot = nullptr;
}

// As an analytic call (KEEP ... OVER (PARTITION BY ...)) the frame is the whole
// partition: its value is read after every row of it has been added, and no row ever
// leaves it.
void keep_value(sqlite3_context* ctx) {
    auto** slot = static_cast<KeepState**>(sqlite3_aggregate_context(ctx, 0));
    if (!slot || !*slot) return sqlite3_result_null(ctx);
    keep_result(ctx, **slot);
}

void keep_inverse(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_error(ctx, "vantro_keep: a window frame that rows leave", -1);
}

// vantro_distinct(kind, value) over a window: COUNT, SUM or AVG of the distinct non-null
// values of the frame (SQLite's window functions take no DISTINCT). The values are kept
// with their counts, so that rows leaving the frame are taken out again; SUM and AVG add
// them in decimal, as NUMBER arithmetic does.
struct DistinctEntry {
    std::int64_t count = 0;
    Decimal value;
};

struct DistinctState {
    std::string kind;
    std::map<Key, DistinctEntry, bool (*)(const Key&, const Key&)> values{
        [](const Key& a, const Key& b) { return compare_keys(a, b) < 0; }};
};

// A value's key: integers beyond a double's 53 bits by their digits, so that two of them
// never meet in one double.
Key distinct_key(sqlite3_value* v) {
    if (sqlite3_value_type(v) == SQLITE_INTEGER) {
        const sqlite3_int64 i = sqlite3_value_int64(v);
        if (i > (sqlite3_int64{1} << 53) || i < -(sqlite3_int64{1} << 53)) {
            Key k;
            k.type = SQLITE_INTEGER;  // after the numbers, before text: its own kind
            k.text = std::to_string(i);
            return k;
        }
    }
    return key_of(v);
}

void distinct_step(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 2) return sqlite3_result_error(ctx, "vantro_distinct: bad arguments", -1);
    auto** slot = static_cast<DistinctState**>(sqlite3_aggregate_context(ctx, sizeof(DistinctState*)));
    if (!slot) return sqlite3_result_error_nomem(ctx);
    if (!*slot) {
        *slot = new DistinctState;
        if (const unsigned char* t = sqlite3_value_text(argv[0])) (*slot)->kind = reinterpret_cast<const char*>(t);
    }
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return;
    DistinctEntry& e = (*slot)->values[distinct_key(argv[1])];
    if (e.count++ == 0 && (*slot)->kind != "COUNT" && !decimal_of_value(argv[1], &e.value)) {
        (*slot)->values.erase(distinct_key(argv[1]));
        raise(ctx, 1722);
    }
}

void distinct_inverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto** slot = static_cast<DistinctState**>(sqlite3_aggregate_context(ctx, sizeof(DistinctState*)));
    if (!slot || !*slot || sqlite3_value_type(argv[1]) == SQLITE_NULL) return;
    auto it = (*slot)->values.find(distinct_key(argv[1]));
    if (it != (*slot)->values.end() && --it->second.count == 0) (*slot)->values.erase(it);
}

void distinct_result(sqlite3_context* ctx, const DistinctState* s) {
    std::size_t n = s ? s->values.size() : 0;
    if (!s || s->kind == "COUNT") return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(n));
    if (n == 0) return sqlite3_result_null(ctx);
    DecimalSum sum;
    for (const auto& v : s->values) sum.add(v.second.value, false);
    Decimal total = sum.total();
    if (s->kind == "AVG") {
        Decimal avg;
        if (!decimal_div(total, decimal_of_int(static_cast<std::int64_t>(n)), &avg)) return sqlite3_result_null(ctx);
        return result_decimal(ctx, avg);
    }
    result_decimal(ctx, total);
}

void distinct_value(sqlite3_context* ctx) {
    auto** slot = static_cast<DistinctState**>(sqlite3_aggregate_context(ctx, 0));
    distinct_result(ctx, slot ? *slot : nullptr);
}

void distinct_final(sqlite3_context* ctx) {
    auto** slot = static_cast<DistinctState**>(sqlite3_aggregate_context(ctx, 0));
    distinct_result(ctx, slot ? *slot : nullptr);
    if (slot) {
        delete *slot;
        *slot = nullptr;
    }
}

}  // namespace

bool sql_aggregates_register(sqlite3* db) {
    return sqlite3_create_window_function(db, "vantro_listagg", -1, SQLITE_UTF8, nullptr, listagg_step, listagg_final,
                                          listagg_value, listagg_inverse, nullptr) == SQLITE_OK &&
           sqlite3_create_window_function(db, "vantro_nth_in", 4, SQLITE_UTF8, nullptr, nth_step, nth_final, nth_value,
                                          nth_inverse, nullptr) == SQLITE_OK &&
           sqlite3_create_window_function(db, "vantro_distinct", 2, SQLITE_UTF8, nullptr, distinct_step, distinct_final,
                                          distinct_value, distinct_inverse, nullptr) == SQLITE_OK &&
           sqlite3_create_window_function(db, "vantro_keep", -1, SQLITE_UTF8, nullptr, keep_step, keep_final,
                                          keep_value, keep_inverse, nullptr) == SQLITE_OK;
}
