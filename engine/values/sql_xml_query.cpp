// The SQL functions behind XMLTYPE and the XPath functions: the constructor's check,
// EXTRACT, EXTRACTVALUE, EXISTSNODE, XMLQUERY, XMLEXISTS, XMLCAST's atomisation,
// getNumberVal and the table-valued function behind XMLTABLE. An XMLTYPE value is its
// text; each call reads it with the reader of values/xml_document.h (a fragment, as
// EXTRACT returns one, is a value too).
#include "values/document_table.h"
#include "values/errors.h"
#include "values/sql_xml.h"
#include "values/utf8.h"
#include "values/values.h"
#include "values/xml_xpath.h"

#include <cmath>

namespace {

std::string ora_text(int code, const std::string& arg = {}, const std::string& arg2 = {}) {
    std::string text = ora_format(code, ora_message(code, arg, arg2));
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

void raise(sqlite3_context* ctx, const std::string& text) {
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

std::string text_of(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v)))
             : std::string();
}

void result_text(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

std::string parse_error(const std::string& detail) {
    return ora_text(31011, "\n" + ora_text(19202, "\n" + detail));
}

// Evaluates path at node context with the namespaces ns: an empty string when it
// succeeds, else the Oracle error text (an XQuery's undeclared prefix is ORA-19228).
std::string evaluate(const std::string& path, const XmlDocument& doc, int context, const XPathNamespaces& ns,
                     bool xquery, XPathValue* out) {
    XPathFailure failure;
    if (xpath_evaluate(path, doc, context, out, ns, &failure)) return {};
    if (xquery && !failure.prefix.empty()) return ora_text(19228, failure.prefix, failure.name);
    return ora_text(31013);
}

// Reads an XMLTYPE value (document or fragment) and evaluates path over it: an empty
// string when both succeed, else the Oracle error text.
std::string query(const std::string& text, const std::string& path, const XPathNamespaces& ns, bool xquery,
                  XmlDocument* doc, XPathValue* out) {
    std::string detail;
    if (!xml_parse(text, false, doc, &detail)) return parse_error(detail);
    return evaluate(path, *doc, 0, ns, xquery, out);
}

// The namespaces of a query: an XQuery's prolog (the path is what follows it), or the
// mappings of the XPath functions' namespace argument (mappings NULL: none).
std::string namespaces(bool xquery, std::string* path, sqlite3_value* mappings, XPathNamespaces* ns) {
    if (xquery) {
        std::string rest;
        if (!xquery_prolog(*path, ns, &rest)) return ora_text(31013);
        *path = rest;
        return {};
    }
    if (mappings && sqlite3_value_type(mappings) != SQLITE_NULL && !xpath_namespace_mappings(text_of(mappings), ns))
        return ora_text(31013);
    return {};
}

// The serialised nodes one after the other; atomic values as their text.
std::string sequence_text(const XmlDocument& doc, const XPathValue& v) {
    if (v.kind != XPathValue::Kind::Nodes) return xpath_string(doc, v);
    std::string out;
    for (int n : v.nodes) out += xml_serialize(doc, n);
    return out;
}

// vantro_xmltype(text, flags): the text once it reads as one XML document (flags 2: as
// XML content); a NULL is ORA-19032 with flags 1.
void fn_xmltype(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int flags = sqlite3_value_int(argv[1]);
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        if (flags & 1) return raise(ctx, ora_text(19032, ",", "no content"));
        return sqlite3_result_null(ctx);
    }
    XmlDocument doc;
    std::string detail;
    if (!xml_parse(text_of(argv[0]), (flags & 2) == 0, &doc, &detail)) return raise(ctx, parse_error(detail));
    sqlite3_result_value(ctx, argv[0]);
}

