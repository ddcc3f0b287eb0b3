// Analytic functions (a call with OVER) and LISTAGG. Most analytic functions have a
// SQLite window function of the same meaning; the rest are written with the engine's own
// window functions (vantro_nth_in for IGNORE NULLS and FROM LAST) or as arithmetic over
// a window (RATIO_TO_REPORT). Oracle's default window matches SQLite's: with ORDER BY the
// rows from the partition's start to the current row's last peer, without it the whole
// partition.
#include "values/errors.h"
#include "sql/sql_translator.h"
#include "values/sql_interval.h"

#include <cstring>

namespace {

enum class AnalyticKind { Ranking, Offset, Value, Ratio, Aggregate, Listagg, Statistic };

struct AnalyticFunction {
    const char* name;
    AnalyticKind kind;
    int min_args, max_args;
    bool needs_order;    // ORA-30485 without ORDER BY in the window
    bool frame_allowed;  // a ROWS/RANGE clause may follow the ORDER BY
    bool order_allowed;  // ORDER BY in the window at all (ORA-30487)
    bool needs_window;   // only an analytic call (ORA-30484 without OVER)
    const char* sqlite_name;
};

const AnalyticFunction kAnalytic[] = {
    {"ROW_NUMBER", AnalyticKind::Ranking, 0, 0, true, false, true, true, "row_number"},
    {"RANK", AnalyticKind::Ranking, 0, 0, true, false, true, true, "rank"},
    {"DENSE_RANK", AnalyticKind::Ranking, 0, 0, true, false, true, true, "dense_rank"},
    {"PERCENT_RANK", AnalyticKind::Ranking, 0, 0, true, false, true, true, "percent_rank"},
    {"CUME_DIST", AnalyticKind::Ranking, 0, 0, true, false, true, true, "cume_dist"},
    {"NTILE", AnalyticKind::Ranking, 1, 1, true, false, true, true, "ntile"},
    {"LAG", AnalyticKind::Offset, 1, 3, true, false, true, true, "lag"},
    {"LEAD", AnalyticKind::Offset, 1, 3, true, false, true, true, "lead"},
    {"FIRST_VALUE", AnalyticKind::Value, 1, 1, false, true, true, true, "first_value"},
    {"LAST_VALUE", AnalyticKind::Value, 1, 1, false, true, true, true, "last_value"},
    {"NTH_VALUE", AnalyticKind::Value, 2, 2, false, true, true, true, "nth_value"},
    {"RATIO_TO_REPORT", AnalyticKind::Ratio, 1, 1, false, false, false, true, "vantro_sum"},
    {"COUNT", AnalyticKind::Aggregate, 0, 1, false, true, true, false, "count"},
    {"SUM", AnalyticKind::Aggregate, 1, 1, false, true, true, false, "vantro_sum"},
    {"AVG", AnalyticKind::Aggregate, 1, 1, false, true, true, false, "vantro_avg"},
    {"MIN", AnalyticKind::Aggregate, 1, 1, false, true, true, false, "min"},
    {"MAX", AnalyticKind::Aggregate, 1, 1, false, true, true, false, "max"},
    {"LISTAGG", AnalyticKind::Listagg, 1, 2, false, false, false, false, "vantro_listagg"},
    {"STDDEV", AnalyticKind::Statistic, 1, 1, false, true, true, false, "vantro_stat"},
    {"STDDEV_POP", AnalyticKind::Statistic, 1, 1, false, true, true, false, "vantro_stat"},
    {"STDDEV_SAMP", AnalyticKind::Statistic, 1, 1, false, true, true, false, "vantro_stat"},
    {"VARIANCE", AnalyticKind::Statistic, 1, 1, false, true, true, false, "vantro_stat"},
    {"VAR_POP", AnalyticKind::Statistic, 1, 1, false, true, true, false, "vantro_stat"},
    {"VAR_SAMP", AnalyticKind::Statistic, 1, 1, false, true, true, false, "vantro_stat"},
    {"CORR", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"COVAR_POP", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"COVAR_SAMP", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"REGR_SLOPE", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"REGR_INTERCEPT", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"REGR_COUNT", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"REGR_R2", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"REGR_AVGX", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"REGR_AVGY", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"REGR_SXX", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"REGR_SYY", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"REGR_SXY", AnalyticKind::Statistic, 2, 2, false, true, true, false, "vantro_stat"},
    {"STATS_MODE", AnalyticKind::Statistic, 1, 1, false, true, true, false, "vantro_stat"},
    {"MEDIAN", AnalyticKind::Statistic, 1, 1, false, false, false, false, "vantro_percentile"},
    {"PERCENTILE_CONT", AnalyticKind::Statistic, 1, 1, false, false, false, false, "vantro_percentile"},
    {"PERCENTILE_DISC", AnalyticKind::Statistic, 1, 1, false, false, false, false, "vantro_percentile"},
};

const AnalyticFunction* analytic_function(const std::string& name) {
    for (const AnalyticFunction& f : kAnalytic)
        if (name == f.name) return &f;
    return nullptr;
}

const char* bound_sql(const FrameBound& b) {
    switch (b.kind) {
    case FrameBound::Kind::UnboundedPreceding:
        return "UNBOUNDED PRECEDING";
    case FrameBound::Kind::Preceding:
        return " PRECEDING";
    case FrameBound::Kind::CurrentRow:
        return "CURRENT ROW";
    case FrameBound::Kind::Following:
        return " FOLLOWING";
    case FrameBound::Kind::UnboundedFollowing:
        return "UNBOUNDED FOLLOWING";
    }
    return "CURRENT ROW";
}

}  // namespace

