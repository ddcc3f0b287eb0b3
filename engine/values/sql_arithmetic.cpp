// Number arithmetic in decimal. Two integers take the native path while their result
// fits 64 bits; everything else goes through values/decimal.h.
#include "values/sql_arithmetic.h"

#include "values/errors.h"
#include "values/number_bytes.h"
#include "values/values.h"

#include <cstring>

#include <string>

namespace {

void raise(sqlite3_context* ctx, int code) {
    std::string text = ora_format(code, ora_message(code, "", ""));
    text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

bool null_in(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
    return false;
}

bool both_ints(sqlite3_value** argv, std::int64_t* a, std::int64_t* b) {
    if (sqlite3_value_type(argv[0]) != SQLITE_INTEGER || sqlite3_value_type(argv[1]) != SQLITE_INTEGER) return false;
    *a = sqlite3_value_int64(argv[0]);
    *b = sqlite3_value_int64(argv[1]);
    return true;
}

enum class Op { Add, Sub, Mul };

void arithmetic(sqlite3_context* ctx, sqlite3_value** argv, Op op) {
    if (null_in(2, argv)) return sqlite3_result_null(ctx);
    std::int64_t a, b, r;
    if (both_ints(argv, &a, &b)) {
        bool overflow = op == Op::Add   ? __builtin_add_overflow(a, b, &r)
                        : op == Op::Sub ? __builtin_sub_overflow(a, b, &r)
                                        : __builtin_mul_overflow(a, b, &r);
        if (!overflow) return sqlite3_result_int64(ctx, r);
    }
    Decimal x, y;
    if (!decimal_arg(ctx, argv[0], &x) || !decimal_arg(ctx, argv[1], &y)) return;
    result_decimal(ctx, op == Op::Add   ? decimal_add(x, y)
                        : op == Op::Sub ? decimal_sub(x, y)
                                        : decimal_mul(x, y));
}

void fn_add(sqlite3_context* ctx, int, sqlite3_value** argv) {
    arithmetic(ctx, argv, Op::Add);
}
void fn_sub(sqlite3_context* ctx, int, sqlite3_value** argv) {
    arithmetic(ctx, argv, Op::Sub);
}
void fn_mul(sqlite3_context* ctx, int, sqlite3_value** argv) {
    arithmetic(ctx, argv, Op::Mul);
}

void fn_div(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (null_in(2, argv)) return sqlite3_result_null(ctx);
    std::int64_t a, b;
    if (both_ints(argv, &a, &b) && b != 0 && b != -1 && a % b == 0) return sqlite3_result_int64(ctx, a / b);
    Decimal x, y, q;
    if (!decimal_arg(ctx, argv[0], &x) || !decimal_arg(ctx, argv[1], &y)) return;
    if (!decimal_div(x, y, &q)) return raise(ctx, 1476);
    result_decimal(ctx, q);
}

// SUM and AVG, as aggregates and over windows (rows leaving the frame are subtracted).
struct SumState {
    DecimalSum sum;
    bool failed = false;
};

SumState* sum_state(sqlite3_context* ctx, bool create) {
    auto** slot = static_cast<SumState**>(sqlite3_aggregate_context(ctx, create ? sizeof(SumState*) : 0));
    if (!slot) return nullptr;
    if (!*slot && create) *slot = new SumState;
    return *slot;
}

void sum_step(sqlite3_context* ctx, sqlite3_value* v, bool negate) {
    SumState* s = sum_state(ctx, true);
    if (!s) return sqlite3_result_error_nomem(ctx);
    if (sqlite3_value_type(v) == SQLITE_NULL || s->failed) return;
    if (sqlite3_value_type(v) == SQLITE_INTEGER) return s->sum.add_int(sqlite3_value_int64(v), negate);
    Decimal d;
    if (!decimal_arg(ctx, v, &d)) {
        s->failed = true;
        return;
    }
    s->sum.add(d, negate);
}

void fn_sum_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sum_step(ctx, argv[0], false);
}
void fn_sum_inverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sum_step(ctx, argv[0], true);
}

void sum_result(sqlite3_context* ctx, bool average) {
    SumState* s = sum_state(ctx, false);
    if (!s || s->sum.count == 0) return sqlite3_result_null(ctx);
    if (s->failed) return raise(ctx, 1722);
    Decimal total = s->sum.total();
    if (!average) return result_decimal(ctx, total);
    Decimal avg;
    decimal_div(total, decimal_of_int(s->sum.count), &avg);
    result_decimal(ctx, avg);
}

void sum_final(sqlite3_context* ctx, bool average) {
    sum_result(ctx, average);
    auto** slot = static_cast<SumState**>(sqlite3_aggregate_context(ctx, 0));
    if (slot) {
        delete *slot;
        *slot = nullptr;
    }
}

