// XPath 1.0: a tokenizer, a recursive-descent parser into a small tree of nodes kept in
// a vector, and an evaluator over it. Chains of one operator (a or b or c ..., a | b |
// c ...) are one node with many operands, so that only parentheses and predicates add
// depth, and those are capped.
#include "values/xml_xpath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

enum class Tok { Name, Star, Literal, Number, Op, OpName, End };

struct Token {
    Tok kind = Tok::End;
    std::string text;
    double number = 0;
};

bool name_start(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool name_char(unsigned char c) {
    return name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Splits s into tokens; '*' and the operator names are told apart from names by the
// token before them, as XPath's lexical rules say.
bool tokenize(const std::string& s, std::vector<Token>* out) {
    std::size_t p = 0;
    auto operator_expected = [&]() {
        if (out->empty()) return false;
        const Token& t = out->back();
        if (t.kind == Tok::OpName || t.kind == Tok::End) return false;
        if (t.kind == Tok::Op) return t.text == ")" || t.text == "]" || t.text == "." || t.text == "..";
        return true;
    };
    while (p < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[p]);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++p;
            continue;
        }
        Token t;
        if (c == '"' || c == '\'') {
            std::size_t close = s.find(static_cast<char>(c), p + 1);
            if (close == std::string::npos) return false;
            t.kind = Tok::Literal;
            t.text = s.substr(p + 1, close - p - 1);
            p = close + 1;
        } else if ((c >= '0' && c <= '9') || (c == '.' && p + 1 < s.size() && s[p + 1] >= '0' && s[p + 1] <= '9')) {
            std::size_t start = p;
            while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p;
            if (p < s.size() && s[p] == '.') {
                ++p;
                while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p;
            }
            t.kind = Tok::Number;
            t.text = s.substr(start, p - start);
            t.number = std::strtod(t.text.c_str(), nullptr);
        } else if (c == '*') {
            t.kind = operator_expected() ? Tok::OpName : Tok::Star;
            t.text = "*";
            ++p;
        } else if (name_start(c)) {
            std::size_t start = p;
            while (p < s.size() && name_char(static_cast<unsigned char>(s[p]))) ++p;
            // A QName (prefix:local) or prefix:*; an axis name keeps its :: apart.
            if (p + 1 < s.size() && s[p] == ':' && s[p + 1] != ':') {
                if (s[p + 1] == '*') {
                    p += 2;
                } else if (name_start(static_cast<unsigned char>(s[p + 1]))) {
                    ++p;
                    while (p < s.size() && name_char(static_cast<unsigned char>(s[p]))) ++p;
                } else {
                    return false;
                }
            }
            t.text = s.substr(start, p - start);
            bool op_word = t.text == "and" || t.text == "or" || t.text == "mod" || t.text == "div";
            t.kind = op_word && operator_expected() ? Tok::OpName : Tok::Name;
        } else {
            static const char* const kOps[] = {"//", "..", "::", "!=", "<=", ">=", "/", "[", "]", "(", ")",
                                               "@",  ",",  "|",  "+",  "-",  "=",  "<", ">", ".", "$"};
            bool found = false;
            for (const char* op : kOps) {
                std::size_t n = std::char_traits<char>::length(op);
                if (s.compare(p, n, op) == 0) {
                    t.kind = Tok::Op;
                    t.text = op;
                    p += n;
                    found = true;
                    break;
                }
            }
            if (!found) return false;
            if (t.text == "$") return false;  // variables are not supported
        }
        out->push_back(std::move(t));
    }
    out->push_back(Token{});
    return true;
}

enum class Op {
    Or,
    And,
    Compare,  // args with ops between them: = != < <= > >=
    Arith,    // args with ops between them: + - * div mod
    Negate,
    Union,
    Literal,
    Number,
    Function,
    Path,
};

enum class Axis {
    Child,
    Descendant,
    DescendantOrSelf,
    Self,
    Parent,
    Attribute,
    Ancestor,
    AncestorOrSelf,
    FollowingSibling,
    PrecedingSibling
};
enum class Test { Name, Any, Prefix, Text, Node, Comment, Pi };

struct Step {
    Axis axis = Axis::Child;
    Test test = Test::Name;
    std::string name;   // Name: the qualified name; Prefix: the prefix; Pi: the target or empty
    std::string uri;    // Name, Prefix: the namespace URI the name's prefix stands for
    std::string local;  // Name: the local part
    std::vector<int> predicates;
};