bool analytic_function_name(const std::string& name) {
    return analytic_function(name) != nullptr;
}

bool analytic_only_function(const std::string& name) {
    const AnalyticFunction* f = analytic_function(name);
    return f && f->needs_window;
}

bool Translator::order_items_sql(std::vector<OrderItem>& items, const Scope& scope, std::string* sql, bool* aggregate,
                                 bool numeric_keys) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        OrderItem& o = items[i];
        Emitted e;
        if (!expr(*o.expr, scope, &e)) return false;
        *aggregate = *aggregate || e.aggregate;
        // A constant orders nothing; SQLite would read a number as a column position.
        std::string item = o.expr->kind == ExprKind::Number ? "(+" + e.sql + ")"
                           : numeric_keys && may_be_wide(e.type) && !e.whole ? number_order_key(e.type, e.sql)
                                                                            : by_instant(e.type, e.sql);
        bool nulls_first = o.nulls == 1 || (o.nulls == 0 && o.descending);
        *sql +=
            (i ? "," : "") + item + (o.descending ? " DESC" : " ASC") + (nulls_first ? " NULLS FIRST" : " NULLS LAST");
    }
    return true;
}

bool Translator::window_sql(WindowSpec& w, const Scope& scope, const std::string& frame_override, std::string* sql,
                            bool* aggregate) {
    std::string text;
    for (std::size_t i = 0; i < w.partition.size(); ++i) {
        Emitted p;
        if (!expr(*w.partition[i], scope, &p)) return false;
        *aggregate = *aggregate || p.aggregate;
        text += (i ? "," : "PARTITION BY ") + by_instant(p.type, p.sql);
    }
    if (!w.order.empty()) {
        text += text.empty() ? "ORDER BY " : " ORDER BY ";
        // RANGE with an offset measures distances on the key, so it stays the number.
        const bool offset_range = w.has_frame && w.range && (w.start.offset || w.finish.offset);
        if (!order_items_sql(w.order, scope, &text, aggregate, !offset_range)) return false;
    }
    if (!frame_override.empty()) {
        text += " " + frame_override;
    } else if (w.has_frame) {
        if (w.range && (w.start.offset || w.finish.offset)) {
            // RANGE with an offset measures the distance on the one ORDER BY key.
            if (w.order.size() != 1) return fail(30485, w.offset), false;
            Emitted key;
            if (!expr(*w.order[0].expr, scope, &key)) return false;
            if (!is_number(key.type)) return fail(3001, w.offset), false;
        }
        text += w.range ? " RANGE BETWEEN " : " ROWS BETWEEN ";
        for (int k = 0; k < 2; ++k) {
            FrameBound& b = k == 0 ? w.start : w.finish;
            if (b.offset) {
                Emitted n;
                if (!expr(*b.offset, scope, &n)) return false;
                text += is_number(n.type) ? n.sql : "vantro_to_number(" + n.sql + ")";
            }
            text += bound_sql(b);
            if (k == 0) text += " AND ";
        }
        // Oracle refuses a frame that ends before it starts.
        if (w.start.kind == FrameBound::Kind::UnboundedFollowing ||
            w.finish.kind == FrameBound::Kind::UnboundedPreceding ||
            (w.start.kind == FrameBound::Kind::CurrentRow && w.finish.kind == FrameBound::Kind::Preceding) ||
            (w.start.kind == FrameBound::Kind::Following && w.finish.kind != FrameBound::Kind::Following &&
             w.finish.kind != FrameBound::Kind::UnboundedFollowing))
            return fail(905, w.offset);
    }
    *sql = "OVER (" + text + ")";
    return true;
}

