// The ORDER BY keys of an ordered aggregate (JSON_ARRAYAGG, XMLAGG): each key is read
// from the call's arguments as SQLite holds it and compared the way SQLite orders values,
// numbers before text and text by its bytes, NULLs placed by the NULLS FIRST/LAST flag.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <string>
#include <vector>

struct OrderKey {
    int type = SQLITE_NULL;  // SQLITE_NULL, SQLITE_FLOAT for any number, or the text's type
    double number = 0;
    std::string text;
};

inline OrderKey order_key_of(sqlite3_value* v) {
    OrderKey k;
    k.type = sqlite3_value_type(v);
    if (k.type == SQLITE_INTEGER || k.type == SQLITE_FLOAT) {
        k.type = SQLITE_FLOAT;
        k.number = sqlite3_value_double(v);
    } else if (k.type != SQLITE_NULL) {
        const unsigned char* t = sqlite3_value_text(v);
        if (t) k.text.assign(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v)));
    }
    return k;
}

inline int compare_order_keys(const OrderKey& a, const OrderKey& b) {
    if (a.type != b.type) return a.type == SQLITE_FLOAT ? -1 : b.type == SQLITE_FLOAT ? 1 : a.type < b.type ? -1 : 1;
    if (a.type == SQLITE_FLOAT) return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    int c = a.text.compare(b.text);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// True when the row with keys a sorts before the row with keys b; flags[k] has bit 0 for
// DESC and bit 1 for NULLS FIRST of the k-th key.
inline bool order_keys_before(const std::vector<int>& flags, const std::vector<OrderKey>& a,
                              const std::vector<OrderKey>& b) {
    for (std::size_t k = 0; k < flags.size() && k < a.size() && k < b.size(); ++k) {
        const OrderKey& x = a[k];
        const OrderKey& y = b[k];
        const bool desc = flags[k] & 1, nulls_first = flags[k] & 2;
        if ((x.type == SQLITE_NULL) != (y.type == SQLITE_NULL)) return (x.type == SQLITE_NULL) == nulls_first;
        const int c = compare_order_keys(x, y);
        if (c) return desc ? c > 0 : c < 0;
    }
    return false;
}