struct PNode {
    Op op = Op::Literal;
    std::string text;  // Literal; Function: its name
    double number = 0;
    std::vector<int> args;
    std::vector<std::string> ops;  // Compare, Arith: the operator before each operand after the first
    // Path: starts at the root (absolute), at a filter expression (filter >= 0, with its
    // predicates), or at the context node; then its steps.
    bool absolute = false;
    int filter = -1;
    std::vector<int> filter_predicates;
    std::vector<Step> steps;
};

struct FunctionInfo {
    const char* name;
    int min_args, max_args;  // max -1: any number
};

const FunctionInfo kFunctions[] = {
    {"last", 0, 0},       {"position", 0, 0},      {"count", 1, 1},         {"name", 0, 1},
    {"local-name", 0, 1}, {"string", 0, 1},        {"number", 0, 1},        {"boolean", 1, 1},
    {"not", 1, 1},        {"true", 0, 0},          {"false", 0, 0},         {"concat", 2, -1},
    {"contains", 2, 2},   {"starts-with", 2, 2},   {"string-length", 0, 1}, {"normalize-space", 0, 1},
    {"sum", 1, 1},        {"namespace-uri", 0, 1},
};

class XPathParser {
public:
    XPathParser(const std::vector<Token>& t, std::vector<PNode>* nodes) : t_(t), nodes_(nodes) {}

    bool parse(int* root) { return expr(root) && t_[p_].kind == Tok::End; }

private:
    const Token& cur() const { return t_[p_]; }
    bool is_op(const char* op) const { return cur().kind == Tok::Op && cur().text == op; }
    bool is_opname(const char* op) const { return cur().kind == Tok::OpName && cur().text == op; }
    int add(PNode n) {
        nodes_->push_back(std::move(n));
        return static_cast<int>(nodes_->size()) - 1;
    }

    bool expr(int* out) {
        if (++depth_ > kXPathMaxDepth) return false;
        bool ok = chain(out, 0);
        --depth_;
        return ok;
    }

    // Level 0 or, 1 and, 2 equality, 3 relational, 4 additive, 5 multiplicative.
    bool chain(int* out, int level) {
        if (level == 6) return unary(out);
        int first = 0;
        if (!chain(&first, level + 1)) return false;
        PNode n;
        n.op = level == 0 ? Op::Or : level == 1 ? Op::And : level <= 3 ? Op::Compare : Op::Arith;
        n.args.push_back(first);
        for (;;) {
            std::string op;
            if (level == 0 && is_opname("or")) op = "or";
            if (level == 1 && is_opname("and")) op = "and";
            if (level == 2 && (is_op("=") || is_op("!="))) op = cur().text;
            if (level == 3 && (is_op("<") || is_op("<=") || is_op(">") || is_op(">="))) op = cur().text;
            if (level == 4 && (is_op("+") || is_op("-"))) op = cur().text;
            if (level == 5 && (is_opname("*") || is_opname("div") || is_opname("mod"))) op = cur().text;
            if (op.empty()) break;
            ++p_;
            int next = 0;
            if (!chain(&next, level + 1)) return false;
            n.args.push_back(next);
            n.ops.push_back(op);
        }
        if (n.args.size() == 1) {
            *out = first;
            return true;
        }
        // Relational and equality operators of one chain stay at their own level.
        *out = add(std::move(n));
        return true;
    }

    bool unary(int* out) {
        if (is_op("-")) {
            ++p_;
            int v = 0;
            if (++depth_ > kXPathMaxDepth || !unary(&v)) return false;
            --depth_;
            PNode n;
            n.op = Op::Negate;
            n.args.push_back(v);
            *out = add(std::move(n));
            return true;
        }
        int first = 0;
        if (!path_expr(&first)) return false;
        if (!is_op("|")) {
            *out = first;
            return true;
        }
        PNode n;
        n.op = Op::Union;
        n.args.push_back(first);
        while (is_op("|")) {
            ++p_;
            int next = 0;
            if (!path_expr(&next)) return false;
            n.args.push_back(next);
        }
        *out = add(std::move(n));
        return true;
    }

    bool node_type_name(const std::string& s) const {
        return s == "text" || s == "node" || s == "comment" || s == "processing-instruction";
    }

