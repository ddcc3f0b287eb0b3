// Collections of schema-level types in queries: TABLE(collection) in FROM, the multiset
// conditions (MEMBER OF, SUBMULTISET OF, IS EMPTY) and the MULTISET operators. A
// collection value is its constructor's text (values/sql_objects.cpp); TABLE() reads it
// through the table-valued function vantro_collection_rows, whose argument may name the
// columns of the FROM items before it (a lateral join over a collection column).
#include "values/errors.h"
#include "values/sql_objects.h"
#include "sql/sql_text.h"
#include "sql/sql_translate_xml.h"
#include "sql/sql_translator.h"

std::string family_name(const OraType& t);

namespace {

// The name Oracle shows for the type of a value in ORA-00932.
std::string shown_type(const Emitted& v) {
    if (v.object_type.empty()) return family_name(v.type);
    // A PL/SQL block's own type is told apart from others of its name by "#n".
    const std::string name = v.object_type.substr(v.object_type.find('.') + 1);
    return name.substr(0, name.find('#'));
}

// The multiset operators and conditions take nested tables only.
struct MultisetOp {
    const char* word;
    const char* op;  // vantro_multiset's op; empty for the conditions
};

const MultisetOp kMultisetOps[] = {
    {"UNION", "U"}, {"INTERSECT", "I"}, {"EXCEPT", "E"}, {"MEMBER", ""}, {"SUBMULTISET", ""}, {"EMPTY", ""},
};

// The kind vantro_collection_rows reads an object element's attribute of type c by.
std::string collection_kind_of_attribute(const ColumnDef& c) {
    if (c.type.code == kTypeNumber) return "N";
    return "S" + std::to_string(c.type.size) + (c.type.char_used || c.type.national ? "C" : "");
}

// A call of DBMS_XPLAN's table function member (DISPLAY or DISPLAY_CURSOR), with or
// without parentheses.
bool xplan_call(const Expr& e, const std::string& member) {
    if (e.kind == ExprKind::Function)
        return e.field.empty() && !e.over &&
               (e.text == "DBMS_XPLAN." + member || e.text == "SYS.DBMS_XPLAN." + member);
    if (e.kind != ExprKind::Column || e.path.size() < 2 || e.path.size() > 3) return false;
    const std::size_t n = e.path.size();
    return e.path[n - 2] == "DBMS_XPLAN" && e.path[n - 1] == member && (n == 2 || e.path[0] == "SYS");
}

// The parameters of DBMS_XPLAN's table functions, in their order.
struct XplanParams {
    const char* member;
    const char* names[3];
};

const XplanParams kXplanParams[] = {
    {"DISPLAY", {"TABLE_NAME", "STATEMENT_ID", "FORMAT"}},
    {"DISPLAY_CURSOR", {"SQL_ID", "CURSOR_CHILD_NO", "FORMAT"}},
};

}  // namespace

// The arguments of a DBMS_XPLAN table function call put in its parameters' order (null for
// one left to its default): by position, then by name. PLS-00306 (as ORA-06553) for too
// many, an unknown name or one given twice, PLS-00312 for a position after a name.
bool Translator::xplan_arguments(const Expr& call, const char* member, std::vector<const Expr*>* slots) {
    const XplanParams* params = nullptr;
    for (const XplanParams& p : kXplanParams)
        if (std::string(p.member) == member) params = &p;
    slots->assign(3, nullptr);
    const std::string wrong = std::string("wrong number or types of arguments in call to '") + member + "'";
    if (call.args.size() > 3 || !params) return fail(6553, call.offset, "306", wrong);
    bool any_named = false;
    for (std::size_t i = 0; i < call.args.size(); ++i) {
        const std::string name =
            call.extras && i < call.extras->arg_names.size() ? call.extras->arg_names[i] : std::string();
        std::size_t slot = i;
        if (name.empty()) {
            if (any_named)
                return fail(6553, call.args[i]->offset, "312",
                            "a positional parameter association may not follow a named association");
        } else {
            any_named = true;
            slot = 3;
            for (std::size_t k = 0; k < 3; ++k)
                if (name == params->names[k]) slot = k;
            if (slot == 3 || (*slots)[slot]) return fail(6553, call.args[i]->offset, "306", wrong);
        }
        (*slots)[slot] = call.args[i].get();
    }
    return true;
}

