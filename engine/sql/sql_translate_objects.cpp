// Schema-level object and collection types in SQL: columns of such a type, the types'
// constructors and the attributes of an object column. A value is kept as its
// constructor's text (values/sql_objects.cpp); the type itself is read from its
// CREATE TYPE source each time a statement names it.
#include "values/errors.h"
#include "sql/sql_text.h"
#include "sql/sql_translator.h"
#include "sql/sql_type_details.h"

std::string family_name(const OraType& t);

namespace {

// The item kind vantro_object takes for an attribute or element of type c; empty when
// the engine keeps no such attribute (other object types, LOBs, a collection's dates ...).
std::string item_kind(const ColumnDef& c, bool attribute) {
    if (c.user_type) return {};
    if (c.type.code == kTypeNumber) return "N";
    if (c.type.code == kTypeVarchar2 || c.type.code == kTypeChar)
        return "S" + std::to_string(c.type.size) + (c.type.char_used || c.type.national ? "C" : "");
    // An object's date or timestamp is kept as the text SQL stores it as (collections of
    // dates are not made).
    if (attribute && (c.type.code == kTypeDate || c.type.code == kTypeTimestamp)) return "S64";
    return {};
}

std::string kinds_of(const ObjectTypeDecl& decl) {
    // The elements of a collection of an object type are the objects' constructor texts.
    if (decl.kind != ObjectTypeDecl::Kind::Object) return decl.element.user_type ? "O" : item_kind(decl.element, false);
    std::string kinds;
    for (const ColumnDef& a : decl.attributes) {
        std::string k = item_kind(a, true);
        if (k.empty()) return {};
        kinds += (kinds.empty() ? "" : ",") + k;
    }
    return kinds;
}

void split_type(const std::string& object_type, std::string* owner, std::string* name) {
    std::size_t dot = object_type.find('.');
    *owner = object_type.substr(0, dot);
    *name = dot == std::string::npos ? std::string() : object_type.substr(dot + 1);
}

// The collection types SYS supplies, as their CREATE TYPE would declare them.
struct SuppliedType {
    const char* name;
    const char* source;
};

const SuppliedType kSuppliedTypes[] = {
    {"ODCINUMBERLIST", "CREATE TYPE ODCINUMBERLIST AS VARRAY(32767) OF NUMBER"},
    {"ODCIVARCHAR2LIST", "CREATE TYPE ODCIVARCHAR2LIST AS VARRAY(32767) OF VARCHAR2(4000)"},
};

}  // namespace

bool Translator::object_type_decl(const std::string& owner, const std::string& name, ObjectTypeDecl* decl) {
    if (ctx_.names && ctx_.names->type_declaration(owner + "." + name, decl)) return true;
    std::string source;
    if (owner == "SYS")
        for (const SuppliedType& t : kSuppliedTypes)
            if (name == t.name) source = t.source;
    if (source.empty() && !ctx_.catalog->type_source(owner, name, &source)) return false;
    if (!sql_parse_type_declaration(source, decl) || decl->name != name) return false;
    if (decl->kind != ObjectTypeDecl::Kind::Object && decl->element.user_type) {
        // A collection of an object type whose attributes are plain values; the element's
        // owner is made explicit.
        ObjectTypeDecl element;
        const std::string element_owner = decl->element.type_owner.empty() ? owner : decl->element.type_owner;
        if (!object_type_decl(element_owner, decl->element.type_name, &element) ||
            element.kind != ObjectTypeDecl::Kind::Object)
            return false;
        decl->element.type_owner = element_owner;
        return true;
    }
    return !kinds_of(*decl).empty();
}

bool Translator::object_column(ColumnDef& c, const std::string& table_owner) {
    const std::string owner = c.type_owner.empty() ? table_owner : c.type_owner;
    ObjectTypeDecl decl;
    // A column keeps plain attributes and elements only, not a collection of objects.
    if (!object_type_decl(owner, c.type_name, &decl) ||
        (decl.kind != ObjectTypeDecl::Kind::Object && decl.element.user_type))
        return fail(902, c.type_offset);
    c.type_owner = owner;
    return true;
}

