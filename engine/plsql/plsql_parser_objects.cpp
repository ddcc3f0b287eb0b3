// The PL/SQL parser's variables of schema-level object types. Such a variable holds its
// value the way SQL keeps one, as the constructor's text (NULL while the object is
// atomically null), so that it is bound to SQL, stored in and read from object columns
// as it is; its attributes are read in expressions through the translator's attribute
// reader and written by assignments that replace one item of the text.
#include "plsql/plsql_parser.h"

#include "values/errors.h"

namespace plsql_parsing {

bool Parser::object_type_decl(const std::string& qualified, ObjectTypeDecl* decl) const {
    const std::size_t dot = qualified.find('.');
    if (dot == std::string::npos || !ctx_.catalog) return false;
    const std::string owner = qualified.substr(0, dot), name = qualified.substr(dot + 1);
    std::string source;
    if (!ctx_.catalog->type_source(owner, name, &source) || !sql_parse_type_declaration(source, decl) ||
        decl->name != name || decl->kind != ObjectTypeDecl::Kind::Object)
        return false;
    for (const ColumnDef& a : decl->attributes) {
        const std::uint16_t c = a.type.code;
        if (a.user_type || (c != kTypeNumber && c != kTypeVarchar2 && c != kTypeChar && c != kTypeDate &&
                            c != kTypeTimestamp))
            return false;
    }
    return true;
}

bool Parser::object_type_spec(const std::string& first, OraType* type) {
    std::string owner = ctx_.schema, name = first;
    const bool qualified = is_op(".") && peek(1).kind == TokenKind::Word;
    if (qualified) {
        owner = first;
        name = peek(1).text;
    } else if (lookup(first)) {
        return false;
    }
    ObjectTypeDecl decl;
    if (!object_type_decl(owner + "." + name, &decl)) return false;
    if (qualified) i_ += 2;
    *type = OraType();
    type->code = kTypeObject;
    type->size = 32767;
    last_object_type_ = owner + "." + name;
    last_type_name_ = last_object_type_;
    prog_->references.insert(last_object_type_);
    return true;
}

bool Parser::object_variable(const std::string& name) const {
    const Symbol* s = lookup(name);
    if (!s || s->kind != SymKind::Var) return false;
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(s->index)];
    return v.collection == PlCollection::None && v.type.code == kTypeObject;
}

bool Parser::object_attribute_known(const std::string& object_type, const std::string& attribute,
                                    std::uint32_t offset) {
    ObjectTypeDecl decl;
    if (object_type_decl(object_type, &decl))
        for (const ColumnDef& a : decl.attributes)
            if (a.name == attribute) return true;
    semantic_error(offset, pls_message(302, attribute), expression_offset_);
    return false;
}

NameHook::Answer Parser::object_reference(const Expr& e, int slot, PlSql* q, NameResolution* out) {
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(slot)];
    if (e.path.size() > 2) return NameHook::Answer::NotMine;
    if (e.path.size() == 2) {
        // object.method: a member function of no arguments, called without parentheses.
        ObjectTypeDecl decl;
        bool attribute = false;
        if (object_type_decl(v.type_name, &decl))
            for (const ColumnDef& a : decl.attributes) attribute = attribute || a.name == e.path[1];
        if (!attribute && object_method_value(v.type_name, e.path[1], slot, q, out) == NameHook::Answer::Resolved)
            return NameHook::Answer::Resolved;
    }
    if (e.path.size() == 2 &&
        !object_attribute_known(v.type_name, e.path[1], e.path_offsets.size() > 1 ? e.path_offsets[1] : e.offset)) {
        out->sql = "NULL";
        out->type = OraType();
        return NameHook::Answer::Resolved;
    }
    PlRef r;
    r.slot = slot;
    OraType ty;
    ty.code = kTypeVarchar2;
    ty.size = 4000;
    out->bind = "#" + std::to_string(add_ref(q, r, ty));
    out->type = ty;
    out->object_type = v.type_name;
    if (e.path.size() == 2) {
        out->attribute = e.path[1];
        out->attribute_offset = e.path_offsets.size() > 1 ? e.path_offsets[1] : e.offset;
    }
    return NameHook::Answer::Resolved;
}

void Parser::object_attribute_target(const std::string& object_type, const Token& f,
                                     PlTarget* tg, std::uint32_t stmt_offset) {
    ObjectTypeDecl decl;
    if (object_type_decl(object_type, &decl))
        for (std::size_t k = 0; k < decl.attributes.size(); ++k)
            if (decl.attributes[k].name == f.text) {
                tg->attribute = static_cast<int>(k);
                tg->attribute_type = decl.attributes[k].type;
                return;
            }
    semantic_error(f.offset, pls_message(302, f.text), stmt_offset);
    // The statement is in error already: its value is not checked again.
    tg->attribute = 0;
    tg->attribute_type.code = kTypeVarchar2;
    tg->attribute_type.size = 4000;
}

