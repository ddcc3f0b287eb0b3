// The PL/SQL parser's collections: TYPE declarations of associative arrays, nested
// tables and varrays, variables of those types, their constructors and copies, element
// assignment and the EXTEND, TRIM and DELETE methods. What a collection holds is kept by
// the interpreter; this part only checks the forms and records what runs.
#include "plsql/plsql_parser.h"

#include "values/errors.h"

namespace plsql_parsing {

namespace {

// Key types of INDEX BY: integer subtypes, or text of a given length.
const char* const kIntegerKeys[] = {"PLS_INTEGER", "BINARY_INTEGER", "SIMPLE_INTEGER", "NATURAL",
                                    "NATURALN",    "POSITIVE",       "POSITIVEN",      "SIGNTYPE"};
const char* const kTextKeys[] = {"VARCHAR2", "VARCHAR", "STRING", "LONG"};

bool one_of(const std::string& w, const char* const* list, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k)
        if (w == list[k]) return true;
    return false;
}

// The methods a statement can call, with the number of arguments each takes.
struct MethodRule {
    const char* name;
    int min_args, max_args;
};
const MethodRule kMethodStatements[] = {{"EXTEND", 0, 2}, {"TRIM", 0, 1}, {"DELETE", 0, 2}};

}  // namespace

const PlVarInfo* Parser::collection_of(const Symbol* s) const {
    if (!s || s->kind != SymKind::Var) return nullptr;
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(s->index)];
    return v.collection == PlCollection::None ? nullptr : &v;
}

void Parser::cursor_return_row(PlVarInfo* type, std::uint32_t decl_offset) {
    std::uint32_t at = peek().offset;
    std::vector<std::string> parts{identifier()};
    while (is_op(".")) {
        ++i_;
        parts.push_back(identifier());
    }
    std::string shown = parts[0];
    for (std::size_t k = 1; k < parts.size(); ++k) shown += "." + parts[k];
    const Symbol* s = parts.size() == 1 ? lookup(parts[0]) : nullptr;
    if (is_op("%")) {
        ++i_;
        std::string attr = identifier();
        if (attr == "ROWTYPE") {
            if (!rowtype_columns(parts, &type->cursor_row))
                return semantic_error(at, pls_message(201, shown), decl_offset, "PL/SQL: Item ignored");
        } else if (attr == "TYPE" && s && s->kind == SymKind::Var &&
                   !prog_->vars[static_cast<std::size_t>(s->index)].fields.empty()) {
            const PlVarInfo& r = prog_->vars[static_cast<std::size_t>(s->index)];
            for (std::size_t k = 0; k < r.fields.size(); ++k) {
                ColumnInfo c;
                c.name = k < r.field_names.size() ? r.field_names[k] : std::string();
                c.type = prog_->vars[static_cast<std::size_t>(r.fields[k])].type;
                type->cursor_row.push_back(c);
            }
        } else {
            return semantic_error(at, pls_message(201, shown), decl_offset, "PL/SQL: Item ignored");
        }
    } else if (s && s->kind == SymKind::Type && prog_->types[static_cast<std::size_t>(s->index)].record_type) {
        type->cursor_row = prog_->types[static_cast<std::size_t>(s->index)].record_fields;
    } else {
        return semantic_error(at, pls_message(201, shown), decl_offset, "PL/SQL: Item ignored");
    }
    type->strong_cursor = true;
}

