// Statistical aggregates and inverse distribution functions, as aggregates and over
// windows:
//   vantro_stat(name, distinct, a [, b])  the moments of one column or of pairs (STDDEV,
//       VARIANCE, CORR, COVAR_*, REGR_*), NULLs (pairs with a NULL) left out;
//   vantro_mode(a)                        STATS_MODE, the most frequent value;
//   vantro_percentile(kind, p, desc, a)   PERCENTILE_CONT ('CONT', MEDIAN too) and
//       PERCENTILE_DISC ('DISC') of the values in ascending or descending order.
// Moments are running sums in long double about the first value seen (which keeps the
// sums of squares small), so that rows leaving a window frame are subtracted again.
// Averages and the percentiles are computed in decimal, exact where Oracle's are.
#include "values/sql_functions.h"

#include "values/errors.h"
#include "values/number_bytes.h"
#include "values/sql_arithmetic.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace {

void raise(sqlite3_context* ctx, int code) {
    std::string text = ora_format(code, ora_message(code, ""));
    if (!text.empty() && text.back() == '\n') text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

// The sums of one column or of pairs, taken about a shift (the first value seen).
struct Moments {
    std::int64_t n = 0;
    bool shifted = false;
    long double ka = 0, kb = 0;
    long double sa = 0, saa = 0, sb = 0, sbb = 0, sab = 0;
    DecimalSum avg_a, avg_b;
    DecimalSum squares_a;  // the sum of the squares of column a, exact for VARIANCE and STDDEV
    bool bad = false;      // a value that was no number

    void add(sqlite3_context* ctx, sqlite3_value* a, sqlite3_value* b, bool negate);
    long double sxx() const { return n ? std::max(0.0L, saa - sa * sa / n) : 0; }
    long double syy() const { return n ? std::max(0.0L, sbb - sb * sb / n) : 0; }
    long double sxy() const { return n ? sab - sa * sb / n : 0; }
};

void Moments::add(sqlite3_context* ctx, sqlite3_value* a, sqlite3_value* b, bool negate) {
    Decimal da, db;
    if (!decimal_arg(ctx, a, &da) || (b && !decimal_arg(ctx, b, &db))) {
        bad = true;
        return;
    }
    long double x = sqlite3_value_double(a), y = b ? sqlite3_value_double(b) : 0;
    if (!shifted) {
        shifted = true;
        ka = x;
        kb = y;
    }
    long double sign = negate ? -1 : 1;
    x -= ka;
    y -= kb;
    n += negate ? -1 : 1;
    sa += sign * x;
    saa += sign * x * x;
    sb += sign * y;
    sbb += sign * y * y;
    sab += sign * x * y;
    avg_a.add(da, negate);
    if (!b) squares_a.add(decimal_mul(da, da), negate);
    if (b) avg_b.add(db, negate);
}

enum class Result { Number, Null, Average };

// One statistic of the sums: a number, NULL, or the average of column a or b (exact,
// in decimal). x is the first column and y the second, except for the REGR_ functions,
// whose first argument is the dependent variable y and the second the independent x.
struct Answer {
    Result kind = Result::Null;
    long double value = 0;
    bool second = false;  // which average
};

Answer number(long double v) {
    return Answer{std::isfinite(v) ? Result::Number : Result::Null, v, false};
}
Answer null_answer() {
    return Answer{};
}
Answer average(bool second) {
    return Answer{Result::Average, 0, second};
}

long double var_pop(long double s, std::int64_t n) {
    return s / static_cast<long double>(n);
}

// For the REGR_ functions the columns swap places: a is y, b is x.
Answer regr_slope(const Moments& m) {
    return m.n == 0 || m.syy() == 0 ? null_answer() : number(m.sxy() / m.syy());
}

const struct Statistic {
    const char* name;
    int args;
    Answer (*compute)(const Moments&);
} kStatistics[] = {
    {"STDDEV", 1,
     [](const Moments& m) {
         return m.n == 0 ? null_answer() : m.n == 1 ? number(0) : number(std::sqrt(m.sxx() / (m.n - 1)));
     }},
    {"STDDEV_POP", 1,
     [](const Moments& m) { return m.n == 0 ? null_answer() : number(std::sqrt(var_pop(m.sxx(), m.n))); }},
    {"STDDEV_SAMP", 1,
     [](const Moments& m) { return m.n < 2 ? null_answer() : number(std::sqrt(m.sxx() / (m.n - 1))); }},
    {"VARIANCE", 1,
     [](const Moments& m) { return m.n == 0   ? null_answer()
                                   : m.n == 1 ? number(0)
                                              : number(m.sxx() / (m.n - 1)); }},
    {"VAR_POP", 1, [](const Moments& m) { return m.n == 0 ? null_answer() : number(var_pop(m.sxx(), m.n)); }},
    {"VAR_SAMP", 1, [](const Moments& m) { return m.n < 2 ? null_answer() : number(m.sxx() / (m.n - 1)); }},
    {"COVAR_POP", 2, [](const Moments& m) { return m.n == 0 ? null_answer() : number(var_pop(m.sxy(), m.n)); }},
    {"COVAR_SAMP", 2, [](const Moments& m) { return m.n < 2 ? null_answer() : number(m.sxy() / (m.n - 1)); }},
    {"CORR", 2,
     [](const Moments& m) {
         long double d = std::sqrt(m.sxx() * m.syy());
         return m.n == 0 || d == 0 ? null_answer() : number(std::max(-1.0L, std::min(1.0L, m.sxy() / d)));
     }},
    {"REGR_SLOPE", 2, regr_slope},
    {"REGR_INTERCEPT", 2,
     [](const Moments& m) {
         Answer s = regr_slope(m);
         if (s.kind != Result::Number) return s;
         // avg(y) - slope * avg(x), the averages about the shifts.
         return number(m.ka + m.sa / m.n - s.value * (m.kb + m.sb / m.n));
     }},
    {"REGR_COUNT", 2, [](const Moments& m) { return number(static_cast<long double>(m.n)); }},
    {"REGR_R2", 2,
     [](const Moments& m) {
         if (m.n == 0 || m.syy() == 0) return null_answer();
         if (m.sxx() == 0) return number(1);
         long double r = m.sxy() / std::sqrt(m.sxx() * m.syy());
         return number(std::min(1.0L, r * r));
     }},
    {"REGR_AVGX", 2, [](const Moments& m) { return m.n == 0 ? null_answer() : average(true); }},
    {"REGR_AVGY", 2, [](const Moments& m) { return m.n == 0 ? null_answer() : average(false); }},
    {"REGR_SXX", 2, [](const Moments& m) { return m.n == 0 ? null_answer() : number(m.syy()); }},
    {"REGR_SYY", 2, [](const Moments& m) { return m.n == 0 ? null_answer() : number(m.sxx()); }},
    {"REGR_SXY", 2, [](const Moments& m) { return m.n == 0 ? null_answer() : number(m.sxy()); }},
};

const Statistic* statistic(const unsigned char* name) {
    if (!name) return nullptr;
    for (const Statistic& s : kStatistics)
        if (std::strcmp(s.name, reinterpret_cast<const char*>(name)) == 0) return &s;
    return nullptr;
}

// One value kept in order: numbers by value, other values by their bytes.
// A value's place in the order of a frame: numbers (integers, doubles and NUMBER bytes) by
// their NUMBER bytes, which order them by value and give equal numbers one key, then
// other values by their bytes.
struct Key {
    bool is_number = false;
    std::string bytes;
    bool operator<(const Key& o) const {
        if (is_number != o.is_number) return is_number;
        return bytes < o.bytes;
    }
};

Key key_of(sqlite3_value* v) {
    Key k;
    const int type = sqlite3_value_type(v);
    const void* b = type == SQLITE_BLOB ? sqlite3_value_blob(v) : sqlite3_value_text(v);
    const auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
    if (type == SQLITE_BLOB && number_bytes_canonical(static_cast<const unsigned char*>(b), n)) {
        k.is_number = true;
        k.bytes.assign(static_cast<const char*>(b), n);
    } else if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        k.is_number = true;
        Decimal d;
        unsigned char enc[kNumberBytesMax];
        std::size_t len = 0;
        if (type == SQLITE_INTEGER) {
            d = decimal_of_int(sqlite3_value_int64(v));
        } else if (!decimal_of_double(sqlite3_value_double(v), &d)) {
            // BINARY_DOUBLE infinities and NaN: -inf first, then +inf, NaN last.
            const double x = sqlite3_value_double(v);
            k.bytes = x < 0 ? std::string() : std::string(x > 0 ? 2 : 3, '\xff');
            return k;
        }
        if (number_bytes_encode(d, enc, &len))
            k.bytes.assign(reinterpret_cast<const char*>(enc), len);
        else
            k.bytes = d.negative ? std::string() : std::string(2, '\xff');
    } else if (b) {
        k.bytes.assign(static_cast<const char*>(b), n);
    }
    return k;
}