bool Translator::object_table_columns(Statement& s, const std::string& owner) {
    const std::string type_owner = s.of_type.owner.empty() ? owner : s.of_type.owner;
    ObjectTypeDecl decl;
    if (!object_type_decl(type_owner, s.of_type.name, &decl) || decl.kind != ObjectTypeDecl::Kind::Object)
        return fail(902, s.of_type.offset);
    std::vector<ColumnDef> given = std::move(s.column_defs);
    s.column_defs = std::move(decl.attributes);
    for (ColumnDef& a : s.column_defs) a.offset = s.of_type.offset;
    for (ColumnDef& g : given) {
        ColumnDef* a = nullptr;
        for (ColumnDef& c : s.column_defs)
            if (c.name == g.name) a = &c;
        if (!a) return fail(904, g.offset, "\"" + g.name + "\"");
        // The attribute's datatype is the type's; an identity or a virtual column has none to take.
        if (!g.identity.empty() || g.virtual_expr) return fail(3001, g.offset);
        a->offset = g.offset;
        if (g.default_value) a->default_value = std::move(g.default_value);
        a->default_on_null = a->default_on_null || g.default_on_null;
        if (g.not_null) {
            a->not_null = true;
            a->not_null_name = g.not_null_name;
            a->not_null_state = g.not_null_state;
        }
        if (g.primary_key) {
            a->primary_key = true;
            a->primary_key_name = g.primary_key_name;
            a->primary_key_state = g.primary_key_state;
        }
        if (g.unique) {
            a->unique = true;
            a->unique_name = g.unique_name;
            a->unique_state = g.unique_state;
        }
        if (!g.references.name.empty()) {
            a->references = g.references;
            a->ref_columns = g.ref_columns;
            a->on_delete = g.on_delete;
            a->references_name = g.references_name;
            a->references_state = g.references_state;
        }
        if (g.check) {
            a->check = std::move(g.check);
            a->check_name = g.check_name;
            a->check_state = g.check_state;
        }
    }
    out_->catalog_sql.push_back("INSERT OR REPLACE INTO main.vantro_object_tables(owner,table_name,type_owner,type_name)"
                                " VALUES (" + quote_text(owner) + "," + quote_text(s.table.name) + "," +
                                quote_text(type_owner) + "," + quote_text(decl.name) + ")");
    return true;
}

bool Translator::object_value_of(const Emitted& v, const std::string& object_type, std::uint32_t offset) {
    if (v.object_type == object_type) return true;
    std::string owner, name;
    split_type(object_type, &owner, &name);
    return fail(932, offset, owner + "." + name,
                v.object_type.empty() ? family_name(v.type) : v.object_type.substr(v.object_type.find('.') + 1));
}

const Source* Translator::object_table_source(const std::string& alias, const Scope& scope, std::string* object_type) {
    for (const Scope* sc = &scope; sc; sc = sc->outer)
        for (const Source& src : sc->sources)
            if (src.alias == alias)
                return !src.rowid_table.empty() &&
                               ctx_.catalog->object_table_type(src.rowid_owner, src.rowid_table, object_type)
                           ? &src
                           : nullptr;
    return nullptr;
}

bool Translator::object_table_row(const std::string& alias, std::uint32_t offset, const Scope& scope, Emitted* out,
                                  bool* found) {
    std::string object_type;
    *found = object_table_source(alias, scope, &object_type) != nullptr;
    if (!*found) return true;
    std::string owner, name;
    split_type(object_type, &owner, &name);
    ObjectTypeDecl decl;
    if (!object_type_decl(owner, name, &decl) || decl.kind != ObjectTypeDecl::Kind::Object) return fail(902, offset);
    // The row is the object its attribute columns make, as the attribute constructor makes it.
    out->sql = "vantro_object(" + quote_text(decl.name) + "," + quote_text(kinds_of(decl));
    for (const ColumnDef& a : decl.attributes) {
        Expr column_ref;
        column_ref.kind = ExprKind::Column;
        column_ref.path = {alias, a.name};
        column_ref.path_offsets = {offset, offset};
        column_ref.offset = offset;
        Emitted v;
        if (!column(column_ref, scope, &v)) return false;
        if (a.type.code == kTypeNumber) {
            v.type = number_type();
            v.trimmed = false;
        }
        out->sql += "," + as_text(v);
    }
    out->sql += ")";
    out->type = varchar_type(4000);
    out->object_type = owner + "." + decl.name;
    return true;
}