bool Translator::analytic(Expr& e, const Scope& scope, Emitted* out) {
    const AnalyticFunction* f = analytic_function(e.text);
    if (!f || !e.path.empty()) return fail(3001, e.offset), false;
    if (!analytic_ok_) return fail(30483, e.over->offset);
    AnalyticGate no_nesting(analytic_ok_, false);
    WindowSpec& w = *e.over;
    int n = static_cast<int>(e.args.size());
    if (e.star && e.text != "COUNT") return fail(936, e.offset);
    if (!e.star && (n < f->min_args || n > f->max_args || (f->kind == AnalyticKind::Aggregate && n == 0)))
        return fail(909, e.offset);
    if (f->needs_order && w.order.empty()) return fail(30485, w.offset);
    if (!f->order_allowed && !w.order.empty()) return fail(30487, w.offset);
    if (!f->frame_allowed && w.has_frame) return fail(907, w.offset);
    CallExtras none;
    const CallExtras& x = e.extras ? *e.extras : none;
    if (x.keep) {
        // agg KEEP (...) OVER (PARTITION BY ...): the KEEP aggregate of each partition; the
        // OVER clause takes nothing but the partitioning.
        if (!w.order.empty() || w.has_frame) return fail(30487, w.offset);
        if (x.within_group || x.nulls || e.distinct) return fail(30487, w.offset);
        std::string win;
        bool aggregate = false;
        if (!window_sql(w, scope, "", &win, &aggregate)) return false;
        if (!keep_aggregate(e, scope, out, win)) return false;
        out->aggregate = out->aggregate || aggregate;
        return true;
    }
    if (x.nulls && f->kind != AnalyticKind::Offset && f->kind != AnalyticKind::Value) return fail(907, e.offset);
    if (f->kind != AnalyticKind::Statistic && x.within_group != (f->kind == AnalyticKind::Listagg))
        return fail(f->kind == AnalyticKind::Listagg ? 905 : 907, e.offset);
    if (f->kind == AnalyticKind::Statistic) {
        if (e.distinct && !w.order.empty()) return fail(30487, w.offset);
        std::string call;
        if (!statistic_call(e, scope, &call, out)) return false;
        std::string win;
        bool aggregate = out->aggregate;
        if (!window_sql(w, scope, "", &win, &aggregate)) return false;
        out->sql = call + " " + win;
        out->aggregate = aggregate;
        return true;
    }
    if (e.distinct && f->kind != AnalyticKind::Aggregate && f->kind != AnalyticKind::Listagg)
        return fail(30482, e.offset);
    std::vector<Emitted> args(e.args.size());
    bool aggregate = false;
    for (std::size_t i = 0; i < e.args.size(); ++i) {
        if (!expr(*e.args[i], scope, &args[i])) return false;
        aggregate = aggregate || args[i].aggregate;
    }
    auto numeric = [&](const Emitted& a) { return is_number(a.type) ? a.sql : "vantro_to_number(" + a.sql + ")"; };
    std::string frame;  // a frame that replaces the one written (LAG/LEAD IGNORE NULLS)
    std::string call;
    bool ignore_nulls = x.nulls == 2;
    switch (f->kind) {
    case AnalyticKind::Ranking:
        call = std::string(f->sqlite_name) + "(" + (n ? numeric(args[0]) : std::string()) + ")";
        out->type = number_type();
        break;
    case AnalyticKind::Offset: {
        std::string offset = n > 1 ? numeric(args[1]) : "1";
        std::string fallback;
        if (n > 2) {
            Emitted d = args[2];
            if (e.args[2]->kind == ExprKind::Null) {
            } else if (is_number(args[0].type) && is_char(d.type)) {
                d.sql = "vantro_to_number(" + d.sql + ")";
            } else if (is_date(args[0].type) && is_char(d.type)) {
                d.sql = "vantro_to_date(" + d.sql + ")";
            } else if (is_char(args[0].type) && !is_char(d.type)) {
                d.sql = as_text(d);
            } else if (!same_family(args[0].type, d.type)) {
                fail(932, e.args[2]->offset, type_family(args[0].type), type_family(d.type));
                return false;
            }
            fallback = d.sql;
        }
        bool lag = e.text == "LAG";
        if (ignore_nulls) {
            // The offset-th non-null value before (after) the current row.
            call = "vantro_nth_in(" + args[0].sql + "," + offset + "," + (lag ? "1" : "0") + ",1)";
            frame = lag ? "ROWS BETWEEN UNBOUNDED PRECEDING AND 1 PRECEDING"
                        : "ROWS BETWEEN 1 FOLLOWING AND UNBOUNDED FOLLOWING";
        } else {
            call = std::string(f->sqlite_name) + "(" + args[0].sql + "," + offset + (n > 2 ? "," + fallback : "") + ")";
        }
        out->type = args[0].type;
        out->trimmed = args[0].trimmed;
        if (ignore_nulls && n > 2) {
            std::string win;
            if (!window_sql(w, scope, frame, &win, &aggregate)) return false;
            out->sql = "coalesce(" + call + " " + win + "," + fallback + ")";
            out->aggregate = aggregate;
            return true;
        }
        break;
    }
    case AnalyticKind::Value: {
        bool nth = e.text == "NTH_VALUE";
        bool last = e.text == "LAST_VALUE";
        std::string which = nth ? numeric(args[1]) : "1";
        if (ignore_nulls || x.from_last || last || nth) {  // vantro_nth_in reports a bad n as Oracle does
            bool from_last = last || x.from_last;
            if (!ignore_nulls && !nth)
                call = std::string(f->sqlite_name) + "(" + args[0].sql + ")";
            else
                call = "vantro_nth_in(" + args[0].sql + "," + which + "," + (from_last ? "1" : "0") + "," +
                       (ignore_nulls ? "1" : "0") + ")";
        } else {
            call = std::string(f->sqlite_name) + "(" + args[0].sql + (nth ? "," + which : std::string()) + ")";
        }
        out->type = args[0].type;
        out->trimmed = args[0].trimmed;
        break;
    }
    case AnalyticKind::Ratio: {
        std::string win;
        if (!window_sql(w, scope, "", &win, &aggregate)) return false;
        out->sql = "vantro_div(" + numeric(args[0]) + ",vantro_sum(" + numeric(args[0]) + ") " + win + ")";
        out->type = number_type();
        out->aggregate = aggregate;
        return true;
    }
    case AnalyticKind::Aggregate:
        if (e.distinct) {
            if (!w.order.empty()) return fail(30487, w.offset);
            // MIN and MAX are the same over distinct values; COUNT, SUM and AVG count each
            // value of the partition once.
            if (e.text != "MIN" && e.text != "MAX" && e.text != "COUNT" && e.text != "SUM" && e.text != "AVG")
                return fail(3001, e.offset, ": DISTINCT with " + e.text + " OVER"), false;
        }
        if (e.distinct && e.text != "MIN" && e.text != "MAX") {
            std::string a = e.text == "COUNT" ? args[0].sql : numeric(args[0]);
            call = "vantro_distinct('" + e.text + "'," + a + ")";
        } else if (e.star) {
            call = "count(*)";
        } else {
            std::string a = (e.text == "SUM" || e.text == "AVG") ? numeric(args[0]) : args[0].sql;
            std::string name = f->sqlite_name;
            // Wide numbers: the least and greatest by their numeric order.
            if ((e.text == "MIN" || e.text == "MAX") && may_be_wide(args[0].type) && !args[0].whole)
                name = e.text == "MIN" ? "vantro_num_min" : "vantro_num_max";
            call = name + "(" + a + ")";
        }
        out->type = (e.text == "MIN" || e.text == "MAX") ? args[0].type : number_type();
        out->trimmed = (e.text == "MIN" || e.text == "MAX") && args[0].trimmed;
        break;
    case AnalyticKind::Statistic:
        return false;  // written above
    case AnalyticKind::Listagg: {
        // Over the whole partition, the rows fed in the WITHIN GROUP order.
        std::vector<OrderItem> saved_order = std::move(w.order);
        w.order = std::move(e.extras->within);
        std::string win;
        bool ok =
            listagg_call(e, args, &call, &out->type) &&
            window_sql(w, scope, w.order.empty() ? "" : "ROWS BETWEEN UNBOUNDED PRECEDING AND UNBOUNDED FOLLOWING",
                       &win, &aggregate);
        e.extras->within = std::move(w.order);
        w.order = std::move(saved_order);
        if (!ok) return false;
        out->sql = call + " " + win;
        out->aggregate = aggregate;
        return true;
    }
    }
    std::string win;
    if (!window_sql(w, scope, frame, &win, &aggregate)) return false;
    out->sql = call + " " + win;
    out->aggregate = aggregate;
    return true;
}