void Parser::type_declaration(std::uint32_t decl_offset) {
    ++i_;
    const Token& n = peek();
    std::string name = identifier();
    expect_word("IS");
    PlVarInfo type;
    type.name = name;
    // A package's own types are named by the package wherever they are used, so that a
    // variable declared outside as package.type matches the package's.
    if (prog_->is_package && scopes_.size() == 1) type.type_name = prog_->package_name + "." + name;
    auto restriction = [&](const std::string& what) {
        semantic_error(n.offset, pls_message(999, what), decl_offset, "PL/SQL: Item ignored");
        std::size_t e = expression_end({";"});
        i_ = e;
    };
    if (is_word("RECORD")) {
        record_type(&type, decl_offset);
        prog_->types.push_back(type);
        Symbol s;
        s.kind = SymKind::Type;
        s.index = static_cast<int>(prog_->types.size()) - 1;
        declare(name, s);
        return;
    }
    if (is_word("REF") && is_word("CURSOR", 1)) {
        // TYPE t IS REF CURSOR [RETURN rowtype]: a strong type keeps the row it returns
        // (table%ROWTYPE, cursor%ROWTYPE, record%TYPE or a record type), which the
        // queries opened for it must match.
        i_ += 2;
        if (is_word("RETURN")) {
            ++i_;
            cursor_return_row(&type, decl_offset);
        }
        expect_op(";");
        type.type.code = kPlTypeRefCursor;
        prog_->types.push_back(type);
        Symbol s;
        s.kind = SymKind::Type;
        s.index = static_cast<int>(prog_->types.size()) - 1;
        declare(name, s);
        return;
    }
    if (is_word("REF") || is_word("OBJECT")) {
        restriction(peek().text + " types are not supported");
        expect_op(";");
        return;
    }
    if (is_word("TABLE")) {
        ++i_;
        type.collection = PlCollection::Nested;
    } else if (is_word("VARRAY") || (is_word("VARYING") && is_word("ARRAY", 1))) {
        i_ += is_word("VARYING") ? 2 : 1;
        type.collection = PlCollection::Varray;
        expect_op("(");
        const Token& lim = peek();
        std::string digits = identifier_number();
        type.limit = digits.size() > 10 ? 0 : std::stoll(digits);
        if (type.limit < 1 || type.limit > 2147483647) {
            PlCompileError e;
            position(lim.offset, &e.line, &e.column);
            e.text = pls_message(537);
            prog_->errors.push_back(e);
            type.limit = 1;
        }
        expect_op(")");
    } else {
        expected("object opaque range record ref table varray varying", peek());
    }
    expect_word("OF");
    if (!record_element(&type, decl_offset)) {
        bool boolean = false;
        last_object_type_.clear();
        type_spec(&type.type, &boolean, decl_offset);
        type.boolean = boolean;
        // Elements of a schema-level object type: the type, as SQL names it.
        if (type.type.code == kTypeObject) type.element_type = last_object_type_;
    }
    if (is_word("NOT") && is_word("NULL", 1)) {
        i_ += 2;
        type.element_not_null = true;
    }
    if (type.collection == PlCollection::Nested && is_word("INDEX")) {
        ++i_;
        expect_word("BY");
        type.collection = PlCollection::IndexBy;
        const Token& k = peek();
        std::string key = identifier();
        if (one_of(key, kTextKeys, sizeof kTextKeys / sizeof *kTextKeys)) {
            type.text_keys = true;
            type.key_size = 32767;
            if (key == "LONG") {
                type.key_size = 32760;
            } else {
                expect_op("(");
                const Token& len = peek();
                std::string digits = identifier_number();
                if (is_word("CHAR") || is_word("BYTE")) ++i_;
                expect_op(")");
                type.key_size = digits.size() > 5 ? 0 : static_cast<std::uint32_t>(std::stoul(digits));
                if (type.key_size < 1 || type.key_size > 32767) {
                    PlCompileError e;
                    position(len.offset, &e.line, &e.column);
                    e.text = pls_message(215);
                    prog_->errors.push_back(e);
                    type.key_size = 32767;
                }
            }
        } else if (!one_of(key, kIntegerKeys, sizeof kIntegerKeys / sizeof *kIntegerKeys)) {
            semantic_error(k.offset, pls_message(315), decl_offset, "PL/SQL: Item ignored");
            if (is_op("(")) i_ = expression_end({";"});
        }
    }
    expect_op(";");
    prog_->types.push_back(type);
    Symbol s;
    s.kind = SymKind::Type;
    s.index = static_cast<int>(prog_->types.size()) - 1;
    declare(name, s);
}

bool Parser::collection_declaration(PlBlock* b, const std::string& name, std::uint32_t decl_offset) {
    std::size_t width = 0;
    const Symbol* ts = type_symbol_ahead(&width);
    if (!ts) return false;
    int index = ts->index;
    if (prog_->types[static_cast<std::size_t>(index)].type.code == kPlTypeRefCursor) return false;
    i_ += width;
    if (prog_->types[static_cast<std::size_t>(index)].record_type) {
        record_declaration(b, name, index, decl_offset);
        return true;
    }
    PlVarInfo v = prog_->types[static_cast<std::size_t>(index)];
    v.type_name = declared_type_name(index);
    v.name = name;
    prog_->vars.push_back(v);
    PlDecl d;
    d.slot = static_cast<int>(prog_->vars.size()) - 1;
    if (is_op(":=") || is_word("DEFAULT")) {
        ++i_;
        d.init_collection = std::make_shared<PlStmt>();
        PlStmt& st = *d.init_collection;
        position(peek().offset, &st.line, &st.column);
        st.targets.push_back(pl_var_target(d.slot));
        if (!whole_result_call(&st, d.slot, decl_offset)) collection_value(&st, d.slot, decl_offset);
    }
    expect_op(";");
    b->decls.push_back(d);
    Symbol s;
    s.index = d.slot;
    declare(name, s);
    return true;
}