bool Translator::object_constructor(const Expr& e, const std::vector<std::string>& path,
                                    const std::vector<Emitted>& args, Emitted* out, bool* handled) {
    *handled = false;
    if (path.empty() || path.size() > 2) return true;
    const std::string owner = path.size() == 2 ? path[0] : ctx_.schema;
    ObjectTypeDecl decl;
    if (!object_type_decl(owner, path.back(), &decl)) return true;
    *handled = true;
    TypeDetails details;
    if (decl.kind == ObjectTypeDecl::Kind::Object && object_type_details(owner + "." + decl.name, &details)) {
        // A constructor the type declares takes the call when its parameters (SELF left
        // out) take the arguments, each of its parameter's kind (number or text); one of
        // the attributes' number and kinds hides the attribute constructor. Failing that,
        // the attribute constructor takes a call of one argument per attribute, and then
        // a declared constructor of as many parameters takes it with the values converted.
        auto kinds_fit = [&](const std::vector<std::string>& types) {
            for (std::size_t i = 0; i < args.size() && i < types.size(); ++i) {
                if (e.args[i]->kind == ExprKind::Null || !args[i].object_type.empty()) continue;
                const std::string& t = types[i];
                const bool number_param = t == "NUMBER" || t == "INTEGER" || t == "INT" || t == "PLS_INTEGER" ||
                                          t == "BINARY_INTEGER" || t == "FLOAT" || t == "NATURAL" || t == "POSITIVE";
                const bool text_param = t == "VARCHAR2" || t == "VARCHAR" || t == "CHAR" || t == "NVARCHAR2" ||
                                        t == "NCHAR" || t == "STRING";
                if ((number_param && !is_number(args[i].type)) || (text_param && !is_char(args[i].type))) return false;
            }
            return true;
        };
        std::vector<std::string> attribute_kinds;
        for (const ColumnDef& a : decl.attributes)
            attribute_kinds.push_back(a.type.code == kTypeNumber ? "NUMBER" : "VARCHAR2");
        const TypeMethodDecl* chosen = nullptr;
        for (const TypeMethodDecl& m : details.declared) {
            if (m.kind != TypeMethodDecl::Kind::Constructor || !m.takes(args.size())) continue;
            const std::vector<std::string> types(m.param_types.begin() + (m.explicit_self ? 1 : 0), m.param_types.end());
            if (kinds_fit(types)) {
                chosen = &m;
                break;
            }
        }
        const bool attribute_call = args.size() == decl.attributes.size() && kinds_fit(attribute_kinds);
        if (!chosen && !attribute_call)
            for (const TypeMethodDecl& m : details.declared)
                if (!chosen && m.kind == TypeMethodDecl::Kind::Constructor && m.takes(args.size())) chosen = &m;
        if (chosen) {
            OraType ret;
            std::string result_object;
            const std::string unit = decl.name + "." + decl.name;
            if (!ctx_.stored_function ||
                !ctx_.stored_function(ctx_.stored_function_data, owner, unit, &ret, &result_object))
                return fail(6553, e.offset, "306", pls_body(306, decl.name));
            // SELF starts as an object of the type whose attributes are all NULL.
            std::string self = "vantro_object(" + quote_text(decl.name) + "," + quote_text(kinds_of(decl));
            for (std::size_t i = 0; i < decl.attributes.size(); ++i) self += ",NULL";
            self += ")";
            out->sql = "vantro_plsql_call('" + owner + "','" + unit + "'," + self;
            for (const Emitted& a : args) {
                out->sql += "," + a.sql;
                out->aggregate = out->aggregate || a.aggregate;
            }
            out->sql += ")";
            out->type = varchar_type(4000);
            out->object_type = owner + "." + decl.name;
            return true;
        }
    }
    if (decl.kind == ObjectTypeDecl::Kind::Object && args.size() != decl.attributes.size())
        return fail(details.constructors > 0 ? 6553 : 2315, e.offset, "306", pls_body(306, decl.name));
    if (decl.kind == ObjectTypeDecl::Kind::Varray && static_cast<long long>(args.size()) > decl.limit)
        return fail(22909, e.offset);
    const std::string kinds = kinds_of(decl);
    // A host's own collection type of elements SQL builds no constructor of (dates ...).
    if (kinds.empty()) return fail(3001, e.offset);
    out->sql = "vantro_object(" + quote_text(decl.name) + "," + quote_text(kinds);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const char kind = decl.kind == ObjectTypeDecl::Kind::Object ? item_kind(decl.attributes[i], true)[0] : kinds[0];
        const Emitted& a = args[i];
        const bool null_literal = e.args[i]->kind == ExprKind::Null;
        if (kind == 'O') {
            // An element of a collection of objects: an object of the element type.
            const std::string element = decl.element.type_owner + "." + decl.element.type_name;
            if (!null_literal && a.object_type != element)
                return fail(
                    932, e.args[i]->offset, decl.element.type_name,
                    a.object_type.empty() ? family_name(a.type) : a.object_type.substr(a.object_type.find('.') + 1));
            out->sql += "," + (null_literal ? std::string("NULL") : a.sql);
            out->aggregate = out->aggregate || a.aggregate;
            continue;
        }
        if (decl.kind == ObjectTypeDecl::Kind::Object && is_date(decl.attributes[i].type) && !null_literal) {
            // A datetime attribute takes what a column of its type takes, converted as the column converts it.
            if (!a.object_type.empty())
                return fail(932, e.args[i]->offset, "DATE", a.object_type.substr(a.object_type.find('.') + 1));
            ColumnInfo target;
            target.name = decl.attributes[i].name;
            target.type = decl.attributes[i].type;
            std::string stored;
            if (!store_value(a, target, owner, decl.name, &stored, e.args[i]->offset)) return false;
            out->sql += "," + stored;
            out->aggregate = out->aggregate || a.aggregate;
            continue;
        }
        const bool fits = null_literal || (a.object_type.empty() && (is_number(a.type) || is_char(a.type)));
        if (!fits)
            return fail(
                932, e.args[i]->offset, kind == 'N' ? "NUMBER" : "CHAR",
                a.object_type.empty() ? family_name(a.type) : a.object_type.substr(a.object_type.find('.') + 1));
        std::string v = a.sql;
        if (null_literal) {
            v = "NULL";
        } else if (kind == 'N') {
            Emitted n = a;
            if (is_char(a.type)) n.sql = "vantro_to_number(" + a.sql + ")";
            n.type = number_type();
            n.trimmed = false;
            v = as_text(n);
        } else {
            v = as_text(a);
        }
        out->sql += "," + v;
        out->aggregate = out->aggregate || a.aggregate;
    }
    out->sql += ")";
    out->type = varchar_type(4000);
    out->object_type = owner + "." + decl.name;
    return true;
}

