// Methods of schema-level object types: a type's MEMBER, STATIC and CONSTRUCTOR
// subprograms are compiled and run as the subprograms of a package of the type's name.
// The type's declaration (CREATE TYPE) gives the package header (one heading per method; SELF is
// the explicit first parameter of member methods, IN for functions and IN OUT for
// procedures and constructors) and the type body gives the package body, rewritten in
// place so that its lines stay where they were. Compile errors are placed back in the
// source they came from. This file runs nothing; the package machinery does.
#include "plsql/plsql_type_bodies.h"
#include "values/errors.h"

#include <algorithm>

namespace {

std::string type_quoted(const std::string& name) {
    return "\"" + name + "\"";
}

// One change of the body's text: removed bytes at `at` (in the original) replaced.
struct TypeBodyEdit {
    std::uint32_t at = 0;
    std::uint32_t removed = 0;
    std::string inserted;
};

// The heading of method m as a package subprogram of type `type`.
std::string type_method_heading(const std::string& source, const TypeMethodDecl& m, const std::string& type) {
    using Kind = TypeMethodDecl::Kind;
    std::string params;
    if (m.params_begin)
        params = source.substr(m.params_begin + 1, m.params_end - 1 - (m.params_begin + 1));
    std::string self;
    if (m.kind != Kind::Static && !m.explicit_self)
        self = std::string("SELF ") + (m.function && m.kind != Kind::Constructor ? "IN " : "IN OUT ") +
               type_quoted(type);
    if (!self.empty()) params = params.empty() ? self : self + ", " + params;
    std::string out = (m.function ? "FUNCTION " : "PROCEDURE ") + type_quoted(m.name);
    if (!params.empty()) out += "(" + params + ")";
    if (m.kind == Kind::Constructor)
        out += " RETURN " + type_quoted(type);
    else if (m.return_begin)
        out += " RETURN " + source.substr(m.return_begin, m.return_end - m.return_begin);
    return out;
}

// Whether two declarations are the same method: name, kind and parameter count.
bool type_same_method(const TypeMethodDecl& a, const TypeMethodDecl& b) {
    auto explicit_params = [](const TypeMethodDecl& m) { return m.params.size() - (m.explicit_self ? 1 : 0); };
    return a.name == b.name && a.function == b.function && (a.kind == TypeMethodDecl::Kind::Static) ==
           (b.kind == TypeMethodDecl::Kind::Static) && explicit_params(a) == explicit_params(b);
}

bool type_word(const std::vector<Token>& t, std::size_t k, const char* w) {
    return k < t.size() && t[k].kind == TokenKind::Word && t[k].text == w;
}

bool type_op(const std::vector<Token>& t, std::size_t k, const char* o) {
    return k < t.size() && t[k].kind == TokenKind::Operator && t[k].text == o;
}

// Byte offset of (line, column) in text, 1-based.
std::uint32_t type_offset_of(const std::string& text, int line, int column) {
    std::size_t pos = 0;
    for (int l = 1; l < line && pos < text.size(); ++l) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) return static_cast<std::uint32_t>(text.size());
        pos = nl + 1;
    }
    pos += static_cast<std::size_t>(column > 0 ? column - 1 : 0);
    return static_cast<std::uint32_t>(std::min(pos, text.size()));
}

// The method declarations of a type body, read as the parts the rewriting changes.
struct TypeBodyMethod {
    TypeMethodDecl decl;
    std::size_t first = 0;  // token of MAP/ORDER/.../MEMBER|STATIC|CONSTRUCTOR
    std::size_t kind_token = 0;
    std::size_t name_token = 0;
    std::size_t last = 0;  // token where the next method (or the body's END) begins
};

// Reads the methods of a type body's tokens: each begins with MEMBER, STATIC or
// CONSTRUCTOR followed by FUNCTION or PROCEDURE (MEMBER OF is an operator).
std::vector<TypeBodyMethod> type_body_methods(const std::vector<Token>& t) {
    std::vector<TypeBodyMethod> out;
    for (std::size_t k = 0; k + 2 < t.size(); ++k) {
        const bool kind = type_word(t, k, "MEMBER") || type_word(t, k, "STATIC") || type_word(t, k, "CONSTRUCTOR");
        if (!kind || !(type_word(t, k + 1, "FUNCTION") || type_word(t, k + 1, "PROCEDURE"))) continue;
        TypeBodyMethod m;
        m.kind_token = k;
        m.first = k;
        while (m.first > 0 && t[m.first - 1].kind == TokenKind::Word &&
               (t[m.first - 1].text == "MAP" || t[m.first - 1].text == "ORDER" ||
                t[m.first - 1].text == "OVERRIDING" || t[m.first - 1].text == "FINAL" ||
                t[m.first - 1].text == "INSTANTIABLE" || t[m.first - 1].text == "NOT"))
            --m.first;
        for (std::size_t j = m.first; j < k; ++j) {
            if (t[j].text == "MAP") m.decl.map = true;
            if (t[j].text == "ORDER") m.decl.order = true;
        }
        m.decl.kind = t[k].text == "STATIC"        ? TypeMethodDecl::Kind::Static
                      : t[k].text == "CONSTRUCTOR" ? TypeMethodDecl::Kind::Constructor
                                                   : TypeMethodDecl::Kind::Member;
        m.decl.function = t[k + 1].text == "FUNCTION";
        m.name_token = k + 2;
        m.decl.name = t[k + 2].text;
        m.decl.offset = t[m.first].offset;
        m.decl.name_offset = t[k + 2].offset;
        std::size_t j = k + 3;
        if (type_op(t, j, "(")) {
            int depth = 0;
            bool fresh = true;
            for (++j; j < t.size() && t[j].kind != TokenKind::End && !(depth == 0 && type_op(t, j, ")")); ++j) {
                if (type_op(t, j, "(")) ++depth;
                else if (type_op(t, j, ")")) --depth;
                else if (depth == 0 && type_op(t, j, ",")) fresh = true;
                else if (depth == 0 && fresh) {
                    m.decl.params.push_back(t[j].text);
                    fresh = false;
                }
            }
        }
        m.decl.explicit_self = !m.decl.params.empty() && m.decl.params[0] == "SELF";
        out.push_back(m);
    }
    for (std::size_t k = 0; k < out.size(); ++k) out[k].last = k + 1 < out.size() ? out[k + 1].first : t.size();
    return out;
}

}  // namespace