void Parser::collection_value(PlStmt* st, int slot, std::uint32_t so) {
    st->kind = PlStmtKind::Collection;
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(slot)];
    const Token& t = peek();
    std::size_t end = expression_end({";"});
    std::size_t width = 0;
    const Symbol* ts = type_symbol_ahead(&width);
    if (ts) {
        // type(e1, e2, ...): a new collection of those elements.
        i_ += width;
        int index = ts->index;
        const PlVarInfo& type = prog_->types[static_cast<std::size_t>(index)];
        if (type.collection == PlCollection::IndexBy) {
            semantic_error(t.offset, pls_message(222, t.text), so);
            i_ = end;
            return;
        }
        if (v.type_name != declared_type_name(index)) {
            semantic_error(t.offset, pls_message(382), so);
            i_ = end;
            return;
        }
        st->name = "CONSTRUCT";
        expect_op("(");
        if (!is_op(")")) {
            for (;;) {
                st->exprs.push_back(expression({",", ")"}, so, type.boolean));
                if (!is_op(",")) break;
                ++i_;
            }
        }
        expect_op(")");
        if (i_ != end) expected(";", peek());
        return;
    }
    const Symbol* s = t.kind == TokenKind::Word ? lookup(t.text) : nullptr;
    const PlVarInfo* from = collection_of(s);
    if (from && i_ + 1 == end) {
        ++i_;
        if (from->type_name != v.type_name) {
            semantic_error(t.offset, pls_message(382), so);
            return;
        }
        st->name = "COPY";
        st->slot = s->index;
        return;
    }
    // An expression whose value is a collection of the variable's type in SQL: the
    // MULTISET operators, SET(), a schema type's constructor.
    std::string object_type;
    if (!v.record_elements() && sql_collection_type(v, &object_type)) {
        const std::size_t errors = prog_->errors.size();
        PlSql* q = expression({";"}, so);
        if (prog_->errors.size() != errors) return;
        if (q && q->tr.columns.size() == 1 && q->tr.columns[0].object_type == object_type) {
            st->name = "FROM_TEXT";
            st->exprs.push_back(q);
            return;
        }
        semantic_error(t.offset, pls_message(382), so);
        return;
    }
    semantic_error(t.offset, pls_message(382), so);
    i_ = end;
}

bool Parser::collection_method_ahead() const {
    if (peek().kind != TokenKind::Word || !is_op(".", 1) || peek(2).kind != TokenKind::Word) return false;
    std::size_t method = 2;
    if (!collection_of(lookup(peek().text))) {
        // record.field.method of a field of a collection type
        if (!is_op(".", 3) || peek(4).kind != TokenKind::Word || record_collection_field(peek().text, peek(2).text) < 0)
            return false;
        method = 4;
    }
    for (const MethodRule& m : kMethodStatements)
        if (peek(method).text == m.name) return true;
    return false;
}

void Parser::collection_method(PlStmt* st, std::uint32_t so) {
    st->kind = PlStmtKind::Collection;
    const Symbol* s = lookup(peek().text);
    int slot = collection_of(s) ? s->index : record_collection_field(peek().text, peek(2).text);
    const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(slot)];
    i_ += collection_of(s) ? 2 : 4;
    const Token& m = peek();
    st->name = identifier();
    st->targets.push_back(pl_var_target(slot));
    if (is_op("(")) {
        ++i_;
        for (;;) {
            st->exprs.push_back(expression({",", ")"}, so));
            if (!is_op(",")) break;
            ++i_;
        }
        expect_op(")");
    }
    expect_op(";");
    const MethodRule* rule = nullptr;
    for (const MethodRule& r : kMethodStatements)
        if (st->name == r.name) rule = &r;
    int n = static_cast<int>(st->exprs.size());
    // An associative array cannot grow or shrink at its end, nor a varray lose an element
    // from its middle.
    bool wrong = n < rule->min_args || n > rule->max_args ||
                 (v.collection == PlCollection::IndexBy && st->name != "DELETE") ||
                 (v.collection == PlCollection::Varray && st->name == "DELETE" && n > 0);
    if (wrong) semantic_error(m.offset, pls_message(306, st->name), so);
}

bool Parser::element_assignment_ahead() const {
    if (peek().kind != TokenKind::Word) return false;
    std::size_t open = i_ + 1;
    if (is_op(".", 1) && peek(2).kind == TokenKind::Word && is_op("(", 3) &&
        record_collection_field(peek().text, peek(2).text) >= 0)
        open = i_ + 3;  // record.field(i) := ... of a field of a collection type
    else if (!is_op("(", 1) || !collection_of(lookup(peek().text)))
        return false;
    int depth = 0;
    for (std::size_t k = open; k < t_.size() && t_[k].kind != TokenKind::End; ++k) {
        if (t_[k].kind != TokenKind::Operator) continue;
        if (t_[k].text == "(") ++depth;
        if (t_[k].text == ")" && --depth == 0) {
            // name(i) := ... or name(i).field := ... (a collection of records)
            if (k + 1 < t_.size() && t_[k + 1].text == ":=") return true;
            return k + 3 < t_.size() && t_[k + 1].text == "." && t_[k + 2].kind == TokenKind::Word &&
                   t_[k + 3].text == ":=";
        }
        if (t_[k].text == ";") return false;
    }
    return false;
}

}  // namespace plsql_parsing
