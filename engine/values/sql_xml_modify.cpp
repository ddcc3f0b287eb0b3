// The SQL functions behind the XML-modifying functions UPDATEXML, DELETEXML,
// INSERTCHILDXML, APPENDCHILDXML, INSERTXMLBEFORE and INSERTXMLAFTER, and behind XMLROOT.
// Each reads the value, finds the nodes of the path, and writes the document again with
// the edits of those nodes applied; the value itself is never changed in place.
#include "values/errors.h"
#include "values/sql_xml.h"
#include "values/xml_xpath.h"

#include <map>
#include <vector>

namespace {

std::string ora_text(int code) {
    std::string text = ora_format(code, ora_message(code));
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

std::string text_of(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v)))
             : std::string();
}

// What becomes of one node when the document is written again.
struct Edit {
    bool remove = false;
    bool replace = false;       // the node (an element with its subtree) becomes `replacement`
    bool set_children = false;  // the element's attributes and content become `children`
    bool clear_attributes = false;
    std::string replacement;    // replace: XML text; an attribute: its new value
    std::string before, after;  // XML written before and after the node
    std::string append;         // XML written after the element's last child
    std::string children;
    std::string new_attributes;  // ' name="value"' written after the element's own
};

using Edits = std::map<int, Edit>;

// The document written with the edits applied. Like xml_serialize, but each node looks up
// its edit first.
std::string write(const XmlDocument& doc, const Edits& edits) {
    std::string out;
    std::vector<int> open;
    auto edit_of = [&](int k) -> const Edit* {
        auto it = edits.find(k);
        return it == edits.end() ? nullptr : &it->second;
    };
    auto close_until = [&](int k) {
        while (!open.empty() && doc.nodes[static_cast<std::size_t>(open.back())].end <= k) {
            const Edit* e = edit_of(open.back());
            if (e) out += e->append;
            out += "</" + doc.nodes[static_cast<std::size_t>(open.back())].name + ">";
            if (e) out += e->after;
            open.pop_back();
        }
    };
    const int end = doc.nodes[0].end;
    for (int k = 1; k < end; ++k) {
        const XmlNode& n = doc.nodes[static_cast<std::size_t>(k)];
        if (n.kind == XmlNodeKind::Attribute) continue;
        close_until(k);
        const Edit* e = edit_of(k);
        if (e && e->remove) {
            k = n.end - 1;
            continue;
        }
        if (e) out += e->before;
        if (e && e->replace) {
            out += e->replacement + e->after;
            k = n.end - 1;
            continue;
        }
        switch (n.kind) {
        case XmlNodeKind::Element: {
            out += "<" + n.name;
            if (!e || !e->clear_attributes)
                for (int a : n.attributes) {
                    const XmlNode& an = doc.nodes[static_cast<std::size_t>(a)];
                    const Edit* ae = edit_of(a);
                    if (ae && ae->remove) continue;
                    out +=
                        " " + an.name + "=\"" + xml_escape(ae && ae->replace ? ae->replacement : an.value, true) + "\"";
                }
            if (e) out += e->new_attributes;
            if (e && e->set_children) {
                out += e->children.empty() ? "/>" : ">" + e->children + "</" + n.name + ">";
                out += e->after;
                k = n.end - 1;
            } else if (n.children.empty() && (!e || e->append.empty())) {
                out += "/>";
                if (e) out += e->after;
            } else {
                out += ">";
                open.push_back(k);
            }
            break;
        }
        case XmlNodeKind::Text:
        case XmlNodeKind::Comment:
        case XmlNodeKind::Pi:
            xml_write_leaf(n, &out);
            break;
        case XmlNodeKind::Root:
        case XmlNodeKind::Attribute:
            break;
        }
        if (e && n.kind != XmlNodeKind::Element) out += e->after;
    }
    close_until(end);
    return out;
}

using Modify = XmlModifyKind;

// A (kind, value) pair as XML: XML values as they are, others as escaped text; NULL is
// empty.
std::string value_xml(sqlite3_value* kind, sqlite3_value* v, bool* is_null) {
    *is_null = sqlite3_value_type(v) == SQLITE_NULL;
    if (*is_null) return {};
    std::string text = text_of(v);
    return static_cast<XmlValueKind>(sqlite3_value_int(kind)) == XmlValueKind::Xml ? text : xml_escape(text, false);
}