// vantro_listagg(value, delimiter, overflow, truncation text, with count): the rows'
// values joined in the order they arrive.
bool Translator::listagg_call(Expr& e, const std::vector<Emitted>& args, std::string* sql, OraType* type) {
    const CallExtras& x = *e.extras;
    std::string delim = "NULL";
    if (args.size() > 1) {
        if (e.args[1]->kind != ExprKind::String && e.args[1]->kind != ExprKind::Null &&
            e.args[1]->kind != ExprKind::Bind)
            return fail(30496, e.args[1]->offset), false;
        delim = as_text(args[1]);
    }
    if (e.distinct && e.over) return fail(30482, e.offset);
    *sql = std::string("vantro_listagg(") + as_text(args[0]) + "," + delim + "," + (x.overflow ? "1" : "0") + "," +
           quote_text(x.truncate_text) + "," + (x.with_count ? "1" : "0") + ")";
    *type = varchar_type(4000);
    return true;
}

bool Translator::listagg(Expr& e, const Scope& scope, Emitted* out) {
    if (!e.extras || !e.extras->within_group) return fail(905, e.end);
    if (e.args.empty() || e.args.size() > 2) return fail(909, e.offset);
    if (e.extras->nulls || e.extras->keep) return fail(907, e.offset);
    std::vector<Emitted> args(e.args.size());
    {
        // The measure and the ordering are read in the rows being grouped.
        for (std::size_t i = 0; i < e.args.size(); ++i) {
            if (!expr(*e.args[i], scope, &args[i])) return false;
            if (args[i].aggregate) return fail(935, e.args[i]->offset), false;
        }
    }
    std::string call;
    if (!listagg_call(e, args, &call, &out->type)) return false;
    // After the five fixed arguments: whether DISTINCT drops repeated values (the first
    // in the order stays), then each ordering key after its flags (1 descending, 2 nulls
    // first, added).
    std::string keys;
    for (OrderItem& o : e.extras->within) {
        Emitted k;
        if (!expr(*o.expr, scope, &k)) return false;
        if (k.aggregate) return fail(935, o.expr->offset), false;
        bool nulls_first = o.nulls == 1 || (o.nulls == 0 && o.descending);
        keys += "," + std::to_string((o.descending ? 1 : 0) + (nulls_first ? 2 : 0)) + "," + k.sql;
    }
    call.pop_back();
    out->sql = call + "," + (e.distinct ? "1" : "0") + keys + ")";
    out->aggregate = true;
    return true;
}