// The values of a frame with their counts, each with one copy of the value.
struct Counted {
    std::int64_t count = 0;
    sqlite3_value* value = nullptr;
};
using Tally = std::map<Key, Counted>;

bool tally_add(Tally& t, sqlite3_value* v, bool remove) {
    Key k = key_of(v);
    auto it = t.find(k);
    if (remove) {
        if (it != t.end() && --it->second.count == 0) {
            sqlite3_value_free(it->second.value);
            t.erase(it);
        }
        return true;
    }
    if (it != t.end()) {
        ++it->second.count;
        return true;
    }
    Counted c{1, sqlite3_value_dup(v)};
    if (!c.value) return false;
    t.emplace(std::move(k), c);
    return true;
}

void tally_free(Tally& t) {
    for (auto& e : t) sqlite3_value_free(e.second.value);
    t.clear();
}

struct StatState {
    const Statistic* stat = nullptr;
    bool distinct = false;
    Moments moments;  // all rows
    Tally values;     // DISTINCT: the values with their counts
};

template <class State>
State* state_of(sqlite3_context* ctx, bool create) {
    auto** slot = static_cast<State**>(sqlite3_aggregate_context(ctx, create ? sizeof(State*) : 0));
    if (!slot) return nullptr;
    if (!*slot && create) *slot = new State;
    return *slot;
}