void Parser::object_value_check(const PlVarInfo& info, bool element, const PlSql* q, std::size_t value_at,
                                std::size_t value_end, std::uint32_t so) {
    if (q->tr.columns.empty()) return;
    std::string want;
    if (element) {
        if (info.record_elements()) return;
        if (info.type.code == kTypeObject) want = info.element_type;
    } else {
        // Whole collections and records are checked where they are assigned.
        if (info.collection != PlCollection::None || !info.fields.empty()) return;
        if (info.type.code == kTypeObject) want = info.type_name;
    }
    const std::string& got = q->tr.columns[0].object_type;
    const bool null_value =
        value_end == value_at + 1 && t_[value_at].kind == TokenKind::Word && t_[value_at].text == "NULL";
    if (null_value || got == want) return;
    // Values SQL types otherwise (XMLTYPE, whole collections) are left to their own rules.
    ObjectTypeDecl decl;
    if (want.empty() && !object_type_decl(got, &decl)) return;
    semantic_error(t_[value_at].offset, pls_message(382), so);
}

bool Parser::type_methods(const std::string& qualified, TypeDetails* details) const {
    const std::size_t dot = qualified.find('.');
    if (dot == std::string::npos || !ctx_.catalog) return false;
    std::string source;
    ObjectTypeDecl decl;
    return ctx_.catalog->type_source(qualified.substr(0, dot), qualified.substr(dot + 1), &source) &&
           sql_parse_type_details(source, &decl, details) && decl.kind == ObjectTypeDecl::Kind::Object;
}

int Parser::self_slot() const {
    if (ctx_.object_type.empty()) return -1;
    const Symbol* s = lookup("SELF");
    if (!s || s->kind != SymKind::Var) return -1;
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(s->index)];
    return v.collection == PlCollection::None && v.type.code == kTypeObject && v.type_name == ctx_.object_type
               ? s->index
               : -1;
}

bool Parser::self_attribute(const std::string& name) const {
    if (self_slot() < 0) return false;
    ObjectTypeDecl decl;
    if (!object_type_decl(ctx_.object_type, &decl)) return false;
    for (const ColumnDef& a : decl.attributes)
        if (a.name == name) return true;
    return false;
}

NameHook::Answer Parser::object_method_call(Expr& e, std::vector<std::string>* path, NameResolution* out,
                                            const PlVarInfo* package_object) {
    // The object is path[0], or path[0].path[1] for a package's variable or a record's field.
    const PlVarInfo& v =
        package_object ? *package_object : prog_->vars[static_cast<std::size_t>(lookup((*path)[0])->index)];
    const std::size_t parts = package_object ? 2 : 1;
    const std::string method = (*path)[parts];
    const std::size_t dot = v.type_name.find('.');
    TypeDetails details;
    bool declared = false;
    if (type_methods(v.type_name, &details))
        for (const TypeMethodDecl& m : details.declared)
            declared = declared || (m.name == method && m.kind == TypeMethodDecl::Kind::Member);
    if (!declared) {
        semantic_error(e.path_offsets.size() > parts ? e.path_offsets[parts] : e.offset, pls_message(302, method),
                       expression_offset_);
        out->sql = "NULL";
        out->type = OraType();
        return NameHook::Answer::Resolved;
    }
    auto object = std::make_unique<Expr>();
    object->kind = ExprKind::Column;
    object->path.assign(path->begin(), path->begin() + static_cast<std::ptrdiff_t>(parts));
    object->offset = e.path_offsets.empty() ? e.offset : e.path_offsets[0];
    for (std::size_t k = 0; k < parts; ++k)
        object->path_offsets.push_back(k < e.path_offsets.size() ? e.path_offsets[k] : object->offset);
    object->end = parts < e.path_offsets.size() ? e.path_offsets[parts] - 1
                                                : object->offset + static_cast<std::uint32_t>((*path)[0].size());
    e.args.insert(e.args.begin(), std::move(object));
    *path = {v.type_name.substr(0, dot), v.type_name.substr(dot + 1), method};
    return NameHook::Answer::NotMine;
}

bool Parser::method_wrap(const std::string& object_type, const std::string& method, NameResolution* out) {
    TypeDetails details;
    if (!type_methods(object_type, &details)) return false;
    for (const TypeMethodDecl& m : details.declared) {
        if (m.name != method || !m.function || m.kind != TypeMethodDecl::Kind::Member || !m.takes(0)) continue;
        const std::size_t dot = object_type.find('.');
        OraType ret;
        std::string result_object;
        if (!ctx_.db ||
            !plsql_function_lookup(ctx_.db, object_type.substr(0, dot), object_type.substr(dot + 1) + "." + method,
                                   &ret, &result_object))
            return false;
        out->wrap_open =
            "vantro_plsql_call('" + object_type.substr(0, dot) + "','" + object_type.substr(dot + 1) + "." + method + "',";
        out->wrap_close = ")";
        out->type = ret;
        out->object_type = result_object;
        out->attribute.clear();
        prog_->references.insert(object_type);
        return true;
    }
    return false;
}

NameHook::Answer Parser::object_method_value(const std::string& object_type, const std::string& method, int slot,
                                             PlSql* q, NameResolution* out) {
    NameResolution call;
    if (!method_wrap(object_type, method, &call)) return NameHook::Answer::NotMine;
    PlRef r;
    r.slot = slot;
    OraType ty;
    ty.code = kTypeVarchar2;
    ty.size = 4000;
    call.bind = "#" + std::to_string(add_ref(q, r, ty));
    *out = call;
    return NameHook::Answer::Resolved;
}

}  // namespace plsql_parsing