// agg(x) KEEP (DENSE_RANK FIRST|LAST ORDER BY keys): the aggregate over the rows ranked
// first (or last) by the keys, as vantro_keep(kind, value, flags1, key1, ...). LAST is
// FIRST in the reversed order, which reverses both the direction and the NULLs' place.
bool Translator::keep_aggregate(Expr& e, const Scope& scope, Emitted* out, const std::string& window) {
    const CallExtras& x = *e.extras;
    const std::string& f = e.text;
    if (!e.path.empty() || (f != "MIN" && f != "MAX" && f != "SUM" && f != "AVG" && f != "COUNT"))
        return fail(3001, e.offset, ": KEEP of " + f);
    if (e.distinct) return fail(3001, e.offset, ": DISTINCT with KEEP");
    if (e.star && f != "COUNT") return fail(936, e.offset);
    if (!e.star && e.args.size() != 1) return fail(909, e.offset);
    std::string value = "1";
    OraType type = number_type();
    if (!e.star) {
        Emitted v;
        if (!expr(*e.args[0], scope, &v)) return false;
        if (v.aggregate && window.empty()) return fail(935, e.args[0]->offset);
        out->aggregate = v.aggregate;
        value = v.sql;
        if ((f == "SUM" || f == "AVG") && !is_number(v.type)) value = "vantro_to_number(" + value + ")";
        if (f == "MIN" || f == "MAX") {
            type = v.type;
            out->trimmed = v.trimmed;
        }
    }
    std::string keys;
    for (const OrderItem& o : x.keep_order) {
        Emitted k;
        if (!expr(*o.expr, scope, &k)) return false;
        if (k.aggregate && window.empty()) return fail(935, o.expr->offset);
        out->aggregate = out->aggregate || k.aggregate;
        bool nulls_first = o.nulls == 1 || (o.nulls == 0 && o.descending);
        int flags = (o.descending ? 1 : 0) + (nulls_first ? 2 : 0);
        if (x.keep_last) flags ^= 3;
        keys += "," + std::to_string(flags) + "," + (k.whole ? k.sql : number_order_key(k.type, k.sql));
    }
    std::string call = "vantro_keep('" + f + "'," + value + keys + ")";
    if (!window.empty()) call += " " + window;
    out->sql = f == "COUNT" ? "coalesce(" + call + ",0)" : call;
    out->type = type;
    if (window.empty()) out->aggregate = true;
    return true;
}

