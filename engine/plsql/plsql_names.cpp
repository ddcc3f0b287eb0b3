// PL/SQL expressions as syntax trees: the tokens of an expression or condition are parsed
// by the SQL parser and translated once by the SQL translator, which asks the hook here
// about every name its own scopes do not know. The hook answers with the block's
// variables, parameters, constants, record fields, package state, loop indexes, cursor
// attributes, SQLCODE and SQLERRM and the trigger's rows, each a bound reference of the
// statement; error positions come from the tokens themselves.
#include "plsql/plsql_parser.h"
#include "plsql/plsql_supplied.h"

#include "values/errors.h"
#include "values/sql_objects.h"
#include "values/sql_rowid.h"

#include <algorithm>
#include <cctype>

namespace plsql_parsing {

// The hook for one compiled statement: references go into q.
class ExprNames : public NameHook {
public:
    ExprNames(Parser& p, PlSql* q) : p_(p), q_(q) {}
    Answer name(const Expr& e, NameResolution* out, OraError*) override { return p_.resolve_name(e, q_, out); }
    Answer call(Expr& e, std::vector<std::string>* path, NameResolution* out, OraError*) override {
        return p_.resolve_call(e, path, q_, out);
    }
    Answer record_fields(const Expr& e, std::vector<std::string>* fields) override {
        return p_.record_fields(e, fields);
    }
    bool type_declaration(const std::string& object_type, ObjectTypeDecl* decl) override {
        return p_.sql_type_declaration(object_type, decl);
    }

private:
    Parser& p_;
    PlSql* q_;
};

namespace {

// Whether SQL may take a whole collection variable of v's type: a nested table or varray
// named "OWNER.NAME" (a schema's type, or one SYS supplies) of numbers or text.
bool schema_sql_collection(const PlVarInfo& v) {
    if (v.collection == PlCollection::IndexBy || v.record_elements() || v.type_name.find('.') == std::string::npos)
        return false;
    if (v.type.code != kTypeNumber && v.type.code != kTypeVarchar2 && v.type.code != kTypeChar &&
        v.type.code != kTypeObject)
        return false;
    return true;
}

// The types a PL/SQL collection's scalar elements (or its record elements' fields) may
// have in SQL: those vantro_collection_rows gives back as they are kept.
bool sql_element_type(const OraType& t, bool boolean) {
    if (boolean) return false;
    return t.code == kTypeNumber || t.code == kTypeVarchar2 || t.code == kTypeChar || t.code == kTypeDate;
}

// The prefix of the names SQL knows a PL/SQL block's or package's own types by.
const char kPlsqlTypeOwner[] = "PL/SQL";

// A name in the hook's answers that stands for a value known to be wrong: the error is
// recorded already, the translation goes on so that later errors are found too.
NameHook::Answer null_value(NameResolution* out) {
    out->sql = "NULL";
    out->type = OraType();
    return NameHook::Answer::Resolved;
}

bool cursor_attribute(const std::string& word, PlAttr* attr) {
    static const struct {
        const char* word;
        PlAttr attr;
    } kAttrs[] = {{"FOUND", PlAttr::Found},
                  {"NOTFOUND", PlAttr::NotFound},
                  {"ROWCOUNT", PlAttr::RowCount},
                  {"ISOPEN", PlAttr::IsOpen}};
    for (const auto& a : kAttrs)
        if (word == a.word) {
            *attr = a.attr;
            return true;
        }
    return false;
}

// What PL/SQL expects where an operand is missing, in the words of its syntax errors.
const char* const kPlsqlOperandExpected =
    "( - + case mod new not null <an identifier>\n"
    "   <a double-quoted delimited-identifier> <a bind variable>\n"
    "   continue avg count current exists max min prior sql stddev\n"
    "   sum variance execute forall merge time timestamp interval\n"
    "   date <a string literal with a character set prefix>\n"
    "   <a number> <a single-quoted SQL string> pipe\n"
    "   <an alternatively-quoted string literal with a character set prefix>\n"
    "   <an alternatively-quoted SQL string>";

}  // namespace

TranslateContext Parser::translate_context(PlSql* q, FunctionLookup* lookup) const {
    TranslateContext tc;
    tc.schema = ctx_.sql_schema.empty() ? ctx_.schema : ctx_.sql_schema;
    tc.nls_date_format = ctx_.nls_date_format;
    tc.catalog = ctx_.catalog;
    for (const auto& typed : ctx_.host_types) q->bind_types.insert(typed);
    tc.bind_types = &q->bind_types;
    lookup->db = ctx_.db;
    lookup->package = prog_->is_package ? prog_ : nullptr;
    lookup->program = prog_;
    lookup->schema = ctx_.schema;
    lookup->nls_date_format = ctx_.nls_date_format;
    if (ctx_.db || lookup->package) {
        tc.stored_function = lookup_function;
        tc.stored_function_data = lookup;
    }
    return tc;
}

void Parser::translate_error(const OraError& err, std::uint32_t where, const FunctionLookup& lookup,
                             std::uint32_t stmt_offset, bool statement) {
    std::string f = ora_format(err.code, err.message);
    f.pop_back();
    if (err.code == 904 && !lookup.invalid.empty()) {
        semantic_error(where, pls_message(905, lookup.invalid), stmt_offset,
                       statement ? "PL/SQL: SQL Statement ignored" : "PL/SQL: Statement ignored");
    } else if (statement) {
        semantic_error(where, "PL/SQL: " + f, stmt_offset, "PL/SQL: SQL Statement ignored");
    } else if (err.code == 22950) {
        // Objects compared in PL/SQL without a MAP or ORDER method.
        semantic_error(where, pls_message(526), stmt_offset);
    } else if (err.code == 904) {
        std::string quoted = err.message.substr(0, err.message.find(':')), name;
        for (char c : quoted)
            if (c != '"') name += c;
        semantic_error(where, pls_message(201, name), stmt_offset);
    } else {
        semantic_error(where, "PL/SQL: " + f, stmt_offset);
    }
}

void Parser::compile_expression(std::size_t a, std::size_t b, PlSql* q, std::uint32_t stmt_offset, bool condition) {
    std::vector<Token> tokens(t_.begin() + static_cast<std::ptrdiff_t>(a), t_.begin() + static_cast<std::ptrdiff_t>(b));
    Token end;
    end.kind = TokenKind::End;
    end.offset = end.end = t_[b < t_.size() ? b : t_.size() - 1].offset;
    tokens.push_back(end);
    q->text = text_.substr(t_[a].offset, t_[b - 1].end - t_[a].offset);
    q->condition = condition;
    ExprPtr e;
    OraError err;
    if (!sql_parse_expression(tokens, &e, &err)) {
        // A whole expression followed by more: the symbol that cannot follow it.
        if (err.code == 933)
            for (std::size_t k = a; k < b; ++k)
                if (t_[k].offset == err.offset) expected("an operator", t_[k]);
        // An operand missing (after an operator, an opening parenthesis or a comma, or the
        // whole expression): PL/SQL parses its expressions itself, so this is a syntax error
        // at the symbol found instead, the symbol ending the expression included.
        if (err.code == 936)
            for (std::size_t k = a; k <= b && k < t_.size(); ++k)
                if (t_[k].offset == err.offset) expected(kPlsqlOperandExpected, t_[k]);
        translate_error(err, err.offset, FunctionLookup(), stmt_offset, false);
        return;
    }
    compile_tree(e, q, stmt_offset, condition);
}

void Parser::compile_statement(const std::vector<std::pair<std::size_t, std::size_t>>& ranges, PlSql* q,
                               std::uint32_t stmt_offset, const std::vector<Token>& tail) {
    std::vector<Token> tokens;
    for (const auto& r : ranges)
        tokens.insert(tokens.end(), t_.begin() + static_cast<std::ptrdiff_t>(r.first),
                      t_.begin() + static_cast<std::ptrdiff_t>(r.second));
    tokens.insert(tokens.end(), tail.begin(), tail.end());
    std::size_t a = ranges.front().first, b = ranges.back().second;
    Token end;
    end.kind = TokenKind::End;
    end.offset = end.end = t_[b < t_.size() ? b : t_.size() - 1].offset;
    tokens.push_back(end);
    q->text = text_.substr(t_[a].offset, t_[b - 1].end - t_[a].offset);
    Statement stmt;
    OraError err;
    FunctionLookup lookup;
    TranslateContext tc = translate_context(q, &lookup);
    ExprNames names(*this, q);
    tc.names = &names;
    std::uint32_t saved = expression_offset_;
    expression_offset_ = stmt_offset;
    // Static SQL declares no PL/SQL in a WITH clause (dynamic SQL may).
    for (std::size_t k = 0; k + 2 < tokens.size(); ++k) {
        const Token& w = tokens[k];
        const Token& f = tokens[k + 1];
        const Token& after = tokens[k + 2];
        if (w.kind == TokenKind::Word && w.text == "WITH" && f.kind == TokenKind::Word &&
            (f.text == "FUNCTION" || f.text == "PROCEDURE") && !(after.kind == TokenKind::Word && after.text == "AS") &&
            !(after.kind == TokenKind::Operator && after.text == "("))
            expected("an identifier a double-quoted delimited-identifier", f);
    }
    bool saved_sql = in_sql_;
    in_sql_ = true;
    bool parsed = sql_parse(tokens, &stmt, &err);
    bool hidden_rowid = false;
    if (parsed && cursor_decl_ && stmt.kind == StatementKind::Select && stmt.select && stmt.select->for_update) {
        cursor_decl_->for_update = true;
        hidden_rowid = add_current_rowid(*stmt.select);
    }
    if (!parsed || !sql_translate_parsed(text_, stmt, tc, &q->tr, &err)) {
        translate_error(err, err.offset ? err.offset : t_[a].offset, lookup, stmt_offset, true);
    } else if (hidden_rowid && !q->tr.columns.empty()) {
        q->tr.columns.pop_back();
        cursor_decl_->current_rowid = true;
    }
    in_sql_ = saved_sql;
    expression_offset_ = saved;
}

bool Parser::add_current_rowid(SelectStmt& q) {
    if (q.distinct || q.next || !q.group_by.empty() || !q.grouping.empty() || q.having || !ctx_.catalog) return false;
    auto name_of = [](const FromItem& f) { return f.alias.empty() ? f.table.name : f.alias; };
    // Only a table has rowids: not a view, an inline view or a query name of WITH.
    auto is_table = [&](const FromItem& f, std::vector<ColumnInfo>* cols) {
        std::string view;
        const std::string owner = f.table.owner.empty() ? ctx_.schema : f.table.owner;
        if (f.subquery || f.pivot || f.json_table || f.table.name.empty()) return false;
        for (const SelectStmt::Factored& w : q.with)
            if (f.table.owner.empty() && w.name == f.table.name) return false;
        return !ctx_.catalog->view_text(owner, f.table.name, &view) &&
               ctx_.catalog->table_columns(owner, f.table.name, cols);
    };
    const FromItem* target = nullptr;
    std::vector<ColumnInfo> cols;
    if (q.for_update_of.empty()) {
        if (q.from.size() == 1 && is_table(q.from[0], &cols)) target = &q.from[0];
    } else {
        // FOR UPDATE OF column: the table of the first column named.
        const std::vector<std::string>& path = q.for_update_of[0]->path;
        for (const FromItem& f : q.from) {
            if (target || !is_table(f, &cols)) continue;
            if (path.size() >= 2) {
                if (name_of(f) == path[path.size() - 2]) target = &f;
                continue;
            }
            for (const ColumnInfo& c : cols)
                if (c.name == path.back()) target = &f;
        }
    }
    if (!target) return false;
    SelectItem item;
    item.expr.reset(new Expr);
    item.expr->kind = ExprKind::Column;
    item.expr->path = {name_of(*target), "ROWID"};
    item.expr->path_offsets = {q.offset, q.offset};
    item.expr->offset = q.offset;
    item.offset = q.offset;
    q.items.push_back(std::move(item));
    return true;
}

void Parser::compile_tree(ExprPtr& tree, PlSql* q, std::uint32_t stmt_offset, bool condition) {
    hoist_call_results(tree, q, stmt_offset);
    Expr& e = *tree;
    FunctionLookup lookup;
    TranslateContext tc = translate_context(q, &lookup);
    // A PL/SQL expression is no SQL statement: the functions it calls resolve in the
    // unit's own schema, for an invoker's-rights unit too (as its procedure calls do).
    tc.schema = ctx_.schema;
    ExprNames names(*this, q);
    tc.names = &names;
    std::uint32_t saved = expression_offset_;
    expression_offset_ = stmt_offset;
    OraError err;
    if (!sql_translate_expression(text_, e, condition, tc, &q->tr, &err))
        translate_error(err, err.offset ? err.offset : e.offset, lookup, stmt_offset, false);
    else if (lookup.pipelined)
        // A table function's rows are read by a query's TABLE() only.
        semantic_error(e.offset, pls_message(653), stmt_offset);
    else if (lookup.whole)
        // A record or collection result is no single value: it goes to a whole variable.
        semantic_error(e.offset, pls_message(382), stmt_offset);
    expression_offset_ = saved;
}

void Parser::variable_resolution(int slot, PlSql* q, NameResolution* out) {
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(slot)];
    PlRef r;
    r.slot = slot;
    OraType ty = v.boolean ? number_type() : v.type;
    out->bind = "#" + std::to_string(add_ref(q, r, ty));
    out->type = ty;
    out->condition = v.boolean;
}

