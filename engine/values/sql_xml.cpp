// The SQL functions behind the SQL/XML generation functions. Element names come from the
// statement as written; values are escaped on their way into content or attributes, and
// XML values (kind Xml) are inserted as they are.
#include "values/sql_xml.h"

#include "values/aggregate_order.h"
#include "values/errors.h"
#include "values/xml_document.h"

#include <algorithm>
#include <vector>

namespace {

void raise(sqlite3_context* ctx, int code, const std::string& arg = {}) {
    std::string text = ora_format(code, ora_message(code, arg));
    if (!text.empty() && text.back() == '\n') text.pop_back();
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

// The XML text of one (kind, value) pair; the value must not be NULL.
std::string xml_value(sqlite3_value* kind, sqlite3_value* v, bool attribute) {
    std::string text = text_of(v);
    switch (static_cast<XmlValueKind>(sqlite3_value_int(kind))) {
    case XmlValueKind::Xml:
        return text;
    case XmlValueKind::Date:
        return text.substr(0, 10);
    case XmlValueKind::Timestamp: {
        std::size_t blank = text.find(' ');
        if (blank != std::string::npos) text[blank] = 'T';
        return text;
    }
    case XmlValueKind::Text:
        break;
    }
    return xml_escape(text, attribute);
}

// vantro_xmlelement(name, attribute count, [name, kind, value] ..., [kind, value] ...):
// attributes whose value is NULL are left out, and so is NULL content.
void fn_xmlelement(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 2) return sqlite3_result_error(ctx, "vantro_xmlelement: bad arguments", -1);
    int attributes = sqlite3_value_int(argv[1]);
    int content = 2 + 3 * attributes;
    if (attributes < 0 || content > argc || (argc - content) % 2 != 0)
        return sqlite3_result_error(ctx, "vantro_xmlelement: bad arguments", -1);
    std::string name = text_of(argv[0]);
    std::string xml = "<" + name;
    for (int i = 2; i < content; i += 3) {
        if (sqlite3_value_type(argv[i + 2]) == SQLITE_NULL) continue;
        xml += " " + text_of(argv[i]) + "=\"" + xml_value(argv[i + 1], argv[i + 2], true) + "\"";
    }
    xml += ">";
    for (int i = content; i < argc; i += 2)
        if (sqlite3_value_type(argv[i + 1]) != SQLITE_NULL) xml += xml_value(argv[i], argv[i + 1], false);
    result_text(ctx, xml + "</" + name + ">");
}

// vantro_xmlforest([name, kind, value] ...): one element per value that is not NULL;
// NULL when all are.
void fn_xmlforest(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc % 3 != 0) return sqlite3_result_error(ctx, "vantro_xmlforest: bad arguments", -1);
    std::string xml;
    bool any = false;
    for (int i = 0; i < argc; i += 3) {
        if (sqlite3_value_type(argv[i + 2]) == SQLITE_NULL) continue;
        std::string name = text_of(argv[i]);
        xml += "<" + name + ">" + xml_value(argv[i + 1], argv[i + 2], false) + "</" + name + ">";
        any = true;
    }
    if (!any) return sqlite3_result_null(ctx);
    result_text(ctx, xml);
}

// vantro_xmlconcat(value ...): the values that are not NULL one after the other; NULL
// when all are.
void fn_xmlconcat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    std::string xml;
    bool any = false;
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) continue;
        xml += text_of(argv[i]);
        any = true;
    }
    if (!any) return sqlite3_result_null(ctx);
    result_text(ctx, xml);
}

void fn_xmlcomment(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    result_text(ctx, "<!--" + text_of(argv[0]) + "-->");
}

void fn_xmlcdata(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    result_text(ctx, "<![CDATA[" + text_of(argv[0]) + "]]>");
}

// vantro_xmlpi(name [, value]): <?name value?>, the value's leading blanks dropped.
void fn_xmlpi(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    std::string xml = "<?" + text_of(argv[0]);
    if (argc > 1 && sqlite3_value_type(argv[1]) != SQLITE_NULL) {
        std::string v = text_of(argv[1]);
        std::size_t start = v.find_first_not_of(' ');
        if (start != std::string::npos) xml += " " + v.substr(start);
    }
    result_text(ctx, xml + "?>");
}

