// IS JSON, JSON_EXISTS, JSON_VALUE and JSON_QUERY become calls of the vantro_json_*
// functions (values/sql_json.h); the clauses travel as integer arguments. A document in
// a BLOB or RAW goes as its bytes, every other type as its Oracle text. A JSON_TABLE
// FROM item becomes the table-valued function vantro_json_table over the document and a
// JSON description of its columns; its rows come in generic columns c0, c1 ... that the
// source maps to the declared names.
#include "values/errors.h"
#include "values/sql_json.h"
#include "values/sql_json_gen.h"
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
                       std::to_string(on_empty) + "," + empty_default + "," + std::to_string(j.precision) + "," +
                       std::to_string(j.scale) + ")";
    if (j.returning == 1) {
        out->sql = "vantro_to_number(" + call + ")";
        out->type = number_type();
        if (j.precision > 0 || j.scale != -127) {
            out->type.precision = static_cast<decltype(out->type.precision)>(j.precision);
            out->type.scale = static_cast<decltype(out->type.scale)>(j.scale);
        }
    } else {
        out->sql = call;
        out->type = varchar_type(j.size);
    }
    return true;
}

namespace {

int json_table_kind(JsonTableColumn::Kind k) {
    switch (k) {
    case JsonTableColumn::Kind::Ordinality:
        return 0;
    case JsonTableColumn::Kind::Value:
        return 1;
    case JsonTableColumn::Kind::Query:
        return 2;
    case JsonTableColumn::Kind::Exists:
        return 3;
    case JsonTableColumn::Kind::Nested:
        return 4;
    }
    return 1;
}

// The columns as the JSON the vantro_json_table function reads (values/sql_json.h), with
// each ON ERROR and ON EMPTY resolved: a column without ON ERROR takes the table's, one
// without ON EMPTY the table's ON EMPTY, else its own ON ERROR (and its DEFAULT).
struct LayoutWriter {
    const JsonTableClause& table;
    std::vector<ColumnInfo>* columns;
    std::vector<std::uint32_t> offsets;

    std::string write(const std::vector<JsonTableColumn>& cols) {
        std::string out = "[";
        for (std::size_t i = 0; i < cols.size(); ++i) {
            const JsonTableColumn& c = cols[i];
            if (i) out += ',';
            out += "{\"k\":" + std::to_string(json_table_kind(c.kind)) + ",\"p\":" + json_quote(c.path);
            if (c.fold) out += ",\"i\":" + json_quote(c.name);
            if (c.kind == JsonTableColumn::Kind::Nested) {
                out += ",\"c\":" + write(c.nested) + "}";
                continue;
            }
            columns->push_back({c.name, c.type});
            offsets.push_back(c.offset);
            int type = c.type.code == kTypeNumber ? 1 : c.type.code == kTypeDate ? 2 : 0;
            bool error_own = c.on_error >= 0;
            int on_error = error_own ? c.on_error : table.on_error;
            int on_empty = c.on_empty >= 0 ? c.on_empty : table.on_empty >= 0 ? table.on_empty : on_error;
            bool error_default = error_own && c.on_error == 2 && !c.error_default_null;
            bool empty_default =
                c.on_empty >= 0 ? c.on_empty == 2 && !c.empty_default_null : table.on_empty < 0 && error_default;
            const std::string& empty_text = c.on_empty >= 0 ? c.empty_default : c.error_default;
            out += ",\"t\":" + std::to_string(type) + ",\"n\":" + std::to_string(c.type.size) +
                   ",\"u\":" + (c.type.char_used ? "1" : "0") + ",\"r\":" + std::to_string(c.type.precision) +
                   ",\"s\":" + std::to_string(c.type.scale) + ",\"w\":" + std::to_string(c.wrapper) +
                   ",\"e\":" + std::to_string(on_error) + ",\"m\":" + std::to_string(on_empty) +
                   ",\"d\":" + (error_default ? json_quote(c.error_default) : "null") +
                   ",\"f\":" + (empty_default ? json_quote(empty_text) : "null") + "}";
        }
        return out + "]";
    }
};

}  // namespace

bool Translator::json_table_source(FromItem& f, const Scope& scope, Source* src) {
    JsonTableClause& jt = *f.json_table;
    Emitted doc;
    if (!expr(*jt.doc, scope, &doc)) return false;
    if (doc.aggregate) return fail(934, jt.doc->offset);
    std::string doc_sql = doc.type.code == kTypeRaw || doc.type.code == kTypeBlob ? doc.sql : as_text(doc);
    LayoutWriter w{jt, &src->columns, {}};
    std::string layout = "{\"p\":" + json_quote(jt.path) + ",\"e\":" + std::to_string(jt.on_error) +
                         ",\"c\":" + w.write(jt.columns) + "}";
    if (src->columns.size() > kJsonTableColumns) return fail(1792, w.offsets[kJsonTableColumns]);
    for (std::size_t i = 0; i < src->columns.size(); ++i) {
        for (std::size_t k = 0; k < i; ++k)
            if (src->columns[k].name == src->columns[i].name) return fail(957, w.offsets[i]);
        src->stored.push_back("c" + std::to_string(i));
    }
    src->sql = "vantro_json_table(" + doc_sql + "," + quote_text(layout) + ")";
    src->alias = "vantro_jt" + std::to_string(f.table.offset);
    return true;
}