    bool path_expr(int* out) {
        PNode n;
        n.op = Op::Path;
        const Token& t = cur();
        bool primary =
            t.kind == Tok::Literal || t.kind == Tok::Number || (t.kind == Tok::Op && t.text == "(") ||
            (t.kind == Tok::Name && t_[p_ + 1].kind == Tok::Op && t_[p_ + 1].text == "(" && !node_type_name(t.text));
        if (primary) {
            int prim = 0;
            if (!primary_expr(&prim)) return false;
            if (!is_op("[") && !is_op("/") && !is_op("//")) {
                *out = prim;
                return true;
            }
            n.filter = prim;
            if (!predicates(&n.filter_predicates)) return false;
            if (is_op("/") || is_op("//")) {
                if (!relative_path(&n, true)) return false;
            }
            *out = add(std::move(n));
            return true;
        }
        if (is_op("/")) {
            ++p_;
            n.absolute = true;
            if (step_start()) {
                if (!relative_path(&n, false)) return false;
            }
            *out = add(std::move(n));
            return true;
        }
        if (is_op("//")) {
            n.absolute = true;
            if (!relative_path(&n, true)) return false;
            *out = add(std::move(n));
            return true;
        }
        if (!step_start()) return false;
        if (!relative_path(&n, false)) return false;
        *out = add(std::move(n));
        return true;
    }

    bool step_start() const {
        const Token& t = cur();
        return t.kind == Tok::Name || t.kind == Tok::Star ||
               (t.kind == Tok::Op && (t.text == "@" || t.text == "." || t.text == ".."));
    }

    // Steps separated by / and //; with a separator first when leading is set.
    bool relative_path(PNode* n, bool leading) {
        bool first = !leading;
        for (;;) {
            if (!first) {
                if (is_op("//")) {
                    Step any;
                    any.axis = Axis::DescendantOrSelf;
                    any.test = Test::Node;
                    n->steps.push_back(any);
                } else if (!is_op("/")) {
                    return true;
                }
                ++p_;
            }
            first = false;
            Step s;
            if (!step(&s)) return false;
            n->steps.push_back(std::move(s));
        }
    }

    bool step(Step* s) {
        if (is_op(".") || is_op("..")) {
            s->axis = is_op(".") ? Axis::Self : Axis::Parent;
            s->test = Test::Node;
            ++p_;
            return true;
        }
        if (is_op("@")) {
            s->axis = Axis::Attribute;
            ++p_;
        } else if (cur().kind == Tok::Name && t_[p_ + 1].kind == Tok::Op && t_[p_ + 1].text == "::") {
            static const std::pair<const char*, Axis> kAxes[] = {
                {"child", Axis::Child},
                {"descendant", Axis::Descendant},
                {"descendant-or-self", Axis::DescendantOrSelf},
                {"self", Axis::Self},
                {"parent", Axis::Parent},
                {"attribute", Axis::Attribute},
                {"ancestor", Axis::Ancestor},
                {"ancestor-or-self", Axis::AncestorOrSelf},
                {"following-sibling", Axis::FollowingSibling},
                {"preceding-sibling", Axis::PrecedingSibling},
            };
            bool found = false;
            for (const auto& a : kAxes)
                if (cur().text == a.first) {
                    s->axis = a.second;
                    found = true;
                }
            if (!found) return false;
            p_ += 2;
        }
        const Token& t = cur();
        if (t.kind == Tok::Star) {
            s->test = Test::Any;
            ++p_;
        } else if (t.kind == Tok::Name) {
            if (node_type_name(t.text) && t_[p_ + 1].kind == Tok::Op && t_[p_ + 1].text == "(") {
                s->test = t.text == "text"      ? Test::Text
                          : t.text == "node"    ? Test::Node
                          : t.text == "comment" ? Test::Comment
                                                : Test::Pi;
                p_ += 2;
                if (s->test == Test::Pi && cur().kind == Tok::Literal) {
                    s->name = cur().text;
                    ++p_;
                }
                if (!is_op(")")) return false;
                ++p_;
            } else if (t.text.size() > 2 && t.text.compare(t.text.size() - 2, 2, ":*") == 0) {
                s->test = Test::Prefix;
                s->name = t.text.substr(0, t.text.size() - 2);
                ++p_;
            } else {
                s->test = Test::Name;
                s->name = t.text;
                ++p_;
            }
        } else {
            return false;
        }
        return predicates(&s->predicates);
    }

    bool predicates(std::vector<int>* out) {
        while (is_op("[")) {
            ++p_;
            int e = 0;
            if (!expr(&e)) return false;
            if (!is_op("]")) return false;
            ++p_;
            out->push_back(e);
        }
        return true;
    }