void fn_sum_value(sqlite3_context* ctx) {
    sum_result(ctx, false);
}
void fn_avg_value(sqlite3_context* ctx) {
    sum_result(ctx, true);
}
void fn_sum_final(sqlite3_context* ctx) {
    sum_final(ctx, false);
}
void fn_avg_final(sqlite3_context* ctx) {
    sum_final(ctx, true);
}

struct ScalarEntry {
    const char* name;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

const ScalarEntry kScalars[] = {
    {"vantro_add", fn_add},
    {"vantro_sub", fn_sub},
    {"vantro_mul", fn_mul},
    {"vantro_div", fn_div},
};

}  // namespace

bool decimal_of_value(sqlite3_value* v, Decimal* out) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        *out = decimal_of_int(sqlite3_value_int64(v));
        return true;
    case SQLITE_FLOAT:
        return decimal_of_double(sqlite3_value_double(v), out);
    case SQLITE_BLOB:
        return number_bytes_decode(static_cast<const unsigned char*>(sqlite3_value_blob(v)),
                                   static_cast<std::size_t>(sqlite3_value_bytes(v)), out);
    case SQLITE_TEXT: {
        const char* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
        return t && decimal_parse(t, static_cast<std::size_t>(sqlite3_value_bytes(v)), out);
    }
    default:
        return false;
    }
}

bool decimal_arg(sqlite3_context* ctx, sqlite3_value* v, Decimal* out) {
    if (decimal_of_value(v, out)) return true;
    raise(ctx, 1722);
    return false;
}

void result_stored(sqlite3_context* ctx, const NumberStored& n) {
    switch (n.form) {
    case NumberForm::Int:
        return sqlite3_result_int64(ctx, n.i);
    case NumberForm::Real:
        return sqlite3_result_double(ctx, n.d);
    case NumberForm::Bytes:
        return sqlite3_result_blob(ctx, n.bytes, static_cast<int>(n.len), SQLITE_TRANSIENT);
    }
}

bool number_value_double(sqlite3_value* v, double* out) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        *out = static_cast<double>(sqlite3_value_int64(v));
        return true;
    case SQLITE_FLOAT:
        *out = sqlite3_value_double(v);
        return true;
    default: {
        Decimal d;
        if (!decimal_of_value(v, &d)) return false;
        *out = decimal_to_double(d);
        return true;
    }
    }
}

bool number_value_text(sqlite3_value* v, std::string* out) {
    char buf[64];
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        out->assign(buf, number_text_int(sqlite3_value_int64(v), buf, sizeof buf));
        return true;
    case SQLITE_FLOAT:
        out->assign(buf, number_text_double(sqlite3_value_double(v), buf, sizeof buf));
        return true;
    case SQLITE_BLOB:
        return number_bytes_text(static_cast<const unsigned char*>(sqlite3_value_blob(v)),
                                 static_cast<std::size_t>(sqlite3_value_bytes(v)), out);
    default:
        return false;
    }
}

void result_decimal(sqlite3_context* ctx, const Decimal& d) {
    NumberStored n;
    if (!number_stored(d, &n)) return raise(ctx, 1426);
    result_stored(ctx, n);
}

void DecimalSum::add(const Decimal& d, bool negate) {
    rest = negate ? decimal_sub(rest, d) : decimal_add(rest, d);
    count += negate ? -1 : 1;
}

void DecimalSum::add_int(std::int64_t v, bool negate) {
    std::int64_t r;
    if (negate ? __builtin_sub_overflow(ints, v, &r) : __builtin_add_overflow(ints, v, &r)) {
        // Past 64 bits: the integers so far and this one join the decimal part.
        rest = decimal_add(rest, decimal_of_int(ints));
        rest = negate ? decimal_sub(rest, decimal_of_int(v)) : decimal_add(rest, decimal_of_int(v));
        r = 0;
    }
    ints = r;
    count += negate ? -1 : 1;
}

Decimal DecimalSum::total() const {
    return decimal_add(rest, decimal_of_int(ints));
}

bool sql_arithmetic_register(sqlite3* db) {
    if (!number_order_register(db)) return false;
    for (const ScalarEntry& f : kScalars)
        if (sqlite3_create_function(db, f.name, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, f.fn, nullptr,
                                    nullptr) != SQLITE_OK)
            return false;
    return sqlite3_create_window_function(db, "vantro_sum", 1, SQLITE_UTF8, nullptr, fn_sum_step, fn_sum_final,
                                          fn_sum_value, fn_sum_inverse, nullptr) == SQLITE_OK &&
           sqlite3_create_window_function(db, "vantro_avg", 1, SQLITE_UTF8, nullptr, fn_sum_step, fn_avg_final,
                                          fn_avg_value, fn_sum_inverse, nullptr) == SQLITE_OK;
}