bool Translator::object_attribute(const Expr& e, const Scope& scope, Emitted* out, bool* handled) {
    *handled = false;
    if (e.path.size() != 3) return true;
    const ColumnInfo* col = nullptr;
    for (const Scope* s = &scope; s && !col; s = s->outer)
        for (const Source& src : s->sources)
            if (src.alias == e.path[0])
                for (const ColumnInfo& c : src.columns)
                    if (c.name == e.path[1] && !c.object_type.empty()) col = &c;
    if (!col) return true;
    *handled = true;
    Expr base;
    base.kind = ExprKind::Column;
    base.path = {e.path[0], e.path[1]};
    base.offset = e.offset;
    Emitted object;
    if (!column(base, scope, &object)) return false;
    std::string owner, name;
    split_type(col->object_type, &owner, &name);
    ObjectTypeDecl decl;
    if (!object_type_decl(owner, name, &decl)) return fail(902, e.offset);
    const std::string shown = "\"" + e.path[0] + "\".\"" + e.path[1] + "\".\"" + e.path[2] + "\"";
    if (decl.kind != ObjectTypeDecl::Kind::Object) return fail(904, e.offset, shown);
    for (std::size_t i = 0; i < decl.attributes.size(); ++i) {
        const ColumnDef& a = decl.attributes[i];
        if (a.name != e.path[2]) continue;
        std::string item = "vantro_object_item(" + object.sql + "," + std::to_string(i + 1) + ")";
        out->aggregate = object.aggregate;
        out->type = a.type;
        if (a.type.code == kTypeNumber) {
            out->sql = "vantro_to_number(" + item + ")";
        } else {
            out->sql = item;
        }
        return true;
    }
    return fail(904, e.offset, shown);
}