NameHook::Answer Parser::record_fields(const Expr& e, std::vector<std::string>* fields) {
    if (e.kind == ExprKind::Function && e.path.empty() && e.args.size() == 1 && e.field.empty()) {
        // An element of a collection of records, collection(i).
        const PlVarInfo* v = collection_of(lookup(e.text));
        if (!v || !v->record_elements()) return NameHook::Answer::NotMine;
        if (fields) {
            fields->clear();
            for (const ColumnInfo& c : v->record_fields) fields->push_back(c.name);
        }
        return NameHook::Answer::Resolved;
    }
    if (e.kind != ExprKind::Column || e.path.size() != 1) return NameHook::Answer::NotMine;
    const Symbol* sym = lookup(e.path[0]);
    if (!sym || sym->kind != SymKind::Var) return NameHook::Answer::NotMine;
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(sym->index)];
    if (v.fields.empty() || v.collection != PlCollection::None) return NameHook::Answer::NotMine;
    if (fields) *fields = v.field_names;
    return NameHook::Answer::Resolved;
}

bool Parser::sql_collection_type(const PlVarInfo& v, std::string* object_type) {
    if (v.collection == PlCollection::None) return false;
    std::string source;
    const std::size_t dot = v.type_name.find('.');
    const std::string type_owner = v.type_name.substr(0, dot);
    if (dot != std::string::npos && schema_sql_collection(v) &&
        (type_owner == "SYS" ||
         (ctx_.catalog && ctx_.catalog->type_source(type_owner, v.type_name.substr(dot + 1), &source)))) {
        *object_type = v.type_name;
        return true;
    }
    // A block's own type is "NAME#n", a package's "PACKAGE.TYPE". A schema's type that SQL
    // does not take (of dates ...) stays refused; so do associative arrays indexed by
    // text.
    const bool block_type = v.type_name.find('#') != std::string::npos;
    if (!block_type && (dot == std::string::npos || type_owner == "SYS" ||
                        (ctx_.catalog && ctx_.catalog->type_source(type_owner, v.type_name.substr(dot + 1), &source))))
        return false;
    if (v.text_keys) return false;
    if (v.record_elements()) {
        for (std::size_t k = 0; k < v.record_fields.size(); ++k)
            if (!sql_element_type(v.record_fields[k].type, k < v.field_boolean.size() && v.field_boolean[k]))
                return false;
        if (v.record_fields.size() > static_cast<std::size_t>(kMaxTableAttributes)) return false;
    } else if (v.type.code == kTypeObject) {
        if (v.element_type.find('.') == std::string::npos) return false;
    } else if (!sql_element_type(v.type, v.boolean)) {
        return false;
    }
    *object_type = std::string(kPlsqlTypeOwner) + "." + v.type_name;
    sql_types_[*object_type] = v;
    return true;
}

