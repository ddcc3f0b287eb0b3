// JSON_OBJECT, JSON_ARRAY, JSON_OBJECTAGG and JSON_ARRAYAGG become calls of the
// vantro_json_object/_array/_objectagg/_arrayagg functions (values/sql_json_gen.h). Each
// value travels as its kind (values/sql_json_gen.h, JsonGenKind) and its text: numbers
// in Oracle's number text, dates and timestamps in their stored form (written as ISO
// text at run time), JSON (FORMAT JSON or another generation function or JSON_QUERY) as
// it is, everything else as its Oracle text.
#include "values/errors.h"
#include "values/sql_json_gen.h"
#include "sql/sql_translator.h"

namespace {

// True when the value is JSON already: it is inserted as it is, not as a string.
bool produces_json(const Expr& e) {
    if (e.kind == ExprKind::JsonFunction) return e.text == "JSON_QUERY";
    return e.kind == ExprKind::Function && e.json_gen;
}

}  // namespace

bool Translator::json_gen_value(const Expr& arg, const Emitted& v, bool format_json, std::string* sql) {
    JsonGenKind kind = JsonGenKind::Text;
    std::string text;
    if (arg.kind == ExprKind::Null) {
        text = "NULL";
    } else if (format_json || produces_json(arg)) {
        if (v.type.code == kTypeRaw || v.type.code == kTypeBlob) return fail(3001, arg.offset), false;
        kind = JsonGenKind::Json;
        text = as_text(v);
    } else if (is_number(v.type)) {
        kind = JsonGenKind::Number;
        text = as_text(v);
    } else if (is_date(v.type)) {
        kind = JsonGenKind::DateTime;
        text = v.sql;
    } else {
        text = as_text(v);
    }
    *sql = std::to_string(static_cast<int>(kind)) + "," + text;
    return true;
}

bool Translator::aggregate_order_keys(std::vector<OrderItem>& keys, const Scope& scope, std::string* sql) {
    for (OrderItem& o : keys) {
        Emitted k;
        if (!expr(*o.expr, scope, &k)) return false;
        if (k.aggregate) return fail(935, o.expr->offset), false;
        const bool nulls_first = o.nulls == 1 || (o.nulls == 0 && o.descending);
        *sql += "," + std::to_string((o.descending ? 1 : 0) + (nulls_first ? 2 : 0)) + "," +
                (k.whole ? k.sql : number_order_key(k.type, k.sql));
    }
    return true;
}

bool Translator::json_generate(Expr& e, const Scope& scope, Emitted* out) {
    const JsonGenClauses& j = *e.json_gen;
    const bool object = e.text == "JSON_OBJECT" || e.text == "JSON_OBJECTAGG";
    const bool aggregate = e.text == "JSON_OBJECTAGG" || e.text == "JSON_ARRAYAGG";
    if (e.over) return fail(30484, e.offset), false;
    int flags = (j.absent_on_null ? kJsonGenAbsentOnNull : 0) | (j.unique_keys ? kJsonGenUniqueKeys : 0) |
                (j.strict ? kJsonGenStrict : 0);
    std::string sql = "vantro_" +
                      std::string(e.text == "JSON_OBJECT"      ? "json_object"
                                  : e.text == "JSON_ARRAY"     ? "json_array"
                                  : e.text == "JSON_OBJECTAGG" ? "json_objectagg"
                                                               : "json_arrayagg") +
                      "(" + std::to_string(flags) + "," + std::to_string(j.clob ? 0 : j.size);
    std::size_t value_index = 0;
    for (std::size_t i = 0; i < e.args.size(); ++i) {
        Emitted a;
        if (!expr(*e.args[i], scope, &a)) return false;
        // The rows of an aggregate give its values: an aggregate of aggregates is not one.
        if (aggregate && a.aggregate) return fail(935, e.args[i]->offset), false;
        out->aggregate = out->aggregate || a.aggregate;
        bool is_key = object && i % 2 == 0;
        if (is_key) {
            if (!is_char(a.type) && e.args[i]->kind != ExprKind::Null && !is_number(a.type))
                return fail(932, e.args[i]->offset, "CHAR", type_family(a.type)), false;
            sql += "," + as_text(a);
            continue;
        }
        std::string v;
        if (!json_gen_value(*e.args[i], a, j.format_json[value_index++], &v)) return false;
        sql += "," + v;
    }
    if (e.extras && !aggregate_order_keys(e.extras->within, scope, &sql)) return false;
    out->sql = sql + ")";
    if (aggregate) out->aggregate = true;
    if (j.clob) {
        out->type = OraType();
        out->type.code = kTypeClob;
        out->type.size = 4000;
    } else {
        out->type = varchar_type(j.size);
    }
    return true;
}