    bool primary_expr(int* out) {
        const Token& t = cur();
        PNode n;
        if (t.kind == Tok::Literal) {
            n.op = Op::Literal;
            n.text = t.text;
            ++p_;
        } else if (t.kind == Tok::Number) {
            n.op = Op::Number;
            n.number = t.number;
            ++p_;
        } else if (is_op("(")) {
            ++p_;
            if (!expr(out)) return false;
            if (!is_op(")")) return false;
            ++p_;
            return true;
        } else {
            n.op = Op::Function;
            n.text = t.text;
            const FunctionInfo* f = nullptr;
            for (const FunctionInfo& k : kFunctions)
                if (n.text == k.name) f = &k;
            if (!f) return false;
            p_ += 2;
            if (!is_op(")")) {
                do {
                    int a = 0;
                    if (!expr(&a)) return false;
                    n.args.push_back(a);
                    if (!is_op(",")) break;
                    ++p_;
                } while (true);
            }
            if (!is_op(")")) return false;
            ++p_;
            int count = static_cast<int>(n.args.size());
            if (count < f->min_args || (f->max_args >= 0 && count > f->max_args)) return false;
        }
        *out = add(std::move(n));
        return true;
    }

    const std::vector<Token>& t_;
    std::vector<PNode>* nodes_;
    std::size_t p_ = 0;
    int depth_ = 0;
};

struct Compiled {
    std::vector<PNode> nodes;
    int root = 0;
};

// Resolves each name test's prefix to the URI ns maps it to; false with *failure set for
// a prefix ns does not map.
bool resolve_names(Compiled* c, const XPathNamespaces& ns, XPathFailure* failure) {
    for (PNode& n : c->nodes)
        for (Step& s : n.steps) {
            if (s.test != Test::Name && s.test != Test::Prefix) continue;
            std::string prefix = s.test == Test::Prefix ? s.name : xml_prefix(s.name);
            s.local = xml_local_name(s.name);
            if (prefix.empty()) {
                // The default element namespace applies to elements, not attributes.
                if (s.axis != Axis::Attribute) s.uri = ns.default_uri;
                continue;
            }
            if (prefix == "xml") {
                s.uri = "http://www.w3.org/XML/1998/namespace";
                continue;
            }
            bool found = false;
            for (const auto& m : ns.prefixes)
                if (m.first == prefix) {
                    s.uri = m.second;
                    found = true;
                }
            if (!found) {
                if (failure) *failure = XPathFailure{prefix, s.name};
                return false;
            }
        }
    return true;
}

// Parses path; with ns, also resolves its prefixes.
bool compile(const std::string& path, Compiled* c, const XPathNamespaces* ns = nullptr,
             XPathFailure* failure = nullptr) {
    if (path.empty() || path.size() > kXPathMaxLength) return false;
    std::vector<Token> tokens;
    if (!tokenize(path, &tokens)) return false;
    return XPathParser(tokens, &c->nodes).parse(&c->root) && (!ns || resolve_names(c, *ns, failure));
}

bool is_namespace_declaration(const std::string& name) {
    return name == "xmlns" || name.compare(0, 6, "xmlns:") == 0;
}

class Evaluator {
public:
    Evaluator(const Compiled& c, const XmlDocument& doc) : c_(c), doc_(doc) {}

    XPathValue eval(int i, int node, std::size_t position, std::size_t size) {
        const PNode& n = c_.nodes[static_cast<std::size_t>(i)];
        XPathValue v;
        switch (n.op) {
        case Op::Or:
        case Op::And: {
            bool want = n.op == Op::Or;
            v.kind = XPathValue::Kind::Boolean;
            v.boolean = !want;
            for (int a : n.args)
                if (boolean(eval(a, node, position, size)) == want) {
                    v.boolean = want;
                    break;
                }
            return v;
        }
        case Op::Compare: {
            XPathValue left = eval(n.args[0], node, position, size);
            for (std::size_t k = 1; k < n.args.size(); ++k) {
                XPathValue right = eval(n.args[k], node, position, size);
                XPathValue b;
                b.kind = XPathValue::Kind::Boolean;
                b.boolean = compare(left, right, n.ops[k - 1]);
                left = std::move(b);
            }
            return left;
        }
        case Op::Arith: {
            double acc = number(eval(n.args[0], node, position, size));
            for (std::size_t k = 1; k < n.args.size(); ++k) {
                double r = number(eval(n.args[k], node, position, size));
                const std::string& op = n.ops[k - 1];
                acc = op == "+"     ? acc + r
                      : op == "-"   ? acc - r
                      : op == "*"   ? acc * r
                      : op == "div" ? acc / r
                                    : std::fmod(acc, r);
            }
            v.kind = XPathValue::Kind::Number;
            v.number = acc;
            return v;
        }
        case Op::Negate:
            v.kind = XPathValue::Kind::Number;
            v.number = -number(eval(n.args[0], node, position, size));
            return v;
        case Op::Union: {
            for (int a : n.args) {
                XPathValue part = eval(a, node, position, size);
                if (part.kind != XPathValue::Kind::Nodes) {
                    failed_ = true;
                    return v;
                }
                v.nodes.insert(v.nodes.end(), part.nodes.begin(), part.nodes.end());
            }
            normalise(&v.nodes);
            return v;
        }
        case Op::Literal:
            v.kind = XPathValue::Kind::String;
            v.string = n.text;
            return v;
        case Op::Number:
            v.kind = XPathValue::Kind::Number;
            v.number = n.number;
            return v;
        case Op::Function:
            return function(n, node, position, size);
        case Op::Path:
            return path(n, node, position, size);
        }
        return v;
    }