bool Parser::sql_type_declaration(const std::string& object_type, ObjectTypeDecl* decl) const {
    // A record element's type is its collection's name with "%ROW" added.
    const std::string row_suffix = "%ROW";
    const bool row = object_type.size() > row_suffix.size() &&
                     object_type.compare(object_type.size() - row_suffix.size(), row_suffix.size(), row_suffix) == 0;
    auto it = sql_types_.find(row ? object_type.substr(0, object_type.size() - row_suffix.size()) : object_type);
    if (it == sql_types_.end()) return false;
    const PlVarInfo& v = it->second;
    const std::string name = object_type.substr(object_type.find('.') + 1);
    decl->name = name;
    decl->attributes.clear();
    decl->element = ColumnDef();
    if (row) {
        decl->kind = ObjectTypeDecl::Kind::Object;
        for (const ColumnInfo& f : v.record_fields) {
            ColumnDef a;
            a.name = f.name;
            a.type = f.type;
            decl->attributes.push_back(std::move(a));
        }
        return true;
    }
    // An associative array is read in the order of its keys, as a varray is, and is no
    // nested table (MEMBER OF and the MULTISET operators refuse it).
    decl->kind = v.collection == PlCollection::Nested ? ObjectTypeDecl::Kind::Table : ObjectTypeDecl::Kind::Varray;
    decl->limit = v.collection == PlCollection::Varray ? v.limit : 2147483647;
    if (v.record_elements()) {
        decl->element.user_type = true;
        decl->element.type_owner = kPlsqlTypeOwner;
        decl->element.type_name = v.type_name + row_suffix;
    } else if (v.type.code == kTypeObject) {
        const std::size_t dot = v.element_type.find('.');
        decl->element.user_type = true;
        decl->element.type_owner = v.element_type.substr(0, dot);
        decl->element.type_name = v.element_type.substr(dot + 1);
    } else {
        decl->element.type = v.type;
    }
    return true;
}