template <class State>
void state_free(sqlite3_context* ctx, void (*release)(State&)) {
    auto** slot = static_cast<State**>(sqlite3_aggregate_context(ctx, 0));
    if (!slot || !*slot) return;
    release(**slot);
    delete *slot;
    *slot = nullptr;
}

void stat_step(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool remove) {
    StatState* s = state_of<StatState>(ctx, true);
    if (!s) return sqlite3_result_error_nomem(ctx);
    if (!s->stat) {
        s->stat = statistic(sqlite3_value_text(argv[0]));
        s->distinct = sqlite3_value_int(argv[1]) != 0;
    }
    if (!s->stat || argc != 2 + s->stat->args) return sqlite3_result_error(ctx, "vantro_stat: bad arguments", -1);
    for (int i = 2; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return;
    if (s->distinct) {
        if (!tally_add(s->values, argv[2], remove)) sqlite3_result_error_nomem(ctx);
        return;
    }
    s->moments.add(ctx, argv[2], argc > 3 ? argv[3] : nullptr, remove);
}


// VARIANCE, VAR_POP, VAR_SAMP and the STDDEVs of one column in decimal, from the exact sums
// of the values and of their squares, so that small decimals give Oracle's digits
// (VARIANCE of .1 .. .7 is .0466...667 to NUMBER's precision). false for the other
// statistics, and when the answer is none (a NULL the caller gives already).
bool stat_variance_exact(const char* name, const Moments& m, Decimal* out) {
    const std::string n = name;
    const bool root = n.compare(0, 6, "STDDEV") == 0;
    const std::string kind = root ? n.substr(6) : n.compare(0, 8, "VARIANCE") == 0 ? "" : n.substr(3);
    if (!root && n != "VARIANCE" && n != "VAR_POP" && n != "VAR_SAMP") return false;
    if (m.n <= 0) return false;
    // n * sum(x^2) - sum(x)^2 is exact for values of few digits; one division follows, so
    // that the answer is rounded once.
    const Decimal count = decimal_of_int(m.n);
    Decimal spread = decimal_sub(decimal_mul(count, m.squares_a.total()), decimal_mul(m.avg_a.total(), m.avg_a.total()));
    if (spread.negative) spread = decimal_of_int(0);
    Decimal v;
    if (kind == "_POP") {
        if (!decimal_div(spread, decimal_mul(count, count), &v)) return false;
    } else if (m.n == 1) {
        if (kind == "_SAMP") return false;
        v = decimal_of_int(0);
    } else if (!decimal_div(spread, decimal_mul(count, decimal_of_int(m.n - 1)), &v)) {
        return false;
    }
    if (!root) {
        *out = v;
        return true;
    }
    return decimal_function(DecimalFunction::Sqrt, v, out) == 0;
}

void stat_result(sqlite3_context* ctx) {
    StatState* s = state_of<StatState>(ctx, false);
    if (!s || !s->stat) {
        // No rows at all.
        return sqlite3_result_null(ctx);
    }
    Moments distinct;
    const Moments* m = &s->moments;
    if (s->distinct) {
        for (const auto& v : s->values) distinct.add(ctx, v.second.value, nullptr, false);
        m = &distinct;
    }
    if (m->bad) return raise(ctx, 1722);
    if (s->stat->args == 1 && m->n == 0) return sqlite3_result_null(ctx);
    Answer a = s->stat->compute(*m);
    switch (a.kind) {
    case Result::Null:
        return sqlite3_result_null(ctx);
    case Result::Number: {
        Decimal exact;
        if (stat_variance_exact(s->stat->name, *m, &exact)) return result_decimal(ctx, exact);
        if (a.value == std::floor(a.value) && std::fabs(a.value) < 9.0e15L)
            return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(a.value));
        return sqlite3_result_double(ctx, static_cast<double>(a.value));
    }
    case Result::Average: {
        const DecimalSum& sum = a.second ? m->avg_b : m->avg_a;
        Decimal avg;
        decimal_div(sum.total(), decimal_of_int(sum.count), &avg);
        return result_decimal(ctx, avg);
    }
    }
}