    bool failed() const { return failed_; }

    std::string string(const XPathValue& v) {
        switch (v.kind) {
        case XPathValue::Kind::Nodes:
            return v.nodes.empty() ? std::string() : xml_string_value(doc_, v.nodes[0]);
        case XPathValue::Kind::String:
            return v.string;
        case XPathValue::Kind::Number:
            return xpath_number_text(v.number);
        case XPathValue::Kind::Boolean:
            return v.boolean ? "true" : "false";
        }
        return {};
    }

private:
    static void normalise(std::vector<int>* nodes) {
        std::sort(nodes->begin(), nodes->end());
        nodes->erase(std::unique(nodes->begin(), nodes->end()), nodes->end());
    }

    const XmlNode& at(int i) const { return doc_.nodes[static_cast<std::size_t>(i)]; }

    bool boolean(const XPathValue& v) {
        switch (v.kind) {
        case XPathValue::Kind::Nodes:
            return !v.nodes.empty();
        case XPathValue::Kind::String:
            return !v.string.empty();
        case XPathValue::Kind::Number:
            return v.number != 0 && !std::isnan(v.number);
        case XPathValue::Kind::Boolean:
            return v.boolean;
        }
        return false;
    }

    double number(const XPathValue& v) {
        switch (v.kind) {
        case XPathValue::Kind::Number:
            return v.number;
        case XPathValue::Kind::Boolean:
            return v.boolean ? 1 : 0;
        case XPathValue::Kind::Nodes:
        case XPathValue::Kind::String:
            break;
        }
        return xpath_number_of_text(string(v));
    }

    static bool compare_numbers(double a, double b, const std::string& op) {
        if (op == "=") return a == b;
        if (op == "!=") return a != b;
        if (op == "<") return a < b;
        if (op == "<=") return a <= b;
        if (op == ">") return a > b;
        return a >= b;
    }

    // XPath's comparison: node-sets compare by any member's string value.
    bool compare(const XPathValue& a, const XPathValue& b, const std::string& op) {
        using K = XPathValue::Kind;
        bool equality = op == "=" || op == "!=";
        if (a.kind == K::Nodes || b.kind == K::Nodes) {
            if (a.kind == K::Nodes && b.kind == K::Nodes) {
                for (int x : a.nodes) {
                    std::string sx = xml_string_value(doc_, x);
                    for (int y : b.nodes) {
                        std::string sy = xml_string_value(doc_, y);
                        if (equality ? ((sx == sy) == (op == "="))
                                     : compare_numbers(xpath_number_of_text(sx), xpath_number_of_text(sy), op))
                            return true;
                    }
                }
                return false;
            }
            bool nodes_left = a.kind == K::Nodes;
            const XPathValue& set = nodes_left ? a : b;
            const XPathValue& other = nodes_left ? b : a;
            if (other.kind == K::Boolean) {
                bool x = boolean(set), y = other.boolean;
                if (equality) return (x == y) == (op == "=");
                return nodes_left ? compare_numbers(x, y, op) : compare_numbers(y, x, op);
            }
            for (int n : set.nodes) {
                std::string s = xml_string_value(doc_, n);
                bool hit;
                if (other.kind == K::Number || !equality) {
                    double x = xpath_number_of_text(s), y = number(other);
                    hit = nodes_left ? compare_numbers(x, y, op) : compare_numbers(y, x, op);
                } else {
                    hit = (s == other.string) == (op == "=");
                }
                if (hit) return true;
            }
            return false;
        }
        if (equality) {
            bool eq;
            if (a.kind == K::Boolean || b.kind == K::Boolean)
                eq = boolean(a) == boolean(b);
            else if (a.kind == K::Number || b.kind == K::Number)
                eq = number(a) == number(b);
            else
                eq = string(a) == string(b);
            return eq == (op == "=");
        }
        return compare_numbers(number(a), number(b), op);
    }

    // The node-set argument k of a function (a value of another kind is an error).
    const std::vector<int>* node_arg(const PNode& n, std::size_t k, int node, std::size_t position, std::size_t size,
                                     XPathValue* hold) {
        *hold = eval(n.args[k], node, position, size);
        if (hold->kind != XPathValue::Kind::Nodes) {
            failed_ = true;
            return nullptr;
        }
        return &hold->nodes;
    }

