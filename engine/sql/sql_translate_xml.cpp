// XMLELEMENT, XMLFOREST, XMLAGG, XMLCONCAT, XMLCOMMENT, XMLCDATA, XMLPI and XMLSERIALIZE
// become calls of the vantro_xml* functions (values/sql_xml.h). XML values are their text,
// described as CLOB so that clients fetch that text. Each content or attribute value
// travels as its kind (XmlValueKind) and its text: XML from another of these functions
// as it is, DATE and TIMESTAMP values in their stored form (written in XML Schema form at
// run time), everything else as its Oracle text.
#include "values/errors.h"
#include "values/sql_xml.h"
#include "sql/sql_text.h"
#include "sql/sql_translator.h"

namespace {

// True when the value is XML already: it is inserted as it is, not escaped.
bool produces_xml(const Expr& e) {
    return e.kind == ExprKind::Function && e.xml && e.text != "XMLSERIALIZE";
}

OraType xml_type() {
    OraType t;
    t.code = kTypeClob;
    t.size = 4000;
    return t;
}

}  // namespace

bool Translator::xml_generate(Expr& e, const Scope& scope, Emitted* out) {
    const XmlClauses& x = *e.xml;
    const std::string& f = e.text;
    if (e.over) return fail(30484, e.offset), false;
    const bool aggregate = f == "XMLAGG";
    // Translates argument i: its (kind, text) pair when pair is set, else its text.
    auto value = [&](std::size_t i, bool pair, std::string* sql) {
        Emitted a;
        if (!expr(*e.args[i], scope, &a)) return false;
        if (aggregate && a.aggregate) return fail(935, e.args[i]->offset), false;
        out->aggregate = out->aggregate || a.aggregate;
        XmlValueKind kind = XmlValueKind::Text;
        std::string text;
        if (e.args[i]->kind == ExprKind::Null) {
            text = "NULL";
        } else if (produces_xml(*e.args[i])) {
            kind = XmlValueKind::Xml;
            text = as_text(a);
        } else if (a.type.code == kTypeDate) {
            kind = XmlValueKind::Date;
            text = a.sql;
        } else if (a.type.code == kTypeTimestamp) {
            kind = XmlValueKind::Timestamp;
            text = a.sql;
        } else {
            text = as_text(a);
        }
        *sql = pair ? std::to_string(static_cast<int>(kind)) + "," + text : text;
        return true;
    };
    std::string sql;
    if (f == "XMLELEMENT") {
        sql = "vantro_xmlelement(" + quote_text(x.name) + "," + std::to_string(x.attributes);
        for (std::size_t i = 0; i < e.args.size(); ++i) {
            std::string v;
            if (!value(i, true, &v)) return false;
            sql += (i < x.attributes ? "," + quote_text(x.names[i]) : std::string()) + "," + v;
        }
    } else if (f == "XMLFOREST") {
        sql = "vantro_xmlforest(";
        for (std::size_t i = 0; i < e.args.size(); ++i) {
            std::string v;
            if (!value(i, true, &v)) return false;
            sql += (i ? "," : "") + quote_text(x.names[i]) + "," + v;
        }
    } else if (f == "XMLPI") {
        sql = "vantro_xmlpi(" + quote_text(x.name);
        for (std::size_t i = 0; i < e.args.size(); ++i) {
            std::string v;
            if (!value(i, false, &v)) return false;
            sql += "," + v;
        }
    } else {
        // XMLAGG, XMLCONCAT, XMLCOMMENT, XMLCDATA and XMLSERIALIZE: XMLAGG, XMLCONCAT and
        // XMLSERIALIZE take XML values; the others text.
        const bool takes_xml = f != "XMLCOMMENT" && f != "XMLCDATA";
        sql = f == "XMLSERIALIZE" ? "vantro_xmlserialize(" + std::to_string(x.clob ? 0 : x.size)
              : f == "XMLAGG"     ? std::string("vantro_xmlagg(")
              : f == "XMLCONCAT"  ? std::string("vantro_xmlconcat(")
              : f == "XMLCOMMENT" ? std::string("vantro_xmlcomment(")
                                  : std::string("vantro_xmlcdata(");
        for (std::size_t i = 0; i < e.args.size(); ++i) {
            std::string v;
            if (!value(i, false, &v)) return false;
            if (takes_xml && e.args[i]->kind != ExprKind::Null && !produces_xml(*e.args[i])) {
                Emitted a;
                if (!expr(*e.args[i], scope, &a)) return false;
                return fail(932, e.args[i]->offset, "-", type_family(a.type)), false;
            }
            sql += (i || f == "XMLSERIALIZE" ? "," : "") + v;
        }
    }
    if (e.extras && !aggregate_order_keys(e.extras->within, scope, &sql)) return false;
    out->sql = sql + ")";
    if (aggregate) out->aggregate = true;
    out->type = f == "XMLSERIALIZE" && !x.clob ? varchar_type(x.size) : xml_type();
    return true;
}