void stat_release(StatState& s) {
    tally_free(s.values);
}

void fn_stat_step(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    stat_step(ctx, argc, argv, false);
}
void fn_stat_inverse(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    stat_step(ctx, argc, argv, true);
}
void fn_stat_value(sqlite3_context* ctx) {
    stat_result(ctx);
}
void fn_stat_final(sqlite3_context* ctx) {
    stat_result(ctx);
    state_free<StatState>(ctx, stat_release);
}

// STATS_MODE: the value seen most often; of several, the least.
struct ModeState {
    Tally values;
};

void mode_step(sqlite3_context* ctx, sqlite3_value* v, bool remove) {
    ModeState* s = state_of<ModeState>(ctx, true);
    if (!s) return sqlite3_result_error_nomem(ctx);
    if (sqlite3_value_type(v) != SQLITE_NULL && !tally_add(s->values, v, remove)) sqlite3_result_error_nomem(ctx);
}

void mode_result(sqlite3_context* ctx) {
    ModeState* s = state_of<ModeState>(ctx, false);
    const Counted* best = nullptr;
    if (s)
        for (const auto& e : s->values)
            if (!best || e.second.count > best->count) best = &e.second;
    if (!best) return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, best->value);
}

void mode_release(ModeState& s) {
    tally_free(s.values);
}

void fn_mode_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
    mode_step(ctx, argv[0], false);
}
void fn_mode_inverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
    mode_step(ctx, argv[0], true);
}
void fn_mode_value(sqlite3_context* ctx) {
    mode_result(ctx);
}
void fn_mode_final(sqlite3_context* ctx) {
    mode_result(ctx);
    state_free<ModeState>(ctx, mode_release);
}

// PERCENTILE_CONT and PERCENTILE_DISC keep the frame's values in arrival order; the
// percentile must be one constant for the group.
struct PercentileState {
    bool continuous = false;
    bool descending = false;
    bool have_p = false;
    bool p_null = false;
    bool p_varies = false;
    bool p_bad = false;
    std::string p_text;
    Decimal p;
    std::deque<sqlite3_value*> values;
    // The values in order, kept while no row comes or goes (a window's rows all ask
    // for the same frame).
    std::vector<std::pair<Key, sqlite3_value*>> order;
    bool ordered = false;
};

void percentile_step(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool remove) {
    if (argc != 4) return sqlite3_result_error(ctx, "vantro_percentile: bad arguments", -1);
    PercentileState* s = state_of<PercentileState>(ctx, true);
    if (!s) return sqlite3_result_error_nomem(ctx);
    s->ordered = false;
    if (remove) {
        // Rows leave a frame in the order they came.
        if (sqlite3_value_type(argv[3]) != SQLITE_NULL && !s->values.empty()) {
            sqlite3_value_free(s->values.front());
            s->values.pop_front();
        }
        return;
    }
    const unsigned char* p_text = sqlite3_value_text(argv[1]);
    std::string text = p_text ? reinterpret_cast<const char*>(p_text) : "";
    if (!s->have_p) {
        s->have_p = true;
        s->continuous = std::strcmp(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])), "CONT") == 0;
        s->descending = sqlite3_value_int(argv[2]) != 0;
        s->p_null = sqlite3_value_type(argv[1]) == SQLITE_NULL;
        s->p_text = text;
        if (!s->p_null) {
            if (!decimal_arg(ctx, argv[1], &s->p)) return;
            s->p_bad = decimal_compare(s->p, decimal_of_int(0)) < 0 || decimal_compare(s->p, decimal_of_int(1)) > 0;
        }
    } else if ((sqlite3_value_type(argv[1]) == SQLITE_NULL) != s->p_null || text != s->p_text) {
        s->p_varies = true;
    }
    if (sqlite3_value_type(argv[3]) == SQLITE_NULL) return;
    sqlite3_value* v = sqlite3_value_dup(argv[3]);
    if (!v) return sqlite3_result_error_nomem(ctx);
    s->values.push_back(v);
}

