// IS JSON, JSON_EXISTS, JSON_VALUE and JSON_QUERY become calls of the vantro_json_*
// functions (values/sql_json.h); the clauses travel as integer arguments. A document in
// a BLOB or RAW goes as its bytes, every other type as its Oracle text.
#include "values/errors.h"
#include "sql/sql_translator.h"

bool Translator::json(Expr& e, const Scope& scope, Emitted* out) {
    std::vector<Emitted> a(e.args.size());
    for (std::size_t i = 0; i < e.args.size(); ++i)
        if (!expr(*e.args[i], scope, &a[i])) return false;
    for (const Emitted& x : a) out->aggregate = out->aggregate || x.aggregate;
    const Emitted& doc = a[0];
    std::string doc_sql = doc.type.code == kTypeRaw || doc.type.code == kTypeBlob ? doc.sql : as_text(doc);
    const JsonClauses& j = *e.json;
    if (e.kind == ExprKind::IsJson) {
        int flags = (j.strict ? 1 : 0) | (j.unique_keys ? 2 : 0);
        out->sql = std::string("(") + (e.negated ? "NOT " : "") + "vantro_is_json(" + doc_sql + "," +
                   std::to_string(flags) + "))";
        return true;
    }
    if (e.kind == ExprKind::JsonExists) {
        out->sql = "(vantro_json_exists(" + doc_sql + "," + a[1].sql + "," + std::to_string(j.on_error) + "))";
        return true;
    }
    int on_empty = j.on_empty < 0 ? j.on_error : j.on_empty;
    if (e.text == "JSON_QUERY") {
        out->sql = "vantro_json_query(" + doc_sql + "," + a[1].sql + "," + std::to_string(j.wrapper) + "," +
                   std::to_string(j.on_error) + "," + std::to_string(on_empty) + "," + std::to_string(j.size) + ")";
        out->type = varchar_type(j.size);
        return true;
    }
    // Without ON EMPTY, the ON ERROR clause (and its DEFAULT) answers an empty result too.
    std::string error_default = j.returning == 1 ? a[2].sql : as_text(a[2]);
    std::string empty_default = j.on_empty < 0 ? error_default : (j.returning == 1 ? a[3].sql : as_text(a[3]));
    std::string call = "vantro_json_value(" + doc_sql + "," + a[1].sql + "," + std::to_string(j.returning) + "," +
                       std::to_string(j.size) + "," + std::to_string(j.on_error) + "," + error_default + "," +
                       std::to_string(on_empty) + "," + empty_default + ")";
    if (j.returning == 1) {
        out->sql = "vantro_to_number(" + call + ")";
        out->type = number_type();
    } else {
        out->sql = call;
        out->type = varchar_type(j.size);
    }
    return true;
}