    XPathValue function(const PNode& n, int node, std::size_t position, std::size_t size) {
        const std::string& f = n.text;
        XPathValue v;
        auto number_result = [&](double d) {
            v.kind = XPathValue::Kind::Number;
            v.number = d;
            return v;
        };
        auto string_result = [&](std::string s) {
            v.kind = XPathValue::Kind::String;
            v.string = std::move(s);
            return v;
        };
        auto bool_result = [&](bool b) {
            v.kind = XPathValue::Kind::Boolean;
            v.boolean = b;
            return v;
        };
        auto string_arg = [&](std::size_t k) {
            if (k >= n.args.size()) return xml_string_value(doc_, node);
            return string(eval(n.args[k], node, position, size));
        };
        if (f == "last") return number_result(static_cast<double>(size));
        if (f == "position") return number_result(static_cast<double>(position));
        if (f == "true" || f == "false") return bool_result(f == "true");
        if (f == "count" || f == "sum") {
            XPathValue hold;
            const std::vector<int>* set = node_arg(n, 0, node, position, size, &hold);
            if (!set) return v;
            if (f == "count") return number_result(static_cast<double>(set->size()));
            double total = 0;
            for (int k : *set) total += xpath_number_of_text(xml_string_value(doc_, k));
            return number_result(total);
        }
        if (f == "name" || f == "local-name" || f == "namespace-uri") {
            int target = node;
            XPathValue hold;
            if (!n.args.empty()) {
                const std::vector<int>* set = node_arg(n, 0, node, position, size, &hold);
                if (!set) return v;
                if (set->empty()) return string_result({});
                target = set->front();
            }
            const XmlNode& t = at(target);
            std::string name =
                t.kind == XmlNodeKind::Element || t.kind == XmlNodeKind::Attribute || t.kind == XmlNodeKind::Pi
                    ? t.name
                    : std::string();
            if (f == "namespace-uri") {
                bool named = t.kind == XmlNodeKind::Element || t.kind == XmlNodeKind::Attribute;
                return string_result(named && (t.uri.empty() || t.uri[0] != kXmlUnboundPrefix) ? t.uri : std::string());
            }
            return string_result(f == "name" ? name : xml_local_name(name));
        }
        if (f == "string") return string_result(string_arg(0));
        if (f == "number") {
            if (n.args.empty()) return number_result(xpath_number_of_text(xml_string_value(doc_, node)));
            return number_result(number(eval(n.args[0], node, position, size)));
        }
        if (f == "boolean") return bool_result(boolean(eval(n.args[0], node, position, size)));
        if (f == "not") return bool_result(!boolean(eval(n.args[0], node, position, size)));
        if (f == "concat") {
            std::string s;
            for (std::size_t k = 0; k < n.args.size(); ++k) s += string_arg(k);
            return string_result(s);
        }
        if (f == "contains") return bool_result(string_arg(0).find(string_arg(1)) != std::string::npos);
        if (f == "starts-with") return bool_result(string_arg(0).compare(0, string_arg(1).size(), string_arg(1)) == 0);
        if (f == "string-length") {
            std::string s = string_arg(0);
            std::size_t chars = 0;
            for (unsigned char c : s)
                if ((c & 0xC0) != 0x80) ++chars;
            return number_result(static_cast<double>(chars));
        }
        // normalize-space
        std::string s = string_arg(0), out;
        bool pending = false;
        for (char c : s) {
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                pending = !out.empty();
            } else {
                if (pending) out += ' ';
                pending = false;
                out += c;
            }
        }
        return string_result(out);
    }

    bool test(const Step& s, int i) const {
        const XmlNode& n = at(i);
        bool principal = s.axis == Axis::Attribute ? n.kind == XmlNodeKind::Attribute : n.kind == XmlNodeKind::Element;
        if (n.kind == XmlNodeKind::Attribute && is_namespace_declaration(n.name)) return false;
        switch (s.test) {
        case Test::Name:
            return principal && n.uri == s.uri && xml_local_name(n.name) == s.local;
        case Test::Any:
            return principal;
        case Test::Prefix:
            return principal && n.uri == s.uri;
        case Test::Text:
            return n.kind == XmlNodeKind::Text;
        case Test::Node:
            return true;
        case Test::Comment:
            return n.kind == XmlNodeKind::Comment;
        case Test::Pi:
            return n.kind == XmlNodeKind::Pi && (s.name.empty() || n.name == s.name);
        }
        return false;
    }

    // The nodes of the axis from node i, in the axis's order (reverse axes nearest first).
    void axis_nodes(Axis axis, int i, std::vector<int>* out) const {
        const XmlNode& n = at(i);
        switch (axis) {
        case Axis::Child:
            *out = n.children;
            return;
        case Axis::Attribute:
            *out = n.attributes;
            return;
        case Axis::Self:
            out->push_back(i);
            return;
        case Axis::Parent:
            if (n.parent >= 0) out->push_back(n.parent);
            return;
        case Axis::DescendantOrSelf:
        case Axis::Descendant:
            if (axis == Axis::DescendantOrSelf) out->push_back(i);
            if (n.kind == XmlNodeKind::Attribute) return;
            for (int k = i + 1; k < n.end; ++k)
                if (at(k).kind != XmlNodeKind::Attribute) out->push_back(k);
            return;
        case Axis::AncestorOrSelf:
        case Axis::Ancestor:
            if (axis == Axis::AncestorOrSelf) out->push_back(i);
            for (int p = n.parent; p >= 0; p = at(p).parent) out->push_back(p);
            return;
        case Axis::FollowingSibling:
        case Axis::PrecedingSibling: {
            if (n.parent < 0 || n.kind == XmlNodeKind::Attribute) return;
            const std::vector<int>& sib = at(n.parent).children;
            auto self = std::find(sib.begin(), sib.end(), i);
            if (axis == Axis::FollowingSibling)
                out->insert(out->end(), self + 1, sib.end());
            else
                for (auto it = self; it != sib.begin();) out->push_back(*--it);
            return;
        }
        }
    }

    // Keeps the nodes for which each predicate holds, position by position.
    void filter(const std::vector<int>& predicates, std::vector<int>* nodes) {
        for (int pred : predicates) {
            std::vector<int> kept;
            for (std::size_t k = 0; k < nodes->size() && !failed_; ++k) {
                XPathValue r = eval(pred, (*nodes)[k], k + 1, nodes->size());
                bool keep = r.kind == XPathValue::Kind::Number ? r.number == static_cast<double>(k + 1) : boolean(r);
                if (keep) kept.push_back((*nodes)[k]);
            }
            *nodes = std::move(kept);
        }
    }

    XPathValue path(const PNode& n, int node, std::size_t position, std::size_t size) {
        XPathValue v;
        std::vector<int> current;
        if (n.filter >= 0) {
            XPathValue start = eval(n.filter, node, position, size);
            if (start.kind != XPathValue::Kind::Nodes) {
                if (n.filter_predicates.empty() && n.steps.empty()) return start;
                failed_ = true;
                return v;
            }
            current = std::move(start.nodes);
            filter(n.filter_predicates, &current);
        } else {
            current.push_back(n.absolute ? 0 : node);
        }
        for (const Step& s : n.steps) {
            std::vector<int> next;
            for (int c : current) {
                std::vector<int> candidates, matched;
                axis_nodes(s.axis, c, &candidates);
                for (int k : candidates)
                    if (test(s, k)) matched.push_back(k);
                filter(s.predicates, &matched);
                next.insert(next.end(), matched.begin(), matched.end());
                if (failed_) return v;
            }
            normalise(&next);
            current = std::move(next);
        }
        v.nodes = std::move(current);
        return v;
    }

    const Compiled& c_;
    const XmlDocument& doc_;
    bool failed_ = false;
};

}  // namespace