// One edit of the document text: the nodes of path get the change op describes, with
// args the operation's value arguments. Empty with *out set, or the Oracle error text.
std::string modify_once(Modify op, const std::string& text, const std::string& path, const XPathNamespaces& ns,
                        sqlite3_value** args, std::string* out) {
    XmlDocument doc;
    std::string detail;
    if (!xml_parse(text, false, &doc, &detail)) return ora_text(31011);
    XPathValue v;
    if (!xpath_evaluate(path, doc, 0, &v, ns) || v.kind != XPathValue::Kind::Nodes) return ora_text(31013);
    Edits edits;
    for (int node : v.nodes) {
        const XmlNode& n = doc.nodes[static_cast<std::size_t>(node)];
        if (n.kind == XmlNodeKind::Root) continue;
        Edit& e = edits[node];
        bool is_null = false;
        switch (op) {
        case Modify::Delete:
            e.remove = true;
            break;
        case Modify::Update: {
            std::string xml = value_xml(args[0], args[1], &is_null);
            if (n.kind == XmlNodeKind::Attribute) {
                // An attribute takes the value's text.
                e.replace = true;
                e.replacement = is_null ? std::string() : text_of(args[1]);
            } else if (n.kind == XmlNodeKind::Element &&
                       static_cast<XmlValueKind>(sqlite3_value_int(args[0])) != XmlValueKind::Xml) {
                // An element updated to text or NULL keeps its name and holds only that text.
                e.set_children = true;
                e.clear_attributes = is_null;
                e.children = xml;
            } else if (is_null && n.kind != XmlNodeKind::Element) {
                e.remove = true;
            } else {
                e.replace = true;
                e.replacement = xml;
            }
            break;
        }
        case Modify::InsertChild: {
            if (n.kind != XmlNodeKind::Element) return ora_text(31013);
            std::string child = text_of(args[0]);
            std::string xml = value_xml(args[1], args[2], &is_null);
            if (is_null) break;
            if (!child.empty() && child[0] == '@') {
                e.new_attributes += " " + child.substr(1) + "=\"" + xml_escape(text_of(args[2]), true) + "\"";
            } else {
                // After the last child of that name, else after all children.
                int last = -1;
                for (int c : n.children)
                    if (doc.nodes[static_cast<std::size_t>(c)].kind == XmlNodeKind::Element &&
                        doc.nodes[static_cast<std::size_t>(c)].name == child)
                        last = c;
                if (last >= 0)
                    edits[last].after += xml;
                else
                    edits[node].append += xml;
            }
            break;
        }
        case Modify::AppendChild:
            if (n.kind != XmlNodeKind::Element) return ora_text(31013);
            e.append += value_xml(args[0], args[1], &is_null);
            break;
        case Modify::InsertBefore:
        case Modify::InsertAfter:
            if (n.kind == XmlNodeKind::Attribute) return ora_text(31013);
            (op == Modify::InsertBefore ? e.before : e.after) += value_xml(args[0], args[1], &is_null);
            break;
        }
    }
    *out = write(doc, edits);
    return {};
}

// vantro_xml_modify(op, mappings, doc, path, values ... [, path, values ...]): UPDATEXML
// takes (path, kind, value) triples, DELETEXML a path, INSERTCHILDXML (path, child, kind,
// value), the others (path, kind, value). A NULL document or path gives NULL.
void fn_xml_modify(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    static const int kValues[] = {2, 0, 3, 2, 2, 2};
    if (argc < 4) return sqlite3_result_error(ctx, "vantro_xml_modify: bad arguments", -1);
    const int code = sqlite3_value_int(argv[0]);
    if (code < 0 || code > 5 || (argc - 3) % (kValues[code] + 1) != 0 || (code != 0 && argc != kValues[code] + 4))
        return sqlite3_result_error(ctx, "vantro_xml_modify: bad arguments", -1);
    const Modify op = static_cast<Modify>(code);
    XPathNamespaces ns;
    if (sqlite3_value_type(argv[1]) != SQLITE_NULL && !xpath_namespace_mappings(text_of(argv[1]), &ns)) {
        std::string err = ora_text(31013);
        return sqlite3_result_error(ctx, err.c_str(), static_cast<int>(err.size()));
    }
    if (sqlite3_value_type(argv[2]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string text = text_of(argv[2]);
    for (int i = 3; i < argc; i += kValues[code] + 1) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
        std::string next;
        std::string err = modify_once(op, text, text_of(argv[i]), ns, argv + i + 1, &next);
        if (!err.empty()) return sqlite3_result_error(ctx, err.c_str(), static_cast<int>(err.size()));
        text = std::move(next);
    }
    sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// vantro_xmlroot(value, version, standalone): the value behind an XML declaration of that
// version ('yes', 'no' or NULL for none as standalone), replacing one it had.
void fn_xmlroot(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string text = text_of(argv[0]);
    if (text.compare(0, 5, "<?xml") == 0 && text.size() > 5 &&
        (text[5] == ' ' || text[5] == '\t' || text[5] == '\r' || text[5] == '\n')) {
        std::size_t close = text.find("?>");
        if (close != std::string::npos) text.erase(0, close + 2);
    }
    std::string decl = "<?xml version=\"" +
                       (sqlite3_value_type(argv[1]) == SQLITE_NULL ? std::string("1.0") : text_of(argv[1])) + "\"";
    if (sqlite3_value_type(argv[2]) != SQLITE_NULL) decl += " standalone=\"" + text_of(argv[2]) + "\"";
    text = decl + "?>" + text;
    sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

}  // namespace

bool xml_modify_functions_register(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function(db, "vantro_xml_modify", -1, flags, nullptr, fn_xml_modify, nullptr, nullptr) ==
               SQLITE_OK &&
           sqlite3_create_function(db, "vantro_xmlroot", 3, flags, nullptr, fn_xmlroot, nullptr, nullptr) == SQLITE_OK;
}