namespace {

enum class StatisticForm { Moment, Mode, Median, Percentile, CountDistinct };

struct StatisticCall {
    const char* name;
    StatisticForm form;
    std::size_t args;
    bool distinct_allowed;
};

const StatisticCall kStatistics[] = {
    {"STDDEV", StatisticForm::Moment, 1, true},
    {"STDDEV_POP", StatisticForm::Moment, 1, false},
    {"STDDEV_SAMP", StatisticForm::Moment, 1, false},
    {"VARIANCE", StatisticForm::Moment, 1, true},
    {"VAR_POP", StatisticForm::Moment, 1, false},
    {"VAR_SAMP", StatisticForm::Moment, 1, false},
    {"CORR", StatisticForm::Moment, 2, false},
    {"COVAR_POP", StatisticForm::Moment, 2, false},
    {"COVAR_SAMP", StatisticForm::Moment, 2, false},
    {"REGR_SLOPE", StatisticForm::Moment, 2, false},
    {"REGR_INTERCEPT", StatisticForm::Moment, 2, false},
    {"REGR_COUNT", StatisticForm::Moment, 2, false},
    {"REGR_R2", StatisticForm::Moment, 2, false},
    {"REGR_AVGX", StatisticForm::Moment, 2, false},
    {"REGR_AVGY", StatisticForm::Moment, 2, false},
    {"REGR_SXX", StatisticForm::Moment, 2, false},
    {"REGR_SYY", StatisticForm::Moment, 2, false},
    {"REGR_SXY", StatisticForm::Moment, 2, false},
    {"STATS_MODE", StatisticForm::Mode, 1, false},
    {"MEDIAN", StatisticForm::Median, 1, false},
    {"PERCENTILE_CONT", StatisticForm::Percentile, 1, false},
    {"PERCENTILE_DISC", StatisticForm::Percentile, 1, false},
    {"APPROX_COUNT_DISTINCT", StatisticForm::CountDistinct, 1, false},
};

const StatisticCall* statistic_entry(const std::string& name) {
    for (const StatisticCall& s : kStatistics)
        if (name == s.name) return &s;
    return nullptr;
}

}  // namespace

bool statistic_function(const std::string& name) {
    return statistic_entry(name) != nullptr;
}