NameHook::Answer Parser::resolve_name(const Expr& e, PlSql* q, NameResolution* out) {
    const std::vector<std::string>& path = e.path;
    if (e.kind == ExprKind::Bind) {
        // :NEW.column and :OLD.column of a row trigger.
        if (!prog_->is_trigger || path.size() != 1 || (e.text != "NEW" && e.text != "OLD"))
            return NameHook::Answer::NotMine;
        int slot = trigger_column(e.text, path[0], e.offset);
        if (slot < 0) return null_value(out);
        variable_resolution(slot, q, out);
        return NameHook::Answer::Resolved;
    }
    if (path.empty()) return NameHook::Answer::NotMine;
    if (path.size() >= 2 && e.kind == ExprKind::Column && record_collection_field(path[0], path[1]) >= 0) {
        // record.field[.method] of a field of a collection type: the field's own variable.
        Expr& named = const_cast<Expr&>(e);
        const std::vector<std::string> saved = named.path;
        const std::vector<std::uint32_t> saved_offsets = named.path_offsets;
        named.path.erase(named.path.begin());
        named.path[0] = saved[0] + "." + saved[1];
        if (named.path_offsets.size() > 1) named.path_offsets.erase(named.path_offsets.begin() + 1);
        NameHook::Answer a = resolve_name(named, q, out);
        named.path = saved;
        named.path_offsets = saved_offsets;
        return a;
    }
    const std::string& first = path[0];
    const Symbol* sym = lookup(first);
    if (!sym && e.kind == ExprKind::Column && path.size() <= 2 && self_slot() >= 0) {
        // Inside a method a name no declaration has is SELF's attribute, or (alone) a
        // member function of no arguments called on SELF.
        if (self_attribute(first)) {
            Expr& named = const_cast<Expr&>(e);
            named.path.insert(named.path.begin(), "SELF");
            named.path_offsets.insert(named.path_offsets.begin(), e.offset);
            return resolve_name(named, q, out);
        }
        if (path.size() == 1 &&
            object_method_value(ctx_.object_type, first, self_slot(), q, out) == NameHook::Answer::Resolved)
            return NameHook::Answer::Resolved;
    }
    if (sym && sym->kind == SymKind::Local && path.size() == 1 && e.kind == ExprKind::Column)
        return local_function(*sym, first, {}, nullptr, e.offset, nullptr, out);
    if (e.kind == ExprKind::Attribute && first == "SQL" && (e.text == "BULK_ROWCOUNT" || e.text == "BULK_EXCEPTIONS"))
        return bulk_attribute(const_cast<Expr&>(e), q, out);
    if (e.kind == ExprKind::Attribute && e.text == "CURRENT OF") {
        // WHERE CURRENT OF c (or pkg.c, a package's cursor): the rowid of the row c fetched last.
        int slot = -1;
        if (path.size() >= 2) {
            slot = package_cursor_lookup(path, e.offset, expression_offset_, false);
            if (slot == -2) return null_value(out);
        } else if (sym && sym->kind == SymKind::Cursor) {
            slot = sym->index;
        }
        if (slot < 0) {
            semantic_error(e.offset, pls_message(413), expression_offset_, "PL/SQL: SQL Statement ignored");
            return null_value(out);
        }
        const PlCursorInfo& c = prog_->cursors[static_cast<std::size_t>(slot)];
        if (!c.for_update) {
            std::string written = path[0];
            for (std::size_t k = 1; k < path.size(); ++k) written += "." + path[k];
            semantic_error(e.offset, pls_message(404, written), expression_offset_, "PL/SQL: SQL Statement ignored");
            return null_value(out);
        }
        PlRef r;
        r.kind = PlRefKind::CursorAttr;
        r.slot = slot;
        r.attr = PlAttr::CurrentRow;
        out->bind = "#" + std::to_string(add_ref(q, r, rowid_type()));
        out->type = rowid_type();
        return NameHook::Answer::Resolved;
    }
    if (e.kind == ExprKind::Attribute) {
        PlAttr attr = PlAttr::Found;
        if ((path.size() == 2 || path.size() == 3) && cursor_attribute(e.text, &attr)) {
            // pkg.c%ISOPEN ...: a package's cursor.
            int c = package_cursor_lookup(path, e.offset, expression_offset_, false);
            if (c == -1) return NameHook::Answer::NotMine;
            if (c == -2) return null_value(out);
            PlRef r;
            r.kind = PlRefKind::CursorAttr;
            r.slot = c;
            r.attr = attr;
            out->bind = "#" + std::to_string(add_ref(q, r, number_type()));
            out->type = number_type();
            out->condition = attr != PlAttr::RowCount;
            return NameHook::Answer::Resolved;
        }
        if (path.size() != 1 || !cursor_attribute(e.text, &attr)) return NameHook::Answer::NotMine;
        bool sql = first == "SQL";
        bool cursor_var = !sql && sym && sym->kind == SymKind::Var &&
                          prog_->vars[static_cast<std::size_t>(sym->index)].type.code == kPlTypeRefCursor;
        if (!sql && !cursor_var && !(sym && sym->kind == SymKind::Cursor)) return NameHook::Answer::NotMine;
        PlRef r;
        r.kind = sql ? PlRefKind::SqlAttr : (cursor_var ? PlRefKind::CursorVarAttr : PlRefKind::CursorAttr);
        r.slot = sql ? 0 : sym->index;
        r.attr = attr;
        out->bind = "#" + std::to_string(add_ref(q, r, number_type()));
        out->type = number_type();
        out->condition = attr != PlAttr::RowCount;
        return NameHook::Answer::Resolved;
    }
    // NEW.column and OLD.column in a trigger's WHEN condition.
    if (when_mode_ && prog_->is_trigger && path.size() == 2 && (first == "NEW" || first == "OLD")) {
        int slot = trigger_column(first, path[1], e.offset);
        if (slot < 0) return null_value(out);
        variable_resolution(slot, q, out);
        return NameHook::Answer::Resolved;
    }
    if (path.size() == 1 && !sym) {
        if (first == "TRUE" || first == "FALSE") {
            out->sql = first == "TRUE" ? "(1 = 1)" : "(1 = 0)";
            out->type = number_type();
            return NameHook::Answer::Resolved;
        }
        if (first == "SQLCODE" || first == "SQLERRM") {
            PlRef r;
            r.kind = first == "SQLCODE" ? PlRefKind::SqlCode : PlRefKind::SqlErrm;
            OraType ty = number_type();
            if (r.kind == PlRefKind::SqlErrm) {
                ty = OraType();
                ty.size = 512;
            }
            out->bind = "#" + std::to_string(add_ref(q, r, ty));
            out->type = ty;
            return NameHook::Answer::Resolved;
        }
        return NameHook::Answer::NotMine;
    }
    if (!sym) {
        // package.variable of this schema's packages (package.variable.attribute of an
        // object variable).
        if (path.size() != 2 && path.size() != 3) return NameHook::Answer::NotMine;
        PlVarInfo info;
        bool own = false;
        int slot = package_variable(first, path[1], &info, &own);
        const bool object = info.collection == PlCollection::None && info.type.code == kTypeObject;
        if (path.size() == 3 && (slot < 0 || !object)) return NameHook::Answer::NotMine;
        if (slot >= 0 && object) {
            PlRef r;
            r.kind = own ? PlRefKind::Variable : PlRefKind::PackageVar;
            r.slot = slot;
            if (!own) r.name = ctx_.schema + "." + first;
            OraType ty;
            ty.code = kTypeVarchar2;
            ty.size = 4000;
            const std::string bind = "#" + std::to_string(add_ref(q, r, ty));
            if (path.size() == 3) {
                // package.variable.method: a member function of no arguments, without parentheses.
                ObjectTypeDecl decl;
                bool attribute = false;
                if (object_type_decl(info.type_name, &decl))
                    for (const ColumnDef& a : decl.attributes) attribute = attribute || a.name == path[2];
                NameResolution call;
                if (!attribute && method_wrap(info.type_name, path[2], &call)) {
                    call.bind = bind;
                    *out = call;
                    return NameHook::Answer::Resolved;
                }
            }
            out->bind = bind;
            out->type = ty;
            out->object_type = info.type_name;
            if (path.size() == 3) {
                out->attribute = path[2];
                out->attribute_offset = e.path_offsets.size() > 2 ? e.path_offsets[2] : e.offset;
            }
            return NameHook::Answer::Resolved;
        }
        std::string object_type;
        if (slot >= 0 && info.collection != PlCollection::None && path.size() == 2) {
            // A package's whole collection (TABLE(pkg.list) ...), as SQL keeps a value of its type.
            if (!sql_collection_type(info, &object_type)) {
                semantic_error(e.offset, pls_message(306, path[1]), e.offset);
                return null_value(out);
            }
            PlRef r;
            r.kind = own ? PlRefKind::CollectionAttr : PlRefKind::PackageVar;
            r.slot = slot;
            if (!own) {
                r.name = ctx_.schema + "." + first;
                r.whole_collection = std::make_shared<PlVarInfo>(info);
            }
            OraType ty;
            ty.size = 4000;
            out->bind = "#" + std::to_string(add_ref(q, r, ty));
            out->type = ty;
            out->object_type = object_type;
            return NameHook::Answer::Resolved;
        }
        if (slot >= 0) {
            PlRef r;
            r.kind = own ? PlRefKind::Variable : PlRefKind::PackageVar;
            r.slot = slot;
            if (!own) r.name = ctx_.schema + "." + first;
            OraType ty = info.boolean ? number_type() : info.type;
            out->bind = "#" + std::to_string(add_ref(q, r, ty));
            out->type = ty;
            out->condition = info.boolean;
            return NameHook::Answer::Resolved;
        }
        std::string constant;
        if (plsql_supplied_constant(first, path[1], &constant)) {
            out->sql = constant;
            out->type = number_type();
            return NameHook::Answer::Resolved;
        }
        if (first == "DBMS_UTILITY" && (path[1] == "FORMAT_ERROR_STACK" || path[1] == "FORMAT_ERROR_BACKTRACE" ||
                                        path[1] == "FORMAT_CALL_STACK")) {
            PlRef r;
            r.kind = path[1] == "FORMAT_ERROR_STACK"       ? PlRefKind::ErrorStack
                     : path[1] == "FORMAT_ERROR_BACKTRACE" ? PlRefKind::ErrorBacktrace
                                                           : PlRefKind::CallStack;
            OraType ty;
            ty.size = 2000;
            out->bind = "#" + std::to_string(add_ref(q, r, ty));
            out->type = ty;
            return NameHook::Answer::Resolved;
        }
        if (package_lacks(first, path[1])) {
            semantic_error(e.path_offsets[1], pls_message(302, path[1]), expression_offset_);
            return null_value(out);
        }
        return NameHook::Answer::NotMine;
    }
    if (sym->kind == SymKind::Var && path.size() == 3 && e.kind == ExprKind::Column) {
        // record.field.attribute of a field of an object type.
        const PlVarInfo& rec = prog_->vars[static_cast<std::size_t>(sym->index)];
        const int f = rec.fields.empty() || rec.collection != PlCollection::None ? -1 : record_field(rec, path[1]);
        if (f >= 0 && prog_->vars[static_cast<std::size_t>(f)].collection == PlCollection::None &&
            prog_->vars[static_cast<std::size_t>(f)].type.code == kTypeObject) {
            Expr field;
            field.kind = ExprKind::Column;
            field.path = {path[1], path[2]};
            field.path_offsets.assign(e.path_offsets.begin() + (e.path_offsets.size() > 1 ? 1 : 0), e.path_offsets.end());
            field.offset = e.offset;
            field.end = e.end;
            return object_reference(field, f, q, out);
        }
    }
    if (sym->kind != SymKind::Var || path.size() > 2) return NameHook::Answer::NotMine;
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(sym->index)];
    if (v.collection == PlCollection::None && v.type.code == kTypeObject) return object_reference(e, sym->index, q, out);
    if (v.collection != PlCollection::None) {
        const std::string attr = path.size() == 2 ? path[1] : "";
        if (attr == "COUNT" || attr == "FIRST" || attr == "LAST" || attr == "LIMIT") {
            PlRef r;
            r.kind = PlRefKind::CollectionAttr;
            r.slot = sym->index;
            r.name = attr;
            OraType ty = (attr == "FIRST" || attr == "LAST") ? collection_key_type(v) : number_type();
            out->bind = "#" + std::to_string(add_ref(q, r, ty));
            out->type = ty;
            return NameHook::Answer::Resolved;
        }
        std::string object_type;
        if (attr.empty() && sql_collection_type(v, &object_type)) {
            // The whole collection, as SQL keeps a value of its type.
            PlRef r;
            r.kind = PlRefKind::CollectionAttr;
            r.slot = sym->index;
            OraType ty;
            ty.size = 4000;
            out->bind = "#" + std::to_string(add_ref(q, r, ty));
            out->type = ty;
            out->object_type = object_type;
            return NameHook::Answer::Resolved;
        }
        std::string shown = attr.empty() ? first : attr;
        semantic_error(e.offset, pls_message(306, shown), e.offset);
        return null_value(out);
    }
    int slot = sym->index;
    if (path.size() == 1 && !v.fields.empty()) {
        // A whole record as a value (assigned, passed or compared) is not kept by this
        // engine: refused rather than read as NULL.
        semantic_error(e.offset, pls_message(999, "a whole record used as a value"), expression_offset_,
                       in_sql_ ? "PL/SQL: SQL Statement ignored" : "PL/SQL: Statement ignored");
        return null_value(out);
    }
    if (path.size() == 2) {
        if (v.fields.empty()) return NameHook::Answer::NotMine;
        slot = record_field(v, path[1]);
        if (slot < 0) {
            semantic_error(e.path_offsets[1], pls_message(302, path[1]), expression_offset_);
            return null_value(out);
        }
    }
    variable_resolution(slot, q, out);
    return NameHook::Answer::Resolved;
}