bool xpath_valid(const std::string& path) {
    Compiled c;
    return compile(path, &c);
}

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A quoted literal at text[*p]: its content, *p past it.
bool quoted(const std::string& text, std::size_t* p, std::string* out) {
    if (*p >= text.size() || (text[*p] != '"' && text[*p] != '\'')) return false;
    std::size_t close = text.find(text[*p], *p + 1);
    if (close == std::string::npos) return false;
    *out = text.substr(*p + 1, close - *p - 1);
    *p = close + 1;
    return true;
}

void skip_blanks(const std::string& text, std::size_t* p) {
    while (*p < text.size() && blank(text[*p])) ++*p;
}

// The NCName at text[*p] (letters, digits, - _ .), *p past it.
std::string ncname(const std::string& text, std::size_t* p) {
    std::size_t start = *p;
    while (*p < text.size() && name_char(static_cast<unsigned char>(text[*p]))) ++*p;
    if (start == *p || !name_start(static_cast<unsigned char>(text[start]))) return {};
    return text.substr(start, *p - start);
}

// Maps prefix (empty: the default namespace) to uri; a later mapping replaces an earlier.
void map_prefix(const std::string& prefix, const std::string& uri, XPathNamespaces* out) {
    if (prefix.empty()) {
        out->default_uri = uri;
        return;
    }
    for (auto& m : out->prefixes)
        if (m.first == prefix) {
            m.second = uri;
            return;
        }
    out->prefixes.emplace_back(prefix, uri);
}

}  // namespace