// The call of a statistic without its OVER: vantro_stat(name, distinct, a [, b]),
// vantro_mode(a), vantro_percentile(kind, p, descending, a) or count(DISTINCT a).
bool Translator::statistic_call(Expr& e, const Scope& scope, std::string* sql, Emitted* out) {
    const StatisticCall& f = *statistic_entry(e.text);
    if (e.star) return fail(936, e.offset);
    if (e.args.size() != f.args) return fail(909, e.offset);
    if (e.distinct && !f.distinct_allowed) return fail(30482, e.offset);
    bool percentile = f.form == StatisticForm::Percentile;
    if (e.extras) {
        const CallExtras& x = *e.extras;
        if (x.keep) return fail(3001, e.offset, ": KEEP of " + e.text);
        if (x.nulls || x.within_group != percentile) return fail(907, e.offset);
        if (x.within.size() != 1) return fail(907, x.within.size() > 1 ? x.within[1].expr->offset : e.offset);
    } else if (percentile) {
        return fail(905, e.end);
    }
    std::vector<Emitted> args(e.args.size());
    for (std::size_t i = 0; i < e.args.size(); ++i) {
        if (!expr(*e.args[i], scope, &args[i])) return false;
        if (args[i].aggregate && !e.over) return fail(935, e.args[i]->offset);
        out->aggregate = out->aggregate || args[i].aggregate;
    }
    // The value measured: a number (text read as one); PERCENTILE_DISC also picks dates.
    Emitted value = percentile ? Emitted() : args[0];
    std::uint32_t value_offset = percentile ? e.extras->within[0].expr->offset : e.args[0]->offset;
    if (percentile && !expr(*e.extras->within[0].expr, scope, &value)) return false;
    if (percentile && value.aggregate && !e.over) return fail(935, value_offset);
    out->aggregate = out->aggregate || value.aggregate;
    auto numeric = [&](const Emitted& a, std::uint32_t offset, std::string* sql_out) {
        if (is_number(a.type)) {
            *sql_out = a.sql;
        } else if (is_char(a.type) || a.sql == "NULL") {
            *sql_out = "vantro_to_number(" + a.sql + ")";
        } else if (f.form == StatisticForm::Moment) {
            return fail(932, offset, "NUMBER", type_family(a.type));
        } else if (is_date(a.type) || is_timestamp(a.type) || is_interval(a.type)) {
            return fail(3001, offset, ": " + std::string(f.name) + " of a datetime or interval");
        } else {
            return fail(30495, offset);
        }
        return true;
    };
    out->type = number_type();
    switch (f.form) {
    case StatisticForm::Moment: {
        std::string a, b;
        if (!numeric(args[0], e.args[0]->offset, &a)) return false;
        if (f.args == 2 && !numeric(args[1], e.args[1]->offset, &b)) return false;
        *sql = "vantro_stat('" + std::string(f.name) + "'," + (e.distinct ? "1," : "0,") + a +
               (f.args == 2 ? "," + b : std::string()) + ")";
        return true;
    }
    case StatisticForm::Mode:
        *sql = "vantro_mode(" + args[0].sql + ")";
        out->type = args[0].type;
        out->trimmed = args[0].trimmed;
        return true;
    case StatisticForm::CountDistinct:
        if (e.over) return fail(3001, e.offset, ": " + std::string(f.name) + " OVER"), false;
        *sql = "count(DISTINCT " + args[0].sql + ")";
        return true;
    case StatisticForm::Median: {
        std::string a;
        if (!numeric(args[0], e.args[0]->offset, &a)) return false;
        *sql = "vantro_percentile('CONT',0.5,0," + a + ")";
        return true;
    }
    case StatisticForm::Percentile: {
        bool disc = e.text == "PERCENTILE_DISC";
        std::string p = is_number(args[0].type) ? args[0].sql : "vantro_to_number(" + args[0].sql + ")";
        std::string v;
        if (disc && !is_zoned(value.type) && (is_date(value.type) || is_timestamp(value.type))) {
            v = value.sql;
            out->type = value.type;
        } else if (!numeric(value, value_offset, &v)) {
            return false;
        }
        *sql = std::string("vantro_percentile('") + (disc ? "DISC" : "CONT") + "'," + p + "," +
               (e.extras->within[0].descending ? "1," : "0,") + v + ")";
        return true;
    }
    }
    return false;
}

bool Translator::statistic(Expr& e, const Scope& scope, Emitted* out) {
    std::string call;
    if (!statistic_call(e, scope, &call, out)) return false;
    // REGR_COUNT of no rows is 0.
    out->sql = e.text == "REGR_COUNT" ? "coalesce(" + call + ",0)" : call;
    out->aggregate = true;
    return true;
}