// SQL%BULK_ROWCOUNT(i), SQL%BULK_EXCEPTIONS.COUNT and SQL%BULK_EXCEPTIONS(j).ERROR_INDEX
// or .ERROR_CODE, after FORALL.
NameHook::Answer Parser::bulk_attribute(Expr& e, PlSql* q, NameResolution* out) {
    PlRef r;
    r.kind = PlRefKind::SqlAttr;
    bool rows = e.text == "BULK_ROWCOUNT";
    r.attr = rows ? PlAttr::BulkRowCount : PlAttr::BulkExceptions;
    std::string field = e.path.size() == 2 ? e.path[1] : "";
    bool ok = rows ? e.args.size() == 1 && field.empty()
                   : (e.args.empty() ? field == "COUNT"
                                     : e.args.size() == 1 && (field == "ERROR_INDEX" || field == "ERROR_CODE"));
    if (!ok) {
        semantic_error(e.offset, pls_message(306, e.text), expression_offset_);
        return null_value(out);
    }
    r.name = field;
    if (!e.args.empty()) {
        prog_->sql.push_back(std::make_unique<PlSql>());
        r.index = prog_->sql.back().get();
        position(e.args[0]->offset, &r.index->line, &r.index->column);
        compile_tree(e.args[0], r.index, expression_offset_, false);
    }
    out->bind = "#" + std::to_string(add_ref(q, r, number_type()));
    out->type = number_type();
    return NameHook::Answer::Resolved;
}