namespace {

}  // namespace

std::string Translator::collection_kind(const ObjectTypeDecl& decl) {
    const ColumnDef& c = decl.element;
    if (c.user_type) return "O";
    if (c.type.code == kTypeNumber) return "N";
    return "S" + std::to_string(c.type.size) + (c.type.char_used || c.type.national ? "C" : "");
}

bool Translator::collection_of(const Emitted& value, std::uint32_t offset, ObjectTypeDecl* decl) {
    if (value.object_type.empty()) return fail(932, offset, "UDT", shown_type(value));
    const std::size_t dot = value.object_type.find('.');
    if (!object_type_decl(value.object_type.substr(0, dot), value.object_type.substr(dot + 1), decl))
        return fail(902, offset);
    if (decl->kind == ObjectTypeDecl::Kind::Object) return fail(932, offset, "UDT", shown_type(value));
    return true;
}

bool Translator::collection_source(FromItem& f, const Scope& scope, Source* src) {
    if (xml_table_call(*f.collection)) {
        // XMLTABLE and XMLSEQUENCE: one row per node, its columns c0, c1 ...
        Expr& doc_expr = *f.collection->args[f.collection->text == "XMLSEQUENCE" ? 0 : 1];
        Emitted doc;
        if (!expr(doc_expr, scope, &doc)) return false;
        if (doc.aggregate) return fail(934, doc_expr.offset);
        if (!xml_table_sql(*f.collection, doc.sql, doc.type, doc.object_type, &src->columns, &src->sql, err_))
            return false;
        for (std::size_t i = 0; i < src->columns.size(); ++i) src->stored.push_back("c" + std::to_string(i));
        src->alias = "vantro_xt" + std::to_string(f.table.offset);
        return true;
    }
    const bool display = xplan_call(*f.collection, "DISPLAY");
    if (display || xplan_call(*f.collection, "DISPLAY_CURSOR")) {
        // DBMS_XPLAN.DISPLAY(table_name, statement_id, format) and
        // DISPLAY_CURSOR(sql_id, cursor_child_no, format): a row per line of the plan.
        const Expr& call = *f.collection;
        std::vector<const Expr*> slots;
        if (!xplan_arguments(call, display ? "DISPLAY" : "DISPLAY_CURSOR", &slots)) return false;
        std::string args = display ? quote_text(ctx_.schema) + "," : std::string();
        for (std::size_t i = 0; i < 3; ++i) {
            if (i) args += ",";
            if (!slots[i]) {
                // CURSOR_CHILD_NO defaults to 0, the others to NULL (FORMAT: TYPICAL).
                args += !display && i == 1 ? "0" : "NULL";
                continue;
            }
            Emitted a;
            if (!expr(*const_cast<Expr*>(slots[i]), scope, &a)) return false;
            if (a.aggregate) return fail(934, slots[i]->offset);
            if (!a.object_type.empty())
                return fail(932, slots[i]->offset, !display && i == 1 ? "NUMBER" : "CHAR", shown_type(a));
            args += a.sql;
        }
        ColumnInfo c;
        c.name = "PLAN_TABLE_OUTPUT";
        c.type = varchar_type(300);
        src->columns.push_back(c);
        src->stored.push_back("value");
        src->sql = std::string("json_each(") + (display ? "vantro_xplan_display(" : "vantro_xplan_cursor(") + args +
                   "))";
        src->alias = "vantro_xp" + std::to_string(f.table.offset);
        return true;
    }
    Emitted value;
    if (!expr(*f.collection, scope, &value)) return false;
    if (value.aggregate) return fail(934, f.collection->offset);
    ObjectTypeDecl decl;
    if (!collection_of(value, f.collection->offset, &decl)) return false;
    std::string kind = collection_kind(decl);
    if (decl.element.user_type) {
        // A collection of objects: a row per object, a column per attribute.
        ObjectTypeDecl element;
        if (!object_type_decl(decl.element.type_owner, decl.element.type_name, &element))
            return fail(902, f.collection->offset);
        if (element.attributes.size() > static_cast<std::size_t>(kMaxTableAttributes))
            return fail(3001, f.collection->offset);
        for (std::size_t i = 0; i < element.attributes.size(); ++i) {
            ColumnInfo c;
            c.name = element.attributes[i].name;
            c.type = element.attributes[i].type;
            src->columns.push_back(c);
            src->stored.push_back("a" + std::to_string(i + 1));
            kind += (i ? "," : "") + collection_kind_of_attribute(element.attributes[i]);
        }
    } else {
        ColumnInfo c;
        c.name = "COLUMN_VALUE";
        c.type = decl.element.type;
        src->columns.push_back(c);
        src->stored.push_back("column_value");
    }
    src->sql = "vantro_collection_rows(" + value.sql + "," + quote_text(kind) + ")";
    src->alias = "vantro_tc" + std::to_string(f.table.offset);
    return true;
}