bool Translator::object_attribute_target(const ColumnInfo& column, const std::string& attribute, std::uint32_t offset,
                                         std::string* kinds, int* index, ColumnInfo* item) {
    const std::string shown = "\"" + column.name + "\".\"" + attribute + "\"";
    if (column.object_type.empty()) return fail(904, offset, shown);
    std::string owner, name;
    split_type(column.object_type, &owner, &name);
    ObjectTypeDecl decl;
    if (!object_type_decl(owner, name, &decl)) return fail(902, offset);
    if (decl.kind != ObjectTypeDecl::Kind::Object) return fail(904, offset, shown);
    for (std::size_t i = 0; i < decl.attributes.size(); ++i) {
        if (decl.attributes[i].name != attribute) continue;
        *kinds = kinds_of(decl);
        *index = static_cast<int>(i + 1);
        item->name = column.name;
        item->type = decl.attributes[i].type;
        return true;
    }
    return fail(904, offset, shown);
}

bool Translator::object_field(Expr& e, const Scope& scope, Emitted* out) {
    const std::string field = e.field;
    const std::uint32_t field_offset = e.field_offset;
    e.field.clear();
    Emitted object;
    const bool ok = function_call(e, scope, &object);
    e.field = field;
    e.field_offset = field_offset;
    if (!ok) return false;
    return attribute_of_object(object, field, e.offset, field_offset, out);
}

bool Translator::attribute_of_object(const Emitted& object, const std::string& attribute, std::uint32_t offset,
                                  std::uint32_t attribute_offset, Emitted* out) {
    if (object.object_type.empty()) return fail(22806, attribute_offset);
    std::string owner, name;
    split_type(object.object_type, &owner, &name);
    ObjectTypeDecl decl;
    if (!object_type_decl(owner, name, &decl)) return fail(902, offset);
    if (decl.kind != ObjectTypeDecl::Kind::Object) return fail(22806, attribute_offset);
    for (std::size_t i = 0; i < decl.attributes.size(); ++i) {
        const ColumnDef& a = decl.attributes[i];
        if (a.name != attribute) continue;
        const std::string item = "vantro_object_item(" + object.sql + "," + std::to_string(i + 1) + ")";
        out->aggregate = object.aggregate;
        out->type = a.type;
        out->sql = a.type.code == kTypeNumber && !a.user_type ? "vantro_to_number(" + item + ")" : item;
        if (a.user_type) {
            out->type = varchar_type(4000);
            out->object_type = a.type_owner + "." + a.type_name;
        }
        return true;
    }
    return fail(904, attribute_offset, "\"" + attribute + "\"");
}

bool Translator::postfix(Expr& e, const Scope& scope, Emitted* out) {
    const std::uint32_t at = e.path_offsets.empty() ? e.offset : e.path_offsets[0];
    if (e.text.empty()) return fail(22806, at);
    Emitted object;
    if (!expr(*e.args[0], scope, &object)) return false;
    if (!e.has_operand) return attribute_of_object(object, e.text, e.offset, at, out);
    std::vector<Emitted> args(e.args.size() - 1);
    for (std::size_t i = 1; i < e.args.size(); ++i)
        if (!expr(*e.args[i], scope, &args[i - 1])) return false;
    if (object.object_type.empty()) return fail(22806, at);
    return method_call(object, e.text, args, at, "\"" + e.text + "\"", out);
}