OraType Parser::collection_key_type(const PlVarInfo& v) {
    if (!v.text_keys) return number_type();
    OraType t;
    t.code = kTypeVarchar2;
    t.size = v.key_size;
    return t;
}

void Parser::collection_reference(Expr& e, PlRefKind kind, const std::string& method, int slot, const OraType& type,
                                  PlSql* q, NameResolution* out) {
    // The subscript is an expression of its own, evaluated when the reference is read.
    PlRef r;
    r.kind = kind;
    r.slot = slot;
    r.name = method;
    prog_->sql.push_back(std::make_unique<PlSql>());
    r.index = prog_->sql.back().get();
    position(e.args[0]->offset, &r.index->line, &r.index->column);
    compile_tree(e.args[0], r.index, expression_offset_, false);
    out->bind = "#" + std::to_string(add_ref(q, r, type));
    out->type = type;
    out->condition = method == "EXISTS";
}

int Parser::record_collection_field(const std::string& record, const std::string& field) const {
    const Symbol* rs = lookup(record);
    const Symbol* fs = lookup(record + "." + field);
    if (!rs || !fs || rs->kind != SymKind::Var || fs->kind != SymKind::Var) return -1;
    const PlVarInfo& rec = prog_->vars[static_cast<std::size_t>(rs->index)];
    return std::find(rec.fields.begin(), rec.fields.end(), fs->index) == rec.fields.end() ? -1 : fs->index;
}