bool Translator::multiset(Expr& e, const Scope& scope, Emitted* out) {
    if (e.text == "IS OF") return is_of_type(e, scope, out);
    const MultisetOp* op = nullptr;
    for (const MultisetOp& m : kMultisetOps)
        if (e.text == m.word) op = &m;
    if (!op) return fail(936, e.offset);
    std::vector<Emitted> args(e.args.size());
    for (std::size_t i = 0; i < e.args.size(); ++i) {
        if (!expr(*e.args[i], scope, &args[i])) return false;
        out->aggregate = out->aggregate || args[i].aggregate;
    }
    // MEMBER's first operand is the element; every other operand is a nested table.
    const std::size_t first = e.text == "MEMBER" ? 1 : 0;
    ObjectTypeDecl decl;
    for (std::size_t i = first; i < args.size(); ++i) {
        ObjectTypeDecl d;
        if (!collection_of(args[i], e.args[i]->offset, &d)) return false;
        if (d.kind != ObjectTypeDecl::Kind::Table) return fail(932, e.args[i]->offset, "UDT", shown_type(args[i]));
        if (i > first && args[i].object_type != args[first].object_type)
            return fail(932, e.args[i]->offset, shown_type(args[first]), shown_type(args[i]));
        if (i == first) decl = std::move(d);
    }
    const std::string kind = quote_text(collection_kind(decl));
    const std::string not_word = e.negated ? "NOT " : "";
    if (*op->op) {
        out->sql = "vantro_multiset('" + std::string(op->op) + (e.distinct ? "D" : "") + "'," + kind + "," +
                   args[0].sql + "," + args[1].sql + ")";
        out->type = args[0].type;
        out->object_type = args[0].object_type;
        return true;
    }
    out->type = number_type();
    if (e.text == "EMPTY") {
        out->sql = "(" + not_word + "(vantro_object_count(" + args[0].sql + ")=0))";
        return true;
    }
    if (e.text == "SUBMULTISET") {
        out->sql = "(" + not_word + "vantro_submultiset(" + kind + "," + args[0].sql + "," + args[1].sql + "))";
        return true;
    }
    const Emitted& v = args[0];
    const bool number_elements = decl.element.type.code == kTypeNumber;
    const bool fits = e.args[0]->kind == ExprKind::Null ||
                      (v.object_type.empty() &&
                       (number_elements ? is_number(v.type) || is_char(v.type) : is_char(v.type) || is_number(v.type)));
    if (!fits) return fail(932, e.args[0]->offset, number_elements ? "NUMBER" : "CHAR", shown_type(v));
    std::string item = as_text(v);
    if (number_elements && is_char(v.type)) {
        Emitted n = v;
        n.sql = "vantro_to_number(" + v.sql + ")";
        n.type = number_type();
        n.trimmed = false;
        item = as_text(n);
    }
    out->sql = "(" + not_word + "vantro_member_of(" + kind + "," + item + "," + args[1].sql + "))";
    return true;
}