void percentile_result(sqlite3_context* ctx) {
    PercentileState* s = state_of<PercentileState>(ctx, false);
    if (!s) return sqlite3_result_null(ctx);
    if (s->p_varies) return raise(ctx, 30496);
    if (s->p_bad) return raise(ctx, 30493);
    if (s->p_null || s->values.empty()) return sqlite3_result_null(ctx);
    std::vector<std::pair<Key, sqlite3_value*>>& order = s->order;
    if (!s->ordered) {
        order.clear();
        order.reserve(s->values.size());
        for (sqlite3_value* v : s->values) order.emplace_back(key_of(v), v);
        std::stable_sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
            return s->descending ? b.first < a.first : a.first < b.first;
        });
        s->ordered = true;
    }
    auto n = static_cast<std::int64_t>(order.size());
    if (!s->continuous) {
        // The first value whose cumulative distribution reaches p: position ceil(p * n).
        Decimal pos = decimal_ceil(decimal_mul(s->p, decimal_of_int(n)));
        std::int64_t k = 1;
        decimal_to_int64(pos, &k);
        k = std::max<std::int64_t>(1, std::min(k, n));
        return sqlite3_result_value(ctx, order[static_cast<std::size_t>(k - 1)].second);
    }
    // Row number rn = 1 + p * (n - 1), interpolated between the rows at its floor and ceiling.
    Decimal rn = decimal_add(decimal_of_int(1), decimal_mul(s->p, decimal_of_int(n - 1)));
    std::int64_t lo = 1, hi = 1;
    decimal_to_int64(decimal_floor(rn), &lo);
    decimal_to_int64(decimal_ceil(rn), &hi);
    Decimal a, b;
    if (!decimal_arg(ctx, order[static_cast<std::size_t>(lo - 1)].second, &a)) return;
    if (lo == hi) return result_decimal(ctx, a);
    if (!decimal_arg(ctx, order[static_cast<std::size_t>(hi - 1)].second, &b)) return;
    Decimal low_weight = decimal_sub(decimal_of_int(hi), rn);
    Decimal high_weight = decimal_sub(rn, decimal_of_int(lo));
    result_decimal(ctx, decimal_add(decimal_mul(low_weight, a), decimal_mul(high_weight, b)));
}

void percentile_release(PercentileState& s) {
    for (sqlite3_value* v : s.values) sqlite3_value_free(v);
    s.values.clear();
    s.order.clear();
}

void fn_percentile_step(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    percentile_step(ctx, argc, argv, false);
}
void fn_percentile_inverse(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    percentile_step(ctx, argc, argv, true);
}
void fn_percentile_value(sqlite3_context* ctx) {
    percentile_result(ctx);
}
void fn_percentile_final(sqlite3_context* ctx) {
    percentile_result(ctx);
    state_free<PercentileState>(ctx, percentile_release);
}

}  // namespace

bool sql_statistics_register(sqlite3* db) {
    return sqlite3_create_window_function(db, "vantro_stat", -1, SQLITE_UTF8, nullptr, fn_stat_step, fn_stat_final,
                                          fn_stat_value, fn_stat_inverse, nullptr) == SQLITE_OK &&
           sqlite3_create_window_function(db, "vantro_mode", 1, SQLITE_UTF8, nullptr, fn_mode_step, fn_mode_final,
                                          fn_mode_value, fn_mode_inverse, nullptr) == SQLITE_OK &&
           sqlite3_create_window_function(db, "vantro_percentile", 4, SQLITE_UTF8, nullptr, fn_percentile_step,
                                          fn_percentile_final, fn_percentile_value, fn_percentile_inverse,
                                          nullptr) == SQLITE_OK;
}