// vantro_xml_path(kind, doc, path [, namespace mappings]).
void fn_xml_path(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 3 || argc > 4) return sqlite3_result_error(ctx, "vantro_xml_path: bad arguments", -1);
    XmlPathKind kind = static_cast<XmlPathKind>(sqlite3_value_int(argv[0]));
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL) {
        if (kind == XmlPathKind::Exists) return sqlite3_result_int(ctx, 0);
        return sqlite3_result_null(ctx);
    }
    const bool xquery = kind == XmlPathKind::Query || kind == XmlPathKind::Exists;
    std::string path = text_of(argv[2]);
    XPathNamespaces ns;
    std::string err = namespaces(xquery, &path, argc > 3 ? argv[3] : nullptr, &ns);
    if (!err.empty()) return raise(ctx, err);
    XmlDocument doc;
    XPathValue v;
    err = query(text_of(argv[1]), path, ns, xquery, &doc, &v);
    if (!err.empty()) return raise(ctx, err);
    const bool nodes = v.kind == XPathValue::Kind::Nodes;
    switch (kind) {
    case XmlPathKind::Extract:
        if (!nodes) return raise(ctx, ora_text(31013));
        if (v.nodes.empty()) return sqlite3_result_null(ctx);
        return result_text(ctx, sequence_text(doc, v));
    case XmlPathKind::ExistsNode:
        if (!nodes) return raise(ctx, ora_text(31013));
        return sqlite3_result_int(ctx, v.nodes.empty() ? 0 : 1);
    case XmlPathKind::Exists:
        return sqlite3_result_int(ctx, !nodes || !v.nodes.empty() ? 1 : 0);
    case XmlPathKind::Query: {
        std::string out = sequence_text(doc, v);
        if (nodes && v.nodes.empty()) return sqlite3_result_null(ctx);
        return result_text(ctx, out);
    }
    case XmlPathKind::ExtractValue:
        break;
    }
    // EXTRACTVALUE: one node, a text node, an attribute or an element with text only.
    if (!nodes) return raise(ctx, ora_text(31013));
    if (v.nodes.empty()) return sqlite3_result_null(ctx);
    if (v.nodes.size() > 1) return raise(ctx, ora_text(19025));
    const XmlNode& n = doc.nodes[static_cast<std::size_t>(v.nodes[0])];
    std::string out;
    if (n.kind == XmlNodeKind::Element || n.kind == XmlNodeKind::Root) {
        for (int c : n.children) {
            const XmlNode& child = doc.nodes[static_cast<std::size_t>(c)];
            if (child.kind == XmlNodeKind::Element) return raise(ctx, ora_text(19025));
            if (child.kind == XmlNodeKind::Text) out += child.value;
        }
    } else {
        out = n.value;
    }
    if (out.empty()) return sqlite3_result_null(ctx);
    result_text(ctx, out);
}

// vantro_xml_atom(doc): the text of an XMLTYPE value of at most one item, as XMLCAST
// and getNumberVal read it; NULL for no item.
void fn_xml_atom(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    XmlDocument doc;
    std::string detail;
    if (!xml_parse(text_of(argv[0]), false, &doc, &detail)) return raise(ctx, parse_error(detail));
    const XmlNode& root = doc.nodes[0];
    std::size_t items = 0;
    bool only_text = true;
    for (int c : root.children) {
        const XmlNode& n = doc.nodes[static_cast<std::size_t>(c)];
        if (n.kind != XmlNodeKind::Text) {
            only_text = false;
            ++items;
        }
    }
    if (only_text) items = root.children.empty() ? 0 : 1;
    if (items > 1) return raise(ctx, ora_text(19279));
    if (items == 0) return sqlite3_result_null(ctx);
    std::string out = xml_string_value(doc, 0);
    if (out.empty()) return sqlite3_result_null(ctx);
    result_text(ctx, out);
}

// XMLTABLE's rows: the layout is "row path", then per column a line "kind type size
// char_used precision scale path" (kind 0 FOR ORDINALITY, 1 a value; type 0 VARCHAR2,
// 1 NUMBER, 2 XMLTYPE), fields separated by tabs.
struct XmlColumn {
    int kind = 1, type = 0;
    long size = 0;
    bool char_used = false;
    int precision = 0, scale = 0;
    std::string path;
};

struct XmlLayout {
    std::string path;
    std::vector<XmlColumn> columns;
};