bool Translator::object_type_details(const std::string& object_type, TypeDetails* details) {
    std::string owner, name, source;
    split_type(object_type, &owner, &name);
    ObjectTypeDecl decl;
    return owner != "SYS" && ctx_.catalog->type_source(owner, name, &source) &&
           sql_parse_type_details(source, &decl, details) && decl.kind == ObjectTypeDecl::Kind::Object;
}

bool Translator::method_call(const Emitted& object, const std::string& method, const std::vector<Emitted>& args,
                             std::uint32_t offset, const std::string& shown, Emitted* out) {
    TypeDetails details;
    if (!object_type_details(object.object_type, &details)) return fail(904, offset, shown);
    std::string owner, name;
    split_type(object.object_type, &owner, &name);
    for (const TypeMethodDecl& m : details.declared) {
        if (m.name != method || !m.function || m.kind != TypeMethodDecl::Kind::Member || !m.takes(args.size()))
            continue;
        OraType ret;
        std::string result_object;
        const std::string unit = name + "." + method;
        if (!ctx_.stored_function || !ctx_.stored_function(ctx_.stored_function_data, owner, unit, &ret, &result_object))
            return fail(904, offset, shown);
        std::string call = "vantro_plsql_call('" + owner + "','" + unit + "'," + object.sql;
        for (const Emitted& a : args) {
            call += "," + a.sql;
            out->aggregate = out->aggregate || a.aggregate;
        }
        call += ")";
        // A method called on a NULL object in SQL gives NULL; PL/SQL raises SELF_IS_NULL.
        out->sql = plsql_expression_ ? call : "CASE WHEN " + object.sql + " IS NULL THEN NULL ELSE " + call + " END";
        out->type = ret;
        out->object_type = result_object;
        out->aggregate = out->aggregate || object.aggregate;
        return true;
    }
    return fail(904, offset, shown);
}

bool Translator::object_comparison(const Emitted& a, const Expr& ea, const std::string& op, const Emitted& b,
                                   const Expr& eb, std::uint32_t offset, Emitted* out, bool* handled) {
    *handled = false;
    TypeDetails details;
    if (a.object_type != b.object_type || !object_type_details(a.object_type, &details)) return true;
    *handled = true;
    std::string owner, name;
    split_type(a.object_type, &owner, &name);
    out->type = number_type();
    out->aggregate = a.aggregate || b.aggregate;
    auto call = [&](const TypeMethodDecl& m, const std::string& args, OraType* ret) {
        std::string result_object;
        const std::string unit = name + "." + m.name;
        if (!ctx_.stored_function || !ctx_.stored_function(ctx_.stored_function_data, owner, unit, ret, &result_object))
            return std::string();
        return "vantro_plsql_call('" + owner + "','" + unit + "'," + args + ")";
    };
    // A NULL object compares as NULL: its method is not called.
    auto unless_null = [&](const std::string& sql) {
        return "CASE WHEN " + a.sql + " IS NULL OR " + b.sql + " IS NULL THEN NULL ELSE " + sql + " END";
    };
    if (const TypeMethodDecl* m = details.map_method()) {
        Emitted ma, mb;
        ma.sql = call(*m, a.sql, &ma.type);
        mb.sql = call(*m, b.sql, &mb.type);
        if (ma.sql.empty() || mb.sql.empty()) return fail(904, offset, "\"" + m->name + "\"");
        out->sql = unless_null(compare_sql(ma, ea, op, mb, eb));
        return true;
    }
    if (const TypeMethodDecl* m = details.order_method()) {
        OraType ret;
        const std::string c = call(*m, a.sql + "," + b.sql, &ret);
        if (c.empty()) return fail(904, offset, "\"" + m->name + "\"");
        const std::string sql_op = op == "!=" || op == "^=" ? "<>" : op;
        out->sql = unless_null("(" + c + " " + sql_op + " 0)");
        return true;
    }
    // PL/SQL compares objects only by a MAP or ORDER method; SQL tests equality by value.
    if (plsql_expression_ || (op != "=" && op != "<>" && op != "!=" && op != "^=")) return fail(22950, offset);
    *handled = false;
    return true;
}

