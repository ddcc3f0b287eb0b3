// XMLELEMENT, XMLFOREST, XMLAGG, XMLCONCAT, XMLCOMMENT, XMLCDATA, XMLPI and XMLSERIALIZE
// become calls of the vantro_xml* functions (values/sql_xml.h). XML values are their text,
// described as CLOB so that clients fetch that text. Each content or attribute value
// travels as its kind (XmlValueKind) and its text: XML from another of these functions
// or an XMLTYPE value as it is, DATE and TIMESTAMP values in their stored form (written in
// XML Schema form at run time), everything else as its Oracle text. XMLTYPE values (the
// constructor, XMLPARSE, EXTRACT, XMLQUERY and XMLTYPE columns) carry the object type
// SYS.XMLTYPE; the XPath functions and the methods read them with vantro_xml_path.
#include "values/errors.h"
#include "values/sql_xml.h"
#include "sql/sql_text.h"
#include "sql/sql_translate_xml.h"
#include "sql/sql_translator.h"

const char* const kXmlTypeName = "SYS.XMLTYPE";

namespace {

// The calls that read or make XMLTYPE values, and whether each gives one.
struct XmlQueryFunction {
    const char* name;
    bool gives_xml;
};
const XmlQueryFunction kXmlQueryFunctions[] = {
    {"XMLTYPE", true},        {"XMLPARSE", true},       {"EXTRACT", true},         {"XMLQUERY", true},
    {"EXTRACTVALUE", false},  {"EXISTSNODE", false},    {"XMLEXISTS", false},      {"XMLCAST", false},
    {"GETCLOBVAL", false},    {"GETSTRINGVAL", false},  {"GETNUMBERVAL", false},   {"XMLTABLE", false},
    {"XMLSEQUENCE", false},   {"XMLROOT", true},        {"UPDATEXML", true},       {"DELETEXML", true},
    {"INSERTCHILDXML", true}, {"APPENDCHILDXML", true}, {"INSERTXMLBEFORE", true}, {"INSERTXMLAFTER", true},
};

// The XML-modifying functions: the operation, and the value arguments after each path
// (UPDATEXML: path and value pairs, any number of them).
struct XmlModifyFunction {
    const char* name;
    XmlModifyKind kind;
    std::size_t values;
};
const XmlModifyFunction kXmlModifyFunctions[] = {
    {"UPDATEXML", XmlModifyKind::Update, 1},
    {"DELETEXML", XmlModifyKind::Delete, 0},
    {"INSERTCHILDXML", XmlModifyKind::InsertChild, 2},
    {"APPENDCHILDXML", XmlModifyKind::AppendChild, 1},
    {"INSERTXMLBEFORE", XmlModifyKind::InsertBefore, 1},
    {"INSERTXMLAFTER", XmlModifyKind::InsertAfter, 1},
};

const XmlQueryFunction* query_function(const std::string& name) {
    for (const XmlQueryFunction& f : kXmlQueryFunctions)
        if (name == f.name) return &f;
    return nullptr;
}

// True when the value is XML already: it is inserted as it is, not escaped.
bool produces_xml(const Expr& e) {
    if (e.kind != ExprKind::Function || !e.xml || e.text == "XMLSERIALIZE") return false;
    const XmlQueryFunction* q = query_function(e.text);
    return !q || q->gives_xml;
}

// True when a value of this kind may stand where an XMLTYPE is read: an XMLTYPE value,
// XML from the generation functions, NULL, or a CLOB (a PL/SQL XMLTYPE variable's form).
bool xml_operand(const Expr& e, const OraType& type, const std::string& object_type) {
    return object_type == kXmlTypeName || produces_xml(e) || e.kind == ExprKind::Null ||
           (type.code == kTypeClob && object_type.empty());
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
    if (query_function(f)) {
        if (f == "XMLTABLE") return fail(904, e.offset, "XMLTABLE"), false;
        // XMLSEQUENCE's varray is read only as the rows of TABLE(XMLSEQUENCE(...)).
        if (f == "XMLSEQUENCE") return fail(3001, e.offset, ": XMLSEQUENCE outside TABLE()"), false;
        std::vector<Emitted> a(e.args.size());
        for (std::size_t i = 0; i < e.args.size(); ++i) {
            if (expr(*e.args[i], scope, &a[i])) {
                out->aggregate = out->aggregate || a[i].aggregate;
                continue;
            }
            // name.method(...) where name is no value: a package's function of that name.
            if (i == 0 && !e.path.empty() && err_->code == 904) {
                e.xml.reset();
                e.args.erase(e.args.begin());
                e.text = e.path[0];
                for (std::size_t k = 1; k < e.path.size(); ++k) e.text += "." + e.path[k];
                return function_call(e, scope, out);
            }
            return false;
        }
        // n arguments, or n + 1 with the namespace mappings when mappings is set.
        auto arity = [&](std::size_t n, bool mappings = false) {
            if (e.args.size() < n || e.args.size() > n + (mappings ? 1 : 0)) return fail(909, e.offset), false;
            return true;
        };
        // Argument i as the XML it holds (ORA-00932 for a value of another type).
        auto xml = [&](std::size_t i, std::string* sql) {
            if (!xml_operand(*e.args[i], a[i].type, a[i].object_type))
                return fail(932, e.args[i]->offset, "-", type_family(a[i].type)), false;
            *sql = a[i].sql;
            return true;
        };
        auto text = [&](std::size_t i) {
            return e.args[i]->kind == ExprKind::Null ? std::string("NULL") : as_text(a[i]);
        };
        std::string doc;
        OraType xml_type_of;
        xml_type_of.code = kTypeClob;
        xml_type_of.size = 4000;
        if (f == "XMLTYPE" || f == "XMLPARSE") {
            if (!arity(1)) return false;
            if (a[0].type.code == kTypeBlob || a[0].type.code == kTypeRaw)
                return fail(932, e.args[0]->offset, "CHAR", type_family(a[0].type)), false;
            const int flags = (f == "XMLTYPE" ? 1 : 0) | (x.document ? 0 : 2);
            out->sql = "vantro_xmltype(" + text(0) + "," + std::to_string(flags) + ")";
            out->type = xml_type_of;
            out->object_type = kXmlTypeName;
            return true;
        }
        if (f == "XMLROOT") {
            if (!xml(0, &doc)) return false;
            out->sql = "vantro_xmlroot(" + doc + "," + text(1) + "," + text(2) + ")";
            out->type = xml_type_of;
            out->object_type = kXmlTypeName;
            return true;
        }
        for (const XmlModifyFunction& m : kXmlModifyFunctions) {
            if (f != m.name) continue;
            // (value, path, values [, path, values ...] [, namespace mappings]); only
            // UPDATEXML repeats its pairs.
            const std::size_t group = 1 + m.values;
            const std::size_t rest = e.args.size() - 1;
            const bool repeats = m.kind == XmlModifyKind::Update;
            if (e.args.size() < 1 + group || (!repeats && rest > group + 1)) return fail(909, e.offset), false;
            const bool mappings = repeats ? rest % group != 0 : rest == group + 1;
            if (repeats && mappings && rest % group != 1) return fail(909, e.offset), false;
            if (!xml(0, &doc)) return false;
            std::string sql = "vantro_xml_modify(" + std::to_string(static_cast<int>(m.kind)) + "," +
                              (mappings ? text(e.args.size() - 1) : std::string("NULL")) + "," + doc;
            const std::size_t last = mappings ? e.args.size() - 1 : e.args.size();
            for (std::size_t i = 1; i < last; i += group) {
                sql += "," + text(i);
                if (m.kind == XmlModifyKind::InsertChild) sql += "," + text(i + 1);
                if (m.values == 0) continue;
                const std::size_t v = i + m.values;
                const bool is_xml = e.args[v]->kind != ExprKind::Null &&
                                    xml_operand(*e.args[v], a[v].type, a[v].object_type) &&
                                    e.args[v]->kind != ExprKind::Null;
                const bool text_allowed = m.kind == XmlModifyKind::Update || m.kind == XmlModifyKind::InsertChild;
                if (!is_xml && !text_allowed && e.args[v]->kind != ExprKind::Null) {
                    std::string ignored;
                    if (!xml(v, &ignored)) return false;
                }
                sql += "," + std::to_string(static_cast<int>(is_xml ? XmlValueKind::Xml : XmlValueKind::Text)) + "," +
                       text(v);
            }
            out->sql = sql + ")";
            out->type = xml_type_of;
            out->object_type = kXmlTypeName;
            return true;
        }
        if (f == "GETCLOBVAL" || f == "GETSTRINGVAL" || f == "GETNUMBERVAL") {
            if (!arity(1) || !xml(0, &doc)) return false;
            if (f == "GETCLOBVAL") {
                out->sql = doc;
                out->type = xml_type_of;
            } else if (f == "GETSTRINGVAL") {
                out->sql = "vantro_xmlserialize(4000," + doc + ")";
                out->type = varchar_type(4000);
            } else {
                out->sql = "vantro_to_number(vantro_xml_atom(" + doc + "))";
                out->type = number_type();
            }
            return true;
        }
        if (f == "XMLCAST") {
            if (!arity(1) || !xml(0, &doc)) return false;
            const OraType& t = e.cast_type;
            std::string atom = "vantro_xml_atom(" + doc + ")";
            out->type = t;
            if (t.code == kTypeNumber) {
                out->sql = "vantro_to_number(" + atom + ")";
                if (t.precision != 0 || t.scale != -127)
                    out->sql = "vantro_store_number(" + out->sql + "," + std::to_string(t.precision) + "," +
                               std::to_string(t.scale) + ")";
            } else if (t.code == kTypeVarchar2 || t.code == kTypeChar) {
                out->sql = "vantro_cast_text(" + atom + "," + std::to_string(t.size) + "," +
                           (t.char_used || t.national ? "1" : "0") + ",0," + (t.code == kTypeChar ? "1" : "0") + ")";
                out->trimmed = t.code == kTypeChar;
            } else if (t.code == kTypeClob) {
                out->sql = atom;
            } else {
                return fail(3001, e.path_offsets.empty() ? e.offset : e.path_offsets[0], ": XMLCAST AS " + x.name),
                       false;
            }
            return true;
        }
        // The XPath functions: (value, path) for the functions and methods, (path, value)
        // for XMLQUERY and XMLEXISTS.
        const bool xquery = f == "XMLQUERY" || f == "XMLEXISTS";
        if (!arity(2, !xquery)) return false;
        const std::size_t value_at = xquery ? 1 : 0, path_at = xquery ? 0 : 1;
        if (!xml(value_at, &doc)) return false;
        XmlPathKind kind = f == "EXTRACT"        ? XmlPathKind::Extract
                           : f == "EXTRACTVALUE" ? XmlPathKind::ExtractValue
                           : f == "EXISTSNODE"   ? XmlPathKind::ExistsNode
                           : f == "XMLQUERY"     ? XmlPathKind::Query
                                                 : XmlPathKind::Exists;
        out->sql = "vantro_xml_path(" + std::to_string(static_cast<int>(kind)) + "," + doc + "," + text(path_at) +
                   (e.args.size() > 2 ? "," + text(2) : std::string()) + ")";
        switch (kind) {
        case XmlPathKind::Extract:
        case XmlPathKind::Query:
            out->type = xml_type_of;
            out->object_type = kXmlTypeName;
            break;
        case XmlPathKind::ExtractValue:
            out->type = varchar_type(4000);
            break;
        case XmlPathKind::ExistsNode:
        case XmlPathKind::Exists:
            out->type = number_type();
            break;
        }
        return true;
    }
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
        } else if (produces_xml(*e.args[i]) || a.object_type == kXmlTypeName) {
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
            if (f == "XMLSERIALIZE" && i == 1) {
                // INDENT's size, a number the parser read.
                sql += "," + e.args[i]->text;
                continue;
            }
            std::string v;
            if (!value(i, false, &v)) return false;
            if (takes_xml && e.args[i]->kind != ExprKind::Null && !produces_xml(*e.args[i])) {
                Emitted a;
                if (!expr(*e.args[i], scope, &a)) return false;
                if (a.object_type != kXmlTypeName) return fail(932, e.args[i]->offset, "-", type_family(a.type)), false;
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

bool xml_table_call(const Expr& e) {
    return e.kind == ExprKind::Function && e.xml && (e.text == "XMLTABLE" || e.text == "XMLSEQUENCE");
}

bool xml_table_sql(const Expr& call, const std::string& doc_sql, const OraType& doc_type, const std::string& doc_object,
                   std::vector<ColumnInfo>* columns, std::string* sql, OraError* err) {
    const bool sequence = call.text == "XMLSEQUENCE";
    if (sequence && call.args.size() != 1) {
        *err = ora_error(909);
        err->offset = call.offset;
        return false;
    }
    const Expr& doc = *call.args[sequence ? 0 : 1];
    if (!xml_operand(doc, doc_type, doc_object)) {
        *err = ora_error(932, "-", type_family(doc_type));
        err->offset = doc.offset;
        return false;
    }
    const std::string doc_value = doc.kind == ExprKind::Null ? std::string("NULL") : doc_sql;
    if (sequence) {
        // XMLSEQUENCE(xml): one row per top-level element, in COLUMN_VALUE.
        ColumnInfo info;
        info.name = "COLUMN_VALUE";
        info.type.code = kTypeClob;
        info.type.size = 4000;
        info.object_type = kXmlTypeName;
        columns->push_back(info);
        *sql = "vantro_xml_table(" + doc_value + "," + quote_text("/*\n1\t2\t4000\t0\t0\t0\t.") + ")";
        return true;
    }
    std::string layout = call.args[0]->text;
    for (std::size_t i = 2; i < call.args.size(); ++i) {
        const Expr& c = *call.args[i];
        if (columns->size() == kXmlTableColumns) {
            *err = ora_error(1792);
            err->offset = c.offset;
            return false;
        }
        for (const ColumnInfo& k : *columns)
            if (k.name == c.text) {
                *err = ora_error(957);
                err->offset = c.offset;
                return false;
            }
        ColumnInfo info;
        info.name = c.text;
        const OraType& t = c.cast_type;
        int type = 0;
        if (c.star) {
            info.type = number_type();
        } else {
            info.type = t;
            type = c.field == "XMLTYPE" ? 2 : t.code == kTypeNumber ? 1 : 0;
            if (type == 2) info.object_type = kXmlTypeName;
        }
        layout += "\n" + std::string(c.star ? "0" : "1") + "\t" + std::to_string(type) + "\t" + std::to_string(t.size) +
                  "\t" + (t.char_used ? "1" : "0") + "\t" + std::to_string(t.precision) + "\t" +
                  std::to_string(t.scale) + "\t" + (c.star ? std::string() : c.args[0]->text);
        columns->push_back(info);
    }
    *sql = "vantro_xml_table(" + doc_value + "," + quote_text(layout) + ")";
    return true;
}