bool xpath_namespace_mappings(const std::string& text, XPathNamespaces* out) {
    std::size_t p = 0;
    skip_blanks(text, &p);
    if (p == text.size()) return false;
    while (p < text.size()) {
        if (text.compare(p, 5, "xmlns") != 0) return false;
        p += 5;
        std::string prefix;
        if (p < text.size() && text[p] == ':') {
            ++p;
            prefix = ncname(text, &p);
            if (prefix.empty() || prefix == "xmlns") return false;
        }
        skip_blanks(text, &p);
        if (p >= text.size() || text[p] != '=') return false;
        ++p;
        skip_blanks(text, &p);
        std::string uri;
        if (!quoted(text, &p, &uri)) return false;
        if (!prefix.empty() && uri.empty()) return false;
        map_prefix(prefix, uri, out);
        std::size_t before = p;
        skip_blanks(text, &p);
        if (p < text.size() && p == before) return false;
    }
    return true;
}

bool xquery_prolog(const std::string& query, XPathNamespaces* out, std::string* rest) {
    std::size_t p = 0;
    for (;;) {
        skip_blanks(query, &p);
        std::size_t start = p;
        if (ncname(query, &p) != "declare" || p >= query.size() || !blank(query[p])) {
            *rest = query.substr(start);
            return true;
        }
        skip_blanks(query, &p);
        std::string word = ncname(query, &p), prefix, uri;
        skip_blanks(query, &p);
        if (word == "namespace") {
            prefix = ncname(query, &p);
            if (prefix.empty()) return false;
            skip_blanks(query, &p);
            if (p >= query.size() || query[p] != '=') return false;
            ++p;
        } else if (word == "default") {
            if (ncname(query, &p) != "element") return false;
            skip_blanks(query, &p);
            if (ncname(query, &p) != "namespace") return false;
        } else {
            return false;
        }
        skip_blanks(query, &p);
        if (!quoted(query, &p, &uri)) return false;
        skip_blanks(query, &p);
        if (p >= query.size() || query[p] != ';') return false;
        ++p;
        map_prefix(prefix, uri, out);
    }
}

bool xpath_evaluate(const std::string& path, const XmlDocument& doc, int context, XPathValue* out,
                    const XPathNamespaces& ns, XPathFailure* failure) {
    Compiled c;
    if (!compile(path, &c, &ns, failure)) return false;
    Evaluator e(c, doc);
    *out = e.eval(c.root, context, 1, 1);
    return !e.failed();
}

std::string xpath_string(const XmlDocument& doc, const XPathValue& v) {
    switch (v.kind) {
    case XPathValue::Kind::Nodes:
        return v.nodes.empty() ? std::string() : xml_string_value(doc, v.nodes[0]);
    case XPathValue::Kind::String:
        return v.string;
    case XPathValue::Kind::Number:
        return xpath_number_text(v.number);
    case XPathValue::Kind::Boolean:
        return v.boolean ? "true" : "false";
    }
    return {};
}

double xpath_number_of_text(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r\n");
    std::size_t e = s.find_last_not_of(" \t\r\n");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (b == std::string::npos) return nan;
    std::string t = s.substr(b, e - b + 1);
    std::size_t i = t[0] == '-' ? 1 : 0;
    bool digits = false, dot = false;
    for (std::size_t k = i; k < t.size(); ++k) {
        if (t[k] >= '0' && t[k] <= '9')
            digits = true;
        else if (t[k] == '.' && !dot)
            dot = true;
        else
            return nan;
    }
    return digits ? std::strtod(t.c_str(), nullptr) : nan;
}

std::string xpath_number_text(double d) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    if (d == 0) return "0";
    char buf[64];
    if (d == std::floor(d) && std::fabs(d) < 1e18) {
        std::snprintf(buf, sizeof buf, "%.0f", d);
        return buf;
    }
    // The shortest text that reads back as d, written without an exponent.
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, d);
        if (std::strtod(buf, nullptr) == d) break;
    }
    std::string g = buf;
    if (g.find('e') == std::string::npos) return g;
    int places = 0;
    double a = std::fabs(d);
    while (a < 1 && places < 340) {
        a *= 10;
        ++places;
    }
    std::snprintf(buf, sizeof buf, "%.*f", std::min(places + 17, 60), d);
    std::string f = buf;
    if (f.find('.') != std::string::npos) {
        while (!f.empty() && f.back() == '0') f.pop_back();
        if (!f.empty() && f.back() == '.') f.pop_back();
    }
    return f;
}