bool plsql_type_package(const std::string& type_source, const std::string& body_source, PlTypePackage* out,
                        std::vector<PlCompileError>* errors) {
    ObjectTypeDecl decl;
    TypeDetails details;
    if (!sql_parse_type_details(type_source, &decl, &details) || decl.kind != ObjectTypeDecl::Kind::Object)
        return false;
    out->type_name = decl.name;
    out->methods = details.declared;
    out->header = "PACKAGE " + type_quoted(decl.name) + " AS\n";
    out->heading_lines.clear();
    for (const TypeMethodDecl& m : details.declared) {
        out->heading_lines.push_back(1 + static_cast<int>(std::count(out->header.begin(), out->header.end(), '\n')));
        out->header += type_method_heading(type_source, m, decl.name) + ";\n";
    }
    out->header += "END;\n";
    out->body.clear();
    out->edits.clear();
    if (body_source.empty()) return true;
    std::vector<Token> t;
    OraError err;
    if (!sql_tokenize(body_source, &t, &err)) return false;
    std::vector<TypeBodyEdit> edits;
    auto blank = [&](std::size_t k) {
        edits.push_back({t[k].offset, t[k].end - t[k].offset, std::string(t[k].end - t[k].offset, ' ')});
    };
    if (!t.empty() && type_word(t, 0, "TYPE") && type_word(t, 1, "BODY")) edits.push_back({t[0].offset, 4, "PACKAGE"});
    for (const TypeBodyMethod& bm : type_body_methods(t)) {
        // Every method of the body must be one the type declares.
        bool declared = false;
        for (const TypeMethodDecl& m : details.declared) declared = declared || type_same_method(m, bm.decl);
        if (!declared) {
            // Reported, and compiled on as a subprogram of the body alone.
            PlCompileError e;
            plsql_position(body_source, bm.decl.name_offset, &e.line, &e.column);
            e.text = pls_message(539, bm.decl.name);
            errors->push_back(e);
        }
        for (std::size_t k = bm.first; k <= bm.kind_token; ++k) blank(k);
        const std::size_t after_name = bm.name_token + 1;
        const bool constructor = bm.decl.kind == TypeMethodDecl::Kind::Constructor;
        if (bm.decl.kind != TypeMethodDecl::Kind::Static && !bm.decl.explicit_self) {
            const std::string self = std::string("SELF ") +
                                     (bm.decl.function && !constructor ? "IN " : "IN OUT ") +
                                     type_quoted(decl.name);
            if (type_op(t, after_name, "(")) {
                const bool empty_list = type_op(t, after_name + 1, ")");
                edits.push_back({t[after_name].end, 0, self + (empty_list ? "" : ", ")});
            } else {
                edits.push_back({t[bm.name_token].end, 0, "(" + self + ")"});
            }
        }
        if (bm.decl.kind != TypeMethodDecl::Kind::Static) {
            // A member procedure called alone as a statement is called on SELF.
            for (std::size_t k = after_name + 1; k + 1 < bm.last; ++k) {
                if (t[k].kind != TokenKind::Word || !(type_op(t, k + 1, "(") || type_op(t, k + 1, ";"))) continue;
                const bool statement_start = type_op(t, k - 1, ";") || type_word(t, k - 1, "BEGIN") ||
                                             type_word(t, k - 1, "THEN") || type_word(t, k - 1, "ELSE") ||
                                             type_word(t, k - 1, "LOOP");
                bool procedure = false;
                for (const TypeMethodDecl& m : details.declared)
                    procedure = procedure || (m.name == t[k].text && !m.function && m.kind == TypeMethodDecl::Kind::Member);
                if (statement_start && procedure) edits.push_back({t[k].offset, 0, "SELF."});
            }
        }
        if (!constructor) continue;
        // RETURN SELF AS RESULT names the type; RETURN alone gives SELF back.
        for (std::size_t k = after_name; k + 3 < bm.last; ++k) {
            if (type_word(t, k, "RETURN") && type_word(t, k + 1, "SELF") && type_word(t, k + 2, "AS") &&
                type_word(t, k + 3, "RESULT")) {
                edits.push_back({t[k + 1].offset, t[k + 3].end - t[k + 1].offset, type_quoted(decl.name)});
                for (std::size_t j = k + 4; j + 1 < bm.last; ++j)
                    if (type_word(t, j, "RETURN") && type_op(t, j + 1, ";")) edits.push_back({t[j].end, 0, " SELF"});
                break;
            }
        }
    }
    std::sort(edits.begin(), edits.end(), [](const TypeBodyEdit& a, const TypeBodyEdit& b) { return a.at < b.at; });
    std::uint32_t pos = 0;
    for (const TypeBodyEdit& e : edits) {
        if (e.at < pos) continue;
        out->body += body_source.substr(pos, e.at - pos);
        out->edits.push_back({static_cast<std::uint32_t>(out->body.size()), e.removed,
                              static_cast<std::uint32_t>(e.inserted.size())});
        out->body += e.inserted;
        pos = e.at + e.removed;
    }
    out->body += body_source.substr(pos);
    return true;
}