bool read_layout(const std::string& text, XmlLayout* out) {
    std::size_t p = 0;
    auto line = [&](std::string* l) {
        if (p > text.size()) return false;
        std::size_t nl = text.find('\n', p);
        if (nl == std::string::npos) nl = text.size();
        *l = text.substr(p, nl - p);
        p = nl + 1;
        return true;
    };
    if (!line(&out->path)) return false;
    std::string l;
    while (p < text.size() && line(&l)) {
        std::vector<std::string> f;
        std::size_t q = 0;
        for (int k = 0; k < 6; ++k) {
            std::size_t tab = l.find('\t', q);
            if (tab == std::string::npos) return false;
            f.push_back(l.substr(q, tab - q));
            q = tab + 1;
        }
        XmlColumn c;
        c.kind = std::atoi(f[0].c_str());
        c.type = std::atoi(f[1].c_str());
        c.size = std::atol(f[2].c_str());
        c.char_used = f[3] == "1";
        c.precision = std::atoi(f[4].c_str());
        c.scale = std::atoi(f[5].c_str());
        c.path = l.substr(q);
        out->columns.push_back(c);
    }
    return true;
}

using Cell = DocumentCell;
using Row = DocumentRow;

// Column c's value at the row's node: empty when nothing is found, else the string value
// of the single item (several: ORA-19279), converted to the column's type.
std::string column_cell(const XmlColumn& c, const XmlDocument& doc, int node, const XPathNamespaces& ns, Cell* out) {
    XPathValue v;
    std::string err = evaluate(c.path, doc, node, ns, true, &v);
    if (!err.empty()) return err;
    if (v.kind == XPathValue::Kind::Nodes && v.nodes.empty()) return {};
    if (c.type == 2) {
        // An XMLTYPE column: the nodes as XML.
        out->type = SQLITE_TEXT;
        out->s = sequence_text(doc, v);
        return {};
    }
    if (v.kind == XPathValue::Kind::Nodes && v.nodes.size() > 1) return ora_text(19279);
    std::string text = xpath_string(doc, v);
    if (c.type == 1) {
        std::size_t b = text.find_first_not_of(" \t\r\n");
        if (b == std::string::npos) return {};
        std::string trimmed = text.substr(b, text.find_last_not_of(" \t\r\n") - b + 1);
        int code = document_cell_number(trimmed, c.precision, c.scale, out);
        if (code) return ora_text(code);
        return {};
    }
    if (text.empty()) return {};
    std::size_t length = c.char_used ? utf8_length(text) : text.size();
    if (static_cast<long>(length) > c.size) return ora_text(19011);
    out->type = SQLITE_TEXT;
    out->s = std::move(text);
    return {};
}

std::string table_rows(const XmlLayout& layout, sqlite3_value* docv, std::vector<Row>* rows) {
    if (sqlite3_value_type(docv) == SQLITE_NULL) return {};
    // The row path's prolog declares the namespaces of the column paths too.
    XPathNamespaces ns;
    std::string path = layout.path;
    std::string err = namespaces(true, &path, nullptr, &ns);
    if (!err.empty()) return err;
    XmlDocument doc;
    XPathValue found;
    err = query(text_of(docv), path, ns, true, &doc, &found);
    if (!err.empty()) return err;
    if (found.kind != XPathValue::Kind::Nodes) return ora_text(19279);
    for (std::size_t k = 0; k < found.nodes.size(); ++k) {
        Row row(layout.columns.size());
        for (std::size_t c = 0; c < layout.columns.size(); ++c) {
            if (layout.columns[c].kind == 0) {
                row[c].type = SQLITE_INTEGER;
                row[c].i = static_cast<std::int64_t>(k) + 1;
                continue;
            }
            err = column_cell(layout.columns[c], doc, found.nodes[k], ns, &row[c]);
            if (!err.empty()) return err;
        }
        rows->push_back(std::move(row));
    }
    return {};
}

std::string read_table_rows(sqlite3_value* doc, const std::string& layout_text, std::vector<Row>* rows) {
    XmlLayout layout;
    if (!read_layout(layout_text, &layout)) return ora_text(31013);
    return table_rows(layout, doc, rows);
}

}  // namespace

bool xml_query_functions_register(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    struct Row {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    static const Row kRows[] = {
        {"vantro_xmltype", 2, fn_xmltype},
        {"vantro_xml_path", -1, fn_xml_path},
        {"vantro_xml_atom", 1, fn_xml_atom},
    };
    for (const Row& r : kRows)
        if (sqlite3_create_function(db, r.name, r.args, flags, nullptr, r.fn, nullptr, nullptr) != SQLITE_OK)
            return false;
    if (!xml_modify_functions_register(db)) return false;
    return document_table_register(db, "vantro_xml_table", kXmlTableColumns, read_table_rows);
}
