// Numeric order over every stored form of a NUMBER (integer, double, NUMBER bytes) and
// number text: vantro_num_key(a) (bytes that memcmp orders as the numbers), the narrow
// bounds vantro_num_bound(a, dir) that let an index serve a comparison, GREATEST and LEAST, and the MIN and MAX aggregates vantro_num_min and vantro_num_max, also over
// windows. SQLite's own comparison puts every BLOB above every number, so the translator
// wraps comparisons, sort keys and MIN/MAX of values that may be wide in these.
#include "values/errors.h"
#include "values/number_bytes.h"
#include "values/sql_arithmetic.h"

#include <cmath>
#include <cstdint>
#include <deque>
#include <string>

namespace {

void num_order_raise(sqlite3_context* ctx, int code) {
    std::string text = ora_format(code, ora_message(code, "", ""));
    text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

void num_order_key(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (type == SQLITE_BLOB) {
        // A stored wide value is its key already: the one encoding of its number.
        const auto* p = static_cast<const unsigned char*>(sqlite3_value_blob(argv[0]));
        const auto n = static_cast<std::size_t>(sqlite3_value_bytes(argv[0]));
        if (p && number_bytes_canonical(p, n)) return sqlite3_result_value(ctx, argv[0]);
    }
    Decimal d;
    if (!decimal_arg(ctx, argv[0], &d)) return;
    unsigned char bytes[kNumberBytesMax];
    std::size_t len = 0;
    if (!number_bytes_encode(d, bytes, &len)) {
        // Beyond NUMBER's range (number text only): Oracle cannot hold it either.
        return num_order_raise(ctx, 1426);
    }
    sqlite3_result_blob(ctx, bytes, static_cast<int>(len), SQLITE_TRANSIENT);
}

// vantro_num_bound(x, dir): an integer or double at or above x (dir 1) or at or below it
// (dir -1), x itself when it is one. A comparison of a column with the bound is one its
// index serves; it selects every row the exact comparison with x may keep.
void num_order_bound(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) return sqlite3_result_value(ctx, argv[0]);
    const bool up = sqlite3_value_int(argv[1]) > 0;
    Decimal d;
    if (!decimal_arg(ctx, argv[0], &d)) return;
    NumberStored n;
    if (!number_stored(d, &n)) return sqlite3_result_double(ctx, d.negative ? -HUGE_VAL : HUGE_VAL);
    if (n.form == NumberForm::Int) return sqlite3_result_int64(ctx, n.i);
    if (n.form == NumberForm::Real) return sqlite3_result_double(ctx, n.d);
    double v = decimal_to_double(d);
    Decimal back;
    if (decimal_of_double(v, &back)) {
        const int c = decimal_compare(back, d);
        if (up && c < 0) v = std::nextafter(v, HUGE_VAL);
        if (!up && c > 0) v = std::nextafter(v, -HUGE_VAL);
    }
    sqlite3_result_double(ctx, v);
}

// GREATEST and LEAST of numbers: NULL when any argument is NULL. want is 1 for GREATEST.
void num_order_pick(sqlite3_context* ctx, int argc, sqlite3_value** argv, int want) {
    for (int k = 0; k < argc; ++k)
        if (sqlite3_value_type(argv[k]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    Decimal best;
    for (int k = 0; k < argc; ++k) {
        Decimal d;
        if (!decimal_arg(ctx, argv[k], &d)) return;
        if (k == 0 || decimal_compare(d, best) == want) best = d;
    }
    result_decimal(ctx, best);
}
void num_order_greatest(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    num_order_pick(ctx, argc, argv, 1);
}
void num_order_least(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    num_order_pick(ctx, argc, argv, -1);
}

// MIN and MAX over a window whose rows leave in the order they came (SQLite moves a
// frame's start forward only): a deque of the candidates, each better than every later
// one's rival, the best at the front. Rows that can never be the answer are dropped as
// they are outdone, so the deque stays short for most inputs.
struct NumOrderEntry {
    std::int64_t seq;
    Decimal value;
};
struct NumOrderState {
    std::deque<NumOrderEntry> best;
    std::int64_t added = 0;
    std::int64_t removed = 0;
    bool failed = false;
};

NumOrderState* num_order_state(sqlite3_context* ctx, bool create) {
    auto** slot = static_cast<NumOrderState**>(sqlite3_aggregate_context(ctx, create ? sizeof(NumOrderState*) : 0));
    if (!slot) return nullptr;
    if (!*slot && create) *slot = new NumOrderState;
    return *slot;
}

// want is -1 for MIN, 1 for MAX.
void num_order_step(sqlite3_context* ctx, sqlite3_value* v, int want) {
    NumOrderState* s = num_order_state(ctx, true);
    if (!s) return sqlite3_result_error_nomem(ctx);
    if (sqlite3_value_type(v) == SQLITE_NULL) return;  // NULLs are neither counted nor removed
    const std::int64_t seq = s->added++;
    if (s->failed) return;
    Decimal d;
    if (!decimal_of_value(v, &d)) {
        s->failed = true;
        return;
    }
    // Equal values stay: the older one leaves first.
    while (!s->best.empty() && decimal_compare(s->best.back().value, d) == -want) s->best.pop_back();
    s->best.push_back(NumOrderEntry{seq, d});
}

void num_order_inverse(sqlite3_context* ctx, sqlite3_value* v) {
    NumOrderState* s = num_order_state(ctx, true);
    if (!s || sqlite3_value_type(v) == SQLITE_NULL) return;
    const std::int64_t seq = s->removed++;
    if (!s->best.empty() && s->best.front().seq == seq) s->best.pop_front();
}

void num_order_result(sqlite3_context* ctx) {
    NumOrderState* s = num_order_state(ctx, false);
    if (!s) return sqlite3_result_null(ctx);
    if (s->failed) {
        return num_order_raise(ctx, 1722);
    }
    if (s->best.empty()) return sqlite3_result_null(ctx);
    result_decimal(ctx, s->best.front().value);
}

void num_order_final(sqlite3_context* ctx) {
    num_order_result(ctx);
    auto** slot = static_cast<NumOrderState**>(sqlite3_aggregate_context(ctx, 0));
    if (slot) {
        delete *slot;
        *slot = nullptr;
    }
}

void num_min_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
    num_order_step(ctx, argv[0], -1);
}
void num_max_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
    num_order_step(ctx, argv[0], 1);
}
void num_order_inverse_fn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    num_order_inverse(ctx, argv[0]);
}

}  // namespace

bool number_order_register(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(db, "vantro_num_bound", 2, flags, nullptr, num_order_bound, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_num_key", 1, flags, nullptr, num_order_key, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_num_greatest", -1, flags, nullptr, num_order_greatest, nullptr,
                                   nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "vantro_num_least", -1, flags, nullptr, num_order_least, nullptr,
                                   nullptr) == SQLITE_OK &&
           sqlite3_create_window_function(db, "vantro_num_min", 1, flags, nullptr, num_min_step, num_order_final,
                                          num_order_result, num_order_inverse_fn, nullptr) == SQLITE_OK &&
           sqlite3_create_window_function(db, "vantro_num_max", 1, flags, nullptr, num_max_step, num_order_final,
                                          num_order_result, num_order_inverse_fn, nullptr) == SQLITE_OK;
}
