// The grammar of the SQL/XML functions: the generation functions XMLELEMENT with its
// name (NAME name, "name" or name) and XMLATTRIBUTES, XMLFOREST, XMLAGG with its ORDER BY,
// XMLCONCAT, XMLCOMMENT, XMLCDATA, XMLPI and XMLSERIALIZE; the XMLTYPE constructor
// (XMLTYPE(text), XMLTYPE.CREATEXML(text), XMLPARSE) and its methods; the XPath functions
// EXTRACT, EXTRACTVALUE, EXISTSNODE, XMLQUERY, XMLEXISTS and XMLCAST; and XMLTABLE in FROM.
// The calls become Function nodes carrying XmlClauses; the translator gives them their
// meaning. The other XML functions are known names refused with ORA-03001 rather than
// taken for unknown ones.
#include "sql/sql_parser.h"

#include <cstdlib>
#include <cstring>

namespace sql_grammar {

namespace {

// The functions this grammar reads, and those it refuses.
const char* const kXmlFunctions[] = {
    "XMLELEMENT", "XMLFOREST",      "XMLAGG",         "XMLCONCAT",       "XMLCOMMENT",    "XMLCDATA",
    "XMLPI",      "XMLSERIALIZE",   "XMLTYPE",        "XMLPARSE",        "EXTRACTVALUE",  "EXISTSNODE",
    "XMLQUERY",   "XMLEXISTS",      "XMLCAST",        "XMLSEQUENCE",     "XMLROOT",       "UPDATEXML",
    "DELETEXML",  "INSERTCHILDXML", "APPENDCHILDXML", "INSERTXMLBEFORE", "INSERTXMLAFTER"};
const char* const kXmlRefused[] = {"XMLCOLATTVAL", "XMLTRANSFORM", "XMLISVALID", "XMLDIFF", "XMLPATCH", "XMLTABLE"};
// The functions that change a copy of an XML value; their arguments are plain values.
const char* const kXmlModifying[] = {"UPDATEXML",      "DELETEXML",       "INSERTCHILDXML",
                                     "APPENDCHILDXML", "INSERTXMLBEFORE", "INSERTXMLAFTER"};
// The methods of an XMLTYPE value, called value.method(...).
const char* const kXmlMethods[] = {"GETCLOBVAL", "GETSTRINGVAL", "GETNUMBERVAL", "EXTRACT", "EXISTSNODE"};

bool listed(const char* const* begin, const char* const* end, const std::string& name) {
    for (const char* const* n = begin; n != end; ++n)
        if (name == *n) return true;
    return false;
}

bool xml_method_name(const std::string& name) {
    return listed(std::begin(kXmlMethods), std::end(kXmlMethods), name);
}

}  // namespace

bool xml_function_name(const std::string& name) {
    return listed(std::begin(kXmlFunctions), std::end(kXmlFunctions), name) ||
           listed(std::begin(kXmlRefused), std::end(kXmlRefused), name);
}

// value [AS alias], ... up to the closing parenthesis of XMLATTRIBUTES or XMLFOREST. An
// unaliased column is named by its column name; any other value must be aliased
// (ORA-19208).
bool Parser::xml_named_list(Expr* e, const char* function) {
    do {
        ExprPtr value;
        std::uint32_t at = cur().offset;
        if (!expr(&value)) return false;
        std::string name;
        if (accept_word("AS")) {
            if (is_word("EVALNAME")) return fail(3001, ": EVALNAME");
            if (!identifier(&name)) return fail(cur().kind == TokenKind::End ? 907 : 931);
        } else if (value->kind == ExprKind::Column) {
            name = value->path.back();
        } else {
            if (!failed_) {
                *err_ = ora_error(19208, std::to_string(e->xml->names.size() + 1), function);
                err_->offset = at;
                failed_ = true;
            }
            return false;
        }
        e->xml->names.push_back(name);
        e->args.push_back(std::move(value));
    } while (accept_op(","));
    return true;
}

bool Parser::xml_function(ExprPtr* out) {
    if (listed(std::begin(kXmlRefused), std::end(kXmlRefused), cur().text)) return fail(3001, ": " + cur().text);
    ExprPtr e = make(ExprKind::Function, cur().offset);
    e->text = cur().text;
    e->xml.reset(new XmlClauses);
    XmlClauses& x = *e->xml;
    const std::string& f = e->text;
    p_ += 2;
    if (++depth_ > kMaxDepth) return too_deep();
    if (f == "XMLTYPE" || f == "XMLPARSE" || f == "EXTRACTVALUE" || f == "EXISTSNODE" || f == "XMLSEQUENCE" ||
        listed(std::begin(kXmlModifying), std::end(kXmlModifying), f)) {
        // XMLPARSE(DOCUMENT | CONTENT text [WELLFORMED]); the others take plain values.
        if (f == "XMLPARSE") {
            if (accept_word("DOCUMENT"))
                x.document = true;
            else if (!expect_word("CONTENT", 905))
                return false;
        } else {
            x.document = true;
        }
        do {
            ExprPtr value;
            if (!expr(&value)) return false;
            e->args.push_back(std::move(value));
        } while (f != "XMLPARSE" && accept_op(","));
        if (f == "XMLPARSE") accept_word("WELLFORMED");
    } else if (f == "XMLQUERY" || f == "XMLEXISTS") {
        if (!xml_passing(e.get())) return false;
        if (f == "XMLQUERY") {
            if (!expect_word("RETURNING", 905) || !expect_word("CONTENT", 905)) return false;
            if (is_word("NULL") && peek().text == "ON") {
                p_ += 2;
                if (!expect_word("EMPTY", 905)) return false;
            }
        }
    } else if (f == "XMLROOT") {
        // XMLROOT(value, VERSION text | NO VALUE [, STANDALONE YES | NO | NO VALUE]): the
        // arguments are the value, the version (NULL for none) and 'yes', 'no' or NULL.
        ExprPtr value;
        if (!expr(&value)) return false;
        e->args.push_back(std::move(value));
        if (!expect_op(",", 907) || !(accept_word("VERSION") || fail(2000, "VERSION"))) return false;
        if (is_word("NO") && peek().text == "VALUE") {
            e->args.push_back(make(ExprKind::Null, cur().offset));
            p_ += 2;
        } else {
            ExprPtr version;
            if (!expr(&version)) return false;
            e->args.push_back(std::move(version));
        }
        ExprPtr standalone = make(ExprKind::Null, cur().offset);
        if (accept_op(",")) {
            if (!(accept_word("STANDALONE") || fail(2000, "STANDALONE"))) return false;
            standalone = make(ExprKind::String, cur().offset);
            if (accept_word("YES")) {
                standalone->text = "yes";
            } else if (is_word("NO") && peek().text == "VALUE") {
                standalone = make(ExprKind::Null, cur().offset);
                p_ += 2;
            } else if (accept_word("NO") || fail(2000, "NO")) {
                standalone->text = "no";
            } else {
                return false;
            }
        }
        e->args.push_back(std::move(standalone));
    } else if (f == "XMLCAST") {
        ExprPtr value;
        if (!expr(&value)) return false;
        e->args.push_back(std::move(value));
        if (!expect_word("AS", 905)) return false;
        const std::string function = f;
        if (!cast_type(e.get())) return false;
        x.name = e->text;
        e->text = function;
    } else if (f == "XMLELEMENT" || f == "XMLPI") {
        // [NAME] name: a quoted name keeps its case, a plain one is upper case.
        if (f == "XMLELEMENT" && (is_word("ENTITYESCAPING") || is_word("NOENTITYESCAPING")))
            return fail(3001, ": " + cur().text);
        if (is_word("EVALNAME")) return fail(3001, ": EVALNAME");
        if (is_word("NAME") && (peek().kind == TokenKind::Word || peek().kind == TokenKind::QuotedWord)) ++p_;
        if (!identifier(&x.name)) return fail(931);
        if (f == "XMLELEMENT" && accept_op(",")) {
            bool first = true;
            do {
                if (first && is_word("XMLATTRIBUTES") && peek().text == "(") {
                    p_ += 2;
                    if (!xml_named_list(e.get(), "XMLATTRIBUTES")) return false;
                    if (!expect_op(")", 907)) return false;
                    x.attributes = e->args.size();
                } else {
                    ExprPtr value;
                    if (!expr(&value)) return false;
                    // An alias of a content value names nothing in the element.
                    if (accept_word("AS")) {
                        std::string ignored;
                        if (!identifier(&ignored)) return fail(931);
                    }
                    e->args.push_back(std::move(value));
                }
                first = false;
            } while (accept_op(","));
        } else if (f == "XMLPI" && accept_op(",")) {
            ExprPtr value;
            if (!expr(&value)) return false;
            e->args.push_back(std::move(value));
        }
    } else if (f == "XMLFOREST") {
        if (!xml_named_list(e.get(), "XMLFOREST")) return false;
    } else if (f == "XMLSERIALIZE") {
        if (accept_word("DOCUMENT"))
            x.document = true;
        else if (!expect_word("CONTENT", 905))
            return false;
        ExprPtr value;
        if (!expr(&value)) return false;
        e->args.push_back(std::move(value));
        if (accept_word("AS")) {
            if (accept_word("CLOB")) {
            } else if (accept_word("VARCHAR2")) {
                x.clob = false;
                if (!expect_op("(", 906)) return false;
                long n = std::atol(cur().text.c_str());
                if (cur().kind != TokenKind::Number ||
                    cur().text.find_first_not_of("0123456789") != std::string::npos || n < 1 || n > 4000)
                    return fail(910);
                x.size = static_cast<std::uint32_t>(n);
                ++p_;
                if (!accept_word("BYTE")) accept_word("CHAR");
                if (!expect_op(")", 907)) return false;
            } else {
                return fail(3001, ": XMLSERIALIZE AS " + cur().text);
            }
        }
        if (is_word("ENCODING") || is_word("VERSION") || is_word("HIDE") || is_word("SHOW"))
            return fail(3001, ": XMLSERIALIZE " + cur().text);
        if (is_word("NO") && peek().text == "INDENT") {
            p_ += 2;
        } else if (is_word("INDENT")) {
            // INDENT [SIZE = n]: the second argument, the spaces per level (2 by default).
            ExprPtr size = make(ExprKind::Number, cur().offset);
            size->text = "2";
            ++p_;
            if (accept_word("SIZE")) {
                if (!expect_op("=", 905)) return false;
                long n = std::atol(cur().text.c_str());
                if (cur().kind != TokenKind::Number ||
                    cur().text.find_first_not_of("0123456789") != std::string::npos || n > 32767)
                    return fail(cur().kind == TokenKind::Number ? 1426 : 936);
                size->text = std::to_string(n);
                ++p_;
            }
            e->args.push_back(std::move(size));
        }
    } else {
        // XMLAGG, XMLCONCAT, XMLCOMMENT and XMLCDATA take plain values.
        do {
            ExprPtr value;
            if (!expr(&value)) return false;
            e->args.push_back(std::move(value));
        } while (f == "XMLCONCAT" && accept_op(","));
        if (f == "XMLAGG" && is_word("ORDER") && peek().text == "BY") {
            p_ += 2;
            e->extras.reset(new CallExtras);
            if (!order_list(&e->extras->within)) return false;
        }
    }
    --depth_;
    if (!expect_op(")", 907)) return false;
    e->end = prev_end();
    *out = std::move(e);
    return xml_method_suffix(out);
}

// 'path' [PASSING [BY VALUE] value [AS name]]: the path (a text literal) and the value
// become the call's first two arguments (a NULL value when PASSING is left out).
bool Parser::xml_passing(Expr* e) {
    if (cur().kind != TokenKind::String) return fail(cur().kind == TokenKind::End ? 936 : 19102);
    ExprPtr path = make(ExprKind::String, cur().offset);
    path->text = cur().text;
    ++p_;
    path->end = prev_end();
    e->args.push_back(std::move(path));
    if (accept_word("PASSING")) {
        if (is_word("BY") && peek().text == "VALUE") p_ += 2;
        ExprPtr value;
        if (!expr(&value)) return false;
        if (is_word("AS") || is_op(",")) return fail(3001, ": XQuery variables");
        e->args.push_back(std::move(value));
    } else {
        e->args.push_back(make(ExprKind::Null, cur().offset));
    }
    return true;
}

// XMLNAMESPACES('uri' AS prefix | DEFAULT 'uri', ...): the declarations of an XQuery
// prolog, which the row path carries to the query (and so to the column paths).
bool Parser::xml_namespaces(std::string* prolog) {
    p_ += 2;
    bool seen_default = false;
    do {
        bool is_default = accept_word("DEFAULT");
        if (cur().kind != TokenKind::String) return fail(cur().kind == TokenKind::End ? 936 : 19102);
        std::string uri = cur().text;
        ++p_;
        const char quote = uri.find('"') == std::string::npos ? '"' : '\'';
        if (uri.find(quote) != std::string::npos) return fail(31013);
        if (is_default) {
            if (seen_default) return fail(31013);
            seen_default = true;
            *prolog += "declare default element namespace " + std::string(1, quote) + uri + quote + "; ";
            continue;
        }
        if (!expect_word("AS", 905)) return false;
        std::string prefix;
        if (!identifier(&prefix)) return fail(931);
        if (uri.empty()) return fail(31013);
        *prolog += "declare namespace " + prefix + " = " + std::string(1, quote) + uri + quote + "; ";
    } while (accept_op(","));
    return expect_op(")", 907);
}

// value.method(...) on an XMLTYPE value: a name path ending in a method (t.col.extract(p),
// XMLTYPE.CREATEXML(text)) becomes the method's call on the value the rest of the path
// names (the path is kept, for a package function of the same name); a method after a
// call applies to the call's value.
bool Parser::xml_method_suffix(ExprPtr* out) {
    Expr& call = **out;
    if (call.kind == ExprKind::Function && !call.xml && !call.over && !call.extras && call.path.size() > 1) {
        const std::string& last = call.path.back();
        bool create = last == "CREATEXML" && (call.path.size() == 2 ? call.path[0] == "XMLTYPE"
                                                                    : call.path.size() == 3 && call.path[0] == "SYS" &&
                                                                          call.path[1] == "XMLTYPE");
        if (create) {
            call.text = "XMLTYPE";
            call.path.clear();
            call.xml.reset(new XmlClauses);
            call.xml->document = true;
        } else if (xml_method_name(last) && call.field.empty()) {
            ExprPtr e = make(ExprKind::Function, call.offset);
            e->text = last;
            e->xml.reset(new XmlClauses);
            ExprPtr value = make(ExprKind::Column, call.offset);
            value->path.assign(call.path.begin(), call.path.end() - 1);
            value->path_offsets.assign(call.path_offsets.begin(), call.path_offsets.end() - 1);
            value->end = call.path_offsets.back() - 1;
            e->args.push_back(std::move(value));
            for (ExprPtr& a : call.args) e->args.push_back(std::move(a));
            e->path = call.path;
            e->path_offsets = call.path_offsets;
            e->end = call.end;
            *out = std::move(e);
        }
    }
    while (is_op(".") && peek().kind == TokenKind::Word && xml_method_name(peek().text) &&
           peek(2).kind == TokenKind::Operator && peek(2).text == "(") {
        ExprPtr e = make(ExprKind::Function, (*out)->offset);
        e->text = peek().text;
        e->xml.reset(new XmlClauses);
        e->args.push_back(std::move(*out));
        p_ += 2;
        if (!call_arguments(e.get())) return false;
        if (e->star || e->distinct || e->extras) return fail(936);
        if (!expect_op(")", 907)) return false;
        e->end = prev_end();
        *out = std::move(e);
    }
    return true;
}

// XMLTABLE('path' PASSING value COLUMNS name type PATH 'path' | name FOR ORDINALITY, ...)
// in FROM: a TABLE item whose value is the XMLTABLE call: its arguments are the row path,
// the value, then one Cast node per column (text: the name, cast_type: the type, args[0]:
// its path; star for FOR ORDINALITY; field "XMLTYPE" for an XMLTYPE column), and
// xml->names holds the names. Without COLUMNS the one column COLUMN_VALUE
// holds each row's node.
bool Parser::xml_table(FromItem* f) {
    f->table.name = "XMLTABLE";
    f->table.offset = f->table.name_offset = cur().offset;
    ExprPtr e = make(ExprKind::Function, cur().offset);
    e->text = "XMLTABLE";
    e->xml.reset(new XmlClauses);
    p_ += 2;
    std::string prolog;
    if (is_word("XMLNAMESPACES") && peek().text == "(") {
        if (!xml_namespaces(&prolog)) return false;
        if (!expect_op(",", 907)) return false;
    }
    if (!xml_passing(e.get())) return false;
    e->args[0]->text = prolog + e->args[0]->text;
    auto column = [&](const std::string& name, std::uint32_t at) {
        ExprPtr c = make(ExprKind::Cast, at);
        c->text = name;
        e->xml->names.push_back(name);
        return c;
    };
    if (accept_word("COLUMNS")) {
        do {
            std::uint32_t at = cur().offset;
            std::string name;
            if (!identifier(&name)) return fail(904, cur().text);
            ExprPtr c = column(name, at);
            if (accept_word("FOR")) {
                if (!expect_word("ORDINALITY", 905)) return false;
                c->star = true;
            } else {
                std::uint32_t type_at = cur().offset;
                if (accept_word("XMLTYPE")) {
                    c->cast_type.code = kTypeClob;
                    c->cast_type.size = 4000;
                    c->field = "XMLTYPE";
                } else {
                    if (!cast_type(c.get())) return false;
                    c->text = name;
                    std::uint16_t code = c->cast_type.code;
                    if (code != kTypeVarchar2 && code != kTypeNumber) {
                        *err_ = ora_error(3001, ": XMLTABLE column type");
                        err_->offset = type_at;
                        failed_ = true;
                        return false;
                    }
                }
                ExprPtr path;
                if (accept_word("PATH")) {
                    if (cur().kind != TokenKind::String) return fail(19102);
                    path = make(ExprKind::String, cur().offset);
                    path->text = cur().text;
                    ++p_;
                } else {
                    path = make(ExprKind::String, at);
                    path->text = name;
                }
                if (is_word("DEFAULT")) return fail(3001, ": XMLTABLE DEFAULT");
                c->args.push_back(std::move(path));
            }
            c->end = prev_end();
            e->args.push_back(std::move(c));
        } while (accept_op(","));
    } else {
        ExprPtr c = column("COLUMN_VALUE", cur().offset);
        c->cast_type.code = kTypeClob;
        c->cast_type.size = 4000;
        c->field = "XMLTYPE";
        ExprPtr path = make(ExprKind::String, cur().offset);
        path->text = ".";
        c->args.push_back(std::move(path));
        e->args.push_back(std::move(c));
    }
    if (!expect_op(")", 907)) return false;
    e->end = prev_end();
    f->collection = std::move(e);
    return true;
}

}  // namespace sql_grammar