NameHook::Answer Parser::resolve_call(Expr& e, std::vector<std::string>* path, PlSql* q, NameResolution* out) {
    if (path->size() >= 2 && record_collection_field((*path)[0], (*path)[1]) >= 0) {
        // record.field(i) and record.field.method(i) of a field of a collection type.
        const std::vector<std::string> saved = *path;
        path->erase(path->begin());
        (*path)[0] = saved[0] + "." + saved[1];
        NameHook::Answer a = resolve_call(e, path, q, out);
        if (a == NameHook::Answer::NotMine) *path = saved;
        return a;
    }
    if (path->size() == 2 && object_variable((*path)[0])) return object_method_call(e, path, out);
    if (path->size() == 3) {
        // record.field.method(args) of a record's field of an object type.
        const Symbol* rs = lookup((*path)[0]);
        if (rs && rs->kind == SymKind::Var) {
            const PlVarInfo& rec = prog_->vars[static_cast<std::size_t>(rs->index)];
            const int f = rec.fields.empty() || rec.collection != PlCollection::None ? -1 : record_field(rec, (*path)[1]);
            if (f >= 0) {
                const PlVarInfo field = prog_->vars[static_cast<std::size_t>(f)];
                if (field.collection == PlCollection::None && field.type.code == kTypeObject)
                    return object_method_call(e, path, out, &field);
            }
        }
    }
    if (path->size() == 3 && !lookup((*path)[0])) {
        // package.variable.method(args) of a package's object variable.
        PlVarInfo info;
        bool own = false;
        if (package_variable((*path)[0], (*path)[1], &info, &own) >= 0 && info.collection == PlCollection::None &&
            info.type.code == kTypeObject)
            return object_method_call(e, path, out, &info);
    }
    if (e.args.size() == 1 && e.args[0]->kind == ExprKind::Column && e.args[0]->path.size() == 1 &&
        ((path->size() == 2 && (*path)[0] == "DBMS_LOB") || (path->size() == 3 && (*path)[0] == "SYS" &&
                                                               (*path)[1] == "DBMS_LOB")) &&
        path->back() == "ISOPEN") {
        // DBMS_LOB.ISOPEN(variable): whether DBMS_LOB.OPEN opened the variable's LOB.
        const Symbol* vs = lookup(e.args[0]->path[0]);
        if (vs && vs->kind == SymKind::Var) {
            const PlVarInfo& lob = prog_->vars[static_cast<std::size_t>(vs->index)];
            if (lob.collection == PlCollection::None && lob.fields.empty() &&
                (lob.type.code == kTypeClob || lob.type.code == kTypeBlob)) {
                PlRef r;
                r.kind = PlRefKind::LobIsOpen;
                r.slot = vs->index;
                out->bind = "#" + std::to_string(add_ref(q, r, number_type()));
                out->type = number_type();
                return NameHook::Answer::Resolved;
            }
        }
    }
    {
        // A constructor of a block's or package's nested table or varray type: SQL builds
        // the value of the type it knows the collection type by.
        const Symbol* ts = path->size() == 1   ? lookup((*path)[0])
                           : path->size() == 2 ? type_named((*path)[0], (*path)[1])
                                               : nullptr;
        if (ts && ts->kind == SymKind::Type) {
            PlVarInfo type = prog_->types[static_cast<std::size_t>(ts->index)];
            type.type_name = declared_type_name(ts->index);
            std::string object_type;
            if (type.collection != PlCollection::None && type.collection != PlCollection::IndexBy &&
                !type.record_elements() && sql_collection_type(type, &object_type) && object_type.rfind(kPlsqlTypeOwner, 0) == 0) {
                *path = {kPlsqlTypeOwner, type.type_name};
                return NameHook::Answer::NotMine;
            }
        }
    }
    if (path->size() == 2) {
        // collection.NEXT(i), .PRIOR(i), .EXISTS(i)
        const PlVarInfo* v = collection_of(lookup((*path)[0]));
        const std::string& method = (*path)[1];
        if (!v || (method != "NEXT" && method != "PRIOR" && method != "EXISTS")) return NameHook::Answer::NotMine;
        if (e.args.size() != 1 || e.star || e.distinct) {
            semantic_error(e.offset, pls_message(306, method), e.offset);
            return null_value(out);
        }
        collection_reference(e, PlRefKind::CollectionAttr, method, lookup((*path)[0])->index,
                             method == "EXISTS" ? number_type() : collection_key_type(*v), q, out);
        return NameHook::Answer::Resolved;
    }
    if (path->size() != 1) return NameHook::Answer::NotMine;
    const std::string& name = (*path)[0];
    const Symbol* sym = lookup(name);
    if (sym && sym->kind == SymKind::Local) {
        std::vector<std::string> names(e.args.size());
        if (e.extras && e.extras->names_only()) names = e.extras->arg_names;
        return local_function(*sym, name, names, &e.args, e.offset, path, out);
    }
    if (sym && sym->kind == SymKind::Var) {
        const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(sym->index)];
        // UPDATING('column') in a trigger: the UPDATE sets that column.
        if (prog_->is_trigger && sym->index == prog_->updating_slot && e.args.size() == 1 &&
            e.args[0]->kind == ExprKind::String) {
            PlRef r;
            r.kind = PlRefKind::UpdatingColumn;
            std::string column = e.args[0]->text;
            for (char& c : column) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            r.name = column;
            out->bind = "#" + std::to_string(add_ref(q, r, number_type()));
            out->type = number_type();
            out->condition = true;
            return NameHook::Answer::Resolved;
        }
        if (v.collection != PlCollection::None) {
            if (e.args.size() != 1 || e.star || e.distinct) {
                semantic_error(e.offset, pls_message(306, name), e.offset);
                return null_value(out);
            }
            if (v.record_elements()) return element_field_reference(e, sym->index, q, out);
            if (v.type.code == kTypeObject) {
                // An element of a collection of objects: the object, or one of its attributes.
                OraType ty;
                ty.code = kTypeVarchar2;
                ty.size = 4000;
                collection_reference(e, PlRefKind::Element, "", sym->index, ty, q, out);
                out->object_type = v.element_type;
                if (!e.field.empty()) {
                    out->attribute = e.field;
                    out->attribute_offset = e.field_offset;
                    // v(i).method: a member function of no arguments called on the element.
                    ObjectTypeDecl decl;
                    bool attribute = false;
                    if (object_type_decl(v.element_type, &decl))
                        for (const ColumnDef& a : decl.attributes) attribute = attribute || a.name == e.field;
                    if (!attribute) method_wrap(v.element_type, e.field, out);
                }
                return NameHook::Answer::Resolved;
            }
            if (!e.field.empty()) {
                semantic_error(e.field_offset, pls_message(302, e.field), expression_offset_);
                return null_value(out);
            }
            collection_reference(e, PlRefKind::Element, "", sym->index, v.type, q, out);
            return NameHook::Answer::Resolved;
        }
        return NameHook::Answer::NotMine;
    }
    // A function of the package being compiled, named without its package.
    if (!sym && prog_->is_package) {
        // An object type's constructors are called by the type's name, as SQL calls them.
        if (!ctx_.object_type.empty() && name == prog_->package_name) return NameHook::Answer::NotMine;
        for (const PlSubprogram& sub : prog_->subprograms)
            if (sub.is_function && sub.name == name) {
                // A member function of the type named alone is called on SELF.
                if (sub.self_member && self_slot() >= 0) {
                    auto self = std::make_unique<Expr>();
                    self->kind = ExprKind::Column;
                    self->path = {"SELF"};
                    self->path_offsets = {e.offset};
                    self->offset = self->end = e.offset;
                    e.args.insert(e.args.begin(), std::move(self));
                }
                *path = {prog_->package_name, name};
                return NameHook::Answer::NotMine;
            }
    }
    // Aggregates, analytic calls and the SQL-only functions outside a SQL statement.
    if (!sym && !in_sql_ && sql_statement_only_call(e)) {
        semantic_error(e.offset, pls_message(204, name), expression_offset_);
        return null_value(out);
    }
    return NameHook::Answer::NotMine;
}

NameHook::Answer Parser::element_field_reference(Expr& e, int slot, PlSql* q, NameResolution* out) {
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(slot)];
    if (e.field.empty()) {
        // A whole element is a record: like a whole record, no value of an expression.
        semantic_error(e.offset, pls_message(999, "a whole record used as a value"), expression_offset_,
                       in_sql_ ? "PL/SQL: SQL Statement ignored" : "PL/SQL: Statement ignored");
        return null_value(out);
    }
    int field = element_field(v, e.field);
    if (field < 0) {
        semantic_error(e.field_offset, pls_message(302, e.field), expression_offset_);
        return null_value(out);
    }
    bool boolean = v.field_boolean[static_cast<std::size_t>(field)];
    OraType ty = boolean ? number_type() : v.record_fields[static_cast<std::size_t>(field)].type;
    collection_reference(e, PlRefKind::Element, "", slot, ty, q, out);
    q->refs.back().field = field;
    out->condition = boolean;
    return NameHook::Answer::Resolved;
}

}  // namespace plsql_parsing