// vantro_xmlserialize(size, value [, indent]): the text (laid out with indent spaces per
// level when given), or ORA-19011 when a VARCHAR2 of size bytes (0: a CLOB) cannot hold it.
void fn_xmlserialize(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 2 || argc > 3) return sqlite3_result_error(ctx, "vantro_xmlserialize: bad arguments", -1);
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    sqlite3_int64 size = sqlite3_value_int64(argv[0]);
    if (argc == 3) {
        XmlDocument doc;
        std::string detail;
        if (!xml_parse(text_of(argv[1]), false, &doc, &detail)) {
            std::string text =
                ora_format(31011, ora_message(31011, "\n" + ora_format(19202, ora_message(19202, "\n" + detail))));
            while (!text.empty() && text.back() == '\n') text.pop_back();
            return sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
        }
        std::string laid_out = xml_serialize_indented(doc, sqlite3_value_int(argv[2]));
        if (size > 0 && static_cast<sqlite3_int64>(laid_out.size()) > size) return raise(ctx, 19011);
        return result_text(ctx, laid_out);
    }
    if (size > 0 && sqlite3_value_bytes(argv[1]) > size) return raise(ctx, 19011);
    sqlite3_result_value(ctx, argv[1]);
}

struct AggRow {
    std::string xml;
    std::vector<OrderKey> keys;
};

struct AggState {
    std::vector<int> order_flags;  // per ORDER BY key: 1 descending, 2 nulls first
    std::vector<AggRow> rows;
};

// vantro_xmlagg(value [, order flags, order key] ...): NULL values add nothing.
void xmlagg_step(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 1 || argc % 2 != 1) return sqlite3_result_error(ctx, "vantro_xmlagg: bad arguments", -1);
    auto** slot = static_cast<AggState**>(sqlite3_aggregate_context(ctx, sizeof(AggState*)));
    if (!slot) return sqlite3_result_error_nomem(ctx);
    if (!*slot) *slot = new AggState;
    AggState* s = *slot;
    if (s->order_flags.empty())
        for (int i = 1; i < argc; i += 2) s->order_flags.push_back(sqlite3_value_int(argv[i]));
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
    AggRow row;
    row.xml = text_of(argv[0]);
    for (int i = 2; i < argc; i += 2) {
        row.keys.push_back(order_key_of(argv[i]));
    }
    s->rows.push_back(std::move(row));
}

// The group's values in order; a group without values is NULL.
void xmlagg_final(sqlite3_context* ctx) {
    auto** slot = static_cast<AggState**>(sqlite3_aggregate_context(ctx, 0));
    if (!slot || !*slot) return sqlite3_result_null(ctx);
    AggState* s = *slot;
    *slot = nullptr;
    std::stable_sort(s->rows.begin(), s->rows.end(), [&](const AggRow& a, const AggRow& b) {
        return order_keys_before(s->order_flags, a.keys, b.keys);
    });
    if (s->rows.empty()) {
        sqlite3_result_null(ctx);
    } else {
        std::string xml;
        for (const AggRow& r : s->rows) xml += r.xml;
        result_text(ctx, xml);
    }
    delete s;
}

}  // namespace

std::string xml_escape(const std::string& s, bool attribute) {
    std::string r;
    r.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '&':
            r += "&amp;";
            break;
        case '<':
            r += "&lt;";
            break;
        case '>':
            r += "&gt;";
            break;
        case '"':
            r += attribute ? "&quot;" : "\"";
            break;
        default:
            r += c;
        }
    }
    return r;
}

bool xml_functions_register(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    struct Row {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    static const Row kRows[] = {
        {"vantro_xmlelement", -1, fn_xmlelement},     {"vantro_xmlforest", -1, fn_xmlforest},
        {"vantro_xmlconcat", -1, fn_xmlconcat},       {"vantro_xmlcomment", 1, fn_xmlcomment},
        {"vantro_xmlcdata", 1, fn_xmlcdata},          {"vantro_xmlpi", -1, fn_xmlpi},
        {"vantro_xmlserialize", -1, fn_xmlserialize},
    };
    for (const Row& r : kRows)
        if (sqlite3_create_function(db, r.name, r.args, flags, nullptr, r.fn, nullptr, nullptr) != SQLITE_OK)
            return false;
    return sqlite3_create_function(db, "vantro_xmlagg", -1, SQLITE_UTF8, nullptr, nullptr, xmlagg_step, xmlagg_final) ==
           SQLITE_OK;
}
