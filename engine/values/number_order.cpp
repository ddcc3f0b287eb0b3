// Numeric order over every stored form of a NUMBER (integer, double, NUMBER bytes) and
// number text: vantro_num_cmp(a, b), vantro_num_key(a) (bytes that memcmp orders as the
// numbers) and the MIN and MAX aggregates vantro_num_min and vantro_num_max, also over
// windows. SQLite's own comparison puts every BLOB above every number, so the translator
// wraps comparisons, sort keys and MIN/MAX of values that may be wide in these.
#include "values/number_bytes.h"
#include "values/sql_arithmetic.h"

#include <cstdint>
#include <deque>

namespace {

void num_order_cmp(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
    if (ta == SQLITE_NULL || tb == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER) {
        const std::int64_t a = sqlite3_value_int64(argv[0]), b = sqlite3_value_int64(argv[1]);
        return sqlite3_result_int(ctx, a < b ? -1 : (a > b ? 1 : 0));
    }
    if (ta == SQLITE_FLOAT && tb == SQLITE_FLOAT) {
        const double a = sqlite3_value_double(argv[0]), b = sqlite3_value_double(argv[1]);
        return sqlite3_result_int(ctx, a < b ? -1 : (a > b ? 1 : 0));
    }
    Decimal x, y;
    if (!decimal_arg(ctx, argv[0], &x) || !decimal_arg(ctx, argv[1], &y)) return;
    sqlite3_result_int(ctx, decimal_compare(x, y));
}

void num_order_key(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    Decimal d;
    if (!decimal_arg(ctx, argv[0], &d)) return;
    unsigned char bytes[kNumberBytesMax];
    std::size_t len = 0;
    if (!number_bytes_encode(d, bytes, &len)) {
        // Beyond NUMBER's range (number text only): Oracle cannot hold it either.
        sqlite3_result_error(ctx, "ORA-01426: numeric overflow", -1);
        return;
    }
    sqlite3_result_blob(ctx, bytes, static_cast<int>(len), SQLITE_TRANSIENT);
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
        sqlite3_result_error(ctx, "ORA-01722: invalid number", -1);
        return;
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
    return sqlite3_create_function(db, "vantro_num_cmp", 2, flags, nullptr, num_order_cmp, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_num_key", 1, flags, nullptr, num_order_key, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_window_function(db, "vantro_num_min", 1, flags, nullptr, num_min_step, num_order_final,
                                          num_order_result, num_order_inverse_fn, nullptr) == SQLITE_OK &&
           sqlite3_create_window_function(db, "vantro_num_max", 1, flags, nullptr, num_max_step, num_order_final,
                                          num_order_result, num_order_inverse_fn, nullptr) == SQLITE_OK;
}