bool Translator::object_method(const std::vector<std::string>& path, const Scope& scope) {
    if (path.size() < 2 || path.size() > 3) return false;
    if (path.size() == 3)
        for (const Scope* s = &scope; s; s = s->outer)
            for (const Source& src : s->sources)
                if (src.alias == path[0])
                    for (const ColumnInfo& c : src.columns)
                        if (c.name == path[1] && !c.object_type.empty()) return true;
    ObjectTypeDecl decl;
    const std::string owner = path.size() == 3 ? path[0] : ctx_.schema;
    return object_type_decl(owner, path[path.size() - 2], &decl) && decl.kind == ObjectTypeDecl::Kind::Object;
}

bool Translator::map_order_key(Emitted* e, std::uint32_t offset) {
    TypeDetails details;
    if (!object_type_details(e->object_type, &details)) return true;
    const TypeMethodDecl* m = details.map_method();
    // Sorting by an ORDER method's answers is not done; without either method objects have no order.
    if (!m) return details.order_method() ? fail(3001, offset) : fail(22950, offset);
    std::string owner, name;
    split_type(e->object_type, &owner, &name);
    OraType ret;
    std::string result_object;
    const std::string unit = name + "." + m->name;
    if (!ctx_.stored_function || !ctx_.stored_function(ctx_.stored_function_data, owner, unit, &ret, &result_object))
        return fail(904, offset, "\"" + m->name + "\"");
    e->sql = "CASE WHEN " + e->sql + " IS NULL THEN NULL ELSE vantro_plsql_call('" + owner + "','" + unit + "'," +
             e->sql + ") END";
    e->type = ret;
    e->object_type.clear();
    return true;
}

bool Translator::named_object_type(const std::string& written, std::uint32_t offset, std::string* object_type) {
    const std::size_t dot = written.find('.');
    const std::string owner = dot == std::string::npos ? ctx_.schema : written.substr(0, dot);
    const std::string name = dot == std::string::npos ? written : written.substr(dot + 1);
    ObjectTypeDecl decl;
    TypeDetails details;
    if (!object_type_decl(owner, name, &decl) || decl.kind != ObjectTypeDecl::Kind::Object) return fail(902, offset);
    *object_type = owner + "." + name;
    return true;
}

// Types have no subtypes here, so an object is of the one type it was made of.
bool Translator::is_of_type(Expr& e, const Scope& scope, Emitted* out) {
    Emitted v;
    if (!expr(*e.args[0], scope, &v)) return false;
    if (v.object_type.empty()) return fail(932, e.args[0]->offset, "UDT", family_name(v.type));
    bool of = false;
    for (const std::string& written : e.path) {
        std::string object_type;
        if (!named_object_type(written, e.offset, &object_type)) return false;
        of = of || object_type == v.object_type;
    }
    if (e.negated) of = !of;
    out->sql = "CASE WHEN " + v.sql + " IS NULL THEN NULL ELSE " + (of ? "1" : "0") + " END";
    out->type = number_type();
    out->aggregate = v.aggregate;
    return true;
}

bool Translator::treat(Expr& e, const Scope& scope, Emitted* out) {
    std::string object_type;
    if (!named_object_type(e.path[0], e.offset, &object_type)) return false;
    if (e.args[0]->kind == ExprKind::Null) {
        out->sql = "NULL";
        out->type = varchar_type(4000);
        out->object_type = object_type;
        return true;
    }
    if (!expr(*e.args[0], scope, out)) return false;
    if (out->object_type != object_type)
        return fail(932, e.args[0]->offset, object_type,
                    out->object_type.empty() ? family_name(out->type)
                                             : out->object_type.substr(out->object_type.find('.') + 1));
    return true;
}
