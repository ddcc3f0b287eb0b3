// The grammar of the SQL/XML generation functions: XMLELEMENT with its name (NAME name,
// "name" or name) and XMLATTRIBUTES, XMLFOREST, XMLAGG with its ORDER BY, XMLCONCAT,
// XMLCOMMENT, XMLCDATA, XMLPI and XMLSERIALIZE. The calls become Function nodes carrying
// XmlClauses; the translator gives them their meaning. The XMLTYPE functions and the
// XPath ones are known names refused with ORA-03001 rather than taken for unknown ones.
#include "sql/sql_parser.h"

#include <cstdlib>
#include <cstring>

namespace sql_grammar {

namespace {

// The functions this grammar reads, and those it refuses.
const char* const kXmlFunctions[] = {"XMLELEMENT", "XMLFOREST", "XMLAGG", "XMLCONCAT",
                                     "XMLCOMMENT", "XMLCDATA",  "XMLPI",  "XMLSERIALIZE"};
const char* const kXmlRefused[] = {"XMLTYPE",        "EXTRACTVALUE", "EXISTSNODE",   "XMLQUERY",  "XMLPARSE",
                                   "XMLROOT",        "XMLSEQUENCE",  "XMLCOLATTVAL", "XMLEXISTS", "XMLCAST",
                                   "UPDATEXML",      "XMLTRANSFORM", "XMLISVALID",   "DELETEXML", "INSERTCHILDXML",
                                   "APPENDCHILDXML", "XMLDIFF",      "XMLPATCH"};

bool listed(const char* const* begin, const char* const* end, const std::string& name) {
    for (const char* const* n = begin; n != end; ++n)
        if (name == *n) return true;
    return false;
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
    if (f == "XMLELEMENT" || f == "XMLPI") {
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
        if (is_word("ENCODING") || is_word("VERSION") || is_word("INDENT") || is_word("HIDE") || is_word("SHOW"))
            return fail(3001, ": XMLSERIALIZE " + cur().text);
        if (is_word("NO") && peek().text == "INDENT") p_ += 2;
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
    return true;
}

}  // namespace sql_grammar