void plsql_type_errors_home(const PlTypePackage& pkg, const std::string& type_source, const std::string& body_source,
                            bool in_body, std::vector<PlCompileError>* errors) {
    for (PlCompileError& e : *errors) {
        // A heading missing from the body is the type's declared method, named so.
        const std::string undefined = pls_message(323);
        const bool missing = e.text.compare(0, 10, undefined, 0, 10) == 0;
        if (missing) {
            const std::size_t q = e.text.find('\'');
            const std::size_t q2 = q == std::string::npos ? q : e.text.find('\'', q + 1);
            if (q2 != std::string::npos) e.text = pls_message(538, e.text.substr(q + 1, q2 - q - 1));
        }
        if (!in_body || missing) {
            // The method whose heading the header line is in.
            std::size_t k = 0;
            while (k + 1 < pkg.heading_lines.size() && pkg.heading_lines[k + 1] <= e.line) ++k;
            if (k < pkg.methods.size() && e.line >= pkg.heading_lines[k])
                plsql_position(type_source, pkg.methods[k].offset, &e.line, &e.column);
            else
                e.line = e.column = 1;
            continue;
        }
        // The body's position before the rewriting moved it.
        std::uint32_t at = type_offset_of(pkg.body, e.line, e.column);
        std::int64_t shift = 0;
        for (const PlTypeEdit& ed : pkg.edits) {
            if (ed.at >= at) break;
            if (at < ed.at + ed.inserted) {
                at = ed.at;
                break;
            }
            shift += static_cast<std::int64_t>(ed.inserted) - static_cast<std::int64_t>(ed.removed);
        }
        const std::int64_t original = std::max<std::int64_t>(0, static_cast<std::int64_t>(at) - shift);
        plsql_position(body_source, static_cast<std::uint32_t>(std::min<std::int64_t>(original, body_source.size())),
                       &e.line, &e.column);
    }
}

bool plsql_compile_type(const std::string& type_source, const std::string& body_source, const PlCompileContext& ctx,
                        const std::string& name, PlProgram* program) {
    // PL/SQL holds objects of NUMBER, VARCHAR2 and CHAR attributes only: another type's
    // methods are not compiled, and so are not there to be called.
    ObjectTypeDecl decl;
    if (!sql_parse_type_declaration(type_source, &decl) || decl.kind != ObjectTypeDecl::Kind::Object) return true;
    for (const ColumnDef& a : decl.attributes)
        if (a.user_type || (a.type.code != kTypeNumber && a.type.code != kTypeVarchar2 && a.type.code != kTypeChar &&
                            a.type.code != kTypeDate && a.type.code != kTypeTimestamp))
            return true;
    PlTypePackage pkg;
    std::vector<PlCompileError> errors;
    if (!plsql_type_package(type_source, body_source, &pkg, &errors)) return body_source.empty();
    PlCompileContext c = ctx;
    c.object_type = ctx.schema + "." + name;
    if (body_source.empty()) {
        plsql_compile_package(pkg.header, "", c, program);
        plsql_type_errors_home(pkg, type_source, body_source, false, &program->errors);
        return program->errors.empty();
    }
    {
        PlProgram header;
        if (!plsql_compile_package(pkg.header, "", c, &header)) {
            program->errors.push_back(PlCompileError{1, 1, pls_message(905, c.object_type)});
            return false;
        }
    }
    plsql_compile_package(pkg.header, pkg.body, c, program);
    plsql_type_errors_home(pkg, type_source, body_source, true, &program->errors);
    // Each method the type does not declare is placed among the others by its line.
    for (const PlCompileError& e : errors) {
        auto at = std::find_if(program->errors.begin(), program->errors.end(),
                               [&](const PlCompileError& x) { return x.line > e.line; });
        program->errors.insert(at, e);
    }
    return program->errors.empty();
}
